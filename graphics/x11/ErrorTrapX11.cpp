#include "graphics/x11/ErrorTrapX11.h"

namespace {

// The innermost trap of the (single) thread that drives the editors.
X11ErrorTrap* gInnermost = nullptr;

void MarkLost(Display*, void* lost) { *static_cast<bool*>(lost) = true; }

X11ErrorTrap* Outermost()
{
  X11ErrorTrap* t = gInnermost;
  while (t && t->Outer()) t = t->Outer();
  return t;
}

}  // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : mDisplay(display), mOuter(gInnermost)
{
  mPrevious = XSetErrorHandler(OnError);
  mPreviousIO = XSetIOErrorHandler(OnIOError);
  gInnermost = this;
}

X11ErrorTrap::~X11ErrorTrap()
{
  gInnermost = mOuter;
  // Put the earlier handlers back, unless someone replaced ours meanwhile:
  // then theirs stays.
  const XErrorHandler current = XSetErrorHandler(mPrevious);
  if (current != OnError) XSetErrorHandler(current);
  const XIOErrorHandler currentIO = XSetIOErrorHandler(mPreviousIO);
  if (currentIO != OnIOError) XSetIOErrorHandler(currentIO);
}

X11ErrorTrap* X11ErrorTrap::Owning(Display* display)
{
  for (X11ErrorTrap* t = gInnermost; t; t = t->mOuter) {
    if (t->mDisplay == display) return t;
  }
  return nullptr;
}

int X11ErrorTrap::OnError(Display* display, XErrorEvent* event)
{
  X11ErrorTrap* trap = Owning(display);
  if (!trap) {
    // Not ours: what the host had installed before the outermost trap.
    const X11ErrorTrap* outermost = Outermost();
    if (outermost && outermost->mPrevious && outermost->mPrevious != OnError) {
      return outermost->mPrevious(display, event);
    }
    return 0;
  }
  ++trap->mErrors;
  trap->mLastCode = event->error_code;
  if (event->error_code == BadWindow || event->error_code == BadDrawable) trap->mMissingWindow = true;
  return 0;
}

int X11ErrorTrap::OnIOError(Display* display)
{
  if (!Owning(display)) {
    const X11ErrorTrap* outermost = Outermost();
    if (outermost && outermost->mPreviousIO && outermost->mPreviousIO != OnIOError) {
      return outermost->mPreviousIO(display);
    }
  }
  // Returning hands over to the connection's exit handler, which for our
  // connections only records the loss.
  return 0;
}

void KeepProcessOnConnectionLoss(Display* display, bool* lost) { XSetIOErrorExitHandler(display, MarkLost, lost); }
