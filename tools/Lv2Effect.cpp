// One LV2 instance behind a VST 2.4 effect record, as the host tool drives
// it:
//
//   parameters       the input control ports, in port order; setParameter
//                    maps 0..1 linearly onto the port's range and the value
//                    reaches the port before the next run
//   audio            processReplacing runs the instance on the host's
//                    buffers in slices of at most the block size; process
//                    adds, processDoubleReplacing converts
//   sample rate,     the instance is made at the rate with the block size
//   block size       as its bounded maximum (options); a change makes a new
//                    instance that takes the old one's state
//   chunks           the plug-in's state as lilv writes it (Turtle with the
//                    port values and the state properties); setting one
//                    restores it through lilv
//   programs         the plug-in's presets
//   editor           the X11 UI inside the host's window: port values go to
//                    it on opening and, when changed, at idle calls; its
//                    writes are audioMasterAutomate, its gestures
//                    audioMasterBeginEdit and audioMasterEndEdit
//
// Threads: the dispatcher on the host's UI thread; the audio callbacks on
// the audio thread; setParameter and getParameter on either. The instance
// lock (a recursive mutex of the record) serialises everything that touches
// the LV2 instance; parameter and indicator values cross between threads as
// atomics.
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/presets/presets.h>
#include <lv2/state/state.h>
#include <serd/serd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/TextNumber.h"
#include "tools/Lv2Editor.h"
#include "tools/Lv2Plugin.h"

namespace {

constexpr double kInitialRate = 44100.0;
constexpr int kInitialBlock = 1024;
constexpr int kSmallestBlock = 1;
// Bytes of each atom output port's buffer.
constexpr uint32_t kAtomCapacity = 8192;
// The subject of the state texts this host writes.
constexpr const char* kStateUri = "urn:vexa-host:state";
// A displayed value keeps this many significant digits.
constexpr int kDisplayDigits = 4;
constexpr int kMaxDisplayDecimals = 4;
// The largest side an editor rectangle holds.
constexpr int kMaxRectSide = INT16_MAX;

// Which state texts lilv can take. lilv_state_new_from_string looks up the
// subject typed pset:Preset and reads it without checking that one was found:
// text that names none (damaged, truncated, foreign) makes it dereference
// null. So the text is read once here, with the prefixes lilv predefines and
// the same reader, and goes to lilv only when it types some subject a preset.
struct PresetScan
{
  SerdEnv* env;
  bool found;
};

constexpr const char* kStatePrefixes[][2] = {
  {"atom", LV2_ATOM_PREFIX}, {"lv2", LV2_CORE_PREFIX}, {"pset", LV2_PRESETS_PREFIX},
  {"rdf", "http://www.w3.org/1999/02/22-rdf-syntax-ns#"}, {"rdfs", "http://www.w3.org/2000/01/rdf-schema#"},
  {"state", LV2_STATE_PREFIX}, {"xsd", "http://www.w3.org/2001/XMLSchema#"}};
constexpr const char* kRdfType = "http://www.w3.org/1999/02/22-rdf-syntax-ns#type";

bool ExpandsTo(const SerdEnv* env, const SerdNode* node, const char* uri)
{
  SerdNode full = serd_env_expand_node(env, node);
  const bool same = full.buf && std::strcmp(reinterpret_cast<const char*>(full.buf), uri) == 0;
  serd_node_free(&full);
  return same;
}

SerdStatus ScanBase(void* handle, const SerdNode* uri)
{
  return serd_env_set_base_uri(static_cast<PresetScan*>(handle)->env, uri);
}

SerdStatus ScanPrefix(void* handle, const SerdNode* name, const SerdNode* uri)
{
  return serd_env_set_prefix(static_cast<PresetScan*>(handle)->env, name, uri);
}

SerdStatus ScanStatement(void* handle, SerdStatementFlags, const SerdNode*, const SerdNode*,
                         const SerdNode* predicate, const SerdNode* object, const SerdNode*, const SerdNode*)
{
  PresetScan* scan = static_cast<PresetScan*>(handle);
  if (ExpandsTo(scan->env, predicate, kRdfType) && ExpandsTo(scan->env, object, LV2_PRESETS__Preset)) {
    scan->found = true;
  }
  return SERD_SUCCESS;
}

// lilv reports the text's faults when it reads it; this first reading stays
// quiet.
SerdStatus QuietErrors(void*, const SerdError*) { return SERD_SUCCESS; }

bool NamesAPreset(const char* text)
{
  SerdNode base = SERD_NODE_NULL;
  PresetScan scan{serd_env_new(&base), false};
  for (const auto& prefix : kStatePrefixes) {
    serd_env_set_prefix_from_strings(scan.env, reinterpret_cast<const uint8_t*>(prefix[0]),
                                     reinterpret_cast<const uint8_t*>(prefix[1]));
  }
  SerdReader* reader = serd_reader_new(SERD_TURTLE, &scan, nullptr, ScanBase, ScanPrefix, ScanStatement, nullptr);
  serd_reader_set_error_sink(reader, QuietErrors, nullptr);
  serd_reader_read_string(reader, reinterpret_cast<const uint8_t*>(text));
  serd_reader_free(reader);
  serd_env_free(scan.env);
  return scan.found;
}

void CopyText(void* ptr, const std::string& text, int bound)
{
  if (!ptr || bound <= 0) return;
  const size_t n = text.size() < static_cast<size_t>(bound) ? text.size() : static_cast<size_t>(bound) - 1;
  std::memcpy(ptr, text.data(), n);
  static_cast<char*>(ptr)[n] = 0;
}

bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class Lv2Effect final : public Lv2UiController
{
public:
  Lv2Effect(Lv2Plugin& plugin, audioMasterCallback host);
  ~Lv2Effect();
  bool Instantiate();
  AEffect* Record() { return &mRecord; }

private:
  typedef VstIntPtr (Lv2Effect::*Handler)(VstInt32 index, VstIntPtr value, void* ptr, float opt);
  struct OpcodeEntry
  {
    VstInt32 opcode;
    Handler handler;
  };
  static const OpcodeEntry kOpcodes[];

  static Lv2Effect* From(AEffect* e) { return static_cast<Lv2Effect*>(e->object); }
  static VstIntPtr Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  static void Process(AEffect* e, float** in, float** out, VstInt32 frames);
  static void ProcessReplacing(AEffect* e, float** in, float** out, VstInt32 frames);
  static void ProcessDouble(AEffect* e, double** in, double** out, VstInt32 frames);
  static void SetParameter(AEffect* e, VstInt32 index, float value);
  static float GetParameter(AEffect* e, VstInt32 index);

  // Opcode handlers.
  VstIntPtr OnSetProgram(VstInt32, VstIntPtr value, void*, float);
  VstIntPtr OnGetProgram(VstInt32, VstIntPtr, void*, float) { return mProgram; }
  VstIntPtr OnGetProgramName(VstInt32, VstIntPtr, void* ptr, float);
  VstIntPtr OnGetParamLabel(VstInt32 index, VstIntPtr, void* ptr, float);
  VstIntPtr OnGetParamDisplay(VstInt32 index, VstIntPtr, void* ptr, float);
  VstIntPtr OnGetParamName(VstInt32 index, VstIntPtr, void* ptr, float);
  VstIntPtr OnSetSampleRate(VstInt32, VstIntPtr, void*, float opt);
  VstIntPtr OnSetBlockSize(VstInt32, VstIntPtr value, void*, float);
  VstIntPtr OnMainsChanged(VstInt32, VstIntPtr value, void*, float);
  VstIntPtr OnEditGetRect(VstInt32, VstIntPtr, void* ptr, float);
  VstIntPtr OnEditOpen(VstInt32, VstIntPtr, void* ptr, float);
  VstIntPtr OnEditClose(VstInt32, VstIntPtr, void*, float);
  VstIntPtr OnEditIdle(VstInt32, VstIntPtr, void*, float);
  VstIntPtr OnGetChunk(VstInt32, VstIntPtr, void* ptr, float);
  VstIntPtr OnSetChunk(VstInt32, VstIntPtr value, void* ptr, float);
  VstIntPtr OnString2Parameter(VstInt32 index, VstIntPtr, void* ptr, float);
  VstIntPtr OnGetProgramNameIndexed(VstInt32 index, VstIntPtr, void* ptr, float);
  VstIntPtr OnGetPlugCategory(VstInt32, VstIntPtr, void*, float) { return kPlugCategEffect; }
  VstIntPtr OnGetEffectName(VstInt32, VstIntPtr, void* ptr, float);
  VstIntPtr OnGetVendorString(VstInt32, VstIntPtr, void* ptr, float);
  VstIntPtr OnGetVstVersion(VstInt32, VstIntPtr, void*, float) { return kVstVersion; }

  // The instance: made (again) when the rate or block size changed.
  // Instance lock held.
  bool EnsureInstance();
  void FreeInstance();
  void SetUpOptions();
  void ConnectFixedPorts();
  void Activate();
  void RunFloat(float** in, float** out, int frames, bool accumulate);
  void RunSlice(float** in, float** out, int offset, int frames, bool accumulate);
  void ResetAtomPorts();

  // State as text, and back. Instance lock held.
  std::string SaveState();
  bool RestoreState(const char* text);
  bool ApplyState(LilvState* state);
  static const void* PortValueForState(const char* symbol, void* self, uint32_t* size, uint32_t* type);
  static void PortValueFromState(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type);

  const Lv2PortInfo* Param(VstInt32 index) const;
  float PlainFromNormalized(const Lv2PortInfo& port, float normalized) const;
  std::string Display(const Lv2PortInfo& port, float value) const;
  int ParamOfPort(uint32_t port) const;
  void SendPortEvents(bool all);

  // Lv2UiController.
  void UiWrite(uint32_t port, float value) override;
  void UiTouch(uint32_t port, bool grabbed) override;
  void UiResize(int width, int height) override;

  Lv2Plugin& mPlugin;
  audioMasterCallback mHost;
  AEffect mRecord = {};
  std::recursive_mutex mLock;

  LilvInstance* mInstance = nullptr;
  double mRate = kInitialRate;
  int mBlock = kInitialBlock;
  double mInstanceRate = 0.0;
  int mInstanceBlock = 0;
  bool mResumed = false;
  bool mActive = false;

  // What the instance is offered; valid while it lives.
  int32_t mMinBlock = kSmallestBlock;
  int32_t mMaxBlock = kInitialBlock;
  int32_t mNominalBlock = kInitialBlock;
  float mOptionRate = static_cast<float>(kInitialRate);
  LV2_Options_Option mOptions[5] = {};
  LV2_Feature mMapFeature = {};
  LV2_Feature mUnmapFeature = {};
  LV2_Feature mLogFeature = {};
  LV2_Feature mOptionsFeature = {};
  LV2_Feature mBoundedFeature = {};
  const LV2_Feature* mFeatures[6] = {};

  // Port buffers, by port index. Control values are read by the instance
  // during run; parameter values (what the host set) reach them before.
  std::vector<float> mControls;
  std::unique_ptr<std::atomic<float>[]> mParamValues;
  std::unique_ptr<std::atomic<float>[]> mOutputValues;  // by controlOuts position
  std::vector<std::vector<uint64_t>> mAtoms;            // by port index, empty for other ports
  std::vector<std::vector<float>> mScratch;             // one per audio port, block size
  std::vector<float> mSilence;
  std::vector<std::vector<float>> mFloatIn, mFloatOut;  // for the double-precision callback
  std::string mChunk;
  int mProgram = 0;

  // The editor and what it was last told.
  std::unique_ptr<Lv2Editor> mEditor;
  std::vector<float> mSentParams, mSentOutputs;
  ERect mRect = {};
  bool mHaveSize = false;
};

const Lv2Effect::OpcodeEntry Lv2Effect::kOpcodes[] = {
  {effSetProgram, &Lv2Effect::OnSetProgram},
  {effGetProgram, &Lv2Effect::OnGetProgram},
  {effGetProgramName, &Lv2Effect::OnGetProgramName},
  {effGetParamLabel, &Lv2Effect::OnGetParamLabel},
  {effGetParamDisplay, &Lv2Effect::OnGetParamDisplay},
  {effGetParamName, &Lv2Effect::OnGetParamName},
  {effSetSampleRate, &Lv2Effect::OnSetSampleRate},
  {effSetBlockSize, &Lv2Effect::OnSetBlockSize},
  {effMainsChanged, &Lv2Effect::OnMainsChanged},
  {effEditGetRect, &Lv2Effect::OnEditGetRect},
  {effEditOpen, &Lv2Effect::OnEditOpen},
  {effEditClose, &Lv2Effect::OnEditClose},
  {effEditIdle, &Lv2Effect::OnEditIdle},
  {effGetChunk, &Lv2Effect::OnGetChunk},
  {effSetChunk, &Lv2Effect::OnSetChunk},
  {effString2Parameter, &Lv2Effect::OnString2Parameter},
  {effGetProgramNameIndexed, &Lv2Effect::OnGetProgramNameIndexed},
  {effGetPlugCategory, &Lv2Effect::OnGetPlugCategory},
  {effGetEffectName, &Lv2Effect::OnGetEffectName},
  {effGetVendorString, &Lv2Effect::OnGetVendorString},
  {effGetVstVersion, &Lv2Effect::OnGetVstVersion},
};

Lv2Effect::Lv2Effect(Lv2Plugin& plugin, audioMasterCallback host) : mPlugin(plugin), mHost(host)
{
  const size_t nParams = plugin.params.size(), nOuts = plugin.controlOuts.size();
  mControls.assign(plugin.ports.size(), 0.0f);
  mParamValues.reset(new std::atomic<float>[nParams]);
  mOutputValues.reset(new std::atomic<float>[nOuts]);
  for (size_t i = 0; i < nParams; ++i) {
    const float v = plugin.ports[plugin.params[i]].defaultValue;
    mParamValues[i].store(v);
    mControls[plugin.params[i]] = v;
  }
  for (size_t i = 0; i < nOuts; ++i) mOutputValues[i].store(0.0f);
  mAtoms.resize(plugin.ports.size());
  for (const Lv2PortInfo& p : plugin.ports) {
    if (p.kind == Lv2PortKind::kAtomIn || p.kind == Lv2PortKind::kAtomOut) {
      mAtoms[p.index].assign(kAtomCapacity / sizeof(uint64_t), 0);
    }
  }

  mRecord.magic = kEffectMagic;
  mRecord.dispatcher = Dispatch;
  mRecord.process = Process;
  mRecord.processReplacing = ProcessReplacing;
  mRecord.processDoubleReplacing = ProcessDouble;
  mRecord.setParameter = SetParameter;
  mRecord.getParameter = GetParameter;
  mRecord.numPrograms = static_cast<VstInt32>(plugin.presets.size());
  mRecord.numParams = static_cast<VstInt32>(nParams);
  mRecord.numInputs = static_cast<VstInt32>(plugin.audioIns.size());
  mRecord.numOutputs = static_cast<VstInt32>(plugin.audioOuts.size());
  mRecord.flags = effFlagsCanReplacing | (plugin.hasUi ? effFlagsHasEditor : 0) |
                  (plugin.hasState ? effFlagsProgramChunks : 0);
  mRecord.ioRatio = 1.0f;
  mRecord.object = this;

  mMapFeature = {LV2_URID__map, plugin.urids.MapFeature()};
  mUnmapFeature = {LV2_URID__unmap, plugin.urids.UnmapFeature()};
  mLogFeature = {LV2_LOG__log, &plugin.log};
  mOptionsFeature = {LV2_OPTIONS__options, mOptions};
  mBoundedFeature = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
  const LV2_Feature* features[] = {&mMapFeature,     &mUnmapFeature,   &mLogFeature,
                                   &mOptionsFeature, &mBoundedFeature, nullptr};
  std::memcpy(mFeatures, features, sizeof features);
}

Lv2Effect::~Lv2Effect()
{
  mEditor.reset();
  std::lock_guard<std::recursive_mutex> guard(mLock);
  FreeInstance();
}

bool Lv2Effect::Instantiate()
{
  std::lock_guard<std::recursive_mutex> guard(mLock);
  return EnsureInstance();
}

void Lv2Effect::SetUpOptions()
{
  Lv2UridTable& u = mPlugin.urids;
  const LV2_URID intType = u.Map(LV2_ATOM__Int);
  mMinBlock = kSmallestBlock;
  mMaxBlock = mBlock;
  mNominalBlock = mBlock;
  mOptionRate = static_cast<float>(mRate);
  mOptions[0] = {LV2_OPTIONS_INSTANCE, 0, u.Map(LV2_BUF_SIZE__minBlockLength), sizeof(int32_t), intType, &mMinBlock};
  mOptions[1] = {LV2_OPTIONS_INSTANCE, 0, u.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t), intType, &mMaxBlock};
  mOptions[2] = {LV2_OPTIONS_INSTANCE, 0, u.Map(LV2_BUF_SIZE__nominalBlockLength), sizeof(int32_t), intType,
                 &mNominalBlock};
  mOptions[3] = {LV2_OPTIONS_INSTANCE, 0, u.Map(LV2_PARAMETERS__sampleRate), sizeof(float), u.Map(LV2_ATOM__Float),
                 &mOptionRate};
  mOptions[4] = {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr};
}

bool Lv2Effect::EnsureInstance()
{
  if (mInstance && mInstanceRate == mRate && mInstanceBlock == mBlock) return true;
  const std::string state = mInstance ? SaveState() : std::string();
  FreeInstance();
  SetUpOptions();
  mInstance = lilv_plugin_instantiate(mPlugin.plugin, mRate, mFeatures);
  if (!mInstance) return false;
  mInstanceRate = mRate;
  mInstanceBlock = mBlock;
  const size_t block = static_cast<size_t>(mBlock);
  mScratch.assign(mPlugin.audioOuts.size(), std::vector<float>(block, 0.0f));
  mSilence.assign(block, 0.0f);
  mFloatIn.assign(mPlugin.audioIns.size(), std::vector<float>(block, 0.0f));
  mFloatOut.assign(mPlugin.audioOuts.size(), std::vector<float>(block, 0.0f));
  ConnectFixedPorts();
  if (!state.empty()) RestoreState(state.c_str());
  return true;
}

void Lv2Effect::FreeInstance()
{
  if (!mInstance) return;
  if (mActive) lilv_instance_deactivate(mInstance);
  mActive = false;
  lilv_instance_free(mInstance);
  mInstance = nullptr;
}

void Lv2Effect::ConnectFixedPorts()
{
  for (const Lv2PortInfo& p : mPlugin.ports) {
    if (p.kind == Lv2PortKind::kControlIn || p.kind == Lv2PortKind::kControlOut) {
      lilv_instance_connect_port(mInstance, p.index, &mControls[p.index]);
    } else if (!mAtoms[p.index].empty()) {
      lilv_instance_connect_port(mInstance, p.index, mAtoms[p.index].data());
    }
  }
}

void Lv2Effect::Activate()
{
  if (mActive || !mInstance) return;
  lilv_instance_activate(mInstance);
  mActive = true;
}

void Lv2Effect::ResetAtomPorts()
{
  Lv2UridTable& u = mPlugin.urids;
  for (const Lv2PortInfo& p : mPlugin.ports) {
    if (mAtoms[p.index].empty()) continue;
    LV2_Atom_Sequence* seq = reinterpret_cast<LV2_Atom_Sequence*>(mAtoms[p.index].data());
    if (p.kind == Lv2PortKind::kAtomIn) {
      // An empty sequence.
      seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
      seq->atom.type = u.Map(LV2_ATOM__Sequence);
      seq->body.unit = 0;
      seq->body.pad = 0;
    } else {
      // Room for the plug-in to write into.
      seq->atom.size = kAtomCapacity - sizeof(LV2_Atom);
      seq->atom.type = u.Map(LV2_ATOM__Chunk);
    }
  }
}

void Lv2Effect::RunSlice(float** in, float** out, int offset, int frames, bool accumulate)
{
  for (size_t k = 0; k < mPlugin.audioIns.size(); ++k) {
    float* buffer = in && in[k] ? in[k] + offset : mSilence.data();
    lilv_instance_connect_port(mInstance, mPlugin.audioIns[k], buffer);
  }
  for (size_t k = 0; k < mPlugin.audioOuts.size(); ++k) {
    const bool direct = !accumulate && out && out[k];
    lilv_instance_connect_port(mInstance, mPlugin.audioOuts[k], direct ? out[k] + offset : mScratch[k].data());
  }
  ResetAtomPorts();
  lilv_instance_run(mInstance, static_cast<uint32_t>(frames));
  if (!accumulate || !out) return;
  for (size_t k = 0; k < mPlugin.audioOuts.size(); ++k) {
    if (!out[k]) continue;
    for (int j = 0; j < frames; ++j) out[k][offset + j] += mScratch[k][static_cast<size_t>(j)];
  }
}

void Lv2Effect::RunFloat(float** in, float** out, int frames, bool accumulate)
{
  std::lock_guard<std::recursive_mutex> guard(mLock);
  if (!EnsureInstance()) return;
  Activate();
  for (size_t i = 0; i < mPlugin.params.size(); ++i) mControls[mPlugin.params[i]] = mParamValues[i].load();
  // The host keeps its promise of bounded blocks: longer ones go in slices.
  for (int done = 0; done < frames; done += mInstanceBlock) {
    const int n = frames - done < mInstanceBlock ? frames - done : mInstanceBlock;
    RunSlice(in, out, done, n, accumulate);
  }
  for (size_t i = 0; i < mPlugin.controlOuts.size(); ++i) mOutputValues[i].store(mControls[mPlugin.controlOuts[i]]);
}

void Lv2Effect::Process(AEffect* e, float** in, float** out, VstInt32 frames)
{
  From(e)->RunFloat(in, out, frames, true);
}

void Lv2Effect::ProcessReplacing(AEffect* e, float** in, float** out, VstInt32 frames)
{
  From(e)->RunFloat(in, out, frames, false);
}

void Lv2Effect::ProcessDouble(AEffect* e, double** in, double** out, VstInt32 frames)
{
  // LV2 audio is single precision: the host's doubles go through floats, a
  // block at most at a time.
  Lv2Effect* self = From(e);
  std::lock_guard<std::recursive_mutex> guard(self->mLock);
  if (!self->EnsureInstance()) return;
  const int block = self->mInstanceBlock;
  std::vector<float*> inPtrs, outPtrs;
  for (auto& v : self->mFloatIn) inPtrs.push_back(v.data());
  for (auto& v : self->mFloatOut) outPtrs.push_back(v.data());
  for (int done = 0; done < frames; done += block) {
    const int n = frames - done < block ? frames - done : block;
    for (size_t k = 0; k < inPtrs.size(); ++k) {
      for (int j = 0; j < n; ++j) inPtrs[k][j] = in && in[k] ? static_cast<float>(in[k][done + j]) : 0.0f;
    }
    self->RunFloat(inPtrs.data(), outPtrs.data(), n, false);
    for (size_t k = 0; k < outPtrs.size(); ++k) {
      if (!out || !out[k]) continue;
      for (int j = 0; j < n; ++j) out[k][done + j] = outPtrs[k][j];
    }
  }
}

const Lv2PortInfo* Lv2Effect::Param(VstInt32 index) const
{
  if (index < 0 || static_cast<size_t>(index) >= mPlugin.params.size()) return nullptr;
  return &mPlugin.ports[mPlugin.params[static_cast<size_t>(index)]];
}

int Lv2Effect::ParamOfPort(uint32_t port) const
{
  for (size_t i = 0; i < mPlugin.params.size(); ++i) {
    if (mPlugin.params[i] == port) return static_cast<int>(i);
  }
  return -1;
}

float Lv2Effect::PlainFromNormalized(const Lv2PortInfo& port, float normalized) const
{
  // Linear over the range; toggled and integer ports get the value between
  // their steps as it is, for the plug-in to round.
  return port.minimum + normalized * (port.maximum - port.minimum);
}

void Lv2Effect::SetParameter(AEffect* e, VstInt32 index, float value)
{
  // Hostile values pass as they come: limiting them is the plug-in's job.
  Lv2Effect* self = From(e);
  if (const Lv2PortInfo* port = self->Param(index)) {
    self->mParamValues[static_cast<size_t>(index)].store(self->PlainFromNormalized(*port, value));
  }
}

float Lv2Effect::GetParameter(AEffect* e, VstInt32 index)
{
  Lv2Effect* self = From(e);
  const Lv2PortInfo* port = self->Param(index);
  if (!port || !(port->maximum > port->minimum)) return 0.0f;
  const float v = self->mParamValues[static_cast<size_t>(index)].load();
  const float n = (v - port->minimum) / (port->maximum - port->minimum);
  return n > 0.0f ? (n < 1.0f ? n : 1.0f) : 0.0f;
}

std::string Lv2Effect::Display(const Lv2PortInfo& port, float value) const
{
  for (const Lv2ScalePoint& p : port.scalePoints) {
    if (p.value == value) return p.label;
  }
  char text[kMaxNumberText];
  if (port.toggled || port.integer) {
    FormatInt(TruncateToInt(value), text, sizeof text);
    return text;
  }
  // About kDisplayDigits significant digits.
  const double magnitude = std::fabs(static_cast<double>(value));
  int decimals = magnitude > 0.0 ? kDisplayDigits - 1 - static_cast<int>(std::floor(std::log10(magnitude))) : 1;
  decimals = decimals < 0 ? 0 : (decimals > kMaxDisplayDecimals ? kMaxDisplayDecimals : decimals);
  FormatFixed(value, decimals, text, sizeof text);
  return text;
}

VstIntPtr Lv2Effect::OnGetParamLabel(VstInt32 index, VstIntPtr, void* ptr, float)
{
  if (const Lv2PortInfo* port = Param(index)) CopyText(ptr, port->unit, kHostParamLabelBytes);
  return 0;
}

VstIntPtr Lv2Effect::OnGetParamDisplay(VstInt32 index, VstIntPtr, void* ptr, float)
{
  if (const Lv2PortInfo* port = Param(index)) {
    CopyText(ptr, Display(*port, mParamValues[static_cast<size_t>(index)].load()), kHostParamDisplayBytes);
  }
  return 0;
}

VstIntPtr Lv2Effect::OnGetParamName(VstInt32 index, VstIntPtr, void* ptr, float)
{
  if (const Lv2PortInfo* port = Param(index)) CopyText(ptr, port->name, kHostParamNameBytes);
  return 0;
}

VstIntPtr Lv2Effect::OnString2Parameter(VstInt32 index, VstIntPtr, void* ptr, float)
{
  // The text is a plain value in the port's units.
  if (!Param(index) || !ptr) return 0;
  mParamValues[static_cast<size_t>(index)].store(static_cast<float>(ParseLeadingDouble(static_cast<char*>(ptr))));
  return 1;
}

VstIntPtr Lv2Effect::OnSetSampleRate(VstInt32, VstIntPtr, void*, float opt)
{
  std::lock_guard<std::recursive_mutex> guard(mLock);
  if (opt > 0.0f) mRate = opt;
  return 0;
}

VstIntPtr Lv2Effect::OnSetBlockSize(VstInt32, VstIntPtr value, void*, float)
{
  std::lock_guard<std::recursive_mutex> guard(mLock);
  if (value >= kSmallestBlock && value <= INT32_MAX) mBlock = static_cast<int>(value);
  return 0;
}

VstIntPtr Lv2Effect::OnMainsChanged(VstInt32, VstIntPtr value, void*, float)
{
  std::lock_guard<std::recursive_mutex> guard(mLock);
  mResumed = value != 0;
  if (mResumed) {
    if (EnsureInstance()) Activate();
  } else if (mActive && mInstance) {
    lilv_instance_deactivate(mInstance);
    mActive = false;
  }
  return 0;
}

const void* Lv2Effect::PortValueForState(const char* symbol, void* self, uint32_t* size, uint32_t* type)
{
  Lv2Effect* e = static_cast<Lv2Effect*>(self);
  const Lv2PortInfo* port = e->mPlugin.PortBySymbol(symbol);
  const int param = port ? e->ParamOfPort(port->index) : -1;
  if (param < 0) return nullptr;
  e->mControls[port->index] = e->mParamValues[static_cast<size_t>(param)].load();
  *size = sizeof(float);
  *type = e->mPlugin.urids.Map(LV2_ATOM__Float);
  return &e->mControls[port->index];
}

void Lv2Effect::PortValueFromState(const char* symbol, void* self, const void* value, uint32_t size, uint32_t type)
{
  Lv2Effect* e = static_cast<Lv2Effect*>(self);
  Lv2UridTable& u = e->mPlugin.urids;
  const Lv2PortInfo* port = e->mPlugin.PortBySymbol(symbol);
  const int param = port ? e->ParamOfPort(port->index) : -1;
  if (param < 0 || !value) return;
  float v;
  if (type == u.Map(LV2_ATOM__Float) && size == sizeof(float)) {
    std::memcpy(&v, value, sizeof v);
  } else if (type == u.Map(LV2_ATOM__Double) && size == sizeof(double)) {
    double d;
    std::memcpy(&d, value, sizeof d);
    v = static_cast<float>(d);
  } else if (type == u.Map(LV2_ATOM__Int) && size == sizeof(int32_t)) {
    int32_t i;
    std::memcpy(&i, value, sizeof i);
    v = static_cast<float>(i);
  } else {
    return;
  }
  e->mParamValues[static_cast<size_t>(param)].store(v);
}

std::string Lv2Effect::SaveState()
{
  if (!mInstance) return "";
  LV2_URID_Map* map = mPlugin.urids.MapFeature();
  LilvState* state = lilv_state_new_from_instance(mPlugin.plugin, mInstance, map, nullptr, nullptr, nullptr, nullptr,
                                                  PortValueForState, this,
                                                  LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, mFeatures);
  if (!state) return "";
  char* text = lilv_state_to_string(mPlugin.world, map, mPlugin.urids.UnmapFeature(), state, kStateUri, nullptr);
  lilv_state_free(state);
  std::string result = text ? text : "";
  lilv_free(text);
  return result;
}

bool Lv2Effect::ApplyState(LilvState* state)
{
  if (!state) return false;
  const LilvNode* owner = lilv_state_get_plugin_uri(state);
  const bool ours = owner && mPlugin.uri == lilv_node_as_uri(owner);
  if (ours) lilv_state_restore(state, mInstance, PortValueFromState, this, 0, mFeatures);
  lilv_state_free(state);
  return ours;
}

bool Lv2Effect::RestoreState(const char* text)
{
  if (!mInstance || !NamesAPreset(text)) return false;
  return ApplyState(lilv_state_new_from_string(mPlugin.world, mPlugin.urids.MapFeature(), text));
}

VstIntPtr Lv2Effect::OnGetChunk(VstInt32, VstIntPtr, void* ptr, float)
{
  // Bank and program alike: an LV2 instance has one state.
  std::lock_guard<std::recursive_mutex> guard(mLock);
  if (!ptr || !EnsureInstance()) return 0;
  mChunk = SaveState();
  *static_cast<void**>(ptr) = mChunk.empty() ? nullptr : &mChunk[0];
  return static_cast<VstIntPtr>(mChunk.size());
}

VstIntPtr Lv2Effect::OnSetChunk(VstInt32, VstIntPtr value, void* ptr, float)
{
  std::lock_guard<std::recursive_mutex> guard(mLock);
  if (!ptr || value <= 0 || !EnsureInstance()) return 0;
  const std::string text(static_cast<const char*>(ptr), static_cast<size_t>(value));
  return RestoreState(text.c_str()) ? 1 : 0;
}

VstIntPtr Lv2Effect::OnSetProgram(VstInt32, VstIntPtr value, void*, float)
{
  std::lock_guard<std::recursive_mutex> guard(mLock);
  if (value < 0 || static_cast<size_t>(value) >= mPlugin.presets.size() || !EnsureInstance()) return 0;
  const Lv2Preset& preset = mPlugin.presets[static_cast<size_t>(value)];
  LilvNode* uri = lilv_new_uri(mPlugin.world, preset.uri.c_str());
  const bool ok = ApplyState(lilv_state_new_from_world(mPlugin.world, mPlugin.urids.MapFeature(), uri));
  lilv_node_free(uri);
  if (ok) mProgram = static_cast<int>(value);
  return 0;
}

VstIntPtr Lv2Effect::OnGetProgramName(VstInt32, VstIntPtr, void* ptr, float)
{
  return OnGetProgramNameIndexed(mProgram, 0, ptr, 0.0f);
}

VstIntPtr Lv2Effect::OnGetProgramNameIndexed(VstInt32 index, VstIntPtr, void* ptr, float)
{
  if (index < 0 || static_cast<size_t>(index) >= mPlugin.presets.size()) return 0;
  CopyText(ptr, mPlugin.presets[static_cast<size_t>(index)].label, kHostProgramNameBytes);
  return 1;
}

VstIntPtr Lv2Effect::OnGetEffectName(VstInt32, VstIntPtr, void* ptr, float)
{
  CopyText(ptr, mPlugin.name, kHostEffectNameBytes);
  return 1;
}

VstIntPtr Lv2Effect::OnGetVendorString(VstInt32, VstIntPtr, void* ptr, float)
{
  CopyText(ptr, mPlugin.vendor, kHostVendorBytes);
  return 1;
}

VstIntPtr Lv2Effect::OnEditGetRect(VstInt32, VstIntPtr, void* ptr, float)
{
  // The size is known once the UI asked for it (ui:resize).
  if (!ptr || !mHaveSize) return 0;
  *static_cast<ERect**>(ptr) = &mRect;
  return 1;
}

VstIntPtr Lv2Effect::OnEditOpen(VstInt32, VstIntPtr, void* ptr, float)
{
  if (!mPlugin.hasUi || !ptr) return 0;
  mEditor.reset(new Lv2Editor(mPlugin, *this));
  std::string error;
  if (!mEditor->Open(ptr, error)) {
    std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
    mEditor.reset();
    return 0;
  }
  SendPortEvents(true);
  return 1;
}

VstIntPtr Lv2Effect::OnEditClose(VstInt32, VstIntPtr, void*, float)
{
  mEditor.reset();
  return 0;
}

VstIntPtr Lv2Effect::OnEditIdle(VstInt32, VstIntPtr, void*, float)
{
  if (!mEditor) return 0;
  SendPortEvents(false);
  // A UI that asks to be closed stays until the host closes it.
  mEditor->Idle();
  return 1;
}

void Lv2Effect::SendPortEvents(bool all)
{
  mSentParams.resize(mPlugin.params.size());
  mSentOutputs.resize(mPlugin.controlOuts.size());
  for (size_t i = 0; i < mPlugin.params.size(); ++i) {
    const float v = mParamValues[i].load();
    if (!all && SameBits(v, mSentParams[i])) continue;
    mSentParams[i] = v;
    mEditor->PortEvent(mPlugin.params[i], v);
  }
  for (size_t i = 0; i < mPlugin.controlOuts.size(); ++i) {
    const float v = mOutputValues[i].load();
    if (!all && SameBits(v, mSentOutputs[i])) continue;
    mSentOutputs[i] = v;
    mEditor->PortEvent(mPlugin.controlOuts[i], v);
  }
}

void Lv2Effect::UiWrite(uint32_t port, float value)
{
  const int param = ParamOfPort(port);
  if (param < 0) return;
  mParamValues[static_cast<size_t>(param)].store(value);
  // What the UI wrote it knows already.
  if (static_cast<size_t>(param) < mSentParams.size()) mSentParams[static_cast<size_t>(param)] = value;
  mHost(&mRecord, audioMasterAutomate, param, 0, nullptr, GetParameter(&mRecord, param));
}

void Lv2Effect::UiTouch(uint32_t port, bool grabbed)
{
  const int param = ParamOfPort(port);
  if (param >= 0) mHost(&mRecord, grabbed ? audioMasterBeginEdit : audioMasterEndEdit, param, 0, nullptr, 0.0f);
}

void Lv2Effect::UiResize(int width, int height)
{
  mRect = ERect{0, 0, static_cast<int16_t>(height < kMaxRectSide ? height : kMaxRectSide),
                static_cast<int16_t>(width < kMaxRectSide ? width : kMaxRectSide)};
  mHaveSize = true;
}

VstIntPtr Lv2Effect::Dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  Lv2Effect* self = From(e);
  if (opcode == effClose) {
    delete self;
    return 1;
  }
  for (const OpcodeEntry& entry : kOpcodes) {
    if (entry.opcode == opcode) return (self->*entry.handler)(index, value, ptr, opt);
  }
  return 0;
}

}  // namespace

AEffect* NewLv2Effect(Lv2Plugin& plugin, audioMasterCallback host)
{
  std::unique_ptr<Lv2Effect> effect(new Lv2Effect(plugin, host));
  if (!effect->Instantiate()) return nullptr;
  return effect.release()->Record();
}
