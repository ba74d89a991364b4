#include "plugin/VexaEditor.h"

#include <new>

#include "graphics/BitmapControls.h"
#include "graphics/Graphics.h"
#include "plugin/Vexa.h"

namespace {

enum class RowKind
{
  kBackground,
  kKnob,
  kSwitch,
  kIndicator,
};

// One control of the layout: where it sits, what it controls and its image
// (a vertical film strip of frames frames, embedded under resourceId).
struct LayoutRow
{
  RowKind kind;
  int x;
  int y;
  int paramIndex;  // -1: bound to no parameter
  int resourceId;
  const char* imageName;
  int frames;
};

// A full knob turn takes this many times the knob's height of dragging.
constexpr double kKnobGearing = 4.0;

// In control-list order. The images are drawn for exactly these positions.
constexpr LayoutRow kLayout[] = {
  {RowKind::kBackground, 0, 0, -1, 108, "resources/img/BG.png", 1},
  {RowKind::kKnob, 164, 62, kParamQ, 101, "resources/img/BAND.png", 61},
  {RowKind::kKnob, 71, 62, kParamFrequency, 102, "resources/img/FREQ.png", 61},
  {RowKind::kKnob, 257, 62, kParamAttack, 103, "resources/img/ATK.png", 61},
  {RowKind::kKnob, 350, 62, kParamRelease, 104, "resources/img/REL.png", 61},
  {RowKind::kKnob, 444, 62, kParamIntensity, 105, "resources/img/INTEN.png", 61},
  {RowKind::kKnob, 563, 62, kParamMix, 106, "resources/img/MIX.png", 61},
  {RowKind::kKnob, 657, 62, kParamOutput, 107, "resources/img/OUT.png", 61},
  {RowKind::kKnob, 351, 193, kParamPitch, 112, "resources/img/PITCH.png", 25},
  {RowKind::kSwitch, 0, 192, kParamSequence, 109, "resources/img/SEQ.png", 2},
  {RowKind::kIndicator, 323, 38, -1, 110, "resources/img/DLED.png", 61},
  {RowKind::kIndicator, 109, 192, -1, 111, "resources/img/SLED.png", 61},
};
static_assert(sizeof kLayout / sizeof kLayout[0] == kNumVexaControls, "one row per control");

IControl* MakeControl(IPlugBase* plug, const LayoutRow& row, const IBitmapRef& strip)
{
  switch (row.kind) {
    case RowKind::kBackground: return new (std::nothrow) IBitmapControl(plug, row.x, row.y, strip, kBlendCopy);
    case RowKind::kKnob:
      return new (std::nothrow) IKnobMultiControl(plug, row.x, row.y, row.paramIndex, strip, kKnobVertical,
                                                  kKnobGearing);
    case RowKind::kSwitch: return new (std::nothrow) ISwitchControl(plug, row.x, row.y, row.paramIndex, strip);
    case RowKind::kIndicator: return new (std::nothrow) IBitmapControl(plug, row.x, row.y, strip);
  }
  return nullptr;
}

// Adds every control in list order; false as soon as one does not land at
// its index.
bool AddControls(IGraphics* editor, IPlugBase* plug)
{
  for (int i = 0; i < kNumVexaControls; ++i) {
    const LayoutRow& row = kLayout[i];
    const IBitmapRef strip = editor->LoadBitmapResource(row.resourceId, row.imageName, row.frames);
    IControl* control = MakeControl(plug, row, strip);
    const int index =
      row.kind == RowKind::kBackground ? editor->AttachBackground(control) : editor->AttachControl(control);
    if (index != i) return false;
  }
  return true;
}

}  // namespace

bool BuildVexaEditor(Vexa& plug, VexaEditorMaker make)
{
  if (!make) return false;
  IGraphics* editor = make(&plug, kVexaEditorWidth, kVexaEditorHeight, kVexaEditorFrameRate);
  if (!editor) return false;
  if (!AddControls(editor, &plug)) {
    delete editor;
    return false;
  }
  plug.SetMeterControls(kControlReductionIndicator, kControlGateIndicator);
  plug.AttachEditor(editor);
  return true;
}
