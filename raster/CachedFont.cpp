#include "raster/Font.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "raster/BlendOps.h"

namespace
{

// Shared by all fonts; created on first use, destroyed with the last font.
LICE_SysBitmap* gGlyphScratch = nullptr;
LICE_SysBitmap* gTextScratch = nullptr;
int gLivingFonts = 0;
int gWineState = -1;

constexpr int kAttachScratchSize = 256;
constexpr int kMinTextScratch = 4;
constexpr int kMaxGlyphLineHeight = 1024;
constexpr int kNativeLineHeight = 256;
constexpr int kMaxCode = 0xFFFF;
constexpr int kMonochromeThreshold = 130;
constexpr unsigned char kEffectCoverage = 128;
// Font flags whose effects only the glyph cache draws.
constexpr int kFontsNeedingGlyphs = kFontVertical | kFontCounterClockwise | kFontAsciiOnly | kFontSmooth | kFontInvert |
                                    kFontMonochrome | kFontShadow | kFontOutline;
constexpr unsigned kAlignBits = kTextCenter | kTextRight | kTextVCenter | kTextBottom;
// Converted texts below this many UTF-16 units use the local buffer.
constexpr int kWideLocalUnits = 1024;
constexpr int kWideLocalLimit = 1000;
// Asked of a bitmap: does it want text drawn through the glyph cache?
constexpr int kGlyphDrawingQuery = 0x59555678;

void PrepareGlyphScratch(LICE_SysBitmap* s)
{
  LICE_NativeDC dc = s->DeviceContext();
  if (!dc) return;
  NativeSetTextColor(dc, kNativeWhite);
  NativeSetBackMode(dc, kBackOpaque);
  NativeSetBackColor(dc, 0);
}

inline bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// Bytes of text to walk: up to length bytes or the terminating zero.
int TextBytes(const char* text, int length)
{
  int n = 0;
  if (length < 0) {
    const size_t len = std::strlen(text);
    return len > INT_MAX ? INT_MAX : static_cast<int>(len);
  }
  while (n < length && text[n]) ++n;
  return n;
}

// Decodes one character at p (n bytes left, n >= 1) into *code; returns the
// bytes used. Four-byte sequences become a space.
int DecodeUtf8(const unsigned char* p, int n, int* code)
{
  const unsigned char b = p[0];
  if (b >= 0xC2 && b <= 0xDF && n >= 2 && IsContinuation(p[1])) {
    *code = ((b & 0x1F) << 6) | (p[1] & 0x3F);
    return 2;
  }
  if (b >= 0xE0 && b <= 0xEF && n >= 3 && IsContinuation(p[1]) && IsContinuation(p[2])) {
    *code = ((b << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F)) & 0xFFFF;
    return 3;
  }
  if (b >= 0xF0 && b <= 0xF4 && n >= 4 && IsContinuation(p[1]) && IsContinuation(p[2]) && IsContinuation(p[3])) {
    *code = 32;
    return 4;
  }
  *code = b;
  return 1;
}

// What a glyph walk makes of the next character.
enum class TextStep
{
  kSkip,
  kLineBreak,
  kGlyph,
};

// Reads the character at *i into *code and advances *i: carriage returns are
// skipped; a line feed breaks the line, or reads as a space in single-line
// text.
TextStep NextTextStep(const unsigned char* p, int n, int* i, unsigned flags, int* code)
{
  *i += DecodeUtf8(p + *i, n - *i, code);
  if (*code == 13) return TextStep::kSkip;
  if (*code == 10) {
    if (!(flags & kTextSingleLine)) return TextStep::kLineBreak;
    *code = 32;
  }
  return TextStep::kGlyph;
}

// True when the text holds a multi-byte sequence worth converting.
bool HasMultiByte(const unsigned char* p, int n)
{
  for (int i = 0; i < n; ++i) {
    if (p[i] >= 0xC2 && p[i] <= 0xDF && i + 1 < n && IsContinuation(p[i + 1])) return true;
    if (p[i] >= 0xE0 && p[i] <= 0xF4 && i + 2 < n && IsContinuation(p[i + 1]) && IsContinuation(p[i + 2])) return true;
  }
  return false;
}

bool RecordLess(const GlyphRecord& a, const GlyphRecord& b) { return a.code < b.code; }

}  // namespace

bool WineCheck()
{
  if (gWineState < 0) gWineState = NativeWineKeyPresent() ? 1 : 0;
  return gWineState == 1;
}

void SmoothArea(int w, int h) { SmoothBitmapArea(gGlyphScratch, w, h); }

LICE_SysBitmap* GlyphScratchBitmap() { return gGlyphScratch; }

LICE_CachedFont::LICE_CachedFont() : mExtended(4096), mCoverage(65536)
{
  std::memset(mLow, 0, sizeof mLow);
  ++gLivingFonts;
}

LICE_CachedFont::~LICE_CachedFont()
{
  if ((mFlags & kFontOwnsHandle) && mFont) NativeDeleteFont(mFont);
  if (--gLivingFonts == 0) {
    delete gGlyphScratch;
    gGlyphScratch = nullptr;
    delete gTextScratch;
    gTextScratch = nullptr;
  }
}

PixelValue LICE_CachedFont::SetForegroundColor(PixelValue colour) { return std::exchange(mForeground, colour); }

PixelValue LICE_CachedFont::SetBackgroundColor(PixelValue colour) { return std::exchange(mBackground, colour); }

PixelValue LICE_CachedFont::SetEffectColor(PixelValue colour) { return std::exchange(mEffect, colour); }

int LICE_CachedFont::SetBackgroundMode(int mode) { return std::exchange(mBackgroundMode, mode); }

void LICE_CachedFont::SetCombine(BlendMode mode, float weight)
{
  mCombineMode = mode;
  mCombineWeight = weight;
}

int LICE_CachedFont::Margin() const { return mLineHeight < 16 ? 2 : mLineHeight / 16 + 2; }

void LICE_CachedFont::AttachFont(LICE_NativeFont font, int flags)
{
  if ((mFlags & kFontOwnsHandle) && mFont && mFont != font) NativeDeleteFont(mFont);
  mFlags = flags;
  mFont = font;
  if (font) {
    if (!gGlyphScratch) gGlyphScratch = new (std::nothrow) LICE_SysBitmap(0, 0);
    if (gGlyphScratch) {
      if (gGlyphScratch->Width() < kAttachScratchSize || gGlyphScratch->Height() < kAttachScratchSize) {
        gGlyphScratch->Resize(kAttachScratchSize, kAttachScratchSize);
        PrepareGlyphScratch(gGlyphScratch);
      }
      if (LICE_NativeDC dc = gGlyphScratch->DeviceContext()) {
        LICE_NativeFont previous = NativeSelectFont(dc, font);
        mLineHeight = NativeTextHeight(dc);
        NativeSelectFont(dc, previous);
      }
    }
  }
  std::memset(mLow, 0, sizeof mLow);
  mExtended.Resize(0, false);
  mCoverage.Resize(0, true);
  if (flags & kFontAsciiOnly) {
    for (int c = 0; c < 128; ++c) Rasterise(c);
  }
}

GlyphRecord* LICE_CachedFont::FindRecord(int code, bool add, bool* added)
{
  *added = false;
  if (code < 0 || code > kMaxCode) return nullptr;
  if (code < 128) return &mLow[code];
  GlyphRecord* records = static_cast<GlyphRecord*>(mExtended.Data());
  const int count = mExtended.Size() / static_cast<int>(sizeof(GlyphRecord));
  int lo = 0, hi = count - 1;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    if (records[mid].code == code) return &records[mid];
    if (records[mid].code < code) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
    }
  }
  if (!add) return nullptr;
  const int want = mExtended.Size() + static_cast<int>(sizeof(GlyphRecord));
  mExtended.Resize(want, false);
  if (mExtended.Size() != want) return nullptr;
  GlyphRecord* r = static_cast<GlyphRecord*>(mExtended.Data()) + count;
  std::memset(r, 0, sizeof *r);
  r->code = code;
  *added = true;
  return r;
}

const GlyphRecord* LICE_CachedFont::Glyph(int code)
{
  bool added = false;
  const GlyphRecord* r = FindRecord(code, false, &added);
  if (!r || r->position == 0) {
    Rasterise(code);
    r = FindRecord(code, false, &added);
  }
  return r && r->position > 0 ? r : nullptr;
}

const unsigned char* LICE_CachedFont::Coverage(const GlyphRecord& record) const
{
  if (record.position <= 0) return nullptr;
  const long long end = record.position - 1LL + static_cast<long long>(record.width) * record.height;
  if (end > mCoverage.Size()) return nullptr;
  return static_cast<const unsigned char*>(mCoverage.Data()) + record.position - 1;
}

bool LICE_CachedFont::Rasterise(int code)
{
  if (mLineHeight >= kMaxGlyphLineHeight || !mFont || !gGlyphScratch) return false;
  bool added = false;
  GlyphRecord* rec = FindRecord(code, (mFlags & kFontAsciiOnly) == 0, &added);
  if (!rec) return false;
  const int recordIndex = code < 128 ? -1 : static_cast<int>(rec - static_cast<GlyphRecord*>(mExtended.Data()));
  auto record = [&]() -> GlyphRecord* {
    return recordIndex < 0 ? &mLow[code] : static_cast<GlyphRecord*>(mExtended.Data()) + recordIndex;
  };
  auto finish = [&](bool ok) {
    if (added) {
      GlyphRecord* all = static_cast<GlyphRecord*>(mExtended.Data());
      std::sort(all, all + mExtended.Size() / static_cast<int>(sizeof(GlyphRecord)), RecordLess);
    }
    return ok;
  };
  auto nothing = [&]() {
    GlyphRecord* r = record();
    r->position = -1;
    r->width = r->height = r->advance = r->leftOffset = 0;
    return finish(false);
  };

  const int s = std::max(mLineHeight, 1) * 2 + 8;
  LICE_SysBitmap* scratch = gGlyphScratch;
  if (scratch->Width() < s || scratch->Height() < s) {
    scratch->Resize(std::max(scratch->Width(), s), std::max(scratch->Height(), s));
    PrepareGlyphScratch(scratch);
  }
  LICE_NativeDC dc = scratch->DeviceContext();
  if (!dc || !scratch->Pixels()) return nothing();

  LICE_NativeFont previous = NativeSelectFont(dc, mFont);
  const int m = Margin();
  const uint16_t unit = static_cast<uint16_t>(code);
  LICE_Rect box = {0, 0, 0, 0};
  NativeDrawTextWide(dc, &unit, 1, &box, kTextCalcRect | kTextNoPrefix | kTextSingleLine);
  int w = box.right - box.left;
  int h = box.bottom - box.top;
  FillArea(scratch, 0, 0, w + 2 * m, h, 0, 1.0f, 0);
  LICE_Rect at = {m, 0, m + w, h};
  NativeDrawTextWide(dc, &unit, 1, &at, kTextNoPrefix | kTextNoClip | kTextSingleLine);
  NativeSelectFont(dc, previous);
  if (w > scratch->Width()) w = scratch->Width();
  int w2 = w + 2 * m;
  if (w2 > scratch->Width()) w2 = scratch->Width();
  if (h > scratch->Height()) h = scratch->Height();
  if (w < 1 || h < 1) return nothing();

  record()->advance = w;
  if (mFlags & kFontSmooth) SmoothArea(w2, h);

  const int base = mCoverage.Size();
  const long long want = base + static_cast<long long>(w2) * h;
  if (want > INT_MAX) return nothing();
  mCoverage.Resize(static_cast<int>(want), true);
  if (mCoverage.Size() != want) return nothing();
  unsigned char* cov = static_cast<unsigned char*>(mCoverage.Data()) + base;
  int minX = m, maxX = m + w;
  for (int y = 0; y < h; ++y) {
    const PixelValue* row = LICE_RowAddress(scratch, y);
    unsigned char* out = cov + static_cast<long long>(y) * w2;
    for (int x = 0; x < w2; ++x) {
      int v = static_cast<int>((row[x] >> 16) & 255);
      if (mFlags & kFontInvert) v = 255 - v;
      out[x] = static_cast<unsigned char>(v);
      if (v) {
        if (x < minX) minX = x;
        if (x + 1 > maxX) maxX = x + 1;
      }
    }
  }
  if (maxX > w2) maxX = w2;
  if (minX > 0 || maxX < w2) {
    const int cw = maxX - minX;
    for (int y = 0; y < h; ++y) std::memmove(cov + static_cast<long long>(y) * cw, cov + static_cast<long long>(y) * w2 + minX, cw);
    mCoverage.Resize(base + cw * h, false);
  }
  GlyphRecord* r = record();
  r->position = base + 1;
  r->code = code;
  PostProcess(r, m, minX, maxX - minX, h);
  return finish(true);
}

void LICE_CachedFont::PostProcess(GlyphRecord* r, int m, int minX, int w, int h)
{
  unsigned char* cov = static_cast<unsigned char*>(mCoverage.Data()) + r->position - 1;
  const size_t bytes = static_cast<size_t>(w) * h;
  if (mFlags & kFontVertical) {
    // The scratch pixels (at least w * h bytes) hold the upright coverage.
    unsigned char* old = reinterpret_cast<unsigned char*>(gGlyphScratch->Pixels());
    std::memcpy(old, cov, bytes);
    const bool ccw = (mFlags & kFontCounterClockwise) != 0;
    for (int i = 0; i < w; ++i) {
      for (int j = 0; j < h; ++j) {
        cov[i * h + j] = ccw ? old[j * w + (w - 1 - i)] : old[(h - 1 - j) * w + i];
      }
    }
    std::swap(w, h);
  }
  if (mFlags & (kFontMonochrome | kFontShadow | kFontOutline)) {
    for (size_t i = 0; i < bytes; ++i) cov[i] = cov[i] > kMonochromeThreshold ? 255 : 0;
    const bool shadow = (mFlags & kFontShadow) != 0;
    const bool outline = !shadow && (mFlags & kFontOutline) != 0;
    if (shadow || outline) {
      auto full = [&](int x, int y) { return x >= 0 && y >= 0 && x < w && y < h && cov[y * w + x] == 255; };
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          if (cov[y * w + x] != 0) continue;
          const bool mark = shadow ? full(x - 1, y) || full(x - 1, y - 1) || full(x, y - 1)
                                   : full(x - 1, y) || full(x + 1, y) || full(x, y - 1) || full(x, y + 1);
          if (mark) cov[y * w + x] = kEffectCoverage;
        }
      }
    }
  }
  r->leftOffset = m - minX;
  r->width = w;
  r->height = h;
}

bool LICE_CachedFont::RenderGlyph(LICE_IBitmap* bitmap, int code, int x, int y, const LICE_Rect& clip)
{
  const GlyphRecord* g = Glyph(code);
  if (!g || !bitmap || !bitmap->Pixels()) return false;
  const unsigned char* cov = Coverage(*g);
  if (!cov) return false;

  long long px = x, py = y;
  if (mFlags & kFontVertical) {
    py += (mFlags & kFontCounterClockwise) ? -g->leftOffset : g->leftOffset;
  } else {
    px -= g->leftOffset;
  }
  const long long cl = std::max(clip.left, 0), ct = std::max(clip.top, 0);
  const long long cr = std::min(clip.right, bitmap->Width()), cb = std::min(clip.bottom, bitmap->Height());
  if (px >= cr || py >= cb || cl >= px + g->width || ct >= py + g->height) return false;
  long long sx = 0, sy = 0;
  if (px < cl) {
    sx = cl - px;
    px = cl;
  }
  if (py < ct) {
    sy = ct - py;
    py = ct;
  }
  const int bw = static_cast<int>(std::min(g->width - sx, cr - px));
  const int bh = static_cast<int>(std::min(g->height - sy, cb - py));
  if (bw <= 0 || bh <= 0) return false;
  const int bx = static_cast<int>(px), by = static_cast<int>(py);

  if (mBackgroundMode == kBackOpaque) {
    FillArea(bitmap, bx, by, bw, bh, mBackground, mCombineWeight, mCombineMode & ~SourceAlphaFlag);
  }

  const int op = mCombineMode & BlendOperatorMask;
  int W = BlendWeight(mCombineWeight);
  const bool flat = (mFlags & (kFontMonochrome | kFontShadow | kFontOutline)) != 0;
  const bool effects = (mFlags & (kFontShadow | kFontOutline)) != 0;
  const PixelValue fg = mForeground;
  const PixelValue fx = effects ? mEffect : mForeground;
  const bool exact = flat && mCombineWeight == 1.0f && op == 0;
  if (flat && W > 256) W = 256;
  if (W == 0 && !exact) return true;
  if (op == 0 && W <= 0 && !exact) return true;
  if (op > 5) return true;

  const long long step = LICE_RowStep(bitmap);
  PixelValue* row = LICE_RowAddress(bitmap, by) + bx;
  const unsigned char* src = cov + sy * g->width + sx;
  for (int j = 0; j < bh; ++j, row += step, src += g->width) {
    for (int i = 0; i < bw; ++i) {
      const int e = src[i];
      if (e == 0) continue;
      const PixelValue colour = e == 255 ? fg : fx;
      PixelValue* d = row + i;
      if (exact) {
        *d = colour;
        continue;
      }
      int weight = W;
      if (!flat) weight = W == 256 ? e + 1 : std::min(W * e / 256, 256);
      const int r = blend::R(colour), gr = blend::G(colour), b = blend::B(colour);
      switch (op) {
        case 0: blend::Copy(d, r, gr, b, 255, weight); break;
        case 1: blend::Add(d, r, gr, b, 255, weight); break;
        case 2: blend::Dodge(d, r, gr, b, 255, weight); break;
        case 3: blend::Multiply(d, r, gr, b, 255, weight); break;
        case 4: blend::Overlay(d, r, gr, b, 255, weight); break;
        default: blend::HueSatValue(d, r, gr, b, 255, weight); break;
      }
    }
  }
  return true;
}

bool LICE_CachedFont::DrawsNatively(LICE_IBitmap* bitmap, unsigned flags, bool neverNative)
{
  if (bitmap && bitmap->QueryExtension(kGlyphDrawingQuery, nullptr)) return false;
  if (!(mFlags & kFontNativeAllowed) || !mFont || neverNative) return false;
  if (!WineCheck() && !(flags & kTextWeightFromColor) && !(mFlags & kFontsNeedingGlyphs) &&
      (mLineSpacing == 0 || (flags & kTextSingleLine))) {
    return true;
  }
  return mLineHeight >= kNativeLineHeight;
}

int LICE_CachedFont::DrawOnContext(LICE_NativeDC dc, const char* text, int length, LICE_Rect* rect, unsigned flags)
{
  LICE_NativeFont previous = NativeSelectFont(dc, mFont);
  NativeSetTextColor(dc, mForeground & kNativeRgbMask);
  NativeSetBackMode(dc, mBackgroundMode);
  if (mBackgroundMode == kBackOpaque) NativeSetBackColor(dc, mBackground & kNativeRgbMask);

  const int n = TextBytes(text, length);
  const unsigned format = (flags & ~kTextWeightFromColor) | kTextNoPrefix;
  LICE_Rect r = *rect;
  int result = 0;
  bool drawn = false;
  if (HasMultiByte(reinterpret_cast<const unsigned char*>(text), n)) {
    const int units = NativeUtf8ToUtf16(text, n, nullptr, 0);
    if (units > 0) {
      uint16_t local[kWideLocalUnits];
      uint16_t* wide = units < kWideLocalLimit ? local : static_cast<uint16_t*>(std::malloc(sizeof(uint16_t) * units));
      const int capacity = units < kWideLocalLimit ? kWideLocalUnits : units;
      if (wide && NativeUtf8ToUtf16(text, n, wide, capacity) == units) {
        result = NativeDrawTextWide(dc, wide, units, &r, format);
        drawn = true;
      }
      if (wide != local) std::free(wide);
    }
  }
  if (!drawn) result = NativeDrawTextNarrow(dc, text, n, &r, format);
  NativeSelectFont(dc, previous);
  if (flags & kTextCalcRect) *rect = r;
  return result;
}

int LICE_CachedFont::RenderNative(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect, unsigned flags)
{
  if (LICE_NativeDC dc = bitmap ? bitmap->DeviceContext() : nullptr) return DrawOnContext(dc, text, length, rect, flags);

  if (!gTextScratch) gTextScratch = new (std::nothrow) LICE_SysBitmap(0, 0);
  if (!gTextScratch) return 0;
  LICE_SysBitmap* scratch = gTextScratch;
  if (scratch->Width() < kMinTextScratch || scratch->Height() < kMinTextScratch) {
    scratch->Resize(std::max(scratch->Width(), kMinTextScratch), std::max(scratch->Height(), kMinTextScratch));
  }
  LICE_NativeDC sdc = scratch->DeviceContext();
  if (!sdc || !scratch->Pixels()) return 0;
  LICE_Rect measured = {0, 0, 0, 0};
  DrawOnContext(sdc, text, length, &measured, (flags & ~kAlignBits) | kTextCalcRect | kTextNoPrefix);
  const int tw = measured.right - measured.left, th = measured.bottom - measured.top;
  if (flags & kTextCalcRect) {
    rect->right = rect->left + tw;
    rect->bottom = rect->top + th;
    return th;
  }
  if (!bitmap) return 0;

  long long x = rect->left, y = rect->top;
  if (flags & kTextRight) {
    x = static_cast<long long>(rect->right) - tw;
  } else if (flags & kTextCenter) {
    x = (static_cast<long long>(rect->left) + rect->right - tw) / 2;
  }
  if (flags & kTextBottom) {
    y = static_cast<long long>(rect->bottom) - th;
  } else if (flags & kTextVCenter) {
    y = (static_cast<long long>(rect->top) + rect->bottom - th) / 2;
  }
  long long left = x, top = y, right = x + tw, bottom = y + th;
  if (!(flags & kTextNoClip)) {
    left = std::max<long long>(left, rect->left);
    top = std::max<long long>(top, rect->top);
    right = std::min<long long>(right, rect->right);
    bottom = std::min<long long>(bottom, rect->bottom);
  }
  left = std::max(left, 0LL);
  top = std::max(top, 0LL);
  right = std::min<long long>(right, bitmap->Width());
  bottom = std::min<long long>(bottom, bitmap->Height());
  if (right <= left || bottom <= top) return 0;
  left -= std::min<long long>(left, Margin());

  const int bw = static_cast<int>(right - left), bh = static_cast<int>(bottom - top);
  if (scratch->Width() < bw || scratch->Height() < bh) {
    scratch->Resize(std::max(scratch->Width(), bw), std::max(scratch->Height(), bh));
    sdc = scratch->DeviceContext();
    if (!sdc || !scratch->Pixels()) return 0;
  }
  const LICE_Rect block = {static_cast<int>(left), static_cast<int>(top), static_cast<int>(right),
                           static_cast<int>(bottom)};
  BlitBitmap(scratch, bitmap, 0, 0, &block, 1.0f, 0);
  LICE_Rect at = {static_cast<int>(x - left), static_cast<int>(y - top), static_cast<int>(x - left + tw),
                  static_cast<int>(y - top + th)};
  const int result = DrawOnContext(sdc, text, length, &at, (flags & ~(kAlignBits | kTextCalcRect)) | kTextNoClip);
  const LICE_Rect back = {0, 0, bw, bh};
  BlitBitmap(bitmap, scratch, block.left, block.top, &back, mCombineWeight, 0);
  return result;
}

void LICE_CachedFont::BreakLine(bool vertical, long long* x, long long* y, long long startX, long long startY) const
{
  if (vertical) {
    *x += mLineHeight + mLineSpacing;
    *y = startY;
  } else {
    *x = startX;
    *y += mLineHeight + mLineSpacing;
  }
}

int LICE_CachedFont::MeasureGlyphs(const char* text, int length, unsigned flags, int* width, int* height)
{
  const bool vertical = (mFlags & kFontVertical) != 0;
  const int n = TextBytes(text, length);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  long long px = 0, py = 0, w = 0, h = 0;
  for (int i = 0; i < n;) {
    int code = 0;
    const TextStep step = NextTextStep(p, n, &i, flags, &code);
    if (step == TextStep::kSkip) continue;
    if (step == TextStep::kLineBreak) {
      BreakLine(vertical, &px, &py, 0, 0);
      continue;
    }
    const GlyphRecord* g = Glyph(code);
    if (!g) continue;
    if (vertical) {
      const long long after = py + g->advance;
      h = std::max(h, std::max(after, py - g->leftOffset + g->height));
      w = std::max(w, px + g->width);
      py = after;
    } else {
      const long long after = px + g->advance;
      w = std::max(w, std::max(after, px - g->leftOffset + g->width));
      h = std::max(h, py + g->height);
      px = after;
    }
  }
  *width = static_cast<int>(std::min<long long>(w, INT_MAX));
  *height = static_cast<int>(std::min<long long>(h, INT_MAX));
  return vertical ? *width : *height;
}

int LICE_CachedFont::DrawGlyphs(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect, unsigned flags)
{
  const float stored = mCombineWeight;
  if (flags & kTextWeightFromColor) mCombineWeight = static_cast<float>(mCombineWeight * (blend::A(mForeground) / 255.0));
  struct Restore
  {
    float& weight;
    float value;
    ~Restore() { weight = value; }
  } restore{mCombineWeight, stored};
  if (mCombineWeight == 0.0f || !bitmap) return 0;

  const bool vertical = (mFlags & kFontVertical) != 0;
  const bool upward = vertical && (mFlags & kFontCounterClockwise);
  long long x = rect->left, y = rect->top;
  if ((flags & kAlignBits) || upward) {
    int tw = 0, th = 0;
    MeasureGlyphs(text, length, flags, &tw, &th);
    if (flags & kTextCenter) {
      x = rect->left + (static_cast<long long>(rect->right) - rect->left - tw) / 2;
    } else if (flags & kTextRight) {
      x = static_cast<long long>(rect->right) - tw;
    }
    if (flags & kTextVCenter) {
      y = rect->top + (static_cast<long long>(rect->bottom) - rect->top - th) / 2;
    } else if (flags & kTextBottom) {
      y = static_cast<long long>(rect->bottom) - th;
    }
    if (upward) y += th;
  }
  LICE_Rect clip = {0, 0, bitmap->Width(), bitmap->Height()};
  if (!(flags & kTextNoClip)) {
    clip.left = std::max(clip.left, rect->left);
    clip.top = std::max(clip.top, rect->top);
    clip.right = std::min(clip.right, rect->right);
    clip.bottom = std::min(clip.bottom, rect->bottom);
  }
  if (clip.right <= clip.left || clip.bottom <= clip.top) return 0;

  const long long startX = x, startY = y;
  long long extent = vertical ? startX : startY;
  const int n = TextBytes(text, length);
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  for (int i = 0; i < n;) {
    int code = 0;
    const TextStep step = NextTextStep(p, n, &i, flags, &code);
    if (step == TextStep::kSkip) continue;
    if (step == TextStep::kLineBreak) {
      BreakLine(vertical, &x, &y, startX, startY);
      continue;
    }
    const GlyphRecord* g = Glyph(code);
    if (!g) continue;
    const int gw = g->width, gh = g->height, advance = g->advance;
    if (upward) y -= gh;
    // Pens far outside the bitmap cannot draw; keep them representable.
    const bool onScreen = x > INT_MIN / 2 && x < INT_MAX / 2 && y > INT_MIN / 2 && y < INT_MAX / 2;
    const bool drawn = onScreen && RenderGlyph(bitmap, code, static_cast<int>(x), static_cast<int>(y), clip);
    if (drawn) extent = std::max(extent, vertical ? x + gw : y + gh);
    if (!vertical) {
      x += advance;
    } else if (upward) {
      y += gh - advance;
    } else {
      y += advance;
    }
  }
  return static_cast<int>(std::min<long long>(extent - (vertical ? startX : startY), INT_MAX));
}

int LICE_CachedFont::RenderText(LICE_IBitmap* bitmap, const char* text, int length, LICE_Rect* rect, unsigned flags)
{
  if (!text || !rect) return 0;
  if (!bitmap && !(flags & kTextCalcRect)) return 0;
  const bool neverNative = (flags & kTextNeverNative) != 0;
  flags &= ~kTextNeverNative;
  if (DrawsNatively(bitmap, flags, neverNative)) return RenderNative(bitmap, text, length, rect, flags);
  if (flags & kTextCalcRect) {
    int w = 0, h = 0;
    const int result = MeasureGlyphs(text, length, flags, &w, &h);
    rect->right = rect->left + w;
    rect->bottom = rect->top + h;
    return result;
  }
  return DrawGlyphs(bitmap, text, length, rect, flags);
}
