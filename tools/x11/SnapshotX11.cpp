// Editor snapshots on Linux: the editor is opened in a top-level X11 window
// of ours, driven by idle calls until it has painted, and the window's
// pixels are read back from the X server.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <vector>

#include "tools/EditorHost.h"
#include "tools/HostedPlugin.h"
#include "tools/Snapshot.h"
#include "tools/x11/EditorFrameX11.h"
#include "tools/x11/WindowPixelsX11.h"

namespace {

// How long idle calls go on after the editor's window is on screen, so
// its first paint and a few 25 Hz ticks have happened.
constexpr int kSettleMilliseconds = 300;
constexpr int kChannelMax = 255;

bool WritePng(const std::string& path, const std::vector<unsigned char>& rgba, int w, int h)
{
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(w);
  image.height = static_cast<png_uint_32>(h);
  image.format = PNG_FORMAT_RGBA;
  const int ok = png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), w * 4, nullptr);
  png_image_free(&image);
  return ok != 0;
}

// One channel of a pixel by its mask, widened to 8 bits.
unsigned char Channel(unsigned long pixel, unsigned long mask)
{
  if (!mask) return 0;
  int shift = 0;
  while (!(mask & (1ul << shift))) ++shift;
  const unsigned long max = mask >> shift;
  return static_cast<unsigned char>(((pixel & mask) >> shift) * kChannelMax / max);
}

}  // namespace

bool CaptureWindowPixels(Display* display, Window window, int w, int h, std::vector<unsigned char>& rgba)
{
  XWindowAttributes a;
  if (!XGetWindowAttributes(display, window, &a) || !a.visual || a.visual->c_class != TrueColor) return false;
  XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes,
                            ZPixmap);
  if (!image) return false;
  rgba.assign(static_cast<size_t>(w) * static_cast<size_t>(h) * 4, 0);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      unsigned char* out = &rgba[(static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)) * 4];
      out[0] = Channel(p, a.visual->red_mask);
      out[1] = Channel(p, a.visual->green_mask);
      out[2] = Channel(p, a.visual->blue_mask);
      out[3] = kChannelMax;
    }
  }
  XDestroyImage(image);
  return true;
}

bool SnapshotEditor(HostedPlugin& host, const std::string& pngPath, std::string& error)
{
  AEffect* e = host.Effect();
  int w = 0, h = 0;
  if (!e || !(e->flags & effFlagsHasEditor)) {
    error = "the plug-in has no editor";
    return false;
  }
  // An editor that gives its size only once open (LV2 UIs do) opens at a
  // provisional size, and the frame fits it afterwards.
  if (ReadEditorRect(e, &w, &h) == EditorRectAnswer::Unusable) {
    error = "the plug-in reports no usable editor size";
    return false;
  }
  std::vector<unsigned char> pixels;
  {
    EditorFrameX11 frame;
    if (!frame.Create(0, 0) || !frame.Open(e)) {
      error = frame.Error();
      return false;
    }
    frame.IdleUntilShown();
    frame.Idle(kSettleMilliseconds);
    w = frame.Width();
    h = frame.Height();
    if (!CaptureWindowPixels(frame.Connection(), frame.Frame(), w, h, pixels)) {
      error = "cannot read the window's pixels";
      return false;
    }
  }
  if (!WritePng(pngPath, pixels, w, h)) {
    error = "cannot write " + pngPath;
    return false;
  }
  return true;
}
