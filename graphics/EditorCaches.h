#pragma once
// The process-wide caches shared by every editor of the loaded library:
// decoded film strips by resource id and fonts by style. Each has its own
// lock, held only while searching or appending; decoding and font creation
// happen outside it. Both caches own their entries and destroy them when the
// library is unloaded.

#include "graphics/EditorTypes.h"

class LICE_IBitmap;
class LICE_CachedFont;

// The cached bitmap of resourceId, or null. Any thread.
LICE_IBitmap* FindCachedBitmap(int resourceId);
// Hands bitmap (new, decoded by the caller) to the cache and returns the
// cached bitmap of resourceId: bitmap itself, or, when another caller cached
// the same id first (or the cache cannot grow), the earlier one or null,
// and bitmap is destroyed. Any thread.
LICE_IBitmap* AddCachedBitmap(int resourceId, LICE_IBitmap* bitmap);

// The cached font for style's size, orientation, weight, quality and font
// name, made on first use; null when no native font can be made. The font
// belongs to the cache. UI thread (fonts draw on it only).
LICE_CachedFont* CachedFontFor(const ITextStyle& style);
