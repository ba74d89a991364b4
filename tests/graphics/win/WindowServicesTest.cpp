// The editor window's services that run without a user: typing a value into
// the entry box, the native popup menu's numbering, tooltips, the folders,
// clipboard text, and the dialogs' answers while the window is closed.
#include "tests/graphics/win/EditorFixtureWin.h"

#include <commctrl.h>

#include "core/Parameter.h"
#include "graphics/win/NativeMenuWin.h"
#include "graphics/win/ServiceRules.h"

namespace {

std::string BoxText(HWND box)
{
  char text[64] = {};
  GetWindowTextA(box, text, sizeof text);
  return text;
}

void Type(HWND box, const char* chars)
{
  for (const char* c = chars; *c; ++c) SendMessageA(box, WM_CHAR, static_cast<unsigned char>(*c), 0);
}

int AutomationsOf(int index)
{
  int n = 0;
  for (const RecordedCall& c : RecordedCalls()) n += c.opcode == audioMasterAutomate && c.index == index;
  return n;
}

std::string MenuText(HMENU menu, int position)
{
  char text[64] = {};
  GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
  return text;
}

}  // namespace

// --------------------------------------------------------------- text entry

class TextEntry : public EditorFixture
{
protected:
  void SetUp() override
  {
    EditorFixture::SetUp();
    ASSERT_NE(OpenInFrame(), nullptr);
  }

  // Starts an entry over the Output probe for its parameter, or for none.
  HWND Begin(IParameter* param, const char* text = "0") { return BeginOver(output, param, text); }

  HWND BeginOver(ProbeControl* control, IParameter* param, const char* text)
  {
    editor->BeginTextEntry(control, control->TextStyle(), control->DrawArea(), text, param);
    return editor->EntryWindow();
  }

  IParameter* Param(int index) { return plug->ParameterAt(index); }
};

TEST_F(TextEntry, TheBoxSitsOverTheControlWithItsTextSelectedAndFocused)
{
  HWND box = Begin(Param(kParamOutput), "1.5");
  ASSERT_NE(box, nullptr);
  char name[16] = {};
  GetClassNameA(box, name, sizeof name);
  EXPECT_STREQ(name, "Edit");
  EXPECT_EQ(GetParent(box), Window());
  EXPECT_EQ(GetDlgCtrlID(box), 99);
  EXPECT_EQ(GetFocus(), box);
  EXPECT_EQ(BoxText(box), "1.5");
  EXPECT_EQ(SendMessageA(box, EM_GETLIMITTEXT, 0, 0), 7);
  DWORD from = 1, to = 0;
  SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
  EXPECT_EQ(from, 0u);
  EXPECT_EQ(to, 3u);
  RECT r;
  GetWindowRect(box, &r);
  EXPECT_EQ(r.right - r.left, 25);  // the control's 24 pixels, right edge included
  // A second entry while one is open is ignored.
  editor->BeginTextEntry(mix, mix->TextStyle(), mix->DrawArea(), "x", Param(kParamMix));
  EXPECT_EQ(editor->EntryWindow(), box);
}

TEST_F(TextEntry, EnterCommitsTheTypedNumberOnTheNextTick)
{
  HWND box = Begin(Param(kParamOutput));
  ASSERT_NE(box, nullptr);
  Type(box, "a-3x.5");  // letters are refused for a continuous parameter
  EXPECT_EQ(BoxText(box), "-3.5");
  SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(editor->EntryState(), kEntryCommit);
  EXPECT_EQ(Param(kParamOutput)->Value(), 0.0);
  Tick();
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(editor->EntryWindow(), nullptr);
  EXPECT_EQ(editor->EntryState(), kEntryIdle);
  EXPECT_DOUBLE_EQ(Param(kParamOutput)->Value(), -3.5);
  EXPECT_DOUBLE_EQ(output->Value(), (12.0 - 3.5) / 24.0);
  ASSERT_EQ(AutomationsOf(kParamOutput), 1);
  EXPECT_FLOAT_EQ(RecordedCalls().back().opt, static_cast<float>((12.0 - 3.5) / 24.0));
  // The keys are the editor's again.
  EXPECT_EQ(GetFocus(), Window());
}

TEST_F(TextEntry, EscapeCancelsAndChangesNothing)
{
  HWND box = Begin(Param(kParamOutput));
  Type(box, "5");
  SendMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_EQ(editor->EntryState(), kEntryCancel);
  Tick();
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(Param(kParamOutput)->Value(), 0.0);
  EXPECT_EQ(AutomationsOf(kParamOutput), 0);
}

TEST_F(TextEntry, LosingTheFocusCommits)
{
  HWND box = Begin(Param(kParamOutput));
  Type(box, "12");
  SetFocus(frame->hwnd);
  EXPECT_EQ(editor->EntryState(), kEntryCommit);
  Tick();
  EXPECT_DOUBLE_EQ(Param(kParamOutput)->Value(), 12.0);
}

TEST_F(TextEntry, AWholeNumberParameterRefusesTheDecimalPoint)
{
  HWND box = BeginOver(sequence, Param(kParamSequence), "0");
  Type(box, "+.1a");
  EXPECT_EQ(BoxText(box), "+1");
  Type(box, "\b");
  EXPECT_EQ(BoxText(box), "+");
  Type(box, "1");
  SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
  Tick();
  EXPECT_EQ(Param(kParamSequence)->Value(), 1.0);
}

TEST_F(TextEntry, ValuesOutsideTheRangeAreLimitedAndTextWithoutANumberGivesZero)
{
  HWND box = Begin(Param(kParamOutput));
  Type(box, "99");
  SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
  Tick();
  EXPECT_DOUBLE_EQ(Param(kParamOutput)->Value(), 12.0);
  box = Begin(Param(kParamOutput), "6");
  Type(box, "-");
  SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
  Tick();
  EXPECT_DOUBLE_EQ(Param(kParamOutput)->Value(), 0.0);
}

TEST_F(TextEntry, WithoutAParameterTheTextGoesToTheControlUnfiltered)
{
  HWND box = Begin(nullptr, "");
  Type(box, "Hi.5");
  SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
  Tick();
  EXPECT_EQ(output->texts, std::vector<std::string>{"Hi.5"});
}

TEST_F(TextEntry, APressInTheEditorCommitsAndAWheelTurnCancels)
{
  HWND box = Begin(Param(kParamOutput));
  Type(box, "4");
  Send(WM_LBUTTONDOWN, MK_LBUTTON, 30, 30);
  EXPECT_EQ(mix->downs, 0);
  EXPECT_EQ(editor->EntryState(), kEntryCommit);
  Tick();
  EXPECT_DOUBLE_EQ(Param(kParamOutput)->Value(), 4.0);

  box = Begin(Param(kParamOutput));
  Type(box, "7");
  SendMessageA(Window(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  EXPECT_EQ(editor->EntryState(), kEntryCancel);
  Tick();
  EXPECT_DOUBLE_EQ(Param(kParamOutput)->Value(), 4.0);
  EXPECT_TRUE(mix->wheels.empty());

  box = Begin(Param(kParamOutput));
  editor->CancelTextEntry();
  Tick();
  EXPECT_FALSE(IsWindow(box));
}

TEST_F(TextEntry, WhileEditingTheEditorIgnoresAllButAPressWhichCancels)
{
  HWND box = Begin(Param(kParamOutput));
  // The box gains the focus again after the user went elsewhere.
  SetFocus(frame->hwnd);
  SetFocus(box);
  ASSERT_EQ(editor->EntryState(), kEntryEditing);
  Type(box, "9");
  Tick();
  Send(WM_MOUSEMOVE, MK_LBUTTON, 30, 10);
  EXPECT_TRUE(IsWindow(box));
  Send(WM_RBUTTONDOWN, MK_RBUTTON, 30, 30);
  EXPECT_EQ(editor->EntryState(), kEntryCancel);
  EXPECT_EQ(mix->downs, 0);
  Tick();
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(Param(kParamOutput)->Value(), 0.0);
}

TEST_F(TextEntry, TheTimerRepaintsAroundTheOpenBoxThenGoesBackToNormal)
{
  HWND box = Begin(Param(kParamOutput));
  UpdateWindow(Window());
  const int outputRenders = output->renders;
  mix->TakePlugValue(0.9);
  output->TakePlugValue(0.9);
  Tick();
  EXPECT_EQ(editor->EntryState(), kEntryRepainted);
  EXPECT_GT(mix->renders, 0);
  EXPECT_EQ(output->renders, outputRenders);  // the box's control stays covered
  Tick();
  EXPECT_EQ(editor->EntryState(), kEntryIdle);
  EXPECT_TRUE(IsWindow(box));
}

TEST_F(TextEntry, ClosingTheEditorEndsTheEntryWithoutCommitting)
{
  HWND box = Begin(Param(kParamOutput));
  Type(box, "3");
  SendMessageA(box, WM_KEYDOWN, VK_RETURN, 0);
  editor->CloseEditor();
  EXPECT_FALSE(IsWindow(box));
  EXPECT_EQ(editor->EntryWindow(), nullptr);
  EXPECT_EQ(Param(kParamOutput)->Value(), 0.0);
}

TEST_F(TextEntry, TheBoxTakesTheControlsEntryColours)
{
  output->TextStyle().entryBackground = IRgba{255, 10, 20, 30};
  output->TextStyle().entryText = IRgba{255, 200, 100, 50};
  HWND box = Begin(Param(kParamOutput));
  HDC dc = GetDC(box);
  const LRESULT brush = SendMessageA(Window(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box));
  EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH)));
  EXPECT_EQ(GetBkColor(dc), RGB(10, 20, 30));
  EXPECT_EQ(GetTextColor(dc), RGB(200, 100, 50));
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  ReleaseDC(box, dc);
}

TEST(EntryRules, FilterCharactersByParameterKind)
{
  IParameter continuous, whole, plain;
  continuous.DefineContinuous("c", "", 0.0, -1.0, 1.0, 0.01, 1.0);
  whole.DefineInteger("i", 0.0, 0.0, 9.0, "");
  for (unsigned ch : std::vector<unsigned>{'0', '9', '-', '+', '\b', 0x16 /* paste */}) {
    EXPECT_TRUE(EntryAcceptsChar(&continuous, ch)) << ch;
    EXPECT_TRUE(EntryAcceptsChar(&whole, ch)) << ch;
  }
  EXPECT_TRUE(EntryAcceptsChar(&continuous, '.'));
  EXPECT_FALSE(EntryAcceptsChar(&whole, '.'));
  for (unsigned ch : {'a', 'e', ',', ' ', '\r', '\n'}) {
    EXPECT_FALSE(EntryAcceptsChar(&continuous, ch)) << ch;
    EXPECT_FALSE(EntryAcceptsChar(&whole, ch)) << ch;
  }
  EXPECT_TRUE(EntryAcceptsChar(&plain, 'a'));
  EXPECT_TRUE(EntryAcceptsChar(nullptr, '\r'));
}

TEST(EntryRules, TypedTextReadsItsLeadingNumberAndNothingElse)
{
  IParameter p;
  p.DefineContinuous("c", "", 0.0, -100.0, 100.0, 0.01, 1.0);
  EXPECT_EQ(EntryTypedValue(p, "-3.25dB"), -3.25);
  EXPECT_EQ(EntryTypedValue(p, "+7"), 7.0);
  EXPECT_EQ(EntryTypedValue(p, "dB"), 0.0);
  EXPECT_EQ(EntryTypedValue(p, ""), 0.0);
  EXPECT_EQ(EntryTypedValue(p, "nan"), 0.0);
  EXPECT_EQ(EntryTypedValue(p, nullptr), 0.0);
}

// ------------------------------------------------------------------- menus

TEST(PopupMenuNumbering, ASubmenuTakesTheIdsAfterItsParentsBlock)
{
  PopupMenuSpec menu;
  menu.AddItem("one");
  PopupMenuSpec* sub = new PopupMenuSpec;
  sub->AddItem("two a");
  sub->AddItem("two b", kItemChecked);
  menu.AddSubmenu("two", sub);
  menu.AddItem("three", kItemGreyed);
  int next = 0;
  HMENU native = BuildNativeMenu(&menu, &next);
  ASSERT_NE(native, nullptr);
  EXPECT_EQ(next, 5);
  ASSERT_EQ(GetMenuItemCount(native), 3);
  EXPECT_EQ(GetMenuItemID(native, 0), 0u);
  EXPECT_EQ(GetMenuItemID(native, 2), 2u);
  EXPECT_TRUE(GetMenuState(native, 2, MF_BYPOSITION) & MF_GRAYED);
  HMENU nativeSub = GetSubMenu(native, 1);
  ASSERT_NE(nativeSub, nullptr);
  EXPECT_EQ(MenuText(native, 1), "two");
  EXPECT_EQ(GetMenuItemID(nativeSub, 0), 3u);
  EXPECT_EQ(GetMenuItemID(nativeSub, 1), 4u);
  EXPECT_TRUE(GetMenuState(nativeSub, 1, MF_BYPOSITION) & MF_CHECKED);
  DestroyMenu(native);

  EXPECT_EQ(ResolveMenuChoice(&menu, 4), sub);
  EXPECT_EQ(sub->ChosenIndex(), 1);
  EXPECT_EQ(ResolveMenuChoice(&menu, 2), &menu);
  EXPECT_EQ(menu.ChosenIndex(), 2);
  EXPECT_EQ(ResolveMenuChoice(&menu, 5), nullptr);
  EXPECT_EQ(ResolveMenuChoice(&menu, -1), nullptr);
}

TEST(PopupMenuNumbering, SeparatorsTakeAnIdSlotButShowNoText)
{
  PopupMenuSpec menu;
  menu.AddItem("a");
  menu.AddItem("", kItemSeparator);
  menu.AddItem("c");
  int next = 0;
  HMENU native = BuildNativeMenu(&menu, &next);
  ASSERT_NE(native, nullptr);
  EXPECT_TRUE(GetMenuState(native, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(GetMenuItemID(native, 2), 2u);
  DestroyMenu(native);
}

TEST(PopupMenuNumbering, TheThreeStylesPrefixThePositionWithTheirDigits)
{
  struct Case
  {
    int numbering;
    const char* fifth;
    const char* twelfth;
  };
  for (const Case& c : {Case{kNumberingPlain, "e", "l"}, Case{kNumberingOneDigit, "5: e", "12: l"},
                        Case{kNumberingTwoDigits, "05: e", "12: l"}, Case{kNumberingThreeDigits, "005: e", "012: l"}}) {
    PopupMenuSpec menu(c.numbering);
    for (char t = 'a'; t <= 'l'; ++t) menu.AddItem(std::string(1, t).c_str());
    int next = 0;
    HMENU native = BuildNativeMenu(&menu, &next);
    ASSERT_NE(native, nullptr);
    EXPECT_EQ(MenuText(native, 4), c.fifth) << c.numbering;
    EXPECT_EQ(MenuText(native, 11), c.twelfth) << c.numbering;
    DestroyMenu(native);
  }
}

TEST_F(EditorFixture, APopupMenuNeedsAnOpenWindow)
{
  PopupMenuSpec menu;
  menu.AddItem("a");
  EXPECT_EQ(editor->RunPopupMenu(&menu, IArea{0, 0, 10, 10}), nullptr);
  EXPECT_EQ(menu.ChosenIndex(), -1);
}

// ------------------------------------------------------------------ tooltips

TEST_F(EditorFixture, TooltipsShowTheTextOfTheControlUnderThePointer)
{
  editor->SetTooltipsEnabled(true);
  editor->SetHoverTracking(true);
  mix->SetTooltip("Mix of the shaped signal");
  HWND w = OpenInFrame();
  ASSERT_NE(w, nullptr);
  HWND tip = editor->TooltipWindow();
  ASSERT_NE(tip, nullptr);
  char name[32] = {};
  GetClassNameA(tip, name, sizeof name);
  EXPECT_STREQ(name, TOOLTIPS_CLASSA);
  // Popups are owned by top-level windows: the editor's root.
  EXPECT_EQ(GetWindow(tip, GW_OWNER), GetAncestor(w, GA_ROOT));

  Send(WM_MOUSEMOVE, 0, 30, 30);
  EXPECT_EQ(editor->HoverIndex(), 0);
  SendMessageA(w, WM_MOUSEHOVER, 0, MAKELPARAM(30, 30));
  char text[64] = {};
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = w;
  tool.uId = reinterpret_cast<UINT_PTR>(w);
  tool.lpszText = text;
  SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, "Mix of the shaped signal");

  editor->CloseEditor();
  EXPECT_FALSE(IsWindow(tip));
  EXPECT_EQ(editor->TooltipWindow(), nullptr);
}

// ----------------------------------------------------------------- folders

TEST_F(EditorFixture, PluginAndHostFoldersEndWithABackslashAndHoldTheirModule)
{
  IGrowString plugin, host;
  editor->PluginFolder(&plugin);
  editor->HostFolder(&host);
  // Linked into this program, the plug-in's module is the program.
  EXPECT_STREQ(plugin.Get(), host.Get());
  ASSERT_GT(plugin.Length(), 0);
  EXPECT_EQ(plugin.Get()[plugin.Length() - 1], '\\');
  char program[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, program, sizeof program);
  const char* file = program + plugin.Length();
  EXPECT_EQ(std::string(program, static_cast<size_t>(plugin.Length())), plugin.Get());
  EXPECT_EQ(std::string(file).find('\\'), std::string::npos);
  const std::string again = std::string(plugin.Get()) + file;
  EXPECT_NE(GetFileAttributesA(again.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(EditorFixture, DesktopAndApplicationDataFoldersAreTheUsersAndTheSharedOnes)
{
  IGrowString desktop, local, shared, user;
  editor->DesktopFolder(&desktop);
  editor->AppDataFolder(&local, false);
  editor->AppDataFolder(&shared, true);
  editor->UserAppDataFolder(&user);
  EXPECT_GT(desktop.Length(), 0);
  EXPECT_GT(local.Length(), 0);
  EXPECT_GT(shared.Length(), 0);
  EXPECT_STRNE(local.Get(), shared.Get());
  EXPECT_STREQ(user.Get(), local.Get());
}

TEST(FolderRules, AFolderIsEverythingUpToTheLastSeparator)
{
  IGrowString out;
  EXPECT_TRUE(FolderOfPath("C:\\Program Files\\Vst\\Vexa.dll", &out));
  EXPECT_STREQ(out.Get(), "C:\\Program Files\\Vst\\");
  EXPECT_TRUE(FolderOfPath("Z:/tmp/x", &out));
  EXPECT_STREQ(out.Get(), "Z:/tmp/");
  EXPECT_FALSE(FolderOfPath("Vexa.dll", &out));
  EXPECT_STREQ(out.Get(), "");
  EXPECT_FALSE(FolderOfPath("C:\\Vst\\", &out));
  EXPECT_FALSE(FolderOfPath(nullptr, &out));
}

// --------------------------------------------------------------- clipboard

namespace {

bool PutClipboard(const wchar_t* text, size_t chars)
{
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  bool ok = true;
  if (text) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, chars * sizeof(wchar_t));
    void* p = block ? GlobalLock(block) : nullptr;
    ok = p != nullptr;
    if (p) {
      CopyMemory(p, text, chars * sizeof(wchar_t));
      GlobalUnlock(block);
      ok = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    }
  }
  CloseClipboard();
  return ok;
}

}  // namespace

TEST_F(EditorFixture, ClipboardTextArrivesAsUtf8)
{
  const wchar_t text[] = L"Gr\u00FC\u00DFe \u2014 \u266A \u65E5\u672C \U0001F3B5";
  ASSERT_TRUE(PutClipboard(text, sizeof text / sizeof text[0]));
  IGrowString out;
  ASSERT_TRUE(editor->ReadClipboardText(&out));
  EXPECT_STREQ(out.Get(), "Gr\xC3\xBC\xC3\x9F" "e \xE2\x80\x94 \xE2\x99\xAA \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5");
  // The same with the window open.
  ASSERT_NE(OpenInFrame(), nullptr);
  IGrowString again;
  ASSERT_TRUE(editor->ReadClipboardText(&again));
  EXPECT_STREQ(again.Get(), out.Get());
}

TEST_F(EditorFixture, AnEmptyClipboardGivesNothing)
{
  ASSERT_TRUE(PutClipboard(nullptr, 0));
  IGrowString out;
  out.Set("stale");
  EXPECT_FALSE(editor->ReadClipboardText(&out));
  EXPECT_STREQ(out.Get(), "");
}

// ---------------------------------------------------- dialogs, window closed

TEST_F(EditorFixture, FileAndColourChoicesNeedAnOpenWindow)
{
  IGrowString name, folder;
  name.Set("preset.fxp");
  folder.Set("C:\\");
  editor->ChooseFile(&name, 1, &folder, "fxp fxb");
  EXPECT_STREQ(name.Get(), "");
  EXPECT_STREQ(folder.Get(), "C:\\");
  IRgba colour{255, 1, 2, 3};
  EXPECT_FALSE(editor->ChooseColour(&colour, "Pick"));
  EXPECT_EQ(colour.red, 1);
  EXPECT_EQ(colour.green, 2);
  EXPECT_EQ(colour.blue, 3);
  EXPECT_FALSE(editor->OpenWebPage(nullptr, "t", nullptr, nullptr));
}

TEST(FileFilterRules, ExtensionsBecomePatternsAndTheFirstIsTheDefault)
{
  IGrowString patterns, def;
  EXPECT_TRUE(FileFilterFor("png jpg", &patterns, &def));
  EXPECT_STREQ(patterns.Get(), "*.png;*.jpg");
  EXPECT_STREQ(def.Get(), "png");
  EXPECT_TRUE(FileFilterFor("  fxp   fxb ", &patterns, &def));
  EXPECT_STREQ(patterns.Get(), "*.fxp;*.fxb");
  EXPECT_STREQ(def.Get(), "fxp");
  EXPECT_TRUE(FileFilterFor("abcdefghijklmnopqrst", &patterns, &def));
  EXPECT_STREQ(def.Get(), "abcdefghijklmno");
  EXPECT_FALSE(FileFilterFor("   ", &patterns, &def));
  EXPECT_STREQ(patterns.Get(), "");
  EXPECT_FALSE(FileFilterFor(nullptr, &patterns, &def));
}
