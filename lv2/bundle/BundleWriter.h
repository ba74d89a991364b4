#pragma once
// Writes the data files of an LV2 bundle (manifest.ttl, the plug-in's
// description, the UI's and the presets) from the plug-in's port table and
// identity. Run at build time by a small generator program that each effect
// provides; the bundle's binaries are built beside the files.

#include <string>
#include <vector>

#include "lv2/Lv2Ports.h"

// One parameter's range, in its plain units (the port multiplies by the
// table's portPerPlain).
struct Lv2ParamRange
{
  const char* name;
  double minimum;
  double maximum;
  double defaultValue;
  bool integer;  // whole numbers only; 0..1 makes a switch
};

// A preset: a label and one plain value per parameter.
struct Lv2PresetSpec
{
  std::string label;
  std::string uri;
  std::vector<double> values;
};

// Everything the bundle's data says.
struct Lv2BundleSpec
{
  std::string uri;
  std::string uiUri;
  std::string name;
  std::string vendor;
  int minorVersion = 0;
  int microVersion = 0;
  std::string binary;    // file names inside the bundle
  std::string uiBinary;
  const Lv2PortTable* ports = nullptr;
  std::vector<Lv2ParamRange> ranges;  // one per parameter port
  std::vector<Lv2PresetSpec> presets;
};

// Names of the files written.
constexpr const char* kLv2ManifestFile = "manifest.ttl";
constexpr const char* kLv2PluginFile = "plugin.ttl";
constexpr const char* kLv2UiFile = "ui.ttl";
constexpr const char* kLv2PresetsFile = "presets.ttl";

// The four files' texts.
std::string Lv2ManifestText(const Lv2BundleSpec& spec);
std::string Lv2PluginText(const Lv2BundleSpec& spec);
std::string Lv2UiText(const Lv2BundleSpec& spec);
std::string Lv2PresetsText(const Lv2BundleSpec& spec);

// Checks the description (one range per parameter, one value per parameter in each
// preset, defaults inside the ranges) and writes the four files into dir,
// which must exist. False with error set on failure.
bool WriteLv2Bundle(const Lv2BundleSpec& spec, const std::string& dir, std::string& error);

// The shortest decimal text (with a decimal point) that reads back as v.
std::string Lv2Decimal(double v);
