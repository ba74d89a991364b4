// Linux views: X11 child windows whose events and redraw tick the host's
// run loop delivers. The editor has no thread of its own and polls nothing.
#include "vst3/ViewHost.h"

const char* NativeViewType() { return vst3::kPlatformX11Window; }

vst3::IRunLoop* HookEditorWork(vst3::IPlugFrame* frame, vst3::IEventHandler* events, vst3::ITimerHandler* timer,
                               int fd, int periodMs)
{
  if (!frame) return nullptr;
  vst3::IRunLoop* loop = nullptr;
  if (frame->queryInterface(vst3::kIRunLoopIid.bytes, reinterpret_cast<void**>(&loop)) != vst3::kResultOk) {
    return nullptr;
  }
  if (!loop) return nullptr;
  if (fd >= 0) loop->registerEventHandler(events, fd);
  if (periodMs > 0) loop->registerTimer(timer, static_cast<vst3::TimerInterval>(periodMs));
  return loop;
}

void UnhookEditorWork(vst3::IRunLoop* loop, vst3::IEventHandler* events, vst3::ITimerHandler* timer)
{
  if (!loop) return;
  loop->unregisterEventHandler(events);
  loop->unregisterTimer(timer);
  loop->release();
}
