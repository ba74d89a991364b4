#pragma once
// The table of images linked into a library or program at build time. The
// sources that cmake/EmbedImages.cmake generates register their table from a
// static initialiser; FindImageResource searches every registered table.

// One embedded image: its resource id and its PNG bytes.
struct EmbeddedImage
{
  int resourceId;
  const unsigned char* data;
  int size;
};

// A generated table. Static storage, never freed; registration links it
// into the process-wide list through next.
struct EmbeddedImageTable
{
  const EmbeddedImage* images;
  int count;
  EmbeddedImageTable* next;
};

// Adds table to the list. Called only during static initialisation, before
// any lookup; the list is read-only afterwards and may be read from any
// thread.
void RegisterEmbeddedImages(EmbeddedImageTable* table);
