#pragma once
// How the values of the control input ports reach the effect, the same in
// the plug-in and in its UI: a value that differs from the one last taken
// from its port goes to the effect as a VST 2.4 host's setParameter would
// send it (plain value, normalized, rounded to single precision, limited
// as the VST2 module limits setParameter).

#include <vector>

#include "core/PlugBase.h"
#include "lv2/Lv2Ports.h"

// The normalized value a port's value hands the effect: the plain value
// (the port's divided by portPerPlain) through the parameter's mapping, in
// single precision as a VST2 host sends it. NaN for a NaN port value.
float Lv2HostNormalized(const IParameter& param, float portValue, double portPerPlain);

// The port value that shows the parameter's current value.
float Lv2PortValue(const IParameter& param, double portPerPlain);

// Sets the parameter from a host's normalized value as the VST2 module's
// setParameter does: NaN is ignored, other values are limited to 0..1;
// the editor's controls, the parameter and the effect follow. Takes the
// instance lock.
void Lv2SetFromHost(IPlugBase& plug, int index, float normalized);

// The values last taken from each parameter's port. Owned by an adapter;
// used under its instance lock.
class Lv2ControlInputs
{
public:
  // Starts from the declared defaults: a port still at its default leaves
  // the effect's own default untouched. Allocates; not on the audio thread.
  void Init(const IPlugBase& plug, const Lv2PortTable& ports);
  // Hands the port's value of parameter index to the effect when it differs
  // (bit for bit) from the last one taken. Allocates nothing.
  void Take(IPlugBase& plug, int index, float value);
  // Records value as taken without handing it over (the effect has it).
  void Remember(int index, float value);
  // The value last taken from parameter index's port.
  float Taken(int index) const;

private:
  const Lv2PortTable* mPorts = nullptr;
  std::vector<float> mTaken;
};
