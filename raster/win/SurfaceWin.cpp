// Screen-compatible memory device contexts and 32-bit DIB sections.

#include <windows.h>

#include "raster/NativeSurface.h"

LICE_NativeDC NativeCreateMemoryDC() { return CreateCompatibleDC(nullptr); }

void NativeDeleteDC(LICE_NativeDC dc) { DeleteDC(static_cast<HDC>(dc)); }

void* NativeCreateBitmap(LICE_NativeDC, int width, int height, void** bits)
{
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  *bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void NativeDeleteBitmap(void* bitmap) { DeleteObject(static_cast<HGDIOBJ>(bitmap)); }

void* NativeSelectBitmap(LICE_NativeDC dc, void* bitmap)
{
  return SelectObject(static_cast<HDC>(dc), static_cast<HGDIOBJ>(bitmap));
}
