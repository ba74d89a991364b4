// Throughput of the effect chain against the plain per-sample
// transcription, its real-time factor through the host's callback, and the
// cost of silence after signal (subnormal decay) against noise.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "bench/PairTimer.h"
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

// Both on the same blocks in turn, in processor time: a machine whose speed
// drifts (other load, frequency changes) slows both alike, so the speed-up
// counter stays steady where the two separate benchmarks above are measured
// at different moments.
void SideBySide(benchmark::State& state, const Setting* setting, const TestSignal* signal)
{
  auto pair = MakePair(*setting);
  rig::RecordingSink sink;
  const TestSignal& sig = *signal;
  std::vector<double> outL(kBlock), outR(kBlock);
  size_t block = 0;
  bench::PairTimes times;
  IScopedFlushDenormals flush;
  for (auto _ : state) {
    const size_t at = (block++ % kBlocksPerSignal) * kBlock;
    const double* in[2] = {&sig.leftD[at], &sig.rightD[at]};
    double* out[2] = {outL.data(), outR.data()};
    times.Round(
        [&] {
          pair->ref->ProcessBlock(in, out, kBlock, kRate, true);
          benchmark::DoNotOptimize(outL.data());
        },
        [&] {
          pair->chain->ProcessBlock(in, out, kBlock, kRate, &sink);
          benchmark::DoNotOptimize(outL.data());
        });
  }
  times.Report(state, "literal", "production", "speedup");
}

// An instance at a low, resonant cut-off after loud input, then silence: the
// filter memories decay through the subnormal range. That decay takes many
// seconds, so each measured block starts from the memories the signal left,
// moved (untimed, by Rewind) to where the decay would have brought them:
// about 1e-310, subnormal.
class DecayingInstance
{
public:
  DecayingInstance() : mPlug(MakePlug(kResonantLowCut)), mZero(kBlock, 0.0f), mZeroD(kBlock, 0.0)
  {
    AEffect* e = mPlug->Effect();
    for (int b = 0; b < kBlocksPerSignal + 3; ++b) {
      const bool signal = b < kBlocksPerSignal;  // then past the shifters' reach
      const size_t at = static_cast<size_t>(signal ? b : 0) * kBlock;
      float* in[2] = {signal ? const_cast<float*>(&kHot.left[at]) : mZero.data(),
                      signal ? const_cast<float*>(&kHot.right[at]) : mZero.data()};
      float* out[2] = {mOutL.data(), mOutR.data()};
      e->processReplacing(e, in, out, kBlock);
    }
    for (int i = 0; i < kSections; ++i) {
      mMemory[2 * i] = Section(i)->z1 * kSubnormalScale;
      mMemory[2 * i + 1] = Section(i)->z2 * kSubnormalScale;
    }
  }

  // Puts the decaying memories back. Benchmark thread.
  void Rewind()
  {
    for (int i = 0; i < kSections; ++i) {
      Section(i)->z1 = mMemory[2 * i];
      Section(i)->z2 = mMemory[2 * i + 1];
    }
  }

  // One block of silence through the callback (flush-to-zero and
  // denormals-are-zero), or through the chain directly, without them.
  // Benchmark thread.
  void Silence(bool throughCallback)
  {
    if (throughCallback) {
      AEffect* e = mPlug->Effect();
      float* in[2] = {mZero.data(), mZero.data()};
      float* out[2] = {mOutL.data(), mOutR.data()};
      e->processReplacing(e, in, out, kBlock);
      benchmark::DoNotOptimize(mOutL.data());
    } else {
      const double* in[2] = {mZeroD.data(), mZeroD.data()};
      double* out[2] = {mOutLD.data(), mOutRD.data()};
      mPlug->Chain().ProcessBlock(in, out, kBlock, kRate, nullptr);
      benchmark::DoNotOptimize(mOutLD.data());
    }
  }

private:
  static constexpr int kSections = 4;
  static constexpr double kSubnormalScale = 1e-310;

  BiquadSection* Section(int i)
  {
    EffectChain& chain = mPlug->Chain();
    BiquadSection* sections[kSections] = {&chain.envelopeFilterLeft, &chain.envelopeFilterRight,
                                          &chain.sequenceFilterLeft, &chain.sequenceFilterRight};
    return sections[i];
  }

  std::unique_ptr<Vexa> mPlug;
  std::vector<float> mZero, mOutL = std::vector<float>(kBlock), mOutR = std::vector<float>(kBlock);
  std::vector<double> mZeroD, mOutLD = std::vector<double>(kBlock), mOutRD = std::vector<double>(kBlock);
  double mMemory[2 * kSections] = {};
};

void SilenceAfterSignal(benchmark::State& state, bool throughCallback)
{
  DecayingInstance decaying;
  for (auto _ : state) {
    state.PauseTiming();
    decaying.Rewind();
    state.ResumeTiming();
    decaying.Silence(throughCallback);
  }
  Report(state);
}

// Silence after signal against loud noise at the same setting, block by
// block in turn: what the subnormal decay costs, if anything.
void SilenceAgainstNoise(benchmark::State& state)
{
  DecayingInstance decaying;
  auto noisy = MakePlug(kResonantLowCut);
  AEffect* e = noisy->Effect();
  std::vector<float> outL(kBlock), outR(kBlock);
  size_t block = 0;
  bench::PairTimes times;
  for (auto _ : state) {
    const size_t at = (block++ % kBlocksPerSignal) * kBlock;
    float* in[2] = {const_cast<float*>(&kHot.left[at]), const_cast<float*>(&kHot.right[at])};
    float* out[2] = {outL.data(), outR.data()};
    decaying.Rewind();
    times.Round([&] { decaying.Silence(true); },
                [&] {
                  e->processReplacing(e, in, out, kBlock);
                  benchmark::DoNotOptimize(outL.data());
                });
  }
  times.Report(state, "silence", "noise", "silence_per_noise");
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
BENCHMARK_CAPTURE(Hosted, busy_typical, &kBusy, &kTypical);
BENCHMARK_CAPTURE(Hosted, defaults_hot, &kDefaults, &kHot);
BENCHMARK_CAPTURE(Hosted, busy_hot, &kBusy, &kHot);
BENCHMARK(NoiseDark);
BENCHMARK(SilenceAfterSignalDark);
BENCHMARK(SilenceAfterSignalDarkUnflushed);
BENCHMARK(SilenceAgainstNoise);

BENCHMARK_MAIN();
