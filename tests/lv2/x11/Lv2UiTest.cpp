// The LV2 UI in a test host (the host tool's LV2 hosting, under an X
// server): it shows what the VST2 module's editor shows, pixel for pixel,
// for the same values and indicators; a drag on a knob reaches the host as
// port writes inside a gesture. Hosted without a parent, as hosts that
// cannot embed do, it shows the same editor in a top-level window of its
// own that the host shows and hides and the user closes.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <png.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plugin/EffectParams.h"
#include "plugin/VexaEditor.h"
#include "tools/HostedPlugin.h"
#include "tools/Lv2Editor.h"
#include "tools/Lv2Module.h"
#include "tools/Lv2Plugin.h"
#include "tools/ResourceUsage.h"
#include "tools/Snapshot.h"
#include "tools/x11/EditorFrameX11.h"
#include "tools/x11/WindowPixelsX11.h"
#include "tests/x11/HostWindow.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
// The Mix knob's centre in the editor (its film strip is 67 x 72).
constexpr int kMixX = 563 + 33, kMixY = 62 + 36;
constexpr int kDragPixels = 100;
constexpr int kDragSteps = 10;
constexpr int kIdleMilliseconds = 20;
// Idle calls after a window is shown, for its first paint and a few ticks.
constexpr int kSettleMilliseconds = 300;
constexpr int kWaitMilliseconds = 3000;

using Clock = std::chrono::steady_clock;

struct Picture
{
  int width = 0, height = 0;
  std::vector<unsigned char> rgba;
};

Picture ReadPng(const std::string& path)
{
  Picture p;
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return p;
  image.format = PNG_FORMAT_RGBA;
  p.rgba.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, p.rgba.data(), 0, nullptr)) {
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
  }
  png_image_free(&image);
  return p;
}

// The first differing pixel of two pictures as text, or empty.
std::string Difference(const Picture& a, const Picture& b)
{
  if (a.width != b.width || a.height != b.height) {
    return "sizes " + std::to_string(a.width) + "x" + std::to_string(a.height) + " and " +
           std::to_string(b.width) + "x" + std::to_string(b.height);
  }
  for (size_t i = 0; i < a.rgba.size(); ++i) {
    if (a.rgba[i] != b.rgba[i]) {
      const size_t pixel = i / 4;
      return "pixel (" + std::to_string(pixel % size_t(a.width)) + ", " + std::to_string(pixel / size_t(a.width)) + ")";
    }
  }
  return "";
}

// Loud blocks through an instance, so that its indicators move.
void Process(AEffect* e, int blocks)
{
  std::vector<float> l(kBlock), r(kBlock);
  for (int b = 0; b < blocks; ++b) {
    for (int k = 0; k < kBlock; ++k) {
      const double t = static_cast<double>(b * kBlock + k);
      l[size_t(k)] = static_cast<float>(0.9 * std::sin(t * 0.05));
      r[size_t(k)] = static_cast<float>(0.9 * std::sin(t * 0.07));
    }
    float* in[] = {l.data(), r.data()};
    float* out[] = {l.data(), r.data()};
    e->processReplacing(e, in, out, kBlock);
  }
}

// A drag from the Mix knob upwards at (x, y) on the root window, with
// idle() after each step, as a user makes it.
void DragUp(Display* display, int x, int y, const std::function<void(int)>& idle)
{
  XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(display, Button1, True, CurrentTime);
  XSync(display, False);
  idle(kIdleMilliseconds);
  for (int s = 1; s <= kDragSteps; ++s) {
    XTestFakeMotionEvent(display, -1, x, y - s * kDragPixels / kDragSteps, CurrentTime);
    XSync(display, False);
    idle(kIdleMilliseconds);
  }
  XTestFakeButtonEvent(display, Button1, False, CurrentTime);
  XSync(display, False);
  idle(kIdleMilliseconds * 5);
}

class Lv2Ui : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "this test needs an X display (DISPLAY)";
    ASSERT_TRUE(lv2.Load(VEXA_LV2_BUNDLE_DIR)) << lv2.Error();
    ASSERT_TRUE(vst.Load(VEXA_MODULE_PATH)) << vst.Error();
    lv2.Open(kRate, kBlock);
    vst.Open(kRate, kBlock);
  }

  // Both editors' snapshots, equal or the first difference.
  std::string SnapshotsDiffer(const char* name)
  {
    const std::string dir = testing::TempDir();
    const std::string a = dir + "/lv2-" + name + ".png", b = dir + "/vst2-" + name + ".png";
    std::string error;
    if (!SnapshotEditor(lv2, a, error)) return "no LV2 snapshot: " + error;
    if (!SnapshotEditor(vst, b, error)) return "no VST2 snapshot: " + error;
    const Picture pa = ReadPng(a), pb = ReadPng(b);
    if (pa.width != kVexaEditorWidth || pa.height != kVexaEditorHeight) return "the LV2 editor is not 764 x 222";
    return Difference(pa, pb);
  }

  // Sets a parameter in both, the VST2 module through setParameter and the
  // LV2 plug-in through its port, to the values that hand both effects the
  // same normalized value.
  void SetBoth(int index, float normalized)
  {
    AEffect* a = lv2.Effect();
    AEffect* b = vst.Effect();
    a->setParameter(a, index, normalized);
    b->setParameter(b, index, normalized);
  }

  HostedPlugin lv2, vst;
};

}  // namespace

TEST_F(Lv2Ui, ShowsTheVst2EditorsPixelsAtTheDefaults)
{
  EXPECT_EQ(SnapshotsDiffer("defaults"), "");
}

TEST_F(Lv2Ui, ShowsTheValuesTheHostSetsAndTheIndicatorsOfTheOutputPorts)
{
  // Values whose normalized form is exact either way: the ends of a range.
  SetBoth(kParamMix, 1.0f);
  SetBoth(kParamIntensity, 1.0f);
  SetBoth(kParamSequence, 1.0f);
  SetBoth(kParamFrequency, 0.0f);
  EXPECT_EQ(SnapshotsDiffer("values"), "");
  Process(lv2.Effect(), 20);
  Process(vst.Effect(), 20);
  EXPECT_EQ(SnapshotsDiffer("indicators"), "");
}

TEST_F(Lv2Ui, ADragOnAKnobReachesTheHostAsPortWritesInsideAGesture)
{
  Display* display = x11test::ConnectToServer();
  ASSERT_NE(display, nullptr);
  EditorFrameX11 frame;
  ASSERT_TRUE(frame.Create(0, 0)) << frame.Error();
  ASSERT_TRUE(frame.Open(lv2.Effect())) << frame.Error();
  ASSERT_TRUE(frame.IdleUntilShown());
  frame.Idle(kIdleMilliseconds);
  lv2.calls.clear();
  DragUp(display, kMixX, kMixY, [&](int ms) { frame.Idle(ms); });
  frame.Close();
  XCloseDisplay(display);

  ASSERT_GE(lv2.calls.size(), 3u);
  EXPECT_EQ(lv2.calls.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(lv2.calls.front().index, kParamMix);
  EXPECT_EQ(lv2.calls.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(lv2.calls.back().index, kParamMix);
  int writes = 0;
  float last = 0.0f;
  for (size_t i = 1; i + 1 < lv2.calls.size(); ++i) {
    EXPECT_EQ(lv2.calls[i].opcode, audioMasterAutomate);
    EXPECT_EQ(lv2.calls[i].index, kParamMix);
    EXPECT_GE(lv2.calls[i].opt, last) << "an upward drag only raises Mix";
    last = lv2.calls[i].opt;
    ++writes;
  }
  EXPECT_GE(writes, kDragSteps / 2);
  EXPECT_GT(last, 0.2f);
  EXPECT_EQ(lv2.Effect()->getParameter(lv2.Effect(), kParamMix), last) << "the port holds the last write";
}

namespace {

// The UI hosted directly without a parent, as a host that cannot embed runs
// it: instantiated without ui:parent, fed the port values the host tool
// gives an embedded UI, shown and hidden through its show interface, driven
// by idle calls; what it sends the host is recorded.
class Lv2UiOwnWindow : public Lv2Ui, public Lv2UiController
{
protected:
  void SetUp() override
  {
    Lv2Ui::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(module.Load(VEXA_LV2_BUNDLE_DIR)) << module.Error();
    display = x11test::ConnectToServer();
    ASSERT_NE(display, nullptr);
    root = DefaultRootWindow(display);
    ui.reset(new Lv2Editor(*module.Plugin(), *this));
  }

  void TearDown() override
  {
    ui.reset();
    if (display) XCloseDisplay(display);
  }

  void UiWrite(uint32_t port, float value) override { writes.push_back({port, value}); }
  void UiTouch(uint32_t port, bool grabbed) override { touches.push_back({port, grabbed}); }
  void UiResize(int, int) override {}

  void OpenWithoutParent()
  {
    std::string error;
    ASSERT_TRUE(ui->Open(nullptr, error)) << error;
    for (const Lv2PortInfo& p : module.Plugin()->ports) {
      if (p.kind == Lv2PortKind::kControlIn) ui->PortEvent(p.index, p.defaultValue);
      if (p.kind == Lv2PortKind::kControlOut) ui->PortEvent(p.index, 0.0f);
    }
  }

  // Idle calls for about ms; false when one of them said the UI is closed.
  bool IdleFor(int ms)
  {
    bool open = true;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    do {
      open = ui->Idle() && open;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (Clock::now() < end);
    return open;
  }

  // The root's children titled Vexa, once their number is count (or the
  // wait is over).
  std::vector<Window> TitledWindows(size_t count)
  {
    std::vector<Window> found;
    const auto end = Clock::now() + std::chrono::milliseconds(kWaitMilliseconds);
    do {
      found.clear();
      XSync(display, False);
      Window back, up, *children = nullptr;
      unsigned int n = 0;
      if (!XQueryTree(display, root, &back, &up, &children, &n)) break;
      for (unsigned int i = 0; i < n; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name && !std::strcmp(name, "Vexa")) found.push_back(children[i]);
        if (name) XFree(name);
      }
      if (children) XFree(children);
    } while (found.size() != count && Clock::now() < end);
    return found;
  }

  // The one own window, checked for what a window manager reads from it.
  Window CheckedOwnWindow()
  {
    const std::vector<Window> windows = TitledWindows(1);
    if (windows.size() != 1) {
      ADD_FAILURE() << windows.size() << " windows titled Vexa";
      return 0;
    }
    const Window w = windows[0];
    XWindowAttributes a;
    EXPECT_TRUE(XGetWindowAttributes(display, w, &a));
    EXPECT_EQ(a.map_state, IsViewable);
    EXPECT_EQ(a.width, kVexaEditorWidth);
    EXPECT_EQ(a.height, kVexaEditorHeight);
    XSizeHints h = {};
    long supplied = 0;
    const bool fixed = XGetWMNormalHints(display, w, &h, &supplied) && (h.flags & PMinSize) && (h.flags & PMaxSize) &&
                       h.min_width == kVexaEditorWidth && h.max_width == kVexaEditorWidth &&
                       h.min_height == kVexaEditorHeight && h.max_height == kVexaEditorHeight;
    EXPECT_TRUE(fixed) << "size hints: min " << h.min_width << "x" << h.min_height << ", max " << h.max_width << "x"
                       << h.max_height;
    Atom* protocols = nullptr;
    int count = 0;
    bool deletes = false;
    if (XGetWMProtocols(display, w, &protocols, &count)) {
      for (int i = 0; i < count; ++i) deletes = deletes || protocols[i] == AtomNamed("WM_DELETE_WINDOW");
      XFree(protocols);
    }
    EXPECT_TRUE(deletes) << "the close button must reach the editor";
    return w;
  }

  // The host tool's snapshot of the UI embedded (taken while no own window
  // is on screen: the snapshot's frame would cover it).
  Picture Embedded()
  {
    const std::string path = testing::TempDir() + "/lv2-embedded.png";
    std::string error;
    EXPECT_TRUE(SnapshotEditor(lv2, path, error)) << error;
    return ReadPng(path);
  }

  Picture PixelsOf(Window w)
  {
    Picture p;
    EXPECT_TRUE(CaptureWindowPixels(display, w, kVexaEditorWidth, kVexaEditorHeight, p.rgba));
    p.width = kVexaEditorWidth;
    p.height = kVexaEditorHeight;
    return p;
  }

  Atom AtomNamed(const char* name) { return XInternAtom(display, name, False); }

  // A client message on the window as a window manager sends it.
  void SendProtocol(Window w, const char* protocol)
  {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = AtomNamed("WM_PROTOCOLS");
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(AtomNamed(protocol));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, w, False, NoEventMask, &e);
    XSync(display, False);
  }

  struct Write
  {
    uint32_t port;
    float value;
  };
  struct Touch
  {
    uint32_t port;
    bool grabbed;
  };

  Lv2Module module;
  std::unique_ptr<Lv2Editor> ui;
  Display* display = nullptr;
  Window root = 0;
  std::vector<Write> writes;
  std::vector<Touch> touches;
};

}  // namespace

TEST_F(Lv2UiOwnWindow, ShowAndHideGiveOneFixedSizeWindowTitledVexaWithTheEmbeddedPixels)
{
  const Picture embedded = Embedded();
  ASSERT_EQ(embedded.width, kVexaEditorWidth);
  OpenWithoutParent();
  EXPECT_EQ(ui->Widget(), nullptr);
  EXPECT_TRUE(IdleFor(kIdleMilliseconds)) << "a UI not shown yet is not closed";
  EXPECT_TRUE(ui->Hide()) << "hiding what is not shown is harmless";
  EXPECT_TRUE(TitledWindows(0).empty()) << "nothing shows before show()";
  ASSERT_TRUE(ui->Show());
  ASSERT_TRUE(ui->Show()) << "showing twice is harmless";
  EXPECT_TRUE(IdleFor(kSettleMilliseconds));
  const Window first = CheckedOwnWindow();
  ASSERT_NE(first, 0u);
  EXPECT_EQ(Difference(PixelsOf(first), embedded), "");
  // Hidden, the window is gone and idle() says the UI is closed; shown
  // again, it paints the same.
  ASSERT_TRUE(ui->Hide());
  ASSERT_TRUE(ui->Hide());
  EXPECT_TRUE(TitledWindows(0).empty());
  EXPECT_FALSE(IdleFor(kIdleMilliseconds));
  ASSERT_TRUE(ui->Show());
  EXPECT_TRUE(IdleFor(kSettleMilliseconds));
  const Window again = CheckedOwnWindow();
  ASSERT_NE(again, 0u);
  EXPECT_EQ(Difference(PixelsOf(again), embedded), "");
}

TEST_F(Lv2UiOwnWindow, TheCloseButtonMakesIdleReportTheUiClosedAndLeavesNoWindow)
{
  OpenWithoutParent();
  ASSERT_TRUE(ui->Show());
  EXPECT_TRUE(IdleFor(kIdleMilliseconds));
  const Window w = CheckedOwnWindow();
  ASSERT_NE(w, 0u);
  // Another protocol message closes nothing.
  SendProtocol(w, "WM_TAKE_FOCUS");
  EXPECT_TRUE(IdleFor(kIdleMilliseconds));
  EXPECT_EQ(TitledWindows(1).size(), 1u);
  SendProtocol(w, "WM_DELETE_WINDOW");
  EXPECT_FALSE(IdleFor(kIdleMilliseconds));
  EXPECT_TRUE(TitledWindows(0).empty());
  EXPECT_FALSE(IdleFor(kIdleMilliseconds)) << "closed stays closed";
  // As the host must after a close, hide; it may show again.
  EXPECT_TRUE(ui->Hide());
  ASSERT_TRUE(ui->Show());
  EXPECT_TRUE(IdleFor(kIdleMilliseconds));
  EXPECT_EQ(TitledWindows(1).size(), 1u);
}

TEST_F(Lv2UiOwnWindow, ADragInTheOwnWindowReachesTheHostAsPortWritesInsideAGesture)
{
  OpenWithoutParent();
  ASSERT_TRUE(ui->Show());
  EXPECT_TRUE(IdleFor(kSettleMilliseconds));
  const Window w = CheckedOwnWindow();
  ASSERT_NE(w, 0u);
  int x = 0, y = 0;
  Window child;
  ASSERT_TRUE(XTranslateCoordinates(display, w, root, kMixX, kMixY, &x, &y, &child));
  DragUp(display, x, y, [&](int ms) { IdleFor(ms); });
  const uint32_t mix = module.Plugin()->params[kParamMix];
  ASSERT_EQ(touches.size(), 2u);
  EXPECT_EQ(touches[0].port, mix);
  EXPECT_TRUE(touches[0].grabbed);
  EXPECT_EQ(touches[1].port, mix);
  EXPECT_FALSE(touches[1].grabbed);
  ASSERT_GE(writes.size(), size_t(kDragSteps / 2));
  for (size_t i = 1; i < writes.size(); ++i) {
    EXPECT_EQ(writes[i].port, mix);
    EXPECT_GE(writes[i].value, writes[i - 1].value) << "an upward drag only raises Mix";
  }
  EXPECT_GT(writes.back().value, module.Plugin()->ports[mix].defaultValue);
}

TEST_F(Lv2UiOwnWindow, CleanupWithTheWindowShownOrHiddenLeavesNothingBehind)
{
  // Rounds end with the window never shown, shown, hidden and closed by the
  // user; the first round's figures are the baseline.
  auto round = [&](int kind) {
    OpenWithoutParent();
    if (kind > 0) {
      ASSERT_TRUE(ui->Show());
      IdleFor(kIdleMilliseconds);
    }
    if (kind == 2) {
      ASSERT_TRUE(ui->Hide());
    }
    if (kind == 3) {
      const Window w = CheckedOwnWindow();
      ASSERT_NE(w, 0u);
      SendProtocol(w, "WM_DELETE_WINDOW");
    }
    IdleFor(kIdleMilliseconds);
    ui->Close();
    EXPECT_TRUE(TitledWindows(0).empty()) << "round kind " << kind;
  };
  for (int kind = 0; kind < 4; ++kind) round(kind);
  const long long descriptors = MeasureResources().handles;
  for (int i = 0; i < 12 && !HasFatalFailure(); ++i) round(i % 4);
  EXPECT_EQ(MeasureResources().handles, descriptors) << "display connections or files left open";
}
