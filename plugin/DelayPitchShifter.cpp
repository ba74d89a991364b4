#include "plugin/DelayPitchShifter.h"

#include <cmath>

double DelayPitchShifter::ProcessSample(double x, double semitones)
{
  const uint32_t c = writeCounter;
  ring[c & kRingMask] = static_cast<float>(x);

  const float s = static_cast<float>(semitones) * 0.083333336f;
  const float ratio = static_cast<float>(std::pow(2.0, static_cast<double>(s)));

  const float t = ((delay + 1.0f) - ratio) + 1000.0f;
  const float d = static_cast<float>(std::fmod(static_cast<double>(t), 1000.0));

  auto limit = [](int distance) { return distance < 0 ? 0 : (distance > 65537 ? 65537 : distance); };
  const int i0 = static_cast<int>(d);
  const float f0 = std::floor(d);
  const float e = d + 1000.0f;
  const int i1 = static_cast<int>(e);
  const float f1 = std::floor(e);
  const int d0 = limit(i0), d0n = limit(i0 + 1), d1 = limit(i1), d1n = limit(i1 + 1);

  const float w = std::fmin(1.0f, d * 0.01f);

  auto at = [&](int distance) { return ring[(c - static_cast<uint32_t>(distance)) & kRingMask]; };
  const float tap0 = ((1.0f - d) + f0) * at(d0) + (d - f0) * at(d0n);
  const float tap1 = ((f1 + (1.0f - d)) - 1000.0f) * at(d1) + ((d - f1) + 1000.0f) * at(d1n);

  writeCounter = c + 1;
  delay = d;
  return static_cast<double>(tap1 * (1.0f - w) + tap0 * w);
}
