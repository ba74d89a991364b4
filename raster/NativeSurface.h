#pragma once
// Platform services behind LICE_SysBitmap: a memory drawing context and
// 32-bit native bitmaps selected into it. Implemented per platform
// (SurfaceWin.cpp, SurfacePosix.cpp). Called on the user-interface thread only.

#include "raster/Bitmap.h"

// A memory drawing context (compatible with the screen where there is one),
// or null on failure. The caller deletes it with NativeDeleteDC.
LICE_NativeDC NativeCreateMemoryDC();
void NativeDeleteDC(LICE_NativeDC dc);

// A 32-bit uncompressed bitmap of width x |height| pixels; a negative height
// means top-down rows. Stores the pixel address in *bits. Null on failure.
// The caller deletes it with NativeDeleteBitmap after selecting it out.
void* NativeCreateBitmap(LICE_NativeDC dc, int width, int height, void** bits);
void NativeDeleteBitmap(void* bitmap);

// Selects a bitmap into the context; returns the previously selected one.
void* NativeSelectBitmap(LICE_NativeDC dc, void* bitmap);
