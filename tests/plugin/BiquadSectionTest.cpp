#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <random>

#include "plugin/BiquadSection.h"
#include "tests/TestSeed.h"

namespace {

constexpr uint32_t kSeed = 0xb1a0d5ec;
constexpr double kPi = 3.141592653589793;

// |H| of the section's coefficients at a frequency given as a fraction of the
// sample rate.
double Magnitude(const BiquadSection& s, double fraction)
{
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * fraction);
  const std::complex<double> z2 = z1 * z1;
  return std::abs((s.a0 + s.a1 * z1 + s.a2 * z2) / (1.0 + s.b1 * z1 + s.b2 * z2));
}

BiquadSection Computed(BiquadType type, double cutoff, double q, double gainDb)
{
  BiquadSection s;
  s.filterType = type;
  s.cutoff = cutoff;
  s.qFactor = q;
  s.gainDb = gainDb;
  s.ComputeCoefficients();
  return s;
}

}  // namespace

TEST(BiquadSection, NeverComputedSectionPassesItsInputUnchanged)
{
  std::printf("biquad test seed: 0x%08x\n", kSeed);
  const TestSeed seed(kSeed);
  std::mt19937 rng(seed);
  BiquadSection s;
  for (int i = 0; i < 1000; ++i) {
    const double x = static_cast<double>(static_cast<int32_t>(rng())) * 1e-9;
    ASSERT_EQ(s.ProcessSample(x), x);
  }
  EXPECT_EQ(s.z1, 0.0);
  EXPECT_EQ(s.z2, 0.0);
}

TEST(BiquadSection, LowPassAtAQuarterOfTheRate)
{
  const BiquadSection s = Computed(LowPass, 0.25, 0.707, 0.0);
  const double n = 1.0 / (2.0 + 1.0 / 0.707);
  EXPECT_NEAR(s.a0, n, 1e-15);
  EXPECT_NEAR(s.a1, 2.0 * n, 1e-15);
  EXPECT_NEAR(s.a2, n, 1e-15);
  EXPECT_NEAR(s.b1, 0.0, 1e-15);
  EXPECT_NEAR(s.b2, (2.0 - 1.0 / 0.707) * n, 1e-15);
  EXPECT_EQ(s.a1, 2.0 * s.a0);
  EXPECT_EQ(s.a2, s.a0);
}

TEST(BiquadSection, EveryTypeHasItsResponseAtDcCentreAndNyquist)
{
  const double fc = 0.1, q = 0.9;
  const double v = std::pow(10.0, 6.0 / 20.0);
  struct Expect
  {
    BiquadType type;
    double gainDb;
    double dc, centre, nyquist;  // negative: not checked
  };
  const Expect cases[] = {
      {LowPass, 0.0, 1.0, q, 0.0},
      {HighPass, 0.0, 0.0, q, 1.0},
      {BandPass, 0.0, 0.0, 1.0, 0.0},
      {Notch, 0.0, 1.0, 0.0, 1.0},
      {Peak, 6.0, 1.0, v, 1.0},
      {Peak, -6.0, 1.0, 1.0 / v, 1.0},
      {LowShelf, 6.0, v, -1.0, 1.0},
      {LowShelf, -6.0, 1.0 / v, -1.0, 1.0},
      {HighShelf, 6.0, 1.0, -1.0, v},
      {HighShelf, -6.0, 1.0, -1.0, 1.0 / v},
  };
  for (const Expect& c : cases) {
    SCOPED_TRACE(::testing::Message() << "type " << c.type << " gain " << c.gainDb);
    const BiquadSection s = Computed(c.type, fc, q, c.gainDb);
    EXPECT_NEAR(Magnitude(s, 0.0), c.dc, 1e-9);
    if (c.centre >= 0.0) {
      EXPECT_NEAR(Magnitude(s, fc), c.centre, 1e-9);
    }
    EXPECT_NEAR(Magnitude(s, 0.5), c.nyquist, 1e-9);
  }
}

TEST(BiquadSection, PeakAtZeroGainIsUnity)
{
  const BiquadSection s = Computed(Peak, 0.13, 3.0, 0.0);
  EXPECT_NEAR(s.a0, 1.0, 1e-15);
  EXPECT_EQ(s.a1, s.b1);
  EXPECT_EQ(s.a2, s.b2);
}

TEST(BiquadSection, UnknownTypeCodesKeepTheCoefficients)
{
  BiquadSection s = Computed(Notch, 0.2, 2.0, 0.0);
  const BiquadSection before = s;
  for (int code : {7, -1, 1000}) {
    s.filterType = static_cast<BiquadType>(code);
    s.cutoff = 0.05;
    s.qFactor = 0.5;
    s.ComputeCoefficients();
    EXPECT_EQ(s.a0, before.a0);
    EXPECT_EQ(s.a1, before.a1);
    EXPECT_EQ(s.a2, before.a2);
    EXPECT_EQ(s.b1, before.b1);
    EXPECT_EQ(s.b2, before.b2);
  }
}

TEST(BiquadSection, CutoffPastHalfTheRateIsNotLimited)
{
  // The tangent passes its pole: the feedback turns unstable instead of being
  // held at some limit (the effect limits what it hands over).
  const BiquadSection below = Computed(LowPass, 0.45, 0.707, 0.0);
  const BiquadSection above = Computed(LowPass, 0.55, 0.707, 0.0);
  EXPECT_LT(below.b2, 1.0);
  EXPECT_GT(above.b2, 1.0);
}

TEST(BiquadSection, FilteringFollowsTheDifferenceEquation)
{
  const TestSeed seed(kSeed + 1);
  std::mt19937 rng(seed);
  for (BiquadType type : {LowPass, HighPass, BandPass, Notch, Peak, LowShelf, HighShelf}) {
    BiquadSection s = Computed(type, 0.07, 4.0, -9.0);
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
    for (int i = 0; i < 5000; ++i) {
      const double x = static_cast<double>(rng() % 20001) / 10000.0 - 1.0;
      const double y = s.a0 * x + s.a1 * x1 + s.a2 * x2 - s.b1 * y1 - s.b2 * y2;
      ASSERT_NEAR(s.ProcessSample(x), y, 1e-12 * (1.0 + std::fabs(y))) << "type " << type << " sample " << i;
      ASSERT_LT(std::fabs(y), 100.0) << "type " << type << " sample " << i;  // stable
      x2 = x1;
      x1 = x;
      y2 = y1;
      y1 = y;
    }
  }
}
