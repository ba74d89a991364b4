#pragma once
// A host's editor frame on Linux: a top-level X11 window on a display
// connection of ours, that plug-in editors open inside, driven by idle
// calls. Used by snapshots, the validator and the lifecycle run.

#include <X11/Xlib.h>

#include <string>

#include "vst/VstDefs.h"

// Owns its display connection and the frame window, reused for one editor
// after another. Destroying it closes an editor still open in it
// (effEditClose), then destroys the window and closes the connection. The
// host's UI thread only.
class EditorFrameX11
{
public:
  EditorFrameX11() = default;
  ~EditorFrameX11();
  EditorFrameX11(const EditorFrameX11&) = delete;
  EditorFrameX11& operator=(const EditorFrameX11&) = delete;

  // Connects to the display DISPLAY names and shows an empty frame at
  // (x, y), placed by us without window-manager frames; false with Error().
  bool Create(int x, int y);
  // Sizes the frame to effect's editor, opens the editor in it (effEditOpen
  // with the window id) and sizes the frame again, as hosts do.
  bool Open(AEffect* effect);
  // effEditIdle with a host timer's pauses in between, and this
  // connection's events drained, for about milliseconds (at least once).
  void Idle(int milliseconds);
  // Idles until the editor's window shows inside the frame (or a few
  // seconds went by); true when it did.
  bool IdleUntilShown();
  // effEditClose on the open editor; the frame stays.
  void Close();
  // Reads and drops the frame's queued events without waiting.
  void DrainEvents();

  Display* Connection() const { return mDisplay; }
  ::Window Frame() const { return mFrame; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  const std::string& Error() const { return mError; }

private:
  void Resize(int width, int height);
  bool HasViewableChild();

  Display* mDisplay = nullptr;
  ::Window mFrame = 0;
  AEffect* mOpen = nullptr;  // the effect whose editor is open in the frame
  int mWidth = 1;
  int mHeight = 1;
  std::string mError;
};
