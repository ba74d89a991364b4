// `vexa-host render` on the audio files musicians have, as the Linux build
// reads them through libsndfile: inputs of every container and sample type
// made here, outputs in the input's container (32-bit float where it holds
// it) or as --out-format asks, and damaged inputs refused with a clear error
// and nothing written.
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/FileBytes.h"

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 6000;
constexpr double kPi = 3.14159265358979323846;

std::string Temp(const std::string& name) { return testing::TempDir() + "vexa_render_" + name; }

bool Exists(const std::string& path)
{
  std::ifstream f(path);
  return f.good();
}

std::string Slurp(const std::string& path)
{
  std::ifstream f(path);
  return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// A stereo test tone written by libsndfile itself.
bool WriteInput(const std::string& path, int format)
{
  SF_INFO info = {};
  info.channels = 2;
  info.samplerate = kRate;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  std::vector<float> s(2 * kFrames);
  for (int k = 0; k < kFrames; ++k) {
    s[2 * k] = static_cast<float>(0.5 * std::sin(2 * kPi * 440.0 * k / kRate));
    s[2 * k + 1] = static_cast<float>(0.25 * std::sin(2 * kPi * 660.0 * k / kRate));
  }
  const bool ok = sf_writef_float(f, s.data(), kFrames) == kFrames;
  return sf_close(f) == 0 && ok;
}

// Runs vexa-host render without a tail, so every output is as long as
// the input; returns its exit status, stderr in errorText.
int Render(const std::string& in, const std::string& out, const std::string& extra, std::string& errorText)
{
  const std::string err = Temp("stderr.txt");
  const std::string cmd = std::string(VEXA_HOST_PATH) + " render " + VEXA_MODULE_PATH + " '" + in + "' '" + out +
                          "' --set Pitch=7 --set Mix=30 --tail 0 " + extra + " 2>'" + err + "'";
  const int status = std::system(cmd.c_str());
  errorText = Slurp(err);
  std::remove(err.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Output
{
  int format = 0;
  std::vector<float> samples;
};

bool ReadOutput(const std::string& path, Output& out)
{
  SF_INFO info = {};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  if (!f) return false;
  out.format = info.format;
  out.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
  const bool ok = sf_readf_float(f, out.samples.data(), info.frames) == info.frames && info.channels == 2;
  sf_close(f);
  return ok;
}

struct Kind
{
  const char* name;
  const char* extension;
  int input;   // libsndfile format of the input
  int output;  // what the output must be by default
  double tolerance;  // largest difference to the float WAV's output
};

const Kind kKinds[] = {
  {"wav-pcm8", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2e-2},
  {"wav-pcm16", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1e-3},
  {"wav-pcm24", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1e-5},
  {"wav-pcm32", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_32, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 1e-6},
  {"wav-double", "wav", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0.0},
  {"wavex-pcm24", "wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 1e-5},
  {"wavex-float", "wav", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 0.0},
  {"aiff-pcm16", "aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 1e-3},
  {"aiff-pcm24", "aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 1e-5},
  {"aiff-float", "aiff", SF_FORMAT_AIFF | SF_FORMAT_FLOAT, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, 0.0},
  {"flac-pcm16", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1e-3},
  {"flac-pcm24", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1e-5},
  {"ogg-vorbis", "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0.1},
  {"caf-double", "caf", SF_FORMAT_CAF | SF_FORMAT_DOUBLE, SF_FORMAT_CAF | SF_FORMAT_FLOAT, 0.0},
};

}  // namespace

TEST(RenderFormats, EveryKindIsRenderedIntoItsOwnContainer)
{
  // The reference: the same tone as a 32-bit float WAV file.
  const std::string refIn = Temp("reference.wav"), refOut = Temp("reference-out.wav");
  ASSERT_TRUE(WriteInput(refIn, SF_FORMAT_WAV | SF_FORMAT_FLOAT));
  std::string error;
  ASSERT_EQ(Render(refIn, refOut, "", error), 0) << error;
  Output reference;
  ASSERT_TRUE(ReadOutput(refOut, reference));
  ASSERT_EQ(reference.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
  ASSERT_EQ(reference.samples.size(), 2u * kFrames);

  for (const Kind& k : kKinds) {
    const std::string in = Temp(std::string(k.name) + "." + k.extension);
    const std::string out = Temp(std::string(k.name) + "-out." + k.extension);
    ASSERT_TRUE(WriteInput(in, k.input)) << k.name;
    ASSERT_EQ(Render(in, out, "", error), 0) << k.name << ": " << error;
    Output o;
    ASSERT_TRUE(ReadOutput(out, o)) << k.name;
    EXPECT_EQ(o.format, k.output) << k.name;
    ASSERT_EQ(o.samples.size(), reference.samples.size()) << k.name;
    double worst = 0.0;
    for (size_t i = 0; i < o.samples.size(); ++i) {
      worst = std::max(worst, std::fabs(double(o.samples[i]) - reference.samples[i]));
    }
    EXPECT_LE(worst, k.tolerance) << k.name;
    std::remove(in.c_str());
    std::remove(out.c_str());
  }

  // --out-format chooses the container and sample type.
  const std::string asked = Temp("asked.aiff");
  ASSERT_EQ(Render(refIn, asked, "--out-format aiff:pcm16", error), 0) << error;
  Output o;
  ASSERT_TRUE(ReadOutput(asked, o));
  EXPECT_EQ(o.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
  std::remove(asked.c_str());
  EXPECT_EQ(Render(refIn, asked, "--out-format flac:float", error), 2);
  EXPECT_NE(error.find("cannot write 'flac:float'"), std::string::npos) << error;
  EXPECT_FALSE(Exists(asked));
  std::remove(refIn.c_str());
  std::remove(refOut.c_str());
}

TEST(RenderFormats, DamagedHeadersAreRefusedAndNothingIsWritten)
{
  struct Damage
  {
    const char* name;
    const char* extension;
    int format;
    size_t at;         // first byte overwritten
    size_t count;      // bytes overwritten with 0xFF
    size_t keep;       // bytes kept (0: all)
  };
  const Damage damages[] = {
    {"wav-cut-in-header", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 0, 0, 30},
    {"wav-broken-format-chunk", "wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 20, 16, 0},
    {"wavex-broken-format-chunk", "wav", SF_FORMAT_WAVEX | SF_FORMAT_FLOAT, 20, 40, 0},
    {"aiff-broken-comm-chunk", "aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 12, 24, 0},
    {"flac-broken-stream-info", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 4, 30, 0},
    {"ogg-broken-header", "ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 0, 40, 0},
    {"flac-cut-in-header", "flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 0, 0, 20},
  };
  for (const Damage& d : damages) {
    const std::string in = Temp(std::string(d.name) + "." + d.extension);
    const std::string out = Temp(std::string(d.name) + "-out." + d.extension);
    std::remove(out.c_str());
    ASSERT_TRUE(WriteInput(in, d.format)) << d.name;
    std::vector<unsigned char> bytes;
    ASSERT_TRUE(ReadFileBytes(in, bytes));
    for (size_t i = d.at; i < d.at + d.count && i < bytes.size(); ++i) bytes[i] = 0xFF;
    if (d.keep) bytes.resize(d.keep);
    ASSERT_TRUE(WriteFileBytes(in, bytes.data(), bytes.size()));
    std::string error;
    EXPECT_EQ(Render(in, out, "", error), 1) << d.name << ": " << error;
    EXPECT_EQ(error.rfind("vexa-host: " + in + ": ", 0), 0u) << d.name << ": " << error;
    EXPECT_GT(error.size(), in.size() + 14) << d.name << ": the error says why";
    EXPECT_FALSE(Exists(out)) << d.name;
    std::remove(in.c_str());
  }
}
