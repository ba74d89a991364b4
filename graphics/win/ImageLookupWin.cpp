// Image lookup on Windows: the module's resources of type "PNG".
#include <windows.h>

#include <climits>

#include "graphics/ImageLookup.h"

namespace {

// Resource ids are 16-bit numbers.
constexpr int kMaxResourceId = 0xFFFF;

}  // namespace

bool FindImageResource(void* module, int resourceId, const unsigned char** data, int* size)
{
  if (resourceId < 0 || resourceId > kMaxResourceId) return false;
  HMODULE m = static_cast<HMODULE>(module);
  HRSRC found = FindResourceA(m, MAKEINTRESOURCEA(resourceId), "PNG");
  if (!found) return false;
  const DWORD bytes = SizeofResource(m, found);
  if (bytes == 0 || bytes > static_cast<DWORD>(INT_MAX)) return false;
  HGLOBAL loaded = LoadResource(m, found);
  const void* address = loaded ? LockResource(loaded) : nullptr;
  if (!address) return false;
  if (data) *data = static_cast<const unsigned char*>(address);
  if (size) *size = static_cast<int>(bytes);
  return true;
}
