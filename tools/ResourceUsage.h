#pragma once
// What the process holds at one moment, read from the system, for the leak
// checks of the lifecycle run and the editor tests (tools/posix, tools/win).

// One reading. A figure of -1 is not reported on this system (Wine, for
// one, counts no GDI or USER objects).
struct ResourceUsage
{
  // Bytes the program holds: heap in use (Linux), private bytes (Windows).
  long long memory = -1;
  // Resident set (Linux) or working set (Windows), bytes.
  long long resident = -1;
  // The largest the resident or working set has been since the process
  // started, bytes.
  long long peakResident = -1;
  // Open file descriptors, display connections included (Linux); kernel
  // handles (Windows).
  long long handles = -1;
  // The value the next kernel handle would get (Windows): it moves up only
  // while handles stay open, so it shows leaks where counts are missing.
  long long nextHandle = -1;
  // The table index the next GDI object would get (Windows): shows GDI
  // leaks where the count is missing (Wine), as nextHandle does for handles.
  long long nextGdiHandle = -1;
  long long gdiObjects = -1;
  long long userObjects = -1;
  // Windows of the calling thread, children included (Windows).
  long long windows = -1;
};

// Reads every figure this system reports. Any thread; no lock.
ResourceUsage MeasureResources();
// What ResourceUsage::memory stands for here, for reports.
const char* MemoryFigureName();
// What ResourceUsage::handles stands for here, for reports.
const char* HandleFigureName();
