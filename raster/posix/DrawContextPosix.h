#pragma once
// The drawing context and bitmap objects of the POSIX raster layer. A context
// holds the selected bitmap and font and the text state; text drawing
// (NativeTextPosix.cpp) renders into the selected bitmap's pixels.

#include <cstdint>

#include "raster/Bitmap.h"

struct PosixFont;

// Pixel memory of one native bitmap: width x height words, top-down rows,
// stride = width. Owns raw (freed by NativeDeleteBitmap).
struct PosixBitmap
{
  void* raw;
  PixelValue* bits;
  int width;
  int height;
};

// Text state of a drawing context. Owns nothing: the bitmap and the font
// belong to whoever created them.
struct PosixDrawContext
{
  PosixBitmap* bitmap;
  PosixFont* font;
  PixelValue textColor;  // 0x00RRGGBB
  PixelValue backColor;  // 0x00RRGGBB
  int backMode;          // kBackTransparent or kBackOpaque
};
