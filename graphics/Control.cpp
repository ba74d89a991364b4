#include "graphics/Control.h"

#include <algorithm>

#include "core/PlugBase.h"
#include "graphics/Graphics.h"

namespace {

// Half size of the typing box when a parameter has no display texts.
constexpr int kPromptHalfWidth = 20;
constexpr int kPromptHalfHeight = 8;

int HalfWayTruncated(int a, int b) { return static_cast<int>(static_cast<float>(a + b) * 0.5f); }

}  // namespace

IControl::IControl(IPlugBase* plug, const IArea& area, int paramIndex, int blendKind, float blendWeight)
  : mPlug(plug), mDrawArea(area), mHitArea(area), mParamIndex(paramIndex), mWeight(blendWeight)
{
  mBlend.kind = blendKind;
  mBlend.weight = blendWeight;
}

IControl::~IControl() = default;

void IControl::MouseDown(int, int, const IMouseMods& mods)
{
  if (mods.right) PromptForValue();
}

void IControl::MouseUp(int, int, const IMouseMods&) {}

void IControl::MouseDrag(int, int, int, int, const IMouseMods&) {}

void IControl::MouseDoubleClick(int, int, const IMouseMods&)
{
  const double d = DefaultValue();
  if (d < 0.0) return;
  SetValue(d);
  MarkDirty(true);
}

void IControl::MouseWheel(int, int, const IMouseMods&, int) {}

bool IControl::KeyDown(int, int, EditorKey) { return false; }

void IControl::MouseHover(int, int, const IMouseMods&) {}

void IControl::MouseLeave() {}

void IControl::TakePlugValue(double value)
{
  // The common case on the audio path: nothing changed.
  if (mValue.load(std::memory_order_relaxed) == value && mDefault.load(std::memory_order_relaxed) >= 0.0) return;
  if (mDefault.load(std::memory_order_relaxed) < 0.0) {
    // The first value from the core is the one a double click returns to;
    // the control is still dirty from construction.
    mDefault.store(value, std::memory_order_relaxed);
    mValue.store(value, std::memory_order_relaxed);
    return;
  }
  mValue.store(value, std::memory_order_relaxed);
  MarkDirty(false);
  SetRedrawPending();
}

void IControl::TakePlugValueRun(const double* values, int count)
{
  if (!values) return;
  // Until a default is held (a negative value is no default), one by one.
  while (count > 0 && mDefault.load(std::memory_order_relaxed) < 0.0) {
    TakePlugValue(values[0]);
    ++values;
    --count;
  }
  if (count <= 0) return;
  // Each call in turn would change the control exactly when some value
  // differs from the value it holds now, and would end with the last one.
  // A moving indicator's last value differs, which settles it at once.
  const double current = mValue.load(std::memory_order_relaxed);
  bool changed = values[count - 1] != current;
  for (int i = 0; i < count - 1 && !changed; ++i) changed = values[i] != current;
  if (!changed) return;
  mValue.store(values[count - 1], std::memory_order_relaxed);
  MarkDirty(false);
  SetRedrawPending();
}

void IControl::TakeUserValue(double value)
{
  if (Value() == value) return;
  SetValue(value);
  MarkDirty(true);
  SetRedrawPending();
}

void IControl::TakeUserText(const char*) {}

void IControl::SetHidden(bool hidden)
{
  mHidden = hidden;
  SetRedrawPending();
  MarkDirty(false);
}

void IControl::SetDisabled(bool disabled)
{
  mDisabled = disabled;
  mBlend.weight = disabled ? kDisabledWeight : mWeight;
  MarkDirty(false);
}

bool IControl::HitTest(int x, int y)
{
  if (mHitArea.IsEmpty()) return false;
  return x >= mHitArea.left && x < mHitArea.right && y >= mHitArea.top && y < mHitArea.bottom;
}

void IControl::MarkDirty(bool pushToPlug)
{
  const double v = Value();
  const double limited = mMin > v ? mMin : std::min(mMax, v);
  if (limited != v) mValue.store(limited, std::memory_order_relaxed);
  mDirty.store(true, std::memory_order_relaxed);
  if (pushToPlug && mPlug && mParamIndex >= 0) mPlug->SetEditorParam(mParamIndex, limited);
}

void IControl::MarkClean()
{
  // A value that arrives while the paint runs sets the pending flag again
  // after this exchange, so it is drawn on a later tick.
  mDirty.store(mPending.exchange(false, std::memory_order_acq_rel), std::memory_order_relaxed);
}

bool IControl::NeedsRedraw()
{
  return mDirty.load(std::memory_order_relaxed) || mPending.load(std::memory_order_acquire);
}

void IControl::TakePlugAuxValue(int position, double value)
{
  AuxBinding* b = AuxBindingAt(position);
  if (!b || b->value == value) return;
  b->value = value;
  MarkDirty(false);
  SetRedrawPending();
}

void IControl::PromptForValue()
{
  if (mParamIndex < 0 || mPromptDisabled || !mPlug || !mEditor) return;
  IParameter* param = mPlug->ParameterAt(mParamIndex);
  if (!param) return;
  IArea area = mDrawArea;
  if (param->DisplayTextCount() < 1) {
    const int cx = HalfWayTruncated(mDrawArea.left, mDrawArea.right);
    const int cy = HalfWayTruncated(mDrawArea.top, mDrawArea.bottom);
    area = IArea{cx - kPromptHalfWidth, cy - kPromptHalfHeight, cx + kPromptHalfWidth, cy + kPromptHalfHeight};
  }
  mEditor->PromptParamValue(this, param, area);
  SetRedrawPending();
}

void IControl::SetLimits(double minimum, double maximum)
{
  mMin = minimum;
  mMax = maximum;
}

bool IControl::AddAuxBinding(int paramIndex)
{
  const int old = mAuxBindings.Size();
  const int want = old + static_cast<int>(sizeof(AuxBinding));
  mAuxBindings.Resize(want, false);
  if (mAuxBindings.Size() != want) return false;
  AuxBinding b;
  b.paramIndex = paramIndex;
  std::memcpy(static_cast<char*>(mAuxBindings.Data()) + old, &b, sizeof b);
  return true;
}

int IControl::AuxBindingCount() const { return mAuxBindings.Size() / static_cast<int>(sizeof(AuxBinding)); }

AuxBinding* IControl::AuxBindingAt(int position) const
{
  if (position < 0 || position >= AuxBindingCount()) return nullptr;
  return static_cast<AuxBinding*>(mAuxBindings.Data()) + position;
}
