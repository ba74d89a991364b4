// The X11 window layer: opening and closing the window, presenting the
// surface, the pointer's cursor and resizing. Events are in EventsX11.cpp.
#include "graphics/x11/GraphicsX11.h"

#include <X11/Xutil.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <thread>

#include "graphics/x11/ErrorTrapX11.h"
#include "graphics/x11/SessionX11.h"
#include "raster/Bitmap.h"

namespace {

// Events the window listens to. Motion is asked for only while a button is
// held unless the editor tracks hovering.
constexpr long kBaseEventMask = ExposureMask | ButtonPressMask | ButtonReleaseMask | KeyPressMask |
                                KeyReleaseMask | StructureNotifyMask | LeaveWindowMask;
constexpr int kImagePad = 32;
constexpr int kBitsPerByte = 8;
constexpr int kPreferredDepth = 24;
// A busy X server refuses a new connection now and then while it catches up
// with closed ones; an open is tried this often, this far apart.
constexpr int kConnectAttempts = 4;
constexpr int kConnectRetryMilliseconds = 5;

// Where a new window goes: inside parent at (x, y) or, with a title, in a
// top-level window of the editor's own.
struct X11Placement
{
  Window parent;
  int x;
  int y;
  const char* title;  // null for a child window
};

Display* Connect()
{
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return nullptr;
  for (int attempt = 1;; ++attempt) {
    if (Display* display = XOpenDisplay(name)) return display;
    if (attempt == kConnectAttempts) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(kConnectRetryMilliseconds));
  }
}

// The image layout of visual at depth on display; false when the visual is
// not TrueColor or its depth has no pixmap format.
bool LayoutFor(Display* display, const Visual* visual, int depth, X11PixelLayout* layout)
{
  if (!visual || visual->c_class != TrueColor) return false;
  int count = 0;
  XPixmapFormatValues* formats = XListPixmapFormats(display, &count);
  if (!formats) return false;
  int bpp = 0;
  for (int i = 0; i < count; ++i) {
    if (formats[i].depth == depth) bpp = formats[i].bits_per_pixel;
  }
  XFree(formats);
  layout->redMask = static_cast<uint32_t>(visual->red_mask);
  layout->greenMask = static_cast<uint32_t>(visual->green_mask);
  layout->blueMask = static_cast<uint32_t>(visual->blue_mask);
  layout->depth = depth;
  layout->bitsPerPixel = bpp;
  layout->msbFirst = ImageByteOrder(display) == MSBFirst;
  return bpp != 0;
}

bool TakeVisual(X11Session& s, Visual* visual, int depth)
{
  X11PixelLayout layout;
  if (!LayoutFor(s.display, visual, depth, &layout)) return false;
  const X11PixelPath path = ChoosePixelPath(layout);
  if (path == X11PixelPath::kUnsupported) return false;
  s.visual = visual;
  s.depth = depth;
  s.layout = layout;
  s.path = path;
  return true;
}

// The parent's visual when the surface can be drawn into it; otherwise the
// screen's 24-bit TrueColor visual, otherwise its deepest usable TrueColor
// one. False when the screen has none.
bool ChooseVisual(X11Session& s, const XWindowAttributes& parent)
{
  if (TakeVisual(s, parent.visual, parent.depth)) return true;
  XVisualInfo wanted = {};
  wanted.screen = XScreenNumberOfScreen(parent.screen);
  wanted.c_class = TrueColor;
  int count = 0;
  XVisualInfo* found = XGetVisualInfo(s.display, VisualScreenMask | VisualClassMask, &wanted, &count);
  if (!found) return false;
  int best = -1;
  for (int i = 0; i < count; ++i) {
    X11PixelLayout layout;
    if (!LayoutFor(s.display, found[i].visual, found[i].depth, &layout)) continue;
    if (ChoosePixelPath(layout) == X11PixelPath::kUnsupported) continue;
    const bool better = best < 0 || found[i].depth == kPreferredDepth ||
                        (found[best].depth != kPreferredDepth && found[i].depth > found[best].depth);
    if (better) best = i;
  }
  const bool ok = best >= 0 && TakeVisual(s, found[best].visual, found[best].depth);
  XFree(found);
  return ok;
}

bool CreateWindowIn(X11Session& s, Window parent, int x, int y, int width, int height, bool hover)
{
  XWindowAttributes pa;
  if (!XGetWindowAttributes(s.display, parent, &pa)) return false;
  s.root = pa.root;
  s.parent = parent;
  if (!ChooseVisual(s, pa)) return false;
  s.colormap = XCreateColormap(s.display, pa.root, s.visual, AllocNone);
  XSetWindowAttributes a = {};
  a.colormap = s.colormap;
  a.border_pixel = 0;
  // No background: the server leaves exposed parts alone until we paint.
  a.background_pixmap = None;
  a.bit_gravity = NorthWestGravity;
  a.event_mask = kBaseEventMask | (hover ? PointerMotionMask : ButtonMotionMask);
  const unsigned long mask = CWColormap | CWBorderPixel | CWBackPixmap | CWBitGravity | CWEventMask;
  s.window = XCreateWindow(s.display, parent, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                           s.depth, InputOutput, s.visual, mask, &a);
  if (!s.window) return false;
  s.x = x;
  s.y = y;
  s.gc = XCreateGC(s.display, s.window, 0, nullptr);
  if (!s.gc) return false;
  XSetGraphicsExposures(s.display, s.gc, False);
  return true;
}

// Tells the window manager that the own window keeps one size.
void FixSize(X11Session& s, int width, int height)
{
  XSizeHints size = {};
  size.flags = PSize | PMinSize | PMaxSize;
  size.width = size.min_width = size.max_width = width;
  size.height = size.min_height = size.max_height = height;
  XSetWMNormalHints(s.display, s.window, &size);
}

// Makes s's window a top-level window of the editor's own: titled, of a
// fixed size, and answering the window manager's close button with a
// message to us instead of ending our connection.
void DecorateOwnWindow(X11Session& s, const char* title, int width, int height)
{
  s.ownWindow = true;
  s.wmProtocols = XInternAtom(s.display, "WM_PROTOCOLS", False);
  s.wmDeleteWindow = XInternAtom(s.display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(s.display, s.window, &s.wmDeleteWindow, 1);
  // Xlib reads the class names without writing to them.
  char* name = const_cast<char*>(title);
  XClassHint windowClass = {name, name};
  Xutf8SetWMProperties(s.display, s.window, title, title, nullptr, 0, nullptr, nullptr, &windowClass);
  FixSize(s, width, height);
}

// Releases everything of s and closes its connection; errors for resources
// that died with a destroyed parent stay in the trap.
void DestroySession(X11Session* s)
{
  {
    X11ErrorTrap trap(s->display);
    if (s->grabbed) XUngrabPointer(s->display, CurrentTime);
    if (s->window && !s->windowGone) XDestroyWindow(s->display, s->window);
    if (s->blankCursor) XFreeCursor(s->display, s->blankCursor);
    if (s->gc) XFreeGC(s->display, s->gc);
    if (s->colormap) XFreeColormap(s->display, s->colormap);
    XCloseDisplay(s->display);
  }
  delete s;
}

// A new session: a connection of its own and the window made and mapped
// where place says, confirmed by one round trip. Null when no display can
// be opened, the parent does not exist or its screen has no usable visual.
X11Session* MakeSession(const X11Placement& place, int width, int height, bool hover)
{
  if ((!place.parent && !place.title) || width < 1 || height < 1) return nullptr;
  Display* display = Connect();
  if (!display) return nullptr;
  X11Session* s = new (std::nothrow) X11Session;
  if (!s) {
    XCloseDisplay(display);
    return nullptr;
  }
  s->display = display;
  KeepProcessOnConnectionLoss(display, &s->lost);
  bool ok;
  {
    X11ErrorTrap trap(display);
    const Window parent = place.title ? DefaultRootWindow(display) : place.parent;
    ok = CreateWindowIn(*s, parent, place.x, place.y, width, height, hover);
    if (ok && place.title) DecorateOwnWindow(*s, place.title, width, height);
    if (ok) XMapWindow(display, s->window);
    // One round trip, so that a parent destroyed meanwhile shows here.
    XSync(display, False);
    ok = ok && trap.ErrorCount() == 0 && !s->lost;
  }
  if (!ok) {
    DestroySession(s);
    return nullptr;
  }
  return s;
}

Window WindowId(void* window) { return static_cast<Window>(reinterpret_cast<uintptr_t>(window)); }

// Where a window opened in parentWindow, or (with a title) in a window of
// its own, goes: a child reopened goes where the open child is.
X11Placement PlacementFor(const X11Session* open, void* parentWindow, const char* title)
{
  if (title) return X11Placement{0, 0, 0, title};
  const bool samePlace = open && !open->ownWindow;
  return X11Placement{WindowId(parentWindow), samePlace ? open->x : 0, samePlace ? open->y : 0, nullptr};
}

// An image header over data of the session's layout (no allocation; the
// pixels stay the caller's).
bool InitImage(const X11Session& s, XImage* image, char* data, int width, int height, int bytesPerLine)
{
  *image = XImage{};
  image->width = width;
  image->height = height;
  image->format = ZPixmap;
  image->data = data;
  image->byte_order = s.layout.msbFirst ? MSBFirst : LSBFirst;
  image->bitmap_unit = kImagePad;
  image->bitmap_bit_order = image->byte_order;
  image->bitmap_pad = kImagePad;
  image->depth = s.depth;
  image->bytes_per_line = bytesPerLine;
  image->bits_per_pixel = s.layout.bitsPerPixel;
  image->red_mask = s.layout.redMask;
  image->green_mask = s.layout.greenMask;
  image->blue_mask = s.layout.blueMask;
  return XInitImage(image) != 0;
}

// The surface rows themselves are the image.
bool PutDirect(X11Session& s, LICE_IBitmap* surface, const IArea& a)
{
  XImage image;
  const int bytesPerLine = surface->Stride() * static_cast<int>(sizeof(PixelValue));
  char* data = reinterpret_cast<char*>(surface->Pixels());
  if (!InitImage(s, &image, data, surface->Width(), surface->Height(), bytesPerLine)) return false;
  XPutImage(s.display, s.window, s.gc, &image, a.left, a.top, a.left, a.top, static_cast<unsigned>(a.Width()),
            static_cast<unsigned>(a.Height()));
  return true;
}

// The area converted once into the session's buffer, then sent.
bool PutConverted(X11Session& s, LICE_IBitmap* surface, const IArea& a)
{
  const int w = a.Width(), h = a.Height();
  constexpr int kPadBytes = kImagePad / kBitsPerByte;
  const int bytesPerLine = (w * ImageBytesPerPixel(s.layout) + kPadBytes - 1) / kPadBytes * kPadBytes;
  const long long total = static_cast<long long>(bytesPerLine) * h;
  if (total > INT_MAX) return false;
  s.converted.Resize(static_cast<int>(total), false);
  if (s.converted.Size() != total) return false;
  unsigned char* out = static_cast<unsigned char*>(s.converted.Data());
  for (int y = 0; y < h; ++y) {
    unsigned char* row = out + static_cast<long long>(y) * bytesPerLine;
    ConvertPixelRow(s.layout, LICE_RowAddress(surface, a.top + y) + a.left, w, row);
  }
  XImage image;
  if (!InitImage(s, &image, reinterpret_cast<char*>(out), w, h, bytesPerLine)) return false;
  XPutImage(s.display, s.window, s.gc, &image, 0, 0, a.left, a.top, static_cast<unsigned>(w), static_cast<unsigned>(h));
  return true;
}

}  // namespace

IGraphicsX11::IGraphicsX11(IPlugBase* plug, int width, int height, int frameRate)
  : IGraphics(plug, width, height, frameRate)
{
}

IGraphicsX11::~IGraphicsX11()
{
  CloseWindow(false);
  FinishClose();
  DiscardPrepared();
}

const char* IGraphicsX11::BackendName() { return "X11"; }

void* IGraphicsX11::NativeWindow()
{
  if (!mSession || !mSession->Usable()) return nullptr;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(mSession->window));
}

int IGraphicsX11::ConnectionFd() const { return mSession ? ConnectionNumber(mSession->display) : -1; }

bool IGraphicsX11::ConnectionLost() const { return mSession && mSession->lost; }

void IGraphicsX11::PrepareOpen(void* parentWindow) { Prepare(parentWindow, nullptr); }

void IGraphicsX11::PrepareOpenOwn(const char* title) { Prepare(nullptr, title); }

void* IGraphicsX11::OpenEditor(void* parentWindow) { return Open(parentWindow, nullptr); }

void* IGraphicsX11::OpenOwnWindow(const char* title) { return Open(nullptr, title); }

bool IGraphicsX11::OwnWindowClosed() const { return mSession && mSession->ownWindow && mSession->userClosed; }

void IGraphicsX11::Prepare(void* parentWindow, const char* title)
{
  DiscardPrepared();
  FinishClose();
  mPrepared = MakeSession(PlacementFor(mSession, parentWindow, title), Width(), Height(), HoverTracking());
  mPreparedParent = parentWindow;
  mPreparedOwn = title != nullptr;
  mHasPrepared = true;
}

void* IGraphicsX11::Open(void* parentWindow, const char* title)
{
  const X11Placement place = PlacementFor(mSession, parentWindow, title);
  CloseWindow(true);
  X11Session* s;
  if (mHasPrepared && mPreparedParent == parentWindow && mPreparedOwn == (title != nullptr)) {
    s = mPrepared;
    mPrepared = nullptr;
    mHasPrepared = false;
  } else {
    DiscardPrepared();
    s = MakeSession(place, Width(), Height(), HoverTracking());
  }
  if (!s) return nullptr;
  mSession = s;
  mClicks.Reset();
  mNextTick = 0;
  // The first paint draws everything.
  MarkAllDirty();
  return NativeWindow();
}

void IGraphicsX11::CloseEditor() { CloseWindow(true); }

void IGraphicsX11::FinishClose()
{
  X11Session* s = mLetGo;
  mLetGo = nullptr;
  if (s) DestroySession(s);
}

void IGraphicsX11::DiscardPrepared()
{
  X11Session* s = mPrepared;
  mPrepared = nullptr;
  mHasPrepared = false;
  if (s) DestroySession(s);
}

void IGraphicsX11::CloseWindow(bool endGesture)
{
  if (!mSession) return;
  // A host that closes the editor in the middle of a drag still hears the
  // end of the edit it heard begin.
  if (endGesture) EndCapturedGesture();
  X11Session* s = mSession;
  if (!s) return;
  mSession = nullptr;
  mCursorHidden = false;
  ReleasePointer();
  mClicks.Reset();
  // At most one window waits for FinishClose; an older one (a caller that
  // never finishes) goes now.
  FinishClose();
  mLetGo = s;
}

bool IGraphicsX11::Present(const IArea& area)
{
  X11Session* s = mSession;
  LICE_IBitmap* surface = Surface();
  if (!s || !s->Usable() || !surface || !surface->Pixels()) return true;
  const IArea a = area.Intersect(IArea{0, 0, surface->Width(), surface->Height()});
  if (a.Width() <= 0 || a.Height() <= 0) return true;
  X11ErrorTrap trap(s->display);
  const bool direct = s->path == X11PixelPath::kDirect && !surface->IsBottomUp();
  const bool sent = direct ? PutDirect(*s, surface, a) : PutConverted(*s, surface, a);
  if (trap.SawMissingWindow()) s->windowGone = true;
  if (sent) {
    ++mPresents;
    s->unsynced = true;
  }
  return true;
}

void IGraphicsX11::SetEditorSize(int width, int height) { ResizeWithFrames(width, height); }

void IGraphicsX11::GrowFrames(int dw, int dh)
{
  X11Session* s = mSession;
  if (!s || !s->Usable() || Width() < 1 || Height() < 1) return;
  X11ErrorTrap trap(s->display);
  XResizeWindow(s->display, s->window, static_cast<unsigned>(Width()), static_cast<unsigned>(Height()));
  XWindowAttributes pa;
  if (s->ownWindow) {
    // No host window around it: the window manager hears the new size.
    FixSize(*s, Width(), Height());
  } else if (XGetWindowAttributes(s->display, s->parent, &pa) && pa.width + dw > 0 && pa.height + dh > 0) {
    XResizeWindow(s->display, s->parent, static_cast<unsigned>(pa.width + dw), static_cast<unsigned>(pa.height + dh));
  }
  XFlush(s->display);
  if (trap.SawMissingWindow()) s->windowGone = true;
}

void IGraphicsX11::HideCursor()
{
  X11Session* s = mSession;
  if (mCursorHidden || !s || !s->Usable()) return;
  X11ErrorTrap trap(s->display);
  Window rootBack, child;
  int rootX, rootY, winX, winY;
  unsigned int buttons;
  if (!XQueryPointer(s->display, s->window, &rootBack, &child, &rootX, &rootY, &winX, &winY, &buttons)) return;
  if (!s->blankCursor) {
    static const char kNoBits[1] = {0};
    Pixmap empty = XCreateBitmapFromData(s->display, s->window, kNoBits, 1, 1);
    XColor black = {};
    if (empty) {
      s->blankCursor = XCreatePixmapCursor(s->display, empty, empty, &black, &black, 0, 0);
      XFreePixmap(s->display, empty);
    }
  }
  if (!s->blankCursor) return;
  XDefineCursor(s->display, s->window, s->blankCursor);
  if (s->grabbed) {
    XChangeActivePointerGrab(s->display, kGrabEventMask, s->blankCursor, CurrentTime);
  }
  XFlush(s->display);
  mSavedCursorX = rootX;
  mSavedCursorY = rootY;
  mCursorHidden = true;
}

void IGraphicsX11::RestoreCursor()
{
  if (!mCursorHidden) return;
  mCursorHidden = false;
  X11Session* s = mSession;
  if (!s || !s->Usable()) return;
  X11ErrorTrap trap(s->display);
  XWarpPointer(s->display, None, s->root, 0, 0, 0, 0, mSavedCursorX, mSavedCursorY);
  XUndefineCursor(s->display, s->window);
  if (s->grabbed) {
    XChangeActivePointerGrab(s->display, kGrabEventMask, None, CurrentTime);
  }
  XFlush(s->display);
}
