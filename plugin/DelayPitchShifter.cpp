#include "plugin/DelayPitchShifter.h"

float DelayPitchShifter::RatioFor(double semitones)
{
  if (std::isnan(semitones)) semitones = 0.0;
  const float s = static_cast<float>(semitones) * 0.083333336f;
  return static_cast<float>(std::pow(2.0, static_cast<double>(s)));
}
