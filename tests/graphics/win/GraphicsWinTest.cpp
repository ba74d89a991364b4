// The Windows editor window in-process: its life inside a host frame, the
// messages a user's input produces, painting and the redraw timer, resizing,
// message boxes, the cursor and the module's images.
#include "tests/graphics/win/EditorFixtureWin.h"

#include "graphics/win/WheelNotches.h"

namespace {

bool ClassRegistered(HINSTANCE module)
{
  WNDCLASSA wc;
  return GetClassInfoA(module, kEditorWindowClass, &wc) != 0;
}

POINT ScreenOrigin(HWND w)
{
  POINT p = {0, 0};
  ClientToScreen(w, &p);
  return p;
}

LPARAM ScreenPoint(HWND w, int x, int y)
{
  const POINT o = ScreenOrigin(w);
  return MAKELPARAM(static_cast<WORD>(o.x + x), static_cast<WORD>(o.y + y));
}

COLORREF WindowPixel(HWND w, int x, int y)
{
  HDC dc = GetDC(w);
  const COLORREF c = GetPixel(dc, x, y);
  ReleaseDC(w, dc);
  return c;
}

uint32_t AsRgb(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }

WPARAM Wheel(int delta, WORD keys = 0) { return MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))); }

int CountOf(int opcode)
{
  int n = 0;
  for (const RecordedCall& c : RecordedCalls()) n += c.opcode == opcode;
  return n;
}

}  // namespace

// ---------------------------------------------------------------- lifecycle

using EditorWindowLife = EditorFixture;

TEST_F(EditorWindowLife, OpensAChildWindowOfTheClassWithTheTitleInsideTheParent)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  char name[64] = {}, title[64] = {};
  GetClassNameA(w, name, sizeof name);
  GetWindowTextA(w, title, sizeof title);
  EXPECT_STREQ(name, "IPlugWndClass");
  EXPECT_STREQ(title, "IPlug");
  EXPECT_EQ(GetParent(w), frame->hwnd);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(w, GWL_STYLE)) & (WS_CHILD | WS_VISIBLE), DWORD(WS_CHILD | WS_VISIBLE));
  RECT r;
  GetClientRect(w, &r);
  EXPECT_EQ(r.right, kWidth);
  EXPECT_EQ(r.bottom, kHeight);
  EXPECT_TRUE(editor->IsOpen());
  EXPECT_STREQ(editor->BackendName(), "Windows GDI");
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 1);
  EXPECT_TRUE(ClassRegistered(editor->Module()));
  editor->CloseEditor();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(editor->IsOpen());
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 0);
  EXPECT_FALSE(ClassRegistered(editor->Module()));
}

TEST_F(EditorWindowLife, OpeningAgainKeepsOneWindowAtTheOldPlaceAndSize)
{
  HWND first = OpenInFrame(100, 100);
  ASSERT_NE(first, nullptr);
  SetWindowPos(first, nullptr, 12, 7, kWidth - 10, kHeight - 20, SWP_NOZORDER | SWP_NOACTIVATE);
  HWND second = static_cast<HWND>(editor->OpenEditor(frame->hwnd));
  ASSERT_NE(second, nullptr);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 1);
  RECT parent, own;
  GetWindowRect(frame->hwnd, &parent);
  GetWindowRect(second, &own);
  EXPECT_EQ(own.left - parent.left, 12);
  EXPECT_EQ(own.top - parent.top, 7);
  EXPECT_EQ(own.right - own.left, kWidth - 10);
  EXPECT_EQ(own.bottom - own.top, kHeight - 20);
}

TEST_F(EditorWindowLife, TheClassStaysUntilTheLastOfSeveralWindowsCloses)
{
  ASSERT_NE(OpenInFrame(), nullptr);
  std::unique_ptr<Vexa> other(new Vexa(RecordingHost));
  IGraphicsWin* second = new IGraphicsWin(other.get(), 50, 40, 25);
  other->AttachEditor(second);
  HostFrame otherFrame("EditorTestFrame", 300, 0, 60, 50);
  ASSERT_NE(second->OpenEditor(otherFrame.hwnd), nullptr);
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 2);
  editor->CloseEditor();
  EXPECT_TRUE(ClassRegistered(editor->Module()));
  second->CloseEditor();
  EXPECT_FALSE(ClassRegistered(editor->Module()));
  // An instance destroyed with its window open closes it too.
  ASSERT_NE(second->OpenEditor(otherFrame.hwnd), nullptr);
  other.reset();
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 0);
  EXPECT_FALSE(ClassRegistered(editor->Module()));
}

TEST_F(EditorWindowLife, AHostFrameDestroyedUnderTheEditorLeavesItClosedAndReopenable)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  // Mid-gesture, so the host must still hear the end of the edit.
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 30);
  frame.reset();
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(editor->IsOpen());
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 0);
  EXPECT_EQ(CountOf(audioMasterBeginEdit), 1);
  EXPECT_EQ(CountOf(audioMasterEndEdit), 1);
  // The host's close request after its frame went finishes the job.
  editor->CloseEditor();
  EXPECT_FALSE(ClassRegistered(editor->Module()));
  ASSERT_NE(OpenInFrame(), nullptr);
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 1);
}

TEST_F(EditorWindowLife, AFailedCreationRestoresTheCountAndTheClass)
{
  // A child window needs a parent.
  EXPECT_EQ(editor->OpenEditor(nullptr), nullptr);
  EXPECT_FALSE(editor->IsOpen());
  EXPECT_EQ(IGraphicsWin::OpenWindowCount(), 0);
  EXPECT_FALSE(ClassRegistered(editor->Module()));
}

TEST_F(EditorWindowLife, CloseMessageFromTheSystemClosesTheEditor)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  SendMessageA(w, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_FALSE(editor->IsOpen());
  EXPECT_FALSE(ClassRegistered(editor->Module()));
}

TEST_F(EditorWindowLife, OpeningMarksEveryControlForTheFirstPaint)
{
  editor->RedrawArea(IArea{0, 0, kWidth, kHeight});
  editor->RedrawArea(IArea{0, 0, kWidth, kHeight});
  ASSERT_FALSE(mix->NeedsRedraw());
  ASSERT_NE(OpenInFrame(), nullptr);
  EXPECT_TRUE(mix->NeedsRedraw());
  EXPECT_TRUE(keyTaker->NeedsRedraw());
}

// -------------------------------------------------------------------- input

using EditorWindowInput = EditorFixture;

TEST_F(EditorWindowInput, APressTakesFocusAndCaptureAndCarriesTheModifiers)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  SetFocus(frame->hwnd);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_MENU] = 0x80;
  SetKeyboardState(keys);
  Send(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT | MK_CONTROL, 30, 30);
  keys[VK_MENU] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(GetFocus(), w);
  EXPECT_EQ(GetCapture(), w);
  ASSERT_EQ(mix->downs, 1);
  EXPECT_TRUE(mix->lastMods.left);
  EXPECT_FALSE(mix->lastMods.right);
  EXPECT_TRUE(mix->lastMods.shift);
  EXPECT_TRUE(mix->lastMods.ctrl);
  EXPECT_TRUE(mix->lastMods.alt);
  Send(WM_LBUTTONUP, 0, 30, 30);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(mix->ups, 1);
  Send(WM_RBUTTONDOWN, MK_RBUTTON, 30, 30);
  EXPECT_TRUE(mix->lastMods.right);
  EXPECT_FALSE(mix->lastMods.alt);
  Send(WM_RBUTTONUP, 0, 30, 30);
}

TEST_F(EditorWindowInput, DragsReachTheCapturedControlWhereverThePointerGoes)
{
  ASSERT_NE(OpenInFrame(), nullptr);
  mix->SetValue(0.5);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 30);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 30, 6);     // 24 px up: a quarter of the range
  Send(WM_MOUSEMOVE, MK_LBUTTON, 190, 6);    // sideways, outside the knob: nothing for a vertical knob
  Send(WM_MOUSEMOVE, MK_LBUTTON, 190, 6);    // no movement: not delivered
  EXPECT_EQ(mix->drags, 2);
  EXPECT_DOUBLE_EQ(mix->Value(), 0.75);
  Send(WM_LBUTTONUP, 0, 190, 6);
  // Without a held button (or with only the middle one) nothing is routed.
  Send(WM_MOUSEMOVE, 0, 30, 40);
  Send(WM_MOUSEMOVE, MK_MBUTTON, 30, 40);
  EXPECT_EQ(mix->drags, 2);
  const std::vector<RecordedCall> edits = EditCalls();
  ASSERT_GE(edits.size(), 3u);
  EXPECT_EQ(edits.front().opcode, audioMasterBeginEdit);
  EXPECT_EQ(edits.back().opcode, audioMasterEndEdit);
  EXPECT_EQ(edits.back().index, kParamMix);
}

TEST_F(EditorWindowInput, AMoveWithAButtonButWithoutCaptureIsNotADrag)
{
  ASSERT_NE(OpenInFrame(), nullptr);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 30);
  ReleaseCapture();
  Send(WM_MOUSEMOVE, MK_LBUTTON, 30, 10);
  EXPECT_EQ(mix->drags, 0);
}

TEST_F(EditorWindowInput, APressOutsideEveryControlTakesCaptureButReachesNothing)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 180, 100);
  EXPECT_EQ(GetCapture(), w);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 30, 30);
  Send(WM_LBUTTONUP, 0, 30, 30);
  EXPECT_EQ(mix->downs + mix->drags + output->downs + keyTaker->downs, 0);
  EXPECT_TRUE(EditCalls().empty());
}

TEST_F(EditorWindowInput, ADoubleClickIsRoutedAndTakesTheCapture)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 30);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 30, 18);
  Send(WM_LBUTTONUP, 0, 30, 18);
  ASSERT_NE(mix->Value(), mix->DefaultValue());
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, 30, 30);
  EXPECT_EQ(mix->doubles, 1);
  EXPECT_EQ(GetCapture(), w);
  EXPECT_DOUBLE_EQ(mix->Value(), mix->DefaultValue());
  Send(WM_LBUTTONUP, 0, 30, 30);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(CountOf(audioMasterBeginEdit), CountOf(audioMasterEndEdit));
}

TEST_F(EditorWindowInput, AGestureEndsForTheHostWhenAnotherWindowTakesThePointer)
{
  ASSERT_NE(OpenInFrame(), nullptr);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 30);
  Send(WM_MOUSEMOVE, MK_LBUTTON, 30, 20);
  SetCapture(frame->hwnd);
  EXPECT_EQ(CountOf(audioMasterEndEdit), 1);
  EXPECT_EQ(mix->ups, 1);
  // The button's release, now outside any gesture, ends nothing again.
  Send(WM_LBUTTONUP, 0, 30, 20);
  ReleaseCapture();
  EXPECT_EQ(CountOf(audioMasterEndEdit), 1);
}

TEST_F(EditorWindowInput, ClosingInTheMiddleOfADragEndsTheEdit)
{
  ASSERT_NE(OpenInFrame(), nullptr);
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 30);
  editor->CloseEditor();
  EXPECT_EQ(CountOf(audioMasterBeginEdit), 1);
  EXPECT_EQ(CountOf(audioMasterEndEdit), 1);
}

TEST_F(EditorWindowInput, WheelNotchesAreCountedAtThePointerRelativeToTheWindow)
{
  HWND w = OpenInFrame(150, 90);
  ASSERT_NE(w, nullptr);
  mix->SetValue(0.5);
  SendMessageA(w, WM_MOUSEWHEEL, Wheel(240), ScreenPoint(w, 30, 30));
  ASSERT_EQ(mix->wheels, std::vector<int>{2});
  EXPECT_DOUBLE_EQ(mix->Value(), 0.52);
  SendMessageA(w, WM_MOUSEWHEEL, Wheel(-120, MK_SHIFT), ScreenPoint(w, 30, 30));
  EXPECT_EQ(mix->wheels.back(), -1);
  EXPECT_NEAR(mix->Value(), 0.519, 1e-12);
  // Screen coordinates that land on the other knob reach that one.
  SendMessageA(w, WM_MOUSEWHEEL, Wheel(120), ScreenPoint(w, 70, 30));
  EXPECT_EQ(output->wheels, std::vector<int>{1});
}

TEST_F(EditorWindowInput, SmoothWheelDeltasAddUpToWholeNotchesAndRouteNothingBefore)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  const double before = plug->ParameterAt(kParamMix)->Value();
  SendMessageA(w, WM_MOUSEWHEEL, Wheel(60), ScreenPoint(w, 30, 30));
  SendMessageA(w, WM_MOUSEWHEEL, Wheel(40), ScreenPoint(w, 30, 30));
  EXPECT_TRUE(mix->wheels.empty());
  EXPECT_EQ(CountOf(audioMasterAutomate), 0);
  EXPECT_EQ(plug->ParameterAt(kParamMix)->Value(), before);
  SendMessageA(w, WM_MOUSEWHEEL, Wheel(30), ScreenPoint(w, 30, 30));
  EXPECT_EQ(mix->wheels, std::vector<int>{1});
  EXPECT_EQ(CountOf(audioMasterAutomate), 1);
  // 10 left over: it does not carry to another control.
  SendMessageA(w, WM_MOUSEWHEEL, Wheel(110), ScreenPoint(w, 70, 30));
  EXPECT_TRUE(output->wheels.empty());
  SendMessageA(w, WM_MOUSEWHEEL, Wheel(10), ScreenPoint(w, 70, 30));
  EXPECT_EQ(output->wheels, std::vector<int>{1});
}

TEST(WheelNotches, KeepsTheRemainderPerControlAndDirection)
{
  WheelNotches wheel;
  EXPECT_EQ(wheel.Take(240, 1), 2);
  EXPECT_EQ(wheel.Take(100, 1), 0);
  EXPECT_EQ(wheel.Take(-30, 1), 0);  // reversed: the 100 are dropped
  EXPECT_EQ(wheel.Remainder(), -30);
  EXPECT_EQ(wheel.Take(-90, 1), -1);
  EXPECT_EQ(wheel.Take(-119, 2), 0);
  EXPECT_EQ(wheel.Take(-1, 2), -1);
  EXPECT_EQ(wheel.Take(-32768, 2), -273);
  EXPECT_EQ(wheel.Remainder(), -8);
  wheel.Reset();
  EXPECT_EQ(wheel.Take(-112, 2), 0);
}

TEST_F(EditorWindowInput, KeysOverTheEditorGoToTheControlOrOnToTheHostsTopWindow)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  const POINT o = ScreenOrigin(w);
  // Over the key-taking probe: handled there, the host hears nothing.
  SetCursorPos(o.x + 110, o.y + 30);
  PumpPending();
  SendMessageA(w, WM_KEYDOWN, 'Q', 0);
  ASSERT_EQ(keyTaker->keys, std::vector<int>{kKeyLetterA + ('Q' - 'A')});
  EXPECT_TRUE(FrameKeys().empty());
  // Over a knob that takes no keys: asked, then passed on.
  SetCursorPos(o.x + 70, o.y + 30);
  PumpPending();
  SendMessageA(w, WM_KEYDOWN, VK_UP, 0);
  SendMessageA(w, WM_KEYDOWN, '7', 0);
  EXPECT_EQ(output->keys, (std::vector<int>{kKeyUp, kKeyDigit0 + 7}));
  // F1 is no editor key: nobody is asked.
  SendMessageA(w, WM_KEYDOWN, VK_F1, 0);
  SendMessageA(w, WM_KEYUP, VK_F1, 0);
  EXPECT_EQ(output->keys.size(), 2u);
  // The first control of the list stands for the background: keys over it
  // go to the key catcher (none here), not to it.
  SetCursorPos(o.x + 30, o.y + 30);
  PumpPending();
  SendMessageA(w, WM_KEYDOWN, 'A', 0);
  EXPECT_TRUE(mix->keys.empty());
  EXPECT_EQ(FrameKeys(), (std::vector<UINT>{VK_UP, '7', VK_F1, 0, 'A'}));
}

// ---------------------------------------------------------------- painting

using EditorWindowPaint = EditorFixture;

TEST_F(EditorWindowPaint, APaintPresentsTheSurfaceOnTheWindow)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  UpdateWindow(w);
  EXPECT_EQ(AsRgb(WindowPixel(w, 30, 30)), mix->Colour());
  EXPECT_EQ(AsRgb(WindowPixel(w, 70, 40)), output->Colour());
  const PixelValue surface = LICE_RowAddress(editor->Surface(), 30)[30] & 0xFFFFFF;
  EXPECT_EQ(surface, mix->Colour());
  RECT r;
  EXPECT_FALSE(GetUpdateRect(w, &r, FALSE));
}

TEST_F(EditorWindowPaint, TheTimerRepaintsWhatChangedAndDrawsNothingWhenNothingDid)
{
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  UpdateWindow(w);
  Tick();  // the pending second paint of every control
  Tick();
  const int mixRenders = mix->renders, outputRenders = output->renders;
  Tick();
  EXPECT_EQ(mix->renders, mixRenders);
  EXPECT_EQ(output->renders, outputRenders);

  plug->SetEditorParam(kParamMix, 0.75);  // as a value the host sets would do
  editor->PushParamToControls(kParamMix, 0.75, true);
  Tick();
  EXPECT_EQ(mix->renders, mixRenders + 1);
  EXPECT_EQ(output->renders, outputRenders);
  EXPECT_EQ(AsRgb(WindowPixel(w, 30, 30)), ProbeColour(0x2040A0, 0.75));
}

TEST_F(EditorWindowPaint, AnEditorWithoutControlsValidatesItsPaint)
{
  std::unique_ptr<Vexa> bare(new Vexa(RecordingHost));
  IGraphicsWin* empty = new IGraphicsWin(bare.get(), 40, 30, 25);
  bare->AttachEditor(empty);
  HostFrame host("EditorTestFrame", 0, 0, 50, 40);
  HWND w = static_cast<HWND>(empty->OpenEditor(host.hwnd));
  ASSERT_NE(w, nullptr);
  UpdateWindow(w);
  RECT r;
  EXPECT_FALSE(GetUpdateRect(w, &r, FALSE));
}

// ------------------------------------------------------------------ resizing

using EditorWindowResize = EditorFixture;

TEST_F(EditorWindowResize, ResizesTheWindowAndItsChildFramesByTheSameDifference)
{
  HostFrame top("EditorTestFrame", 0, 0, 400, 300);  // a child of the desk
  HostFrame outer("EditorTestFrame", 5, 5, 300, 200, top.hwnd);
  HostFrame inner("EditorTestFrame", 5, 5, 250, 150, outer.hwnd);
  HWND w = static_cast<HWND>(editor->OpenEditor(inner.hwnd));
  ASSERT_NE(w, nullptr);
  editor->SetEditorSize(kWidth, kHeight);
  auto size = [](HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    return std::make_pair(static_cast<int>(r.right - r.left), static_cast<int>(r.bottom - r.top));
  };
  EXPECT_EQ(size(w), std::make_pair(kWidth, kHeight));
  editor->SetEditorSize(kWidth + 20, kHeight - 10);
  EXPECT_EQ(size(w), std::make_pair(kWidth + 20, kHeight - 10));
  EXPECT_EQ(size(inner.hwnd), std::make_pair(270, 140));
  EXPECT_EQ(size(outer.hwnd), std::make_pair(320, 190));
  EXPECT_EQ(size(top.hwnd), std::make_pair(400, 300));
  EXPECT_EQ(editor->Width(), kWidth + 20);
  ERect* rect = nullptr;
  plug->Effect()->dispatcher(plug->Effect(), effEditGetRect, 0, 0, &rect, 0.0f);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right, kWidth + 20);
  EXPECT_EQ(rect->bottom, kHeight - 10);
}

TEST_F(EditorWindowResize, AParentThatIsATopLevelWindowIsResizedButNothingAbove)
{
  HostFrame top("EditorTestFrame", 0, 0, kWidth, kHeight, nullptr);
  ASSERT_NE(editor->OpenEditor(top.hwnd), nullptr);
  RECT before;
  GetWindowRect(top.hwnd, &before);
  editor->SetEditorSize(kWidth + 4, kHeight + 6);
  RECT after;
  GetWindowRect(top.hwnd, &after);
  EXPECT_EQ(after.right - after.left, before.right - before.left + 4);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top + 6);
}

// ----------------------------------------------------------- message boxes

namespace {

// The owner of the first message box seen on this thread, which is then
// dismissed; set by a thread timer that runs inside the box's modal loop.
HWND gBoxOwner = nullptr;
bool gBoxSeen = false;

BOOL CALLBACK DismissBox(HWND w, LPARAM)
{
  char name[16] = {};
  GetClassNameA(w, name, sizeof name);
  if (lstrcmpA(name, "#32770") != 0) return TRUE;
  gBoxSeen = true;
  gBoxOwner = GetWindow(w, GW_OWNER);
  PostMessageA(w, WM_COMMAND, IDOK, 0);
  return FALSE;
}

void CALLBACK LookForBox(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), DismissBox, 0); }

// Shows a message through editor and reports the owner its box had.
HWND OwnerOfMessageBox(IGraphicsWin* editor)
{
  gBoxOwner = nullptr;
  gBoxSeen = false;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, LookForBox);
  editor->ShowMessage("text", "caption", MB_OK);
  KillTimer(nullptr, timer);
  EXPECT_TRUE(gBoxSeen);
  return gBoxOwner;
}

}  // namespace

using EditorMessageBox = EditorFixture;

TEST_F(EditorMessageBox, IsOwnedByTheHostsTopWindowFoundFromTheParent)
{
  HostFrame top("HostTopFrame", 0, 0, 400, 300, nullptr);
  HostFrame inner("EditorTestFrame", 5, 5, 250, 150, top.hwnd);
  ASSERT_NE(editor->OpenEditor(inner.hwnd), nullptr);
  EXPECT_EQ(OwnerOfMessageBox(editor), top.hwnd);
  EXPECT_EQ(editor->HostTopWindow(), top.hwnd);
}

TEST_F(EditorMessageBox, IsUnownedBeforeTheEditorWasEverOpened)
{
  EXPECT_EQ(OwnerOfMessageBox(editor), nullptr);
}

TEST_F(EditorMessageBox, FindsAHostTopWindowOfTheSameClassAfterTheOldOneWent)
{
  {
    HostFrame top("HostTopFrame", 0, 0, 400, 300, nullptr);
    ASSERT_NE(editor->OpenEditor(top.hwnd), nullptr);
    EXPECT_EQ(OwnerOfMessageBox(editor), top.hwnd);
    editor->CloseEditor();
  }
  HostFrame other("OtherHostClass", 0, 0, 100, 100, nullptr);
  HostFrame again("HostTopFrame", 10, 10, 400, 300, nullptr);
  EXPECT_EQ(OwnerOfMessageBox(editor), again.hwnd);
}

// ------------------------------------------------------------ cursor, images

TEST_F(EditorFixture, HiddenCursorComesBackWhereItWasHidden)
{
  ASSERT_NE(OpenInFrame(), nullptr);
  SetCursorPos(50, 60);
  editor->HideCursor();
  SetCursorPos(200, 210);
  editor->HideCursor();  // already hidden: the first place stays
  editor->RestoreCursor();
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 50);
  EXPECT_EQ(p.y, 60);
  SetCursorPos(70, 80);
  editor->RestoreCursor();  // not hidden: nothing moves
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 70);
}

TEST_F(EditorFixture, ImagesComeFromTheModulesPngResourcesWithTheExtensionAndSizeRules)
{
  std::unique_ptr<LICE_IBitmap> small(editor->LoadImageResource(101, "images/SMALL.png"));
  ASSERT_NE(small, nullptr);
  ASSERT_EQ(small->Width(), 3);
  ASSERT_EQ(small->Height(), 2);
  // Drawn as (x * 100, y * 200, 7) with alpha 255 - x * 50.
  EXPECT_EQ(LICE_RowAddress(small.get(), 1)[2], 0x9BC8C807u);
  EXPECT_NE(std::unique_ptr<LICE_IBitmap>(editor->LoadImageResource(101, "SMALL.PnG")), nullptr);
  EXPECT_EQ(editor->LoadImageResource(101, "images/SMALL.bmp"), nullptr);
  EXPECT_EQ(editor->LoadImageResource(101, "png"), nullptr);
  EXPECT_EQ(editor->LoadImageResource(102, "seven.png"), nullptr);
  EXPECT_EQ(editor->LoadImageResource(103, "junk.png"), nullptr);
  EXPECT_EQ(editor->LoadImageResource(104, "missing.png"), nullptr);
  EXPECT_EQ(editor->LoadImageResource(0x10065, "wrapped.png"), nullptr);
}
