// Global allocation for the fuzz targets that build a fresh instance per
// input. An instance is about a megabyte; the sanitizer's allocator maps and
// unmaps every block that large, and faulting in a fresh megabyte for each
// input costs more than the input itself. Large blocks are therefore kept
// for the next input, poisoned while unused so that a use after effClose is
// still reported. Single-threaded, like the fuzz targets.
#include <sanitizer/asan_interface.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace
{

// Blocks at least this large are kept; a few of them at a time.
constexpr size_t kKeptBlockBytes = 256 * 1024;
constexpr int kKeptBlocks = 4;

struct KeptBlock
{
  void* p = nullptr;
  size_t size = 0;
  bool inUse = false;
};

KeptBlock gKept[kKeptBlocks];

void* Allocate(size_t n)
{
  if (n >= kKeptBlockBytes) {
    for (KeptBlock& b : gKept) {
      if (b.p && !b.inUse && b.size == n) {
        b.inUse = true;
        ASAN_UNPOISON_MEMORY_REGION(b.p, n);
        return b.p;
      }
    }
  }
  void* p = std::malloc(n ? n : 1);
  if (p && n >= kKeptBlockBytes) {
    for (KeptBlock& b : gKept) {
      if (!b.p) {
        b = KeptBlock{p, n, true};
        break;
      }
    }
  }
  return p;
}

void Release(void* p)
{
  if (!p) return;
  for (KeptBlock& b : gKept) {
    if (b.p == p) {
      b.inUse = false;
      ASAN_POISON_MEMORY_REGION(p, b.size);
      return;
    }
  }
  std::free(p);
}

}  // namespace

void* operator new(size_t n)
{
  void* p = Allocate(n);
  if (!p) throw std::bad_alloc();
  return p;
}
void* operator new[](size_t n) { return operator new(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t) noexcept { Release(p); }
void operator delete[](void* p, size_t) noexcept { Release(p); }

