#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "raster/Bitmap.h"
#include "raster/Png.h"
#include "tests/TestSeed.h"

namespace
{

// One test image: samples as stored (at the image's bit depth), and the
// 0xAARRGGBB words the decoder must produce.
struct Image
{
  int width = 0, height = 0, depth = 8, colourType = PNG_COLOR_TYPE_RGB;
  bool interlaced = false;
  std::vector<std::vector<int>> samples;  // per row: width * channels samples
  std::vector<png_color> palette;
  std::vector<png_byte> paletteAlpha;
  bool hasTrans = false;
  png_color_16 trans = {};
  std::vector<PixelValue> expected;
};

int Channels(int colourType)
{
  switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGB_ALPHA: return 4;
    default: return 1;
  }
}

// A sample of depth bits as an 8-bit value: low depths replicate their bits,
// 16-bit samples keep the high byte.
int To8(int v, int depth)
{
  if (depth == 16) return v >> 8;
  if (depth == 8) return v;
  return v * 255 / ((1 << depth) - 1);
}

PixelValue Argb(int a, int r, int g, int b)
{
  return (PixelValue(a) << 24) | (PixelValue(r) << 16) | (PixelValue(g) << 8) | PixelValue(b);
}

Image MakeImage(std::mt19937& rng, int colourType, int depth, bool trans, bool interlaced, int w = 13, int h = 11)
{
  Image im;
  im.width = w;
  im.height = h;
  im.depth = depth;
  im.colourType = colourType;
  im.interlaced = interlaced;
  const int ch = Channels(colourType);
  const int maxv = (1 << depth) - 1;
  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    const int entries = 1 << (depth < 8 ? depth : 8);
    for (int i = 0; i < entries; ++i) {
      im.palette.push_back({png_byte(rng()), png_byte(rng()), png_byte(rng())});
    }
    if (trans) {
      for (int i = 0; i < entries / 2 + 1 && i < entries; ++i) im.paletteAlpha.push_back(png_byte(rng()));
      im.paletteAlpha[0] = 0;
    }
  }
  for (int y = 0; y < h; ++y) {
    std::vector<int> row;
    for (int x = 0; x < w * ch; ++x) {
      int v = int(rng() % (maxv + 1));
      if (colourType == PNG_COLOR_TYPE_PALETTE) v = int(rng() % im.palette.size());
      row.push_back(v);
    }
    im.samples.push_back(row);
  }
  if (trans && colourType != PNG_COLOR_TYPE_PALETTE) {
    // Make the first pixel's value the transparent one.
    im.hasTrans = true;
    const std::vector<int>& r0 = im.samples[0];
    if (colourType == PNG_COLOR_TYPE_GRAY) {
      im.trans.gray = png_uint_16(r0[0]);
    } else {
      im.trans.red = png_uint_16(r0[0]);
      im.trans.green = png_uint_16(r0[1]);
      im.trans.blue = png_uint_16(r0[2]);
    }
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const int* s = &im.samples[y][x * ch];
      int a = 255, r, g, b;
      switch (colourType) {
        case PNG_COLOR_TYPE_PALETTE: {
          const png_color& c = im.palette[s[0]];
          r = c.red;
          g = c.green;
          b = c.blue;
          if (size_t(s[0]) < im.paletteAlpha.size()) a = im.paletteAlpha[s[0]];
          break;
        }
        case PNG_COLOR_TYPE_GRAY:
        case PNG_COLOR_TYPE_GRAY_ALPHA:
          r = g = b = To8(s[0], depth);
          if (colourType == PNG_COLOR_TYPE_GRAY_ALPHA) a = To8(s[1], depth);
          if (im.hasTrans && s[0] == im.trans.gray) a = 0;
          break;
        default:
          r = To8(s[0], depth);
          g = To8(s[1], depth);
          b = To8(s[2], depth);
          if (colourType == PNG_COLOR_TYPE_RGB_ALPHA) a = To8(s[3], depth);
          if (im.hasTrans && s[0] == im.trans.red && s[1] == im.trans.green && s[2] == im.trans.blue) a = 0;
          break;
      }
      im.expected.push_back(Argb(a, r, g, b));
    }
  }
  return im;
}

void Collect(png_structp png, png_bytep data, size_t n)
{
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

void NoFlush(png_structp) {}

std::vector<unsigned char> Encode(const Image& im)
{
  std::vector<unsigned char> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &out, Collect, NoFlush);
  png_set_IHDR(png, info, png_uint_32(im.width), png_uint_32(im.height), im.depth, im.colourType,
               im.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!im.palette.empty()) png_set_PLTE(png, info, im.palette.data(), int(im.palette.size()));
  if (!im.paletteAlpha.empty()) png_set_tRNS(png, info, im.paletteAlpha.data(), int(im.paletteAlpha.size()), nullptr);
  if (im.hasTrans) png_set_tRNS(png, info, nullptr, 0, &im.trans);
  png_write_info(png, info);
  // Pack samples into stored rows: big-endian 16-bit, low depths MSB first.
  const int ch = Channels(im.colourType);
  std::vector<std::vector<png_byte>> rows(im.height);
  for (int y = 0; y < im.height; ++y) {
    std::vector<png_byte>& row = rows[y];
    row.assign((size_t(im.width) * ch * im.depth + 7) / 8, 0);
    for (int i = 0; i < im.width * ch; ++i) {
      const int v = im.samples[y][i];
      if (im.depth == 16) {
        row[2 * i] = png_byte(v >> 8);
        row[2 * i + 1] = png_byte(v);
      } else if (im.depth == 8) {
        row[i] = png_byte(v);
      } else {
        const int bit = i * im.depth;
        row[bit / 8] |= png_byte(v << (8 - im.depth - bit % 8));
      }
    }
  }
  std::vector<png_bytep> pointers;
  for (auto& r : rows) pointers.push_back(r.data());
  png_write_image(png, pointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void ExpectPixels(LICE_IBitmap* b, const Image& im, const std::string& what)
{
  ASSERT_NE(b, nullptr) << what;
  ASSERT_EQ(b->Width(), im.width) << what;
  ASSERT_EQ(b->Height(), im.height) << what;
  for (int y = 0; y < im.height; ++y) {
    const PixelValue* row = b->Pixels() + (b->IsBottomUp() ? im.height - 1 - y : y) * b->Stride();
    for (int x = 0; x < im.width; ++x) {
      ASSERT_EQ(row[x], im.expected[size_t(y) * im.width + x]) << what << " at " << x << "," << y;
    }
  }
}

struct Format
{
  int colourType;
  int depth;
  bool trans;
};

const Format kFormats[] = {
    {PNG_COLOR_TYPE_GRAY, 1, false},       {PNG_COLOR_TYPE_GRAY, 2, false},       {PNG_COLOR_TYPE_GRAY, 4, false},
    {PNG_COLOR_TYPE_GRAY, 8, false},       {PNG_COLOR_TYPE_GRAY, 16, false},      {PNG_COLOR_TYPE_GRAY, 1, true},
    {PNG_COLOR_TYPE_GRAY, 4, true},        {PNG_COLOR_TYPE_GRAY, 8, true},        {PNG_COLOR_TYPE_GRAY, 16, true},
    {PNG_COLOR_TYPE_GRAY_ALPHA, 8, false}, {PNG_COLOR_TYPE_GRAY_ALPHA, 16, false}, {PNG_COLOR_TYPE_RGB, 8, false},
    {PNG_COLOR_TYPE_RGB, 16, false},       {PNG_COLOR_TYPE_RGB, 8, true},         {PNG_COLOR_TYPE_RGB, 16, true},
    {PNG_COLOR_TYPE_RGB_ALPHA, 8, false},  {PNG_COLOR_TYPE_RGB_ALPHA, 16, false}, {PNG_COLOR_TYPE_PALETTE, 1, false},
    {PNG_COLOR_TYPE_PALETTE, 2, false},    {PNG_COLOR_TYPE_PALETTE, 4, false},    {PNG_COLOR_TYPE_PALETTE, 8, false},
    {PNG_COLOR_TYPE_PALETTE, 1, true},     {PNG_COLOR_TYPE_PALETTE, 4, true},     {PNG_COLOR_TYPE_PALETTE, 8, true},
};

std::string TempPath(const char* name) { return testing::TempDir() + name; }

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// Rows stored bottom-up, to check that decoding honours the row order.
class BottomUpBitmap : public LICE_IBitmap
{
public:
  PixelValue* Pixels() override { return mPixels.empty() ? nullptr : mPixels.data(); }
  int Width() override { return mW; }
  int Height() override { return mH; }
  int Stride() override { return mW + 1; }
  bool IsBottomUp() override { return true; }
  bool Resize(int w, int h) override
  {
    if (w == mW && h == mH) return false;
    mW = w;
    mH = h;
    mPixels.assign(size_t(w + 1) * h, 0);
    return true;
  }

private:
  int mW = 0, mH = 0;
  std::vector<PixelValue> mPixels;
};

std::vector<unsigned char> ReadFile(const std::string& path)
{
  std::ifstream f(path, std::ios::binary);
  return std::vector<unsigned char>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

void PutBigEndian(std::vector<unsigned char>& v, size_t at, uint32_t x)
{
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<unsigned char>(x >> (24 - 8 * i));
}

// Offset of the first chunk of the given type, or 0.
size_t FindChunk(const std::vector<unsigned char>& png, const char* type)
{
  for (size_t i = 8; i + 8 <= png.size();) {
    const size_t len = (size_t(png[i]) << 24) | (png[i + 1] << 16) | (png[i + 2] << 8) | png[i + 3];
    if (std::memcmp(&png[i + 4], type, 4) == 0) return i;
    i += 12 + len;
  }
  return 0;
}

// The image with a chunk of the given type and declared length inserted
// before the chunk at `at`, holding only `held` bytes of that length (and
// no CRC when it is cut short).
std::vector<unsigned char> WithChunk(const std::vector<unsigned char>& png, size_t at, const char* type,
                                     uint32_t declared, uint32_t held)
{
  std::vector<unsigned char> chunk(8 + held, 'x');
  PutBigEndian(chunk, 0, declared);
  std::memcpy(&chunk[4], type, 4);
  std::vector<unsigned char> out(png.begin(), png.begin() + long(at));
  out.insert(out.end(), chunk.begin(), chunk.end());
  out.insert(out.end(), png.begin() + long(at), png.end());
  return out;
}

// Milliseconds of processor time a call takes.
template <class F>
double CpuMilliseconds(F f)
{
  const std::clock_t start = std::clock();
  f();
  return 1000.0 * double(std::clock() - start) / CLOCKS_PER_SEC;
}

// Runs f and returns what it wrote to the standard error stream.
template <class F>
std::string CaptureStandardError(F f)
{
  testing::internal::CaptureStderr();
  f();
  return testing::internal::GetCapturedStderr();
}

}  // namespace

TEST(PngDecode, EveryColourTypeAndDepthGivesStraightArgbWords)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  for (const Format& f : kFormats) {
    for (bool interlaced : {false, true}) {
      const Image im = MakeImage(rng, f.colourType, f.depth, f.trans, interlaced);
      const std::vector<unsigned char> png = Encode(im);
      ASSERT_FALSE(png.empty());
      LICE_MemBitmap* b = LoadPngFromMemory(png.data(), int(png.size()));
      const std::string what = "type " + std::to_string(f.colourType) + " depth " + std::to_string(f.depth) +
                               (f.trans ? " tRNS" : "") + (interlaced ? " interlaced" : "") + " seed " +
                               std::to_string(seed);
      ExpectPixels(b, im, what);
      if (b) {
        EXPECT_EQ(b->Stride() % 4, 0);
      }
      delete b;
    }
  }
}

TEST(PngDecode, KnownValues)
{
  std::mt19937 rng(1);
  // 1-bit grey is black and white.
  Image grey = MakeImage(rng, PNG_COLOR_TYPE_GRAY, 1, false, false, 4, 1);
  grey.samples[0] = {0, 1, 1, 0};
  grey.expected = {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000};
  std::vector<unsigned char> png = Encode(grey);
  LICE_MemBitmap* b = LoadPngFromMemory(png.data(), int(png.size()));
  ExpectPixels(b, grey, "1-bit grey");
  delete b;
  // 16-bit RGB keeps the high byte; alpha stays straight (not premultiplied).
  Image rgba = MakeImage(rng, PNG_COLOR_TYPE_RGB_ALPHA, 16, false, false, 2, 1);
  rgba.samples[0] = {0x12FF, 0x3400, 0x56AB, 0x8000, 0xFFFF, 0x0101, 0x7F7F, 0x0000};
  rgba.expected = {0x80123456, 0x00FF017F};
  png = Encode(rgba);
  b = LoadPngFromMemory(png.data(), int(png.size()));
  ExpectPixels(b, rgba, "16-bit rgba");
  delete b;
}

TEST(PngDecode, ShortOrForeignInputReturnsNone)
{
  const unsigned char signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  const unsigned char foreign[16] = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(LoadPngFromMemory(signature, 7), nullptr);
  EXPECT_EQ(LoadPngFromMemory(signature, 8), nullptr);
  EXPECT_EQ(LoadPngFromMemory(foreign, 16), nullptr);
  EXPECT_EQ(LoadPngFromMemory(nullptr, 100), nullptr);
  EXPECT_EQ(LoadPngFromMemory(signature, -5), nullptr);
}

TEST(PngDecode, TruncatedCorruptedAndCrcDamagedStreamsReturnNone)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  const Image im = MakeImage(rng, PNG_COLOR_TYPE_RGB_ALPHA, 8, false, false, 40, 30);
  const std::vector<unsigned char> png = Encode(im);
  // The image data chunk: its payload and its CRC.
  size_t idat = 0;
  for (size_t i = 8; i + 8 < png.size();) {
    const size_t len = (size_t(png[i]) << 24) | (png[i + 1] << 16) | (png[i + 2] << 8) | png[i + 3];
    if (std::memcmp(&png[i + 4], "IDAT", 4) == 0) {
      idat = i;
      break;
    }
    i += 12 + len;
  }
  ASSERT_GT(idat, 0u);
  const size_t idatLen = (size_t(png[idat]) << 24) | (png[idat + 1] << 16) | (png[idat + 2] << 8) | png[idat + 3];

  // Every cut that ends inside or before the image data fails.
  for (size_t n = 8; n < idat + 8 + idatLen + 4; n += (n < idat + 16 ? 1 : 7)) {
    LICE_MemBitmap* b = LoadPngFromMemory(png.data(), int(n));
    EXPECT_EQ(b, nullptr) << "cut at " << n;
    delete b;
  }
  // A damaged CRC of the image data, and of the header.
  std::vector<unsigned char> bad = png;
  bad[idat + 8 + idatLen] ^= 0x01;
  EXPECT_EQ(LoadPngFromMemory(bad.data(), int(bad.size())), nullptr);
  bad = png;
  bad[8 + 8 + 13] ^= 0x80;
  EXPECT_EQ(LoadPngFromMemory(bad.data(), int(bad.size())), nullptr);
  // A changed byte inside the image data (CRC no longer matches).
  bad = png;
  bad[idat + 8 + idatLen / 2] ^= 0x5A;
  EXPECT_EQ(LoadPngFromMemory(bad.data(), int(bad.size())), nullptr);
  // Random damage anywhere never crashes; a result, if any, has the size.
  for (int trial = 0; trial < 200; ++trial) {
    bad = png;
    const int hits = 1 + int(rng() % 4);
    for (int k = 0; k < hits; ++k) bad[8 + rng() % (bad.size() - 8)] = static_cast<unsigned char>(rng());
    LICE_MemBitmap* b = LoadPngFromMemory(bad.data(), int(bad.size()));
    if (b) {
      EXPECT_GT(b->Width(), 0) << "seed " << seed;
      EXPECT_NE(b->Pixels(), nullptr);
    }
    delete b;
  }
  // Trailing bytes after the image data are ignored.
  std::vector<unsigned char> tail(png.begin(), png.end() - 12);
  tail.insert(tail.end(), {1, 2, 3});
  LICE_MemBitmap* b = LoadPngFromMemory(tail.data(), int(tail.size()));
  ExpectPixels(b, im, "missing end chunk");
  delete b;
}

TEST(PngFile, LoadsIntoNewOrGivenBitmapsAndChecksTheExtension)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  const Image im = MakeImage(rng, PNG_COLOR_TYPE_PALETTE, 4, true, true, 21, 9);
  const std::vector<unsigned char> png = Encode(im);
  const std::string path = TempPath("raster_png_test_image.PNG");
  const std::string other = TempPath("raster_png_test_image.jpg");
  ASSERT_TRUE(WriteFile(path, png));
  ASSERT_TRUE(WriteFile(other, png));

  LICE_IBitmap* b = LoadPngFromFile(path.c_str());
  ExpectPixels(b, im, "new bitmap");
  delete b;

  LICE_SysBitmap sys(3, 3);
  EXPECT_EQ(LoadPngFromFile(path.c_str(), &sys), &sys);
  ExpectPixels(&sys, im, "system bitmap");

  BottomUpBitmap up;
  EXPECT_EQ(LoadPngFile(path.c_str(), true, &up), &up);
  ExpectPixels(&up, im, "bottom-up bitmap");

  EXPECT_EQ(LoadPngFile(other.c_str(), true, nullptr), nullptr);
  b = LoadPngFile(other.c_str(), false, nullptr);
  ExpectPixels(b, im, "unchecked extension");
  delete b;
  EXPECT_EQ(LoadPngFile("png", true, nullptr), nullptr);
  EXPECT_EQ(LoadPngFile("dir.png/file", true, nullptr), nullptr);
  EXPECT_EQ(LoadPngFromFile(TempPath("raster_png_test_missing.png").c_str()), nullptr);
  EXPECT_EQ(LoadPngFromFile(nullptr), nullptr);

  // A damaged file fails and leaves a given bitmap the caller's.
  std::vector<unsigned char> cut(png.begin(), png.begin() + png.size() / 2);
  ASSERT_TRUE(WriteFile(path, cut));
  LICE_MemBitmap mine(2, 2, 3);
  EXPECT_EQ(LoadPngFromFile(path.c_str(), &mine), nullptr);
  EXPECT_EQ(LoadPngFromFile(path.c_str()), nullptr);
  std::remove(path.c_str());
  std::remove(other.c_str());
}

TEST(PngFile, LoaderIsRegisteredAtStartUp)
{
  ImageLoaderNode* node = ImageLoaders();
  ASSERT_NE(node, nullptr);
  EXPECT_STREQ(node->description(), "PNG files (*.PNG)");
  EXPECT_STREQ(PngFileFilterText(), "PNG files (*.PNG)");
  EXPECT_EQ(node->load("image.bmp", true, nullptr), nullptr);
}

TEST(PngDecode, ChunkLengthsBeyondTheDataFailWithoutReadingOn)
{
  std::mt19937 rng(7);
  const Image im = MakeImage(rng, PNG_COLOR_TYPE_RGB, 8, false, false, 17, 5);
  const std::vector<unsigned char> png = Encode(im);
  const size_t idat = FindChunk(png, "IDAT");
  ASSERT_GT(idat, 0u);

  // Ancillary chunks before the image data claiming up to 2 GiB, with only a
  // few of their bytes present: refused.
  // Unbounded, the reader zero-fills and checksums every claimed byte and
  // libpng clears a buffer of the claimed size: seconds in all.
  const double ms = CpuMilliseconds([&] {
    for (uint32_t declared : {0x7FFFFFFFu, 0x3FFFFFFFu, 0x01000000u, 0x00100000u}) {
      for (const char* type : {"tEXt", "zTXt", "iCCP", "juNK"}) {
        const std::vector<unsigned char> bad = WithChunk(png, idat, type, declared, 16);
        EXPECT_EQ(LoadPngFromMemory(bad.data(), int(bad.size())), nullptr) << type << " " << declared;
      }
    }
  });
  EXPECT_LT(ms, 200.0);
  // An image data chunk claiming far more than the stream holds.
  std::vector<unsigned char> bad = png;
  PutBigEndian(bad, idat, 0x7FFFFF00u);
  EXPECT_EQ(LoadPngFromMemory(bad.data(), int(bad.size())), nullptr);

  // A complete chunk of the same kind is read as usual.
  std::vector<unsigned char> text = WithChunk(png, idat, "juNK", 40000, 40000);
  text.insert(text.begin() + long(idat + 8 + 40000), 4, 0);
  const uint32_t crc = uint32_t(crc32(crc32(0, nullptr, 0), &text[idat + 4], 4 + 40000));
  PutBigEndian(text, idat + 8 + 40000, crc);
  LICE_MemBitmap* b = LoadPngFromMemory(text.data(), int(text.size()));
  ExpectPixels(b, im, "complete unknown chunk");
  delete b;

  // A hostile chunk after the image data is never reached: the image decodes.
  std::vector<unsigned char> trailing(png.begin(), png.end() - 12);
  trailing = WithChunk(trailing, trailing.size(), "tEXt", 0x7FFFFFFFu, 3);
  b = LoadPngFromMemory(trailing.data(), int(trailing.size()));
  ExpectPixels(b, im, "hostile trailing chunk");
  delete b;

  // An image cut anywhere in its end chunk still decodes.
  for (size_t cut = 1; cut <= 12; ++cut) {
    b = LoadPngFromMemory(png.data(), int(png.size() - cut));
    ExpectPixels(b, im, "end chunk cut by " + std::to_string(cut));
    delete b;
  }
}

TEST(PngDecode, LibpngHostileImagesAreRejectedWithinMilliseconds)
{
  // libpng's own collection of streams that once crashed decoders; most
  // claim chunk lengths far beyond their few dozen bytes.
  const std::string folder = std::string(VEXA_LIBPNG_TEST_IMAGES) + "/testpngs/crashers";
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    const std::vector<unsigned char> bytes = ReadFile(entry.path().string());
    ASSERT_FALSE(bytes.empty()) << name;
    LICE_MemBitmap* b = nullptr;
    const double ms = CpuMilliseconds([&] { b = LoadPngFromMemory(bytes.data(), int(bytes.size())); });
    // Unbounded, each of the huge ones takes half a second to seconds.
    EXPECT_LT(ms, 100.0) << name;
    if (name.rfind("huge_", 0) == 0 || name.rfind("bad", 0) == 0) {
      EXPECT_EQ(b, nullptr) << name;
    }
    delete b;
    ++files;
  }
  EXPECT_GE(files, 20);
}

TEST(PngDecode, LibpngConformanceImagesDecodeToTheirSize)
{
  // Every image of the conformance suite: each colour type and depth,
  // interlaced or not, with transparency, background and other ancillary
  // chunks, filters and chunk orders.
  const std::string folder = std::string(VEXA_LIBPNG_TEST_IMAGES) + "/pngsuite";
  int decoded = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().extension() != ".png") continue;
    const std::string name = entry.path().filename().string();
    const std::vector<unsigned char> bytes = ReadFile(entry.path().string());
    LICE_MemBitmap* b = LoadPngFromMemory(bytes.data(), int(bytes.size()), PngDecodeOptions{true});
    ASSERT_NE(b, nullptr) << name;
    png_image header = {};
    header.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&header, bytes.data(), bytes.size())) << name;
    EXPECT_EQ(b->Width(), int(header.width)) << name;
    EXPECT_EQ(b->Height(), int(header.height)) << name;
    png_image_free(&header);
    delete b;
    ++decoded;
  }
  EXPECT_GE(decoded, 40);
}

TEST(PngDecode, QuietDecodesPrintNothing)
{
  std::mt19937 rng(3);
  const std::vector<unsigned char> png = Encode(MakeImage(rng, PNG_COLOR_TYPE_GRAY, 8, false, false));
  std::vector<unsigned char> bad = png;
  bad[FindChunk(png, "IDAT") + 8] ^= 0x40;  // a broken compression header
  const std::string loud = CaptureStandardError([&] { delete LoadPngFromMemory(bad.data(), int(bad.size())); });
  EXPECT_NE(loud.find("libpng error"), std::string::npos) << loud;
  const std::string quiet =
    CaptureStandardError([&] { delete LoadPngFromMemory(bad.data(), int(bad.size()), PngDecodeOptions{true}); });
  EXPECT_EQ(quiet, "");
}
