// The VST 2.4 module's entry point: one Vexa instance per call, with the
// module's editor. The only file of the effect that names VST 2.4 types.
#include <new>

#include "plugin/VexaModuleEditor.h"
#include "plugin/Vexa.h"
#include "vst/EntryPoint.h"

namespace {

IPlugVST* CreateVexa(audioMasterCallback host) { return new (std::nothrow) Vexa(host, ModuleEditorFactory()); }

}  // namespace

extern "C" VEXA_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) { return MakeEffect(CreateVexa, host); }
