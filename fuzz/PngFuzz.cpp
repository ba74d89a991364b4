// Fuzzes PNG decoding from memory: any bytes must give a complete bitmap or
// none, with nothing leaked. Each input is tried as it is, with its chunk
// CRCs repaired (so damage reaches the decoder past the checksums), and as a
// list of byte edits to a small valid image, also with repaired CRCs.
#include <png.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "raster/Png.h"

namespace
{

// Errors are the fuzzer's daily bread; printing each would dominate its time.
const PngDecodeOptions kQuiet = {true};

void Collect(png_structp png, png_bytep data, size_t n)
{
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

void NoFlush(png_structp) {}

// A 9 x 7 interlaced palette image with transparency.
std::vector<uint8_t> MakeSeed()
{
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) std::abort();
  png_set_write_fn(png, &out, Collect, NoFlush);
  png_set_IHDR(png, info, 9, 7, 4, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_color palette[16];
  png_byte alpha[16];
  for (int i = 0; i < 16; ++i) {
    palette[i] = {png_byte(i * 16), png_byte(255 - i * 16), png_byte(i * 7)};
    alpha[i] = png_byte(i * 17);
  }
  png_set_PLTE(png, info, palette, 16);
  png_set_tRNS(png, info, alpha, 16, nullptr);
  png_write_info(png, info);
  png_byte rows[7][5];
  png_bytep pointers[7];
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 5; ++x) rows[y][x] = png_byte(y * 37 + x * 11);
    pointers[y] = rows[y];
  }
  png_write_image(png, pointers);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

uint32_t Crc(const uint8_t* p, size_t n)
{
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

// Rewrites the CRC of every complete chunk after the signature.
void RepairCrcs(std::vector<uint8_t>& b)
{
  size_t i = 8;
  while (i + 12 <= b.size()) {
    const size_t len = (size_t(b[i]) << 24) | (size_t(b[i + 1]) << 16) | (size_t(b[i + 2]) << 8) | b[i + 3];
    if (len > b.size() - i - 12) return;
    const uint32_t c = Crc(&b[i + 4], len + 4);
    b[i + 8 + len] = uint8_t(c >> 24);
    b[i + 9 + len] = uint8_t(c >> 16);
    b[i + 10 + len] = uint8_t(c >> 8);
    b[i + 11 + len] = uint8_t(c);
    i += 12 + len;
  }
}

void Decode(const std::vector<uint8_t>& b)
{
  LICE_MemBitmap* bitmap = LoadPngFromMemory(b.data(), int(b.size()), kQuiet);
  if (bitmap) {
    if (bitmap->Width() < 1 || bitmap->Height() < 1 || !bitmap->Pixels()) std::abort();
    // Touch the last pixel: the whole image must be there.
    volatile PixelValue last = bitmap->Pixels()[(bitmap->Height() - 1) * bitmap->Stride() + bitmap->Width() - 1];
    (void)last;
  }
  delete bitmap;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  static const std::vector<uint8_t> seed = MakeSeed();
  if (size > (1u << 20)) return 0;
  std::vector<uint8_t> raw(data, data + size);
  LICE_MemBitmap* direct = LoadPngFromMemory(data, int(size), kQuiet);
  delete direct;
  if (size >= 8) {
    RepairCrcs(raw);
    Decode(raw);
  }
  // Edits: pairs of (position, value) applied to the seed image.
  std::vector<uint8_t> edited = seed;
  for (size_t i = 0; i + 2 < size; i += 3) {
    const size_t at = 8 + ((size_t(data[i]) << 8) | data[i + 1]) % (edited.size() - 8);
    edited[at] = data[i + 2];
  }
  if (size % 3 == 1) edited.resize(8 + size_t(data[size - 1]) * edited.size() / 256);
  RepairCrcs(edited);
  Decode(edited);
  return 0;
}
