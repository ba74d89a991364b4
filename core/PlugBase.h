#pragma once
// The host-independent core of one plug-in instance.

#include "core/EditorLink.h"
#include "base/GrowBuffer.h"
#include "base/Lock.h"
#include "core/Parameter.h"
#include "core/StateChunk.h"

// Byte sizes of the core's fixed text fields (with terminator).
constexpr int kIdentityTextBytes = 128;
constexpr int kPresetNameBytes = 256;

// One legal channel configuration.
struct IChannelConfig
{
  int nIn;
  int nOut;
};

// An input channel: where the effect reads its samples. Owned by the core.
struct IInputChannel
{
  bool connected = false;
  double** src = nullptr;  // this channel's element of the input pointer array
  IGrowBuffer scratch{4096};
  IGrowString label;
};

// An output channel: where the effect writes its samples. Owned by the core.
struct IOutputChannel
{
  bool connected = false;
  double** dest = nullptr;  // this channel's element of the output pointer array
  float* hostDest = nullptr;
  IGrowBuffer scratch{4096};
  IGrowString label;
};

// One preset: a name and the parameter values it keeps. Owned by the core.
struct IPresetSlot
{
  bool initialized = false;
  char name[kPresetNameBytes] = {};
  IStateChunk chunk;
};

// A short MIDI message, built on the stack for one call.
struct IMidiMessage
{
  int offset;
  unsigned char status, data1, data2;
};

// A system-exclusive message; the bytes are not owned.
struct ISysExMessage
{
  int offset;
  int size;
  const unsigned char* data;
};

// Time information read from the host.
struct ITimeInfo
{
  double tempo = 0.0;
  double samplePos = 0.0;
  double ppqPos = 0.0;
  double lastBar = 0.0;
  double cycleStart = 0.0;
  double cycleEnd = 0.0;
  int numerator = 0;
  int denominator = 0;
  bool transportRunning = false;
  bool transportLooping = false;
};

// What an effect tells the core about itself at construction.
struct IPlugDescription
{
  int nParams;
  int nPresets;
  const char* channelIO;
  const char* effectName;
  const char* productName;
  const char* makerName;
  int version;   // packed (major << 16) | (minor << 8) | patch
  int uniqueId;  // four-character code
  int makerId;   // four-character code
  int latency;
  bool stateChunks;
  bool isInstrument;
  bool handlesMidi;
};

// The core of one plug-in instance: identity, parameters, preset slots,
// channel configurations and records, the processing frame and the instance
// lock. Owns its parameters, preset slots, channel records and the attached
// editor. Constructed by the effect's constructor (through the host adapter),
// destroyed by the host adapter when the host closes the instance.
//
// Threads: the host's UI thread (dispatcher, editor) and audio thread
// (callbacks) both call in; every operation that touches state takes the
// recursive instance lock or expects its caller to hold it, as noted.
class IPlugBase
{
public:
  explicit IPlugBase(const IPlugDescription& desc);

  // Virtual operations, in slot order.
  //
  // Processing and its hooks. ResetProcessing, ParameterChanged and
  // ActivationChanged take the instance lock themselves (any thread);
  // ProcessBlock runs on the audio thread with the lock held by the adapter.
  virtual ~IPlugBase();                                          // 0
  virtual void ResetProcessing();                                // 1
  virtual void ParameterChanged(int index);                      // 2
  virtual void ProcessBlock(double** inputs, double** outputs, int frames);  // 3
  // Editor and host hooks: UI thread, instance lock held by the dispatcher;
  // HandleMidiMessage and HandleSysEx come on the audio thread, where hosts
  // send their events.
  virtual void EditorOpened() {}                                 // 4
  virtual void EditorClosing() {}                                // 5
  virtual void Unused6() {}                                      // 6
  virtual void ActivationChanged(bool active);                   // 7
  virtual void HandleMidiMessage(const IMidiMessage& msg);       // 8
  virtual void HandleSysEx(const ISysExMessage& msg) { (void)msg; }  // 9
  virtual bool NameForMidiNote(int note, char* name);            // 10
  // State: any thread; they take the instance lock.
  virtual bool SerializeParams(IStateChunk& chunk);              // 11
  virtual int UnserializeParams(const IStateChunk& chunk, int pos);  // 12
  virtual bool ParamsEqual(const double* values, int start);     // 13
  virtual void EditorResizedHook() {}                            // 14
  virtual bool Unused15() { return false; }                      // 15
  virtual void HostIdentified() {}                               // 16
  virtual void ParamContextMenu(int index, int x, int y) { (void)index, (void)x, (void)y; }  // 17
  // A parameter change made in the editor: UI thread; takes the lock and
  // reports the change to the host with it held.
  virtual void SetEditorParam(int index, double normalized);     // 18
  // Calls into the host, provided by the adapter. BeginParamEdit and
  // EndParamEdit take no lock (the editor calls them directly); the others
  // are made with whatever lock their caller holds.
  virtual void BeginParamEdit(int index) = 0;                    // 19
  virtual void ReportParamChange(int index, double normalized) = 0;  // 20
  virtual void EndParamEdit(int index) = 0;                      // 21
  virtual void ReportPresetChange() = 0;                         // 22
  virtual bool IsRenderingOffline() { return false; }            // 23
  virtual int HostSamplePosition() = 0;                          // 24
  virtual double HostTempo() = 0;                                // 25
  virtual void HostTimeSignature(int* numerator, int* denominator) = 0;  // 26
  virtual void HostTimeInfo(ITimeInfo* info) = 0;                // 27
  virtual int HostKindOf() { return mHostKind; }                 // 28
  virtual int ApiKind() { return mApiKind; }                     // 29
  virtual void EditorResized(int width, int height) = 0;         // 30
  virtual void PerHostSetup() {}                                 // 31
  // Links the editor (which the core then owns) and pushes every parameter
  // into it; UI thread (construction), takes the lock.
  virtual void AttachEditor(IEditorLink* editor);                // 32
  virtual void ChangeLatency(int frames) { mLatency = frames; }  // 33
  virtual bool SendMidiMessage(const IMidiMessage& msg) = 0;     // 34
  virtual bool SendSysExMessage(const ISysExMessage& msg) { (void)msg; return false; }  // 35
  // Pushes every parameter's value into the editor; the caller holds the lock.
  virtual void RefreshEditorControls();                          // 36
  virtual void Unused37() {}                                     // 37
  virtual void PresetsChanged() {}                               // 38
  // Resizes and zeroes the scratch buffers; UI thread, lock held.
  virtual void ChangeBlockSize(int frames);                      // 39

  IPlugBase(const IPlugBase&) = delete;
  IPlugBase& operator=(const IPlugBase&) = delete;

  // The instance lock. Recursive.
  ILock& Lock() { return mLock; }

  // Parameters. ParameterAt gives null for an index outside the list.
  IParameter* ParameterAt(int index) const { return mParams.Get(index); }
  int NParams() const { return mParams.Count(); }

  // Identity and configuration: fixed at construction, readable anywhere.
  const char* EffectName() const { return mEffectName; }
  const char* ProductName() const { return mProductName; }
  const char* MakerName() const { return mMakerName; }
  int UniqueId() const { return mUniqueId; }
  int MakerId() const { return mMakerId; }
  int Version() const { return mVersion; }
  bool DoesStateChunks() const { return mStateChunks; }
  bool IsInstrument() const { return mIsInstrument; }
  bool HandlesMidi() const { return mHandlesMidi; }
  int TailSize() const { return mTailSize; }
  int Latency() const { return mLatency; }
  double SampleRate() const { return mSampleRate; }
  int BlockSize() const { return mBlockSize; }
  int HostVersion() const { return mHostVersion; }
  IEditorLink* Editor() const { return mEditor; }

  // The editor's window opened and closed in the steps the window layers
  // need: what waits on the window system outside the instance lock, the
  // window and the editor's state (EditorOpened, EditorClosing) under it.
  // For adapters whose host calls arrive without the lock; UI thread. The
  // opens give the window, or null (no editor, or no window to be had).
  void* OpenEditorInSteps(void* parent);
  // The same with the editor in a top-level window of its own, titled with
  // EffectName(), for hosts that give no parent window.
  void* OpenOwnEditorWindowInSteps();
  void CloseEditorInSteps();

  // Channel configurations and records. Connections change on the UI thread
  // with the lock held.
  int NChannelConfigs() const { return mChannelConfigs.Count(); }
  const IChannelConfig* ChannelConfig(int i) const { return mChannelConfigs.Get(i); }
  bool LegalIO(int nIn, int nOut) const;
  int NInChannels() const { return mInChannels.Count(); }
  int NOutChannels() const { return mOutChannels.Count(); }
  IInputChannel* InChannel(int i) const { return mInChannels.Get(i); }
  IOutputChannel* OutChannel(int i) const { return mOutChannels.Get(i); }
  bool IsInChannelConnected(int i) const;
  bool IsOutChannelConnected(int i) const;
  void SetInputConnections(int start, int count, bool connected);
  void SetOutputConnections(int start, int count, bool connected);

  // The processing frame. Audio thread, instance lock held.
  // Makes every scratch buffer hold at least frames samples, growing them
  // (zero-filled) when a host sends a block longer than the block size.
  void PrepareScratch(int frames);
  void AttachInputs(int count, float** inputs, int frames);
  void AttachInputBuffers(double** inputs, int frames);
  void AttachOutputBuffers(double** outputs, int frames);
  void AttachOutputsSingle(float** outputs);
  void WriteOutputs(int frames, bool accumulate);
  double** InputPointers() { return NInChannels() ? static_cast<double**>(mInPtrs.Data()) : nullptr; }
  double** OutputPointers() { return NOutChannels() ? static_cast<double**>(mOutPtrs.Data()) : nullptr; }

  // Presets and state. Each takes the instance lock.
  int NPresets() const { return mPresets.Count(); }
  int CurrentPresetIndex() const { return mCurrentPreset; }
  IPresetSlot* PresetAt(int i) const { return mPresets.Get(i); }
  const char* PresetName(int i) const;
  void FillEmptyPresets(const char* name, int count);
  bool RestorePreset(int index);
  void ModifyCurrentPreset(const char* name = nullptr);
  bool SerializePresets(IStateChunk& chunk);
  int UnserializePresets(const IStateChunk& chunk, int pos);

  // State chunks as hosts store them: the header (WriteChunkHeader), then
  // the bank's preset slots or the program's parameter values. Every adapter
  // hands the host exactly these bytes. Each operation takes the instance
  // lock for its whole duration, so it never overlaps a block. Not for the
  // audio thread: a restore calls ParameterChanged for every parameter and
  // pushes every value into the editor's controls; adapters call them from
  // the host's state requests, on the host's UI thread.
  //
  // SaveBankChunk empties chunk, saves the current values into the current
  // slot and writes every slot. SaveProgramChunk empties chunk and writes the
  // current values. Both are false when memory runs out, with chunk then
  // holding an unusable part.
  bool SaveBankChunk(IStateChunk& chunk);
  bool SaveProgramChunk(IStateChunk& chunk);
  // RestoreBankChunk reads the slots of a bank with a current header and
  // restores the current slot; a bank without one (older hosts stored the
  // program's values alone) is read as a program. RestoreProgramChunk reads
  // the values, with or without a header, and saves them into the current
  // slot. False when the chunk ends early or is damaged; the values read
  // before that stay applied. On success the editor's controls show the
  // restored values.
  bool RestoreBankChunk(const IStateChunk& chunk);
  bool RestoreProgramChunk(const IStateChunk& chunk);

protected:
  void SetSampleRate(double rate) { mSampleRate = rate; }
  void SetHostKind(int kind, int version)
  {
    mHostKind = kind;
    mHostVersion = version;
  }

private:
  void RepointUnconnected();
  // The open steps for either kind of window: prepare(editor) without the
  // lock, open(editor) under it, then the editor's finish without it.
  template <typename Prepare, typename Open>
  void* OpenInSteps(Prepare prepare, Open open);

  IPtrList<IChannelConfig> mChannelConfigs;
  ILock mLock;
  char mEffectName[kIdentityTextBytes] = {};
  char mProductName[kIdentityTextBytes] = {};
  char mMakerName[kIdentityTextBytes] = {};
  int mUniqueId;
  int mMakerId;
  int mVersion;
  int mApiKind = 0;
  int mHostKind = -1;
  int mHostVersion = 0;
  bool mStateChunks;
  bool mIsInstrument;
  bool mHandlesMidi;
  int mCurrentPreset = 0;
  double mSampleRate = 44100.0;
  int mBlockSize = 0;
  int mLatency;
  int mTailSize = 0;
  IEditorLink* mEditor = nullptr;
  IPtrList<IParameter> mParams;
  IPtrList<IPresetSlot> mPresets;
  IGrowBuffer mInPtrs{4096};
  IGrowBuffer mOutPtrs{4096};
  IPtrList<IInputChannel> mInChannels;
  IPtrList<IOutputChannel> mOutChannels;
};
