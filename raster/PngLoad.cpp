#include "raster/Png.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

#include "raster/NativeFile.h"

namespace
{

// The libpng interface version this decoder is written against.
const char kPngInterfaceVersion[] = "1.6.19";

const unsigned char kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// A chunk: 4 bytes length and 4 bytes type, the data, a 4-byte CRC.
constexpr uint64_t kChunkHeaderBytes = 8;
constexpr uint64_t kChunkCrcBytes = 4;

// How many zero bytes the memory reader hands out past the end of the data
// before it gives up. A merely truncated stream needs a few bytes to reach
// libpng's own checks (a CRC, the next chunk header); a chunk whose length
// claims gigabytes would otherwise be zero-filled and checksummed to the end.
constexpr size_t kMaxZeroFillPastEnd = 64 * 1024;

// Read position in a PNG held in memory.
struct MemoryCursor
{
  const unsigned char* data;
  int remaining;
  size_t zeroFilled;  // bytes handed out past the end so far
};

// Hands libpng the next n bytes; past the end it reads zeros, which libpng
// rejects through its own chunk checks, up to kMaxZeroFillPastEnd in all,
// after which the read is a libpng error.
void ReadFromMemory(png_structp png, png_bytep out, size_t n)
{
  MemoryCursor* cursor = static_cast<MemoryCursor*>(png_get_io_ptr(png));
  size_t take = cursor->remaining > 0 ? static_cast<size_t>(cursor->remaining) : 0;
  if (take > n) take = n;
  const size_t zeros = n - take;
  if (zeros > kMaxZeroFillPastEnd - cursor->zeroFilled) png_error(png, "read past the end of the data");
  cursor->zeroFilled += zeros;
  if (take) std::memcpy(out, cursor->data, take);
  if (zeros) std::memset(out + take, 0, zeros);
  cursor->data += take;
  cursor->remaining -= static_cast<int>(take);
}

// Whether reading every chunk before the first image data chunk would run
// more than kMaxZeroFillPastEnd past the end of the bytes. libpng reads all
// of them before any image data, and for text and other ancillary chunks it
// first allocates and clears a buffer of the declared length, so a chunk
// claiming a gigabyte costs that much before the reader could stop it. Such a
// stream can only fail; it is refused before libpng sees it.
bool HeaderChunksRunPastEnd(const unsigned char* data, size_t length)
{
  const uint64_t limit = static_cast<uint64_t>(length) + kMaxZeroFillPastEnd;
  uint64_t pos = sizeof kPngSignature;
  while (pos + kChunkHeaderBytes <= length) {
    const unsigned char* h = data + pos;
    if (std::memcmp(h + 4, "IDAT", 4) == 0) return false;
    const uint32_t chunkLength = (static_cast<uint32_t>(h[0]) << 24) | (static_cast<uint32_t>(h[1]) << 16) |
                                 (static_cast<uint32_t>(h[2]) << 8) | h[3];
    pos += kChunkHeaderBytes + chunkLength + kChunkCrcBytes;
    if (pos > limit) return true;
  }
  return false;
}

// Error and warning handlers of quiet decodes: nothing is printed; an error
// returns to the decode's error trap as libpng's own handler does.
void SilentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void SilentWarning(png_structp, png_const_charp) {}

// Everything a decode holds, kept outside the function that arms libpng's
// error trap so nothing is lost when libpng jumps back.
struct Decode
{
  png_structp png = nullptr;
  png_infop info = nullptr;
  LICE_IBitmap* bitmap = nullptr;
  bool created = false;
  png_bytep* rows = nullptr;
  int width = 0;
  int height = 0;
};

// Reads the header, requests the transforms that turn every pixel into the
// bytes alpha, red, green, blue, and decodes the image into the bitmap
// (created here when none was given). False on any libpng error.
bool ReadImage(Decode* d)
{
  if (setjmp(png_jmpbuf(d->png))) return false;

  png_read_info(d->png, d->info);
  png_uint_32 width = 0, height = 0;
  int depth = 0, colourType = 0;
  png_get_IHDR(d->png, d->info, &width, &height, &depth, &colourType, nullptr, nullptr, nullptr);

  if (colourType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(d->png);
  if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(d->png);
  if (png_get_valid(d->png, d->info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(d->png);
    colourType |= PNG_COLOR_MASK_ALPHA;
  }
  if (depth == 16) png_set_strip_16(d->png);
  if (depth < 8) png_set_packing(d->png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(d->png);
  if (colourType & PNG_COLOR_MASK_ALPHA) {
    png_set_swap_alpha(d->png);
  } else {
    png_set_filler(d->png, 0xFF, PNG_FILLER_BEFORE);
  }

  d->width = static_cast<int>(width);
  d->height = static_cast<int>(height);
  if (!d->bitmap) {
    d->bitmap = new (std::nothrow) LICE_MemBitmap(d->width, d->height, 3);
    if (!d->bitmap) return false;
    d->created = true;
  } else {
    d->bitmap->Resize(d->width, d->height);
  }
  if (d->bitmap->Width() != d->width || d->bitmap->Height() != d->height || !d->bitmap->Pixels()) return false;

  d->rows = static_cast<png_bytep*>(std::malloc(sizeof(png_bytep) * static_cast<size_t>(d->height)));
  if (!d->rows) return false;
  for (int y = 0; y < d->height; ++y) d->rows[y] = reinterpret_cast<png_bytep>(LICE_RowAddress(d->bitmap, y));

  png_read_image(d->png, d->rows);
  return true;
}

// Turns the decoded bytes alpha, red, green, blue into 0xAARRGGBB words.
void ToPixelWords(png_bytep* rows, int width, int height)
{
  for (int y = 0; y < height; ++y) {
    unsigned char* p = rows[y];
    for (int x = 0; x < width; ++x, p += 4) {
      const PixelValue v = (static_cast<PixelValue>(p[0]) << 24) | (static_cast<PixelValue>(p[1]) << 16) |
                           (static_cast<PixelValue>(p[2]) << 8) | p[3];
      std::memcpy(p, &v, sizeof v);
    }
  }
}

// Runs a decode whose reader has been installed by setup; releases libpng's
// structures and, on failure, the bitmap created here.
template <class Setup>
LICE_IBitmap* RunDecode(LICE_IBitmap* given, const PngDecodeOptions& options, Setup setup)
{
  Decode d;
  d.bitmap = given;
  d.png = options.quiet ? png_create_read_struct(kPngInterfaceVersion, nullptr, SilentError, SilentWarning)
                        : png_create_read_struct(kPngInterfaceVersion, nullptr, nullptr, nullptr);
  if (!d.png) return nullptr;
  d.info = png_create_info_struct(d.png);
  if (!d.info) {
    png_destroy_read_struct(&d.png, nullptr, nullptr);
    return nullptr;
  }
  setup(d.png);
  const bool ok = ReadImage(&d);
  png_destroy_read_struct(&d.png, &d.info, nullptr);
  if (!ok) {
    if (d.created) delete d.bitmap;
    std::free(d.rows);
    return nullptr;
  }
  ToPixelWords(d.rows, d.width, d.height);
  std::free(d.rows);
  return d.bitmap;
}

LICE_IBitmap* LoadPngFileEntry(const char* name, bool checkExtension, LICE_IBitmap* bitmap)
{
  return LoadPngFile(name, checkExtension, bitmap);
}

ImageLoaderNode* gLoaders = nullptr;

// Puts the PNG loader at the head of the loader list during start-up.
struct PngLoaderRegistration
{
  ImageLoaderNode node;
  PngLoaderRegistration()
  {
    node.load = LoadPngFileEntry;
    node.description = PngFileFilterText;
    node.next = gLoaders;
    gLoaders = &node;
  }
};

PngLoaderRegistration gPngLoader;

}  // namespace

LICE_MemBitmap* LoadPngFromMemory(const void* data, int length)
{
  return LoadPngFromMemory(data, length, PngDecodeOptions());
}

LICE_MemBitmap* LoadPngFromMemory(const void* data, int length, const PngDecodeOptions& options)
{
  if (!data || length < 8 || std::memcmp(data, kPngSignature, sizeof kPngSignature) != 0) return nullptr;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  if (HeaderChunksRunPastEnd(bytes, static_cast<size_t>(length))) return nullptr;
  MemoryCursor cursor = {bytes, length, 0};
  LICE_IBitmap* b =
    RunDecode(nullptr, options, [&cursor](png_structp png) { png_set_read_fn(png, &cursor, ReadFromMemory); });
  return static_cast<LICE_MemBitmap*>(b);
}

LICE_IBitmap* LoadPngFromFile(const char* name, LICE_IBitmap* bitmap)
{
  if (!name) return nullptr;
  FILE* f = NativeOpenFileForReading(name);
  if (!f) return nullptr;
  LICE_IBitmap* b = RunDecode(bitmap, PngDecodeOptions(), [f](png_structp png) { png_init_io(png, f); });
  std::fclose(f);
  return b;
}

LICE_IBitmap* LoadPngFile(const char* name, bool checkExtension, LICE_IBitmap* bitmap)
{
  if (!name) return nullptr;
  if (checkExtension) {
    int i = static_cast<int>(std::strlen(name)) - 1;
    while (i > 0 && name[i] != '.' && name[i] != '/' && name[i] != '\\') --i;
    if (i < 0) return nullptr;
    const char* ext = name + i;
    static const char kPng[] = ".png";
    for (int k = 0; k < 5; ++k) {
      char c = ext[k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
      if (c != kPng[k]) return nullptr;
    }
  }
  return LoadPngFromFile(name, bitmap);
}

const char* PngFileFilterText() { return "PNG files (*.PNG)"; }

ImageLoaderNode* ImageLoaders() { return gLoaders; }
