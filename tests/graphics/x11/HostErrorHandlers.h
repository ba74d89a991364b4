#pragma once
// The host's side of X error handling for the X11 window tests: handlers
// that count what reaches them, in place for one test.

#include <X11/Xlib.h>

namespace x11test {

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
