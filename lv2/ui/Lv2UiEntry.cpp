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

// The editor opens inside the host's window (ui:parent). A host that gives
// none gets no widget: it shows and hides the editor's own window through
// the show interface.
LV2UI_Handle Instantiate(const LV2UI_Descriptor* descriptor, const char*, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
  const Lv2UiEntry* entry = reinterpret_cast<const DescriptorRecord*>(descriptor)->entry;
  void* parent = const_cast<void*>(FeatureData(features, LV2_UI__parent));
  if (!widget) return nullptr;
  const Lv2UiContext host = {write, controller, features, entry->ports, entry->showIndicator};
  IPlugLv2Ui* plug = entry->create(&host);
  if (!plug || !plug->CompleteSetUp()) {
    delete plug;
    return nullptr;
  }
  if (!parent) {
    plug->UseOwnWindow();
    *widget = nullptr;
    return plug;
  }
  void* window = plug->OpenEditorInSteps(parent);
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

// Non-zero tells the host that the UI was closed: the user closed the
// editor's own window, or it is hidden. A UI not yet shown is not closed:
// a host may idle it before its first show. An embedded editor is never
// closed from here.
int Idle(LV2UI_Handle handle) { return FromHandle(handle)->Idle() ? 0 : 1; }

// Show and hide answer 0 (success) when the window is on screen or off it
// as asked. A host that embeds the editor and still calls them (hosts
// differ) changes nothing.
int Show(LV2UI_Handle handle)
{
  IPlugLv2Ui* plug = FromHandle(handle);
  if (!plug->HasOwnWindow()) return 0;
  return plug->ShowOwnWindow() ? 0 : 1;
}

int Hide(LV2UI_Handle handle)
{
  FromHandle(handle)->HideOwnWindow();
  return 0;
}

const LV2UI_Idle_Interface kIdleInterface = {Idle};
const LV2UI_Show_Interface kShowInterface = {Show, Hide};

const void* ExtensionData(const char* uri)
{
  if (uri && !std::strcmp(uri, LV2_UI__idleInterface)) return &kIdleInterface;
  if (uri && !std::strcmp(uri, LV2_UI__showInterface)) return &kShowInterface;
  return nullptr;
}

}  // namespace

const LV2UI_Descriptor* Lv2UiDescriptorFor(const Lv2UiEntry& entry)
{
  static const DescriptorRecord record = {{entry.uri, Instantiate, Cleanup, PortEvent, ExtensionData}, &entry};
  return &record.descriptor;
}
