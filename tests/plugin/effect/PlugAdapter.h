#pragma once
// A host adapter of the tests' own, for building the effect without any real
// host interface: plugin/Vexa.h includes this file as "PlugAdapter.h" in the
// effect built for the tests (vexa_effect_test, tests/plugin/CMakeLists.txt).
// It implements what the core leaves to adapters by recording the calls into
// a TestHost, and drives the core the way an adapter does.

#include <vector>

#include "core/FloatEnv.h"
#include "core/PlugBase.h"

// What the instance told its host, in order. Owned by the test; outlives
// the instances that report to it. Not thread-safe.
struct TestHost
{
  enum class Call { kBeginEdit, kChange, kEndEdit, kPresetChange };
  struct Record
  {
    Call call;
    int index;
    double normalized;
  };
  std::vector<Record> calls;
  int resizes = 0;
};

// An IPlugBase that a TestHost talks to. Owns nothing beyond the core's.
class IPlugTestAdapter : public IPlugBase
{
public:
  IPlugTestAdapter(TestHost* host, const IPlugDescription& desc) : IPlugBase(desc), mHost(host)
  {
    // The test host connects every channel.
    SetInputConnections(0, NInChannels(), true);
    SetOutputConnections(0, NOutChannels(), true);
    ChangeBlockSize(kTestBlockSize);
  }

  // Calls into the host: recorded, on the caller's thread.
  void BeginParamEdit(int index) override { Record(TestHost::Call::kBeginEdit, index, 0.0); }
  void ReportParamChange(int index, double normalized) override
  {
    Record(TestHost::Call::kChange, index, normalized);
  }
  void EndParamEdit(int index) override { Record(TestHost::Call::kEndEdit, index, 0.0); }
  void ReportPresetChange() override { Record(TestHost::Call::kPresetChange, -1, 0.0); }
  int HostSamplePosition() override { return 0; }
  double HostTempo() override { return 0.0; }
  void HostTimeSignature(int* numerator, int* denominator) override { *numerator = *denominator = 0; }
  void HostTimeInfo(ITimeInfo* info) override { *info = ITimeInfo{}; }
  void EditorResized(int, int) override
  {
    if (mHost) ++mHost->resizes;
  }
  bool SendMidiMessage(const IMidiMessage&) override { return false; }

  // What a host's requests come to in an adapter. Each takes the instance
  // lock, as adapters do.
  void Open()
  {
    ILockGuard guard(Lock());
    for (int i = 0; i < NParams(); ++i) ParameterChanged(i);
  }
  void SetNormalized(int index, double normalized)
  {
    ILockGuard guard(Lock());
    IParameter* param = ParameterAt(index);
    if (!param) return;
    if (IEditorLink* editor = Editor()) editor->PushParamToControls(index, normalized, true);
    param->SetFromNormalized(normalized);
    ParameterChanged(index);
  }
  void Process(double** inputs, double** outputs, int frames)
  {
    ILockGuard guard(Lock());
    IScopedFlushDenormals flush;
    PrepareScratch(frames);
    AttachInputBuffers(inputs, frames);
    AttachOutputBuffers(outputs, frames);
    ProcessBlock(InputPointers(), OutputPointers(), frames);
  }
  // The editor's window opened and closed in its steps: the unlocked ones
  // around the locked one, as every adapter runs them.
  void* OpenEditor(void* parent) { return OpenEditorInSteps(parent); }
  void CloseEditor() { CloseEditorInSteps(); }

  static constexpr int kTestBlockSize = 512;

private:
  void Record(TestHost::Call call, int index, double normalized)
  {
    if (mHost) mHost->calls.push_back({call, index, normalized});
  }

  TestHost* mHost;
};

using IPlugAdapter = IPlugTestAdapter;
using IPlugHostHandle = TestHost*;
