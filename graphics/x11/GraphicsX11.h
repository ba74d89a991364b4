#pragma once
// The editor's window on Linux hosts: an X11 child window inside the window
// the host hands over or, for hosts that hand over none, a top-level window
// of the editor's own; either driven by the host's idle calls.

#include "graphics/Graphics.h"
#include "graphics/x11/InputX11.h"

struct X11Session;
union _XEvent;

// One editor's X11 window layer. Made by MakeEditorWindow; the core owns it
// once attached and destroys it through the virtual destructor. Each window
// comes with a display connection of its own and everything made on it (the
// window, its colormap, graphics context and cursor). The editor owns the
// open window, one prepared by PrepareOpen and not yet taken over, and one
// that CloseEditor let go; FinishClose and the destructor release them.
//
// Threads: the host's UI thread only. OpenEditor and CloseEditor come from
// the dispatcher with the instance lock held and do not wait on the X
// server when PrepareOpen and FinishClose ran around them, as the adapter
// runs them, without the lock; IdleEditor comes from effEditIdle without
// it. So waiting on the X server never stalls the audio thread. Of the idle
// work only parameter changes (SetEditorParam) take the instance lock. X
// errors on the connection are trapped per call and never reach the host's
// handlers.
class IGraphicsX11 : public IGraphics
{
public:
  IGraphicsX11(IPlugBase* plug, int width, int height, int frameRate);
  ~IGraphicsX11() override;

  // Sends area of the surface to the window as one image.
  bool Present(const IArea& area) override;
  // Resizes the window and the host's parent window by the same difference.
  void SetEditorSize(int width, int height) override;
  const char* BackendName() override;
  // parentWindow is the host's X window id. Opens a display connection,
  // creates and maps the child window (at the open window's place, if one
  // is open) and makes one round trip; OpenEditor for the same parent takes
  // it over. Without the instance lock.
  void PrepareOpen(void* parentWindow) override;
  // The window PrepareOpen made for this parent, else one made here the
  // same way; null when no display can be opened, the parent does not exist
  // or its screen has no usable visual. A second open lets the first window
  // go and reuses its place.
  void* OpenEditor(void* parentWindow) override;
  // The same for a top-level window of the editor's own (a child of the
  // root), titled title, whose size hints keep it at the editor's size and
  // whose close button the window manager reports to us (WM_DELETE_WINDOW):
  // the window then goes off screen and OwnWindowClosed says so until the
  // adapter closes it. Keys the editor does not take stay with it.
  void PrepareOpenOwn(const char* title) override;
  void* OpenOwnWindow(const char* title) override;
  bool OwnWindowClosed() const override;
  // Ends a gesture still in progress and lets the window go. Also after the
  // host destroyed the parent first.
  void CloseEditor() override;
  // Destroys the window let go and closes its connection. Without the
  // instance lock.
  void FinishClose() override;
  // The window id while the window exists, else null.
  void* NativeWindow() override;
  // Hides the pointer over the window (and during a drag) and remembers
  // where it was; RestoreCursor puts it back there.
  void HideCursor() override;
  void RestoreCursor() override;
  // Handles every pending event, then runs the redraw tick when its time
  // has come (frame-rate times a second).
  void IdleEditor() override;

  // The open connection's file descriptor, or -1 while closed.
  int ConnectionFd() const;
  int EventDescriptor() const override { return ConnectionFd(); }
  // True when the X server connection broke while open.
  bool ConnectionLost() const;
  // Images sent to the window since construction.
  long PresentCount() const { return mPresents; }

protected:
  // Resizes the window, and the host's parent window by the same amounts.
  void GrowFrames(int dw, int dh) override;

private:
  // Prepare and open in parentWindow, or with a title in an own window.
  void Prepare(void* parentWindow, const char* title);
  void* Open(void* parentWindow, const char* title);
  void CloseWindow(bool endGesture);
  void DiscardPrepared();
  void HandleEvent(_XEvent& event, IArea* exposed, bool* anyExposed);
  void OnButtonPress(_XEvent& event);
  void OnButtonRelease(_XEvent& event);
  void OnMotion(_XEvent& event);
  void OnKeyPress(_XEvent& event);
  void OnClientMessage(_XEvent& event);
  void ForwardKey(_XEvent& event);
  void TakePointer(unsigned long time);
  bool TickDue();

  X11Session* mSession = nullptr;
  // What PrepareOpen made for mPreparedParent, or PrepareOpenOwn made
  // (mPreparedOwn), null when it failed, while mHasPrepared says no open has
  // taken it yet.
  X11Session* mPrepared = nullptr;
  void* mPreparedParent = nullptr;
  bool mPreparedOwn = false;
  bool mHasPrepared = false;
  X11Session* mLetGo = nullptr;  // let go by CloseEditor, awaiting FinishClose
  DoubleClickDetector mClicks;
  long long mNextTick = 0;  // milliseconds on the monotonic clock
  long mPresents = 0;
};
