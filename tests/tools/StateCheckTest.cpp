// The look vexa-host takes at a file given as Vexa's state: the committed
// saved and damaged states are Vexa states (sound or damaged, with what is
// wrong), other files are refused with the reason.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tests/TestSeed.h"
#include "tools/FileBytes.h"
#include "tools/StateCheck.h"

namespace {

constexpr int kParams = 9;
constexpr int kPrograms = 1;

StateCheck CheckFile(const std::string& name, bool program)
{
  std::vector<unsigned char> bytes;
  EXPECT_TRUE(ReadFileBytes(std::string(VEXA_STATE_DIR) + "/" + name, bytes)) << name;
  return CheckVexaState(bytes, program, kParams, kPrograms);
}

const char* Name(StateVerdict v)
{
  return v == StateVerdict::kSound ? "sound" : v == StateVerdict::kDamaged ? "damaged" : "foreign";
}

}  // namespace

TEST(StateCheck, TheCommittedStatesAreVexaStatesSoundOrDamagedWithTheReason)
{
  struct Case
  {
    const char* file;
    bool program;
    StateVerdict verdict;
    const char* reason;
  };
  const Case cases[] = {
    {"bank-default.bin", false, StateVerdict::kSound, ""},
    {"bank-settings.bin", false, StateVerdict::kSound, ""},
    {"bank-long-name.bin", false, StateVerdict::kSound, ""},
    {"bank-name-with-zero-byte.bin", false, StateVerdict::kSound, ""},
    {"bank-newer-version.bin", false, StateVerdict::kSound, ""},
    {"bank-slot-not-initialised.bin", false, StateVerdict::kSound, ""},
    {"bank-older-version.bin", false, StateVerdict::kSound, ""},  // read as one program's values
    {"program-default.bin", true, StateVerdict::kSound, ""},
    {"program-settings.bin", true, StateVerdict::kSound, ""},
    {"program-out-of-range.bin", true, StateVerdict::kSound, ""},  // the plug-in limits the values
    {"program-values-without-header.bin", true, StateVerdict::kSound, ""},
    {"bank-cut-before-flag.bin", false, StateVerdict::kDamaged, "cut short before the flag of program 1"},
    {"bank-cut-inside-name-length.bin", false, StateVerdict::kDamaged, "cut short inside the name of program 1"},
    {"bank-cut-inside-values.bin", false, StateVerdict::kDamaged, "cut short after 4 of its 9 values"},
    {"bank-huge-name-length.bin", false, StateVerdict::kDamaged, "the name of program 1 claims 2147483647 bytes"},
    {"bank-negative-name-length.bin", false, StateVerdict::kDamaged, "the name of program 1 claims -2 bytes"},
    {"program-cut-inside-fifth-value.bin", true, StateVerdict::kDamaged, "cut short after 4 of its 9 values"},
    {"program-header-only.bin", true, StateVerdict::kDamaged, "cut short after 0 of its 9 values"},
    {"program-magic-only.bin", true, StateVerdict::kDamaged, "cut short inside its header"},
    {"program-trailing-bytes.bin", true, StateVerdict::kDamaged, "8 bytes after its values"},
    {"bank-default.bin", true, StateVerdict::kDamaged, "6 bytes after its values"},
    {"program-default.bin", false, StateVerdict::kDamaged, "the name of program 1 claims 1992864825 bytes"},
    {"program-wrong-magic.bin", true, StateVerdict::kForeign,
     "not a Vexa state: it does not begin with Vexa's state header"},
    {"empty.bin", false, StateVerdict::kForeign, "not a Vexa state: the file is empty"},
  };
  for (const Case& c : cases) {
    const StateCheck check = CheckFile(c.file, c.program);
    EXPECT_STREQ(Name(check.verdict), Name(c.verdict)) << c.file << (c.program ? " as a program" : " as a bank");
    EXPECT_EQ(check.reason, c.reason) << c.file;
  }
}

TEST(StateCheck, FilesOfOtherKindsAreNoVexaState)
{
  // A text, the start of a WAV file, and random bytes of every length up
  // to two states' worth (seeded).
  const std::string text = "# Vexa\n\nVexa is a stereo audio effect for hosts that load VST 2.4 plug-ins, on\n";
  const std::vector<unsigned char> readme(text.begin(), text.end());
  const unsigned char wav[] = {'R', 'I', 'F', 'F', 0x24, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  for (const std::vector<unsigned char>& bytes : {readme, std::vector<unsigned char>(wav, wav + sizeof wav)}) {
    for (bool program : {false, true}) {
      EXPECT_EQ(CheckVexaState(bytes, program, kParams, kPrograms).verdict, StateVerdict::kForeign);
    }
  }
  TestSeed seed;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  for (size_t size = 1; size <= 2 * (8 + 8 * kParams); ++size) {
    std::vector<unsigned char> bytes(size);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(byte(rng));
    if (bytes.size() >= 4 && bytes[0] == 0x74 && bytes[1] == 0x66 && bytes[2] == 0x66 && bytes[3] == 0x70) continue;
    const StateCheck check = CheckVexaState(bytes, true, kParams, kPrograms);
    // Random values rarely pass for nine plain values; when they do, the
    // file has exactly their size.
    if (check.verdict != StateVerdict::kForeign) {
      EXPECT_EQ(size, 8u * kParams) << "size " << size;
    }
  }
}
