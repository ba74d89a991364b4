// Memory drawing contexts and bitmaps without a window system: pixels live in
// zero-filled heap memory, 64-byte aligned.

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "raster/NativeSurface.h"
#include "raster/NativeText.h"
#include "raster/posix/DrawContextPosix.h"

LICE_NativeDC NativeCreateMemoryDC()
{
  PosixDrawContext* dc = new (std::nothrow) PosixDrawContext();
  if (!dc) return nullptr;
  dc->textColor = 0;
  // A new context draws text opaquely on white, as a native one does.
  dc->backColor = kNativeWhite;
  dc->backMode = kBackOpaque;
  return dc;
}

void NativeDeleteDC(LICE_NativeDC dc) { delete static_cast<PosixDrawContext*>(dc); }

void* NativeCreateBitmap(LICE_NativeDC, int width, int height, void** bits)
{
  *bits = nullptr;
  if (height < 0) height = -height;
  if (width < 1 || height < 1) return nullptr;
  const unsigned long long bytes = static_cast<unsigned long long>(width) * height * 4;
  if (bytes > static_cast<unsigned long long>(INT_MAX)) return nullptr;
  PosixBitmap* b = new (std::nothrow) PosixBitmap();
  if (!b) return nullptr;
  b->raw = std::calloc(static_cast<size_t>(bytes) + 63, 1);
  if (!b->raw) {
    delete b;
    return nullptr;
  }
  const uintptr_t a = (reinterpret_cast<uintptr_t>(b->raw) + 63) & ~static_cast<uintptr_t>(63);
  b->bits = reinterpret_cast<PixelValue*>(a);
  b->width = width;
  b->height = height;
  *bits = b->bits;
  return b;
}

void NativeDeleteBitmap(void* bitmap)
{
  PosixBitmap* b = static_cast<PosixBitmap*>(bitmap);
  if (!b) return;
  std::free(b->raw);
  delete b;
}

void* NativeSelectBitmap(LICE_NativeDC dc, void* bitmap)
{
  PosixDrawContext* c = static_cast<PosixDrawContext*>(dc);
  PosixBitmap* previous = c->bitmap;
  c->bitmap = static_cast<PosixBitmap*>(bitmap);
  return previous;
}
