#pragma once
// Pitch shifting of one channel through a drifting read delay with two
// crossfaded taps.

#include <cmath>
#include <cstdint>
#include <cstring>

// A delay-line pitch shifter. Holds its 512 KiB ring inline; a value type
// owned by whoever holds it. Not thread-safe: the effect uses it on the audio
// thread with the instance lock held.
struct DelayPitchShifter
{
  static constexpr int kRingSize = 131072;
  static constexpr uint32_t kRingMask = kRingSize - 1;
  // Spacing of the two taps in samples; the first tap's delay stays below it.
  static constexpr float kTapSpacing = 1000.0f;
  // Largest sample distance a tap may read: the taps of usual shifts stay
  // below 2002, and the bound keeps every read inside the ring.
  static constexpr int kMaxDistance = 65537;
  // The first tap's share of the crossfade is delay * kFadeScale, up to 1:
  // the second tap fades in over the first 100 samples of delay.
  static constexpr float kFadeScale = 0.01f;
  // The single-precision constant nearest 1/12: semitones to octaves.
  static constexpr float kSemitoneExponent = 0.083333336f;

  uint32_t writeCounter = 0;  // samples written; the ring slot is its low 17 bits
  float ring[kRingSize] = {};
  float delay = 0.0f;  // read delay of the first tap, in [0, kTapSpacing) for shifts of +-12

  // Speed ratio 2^(semitones / 12) in single precision. A non-number counts
  // as no shift.
  static float RatioFor(double semitones);

  // Writes x, advances the delay for the shift in semitones and returns the
  // crossfaded taps, computed in single precision.
  double ProcessSample(double x, double semitones) { return ProcessWithRatio(x, RatioFor(semitones)); }

  // The same with the ratio from RatioFor, for callers that keep the shift
  // for many samples.
  double ProcessWithRatio(double x, float ratio)
  {
    ring[writeCounter & kRingMask] = static_cast<float>(x);
    const Step step = Plan(ratio);
    const double y = Read(step);
    Commit(step);
    return y;
  }

  // Both shifters of a pair whose delays and counters agree (they stay so
  // while both get the same shifts): the tap arithmetic is done once.
  static void ProcessPair(DelayPitchShifter& a, DelayPitchShifter& b, double xa, double xb, float ratio,
                          double* ya, double* yb)
  {
    a.ring[a.writeCounter & kRingMask] = static_cast<float>(xa);
    b.ring[b.writeCounter & kRingMask] = static_cast<float>(xb);
    const Step step = a.Plan(ratio);
    *ya = a.Read(step);
    *yb = b.Read(step);
    a.Commit(step);
    b.Commit(step);
  }

  // Whether ProcessPair applies to a and b.
  static bool InLockstep(const DelayPitchShifter& a, const DelayPitchShifter& b)
  {
    return a.writeCounter == b.writeCounter && std::memcmp(&a.delay, &b.delay, sizeof a.delay) == 0;
  }

  // The usual case, for a run of samples at one ratio: a ratio of 0.5 to 2
  // (shifts of +-12 semitones) from a delay in [0, 1000) keeps the delay
  // there, where its remainder is one exact subtraction, it is never -0 (so
  // truncation is its floor) and no tap distance (below 2002) reaches the
  // limit. The delays are then advanced one sample at a time with NextDelay,
  // and the taps of many samples computed together by ProcessPairRun.
  static bool Regular(const DelayPitchShifter& a, float ratio)
  {
    return ratio >= 0.5f && ratio <= 2.0f && a.delay >= 0.0f && a.delay < kTapSpacing;
  }

  static float NextDelay(float delay, float ratio)
  {
    const float t = ((delay + 1.0f) - ratio) + kTapSpacing;
    return t >= 2.0f * kTapSpacing ? t - 2.0f * kTapSpacing : (t >= kTapSpacing ? t - kTapSpacing : t);
  }

  // Longest run ProcessPairRun takes.
  static constexpr int kMaxRun = 64;

  // ProcessPair for count (at most kMaxRun) samples of a regular lockstep
  // pair, given the delays NextDelay produced for them.
  static void ProcessPairRun(DelayPitchShifter& a, DelayPitchShifter& b, const double* xa, const double* xb,
                             const float* delays, int count, double* ya, double* yb);

private:
  // One sample's new delay, ring slots and weights.
  struct Step
  {
    uint32_t counter;
    float delay;
    uint32_t near0, far0, near1, far1;  // ring slots
    float weightNear0, weightFar0, weightNear1, weightFar1;
    float fade;  // share of the first tap
  };

  Step Plan(float ratio) const
  {
    Step s;
    const uint32_t c = writeCounter;
    float d = RemainderOfSpacing(((delay + 1.0f) - ratio) + kTapSpacing);
    // An infinite ratio (a shift of more than about 1500 semitones) leaves no
    // delay to read; restart from the first tap instead of reading garbage.
    if (std::isnan(d)) d = 0.0f;

    // Truncation equals floor for positive delays; zero (for its sign) and
    // the negative delays of shifts above about 120 semitones take the
    // library.
    const int i0 = static_cast<int>(d);
    const float f0 = d > 0.0f ? static_cast<float>(i0) : std::floor(d);
    const float e = d + kTapSpacing;
    const int i1 = static_cast<int>(e);
    const float f1 = static_cast<float>(i1);  // e > 0

    const float fade = d * kFadeScale;
    s.fade = fade < 1.0f ? fade : 1.0f;
    s.counter = c;
    s.delay = d;
    // Distance 0 is the sample just written.
    s.near0 = (c - static_cast<uint32_t>(LimitDistance(i0))) & kRingMask;
    s.far0 = (c - static_cast<uint32_t>(LimitDistance(i0 + 1))) & kRingMask;
    s.near1 = (c - static_cast<uint32_t>(LimitDistance(i1))) & kRingMask;
    s.far1 = (c - static_cast<uint32_t>(LimitDistance(i1 + 1))) & kRingMask;
    s.weightNear0 = (1.0f - d) + f0;
    s.weightFar0 = d - f0;
    s.weightNear1 = (f1 + (1.0f - d)) - kTapSpacing;
    s.weightFar1 = (d - f1) + kTapSpacing;
    return s;
  }

  double Read(const Step& s) const
  {
    const float tap0 = s.weightNear0 * ring[s.near0] + s.weightFar0 * ring[s.far0];
    const float tap1 = s.weightNear1 * ring[s.near1] + s.weightFar1 * ring[s.far1];
    return static_cast<double>(tap1 * (1.0f - s.fade) + tap0 * s.fade);
  }

  void Commit(const Step& s)
  {
    writeCounter = s.counter + 1;  // wraps at 2^32, a multiple of the ring size
    delay = s.delay;
  }

  // fmod(t, 1000) for a float t. For 0 <= t < 3000, the usual range, one
  // exact subtraction gives the same value as the library remainder (which is
  // exact too); anything else goes to the library.
  static float RemainderOfSpacing(float t)
  {
    if (t >= 0.0f && t < 3.0f * kTapSpacing) {
      if (t >= 2.0f * kTapSpacing) return t - 2.0f * kTapSpacing;
      if (t >= kTapSpacing) return t - kTapSpacing;
      return t;
    }
    return static_cast<float>(std::fmod(static_cast<double>(t), static_cast<double>(kTapSpacing)));
  }

  static int LimitDistance(int distance)
  {
    return distance < 0 ? 0 : (distance > kMaxDistance ? kMaxDistance : distance);
  }
};
