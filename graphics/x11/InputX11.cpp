#include "graphics/x11/InputX11.h"

#include <X11/X.h>
#include <X11/keysym.h>

namespace {

constexpr int kDigitCount = 10;
constexpr int kLetterCount = 26;
// Server times are 32-bit millisecond counters that wrap.
constexpr unsigned long kServerTimeMask = 0xFFFFFFFFul;

bool MapSymbol(unsigned long sym, EditorKey* key)
{
  switch (sym) {
    case XK_space: *key = kKeySpace; return true;
    case XK_Up:
    case XK_KP_Up: *key = kKeyUp; return true;
    case XK_Down:
    case XK_KP_Down: *key = kKeyDown; return true;
    case XK_Left:
    case XK_KP_Left: *key = kKeyLeft; return true;
    case XK_Right:
    case XK_KP_Right: *key = kKeyRight; return true;
    default: break;
  }
  if (sym >= XK_0 && sym < XK_0 + kDigitCount) {
    *key = static_cast<EditorKey>(kKeyDigit0 + static_cast<int>(sym - XK_0));
    return true;
  }
  if (sym >= XK_a && sym < XK_a + kLetterCount) {
    *key = static_cast<EditorKey>(kKeyLetterA + static_cast<int>(sym - XK_a));
    return true;
  }
  if (sym >= XK_A && sym < XK_A + kLetterCount) {
    *key = static_cast<EditorKey>(kKeyLetterA + static_cast<int>(sym - XK_A));
    return true;
  }
  return false;
}

}  // namespace

bool EditorKeyFor(unsigned long plainSymbol, unsigned long shiftedSymbol, EditorKey* key)
{
  if (MapSymbol(plainSymbol, key)) return true;
  // Only digits are taken from the shifted symbol: a shifted letter or
  // arrow is the same key as its plain symbol.
  return shiftedSymbol >= XK_0 && shiftedSymbol < XK_0 + kDigitCount && MapSymbol(shiftedSymbol, key);
}

IMouseMods ModsFromState(unsigned int state, unsigned int pressed, unsigned int released)
{
  const unsigned int buttons = (state | ButtonStateMask(pressed)) & ~ButtonStateMask(released);
  IMouseMods mods;
  mods.left = (buttons & Button1Mask) != 0;
  mods.right = (buttons & Button3Mask) != 0;
  mods.shift = (state & ShiftMask) != 0;
  mods.ctrl = (state & ControlMask) != 0;
  mods.alt = (state & Mod1Mask) != 0;
  return mods;
}

unsigned int ButtonStateMask(unsigned int button)
{
  switch (button) {
    case Button1: return Button1Mask;
    case Button2: return Button2Mask;
    case Button3: return Button3Mask;
    default: return 0;
  }
}

bool DoubleClickDetector::Press(unsigned int button, unsigned long time, int x, int y)
{
  const unsigned long elapsed = (time - mTime) & kServerTimeMask;
  const int dx = x > mX ? x - mX : mX - x;
  const int dy = y > mY ? y - mY : mY - y;
  const bool isDouble = mArmed && button == mButton && elapsed <= kDoubleClickMilliseconds &&
                        dx <= kDoubleClickSlop && dy <= kDoubleClickSlop;
  mArmed = !isDouble;
  mButton = button;
  mTime = time;
  mX = x;
  mY = y;
  return isDouble;
}
