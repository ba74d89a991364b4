#include "lv2/Lv2Entry.h"

#include <lv2/state/state.h>

#include <cstring>

namespace {

// The descriptor the host holds, and what it was made from: the host hands
// back the descriptor's address, and the record is found from it.
struct DescriptorRecord
{
  LV2_Descriptor descriptor;
  const Lv2PluginEntry* entry;
};

IPlugLv2* FromHandle(LV2_Handle handle) { return static_cast<IPlugLv2*>(handle); }

LV2_Handle Instantiate(const LV2_Descriptor* descriptor, double rate, const char*, const LV2_Feature* const* features)
{
  const Lv2PluginEntry* entry = reinterpret_cast<const DescriptorRecord*>(descriptor)->entry;
  const Lv2HostContext host = {rate, features, entry->ports, entry->stateKey, entry->readIndicators};
  IPlugLv2* plug = entry->create(&host);
  if (plug && !plug->CompleteSetUp()) {
    delete plug;
    return nullptr;
  }
  return plug;
}

void ConnectPort(LV2_Handle handle, uint32_t port, void* data) { FromHandle(handle)->ConnectPort(port, data); }
void Activate(LV2_Handle handle) { FromHandle(handle)->Activate(); }
void Run(LV2_Handle handle, uint32_t frames) { FromHandle(handle)->Run(frames); }
void Deactivate(LV2_Handle handle) { FromHandle(handle)->Deactivate(); }
void Cleanup(LV2_Handle handle) { delete FromHandle(handle); }

LV2_State_Status Save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const*)
{
  return FromHandle(handle)->SaveState(store, state);
}

LV2_State_Status Restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const*)
{
  return FromHandle(handle)->RestoreState(retrieve, state);
}

const LV2_State_Interface kStateInterface = {Save, Restore};

const void* ExtensionData(const char* uri)
{
  if (uri && !std::strcmp(uri, LV2_STATE__interface)) return &kStateInterface;
  return nullptr;
}

}  // namespace

const LV2_Descriptor* Lv2DescriptorFor(const Lv2PluginEntry& entry)
{
  static const DescriptorRecord record = {
    {entry.uri, Instantiate, ConnectPort, Activate, Run, Deactivate, Cleanup, ExtensionData}, &entry};
  return &record.descriptor;
}
