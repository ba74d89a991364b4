#pragma once
// The Vexa effect as hosts see it: its identity and parameters on the plug-in
// core, and its signal chain (plugin/EffectChain.h) fed from the host's
// blocks and parameter changes. Written once against the core; each module
// compiles it on its own host adapter, which "PlugAdapter.h" names (found in
// the adapter's effect/ folder, see cmake/Effect.cmake).

#include "PlugAdapter.h"
#include "plugin/EffectChain.h"
#include "plugin/EffectParams.h"

// Builds the editor of an instance and attaches it. Provided by the editor
// library; an effect built without one runs without an editor.
class Vexa;
typedef void (*VexaEditorFactory)(Vexa& plug);

// One plug-in instance. Created on the heap by the module's entry point and
// destroyed by its adapter when the host ends the instance; owns its signal
// chain inline (two 512 KiB rings) and, through the core, its parameters and
// editor. host is handed to the adapter as it came from the host.
class Vexa : public IPlugAdapter
{
public:
  explicit Vexa(IPlugHostHandle host, VexaEditorFactory editorFactory = nullptr);
  ~Vexa() override;

  // Hands the parameter's value to the signal chain. Any thread; takes the
  // instance lock (re-entrant).
  void ParameterChanged(int index) override;

  // Processes one block of two input channels into two output channels
  // through the signal chain, handing the indicator values to the editor's
  // indicator controls while an editor exists. Audio thread, instance lock
  // held.
  void ProcessBlock(double** inputs, double** outputs, int frames) override;

  // Has processing compute the indicator values also while there is no
  // editor, for hosts that show them themselves: after each block they are
  // in Chain().reductionMeter and Chain().gateMeter. Right after
  // construction, before any processing.
  void AlwaysComputeIndicators() { mIndicators.always = true; }

  // Set while the editor is built: the list indices of the two indicator
  // controls. Indices outside the editor's control list are not shown.
  void SetMeterControls(int reduction, int gate)
  {
    mIndicators.reductionControl = reduction;
    mIndicators.gateControl = gate;
  }

  // The signal chain. Its state changes only under the instance lock.
  EffectChain& Chain() { return mChain; }
  const EffectChain& Chain() const { return mChain; }

private:
  // Hands the indicator values of a run of frames to the editor's two
  // indicator controls, one run per control.
  struct EditorIndicators : IndicatorSink
  {
    void TakeIndicators(const double* reduction, const double* gate, int count) override;

    IEditorLink* editor = nullptr;
    int reductionControl = -1;
    int gateControl = -1;
    bool showReduction = false;
    bool showGate = false;
    bool always = false;
  };

  EffectChain mChain;
  EditorIndicators mIndicators;
};

// The description every Vexa instance hands to the core.
IPlugDescription VexaDescription();
