// Input routing: which control receives each pointer and key event, and the
// begin- and end-edit notices around every gesture on a parameter.
#include <cstring>

#include "core/PlugBase.h"
#include "graphics/Graphics.h"

namespace {

// Longest text a value prompt starts with, terminator included.
constexpr int kPromptTextBytes = 32;
// Parameter kind codes that choose from a menu of display texts.
constexpr int kKindMenuWithTexts = 1;
constexpr int kKindMenu = 3;

}  // namespace

int IGraphics::FindControlAt(int x, int y, bool forHover)
{
  if (mCaptured >= 0) return mCaptured;
  for (int i = mControls.Count() - 1; i >= 0; --i) {
    IControl* c = mControls.Get(i);
    if (c->IsHidden()) continue;
    const bool eligible = (forHover && c->HoverWhileDisabled()) || !c->IsDisabled();
    if (eligible && c->HitTest(x, y)) return i;
  }
  return -1;
}

void IGraphics::RouteMouseDown(int x, int y, const IMouseMods& mods)
{
  ReleasePointer();
  const int idx = FindControlAt(x, y, false);
  if (idx < 0) return;
  mCaptured = idx;
  mLastX = x;
  mLastY = y;
  IControl* c = mControls.Get(idx);
  if (c->ParamIndex() >= 0 && mPlug) mPlug->BeginParamEdit(c->ParamIndex());
  c->MouseDown(x, y, mods);
}

void IGraphics::RouteMouseDrag(int x, int y, const IMouseMods& mods)
{
  IControl* c = mControls.Get(mCaptured);
  if (!c) return;
  const int dx = x - mLastX, dy = y - mLastY;
  if (dx == 0 && dy == 0) return;
  mLastX = x;
  mLastY = y;
  c->MouseDrag(x, y, dx, dy, mods);
}

void IGraphics::RouteMouseUp(int x, int y, const IMouseMods& mods)
{
  // Only a release that ends a gesture begun in the editor ends an edit, so
  // the host never hears an end without its begin.
  const bool gesture = mCaptured >= 0;
  const int idx = FindControlAt(x, y, false);
  ReleasePointer();
  IControl* c = mControls.Get(idx);
  if (!c) return;
  c->MouseUp(x, y, mods);
  if (gesture && c->ParamIndex() >= 0 && mPlug) mPlug->EndParamEdit(c->ParamIndex());
}

bool IGraphics::RouteDoubleClick(int x, int y, const IMouseMods& mods)
{
  ReleasePointer();
  const int idx = FindControlAt(x, y, false);
  IControl* c = mControls.Get(idx);
  if (!c) return false;
  // The double click opens a gesture like a press: the release that follows
  // ends it, and a reset reaches the host between the two notices.
  mCaptured = idx;
  mLastX = x;
  mLastY = y;
  if (c->ParamIndex() >= 0 && mPlug) mPlug->BeginParamEdit(c->ParamIndex());
  if (c->DoubleClickAsClick()) {
    c->MouseDown(x, y, mods);
  } else {
    c->MouseDoubleClick(x, y, mods);
  }
  return true;
}

void IGraphics::RouteWheel(int x, int y, const IMouseMods& mods, int notches)
{
  const bool inGesture = mCaptured >= 0;
  IControl* c = mControls.Get(FindControlAt(x, y, false));
  if (!c) return;
  // A wheel turn is a gesture of its own unless a button is already held.
  const bool notify = !inGesture && c->ParamIndex() >= 0 && mPlug;
  if (notify) mPlug->BeginParamEdit(c->ParamIndex());
  c->MouseWheel(x, y, mods, notches);
  if (notify) mPlug->EndParamEdit(c->ParamIndex());
}

bool IGraphics::RouteKeyDown(int x, int y, EditorKey key)
{
  const int idx = FindControlAt(x, y, false);
  IControl* target = idx > 0 ? mControls.Get(idx) : mKeyCatcher;
  return target ? target->KeyDown(x, y, key) : false;
}

void IGraphics::RouteHover(int x, int y, const IMouseMods& mods)
{
  const int idx = FindControlAt(x, y, true);
  if (idx >= 0) {
    mLastX = x;
    mLastY = y;
    mControls.Get(idx)->MouseHover(x, y, mods);
  }
  if (mHover >= 0 && mHover != idx) {
    if (IControl* left = mControls.Get(mHover)) left->MouseLeave();
  }
  mHover = idx;
}

void IGraphics::RouteLeave()
{
  for (int i = 0; i < mControls.Count(); ++i) mControls.Get(i)->MouseLeave();
  mHover = -1;
}

void IGraphics::PromptParamValue(IControl* control, IParameter* param, const IArea& area)
{
  if (!control || !param) return;
  const int count = param->DisplayTextCount();
  const int kind = param->Kind();
  if (kind == kKindMenu || (kind == kKindMenuWithTexts && count > 0)) {
    char current[kPromptTextBytes];
    param->FormatCurrent(current, kPromptTextBytes);
    PopupMenuSpec menu;
    for (int v = 0; v < count; ++v) {
      const char* text = param->DisplayTextFor(v);
      menu.AddItem(text, std::strcmp(text, current) == 0 ? kItemChecked : 0);
    }
    if (PopupMenuSpec* chosen = RunPopupMenu(&menu, area)) {
      control->TakeUserValue(NormalizedValue(*param, chosen->ChosenIndex()));
    }
    return;
  }
  char text[kPromptTextBytes];
  param->FormatValue(param->Value(), false, text, kPromptTextBytes, false);
  BeginTextEntry(control, control->TextStyle(), area, text, param);
}
