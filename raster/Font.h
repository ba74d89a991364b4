#pragma once
// Text rendering: fonts that draw UTF-8 strings onto bitmaps, natively on the
// bitmap's drawing context or through a cache of glyph coverage blended with
// the blend operators.

#include <cstdint>

#include "base/GrowBuffer.h"
#include "raster/Bitmap.h"
#include "raster/Blit.h"
#include "raster/NativeText.h"

// RenderText flags beyond the native format bits of NativeText.h.
enum : unsigned
{
  kTextWeightFromColor = 0x40000000u,
  kTextNeverNative = 0x80000000u,
};

// AttachFont flags.
enum : int
{
  kFontVertical = 0x1,
  kFontCounterClockwise = 0x2,
  kFontAsciiOnly = 0x4,
  kFontSmooth = 0x10,
  kFontInvert = 0x20,
  kFontMonochrome = 0x40,
  kFontShadow = 0x80,
  kFontOutline = 0x100,
  kFontOwnsHandle = 0x200,
  kFontNativeAllowed = 0x400,
};

// Abstract font. Whoever constructs a font owns it and destroys it through the
// virtual destructor. Fonts are used on the user-interface thread only and
// take no lock.
class LICE_IFont
{
public:
  virtual ~LICE_IFont() {}
  virtual void AttachFont(LICE_NativeFont font, int flags) = 0;
  virtual PixelValue SetForegroundColor(PixelValue colour) = 0;
  virtual PixelValue SetBackgroundColor(PixelValue colour) = 0;
  virtual PixelValue SetEffectColor(PixelValue colour) = 0;
  virtual int SetBackgroundMode(int mode) = 0;
  virtual void SetCombine(BlendMode mode, float weight) = 0;
  // Draws (or with kTextCalcRect measures) length bytes of UTF-8 text (-1: up
  // to the terminating zero) in rect. Returns the text height, 0 when nothing
  // is drawn; measuring writes right = left + width, bottom = top + height.
  virtual int RenderText(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect, unsigned flags) = 0;
  virtual PixelValue ForegroundColor() = 0;
  virtual LICE_NativeFont FontHandle() = 0;
  virtual int LineHeight() = 0;
};

// One cached glyph. position: 0 not rasterised, -1 nothing to draw, else 1 +
// the byte offset of its width x height coverage bytes in the store.
struct GlyphRecord
{
  int position;
  int width;
  int height;
  int advance;
  int code;
  int leftOffset;
};

// A font over a native font handle that caches 8-bit glyph coverage. Owns its
// glyph records and coverage store, and the native handle when attached with
// kFontOwnsHandle. All fonts share two scratch bitmaps, created on first use
// and destroyed with the last font.
class LICE_CachedFont : public LICE_IFont
{
public:
  LICE_CachedFont();
  ~LICE_CachedFont() override;
  LICE_CachedFont(const LICE_CachedFont&) = delete;
  LICE_CachedFont& operator=(const LICE_CachedFont&) = delete;

  void AttachFont(LICE_NativeFont font, int flags) override;
  PixelValue SetForegroundColor(PixelValue colour) override;
  PixelValue SetBackgroundColor(PixelValue colour) override;
  PixelValue SetEffectColor(PixelValue colour) override;
  int SetBackgroundMode(int mode) override;
  void SetCombine(BlendMode mode, float weight) override;
  int RenderText(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect, unsigned flags) override;
  PixelValue ForegroundColor() override { return mForeground; }
  LICE_NativeFont FontHandle() override { return mFont; }
  int LineHeight() override { return mLineHeight; }
  // Blends the glyph of code onto bitmap with its pen at (x, y), clipped to
  // clip and the bitmap; rasterises the glyph first if needed. False when
  // nothing was drawn.
  virtual bool RenderGlyph(LICE_IBitmap* bitmap, int code, int x, int y, const LICE_Rect& clip);

  // Extra pixels between lines (0 by default).
  void SetLineSpacing(int pixels) { mLineSpacing = pixels; }
  // The cached record of code (rasterising it on first use), or null when
  // the font has no glyph for it.
  const GlyphRecord* Glyph(int code);
  // Bytes of coverage held, and the coverage of a record.
  int CoverageBytes() const { return mCoverage.Size(); }
  const unsigned char* Coverage(const GlyphRecord& record) const;

private:
  GlyphRecord* FindRecord(int code, bool add, bool* added);
  bool Rasterise(int code);
  void PostProcess(GlyphRecord* record, int m, int minX, int w, int h);
  bool DrawsNatively(LICE_IBitmap* bitmap, unsigned flags, bool neverNative);
  int RenderNative(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect, unsigned flags);
  int DrawOnContext(LICE_NativeDC dc, const char* text, int length, LICE_Rect* rect, unsigned flags);
  // Moves the pen to the start of the next line.
  void BreakLine(bool vertical, long long* x, long long* y, long long startX, long long startY) const;
  int MeasureGlyphs(const char* text, int length, unsigned flags, int* width, int* height);
  int DrawGlyphs(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect, unsigned flags);
  int Margin() const;

  PixelValue mForeground = 0;
  PixelValue mBackground = 0xFFFFFFFF;
  PixelValue mEffect = 0xFFFFFFFF;
  int mBackgroundMode = kBackTransparent;
  BlendMode mCombineMode = 0;
  float mCombineWeight = 1.0f;
  int mFlags = 0;
  int mLineHeight = 0;
  int mLineSpacing = 0;
  GlyphRecord mLow[128];
  IGrowBuffer mExtended;
  IGrowBuffer mCoverage;
  LICE_NativeFont mFont = nullptr;
};

// True when the process runs under the Wine compatibility layer; probed once
// per process. User-interface thread only.
bool WineCheck();

// Softens the top-left w x h pixels of the glyph scratch bitmap in place (see
// SmoothBitmapArea). User-interface thread only.
void SmoothArea(int w, int h);

// The shared glyph scratch bitmap, or null before any font needed it.
LICE_SysBitmap* GlyphScratchBitmap();
