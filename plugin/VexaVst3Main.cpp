// The VST3 module's entry point: the factory of the component and the
// controller, each holding one Vexa instance. The only file of the effect
// that names VST3 types.
#include <new>

#include "plugin/Vexa.h"
#include "plugin/VexaEditor.h"
#include "plugin/VexaIdentity.h"
#include "plugin/VexaModuleEditor.h"
#include "vst3/Factory.h"
#include "vst3/ModuleEntry.h"
#include "vst3/Vst3Module.h"

namespace {

// Where Vexa sits in a host's plug-in lists.
constexpr const char* kSubCategories = "Fx|Filter|Pitch Shift|Distortion";

// The processing instance: no editor of its own; its indicator values go to
// the relay, which hands them to the controller's editor.
IPlugVST3* MakeComponent(Vst3HostSide* host, IEditorLink* indicatorRelay)
{
  Vexa* plug = new (std::nothrow) Vexa(host);
  if (!plug) return nullptr;
  plug->SetMeterControls(kControlReductionIndicator, kControlGateIndicator);
  plug->AttachEditor(indicatorRelay);
  return plug;
}

IPlugVST3* MakeController(Vst3HostSide* host) { return new (std::nothrow) Vexa(host, ModuleEditorFactory()); }

// A class identifier from its bytes in text order.
vst3::Uid ClassId(const unsigned char (&b)[kVexaClassIdBytes])
{
  auto group = [&b](int at) {
    return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
           static_cast<uint32_t>(b[at + 2]) << 8 | static_cast<uint32_t>(b[at + 3]);
  };
  return vst3::MakeUid(group(0), group(4), group(8), group(12));
}

}  // namespace

const Vst3ModuleInfo& ModuleInfo()
{
  static const Vst3ModuleInfo info = {kVexaName,
                                      kVexaVendor,
                                      kVexaVersionText,
                                      kSubCategories,
                                      ClassId(kVexaVst3ComponentId),
                                      ClassId(kVexaVst3ControllerId),
                                      MakeComponent,
                                      MakeController};
  return info;
}

extern "C" VEXA_EXPORT vst3::IPluginFactory* VST3_CALL GetPluginFactory() { return ModuleFactory(); }
