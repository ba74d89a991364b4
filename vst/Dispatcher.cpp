// The dispatcher: one handler per VST 2.4 opcode, looked up in a flat table.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/Parameter.h"
#include "base/TextNumber.h"
#include "vst/PlugVST.h"

namespace {

typedef VstIntPtr (*OpcodeHandler)(IPlugVST& plug, VstInt32 index, VstIntPtr value, void* ptr, float opt);

// The range of a 32-bit index or count carried in the pointer-wide value.
constexpr VstIntPtr kInt32Min = -0x7FFFFFFFLL - 1;
constexpr VstIntPtr kInt32Max = 0x7FFFFFFF;

// Host extension bits, set when the host asks whether they are supported.
constexpr int kExtensionCockos = 1;
constexpr int kExtensionViewAsConfig = 2;

// Copies text into a host buffer of `bound` bytes, cut and terminated.
void CopyToHost(void* ptr, const char* text, int bound) { CopyText(static_cast<char*>(ptr), text, bound); }

// Some hosts send effOpen more than once: the host query runs the first time
// only, and the parameters are derived again, which changes nothing.
VstIntPtr OnOpen(IPlugVST& plug, VstInt32, VstIntPtr, void*, float)
{
  plug.PerHostSetup();
  for (int i = 0; i < plug.NParams(); ++i) plug.ParameterChanged(i);
  return 0;
}

// A program change saves the values into the slot being left, so that hosts
// switching programs back and forth keep edits. An effect that keeps its state
// in chunks leaves programs to the chunks, which hosts restore themselves.
VstIntPtr OnSetProgram(IPlugVST& plug, VstInt32, VstIntPtr value, void*, float)
{
  if (plug.DoesStateChunks()) return 0;
  plug.ModifyCurrentPreset();
  // A preset index beyond 32 bits is no index of ours.
  if (value >= kInt32Min && value <= kInt32Max) plug.RestorePreset(static_cast<int>(value));
  return 0;
}

VstIntPtr OnGetProgram(IPlugVST& plug, VstInt32, VstIntPtr, void*, float) { return plug.CurrentPresetIndex(); }

VstIntPtr OnSetProgramName(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  if (!ptr) return 0;
  // The host's text may be unterminated within a program-name field; read at
  // most one preset name's worth of it.
  char name[kPresetNameBytes];
  CopyText(name, static_cast<const char*>(ptr), kPresetNameBytes);
  plug.ModifyCurrentPreset(name);
  plug.PresetsChanged();
  return 0;
}

VstIntPtr OnGetProgramName(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  if (ptr) CopyToHost(ptr, plug.PresetName(plug.CurrentPresetIndex()), kHostProgramNameBytes);
  return 0;
}

VstIntPtr OnGetParamLabel(IPlugVST& plug, VstInt32 index, VstIntPtr, void* ptr, float)
{
  const IParameter* p = plug.ParameterAt(index);
  if (p && ptr) CopyToHost(ptr, p->UnitLabel(), kHostParamLabelBytes);
  return 0;
}

VstIntPtr OnGetParamDisplay(IPlugVST& plug, VstInt32 index, VstIntPtr, void* ptr, float)
{
  const IParameter* p = plug.ParameterAt(index);
  if (p && ptr) p->FormatCurrent(static_cast<char*>(ptr), kHostParamDisplayBytes);
  return 0;
}

VstIntPtr OnGetParamName(IPlugVST& plug, VstInt32 index, VstIntPtr, void* ptr, float)
{
  const IParameter* p = plug.ParameterAt(index);
  if (p && ptr) CopyToHost(ptr, p->Name(), kHostParamNameBytes);
  return 0;
}

VstIntPtr OnSetSampleRate(IPlugVST& plug, VstInt32, VstIntPtr, void*, float opt)
{
  // A rate of 0, a negative one or a non-number would divide every filter
  // coefficient by zero or worse: keep the previous rate.
  if (std::isfinite(opt) && opt > 0.0f) plug.SetSampleRateFromHost(opt);
  plug.ResetProcessing();
  return 0;
}

VstIntPtr OnSetBlockSize(IPlugVST& plug, VstInt32, VstIntPtr value, void*, float)
{
  const int frames = value < 0 ? 0 : (value > kInt32Max ? static_cast<int>(kInt32Max) : static_cast<int>(value));
  plug.ChangeBlockSize(frames);
  plug.ResetProcessing();
  return 0;
}

VstIntPtr OnMainsChanged(IPlugVST& plug, VstInt32, VstIntPtr value, void*, float)
{
  if (value) {
    plug.ActivationChanged(true);
  } else {
    plug.ActivationChanged(false);
    plug.ResetProcessing();
  }
  return 0;
}

VstIntPtr OnEditGetRect(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  if (!ptr || !plug.Editor()) return 0;
  *static_cast<ERect**>(ptr) = &plug.EditorRect();
  return 1;
}

VstIntPtr OnEditOpen(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  IEditorLink* editor = plug.Editor();
  if (!editor || !IPlugVST::PlatformHasEditorWindow()) return 0;
  if (!editor->OpenEditor(ptr)) return 0;
  plug.EditorOpened();
  return 1;
}

// Hosts may close an editor that is not open, or close it twice; the editor
// then has no window to destroy and the call does no harm.
VstIntPtr OnEditClose(IPlugVST& plug, VstInt32, VstIntPtr, void*, float)
{
  IEditorLink* editor = plug.Editor();
  if (!editor) return 0;
  plug.EditorClosing();
  editor->CloseEditor();
  return 1;
}

VstIntPtr OnIdentify(IPlugVST&, VstInt32, VstIntPtr, void*, float) { return 0x4E764566; }

// The host reads the chunk through the pointer it gets; the memory stays the
// instance's and valid until the next chunk call of the same kind or effClose.
// index selects the program chunk (not 0) or the bank chunk (0).
VstIntPtr OnGetChunk(IPlugVST& plug, VstInt32 index, VstIntPtr, void* ptr, float)
{
  if (!ptr) return 0;
  const bool program = index != 0;
  IStateChunk& chunk = program ? plug.ProgramChunk() : plug.BankChunk();
  const bool saved = program ? plug.SaveProgramChunk(chunk) : plug.SaveBankChunk(chunk);
  if (!saved) return 0;
  *static_cast<void**>(ptr) = chunk.Data();
  return chunk.Size();
}

// The host's bytes are copied into the instance's own buffer first: the
// readers work on a buffer whose size is known to be right.
VstIntPtr OnSetChunk(IPlugVST& plug, VstInt32 index, VstIntPtr value, void* ptr, float)
{
  if (!ptr) return 0;
  // A negative or absurd byte count is no chunk.
  if (value < 0 || value > kInt32Max) return 0;
  const bool program = index != 0;
  IStateChunk& chunk = program ? plug.ProgramChunk() : plug.BankChunk();
  if (!chunk.Assign(ptr, static_cast<int>(value))) return 0;
  const bool restored = program ? plug.RestoreProgramChunk(chunk) : plug.RestoreBankChunk(chunk);
  return restored ? 1 : 0;
}

// Hosts send the events of a block from the audio thread, before the block;
// the instance lock keeps them apart from the user-interface thread's calls.
VstIntPtr OnProcessEvents(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  const VstEvents* events = static_cast<const VstEvents*>(ptr);
  if (!events) return 0;
  // The list holds numEvents pointers although the record declares two: read
  // it through a pointer, not as the fixed-size array.
  VstEvent* const* list = events->events;
  for (int i = 0; i < events->numEvents; ++i) {
    const VstEvent* e = list[i];
    if (!e) continue;
    if (e->type == kVstMidiType) {
      const VstMidiEvent* m = reinterpret_cast<const VstMidiEvent*>(e);
      IMidiMessage msg = {m->deltaFrames, static_cast<unsigned char>(m->midiData[0]),
                          static_cast<unsigned char>(m->midiData[1]), static_cast<unsigned char>(m->midiData[2])};
      plug.HandleMidiMessage(msg);
    } else if (e->type == kVstSysExType) {
      const VstMidiSysexEvent* s = reinterpret_cast<const VstMidiSysexEvent*>(e);
      ISysExMessage msg = {s->deltaFrames, s->dumpBytes, reinterpret_cast<const unsigned char*>(s->sysexDump)};
      plug.HandleSysEx(msg);
    }
  }
  return 1;
}

VstIntPtr OnCanBeAutomated(IPlugVST&, VstInt32, VstIntPtr, void*, float) { return 1; }

VstIntPtr OnString2Parameter(IPlugVST& plug, VstInt32 index, VstIntPtr, void* ptr, float)
{
  IParameter* p = plug.ParameterAt(index);
  if (!p) return 0;
  // A null text is the host asking whether this parameter takes text at all.
  if (!ptr) return 1;
  // Read at most one display's worth of the host's text.
  char text[kMaxNumberText];
  CopyText(text, static_cast<const char*>(ptr), sizeof text);
  double v;
  if (p->DisplayTextCount()) {
    if (!p->LookupDisplayText(text, &v)) return 0;
  } else {
    v = ParseLeadingDouble(text);
    if (p->DisplayNegation()) v = -v;
  }
  if (IEditorLink* editor = plug.Editor()) editor->PushParamToControls(index, v, false);
  p->SetClamped(v);
  plug.ParameterChanged(index);
  return 1;
}

VstIntPtr OnGetProgramNameIndexed(IPlugVST& plug, VstInt32 index, VstIntPtr, void* ptr, float)
{
  if (!ptr) return 0;
  const char* name = plug.PresetName(index);
  CopyToHost(ptr, name, kHostProgramNameBytes);
  return name[0] ? 1 : 0;
}

// Pin properties of one input or output channel.
VstIntPtr PinProperties(void* ptr, VstInt32 index, int count, const IGrowString* label, const char* format)
{
  if (!ptr || index < 0 || index >= count) return 0;
  VstPinProperties* pin = static_cast<VstPinProperties*>(ptr);
  pin->flags = kVstPinIsActive;
  if (index % 2 == 0 && index < count - 1) pin->flags |= kVstPinIsStereo;
  if (label && label->Get()[0]) {
    CopyToHost(pin->label, label->Get(), kHostPinLabelBytes);
  } else {
    std::snprintf(pin->label, kHostPinLabelBytes, format, index + 1);
  }
  return 1;
}

VstIntPtr OnGetInputProperties(IPlugVST& plug, VstInt32 index, VstIntPtr, void* ptr, float)
{
  const IInputChannel* c = plug.InChannel(index);
  return PinProperties(ptr, index, plug.NInChannels(), c ? &c->label : nullptr, "Input %d");
}

VstIntPtr OnGetOutputProperties(IPlugVST& plug, VstInt32 index, VstIntPtr, void* ptr, float)
{
  const IOutputChannel* c = plug.OutChannel(index);
  return PinProperties(ptr, index, plug.NOutChannels(), c ? &c->label : nullptr, "Output %d");
}

VstIntPtr OnGetPlugCategory(IPlugVST& plug, VstInt32, VstIntPtr, void*, float)
{
  return plug.IsInstrument() ? kPlugCategSynth : kPlugCategEffect;
}

VstIntPtr OnSetSpeakerArrangement(IPlugVST& plug, VstInt32, VstIntPtr value, void* ptr, float)
{
  if (const VstSpeakerArrangement* in = reinterpret_cast<const VstSpeakerArrangement*>(value)) {
    const int n = in->numChannels;
    plug.SetInputConnections(0, n, true);
    plug.SetInputConnections(n, plug.NInChannels() - n, false);
  }
  if (const VstSpeakerArrangement* out = static_cast<const VstSpeakerArrangement*>(ptr)) {
    const int n = out->numChannels;
    plug.SetOutputConnections(0, n, true);
    plug.SetOutputConnections(n, plug.NOutChannels() - n, false);
  }
  return 1;
}

VstIntPtr OnGetEffectName(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  if (!ptr) return 0;
  CopyToHost(ptr, plug.EffectName(), kHostEffectNameBytes);
  return 1;
}

VstIntPtr OnGetVendorString(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  if (!ptr) return 0;
  CopyToHost(ptr, plug.MakerName(), kHostVendorBytes);
  return 1;
}

VstIntPtr OnGetProductString(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  if (!ptr) return 0;
  CopyToHost(ptr, plug.ProductName(), kHostProductNameBytes);
  return 1;
}

VstIntPtr OnGetVendorVersion(IPlugVST& plug, VstInt32, VstIntPtr, void*, float)
{
  return IPlugVST::DecimalVersion(plug.Version());
}

// Hosts with the Cockos extensions ask here for a parameter's display text at
// a normalized value other than the current one (index effGetParamDisplay),
// and whether a parameter is discrete (index effGetParamName). The answer
// kVendorSpecificAnswer tells them the query was understood.
VstIntPtr OnVendorSpecific(IPlugVST& plug, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  // Value is a parameter index; anything beyond 32 bits is none of ours.
  const int param = (value >= 0 && value <= kInt32Max) ? static_cast<int>(value) : -1;
  if (index == effGetParamDisplay) {
    if (!ptr) return 0;
    if (const IParameter* p = plug.ParameterAt(param)) {
      p->FormatValue(opt, true, static_cast<char*>(ptr), kHostParamDisplayBytes, true);
    }
    return kVendorSpecificAnswer;
  }
  if (index == effGetParamName) {
    const IParameter* p = plug.ParameterAt(param);
    if (!p) return 0;
    return p->Kind() == kParamContinuous ? 0 : kVendorSpecificAnswer;
  }
  return 0;
}

VstIntPtr OnCanDo(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  const char* text = static_cast<const char*>(ptr);
  if (!text) return 0;
  if (!std::strcmp(text, "receiveVstTimeInfo")) return 1;
  if (plug.HandlesMidi() && (!std::strcmp(text, "sendVstEvents") || !std::strcmp(text, "sendVstMidiEvent") ||
                             !std::strcmp(text, "receiveVstEvents") || !std::strcmp(text, "receiveVstMidiEvent"))) {
    return 1;
  }
  // A host that asks about its own extensions has them; the bits remember
  // that for host-specific behaviour later.
  if (!std::strcmp(text, "hasCockosExtensions")) {
    plug.AddHostExtension(kExtensionCockos);
    return kCockosAnswer;
  }
  if (!std::strcmp(text, "hasCockosViewAsConfig")) {
    plug.AddHostExtension(kExtensionViewAsConfig);
    return kCockosAnswer;
  }
  return 0;
}

VstIntPtr OnGetTailSize(IPlugVST& plug, VstInt32, VstIntPtr, void*, float) { return plug.TailSize(); }

VstIntPtr OnGetVstVersion(IPlugVST&, VstInt32, VstIntPtr, void*, float) { return kVstVersion; }

VstIntPtr OnGetMidiKeyName(IPlugVST& plug, VstInt32, VstIntPtr, void* ptr, float)
{
  MidiKeyName* key = static_cast<MidiKeyName*>(ptr);
  if (!key) return 0;
  key->keyName[0] = 0;
  // The core's name hook writes into a key-name field of ours first.
  char name[kHostMidiKeyNameBytes] = {};
  const bool named = plug.NameForMidiNote(key->thisKeyNumber, name);
  CopyToHost(key->keyName, name, kHostMidiKeyNameBytes);
  return named ? 1 : 0;
}

VstIntPtr OnGetSpeakerArrangement(IPlugVST& plug, VstInt32, VstIntPtr value, void* ptr, float)
{
  if (value) *reinterpret_cast<VstSpeakerArrangement**>(value) = &plug.InputArrangement();
  if (ptr) *static_cast<VstSpeakerArrangement**>(ptr) = &plug.OutputArrangement();
  return 1;
}

// The editor's window-system work that waits (connecting, round trips) runs
// before and after the locked handlers of effEditOpen and effEditClose,
// without the instance lock, so that the audio thread never waits for it.
// The finishing step follows an open too: a second effEditOpen without a
// close between (some hosts send it) lets the first window go.
void PrepareEditorOpen(IPlugVST& plug, void* ptr)
{
  IEditorLink* editor = plug.Editor();
  if (editor && IPlugVST::PlatformHasEditorWindow()) editor->PrepareOpen(ptr);
}

void FinishEditorClose(IPlugVST& plug, void*)
{
  if (IEditorLink* editor = plug.Editor()) editor->FinishClose();
}

struct OpcodeEntry
{
  VstInt32 opcode;
  OpcodeHandler handler;
};

typedef void (*UnlockedStep)(IPlugVST& plug, void* ptr);

// Steps an opcode runs without the instance lock, before and after its
// handler (either may be null).
struct UnlockedSteps
{
  VstInt32 opcode;
  UnlockedStep before;
  UnlockedStep after;
};

const UnlockedSteps kUnlockedSteps[] = {
  {effEditOpen, PrepareEditorOpen, FinishEditorClose},
  {effEditClose, nullptr, FinishEditorClose},
};

// Every opcode the instance answers; all others answer 0. effClose is handled
// by the frame itself, since it must release the lock before deleting.
const OpcodeEntry kOpcodes[] = {
  {effOpen, OnOpen},
  {effSetProgram, OnSetProgram},
  {effGetProgram, OnGetProgram},
  {effSetProgramName, OnSetProgramName},
  {effGetProgramName, OnGetProgramName},
  {effGetParamLabel, OnGetParamLabel},
  {effGetParamDisplay, OnGetParamDisplay},
  {effGetParamName, OnGetParamName},
  {effSetSampleRate, OnSetSampleRate},
  {effSetBlockSize, OnSetBlockSize},
  {effMainsChanged, OnMainsChanged},
  {effEditGetRect, OnEditGetRect},
  {effEditOpen, OnEditOpen},
  {effEditClose, OnEditClose},
  {effIdentify, OnIdentify},
  {effGetChunk, OnGetChunk},
  {effSetChunk, OnSetChunk},
  {effProcessEvents, OnProcessEvents},
  {effCanBeAutomated, OnCanBeAutomated},
  {effString2Parameter, OnString2Parameter},
  {effGetProgramNameIndexed, OnGetProgramNameIndexed},
  {effGetInputProperties, OnGetInputProperties},
  {effGetOutputProperties, OnGetOutputProperties},
  {effGetPlugCategory, OnGetPlugCategory},
  {effSetSpeakerArrangement, OnSetSpeakerArrangement},
  {effGetEffectName, OnGetEffectName},
  {effGetVendorString, OnGetVendorString},
  {effGetProductString, OnGetProductString},
  {effGetVendorVersion, OnGetVendorVersion},
  {effVendorSpecific, OnVendorSpecific},
  {effCanDo, OnCanDo},
  {effGetTailSize, OnGetTailSize},
  {effGetVstVersion, OnGetVstVersion},
  {effGetMidiKeyName, OnGetMidiKeyName},
  {effGetSpeakerArrangement, OnGetSpeakerArrangement},
};

OpcodeHandler HandlerFor(VstInt32 opcode)
{
  for (const OpcodeEntry& e : kOpcodes) {
    if (e.opcode == opcode) return e.handler;
  }
  return nullptr;
}

const UnlockedSteps* UnlockedStepsFor(VstInt32 opcode)
{
  for (const UnlockedSteps& s : kUnlockedSteps) {
    if (s.opcode == opcode) return &s;
  }
  return nullptr;
}

}  // namespace

VstIntPtr IPlugVST::VSTDispatcher(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                  float opt)
{
  IPlugVST* plug = FromEffect(effect);
  if (!plug) return 0;
  if (opcode == effEditIdle) {
    // The editor's idle work (X round trips, painting) runs without the
    // instance lock, as a window timer would, so a slow display never holds
    // up the audio thread; only the parameter changes it makes take the lock.
    if (IEditorLink* editor = plug->Editor()) editor->IdleEditor();
    return 0;
  }
  const UnlockedSteps* unlocked = UnlockedStepsFor(opcode);
  if (unlocked && unlocked->before) unlocked->before(*plug, ptr);
  plug->Lock().Enter();
  if (opcode == effClose) {
    plug->Lock().Leave();
    delete plug;
    return 0;
  }
  const OpcodeHandler handler = HandlerFor(opcode);
  const VstIntPtr result = handler ? handler(*plug, index, value, ptr, opt) : 0;
  plug->Lock().Leave();
  if (unlocked && unlocked->after) unlocked->after(*plug, ptr);
  return result;
}
