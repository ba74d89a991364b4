// The module's load and unload notifications Windows hosts may call around
// GetPluginFactory. The module keeps nothing that needs them.
#include "vst3/ModuleEntry.h"

extern "C" VEXA_EXPORT bool InitDll() { return true; }
extern "C" VEXA_EXPORT bool ExitDll() { return true; }
