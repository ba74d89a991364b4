#include "raster/Blit.h"

#include <cstdlib>
#include <cstring>

#include "raster/AlphaRuns.h"
#include "raster/BlendOps.h"

namespace
{

constexpr uint16_t Reciprocal(int x) { return x == 0 ? 0 : static_cast<uint16_t>(65536 / x - 1); }

constexpr PixelValue kHalfMask = 0x7F7F7F7F;
constexpr PixelValue kQuarterMask = 0x3F3F3F3F;
constexpr PixelValue kEighthMask = 0x1F1F1F1F;

inline PixelValue Half(PixelValue p) { return (p >> 1) & kHalfMask; }
inline PixelValue Quarter(PixelValue p) { return (p >> 2) & kQuarterMask; }
inline PixelValue Eighth(PixelValue p) { return (p >> 3) & kEighthMask; }

// Row smoothing buffers up to this width live on the stack.
constexpr int kSmoothStackWidth = 1024;

}  // namespace

const uint16_t ReciprocalTable[256] = {
#define R4(x) Reciprocal(x), Reciprocal(x + 1), Reciprocal(x + 2), Reciprocal(x + 3)
#define R16(x) R4(x), R4(x + 4), R4(x + 8), R4(x + 12)
    R16(0),   R16(16),  R16(32),  R16(48),  R16(64),  R16(80),  R16(96),  R16(112),
    R16(128), R16(144), R16(160), R16(176), R16(192), R16(208), R16(224), R16(240),
#undef R16
#undef R4
};

int BlendWeight(float alpha)
{
  const double v = static_cast<double>(alpha) * 256.0;
  if (!(v == v)) return 0;
  if (v >= 2048.0) return 2048;
  if (v <= -2048.0) return -2048;
  return static_cast<int>(v);
}

void blend::HueSatValue(PixelValue* p, int r, int g, int b, int a, int V)
{
  const PixelValue d = *p;
  const int R = blend::R(d), G = blend::G(d), B = blend::B(d);
  int mx = R > G ? R : G;
  if (B > mx) mx = B;
  int mn = R < G ? R : G;
  if (B < mn) mn = B;
  const int delta = mx - mn;
  const int t = ReciprocalTable[delta] + 1;
  int hue;
  if (G > R && G > B) {
    hue = 128 + (B - R) * t / 1024;
  } else if (G > R && B >= G) {
    hue = 256 + (R - G) * t / 1024;
  } else if (R >= G && R > B) {
    hue = (G - B) * t / 1024;
    if (G < B) hue += 383;
  } else {
    hue = 256 + (R - G) * t / 1024;
  }
  const int S = ReciprocalTable[mx] * delta / 256;
  const int Vv = mx;

  // Large weights can move the hue by more than one turn.
  hue += (r + r / 2 - 192) * V / 256;
  hue %= 384;
  if (hue < 0) hue += 384;
  const int s2 = Clamp(S + (g - 128) * V / 128);
  const int v2 = Clamp(Vv + (b - 128) * V / 128);

  const int pp = (256 - s2) * v2 / 256;
  auto x = [&](int k) { return (16384 + k * s2) * v2 / 16384; };
  int nr, ng, nb;
  if (hue < 64) {
    nr = v2; ng = x(hue - 64); nb = pp;
  } else if (hue < 128) {
    nr = x(64 - hue); ng = v2; nb = pp;
  } else if (hue < 192) {
    nr = pp; ng = v2; nb = x(hue - 192);
  } else if (hue < 256) {
    nr = pp; ng = x(192 - hue); nb = v2;
  } else if (hue < 320) {
    nr = x(hue - 320); ng = pp; nb = v2;
  } else {
    nr = v2; ng = pp; nb = x(320 - hue);
  }
  // Fills pass their weight as the alpha argument; 256 means opaque.
  *p = Pack(nb, ng, nr, Clamp(a));
}

namespace
{

struct Block
{
  PixelValue* dst;
  long long dstStep;
  const PixelValue* src;
  long long srcStep;
  int width;
  int height;
};

template <class Op>
void ForEachPixel(const Block& k, Op op)
{
  PixelValue* d = k.dst;
  const PixelValue* s = k.src;
  for (int y = 0; y < k.height; ++y, d += k.dstStep, s += k.srcStep) {
    for (int x = 0; x < k.width; ++x) op(d + x, s[x]);
  }
}

using PixelOp = void (*)(PixelValue*, int, int, int, int, int);

template <PixelOp F>
void BlitPlain(const Block& k, int W)
{
  ForEachPixel(k, [W](PixelValue* d, PixelValue s) {
    F(d, blend::R(s), blend::G(s), blend::B(s), blend::A(s), W);
  });
}

// Source-alpha form: transparent source pixels leave the destination alone.
template <PixelOp F>
void BlitSourceAlphaSkip(const Block& k, int W)
{
  ForEachPixel(k, [W](PixelValue* d, PixelValue s) {
    const int a = blend::A(s);
    if (a == 0) return;
    F(d, blend::R(s), blend::G(s), blend::B(s), a, blend::PixelWeight(a, W));
  });
}

template <PixelOp F>
void BlitSourceAlpha(const Block& k, int W)
{
  ForEachPixel(k, [W](PixelValue* d, PixelValue s) {
    const int a = blend::A(s);
    F(d, blend::R(s), blend::G(s), blend::B(s), a, blend::PixelWeight(a, W));
  });
}

// Source-alpha copy at full weight, four pixels at a time where all four
// are opaque (copied as they are) or all transparent (skipped), pixel by
// pixel elsewhere: film strips are mostly one or the other. Source and
// destination must not share memory.
void CopySourceAlphaFull(const Block& k)
{
  PixelValue* d = k.dst;
  const PixelValue* s = k.src;
  for (int y = 0; y < k.height; ++y, d += k.dstStep, s += k.srcStep) {
    int x = 0;
    for (; x + kAlphaRunPixels <= k.width; x += kAlphaRunPixels) {
      const AlphaRun run = AlphaOfFour(s + x);
      if (run == AlphaRun::Opaque) {
        std::memcpy(d + x, s + x, kAlphaRunPixels * sizeof(PixelValue));
        continue;
      }
      if (run == AlphaRun::Clear) continue;
      for (int i = x; i < x + kAlphaRunPixels; ++i) {
        blend::CopySourceAlpha(d + i, blend::R(s[i]), blend::G(s[i]), blend::B(s[i]), blend::A(s[i]), 256);
      }
    }
    for (; x < k.width; ++x) {
      blend::CopySourceAlpha(d + x, blend::R(s[x]), blend::G(s[x]), blend::B(s[x]), blend::A(s[x]), 256);
    }
  }
}

void BlitBlock(const Block& k, float alpha, BlendMode mode, bool separate)
{
  const int op = mode & BlendOperatorMask;
  if (op >= BlendChannelCopy) {
    const int from = op & BlendChannelFieldMask;
    const int to = (op >> BlendChannelToShift) & BlendChannelFieldMask;
    const int toShift = to * 8;
    const PixelValue keep = ~(static_cast<PixelValue>(255) << toShift);
    ForEachPixel(k, [=](PixelValue* d, PixelValue s) {
      *d = (*d & keep) | (((s >> (from * 8)) & 255) << toShift);
    });
    return;
  }
  if (mode == BlendCopy && alpha == 1.0f) {
    // memmove: a blit of a bitmap onto itself may overlap within a row.
    const size_t bytes = static_cast<size_t>(k.width) * sizeof(PixelValue);
    PixelValue* d = k.dst;
    const PixelValue* s = k.src;
    for (int y = 0; y < k.height; ++y, d += k.dstStep, s += k.srcStep) std::memmove(d, s, bytes);
    return;
  }
  if (mode == BlendCopy && alpha == 0.5f) {
    ForEachPixel(k, [](PixelValue* d, PixelValue s) { *d = Half(s) + Half(*d); });
    return;
  }
  const int W = BlendWeight(alpha);
  if (W == 0) return;
  if ((mode & SourceAlphaFlag) == 0) {
    switch (op) {
      case BlendCopy:
        if (W <= 0) return;
        if (W == 256) {
          ForEachPixel(k, [](PixelValue* d, PixelValue s) { *d = s; });
          return;
        }
        BlitPlain<blend::Copy>(k, W);
        return;
      case BlendAdd: BlitPlain<blend::Add>(k, W); return;
      case BlendDodge: BlitPlain<blend::Dodge>(k, W); return;
      case BlendMultiply: BlitPlain<blend::Multiply>(k, W); return;
      case BlendOverlay: BlitPlain<blend::Overlay>(k, W); return;
      case BlendHueSatValue: BlitPlain<blend::HueSatValue>(k, W); return;
      default: return;
    }
  }
  switch (op) {
    case BlendCopy:
      if (W == 256 && separate) {
        CopySourceAlphaFull(k);
        return;
      }
      ForEachPixel(k, [W](PixelValue* d, PixelValue s) {
        blend::CopySourceAlpha(d, blend::R(s), blend::G(s), blend::B(s), blend::A(s), W);
      });
      return;
    case BlendAdd: BlitSourceAlphaSkip<blend::Add>(k, W); return;
    case BlendDodge: BlitSourceAlpha<blend::Dodge>(k, W); return;
    case BlendMultiply: BlitSourceAlphaSkip<blend::Multiply>(k, W); return;
    case BlendOverlay: BlitSourceAlpha<blend::Overlay>(k, W); return;
    case BlendHueSatValue: BlitSourceAlpha<blend::HueSatValue>(k, W); return;
    default: return;
  }
}

}  // namespace

void BlitBitmap(LICE_IBitmap* dest, LICE_IBitmap* src, int dstX, int dstY, const LICE_Rect* srcRect,
                float alpha, BlendMode mode)
{
  if (!dest || !src || alpha == 0.0f) return;
  // Wide arithmetic: extreme rectangles and positions must not overflow.
  const long long srcW = src->Width(), srcH = src->Height();
  const long long destW = dest->Width(), destH = dest->Height();
  long long dx = dstX, dy = dstY;
  long long sx = 0, sy = 0, right = srcW, bottom = srcH;
  if (srcRect) {
    sx = srcRect->left;
    sy = srcRect->top;
    right = srcRect->right;
    bottom = srcRect->bottom;
    if (sx < 0) {
      dx -= sx;
      sx = 0;
    }
    if (sy < 0) {
      dy -= sy;
      sy = 0;
    }
    if (right > srcW) right = srcW;
    if (bottom > srcH) bottom = srcH;
  }
  if (dx < 0) {
    sx -= dx;
    dx = 0;
  }
  if (dy < 0) {
    sy -= dy;
    dy = 0;
  }
  if (right <= sx || bottom <= sy || dx >= destW || dy >= destH) return;
  if (right > sx + destW - dx) right = sx + destW - dx;
  if (bottom > sy + destH - dy) bottom = sy + destH - dy;
  if (right <= sx || bottom <= sy) return;
  if (!dest->Pixels() || !src->Pixels()) return;

  Block k;
  k.width = static_cast<int>(right - sx);
  k.height = static_cast<int>(bottom - sy);
  k.dst = LICE_RowAddress(dest, static_cast<int>(dy)) + dx;
  k.dstStep = LICE_RowStep(dest);
  k.src = LICE_RowAddress(src, static_cast<int>(sy)) + sx;
  k.srcStep = LICE_RowStep(src);
  BlitBlock(k, alpha, mode & (BlendOperatorMask | SourceAlphaFlag), dest != src);
}

namespace
{

template <class Op>
void ForEachFilled(PixelValue* row, long long step, int w, int h, Op op)
{
  for (int y = 0; y < h; ++y, row += step) {
    for (int x = 0; x < w; ++x) op(row + x);
  }
}

}  // namespace

void FillArea(LICE_IBitmap* dest, int x, int y, int w, int h, PixelValue colour, float alpha,
              BlendMode mode)
{
  if (!dest) return;
  mode &= BlendOperatorMask | SourceAlphaFlag;
  float weight = alpha;
  if (mode & SourceAlphaFlag) weight = static_cast<float>(alpha * (blend::A(colour) / 255.0));
  if (weight == 0.0f || !dest->Pixels() || dest->Stride() == 0) return;

  long long lx = x, ly = y, lw = w, lh = h;
  if (lx < 0) {
    lw += lx;
    lx = 0;
  }
  if (ly < 0) {
    lh += ly;
    ly = 0;
  }
  const long long width = dest->Width(), height = dest->Height();
  if (lw < 1 || lh < 1 || lx >= width || ly >= height) return;
  if (lw > width - lx) lw = width - lx;
  if (lh > height - ly) lh = height - ly;

  // The block's first memory row: the top row, or on a bottom-up bitmap the
  // lowest memory row it covers; either way rows are walked forward.
  const int rows = static_cast<int>(lh), cols = static_cast<int>(lw);
  const long long stride = dest->Stride();
  const long long firstRow = dest->IsBottomUp() ? height - ly - lh : ly;
  PixelValue* start = dest->Pixels() + firstRow * stride + lx;

  const int W = BlendWeight(weight);
  const int op = mode & BlendOperatorMask;
  const PixelValue c = colour;
  if (op == BlendCopy) {
    switch (W) {
      case 256: ForEachFilled(start, stride, cols, rows, [c](PixelValue* d) { *d = c; }); return;
      case 128:
        ForEachFilled(start, stride, cols, rows, [c](PixelValue* d) { *d = Half(*d) + Half(c); });
        return;
      case 64:
        ForEachFilled(start, stride, cols, rows,
                      [c](PixelValue* d) { *d = Half(*d) + Quarter(*d) + Quarter(c); });
        return;
      case 192:
        ForEachFilled(start, stride, cols, rows,
                      [c](PixelValue* d) { *d = Quarter(*d) + Half(c) + Quarter(c); });
        return;
      default: break;
    }
  }
  if (W == 0 || op > BlendHueSatValue) return;
  const int r = blend::R(c), g = blend::G(c), b = blend::B(c);
  PixelOp f = nullptr;
  switch (op) {
    case BlendCopy:
      if (W <= 0) return;
      f = blend::Copy;
      break;
    case BlendAdd: f = blend::Add; break;
    case BlendDodge: f = blend::Dodge; break;
    case BlendMultiply: f = blend::Multiply; break;
    case BlendOverlay: f = blend::Overlay; break;
    default: f = blend::HueSatValue; break;
  }
  ForEachFilled(start, stride, cols, rows, [=](PixelValue* d) { f(d, r, g, b, W, W); });
}

void SmoothBitmapArea(LICE_IBitmap* bitmap, int w, int h)
{
  if (!bitmap || !bitmap->Pixels()) return;
  if (w > bitmap->Width()) w = bitmap->Width();
  if (h > bitmap->Height()) h = bitmap->Height();
  if (w < 2 || h < 2) return;

  PixelValue stackRows[2][kSmoothStackWidth];
  PixelValue* heapRows = nullptr;
  PixelValue* saved[2] = {stackRows[0], stackRows[1]};
  if (w > kSmoothStackWidth) {
    heapRows = static_cast<PixelValue*>(std::malloc(sizeof(PixelValue) * 2 * static_cast<size_t>(w)));
    saved[0] = heapRows;
    saved[1] = heapRows ? heapRows + w : nullptr;
  }

  const long long step = LICE_RowStep(bitmap);
  PixelValue* row = LICE_RowAddress(bitmap, 0);
  const PixelValue* above = nullptr;
  for (int y = 0; y < h; ++y, row += step) {
    PixelValue* copy = saved[y & 1];
    if (copy) std::memcpy(copy, row, sizeof(PixelValue) * static_cast<size_t>(w));
    const PixelValue* below = y + 1 < h ? row + step : nullptr;
    PixelValue left = 0;
    for (int x = 0; x < w; ++x) {
      const PixelValue self = row[x];
      PixelValue sum = Half(self);
      if (x == 0) {
        sum += Quarter(row[1]);
      } else if (x == w - 1) {
        sum += Quarter(left);
      } else {
        sum += Eighth(left) + Eighth(row[x + 1]);
      }
      if (!above) {
        sum += Quarter(below[x]);
      } else if (!below) {
        sum += Quarter(above[x]);
      } else {
        sum += Eighth(above[x]) + Eighth(below[x]);
      }
      left = self;
      row[x] = sum;
    }
    // Without a saved copy the row above is read in its smoothed state.
    above = copy ? copy : row;
  }
  std::free(heapRows);
}
