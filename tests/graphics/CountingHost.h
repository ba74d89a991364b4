#pragma once
// What the editor-thread tests share: a host that counts the edit calls the
// plug-in makes from the audio and the UI thread at once, and how long their
// runs last.

#include <cstdlib>
#include <mutex>

#include "vst/VstDefs.h"

namespace threaded {

// Begin-edit, end-edit and automate calls, counted under the host's lock:
// they arrive from both threads. One per test program (the callback has no
// other way to find it); read the counts under the lock.
struct CountingHost
{
  std::mutex lock;
  int begins = 0, ends = 0, automates = 0;
};

inline CountingHost gCountingHost;

inline VstIntPtr CountingHostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
  std::lock_guard<std::mutex> g(gCountingHost.lock);
  if (opcode == audioMasterBeginEdit) ++gCountingHost.begins;
  if (opcode == audioMasterEndEdit) ++gCountingHost.ends;
  if (opcode == audioMasterAutomate) ++gCountingHost.automates;
  if (opcode == audioMasterVersion) return kVstVersion;
  return 0;
}

// How long a run of the threads lasts: VEXA_STRESS_SECONDS when set to a
// positive number, else fallback.
inline double StressSeconds(double fallback)
{
  const char* s = std::getenv("VEXA_STRESS_SECONDS");
  const double v = s ? std::atof(s) : 0.0;
  return v > 0.0 ? v : fallback;
}

}  // namespace threaded
