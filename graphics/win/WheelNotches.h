#pragma once
// Turning wheel deltas into whole notches. Smooth wheels and touchpads send
// deltas far below one notch; read one message at a time they would never
// move anything, so the part of a notch not yet routed is kept.

// Wheel delta of one notch.
constexpr int kWheelDeltaPerNotch = 120;

// The undelivered remainder of one window's wheel. Owned by the window
// object; UI thread.
class WheelNotches
{
public:
  // Adds delta for the control at controlIndex and returns the whole notches
  // now complete (0 when none). The remainder is dropped when the control
  // changes or the direction reverses, so a leftover part never moves a
  // control it was not meant for.
  int Take(int delta, int controlIndex);
  // Drops the remainder.
  void Reset();
  int Remainder() const { return mRemainder; }

private:
  int mRemainder = 0;
  int mControl = -1;
};
