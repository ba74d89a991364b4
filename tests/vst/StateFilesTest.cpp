// Restores the committed program and bank chunks of tests/data/state into
// the built module and checks the outcome of each against what it has always
// been: the answer of effSetChunk, every parameter value to the bit and the
// preset name. Chunks saved by an earlier build must also be saved again byte
// for byte. Any change to the stored format or to how damaged chunks are read
// shows up here on every target.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "tools/FileBytes.h"
#include "tools/HostedPlugin.h"

namespace {

constexpr int kParams = 9;
constexpr bool kProgram = true;
constexpr bool kBank = false;

// Parameter values: Q, Frequency, Attack, Release, Intensity, Mix, Output,
// Pitch, Sequence.
const double kDefaults[kParams] = {0x1.69fbe76c8b439p-1, 0x1.388p+14, 0x1.0624dd2f1a9fcp-10, 0x1.999999999999ap-4, 0,
                                   0, 0, 0, 0};
const double kSettings[kParams] = {2.5, 1234.56, 0.0033, 0.3, 45.5, 12.25, -3, 7, 1};
// A program cut inside its fifth value: four values read, the fifth set to
// its range's value nearest 0, the rest untouched.
const double kCutInFifth[kParams] = {2.5, 1234.56, 0.0033, 0.3, 0, 0, 0, 0, 0};
// Only the header: the first value fails and becomes Q's minimum.
const double kHeaderOnly[kParams] = {0.4, 20000, 0x1.0624dd2f1a9fcp-10, 0x1.999999999999ap-4, 0, 0, 0, 0, 0};
// 1e9, -1e9, infinity, -infinity, NaN, the smallest subnormal, 1e9, -1e9,
// NaN: limited to each range (NaN to the maximum), the subnormal kept.
const double kOutOfRange[kParams] = {7, 100, 0.005, 0.05, 90, 0x0.0000000000001p-1022, 12, -12, 1};
// A wrong magic: the nine values are read from byte 0, shifted by one.
const double kWrongMagic[kParams] = {0.4, 100, 0.005, 0.05, 0.3, 45.5, 12, -3, 1};

struct StateFile
{
  const char* name;
  bool program;          // restored as a program chunk, else as a bank chunk
  VstIntPtr result;      // effSetChunk's answer
  const double* values;  // parameter values afterwards
  const char* preset;    // the current preset's name afterwards
};

const StateFile kFiles[] = {
  {"program-default.bin", kProgram, 1, kDefaults, "-"},
  {"program-settings.bin", kProgram, 1, kSettings, "-"},
  {"program-trailing-bytes.bin", kProgram, 1, kSettings, "-"},
  {"program-values-without-header.bin", kProgram, 1, kSettings, "-"},
  {"program-wrong-magic.bin", kProgram, 1, kWrongMagic, "-"},
  {"program-out-of-range.bin", kProgram, 1, kOutOfRange, "-"},
  {"program-cut-inside-fifth-value.bin", kProgram, 0, kCutInFifth, "-"},
  {"program-header-only.bin", kProgram, 0, kHeaderOnly, "-"},
  {"program-magic-only.bin", kProgram, 0, kDefaults, "-"},
  {"empty.bin", kProgram, 0, kDefaults, "-"},
  {"bank-default.bin", kBank, 1, kDefaults, "-"},
  {"bank-settings.bin", kBank, 1, kSettings, "-"},
  {"bank-older-version.bin", kBank, 1, kSettings, "-"},
  {"bank-newer-version.bin", kBank, 1, kSettings, "-"},
  {"bank-long-name.bin", kBank, 1, kSettings, "nnnnnnnnnnnnnnnnnnnnnnn"},
  {"bank-name-with-zero-byte.bin", kBank, 1, kSettings, "a"},
  {"bank-slot-not-initialised.bin", kBank, 1, kDefaults, "user preset 1"},
  // A bank that fails part-way restores the current preset as it was.
  {"bank-cut-inside-values.bin", kBank, 0, kDefaults, "-"},
  {"bank-cut-before-flag.bin", kBank, 0, kDefaults, "-"},
  {"bank-cut-inside-name-length.bin", kBank, 0, kDefaults, ""},
  {"bank-huge-name-length.bin", kBank, 0, kDefaults, ""},
  {"bank-negative-name-length.bin", kBank, 0, kDefaults, ""},
  {"empty.bin", kBank, 0, kDefaults, "-"},
};

// The files saved by a build, which a build must save again unchanged.
const char* const kSavedFiles[] = {"program-default.bin", "program-settings.bin", "bank-default.bin",
                                   "bank-settings.bin"};

std::vector<unsigned char> ReadStateFile(const char* name)
{
  std::vector<unsigned char> bytes;
  ReadFileBytes(std::string(VEXA_STATE_DIR) + "/" + name, bytes);
  return bytes;
}

class StateFiles : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(host.Load(VEXA_MODULE_PATH)) << host.Error();
    host.Open(44100.0, 1024);
  }

  VstIntPtr Restore(bool program, std::vector<unsigned char> bytes)
  {
    return host.Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()),
                         bytes.empty() ? nullptr : bytes.data());
  }

  std::vector<unsigned char> Save(bool program)
  {
    void* data = nullptr;
    const VstIntPtr n = host.Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (n <= 0 || !data) return {};
    return std::vector<unsigned char>(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + n);
  }

  HostedPlugin host;
};

}  // namespace

TEST_F(StateFiles, SavedStateIsSavedAgainByteForByte)
{
  for (const char* name : kSavedFiles) {
    const std::vector<unsigned char> bytes = ReadStateFile(name);
    ASSERT_FALSE(bytes.empty()) << name;
    const bool program = std::strncmp(name, "program", 7) == 0;
    EXPECT_EQ(Restore(program, bytes), 1) << name;
    EXPECT_EQ(Save(program), bytes) << name;
  }
}

TEST_F(StateFiles, EveryFileRestoresAsItAlwaysHas)
{
  for (const StateFile& f : kFiles) {
    HostedPlugin fresh;
    ASSERT_TRUE(fresh.Load(VEXA_MODULE_PATH)) << fresh.Error();
    fresh.Open(44100.0, 1024);
    std::vector<unsigned char> bytes = ReadStateFile(f.name);
    const std::string what = std::string(f.name) + (f.program ? " as a program" : " as a bank");
    EXPECT_EQ(fresh.Dispatch(effSetChunk, f.program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()),
                             bytes.empty() ? nullptr : bytes.data()),
              f.result)
      << what;
    void* data = nullptr;
    ASSERT_EQ(fresh.Dispatch(effGetChunk, 1, 0, &data), 8 + 8 * kParams) << what;
    for (int i = 0; i < kParams; ++i) {
      double v;
      std::memcpy(&v, static_cast<unsigned char*>(data) + 8 + 8 * i, sizeof v);
      uint64_t got, want;
      std::memcpy(&got, &v, sizeof got);
      std::memcpy(&want, &f.values[i], sizeof want);
      EXPECT_EQ(got, want) << what << ": parameter " << i << " is " << v << ", expected " << f.values[i];
    }
    char preset[256] = {};
    fresh.Dispatch(effGetProgramName, 0, 0, preset);
    EXPECT_STREQ(preset, f.preset) << what;
  }
}
