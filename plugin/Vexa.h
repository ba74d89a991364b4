#pragma once
// The Vexa effect: pitch shift, waveshaper blend and two resonant low-pass
// paths, one driven by an envelope follower and one by a rhythmic gate.

#include <atomic>

#include "plugin/BiquadSection.h"
#include "plugin/DelayPitchShifter.h"
#include "vst/PlugVST.h"

// Builds the editor of an instance and attaches it. Provided by the editor
// library; an effect built without one runs without an editor.
class Vexa;
typedef void (*VexaEditorFactory)(Vexa& plug);

enum VexaParam : int
{
  kParamQ = 0,
  kParamFrequency,
  kParamAttack,
  kParamRelease,
  kParamIntensity,
  kParamMix,
  kParamOutput,
  kParamPitch,
  kParamSequence,
  kNumVexaParams
};

// The one-pole smoother of the sequence gate.
struct GateSmoother
{
  double complement = 1.0;  // 1 - coefficient
  double coefficient = 0.0;
  double state = 0.0;
};

// One plug-in instance. Created on the heap by the entry point, destroyed by
// the dispatcher on effClose; owns its processing state inline (two 512 KiB
// rings) and, through the core, its parameters and editor.
class Vexa : public IPlugVST
{
public:
  explicit Vexa(audioMasterCallback host, VexaEditorFactory editorFactory = nullptr);
  ~Vexa() override;

  // Copies the parameter's value into the cached effect state. Takes the
  // instance lock (re-entrant).
  void ParameterChanged(int index) override;

  // Processes one block of two input channels into two output channels
  // (plugin/EffectChain.cpp). Audio thread, instance lock held.
  void ProcessBlock(double** inputs, double** outputs, int frames) override;

  // Set while the editor is built: the list indices of the two indicators.
  void SetMeterControls(int reduction, int gate)
  {
    reductionMeterControl = reduction;
    gateMeterControl = gate;
  }

  // Cached parameter values.
  double q = 0.0, frequency = 0.0, attack = 0.0, release = 0.0, intensity = 0.0, mix = 0.0, outputGain = 1.0,
         pitch = 0.0;

  // Processing state.
  double envelopeGain = 1.0;
  double sequencePhase = 0.0;
  float gateTarget = 0.001f;
  GateSmoother gateSmoother;
  BiquadSection envelopeFilterLeft, envelopeFilterRight, sequenceFilterLeft, sequenceFilterRight;
  DelayPitchShifter shifterLeft, shifterRight;
  // Indicator values: written by the audio thread, read by the editor.
  std::atomic<double> reductionMeter{1.0};
  std::atomic<double> gateMeter{1.0};
  int reductionMeterControl = -1;
  int gateMeterControl = -1;
};

// The description every Vexa instance hands to the core.
IPlugDescription VexaDescription();
