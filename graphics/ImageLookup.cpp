#include "graphics/ImageLookup.h"

#include <cstring>

#include "raster/Png.h"

namespace {

// The PNG signature alone is 8 bytes; nothing shorter can be an image.
constexpr int kMinImageBytes = 8;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool HasPngExtension(const char* name)
{
  if (!name || !*name) return false;
  size_t p = std::strlen(name) - 1;
  while (p > 0 && name[p] != '.') --p;
  const char* ext = name + p + 1;
  const char* png = "png";
  for (; *ext && *png; ++ext, ++png) {
    if (Lower(*ext) != *png) return false;
  }
  return *ext == 0 && *png == 0;
}

LICE_MemBitmap* LoadEmbeddedPng(void* module, int resourceId, const char* name)
{
  if (!HasPngExtension(name)) return nullptr;
  const unsigned char* data = nullptr;
  int size = 0;
  if (!FindImageResource(module, resourceId, &data, &size) || !data || size < kMinImageBytes) return nullptr;
  return LoadPngFromMemory(data, size);
}
