#pragma once
// The component's stand-in for an editor: it passes the indicator values its
// processing produces on to the controller's editor, when the host has
// connected the two.

#include "base/Lock.h"
#include "core/EditorLink.h"

// Attached to the component's instance, which owns and destroys it. Target
// and the handing-over run under the component's instance lock: the audio
// thread hands values over with it held, and SetTarget expects its caller
// to hold it.
class IndicatorRelay : public IEditorLink
{
public:
  // The controller's editor that receives the values, or null.
  void SetTarget(IEditorLink* target) { mTarget = target; }

  void PushParamToControls(int, double, bool) override {}
  void CreateBackBuffer() override {}
  void* OpenEditor(void*) override { return nullptr; }
  void CloseEditor() override {}
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  // The target's controls; none while unconnected, so the instance computes
  // no indicator values for nobody.
  int ControlCount() const override { return mTarget ? mTarget->ControlCount() : 0; }
  void TakePlugValueAt(int controlIndex, double value) override
  {
    if (mTarget) mTarget->TakePlugValueAt(controlIndex, value);
  }
  void TakePlugValuesAt(int controlIndex, const double* values, int count) override
  {
    if (mTarget) mTarget->TakePlugValuesAt(controlIndex, values, count);
  }

private:
  IEditorLink* mTarget = nullptr;
};
