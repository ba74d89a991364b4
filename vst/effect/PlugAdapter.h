#pragma once
// The adapter the effect derives from in the VST 2.4 modules. The effect
// includes "PlugAdapter.h" without a folder; each module's build puts its
// adapter's effect/ folder on the include path (vexa_effect_for in
// cmake/Effect.cmake), so the same effect source compiles against each
// adapter. Every adapter's PlugAdapter.h names:
//   IPlugAdapter     the IPlugBase subclass the effect derives from, whose
//                    constructor takes (IPlugHostHandle, const IPlugDescription&);
//   IPlugHostHandle  what the adapter's constructor takes from the host.

#include "vst/PlugVST.h"

using IPlugAdapter = IPlugVST;
using IPlugHostHandle = audioMasterCallback;
