#pragma once
// The effect's signal chain: its processing state and block processing, over
// plain parameter values. Knows nothing of hosts or editors; the effect class
// (plugin/Vexa.h) owns one and feeds it.

#include <atomic>

#include "plugin/BiquadSection.h"
#include "plugin/DelayPitchShifter.h"
#include "plugin/EffectParams.h"

// The blend's waveshaping curve: entry i is the output for input magnitude
// i / kShapeInputScale, so the table covers magnitudes 0 to 0.1; beyond that
// the last entry holds.
constexpr int kShapeTableSize = 200;
constexpr double kShapeInputScale = 1990.0;
extern const float kShapeTable[kShapeTableSize];

// Shapes one sample: linear interpolation of |x| in the table, with the sign
// of x. Pure; any thread.
double ShapeSample(double x);

// The largest cut-off, as a fraction of the sample rate, that the chain hands
// to its filter sections. Frequency reaches 20000 Hz, which passes half the
// sample rate below about 40.8 kHz, where the pre-warping tangent changes sign
// and the sections blow up.
constexpr double kMaxCutoffFraction = 0.49;

// The levels of the sequence gate.
constexpr float kGateOpen = 0.999f;
constexpr float kGateClosed = 0.001f;

// Where the chain hands its two indicator values: the envelope's gain
// reduction and the sequence gate, one pair per frame. Implemented by
// whoever shows them (an editor); the chain only calls it.
class IndicatorSink
{
public:
  // The indicator values of count consecutive frames, in frame order.
  // Audio thread, from inside EffectChain::ProcessBlock (the caller's lock
  // held); must not call back into the chain.
  virtual void TakeIndicators(const double* reduction, const double* gate, int count) = 0;

protected:
  ~IndicatorSink() = default;
};

// The parameter values the chain works with, in plain units.
struct EffectSettings
{
  double q = kEffectParams[kParamQ].defaultValue;
  double frequency = kEffectParams[kParamFrequency].defaultValue;  // Hz
  double attack = kEffectParams[kParamAttack].defaultValue;        // seconds
  double release = kEffectParams[kParamRelease].defaultValue;      // seconds
  double intensity = kEffectParams[kParamIntensity].defaultValue;
  double mix = kEffectParams[kParamMix].defaultValue;  // percent shaped
  double outputGain = 1.0;                             // linear factor
  double pitch = kEffectParams[kParamPitch].defaultValue;  // semitones
  bool sequenceHeard = false;  // the gate-driven path is heard, not the envelope's
};

// The whole signal chain of one effect instance: two pitch shifters, the
// blend, two pairs of low-pass sections, the envelope follower, the sequence
// gate and the indicator ballistics. Holds its two 512 KiB shifter rings
// inline; a plain object owned by whoever holds it (the effect class, or a
// test). Not thread-safe: its owner serialises every call (the effect holds
// its instance lock).
class EffectChain
{
public:
  // Takes the plain value of parameter index (a VexaParam) as the chain uses
  // it: Output becomes a linear gain, Sequence picks the heard path.
  void SetParameter(int index, double value);

  // Processes one block of two input channels into two output channels at
  // sampleRate (positive). Advances the sequence gate once by the block's
  // duration, also for frames of 0 or less, which touch no sample. Missing
  // channel pointers leave the block unprocessed. With indicators, the
  // indicator values are computed and handed over every frame; without,
  // they stay as they are.
  void ProcessBlock(const double* const* inputs, double* const* outputs, int frames, double sampleRate,
                    IndicatorSink* indicators);

  EffectSettings settings;

  // Processing state, carried from block to block. Written by ProcessBlock
  // only; public for the owner and the tests to inspect.
  double envelopeGain = 1.0;
  double sequencePhase = 0.0;  // seconds
  float gateTarget = kGateClosed;
  double gateSmootherState = 0.0;
  BiquadSection envelopeFilterLeft, envelopeFilterRight, sequenceFilterLeft, sequenceFilterRight;
  DelayPitchShifter shifterLeft, shifterRight;
  // Indicator values: written by the audio thread, readable from any.
  std::atomic<double> reductionMeter{1.0};
  std::atomic<double> gateMeter{1.0};
};
