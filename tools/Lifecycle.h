#pragma once
// `vexa-host lifecycle`: many cycles of what a host session does to a
// plug-in (create, open the editor, process, close the editor, destroy),
// with two instances alive at a time, and what the process holds compared
// between the first and the last cycle.

#include "tools/EditorHost.h"

// Fewest cycles a run makes: the values new handles get settle over the
// first few, and the comparison starts from about the middle cycle.
constexpr int kLifecycleMinimumCycles = 20;

struct LifecycleOptions
{
  int cycles = 500;
  // Growth of the memory figure between the first and the last cycle that
  // still counts as flat, in bytes. Vexa's 500 cycles grow it by a few KiB
  // on Linux (the X library's one-off tables) and not at all under Wine; a
  // leak of 512 bytes a cycle exceeds it.
  long long memoryBound = 256 << 10;
  // How long the open editor is driven (its timer, its paints) in every
  // cycle.
  int driveMilliseconds = kCheckDriveMilliseconds;
};

// Loads the module at path, runs the cycles, prints the figures after the
// first and the last cycle and one PASS or FAIL line per comparison.
// Returns true when everything stayed flat and nothing failed. Main thread.
bool RunLifecycle(const char* path, const LifecycleOptions& options);
