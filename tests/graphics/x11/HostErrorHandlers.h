#pragma once
// What the X11 window tests share: a connection to the test's X server, and
// the host's side of X error handling (handlers that count what reaches
// them, in place for one test).

#include <X11/Xlib.h>

#include <chrono>
#include <thread>

namespace x11test {

// The server may refuse a connection now and then while it catches up with
// closed ones; a few tries, a few milliseconds apart. Null when none opens;
// the caller closes it.
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

// Errors and lost connections that reached the host's handlers, from any
// connection.
inline int gHostErrors = 0;
inline int gHostIOErrors = 0;

inline int HostErrorHandler(Display*, XErrorEvent*)
{
  ++gHostErrors;
  return 0;
}

inline int HostIOErrorHandler(Display*)
{
  ++gHostIOErrors;
  return 0;
}

// The handlers installed now.
inline XErrorHandler CurrentErrorHandler()
{
  const XErrorHandler h = XSetErrorHandler(nullptr);
  XSetErrorHandler(h);
  return h;
}

inline XIOErrorHandler CurrentIOErrorHandler()
{
  const XIOErrorHandler h = XSetIOErrorHandler(nullptr);
  XSetIOErrorHandler(h);
  return h;
}

// The host's two handlers from Install, with the counts from zero, until
// Restore puts back the ones that were there before. A test fixture's
// member; the test's thread.
class HostErrorHandlers
{
public:
  void Install()
  {
    gHostErrors = gHostIOErrors = 0;
    mPrevious = XSetErrorHandler(HostErrorHandler);
    mPreviousIO = XSetIOErrorHandler(HostIOErrorHandler);
    mInstalled = true;
  }
  void Restore()
  {
    if (!mInstalled) return;
    XSetErrorHandler(mPrevious);
    XSetIOErrorHandler(mPreviousIO);
    mInstalled = false;
  }

private:
  XErrorHandler mPrevious = nullptr;
  XIOErrorHandler mPreviousIO = nullptr;
  bool mInstalled = false;
};

}  // namespace x11test
