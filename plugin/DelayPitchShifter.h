#pragma once
// Pitch shifting of one channel through a drifting read delay with two
// crossfaded taps.

#include <cstdint>

// A delay-line pitch shifter. Holds its 512 KiB ring inline; a value type
// owned by whoever holds it. Not thread-safe (used inside the instance lock).
struct DelayPitchShifter
{
  static constexpr int kRingSize = 131072;
  static constexpr uint32_t kRingMask = kRingSize - 1;

  uint32_t writeCounter = 0;
  float ring[kRingSize] = {};
  float delay = 0.0f;

  // Writes x, advances the delay for the shift in semitones and returns the
  // crossfaded taps, computed in single precision.
  double ProcessSample(double x, double semitones);
};
