#pragma once
// The effect chain's rig, shared by its tests and its benchmarks: named
// parameter settings, a chain and the plain transcription fed the same
// parameter values, an indicator sink that records what it is handed, and an
// editor as far as the effect can see one.

#include <atomic>
#include <memory>

#include "core/EditorLink.h"
#include "plugin/EffectChain.h"
#include "plugin/EffectParams.h"
#include "tests/plugin/ReferenceEffect.h"

namespace rig {

// Parameter values in plain units, in index order.
struct Setting
{
  double v[kNumVexaParams];
};

constexpr Setting kDefaults = {{0.707, 20000.0, 0.001, 0.1, 0.0, 0.0, 0.0, 0.0, 0.0}};
// Envelope reducing, half shaped, shifted up a fifth, the gate path heard.
constexpr Setting kBusy = {{0.707, 20000.0, 0.001, 0.1, 60.0, 50.0, 0.0, 7.0, 1.0}};
// Every parameter at an extreme: most resonant at the lowest cut-off, slowest
// envelope at full intensity, fully shaped, an octave down, +12 dB.
constexpr Setting kDarkResonant = {{7.0, 100.0, 0.005, 0.3, 90.0, 100.0, 12.0, -12.0, 0.0}};
// The least resonant at the highest cut-off, fastest envelope, an octave up,
// the gate path heard.
constexpr Setting kOpenGate = {{0.4, 20000.0, 0.0001, 0.05, 30.0, 0.0, -12.0, 12.0, 1.0}};
// Most resonant at the lowest cut-off, everything else at its default: the
// filter memories ring longest.
constexpr Setting kResonantLowCut = {{7.0, 100.0, 0.001, 0.1, 0.0, 0.0, 0.0, 0.0, 0.0}};

// v limited to the parameter's range, as the parameter stores it.
inline double Clamped(int index, double v)
{
  const EffectParamSpec& p = kEffectParams[index];
  return v < p.minimum ? p.minimum : (v < p.maximum ? v : p.maximum);
}

// A chain and the transcription, both at the parameter defaults, given the
// same parameter values from then on. Both live on the heap (their shifter
// rings are large).
struct ChainPair
{
  ChainPair() : chain(new EffectChain), ref(new reference::Effect)
  {
    for (int i = 0; i < kNumVexaParams; ++i) Set(i, kEffectParams[i].defaultValue);
  }

  void Set(int index, double value)
  {
    const double v = Clamped(index, value);
    chain->SetParameter(index, v);
    ref->SetParameter(index, v);
  }

  void Apply(const Setting& s)
  {
    for (int i = 0; i < kNumVexaParams; ++i) Set(i, s.v[i]);
  }

  std::unique_ptr<EffectChain> chain;
  std::unique_ptr<reference::Effect> ref;
};

// Keeps the last indicator values it was handed and counts the frames.
class RecordingSink : public IndicatorSink
{
public:
  void TakeIndicators(const double* reduction, const double* gate, int count) override
  {
    for (int k = 0; k < count; ++k) {
      lastReduction.store(reduction[k], std::memory_order_relaxed);
      lastGate.store(gate[k], std::memory_order_relaxed);
    }
    frames += count;
    ++calls;
  }

  std::atomic<double> lastReduction{-1.0};
  std::atomic<double> lastGate{-1.0};
  long frames = 0;
  long calls = 0;
};

// An editor as far as the effect can see one: kControls controls that count
// and keep the indicator values handed to them.
class FakeEditor : public IEditorLink
{
public:
  static constexpr int kControls = 12;
  // Where the effect's layout puts its two indicators.
  static constexpr int kReductionControl = 10;
  static constexpr int kGateControl = 11;

  FakeEditor()
  {
    for (auto& v : values) v.store(-1.0, std::memory_order_relaxed);
  }
  void PushParamToControls(int, double, bool) override {}
  void CreateBackBuffer() override {}
  void* OpenEditor(void*) override { return nullptr; }
  void CloseEditor() override {}
  int Width() const override { return 764; }
  int Height() const override { return 222; }
  int ControlCount() const override { return kControls; }
  void TakePlugValueAt(int index, double value) override
  {
    if (index < 0 || index >= kControls) {
      ++outOfRange;
      return;
    }
    values[index].store(value, std::memory_order_relaxed);
    ++calls[index];
  }

  std::atomic<double> values[kControls];
  long calls[kControls] = {};
  long outOfRange = 0;
};

}  // namespace rig
