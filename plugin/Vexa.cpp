#include "plugin/Vexa.h"

#include "plugin/VexaIdentity.h"

IPlugDescription VexaDescription()
{
  IPlugDescription d = {};
  d.nParams = kNumVexaParams;
  d.nPresets = 1;
  d.channelIO = "1-1 2-2";
  d.effectName = kVexaName;
  d.productName = kVexaProductName;
  d.makerName = kVexaVendor;
  d.version = kVexaPackedVersion;
  d.uniqueId = kVexaVst2UniqueId;
  d.makerId = kVexaVst2MakerId;
  d.latency = 0;
  return d;
}

Vexa::Vexa(IPlugHostHandle host, VexaEditorFactory editorFactory) : IPlugAdapter(host, VexaDescription())
{
  for (int i = 0; i < kNumVexaParams; ++i) {
    const EffectParamSpec& s = kEffectParams[i];
    if (s.integer) {
      ParameterAt(i)->DefineInteger(s.name, s.defaultValue, s.minimum, s.maximum, s.label);
    } else {
      ParameterAt(i)->DefineContinuous(s.name, s.label, s.defaultValue, s.minimum, s.maximum, s.step, s.shape);
    }
  }

  // The chain starts from the defaults, so that processing before the host
  // opens the effect sees sensible values.
  for (int i = 0; i < kNumVexaParams; ++i) ParameterChanged(i);

  if (editorFactory) editorFactory(*this);
  FillEmptyPresets("-", 1);
}

Vexa::~Vexa() = default;

void Vexa::ParameterChanged(int index)
{
  ILockGuard guard(Lock());
  if (const IParameter* p = ParameterAt(index)) mChain.SetParameter(index, p->Value());
}

void Vexa::ProcessBlock(double** inputs, double** outputs, int frames)
{
  IEditorLink* editor = Editor();
  IndicatorSink* indicators = nullptr;
  if (editor || mIndicators.always) {
    // The editor's controls are all added before it is attached, so its
    // control count is fixed while it exists.
    const int controls = editor ? editor->ControlCount() : 0;
    mIndicators.editor = editor;
    mIndicators.showReduction = mIndicators.reductionControl >= 0 && mIndicators.reductionControl < controls;
    mIndicators.showGate = mIndicators.gateControl >= 0 && mIndicators.gateControl < controls;
    indicators = &mIndicators;
  }
  mChain.ProcessBlock(inputs, outputs, frames, SampleRate(), indicators);
}

void Vexa::EditorIndicators::TakeIndicators(const double* reduction, const double* gate, int count)
{
  if (showReduction) editor->TakePlugValuesAt(reductionControl, reduction, count);
  if (showGate) editor->TakePlugValuesAt(gateControl, gate, count);
}
