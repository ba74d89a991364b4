// Editor snapshots on Linux: the editor is opened in a top-level X11 window
// of ours, driven by idle calls until it has painted, and the window's
// pixels are read back from the X server.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <png.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "tools/HostedPlugin.h"
#include "tools/Snapshot.h"

namespace {

// Editors larger than this are not believed.
constexpr int kMaxEditorSide = 8192;
// How long idle calls go on after the editor's window is on screen, so
// its first paint and a few 25 Hz ticks have happened.
constexpr int kSettleMilliseconds = 300;
// The pause between idle calls, as a host's idle timer would make.
constexpr int kIdleMilliseconds = 10;
// The longest wait for the X server to show a window.
constexpr int kMapTimeoutMilliseconds = 5000;
constexpr int kChannelMax = 255;
// A busy X server refuses a new connection now and then; tries, and the
// pause between them.
constexpr int kConnectAttempts = 4;
constexpr int kConnectRetryMilliseconds = 5;

Display* Connect()
{
  for (int attempt = 1;; ++attempt) {
    if (Display* display = XOpenDisplay(nullptr)) return display;
    if (attempt == kConnectAttempts) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(kConnectRetryMilliseconds));
  }
}

bool EditorSize(HostedPlugin& host, int* w, int* h)
{
  ERect* rect = nullptr;
  if (!host.Dispatch(effEditGetRect, 0, 0, &rect) || !rect) return false;
  *w = rect->right - rect->left;
  *h = rect->bottom - rect->top;
  return *w > 0 && *h > 0 && *w <= kMaxEditorSide && *h <= kMaxEditorSide;
}

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

// Waits until window is mapped (its MapNotify arrives).
bool WaitForMap(Display* display, Window window)
{
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kMapTimeoutMilliseconds);
  while (std::chrono::steady_clock::now() < deadline) {
    while (XPending(display) > 0) {
      XEvent e;
      XNextEvent(display, &e);
      if (e.type == MapNotify && e.xmap.window == window) return true;
    }
    pollfd p = {ConnectionNumber(display), POLLIN, 0};
    poll(&p, 1, kIdleMilliseconds);
  }
  return false;
}

// True when window has a mapped child (the editor's window).
bool HasViewableChild(Display* display, Window window)
{
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
  bool viewable = false;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(display, children[i], &a) && a.map_state == IsViewable) viewable = true;
  }
  if (children) XFree(children);
  return viewable;
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

// Reads the window's pixels into top-down RGBA bytes, alpha opaque.
bool Capture(Display* display, Window window, int w, int h, std::vector<unsigned char>& rgba)
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

// Idle calls until the editor's window shows and then for the settle time.
void DriveUntilPainted(HostedPlugin& host, Display* display, Window frame)
{
  using Clock = std::chrono::steady_clock;
  const auto giveUp = Clock::now() + std::chrono::milliseconds(kMapTimeoutMilliseconds);
  while (Clock::now() < giveUp && !HasViewableChild(display, frame)) {
    host.Dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMilliseconds));
  }
  const auto settled = Clock::now() + std::chrono::milliseconds(kSettleMilliseconds);
  while (Clock::now() < settled) {
    host.Dispatch(effEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(kIdleMilliseconds));
  }
  host.Dispatch(effEditIdle);
}

}  // namespace

bool SnapshotEditor(HostedPlugin& host, const std::string& pngPath, std::string& error)
{
  AEffect* e = host.Effect();
  if (!e || !(e->flags & effFlagsHasEditor)) {
    error = "the plug-in has no editor";
    return false;
  }
  int w = 0, h = 0;
  if (!EditorSize(host, &w, &h)) {
    error = "the plug-in reports no usable editor size";
    return false;
  }
  Display* display = Connect();
  if (!display) {
    error = "cannot open the X display (is DISPLAY set?)";
    return false;
  }
  const int screen = DefaultScreen(display);
  XSetWindowAttributes attributes = {};
  // Placed by us, at the origin, without window-manager frames.
  attributes.override_redirect = True;
  attributes.background_pixel = BlackPixel(display, screen);
  attributes.event_mask = StructureNotifyMask;
  const Window frame = XCreateWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(w),
                                     static_cast<unsigned>(h), 0, CopyFromParent, InputOutput, CopyFromParent,
                                     CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
  XMapRaised(display, frame);
  bool ok = WaitForMap(display, frame);
  if (!ok) {
    error = "the X server did not show the window";
  } else if (!host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(frame)))) {
    error = "the plug-in did not open its editor";
    ok = false;
  }
  std::vector<unsigned char> pixels;
  if (ok) {
    // Hosts size their window to the editor after opening it.
    if (EditorSize(host, &w, &h)) XResizeWindow(display, frame, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XSync(display, False);
    DriveUntilPainted(host, display, frame);
    ok = Capture(display, frame, w, h, pixels);
    if (!ok) error = "cannot read the window's pixels";
    host.Dispatch(effEditClose);
  }
  XDestroyWindow(display, frame);
  XCloseDisplay(display);
  if (ok && !WritePng(pngPath, pixels, w, h)) {
    error = "cannot write " + pngPath;
    ok = false;
  }
  return ok;
}
