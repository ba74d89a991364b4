// The render loop: blocks of the input through a processor into the
// output, the tail after the input's end (until the output dies away, or
// as long as asked), the input channels that feed the processor, and
// resampling of what comes out.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/RenderStream.h"

namespace {

constexpr double kRate = 8000.0;

std::string TempPath(const std::string& name) { return testing::TempDir() + "vexa_render_stream_" + name; }

// Delays every input by a number of frames, adds an offset, and records
// the blocks it was given.
class DelayProcessor : public RenderProcessor
{
public:
  DelayProcessor(int delay, long long latency = 0, float offset = 0.0f)
    : mLatency(latency), mOffset(offset), mLines(2, std::vector<float>(static_cast<size_t>(delay) + 1))
  {
  }
  int Inputs() const override { return 2; }
  int Outputs() const override { return 2; }
  long long Latency() const override { return mLatency; }
  void Process(float* const* in, float* const* out, int frames, long long pos) override
  {
    blocks.push_back(frames);
    positions.push_back(pos);
    for (size_t c = 0; c < mLines.size(); ++c) {
      std::vector<float>& line = mLines[c];
      for (int k = 0; k < frames; ++k) {
        const size_t at = (mAt + static_cast<size_t>(k)) % line.size();
        line[at] = in[c][k];
        out[c][k] = line[(at + 1) % line.size()] + mOffset;  // written delay frames ago
      }
    }
    mAt = (mAt + static_cast<size_t>(frames)) % mLines[0].size();
  }
  std::vector<int> blocks;
  std::vector<long long> positions;

private:
  long long mLatency;
  float mOffset;
  std::vector<std::vector<float>> mLines;
  size_t mAt = 0;
};

// Writes audio to a file, renders it, and reads what came out.
AudioData Render(const AudioData& input, RenderProcessor& p, const RenderOptions& o, RenderResult& result)
{
  const std::string in = TempPath("in.wav"), out = TempPath("out.wav");
  std::string error;
  EXPECT_TRUE(WriteAudioFile(in, input, error)) << error;
  AudioReader reader;
  EXPECT_TRUE(reader.Open(in, error)) << error;
  AudioData output;
  {
    AudioWriter writer;
    EXPECT_TRUE(writer.Open(out, AudioFormat(), 2, o.outputRate > 0 ? o.outputRate : kRate, error)) << error;
    EXPECT_TRUE(RenderStream(reader, p, writer, o, result, error)) << error;
    EXPECT_TRUE(writer.Finish(error)) << error;
  }
  EXPECT_TRUE(ReadAudioFile(out, output, error)) << error;
  std::remove(in.c_str());
  std::remove(out.c_str());
  return output;
}

AudioData Stereo(int frames)
{
  AudioData a;
  a.channels = 2;
  a.rate = kRate;
  a.samples.assign(static_cast<size_t>(frames) * 2, 0.0f);
  return a;
}

float At(const AudioData& a, int frame, int channel)
{
  return a.samples[static_cast<size_t>(frame) * static_cast<size_t>(a.channels) + static_cast<size_t>(channel)];
}

}  // namespace

TEST(RenderStream, TheTailKeepsWhatTheEffectDelaysPastTheInputsEnd)
{
  AudioData in = Stereo(10000);
  in.samples[2 * 9500] = 1.0f;      // left, 500 frames before the end
  in.samples[2 * 9600 + 1] = 0.5f;  // right, 400 before
  DelayProcessor p(1000);
  RenderOptions o;
  RenderResult r;
  const AudioData out = Render(in, p, o, r);
  // Everything up to the last sound, and no silence after it.
  ASSERT_EQ(out.Frames(), 10601);
  EXPECT_EQ(At(out, 10500, 0), 1.0f);
  EXPECT_EQ(At(out, 10600, 1), 0.5f);
  EXPECT_EQ(r.inputFrames, 10000);
  EXPECT_EQ(r.tailFrames, 601);
  EXPECT_EQ(r.outputFrames, 10601);
  EXPECT_FALSE(r.tailLimited);
}

TEST(RenderStream, AGivenTailIsExactlyAsLongAndZeroEndsWithTheInput)
{
  AudioData in = Stereo(10000);
  in.samples[2 * 9500] = 1.0f;
  for (double seconds : {0.0, 0.5, 2.0}) {
    DelayProcessor p(1000);
    RenderOptions o;
    o.tailSeconds = seconds;
    RenderResult r;
    const AudioData out = Render(in, p, o, r);
    ASSERT_EQ(out.Frames(), 10000 + static_cast<int>(seconds * kRate)) << seconds;
    if (seconds > 0.0) {
      EXPECT_EQ(At(out, 10500, 0), 1.0f) << seconds;
    }
  }
}

TEST(RenderStream, TheTailLastsAtLeastTheLatencyThePluginReports)
{
  DelayProcessor p(0, 3000);
  RenderOptions o;
  RenderResult r;
  const AudioData out = Render(Stereo(1000), p, o, r);
  EXPECT_EQ(out.Frames(), 4000);
  EXPECT_EQ(r.tailFrames, 3000);
}

TEST(RenderStream, ATailThatNeverDiesAwayEndsAtTheLimitAndSaysSo)
{
  DelayProcessor p(0, 0, 0.01f);
  RenderOptions o;
  RenderResult r;
  const AudioData out = Render(Stereo(100), p, o, r);
  EXPECT_TRUE(r.tailLimited);
  EXPECT_EQ(out.Frames(), 100 + static_cast<int>(kAutomaticTailLimitSeconds * kRate));
}

TEST(RenderStream, BlocksAreNoLongerThanAskedAndFollowEachOther)
{
  DelayProcessor p(5);
  RenderOptions o;
  o.block = 7;
  o.tailSeconds = 0.01;
  RenderResult r;
  Render(Stereo(1000), p, o, r);
  long long pos = 0;
  for (size_t i = 0; i < p.blocks.size(); ++i) {
    ASSERT_LE(p.blocks[i], 7);
    ASSERT_GT(p.blocks[i], 0);
    ASSERT_EQ(p.positions[i], pos);
    pos += p.blocks[i];
  }
  EXPECT_EQ(pos, 1080);
}

TEST(RenderStream, TheChosenChannelsFeedTheInputsAndOneChannelFeedsBoth)
{
  AudioData three;
  three.channels = 3;
  three.rate = kRate;
  for (int k = 0; k < 100; ++k) three.samples.insert(three.samples.end(), {0.1f, 0.2f, 0.3f});
  struct Case
  {
    std::vector<int> sources;
    float left, right;
  };
  for (const Case& c : {Case{{2, 0}, 0.3f, 0.1f}, Case{{1}, 0.2f, 0.2f}, Case{{0, 1}, 0.1f, 0.2f}}) {
    DelayProcessor p(0);
    RenderOptions o;
    o.sources = c.sources;
    o.tailSeconds = 0.0;
    RenderResult r;
    const AudioData out = Render(three, p, o, r);
    ASSERT_EQ(out.Frames(), 100);
    EXPECT_EQ(At(out, 50, 0), c.left);
    EXPECT_EQ(At(out, 50, 1), c.right);
  }
  AudioData mono;
  mono.channels = 1;
  mono.rate = kRate;
  mono.samples.assign(100, 0.25f);
  DelayProcessor p(0);
  RenderOptions o;
  o.tailSeconds = 0.0;
  RenderResult r;
  const AudioData out = Render(mono, p, o, r);
  EXPECT_EQ(At(out, 50, 0), 0.25f);
  EXPECT_EQ(At(out, 50, 1), 0.25f);

  o.sources = {3};
  std::string error;
  const std::string path = TempPath("mono.wav");
  ASSERT_TRUE(WriteAudioFile(path, mono, error));
  AudioReader reader;
  ASSERT_TRUE(reader.Open(path, error));
  AudioWriter writer;
  ASSERT_TRUE(writer.Open(TempPath("never.wav"), AudioFormat(), 2, kRate, error));
  EXPECT_FALSE(RenderStream(reader, p, writer, o, r, error));
  EXPECT_EQ(error, "the input has no channel 4");
  std::remove(path.c_str());
  std::remove(TempPath("never.wav").c_str());
}

TEST(RenderStream, TheOutputIsResampledAfterTheEffect)
{
  AudioData in = Stereo(8000);
  for (size_t i = 0; i < in.samples.size(); ++i) in.samples[i] = (i / 2) % 16 < 8 ? 0.25f : -0.25f;
  DelayProcessor p(0);
  RenderOptions o;
  o.tailSeconds = 0.0;
  o.outputRate = 2 * kRate;
  RenderResult r;
  const AudioData out = Render(in, p, o, r);
  EXPECT_NEAR(out.Frames(), 16000, 1);
  EXPECT_EQ(r.outputFrames, out.Frames());
  EXPECT_EQ(r.inputFrames, 8000);
  EXPECT_EQ(p.blocks.size(), 8000u / 512 + 1) << "the effect runs at the input's rate";
}
