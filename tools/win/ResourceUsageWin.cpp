#include <windows.h>
#include <psapi.h>

#include "tools/ResourceUsage.h"

namespace {

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
    r.memory = static_cast<long long>(memory.PrivateUsage);
    r.resident = static_cast<long long>(memory.WorkingSetSize);
  }
  DWORD handles = 0;
  if (GetProcessHandleCount(self, &handles)) r.handles = Reported(handles);
  HANDLE probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (probe) {
    r.nextHandle = static_cast<long long>(reinterpret_cast<uintptr_t>(probe));
    CloseHandle(probe);
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

const char* MemoryFigureName() { return "private bytes"; }

const char* HandleFigureName() { return "kernel handles"; }
