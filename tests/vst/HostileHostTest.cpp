// Hosts that do what hosts should not: call back into the instance from an
// automation report, use the instance before effOpen, change the sample rate
// between blocks, never resume or suspend, hand over longer event lists than
// the record declares. Each gets sound behaviour: no deadlock, no
// non-finite output, and where a well-behaved host would have heard
// something, the same thing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "plugin/Vexa.h"

namespace {

constexpr int kBlock = 256;
constexpr int kBlocks = 24;
// Output bounds for full-scale noise in: while coefficients jump between
// blocks, and once the rate has stayed put for kSettleRounds renders.
constexpr float kRingingBound = 1000.0f;
constexpr float kSettledBound = 8.0f;
constexpr int kSettleRounds = 8;

// What the host does when the instance reports an automated change.
struct EchoingHost
{
  int automations = 0;
  VstInt32 echoIndex = -1;  // parameter the host sets back, if any
  float echoValue = 0.0f;
  char display[64] = {};
  int midiSent = 0;
};

EchoingHost* gHost = nullptr;

VstIntPtr Host(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
{
  if (!gHost) return 0;
  if (opcode == audioMasterProcessEvents) ++gHost->midiSent;
  if (opcode != audioMasterAutomate) return 0;
  ++gHost->automations;
  // A host that answers each report by reading the value and its text back
  // and then setting a parameter itself, all on the calling thread.
  e->getParameter(e, index);
  e->dispatcher(e, effGetParamDisplay, index, 0, gHost->display, 0.0f);
  if (gHost->echoIndex >= 0) e->setParameter(e, gHost->echoIndex, gHost->echoValue);
  return 0;
}

uint32_t Seed()
{
  const char* env = std::getenv("VEXA_TEST_SEED");
  const uint32_t seed = env ? static_cast<uint32_t>(std::strtoul(env, nullptr, 10)) : std::random_device{}();
  std::printf("seed %u (set VEXA_TEST_SEED to replay)\n", seed);
  return seed;
}

// A noisy, loud test signal, the same for every instance.
std::vector<float> Signal(uint32_t seed, int frames)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> level(-1.0f, 1.0f);
  std::vector<float> s(static_cast<size_t>(frames));
  for (float& x : s) x = level(rng);
  return s;
}

void Open(AEffect* e, float rate)
{
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, rate);
  e->dispatcher(e, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
}

// Settings that make every part of the chain audible.
void SetBusy(AEffect* e)
{
  const float values[kNumVexaParams] = {0.6f, 0.5f, 0.3f, 0.2f, 0.7f, 0.4f, 0.5f, 0.75f, 0.0f};
  for (int i = 0; i < kNumVexaParams; ++i) e->setParameter(e, i, values[i]);
}

// Processes one block of the signal (mono to both inputs), returns both
// output channels one after the other.
std::vector<float> Block(AEffect* e, const std::vector<float>& signal, int block)
{
  std::vector<float> in(signal.begin() + block * kBlock, signal.begin() + (block + 1) * kBlock);
  std::vector<float> out(2 * kBlock);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out.data(), out.data() + kBlock};
  e->processReplacing(e, ins, outs, kBlock);
  return out;
}

std::vector<float> Render(AEffect* e, const std::vector<float>& signal)
{
  std::vector<float> all;
  for (int b = 0; b < kBlocks; ++b) {
    const std::vector<float> out = Block(e, signal, b);
    all.insert(all.end(), out.begin(), out.end());
  }
  return all;
}

// Instances live on the heap: each holds a megabyte of delay lines, more
// than a Windows thread's stack.
typedef std::unique_ptr<Vexa> Instance;
Instance NewVexa() { return Instance(new Vexa(Host)); }

class HostileHost : public ::testing::Test
{
protected:
  void SetUp() override { gHost = &host; }
  void TearDown() override { gHost = nullptr; }
  EchoingHost host;
};

}  // namespace

TEST_F(HostileHost, AutomationReportsMayCallBackIntoTheInstance)
{
  Instance v = NewVexa();
  AEffect* e = v->Effect();
  Open(e, 44100.0f);
  // The host overrides the reported value with its own, for the same
  // parameter and for another one, from inside the report.
  host.echoIndex = kParamMix;
  host.echoValue = 0.75f;
  v->SetEditorParam(kParamMix, 0.25);
  EXPECT_EQ(host.automations, 1);
  EXPECT_FLOAT_EQ(e->getParameter(e, kParamMix), 0.75f);
  EXPECT_DOUBLE_EQ(v->Chain().settings.mix, 75.0);
  EXPECT_STREQ(host.display, "25.00");  // what the instance showed while reporting

  host.echoIndex = kParamOutput;
  host.echoValue = 1.0f;
  v->SetEditorParam(kParamPitch, 1.0);
  EXPECT_EQ(host.automations, 2);
  EXPECT_FLOAT_EQ(e->getParameter(e, kParamPitch), 1.0f);
  EXPECT_DOUBLE_EQ(v->Chain().settings.pitch, 12.0);
  EXPECT_NEAR(v->Chain().settings.outputGain, 3.981, 1e-3);

  // The cached values the audio path uses agree with a host that set the
  // same values plainly.
  gHost = nullptr;
  Instance plain = NewVexa();
  AEffect* p = plain->Effect();
  Open(p, 44100.0f);
  p->setParameter(p, kParamMix, 0.75f);
  p->setParameter(p, kParamPitch, 1.0f);
  p->setParameter(p, kParamOutput, 1.0f);
  const std::vector<float> signal = Signal(Seed(), kBlocks * kBlock);
  EXPECT_EQ(Render(e, signal), Render(p, signal));
}

TEST_F(HostileHost, CallsBeforeOpenBehaveAsAfterIt)
{
  const std::vector<float> signal = Signal(Seed(), kBlocks * kBlock);
  // One host opens, sets the rate and resumes before anything else.
  Instance opened = NewVexa();
  AEffect* a = opened->Effect();
  Open(a, 44100.0f);
  SetBusy(a);
  // The other never sends effOpen: it sets parameters, asks for texts and
  // state, restores state and processes straight away.
  Instance unopened = NewVexa();
  AEffect* b = unopened->Effect();
  SetBusy(b);
  char text[64] = {};
  b->dispatcher(b, effGetParamDisplay, kParamFrequency, 0, text, 0.0f);
  EXPECT_STRNE(text, "");
  void* chunk = nullptr;
  const VstIntPtr n = b->dispatcher(b, effGetChunk, 0, 0, &chunk, 0.0f);
  ASSERT_GT(n, 0);
  std::vector<unsigned char> saved(static_cast<unsigned char*>(chunk), static_cast<unsigned char*>(chunk) + n);
  EXPECT_EQ(b->dispatcher(b, effSetChunk, 0, n, saved.data(), 0.0f), 1);
  for (int i = 0; i < kNumVexaParams; ++i) EXPECT_EQ(b->getParameter(b, i), a->getParameter(a, i)) << i;
  EXPECT_EQ(Render(a, signal), Render(b, signal));

  // Closing an instance that was never opened releases everything (the
  // sanitizer build reports leaks).
  Vexa* never = new Vexa(Host);
  never->Effect()->dispatcher(never->Effect(), effClose, 0, 0, nullptr, 0.0f);
}

TEST_F(HostileHost, SampleRateChangesBetweenBlocksKeepTheOutputFinite)
{
  const uint32_t seed = Seed();
  const std::vector<float> signal = Signal(seed, kBlocks * kBlock);
  const float rates[] = {8000.0f, 22050.0f, 44100.0f, 48000.0f, 96000.0f, 192000.0f, 384000.0f, 11025.0f};
  // Highest cut-off, lowest and highest resonance: the cut-off lies above
  // the lower rates' Nyquist frequency.
  for (float q : {0.0f, 1.0f}) {
    Instance v = NewVexa();
    AEffect* e = v->Effect();
    Open(e, 44100.0f);
    SetBusy(e);
    e->setParameter(e, kParamFrequency, 1.0f);
    e->setParameter(e, kParamQ, q);
    std::mt19937 rng(seed);
    // Each jump of the filters' coefficients may ring for a while; the
    // output stays finite and within a generous bound throughout...
    for (int b = 0; b < kBlocks; ++b) {
      const float rate = rates[rng() % (sizeof rates / sizeof rates[0])];
      e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, rate);
      for (float y : Block(e, signal, b)) {
        ASSERT_TRUE(std::isfinite(y)) << "block " << b << " at " << rate << " Hz, seed " << seed;
        ASSERT_LT(std::fabs(y), kRingingBound) << "block " << b << " at " << rate << " Hz, seed " << seed;
      }
    }
    // ...and settles back to the level of the steady rate.
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    for (int settle = 0; settle < kSettleRounds; ++settle) Render(e, signal);
    for (float y : Render(e, signal)) ASSERT_LT(std::fabs(y), kSettledBound) << "seed " << seed;
  }
  // The change takes effect from the next block on: the same blocks at
  // 96 kHz sound different from the ones at 44.1 kHz.
  Instance slow = NewVexa();
  Instance fast = NewVexa();
  Open(slow->Effect(), 44100.0f);
  Open(fast->Effect(), 44100.0f);
  SetBusy(slow->Effect());
  SetBusy(fast->Effect());
  EXPECT_EQ(Block(slow->Effect(), signal, 0), Block(fast->Effect(), signal, 0));
  fast->Effect()->dispatcher(fast->Effect(), effSetSampleRate, 0, 0, nullptr, 96000.0f);
  EXPECT_NE(Render(slow->Effect(), signal), Render(fast->Effect(), signal));
}

TEST_F(HostileHost, HostThatNeverResumesOrSuspendsIsServedAlike)
{
  const std::vector<float> signal = Signal(Seed(), kBlocks * kBlock);
  Instance resumed = NewVexa();
  AEffect* a = resumed->Effect();
  Open(a, 48000.0f);
  SetBusy(a);
  // No effMainsChanged at all.
  Instance never = NewVexa();
  AEffect* b = never->Effect();
  b->dispatcher(b, effOpen, 0, 0, nullptr, 0.0f);
  b->dispatcher(b, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  b->dispatcher(b, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
  SetBusy(b);
  EXPECT_EQ(Render(a, signal), Render(b, signal));
  // Suspending twice, resuming twice, or suspending without resuming between
  // blocks changes nothing that is heard: processing state carries over.
  b->dispatcher(b, effMainsChanged, 0, 0, nullptr, 0.0f);
  b->dispatcher(b, effMainsChanged, 0, 0, nullptr, 0.0f);
  a->dispatcher(a, effMainsChanged, 0, 1, nullptr, 0.0f);
  EXPECT_EQ(Render(a, signal), Render(b, signal));
}

TEST_F(HostileHost, EventListsLongerThanTheRecordDeclaresAreReadWhole)
{
  // The events record declares room for two pointers; hosts pass as many as
  // numEvents says. Every one is read (the instance sends short MIDI
  // messages back to the host) and null entries are skipped.
  Instance v = NewVexa();
  AEffect* e = v->Effect();
  Open(e, 44100.0f);
  constexpr int kEvents = 6;
  std::vector<VstMidiEvent> midi(kEvents);
  std::vector<unsigned char> list(sizeof(VstEvents) + kEvents * sizeof(VstEvent*));
  VstEvents* events = reinterpret_cast<VstEvents*>(list.data());
  events->numEvents = kEvents;
  VstEvent** slots = events->events;
  for (int i = 0; i < kEvents; ++i) {
    midi[size_t(i)].type = kVstMidiType;
    midi[size_t(i)].byteSize = sizeof(VstMidiEvent);
    midi[size_t(i)].midiData[0] = static_cast<char>(0x90);
    slots[i] = i == 3 ? nullptr : reinterpret_cast<VstEvent*>(&midi[size_t(i)]);
  }
  EXPECT_EQ(e->dispatcher(e, effProcessEvents, 0, 0, events, 0.0f), 1);
  EXPECT_EQ(host.midiSent, kEvents - 1);
}
