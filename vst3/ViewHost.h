#pragma once
// What a view needs from the platform (vst3/win, vst3/posix): the window
// type it opens in, and whether the host runs the open editor's work.

#include "vst3/Vst3Defs.h"

// The platform type a view attaches to: "HWND" on Windows,
// "X11EmbedWindowID" on Linux.
const char* NativeViewType();

// Where the platform asks the host to run an open editor's work (Linux: the
// frame's run loop), registers events for the editor's event descriptor fd
// (none when negative) and timer every periodMs milliseconds (none when not
// positive). Returns the run loop with one reference, to hand to
// UnhookEditorWork, or null when nothing was registered (Windows: the
// window runs its own timer). UI thread.
vst3::IRunLoop* HookEditorWork(vst3::IPlugFrame* frame, vst3::IEventHandler* events, vst3::ITimerHandler* timer,
                               int fd, int periodMs);
// Unregisters both and releases the run loop. UI thread.
void UnhookEditorWork(vst3::IRunLoop* loop, vst3::IEventHandler* events, vst3::ITimerHandler* timer);
