#pragma once
// The adapter the effect derives from in the VST3 modules (see
// cmake/Effect.cmake): the VST3 plug-in base, built with the component or
// controller object that owns the instance.

#include "vst3/PlugVST3.h"

using IPlugAdapter = IPlugVST3;
using IPlugHostHandle = Vst3HostSide*;
