#include "plugin/EffectChain.h"

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include <emmintrin.h>

#include "plugin/Vexa.h"

const float kShapeTable[kShapeTableSize] = {
    0.0f, 1.31751412e-05f, 5.95772763e-05f, 0.000160184791f, 0.000340493105f,
    0.000616130361f, 0.000988056767f, 0.00144427491f, 0.00196482474f, 0.00252742204f,
    0.0031120237f, 0.0037035502f, 0.00429273816f, 0.00487555517f, 0.00545179751f,
    0.00602344889f, 0.00659323577f, 0.00716360612f, 0.00773619162f, 0.00831168145f,
    0.00888997223f, 0.00947045535f, 0.0100523196f, 0.0106347911f, 0.0112172822f,
    0.0117994435f, 0.0123811467f, 0.0129624261f, 0.0135434084f, 0.0141242445f,
    0.0147050656f, 0.0152859613f, 0.0158669706f, 0.0164480973f, 0.0170293171f,
    0.0176105928f, 0.0181918927f, 0.018773187f, 0.0193544645f, 0.0199357197f,
    0.0205169506f, 0.0210981686f, 0.021679379f, 0.0222605877f, 0.0228417981f,
    0.0234230142f, 0.0240042359f, 0.0245854631f, 0.0251666922f, 0.0257479213f,
    0.0263291504f, 0.0269103795f, 0.0274916068f, 0.0280728322f, 0.0286540575f,
    0.0292352829f, 0.0298165083f, 0.0303977337f, 0.0309789591f, 0.0315601863f,
    0.0321414098f, 0.0327226371f, 0.0333038643f, 0.0338850915f, 0.0344663151f,
    0.0350475423f, 0.0356287695f, 0.0362099931f, 0.0367912203f, 0.0373724476f,
    0.0379536711f, 0.0385348983f, 0.0391161256f, 0.0396973491f, 0.0402785763f,
    0.0408598036f, 0.0414410271f, 0.0420222543f, 0.0426034816f, 0.0431847051f,
    0.0437659323f, 0.0443471596f, 0.0449283831f, 0.0455096103f, 0.0460908376f,
    0.0466720611f, 0.0472532883f, 0.0478345156f, 0.0484157391f, 0.0489969663f,
    0.0495781936f, 0.0501594171f, 0.0507406443f, 0.0513218716f, 0.0519030951f,
    0.0524843223f, 0.0530655496f, 0.0536467731f, 0.0542280003f, 0.0548092276f,
    0.0553904511f, 0.0559716783f, 0.0565529056f, 0.0571341291f, 0.0577153563f,
    0.0582965836f, 0.0588778071f, 0.0594590344f, 0.0600402616f, 0.0606214851f,
    0.0612027124f, 0.0617839396f, 0.0623651631f, 0.0629463866f, 0.0635276139f,
    0.0641088411f, 0.0646900684f, 0.0652712956f, 0.0658525229f, 0.0664337426f,
    0.0670149699f, 0.0675961971f, 0.0681774244f, 0.0687586516f, 0.0693398789f,
    0.0699210986f, 0.0705023259f, 0.0710835531f, 0.0716647804f, 0.0722460076f,
    0.0728272349f, 0.0734084547f, 0.0739896819f, 0.0745709091f, 0.0751521364f,
    0.0757333636f, 0.0763145909f, 0.0768958107f, 0.0774770379f, 0.0780582651f,
    0.0786394924f, 0.0792207196f, 0.0798019469f, 0.0803831667f, 0.0809643939f,
    0.0815456212f, 0.0821268484f, 0.0827080756f, 0.0832893029f, 0.0838705227f,
    0.0844517499f, 0.0850329772f, 0.0856142044f, 0.0861954316f, 0.0867766589f,
    0.0873578787f, 0.0879391059f, 0.0885203332f, 0.0891015604f, 0.0896827877f,
    0.0902640149f, 0.0908452347f, 0.0914264619f, 0.0920076892f, 0.0925889164f,
    0.0931701437f, 0.0937513709f, 0.0943325907f, 0.0949138179f, 0.0954950452f,
    0.0960762724f, 0.0966574997f, 0.0972387269f, 0.0978199467f, 0.0984011739f,
    0.0989824012f, 0.0995636284f, 0.100144856f, 0.100726083f, 0.101307303f,
    0.10188853f, 0.102469757f, 0.103050984f, 0.103632212f, 0.104213439f,
    0.104794666f, 0.105375886f, 0.105957113f, 0.10653834f, 0.107119568f,
    0.107700795f, 0.108282022f, 0.108863242f, 0.109444469f, 0.110025696f,
    0.110606924f, 0.111188151f, 0.111769378f, 0.112350598f, 0.112931825f,
};

namespace {

inline double Shape(double x)
{
  const double e = kShapeInputScale * std::fabs(x);
  double y;
  // The comparison also catches a non-number, which has no table index.
  if (!(e < kShapeTableSize - 1)) {
    y = kShapeTable[kShapeTableSize - 1];
  } else {
    const int j = static_cast<int>(e);
    y = static_cast<double>(kShapeTable[j]) * (1.0 - (e - j)) + static_cast<double>(kShapeTable[j + 1]) * (e - j);
  }
  return std::copysign(y, x);
}

}  // namespace

double ShapeSample(double x) { return Shape(x); }

namespace {

constexpr double kPi = 3.141592653589793;
// Scale of the envelope's level curve (not 20 / ln 10).
constexpr double kLevelScale = 8.65617025;
// Gain field of the sections; low-pass sections ignore it.
constexpr double kSectionGainDb = 1.0;
constexpr float kGateOpen = 0.999f;
constexpr float kGateClosed = 0.001f;
// Frames whose cut-offs and coefficients are computed ahead of their
// filtering.
constexpr int kStretch = 32;
// Thresholds below e^-700 may be subnormal, too coarse for the comparison
// in the log domain.
constexpr double kLowestLogThreshold = -700.0;

uint64_t Bits(double x)
{
  uint64_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}

double Exp(double x) { return std::exp(x); }
double Log(double x) { return std::log(x); }

// One transcendental whose last result is reused while its argument repeats
// bit for bit (silence, held levels, a settled envelope).
template <double (*F)(double)>
class Repeating
{
public:
  double operator()(double x)
  {
    if (!Holds(x)) {
      mArg = Bits(x);
      mValue = F(x);
      mHave = true;
    }
    return mValue;
  }
  bool Holds(double x) const { return mHave && Bits(x) == mArg; }

private:
  bool mHave = false;
  uint64_t mArg = 0;
  double mValue = 0.0;
};

// Left and right travel together in the two lanes of an SSE2 register (left
// in the low lane). Packed arithmetic rounds each lane exactly as the scalar
// operation would, so this only shares the work.
using Pair = __m128d;

Pair MakePair(double left, double right) { return _mm_set_pd(right, left); }
double Left(Pair p) { return _mm_cvtsd_f64(p); }
double Right(Pair p) { return _mm_cvtsd_f64(_mm_unpackhi_pd(p, p)); }

// Rounds both lanes to single precision and back.
Pair RoundToFloat(Pair p) { return _mm_cvtps_pd(_mm_cvtpd_ps(p)); }

// The coefficients of two low-pass sections for one frame; their a2 equals
// a0.
struct PairCoefficients
{
  Pair a0, a1, b1, b2;
};

// BiquadSection::ComputeLowPassWith on two lanes.
PairCoefficients LowPassPair(Pair k, Pair q)
{
  const Pair one = _mm_set1_pd(1.0);
  const Pair two = _mm_set1_pd(2.0);
  const Pair kk = _mm_mul_pd(k, k);
  const Pair kq = _mm_div_pd(k, q);
  const Pair n = _mm_div_pd(one, _mm_add_pd(_mm_add_pd(one, kq), kk));
  PairCoefficients c;
  c.a0 = _mm_mul_pd(kk, n);
  c.a1 = _mm_mul_pd(two, c.a0);
  c.b1 = _mm_mul_pd(_mm_mul_pd(two, _mm_sub_pd(kk, one)), n);
  c.b2 = _mm_mul_pd(_mm_add_pd(_mm_sub_pd(one, kq), kk), n);
  return c;
}

// BiquadSection::ProcessSample on two lanes of memory (a2 * x is a0 * x).
Pair FilterPair(Pair& z1, Pair& z2, const PairCoefficients& c, Pair x)
{
  const Pair a0x = _mm_mul_pd(c.a0, x);
  const Pair out = _mm_add_pd(a0x, z1);
  z1 = _mm_sub_pd(_mm_add_pd(_mm_mul_pd(c.a1, x), z2), _mm_mul_pd(c.b1, out));
  z2 = _mm_sub_pd(a0x, _mm_mul_pd(c.b2, out));
  return out;
}

// Where lane bits of mask are set, a; elsewhere b.
Pair Select(Pair mask, Pair a, Pair b) { return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b)); }

// The shaping table widened to double once, for pairwise reads.
struct WideTable
{
  double v[kShapeTableSize];
};

WideTable Widen()
{
  WideTable t = {};
  for (int i = 0; i < kShapeTableSize; ++i) t.v[i] = static_cast<double>(kShapeTable[i]);
  return t;
}

const WideTable kWideShapeTable = Widen();

// Shape on two lanes.
Pair ShapePair(Pair x)
{
  const Pair sign = _mm_set1_pd(-0.0);
  const Pair e = _mm_mul_pd(_mm_set1_pd(kShapeInputScale), _mm_andnot_pd(sign, x));
  const Pair last = _mm_set1_pd(kShapeTable[kShapeTableSize - 1]);
  // Lanes at or past the last entry, and non-numbers, take the last entry;
  // their (meaningless) indices are kept inside the table for the reads.
  const Pair inside = _mm_cmplt_pd(e, _mm_set1_pd(kShapeTableSize - 1));
  const __m128i j = _mm_cvttpd_epi32(e);
  // Indices outside [0, kShapeTableSize - 1) become 0, by a mask rather than
  // a branch: whether a lane is past the table's end follows the signal and
  // cannot be predicted.
  const __m128i usable = _mm_and_si128(_mm_cmpgt_epi32(j, _mm_set1_epi32(-1)),
                                       _mm_cmplt_epi32(j, _mm_set1_epi32(kShapeTableSize - 1)));
  const __m128i index = _mm_and_si128(j, usable);
  const int il = _mm_cvtsi128_si32(index);
  const int ir = _mm_cvtsi128_si32(_mm_shuffle_epi32(index, 1));
  // Entries j and j + 1 of each lane.
  const Pair nearL = _mm_loadu_pd(&kWideShapeTable.v[il]);
  const Pair nearR = _mm_loadu_pd(&kWideShapeTable.v[ir]);
  const Pair lower = _mm_unpacklo_pd(nearL, nearR);
  const Pair upper = _mm_unpackhi_pd(nearL, nearR);
  const Pair f = _mm_sub_pd(e, _mm_cvtepi32_pd(j));
  const Pair y = _mm_add_pd(_mm_mul_pd(lower, _mm_sub_pd(_mm_set1_pd(1.0), f)), _mm_mul_pd(upper, f));
  return _mm_or_pd(_mm_andnot_pd(sign, Select(inside, y, last)), _mm_and_pd(sign, x));
}

// tan(pi * cutoff) of one section's cut-off, reused while the cut-off
// repeats bit for bit.
class CutoffTangent
{
public:
  // True when the cut-off differs from the last one.
  bool Set(double cutoff)
  {
    if (mHave && Bits(cutoff) == mCutoff) return false;
    mHave = true;
    mCutoff = Bits(cutoff);
    mK = std::tan(cutoff * kPi);
    return true;
  }
  double K() const { return mK; }

private:
  bool mHave = false;
  uint64_t mCutoff = 0;
  double mK = 0.0;
};

// Writes one frame's configuration and coefficients into a section (lane
// 0 or 1 of c).
void Configure(BiquadSection& s, double cutoff, double q, const PairCoefficients& c, int lane)
{
  auto pick = [lane](Pair p) { return lane == 0 ? Left(p) : Right(p); };
  s.filterType = LowPass;
  s.qFactor = q;
  s.cutoff = cutoff;
  s.gainDb = kSectionGainDb;
  s.a0 = pick(c.a0);
  s.a1 = pick(c.a1);
  s.a2 = pick(c.a0);
  s.b1 = pick(c.b1);
  s.b2 = pick(c.b2);
}

// Samples that are not numbers within single-precision range (the shifters'
// rings cannot hold them) count as silence; they would otherwise leave the
// filters, the envelope and the meters at NaN for good.
double Admit(double x) { return std::fabs(x) <= FLT_MAX ? x : 0.0; }

// Where the lane-0 bit of mask is set, a; elsewhere b. A select rather than
// a branch, for conditions that follow the signal and cannot be predicted.
double SelectScalar(__m128d mask, double a, double b)
{
  return _mm_cvtsd_f64(_mm_or_pd(_mm_and_pd(mask, _mm_set_sd(a)), _mm_andnot_pd(mask, _mm_set_sd(b))));
}

// One indicator step: the value follows x with a slightly exaggerated target
// and decays by factor k per frame.
double MeterStep(double meter, double x, double k)
{
  x = SelectScalar(_mm_cmpgt_sd(_mm_set_sd(x), _mm_set_sd(meter)), x * 1.0125, x * 0.9875);
  return (meter - x) * k + x;
}

// The envelope follower: target gain from the level of the summed inputs,
// then attack and release ballistics. The targets of a stretch of frames are
// computed first, sorted into work lists without branching on the signal, so
// that only frames above their threshold pay for the reduction and the rare
// undecided ones for the literal steps.
class Envelope
{
public:
  Envelope(double gain, double intensity, double sr, double attack, double release)
      : mGain(gain), mIntensity(intensity)
  {
    mInvRatio = 1.0 / std::pow(10.0, 0.2);
    mL = std::exp(-62.83185307 / sr);
    mDetectorWeight = (-mL) + 1.0;
    mAttackFactor = attack != 0.0 ? std::exp(-1.0 / (attack * sr)) : 0.0;
    mReleaseFactor = release != 0.0 ? std::exp(-1.0 / (sr * release)) : 0.0;
  }

  // Target gains for count frames of summed input m; count is at most
  // kStretch, the size of the work lists.
  void Targets(const double* m, double* target, int count)
  {
    // A silent or negative sum asks for no reduction: its level is 0 or not a
    // number, never above the threshold.
    int positives = 0;
    for (int k = 0; k < count; ++k) {
      target[k] = 1.0;
      mWork[positives] = k;
      positives += m[k] > 0.0;
    }
    int above = 0, undecided = 0;
    if (mIntensity == 0.0) {
      // The threshold is exp(-0) = 1 exactly.
      for (int j = 0; j < positives; ++j) {
        const int k = mWork[j];
        const bool clear = LevelIsSum(m[k]);
        mAbove[above] = k;
        above += clear & (m[k] > 1.0);
        mUndecided[undecided] = k;
        undecided += !clear;
      }
    } else {
      for (int j = 0; j < positives; ++j) {
        const int k = mWork[j];
        const double level = m[k];
        const double u = -(level * mIntensity) * kInverseLevelScale;
        mLogLevel[k] = mLevelLog(level);
        const bool clear = LevelIsSum(level) & (u > kLowestLogThreshold);
        // ln(level) against the threshold exponent: the level is above
        // exp(u) exactly when its logarithm is above u. Decided unless the
        // two are within 1e-9 (both library functions are accurate to an ulp,
        // far below that).
        const double margin = 1e-9 * (1.0 - u);
        const bool isAbove = mLogLevel[k] > u + margin;
        const bool isBelow = mLogLevel[k] < u - margin;
        mAbove[above] = k;
        above += clear & isAbove;
        mUndecided[undecided] = k;
        undecided += !(clear & (isAbove | isBelow));
      }
    }
    for (int j = 0; j < above; ++j) {
      const int k = mAbove[j];
      // The sum is the level here, and positive.
      const double o = -(m[k] * mIntensity);
      target[k] = Reduction(mIntensity == 0.0 ? mLevelLog(m[k]) : mLogLevel[k], o, m[k]);
    }
    for (int j = 0; j < undecided; ++j) target[mUndecided[j]] = LiteralTarget(m[mUndecided[j]]);
  }

  // Advances the ballistics by one frame toward target; returns the new gain.
  double Follow(double target)
  {
    const double fallen = _mm_cvtsd_f64(_mm_max_sd(_mm_set_sd(mGain * mAttackFactor), _mm_set_sd(target)));
    const double risen = _mm_cvtsd_f64(_mm_min_sd(_mm_set_sd(mGain / mReleaseFactor), _mm_set_sd(target)));
    mGain = SelectScalar(_mm_cmpgt_sd(_mm_set_sd(mGain), _mm_set_sd(target)), fallen, risen);
    return mGain;
  }

  double Gain() const { return mGain; }

private:
  // 1 / 8.65617025, for deciding against the threshold only: within the
  // decision margin, the rounding of this product cannot change a decision.
  static constexpr double kInverseLevelScale = 1.0 / kLevelScale;

  // Whether m (positive) exceeds the square root of its detector value by
  // more than any rounding of the root, so that the level is m itself.
  bool LevelIsSum(double m) const { return m * m > (m * mDetectorWeight) * (1.0 + 0x1p-40); }

  // The reduced gain for a level above its threshold.
  double Reduction(double logLevel, double o, double level)
  {
    return mGainExp(((logLevel * kLevelScale - o) * mInvRatio + o) / kLevelScale) / level;
  }

  // The target gain step by step, for positive sums the work lists could not
  // decide.
  double LiteralTarget(double m)
  {
    const double o = -(std::fabs(m) * mIntensity);
    const double t = mThresholdExp(o / kLevelScale);
    const double c = m * mDetectorWeight;
    const double level = m > std::sqrt(c) ? m : std::sqrt(c + mL * c);
    return level > t ? Reduction(mLevelLog(level), o, level) : 1.0;
  }

  double mGain;
  double mIntensity;
  double mInvRatio, mL, mDetectorWeight, mAttackFactor, mReleaseFactor;
  Repeating<Exp> mThresholdExp, mGainExp;
  Repeating<Log> mLevelLog;
  double mLogLevel[kStretch];
  int mWork[kStretch], mAbove[kStretch], mUndecided[kStretch];
};

}  // namespace

void Vexa::ProcessBlock(double** inputs, double** outputs, int frames)
{
  const double sr = SampleRate();

  // The sequence gate advances once per block by the block's duration.
  sequencePhase = static_cast<double>(frames) / sr + sequencePhase;
  const double high = release + 0.2;
  const double low = high - 0.1;
  if (sequencePhase >= high) {
    gateTarget = kGateOpen;
    sequencePhase = sequencePhase - low;
  }
  if (sequencePhase >= low) gateTarget = kGateClosed;
  if (frames <= 0) return;
  if (!inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;

  // Everything below depends only on parameters and the sample rate, which
  // cannot change while the instance lock is held.
  const float ratio = DelayPitchShifter::RatioFor(pitch);
  const double h = std::exp(((release + release) / sr) * -6.283185307179586);
  gateSmoother.coefficient = h;
  gateSmoother.complement = 1.0 - h;
  const double gateStep = static_cast<double>(gateTarget) * gateSmoother.complement;
  const double wet = mix / 100.0;
  const double dry = 1.0 - wet;
  // Without any shaped share the blend is exactly the shifted sample: 1 * s
  // plus a signed zero (the shaper's output is bounded) is s, zeros included.
  const bool shaped = wet != 0.0;
  const IParameter* sequenceParam = ParameterAt(kParamSequence);
  const bool sequenceHeard = sequenceParam && sequenceParam->Value() >= 1.0;
  IEditorLink* editor = Editor();
  const double meterFactor = std::exp(-4.60517018599 / (sr * 0.3));
  const double gateLevel = std::fabs(static_cast<double>(gateTarget));
  // The editor's controls are all added before it is attached, so its
  // control count is fixed while it exists.
  const int controls = editor ? editor->ControlCount() : 0;
  const bool showReduction = reductionMeterControl >= 0 && reductionMeterControl < controls;
  const bool showGate = gateMeterControl >= 0 && gateMeterControl < controls;

  Envelope envelope(envelopeGain, intensity, sr, attack, release);
  double smoother = gateSmoother.state;
  double reduction = reductionMeter.load(std::memory_order_relaxed);
  double gateShown = gateMeter.load(std::memory_order_relaxed);
  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];
  // Both shifters always get the same shift, so their delays move together.
  const bool lockstep = DelayPitchShifter::InLockstep(shifterLeft, shifterRight);
  const bool regularShift = lockstep && DelayPitchShifter::Regular(shifterLeft, ratio);
  float shiftDelay = shifterLeft.delay;
  float shiftDelays[kStretch];
  static_assert(kStretch <= DelayPitchShifter::kMaxRun, "a stretch is one run of the shifters");

  const Pair qPair = _mm_set1_pd(q);
  const Pair frequencyPair = _mm_set1_pd(frequency);
  const Pair srPair = _mm_set1_pd(sr);
  const Pair limitPair = _mm_set1_pd(kMaxCutoffFraction);
  const Pair dryPair = _mm_set1_pd(dry);
  const Pair wetPair = _mm_set1_pd(wet);
  const Pair gainPair = _mm_set1_pd(outputGain);
  Pair envZ1 = MakePair(envelopeFilterLeft.z1, envelopeFilterRight.z1);
  Pair envZ2 = MakePair(envelopeFilterLeft.z2, envelopeFilterRight.z2);
  Pair seqZ1 = MakePair(sequenceFilterLeft.z1, sequenceFilterRight.z1);
  Pair seqZ2 = MakePair(sequenceFilterLeft.z2, sequenceFilterRight.z2);
  CutoffTangent envTangent, seqTangentL, seqTangentR;
  PairCoefficients envNow = {}, seqNow = {};

  // A stretch of frames at a time: first the envelope's targets, which
  // depend only on the raw inputs; then the ballistics, gate smoother,
  // indicators and the shifters' delays; then the shifters' taps; then the
  // tangents of the cut-offs, with the blend; then the coefficients and the
  // filters.
  double xL[kStretch], xR[kStretch], sum[kStretch], target[kStretch];
  double reductionAt[kStretch], gateAt[kStretch];
  double envCut[kStretch], gains[kStretch];
  Pair seqCut[kStretch];
  bool envNew[kStretch], seqNew[kStretch];
  // Tangents are kept per lane: a pair built from two separate 8-byte stores
  // would be read back with one 16-byte load, which the processor cannot
  // forward from the stores and stalls on.
  double envK[kStretch], seqKL[kStretch], seqKR[kStretch];
  double sL[kStretch], sR[kStretch];
  Pair blended[kStretch];
  for (int first = 0; first < frames; first += kStretch) {
    const int count = frames - first < kStretch ? frames - first : kStretch;

    for (int k = 0; k < count; ++k) {
      xL[k] = Admit(inL[first + k]);
      xR[k] = Admit(inR[first + k]);
      sum[k] = xR[k] + xL[k];
    }
    envelope.Targets(sum, target, count);
    for (int k = 0; k < count; ++k) {
      // The shifters' delays share the loop with the ballistics, whose
      // division chain leaves the other execution units idle.
      if (regularShift) {
        shiftDelay = DelayPitchShifter::NextDelay(shiftDelay, ratio);
        shiftDelays[k] = shiftDelay;
      }
      const double gain = envelope.Follow(target[k]);
      gains[k] = gain;
      // The gate smoother steps twice per frame, once for each sequence
      // section.
      const double once = h * smoother + gateStep;
      smoother = h * once + gateStep;
      const Pair cut = _mm_div_pd(_mm_mul_pd(frequencyPair, MakePair(once, smoother)), srPair);
      seqCut[k] = Select(_mm_cmpgt_pd(cut, limitPair), limitPair, cut);

      if (editor) {
        reductionAt[k] = reduction = MeterStep(reduction, std::fabs(1.0 - gain), meterFactor);
        gateAt[k] = gateShown = MeterStep(gateShown, gateLevel, meterFactor);
      }
    }
    // The envelope sections' cut-offs, two frames at a time.
    for (int k = 0; k < count; k += 2) {
      const int next = k + 1 < count ? k + 1 : k;
      const Pair cut = _mm_div_pd(_mm_mul_pd(frequencyPair, _mm_loadh_pd(_mm_load_sd(&gains[k]), &gains[next])), srPair);
      const Pair limited = Select(_mm_cmpgt_pd(cut, limitPair), limitPair, cut);
      _mm_store_sd(&envCut[k], limited);
      _mm_storeh_pd(&envCut[next], limited);
    }
    // The indicator values of every frame go to their controls after the
    // loop, one run per indicator: a call through the editor may change any
    // register, and would make the loop above save and restore its whole
    // state on every frame.
    if (editor) {
      reductionMeter.store(reduction, std::memory_order_relaxed);
      gateMeter.store(gateShown, std::memory_order_relaxed);
      if (showReduction) editor->TakePlugValuesAt(reductionMeterControl, reductionAt, count);
      if (showGate) editor->TakePlugValuesAt(gateMeterControl, gateAt, count);
    }

    if (regularShift) {
      DelayPitchShifter::ProcessPairRun(shifterLeft, shifterRight, xL, xR, shiftDelays, count, sL, sR);
    } else if (lockstep) {
      for (int k = 0; k < count; ++k) {
        DelayPitchShifter::ProcessPair(shifterLeft, shifterRight, xL[k], xR[k], ratio, &sL[k], &sR[k]);
      }
    } else {
      for (int k = 0; k < count; ++k) {
        sL[k] = shifterLeft.ProcessWithRatio(xL[k], ratio);
        sR[k] = shifterRight.ProcessWithRatio(xR[k], ratio);
      }
    }
    // The tangents, with the blending of the shifted samples between them:
    // the library's tangent reads the floating-point status, which waits for
    // every operation still in flight, so the work placed there is short
    // chains that finish while the previous tangent is computed.
    for (int k = 0; k < count; ++k) {
      envNew[k] = envTangent.Set(envCut[k]);
      envK[k] = envTangent.K();
      const bool newL = seqTangentL.Set(Left(seqCut[k]));
      const bool newR = seqTangentR.Set(Right(seqCut[k]));
      seqNew[k] = newL || newR;
      seqKL[k] = seqTangentL.K();
      seqKR[k] = seqTangentR.K();
      const Pair y = MakePair(sL[k], sR[k]);
      blended[k] = shaped ? RoundToFloat(_mm_add_pd(_mm_mul_pd(dryPair, y), _mm_mul_pd(wetPair, ShapePair(y)))) : y;
    }
    for (int k = 0; k < count; ++k) {
      if (envNew[k]) envNow = LowPassPair(_mm_set1_pd(envK[k]), qPair);
      if (seqNew[k]) seqNow = LowPassPair(_mm_loadh_pd(_mm_load_sd(&seqKL[k]), &seqKR[k]), qPair);
      const Pair y = blended[k];
      const Pair e = FilterPair(envZ1, envZ2, envNow, y);
      const Pair qv = FilterPair(seqZ1, seqZ2, seqNow, y);
      // Only the heard path's result is rounded; the memories keep full
      // precision either way.
      const Pair out = _mm_mul_pd(RoundToFloat(sequenceHeard ? qv : e), gainPair);
      const int i = first + k;
      _mm_storel_pd(&outL[i], out);
      _mm_storeh_pd(&outR[i], out);
    }
  }

  // The sections end configured for the block's last frame.
  const double lastSeqL = Left(seqCut[(frames - 1) % kStretch]);
  const double lastSeqR = Right(seqCut[(frames - 1) % kStretch]);
  const double lastEnvCut = envCut[(frames - 1) % kStretch];
  Configure(envelopeFilterLeft, lastEnvCut, q, envNow, 0);
  Configure(envelopeFilterRight, lastEnvCut, q, envNow, 1);
  Configure(sequenceFilterLeft, lastSeqL, q, seqNow, 0);
  Configure(sequenceFilterRight, lastSeqR, q, seqNow, 1);
  envelopeFilterLeft.z1 = Left(envZ1);
  envelopeFilterRight.z1 = Right(envZ1);
  envelopeFilterLeft.z2 = Left(envZ2);
  envelopeFilterRight.z2 = Right(envZ2);
  sequenceFilterLeft.z1 = Left(seqZ1);
  sequenceFilterRight.z1 = Right(seqZ1);
  sequenceFilterLeft.z2 = Left(seqZ2);
  sequenceFilterRight.z2 = Right(seqZ2);
  envelopeGain = envelope.Gain();
  gateSmoother.state = smoother;
}
