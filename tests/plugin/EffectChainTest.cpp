#include <gtest/gtest.h>

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/FloatEnv.h"
#include "plugin/EffectChain.h"
#include "plugin/Vexa.h"
#include "tests/plugin/ReferenceEffect.h"

namespace {

constexpr uint32_t kSeed = 0x5eed4d59;
constexpr int kReductionControl = 10;
constexpr int kGateControl = 11;

// An editor as far as the effect can see one: counts and keeps the indicator
// values handed to its controls.
class FakeEditor : public IEditorLink
{
public:
  static constexpr int kControls = 12;

  FakeEditor()
  {
    for (auto& v : values) v.store(-1.0, std::memory_order_relaxed);
  }
  void PushParamToControls(int, double, bool) override {}
  void CreateBackBuffer() override {}
  void* OpenEditor(void*) override { return nullptr; }
  void CloseEditor() override {}
  int Width() const override { return 764; }
  int Height() const override { return 222; }
  int ControlCount() const override { return kControls; }
  void TakePlugValueAt(int index, double value) override
  {
    if (index < 0 || index >= kControls) {
      ++outOfRange;
      return;
    }
    values[index].store(value, std::memory_order_relaxed);
    ++calls[index];
  }

  std::atomic<double> values[kControls];
  long calls[kControls] = {};
  long outOfRange = 0;
};

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

// Parameter values in plain units, in index order.
struct Setting
{
  double v[kNumVexaParams];
};

constexpr Setting kDefaults = {{0.707, 20000.0, 0.001, 0.1, 0.0, 0.0, 0.0, 0.0, 0.0}};
constexpr Setting kBusy = {{0.707, 20000.0, 0.001, 0.1, 60.0, 50.0, 0.0, 7.0, 1.0}};
constexpr Setting kDarkResonant = {{7.0, 100.0, 0.005, 0.3, 90.0, 100.0, 12.0, -12.0, 0.0}};
constexpr Setting kOpenGate = {{0.4, 20000.0, 0.0001, 0.05, 30.0, 0.0, -12.0, 12.0, 1.0}};

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
  double ParamValue(int index, const IParameter& p)
  {
    const double u = Uniform();
    if (u < 0.15) return p.Min();
    if (u < 0.3) return p.Max();
    double v = p.Min() + Uniform() * (p.Max() - p.Min());
    if (index == kParamPitch && Uniform() < 0.5) v = std::round(v);
    if (index == kParamSequence) v = Uniform() < 0.5 ? 0.0 : 1.0;
    return v;
  }

  uint32_t Next() { return mRng(); }

private:
  std::mt19937 mRng;
};

// One effect instance driven through the host adapter next to the plain
// transcription, both fed the same samples and parameter values.
class Rig
{
public:
  Rig(double sr, bool withEditor) : plug(new Vexa(nullptr)), ref(new reference::Effect), mSr(sr)
  {
    effect = plug->Effect();
    if (withEditor) {
      editor = new FakeEditor;
      plug->AttachEditor(editor);
      plug->SetMeterControls(kReductionControl, kGateControl);
    }
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sr));
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    for (int i = 0; i < kNumVexaParams; ++i) ref->SetParameter(i, plug->ParameterAt(i)->Value());
  }

  void Set(int index, double value)
  {
    plug->ParameterAt(index)->SetClamped(value);
    plug->ParameterChanged(index);
    ref->SetParameter(index, plug->ParameterAt(index)->Value());
  }

  void Apply(const Setting& s)
  {
    for (int i = 0; i < kNumVexaParams; ++i) Set(i, s.v[i]);
  }

  // Runs one block through both; false (with a message) at the first sample
  // that differs.
  bool Block(const double* inL, const double* inR, int n, bool doubles, std::string* why)
  {
    mOutL.assign(static_cast<size_t>(n), 0.0);
    mOutR.assign(static_cast<size_t>(n), 0.0);
    std::vector<double> refL(static_cast<size_t>(n)), refR(static_cast<size_t>(n));
    std::vector<double> inLd, inRd;
    if (doubles) {
      double* in[2] = {const_cast<double*>(inL), const_cast<double*>(inR)};
      double* out[2] = {mOutL.data(), mOutR.data()};
      effect->processDoubleReplacing(effect, in, out, n);
      inLd.assign(inL, inL + n);
      inRd.assign(inR, inR + n);
    } else {
      std::vector<float> fl(inL, inL + n), fr(inR, inR + n), ol(static_cast<size_t>(n)), orr(static_cast<size_t>(n));
      float* in[2] = {fl.data(), fr.data()};
      float* out[2] = {ol.data(), orr.data()};
      effect->processReplacing(effect, in, out, n);
      inLd.assign(fl.begin(), fl.end());
      inRd.assign(fr.begin(), fr.end());
      mOutL.assign(ol.begin(), ol.end());
      mOutR.assign(orr.begin(), orr.end());
    }
    std::vector<float> refLf(static_cast<size_t>(n)), refRf(static_cast<size_t>(n));
    {
      // The same floating-point environment as the audio callbacks, also for
      // the conversion to single precision the float callback does.
      IScopedFlushDenormals flush;
      const double* in[2] = {inLd.data(), inRd.data()};
      double* out[2] = {refL.data(), refR.data()};
      ref->ProcessBlock(in, out, n, mSr, editor != nullptr);
      for (size_t i = 0; i < refL.size(); ++i) {
        refLf[i] = static_cast<float>(refL[i]);
        refRf[i] = static_cast<float>(refR[i]);
      }
    }
    for (int i = 0; i < n; ++i) {
      for (int c = 0; c < 2; ++c) {
        const size_t k = static_cast<size_t>(i);
        const double got = c ? mOutR[k] : mOutL[k];
        const double want = c ? refR[k] : refL[k];
        const bool same = doubles ? Bits(got) == Bits(want)
                                  : Bits(static_cast<float>(got)) == Bits(c ? refRf[k] : refLf[k]);
        if (!same) {
          char text[200];
          std::snprintf(text, sizeof text, "frame %d of %d, channel %d: got %.17g, reference %.17g", i, n, c, got,
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
    EXPECT_EQ(Bits(plug->envelopeGain), Bits(ref->envelopeGain));
    EXPECT_EQ(Bits(plug->sequencePhase), Bits(ref->sequencePhase));
    EXPECT_EQ(Bits(plug->gateTarget), Bits(ref->gateTarget));
    EXPECT_EQ(Bits(plug->gateSmoother.state), Bits(ref->smootherState));
    const BiquadSection* mine[4] = {&plug->envelopeFilterLeft, &plug->envelopeFilterRight,
                                    &plug->sequenceFilterLeft, &plug->sequenceFilterRight};
    const reference::Section* theirs[4] = {&ref->envelopeLeft, &ref->envelopeRight, &ref->sequenceLeft,
                                           &ref->sequenceRight};
    for (int s = 0; s < 4; ++s) {
      EXPECT_EQ(Bits(mine[s]->z1), Bits(theirs[s]->z1)) << "section " << s;
      EXPECT_EQ(Bits(mine[s]->z2), Bits(theirs[s]->z2)) << "section " << s;
      EXPECT_EQ(Bits(mine[s]->cutoff), Bits(theirs[s]->cutoff)) << "section " << s;
      EXPECT_EQ(Bits(mine[s]->b2), Bits(theirs[s]->b2)) << "section " << s;
    }
    EXPECT_EQ(Bits(plug->shifterLeft.delay), Bits(ref->shifterLeft.delay));
    EXPECT_EQ(plug->shifterRight.writeCounter, ref->shifterRight.writeCounter);
    EXPECT_EQ(Bits(plug->reductionMeter.load()), Bits(ref->reductionMeter));
    EXPECT_EQ(Bits(plug->gateMeter.load()), Bits(ref->gateMeter));
    if (editor) {
      EXPECT_EQ(Bits(editor->values[kReductionControl].load()), Bits(ref->reductionMeter));
      EXPECT_EQ(Bits(editor->values[kGateControl].load()), Bits(ref->gateMeter));
    }
  }

  const std::vector<double>& OutL() const { return mOutL; }
  const std::vector<double>& OutR() const { return mOutR; }

  std::unique_ptr<Vexa> plug;
  std::unique_ptr<reference::Effect> ref;
  AEffect* effect = nullptr;
  FakeEditor* editor = nullptr;  // owned by the plug once attached

private:
  double mSr;
  std::vector<double> mOutL, mOutR;
};

void PrintSeed()
{
  static bool printed = false;
  if (!printed) std::printf("effect chain test seed: 0x%08x\n", kSeed);
  printed = true;
}

// Runs `seconds` of signal in blocks cycling through `blocks`; with
// `changes`, a random parameter takes a random value between blocks.
void ExpectMatch(const char* name, double sr, const Setting& start, std::vector<int> blocks, bool doubles,
                 bool changes, double seconds, uint32_t seed)
{
  SCOPED_TRACE(name);
  Rig rig(sr, true);
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
      rig.Set(index, signal.ParamValue(index, *rig.plug->ParameterAt(index)));
    }
    ASSERT_TRUE(rig.Block(&left[pos], &right[pos], n, doubles, &why)) << why << " at sample " << pos;
    pos += static_cast<size_t>(n);
  }
  rig.ExpectSameState();
}

}  // namespace

TEST(EffectChain, MatchesPlainTranscriptionAcrossSettingsRatesAndBlockSizes)
{
  PrintSeed();
  const double rates[3] = {44100.0, 48000.0, 96000.0};
  uint32_t seed = kSeed;
  for (double sr : rates) {
    for (int doubles = 0; doubles < 2; ++doubles) {
      ExpectMatch("defaults", sr, kDefaults, {1024}, doubles != 0, false, 0.6, seed++);
      ExpectMatch("busy", sr, kBusy, {333}, doubles != 0, false, 0.6, seed++);
      ExpectMatch("dark resonant", sr, kDarkResonant, {64, 1024}, doubles != 0, false, 0.6, seed++);
      ExpectMatch("open gate", sr, kOpenGate, {1024, 1}, doubles != 0, false, 0.6, seed++);
      ExpectMatch("changing", sr, kBusy, {1, 64, 333, 1024}, doubles != 0, true, 1.2, seed++);
    }
  }
}

TEST(EffectChain, MatchesPlainTranscriptionForEveryPitchAndReleaseStep)
{
  PrintSeed();
  const double pitches[] = {-12.0, -11.5, -7.0, -0.25, 0.0, 0.5, 3.0, 7.0, 11.75, 12.0};
  const double releases[] = {0.05, 0.1, 0.3, 0.5};
  uint32_t seed = kSeed ^ 0x1234u;
  for (double p : pitches) {
    Setting s = kBusy;
    s.v[kParamPitch] = p;
    ExpectMatch("pitch", 44100.0, s, {512}, true, false, 0.15, seed++);
  }
  for (double r : releases) {
    for (double sequence : {0.0, 1.0}) {
      Setting s = kDefaults;
      s.v[kParamRelease] = r;
      s.v[kParamSequence] = sequence;
      s.v[kParamFrequency] = 2000.0;
      s.v[kParamQ] = 4.0;
      ExpectMatch("release", 48000.0, s, {1024, 333}, false, false, 1.1, seed++);
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
  Rig rig(44100.0, true);
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
    ASSERT_TRUE(rig.Block(&left[pos], &right[pos], 1000, true, &why)) << why << " at sample " << pos;
  }
  rig.ExpectSameState();
}

TEST(EffectChain, ZeroShiftDelaysTheInputByExactly1000Samples)
{
  Rig rig(44100.0, false);
  std::vector<double> in(1500, 0.0), zero(1500, 0.0);
  in[0] = 0.5;
  std::string why;
  ASSERT_TRUE(rig.Block(in.data(), zero.data(), 1500, true, &why)) << why;
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(rig.OutL()[static_cast<size_t>(i)], 0.0) << i;
  EXPECT_GT(rig.OutL()[1000], 0.1);
  for (double v : rig.OutR()) EXPECT_EQ(v, 0.0);
}

TEST(EffectChain, GateOpensForReleaseSecondsAndClosesForATenthInEveryCycle)
{
  Rig rig(44100.0, false);
  rig.Set(kParamRelease, 0.3);
  const int block = 441;  // 10 ms
  std::vector<double> zero(block, 0.0);
  std::vector<float> gate;
  std::string why;
  for (int b = 0; b < 250; ++b) {
    ASSERT_TRUE(rig.Block(zero.data(), zero.data(), block, true, &why)) << why;
    gate.push_back(rig.plug->gateTarget);
  }
  // Closed until the phase first reaches 0.5 s, then 30 blocks open and 10
  // closed, with each edge on a block boundary (one block either way for the
  // rounding of the accumulated durations).
  int firstOpen = -1;
  for (int b = 0; b < static_cast<int>(gate.size()); ++b) {
    if (gate[static_cast<size_t>(b)] == 0.999f) {
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
  Rig rig(44100.0, false);
  std::vector<double> in(44100, 0.25);
  double sentinel = 7.0;
  double* outs[2] = {&sentinel, &sentinel};
  double* ins[2] = {in.data(), in.data()};
  rig.plug->ProcessBlock(ins, outs, 0);
  EXPECT_EQ(sentinel, 7.0);
  EXPECT_EQ(rig.plug->sequencePhase, 0.0);
  EXPECT_EQ(rig.plug->shifterLeft.writeCounter, 0u);

  // One second from phase 0 with release 0.1 crosses both limits: the block
  // opens the gate, wraps the phase back by 0.2 s once and ends closed.
  std::vector<double> outL(44100), outR(44100);
  double* longOuts[2] = {outL.data(), outR.data()};
  rig.plug->ProcessBlock(ins, longOuts, 44100);
  EXPECT_EQ(rig.plug->gateTarget, 0.001f);
  EXPECT_NEAR(rig.plug->sequencePhase, 0.8, 1e-12);
  EXPECT_EQ(rig.plug->shifterLeft.writeCounter, 44100u);

  // A negative count moves the phase back (here to 0.7 s, still past the
  // limit, so it wraps once more) and touches no sample.
  rig.plug->ProcessBlock(ins, outs, -4410);
  EXPECT_NEAR(rig.plug->sequencePhase, 0.5, 1e-12);
  EXPECT_EQ(sentinel, 7.0);
}

TEST(EffectChain, NonNumbersAndOutOfRangeSamplesCountAsSilence)
{
  PrintSeed();
  Signal signal(kSeed + 7);
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
  Rig a(44100.0, true), b(44100.0, true);
  a.Apply(kBusy);
  b.Apply(kBusy);
  std::vector<double> outA, outB;
  for (int pos = 0; pos < total; pos += 500) {
    std::string why;
    // The transcription admits the same samples, so the poisoned run still
    // matches it, and it matches a run with silence in place of the burst.
    ASSERT_TRUE(a.Block(&bad[static_cast<size_t>(pos)], &badR[static_cast<size_t>(pos)], 500, true, &why)) << why;
    ASSERT_TRUE(b.Block(&clean[static_cast<size_t>(pos)], &cleanR[static_cast<size_t>(pos)], 500, true, &why))
        << why;
    for (int i = 0; i < 500; ++i) {
      ASSERT_EQ(Bits(a.OutL()[static_cast<size_t>(i)]), Bits(b.OutL()[static_cast<size_t>(i)])) << pos + i;
      ASSERT_EQ(Bits(a.OutR()[static_cast<size_t>(i)]), Bits(b.OutR()[static_cast<size_t>(i)])) << pos + i;
      ASSERT_TRUE(std::isfinite(a.OutL()[static_cast<size_t>(i)])) << pos + i;
    }
  }
  EXPECT_TRUE(std::isfinite(a.plug->envelopeGain));
  EXPECT_TRUE(std::isfinite(a.plug->reductionMeter.load()));
}

TEST(EffectChain, FullScaleSamplesLeaveTheStateFinite)
{
  // The largest admitted samples, at a shift with fractional tap weights and
  // with the shaped blend, pass every stage without overflowing for good.
  auto owned = std::make_unique<Vexa>(nullptr);
  Vexa& plug = *owned;
  AEffect* e = plug.Effect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  for (int pitch : {7, -5}) {
    plug.ParameterAt(kParamPitch)->SetClamped(pitch);
    plug.ParameterChanged(kParamPitch);
    plug.ParameterAt(kParamMix)->SetClamped(100.0);
    plug.ParameterChanged(kParamMix);
    std::vector<double> in(512), outL(512), outR(512);
    double* ins[2] = {in.data(), in.data()};
    double* outs[2] = {outL.data(), outR.data()};
    for (int b = 0; b < 8; ++b) {
      for (size_t i = 0; i < in.size(); ++i) in[i] = (i % 3 == 0) ? FLT_MAX : -FLT_MAX * 0.999;
      e->processDoubleReplacing(e, ins, outs, 512);
    }
    for (double& v : in) v = 0.0;
    for (int b = 0; b < 8; ++b) e->processDoubleReplacing(e, ins, outs, 512);  // past the shifters' reach
    for (int b = 0; b < 4; ++b) {
      e->processDoubleReplacing(e, ins, outs, 512);
      for (size_t i = 0; i < outL.size(); ++i) {
        ASSERT_TRUE(std::isfinite(outL[i]) && std::isfinite(outR[i])) << "pitch " << pitch << " sample " << i;
      }
    }
    EXPECT_TRUE(std::isfinite(plug.envelopeFilterLeft.z1) && std::isfinite(plug.sequenceFilterRight.z2));
  }
}

TEST(EffectChain, LowSampleRatesStayFiniteAtEverySetting)
{
  PrintSeed();
  for (double sr : {22050.0, 32000.0}) {
    Rig rig(sr, true);
    Signal signal(kSeed + static_cast<uint32_t>(sr));
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
        ASSERT_TRUE(rig.Block(left.data(), right.data(), 2048, b % 2 == 0, &why)) << why;
        for (size_t i = 0; i < left.size(); ++i) {
          ASSERT_TRUE(std::isfinite(rig.OutL()[i]) && std::isfinite(rig.OutR()[i])) << sr << " " << i;
        }
      }
      EXPECT_LE(rig.plug->envelopeFilterLeft.cutoff, kMaxCutoffFraction);
      EXPECT_LE(rig.plug->sequenceFilterRight.cutoff, kMaxCutoffFraction);
    }
  }
}

TEST(EffectChain, IndicatorsReachTheirControlsOnlyWhileAnEditorExists)
{
  PrintSeed();
  Signal signal(kSeed + 99);
  std::vector<double> left(1000), right(1000);
  signal.Fill(left, right, 44100.0);
  double* ins[2] = {left.data(), right.data()};
  std::vector<double> outL(1000), outR(1000);
  double* outs[2] = {outL.data(), outR.data()};

  Rig with(44100.0, true);
  with.Apply(kBusy);
  with.effect->processDoubleReplacing(with.effect, ins, outs, 1000);
  EXPECT_EQ(with.editor->calls[kReductionControl], 1000);
  EXPECT_EQ(with.editor->calls[kGateControl], 1000);
  EXPECT_EQ(with.editor->values[kReductionControl].load(), with.plug->reductionMeter.load());
  EXPECT_EQ(with.editor->values[kGateControl].load(), with.plug->gateMeter.load());
  EXPECT_NE(with.plug->reductionMeter.load(), 1.0);

  // Indices outside the control list are skipped, not handed over.
  with.plug->SetMeterControls(FakeEditor::kControls, -1);
  with.effect->processDoubleReplacing(with.effect, ins, outs, 1000);
  EXPECT_EQ(with.editor->outOfRange, 0);
  EXPECT_EQ(with.editor->calls[kReductionControl], 1000);
  EXPECT_EQ(with.editor->calls[kGateControl], 1000);

  Rig without(44100.0, false);
  without.Apply(kBusy);
  without.effect->processDoubleReplacing(without.effect, ins, outs, 1000);
  EXPECT_EQ(without.plug->reductionMeter.load(), 1.0);
  EXPECT_EQ(without.plug->gateMeter.load(), 1.0);
}

TEST(EffectChain, SilenceAfterSignalLeavesNoSubnormalState)
{
  PrintSeed();
  // Loud resonant input, then the memories scaled down to where a long decay
  // would have taken them, then silence.
  auto prepare = [](Vexa& plug) {
    AEffect* e = plug.Effect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    plug.ParameterAt(kParamFrequency)->SetClamped(100.0);
    plug.ParameterChanged(kParamFrequency);
    plug.ParameterAt(kParamQ)->SetClamped(7.0);
    plug.ParameterChanged(kParamQ);
    Signal signal(kSeed + 5);
    std::vector<double> left(22050), right(22050), outL(22050), outR(22050);
    signal.Fill(left, right, 44100.0);
    double* ins[2] = {left.data(), right.data()};
    double* outs[2] = {outL.data(), outR.data()};
    e->processDoubleReplacing(e, ins, outs, 22050);
    for (BiquadSection* s : {&plug.envelopeFilterLeft, &plug.envelopeFilterRight, &plug.sequenceFilterLeft,
                             &plug.sequenceFilterRight}) {
      s->z1 *= 1e-300;
      s->z2 *= 1e-300;
    }
  };
  auto subnormal = [](const Vexa& plug) {
    for (const BiquadSection* s : {&plug.envelopeFilterLeft, &plug.envelopeFilterRight, &plug.sequenceFilterLeft,
                                   &plug.sequenceFilterRight}) {
      if (std::fpclassify(s->z1) == FP_SUBNORMAL || std::fpclassify(s->z2) == FP_SUBNORMAL) return true;
    }
    return false;
  };
  std::vector<double> zero(1024, 0.0), outL(1024), outR(1024);
  double* ins[2] = {zero.data(), zero.data()};
  double* outs[2] = {outL.data(), outR.data()};

  // Called directly, outside the audio callbacks, the memories do go
  // subnormal: the premise of the check below.
  auto bare = std::make_unique<Vexa>(nullptr);
  prepare(*bare);
  bool seen = false;
  for (int b = 0; b < 120 && !seen; ++b) {
    bare->ProcessBlock(ins, outs, 1024);
    seen = subnormal(*bare);
  }
  ASSERT_TRUE(seen);

  auto hosted = std::make_unique<Vexa>(nullptr);
  prepare(*hosted);
  AEffect* e = hosted->Effect();
  const unsigned before = _mm_getcsr();
  for (int b = 0; b < 120; ++b) {
    e->processDoubleReplacing(e, ins, outs, 1024);
    ASSERT_FALSE(subnormal(*hosted)) << "block " << b;
  }
  EXPECT_EQ(_mm_getcsr(), before);
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
