// The X11 editor window in a real X server: an effect instance with an
// editor of the tests' own, built through MakeEditorWindow, hosted in-process
// by the host harness, which records every call the plug-in makes. Input
// comes through the server (XTest), pixels are read back from it.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <malloc.h>
#include <png.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "graphics/BitmapControls.h"
#include "graphics/EditorCaches.h"
#include "graphics/EditorWindow.h"
#include "graphics/x11/GraphicsX11.h"
#include "plugin/Vexa.h"
#include "plugin/VexaEditor.h"
#include "raster/Bitmap.h"
#include "tests/Sanitized.h"
#include "tools/HostedPlugin.h"
#include "tests/graphics/x11/HostErrorHandlers.h"
#include "tests/x11/HostWindow.h"
#include "tools/Snapshot.h"
#include "vst/EntryPoint.h"

namespace {

using x11test::CurrentErrorHandler;
using x11test::gHostErrors;
using x11test::HostErrorHandler;

// The tests' editor: a background, two knobs, the sequence switch and the
// two indicators, with film strips made in memory.
constexpr int kEditorWidth = 300;
constexpr int kEditorHeight = 160;
constexpr int kKnobSide = 48;
constexpr int kKnobFrames = 40;
constexpr int kKnobQX = 20, kKnobMixX = 90, kKnobY = 20;
constexpr int kSwitchX = 170, kSwitchY = 30, kSwitchWidth = 40, kSwitchHeight = 24;
constexpr int kMeterWidth = 60, kMeterHeight = 12, kMeterFrames = 10;
constexpr int kReductionX = 20, kGateX = 100, kMeterY = 110;
constexpr int kBackgroundId = 9101, kKnobId = 9102, kSwitchId = 9103, kMeterId = 9104;
// A spot of bare background.
constexpr int kEmptyX = 250, kEmptyY = 140;
constexpr int kWaitMilliseconds = 3000;

PixelValue Argb(unsigned a, unsigned r, unsigned g, unsigned b)
{
  return (a << 24) | ((r & 0xFFu) << 16) | ((g & 0xFFu) << 8) | (b & 0xFFu);
}

// Frames of w x h, each pixel from paint(x, y, frame).
template <class Paint>
LICE_MemBitmap* MakeStrip(int w, int h, int frames, Paint paint)
{
  LICE_MemBitmap* b = new LICE_MemBitmap(w, h * frames);
  for (int y = 0; y < h * frames; ++y) {
    for (int x = 0; x < w; ++x) b->Pixels()[y * b->Stride() + x] = paint(x, y % h, y / h);
  }
  return b;
}

void CacheStrips()
{
  if (FindCachedBitmap(kBackgroundId)) return;
  AddCachedBitmap(kBackgroundId, MakeStrip(kEditorWidth, kEditorHeight, 1, [](int x, int y, int) {
                    return Argb(255, x * 255 / kEditorWidth, y * 255 / kEditorHeight, (x + y) * 3);
                  }));
  // A disc with a soft edge whose colours turn with the frame.
  AddCachedBitmap(kKnobId, MakeStrip(kKnobSide, kKnobSide, kKnobFrames, [](int x, int y, int k) {
                    const int dx = x - kKnobSide / 2, dy = y - kKnobSide / 2;
                    const int d2 = dx * dx + dy * dy;
                    const unsigned a = d2 < 18 * 18 ? 255u : (d2 < 22 * 22 ? static_cast<unsigned>(22 * 22 - d2) : 0u);
                    return Argb(a, x * 5 + k * 13, y * 5 + k * 29, x * y + k * 7);
                  }));
  AddCachedBitmap(kSwitchId, MakeStrip(kSwitchWidth, kSwitchHeight, 2, [](int x, int y, int k) {
                    return Argb(k ? 255 : 160, k ? 240 : 20, x * 6, y * 10);
                  }));
  AddCachedBitmap(kMeterId, MakeStrip(kMeterWidth, kMeterHeight, kMeterFrames, [](int x, int y, int k) {
                    const bool lit = x < (k + 1) * kMeterWidth / kMeterFrames;
                    return Argb(lit ? 255 : 96, lit ? 250 : 30, lit ? 180 - y * 4 : 30, 40);
                  }));
}

void BuildEditor(Vexa& plug)
{
  CacheStrips();
  IGraphics* g = MakeEditorWindow(&plug, kEditorWidth, kEditorHeight, 25);
  g->AttachBackground(new IBitmapControl(&plug, 0, 0, g->LoadBitmapResource(kBackgroundId, "bg.png", 1)));
  const IBitmapRef knob = g->LoadBitmapResource(kKnobId, "knob.png", kKnobFrames);
  g->AttachControl(new IKnobMultiControl(&plug, kKnobQX, kKnobY, kParamQ, knob));
  g->AttachControl(new IKnobMultiControl(&plug, kKnobMixX, kKnobY, kParamMix, knob));
  g->AttachControl(
      new ISwitchControl(&plug, kSwitchX, kSwitchY, kParamSequence, g->LoadBitmapResource(kSwitchId, "sw.png", 2)));
  const IBitmapRef meter = g->LoadBitmapResource(kMeterId, "meter.png", kMeterFrames);
  const int reduction = g->AttachControl(new IBitmapControl(&plug, kReductionX, kMeterY, meter));
  const int gate = g->AttachControl(new IBitmapControl(&plug, kGateX, kMeterY, meter));
  plug.SetMeterControls(reduction, gate);
  plug.AttachEditor(g);
}

IPlugVST* CreateWithEditor(audioMasterCallback host) { return new (std::nothrow) Vexa(host, BuildEditor); }

// Vexa with its own editor, as the module builds it.
void BuildOwnEditor(Vexa& plug) { BuildVexaEditor(plug, MakeEditorWindow); }
IPlugVST* CreateWithOwnEditor(audioMasterCallback host) { return new (std::nothrow) Vexa(host, BuildOwnEditor); }
AEffect* EntryWithOwnEditor(audioMasterCallback host) { return MakeEffect(CreateWithOwnEditor, host); }

AEffect* EntryWithEditor(audioMasterCallback host) { return MakeEffect(CreateWithEditor, host); }

int OpenFileCount()
{
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

IPlugVST* PlugOf(HostedPlugin& host) { return IPlugVST::FromEffect(host.Effect()); }

IGraphicsX11* EditorOf(HostedPlugin& host) { return dynamic_cast<IGraphicsX11*>(PlugOf(host)->Editor()); }

Window WindowOf(HostedPlugin& host)
{
  return static_cast<Window>(reinterpret_cast<uintptr_t>(EditorOf(host)->NativeWindow()));
}

float ParamOf(HostedPlugin& host, int index) { return host.Effect()->getParameter(host.Effect(), index); }

void SetParam(HostedPlugin& host, int index, float value) { host.Effect()->setParameter(host.Effect(), index, value); }

// The begin-edit, automate and end-edit calls the host saw, in order, as
// (opcode, parameter index) pairs.
std::vector<std::pair<VstInt32, VstInt32>> EditCalls(const HostedPlugin& host)
{
  std::vector<std::pair<VstInt32, VstInt32>> out;
  for (const HostCall& c : host.calls) {
    if (c.opcode == audioMasterBeginEdit || c.opcode == audioMasterAutomate || c.opcode == audioMasterEndEdit) {
      out.emplace_back(c.opcode, c.index);
    }
  }
  return out;
}

// The edit calls with runs of automation folded into one entry.
std::vector<std::pair<VstInt32, VstInt32>> Gestures(const HostedPlugin& host)
{
  std::vector<std::pair<VstInt32, VstInt32>> out;
  for (const auto& c : EditCalls(host)) {
    if (c.first == audioMasterAutomate && !out.empty() && out.back() == c) continue;
    out.push_back(c);
  }
  return out;
}

float LastAutomated(const HostedPlugin& host)
{
  float v = -1.0f;
  for (const HostCall& c : host.calls) {
    if (c.opcode == audioMasterAutomate) v = c.opt;
  }
  return v;
}

const std::pair<VstInt32, VstInt32> Begin(int p) { return {audioMasterBeginEdit, p}; }
const std::pair<VstInt32, VstInt32> Automate(int p) { return {audioMasterAutomate, p}; }
const std::pair<VstInt32, VstInt32> End(int p) { return {audioMasterEndEdit, p}; }

int CountOf(const HostedPlugin& host, VstInt32 opcode)
{
  int n = 0;
  for (const HostCall& c : host.calls) n += c.opcode == opcode;
  return n;
}

// The surface's colours (alpha dropped) over an area.
std::vector<uint32_t> SurfaceRgb(IGraphics* editor, const IArea& a)
{
  std::vector<uint32_t> out;
  LICE_IBitmap* s = editor->Surface();
  for (int y = a.top; y < a.bottom; ++y) {
    for (int x = a.left; x < a.right; ++x) out.push_back(s->Pixels()[y * s->Stride() + x] & 0xFFFFFFu);
  }
  return out;
}

class EditorWindow : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_NO_FATAL_FAILURE(x11test::ConnectWithXTest(&display));
    handlers.Install();
    ASSERT_TRUE(host.Attach(EntryWithEditor)) << host.Error();
    host.Open(44100.0, 512);
    parent = MakeParent(kEditorWidth, kEditorHeight);
    XTestFakeMotionEvent(display, -1, kEmptyX + 500, kEmptyY + 500, CurrentTime);
    XSync(display, False);
  }

  void TearDown() override
  {
    host.Close();
    if (display) {
      for (Window w : parents) XDestroyWindow(display, w);
      XSync(display, False);
      handlers.Restore();
      XCloseDisplay(display);
    }
  }

  // A top-level window at the origin, as hosts give editors to live in,
  // that listens to the keys sent to it.
  Window MakeParent(int width, int height, Visual* visual = nullptr, int depth = 0)
  {
    const Window w = x11test::MapHostWindow(display, width, height, KeyPressMask | KeyReleaseMask, visual, depth);
    parents.push_back(w);
    return w;
  }

  void DestroyParent(Window w)
  {
    XDestroyWindow(display, w);
    XSync(display, False);
    for (size_t i = 0; i < parents.size(); ++i) {
      if (parents[i] == w) parents.erase(parents.begin() + static_cast<long>(i));
    }
  }

  static VstIntPtr Open(HostedPlugin& h, Window w)
  {
    return h.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(w)));
  }

  // Idle calls, as a host's UI timer makes them, until done() or the wait
  // runs out; false then.
  template <class Done>
  static bool IdleUntil(HostedPlugin& h, Done done, int milliseconds = kWaitMilliseconds)
  {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < end) {
      h.Dispatch(effEditIdle);
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }

  static void IdleFor(HostedPlugin& h, int milliseconds)
  {
    IdleUntil(h, [] { return false; }, milliseconds);
  }

  // Opens the editor in parent and idles until its first paint.
  void OpenAndPaint(HostedPlugin& h, Window w)
  {
    ASSERT_EQ(Open(h, w), 1);
    const long before = EditorOf(h)->PresentCount();
    ASSERT_TRUE(IdleUntil(h, [&] { return EditorOf(h)->PresentCount() > before; }));
  }

  std::vector<uint32_t> WindowRgb(Window w, const IArea& a)
  {
    std::vector<uint32_t> out;
    XImage* image = XGetImage(display, w, a.left, a.top, static_cast<unsigned>(a.Width()),
                              static_cast<unsigned>(a.Height()), AllPlanes, ZPixmap);
    if (!image) return out;
    for (int y = 0; y < a.Height(); ++y) {
      for (int x = 0; x < a.Width(); ++x) out.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
    }
    XDestroyImage(image);
    return out;
  }

  // Pointer and buttons through the server. Editor pixels are screen pixels:
  // the parent and the editor both sit at the origin.
  void MoveTo(int x, int y, unsigned long delay = 0)
  {
    XTestFakeMotionEvent(display, -1, x, y, delay);
    XSync(display, False);
  }
  void Button(unsigned int button, bool press, unsigned long delay = 0)
  {
    XTestFakeButtonEvent(display, button, press ? True : False, delay);
    XSync(display, False);
  }
  void Click(unsigned int button, unsigned long delay = 0)
  {
    Button(button, true, delay);
    Button(button, false);
  }
  void Key(KeySym sym, bool press)
  {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), press ? True : False, CurrentTime);
    XSync(display, False);
  }
  void Drag(int x, int y, int dy, unsigned int button = Button1)
  {
    MoveTo(x, y);
    Button(button, true);
    for (int step = 1; step <= 4; ++step) MoveTo(x, y + dy * step / 4);
    Button(button, false);
  }
  // Idles until the host has heard count end-edit notices in all.
  bool IdleUntilEnds(HostedPlugin& h, int count)
  {
    return IdleUntil(h, [&] { return CountOf(h, audioMasterEndEdit) >= count; });
  }

  Display* display = nullptr;
  x11test::HostErrorHandlers handlers;
  HostedPlugin host;
  Window parent = 0;
  std::vector<Window> parents;
};

// A key catcher that takes the letter A only and records every key offered.
class KeyRecorder : public IControl
{
public:
  KeyRecorder(IPlugBase* plug, std::vector<int>* keys) : IControl(plug, IArea{}), mKeys(keys) {}
  bool Render(IGraphics*) override { return true; }
  bool KeyDown(int, int, EditorKey key) override
  {
    mKeys->push_back(key);
    return key == kKeyLetterA;
  }

private:
  std::vector<int>* mKeys;
};

// Keys that arrived at window w, as (event type, key symbol).
std::vector<std::pair<int, KeySym>> KeysAt(Display* d, Window w)
{
  std::vector<std::pair<int, KeySym>> out;
  XSync(d, False);
  XEvent e;
  while (XCheckWindowEvent(d, w, KeyPressMask | KeyReleaseMask, &e)) {
    out.emplace_back(e.type, XLookupKeysym(&e.xkey, 0));
  }
  return out;
}

}  // namespace

TEST_F(EditorWindow, OpensAChildOfTheHostsWindowAndPaintsWhatTheSurfaceHolds)
{
  EXPECT_TRUE(host.Effect()->flags & effFlagsHasEditor);
  SetParam(host, kParamQ, 0.3f);
  OpenAndPaint(host, parent);
  const Window w = WindowOf(host);
  Window root, parentBack, *children = nullptr;
  unsigned int count = 0;
  ASSERT_TRUE(XQueryTree(display, w, &root, &parentBack, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(parentBack, parent);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(display, w, &a));
  EXPECT_EQ(a.width, kEditorWidth);
  EXPECT_EQ(a.height, kEditorHeight);
  EXPECT_EQ(a.map_state, IsViewable);
  const IArea all{0, 0, kEditorWidth, kEditorHeight};
  EXPECT_TRUE(WindowRgb(w, all) == SurfaceRgb(EditorOf(host), all));
  EXPECT_STREQ(EditorOf(host)->BackendName(), "X11");
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
  EXPECT_EQ(EditorOf(host)->NativeWindow(), nullptr);
  EXPECT_EQ(gHostErrors, 0);
}

TEST_F(EditorWindow, SnapshotEqualsTheDrawnSurfacePixelForPixel)
{
  SetParam(host, kParamMix, 0.7f);
  SetParam(host, kParamSequence, 1.0f);
  const std::string path = testing::TempDir() + "vexa_x11_snapshot.png";
  std::string error;
  ASSERT_TRUE(SnapshotEditor(host, path, error)) << error;
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_BGRA;
  ASSERT_EQ(image.width, static_cast<unsigned>(kEditorWidth));
  ASSERT_EQ(image.height, static_cast<unsigned>(kEditorHeight));
  std::vector<uint32_t> pixels(PNG_IMAGE_SIZE(image) / 4);
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  std::remove(path.c_str());
  for (uint32_t& p : pixels) p &= 0xFFFFFFu;
  const std::vector<uint32_t> surface = SurfaceRgb(EditorOf(host), IArea{0, 0, kEditorWidth, kEditorHeight});
  int differing = 0;
  for (size_t i = 0; i < pixels.size(); ++i) differing += pixels[i] != surface[i];
  EXPECT_EQ(differing, 0);
  // The switch and the knob show the values set, not the defaults.
  EXPECT_EQ(pixels[static_cast<size_t>((kSwitchY + 5) * kEditorWidth + kSwitchX + 5)] >> 16, 240u);
  EXPECT_EQ(gHostErrors, 0);
}

TEST_F(EditorWindow, VexasOwnEditorSnapshotEqualsItsSurface)
{
  HostedPlugin vexa;
  ASSERT_TRUE(vexa.Attach(EntryWithOwnEditor)) << vexa.Error();
  vexa.Open(44100.0, 512);
  SetParam(vexa, kParamMix, 0.4f);
  const std::string path = testing::TempDir() + "vexa_x11_own_snapshot.png";
  std::string error;
  ASSERT_TRUE(SnapshotEditor(vexa, path, error)) << error;
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  image.format = PNG_FORMAT_BGRA;
  ASSERT_EQ(image.width, static_cast<unsigned>(kVexaEditorWidth));
  ASSERT_EQ(image.height, static_cast<unsigned>(kVexaEditorHeight));
  std::vector<uint32_t> pixels(PNG_IMAGE_SIZE(image) / 4);
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr));
  std::remove(path.c_str());
  for (uint32_t& p : pixels) p &= 0xFFFFFFu;
  EXPECT_TRUE(pixels == SurfaceRgb(EditorOf(vexa), IArea{0, 0, kVexaEditorWidth, kVexaEditorHeight}));
  EXPECT_EQ(gHostErrors, 0);
}

TEST_F(EditorWindow, ADragTurnsTheKnobAndTheHostHearsOneGesture)
{
  OpenAndPaint(host, parent);
  const float start = ParamOf(host, kParamQ);
  host.calls.clear();
  Drag(kKnobQX + kKnobSide / 2, kKnobY + kKnobSide / 2, -32);
  ASSERT_TRUE(IdleUntilEnds(host, 1));
  // The full range takes four knob heights.
  EXPECT_NEAR(ParamOf(host, kParamQ), start + 32.0 / kKnobSide / 4.0, 1e-6);
  EXPECT_NEAR(LastAutomated(host), ParamOf(host, kParamQ), 1e-6);
  using Calls = std::vector<std::pair<VstInt32, VstInt32>>;
  EXPECT_EQ(Gestures(host), (Calls{Begin(kParamQ), Automate(kParamQ), End(kParamQ)}));
}

TEST_F(EditorWindow, ShiftMakesADragTenTimesFiner)
{
  OpenAndPaint(host, parent);
  const float start = ParamOf(host, kParamMix);
  host.calls.clear();
  Key(XK_Shift_L, true);
  Drag(kKnobMixX + kKnobSide / 2, kKnobY + kKnobSide / 2, -32);
  Key(XK_Shift_L, false);
  ASSERT_TRUE(IdleUntilEnds(host, 1));
  EXPECT_NEAR(ParamOf(host, kParamMix), start + 32.0 / kKnobSide / 40.0, 1e-6);
  using Calls = std::vector<std::pair<VstInt32, VstInt32>>;
  EXPECT_EQ(Gestures(host), (Calls{Begin(kParamMix), Automate(kParamMix), End(kParamMix)}));
}

TEST_F(EditorWindow, ADragGoingOutsideTheWindowStaysWithTheKnob)
{
  SetParam(host, kParamMix, 0.8f);
  OpenAndPaint(host, parent);
  host.calls.clear();
  // Down past the editor's bottom edge; the release happens out there too.
  Drag(kKnobMixX + kKnobSide / 2, kKnobY + kKnobSide / 2, 96);
  ASSERT_TRUE(IdleUntilEnds(host, 1));
  EXPECT_NEAR(ParamOf(host, kParamMix), 0.8 - 96.0 / kKnobSide / 4.0, 1e-6);
  using Calls = std::vector<std::pair<VstInt32, VstInt32>>;
  EXPECT_EQ(Gestures(host), (Calls{Begin(kParamMix), Automate(kParamMix), End(kParamMix)}));
  // After the release a move with no button held changes nothing.
  const size_t heard = host.calls.size();
  MoveTo(kKnobMixX + kKnobSide / 2, kKnobY);
  IdleFor(host, 50);
  EXPECT_EQ(host.calls.size(), heard);
}

TEST_F(EditorWindow, WheelNotchesStepTheKnobUnderThePointer)
{
  OpenAndPaint(host, parent);
  host.calls.clear();
  MoveTo(kKnobMixX + kKnobSide / 2, kKnobY + kKnobSide / 2);
  for (int i = 0; i < 3; ++i) Click(Button4);
  Click(Button5);
  ASSERT_TRUE(IdleUntilEnds(host, 4));
  EXPECT_NEAR(ParamOf(host, kParamMix), 0.02, 1e-6);
  using Calls = std::vector<std::pair<VstInt32, VstInt32>>;
  Calls one = {Begin(kParamMix), Automate(kParamMix), End(kParamMix)};
  Calls want;
  for (int i = 0; i < 4; ++i) want.insert(want.end(), one.begin(), one.end());
  EXPECT_EQ(EditCalls(host), want);
}

TEST_F(EditorWindow, AClickFlipsTheSwitch)
{
  OpenAndPaint(host, parent);
  ASSERT_EQ(ParamOf(host, kParamSequence), 0.0f);
  host.calls.clear();
  MoveTo(kSwitchX + kSwitchWidth / 2, kSwitchY + kSwitchHeight / 2);
  Click(Button1);
  ASSERT_TRUE(IdleUntilEnds(host, 1));
  EXPECT_EQ(ParamOf(host, kParamSequence), 1.0f);
  EXPECT_EQ(LastAutomated(host), 1.0f);
  using Calls = std::vector<std::pair<VstInt32, VstInt32>>;
  EXPECT_EQ(EditCalls(host), (Calls{Begin(kParamSequence), Automate(kParamSequence), End(kParamSequence)}));
  // The switch's new frame is on screen after the next tick.
  const IArea sw{kSwitchX, kSwitchY, kSwitchX + kSwitchWidth, kSwitchY + kSwitchHeight};
  EXPECT_TRUE(IdleUntil(host, [&] { return WindowRgb(WindowOf(host), sw)[0] >> 16 == 240u; }));
  EXPECT_EQ(WindowRgb(WindowOf(host), sw), SurfaceRgb(EditorOf(host), sw));
}

TEST_F(EditorWindow, ADoubleClickReturnsTheKnobToItsDefault)
{
  SetParam(host, kParamMix, 0.6f);
  OpenAndPaint(host, parent);
  host.calls.clear();
  MoveTo(kKnobMixX + kKnobSide / 2, kKnobY + kKnobSide / 2);
  Click(Button1);
  Click(Button1);
  ASSERT_TRUE(IdleUntilEnds(host, 2));
  EXPECT_EQ(ParamOf(host, kParamMix), 0.0f);
  EXPECT_EQ(LastAutomated(host), 0.0f);
  using Calls = std::vector<std::pair<VstInt32, VstInt32>>;
  EXPECT_EQ(EditCalls(host),
            (Calls{Begin(kParamMix), End(kParamMix), Begin(kParamMix), Automate(kParamMix), End(kParamMix)}));
}

TEST_F(EditorWindow, SlowOrDistantSecondClicksAreNoDoubleClick)
{
  SetParam(host, kParamMix, 0.6f);
  OpenAndPaint(host, parent);
  const int x = kKnobMixX + kKnobSide / 2, y = kKnobY + kKnobSide / 2;
  MoveTo(x, y);
  Click(Button1);
  // The server holds the second press back past the double-click time.
  Click(Button1, kDoubleClickMilliseconds + 50);
  MoveTo(x + kDoubleClickSlop + 2, y);
  Click(Button1);
  ASSERT_TRUE(IdleUntilEnds(host, 3));
  EXPECT_NEAR(ParamOf(host, kParamMix), 0.6, 1e-6);
  EXPECT_EQ(CountOf(host, audioMasterAutomate), 0);
}

TEST_F(EditorWindow, KeysTheEditorDoesNotTakeGoOnToTheHostsWindow)
{
  std::vector<int> offered;
  EditorOf(host)->SetKeyCatcher(new KeyRecorder(PlugOf(host), &offered));
  OpenAndPaint(host, parent);
  // A click gives the editor the keyboard focus.
  MoveTo(kEmptyX, kEmptyY);
  Click(Button1);
  ASSERT_TRUE(IdleUntil(host, [&] {
    Window focus;
    int revert;
    XGetInputFocus(display, &focus, &revert);
    return focus == WindowOf(host);
  }));
  KeysAt(display, parent);
  for (KeySym k : {XK_a, XK_q, XK_F1}) {
    Key(k, true);
    Key(k, false);
  }
  ASSERT_TRUE(IdleUntil(host, [&] { return offered.size() >= 2; }));
  IdleFor(host, 50);
  EXPECT_EQ(offered, (std::vector<int>{kKeyLetterA, kKeyLetterA + 16}));
  const std::vector<std::pair<int, KeySym>> want = {
      {KeyRelease, XK_a}, {KeyPress, XK_q}, {KeyRelease, XK_q}, {KeyPress, XK_F1}, {KeyRelease, XK_F1}};
  EXPECT_EQ(KeysAt(display, parent), want);
  EXPECT_EQ(gHostErrors, 0);
}

TEST_F(EditorWindow, IndicatorsRepaintFromProcessingBetweenIdleCalls)
{
  OpenAndPaint(host, parent);
  const IArea meters{kReductionX, kMeterY, kGateX + kMeterWidth, kMeterY + kMeterHeight};
  const std::vector<uint32_t> before = WindowRgb(WindowOf(host), meters);
  // Loud input with the envelope at full intensity, long enough for the
  // gate to turn: both indicators move.
  SetParam(host, kParamIntensity, 1.0f);
  std::vector<float> in(4096), out(4096);
  for (size_t i = 0; i < in.size(); ++i) in[i] = (i / 50) % 2 ? 0.9f : -0.9f;
  float* inputs[2] = {in.data(), in.data()};
  float* outputs[2] = {out.data(), out.data()};
  for (int block = 0; block < 8; ++block) {
    host.Effect()->processReplacing(host.Effect(), inputs, outputs, static_cast<VstInt32>(in.size()));
  }
  const long presented = EditorOf(host)->PresentCount();
  ASSERT_TRUE(IdleUntil(host, [&] { return EditorOf(host)->PresentCount() > presented; }));
  const std::vector<uint32_t> after = WindowRgb(WindowOf(host), meters);
  EXPECT_NE(after, before);
  EXPECT_EQ(after, SurfaceRgb(EditorOf(host), meters));
}

TEST_F(EditorWindow, AnEditorWithNothingDirtyDrawsNothing)
{
  OpenAndPaint(host, parent);
  IdleFor(host, 100);
  const long presented = EditorOf(host)->PresentCount();
  // Six ticks' worth of idle calls.
  IdleFor(host, 240);
  EXPECT_EQ(EditorOf(host)->PresentCount(), presented);
  // A value change repaints, and then the editor is quiet again.
  SetParam(host, kParamQ, 0.9f);
  IdleFor(host, 240);
  const long afterChange = EditorOf(host)->PresentCount();
  EXPECT_GT(afterChange, presented);
  IdleFor(host, 240);
  EXPECT_EQ(EditorOf(host)->PresentCount(), afterChange);
}

TEST_F(EditorWindow, IdleWorkRunsWithoutTheInstanceLock)
{
  OpenAndPaint(host, parent);
  SetParam(host, kParamQ, 0.5f);
  std::mutex m;
  std::condition_variable cv;
  bool held = false, painted = false, paintedWhileHeld = false;
  // The audio thread in the middle of a long block.
  std::thread audio([&] {
    ILockGuard lock(PlugOf(host)->Lock());
    std::unique_lock<std::mutex> g(m);
    held = true;
    cv.notify_all();
    paintedWhileHeld = cv.wait_for(g, std::chrono::seconds(10), [&] { return painted; });
  });
  {
    std::unique_lock<std::mutex> g(m);
    cv.wait(g, [&] { return held; });
  }
  const long presented = EditorOf(host)->PresentCount();
  const bool repainted = IdleUntil(host, [&] { return EditorOf(host)->PresentCount() > presented; });
  {
    std::lock_guard<std::mutex> g(m);
    painted = true;
  }
  cv.notify_all();
  audio.join();
  EXPECT_TRUE(repainted);
  EXPECT_TRUE(paintedWhileHeld);
}

TEST_F(EditorWindow, ClosingInTheMiddleOfADragEndsTheEdit)
{
  OpenAndPaint(host, parent);
  host.calls.clear();
  MoveTo(kKnobQX + kKnobSide / 2, kKnobY + kKnobSide / 2);
  Button(Button1, true);
  MoveTo(kKnobQX + kKnobSide / 2, kKnobY);
  ASSERT_TRUE(IdleUntil(host, [&] { return CountOf(host, audioMasterAutomate) > 0; }));
  host.Dispatch(effEditClose);
  Button(Button1, false);
  using Calls = std::vector<std::pair<VstInt32, VstInt32>>;
  EXPECT_EQ(Gestures(host), (Calls{Begin(kParamQ), Automate(kParamQ), End(kParamQ)}));
}

TEST_F(EditorWindow, HiddenCursorComesBackWhereItWas)
{
  OpenAndPaint(host, parent);
  int event, error;
  ASSERT_TRUE(XFixesQueryExtension(display, &event, &error));
  auto cursorVisible = [&] {
    XFixesCursorImage* c = XFixesGetCursorImage(display);
    bool visible = false;
    for (int i = 0; c && i < c->width * c->height; ++i) visible |= (c->pixels[i] >> 24) != 0;
    if (c) XFree(c);
    return visible;
  };
  auto pointerAt = [&](int x, int y) {
    Window root, child;
    int rx, ry, wx, wy;
    unsigned int mask;
    XQueryPointer(display, parent, &root, &child, &rx, &ry, &wx, &wy, &mask);
    return rx == x && ry == y;
  };
  MoveTo(60, 70);
  IdleFor(host, 20);
  ASSERT_TRUE(cursorVisible());
  // The editor talks to the server over its own connection, so its requests
  // reach the server in their own time: wait for their effect.
  EditorOf(host)->HideCursor();
  EXPECT_TRUE(IdleUntil(host, [&] { return !cursorVisible(); }));
  MoveTo(200, 100);
  EditorOf(host)->RestoreCursor();
  EXPECT_TRUE(IdleUntil(host, [&] { return cursorVisible() && pointerAt(60, 70); }));
}

TEST_F(EditorWindow, ADestroyedParentLeavesNothingBehind)
{
  OpenAndPaint(host, parent);
  DestroyParent(parent);
  ASSERT_TRUE(IdleUntil(host, [&] { return EditorOf(host)->NativeWindow() == nullptr; }));
  EXPECT_FALSE(EditorOf(host)->IsOpen());
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
  // And it opens again in a new window.
  OpenAndPaint(host, MakeParent(kEditorWidth, kEditorHeight));
  EXPECT_EQ(gHostErrors, 0);
  EXPECT_EQ(CurrentErrorHandler(), HostErrorHandler);
}

TEST_F(EditorWindow, ALostConnectionLeavesTheHostRunning)
{
  OpenAndPaint(host, parent);
  shutdown(EditorOf(host)->ConnectionFd(), SHUT_RDWR);
  SetParam(host, kParamQ, 0.2f);
  IdleFor(host, 100);
  EXPECT_TRUE(EditorOf(host)->ConnectionLost());
  EXPECT_EQ(EditorOf(host)->NativeWindow(), nullptr);
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
  OpenAndPaint(host, parent);
  EXPECT_FALSE(EditorOf(host)->ConnectionLost());
}

TEST_F(EditorWindow, RefusesToOpenWithoutADisplayOrAParent)
{
  const std::string saved = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  unsetenv("DISPLAY");
  EXPECT_EQ(Open(host, parent), 0);
  setenv("DISPLAY", saved.c_str(), 1);
  EXPECT_EQ(Open(host, 0), 0);
  // A window id nobody made.
  EXPECT_EQ(Open(host, 0x3FFFFFu), 0);
  EXPECT_EQ(host.Dispatch(effEditClose), 1);
  EXPECT_EQ(gHostErrors, 0);
  EXPECT_EQ(CurrentErrorHandler(), HostErrorHandler);
  OpenAndPaint(host, parent);
}

TEST_F(EditorWindow, OpeningTwiceKeepsOneWindowAtItsPlace)
{
  const Window wide = MakeParent(kEditorWidth + 100, kEditorHeight + 50);
  OpenAndPaint(host, wide);
  XMoveWindow(display, WindowOf(host), 40, 30);
  XSync(display, False);
  IdleFor(host, 20);
  OpenAndPaint(host, wide);
  Window root, parentBack, *children = nullptr;
  unsigned int count = 0;
  ASSERT_TRUE(XQueryTree(display, wide, &root, &parentBack, &children, &count));
  if (children) XFree(children);
  EXPECT_EQ(count, 1u);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(display, WindowOf(host), &a));
  EXPECT_EQ(a.x, 40);
  EXPECT_EQ(a.y, 30);
}

TEST_F(EditorWindow, ADeepParentGetsAnOpaqueWindowOfItsOwnDepth)
{
  XVisualInfo deep;
  if (!XMatchVisualInfo(display, DefaultScreen(display), 32, TrueColor, &deep)) {
    GTEST_SKIP() << "the X server has no 32-bit visual";
  }
  const Window w = MakeParent(kEditorWidth, kEditorHeight, deep.visual, 32);
  OpenAndPaint(host, w);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(display, WindowOf(host), &a));
  EXPECT_EQ(a.depth, 32);
  const IArea all{0, 0, kEditorWidth, kEditorHeight};
  XImage* image = XGetImage(display, WindowOf(host), 0, 0, kEditorWidth, kEditorHeight, AllPlanes, ZPixmap);
  ASSERT_TRUE(image);
  std::vector<uint32_t> rgb;
  int translucent = 0;
  for (int y = 0; y < kEditorHeight; ++y) {
    for (int x = 0; x < kEditorWidth; ++x) {
      const uint32_t p = static_cast<uint32_t>(XGetPixel(image, x, y));
      translucent += (p >> 24) != 0xFF;
      rgb.push_back(p & 0xFFFFFFu);
    }
  }
  XDestroyImage(image);
  EXPECT_EQ(translucent, 0);
  EXPECT_TRUE(rgb == SurfaceRgb(EditorOf(host), all));
}

TEST_F(EditorWindow, AParentOfAnotherVisualClassGetsATrueColorChild)
{
  XVisualInfo direct;
  if (!XMatchVisualInfo(display, DefaultScreen(display), 24, DirectColor, &direct)) {
    GTEST_SKIP() << "the X server has no DirectColor visual";
  }
  const Window w = MakeParent(kEditorWidth, kEditorHeight, direct.visual, 24);
  OpenAndPaint(host, w);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(display, WindowOf(host), &a));
  EXPECT_EQ(a.visual->c_class, TrueColor);
  const IArea all{0, 0, kEditorWidth, kEditorHeight};
  EXPECT_TRUE(WindowRgb(WindowOf(host), all) == SurfaceRgb(EditorOf(host), all));
  EXPECT_EQ(gHostErrors, 0);
}

TEST_F(EditorWindow, ResizingGrowsTheWindowAndTheHostsWindowAlike)
{
  OpenAndPaint(host, parent);
  EditorOf(host)->SetEditorSize(kEditorWidth + 20, kEditorHeight + 10);
  auto sizedUp = [&](Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(display, w, &a) && a.width == kEditorWidth + 20 && a.height == kEditorHeight + 10;
  };
  // The editor resizes over its own connection: wait for the server to apply it.
  EXPECT_TRUE(IdleUntil(host, [&] { return sizedUp(WindowOf(host)) && sizedUp(parent); }));
  ERect* rect = nullptr;
  ASSERT_EQ(host.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  EXPECT_EQ(rect->right, kEditorWidth + 20);
}

TEST_F(EditorWindow, WindowServicesAnswerTheirFailureResults)
{
  OpenAndPaint(host, parent);
  IGraphics* g = EditorOf(host);
  IGrowString text;
  text.Set("x");
  EXPECT_FALSE(g->ReadClipboardText(&text));
  EXPECT_STREQ(text.Get(), "");
  IRgba colour;
  EXPECT_FALSE(g->ChooseColour(&colour, "Colour"));
  text.Set("name");
  IGrowString folder;
  g->ChooseFile(&text, 1, &folder, "png");
  EXPECT_STREQ(text.Get(), "");
  PopupMenuSpec menu;
  menu.AddItem("one", 0);
  EXPECT_EQ(g->RunPopupMenu(&menu, IArea{0, 0, 10, 10}), nullptr);
  EXPECT_FALSE(g->OpenWebPage("https://example.invalid", "t", nullptr, nullptr));
  EXPECT_EQ(g->ShowMessage("text", "caption", 0), 0);
}

TEST_F(EditorWindow, HundredsOfOpensAndClosesAcrossTwoInstancesLeaveNothingBehind)
{
  HostedPlugin second;
  ASSERT_TRUE(second.Attach(EntryWithEditor)) << second.Error();
  second.Open(44100.0, 512);
  Window parentA = parent;
  const Window parentB = MakeParent(kEditorWidth, kEditorHeight);
  auto round = [&](int i) {
    ASSERT_EQ(Open(host, parentA), 1);
    ASSERT_EQ(Open(second, parentB), 1);
    host.Dispatch(effEditIdle);
    second.Dispatch(effEditIdle);
    if (i % 5 == 0 || i % 5 == 2) {
      // The host tears its window down before telling the editor, with or
      // without an idle call in between.
      DestroyParent(parentA);
      if (i % 5 == 0) host.Dispatch(effEditIdle);
      parentA = MakeParent(kEditorWidth, kEditorHeight);
    }
    if (i % 7 == 0) {
      ASSERT_EQ(Open(second, parentB), 1);  // reopened while open
    }
    ASSERT_EQ(host.Dispatch(effEditClose), 1);
    ASSERT_EQ(second.Dispatch(effEditClose), 1);
  };
  for (int i = 0; i < 10; ++i) round(i);
  const int files = OpenFileCount();
  const size_t heap = mallinfo2().uordblks;
  for (int i = 10; i < 310; ++i) {
    round(i);
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(OpenFileCount(), files);
  // The sanitizer build checks for leaks at exit instead.
  if (!kSanitized) {
    EXPECT_LT(mallinfo2().uordblks, heap + 64 * 1024);
  }
  EXPECT_EQ(gHostErrors, 0);
  EXPECT_EQ(CurrentErrorHandler(), HostErrorHandler);
  OpenAndPaint(host, parentA);
  OpenAndPaint(second, parentB);
}

TEST_F(EditorWindow, ClosingTheInstanceWithItsEditorOpenLeavesNothingBehind)
{
  // The host ends each instance (effClose) while its editor is open, with no
  // effEditClose before: the editor's window and connection go with it.
  auto childrenOf = [&](Window w) {
    Window root, up, *children = nullptr;
    unsigned int count = 0;
    XSync(display, False);
    if (!XQueryTree(display, w, &root, &up, &children, &count)) return -1;
    if (children) XFree(children);
    return static_cast<int>(count);
  };
  auto round = [&] {
    HostedPlugin other;
    ASSERT_TRUE(other.Attach(EntryWithEditor)) << other.Error();
    other.Open(44100.0, 512);
    OpenAndPaint(other, parent);
    ASSERT_EQ(childrenOf(parent), 1);
    other.Close();
    // The server takes the window down once it sees the connection end.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMilliseconds);
    while (childrenOf(parent) != 0 && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_EQ(childrenOf(parent), 0);
  };
  round();
  const int files = OpenFileCount();
  const struct mallinfo2 before = mallinfo2();
  for (int i = 0; i < 30 && !HasFatalFailure(); ++i) round();
  EXPECT_EQ(OpenFileCount(), files);
  if (!kSanitized) {
    const struct mallinfo2 after = mallinfo2();
    EXPECT_LT(after.uordblks + after.hblkhd, before.uordblks + before.hblkhd + 64 * 1024);
  }
  EXPECT_EQ(gHostErrors, 0);
  // The instance the fixture holds still opens its editor in the same window.
  OpenAndPaint(host, parent);
}
