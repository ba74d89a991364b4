#include "tools/win/EditorFrameWin.h"

#include "tools/EditorHost.h"
#include "tools/HostedPlugin.h"

namespace {

constexpr const char* kFrameClass = "VexaHostSnapshot";
// Pause between rounds of pumping, in milliseconds.
constexpr DWORD kPumpSleep = 5;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd, msg, wp, lp); }

void RegisterFrameClass(HINSTANCE instance)
{
  WNDCLASSA wc = {};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = instance;
  wc.lpszClassName = kFrameClass;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RegisterClassA(&wc);
}

}  // namespace

void PumpMessages(DWORD milliseconds)
{
  const DWORD start = GetTickCount();
  MSG msg;
  do {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (GetTickCount() - start >= milliseconds) break;
    Sleep(kPumpSleep);
  } while (true);
}

EditorFrame::EditorFrame(HostedPlugin& host) : EditorFrame(host.Effect()) {}

EditorFrame::EditorFrame(AEffect* effect, int x, int y) : mEffect(effect), mX(x), mY(y) {}

EditorFrame::~EditorFrame()
{
  CloseEditor();
  DestroyFrame();
}

VstIntPtr EditorFrame::Dispatch(VstInt32 opcode, void* ptr)
{
  return mEffect ? mEffect->dispatcher(mEffect, opcode, 0, 0, ptr, 0.0f) : 0;
}

void EditorFrame::SetEffect(AEffect* effect)
{
  CloseEditor();
  mEffect = effect;
}

bool EditorFrame::CreateFrame(int width, int height)
{
  if (mFrame) return true;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  RegisterFrameClass(instance);
  mFrame = CreateWindowExA(WS_EX_TOPMOST, kFrameClass, "vexa-host", WS_POPUP | WS_VISIBLE, mX, mY, width, height,
                           nullptr, nullptr, instance, nullptr);
  if (!mFrame) {
    mError = "cannot create a window (is there a display?)";
    return false;
  }
  return true;
}

bool EditorFrame::Open()
{
  CloseEditor();
  if (!mEffect || !(mEffect->flags & effFlagsHasEditor)) {
    mError = "the plug-in has no editor";
    return false;
  }
  mWidth = kProvisionalEditorWidth;
  mHeight = kProvisionalEditorHeight;
  if (ReadEditorRect(mEffect, &mWidth, &mHeight) == EditorRectAnswer::Unusable) {
    mError = "the plug-in reports an unusable editor size before opening";
    return false;
  }
  if (mFrame) {
    SetWindowPos(mFrame, HWND_TOPMOST, mX, mY, mWidth, mHeight, SWP_SHOWWINDOW);
  } else if (!CreateFrame(mWidth, mHeight)) {
    return false;
  }
  if (!Dispatch(effEditOpen, mFrame)) {
    mError = "the plug-in did not open its editor";
    return false;
  }
  mEditorOpen = true;
  // Hosts size their frame to the editor after opening it.
  if (!EditorRectSize(mEffect, &mWidth, &mHeight)) {
    CloseEditor();
    mError = "the plug-in reports no usable editor size once its editor is open";
    return false;
  }
  SetWindowPos(mFrame, HWND_TOPMOST, mX, mY, mWidth, mHeight, SWP_SHOWWINDOW);
  return true;
}

void EditorFrame::CloseEditor()
{
  if (!mEditorOpen) return;
  Dispatch(effEditClose);
  mEditorOpen = false;
}

void EditorFrame::DestroyFrame()
{
  if (mFrame && IsWindow(mFrame)) DestroyWindow(mFrame);
  mFrame = nullptr;
}

HWND EditorFrame::EditorWindow() const { return mFrame ? GetWindow(mFrame, GW_CHILD) : nullptr; }

void EditorFrame::PaintNow()
{
  if (mFrame) RedrawWindow(mFrame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
}

bool EditorFrame::Capture(WindowPixels* out)
{
  if (!mFrame || !out) return false;
  const int w = mWidth, h = mHeight;
  HDC screen = GetDC(mFrame);
  if (!screen) return false;
  HDC mem = CreateCompatibleDC(screen);
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (mem && dib && bits) {
    HGDIOBJ old = SelectObject(mem, dib);
    ok = BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY) != 0;
    GdiFlush();
    SelectObject(mem, old);
    if (ok) {
      const uint32_t* p = static_cast<const uint32_t*>(bits);
      out->width = w;
      out->height = h;
      out->rgb.assign(p, p + static_cast<size_t>(w) * static_cast<size_t>(h));
      for (uint32_t& v : out->rgb) v &= 0x00FFFFFFu;
    }
  }
  if (dib) DeleteObject(dib);
  if (mem) DeleteDC(mem);
  ReleaseDC(mFrame, screen);
  return ok;
}
