#include "lv2/PlugLv2.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/urid/urid.h>

#include <climits>
#include <cmath>
#include <cstring>

#include "core/FloatEnv.h"

namespace {

// The flags of the one state property: plain bytes, the same on every
// machine.
constexpr uint32_t kStateFlags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;

const void* FeatureData(const LV2_Feature* const* features, const char* uri)
{
  for (int i = 0; features && features[i]; ++i) {
    if (features[i]->URI && !std::strcmp(features[i]->URI, uri)) return features[i]->data;
  }
  return nullptr;
}

}  // namespace

IPlugLv2::IPlugLv2(const Lv2HostContext* host, const IPlugDescription& desc)
  : IPlugBase(desc), mPorts(host->ports), mReadIndicators(host->readIndicators)
{
  if (std::isfinite(host->sampleRate) && host->sampleRate > 0.0) SetSampleRate(host->sampleRate);
  mMap = static_cast<LV2_URID_Map*>(const_cast<void*>(FeatureData(host->features, LV2_URID__map)));
  if (mMap) {
    mStateKey = mMap->map(mMap->handle, host->stateKey);
    mChunkType = mMap->map(mMap->handle, LV2_ATOM__Chunk);
  }
  TakeOptions(host->features);
  // The host connects every channel, always: LV2 ports are all connected.
  SetInputConnections(0, NInChannels(), true);
  SetOutputConnections(0, NOutChannels(), true);
  ChangeBlockSize(mMaxBlock);
  mControlPorts.assign(static_cast<size_t>(mPorts->paramCount), nullptr);
  mInputPorts.assign(static_cast<size_t>(mPorts->audioInputCount), nullptr);
  mOutputPorts.assign(static_cast<size_t>(mPorts->audioOutputCount), nullptr);
  mIndicatorPorts.assign(static_cast<size_t>(mPorts->outputCount), nullptr);
  mInputSlice.assign(mInputPorts.size(), nullptr);
  mOutputSlice.assign(mOutputPorts.size(), nullptr);
  mIndicatorValues.assign(static_cast<size_t>(mPorts->outputCount), 0.0f);
}

IPlugLv2::~IPlugLv2() = default;

void IPlugLv2::TakeOptions(const LV2_Feature* const* features)
{
  const LV2_Options_Option* options =
    static_cast<const LV2_Options_Option*>(FeatureData(features, LV2_OPTIONS__options));
  if (!options || !mMap) return;
  const LV2_URID maxBlock = mMap->map(mMap->handle, LV2_BUF_SIZE__maxBlockLength);
  const LV2_URID intType = mMap->map(mMap->handle, LV2_ATOM__Int);
  for (const LV2_Options_Option* o = options; o->key || o->value; ++o) {
    // Hosts give the length as an atom:Int; anything else is not believed.
    if (o->key != maxBlock || o->type != intType || o->size != sizeof(int32_t) || !o->value) continue;
    int32_t length;
    std::memcpy(&length, o->value, sizeof length);
    if (length > 0) mMaxBlock = length < kLv2LongestSlice ? length : kLv2LongestSlice;
  }
}

bool IPlugLv2::CompleteSetUp()
{
  mControls.Init(*this, *mPorts);
  mSetUp = mMap && NParams() == mPorts->paramCount && NInChannels() == mPorts->audioInputCount &&
           NOutChannels() == mPorts->audioOutputCount;
  return mSetUp;
}

void IPlugLv2::ConnectPort(uint32_t port, void* data)
{
  // Port indices follow the table; an index beyond it connects nothing.
  const int p = port > INT_MAX ? -1 : static_cast<int>(port);
  float* buffer = static_cast<float*>(data);
  if (p < 0 || p >= mPorts->PortCount()) return;
  if (p < mPorts->AudioInputPort(0)) {
    mControlPorts[static_cast<size_t>(p)] = buffer;
  } else if (p < mPorts->AudioOutputPort(0)) {
    mInputPorts[static_cast<size_t>(p - mPorts->AudioInputPort(0))] = buffer;
  } else if (p < mPorts->OutputPort(0)) {
    mOutputPorts[static_cast<size_t>(p - mPorts->AudioOutputPort(0))] = buffer;
  } else {
    mIndicatorPorts[static_cast<size_t>(p - mPorts->OutputPort(0))] = buffer;
  }
}

void IPlugLv2::Activate() { ActivationChanged(true); }

void IPlugLv2::Deactivate()
{
  ActivationChanged(false);
  ResetProcessing();
}

void IPlugLv2::ProcessSlice(uint32_t offset, int frames)
{
  // An audio port the host left unconnected reads as silence and is not
  // written.
  for (size_t k = 0; k < mInputPorts.size(); ++k) mInputSlice[k] = mInputPorts[k] ? mInputPorts[k] + offset : nullptr;
  for (size_t k = 0; k < mOutputPorts.size(); ++k) {
    mOutputSlice[k] = mOutputPorts[k] ? mOutputPorts[k] + offset : nullptr;
  }
  AttachInputs(NInChannels(), mInputSlice.data(), frames);
  AttachOutputsSingle(mOutputSlice.data());
  ProcessBlock(InputPointers(), OutputPointers(), frames);
  WriteOutputs(frames, false);
}

void IPlugLv2::WriteIndicators()
{
  if (!mReadIndicators || mIndicatorValues.empty()) return;
  mReadIndicators(*this, mIndicatorValues.data(), static_cast<int>(mIndicatorValues.size()));
  for (size_t j = 0; j < mIndicatorPorts.size(); ++j) {
    if (mIndicatorPorts[j]) *mIndicatorPorts[j] = mIndicatorValues[j];
  }
}

void IPlugLv2::Run(uint32_t frames)
{
  ILockGuard guard(Lock());
  IScopedFlushDenormals flush;
  // The control ports are read at the block's start, a changed one handed
  // to the effect as a VST2 host's setParameter would.
  for (int i = 0; i < mPorts->paramCount; ++i) {
    if (const float* port = mControlPorts[static_cast<size_t>(i)]) mControls.Take(*this, i, *port);
  }
  // The host promised blocks of at most mMaxBlock frames (bounded block
  // length); a longer one is processed in slices rather than overrun the
  // scratch buffers.
  uint32_t done = 0;
  while (done < frames) {
    const uint32_t left = frames - done;
    const int n = left < static_cast<uint32_t>(mMaxBlock) ? static_cast<int>(left) : mMaxBlock;
    ProcessSlice(done, n);
    done += static_cast<uint32_t>(n);
  }
  WriteIndicators();
}

LV2_State_Status IPlugLv2::SaveState(LV2_State_Store_Function store, LV2_State_Handle handle)
{
  if (!mMap || !store) return LV2_STATE_ERR_NO_FEATURE;
  // The lock keeps the chunk buffer ours until the host has copied it.
  ILockGuard guard(Lock());
  if (!SaveBankChunk(mStateChunk) || mStateChunk.Size() <= 0) return LV2_STATE_ERR_UNKNOWN;
  return store(handle, mStateKey, mStateChunk.Data(), static_cast<size_t>(mStateChunk.Size()), mChunkType,
               kStateFlags);
}

LV2_State_Status IPlugLv2::RestoreState(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
{
  if (!mMap || !retrieve) return LV2_STATE_ERR_NO_FEATURE;
  size_t size = 0;
  uint32_t type = 0, flags = 0;
  const void* data = retrieve(handle, mStateKey, &size, &type, &flags);
  // A state without our property (a preset of port values alone) keeps the
  // settings; the host sets the ports itself.
  if (!data) return LV2_STATE_SUCCESS;
  if (type != mChunkType) return LV2_STATE_ERR_BAD_TYPE;
  if (size > static_cast<size_t>(INT_MAX)) return LV2_STATE_ERR_UNKNOWN;
  ILockGuard guard(Lock());
  if (!mStateChunk.Assign(data, static_cast<int>(size))) return LV2_STATE_ERR_UNKNOWN;
  // Damaged bytes restore what is sound in them, as the VST2 module does.
  return RestoreBankChunk(mStateChunk) ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
}

void IPlugLv2::HostTimeSignature(int* numerator, int* denominator)
{
  if (numerator) *numerator = 0;
  if (denominator) *denominator = 0;
}
