#include "vst/PlugVST.h"

#include <cstring>

#include "base/TextNumber.h"
#include "vst/EntryPoint.h"
#include "vst/HostKind.h"

ILock& EntryLock()
{
  static ILock lock;
  return lock;
}

AEffect* MakeEffect(IPlugVST* (*create)(audioMasterCallback), audioMasterCallback host)
{
  ILockGuard guard(EntryLock());
  IPlugVST* plug = create(host);
  if (!plug) return nullptr;
  plug->FillEmptyPresets("Empty", plug->NPresets());
  AEffect* effect = plug->Effect();
  if (effect->numPrograms < 1) effect->numPrograms = 1;
  return effect;
}

VstInt32 SpeakerArrangementFor(int channels)
{
  switch (channels) {
    case 0: return kSpeakerArrEmpty;
    case 1: return kSpeakerArrMono;
    case 2: return kSpeakerArrStereo;
    default: return kSpeakerArrUserDefined;
  }
}

int IPlugVST::DecimalVersion(int packed)
{
  const unsigned v = static_cast<unsigned>(packed);
  return static_cast<int>(((v >> 16) * 100 + ((v >> 8) & 0xFF)) * 100 + (v & 0xFF));
}

IPlugVST::IPlugVST(audioMasterCallback host, const IPlugDescription& desc) : IPlugBase(desc), mHost(host)
{
  std::memset(&mAEffect, 0, sizeof mAEffect);
  mAEffect.magic = kEffectMagic;
  mAEffect.dispatcher = VSTDispatcher;
  mAEffect.process = VSTProcess;
  mAEffect.setParameter = VSTSetParameter;
  mAEffect.getParameter = VSTGetParameter;
  mAEffect.numPrograms = NPresets();
  mAEffect.numParams = NParams();
  mAEffect.numInputs = NInChannels();
  mAEffect.numOutputs = NOutChannels();
  mAEffect.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  mAEffect.initialDelay = Latency();
  mAEffect.ioRatio = 1.0f;
  mAEffect.object = this;
  mAEffect.uniqueID = UniqueId();
  mAEffect.version = DecimalVersion(Version());
  mAEffect.processReplacing = VSTProcessReplacing;
  mAEffect.processDoubleReplacing = VSTProcessDoubleReplacing;
  if (LegalIO(1, -1)) mAEffect.flags |= effFlagsCanMono;

  mEditRect = ERect{};
  mInputArrangement = VstSpeakerArrangement{};
  mOutputArrangement = VstSpeakerArrangement{};
  mInputArrangement.type = SpeakerArrangementFor(NInChannels());
  mInputArrangement.numChannels = NInChannels();
  mOutputArrangement.type = SpeakerArrangementFor(NOutChannels());
  mOutputArrangement.numChannels = NOutChannels();

  SetInputConnections(0, NInChannels(), true);
  SetOutputConnections(0, NOutChannels(), true);
  if (BlockSize() != kDefaultBlockSize) ChangeBlockSize(kDefaultBlockSize);
}

IPlugVST::~IPlugVST()
{
  mProgramChunk.Clear();
  mBankChunk.Clear();
}

VstIntPtr IPlugVST::CallHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  return mHost ? mHost(&mAEffect, opcode, index, value, ptr, opt) : 0;
}

void IPlugVST::BeginParamEdit(int index) { CallHost(audioMasterBeginEdit, index, 0, nullptr, 0.0f); }

void IPlugVST::ReportParamChange(int index, double normalized)
{
  CallHost(audioMasterAutomate, index, 0, nullptr, static_cast<float>(normalized));
}

void IPlugVST::EndParamEdit(int index) { CallHost(audioMasterEndEdit, index, 0, nullptr, 0.0f); }

void IPlugVST::ReportPresetChange() { CallHost(audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f); }

bool IPlugVST::IsRenderingOffline()
{
  return CallHost(audioMasterGetCurrentProcessLevel, 0, 0, nullptr, 0.0f) == kVstProcessLevelOffline;
}

VstTimeInfo* IPlugVST::GetTime(VstIntPtr flags)
{
  return reinterpret_cast<VstTimeInfo*>(CallHost(audioMasterGetTime, 0, flags, nullptr, 0.0f));
}

int IPlugVST::HostSamplePosition()
{
  const VstTimeInfo* t = GetTime(0);
  if (t && t->samplePos >= 0.0) {
    const int pos = TruncateToInt(t->samplePos + 0.5);
    return pos < 0 ? 0 : pos;  // beyond the 32-bit range: no usable position
  }
  return 0;
}

double IPlugVST::HostTempo()
{
  if (!mHost) return 0.0;
  const VstTimeInfo* t = GetTime(kVstTempoValid);
  if (t && (t->flags & kVstTempoValid) && t->tempo >= 0.0) return t->tempo;
  return 0.0;
}

void IPlugVST::HostTimeSignature(int* numerator, int* denominator)
{
  if (numerator) *numerator = 0;
  if (denominator) *denominator = 0;
  const VstTimeInfo* t = GetTime(kVstTimeSigValid);
  if (t && (t->flags & kVstTimeSigValid) && t->timeSigNumerator >= 0 && t->timeSigDenominator >= 0) {
    if (numerator) *numerator = t->timeSigNumerator;
    if (denominator) *denominator = t->timeSigDenominator;
  }
}

void IPlugVST::HostTimeInfo(ITimeInfo* info)
{
  const VstInt32 validity = kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstCyclePosValid | kVstTimeSigValid;
  const VstTimeInfo* t = GetTime(validity);
  if (!info || !t || !(t->flags & validity)) return;
  info->samplePos = t->samplePos;
  if ((t->flags & kVstPpqPosValid) && t->ppqPos >= 0.0) info->ppqPos = t->ppqPos;
  if ((t->flags & kVstTempoValid) && t->tempo > 0.0) info->tempo = t->tempo;
  if ((t->flags & kVstBarsValid) && t->barStartPos >= 0.0) info->lastBar = t->barStartPos;
  if ((t->flags & kVstCyclePosValid) && t->cycleStartPos >= 0.0 && t->cycleEndPos >= 0.0) {
    info->cycleStart = t->cycleStartPos;
    info->cycleEnd = t->cycleEndPos;
  }
  if ((t->flags & kVstTimeSigValid) && t->timeSigNumerator > 0 && t->timeSigDenominator > 0) {
    info->numerator = t->timeSigNumerator;
    info->denominator = t->timeSigDenominator;
  }
  info->transportRunning = (t->flags & kVstTransportPlaying) != 0;
  info->transportLooping = (t->flags & kVstTransportCycleActive) != 0;
}

int IPlugVST::HostKindOf()
{
  const int known = IPlugBase::HostKindOf();
  if (known != kHostUninit) return known;
  // One byte more than the host is told about, always zero, so that a host
  // that fills the whole buffer without a terminator is still read safely.
  char product[kHostProductBytes + 1] = {};
  CallHost(audioMasterGetProductString, 0, 0, product, 0.0f);
  product[kHostProductBytes] = 0;
  int version = 0;
  if (product[0]) version = PackDecimalVersion(static_cast<int>(CallHost(audioMasterGetVendorVersion, 0, 0, nullptr, 0.0f)));
  const HostKind kind = LookUpHost(product);
  SetHostKind(kind, version);
  return kind;
}

void IPlugVST::EditorResized(int, int)
{
  IEditorLink* editor = Editor();
  if (!editor) return;
  mEditRect.top = 0;
  mEditRect.left = 0;
  mEditRect.bottom = static_cast<int16_t>(editor->Height());
  mEditRect.right = static_cast<int16_t>(editor->Width());
  EditorResizedHook();
}

void IPlugVST::PerHostSetup()
{
  if (mHostSetupDone) return;
  mHostSetupDone = true;
  const int kind = HostKindOf();
  if (kind == kHostForte || kind == kHostAudition || kind == kHostOrion || kind == kHostSAWStudio) {
    // These hosts hand only a stereo pair to an effect: leave the extra
    // inputs unconnected and the extra outputs connected.
    if (NInChannels() > 2) SetInputConnections(2, NInChannels() - 2, false);
    if (NOutChannels() > 2) SetOutputConnections(2, NOutChannels() - 2, true);
  }
  mInputArrangement.numChannels = NInChannels();
  mAEffect.numInputs = NInChannels();
  mOutputArrangement.numChannels = NOutChannels();
  mAEffect.numOutputs = NOutChannels();
  HostIdentified();
}

void IPlugVST::AttachEditor(IEditorLink* editor)
{
  if (!editor) return;
  IPlugBase::AttachEditor(editor);
  if (PlatformHasEditorWindow()) mAEffect.flags |= effFlagsHasEditor;
  mEditRect.top = 0;
  mEditRect.left = 0;
  mEditRect.bottom = static_cast<int16_t>(editor->Height());
  mEditRect.right = static_cast<int16_t>(editor->Width());
}

void IPlugVST::ChangeLatency(int frames)
{
  mAEffect.initialDelay = frames;
  IPlugBase::ChangeLatency(frames);
}

bool IPlugVST::SendMidiMessage(const IMidiMessage& msg)
{
  VstMidiEvent event = {};
  event.type = kVstMidiType;
  event.byteSize = sizeof(VstMidiEvent);
  event.deltaFrames = msg.offset;
  event.midiData[0] = static_cast<char>(msg.status);
  event.midiData[1] = static_cast<char>(msg.data1);
  event.midiData[2] = static_cast<char>(msg.data2);
  VstEvents events = {};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events, 0.0f) == 1;
}

bool IPlugVST::SendSysExMessage(const ISysExMessage& msg)
{
  VstMidiSysexEvent event = {};
  event.type = kVstSysExType;
  event.byteSize = sizeof(VstMidiSysexEvent);
  event.deltaFrames = msg.offset;
  event.dumpBytes = msg.size;
  event.sysexDump = const_cast<char*>(reinterpret_cast<const char*>(msg.data));
  VstEvents events = {};
  events.numEvents = 1;
  events.events[0] = reinterpret_cast<VstEvent*>(&event);
  return CallHost(audioMasterProcessEvents, 0, 0, &events, 0.0f) == 1;
}
