#pragma once
// What the in-process tests of the Windows editor window share: a plug-in
// whose host calls are recorded, probe controls that record what reaches
// them and paint their area in a colour of their value, and a top-level
// window standing in for the host's frame.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "graphics/BitmapControls.h"
#include "graphics/win/GraphicsWin.h"
#include "plugin/Vexa.h"
#include "raster/Bitmap.h"

// One call the plug-in made into the host.
struct RecordedCall
{
  int opcode;
  int index;
  float opt;
};

inline std::vector<RecordedCall>& RecordedCalls()
{
  static std::vector<RecordedCall> calls;
  return calls;
}

inline VstIntPtr RecordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
  RecordedCalls().push_back(RecordedCall{opcode, index, opt});
  return opcode == audioMasterVersion ? 2400 : 0;
}

// The recorded calls of the edit kinds (begin, automate, end), in order.
inline std::vector<RecordedCall> EditCalls()
{
  std::vector<RecordedCall> edits;
  for (const RecordedCall& c : RecordedCalls()) {
    if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterAutomate || c.opcode == audioMasterEndEdit) {
      edits.push_back(c);
    }
  }
  return edits;
}

// The colour a probe paints at value v (0x00RRGGBB).
inline uint32_t ProbeColour(uint32_t base, double v) { return base ^ (static_cast<uint32_t>(v * 255.0) & 0xFF); }

// A knob-like control that records every event and paints its area.
class ProbeControl : public IKnobControl
{
public:
  ProbeControl(IPlugBase* plug, const IArea& area, int paramIndex, uint32_t colour)
    : IKnobControl(plug, area, paramIndex, kKnobVertical, 4.0), mColour(colour)
  {
  }

  void MouseDown(int x, int y, const IMouseMods& mods) override
  {
    ++downs;
    lastMods = mods;
    IKnobControl::MouseDown(x, y, mods);
  }
  void MouseUp(int, int, const IMouseMods&) override { ++ups; }
  void MouseDrag(int x, int y, int dx, int dy, const IMouseMods& mods) override
  {
    ++drags;
    IKnobControl::MouseDrag(x, y, dx, dy, mods);
  }
  void MouseDoubleClick(int x, int y, const IMouseMods& mods) override
  {
    ++doubles;
    IKnobControl::MouseDoubleClick(x, y, mods);
  }
  void MouseWheel(int x, int y, const IMouseMods& mods, int notches) override
  {
    wheels.push_back(notches);
    IKnobControl::MouseWheel(x, y, mods, notches);
  }
  bool KeyDown(int, int, EditorKey key) override
  {
    keys.push_back(key);
    return takesKeys;
  }
  void TakeUserText(const char* text) override { texts.push_back(text); }
  bool Render(IGraphics* editor) override
  {
    LICE_IBitmap* s = editor->Surface();
    const IArea a = DrawArea().Intersect(editor->DrawClip());
    if (!s || a.Width() <= 0 || a.Height() <= 0) return true;
    ++renders;
    const PixelValue p = 0xFF000000u | ProbeColour(mColour, Value());
    for (int y = a.top; y < a.bottom; ++y) {
      for (int x = a.left; x < a.right; ++x) LICE_RowAddress(s, y)[x] = p;
    }
    return true;
  }

  uint32_t Colour() const { return ProbeColour(mColour, Value()); }

  // renders counts the paints that reached at least one pixel.
  int downs = 0, ups = 0, drags = 0, doubles = 0, renders = 0;
  IMouseMods lastMods;
  std::vector<int> wheels;
  std::vector<int> keys;
  std::vector<std::string> texts;
  bool takesKeys = false;

private:
  uint32_t mColour;
};

// Keys the stand-in host frames received.
inline std::vector<UINT>& FrameKeys()
{
  static std::vector<UINT> keys;
  return keys;
}

inline LRESULT CALLBACK HostFrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
  if (msg == WM_KEYDOWN || msg == WM_KEYUP) FrameKeys().push_back(msg == WM_KEYDOWN ? static_cast<UINT>(wp) : 0);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// Creates a window of class className with HostFrameProc (the class is
// registered on first use).
inline HWND MakeFrameWindow(const char* className, DWORD style, int x, int y, int w, int h, HWND parent)
{
  WNDCLASSA wc = {};
  wc.lpfnWndProc = HostFrameProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = className;
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  RegisterClassA(&wc);
  return CreateWindowExA(0, className, "host", style, x, y, w, h, parent, nullptr, wc.hInstance, nullptr);
}

// A visible top-level window the stand-in frames live in, shared by the
// whole run: taking down a visible top-level window waits for the window
// system (seconds under a bare X server), a child window does not.
inline HWND Desk()
{
  static HWND desk = MakeFrameWindow("EditorTestDesk", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr);
  return desk;
}

// A window of class className standing in for a host's frame: a child of
// parent (the desk unless given), or top-level when parent is null.
// Destroyed with the object unless already gone.
class HostFrame
{
public:
  HostFrame(const char* className, int x, int y, int w, int h, HWND parent = Desk())
  {
    const DWORD style = parent ? (WS_CHILD | WS_VISIBLE) : (WS_POPUP | WS_VISIBLE);
    hwnd = MakeFrameWindow(className, style, x, y, w, h, parent);
  }
  ~HostFrame()
  {
    if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
  }
  HostFrame(const HostFrame&) = delete;
  HostFrame& operator=(const HostFrame&) = delete;

  HWND hwnd = nullptr;
};

// Dispatches this thread's pending messages.
inline void PumpPending()
{
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// An instance with an editor of probes, attached, its host calls recorded:
// index 0 a probe for Mix at (20, 20, 44, 44), index 1 a probe for Output at
// (60, 20, 84, 44), index 2 a probe without parameter at (100, 20, 130, 50)
// that takes keys, index 3 a probe for Sequence at (140, 60, 172, 76). The
// rest of the 200 x 120 editor is no control's.
class EditorFixture : public testing::Test
{
protected:
  static constexpr int kWidth = 200;
  static constexpr int kHeight = 120;

  void SetUp() override
  {
    RecordedCalls().clear();
    FrameKeys().clear();
    plug.reset(new Vexa(RecordingHost));
    editor = new IGraphicsWin(plug.get(), kWidth, kHeight, 25);
    mix = new ProbeControl(plug.get(), IArea{20, 20, 44, 44}, kParamMix, 0x2040A0);
    output = new ProbeControl(plug.get(), IArea{60, 20, 84, 44}, kParamOutput, 0xA04020);
    keyTaker = new ProbeControl(plug.get(), IArea{100, 20, 130, 50}, -1, 0x20A040);
    keyTaker->takesKeys = true;
    sequence = new ProbeControl(plug.get(), IArea{140, 60, 172, 76}, kParamSequence, 0x808080);
    editor->AttachControl(mix);
    editor->AttachControl(output);
    editor->AttachControl(keyTaker);
    editor->AttachControl(sequence);
    plug->AttachEditor(editor);
  }

  void TearDown() override { plug.reset(); }

  // Opens the editor in a new frame on the desk; the editor's window.
  HWND OpenInFrame(int x = 0, int y = 0)
  {
    frame.reset(new HostFrame("EditorTestFrame", x, y, kWidth + 40, kHeight + 40));
    return static_cast<HWND>(editor->OpenEditor(frame->hwnd));
  }

  HWND Window() const { return static_cast<HWND>(editor->NativeWindow()); }

  LRESULT Send(UINT msg, WPARAM wp, int x, int y)
  {
    return SendMessageA(Window(), msg, wp, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
  }

  void Tick() { SendMessageA(Window(), WM_TIMER, kRedrawTimerId, 0); }

  std::unique_ptr<Vexa> plug;
  IGraphicsWin* editor = nullptr;  // owned by plug
  ProbeControl* mix = nullptr;
  ProbeControl* output = nullptr;
  ProbeControl* keyTaker = nullptr;
  ProbeControl* sequence = nullptr;
  std::unique_ptr<HostFrame> frame;
};
