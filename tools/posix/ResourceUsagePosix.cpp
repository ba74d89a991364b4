#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cstdio>

#include "tools/ResourceUsage.h"

namespace {

// Entries of /proc/self/fd, the directory's own descriptor while it is read
// not counted.
long long OpenDescriptors()
{
  DIR* d = opendir("/proc/self/fd");
  if (!d) return -1;
  long long n = 0;
  while (const dirent* entry = readdir(d)) {
    if (entry->d_name[0] != '.') ++n;
  }
  closedir(d);
  return n - 1;
}

// The resident set from /proc/self/statm (its second figure, in pages).
long long ResidentBytes()
{
  FILE* f = std::fopen("/proc/self/statm", "r");
  if (!f) return -1;
  long long size = 0, resident = -1;
  if (std::fscanf(f, "%lld %lld", &size, &resident) != 2) resident = -1;
  std::fclose(f);
  return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE);
}

// The resident set's high-water mark from /proc/self/status ("VmHWM:",
// in KiB).
long long PeakResidentBytes()
{
  constexpr long long kKiB = 1024;
  FILE* f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long long kib = -1;
  while (kib < 0 && std::fgets(line, sizeof line, f)) {
    if (std::sscanf(line, "VmHWM: %lld", &kib) != 1) kib = -1;
  }
  std::fclose(f);
  return kib < 0 ? -1 : kib * kKiB;
}

}  // namespace

ResourceUsage MeasureResources()
{
  ResourceUsage r;
  // Chunks the allocator mapped on their own count too: after the first
  // large block is freed it serves blocks of that size from the heap.
  const struct mallinfo2 heap = mallinfo2();
  // An allocator of its own (a sanitizer's) leaves the C library's figures
  // at zero: not reported then.
  const long long held = static_cast<long long>(heap.uordblks + heap.hblkhd);
  r.memory = held > 0 ? held : -1;
  r.resident = ResidentBytes();
  r.peakResident = PeakResidentBytes();
  r.handles = OpenDescriptors();
  return r;
}

const char* MemoryFigureName() { return "heap in use"; }

const char* HandleFigureName() { return "open file descriptors"; }
