// The plug-in module as a host meets it: the cost of creating the first
// instance in a freshly loaded module (its editor decodes the twelve images)
// against the second (which finds them in the process-wide bitmap cache),
// and the heap one more opened instance takes.
#include <benchmark/benchmark.h>

#include <cstddef>

#include "bench/PairTimer.h"
#include "bench/module/HeapInUse.h"
#include "tools/ModuleLoader.h"
#include "vst/VstDefs.h"

namespace {

constexpr float kRate = 44100.0f;
constexpr VstIntPtr kBlockSize = 1024;
constexpr double kBytesPerKiB = 1024.0;

// A host that only tells its version.
VstIntPtr Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstIntPtr value = 0, float opt = 0.0f)
{
  return e->dispatcher(e, opcode, 0, value, nullptr, opt);
}

// Opened and resumed as a host does before the first block.
void OpenAndResume(AEffect* e)
{
  Dispatch(e, effOpen);
  Dispatch(e, effSetSampleRate, 0, kRate);
  Dispatch(e, effSetBlockSize, kBlockSize);
  Dispatch(e, effMainsChanged, 1);
}

void Close(AEffect* e)
{
  if (e) Dispatch(e, effClose);
}

// Each round loads the module afresh (untimed), so its bitmap cache starts
// empty, and creates two instances through the entry point in turn. Unloading
// the module at the end of the round empties the cache again; a module that
// stayed loaded would show a ratio near 1.
void FirstAndSecondInstance(benchmark::State& state)
{
  double firstUs = 0.0, secondUs = 0.0;
  for (auto _ : state) {
    ModuleLoader module;
    VstEntryProc entry = module.Load(VEXA_MODULE_PATH) ? module.Entry("VSTPluginMain") : nullptr;
    if (!entry) {
      state.SkipWithError("the module does not load");
      return;
    }
    const double t0 = bench::ProcessMicros();
    AEffect* first = entry(Host);
    const double t1 = bench::ProcessMicros();
    AEffect* second = entry(Host);
    const double t2 = bench::ProcessMicros();
    const bool made = first && second;
    Close(first);
    Close(second);
    if (!made) {
      state.SkipWithError("the entry point made no instance");
      return;
    }
    firstUs += t1 - t0;
    secondUs += t2 - t1;
  }
  const double rounds = static_cast<double>(state.iterations());
  state.counters["first_us"] = firstUs / rounds;
  state.counters["second_us"] = secondUs / rounds;
  state.counters["first_per_second"] = firstUs / secondUs;
}

// With one instance open (the cache filled), the heap each further opened
// and resumed instance takes, and what stays taken once it is closed again.
void MemoryOfOneMoreInstance(benchmark::State& state)
{
  ModuleLoader module;
  VstEntryProc entry = module.Load(VEXA_MODULE_PATH) ? module.Entry("VSTPluginMain") : nullptr;
  AEffect* resident = entry ? entry(Host) : nullptr;
  if (!resident) {
    state.SkipWithError("the module makes no instance");
    return;
  }
  OpenAndResume(resident);
  double taken = 0.0, kept = 0.0;
  for (auto _ : state) {
    const size_t before = HeapBytesInUse();
    AEffect* more = entry(Host);
    if (!more) {
      state.SkipWithError("the entry point made no instance");
      break;
    }
    OpenAndResume(more);
    const size_t during = HeapBytesInUse();
    Close(more);
    const size_t after = HeapBytesInUse();
    taken += static_cast<double>(during) - static_cast<double>(before);
    kept += static_cast<double>(after) - static_cast<double>(before);
  }
  Close(resident);
  const double rounds = static_cast<double>(state.iterations());
  state.counters["instance_kib"] = taken / rounds / kBytesPerKiB;
  state.counters["kept_bytes"] = kept / rounds;
}

}  // namespace

BENCHMARK(FirstAndSecondInstance)->Unit(benchmark::kMillisecond);
BENCHMARK(MemoryOfOneMoreInstance)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
