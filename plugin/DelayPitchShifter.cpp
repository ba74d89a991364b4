#include "plugin/DelayPitchShifter.h"

#include "plugin/Lanes.h"

float DelayPitchShifter::RatioFor(double semitones)
{
  if (std::isnan(semitones)) semitones = 0.0;
  const float s = static_cast<float>(semitones) * kSemitoneExponent;
  return static_cast<float>(std::pow(2.0, static_cast<double>(s)));
}

void DelayPitchShifter::ProcessPairRun(DelayPitchShifter& a, DelayPitchShifter& b, const double* xa, const double* xb,
                                       const float* delays, int count, double* ya, double* yb)
{
  if (count <= 0) return;
  if (count > kMaxRun) count = kMaxRun;
  const uint32_t c0 = a.writeCounter;
  // Every sample of the run is written first: a sample reads only slots at
  // or behind its own, so the later writes cannot reach its reads.
  for (int k = 0; k < count; ++k) {
    a.ring[(c0 + static_cast<uint32_t>(k)) & kRingMask] = static_cast<float>(xa[k]);
    b.ring[(c0 + static_cast<uint32_t>(k)) & kRingMask] = static_cast<float>(xb[k]);
  }
  // Four samples at a time in four lanes; each lane rounds exactly as the
  // one-sample arithmetic. A last partial group repeats the run's last delay
  // in its unused lanes.
  using lanes::Float4;
  using lanes::Int4;
  const Float4 one(1.0f);
  const Float4 spacing(kTapSpacing);
  const Float4 fadeScale(kFadeScale);
  const Int4 mask(static_cast<int32_t>(kRingMask));
  const Int4 farther(1);  // the far tap of each pair, one slot back
  const Int4 ramp = Int4::Of(0, 1, 2, 3);
  for (int g = 0; g < count; g += 4) {
    const int n = count - g < 4 ? count - g : 4;
    const float* at = delays + g;
    const int last = n - 1;
    const Float4 dv =
        n == 4 ? Float4::Load(at) : Float4::Of(at[0], at[n > 1 ? 1 : last], at[n > 2 ? 2 : last], at[last]);
    const Int4 i0 = lanes::Truncate(dv);
    const Float4 f0 = lanes::ToFloat(i0);
    const Int4 i1 = lanes::Truncate(dv + spacing);
    const Float4 f1 = lanes::ToFloat(i1);
    const Float4 fade = lanes::Min(dv * fadeScale, one);
    const Float4 rest = one - fade;
    const Float4 oneMinusD = one - dv;
    const Float4 wNear0 = oneMinusD + f0;
    const Float4 wFar0 = dv - f0;
    const Float4 wNear1 = (f1 + oneMinusD) - spacing;
    const Float4 wFar1 = (dv - f1) + spacing;
    const Int4 c = Int4(static_cast<int32_t>(c0 + static_cast<uint32_t>(g))) + ramp;
    const Int4 near0 = c - i0;
    const Int4 near1 = c - i1;
    uint32_t slot[4][4];
    (near0 & mask).Store(slot[0]);
    ((near0 - farther) & mask).Store(slot[1]);
    (near1 & mask).Store(slot[2]);
    ((near1 - farther) & mask).Store(slot[3]);
    DelayPitchShifter* shifters[2] = {&a, &b};
    double* outs[2] = {ya + g, yb + g};
    for (int ch = 0; ch < 2; ++ch) {
      const float* r = shifters[ch]->ring;
      const Float4 tap0 = wNear0 * lanes::Gather(r, slot[0]) + wFar0 * lanes::Gather(r, slot[1]);
      const Float4 tap1 = wNear1 * lanes::Gather(r, slot[2]) + wFar1 * lanes::Gather(r, slot[3]);
      const Float4 y = tap1 * rest + tap0 * fade;
      if (n == 4) {
        y.StoreWidened(outs[ch]);
      } else {
        double wide[4];
        y.StoreWidened(wide);
        for (int k = 0; k < n; ++k) outs[ch][k] = wide[k];
      }
    }
  }
  const uint32_t next = c0 + static_cast<uint32_t>(count);
  a.writeCounter = b.writeCounter = next;
  a.delay = b.delay = delays[count - 1];
}
