// The editor core: binding values to controls, which areas are repainted
// when, the pixels drawn, clipping, the shared bitmap cache, text
// measuring, attaching to the core and resizing, and what the window layers
// share (the tick period, growing the window with the editor).
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "raster/Blit.h"
#include "tests/graphics/EditorRig.h"

using rig::EditorRig;
using rig::FrameColour;
using rig::MakeStrip;
using rig::RefOf;

namespace {

// Draws nothing; records how often it was asked and with which clip.
class ProbeControl : public IControl
{
public:
  ProbeControl(IPlugBase* plug, const IArea& area, int param = -1) : IControl(plug, area, param) {}
  bool Render(IGraphics* editor) override
  {
    ++renders;
    clip = editor->DrawClip();
    return true;
  }
  int renders = 0;
  IArea clip;
};

constexpr PixelValue kBackground = 0xFF204060u;
constexpr PixelValue kMarker = 0xFF0A0B0Cu;

std::unique_ptr<LICE_MemBitmap> Plain(int w, int h, PixelValue colour)
{
  std::unique_ptr<LICE_MemBitmap> b(new LICE_MemBitmap(w, h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b->Pixels()[y * b->Stride() + x] = colour;
  }
  return b;
}

void Fill(LICE_IBitmap* b, PixelValue colour)
{
  for (int y = 0; y < b->Height(); ++y) {
    for (int x = 0; x < b->Width(); ++x) b->Pixels()[y * b->Stride() + x] = colour;
  }
}

// A background and one film-strip knob on Frequency at (100, 50).
struct PictureRig : EditorRig
{
  PictureRig() : background(Plain(764, 222, kBackground)), strip(MakeStrip(10, 8, 61))
  {
    editor->AttachBackground(new IBitmapControl(plug, 0, 0, RefOf(background.get(), 1), kBlendCopy));
    knob = new IKnobMultiControl(plug, 100, 50, kParamFrequency, RefOf(strip.get(), 61));
    Add(knob);
    Attach();
  }
  std::unique_ptr<LICE_MemBitmap> background, strip;
  IKnobMultiControl* knob;
};

// Counts the images it decodes; makes a strip for ids it knows.
class CountingEditor : public rig::TestEditor
{
public:
  using TestEditor::TestEditor;
  LICE_IBitmap* LoadImageResource(int id, const char*) override
  {
    ++decodes;
    if (id != kKnownId) return nullptr;
    return MakeStrip(3, 2, 4).release();
  }
  static constexpr int kKnownId = 60001;
  static int decodes;
};
int CountingEditor::decodes = 0;

// A window layer without a window system: open or not as the test says,
// resizing as window layers do, recording its hooks.
class WindowedEditor : public rig::TestEditor
{
public:
  using TestEditor::TestEditor;
  void* NativeWindow() override { return open ? this : nullptr; }
  void SetEditorSize(int width, int height) override { ResizeWithFrames(width, height); }

  bool open = false;
  int beforeResizes = 0;
  std::vector<std::pair<int, int>> grown;
  int controlsBeforeResize = -1;

protected:
  void BeforeResize() override
  {
    ++beforeResizes;
    controlsBeforeResize = ControlCount();
  }
  void GrowFrames(int dw, int dh) override { grown.emplace_back(dw, dh); }
};

}  // namespace

TEST(RedrawTick, UnionOfDirtyAreasSkipsEmptyAreas)
{
  EditorRig r;
  ProbeControl* a = new ProbeControl(r.plug, IArea{10, 10, 20, 20});
  ProbeControl* empty = new ProbeControl(r.plug, IArea{});
  ProbeControl* b = new ProbeControl(r.plug, IArea{100, 5, 110, 15});
  ProbeControl* clean = new ProbeControl(r.plug, IArea{300, 100, 310, 110});
  for (IControl* c : {static_cast<IControl*>(empty), static_cast<IControl*>(a), static_cast<IControl*>(b),
                      static_cast<IControl*>(clean)}) {
    r.Add(c);
  }
  r.Attach();
  IArea area;
  ASSERT_TRUE(r.editor->RedrawArea(IArea{0, 0, 764, 222}));
  EXPECT_FALSE(r.editor->TickDirtyArea(&area));
  EXPECT_TRUE(area.IsEmpty());

  empty->MarkDirty(false);
  EXPECT_TRUE(r.editor->TickDirtyArea(&area)) << "a dirty control counts even without an area";
  EXPECT_TRUE(area.IsEmpty());
  a->MarkDirty(false);
  b->MarkDirty(false);
  EXPECT_TRUE(r.editor->TickDirtyArea(&area));
  EXPECT_EQ(area, (IArea{10, 5, 110, 20}));

  EXPECT_TRUE(r.editor->RedrawDirty());
  EXPECT_EQ(r.editor->presented.back(), (IArea{10, 5, 110, 20}));
  EXPECT_EQ(clean->renders, 1) << "outside the union: not drawn again";
  EXPECT_EQ(a->renders, 2);
  EXPECT_FALSE(r.editor->RedrawDirty());

  r.editor->MarkAllDirty();  // as a window does when it opens
  EXPECT_TRUE(r.editor->TickDirtyArea(&area));
  EXPECT_EQ(area, (IArea{10, 5, 310, 110}));
}

TEST(RedrawArea, DrawsVisibleOverlappingControlsAndCleansAll)
{
  EditorRig r;
  EXPECT_TRUE(r.editor->RedrawArea(IArea{0, 0, 10, 10}));
  EXPECT_TRUE(r.editor->presented.empty()) << "nothing is presented without controls";

  ProbeControl* inside = new ProbeControl(r.plug, IArea{0, 0, 10, 10});
  ProbeControl* touching = new ProbeControl(r.plug, IArea{20, 0, 30, 10});
  ProbeControl* away = new ProbeControl(r.plug, IArea{50, 50, 60, 60});
  ProbeControl* hidden = new ProbeControl(r.plug, IArea{0, 0, 10, 10});
  for (ProbeControl* c : {inside, touching, away, hidden}) r.Add(c);
  r.Attach();
  hidden->SetHidden(true);

  const IArea area{5, 5, 20, 20};
  EXPECT_TRUE(r.editor->RedrawArea(area));
  EXPECT_EQ(inside->renders, 1);
  EXPECT_EQ(inside->clip, area);
  EXPECT_EQ(touching->renders, 1) << "an edge shared with the area counts as overlap";
  EXPECT_EQ(away->renders, 0);
  EXPECT_EQ(hidden->renders, 0);
  ASSERT_EQ(r.editor->presented.size(), 1u);
  EXPECT_EQ(r.editor->presented[0], area);
  EXPECT_FALSE(away->NeedsRedraw()) << "every control is cleaned, drawn or not";
  EXPECT_TRUE(hidden->NeedsRedraw()) << "hiding repaints once more after the paint";
}

TEST(Pixels, KnobShowsTheFrameOfItsValueAndOnlyTheDirtyUnionIsRepainted)
{
  PictureRig r;
  ASSERT_NE(r.editor->Surface(), nullptr);
  ASSERT_TRUE(r.editor->RedrawArea(IArea{0, 0, 764, 222}));
  EXPECT_EQ(r.Pixel(5, 5), kBackground);
  EXPECT_EQ(r.Pixel(100, 50), FrameColour(60)) << "Frequency's default is the top of its range";
  EXPECT_EQ(r.Pixel(109, 57), FrameColour(60));
  EXPECT_EQ(r.Pixel(110, 57), kBackground);

  Fill(r.editor->Surface(), kMarker);
  r.editor->RedrawArea(IArea{0, 0, 764, 222});  // the paint after a change clears pending redraws
  Fill(r.editor->Surface(), kMarker);
  r.knob->TakePlugValue(0.5);
  IArea area;
  ASSERT_TRUE(r.editor->TickDirtyArea(&area));
  EXPECT_EQ(area, (IArea{100, 50, 110, 58}));
  ASSERT_TRUE(r.editor->RedrawDirty());
  EXPECT_EQ(r.Pixel(100, 50), FrameColour(30));
  EXPECT_EQ(r.Pixel(109, 57), FrameColour(30));
  EXPECT_EQ(r.Pixel(99, 50), kMarker) << "outside the union nothing is repainted";
  EXPECT_EQ(r.Pixel(110, 57), kMarker) << "the union's right edge is outside it";
  EXPECT_EQ(r.Pixel(5, 5), kMarker);
}

TEST(Pixels, DisabledControlIsDrawnAtQuarterWeight)
{
  PictureRig r;
  r.knob->SetDisabled(true);
  ASSERT_TRUE(r.editor->RedrawArea(IArea{0, 0, 764, 222}));

  std::unique_ptr<LICE_MemBitmap> expected = Plain(1, 1, kBackground);
  std::unique_ptr<LICE_MemBitmap> frame = Plain(1, 1, FrameColour(60));
  BlitBitmap(expected.get(), frame.get(), 0, 0, nullptr, 0.25f, SourceAlphaFlag);
  EXPECT_EQ(r.Pixel(104, 54), expected->Pixels()[0]);
  EXPECT_NE(r.Pixel(104, 54), FrameColour(60));
  EXPECT_NE(r.Pixel(104, 54), kBackground);
}

TEST(BlitFrame, PartOutsideTheClipIsCutAndTheSourceShifted)
{
  EditorRig r;
  std::unique_ptr<LICE_MemBitmap> gradient(new LICE_MemBitmap(10, 10));
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) gradient->Pixels()[y * gradient->Stride() + x] = 0xFF000000u | (x << 8) | y;
  }
  IBitmapControl* c = new IBitmapControl(r.plug, -3, 2, RefOf(gradient.get(), 1), kBlendCopy);
  r.Add(c);
  r.Attach();
  Fill(r.editor->Surface(), kMarker);
  ASSERT_TRUE(r.editor->RedrawArea(IArea{0, 0, 5, 20}));
  EXPECT_EQ(r.Pixel(0, 2), 0xFF000000u | (3 << 8) | 0);
  EXPECT_EQ(r.Pixel(4, 11), 0xFF000000u | (7 << 8) | 9);
  EXPECT_EQ(r.Pixel(5, 5), kMarker) << "right of the clip";
  EXPECT_EQ(r.Pixel(2, 1), kMarker) << "above the control";
}

TEST(BitmapCache, OneDecodePerResourceIdAcrossInstances)
{
  EditorRig first, second;
  CountingEditor* a = new CountingEditor(first.plug, 100, 100, 25);
  CountingEditor* b = new CountingEditor(second.plug, 100, 100, 25);
  first.plug->AttachEditor(a);
  second.plug->AttachEditor(b);
  CountingEditor::decodes = 0;

  const IBitmapRef one = a->LoadBitmapResource(CountingEditor::kKnownId, "resources/img/ONE.png", 4);
  const IBitmapRef two = b->LoadBitmapResource(CountingEditor::kKnownId, "another/name.png", 2);
  EXPECT_EQ(CountingEditor::decodes, 1);
  ASSERT_NE(one.bitmap, nullptr);
  EXPECT_EQ(one.bitmap, two.bitmap) << "keyed by id alone";
  EXPECT_EQ(one.width, 3);
  EXPECT_EQ(one.height, 8);
  EXPECT_EQ(one.frames, 4);
  EXPECT_EQ(two.frames, 2);
  EXPECT_FALSE(one.framesHorizontal);

  const IBitmapRef missing = a->LoadBitmapResource(CountingEditor::kKnownId + 1, "x.png", 3);
  a->LoadBitmapResource(CountingEditor::kKnownId + 1, "x.png", 3);
  EXPECT_EQ(missing.bitmap, nullptr);
  EXPECT_EQ(CountingEditor::decodes, 3) << "a failed image is not cached as missing";
}

TEST(MeasureText, AlignmentPlacesTheMeasuredBox)
{
  PictureRig r;
  ITextStyle style;
  style.alignment = kAlignLeft;
  IArea left{10, 20, 200, 40};
  ASSERT_TRUE(r.editor->MeasureText(&style, "Vexa 1.0", &left));
  ASSERT_NE(style.font, nullptr) << "the style is linked to its cached font";
  const int w = left.right - left.left, h = left.bottom - left.top;
  EXPECT_GT(w, 0);
  EXPECT_GT(h, 0);
  EXPECT_EQ(left.left, 10);
  EXPECT_EQ(left.top, 20);

  ITextStyle centred;
  IArea centre{10, 20, 200, 40};
  ASSERT_TRUE(r.editor->MeasureText(&centred, "Vexa 1.0", &centre));
  EXPECT_EQ(centred.font, style.font) << "equal styles share one cached font";
  EXPECT_EQ(centre, (IArea{105 - w / 2, 20, 105 - w / 2 + w, 20 + h}));

  ITextStyle right;
  right.alignment = kAlignRight;
  IArea end{10, 20, 200, 40};
  ASSERT_TRUE(r.editor->MeasureText(&right, "Vexa 1.0", &end));
  EXPECT_EQ(end, (IArea{200 - w, 20, 200, 20 + h}));

  ITextStyle bold;
  bold.style = kTextStyleBold;
  IArea unchanged{1, 2, 3, 4};
  ASSERT_TRUE(r.editor->MeasureText(&bold, "", &unchanged));
  EXPECT_EQ(unchanged, (IArea{1, 2, 3, 4})) << "empty text measures nothing";
  EXPECT_EQ(bold.font, nullptr);
}

TEST(ParameterValues, PlainValuesAreLimitedAndShapedForTheControls)
{
  PictureRig r;
  EXPECT_EQ(r.knob->DefaultValue(), 1.0) << "attaching pushes every parameter";
  r.editor->PushParamToControls(kParamFrequency, 50.0, false);
  EXPECT_EQ(r.knob->Value(), 0.0);
  r.editor->PushParamToControls(kParamFrequency, 5050.0, false);
  EXPECT_DOUBLE_EQ(r.knob->Value(), std::pow(4950.0 / 19900.0, 0.5));
  r.editor->PushParamToControls(kParamFrequency, 1e9, false);
  EXPECT_EQ(r.knob->Value(), 1.0);
  r.editor->PushParamToControls(kParamMix, 0.0, true);
  EXPECT_EQ(r.knob->Value(), 1.0) << "other parameters leave it alone";
  r.editor->PushParamToControls(999, 0.0, false);  // no such parameter: nothing
  r.editor->TakePlugValueAt(99, 0.5);              // no such control: nothing

  AEffect* e = r.plug->Effect();
  e->setParameter(e, kParamFrequency, 0.25f);
  EXPECT_EQ(r.knob->Value(), 0.25) << "the host's values reach the knob";
}

TEST(Attach, EditorRectangleSurfaceAndResizing)
{
  PictureRig r;
  AEffect* e = r.plug->Effect();
  ERect* rect = nullptr;
  ASSERT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0.0f), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->top, 0);
  EXPECT_EQ(rect->left, 0);
  EXPECT_EQ(rect->bottom, 222);
  EXPECT_EQ(rect->right, 764);
  EXPECT_EQ((e->flags & effFlagsHasEditor) != 0, IPlugVST::PlatformHasEditorWindow());
  EXPECT_EQ(r.editor->Surface()->Width(), 764);
  EXPECT_EQ(r.editor->Surface()->Height(), 222);

  r.plug->SetMeterControls(0, 1);
  r.editor->RouteMouseDown(104, 54, IMouseMods{});
  r.editor->SetEditorSize(400, 300);
  EXPECT_EQ(r.editor->ControlCount(), 0);
  EXPECT_EQ(r.editor->CapturedIndex(), -1);
  EXPECT_EQ(r.editor->Surface()->Width(), 400);
  EXPECT_EQ(r.editor->Surface()->Height(), 300);
  ASSERT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0.0f), 1);
  EXPECT_EQ(rect->bottom, 300);
  EXPECT_EQ(rect->right, 400);
  e->setParameter(e, kParamFrequency, 0.5f);  // no controls left to reach
  float in[64] = {}, out[2][64];
  float* ins[2] = {in, in};
  float* outs[2] = {out[0], out[1]};
  e->processReplacing(e, ins, outs, 64);  // the indicators are gone too
}

TEST(Attach, WithoutEditorTheRectangleIsRefused)
{
  EditorRig r;
  AEffect* e = r.plug->Effect();
  ERect* rect = nullptr;
  EXPECT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0.0f), 0);
  EXPECT_EQ(rect, nullptr);
  EXPECT_EQ(e->flags & effFlagsHasEditor, 0);
}

TEST(WindowLayers, TheTickFollowsTheFrameRateAndFallsBackToFortyMilliseconds)
{
  const std::pair<int, int> rateAndPeriod[] = {{25, 40}, {30, 33}, {60, 16}, {1000, 1}, {5000, 1}, {0, 40}, {-3, 40}};
  for (const auto& rp : rateAndPeriod) {
    IGraphics editor(nullptr, 10, 10, rp.first);
    EXPECT_EQ(editor.TickMilliseconds(), rp.second) << "frame rate " << rp.first;
  }
}

TEST(WindowLayers, ResizingGrowsAnOpenWindowByTheChangeOnly)
{
  EditorRig r;
  WindowedEditor* ed = new WindowedEditor(r.plug, 764, 222, 25);
  delete r.editor;
  r.editor = ed;
  r.Add(new ProbeControl(r.plug, IArea{0, 0, 10, 10}));
  r.Attach();

  ed->SetEditorSize(764, 222);
  EXPECT_EQ(ed->beforeResizes, 0) << "the same size changes nothing";
  EXPECT_EQ(ed->ControlCount(), 1);

  ed->SetEditorSize(800, 200);
  EXPECT_EQ(ed->beforeResizes, 1);
  EXPECT_EQ(ed->controlsBeforeResize, 1) << "the hook runs while the controls are still there";
  EXPECT_EQ(ed->ControlCount(), 0);
  EXPECT_EQ(ed->Surface()->Width(), 800);
  EXPECT_TRUE(ed->grown.empty()) << "no window to grow while closed";

  ed->open = true;
  ed->SetEditorSize(780, 240);
  EXPECT_EQ(ed->grown, (std::vector<std::pair<int, int>>{{-20, 40}}));
  ERect* rect = nullptr;
  AEffect* e = r.plug->Effect();
  ASSERT_EQ(e->dispatcher(e, effEditGetRect, 0, 0, &rect, 0.0f), 1);
  EXPECT_EQ(rect->right, 780);
  EXPECT_EQ(rect->bottom, 240);
}
