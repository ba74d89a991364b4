#pragma once
// Reading a window's pixels back from the X server (tools/x11/SnapshotX11.cpp).

#include <X11/Xlib.h>

#include <vector>

// The top-left w x h pixels of window as top-down RGBA bytes, alpha opaque;
// false when the window's visual is not TrueColor or it cannot be read.
// The thread that uses display.
bool CaptureWindowPixels(Display* display, Window window, int w, int h, std::vector<unsigned char>& rgba);
