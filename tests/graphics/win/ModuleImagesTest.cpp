// The effect's Windows module carries the editor's twelve images as
// resources of type "PNG", under the ids and with the strip sizes the
// editor's layout expects, decodable through the editor's image lookup.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "graphics/ImageLookup.h"
#include "raster/Bitmap.h"

namespace {

struct ExpectedImage
{
  int id;
  const char* name;
  int width;
  int frameHeight;
  int frames;
};

constexpr ExpectedImage kImages[] = {
  {101, "resources/img/BAND.png", 66, 72, 61},  {102, "resources/img/FREQ.png", 67, 72, 61},
  {103, "resources/img/ATK.png", 66, 72, 61},   {104, "resources/img/REL.png", 66, 72, 61},
  {105, "resources/img/INTEN.png", 67, 72, 61}, {106, "resources/img/MIX.png", 67, 72, 61},
  {107, "resources/img/OUT.png", 65, 72, 61},   {108, "resources/img/BG.png", 764, 222, 1},
  {109, "resources/img/SEQ.png", 122, 30, 2},   {110, "resources/img/DLED.png", 30, 30, 61},
  {111, "resources/img/SLED.png", 30, 30, 61},  {112, "resources/img/PITCH.png", 122, 30, 25},
};

}  // namespace

TEST(ModuleImages, EveryLayoutImageIsAPngResourceOfItsStripSize)
{
  HMODULE module = LoadLibraryExA(VEXA_MODULE_PATH, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  for (const ExpectedImage& e : kImages) {
    SCOPED_TRACE(e.name);
    std::unique_ptr<LICE_MemBitmap> image(LoadEmbeddedPng(module, e.id, e.name));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Width(), e.width);
    EXPECT_EQ(image->Height(), e.frameHeight * e.frames);
  }
  // Nothing else is numbered next to them.
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(100), "PNG"), nullptr);
  EXPECT_EQ(FindResourceA(module, MAKEINTRESOURCEA(113), "PNG"), nullptr);
  FreeLibrary(module);
}
