#include "core/PlugBase.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Zero-fills the scratch and returns its data as the sample pointer.
double* ZeroScratch(IGrowBuffer& scratch)
{
  if (scratch.Size()) std::memset(scratch.Data(), 0, static_cast<size_t>(scratch.Size()));
  return static_cast<double*>(scratch.Data());
}

double* ScratchSamples(IGrowBuffer& scratch) { return static_cast<double*>(scratch.Data()); }

// How many of frames samples the scratch buffer holds.
int FramesIn(const IGrowBuffer& scratch, int frames)
{
  const int have = scratch.Size() / 8;
  return frames < have ? frames : have;
}

// The scratch buffer with its first frames samples silenced.
double* SilentFrames(IGrowBuffer& scratch, int frames)
{
  double* d = ScratchSamples(scratch);
  const int len = FramesIn(scratch, frames);
  if (len > 0) std::memset(d, 0, sizeof(double) * static_cast<size_t>(len));
  return d;
}

// Byte count of frames doubles, or -1 when it does not fit a buffer size.
long long ScratchBytes(int frames)
{
  const long long bytes = static_cast<long long>(frames < 0 ? 0 : frames) * 8;
  return bytes > 0x7FFFFFFF ? -1 : bytes;
}

// Grows a scratch buffer to hold bytes, zero-filling what is new.
void GrowScratch(IGrowBuffer& scratch, int bytes)
{
  const int old = scratch.Size();
  if (old >= bytes) return;
  scratch.Resize(bytes, false);
  if (scratch.Size() == bytes) std::memset(static_cast<char*>(scratch.Data()) + old, 0, static_cast<size_t>(bytes - old));
}

}  // namespace

IPlugBase::IPlugBase(const IPlugDescription& desc)
  : mUniqueId(desc.uniqueId),
    mMakerId(desc.makerId),
    mVersion(desc.version),
    mStateChunks(desc.stateChunks),
    mIsInstrument(desc.isInstrument),
    mHandlesMidi(desc.handlesMidi),
    mLatency(desc.latency)
{
  for (int i = 0; i < desc.nParams; ++i) {
    IParameter* p = new IParameter;
    if (!mParams.Add(p)) delete p;
  }
  for (int i = 0; i < desc.nPresets; ++i) {
    IPresetSlot* slot = new IPresetSlot;
    std::snprintf(slot->name, sizeof slot->name, "%s", "empty");
    if (!mPresets.Add(slot)) delete slot;
  }
  CopyText(mEffectName, desc.effectName, kIdentityTextBytes);
  CopyText(mProductName, desc.productName, kIdentityTextBytes);
  CopyText(mMakerName, desc.makerName, kIdentityTextBytes);

  // "1-1 2-2": pairs of counts separated by spaces.
  int maxIn = 0, maxOut = 0;
  const char* p = desc.channelIO;
  while (p) {
    int nIn = 0, nOut = 0;
    std::sscanf(p, "%d-%d", &nIn, &nOut);  // an unreadable count stays 0
    if (nIn > maxIn) maxIn = nIn;
    if (nOut > maxOut) maxOut = nOut;
    IChannelConfig* config = new IChannelConfig{nIn, nOut};
    if (!mChannelConfigs.Add(config)) delete config;
    p = std::strchr(p, ' ');
    if (p) ++p;
  }

  mInPtrs.Resize(maxIn * static_cast<int>(sizeof(double*)));
  mOutPtrs.Resize(maxOut * static_cast<int>(sizeof(double*)));
  if (mInPtrs.Size()) std::memset(mInPtrs.Data(), 0, static_cast<size_t>(mInPtrs.Size()));
  if (mOutPtrs.Size()) std::memset(mOutPtrs.Data(), 0, static_cast<size_t>(mOutPtrs.Size()));
  for (int i = 0; i < maxIn && i * static_cast<int>(sizeof(double*)) < mInPtrs.Size(); ++i) {
    IInputChannel* c = new IInputChannel;
    c->src = static_cast<double**>(mInPtrs.Data()) + i;
    if (!mInChannels.Add(c)) delete c;
  }
  for (int i = 0; i < maxOut && i * static_cast<int>(sizeof(double*)) < mOutPtrs.Size(); ++i) {
    IOutputChannel* c = new IOutputChannel;
    c->dest = static_cast<double**>(mOutPtrs.Data()) + i;
    if (!mOutChannels.Add(c)) delete c;
  }
}

IPlugBase::~IPlugBase()
{
  delete mEditor;
  mEditor = nullptr;
  mParams.DeleteAll();
  mPresets.DeleteAll();
  mInChannels.DeleteAll();
  mOutChannels.DeleteAll();
  mChannelConfigs.DeleteAll();
}

void IPlugBase::ResetProcessing() { ILockGuard g(mLock); }

void IPlugBase::ParameterChanged(int) { ILockGuard g(mLock); }

void IPlugBase::ActivationChanged(bool) { ILockGuard g(mLock); }

void IPlugBase::ProcessBlock(double** inputs, double** outputs, int frames)
{
  const int nIn = inputs ? NInChannels() : 0;
  const int nOut = outputs ? NOutChannels() : 0;
  if (frames <= 0) return;
  for (int i = 0; i < nOut; ++i) {
    if (!outputs[i]) continue;
    if (i < nIn && inputs[i]) {
      std::memmove(outputs[i], inputs[i], sizeof(double) * static_cast<size_t>(frames));
    } else {
      std::memset(outputs[i], 0, sizeof(double) * static_cast<size_t>(frames));
    }
  }
}

void IPlugBase::HandleMidiMessage(const IMidiMessage& msg) { SendMidiMessage(msg); }

bool IPlugBase::NameForMidiNote(int, char* name)
{
  if (name) name[0] = 0;
  return false;
}

bool IPlugBase::ParamsEqual(const double* values, int start)
{
  if (!values) return false;
  for (int i = 0; i < NParams(); ++i) {
    const float a = static_cast<float>(ParameterAt(i)->Value());
    const float b = static_cast<float>(values[start + i]);
    if (!(std::fabs(a - b) < 1e-5f)) return false;
  }
  return true;
}

void IPlugBase::SetEditorParam(int index, double normalized)
{
  ILockGuard g(mLock);
  IParameter* p = ParameterAt(index);
  if (!p) return;
  p->SetFromNormalized(normalized);
  ReportParamChange(index, normalized);
  ParameterChanged(index);
}

void IPlugBase::AttachEditor(IEditorLink* editor)
{
  if (!editor) return;
  ILockGuard g(mLock);
  for (int i = 0; i < NParams(); ++i) editor->PushParamToControls(i, ParameterAt(i)->ToNormalized(), true);
  editor->CreateBackBuffer();
  // The core owns its editor: one attached before is replaced, not leaked.
  if (mEditor != editor) delete mEditor;
  mEditor = editor;
}

void IPlugBase::RefreshEditorControls()
{
  if (!mEditor) return;
  for (int i = 0; i < NParams(); ++i) mEditor->PushParamToControls(i, ParameterAt(i)->Value(), false);
}

bool IPlugBase::LegalIO(int nIn, int nOut) const
{
  for (int i = 0; i < NChannelConfigs(); ++i) {
    const IChannelConfig* c = ChannelConfig(i);
    if (c->nIn == nIn && (nOut == -1 || c->nOut == nOut)) return true;
  }
  return false;
}

bool IPlugBase::IsInChannelConnected(int i) const
{
  const IInputChannel* c = InChannel(i);
  return c && c->connected;
}

bool IPlugBase::IsOutChannelConnected(int i) const
{
  const IOutputChannel* c = OutChannel(i);
  return c && c->connected;
}

namespace {

// Sets the connected flag of channels start .. start + count - 1 of list.
// A channel that becomes unconnected is pointed at its own scratch buffer;
// an input's scratch is cleared first, so it reads as silence rather than the
// last block converted into it.
template <class Channel>
void SetConnections(const IPtrList<Channel>& list, double** Channel::*slot, int start, int count, bool connected,
                    bool clearScratch)
{
  if (start < 0) start = 0;
  const long long end64 = static_cast<long long>(start) + (count < 0 ? 0 : count);
  const int end = end64 < list.Count() ? static_cast<int>(end64) : list.Count();
  for (int i = start; i < end; ++i) {
    Channel* c = list.Get(i);
    c->connected = connected;
    if (!connected) *(c->*slot) = clearScratch ? ZeroScratch(c->scratch) : ScratchSamples(c->scratch);
  }
}

}  // namespace

void IPlugBase::SetInputConnections(int start, int count, bool connected)
{
  SetConnections(mInChannels, &IInputChannel::src, start, count, connected, true);
}

void IPlugBase::SetOutputConnections(int start, int count, bool connected)
{
  SetConnections(mOutChannels, &IOutputChannel::dest, start, count, connected, false);
}

void IPlugBase::RepointUnconnected()
{
  for (int i = 0; i < NInChannels(); ++i) {
    IInputChannel* c = InChannel(i);
    if (!c->connected) *c->src = ScratchSamples(c->scratch);
  }
  for (int i = 0; i < NOutChannels(); ++i) {
    IOutputChannel* c = OutChannel(i);
    if (!c->connected) *c->dest = ScratchSamples(c->scratch);
  }
}

void IPlugBase::ChangeBlockSize(int frames)
{
  if (frames == mBlockSize) return;
  const long long bytes = ScratchBytes(frames);
  if (bytes >= 0) {
    for (int i = 0; i < NInChannels(); ++i) {
      IGrowBuffer& s = InChannel(i)->scratch;
      s.Resize(static_cast<int>(bytes), true);
      ZeroScratch(s);
    }
    for (int i = 0; i < NOutChannels(); ++i) {
      IGrowBuffer& s = OutChannel(i)->scratch;
      s.Resize(static_cast<int>(bytes), true);
      ZeroScratch(s);
    }
    RepointUnconnected();
  }
  mBlockSize = frames;
}

void IPlugBase::PrepareScratch(int frames)
{
  const long long bytes = ScratchBytes(frames);
  if (bytes < 0) return;
  bool grown = false;
  for (int i = 0; i < NInChannels(); ++i) {
    IGrowBuffer& s = InChannel(i)->scratch;
    if (s.Size() < bytes) {
      GrowScratch(s, static_cast<int>(bytes));
      grown = true;
    }
  }
  for (int i = 0; i < NOutChannels(); ++i) {
    IGrowBuffer& s = OutChannel(i)->scratch;
    if (s.Size() < bytes) {
      GrowScratch(s, static_cast<int>(bytes));
      grown = true;
    }
  }
  if (grown) RepointUnconnected();
}

void IPlugBase::AttachInputs(int count, float** inputs, int frames)
{
  const int n = count < NInChannels() ? count : NInChannels();
  int next = 0;
  for (int i = 0; i < n; ++i) {
    IInputChannel* c = InChannel(i);
    if (!c->connected) continue;
    const float* host = inputs ? inputs[next] : nullptr;
    ++next;
    if (host) {
      double* d = ScratchSamples(c->scratch);
      const int len = FramesIn(c->scratch, frames);
      for (int k = 0; k < len; ++k) d[k] = host[k];
      *c->src = d;
    } else {
      *c->src = SilentFrames(c->scratch, frames);
    }
  }
}

void IPlugBase::AttachInputBuffers(double** inputs, int frames)
{
  int next = 0;
  for (int i = 0; i < NInChannels(); ++i) {
    IInputChannel* c = InChannel(i);
    if (!c->connected) continue;
    double* host = inputs ? inputs[next] : nullptr;
    ++next;
    // A missing host buffer reads as silence.
    *c->src = host ? host : SilentFrames(c->scratch, frames);
  }
}

void IPlugBase::AttachOutputBuffers(double** outputs, int)
{
  int next = 0;
  for (int i = 0; i < NOutChannels(); ++i) {
    IOutputChannel* c = OutChannel(i);
    if (!c->connected) continue;
    double* host = outputs ? outputs[next] : nullptr;
    ++next;
    *c->dest = host ? host : ScratchSamples(c->scratch);
  }
}

void IPlugBase::AttachOutputsSingle(float** outputs)
{
  int next = 0;
  for (int i = 0; i < NOutChannels(); ++i) {
    IOutputChannel* c = OutChannel(i);
    if (!c->connected) continue;
    *c->dest = ScratchSamples(c->scratch);
    c->hostDest = outputs ? outputs[next] : nullptr;
    ++next;
  }
}

void IPlugBase::WriteOutputs(int frames, bool accumulate)
{
  for (int i = 0; i < NOutChannels(); ++i) {
    IOutputChannel* c = OutChannel(i);
    if (!c->connected || !c->hostDest) continue;
    const double* s = *c->dest;
    const int len = FramesIn(c->scratch, frames);
    float* d = c->hostDest;
    if (accumulate) {
      for (int k = 0; k < len; ++k) d[k] += static_cast<float>(s[k]);
    } else {
      for (int k = 0; k < len; ++k) d[k] = static_cast<float>(s[k]);
    }
  }
}

template <typename Prepare, typename Open>
void* IPlugBase::OpenInSteps(Prepare prepare, Open open)
{
  if (!mEditor) return nullptr;
  prepare(*mEditor);
  void* window;
  {
    ILockGuard guard(mLock);
    window = open(*mEditor);
    if (window) EditorOpened();
  }
  mEditor->FinishClose();
  return window;
}

void* IPlugBase::OpenEditorInSteps(void* parent)
{
  return OpenInSteps([parent](IEditorLink& editor) { editor.PrepareOpen(parent); },
                     [parent](IEditorLink& editor) { return editor.OpenEditor(parent); });
}

void* IPlugBase::OpenOwnEditorWindowInSteps()
{
  const char* title = mEffectName;
  return OpenInSteps([title](IEditorLink& editor) { editor.PrepareOpenOwn(title); },
                     [title](IEditorLink& editor) { return editor.OpenOwnWindow(title); });
}

void IPlugBase::CloseEditorInSteps()
{
  if (!mEditor) return;
  {
    ILockGuard guard(mLock);
    EditorClosing();
    mEditor->CloseEditor();
  }
  mEditor->FinishClose();
}
