// The editor's native window: class registration, opening and closing, the
// window procedure, painting, the redraw timer, resizing, message boxes, the
// cursor and the module's images.
#include "graphics/win/GraphicsWin.h"

#include "graphics/ImageLookup.h"
#include "graphics/win/EditorKeys.h"
#include "raster/Bitmap.h"

namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE;
// Resizing keeps position, z-order and activation.
constexpr UINT kResizeFlags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE;
// Longest native class name recorded for the host's top-level window.
constexpr int kClassNameChars = 128;

// Editor windows of this module that exist; the class is registered while
// this is above zero. UI thread only.
int gOpenWindows = 0;
// Set when unregistering the class failed because a window of it was still
// being destroyed; the next close or destruction tries again.
bool gClassLingers = false;

// The module this code is linked into: the plug-in's library (or the program
// itself when linked into one), whose resources hold the editor's images.
HINSTANCE ThisModule()
{
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

bool RegisterEditorClass(HINSTANCE module, WNDPROC proc)
{
  WNDCLASSA wc = {};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = proc;
  wc.hInstance = module;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kEditorWindowClass;
  if (RegisterClassA(&wc)) return true;
  // A class left registered by a window destroyed under us is reused.
  return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Counts one more window; registers the class for the first.
bool AcquireClass(HINSTANCE module, WNDPROC proc)
{
  if (gOpenWindows++ > 0) return true;
  gClassLingers = false;
  return RegisterEditorClass(module, proc);
}

void TryUnregister(HINSTANCE module) { gClassLingers = !UnregisterClassA(kEditorWindowClass, module); }

// Counts one window less; unregisters the class after the last.
void ReleaseClass(HINSTANCE module)
{
  if (gOpenWindows <= 0) return;
  if (--gOpenWindows == 0) TryUnregister(module);
}

void RetryClassRelease(HINSTANCE module)
{
  if (gOpenWindows == 0 && gClassLingers) TryUnregister(module);
}

int SignedLow(LPARAM v) { return static_cast<short>(LOWORD(static_cast<DWORD_PTR>(v))); }
int SignedHigh(LPARAM v) { return static_cast<short>(HIWORD(static_cast<DWORD_PTR>(v))); }

IMouseMods ModsFrom(WPARAM keyState)
{
  IMouseMods m;
  m.left = (keyState & MK_LBUTTON) != 0;
  m.right = (keyState & MK_RBUTTON) != 0;
  m.shift = (keyState & MK_SHIFT) != 0;
  m.ctrl = (keyState & MK_CONTROL) != 0;
  m.alt = GetKeyState(VK_MENU) < 0;
  return m;
}

RECT ToRect(const IArea& a) { return RECT{a.left, a.top, a.right, a.bottom}; }

void ForwardToRoot(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
  HWND root = GetAncestor(hwnd, GA_ROOT);
  if (root && root != hwnd) SendMessageA(root, msg, wp, lp);
}

bool IsPlainChild(HWND w)
{
  const LONG style = GetWindowLongA(w, GWL_STYLE);
  const LONG exStyle = GetWindowLongA(w, GWL_EXSTYLE);
  return (style & WS_CHILD) != 0 && (exStyle & WS_EX_MDICHILD) == 0;
}

void GrowWindow(HWND w, const RECT& r, int dw, int dh)
{
  SetWindowPos(w, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh, kResizeFlags);
}

// The host's top-level window, found by its process and class name.
struct TopWindowSearch
{
  DWORD processId;
  const char* className;
  HWND found;
};

BOOL CALLBACK MatchTopWindow(HWND w, LPARAM param)
{
  TopWindowSearch* s = reinterpret_cast<TopWindowSearch*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != s->processId) return TRUE;
  char name[kClassNameChars + 1] = {};
  GetClassNameA(w, name, sizeof name);
  if (lstrcmpA(name, s->className) != 0) return TRUE;
  s->found = w;
  return FALSE;
}

}  // namespace

COLORREF NativeColour(const IRgba& colour)
{
  const uint32_t p = colour.Pixel();
  return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

IGraphicsWin::IGraphicsWin(IPlugBase* plug, int width, int height, int frameRate)
  : IGraphics(plug, width, height, frameRate), mModule(ThisModule())
{
}

IGraphicsWin::~IGraphicsWin()
{
  // The core is being destroyed: nothing is routed to it any more.
  if (mWindow) {
    EndTextEntry();
    DestroyTooltips();
    DestroyWindowNow();
  }
  RetryClassRelease(mModule);
  delete[] mCustomColours;
  mCustomColours = nullptr;
}

int IGraphicsWin::OpenWindowCount() { return gOpenWindows; }

bool IGraphicsWin::Present(const IArea& area)
{
  if (!mWindow) return false;
  LICE_IBitmap* surface = Surface();
  HDC source = surface ? static_cast<HDC>(surface->DeviceContext()) : nullptr;
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (mPainting) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(mWindow, &ps);
    if (dc && source) BitBlt(dc, area.left, area.top, w, h, source, area.left, area.top, SRCCOPY);
    EndPaint(mWindow, &ps);
    return true;
  }
  // Outside a paint: straight onto the window, and that part is now valid.
  HDC dc = GetDC(mWindow);
  if (dc && source) BitBlt(dc, area.left, area.top, w, h, source, area.left, area.top, SRCCOPY);
  if (dc) ReleaseDC(mWindow, dc);
  const RECT r = ToRect(area);
  ValidateRect(mWindow, &r);
  return true;
}

void IGraphicsWin::CancelTextEntry()
{
  if (mEntryWindow) mEntryState = kEntryCancel;
}

void IGraphicsWin::SetEditorSize(int width, int height) { ResizeWithFrames(width, height); }

void IGraphicsWin::BeforeResize()
{
  // The controls go away with the old size; an entry must not outlive its
  // control, nor a tooltip its index.
  EndTextEntry();
  HideTooltip();
  mTooltipIndex = -1;
  mWheel.Reset();
}

void IGraphicsWin::GrowFrames(int dw, int dh)
{
  RECT own, parentRect = {}, grandRect = {};
  GetWindowRect(mWindow, &own);
  HWND parent = nullptr, grand = nullptr;
  if (IsPlainChild(mWindow)) {
    parent = GetParent(mWindow);
    if (parent && GetWindowRect(parent, &parentRect) && IsPlainChild(parent)) {
      grand = GetParent(parent);
      if (grand && !GetWindowRect(grand, &grandRect)) grand = nullptr;
    }
  }
  GrowWindow(mWindow, own, dw, dh);
  if (parent) GrowWindow(parent, parentRect, dw, dh);
  if (grand) GrowWindow(grand, grandRect, dw, dh);
  const RECT all = {0, 0, Width(), Height()};
  InvalidateRect(mWindow, &all, FALSE);
}

bool IGraphicsWin::IsOpen() { return mWindow != nullptr; }

const char* IGraphicsWin::BackendName() { return "Windows GDI"; }

HWND IGraphicsWin::FindHostTopWindow()
{
  // A window the host has closed since is forgotten and searched again.
  if (mHostTop && !IsWindow(mHostTop)) mHostTop = nullptr;
  if (mHostParent && !IsWindow(mHostParent)) mHostParent = nullptr;
  if (mHostTop) return mHostTop;
  if (mHostParent) {
    HWND top = mHostParent;
    while (HWND up = GetParent(top)) top = up;
    mHostTop = top;
    char name[kClassNameChars + 1] = {};
    if (GetClassNameA(top, name, sizeof name) > 0) mHostClassName.Set(name, kClassNameChars);
    return mHostTop;
  }
  if (mHostClassName.Length() == 0) return nullptr;
  mHostProcessId = GetCurrentProcessId();
  TopWindowSearch search = {mHostProcessId, mHostClassName.Get(), nullptr};
  EnumWindows(MatchTopWindow, reinterpret_cast<LPARAM>(&search));
  mHostTop = search.found;
  return mHostTop;
}

int IGraphicsWin::ShowMessage(const char* text, const char* caption, int type)
{
  return MessageBoxA(FindHostTopWindow(), text ? text : "", caption ? caption : "", static_cast<UINT>(type));
}

void* IGraphicsWin::OpenEditor(void* parentWindow)
{
  HWND parent = static_cast<HWND>(parentWindow);
  int x = 0, y = 0, w = Width(), h = Height();
  mHostParent = parent;
  if (mWindow) {
    RECT parentRect, own;
    if (GetWindowRect(parent, &parentRect) && GetWindowRect(mWindow, &own)) {
      x = own.left - parentRect.left;
      y = own.top - parentRect.top;
      w = own.right - own.left;
      h = own.bottom - own.top;
    }
    CloseEditor();
  }
  if (!AcquireClass(mModule, WindowProc)) {
    ReleaseClass(mModule);
    return nullptr;
  }
  HWND created = CreateWindowExA(0, kEditorWindowClass, kEditorWindowTitle, kChildStyle, x, y, w, h, parent,
                                 nullptr, mModule, this);
  if (!created) {
    mWindow = nullptr;
    ReleaseClass(mModule);
    return nullptr;
  }
  mWindow = created;
  // Everything is drawn on the first paint.
  MarkAllDirty();
  if (TooltipsEnabled()) SetUpTooltips();
  return mWindow;
}

void IGraphicsWin::CloseEditor()
{
  if (!mWindow) {
    RetryClassRelease(mModule);
    return;
  }
  EndTextEntry();
  DestroyTooltips();
  // A gesture cut short by the closing still ends for the host.
  EndCapturedGesture();
  DestroyWindowNow();
}

void IGraphicsWin::DestroyWindowNow()
{
  HWND w = mWindow;
  // Messages sent while the window goes are no longer this editor's.
  mWindow = nullptr;
  DestroyWindow(w);
  ReleaseClass(mModule);
  ReleasePointer();
  mWheel.Reset();
}

void IGraphicsWin::OnDestroyedUnderUs()
{
  // The box and the tooltip went with their parent and owner.
  if (mEntryWindow) {
    mEntryWindow = nullptr;
    mEntryPreviousProc = nullptr;
    mEntryControl = nullptr;
    mEntryParam = nullptr;
    mEntryState = kEntryIdle;
    DeleteObject(mEntryFont);
    mEntryFont = nullptr;
  }
  mTooltipWindow = nullptr;
  mTooltipShown = false;
  mTooltipIndex = -1;
  EndCapturedGesture();
  mWindow = nullptr;
  // The window still exists while this runs, so the class can only go on
  // the next close or destruction.
  if (gOpenWindows > 0 && --gOpenWindows == 0) gClassLingers = true;
  ReleasePointer();
  mWheel.Reset();
}

void* IGraphicsWin::NativeWindow() { return mWindow; }

void IGraphicsWin::HideCursor()
{
  if (mCursorHidden) return;
  POINT p;
  if (GetCursorPos(&p)) {
    mSavedCursorX = p.x;
    mSavedCursorY = p.y;
  }
  ShowCursor(FALSE);
  mCursorHidden = true;
}

void IGraphicsWin::RestoreCursor()
{
  if (!mCursorHidden) return;
  SetCursorPos(mSavedCursorX, mSavedCursorY);
  ShowCursor(TRUE);
  mCursorHidden = false;
}

LICE_IBitmap* IGraphicsWin::LoadImageResource(int resourceId, const char* name)
{
  return LoadEmbeddedPng(mModule, resourceId, name);
}

LRESULT CALLBACK IGraphicsWin::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
  if (msg == WM_CREATE) {
    const CREATESTRUCTA* cs = reinterpret_cast<const CREATESTRUCTA*>(lp);
    IGraphicsWin* editor = cs ? static_cast<IGraphicsWin*>(cs->lpCreateParams) : nullptr;
    if (!editor) return -1;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(editor));
    editor->OnCreate(hwnd);
    return 0;
  }
  IGraphicsWin* editor = reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!editor || editor->mWindow != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
  return editor->HandleMessage(hwnd, msg, wp, lp);
}

void IGraphicsWin::OnCreate(HWND hwnd)
{
  mWindow = hwnd;
  SetTimer(hwnd, kRedrawTimerId, static_cast<UINT>(TickMilliseconds()), nullptr);
  SetFocus(hwnd);
}

LRESULT IGraphicsWin::HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
  // While the user types, the editor only listens for a press that cancels
  // (and still colours the box).
  if (mEntryWindow && mEntryState == kEntryEditing && msg != WM_NCDESTROY && msg != WM_CTLCOLOREDIT) {
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN) {
      mEntryState = kEntryCancel;
      return 0;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return 0;
    case WM_PAINT: OnPaint(hwnd); return 0;
    case WM_CLOSE: CloseEditor(); return 0;
    case WM_TIMER:
      if (wp == kRedrawTimerId) OnTimer();
      return 0;
    case WM_KEYDOWN: return OnKeyDown(hwnd, wp, lp);
    case WM_KEYUP:
      ForwardToRoot(hwnd, msg, wp, lp);
      return DefWindowProcA(hwnd, msg, wp, lp);
    case WM_CTLCOLOREDIT: return EntryColours(reinterpret_cast<HDC>(wp));
    case WM_MOUSEMOVE: OnMouseMove(hwnd, wp, lp); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: OnButtonDown(hwnd, wp, lp); return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: OnButtonUp(wp, lp); return 0;
    case WM_LBUTTONDBLCLK:
      HideTooltip();
      if (mEntryWindow) {
        mEntryState = kEntryCommit;
        return 0;
      }
      if (RouteDoubleClick(SignedLow(lp), SignedHigh(lp), ModsFrom(wp))) SetCapture(hwnd);
      return 0;
    case WM_MOUSEWHEEL: OnWheel(hwnd, wp, lp); return 0;
    case WM_MOUSEHOVER: ShowTooltip(); return 0;
    case WM_MOUSELEAVE:
      HideTooltip();
      RouteLeave();
      return 0;
    case WM_CAPTURECHANGED: OnCaptureLost(reinterpret_cast<HWND>(lp)); return 0;
    case WM_NCDESTROY: OnDestroyedUnderUs(); return DefWindowProcA(hwnd, msg, wp, lp);
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

void IGraphicsWin::OnPaint(HWND hwnd)
{
  RECT r;
  if (!GetUpdateRect(hwnd, &r, FALSE)) return;
  mPainting = true;
  RedrawArea(IArea{r.left, r.top, r.right, r.bottom});
  mPainting = false;
  // Without controls nothing was presented; the region must not stay
  // invalid, or the system would ask again at once.
  if (ControlCount() == 0) ValidateRect(hwnd, nullptr);
}

void IGraphicsWin::OnTimer()
{
  if (mEntryWindow && mEntryState != kEntryIdle) {
    EntryTimerStep();
  } else {
    RedrawTick();
  }
}

void IGraphicsWin::RedrawTick()
{
  IArea dirty;
  if (!TickDirtyArea(&dirty)) return;
  const RECT r = ToRect(dirty);
  InvalidateRect(mWindow, &r, FALSE);
  if (mEntryWindow && mEntryControl) {
    // The open box is not painted over.
    const RECT box = ToRect(mEntryControl->DrawArea());
    ValidateRect(mWindow, &box);
    UpdateWindow(mWindow);
    mEntryState = kEntryRepainted;
    return;
  }
  UpdateWindow(mWindow);
}

LRESULT IGraphicsWin::OnKeyDown(HWND hwnd, WPARAM wp, LPARAM lp)
{
  EditorKey key;
  if (EditorKeyFor(static_cast<unsigned>(wp), &key)) {
    POINT p = {0, 0};
    GetCursorPos(&p);
    ScreenToClient(hwnd, &p);
    if (RouteKeyDown(p.x, p.y, key)) return 0;
  }
  // Host shortcuts keep working while the editor has the focus.
  ForwardToRoot(hwnd, WM_KEYDOWN, wp, lp);
  return DefWindowProcA(hwnd, WM_KEYDOWN, wp, lp);
}

void IGraphicsWin::OnButtonDown(HWND hwnd, WPARAM wp, LPARAM lp)
{
  HideTooltip();
  if (mEntryWindow) {
    mEntryState = kEntryCommit;
    return;
  }
  SetFocus(hwnd);
  SetCapture(hwnd);
  RouteMouseDown(SignedLow(lp), SignedHigh(lp), ModsFrom(wp));
}

void IGraphicsWin::OnButtonUp(WPARAM wp, LPARAM lp)
{
  ReleaseCaptureQuietly();
  RouteMouseUp(SignedLow(lp), SignedHigh(lp), ModsFrom(wp));
}

void IGraphicsWin::ReleaseCaptureQuietly()
{
  mReleasingCapture = true;
  ReleaseCapture();
  mReleasingCapture = false;
}

void IGraphicsWin::OnCaptureLost(HWND newOwner)
{
  // Another window took the pointer in the middle of a gesture (a system
  // dialog, a switch of application): the gesture ends here for the host.
  if (mReleasingCapture || newOwner == mWindow) return;
  EndCapturedGesture();
}

void IGraphicsWin::OnMouseMove(HWND hwnd, WPARAM wp, LPARAM lp)
{
  const int x = SignedLow(lp), y = SignedHigh(lp);
  if (wp & (MK_LBUTTON | MK_RBUTTON)) {
    if (GetCapture() == hwnd && !mEntryWindow) RouteMouseDrag(x, y, ModsFrom(wp));
    return;
  }
  if (!HoverTracking()) return;
  RouteHover(x, y, ModsFrom(wp));
  TrackPointer(HoverIndex());
}

void IGraphicsWin::OnWheel(HWND hwnd, WPARAM wp, LPARAM lp)
{
  if (mEntryWindow) {
    mEntryState = kEntryCancel;
    return;
  }
  const int delta = static_cast<short>(HIWORD(wp));
  RECT r;
  if (!GetWindowRect(hwnd, &r)) return;
  // The position comes in screen coordinates.
  const int x = SignedLow(lp) - r.left, y = SignedHigh(lp) - r.top;
  const int notches = mWheel.Take(delta, FindControlAt(x, y, false));
  if (notches != 0) RouteWheel(x, y, ModsFrom(LOWORD(wp)), notches);
}
