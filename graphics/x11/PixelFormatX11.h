#pragma once
// How the editor's 0xAARRGGBB surface pixels become the pixels of an X image
// for the window's visual. Plain arithmetic: no display needed.

#include <cstdint>

// The pixel layout of a TrueColor visual's images: its channel masks, its
// depth and the image format the server uses for that depth.
struct X11PixelLayout
{
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
  int depth = 0;
  int bitsPerPixel = 0;  // 16, 24 or 32 are drawn
  bool msbFirst = false; // the image byte order
};

enum class X11PixelPath
{
  kUnsupported,  // no way to draw into this layout
  kDirect,       // the surface's memory is the image: no conversion
  kConvert,      // each repaint converts its area once
};

// Whether and how the surface can be drawn into images of layout.
X11PixelPath ChoosePixelPath(const X11PixelLayout& layout);

// Bytes of one image pixel of layout (valid unless unsupported).
int ImageBytesPerPixel(const X11PixelLayout& layout);

// Converts count surface pixels into the layout's image bytes at dest
// (count * ImageBytesPerPixel bytes). Bits of the depth outside the three
// masks (the alpha of a 32-bit visual) are set: the window is opaque.
void ConvertPixelRow(const X11PixelLayout& layout, const uint32_t* source, int count, unsigned char* dest);

