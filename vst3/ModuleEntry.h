#pragma once
// The VST3 module's exported functions: GetPluginFactory (defined by the
// module's entry point) and the platform's load and unload notifications
// (vst3/posix: ModuleEntry and ModuleExit; vst3/win: InitDll and ExitDll).

#include "vst3/Vst3Defs.h"

extern "C" VEXA_EXPORT vst3::IPluginFactory* VST3_CALL GetPluginFactory();
