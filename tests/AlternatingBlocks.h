#pragma once
// The audio thread's work in the tests that run a host's two threads at
// once: blocks through an effect record in both precisions by turns, each
// checked for samples that are not numbers.

#include <cmath>
#include <vector>

#include "vst/VstDefs.h"

// Stereo blocks of a constant input through one effect record, single and
// double precision in turn, so that each switch sets the processing up
// again. Owns its buffers; the effect is the test's. The audio thread only.
class AlternatingBlocks
{
public:
  static constexpr float kInput = 0.5f;

  AlternatingBlocks(AEffect* effect, int blockSize)
    : mEffect(effect),
      mBlockSize(blockSize),
      mIn(Size(), kInput),
      mOutL(Size()),
      mOutR(Size()),
      mDoubleIn(Size(), kInput),
      mDoubleOutL(Size()),
      mDoubleOutR(Size())
  {
  }

  // Processes block n: an odd one in single, an even one in double
  // precision. False when the first left or last right sample it wrote is
  // not a number.
  bool Process(long n)
  {
    if (n % 2) {
      float* ins[2] = {mIn.data(), mIn.data()};
      float* outs[2] = {mOutL.data(), mOutR.data()};
      mEffect->processReplacing(mEffect, ins, outs, mBlockSize);
      return std::isfinite(mOutL.front()) && std::isfinite(mOutR.back());
    }
    double* ins[2] = {mDoubleIn.data(), mDoubleIn.data()};
    double* outs[2] = {mDoubleOutL.data(), mDoubleOutR.data()};
    mEffect->processDoubleReplacing(mEffect, ins, outs, mBlockSize);
    return std::isfinite(mDoubleOutL.front()) && std::isfinite(mDoubleOutR.back());
  }

private:
  size_t Size() const { return static_cast<size_t>(mBlockSize); }

  AEffect* mEffect;
  int mBlockSize;
  std::vector<float> mIn, mOutL, mOutR;
  std::vector<double> mDoubleIn, mDoubleOutL, mDoubleOutR;
};
