// VST3 preset files in the layout hosts exchange: header, chunks and the
// list of where they lie, little-endian, read back to the same content;
// class identifiers in their text form from either byte order; damaged and
// hostile files refused without reading past their end.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/TestSeed.h"
#include "tools/Vst3PresetFile.h"

namespace {

using Bytes = std::vector<unsigned char>;

uint64_t LittleAt(const Bytes& b, size_t at, size_t n)
{
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v |= static_cast<uint64_t>(b.at(at + i)) << (8 * i);
  return v;
}

void SetLittleAt(Bytes& b, size_t at, size_t n, uint64_t v)
{
  for (size_t i = 0; i < n; ++i) b.at(at + i) = static_cast<unsigned char>(v >> (8 * i));
}

std::string TextAt(const Bytes& b, size_t at, size_t n) { return std::string(b.begin() + at, b.begin() + at + n); }

Vst3PresetFile Sample()
{
  Vst3PresetFile f;
  f.classId = "C0A5E7B13F424D8A9B617E2D5A9C4F10";
  f.chunks.push_back(Vst3PresetChunk{"Comp", {1, 2, 3, 4, 5}});
  f.chunks.push_back(Vst3PresetChunk{"Cont", {9, 8}});
  return f;
}

// Where the sample's list lies: after the header and its seven bytes of chunks.
constexpr size_t kSampleListAt = kVst3PresetHeaderBytes + 7;

}  // namespace

TEST(Vst3PresetFile, HasThePublishedLayout)
{
  const Bytes b = EncodeVst3Preset(Sample());
  ASSERT_EQ(b.size(), kSampleListAt + 8 + 2 * 20);
  EXPECT_EQ(TextAt(b, 0, 4), "VST3");
  EXPECT_EQ(LittleAt(b, 4, 4), 1u);
  EXPECT_EQ(TextAt(b, 8, 32), "C0A5E7B13F424D8A9B617E2D5A9C4F10");
  EXPECT_EQ(LittleAt(b, 40, 8), kSampleListAt);
  EXPECT_EQ(b[48], 1);
  EXPECT_EQ(b[53], 9);
  EXPECT_EQ(TextAt(b, kSampleListAt, 4), "List");
  EXPECT_EQ(LittleAt(b, kSampleListAt + 4, 4), 2u);
  const size_t entry = kSampleListAt + 8;
  EXPECT_EQ(TextAt(b, entry, 4), "Comp");
  EXPECT_EQ(LittleAt(b, entry + 4, 8), 48u);
  EXPECT_EQ(LittleAt(b, entry + 12, 8), 5u);
  EXPECT_EQ(TextAt(b, entry + 20, 4), "Cont");
  EXPECT_EQ(LittleAt(b, entry + 24, 8), 53u);
  EXPECT_EQ(LittleAt(b, entry + 32, 8), 2u);
}

TEST(Vst3PresetFile, ReadsBackWhatWasWritten)
{
  const TestSeed seed;
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> size(0, 300), byte(0, 255);
  for (int round = 0; round < 50; ++round) {
    Vst3PresetFile f = Sample();
    for (Vst3PresetChunk& c : f.chunks) {
      c.bytes.resize(static_cast<size_t>(size(random)));
      for (unsigned char& x : c.bytes) x = static_cast<unsigned char>(byte(random));
    }
    Vst3PresetFile read;
    std::string error;
    ASSERT_TRUE(ParseVst3Preset(EncodeVst3Preset(f), read, error)) << error;
    EXPECT_EQ(read.classId, f.classId);
    ASSERT_EQ(read.chunks.size(), 2u);
    ASSERT_NE(read.Find(kVst3ComponentChunk), nullptr);
    EXPECT_EQ(read.Find(kVst3ComponentChunk)->bytes, f.chunks[0].bytes);
    EXPECT_EQ(read.Find(kVst3ControllerChunk)->bytes, f.chunks[1].bytes);
    EXPECT_EQ(read.Find("Info"), nullptr);
  }
}

TEST(Vst3PresetFile, ClassTextIsTheSameFromEitherByteOrder)
{
  const unsigned char plain[16] = {0xC0, 0xA5, 0xE7, 0xB1, 0x3F, 0x42, 0x4D, 0x8A,
                                   0x9B, 0x61, 0x7E, 0x2D, 0x5A, 0x9C, 0x4F, 0x10};
  // COM keeps the first group and the two halves of the second reversed.
  const unsigned char com[16] = {0xB1, 0xE7, 0xA5, 0xC0, 0x42, 0x3F, 0x8A, 0x4D,
                                 0x9B, 0x61, 0x7E, 0x2D, 0x5A, 0x9C, 0x4F, 0x10};
  EXPECT_EQ(Vst3ClassIdText(reinterpret_cast<const char*>(plain), false), "C0A5E7B13F424D8A9B617E2D5A9C4F10");
  EXPECT_EQ(Vst3ClassIdText(reinterpret_cast<const char*>(com), true), "C0A5E7B13F424D8A9B617E2D5A9C4F10");
}

TEST(Vst3PresetFile, DamagedFilesAreRefused)
{
  const Bytes whole = EncodeVst3Preset(Sample());
  for (size_t n = 0; n < whole.size(); ++n) {
    Vst3PresetFile read;
    std::string error;
    EXPECT_FALSE(ParseVst3Preset(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)), read, error))
      << "cut to " << n;
  }
  struct Damage
  {
    const char* what;
    size_t at, width;
    uint64_t value;
  };
  const size_t entry = kSampleListAt + 8;
  const Damage damages[] = {
    {"file magic", 0, 4, 0x34545356},
    {"format version", 4, 4, 0},
    {"class text", 8, 1, 'G'},
    {"list offset past the end", 40, 8, 1u << 20},
    {"list offset inside the header", 40, 8, 16},
    {"list magic", kSampleListAt, 4, 0x7473694D},
    {"entry count", kSampleListAt + 4, 4, 0xFFFFFFFF},
    {"chunk offset inside the header", entry + 4, 8, 8},
    {"chunk size past the list", entry + 12, 8, 100},
    {"chunk size wrapping around", entry + 12, 8, UINT64_MAX},
  };
  for (const Damage& d : damages) {
    Bytes b = whole;
    SetLittleAt(b, d.at, d.width, d.value);
    Vst3PresetFile read;
    std::string error;
    EXPECT_FALSE(ParseVst3Preset(b, read, error)) << d.what;
    EXPECT_FALSE(error.empty()) << d.what;
  }
}

TEST(Vst3PresetFile, RandomDamageNeverReadsPastTheEnd)
{
  const TestSeed seed;
  std::mt19937 random(seed);
  const Bytes whole = EncodeVst3Preset(Sample());
  std::uniform_int_distribution<size_t> where(0, whole.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255);
  for (int round = 0; round < 5000; ++round) {
    Bytes b = whole;
    for (int k = 0; k < 3; ++k) b[where(random)] = static_cast<unsigned char>(byte(random));
    Vst3PresetFile read;
    std::string error;
    if (ParseVst3Preset(b, read, error)) {
      size_t held = 0;
      for (const Vst3PresetChunk& c : read.chunks) held += c.bytes.size();
      EXPECT_LE(held, b.size());
    }
  }
}
