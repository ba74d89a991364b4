// Preset files in the layout hosts exchange: programs and banks of values
// or chunks written field by field in big-endian order, read back to the
// same content, and damaged or hostile files refused without reading past
// their end or allocating what they claim.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/TestSeed.h"
#include "tools/PresetFile.h"

namespace {

using Bytes = std::vector<unsigned char>;

uint32_t U32At(const Bytes& b, size_t at)
{
  return (uint32_t{b.at(at)} << 24) | (uint32_t{b.at(at + 1)} << 16) | (uint32_t{b.at(at + 2)} << 8) | b.at(at + 3);
}

std::string FourAt(const Bytes& b, size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); }

void SetU32At(Bytes& b, size_t at, uint32_t v)
{
  for (int i = 0; i < 4; ++i) b.at(at + static_cast<size_t>(i)) = static_cast<unsigned char>(v >> (24 - 8 * i));
}

PresetFile ValuesProgram()
{
  PresetFile f;
  f.pluginId = 0x56584131;
  f.pluginVersion = 10000;
  f.programs.push_back(PresetProgram{"Ab", {0.5f, 1.0f}});
  return f;
}

PresetFile ValuesBank()
{
  PresetFile f = ValuesProgram();
  f.kind = PresetKind::kBank;
  f.formatVersion = 2;
  f.currentProgram = 1;
  f.programs.push_back(PresetProgram{"Second", {0.25f, 0.0f}});
  return f;
}

PresetFile ChunkFile(PresetKind kind)
{
  PresetFile f;
  f.kind = kind;
  f.chunkForm = true;
  f.formatVersion = kind == PresetKind::kBank ? 2 : 1;
  f.pluginId = 0x46617574;
  f.pluginVersion = 3;
  f.chunk = {1, 2, 3, 4, 5};
  if (kind == PresetKind::kProgram) {
    f.chunkParamCount = 2;
    f.programs.push_back(PresetProgram{"Chunky", {}});
  }
  return f;
}

void ExpectSame(const PresetFile& a, const PresetFile& b)
{
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.chunkForm, b.chunkForm);
  EXPECT_EQ(a.formatVersion, b.formatVersion);
  EXPECT_EQ(a.pluginId, b.pluginId);
  EXPECT_EQ(a.pluginVersion, b.pluginVersion);
  if (a.kind == PresetKind::kBank && a.formatVersion >= 2) {
    EXPECT_EQ(a.currentProgram, b.currentProgram);
  }
  EXPECT_EQ(a.chunkParamCount, b.chunkParamCount);
  EXPECT_EQ(a.chunk, b.chunk);
  ASSERT_EQ(a.programs.size(), b.programs.size());
  for (size_t i = 0; i < a.programs.size(); ++i) {
    EXPECT_EQ(a.programs[i].name, b.programs[i].name);
    ASSERT_EQ(a.programs[i].values.size(), b.programs[i].values.size());
    for (size_t k = 0; k < a.programs[i].values.size(); ++k) {
      EXPECT_EQ(0, std::memcmp(&a.programs[i].values[k], &b.programs[i].values[k], sizeof(float)));
    }
  }
}

}  // namespace

TEST(PresetFile, ProgramOfValuesHasThePublishedLayout)
{
  const Bytes b = EncodePresetFile(ValuesProgram());
  ASSERT_EQ(b.size(), kPresetProgramHeaderBytes + 2 * 4);
  EXPECT_EQ(FourAt(b, 0), "CcnK");
  EXPECT_EQ(U32At(b, 4), b.size() - 8);  // the size counts what follows it
  EXPECT_EQ(FourAt(b, 8), "FxCk");
  EXPECT_EQ(U32At(b, 12), 1u);
  EXPECT_EQ(FourAt(b, 16), "VXA1");
  EXPECT_EQ(U32At(b, 20), 10000u);
  EXPECT_EQ(U32At(b, 24), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[28])), "Ab");
  for (size_t i = 30; i < 56; ++i) EXPECT_EQ(b[i], 0) << "name field byte " << i;
  EXPECT_EQ(U32At(b, 56), 0x3F000000u);  // 0.5f
  EXPECT_EQ(U32At(b, 60), 0x3F800000u);  // 1.0f
}

TEST(PresetFile, BankOfValuesHoldsProgramRecordsAfterItsHeader)
{
  const Bytes b = EncodePresetFile(ValuesBank());
  const size_t program = kPresetProgramHeaderBytes + 2 * 4;
  ASSERT_EQ(b.size(), kPresetBankHeaderBytes + 2 * program);
  EXPECT_EQ(FourAt(b, 0), "CcnK");
  EXPECT_EQ(U32At(b, 4), b.size() - 8);
  EXPECT_EQ(FourAt(b, 8), "FxBk");
  EXPECT_EQ(U32At(b, 12), 2u);
  EXPECT_EQ(U32At(b, 24), 2u);  // programs
  EXPECT_EQ(U32At(b, 28), 1u);  // current program, format version 2
  for (size_t i = 32; i < kPresetBankHeaderBytes; ++i) EXPECT_EQ(b[i], 0) << "reserved byte " << i;
  for (size_t p = 0; p < 2; ++p) {
    const size_t at = kPresetBankHeaderBytes + p * program;
    EXPECT_EQ(FourAt(b, at), "CcnK");
    EXPECT_EQ(U32At(b, at + 4), program - 8);
    EXPECT_EQ(FourAt(b, at + 8), "FxCk");
    EXPECT_EQ(FourAt(b, at + 16), "VXA1");
  }
  EXPECT_EQ(U32At(b, kPresetBankHeaderBytes + program + 56), 0x3E800000u);  // 0.25f
}

TEST(PresetFile, ChunkFormsCarrySizeAndBytes)
{
  const Bytes p = EncodePresetFile(ChunkFile(PresetKind::kProgram));
  ASSERT_EQ(p.size(), kPresetProgramHeaderBytes + 4 + 5);
  EXPECT_EQ(FourAt(p, 8), "FPCh");
  EXPECT_EQ(U32At(p, 4), p.size() - 8);
  EXPECT_EQ(U32At(p, 24), 2u);
  EXPECT_EQ(U32At(p, 56), 5u);
  EXPECT_EQ(p[60], 1);
  EXPECT_EQ(p.back(), 5);

  const Bytes b = EncodePresetFile(ChunkFile(PresetKind::kBank));
  ASSERT_EQ(b.size(), kPresetBankHeaderBytes + 4 + 5);
  EXPECT_EQ(FourAt(b, 8), "FBCh");
  EXPECT_EQ(U32At(b, kPresetBankHeaderBytes), 5u);
  EXPECT_EQ(b.back(), 5);
}

TEST(PresetFile, EveryFormReadsBackToWhatWasWritten)
{
  const TestSeed seed;
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  std::uniform_int_distribution<int> count(0, 40), letter('a', 'z');
  for (int round = 0; round < 50; ++round) {
    for (PresetFile f : {ValuesProgram(), ValuesBank(), ChunkFile(PresetKind::kProgram), ChunkFile(PresetKind::kBank)}) {
      for (PresetProgram& p : f.programs) {
        p.name.assign(static_cast<size_t>(count(random) % 28), static_cast<char>(letter(random)));
        if (!f.chunkForm) p.values.resize(static_cast<size_t>(count(random)));
        for (float& v : p.values) v = value(random);
      }
      if (f.chunkForm) f.chunk.resize(static_cast<size_t>(count(random)), static_cast<unsigned char>(letter(random)));
      PresetFile read;
      std::string error;
      ASSERT_TRUE(ParsePresetFile(EncodePresetFile(f), read, error)) << error;
      ExpectSame(f, read);
    }
  }
}

TEST(PresetFile, NamesFillTheirFieldAtMost)
{
  PresetFile f = ValuesProgram();
  f.programs[0].name = std::string(40, 'n');
  Bytes b = EncodePresetFile(f);
  EXPECT_EQ(b[28 + kPresetNameFieldBytes - 1], 0);
  PresetFile read;
  std::string error;
  ASSERT_TRUE(ParsePresetFile(b, read, error)) << error;
  EXPECT_EQ(read.programs[0].name, std::string(kPresetNameFieldBytes - 1, 'n'));

  // Some hosts fill all 28 bytes with no terminator.
  b[28 + kPresetNameFieldBytes - 1] = 'n';
  ASSERT_TRUE(ParsePresetFile(b, read, error)) << error;
  EXPECT_EQ(read.programs[0].name, std::string(kPresetNameFieldBytes, 'n'));
}

TEST(PresetFile, TruncatedFilesAreRefused)
{
  for (const PresetFile& f : {ValuesProgram(), ValuesBank(), ChunkFile(PresetKind::kProgram), ChunkFile(PresetKind::kBank)}) {
    const Bytes whole = EncodePresetFile(f);
    for (size_t n = 0; n < whole.size(); ++n) {
      PresetFile read;
      std::string error;
      EXPECT_FALSE(ParsePresetFile(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)), read, error))
        << "cut to " << n << " of " << whole.size();
      EXPECT_FALSE(error.empty());
    }
  }
}

TEST(PresetFile, HostileCountsAndCodesAreRefused)
{
  struct Damage
  {
    const char* what;
    PresetFile file;
    size_t at;
    uint32_t value;
  };
  const Damage damages[] = {
    {"record magic", ValuesProgram(), 0, 0x43636E4C},
    {"layout code", ValuesProgram(), 8, 0x46784358},
    {"parameter count", ValuesProgram(), 24, 0x7FFFFFFF},
    {"negative parameter count", ValuesProgram(), 24, 0xFFFFFFFF},
    {"program count", ValuesBank(), 24, 0x40000000},
    {"program of another plug-in", ValuesBank(), kPresetBankHeaderBytes + 16, 0x41424344},
    {"program chunk size", ChunkFile(PresetKind::kProgram), 56, 0xFFFFFFF0},
    {"bank chunk size", ChunkFile(PresetKind::kBank), kPresetBankHeaderBytes, 6},
    {"chunk program inside a bank", ValuesBank(), kPresetBankHeaderBytes + 8, 0x46504368},
  };
  for (const Damage& d : damages) {
    Bytes b = EncodePresetFile(d.file);
    SetU32At(b, d.at, d.value);
    PresetFile read;
    std::string error;
    EXPECT_FALSE(ParsePresetFile(b, read, error)) << d.what;
    EXPECT_FALSE(error.empty()) << d.what;
  }
}

TEST(PresetFile, RandomDamageNeverReadsPastTheEnd)
{
  const TestSeed seed;
  std::mt19937 random(seed);
  for (const PresetFile& f : {ValuesProgram(), ValuesBank(), ChunkFile(PresetKind::kProgram), ChunkFile(PresetKind::kBank)}) {
    const Bytes whole = EncodePresetFile(f);
    std::uniform_int_distribution<size_t> where(0, whole.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
      Bytes b = whole;
      for (int k = 0; k < 4; ++k) b[where(random)] = static_cast<unsigned char>(byte(random));
      b.resize(where(random) + 1);
      PresetFile read;
      std::string error;
      if (ParsePresetFile(b, read, error)) {
        // Whatever was accepted fits in the bytes it came from.
        size_t held = read.chunk.size();
        for (const PresetProgram& p : read.programs) held += p.values.size() * sizeof(float);
        EXPECT_LE(held, b.size());
      }
    }
  }
}
