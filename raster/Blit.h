#pragma once
// Copying and blending pixels onto bitmaps: rectangle blits, colour fills and
// the in-place softening used by glyph rasterisation. All blending is exact
// integer arithmetic on 8-bit channels, steered by a mode word and a weight.

#include <cstdint>

#include "raster/Bitmap.h"

// Bits 0-7: operator (0 copy, 1 add, 2 dodge, 3 multiply, 4 overlay, 5 hue/
// saturation/value adjust; 0xF0-0xFF channel copy with the source byte index
// in bits 0-1 and the destination byte index in bits 2-3). Bit 16: weight each
// source pixel by its own alpha (blit) or the weight by the colour's alpha
// (fill). Other bits are ignored.
using BlendMode = int;

constexpr BlendMode SourceAlphaFlag = 0x10000;
constexpr BlendMode BlendOperatorMask = 0xFF;

// The operators of the mode word's low byte. Operators 6 to 0xEF do nothing.
constexpr BlendMode BlendCopy = 0;
constexpr BlendMode BlendAdd = 1;
constexpr BlendMode BlendDodge = 2;
constexpr BlendMode BlendMultiply = 3;
constexpr BlendMode BlendOverlay = 4;
constexpr BlendMode BlendHueSatValue = 5;
// BlendChannelCopy | from | (to << 2) copies byte `from` of each source
// pixel into byte `to` of the destination pixel (blit only).
constexpr BlendMode BlendChannelCopy = 0xF0;
constexpr BlendMode BlendChannelFieldMask = 3;
constexpr int BlendChannelToShift = 2;

// 256 entries: 0 for 0, floor(65536 / x) - 1 for x = 1..255.
extern const uint16_t ReciprocalTable[256];

// The integer weight of a float weight: trunc(alpha * 256), 256 meaning full
// strength. Weights beyond +-8.0 are held at +-2048 (keeping every channel
// product inside 32 bits) and NaN counts as 0.
int BlendWeight(float alpha);

// Copies or blends the srcRect part of src (null: all of it) onto dest at
// (dstX, dstY), clipped to both bitmaps. Any thread that owns both bitmaps may
// call it; no lock is taken.
void BlitBitmap(LICE_IBitmap* dest, LICE_IBitmap* src, int dstX, int dstY, const LICE_Rect* srcRect,
                float alpha, BlendMode mode);

// Fills or blends the rectangle (x, y, w, h) of dest with colour, clipped to
// the bitmap. Same threading as BlitBitmap.
void FillArea(LICE_IBitmap* dest, int x, int y, int w, int h, PixelValue colour, float alpha,
              BlendMode mode);

// Softens the top-left w x h pixels of bitmap in place: half of each pixel
// plus an eighth of each of its four neighbours (a missing neighbour's share
// goes to the opposite one). Nothing happens below 2 x 2. Same threading as
// BlitBitmap.
void SmoothBitmapArea(LICE_IBitmap* bitmap, int w, int h);
