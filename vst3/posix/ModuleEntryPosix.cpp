// The module's load and unload notifications Linux hosts call around
// GetPluginFactory. The module keeps nothing that needs them.
#include "vst3/ModuleEntry.h"

extern "C" VEXA_EXPORT bool ModuleEntry(void*) { return true; }
extern "C" VEXA_EXPORT bool ModuleExit() { return true; }
