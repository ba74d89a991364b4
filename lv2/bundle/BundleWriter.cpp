#include "lv2/bundle/BundleWriter.h"

#include <fstream>

#include "base/TextNumber.h"

namespace {

// Decimals tried for the shortest text of a value: a double needs at most
// this many after the point to read back exactly in the ranges used here.
constexpr int kMaxDecimals = 17;

const char* const kPrefixes =
  "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
  "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
  "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
  "@prefix foaf: <http://xmlns.com/foaf/0.1/> .\n"
  "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
  "@prefix opts: <http://lv2plug.in/ns/ext/options#> .\n"
  "@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .\n"
  "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
  "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
  "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
  "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
  "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
  "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
  "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

const char* UnitName(Lv2Unit unit)
{
  switch (unit) {
    case Lv2Unit::kHz: return "units:hz";
    case Lv2Unit::kMs: return "units:ms";
    case Lv2Unit::kDb: return "units:db";
    case Lv2Unit::kPercent: return "units:pc";
    case Lv2Unit::kSemitones: return "units:semitone12TET";
    case Lv2Unit::kNone: break;
  }
  return nullptr;
}

// A text as a Turtle string literal.
std::string Quoted(const std::string& text)
{
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string Uri(const std::string& uri) { return "<" + uri + ">"; }

bool IsSwitch(const Lv2ParamRange& r) { return r.integer && r.minimum == 0.0 && r.maximum == 1.0; }

std::string ParamPortText(const Lv2BundleSpec& spec, int i)
{
  const Lv2ParamPort& port = spec.ports->params[i];
  const Lv2ParamRange& range = spec.ranges[static_cast<size_t>(i)];
  const double k = port.portPerPlain;
  std::string t = "[\n    a lv2:InputPort , lv2:ControlPort ;\n";
  t += "    lv2:index " + std::to_string(spec.ports->ParamPort(i)) + " ;\n";
  t += "    lv2:symbol " + Quoted(port.symbol) + " ;\n";
  t += "    lv2:name " + Quoted(range.name) + " ;\n";
  t += "    lv2:default " + Lv2Decimal(range.defaultValue * k) + " ;\n";
  t += "    lv2:minimum " + Lv2Decimal(range.minimum * k) + " ;\n";
  t += "    lv2:maximum " + Lv2Decimal(range.maximum * k);
  if (IsSwitch(range)) {
    t += " ;\n    lv2:portProperty lv2:toggled , lv2:integer";
  } else if (range.integer) {
    t += " ;\n    lv2:portProperty lv2:integer";
  }
  if (port.logarithmic) t += " ;\n    lv2:portProperty pprops:logarithmic";
  if (const char* unit = UnitName(port.unit)) t += std::string(" ;\n    units:unit ") + unit;
  if (port.offLabel && port.onLabel) {
    t += " ;\n    lv2:scalePoint [ rdfs:label " + Quoted(port.offLabel) + " ; rdf:value " + Lv2Decimal(range.minimum * k) +
         " ] , [ rdfs:label " + Quoted(port.onLabel) + " ; rdf:value " + Lv2Decimal(range.maximum * k) + " ]";
  }
  return t + "\n  ]";
}

std::string AudioPortText(const Lv2AudioPort& port, int index, bool input)
{
  return std::string("[\n    a lv2:") + (input ? "InputPort" : "OutputPort") + " , lv2:AudioPort ;\n" +
         "    lv2:index " + std::to_string(index) + " ;\n    lv2:symbol " + Quoted(port.symbol) + " ;\n" +
         "    lv2:name " + Quoted(port.name) + "\n  ]";
}

std::string OutputPortText(const Lv2OutputPort& port, int index)
{
  return "[\n    a lv2:OutputPort , lv2:ControlPort ;\n    lv2:index " + std::to_string(index) + " ;\n" +
         "    lv2:symbol " + Quoted(port.symbol) + " ;\n    lv2:name " + Quoted(port.name) + " ;\n" +
         "    lv2:minimum 0.0 ;\n    lv2:maximum 1.0\n  ]";
}

// Every port's description, in index order.
std::vector<std::string> PortTexts(const Lv2BundleSpec& spec)
{
  const Lv2PortTable& p = *spec.ports;
  std::vector<std::string> texts;
  for (int i = 0; i < p.paramCount; ++i) texts.push_back(ParamPortText(spec, i));
  for (int k = 0; k < p.audioInputCount; ++k) texts.push_back(AudioPortText(p.audioInputs[k], p.AudioInputPort(k), true));
  for (int k = 0; k < p.audioOutputCount; ++k) {
    texts.push_back(AudioPortText(p.audioOutputs[k], p.AudioOutputPort(k), false));
  }
  for (int j = 0; j < p.outputCount; ++j) texts.push_back(OutputPortText(p.outputs[j], p.OutputPort(j)));
  return texts;
}

std::string Joined(const std::vector<std::string>& items, const char* separator)
{
  std::string out;
  for (size_t i = 0; i < items.size(); ++i) out += (i ? separator : "") + items[i];
  return out;
}

bool Check(const Lv2BundleSpec& spec, std::string& error)
{
  if (!spec.ports || spec.ranges.size() != static_cast<size_t>(spec.ports->paramCount)) {
    error = "the bundle needs one range per parameter port";
    return false;
  }
  for (const Lv2ParamRange& r : spec.ranges) {
    if (!(r.minimum < r.maximum) || r.defaultValue < r.minimum || r.defaultValue > r.maximum) {
      error = std::string("parameter ") + r.name + " has its default outside its range";
      return false;
    }
  }
  for (const Lv2PresetSpec& p : spec.presets) {
    if (p.values.size() != spec.ranges.size()) {
      error = "preset " + p.label + " needs one value per parameter";
      return false;
    }
  }
  return true;
}

bool WriteFile(const std::string& path, const std::string& text, std::string& error)
{
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) error = "cannot write " + path;
  return static_cast<bool>(out);
}

}  // namespace

std::string Lv2Decimal(double v)
{
  char text[kMaxNumberText];
  for (int decimals = 1; decimals <= kMaxDecimals; ++decimals) {
    FormatFixed(v, decimals, text, sizeof text);
    if (ParseLeadingDouble(text) == v) break;
  }
  return text;
}

std::string Lv2ManifestText(const Lv2BundleSpec& spec)
{
  std::string t = kPrefixes;
  t += Uri(spec.uri) + "\n  a lv2:Plugin ;\n  lv2:binary " + Uri(spec.binary) + " ;\n  rdfs:seeAlso " +
       Uri(kLv2PluginFile) + " .\n\n";
  t += Uri(spec.uiUri) + "\n  a ui:X11UI ;\n  ui:binary " + Uri(spec.uiBinary) + " ;\n  rdfs:seeAlso " +
       Uri(kLv2UiFile) + " .\n";
  for (const Lv2PresetSpec& p : spec.presets) {
    t += "\n" + Uri(p.uri) + "\n  a pset:Preset ;\n  lv2:appliesTo " + Uri(spec.uri) +
         " ;\n  rdfs:seeAlso " + Uri(kLv2PresetsFile) + " .\n";
  }
  return t;
}

std::string Lv2PluginText(const Lv2BundleSpec& spec)
{
  std::string t = kPrefixes;
  t += Uri(spec.uri) + "\n  a lv2:Plugin , lv2:FilterPlugin , doap:Project ;\n";
  t += "  doap:name " + Quoted(spec.name) + " ;\n";
  t += "  doap:maintainer [ foaf:name " + Quoted(spec.vendor) + " ] ;\n";
  t += "  lv2:minorVersion " + std::to_string(spec.minorVersion) + " ;\n";
  t += "  lv2:microVersion " + std::to_string(spec.microVersion) + " ;\n";
  // The instance maps its state's URIs and takes its longest block from
  // the options; it never blocks or allocates in run.
  t += "  lv2:requiredFeature urid:map , opts:options , bufsz:boundedBlockLength ;\n";
  t += "  lv2:optionalFeature lv2:hardRTCapable ;\n";
  t += "  opts:requiredOption bufsz:maxBlockLength ;\n";
  t += "  lv2:extensionData state:interface ;\n";
  t += "  ui:ui " + Uri(spec.uiUri) + " ;\n";
  t += "  lv2:port " + Joined(PortTexts(spec), " , ") + " .\n";
  return t;
}

std::string Lv2UiText(const Lv2BundleSpec& spec)
{
  const Lv2PortTable& p = *spec.ports;
  std::vector<std::string> notifications;
  for (int i = 0; i < p.paramCount; ++i) {
    notifications.push_back("[\n    ui:plugin " + Uri(spec.uri) + " ;\n    lv2:symbol " + Quoted(p.params[i].symbol) +
                            " ;\n    ui:protocol ui:floatProtocol\n  ]");
  }
  for (int j = 0; j < p.outputCount; ++j) {
    notifications.push_back("[\n    ui:plugin " + Uri(spec.uri) + " ;\n    lv2:symbol " + Quoted(p.outputs[j].symbol) +
                            " ;\n    ui:protocol ui:floatProtocol\n  ]");
  }
  std::string t = kPrefixes;
  t += Uri(spec.uiUri) + "\n  a ui:X11UI ;\n  ui:binary " + Uri(spec.uiBinary) + " ;\n";
  // The editor is embedded in the host's window or, for a host that gives
  // none, shown in a window of its own; either is redrawn on the host's
  // idle calls. It tells the host its size and, where it can, its gestures.
  t += "  lv2:requiredFeature ui:idleInterface ;\n";
  t += "  lv2:optionalFeature ui:parent , ui:resize , ui:touch , ui:noUserResize ;\n";
  t += "  lv2:extensionData ui:idleInterface , ui:showInterface ;\n";
  t += "  ui:portNotification " + Joined(notifications, " , ") + " .\n";
  return t;
}

std::string Lv2PresetsText(const Lv2BundleSpec& spec)
{
  std::string t = kPrefixes;
  for (const Lv2PresetSpec& preset : spec.presets) {
    std::vector<std::string> values;
    for (size_t i = 0; i < preset.values.size(); ++i) {
      const Lv2ParamPort& port = spec.ports->params[i];
      values.push_back("[\n    lv2:symbol " + Quoted(port.symbol) + " ;\n    pset:value " +
                       Lv2Decimal(preset.values[i] * port.portPerPlain) + "\n  ]");
    }
    t += Uri(preset.uri) + "\n  a pset:Preset ;\n  lv2:appliesTo " + Uri(spec.uri) + " ;\n";
    t += "  rdfs:label " + Quoted(preset.label) + " ;\n";
    t += "  lv2:port " + Joined(values, " , ") + " .\n\n";
  }
  return t;
}

bool WriteLv2Bundle(const Lv2BundleSpec& spec, const std::string& dir, std::string& error)
{
  if (!Check(spec, error)) return false;
  return WriteFile(dir + "/" + kLv2ManifestFile, Lv2ManifestText(spec), error) &&
         WriteFile(dir + "/" + kLv2PluginFile, Lv2PluginText(spec), error) &&
         WriteFile(dir + "/" + kLv2UiFile, Lv2UiText(spec), error) &&
         WriteFile(dir + "/" + kLv2PresetsFile, Lv2PresetsText(spec), error);
}
