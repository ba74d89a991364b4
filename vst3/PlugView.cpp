#include "vst3/PlugView.h"

#include <cstring>

#include "vst3/ViewHost.h"

using namespace vst3;

Vst3PlugView::Vst3PlugView(IEditController* owner, IPlugVST3* plug) : mOwner(owner), mPlug(plug)
{
  mOwner->addRef();
}

Vst3PlugView::~Vst3PlugView()
{
  // A host that releases an attached view has removed it all the same.
  removed();
  mOwner->release();
}

tresult VST3_CALL Vst3PlugView::queryInterface(const char* iid, void** obj)
{
  if (!obj) return kInvalidArgument;
  *obj = nullptr;
  if (SameUid(iid, kFUnknownIid) || SameUid(iid, kIPlugViewIid)) {
    *obj = static_cast<IPlugView*>(this);
  } else if (SameUid(iid, kIEventHandlerIid)) {
    *obj = static_cast<IEventHandler*>(this);
  } else if (SameUid(iid, kITimerHandlerIid)) {
    *obj = static_cast<ITimerHandler*>(this);
  } else {
    return kNoInterface;
  }
  addRef();
  return kResultOk;
}

uint32_t VST3_CALL Vst3PlugView::addRef() { return mRefs.Add(); }

uint32_t VST3_CALL Vst3PlugView::release() { return mRefs.DropAndDelete(this); }

tresult VST3_CALL Vst3PlugView::isPlatformTypeSupported(FIDString type)
{
  return type && std::strcmp(type, NativeViewType()) == 0 ? kResultOk : kResultFalse;
}

tresult VST3_CALL Vst3PlugView::attached(void* parent, FIDString type)
{
  if (!parent || isPlatformTypeSupported(type) != kResultOk) return kInvalidArgument;
  if (mOpen) return kResultFalse;
  // What waits on the window system runs outside the instance lock, so the
  // audio thread never waits for it.
  if (!mPlug->OpenEditorInSteps(parent)) return kResultFalse;
  mOpen = true;
  IEditorLink* editor = mPlug->Editor();
  mLoop = HookEditorWork(mFrame, this, this, editor->EventDescriptor(), editor->IdlePeriodMilliseconds());
  return kResultOk;
}

tresult VST3_CALL Vst3PlugView::removed()
{
  if (!mOpen) return kResultFalse;
  UnhookEditorWork(mLoop, this, this);
  mLoop = nullptr;
  mPlug->CloseEditorInSteps();
  mOpen = false;
  return kResultOk;
}

// The editor's window takes its own mouse and keys.
tresult VST3_CALL Vst3PlugView::onWheel(float) { return kResultFalse; }
tresult VST3_CALL Vst3PlugView::onKeyDown(char16_t, int16_t, int16_t) { return kResultFalse; }
tresult VST3_CALL Vst3PlugView::onKeyUp(char16_t, int16_t, int16_t) { return kResultFalse; }

tresult VST3_CALL Vst3PlugView::getSize(ViewRect* size)
{
  if (!size) return kInvalidArgument;
  IEditorLink* editor = mPlug->Editor();
  *size = ViewRect{0, 0, editor->Width(), editor->Height()};
  return kResultOk;
}

tresult VST3_CALL Vst3PlugView::onSize(ViewRect* newSize)
{
  if (!newSize) return kInvalidArgument;
  IEditorLink* editor = mPlug->Editor();
  const bool same = newSize->right - newSize->left == editor->Width() && newSize->bottom - newSize->top == editor->Height();
  return same ? kResultOk : kResultFalse;
}

tresult VST3_CALL Vst3PlugView::onFocus(TBool) { return kResultOk; }

tresult VST3_CALL Vst3PlugView::setFrame(IPlugFrame* frame)
{
  mFrame = frame;
  return kResultOk;
}

tresult VST3_CALL Vst3PlugView::canResize() { return kResultFalse; }

tresult VST3_CALL Vst3PlugView::checkSizeConstraint(ViewRect* rect)
{
  if (!rect) return kInvalidArgument;
  IEditorLink* editor = mPlug->Editor();
  rect->right = rect->left + editor->Width();
  rect->bottom = rect->top + editor->Height();
  return kResultOk;
}

void VST3_CALL Vst3PlugView::onFDIsSet(FileDescriptor)
{
  if (mOpen) mPlug->Editor()->IdleEditor();
}

void VST3_CALL Vst3PlugView::onTimer()
{
  if (mOpen) mPlug->Editor()->IdleEditor();
}
