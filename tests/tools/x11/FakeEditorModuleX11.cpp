// A minimal plug-in module with an X11 editor that paints a known pattern:
// the left half red, the right half blue, 80 x 60 pixels, painted from the
// host's idle calls when exposed. Used to test the host tool's snapshots.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>

#include "vst/VstDefs.h"

namespace {

constexpr int kWidth = 80;
constexpr int kHeight = 60;
constexpr unsigned long kRed = 0xFF0000;
constexpr unsigned long kBlue = 0x0000FF;
ERect gRect = {0, 0, kHeight, kWidth};
Display* gDisplay = nullptr;
Window gChild = 0;
AEffect gEffect;

void Paint()
{
  GC gc = XCreateGC(gDisplay, gChild, 0, nullptr);
  XSetForeground(gDisplay, gc, kRed);
  XFillRectangle(gDisplay, gChild, gc, 0, 0, kWidth / 2, kHeight);
  XSetForeground(gDisplay, gc, kBlue);
  XFillRectangle(gDisplay, gChild, gc, kWidth / 2, 0, kWidth - kWidth / 2, kHeight);
  XFreeGC(gDisplay, gc);
  XSync(gDisplay, False);
}

void Idle()
{
  if (!gDisplay) return;
  while (XPending(gDisplay) > 0) {
    XEvent e;
    XNextEvent(gDisplay, &e);
    if (e.type == Expose && e.xexpose.count == 0) Paint();
  }
}

VstIntPtr Dispatcher(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
{
  switch (opcode) {
    case effEditGetRect:
      if (!ptr) return 0;
      *static_cast<ERect**>(ptr) = &gRect;
      return 1;
    case effEditOpen:
      // A busy server may refuse the first connection.
      for (int attempt = 0; attempt < 4 && !gDisplay; ++attempt) {
        gDisplay = XOpenDisplay(nullptr);
        if (!gDisplay) usleep(5000);
      }
      if (!gDisplay) return 0;
      gChild = XCreateSimpleWindow(gDisplay, static_cast<Window>(reinterpret_cast<uintptr_t>(ptr)), 0, 0, kWidth,
                                   kHeight, 0, 0, 0);
      XSelectInput(gDisplay, gChild, ExposureMask);
      XMapWindow(gDisplay, gChild);
      XFlush(gDisplay);
      return 1;
    case effEditIdle: Idle(); return 0;
    case effEditClose:
      if (gDisplay) XCloseDisplay(gDisplay);
      gDisplay = nullptr;
      gChild = 0;
      return 1;
    default: return 0;
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback)
{
  std::memset(&gEffect, 0, sizeof gEffect);
  gEffect.magic = kEffectMagic;
  gEffect.dispatcher = Dispatcher;
  gEffect.flags = effFlagsHasEditor;
  gEffect.ioRatio = 1.0f;
  return &gEffect;
}
