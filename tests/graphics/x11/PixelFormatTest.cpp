// Surface pixels into the image layouts of X visuals.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "graphics/x11/PixelFormatX11.h"

namespace {

X11PixelLayout Layout(uint32_t r, uint32_t g, uint32_t b, int depth, int bpp, bool msb)
{
  X11PixelLayout l;
  l.redMask = r;
  l.greenMask = g;
  l.blueMask = b;
  l.depth = depth;
  l.bitsPerPixel = bpp;
  l.msbFirst = msb;
  return l;
}

const X11PixelLayout kRgb24 = Layout(0xFF0000, 0xFF00, 0xFF, 24, 32, false);
const X11PixelLayout kArgb32 = Layout(0xFF0000, 0xFF00, 0xFF, 32, 32, false);
const X11PixelLayout kRgb565 = Layout(0xF800, 0x07E0, 0x001F, 16, 16, false);

std::vector<unsigned char> Convert(const X11PixelLayout& l, const std::vector<uint32_t>& px)
{
  std::vector<unsigned char> out(px.size() * static_cast<size_t>(ImageBytesPerPixel(l)), 0xEE);
  ConvertPixelRow(l, px.data(), static_cast<int>(px.size()), out.data());
  return out;
}

}  // namespace

TEST(PixelPath, TheUsual24BitVisualTakesTheSurfaceAsItIs)
{
  EXPECT_EQ(ChoosePixelPath(kRgb24), X11PixelPath::kDirect);
}

TEST(PixelPath, OtherTrueColorLayoutsAreConverted)
{
  EXPECT_EQ(ChoosePixelPath(kArgb32), X11PixelPath::kConvert);  // alpha must be made opaque
  EXPECT_EQ(ChoosePixelPath(kRgb565), X11PixelPath::kConvert);
  EXPECT_EQ(ChoosePixelPath(Layout(0xFF, 0xFF00, 0xFF0000, 24, 32, false)), X11PixelPath::kConvert);
  EXPECT_EQ(ChoosePixelPath(Layout(0xFF0000, 0xFF00, 0xFF, 24, 32, true)), X11PixelPath::kConvert);
  EXPECT_EQ(ChoosePixelPath(Layout(0xFF0000, 0xFF00, 0xFF, 24, 24, false)), X11PixelPath::kConvert);
  EXPECT_EQ(ChoosePixelPath(Layout(0x3FF00000, 0xFFC00, 0x3FF, 30, 32, false)), X11PixelPath::kConvert);
}

TEST(PixelPath, LayoutsThatCannotBeDrawnAreRefused)
{
  EXPECT_EQ(ChoosePixelPath(X11PixelLayout{}), X11PixelPath::kUnsupported);
  EXPECT_EQ(ChoosePixelPath(Layout(0, 0, 0, 8, 8, false)), X11PixelPath::kUnsupported);       // palette
  EXPECT_EQ(ChoosePixelPath(Layout(0xE0, 0x1C, 0x03, 8, 8, false)), X11PixelPath::kUnsupported);  // 8 bpp
  EXPECT_EQ(ChoosePixelPath(Layout(0xF0F000, 0xFF00, 0xFF, 24, 32, false)), X11PixelPath::kUnsupported);  // split
  EXPECT_EQ(ChoosePixelPath(Layout(0xFF0000, 0xFFFF00, 0xFF, 24, 32, false)), X11PixelPath::kUnsupported);  // overlap
  EXPECT_EQ(ChoosePixelPath(Layout(0xFF0000, 0xFF00, 0xFF, 16, 16, false)), X11PixelPath::kUnsupported);  // beyond depth
  EXPECT_EQ(ChoosePixelPath(Layout(0xFF0000, 0xFF00, 0xFF, 24, 0, false)), X11PixelPath::kUnsupported);
}

TEST(ConvertPixelRow, A32BitVisualGetsTheColoursOpaque)
{
  const std::vector<unsigned char> out = Convert(kArgb32, {0x00123456u, 0x80FFFFFFu, 0xFF000000u});
  const std::vector<unsigned char> want = {0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0xFF};
  EXPECT_EQ(out, want);
}

TEST(ConvertPixelRow, A24BitVisualDropsTheAlphaByte)
{
  const std::vector<unsigned char> out = Convert(kRgb24, {0x7F123456u});
  const std::vector<unsigned char> want = {0x56, 0x34, 0x12, 0x00};
  EXPECT_EQ(out, want);
}

TEST(ConvertPixelRow, ByteOrderAndChannelOrderFollowTheLayout)
{
  EXPECT_EQ(Convert(Layout(0xFF0000, 0xFF00, 0xFF, 24, 32, true), {0xFF123456u}),
            (std::vector<unsigned char>{0x00, 0x12, 0x34, 0x56}));
  EXPECT_EQ(Convert(Layout(0xFF, 0xFF00, 0xFF0000, 24, 32, false), {0xFF123456u}),
            (std::vector<unsigned char>{0x12, 0x34, 0x56, 0x00}));
  EXPECT_EQ(Convert(Layout(0xFF0000, 0xFF00, 0xFF, 24, 24, false), {0xFF123456u, 0xFFABCDEFu}),
            (std::vector<unsigned char>{0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB}));
}

TEST(ConvertPixelRow, NarrowChannelsKeepTheTopBits)
{
  // 565: red 0xFF -> 31, green 0x80 -> 32, blue 0x07 -> 0.
  const std::vector<unsigned char> lsb = Convert(kRgb565, {0xFFFF8007u});
  const unsigned v = 0xF800u | (32u << 5);
  EXPECT_EQ(lsb, (std::vector<unsigned char>{static_cast<unsigned char>(v & 0xFF), static_cast<unsigned char>(v >> 8)}));
  const X11PixelLayout msb = Layout(0xF800, 0x07E0, 0x001F, 16, 16, true);
  EXPECT_EQ(Convert(msb, {0xFFFF8007u}),
            (std::vector<unsigned char>{static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v & 0xFF)}));
}

TEST(ConvertPixelRow, WideChannelsReachFullScale)
{
  const X11PixelLayout deep = Layout(0x3FF00000, 0xFFC00, 0x3FF, 30, 32, false);
  const std::vector<unsigned char> white = Convert(deep, {0xFFFFFFFFu});
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | white[static_cast<size_t>(i)];
  EXPECT_EQ(v, 0x3FFFFFFFu);
  const std::vector<unsigned char> black = Convert(deep, {0xFF000000u});
  EXPECT_EQ(black, (std::vector<unsigned char>{0, 0, 0, 0}));
}

TEST(ConvertPixelRow, WritesExactlyTheRowsBytes)
{
  std::vector<unsigned char> out(3 * 4 + 4, 0xEE);
  const uint32_t px[3] = {1, 2, 3};
  ConvertPixelRow(kArgb32, px, 3, out.data());
  for (size_t i = 12; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << i;
  ConvertPixelRow(kRgb565, px, 0, out.data());
  ConvertPixelRow(X11PixelLayout{}, px, 3, out.data() + 12);
  for (size_t i = 12; i < out.size(); ++i) EXPECT_EQ(out[i], 0xEE) << i;
}
