#include "tools/Validation.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>


namespace {

// Samples after every host buffer that the plug-in must leave alone.
constexpr int kGuardFrames = 64;
// What the host writes into output buffers before a call.
constexpr float kSentinel = 1234.5f;
constexpr double kSignalLevel = 0.5;
constexpr double kPi = 3.14159265358979323846;

bool Subnormal(double x, bool doublePrecision)
{
  const double a = std::fabs(x);
  return a != 0.0 && a < (doublePrecision ? DBL_MIN : static_cast<double>(FLT_MIN));
}

}  // namespace

void ValidationReport::Line(const char* verdict, const std::string& check, const std::string& text)
{
  std::printf("%s %s: %s: %s\n", verdict, mGroup.c_str(), check.c_str(), text.c_str());
  std::fflush(stdout);
}

void ValidationReport::Pass(const std::string& check, const std::string& detail)
{
  ++mPassed;
  Line("PASS", check, detail);
}

void ValidationReport::Fail(const std::string& check, const std::string& reason)
{
  ++mFailed;
  Line("FAIL", check, reason);
}

void ValidationReport::Skip(const std::string& check, const std::string& reason) { Line("SKIP", check, reason); }

bool ValidationReport::Expect(bool ok, const std::string& check, const std::string& detail, const std::string& reason)
{
  if (ok) {
    Pass(check, detail);
  } else {
    Fail(check, reason);
  }
  return ok;
}

ValidatedInstance::ValidatedInstance(HostedPlugin& module, double rate, int blockSize)
{
  mEffect = module.NewInstance();
  if (!mEffect) return;
  Dispatch(effOpen);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
}

ValidatedInstance::~ValidatedInstance()
{
  if (!mEffect) return;
  Dispatch(effMainsChanged, 0, 0);
  Dispatch(effClose);
}

VstIntPtr ValidatedInstance::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const
{
  return mEffect ? mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt) : 0;
}

void ValidatedInstance::Reconfigure(double rate, int blockSize)
{
  Dispatch(effMainsChanged, 0, 0);
  Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
  Dispatch(effSetBlockSize, 0, blockSize);
  Dispatch(effMainsChanged, 0, 1);
}

bool ValidatedInstance::CanDouble() const
{
  return mEffect && (mEffect->flags & effFlagsCanDoubleReplacing) && mEffect->processDoubleReplacing;
}

std::vector<unsigned char> ValidatedInstance::SaveChunk(bool program) const
{
  void* data = nullptr;
  const VstIntPtr n = Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
  if (n <= 0 || !data) return {};
  return std::vector<unsigned char>(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + n);
}

VstIntPtr ValidatedInstance::RestoreChunk(bool program, std::vector<unsigned char> bytes) const
{
  // An empty chunk still comes with a valid pointer.
  bytes.reserve(1);
  return Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
}

std::string Dbfs(double peak)
{
  char text[32];
  if (peak <= 0.0) return "-inf dBFS";
  std::snprintf(text, sizeof text, "%.1f dBFS", 20.0 * std::log10(peak));
  return text;
}

std::string OutputCheck::Describe() const
{
  std::string s = std::to_string(frames) + " frames, peak " + Dbfs(peak);
  if (nonFinite) s += ", " + std::to_string(nonFinite) + " NaN or infinite samples";
  if (subnormal) s += ", " + std::to_string(subnormal) + " subnormal samples";
  if (overruns) s += ", wrote past the end of the block " + std::to_string(overruns) + " times";
  return s;
}

HostBuffers::HostBuffers(int inputs, int outputs, int frames) : mFrames(frames), mInputs(inputs), mOutputs(outputs)
{
  const size_t n = static_cast<size_t>(frames + kGuardFrames);
  for (int i = 0; i < inputs + outputs; ++i) {
    mFloats.emplace_back(n, 0.0f);
    mDoubles.emplace_back(n, 0.0);
  }
  for (int i = 0; i < inputs; ++i) {
    mInF.push_back(mFloats[static_cast<size_t>(i)].data());
    mInD.push_back(mDoubles[static_cast<size_t>(i)].data());
  }
  for (int i = inputs; i < inputs + outputs; ++i) {
    mOutF.push_back(mFloats[static_cast<size_t>(i)].data());
    mOutD.push_back(mDoubles[static_cast<size_t>(i)].data());
  }
  // Plug-ins without inputs or outputs still get a valid pointer array.
  mInF.push_back(nullptr);
  mOutF.push_back(nullptr);
  mInD.push_back(nullptr);
  mOutD.push_back(nullptr);
}

double TestSignal(int channel, long long pos, double rate)
{
  const double t = static_cast<double>(pos) / rate;
  const double f = 220.0 * (1.0 + 0.25 * channel);
  uint32_t noise = static_cast<uint32_t>(pos * 2654435761u + static_cast<uint32_t>(channel) * 40503u);
  noise ^= noise >> 13;
  const double n = static_cast<double>(noise & 0xFFFF) / 65536.0 - 0.5;
  return kSignalLevel * (0.5 * std::sin(2 * kPi * f * t) + 0.3 * std::sin(2 * kPi * f * 1.5 * t) + 0.2 * n);
}

void HostBuffers::FillInputs(long long pos, int frames, double rate, bool silence)
{
  for (int c = 0; c < mInputs; ++c) {
    for (int k = 0; k < frames; ++k) {
      const double x = silence ? 0.0 : TestSignal(c, pos + k, rate);
      mInF[static_cast<size_t>(c)][k] = static_cast<float>(x);
      mInD[static_cast<size_t>(c)][k] = static_cast<float>(x);
    }
  }
}

void HostBuffers::ClearOutputs()
{
  for (int c = 0; c < mOutputs; ++c) {
    const size_t i = static_cast<size_t>(mInputs + c);
    std::fill(mFloats[i].begin(), mFloats[i].end(), kSentinel);
    std::fill(mDoubles[i].begin(), mDoubles[i].end(), static_cast<double>(kSentinel));
  }
}

bool HostBuffers::OutputsUntouched() const
{
  for (int c = 0; c < mOutputs; ++c) {
    const size_t i = static_cast<size_t>(mInputs + c);
    for (float x : mFloats[i]) {
      if (x != kSentinel) return false;
    }
    for (double x : mDoubles[i]) {
      if (x != static_cast<double>(kSentinel)) return false;
    }
  }
  return true;
}

void HostBuffers::Process(AEffect* e, int frames, bool doublePrecision, OutputCheck& check)
{
  ClearOutputs();
  if (doublePrecision) {
    e->processDoubleReplacing(e, InDouble(), OutDouble(), frames);
  } else {
    e->processReplacing(e, In(), Out(), frames);
  }
  bool overrun = false;
  for (int c = 0; c < mOutputs; ++c) {
    for (int k = 0; k < frames + kGuardFrames; ++k) {
      const double y = doublePrecision ? mOutD[static_cast<size_t>(c)][k] : mOutF[static_cast<size_t>(c)][k];
      if (k >= frames) {
        overrun |= y != static_cast<double>(kSentinel);
        continue;
      }
      if (!std::isfinite(y)) {
        ++check.nonFinite;
        continue;
      }
      if (Subnormal(y, doublePrecision)) ++check.subnormal;
      if (std::fabs(y) > check.peak) check.peak = std::fabs(y);
    }
  }
  check.overruns += overrun ? 1 : 0;
  check.frames += frames;
}

void AudioThread::Run()
{
  AEffect* e = inst.Effect();
  HostBuffers buffers(e->numInputs, e->numOutputs, blockFrames);
  std::mt19937 rng(automationSeed);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  long long pos = 0;
  while (!stop.load()) {
    if (automate && e->numParams > 0) {
      e->setParameter(e, static_cast<VstInt32>(rng() % static_cast<unsigned>(e->numParams)), value(rng));
    }
    buffers.FillInputs(pos, blockFrames, sampleRate, false);
    buffers.Process(e, blockFrames, dbl, check);
    pos += blockFrames;
    blocks.fetch_add(1);
  }
}

std::string Validation::Name(int param) const
{
  char text[256] = {};
  const AEffect* e = module.Effect();
  if (e) e->dispatcher(const_cast<AEffect*>(e), effGetParamName, param, 0, text, 0.0f);
  text[sizeof text - 1] = 0;
  return "parameter " + std::to_string(param) + " '" + text + "'";
}
