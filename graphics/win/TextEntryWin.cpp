// Typing a value: a native edit box over the control, its own window
// procedure with the character filters, and the timer step that commits or
// cancels what was typed.
#include "core/Parameter.h"
#include "graphics/win/GraphicsWin.h"
#include "graphics/win/ServiceRules.h"

namespace {

constexpr int kEntryControlId = 99;
// Marks the box's user data as the editor's entry box.
constexpr LONG_PTR kEntryMarker = 0xDEADF00B;
// Most characters read back from the box.
constexpr int kEntryTextChars = 32;
constexpr int kBoldWeight = 700;
// Notification code that commits the entry.
constexpr WORD kCommitNotification = 1;

DWORD AlignmentStyle(int alignment)
{
  if (alignment == kAlignLeft) return ES_LEFT;
  if (alignment == kAlignRight) return ES_RIGHT;
  return ES_CENTER;
}

}  // namespace

void IGraphicsWin::BeginTextEntry(IControl* control, const ITextStyle& style, const IArea& area,
                                  const char* initialText, IParameter* param)
{
  if (!control || mEntryWindow || !mWindow) return;
  const DWORD boxStyle = WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_MULTILINE | AlignmentStyle(style.alignment);
  HWND box = CreateWindowExA(0, "EDIT", initialText ? initialText : "", boxStyle, area.left, area.top,
                             area.right - area.left + 1, area.bottom - area.top + 1, mWindow,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryControlId)), mModule, nullptr);
  if (!box) return;
  HFONT font = CreateFontA(style.size, 0, 0, 0, style.style == kTextStyleBold ? kBoldWeight : 0,
                           style.style == kTextStyleItalic, 0, 0, 0, 0, 0, 0, 0, style.fontName);
  SendMessageA(box, EM_LIMITTEXT, static_cast<WPARAM>(control->EntryCharLimit()), 0);
  if (font) SendMessageA(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  SendMessageA(box, EM_SETSEL, 0, -1);
  SetFocus(box);
  mEntryPreviousProc = reinterpret_cast<WNDPROC>(
    SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EntryProc)));
  SetWindowLongPtrA(box, GWLP_USERDATA, kEntryMarker);
  mEntryWindow = box;
  mEntryFont = font;
  mEntryControl = control;
  mEntryParam = param;
  mEntryState = kEntryIdle;
}

LRESULT CALLBACK IGraphicsWin::EntryProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
  HWND parent = GetParent(hwnd);
  IGraphicsWin* editor = parent ? reinterpret_cast<IGraphicsWin*>(GetWindowLongPtrA(parent, GWLP_USERDATA)) : nullptr;
  if (!editor || editor->mEntryWindow != hwnd || !editor->mEntryPreviousProc) {
    return DefWindowProcA(hwnd, msg, wp, lp);
  }
  return editor->HandleEntryMessage(hwnd, msg, wp, lp);
}

LRESULT IGraphicsWin::HandleEntryMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
  HideTooltip();
  switch (msg) {
    case WM_SETFOCUS: mEntryState = kEntryEditing; break;
    case WM_KILLFOCUS: mEntryState = kEntryCommit; break;
    case WM_KEYDOWN:
      if (wp == VK_RETURN) {
        mEntryState = kEntryCommit;
        return 0;
      }
      if (wp == VK_ESCAPE) {
        mEntryState = kEntryCancel;
        return 0;
      }
      break;
    case WM_CHAR:
      if (!EntryAcceptsChar(mEntryParam, static_cast<unsigned>(wp))) return 0;
      break;
    case WM_GETDLGCODE: {
      LRESULT code = CallWindowProcA(mEntryPreviousProc, hwnd, msg, wp, lp);
      const MSG* query = reinterpret_cast<const MSG*>(lp);
      if (!mEntryParam && query && query->message == WM_KEYDOWN && query->wParam == VK_RETURN) {
        code |= DLGC_WANTALLKEYS;
      }
      return code;
    }
    case WM_COMMAND:
      if (HIWORD(wp) == kCommitNotification) {
        mEntryState = kEntryCommit;
        return 0;
      }
      break;
    default: break;
  }
  return CallWindowProcA(mEntryPreviousProc, hwnd, msg, wp, lp);
}

void IGraphicsWin::EntryTimerStep()
{
  switch (mEntryState) {
    case kEntryCancel: EndTextEntry(); return;
    case kEntryCommit:
      CommitEntry();
      EndTextEntry();
      return;
    default:
      // Repainted around the box on the last tick; the next tick is normal.
      mEntryState = kEntryIdle;
      return;
  }
}

void IGraphicsWin::CommitEntry()
{
  if (!mEntryWindow || !mEntryControl) return;
  char text[kEntryTextChars + 1] = {};
  SendMessageA(mEntryWindow, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  if (mEntryParam) {
    mEntryControl->TakeUserValue(NormalizedValue(*mEntryParam, EntryTypedValue(*mEntryParam, text)));
  } else {
    mEntryControl->TakeUserText(text);
  }
}

void IGraphicsWin::EndTextEntry()
{
  if (!mEntryWindow) return;
  HWND box = mEntryWindow;
  // From here on the box's messages are not the entry's.
  mEntryWindow = nullptr;
  if (mEntryPreviousProc) SetWindowLongPtrA(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mEntryPreviousProc));
  // The keys go back to the editor rather than to nowhere.
  if (GetFocus() == box && mWindow) SetFocus(mWindow);
  DestroyWindow(box);
  if (mEntryFont) DeleteObject(mEntryFont);
  mEntryFont = nullptr;
  mEntryPreviousProc = nullptr;
  mEntryControl = nullptr;
  mEntryParam = nullptr;
  mEntryState = kEntryIdle;
}

LRESULT IGraphicsWin::EntryColours(HDC dc)
{
  if (!mEntryControl) return 0;
  const ITextStyle& style = mEntryControl->TextStyle();
  const COLORREF background = NativeColour(style.entryBackground);
  SetBkColor(dc, background);
  SetTextColor(dc, NativeColour(style.entryText));
  SetBkMode(dc, OPAQUE);
  SetDCBrushColor(dc, background);
  return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
}
