#include "lv2/ui/PlugLv2Ui.h"

#include <climits>
#include <cstring>

namespace {

// The float protocol: port events and writes of one float.
constexpr uint32_t kFloatProtocol = 0;

const void* FeatureData(const LV2_Feature* const* features, const char* uri)
{
  for (int i = 0; features && features[i]; ++i) {
    if (features[i]->URI && !std::strcmp(features[i]->URI, uri)) return features[i]->data;
  }
  return nullptr;
}

}  // namespace

IPlugLv2Ui::IPlugLv2Ui(const Lv2UiContext* host, const IPlugDescription& desc)
  : IPlugBase(desc),
    mWrite(host->write),
    mController(host->controller),
    mTouch(static_cast<const LV2UI_Touch*>(FeatureData(host->features, LV2_UI__touch))),
    mResize(static_cast<const LV2UI_Resize*>(FeatureData(host->features, LV2_UI__resize))),
    mPorts(host->ports),
    mShowIndicator(host->showIndicator)
{
}

IPlugLv2Ui::~IPlugLv2Ui() = default;

bool IPlugLv2Ui::CompleteSetUp()
{
  mControls.Init(*this, *mPorts);
  return Editor() && NParams() == mPorts->paramCount;
}

bool IPlugLv2Ui::ShowOwnWindow()
{
  if (!mOwnWindow) return false;
  if (!mShown) mShown = OpenOwnEditorWindowInSteps() != nullptr;
  // A window that cannot open counts as closed, so the host stops idling.
  mClosed = !mShown;
  return mShown;
}

void IPlugLv2Ui::HideOwnWindow()
{
  if (mShown) CloseWindow();
  mClosed = true;
}

void IPlugLv2Ui::CloseWindow()
{
  CloseEditorInSteps();
  mShown = false;
}

void IPlugLv2Ui::AnnounceSize()
{
  const IEditorLink* editor = Editor();
  if (mResize && mResize->ui_resize && editor) mResize->ui_resize(mResize->handle, editor->Width(), editor->Height());
}

void IPlugLv2Ui::PortEvent(uint32_t port, uint32_t size, uint32_t protocol, const void* buffer)
{
  // Only single floats: control ports in the float protocol.
  if (protocol != kFloatProtocol || size != sizeof(float) || !buffer || port > INT_MAX) return;
  float value;
  std::memcpy(&value, buffer, sizeof value);
  const int p = static_cast<int>(port);
  ILockGuard guard(Lock());
  if (p < mPorts->paramCount) {
    // The same path as in the plug-in, so the editor shows what the
    // plug-in's parameters hold.
    mControls.Take(*this, p, value);
  } else if (p >= mPorts->OutputPort(0) && p < mPorts->PortCount() && mShowIndicator) {
    mShowIndicator(*this, p - mPorts->OutputPort(0), value);
  }
}

bool IPlugLv2Ui::Idle()
{
  IEditorLink* editor = Editor();
  if (!editor) return false;
  editor->IdleEditor();
  if (!mOwnWindow) return true;
  if (mShown && editor->OwnWindowClosed()) HideOwnWindow();
  return !mClosed;
}

void IPlugLv2Ui::Touch(int index, bool grabbed)
{
  if (mTouch && mTouch->touch && index >= 0 && index < mPorts->paramCount) {
    mTouch->touch(mTouch->handle, static_cast<uint32_t>(mPorts->ParamPort(index)), grabbed);
  }
}

void IPlugLv2Ui::BeginParamEdit(int index) { Touch(index, true); }

void IPlugLv2Ui::EndParamEdit(int index) { Touch(index, false); }

void IPlugLv2Ui::ReportParamChange(int index, double)
{
  // The parameter already holds the new value: its port value goes to the
  // host, and is remembered so that the host's echo changes nothing here.
  const IParameter* param = ParameterAt(index);
  if (!param || index >= mPorts->paramCount || !mWrite) return;
  const float value = Lv2PortValue(*param, mPorts->params[index].portPerPlain);
  mControls.Remember(index, value);
  mWrite(mController, static_cast<uint32_t>(mPorts->ParamPort(index)), sizeof value, kFloatProtocol, &value);
}

void IPlugLv2Ui::HostTimeSignature(int* numerator, int* denominator)
{
  if (numerator) *numerator = 0;
  if (denominator) *denominator = 0;
}

void IPlugLv2Ui::EditorResized(int, int) { AnnounceSize(); }
