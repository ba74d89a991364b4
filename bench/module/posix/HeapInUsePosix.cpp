// Heap bytes in use from the C library's allocator statistics: the small
// blocks of the main arena plus the blocks it maps on their own.
#include <malloc.h>

#include "bench/module/HeapInUse.h"

size_t HeapBytesInUse()
{
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}
