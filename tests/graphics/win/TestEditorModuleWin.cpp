// A plug-in module with the Vexa effect and a small editor of our own, built
// through MakeEditorWindow from the images in images/: what a host sees of
// the Windows editor window, before the effect's own layout exists.
#include <windows.h>

#include <cstdint>
#include <new>

#include "graphics/BitmapControls.h"
#include "graphics/EditorWindow.h"
#include "graphics/Graphics.h"
#include "plugin/Vexa.h"
#include "raster/Bitmap.h"
#include "tests/graphics/win/TestEditorLayout.h"
#include "vst/EntryPoint.h"

namespace {

void BuildTestEditor(Vexa& plug)
{
  IGraphics* editor = MakeEditorWindow(&plug, kTestEditorWidth, kTestEditorHeight, kTestEditorFrameRate);
  if (!editor) return;
  const IBitmapRef background = editor->LoadBitmapResource(kBackgroundId, "images/BG.png", 1);
  const IBitmapRef knob = editor->LoadBitmapResource(kKnobId, "images/KNOB.png", kKnobFrames);
  const IBitmapRef toggle = editor->LoadBitmapResource(kSwitchId, "images/SWITCH.png", 2);
  const IBitmapRef led = editor->LoadBitmapResource(kLedId, "images/LED.png", kLedFrames);
  editor->AttachBackground(new (std::nothrow) IBitmapControl(&plug, 0, 0, background, kBlendCopy));
  editor->AttachControl(new (std::nothrow) IKnobMultiControl(&plug, kMixKnobX, kKnobY, kParamMix, knob));
  editor->AttachControl(new (std::nothrow) IKnobMultiControl(&plug, kPitchKnobX, kKnobY, kParamPitch, knob));
  editor->AttachControl(new (std::nothrow) ISwitchControl(&plug, kSwitchX, kSwitchY, kParamSequence, toggle));
  const int reduction = editor->AttachControl(new (std::nothrow) IBitmapControl(&plug, kReductionLedX, kLedY, led));
  const int gate = editor->AttachControl(new (std::nothrow) IBitmapControl(&plug, kGateLedX, kLedY, led));
  plug.SetMeterControls(reduction, gate);
  plug.AttachEditor(editor);
}

IPlugVST* CreateWithTestEditor(audioMasterCallback host) { return new (std::nothrow) Vexa(host, BuildTestEditor); }

IGraphics* EditorOf(AEffect* effect)
{
  IPlugVST* plug = IPlugVST::FromEffect(effect);
  return plug ? dynamic_cast<IGraphics*>(plug->Editor()) : nullptr;
}

}  // namespace

extern "C" VEXA_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
  return MakeEffect(CreateWithTestEditor, host);
}

// Copies the editor's drawing surface as 0x00RRGGBB pixels, rows top-down,
// into out (capacity pixels); returns the pixel count, 0 without a surface.
extern "C" VEXA_EXPORT int TestEditorSurface(AEffect* effect, uint32_t* out, int capacity)
{
  IGraphics* editor = EditorOf(effect);
  LICE_IBitmap* surface = editor ? editor->Surface() : nullptr;
  if (!surface || !surface->Pixels() || !out) return 0;
  const int w = surface->Width(), h = surface->Height();
  if (capacity < w * h) return 0;
  for (int y = 0; y < h; ++y) {
    const PixelValue* row = LICE_RowAddress(surface, y);
    for (int x = 0; x < w; ++x) out[y * w + x] = row[x] & 0x00FFFFFFu;
  }
  return w * h;
}

// The list index of the control at (x, y) and whether it waits to be
// redrawn; -1 when no control is there.
extern "C" VEXA_EXPORT int TestEditorNeedsRedraw(AEffect* effect, int x, int y)
{
  IGraphics* editor = EditorOf(effect);
  if (!editor) return -1;
  for (int i = editor->ControlCount() - 1; i >= 0; --i) {
    IControl* c = editor->ControlAt(i);
    if (c->HitTest(x, y)) return c->NeedsRedraw() ? 1 : 0;
  }
  return -1;
}
