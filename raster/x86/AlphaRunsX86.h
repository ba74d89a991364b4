#pragma once
// AlphaOfFour with SSE2: one compare per kind for all four pixels.

#include "raster/AlphaRun.h"

#include <emmintrin.h>

// pixels: four readable pixels, any alignment.
inline AlphaRun AlphaOfFour(const PixelValue* pixels)
{
  constexpr int kAllLanes = 0xFFFF;
  constexpr int kAlphaShift = 24;
  constexpr int kOpaque = 255;
  const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
  const __m128i a = _mm_srli_epi32(p, kAlphaShift);
  if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_set1_epi32(kOpaque))) == kAllLanes) return AlphaRun::Opaque;
  if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128())) == kAllLanes) return AlphaRun::Clear;
  return AlphaRun::Mixed;
}
