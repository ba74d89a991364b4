// Image lookup where images are linked into the library as tables.
#include "graphics/ImageLookup.h"
#include "graphics/posix/EmbeddedImages.h"

namespace {

// Constant-initialised, so it is valid before any registering initialiser.
EmbeddedImageTable* gTables = nullptr;

}  // namespace

void RegisterEmbeddedImages(EmbeddedImageTable* table)
{
  if (!table) return;
  table->next = gTables;
  gTables = table;
}

bool FindImageResource(void*, int resourceId, const unsigned char** data, int* size)
{
  for (const EmbeddedImageTable* t = gTables; t; t = t->next) {
    for (int i = 0; i < t->count; ++i) {
      if (t->images[i].resourceId != resourceId) continue;
      if (data) *data = t->images[i].data;
      if (size) *size = t->images[i].size;
      return true;
    }
  }
  return false;
}
