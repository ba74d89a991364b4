#pragma once
// The plug-in's LV2 UI descriptor: a flat table of named handlers that find
// the UI instance behind the host's handle and call the UI adapter
// (lv2/ui/PlugLv2Ui.h).

#include <lv2/ui/ui.h>

#include "lv2/ui/PlugLv2Ui.h"

// What an effect's LV2 UI entry point tells the adapter. Static data.
struct Lv2UiEntry
{
  const char* uri;
  // Builds one UI instance, its editor included, from the host's
  // arguments; null when memory is short. The result is the adapter's.
  IPlugLv2Ui* (*create)(const Lv2UiContext* host);
  const Lv2PortTable* ports;
  Lv2IndicatorShower showIndicator;
};

// The UI descriptor, made on the first call from entry (which must live as
// long as the process); later calls return the same. Any thread.
const LV2UI_Descriptor* Lv2UiDescriptorFor(const Lv2UiEntry& entry);
