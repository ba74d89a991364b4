// Input routing as a user drives it: presses, drags, releases, double
// clicks, the wheel and keys reach the right control, and the host hears
// begin-edit, automate and end-edit in order.
#include <gtest/gtest.h>

#include <vector>

#include "tests/graphics/EditorRig.h"

using rig::EditorRig;
using rig::MakeStrip;
using rig::RefOf;

namespace {

using Calls = std::vector<std::pair<VstInt32, VstInt32>>;

constexpr VstInt32 kBegin = audioMasterBeginEdit;
constexpr VstInt32 kAutomate = audioMasterAutomate;
constexpr VstInt32 kEnd = audioMasterEndEdit;

// Records the events it receives.
class EventControl : public IControl
{
public:
  EventControl(IPlugBase* plug, const IArea& area, int param = -1) : IControl(plug, area, param) {}
  bool Render(IGraphics*) override { return true; }
  void MouseDown(int x, int y, const IMouseMods& m) override
  {
    events.push_back('d');
    IControl::MouseDown(x, y, m);
  }
  void MouseUp(int, int, const IMouseMods&) override { events.push_back('u'); }
  void MouseDrag(int, int, int dx, int dy, const IMouseMods&) override
  {
    events.push_back('m');
    lastDx = dx;
    lastDy = dy;
  }
  void MouseDoubleClick(int, int, const IMouseMods&) override { events.push_back('2'); }
  void MouseWheel(int, int, const IMouseMods&, int) override { events.push_back('w'); }
  bool KeyDown(int, int, EditorKey key) override
  {
    keys.push_back(key);
    return takesKeys;
  }
  void MouseHover(int, int, const IMouseMods&) override { events.push_back('h'); }
  void MouseLeave() override { events.push_back('l'); }

  std::string events;
  std::vector<EditorKey> keys;
  bool takesKeys = true;
  int lastDx = 0, lastDy = 0;
};

IMouseMods Left(bool shift = false)
{
  IMouseMods m;
  m.left = true;
  m.shift = shift;
  return m;
}

// A Vexa-like editor: background, a knob on Intensity (66 x 72 frames) at
// (164, 62) and the sequence switch at (0, 192).
struct RoutingRig : EditorRig
{
  RoutingRig()
    : background(MakeStrip(764, 222, 1)), knobStrip(MakeStrip(66, 72, 61)), switchStrip(MakeStrip(122, 30, 2))
  {
    editor->AttachBackground(new IBitmapControl(plug, 0, 0, RefOf(background.get(), 1), kBlendCopy));
    knob = new IKnobMultiControl(plug, 164, 62, kParamIntensity, RefOf(knobStrip.get(), 61));
    knobIndex = Add(knob);
    sequence = new ISwitchControl(plug, 0, 192, kParamSequence, RefOf(switchStrip.get(), 2));
    Add(sequence);
    Attach();
    Forget();
  }
  std::unique_ptr<LICE_MemBitmap> background, knobStrip, switchStrip;
  IKnobMultiControl* knob;
  ISwitchControl* sequence;
  int knobIndex;
};

}  // namespace

TEST(Routing, KnobTurnIsOneGestureFromPressToRelease)
{
  RoutingRig r;
  IGraphics& ed = *r.editor;
  ed.RouteMouseDown(200, 100, Left());
  EXPECT_EQ(ed.CapturedIndex(), r.knobIndex);
  ed.RouteMouseDrag(200, 28, Left());
  ed.RouteMouseDrag(200, 28, Left());  // no movement: nothing delivered
  ed.RouteMouseDrag(205, -44, Left());
  ed.RouteMouseUp(205, -44, Left());
  EXPECT_EQ(ed.CapturedIndex(), -1);
  EXPECT_EQ(ed.LastX(), -1);

  EXPECT_EQ(r.EditCalls(), (Calls{{kBegin, kParamIntensity},
                                   {kAutomate, kParamIntensity},
                                   {kAutomate, kParamIntensity},
                                   {kEnd, kParamIntensity}}));
  EXPECT_DOUBLE_EQ(r.knob->Value(), 144.0 / 288.0);
  ASSERT_EQ(r.AutomatedValues().size(), 2u);
  EXPECT_EQ(r.AutomatedValues()[0], 0.25f) << "the first step is measured from the press";
  EXPECT_EQ(r.AutomatedValues()[1], 0.5f);
  EXPECT_DOUBLE_EQ(r.plug->ParameterAt(kParamIntensity)->Value(), 45.0);
}

TEST(Routing, DragOf288PixelsCoversTheRangeAndShiftIsFine)
{
  RoutingRig r;
  IGraphics& ed = *r.editor;
  ed.RouteMouseDown(200, 130, Left());
  for (int y = 129; y >= 130 - 288; --y) ed.RouteMouseDrag(200, y, Left());
  EXPECT_NEAR(r.knob->Value(), 1.0, 1e-9);
  ed.RouteMouseDrag(200, -300, Left());
  EXPECT_EQ(r.knob->Value(), 1.0);
  ed.RouteMouseUp(200, -300, Left());

  ed.RouteMouseDown(200, 100, Left(true));
  ed.RouteMouseDrag(200, 100 + 288, Left(true));
  EXPECT_NEAR(r.knob->Value(), 0.9, 1e-9);
  ed.RouteMouseUp(200, 388, Left(true));
  EXPECT_NEAR(r.plug->ParameterAt(kParamIntensity)->Value(), 81.0, 1e-9);
}

TEST(Routing, CaptureHoldsOutsideEveryControlUntilRelease)
{
  RoutingRig r;
  IGraphics& ed = *r.editor;
  ed.RouteMouseDown(170, 70, Left());
  ed.RouteMouseDrag(900, -500, Left());
  EXPECT_GT(r.knob->Value(), 0.0) << "the captured knob follows the pointer anywhere";
  EXPECT_EQ(ed.FindControlAt(900, -500, false), r.knobIndex);
  ed.RouteMouseUp(900, -500, Left());
  EXPECT_EQ(r.EditCalls().back(), (std::pair<VstInt32, VstInt32>{kEnd, kParamIntensity}));
  EXPECT_EQ(ed.FindControlAt(900, -500, false), -1) << "after the release the search starts again";
  EXPECT_EQ(ed.FindControlAt(5, 5, false), 0) << "the background is a candidate like any other";

  r.Forget();
  ed.RouteMouseDown(900, 10, Left());
  ed.RouteMouseDrag(910, 20, Left());
  ed.RouteMouseUp(910, 20, Left());
  EXPECT_TRUE(r.EditCalls().empty()) << "a press outside the editor's controls goes nowhere";
}

TEST(Routing, TopmostOfOverlappingControlsWinsAndHiddenOrDisabledAreSkipped)
{
  EditorRig r;
  EventControl* lower = new EventControl(r.plug, IArea{0, 0, 50, 50});
  EventControl* upper = new EventControl(r.plug, IArea{40, 40, 90, 90});
  r.Add(lower);
  const int upperIndex = r.Add(upper);
  r.Attach();
  IGraphics& ed = *r.editor;
  EXPECT_EQ(ed.FindControlAt(45, 45, false), upperIndex);
  ed.RouteMouseDown(45, 45, Left());
  ed.RouteMouseUp(45, 45, Left());
  EXPECT_EQ(upper->events, "du");
  EXPECT_EQ(lower->events, "");

  upper->SetDisabled(true);
  EXPECT_EQ(ed.FindControlAt(45, 45, false), 0);
  EXPECT_EQ(ed.FindControlAt(45, 45, true), 0);
  upper->SetHoverWhileDisabled(true);
  EXPECT_EQ(ed.FindControlAt(45, 45, true), upperIndex) << "hover may reach a disabled control";
  EXPECT_EQ(ed.FindControlAt(45, 45, false), 0);
  upper->SetDisabled(false);
  upper->SetHidden(true);
  EXPECT_EQ(ed.FindControlAt(45, 45, true), 0);
  EXPECT_EQ(ed.FindControlAt(60, 60, false), -1);
}

TEST(Routing, DoubleClickResetsInsideBalancedEditNotices)
{
  RoutingRig r;
  IGraphics& ed = *r.editor;
  ed.RouteMouseDown(200, 100, Left());
  ed.RouteMouseDrag(200, 28, Left());
  ed.RouteMouseUp(200, 28, Left());
  ASSERT_DOUBLE_EQ(r.knob->Value(), 0.25);
  r.Forget();

  // What a double click sends: press, release, double click, release.
  ed.RouteMouseDown(200, 100, Left());
  ed.RouteMouseUp(200, 100, Left());
  EXPECT_TRUE(ed.RouteDoubleClick(200, 100, Left()));
  ed.RouteMouseUp(200, 100, Left());

  EXPECT_EQ(r.knob->Value(), 0.0) << "back to the value the core first pushed";
  EXPECT_EQ(r.EditCalls(), (Calls{{kBegin, kParamIntensity},
                                   {kEnd, kParamIntensity},
                                   {kBegin, kParamIntensity},
                                   {kAutomate, kParamIntensity},
                                   {kEnd, kParamIntensity}}));
  EXPECT_EQ(r.AutomatedValues().back(), 0.0f);
  EXPECT_FALSE(ed.RouteDoubleClick(900, 900, Left()));
}

TEST(Routing, DoubleClickAsClickIsDeliveredAsAPress)
{
  EditorRig r;
  EventControl* c = new EventControl(r.plug, IArea{0, 0, 10, 10});
  const int index = r.Add(c);
  r.Attach();
  c->SetDoubleClickAsClick(true);
  EXPECT_TRUE(r.editor->RouteDoubleClick(5, 5, Left()));
  EXPECT_EQ(c->events, "d");
  EXPECT_EQ(r.editor->CapturedIndex(), index);
  r.editor->RouteMouseDrag(7, 4, Left());
  EXPECT_EQ(c->events, "dm");
  EXPECT_EQ(c->lastDx, 2);
  EXPECT_EQ(c->lastDy, -1);
}

TEST(Routing, SwitchClicksToggleTheSequenceParameter)
{
  RoutingRig r;
  const IParameter* seq = r.plug->ParameterAt(kParamSequence);
  r.editor->RouteMouseDown(10, 200, Left());
  r.editor->RouteMouseUp(10, 200, Left());
  EXPECT_EQ(seq->Value(), 1.0);
  r.editor->RouteMouseDown(10, 200, Left());
  r.editor->RouteMouseUp(10, 200, Left());
  EXPECT_EQ(seq->Value(), 0.0);
  EXPECT_EQ(r.EditCalls(), (Calls{{kBegin, kParamSequence},
                                   {kAutomate, kParamSequence},
                                   {kEnd, kParamSequence},
                                   {kBegin, kParamSequence},
                                   {kAutomate, kParamSequence},
                                   {kEnd, kParamSequence}}));
}

TEST(Routing, RightPressAndClickWithoutMovementChangeNothing)
{
  RoutingRig r;
  IMouseMods right;
  right.right = true;
  r.editor->RouteMouseDown(170, 70, right);
  r.editor->RouteMouseUp(170, 70, right);
  r.editor->RouteMouseDown(170, 70, Left());
  r.editor->RouteMouseUp(170, 70, Left());
  EXPECT_EQ(r.knob->Value(), 0.0);
  EXPECT_EQ(r.editor->entryControl, nullptr) << "prompting is off";
  EXPECT_EQ(r.EditCalls(), (Calls{{kBegin, kParamIntensity},
                                   {kEnd, kParamIntensity},
                                   {kBegin, kParamIntensity},
                                   {kEnd, kParamIntensity}}));
}

TEST(Routing, AGestureCutShortEndsOnceForTheHost)
{
  RoutingRig r;
  IGraphics& ed = *r.editor;
  ed.EndCapturedGesture();
  EXPECT_TRUE(r.EditCalls().empty()) << "nothing to end without a capture";
  ed.RouteMouseDown(200, 100, Left());
  ed.RouteMouseDrag(200, 64, Left());
  // The window goes, or loses the pointer, in the middle of the drag.
  ed.EndCapturedGesture();
  EXPECT_EQ(ed.CapturedIndex(), -1);
  ed.EndCapturedGesture();
  EXPECT_EQ(r.EditCalls(),
            (Calls{{kBegin, kParamIntensity}, {kAutomate, kParamIntensity}, {kEnd, kParamIntensity}}));
  EXPECT_DOUBLE_EQ(r.knob->Value(), 36.0 / 288.0) << "the value reached stays";
}

TEST(Routing, ReleaseWithoutPressEndsNoEdit)
{
  RoutingRig r;
  r.editor->RouteMouseUp(170, 70, Left());
  EXPECT_TRUE(r.EditCalls().empty());
}

TEST(Routing, WheelStepsTheKnobUnderThePointer)
{
  RoutingRig r;
  r.editor->RouteWheel(170, 70, IMouseMods{}, 2);
  EXPECT_NEAR(r.knob->Value(), 0.02, 1e-12);
  EXPECT_EQ(r.EditCalls(), (Calls{{kBegin, kParamIntensity},
                                   {kAutomate, kParamIntensity},
                                   {kEnd, kParamIntensity}}));
  r.Forget();
  r.editor->RouteWheel(600, 10, IMouseMods{}, 2);  // over the background
  r.editor->RouteWheel(900, 10, IMouseMods{}, 2);  // over nothing
  EXPECT_TRUE(r.EditCalls().empty());

  r.editor->RouteMouseDown(170, 70, Left());
  r.editor->RouteWheel(600, 10, IMouseMods{}, -1);
  r.editor->RouteMouseUp(170, 70, Left());
  EXPECT_NEAR(r.knob->Value(), 0.01, 1e-12) << "while a button is held the wheel goes to the captured knob";
  EXPECT_EQ(r.EditCalls(), (Calls{{kBegin, kParamIntensity},
                                   {kAutomate, kParamIntensity},
                                   {kEnd, kParamIntensity}}));
}

TEST(Routing, KeysGoToTheControlUnderThePointerElseTheKeyCatcher)
{
  EditorRig r;
  EventControl* background = new EventControl(r.plug, IArea{0, 0, 764, 222});
  EventControl* knob = new EventControl(r.plug, IArea{10, 10, 20, 20});
  r.Add(background);
  r.Add(knob);
  r.Attach();
  IGraphics& ed = *r.editor;
  EXPECT_FALSE(ed.RouteKeyDown(100, 100, kKeySpace)) << "no key catcher: the host gets the key";
  EXPECT_TRUE(background->keys.empty()) << "the background never takes keys";

  EventControl* catcher = new EventControl(r.plug, IArea{});
  ed.SetKeyCatcher(catcher);
  EXPECT_TRUE(ed.RouteKeyDown(100, 100, kKeyUp));
  EXPECT_EQ(catcher->keys, (std::vector<EditorKey>{kKeyUp}));
  EXPECT_TRUE(ed.RouteKeyDown(15, 15, static_cast<EditorKey>(kKeyLetterA + 2)));
  EXPECT_EQ(knob->keys, (std::vector<EditorKey>{static_cast<EditorKey>(kKeyLetterA + 2)}));
  knob->takesKeys = false;
  EXPECT_FALSE(ed.RouteKeyDown(15, 15, kKeyDown)) << "a key the control refuses goes on to the host";
  EXPECT_EQ(catcher->keys.size(), 1u);
}

TEST(Routing, HoverEntersAndLeavesControls)
{
  EditorRig r;
  EventControl* a = new EventControl(r.plug, IArea{0, 0, 10, 10});
  EventControl* b = new EventControl(r.plug, IArea{20, 0, 30, 10});
  r.Add(a);
  const int bIndex = r.Add(b);
  r.Attach();
  IGraphics& ed = *r.editor;
  ed.RouteHover(5, 5, IMouseMods{});
  ed.RouteHover(6, 5, IMouseMods{});
  ed.RouteHover(25, 5, IMouseMods{});
  EXPECT_EQ(ed.HoverIndex(), bIndex);
  EXPECT_EQ(a->events, "hhl");
  ed.RouteHover(50, 50, IMouseMods{});
  EXPECT_EQ(b->events, "hl") << "leaving every control is a leave too";
  EXPECT_EQ(ed.HoverIndex(), -1);
  ed.RouteLeave();
  EXPECT_EQ(a->events, "hhll");
}

TEST(Routing, PromptOffersAnEntryWithTheCurrentValue)
{
  RoutingRig r;
  r.knob->SetPromptDisabled(false);
  r.plug->ParameterAt(kParamIntensity)->SetClamped(30.0);
  IMouseMods right;
  right.right = true;
  r.editor->RouteMouseDown(170, 70, right);
  r.editor->RouteMouseUp(170, 70, right);
  EXPECT_EQ(r.editor->entryControl, r.knob);
  EXPECT_EQ(r.editor->entryText, "30.00");
  EXPECT_TRUE(r.editor->menuTexts.empty());
}
