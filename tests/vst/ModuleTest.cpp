// Drives the built plug-in module through its exported entry point, as a host
// does: the record, the dispatcher's answers, parameters, programs, chunks,
// and the calls the instance makes into the host.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/TestSeed.h"
#include "tools/HostedPlugin.h"

namespace {

// Byte value the tests fill host buffers with, to see how far a copy wrote.
constexpr unsigned char kSentinel = 0x7F;

class Module : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(host.Load(VEXA_MODULE_PATH)) << host.Error();
    e = host.Effect();
    host.Open(44100.0, 1024);
  }

  VstIntPtr Dispatch(VstInt32 op, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
  {
    return host.Dispatch(op, index, value, ptr, opt);
  }

  // Copies text out of a sentinel-filled buffer and reports how many bytes
  // the plug-in touched.
  int TouchedBytes(const unsigned char* buf, int size)
  {
    int last = -1;
    for (int i = 0; i < size; ++i) {
      if (buf[i] != kSentinel) last = i;
    }
    return last + 1;
  }

  std::vector<unsigned char> GetChunk(bool program)
  {
    void* data = nullptr;
    const VstIntPtr n = Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (n <= 0 || !data) return {};
    const unsigned char* p = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(p, p + n);
  }

  VstIntPtr SetChunk(bool program, std::vector<unsigned char> bytes)
  {
    return Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
  }

  float Get(int i) { return e->getParameter(e, i); }
  void Set(int i, float v) { e->setParameter(e, i, v); }

  HostedPlugin host;
  AEffect* e = nullptr;
};

void PutDouble(std::vector<unsigned char>& v, double d)
{
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  for (int i = 0; i < 8; ++i) v.push_back(static_cast<unsigned char>(bits >> (8 * i)));
}

void PutInt(std::vector<unsigned char>& v, uint32_t x)
{
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}

const double kDefaults[9] = {0.707, 20000.0, 0.001, 0.1, 0.0, 0.0, 0.0, 0.0, 0.0};

std::vector<unsigned char> ProgramChunk(const double* values)
{
  std::vector<unsigned char> v = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  for (int i = 0; i < 9; ++i) PutDouble(v, values[i]);
  return v;
}

}  // namespace

TEST_F(Module, RecordHasItsFieldValues)
{
  EXPECT_EQ(e->magic, 0x56737450);
  EXPECT_NE(e->object, nullptr);
  EXPECT_EQ(e->numParams, 9);
  EXPECT_EQ(e->numPrograms, 1);
  EXPECT_EQ(e->numInputs, 2);
  EXPECT_EQ(e->numOutputs, 2);
  EXPECT_EQ(e->flags, VEXA_EXPECTED_FLAGS);
  EXPECT_EQ(e->uniqueID, 0x56584131);
  EXPECT_EQ(e->version, 10000);
  EXPECT_EQ(e->initialDelay, 0);
  EXPECT_EQ(e->ioRatio, 1.0f);
  EXPECT_EQ(e->resvd1, 0);
  EXPECT_EQ(e->user, nullptr);
  for (char c : e->future) ASSERT_EQ(c, 0);
  VstSpeakerArrangement* in = nullptr;
  VstSpeakerArrangement* out = nullptr;
  EXPECT_EQ(Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
  ASSERT_TRUE(in && out);
  EXPECT_EQ(in->type, 1);
  EXPECT_EQ(in->numChannels, 2);
  EXPECT_EQ(out->type, 1);
  EXPECT_EQ(out->numChannels, 2);
}

TEST_F(Module, DispatcherAnswersFixedQueries)
{
  EXPECT_EQ(Dispatch(effGetVstVersion), 2400);
  EXPECT_EQ(Dispatch(effIdentify), 0x4E764566);
  EXPECT_EQ(Dispatch(effGetVendorVersion), 10000);
  EXPECT_EQ(Dispatch(effGetTailSize), 0);
  EXPECT_EQ(Dispatch(effGetPlugCategory), 1);
  EXPECT_EQ(Dispatch(effCanBeAutomated, 3), 1);
  EXPECT_EQ(Dispatch(effCanBeAutomated, 999), 1);
  EXPECT_EQ(Dispatch(effGetProgram), 0);
  for (VstInt32 op : {19, 41, 53, 70, 71, 1000, -1}) EXPECT_EQ(Dispatch(op, 1, 1, nullptr, 1.0f), 0) << op;
}

TEST_F(Module, CapabilitiesAreComparedExactly)
{
  auto canDo = [&](const char* t) { return Dispatch(effCanDo, 0, 0, const_cast<char*>(t)); };
  EXPECT_EQ(canDo("receiveVstTimeInfo"), 1);
  EXPECT_EQ(canDo("sendVstEvents"), 0);
  EXPECT_EQ(canDo("receiveVstMidiEvent"), 0);
  EXPECT_EQ(canDo("hasCockosExtension"), 0);
  EXPECT_EQ(canDo("HASCOCKOSEXTENSIONS"), 0);
  // Zero-extended to the pointer width: hosts compare with the unsigned value.
  const VstIntPtr cockos = canDo("hasCockosExtensions");
  EXPECT_EQ(static_cast<uintptr_t>(cockos), static_cast<uintptr_t>(0xBEEF0000u));
  if (sizeof(void*) == 8) {
    EXPECT_EQ(static_cast<long long>(cockos), 0xBEEF0000LL);
  }
  EXPECT_EQ(static_cast<uintptr_t>(canDo("hasCockosViewAsConfig")), static_cast<uintptr_t>(0xBEEF0000u));
  EXPECT_EQ(Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(Module, ParameterTextsAreBoundedToHostFields)
{
  const char* names[9] = {"Q", "Frequency", "Attack", "Release", "Intensity", "Mix", "Output", "Pitch", "Sequence"};
  const char* displays[9] = {"0.71", "20000.00", "0.0010", "0.1000", "0.00", "0.00", "0", "0", "0"};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(host.ParamName(i), names[i]);
    EXPECT_EQ(host.ParamLabel(i), i == 8 ? "" : "%");
    EXPECT_EQ(host.ParamDisplay(i), displays[i]);
  }
  // Out of range: nothing written.
  unsigned char buf[64];
  for (VstInt32 op : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
    std::memset(buf, kSentinel, sizeof buf);
    Dispatch(op, 9, 0, buf);
    Dispatch(op, -1, 0, buf);
    EXPECT_EQ(TouchedBytes(buf, sizeof buf), 0);
    EXPECT_EQ(Dispatch(op, 0, 0, nullptr), 0);
  }
  // The longest display fits the 24-byte field; a huge value is cut there.
  std::memset(buf, kSentinel, sizeof buf);
  Dispatch(effGetParamDisplay, 1, 0, buf);
  EXPECT_LE(TouchedBytes(buf, sizeof buf), 24);
  std::memset(buf, kSentinel, sizeof buf);
  Dispatch(effGetParamName, 1, 0, buf);
  EXPECT_EQ(TouchedBytes(buf, sizeof buf), 10);
}

TEST_F(Module, NormalizedValuesMapThroughShapesAndClamp)
{
  Set(1, 0.5f);
  EXPECT_EQ(host.ParamDisplay(1), "5075.00");
  EXPECT_FLOAT_EQ(Get(1), 0.5f);
  Set(7, 0.5f);
  EXPECT_EQ(host.ParamDisplay(7), "0");
  EXPECT_FLOAT_EQ(Get(7), 0.5f);
  Set(8, 0.4f);
  EXPECT_EQ(host.ParamDisplay(8), "0");
  Set(8, 0.5f);
  EXPECT_EQ(host.ParamDisplay(8), "1");
  EXPECT_EQ(Get(8), 1.0f);
  // Out-of-range host values are limited to 0..1 first; NaN is ignored.
  Set(8, -1.0f);
  EXPECT_EQ(host.ParamDisplay(8), "0");
  Set(0, -5.0f);
  EXPECT_EQ(host.ParamDisplay(0), "0.40");
  Set(6, 3.0f);
  EXPECT_EQ(host.ParamDisplay(6), "12");
  Set(6, std::nanf(""));
  EXPECT_EQ(host.ParamDisplay(6), "12");
  Set(9, 0.5f);
  EXPECT_EQ(Get(9), 0.0f);
  EXPECT_EQ(Get(-1), 0.0f);
  // The instance does not report host-set values back as automation.
  for (const HostCall& c : host.calls) EXPECT_NE(c.opcode, audioMasterAutomate);
}

TEST_F(Module, TextToParameterStoresUnquantisedClampedValues)
{
  char text[] = "6.5";
  EXPECT_EQ(Dispatch(effString2Parameter, 6, 0, text), 1);
  EXPECT_FLOAT_EQ(Get(6), static_cast<float>((6.5 + 12.0) / 24.0));
  char big[] = "99";
  EXPECT_EQ(Dispatch(effString2Parameter, 6, 0, big), 1);
  EXPECT_EQ(host.ParamDisplay(6), "12");
  EXPECT_EQ(Dispatch(effString2Parameter, 6, 0, nullptr), 1);
  EXPECT_EQ(host.ParamDisplay(6), "12");
  EXPECT_EQ(Dispatch(effString2Parameter, 9, 0, text), 0);
  char freq[] = "5075";
  EXPECT_EQ(Dispatch(effString2Parameter, 1, 0, freq), 1);
  EXPECT_FLOAT_EQ(Get(1), 0.5f);
}

TEST_F(Module, VendorSpecificQueriesFormatAndTellDiscreteParameters)
{
  char text[64];
  std::memset(text, kSentinel, sizeof text);
  EXPECT_EQ(Dispatch(effVendorSpecific, effGetParamDisplay, 1, text, 0.5f), 0xBEEF);
  EXPECT_STREQ(text, "5075.00");
  EXPECT_EQ(host.ParamDisplay(1), "20000.00");  // the query changes nothing
  std::memset(text, kSentinel, sizeof text);
  EXPECT_EQ(Dispatch(effVendorSpecific, effGetParamDisplay, 42, text, 0.5f), 0xBEEF);
  EXPECT_EQ(TouchedBytes(reinterpret_cast<unsigned char*>(text), sizeof text), 0);
  EXPECT_EQ(Dispatch(effVendorSpecific, effGetParamDisplay, 1, nullptr, 0.5f), 0);
  EXPECT_EQ(Dispatch(effVendorSpecific, effGetParamName, 8), 0xBEEF);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(Dispatch(effVendorSpecific, effGetParamName, i), 0);
  EXPECT_EQ(Dispatch(effVendorSpecific, effGetParamName, 9), 0);
  EXPECT_EQ(Dispatch(effVendorSpecific, 3, 0, text), 0);
}

TEST_F(Module, NullPointersAnswerZero)
{
  for (VstInt32 op : {effGetProgramName, effSetProgramName, effGetChunk, effSetChunk, effProcessEvents,
                      effGetProgramNameIndexed, effGetInputProperties, effGetOutputProperties, effGetEffectName,
                      effGetVendorString, effGetProductString, effCanDo, effGetMidiKeyName, effEditGetRect}) {
    EXPECT_EQ(Dispatch(op, 0, 4, nullptr), 0) << "opcode " << op;
  }
  EXPECT_EQ(Dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 1);
  EXPECT_EQ(Dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 1);
  EXPECT_EQ(host.ParamDisplay(0), "0.71");
}

TEST_F(Module, IdentityAndPinsFillTheirFields)
{
  unsigned char buf[128];
  std::memset(buf, kSentinel, sizeof buf);
  EXPECT_EQ(Dispatch(effGetEffectName, 0, 0, buf), 1);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "Vexa");
  std::memset(buf, kSentinel, sizeof buf);
  EXPECT_EQ(Dispatch(effGetVendorString, 0, 0, buf), 1);
  EXPECT_STREQ(reinterpret_cast<char*>(buf), "Corvanta");
  std::memset(buf, kSentinel, sizeof buf);
  EXPECT_EQ(Dispatch(effGetProductString, 0, 0, buf), 1);
  EXPECT_EQ(TouchedBytes(buf, sizeof buf), 1);
  EXPECT_EQ(buf[0], 0);

  VstPinProperties pin;
  std::memset(&pin, kSentinel, sizeof pin);
  EXPECT_EQ(Dispatch(effGetInputProperties, 0, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Input 1");
  EXPECT_EQ(pin.flags, 3);
  EXPECT_EQ(static_cast<unsigned char>(pin.shortLabel[0]), kSentinel);  // not written
  EXPECT_EQ(Dispatch(effGetInputProperties, 1, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Input 2");
  EXPECT_EQ(pin.flags, 1);
  EXPECT_EQ(Dispatch(effGetInputProperties, 2, 0, &pin), 0);
  EXPECT_EQ(Dispatch(effGetInputProperties, -1, 0, &pin), 0);
  EXPECT_EQ(Dispatch(effGetOutputProperties, 0, 0, &pin), 1);
  EXPECT_STREQ(pin.label, "Output 1");
  EXPECT_EQ(pin.flags, 3);

  MidiKeyName key;
  std::memset(&key, kSentinel, sizeof key);
  key.thisKeyNumber = 60;
  EXPECT_EQ(Dispatch(effGetMidiKeyName, 0, 0, &key), 0);
  EXPECT_EQ(key.keyName[0], 0);
}

TEST_F(Module, ProgramNamesAreKeptWholeAndCopiedOutBounded)
{
  char name[64] = {};
  EXPECT_EQ(Dispatch(effGetProgramNameIndexed, 0, 0, name), 1);
  EXPECT_STREQ(name, "-");
  std::memset(name, kSentinel, sizeof name);
  EXPECT_EQ(Dispatch(effGetProgramNameIndexed, 5, 0, name), 0);
  EXPECT_STREQ(name, "");

  char longName[] = "A very long program name given by the host";
  EXPECT_EQ(Dispatch(effSetProgramName, 0, 0, longName), 0);
  unsigned char out[64];
  std::memset(out, kSentinel, sizeof out);
  Dispatch(effGetProgramName, 0, 0, out);
  EXPECT_EQ(TouchedBytes(out, sizeof out), 24);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out)), std::string(longName).substr(0, 23));
  // The bank chunk keeps the whole name.
  const std::vector<unsigned char> bank = GetChunk(false);
  ASSERT_GE(bank.size(), 12 + sizeof longName - 1);
  EXPECT_EQ(bank[8], sizeof longName - 1);
  EXPECT_EQ(std::string(bank.begin() + 12, bank.begin() + 12 + sizeof longName - 1), longName);
  // Switching to the one program saves and restores the current values.
  Set(5, 0.25f);
  Dispatch(effSetProgram, 0, 0);
  EXPECT_FLOAT_EQ(Get(5), 0.25f);
  Dispatch(effSetProgram, 0, 7);
  EXPECT_EQ(Dispatch(effGetProgram), 0);
}

TEST_F(Module, ChunksHaveTheStoredLayout)
{
  const std::vector<unsigned char> program = GetChunk(true);
  EXPECT_EQ(program, ProgramChunk(kDefaults));

  std::vector<unsigned char> bank = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
  PutInt(bank, 1);
  bank.push_back('-');
  bank.push_back(1);
  for (double v : kDefaults) PutDouble(bank, v);
  EXPECT_EQ(bank.size(), 86u);
  EXPECT_EQ(GetChunk(false), bank);

  // Values set by the host travel in both chunk kinds and come back exactly.
  Set(0, 0.3f);
  Set(1, 0.7f);
  Set(8, 1.0f);
  const std::vector<unsigned char> changedProgram = GetChunk(true);
  const std::vector<unsigned char> changedBank = GetChunk(false);
  std::vector<std::string> before;
  for (int i = 0; i < 9; ++i) before.push_back(host.ParamDisplay(i));
  for (const std::vector<unsigned char>* chunk : {&changedProgram, &changedBank}) {
    ASSERT_EQ(SetChunk(true, ProgramChunk(kDefaults)), 1);
    EXPECT_EQ(host.ParamDisplay(1), "20000.00");
    ASSERT_EQ(SetChunk(chunk == &changedProgram, *chunk), 1);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(host.ParamDisplay(i), before[static_cast<size_t>(i)]) << i;
    EXPECT_EQ(GetChunk(true), changedProgram);
  }
  EXPECT_EQ(Dispatch(effGetProgram), 0);
}

TEST_F(Module, ChunkRestoreRulesForDamagedChunks)
{
  // Without the magic the values are read from byte 0 and the last eight
  // bytes are ignored.
  std::vector<unsigned char> noMagic = ProgramChunk(kDefaults);
  noMagic[0] = 0;
  Set(8, 1.0f);
  EXPECT_EQ(SetChunk(true, noMagic), 1);
  EXPECT_EQ(host.ParamDisplay(0), "0.40");      // the header bytes as a tiny double, limited
  EXPECT_EQ(host.ParamDisplay(1), "100.00");    // Q's 0.707, limited
  EXPECT_EQ(host.ParamDisplay(2), "0.0050");    // Frequency's 20000, limited
  EXPECT_EQ(host.ParamDisplay(8), "0");         // Pitch's 0.0
  // A 44-byte chunk sets parameters 0 to 3, limits 4 and fails.
  double values[9] = {2.0, 5000.0, 0.002, 0.3, 50.0, 40.0, 3.0, 5.0, 1.0};
  ASSERT_EQ(SetChunk(true, ProgramChunk(values)), 1);
  std::vector<unsigned char> shortChunk = ProgramChunk(kDefaults);
  shortChunk.resize(44);
  EXPECT_EQ(SetChunk(true, shortChunk), 0);
  EXPECT_EQ(host.ParamDisplay(0), "0.71");
  EXPECT_EQ(host.ParamDisplay(3), "0.1000");
  EXPECT_EQ(host.ParamDisplay(4), "0.00");
  EXPECT_EQ(host.ParamDisplay(5), "40.00");
  EXPECT_EQ(host.ParamDisplay(8), "1");
  // Four bytes that are not the magic: Q becomes 0.4, the rest stays, and the
  // values still reach the preset slot.
  EXPECT_EQ(SetChunk(true, {1, 2, 3, 4}), 0);
  EXPECT_EQ(host.ParamDisplay(0), "0.40");
  EXPECT_EQ(host.ParamDisplay(5), "40.00");
  // Out-of-range values are limited.
  values[6] = 1e9;
  ASSERT_EQ(SetChunk(true, ProgramChunk(values)), 1);
  EXPECT_EQ(host.ParamDisplay(6), "12");
}

TEST_F(Module, BankChunkWithHostileNameLengthFailsSafely)
{
  for (uint32_t len : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 0x7FFFFFF8u, 1000u}) {
    std::vector<unsigned char> bank = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
    PutInt(bank, len);
    bank.push_back('-');
    bank.push_back(1);
    for (double v : kDefaults) PutDouble(bank, v);
    EXPECT_EQ(SetChunk(false, bank), 0) << len;
    EXPECT_EQ(host.ParamDisplay(1), "20000.00");
  }
}

TEST_F(Module, AnyChunkLeavesTheInstanceUsable)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  for (size_t n : {0u, 1u, 7u, 44u, 81u, 86u, 1u << 20}) {
    for (int kind = 0; kind < 2; ++kind) {
      std::vector<unsigned char> noise(n);
      for (auto& b : noise) b = static_cast<unsigned char>(rng());
      if (n >= 8 && kind == 0) {
        const unsigned char header[8] = {0x74, 0x66, 0x66, 0x70, 0x00, 0x00, 0x01, 0x00};
        std::memcpy(noise.data(), header, 8);
      }
      const VstIntPtr r = SetChunk(kind == 1, noise);
      EXPECT_TRUE(r == 0 || r == 1);
      for (int i = 0; i < 9; ++i) {
        const float v = Get(i);
        ASSERT_TRUE(v >= 0.0f && v <= 1.0f) << "param " << i << " size " << n;
      }
      std::vector<float> l(256, 0.1f), r2(256, -0.1f), o1(256), o2(256);
      float* in[2] = {l.data(), r2.data()};
      float* out[2] = {o1.data(), o2.data()};
      e->processReplacing(e, in, out, 256);
      ASSERT_EQ(GetChunk(true).size(), 80u);
    }
  }
}

TEST_F(Module, InstanceAsksTheHostOnceAtOpen)
{
  int product = 0, version = 0;
  for (const HostCall& c : host.calls) {
    if (c.opcode == audioMasterGetProductString) {
      ++product;
      EXPECT_TRUE(c.hadPtr);
    }
    if (c.opcode == audioMasterGetVendorVersion) ++version;
  }
  EXPECT_EQ(product, 1);
  EXPECT_EQ(version, 1);
  Dispatch(effOpen);
  int again = 0;
  for (const HostCall& c : host.calls) again += c.opcode == audioMasterGetProductString;
  EXPECT_EQ(again, 1);
}

TEST_F(Module, MidiEventsAreSentBackToTheHost)
{
  VstMidiEvent note = {};
  note.type = kVstMidiType;
  note.byteSize = sizeof note;
  note.deltaFrames = 5;
  note.midiData[0] = static_cast<char>(0x90);
  note.midiData[1] = 60;
  note.midiData[2] = 100;
  VstEvents events = {};
  events.numEvents = 2;
  events.events[0] = reinterpret_cast<VstEvent*>(&note);
  events.events[1] = nullptr;
  host.calls.clear();
  EXPECT_EQ(Dispatch(effProcessEvents, 0, 0, &events), 1);
  ASSERT_EQ(host.calls.size(), 1u);
  EXPECT_EQ(host.calls[0].opcode, audioMasterProcessEvents);
  events.numEvents = 0;
  EXPECT_EQ(Dispatch(effProcessEvents, 0, 0, &events), 1);
}

TEST_F(Module, SpeakerArrangementDisconnectsTheSecondInput)
{
  VstSpeakerArrangement mono = {};
  mono.type = 0;
  mono.numChannels = 1;
  VstSpeakerArrangement stereo = {};
  stereo.type = 1;
  stereo.numChannels = 2;
  std::vector<float> a(512, 0.5f), b(512, 0.25f), o1(512), o2(512);
  float* in[2] = {a.data(), b.data()};
  float* out[2] = {o1.data(), o2.data()};
  auto peaks = [&](float* left, float* right) {
    *left = *right = 0.0f;
    for (int i = 0; i < 512; ++i) {
      *left = std::fmax(*left, std::fabs(o1[static_cast<size_t>(i)]));
      *right = std::fmax(*right, std::fabs(o2[static_cast<size_t>(i)]));
    }
  };
  for (int block = 0; block < 12; ++block) e->processReplacing(e, in, out, 512);
  float left, right;
  peaks(&left, &right);
  EXPECT_GT(right, 0.1f);
  // The second input now reads silence, not a replay of its last block: once
  // the effect's delay line has moved past the earlier signal the right
  // output dies away while the left still carries the first input.
  EXPECT_EQ(Dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&mono), &stereo), 1);
  for (int block = 0; block < 12; ++block) e->processReplacing(e, in, out, 512);
  peaks(&left, &right);
  EXPECT_LT(right, 1e-6f);
  EXPECT_GT(left, 0.1f);
  // The instance's own arrangement records are unchanged.
  VstSpeakerArrangement* inArr = nullptr;
  VstSpeakerArrangement* outArr = nullptr;
  Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&inArr), &outArr);
  EXPECT_EQ(inArr->numChannels, 2);
}

TEST_F(Module, BlocksLongerThanAnnouncedAndOddSizesAreSafe)
{
  Dispatch(effSetBlockSize, 0, 64);
  const int n = 8192;
  std::vector<float> a(n, 0.5f), b(n, 0.5f), o1(n), o2(n);
  float* in[2] = {a.data(), b.data()};
  float* out[2] = {o1.data(), o2.data()};
  e->processReplacing(e, in, out, n);
  e->process(e, in, out, n);
  e->processReplacing(e, in, out, 0);
  e->processReplacing(e, in, out, -5);
  std::vector<double> da(n, 0.5), db(n, 0.5), d1(n), d2(n);
  double* din[2] = {da.data(), db.data()};
  double* dout[2] = {d1.data(), d2.data()};
  e->processDoubleReplacing(e, din, dout, n);
  for (int i = 0; i < n; ++i) ASSERT_TRUE(std::isfinite(d1[static_cast<size_t>(i)]));
  // Sample rates that are no rates are ignored.
  Dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
  Dispatch(effSetSampleRate, 0, 0, nullptr, -48000.0f);
  Dispatch(effSetSampleRate, 0, 0, nullptr, std::nanf(""));
  Dispatch(effSetSampleRate, 0, 0, nullptr, INFINITY);
  e->processDoubleReplacing(e, din, dout, n);
  for (int i = 0; i < n; ++i) ASSERT_TRUE(std::isfinite(d1[static_cast<size_t>(i)]));
  Dispatch(effMainsChanged, 0, 0);
  Dispatch(effMainsChanged, 0, 1);
}

TEST(ModuleEntry, TwoInstancesShareNothing)
{
  HostedPlugin host;
  ASSERT_TRUE(host.Load(VEXA_MODULE_PATH, "main")) << host.Error();
  AEffect* a = host.Effect();
  AEffect* b = host.NewInstance();
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_NE(a->object, b->object);
  a->dispatcher(a, effOpen, 0, 0, nullptr, 0.0f);
  b->dispatcher(b, effOpen, 0, 0, nullptr, 0.0f);
  a->setParameter(a, 5, 1.0f);
  EXPECT_EQ(a->getParameter(a, 5), 1.0f);
  EXPECT_EQ(b->getParameter(b, 5), 0.0f);
  char nameA[64] = {}, nameB[64] = {};
  char renamed[] = "renamed";
  a->dispatcher(a, effSetProgramName, 0, 0, renamed, 0.0f);
  a->dispatcher(a, effGetProgramName, 0, 0, nameA, 0.0f);
  b->dispatcher(b, effGetProgramName, 0, 0, nameB, 0.0f);
  EXPECT_STREQ(nameA, "renamed");
  EXPECT_STREQ(nameB, "-");
  b->dispatcher(b, effClose, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(a->getParameter(a, 5), 1.0f);
}
