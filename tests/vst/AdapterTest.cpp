// The adapter and the core's presets in-process, with a scripted host:
// host identification, time info, calls into the host, preset operations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/Vexa.h"
#include "vst/HostKind.h"

namespace {

// What the scripted host answers and what it saw.
struct ScriptedHost
{
  std::string product;
  bool fillProductWithoutTerminator = false;
  VstIntPtr vendorVersion = 0;
  VstTimeInfo time = {};
  bool giveTime = true;
  VstIntPtr eventsAnswer = 1;
  std::vector<VstInt32> opcodes;
  std::vector<VstInt32> indices;
  std::vector<VstIntPtr> values;
  std::vector<float> opts;
  VstMidiEvent lastMidi = {};
  VstInt32 lastEventCount = -1;
};

ScriptedHost* gHost = nullptr;

VstIntPtr Host(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
  ScriptedHost& h = *gHost;
  h.opcodes.push_back(opcode);
  h.indices.push_back(index);
  h.values.push_back(value);
  h.opts.push_back(opt);
  switch (opcode) {
    case audioMasterGetProductString:
      if (h.fillProductWithoutTerminator) {
        std::memset(ptr, 'x', kHostProductBytes);
      } else {
        std::strcpy(static_cast<char*>(ptr), h.product.c_str());
      }
      return 1;
    case audioMasterGetVendorVersion: return h.vendorVersion;
    case audioMasterGetTime: return h.giveTime ? reinterpret_cast<VstIntPtr>(&h.time) : 0;
    case audioMasterProcessEvents: {
      const VstEvents* ev = static_cast<const VstEvents*>(ptr);
      h.lastEventCount = ev->numEvents;
      std::memcpy(&h.lastMidi, ev->events[0], sizeof h.lastMidi);
      return h.eventsAnswer;
    }
    default: return 0;
  }
}

class Adapter : public ::testing::Test
{
protected:
  void SetUp() override { gHost = &host; }
  void TearDown() override { gHost = nullptr; }
  int Count(VstInt32 opcode) const
  {
    int n = 0;
    for (VstInt32 op : host.opcodes) n += op == opcode;
    return n;
  }
  ScriptedHost host;
};

}  // namespace

TEST(HostKind, ProductNamesAreMatchedInOrderIgnoringCase)
{
  EXPECT_EQ(LookUpHost("CUBASE 12"), kHostCubase);
  EXPECT_EQ(LookUpHost("REAPER"), kHostReaper);
  EXPECT_EQ(LookUpHost("cubase live"), kHostCubase);
  EXPECT_EQ(LookUpHost("Deliverance"), kHostAbletonLive);
  EXPECT_EQ(LookUpHost("Pro Tools"), kHostUnknown);
  EXPECT_EQ(LookUpHost("ProTools"), kHostProTools);
  EXPECT_EQ(LookUpHost("PROTOOLS"), kHostProTools);
  EXPECT_EQ(LookUpHost("GarageBand forte"), kHostGarageBand);
  EXPECT_EQ(LookUpHost("vst3plugintesthost protools"), kHostVST3TestHost);
  EXPECT_EQ(LookUpHost("Renoise OpenMPT"), kHostOpenMPT);
  EXPECT_EQ(LookUpHost(""), kHostUnknown);
  EXPECT_EQ(LookUpHost(nullptr), kHostUnknown);
  EXPECT_EQ(PackDecimalVersion(10203), 0x010203);
  EXPECT_EQ(PackDecimalVersion(70000), 0x070000);
}

TEST_F(Adapter, HostIsIdentifiedOnceWithPackedVersion)
{
  host.product = "REAPER";
  host.vendorVersion = 10203;
  Vexa v(Host);
  AEffect* e = v.Effect();
  EXPECT_EQ(v.HostVersion(), 0);
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(v.HostKindOf(), kHostReaper);
  EXPECT_EQ(v.HostVersion(), 0x010203);
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(Count(audioMasterGetProductString), 1);
  EXPECT_EQ(Count(audioMasterGetVendorVersion), 1);
}

TEST_F(Adapter, EmptyProductNameSkipsTheVersionQuery)
{
  Vexa v(Host);
  EXPECT_EQ(v.HostKindOf(), kHostUnknown);
  EXPECT_EQ(v.HostVersion(), 0);
  EXPECT_EQ(Count(audioMasterGetVendorVersion), 0);
}

TEST_F(Adapter, UnterminatedProductNameIsNotReadPastItsBuffer)
{
  host.fillProductWithoutTerminator = true;
  host.vendorVersion = 10000;
  Vexa v(Host);
  EXPECT_EQ(v.HostKindOf(), kHostUnknown);
  EXPECT_EQ(v.HostVersion(), 0x010000);
}

TEST_F(Adapter, SpecialHostsKeepOnlyAStereoInput)
{
  struct Wide : IPlugVST
  {
    static IPlugDescription Desc()
    {
      IPlugDescription d = VexaDescription();
      d.channelIO = "4-4";
      return d;
    }
    Wide() : IPlugVST(Host, Desc()) {}
  };
  host.product = "Adobe Audition";
  Wide w;
  w.Effect()->dispatcher(w.Effect(), effOpen, 0, 0, nullptr, 0.0f);
  EXPECT_TRUE(w.IsInChannelConnected(1));
  EXPECT_FALSE(w.IsInChannelConnected(2));
  EXPECT_FALSE(w.IsInChannelConnected(3));
  EXPECT_TRUE(w.IsOutChannelConnected(3));
  EXPECT_EQ(w.Effect()->numInputs, 4);
  VstSpeakerArrangement* in = nullptr;
  w.Effect()->dispatcher(w.Effect(), effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), nullptr, 0.0f);
  EXPECT_EQ(in->type, kSpeakerArrUserDefined);
  EXPECT_EQ(in->numChannels, 4);
}

TEST_F(Adapter, TimeInfoReadersApplyTheirValidityRules)
{
  Vexa v(Host);
  host.time.samplePos = 99.4;
  EXPECT_EQ(v.HostSamplePosition(), 99);
  host.time.samplePos = 99.5;
  EXPECT_EQ(v.HostSamplePosition(), 100);
  host.time.samplePos = -3.0;
  EXPECT_EQ(v.HostSamplePosition(), 0);
  host.time.samplePos = 1e12;
  EXPECT_EQ(v.HostSamplePosition(), 0);
  EXPECT_EQ(host.values.back(), 0);

  host.time.tempo = 120.0;
  EXPECT_EQ(v.HostTempo(), 0.0);  // flag not set
  host.time.flags = kVstTempoValid;
  EXPECT_EQ(v.HostTempo(), 120.0);
  EXPECT_EQ(host.values.back(), kVstTempoValid);
  host.time.tempo = 0.0;
  EXPECT_EQ(v.HostTempo(), 0.0);

  int num = -1, den = -1;
  host.time.flags = kVstTimeSigValid;
  host.time.timeSigNumerator = 0;
  host.time.timeSigDenominator = 4;
  v.HostTimeSignature(&num, &den);
  EXPECT_EQ(num, 0);  // zero accepted here
  EXPECT_EQ(den, 4);

  ITimeInfo info;
  info.numerator = 7;
  info.tempo = 33.0;
  host.time.flags = kVstTimeSigValid | kVstTempoValid | kVstTransportPlaying;
  host.time.samplePos = 512.0;
  v.HostTimeInfo(&info);
  EXPECT_EQ(info.samplePos, 512.0);
  EXPECT_EQ(info.numerator, 7);  // zero is not accepted here
  EXPECT_EQ(info.tempo, 33.0);   // nor a zero tempo
  EXPECT_TRUE(info.transportRunning);
  EXPECT_FALSE(info.transportLooping);
  EXPECT_EQ(host.values.back(), 0x3E00);
  host.time.flags = kVstTransportPlaying;  // no validity bit: nothing changes
  host.time.samplePos = 1.0;
  v.HostTimeInfo(&info);
  EXPECT_EQ(info.samplePos, 512.0);
  host.giveTime = false;
  EXPECT_EQ(v.HostTempo(), 0.0);
  EXPECT_EQ(v.HostSamplePosition(), 0);
}

TEST_F(Adapter, EditorChangesReachTheHostWithTheirArguments)
{
  Vexa v(Host);
  host.opcodes.clear();
  host.indices.clear();
  host.opts.clear();
  v.BeginParamEdit(3);
  v.SetEditorParam(3, 0.5);
  v.EndParamEdit(3);
  v.ReportPresetChange();
  ASSERT_EQ(host.opcodes, (std::vector<VstInt32>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit,
                                                  audioMasterUpdateDisplay}));
  EXPECT_EQ(host.indices[1], 3);
  EXPECT_EQ(host.opts[1], 0.5f);
  EXPECT_DOUBLE_EQ(v.Chain().settings.release, 0.275);  // the effect saw the change
  v.SetEditorParam(42, 0.5);
  EXPECT_EQ(host.opcodes.size(), 4u);
}

TEST_F(Adapter, MidiMessagesBecomeOneThirtyTwoByteEvent)
{
  Vexa v(Host);
  IMidiMessage note = {5, 0x90, 60, 100};
  EXPECT_TRUE(v.SendMidiMessage(note));
  EXPECT_EQ(host.lastEventCount, 1);
  EXPECT_EQ(host.lastMidi.type, kVstMidiType);
  EXPECT_EQ(host.lastMidi.byteSize, 32);
  EXPECT_EQ(host.lastMidi.deltaFrames, 5);
  EXPECT_EQ(static_cast<unsigned char>(host.lastMidi.midiData[0]), 0x90);
  EXPECT_EQ(host.lastMidi.midiData[2], 100);
  EXPECT_EQ(host.lastMidi.noteLength, 0);
  host.eventsAnswer = 0;
  EXPECT_FALSE(v.SendMidiMessage(note));
  EXPECT_EQ(host.opcodes.back(), audioMasterProcessEvents);
  EXPECT_EQ(v.IsRenderingOffline(), false);
}

TEST_F(Adapter, SampleRatesThatAreNoRatesAreIgnored)
{
  Vexa v(Host);
  AEffect* e = v.Effect();
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  EXPECT_EQ(v.SampleRate(), 48000.0);
  for (float bad : {0.0f, -1.0f, std::nanf(""), INFINITY}) {
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, bad);
    EXPECT_EQ(v.SampleRate(), 48000.0);
  }
}

TEST_F(Adapter, ConstructionDefaultsAndCachedValues)
{
  Vexa v(Host);
  EXPECT_EQ(v.Chain().settings.frequency, 20000.0);
  EXPECT_EQ(v.Chain().settings.release, 0.1);
  EXPECT_EQ(v.Chain().settings.outputGain, 1.0);
  EXPECT_EQ(v.Chain().settings.pitch, 0.0);
  EXPECT_EQ(v.Chain().settings.q, 0.707);
  EXPECT_EQ(v.BlockSize(), 1024);
  EXPECT_STREQ(v.PresetName(0), "-");
  v.ParameterAt(kParamOutput)->SetClamped(-12.0);
  v.ParameterChanged(kParamOutput);
  EXPECT_NEAR(v.Chain().settings.outputGain, 0.2512, 1e-4);
  v.ParameterAt(kParamOutput)->SetClamped(12.0);
  v.ParameterChanged(kParamOutput);
  EXPECT_NEAR(v.Chain().settings.outputGain, 3.981, 1e-3);
  const double before = v.Chain().settings.mix;
  EXPECT_FALSE(v.Chain().settings.sequenceHeard);
  v.ParameterAt(kParamSequence)->SetClamped(1.0);
  v.ParameterChanged(kParamSequence);
  EXPECT_EQ(v.Chain().settings.mix, before);
  EXPECT_TRUE(v.Chain().settings.sequenceHeard);
}

TEST_F(Adapter, PresetOperationsKeepNamesAndValues)
{
  // One slot more than Vexa has, to see the "user preset" naming.
  struct TwoSlots : IPlugVST
  {
    static IPlugDescription Desc()
    {
      IPlugDescription d = VexaDescription();
      d.nPresets = 2;
      d.nParams = 1;
      return d;
    }
    TwoSlots() : IPlugVST(Host, Desc()) { ParameterAt(0)->DefineContinuous("Gain", "dB", 1.0, 0.0, 10.0, 0.1, 1.0); }
  } p;
  p.FillEmptyPresets("first", 1);
  EXPECT_STREQ(p.PresetName(0), "first");
  EXPECT_STREQ(p.PresetName(1), "empty");
  p.ParameterAt(0)->SetClamped(4.0);
  EXPECT_TRUE(p.RestorePreset(1));
  EXPECT_STREQ(p.PresetName(1), "user preset 1");
  EXPECT_EQ(p.ParameterAt(0)->Value(), 4.0);  // values kept
  EXPECT_EQ(p.CurrentPresetIndex(), 1);
  EXPECT_TRUE(p.RestorePreset(0));
  EXPECT_EQ(p.ParameterAt(0)->Value(), 1.0);
  EXPECT_FALSE(p.RestorePreset(2));
  EXPECT_FALSE(p.RestorePreset(-1));
  p.ModifyCurrentPreset("");
  EXPECT_STREQ(p.PresetName(0), "first");
  std::string longName(300, 'n');
  p.ModifyCurrentPreset(longName.c_str());
  EXPECT_EQ(std::strlen(p.PresetName(0)), 255u);

  // A chunk set by the host lands in the current slot too.
  unsigned char values[8];
  const double nine = 9.0;
  std::memcpy(values, &nine, 8);
  AEffect* e = p.Effect();
  EXPECT_EQ(e->dispatcher(e, effSetChunk, 1, 8, values, 0.0f), 1);
  double stored = 0.0;
  EXPECT_EQ(p.PresetAt(0)->chunk.GetDouble(&stored, 0), 8);
  EXPECT_EQ(stored, 9.0);
}

TEST_F(Adapter, ShortChunksApplyWhatTheyReadAndNotifyEveryParameter)
{
  struct Counting : Vexa
  {
    Counting() : Vexa(Host) {}
    void ParameterChanged(int index) override
    {
      ++changes;
      Vexa::ParameterChanged(index);
    }
    int changes = 0;
  } v;
  IStateChunk chunk;
  chunk.PutInt32(kChunkMagic);
  int pos = 0;
  EXPECT_EQ(ReadChunkHeader(chunk, &pos), 0);
  EXPECT_EQ(pos, -1);
  v.changes = 0;
  EXPECT_EQ(v.UnserializeParams(chunk, pos), -1);
  EXPECT_EQ(v.changes, 9);
  EXPECT_EQ(v.Chain().settings.q, 0.707);

  IStateChunk wrong;
  wrong.PutInt32(12345);
  pos = 0;
  EXPECT_EQ(ReadChunkHeader(wrong, &pos), 0);
  EXPECT_EQ(pos, 0);

  IStateChunk values;
  values.PutDouble(2.0);
  values.PutDouble(100.0);
  values.PutInt32(0);
  v.changes = 0;
  EXPECT_EQ(v.UnserializeParams(values, 0), -1);
  EXPECT_EQ(v.Chain().settings.q, 2.0);
  EXPECT_EQ(v.Chain().settings.frequency, 100.0);
  EXPECT_EQ(v.Chain().settings.attack, 0.0001);  // the failed read counts as 0.0, limited
  EXPECT_EQ(v.Chain().settings.release, 0.1);
  EXPECT_EQ(v.changes, 9);
}

TEST(StateChunk, StreamIsLittleEndianAndFailsPastTheEnd)
{
  IStateChunk c;
  c.PutInt32(0x01020304);
  c.PutDouble(1.0);
  c.PutByte(7);
  c.PutText("ab");
  const unsigned char expected[] = {4, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 7, 2, 0, 0, 0, 'a', 'b'};
  ASSERT_EQ(c.Size(), static_cast<int>(sizeof expected));
  EXPECT_EQ(std::memcmp(c.Data(), expected, sizeof expected), 0);
  int i = 0;
  double d = 0.0;
  unsigned char b = 0;
  EXPECT_EQ(c.GetInt32(&i, 0), 4);
  EXPECT_EQ(i, 0x01020304);
  EXPECT_EQ(c.GetDouble(&d, 4), 12);
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(c.GetByte(&b, 18), 19);
  EXPECT_EQ(c.GetByte(&b, 19), -1);
  EXPECT_EQ(c.GetDouble(&d, 12), -1);
  EXPECT_EQ(d, 1.0);
  EXPECT_EQ(c.GetInt32(&i, -1), -1);
  EXPECT_EQ(c.GetInt32(&i, 0x7FFFFFFE), -1);
  WriteChunkHeader(c);
  EXPECT_EQ(c.Size(), 8);
  int pos = 0;
  EXPECT_EQ(ReadChunkHeader(c, &pos), kChunkVersion);
  EXPECT_EQ(pos, 8);
}
