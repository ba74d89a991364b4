// Sample-rate conversion as a stream: the output lasts as long as the
// input, keeps its pitch and level, and does not depend on how the input
// was cut into pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "tests/TestSeed.h"
#include "tools/Resampler.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kToneHz = 1000.0;

// One second of a stereo tone at rate: left at half scale, right inverted.
std::vector<float> Tone(double rate)
{
  std::vector<float> s;
  for (int k = 0; k < static_cast<int>(rate); ++k) {
    const float v = static_cast<float>(0.5 * std::sin(2 * kPi * kToneHz * k / rate));
    s.push_back(v);
    s.push_back(-v);
  }
  return s;
}

// Converts in, given in pieces of the sizes pieces() picks.
template <class Pieces>
std::vector<float> Convert(Resampler& r, const std::vector<float>& in, Pieces pieces)
{
  std::vector<float> all, out;
  std::string error;
  const long frames = static_cast<long>(in.size() / 2);
  for (long at = 0; at < frames;) {
    const long n = std::min(frames - at, pieces());
    EXPECT_TRUE(r.Convert(in.data() + 2 * at, n, false, out, error)) << error;
    all.insert(all.end(), out.begin(), out.end());
    at += n;
  }
  EXPECT_TRUE(r.Convert(nullptr, 0, true, out, error)) << error;
  all.insert(all.end(), out.begin(), out.end());
  return all;
}

// Rising zero crossings of the left channel, each after the signal fell
// clearly below zero.
int Crossings(const std::vector<float>& s)
{
  int n = 0;
  bool armed = false;
  for (size_t i = 0; i < s.size(); i += 2) {
    if (s[i] < -0.01f) armed = true;
    if (armed && s[i] >= 0.0f) {
      ++n;
      armed = false;
    }
  }
  return n;
}

}  // namespace

TEST(Resampler, TheOutputLastsAsLongAndKeepsPitchAndLevel)
{
  const double rates[][2] = {{44100, 48000}, {48000, 44100}, {44100, 22050}, {22050, 96000}};
  for (const auto& rate : rates) {
    Resampler r(2, rate[0], rate[1]);
    ASSERT_TRUE(r.Valid()) << r.Error();
    const std::vector<float> out = Convert(r, Tone(rate[0]), [] { return 512L; });
    const long frames = static_cast<long>(out.size() / 2);
    EXPECT_NEAR(frames, rate[1], 1) << rate[0] << " to " << rate[1];
    EXPECT_NEAR(Crossings(out), kToneHz, 1) << rate[0] << " to " << rate[1];
    float peak = 0.0f;
    for (long k = frames / 4; k < 3 * frames / 4; ++k) peak = std::max(peak, std::fabs(out[2 * static_cast<size_t>(k)]));
    EXPECT_NEAR(peak, 0.5f, 0.005f) << rate[0] << " to " << rate[1];
    EXPECT_NEAR(out[2 * static_cast<size_t>(frames / 2)], -out[2 * static_cast<size_t>(frames / 2) + 1], 1e-6f)
      << "the channels stay apart";
  }
}

TEST(Resampler, TheOutputDoesNotDependOnHowTheInputIsCut)
{
  const std::vector<float> in = Tone(44100);
  Resampler whole(2, 44100, 48000);
  const std::vector<float> reference = Convert(whole, in, [] { return 1L << 20; });
  TestSeed seed;
  std::mt19937 rng(seed);
  std::uniform_int_distribution<long> size(1, 3000);
  Resampler pieces(2, 44100, 48000);
  const std::vector<float> out = Convert(pieces, in, [&] { return size(rng); });
  ASSERT_EQ(out.size(), reference.size());
  for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], reference[i]) << "sample " << i;
}

TEST(Resampler, RatesTooFarApartAreRefused)
{
  Resampler r(2, 8000, 8000.0 * 300);
  EXPECT_FALSE(r.Valid());
  EXPECT_EQ(r.Error(), "cannot convert between rates more than 256 times apart");
}
