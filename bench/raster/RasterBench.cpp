// Speed of the commonest editor draws and of PNG decoding (a film strip, and
// the editor's twelve images), each next to a baseline: a plain memcpy of the
// same bytes, and libpng's simplified reader on the same file.
#include <benchmark/benchmark.h>
#include <png.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bench/PairTimer.h"
#include "graphics/ImageLookup.h"
#include "raster/Bitmap.h"
#include "raster/Blit.h"
#include "raster/Png.h"

namespace
{

constexpr int kSurfaceW = 764, kSurfaceH = 222;
constexpr int kKnobW = 66, kKnobH = 72;
constexpr int kStripW = 67, kStripH = 4392, kFrameH = 72;
constexpr int kFirstImageId = 101, kEditorImages = 12;

void Fill(LICE_IBitmap& b, uint32_t seed)
{
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      b.Pixels()[y * b.Stride() + x] = seed;
    }
  }
}

// One knob frame: a shaded disc with a soft edge and a pointer at angle a,
// transparent around it. Returns 0xAARRGGBB.
PixelValue KnobPixel(int x, int y, int w, int h, double a)
{
  const double cx = (w - 1) / 2.0, cy = (h - 1) / 2.0, r = std::min(w, h) / 2.0 - 2.0;
  const double dx = x - cx, dy = y - cy, d = std::sqrt(dx * dx + dy * dy);
  const double edge = std::max(0.0, std::min(1.0, r - d + 0.5));
  if (edge <= 0.0) return 0;
  const double shade = 0.55 + 0.35 * (-dx - dy) / (2.0 * r);
  int g = int(255.0 * std::max(0.0, std::min(1.0, shade)));
  // The pointer: a band along angle a from the centre.
  const double px = std::cos(a), py = std::sin(a);
  const double along = dx * px + dy * py, across = std::fabs(-dx * py + dy * px);
  if (along > r * 0.25 && along < r * 0.9 && across < 2.0) g = 250;
  const int alpha = int(255.0 * edge);
  return (PixelValue(alpha) << 24) | (PixelValue(g) << 16) | (PixelValue(g * 9 / 10) << 8) | PixelValue(g * 3 / 4);
}

void Collect(png_structp png, png_bytep data, size_t n)
{
  auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}

void NoFlush(png_structp) {}

// A film strip of 61 knob frames stacked top to bottom, as an RGBA PNG.
const std::vector<unsigned char>& FilmStrip()
{
  static const std::vector<unsigned char> file = [] {
    std::vector<unsigned char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) std::abort();
    png_set_write_fn(png, &out, Collect, NoFlush);
    png_set_IHDR(png, info, kStripW, kStripH, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(kStripW * 4);
    for (int y = 0; y < kStripH; ++y) {
      const int frame = y / kFrameH;
      const double a = 2.356 + frame * (4.712 / (kStripH / kFrameH - 1));
      for (int x = 0; x < kStripW; ++x) {
        const PixelValue p = KnobPixel(x, y % kFrameH, kStripW, kFrameH, a);
        row[x * 4 + 0] = png_byte(p >> 16);
        row[x * 4 + 1] = png_byte(p >> 8);
        row[x * 4 + 2] = png_byte(p);
        row[x * 4 + 3] = png_byte(p >> 24);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
  }();
  return file;
}

void BM_BlitOpaqueSurface(benchmark::State& state)
{
  LICE_MemBitmap src(kSurfaceW, kSurfaceH, 3);
  LICE_SysBitmap dst(kSurfaceW, kSurfaceH);
  Fill(src, 1);
  for (auto _ : state) {
    BlitBitmap(&dst, &src, 0, 0, nullptr, 1.0f, 0);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(kSurfaceW) * kSurfaceH * 4);
}
BENCHMARK(BM_BlitOpaqueSurface);

void BM_MemcpySurface(benchmark::State& state)
{
  std::vector<PixelValue> src(size_t(kSurfaceW) * kSurfaceH), dst(src.size());
  for (size_t i = 0; i < src.size(); ++i) src[i] = PixelValue(i * 2654435761u);
  for (auto _ : state) {
    std::memcpy(dst.data(), src.data(), src.size() * sizeof(PixelValue));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * int64_t(src.size()) * 4);
}
BENCHMARK(BM_MemcpySurface);

void BM_BlitKnobFrameSourceAlpha(benchmark::State& state)
{
  LICE_MemBitmap frame(kKnobW, kKnobH, 3);
  for (int y = 0; y < kKnobH; ++y) {
    for (int x = 0; x < kKnobW; ++x) frame.Pixels()[y * frame.Stride() + x] = KnobPixel(x, y, kKnobW, kKnobH, 1.0);
  }
  LICE_SysBitmap surface(kSurfaceW, kSurfaceH);
  Fill(surface, 7);
  for (auto _ : state) {
    BlitBitmap(&surface, &frame, 100, 60, nullptr, 1.0f, SourceAlphaFlag);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kKnobW) * kKnobH);
}
BENCHMARK(BM_BlitKnobFrameSourceAlpha);

// Our loader on one PNG file; false when it fails.
bool DecodeOurs(const unsigned char* data, int size)
{
  LICE_MemBitmap* b = LoadPngFromMemory(data, size);
  if (!b) return false;
  benchmark::DoNotOptimize(b->Pixels());
  delete b;
  return true;
}

// libpng's simplified reader on the same file, into the same pixel layout
// (bytes blue, green, red, alpha) and allocated like the bitmap: 63 bytes of
// alignment slack. False when it fails.
bool DecodeSimplified(const unsigned char* data, int size)
{
  constexpr size_t kAlignmentSlack = 63;
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data, static_cast<size_t>(size))) return false;
  image.format = PNG_FORMAT_BGRA;
  void* pixels = std::malloc(PNG_IMAGE_SIZE(image) + kAlignmentSlack);
  const bool ok = pixels && png_image_finish_read(&image, nullptr, pixels, 0, nullptr);
  if (!ok) png_image_free(&image);
  benchmark::DoNotOptimize(pixels);
  std::free(pixels);
  return ok;
}

void DecodeFilmStrip(benchmark::State& state, bool (*decode)(const unsigned char*, int))
{
  const std::vector<unsigned char>& file = FilmStrip();
  for (auto _ : state) {
    if (!decode(file.data(), int(file.size()))) {
      state.SkipWithError("decode failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * int64_t(kStripW) * kStripH);
}

void BM_DecodeFilmStrip(benchmark::State& state) { DecodeFilmStrip(state, DecodeOurs); }
BENCHMARK(BM_DecodeFilmStrip)->Unit(benchmark::kMillisecond);

void BM_DecodeFilmStripSimplifiedApi(benchmark::State& state) { DecodeFilmStrip(state, DecodeSimplified); }
BENCHMARK(BM_DecodeFilmStripSimplifiedApi)->Unit(benchmark::kMillisecond);

// The editor's twelve images, as embedded in this program: all of them
// decoded by our loader, then all by the simplified reader, in turn.
void BM_DecodeEditorImages(benchmark::State& state)
{
  struct File
  {
    const unsigned char* data = nullptr;
    int size = 0;
  };
  std::vector<File> files;
  for (int id = kFirstImageId; id < kFirstImageId + kEditorImages; ++id) {
    File f;
    if (!FindImageResource(nullptr, id, &f.data, &f.size)) {
      state.SkipWithError("an editor image is not embedded");
      return;
    }
    files.push_back(f);
  }
  auto all = [&](bool (*decode)(const unsigned char*, int)) {
    bool ok = true;
    for (const File& f : files) ok = decode(f.data, f.size) && ok;
    return ok;
  };
  bench::PairTimes times;
  bool ok = true;
  for (auto _ : state) {
    times.Round([&] { ok = all(DecodeOurs) && ok; }, [&] { ok = all(DecodeSimplified) && ok; });
  }
  if (!ok) state.SkipWithError("decode failed");
  times.Report(state, "ours", "simplified", "ratio");
}
BENCHMARK(BM_DecodeEditorImages)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
