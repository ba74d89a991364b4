#include "tools/RenderStream.h"

#include <cmath>
#include <memory>

#include "tools/Resampler.h"

namespace {

// Blocks between two progress reports.
constexpr long long kProgressEveryBlocks = 64;
// Most output channels a render writes.
constexpr int kMaxOutputChannels = 2;

// One render's buffers and position. Lives for the duration of RenderStream.
class Renderer
{
public:
  Renderer(AudioReader& reader, RenderProcessor& processor, AudioWriter& writer, const RenderOptions& options,
           RenderResult& result)
    : mReader(reader), mProcessor(processor), mWriter(writer), mOptions(options), mResult(result),
      mBlock(options.block), mOutChannels(OutputChannels(processor.Outputs()))
  {
  }

  bool Run(std::string& error);

private:
  bool Prepare(std::string& error);
  bool RenderInput(std::string& error);
  bool RenderFixedTail(long long frames, std::string& error);
  bool RenderAutomaticTail(std::string& error);
  // Runs the plug-in over n frames of what the input buffers hold and
  // leaves the output interleaved in mOut.
  void Process(int n);
  void Silence();
  bool FrameSilent(int k) const;
  // Writes n interleaved frames, through the resampler when there is one;
  // with last set, also what the resampler still holds. Fails when a stop
  // was requested.
  bool Emit(const float* frames, long long n, bool last, std::string& error);

  AudioReader& mReader;
  RenderProcessor& mProcessor;
  AudioWriter& mWriter;
  const RenderOptions& mOptions;
  RenderResult& mResult;
  const int mBlock;
  const int mOutChannels;
  std::vector<int> mSources;
  std::vector<float> mFile;                  // one block as read, interleaved
  std::vector<std::vector<float>> mIns, mOuts;  // the plug-in's buffers
  std::vector<float*> mInPtrs, mOutPtrs;
  std::vector<float> mOut;                   // one block of output, interleaved
  std::vector<float> mPending;               // tail frames to write, interleaved
  std::vector<float> mHeld;                  // silent tail frames held back, interleaved
  std::unique_ptr<Resampler> mResampler;
  std::vector<float> mResampled;
  long long mPos = 0;
};

bool Renderer::Prepare(std::string& error)
{
  const int fileChannels = mReader.Channels();
  mSources = mOptions.sources;
  if (mSources.empty()) mSources = fileChannels >= 2 ? std::vector<int>{0, 1} : std::vector<int>{0};
  for (int s : mSources) {
    if (s < 0 || s >= fileChannels) {
      error = "the input has no channel " + std::to_string(s + 1);
      return false;
    }
  }
  if (mOutChannels < 1) {
    error = "the plug-in has no outputs";
    return false;
  }
  const size_t block = static_cast<size_t>(mBlock);
  mFile.resize(block * static_cast<size_t>(fileChannels));
  mIns.assign(static_cast<size_t>(mProcessor.Inputs()), std::vector<float>(block));
  mOuts.assign(static_cast<size_t>(mProcessor.Outputs()), std::vector<float>(block));
  for (auto& v : mIns) mInPtrs.push_back(v.data());
  for (auto& v : mOuts) mOutPtrs.push_back(v.data());
  // Plug-ins without inputs still get a valid pointer array.
  mInPtrs.push_back(nullptr);
  mOutPtrs.push_back(nullptr);
  mOut.resize(block * static_cast<size_t>(mOutChannels));
  if (mOptions.outputRate > 0.0 && mOptions.outputRate != mReader.Rate()) {
    mResampler.reset(new Resampler(mOutChannels, mReader.Rate(), mOptions.outputRate));
    if (!mResampler->Valid()) {
      error = mResampler->Error();
      return false;
    }
  }
  return true;
}

void Renderer::Process(int n)
{
  mProcessor.Process(mInPtrs.data(), mOutPtrs.data(), n, mPos);
  mPos += n;
  const size_t channels = static_cast<size_t>(mOutChannels);
  for (size_t c = 0; c < channels; ++c) {
    const float* o = mOuts[c].data();
    for (int k = 0; k < n; ++k) mOut[static_cast<size_t>(k) * channels + c] = o[k];
  }
}

void Renderer::Silence()
{
  for (auto& v : mIns) std::fill(v.begin(), v.end(), 0.0f);
}

bool Renderer::FrameSilent(int k) const
{
  const size_t channels = static_cast<size_t>(mOutChannels);
  for (size_t c = 0; c < channels; ++c) {
    if (!(std::fabs(mOut[static_cast<size_t>(k) * channels + c]) < kTailSilenceLevel)) return false;
  }
  return true;
}

bool Renderer::Emit(const float* frames, long long n, bool last, std::string& error)
{
  // Every block passes here on its way out.
  if (mOptions.stopRequested && mOptions.stopRequested()) {
    error = "stopped as asked; nothing was written";
    return false;
  }
  if (!mResampler) {
    mResult.outputFrames += n;
    return n == 0 || mWriter.Write(frames, n, error);
  }
  if (!mResampler->Convert(frames, static_cast<long>(n), last, mResampled, error)) return false;
  const long long made = static_cast<long long>(mResampled.size()) / mOutChannels;
  mResult.outputFrames += made;
  return made == 0 || mWriter.Write(mResampled.data(), made, error);
}

bool Renderer::RenderInput(std::string& error)
{
  const size_t fileChannels = static_cast<size_t>(mReader.Channels());
  const size_t last = mSources.size() - 1;
  for (long long blocks = 0;; ++blocks) {
    const long long got = mReader.Read(mFile.data(), mBlock, error);
    if (got < 0) return false;
    if (got == 0) break;
    const int n = static_cast<int>(got);
    for (size_t c = 0; c < mIns.size(); ++c) {
      const size_t src = static_cast<size_t>(mSources[c < last ? c : last]);
      float* in = mIns[c].data();
      for (int k = 0; k < n; ++k) in[k] = mFile[static_cast<size_t>(k) * fileChannels + src];
    }
    Process(n);
    if (!Emit(mOut.data(), n, false, error)) return false;
    mResult.inputFrames += n;
    if (mOptions.progress && blocks % kProgressEveryBlocks == 0) mOptions.progress(mResult.inputFrames, mReader.Frames());
  }
  if (mOptions.progress) mOptions.progress(mResult.inputFrames, mReader.Frames());
  return true;
}

bool Renderer::RenderFixedTail(long long frames, std::string& error)
{
  Silence();
  for (long long done = 0; done < frames;) {
    const int n = static_cast<int>(frames - done < mBlock ? frames - done : mBlock);
    Process(n);
    if (!Emit(mOut.data(), n, false, error)) return false;
    done += n;
    mResult.tailFrames += n;
  }
  return true;
}

// Runs on until one block's length of output stays below the silence
// level, after at least the plug-in's latency. The silent frames at the
// end are not written; silent frames followed by sound are.
bool Renderer::RenderAutomaticTail(std::string& error)
{
  Silence();
  const long long latency = mProcessor.Latency() > 0 ? mProcessor.Latency() : 0;
  const long long limit = std::llround(kAutomaticTailLimitSeconds * mReader.Rate());
  const size_t channels = static_cast<size_t>(mOutChannels);
  long long done = 0;
  for (;;) {
    if (done >= limit) {
      mResult.tailLimited = true;
      return true;
    }
    const int n = static_cast<int>(limit - done < mBlock ? limit - done : mBlock);
    Process(n);
    mPending.clear();
    for (int k = 0; k < n; ++k) {
      const float* frame = mOut.data() + static_cast<size_t>(k) * channels;
      if (done + k >= latency && FrameSilent(k)) {
        mHeld.insert(mHeld.end(), frame, frame + channels);
        continue;
      }
      mPending.insert(mPending.end(), mHeld.begin(), mHeld.end());
      mHeld.clear();
      mPending.insert(mPending.end(), frame, frame + channels);
    }
    const long long written = static_cast<long long>(mPending.size() / channels);
    if (!Emit(mPending.data(), written, false, error)) return false;
    mResult.tailFrames += written;
    done += n;
    if (done >= latency && static_cast<long long>(mHeld.size() / channels) >= mBlock) return true;
  }
}

bool Renderer::Run(std::string& error)
{
  if (!Prepare(error) || !RenderInput(error)) return false;
  const bool tailDone = mOptions.tailSeconds < 0.0
                          ? RenderAutomaticTail(error)
                          : RenderFixedTail(std::llround(mOptions.tailSeconds * mReader.Rate()), error);
  return tailDone && Emit(nullptr, 0, true, error);
}

}  // namespace

int OutputChannels(int outputs) { return outputs < kMaxOutputChannels ? outputs : kMaxOutputChannels; }

bool RenderStream(AudioReader& reader, RenderProcessor& processor, AudioWriter& writer, const RenderOptions& options,
                  RenderResult& result, std::string& error)
{
  result = RenderResult();
  Renderer renderer(reader, processor, writer, options, result);
  return renderer.Run(error);
}
