#pragma once
// Opening files by UTF-8 name. Implemented per platform (FileWin.cpp,
// FilePosix.cpp). Any thread may call it.

#include <cstdio>

// Opens name for reading in binary mode, or returns null. On Windows the name
// is converted to UTF-16 first (strictly, at most kMaxWidePath units) and the
// narrow name is tried when that fails. The caller closes the file.
FILE* NativeOpenFileForReading(const char* name);

constexpr int kMaxWidePath = 2048;
