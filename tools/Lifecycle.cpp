#include "tools/Lifecycle.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "tools/CrashReport.h"
#include "tools/EditorHost.h"
#include "tools/ResourceUsage.h"
#include "tools/Validation.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
constexpr int kBlocksPerCycle = 4;
constexpr long long kKiB = 1024;

std::string Figure(long long value, const char* unit = "")
{
  return value < 0 ? std::string("not reported") : std::to_string(value) + unit;
}

void PrintUsage(const char* when, const ResourceUsage& r)
{
  std::printf("after %s: %s %s, resident %s, %s %s, GDI objects %s, USER objects %s\n", when,
              MemoryFigureName(), Figure(r.memory, " bytes").c_str(),
              Figure(r.resident < 0 ? -1 : r.resident / kKiB, " KiB").c_str(), HandleFigureName(),
              Figure(r.handles).c_str(), Figure(r.gdiObjects).c_str(), Figure(r.userObjects).c_str());
}

// Compares one figure that must not change between two readings; figures
// not reported pass with that said.
bool Same(const char* what, long long before, long long after, const char* since)
{
  if (before < 0 || after < 0) {
    std::printf("PASS lifecycle: %s: not reported here\n", what);
    return true;
  }
  const bool same = before == after;
  std::printf("%s lifecycle: %s: %lld after %s, %lld after the last\n", same ? "PASS" : "FAIL", what, before, since,
              after);
  return same;
}

// The cycle whose readings the last cycle's values of new handles are
// compared with: about the middle, an even number of cycles before the
// last. The values settle only while the system fills caches of its own
// over the first few cycles; after that they alternate from one cycle to
// the next under Wine (the two instances alive free their objects in
// turn, and a new object takes the last one freed), so only cycles of the
// same parity give the same value when nothing leaks.
int MiddleCycle(int cycles)
{
  const int middle = (cycles + 1) / 2;
  return (cycles - middle) % 2 ? middle + 1 : middle;
}

// Counts and memory compare the first cycle with the last; the values new
// handles get compare the middle cycle with the last, which a leak of one
// object in every cycle still moves by half the cycles.
bool Compare(const ResourceUsage& first, const ResourceUsage& middle, const ResourceUsage& last, int cycles,
             long long bound)
{
  bool ok = true;
  if (first.memory >= 0 && last.memory >= 0) {
    const long long growth = last.memory - first.memory;
    const bool flat = growth < bound;
    std::printf("%s lifecycle: memory: %s grew by %lld bytes over the last %d cycles (bound %lld)\n",
                flat ? "PASS" : "FAIL", MemoryFigureName(), growth, cycles - 1, bound);
    ok &= flat;
  } else {
    std::printf("PASS lifecycle: memory: not reported here\n");
  }
  const char* kFirst = "the first cycle";
  const std::string middleCycle = "cycle " + std::to_string(MiddleCycle(cycles));
  ok &= Same(HandleFigureName(), first.handles, last.handles, kFirst);
  ok &= Same("GDI objects", first.gdiObjects, last.gdiObjects, kFirst);
  ok &= Same("USER objects", first.userObjects, last.userObjects, kFirst);
  ok &= Same("windows", first.windows, last.windows, kFirst);
  ok &= Same("next handle value", middle.nextHandle, last.nextHandle, middleCycle.c_str());
  ok &= Same("next GDI handle index", middle.nextGdiHandle, last.nextGdiHandle, middleCycle.c_str());
  return ok;
}

// One cycle's work on the new instance b while a is alive: open b's editor,
// process, close the editor. False with why set on failure.
bool Exercise(ValidatedInstance& a, ValidatedInstance& b, EditorHostFrame* frame, int driveMilliseconds,
              HostBuffers& buffers, long long& pos, OutputCheck& check, std::string& why)
{
  if (frame && !frame->Open(b.Effect())) {
    why = frame->Error();
    return false;
  }
  for (int k = 0; k < kBlocksPerCycle; ++k) {
    buffers.FillInputs(pos, kBlock, kRate, false);
    buffers.Process(b.Effect(), kBlock, false, check);
    buffers.Process(a.Effect(), kBlock, false, check);
    pos += kBlock;
  }
  if (frame) {
    frame->Drive(driveMilliseconds);
    frame->Close();
  }
  return true;
}

}  // namespace

bool RunLifecycle(const char* path, const LifecycleOptions& options)
{
  if (options.cycles < kLifecycleMinimumCycles) {
    std::printf("FAIL lifecycle: %d cycles asked for, at least %d needed\n", options.cycles, kLifecycleMinimumCycles);
    return false;
  }
  InstallCrashReport();
  HostedPlugin module;
  module.recordCalls = false;
  SetCrashContext("lifecycle: loading the module");
  if (!module.Load(path)) {
    std::printf("FAIL lifecycle: %s\n", module.Error());
    return false;
  }
  std::string error;
  std::unique_ptr<EditorHostFrame> frame;
  if (!(module.Effect()->flags & effFlagsHasEditor)) {
    std::printf("the plug-in has no editor: the cycles open none\n");
  } else if (!(frame = MakeEditorHostFrame(kCheckFrameX, kCheckFrameY, error))) {
    std::printf("no display to open editors in (%s): the cycles open none\n", error.c_str());
  }
  const AEffect* e = module.Effect();
  HostBuffers buffers(e->numInputs, e->numOutputs, kBlock);
  OutputCheck check;
  long long pos = 0;
  std::unique_ptr<ValidatedInstance> a(new ValidatedInstance(module, kRate, kBlock));
  // The first reading sets up what reading needs (on Windows the window
  // system's side of the process), which must not count as growth.
  ResourceUsage first = MeasureResources();
  ResourceUsage middle;
  const auto start = std::chrono::steady_clock::now();
  SetCrashContext("lifecycle");
  for (int c = 1; c <= options.cycles; ++c) {
    std::unique_ptr<ValidatedInstance> b(new ValidatedInstance(module, kRate, kBlock));
    if (!a->Valid() || !b->Valid()) {
      std::printf("FAIL lifecycle: cycle %d: the entry point returned no instance\n", c);
      return false;
    }
    if (!Exercise(*a, *b, frame.get(), options.driveMilliseconds, buffers, pos, check, error)) {
      std::printf("FAIL lifecycle: cycle %d: %s\n", c, error.c_str());
      return false;
    }
    a = std::move(b);
    if (c == 1) first = MeasureResources();
    if (c == MiddleCycle(options.cycles)) middle = MeasureResources();
  }
  const ResourceUsage last = MeasureResources();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%d cycles in %.1f s (%.1f ms each), editor %s\n", options.cycles, seconds,
              1000.0 * seconds / options.cycles, frame ? "opened in every cycle" : "not opened");
  PrintUsage("the first cycle", first);
  PrintUsage(("cycle " + std::to_string(options.cycles)).c_str(), last);
  bool ok = Compare(first, middle, last, options.cycles, options.memoryBound);
  std::printf("%s lifecycle: output: %s\n", check.Clean() ? "PASS" : "FAIL", check.Describe().c_str());
  ok &= check.Clean();
  std::printf("lifecycle %s\n", ok ? "passed" : "failed");
  return ok;
}
