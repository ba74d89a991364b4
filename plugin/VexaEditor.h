#pragma once
// Vexa's editor: the background with seven film-strip knobs, the pitch
// display, the mode switch and the envelope and gate indicators. The layout
// lives in its own library (vexa_layout) so that the effect links without
// any editor code; the module hands Vexa a factory that calls
// BuildVexaEditor with the platform's window maker.

class IGraphics;
class IPlugBase;
class Vexa;

constexpr int kVexaEditorWidth = 764;
constexpr int kVexaEditorHeight = 222;
constexpr int kVexaEditorFrameRate = 25;

// The editor's control list, in the order the controls are added: the list
// index of each control.
enum VexaControl : int
{
  kControlBackground = 0,
  kControlQ,
  kControlFrequency,
  kControlAttack,
  kControlRelease,
  kControlIntensity,
  kControlMix,
  kControlOutput,
  kControlPitch,
  kControlSequence,
  kControlReductionIndicator,
  kControlGateIndicator,
  kNumVexaControls
};

// Makes the empty editor object the layout fills: an IGraphics of width x
// height pixels redrawn frameRate times a second, bound to plug, owned by
// the caller, or null. MakeEditorWindow (graphics/EditorWindow.h) is one.
typedef IGraphics* (*VexaEditorMaker)(IPlugBase* plug, int width, int height, int frameRate);

// Makes the editor through make, adds the twelve controls with their images,
// records the two indicators' list indices in plug and attaches the editor,
// which plug owns from then on. Without an editor from make, or when a
// control cannot be added, plug is left without an editor and the result is
// false. UI thread, while plug is being constructed (its editor factory),
// before any host call reaches it.
bool BuildVexaEditor(Vexa& plug, VexaEditorMaker make);
