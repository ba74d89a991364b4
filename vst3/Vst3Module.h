#pragma once
// What a VST3 module tells the adapter about its plug-in: identity, class
// identifiers and how to make an instance for each of the two objects.

#include "core/EditorLink.h"
#include "vst3/PlugVST3.h"

struct Vst3ModuleInfo
{
  const char* name;
  const char* vendor;
  const char* version;        // "1.0.0"
  const char* subCategories;  // "Fx|Filter|..."
  vst3::Uid componentId;
  vst3::Uid controllerId;
  // Makes the processing instance, without an editor; indicatorRelay is an
  // editor link the instance attaches (and then owns) to hand its indicator
  // values to the controller's editor. Null when memory is short.
  IPlugVST3* (*makeComponent)(Vst3HostSide* host, IEditorLink* indicatorRelay);
  // Makes the controller's instance, with its editor where the module has
  // one. Null when memory is short.
  IPlugVST3* (*makeController)(Vst3HostSide* host);
};

// The module's one description, defined by the module's entry point.
const Vst3ModuleInfo& ModuleInfo();
