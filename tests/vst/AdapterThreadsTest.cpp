// The adapter with the host's two threads at once: the audio thread
// processes and reads parameters while the UI thread sets parameters, saves
// and restores state; and which steps of opening and closing the editor
// leave the instance lock free for the audio thread. Built with
// ThreadSanitizer (the tsan preset) it shows the instance lock guards
// everything they share; in every build it checks that no reader sees a
// value nobody wrote.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plugin/Vexa.h"
#include "tests/AlternatingBlocks.h"

namespace {

constexpr int kBlock = 128;
constexpr int kRounds = 400;
constexpr float kLow = 0.25f;
constexpr float kHigh = 0.75f;

VstIntPtr QuietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

bool Near(float a, float b) { return std::fabs(a - b) < 1e-6f; }

// How long a probe may take to get a free lock.
constexpr auto kProbeWait = std::chrono::milliseconds(500);

// An editor that notes each step of opening, idling and closing, with
// whether another thread (the audio thread, say) could take the instance
// lock meanwhile. Owned by the plug-in; its probe threads are joined when it
// goes, after the dispatcher released the lock.
class StepEditor : public IEditorLink
{
public:
  explicit StepEditor(IPlugBase* plug) : mPlug(plug) {}
  ~StepEditor() override
  {
    for (std::thread& t : mProbes) t.join();
  }
  void PushParamToControls(int, double, bool) override {}
  void CreateBackBuffer() override {}
  void PrepareOpen(void*) override { Note("prepare"); }
  void* OpenEditor(void*) override
  {
    Note("open");
    return this;
  }
  void CloseEditor() override { Note("close"); }
  void FinishClose() override { Note("finish"); }
  void IdleEditor() override { Note("idle"); }
  int Width() const override { return 100; }
  int Height() const override { return 50; }
  int ControlCount() const override { return 0; }
  void TakePlugValueAt(int, double) override {}

  std::vector<std::string> steps;

private:
  void Note(const char* step)
  {
    auto took = std::make_shared<std::atomic<bool>>(false);
    mProbes.emplace_back([this, took] {
      ILockGuard g(mPlug->Lock());
      took->store(true);
    });
    const auto end = std::chrono::steady_clock::now() + kProbeWait;
    while (!took->load() && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    steps.push_back(std::string(step) + (took->load() ? " free" : " held"));
  }

  IPlugBase* mPlug;
  std::vector<std::thread> mProbes;
};

StepEditor* gStepEditor = nullptr;

void AttachStepEditor(Vexa& plug)
{
  gStepEditor = new StepEditor(&plug);
  plug.AttachEditor(gStepEditor);
}

}  // namespace

TEST(AdapterThreads, ProcessingAndStateChangesNeverSeeTornValues)
{
  Vexa* plug = new Vexa(QuietHost);
  AEffect* e = plug->Effect();
  e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
  e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
  e->dispatcher(e, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
  e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
  e->setParameter(e, kParamMix, kLow);
  e->setParameter(e, kParamPitch, kLow);

  // A program chunk with Mix and Pitch high, taken before the threads start.
  e->setParameter(e, kParamMix, kHigh);
  e->setParameter(e, kParamPitch, kHigh);
  void* data = nullptr;
  const VstIntPtr bytes = e->dispatcher(e, effGetChunk, 1, 0, &data, 0.0f);
  ASSERT_GT(bytes, 0);
  std::vector<char> highChunk(static_cast<const char*>(data), static_cast<const char*>(data) + bytes);
  e->setParameter(e, kParamMix, kLow);
  e->setParameter(e, kParamPitch, kLow);

  std::atomic<bool> stop{false};
  std::atomic<int> strange{0};
  std::thread audio([&] {
    AlternatingBlocks blocks(e, kBlock);
    for (long n = 0; !stop.load(); ++n) {
      if (!blocks.Process(n)) strange.fetch_add(1);
      const float mix = e->getParameter(e, kParamMix);
      if (!Near(mix, kLow) && !Near(mix, kHigh)) strange.fetch_add(1);
    }
  });

  char display[64];
  for (int round = 0; round < kRounds; ++round) {
    e->setParameter(e, kParamMix, round % 2 ? kHigh : kLow);
    e->dispatcher(e, effGetParamDisplay, kParamMix, 0, display, 0.0f);
    if (round % 5 == 0) {
      e->dispatcher(e, effSetChunk, 1, static_cast<VstIntPtr>(highChunk.size()), highChunk.data(), 0.0f);
    }
    if (round % 7 == 0) {
      void* saved = nullptr;
      e->dispatcher(e, effGetChunk, 0, 0, &saved, 0.0f);
    }
  }
  stop.store(true);
  audio.join();

  EXPECT_EQ(strange.load(), 0);
  e->setParameter(e, kParamMix, kLow);
  e->dispatcher(e, effSetChunk, 1, static_cast<VstIntPtr>(highChunk.size()), highChunk.data(), 0.0f);
  EXPECT_TRUE(Near(e->getParameter(e, kParamMix), kHigh)) << "the restored chunk holds";
  EXPECT_TRUE(Near(e->getParameter(e, kParamPitch), kHigh));
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
}

TEST(AdapterThreads, EditorWindowWorkWaitsOnlyOutsideTheInstanceLock)
{
  Vexa* plug = new Vexa(QuietHost, AttachStepEditor);
  AEffect* e = plug->Effect();
  ASSERT_TRUE(gStepEditor);
  int parent = 0;
  EXPECT_EQ(e->dispatcher(e, effEditOpen, 0, 0, &parent, 0.0f), 1);
  e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.0f);
  EXPECT_EQ(e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.0f), 1);
  using Steps = std::vector<std::string>;
  EXPECT_EQ(gStepEditor->steps,
            (Steps{"prepare free", "open held", "finish free", "idle free", "close held", "finish free"}));
  e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
  gStepEditor = nullptr;
}
