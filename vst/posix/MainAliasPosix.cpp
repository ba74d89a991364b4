// The second exported name of the entry point. The symbol is named "main" in
// the object file only, so the compiler does not treat it as a program entry.
#include "vst/EntryPoint.h"

extern "C" VEXA_EXPORT AEffect* VexaMainAlias(audioMasterCallback host) __asm__("main");
extern "C" AEffect* VexaMainAlias(audioMasterCallback host) { return VSTPluginMain(host); }
