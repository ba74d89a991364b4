// Platform layer of the adapter on POSIX systems. There is no native editor
// window here yet, so the editor is not advertised.
#include "vst/Platform.h"
#include "vst/PlugVST.h"

namespace {
void* gModule = nullptr;
}

void* VexaModuleHandle() { return gModule; }
void SetVexaModuleHandle(void* handle) { gModule = handle; }
bool IPlugVST::PlatformHasEditorWindow() { return false; }
