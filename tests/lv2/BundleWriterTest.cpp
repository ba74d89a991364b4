// The writer of an LV2 bundle's data: numbers written so that hosts read
// back exactly the values meant, ports in the units of the table, and specs
// that would describe a broken plug-in refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/TextNumber.h"
#include "lv2/bundle/BundleWriter.h"

namespace {

constexpr Lv2ParamPort kParams[] = {
  {"time", Lv2Unit::kMs, 1000.0, false, nullptr, nullptr},
  {"mode", Lv2Unit::kNone, 1.0, false, "Off", "On"},
};
constexpr Lv2AudioPort kIn[] = {{"in", "In"}};
constexpr Lv2AudioPort kOut[] = {{"out", "Out"}};
constexpr Lv2OutputPort kMeters[] = {{"meter", "Meter"}};
constexpr Lv2PortTable kTable = {kParams, 2, kIn, 1, kOut, 1, kMeters, 1};

Lv2BundleSpec Spec()
{
  Lv2BundleSpec s;
  s.uri = "urn:test:plug";
  s.uiUri = "urn:test:plug#ui";
  s.name = "Test \"Plug\"";
  s.vendor = "Tester";
  s.binary = "plug.so";
  s.uiBinary = "plugui.so";
  s.ports = &kTable;
  s.ranges = {{"Time", 0.0001, 0.005, 0.001, false}, {"Mode", 0.0, 1.0, 0.0, true}};
  s.presets = {{"Default", "urn:test:plug#default", {0.001, 0.0}}};
  return s;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(BundleWriter, DecimalsAreTheShortestThatReadBackExactly)
{
  EXPECT_EQ(Lv2Decimal(0.707), "0.707");
  EXPECT_EQ(Lv2Decimal(20000.0), "20000.0");
  EXPECT_EQ(Lv2Decimal(-12.0), "-12.0");
  EXPECT_EQ(Lv2Decimal(0.0001 * 1000.0), "0.1");
  for (double v : {1.0 / 3.0, 0.707, 1e-4, 123456.789, -0.5}) {
    EXPECT_EQ(ParseLeadingDouble(Lv2Decimal(v).c_str()), v) << Lv2Decimal(v);
  }
}

TEST(BundleWriter, PortsCarryTheTablesUnitsAndScaledRanges)
{
  const std::string plugin = Lv2PluginText(Spec());
  EXPECT_TRUE(Contains(plugin, "lv2:minimum 0.1 ;\n    lv2:maximum 5.0")) << plugin;
  EXPECT_TRUE(Contains(plugin, "lv2:default 1.0 ;")) << plugin;
  EXPECT_TRUE(Contains(plugin, "units:unit units:ms")) << plugin;
  EXPECT_TRUE(Contains(plugin, "lv2:portProperty lv2:toggled , lv2:integer")) << plugin;
  EXPECT_TRUE(Contains(plugin, "rdfs:label \"On\" ; rdf:value 1.0")) << plugin;
  EXPECT_TRUE(Contains(plugin, "doap:name \"Test \\\"Plug\\\"\"")) << "quotes are escaped: " << plugin;
  // Indices follow the table: parameters, audio in, audio out, meters.
  EXPECT_TRUE(Contains(plugin, "lv2:index 3 ;\n    lv2:symbol \"out\"")) << plugin;
  EXPECT_TRUE(Contains(plugin, "lv2:index 4 ;\n    lv2:symbol \"meter\"")) << plugin;
  const std::string presets = Lv2PresetsText(Spec());
  EXPECT_TRUE(Contains(presets, "lv2:symbol \"time\" ;\n    pset:value 1.0")) << presets;
  const std::string ui = Lv2UiText(Spec());
  EXPECT_TRUE(Contains(ui, "lv2:symbol \"meter\"")) << "the UI hears the meter: " << ui;
}

TEST(BundleWriter, RefusesSpecsThatDescribeABrokenPlugin)
{
  const std::string dir = testing::TempDir();
  std::string error;
  Lv2BundleSpec outside = Spec();
  outside.ranges[0].defaultValue = 1.0;
  EXPECT_FALSE(WriteLv2Bundle(outside, dir, error));
  EXPECT_TRUE(Contains(error, "Time")) << error;
  Lv2BundleSpec shortPreset = Spec();
  shortPreset.presets[0].values.pop_back();
  EXPECT_FALSE(WriteLv2Bundle(shortPreset, dir, error));
  Lv2BundleSpec missingRange = Spec();
  missingRange.ranges.pop_back();
  EXPECT_FALSE(WriteLv2Bundle(missingRange, dir, error));
  EXPECT_FALSE(WriteLv2Bundle(Spec(), dir + "/no/such/dir", error));
}

TEST(BundleWriter, WritesTheFourFiles)
{
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "bundle_writer_test.lv2";
  std::filesystem::create_directories(dir);
  std::string error;
  ASSERT_TRUE(WriteLv2Bundle(Spec(), dir.string(), error)) << error;
  for (const char* f : {kLv2ManifestFile, kLv2PluginFile, kLv2UiFile, kLv2PresetsFile}) {
    EXPECT_GT(std::filesystem::file_size(dir / f), 0u) << f;
  }
  std::filesystem::remove_all(dir);
}
