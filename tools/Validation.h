#pragma once
// The shared machinery of `vexa-host validate`: the report every check writes
// to, fresh plug-in instances, host-side audio buffers with guard zones, the
// test signal and the checks of an output block. Each check group lives in
// its own file (tools/Validate<Group>.cpp) and is listed in Validator.cpp.

#include <atomic>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tools/HostedPlugin.h"

// Counts and prints the outcome of every check: one line each, "PASS",
// "FAIL" or "SKIP", the group, the check's name and a reason. Owned by the
// validation run; used from its main thread only.
class ValidationReport
{
public:
  void SetGroup(const std::string& group) { mGroup = group; }
  void Pass(const std::string& check, const std::string& detail);
  void Fail(const std::string& check, const std::string& reason);
  // Something this plug-in does not offer; counts neither way.
  void Skip(const std::string& check, const std::string& reason);
  // Pass with detail when ok, else fail with reason; returns ok.
  bool Expect(bool ok, const std::string& check, const std::string& detail, const std::string& reason);
  int Passed() const { return mPassed; }
  int Failed() const { return mFailed; }

private:
  void Line(const char* verdict, const std::string& check, const std::string& text);
  std::string mGroup;
  int mPassed = 0;
  int mFailed = 0;
};

// One opened plug-in instance of the loaded module, made through the
// module's entry point: effOpen, sample rate, block size, resume. Suspends
// and closes it (effClose) when destroyed. Owned by the check that makes it.
class ValidatedInstance
{
public:
  ValidatedInstance(HostedPlugin& module, double rate, int blockSize);
  ~ValidatedInstance();
  ValidatedInstance(const ValidatedInstance&) = delete;
  ValidatedInstance& operator=(const ValidatedInstance&) = delete;

  bool Valid() const { return mEffect != nullptr; }
  AEffect* Effect() const { return mEffect; }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                     float opt = 0.0f) const;
  // Suspend, new rate and block size, resume: what hosts do on a change.
  void Reconfigure(double rate, int blockSize);
  bool CanDouble() const;
  // The state as a chunk (bank or program); empty when the plug-in has none.
  std::vector<unsigned char> SaveChunk(bool program) const;
  VstIntPtr RestoreChunk(bool program, std::vector<unsigned char> bytes) const;

private:
  AEffect* mEffect = nullptr;
};

// What one or more processed blocks looked like.
struct OutputCheck
{
  long long frames = 0;
  double peak = 0.0;
  int nonFinite = 0;
  int subnormal = 0;
  int overruns = 0;  // blocks after which a guard zone had changed
  bool Clean() const { return nonFinite == 0 && subnormal == 0 && overruns == 0; }
  // "N frames, peak X dBFS" or the list of what went wrong.
  std::string Describe() const;
};

// Host-owned input and output buffers for one instance, in single and double
// precision, each followed by a guard zone the plug-in must not write.
class HostBuffers
{
public:
  HostBuffers(int inputs, int outputs, int frames);
  // Fills the first frames of every input with the test signal from sample
  // position pos on (or with silence).
  void FillInputs(long long pos, int frames, double rate, bool silence);
  // Fills the outputs (and their guards) with the sentinel value.
  void ClearOutputs();
  // Processes frames through processReplacing or processDoubleReplacing and
  // adds what came out to check.
  void Process(AEffect* e, int frames, bool doublePrecision, OutputCheck& check);
  float** In() { return mInF.data(); }
  float** Out() { return mOutF.data(); }
  double** InDouble() { return mInD.data(); }
  double** OutDouble() { return mOutD.data(); }
  int Capacity() const { return mFrames; }
  // True when no output sample (frames and guards) differs from the sentinel.
  bool OutputsUntouched() const;

private:
  int mFrames;
  std::vector<std::vector<float>> mFloats;
  std::vector<std::vector<double>> mDoubles;
  std::vector<float*> mInF, mOutF;
  std::vector<double*> mInD, mOutD;
  int mInputs, mOutputs;
};

// An audio thread's work: processes blocks of the test signal through one
// instance until told to stop. With automate set it also sets a random
// parameter to a random value before every block, as hosts play back
// automation. Owned by the check that runs it; stop and blocks are shared
// with the thread, check is read after the thread was joined.
struct AudioThread
{
  AudioThread(const ValidatedInstance& instance, bool doublePrecision, double rate, int block)
    : inst(instance), dbl(doublePrecision), sampleRate(rate), blockFrames(block)
  {
  }
  // The thread's body.
  void Run();

  const ValidatedInstance& inst;
  bool dbl;
  double sampleRate;
  int blockFrames;
  bool automate = false;
  uint32_t automationSeed = 0;
  std::atomic<bool> stop{false};
  std::atomic<long long> blocks{0};
  OutputCheck check;
};

// The test signal: a chord of sines with a little noise, at -6 dBFS.
double TestSignal(int channel, long long pos, double rate);

// Everything a check group needs. Owned by the validation run; main thread.
struct Validation
{
  HostedPlugin& module;
  ValidationReport& report;
  int strictness;  // 1..10: how long and how hard
  std::mt19937 rng;
  // Seconds of audio per configuration at this strictness.
  double Seconds(double atFive) const { return atFive * strictness / 5.0; }
  // A count of trials at this strictness.
  int Trials(int atFive) const { return atFive * strictness / 5 > 0 ? atFive * strictness / 5 : 1; }
  std::string Name(int param) const;
};

// One group of checks, run in list order.
struct ValidationGroup
{
  const char* name;
  void (*run)(Validation& v);
};

void ValidateProcessing(Validation& v);
void ValidateParameters(Validation& v);
void ValidateState(Validation& v);
void ValidateThreads(Validation& v);
void ValidateEditor(Validation& v);
void ValidateVst3(Validation& v);

// Decibels relative to full scale of a peak, for reports.
std::string Dbfs(double peak);
