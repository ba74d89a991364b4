#include "tools/HostedSettings.h"

#include <cstring>
#include <memory>

#include "base/TextNumber.h"
#include "plugin/VexaIdentity.h"
#include "tools/Arguments.h"
#include "tools/FileBytes.h"
#include "tools/FileSystem.h"
#include "tools/StateCheck.h"
#include "tools/Validation.h"

namespace {

// The units of Vexa's parameters, which its labels do not give (every
// label is "%").
struct NamedUnit
{
  const char* name;
  ParamUnit unit;
};
const NamedUnit kVexaUnits[] = {
  {"Q", ParamUnit::kNone},         {"Frequency", ParamUnit::kHertz},    {"Attack", ParamUnit::kSeconds},
  {"Release", ParamUnit::kSeconds}, {"Intensity", ParamUnit::kNone},    {"Mix", ParamUnit::kPercent},
  {"Output", ParamUnit::kDecibels}, {"Pitch", ParamUnit::kSemitones},   {"Sequence", ParamUnit::kNone},
};

// The scratch instance's settings; its rate and block size do not matter.
constexpr double kScratchRate = 44100.0;
constexpr int kScratchBlock = 512;
// The host-side buffer for display texts and names.
constexpr int kDisplayBytes = 256;
// Files larger than this are no saved state of any plug-in this tool
// hosts, and are not read.
constexpr long long kMaxStateBytes = 64LL << 20;

// Vexa in any of its editions, by the names it gives hosts.
bool IsVexa(HostedPlugin& host)
{
  char name[kDisplayBytes] = {}, vendor[kDisplayBytes] = {};
  host.Dispatch(effGetEffectName, 0, 0, name);
  host.Dispatch(effGetVendorString, 0, 0, vendor);
  name[kDisplayBytes - 1] = vendor[kDisplayBytes - 1] = 0;
  return host.Effect() && std::strcmp(name, kVexaName) == 0 && std::strcmp(vendor, kVexaVendor) == 0;
}

ParamUnit VexaUnit(const std::string& name)
{
  for (const NamedUnit& u : kVexaUnits) {
    if (name == u.name) return u.unit;
  }
  return ParamUnit::kNone;
}

// The value a scratch instance displays for parameter index at normalized
// value, when the display is a number.
bool DisplayedValue(const ValidatedInstance& scratch, int index, float normalized, double& value)
{
  AEffect* e = scratch.Effect();
  e->setParameter(e, index, normalized);
  char text[kDisplayBytes] = {};
  scratch.Dispatch(effGetParamDisplay, index, 0, text);
  text[kDisplayBytes - 1] = 0;
  std::string t(text);
  while (!t.empty() && t.front() == ' ') t.erase(t.begin());
  const size_t end = ScanDecimal(t, 0);
  if (end == 0) return false;
  value = ParseLeadingDouble(t.c_str());
  return true;
}

}  // namespace

std::vector<ParamInfo> DescribeParams(HostedPlugin& host)
{
  std::vector<ParamInfo> params;
  AEffect* e = host.Effect();
  if (!e) return params;
  const bool vexa = IsVexa(host);
  ValidatedInstance scratch(host, kScratchRate, kScratchBlock);
  for (int i = 0; i < e->numParams; ++i) {
    ParamInfo p;
    p.name = host.ParamName(i);
    p.unit = vexa ? VexaUnit(p.name) : UnitForLabel(host.ParamLabel(i));
    double low = 0.0, high = 0.0;
    if (scratch.Valid() && DisplayedValue(scratch, i, 0.0f, low) && DisplayedValue(scratch, i, 1.0f, high)) {
      p.rangeKnown = true;
      p.minimum = low < high ? low : high;
      p.maximum = low < high ? high : low;
    }
    params.push_back(p);
  }
  return params;
}

bool ApplySettings(HostedPlugin& host, const std::vector<std::string>& sets, std::string& error)
{
  if (sets.empty()) return true;
  const std::vector<ParamInfo> params = DescribeParams(host);
  for (const std::string& s : sets) {
    const size_t eq = s.find('=');
    if (eq == std::string::npos) {
      error = "--set " + s + ": give NAME=VALUE; the parameters are " + ParamNames(params);
      return false;
    }
    const std::string name = s.substr(0, eq);
    const int index = FindParamNamed(params, name);
    if (index < 0) {
      error = "--set " + s + ": no parameter '" + name + "'; the parameters are " + ParamNames(params);
      return false;
    }
    double value = 0.0;
    std::string why;
    if (!ParseParamValue(params[static_cast<size_t>(index)], s.substr(eq + 1), value, why)) {
      error = "--set " + s + ": " + why;
      return false;
    }
    if (!host.SetParamText(index, NumberText(value))) {
      error = "--set " + s + ": the plug-in did not take " + NumberText(value);
      return false;
    }
    if (host.verbose) {
      std::fprintf(stderr, "set %s = %s\n", host.ParamName(index).c_str(), host.ParamDisplay(index).c_str());
    }
  }
  return true;
}

bool LoadStateFile(HostedPlugin& host, const std::string& path, bool program, std::string& error,
                   std::string& warning)
{
  if (FileSize(path) > kMaxStateBytes) {
    error = path + " is too large to be a saved state";
    return false;
  }
  std::vector<unsigned char> bytes;
  if (!ReadFileBytes(path, bytes)) {
    error = "cannot read " + path;
    return false;
  }
  StateCheck check;
  if (IsVexa(host)) {
    check = CheckVexaState(bytes, program, host.Effect()->numParams, host.Effect()->numPrograms);
    if (check.verdict == StateVerdict::kForeign) {
      error = path + " is " + check.reason;
      return false;
    }
    if (check.verdict == StateVerdict::kDamaged) {
      warning = path + " is a damaged Vexa state (" + check.reason + "); what is sound of it was restored";
    }
  }
  // An empty file still comes with a valid pointer.
  bytes.reserve(1);
  const VstIntPtr r = host.Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
  // Vexa takes what is sound of a damaged state and answers 0 for the rest.
  if (r != 1 && check.verdict != StateVerdict::kDamaged) {
    error = "the plug-in rejected the state in " + path;
    return false;
  }
  return true;
}
