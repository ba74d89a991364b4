#include "plugin/EffectChain.h"

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

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

double ShapeSample(double x)
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

namespace {

constexpr double kPi = 3.141592653589793;
// Scale of the envelope's level curve (not 20 / ln 10).
constexpr double kLevelScale = 8.65617025;
// Gain field of the sections; low-pass sections ignore it.
constexpr double kSectionGainDb = 1.0;
constexpr float kGateOpen = 0.999f;
constexpr float kGateClosed = 0.001f;

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
    const uint64_t bits = Bits(x);
    if (!mHave || bits != mArg) {
      mArg = bits;
      mValue = F(x);
      mHave = true;
    }
    return mValue;
  }

private:
  bool mHave = false;
  uint64_t mArg = 0;
  double mValue = 0.0;
};

// Configures one section as the chain's low-pass at a cut-off and recomputes
// it. Q and the sample rate cannot change within a block, so a cut-off equal
// to the one computed last in this block keeps the coefficients.
class LowPassFeed
{
public:
  LowPassFeed(BiquadSection& section, double q, double v) : mSection(section), mQ(q), mV(v) {}

  // True when the coefficients were recomputed.
  bool Set(double cutoff)
  {
    if (mFresh && Bits(cutoff) == Bits(mSection.cutoff)) return false;
    mSection.filterType = LowPass;
    mSection.qFactor = mQ;
    mSection.cutoff = cutoff;
    mSection.gainDb = kSectionGainDb;
    mSection.ComputeCoefficientsWith(mV, std::tan(cutoff * kPi));
    mFresh = true;
    return true;
  }

private:
  BiquadSection& mSection;
  double mQ;
  double mV;
  bool mFresh = false;
};

double LimitCutoff(double fraction) { return fraction > kMaxCutoffFraction ? kMaxCutoffFraction : fraction; }

// Samples that are not numbers within single-precision range (the shifters'
// rings cannot hold them) count as silence; they would otherwise leave the
// filters, the envelope and the meters at NaN for good.
double Admit(double x) { return std::fabs(x) <= FLT_MAX ? x : 0.0; }

// One indicator step: the value follows x with a slightly exaggerated target
// and decays by factor k per frame.
double MeterStep(double meter, double x, double k)
{
  x = x > meter ? x * 1.0125 : x * 0.9875;
  return (meter - x) * k + x;
}

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
  const double invRatio = 1.0 / std::pow(10.0, 0.2);
  const float ratio = DelayPitchShifter::RatioFor(pitch);
  const double h = std::exp(((release + release) / sr) * -6.283185307179586);
  gateSmoother.coefficient = h;
  gateSmoother.complement = 1.0 - h;
  const double gateStep = static_cast<double>(gateTarget) * gateSmoother.complement;
  const double l = std::exp(-62.83185307 / sr);
  const double detectorWeight = (-l) + 1.0;
  const double attackFactor = attack != 0.0 ? std::exp(-1.0 / (attack * sr)) : 0.0;
  const double releaseFactor = release != 0.0 ? std::exp(-1.0 / (sr * release)) : 0.0;
  const double wet = mix / 100.0;
  const double dry = 1.0 - wet;
  const double sectionV = std::pow(10.0, std::fabs(kSectionGainDb) / 20.0);
  const IParameter* sequenceParam = ParameterAt(kParamSequence);
  const bool sequenceHeard = sequenceParam && sequenceParam->Value() >= 1.0;
  IEditorLink* editor = Editor();
  const double meterFactor = std::exp(-4.60517018599 / (sr * 0.3));
  const double gateLevel = std::fabs(static_cast<double>(gateTarget));

  // Working copies: the output stores cannot alias them.
  BiquadSection envL = envelopeFilterLeft, envR = envelopeFilterRight;
  BiquadSection seqL = sequenceFilterLeft, seqR = sequenceFilterRight;
  LowPassFeed envFeed(envL, q, sectionV), seqFeedL(seqL, q, sectionV), seqFeedR(seqR, q, sectionV);
  Repeating<Exp> thresholdExp, gainExp;
  Repeating<Log> levelLog;
  double gain = envelopeGain;
  double smoother = gateSmoother.state;
  double reduction = reductionMeter.load(std::memory_order_relaxed);
  double gateShown = gateMeter.load(std::memory_order_relaxed);
  const double* inL = inputs[0];
  const double* inR = inputs[1];
  double* outL = outputs[0];
  double* outR = outputs[1];

  for (int i = 0; i < frames; ++i) {
    const double xL = Admit(inL[i]);
    const double xR = Admit(inR[i]);
    const double sL = shifterLeft.ProcessWithRatio(xL, ratio);
    const double sR = shifterRight.ProcessWithRatio(xR, ratio);

    // Envelope: the level of the summed inputs above a threshold that falls
    // with the level itself sets the target gain. Silence or a negative sum
    // asks for no reduction.
    const double m = xR + xL;
    double target = 1.0;
    if (m > 0.0) {
      const double o = -(std::fabs(m) * intensity);
      const double threshold = thresholdExp(o / kLevelScale);
      const double c = m * detectorWeight;
      const double level = m > std::sqrt(c) ? m : std::sqrt(c + l * c);
      if (level > threshold) {
        target = gainExp(((levelLog(level) * kLevelScale - o) * invRatio + o) / kLevelScale) / level;
      }
    }
    if (gain > target) {
      const double fallen = gain * attackFactor;
      gain = target < fallen ? fallen : target;
    } else {
      const double risen = gain / releaseFactor;
      gain = risen < target ? risen : target;
    }

    if (envFeed.Set(LimitCutoff(frequency * gain / sr))) {
      envR.filterType = envL.filterType;
      envR.qFactor = envL.qFactor;
      envR.cutoff = envL.cutoff;
      envR.gainDb = envL.gainDb;
      envR.a0 = envL.a0;
      envR.a1 = envL.a1;
      envR.a2 = envL.a2;
      envR.b1 = envL.b1;
      envR.b2 = envL.b2;
    }
    // The gate smoother steps twice per frame, once for each sequence section.
    smoother = h * smoother + gateStep;
    seqFeedL.Set(LimitCutoff(frequency * smoother / sr));
    smoother = h * smoother + gateStep;
    seqFeedR.Set(LimitCutoff(frequency * smoother / sr));

    const double yL = static_cast<float>(dry * sL + wet * ShapeSample(sL));
    const double yR = static_cast<float>(dry * sR + wet * ShapeSample(sR));
    const double eL = static_cast<float>(envL.ProcessSample(yL));
    const double qL = static_cast<float>(seqL.ProcessSample(yL));
    const double eR = static_cast<float>(envR.ProcessSample(yR));
    const double qR = static_cast<float>(seqR.ProcessSample(yR));
    if (sequenceHeard) {
      outL[i] = qL * outputGain;
      outR[i] = qR * outputGain;
    } else {
      outL[i] = eL * outputGain;
      outR[i] = eR * outputGain;
    }

    if (editor) {
      reduction = MeterStep(reduction, std::fabs(1.0 - gain), meterFactor);
      reductionMeter.store(reduction, std::memory_order_relaxed);
      if (reductionMeterControl >= 0 && reductionMeterControl < editor->ControlCount()) {
        editor->TakePlugValueAt(reductionMeterControl, reduction);
      }
      gateShown = MeterStep(gateShown, gateLevel, meterFactor);
      gateMeter.store(gateShown, std::memory_order_relaxed);
      if (gateMeterControl >= 0 && gateMeterControl < editor->ControlCount()) {
        editor->TakePlugValueAt(gateMeterControl, gateShown);
      }
    }
  }

  envelopeGain = gain;
  gateSmoother.state = smoother;
  envelopeFilterLeft = envL;
  envelopeFilterRight = envR;
  sequenceFilterLeft = seqL;
  sequenceFilterRight = seqR;
}
