#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "raster/Bitmap.h"
#include "raster/Png.h"

// The editor's images as the editor uses them: read from resources/img (the
// test runs in the source tree), each a strip of frames stacked top to
// bottom.

namespace
{

constexpr double kPi = 3.14159265358979323846;

struct ImageSpec
{
  const char* file;
  int frameWidth;
  int frameHeight;
  int frames;
  int x;  // where the editor draws it
  int y;
};

const ImageSpec kBackground = {"BG.png", 764, 222, 1, 0, 0};
const ImageSpec kKnobs[] = {
  {"BAND.png", 66, 72, 61, 164, 62},  {"FREQ.png", 67, 72, 61, 71, 62},
  {"ATK.png", 66, 72, 61, 257, 62},   {"REL.png", 66, 72, 61, 350, 62},
  {"INTEN.png", 67, 72, 61, 444, 62}, {"MIX.png", 67, 72, 61, 563, 62},
  {"OUT.png", 65, 72, 61, 657, 62},
};
const ImageSpec kPitch = {"PITCH.png", 122, 30, 25, 351, 193};
const ImageSpec kSwitch = {"SEQ.png", 122, 30, 2, 0, 192};
const ImageSpec kEnvelopeLed = {"DLED.png", 30, 30, 61, 323, 38};
const ImageSpec kGateLed = {"SLED.png", 30, 30, 61, 109, 192};
const ImageSpec kRelease = kKnobs[3];

std::unique_ptr<LICE_IBitmap> Load(const ImageSpec& spec)
{
  const std::string path = std::string("resources/img/") + spec.file;
  return std::unique_ptr<LICE_IBitmap>(LoadPngFromFile(path.c_str()));
}

PixelValue Pixel(LICE_IBitmap& bitmap, const ImageSpec& spec, int frame, int x, int y)
{
  return bitmap.Pixels()[(frame * spec.frameHeight + y) * bitmap.Stride() + x];
}

int Alpha(PixelValue p) { return int(p >> 24); }
int Red(PixelValue p) { return int((p >> 16) & 255); }
int Green(PixelValue p) { return int((p >> 8) & 255); }
int Blue(PixelValue p) { return int(p & 255); }

bool FramesEqual(LICE_IBitmap& bitmap, const ImageSpec& spec, int a, int b)
{
  for (int y = 0; y < spec.frameHeight; ++y)
    for (int x = 0; x < spec.frameWidth; ++x)
      if (Pixel(bitmap, spec, a, x, y) != Pixel(bitmap, spec, b, x, y)) return false;
  return true;
}

// Light of a frame: alpha-weighted sum of its colour channels.
long long Light(LICE_IBitmap& bitmap, const ImageSpec& spec, int frame)
{
  long long sum = 0;
  for (int y = 0; y < spec.frameHeight; ++y)
    for (int x = 0; x < spec.frameWidth; ++x) {
      const PixelValue p = Pixel(bitmap, spec, frame, x, y);
      sum += (long long)Alpha(p) * (Red(p) + Green(p) + Blue(p));
    }
  return sum;
}

// Angle of the knob's pointer in degrees clockwise from 12 o'clock: the
// centroid of the near-white pixels (nothing else on a knob is that light)
// seen from the frame's centre.
double PointerAngle(LICE_IBitmap& bitmap, const ImageSpec& spec, int frame)
{
  double sx = 0, sy = 0;
  int count = 0;
  for (int y = 0; y < spec.frameHeight; ++y)
    for (int x = 0; x < spec.frameWidth; ++x) {
      const PixelValue p = Pixel(bitmap, spec, frame, x, y);
      if (Alpha(p) == 255 && Red(p) > 220 && Green(p) > 220 && Blue(p) > 220) {
        sx += x + 0.5;
        sy += y + 0.5;
        ++count;
      }
    }
  if (count == 0) return NAN;
  const double dx = sx / count - spec.frameWidth / 2.0;
  const double dy = sy / count - spec.frameHeight / 2.0;
  return std::atan2(dx, -dy) * 180.0 / kPi;
}

std::vector<ImageSpec> AllImages()
{
  std::vector<ImageSpec> all = {kBackground};
  all.insert(all.end(), std::begin(kKnobs), std::end(kKnobs));
  all.insert(all.end(), {kPitch, kSwitch, kEnvelopeLed, kGateLed});
  return all;
}

TEST(Artwork, EveryImageHasTheLayoutsFrameSizeAndCount)
{
  for (const ImageSpec& spec : AllImages()) {
    SCOPED_TRACE(spec.file);
    auto bitmap = Load(spec);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), spec.frameWidth);
    EXPECT_EQ(bitmap->Height(), spec.frameHeight * spec.frames);
  }
}

TEST(Artwork, NeighbouringFramesOfEveryStripDiffer)
{
  for (const ImageSpec& spec : AllImages()) {
    if (spec.frames < 2) continue;
    SCOPED_TRACE(spec.file);
    auto bitmap = Load(spec);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->Height(), spec.frameHeight * spec.frames);
    for (int f = 0; f + 1 < spec.frames; ++f) EXPECT_FALSE(FramesEqual(*bitmap, spec, f, f + 1)) << "frame " << f;
  }
}

TEST(Artwork, BackgroundIsOpaqueEverywhere)
{
  // It is copied without blending, so any transparency would reach the
  // editor's surface.
  auto bitmap = Load(kBackground);
  ASSERT_NE(bitmap, nullptr);
  for (int y = 0; y < kBackground.frameHeight; ++y)
    for (int x = 0; x < kBackground.frameWidth; ++x)
      ASSERT_EQ(Alpha(Pixel(*bitmap, kBackground, 0, x, y)), 255) << x << ", " << y;
}

TEST(Artwork, KnobFramesAreTransparentAroundAnOpaqueKnob)
{
  for (const ImageSpec& spec : kKnobs) {
    SCOPED_TRACE(spec.file);
    auto bitmap = Load(spec);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->Height(), spec.frameHeight * spec.frames);
    const int right = spec.frameWidth - 1, bottom = spec.frameHeight - 1;
    for (int f = 0; f < spec.frames; ++f) {
      EXPECT_EQ(Alpha(Pixel(*bitmap, spec, f, 0, 0)), 0) << "frame " << f;
      EXPECT_EQ(Alpha(Pixel(*bitmap, spec, f, right, 0)), 0) << "frame " << f;
      EXPECT_EQ(Alpha(Pixel(*bitmap, spec, f, 0, bottom)), 0) << "frame " << f;
      EXPECT_EQ(Alpha(Pixel(*bitmap, spec, f, right, bottom)), 0) << "frame " << f;
      EXPECT_EQ(Alpha(Pixel(*bitmap, spec, f, spec.frameWidth / 2, spec.frameHeight / 2)), 255) << "frame " << f;
    }
  }
}

TEST(Artwork, KnobPointerSweepsFromMinus135ToPlus135Degrees)
{
  for (const ImageSpec& spec : kKnobs) {
    SCOPED_TRACE(spec.file);
    auto bitmap = Load(spec);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->Height(), spec.frameHeight * spec.frames);
    const int last = spec.frames - 1;
    EXPECT_NEAR(PointerAngle(*bitmap, spec, 0), -135.0, 8.0);
    EXPECT_NEAR(PointerAngle(*bitmap, spec, last / 2), 0.0, 8.0);
    EXPECT_NEAR(PointerAngle(*bitmap, spec, last), 135.0, 8.0);
    for (int f = 0; f < last; ++f)
      EXPECT_LT(PointerAngle(*bitmap, spec, f), PointerAngle(*bitmap, spec, f + 1)) << "frame " << f;
  }
}

TEST(Artwork, IndicatorsLightUpFrameByFrame)
{
  for (const ImageSpec& spec : {kEnvelopeLed, kGateLed}) {
    SCOPED_TRACE(spec.file);
    auto bitmap = Load(spec);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_EQ(bitmap->Height(), spec.frameHeight * spec.frames);
    for (int f = 0; f + 1 < spec.frames; ++f) EXPECT_LT(Light(*bitmap, spec, f), Light(*bitmap, spec, f + 1)) << "frame " << f;
    // Fully lit is far brighter than dark, not a faint change.
    EXPECT_GT(Light(*bitmap, spec, spec.frames - 1), 3 * Light(*bitmap, spec, 0));
  }
}

// Pixels of every frame of under that lie beneath some pixel of over's
// rectangle must be fully transparent: the control drawn later covers them
// and the earlier one must not show through its surroundings.
void ExpectClearUnder(const ImageSpec& under, const ImageSpec& over)
{
  auto bitmap = Load(under);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(bitmap->Height(), under.frameHeight * under.frames);
  const int left = std::max(under.x, over.x), right = std::min(under.x + under.frameWidth, over.x + over.frameWidth);
  const int top = std::max(under.y, over.y), bottom = std::min(under.y + under.frameHeight, over.y + over.frameHeight);
  ASSERT_LT(left, right);
  ASSERT_LT(top, bottom);
  for (int f = 0; f < under.frames; ++f)
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x)
        ASSERT_EQ(Alpha(Pixel(*bitmap, under, f, x - under.x, y - under.y)), 0)
          << "frame " << f << " at " << x << ", " << y;
}

TEST(Artwork, ControlsLeaveRoomForTheIndicatorsOverlappingThem)
{
  {
    SCOPED_TRACE("switch under the gate indicator");
    ExpectClearUnder(kSwitch, kGateLed);
  }
  {
    SCOPED_TRACE("Release knob under the envelope indicator");
    ExpectClearUnder(kRelease, kEnvelopeLed);
  }
}

}  // namespace
