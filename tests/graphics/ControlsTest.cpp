// The controls on their own: values from the core and the user, redraw
// flags, frame selection, knob gearing, switch stepping, hit tests, hiding,
// disabling and the value prompt.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "tests/graphics/EditorRig.h"

using rig::EditorRig;
using rig::MakeStrip;
using rig::RefOf;

namespace {

// The effect's knob strips: 61 frames of 66 x 72, dragged with gearing 4.
constexpr int kKnobW = 66, kKnobH = 72, kKnobFrames = 61;
constexpr double kGearing = 4.0;

IMouseMods Mods(bool shift = false, bool ctrl = false)
{
  IMouseMods m;
  m.left = true;
  m.shift = shift;
  m.ctrl = ctrl;
  return m;
}

// A knob on the Intensity parameter (0 to 90, default 0) at (164, 62).
struct KnobRig : EditorRig
{
  KnobRig() : strip(MakeStrip(kKnobW, kKnobH, kKnobFrames))
  {
    knob = new IKnobMultiControl(plug, 164, 62, kParamIntensity, RefOf(strip.get(), kKnobFrames), kKnobVertical,
                                 kGearing);
    Add(knob);
    Attach();
    Forget();
  }
  double Intensity() const { return plug->ParameterAt(kParamIntensity)->Value(); }

  std::unique_ptr<LICE_MemBitmap> strip;
  IKnobMultiControl* knob;
};

bool Same(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

TEST(ControlValues, FirstCoreValueBecomesTheDefaultWithoutMarking)
{
  std::unique_ptr<LICE_MemBitmap> b = MakeStrip(4, 4, 3);
  IBitmapControl c(nullptr, 0, 0, RefOf(b.get(), 3));
  EXPECT_TRUE(c.NeedsRedraw()) << "a new control is drawn on the first paint";
  EXPECT_EQ(c.DefaultValue(), -1.0);
  c.MarkClean();
  ASSERT_FALSE(c.NeedsRedraw());

  c.TakePlugValue(0.3);
  EXPECT_EQ(c.Value(), 0.3);
  EXPECT_EQ(c.DefaultValue(), 0.3);
  EXPECT_FALSE(c.NeedsRedraw());
  c.TakePlugValue(0.3);
  EXPECT_FALSE(c.NeedsRedraw());

  c.TakePlugValue(0.4);
  EXPECT_EQ(c.Value(), 0.4);
  EXPECT_EQ(c.DefaultValue(), 0.3) << "only the first value is the default";
  EXPECT_TRUE(c.IsDirty());
  EXPECT_TRUE(c.IsRedrawPending());
  c.MarkClean();
  EXPECT_TRUE(c.NeedsRedraw()) << "drawn once more after the paint that follows a change";
  c.MarkClean();
  EXPECT_FALSE(c.NeedsRedraw());
}

TEST(ControlValues, ValuesAreLimitedToTheControlsRange)
{
  std::unique_ptr<LICE_MemBitmap> b = MakeStrip(4, 4, 3);
  IBitmapControl c(nullptr, 0, 0, RefOf(b.get(), 3));
  c.TakePlugValue(0.5);
  c.TakePlugValue(1.7);
  EXPECT_EQ(c.Value(), 1.0);
  c.TakePlugValue(-3.0);
  EXPECT_EQ(c.Value(), 0.0);
  c.TakePlugValue(std::numeric_limits<double>::quiet_NaN());
  EXPECT_FALSE(std::isnan(c.Value()));
  c.SetLimits(0.2, 0.6);
  c.TakeUserValue(0.9);
  EXPECT_EQ(c.Value(), 0.6);
  c.TakeUserValue(0.1);
  EXPECT_EQ(c.Value(), 0.2);
}

TEST(ControlValues, RunOfValuesEndsAsOneAtATime)
{
  const char* env = std::getenv("VEXA_TEST_SEED");
  const unsigned seed = env ? static_cast<unsigned>(std::strtoul(env, nullptr, 10)) : 17u;
  SCOPED_TRACE("VEXA_TEST_SEED=" + std::to_string(seed));
  std::mt19937 rng(seed);
  const double pool[] = {0.0, 0.25, 0.5, 1.0, 1.5, -0.5, std::numeric_limits<double>::quiet_NaN()};
  std::unique_ptr<LICE_MemBitmap> b = MakeStrip(4, 4, 3);
  for (int trial = 0; trial < 500; ++trial) {
    IBitmapControl one(nullptr, 0, 0, RefOf(b.get(), 3)), run(nullptr, 0, 0, RefOf(b.get(), 3));
    if (trial % 3) {
      one.TakePlugValue(0.5);
      run.TakePlugValue(0.5);
    }
    one.MarkClean();
    run.MarkClean();
    std::vector<double> values(rng() % 6);
    for (double& v : values) v = pool[rng() % 7];
    for (double v : values) one.TakePlugValue(v);
    run.TakePlugValueRun(values.data(), static_cast<int>(values.size()));
    ASSERT_TRUE(Same(one.Value(), run.Value())) << "trial " << trial;
    ASSERT_TRUE(Same(one.DefaultValue(), run.DefaultValue())) << "trial " << trial;
    ASSERT_EQ(one.IsDirty(), run.IsDirty()) << "trial " << trial;
    ASSERT_EQ(one.IsRedrawPending(), run.IsRedrawPending()) << "trial " << trial;
  }
}

TEST(ControlValues, AuxBindingsTakeValuesByPosition)
{
  std::unique_ptr<LICE_MemBitmap> b = MakeStrip(4, 4, 3);
  IBitmapControl c(nullptr, 0, 0, RefOf(b.get(), 3));
  ASSERT_TRUE(c.AddAuxBinding(5));
  ASSERT_TRUE(c.AddAuxBinding(7));
  c.MarkClean();
  c.TakePlugAuxValue(1, 0.25);
  EXPECT_EQ(c.AuxBindingAt(1)->value, 0.25);
  EXPECT_EQ(c.AuxBindingAt(0)->value, 0.0);
  EXPECT_TRUE(c.NeedsRedraw());
  c.TakePlugAuxValue(2, 0.5);  // no such binding: nothing happens
  EXPECT_EQ(c.AuxBindingAt(2), nullptr);
}

TEST(FrameSelection, ValueChoosesTheNearestFrameAndItsOffset)
{
  EXPECT_EQ(FrameForValue(61, 0.5), 31);
  EXPECT_EQ(FrameForValue(61, 0.0), 1);
  EXPECT_EQ(FrameForValue(61, 1.0), 61);
  EXPECT_EQ(FrameForValue(61, 0.0083), 1) << "rounds to the nearest frame";
  EXPECT_EQ(FrameForValue(61, 0.0084), 2);
  EXPECT_EQ(FrameForValue(61, 5.0), 61);
  EXPECT_EQ(FrameForValue(61, -5.0), 1);
  EXPECT_EQ(FrameForValue(61, 1e300), 61);
  EXPECT_EQ(FrameForValue(61, std::numeric_limits<double>::quiet_NaN()), 1);
  EXPECT_EQ(FrameForValue(1, 0.7), 1);
  EXPECT_EQ(FrameForValue(0, 0.7), 1);

  IBitmapRef strip;
  strip.width = 66;
  strip.height = 4392;
  strip.frames = 61;
  int x = -1, y = -1;
  FrameOrigin(strip, 31, &x, &y);
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 2160);
  FrameOrigin(strip, 1, &x, &y);
  EXPECT_EQ(y, 0);
  strip.framesHorizontal = true;
  strip.width = 30;
  strip.height = 10;
  strip.frames = 3;
  FrameOrigin(strip, 3, &x, &y);
  EXPECT_EQ(x, 20);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(strip.FrameWidth(), 10);
  EXPECT_EQ(strip.FrameHeight(), 10);
}

TEST(KnobDrag, FullRangeTakes288PixelsUpward)
{
  KnobRig r;
  ASSERT_EQ(r.knob->Value(), 0.0);
  r.knob->MouseDrag(0, 0, 0, -144, Mods());
  EXPECT_NEAR(r.knob->Value(), 0.5, 1e-12);
  EXPECT_NEAR(r.Intensity(), 45.0, 1e-9) << "each step reaches the parameter";
  r.knob->MouseDrag(0, 0, 0, -144, Mods());
  EXPECT_EQ(r.knob->Value(), 1.0);
  r.knob->MouseDrag(0, 0, 0, -50, Mods());
  EXPECT_EQ(r.knob->Value(), 1.0);
  EXPECT_EQ(r.Intensity(), 90.0);
  r.knob->MouseDrag(0, 0, 0, 72, Mods());
  EXPECT_NEAR(r.knob->Value(), 0.75, 1e-12) << "downward lowers it";
  r.knob->MouseDrag(0, 0, 40, 0, Mods());
  EXPECT_NEAR(r.knob->Value(), 0.75, 1e-12) << "a vertical knob ignores sideways movement";
}

TEST(KnobDrag, ShiftOrCtrlMovesTenTimesSlower)
{
  KnobRig r;
  r.knob->MouseDrag(0, 0, 0, -288, Mods(true, false));
  EXPECT_NEAR(r.knob->Value(), 0.1, 1e-12);
  r.knob->MouseDrag(0, 0, 0, -288, Mods(false, true));
  EXPECT_NEAR(r.knob->Value(), 0.2, 1e-12);
  r.knob->MouseDrag(0, 0, 0, -288, Mods(true, true));
  EXPECT_NEAR(r.knob->Value(), 0.3, 1e-12) << "both together are no finer";
}

TEST(KnobDrag, HorizontalKnobFollowsSidewaysMovement)
{
  EditorRig r;
  std::unique_ptr<LICE_MemBitmap> strip = MakeStrip(50, 10, 5);
  IKnobMultiControl* k =
      new IKnobMultiControl(r.plug, 0, 0, kParamMix, RefOf(strip.get(), 5), kKnobHorizontal, 2.0);
  r.Add(k);
  r.Attach();
  k->MouseDrag(0, 0, 25, -30, Mods());
  EXPECT_NEAR(k->Value(), 0.25, 1e-12);
}

TEST(KnobWheel, NotchesStepByHundredthsOrThousandths)
{
  KnobRig r;
  r.knob->MouseWheel(0, 0, Mods(), 1);
  EXPECT_NEAR(r.knob->Value(), 0.01, 1e-12);
  r.knob->MouseWheel(0, 0, Mods(true), 1);
  EXPECT_NEAR(r.knob->Value(), 0.011, 1e-12);
  r.knob->MouseWheel(0, 0, Mods(false, true), -3);
  EXPECT_NEAR(r.knob->Value(), 0.008, 1e-12);
  r.knob->TakePlugValue(1.0);
  r.knob->MouseWheel(0, 0, Mods(), 1);
  EXPECT_EQ(r.knob->Value(), 1.0);
}

TEST(KnobReset, DoubleClickReturnsToTheAttachedValueAndSendsIt)
{
  KnobRig r;
  r.knob->MouseDrag(0, 0, 0, -100, Mods());
  ASSERT_GT(r.Intensity(), 0.0);
  r.Forget();
  r.knob->MouseDoubleClick(0, 0, Mods());
  EXPECT_EQ(r.knob->Value(), 0.0);
  EXPECT_EQ(r.Intensity(), 0.0);
  ASSERT_EQ(r.AutomatedValues().size(), 1u);
  EXPECT_EQ(r.AutomatedValues()[0], 0.0f);

  std::unique_ptr<LICE_MemBitmap> b = MakeStrip(4, 4, 3);
  IBitmapControl fresh(nullptr, 0, 0, RefOf(b.get(), 3));
  fresh.SetValue(0.6);
  fresh.MouseDoubleClick(0, 0, Mods());
  EXPECT_EQ(fresh.Value(), 0.6) << "without a value from the core there is nothing to return to";
}

TEST(Switch, ClicksStepThroughTheFramesAndWrap)
{
  EditorRig r;
  std::unique_ptr<LICE_MemBitmap> two = MakeStrip(12, 3, 2);
  std::unique_ptr<LICE_MemBitmap> three = MakeStrip(12, 3, 3);
  ISwitchControl* sequence = new ISwitchControl(r.plug, 0, 192, kParamSequence, RefOf(two.get(), 2));
  ISwitchControl* cycling = new ISwitchControl(r.plug, 20, 0, -1, RefOf(three.get(), 3));
  r.Add(sequence);
  r.Add(cycling);
  r.Attach();
  const IParameter* seq = r.plug->ParameterAt(kParamSequence);

  sequence->MouseDown(0, 0, Mods());
  EXPECT_EQ(sequence->Value(), 1.0);
  EXPECT_EQ(seq->Value(), 1.0);
  sequence->MouseDown(0, 0, IMouseMods{});  // any button
  EXPECT_EQ(sequence->Value(), 0.0);
  EXPECT_EQ(seq->Value(), 0.0);
  sequence->MouseDoubleClick(0, 0, Mods());
  EXPECT_EQ(sequence->Value(), 1.0) << "a double click steps like a click";

  const double expected[] = {0.5, 1.0, 0.0, 0.5};
  for (double e : expected) {
    cycling->MouseDown(0, 0, Mods());
    EXPECT_DOUBLE_EQ(cycling->Value(), e);
  }
}

TEST(HitTest, RightAndBottomEdgesAreOutside)
{
  std::unique_ptr<LICE_MemBitmap> b = MakeStrip(kKnobW, kKnobH, 2);
  IBitmapControl c(nullptr, 164, 62, RefOf(b.get(), 2));
  ASSERT_EQ(c.HitArea(), (IArea{164, 62, 230, 134}));
  EXPECT_TRUE(c.HitTest(164, 62));
  EXPECT_TRUE(c.HitTest(229, 133));
  EXPECT_FALSE(c.HitTest(230, 100));
  EXPECT_FALSE(c.HitTest(200, 134));
  EXPECT_FALSE(c.HitTest(163, 100));

  c.SetHitArea(IArea{});
  EXPECT_FALSE(c.HitTest(0, 0)) << "an empty hit area is never hit";
}

TEST(HideAndDisable, FlagsWeightAndRedraw)
{
  std::unique_ptr<LICE_MemBitmap> b = MakeStrip(4, 4, 3);
  IBitmapControl c(nullptr, 0, 0, -1, RefOf(b.get(), 3), kBlendCopy);
  c.MarkClean();
  c.SetDisabled(true);
  EXPECT_TRUE(c.IsDisabled());
  EXPECT_EQ(c.Blend().weight, 0.25f);
  EXPECT_EQ(c.Blend().kind, kBlendCopy);
  EXPECT_TRUE(c.NeedsRedraw());
  c.SetDisabled(false);
  EXPECT_EQ(c.Blend().weight, 1.0f);

  c.MarkClean();
  c.MarkClean();
  c.SetHidden(true);
  EXPECT_TRUE(c.IsHidden());
  EXPECT_TRUE(c.IsDirty());
  EXPECT_TRUE(c.IsRedrawPending()) << "the area is painted again after the control disappears";
}

TEST(ValuePrompt, RightButtonOpensAnEntryOnlyWhenPromptingIsOn)
{
  KnobRig r;
  IMouseMods right;
  right.right = true;
  r.knob->MouseDown(170, 70, right);
  EXPECT_EQ(r.editor->entryControl, nullptr) << "prompting is off by default";

  r.plug->ParameterAt(kParamIntensity)->SetClamped(12.5);
  r.knob->SetPromptDisabled(false);
  r.knob->MarkClean();
  r.knob->MarkClean();
  r.knob->MouseDown(170, 70, right);
  EXPECT_EQ(r.editor->entryControl, r.knob);
  EXPECT_EQ(r.editor->entryParam, r.plug->ParameterAt(kParamIntensity));
  EXPECT_EQ(r.editor->entryText, "12.50");
  // A parameter without display texts gets a small box at the knob's centre.
  EXPECT_EQ(r.editor->entryArea, (IArea{177, 90, 217, 106}));
  EXPECT_TRUE(r.knob->IsRedrawPending());

  r.knob->MouseDown(170, 70, Mods());
  EXPECT_EQ(r.editor->entryControl, r.knob) << "the left button does not prompt";
}

TEST(MissingImage, ControlWithoutBitmapDrawsNothingButStaysBound)
{
  EditorRig r;
  const IBitmapRef none = r.editor->LoadBitmapResource(64999, "nothing.png", 61);
  EXPECT_EQ(none.bitmap, nullptr);
  EXPECT_EQ(none.width, 0);
  EXPECT_EQ(none.frames, 61);
  IKnobMultiControl* k = new IKnobMultiControl(r.plug, 10, 20, kParamMix, none);
  r.Add(k);
  r.Attach();
  EXPECT_EQ(k->DrawArea(), (IArea{10, 20, 10, 20}));
  EXPECT_TRUE(k->Render(r.editor));
  r.editor->PushParamToControls(kParamMix, 0.75, true);
  EXPECT_EQ(k->Value(), 0.75) << "still bound to its parameter";
  EXPECT_TRUE(r.editor->RedrawArea(IArea{0, 0, 764, 222}));
}
