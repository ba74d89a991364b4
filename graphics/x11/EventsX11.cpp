// The X11 window layer's idle work: the connection's events turned into the
// editor's routing steps, exposed areas repainted, and the redraw tick.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>

#include "graphics/x11/ErrorTrapX11.h"
#include "graphics/x11/GraphicsX11.h"
#include "graphics/x11/SessionX11.h"

namespace {

constexpr unsigned int kHeldButtons = Button1Mask | Button2Mask | Button3Mask;
constexpr unsigned int kDragButtons = Button1Mask | Button3Mask;
// Client messages carry their atoms as 32-bit items.
constexpr int kAtomFormat = 32;

long long NowMilliseconds()
{
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

void IGraphicsX11::IdleEditor()
{
  X11Session* s = mSession;
  if (!s || s->lost) return;
  X11ErrorTrap trap(s->display);
  IArea exposed;
  bool anyExposed = false;
  while (!s->lost && XPending(s->display) > 0) {
    XEvent event;
    XNextEvent(s->display, &event);
    HandleEvent(event, &exposed, &anyExposed);
    // A host may close the editor from inside a call the routing made, and
    // a closed own window takes no more input.
    if (mSession != s || s->userClosed) return;
  }
  if (trap.SawMissingWindow()) s->windowGone = true;
  if (!s->Usable()) return;
  const bool tick = TickDue();
  if (anyExposed) {
    // Dirty controls outside the exposed area would be marked clean by the
    // repaint, so they are drawn with it.
    IArea dirty;
    if (TickDirtyArea(&dirty)) exposed.WidenBy(dirty);
    RedrawArea(exposed);
  } else if (tick) {
    RedrawDirty();
  }
  if (s->unsynced) {
    // The images are on screen when this call returns.
    XSync(s->display, False);
    s->unsynced = false;
  } else {
    XFlush(s->display);
  }
  if (trap.SawMissingWindow()) s->windowGone = true;
}

bool IGraphicsX11::TickDue()
{
  // Ticks fall on a grid of points a tick period apart: a tick runs on the
  // first idle call at or after each point, so idle calls that do not land
  // on the grid still give the full rate and never more. After a pause the
  // grid starts again from now.
  const long long period = TickMilliseconds();
  const long long now = NowMilliseconds();
  if (now < mNextTick) return false;
  mNextTick = now < mNextTick + period ? mNextTick + period : now + period;
  return true;
}

void IGraphicsX11::HandleEvent(XEvent& event, IArea* exposed, bool* anyExposed)
{
  X11Session* s = mSession;
  switch (event.type) {
    case Expose: {
      if (event.xexpose.window != s->window) break;
      const XExposeEvent& e = event.xexpose;
      exposed->WidenBy(IArea{e.x, e.y, e.x + e.width, e.y + e.height});
      *anyExposed = true;
      break;
    }
    case ConfigureNotify:
      // An own window's place is the window manager's business.
      if (event.xconfigure.window == s->window && !s->ownWindow) {
        s->x = event.xconfigure.x;
        s->y = event.xconfigure.y;
      }
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == s->window) s->windowGone = true;
      break;
    case ButtonPress: OnButtonPress(event); break;
    case ButtonRelease: OnButtonRelease(event); break;
    case MotionNotify: OnMotion(event); break;
    case KeyPress: OnKeyPress(event); break;
    case KeyRelease: ForwardKey(event); break;
    case LeaveNotify:
      if (HoverTracking()) RouteLeave();
      break;
    case MappingNotify: XRefreshKeyboardMapping(&event.xmapping); break;
    case ClientMessage: OnClientMessage(event); break;
    default: break;
  }
}

void IGraphicsX11::OnButtonPress(XEvent& event)
{
  const XButtonEvent& e = event.xbutton;
  if (e.button == Button4 || e.button == Button5) {
    RouteWheel(e.x, e.y, ModsFromState(e.state, 0, 0), e.button == Button4 ? 1 : -1);
    return;
  }
  if (e.button < Button1 || e.button > Button3) return;
  const IMouseMods mods = ModsFromState(e.state, e.button, 0);
  // Keys reach the editor once it was clicked, as with any child window.
  XSetInputFocus(mSession->display, mSession->window, RevertToParent, e.time);
  const bool isDouble = mClicks.Press(e.button, e.time, e.x, e.y) && e.button == Button1;
  if (isDouble) {
    if (RouteDoubleClick(e.x, e.y, mods)) TakePointer(e.time);
    return;
  }
  TakePointer(e.time);
  RouteMouseDown(e.x, e.y, mods);
}

void IGraphicsX11::OnButtonRelease(XEvent& event)
{
  const XButtonEvent& e = event.xbutton;
  if (e.button < Button1 || e.button > Button3) return;
  X11Session* s = mSession;
  if (s->grabbed && (e.state & kHeldButtons & ~ButtonStateMask(e.button)) == 0) {
    XUngrabPointer(s->display, e.time);
    s->grabbed = false;
  }
  s->pointerHeld = false;
  RouteMouseUp(e.x, e.y, ModsFromState(e.state, 0, e.button));
}

void IGraphicsX11::OnMotion(XEvent& event)
{
  X11Session* s = mSession;
  // Only the latest of a run of queued moves matters: the drag steps add up
  // to the same distance, with one parameter change instead of many.
  XEvent latest = event;
  while (XEventsQueued(s->display, QueuedAlready) > 0) {
    XEvent next;
    XPeekEvent(s->display, &next);
    if (next.type != MotionNotify || next.xmotion.window != latest.xmotion.window ||
        next.xmotion.state != latest.xmotion.state) {
      break;
    }
    XNextEvent(s->display, &latest);
  }
  const XMotionEvent& m = latest.xmotion;
  const IMouseMods mods = ModsFromState(m.state, 0, 0);
  if (m.state & kDragButtons) {
    if (s->pointerHeld) RouteMouseDrag(m.x, m.y, mods);
  } else if (HoverTracking()) {
    RouteHover(m.x, m.y, mods);
  }
}

void IGraphicsX11::OnKeyPress(XEvent& event)
{
  EditorKey key;
  const KeySym plain = XLookupKeysym(&event.xkey, 0);
  const KeySym shifted = XLookupKeysym(&event.xkey, 1);
  if (EditorKeyFor(plain, shifted, &key) && RouteKeyDown(event.xkey.x, event.xkey.y, key)) return;
  ForwardKey(event);
}

void IGraphicsX11::OnClientMessage(XEvent& event)
{
  // The window manager's close button on the own window: the window goes
  // off screen at once, and the adapter, told by OwnWindowClosed, closes
  // it (a close from here would pull the window out from under the
  // adapter).
  X11Session* s = mSession;
  const XClientMessageEvent& m = event.xclient;
  if (!s->ownWindow || m.window != s->window || m.message_type != s->wmProtocols || m.format != kAtomFormat) return;
  if (static_cast<Atom>(m.data.l[0]) != s->wmDeleteWindow) return;
  s->userClosed = true;
  XUnmapWindow(s->display, s->window);
  XFlush(s->display);
}

void IGraphicsX11::ForwardKey(XEvent& event)
{
  // Keys the editor does not take go to the host's window, so its
  // shortcuts keep working while the editor has the focus. Propagation
  // carries them on to whichever ancestor listens. An own window has no
  // host window above it; no session: the host closed the editor from a
  // call the routing made.
  X11Session* s = mSession;
  if (!s || s->ownWindow) return;
  XEvent copy = event;
  copy.xkey.window = s->parent;
  copy.xkey.subwindow = s->window;
  copy.xkey.x += s->x;
  copy.xkey.y += s->y;
  const long mask = event.type == KeyPress ? KeyPressMask : KeyReleaseMask;
  XSendEvent(s->display, s->parent, True, mask, &copy);
}

void IGraphicsX11::TakePointer(unsigned long time)
{
  X11Session* s = mSession;
  if (!s) return;
  s->pointerHeld = true;
  // The press already holds the pointer for us until every button is up;
  // the explicit grab keeps it so for the whole gesture and lets a hidden
  // cursor stay hidden outside the window.
  const Cursor cursor = mCursorHidden ? s->blankCursor : None;
  s->grabbed = XGrabPointer(s->display, s->window, False, kGrabEventMask, GrabModeAsync, GrabModeAsync, None, cursor,
                            time) == GrabSuccess;
}
