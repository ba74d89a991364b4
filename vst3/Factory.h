#pragma once
// The module's class factory: one audio effect class and its edit
// controller, described by the module's Vst3ModuleInfo.

#include "vst3/Vst3Defs.h"

// The factory GetPluginFactory hands out, with one more reference for the
// caller. It lives as long as the module; its reference count only counts.
// Any thread.
vst3::IPluginFactory* ModuleFactory();
