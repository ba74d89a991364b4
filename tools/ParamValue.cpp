#include "tools/ParamValue.h"

#include <cctype>
#include <cmath>

#include "base/TextNumber.h"
#include "tools/Arguments.h"

namespace {

// A name a unit may be given by, and the power of ten it stands for in the
// parameter's own unit.
struct UnitName
{
  ParamUnit unit;
  const char* name;
  int powerOfTen;
};

// The first name of each unit is the one messages use.
const UnitName kUnitNames[] = {
  {ParamUnit::kSeconds, "s", 0},       {ParamUnit::kSeconds, "ms", -3},
  {ParamUnit::kMilliseconds, "ms", 0}, {ParamUnit::kMilliseconds, "s", 3},
  {ParamUnit::kHertz, "Hz", 0},        {ParamUnit::kHertz, "kHz", 3},
  {ParamUnit::kKilohertz, "kHz", 0},   {ParamUnit::kKilohertz, "Hz", -3},
  {ParamUnit::kDecibels, "dB", 0},     {ParamUnit::kPercent, "%", 0},
  {ParamUnit::kSemitones, "semitones", 0}, {ParamUnit::kSemitones, "st", 0},
};

// Labels plug-ins give and the unit each stands for.
struct LabelUnit
{
  const char* label;
  ParamUnit unit;
};
const LabelUnit kLabels[] = {
  {"s", ParamUnit::kSeconds},   {"sec", ParamUnit::kSeconds},    {"ms", ParamUnit::kMilliseconds},
  {"Hz", ParamUnit::kHertz},    {"kHz", ParamUnit::kKilohertz},  {"dB", ParamUnit::kDecibels},
  {"%", ParamUnit::kPercent},   {"st", ParamUnit::kSemitones},   {"semitones", ParamUnit::kSemitones},
};

bool SameLetters(const std::string& a, const std::string& b)
{
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

const char* MainName(ParamUnit unit)
{
  for (const UnitName& u : kUnitNames) {
    if (u.unit == unit) return u.name;
  }
  return "";
}

std::string UnitList(ParamUnit unit)
{
  std::string names;
  for (const UnitName& u : kUnitNames) {
    if (u.unit != unit) continue;
    names += names.empty() ? "" : " or ";
    names += u.name;
  }
  return names;
}

std::string Trim(const std::string& s)
{
  size_t a = 0, b = s.size();
  while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

// The number text with its power of ten moved by shift, so that scaling
// by a unit is exact in decimal ("3.3" by -3 reads as 3.3e-3).
double Scaled(const std::string& number, int shift)
{
  if (shift == 0) return ParseLeadingDouble(number.c_str());
  const size_t e = number.find_first_of("eE");
  const long long exponent = (e == std::string::npos ? 0 : std::llround(ParseLeadingDouble(number.c_str() + e + 1))) + shift;
  return ParseLeadingDouble((number.substr(0, e) + "e" + std::to_string(exponent)).c_str());
}

std::string InUnit(double v, ParamUnit unit)
{
  const std::string name = MainName(unit);
  if (name.empty()) return NumberText(v);
  return NumberText(v) + (name == "%" ? "" : " ") + name;
}

}  // namespace

ParamUnit UnitForLabel(const std::string& label)
{
  const std::string t = Trim(label);
  for (const LabelUnit& l : kLabels) {
    if (t == l.label) return l.unit;
  }
  return ParamUnit::kNone;
}

std::string DescribeParam(const ParamInfo& p)
{
  std::string s = p.name + " takes ";
  s += p.rangeKnown ? NumberText(p.minimum) + " to " + InUnit(p.maximum, p.unit) : std::string("a number");
  if (p.unit == ParamUnit::kNone) return s + " (a plain number, no unit)";
  return s + " (a number, optionally followed by " + UnitList(p.unit) + ")";
}

bool ParseParamValue(const ParamInfo& p, const std::string& text, double& value, std::string& error)
{
  const std::string t = Trim(text);
  const size_t end = ScanDecimal(t, 0);
  const std::string number = t.substr(0, end);
  const std::string unit = Trim(t.substr(end));
  if (number.empty()) {
    error = (t.empty() ? std::string("no value given") : "'" + text + "' is not a number") + "; " + DescribeParam(p);
    return false;
  }
  int shift = 0;
  bool unitKnown = unit.empty();
  for (const UnitName& u : kUnitNames) {
    if (!unitKnown && u.unit == p.unit && SameLetters(unit, u.name)) {
      shift = u.powerOfTen;
      unitKnown = true;
    }
  }
  if (!unitKnown) {
    const bool comma = !unit.empty() && unit[0] == ',';
    error = "'" + text + "' is not " + (comma ? "a number (decimals take a point)" : "a value of " + p.name) + "; " +
            DescribeParam(p);
    return false;
  }
  const double v = Scaled(number, shift);
  if (!std::isfinite(v)) {
    error = "'" + text + "' is too large; " + DescribeParam(p);
    return false;
  }
  if (p.rangeKnown && (v < p.minimum || v > p.maximum)) {
    error = "'" + text + "' is " + InUnit(v, p.unit) + ", out of range; " + DescribeParam(p);
    return false;
  }
  value = v;
  return true;
}

int FindParamNamed(const std::vector<ParamInfo>& params, const std::string& name)
{
  int caseless = -1;
  for (size_t i = 0; i < params.size(); ++i) {
    if (params[i].name == name) return static_cast<int>(i);
    if (caseless < 0 && SameLetters(params[i].name, name)) caseless = static_cast<int>(i);
  }
  return caseless;
}

std::string ParamNames(const std::vector<ParamInfo>& params)
{
  std::string s;
  for (const ParamInfo& p : params) s += (s.empty() ? "" : ", ") + p.name;
  return s;
}
