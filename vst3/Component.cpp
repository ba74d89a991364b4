#include "vst3/Component.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "core/FloatEnv.h"
#include "vst3/Pairing.h"
#include "vst3/Streams.h"
#include "vst3/Text16.h"
#include "vst3/Vst3Module.h"

namespace {

using namespace vst3;

// The largest block a host may announce; larger set-ups are refused.
constexpr int32_t kMaxSetupBlockFrames = 1 << 20;
// Channels a speaker arrangement of this plug-in may have.
constexpr int kMonoChannels = 1;
constexpr int kStereoChannels = 2;

// Channels of an arrangement this plug-in takes (mono or stereo), or 0.
int ArrangementChannels(SpeakerArrangement a)
{
  if (a == kArrangementMono) return kMonoChannels;
  if (a == kArrangementStereo) return kStereoChannels;
  return 0;
}

SpeakerArrangement ArrangementFor(int channels)
{
  return channels == kMonoChannels ? kArrangementMono : kArrangementStereo;
}

// Whether the host's channel pointer array holds count usable pointers.
template <typename Sample>
bool ChannelsUsable(Sample** channels, int count)
{
  if (!channels) return false;
  for (int c = 0; c < count; ++c) {
    if (!channels[c]) return false;
  }
  return true;
}

}  // namespace

Vst3Component::Vst3Component() = default;

Vst3Component::~Vst3Component() { terminate(); }

tresult VST3_CALL Vst3Component::queryInterface(const char* iid, void** obj)
{
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (SameUid(iid, kFUnknownIid) || SameUid(iid, kIPluginBaseIid) || SameUid(iid, kIComponentIid)) {
    *obj = static_cast<IComponent*>(this);
  } else if (SameUid(iid, kIAudioProcessorIid)) {
    *obj = static_cast<IAudioProcessor*>(this);
  } else if (SameUid(iid, kIConnectionPointIid)) {
    *obj = static_cast<IConnectionPoint*>(this);
  } else {
    return kNoInterface;
  }
  addRef();
  return kResultOk;
}

uint32_t VST3_CALL Vst3Component::addRef() { return mRefs.Add(); }

uint32_t VST3_CALL Vst3Component::release() { return mRefs.DropAndDelete(this); }

tresult VST3_CALL Vst3Component::initialize(FUnknown* context)
{
  if (mPlug) return kResultFalse;
  IndicatorRelay* relay = new (std::nothrow) IndicatorRelay;
  if (!relay) return kOutOfMemory;
  mPlug = ModuleInfo().makeComponent(this, relay);
  if (!mPlug) {
    delete relay;
    return kOutOfMemory;
  }
  mRelay = relay;
  if (context) {
    context->addRef();
    mHostContext = context;
  }
  mSerial = RegisterComponent(this);
  return kResultOk;
}

tresult VST3_CALL Vst3Component::terminate()
{
  if (!mPlug) return kResultOk;
  UnregisterComponent(mSerial);
  if (mPeer) mPeer->release();
  mPeer = nullptr;
  delete mPlug;
  mPlug = nullptr;
  mRelay = nullptr;
  if (mHostContext) mHostContext->release();
  mHostContext = nullptr;
  return kResultOk;
}

tresult VST3_CALL Vst3Component::getControllerClassId(char* classId)
{
  if (!classId) return kInvalidArgument;
  std::memcpy(classId, ModuleInfo().controllerId.bytes, sizeof(Uid));
  return kResultOk;
}

tresult VST3_CALL Vst3Component::setIoMode(int32_t) { return kResultOk; }

int32_t VST3_CALL Vst3Component::getBusCount(MediaType type, BusDirection dir)
{
  return type == kAudio && (dir == kInput || dir == kOutput) ? 1 : 0;
}

tresult VST3_CALL Vst3Component::getBusInfo(MediaType type, BusDirection dir, int32_t index, BusInfo& bus)
{
  if (type != kAudio || (dir != kInput && dir != kOutput) || index != 0) return kInvalidArgument;
  bus = BusInfo{};
  bus.mediaType = kAudio;
  bus.direction = dir;
  bus.channelCount = Channels(dir);
  ToText16(dir == kInput ? "Input" : "Output", bus.name, kString128Chars);
  bus.busType = kMainBus;
  bus.flags = kBusDefaultActive;
  return kResultOk;
}

tresult VST3_CALL Vst3Component::getRoutingInfo(RoutingInfo&, RoutingInfo&) { return kNotImplemented; }

tresult VST3_CALL Vst3Component::activateBus(MediaType type, BusDirection dir, int32_t index, TBool)
{
  if (type != kAudio || (dir != kInput && dir != kOutput) || index != 0) return kInvalidArgument;
  return kResultOk;
}

tresult VST3_CALL Vst3Component::setActive(TBool state)
{
  if (!mPlug) return kNotInitialized;
  // As a VST2 host's resume and suspend.
  mPlug->ActivationChanged(state != 0);
  if (!state) mPlug->ResetProcessing();
  mActive = state != 0;
  return kResultOk;
}

tresult VST3_CALL Vst3Component::setState(IBStream* state)
{
  if (!mPlug) return kNotInitialized;
  IStateChunk chunk;
  if (!ReadStream(state, chunk)) return kInvalidArgument;
  return mPlug->RestoreBankChunk(chunk) ? kResultOk : kResultFalse;
}

tresult VST3_CALL Vst3Component::getState(IBStream* state)
{
  if (!mPlug) return kNotInitialized;
  IStateChunk chunk;
  if (!mPlug->SaveBankChunk(chunk)) return kOutOfMemory;
  return WriteStream(state, chunk) ? kResultOk : kResultFalse;
}

tresult VST3_CALL Vst3Component::setBusArrangements(SpeakerArrangement* inputs, int32_t numIns,
                                                    SpeakerArrangement* outputs, int32_t numOuts)
{
  if (!mPlug) return kNotInitialized;
  if (numIns != 1 || numOuts != 1 || !inputs || !outputs || mActive) return kResultFalse;
  const int in = ArrangementChannels(inputs[0]);
  const int out = ArrangementChannels(outputs[0]);
  // The arrangements the plug-in's channel configurations allow (mono to
  // mono, stereo to stereo); others are refused and the current ones kept.
  if (!in || !out || !mPlug->LegalIO(in, out)) return kResultFalse;
  ILockGuard guard(mPlug->Lock());
  mPlug->SetInputConnections(0, in, true);
  mPlug->SetInputConnections(in, mPlug->NInChannels() - in, false);
  mPlug->SetOutputConnections(0, out, true);
  mPlug->SetOutputConnections(out, mPlug->NOutChannels() - out, false);
  mInChannels = in;
  mOutChannels = out;
  return kResultOk;
}

tresult VST3_CALL Vst3Component::getBusArrangement(BusDirection dir, int32_t index, SpeakerArrangement& arr)
{
  if ((dir != kInput && dir != kOutput) || index != 0) return kInvalidArgument;
  arr = ArrangementFor(Channels(dir));
  return kResultOk;
}

tresult VST3_CALL Vst3Component::canProcessSampleSize(int32_t size)
{
  return size == kSample32 || size == kSample64 ? kResultOk : kResultFalse;
}

uint32_t VST3_CALL Vst3Component::getLatencySamples()
{
  return mPlug && mPlug->Latency() > 0 ? static_cast<uint32_t>(mPlug->Latency()) : 0;
}

uint32_t VST3_CALL Vst3Component::getTailSamples()
{
  return mPlug && mPlug->TailSize() > 0 ? static_cast<uint32_t>(mPlug->TailSize()) : 0;
}

tresult VST3_CALL Vst3Component::setupProcessing(ProcessSetup& setup)
{
  if (!mPlug) return kNotInitialized;
  if (!std::isfinite(setup.sampleRate) || setup.sampleRate <= 0.0) return kInvalidArgument;
  if (setup.maxSamplesPerBlock <= 0 || setup.maxSamplesPerBlock > kMaxSetupBlockFrames) return kInvalidArgument;
  if (canProcessSampleSize(setup.symbolicSampleSize) != kResultOk) return kInvalidArgument;
  ILockGuard guard(mPlug->Lock());
  // As a VST2 host's sample rate and block size calls.
  mPlug->SetSampleRateFromHost(setup.sampleRate);
  mPlug->ResetProcessing();
  mPlug->ChangeBlockSize(setup.maxSamplesPerBlock);
  mPlug->ResetProcessing();
  mSampleSize = setup.symbolicSampleSize;
  mProcessMode = setup.processMode;
  return kResultOk;
}

tresult VST3_CALL Vst3Component::setProcessing(TBool state)
{
  if (!mPlug) return kNotInitialized;
  mProcessing = state != 0;
  return kResultOk;
}

void Vst3Component::ApplyParameterChanges(IParameterChanges* changes)
{
  if (!changes) return;
  const int32_t queues = changes->getParameterCount();
  for (int32_t q = 0; q < queues; ++q) {
    IParamValueQueue* queue = changes->getParameterData(q);
    if (!queue) continue;
    const ParamID id = queue->getParameterId();
    if (id > static_cast<ParamID>(std::numeric_limits<int>::max())) continue;
    const int index = static_cast<int>(id);
    IParameter* param = mPlug->ParameterAt(index);
    if (!param) continue;
    // Every point applies before the block, in queue order, as a VST2
    // host's parameter calls before it would: the block is not split.
    const int32_t points = queue->getPointCount();
    for (int32_t p = 0; p < points; ++p) {
      int32_t offset = 0;
      ParamValue value = 0.0;
      if (queue->getPoint(p, offset, value) != kResultOk || std::isnan(value)) continue;
      const double v = value < 0.0 ? 0.0 : (value > 1.0 ? 1.0 : value);
      if (IEditorLink* editor = mPlug->Editor()) editor->PushParamToControls(index, v, true);
      param->SetFromNormalized(v);
      mPlug->ParameterChanged(index);
    }
  }
}

bool Vst3Component::BuffersUsable(const ProcessData& data) const
{
  if (data.numInputs < 1 || data.numOutputs < 1 || !data.inputs || !data.outputs) return false;
  const AudioBusBuffers& in = data.inputs[0];
  const AudioBusBuffers& out = data.outputs[0];
  if (in.numChannels != mInChannels || out.numChannels != mOutChannels) return false;
  if (data.symbolicSampleSize == kSample64) {
    return ChannelsUsable(in.channelBuffers64, mInChannels) && ChannelsUsable(out.channelBuffers64, mOutChannels);
  }
  return data.symbolicSampleSize == kSample32 && ChannelsUsable(in.channelBuffers32, mInChannels) &&
         ChannelsUsable(out.channelBuffers32, mOutChannels);
}

void Vst3Component::ProcessSingle(ProcessData& data)
{
  const int frames = data.numSamples;
  mPlug->AttachInputs(mPlug->NInChannels(), data.inputs[0].channelBuffers32, frames);
  mPlug->AttachOutputsSingle(data.outputs[0].channelBuffers32);
  mPlug->ProcessBlock(mPlug->InputPointers(), mPlug->OutputPointers(), frames);
  mPlug->WriteOutputs(frames, false);
}

void Vst3Component::ProcessDouble(ProcessData& data)
{
  const int frames = data.numSamples;
  mPlug->AttachInputBuffers(data.inputs[0].channelBuffers64, frames);
  mPlug->AttachOutputBuffers(data.outputs[0].channelBuffers64, frames);
  mPlug->ProcessBlock(mPlug->InputPointers(), mPlug->OutputPointers(), frames);
}

tresult VST3_CALL Vst3Component::process(ProcessData& data)
{
  if (!mPlug) return kNotInitialized;
  ILockGuard guard(mPlug->Lock());
  IScopedFlushDenormals flush;
  ApplyParameterChanges(data.inputParameterChanges);
  mHasContext = data.processContext != nullptr;
  if (mHasContext) mContext = *data.processContext;
  mProcessMode = data.processMode;
  // A call without samples only carries parameter changes.
  if (data.numSamples <= 0) return kResultOk;
  if (!BuffersUsable(data)) return kInvalidArgument;
  // A block longer than the one set up gets scratch buffers grown for it,
  // so one host block stays one ProcessBlock call.
  mPlug->PrepareScratch(data.numSamples);
  if (data.symbolicSampleSize == kSample64) {
    ProcessDouble(data);
  } else {
    ProcessSingle(data);
  }
  data.outputs[0].silenceFlags = 0;
  return kResultOk;
}

void Vst3Component::AnnounceTo(IConnectionPoint* peer)
{
  if (!mHostContext) return;
  IHostApplication* host = nullptr;
  if (mHostContext->queryInterface(kIHostApplicationIid.bytes, reinterpret_cast<void**>(&host)) != kResultOk ||
      !host) {
    return;
  }
  Uid cid = kIMessageIid, iid = kIMessageIid;
  IMessage* message = nullptr;
  if (host->createInstance(cid.bytes, iid.bytes, reinterpret_cast<void**>(&message)) == kResultOk && message) {
    message->setMessageID(kPairingMessage);
    if (IAttributeList* attributes = message->getAttributes()) attributes->setInt(kPairingSerial, mSerial);
    peer->notify(message);
    message->release();
  }
  host->release();
}

tresult VST3_CALL Vst3Component::connect(IConnectionPoint* other)
{
  if (!other) return kInvalidArgument;
  if (mPeer) return kResultFalse;
  other->addRef();
  mPeer = other;
  AnnounceTo(other);
  return kResultOk;
}

tresult VST3_CALL Vst3Component::disconnect(IConnectionPoint* other)
{
  if (!other || other != mPeer) return kInvalidArgument;
  mPeer->release();
  mPeer = nullptr;
  return kResultOk;
}

tresult VST3_CALL Vst3Component::notify(IMessage* message) { return message ? kResultOk : kInvalidArgument; }

void Vst3Component::RouteIndicators(IEditorLink* editor)
{
  if (!mPlug || !mRelay) return;
  ILockGuard guard(mPlug->Lock());
  mRelay->SetTarget(editor);
}
