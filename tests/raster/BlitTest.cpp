#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <vector>

#include "raster/Bitmap.h"
#include "raster/Blit.h"
#include "tests/TestSeed.h"

namespace
{

// A bitmap whose rows are stored bottom-up, for the row-order paths.
class BottomUpBitmap : public LICE_IBitmap
{
public:
  BottomUpBitmap(int w, int h) : mW(w), mH(h), mPixels(static_cast<size_t>(w + 3) * h) {}
  PixelValue* Pixels() override { return mPixels.data(); }
  int Width() override { return mW; }
  int Height() override { return mH; }
  int Stride() override { return mW + 3; }
  bool IsBottomUp() override { return true; }
  bool Resize(int, int) override { return false; }
  PixelValue& At(int x, int y) { return mPixels[static_cast<size_t>(mH - 1 - y) * Stride() + x]; }

private:
  int mW, mH;
  std::vector<PixelValue> mPixels;
};

PixelValue& At(LICE_IBitmap& b, int x, int y)
{
  if (b.IsBottomUp()) return b.Pixels()[(b.Height() - 1 - y) * b.Stride() + x];
  return b.Pixels()[y * b.Stride() + x];
}

// Channels in memory order: blue, green, red, alpha.
struct Px
{
  int c[4];
};

Px Split(PixelValue p) { return {{int(p & 255), int((p >> 8) & 255), int((p >> 16) & 255), int(p >> 24)}}; }

PixelValue Join(const Px& p)
{
  PixelValue v = 0;
  for (int i = 0; i < 4; ++i) v |= PixelValue(p.c[i] & 255) << (8 * i);
  return v;
}

int Cl(int x) { return x < 0 ? 0 : x > 255 ? 255 : x; }

int Recip(int x) { return x == 0 ? 0 : 65536 / x - 1; }

// Hue/saturation/value adjust of d by the amounts (r, g, b) at weight v; the
// alpha channel becomes alphaArg.
PixelValue RefHsv(PixelValue dst, int r, int g, int b, int alphaArg, int v)
{
  const Px d = Split(dst);
  const int R = d.c[2], G = d.c[1], B = d.c[0];
  const int mx = std::max(R, std::max(G, B)), mn = std::min(R, std::min(G, B));
  const int delta = mx - mn;
  const int t = Recip(delta) + 1;
  int hue;
  if (G > R && G > B) hue = 128 + (B - R) * t / 1024;
  else if (G > R && B >= G) hue = 256 + (R - G) * t / 1024;
  else if (R >= G && R > B) hue = (G - B) * t / 1024 + (G < B ? 383 : 0);
  else hue = 256 + (R - G) * t / 1024;
  const int s = Recip(mx) * delta / 256;
  hue += (r + r / 2 - 192) * v / 256;
  if (hue < 0) hue += 384;
  if (hue >= 384) hue -= 384;
  const int s2 = Cl(s + (g - 128) * v / 128);
  const int v2 = Cl(mx + (b - 128) * v / 128);
  const int p = (256 - s2) * v2 / 256;
  auto x = [&](int k) { return (16384 + k * s2) * v2 / 16384; };
  int o[3];
  switch (hue / 64) {
    case 0: o[0] = v2; o[1] = x(hue - 64); o[2] = p; break;
    case 1: o[0] = x(64 - hue); o[1] = v2; o[2] = p; break;
    case 2: o[0] = p; o[1] = v2; o[2] = x(hue - 192); break;
    case 3: o[0] = p; o[1] = x(192 - hue); o[2] = v2; break;
    case 4: o[0] = x(hue - 320); o[1] = p; o[2] = v2; break;
    default: o[0] = v2; o[1] = p; o[2] = x(320 - hue); break;
  }
  return Join({{o[2], o[1], o[0], Cl(alphaArg)}});
}

// One pixel of a blit, written channel by channel from the operator table.
PixelValue RefBlitPixel(PixelValue dst, PixelValue src, int mode, float alpha)
{
  const int op = mode & 255;
  const bool flag = (mode & 0x10000) != 0;
  Px d = Split(dst);
  const Px s = Split(src);
  if (alpha == 0.0f) return dst;
  if (op >= 0xF0) {
    d.c[(op >> 2) & 3] = s.c[op & 3];
    return Join(d);
  }
  if ((mode & 0x100FF) == 0 && alpha == 1.0f) return src;
  if ((mode & 0x100FF) == 0 && alpha == 0.5f) {
    for (int i = 0; i < 4; ++i) d.c[i] = s.c[i] / 2 + d.c[i] / 2;
    return Join(d);
  }
  const int W = int(double(alpha) * 256.0);
  if (W == 0) return dst;
  const int a = s.c[3];
  int V = W;
  if (flag) {
    if (a == 0 && (op == 0 || op == 1 || op == 3)) return dst;
    V = (a + 1) * W / 256;
  }
  Px o = d;
  switch (op) {
    case 0:
      if (!flag) {
        if (W <= 0) return dst;
        for (int i = 0; i < 4; ++i) o.c[i] = s.c[i] + (d.c[i] - s.c[i]) * (256 - W) / 256;
      } else if (W == 256 && a == 255) {
        o = s;
      } else {
        const int keep = W == 256 ? 255 - a : 256 - V;
        for (int i = 0; i < 3; ++i) o.c[i] = s.c[i] + (d.c[i] - s.c[i]) * keep / 256;
        o.c[3] = std::min(d.c[3] + (W == 256 ? a : V), 255);
      }
      break;
    case 1:
      for (int i = 0; i < 4; ++i) o.c[i] = Cl(d.c[i] + s.c[i] * V / 256);
      break;
    case 2:
      for (int i = 0; i < 4; ++i) {
        const int q = 256 - s.c[i] * V / 256;
        o.c[i] = q > 1 ? Cl(d.c[i] * 256 / q) : Cl(d.c[i] * 256);
      }
      break;
    case 3:
      for (int i = 0; i < 4; ++i) o.c[i] = (d.c[i] * ((s.c[i] - 256) * V + 65536)) >> 16;
      break;
    case 4:
      for (int i = 0; i < 4; ++i) {
        const int k = s.c[i] * V + (256 - V) * 128;
        o.c[i] = Cl((((32768 - k) * d.c[i] / 256 + k) * d.c[i]) >> 15);
      }
      break;
    case 5: return RefHsv(dst, s.c[2], s.c[1], s.c[0], a, V);
    default: return dst;
  }
  return Join(o);
}

// One pixel of a fill.
PixelValue RefFillPixel(PixelValue dst, PixelValue colour, int mode, float alpha)
{
  const int op = mode & 255;
  float weight = alpha;
  if (mode & 0x10000) weight = float(alpha * ((colour >> 24) / 255.0));
  if (weight == 0.0f) return dst;
  const int W = int(double(weight) * 256.0);
  Px d = Split(dst);
  const Px c = Split(colour);
  if (op == 0 && (W == 256 || W == 128 || W == 64 || W == 192)) {
    for (int i = 0; i < 4; ++i) {
      if (W == 256) d.c[i] = c.c[i];
      if (W == 128) d.c[i] = d.c[i] / 2 + c.c[i] / 2;
      if (W == 64) d.c[i] = d.c[i] / 2 + d.c[i] / 4 + c.c[i] / 4;
      if (W == 192) d.c[i] = d.c[i] / 4 + c.c[i] / 2 + c.c[i] / 4;
    }
    return Join(d);
  }
  if (W == 0 || op > 5) return dst;
  Px o = d;
  const int s[4] = {c.c[0], c.c[1], c.c[2], W};
  switch (op) {
    case 0:
      if (W <= 0) return dst;
      for (int i = 0; i < 4; ++i) o.c[i] = s[i] + (d.c[i] - s[i]) * (256 - W) / 256;
      break;
    case 1:
      for (int i = 0; i < 4; ++i) o.c[i] = Cl(d.c[i] + s[i] * W / 256);
      break;
    case 2:
      for (int i = 0; i < 4; ++i) {
        const int q = 256 - s[i] * W / 256;
        o.c[i] = q > 1 ? Cl(d.c[i] * 256 / q) : Cl(d.c[i] * 256);
      }
      break;
    case 3:
      for (int i = 0; i < 4; ++i) o.c[i] = (d.c[i] * (s[i] * W + (256 - W) * 256)) >> 16;
      break;
    case 4:
      for (int i = 0; i < 4; ++i) {
        const int k = s[i] * W + (256 - W) * 128;
        o.c[i] = Cl((((32768 - k) * d.c[i] / 256 + k) * d.c[i]) >> 15);
      }
      break;
    default: return RefHsv(dst, c.c[2], c.c[1], c.c[0], W, W);
  }
  return Join(o);
}

const float kWeights[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f, 0.003f, 0.1f, 0.33f, 0.61f, 0.999f, 1.37f, 2.0f, -0.2f};
// Operators 6 and 0x7F are none: they leave the destination alone.
constexpr int kNoOperator = 6;
constexpr int kNoOperatorHigh = 0x7F;
// A mode bit outside the operator byte and the flag, which blits ignore.
constexpr int kIgnoredModeBit = 0x1000;
const int kOperators[] = {BlendCopy,
                          BlendAdd,
                          BlendDodge,
                          BlendMultiply,
                          BlendOverlay,
                          BlendHueSatValue,
                          kNoOperator,
                          kNoOperatorHigh,
                          BlendChannelCopy,
                          BlendChannelCopy | 3,
                          BlendChannelCopy | 2 | (1 << BlendChannelToShift),
                          BlendChannelCopy | (3 << BlendChannelToShift),
                          BlendChannelCopy | 3 | (3 << BlendChannelToShift)};

// Pixels that stress the edges of the channel range.
PixelValue RandomPixel(std::mt19937& rng)
{
  static const int kEdges[] = {0, 1, 127, 128, 254, 255};
  PixelValue p = 0;
  for (int i = 0; i < 4; ++i) {
    const int v = (rng() & 3) == 0 ? kEdges[rng() % 6] : int(rng() & 255);
    p |= PixelValue(v) << (8 * i);
  }
  return p;
}

}  // namespace

TEST(Blit, EveryOperatorMatchesPerPixelReference)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  constexpr int kW = 23, kH = 9;
  for (int op : kOperators) {
    for (int flag : {0, SourceAlphaFlag}) {
      for (float alpha : kWeights) {
        LICE_MemBitmap src(kW, kH, 3), dst(kW, kH, 3);
        for (int y = 0; y < kH; ++y) {
          for (int x = 0; x < kW; ++x) {
            At(src, x, y) = RandomPixel(rng);
            At(dst, x, y) = RandomPixel(rng);
          }
        }
        LICE_MemBitmap before(kW, kH, 3);
        BlitBitmap(&before, &dst, 0, 0, nullptr, 1.0f, 0);
        const int mode = op | flag | (rng() & 1 ? kIgnoredModeBit : 0);
        BlitBitmap(&dst, &src, 0, 0, nullptr, alpha, mode);
        for (int y = 0; y < kH; ++y) {
          for (int x = 0; x < kW; ++x) {
            const PixelValue want = RefBlitPixel(At(before, x, y), At(src, x, y), mode, alpha);
            ASSERT_EQ(At(dst, x, y), want) << "mode " << std::hex << mode << " alpha " << alpha << " src "
                                           << At(src, x, y) << " dst " << At(before, x, y) << " seed " << std::dec
                                           << seed;
          }
        }
      }
    }
  }
}

TEST(Blit, SourceAlphaRunsMatchPerPixelReference)
{
  // Film strips: runs of opaque and of transparent pixels with soft edges
  // between them, at every offset against groups of four.
  const TestSeed seed;
  std::mt19937 rng(seed);
  constexpr int kW = 37, kH = 24;
  for (float alpha : {1.0f, 0.25f}) {
    LICE_MemBitmap src(kW, kH, 3), dst(kW, kH, 3), before(kW, kH, 3);
    for (int y = 0; y < kH; ++y) {
      int run = 0, kind = 0;
      for (int x = 0; x < kW; ++x) {
        if (run-- <= 0) {
          run = int(rng() % 9);
          kind = int(rng() % 3);
        }
        const PixelValue colour = RandomPixel(rng) & 0x00FFFFFFu;
        const PixelValue a = kind == 0 ? 0u : (kind == 1 ? 255u : (rng() & 255));
        At(src, x, y) = colour | (a << 24);
        At(dst, x, y) = RandomPixel(rng);
      }
    }
    BlitBitmap(&before, &dst, 0, 0, nullptr, 1.0f, 0);
    BlitBitmap(&dst, &src, 0, 0, nullptr, alpha, SourceAlphaFlag);
    for (int y = 0; y < kH; ++y) {
      for (int x = 0; x < kW; ++x) {
        ASSERT_EQ(At(dst, x, y), RefBlitPixel(At(before, x, y), At(src, x, y), SourceAlphaFlag, alpha))
            << "at " << x << "," << y << " alpha " << alpha << " seed " << seed;
      }
    }
  }
}

TEST(Fill, EveryOperatorMatchesPerPixelReference)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  constexpr int kW = 17, kH = 5;
  for (int op : kOperators) {
    for (int flag : {0, SourceAlphaFlag}) {
      for (float alpha : kWeights) {
        for (int trial = 0; trial < 4; ++trial) {
          LICE_MemBitmap dst(kW, kH, 3), before(kW, kH, 3);
          for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) At(dst, x, y) = RandomPixel(rng);
          }
          BlitBitmap(&before, &dst, 0, 0, nullptr, 1.0f, 0);
          const PixelValue colour = trial == 0 ? 0xFFFFFFFF : RandomPixel(rng);
          FillArea(&dst, 0, 0, kW, kH, colour, alpha, op | flag);
          for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
              ASSERT_EQ(At(dst, x, y), RefFillPixel(At(before, x, y), colour, op | flag, alpha))
                  << "op " << std::hex << (op | flag) << " alpha " << alpha << " colour " << colour << " dst "
                  << At(before, x, y) << " seed " << std::dec << seed;
            }
          }
        }
      }
    }
  }
}

TEST(Blit, WorkedExamples)
{
  LICE_MemBitmap s(1, 1, 3), d(1, 1, 3);
  // Weight 0.75, destination 0, source 255: 255 + (-255 * 64) / 256 = 192.
  At(s, 0, 0) = 0xFFFFFFFF;
  At(d, 0, 0) = 0;
  BlitBitmap(&d, &s, 0, 0, nullptr, 0.75f, 0);
  EXPECT_EQ(At(d, 0, 0), 0xC0C0C0C0u);
  // Half weight averages whole words.
  At(s, 0, 0) = 0x81FF0307;
  At(d, 0, 0) = 0x7F010305;
  BlitBitmap(&d, &s, 0, 0, nullptr, 0.5f, 0);
  EXPECT_EQ(At(d, 0, 0), ((0x81FF0307u >> 1) & 0x7F7F7F7F) + ((0x7F010305u >> 1) & 0x7F7F7F7F));
  // Source alpha: transparent leaves the destination, opaque writes alpha 255,
  // partial alpha adds to the destination's and saturates.
  At(s, 0, 0) = 0x00123456;
  At(d, 0, 0) = 0x80ABCDEF;
  BlitBitmap(&d, &s, 0, 0, nullptr, 1.0f, SourceAlphaFlag);
  EXPECT_EQ(At(d, 0, 0), 0x80ABCDEFu);
  At(s, 0, 0) = 0xFF123456;
  BlitBitmap(&d, &s, 0, 0, nullptr, 1.0f, SourceAlphaFlag);
  EXPECT_EQ(At(d, 0, 0), 0xFF123456u);
  At(s, 0, 0) = 0x80000000;
  At(d, 0, 0) = 0xC8000000;
  BlitBitmap(&d, &s, 0, 0, nullptr, 1.0f, SourceAlphaFlag);
  EXPECT_EQ(At(d, 0, 0) >> 24, 255u);
  // Dodge at full strength with a full channel saturates any non-zero value.
  At(s, 0, 0) = 0xFFFFFFFF;
  At(d, 0, 0) = 0x00010002;
  BlitBitmap(&d, &s, 0, 0, nullptr, 1.0f, 2);
  EXPECT_EQ(At(d, 0, 0), 0x00FF00FFu);
  // Channel copy from byte 3 to byte 0: source alpha into destination blue.
  At(s, 0, 0) = 0x9A000000;
  At(d, 0, 0) = 0x11223344;
  BlitBitmap(&d, &s, 0, 0, nullptr, 0.3f, BlendChannelCopy | 3);
  EXPECT_EQ(At(d, 0, 0), 0x1122339Au);
}

TEST(Blit, HsvWithNeutralAmountsKeepsTheColourAndGreyKeepsItsHue)
{
  LICE_MemBitmap s(1, 1, 3), d(1, 1, 3);
  const PixelValue colours[] = {0xFF808080, 0xFF204060, 0xFFC01010, 0xFF10C010, 0xFF1010C0, 0x40FFFF00};
  for (PixelValue c : colours) {
    At(s, 0, 0) = 0xFF808080;
    At(d, 0, 0) = c;
    BlitBitmap(&d, &s, 0, 0, nullptr, 1.0f, 5);
    const PixelValue got = At(d, 0, 0);
    for (int sh = 0; sh < 24; sh += 8) {
      EXPECT_NEAR(int((got >> sh) & 255), int((c >> sh) & 255), 4) << std::hex << c << " -> " << got;
    }
    EXPECT_EQ(got >> 24, 0xFFu);
  }
  // A grey destination keeps its grey (hue 256, saturation 0).
  At(s, 0, 0) = 0xFF808080;
  At(d, 0, 0) = 0xFF606060;
  BlitBitmap(&d, &s, 0, 0, nullptr, 1.0f, 5);
  EXPECT_EQ(At(d, 0, 0), 0xFF606060u);
}

TEST(Blit, ClippingShiftsSourceAndDestination)
{
  LICE_MemBitmap src(10, 10, 3);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) At(src, x, y) = PixelValue(0xFF000000 | (y << 8) | x);
  }
  {
    // A source rectangle starting at -5 draws at dstX + 5 from column 0.
    LICE_MemBitmap dst(20, 20, 3);
    FillArea(&dst, 0, 0, 20, 20, 0, 1.0f, 0);
    const LICE_Rect r = {-5, 0, 4, 2};
    BlitBitmap(&dst, &src, 3, 1, &r, 1.0f, 0);
    EXPECT_EQ(At(dst, 8, 1), At(src, 0, 0));
    EXPECT_EQ(At(dst, 11, 2), At(src, 3, 1));
    EXPECT_EQ(At(dst, 12, 1), 0u);
    EXPECT_EQ(At(dst, 7, 1), 0u);
    EXPECT_EQ(At(dst, 8, 3), 0u);
  }
  {
    // dstX = -3 skips the first three source columns; negative dstY rows.
    LICE_MemBitmap dst(20, 20, 3);
    FillArea(&dst, 0, 0, 20, 20, 0, 1.0f, 0);
    BlitBitmap(&dst, &src, -3, -2, nullptr, 1.0f, 0);
    EXPECT_EQ(At(dst, 0, 0), At(src, 3, 2));
    EXPECT_EQ(At(dst, 6, 7), At(src, 9, 9));
    EXPECT_EQ(At(dst, 7, 0), 0u);
    EXPECT_EQ(At(dst, 0, 8), 0u);
  }
  {
    // Oversized rectangles are cut to the source and the destination.
    LICE_MemBitmap dst(6, 4, 3);
    FillArea(&dst, 0, 0, 6, 4, 0, 1.0f, 0);
    const LICE_Rect r = {2, 1, 1000000, 1000000};
    BlitBitmap(&dst, &src, 1, 1, &r, 1.0f, 0);
    EXPECT_EQ(At(dst, 1, 1), At(src, 2, 1));
    EXPECT_EQ(At(dst, 5, 3), At(src, 6, 3));
    EXPECT_EQ(At(dst, 0, 0), 0u);
  }
  {
    // Everything outside: nothing drawn, nothing touched.
    LICE_MemBitmap dst(6, 4, 3);
    FillArea(&dst, 0, 0, 6, 4, 0, 1.0f, 0);
    const LICE_Rect empty = {5, 5, 5, 9};
    const LICE_Rect extreme = {-2147483647 - 1, -2147483647 - 1, 2147483647, 2147483647};
    BlitBitmap(&dst, &src, 6, 0, nullptr, 1.0f, 0);
    BlitBitmap(&dst, &src, 0, 4, nullptr, 1.0f, 0);
    BlitBitmap(&dst, &src, -10, 0, nullptr, 1.0f, 0);
    BlitBitmap(&dst, &src, 0, 0, &empty, 1.0f, 0);
    BlitBitmap(&dst, &src, 0, 0, nullptr, 0.0f, 0);
    BlitBitmap(&dst, &src, 2147483647, -2147483647 - 1, &extreme, 1.0f, 0);
    BlitBitmap(&dst, nullptr, 0, 0, nullptr, 1.0f, 0);
    BlitBitmap(nullptr, &src, 0, 0, nullptr, 1.0f, 0);
    LICE_MemBitmap none;
    BlitBitmap(&dst, &none, 0, 0, nullptr, 1.0f, 0);
    BlitBitmap(&none, &src, 0, 0, nullptr, 1.0f, 0);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 6; ++x) EXPECT_EQ(At(dst, x, y), 0u);
    }
  }
}

TEST(Blit, OntoItselfCopiesEachRowWhole)
{
  LICE_MemBitmap b(8, 2, 3);
  for (int x = 0; x < 8; ++x) {
    At(b, x, 0) = PixelValue(x);
    At(b, x, 1) = PixelValue(x + 100);
  }
  const LICE_Rect r = {0, 0, 6, 2};
  BlitBitmap(&b, &b, 2, 0, &r, 1.0f, 0);
  for (int x = 0; x < 8; ++x) {
    EXPECT_EQ(At(b, x, 0), PixelValue(x < 2 ? x : x - 2));
    EXPECT_EQ(At(b, x, 1), PixelValue(x < 2 ? x + 100 : x + 98));
  }
  BlitBitmap(&b, &b, -1, 0, nullptr, 0.3f, SourceAlphaFlag | BlendMultiply);
}

TEST(Blit, BottomUpBitmapsAreAddressedByLogicalRows)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  BottomUpBitmap src(9, 7);
  LICE_MemBitmap srcTop(9, 7, 3);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 9; ++x) src.At(x, y) = At(srcTop, x, y) = RandomPixel(rng);
  }
  for (int mode : {BlendCopy, SourceAlphaFlag, BlendMultiply, BlendChannelCopy | 1 | (2 << BlendChannelToShift)}) {
    BottomUpBitmap dst(8, 6);
    LICE_MemBitmap dstTop(8, 6, 3);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 8; ++x) dst.At(x, y) = At(dstTop, x, y) = RandomPixel(rng);
    }
    const LICE_Rect r = {-1, 2, 7, 9};
    BlitBitmap(&dst, &src, -2, 1, &r, 0.8f, mode);
    BlitBitmap(&dstTop, &srcTop, -2, 1, &r, 0.8f, mode);
    FillArea(&dst, -3, 4, 6, 10, 0x80FF8000, 0.6f, mode & SourceAlphaFlag);
    FillArea(&dstTop, -3, 4, 6, 10, 0x80FF8000, 0.6f, mode & SourceAlphaFlag);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 8; ++x) ASSERT_EQ(dst.At(x, y), At(dstTop, x, y)) << x << "," << y << " seed " << seed;
    }
  }
}

TEST(Fill, ClipsToTheBitmapAndSkipsZeroWeight)
{
  LICE_MemBitmap b(5, 4, 3);
  FillArea(&b, 0, 0, 5, 4, 0, 1.0f, 0);
  FillArea(&b, -2, -1, 4, 3, 0xFF00FF00, 1.0f, 0);
  EXPECT_EQ(At(b, 0, 0), 0xFF00FF00u);
  EXPECT_EQ(At(b, 1, 1), 0xFF00FF00u);
  EXPECT_EQ(At(b, 2, 0), 0u);
  EXPECT_EQ(At(b, 0, 2), 0u);
  FillArea(&b, 3, 2, 100, 100, 0xFFFF0000, 1.0f, 0);
  EXPECT_EQ(At(b, 4, 3), 0xFFFF0000u);
  EXPECT_EQ(At(b, 2, 3), 0u);
  // Colour alpha 0 with the flag: weight 0, nothing drawn.
  FillArea(&b, 0, 0, 5, 4, 0x00FFFFFF, 1.0f, SourceAlphaFlag);
  FillArea(&b, 5, 0, 1, 1, 0xFFFFFFFF, 1.0f, 0);
  FillArea(&b, 0, 0, 0, 4, 0xFFFFFFFF, 1.0f, 0);
  FillArea(nullptr, 0, 0, 1, 1, 0xFFFFFFFF, 1.0f, 0);
  EXPECT_EQ(At(b, 2, 0), 0u);
  EXPECT_EQ(At(b, 4, 0), 0u);
}

TEST(Smooth, AveragesWithNeighboursAndMovesEdgeSharesInward)
{
  LICE_MemBitmap b(3, 3, 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) At(b, x, y) = 0;
  }
  At(b, 1, 1) = 0xFFFFFFFF;
  SmoothBitmapArea(&b, 3, 3);
  EXPECT_EQ(At(b, 1, 1), 0x7F7F7F7Fu);
  EXPECT_EQ(At(b, 1, 0), 0x3F3F3F3Fu);  // top edge: the pixel below counts a quarter
  EXPECT_EQ(At(b, 0, 1), 0x3F3F3F3Fu);
  EXPECT_EQ(At(b, 0, 0), 0u);

  // Against a direct computation from the unchanged input, on a wide area
  // (heap row buffers) and a narrow one.
  const TestSeed seed;
  std::mt19937 rng(seed);
  for (int w : {2, 7, 1100}) {
    const int h = 5;
    LICE_MemBitmap img(w + 1, h + 1, 3), orig(w + 1, h + 1, 3);
    for (int y = 0; y <= h; ++y) {
      for (int x = 0; x <= w; ++x) At(img, x, y) = At(orig, x, y) = RandomPixel(rng);
    }
    SmoothBitmapArea(&img, w, h);
    auto part = [](PixelValue p, int shift) { return PixelValue((p >> shift) & (0xFFu >> shift) * 0x01010101u); };
    for (int y = 0; y <= h; ++y) {
      for (int x = 0; x <= w; ++x) {
        if (x == w || y == h) {
          ASSERT_EQ(At(img, x, y), At(orig, x, y));
          continue;
        }
        PixelValue want = part(At(orig, x, y), 1);
        if (x == 0) want += part(At(orig, 1, y), 2);
        else if (x == w - 1) want += part(At(orig, x - 1, y), 2);
        else want += part(At(orig, x - 1, y), 3) + part(At(orig, x + 1, y), 3);
        if (y == 0) want += part(At(orig, x, 1), 2);
        else if (y == h - 1) want += part(At(orig, x, y - 1), 2);
        else want += part(At(orig, x, y - 1), 3) + part(At(orig, x, y + 1), 3);
        ASSERT_EQ(At(img, x, y), want) << "w " << w << " at " << x << "," << y << " seed " << seed;
      }
    }
  }
  LICE_MemBitmap one(1, 5, 3);
  At(one, 0, 0) = 0xFFFFFFFF;
  SmoothBitmapArea(&one, 1, 5);
  EXPECT_EQ(At(one, 0, 0), 0xFFFFFFFFu);
  SmoothBitmapArea(nullptr, 4, 4);
}

TEST(ReciprocalTable, HoldsFloorOfInverseMinusOne)
{
  EXPECT_EQ(ReciprocalTable[0], 0);
  EXPECT_EQ(ReciprocalTable[1], 65535);
  EXPECT_EQ(ReciprocalTable[2], 32767);
  EXPECT_EQ(ReciprocalTable[3], 21844);
  EXPECT_EQ(ReciprocalTable[4], 16383);
  EXPECT_EQ(ReciprocalTable[255], 256);
}

TEST(BlendWeight, TruncatesAndHoldsExtremes)
{
  EXPECT_EQ(BlendWeight(1.0f), 256);
  EXPECT_EQ(BlendWeight(0.999f), 255);
  EXPECT_EQ(BlendWeight(-0.999f), -255);
  EXPECT_EQ(BlendWeight(1e30f), 2048);
  EXPECT_EQ(BlendWeight(-1e30f), -2048);
  EXPECT_EQ(BlendWeight(std::numeric_limits<float>::quiet_NaN()), 0);
  // Extreme weights stay defined for every operator.
  LICE_MemBitmap s(2, 1, 3), d(2, 1, 3);
  At(s, 0, 0) = 0xFFFFFFFF;
  At(s, 1, 0) = 0x01000000;
  for (int op = BlendCopy; op <= BlendHueSatValue; ++op) {
    for (float a : {1e30f, -1e30f}) {
      BlitBitmap(&d, &s, 0, 0, nullptr, a, op);
      BlitBitmap(&d, &s, 0, 0, nullptr, a, op | SourceAlphaFlag);
      FillArea(&d, 0, 0, 2, 1, 0xFF808080, a, op);
    }
  }
}
