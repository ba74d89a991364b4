#pragma once
// One second-order IIR filter section (transposed direct form II) with
// coefficients from the bilinear transform.

#include "plugin/LowPass.h"

enum BiquadType : int
{
  LowPass = 0,
  HighPass = 1,
  BandPass = 2,
  Notch = 3,
  Peak = 4,
  LowShelf = 5,
  HighShelf = 6,
};

// A filter section configured by plain field writes followed by
// ComputeCoefficients. A value type owned by whoever holds it; not
// thread-safe (the effect uses it inside the instance lock).
struct BiquadSection
{
  BiquadType filterType = LowPass;
  double a0 = 1.0, a1 = 0.0, a2 = 0.0;
  double b1 = 0.0, b2 = 0.0;
  double cutoff = 0.5;  // cut-off or centre frequency / sample rate
  double qFactor = 0.707;
  double gainDb = 0.0;
  double z1 = 0.0, z2 = 0.0;

  // Recomputes a0..b2 from filterType, cutoff, qFactor and gainDb; keeps the
  // memory. An unknown type keeps the previous coefficients.
  void ComputeCoefficients();
  // The same with the gain factor v = 10^(|gainDb| / 20) and the pre-warped
  // k = tan(pi * cutoff) supplied by a caller that can reuse them.
  void ComputeCoefficientsWith(double v, double k);

  // The LowPass case of ComputeCoefficientsWith, from k = tan(pi * cutoff)
  // and qFactor.
  void ComputeLowPassWith(double k)
  {
    const LowPassCoefficients<double> c = ComputeLowPass(k, qFactor);
    a0 = c.a0;
    a1 = c.a1;
    a2 = c.a0;
    b1 = c.b1;
    b2 = c.b2;
  }

  // One step of the filter; returns the output sample.
  double ProcessSample(double x) { return FilterStep(z1, z2, a0, a1, a2, b1, b2, x); }
};
