#include "tools/Resampler.h"

#include <samplerate.h>

namespace {

// Room made in the output for each call, beyond what the ratio asks: the
// converter's own rounding and, at the end, what it still holds.
constexpr long kSpareFrames = 1024;

}  // namespace

Resampler::Resampler(int channels, double fromRate, double toRate) : mChannels(channels), mRatio(toRate / fromRate)
{
  int status = 0;
  if (!src_is_valid_ratio(mRatio)) {
    mError = "cannot convert between rates more than 256 times apart";
    return;
  }
  mState = src_new(SRC_SINC_BEST_QUALITY, channels, &status);
  if (!mState) mError = src_strerror(status);
}

Resampler::~Resampler()
{
  if (mState) src_delete(mState);
}

bool Resampler::Convert(const float* in, long frames, bool last, std::vector<float>& out, std::string& error)
{
  out.clear();
  // The converter lets out what it holds only when the end comes with the
  // last frames, so every call's frames wait for the next call.
  const size_t count = static_cast<size_t>(frames) * static_cast<size_t>(mChannels);
  const bool ending = last && frames == 0;
  if (!mPending.empty() && !Run(mPending.data(), PendingFrames(), ending, out, error)) return false;
  mPending.assign(in, in + count);
  if (!last || frames == 0) return true;
  const bool ok = Run(mPending.data(), frames, true, out, error);
  mPending.clear();
  return ok;
}

long Resampler::PendingFrames() const { return static_cast<long>(mPending.size() / static_cast<size_t>(mChannels)); }

bool Resampler::Run(const float* in, long frames, bool end, std::vector<float>& out, std::string& error)
{
  const long room = static_cast<long>(static_cast<double>(frames) * mRatio) + kSpareFrames;
  const size_t channels = static_cast<size_t>(mChannels);
  SRC_DATA d = {};
  d.data_in = in;
  d.input_frames = frames;
  d.end_of_input = end ? 1 : 0;
  d.src_ratio = mRatio;
  for (;;) {
    const size_t had = out.size();
    out.resize(had + static_cast<size_t>(room) * channels);
    d.data_out = out.data() + had;
    d.output_frames = room;
    const int status = src_process(mState, &d);
    if (status != 0) {
      error = std::string("resampling failed: ") + src_strerror(status);
      return false;
    }
    if (d.input_frames_used == 0 && d.output_frames_gen == 0 && d.input_frames > 0) {
      error = "resampling made no progress";
      return false;
    }
    out.resize(had + static_cast<size_t>(d.output_frames_gen) * channels);
    d.data_in += static_cast<size_t>(d.input_frames_used) * channels;
    d.input_frames -= d.input_frames_used;
    // Done when every input frame is taken and, at the end, nothing more
    // comes out.
    if (d.input_frames == 0 && (!end || d.output_frames_gen == 0)) return true;
  }
}
