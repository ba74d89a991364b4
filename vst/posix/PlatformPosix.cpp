// Platform layer of the adapter on POSIX systems. Editors open as X11 child
// windows; without a display effEditOpen answers 0.
#include "vst/Platform.h"
#include "vst/PlugVST.h"

namespace {
void* gModule = nullptr;
}

void* VexaModuleHandle() { return gModule; }
void SetVexaModuleHandle(void* handle) { gModule = handle; }
bool IPlugVST::PlatformHasEditorWindow() { return true; }
