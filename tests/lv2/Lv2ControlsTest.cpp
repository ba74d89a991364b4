// How control port values reach the effect, in the LV2 plug-in and its UI
// alike: a port at its declared default changes nothing, a changed value
// arrives as a VST2 host's setParameter would send it, and hostile values
// are limited as the VST2 module limits them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "lv2/Lv2Controls.h"
#include "plugin/Vexa.h"
#include "plugin/VexaLv2Ports.h"

namespace {

class Lv2Controls : public ::testing::Test
{
protected:
  void SetUp() override
  {
    vexa.Open();
    controls.Init(vexa, kVexaLv2Ports);
  }

  double Value(int p) const { return vexa.ParameterAt(p)->Value(); }
  float PortDefault(int p) const
  {
    return static_cast<float>(kEffectParams[p].defaultValue * kVexaLv2Ports.params[p].portPerPlain);
  }

  Vexa vexa{nullptr};
  Lv2ControlInputs controls;
};

}  // namespace

TEST_F(Lv2Controls, PortsAtTheirDeclaredDefaultsLeaveTheExactDefaults)
{
  for (int p = 0; p < kNumVexaParams; ++p) controls.Take(vexa, p, PortDefault(p));
  EXPECT_EQ(Value(kParamQ), 0.707) << "0.707 in single precision would not be";
  EXPECT_EQ(Value(kParamAttack), 0.001);
}

TEST_F(Lv2Controls, AChangedValueArrivesAsSetParameterWouldSendIt)
{
  controls.Take(vexa, kParamFrequency, 5075.0f);
  EXPECT_EQ(Value(kParamFrequency), 5075.0) << "half-way on the square law";
  controls.Take(vexa, kParamPitch, 7.0f);
  const float n = static_cast<float>((7.0 + 12.0) / 24.0);
  EXPECT_EQ(Value(kParamPitch), static_cast<double>(n) * 24.0 - 12.0);
  controls.Take(vexa, kParamAttack, 2.0f);
  EXPECT_NEAR(Value(kParamAttack), 0.002, 1e-9) << "milliseconds on the port, seconds in the effect";
  controls.Take(vexa, kParamSequence, 0.4f);
  EXPECT_EQ(Value(kParamSequence), 0.0);
  controls.Take(vexa, kParamSequence, 0.6f);
  EXPECT_EQ(Value(kParamSequence), 1.0);
}

TEST_F(Lv2Controls, HostileValuesAreLimitedAsTheVst2ModuleLimitsThem)
{
  const float inf = std::numeric_limits<float>::infinity();
  controls.Take(vexa, kParamMix, 30.0f);
  const double mix = Value(kParamMix);
  controls.Take(vexa, kParamMix, std::numeric_limits<float>::quiet_NaN());
  EXPECT_EQ(Value(kParamMix), mix) << "a NaN changes nothing";
  controls.Take(vexa, kParamOutput, inf);
  EXPECT_EQ(Value(kParamOutput), 12.0);
  controls.Take(vexa, kParamPitch, -inf);
  EXPECT_EQ(Value(kParamPitch), -12.0);
  controls.Take(vexa, kParamQ, -1e30f);
  EXPECT_EQ(Value(kParamQ), 0.4);
  controls.Take(vexa, kParamSequence, -3.0f);
  EXPECT_EQ(Value(kParamSequence), 0.0) << "never below the range, where Sequence -1 would write nothing";
  EXPECT_TRUE(std::isnan(Lv2HostNormalized(*vexa.ParameterAt(kParamMix), std::nanf(""), 1.0)));
}

TEST_F(Lv2Controls, ARememberedValueIsNotTakenAgain)
{
  // The UI writes what its editor set; the host's echo of it must not move
  // the editor's value by a rounding step.
  vexa.ParameterAt(kParamFrequency)->SetFromNormalized(0.3);
  const double set = Value(kParamFrequency);
  const float port = Lv2PortValue(*vexa.ParameterAt(kParamFrequency), 1.0);
  controls.Remember(kParamFrequency, port);
  controls.Take(vexa, kParamFrequency, port);
  EXPECT_EQ(Value(kParamFrequency), set);
  EXPECT_EQ(controls.Taken(kParamFrequency), port);
}
