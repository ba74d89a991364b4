// Speed of the editor framework where it matters: the indicator hand-over on
// the audio path (ProcessBlock with an editor against the same without one),
// a full repaint of an editor of the effect's shape against one copy of its
// surface, and a typical redraw tick against the 40 ms it has. Each pair is
// timed side by side in one run, block by block, in processor time, so the
// ratios hold while the machine's speed and load drift.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "bench/PairTimer.h"
#include "core/FloatEnv.h"
#include "graphics/BitmapControls.h"
#include "graphics/Graphics.h"
#include "plugin/Vexa.h"
#include "raster/Bitmap.h"

namespace {

constexpr int kWidth = 764, kHeight = 222;
constexpr int kBlock = 512;
constexpr int kBlocks = 64;
constexpr double kRate = 44100.0;
constexpr double kTickMs = 40.0;
constexpr uint32_t kSeed = 0x9e3779b9u;
constexpr int kKnobs = 8;
const int kKnobX[kKnobs] = {164, 71, 257, 350, 444, 563, 657, 351};
const int kKnobY[kKnobs] = {62, 62, 62, 62, 62, 62, 62, 193};

// A frame of a round knob, lamp or switch: opaque inside a soft-edged disc,
// transparent around it, so blits take the source-alpha path for real.
PixelValue Disc(int x, int y, int w, int h, int frame)
{
  const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0, r = std::min(w, h) / 2.0 - 1.0;
  const double d = std::hypot(x - cx, y - cy);
  const double edge = std::max(0.0, std::min(1.0, r - d + 0.5));
  const unsigned alpha = static_cast<unsigned>(255.0 * edge);
  const unsigned g = static_cast<unsigned>((frame * 4 + x + y) & 0xFF);
  return (alpha << 24) | (g << 16) | (g << 8) | (255 - g);
}

std::unique_ptr<LICE_MemBitmap> Strip(int w, int h, int frames)
{
  std::unique_ptr<LICE_MemBitmap> b(new LICE_MemBitmap(w, h * frames));
  for (int f = 0; f < frames; ++f) {
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) b->Pixels()[(f * h + y) * b->Stride() + x] = Disc(x, y, w, h, f);
    }
  }
  return b;
}

std::unique_ptr<LICE_MemBitmap> Background()
{
  std::unique_ptr<LICE_MemBitmap> b(new LICE_MemBitmap(kWidth, kHeight));
  std::mt19937 rng(kSeed);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) b->Pixels()[y * b->Stride() + x] = 0xFF000000u | (rng() & 0xFFFFFF);
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

// The effect's editor shape: a 764 x 222 background, eight 66 x 72 knobs, a
// 122 x 30 switch and two 30 x 30 indicators (list indices 10 and 11).
struct Shape
{
  std::unique_ptr<LICE_MemBitmap> background = Background();
  std::unique_ptr<LICE_MemBitmap> knob = Strip(66, 72, 61);
  std::unique_ptr<LICE_MemBitmap> toggle = Strip(122, 30, 2);
  std::unique_ptr<LICE_MemBitmap> led = Strip(30, 30, 61);

  IGraphics* Build(Vexa* plug) const
  {
    IGraphics* ed = new IGraphics(plug, kWidth, kHeight, 25);
    ed->AttachBackground(new IBitmapControl(plug, 0, 0, Ref(background.get(), 1), kBlendCopy));
    for (int k = 0; k < kKnobs; ++k) {
      ed->AttachControl(new IKnobMultiControl(plug, kKnobX[k], kKnobY[k], k, Ref(knob.get(), 61)));
    }
    ed->AttachControl(new ISwitchControl(plug, 0, 192, kParamSequence, Ref(toggle.get(), 2)));
    const int reduction = ed->AttachControl(new IBitmapControl(plug, 323, 38, Ref(led.get(), 61)));
    const int gate = ed->AttachControl(new IBitmapControl(plug, 109, 192, Ref(led.get(), 61)));
    plug->SetMeterControls(reduction, gate);
    plug->AttachEditor(ed);
    return ed;
  }
};

const Shape& TheShape()
{
  static const Shape shape;
  return shape;
}

// Settings that keep both indicators moving: the envelope works (Intensity)
// and the sequence gate runs.
std::unique_ptr<Vexa> MakePlug(bool withEditor)
{
  std::unique_ptr<Vexa> plug(new Vexa(nullptr));
  if (withEditor) TheShape().Build(plug.get());
  AEffect* e = plug->Effect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  const double values[kNumVexaParams] = {0.707, 20000.0, 0.001, 0.1, 60.0, 50.0, 0.0, 7.0, 1.0};
  for (int i = 0; i < kNumVexaParams; ++i) {
    plug->ParameterAt(i)->SetClamped(values[i]);
    plug->ParameterChanged(i);
  }
  return plug;
}

// A slow sine with noise on it, half scale.
struct Signal
{
  std::vector<double> left, right;
  Signal()
  {
    std::mt19937 rng(kSeed);
    const size_t n = static_cast<size_t>(kBlock) * kBlocks;
    for (size_t i = 0; i < n; ++i) {
      const double s = 0.25 * std::sin(static_cast<double>(i) * 0.0123);
      left.push_back(s + 0.25 * (static_cast<double>(rng() % 2001) / 1000.0 - 1.0));
      right.push_back(s + 0.25 * (static_cast<double>(rng() % 2001) / 1000.0 - 1.0));
    }
  }
};

// Blocks (or repaints) timed together, so the clock's own cost is spread thin.
constexpr int kPerReading = 8;

void ProcessWithAndWithoutEditor(benchmark::State& state)
{
  static const Signal sig;
  std::unique_ptr<Vexa> with = MakePlug(true), without = MakePlug(false);
  std::vector<double> outL(kBlock), outR(kBlock);
  bench::PairTimes times;
  size_t block = 0;
  IScopedFlushDenormals flush;
  auto run = [&](Vexa* plug) {
    for (int i = 0; i < kPerReading; ++i) {
      const size_t at = ((block + i) % kBlocks) * kBlock;
      double* in[2] = {const_cast<double*>(&sig.left[at]), const_cast<double*>(&sig.right[at])};
      double* out[2] = {outL.data(), outR.data()};
      plug->ProcessBlock(in, out, kBlock);
      benchmark::DoNotOptimize(outL.data());
    }
  };
  for (auto _ : state) {
    // The same blocks for both.
    times.Round([&] { run(with.get()); }, [&] { run(without.get()); });
    block += kPerReading;
  }
  times.Report(state, "with_editor", "without_editor", "ratio", kPerReading);
}

void FullRedrawAgainstSurfaceCopy(benchmark::State& state)
{
  std::unique_ptr<Vexa> plug = MakePlug(true);
  IGraphics* ed = static_cast<IGraphics*>(plug->Editor());
  LICE_IBitmap* surface = ed->Surface();
  const size_t bytes = static_cast<size_t>(kWidth) * kHeight * sizeof(PixelValue);
  std::vector<unsigned char> from(bytes, 0x5A), to(bytes);
  const IArea all{0, 0, kWidth, kHeight};
  bench::PairTimes times;
  for (auto _ : state) {
    times.Round(
        [&] {
          for (int i = 0; i < kPerReading; ++i) {
            ed->RedrawArea(all);
            benchmark::DoNotOptimize(surface->Pixels());
            benchmark::ClobberMemory();
          }
        },
        [&] {
          for (int i = 0; i < kPerReading; ++i) {
            std::memcpy(to.data(), from.data(), bytes);
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
          }
        });
  }
  times.Report(state, "redraw", "memcpy", "ratio", kPerReading);
}

// Both indicators changed since the last tick: the audio thread's hand-over,
// then the tick's union and the repaint of everything it overlaps.
void TypicalTick(benchmark::State& state)
{
  std::unique_ptr<Vexa> plug = MakePlug(true);
  IGraphics* ed = static_cast<IGraphics*>(plug->Editor());
  ed->RedrawArea(IArea{0, 0, kWidth, kHeight});
  ed->RedrawArea(IArea{0, 0, kWidth, kHeight});
  double level = 0.0;
  IArea area;
  for (auto _ : state) {
    level = level > 0.9 ? 0.0 : level + 0.05;
    ed->TakePlugValueAt(10, level);
    ed->TakePlugValueAt(11, 1.0 - level);
    if (ed->TickDirtyArea(&area)) ed->RedrawArea(area);
    benchmark::DoNotOptimize(ed->Surface()->Pixels());
  }
  // CPU time per tick divided by the 40 ms between ticks.
  state.counters["share_of_40ms"] =
      benchmark::Counter(kTickMs / 1000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.counters["union_w"] = area.Width();
  state.counters["union_h"] = area.Height();
}

}  // namespace

BENCHMARK(ProcessWithAndWithoutEditor);
BENCHMARK(FullRedrawAgainstSurfaceCopy);
BENCHMARK(TypicalTick);

BENCHMARK_MAIN();
