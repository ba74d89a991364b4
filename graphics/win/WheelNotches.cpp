#include "graphics/win/WheelNotches.h"

int WheelNotches::Take(int delta, int controlIndex)
{
  const bool reversed = (delta > 0 && mRemainder < 0) || (delta < 0 && mRemainder > 0);
  if (controlIndex != mControl || reversed) mRemainder = 0;
  mControl = controlIndex;
  // Both terms are below 2^16 in magnitude (a 16-bit delta and a remainder
  // under one notch), so the sum cannot overflow.
  const int total = mRemainder + delta;
  const int notches = total / kWheelDeltaPerNotch;
  mRemainder = total - notches * kWheelDeltaPerNotch;
  return notches;
}

void WheelNotches::Reset()
{
  mRemainder = 0;
  mControl = -1;
}
