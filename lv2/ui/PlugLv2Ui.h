#pragma once
// The LV2 UI adapter: an IPlugBase that mirrors the plug-in's parameters for
// its editor, in the UI's own binary. It talks to the plug-in only through
// ports, as LV2 hosts may run the two in different processes: the host's
// port events set its parameters and indicators, the editor's changes go
// out through the host's write function and, where the host offers
// ui:touch, its gestures too.

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <vector>

#include "core/PlugBase.h"
#include "lv2/Lv2Controls.h"
#include "lv2/Lv2Ports.h"

class IPlugLv2Ui;

// Shows indicator output's value (0..1) in the editor. Provided by the
// effect's UI entry point; UI thread, instance lock held.
typedef void (*Lv2IndicatorShower)(IPlugLv2Ui& plug, int output, float value);

// What the UI entry point hands the adapter's constructor: the host's
// instantiate arguments and the effect's LV2 description. Valid during the
// constructor only (the port table for the process's life).
struct Lv2UiContext
{
  LV2UI_Write_Function write;
  LV2UI_Controller controller;
  const LV2_Feature* const* features;
  const Lv2PortTable* ports;
  Lv2IndicatorShower showIndicator;
};

// One UI instance. Owns, through IPlugBase, its parameters and its editor,
// whose window it opens in the host's parent window or, for a host that
// gives none, in a window of the editor's own that the host shows and hides.
// Built by the UI entry point's instantiate, destroyed by its cleanup. Every
// operation: the host's UI thread, without the instance lock (each takes it
// where it needs it, and waits on the window system only outside it).
class IPlugLv2Ui : public IPlugBase
{
public:
  IPlugLv2Ui(const Lv2UiContext* host, const IPlugDescription& desc);
  ~IPlugLv2Ui() override;

  // Completes the set-up once the effect has defined its parameters and
  // built its editor: false when the port table does not fit the effect or
  // there is no editor.
  bool CompleteSetUp();
  // For a host that gives no parent: the editor opens in a window of its
  // own on ShowOwnWindow (true when it is on screen, at once if it already
  // was) and closes on HideOwnWindow (nothing when not shown).
  void UseOwnWindow() { mOwnWindow = true; }
  bool HasOwnWindow() const { return mOwnWindow; }
  bool ShowOwnWindow();
  void HideOwnWindow();
  // Closes whichever window is open.
  void CloseWindow();
  // The host's port_event: a float for one control port.
  void PortEvent(uint32_t port, uint32_t size, uint32_t protocol, const void* buffer);
  // The host's idle call: the editor handles its window's events and
  // redraws. False once the editor's own window was hidden, could not be
  // shown, or was closed by the user (which closes it here); true before
  // the first show.
  bool Idle();
  // Tells the host the editor's size, where it offers ui:resize.
  void AnnounceSize();

  // Calls into the host: the editor's gestures and changes.
  void BeginParamEdit(int index) override;
  void ReportParamChange(int index, double normalized) override;
  void EndParamEdit(int index) override;
  void ReportPresetChange() override {}
  int HostSamplePosition() override { return 0; }
  double HostTempo() override { return 0.0; }
  void HostTimeSignature(int* numerator, int* denominator) override;
  void HostTimeInfo(ITimeInfo*) override {}
  void EditorResized(int width, int height) override;
  bool SendMidiMessage(const IMidiMessage&) override { return false; }

private:
  void Touch(int index, bool grabbed);

  LV2UI_Write_Function mWrite;
  LV2UI_Controller mController;
  const LV2UI_Touch* mTouch;
  const LV2UI_Resize* mResize;
  const Lv2PortTable* mPorts;
  Lv2IndicatorShower mShowIndicator;
  Lv2ControlInputs mControls;
  bool mOwnWindow = false;  // no parent: the editor has a window of its own
  bool mShown = false;      // that window is open
  bool mClosed = false;     // hidden or closed since it was last shown
};
