#pragma once
// AlphaOfFour in plain code, for processors without SSE2.

#include "raster/AlphaRun.h"

// pixels: four readable pixels.
inline AlphaRun AlphaOfFour(const PixelValue* pixels)
{
  constexpr int kAlphaShift = 24;
  constexpr PixelValue kOpaque = 255;
  bool opaque = true;
  bool clear = true;
  for (int i = 0; i < kAlphaRunPixels; ++i) {
    const PixelValue a = pixels[i] >> kAlphaShift;
    opaque = opaque && a == kOpaque;
    clear = clear && a == 0;
  }
  return opaque ? AlphaRun::Opaque : clear ? AlphaRun::Clear : AlphaRun::Mixed;
}
