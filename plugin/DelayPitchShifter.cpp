#include "plugin/DelayPitchShifter.h"

#include <cmath>

namespace {

// fmod(t, 1000) for a float t. For 0 <= t < 3000, the usual range, one exact
// subtraction gives the same value as the library remainder (which is exact
// too); anything else goes to the library.
float RemainderOfSpacing(float t)
{
  if (t >= 0.0f && t < 3.0f * DelayPitchShifter::kTapSpacing) {
    if (t >= 2.0f * DelayPitchShifter::kTapSpacing) return t - 2.0f * DelayPitchShifter::kTapSpacing;
    if (t >= DelayPitchShifter::kTapSpacing) return t - DelayPitchShifter::kTapSpacing;
    return t;
  }
  return static_cast<float>(std::fmod(static_cast<double>(t), static_cast<double>(DelayPitchShifter::kTapSpacing)));
}

int LimitDistance(int distance)
{
  return distance < 0 ? 0 : (distance > DelayPitchShifter::kMaxDistance ? DelayPitchShifter::kMaxDistance : distance);
}

}  // namespace

float DelayPitchShifter::RatioFor(double semitones)
{
  if (std::isnan(semitones)) semitones = 0.0;
  const float s = static_cast<float>(semitones) * 0.083333336f;
  return static_cast<float>(std::pow(2.0, static_cast<double>(s)));
}

double DelayPitchShifter::ProcessWithRatio(double x, float ratio)
{
  const uint32_t c = writeCounter;
  ring[c & kRingMask] = static_cast<float>(x);

  float d = RemainderOfSpacing(((delay + 1.0f) - ratio) + kTapSpacing);
  // An infinite ratio (a shift of more than about 1500 semitones) leaves no
  // delay to read; restart from the first tap instead of reading garbage.
  if (std::isnan(d)) d = 0.0f;

  // Truncation equals floor for positive delays; zero (for its sign) and the
  // negative delays of shifts above about 120 semitones take the library.
  const int i0 = static_cast<int>(d);
  const float f0 = d > 0.0f ? static_cast<float>(i0) : std::floor(d);
  const float e = d + kTapSpacing;
  const int i1 = static_cast<int>(e);
  const float f1 = static_cast<float>(i1);  // e > 0

  const float fade = d * 0.01f;
  const float w = fade < 1.0f ? fade : 1.0f;

  const float near0 = ring[(c - static_cast<uint32_t>(LimitDistance(i0))) & kRingMask];
  const float far0 = ring[(c - static_cast<uint32_t>(LimitDistance(i0 + 1))) & kRingMask];
  const float near1 = ring[(c - static_cast<uint32_t>(LimitDistance(i1))) & kRingMask];
  const float far1 = ring[(c - static_cast<uint32_t>(LimitDistance(i1 + 1))) & kRingMask];
  const float tap0 = ((1.0f - d) + f0) * near0 + (d - f0) * far0;
  const float tap1 = ((f1 + (1.0f - d)) - kTapSpacing) * near1 + ((d - f1) + kTapSpacing) * far1;

  writeCounter = c + 1;
  delay = d;
  return static_cast<double>(tap1 * (1.0f - w) + tap0 * w);
}
