#pragma once
// The editor as a VST3 view: the instance's editor opened in the host's
// window, 764 x 222 for Vexa, not resizable.

#include "base/RefCount.h"
#include "vst3/PlugVST3.h"
#include "vst3/Vst3Defs.h"

// One view. Made by the controller's createView with a reference count of
// one; the host destroys it by releasing the last reference. Holds one
// reference to the controller, whose instance (and editor) therefore
// outlives the view; closes the editor if the host never called removed.
// UI thread only; the editor opens and closes under the instance lock, its
// idle work runs without it, as with VST2 idle calls.
class Vst3PlugView final : public vst3::IPlugView, public vst3::IEventHandler, public vst3::ITimerHandler
{
public:
  Vst3PlugView(vst3::IEditController* owner, IPlugVST3* plug);
  ~Vst3PlugView();
  Vst3PlugView(const Vst3PlugView&) = delete;
  Vst3PlugView& operator=(const Vst3PlugView&) = delete;

  vst3::tresult VST3_CALL queryInterface(const char* iid, void** obj) override;
  uint32_t VST3_CALL addRef() override;
  uint32_t VST3_CALL release() override;

  vst3::tresult VST3_CALL isPlatformTypeSupported(vst3::FIDString type) override;
  vst3::tresult VST3_CALL attached(void* parent, vst3::FIDString type) override;
  vst3::tresult VST3_CALL removed() override;
  vst3::tresult VST3_CALL onWheel(float distance) override;
  vst3::tresult VST3_CALL onKeyDown(char16_t key, int16_t keyCode, int16_t modifiers) override;
  vst3::tresult VST3_CALL onKeyUp(char16_t key, int16_t keyCode, int16_t modifiers) override;
  vst3::tresult VST3_CALL getSize(vst3::ViewRect* size) override;
  vst3::tresult VST3_CALL onSize(vst3::ViewRect* newSize) override;
  vst3::tresult VST3_CALL onFocus(vst3::TBool state) override;
  vst3::tresult VST3_CALL setFrame(vst3::IPlugFrame* frame) override;
  vst3::tresult VST3_CALL canResize() override;
  vst3::tresult VST3_CALL checkSizeConstraint(vst3::ViewRect* rect) override;

  // The host's run loop: events wait on the editor's connection, or its
  // redraw tick is due. Both run the editor's idle work.
  void VST3_CALL onFDIsSet(vst3::FileDescriptor fd) override;
  void VST3_CALL onTimer() override;

private:
  RefCount mRefs;
  vst3::IEditController* mOwner;
  IPlugVST3* mPlug;
  vst3::IPlugFrame* mFrame = nullptr;  // the host's; not counted
  vst3::IRunLoop* mLoop = nullptr;     // one reference while hooked
  bool mOpen = false;
};
