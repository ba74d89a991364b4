// The LV2 plug-in's entry point: one Vexa instance per instantiate, without
// an editor (the UI is its own binary), with its indicators on two output
// ports. With VexaLv2UiMain.cpp the only files of the effect that name LV2
// types.
#include <new>

#include "lv2/Lv2Entry.h"
#include "plugin/Vexa.h"
#include "plugin/VexaIdentity.h"
#include "plugin/VexaLv2Ports.h"

namespace {

IPlugLv2* CreateVexa(const Lv2HostContext* host)
{
  Vexa* vexa = new (std::nothrow) Vexa(host);
  // Without an editor the effect computes its indicators only when asked.
  if (vexa) vexa->AlwaysComputeIndicators();
  return vexa;
}

void ReadIndicators(IPlugLv2& plug, float* values, int count)
{
  const EffectChain& chain = static_cast<Vexa&>(plug).Chain();
  if (count > kVexaOutputReduction) values[kVexaOutputReduction] = static_cast<float>(chain.reductionMeter.load());
  if (count > kVexaOutputGate) values[kVexaOutputGate] = static_cast<float>(chain.gateMeter.load());
}

const Lv2PluginEntry kEntry = {kVexaLv2Uri, CreateVexa, &kVexaLv2Ports, kVexaLv2StateKey, ReadIndicators};

}  // namespace

extern "C" VEXA_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
  return index == 0 ? Lv2DescriptorFor(kEntry) : nullptr;
}
