#pragma once
// The lane types in plain scalar code, for processors without SSE2 and for
// testing on x86 with VEXA_SCALAR_LANES. Included through plugin/Lanes.h
// only; every operation is the one of plugin/x86/LanesX86.h, lane by lane.

#include <cstdint>
#include <cstring>

namespace lanes {

// A per-lane condition of two doubles.
struct Mask2
{
  bool lane[2];
};

// Two 32-bit integers, from truncating the lanes of a Double2.
struct Int2
{
  int32_t lane[2];
  int Lane0() const { return lane[0]; }
  int Lane1() const { return lane[1]; }
};

// Two doubles; lane 0 is the left channel.
struct Double2
{
  double lane[2];

  Double2() = default;
  explicit Double2(double both) : lane{both, both} {}
  static Double2 Of(double lane0, double lane1)
  {
    Double2 d;
    d.lane[0] = lane0;
    d.lane[1] = lane1;
    return d;
  }
  static Double2 Load(const double* lane0, const double* lane1) { return Of(*lane0, *lane1); }
  void Store(double* lane0, double* lane1) const
  {
    *lane0 = lane[0];
    *lane1 = lane[1];
  }
  double Lane0() const { return lane[0]; }
  double Lane1() const { return lane[1]; }
};

inline Double2 operator+(Double2 a, Double2 b) { return Double2::Of(a.lane[0] + b.lane[0], a.lane[1] + b.lane[1]); }
inline Double2 operator-(Double2 a, Double2 b) { return Double2::Of(a.lane[0] - b.lane[0], a.lane[1] - b.lane[1]); }
inline Double2 operator*(Double2 a, Double2 b) { return Double2::Of(a.lane[0] * b.lane[0], a.lane[1] * b.lane[1]); }
inline Double2 operator/(Double2 a, Double2 b) { return Double2::Of(a.lane[0] / b.lane[0], a.lane[1] / b.lane[1]); }
inline Mask2 operator>(Double2 a, Double2 b) { return Mask2{{a.lane[0] > b.lane[0], a.lane[1] > b.lane[1]}}; }
inline Mask2 operator<(Double2 a, Double2 b) { return Mask2{{a.lane[0] < b.lane[0], a.lane[1] < b.lane[1]}}; }

// Where mask holds, a; elsewhere b.
inline Double2 Select(Mask2 mask, Double2 a, Double2 b)
{
  return Double2::Of(mask.lane[0] ? a.lane[0] : b.lane[0], mask.lane[1] ? a.lane[1] : b.lane[1]);
}

// The sign bit of a double, and a double with it replaced; bit operations,
// like the vector code, so that zeros and non-numbers keep their bits.
inline uint64_t SignBits(double x)
{
  uint64_t u;
  std::memcpy(&u, &x, sizeof u);
  return u & 0x8000000000000000ull;
}

inline double WithSignBits(double magnitude, uint64_t sign)
{
  uint64_t u;
  std::memcpy(&u, &magnitude, sizeof u);
  u = (u & 0x7FFFFFFFFFFFFFFFull) | sign;
  double d;
  std::memcpy(&d, &u, sizeof d);
  return d;
}

inline Double2 Abs(Double2 x) { return Double2::Of(WithSignBits(x.lane[0], 0), WithSignBits(x.lane[1], 0)); }

// magnitude with the sign bit of sign.
inline Double2 WithSignOf(Double2 magnitude, Double2 sign)
{
  return Double2::Of(WithSignBits(magnitude.lane[0], SignBits(sign.lane[0])),
                     WithSignBits(magnitude.lane[1], SignBits(sign.lane[1])));
}

inline Double2 RoundToFloat(Double2 x)
{
  return Double2::Of(static_cast<double>(static_cast<float>(x.lane[0])),
                     static_cast<double>(static_cast<float>(x.lane[1])));
}

// Truncation toward zero; a lane that is no number or outside the 32-bit
// range gives INT32_MIN, as the vector conversion does.
inline int32_t TruncateOne(double x)
{
  return (x > -2147483649.0 && x < 2147483648.0) ? static_cast<int32_t>(x) : INT32_MIN;
}

inline Int2 Truncate(Double2 x) { return Int2{{TruncateOne(x.lane[0]), TruncateOne(x.lane[1])}}; }
inline Double2 ToDouble(Int2 i) { return Double2::Of(i.lane[0], i.lane[1]); }

// Lanes outside [0, end) become 0.
inline Int2 ZeroOutside(Int2 i, int end)
{
  return Int2{{i.lane[0] >= 0 && i.lane[0] < end ? i.lane[0] : 0, i.lane[1] >= 0 && i.lane[1] < end ? i.lane[1] : 0}};
}

// Entries index and index + 1 of table for each lane.
inline void LoadAdjacent(const double* table, Int2 index, Double2* at, Double2* next)
{
  *at = Double2::Of(table[index.lane[0]], table[index.lane[1]]);
  *next = Double2::Of(table[index.lane[0] + 1], table[index.lane[1] + 1]);
}

// x > y ? a : b on single doubles.
inline double SelectGreater(double x, double y, double a, double b) { return x > y ? a : b; }

// a > b ? a : b and a < b ? a : b.
inline double GreaterOf(double a, double b) { return a > b ? a : b; }
inline double LesserOf(double a, double b) { return a < b ? a : b; }

// Four 32-bit integers.
struct Int4
{
  uint32_t lane[4];

  Int4() = default;
  explicit Int4(int32_t all)
  {
    for (uint32_t& l : lane) l = static_cast<uint32_t>(all);
  }
  static Int4 Of(int32_t lane0, int32_t lane1, int32_t lane2, int32_t lane3)
  {
    Int4 i;
    i.lane[0] = static_cast<uint32_t>(lane0);
    i.lane[1] = static_cast<uint32_t>(lane1);
    i.lane[2] = static_cast<uint32_t>(lane2);
    i.lane[3] = static_cast<uint32_t>(lane3);
    return i;
  }
  void Store(uint32_t* out) const
  {
    for (int k = 0; k < 4; ++k) out[k] = lane[k];
  }
};

// Wrapping arithmetic, as on uint32_t.
inline Int4 operator+(Int4 a, Int4 b)
{
  Int4 r;
  for (int k = 0; k < 4; ++k) r.lane[k] = a.lane[k] + b.lane[k];
  return r;
}

inline Int4 operator-(Int4 a, Int4 b)
{
  Int4 r;
  for (int k = 0; k < 4; ++k) r.lane[k] = a.lane[k] - b.lane[k];
  return r;
}

inline Int4 operator&(Int4 a, Int4 b)
{
  Int4 r;
  for (int k = 0; k < 4; ++k) r.lane[k] = a.lane[k] & b.lane[k];
  return r;
}

// Four floats.
struct Float4
{
  float lane[4];

  Float4() = default;
  explicit Float4(float all) : lane{all, all, all, all} {}
  static Float4 Of(float lane0, float lane1, float lane2, float lane3)
  {
    Float4 f;
    f.lane[0] = lane0;
    f.lane[1] = lane1;
    f.lane[2] = lane2;
    f.lane[3] = lane3;
    return f;
  }
  static Float4 Load(const float* p) { return Of(p[0], p[1], p[2], p[3]); }
  // The four lanes widened to double, into out[0..3].
  void StoreWidened(double* out) const
  {
    for (int k = 0; k < 4; ++k) out[k] = static_cast<double>(lane[k]);
  }
};

inline Float4 operator+(Float4 a, Float4 b)
{
  Float4 r;
  for (int k = 0; k < 4; ++k) r.lane[k] = a.lane[k] + b.lane[k];
  return r;
}

inline Float4 operator-(Float4 a, Float4 b)
{
  Float4 r;
  for (int k = 0; k < 4; ++k) r.lane[k] = a.lane[k] - b.lane[k];
  return r;
}

inline Float4 operator*(Float4 a, Float4 b)
{
  Float4 r;
  for (int k = 0; k < 4; ++k) r.lane[k] = a.lane[k] * b.lane[k];
  return r;
}

// a < b ? a : b per lane.
inline Float4 Min(Float4 a, Float4 b)
{
  Float4 r;
  for (int k = 0; k < 4; ++k) r.lane[k] = a.lane[k] < b.lane[k] ? a.lane[k] : b.lane[k];
  return r;
}

// Truncation toward zero (for lanes inside the 32-bit range).
inline Int4 Truncate(Float4 x)
{
  Int4 r;
  for (int k = 0; k < 4; ++k) r.lane[k] = static_cast<uint32_t>(static_cast<int32_t>(x.lane[k]));
  return r;
}

inline Float4 ToFloat(Int4 i)
{
  Float4 r;
  for (int k = 0; k < 4; ++k) r.lane[k] = static_cast<float>(static_cast<int32_t>(i.lane[k]));
  return r;
}

// base[index[0..3]].
inline Float4 Gather(const float* base, const uint32_t* index)
{
  return Float4::Of(base[index[0]], base[index[1]], base[index[2]], base[index[3]]);
}

}  // namespace lanes
