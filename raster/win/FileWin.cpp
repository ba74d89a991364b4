#include <windows.h>

#include "raster/NativeFile.h"

FILE* NativeOpenFileForReading(const char* name)
{
  wchar_t wide[kMaxWidePath];
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, kMaxWidePath);
  if (n > 0) {
    if (FILE* f = _wfopen(wide, L"rb")) return f;
  }
  return std::fopen(name, "rb");
}
