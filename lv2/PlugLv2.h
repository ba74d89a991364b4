#pragma once
// The LV2 host adapter: an IPlugBase whose host reaches it through the LV2
// plug-in descriptor (lv2/Lv2Entry.h): the ports, run, activation and the
// state interface.

#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <vector>

#include "core/PlugBase.h"
#include "core/StateChunk.h"
#include "lv2/Lv2Controls.h"
#include "lv2/Lv2Ports.h"

class IPlugLv2;

// Reads the effect's indicator values after a block into values[0..count),
// each in 0..1. Provided by the effect's entry point; audio thread, instance
// lock held, allocates nothing.
typedef void (*Lv2IndicatorReader)(IPlugLv2& plug, float* values, int count);

// What the entry point hands the adapter's constructor: the host's
// instantiate arguments and the effect's LV2 description. Valid during the
// constructor only (the port table and the texts for the process's life).
struct Lv2HostContext
{
  double sampleRate;
  const LV2_Feature* const* features;
  const Lv2PortTable* ports;
  const char* stateKey;  // URI of the state property holding the bank chunk
  Lv2IndicatorReader readIndicators;
};

// Longest block when the host gives no bufsz:maxBlockLength; longer blocks
// are processed in slices of the longest.
constexpr int kLv2FallbackBlockLength = 4096;
// A longer maximum a host announces is taken as this: the scratch buffers
// stay of a sane size, and longer blocks go in slices.
constexpr int kLv2LongestSlice = 65536;

// An IPlugBase that an LV2 host talks to. Owns its state chunk buffer and,
// through IPlugBase, everything else of the instance; the host's port
// buffers stay the host's. Built by the entry point's instantiate, destroyed
// by its cleanup.
//
// Threads, in the LV2 threading classes: ConnectPort and Run are the host's
// audio class (Run takes the instance lock and nothing else); Activate,
// Deactivate and RestoreState its instantiation class; SaveState may come
// from any thread, also during Run, and takes the instance lock.
class IPlugLv2 : public IPlugBase
{
public:
  IPlugLv2(const Lv2HostContext* host, const IPlugDescription& desc);
  ~IPlugLv2() override;

  // Completes the set-up once the effect has defined its parameters (the
  // entry point calls it right after construction). False when the host
  // left out urid:map or the port table does not fit the effect: the entry
  // point then refuses the instance.
  bool CompleteSetUp();

  // The descriptor's operations.
  void ConnectPort(uint32_t port, void* data);
  void Activate();
  void Deactivate();
  void Run(uint32_t frames);
  LV2_State_Status SaveState(LV2_State_Store_Function store, LV2_State_Handle handle);
  LV2_State_Status RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle);

  // Calls into the host: an LV2 plug-in reports nothing of these (its UI
  // talks to the host itself); no host time reaches it.
  void BeginParamEdit(int) override {}
  void ReportParamChange(int, double) override {}
  void EndParamEdit(int) override {}
  void ReportPresetChange() override {}
  int HostSamplePosition() override { return 0; }
  double HostTempo() override { return 0.0; }
  void HostTimeSignature(int* numerator, int* denominator) override;
  void HostTimeInfo(ITimeInfo*) override {}
  void EditorResized(int, int) override {}
  bool SendMidiMessage(const IMidiMessage&) override { return false; }

private:
  void TakeOptions(const LV2_Feature* const* features);
  void ProcessSlice(uint32_t offset, int frames);
  void WriteIndicators();

  const Lv2PortTable* mPorts;
  LV2_URID_Map* mMap = nullptr;
  LV2_URID mStateKey = 0;
  LV2_URID mChunkType = 0;
  Lv2IndicatorReader mReadIndicators;
  int mMaxBlock = kLv2FallbackBlockLength;
  // Host buffers by role, as connected.
  std::vector<const float*> mControlPorts;
  std::vector<float*> mInputPorts, mOutputPorts, mIndicatorPorts;
  // One slice's channel pointers and the indicator values; sized once.
  std::vector<float*> mInputSlice, mOutputSlice;
  std::vector<float> mIndicatorValues;
  Lv2ControlInputs mControls;
  IStateChunk mStateChunk;
  bool mSetUp = false;
};
