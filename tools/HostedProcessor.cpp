#include "tools/HostedProcessor.h"

HostedProcessor::HostedProcessor(HostedPlugin& host, int blockSize, bool doublePrecision)
  : mHost(host), mDouble(doublePrecision)
{
  if (!mDouble) return;
  const size_t block = static_cast<size_t>(blockSize);
  mIn.assign(static_cast<size_t>(Inputs()), std::vector<double>(block));
  mOut.assign(static_cast<size_t>(Outputs()), std::vector<double>(block));
  for (auto& v : mIn) mInPtrs.push_back(v.data());
  for (auto& v : mOut) mOutPtrs.push_back(v.data());
  // Plug-ins without inputs or outputs still get a valid pointer array.
  mInPtrs.push_back(nullptr);
  mOutPtrs.push_back(nullptr);
}

void HostedProcessor::Process(float* const* in, float* const* out, int frames, long long pos)
{
  AEffect* e = mHost.Effect();
  mHost.samplePos = static_cast<double>(pos);
  if (!mDouble) {
    e->processReplacing(e, const_cast<float**>(in), const_cast<float**>(out), frames);
    return;
  }
  for (size_t c = 0; c < mIn.size(); ++c) {
    for (int k = 0; k < frames; ++k) mIn[c][static_cast<size_t>(k)] = in[c][k];
  }
  e->processDoubleReplacing(e, mInPtrs.data(), mOutPtrs.data(), frames);
  for (size_t c = 0; c < mOut.size(); ++c) {
    for (int k = 0; k < frames; ++k) out[c][k] = static_cast<float>(mOut[c][static_cast<size_t>(k)]);
  }
}
