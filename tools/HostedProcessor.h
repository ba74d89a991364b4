#pragma once
// A hosted VST 2.4 plug-in as the render loop's processor: blocks go
// through processReplacing, or processDoubleReplacing in double precision,
// and the host's time info follows the block's position.

#include <vector>

#include "tools/HostedPlugin.h"
#include "tools/RenderStream.h"

// Borrows host, which must be open for at least blockSize frames and
// outlive this. Used on the render's thread.
class HostedProcessor : public RenderProcessor
{
public:
  HostedProcessor(HostedPlugin& host, int blockSize, bool doublePrecision);

  int Inputs() const override { return mHost.Effect()->numInputs; }
  int Outputs() const override { return mHost.Effect()->numOutputs; }
  long long Latency() const override { return mHost.Effect()->initialDelay; }
  void Process(float* const* in, float* const* out, int frames, long long pos) override;

private:
  HostedPlugin& mHost;
  bool mDouble;
  std::vector<std::vector<double>> mIn, mOut;
  std::vector<double*> mInPtrs, mOutPtrs;
};
