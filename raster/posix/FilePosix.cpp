#include "raster/NativeFile.h"

FILE* NativeOpenFileForReading(const char* name) { return std::fopen(name, "rb"); }
