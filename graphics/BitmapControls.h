#pragma once
// Controls drawn from film strips: a plain frame display, a switch that
// steps through its frames, and a knob turned by dragging or the wheel.

#include "graphics/Control.h"

enum IKnobDirection : int
{
  kKnobVertical = 0,
  kKnobHorizontal = 1,
};

// Fine adjustment (shift or ctrl held) moves this many times slower.
constexpr double kFineGearing = 10.0;
// Wheel step per notch, normal and fine.
constexpr double kWheelStep = 0.01;
constexpr double kFineWheelStep = 0.001;

// Shows the frame of its strip that its value selects. Owned like every
// control by its editor; the strip's bitmap belongs to the bitmap cache.
class IBitmapControl : public IControl
{
public:
  // Area (x, y) plus one frame of strip.
  IBitmapControl(IPlugBase* plug, int x, int y, int paramIndex, const IBitmapRef& strip,
                 int blendKind = kBlendSourceAlpha);
  IBitmapControl(IPlugBase* plug, int x, int y, const IBitmapRef& strip, int blendKind = kBlendSourceAlpha);

  // Blits the selected frame; draws nothing when the strip has no bitmap.
  bool Render(IGraphics* editor) override;

  const IBitmapRef& Strip() const { return mStrip; }

private:
  IBitmapRef mStrip;
};

// A click (any button) or double click steps the value by one frame and
// wraps from the last frame to the first.
class ISwitchControl : public IBitmapControl
{
public:
  ISwitchControl(IPlugBase* plug, int x, int y, int paramIndex, const IBitmapRef& strip,
                 int blendKind = kBlendSourceAlpha);

  void MouseDown(int x, int y, const IMouseMods& mods) override;
  void MouseDoubleClick(int x, int y, const IMouseMods& mods) override;
};

// Turned by dragging along its direction (the full range over gearing times
// its length) and by the wheel. Never made on its own.
class IKnobControl : public IControl
{
public:
  void MouseDrag(int x, int y, int dx, int dy, const IMouseMods& mods) override;
  void MouseWheel(int x, int y, const IMouseMods& mods, int notches) override;

  int Direction() const { return mDirection; }
  double Gearing() const { return mGearing; }

protected:
  IKnobControl(IPlugBase* plug, const IArea& area, int paramIndex, int direction, double gearing);

private:
  int mDirection;
  double mGearing;
};

// A knob drawn from a film strip.
class IKnobMultiControl : public IKnobControl
{
public:
  // Area (x, y) plus one frame of strip; source-alpha blend at full weight.
  IKnobMultiControl(IPlugBase* plug, int x, int y, int paramIndex, const IBitmapRef& strip,
                    int direction = kKnobVertical, double gearing = 4.0);

  bool Render(IGraphics* editor) override;

  const IBitmapRef& Strip() const { return mStrip; }

private:
  IBitmapRef mStrip;
};

// Which frame (1-based) of an n-frame strip a value shows, and where that
// frame starts in the strip.
int FrameForValue(int frames, double value);
void FrameOrigin(const IBitmapRef& strip, int frame, int* srcX, int* srcY);
