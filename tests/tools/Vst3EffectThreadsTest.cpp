// vexa-host's VST3 facade with a host's two threads at once: the audio
// thread processes, switching precision from block to block (each switch
// sets the processor up again), while the UI thread sets parameters, saves
// state (which first hands the pending changes to the processor) and
// restores it. Built with ThreadSanitizer (the tsan preset) it shows that
// what the two threads share is guarded; in every build it checks that the
// processor ends with the values the UI thread set last.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/AlternatingBlocks.h"
#include "tools/HostedPlugin.h"

namespace {

constexpr double kRate = 48000.0;
constexpr int kBlock = 64;
constexpr int kRounds = 1000;
constexpr int kRestoreEvery = 7;
constexpr float kLow = 0.25f;
constexpr float kHigh = 0.75f;
constexpr float kLast = 0.4f;

std::vector<unsigned char> Save(HostedPlugin& host)
{
  void* data = nullptr;
  const VstIntPtr n = host.Dispatch(effGetChunk, 0, 0, &data);
  if (n <= 0 || !data) return {};
  return std::vector<unsigned char>(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + n);
}

void Restore(HostedPlugin& host, std::vector<unsigned char>& state)
{
  host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(state.size()), state.data());
}

// Blocks in alternating precision until told to stop; counts samples that
// are not numbers.
struct AudioThread
{
  AEffect* effect;
  std::atomic<bool> stop{false};
  std::atomic<long> blocks{0};
  std::atomic<long> strange{0};

  void Run()
  {
    AlternatingBlocks audio(effect, kBlock);
    for (long n = 0; !stop.load(); ++n) {
      if (!audio.Process(n)) strange.fetch_add(1);
      blocks.fetch_add(1);
    }
  }
};

}  // namespace

TEST(Vst3EffectThreads, PrecisionSwitchesDuringParameterFlushesKeepTheLastValues)
{
  HostedPlugin host;
  ASSERT_TRUE(host.Load(VEXA_VST3_BUNDLE_PATH)) << host.Error();
  host.Open(kRate, kBlock);
  AEffect* e = host.Effect();
  const int mix = host.FindParam("Mix");
  const int pitch = host.FindParam("Pitch");
  ASSERT_GE(mix, 0);
  ASSERT_GE(pitch, 0);
  e->setParameter(e, mix, kHigh);
  e->setParameter(e, pitch, kHigh);
  std::vector<unsigned char> high = Save(host);
  ASSERT_FALSE(high.empty());
  e->setParameter(e, pitch, kLow);

  AudioThread audio{e};
  std::thread thread(&AudioThread::Run, &audio);
  for (int round = 0; round < kRounds; ++round) {
    e->setParameter(e, mix, round % 2 ? kHigh : kLow);
    EXPECT_FALSE(Save(host).empty()) << "round " << round;
    if (round % kRestoreEvery == 0) Restore(host, high);
    if (round % 16 == 0) std::this_thread::yield();
  }
  e->setParameter(e, mix, kLast);
  const long until = audio.blocks.load() + 8;
  while (audio.blocks.load() < until) std::this_thread::yield();
  audio.stop.store(true);
  thread.join();
  EXPECT_EQ(audio.strange.load(), 0) << "of " << audio.blocks.load() << " blocks";

  // The same calls made one after another on a fresh instance.
  HostedPlugin reference;
  ASSERT_TRUE(reference.Load(VEXA_VST3_BUNDLE_PATH)) << reference.Error();
  reference.Open(kRate, kBlock);
  Restore(reference, high);
  reference.Effect()->setParameter(reference.Effect(), mix, kLast);
  EXPECT_EQ(Save(host), Save(reference)) << "after " << audio.blocks.load() << " blocks";
}
