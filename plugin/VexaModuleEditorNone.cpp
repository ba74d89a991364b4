// A module built without a window layer: its instances have no editor.
#include "plugin/VexaModuleEditor.h"

VexaEditorFactory ModuleEditorFactory() { return nullptr; }
