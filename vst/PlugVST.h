#pragma once
// The VST 2.4 host adapter: the AEffect record and everything a host reaches
// through it.

#include "core/PlugBase.h"
#include "vst/VstDefs.h"

// Block size every instance starts with.
constexpr int kDefaultBlockSize = 1024;

// Answer to the Cockos capability queries, as the unsigned pointer-width value
// hosts compare it with.
constexpr VstIntPtr kCockosAnswer = static_cast<VstIntPtr>(static_cast<uintptr_t>(0xBEEF0000u));
constexpr VstIntPtr kVendorSpecificAnswer = 0xBEEF;

// An IPlugBase that a VST 2.4 host talks to. Owns its AEffect record, its two
// chunk buffers and, through IPlugBase, everything else of the instance. Built
// by the entry point; destroyed by the dispatcher on effClose.
class IPlugVST : public IPlugBase
{
public:
  IPlugVST(audioMasterCallback host, const IPlugDescription& desc);
  ~IPlugVST() override;

  // The record whose address the host holds.
  AEffect* Effect() { return &mAEffect; }
  static IPlugVST* FromEffect(AEffect* effect)
  {
    return effect ? static_cast<IPlugVST*>(effect->object) : nullptr;
  }

  // Host-facing operations of the core: each is one call into the host,
  // made on the caller's thread with whatever lock the caller holds.
  void BeginParamEdit(int index) override;
  void ReportParamChange(int index, double normalized) override;
  void EndParamEdit(int index) override;
  void ReportPresetChange() override;
  bool IsRenderingOffline() override;
  int HostSamplePosition() override;
  double HostTempo() override;
  void HostTimeSignature(int* numerator, int* denominator) override;
  void HostTimeInfo(ITimeInfo* info) override;
  int HostKindOf() override;
  void EditorResized(int width, int height) override;
  void PerHostSetup() override;
  void AttachEditor(IEditorLink* editor) override;
  void ChangeLatency(int frames) override;
  bool SendMidiMessage(const IMidiMessage& msg) override;
  bool SendSysExMessage(const ISysExMessage& msg) override;

  // Whether the platform layer can open an editor window at all. The editor
  // flag is advertised only where it can.
  static bool PlatformHasEditorWindow();

  // The dispatcher and the record callbacks (see the AEffect record). Each
  // takes the instance lock for its whole duration: the dispatcher on the
  // host's UI thread (effProcessEvents on its audio thread), the process
  // callbacks on its audio thread, the parameter pair on either. effEditIdle
  // alone runs without it: the editor's idle work takes the lock only for the
  // parameter changes it makes.
  static VstIntPtr VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);
  static void VSTProcess(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
  static void VSTProcessReplacing(AEffect* effect, float** inputs, float** outputs, VstInt32 frames);
  static void VSTProcessDoubleReplacing(AEffect* effect, double** inputs, double** outputs, VstInt32 frames);
  static void VSTSetParameter(AEffect* effect, VstInt32 index, float value);
  static float VSTGetParameter(AEffect* effect, VstInt32 index);

  // Per-opcode state used by the dispatcher's handlers, which hold the lock.
  ERect& EditorRect() { return mEditRect; }
  VstSpeakerArrangement& InputArrangement() { return mInputArrangement; }
  VstSpeakerArrangement& OutputArrangement() { return mOutputArrangement; }
  IStateChunk& ProgramChunk() { return mProgramChunk; }
  IStateChunk& BankChunk() { return mBankChunk; }
  int HostExtensionFlags() const { return mHostExtensions; }
  void AddHostExtension(int bit) { mHostExtensions |= bit; }
  void SetSampleRateFromHost(double rate) { SetSampleRate(rate); }

  // Decimal form of a packed version: major * 10000 + minor * 100 + patch.
  static int DecimalVersion(int packed);

private:
  VstIntPtr CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  VstTimeInfo* GetTime(VstIntPtr flags);
  // What every audio callback does first, with the lock held.
  void BeginAudioCallback(VstInt32 frames);
  void ProcessSingle(float** inputs, float** outputs, VstInt32 frames, bool accumulate);

  ERect mEditRect = {};
  audioMasterCallback mHost;
  VstSpeakerArrangement mInputArrangement = {};
  VstSpeakerArrangement mOutputArrangement = {};
  bool mHostSetupDone = false;
  int mHostExtensions = 0;
  IStateChunk mProgramChunk;
  IStateChunk mBankChunk;
  AEffect mAEffect = {};
};

// Speaker arrangement type for a channel count.
VstInt32 SpeakerArrangementFor(int channels);
