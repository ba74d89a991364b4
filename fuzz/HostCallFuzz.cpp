// Fuzzes the instance as a host drives it: a fuzzer-chosen sequence of
// dispatcher calls, parameter changes, chunks and audio blocks of fuzzer-chosen
// sizes and contents, against a host whose own answers (product name, time
// info, re-entrant parameter changes from inside automation reports) are
// fuzzer-chosen too. Every call keeps to the host side of the interface:
// pointers point at buffers of the size the call implies; the plug-in must
// cope with everything else.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "vst/EntryPoint.h"

namespace
{

// Sizes a host could plausibly use; absurd ones only test the allocator.
constexpr int kMaxBlockFrames = 2048;
constexpr int kMaxFramesPerInput = 4096;
constexpr int kMaxSteps = 96;
constexpr int kMaxChunkBytes = 4096;
constexpr int kMaxEvents = 8;
constexpr int kMaxSysExBytes = 64;
// Generous buffer for opcodes whose pointer this fuzzer does not model.
constexpr int kAnyOpcodeBufferBytes = 4096;
constexpr int kHostTextBytes = 256;
constexpr int kHostProductBytes = 64;
// Highest opcode tried; the interface defines none above 77.
constexpr int kMaxOpcode = 80;
// Nesting of setParameter calls made from inside the host callback.
constexpr int kMaxReentry = 2;

// What the host answers; chosen by the fuzzer at the start of each input.
struct Host
{
  bool reenterOnAutomate = false;
  int reentry = 0;
  char product[kHostProductBytes] = {};
  VstIntPtr vendorVersion = 0;
  VstIntPtr processLevel = 0;
  bool giveTime = false;
  VstTimeInfo time = {};
  float sampleRate = 44100.0f;  // the last rate passed to the instance
  // Set once a block of arbitrary sample bits went in: values near the
  // float range overflow inside the filters and delay lines, and may ring on
  // as infinities for as long as the delay lines hold them.
  bool wildInput = false;
};

// Rates at which finite, bounded input must give finite output.
constexpr float kLowestRate = 8000.0f;
constexpr float kHighestRate = 768000.0f;

Host gHost;

VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float opt)
{
  switch (opcode) {
    case audioMasterAutomate:
      // A host that echoes every automation report straight back.
      if (gHost.reenterOnAutomate && effect && gHost.reentry < kMaxReentry) {
        ++gHost.reentry;
        effect->setParameter(effect, index, opt);
        effect->getParameter(effect, index);
        --gHost.reentry;
      }
      return 0;
    case audioMasterVersion: return kVstVersion;
    case audioMasterGetTime: return gHost.giveTime ? reinterpret_cast<VstIntPtr>(&gHost.time) : 0;
    case audioMasterGetCurrentProcessLevel: return gHost.processLevel;
    case audioMasterGetProductString:
      // Up to the interface's 64 bytes, not necessarily terminated.
      if (ptr) std::memcpy(ptr, gHost.product, sizeof gHost.product);
      return 1;
    case audioMasterGetVendorVersion: return gHost.vendorVersion;
    default: return 0;
  }
}

void ChooseHost(FuzzedDataProvider& in)
{
  gHost = Host();
  gHost.reenterOnAutomate = in.ConsumeBool();
  const std::vector<uint8_t> product = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, kHostProductBytes));
  if (!product.empty()) std::memcpy(gHost.product, product.data(), product.size());
  gHost.vendorVersion = in.ConsumeIntegral<int32_t>();
  gHost.processLevel = in.ConsumeIntegralInRange(0, 5);
  gHost.giveTime = in.ConsumeBool();
  gHost.time.samplePos = in.ConsumeFloatingPoint<double>();
  gHost.time.tempo = in.ConsumeFloatingPoint<double>();
  gHost.time.ppqPos = in.ConsumeFloatingPoint<double>();
  gHost.time.timeSigNumerator = in.ConsumeIntegral<int32_t>();
  gHost.time.timeSigDenominator = in.ConsumeIntegral<int32_t>();
  gHost.time.flags = in.ConsumeIntegral<int32_t>();
}

// Heap blocks of exactly the size handed over, so an overrun is caught.
std::vector<uint8_t> Block(size_t n, uint8_t fill) { return std::vector<uint8_t>(n ? n : 1, fill); }

// A terminated text of fuzzer bytes in a buffer of the host's size.
std::vector<uint8_t> Text(FuzzedDataProvider& in)
{
  std::vector<uint8_t> t = Block(kHostTextBytes, 0);
  const std::vector<uint8_t> b = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, kHostTextBytes - 1));
  if (!b.empty()) std::memcpy(t.data(), b.data(), b.size());
  return t;
}

VstIntPtr ProcessEvents(FuzzedDataProvider& in, AEffect* e)
{
  const int n = in.ConsumeIntegralInRange(0, kMaxEvents);
  std::vector<VstMidiEvent> midi(static_cast<size_t>(n));
  std::vector<VstMidiSysexEvent> sysex(static_cast<size_t>(n));
  std::vector<std::vector<uint8_t>> dumps(static_cast<size_t>(n));
  std::vector<uint8_t> list = Block(offsetof(VstEvents, events) + sizeof(VstEvent*) * static_cast<size_t>(n), 0);
  VstEvents* events = reinterpret_cast<VstEvents*>(list.data());
  events->numEvents = n;
  VstEvent** slots = reinterpret_cast<VstEvent**>(list.data() + offsetof(VstEvents, events));
  for (int i = 0; i < n; ++i) {
    const size_t k = static_cast<size_t>(i);
    switch (in.ConsumeIntegralInRange(0, 2)) {
      case 0:
        slots[i] = nullptr;
        break;
      case 1:
        // Any type but the system-exclusive one, whose record is larger.
        midi[k].type = in.ConsumeBool() ? kVstMidiType : in.ConsumeIntegral<int32_t>();
        if (midi[k].type == kVstSysExType) midi[k].type = kVstMidiType;
        midi[k].byteSize = sizeof(VstMidiEvent);
        midi[k].deltaFrames = in.ConsumeIntegral<int32_t>();
        for (char& c : midi[k].midiData) c = static_cast<char>(in.ConsumeIntegral<uint8_t>());
        slots[i] = reinterpret_cast<VstEvent*>(&midi[k]);
        break;
      default:
        dumps[k] = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, kMaxSysExBytes));
        sysex[k].type = kVstSysExType;
        sysex[k].byteSize = sizeof(VstMidiSysexEvent);
        sysex[k].deltaFrames = in.ConsumeIntegral<int32_t>();
        sysex[k].dumpBytes = static_cast<VstInt32>(dumps[k].size());
        sysex[k].sysexDump = dumps[k].empty() ? nullptr : reinterpret_cast<char*>(dumps[k].data());
        slots[i] = reinterpret_cast<VstEvent*>(&sysex[k]);
        break;
    }
  }
  return e->dispatcher(e, effProcessEvents, 0, 0, in.ConsumeBool() ? events : nullptr, 0.0f);
}

// One dispatcher call with arguments the fuzzer picks and pointers shaped as
// the opcode needs. Opening an editor window is left to the editor's own
// tests; closing the instance ends the input.
void Dispatch(FuzzedDataProvider& in, AEffect* e)
{
  int opcode = in.ConsumeIntegralInRange(0, kMaxOpcode);
  if (opcode == effClose || opcode == effEditOpen || opcode == effEditClose || opcode == effEditIdle) {
    opcode = effGetVstVersion;
  }
  const VstInt32 index = in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 12) : in.ConsumeIntegral<int32_t>();
  VstIntPtr value = in.ConsumeBool() ? in.ConsumeIntegralInRange(-2, 12) : in.ConsumeIntegral<int32_t>();
  const float opt = in.ConsumeFloatingPoint<float>();
  const bool nullPtr = in.ConsumeIntegralInRange(0, 7) == 0;
  switch (opcode) {
    case effSetBlockSize:
      value = in.ConsumeIntegralInRange(-2, kMaxBlockFrames);
      e->dispatcher(e, opcode, index, value, nullptr, opt);
      return;
    case effSetSampleRate: {
      const float rate = in.ConsumeBool() ? opt : in.ConsumeFloatingPointInRange(1.0f, kHighestRate);
      e->dispatcher(e, opcode, index, value, nullptr, rate);
      if (std::isfinite(rate) && rate > 0.0f) gHost.sampleRate = rate;
      return;
    }
    case effSetProgramName:
    case effString2Parameter:
    case effCanDo: {
      std::vector<uint8_t> t = Text(in);
      e->dispatcher(e, opcode, index, value, nullPtr ? nullptr : t.data(), opt);
      return;
    }
    case effGetChunk: {
      void* chunk = nullptr;
      const VstIntPtr n = e->dispatcher(e, opcode, index, value, nullPtr ? nullptr : &chunk, opt);
      if (n < 0 || (n > 0 && !chunk)) std::abort();
      // The whole chunk must be readable.
      if (n > 0) {
        std::vector<uint8_t> copy(static_cast<const uint8_t*>(chunk), static_cast<const uint8_t*>(chunk) + n);
      }
      return;
    }
    case effSetChunk: {
      std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange(0, kMaxChunkBytes));
      std::vector<uint8_t> exact = Block(bytes.size(), 0);
      if (!bytes.empty()) std::memcpy(exact.data(), bytes.data(), bytes.size());
      const VstIntPtr r = e->dispatcher(e, opcode, index, static_cast<VstIntPtr>(bytes.size()),
                                        nullPtr ? nullptr : exact.data(), opt);
      if (r != 0 && r != 1) std::abort();
      return;
    }
    case effProcessEvents:
      ProcessEvents(in, e);
      return;
    case effEditGetRect: {
      ERect* rect = nullptr;
      e->dispatcher(e, opcode, index, value, nullPtr ? nullptr : &rect, opt);
      return;
    }
    case effGetInputProperties:
    case effGetOutputProperties: {
      std::vector<uint8_t> pin = Block(sizeof(VstPinProperties), 0x7F);
      e->dispatcher(e, opcode, index, value, nullPtr ? nullptr : pin.data(), opt);
      return;
    }
    case effGetMidiKeyName: {
      std::vector<uint8_t> key = Block(sizeof(MidiKeyName), 0x7F);
      reinterpret_cast<MidiKeyName*>(key.data())->thisKeyNumber = in.ConsumeIntegral<int32_t>();
      e->dispatcher(e, opcode, index, value, nullPtr ? nullptr : key.data(), opt);
      return;
    }
    case effSetSpeakerArrangement: {
      std::vector<uint8_t> a = Block(sizeof(VstSpeakerArrangement), 0);
      std::vector<uint8_t> b = Block(sizeof(VstSpeakerArrangement), 0);
      reinterpret_cast<VstSpeakerArrangement*>(a.data())->numChannels = in.ConsumeIntegralInRange(-1, 9);
      reinterpret_cast<VstSpeakerArrangement*>(b.data())->numChannels = in.ConsumeIntegralInRange(-1, 9);
      e->dispatcher(e, opcode, index, in.ConsumeBool() ? reinterpret_cast<VstIntPtr>(a.data()) : 0,
                    nullPtr ? nullptr : b.data(), opt);
      return;
    }
    case effGetSpeakerArrangement: {
      VstSpeakerArrangement* a = nullptr;
      VstSpeakerArrangement* b = nullptr;
      e->dispatcher(e, opcode, index, in.ConsumeBool() ? reinterpret_cast<VstIntPtr>(&a) : 0,
                    nullPtr ? nullptr : &b, opt);
      if (a && a->numChannels < 0) std::abort();
      return;
    }
    default: {
      // Text queries and everything else: a generous, sentinel-filled buffer
      // whose last byte must stay untouched.
      std::vector<uint8_t> buffer = Block(kAnyOpcodeBufferBytes, 0x7F);
      e->dispatcher(e, opcode, index, value, nullPtr ? nullptr : buffer.data(), opt);
      if (buffer.back() != 0x7F) std::abort();
      return;
    }
  }
}

// One audio block through one of the three callbacks. Returns its frames.
int Process(FuzzedDataProvider& in, AEffect* e, int budget)
{
  const int kind = in.ConsumeIntegralInRange(0, 2);
  const int frames = in.ConsumeIntegralInRange(-1, budget < kMaxBlockFrames ? budget : kMaxBlockFrames);
  const size_t n = static_cast<size_t>(frames > 0 ? frames : 0);
  const bool quiet = in.ConsumeBool();  // bounded, finite input
  const float level = in.ConsumeFloatingPointInRange(0.0f, 1.0f);
  const uint32_t seed = in.ConsumeIntegral<uint32_t>();
  const int missing = in.ConsumeIntegralInRange(0, 7);  // which buffers the host leaves out
  std::vector<std::vector<float>> f(4, std::vector<float>(n ? n : 1));
  std::vector<std::vector<double>> d(4, std::vector<double>(n ? n : 1));
  uint32_t x = seed;
  for (size_t c = 0; c < 2; ++c) {
    for (size_t k = 0; k < n; ++k) {
      x = x * 1664525u + 1013904223u;
      float v;
      if (quiet) {
        v = level * (static_cast<float>(x >> 8) / 8388608.0f - 1.0f);
      } else {
        std::memcpy(&v, &x, sizeof v);
      }
      f[c][k] = v;
      d[c][k] = v;
    }
  }
  float* fin[2] = {f[0].data(), f[1].data()};
  float* fout[2] = {f[2].data(), f[3].data()};
  double* din[2] = {d[0].data(), d[1].data()};
  double* dout[2] = {d[2].data(), d[3].data()};
  if (missing == 1) fin[1] = nullptr, din[1] = nullptr;
  if (missing == 2) fout[0] = nullptr, dout[0] = nullptr;
  switch (kind) {
    case 0: e->processReplacing(e, missing == 3 ? nullptr : fin, missing == 4 ? nullptr : fout, frames); break;
    case 1: e->process(e, missing == 3 ? nullptr : fin, missing == 4 ? nullptr : fout, frames); break;
    default: e->processDoubleReplacing(e, missing == 3 ? nullptr : din, missing == 4 ? nullptr : dout, frames); break;
  }
  // Finite, bounded input at a usable rate gives finite output.
  gHost.wildInput |= !quiet && n > 0;
  if (!gHost.wildInput && gHost.sampleRate >= kLowestRate && gHost.sampleRate <= kHighestRate && missing != 4) {
    for (size_t c = 2; c < 4; ++c) {
      for (size_t k = 0; k < n; ++k) {
        if (!std::isfinite(kind == 2 ? d[c][k] : static_cast<double>(f[c][k]))) std::abort();
      }
    }
  }
  return static_cast<int>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
  FuzzedDataProvider in(data, size);
  ChooseHost(in);
  AEffect* e = VSTPluginMain(HostCallback);
  if (!e || e->magic != kEffectMagic) std::abort();
  int budget = kMaxFramesPerInput;
  for (int step = 0; step < kMaxSteps && in.remaining_bytes() > 0; ++step) {
    switch (in.ConsumeIntegralInRange(0, 5)) {
      case 0:
      case 1: Dispatch(in, e); break;
      case 2: {
        const VstInt32 index = in.ConsumeIntegralInRange(-2, e->numParams + 1);
        const float v = in.ConsumeBool() ? in.ConsumeProbability<float>() : in.ConsumeFloatingPoint<float>();
        e->setParameter(e, index, v);
        break;
      }
      case 3: {
        const float v = e->getParameter(e, in.ConsumeIntegralInRange(-2, e->numParams + 1));
        if (!(v >= 0.0f && v <= 1.0f)) std::abort();
        break;
      }
      default: budget -= Process(in, e, budget); break;
    }
  }
  for (int i = 0; i < e->numParams; ++i) {
    const float v = e->getParameter(e, i);
    if (!(v >= 0.0f && v <= 1.0f)) std::abort();
  }
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  return 0;
}
