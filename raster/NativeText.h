#pragma once
// Platform text services used by text rendering: native fonts, the text
// state of a drawing context, measuring and drawing strings, UTF-8 to UTF-16
// conversion and the compatibility-layer probe. Implemented per platform
// (NativeTextWin.cpp over GDI, NativeTextPosix.cpp over FreeType). Called on
// the user-interface thread only; no lock is taken.

#include <cstdint>

#include "raster/Bitmap.h"

// A native font handle (HFONT on Windows, the raster layer's own font object
// elsewhere). Whoever creates it deletes it with NativeDeleteFont, unless it
// hands ownership to a font object (LICE_CachedFont with kFontOwnsHandle).
using LICE_NativeFont = void*;

// What a native font is made from.
struct NativeFontRequest
{
  int height;       // > 0: cell height in pixels; < 0: character (em) height
  int width;        // 0: the face's own proportions
  int escapement;   // tenths of a degree
  int orientation;  // tenths of a degree
  int weight;       // 400 normal, 700 bold
  bool italic;
  int quality;      // 0 default, 3 non-antialiased, 4 antialiased, 5 ClearType
  const char* face; // face name
};

// Text format bits shared by the native drawing and RenderText.
enum : unsigned
{
  kTextCenter = 0x1,
  kTextRight = 0x2,
  kTextVCenter = 0x4,
  kTextBottom = 0x8,
  kTextSingleLine = 0x20,
  kTextNoClip = 0x100,
  kTextCalcRect = 0x400,
  kTextNoPrefix = 0x800,
};

LICE_NativeFont NativeCreateFont(const NativeFontRequest& request);
void NativeDeleteFont(LICE_NativeFont font);

// Selects font into dc and returns the previously selected font.
LICE_NativeFont NativeSelectFont(LICE_NativeDC dc, LICE_NativeFont font);
// Colours are 0x..RRGGBB; the top byte is ignored.
constexpr PixelValue kNativeRgbMask = 0xFFFFFF;
constexpr PixelValue kNativeWhite = 0xFFFFFF;
void NativeSetTextColor(LICE_NativeDC dc, PixelValue rgb);
void NativeSetBackColor(LICE_NativeDC dc, PixelValue rgb);
// Whether text drawing leaves the background or fills it with the back
// colour.
constexpr int kBackTransparent = 1;
constexpr int kBackOpaque = 2;
void NativeSetBackMode(LICE_NativeDC dc, int mode);
// Cell height of the selected font (its text-metric height), 0 without one.
int NativeTextHeight(LICE_NativeDC dc);

// Draws or (with kTextCalcRect) measures text in rect with the format bits
// above; length -1 means up to the terminating zero. Returns the text height
// (with kTextVCenter or kTextBottom on a single line: the offset from the
// rectangle's top to the text's bottom), 0 on failure. The narrow form takes
// the platform's 8-bit character set, the wide form UTF-16 units.
int NativeDrawTextNarrow(LICE_NativeDC dc, const char* text, int length, LICE_Rect* rect, unsigned format);
int NativeDrawTextWide(LICE_NativeDC dc, const uint16_t* text, int length, LICE_Rect* rect, unsigned format);

// Strict UTF-8 to UTF-16 conversion of length bytes. With out null returns
// the number of units needed; otherwise writes at most capacity units and
// returns the count. 0 when the text is not valid UTF-8 or does not fit.
int NativeUtf8ToUtf16(const char* text, int length, uint16_t* out, int capacity);

// True when the registry key "Software\Wine" exists under the local-machine
// root (the process runs under the Wine compatibility layer).
bool NativeWineKeyPresent();
