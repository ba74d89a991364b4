#pragma once
// A host's editor frame on Windows: a top-level window of ours that a
// plug-in's editor opens inside, with message pumping and pixel capture.
// Used by the snapshot command and by the editor tests.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "vst/VstDefs.h"

class HostedPlugin;

// Pixels read from a window: 0x00RRGGBB, rows top-down, width x height.
struct WindowPixels
{
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;

  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

// One frame window and the editor open in it. Owns the frame window; closes
// the editor (effEditClose) and destroys the frame when destroyed, unless
// the frame was already destroyed under the editor. The frame can be kept
// for the editor of another effect (SetEffect). UI thread of the host.
class EditorFrame
{
public:
  explicit EditorFrame(HostedPlugin& host);
  // The frame's top-left corner on the screen is (x, y).
  explicit EditorFrame(AEffect* effect, int x = 0, int y = 0);
  ~EditorFrame();
  EditorFrame(const EditorFrame&) = delete;
  EditorFrame& operator=(const EditorFrame&) = delete;

  // Creates the frame, unless it exists, at the editor's size and opens the
  // editor in it (effEditOpen), then sizes the frame to the editor as hosts
  // do. False with Error() set when any step fails.
  bool Open();
  // Creates the frame window without an editor; false with Error() set.
  bool CreateFrame(int width, int height);
  // Closes the open editor and takes effect's editor for the next Open.
  void SetEffect(AEffect* effect);
  // effEditClose, keeping the frame.
  void CloseEditor();
  // Destroys the frame while the editor may still be open in it.
  void DestroyFrame();
  const std::string& Error() const { return mError; }

  HWND Frame() const { return mFrame; }
  // The editor's own window inside the frame, or null.
  HWND EditorWindow() const;
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }

  // Paints everything now, synchronously.
  void PaintNow();
  // Reads the frame's pixels (the editor's included) from the screen.
  bool Capture(WindowPixels* out);

private:
  VstIntPtr Dispatch(VstInt32 opcode, void* ptr = nullptr);

  AEffect* mEffect;
  int mX;
  int mY;
  HWND mFrame = nullptr;
  bool mEditorOpen = false;
  int mWidth = 0;
  int mHeight = 0;
  std::string mError;
};

// Dispatches this thread's messages for milliseconds (timers included).
void PumpMessages(DWORD milliseconds);
