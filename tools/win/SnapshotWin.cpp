// Editor snapshots on Windows: the editor is opened in a top-level window of
// ours, painted, and the window's pixels are read back from the screen.
#include <windows.h>

#include <png.h>

#include <vector>

#include "tools/HostedPlugin.h"
#include "tools/Snapshot.h"

namespace {

constexpr const char* kWindowClass = "VexaHostSnapshot";
// Editors larger than this are not believed.
constexpr int kMaxEditorSide = 8192;
// How long messages are pumped after the first paint, so timer-driven
// redraws (a few frames of a 25 Hz editor) have happened too.
constexpr DWORD kSettleMilliseconds = 300;

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd, msg, wp, lp); }

void Pump(DWORD milliseconds)
{
  const DWORD start = GetTickCount();
  MSG msg;
  while (GetTickCount() - start < milliseconds) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    Sleep(5);
  }
}

bool EditorSize(HostedPlugin& host, int* w, int* h)
{
  ERect* rect = nullptr;
  if (!host.Dispatch(effEditGetRect, 0, 0, &rect) || !rect) return false;
  *w = rect->right - rect->left;
  *h = rect->bottom - rect->top;
  return *w > 0 && *h > 0 && *w <= kMaxEditorSide && *h <= kMaxEditorSide;
}

bool WritePng(const std::string& path, const std::vector<unsigned char>& bgra, int w, int h)
{
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_BGRA;
  const int ok = png_image_write_to_file(&image, path.c_str(), 0, bgra.data(), w * 4, nullptr);
  png_image_free(&image);
  return ok != 0;
}

// Reads the window's pixels from the screen into top-down BGRA bytes, alpha
// set opaque.
bool Capture(HWND hwnd, int w, int h, std::vector<unsigned char>& bgra)
{
  HDC screen = GetDC(hwnd);
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
      const unsigned char* p = static_cast<const unsigned char*>(bits);
      bgra.assign(p, p + static_cast<size_t>(w) * static_cast<size_t>(h) * 4);
      for (size_t i = 3; i < bgra.size(); i += 4) bgra[i] = 255;
    }
  }
  if (dib) DeleteObject(dib);
  if (mem) DeleteDC(mem);
  ReleaseDC(hwnd, screen);
  return ok;
}

}  // namespace

bool SnapshotEditor(HostedPlugin& host, const std::string& pngPath, std::string& error)
{
  AEffect* e = host.Effect();
  if (!e || !(e->flags & effFlagsHasEditor)) {
    error = "the plug-in has no editor";
    return false;
  }
  int w = 0, h = 0;
  if (!EditorSize(host, &w, &h)) {
    error = "the plug-in reports no usable editor size";
    return false;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = instance;
  wc.lpszClassName = kWindowClass;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RegisterClassA(&wc);
  HWND frame = CreateWindowExA(WS_EX_TOPMOST, kWindowClass, "vexa-host", WS_POPUP | WS_VISIBLE, 0, 0, w, h, nullptr,
                               nullptr, instance, nullptr);
  if (!frame) {
    error = "cannot create a window (is there a display?)";
    return false;
  }
  if (!host.Dispatch(effEditOpen, 0, 0, frame)) {
    DestroyWindow(frame);
    error = "the plug-in did not open its editor";
    return false;
  }
  // Hosts size their frame to the editor after opening it.
  if (EditorSize(host, &w, &h)) SetWindowPos(frame, HWND_TOPMOST, 0, 0, w, h, SWP_SHOWWINDOW);
  // Paint now, synchronously, children included: the first paint is done
  // when this returns.
  RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_ERASE);
  Pump(kSettleMilliseconds);
  RedrawWindow(frame, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  std::vector<unsigned char> pixels;
  const bool captured = Capture(frame, w, h, pixels);
  host.Dispatch(effEditClose);
  DestroyWindow(frame);
  Pump(20);
  if (!captured) {
    error = "cannot read the window's pixels";
    return false;
  }
  if (!WritePng(pngPath, pixels, w, h)) {
    error = "cannot write " + pngPath;
    return false;
  }
  return true;
}
