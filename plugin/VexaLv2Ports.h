#pragma once
// Vexa's LV2 ports: its nine parameters in the units hosts show, its two
// audio channels each way and its two indicators. One table for the LV2
// plug-in, its UI and the generator of the bundle's data, so the bundle
// describes exactly the ports the instances serve.

#include "lv2/Lv2Ports.h"
#include "plugin/EffectParams.h"

// Attack and Release are seconds to the effect and milliseconds to hosts.
constexpr double kMillisecondsPerSecond = 1000.0;

constexpr Lv2ParamPort kVexaLv2Params[kNumVexaParams] = {
  {"q", Lv2Unit::kNone, 1.0, false, nullptr, nullptr},
  {"frequency", Lv2Unit::kHz, 1.0, true, nullptr, nullptr},
  {"attack", Lv2Unit::kMs, kMillisecondsPerSecond, false, nullptr, nullptr},
  {"release", Lv2Unit::kMs, kMillisecondsPerSecond, false, nullptr, nullptr},
  {"intensity", Lv2Unit::kNone, 1.0, false, nullptr, nullptr},
  {"mix", Lv2Unit::kPercent, 1.0, false, nullptr, nullptr},
  {"output", Lv2Unit::kDb, 1.0, false, nullptr, nullptr},
  {"pitch", Lv2Unit::kSemitones, 1.0, false, nullptr, nullptr},
  {"sequence", Lv2Unit::kNone, 1.0, false, "Envelope", "Sequence"},
};

constexpr int kVexaLv2Channels = 2;
constexpr Lv2AudioPort kVexaLv2Inputs[kVexaLv2Channels] = {{"in_l", "Left In"}, {"in_r", "Right In"}};
constexpr Lv2AudioPort kVexaLv2Outputs[kVexaLv2Channels] = {{"out_l", "Left Out"}, {"out_r", "Right Out"}};

// The indicators, in this order.
enum VexaLv2Output : int { kVexaOutputReduction = 0, kVexaOutputGate, kNumVexaLv2Outputs };
constexpr Lv2OutputPort kVexaLv2Indicators[kNumVexaLv2Outputs] = {{"envelope", "Envelope Reduction"},
                                                                   {"gate", "Gate"}};

constexpr Lv2PortTable kVexaLv2Ports = {kVexaLv2Params,  kNumVexaParams,   kVexaLv2Inputs,     kVexaLv2Channels,
                                        kVexaLv2Outputs, kVexaLv2Channels, kVexaLv2Indicators, kNumVexaLv2Outputs};
