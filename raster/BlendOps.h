#pragma once
// The per-pixel blend operators shared by blits, fills and glyph drawing.
// Each takes the destination pixel, the source colour's red, green, blue and
// alpha and an integer weight V (256 = full strength), and follows the
// system's integer rounding exactly: '/' truncates toward zero, '>>' on a
// signed value is an arithmetic shift.

#include <cstdint>

#include "raster/Blit.h"

namespace blend
{

inline int Clamp(int x) { return x < 0 ? 0 : (x > 255 ? 255 : x); }

inline PixelValue Pack(int b, int g, int r, int a)
{
  return static_cast<PixelValue>(b & 255) | (static_cast<PixelValue>(g & 255) << 8) |
         (static_cast<PixelValue>(r & 255) << 16) | (static_cast<PixelValue>(a & 255) << 24);
}

inline int B(PixelValue p) { return static_cast<int>(p & 255); }
inline int G(PixelValue p) { return static_cast<int>((p >> 8) & 255); }
inline int R(PixelValue p) { return static_cast<int>((p >> 16) & 255); }
inline int A(PixelValue p) { return static_cast<int>(p >> 24); }

// Operator 0 with weight V on all four channels: s + (d - s) * (256 - V) / 256.
inline void Copy(PixelValue* p, int r, int g, int b, int a, int V)
{
  const PixelValue d = *p;
  const int k = 256 - V;
  *p = Pack(b + (B(d) - b) * k / 256, g + (G(d) - g) * k / 256, r + (R(d) - r) * k / 256,
            a + (A(d) - a) * k / 256);
}

inline void Add(PixelValue* p, int r, int g, int b, int a, int V)
{
  const PixelValue d = *p;
  *p = Pack(Clamp(B(d) + b * V / 256), Clamp(G(d) + g * V / 256), Clamp(R(d) + r * V / 256),
            Clamp(A(d) + a * V / 256));
}

inline int DodgeChannel(int d, int s, int V)
{
  const int q = 256 - s * V / 256;
  return q > 1 ? Clamp(d * 256 / q) : Clamp(d * 256);
}

inline void Dodge(PixelValue* p, int r, int g, int b, int a, int V)
{
  const PixelValue d = *p;
  *p = Pack(DodgeChannel(B(d), b, V), DodgeChannel(G(d), g, V), DodgeChannel(R(d), r, V),
            DodgeChannel(A(d), a, V));
}

inline int MultiplyChannel(int d, int s, int V) { return (d * (s * V + (256 - V) * 256)) >> 16; }

inline void Multiply(PixelValue* p, int r, int g, int b, int a, int V)
{
  const PixelValue d = *p;
  *p = Pack(MultiplyChannel(B(d), b, V), MultiplyChannel(G(d), g, V), MultiplyChannel(R(d), r, V),
            MultiplyChannel(A(d), a, V));
}

inline int OverlayChannel(int d, int s, int V)
{
  const int k = s * V + (256 - V) * 128;
  return Clamp((((32768 - k) * d / 256 + k) * d) >> 15);
}

inline void Overlay(PixelValue* p, int r, int g, int b, int a, int V)
{
  const PixelValue d = *p;
  *p = Pack(OverlayChannel(B(d), b, V), OverlayChannel(G(d), g, V), OverlayChannel(R(d), r, V),
            OverlayChannel(A(d), a, V));
}

// Hue/saturation/value adjust: the source colour holds the amounts, the
// destination is the colour adjusted. Hue runs on a 384-step circle.
void HueSatValue(PixelValue* p, int r, int g, int b, int a, int V);

// The weight of a source pixel of alpha a under weight W.
inline int PixelWeight(int a, int W) { return (a + 1) * W / 256; }

// Operator 0 with the source-alpha flag.
inline void CopySourceAlpha(PixelValue* p, int r, int g, int b, int a, int W)
{
  if (a == 0) return;
  const PixelValue d = *p;
  if (W == 256) {
    if (a == 255) {
      *p = Pack(b, g, r, 255);
      return;
    }
    const int k = 255 - a;
    const int na = A(d) + a > 255 ? 255 : A(d) + a;
    *p = Pack(b + (B(d) - b) * k / 256, g + (G(d) - g) * k / 256, r + (R(d) - r) * k / 256, na);
    return;
  }
  const int w = PixelWeight(a, W);
  const int k = 256 - w;
  const int na = A(d) + w > 255 ? 255 : A(d) + w;
  *p = Pack(b + (B(d) - b) * k / 256, g + (G(d) - g) * k / 256, r + (R(d) - r) * k / 256, na);
}

}  // namespace blend
