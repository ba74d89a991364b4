// Native text over FreeType: fonts are DejaVu faces found at run time, drawn
// into the bitmap selected into a drawing context with the text state of
// that context. Covers what text rendering needs: cell metrics, measuring and
// drawing lines of text with the alignment, single-line, no-clip and
// measure-only format bits, opaque or transparent background.

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "raster/NativeText.h"
#include "raster/posix/DrawContextPosix.h"

// One sized face with its cell metrics. Owns the FreeType face.
struct PosixFont
{
  FT_Face face;
  int ascent;
  int height;
  bool mono;
};

namespace
{

FT_Library gLibrary = nullptr;
int gFontCount = 0;

const char* const kFontDirectories[] = {
    "/usr/share/fonts/truetype/dejavu/",
    "/usr/local/share/fonts/truetype/dejavu/",
    "/usr/share/fonts/TTF/",
    "/usr/share/fonts/dejavu/",
};

// Italic faces are slanted by this much (x += kSlant * y).
constexpr double kSlant = 0.2;

bool ContainsNoCase(const char* text, const char* word)
{
  const size_t n = std::strlen(word);
  for (const char* p = text; *p; ++p) {
    size_t i = 0;
    while (i < n && p[i] && (p[i] | 0x20) == (word[i] | 0x20)) ++i;
    if (i == n) return true;
  }
  return false;
}

// The DejaVu file that stands in for a face name.
std::string FontFile(const char* face, bool bold)
{
  const char* family = "DejaVuSans";
  if (face && (ContainsNoCase(face, "mono") || ContainsNoCase(face, "courier") || ContainsNoCase(face, "console"))) {
    family = "DejaVuSansMono";
  } else if (face && !ContainsNoCase(face, "sans") &&
             (ContainsNoCase(face, "serif") || ContainsNoCase(face, "times") || ContainsNoCase(face, "georgia"))) {
    family = "DejaVuSerif";
  }
  for (const char* dir : kFontDirectories) {
    for (int pass = 0; pass < 2; ++pass) {
      std::string path = std::string(dir) + family + (bold && pass == 0 ? "-Bold" : "") + ".ttf";
      struct stat st;
      if (stat(path.c_str(), &st) == 0) return path;
    }
  }
  return std::string();
}

struct Run
{
  int start;
  int count;
  int width;
};

// Horizontal advance of one code in whole pixels; control codes take none.
int Advance(PosixFont* f, uint32_t code)
{
  if (code < 32) return 0;
  if (FT_Load_Char(f->face, code, f->mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL) != 0) return 0;
  return static_cast<int>((f->face->glyph->advance.x + 32) >> 6);
}

struct Target
{
  PixelValue* bits;
  int width;
  int height;
  int clipLeft, clipTop, clipRight, clipBottom;
};

// Mixes colour into a pixel by coverage a (0-255); alpha stays.
inline void Mix(PixelValue* p, PixelValue colour, int a)
{
  const PixelValue d = *p;
  PixelValue out = d & 0xFF000000u;
  for (int shift = 0; shift < 24; shift += 8) {
    const int dc = static_cast<int>((d >> shift) & 255), cc = static_cast<int>((colour >> shift) & 255);
    out |= static_cast<PixelValue>((cc * a + dc * (255 - a) + 127) / 255) << shift;
  }
  *p = out;
}

void FillBox(const Target& t, long long left, long long top, long long right, long long bottom, PixelValue colour)
{
  if (left < t.clipLeft) left = t.clipLeft;
  if (top < t.clipTop) top = t.clipTop;
  if (right > t.clipRight) right = t.clipRight;
  if (bottom > t.clipBottom) bottom = t.clipBottom;
  for (long long y = top; y < bottom; ++y) {
    PixelValue* row = t.bits + y * t.width;
    for (long long x = left; x < right; ++x) row[x] = (row[x] & 0xFF000000u) | (colour & 0xFFFFFF);
  }
}

void DrawGlyph(const Target& t, PosixFont* f, uint32_t code, int penX, int baseline, PixelValue colour)
{
  const FT_Int32 load = FT_LOAD_RENDER | (f->mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
  if (FT_Load_Char(f->face, code, load) != 0) return;
  const FT_GlyphSlot slot = f->face->glyph;
  const FT_Bitmap& bm = slot->bitmap;
  const long long left = static_cast<long long>(penX) + slot->bitmap_left;
  const long long top = static_cast<long long>(baseline) - slot->bitmap_top;
  for (unsigned row = 0; row < bm.rows; ++row) {
    const long long y = top + row;
    if (y < t.clipTop || y >= t.clipBottom) continue;
    const unsigned char* src = bm.buffer + static_cast<long long>(row) * bm.pitch;
    PixelValue* dst = t.bits + y * t.width;
    for (unsigned col = 0; col < bm.width; ++col) {
      const long long x = left + col;
      if (x < t.clipLeft || x >= t.clipRight) continue;
      int a = 0;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        a = (src[col >> 3] & (0x80 >> (col & 7))) ? 255 : 0;
      } else if (bm.pixel_mode == FT_PIXEL_MODE_GRAY) {
        a = src[col];
      }
      if (a) Mix(dst + x, colour, a);
    }
  }
}

int DrawCodes(LICE_NativeDC handle, const std::vector<uint32_t>& codes, LICE_Rect* rect, unsigned format)
{
  PosixDrawContext* dc = static_cast<PosixDrawContext*>(handle);
  if (!dc || !rect || !dc->font) return 0;
  PosixFont* f = dc->font;
  const int n = static_cast<int>(codes.size());

  std::vector<Run> lines;
  Run line = {0, 0, 0};
  for (int i = 0; i < n; ++i) {
    const uint32_t c = codes[i];
    if (!(format & kTextSingleLine) && (c == 13 || c == 10)) {
      lines.push_back(line);
      if (c == 13 && i + 1 < n && codes[i + 1] == 10) ++i;
      line = {i + 1, 0, 0};
      continue;
    }
    ++line.count;
    line.width += Advance(f, c);
  }
  if (n > 0) lines.push_back(line);

  long long widest = 0;
  for (const Run& r : lines) widest = r.width > widest ? r.width : widest;
  const long long total = static_cast<long long>(lines.size()) * f->height;
  const int totalHeight = total > INT_MAX ? INT_MAX : static_cast<int>(total);
  if (format & kTextCalcRect) {
    rect->right = static_cast<int>(rect->left + widest > INT_MAX ? INT_MAX : rect->left + widest);
    rect->bottom = static_cast<int>(rect->top + total > INT_MAX ? INT_MAX : rect->top + total);
    return totalHeight;
  }
  long long y = rect->top;
  const bool singleLine = (format & kTextSingleLine) != 0;
  if (singleLine && (format & kTextBottom)) {
    y = static_cast<long long>(rect->bottom) - total;
  } else if (singleLine && (format & kTextVCenter)) {
    y = rect->top + (static_cast<long long>(rect->bottom) - rect->top - total) / 2;
  }
  const long long result = singleLine && (format & (kTextBottom | kTextVCenter)) ? y - rect->top + total : total;

  PosixBitmap* b = dc->bitmap;
  if (b && b->bits) {
    Target t = {b->bits, b->width, b->height, 0, 0, b->width, b->height};
    if (!(format & kTextNoClip)) {
      if (rect->left > t.clipLeft) t.clipLeft = rect->left;
      if (rect->top > t.clipTop) t.clipTop = rect->top;
      if (rect->right < t.clipRight) t.clipRight = rect->right;
      if (rect->bottom < t.clipBottom) t.clipBottom = rect->bottom;
    }
    for (const Run& r : lines) {
      long long x = rect->left;
      if (format & kTextCenter) {
        x = rect->left + (static_cast<long long>(rect->right) - rect->left - r.width) / 2;
      } else if (format & kTextRight) {
        x = static_cast<long long>(rect->right) - r.width;
      }
      if (y < t.clipBottom && y + f->height > t.clipTop && y > INT_MIN / 2) {
        if (dc->backMode == kBackOpaque) FillBox(t, x, y, x + r.width, y + f->height, dc->backColor);
        long long pen = x;
        for (int i = r.start; i < r.start + r.count && pen < t.clipRight + f->height; ++i) {
          const uint32_t c = codes[i];
          const int advance = Advance(f, c);
          if (c >= 32 && pen + advance + f->height > t.clipLeft) {
            DrawGlyph(t, f, c, static_cast<int>(pen), static_cast<int>(y + f->ascent), dc->textColor);
          }
          pen += advance;
        }
      }
      y += f->height;
    }
  }
  return result > INT_MAX ? INT_MAX : static_cast<int>(result);
}

}  // namespace

LICE_NativeFont NativeCreateFont(const NativeFontRequest& request)
{
  if (request.height == 0) return nullptr;
  const std::string path = FontFile(request.face, request.weight >= 600);
  if (path.empty()) return nullptr;
  if (!gLibrary && FT_Init_FreeType(&gLibrary) != 0) {
    gLibrary = nullptr;
    return nullptr;
  }
  PosixFont* f = new (std::nothrow) PosixFont();
  FT_Face face = nullptr;
  if (!f || FT_New_Face(gLibrary, path.c_str(), 0, &face) != 0) {
    delete f;
    if (gFontCount == 0) {
      FT_Done_FreeType(gLibrary);
      gLibrary = nullptr;
    }
    return nullptr;
  }
  ++gFontCount;
  f->face = face;
  f->mono = request.quality == 3;
  // Cell height as Windows measures it: the font's Windows ascent plus
  // descent scaled to the requested height; a negative height is the em size.
  long long up = face->ascender, down = -face->descender;
  const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
    up = os2->usWinAscent;
    down = os2->usWinDescent;
  }
  const long long units = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  long long height = request.height > 0 ? request.height : -static_cast<long long>(request.height);
  if (height > 4096) height = 4096;
  long long em64;
  if (request.height > 0) {
    em64 = height * 64 * units / (up + down > 0 ? up + down : units);
    f->height = static_cast<int>(height);
    f->ascent = static_cast<int>((height * up + (up + down) / 2) / (up + down > 0 ? up + down : 1));
  } else {
    em64 = height * 64;
    f->ascent = static_cast<int>((height * up + units - 1) / units);
    f->height = f->ascent + static_cast<int>((height * down + units - 1) / units);
  }
  const long long width64 = request.width > 0 ? static_cast<long long>(request.width) * 128 : 0;
  FT_Set_Char_Size(face, width64, em64 > 0 ? em64 : 64, 72, 72);
  if (request.italic) {
    FT_Matrix slant = {0x10000, static_cast<FT_Fixed>(kSlant * 0x10000), 0, 0x10000};
    FT_Set_Transform(face, &slant, nullptr);
  }
  return f;
}

void NativeDeleteFont(LICE_NativeFont font)
{
  PosixFont* f = static_cast<PosixFont*>(font);
  if (!f) return;
  FT_Done_Face(f->face);
  delete f;
  if (--gFontCount == 0) {
    FT_Done_FreeType(gLibrary);
    gLibrary = nullptr;
  }
}

LICE_NativeFont NativeSelectFont(LICE_NativeDC dc, LICE_NativeFont font)
{
  PosixDrawContext* c = static_cast<PosixDrawContext*>(dc);
  if (!c) return nullptr;
  PosixFont* previous = c->font;
  c->font = static_cast<PosixFont*>(font);
  return previous;
}

void NativeSetTextColor(LICE_NativeDC dc, PixelValue rgb)
{
  if (dc) static_cast<PosixDrawContext*>(dc)->textColor = rgb & kNativeRgbMask;
}

void NativeSetBackColor(LICE_NativeDC dc, PixelValue rgb)
{
  if (dc) static_cast<PosixDrawContext*>(dc)->backColor = rgb & kNativeRgbMask;
}

void NativeSetBackMode(LICE_NativeDC dc, int mode)
{
  if (dc) static_cast<PosixDrawContext*>(dc)->backMode = mode;
}

int NativeTextHeight(LICE_NativeDC dc)
{
  PosixDrawContext* c = static_cast<PosixDrawContext*>(dc);
  return c && c->font ? c->font->height : 0;
}

int NativeDrawTextNarrow(LICE_NativeDC dc, const char* text, int length, LICE_Rect* rect, unsigned format)
{
  if (!text) return 0;
  const size_t n = length < 0 ? std::strlen(text) : static_cast<size_t>(length);
  std::vector<uint32_t> codes(n);
  for (size_t i = 0; i < n; ++i) codes[i] = static_cast<unsigned char>(text[i]);
  return DrawCodes(dc, codes, rect, format);
}

int NativeDrawTextWide(LICE_NativeDC dc, const uint16_t* text, int length, LICE_Rect* rect, unsigned format)
{
  if (!text) return 0;
  size_t n = 0;
  if (length < 0) {
    while (text[n]) ++n;
  } else {
    n = static_cast<size_t>(length);
  }
  std::vector<uint32_t> codes;
  codes.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    }
    codes.push_back(c);
  }
  return DrawCodes(dc, codes, rect, format);
}

int NativeUtf8ToUtf16(const char* text, int length, uint16_t* out, int capacity)
{
  if (!text || length <= 0) return 0;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  int units = 0;
  for (int i = 0; i < length;) {
    const unsigned b = p[i];
    uint32_t c;
    int extra;
    if (b < 0x80) {
      c = b;
      extra = 0;
    } else if (b >= 0xC2 && b <= 0xDF) {
      c = b & 0x1F;
      extra = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      c = b & 0x0F;
      extra = 2;
    } else if (b >= 0xF0 && b <= 0xF4) {
      c = b & 0x07;
      extra = 3;
    } else {
      return 0;
    }
    if (extra > length - 1 - i) return 0;
    for (int k = 1; k <= extra; ++k) {
      const unsigned cb = p[i + k];
      if (cb < 0x80 || cb > 0xBF) return 0;
      c = (c << 6) | (cb & 0x3F);
    }
    // Overlong forms, surrogates and values beyond the last plane are invalid.
    if ((extra == 2 && c < 0x800) || (extra == 3 && (c < 0x10000 || c > 0x10FFFF)) || (c >= 0xD800 && c <= 0xDFFF)) {
      return 0;
    }
    const int need = c >= 0x10000 ? 2 : 1;
    if (out) {
      if (units + need > capacity) return 0;
      if (need == 2) {
        out[units] = static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10));
        out[units + 1] = static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        out[units] = static_cast<uint16_t>(c);
      }
    }
    units += need;
    i += 1 + extra;
  }
  return units;
}

bool NativeWineKeyPresent() { return false; }
