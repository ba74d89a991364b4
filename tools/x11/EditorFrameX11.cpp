#include "tools/x11/EditorFrameX11.h"

#include <poll.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "tools/EditorHost.h"

namespace {

// The pause between idle calls, as a host's idle timer would make.
constexpr int kIdleMilliseconds = 10;
// The longest wait for the X server to show a window.
constexpr int kMapTimeoutMilliseconds = 5000;
// A busy X server refuses a new connection now and then; tries, and the
// pause between them.
constexpr int kConnectAttempts = 4;
constexpr int kConnectRetryMilliseconds = 5;

using Clock = std::chrono::steady_clock;

Display* Connect()
{
  for (int attempt = 1;; ++attempt) {
    if (Display* display = XOpenDisplay(nullptr)) return display;
    if (attempt == kConnectAttempts) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(kConnectRetryMilliseconds));
  }
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, void* ptr = nullptr)
{
  return e->dispatcher(e, opcode, 0, 0, ptr, 0.0f);
}

// Waits until window is mapped (its MapNotify arrives).
bool WaitForMap(Display* display, ::Window window)
{
  const auto deadline = Clock::now() + std::chrono::milliseconds(kMapTimeoutMilliseconds);
  while (Clock::now() < deadline) {
    while (XPending(display) > 0) {
      XEvent e;
      XNextEvent(display, &e);
      if (e.type == MapNotify && e.xmap.window == window) return true;
    }
    pollfd p = {ConnectionNumber(display), POLLIN, 0};
    poll(&p, 1, kIdleMilliseconds);
  }
  return false;
}

}  // namespace

EditorFrameX11::~EditorFrameX11()
{
  Close();
  if (!mDisplay) return;
  if (mFrame) XDestroyWindow(mDisplay, mFrame);
  XCloseDisplay(mDisplay);
}

bool EditorFrameX11::Create(int x, int y)
{
  mDisplay = Connect();
  if (!mDisplay) {
    mError = "cannot open the X display (is DISPLAY set?)";
    return false;
  }
  const int screen = DefaultScreen(mDisplay);
  XSetWindowAttributes attributes = {};
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(mDisplay, screen);
  attributes.event_mask = StructureNotifyMask;
  mFrame = XCreateWindow(mDisplay, RootWindow(mDisplay, screen), x, y, static_cast<unsigned>(mWidth),
                         static_cast<unsigned>(mHeight), 0, CopyFromParent, InputOutput, CopyFromParent,
                         CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XMapRaised(mDisplay, mFrame);
  if (!WaitForMap(mDisplay, mFrame)) {
    mError = "the X server did not show the window";
    return false;
  }
  return true;
}

void EditorFrameX11::Resize(int width, int height)
{
  mWidth = width;
  mHeight = height;
  XResizeWindow(mDisplay, mFrame, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XSync(mDisplay, False);
}

bool EditorFrameX11::Open(AEffect* effect)
{
  Close();
  if (!mFrame) {
    mError = "there is no frame window";
    return false;
  }
  if (!effect || !(effect->flags & effFlagsHasEditor)) {
    mError = "the plug-in has no editor";
    return false;
  }
  int w = kProvisionalEditorWidth, h = kProvisionalEditorHeight;
  if (ReadEditorRect(effect, &w, &h) == EditorRectAnswer::Unusable) {
    mError = "the plug-in reports an unusable editor size before opening";
    return false;
  }
  Resize(w, h);
  if (!Dispatch(effect, effEditOpen, reinterpret_cast<void*>(static_cast<uintptr_t>(mFrame)))) {
    mError = "the plug-in did not open its editor";
    return false;
  }
  mOpen = effect;
  // Hosts fit their frame to the editor once it is open.
  if (!EditorRectSize(effect, &w, &h)) {
    Close();
    mError = "the plug-in reports no usable editor size once its editor is open";
    return false;
  }
  Resize(w, h);
  return true;
}

void EditorFrameX11::DrainEvents()
{
  while (XPending(mDisplay) > 0) {
    XEvent e;
    XNextEvent(mDisplay, &e);
  }
}

void EditorFrameX11::Idle(int milliseconds)
{
  const auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
  do {
    if (mOpen) Dispatch(mOpen, effEditIdle);
    DrainEvents();
    if (Clock::now() >= end) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMilliseconds));
  } while (true);
}

bool EditorFrameX11::HasViewableChild()
{
  ::Window root, parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(mDisplay, mFrame, &root, &parent, &children, &count)) return false;
  bool viewable = false;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(mDisplay, children[i], &a) && a.map_state == IsViewable) viewable = true;
  }
  if (children) XFree(children);
  return viewable;
}

bool EditorFrameX11::IdleUntilShown()
{
  const auto giveUp = Clock::now() + std::chrono::milliseconds(kMapTimeoutMilliseconds);
  while (Clock::now() < giveUp) {
    if (HasViewableChild()) return true;
    Idle(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMilliseconds));
  }
  return false;
}

void EditorFrameX11::Close()
{
  if (!mOpen) return;
  Dispatch(mOpen, effEditClose);
  mOpen = nullptr;
  DrainEvents();
}

namespace {

// The platform-neutral face of the X11 frame.
class EditorHostFrameX11 : public EditorHostFrame
{
public:
  bool Create(int x, int y) { return mFrame.Create(x, y); }
  bool Open(AEffect* effect) override { return mFrame.Open(effect); }
  void Drive(int milliseconds) override { mFrame.Idle(milliseconds); }
  void Close() override { mFrame.Close(); }
  void* NativeWindow() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(mFrame.Frame())); }
  void HandlePending() override { mFrame.DrainEvents(); }
  const std::string& Error() const override { return mFrame.Error(); }

private:
  EditorFrameX11 mFrame;
};

}  // namespace

std::unique_ptr<EditorHostFrame> MakeEditorHostFrame(int x, int y, std::string& error)
{
  std::unique_ptr<EditorHostFrameX11> frame(new EditorHostFrameX11);
  if (!frame->Create(x, y)) {
    error = frame->Error();
    return nullptr;
  }
  return frame;
}
