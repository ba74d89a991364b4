#pragma once
// How the plug-in module gives each Vexa instance its editor.

#include "plugin/Vexa.h"

// The editor factory the module hands every instance it makes: Vexa's layout
// in the platform's editor window, or null in a module built without a
// window layer (the instance then runs without an editor). Any thread.
VexaEditorFactory ModuleEditorFactory();
