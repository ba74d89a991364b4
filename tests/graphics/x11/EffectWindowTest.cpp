// Vexa's editor in a real X11 window, opened through an adapter of the
// tests' own (tests/plugin/effect/PlugAdapter.h) rather than a host
// interface: the window layer and the layout need nothing of any adapter
// beyond the core. The window shows what the editor drew, and a click in it
// reaches the host through the adapter as one edit.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "graphics/EditorWindow.h"
#include "graphics/x11/GraphicsX11.h"
#include "plugin/Vexa.h"
#include "plugin/VexaEditor.h"
#include "raster/Bitmap.h"
#include "tests/x11/HostWindow.h"

namespace {

constexpr int kWaitMilliseconds = 3000;
// The Sequence switch's place in the layout.
constexpr int kSwitchX = 0, kSwitchY = 192, kSwitchWidth = 122, kSwitchHeight = 30;

void BuildWindowEditor(Vexa& plug) { ASSERT_TRUE(BuildVexaEditor(plug, MakeEditorWindow)); }

class EffectWindow : public x11test::HostWindowTest
{
protected:
  void SetUp() override
  {
    ASSERT_NO_FATAL_FAILURE(Connect());
    plug = std::make_unique<Vexa>(&host, BuildWindowEditor);
    plug->Open();
    MapParent(kVexaEditorWidth, kVexaEditorHeight);
  }

  void TearDown() override
  {
    if (plug) plug->CloseEditor();
    plug.reset();
    Disconnect();
  }

  IGraphicsX11* Editor() const { return static_cast<IGraphicsX11*>(plug->Editor()); }

  // Idle calls until done() or the wait runs out; false then.
  template <class Done>
  bool IdleUntil(Done done)
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMilliseconds);
    while (std::chrono::steady_clock::now() < end) {
      Editor()->IdleEditor();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }

  // The editor's pixels in the window that differ from its drawing surface;
  // counts the black ones (the parent's own background) in black.
  int PixelsUnlikeSurface(int* black)
  {
    XImage* image = XGetImage(display, parent, 0, 0, kVexaEditorWidth, kVexaEditorHeight, AllPlanes, ZPixmap);
    if (!image) return -1;
    LICE_IBitmap* s = Editor()->Surface();
    int differing = 0;
    *black = 0;
    for (int y = 0; y < kVexaEditorHeight; ++y) {
      for (int x = 0; x < kVexaEditorWidth; ++x) {
        const uint32_t shown = static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu;
        if (shown != (s->Pixels()[y * s->Stride() + x] & 0xFFFFFFu)) ++differing;
        if (shown == 0) ++*black;
      }
    }
    XDestroyImage(image);
    return differing;
  }

  TestHost host;
  std::unique_ptr<Vexa> plug;
};

}  // namespace

TEST_F(EffectWindow, OpensThroughTheAdapterAndShowsTheDrawing)
{
  ASSERT_NE(Editor(), nullptr);
  void* window = plug->OpenEditor(reinterpret_cast<void*>(static_cast<uintptr_t>(parent)));
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(Editor()->IsOpen());
  ASSERT_TRUE(IdleUntil([&] { return Editor()->PresentCount() > 0; }));
  XSync(display, False);
  int black = 0;
  EXPECT_EQ(PixelsUnlikeSurface(&black), 0);
  EXPECT_LT(black, kVexaEditorWidth * kVexaEditorHeight / 2);

  plug->CloseEditor();
  EXPECT_FALSE(Editor()->IsOpen());
}

TEST_F(EffectWindow, AClickOnTheSwitchIsOneEditForTheHost)
{
  ASSERT_NE(plug->OpenEditor(reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), nullptr);
  ASSERT_TRUE(IdleUntil([&] { return Editor()->PresentCount() > 0; }));
  EXPECT_EQ(plug->ParameterAt(kParamSequence)->Value(), 0.0);

  XTestFakeMotionEvent(display, -1, kSwitchX + kSwitchWidth / 2, kSwitchY + kSwitchHeight / 2, CurrentTime);
  XTestFakeButtonEvent(display, Button1, True, CurrentTime);
  XTestFakeButtonEvent(display, Button1, False, CurrentTime);
  XSync(display, False);
  ASSERT_TRUE(IdleUntil([&] {
    return !host.calls.empty() && host.calls.back().call == TestHost::Call::kEndEdit;
  }));

  EXPECT_EQ(plug->ParameterAt(kParamSequence)->Value(), 1.0);
  ASSERT_GE(host.calls.size(), 3u);
  EXPECT_EQ(host.calls.front().call, TestHost::Call::kBeginEdit);
  EXPECT_EQ(host.calls.front().index, kParamSequence);
  bool changedToOne = false;
  for (const TestHost::Record& r : host.calls) {
    EXPECT_EQ(r.index, kParamSequence);
    if (r.call == TestHost::Call::kChange && r.normalized == 1.0) changedToOne = true;
  }
  EXPECT_TRUE(changedToOne);
}
