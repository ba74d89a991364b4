// Preset files through real plug-ins, as hosts use them: Vexa's settings
// saved as a program or a bank of values and loaded into a fresh instance
// give the same values and name; a plug-in that keeps chunks is saved and
// restored through its chunk; the VST3 edition's presets carry its state
// and its class; files for another plug-in or with values the plug-in
// cannot take are refused without touching it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "plugin/VexaIdentity.h"
#include "tools/FileBytes.h"
#include "tools/HostPresets.h"

namespace {

std::string Temp(const std::string& name) { return testing::TempDir() + "vexa_presets_" + name; }

std::vector<float> Values(HostedPlugin& host)
{
  AEffect* e = host.Effect();
  std::vector<float> v;
  for (int i = 0; i < e->numParams; ++i) v.push_back(e->getParameter(e, i));
  return v;
}

std::string ProgramName(HostedPlugin& host)
{
  char name[256] = {};
  host.Dispatch(effGetProgramName, 0, 0, name);
  return name;
}

class HostPresets : public ::testing::Test
{
protected:
  void Open(HostedPlugin& host, const char* path)
  {
    ASSERT_TRUE(host.Load(path)) << host.Error();
    host.Open(44100.0, 512);
  }

  // A Vexa instance with settings a host would type in.
  void OpenTuned(HostedPlugin& host)
  {
    Open(host, VEXA_MODULE_PATH);
    for (const char* s : {"Pitch=7", "Mix=40", "Frequency=3000", "Q=2.5", "Sequence=1"}) {
      const std::string text(s);
      const size_t eq = text.find('=');
      ASSERT_TRUE(host.SetParamText(host.FindParam(text.substr(0, eq)), text.substr(eq + 1))) << s;
    }
    NameCurrentProgram(host, "Fifth Up");
  }
};

}  // namespace

TEST_F(HostPresets, FileKindFollowsTheExtension)
{
  PresetKind kind;
  EXPECT_TRUE(PresetKindOfPath("a/b.FXP", kind));
  EXPECT_EQ(kind, PresetKind::kProgram);
  EXPECT_TRUE(PresetKindOfPath("bank.fxb", kind));
  EXPECT_EQ(kind, PresetKind::kBank);
  EXPECT_FALSE(PresetKindOfPath("state.bin", kind));
  EXPECT_FALSE(PresetKindOfPath("fxp", kind));
}

TEST_F(HostPresets, VexaProgramsAndBanksRestoreValuesAndName)
{
  for (const char* file : {"program.fxp", "bank.fxb"}) {
    const std::string path = Temp(file);
    std::vector<float> saved;
    {
      HostedPlugin host;
      OpenTuned(host);
      saved = Values(host);
      std::string error;
      ASSERT_TRUE(SavePresetFile(host, path, error)) << error;
      // Saving leaves the instance as it was.
      EXPECT_EQ(Values(host), saved);
    }
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFileBytes(path, bytes));
    PresetFile parsed;
    std::string error;
    ASSERT_TRUE(ParsePresetFile(bytes, parsed, error)) << error;
    EXPECT_FALSE(parsed.chunkForm) << "Vexa's programs are its parameter values";
    EXPECT_EQ(parsed.pluginId, kVexaVst2UniqueId);
    EXPECT_EQ(parsed.pluginVersion, kVexaDecimalVersion);

    HostedPlugin fresh;
    Open(fresh, VEXA_MODULE_PATH);
    ASSERT_NE(Values(fresh), saved);
    ASSERT_TRUE(LoadPresetFile(fresh, path, error)) << error;
    EXPECT_EQ(Values(fresh), saved) << file;
    EXPECT_EQ(ProgramName(fresh), "Fifth Up") << file;
    std::remove(path.c_str());
  }
}

TEST_F(HostPresets, ChunkKeepingPluginIsSavedThroughItsChunk)
{
  for (PresetKind kind : {PresetKind::kProgram, PresetKind::kBank}) {
    PresetFile file;
    std::vector<float> saved;
    {
      HostedPlugin host;
      Open(host, VEXA_FAULTY_PLUGIN_PATH);
      AEffect* e = host.Effect();
      e->setParameter(e, 0, 0.3f);
      e->setParameter(e, 1, 0.75f);
      saved = Values(host);
      ASSERT_TRUE(CapturePreset(host, kind, file));
    }
    EXPECT_TRUE(file.chunkForm);
    EXPECT_FALSE(file.chunk.empty());
    HostedPlugin fresh;
    Open(fresh, VEXA_FAULTY_PLUGIN_PATH);
    std::string error;
    ASSERT_TRUE(ApplyPreset(fresh, file, error)) << error;
    EXPECT_EQ(Values(fresh), saved);
  }
}

TEST_F(HostPresets, UnsuitableFilesAreRefusedAndChangeNothing)
{
  HostedPlugin source;
  OpenTuned(source);
  PresetFile good;
  ASSERT_TRUE(CapturePreset(source, PresetKind::kProgram, good));

  struct Case
  {
    const char* what;
    PresetFile file;
  };
  std::vector<Case> cases;
  cases.push_back({"another plug-in's ID", good});
  cases.back().file.pluginId = 0x41424344;
  cases.push_back({"more values than parameters", good});
  cases.back().file.programs[0].values.push_back(0.5f);
  cases.push_back({"a value that is not a number", good});
  cases.back().file.programs[0].values[3] = std::nanf("");
  cases.push_back({"a chunk for a plug-in of values", good});
  cases.back().file.chunkForm = true;
  cases.back().file.chunk = {1, 2, 3};
  cases.push_back({"more programs than the plug-in has", good});
  cases.back().file.kind = PresetKind::kBank;
  cases.back().file.programs.push_back(good.programs[0]);

  HostedPlugin target;
  Open(target, VEXA_MODULE_PATH);
  const std::vector<float> before = Values(target);
  const std::string nameBefore = ProgramName(target);
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(ApplyPreset(target, c.file, error)) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
    EXPECT_EQ(Values(target), before) << c.what;
    EXPECT_EQ(ProgramName(target), nameBefore) << c.what;
  }
}

TEST_F(HostPresets, ValuesJustOutsideTheRangeAreHeldToIt)
{
  HostedPlugin host;
  Open(host, VEXA_MODULE_PATH);
  PresetFile file;
  ASSERT_TRUE(CapturePreset(host, PresetKind::kProgram, file));
  file.programs[0].values[0] = 1.0000001f;
  file.programs[0].values[1] = -0.0000001f;
  std::string error;
  ASSERT_TRUE(ApplyPreset(host, file, error)) << error;
  EXPECT_EQ(Values(host)[0], 1.0f);
  EXPECT_EQ(Values(host)[1], 0.0f);
}

TEST_F(HostPresets, Vst3PresetsCarryTheStateOfTheirClass)
{
  const std::string path = Temp("vexa.vstpreset");
  std::vector<float> saved;
  {
    HostedPlugin host;
    Open(host, VEXA_VST3_BUNDLE_PATH);
    for (const char* s : {"Pitch=-12", "Mix=60", "Sequence=1"}) {
      const std::string text(s);
      const size_t eq = text.find('=');
      ASSERT_TRUE(host.SetParamText(host.FindParam(text.substr(0, eq)), text.substr(eq + 1))) << s;
    }
    saved = Values(host);
    std::string error;
    ASSERT_TRUE(SavePresetFile(host, path, error)) << error;
  }
  std::vector<unsigned char> bytes;
  ASSERT_TRUE(ReadFileBytes(path, bytes));
  Vst3PresetFile file;
  std::string error;
  ASSERT_TRUE(ParseVst3Preset(bytes, file, error)) << error;
  EXPECT_EQ(file.classId, VEXA_VST3_CLASS_TEXT);
  ASSERT_NE(file.Find(kVst3ComponentChunk), nullptr);

  HostedPlugin fresh;
  Open(fresh, VEXA_VST3_BUNDLE_PATH);
  ASSERT_NE(Values(fresh), saved);
  ASSERT_TRUE(LoadPresetFile(fresh, path, error)) << error;
  EXPECT_EQ(Values(fresh), saved);

  // Another class's preset, a preset without the component's state and a
  // VST3 preset for the VST2 edition change nothing.
  const std::vector<float> before = Values(fresh);
  Vst3PresetFile other = file;
  other.classId[0] = other.classId[0] == 'A' ? 'B' : 'A';
  EXPECT_FALSE(ApplyVst3Preset(fresh, other, error));
  Vst3PresetFile empty = file;
  empty.chunks.clear();
  EXPECT_FALSE(ApplyVst3Preset(fresh, empty, error));
  EXPECT_EQ(Values(fresh), before);
  HostedPlugin vst2;
  Open(vst2, VEXA_MODULE_PATH);
  EXPECT_FALSE(LoadPresetFile(vst2, path, error));
  EXPECT_NE(error.find("VST2"), std::string::npos) << error;
  std::remove(path.c_str());
}

TEST_F(HostPresets, UnreadableAndDamagedFilesNameThemselves)
{
  HostedPlugin host;
  Open(host, VEXA_MODULE_PATH);
  std::string error;
  EXPECT_FALSE(LoadPresetFile(host, Temp("missing.fxp"), error));
  EXPECT_NE(error.find("missing.fxp"), std::string::npos) << error;

  const std::string path = Temp("garbage.fxp");
  const char garbage[] = "RIFF....WAVEfmt ";
  ASSERT_TRUE(WriteFileBytes(path, garbage, sizeof garbage));
  error.clear();
  EXPECT_FALSE(LoadPresetFile(host, path, error));
  EXPECT_NE(error.find("garbage.fxp"), std::string::npos) << error;
  EXPECT_NE(error.find("not a preset file"), std::string::npos) << error;
  std::remove(path.c_str());
}
