#include "graphics/BitmapControls.h"

#include "graphics/Graphics.h"

namespace {

// A switch value past this counts as past the last frame.
constexpr double kSwitchWrapLimit = 1.001;

IArea FrameArea(int x, int y, const IBitmapRef& strip)
{
  return IArea{x, y, x + strip.FrameWidth(), y + strip.FrameHeight()};
}

bool RenderStrip(IGraphics* editor, const IBitmapRef& strip, double value, const IArea& area, const IBlendSpec& blend)
{
  if (!editor || !strip.bitmap) return true;
  int srcX = 0, srcY = 0;
  FrameOrigin(strip, FrameForValue(strip.frames, value), &srcX, &srcY);
  return editor->BlitFrame(strip, area, srcX, srcY, &blend);
}

}  // namespace

int FrameForValue(int frames, double value)
{
  if (frames <= 1) return 1;
  const double f = (frames - 1) * value + 0.5;
  // Outside the strip (NaN included) the nearest end frame is shown; inside,
  // the conversion below cannot overflow.
  if (f >= frames) return frames;
  if (!(f > -1.0)) return 1;
  const int i = static_cast<int>(f) + 1;
  return i < 1 ? 1 : (i > frames ? frames : i);
}

void FrameOrigin(const IBitmapRef& strip, int frame, int* srcX, int* srcY)
{
  *srcX = 0;
  *srcY = 0;
  const int n = strip.frames;
  if (n <= 1 || frame <= 1) return;
  if (strip.framesHorizontal) {
    *srcX = static_cast<int>(static_cast<double>(strip.width) * (frame - 1) / n + 0.5);
  } else {
    *srcY = static_cast<int>(static_cast<double>(strip.height) * (frame - 1) / n + 0.5);
  }
}

IBitmapControl::IBitmapControl(IPlugBase* plug, int x, int y, int paramIndex, const IBitmapRef& strip, int blendKind)
  : IControl(plug, FrameArea(x, y, strip), paramIndex, blendKind), mStrip(strip)
{
}

IBitmapControl::IBitmapControl(IPlugBase* plug, int x, int y, const IBitmapRef& strip, int blendKind)
  : IBitmapControl(plug, x, y, -1, strip, blendKind)
{
}

bool IBitmapControl::Render(IGraphics* editor) { return RenderStrip(editor, mStrip, Value(), DrawArea(), Blend()); }

ISwitchControl::ISwitchControl(IPlugBase* plug, int x, int y, int paramIndex, const IBitmapRef& strip, int blendKind)
  : IBitmapControl(plug, x, y, paramIndex, strip, blendKind)
{
}

void ISwitchControl::MouseDown(int, int, const IMouseMods&)
{
  const int n = Strip().frames;
  const double step = n > 1 ? 1.0 / (n - 1) : 1.0;
  double v = Value() + step;
  if (v > kSwitchWrapLimit) v = 0.0;
  SetValue(v);
  MarkDirty(true);
}

void ISwitchControl::MouseDoubleClick(int x, int y, const IMouseMods& mods) { MouseDown(x, y, mods); }

IKnobControl::IKnobControl(IPlugBase* plug, const IArea& area, int paramIndex, int direction, double gearing)
  : IControl(plug, area, paramIndex), mDirection(direction), mGearing(gearing)
{
}

void IKnobControl::MouseDrag(int, int, int dx, int dy, const IMouseMods& mods)
{
  const double gearing = (mods.ctrl || mods.shift) ? mGearing * kFineGearing : mGearing;
  const IArea& a = DrawArea();
  // Upward (negative dy) raises a vertical knob.
  const int delta = mDirection == kKnobVertical ? dy : dx;
  const int span = mDirection == kKnobVertical ? a.top - a.bottom : a.right - a.left;
  if (span == 0 || gearing == 0.0) return;
  SetValue(Value() + static_cast<double>(delta) / span / gearing);
  MarkDirty(true);
}

void IKnobControl::MouseWheel(int, int, const IMouseMods& mods, int notches)
{
  const double step = (mods.ctrl || mods.shift) ? kFineWheelStep : kWheelStep;
  SetValue(Value() + notches * step);
  MarkDirty(true);
}

IKnobMultiControl::IKnobMultiControl(IPlugBase* plug, int x, int y, int paramIndex, const IBitmapRef& strip,
                                     int direction, double gearing)
  : IKnobControl(plug, FrameArea(x, y, strip), paramIndex, direction, gearing), mStrip(strip)
{
}

bool IKnobMultiControl::Render(IGraphics* editor) { return RenderStrip(editor, mStrip, Value(), DrawArea(), Blend()); }
