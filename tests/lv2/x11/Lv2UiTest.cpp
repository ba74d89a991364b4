// The LV2 UI in a test host (the host tool's LV2 hosting, under an X
// server): it shows what the VST2 module's editor shows, pixel for pixel,
// for the same values and indicators; a drag on a knob reaches the host as
// port writes inside a gesture.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <png.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "plugin/EffectParams.h"
#include "plugin/VexaEditor.h"
#include "tools/HostedPlugin.h"
#include "tools/Snapshot.h"
#include "tools/x11/EditorFrameX11.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 512;
// The Mix knob's centre in the editor (its film strip is 67 x 72).
constexpr int kMixX = 563 + 33, kMixY = 62 + 36;
constexpr int kDragPixels = 100;
constexpr int kDragSteps = 10;
constexpr int kIdleMilliseconds = 20;

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
  Display* display = XOpenDisplay(nullptr);
  ASSERT_NE(display, nullptr);
  EditorFrameX11 frame;
  ASSERT_TRUE(frame.Create(0, 0)) << frame.Error();
  ASSERT_TRUE(frame.Open(lv2.Effect())) << frame.Error();
  ASSERT_TRUE(frame.IdleUntilShown());
  frame.Idle(kIdleMilliseconds);
  lv2.calls.clear();

  XTestFakeMotionEvent(display, -1, kMixX, kMixY, CurrentTime);
  XTestFakeButtonEvent(display, Button1, True, CurrentTime);
  XSync(display, False);
  frame.Idle(kIdleMilliseconds);
  for (int s = 1; s <= kDragSteps; ++s) {
    XTestFakeMotionEvent(display, -1, kMixX, kMixY - s * kDragPixels / kDragSteps, CurrentTime);
    XSync(display, False);
    frame.Idle(kIdleMilliseconds);
  }
  XTestFakeButtonEvent(display, Button1, False, CurrentTime);
  XSync(display, False);
  frame.Idle(kIdleMilliseconds * 5);
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
