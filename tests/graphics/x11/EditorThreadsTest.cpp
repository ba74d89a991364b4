// The X11 editor window and the audio thread together: one thread processes
// audio and automates a parameter, as hosts do, while the UI thread drives
// the open editor with idle calls (events, ticks, painting) and the X server
// delivers a knob drag; and the window made while an audio block holds the
// instance lock. Built with ThreadSanitizer (the tsan preset) it shows that
// the window layer's work outside the instance lock shares no unguarded data
// with processing; in every build it checks that what crossed arrived.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "graphics/BitmapControls.h"
#include "graphics/EditorCaches.h"
#include "graphics/EditorWindow.h"
#include "graphics/x11/GraphicsX11.h"
#include "plugin/Vexa.h"
#include "raster/Bitmap.h"
#include "tests/graphics/CountingHost.h"
#include "tests/graphics/x11/HostErrorHandlers.h"
#include "tests/x11/HostWindow.h"
#include "vst/EntryPoint.h"

namespace {

using threaded::CountingHostCallback;
using threaded::gCountingHost;
using threaded::StressSeconds;
using x11test::ConnectToServer;

constexpr int kWidth = 200, kHeight = 100;
constexpr int kKnobSide = 40, kKnobFrames = 30, kKnobX = 20, kKnobY = 20;
constexpr int kMeterWidth = 40, kMeterHeight = 10, kMeterFrames = 8;
constexpr int kBackgroundId = 9301, kKnobId = 9302, kMeterId = 9303;
constexpr int kBlock = 256;
constexpr double kDefaultSeconds = 1.0;

template <class Paint>
LICE_MemBitmap* MakeStrip(int w, int h, Paint paint)
{
  LICE_MemBitmap* b = new LICE_MemBitmap(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b->Pixels()[y * b->Stride() + x] = paint(x, y);
  }
  return b;
}

void BuildEditor(Vexa& plug)
{
  if (!FindCachedBitmap(kBackgroundId)) {
    AddCachedBitmap(kBackgroundId, MakeStrip(kWidth, kHeight, [](int x, int y) {
                      return 0xFF000000u | static_cast<uint32_t>(x) << 16 | static_cast<uint32_t>(y) << 8;
                    }));
    AddCachedBitmap(kKnobId, MakeStrip(kKnobSide, kKnobSide * kKnobFrames, [](int x, int y) {
                      return 0x80000000u | static_cast<uint32_t>(y & 0xFF) << 8 | static_cast<uint32_t>(x * 5);
                    }));
    AddCachedBitmap(kMeterId, MakeStrip(kMeterWidth, kMeterHeight * kMeterFrames, [](int x, int y) {
                      return 0xFF000000u | static_cast<uint32_t>(y * 3) << 16 | static_cast<uint32_t>(x);
                    }));
  }
  IGraphics* g = MakeEditorWindow(&plug, kWidth, kHeight, 25);
  g->AttachBackground(new IBitmapControl(&plug, 0, 0, g->LoadBitmapResource(kBackgroundId, "bg.png", 1)));
  g->AttachControl(
      new IKnobMultiControl(&plug, kKnobX, kKnobY, kParamMix, g->LoadBitmapResource(kKnobId, "k.png", kKnobFrames)));
  const IBitmapRef meter = g->LoadBitmapResource(kMeterId, "m.png", kMeterFrames);
  const int reduction = g->AttachControl(new IBitmapControl(&plug, 100, 20, meter));
  const int gate = g->AttachControl(new IBitmapControl(&plug, 100, 50, meter));
  plug.SetMeterControls(reduction, gate);
  plug.AttachEditor(g);
}

IPlugVST* Create(audioMasterCallback host) { return new (std::nothrow) Vexa(host, BuildEditor); }

// A shown top-level window of the editor's size at the origin, for the
// editor to open in.
Window MakeParent(Display* display)
{
  XSetWindowAttributes a = {};
  a.override_redirect = True;
  const Window parent = XCreateWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, CopyFromParent,
                                      InputOutput, CopyFromParent, CWOverrideRedirect, &a);
  XMapRaised(display, parent);
  XSync(display, False);
  return parent;
}

}  // namespace

TEST(EditorThreads, TheEditorIdlesPaintsAndTakesADragWhileAudioRuns)
{
  Display* display = ConnectToServer();
  ASSERT_TRUE(display) << "this test needs an X display (DISPLAY)";
  AEffect* e = MakeEffect(Create, CountingHostCallback);
  ASSERT_TRUE(e);
  auto dispatch = [e](VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
    return e->dispatcher(e, op, index, value, ptr, opt);
  };
  dispatch(effOpen);
  dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
  dispatch(effSetBlockSize, 0, kBlock);
  dispatch(effMainsChanged, 0, 1);
  e->setParameter(e, kParamIntensity, 1.0f);

  const Window parent = MakeParent(display);
  ASSERT_EQ(dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))), 1);
  IGraphicsX11* editor = dynamic_cast<IGraphicsX11*>(IPlugVST::FromEffect(e)->Editor());
  ASSERT_TRUE(editor);

  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};
  std::thread audio([&] {
    std::vector<float> in(kBlock), out(kBlock);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {out.data(), out.data()};
    for (long n = 0; !stop.load(); ++n) {
      for (int i = 0; i < kBlock; ++i) in[static_cast<size_t>(i)] = ((n * kBlock + i) / 40) % 2 ? 0.8f : -0.8f;
      e->processReplacing(e, ins, outs, kBlock);
      // Host automation of another parameter from the audio thread.
      e->setParameter(e, kParamQ, static_cast<float>(n % 100) / 100.0f);
      blocks.fetch_add(1);
    }
  });

  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(StressSeconds(kDefaultSeconds));
  const int x = kKnobX + kKnobSide / 2, y = kKnobY + kKnobSide / 2;
  int step = 0;
  XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(display, Button1, True, CurrentTime);
  XSync(display, False);
  while (std::chrono::steady_clock::now() < end) {
    dispatch(effEditIdle);
    // An upward drag of 20 pixels, a pixel at a time, during the run.
    if (step < 20) {
      ++step;
      XTestFakeMotionEvent(display, -1, x, y - step, CurrentTime);
      XSync(display, False);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  XTestFakeButtonEvent(display, Button1, False, CurrentTime);
  XSync(display, False);
  for (int i = 0; i < 200; ++i) {
    dispatch(effEditIdle);
    {
      std::lock_guard<std::mutex> g(gCountingHost.lock);
      if (gCountingHost.ends > 0) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  stop.store(true);
  audio.join();

  EXPECT_GT(blocks.load(), 0);
  // The window was painted from the ticks, the indicators among them.
  EXPECT_GT(editor->PresentCount(), 5);
  {
    std::lock_guard<std::mutex> g(gCountingHost.lock);
    EXPECT_EQ(gCountingHost.begins, 1);
    EXPECT_EQ(gCountingHost.ends, 1);
    EXPECT_GT(gCountingHost.automates, 0);
  }
  EXPECT_NEAR(e->getParameter(e, kParamMix), 20.0 / kKnobSide / 4.0, 1e-6);
  dispatch(effEditClose);
  dispatch(effMainsChanged, 0, 0);
  dispatch(effClose);
  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}

// The audio thread holds the instance lock through a long block while the
// host opens the editor: the connection is made and the window created and
// shown meanwhile, and only taking it over waits for the block.
TEST(EditorThreads, TheWindowIsMadeWhileAnAudioBlockHoldsTheLock)
{
  Display* display = ConnectToServer();
  ASSERT_TRUE(display) << "this test needs an X display (DISPLAY)";
  AEffect* e = MakeEffect(Create, CountingHostCallback);
  ASSERT_TRUE(e);
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  const Window parent = MakeParent(display);
  auto children = [&] {
    Window root, up, *list = nullptr;
    unsigned int count = 0;
    XSync(display, False);
    if (!XQueryTree(display, parent, &root, &up, &list, &count)) return std::vector<Window>{};
    std::vector<Window> out(list, list + count);
    if (list) XFree(list);
    return out;
  };

  std::mutex m;
  std::condition_variable cv;
  bool held = false, release = false;
  std::thread audio([&] {
    ILockGuard lock(IPlugVST::FromEffect(e)->Lock());
    std::unique_lock<std::mutex> g(m);
    held = true;
    cv.notify_all();
    cv.wait(g, [&] { return release; });
  });
  {
    std::unique_lock<std::mutex> g(m);
    cv.wait(g, [&] { return held; });
  }
  std::atomic<VstIntPtr> opened{-1};
  std::thread ui([&] {
    opened.store(e->dispatcher(e, effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent)), 0.0f));
  });
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (children().size() != 1 && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const bool madeWhileHeld = children().size() == 1;
  const bool openWaited = opened.load() == -1;
  {
    std::lock_guard<std::mutex> g(m);
    release = true;
  }
  cv.notify_all();
  audio.join();
  ui.join();

  EXPECT_TRUE(madeWhileHeld);
  EXPECT_TRUE(openWaited) << "taking the window over waits for the block";
  ASSERT_EQ(opened.load(), 1);
  IGraphicsX11* editor = dynamic_cast<IGraphicsX11*>(IPlugVST::FromEffect(e)->Editor());
  ASSERT_TRUE(editor);
  EXPECT_EQ(children(), std::vector<Window>{static_cast<Window>(reinterpret_cast<uintptr_t>(editor->NativeWindow()))});
  // Closing lets the window go, and it is gone when the call returns.
  e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f);
  EXPECT_TRUE(children().empty());
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  XDestroyWindow(display, parent);
  XCloseDisplay(display);
}
