#include "plugin/BiquadSection.h"

#include <cmath>

namespace {

// Gain in dB is 20 log10 of the amplitude factor.
constexpr double kDecibelsPerDecade = 20.0;

}  // namespace

void BiquadSection::ComputeCoefficients()
{
  ComputeCoefficientsWith(std::pow(10.0, std::fabs(gainDb) / kDecibelsPerDecade), std::tan(cutoff * kPi));
}

void BiquadSection::ComputeCoefficientsWith(double v, double k)
{
  const double kk = k * k;
  double n;
  switch (filterType) {
    case LowPass:
      ComputeLowPassWith(k);
      break;
    case HighPass:
      n = 1.0 / (1.0 + k / qFactor + kk);
      a0 = n;
      a1 = -2.0 * n;
      a2 = n;
      b1 = 2.0 * (kk - 1.0) * n;
      b2 = (1.0 - k / qFactor + kk) * n;
      break;
    case BandPass:
      n = 1.0 / (1.0 + k / qFactor + kk);
      a0 = (k / qFactor) * n;
      a1 = 0.0;
      a2 = -a0;
      b1 = 2.0 * (kk - 1.0) * n;
      b2 = (1.0 - k / qFactor + kk) * n;
      break;
    case Notch:
      n = 1.0 / (1.0 + k / qFactor + kk);
      a0 = (1.0 + kk) * n;
      a1 = 2.0 * (kk - 1.0) * n;
      a2 = a0;
      b1 = a1;
      b2 = (1.0 - k / qFactor + kk) * n;
      break;
    case Peak: {
      const double vkq = (v / qFactor) * k;
      const double kq = (1.0 / qFactor) * k;
      if (gainDb >= 0.0) {
        n = 1.0 / (1.0 + kq + kk);
        a0 = (1.0 + vkq + kk) * n;
        a1 = 2.0 * (kk - 1.0) * n;
        a2 = (1.0 - vkq + kk) * n;
        b1 = a1;
        b2 = (1.0 - kq + kk) * n;
      } else {
        n = 1.0 / (1.0 + vkq + kk);
        a0 = (1.0 + kq + kk) * n;
        a1 = 2.0 * (kk - 1.0) * n;
        a2 = (1.0 - kq + kk) * n;
        b1 = a1;
        b2 = (1.0 - vkq + kk) * n;
      }
      break;
    }
    case LowShelf: {
      const double r2 = std::sqrt(2.0);
      const double r2v = std::sqrt(2.0 * v);
      if (gainDb >= 0.0) {
        n = 1.0 / (1.0 + r2 * k + kk);
        a0 = (1.0 + r2v * k + v * kk) * n;
        a1 = 2.0 * (v * kk - 1.0) * n;
        a2 = (1.0 - r2v * k + v * kk) * n;
        b1 = 2.0 * (kk - 1.0) * n;
        b2 = (1.0 - r2 * k + kk) * n;
      } else {
        n = 1.0 / (1.0 + r2v * k + v * kk);
        a0 = (1.0 + r2 * k + kk) * n;
        a1 = 2.0 * (kk - 1.0) * n;
        a2 = (1.0 - r2 * k + kk) * n;
        b1 = 2.0 * (v * kk - 1.0) * n;
        b2 = (1.0 - r2v * k + v * kk) * n;
      }
      break;
    }
    case HighShelf: {
      const double r2 = std::sqrt(2.0);
      const double r2v = std::sqrt(2.0 * v);
      if (gainDb >= 0.0) {
        n = 1.0 / (1.0 + r2 * k + kk);
        a0 = (v + r2v * k + kk) * n;
        a1 = 2.0 * (kk - v) * n;
        a2 = (v - r2v * k + kk) * n;
        b1 = 2.0 * (kk - 1.0) * n;
        b2 = (1.0 - r2 * k + kk) * n;
      } else {
        // Normalised by the leading denominator term V + sqrt(2V) K + K^2;
        // with 1 in place of V the cut would change the level at DC and can
        // put the poles outside the unit circle.
        n = 1.0 / (v + r2v * k + kk);
        a0 = (1.0 + r2 * k + kk) * n;
        a1 = 2.0 * (kk - 1.0) * n;
        a2 = (1.0 - r2 * k + kk) * n;
        b1 = 2.0 * (kk - v) * n;
        b2 = (v - r2v * k + kk) * n;
      }
      break;
    }
    default:
      break;
  }
}
