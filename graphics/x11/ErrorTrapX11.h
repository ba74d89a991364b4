#pragma once
// Keeping X errors of the editor's own display connection away from the host.
// Xlib reports protocol errors and lost connections through process-wide
// handlers whose defaults end the process; hosts install their own. A trap
// puts ours in place for one scope and puts the previous ones back when it
// ends, so nothing of ours stays installed between calls.

#include <X11/Xlib.h>

// Collects the errors of one display for its lifetime. Errors of any other
// display go on to the handlers that were installed before the outermost
// trap. Lives on the stack of the thread that uses the display (the host's
// UI thread); traps may nest. Owns nothing.
class X11ErrorTrap
{
public:
  explicit X11ErrorTrap(Display* display);
  ~X11ErrorTrap();
  X11ErrorTrap(const X11ErrorTrap&) = delete;
  X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

  // Protocol errors raised on the display while the trap was set.
  int ErrorCount() const { return mErrors; }
  // The last one's error code (0 when none).
  int LastErrorCode() const { return mLastCode; }
  // True when a request met a window that no longer exists (BadWindow or
  // BadDrawable): the editor's window, or the parent it lived in, is gone.
  bool SawMissingWindow() const { return mMissingWindow; }
  // The trap this one is nested in, or null.
  X11ErrorTrap* Outer() const { return mOuter; }

private:
  static int OnError(Display* display, XErrorEvent* event);
  static int OnIOError(Display* display);
  static X11ErrorTrap* Owning(Display* display);

  Display* mDisplay;
  X11ErrorTrap* mOuter;
  XErrorHandler mPrevious = nullptr;
  XIOErrorHandler mPreviousIO = nullptr;
  int mErrors = 0;
  int mLastCode = 0;
  bool mMissingWindow = false;
};

// Makes a lost connection on display mark *lost instead of ending the
// process: the call that met the loss returns and the display only awaits
// XCloseDisplay. Set once per connection, right after it is opened; lost
// must outlive the connection.
void KeepProcessOnConnectionLoss(Display* display, bool* lost);
