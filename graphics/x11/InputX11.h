#pragma once
// Turning X input into what the editor's routing takes: key symbols into
// editor keys, pointer state into modifiers, press times into double clicks.

#include "graphics/EditorTypes.h"

// The editor key for a key event, from its key symbols without and with
// shift (so that layouts whose digit row needs shift still give digits).
// False when the key maps to no editor key.
bool EditorKeyFor(unsigned long plainSymbol, unsigned long shiftedSymbol, EditorKey* key);

// Modifiers from an event's state mask; pressed and released name the
// button the event itself presses or releases (0 for none), since X reports
// the state from before the event.
IMouseMods ModsFromState(unsigned int state, unsigned int pressed, unsigned int released);

// The state-mask bit of buttons 1 to 3; 0 for any other button.
unsigned int ButtonStateMask(unsigned int button);

// Pairs of presses within this time (milliseconds) and this distance (pixels
// either way) are a double click. X has no system setting for either.
constexpr unsigned long kDoubleClickMilliseconds = 400;
constexpr int kDoubleClickSlop = 4;

// Remembers the last press of the double-clickable button. Owned by the
// window layer; UI thread.
class DoubleClickDetector
{
public:
  // A press of button at server time (milliseconds, wrapping) and window
  // position. True when it completes a double click; the press after a
  // double click starts afresh.
  bool Press(unsigned int button, unsigned long time, int x, int y);
  // Forgets the last press (after a window change or a grab loss).
  void Reset() { mArmed = false; }

private:
  bool mArmed = false;
  unsigned int mButton = 0;
  unsigned long mTime = 0;
  int mX = 0;
  int mY = 0;
};
