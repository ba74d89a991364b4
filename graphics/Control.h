#pragma once
// The base of every editor control: geometry, normalized value, redraw
// flags, parameter binding and the default behaviour for every event.

#include <atomic>

#include "base/GrowBuffer.h"
#include "graphics/EditorTypes.h"

class IGraphics;
class IPlugBase;

// Most characters a control's text-entry box accepts.
constexpr int kDefaultEntryCharLimit = 7;
// Blend weight of a disabled control.
constexpr float kDisabledWeight = 0.25f;

// A further parameter a control follows besides its own.
struct AuxBinding
{
  double value = 0.0;  // normalized
  int paramIndex = -1;
  int reserved = 0;
};

// One rectangular element of the editor. Constructed by the editor's layout,
// appended to an IGraphics, which owns it and destroys it with itself (or on
// a size change). Owns its extra bindings and tooltip.
//
// Threads: every operation runs on the editor's window thread, except
// TakePlugValue and the MarkDirty(false) it calls, which the effect's
// processing calls from the audio thread (instance lock held, no editor
// lock) for its indicator controls, and which a host's parameter change
// reaches from either thread. Value, dirty and pending-redraw flags are
// atomic for that reason; everything else belongs to the window thread.
class IControl
{
public:
  IControl(IPlugBase* plug, const IArea& area, int paramIndex = -1, int blendKind = kBlendSourceAlpha,
           float blendWeight = 1.0f);

  // Virtual operations, in slot order.
  virtual ~IControl();                                                     // 0
  // Right button: the value prompt.
  virtual void MouseDown(int x, int y, const IMouseMods& mods);            // 1
  virtual void MouseUp(int x, int y, const IMouseMods& mods);              // 2
  virtual void MouseDrag(int x, int y, int dx, int dy, const IMouseMods& mods);  // 3
  // Returns to the value first pushed by the core and sends it there.
  virtual void MouseDoubleClick(int x, int y, const IMouseMods& mods);     // 4
  virtual void MouseWheel(int x, int y, const IMouseMods& mods, int notches);  // 5
  // True when the key was taken.
  virtual bool KeyDown(int x, int y, EditorKey key);                       // 6
  virtual void MouseHover(int x, int y, const IMouseMods& mods);           // 7
  virtual void MouseLeave();                                               // 8
  // Draws the control into editor's surface, clipped to its draw clip.
  virtual bool Render(IGraphics* editor) = 0;                              // 9
  // A value from the core. Audio or UI thread; allocates nothing, takes no
  // lock; with an unchanged value it only compares.
  virtual void TakePlugValue(double value);                                // 10
  // A value the user chose (menu or text entry); sent to the core.
  virtual void TakeUserValue(double value);                                // 11
  virtual void TakeUserText(const char* text);                             // 12
  virtual void SetHidden(bool hidden);                                     // 13
  virtual void SetDisabled(bool disabled);                                 // 14
  // Inside the hit area (right and bottom exclusive); never for an empty one.
  virtual bool HitTest(int x, int y);                                      // 15
  // Limits the value, marks the control dirty and, with pushToPlug, sends
  // the value to the core (which takes the instance lock).
  virtual void MarkDirty(bool pushToPlug);                                 // 16
  // After a paint: dirty becomes the pending-redraw flag, which is cleared.
  virtual void MarkClean();                                                // 17
  // Dirty, or a redraw is pending: a value that lands while a paint runs is
  // drawn on a later tick.
  virtual bool NeedsRedraw();                                              // 18
  virtual void TakePlugAuxValue(int position, double value);               // 20
  // A run of values from the core, oldest first: ends as TakePlugValue with
  // each in turn would (value, default, flags), comparing each value once.
  // A control that changes TakePlugValue should change this too. Same
  // threads as TakePlugValue.
  virtual void TakePlugValueRun(const double* values, int count);

  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Asks the user for a value through the editor's prompt (right button).
  // Does nothing without a parameter or while prompting is disabled.
  void PromptForValue();

  // The editor that owns this control; null until it is appended.
  IGraphics* Editor() const { return mEditor; }
  void SetEditor(IGraphics* editor) { mEditor = editor; }
  IPlugBase* Plug() const { return mPlug; }

  double Value() const { return mValue.load(std::memory_order_relaxed); }
  // Sets the value without marking anything (layouts and tests).
  void SetValue(double value) { mValue.store(value, std::memory_order_relaxed); }
  // -1 until the first value arrives from the core.
  double DefaultValue() const { return mDefault.load(std::memory_order_relaxed); }
  double Minimum() const { return mMin; }
  double Maximum() const { return mMax; }
  void SetLimits(double minimum, double maximum);

  int ParamIndex() const { return mParamIndex; }
  const IArea& DrawArea() const { return mDrawArea; }
  const IArea& HitArea() const { return mHitArea; }
  void SetHitArea(const IArea& area) { mHitArea = area; }
  bool IsHidden() const { return mHidden; }
  bool IsDisabled() const { return mDisabled; }
  bool IsDirty() const { return mDirty.load(std::memory_order_relaxed); }
  bool IsRedrawPending() const { return mPending.load(std::memory_order_relaxed); }
  const IBlendSpec& Blend() const { return mBlend; }
  ITextStyle& TextStyle() { return mTextStyle; }
  int EntryCharLimit() const { return mEntryCharLimit; }
  void SetEntryCharLimit(int limit) { mEntryCharLimit = limit; }

  bool PromptDisabled() const { return mPromptDisabled; }
  void SetPromptDisabled(bool disabled) { mPromptDisabled = disabled; }
  bool DoubleClickAsClick() const { return mDoubleClickAsClick; }
  void SetDoubleClickAsClick(bool asClick) { mDoubleClickAsClick = asClick; }
  bool HoverWhileDisabled() const { return mHoverWhileDisabled; }
  void SetHoverWhileDisabled(bool hover) { mHoverWhileDisabled = hover; }

  const char* Tooltip() const { return mTooltip.Get(); }
  void SetTooltip(const char* text) { mTooltip.Set(text); }

  // Extra parameters this control follows. AddAuxBinding is false when the
  // list cannot grow.
  bool AddAuxBinding(int paramIndex);
  int AuxBindingCount() const;
  AuxBinding* AuxBindingAt(int position) const;

protected:
  void SetDrawArea(const IArea& area) { mDrawArea = area; }
  void SetRedrawPending() { mPending.store(true, std::memory_order_release); }

private:
  int mEntryCharLimit = kDefaultEntryCharLimit;
  ITextStyle mTextStyle;
  IPlugBase* mPlug;
  IGraphics* mEditor = nullptr;
  IArea mDrawArea;
  IArea mHitArea;
  int mParamIndex;
  IGrowBuffer mAuxBindings{4096};
  std::atomic<double> mValue{0.0};
  std::atomic<double> mDefault{-1.0};
  double mMin = 0.0;
  double mMax = 1.0;
  std::atomic<bool> mDirty{true};
  bool mHidden = false;
  bool mDisabled = false;
  std::atomic<bool> mPending{false};
  bool mPromptDisabled = true;
  bool mDoubleClickAsClick = false;
  bool mHoverWhileDisabled = false;
  IBlendSpec mBlend;
  float mWeight;  // the blend weight while enabled
  IGrowString mTooltip;
};
