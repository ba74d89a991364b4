// The portable alpha-run classification, which processors without SSE2
// use; built and tested on every processor.
#include <gtest/gtest.h>

#include "raster/AlphaRun.h"
#include "raster/generic/AlphaRunsGeneric.h"

namespace {

constexpr PixelValue kOpaqueWhite = 0xFFFFFFFFu;
constexpr PixelValue kClearBlack = 0x00000000u;
// Colour bits with a transparent alpha: only alpha decides.
constexpr PixelValue kClearWhite = 0x00FFFFFFu;

}  // namespace

TEST(AlphaRuns, FourOpaqueOrFourTransparentPixelsAreARun)
{
  const PixelValue opaque[kAlphaRunPixels] = {kOpaqueWhite, 0xFF000000u, 0xFF123456u, kOpaqueWhite};
  const PixelValue clear[kAlphaRunPixels] = {kClearBlack, kClearWhite, 0x00123456u, kClearBlack};
  EXPECT_EQ(AlphaOfFour(opaque), AlphaRun::Opaque);
  EXPECT_EQ(AlphaOfFour(clear), AlphaRun::Clear);
}

TEST(AlphaRuns, OnePixelOfAnotherAlphaAnywhereMakesItMixed)
{
  const PixelValue others[] = {0xFE000000u, 0x01FFFFFFu, kClearWhite, kOpaqueWhite};
  for (PixelValue base : {kOpaqueWhite, kClearWhite}) {
    for (PixelValue other : others) {
      if ((other >> 24) == (base >> 24)) continue;
      for (int at = 0; at < kAlphaRunPixels; ++at) {
        PixelValue p[kAlphaRunPixels] = {base, base, base, base};
        p[at] = other;
        EXPECT_EQ(AlphaOfFour(p), AlphaRun::Mixed) << std::hex << base << " with " << other << " at " << at;
      }
    }
  }
}
