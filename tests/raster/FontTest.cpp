#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "raster/Bitmap.h"
#include "raster/Blit.h"
#include "raster/Font.h"
#include "raster/NativeText.h"

namespace
{

LICE_NativeFont MakeFont(int height, bool italic = false)
{
  NativeFontRequest request = {height, 0, 0, 0, 400, italic, 0, "Tahoma"};
  return NativeCreateFont(request);
}

// A font of the given height attached with flags; owns its native handle.
struct TestFont
{
  LICE_CachedFont font;
  TestFont(int height, int flags, bool italic = false) { font.AttachFont(MakeFont(height, italic), flags | kFontOwnsHandle); }
};

PixelValue& At(LICE_IBitmap& b, int x, int y) { return b.Pixels()[y * b.Stride() + x]; }

void Clear(LICE_IBitmap& b, PixelValue v) { FillArea(&b, 0, 0, b.Width(), b.Height(), v, 1.0f, 0); }

bool Same(LICE_IBitmap& a, LICE_IBitmap& b)
{
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (At(a, x, y) != At(b, x, y)) return false;
    }
  }
  return true;
}

int CountDiffering(LICE_IBitmap& b, PixelValue background)
{
  int n = 0;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) n += At(b, x, y) != background;
  }
  return n;
}

LICE_Rect Measure(LICE_CachedFont& f, const char* text, unsigned flags = kTextNeverNative)
{
  LICE_Rect r = {5, 7, 5, 7};
  f.RenderText(nullptr, text, -1, &r, flags | kTextCalcRect);
  return r;
}

int Width(const LICE_Rect& r) { return r.right - r.left; }
int Height(const LICE_Rect& r) { return r.bottom - r.top; }

const unsigned kGlyphs = kTextNeverNative | kTextNoClip;

}  // namespace

TEST(Font, AttachMeasuresLineHeightAndSizesTheScratch)
{
  TestFont f12(12, 0);
  ASSERT_NE(f12.font.FontHandle(), nullptr);
  EXPECT_GE(f12.font.LineHeight(), 11);
  EXPECT_LE(f12.font.LineHeight(), 16);
  ASSERT_NE(GlyphScratchBitmap(), nullptr);
  EXPECT_GE(GlyphScratchBitmap()->Width(), 256);
  EXPECT_GE(GlyphScratchBitmap()->Height(), 256);
  // A 200-pixel font needs a scratch of 2 * 200 + 8 pixels a side.
  TestFont f200(200, 0);
  ASSERT_GE(f200.font.LineHeight(), 190);
  ASSERT_NE(f200.font.Glyph('W'), nullptr);
  EXPECT_GE(GlyphScratchBitmap()->Width(), f200.font.LineHeight() * 2 + 8);
  EXPECT_GE(GlyphScratchBitmap()->Height(), f200.font.LineHeight() * 2 + 8);
}

TEST(Font, ScratchBitmapsLiveAsLongAsAnyFont)
{
  {
    TestFont a(12, 0);
    EXPECT_NE(GlyphScratchBitmap(), nullptr);
  }
  EXPECT_EQ(GlyphScratchBitmap(), nullptr);
}

TEST(Font, GlyphsStayInsideTheirMarginsAndAreCachedOnce)
{
  for (int height : {12, 40}) {
    TestFont f(height, 0, true);
    const int lh = f.font.LineHeight();
    const int margin = lh < 16 ? 2 : lh / 16 + 2;
    const char* text = "fjgyWAT/|_";
    for (const char* p = text; *p; ++p) {
      const GlyphRecord* g = f.font.Glyph(*p);
      ASSERT_NE(g, nullptr) << *p;
      EXPECT_EQ(g->code, *p);
      EXPECT_GE(g->leftOffset, 0);
      EXPECT_LE(g->leftOffset, margin);
      EXPECT_GE(g->width - g->leftOffset, g->advance) << *p;
      EXPECT_LE(g->width, g->advance + 2 * margin);
      EXPECT_EQ(g->height, lh);
      ASSERT_NE(f.font.Coverage(*g), nullptr);
    }
    const int bytes = f.font.CoverageBytes();
    LICE_SysBitmap b(200, 100);
    LICE_Rect r = {0, 0, 200, 100};
    f.font.RenderText(&b, text, -1, &r, kGlyphs);
    EXPECT_EQ(f.font.CoverageBytes(), bytes);
    // Codes beyond 127 are kept sorted and found again.
    f.font.RenderText(&b, "\xE2\x82\xAC\xC3\xA9\xC3\x9F", -1, &r, kGlyphs);
    const int more = f.font.CoverageBytes();
    EXPECT_GT(more, bytes);
    f.font.RenderText(&b, "\xC3\x9F\xE2\x82\xAC\xC3\xA9", -1, &r, kGlyphs);
    EXPECT_EQ(f.font.CoverageBytes(), more);
    EXPECT_EQ(f.font.Glyph(0x20AC)->code, 0x20AC);
    EXPECT_EQ(f.font.Glyph(0xDF)->code, 0xDF);
    EXPECT_EQ(f.font.Glyph(0x10000), nullptr);
  }
}

TEST(Font, SpaceIsABlankAdvanceThatDrawsNothing)
{
  TestFont f(12, 0);
  const GlyphRecord* g = f.font.Glyph(' ');
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->leftOffset, 0);
  EXPECT_EQ(g->width, g->advance);
  EXPECT_GT(g->advance, 0);
  const unsigned char* cov = f.font.Coverage(*g);
  ASSERT_NE(cov, nullptr);
  for (int i = 0; i < g->width * g->height; ++i) ASSERT_EQ(cov[i], 0);
  LICE_MemBitmap b(40, 20, 3);
  Clear(b, 0xFF336699);
  LICE_Rect r = {0, 0, 40, 20};
  f.font.SetForegroundColor(0xFFFFFFFF);
  EXPECT_EQ(f.font.RenderText(&b, "   ", -1, &r, kGlyphs), f.font.LineHeight());
  EXPECT_EQ(CountDiffering(b, 0xFF336699), 0);
}

TEST(Font, LineBreaksCarriageReturnsAndUtf8)
{
  TestFont f(12, 0);
  const int lh = f.font.LineHeight();
  const LICE_Rect ab = Measure(f.font, "ab");
  EXPECT_EQ(ab.left, 5);
  EXPECT_EQ(ab.top, 7);
  EXPECT_EQ(Height(ab), lh);
  EXPECT_EQ(Width(ab), f.font.Glyph('a')->advance + f.font.Glyph('b')->advance);
  EXPECT_EQ(Width(Measure(f.font, "a\rb\r")), Width(ab));
  const LICE_Rect twoLines = Measure(f.font, "ab\nb");
  EXPECT_EQ(Height(twoLines), 2 * lh);
  EXPECT_EQ(Width(twoLines), Width(ab));
  f.font.SetLineSpacing(3);
  EXPECT_EQ(Height(Measure(f.font, "ab\nb\nc")), 3 * lh + 6);
  f.font.SetLineSpacing(0);
  // Single line: a line feed is a space.
  EXPECT_EQ(Width(Measure(f.font, "a\nb", kTextNeverNative | kTextSingleLine)), Width(Measure(f.font, "a b")));
  EXPECT_EQ(Height(Measure(f.font, "a\nb", kTextNeverNative | kTextSingleLine)), lh);
  // A four-byte sequence draws one space; a broken sequence is its bytes.
  EXPECT_EQ(Width(Measure(f.font, "a\xF0\x9F\x98\x80" "b")), Width(Measure(f.font, "a b")));
  EXPECT_EQ(Width(Measure(f.font, "\xC3\xA9")), f.font.Glyph(0xE9)->advance);
  EXPECT_EQ(Width(Measure(f.font, "\xE2\x82\xAC")), f.font.Glyph(0x20AC)->advance);
  EXPECT_EQ(Width(Measure(f.font, "\xC3")), f.font.Glyph(0xC3)->advance);
  EXPECT_EQ(Width(Measure(f.font, "\xE2\x82" "a")),
            f.font.Glyph(0xE2)->advance + f.font.Glyph(0x82)->advance + f.font.Glyph('a')->advance);
  // A positive length stops early, and at a zero byte.
  EXPECT_EQ(Width(Measure(f.font, "ab")), Width(ab));
  LICE_Rect r = {0, 0, 0, 0};
  f.font.RenderText(nullptr, "abcdef", 2, &r, kTextNeverNative | kTextCalcRect);
  EXPECT_EQ(Width(r), Width(ab));
  r = {0, 0, 0, 0};
  f.font.RenderText(nullptr, "ab\0cd", 5, &r, kTextNeverNative | kTextCalcRect);
  EXPECT_EQ(Width(r), Width(ab));
  // An empty text measures nothing.
  EXPECT_EQ(Width(Measure(f.font, "")), 0);
}

TEST(Font, MeasuringDrawsNothingAndReturnsTheSize)
{
  TestFont f(14, 0);
  LICE_MemBitmap b(60, 30, 3);
  Clear(b, 0xFF000000);
  f.font.SetForegroundColor(0xFFFFFFFF);
  LICE_Rect r = {3, 4, 3, 4};
  const int h = f.font.RenderText(&b, "Hello", -1, &r, kTextNeverNative | kTextCalcRect);
  EXPECT_EQ(h, f.font.LineHeight());
  EXPECT_EQ(r.bottom, 4 + h);
  EXPECT_GT(r.right, 3 + 10);
  EXPECT_EQ(CountDiffering(b, 0xFF000000), 0);
  // Without a bitmap, only measuring is possible.
  LICE_Rect none = {0, 0, 50, 50};
  EXPECT_EQ(f.font.RenderText(nullptr, "Hello", -1, &none, kTextNeverNative), 0);
  EXPECT_EQ(f.font.RenderText(&b, nullptr, -1, &none, 0), 0);
  EXPECT_EQ(f.font.RenderText(&b, "x", -1, nullptr, 0), 0);
}

TEST(Font, OpaqueTextBlendsCoverageWithTheForeground)
{
  TestFont f(16, 0);
  const GlyphRecord* g = f.font.Glyph('M');
  ASSERT_NE(g, nullptr);
  std::vector<unsigned char> cov(f.font.Coverage(*g), f.font.Coverage(*g) + g->width * g->height);
  const PixelValue bg = 0x80204060;
  for (PixelValue fg : {0xFFF0C080u, 0x80F0C080u}) {
    LICE_MemBitmap b(g->width + 10, g->height + 10, 3);
    Clear(b, bg);
    f.font.SetForegroundColor(fg);
    LICE_Rect r = {4 + g->leftOffset, 3, 200, 200};
    const unsigned flags = kGlyphs | (fg >> 24 == 255 ? 0u : unsigned(kTextWeightFromColor));
    EXPECT_EQ(f.font.RenderText(&b, "M", -1, &r, flags), g->height);
    // Weight 1.0 uses coverage + 1; a colour of alpha 128 scales it to 128/255.
    const int W = fg >> 24 == 255 ? 256 : int(double(float(1.0 * (128 / 255.0))) * 256.0);
    for (int y = 0; y < b.Height(); ++y) {
      for (int x = 0; x < b.Width(); ++x) {
        const int cx = x - 4, cy = y - 3;
        int e = 0;
        if (cx >= 0 && cy >= 0 && cx < g->width && cy < g->height) e = cov[cy * g->width + cx];
        PixelValue want = bg;
        if (e) {
          const int w = W == 256 ? e + 1 : std::min(W * e / 256, 256);
          want = 0;
          for (int sh = 0; sh < 32; sh += 8) {
            const int c = sh == 24 ? 255 : int((fg >> sh) & 255), d = int((bg >> sh) & 255);
            want |= PixelValue((c + (d - c) * (256 - w) / 256) & 255) << sh;
          }
        }
        ASSERT_EQ(At(b, x, y), want) << std::hex << fg << " at " << std::dec << x << "," << y;
      }
    }
  }
  // Foreground alpha 0 with the colour-weight flag draws nothing.
  LICE_MemBitmap b(30, 30, 3);
  Clear(b, bg);
  f.font.SetForegroundColor(0x00FFFFFF);
  LICE_Rect r = {0, 0, 30, 30};
  EXPECT_EQ(f.font.RenderText(&b, "M", -1, &r, kGlyphs | kTextWeightFromColor), 0);
  EXPECT_EQ(CountDiffering(b, bg), 0);
}

TEST(Font, OpaqueBackgroundFillsEachGlyphBlock)
{
  TestFont f(12, 0);
  f.font.SetBackgroundMode(kBackOpaque);
  f.font.SetBackgroundColor(0xFF0000FF);
  f.font.SetForegroundColor(0xFFFFFFFF);
  f.font.SetCombine(0, 0.5f);
  LICE_MemBitmap b(60, 30, 3);
  Clear(b, 0xFF000000);
  LICE_Rect r = {2, 2, 60, 30};
  f.font.RenderText(&b, "ii", -1, &r, kGlyphs);
  const GlyphRecord* g = f.font.Glyph('i');
  const unsigned char* cov = f.font.Coverage(*g);
  // Blank coverage inside the block: half black, half blue.
  for (int y = 0; y < g->height; ++y) {
    for (int x = 0; x < g->width; ++x) {
      if (cov[y * g->width + x]) continue;
      ASSERT_EQ(At(b, 2 - g->leftOffset + x, 2 + y), 0xFE00007Fu) << x << "," << y;
    }
  }
  EXPECT_EQ(At(b, 59, 29), 0xFF000000u);
}

TEST(Font, AlignmentPlacesTheMeasuredBlock)
{
  TestFont f(13, 0);
  f.font.SetForegroundColor(0xFFFFFFFF);
  const LICE_Rect size = Measure(f.font, "Align");
  const int tw = Width(size), th = Height(size);
  const LICE_Rect box = {10, 8, 110, 58};
  struct Case
  {
    unsigned flags;
    int x, y;
  } cases[] = {
      {kTextCenter, 10 + (100 - tw) / 2, 8},
      {kTextRight, 110 - tw, 8},
      {kTextVCenter, 10, 8 + (50 - th) / 2},
      {kTextBottom, 10, 58 - th},
      {kTextCenter | kTextVCenter, 10 + (100 - tw) / 2, 8 + (50 - th) / 2},
  };
  for (const Case& c : cases) {
    LICE_MemBitmap aligned(120, 70, 3), placed(120, 70, 3);
    Clear(aligned, 0xFF000000);
    Clear(placed, 0xFF000000);
    LICE_Rect r = box;
    f.font.RenderText(&aligned, "Align", -1, &r, kTextNeverNative | c.flags);
    LICE_Rect at = {c.x, c.y, box.right, box.bottom};
    f.font.RenderText(&placed, "Align", -1, &at, kTextNeverNative);
    EXPECT_GT(CountDiffering(aligned, 0xFF000000), 0);
    EXPECT_TRUE(Same(aligned, placed)) << "flags " << c.flags;
  }
}

TEST(Font, ClippingKeepsInkInsideTheRectangleAndBitmap)
{
  TestFont f(20, 0);
  f.font.SetForegroundColor(0xFFFFFFFF);
  LICE_MemBitmap b(50, 40, 3);
  Clear(b, 0xFF000000);
  LICE_Rect r = {10, 10, 25, 20};
  f.font.RenderText(&b, "WWW\nWWW", -1, &r, kTextNeverNative);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 50; ++x) {
      if (x < 10 || x >= 25 || y < 10 || y >= 20) {
        ASSERT_EQ(At(b, x, y), 0xFF000000u) << x << "," << y;
      }
    }
  }
  EXPECT_GT(CountDiffering(b, 0xFF000000), 0);
  // Positions far outside and huge rectangles are safe.
  LICE_Rect far = {-1000, -30, 5000, 5000};
  f.font.RenderText(&b, "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW\nW", -1, &far, kGlyphs);
  LICE_Rect extreme = {2147483600, -2147483647, 2147483647, 2147483647};
  f.font.RenderText(&b, "WW", -1, &extreme, kTextNeverNative | kTextRight | kTextBottom);
  LICE_Rect empty = {60, 60, 70, 70};
  EXPECT_EQ(f.font.RenderText(&b, "W", -1, &empty, kTextNeverNative), 0);
  EXPECT_FALSE(f.font.RenderGlyph(&b, 'W', 100, 0, LICE_Rect{0, 0, 1000, 1000}));
  EXPECT_TRUE(f.font.RenderGlyph(&b, 'W', -3, -5, LICE_Rect{-100, -100, 1000, 1000}));
}

TEST(Font, MonochromeShadowOutlineAndInvertShapeTheCoverage)
{
  LICE_NativeFont handle = MakeFont(18);
  ASSERT_NE(handle, nullptr);
  LICE_CachedFont plain, mono, shadow, outline, invert;
  plain.AttachFont(handle, 0);
  mono.AttachFont(handle, kFontMonochrome);
  shadow.AttachFont(handle, kFontShadow);
  outline.AttachFont(handle, kFontOutline);
  invert.AttachFont(handle, kFontInvert);
  for (char c : std::string("AgO&")) {
    const GlyphRecord* p = plain.Glyph(c);
    const GlyphRecord* m = mono.Glyph(c);
    ASSERT_NE(p, nullptr);
    ASSERT_NE(m, nullptr);
    const unsigned char* pc = plain.Coverage(*p);
    const unsigned char* mc = mono.Coverage(*m);
    ASSERT_EQ(p->width, m->width);
    ASSERT_EQ(p->leftOffset, m->leftOffset);
    for (int i = 0; i < p->width * p->height; ++i) ASSERT_EQ(mc[i], pc[i] > 130 ? 255 : 0);

    for (LICE_CachedFont* f : {&shadow, &outline}) {
      const GlyphRecord* e = f->Glyph(c);
      const unsigned char* ec = f->Coverage(*e);
      const int w = e->width, h = e->height;
      auto full = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && ec[y * w + x] == 255; };
      int marks = 0;
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const int v = ec[y * w + x];
          const bool ink = mc[y * w + x] == 255;
          ASSERT_EQ(v == 255, ink);
          const bool near = f == &shadow ? full(x - 1, y) || full(x - 1, y - 1) || full(x, y - 1)
                                         : full(x - 1, y) || full(x + 1, y) || full(x, y - 1) || full(x, y + 1);
          if (!ink) {
            ASSERT_EQ(v, near ? 128 : 0) << c << " at " << x << "," << y;
          }
          marks += v == 128;
        }
      }
      EXPECT_GT(marks, 0);
    }
  }
  // Inverted coverage makes blank space full ink.
  const GlyphRecord* sp = invert.Glyph(' ');
  const unsigned char* ic = invert.Coverage(*sp);
  for (int i = 0; i < sp->width * sp->height; ++i) ASSERT_EQ(ic[i], 255);
  // Monochrome at weight 1.0 writes the foreground word exactly; shadow pixels
  // take the effect colour.
  LICE_MemBitmap b(40, 40, 3);
  Clear(b, 0);
  shadow.SetForegroundColor(0x7F112233);
  shadow.SetEffectColor(0x40445566);
  LICE_Rect r = {5, 5, 40, 40};
  shadow.RenderText(&b, "O", -1, &r, kGlyphs);
  int fg = 0, fx = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const PixelValue v = At(b, x, y);
      ASSERT_TRUE(v == 0 || v == 0x7F112233u || v == 0x40445566u) << std::hex << v;
      fg += v == 0x7F112233u;
      fx += v == 0x40445566u;
    }
  }
  EXPECT_GT(fg, 0);
  EXPECT_GT(fx, 0);
  NativeDeleteFont(handle);
}

TEST(Font, VerticalFontsTurnTheCoverage)
{
  LICE_NativeFont handle = MakeFont(15);
  ASSERT_NE(handle, nullptr);
  LICE_CachedFont upright, cw, ccw;
  upright.AttachFont(handle, 0);
  cw.AttachFont(handle, kFontVertical);
  ccw.AttachFont(handle, kFontVertical | kFontCounterClockwise);
  const GlyphRecord* u = upright.Glyph('F');
  const GlyphRecord* a = cw.Glyph('F');
  const GlyphRecord* b = ccw.Glyph('F');
  ASSERT_TRUE(u && a && b);
  const int W = u->width, H = u->height;
  ASSERT_EQ(a->width, H);
  ASSERT_EQ(a->height, W);
  ASSERT_EQ(b->width, H);
  const unsigned char* uc = upright.Coverage(*u);
  const unsigned char* ac = cw.Coverage(*a);
  const unsigned char* bc = ccw.Coverage(*b);
  for (int i = 0; i < W; ++i) {
    for (int j = 0; j < H; ++j) {
      ASSERT_EQ(ac[i * H + j], uc[(H - 1 - j) * W + i]);
      ASSERT_EQ(bc[i * H + j], uc[j * W + (W - 1 - i)]);
    }
  }
  // Vertical text advances along y; measuring swaps the axes.
  LICE_Rect r = {0, 0, 0, 0};
  const int across = cw.RenderText(nullptr, "FF", -1, &r, kTextNeverNative | kTextCalcRect);
  EXPECT_EQ(across, Width(r));
  EXPECT_EQ(Width(r), H);
  EXPECT_EQ(Height(r), 2 * u->advance);
  LICE_MemBitmap bm(60, 80, 3);
  Clear(bm, 0xFF000000);
  LICE_Rect at = {10, 10, 60, 80};
  cw.SetForegroundColor(0xFFFFFFFF);
  ccw.SetForegroundColor(0xFFFFFFFF);
  EXPECT_EQ(cw.RenderText(&bm, "FF", -1, &at, kGlyphs), H);
  EXPECT_GT(CountDiffering(bm, 0xFF000000), 0);
  Clear(bm, 0xFF000000);
  EXPECT_EQ(ccw.RenderText(&bm, "FF", -1, &at, kGlyphs), H);
  EXPECT_GT(CountDiffering(bm, 0xFF000000), 0);
  NativeDeleteFont(handle);
}

TEST(Font, AsciiOnlyFontsRasteriseAtAttachAndSkipOtherCodes)
{
  TestFont f(12, kFontAsciiOnly);
  const int bytes = f.font.CoverageBytes();
  EXPECT_GT(bytes, 0);
  EXPECT_EQ(Width(Measure(f.font, "\xC3\xA9")), 0);
  EXPECT_EQ(f.font.Glyph(0xE9), nullptr);
  EXPECT_NE(f.font.Glyph('A'), nullptr);
  EXPECT_EQ(f.font.CoverageBytes(), bytes);
}

TEST(Font, SmoothingSpreadsTheInk)
{
  LICE_NativeFont handle = MakeFont(16);
  LICE_CachedFont plain, smooth;
  plain.AttachFont(handle, kFontMonochrome);
  smooth.AttachFont(handle, kFontSmooth);
  const GlyphRecord* p = plain.Glyph('l');
  const GlyphRecord* s = smooth.Glyph('l');
  ASSERT_TRUE(p && s);
  int inkPlain = 0, inkSmooth = 0;
  for (int i = 0; i < p->width * p->height; ++i) inkPlain += plain.Coverage(*p)[i] != 0;
  for (int i = 0; i < s->width * s->height; ++i) inkSmooth += smooth.Coverage(*s)[i] != 0;
  EXPECT_GT(inkSmooth, inkPlain);
  NativeDeleteFont(handle);
}

TEST(Font, HugeLineHeightsCannotBeCached)
{
  TestFont f(1100, 0);
  if (f.font.LineHeight() < 1024) GTEST_SKIP() << "the platform made a smaller font";
  EXPECT_EQ(f.font.Glyph('A'), nullptr);
  EXPECT_EQ(Width(Measure(f.font, "A")), 0);
}

TEST(Font, NativeDrawingIsChosenUnlessUnderWineOrTranslucent)
{
  TestFont f(12, kFontNativeAllowed);
  std::printf("compatibility layer detected: %s\n", WineCheck() ? "yes" : "no");
  f.font.SetForegroundColor(0xFFFFFFFF);
  LICE_SysBitmap b(80, 20);
  Clear(b, 0xFF000000);
  LICE_Rect r = {0, 0, 80, 20};
  EXPECT_GT(f.font.RenderText(&b, "Native", -1, &r, kTextNoClip), 0);
  EXPECT_GT(CountDiffering(b, 0xFF000000), 0);
  EXPECT_EQ(f.font.CoverageBytes() > 0, WineCheck());
  // A translucent colour goes through the glyph cache.
  f.font.SetForegroundColor(0x80FFFFFF);
  f.font.RenderText(&b, "Native", -1, &r, kTextNoClip | kTextWeightFromColor);
  EXPECT_GT(f.font.CoverageBytes(), 0);
}

TEST(Font, VeryLargeFontsAlwaysDrawNatively)
{
  TestFont f(300, kFontNativeAllowed);
  ASSERT_GE(f.font.LineHeight(), 256);
  f.font.SetForegroundColor(0xFFFFFFFF);
  LICE_SysBitmap sys(300, 320);
  LICE_MemBitmap mem(300, 320, 3);
  Clear(sys, 0xFF000000);
  Clear(mem, 0xFF000000);
  LICE_Rect r = {20, 10, 300, 320};
  const int hs = f.font.RenderText(&sys, "H", -1, &r, 0);
  // Without a drawing context the text goes through the text scratch bitmap.
  const int hm = f.font.RenderText(&mem, "H", -1, &r, 0);
  EXPECT_EQ(f.font.CoverageBytes(), 0);
  EXPECT_GT(hs, 0);
  EXPECT_EQ(hs, hm);
  EXPECT_GT(CountDiffering(sys, 0xFF000000), 100);
  EXPECT_TRUE(Same(sys, mem));
  // Measuring natively, with and without a bitmap, gives the same size.
  LICE_Rect m1 = {0, 0, 0, 0}, m2 = {0, 0, 0, 0};
  f.font.RenderText(&sys, "HH", -1, &m1, kTextCalcRect);
  f.font.RenderText(nullptr, "HH", -1, &m2, kTextCalcRect);
  EXPECT_EQ(Width(m1), Width(m2));
  EXPECT_EQ(Height(m1), f.font.LineHeight());
  EXPECT_GT(Width(m1), 100);
  // Right alignment on a bitmap without a context puts the ink at the right.
  Clear(mem, 0xFF000000);
  LICE_Rect right = {0, 0, 300, 320};
  f.font.RenderText(&mem, "H", -1, &right, kTextRight);
  int minX = 300;
  for (int y = 0; y < 320; ++y) {
    for (int x = 0; x < 300; ++x) {
      if (At(mem, x, y) != 0xFF000000u) minX = std::min(minX, x);
    }
  }
  EXPECT_GT(minX, 100);
}

TEST(NativeText, StrictUtf8Conversion)
{
  uint16_t out[8];
  EXPECT_EQ(NativeUtf8ToUtf16("a\xC3\xA9\xE2\x82\xAC", 6, out, 8), 3);
  EXPECT_EQ(out[0], 'a');
  EXPECT_EQ(out[1], 0xE9);
  EXPECT_EQ(out[2], 0x20AC);
  EXPECT_EQ(NativeUtf8ToUtf16("\xF0\x9F\x98\x80", 4, nullptr, 0), 2);
  EXPECT_EQ(NativeUtf8ToUtf16("\xF0\x9F\x98\x80", 4, out, 8), 2);
  EXPECT_EQ(out[0], 0xD83D);
  EXPECT_EQ(out[1], 0xDE00);
  EXPECT_EQ(NativeUtf8ToUtf16("\xC3", 1, out, 8), 0);
  EXPECT_EQ(NativeUtf8ToUtf16("\xC0\xAF", 2, out, 8), 0);
  EXPECT_EQ(NativeUtf8ToUtf16("\xED\xA0\x80", 3, out, 8), 0);
  EXPECT_EQ(NativeUtf8ToUtf16("\xFF", 1, out, 8), 0);
  EXPECT_EQ(NativeUtf8ToUtf16("abc", 3, out, 2), 0);
}
