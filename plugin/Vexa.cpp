#include "plugin/Vexa.h"

#include <cmath>

IPlugDescription VexaDescription()
{
  IPlugDescription d = {};
  d.nParams = kNumVexaParams;
  d.nPresets = 1;
  d.channelIO = "1-1 2-2";
  d.effectName = "Vexa";
  d.productName = "";
  d.makerName = "Corvanta";
  d.version = 0x00010000;
  d.uniqueId = 0x56584131;  // 'VXA1'
  d.makerId = 0x436F7276;   // 'Corv'
  d.latency = 0;
  return d;
}

Vexa::Vexa(audioMasterCallback host, VexaEditorFactory editorFactory) : IPlugVST(host, VexaDescription())
{
  ParameterAt(kParamQ)->DefineContinuous("Q", "%", 0.707, 0.4, 7.0, 0.01, 1.0);
  ParameterAt(kParamQ)->SetShape(1.0);
  ParameterAt(kParamFrequency)->DefineContinuous("Frequency", "%", 20000.0, 100.0, 20000.0, 0.01, 2.0);
  ParameterAt(kParamFrequency)->SetShape(2.0);
  ParameterAt(kParamAttack)->DefineContinuous("Attack", "%", 0.001, 0.0001, 0.005, 0.0001, 1.0);
  ParameterAt(kParamAttack)->SetShape(1.0);
  ParameterAt(kParamRelease)->DefineContinuous("Release", "%", 0.1, 0.05, 0.5, 0.0001, 1.0);
  ParameterAt(kParamRelease)->SetShape(1.0);
  ParameterAt(kParamIntensity)->DefineContinuous("Intensity", "%", 0.0, 0.0, 90.0, 0.01, 1.0);
  ParameterAt(kParamIntensity)->SetShape(1.0);
  ParameterAt(kParamMix)->DefineContinuous("Mix", "%", 0.0, 0.0, 100.0, 0.01, 1.0);
  ParameterAt(kParamMix)->SetShape(1.0);
  ParameterAt(kParamOutput)->DefineContinuous("Output", "%", 0.0, -12.0, 12.0, 1.0, 1.0);
  ParameterAt(kParamOutput)->SetShape(1.0);
  ParameterAt(kParamPitch)->DefineContinuous("Pitch", "%", 0.0, -12.0, 12.0, 1.0, 1.0);
  ParameterAt(kParamPitch)->SetShape(1.0);
  ParameterAt(kParamSequence)->DefineInteger("Sequence", 0, 0, 1, "");

  // The cached copies start from the defaults, so that processing before the
  // host opens the effect sees sensible values.
  for (int i = 0; i < kNumVexaParams; ++i) ParameterChanged(i);

  if (editorFactory) editorFactory(*this);
  FillEmptyPresets("-", 1);
}

Vexa::~Vexa() = default;

void Vexa::ParameterChanged(int index)
{
  ILockGuard guard(Lock());
  const IParameter* p = ParameterAt(index);
  if (!p) return;
  const double v = p->Value();
  switch (index) {
    case kParamQ: q = v; break;
    case kParamFrequency: frequency = v; break;
    case kParamAttack: attack = v; break;
    case kParamRelease: release = v; break;
    case kParamIntensity: intensity = v; break;
    case kParamMix: mix = v; break;
    case kParamOutput: outputGain = std::pow(10.0, v / 20.0); break;
    case kParamPitch: pitch = v; break;
    default: break;
  }
}
