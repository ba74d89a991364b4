#pragma once
// The second-order section's arithmetic, written once for any lane type T:
// double for one section (BiquadSection), lanes::Double2 for the left and
// right sections of the effect chain together. T needs +, -, *, / and an
// explicit constructor from double; each operation rounds as on double.

// Pi as the pre-warping k = tan(pi * cutoff) uses it.
constexpr double kPi = 3.141592653589793;

// Low-pass coefficients from the bilinear transform; a2 equals a0.
template <typename T>
struct LowPassCoefficients
{
  T a0, a1, b1, b2;
};

// The low-pass coefficients for the pre-warped k = tan(pi * cutoff) and the
// quality factor q.
template <typename T>
LowPassCoefficients<T> ComputeLowPass(T k, T q)
{
  const T one(1.0);
  const T two(2.0);
  const T kk = k * k;
  const T kq = k / q;
  const T n = one / (one + kq + kk);
  LowPassCoefficients<T> c;
  c.a0 = kk * n;
  c.a1 = two * c.a0;
  c.b1 = two * (kk - one) * n;
  c.b2 = (one - kq + kk) * n;
  return c;
}

// One step of a section in transposed direct form II; returns the output.
template <typename T>
T FilterStep(T& z1, T& z2, T a0, T a1, T a2, T b1, T b2, T x)
{
  const T out = a0 * x + z1;
  z1 = a1 * x + z2 - b1 * out;
  z2 = a2 * x - b2 * out;
  return out;
}

// The step of a low-pass section. With a2 passed as a0 the compiler computes
// a0 * x once for both terms.
template <typename T>
T LowPassStep(T& z1, T& z2, const LowPassCoefficients<T>& c, T x)
{
  return FilterStep(z1, z2, c.a0, c.a1, c.a0, c.b1, c.b2, x);
}
