// A minimal plug-in module with an editor that paints a known pattern: the
// left half red, the right half blue, 80 x 60 pixels. Used to test the host
// tool's editor snapshots.
#include <windows.h>

#include <cstring>

#include "vst/VstDefs.h"

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 60;
ERect gRect = {0, 0, kHeight, kWidth};
HWND gChild = nullptr;
AEffect gEffect;

LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
  if (msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT left = {0, 0, kWidth / 2, kHeight}, right = {kWidth / 2, 0, kWidth, kHeight};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &left, red);
    FillRect(dc, &right, blue);
    DeleteObject(red);
    DeleteObject(blue);
    EndPaint(hwnd, &ps);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

VstIntPtr Dispatcher(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
{
  switch (opcode) {
    case effEditGetRect:
      if (!ptr) return 0;
      *static_cast<ERect**>(ptr) = &gRect;
      return 1;
    case effEditOpen: {
      WNDCLASSA wc = {};
      wc.lpfnWndProc = ChildProc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "FakeEditorChild";
      RegisterClassA(&wc);
      gChild = CreateWindowExA(0, "FakeEditorChild", "", WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight,
                               static_cast<HWND>(ptr), nullptr, wc.hInstance, nullptr);
      return gChild ? 1 : 0;
    }
    case effEditClose:
      if (gChild) DestroyWindow(gChild);
      gChild = nullptr;
      return 1;
    default: return 0;
  }
}

}  // namespace

extern "C" __declspec(dllexport) AEffect* VSTPluginMain(audioMasterCallback)
{
  std::memset(&gEffect, 0, sizeof gEffect);
  gEffect.magic = kEffectMagic;
  gEffect.dispatcher = Dispatcher;
  gEffect.flags = effFlagsHasEditor;
  gEffect.ioRatio = 1.0f;
  return &gEffect;
}
