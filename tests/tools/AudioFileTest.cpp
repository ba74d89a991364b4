// The host tool's WAV input and output, whichever backend the target uses.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/AudioFile.h"
#include "tools/FileBytes.h"

namespace {

std::string TempPath(const char* name) { return testing::TempDir() + name; }

void Put(std::vector<unsigned char>& v, uint32_t x, int bytes)
{
  for (int i = 0; i < bytes; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}

// A PCM WAV file with an extra chunk before the data, as some editors write.
std::vector<unsigned char> PcmWav(int bits, int channels, const std::vector<int32_t>& samples)
{
  std::vector<unsigned char> d;
  for (int32_t s : samples) Put(d, static_cast<uint32_t>(s), bits / 8);
  std::vector<unsigned char> v = {'R', 'I', 'F', 'F'};
  Put(v, static_cast<uint32_t>(4 + 24 + 10 + 8 + d.size()), 4);
  v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put(v, 16, 4);
  Put(v, 1, 2);
  Put(v, static_cast<uint32_t>(channels), 2);
  Put(v, 48000, 4);
  Put(v, static_cast<uint32_t>(48000 * channels * bits / 8), 4);
  Put(v, static_cast<uint32_t>(channels * bits / 8), 2);
  Put(v, static_cast<uint32_t>(bits), 2);
  v.insert(v.end(), {'L', 'I', 'S', 'T'});
  Put(v, 1, 4);
  v.push_back('x');
  v.push_back(0);  // pad byte of the odd-sized chunk
  v.insert(v.end(), {'d', 'a', 't', 'a'});
  Put(v, static_cast<uint32_t>(d.size()), 4);
  v.insert(v.end(), d.begin(), d.end());
  return v;
}

}  // namespace

TEST(AudioFile, FloatRoundTripKeepsSamplesExactly)
{
  AudioData a;
  a.channels = 2;
  a.rate = 44100;
  a.samples = {0.0f, -1.0f, 1.5f, 1e-8f, -0.123456f, 0.75f};
  std::string error;
  const std::string path = TempPath("vexa_float.wav");
  ASSERT_TRUE(WriteAudioFile(path, a, error)) << error;
  AudioData b;
  ASSERT_TRUE(ReadAudioFile(path, b, error)) << error;
  EXPECT_EQ(b.channels, 2);
  EXPECT_EQ(b.rate, 44100);
  EXPECT_EQ(b.samples, a.samples);
  std::remove(path.c_str());
}

TEST(AudioFile, PcmSixteenAndTwentyFourBitAreScaledToUnity)
{
  std::string error;
  const std::string p16 = TempPath("vexa_16.wav");
  const std::vector<unsigned char> w16 = PcmWav(16, 1, {0, 16384, -32768, 32767});
  ASSERT_TRUE(WriteFileBytes(p16, w16.data(), w16.size()));
  AudioData a;
  ASSERT_TRUE(ReadAudioFile(p16, a, error)) << error;
  EXPECT_EQ(a.channels, 1);
  EXPECT_EQ(a.rate, 48000);
  ASSERT_EQ(a.samples.size(), 4u);
  EXPECT_EQ(a.samples[1], 0.5f);
  EXPECT_EQ(a.samples[2], -1.0f);

  const std::string p24 = TempPath("vexa_24.wav");
  const std::vector<unsigned char> w24 = PcmWav(24, 2, {0x400000, -0x800000, 0x200000, -0x400000});
  ASSERT_TRUE(WriteFileBytes(p24, w24.data(), w24.size()));
  AudioData b;
  ASSERT_TRUE(ReadAudioFile(p24, b, error)) << error;
  EXPECT_EQ(b.channels, 2);
  ASSERT_EQ(b.Frames(), 2);
  EXPECT_EQ(b.samples[0], 0.5f);
  EXPECT_EQ(b.samples[1], -1.0f);
  EXPECT_EQ(b.samples[3], -0.5f);
  std::remove(p16.c_str());
  std::remove(p24.c_str());
}

TEST(AudioFile, UnsupportedOrDamagedFilesAreRefused)
{
  std::string error;
  AudioData a;
  EXPECT_FALSE(ReadAudioFile(TempPath("vexa_missing.wav"), a, error));
  const std::string bad = TempPath("vexa_bad.wav");
  const char junk[] = "RIFF\x04\0\0\0WAVEjunk";
  ASSERT_TRUE(WriteFileBytes(bad, junk, sizeof junk));
  EXPECT_FALSE(ReadAudioFile(bad, a, error));
  const std::vector<unsigned char> eight = PcmWav(8, 1, {1, 2, 3});
  ASSERT_TRUE(WriteFileBytes(bad, eight.data(), eight.size()));
  EXPECT_FALSE(ReadAudioFile(bad, a, error));
  std::vector<unsigned char> cut = PcmWav(16, 1, {1, 2, 3, 4});
  cut.resize(cut.size() - 3);  // the data chunk claims more than the file holds
  ASSERT_TRUE(WriteFileBytes(bad, cut.data(), cut.size()));
  // Either refused or read as far as the bytes go; never past them.
  a.samples.clear();
  if (ReadAudioFile(bad, a, error)) {
    EXPECT_LE(a.samples.size(), 3u);
  }
  std::remove(bad.c_str());
}
