#pragma once
// The effect's nine parameters in plain units: their indices and their
// definitions. Plain data shared by the effect class, which defines its
// parameters from it, and the signal chain, which starts from the defaults.

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

// One parameter's definition. Integer parameters have step 1 and shape 1.
struct EffectParamSpec
{
  const char* name;
  const char* label;
  double defaultValue;
  double minimum;
  double maximum;
  double step;
  double shape;
  bool integer;
};

// In index order. Every continuous parameter is labelled "%" whatever its
// unit: hosts show the label as it is.
constexpr EffectParamSpec kEffectParams[kNumVexaParams] = {
    {"Q", "%", 0.707, 0.4, 7.0, 0.01, 1.0, false},
    {"Frequency", "%", 20000.0, 100.0, 20000.0, 0.01, 2.0, false},
    {"Attack", "%", 0.001, 0.0001, 0.005, 0.0001, 1.0, false},
    {"Release", "%", 0.1, 0.05, 0.5, 0.0001, 1.0, false},
    {"Intensity", "%", 0.0, 0.0, 90.0, 0.01, 1.0, false},
    {"Mix", "%", 0.0, 0.0, 100.0, 0.01, 1.0, false},
    {"Output", "%", 0.0, -12.0, 12.0, 1.0, 1.0, false},
    {"Pitch", "%", 0.0, -12.0, 12.0, 1.0, 1.0, false},
    {"Sequence", "", 0.0, 0.0, 1.0, 1.0, 1.0, true},
};
