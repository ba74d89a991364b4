#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/EditorLink.h"
#include "vst/PlugVST.h"

namespace {

IPlugDescription Description(const char* io = "1-1 2-2")
{
  IPlugDescription d = {};
  d.nParams = 2;
  d.nPresets = 1;
  d.channelIO = io;
  d.effectName = "Test";
  d.productName = "";
  d.makerName = "Maker";
  d.version = 0x00010203;
  d.uniqueId = 1;
  d.makerId = 2;
  return d;
}

// A core with the adapter's host-facing parts and a recognisable effect:
// output = input * 2 + channel index, so routing mistakes show.
class Doubler : public IPlugVST
{
public:
  explicit Doubler(const char* io = "1-1 2-2") : IPlugVST(nullptr, Description(io)) {}
  void ProcessBlock(double** in, double** out, int frames) override
  {
    ++blocks;
    lastFrames = frames;
    for (int c = 0; c < NOutChannels(); ++c) {
      for (int i = 0; i < frames; ++i) out[c][i] = in[c][i] * 2.0 + c;
    }
  }
  int blocks = 0;
  int lastFrames = 0;
};

// An editor that only counts what the core does with it.
class CountingEditor : public IEditorLink
{
public:
  explicit CountingEditor(int* destroyed) : mDestroyed(destroyed) {}
  ~CountingEditor() override { ++*mDestroyed; }
  void PushParamToControls(int, double, bool) override { ++pushes; }
  void CreateBackBuffer() override {}
  void* OpenEditor(void*) override { return nullptr; }
  void CloseEditor() override {}
  int Width() const override { return 1; }
  int Height() const override { return 1; }
  int ControlCount() const override { return 0; }
  void TakePlugValueAt(int, double) override {}
  int pushes = 0;

private:
  int* mDestroyed;
};

// Whether lock is held by someone else than a new thread: true when that
// thread cannot take it within a second (a free lock it takes at once). The
// thread goes to pending: it ends once the lock is let go, and whoever
// owns pending joins it then.
bool LockHeldElsewhere(ILock& lock, std::vector<std::thread>& pending)
{
  constexpr auto kHeldAfter = std::chrono::seconds(1);
  auto taken = std::make_shared<std::atomic<bool>>(false);
  pending.emplace_back([&lock, taken] {
    ILockGuard guard(lock);
    *taken = true;
  });
  const auto start = std::chrono::steady_clock::now();
  while (!*taken) {
    if (std::chrono::steady_clock::now() - start > kHeldAfter) return true;
    std::this_thread::yield();
  }
  return false;
}

// An editor that writes down each step the core takes, with "+" when the
// instance lock was held through it and "-" when it was free, and the
// effect's own hooks between them.
class StepEditor : public IEditorLink
{
public:
  explicit StepEditor(ILock& lock, std::string& steps) : mLock(lock), mSteps(steps) {}
  ~StepEditor() override
  {
    for (std::thread& t : mPending) t.join();
  }
  void PushParamToControls(int, double, bool) override {}
  void CreateBackBuffer() override {}
  void PrepareOpen(void*) override { Note("prepare"); }
  void PrepareOpenOwn(const char* title) override { Note(std::string("prepare-own:") + title); }
  void* OpenEditor(void* parent) override
  {
    Note("open");
    return parent;
  }
  void* OpenOwnWindow(const char*) override
  {
    Note("open-own");
    return this;
  }
  void CloseEditor() override { Note("close"); }
  void FinishClose() override { Note("finish"); }
  int Width() const override { return 1; }
  int Height() const override { return 1; }
  int ControlCount() const override { return 0; }
  void TakePlugValueAt(int, double) override {}

private:
  void Note(const std::string& step) { mSteps += step + (LockHeldElsewhere(mLock, mPending) ? "+ " : "- "); }
  ILock& mLock;
  std::string& mSteps;
  std::vector<std::thread> mPending;
};

class SteppedPlug : public IPlugVST
{
public:
  SteppedPlug() : IPlugVST(nullptr, Description()) { AttachEditor(new StepEditor(Lock(), steps)); }
  void EditorOpened() override { steps += "opened "; }
  void EditorClosing() override { steps += "closing "; }
  std::string steps;
};

}  // namespace

TEST(PlugBase, EditorStepsWaitOnTheWindowSystemOnlyOutsideTheInstanceLock)
{
  SteppedPlug p;
  int parent = 0;
  p.steps.clear();
  EXPECT_EQ(p.OpenEditorInSteps(&parent), &parent);
  p.CloseEditorInSteps();
  EXPECT_EQ(p.steps, "prepare- open+ opened finish- closing close+ finish- ");

  p.steps.clear();
  EXPECT_NE(p.OpenOwnEditorWindowInSteps(), nullptr);
  EXPECT_EQ(p.steps, "prepare-own:Test- open-own+ opened finish- ");

  // A window the window system refused opens nothing the effect hears of.
  p.steps.clear();
  EXPECT_EQ(p.OpenEditorInSteps(nullptr), nullptr);
  EXPECT_EQ(p.steps, "prepare- open+ finish- ");
}

TEST(PlugBase, EditorStepsWithoutAnEditorOpenNothing)
{
  Doubler p;
  EXPECT_EQ(p.OpenEditorInSteps(&p), nullptr);
  EXPECT_EQ(p.OpenOwnEditorWindowInSteps(), nullptr);
  p.CloseEditorInSteps();
}

TEST(PlugBase, AnEditorAttachedAgainReplacesTheFirstAndTheCoreDestroysEachOnce)
{
  int destroyed = 0;
  {
    Doubler p;
    auto* first = new CountingEditor(&destroyed);
    p.AttachEditor(first);
    EXPECT_EQ(first->pushes, 2);
    p.AttachEditor(first);
    EXPECT_EQ(destroyed, 0);
    p.AttachEditor(new CountingEditor(&destroyed));
    EXPECT_EQ(destroyed, 1);
  }
  EXPECT_EQ(destroyed, 2);
}

TEST(PlugBase, ChannelConfigurationsAreParsed)
{
  Doubler p;
  ASSERT_EQ(p.NChannelConfigs(), 2);
  EXPECT_EQ(p.ChannelConfig(0)->nIn, 1);
  EXPECT_EQ(p.ChannelConfig(1)->nOut, 2);
  EXPECT_EQ(p.NInChannels(), 2);
  EXPECT_EQ(p.NOutChannels(), 2);
  EXPECT_TRUE(p.LegalIO(1, -1));
  EXPECT_TRUE(p.LegalIO(2, -1));
  EXPECT_TRUE(p.LegalIO(2, 2));
  EXPECT_FALSE(p.LegalIO(1, 2));
  EXPECT_FALSE(p.LegalIO(3, -1));

  Doubler odd("0-2 4-x 3-1");
  ASSERT_EQ(odd.NChannelConfigs(), 3);
  EXPECT_EQ(odd.ChannelConfig(1)->nIn, 4);
  EXPECT_EQ(odd.ChannelConfig(1)->nOut, 0);  // unreadable count
  EXPECT_EQ(odd.NInChannels(), 4);
  EXPECT_EQ(odd.NOutChannels(), 2);
}

TEST(PlugBase, AdapterConnectsChannelsWithZeroedScratchOfBlockSize)
{
  Doubler p;
  EXPECT_EQ(p.BlockSize(), 1024);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(p.IsInChannelConnected(i));
    EXPECT_TRUE(p.IsOutChannelConnected(i));
    const IGrowBuffer& s = p.InChannel(i)->scratch;
    ASSERT_EQ(s.Size(), 1024 * 8);
    const double* d = static_cast<const double*>(s.Data());
    for (int k = 0; k < 1024; ++k) ASSERT_EQ(d[k], 0.0);
  }
}

TEST(PlugBase, ReplacingAndAccumulatingSinglePrecision)
{
  Doubler p;
  AEffect* e = p.Effect();
  std::vector<float> l(64), r(64), ol(64, 100.0f), orr(64, 100.0f);
  for (int i = 0; i < 64; ++i) {
    l[i] = 0.01f * i;
    r[i] = -0.02f * i;
  }
  float* in[2] = {l.data(), r.data()};
  float* out[2] = {ol.data(), orr.data()};
  e->processReplacing(e, in, out, 64);
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(ol[i], static_cast<float>(static_cast<double>(l[i]) * 2.0));
    ASSERT_EQ(orr[i], static_cast<float>(static_cast<double>(r[i]) * 2.0 + 1.0));
  }
  std::vector<float> al(64, 1.0f), ar(64, 1.0f);
  float* acc[2] = {al.data(), ar.data()};
  e->process(e, in, acc, 64);
  for (int i = 0; i < 64; ++i) {
    ASSERT_EQ(al[i], 1.0f + static_cast<float>(static_cast<double>(l[i]) * 2.0));
    ASSERT_EQ(ar[i], 1.0f + static_cast<float>(static_cast<double>(r[i]) * 2.0 + 1.0));
  }
}

TEST(PlugBase, DoublePrecisionUsesHostBuffersDirectly)
{
  struct Recorder : Doubler
  {
    void ProcessBlock(double** in, double** out, int frames) override
    {
      seenIn = in[0];
      seenOut = out[1];
      Doubler::ProcessBlock(in, out, frames);
    }
    double* seenIn = nullptr;
    double* seenOut = nullptr;
  } p;
  std::vector<double> l(16, 0.25), r(16, 0.5), ol(16), orr(16);
  double* in[2] = {l.data(), r.data()};
  double* out[2] = {ol.data(), orr.data()};
  p.Effect()->processDoubleReplacing(p.Effect(), in, out, 16);
  EXPECT_EQ(p.seenIn, l.data());
  EXPECT_EQ(p.seenOut, orr.data());
  EXPECT_EQ(ol[3], 0.5);
  EXPECT_EQ(orr[3], 2.0);
}

TEST(PlugBase, UnconnectedInputReadsSilenceAndConsumesNoHostPointer)
{
  Doubler p;
  AEffect* e = p.Effect();
  std::vector<float> a(32, 0.5f), b(32, 0.25f), o0(32), o1(32);
  float* in[2] = {a.data(), b.data()};
  float* out[2] = {o0.data(), o1.data()};
  e->processReplacing(e, in, out, 32);  // fills input 1's scratch with 0.25
  p.SetInputConnections(1, 1, false);
  e->processReplacing(e, in, out, 32);
  for (int i = 0; i < 32; ++i) {
    ASSERT_EQ(o0[i], 1.0f);
    ASSERT_EQ(o1[i], 1.0f) << "the disconnected input must be silent, not replay its last block";
  }
  // With input 0 unconnected the first host pointer goes to input 1.
  p.SetInputConnections(0, 1, false);
  p.SetInputConnections(1, 1, true);
  e->processReplacing(e, in, out, 32);
  EXPECT_EQ(o0[0], 0.0f);
  EXPECT_EQ(o1[0], 2.0f);
}

TEST(PlugBase, BlockLongerThanBlockSizeIsOneCallWithoutOverrun)
{
  Doubler p;
  AEffect* e = p.Effect();
  const int n = 5000;
  std::vector<float> a(n, 0.5f), b(n, -0.5f), o0(n), o1(n);
  float* in[2] = {a.data(), b.data()};
  float* out[2] = {o0.data(), o1.data()};
  e->processReplacing(e, in, out, n);
  EXPECT_EQ(p.blocks, 1);
  EXPECT_EQ(p.lastFrames, n);
  EXPECT_EQ(o0[n - 1], 1.0f);
  EXPECT_EQ(o1[n - 1], 0.0f);
  // Unconnected channels are grown too.
  p.SetInputConnections(1, 1, false);
  p.SetOutputConnections(1, 1, false);
  std::vector<double> da(3 * n, 1.0), dout(3 * n);
  double* din[1] = {da.data()};
  double* doutp[1] = {dout.data()};
  e->processDoubleReplacing(e, din, doutp, 3 * n);
  EXPECT_EQ(dout[3 * n - 1], 2.0);
}

TEST(PlugBase, ChangeBlockSizeZeroesOnlyOnChange)
{
  Doubler p;
  double* d = static_cast<double*>(p.InChannel(0)->scratch.Data());
  d[5] = 3.0;
  p.ChangeBlockSize(1024);
  EXPECT_EQ(static_cast<double*>(p.InChannel(0)->scratch.Data())[5], 3.0);
  p.ChangeBlockSize(256);
  EXPECT_EQ(p.BlockSize(), 256);
  EXPECT_EQ(p.InChannel(0)->scratch.Size(), 256 * 8);
  EXPECT_EQ(static_cast<double*>(p.InChannel(0)->scratch.Data())[5], 0.0);
}

TEST(PlugBase, DefaultProcessingPassesThroughAndSilencesMissingInputs)
{
  struct PassThrough : IPlugVST
  {
    PassThrough() : IPlugVST(nullptr, Description()) {}
  } p;
  std::vector<double> a(8, 0.75), o0(8, 9.0), o1(8, 9.0);
  double* in[2] = {a.data(), a.data()};
  double* out[2] = {o0.data(), o1.data()};
  p.ProcessBlock(in, out, 8);
  EXPECT_EQ(o1[7], 0.75);
  p.ProcessBlock(nullptr, out, 8);
  EXPECT_EQ(o0[7], 0.0);
  EXPECT_EQ(o1[0], 0.0);
}
