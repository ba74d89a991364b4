// The editor's dialog-style services: popup menus, tooltips, the file and
// colour dialogs, web pages, well-known folders and clipboard text.
#include "graphics/win/GraphicsWin.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>
#include <wininet.h>

#include <climits>
#include <new>

#include "graphics/win/NativeMenuWin.h"
#include "graphics/win/ServiceRules.h"

namespace {

// A menu's command carries its item id in the low word only.
constexpr WPARAM kMenuCommandLimit = 0x10000;
// Custom colours the colour dialog keeps.
constexpr int kCustomColourCount = 16;
// File names the file dialog returns, in characters.
constexpr int kFileNameChars = 255;
// A shell "open" result above this is success.
constexpr INT_PTR kShellSuccessAbove = 32;

UINT_PTR CALLBACK ColourDialogHook(HWND dialog, UINT msg, WPARAM, LPARAM lp)
{
  if (msg == WM_INITDIALOG) {
    const CHOOSECOLORA* cc = reinterpret_cast<const CHOOSECOLORA*>(lp);
    if (cc && cc->lCustData) SetWindowTextA(dialog, reinterpret_cast<const char*>(cc->lCustData));
  }
  return 0;
}

// The folder of a module's file (null: the program), or "".
void ModuleFolder(HMODULE module, IGrowString* out)
{
  if (!out) return;
  char name[MAX_PATH + 1] = {};
  const DWORD n = GetModuleFileNameA(module, name, sizeof name);
  // A name that filled the buffer may have been cut.
  if (n == 0 || n >= sizeof name - 1) {
    out->Set("");
    return;
  }
  FolderOfPath(name, out);
}

// Copies text into a fixed buffer of size bytes, cutting and terminating.
void CopyBounded(char* dst, int size, const char* text)
{
  lstrcpynA(dst, text ? text : "", size);
}

// The dialog filter: the pattern list as its own description, then the
// list itself, double-terminated. Empty on failure.
bool DialogFilter(const IGrowString& patterns, IGrowBuffer* bytes)
{
  const int n = patterns.Length();
  char* p = static_cast<char*>(bytes->Resize(2 * (n + 1) + 1));
  if (!p || bytes->Size() != 2 * (n + 1) + 1) return false;
  CopyMemory(p, patterns.Get(), n + 1);
  CopyMemory(p + n + 1, patterns.Get(), n + 1);
  p[2 * (n + 1)] = 0;
  return true;
}

}  // namespace

PopupMenuSpec* IGraphicsWin::RunPopupMenu(PopupMenuSpec* menu, const IArea& area)
{
  // The menu takes the pointer: a gesture in progress ends here.
  EndCapturedGesture();
  ReleasePointer();
  if (!menu || !mWindow) return nullptr;
  int nextId = 0;
  HMENU native = BuildNativeMenu(menu, &nextId);
  if (!native) return nullptr;
  POINT at = {area.left, area.bottom};
  ClientToScreen(mWindow, &at);
  PopupMenuSpec* chosen = nullptr;
  if (TrackPopupMenu(native, TPM_LEFTBUTTON, at.x, at.y, 0, mWindow, nullptr)) {
    MSG command;
    if (PeekMessageA(&command, mWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE) && command.wParam < kMenuCommandLimit) {
      chosen = ResolveMenuChoice(menu, static_cast<int>(command.wParam));
    }
  }
  DestroyMenu(native);
  const RECT all = {0, 0, Width(), Height()};
  InvalidateRect(mWindow, &all, FALSE);
  return chosen;
}

void IGraphicsWin::SetUpTooltips()
{
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES};
  InitCommonControlsEx(&icc);
  mTooltipWindow = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, mWindow, nullptr,
                                   mModule, nullptr);
  if (!mTooltipWindow) {
    SetTooltipsEnabled(false);
    return;
  }
  SetWindowPos(mTooltipWindow, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = mWindow;
  tool.uId = reinterpret_cast<UINT_PTR>(mWindow);
  tool.lpszText = const_cast<char*>("");
  if (!SendMessageA(mTooltipWindow, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool))) {
    DestroyTooltips();
    SetTooltipsEnabled(false);
  }
}

void IGraphicsWin::DestroyTooltips()
{
  if (mTooltipWindow) DestroyWindow(mTooltipWindow);
  mTooltipWindow = nullptr;
  mTooltipShown = false;
  mTooltipIndex = -1;
}

void IGraphicsWin::ShowTooltip()
{
  if (!mTooltipWindow || !mWindow) return;
  IControl* c = ControlAt(mTooltipIndex);
  TOOLINFOA tool = {};
  tool.cbSize = TTTOOLINFOA_V1_SIZE;
  tool.hwnd = mWindow;
  tool.uId = reinterpret_cast<UINT_PTR>(mWindow);
  tool.lpszText = const_cast<char*>(c ? c->Tooltip() : "");
  SendMessageA(mTooltipWindow, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  mTooltipShown = true;
}

void IGraphicsWin::HideTooltip()
{
  if (!mTooltipShown) return;
  if (mTooltipWindow && mWindow) {
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V1_SIZE;
    tool.hwnd = mWindow;
    tool.uId = reinterpret_cast<UINT_PTR>(mWindow);
    tool.lpszText = nullptr;
    SendMessageA(mTooltipWindow, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  mTooltipShown = false;
}

void IGraphicsWin::TrackPointer(int hoverIndex)
{
  TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, mWindow, HOVER_DEFAULT};
  TrackMouseEvent(&track);
  if (!mTooltipWindow || hoverIndex == mTooltipIndex) return;
  mTooltipIndex = hoverIndex;
  if (hoverIndex >= 0) {
    track.dwFlags = TME_HOVER | TME_LEAVE;
    TrackMouseEvent(&track);
  }
  HideTooltip();
}

void IGraphicsWin::HostFolder(IGrowString* out) { ModuleFolder(nullptr, out); }

void IGraphicsWin::PluginFolder(IGrowString* out) { ModuleFolder(mModule, out); }

void IGraphicsWin::DesktopFolder(IGrowString* out)
{
  if (!out) return;
  char path[MAX_PATH + 1] = {};
  out->Set(SHGetSpecialFolderPathA(nullptr, path, CSIDL_DESKTOP, FALSE) ? path : "");
}

void IGraphicsWin::AppDataFolder(IGrowString* out, bool shared)
{
  if (!out) return;
  char path[MAX_PATH + 1] = {};
  const int which = shared ? CSIDL_COMMON_APPDATA : CSIDL_LOCAL_APPDATA;
  out->Set(SUCCEEDED(SHGetFolderPathA(nullptr, which, nullptr, 0, path)) ? path : "");
}

void IGraphicsWin::ChooseFile(IGrowString* outName, int action, IGrowString* folder, const char* extensions)
{
  if (!outName) return;
  if (!mWindow) {
    outName->Set("");
    return;
  }
  char file[kFileNameChars + 1];
  CopyBounded(file, sizeof file, outName->Get());
  IGrowString localFolder;
  IGrowString* dir = folder ? folder : &localFolder;
  if (dir->Length() == 0) DesktopFolder(dir);
  char initialDir[MAX_PATH + 1];
  CopyBounded(initialDir, sizeof initialDir, dir->Get());

  IGrowString patterns, defaultExtension;
  IGrowBuffer filter(128);
  const bool filtered = FileFilterFor(extensions, &patterns, &defaultExtension) && DialogFilter(patterns, &filter);

  OPENFILENAMEA ofn = {};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = mWindow;
  ofn.lpstrFilter = filtered ? static_cast<const char*>(filter.Data()) : nullptr;
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  ofn.lpstrInitialDir = initialDir;
  ofn.lpstrDefExt = filtered ? defaultExtension.Get() : nullptr;
  const bool save = action == 1;
  ofn.Flags = save ? (OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST) : (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
  const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!chosen) {
    outName->Set("");
    return;
  }
  IGrowString chosenFolder;
  if (FolderOfPath(file, &chosenFolder) && folder) folder->Set(chosenFolder.Get());
  outName->Set(file);
}

bool IGraphicsWin::ChooseColour(IRgba* colour, const char* prompt)
{
  if (!colour || !mWindow) return false;
  if (!mCustomColours) mCustomColours = new (std::nothrow) COLORREF[kCustomColourCount]();
  if (!mCustomColours) return false;
  CHOOSECOLORA cc = {};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = mWindow;
  cc.rgbResult = NativeColour(*colour);
  cc.lpCustColors = mCustomColours;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ENABLEHOOK | CC_SOLIDCOLOR | CC_ANYCOLOR;
  cc.lCustData = reinterpret_cast<LPARAM>(prompt);
  cc.lpfnHook = ColourDialogHook;
  if (!ChooseColorA(&cc)) return false;
  colour->red = GetRValue(cc.rgbResult);
  colour->green = GetGValue(cc.rgbResult);
  colour->blue = GetBValue(cc.rgbResult);
  return true;
}

bool IGraphicsWin::OpenWebPage(const char* url, const char* title, const char* confirmText, const char* errorText)
{
  if (!url || !*url) return false;
  const char* caption = title ? title : "";
  if (confirmText && MessageBoxA(mWindow, confirmText, caption, MB_YESNO) != IDYES) return false;
  DWORD connection = 0;
  if (InternetGetConnectedState(&connection, 0)) {
    const HINSTANCE r = ShellExecuteA(mWindow, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(r) > kShellSuccessAbove) return true;
  }
  if (errorText) MessageBoxA(mWindow, errorText, caption, MB_OK);
  return false;
}

bool IGraphicsWin::ReadClipboardText(IGrowString* out)
{
  if (!out) return false;
  out->Set("");
  if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(mWindow)) return false;
  bool ok = false;
  HANDLE data = GetClipboardData(CF_UNICODETEXT);
  const wchar_t* text = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr;
  if (text) {
    // The text ends at its terminator or, without one, at the block's end.
    const SIZE_T capacity = GlobalSize(data) / sizeof(wchar_t);
    SIZE_T length = 0;
    while (length < capacity && text[length]) ++length;
    if (capacity > 0 && length < static_cast<SIZE_T>(INT_MAX / 4)) {
      const int n = static_cast<int>(length);
      const int bytes = n ? WideCharToMultiByte(CP_UTF8, 0, text, n, nullptr, 0, nullptr, nullptr) : 0;
      IGrowBuffer converted(128);
      char* utf8 = static_cast<char*>(converted.Resize(bytes + 1));
      if (utf8 && converted.Size() == bytes + 1 && (n == 0 || bytes > 0)) {
        if (WideCharToMultiByte(CP_UTF8, 0, text, n, utf8, bytes, nullptr, nullptr) == bytes) {
          utf8[bytes] = 0;
          out->Set(utf8);
          ok = true;
        }
      }
    }
    GlobalUnlock(data);
  }
  CloseClipboard();
  return ok;
}
