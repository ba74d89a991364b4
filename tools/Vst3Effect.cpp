#include "tools/Vst3Effect.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>

#include "tools/Vst3HostObjects.h"
#include "tools/Vst3HostPlatform.h"

namespace {

using namespace vst3;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultBlock = 1024;
constexpr double kDefaultRate = 44100.0;
constexpr double kHostTempo = 120.0;
constexpr int kDecimalMajor = 10000;
constexpr int kDecimalMinor = 100;
constexpr const char* kProgramName = "Default";

std::mutex& ProblemsLock()
{
  static std::mutex lock;
  return lock;
}

std::vector<std::string>& Problems()
{
  static std::vector<std::string> problems;
  return problems;
}

void NoteProblem(const std::string& what)
{
  std::lock_guard<std::mutex> guard(ProblemsLock());
  Problems().push_back(what);
}

// Releases the last reference the host holds and notes it when the object
// lives on.
void ReleaseLast(FUnknown* object, const char* what)
{
  if (!object) return;
  const uint32_t left = object->release();
  if (left != 0) NoteProblem(std::string(what) + " kept " + std::to_string(left) + " references after the host released it");
}

void CopyBounded(void* ptr, const std::string& text, int bytes)
{
  if (!ptr) return;
  const size_t n = text.size() < static_cast<size_t>(bytes - 1) ? text.size() : static_cast<size_t>(bytes - 1);
  std::memcpy(ptr, text.data(), n);
  static_cast<char*>(ptr)[n] = 0;
}

// The decimal form of a "major.minor.patch" version text.
int DecimalVersion(const char* text)
{
  char* end = nullptr;
  const long major = std::strtol(text, &end, 10);
  const long minor = *end == '.' ? std::strtol(end + 1, &end, 10) : 0;
  const long patch = *end == '.' ? std::strtol(end + 1, &end, 10) : 0;
  return static_cast<int>(major * kDecimalMajor + minor * kDecimalMinor + patch);
}

// The host's frame for views, and on Linux its run loop: registered event
// handlers and timers run from effEditIdle, which the host frame calls as
// its idle timer fires.
class HostFrame final : public IPlugFrame, public IRunLoop
{
public:
  tresult VST3_CALL queryInterface(const char* iid, void** obj) override
  {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (SameUid(iid, kFUnknownIid) || SameUid(iid, kIPlugFrameIid)) {
      *obj = static_cast<IPlugFrame*>(this);
    } else if (SameUid(iid, kIRunLoopIid) && Vst3HostOffersRunLoop()) {
      *obj = static_cast<IRunLoop*>(this);
    } else {
      return kNoInterface;
    }
    addRef();
    return kResultOk;
  }
  uint32_t VST3_CALL addRef() override { return mRefs.Add(); }
  uint32_t VST3_CALL release() override { return mRefs.Drop(); }
  tresult VST3_CALL resizeView(IPlugView* view, ViewRect* size) override
  {
    if (!view || !size) return kInvalidArgument;
    return view->onSize(size);
  }
  tresult VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) override
  {
    if (!handler) return kInvalidArgument;
    handler->addRef();
    mEvents.push_back({handler, fd});
    return kResultOk;
  }
  tresult VST3_CALL unregisterEventHandler(IEventHandler* handler) override { return Unregister(mEvents, handler); }
  tresult VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) override
  {
    if (!handler || milliseconds == 0) return kInvalidArgument;
    handler->addRef();
    const auto period = std::chrono::milliseconds(milliseconds);
    mTimers.push_back({handler, period, Clock::now() + period});
    return kResultOk;
  }
  tresult VST3_CALL unregisterTimer(ITimerHandler* handler) override { return Unregister(mTimers, handler); }

  // One round of the run loop: handlers whose descriptors are readable,
  // then timers that are due. A handler may unregister itself meanwhile.
  void Pump()
  {
    for (size_t i = 0; i < mEvents.size(); ++i) {
      const Watch w = mEvents[i];
      if (DescriptorReadable(w.fd)) w.handler->onFDIsSet(w.fd);
    }
    const auto now = Clock::now();
    for (size_t i = 0; i < mTimers.size(); ++i) {
      if (now < mTimers[i].due) continue;
      mTimers[i].due = now + mTimers[i].period;
      mTimers[i].handler->onTimer();
    }
  }
  bool Idle() const { return mEvents.empty() && mTimers.empty(); }

private:
  // Takes handler's entry out of entries and drops the reference the loop
  // held on it; kInvalidArgument when it has none.
  template <class Entry, class Handler>
  static tresult Unregister(std::vector<Entry>& entries, Handler* handler)
  {
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].handler != handler) continue;
      handler->release();
      entries.erase(entries.begin() + static_cast<long>(i));
      return kResultOk;
    }
    return kInvalidArgument;
  }

  struct Watch
  {
    IEventHandler* handler;
    FileDescriptor fd;
  };
  struct Timer
  {
    ITimerHandler* handler;
    std::chrono::milliseconds period;
    Clock::time_point due;
  };
  RefCount mRefs;
  std::vector<Watch> mEvents;
  std::vector<Timer> mTimers;
};

// One instance behind an AEffect record. Made by Vst3Module::NewInstance,
// destroyed by effClose. Owns one reference to each of the plug-in's
// objects and the host objects it hands them. The record's callbacks may
// come from the UI and the audio thread as with a VST2 plug-in. Whatever
// drives the processor (set-up, activation, process calls and the state
// they keep) happens under mProcessLock, so the UI thread's flush of
// parameter changes neither overlaps the audio thread's switch of precision
// nor overtakes changes the audio thread has taken for its block. Parameter
// changes cross between the threads under mPendingLock, taken after
// mProcessLock where both are held.
class Vst3Effect
{
public:
  Vst3Effect(const Vst3Module& module, audioMasterCallback host) : mModule(module), mHost(host) {}
  ~Vst3Effect();
  Vst3Effect(const Vst3Effect&) = delete;
  Vst3Effect& operator=(const Vst3Effect&) = delete;

  bool Create();
  AEffect* Effect() { return &mEffect; }
  Vst3Parts Parts() const { return {mComponent, mProcessor, mController}; }
  static Vst3Effect* From(AEffect* e) { return e ? static_cast<Vst3Effect*>(e->object) : nullptr; }

  static VstIntPtr Dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  static void ProcessReplacing(AEffect* e, float** in, float** out, VstInt32 frames);
  static void ProcessDouble(AEffect* e, double** in, double** out, VstInt32 frames);
  static void SetParameter(AEffect* e, VstInt32 index, float value);
  static float GetParameter(AEffect* e, VstInt32 index);

private:
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
  void FillRecord();
  // The two below expect mProcessLock held.
  void Activate(bool on);
  void EnsureSampleSize(int32_t size);
  void Process(void** in, void** out, int frames, int32_t size);
  void Flush();
  std::string Title(int index, bool units);
  std::string Display(int index);
  VstIntPtr GetChunk(VstInt32 index, void* ptr);
  VstIntPtr SetChunk(VstInt32 index, VstIntPtr size, void* ptr);
  VstIntPtr OpenView(void* parent);
  VstIntPtr CloseView();
  VstIntPtr SetFromText(VstInt32 index, const char* text);
  // Stores one value of the set-up under mProcessLock.
  template <typename T>
  VstIntPtr SetUp(T* field, T value)
  {
    std::lock_guard<std::mutex> processing(mProcessLock);
    *field = value;
    return 0;
  }
  void Report(VstInt32 opcode, int index, float value);

  const Vst3Module& mModule;
  audioMasterCallback mHost;
  AEffect mEffect = {};
  IComponent* mComponent = nullptr;
  IAudioProcessor* mProcessor = nullptr;
  IEditController* mController = nullptr;
  IConnectionPoint* mComponentPoint = nullptr;
  IConnectionPoint* mControllerPoint = nullptr;
  IPlugView* mView = nullptr;
  HostApplication mApp;
  ComponentHandler mHandler;
  HostFrame mFrame;
  ERect mRect = {};
  std::mutex mProcessLock;
  std::mutex mPendingLock;
  ParameterChanges mPending;  // guarded by mPendingLock
  ParameterChanges mBlock;    // guarded by mProcessLock
  std::vector<unsigned char> mChunk;
  int mInChannels = 0;
  int mOutChannels = 0;
  // Guarded by mProcessLock.
  int32_t mSampleSize = kSample32;
  double mRate = kDefaultRate;
  int mBlockSize = kDefaultBlock;
  long long mSamplePos = 0;
  bool mActive = false;
};

Vst3Effect::~Vst3Effect()
{
  if (mView) CloseView();
  {
    std::lock_guard<std::mutex> processing(mProcessLock);
    Activate(false);
  }
  if (mComponentPoint && mControllerPoint) {
    mComponentPoint->disconnect(mControllerPoint);
    mControllerPoint->disconnect(mComponentPoint);
  }
  if (mComponentPoint) mComponentPoint->release();
  if (mControllerPoint) mControllerPoint->release();
  if (mProcessor) mProcessor->release();
  if (mController) {
    mController->setComponentHandler(nullptr);
    mController->terminate();
    ReleaseLast(mController, "the edit controller");
  }
  if (mComponent) {
    mComponent->terminate();
    ReleaseLast(mComponent, "the component");
  }
}

bool Vst3Effect::Create()
{
  IPluginFactory* f = mModule.Factory();
  if (f->createInstance(mModule.EffectClass().cid.bytes, kIComponentIid.bytes,
                        reinterpret_cast<void**>(&mComponent)) != kResultOk || !mComponent) {
    return false;
  }
  if (mComponent->initialize(&mApp) != kResultOk) return false;
  if (mComponent->queryInterface(kIAudioProcessorIid.bytes, reinterpret_cast<void**>(&mProcessor)) != kResultOk) {
    return false;
  }
  Uid controllerId = {};
  if (mComponent->getControllerClassId(controllerId.bytes) != kResultOk ||
      f->createInstance(controllerId.bytes, kIEditControllerIid.bytes, reinterpret_cast<void**>(&mController)) !=
        kResultOk ||
      !mController || mController->initialize(&mApp) != kResultOk) {
    return false;
  }
  mHandler.onBegin = [this](int index) { Report(audioMasterBeginEdit, index, 0.0f); };
  mHandler.onEnd = [this](int index) { Report(audioMasterEndEdit, index, 0.0f); };
  mHandler.onPerform = [this](int index, double v) { Report(audioMasterAutomate, index, static_cast<float>(v)); };
  mController->setComponentHandler(&mHandler);
  mComponent->queryInterface(kIConnectionPointIid.bytes, reinterpret_cast<void**>(&mComponentPoint));
  mController->queryInterface(kIConnectionPointIid.bytes, reinterpret_cast<void**>(&mControllerPoint));
  if (mComponentPoint && mControllerPoint) {
    mComponentPoint->connect(mControllerPoint);
    mControllerPoint->connect(mComponentPoint);
  }
  // The controller starts from the component's state, as hosts do.
  MemoryStream state;
  if (mComponent->getState(&state) == kResultOk) {
    state.Rewind();
    mController->setComponentState(&state);
  }
  FillRecord();
  return true;
}

void Vst3Effect::FillRecord()
{
  BusInfo bus = {};
  if (mComponent->getBusInfo(kAudio, kInput, 0, bus) == kResultOk) mInChannels = bus.channelCount;
  if (mComponent->getBusInfo(kAudio, kOutput, 0, bus) == kResultOk) mOutChannels = bus.channelCount;
  mEffect.magic = kEffectMagic;
  mEffect.dispatcher = Dispatcher;
  mEffect.setParameter = SetParameter;
  mEffect.getParameter = GetParameter;
  mEffect.processReplacing = ProcessReplacing;
  mEffect.processDoubleReplacing = ProcessDouble;
  mEffect.numPrograms = 1;
  mEffect.numParams = mController->getParameterCount();
  mEffect.numInputs = mInChannels;
  mEffect.numOutputs = mOutChannels;
  mEffect.flags = effFlagsCanReplacing | effFlagsProgramChunks;
  if (mProcessor->canProcessSampleSize(kSample64) == kResultOk) mEffect.flags |= effFlagsCanDoubleReplacing;
  if (IPlugView* probe = mController->createView(kEditorView)) {
    ViewRect r = {};
    if (probe->getSize(&r) == kResultOk) {
      mRect = ERect{static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
                    static_cast<int16_t>(r.right)};
    }
    mEffect.flags |= effFlagsHasEditor;
    ReleaseLast(probe, "a view never attached");
  }
  mEffect.initialDelay = static_cast<VstInt32>(mProcessor->getLatencySamples());
  mEffect.ioRatio = 1.0f;
  mEffect.object = this;
  const Uid& id = mModule.EffectClass().cid;
  mEffect.uniqueID = static_cast<VstInt32>(static_cast<uint32_t>(static_cast<unsigned char>(id.bytes[0])) << 24 |
                                           static_cast<uint32_t>(static_cast<unsigned char>(id.bytes[1])) << 16 |
                                           static_cast<uint32_t>(static_cast<unsigned char>(id.bytes[2])) << 8 |
                                           static_cast<unsigned char>(id.bytes[3]));
  mEffect.version = DecimalVersion(mModule.EffectClass().version);
}

void Vst3Effect::Report(VstInt32 opcode, int index, float value)
{
  if (mHost) mHost(&mEffect, opcode, index, 0, nullptr, value);
}

void Vst3Effect::Activate(bool on)
{
  if (on == mActive || !mProcessor) return;
  if (on) {
    ProcessSetup setup = {kRealtime, mSampleSize, mBlockSize, mRate};
    mProcessor->setupProcessing(setup);
    mComponent->setActive(1);
    mProcessor->setProcessing(1);
  } else {
    mProcessor->setProcessing(0);
    mComponent->setActive(0);
  }
  mActive = on;
}

void Vst3Effect::EnsureSampleSize(int32_t size)
{
  if (size == mSampleSize) return;
  // Another precision is set up while inactive, as hosts switch it.
  const bool wasActive = mActive;
  Activate(false);
  mSampleSize = size;
  if (wasActive) Activate(true);
}

void Vst3Effect::Process(void** in, void** out, int frames, int32_t size)
{
  std::lock_guard<std::mutex> processing(mProcessLock);
  EnsureSampleSize(size);
  {
    std::lock_guard<std::mutex> guard(mPendingLock);
    mBlock.Swap(mPending);
  }
  AudioBusBuffers inBus = {};
  AudioBusBuffers outBus = {};
  inBus.numChannels = mInChannels;
  outBus.numChannels = mOutChannels;
  inBus.channelBuffers32 = reinterpret_cast<float**>(in);
  outBus.channelBuffers32 = reinterpret_cast<float**>(out);
  ProcessContext context = {};
  context.state = kContextTempoValid | kContextPlaying;
  context.sampleRate = mRate;
  context.projectTimeSamples = mSamplePos;
  context.tempo = kHostTempo;
  ProcessData data = {};
  data.processMode = kRealtime;
  data.symbolicSampleSize = size;
  data.numSamples = frames;
  data.numInputs = 1;
  data.numOutputs = 1;
  data.inputs = &inBus;
  data.outputs = &outBus;
  data.inputParameterChanges = &mBlock;
  data.processContext = &context;
  mProcessor->process(data);
  mBlock.Clear();
  mSamplePos += frames;
}

// Hands pending parameter changes to the component in a call without
// samples, as hosts do before they read its state. UI thread; waits for the
// audio thread's block, whose changes came first.
void Vst3Effect::Flush()
{
  std::lock_guard<std::mutex> processing(mProcessLock);
  {
    std::lock_guard<std::mutex> guard(mPendingLock);
    if (mPending.Empty()) return;
    mBlock.Swap(mPending);
  }
  ProcessData data = {};
  data.symbolicSampleSize = mSampleSize;
  data.inputParameterChanges = &mBlock;
  mProcessor->process(data);
  mBlock.Clear();
}

std::string Vst3Effect::Title(int index, bool units)
{
  ParameterInfo info = {};
  if (index < 0 || mController->getParameterInfo(index, info) != kResultOk) return "";
  return Narrow(units ? info.units : info.title, kString128Chars);
}

std::string Vst3Effect::Display(int index)
{
  if (index < 0 || index >= mEffect.numParams) return "";
  String128 text = {};
  const ParamID id = static_cast<ParamID>(index);
  if (mController->getParamStringByValue(id, mController->getParamNormalized(id), text) != kResultOk) return "";
  return Narrow(text, kString128Chars);
}

VstIntPtr Vst3Effect::GetChunk(VstInt32 index, void* ptr)
{
  // VST3 keeps one state, the component's: no program chunks.
  if (!ptr || index != 0) return 0;
  Flush();
  MemoryStream stream;
  if (mComponent->getState(&stream) != kResultOk || stream.Bytes().empty()) return 0;
  mChunk = stream.Bytes();
  *static_cast<void**>(ptr) = mChunk.data();
  return static_cast<VstIntPtr>(mChunk.size());
}

VstIntPtr Vst3Effect::SetChunk(VstInt32 index, VstIntPtr size, void* ptr)
{
  if (!ptr || index != 0 || size < 0) return 0;
  const unsigned char* bytes = static_cast<const unsigned char*>(ptr);
  MemoryStream stream(std::vector<unsigned char>(bytes, bytes + size));
  Flush();
  const tresult r = mComponent->setState(&stream);
  stream.Rewind();
  mController->setComponentState(&stream);
  return r == kResultOk ? 1 : 0;
}

VstIntPtr Vst3Effect::OpenView(void* parent)
{
  if (mView) CloseView();
  mView = mController->createView(kEditorView);
  if (!mView) return 0;
  mView->setFrame(&mFrame);
  if (mView->isPlatformTypeSupported(Vst3ViewType()) != kResultOk || mView->attached(parent, Vst3ViewType()) != kResultOk) {
    mView->setFrame(nullptr);
    ReleaseLast(mView, "a view that failed to attach");
    mView = nullptr;
    return 0;
  }
  ViewRect r = {};
  if (mView->getSize(&r) == kResultOk) {
    mRect = ERect{static_cast<int16_t>(r.top), static_cast<int16_t>(r.left), static_cast<int16_t>(r.bottom),
                  static_cast<int16_t>(r.right)};
  }
  return 1;
}

VstIntPtr Vst3Effect::CloseView()
{
  if (!mView) return 0;
  mView->removed();
  if (!mFrame.Idle()) NoteProblem("a removed view left handlers in the host's run loop");
  mView->setFrame(nullptr);
  ReleaseLast(mView, "a view");
  mView = nullptr;
  return 1;
}

VstIntPtr Vst3Effect::SetFromText(VstInt32 index, const char* text)
{
  if (index < 0 || index >= mEffect.numParams) return 0;
  if (!text) return 1;
  String128 wide = {};
  for (int i = 0; text[i] && i < kString128Chars - 1; ++i) wide[i] = static_cast<unsigned char>(text[i]);
  ParamValue v = 0.0;
  if (mController->getParamValueByString(static_cast<ParamID>(index), wide, v) != kResultOk) return 0;
  {
    std::lock_guard<std::mutex> guard(mPendingLock);
    mPending.Add(static_cast<ParamID>(index), v);
  }
  mController->setParamNormalized(static_cast<ParamID>(index), v);
  return 1;
}

VstIntPtr Vst3Effect::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  switch (opcode) {
    case effGetProgramName: CopyBounded(ptr, kProgramName, kHostProgramNameBytes); return 0;
    case effGetProgramNameIndexed: CopyBounded(ptr, index == 0 ? kProgramName : "", kHostProgramNameBytes); return index == 0;
    case effGetParamLabel: CopyBounded(ptr, Title(index, true), kHostParamLabelBytes); return 0;
    case effGetParamDisplay: CopyBounded(ptr, Display(index), kHostParamDisplayBytes); return 0;
    case effGetParamName: CopyBounded(ptr, Title(index, false), kHostParamNameBytes); return 0;
    case effSetSampleRate: return SetUp(&mRate, static_cast<double>(opt));
    case effSetBlockSize: return SetUp(&mBlockSize, static_cast<int>(value));
    case effMainsChanged: {
      std::lock_guard<std::mutex> processing(mProcessLock);
      Activate(value != 0);
      return 0;
    }
    case effEditGetRect:
      if (!ptr || !(mEffect.flags & effFlagsHasEditor)) return 0;
      *static_cast<ERect**>(ptr) = &mRect;
      return 1;
    case effEditOpen: return OpenView(ptr);
    case effEditClose: return CloseView();
    case effEditIdle: mFrame.Pump(); return 0;
    case effGetChunk: return GetChunk(index, ptr);
    case effSetChunk: return SetChunk(index, value, ptr);
    case effString2Parameter: return SetFromText(index, static_cast<const char*>(ptr));
    case effGetPlugCategory: return kPlugCategEffect;
    case effGetEffectName: CopyBounded(ptr, mModule.EffectClass().name, kHostEffectNameBytes); return ptr != nullptr;
    case effGetVendorString: CopyBounded(ptr, mModule.EffectClass().vendor, kHostVendorBytes); return ptr != nullptr;
    case effGetProductString: CopyBounded(ptr, "", kHostProductNameBytes); return ptr != nullptr;
    case effGetVendorVersion: return mEffect.version;
    case effGetTailSize: return static_cast<VstIntPtr>(mProcessor->getTailSamples());
    case effGetVstVersion: return kVstVersion;
    default: return 0;
  }
}

VstIntPtr Vst3Effect::Dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  Vst3Effect* self = From(e);
  if (!self) return 0;
  if (opcode == effClose) {
    delete self;
    return 0;
  }
  return self->Dispatch(opcode, index, value, ptr, opt);
}

void Vst3Effect::ProcessReplacing(AEffect* e, float** in, float** out, VstInt32 frames)
{
  From(e)->Process(reinterpret_cast<void**>(in), reinterpret_cast<void**>(out), frames, kSample32);
}

void Vst3Effect::ProcessDouble(AEffect* e, double** in, double** out, VstInt32 frames)
{
  From(e)->Process(reinterpret_cast<void**>(in), reinterpret_cast<void**>(out), frames, kSample64);
}

void Vst3Effect::SetParameter(AEffect* e, VstInt32 index, float value)
{
  Vst3Effect* self = From(e);
  if (index < 0 || index >= e->numParams) return;
  {
    std::lock_guard<std::mutex> guard(self->mPendingLock);
    self->mPending.Add(static_cast<ParamID>(index), value);
  }
  // The host shows the value in the controller at once.
  self->mController->setParamNormalized(static_cast<ParamID>(index), value);
}

float Vst3Effect::GetParameter(AEffect* e, VstInt32 index)
{
  Vst3Effect* self = From(e);
  if (index < 0 || index >= e->numParams) return 0.0f;
  return static_cast<float>(self->mController->getParamNormalized(static_cast<ParamID>(index)));
}

}  // namespace

Vst3Module::~Vst3Module()
{
  if (mFactory) mFactory->release();
  if (mEntered) ExitVst3Module(mLoader);
}

bool Vst3Module::Load(const char* path, std::string& error)
{
  const std::string binary = Vst3BinaryPath(path);
  if (!mLoader.Load(binary.c_str())) {
    error = mLoader.Error();
    return false;
  }
  if (!EnterVst3Module(mLoader, error)) return false;
  mEntered = true;
  GetFactoryProc get = reinterpret_cast<GetFactoryProc>(mLoader.Symbol("GetPluginFactory"));
  mFactory = get ? get() : nullptr;
  if (!mFactory) {
    error = "no plug-in factory in " + binary;
    return false;
  }
  IPluginFactory2* f2 = nullptr;
  if (mFactory->queryInterface(kIPluginFactory2Iid.bytes, reinterpret_cast<void**>(&f2)) != kResultOk || !f2) {
    error = "the factory has no class information of the second kind";
    return false;
  }
  bool found = false;
  for (int32_t i = 0; i < f2->countClasses() && !found; ++i) {
    PClassInfo2 info = {};
    if (f2->getClassInfo2(i, &info) == kResultOk && std::strcmp(info.category, kAudioEffectClass) == 0) {
      mClass = info;
      found = true;
    }
  }
  f2->release();
  if (!found) error = "the module offers no audio effect class";
  return found;
}

AEffect* Vst3Module::NewInstance(audioMasterCallback host)
{
  if (!mFactory) return nullptr;
  Vst3Effect* effect = new (std::nothrow) Vst3Effect(*this, host);
  if (!effect) return nullptr;
  if (!effect->Create()) {
    delete effect;
    return nullptr;
  }
  return effect->Effect();
}

bool Vst3PartsOf(AEffect* effect, Vst3Parts* parts)
{
  if (!effect || effect->dispatcher != Vst3Effect::Dispatcher) return false;
  *parts = Vst3Effect::From(effect)->Parts();
  return true;
}

std::vector<std::string> Vst3ReferenceProblems()
{
  std::lock_guard<std::mutex> guard(ProblemsLock());
  return Problems();
}

void Vst3ReferenceProblemsNote(const std::string& what) { NoteProblem(what); }
