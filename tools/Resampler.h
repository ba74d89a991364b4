#pragma once
// Sample-rate conversion of interleaved audio as a stream, through
// libsamplerate's best sinc converter (97 % of the band kept, 144 dB of
// signal-to-noise ratio). The output is aligned with the input: its first
// frame stands for the input's first, and its length is the input's times
// the ratio of the rates.

#include <string>
#include <vector>

typedef struct SRC_STATE_tag SRC_STATE;

// One conversion. Owns the converter's state; used by one thread.
class Resampler
{
public:
  Resampler(int channels, double fromRate, double toRate);
  ~Resampler();
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;

  // False (with Error()) when the converter could not be made, for example
  // for rates more than 256 times apart.
  bool Valid() const { return mState != nullptr; }
  const std::string& Error() const { return mError; }
  // Converts frames frames from in, and with last set also what the
  // converter still holds, into out (cleared first; interleaved): what
  // comes out trails what goes in by one call. False with error when the
  // converter fails.
  bool Convert(const float* in, long frames, bool last, std::vector<float>& out, std::string& error);

private:
  long PendingFrames() const;
  // Converts frames frames from in (end: the last of them), appending to out.
  bool Run(const float* in, long frames, bool end, std::vector<float>& out, std::string& error);

  SRC_STATE* mState = nullptr;
  std::vector<float> mPending;  // the last call's frames, converted with the next call
  int mChannels;
  double mRatio;
  std::string mError;
};
