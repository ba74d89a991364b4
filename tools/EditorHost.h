#pragma once
// A host frame that plug-in editors open in: a top-level window of the host
// tool's own on the platform's window system (tools/win, tools/x11). The
// validator and the lifecycle run drive editors through it without knowing
// the platform.

#include <memory>
#include <string>

#include "vst/VstDefs.h"

// Where the validator and the lifecycle run put their frame on the screen:
// clear of the top-left corner, where other programs under test put their
// windows.
constexpr int kCheckFrameX = 500;
constexpr int kCheckFrameY = 800;
// How long they let an editor run between opening and closing, in
// milliseconds: long enough for its first paint.
constexpr int kCheckDriveMilliseconds = 20;

// Editors larger than this on either side are not believed.
constexpr int kMaxEditorSide = 8192;

// Many plug-ins know their editor's size only once it is open; hosts open
// those in a frame of this size and fit the frame afterwards.
constexpr int kProvisionalEditorWidth = 640;
constexpr int kProvisionalEditorHeight = 480;

// What effEditGetRect answers: no rectangle (a refusal, a null pointer or all
// zeros), one that is empty, inverted or larger than kMaxEditorSide, or a
// usable one.
enum class EditorRectAnswer { Missing, Unusable, Usable };

// The editor's size from effEditGetRect, set only when Usable. UI thread.
EditorRectAnswer ReadEditorRect(AEffect* effect, int* width, int* height);
// The same, true when Usable.
bool EditorRectSize(AEffect* effect, int* width, int* height);

// One frame window, reused for one editor after another. Owned by whoever
// made it; destroying it closes an editor still open in it (effEditClose)
// and then the window. Every operation: the host's UI thread, no lock held.
class EditorHostFrame
{
public:
  virtual ~EditorHostFrame() = default;
  // Sizes the frame to effect's editor, opens the editor in it (effEditOpen
  // with the frame's native window) and sizes the frame again, as hosts do.
  // False with Error() set when the plug-in refuses or gives no size.
  virtual bool Open(AEffect* effect) = 0;
  // Lets the open editor run for about milliseconds (at least one round):
  // idle calls and the frame's events on X11, message pumping on Windows.
  virtual void Drive(int milliseconds) = 0;
  // effEditClose on the open editor, if any; the frame stays for the next.
  virtual void Close() = 0;
  // The frame's native window as effEditOpen takes it: the X window id on
  // X11, the window handle on Windows. For hosts of their own making that
  // open and close editors in the frame themselves.
  virtual void* NativeWindow() const = 0;
  // Handles what the window system has queued for this thread without
  // waiting and without idle calls: the frame's events on X11, the thread's
  // messages (editor timers included) on Windows.
  virtual void HandlePending() = 0;
  virtual const std::string& Error() const = 0;
};

// A frame at (x, y) on the screen, or null with error telling why (no
// display, or the window system refused a window). UI thread.
std::unique_ptr<EditorHostFrame> MakeEditorHostFrame(int x, int y, std::string& error);
