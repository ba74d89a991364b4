#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/FloatEnv.h"
#include "plugin/EffectChain.h"
#include "tests/TestSeed.h"
#include "tests/plugin/EffectRig.h"
#include "tests/plugin/ReferenceEffect.h"

namespace {

using rig::kBusy;
using rig::kDarkResonant;
using rig::kDefaults;
using rig::kOpenGate;
using rig::Setting;

constexpr uint32_t kSeed = 0x5eed4d59;

uint64_t Bits(double x)
{
  uint64_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}

uint32_t Bits(float x)
{
  uint32_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}

// Deterministic sample source: noise with changing loudness (peaks well above
// 1 so the envelope reduces the cut-off), exponential sine sweeps, silence and
// held values, in random segments.
class Signal
{
public:
  explicit Signal(uint32_t seed) : mRng(seed) {}

  double Uniform() { return static_cast<double>(mRng() >> 8) * (1.0 / 16777216.0); }

  void Fill(std::vector<double>& left, std::vector<double>& right, double sr)
  {
    size_t i = 0;
    const double pi = 3.141592653589793;
    while (i < left.size()) {
      const size_t len = 200 + static_cast<size_t>(Uniform() * 6000.0);
      const int kind = static_cast<int>(Uniform() * 4.0);
      const double amp = kind == 0 ? 4.0 * Uniform() : Uniform() * 1.5;
      const double f0 = 20.0 * std::pow(1000.0, Uniform());
      const double held = Uniform() * 2.0 - 1.0;
      double phase = 0.0;
      for (size_t k = 0; k < len && i < left.size(); ++k, ++i) {
        switch (kind) {
          case 0:
            left[i] = amp * (Uniform() * 2.0 - 1.0);
            right[i] = amp * (Uniform() * 2.0 - 1.0);
            break;
          case 1: {
            const double f = f0 * std::pow(2.0, 8.0 * static_cast<double>(k) / static_cast<double>(len));
            phase += 2.0 * pi * (f < sr * 0.5 ? f : sr * 0.49) / sr;
            left[i] = amp * std::sin(phase);
            right[i] = amp * std::sin(phase * 1.01);
            break;
          }
          case 2:
            left[i] = 0.0;
            right[i] = 0.0;
            break;
          default:
            left[i] = held;
            right[i] = -0.5 * held;
            break;
        }
      }
    }
  }

  // A value across the parameter's range; the ends are picked often.
  double ParamValue(int index)
  {
    const EffectParamSpec& p = kEffectParams[index];
    const double u = Uniform();
    if (u < 0.15) return p.minimum;
    if (u < 0.3) return p.maximum;
    double v = p.minimum + Uniform() * (p.maximum - p.minimum);
    if (index == kParamPitch && Uniform() < 0.5) v = std::round(v);
    if (index == kParamSequence) v = Uniform() < 0.5 ? 0.0 : 1.0;
    return v;
  }

private:
  std::mt19937 mRng;
};

// A chain next to the plain transcription, both fed the same samples and
// parameter values, in the floating-point environment of the audio
// callbacks.
class Comparison
{
public:
  Comparison(double sr, bool withIndicators) : mSr(sr), mIndicators(withIndicators) {}

  void Set(int index, double value) { pair.Set(index, value); }
  void Apply(const Setting& s) { pair.Apply(s); }
  EffectChain& Chain() { return *pair.chain; }

  // Runs one block through both; false (with a message) at the first sample
  // that differs. With singles, the samples travel as a host's single
  // precision buffers would: inputs rounded, outputs compared once rounded.
  bool Block(const double* inL, const double* inR, int n, bool singles, std::string* why)
  {
    const size_t count = static_cast<size_t>(n);
    std::vector<double> left(inL, inL + n), right(inR, inR + n);
    if (singles) {
      for (size_t i = 0; i < count; ++i) {
        left[i] = static_cast<float>(left[i]);
        right[i] = static_cast<float>(right[i]);
      }
    }
    mOutL.assign(count, 0.0);
    mOutR.assign(count, 0.0);
    std::vector<double> refL(count), refR(count);
    {
      IScopedFlushDenormals flush;
      const double* in[2] = {left.data(), right.data()};
      double* out[2] = {mOutL.data(), mOutR.data()};
      pair.chain->ProcessBlock(in, out, n, mSr, mIndicators ? &sink : nullptr);
      double* refOut[2] = {refL.data(), refR.data()};
      pair.ref->ProcessBlock(in, refOut, n, mSr, mIndicators);
    }
    for (size_t i = 0; i < count; ++i) {
      for (int c = 0; c < 2; ++c) {
        const double got = c ? mOutR[i] : mOutL[i];
        const double want = c ? refR[i] : refL[i];
        const bool same = singles ? Bits(static_cast<float>(got)) == Bits(static_cast<float>(want))
                                  : Bits(got) == Bits(want);
        if (!same) {
          char text[200];
          std::snprintf(text, sizeof text, "frame %zu of %d, channel %d: got %.17g, reference %.17g", i, n, c, got,
                        want);
          *why = text;
          return false;
        }
      }
    }
    return true;
  }

  // Compares the carried-over state with the transcription's.
  void ExpectSameState() const
  {
    const EffectChain& mine = *pair.chain;
    const reference::Effect& ref = *pair.ref;
    EXPECT_EQ(Bits(mine.envelopeGain), Bits(ref.envelopeGain));
    EXPECT_EQ(Bits(mine.sequencePhase), Bits(ref.sequencePhase));
    EXPECT_EQ(Bits(mine.gateTarget), Bits(ref.gateTarget));
    EXPECT_EQ(Bits(mine.gateSmootherState), Bits(ref.smootherState));
    const BiquadSection* sections[4] = {&mine.envelopeFilterLeft, &mine.envelopeFilterRight,
                                        &mine.sequenceFilterLeft, &mine.sequenceFilterRight};
    const reference::Section* theirs[4] = {&ref.envelopeLeft, &ref.envelopeRight, &ref.sequenceLeft,
                                           &ref.sequenceRight};
    for (int s = 0; s < 4; ++s) {
      EXPECT_EQ(Bits(sections[s]->z1), Bits(theirs[s]->z1)) << "section " << s;
      EXPECT_EQ(Bits(sections[s]->z2), Bits(theirs[s]->z2)) << "section " << s;
      EXPECT_EQ(Bits(sections[s]->cutoff), Bits(theirs[s]->cutoff)) << "section " << s;
      EXPECT_EQ(Bits(sections[s]->b2), Bits(theirs[s]->b2)) << "section " << s;
    }
    EXPECT_EQ(Bits(mine.shifterLeft.delay), Bits(ref.shifterLeft.delay));
    EXPECT_EQ(mine.shifterRight.writeCounter, ref.shifterRight.writeCounter);
    EXPECT_EQ(Bits(mine.reductionMeter.load()), Bits(ref.reductionMeter));
    EXPECT_EQ(Bits(mine.gateMeter.load()), Bits(ref.gateMeter));
    if (mIndicators) {
      EXPECT_EQ(Bits(sink.lastReduction.load()), Bits(ref.reductionMeter));
      EXPECT_EQ(Bits(sink.lastGate.load()), Bits(ref.gateMeter));
    }
  }

  const std::vector<double>& OutL() const { return mOutL; }
  const std::vector<double>& OutR() const { return mOutR; }

  rig::ChainPair pair;
  rig::RecordingSink sink;

private:
  double mSr;
  bool mIndicators;
  std::vector<double> mOutL, mOutR;
};

// Runs `seconds` of signal in blocks cycling through `blocks`; with
// `changes`, a random parameter takes a random value between blocks.
void ExpectMatch(const char* name, double sr, const Setting& start, std::vector<int> blocks, bool singles,
                 bool changes, double seconds, uint32_t seed)
{
  SCOPED_TRACE(name);
  Comparison rig(sr, true);
  rig.Apply(start);
  Signal signal(seed);
  const size_t total = static_cast<size_t>(seconds * sr);
  std::vector<double> left(total), right(total);
  signal.Fill(left, right, sr);
  size_t pos = 0;
  size_t b = 0;
  std::string why;
  while (pos < total) {
    int n = blocks[b++ % blocks.size()];
    if (pos + static_cast<size_t>(n) > total) n = static_cast<int>(total - pos);
    if (changes && signal.Uniform() < 0.3) {
      const int index = static_cast<int>(signal.Uniform() * kNumVexaParams);
      rig.Set(index, signal.ParamValue(index));
    }
    ASSERT_TRUE(rig.Block(&left[pos], &right[pos], n, singles, &why)) << why << " at sample " << pos;
    pos += static_cast<size_t>(n);
  }
  rig.ExpectSameState();
  EXPECT_EQ(rig.sink.frames, static_cast<long>(total));
}

}  // namespace

TEST(EffectChain, MatchesPlainTranscriptionAcrossSettingsRatesAndBlockSizes)
{
  const TestSeed base(kSeed);
  const double rates[3] = {44100.0, 48000.0, 96000.0};
  uint32_t seed = base;
  for (double sr : rates) {
    for (int singles = 0; singles < 2; ++singles) {
      ExpectMatch("defaults", sr, kDefaults, {1024}, singles != 0, false, 0.6, seed++);
      ExpectMatch("busy", sr, kBusy, {333}, singles != 0, false, 0.6, seed++);
      ExpectMatch("dark resonant", sr, kDarkResonant, {64, 1024}, singles != 0, false, 0.6, seed++);
      ExpectMatch("open gate", sr, kOpenGate, {1024, 1}, singles != 0, false, 0.6, seed++);
      ExpectMatch("changing", sr, kBusy, {1, 64, 333, 1024}, singles != 0, true, 1.2, seed++);
    }
  }
}

TEST(EffectChain, MatchesPlainTranscriptionForEveryPitchAndReleaseStep)
{
  const TestSeed base(kSeed ^ 0x1234u);
  const double pitches[] = {-12.0, -11.5, -7.0, -0.25, 0.0, 0.5, 3.0, 7.0, 11.75, 12.0};
  const double releases[] = {0.05, 0.1, 0.3, 0.5};
  uint32_t seed = base;
  for (double p : pitches) {
    Setting s = kBusy;
    s.v[kParamPitch] = p;
    ExpectMatch("pitch", 44100.0, s, {512}, false, false, 0.15, seed++);
  }
  for (double r : releases) {
    for (double sequence : {0.0, 1.0}) {
      Setting s = kDefaults;
      s.v[kParamRelease] = r;
      s.v[kParamSequence] = sequence;
      s.v[kParamFrequency] = 2000.0;
      s.v[kParamQ] = 4.0;
      ExpectMatch("release", 48000.0, s, {1024, 333}, true, false, 1.1, seed++);
    }
  }
}

TEST(EffectChain, MatchesPlainTranscriptionWhereTheLevelMeetsItsThreshold)
{
  // Summed levels m within a few thousand ulps of m = exp(-m * intensity /
  // 8.65617025), where the envelope's decision between reduction and none
  // turns on the last bits.
  const double intensity = 45.0;
  double lo = 0.01, hi = 1.0;
  for (int i = 0; i < 200; ++i) {
    const double mid = 0.5 * (lo + hi);
    (mid < std::exp(-(mid * intensity) / 8.65617025) ? lo : hi) = mid;
  }
  Comparison rig(44100.0, true);
  rig.Apply(kDefaults);
  rig.Set(kParamIntensity, intensity);
  rig.Set(kParamAttack, 0.0001);
  std::vector<double> left, right;
  double m = lo;
  for (int i = 0; i < 3000; ++i) m = std::nextafter(m, 0.0);
  for (int i = 0; i < 6000; ++i, m = std::nextafter(m, 1.0)) {
    left.push_back(0.5 * m);
    right.push_back(0.5 * m);
    left.push_back(-0.25);  // a negative sum between, so the gain keeps moving
    right.push_back(-0.25);
  }
  std::string why;
  for (size_t pos = 0; pos < left.size(); pos += 1000) {
    ASSERT_TRUE(rig.Block(&left[pos], &right[pos], 1000, false, &why)) << why << " at sample " << pos;
  }
  rig.ExpectSameState();
}

TEST(EffectChain, ZeroShiftDelaysTheInputByExactly1000Samples)
{
  Comparison rig(44100.0, false);
  std::vector<double> in(1500, 0.0), zero(1500, 0.0);
  in[0] = 0.5;
  std::string why;
  ASSERT_TRUE(rig.Block(in.data(), zero.data(), 1500, false, &why)) << why;
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(rig.OutL()[static_cast<size_t>(i)], 0.0) << i;
  EXPECT_GT(rig.OutL()[1000], 0.1);
  for (double v : rig.OutR()) EXPECT_EQ(v, 0.0);
}

TEST(EffectChain, GateOpensForReleaseSecondsAndClosesForATenthInEveryCycle)
{
  Comparison rig(44100.0, false);
  rig.Set(kParamRelease, 0.3);
  const int block = 441;  // 10 ms
  std::vector<double> zero(block, 0.0);
  std::vector<float> gate;
  std::string why;
  for (int b = 0; b < 250; ++b) {
    ASSERT_TRUE(rig.Block(zero.data(), zero.data(), block, false, &why)) << why;
    gate.push_back(rig.Chain().gateTarget);
  }
  // Closed until the phase first reaches 0.5 s, then 30 blocks open and 10
  // closed, with each edge on a block boundary (one block either way for the
  // rounding of the accumulated durations).
  int firstOpen = -1;
  for (int b = 0; b < static_cast<int>(gate.size()); ++b) {
    if (gate[static_cast<size_t>(b)] == kGateOpen) {
      firstOpen = b;
      break;
    }
  }
  ASSERT_GE(firstOpen, 48);
  ASSERT_LE(firstOpen, 50);
  std::vector<int> runs;
  float current = gate[static_cast<size_t>(firstOpen)];
  int length = 0;
  for (size_t b = static_cast<size_t>(firstOpen); b < gate.size(); ++b) {
    if (gate[b] == current) {
      ++length;
    } else {
      runs.push_back(length);
      current = gate[b];
      length = 1;
    }
    ASSERT_TRUE(gate[b] == 0.999f || gate[b] == 0.001f);
  }
  ASSERT_GE(runs.size(), 8u);
  for (size_t r = 0; r < runs.size(); ++r) {
    const int expected = r % 2 == 0 ? 30 : 10;
    EXPECT_NEAR(runs[r], expected, 1) << "run " << r;
  }
}

TEST(EffectChain, EmptyAndLongBlocksAdvanceTheGateByTheirDuration)
{
  auto chain = std::make_unique<EffectChain>();
  std::vector<double> in(44100, 0.25);
  double sentinel = 7.0;
  double* outs[2] = {&sentinel, &sentinel};
  const double* ins[2] = {in.data(), in.data()};
  chain->ProcessBlock(ins, outs, 0, 44100.0, nullptr);
  EXPECT_EQ(sentinel, 7.0);
  EXPECT_EQ(chain->sequencePhase, 0.0);
  EXPECT_EQ(chain->shifterLeft.writeCounter, 0u);

  // One second from phase 0 with release 0.1 crosses both limits: the block
  // opens the gate, wraps the phase back by 0.2 s once and ends closed.
  std::vector<double> outL(44100), outR(44100);
  double* longOuts[2] = {outL.data(), outR.data()};
  chain->ProcessBlock(ins, longOuts, 44100, 44100.0, nullptr);
  EXPECT_EQ(chain->gateTarget, kGateClosed);
  EXPECT_NEAR(chain->sequencePhase, 0.8, 1e-12);
  EXPECT_EQ(chain->shifterLeft.writeCounter, 44100u);

  // A negative count moves the phase back (here to 0.7 s, still past the
  // limit, so it wraps once more) and touches no sample.
  chain->ProcessBlock(ins, outs, -4410, 44100.0, nullptr);
  EXPECT_NEAR(chain->sequencePhase, 0.5, 1e-12);
  EXPECT_EQ(sentinel, 7.0);

  // Missing channels leave the block unprocessed but still clock the gate:
  // 0.51 s wraps to 0.31 s, 0.32 s to 0.12 s.
  const double* oneIn[2] = {in.data(), nullptr};
  chain->ProcessBlock(oneIn, longOuts, 441, 44100.0, nullptr);
  chain->ProcessBlock(nullptr, longOuts, 441, 44100.0, nullptr);
  EXPECT_NEAR(chain->sequencePhase, 0.12, 1e-12);
  EXPECT_EQ(chain->shifterLeft.writeCounter, 44100u);
}

TEST(EffectChain, NonNumbersAndOutOfRangeSamplesCountAsSilence)
{
  const TestSeed seed(kSeed + 7);
  Signal signal(seed);
  const int total = 40000;
  std::vector<double> left(total), right(total);
  signal.Fill(left, right, 44100.0);
  std::vector<double> bad = left, badR = right, clean = left, cleanR = right;
  const double poison[] = {NAN, INFINITY, -INFINITY, DBL_MAX, -1e300, 3.5e38};
  for (int i = 10000; i < 10300; ++i) {
    bad[static_cast<size_t>(i)] = poison[i % 6];
    badR[static_cast<size_t>(i)] = poison[(i + 3) % 6];
    clean[static_cast<size_t>(i)] = 0.0;
    cleanR[static_cast<size_t>(i)] = 0.0;
  }
  Comparison a(44100.0, true), b(44100.0, true);
  a.Apply(kBusy);
  b.Apply(kBusy);
  for (int pos = 0; pos < total; pos += 500) {
    std::string why;
    const size_t at = static_cast<size_t>(pos);
    // The transcription admits the same samples, so the poisoned run still
    // matches it, and it matches a run with silence in place of the burst.
    ASSERT_TRUE(a.Block(&bad[at], &badR[at], 500, false, &why)) << why;
    ASSERT_TRUE(b.Block(&clean[at], &cleanR[at], 500, false, &why)) << why;
    for (size_t i = 0; i < 500; ++i) {
      ASSERT_EQ(Bits(a.OutL()[i]), Bits(b.OutL()[i])) << at + i;
      ASSERT_EQ(Bits(a.OutR()[i]), Bits(b.OutR()[i])) << at + i;
      ASSERT_TRUE(std::isfinite(a.OutL()[i])) << at + i;
    }
  }
  EXPECT_TRUE(std::isfinite(a.Chain().envelopeGain));
  EXPECT_TRUE(std::isfinite(a.Chain().reductionMeter.load()));
}

TEST(EffectChain, FullScaleSamplesLeaveTheStateFinite)
{
  // The largest admitted samples, at a shift with fractional tap weights and
  // with the shaped blend, pass every stage without overflowing for good.
  auto chain = std::make_unique<EffectChain>();
  rig::RecordingSink sink;
  IScopedFlushDenormals flush;
  for (int pitch : {7, -5}) {
    chain->SetParameter(kParamPitch, pitch);
    chain->SetParameter(kParamMix, 100.0);
    std::vector<double> in(512), outL(512), outR(512);
    const double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {outL.data(), outR.data()};
    for (int b = 0; b < 8; ++b) {
      for (size_t i = 0; i < in.size(); ++i) in[i] = (i % 3 == 0) ? FLT_MAX : -FLT_MAX * 0.999;
      chain->ProcessBlock(ins, outs, 512, 44100.0, &sink);
    }
    for (double& v : in) v = 0.0;
    for (int b = 0; b < 8; ++b) chain->ProcessBlock(ins, outs, 512, 44100.0, &sink);  // past the shifters' reach
    for (int b = 0; b < 4; ++b) {
      chain->ProcessBlock(ins, outs, 512, 44100.0, &sink);
      for (size_t i = 0; i < outL.size(); ++i) {
        ASSERT_TRUE(std::isfinite(outL[i]) && std::isfinite(outR[i])) << "pitch " << pitch << " sample " << i;
      }
    }
    EXPECT_TRUE(std::isfinite(chain->envelopeFilterLeft.z1) && std::isfinite(chain->sequenceFilterRight.z2));
    EXPECT_TRUE(std::isfinite(sink.lastReduction.load()));
  }
}

TEST(EffectChain, LowSampleRatesStayFiniteAtEverySetting)
{
  for (double sr : {22050.0, 32000.0}) {
    Comparison rig(sr, true);
    const TestSeed seed(kSeed + static_cast<uint32_t>(sr));
    Signal signal(seed);
    const Setting settings[] = {kDefaults, kBusy, kDarkResonant, kOpenGate,
                                {{7.0, 20000.0, 0.0001, 0.5, 90.0, 100.0, 12.0, 12.0, 1.0}},
                                {{0.4, 20000.0, 0.005, 0.05, 0.0, 0.0, -12.0, -12.0, 0.0}}};
    std::vector<double> left(2048), right(2048);
    for (const Setting& s : settings) {
      rig.Apply(s);
      for (int b = 0; b < 12; ++b) {
        signal.Fill(left, right, sr);
        std::string why;
        // Matching the transcription, which limits the cut-off the same way.
        ASSERT_TRUE(rig.Block(left.data(), right.data(), 2048, b % 2 != 0, &why)) << why;
        for (size_t i = 0; i < left.size(); ++i) {
          ASSERT_TRUE(std::isfinite(rig.OutL()[i]) && std::isfinite(rig.OutR()[i])) << sr << " " << i;
        }
      }
      EXPECT_LE(rig.Chain().envelopeFilterLeft.cutoff, kMaxCutoffFraction);
      EXPECT_LE(rig.Chain().sequenceFilterRight.cutoff, kMaxCutoffFraction);
    }
  }
}

TEST(EffectChain, IndicatorsReachTheSinkEveryFrameAndStayWithoutOne)
{
  const TestSeed seed(kSeed + 99);
  Signal signal(seed);
  std::vector<double> left(1000), right(1000), outL(1000), outR(1000);
  signal.Fill(left, right, 44100.0);
  const double* ins[2] = {left.data(), right.data()};
  double* outs[2] = {outL.data(), outR.data()};

  rig::ChainPair with;
  with.Apply(kBusy);
  rig::RecordingSink sink;
  with.chain->ProcessBlock(ins, outs, 1000, 44100.0, &sink);
  EXPECT_EQ(sink.frames, 1000);
  EXPECT_LE(sink.calls, 1000 / 32 + 1);
  EXPECT_EQ(sink.lastReduction.load(), with.chain->reductionMeter.load());
  EXPECT_EQ(sink.lastGate.load(), with.chain->gateMeter.load());
  EXPECT_NE(with.chain->reductionMeter.load(), 1.0);

  rig::ChainPair without;
  without.Apply(kBusy);
  without.chain->ProcessBlock(ins, outs, 1000, 44100.0, nullptr);
  EXPECT_EQ(without.chain->reductionMeter.load(), 1.0);
  EXPECT_EQ(without.chain->gateMeter.load(), 1.0);
  // The heard signal does not depend on whether anyone watches.
  std::vector<double> watchedL(1000), watchedR(1000);
  double* watched[2] = {watchedL.data(), watchedR.data()};
  rig::ChainPair again;
  again.Apply(kBusy);
  again.chain->ProcessBlock(ins, watched, 1000, 44100.0, &sink);
  for (size_t i = 0; i < outL.size(); ++i) ASSERT_EQ(Bits(outL[i]), Bits(watchedL[i])) << i;
}

TEST(EffectChain, SilenceAfterSignalLeavesNoSubnormalStateWhereDenormalsFlush)
{
  // Loud resonant input, then the memories scaled down to where a long decay
  // would have taken them, then silence.
  const TestSeed seed(kSeed + 5);
  auto prepare = [&seed](EffectChain& chain) {
    chain.SetParameter(kParamFrequency, 100.0);
    chain.SetParameter(kParamQ, 7.0);
    Signal signal(seed);
    std::vector<double> left(22050), right(22050), outL(22050), outR(22050);
    signal.Fill(left, right, 44100.0);
    const double* ins[2] = {left.data(), right.data()};
    double* outs[2] = {outL.data(), outR.data()};
    chain.ProcessBlock(ins, outs, 22050, 44100.0, nullptr);
    for (BiquadSection* s : {&chain.envelopeFilterLeft, &chain.envelopeFilterRight, &chain.sequenceFilterLeft,
                             &chain.sequenceFilterRight}) {
      s->z1 *= 1e-300;
      s->z2 *= 1e-300;
    }
  };
  auto subnormal = [](const EffectChain& chain) {
    for (const BiquadSection* s : {&chain.envelopeFilterLeft, &chain.envelopeFilterRight, &chain.sequenceFilterLeft,
                                   &chain.sequenceFilterRight}) {
      if (std::fpclassify(s->z1) == FP_SUBNORMAL || std::fpclassify(s->z2) == FP_SUBNORMAL) return true;
    }
    return false;
  };
  std::vector<double> zero(1024, 0.0), outL(1024), outR(1024);
  const double* ins[2] = {zero.data(), zero.data()};
  double* outs[2] = {outL.data(), outR.data()};

  // Without flushing the memories do go subnormal: the premise of the check
  // below.
  auto bare = std::make_unique<EffectChain>();
  prepare(*bare);
  bool seen = false;
  for (int b = 0; b < 120 && !seen; ++b) {
    bare->ProcessBlock(ins, outs, 1024, 44100.0, nullptr);
    seen = subnormal(*bare);
  }
  ASSERT_TRUE(seen);

  if (!IScopedFlushDenormals::kFlushes) GTEST_SKIP() << "this processor's denormals are not flushed";
  auto flushed = std::make_unique<EffectChain>();
  prepare(*flushed);
  IScopedFlushDenormals flush;
  for (int b = 0; b < 120; ++b) {
    flushed->ProcessBlock(ins, outs, 1024, 44100.0, nullptr);
    ASSERT_FALSE(subnormal(*flushed)) << "block " << b;
  }
}

TEST(ShapeSample, InterpolatesTheTableWithTheInputsSign)
{
  EXPECT_EQ(ShapeSample(0.05),
            static_cast<double>(kShapeTable[99]) * 0.5 + static_cast<double>(kShapeTable[100]) * 0.5);
  EXPECT_EQ(ShapeSample(0.0), 0.0);
  EXPECT_TRUE(std::signbit(ShapeSample(-0.0)));
  for (double x = 0.0; x < 0.2; x += 0.000731) {
    EXPECT_EQ(ShapeSample(-x), -ShapeSample(x)) << x;
  }
  for (int i = 0; i < kShapeTableSize; i += 7) {
    EXPECT_NEAR(ShapeSample(i / kShapeInputScale), kShapeTable[i], 1e-9) << i;
  }
  // Held at the last entry from magnitude 0.1 on, whatever comes in.
  for (double x : {0.1, 0.5, 3.0, 1e30, static_cast<double>(FLT_MAX) * 4.0, static_cast<double>(INFINITY)}) {
    EXPECT_EQ(ShapeSample(x), static_cast<double>(kShapeTable[199])) << x;
    EXPECT_EQ(ShapeSample(-x), -static_cast<double>(kShapeTable[199])) << x;
  }
  EXPECT_EQ(std::fabs(ShapeSample(NAN)), static_cast<double>(kShapeTable[199]));
}

TEST(ShapeSample, TableRisesSlowlyThenFollowsAStraightLine)
{
  EXPECT_EQ(kShapeTable[0], 0.0f);
  EXPECT_EQ(kShapeTable[199], 0.112931825f);
  for (int i = 1; i < kShapeTableSize; ++i) EXPECT_GT(kShapeTable[i], kShapeTable[i - 1]) << i;
  // The curved start: each step grows up to entry 9.
  for (int i = 1; i < 9; ++i) EXPECT_GT(kShapeTable[i + 1] - kShapeTable[i], kShapeTable[i] - kShapeTable[i - 1]);
  for (int i = 45; i < kShapeTableSize - 1; ++i) {
    EXPECT_NEAR(kShapeTable[i + 1] - kShapeTable[i], 0.000581226, 2e-8) << i;
  }
}
