#pragma once
// What one open editor window holds on its display connection. Internal to
// the X11 window layer.

#include <X11/Xlib.h>

#include "base/GrowBuffer.h"
#include "graphics/x11/PixelFormatX11.h"

// Events the pointer grab of a gesture delivers.
constexpr unsigned int kGrabEventMask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
// Granularity of the converted-pixel buffer.
constexpr int kConvertBufferGranularity = 4096;

// One open window: made by OpenEditor or OpenOwnWindow, destroyed (with its
// connection) by CloseEditor or the editor's destructor. UI thread only.
struct X11Session
{
  Display* display = nullptr;
  Window root = 0;
  Window parent = 0;
  Window window = 0;
  Visual* visual = nullptr;
  int depth = 0;
  Colormap colormap = 0;
  GC gc = nullptr;
  Cursor blankCursor = 0;
  X11PixelLayout layout;
  X11PixelPath path = X11PixelPath::kUnsupported;
  int x = 0;  // the window's place in the parent
  int y = 0;
  // A top-level window of the editor's own (its parent is the root), and
  // the window manager's atoms for the close request it answers to.
  bool ownWindow = false;
  Atom wmProtocols = 0;
  Atom wmDeleteWindow = 0;
  bool userClosed = false;  // the user closed the own window
  bool lost = false;        // the connection broke
  bool windowGone = false;  // the window (or its parent) was destroyed
  bool pointerHeld = false; // a press began a gesture that no release ended
  bool grabbed = false;     // the pointer grab of that gesture is ours
  bool unsynced = false;    // images were sent since the last round trip
  IGrowBuffer converted{kConvertBufferGranularity};

  bool Usable() const { return !lost && !windowGone && !userClosed; }
};
