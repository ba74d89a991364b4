#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>

#include "plugin/DelayPitchShifter.h"
#include "tests/plugin/ReferenceEffect.h"
#include "tests/TestSeed.h"

namespace {

constexpr uint32_t kSeed = 0x51f7e5u;

uint64_t Bits(double x)
{
  uint64_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}

double Noise(std::mt19937& rng) { return static_cast<double>(static_cast<int32_t>(rng())) / 2147483648.0; }

}  // namespace

TEST(DelayPitchShifter, ZeroShiftDelaysByExactly1000Samples)
{
  auto s = std::make_unique<DelayPitchShifter>();
  for (int i = 0; i < 3000; ++i) {
    const double out = s->ProcessSample(i == 0 ? 0.3 : 0.0, 0.0);
    ASSERT_EQ(out, i == 1000 ? static_cast<double>(0.3f) : 0.0) << i;
    ASSERT_EQ(s->delay, 0.0f);
  }
}

TEST(DelayPitchShifter, DelayDriftsByOneMinusTheRatioAndWraps)
{
  auto up = std::make_unique<DelayPitchShifter>();
  const float expectedUp[] = {999.0f, 998.0f, 997.0f, 996.0f};
  for (float e : expectedUp) {
    up->ProcessSample(0.0, 12.0);
    EXPECT_EQ(up->delay, e);
  }
  auto down = std::make_unique<DelayPitchShifter>();
  for (int i = 1; i <= 4; ++i) {
    down->ProcessSample(0.0, -12.0);
    EXPECT_EQ(down->delay, 0.5f * static_cast<float>(i));
  }
  down->delay = 999.75f;
  down->ProcessSample(0.0, -12.0);
  EXPECT_EQ(down->delay, 0.25f);
}

TEST(DelayPitchShifter, SilenceGivesExactlyZero)
{
  auto s = std::make_unique<DelayPitchShifter>();
  for (int i = 0; i < 5000; ++i) ASSERT_EQ(s->ProcessSample(0.0, -12.0 + (i % 97) * 0.25), 0.0) << i;
}

TEST(DelayPitchShifter, MatchesPlainTranscriptionForEveryShift)
{
  std::printf("shifter test seed: 0x%08x\n", kSeed);
  const TestSeed seed(kSeed);
  std::mt19937 rng(seed);
  // In range, fractional, beyond the parameter's range, and far enough up
  // for the delay to turn negative.
  const double shifts[] = {-12.0, -11.0, -6.5, -0.01, 0.0, 0.3, 1.0, 5.0, 7.0, 11.99, 12.0, 24.0, -40.0, 130.0};
  auto mine = std::make_unique<DelayPitchShifter>();
  auto theirs = std::make_unique<reference::Shifter>();
  for (double semitones : shifts) {
    for (int i = 0; i < 6000; ++i) {
      const double x = Noise(rng);
      const double a = mine->ProcessSample(x, semitones);
      const double b = theirs->Process(x, semitones);
      ASSERT_EQ(Bits(a), Bits(b)) << semitones << " sample " << i;
      ASSERT_EQ(mine->delay, theirs->delay) << semitones << " sample " << i;
    }
  }
  // A new shift every sample.
  for (int i = 0; i < 20000; ++i) {
    const double x = Noise(rng);
    const double semitones = Noise(rng) * 12.0;
    ASSERT_EQ(Bits(mine->ProcessSample(x, semitones)), Bits(theirs->Process(x, semitones))) << i;
  }
}

TEST(DelayPitchShifter, WriteCounterPassesTwoToThe32WithoutAGlitch)
{
  const TestSeed seed(kSeed + 1);
  std::mt19937 rng(seed);
  auto fresh = std::make_unique<DelayPitchShifter>();
  auto old = std::make_unique<DelayPitchShifter>();
  old->writeCounter = 0xFFFFF000u;
  for (int i = 0; i < 12000; ++i) {
    const double x = Noise(rng);
    const double semitones = -12.0 + static_cast<double>((i / 1000) * 2);
    ASSERT_EQ(Bits(fresh->ProcessSample(x, semitones)), Bits(old->ProcessSample(x, semitones))) << i;
  }
  EXPECT_EQ(old->writeCounter, 12000u - 0x1000u);
}

TEST(DelayPitchShifter, NonNumberOrHugeShiftsKeepTheOutputFinite)
{
  const TestSeed seed(kSeed + 2);
  std::mt19937 rng(seed);
  auto none = std::make_unique<DelayPitchShifter>();
  auto nan = std::make_unique<DelayPitchShifter>();
  for (int i = 0; i < 3000; ++i) {
    const double x = Noise(rng);
    ASSERT_EQ(Bits(none->ProcessSample(x, 0.0)), Bits(nan->ProcessSample(x, NAN))) << i;
  }
  auto s = std::make_unique<DelayPitchShifter>();
  for (double semitones : {static_cast<double>(INFINITY), 1e6, -static_cast<double>(INFINITY), -1e6}) {
    for (int i = 0; i < 3000; ++i) {
      ASSERT_TRUE(std::isfinite(s->ProcessSample(Noise(rng), semitones))) << semitones;
      ASSERT_TRUE(s->delay > -1000.0f && s->delay < 1000.0f) << semitones;
    }
  }
}

TEST(DelayPitchShifter, OctaveUpDoublesTheFrequency)
{
  auto s = std::make_unique<DelayPitchShifter>();
  const double step = 2.0 * 3.141592653589793 * 441.0 / 44100.0;
  int n = 0;
  for (; n < 2000; ++n) s->ProcessSample(std::sin(step * n), 0.0);
  // The first tap alone sounds while the delay falls from 999 to 100, reading
  // the stored sine at twice its speed.
  int crossings = 0;
  double last = s->ProcessSample(std::sin(step * n++), 12.0);
  for (int i = 0; i < 800; ++i, ++n) {
    const double out = s->ProcessSample(std::sin(step * n), 12.0);
    if ((out < 0.0) != (last < 0.0)) ++crossings;
    last = out;
  }
  // 441 Hz gives 16 crossings in 800 samples; an octave up, 32.
  EXPECT_GE(crossings, 31);
  EXPECT_LE(crossings, 33);
}

TEST(DelayPitchShifter, RunsOfAPairMatchSampleBySampleProcessing)
{
  const TestSeed seed(kSeed + 3);
  std::mt19937 rng(seed);
  auto runL = std::make_unique<DelayPitchShifter>();
  auto runR = std::make_unique<DelayPitchShifter>();
  auto oneL = std::make_unique<DelayPitchShifter>();
  auto oneR = std::make_unique<DelayPitchShifter>();
  // Runs of every length up to the longest, across the counter's wrap, at
  // shifts that take the delay through both of its wraps.
  runL->writeCounter = runR->writeCounter = oneL->writeCounter = oneR->writeCounter = 0xFFFFF000u;
  double xl[DelayPitchShifter::kMaxRun], xr[DelayPitchShifter::kMaxRun];
  double yl[DelayPitchShifter::kMaxRun], yr[DelayPitchShifter::kMaxRun];
  float delays[DelayPitchShifter::kMaxRun];
  for (int round = 0; round < 400; ++round) {
    const int count = 1 + round % DelayPitchShifter::kMaxRun;
    const double semitones = round % 5 == 0 ? 12.0 : (round % 5 == 1 ? -12.0 : Noise(rng) * 12.0);
    const float ratio = DelayPitchShifter::RatioFor(semitones);
    ASSERT_TRUE(DelayPitchShifter::Regular(*runL, ratio)) << round;
    float delay = runL->delay;
    for (int k = 0; k < count; ++k) {
      xl[k] = Noise(rng);
      xr[k] = Noise(rng);
      delays[k] = delay = DelayPitchShifter::NextDelay(delay, ratio);
    }
    DelayPitchShifter::ProcessPairRun(*runL, *runR, xl, xr, delays, count, yl, yr);
    for (int k = 0; k < count; ++k) {
      ASSERT_EQ(Bits(yl[k]), Bits(oneL->ProcessSample(xl[k], semitones))) << round << " sample " << k;
      ASSERT_EQ(Bits(yr[k]), Bits(oneR->ProcessSample(xr[k], semitones))) << round << " sample " << k;
    }
    ASSERT_EQ(runL->delay, oneL->delay);
    ASSERT_EQ(runR->writeCounter, oneR->writeCounter);
  }
}
