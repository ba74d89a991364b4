// Writes the images the editor tests embed, into the folder given as the
// only argument:
//   strip.png   a 4 x 18 strip of three 4 x 6 frames: red, green, blue
//   glass.png   a 5 x 5 white image whose centre pixel is half transparent
//   junk.png    bytes that are not an image
//   short.png   7 bytes, fewer than any image
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kStripWidth = 4;
constexpr int kFrameHeight = 6;
constexpr int kStripFrames = 3;
constexpr int kGlassSize = 5;
constexpr unsigned char kHalf = 128;

// Rows of straight RGBA bytes.
using Rgba = std::vector<unsigned char>;

bool WritePng(const std::string& path, int width, int height, const Rgba& pixels)
{
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) png_write_row(png, &pixels[static_cast<size_t>(y) * width * 4]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool WriteBytes(const std::string& path, const char* bytes, size_t n)
{
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(bytes, 1, n, f) == n;
  return std::fclose(f) == 0 && ok;
}

Rgba Strip()
{
  const unsigned char colours[kStripFrames][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  Rgba p;
  for (int y = 0; y < kFrameHeight * kStripFrames; ++y) {
    for (int x = 0; x < kStripWidth; ++x) {
      const unsigned char* c = colours[y / kFrameHeight];
      p.insert(p.end(), {c[0], c[1], c[2], 255});
    }
  }
  return p;
}

Rgba Glass()
{
  Rgba p(static_cast<size_t>(kGlassSize) * kGlassSize * 4, 255);
  p[(static_cast<size_t>(kGlassSize / 2) * kGlassSize + kGlassSize / 2) * 4 + 3] = kHalf;
  return p;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_test_images <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  const char junk[] = "these bytes are no image at all";
  const bool ok = WritePng(dir + "/strip.png", kStripWidth, kFrameHeight * kStripFrames, Strip()) &&
                  WritePng(dir + "/glass.png", kGlassSize, kGlassSize, Glass()) &&
                  WriteBytes(dir + "/junk.png", junk, sizeof junk - 1) &&
                  WriteBytes(dir + "/short.png", "\x89PNG\r\n\x1a", 7);
  if (!ok) std::fprintf(stderr, "make_test_images: cannot write into %s\n", dir.c_str());
  return ok ? 0 : 1;
}
