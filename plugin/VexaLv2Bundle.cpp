// vexa-lv2-bundle DIR BINARY UI_BINARY: writes the data files of Vexa's LV2
// bundle into DIR from the effect's parameter table, its LV2 port table and
// its identity. Run by the build, which names the two binaries it builds
// into the same directory.
#include <cstdio>
#include <string>

#include "lv2/bundle/BundleWriter.h"
#include "plugin/VexaIdentity.h"
#include "plugin/VexaLv2Ports.h"

namespace {

constexpr char kDefaultPresetLabel[] = "Default";

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
  Lv2PresetSpec defaults{kDefaultPresetLabel, kVexaLv2DefaultPresetUri, {}};
  for (const EffectParamSpec& p : kEffectParams) {
    spec.ranges.push_back({p.name, p.minimum, p.maximum, p.defaultValue, p.integer});
    defaults.values.push_back(p.defaultValue);
  }
  spec.presets.push_back(defaults);
  return spec;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc != 4) {
    std::fprintf(stderr, "usage: vexa-lv2-bundle DIR BINARY UI_BINARY\n");
    return 2;
  }
  std::string error;
  if (!WriteLv2Bundle(VexaBundle(argv[2], argv[3]), argv[1], error)) {
    std::fprintf(stderr, "vexa-lv2-bundle: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
