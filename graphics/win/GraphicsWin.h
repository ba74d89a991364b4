#pragma once
// The editor's Windows window: a native child window inside the host's editor
// frame, its message handling, its redraw timer, and the dialog-style
// services (text entry, menus, tooltips, file and colour dialogs, web links,
// folders, clipboard).

#include <windows.h>

#include "base/GrowBuffer.h"
#include "graphics/Graphics.h"
#include "graphics/win/WheelNotches.h"

// Native class and title of every editor window.
constexpr const char* kEditorWindowClass = "IPlugWndClass";
constexpr const char* kEditorWindowTitle = "IPlug";
// The window timer that drives the redraw tick.
constexpr UINT_PTR kRedrawTimerId = 2;

// The text entry's state while an edit box exists.
enum EditState : int
{
  kEntryIdle = 0,       // no entry, or one whose surroundings may be repainted
  kEntryEditing = 1,    // the box has the keyboard focus
  kEntryRepainted = 2,  // the editor was repainted around the box this tick
  kEntryCancel = 3,
  kEntryCommit = 4,
};

// A colour as a native colour word (0x00BBGGRR), channels limited to 0-255.
COLORREF NativeColour(const IRgba& colour);

// An editor bound to a native window. Constructed by MakeEditorWindow (or
// directly), owned like every IGraphics by the plug-in core once attached
// and destroyed through the virtual destructor, which destroys the window if
// it is open. Owns the window, the text-entry box with its font, the tooltip
// window, the custom colours and the host class name. The window class is
// shared by every editor window of the module and registered while at least
// one exists.
//
// Threads: everything here runs on the host's UI thread, which owns the
// window and its message queue; no lock is taken.
class IGraphicsWin : public IGraphics
{
public:
  IGraphicsWin(IPlugBase* plug, int width, int height, int frameRate);
  ~IGraphicsWin() override;

  // Copies area of the surface onto the window with one bit-block copy.
  bool Present(const IArea& area) override;
  void CancelTextEntry() override;
  // Also resizes the open window and its host frames by the same amounts.
  void SetEditorSize(int width, int height) override;
  bool IsOpen() override;
  const char* BackendName() override;
  // A modal message box owned by the host's top-level window.
  int ShowMessage(const char* text, const char* caption, int type) override;
  PopupMenuSpec* RunPopupMenu(PopupMenuSpec* menu, const IArea& area) override;
  void BeginTextEntry(IControl* control, const ITextStyle& style, const IArea& area, const char* initialText,
                      IParameter* param) override;
  void HostFolder(IGrowString* out) override;
  void PluginFolder(IGrowString* out) override;
  void DesktopFolder(IGrowString* out) override;
  void AppDataFolder(IGrowString* out, bool shared) override;
  void ChooseFile(IGrowString* outName, int action, IGrowString* folder, const char* extensions) override;
  bool ChooseColour(IRgba* colour, const char* prompt) override;
  bool OpenWebPage(const char* url, const char* title, const char* confirmText, const char* errorText) override;
  // Creates the window inside parentWindow (reopening at the old place when
  // it is already open); the window, or null on failure.
  void* OpenEditor(void* parentWindow) override;
  void CloseEditor() override;
  void* NativeWindow() override;
  bool ReadClipboardText(IGrowString* out) override;
  void HideCursor() override;
  void RestoreCursor() override;
  // From this module's resources of type "PNG".
  LICE_IBitmap* LoadImageResource(int resourceId, const char* name) override;

  // Open editor windows of this module (the class is registered while this
  // is above zero).
  static int OpenWindowCount();
  // The module whose resources and window class this editor uses.
  HINSTANCE Module() const { return mModule; }
  HWND EntryWindow() const { return mEntryWindow; }
  int EntryState() const { return mEntryState; }
  HWND TooltipWindow() const { return mTooltipWindow; }
  // The host's top-level window as last found by ShowMessage; null before.
  HWND HostTopWindow() const { return mHostTop; }

protected:
  // Ends a text entry and hides the tooltip before the controls go.
  void BeforeResize() override;
  // Resizes the window and, where they are plain child windows, its parent
  // and grandparent by the same amounts, then has it all repainted.
  void GrowFrames(int dw, int dh) override;

private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK EntryProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleEntryMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  void OnCreate(HWND hwnd);
  void OnPaint(HWND hwnd);
  void OnTimer();
  void RedrawTick();
  LRESULT OnKeyDown(HWND hwnd, WPARAM wp, LPARAM lp);
  void OnButtonDown(HWND hwnd, WPARAM wp, LPARAM lp);
  void OnButtonUp(WPARAM wp, LPARAM lp);
  void OnMouseMove(HWND hwnd, WPARAM wp, LPARAM lp);
  void OnWheel(HWND hwnd, WPARAM wp, LPARAM lp);
  void OnCaptureLost(HWND newOwner);
  // The window went away without CloseEditor (its parent was destroyed).
  void OnDestroyedUnderUs();
  void DestroyWindowNow();
  void ReleaseCaptureQuietly();

  // Text entry.
  void EntryTimerStep();
  void CommitEntry();
  void EndTextEntry();
  LRESULT EntryColours(HDC dc);

  // Tooltips.
  void SetUpTooltips();
  void DestroyTooltips();
  void HideTooltip();
  void ShowTooltip();
  void TrackPointer(int hoverIndex);

  HWND FindHostTopWindow();

  HINSTANCE mModule;
  HWND mWindow = nullptr;
  HWND mEntryWindow = nullptr;
  HWND mTooltipWindow = nullptr;
  IControl* mEntryControl = nullptr;
  IParameter* mEntryParam = nullptr;
  WNDPROC mEntryPreviousProc = nullptr;
  HFONT mEntryFont = nullptr;
  int mEntryState = kEntryIdle;
  bool mTooltipShown = false;
  int mTooltipIndex = -1;
  COLORREF* mCustomColours = nullptr;
  DWORD mHostProcessId = 0;
  HWND mHostParent = nullptr;
  HWND mHostTop = nullptr;
  IGrowString mHostClassName;

  // Set while WM_PAINT runs, so Present paints into the update region.
  bool mPainting = false;
  // Set while this editor releases the pointer itself, so the capture
  // notice is not taken for a lost capture.
  bool mReleasingCapture = false;
  WheelNotches mWheel;
};
