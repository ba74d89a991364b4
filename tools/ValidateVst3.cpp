// VST3 checks: what the VST3 interface adds to a plug-in's duties. Interface
// queries answered consistently, every object and view released to zero,
// bus arrangements negotiated, processing set up again and again, parameter
// queues with several points, and the order of activation and processing.
// Passed over for VST2 modules.
#include <cmath>
#include <string>
#include <vector>

#include "tools/Validation.h"
#include "tools/Vst3Effect.h"
#include "tools/Vst3HostObjects.h"

namespace {

using namespace vst3;

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;
constexpr int kChannelsMax = 2;
// An identifier no plug-in answers.
constexpr Uid kUnknownIid = MakeUid(0x0BADF00D, 0x12345678, 0x9ABCDEF0, 0x0FEDCBA9);
// The set-ups the plug-in is taken through in turn.
struct Setup
{
  double rate;
  int block;
  int32_t sampleSize;
};
const Setup kSetups[] = {{44100.0, 512, kSample32}, {96000.0, 64, kSample64}, {22050.0, 1024, kSample32},
                         {192000.0, 128, kSample64}, {48000.0, 4096, kSample32}};
constexpr int kActivationCycles = 10;
// Views asked of each instance by the reference check.
constexpr int kViewsPerInstance = 3;
constexpr int kBlocksPerRun = 4;

// An instance made through the module but not opened: neither set up nor
// active. Closed (effClose) with the object.
struct RawInstance
{
  explicit RawInstance(HostedPlugin& module) : effect(module.NewInstance())
  {
    if (!effect || !Vst3PartsOf(effect, &parts)) parts = Vst3Parts{nullptr, nullptr, nullptr};
  }
  ~RawInstance()
  {
    if (effect) effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
  }
  RawInstance(const RawInstance&) = delete;
  RawInstance& operator=(const RawInstance&) = delete;
  bool Valid() const { return parts.component != nullptr; }
  AEffect* effect;
  Vst3Parts parts = {};
};

// Runs blocks of the test signal through the processor directly and
// checks the output. channels gives the bus width on both sides.
bool RunBlocks(IAudioProcessor* p, int frames, int32_t size, int channels, int blocks, std::string& why)
{
  std::vector<std::vector<float>> f(2 * kChannelsMax, std::vector<float>(static_cast<size_t>(frames)));
  std::vector<std::vector<double>> d(2 * kChannelsMax, std::vector<double>(static_cast<size_t>(frames)));
  float* fin[kChannelsMax] = {f[0].data(), f[1].data()};
  float* fout[kChannelsMax] = {f[2].data(), f[3].data()};
  double* din[kChannelsMax] = {d[0].data(), d[1].data()};
  double* dout[kChannelsMax] = {d[2].data(), d[3].data()};
  for (int b = 0; b < blocks; ++b) {
    for (int c = 0; c < channels; ++c) {
      for (int k = 0; k < frames; ++k) {
        const double x = TestSignal(c, static_cast<long long>(b) * frames + k, kRate);
        f[static_cast<size_t>(c)][static_cast<size_t>(k)] = static_cast<float>(x);
        d[static_cast<size_t>(c)][static_cast<size_t>(k)] = static_cast<float>(x);
      }
    }
    AudioBusBuffers in = {}, out = {};
    in.numChannels = out.numChannels = channels;
    if (size == kSample64) {
      in.channelBuffers64 = din;
      out.channelBuffers64 = dout;
    } else {
      in.channelBuffers32 = fin;
      out.channelBuffers32 = fout;
    }
    ProcessData data = {};
    data.symbolicSampleSize = size;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &in;
    data.outputs = &out;
    if (p->process(data) != kResultOk) {
      why = "process refused a block";
      return false;
    }
    for (int c = 0; c < channels; ++c) {
      for (int k = 0; k < frames; ++k) {
        const double y = size == kSample64 ? d[2 + static_cast<size_t>(c)][static_cast<size_t>(k)]
                                           : f[2 + static_cast<size_t>(c)][static_cast<size_t>(k)];
        if (!std::isfinite(y)) {
          why = "a sample that is not a number";
          return false;
        }
      }
    }
  }
  return true;
}

bool Start(const Vst3Parts& parts, double rate, int block, int32_t size)
{
  ProcessSetup setup = {kRealtime, size, block, rate};
  return parts.processor->setupProcessing(setup) == kResultOk && parts.component->setActive(1) == kResultOk &&
         parts.processor->setProcessing(1) == kResultOk;
}

void Stop(const Vst3Parts& parts)
{
  parts.processor->setProcessing(0);
  parts.component->setActive(0);
}

// Queries answered alike from every interface, an unknown one refused, and
// the reference count where it started.
bool QueriesConsistent(FUnknown* object, const std::vector<Uid>& offered, std::string& why)
{
  const uint32_t before = object->addRef();
  object->release();
  FUnknown* identity = nullptr;
  object->queryInterface(kFUnknownIid.bytes, reinterpret_cast<void**>(&identity));
  for (const Uid& iid : offered) {
    FUnknown* i = nullptr;
    if (object->queryInterface(iid.bytes, reinterpret_cast<void**>(&i)) != kResultOk || !i) {
      why = "an interface it offers is refused";
      break;
    }
    FUnknown* back = nullptr;
    i->queryInterface(kFUnknownIid.bytes, reinterpret_cast<void**>(&back));
    if (back != identity) why = "FUnknown differs between its interfaces";
    if (back) back->release();
    i->release();
  }
  void* none = &none;
  if (object->queryInterface(kUnknownIid.bytes, &none) != kNoInterface || none) {
    why = "an unknown interface is not refused with a null result";
  }
  if (identity) identity->release();
  const uint32_t after = object->addRef();
  object->release();
  if (why.empty() && after != before) why = "the queries left the reference count changed";
  return why.empty();
}

void InterfaceQueries(Validation& v)
{
  RawInstance inst(v.module);
  std::string why;
  if (!inst.Valid()) {
    v.report.Fail("interface queries", "no instance");
    return;
  }
  QueriesConsistent(inst.parts.component, {kIComponentIid, kIPluginBaseIid, kIAudioProcessorIid}, why);
  if (why.empty()) QueriesConsistent(inst.parts.processor, {kIComponentIid, kIAudioProcessorIid}, why);
  if (why.empty()) QueriesConsistent(inst.parts.controller, {kIEditControllerIid, kIPluginBaseIid}, why);
  v.report.Expect(why.empty(), "interface queries",
                  "component, processor and controller answer alike; unknown interfaces refused; counts unchanged",
                  why);
}

void ReferencesReleased(Validation& v)
{
  const size_t before = Vst3ReferenceProblems().size();
  const int cycles = v.Trials(20);
  int views = 0;
  for (int c = 0; c < cycles; ++c) {
    RawInstance inst(v.module);
    if (!inst.Valid()) break;
    for (int k = 0; k < kViewsPerInstance; ++k) {
      if (IPlugView* view = inst.parts.controller->createView(kEditorView)) {
        ++views;
        ViewRect r = {};
        view->getSize(&r);
        if (view->release() != 0) Vst3ReferenceProblemsNote("a view kept references after its release");
      }
    }
  }
  const std::vector<std::string> problems = Vst3ReferenceProblems();
  v.report.Expect(problems.size() == before, "references released",
                  std::to_string(cycles) + " instances and " + std::to_string(views) +
                    " views, every object released to zero",
                  problems.empty() ? "" : problems.back());
}

void BusArrangements(Validation& v)
{
  RawInstance inst(v.module);
  if (!inst.Valid()) return v.report.Fail("bus arrangements", "no instance");
  IAudioProcessor* p = inst.parts.processor;
  SpeakerArrangement stereo = kArrangementStereo, mono = kArrangementMono, surround = 0x3F;
  std::string why;
  SpeakerArrangement got = 0;
  if (p->setBusArrangements(&stereo, 1, &stereo, 1) != kResultOk) why = "stereo to stereo refused";
  if (why.empty() && p->setBusArrangements(&surround, 1, &surround, 1) == kResultOk) why = "5.1 accepted";
  if (why.empty() && p->setBusArrangements(&mono, 1, &stereo, 1) == kResultOk) why = "mono to stereo accepted";
  if (why.empty() && (p->getBusArrangement(kInput, 0, got) != kResultOk || got != stereo)) {
    why = "a refused arrangement changed the current one";
  }
  BusInfo bus = {};
  if (why.empty() && p->setBusArrangements(&mono, 1, &mono, 1) == kResultOk) {
    inst.parts.component->getBusInfo(kAudio, kOutput, 0, bus);
    if (bus.channelCount != 1) why = "the output bus does not report one channel in mono";
    if (why.empty() && Start(inst.parts, kRate, kBlock, kSample32)) {
      RunBlocks(p, kBlock, kSample32, 1, kBlocksPerRun, why);
    }
    Stop(inst.parts);
    if (why.empty() && p->setBusArrangements(&stereo, 1, &stereo, 1) != kResultOk) why = "stereo refused after mono";
  }
  v.report.Expect(why.empty(), "bus arrangements",
                  "stereo and mono taken, 5.1 and mono to stereo refused keeping the current one, mono processes",
                  why);
}

void SetupChanges(Validation& v)
{
  RawInstance inst(v.module);
  if (!inst.Valid()) return v.report.Fail("process setup changes", "no instance");
  std::string why;
  for (const Setup& s : kSetups) {
    if (!Start(inst.parts, s.rate, s.block, s.sampleSize)) {
      why = "set-up at " + std::to_string(static_cast<int>(s.rate)) + " Hz refused";
    } else {
      RunBlocks(inst.parts.processor, s.block, s.sampleSize, kChannelsMax, kBlocksPerRun, why);
    }
    Stop(inst.parts);
    if (!why.empty()) break;
  }
  ProcessSetup bad[] = {{kRealtime, kSample32, kBlock, 0.0}, {kRealtime, kSample32, 0, kRate},
                        {kRealtime, 7, kBlock, kRate}, {kRealtime, kSample32, kBlock, std::nan("")}};
  for (ProcessSetup& s : bad) {
    if (why.empty() && inst.parts.processor->setupProcessing(s) == kResultOk) why = "an impossible set-up accepted";
  }
  v.report.Expect(why.empty(), "process setup changes",
                  std::to_string(sizeof kSetups / sizeof kSetups[0]) +
                    " set-ups in turn, both sample sizes, processed cleanly; impossible ones refused",
                  why);
}

// The state after one flush of the given changes into a fresh instance.
std::vector<unsigned char> StateAfter(HostedPlugin& module, ParameterChanges& changes)
{
  RawInstance inst(module);
  if (!inst.Valid()) return {};
  ProcessData data = {};
  data.inputParameterChanges = &changes;
  inst.parts.processor->process(data);
  MemoryStream state;
  inst.parts.component->getState(&state);
  return state.Bytes();
}

void QueuesWithSeveralPoints(Validation& v)
{
  std::uniform_real_distribution<double> value(0.0, 1.0);
  std::string why;
  for (int t = 0; t < v.Trials(10) && why.empty(); ++t) {
    ParameterChanges several, last;
    RawInstance probe(v.module);
    const int params = probe.effect ? probe.effect->numParams : 0;
    for (int p = 0; p < params; ++p) {
      double x = 0.0;
      for (int k = 0; k < 1 + t % 4; ++k) several.Add(static_cast<ParamID>(p), x = value(v.rng));
      last.Add(static_cast<ParamID>(p), x);
    }
    // Changes of parameters that do not exist are passed over.
    several.Add(static_cast<ParamID>(params + 1), value(v.rng));
    if (StateAfter(v.module, several) != StateAfter(v.module, last)) {
      why = "a queue's last point is not the value that stays";
    }
  }
  v.report.Expect(why.empty(), "parameter queues with several points",
                  "queues of up to four points leave the state their last points give", why);
}

void ActivationOrder(Validation& v)
{
  RawInstance inst(v.module);
  if (!inst.Valid()) return v.report.Fail("setActive and setProcessing order", "no instance");
  std::string why;
  ProcessData flush = {};
  if (inst.parts.processor->process(flush) != kResultOk) why = "a call without samples while inactive refused";
  for (int c = 0; c < kActivationCycles && why.empty(); ++c) {
    if (!Start(inst.parts, kRate, kBlock, kSample32)) why = "activation refused";
    if (why.empty()) {
      SpeakerArrangement stereo = kArrangementStereo;
      if (inst.parts.processor->setBusArrangements(&stereo, 1, &stereo, 1) == kResultOk) {
        why = "arrangements changed while active";
      }
    }
    if (why.empty()) RunBlocks(inst.parts.processor, kBlock, kSample32, kChannelsMax, kBlocksPerRun, why);
    Stop(inst.parts);
  }
  v.report.Expect(why.empty(), "setActive and setProcessing order",
                  std::to_string(kActivationCycles) +
                    " cycles of set-up, activate, process, stop; arrangements fixed while active",
                  why);
}

}  // namespace

void ValidateVst3(Validation& v)
{
  if (!v.module.IsVst3()) {
    v.report.Pass("format", "a VST 2.4 module: nothing VST3 to check");
    return;
  }
  InterfaceQueries(v);
  ReferencesReleased(v);
  BusArrangements(v);
  SetupChanges(v);
  QueuesWithSeveralPoints(v);
  ActivationOrder(v);
}
