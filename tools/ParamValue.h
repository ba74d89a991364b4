#pragma once
// Parameter values as the command line gives them ("Pitch=-7",
// "Attack=3.3ms", "Frequency=2kHz"): a number in the parameter's own unit,
// optionally followed by that unit or a multiple of it. Independent of the
// plug-in interface: the interface's side says what each parameter's range
// and unit are. Any thread.

#include <string>
#include <vector>

// The units parameter values come in.
enum class ParamUnit
{
  kNone,
  kSeconds,
  kMilliseconds,
  kHertz,
  kKilohertz,
  kDecibels,
  kPercent,
  kSemitones,
};

// One parameter as the command line sees it.
struct ParamInfo
{
  std::string name;
  ParamUnit unit = ParamUnit::kNone;
  bool rangeKnown = false;
  double minimum = 0.0;  // plain values, in unit
  double maximum = 0.0;
};

// The unit a label stands for ("dB", "Hz", "ms", "%", ...); kNone for
// labels that name no unit this tool knows.
ParamUnit UnitForLabel(const std::string& label);

// Reads text as a value of p: a number, optionally followed by one of p's
// unit's names ("3.3ms" for a parameter in seconds gives 0.0033), within
// p's range when it is known. False with an error that says what is wrong
// and what p takes.
bool ParseParamValue(const ParamInfo& p, const std::string& text, double& value, std::string& error);

// What p takes, for messages: "-12 to 12 semitones (a number, optionally
// followed by semitones or st)".
std::string DescribeParam(const ParamInfo& p);

// The parameter named name: exactly, or else the one whose name differs
// only in case; -1 when there is none.
int FindParamNamed(const std::vector<ParamInfo>& params, const std::string& name);

// "Q, Frequency, ...": every parameter's name.
std::string ParamNames(const std::vector<ParamInfo>& params);
