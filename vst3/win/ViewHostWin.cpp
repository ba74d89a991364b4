// Windows views: child windows of the host's HWND that run their own timer
// and messages; the host runs nothing for them.
#include "vst3/ViewHost.h"

const char* NativeViewType() { return vst3::kPlatformHwnd; }

vst3::IRunLoop* HookEditorWork(vst3::IPlugFrame*, vst3::IEventHandler*, vst3::ITimerHandler*, int, int)
{
  return nullptr;
}

void UnhookEditorWork(vst3::IRunLoop*, vst3::IEventHandler*, vst3::ITimerHandler*) {}
