#pragma once
// A plain transcription of the effect's per-sample processing, written step by
// step with every single-precision rounding and no reuse of any kind. The
// optimised EffectChain::ProcessBlock must match it bit for bit; the tests
// compare the two and the benchmarks measure the distance.

#include <cfloat>
#include <cmath>
#include <cstdint>

#include "plugin/EffectChain.h"

namespace reference {

// A low-pass filter section: coefficients and transposed direct form II.
struct Section
{
  int filterType = 0;
  double a0 = 1.0, a1 = 0.0, a2 = 0.0, b1 = 0.0, b2 = 0.0;
  double cutoff = 0.5, qFactor = 0.707, gainDb = 0.0;
  double z1 = 0.0, z2 = 0.0;

  void ComputeLowPass()
  {
    const double v = std::pow(10.0, std::fabs(gainDb) / 20.0);
    (void)v;  // computed for every type, used by the shelving and peak types only
    const double k = std::tan(cutoff * 3.141592653589793);
    const double n = 1.0 / (1.0 + k / qFactor + k * k);
    a0 = k * k * n;
    a1 = 2.0 * a0;
    a2 = a0;
    b1 = 2.0 * (k * k - 1.0) * n;
    b2 = (1.0 - k / qFactor + k * k) * n;
  }

  double Process(double x)
  {
    const double out = a0 * x + z1;
    z1 = a1 * x + z2 - b1 * out;
    z2 = a2 * x - b2 * out;
    return out;
  }
};

// The two-tap delay-line pitch shifter.
struct Shifter
{
  uint32_t writeCounter = 0;
  float ring[131072] = {};
  float delay = 0.0f;

  static int Limit(int distance) { return distance < 0 ? 0 : (distance > 65537 ? 65537 : distance); }

  double Process(double x, double semitones)
  {
    ring[writeCounter & 0x1FFFF] = static_cast<float>(x);
    const float s = static_cast<float>(semitones) * 0.083333336f;
    const float ratio = static_cast<float>(std::pow(2.0, static_cast<double>(s)));
    const float t = ((delay + 1.0f) - ratio) + 1000.0f;
    const float d = static_cast<float>(std::fmod(static_cast<double>(t), 1000.0));
    const int i0 = static_cast<int>(d);
    const float f0 = std::floor(d);
    const float e = d + 1000.0f;
    const int i1 = static_cast<int>(e);
    const float f1 = std::floor(e);
    const float w = std::fmin(1.0f, d * 0.01f);
    const uint32_t c = writeCounter;
    const float r0 = ring[(c - static_cast<uint32_t>(Limit(i0))) & 0x1FFFF];
    const float r0n = ring[(c - static_cast<uint32_t>(Limit(i0 + 1))) & 0x1FFFF];
    const float r1 = ring[(c - static_cast<uint32_t>(Limit(i1))) & 0x1FFFF];
    const float r1n = ring[(c - static_cast<uint32_t>(Limit(i1 + 1))) & 0x1FFFF];
    const float tap0 = ((1.0f - d) + f0) * r0 + (d - f0) * r0n;
    const float tap1 = ((f1 + (1.0f - d)) - 1000.0f) * r1 + ((d - f1) + 1000.0f) * r1n;
    writeCounter = c + 1;
    delay = d;
    return static_cast<double>(tap1 * (1.0f - w) + tap0 * w);
  }
};

inline double Shape(double x)
{
  const double a = std::fabs(x);
  const double e = 1990.0 * a;
  const double j = std::trunc(e);
  double y;
  if (j < 0.0) {
    y = kShapeTable[0];
  } else if (!(j < 199.0)) {
    y = kShapeTable[199];
  } else {
    const int k = static_cast<int>(j);
    y = static_cast<double>(kShapeTable[k]) * (1.0 - (e - j)) + static_cast<double>(kShapeTable[k + 1]) * (e - j);
  }
  return std::copysign(y, x);
}

// The whole effect: cached parameters, processing state and the block routine.
struct Effect
{
  double q = 0.707, frequency = 20000.0, attack = 0.001, release = 0.1, intensity = 0.0, mix = 0.0;
  double outputGain = 1.0, pitch = 0.0, sequence = 0.0;

  double envelopeGain = 1.0;
  double sequencePhase = 0.0;
  float gateTarget = 0.001f;
  double smootherComplement = 1.0, smootherCoefficient = 0.0, smootherState = 0.0;
  Section envelopeLeft, envelopeRight, sequenceLeft, sequenceRight;
  Shifter shifterLeft, shifterRight;
  double reductionMeter = 1.0, gateMeter = 1.0;

  // The parameter's plain value, as the effect caches it.
  void SetParameter(int index, double value)
  {
    switch (index) {
      case 0: q = value; break;
      case 1: frequency = value; break;
      case 2: attack = value; break;
      case 3: release = value; break;
      case 4: intensity = value; break;
      case 5: mix = value; break;
      case 6: outputGain = std::pow(10.0, value / 20.0); break;
      case 7: pitch = value; break;
      case 8: sequence = value; break;
      default: break;
    }
  }

  void ProcessBlock(const double* const* inputs, double* const* outputs, int frames, double sr, bool hasEditor)
  {
    sequencePhase = frames / sr + sequencePhase;
    const double high = release + 0.2;
    const double low = high - 0.1;
    if (sequencePhase >= high) {
      gateTarget = 0.999f;
      sequencePhase = sequencePhase - low;
    }
    if (sequencePhase >= low) gateTarget = 0.001f;
    if (frames <= 0) return;

    const double invRatio = 1.0 / std::pow(10.0, 0.2);
    for (int i = 0; i < frames; ++i) {
      double inL = inputs[0][i];
      double inR = inputs[1][i];
      if (!(std::fabs(inL) <= FLT_MAX)) inL = 0.0;
      if (!(std::fabs(inR) <= FLT_MAX)) inR = 0.0;

      const double sL = shifterLeft.Process(inL, pitch);
      const double sR = shifterRight.Process(inR, pitch);

      const double h = std::exp(((release + release) / sr) * -6.283185307179586);
      smootherCoefficient = h;
      smootherComplement = 1.0 - h;

      const double l = std::exp(-62.83185307 / sr);
      const double m = inR + inL;
      const double o = -(std::fabs(m) * intensity);
      const double t = std::exp(o / 8.65617025);
      const double a = attack != 0.0 ? std::exp(-1.0 / (attack * sr)) : 0.0;
      const double r = release != 0.0 ? std::exp(-1.0 / (sr * release)) : 0.0;
      const double c = m * ((-l) + 1.0);
      const double level = m > std::sqrt(c) ? m : std::sqrt(c + l * c);
      double E = 1.0;
      if (level > t) E = std::exp(((std::log(level) * 8.65617025 - o) * invRatio + o) / 8.65617025) / level;
      const double F = envelopeGain;
      const double G = F > E ? std::fmax(E, F * a) : std::fmin(E, F / r);
      envelopeGain = G;

      Section* envelope[2] = {&envelopeLeft, &envelopeRight};
      for (Section* s : envelope) {
        s->filterType = 0;
        s->qFactor = q;
        s->cutoff = std::fmin(frequency * G / sr, kMaxCutoffFraction);
        s->gainDb = 1.0;
        s->ComputeLowPass();
      }
      Section* sequenceSections[2] = {&sequenceLeft, &sequenceRight};
      for (Section* s : sequenceSections) {
        smootherState = h * smootherState + static_cast<double>(gateTarget) * (1.0 - h);
        s->filterType = 0;
        s->qFactor = q;
        s->cutoff = std::fmin(frequency * smootherState / sr, kMaxCutoffFraction);
        s->gainDb = 1.0;
        s->ComputeLowPass();
      }

      const double w = mix / 100.0;
      const double d = 1.0 - w;
      const double yL = static_cast<float>(d * sL + w * Shape(sL));
      const double yR = static_cast<float>(d * sR + w * Shape(sR));

      const double eL = static_cast<float>(envelopeLeft.Process(yL));
      const double qL = static_cast<float>(sequenceLeft.Process(yL));
      const double eR = static_cast<float>(envelopeRight.Process(yR));
      const double qR = static_cast<float>(sequenceRight.Process(yR));

      const int v = static_cast<int>(sequence);
      if (v == 0) {
        outputs[0][i] = eL * outputGain;
        outputs[1][i] = eR * outputGain;
      } else if (v == 1) {
        outputs[0][i] = qL * outputGain;
        outputs[1][i] = qR * outputGain;
      }

      if (hasEditor) {
        const double k1 = std::exp(-4.60517018599 / (sr * 0.3));
        double x = std::fabs(1.0 - envelopeGain);
        if (x > reductionMeter) {
          x = x * 1.0125;
        } else {
          x = x * 0.9875;
        }
        reductionMeter = (reductionMeter - x) * k1 + x;

        const double k2 = std::exp(-4.60517018599 / (sr * 0.3));
        x = std::fabs(static_cast<double>(gateTarget));
        if (x > gateMeter) {
          x = x * 1.0125;
        } else {
          x = x * 0.9875;
        }
        gateMeter = (gateMeter - x) * k2 + x;
      }
    }
  }
};

}  // namespace reference
