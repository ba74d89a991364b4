#include "plugin/DelayPitchShifter.h"

#include <emmintrin.h>

float DelayPitchShifter::RatioFor(double semitones)
{
  if (std::isnan(semitones)) semitones = 0.0;
  const float s = static_cast<float>(semitones) * 0.083333336f;
  return static_cast<float>(std::pow(2.0, static_cast<double>(s)));
}

void DelayPitchShifter::ProcessPairRun(DelayPitchShifter& a, DelayPitchShifter& b, const double* xa, const double* xb,
                                       const float* delays, int count, double* ya, double* yb)
{
  if (count <= 0) return;
  if (count > kMaxRun) count = kMaxRun;
  const uint32_t c0 = a.writeCounter;
  // Every sample of the run is written first: a sample reads only slots at
  // or behind its own, so the later writes cannot reach its reads.
  for (int k = 0; k < count; ++k) {
    a.ring[(c0 + static_cast<uint32_t>(k)) & kRingMask] = static_cast<float>(xa[k]);
    b.ring[(c0 + static_cast<uint32_t>(k)) & kRingMask] = static_cast<float>(xb[k]);
  }
  // Four samples at a time in the lanes of a single-precision register; each
  // lane rounds exactly as the one-sample arithmetic. A last partial group
  // repeats the run's last delay in its unused lanes.
  const __m128 one = _mm_set1_ps(1.0f);
  const __m128 spacing = _mm_set1_ps(kTapSpacing);
  const __m128 fadeScale = _mm_set1_ps(0.01f);
  const __m128i mask = _mm_set1_epi32(static_cast<int>(kRingMask));
  const __m128i farther = _mm_set1_epi32(1);  // the far tap of each pair, one slot back
  for (int g = 0; g < count; g += 4) {
    const int n = count - g < 4 ? count - g : 4;
    const float* at = delays + g;
    const int last = n - 1;
    const __m128 dv =
        n == 4 ? _mm_loadu_ps(at) : _mm_set_ps(at[last], at[n > 2 ? 2 : last], at[n > 1 ? 1 : last], at[0]);
    const __m128i i0 = _mm_cvttps_epi32(dv);
    const __m128 f0 = _mm_cvtepi32_ps(i0);
    const __m128i i1 = _mm_cvttps_epi32(_mm_add_ps(dv, spacing));
    const __m128 f1 = _mm_cvtepi32_ps(i1);
    const __m128 fade = _mm_min_ps(_mm_mul_ps(dv, fadeScale), one);
    const __m128 rest = _mm_sub_ps(one, fade);
    const __m128 oneMinusD = _mm_sub_ps(one, dv);
    const __m128 wNear0 = _mm_add_ps(oneMinusD, f0);
    const __m128 wFar0 = _mm_sub_ps(dv, f0);
    const __m128 wNear1 = _mm_sub_ps(_mm_add_ps(f1, oneMinusD), spacing);
    const __m128 wFar1 = _mm_add_ps(_mm_sub_ps(dv, f1), spacing);
    const uint32_t cg = c0 + static_cast<uint32_t>(g);
    const __m128i c = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(cg)), _mm_set_epi32(3, 2, 1, 0));
    alignas(16) uint32_t slot[4][4];
    const __m128i near0 = _mm_sub_epi32(c, i0);
    const __m128i near1 = _mm_sub_epi32(c, i1);
    _mm_store_si128(reinterpret_cast<__m128i*>(slot[0]), _mm_and_si128(near0, mask));
    _mm_store_si128(reinterpret_cast<__m128i*>(slot[1]), _mm_and_si128(_mm_sub_epi32(near0, farther), mask));
    _mm_store_si128(reinterpret_cast<__m128i*>(slot[2]), _mm_and_si128(near1, mask));
    _mm_store_si128(reinterpret_cast<__m128i*>(slot[3]), _mm_and_si128(_mm_sub_epi32(near1, farther), mask));
    DelayPitchShifter* shifters[2] = {&a, &b};
    double* outs[2] = {ya + g, yb + g};
    for (int ch = 0; ch < 2; ++ch) {
      const float* r = shifters[ch]->ring;
      auto gather = [r](const uint32_t* at) { return _mm_set_ps(r[at[3]], r[at[2]], r[at[1]], r[at[0]]); };
      const __m128 tap0 = _mm_add_ps(_mm_mul_ps(wNear0, gather(slot[0])), _mm_mul_ps(wFar0, gather(slot[1])));
      const __m128 tap1 = _mm_add_ps(_mm_mul_ps(wNear1, gather(slot[2])), _mm_mul_ps(wFar1, gather(slot[3])));
      const __m128 y = _mm_add_ps(_mm_mul_ps(tap1, rest), _mm_mul_ps(tap0, fade));
      const __m128d low = _mm_cvtps_pd(y);
      const __m128d high = _mm_cvtps_pd(_mm_movehl_ps(y, y));
      if (n == 4) {
        _mm_storeu_pd(outs[ch], low);
        _mm_storeu_pd(outs[ch] + 2, high);
      } else {
        alignas(16) double wide[4];
        _mm_store_pd(&wide[0], low);
        _mm_store_pd(&wide[2], high);
        for (int k = 0; k < n; ++k) outs[ch][k] = wide[k];
      }
    }
  }
  const uint32_t next = c0 + static_cast<uint32_t>(count);
  a.writeCounter = b.writeCounter = next;
  a.delay = b.delay = delays[count - 1];
}
