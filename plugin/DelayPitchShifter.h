#pragma once
// Pitch shifting of one channel through a drifting read delay with two
// crossfaded taps.

#include <cstdint>

// A delay-line pitch shifter. Holds its 512 KiB ring inline; a value type
// owned by whoever holds it. Not thread-safe: the effect uses it on the audio
// thread with the instance lock held.
struct DelayPitchShifter
{
  static constexpr int kRingSize = 131072;
  static constexpr uint32_t kRingMask = kRingSize - 1;
  // Spacing of the two taps in samples; the first tap's delay stays below it.
  static constexpr float kTapSpacing = 1000.0f;
  // Largest sample distance a tap may read.
  static constexpr int kMaxDistance = 65537;

  uint32_t writeCounter = 0;  // samples written; the ring slot is its low 17 bits
  float ring[kRingSize] = {};
  float delay = 0.0f;  // read delay of the first tap, in [0, kTapSpacing)

  // Speed ratio 2^(semitones / 12) in single precision. A non-number counts
  // as no shift.
  static float RatioFor(double semitones);

  // Writes x, advances the delay for the shift in semitones and returns the
  // crossfaded taps, computed in single precision.
  double ProcessSample(double x, double semitones) { return ProcessWithRatio(x, RatioFor(semitones)); }

  // The same with the ratio from RatioFor, for callers that keep the shift
  // for many samples.
  double ProcessWithRatio(double x, float ratio);
};
