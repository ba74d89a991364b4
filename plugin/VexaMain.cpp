// The module's entry point: one Vexa instance per call, with the module's
// editor.
#include <new>

#include "plugin/VexaModuleEditor.h"
#include "plugin/Vexa.h"
#include "vst/EntryPoint.h"

namespace {

IPlugVST* CreateVexa(audioMasterCallback host) { return new (std::nothrow) Vexa(host, ModuleEditorFactory()); }

}  // namespace

extern "C" VEXA_EXPORT AEffect* VSTPluginMain(audioMasterCallback host) { return MakeEffect(CreateVexa, host); }
