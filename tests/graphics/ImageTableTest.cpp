// Images built into the program by resource id (the images are made by
// make_test_images when the test is built): lookup, name checks, decoding,
// and film strips that editors load from them.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "graphics/ImageLookup.h"
#include "raster/Bitmap.h"
#include "tests/graphics/EditorRig.h"

namespace {

// The ids this test is built with (tests/graphics/CMakeLists.txt).
constexpr int kStripId = 201;
constexpr int kGlassId = 202;
constexpr int kJunkId = 203;
constexpr int kShortId = 204;
constexpr int kAbsentId = 299;

PixelValue At(LICE_IBitmap* b, int x, int y) { return b->Pixels()[y * b->Stride() + x]; }

}  // namespace

TEST(ImageTable, ImagesAreFoundByIdWithTheirBytes)
{
  const unsigned char* data = nullptr;
  int size = 0;
  ASSERT_TRUE(FindImageResource(nullptr, kStripId, &data, &size));
  ASSERT_GT(size, 8);
  EXPECT_EQ(std::memcmp(data, "\x89PNG\r\n\x1a\n", 8), 0);
  ASSERT_TRUE(FindImageResource(nullptr, kShortId, &data, &size));
  EXPECT_EQ(size, 7);
  EXPECT_FALSE(FindImageResource(nullptr, kAbsentId, &data, &size));
  EXPECT_FALSE(FindImageResource(nullptr, -1, &data, &size));
}

TEST(ImageTable, NamesMustEndInPngInAnyCase)
{
  EXPECT_TRUE(HasPngExtension("resources/img/BG.png"));
  EXPECT_TRUE(HasPngExtension("KNOB.PnG"));
  EXPECT_TRUE(HasPngExtension(".png"));
  EXPECT_FALSE(HasPngExtension("png"));
  EXPECT_FALSE(HasPngExtension("knob.pngx"));
  EXPECT_FALSE(HasPngExtension("knob.bmp"));
  EXPECT_FALSE(HasPngExtension("knob.pn"));
  EXPECT_FALSE(HasPngExtension(""));
  EXPECT_FALSE(HasPngExtension(nullptr));
}

TEST(ImageTable, EmbeddedImagesDecodeToTheirPixels)
{
  std::unique_ptr<LICE_MemBitmap> strip(LoadEmbeddedPng(nullptr, kStripId, "strip.png"));
  ASSERT_NE(strip, nullptr);
  EXPECT_EQ(strip->Width(), 4);
  EXPECT_EQ(strip->Height(), 18);
  EXPECT_EQ(At(strip.get(), 0, 0), 0xFFFF0000u);
  EXPECT_EQ(At(strip.get(), 3, 6), 0xFF00FF00u);
  EXPECT_EQ(At(strip.get(), 2, 17), 0xFF0000FFu);

  std::unique_ptr<LICE_MemBitmap> glass(LoadEmbeddedPng(nullptr, kGlassId, "GLASS.PNG"));
  ASSERT_NE(glass, nullptr);
  EXPECT_EQ(At(glass.get(), 2, 2), 0x80FFFFFFu) << "straight alpha kept";
  EXPECT_EQ(At(glass.get(), 0, 0), 0xFFFFFFFFu);
}

TEST(ImageTable, WrongNamesAndBadBytesGiveNoImage)
{
  EXPECT_EQ(LoadEmbeddedPng(nullptr, kStripId, "strip.bmp"), nullptr) << "checked before any lookup";
  EXPECT_EQ(LoadEmbeddedPng(nullptr, kJunkId, "junk.png"), nullptr);
  EXPECT_EQ(LoadEmbeddedPng(nullptr, kShortId, "short.png"), nullptr);
  EXPECT_EQ(LoadEmbeddedPng(nullptr, kAbsentId, "absent.png"), nullptr);
}

TEST(ImageTable, EditorsLoadRealStripsAndShareThem)
{
  rig::EditorRig a, b;
  const IBitmapRef one = a.editor->LoadBitmapResource(kStripId, "resources/img/STRIP.png", 3);
  const IBitmapRef two = b.editor->LoadBitmapResource(kStripId, "strip.png", 3);
  ASSERT_NE(one.bitmap, nullptr);
  EXPECT_EQ(one.bitmap, two.bitmap);
  EXPECT_EQ(one.width, 4);
  EXPECT_EQ(one.height, 18);

  ISwitchControl* s = new ISwitchControl(a.plug, 10, 20, kParamSequence, one);
  a.Add(s);
  a.Attach();
  EXPECT_EQ(s->DrawArea(), (IArea{10, 20, 14, 26}));
  s->SetValue(0.5);
  ASSERT_TRUE(a.editor->RedrawArea(IArea{0, 0, 764, 222}));
  EXPECT_EQ(a.Pixel(10, 20), 0xFF00FF00u) << "the middle frame of the embedded strip";
  EXPECT_EQ(a.Pixel(13, 25), 0xFF00FF00u);

  const IBitmapRef junk = a.editor->LoadBitmapResource(kJunkId, "junk.png", 1);
  EXPECT_EQ(junk.bitmap, nullptr);
  EXPECT_EQ(junk.width, 0);
}
