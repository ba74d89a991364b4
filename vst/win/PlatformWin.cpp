// Platform layer of the adapter on Windows.
#include "vst/Platform.h"
#include "vst/PlugVST.h"

namespace {
void* gModule = nullptr;
}

void* VexaModuleHandle() { return gModule; }
void SetVexaModuleHandle(void* handle) { gModule = handle; }
bool IPlugVST::PlatformHasEditorWindow() { return true; }
