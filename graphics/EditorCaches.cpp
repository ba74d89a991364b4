#include "graphics/EditorCaches.h"

#include <cstring>
#include <new>

#include "base/GrowBuffer.h"
#include "base/Lock.h"
#include "raster/Bitmap.h"
#include "raster/Font.h"

namespace {

// Native font weights and qualities by text style.
constexpr int kWeightNormal = 400;
constexpr int kWeightBold = 700;
constexpr int kNativeQualities[] = {0, 3, 4, 5};
constexpr int kQualityCount = static_cast<int>(sizeof kNativeQualities / sizeof kNativeQualities[0]);
// Orientation is given in degrees, native fonts take tenths.
constexpr int kTenthsPerDegree = 10;

struct BitmapEntry
{
  ~BitmapEntry() { delete bitmap; }
  int resourceId;
  LICE_IBitmap* bitmap;
};

struct FontEntry
{
  ~FontEntry() { delete font; }
  int size;
  int orientation;
  int style;
  int quality;
  char name[kFontNameBytes];
  LICE_CachedFont* font;
};

// A cache and its lock; destroyed (entries first) when the library unloads.
template <class Entry>
struct Cache
{
  ILock lock;
  IPtrList<Entry> entries;
};

Cache<BitmapEntry>& Bitmaps()
{
  static Cache<BitmapEntry> cache;
  return cache;
}

Cache<FontEntry>& Fonts()
{
  static Cache<FontEntry> cache;
  return cache;
}

// Caller holds the bitmap cache's lock.
LICE_IBitmap* SearchBitmaps(int resourceId)
{
  Cache<BitmapEntry>& c = Bitmaps();
  for (int i = 0; i < c.entries.Count(); ++i) {
    BitmapEntry* e = c.entries.Get(i);
    if (e->resourceId == resourceId && e->bitmap) return e->bitmap;
  }
  return nullptr;
}

bool SameFont(const FontEntry& e, const ITextStyle& s)
{
  return e.size == s.size && e.orientation == s.orientation && e.style == s.style && e.quality == s.quality &&
         std::strncmp(e.name, s.fontName, kFontNameBytes) == 0;
}

// Caller holds the font cache's lock.
LICE_CachedFont* SearchFonts(const ITextStyle& style)
{
  Cache<FontEntry>& c = Fonts();
  for (int i = 0; i < c.entries.Count(); ++i) {
    FontEntry* e = c.entries.Get(i);
    if (SameFont(*e, style)) return e->font;
  }
  return nullptr;
}

LICE_CachedFont* MakeFont(const ITextStyle& style, const char* face)
{
  NativeFontRequest r = {};
  r.height = style.size;
  r.width = 0;
  r.escapement = style.orientation * kTenthsPerDegree;
  r.orientation = style.orientation * kTenthsPerDegree;
  r.weight = style.style == kTextStyleBold ? kWeightBold : kWeightNormal;
  r.italic = style.style == kTextStyleItalic;
  r.quality = style.quality >= 0 && style.quality < kQualityCount ? kNativeQualities[style.quality] : 0;
  r.face = face;
  LICE_NativeFont handle = NativeCreateFont(r);
  if (!handle) return nullptr;
  LICE_CachedFont* font = new (std::nothrow) LICE_CachedFont;
  if (!font) {
    NativeDeleteFont(handle);
    return nullptr;
  }
  font->AttachFont(handle, kFontOwnsHandle | kFontNativeAllowed);
  return font;
}

}  // namespace

LICE_IBitmap* FindCachedBitmap(int resourceId)
{
  ILockGuard g(Bitmaps().lock);
  return SearchBitmaps(resourceId);
}

LICE_IBitmap* AddCachedBitmap(int resourceId, LICE_IBitmap* bitmap)
{
  if (!bitmap) return FindCachedBitmap(resourceId);
  Cache<BitmapEntry>& c = Bitmaps();
  ILockGuard g(c.lock);
  if (LICE_IBitmap* earlier = SearchBitmaps(resourceId)) {
    delete bitmap;
    return earlier;
  }
  BitmapEntry* e = new (std::nothrow) BitmapEntry{resourceId, bitmap};
  if (!e) {
    delete bitmap;
    return nullptr;
  }
  if (!c.entries.Add(e)) {
    delete e;
    return nullptr;
  }
  return bitmap;
}

LICE_CachedFont* CachedFontFor(const ITextStyle& style)
{
  Cache<FontEntry>& c = Fonts();
  {
    ILockGuard g(c.lock);
    if (LICE_CachedFont* f = SearchFonts(style)) return f;
  }
  // The style's name may fill its field without a terminator.
  char face[kFontNameBytes + 1] = {};
  std::memcpy(face, style.fontName, kFontNameBytes);
  LICE_CachedFont* font = MakeFont(style, face);
  if (!font) return nullptr;

  ILockGuard g(c.lock);
  if (LICE_CachedFont* earlier = SearchFonts(style)) {
    delete font;
    return earlier;
  }
  FontEntry* e = new (std::nothrow) FontEntry{style.size, style.orientation, style.style, style.quality, {}, font};
  if (!e) {
    delete font;
    return nullptr;
  }
  std::memcpy(e->name, style.fontName, kFontNameBytes);
  if (!c.entries.Add(e)) {
    delete e;
    return nullptr;
  }
  return font;
}
