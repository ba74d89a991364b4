#pragma once
// The VST3 host adapter's plug-in base: an IPlugBase whose calls into the
// host go to the VST3 object that owns it (the component or the edit
// controller, through Vst3HostSide).

#include "core/PlugBase.h"
#include "vst3/Vst3Defs.h"

// What an instance needs from the VST3 object that made it. The component
// answers the time queries from the last process call; the controller
// carries edits to the host's component handler. Implemented by those two
// objects, which outlive the instance they own.
class Vst3HostSide
{
public:
  virtual ~Vst3HostSide() = default;
  // Gesture and value reports of the editor. UI thread.
  virtual void BeginEdit(int index) = 0;
  virtual void PerformEdit(int index, double normalized) = 0;
  virtual void EndEdit(int index) = 0;
  // Asks the host to read every parameter value again. UI thread.
  virtual void ValuesChanged() = 0;
  // The context of the block being processed, or null. Audio thread,
  // instance lock held.
  virtual const vst3::ProcessContext* Context() const = 0;
  virtual bool Offline() const = 0;
};

// An IPlugBase in a VST3 module. Owned by the component or the controller
// object that created it through the module's instance maker; that object
// destroys it when the host releases it. Threads and locks as IPlugBase.
class IPlugVST3 : public IPlugBase
{
public:
  IPlugVST3(Vst3HostSide* host, const IPlugDescription& desc);

  void BeginParamEdit(int index) override;
  void ReportParamChange(int index, double normalized) override;
  void EndParamEdit(int index) override;
  void ReportPresetChange() override;
  bool IsRenderingOffline() override;
  int HostSamplePosition() override;
  double HostTempo() override;
  void HostTimeSignature(int* numerator, int* denominator) override;
  void HostTimeInfo(ITimeInfo* info) override;
  void EditorResized(int width, int height) override;
  bool SendMidiMessage(const IMidiMessage& msg) override;

  // The sample rate the host set up. UI thread, instance lock held.
  void SetSampleRateFromHost(double rate) { SetSampleRate(rate); }

private:
  Vst3HostSide* mHost;
};
