#pragma once
// What the tests that open an editor in a real X11 window share: a
// connection to the test's X server that can fake input (XTest), and the
// top-level window a host gives an editor to live in.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <thread>

namespace x11test {

// The server may refuse a connection now and then while it catches up with
// closed ones (seen right after the previous case closed its own); a few
// tries, a few milliseconds apart. Null when none opens; the caller closes
// it.
inline Display* ConnectToServer()
{
  constexpr int kAttempts = 4;
  constexpr int kPauseMilliseconds = 5;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (Display* d = XOpenDisplay(nullptr)) return d;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPauseMilliseconds));
  }
  return nullptr;
}

// Connects *display to the server and checks that it fakes input; a fatal
// failure that says which is missing otherwise. The caller closes the
// connection; a fixture's SetUp calls it under ASSERT_NO_FATAL_FAILURE.
inline void ConnectWithXTest(Display** display)
{
  *display = ConnectToServer();
  ASSERT_TRUE(*display) << "this test needs an X display (DISPLAY)";
  int event, error, major, minor;
  ASSERT_TRUE(XTestQueryExtension(*display, &event, &error, &major, &minor)) << "the X server lacks XTest";
}

// A mapped override-redirect top-level window at the origin, as hosts give
// editors to live in: editor pixels are screen pixels. It listens to
// structure changes and to extraEvents; with a visual, it takes that visual,
// depth and a colormap of its own. Returns once the server has mapped it;
// the caller destroys it.
inline Window MapHostWindow(Display* display, int width, int height, long extraEvents = 0,
                            Visual* visual = nullptr, int depth = 0)
{
  const Window root = RootWindow(display, DefaultScreen(display));
  XSetWindowAttributes a = {};
  a.override_redirect = True;
  a.event_mask = StructureNotifyMask | extraEvents;
  unsigned long mask = CWOverrideRedirect | CWEventMask | CWBorderPixel | CWBackPixel;
  if (visual) {
    a.colormap = XCreateColormap(display, root, visual, AllocNone);
    mask |= CWColormap;
  }
  const Window w = XCreateWindow(display, root, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                 visual ? depth : CopyFromParent, InputOutput, visual ? visual : CopyFromParent, mask,
                                 &a);
  XMapRaised(display, w);
  XEvent e;
  do {
    XWindowEvent(display, w, StructureNotifyMask, &e);
  } while (e.type != MapNotify);
  return w;
}

// A fixture's connection and the one host window its editor opens in.
// SetUp connects (ASSERT_NO_FATAL_FAILURE(Connect())) and maps the window;
// TearDown calls Disconnect after closing the editor. The test's thread.
class HostWindowTest : public ::testing::Test
{
protected:
  void Connect() { ConnectWithXTest(&display); }
  void MapParent(int width, int height) { parent = MapHostWindow(display, width, height); }
  // Destroys the window and closes the connection, whichever exist.
  void Disconnect()
  {
    if (!display) return;
    if (parent) XDestroyWindow(display, parent);
    XCloseDisplay(display);
    display = nullptr;
    parent = 0;
  }

  Display* display = nullptr;
  Window parent = 0;
};

}  // namespace x11test
