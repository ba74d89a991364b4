// The host tool's audio-file input and output, whichever backend the target
// uses: WAV of every kind both backends know, read and written in pieces,
// files cut short counted, and the choice of output format.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/TestSeed.h"
#include "tools/AudioFile.h"
#include "tools/FileBytes.h"

namespace {

std::string TempPath(const char* name) { return testing::TempDir() + name; }

void Put(std::vector<unsigned char>& v, uint32_t x, int bytes)
{
  for (int i = 0; i < bytes; ++i) v.push_back(static_cast<unsigned char>(x >> (8 * i)));
}

// The tail of the sub-format GUID of extensible WAV files.
const unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                     0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// A WAV file from raw sample bytes: plain (tag 1 or 3) or extensible with the
// tag as its sub-format, as most programs write above 16 bits.
std::vector<unsigned char> Wav(int tag, bool extensible, int bits, int channels, const std::vector<unsigned char>& d)
{
  const uint32_t fmtBytes = extensible ? 40 : 16;
  std::vector<unsigned char> v = {'R', 'I', 'F', 'F'};
  Put(v, static_cast<uint32_t>(4 + 8 + fmtBytes + 8 + d.size()), 4);
  v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put(v, fmtBytes, 4);
  Put(v, extensible ? 0xFFFE : static_cast<uint32_t>(tag), 2);
  Put(v, static_cast<uint32_t>(channels), 2);
  Put(v, 44100, 4);
  Put(v, static_cast<uint32_t>(44100 * channels * bits / 8), 4);
  Put(v, static_cast<uint32_t>(channels * bits / 8), 2);
  Put(v, static_cast<uint32_t>(bits), 2);
  if (extensible) {
    Put(v, 22, 2);
    Put(v, static_cast<uint32_t>(bits), 2);
    Put(v, 3, 4);
    Put(v, static_cast<uint32_t>(tag), 2);
    v.insert(v.end(), kGuidTail, kGuidTail + sizeof kGuidTail);
  }
  v.insert(v.end(), {'d', 'a', 't', 'a'});
  Put(v, static_cast<uint32_t>(d.size()), 4);
  v.insert(v.end(), d.begin(), d.end());
  return v;
}

std::vector<unsigned char> Ints(const std::vector<int64_t>& samples, int bits)
{
  std::vector<unsigned char> d;
  for (int64_t s : samples) Put(d, static_cast<uint32_t>(bits == 8 ? s + 128 : s), bits / 8);
  return d;
}

std::vector<unsigned char> Floats(const std::vector<double>& samples, int bits)
{
  std::vector<unsigned char> d;
  for (double s : samples) {
    if (bits == 32) {
      const float f = static_cast<float>(s);
      uint32_t b;
      std::memcpy(&b, &f, 4);
      Put(d, b, 4);
    } else {
      uint64_t b;
      std::memcpy(&b, &s, 8);
      Put(d, static_cast<uint32_t>(b), 4);
      Put(d, static_cast<uint32_t>(b >> 32), 4);
    }
  }
  return d;
}

bool ReadBytes(const std::vector<unsigned char>& file, AudioData& a, std::string& error)
{
  const std::string path = TempPath("vexa_audio_bytes.wav");
  if (!WriteFileBytes(path, file.data(), file.size())) return false;
  const bool ok = ReadAudioFile(path, a, error);
  std::remove(path.c_str());
  return ok;
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
  // Compressed sample data (tag 2, ADPCM), plainly and as an extensible
  // sub-format, and an extensible file whose sub-format GUID is foreign.
  for (bool extensible : {false, true}) {
    std::vector<unsigned char> adpcm = Wav(2, extensible, 4, 1, {1, 2, 3, 4});
    ASSERT_TRUE(WriteFileBytes(bad, adpcm.data(), adpcm.size()));
    error.clear();
    EXPECT_FALSE(ReadAudioFile(bad, a, error));
    EXPECT_FALSE(error.empty());
  }
  std::vector<unsigned char> foreign = Wav(1, true, 16, 1, {1, 2, 3, 4});
  foreign[12 + 8 + 30] ^= 0xFF;  // inside the GUID's tail
  ASSERT_TRUE(WriteFileBytes(bad, foreign.data(), foreign.size()));
  EXPECT_FALSE(ReadAudioFile(bad, a, error));
  // A header cut inside the format chunk.
  std::vector<unsigned char> cutHeader = Wav(1, true, 24, 2, Ints({1, 2}, 24));
  cutHeader.resize(30);
  ASSERT_TRUE(WriteFileBytes(bad, cutHeader.data(), cutHeader.size()));
  error.clear();
  EXPECT_FALSE(ReadAudioFile(bad, a, error));
  EXPECT_FALSE(error.empty());
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

TEST(AudioFile, PlainAndExtensibleWavOfEverySampleTypeAreRead)
{
  struct Case
  {
    int tag, bits;
    std::vector<unsigned char> data;
    const char* sample;
    std::vector<float> expected;
  };
  const Case cases[] = {
    {1, 8, Ints({0, 64, -128, 127}, 8), "pcm8", {0.0f, 0.5f, -1.0f, 127.0f / 128.0f}},
    {1, 16, Ints({0, 16384, -32768, 32767}, 16), "pcm16", {0.0f, 0.5f, -1.0f, 32767.0f / 32768.0f}},
    {1, 24, Ints({0, 0x400000, -0x800000, -0x200000}, 24), "pcm24", {0.0f, 0.5f, -1.0f, -0.25f}},
    {1, 32, Ints({0, 0x40000000, -0x7FFFFFFF - 1, -0x20000000}, 32), "pcm32", {0.0f, 0.5f, -1.0f, -0.25f}},
    {3, 32, Floats({0.0, 0.5, -1.5, 1e-3}, 32), "float", {0.0f, 0.5f, -1.5f, 1e-3f}},
    {3, 64, Floats({0.0, 0.5, -1.5, 1e-3}, 64), "double", {0.0f, 0.5f, -1.5f, 1e-3f}},
  };
  for (const Case& c : cases) {
    for (bool extensible : {false, true}) {
      const std::string what = std::string(c.sample) + (extensible ? " extensible" : " plain");
      AudioData a;
      std::string error;
      ASSERT_TRUE(ReadBytes(Wav(c.tag, extensible, c.bits, 2, c.data), a, error)) << what << ": " << error;
      EXPECT_EQ(a.channels, 2) << what;
      EXPECT_EQ(a.rate, 44100) << what;
      EXPECT_EQ(a.samples, c.expected) << what;
      EXPECT_EQ(a.format.container, extensible ? "wavex" : "wav") << what;
      EXPECT_EQ(a.format.sample, c.sample) << what;
    }
  }
}

TEST(AudioFile, EveryWavKindIsWrittenAndReadBack)
{
  AudioData a;
  a.channels = 2;
  a.rate = 48000;
  a.samples = {0.0f, 0.5f, -0.25f, 0.75f, -1.0f, 0.125f, 1.5f, -2.0f};
  const std::string path = TempPath("vexa_write_kinds.wav");
  for (const char* container : {"wav", "wavex"}) {
    for (const char* sample : {"pcm8", "pcm16", "pcm24", "pcm32", "float", "double"}) {
      const AudioFormat f{container, sample};
      std::string error;
      ASSERT_TRUE(WriteAudioFile(path, a, f, error)) << AudioFormatName(f) << ": " << error;
      AudioData b;
      ASSERT_TRUE(ReadAudioFile(path, b, error)) << AudioFormatName(f) << ": " << error;
      EXPECT_EQ(b.format.container, container);
      EXPECT_EQ(b.format.sample, sample);
      ASSERT_EQ(b.samples.size(), a.samples.size());
      const bool floats = !std::strcmp(sample, "float") || !std::strcmp(sample, "double");
      const double step = !std::strcmp(sample, "pcm8") ? 1.0 / 128 : 1.0 / 32768;
      for (size_t i = 0; i < a.samples.size(); ++i) {
        // Integer samples clip at full scale; floats keep what lies beyond.
        const double want = floats ? a.samples[i] : std::max(-1.0, std::min(1.0, double(a.samples[i])));
        EXPECT_NEAR(b.samples[i], want, floats ? 0.0 : step) << AudioFormatName(f) << " sample " << i;
      }
    }
  }
  std::remove(path.c_str());
}

TEST(AudioFile, OutputKeepsTheInputContainerInFloatWhereItCan)
{
  EXPECT_EQ(AudioFormatName(OutputFormatFor(AudioFormat{"wav", "pcm16"})), "wav:float");
  EXPECT_EQ(AudioFormatName(OutputFormatFor(AudioFormat{"wavex", "pcm24"})), "wavex:float");
  EXPECT_EQ(AudioFormatName(OutputFormatFor(AudioFormat{"aiff", "pcm24"})), "aiff:float");
  EXPECT_EQ(AudioFormatName(OutputFormatFor(AudioFormat{"flac", "pcm16"})), "flac:pcm24");
  EXPECT_EQ(AudioFormatName(OutputFormatFor(AudioFormat{"ogg", "vorbis"})), "ogg:vorbis");
  EXPECT_EQ(AudioFormatName(OutputFormatFor(AudioFormat{"other", "other"})), "wav:float");
  AudioFormat f;
  std::string error;
  ASSERT_TRUE(ParseAudioFormat("wav:pcm24", f, error)) << error;
  EXPECT_EQ(AudioFormatName(f), "wav:pcm24");
  ASSERT_TRUE(ParseAudioFormat("wavex", f, error)) << error;
  EXPECT_EQ(AudioFormatName(f), "wavex:float");
  for (const char* bad : {"", ":float", "wav:", "wav:pcm12", "mid", "wav:vorbis"}) {
    error.clear();
    EXPECT_FALSE(ParseAudioFormat(bad, f, error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(AudioFile, AFileCutShortIsReadAsFarAsItGoesAndTheMissingFramesAreCounted)
{
  std::vector<int32_t> samples;
  for (int i = 0; i < 2 * 1000; ++i) samples.push_back(i);
  std::vector<unsigned char> file = PcmWav(16, 2, samples);
  file.resize(file.size() - 4 * 300 - 2);  // 300 frames and half of one more
  const std::string path = TempPath("vexa_cut.wav");
  ASSERT_TRUE(WriteFileBytes(path, file.data(), file.size()));
  AudioReader reader;
  std::string error;
  ASSERT_TRUE(reader.Open(path, error)) << error;
  std::vector<float> block(2 * 256);
  long long frames = 0, got;
  while ((got = reader.Read(block.data(), 256, error)) > 0) {
    EXPECT_EQ(block[0], static_cast<float>(2 * frames) / 32768.0f);
    frames += got;
  }
  EXPECT_EQ(got, 0) << error;
  EXPECT_EQ(frames, 699);
  EXPECT_EQ(reader.MissingFrames(), 301);
  AudioData whole;
  EXPECT_FALSE(ReadAudioFile(path, whole, error));
  EXPECT_EQ(error, "the file is cut short: 301 frames missing");
  std::remove(path.c_str());
}

TEST(AudioFile, ADataChunkOfUnknownLengthIsReadToTheEnd)
{
  std::vector<unsigned char> file = PcmWav(16, 1, {100, 200, 300});
  const size_t sizeAt = file.size() - 3 * 2 - 4;
  for (size_t i = 0; i < 4; ++i) file[sizeAt + i] = 0xFF;  // as streaming writers leave it
  const std::string path = TempPath("vexa_open_ended.wav");
  ASSERT_TRUE(WriteFileBytes(path, file.data(), file.size()));
  AudioData a;
  std::string error;
  ASSERT_TRUE(ReadAudioFile(path, a, error)) << error;
  EXPECT_EQ(a.samples, (std::vector<float>{100 / 32768.0f, 200 / 32768.0f, 300 / 32768.0f}));
  std::remove(path.c_str());
}

TEST(AudioFile, ReadingAndWritingInPiecesGivesTheWholeFile)
{
  TestSeed seed;
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  std::uniform_int_distribution<long long> piece(1, 97);
  std::vector<float> samples(2 * 5000);
  for (float& s : samples) s = value(rng);
  const std::string path = TempPath("vexa_pieces.wav");
  std::string error;
  {
    AudioWriter writer;
    ASSERT_TRUE(writer.Open(path, AudioFormat{"wav", "float"}, 2, 44100, error)) << error;
    for (long long at = 0; at < 5000;) {
      const long long n = std::min(5000 - at, piece(rng));
      ASSERT_TRUE(writer.Write(samples.data() + 2 * at, n, error)) << error;
      at += n;
    }
    ASSERT_TRUE(writer.Finish(error)) << error;
  }
  AudioReader reader;
  ASSERT_TRUE(reader.Open(path, error)) << error;
  EXPECT_EQ(reader.Frames(), 5000);
  std::vector<float> read, block(2 * 97);
  long long got;
  while ((got = reader.Read(block.data(), piece(rng), error)) > 0) {
    read.insert(read.end(), block.begin(), block.begin() + 2 * got);
  }
  EXPECT_EQ(read, samples);
  EXPECT_EQ(reader.MissingFrames(), 0);
  std::remove(path.c_str());
}

TEST(AudioFile, AFolderIsNamedAsOne)
{
  AudioReader reader;
  std::string error;
  EXPECT_FALSE(reader.Open(testing::TempDir(), error));
  EXPECT_EQ(error, "a folder, not an audio file");
}

TEST(AudioFile, OutputNamesChooseTheirContainer)
{
  EXPECT_EQ(ContainerForName("out.wav"), "wav");
  EXPECT_EQ(ContainerForName("dir.flac/OUT.AIF"), "aiff");
  EXPECT_EQ(ContainerForName("take.Flac"), "flac");
  EXPECT_EQ(ContainerForName("dir.flac/out"), "");
  EXPECT_EQ(ContainerForName("out.txt"), "");
  EXPECT_TRUE(ContainerFitsExtension("wavex", "wav"));
  EXPECT_TRUE(ContainerFitsExtension("rf64", "wav"));
  EXPECT_FALSE(ContainerFitsExtension("flac", "wav"));
  EXPECT_FALSE(ContainerFitsExtension("wav", "aiff"));
}
