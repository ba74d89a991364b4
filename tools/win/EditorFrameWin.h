#pragma once
// A host's editor frame on Windows: a top-level window of ours that a
// plug-in's editor opens inside, with message pumping and pixel capture.
// Used by the snapshot command and by the editor tests.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class HostedPlugin;

// Pixels read from a window: 0x00RRGGBB, rows top-down, width x height.
struct WindowPixels
{
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;

  uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * static_cast<size_t>(width) + x]; }
};

// One open editor. Owns the frame window; closes the editor (effEditClose)
// and destroys the frame when destroyed, unless the frame was already
// destroyed under the editor. UI thread of the host.
class EditorFrame
{
public:
  explicit EditorFrame(HostedPlugin& host);
  ~EditorFrame();
  EditorFrame(const EditorFrame&) = delete;
  EditorFrame& operator=(const EditorFrame&) = delete;

  // Creates the frame at the editor's size and opens the editor in it
  // (effEditOpen), then sizes the frame to the editor as hosts do. False
  // with Error() set when any step fails.
  bool Open();
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
  HostedPlugin& mHost;
  HWND mFrame = nullptr;
  bool mEditorOpen = false;
  int mWidth = 0;
  int mHeight = 0;
  std::string mError;
};

// Dispatches this thread's messages for milliseconds (timers included).
void PumpMessages(DWORD milliseconds);
