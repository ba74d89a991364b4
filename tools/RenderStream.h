#pragma once
// Rendering an audio file through a plug-in a block at a time: read a block,
// process it, write it. Memory stays the same however long the file is.
// After the input's end the render goes on with silence in until the
// output has died away (the tail), so an effect's delay and decay are not
// cut off. Independent of the plug-in interface: the plug-in is reached
// through a RenderProcessor.

#include <functional>
#include <string>
#include <vector>

#include "tools/AudioFile.h"

// The plug-in side of a render. Owned by the caller; called on the thread
// that runs the render.
class RenderProcessor
{
public:
  virtual ~RenderProcessor() = default;
  virtual int Inputs() const = 0;
  virtual int Outputs() const = 0;
  // Frames by which the plug-in says its output lags its input; 0 when it
  // says nothing.
  virtual long long Latency() const = 0;
  // Processes frames frames (at most the render's block size) from the
  // Inputs() buffers in to the Outputs() buffers out; pos is the position
  // of the block's first frame since the render started.
  virtual void Process(float* const* in, float* const* out, int frames, long long pos) = 0;
};

// How long the tail runs when not told: until the output stays below this
// level (-120 dBFS) for one block, and at most this long.
constexpr double kTailSilenceLevel = 1e-6;
constexpr double kAutomaticTailLimitSeconds = 60.0;
// RenderOptions::tailSeconds for a tail that runs until the output has
// died away.
constexpr double kAutomaticTail = -1.0;

struct RenderOptions
{
  int block = 512;
  // Seconds of tail rendered after the input's end, or kAutomaticTail.
  double tailSeconds = kAutomaticTail;
  // The input channels (counted from 0) that feed the plug-in's inputs:
  // the first feeds input 1, the second input 2; inputs beyond them get
  // the last one (a mono file feeds both inputs of a stereo effect).
  std::vector<int> sources;
  // The output's sample rate; 0 for the input's. The plug-in always runs
  // at the input's rate; the output is resampled to this one.
  double outputRate = 0.0;
  // Called now and then with the input frames done and the input's length
  // (-1 when unknown), and once more at the input's end.
  std::function<void(long long done, long long total)> progress;
  // Asked before each block is written, when set: true ends the render
  // with an error (the user asked to stop).
  std::function<bool()> stopRequested;
};

struct RenderResult
{
  long long inputFrames = 0;
  long long tailFrames = 0;    // rendered after the input's end and written
  long long outputFrames = 0;  // written, at the output's rate
  bool tailLimited = false;    // the automatic tail reached its limit before the output died away
};

// The channels an output of a plug-in with outputs outputs gets: two at
// most.
int OutputChannels(int outputs);

// Renders everything reader gives through processor into writer, which is
// open for OutputChannels(processor.Outputs()) channels at the output's
// rate. False with error when reading, resampling or writing fails or a
// stop was requested. Runs
// on the calling thread, which owns all four for the duration.
bool RenderStream(AudioReader& reader, RenderProcessor& processor, AudioWriter& writer, const RenderOptions& options,
                  RenderResult& result, std::string& error);
