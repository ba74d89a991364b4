#pragma once
// The plug-in's LV2 descriptor: a flat table of named handlers that find the
// instance behind the host's handle and call the adapter (lv2/PlugLv2.h).

#include <lv2/core/lv2.h>

#include "lv2/PlugLv2.h"

// What an effect's LV2 entry point tells the adapter. Static data.
struct Lv2PluginEntry
{
  const char* uri;
  // Builds one instance from the host's arguments; null when memory is
  // short. The result is the adapter's from then on.
  IPlugLv2* (*create)(const Lv2HostContext* host);
  const Lv2PortTable* ports;
  const char* stateKey;
  Lv2IndicatorReader readIndicators;
};

// The descriptor of the module's plug-in, made on the first call from entry
// (which must live as long as the process); later calls return the same.
// Any thread.
const LV2_Descriptor* Lv2DescriptorFor(const Lv2PluginEntry& entry);
