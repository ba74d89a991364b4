#include "lv2/ui/Lv2UiEntry.h"

#include <cstring>

namespace {

// The descriptor the host holds, and what it was made from.
struct DescriptorRecord
{
  LV2UI_Descriptor descriptor;
  const Lv2UiEntry* entry;
};

IPlugLv2Ui* FromHandle(LV2UI_Handle handle) { return static_cast<IPlugLv2Ui*>(handle); }

const void* FeatureData(const LV2_Feature* const* features, const char* uri)
{
  for (int i = 0; features && features[i]; ++i) {
    if (features[i]->URI && !std::strcmp(features[i]->URI, uri)) return features[i]->data;
  }
  return nullptr;
}

// The editor opens inside the host's window (ui:parent); a host that gives
// none gets no UI.
LV2UI_Handle Instantiate(const LV2UI_Descriptor* descriptor, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
  const Lv2UiEntry* entry = reinterpret_cast<const DescriptorRecord*>(descriptor)->entry;
  void* parent = const_cast<void*>(FeatureData(features, LV2_UI__parent));
  if (!parent || !widget) return nullptr;
  const Lv2UiContext host = {write, controller, features, entry->ports, entry->showIndicator};
  IPlugLv2Ui* plug = entry->create(&host);
  void* window = plug && plug->CompleteSetUp() ? plug->OpenWindow(parent) : nullptr;
  if (!window) {
    delete plug;
    return nullptr;
  }
  *widget = window;
  plug->AnnounceSize();
  return plug;
}

void Cleanup(LV2UI_Handle handle)
{
  IPlugLv2Ui* plug = FromHandle(handle);
  plug->CloseWindow();
  delete plug;
}

void PortEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t protocol, const void* buffer)
{
  FromHandle(handle)->PortEvent(port, size, protocol, buffer);
}

int Idle(LV2UI_Handle handle)
{
  FromHandle(handle)->Idle();
  return 0;
}

const LV2UI_Idle_Interface kIdleInterface = {Idle};

const void* ExtensionData(const char* uri)
{
  if (uri && !std::strcmp(uri, LV2_UI__idleInterface)) return &kIdleInterface;
  return nullptr;
}

}  // namespace

const LV2UI_Descriptor* Lv2UiDescriptorFor(const Lv2UiEntry& entry)
{
  static const DescriptorRecord record = {{entry.uri, Instantiate, Cleanup, PortEvent, ExtensionData}, &entry};
  return &record.descriptor;
}
