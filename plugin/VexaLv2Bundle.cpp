// vexa-lv2-bundle DIR BINARY UI_BINARY [PRESET]...: writes the data files of
// Vexa's LV2 bundle into DIR from the effect's parameter table, its LV2 port
// table and its identity. Run by the build, which names the two binaries it
// builds into the same directory and passes the factory presets
// (resources/presets.txt), each as LABEL:SETTINGS, the settings NAME=VALUE
// separated by spaces, in plain units; parameters not named keep their
// defaults. Without presets the bundle holds one, the defaults.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "lv2/bundle/BundleWriter.h"
#include "plugin/VexaIdentity.h"
#include "plugin/VexaLv2Ports.h"

namespace {

constexpr char kDefaultPresetLabel[] = "Default";
// A preset's URI is the plug-in's with this and its name in lower case,
// spaces as dashes: "Default" gives kVexaLv2DefaultPresetUri.
constexpr char kPresetUriInfix[] = "#preset-";
constexpr int kFixedArgs = 4;  // program, DIR, BINARY, UI_BINARY
constexpr char kLabelEnd = ':';

std::string PresetUri(const std::string& label)
{
  std::string uri = std::string(kVexaLv2Uri) + kPresetUriInfix;
  for (const char c : label) {
    uri += c == ' ' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return uri;
}

Lv2PresetSpec DefaultPreset(const std::string& label, const std::string& uri)
{
  Lv2PresetSpec preset{label, uri, {}};
  for (const EffectParamSpec& p : kEffectParams) preset.values.push_back(p.defaultValue);
  return preset;
}

// Sets one NAME=VALUE in the preset; false, with the reason, for an unknown
// name or a value that is no number inside the parameter's range.
bool ApplySetting(const std::string& setting, Lv2PresetSpec& preset, std::string& error)
{
  const size_t equals = setting.find('=');
  const std::string name = setting.substr(0, equals);
  for (int i = 0; i < kNumVexaParams; ++i) {
    const EffectParamSpec& p = kEffectParams[i];
    if (name != p.name) continue;
    const char* text = equals == std::string::npos ? "" : setting.c_str() + equals + 1;
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (*text == '\0' || *end != '\0' || !(value >= p.minimum && value <= p.maximum)) {
      error = "preset " + preset.label + ": " + setting + " is outside the parameter's range";
      return false;
    }
    preset.values[i] = value;
    return true;
  }
  error = "preset " + preset.label + ": no parameter named in " + setting;
  return false;
}

// LABEL:SETTINGS into a preset; false, with the reason, when it is no such
// text.
bool ParsePreset(const std::string& arg, Lv2PresetSpec& preset, std::string& error)
{
  const size_t labelEnd = arg.find(kLabelEnd);
  if (labelEnd == 0 || labelEnd == std::string::npos) {
    error = "a preset is LABEL:SETTINGS, not " + arg;
    return false;
  }
  const std::string label = arg.substr(0, labelEnd);
  preset = DefaultPreset(label, PresetUri(label));
  std::istringstream words(arg.substr(labelEnd + 1));
  std::string setting;
  while (words >> setting) {
    if (!ApplySetting(setting, preset, error)) return false;
  }
  return true;
}

// False, with the reason, when an earlier preset of the description has the URI of this
// one: two labels that differ only in case or spaces and dashes.
bool IsNewPreset(const Lv2BundleSpec& spec, const Lv2PresetSpec& preset, std::string& error)
{
  for (const Lv2PresetSpec& p : spec.presets) {
    if (p.uri == preset.uri) {
      error = "presets " + p.label + " and " + preset.label + " would share the URI " + p.uri;
      return false;
    }
  }
  return true;
}

Lv2BundleSpec VexaBundle(const char* binary, const char* uiBinary)
{
  Lv2BundleSpec spec;
  spec.uri = kVexaLv2Uri;
  spec.uiUri = kVexaLv2UiUri;
  spec.name = kVexaName;
  spec.vendor = kVexaVendor;
  spec.minorVersion = kVexaVersionMinor;
  spec.microVersion = kVexaVersionPatch;
  spec.binary = binary;
  spec.uiBinary = uiBinary;
  spec.ports = &kVexaLv2Ports;
  for (const EffectParamSpec& p : kEffectParams) {
    spec.ranges.push_back({p.name, p.minimum, p.maximum, p.defaultValue, p.integer});
  }
  return spec;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < kFixedArgs) {
    std::fprintf(stderr, "usage: vexa-lv2-bundle DIR BINARY UI_BINARY [LABEL:SETTINGS]...\n");
    return 2;
  }
  Lv2BundleSpec spec = VexaBundle(argv[2], argv[3]);
  std::string error;
  for (int i = kFixedArgs; i < argc; ++i) {
    Lv2PresetSpec preset;
    if (!ParsePreset(argv[i], preset, error) || !IsNewPreset(spec, preset, error)) {
      std::fprintf(stderr, "vexa-lv2-bundle: %s\n", error.c_str());
      return 1;
    }
    spec.presets.push_back(preset);
  }
  if (spec.presets.empty()) spec.presets.push_back(DefaultPreset(kDefaultPresetLabel, kVexaLv2DefaultPresetUri));
  if (!WriteLv2Bundle(spec, argv[1], error)) {
    std::fprintf(stderr, "vexa-lv2-bundle: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
