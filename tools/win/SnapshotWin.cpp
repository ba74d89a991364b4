// Editor snapshots on Windows: the editor is opened in a top-level window of
// ours, painted, and the window's pixels are read back from the screen.
#include <png.h>

#include <vector>

#include "tools/HostedPlugin.h"
#include "tools/Snapshot.h"
#include "tools/win/EditorFrameWin.h"

namespace {

// How long messages are pumped after the first paint, so timer-driven
// redraws (a few frames of a 25 Hz editor) have happened too.
constexpr DWORD kSettleMilliseconds = 300;
// Pumping after the editor closed, so its window's last messages are gone.
constexpr DWORD kClosePumpMilliseconds = 20;

bool WritePng(const std::string& path, const WindowPixels& pixels)
{
  std::vector<unsigned char> bgra(pixels.rgb.size() * 4);
  for (size_t i = 0; i < pixels.rgb.size(); ++i) {
    const uint32_t v = pixels.rgb[i];
    bgra[i * 4 + 0] = static_cast<unsigned char>(v & 0xFF);
    bgra[i * 4 + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    bgra[i * 4 + 2] = static_cast<unsigned char>((v >> 16) & 0xFF);
    bgra[i * 4 + 3] = 255;
  }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(pixels.width);
  image.height = static_cast<png_uint_32>(pixels.height);
  image.format = PNG_FORMAT_BGRA;
  const int ok = png_image_write_to_file(&image, path.c_str(), 0, bgra.data(), pixels.width * 4, nullptr);
  png_image_free(&image);
  return ok != 0;
}

}  // namespace

bool SnapshotEditor(HostedPlugin& host, const std::string& pngPath, std::string& error)
{
  WindowPixels pixels;
  {
    EditorFrame frame(host);
    if (!frame.Open()) {
      error = frame.Error();
      return false;
    }
    // Paint now, synchronously, children included: the first paint is done
    // when this returns.
    frame.PaintNow();
    PumpMessages(kSettleMilliseconds);
    RedrawWindow(frame.Frame(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (!frame.Capture(&pixels)) {
      error = "cannot read the window's pixels";
      return false;
    }
  }
  PumpMessages(kClosePumpMilliseconds);
  if (!WritePng(pngPath, pixels)) {
    error = "cannot write " + pngPath;
    return false;
  }
  return true;
}
