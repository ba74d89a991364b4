// Throughput of the effect chain against the plain per-sample
// transcription, and the cost of silence after signal (subnormal decay).
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "core/FloatEnv.h"
#include "plugin/EffectChain.h"
#include "plugin/Vexa.h"
#include "tests/plugin/EffectRig.h"
#include "tests/plugin/ReferenceEffect.h"

namespace {

using rig::kBusy;
using rig::kDefaults;
using rig::kResonantLowCut;
using rig::Setting;

constexpr uint32_t kSeed = 0xbe4c4;
constexpr int kBlock = 1024;
constexpr int kBlocksPerSignal = 64;
constexpr double kRate = 44100.0;

// A slow sine with noise on it, the same for every run. Typical: peaks at
// half scale, so the summed channels stay below 1 and the envelope is idle at
// the default settings. Hot: peaks near full scale, sums above 1.
struct TestSignal
{
  std::vector<float> left, right;
  std::vector<double> leftD, rightD;

  explicit TestSignal(double amplitude)
  {
    std::mt19937 rng(kSeed);
    const size_t n = static_cast<size_t>(kBlock) * kBlocksPerSignal;
    left.resize(n);
    right.resize(n);
    for (size_t i = 0; i < n; ++i) {
      const double s = std::sin(static_cast<double>(i) * 0.0123);
      left[i] = static_cast<float>(amplitude * (s + (static_cast<double>(rng() % 2001) / 1000.0 - 1.0)));
      right[i] = static_cast<float>(amplitude * (s + (static_cast<double>(rng() % 2001) / 1000.0 - 1.0)));
    }
    leftD.assign(left.begin(), left.end());
    rightD.assign(right.begin(), right.end());
  }
};

const TestSignal kTypical(0.25);
const TestSignal kHot(0.45);

// An opened instance with an editor, as a host drives it.
std::unique_ptr<Vexa> MakePlug(const Setting& s)
{
  auto plug = std::make_unique<Vexa>(nullptr);
  plug->AttachEditor(new rig::FakeEditor);
  plug->SetMeterControls(rig::FakeEditor::kReductionControl, rig::FakeEditor::kGateControl);
  AEffect* e = plug->Effect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, static_cast<float>(kRate));
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  for (int i = 0; i < kNumVexaParams; ++i) {
    plug->ParameterAt(i)->SetClamped(s.v[i]);
    plug->ParameterChanged(i);
  }
  return plug;
}

// A chain and the transcription at the setting.
std::unique_ptr<rig::ChainPair> MakePair(const Setting& s)
{
  auto pair = std::make_unique<rig::ChainPair>();
  pair->Apply(s);
  return pair;
}

void Report(benchmark::State& state)
{
  const double frames = static_cast<double>(state.iterations()) * kBlock;
  state.SetItemsProcessed(static_cast<int64_t>(frames));
  state.counters["x_realtime"] = benchmark::Counter(frames / kRate, benchmark::Counter::kIsRate);
}

// The chain's ProcessBlock, indicators included, on the same double samples
// as the transcription, in the same floating-point environment.
void Production(benchmark::State& state, const Setting* setting, const TestSignal* signal)
{
  auto pair = MakePair(*setting);
  rig::RecordingSink sink;
  const TestSignal& sig = *signal;
  std::vector<double> outL(kBlock), outR(kBlock);
  size_t block = 0;
  IScopedFlushDenormals flush;
  for (auto _ : state) {
    const size_t at = (block++ % kBlocksPerSignal) * kBlock;
    const double* in[2] = {&sig.leftD[at], &sig.rightD[at]};
    double* out[2] = {outL.data(), outR.data()};
    pair->chain->ProcessBlock(in, out, kBlock, kRate, &sink);
    benchmark::DoNotOptimize(outL.data());
  }
  Report(state);
}

// The whole audio path as a host drives it: float callback, instance lock,
// FTZ/DAZ, conversions.
void Hosted(benchmark::State& state, const Setting* setting, const TestSignal* signal)
{
  auto plug = MakePlug(*setting);
  AEffect* e = plug->Effect();
  const TestSignal& sig = *signal;
  std::vector<float> outL(kBlock), outR(kBlock);
  size_t block = 0;
  for (auto _ : state) {
    const size_t at = (block++ % kBlocksPerSignal) * kBlock;
    float* in[2] = {const_cast<float*>(&sig.left[at]), const_cast<float*>(&sig.right[at])};
    float* out[2] = {outL.data(), outR.data()};
    e->processReplacing(e, in, out, kBlock);
    benchmark::DoNotOptimize(outL.data());
  }
  Report(state);
}

// The plain transcription over the same samples, same environment.
void Literal(benchmark::State& state, const Setting* setting, const TestSignal* signal)
{
  auto pair = MakePair(*setting);
  reference::Effect* ref = pair->ref.get();
  const TestSignal& sig = *signal;
  std::vector<double> outL(kBlock), outR(kBlock);
  size_t block = 0;
  IScopedFlushDenormals flush;
  for (auto _ : state) {
    const size_t at = (block++ % kBlocksPerSignal) * kBlock;
    const double* in[2] = {&sig.leftD[at], &sig.rightD[at]};
    double* out[2] = {outL.data(), outR.data()};
    ref->ProcessBlock(in, out, kBlock, kRate, true);
    benchmark::DoNotOptimize(outL.data());
  }
  Report(state);
}

// Both on the same blocks in turn, each block timed on its own: a machine
// whose speed drifts (other load, frequency changes) slows both alike, so
// the speed-up counter stays steady where the two separate benchmarks above
// are measured at different moments.
void SideBySide(benchmark::State& state, const Setting* setting, const TestSignal* signal)
{
  using Clock = std::chrono::steady_clock;
  auto pair = MakePair(*setting);
  rig::RecordingSink sink;
  const TestSignal& sig = *signal;
  std::vector<double> outL(kBlock), outR(kBlock);
  size_t block = 0;
  Clock::duration literal{}, production{};
  IScopedFlushDenormals flush;
  for (auto _ : state) {
    const size_t at = (block++ % kBlocksPerSignal) * kBlock;
    const double* in[2] = {&sig.leftD[at], &sig.rightD[at]};
    double* out[2] = {outL.data(), outR.data()};
    const Clock::time_point t0 = Clock::now();
    pair->ref->ProcessBlock(in, out, kBlock, kRate, true);
    benchmark::DoNotOptimize(outL.data());
    const Clock::time_point t1 = Clock::now();
    pair->chain->ProcessBlock(in, out, kBlock, kRate, &sink);
    benchmark::DoNotOptimize(outL.data());
    const Clock::time_point t2 = Clock::now();
    literal += t1 - t0;
    production += t2 - t1;
  }
  const double blocks = static_cast<double>(state.iterations());
  state.counters["literal_us"] = std::chrono::duration<double, std::micro>(literal).count() / blocks;
  state.counters["production_us"] = std::chrono::duration<double, std::micro>(production).count() / blocks;
  state.counters["speedup"] = static_cast<double>(literal.count()) / static_cast<double>(production.count());
}

// Silence after loud input with a low, resonant cut-off: the filter memories
// decay through the subnormal range. That decay takes many seconds, so each
// measured block starts from the memories the signal left, moved (untimed)
// to where the decay would have brought them: about 1e-310, subnormal.
// Through the callback (flush-to-zero, denormals-are-zero) or by calling the
// chain directly, without them, to show what the setting saves.
void SilenceAfterSignal(benchmark::State& state, bool throughCallback)
{
  auto plug = MakePlug(kResonantLowCut);
  EffectChain& chain = plug->Chain();
  AEffect* e = plug->Effect();
  const TestSignal& sig = kHot;
  std::vector<float> outL(kBlock), outR(kBlock), zero(kBlock, 0.0f);
  std::vector<double> outLD(kBlock), outRD(kBlock), zeroD(kBlock, 0.0);
  for (int b = 0; b < kBlocksPerSignal + 3; ++b) {
    const bool signal = b < kBlocksPerSignal;  // then past the shifters' reach
    const size_t at = static_cast<size_t>(signal ? b : 0) * kBlock;
    float* in[2] = {signal ? const_cast<float*>(&sig.left[at]) : zero.data(),
                    signal ? const_cast<float*>(&sig.right[at]) : zero.data()};
    float* out[2] = {outL.data(), outR.data()};
    e->processReplacing(e, in, out, kBlock);
  }
  BiquadSection* sections[4] = {&chain.envelopeFilterLeft, &chain.envelopeFilterRight, &chain.sequenceFilterLeft,
                                &chain.sequenceFilterRight};
  double memory[8];
  for (int i = 0; i < 4; ++i) {
    memory[2 * i] = sections[i]->z1 * 1e-310;
    memory[2 * i + 1] = sections[i]->z2 * 1e-310;
  }
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < 4; ++i) {
      sections[i]->z1 = memory[2 * i];
      sections[i]->z2 = memory[2 * i + 1];
    }
    state.ResumeTiming();
    if (throughCallback) {
      float* in[2] = {zero.data(), zero.data()};
      float* out[2] = {outL.data(), outR.data()};
      e->processReplacing(e, in, out, kBlock);
    } else {
      const double* in[2] = {zeroD.data(), zeroD.data()};
      double* out[2] = {outLD.data(), outRD.data()};
      chain.ProcessBlock(in, out, kBlock, kRate, nullptr);
    }
    benchmark::DoNotOptimize(outL.data());
    benchmark::DoNotOptimize(outLD.data());
  }
  Report(state);
}

void NoiseDark(benchmark::State& state) { Hosted(state, &kResonantLowCut, &kHot); }
void SilenceAfterSignalDark(benchmark::State& state) { SilenceAfterSignal(state, true); }
void SilenceAfterSignalDarkUnflushed(benchmark::State& state) { SilenceAfterSignal(state, false); }

}  // namespace

BENCHMARK_CAPTURE(Literal, defaults_typical, &kDefaults, &kTypical);
BENCHMARK_CAPTURE(Production, defaults_typical, &kDefaults, &kTypical);
BENCHMARK_CAPTURE(Literal, busy_typical, &kBusy, &kTypical);
BENCHMARK_CAPTURE(Production, busy_typical, &kBusy, &kTypical);
BENCHMARK_CAPTURE(Literal, defaults_hot, &kDefaults, &kHot);
BENCHMARK_CAPTURE(Production, defaults_hot, &kDefaults, &kHot);
BENCHMARK_CAPTURE(Literal, busy_hot, &kBusy, &kHot);
BENCHMARK_CAPTURE(Production, busy_hot, &kBusy, &kHot);
BENCHMARK_CAPTURE(SideBySide, defaults_typical, &kDefaults, &kTypical);
BENCHMARK_CAPTURE(SideBySide, busy_typical, &kBusy, &kTypical);
BENCHMARK_CAPTURE(SideBySide, defaults_hot, &kDefaults, &kHot);
BENCHMARK_CAPTURE(SideBySide, busy_hot, &kBusy, &kHot);
BENCHMARK_CAPTURE(Hosted, defaults_typical, &kDefaults, &kTypical);
BENCHMARK_CAPTURE(Hosted, busy_hot, &kBusy, &kHot);
BENCHMARK(NoiseDark);
BENCHMARK(SilenceAfterSignalDark);
BENCHMARK(SilenceAfterSignalDarkUnflushed);

BENCHMARK_MAIN();
