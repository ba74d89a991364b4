#pragma once
// The platform service behind LoadImageResource: the bytes of an image the
// library carries, by resource id. On Windows these are the module's
// resources of type "PNG"; elsewhere a table linked into the library at build
// time (cmake/EmbedImages.cmake). No file is read at run time.

class LICE_MemBitmap;

// Finds image resourceId. module is the library's module handle (Windows;
// null there means the executable); other platforms ignore it. On success
// *data and *size describe bytes that stay valid while the library is
// loaded. Any thread.
bool FindImageResource(void* module, int resourceId, const unsigned char** data, int* size);

// True when the text after the last '.' of name (past its first character)
// is "png" in any letter case.
bool HasPngExtension(const char* name);

// The common image step of every window layer: checks name's extension,
// finds resourceId in module, refuses fewer than 8 bytes and decodes the
// PNG. A new bitmap the caller owns, or null. Any thread.
LICE_MemBitmap* LoadEmbeddedPng(void* module, int resourceId, const char* name);
