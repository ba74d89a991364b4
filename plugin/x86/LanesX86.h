#pragma once
// The lane types on SSE2 registers. Included through plugin/Lanes.h only;
// plugin/scalar/LanesScalar.h has the same operations in plain code.

#include <cstdint>

#include <emmintrin.h>

namespace lanes {

// A per-lane condition of two doubles: all bits of a lane set where it holds.
struct Mask2
{
  __m128d v;
};

// Two 32-bit integers, from truncating the lanes of a Double2.
struct Int2
{
  __m128i v;
  int Lane0() const { return _mm_cvtsi128_si32(v); }
  int Lane1() const { return _mm_cvtsi128_si32(_mm_shuffle_epi32(v, 1)); }
};

// Two doubles; lane 0 is the left channel.
struct Double2
{
  __m128d v;

  Double2() = default;
  explicit Double2(double both) : v(_mm_set1_pd(both)) {}
  explicit Double2(__m128d x) : v(x) {}
  static Double2 Of(double lane0, double lane1) { return Double2(_mm_set_pd(lane1, lane0)); }
  // Lane 0 from one address, lane 1 from another.
  static Double2 Load(const double* lane0, const double* lane1)
  {
    return Double2(_mm_loadh_pd(_mm_load_sd(lane0), lane1));
  }
  void Store(double* lane0, double* lane1) const
  {
    _mm_storel_pd(lane0, v);
    _mm_storeh_pd(lane1, v);
  }
  double Lane0() const { return _mm_cvtsd_f64(v); }
  double Lane1() const { return _mm_cvtsd_f64(_mm_unpackhi_pd(v, v)); }
};

inline Double2 operator+(Double2 a, Double2 b) { return Double2(_mm_add_pd(a.v, b.v)); }
inline Double2 operator-(Double2 a, Double2 b) { return Double2(_mm_sub_pd(a.v, b.v)); }
inline Double2 operator*(Double2 a, Double2 b) { return Double2(_mm_mul_pd(a.v, b.v)); }
inline Double2 operator/(Double2 a, Double2 b) { return Double2(_mm_div_pd(a.v, b.v)); }
inline Mask2 operator>(Double2 a, Double2 b) { return Mask2{_mm_cmpgt_pd(a.v, b.v)}; }
inline Mask2 operator<(Double2 a, Double2 b) { return Mask2{_mm_cmplt_pd(a.v, b.v)}; }

// Where mask holds, a; elsewhere b. Without a branch, for conditions that
// follow the signal and cannot be predicted.
inline Double2 Select(Mask2 mask, Double2 a, Double2 b)
{
  return Double2(_mm_or_pd(_mm_and_pd(mask.v, a.v), _mm_andnot_pd(mask.v, b.v)));
}

inline Double2 Abs(Double2 x) { return Double2(_mm_andnot_pd(_mm_set1_pd(-0.0), x.v)); }

// magnitude with the sign bit of sign.
inline Double2 WithSignOf(Double2 magnitude, Double2 sign)
{
  const __m128d bit = _mm_set1_pd(-0.0);
  return Double2(_mm_or_pd(_mm_andnot_pd(bit, magnitude.v), _mm_and_pd(bit, sign.v)));
}

// Rounds both lanes to single precision and back.
inline Double2 RoundToFloat(Double2 x) { return Double2(_mm_cvtps_pd(_mm_cvtpd_ps(x.v))); }

// Truncation toward zero; a lane that is no number or outside the 32-bit
// range gives INT32_MIN.
inline Int2 Truncate(Double2 x) { return Int2{_mm_cvttpd_epi32(x.v)}; }
inline Double2 ToDouble(Int2 i) { return Double2(_mm_cvtepi32_pd(i.v)); }

// Lanes outside [0, end) become 0.
inline Int2 ZeroOutside(Int2 i, int end)
{
  const __m128i usable =
      _mm_and_si128(_mm_cmpgt_epi32(i.v, _mm_set1_epi32(-1)), _mm_cmplt_epi32(i.v, _mm_set1_epi32(end)));
  return Int2{_mm_and_si128(i.v, usable)};
}

// Entries index and index + 1 of table for each lane.
inline void LoadAdjacent(const double* table, Int2 index, Double2* at, Double2* next)
{
  const __m128d lane0 = _mm_loadu_pd(table + index.Lane0());
  const __m128d lane1 = _mm_loadu_pd(table + index.Lane1());
  *at = Double2(_mm_unpacklo_pd(lane0, lane1));
  *next = Double2(_mm_unpackhi_pd(lane0, lane1));
}

// x > y ? a : b on single doubles, without a branch.
inline double SelectGreater(double x, double y, double a, double b)
{
  const __m128d mask = _mm_cmpgt_sd(_mm_set_sd(x), _mm_set_sd(y));
  return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(mask, _mm_set_sd(a)), _mm_andnot_pd(mask, _mm_set_sd(b))));
}

// a > b ? a : b and a < b ? a : b, without a branch.
inline double GreaterOf(double a, double b) { return _mm_cvtsd_f64(_mm_max_sd(_mm_set_sd(a), _mm_set_sd(b))); }
inline double LesserOf(double a, double b) { return _mm_cvtsd_f64(_mm_min_sd(_mm_set_sd(a), _mm_set_sd(b))); }

// Four 32-bit integers.
struct Int4
{
  __m128i v;

  Int4() = default;
  explicit Int4(int32_t all) : v(_mm_set1_epi32(all)) {}
  explicit Int4(__m128i x) : v(x) {}
  static Int4 Of(int32_t lane0, int32_t lane1, int32_t lane2, int32_t lane3)
  {
    return Int4(_mm_set_epi32(lane3, lane2, lane1, lane0));
  }
  void Store(uint32_t* out) const { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v); }
};

// Wrapping arithmetic, as on uint32_t.
inline Int4 operator+(Int4 a, Int4 b) { return Int4(_mm_add_epi32(a.v, b.v)); }
inline Int4 operator-(Int4 a, Int4 b) { return Int4(_mm_sub_epi32(a.v, b.v)); }
inline Int4 operator&(Int4 a, Int4 b) { return Int4(_mm_and_si128(a.v, b.v)); }

// Four floats.
struct Float4
{
  __m128 v;

  Float4() = default;
  explicit Float4(float all) : v(_mm_set1_ps(all)) {}
  explicit Float4(__m128 x) : v(x) {}
  static Float4 Of(float lane0, float lane1, float lane2, float lane3)
  {
    return Float4(_mm_set_ps(lane3, lane2, lane1, lane0));
  }
  static Float4 Load(const float* p) { return Float4(_mm_loadu_ps(p)); }
  // The four lanes widened to double, into out[0..3].
  void StoreWidened(double* out) const
  {
    _mm_storeu_pd(out, _mm_cvtps_pd(v));
    _mm_storeu_pd(out + 2, _mm_cvtps_pd(_mm_movehl_ps(v, v)));
  }
};

inline Float4 operator+(Float4 a, Float4 b) { return Float4(_mm_add_ps(a.v, b.v)); }
inline Float4 operator-(Float4 a, Float4 b) { return Float4(_mm_sub_ps(a.v, b.v)); }
inline Float4 operator*(Float4 a, Float4 b) { return Float4(_mm_mul_ps(a.v, b.v)); }
// a < b ? a : b per lane.
inline Float4 Min(Float4 a, Float4 b) { return Float4(_mm_min_ps(a.v, b.v)); }
// Truncation toward zero (for lanes inside the 32-bit range).
inline Int4 Truncate(Float4 x) { return Int4(_mm_cvttps_epi32(x.v)); }
inline Float4 ToFloat(Int4 i) { return Float4(_mm_cvtepi32_ps(i.v)); }

// base[index[0..3]].
inline Float4 Gather(const float* base, const uint32_t* index)
{
  return Float4(_mm_set_ps(base[index[3]], base[index[2]], base[index[1]], base[index[0]]));
}

}  // namespace lanes
