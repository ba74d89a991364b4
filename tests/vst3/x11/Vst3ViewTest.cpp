// The VST3 edition's view on X11, hosted as a Linux host hosts it: the test
// is the view's frame and run loop (the view registers its connection's
// descriptor and its redraw timer there and runs nothing of its own) and the
// controller's component handler. A drag on a knob and a click on the
// switch, made through the server, reach the handler as balanced
// begin/perform/end edits with the values the controls took; processing
// that drives the envelope lights the indicators in the window.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dirent.h>
#include <poll.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "plugin/EffectParams.h"
#include "plugin/VexaEditor.h"
#include "tests/x11/HostWindow.h"
#include "tools/HostedPlugin.h"
#include "tools/Vst3Effect.h"

namespace {

using namespace vst3;

constexpr double kRate = 44100.0;
constexpr int kBlock = 4096;
constexpr int kWaitMilliseconds = 3000;
constexpr int kPumpSleepMilliseconds = 2;
constexpr int kSettleMilliseconds = 200;
// The Band (Q) knob: its place and one film-strip frame's height; the full
// range takes four knob heights.
constexpr int kKnobX = 164, kKnobY = 62, kKnobSide = 72;
constexpr double kKnobGearing = 4.0;
constexpr int kDragPixels = 32;
constexpr int kSwitchX = 0, kSwitchY = 192, kSwitchWidth = 122, kSwitchHeight = 30;
// The envelope and gate indicators.
constexpr int kLedSide = 30;
constexpr int kEnvelopeLedX = 323, kEnvelopeLedY = 38, kGateLedX = 109, kGateLedY = 192;

// The host side of one view: its frame and run loop, and the controller's
// component handler recording every edit. Lives on the test's stack; the
// reference counts are the view's and controller's to balance, not ours.
class TestHost final : public IPlugFrame, public IRunLoop, public IComponentHandler
{
public:
  struct Edit
  {
    char kind;  // 'b'egin, 'p'erform, 'e'nd
    ParamID id;
    ParamValue value;
  };

  tresult VST3_CALL queryInterface(const char* iid, void** obj) override
  {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (SameUid(iid, kFUnknownIid) || SameUid(iid, kIPlugFrameIid)) {
      *obj = static_cast<IPlugFrame*>(this);
    } else if (SameUid(iid, kIRunLoopIid)) {
      *obj = static_cast<IRunLoop*>(this);
    } else if (SameUid(iid, kIComponentHandlerIid)) {
      *obj = static_cast<IComponentHandler*>(this);
    } else {
      return kNoInterface;
    }
    addRef();
    return kResultOk;
  }
  uint32_t VST3_CALL addRef() override { return ++refs; }
  uint32_t VST3_CALL release() override { return --refs; }

  tresult VST3_CALL resizeView(IPlugView*, ViewRect*) override { return kResultFalse; }

  tresult VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) override
  {
    if (!handler) return kInvalidArgument;
    events.push_back({handler, fd});
    return kResultOk;
  }
  tresult VST3_CALL unregisterEventHandler(IEventHandler* handler) override
  {
    for (size_t i = 0; i < events.size(); ++i) {
      if (events[i].handler != handler) continue;
      events.erase(events.begin() + static_cast<long>(i));
      return kResultOk;
    }
    return kInvalidArgument;
  }
  tresult VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) override
  {
    if (!handler || milliseconds == 0) return kInvalidArgument;
    timers.push_back(handler);
    return kResultOk;
  }
  tresult VST3_CALL unregisterTimer(ITimerHandler* handler) override
  {
    for (size_t i = 0; i < timers.size(); ++i) {
      if (timers[i] != handler) continue;
      timers.erase(timers.begin() + static_cast<long>(i));
      return kResultOk;
    }
    return kInvalidArgument;
  }

  tresult VST3_CALL beginEdit(ParamID id) override { return Note('b', id, 0.0); }
  tresult VST3_CALL performEdit(ParamID id, ParamValue value) override { return Note('p', id, value); }
  tresult VST3_CALL endEdit(ParamID id) override { return Note('e', id, 0.0); }
  tresult VST3_CALL restartComponent(int32_t) override { return kResultOk; }

  // One round of the run loop: handlers whose descriptor is readable, then
  // every timer (the test pumps more slowly than the redraw period).
  void Pump()
  {
    for (size_t i = 0; i < events.size(); ++i) {
      pollfd p = {events[i].fd, POLLIN, 0};
      if (poll(&p, 1, 0) > 0) events[i].handler->onFDIsSet(events[i].fd);
    }
    for (size_t i = 0; i < timers.size(); ++i) timers[i]->onTimer();
  }
  template <class Done>
  bool PumpUntil(Done done)
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMilliseconds);
    while (std::chrono::steady_clock::now() < end) {
      Pump();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(kPumpSleepMilliseconds));
    }
    return false;
  }
  int Ends() const
  {
    int n = 0;
    for (const Edit& e : edits) n += e.kind == 'e';
    return n;
  }

  struct Watch
  {
    IEventHandler* handler;
    FileDescriptor fd;
  };
  std::vector<Watch> events;
  std::vector<ITimerHandler*> timers;
  std::vector<Edit> edits;
  uint32_t refs = 1;

private:
  tresult Note(char kind, ParamID id, ParamValue value)
  {
    edits.push_back({kind, id, value});
    return kResultOk;
  }
};

// The threads of this process.
int ThreadCount()
{
  DIR* d = opendir("/proc/self/task");
  if (!d) return -1;
  int n = 0;
  while (const dirent* e = readdir(d)) n += e->d_name[0] != '.';
  closedir(d);
  return n;
}

class Vst3View : public x11test::HostWindowTest
{
protected:
  void SetUp() override
  {
    ASSERT_NO_FATAL_FAILURE(Connect());
    ASSERT_TRUE(plugin.Load(VEXA_VST3_BUNDLE_PATH)) << plugin.Error();
    plugin.Open(kRate, kBlock);
    Vst3Parts parts;
    ASSERT_TRUE(Vst3PartsOf(plugin.Effect(), &parts));
    controller = parts.controller;
    ASSERT_EQ(controller->setComponentHandler(&host), kResultOk);
    MapParent(kVexaEditorWidth, kVexaEditorHeight);
    view = controller->createView(kEditorView);
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->setFrame(&host), kResultOk);
    threadsBefore = ThreadCount();
    ASSERT_EQ(view->attached(reinterpret_cast<void*>(static_cast<uintptr_t>(parent)), kPlatformX11Window), kResultOk);
    threadsOpen = ThreadCount();
  }

  void TearDown() override
  {
    if (view) {
      view->removed();
      EXPECT_TRUE(host.events.empty() && host.timers.empty()) << "the view left work in the run loop";
      view->setFrame(nullptr);
      EXPECT_EQ(view->release(), 0u);
    }
    if (controller) controller->setComponentHandler(nullptr);
    plugin.Close();
    EXPECT_EQ(host.refs, 1u) << "a reference to the host's objects was kept";
    Disconnect();
  }

  void MoveTo(int x, int y)
  {
    XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
    XSync(display, False);
  }
  void Button(bool press)
  {
    XTestFakeButtonEvent(display, Button1, press ? True : False, CurrentTime);
    XSync(display, False);
  }

  // The window's pixels in a square of kLedSide at x, y.
  std::vector<unsigned long> Pixels(int x, int y)
  {
    std::vector<unsigned long> out;
    XImage* image = XGetImage(display, parent, x, y, kLedSide, kLedSide, AllPlanes, ZPixmap);
    if (!image) return out;
    for (int j = 0; j < kLedSide; ++j) {
      for (int i = 0; i < kLedSide; ++i) out.push_back(XGetPixel(image, i, j) & 0xFFFFFFul);
    }
    XDestroyImage(image);
    return out;
  }

  // Lets the editor map its window and paint its first picture.
  void Settle()
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kSettleMilliseconds);
    while (std::chrono::steady_clock::now() < end) {
      host.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(kPumpSleepMilliseconds));
    }
  }

  // The edits of one gesture on id: begin, at least one perform, end, all
  // on id; the performed values move one way. Returns the last value.
  ParamValue CheckGesture(ParamID id, bool rising)
  {
    const std::vector<TestHost::Edit>& e = host.edits;
    EXPECT_GE(e.size(), 3u);
    if (e.size() < 3) return -1.0;
    EXPECT_EQ(e.front().kind, 'b');
    EXPECT_EQ(e.back().kind, 'e');
    for (size_t i = 0; i < e.size(); ++i) {
      EXPECT_EQ(e[i].id, id) << "edit " << i;
      if (i == 0 || i + 1 == e.size()) continue;
      EXPECT_EQ(e[i].kind, 'p') << "edit " << i;
      if (i > 1) {
        EXPECT_TRUE(rising ? e[i].value >= e[i - 1].value : e[i].value <= e[i - 1].value) << "edit " << i;
      }
    }
    return e[e.size() - 2].value;
  }

  HostedPlugin plugin;
  IEditController* controller = nullptr;
  TestHost host;
  IPlugView* view = nullptr;
  int threadsBefore = 0, threadsOpen = 0;
};

}  // namespace

TEST_F(Vst3View, RunsOnTheHostsRunLoopOnly)
{
  ASSERT_EQ(host.events.size(), 1u);
  ASSERT_EQ(host.timers.size(), 1u);
  // The editor's own connection, not the host's.
  EXPECT_GE(host.events[0].fd, 0);
  EXPECT_NE(host.events[0].fd, ConnectionNumber(display));
  EXPECT_EQ(threadsOpen, threadsBefore) << "opening the view started a thread";
}

TEST_F(Vst3View, ADragOnAKnobReachesTheHandlerAsOneBalancedGesture)
{
  Settle();
  const ParamValue start = controller->getParamNormalized(kParamQ);
  host.edits.clear();
  const int x = kKnobX + kKnobSide / 2, y = kKnobY + kKnobSide / 2;
  MoveTo(x, y);
  Button(true);
  for (int step = 1; step <= 4; ++step) MoveTo(x, y - kDragPixels * step / 4);
  Button(false);
  ASSERT_TRUE(host.PumpUntil([&] { return host.Ends() >= 1; }));
  const ParamValue last = CheckGesture(kParamQ, true);
  EXPECT_NEAR(last, start + kDragPixels / double(kKnobSide) / kKnobGearing, 1e-6);
  // The parameter goes through its plain value, a few units in the last
  // place away; a host replaying the value it recorded lands on the same.
  const ParamValue shown = controller->getParamNormalized(kParamQ);
  EXPECT_NEAR(shown, last, 1e-12);
  ASSERT_EQ(controller->setParamNormalized(kParamQ, last), kResultOk);
  EXPECT_EQ(controller->getParamNormalized(kParamQ), shown);
}

TEST_F(Vst3View, AClickOnTheSwitchReachesTheHandlerAsOneBalancedGesture)
{
  Settle();
  const ParamValue start = controller->getParamNormalized(kParamSequence);
  host.edits.clear();
  MoveTo(kSwitchX + kSwitchWidth / 2, kSwitchY + kSwitchHeight / 2);
  Button(true);
  Button(false);
  ASSERT_TRUE(host.PumpUntil([&] { return host.Ends() >= 1; }));
  ASSERT_EQ(host.edits.size(), 3u);
  EXPECT_EQ(CheckGesture(kParamSequence, start < 0.5), start < 0.5 ? 1.0 : 0.0);
  EXPECT_EQ(controller->getParamNormalized(kParamSequence), host.edits[1].value);
}

TEST_F(Vst3View, IndicatorsLightUnderAudio)
{
  Settle();
  const std::vector<unsigned long> envelope = Pixels(kEnvelopeLedX, kEnvelopeLedY);
  const std::vector<unsigned long> gate = Pixels(kGateLedX, kGateLedY);
  ASSERT_FALSE(envelope.empty() || gate.empty());
  // Loud input with the envelope at full intensity, long enough for the
  // gate to turn.
  AEffect* e = plugin.Effect();
  e->setParameter(e, kParamIntensity, 1.0f);
  std::vector<float> in(kBlock), out(kBlock);
  for (size_t i = 0; i < in.size(); ++i) in[i] = (i / 50) % 2 ? 0.9f : -0.9f;
  float* inputs[2] = {in.data(), in.data()};
  float* outputs[2] = {out.data(), out.data()};
  for (int block = 0; block < 8; ++block) e->processReplacing(e, inputs, outputs, kBlock);
  EXPECT_TRUE(host.PumpUntil([&] { return Pixels(kEnvelopeLedX, kEnvelopeLedY) != envelope; }))
      << "the envelope indicator stayed as it was";
  EXPECT_TRUE(host.PumpUntil([&] { return Pixels(kGateLedX, kGateLedY) != gate; }))
      << "the gate indicator stayed as it was";
}
