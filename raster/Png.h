#pragma once
// PNG decoding into 32-bit bitmaps: 0xAARRGGBB words, straight alpha, opaque
// images with alpha 255, 16-bit samples reduced to their high byte. Every
// failure returns null and leaves nothing allocated. Loading may run on any
// thread; nothing but the loader list is shared.

#include "raster/Bitmap.h"

// How a decode reports its failures. The defaults are the loader's normal
// behaviour: libpng's own handlers, which print each error and warning to the
// standard error stream. Quiet decodes print nothing (the fuzz targets).
struct PngDecodeOptions
{
  bool quiet = false;
};

// Decodes a complete PNG stream of length bytes. Returns a new bitmap
// (row alignment mask 3) that the caller owns and destroys, or null. Reading
// runs at most a bounded distance past the end of the bytes, so a stream
// whose chunk lengths claim far more data than it holds fails at once.
LICE_MemBitmap* LoadPngFromMemory(const void* data, int length);
LICE_MemBitmap* LoadPngFromMemory(const void* data, int length, const PngDecodeOptions& options);

// Decodes the PNG file name (UTF-8). With a bitmap given, that bitmap is
// resized, filled and returned (it stays the caller's, also on failure);
// with none, a new LICE_MemBitmap owned by the caller is returned. Null on
// failure.
LICE_IBitmap* LoadPngFromFile(const char* name, LICE_IBitmap* bitmap = nullptr);

// As LoadPngFromFile; with checkExtension the name must end in ".png" in any
// letter case.
LICE_IBitmap* LoadPngFile(const char* name, bool checkExtension, LICE_IBitmap* bitmap);

// "PNG files (*.PNG)".
const char* PngFileFilterText();

// One entry of the process-wide list of image-file loaders. Entries are
// static objects registered during start-up, never freed; the list is written
// only then and may be read from any thread afterwards.
struct ImageLoaderNode
{
  LICE_IBitmap* (*load)(const char* name, bool checkExtension, LICE_IBitmap* bitmap);
  const char* (*description)();
  ImageLoaderNode* next;
};

// Head of the loader list (the most recently registered loader), or null.
ImageLoaderNode* ImageLoaders();
