// The editor and the audio thread together: one thread processes audio
// through the adapter's callbacks (and automates a parameter, as hosts do),
// while the window thread runs redraw ticks, full repaints and knob drags
// that reach the core. Built with ThreadSanitizer (the tsan preset) it shows
// that the indicator hand-over and the parameter traffic share no
// unguarded data; in every build it checks that what crossed arrived.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "graphics/BitmapControls.h"
#include "graphics/Graphics.h"
#include "plugin/Vexa.h"
#include "raster/Bitmap.h"
#include "tests/TestSeed.h"
#include "tests/graphics/CountingHost.h"

namespace {

using threaded::CountingHostCallback;
using threaded::gCountingHost;
using threaded::StressSeconds;

constexpr int kBlock = 256;
constexpr double kDefaultSeconds = 2.0;
constexpr unsigned kDefaultSeed = 20240611u;
constexpr int kKnobs = 8;
constexpr int kReductionIndex = 10;
constexpr int kGateIndex = 11;

std::unique_ptr<LICE_MemBitmap> Strip(int w, int h, int frames)
{
  std::unique_ptr<LICE_MemBitmap> b(new LICE_MemBitmap(w, h * frames));
  for (int y = 0; y < h * frames; ++y) {
    for (int x = 0; x < w; ++x) b->Pixels()[y * b->Stride() + x] = 0x80000000u | static_cast<PixelValue>(y * 977 + x);
  }
  return b;
}

IBitmapRef Ref(LICE_IBitmap* b, int frames)
{
  IBitmapRef r;
  r.bitmap = b;
  r.width = b->Width();
  r.height = b->Height();
  r.frames = frames;
  return r;
}

// An editor of the effect's shape: background, eight knobs, the sequence
// switch and the two indicators at list indices 10 and 11.
struct Strips
{
  std::unique_ptr<LICE_MemBitmap> background = Strip(764, 222, 1);
  std::unique_ptr<LICE_MemBitmap> knob = Strip(66, 72, 61);
  std::unique_ptr<LICE_MemBitmap> toggle = Strip(122, 30, 2);
  std::unique_ptr<LICE_MemBitmap> led = Strip(30, 30, 61);
};

const int kKnobX[kKnobs] = {164, 71, 257, 350, 444, 563, 657, 351};
const int kKnobY[kKnobs] = {62, 62, 62, 62, 62, 62, 62, 193};

IGraphics* BuildEditor(Vexa* plug, const Strips& s)
{
  IGraphics* ed = new IGraphics(plug, 764, 222, 25);
  ed->AttachBackground(new IBitmapControl(plug, 0, 0, Ref(s.background.get(), 1), kBlendCopy));
  for (int k = 0; k < kKnobs; ++k) {
    ed->AttachControl(new IKnobMultiControl(plug, kKnobX[k], kKnobY[k], k, Ref(s.knob.get(), 61)));
  }
  ed->AttachControl(new ISwitchControl(plug, 0, 192, kParamSequence, Ref(s.toggle.get(), 2)));
  const int reduction = ed->AttachControl(new IBitmapControl(plug, 323, 38, Ref(s.led.get(), 61)));
  const int gate = ed->AttachControl(new IBitmapControl(plug, 109, 192, Ref(s.led.get(), 61)));
  plug->SetMeterControls(reduction, gate);
  return ed;
}

IMouseMods Left()
{
  IMouseMods m;
  m.left = true;
  return m;
}

// One knob gesture at a random place: press, a few drags, release; now and
// then a double click or a wheel turn instead.
void Gesture(IGraphics* ed, std::mt19937& rng)
{
  const int k = static_cast<int>(rng() % kKnobs);
  const int x = kKnobX[k] + 30, y = kKnobY[k] + 30;
  switch (rng() % 4) {
    case 0:
      ed->RouteMouseDown(x, y, Left());
      ed->RouteMouseUp(x, y, Left());
      ed->RouteDoubleClick(x, y, Left());
      ed->RouteMouseUp(x, y, Left());
      break;
    case 1: ed->RouteWheel(x, y, IMouseMods{}, static_cast<int>(rng() % 5) - 2); break;
    default: {
      ed->RouteMouseDown(x, y, Left());
      int py = y;
      for (int i = 0; i < 4; ++i) {
        py += static_cast<int>(rng() % 41) - 20;
        ed->RouteMouseDrag(x, py, Left());
      }
      ed->RouteMouseUp(x, py, Left());
    }
  }
}

}  // namespace

TEST(EditorThreads, AudioAndEditorRunTogetherWithoutSharingUnguardedData)
{
  const TestSeed seed(kDefaultSeed);
  Strips strips;
  Vexa* plug = new Vexa(CountingHostCallback);
  IGraphics* ed = BuildEditor(plug, strips);
  plug->AttachEditor(ed);
  AEffect* e = plug->Effect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  e->dispatcher(e, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  e->setParameter(e, kParamIntensity, 0.8f);
  const IArea reductionArea = ed->ControlAt(kReductionIndex)->DrawArea();

  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};
  std::thread audio([&] {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> level(-1.0f, 1.0f);
    std::vector<float> inL(kBlock), inR(kBlock), outL(kBlock), outR(kBlock);
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    long n = 0;
    while (!stop.load()) {
      // Bursts and silences, so both indicators keep moving.
      const float gain = (n / 8) % 2 ? 1.0f : 0.0f;
      for (int i = 0; i < kBlock; ++i) {
        inL[i] = level(rng) * gain;
        inR[i] = level(rng) * gain;
      }
      e->processReplacing(e, ins, outs, kBlock);
      if (n % 16 == 0) e->setParameter(e, kParamMix, level(rng) * 0.5f + 0.5f);
      blocks.store(++n);
    }
  });

  std::mt19937 rng(seed ^ 0x5A5Au);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::duration<double>(StressSeconds(kDefaultSeconds));
  long ticks = 0, indicatorTicks = 0;
  while (std::chrono::steady_clock::now() < deadline || blocks.load() == 0) {
    IArea dirty;
    if (ed->TickDirtyArea(&dirty)) {
      if (dirty.Overlaps(reductionArea)) ++indicatorTicks;
      ed->RedrawArea(dirty);
    }
    ++ticks;
    if (ticks % 8 == 0) ed->RedrawArea(IArea{0, 0, 764, 222});
    Gesture(ed, rng);
    std::this_thread::yield();
  }
  stop.store(true);
  audio.join();

  EXPECT_GT(blocks.load(), 0);
  EXPECT_GT(indicatorTicks, 0) << "the ticks saw the indicators change";
  {
    std::lock_guard<std::mutex> g(gCountingHost.lock);
    EXPECT_GT(gCountingHost.automates, 0);
    EXPECT_EQ(gCountingHost.begins, gCountingHost.ends) << "every gesture ended";
  }
  // The last values handed over are the effect's final indicator values,
  // and the ticks that follow draw them and come to rest.
  EXPECT_EQ(ed->ControlAt(kReductionIndex)->Value(), plug->Chain().reductionMeter.load());
  EXPECT_EQ(ed->ControlAt(kGateIndex)->Value(), plug->Chain().gateMeter.load());
  for (int i = 0; i < 3; ++i) ed->RedrawDirty();
  IArea rest;
  EXPECT_FALSE(ed->TickDirtyArea(&rest));

  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}
