// The module's editor in the platform's editor window layer.
#include "graphics/EditorWindow.h"
#include "plugin/VexaModuleEditor.h"
#include "plugin/VexaEditor.h"

namespace {

void BuildWindowEditor(Vexa& plug) { BuildVexaEditor(plug, MakeEditorWindow); }

}  // namespace

VexaEditorFactory ModuleEditorFactory() { return BuildWindowEditor; }
