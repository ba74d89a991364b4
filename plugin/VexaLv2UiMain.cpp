// The LV2 UI's entry point: one Vexa per UI instance, holding the parameters
// and the module's editor, which opens in the host's window and shows the
// indicators the plug-in's output ports carry.
#include <new>

#include "lv2/ui/Lv2UiEntry.h"
#include "plugin/Vexa.h"
#include "plugin/VexaEditor.h"
#include "plugin/VexaIdentity.h"
#include "plugin/VexaLv2Ports.h"
#include "plugin/VexaModuleEditor.h"

namespace {

IPlugLv2Ui* CreateVexaUi(const Lv2UiContext* host) { return new (std::nothrow) Vexa(host, ModuleEditorFactory()); }

void ShowIndicator(IPlugLv2Ui& plug, int output, float value)
{
  IEditorLink* editor = plug.Editor();
  if (!editor) return;
  if (output == kVexaOutputReduction) editor->TakePlugValueAt(kControlReductionIndicator, value);
  if (output == kVexaOutputGate) editor->TakePlugValueAt(kControlGateIndicator, value);
}

const Lv2UiEntry kEntry = {kVexaLv2UiUri, CreateVexaUi, &kVexaLv2Ports, ShowIndicator};

}  // namespace

extern "C" VEXA_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
  return index == 0 ? Lv2UiDescriptorFor(kEntry) : nullptr;
}
