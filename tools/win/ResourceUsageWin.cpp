#include <windows.h>
#include <psapi.h>

#include "tools/ResourceUsage.h"

namespace {

// The table index in a GDI handle; the bits above count the entry's reuses.
constexpr uintptr_t kGdiIndexMask = 0xFFFF;

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
  ++*reinterpret_cast<long long*>(count);
  return TRUE;
}

BOOL CALLBACK CountTop(HWND w, LPARAM count)
{
  ++*reinterpret_cast<long long*>(count);
  EnumChildWindows(w, CountChild, count);
  return TRUE;
}

// Committed private memory, region by region over the address space: what
// private bytes means, also where the system's own figure reads 0 (Wine).
long long CommittedPrivateBytes()
{
  long long total = 0;
  MEMORY_BASIC_INFORMATION region;
  const char* at = nullptr;
  while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += static_cast<long long>(region.RegionSize);
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return total;
}

// A count of 0 means the system does not keep it: every process has a few
// handles, and one with windows has USER objects.
long long Reported(DWORD count) { return count > 0 ? static_cast<long long>(count) : -1; }

}  // namespace

ResourceUsage MeasureResources()
{
  ResourceUsage r;
  HANDLE self = GetCurrentProcess();
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
    r.resident = static_cast<long long>(memory.WorkingSetSize);
    r.peakResident = static_cast<long long>(memory.PeakWorkingSetSize);
  }
  r.memory = CommittedPrivateBytes();
  DWORD handles = 0;
  if (GetProcessHandleCount(self, &handles)) r.handles = Reported(handles);
  HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (probe) {
    r.nextHandle = static_cast<long long>(reinterpret_cast<uintptr_t>(probe));
    CloseHandle(probe);
  }
  if (HRGN region = CreateRectRgn(0, 0, 1, 1)) {
    r.nextGdiHandle = static_cast<long long>(reinterpret_cast<uintptr_t>(region) & kGdiIndexMask);
    DeleteObject(region);
  }
  const DWORD gdi = GetGuiResources(self, GR_GDIOBJECTS);
  const DWORD user = GetGuiResources(self, GR_USEROBJECTS);
  if (gdi > 0 || user > 0) {
    r.gdiObjects = gdi;
    r.userObjects = user;
  }
  r.windows = 0;
  EnumThreadWindows(GetCurrentThreadId(), CountTop, reinterpret_cast<LPARAM>(&r.windows));
  return r;
}

const char* MemoryFigureName() { return "committed private bytes"; }

const char* HandleFigureName() { return "kernel handles"; }
