// Parameter checks: every parameter swept and read back, random values every
// 32 frames while processing, and every text the plug-in hands out fits the
// buffer a host gives it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "tools/Validation.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kAutomationBlock = 32;
// Read-back tolerance of a continuous parameter: single-precision rounding.
constexpr double kContinuousTolerance = 1e-5;
// Bytes after every text buffer that the plug-in must leave alone.
constexpr int kTextGuardBytes = 1024;
constexpr unsigned char kTextSentinel = 0xA5;

// The text buffers a host hands out. The strictest levels use the sizes the
// VST 2.4 interface defines; the others those most hosts actually pass.
struct TextLimits
{
  int paramText;  // name, label and display of a parameter
  int programName;
  int effectName;
  int vendor;
  int product;
};

TextLimits LimitsFor(int strictness)
{
  if (strictness >= 8) return {8, 24, 32, 64, 64};
  if (strictness >= 4) return {64, 64, 64, 64, 64};
  return {256, 256, 256, 256, 256};
}

// Asks for one text into a guarded buffer of `limit` bytes. Returns the
// text's length, or -1 when it was not terminated within the buffer or the
// plug-in wrote past it.
int TextLength(const ValidatedInstance& inst, VstInt32 opcode, VstInt32 index, int limit)
{
  std::vector<unsigned char> buffer(static_cast<size_t>(limit + kTextGuardBytes), kTextSentinel);
  buffer[0] = 0;
  inst.Dispatch(opcode, index, 0, buffer.data());
  for (size_t k = static_cast<size_t>(limit); k < buffer.size(); ++k) {
    if (buffer[k] != kTextSentinel) return -1;
  }
  const void* end = std::memchr(buffer.data(), 0, static_cast<size_t>(limit));
  return end ? static_cast<int>(static_cast<const unsigned char*>(end) - buffer.data()) : -1;
}

void SweepAndReadBack(Validation& v, const ValidatedInstance& inst)
{
  AEffect* e = inst.Effect();
  const int steps = 11 + 10 * v.strictness;
  for (int i = 0; i < e->numParams; ++i) {
    std::vector<float> set, got;
    for (int k = 0; k < steps; ++k) {
      const float x = static_cast<float>(k) / static_cast<float>(steps - 1);
      e->setParameter(e, i, x);
      set.push_back(x);
      got.push_back(e->getParameter(e, i));
    }
    // A parameter that reads back fewer distinct values than it was given is
    // stepped; its step is the widest gap between the values it reads back.
    std::set<float> distinct(got.begin(), got.end());
    double tolerance = kContinuousTolerance;
    if (distinct.size() < set.size() && distinct.size() > 1) {
      const std::vector<float> d(distinct.begin(), distinct.end());
      for (size_t k = 1; k < d.size(); ++k) tolerance = std::max(tolerance, static_cast<double>(d[k] - d[k - 1]));
    } else if (distinct.size() == 1) {
      tolerance = 1.0;  // a parameter with a single value reads back that value
    }
    int worst = -1;
    double worstError = 0.0;
    bool finite = true;
    for (size_t k = 0; k < set.size(); ++k) {
      finite &= std::isfinite(got[k]) && got[k] >= 0.0f && got[k] <= 1.0f;
      const double error = std::fabs(static_cast<double>(got[k]) - set[k]);
      if (error > worstError) worstError = error, worst = static_cast<int>(k);
    }
    const bool ok = finite && worstError <= tolerance + kContinuousTolerance;
    char detail[160];
    std::snprintf(detail, sizeof detail, "%d values read back within %.6g (%zu distinct)", steps, tolerance,
                  distinct.size());
    char reason[200];
    std::snprintf(reason, sizeof reason, "set %.6f, read back %.6f (step %.6g)%s", worst >= 0 ? set[size_t(worst)] : 0.0,
                  worst >= 0 ? static_cast<double>(got[size_t(worst)]) : 0.0, tolerance,
                  finite ? "" : "; a value outside 0..1 or not a number");
    v.report.Expect(ok, "sweep " + v.Name(i), detail, reason);
  }
}

void RandomValuesWhileProcessing(Validation& v, bool dbl)
{
  const std::string name = std::string("random values every 32 frames, ") +
                           (dbl ? "double precision" : "single precision");
  ValidatedInstance inst(v.module, kRate, kAutomationBlock);
  AEffect* e = inst.Effect();
  HostBuffers buffers(e->numInputs, e->numOutputs, kAutomationBlock);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  OutputCheck check;
  const long long total = static_cast<long long>(v.Seconds(2.0) * kRate);
  for (long long pos = 0; pos < total; pos += kAutomationBlock) {
    for (int i = 0; i < e->numParams; ++i) e->setParameter(e, i, value(v.rng));
    buffers.FillInputs(pos, kAutomationBlock, kRate, false);
    buffers.Process(e, kAutomationBlock, dbl, check);
  }
  v.report.Expect(check.Clean(), name, check.Describe(), check.Describe());
}

void TextsFit(Validation& v, const ValidatedInstance& inst)
{
  AEffect* e = inst.Effect();
  const TextLimits limits = LimitsFor(v.strictness);
  const int steps = 2 + 2 * v.strictness;
  for (int i = 0; i < e->numParams; ++i) {
    int longest = 0;
    std::string bad;
    for (int k = 0; k < steps && bad.empty(); ++k) {
      e->setParameter(e, i, static_cast<float>(k) / static_cast<float>(steps - 1));
      const struct
      {
        VstInt32 opcode;
        const char* what;
      } texts[] = {{effGetParamName, "name"}, {effGetParamLabel, "label"}, {effGetParamDisplay, "display"}};
      for (const auto& t : texts) {
        const int n = TextLength(inst, t.opcode, i, limits.paramText);
        if (n < 0) {
          bad = std::string("its ") + t.what + " does not fit " + std::to_string(limits.paramText) + " bytes";
          break;
        }
        longest = std::max(longest, n);
      }
    }
    v.report.Expect(bad.empty(), "texts of " + v.Name(i),
                    "longest " + std::to_string(longest) + " of " + std::to_string(limits.paramText) + " bytes", bad);
  }
  const struct
  {
    VstInt32 opcode;
    const char* what;
    int limit;
  } identity[] = {{effGetEffectName, "effect name", limits.effectName},
                  {effGetVendorString, "vendor", limits.vendor},
                  {effGetProductString, "product name", limits.product}};
  for (const auto& t : identity) {
    const int n = TextLength(inst, t.opcode, 0, t.limit);
    v.report.Expect(n >= 0, std::string("text of the ") + t.what,
                    std::to_string(n) + " of " + std::to_string(t.limit) + " bytes",
                    "does not fit " + std::to_string(t.limit) + " bytes");
  }
  int longest = 0;
  bool fits = true;
  for (int p = 0; p < e->numPrograms && fits; ++p) {
    const int n = TextLength(inst, effGetProgramNameIndexed, p, limits.programName);
    fits = n >= 0;
    longest = std::max(longest, n);
  }
  v.report.Expect(fits, "program names",
                  std::to_string(e->numPrograms) + " names, longest " + std::to_string(longest) + " of " +
                    std::to_string(limits.programName) + " bytes",
                  "a program name does not fit " + std::to_string(limits.programName) + " bytes");
}

}  // namespace

void ValidateParameters(Validation& v)
{
  ValidatedInstance inst(v.module, kRate, 512);
  if (!inst.Valid()) {
    v.report.Fail("instance", "the entry point returned no instance");
    return;
  }
  if (inst.Effect()->numParams <= 0) {
    v.report.Skip("parameters", "the plug-in has no parameters");
  } else {
    SweepAndReadBack(v, inst);
  }
  for (bool dbl : {false, true}) {
    if (dbl && !inst.CanDouble()) continue;
    RandomValuesWhileProcessing(v, dbl);
  }
  TextsFit(v, inst);
}
