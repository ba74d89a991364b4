// The module's entry point: one Vexa instance per call.
#include <new>

#include "plugin/Vexa.h"
#include "vst/EntryPoint.h"

namespace {

IPlugVST* CreateVexa(audioMasterCallback host) { return new (std::nothrow) Vexa(host); }

}  // namespace

extern "C" VEXA_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) { return MakeEffect(CreateVexa, host); }
