// vexa-editor-picture OUT.png: builds Vexa's editor without a window, draws
// it with every parameter at its default and writes what it drew to OUT.png
// (opaque RGB, as a window shows it). Needs no window system.
#include <png.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "graphics/Graphics.h"
#include "plugin/Vexa.h"
#include "plugin/VexaEditor.h"
#include "raster/Bitmap.h"

namespace {

// Bytes per pixel in the written file: blue, green, red.
constexpr int kBgrBytes = 3;

IGraphics* MakeWindowless(IPlugBase* plug, int width, int height, int frameRate)
{
  return new (std::nothrow) IGraphics(plug, width, height, frameRate);
}

bool gBuilt = false;
void BuildWindowless(Vexa& plug) { gBuilt = BuildVexaEditor(plug, MakeWindowless); }

VstIntPtr SilentHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 0; }

// The surface's pixels, top row first, without alpha.
std::vector<unsigned char> BgrRows(LICE_IBitmap* surface)
{
  const int w = surface->Width(), h = surface->Height();
  std::vector<unsigned char> out(static_cast<size_t>(w) * h * kBgrBytes);
  for (int y = 0; y < h; ++y) {
    const int row = surface->IsBottomUp() ? h - 1 - y : y;
    const PixelValue* p = surface->Pixels() + static_cast<size_t>(row) * surface->Stride();
    unsigned char* o = &out[static_cast<size_t>(y) * w * kBgrBytes];
    for (int x = 0; x < w; ++x) {
      o[x * kBgrBytes + 0] = static_cast<unsigned char>(p[x]);
      o[x * kBgrBytes + 1] = static_cast<unsigned char>(p[x] >> 8);
      o[x * kBgrBytes + 2] = static_cast<unsigned char>(p[x] >> 16);
    }
  }
  return out;
}

bool WritePicture(LICE_IBitmap* surface, const char* path)
{
  const std::vector<unsigned char> rows = BgrRows(surface);
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(surface->Width());
  image.height = static_cast<png_uint_32>(surface->Height());
  image.format = PNG_FORMAT_BGR;
  const int ok = png_image_write_to_file(&image, path, 0, rows.data(), surface->Width() * kBgrBytes, nullptr);
  png_image_free(&image);
  return ok != 0;
}

constexpr const char* kUsage = "usage: vexa-editor-picture OUT.png\n";

}  // namespace

int main(int argc, char** argv)
{
  if (argc == 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // An option is never taken for the picture's path.
  if (argc != 2 || argv[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  Vexa* vexa = new (std::nothrow) Vexa(SilentHost, BuildWindowless);
  IGraphics* editor = vexa ? static_cast<IGraphics*>(vexa->Editor()) : nullptr;
  if (!gBuilt || !editor || !editor->Surface()) {
    std::fprintf(stderr, "vexa-editor-picture: the editor could not be built\n");
    delete vexa;
    return 1;
  }
  editor->RedrawArea(IArea{0, 0, editor->Width(), editor->Height()});
  const bool written = WritePicture(editor->Surface(), argv[1]);
  delete vexa;
  if (!written) {
    std::fprintf(stderr, "vexa-editor-picture: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
