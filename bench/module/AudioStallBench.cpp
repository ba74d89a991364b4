// How long the audio thread waits for the instance lock while the host's
// user-interface thread works on the instance. An audio thread processes
// 64-frame blocks at 96 kHz, paced in real time (one every 0.67 ms), through
// the module's processReplacing, while the user-interface thread does one
// kind of work at the rate hosts do it. An operation's stall is the longest
// block (wall time of the processReplacing call) that started while the
// operation ran; operations during which no block started stalled nothing
// and are left out. Per kind: the median and 90th percentile of the stalls,
// beside the blocks of a user-interface thread that does nothing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tools/EditorHost.h"
#include "tools/ModuleLoader.h"
#include "vst/VstDefs.h"

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

constexpr float kRate = 96000.0f;
constexpr int kBlockFrames = 64;
constexpr int kChannels = 2;
constexpr double kMicrosPerSecond = 1e6;
// The audio thread's pace: one block's worth of audio.
constexpr Micros kBlockPeriod{kBlockFrames * kMicrosPerSecond / kRate};
// How long each run lasts, how many a kind makes at most, and how many
// operations that met a block are enough to stop after a run.
constexpr int kRunMilliseconds = 3000;
constexpr int kMostRuns = 4;
constexpr size_t kEnoughStalls = 30;
// The threads start together this far after the set-up.
constexpr int kStartDelayMilliseconds = 20;
// Where the host frame sits on the screen, clear of other windows.
constexpr int kFrameX = 40, kFrameY = 400;
// The test signal: a sine at this level and frequency.
constexpr float kLevel = 0.5f;
constexpr double kToneHz = 440.0;
constexpr double kTwoPi = 6.283185307179586;
// Sleep overshoot probes: how many, how long each.
constexpr int kSleepProbes = 11;
constexpr std::chrono::microseconds kSleepProbe{100};
// The longest a thread spins before its aim (both threads spinning all the
// time would starve the window system's server on a small machine).
constexpr Micros kLongestSpin{200.0};
// The longest single sleep while waiting, so a waiting user-interface thread
// still handles its window system's queue now and then.
constexpr int kLongestNapMicros = 1000;
// The seed of the operations' phases against the audio clock.
constexpr unsigned kPhaseSeed = 17;
// The window of the short operations (idle calls, state and parameters), a
// few times as long as a parameter change.
constexpr Micros kShortWindow{10.0};
constexpr double kMedian = 0.5;
constexpr double kNinetieth = 0.9;

// A host that only tells its version.
VstIntPtr Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
  return opcode == audioMasterVersion ? kVstVersion : 0;
}

VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                   float opt = 0.0f)
{
  return e->dispatcher(e, opcode, index, value, ptr, opt);
}

// What sleeping overshoots by on this system (the scheduler's slack, or a
// whole timer tick where sleeps are counted in milliseconds): the most of a
// few probes, at most kLongestSpin.
Micros SleepOvershoot()
{
  Micros most{0.0};
  for (int i = 0; i < kSleepProbes; ++i) {
    const Clock::time_point t0 = Clock::now();
    std::this_thread::sleep_for(kSleepProbe);
    most = std::max(most, Micros(Clock::now() - t0 - kSleepProbe));
  }
  return std::min(most, kLongestSpin);
}

// Waits until t: sleeps while more than the overshoot remains, calling
// pending between naps, then spins until t (a yield could hand the
// processor to other programs for longer than the aim is fine). A sleep
// that overshoots more than usual makes the start late.
void WaitUntil(Clock::time_point t, Micros overshoot, const std::function<void()>& pending)
{
  for (;;) {
    const Micros left = t - Clock::now() - overshoot;
    if (left <= Micros(0.0)) break;
    if (pending) pending();
    std::this_thread::sleep_for(std::min(left, Micros(kLongestNapMicros)));
  }
  while (Clock::now() < t) continue;
}

// One timed stretch: when it started and how long it took.
struct Span
{
  Clock::time_point start;
  Micros length;
};

// The audio thread: a block every kBlockPeriod from start until end, each
// timed; a thread of its own for each run, one after the other. Owns its
// buffers and the record of every block.
class AudioThread
{
public:
  AudioThread(AEffect* effect, Micros overshoot) : mEffect(effect), mOvershoot(overshoot)
  {
    for (int c = 0; c < kChannels; ++c) {
      mIn[c].resize(kBlockFrames);
      mOut[c].resize(kBlockFrames);
    }
  }

  // Makes room for the blocks of a run from start to end (before it starts).
  void Reserve(Clock::time_point start, Clock::time_point end)
  {
    mBlocks.reserve(mBlocks.size() + static_cast<size_t>((end - start) / kBlockPeriod) + 1);
  }

  void Run(Clock::time_point start, Clock::time_point end)
  {
    float* ins[kChannels] = {mIn[0].data(), mIn[1].data()};
    float* outs[kChannels] = {mOut[0].data(), mOut[1].data()};
    for (long k = 0;; ++k) {
      const Clock::time_point due = start + std::chrono::duration_cast<Clock::duration>(kBlockPeriod * k);
      if (due >= end) break;
      for (int i = 0; i < kBlockFrames; ++i, ++mFrame) {
        const float v = kLevel * static_cast<float>(std::sin(kTwoPi * kToneHz * static_cast<double>(mFrame) / kRate));
        mIn[0][i] = v;
        mIn[1][i] = -v;
      }
      WaitUntil(due, mOvershoot, nullptr);
      const Clock::time_point t0 = Clock::now();
      mEffect->processReplacing(mEffect, ins, outs, kBlockFrames);
      mBlocks.push_back(Span{t0, Clock::now() - t0});
    }
  }

  const std::vector<Span>& Blocks() const { return mBlocks; }

private:
  AEffect* mEffect;
  Micros mOvershoot;
  long mFrame = 0;
  std::vector<float> mIn[kChannels], mOut[kChannels];
  std::vector<Span> mBlocks;
};

// The value at fraction q of values in sorted order (nearest rank); 0 when
// there are none.
double Quantile(std::vector<double> values, double q)
{
  if (values.empty()) return 0.0;
  std::sort(values.begin(), values.end());
  const size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(values.size())));
  return values[rank > 0 ? rank - 1 : 0];
}

// The stall of each operation that some block started during (the longest
// such block), in microseconds; ops and blocks are in time order.
std::vector<double> Stalls(const std::vector<Span>& ops, const std::vector<Span>& blocks)
{
  std::vector<double> stalls;
  size_t b = 0;
  for (const Span& op : ops) {
    const Clock::time_point end = op.start + std::chrono::duration_cast<Clock::duration>(op.length);
    while (b < blocks.size() && blocks[b].start < op.start) ++b;
    double longest = -1.0;
    for (size_t i = b; i < blocks.size() && blocks[i].start <= end; ++i) {
      longest = std::max(longest, blocks[i].length.count());
    }
    if (longest >= 0.0) stalls.push_back(longest);
  }
  return stalls;
}

// One kind of user-interface work: what one operation does (operation k
// of the run) and how often.
struct UiWork
{
  std::chrono::microseconds interval{0};
  // Each operation starts at a random point of this window before a block
  // is due. A window as long as the block period lets blocks meet every
  // part of an operation alike; short operations get a short window, so
  // that enough of them meet a block at all. A window shorter than the
  // operation makes blocks meet its early part more often: their stalls
  // look larger, never smaller.
  Micros window = kBlockPeriod;
  std::function<void(long k)> op;
  // Names of even and odd operations when they differ (open and close).
  const char* evenName = nullptr;
  const char* oddName = nullptr;
};

// The module, one opened and resumed instance and a host frame for its
// editor. UI thread.
class Rig
{
public:
  // Empty when ready, else what is missing.
  std::string Ready()
  {
    mEntry = mModule.Load(VEXA_MODULE_PATH) ? mModule.Entry("VSTPluginMain") : nullptr;
    if (!mEntry) return "the module does not load";
    mEffect = mEntry(Host);
    if (!mEffect) return "the entry point made no instance";
    Dispatch(mEffect, effOpen);
    Dispatch(mEffect, effSetSampleRate, 0, 0, nullptr, kRate);
    Dispatch(mEffect, effSetBlockSize, 0, kBlockFrames);
    Dispatch(mEffect, effMainsChanged, 0, 1);
    std::string error;
    mFrame = MakeEditorHostFrame(kFrameX, kFrameY, error);
    if (!mFrame) return error;
    // Sized for the editor once, as a host does; the runs open and close
    // it in the frame themselves.
    if (!mFrame->Open(mEffect)) return mFrame->Error();
    mFrame->Close();
    return "";
  }

  ~Rig()
  {
    if (mEffect) CloseEditor();
    mFrame.reset();
    if (mEffect) Dispatch(mEffect, effClose);
  }

  AEffect* Effect() const { return mEffect; }
  EditorHostFrame& Frame() { return *mFrame; }

  bool OpenEditor()
  {
    mEditorOpen = Dispatch(mEffect, effEditOpen, 0, 0, mFrame->NativeWindow()) == 1;
    return mEditorOpen;
  }
  void CloseEditor()
  {
    if (mEditorOpen) Dispatch(mEffect, effEditClose);
    mEditorOpen = false;
  }

private:
  ModuleLoader mModule;
  VstEntryProc mEntry = nullptr;
  AEffect* mEffect = nullptr;
  std::unique_ptr<EditorHostFrame> mFrame;
  bool mEditorOpen = false;
};

// The audio thread against work on this thread, in runs of kRunMilliseconds
// until kEnoughStalls operations met a block or kMostRuns ran (short
// operations meet few blocks on a busy machine), then the counters.
void RunAgainst(benchmark::State& state, Rig& rig, const UiWork& work)
{
  const Micros overshoot = SleepOvershoot();
  std::mt19937 phases(kPhaseSeed);
  std::uniform_real_distribution<double> phase(0.0, work.window.count());
  AudioThread audio(rig.Effect(), overshoot);
  std::vector<Span> ops;
  const std::function<void()> pending = [&rig] { rig.Frame().HandlePending(); };
  // Operations aimed at a short window are worth a spin of a whole block
  // period: a late start misses the block.
  const Micros aim = work.window < kBlockPeriod ? kBlockPeriod : overshoot;
  long k = 0;
  for (int run = 0; run < kMostRuns; ++run) {
    const Clock::time_point start = Clock::now() + std::chrono::milliseconds(kStartDelayMilliseconds);
    const Clock::time_point end = start + std::chrono::milliseconds(kRunMilliseconds);
    audio.Reserve(start, end);
    std::thread thread(&AudioThread::Run, &audio, start, end);
    for (long j = 0; work.op; ++j, ++k) {
      // The block due next after the operation's place in the schedule,
      // and a point of the window before it drawn afresh for every one.
      const double blockIndex = std::ceil(Micros(work.interval * j) / kBlockPeriod);
      const Micros at = kBlockPeriod * blockIndex - Micros(phase(phases));
      const Clock::time_point due = start + std::chrono::duration_cast<Clock::duration>(std::max(at, Micros(0.0)));
      if (due >= end) break;
      WaitUntil(due, aim, pending);
      const Clock::time_point t0 = Clock::now();
      work.op(k);
      ops.push_back(Span{t0, Clock::now() - t0});
    }
    WaitUntil(end, overshoot, pending);
    thread.join();
    if (!work.op || Stalls(ops, audio.Blocks()).size() >= kEnoughStalls) break;
  }

  std::vector<double> blocks;
  for (const Span& b : audio.Blocks()) blocks.push_back(b.length.count());
  const double blockMedian = Quantile(blocks, kMedian);
  state.counters["block_median_us"] = blockMedian;
  state.counters["block_p90_us"] = Quantile(blocks, kNinetieth);
  state.counters["blocks"] = static_cast<double>(blocks.size());
  if (!work.op) return;
  const std::vector<double> stalls = Stalls(ops, audio.Blocks());
  const double stallMedian = Quantile(stalls, kMedian);
  state.counters["ops"] = static_cast<double>(ops.size());
  state.counters["stalled_ops"] = static_cast<double>(stalls.size());
  state.counters["stall_median_us"] = stallMedian;
  state.counters["stall_p90_us"] = Quantile(stalls, kNinetieth);
  if (blockMedian > 0.0) state.counters["stall_per_block"] = stallMedian / blockMedian;
  std::vector<double> opTimes;
  for (const Span& op : ops) opTimes.push_back(op.length.count());
  state.counters["op_median_us"] = Quantile(opTimes, kMedian);
  if (!work.evenName) return;
  // The two alternating operations apart.
  std::vector<Span> even, odd;
  for (size_t i = 0; i < ops.size(); ++i) (i % 2 ? odd : even).push_back(ops[i]);
  state.counters[std::string(work.evenName) + "_stall_median_us"] = Quantile(Stalls(even, audio.Blocks()), kMedian);
  state.counters[std::string(work.oddName) + "_stall_median_us"] = Quantile(Stalls(odd, audio.Blocks()), kMedian);
}

// The benchmark frame around one kind: set up, one run, tear down.
template <class MakeWork>
void Kind(benchmark::State& state, MakeWork makeWork)
{
  Rig rig;
  if (const std::string missing = rig.Ready(); !missing.empty()) {
    state.SkipWithError(missing.c_str());
    return;
  }
  // What went wrong during the set-up or the run (a refused open).
  std::string problem;
  for (auto _ : state) {
    const UiWork work = makeWork(rig, problem);
    if (problem.empty()) RunAgainst(state, rig, work);
  }
  if (!problem.empty()) state.SkipWithError(problem.c_str());
}

// Nothing on the user-interface thread: the blocks on their own.
void Nothing(benchmark::State& state)
{
  Kind(state, [](Rig&, std::string&) { return UiWork{}; });
}

// The editor opened and closed in turn, every 20 ms.
void EditorOpenClose(benchmark::State& state)
{
  Kind(state, [](Rig& rig, std::string& problem) {
    UiWork w;
    w.interval = std::chrono::milliseconds(20);
    w.evenName = "open";
    w.oddName = "close";
    w.op = [&rig, &problem](long k) {
      if (k % 2) {
        rig.CloseEditor();
      } else if (!rig.OpenEditor()) {
        problem = "the editor did not open";
      }
    };
    return w;
  });
}

// An open editor's idle calls, every 10 ms.
void EditorIdle(benchmark::State& state)
{
  Kind(state, [](Rig& rig, std::string& problem) {
    UiWork w;
    if (!rig.OpenEditor()) problem = "the editor did not open";
    w.interval = std::chrono::milliseconds(10);
    // Most idle calls find nothing to do (on Windows they never do).
    w.window = kShortWindow;
    w.op = [&rig](long) { Dispatch(rig.Effect(), effEditIdle); };
    return w;
  });
}

// The bank saved and restored in turn, every 10 ms.
void StateSaveRestore(benchmark::State& state)
{
  auto saved = std::make_shared<std::vector<char>>();
  Kind(state, [saved](Rig& rig, std::string&) {
    UiWork w;
    w.interval = std::chrono::milliseconds(10);
    w.window = kShortWindow;
    w.evenName = "save";
    w.oddName = "restore";
    w.op = [&rig, saved](long k) {
      AEffect* e = rig.Effect();
      if (k % 2) {
        Dispatch(e, effSetChunk, 0, static_cast<VstIntPtr>(saved->size()), saved->data());
        return;
      }
      void* data = nullptr;
      const VstIntPtr size = Dispatch(e, effGetChunk, 0, 0, &data);
      // The copy is the host's part of the work, as a host keeps the bytes.
      if (size > 0 && data) saved->assign(static_cast<char*>(data), static_cast<char*>(data) + size);
    };
    return w;
  });
}

// Parameter changes from the user-interface thread, every 0.5 ms.
void ParameterSets(benchmark::State& state)
{
  auto values = std::make_shared<std::mt19937>(kPhaseSeed);
  Kind(state, [values](Rig& rig, std::string&) {
    UiWork w;
    w.interval = std::chrono::microseconds(500);
    w.window = kShortWindow;
    w.op = [&rig, values](long) {
      AEffect* e = rig.Effect();
      const unsigned r = (*values)();
      const VstInt32 index = static_cast<VstInt32>(r % static_cast<unsigned>(e->numParams));
      e->setParameter(e, index, static_cast<float>(r >> 8 & 0xFFFF) / 65535.0f);
    };
    return w;
  });
}

// One timed run each: the figures are the counters, medians over the run's
// operations.
void Once(benchmark::internal::Benchmark* b) { b->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond); }

}  // namespace

BENCHMARK(Nothing)->Name("AudioStall/Nothing")->Apply(Once);
BENCHMARK(EditorOpenClose)->Name("AudioStall/EditorOpenClose")->Apply(Once);
BENCHMARK(EditorIdle)->Name("AudioStall/EditorIdle")->Apply(Once);
BENCHMARK(StateSaveRestore)->Name("AudioStall/StateSaveRestore")->Apply(Once);
BENCHMARK(ParameterSets)->Name("AudioStall/ParameterSets")->Apply(Once);

BENCHMARK_MAIN();
