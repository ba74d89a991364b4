// Vexa's editor as a host and a musician meet it: the controls and their
// places, what the drawn editor shows for the parameters' values, the switch
// and the pitch knob under the pointer, and the two indicators following the
// processing. The editor here has no window; its drawing surface is checked
// against pictures composed independently from the embedded images.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/BitmapControls.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLookup.h"
#include "plugin/Vexa.h"
#include "plugin/VexaEditor.h"
#include "raster/Bitmap.h"
#include "raster/Blit.h"
#include "tests/plugin/VexaPlaces.h"

namespace {

constexpr double kSampleRate = 44100.0;
constexpr int kMaxBlock = 512;
// 10 ms blocks: the gate's timing is quantised to whole blocks.
constexpr int kBlock = 441;
constexpr double kBlockSeconds = kBlock / kSampleRate;

IArea AreaOf(const Place& p) { return IArea{p.x, p.y, p.x + p.width, p.y + p.height}; }

// The calls the instance made into the host.
struct HostCallRecord
{
  VstInt32 opcode;
  VstInt32 index;
  float opt;
};
std::vector<HostCallRecord> gHostCalls;

VstIntPtr RecordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
  if (opcode == audioMasterVersion) return 2400;
  if (opcode == audioMasterBeginEdit || opcode == audioMasterAutomate || opcode == audioMasterEndEdit) {
    gHostCalls.push_back({opcode, index, opt});
  }
  return 0;
}

IGraphics* MakeWindowless(IPlugBase* plug, int width, int height, int frameRate)
{
  return new IGraphics(plug, width, height, frameRate);
}
IGraphics* MakeNothing(IPlugBase*, int, int, int) { return nullptr; }

void BuildWindowless(Vexa& plug) { EXPECT_TRUE(BuildVexaEditor(plug, MakeWindowless)); }
void BuildWithoutMaker(Vexa& plug) { EXPECT_FALSE(BuildVexaEditor(plug, MakeNothing)); }

// One instance as a host holds it: through its AEffect record.
struct Instance
{
  explicit Instance(VexaEditorFactory factory = BuildWindowless)
    : vexa(new Vexa(RecordingHost, factory)), effect(vexa->Effect())
  {
    gHostCalls.clear();
  }
  ~Instance() { Dispatch(effClose); }
  Instance(const Instance&) = delete;
  Instance& operator=(const Instance&) = delete;

  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
  {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
  }
  void Open()
  {
    Dispatch(effOpen);
    Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(kSampleRate));
    Dispatch(effSetBlockSize, 0, kMaxBlock);
    Dispatch(effMainsChanged, 0, 1);
  }
  void SetParam(int index, float normalized) { effect->setParameter(effect, index, normalized); }
  // One block with the same sample on both input channels.
  void ProcessBlock(float level)
  {
    std::vector<float> inL(kBlock, level), inR(kBlock, level), outL(kBlock), outR(kBlock);
    float* in[2] = {inL.data(), inR.data()};
    float* out[2] = {outL.data(), outR.data()};
    effect->processReplacing(effect, in, out, kBlock);
  }
  void Process(double seconds, float level)
  {
    for (double t = 0.0; t < seconds; t += kBlockSeconds) ProcessBlock(level);
  }

  IGraphics* Editor() const { return static_cast<IGraphics*>(vexa->Editor()); }
  double ControlValue(int index) const { return Editor()->ControlAt(index)->Value(); }

  Vexa* vexa;  // deleted by effClose
  AEffect* effect;
};

// The embedded image resourceId, decoded once for the whole test program.
LICE_IBitmap* Image(int resourceId)
{
  static std::map<int, std::unique_ptr<LICE_MemBitmap>> images;
  std::unique_ptr<LICE_MemBitmap>& image = images[resourceId];
  if (!image) image.reset(LoadEmbeddedPng(nullptr, resourceId, "image.png"));
  return image.get();
}

// Frame (from 0) each control shows.
using Frames = std::vector<int>;

// The editor's picture inside area as it should be drawn: the background
// copied, then the chosen frame of every control's strip over it with the
// strip's alpha, in list order.
std::unique_ptr<LICE_MemBitmap> Compose(const IArea& area, const Frames& frames)
{
  std::unique_ptr<LICE_MemBitmap> out(new LICE_MemBitmap(area.Width(), area.Height()));
  for (int i = 0; i < kNumVexaControls; ++i) {
    const Place& p = kPlaces[i];
    const LICE_Rect frame = {0, frames[i] * p.height, p.width, (frames[i] + 1) * p.height};
    BlitBitmap(out.get(), Image(p.resourceId), p.x - area.left, p.y - area.top, &frame, 1.0f,
               i == kControlBackground ? 0 : SourceAlphaFlag);
  }
  return out;
}

bool SameAsSurface(IGraphics* editor, const IArea& area, LICE_IBitmap* picture)
{
  LICE_IBitmap* s = editor->Surface();
  for (int y = 0; y < area.Height(); ++y) {
    for (int x = 0; x < area.Width(); ++x) {
      if (s->Pixels()[(area.top + y) * s->Stride() + area.left + x] != picture->Pixels()[y * picture->Stride() + x]) {
        return false;
      }
    }
  }
  return true;
}

const IArea kEditorArea = {0, 0, kVexaEditorWidth, kVexaEditorHeight};

// Which frame of control's strip the drawn surface shows, the others showing
// frames: the only frame whose picture matches; -1 when none matches, -2 when
// several do.
int ShownFrame(IGraphics* editor, int control, Frames frames)
{
  const IArea area = AreaOf(kPlaces[control]).Intersect(kEditorArea);
  int found = -1;
  for (int k = 0; k < kPlaces[control].frames; ++k) {
    frames[control] = k;
    if (!SameAsSurface(editor, area, Compose(area, frames).get())) continue;
    if (found >= 0) return -2;
    found = k;
  }
  return found;
}

// The frame a film strip of n frames shows for a normalized value.
int FrameFor(int n, double normalized) { return static_cast<int>((n - 1) * normalized + 0.5); }

// The frames right after construction, from the parameters' defaults.
Frames DefaultFrames(Vexa* vexa)
{
  Frames f(kNumVexaControls, 0);
  for (int i = 0; i < kNumVexaControls; ++i) {
    if (kPlaces[i].param >= 0) f[i] = FrameFor(kPlaces[i].frames, vexa->ParameterAt(kPlaces[i].param)->ToNormalized());
  }
  return f;
}

void DrawAll(IGraphics* editor) { editor->RedrawArea(kEditorArea); }

}  // namespace

TEST(VexaEditorLayout, TwelveControlsInPlaceBoundToTheirParameters)
{
  Instance in;
  IGraphics* editor = in.Editor();
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(editor->ControlCount(), kNumVexaControls);
  EXPECT_EQ(editor->Width(), 764);
  EXPECT_EQ(editor->Height(), 222);
  EXPECT_EQ(editor->FrameRate(), 25);
  for (int i = 0; i < kNumVexaControls; ++i) {
    const IControl* c = editor->ControlAt(i);
    EXPECT_EQ(c->DrawArea(), AreaOf(kPlaces[i])) << "control " << i;
    EXPECT_EQ(c->ParamIndex(), kPlaces[i].param) << "control " << i;
  }
  EXPECT_EQ(editor->ControlAt(kControlBackground)->Blend().kind, kBlendCopy);
  for (int i = kControlQ; i <= kControlPitch; ++i) {
    const IKnobMultiControl* knob = dynamic_cast<const IKnobMultiControl*>(editor->ControlAt(i));
    ASSERT_NE(knob, nullptr) << "control " << i;
    EXPECT_EQ(knob->Direction(), kKnobVertical);
    EXPECT_EQ(knob->Gearing(), 4.0);
  }
  EXPECT_NE(dynamic_cast<const ISwitchControl*>(editor->ControlAt(kControlSequence)), nullptr);
}

TEST(VexaEditorLayout, IndicatorsAreTheLastTwoControlsAndBoundToNoParameter)
{
  Instance in;
  for (int i : {10, 11}) {
    const IBitmapControl* led = dynamic_cast<const IBitmapControl*>(in.Editor()->ControlAt(i));
    ASSERT_NE(led, nullptr) << "control " << i;
    EXPECT_EQ(dynamic_cast<const ISwitchControl*>(led), nullptr);
    EXPECT_EQ(led->ParamIndex(), -1);
    EXPECT_EQ(led->Strip().frames, 61);
    EXPECT_EQ(led->Strip().width, 30);
    EXPECT_EQ(led->Strip().height, 61 * 30);
  }
  EXPECT_EQ(kControlReductionIndicator, 10);
  EXPECT_EQ(kControlGateIndicator, 11);
}

TEST(VexaEditorHost, RecordAdvertisesTheEditorAndItsRectangle)
{
  Instance in;
  EXPECT_EQ((in.effect->flags & effFlagsHasEditor) != 0, IPlugVST::PlatformHasEditorWindow());
  ERect* rect = nullptr;
  ASSERT_EQ(in.Dispatch(effEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 222);
  EXPECT_EQ(rect->right, 764);
}

TEST(VexaEditorHost, WithoutAnEditorObjectTheEffectRunsWithoutEditor)
{
  Instance in(BuildWithoutMaker);
  EXPECT_EQ(in.vexa->Editor(), nullptr);
  EXPECT_EQ(in.effect->flags & effFlagsHasEditor, 0);
  ERect* rect = nullptr;
  EXPECT_EQ(in.Dispatch(effEditGetRect, 0, 0, &rect), 0);
  EXPECT_FALSE(BuildVexaEditor(*in.vexa, nullptr));
  EXPECT_EQ(in.vexa->Editor(), nullptr);
  in.Open();
  in.ProcessBlock(0.5f);  // no indicators to hand values to
}

TEST(VexaEditorPicture, EveryControlShowsTheFrameOfItsDefault)
{
  Instance in;
  for (int i = 0; i < kNumVexaControls; ++i) ASSERT_NE(Image(kPlaces[i].resourceId), nullptr) << "image " << i;
  DrawAll(in.Editor());
  const Frames defaults = DefaultFrames(in.vexa);
  EXPECT_EQ(defaults[kControlFrequency], 60) << "Frequency starts at the top of its range";
  EXPECT_EQ(defaults[kControlOutput], 30) << "0 dB is the middle of -12..12";
  EXPECT_EQ(defaults[kControlPitch], 12);
  EXPECT_EQ(defaults[kControlSequence], 0);
  for (int i = kControlQ; i < kNumVexaControls; ++i) {
    EXPECT_EQ(ShownFrame(in.Editor(), i, defaults), defaults[i]) << "control " << i;
  }
  EXPECT_TRUE(SameAsSurface(in.Editor(), kEditorArea, Compose(kEditorArea, defaults).get()))
    << "the whole editor, background included";
}

TEST(VexaEditorPicture, HostParameterChangesShowOnTheKnobs)
{
  Instance in;
  in.Open();
  in.SetParam(kParamFrequency, 0.0f);
  in.SetParam(kParamMix, 0.5f);
  ASSERT_TRUE(in.Editor()->RedrawDirty());
  Frames expected = DefaultFrames(in.vexa);
  EXPECT_EQ(expected[kControlFrequency], 0);
  EXPECT_EQ(expected[kControlMix], 30);
  for (int i : {kControlFrequency, kControlMix, kControlQ}) {
    EXPECT_EQ(ShownFrame(in.Editor(), i, expected), expected[i]) << "control " << i;
  }
}

TEST(VexaEditorInput, ClickingTheSwitchTogglesSequenceAndTellsTheHost)
{
  Instance in;
  in.Open();
  DrawAll(in.Editor());
  const Frames defaults = DefaultFrames(in.vexa);
  IMouseMods left;
  left.left = true;
  // Left of the gate indicator, which covers the switch's right end.
  const int x = 40, y = 207;
  for (double expected : {1.0, 0.0}) {
    gHostCalls.clear();
    in.Editor()->RouteMouseDown(x, y, left);
    in.Editor()->RouteMouseUp(x, y, left);
    EXPECT_EQ(in.vexa->ParameterAt(kParamSequence)->Value(), expected);
    EXPECT_EQ(in.effect->getParameter(in.effect, kParamSequence), static_cast<float>(expected));
    ASSERT_EQ(gHostCalls.size(), 3u);
    EXPECT_EQ(gHostCalls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(gHostCalls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(gHostCalls[1].opt, static_cast<float>(expected));
    EXPECT_EQ(gHostCalls[2].opcode, audioMasterEndEdit);
    for (const HostCallRecord& c : gHostCalls) EXPECT_EQ(c.index, kParamSequence);
    ASSERT_TRUE(in.Editor()->RedrawDirty());
    EXPECT_EQ(ShownFrame(in.Editor(), kControlSequence, defaults), static_cast<int>(expected));
  }
}

TEST(VexaEditorInput, DraggingThePitchKnobWalksEverySemitoneFrameByFrame)
{
  Instance in;
  in.Open();
  IGraphics* editor = in.Editor();
  DrawAll(editor);
  const Frames defaults = DefaultFrames(in.vexa);
  const IParameter* pitch = in.vexa->ParameterAt(kParamPitch);
  IMouseMods left;
  left.left = true;
  int x = 412, y = 208;
  editor->RouteMouseDown(x, y, left);
  // Down to the bottom of the range, then up pixel by pixel to its top.
  while (pitch->Value() > -12.0 && y < 1000) editor->RouteMouseDrag(x, ++y, left);
  ASSERT_EQ(pitch->Value(), -12.0);
  ASSERT_TRUE(editor->RedrawDirty());
  ASSERT_EQ(ShownFrame(editor, kControlPitch, defaults), 0);
  std::vector<int> walked = {0};
  while (pitch->Value() < 12.0 && y > -1000) {
    editor->RouteMouseDrag(x, --y, left);
    editor->RedrawDirty();
    const int shown = ShownFrame(editor, kControlPitch, defaults);
    ASSERT_EQ(shown, std::lround(pitch->Value()) + 12) << "the nearest semitone to the parameter, y " << y;
    if (shown != walked.back()) walked.push_back(shown);
  }
  editor->RouteMouseUp(x, y, left);
  std::vector<int> everySemitone;
  for (int k = 0; k <= 24; ++k) everySemitone.push_back(k);
  EXPECT_EQ(walked, everySemitone);
  EXPECT_EQ(pitch->Value(), 12.0);
  EXPECT_EQ(gHostCalls.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(gHostCalls.back().opcode, audioMasterEndEdit);
}

TEST(VexaEditorIndicators, LoudInputWithHighIntensityLightsTheEnvelopeIndicator)
{
  Instance in;
  in.Open();
  IGraphics* editor = in.Editor();
  Frames frames = DefaultFrames(in.vexa);
  // The indicator starts full and settles in silence.
  in.Process(1.0, 0.0f);
  EXPECT_LT(in.ControlValue(kControlReductionIndicator), 0.02);
  // Loud, but below the threshold while Intensity is 0: no reduction.
  in.Process(0.5, 0.45f);
  EXPECT_LT(in.ControlValue(kControlReductionIndicator), 0.02);
  DrawAll(editor);
  EXPECT_LE(ShownFrame(editor, kControlReductionIndicator, frames), 1);

  in.SetParam(kParamIntensity, 1.0f);
  frames[kControlIntensity] = 60;
  in.Process(0.5, 0.45f);
  EXPECT_GT(in.ControlValue(kControlReductionIndicator), 0.9);
  ASSERT_TRUE(editor->RedrawDirty());
  EXPECT_GE(ShownFrame(editor, kControlReductionIndicator, frames), 54);
}

TEST(VexaEditorIndicators, GateIndicatorFollowsTheSequenceRhythm)
{
  Instance in;
  in.Open();
  IGraphics* editor = in.Editor();
  // Release 0.3 s: the gate first opens at 0.5 s, then stays open for 0.3 s
  // and closed for 0.1 s, over and over.
  const double release = 0.3;
  in.SetParam(kParamRelease, static_cast<float>((release - 0.05) / 0.45));
  in.SetParam(kParamSequence, 1.0f);
  Frames frames = DefaultFrames(in.vexa);
  const double firstOpen = release + 0.2, period = release + 0.1;
  const int cycles = 3;
  const int blocks = static_cast<int>((firstOpen + cycles * period) / kBlockSeconds + 0.5);
  std::vector<double> value = {in.ControlValue(kControlGateIndicator)};
  std::vector<int> shown = {0};
  for (int b = 1; b <= blocks; ++b) {
    in.ProcessBlock(0.0f);
    value.push_back(in.ControlValue(kControlGateIndicator));
    editor->RedrawDirty();
    shown.push_back(ShownFrame(editor, kControlGateIndicator, frames));
    ASSERT_EQ(shown.back(), FrameFor(61, value.back())) << "block " << b;
  }
  // Block b ends at b * 10 ms; one block of slack either side of each edge.
  auto block = [](double seconds) { return static_cast<int>(seconds / kBlockSeconds + 0.5); };
  // Before the first block the control still holds 0, its value before any
  // hand-over.
  for (int b = 2; b < block(firstOpen) - 1; ++b) EXPECT_LT(value[b], value[b - 1]) << "closed at first, block " << b;
  for (int n = 0; n < cycles; ++n) {
    const double open = firstOpen + n * period, close = open + release, reopen = open + period;
    for (int b = block(open) + 1; b < block(open + 0.2); ++b) EXPECT_GT(value[b], value[b - 1]) << "open, block " << b;
    for (int b = block(close) + 1; b < block(reopen) - 1; ++b) EXPECT_LT(value[b], value[b - 1]) << "closed, block " << b;
    EXPECT_GE(shown[block(close) - 1], 55) << "lit at the end of open phase " << n;
    EXPECT_LE(shown[block(reopen) - 1], 20) << "dark at the end of closed phase " << n;
  }
}
