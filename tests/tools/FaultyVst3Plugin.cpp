// A small VST3 gain plug-in module that misbehaves on request, for testing
// the validator's VST3 checks: each fault is something a VST3 plug-in gets
// wrong, and the check meant for it must report it. With no fault it is
// well-behaved and passes every check. One component class and one
// controller class, two parameters, no editor. The test picks the fault
// through the exported FaultyPluginSetFault, as for the VST2 test module
// (tests/tools/FaultyPlugin.cpp).
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "base/RefCount.h"
#include "tests/tools/FaultyPlugin.h"
#include "vst3/Vst3Defs.h"

namespace {

using namespace vst3;

std::atomic<int> gFault{kNoFault};

bool Faulty(int fault) { return gFault.load() == fault; }

constexpr Uid kComponentCid = MakeUid(0x46617574, 0x6C747956, 0x53543343, 0x6F6D706F);
constexpr Uid kControllerCid = MakeUid(0x46617574, 0x6C747956, 0x53543343, 0x74726C72);
constexpr int kParams = 2;
constexpr int kBoostSteps = 4;  // the second parameter takes 5 values
const char* const kTitles[kParams] = {"Gain", "Boost"};
constexpr double kDefaults[kParams] = {0.5, 0.0};
constexpr int kMono = 1;
constexpr int kStereo = 2;
constexpr int kDisplayChars = 16;
constexpr char kVendor[] = "Vexa tests";

// The value a parameter keeps of a normalized one, or NaN for one it
// refuses.
double Accept(int index, double value)
{
  if (!(value >= 0.0 && value <= 1.0)) return std::nan("");
  return index == 1 ? std::floor(value * kBoostSteps + 0.5) / kBoostSteps : value;
}

// State: the parameters' values as doubles, in their order. False (and
// values untouched) for a damaged stream.
bool ReadValues(IBStream* stream, double* values)
{
  double read[kParams] = {};
  int32_t got = 0;
  if (!stream || stream->read(read, sizeof read, &got) != kResultOk || got != static_cast<int32_t>(sizeof read)) {
    return false;
  }
  for (int i = 0; i < kParams; ++i) {
    if (std::isnan(Accept(i, read[i]))) return false;
  }
  std::memcpy(values, read, sizeof read);
  return true;
}

// Components kVst3KeepsReference never gives back: reachable, so leak
// checkers stay quiet, and released when the module goes.
struct KeptObjects
{
  std::mutex lock;
  std::vector<FUnknown*> objects;
  void Keep(FUnknown* object)
  {
    std::lock_guard<std::mutex> guard(lock);
    objects.push_back(object);
  }
  ~KeptObjects()
  {
    for (FUnknown* object : objects) object->release();
  }
};
KeptObjects gKept;

void CopyText16(const char* text, TChar* to, int count)
{
  int i = 0;
  for (; text[i] && i < count - 1; ++i) to[i] = static_cast<TChar>(text[i]);
  to[i] = 0;
}

template <class Sample>
void Gain(Sample** in, Sample** out, int channels, int frames, double gain)
{
  for (int c = 0; c < channels; ++c) {
    for (int k = 0; k < frames; ++k) out[c][k] = static_cast<Sample>(in[c][k] * gain);
  }
}

// The processing half. Made by the factory with one reference; the last
// release destroys it. process comes on the audio thread, the rest on the
// UI thread; the values they share are atomics.
class Component final : public IComponent, public IAudioProcessor
{
public:
  tresult VST3_CALL queryInterface(const char* iid, void** obj) override
  {
    if (!obj) return kInvalidArgument;
    if (SameUid(iid, kFUnknownIid)) {
      // kVst3IdentityWanders answers every second query with another base.
      const bool wander = Faulty(kVst3IdentityWanders) && (mIdentityQueries++ % 2);
      *obj = wander ? static_cast<void*>(static_cast<IAudioProcessor*>(this)) : static_cast<IComponent*>(this);
    } else if (SameUid(iid, kIPluginBaseIid) || SameUid(iid, kIComponentIid)) {
      *obj = static_cast<IComponent*>(this);
    } else if (SameUid(iid, kIAudioProcessorIid)) {
      *obj = static_cast<IAudioProcessor*>(this);
    } else {
      if (!Faulty(kVst3UnknownInterfaceKept)) *obj = nullptr;
      return kNoInterface;
    }
    addRef();
    return kResultOk;
  }
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.DropAndDelete(this); }
  tresult VST3_CALL initialize(FUnknown*) override
  {
    if (Faulty(kVst3KeepsReference)) {
      addRef();
      gKept.Keep(static_cast<IComponent*>(this));
    }
    return kResultOk;
  }
  tresult VST3_CALL terminate() override { return kResultOk; }
  tresult VST3_CALL getControllerClassId(char* classId) override
  {
    if (!classId) return kInvalidArgument;
    std::memcpy(classId, kControllerCid.bytes, sizeof kControllerCid.bytes);
    return kResultOk;
  }
  tresult VST3_CALL setIoMode(int32_t) override { return kResultOk; }
  int32_t VST3_CALL getBusCount(MediaType type, BusDirection) override { return type == kAudio ? 1 : 0; }
  tresult VST3_CALL getBusInfo(MediaType type, BusDirection dir, int32_t index, BusInfo& bus) override
  {
    if (type != kAudio || index != 0) return kInvalidArgument;
    bus = BusInfo{};
    bus.mediaType = kAudio;
    bus.direction = dir;
    bus.channelCount = mChannels;
    CopyText16(dir == kInput ? "Input" : "Output", bus.name, kString128Chars);
    bus.busType = kMainBus;
    bus.flags = kBusDefaultActive;
    return kResultOk;
  }
  tresult VST3_CALL getRoutingInfo(RoutingInfo&, RoutingInfo&) override { return kNotImplemented; }
  tresult VST3_CALL activateBus(MediaType, BusDirection, int32_t, TBool) override { return kResultOk; }
  tresult VST3_CALL setActive(TBool state) override
  {
    mActive = state != 0;
    return kResultOk;
  }
  tresult VST3_CALL setState(IBStream* state) override
  {
    double values[kParams];
    if (!ReadValues(state, values)) return kResultFalse;
    for (int i = 0; i < kParams; ++i) mValues[i].store(values[i]);
    return kResultOk;
  }
  tresult VST3_CALL getState(IBStream* state) override
  {
    double values[kParams];
    for (int i = 0; i < kParams; ++i) values[i] = mValues[i].load();
    int32_t written = 0;
    if (!state || state->write(values, sizeof values, &written) != kResultOk) return kResultFalse;
    return written == static_cast<int32_t>(sizeof values) ? kResultOk : kResultFalse;
  }

  tresult VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32_t numIns, SpeakerArrangement* outputs,
                                       int32_t numOuts) override
  {
    if (numIns != 1 || numOuts != 1 || !inputs || !outputs || inputs[0] != outputs[0]) return kResultFalse;
    if (mActive && !Faulty(kVst3ArrangedWhileActive)) return kResultFalse;
    if (inputs[0] != kArrangementMono && inputs[0] != kArrangementStereo) return kResultFalse;
    if (!Faulty(kVst3ArrangementNotApplied)) mChannels = inputs[0] == kArrangementMono ? kMono : kStereo;
    return kResultOk;
  }
  tresult VST3_CALL getBusArrangement(BusDirection, int32_t index, SpeakerArrangement& arr) override
  {
    if (index != 0) return kInvalidArgument;
    arr = mChannels == kMono ? kArrangementMono : kArrangementStereo;
    return kResultOk;
  }
  tresult VST3_CALL canProcessSampleSize(int32_t size) override
  {
    return size == kSample32 || size == kSample64 ? kResultOk : kResultFalse;
  }
  uint32_t VST3_CALL getLatencySamples() override { return 0; }
  tresult VST3_CALL setupProcessing(ProcessSetup& setup) override
  {
    if (Faulty(kVst3AcceptsImpossibleSetup)) return kResultOk;
    const bool possible = std::isfinite(setup.sampleRate) && setup.sampleRate > 0.0 &&
                          setup.maxSamplesPerBlock > 0 && canProcessSampleSize(setup.symbolicSampleSize) == kResultOk;
    return possible ? kResultOk : kInvalidArgument;
  }
  tresult VST3_CALL setProcessing(TBool) override { return kResultOk; }
  tresult VST3_CALL process(ProcessData& data) override
  {
    ApplyChanges(data.inputParameterChanges);
    if (data.numSamples <= 0) return kResultOk;
    if (data.numInputs < 1 || data.numOutputs < 1 || !data.inputs || !data.outputs ||
        data.inputs[0].numChannels != mChannels || data.outputs[0].numChannels != mChannels) {
      return kInvalidArgument;
    }
    const double gain = mValues[0].load() * 2.0 * (1.0 + mValues[1].load());
    if (data.symbolicSampleSize == kSample64) {
      Gain(data.inputs[0].channelBuffers64, data.outputs[0].channelBuffers64, mChannels, data.numSamples, gain);
    } else {
      Gain(data.inputs[0].channelBuffers32, data.outputs[0].channelBuffers32, mChannels, data.numSamples, gain);
    }
    return kResultOk;
  }
  uint32_t VST3_CALL getTailSamples() override { return 0; }

private:
  friend class ::RefCount;  // the last release destroys it
  ~Component() = default;

  // Each queue's points in order, the last one staying (kVst3FirstPointWins:
  // the first).
  void ApplyChanges(IParameterChanges* changes)
  {
    const int32_t queues = changes ? changes->getParameterCount() : 0;
    for (int32_t q = 0; q < queues; ++q) {
      IParamValueQueue* queue = changes->getParameterData(q);
      if (!queue || queue->getParameterId() >= static_cast<ParamID>(kParams)) continue;
      const int index = static_cast<int>(queue->getParameterId());
      const int32_t points = Faulty(kVst3FirstPointWins) ? 1 : queue->getPointCount();
      for (int32_t p = 0; p < points; ++p) {
        int32_t offset = 0;
        ParamValue value = 0.0;
        if (queue->getPoint(p, offset, value) != kResultOk) continue;
        const double v = Accept(index, value);
        if (!std::isnan(v)) mValues[index].store(v);
      }
    }
  }

  RefCount mRefs;
  std::atomic<double> mValues[kParams] = {{kDefaults[0]}, {kDefaults[1]}};
  std::atomic<int> mChannels{kStereo};
  std::atomic<bool> mActive{false};
  int mIdentityQueries = 0;
};

// The controller half: parameter values, texts and the host's handler. Made
// by the factory with one reference; the last release destroys it. UI
// thread.
class Controller final : public IEditController
{
public:
  tresult VST3_CALL queryInterface(const char* iid, void** obj) override
  {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!SameUid(iid, kFUnknownIid) && !SameUid(iid, kIPluginBaseIid) && !SameUid(iid, kIEditControllerIid)) {
      return kNoInterface;
    }
    *obj = static_cast<IEditController*>(this);
    addRef();
    return kResultOk;
  }
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.DropAndDelete(this); }
  tresult VST3_CALL initialize(FUnknown*) override { return kResultOk; }
  tresult VST3_CALL terminate() override { return setComponentHandler(nullptr); }
  tresult VST3_CALL setComponentState(IBStream* state) override
  {
    return ReadValues(state, mValues) ? kResultOk : kResultFalse;
  }
  tresult VST3_CALL setState(IBStream*) override { return kResultOk; }
  tresult VST3_CALL getState(IBStream*) override { return kResultOk; }
  int32_t VST3_CALL getParameterCount() override { return kParams; }
  tresult VST3_CALL getParameterInfo(int32_t index, ParameterInfo& info) override
  {
    if (index < 0 || index >= kParams) return kInvalidArgument;
    info = ParameterInfo{};
    info.id = static_cast<ParamID>(index);
    CopyText16(kTitles[index], info.title, kString128Chars);
    CopyText16(kTitles[index], info.shortTitle, kString128Chars);
    info.stepCount = index == 1 ? kBoostSteps : 0;
    info.defaultNormalizedValue = kDefaults[index];
    info.flags = kParamCanAutomate;
    return kResultOk;
  }
  tresult VST3_CALL getParamStringByValue(ParamID id, ParamValue value, TChar* text) override
  {
    if (id >= static_cast<ParamID>(kParams) || !text) return kInvalidArgument;
    char display[kDisplayChars];
    std::snprintf(display, sizeof display, "%.3f", value);
    CopyText16(display, text, kString128Chars);
    return kResultOk;
  }
  tresult VST3_CALL getParamValueByString(ParamID id, TChar* text, ParamValue& value) override
  {
    if (id >= static_cast<ParamID>(kParams) || !text) return kInvalidArgument;
    char narrow[kDisplayChars] = {};
    for (int i = 0; i < kDisplayChars - 1 && text[i]; ++i) narrow[i] = static_cast<char>(text[i]);
    char* end = nullptr;
    const double v = Accept(static_cast<int>(id), std::strtod(narrow, &end));
    if (end == narrow || std::isnan(v)) return kResultFalse;
    value = v;
    return kResultOk;
  }
  ParamValue VST3_CALL normalizedParamToPlain(ParamID, ParamValue value) override { return value; }
  ParamValue VST3_CALL plainParamToNormalized(ParamID, ParamValue value) override { return value; }
  ParamValue VST3_CALL getParamNormalized(ParamID id) override
  {
    return id < static_cast<ParamID>(kParams) ? mValues[id] : 0.0;
  }
  tresult VST3_CALL setParamNormalized(ParamID id, ParamValue value) override
  {
    if (id >= static_cast<ParamID>(kParams)) return kInvalidArgument;
    const double v = Accept(static_cast<int>(id), value);
    if (std::isnan(v)) return kInvalidArgument;
    mValues[id] = v;
    return kResultOk;
  }
  tresult VST3_CALL setComponentHandler(IComponentHandler* handler) override
  {
    if (handler) handler->addRef();
    if (mHandler) mHandler->release();
    mHandler = handler;
    return kResultOk;
  }
  IPlugView* VST3_CALL createView(FIDString) override { return nullptr; }

private:
  friend class ::RefCount;  // the last release destroys it
  ~Controller() = default;

  RefCount mRefs;
  double mValues[kParams] = {kDefaults[0], kDefaults[1]};
  IComponentHandler* mHandler = nullptr;
};

// The module's one factory, alive as long as the module: references are
// counted for form's sake only.
class Factory final : public IPluginFactory2
{
public:
  tresult VST3_CALL queryInterface(const char* iid, void** obj) override
  {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!SameUid(iid, kFUnknownIid) && !SameUid(iid, kIPluginFactoryIid) && !SameUid(iid, kIPluginFactory2Iid)) {
      return kNoInterface;
    }
    *obj = static_cast<IPluginFactory2*>(this);
    return kResultOk;
  }
  uint32_t VST3_CALL addRef() override { return 1; }
  uint32_t VST3_CALL release() override { return 1; }
  tresult VST3_CALL getFactoryInfo(PFactoryInfo* info) override
  {
    if (!info) return kInvalidArgument;
    *info = PFactoryInfo{};
    std::snprintf(info->vendor, sizeof info->vendor, "%s", kVendor);
    return kResultOk;
  }
  int32_t VST3_CALL countClasses() override { return 2; }
  tresult VST3_CALL getClassInfo(int32_t index, PClassInfo* info) override
  {
    PClassInfo2 full;
    if (!info || getClassInfo2(index, &full) != kResultOk) return kInvalidArgument;
    *info = PClassInfo{};
    std::memcpy(&info->cid, &full.cid, sizeof full.cid);
    info->cardinality = full.cardinality;
    std::memcpy(info->category, full.category, sizeof info->category);
    std::memcpy(info->name, full.name, sizeof info->name);
    return kResultOk;
  }
  tresult VST3_CALL createInstance(FIDString cid, FIDString iid, void** obj) override
  {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    FUnknown* made = nullptr;
    if (SameUid(cid, kComponentCid)) {
      made = static_cast<IComponent*>(new (std::nothrow) Component);
    } else if (SameUid(cid, kControllerCid)) {
      made = new (std::nothrow) Controller;
    } else {
      return kNoInterface;
    }
    if (!made) return kOutOfMemory;
    const tresult result = made->queryInterface(iid, obj);
    made->release();
    return result;
  }
  tresult VST3_CALL getClassInfo2(int32_t index, PClassInfo2* info) override
  {
    if (!info || index < 0 || index >= countClasses()) return kInvalidArgument;
    *info = PClassInfo2{};
    info->cid = index == 0 ? kComponentCid : kControllerCid;
    info->cardinality = kManyInstances;
    std::snprintf(info->category, sizeof info->category, "%s", index == 0 ? kAudioEffectClass : kControllerClass);
    std::snprintf(info->name, sizeof info->name, "Faulty");
    std::snprintf(info->subCategories, sizeof info->subCategories, "Fx");
    std::snprintf(info->vendor, sizeof info->vendor, "%s", kVendor);
    std::snprintf(info->version, sizeof info->version, "1.0.0");
    return kResultOk;
  }
};

Factory gFactory;

}  // namespace

extern "C" VEXA_EXPORT void FaultyPluginSetFault(int fault) { gFault.store(fault); }

extern "C" VEXA_EXPORT IPluginFactory* VST3_CALL GetPluginFactory() { return &gFactory; }

// Linux hosts call these around GetPluginFactory (Windows hosts' InitDll
// and ExitDll are optional); nothing needs them here.
extern "C" VEXA_EXPORT bool ModuleEntry(void*) { return true; }
extern "C" VEXA_EXPORT bool ModuleExit() { return true; }
