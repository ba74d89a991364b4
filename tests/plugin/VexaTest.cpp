// The effect class on the host adapter: its parameter definitions, the chain
// it feeds from the host's callbacks, and the indicators it hands to the
// editor's controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "core/FloatEnv.h"
#include "plugin/Vexa.h"
#include "tests/TestSeed.h"
#include "tests/plugin/EffectRig.h"

namespace {

using rig::FakeEditor;

constexpr uint32_t kSeed = 0x7e5a0c11;

uint64_t Bits(double x)
{
  uint64_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}

// An opened instance at 44.1 kHz, with an editor when asked.
std::unique_ptr<Vexa> OpenVexa(FakeEditor** editor)
{
  auto plug = std::make_unique<Vexa>(nullptr);
  if (editor) {
    *editor = new FakeEditor;
    plug->AttachEditor(*editor);
    plug->SetMeterControls(FakeEditor::kReductionControl, FakeEditor::kGateControl);
  }
  AEffect* e = plug->Effect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  return plug;
}

// Noise with a loudness that changes every few hundred frames.
void Fill(std::mt19937& rng, std::vector<double>& left, std::vector<double>& right)
{
  double amp = 1.0;
  for (size_t i = 0; i < left.size(); ++i) {
    if (i % 300 == 0) amp = 2.5 * static_cast<double>(rng() % 1000) / 1000.0;
    left[i] = amp * (static_cast<double>(rng() % 2001) / 1000.0 - 1.0);
    right[i] = amp * (static_cast<double>(rng() % 2001) / 1000.0 - 1.0);
  }
}

}  // namespace

TEST(Vexa, ParametersFollowTheirDefinitions)
{
  Vexa plug(nullptr);
  ASSERT_EQ(plug.NParams(), kNumVexaParams);
  for (int i = 0; i < kNumVexaParams; ++i) {
    const IParameter* p = plug.ParameterAt(i);
    const EffectParamSpec& s = kEffectParams[i];
    EXPECT_STREQ(p->Name(), s.name);
    EXPECT_STREQ(p->Label(), s.label);
    EXPECT_EQ(p->Kind(), s.integer ? kParamInteger : kParamContinuous) << s.name;
    EXPECT_EQ(p->Default(), s.defaultValue) << s.name;
    EXPECT_EQ(p->Value(), s.defaultValue) << s.name;
    EXPECT_EQ(p->Min(), s.minimum) << s.name;
    EXPECT_EQ(p->Max(), s.maximum) << s.name;
    EXPECT_EQ(p->Step(), s.step) << s.name;
    EXPECT_EQ(p->Shape(), s.shape) << s.name;
  }
  EXPECT_EQ(plug.ParameterAt(kParamFrequency)->Shape(), 2.0);
  EXPECT_EQ(plug.ParameterAt(kParamAttack)->DisplayPrecision(), 4);
  EXPECT_EQ(plug.ParameterAt(kParamOutput)->DisplayPrecision(), 0);
}

TEST(Vexa, HostedBlocksMatchABareChainGivenTheSameValues)
{
  const TestSeed seed(kSeed);
  std::mt19937 rng(seed);
  FakeEditor* editor = nullptr;
  auto plug = OpenVexa(&editor);
  AEffect* e = plug->Effect();
  auto bare = std::make_unique<EffectChain>();
  rig::RecordingSink sink;
  const int n = 700;
  std::vector<double> left(n), right(n), hostL(n), hostR(n), bareL(n), bareR(n);
  for (int block = 0; block < 60; ++block) {
    // A parameter moved as a host moves it, then copied in plain units.
    const int index = static_cast<int>(rng() % kNumVexaParams);
    e->setParameter(e, index, static_cast<float>(rng() % 1001) / 1000.0f);
    for (int i = 0; i < kNumVexaParams; ++i) bare->SetParameter(i, plug->ParameterAt(i)->Value());

    Fill(rng, left, right);
    const bool singles = block % 2 == 0;
    if (singles) {
      std::vector<float> fl(left.begin(), left.end()), fr(right.begin(), right.end()), ol(n), orr(n);
      float* in[2] = {fl.data(), fr.data()};
      float* out[2] = {ol.data(), orr.data()};
      e->processReplacing(e, in, out, n);
      left.assign(fl.begin(), fl.end());
      right.assign(fr.begin(), fr.end());
      hostL.assign(ol.begin(), ol.end());
      hostR.assign(orr.begin(), orr.end());
    } else {
      double* in[2] = {left.data(), right.data()};
      double* out[2] = {hostL.data(), hostR.data()};
      e->processDoubleReplacing(e, in, out, n);
    }
    {
      IScopedFlushDenormals flush;
      const double* in[2] = {left.data(), right.data()};
      double* out[2] = {bareL.data(), bareR.data()};
      bare->ProcessBlock(in, out, n, 44100.0, &sink);
      if (singles) {
        for (size_t i = 0; i < bareL.size(); ++i) {
          bareL[i] = static_cast<float>(bareL[i]);
          bareR[i] = static_cast<float>(bareR[i]);
        }
      }
    }
    for (size_t i = 0; i < bareL.size(); ++i) {
      ASSERT_EQ(Bits(hostL[i]), Bits(bareL[i])) << "block " << block << " frame " << i;
      ASSERT_EQ(Bits(hostR[i]), Bits(bareR[i])) << "block " << block << " frame " << i;
    }
  }
  EXPECT_EQ(Bits(plug->Chain().envelopeGain), Bits(bare->envelopeGain));
  EXPECT_EQ(Bits(editor->values[FakeEditor::kReductionControl].load()), Bits(sink.lastReduction.load()));
  EXPECT_EQ(Bits(editor->values[FakeEditor::kGateControl].load()), Bits(sink.lastGate.load()));
}

TEST(Vexa, IndicatorsReachTheirControlsOnlyWhileAnEditorExists)
{
  const TestSeed seed(kSeed + 1);
  std::mt19937 rng(seed);
  std::vector<double> left(1000), right(1000), outL(1000), outR(1000);
  Fill(rng, left, right);
  double* ins[2] = {left.data(), right.data()};
  double* outs[2] = {outL.data(), outR.data()};

  FakeEditor* editor = nullptr;
  auto with = OpenVexa(&editor);
  AEffect* e = with->Effect();
  e->setParameter(e, kParamIntensity, 0.7f);
  e->processDoubleReplacing(e, ins, outs, 1000);
  // One value per frame and indicator, the last one the chain's.
  EXPECT_EQ(editor->calls[FakeEditor::kReductionControl], 1000);
  EXPECT_EQ(editor->calls[FakeEditor::kGateControl], 1000);
  EXPECT_EQ(editor->values[FakeEditor::kReductionControl].load(), with->Chain().reductionMeter.load());
  EXPECT_EQ(editor->values[FakeEditor::kGateControl].load(), with->Chain().gateMeter.load());
  EXPECT_NE(with->Chain().reductionMeter.load(), 1.0);
  for (int c = 0; c < FakeEditor::kReductionControl; ++c) EXPECT_EQ(editor->calls[c], 0) << c;

  // Indices outside the control list are skipped, not handed over.
  with->SetMeterControls(FakeEditor::kControls, -1);
  e->processDoubleReplacing(e, ins, outs, 1000);
  EXPECT_EQ(editor->outOfRange, 0);
  EXPECT_EQ(editor->calls[FakeEditor::kReductionControl], 1000);
  EXPECT_EQ(editor->calls[FakeEditor::kGateControl], 1000);

  auto without = OpenVexa(nullptr);
  AEffect* w = without->Effect();
  w->setParameter(w, kParamIntensity, 0.7f);
  w->processDoubleReplacing(w, ins, outs, 1000);
  EXPECT_EQ(without->Chain().reductionMeter.load(), 1.0);
  EXPECT_EQ(without->Chain().gateMeter.load(), 1.0);
}

TEST(Vexa, CallbacksFlushSubnormalStateAndRestoreTheControlWord)
{
  if (!IScopedFlushDenormals::kFlushes) GTEST_SKIP() << "this processor's denormals are not flushed";
  auto plug = OpenVexa(nullptr);
  AEffect* e = plug->Effect();
  e->setParameter(e, kParamFrequency, 0.0f);
  e->setParameter(e, kParamQ, 1.0f);
  const TestSeed seed(kSeed + 2);
  std::mt19937 rng(seed);
  std::vector<double> left(22050), right(22050), outL(22050), outR(22050);
  Fill(rng, left, right);
  double* ins[2] = {left.data(), right.data()};
  double* outs[2] = {outL.data(), outR.data()};
  e->processDoubleReplacing(e, ins, outs, 22050);
  // The memories moved to where a long decay would have taken them.
  EffectChain& chain = plug->Chain();
  BiquadSection* sections[4] = {&chain.envelopeFilterLeft, &chain.envelopeFilterRight, &chain.sequenceFilterLeft,
                                &chain.sequenceFilterRight};
  for (BiquadSection* s : sections) {
    s->z1 *= 1e-300;
    s->z2 *= 1e-300;
  }
  std::fill(left.begin(), left.end(), 0.0);
  std::fill(right.begin(), right.end(), 0.0);
  const unsigned long long before = IScopedFlushDenormals::ControlWord();
  for (int b = 0; b < 120; ++b) {
    e->processDoubleReplacing(e, ins, outs, 1024);
    for (const BiquadSection* s : sections) {
      ASSERT_NE(std::fpclassify(s->z1), FP_SUBNORMAL) << "block " << b;
      ASSERT_NE(std::fpclassify(s->z2), FP_SUBNORMAL) << "block " << b;
    }
  }
  EXPECT_EQ(IScopedFlushDenormals::ControlWord(), before);
}
