// Processing checks: every usual sample rate with fixed and random block
// sizes in both precisions, silence after a signal, blocks longer than the
// announced size and calls with no frames.
#include <cstdio>
#include <string>

#include "tools/Validation.h"

namespace {

const double kRates[] = {22050.0, 44100.0, 48000.0, 96000.0, 192000.0};
const int kBlockSizes[] = {1, 64, 512, 1024, 4096};
// Random block sizes are announced as this and drawn from 1 up to it.
constexpr int kRandomBlockLimit = 1024;
// A decaying tail must fall below this peak within the allowed time.
constexpr double kSilencePeak = 1e-4;  // -80 dBFS
// Seconds of silence allowed for a tail beyond what the plug-in reports.
constexpr double kTailAllowance = 3.0;
constexpr double kMaxTailSeconds = 30.0;
// The window at the end of the silence whose peak is judged.
constexpr double kSilenceWindow = 0.25;

const char* PrecisionName(bool doublePrecision) { return doublePrecision ? "double precision" : "single precision"; }

// Runs the instance for the given seconds of test signal in blocks of size
// (0: random sizes) and checks what comes out.
OutputCheck RunBlocks(Validation& v, ValidatedInstance& inst, double rate, int size, bool dbl, double seconds)
{
  HostBuffers buffers(inst.Effect()->numInputs, inst.Effect()->numOutputs, size ? size : kRandomBlockLimit);
  OutputCheck check;
  const long long total = static_cast<long long>(seconds * rate) + 1;
  std::uniform_int_distribution<int> sizes(1, kRandomBlockLimit);
  for (long long pos = 0; pos < total;) {
    const int n = size ? size : sizes(v.rng);
    buffers.FillInputs(pos, n, rate, false);
    buffers.Process(inst.Effect(), n, dbl, check);
    pos += n;
  }
  return check;
}

void RatesAndBlockSizes(Validation& v, double rate, bool dbl)
{
  for (int i = 0; i <= static_cast<int>(sizeof kBlockSizes / sizeof kBlockSizes[0]); ++i) {
    const bool random = i == static_cast<int>(sizeof kBlockSizes / sizeof kBlockSizes[0]);
    const int size = random ? 0 : kBlockSizes[i];
    ValidatedInstance inst(v.module, rate, random ? kRandomBlockLimit : size);
    const std::string name = std::to_string(static_cast<int>(rate)) + " Hz, " +
                             (random ? std::string("random block sizes") : "blocks of " + std::to_string(size)) +
                             ", " + PrecisionName(dbl);
    if (!inst.Valid()) {
      v.report.Fail(name, "the entry point returned no instance");
      continue;
    }
    const OutputCheck check = RunBlocks(v, inst, rate, size, dbl, v.Seconds(0.2));
    v.report.Expect(check.Clean(), name, check.Describe(), check.Describe());
  }
}

// After a second of signal, silence in must give silence out within the
// plug-in's reported tail plus an allowance.
void SilenceAfterSignal(Validation& v, double rate, bool dbl)
{
  const std::string name = "silence after signal at " + std::to_string(static_cast<int>(rate)) + " Hz, " +
                           PrecisionName(dbl);
  constexpr int kBlock = 512;
  ValidatedInstance inst(v.module, rate, kBlock);
  if (!inst.Valid()) {
    v.report.Fail(name, "the entry point returned no instance");
    return;
  }
  const VstIntPtr tail = inst.Dispatch(effGetTailSize);
  double allowed = kTailAllowance + (tail > 1 ? static_cast<double>(tail) / rate : 0.0);
  if (allowed > kMaxTailSeconds) allowed = kMaxTailSeconds;
  HostBuffers buffers(inst.Effect()->numInputs, inst.Effect()->numOutputs, kBlock);
  OutputCheck signal;
  long long pos = 0;
  for (; pos < static_cast<long long>(rate); pos += kBlock) {
    buffers.FillInputs(pos, kBlock, rate, false);
    buffers.Process(inst.Effect(), kBlock, dbl, signal);
  }
  buffers.FillInputs(0, kBlock, rate, true);
  const long long silent = static_cast<long long>(allowed * rate);
  const long long window = static_cast<long long>(kSilenceWindow * rate);
  OutputCheck all, last;
  for (long long k = 0; k < silent; k += kBlock) {
    OutputCheck block;
    buffers.Process(inst.Effect(), kBlock, dbl, block);
    all.frames += block.frames;
    all.nonFinite += block.nonFinite;
    all.subnormal += block.subnormal;
    all.overruns += block.overruns;
    if (block.peak > all.peak) all.peak = block.peak;
    if (k >= silent - window && block.peak > last.peak) last.peak = block.peak;
  }
  const bool ok = all.Clean() && signal.Clean() && last.peak < kSilencePeak;
  char detail[160];
  std::snprintf(detail, sizeof detail, "peak %s after %.2f s of silence", Dbfs(last.peak).c_str(), allowed);
  v.report.Expect(ok, name, detail,
                  std::string(detail) + " (limit " + Dbfs(kSilencePeak) + "); " + all.Describe());
}

// Blocks longer than announced, and calls with no frames at all.
void OddCallSizes(Validation& v, bool dbl)
{
  constexpr double kRate = 44100.0;
  constexpr int kAnnounced = 256;
  {
    const std::string name = std::string("blocks longer than announced, ") + PrecisionName(dbl);
    ValidatedInstance inst(v.module, kRate, kAnnounced);
    HostBuffers buffers(inst.Effect()->numInputs, inst.Effect()->numOutputs, 16 * kAnnounced);
    OutputCheck check;
    long long pos = 0;
    for (int round = 0; round < v.Trials(4); ++round) {
      for (int n : {kAnnounced, 2 * kAnnounced, 16 * kAnnounced, kAnnounced + 1}) {
        buffers.FillInputs(pos, n, kRate, false);
        buffers.Process(inst.Effect(), n, dbl, check);
        pos += n;
      }
    }
    v.report.Expect(check.Clean(), name, check.Describe() + " in blocks of up to 16 times the announced size",
                    check.Describe());
  }
  {
    const std::string name = std::string("calls with no frames, ") + PrecisionName(dbl);
    ValidatedInstance inst(v.module, kRate, kAnnounced);
    HostBuffers buffers(inst.Effect()->numInputs, inst.Effect()->numOutputs, kAnnounced);
    buffers.FillInputs(0, kAnnounced, kRate, false);
    OutputCheck none, after;
    bool untouched = true;
    for (int round = 0; round < v.Trials(10); ++round) {
      buffers.Process(inst.Effect(), 0, dbl, none);
      untouched &= buffers.OutputsUntouched();
    }
    buffers.Process(inst.Effect(), kAnnounced, dbl, after);
    v.report.Expect(untouched && after.Clean(), name, "outputs left alone; the next block is fine",
                    untouched ? "the block after them: " + after.Describe() : "0-frame calls wrote into the outputs");
  }
}

}  // namespace

void ValidateProcessing(Validation& v)
{
  bool canDouble;
  {
    ValidatedInstance probe(v.module, 44100.0, 512);
    if (!probe.Valid()) {
      v.report.Fail("instance", "the entry point returned no instance");
      return;
    }
    canDouble = probe.CanDouble();
  }
  for (bool dbl : {false, true}) {
    if (dbl && !canDouble) {
      v.report.Skip(PrecisionName(true), "the plug-in does not offer double-precision processing");
      continue;
    }
    for (double rate : kRates) RatesAndBlockSizes(v, rate, dbl);
    for (double rate : kRates) SilenceAfterSignal(v, rate, dbl);
    OddCallSizes(v, dbl);
  }
}
