// The effect chain, block by block.
//
// Signal flow, per channel: admit (samples that are no numbers within single
// precision become silence) -> shift (DelayPitchShifter) -> shape blend (the
// dry share plus the Mix share of ShapeSample, rounded to single precision)
// -> two low-pass sections in parallel, one with the envelope-driven cut-off
// and one with the gate-driven cut-off (each result rounded to single
// precision) -> select the heard one (Sequence) -> output gain. Beside the
// signal: the envelope follower on the sum of the raw inputs, the sequence
// gate clocked by the block durations and its two-step smoother, and the
// ballistics of the two indicators.
//
// Exactness: the output equals, bit for bit, the plain per-sample
// transcription in tests/plugin/ReferenceEffect.h, which
// tests/plugin/EffectChainTest.cpp compares it with. Every shortcut below
// (stretches of frames, two channels in the lanes of one register, reused
// transcendental results, work lists) keeps each operation and each rounding
// to single precision of the transcription.
//
// Floating-point environment relied on: no contraction into fused
// multiply-adds (-ffp-contract=off), SSE2 doubles on 32-bit x86 (-msse2
// -mfpmath=sse) rather than x87 extended precision (both set in
// cmake/Options.cmake), and flush-to-zero with denormals-are-zero, set by the
// audio callbacks (core/FloatEnv.h) around every block.
//
// Speed: bench/plugin/EffectChainBench.cpp times ProcessBlock and the
// transcription on the same blocks in turn (its SideBySide cases).
//
// A block runs in stretches of up to kStretch frames; each stretch goes
// through the phases below in order, over one Stretch buffer:
//   AdmitInputs      the inputs, cleaned, and their sum
//   Envelope::Targets the envelope's target gains
//   FollowAndClock   envelope ballistics, gate smoother, the sequence
//                    sections' cut-offs, indicators, the shifters' delays
//   EnvelopeCutoffs  the envelope sections' cut-offs
//   HandIndicators   the indicator values to the sink
//   ShiftStretch     the pitch shifters
//   TangentsAndBlend pre-warped cut-offs, and the shape blend
//   FilterStretch    coefficients, the four sections, selection and gain
// and FinishBlock leaves the sections configured for the block's last frame.

#include "plugin/EffectChain.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "plugin/Lanes.h"
#include "plugin/LowPass.h"

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

using lanes::Double2;

constexpr double kTwoPi = 6.283185307179586;
// Gain in dB is 20 log10 of the amplitude factor.
constexpr double kDecibelsPerDecade = 20.0;

// Scale of the envelope's level curve (not 20 / ln 10).
constexpr double kLevelScale = 8.65617025;
// The part of the level above the threshold is divided by 10^kReductionExponent.
constexpr double kReductionExponent = 0.2;
// Corner of the level detector's one-pole smoother in radians per second
// (2 pi x 10 Hz, as rounded here).
constexpr double kDetectorCorner = 62.83185307;
// The gate opens when its phase reaches Release + kGateOpensAfter seconds
// and then closes kGateClosedFor seconds before the next opening.
constexpr double kGateOpensAfter = 0.2;
constexpr double kGateClosedFor = 0.1;
// Indicators fall to 1 % of a step in kMeterFallSeconds: ln 100 over it.
constexpr double kLnHundred = 4.60517018599;
constexpr double kMeterFallSeconds = 0.3;
// An indicator aims slightly past its input: above it when rising, below it
// when falling.
constexpr double kMeterAimAbove = 1.0125;
constexpr double kMeterAimBelow = 0.9875;
// Mix is in percent.
constexpr double kPercent = 100.0;
// Gain field of the sections; low-pass sections ignore it.
constexpr double kSectionGainDb = 1.0;
// Frames whose cut-offs and coefficients are computed ahead of their
// filtering.
constexpr int kStretch = 32;
static_assert(kStretch <= DelayPitchShifter::kMaxRun, "a stretch is one run of the shifters");
// Thresholds below e^-700 may be subnormal, too coarse for the comparison
// in the log domain.
constexpr double kLowestLogThreshold = -700.0;
// The envelope decides between reduction and none in the log domain unless
// the level's logarithm is within this relative distance of the threshold's
// exponent (both library functions are accurate to an ulp, far below it).
constexpr double kDecisionMargin = 1e-9;
// A sum counts as its own level when its square exceeds the detector value
// by more than any rounding of the square root could cover.
constexpr double kRootMargin = 0x1p-40;

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

// The shaping table widened to double once, for reads of two lanes.
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
Double2 ShapeLanes(Double2 x)
{
  const Double2 e = Double2(kShapeInputScale) * lanes::Abs(x);
  // Lanes at or past the last entry, and non-numbers, take the last entry;
  // their meaningless indices become 0 for the reads, by a mask rather than
  // a branch: whether a lane is past the table's end follows the signal and
  // cannot be predicted.
  const lanes::Mask2 inside = e < Double2(kShapeTableSize - 1);
  const lanes::Int2 j = lanes::Truncate(e);
  Double2 lower, upper;
  lanes::LoadAdjacent(kWideShapeTable.v, lanes::ZeroOutside(j, kShapeTableSize - 1), &lower, &upper);
  const Double2 f = e - lanes::ToDouble(j);
  const Double2 y = lower * (Double2(1.0) - f) + upper * f;
  const Double2 last(static_cast<double>(kShapeTable[kShapeTableSize - 1]));
  return lanes::WithSignOf(lanes::Select(inside, y, last), x);
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

// Writes one frame's configuration and coefficients into a section.
void Configure(BiquadSection& s, double cutoff, double q, double a0, double a1, double b1, double b2)
{
  s.filterType = LowPass;
  s.qFactor = q;
  s.cutoff = cutoff;
  s.gainDb = kSectionGainDb;
  s.a0 = a0;
  s.a1 = a1;
  s.a2 = a0;
  s.b1 = b1;
  s.b2 = b2;
}

// Lane 0 (left) and lane 1 (right) of a pair's coefficients into two
// sections.
void ConfigurePair(BiquadSection& left, BiquadSection& right, Double2 cutoff, double q,
                   const LowPassCoefficients<Double2>& c)
{
  Configure(left, cutoff.Lane0(), q, c.a0.Lane0(), c.a1.Lane0(), c.b1.Lane0(), c.b2.Lane0());
  Configure(right, cutoff.Lane1(), q, c.a0.Lane1(), c.a1.Lane1(), c.b1.Lane1(), c.b2.Lane1());
}

// Samples that are not numbers within single-precision range (the shifters'
// rings cannot hold them) count as silence; they would otherwise leave the
// filters, the envelope and the meters at NaN for good.
double Admit(double x) { return std::fabs(x) <= FLT_MAX ? x : 0.0; }

// One indicator step: the value follows x with a slightly exaggerated target
// and decays by factor k per frame.
double MeterStep(double meter, double x, double k)
{
  x = lanes::SelectGreater(x, meter, x * kMeterAimAbove, x * kMeterAimBelow);
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
    mInvRatio = 1.0 / std::pow(10.0, kReductionExponent);
    mL = std::exp(-kDetectorCorner / sr);
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
        // exp(u) exactly when its logarithm is above u.
        const double margin = kDecisionMargin * (1.0 - u);
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
    const double fallen = lanes::GreaterOf(mGain * mAttackFactor, target);
    const double risen = lanes::LesserOf(mGain / mReleaseFactor, target);
    mGain = lanes::SelectGreater(mGain, target, fallen, risen);
    return mGain;
  }

  double Gain() const { return mGain; }

private:
  // 1 / 8.65617025, for deciding against the threshold only: within the
  // decision margin, the rounding of this product cannot change a decision.
  static constexpr double kInverseLevelScale = 1.0 / kLevelScale;

  // Whether m (positive) exceeds the square root of its detector value by
  // more than any rounding of the root, so that the level is m itself.
  bool LevelIsSum(double m) const { return m * m > (m * mDetectorWeight) * (1.0 + kRootMargin); }

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

// What stays fixed for a whole block: it depends only on the parameters, the
// sample rate and the gate target, none of which change inside a block.
struct BlockSetup
{
  float ratio;            // the shifters' speed ratio
  bool lockstep;          // both shifters' delays and counters agree
  bool regularShift;      // ... and the shift keeps the delay in its usual range
  double h;               // gate smoother coefficient
  double gateStep;        // gate target times the smoother's complement
  bool shaped;            // the blend has a shaped share
  bool sequenceHeard;     // the gate-driven path is heard
  bool indicators;        // indicator values are computed and handed over
  double meterFactor;     // indicator decay per frame
  double gateLevel;       // the gate indicator's input
  Double2 q, frequency, sampleRate, limit, dry, wet, gain;
};

// Carried from stretch to stretch within a block, then written back.
struct BlockRun
{
  double smoother;        // gate smoother state
  double reduction;       // envelope indicator
  double gateShown;       // gate indicator
  float shiftDelay;       // the shifters' common delay, while regular
  Double2 envZ1, envZ2, seqZ1, seqZ2;  // section memories, left and right
  CutoffTangent envTangent, seqTangentL, seqTangentR;
  LowPassCoefficients<Double2> envNow, seqNow;  // coefficients in use
};

// The working buffers of one stretch, filled phase by phase.
struct Stretch
{
  int count;
  double xL[kStretch], xR[kStretch], sum[kStretch];  // admitted inputs and their sum
  double target[kStretch], gain[kStretch];           // envelope target and followed gain
  float shiftDelay[kStretch];                        // the shifters' delays, while regular
  double reduction[kStretch], gate[kStretch];        // indicator values
  double envCut[kStretch];                           // envelope sections' cut-off
  Double2 seqCut[kStretch];                          // sequence sections' cut-offs
  double sL[kStretch], sR[kStretch];                 // shifted samples
  // Tangents are kept per lane: a pair built from two separate 8-byte stores
  // would be read back with one 16-byte load, which the processor cannot
  // forward from the stores and stalls on.
  double envK[kStretch], seqKL[kStretch], seqKR[kStretch];
  bool envNew[kStretch], seqNew[kStretch];           // a tangent changed
  Double2 blended[kStretch];                         // the blend, both channels
};

// Advances the sequence gate by one block of frames: open for about Release
// seconds after each wrap of the phase, then closed for kGateClosedFor.
void ClockGate(EffectChain& chain, int frames, double sr)
{
  chain.sequencePhase = static_cast<double>(frames) / sr + chain.sequencePhase;
  const double high = chain.settings.release + kGateOpensAfter;
  const double low = high - kGateClosedFor;
  if (chain.sequencePhase >= high) {
    chain.gateTarget = kGateOpen;
    chain.sequencePhase = chain.sequencePhase - low;
  }
  if (chain.sequencePhase >= low) chain.gateTarget = kGateClosed;
}

BlockSetup SetUpBlock(const EffectChain& chain, double sr, bool indicators)
{
  const EffectSettings& p = chain.settings;
  BlockSetup b;
  b.ratio = DelayPitchShifter::RatioFor(p.pitch);
  // Both shifters always get the same shift, so their delays move together.
  b.lockstep = DelayPitchShifter::InLockstep(chain.shifterLeft, chain.shifterRight);
  b.regularShift = b.lockstep && DelayPitchShifter::Regular(chain.shifterLeft, b.ratio);
  // The gate smoother is a one-pole lag with its corner at 2 x Release Hz.
  b.h = std::exp(((p.release + p.release) / sr) * -kTwoPi);
  b.gateStep = static_cast<double>(chain.gateTarget) * (1.0 - b.h);
  const double wet = p.mix / kPercent;
  const double dry = 1.0 - wet;
  // Without any shaped share the blend is exactly the shifted sample: 1 * s
  // plus a signed zero (the shaper's output is bounded) is s, zeros included.
  b.shaped = wet != 0.0;
  b.sequenceHeard = p.sequenceHeard;
  b.indicators = indicators;
  b.meterFactor = std::exp(-kLnHundred / (sr * kMeterFallSeconds));
  b.gateLevel = std::fabs(static_cast<double>(chain.gateTarget));
  b.q = Double2(p.q);
  b.frequency = Double2(p.frequency);
  b.sampleRate = Double2(sr);
  b.limit = Double2(kMaxCutoffFraction);
  b.dry = Double2(dry);
  b.wet = Double2(wet);
  b.gain = Double2(p.outputGain);
  return b;
}

BlockRun StartRun(const EffectChain& chain)
{
  BlockRun r;
  r.smoother = chain.gateSmootherState;
  r.reduction = chain.reductionMeter.load(std::memory_order_relaxed);
  r.gateShown = chain.gateMeter.load(std::memory_order_relaxed);
  r.shiftDelay = chain.shifterLeft.delay;
  r.envZ1 = Double2::Of(chain.envelopeFilterLeft.z1, chain.envelopeFilterRight.z1);
  r.envZ2 = Double2::Of(chain.envelopeFilterLeft.z2, chain.envelopeFilterRight.z2);
  r.seqZ1 = Double2::Of(chain.sequenceFilterLeft.z1, chain.sequenceFilterRight.z1);
  r.seqZ2 = Double2::Of(chain.sequenceFilterLeft.z2, chain.sequenceFilterRight.z2);
  r.envNow = r.seqNow = LowPassCoefficients<Double2>{Double2(0.0), Double2(0.0), Double2(0.0), Double2(0.0)};
  return r;
}

void AdmitInputs(const double* inL, const double* inR, Stretch& s)
{
  for (int k = 0; k < s.count; ++k) {
    s.xL[k] = Admit(inL[k]);
    s.xR[k] = Admit(inR[k]);
    s.sum[k] = s.xR[k] + s.xL[k];
  }
}

// Cut-off fractions frequency * x / sr, limited to kMaxCutoffFraction.
Double2 Cutoffs(const BlockSetup& b, Double2 x)
{
  const Double2 cut = b.frequency * x / b.sampleRate;
  return lanes::Select(cut > b.limit, b.limit, cut);
}

// The envelope's ballistics, the gate smoother (two steps per frame, one for
// each sequence section), the indicators and the shifters' delays: one
// serial chain of divisions per frame, with the other work beside it.
void FollowAndClock(const BlockSetup& b, Envelope& envelope, BlockRun& r, Stretch& s)
{
  double smoother = r.smoother, reduction = r.reduction, gateShown = r.gateShown;
  float shiftDelay = r.shiftDelay;
  for (int k = 0; k < s.count; ++k) {
    if (b.regularShift) {
      shiftDelay = DelayPitchShifter::NextDelay(shiftDelay, b.ratio);
      s.shiftDelay[k] = shiftDelay;
    }
    const double gain = envelope.Follow(s.target[k]);
    s.gain[k] = gain;
    const double once = b.h * smoother + b.gateStep;
    smoother = b.h * once + b.gateStep;
    s.seqCut[k] = Cutoffs(b, Double2::Of(once, smoother));
    if (b.indicators) {
      s.reduction[k] = reduction = MeterStep(reduction, std::fabs(1.0 - gain), b.meterFactor);
      s.gate[k] = gateShown = MeterStep(gateShown, b.gateLevel, b.meterFactor);
    }
  }
  r.smoother = smoother;
  r.reduction = reduction;
  r.gateShown = gateShown;
  r.shiftDelay = shiftDelay;
}

// The envelope sections' cut-offs, two frames at a time.
void EnvelopeCutoffs(const BlockSetup& b, Stretch& s)
{
  for (int k = 0; k < s.count; k += 2) {
    const int next = k + 1 < s.count ? k + 1 : k;
    Cutoffs(b, Double2::Load(&s.gain[k], &s.gain[next])).Store(&s.envCut[k], &s.envCut[next]);
  }
}

// The indicator values of every frame go to the sink after the ballistics:
// a call through the sink may change any register, and would make the loop
// above save and restore its whole state on every frame.
void HandIndicators(EffectChain& chain, const BlockRun& r, const Stretch& s, IndicatorSink* sink)
{
  chain.reductionMeter.store(r.reduction, std::memory_order_relaxed);
  chain.gateMeter.store(r.gateShown, std::memory_order_relaxed);
  sink->TakeIndicators(s.reduction, s.gate, s.count);
}

void ShiftStretch(EffectChain& chain, const BlockSetup& b, Stretch& s)
{
  DelayPitchShifter& left = chain.shifterLeft;
  DelayPitchShifter& right = chain.shifterRight;
  if (b.regularShift) {
    DelayPitchShifter::ProcessPairRun(left, right, s.xL, s.xR, s.shiftDelay, s.count, s.sL, s.sR);
  } else if (b.lockstep) {
    for (int k = 0; k < s.count; ++k) {
      DelayPitchShifter::ProcessPair(left, right, s.xL[k], s.xR[k], b.ratio, &s.sL[k], &s.sR[k]);
    }
  } else {
    for (int k = 0; k < s.count; ++k) {
      s.sL[k] = left.ProcessWithRatio(s.xL[k], b.ratio);
      s.sR[k] = right.ProcessWithRatio(s.xR[k], b.ratio);
    }
  }
}

// The tangents, with the blending of the shifted samples between them: the
// library's tangent reads the floating-point status, which waits for every
// operation still in flight, so the work placed here is short chains that
// finish while the previous tangent is computed.
void TangentsAndBlend(const BlockSetup& b, BlockRun& r, Stretch& s)
{
  for (int k = 0; k < s.count; ++k) {
    s.envNew[k] = r.envTangent.Set(s.envCut[k]);
    s.envK[k] = r.envTangent.K();
    const bool newL = r.seqTangentL.Set(s.seqCut[k].Lane0());
    const bool newR = r.seqTangentR.Set(s.seqCut[k].Lane1());
    s.seqNew[k] = newL || newR;
    s.seqKL[k] = r.seqTangentL.K();
    s.seqKR[k] = r.seqTangentR.K();
    const Double2 y = Double2::Of(s.sL[k], s.sR[k]);
    s.blended[k] = b.shaped ? lanes::RoundToFloat(b.dry * y + b.wet * ShapeLanes(y)) : y;
  }
}

// Coefficients where a tangent changed, the four sections, the selection of
// the heard path and the output gain.
void FilterStretch(const BlockSetup& b, BlockRun& r, const Stretch& s, double* outL, double* outR)
{
  Double2 envZ1 = r.envZ1, envZ2 = r.envZ2, seqZ1 = r.seqZ1, seqZ2 = r.seqZ2;
  LowPassCoefficients<Double2> envNow = r.envNow, seqNow = r.seqNow;
  for (int k = 0; k < s.count; ++k) {
    if (s.envNew[k]) envNow = ComputeLowPass(Double2(s.envK[k]), b.q);
    if (s.seqNew[k]) seqNow = ComputeLowPass(Double2::Load(&s.seqKL[k], &s.seqKR[k]), b.q);
    const Double2 y = s.blended[k];
    const Double2 e = LowPassStep(envZ1, envZ2, envNow, y);
    const Double2 qv = LowPassStep(seqZ1, seqZ2, seqNow, y);
    // Only the heard path's result is rounded; the memories keep full
    // precision either way.
    const Double2 out = lanes::RoundToFloat(b.sequenceHeard ? qv : e) * b.gain;
    out.Store(&outL[k], &outR[k]);
  }
  r.envZ1 = envZ1;
  r.envZ2 = envZ2;
  r.seqZ1 = seqZ1;
  r.seqZ2 = seqZ2;
  r.envNow = envNow;
  r.seqNow = seqNow;
}

// The sections end configured for the block's last frame, with the
// memories the block left; the envelope and the smoother keep their state.
void FinishBlock(EffectChain& chain, const Envelope& envelope, const BlockRun& r, const Stretch& last)
{
  const double q = chain.settings.q;
  const Double2 envCut(last.envCut[last.count - 1]);
  ConfigurePair(chain.envelopeFilterLeft, chain.envelopeFilterRight, envCut, q, r.envNow);
  ConfigurePair(chain.sequenceFilterLeft, chain.sequenceFilterRight, last.seqCut[last.count - 1], q, r.seqNow);
  chain.envelopeFilterLeft.z1 = r.envZ1.Lane0();
  chain.envelopeFilterRight.z1 = r.envZ1.Lane1();
  chain.envelopeFilterLeft.z2 = r.envZ2.Lane0();
  chain.envelopeFilterRight.z2 = r.envZ2.Lane1();
  chain.sequenceFilterLeft.z1 = r.seqZ1.Lane0();
  chain.sequenceFilterRight.z1 = r.seqZ1.Lane1();
  chain.sequenceFilterLeft.z2 = r.seqZ2.Lane0();
  chain.sequenceFilterRight.z2 = r.seqZ2.Lane1();
  chain.envelopeGain = envelope.Gain();
  chain.gateSmootherState = r.smoother;
}

}  // namespace

void EffectChain::SetParameter(int index, double value)
{
  switch (index) {
    case kParamQ: settings.q = value; break;
    case kParamFrequency: settings.frequency = value; break;
    case kParamAttack: settings.attack = value; break;
    case kParamRelease: settings.release = value; break;
    case kParamIntensity: settings.intensity = value; break;
    case kParamMix: settings.mix = value; break;
    case kParamOutput: settings.outputGain = std::pow(10.0, value / kDecibelsPerDecade); break;
    case kParamPitch: settings.pitch = value; break;
    case kParamSequence: settings.sequenceHeard = value >= 1.0; break;
    default: break;
  }
}

void EffectChain::ProcessBlock(const double* const* inputs, double* const* outputs, int frames, double sampleRate,
                               IndicatorSink* indicators)
{
  ClockGate(*this, frames, sampleRate);
  if (frames <= 0) return;
  if (!inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;

  const BlockSetup setup = SetUpBlock(*this, sampleRate, indicators != nullptr);
  BlockRun run = StartRun(*this);
  Envelope envelope(envelopeGain, settings.intensity, sampleRate, settings.attack, settings.release);
  Stretch s;
  for (int first = 0; first < frames; first += kStretch) {
    s.count = frames - first < kStretch ? frames - first : kStretch;
    AdmitInputs(inputs[0] + first, inputs[1] + first, s);
    envelope.Targets(s.sum, s.target, s.count);
    FollowAndClock(setup, envelope, run, s);
    EnvelopeCutoffs(setup, s);
    if (indicators) HandIndicators(*this, run, s, indicators);
    ShiftStretch(*this, setup, s);
    TangentsAndBlend(setup, run, s);
    FilterStretch(setup, run, s, outputs[0] + first, outputs[1] + first);
  }
  FinishBlock(*this, envelope, run, s);
}
