// The VST3 edition against the VST2 edition of the same build, both loaded
// as hosts load them: the same single-precision parameter values and input
// give the same bits out in both precisions and at several block sizes; a
// state saved by either restores in the other and saves again byte for
// byte; parameter texts agree; damaged state does no harm; every object is
// released to zero.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/TestSeed.h"
#include "tools/HostedPlugin.h"
#include "tools/Vst3Effect.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kChannels = 2;
constexpr int kFrames = 20000;
constexpr double kPi = 3.14159265358979323846;

struct Opened
{
  HostedPlugin host;
  bool ok = false;
  Opened(const char* path, int block)
  {
    ok = host.Load(path);
    if (ok) host.Open(kRate, block);
  }
};

double Input(int channel, int k)
{
  return 0.6 * std::sin(2 * kPi * (110.0 + 55.0 * channel) * k / kRate) + 0.2 * std::sin(2 * kPi * 1760.0 * k / kRate);
}

// Renders kFrames through e in blocks of block frames; before the first
// block and again halfway every parameter takes the next value of values.
std::vector<double> Render(AEffect* e, int block, bool dbl, const std::vector<float>& values)
{
  std::vector<double> out;
  std::vector<std::vector<float>> fi(kChannels, std::vector<float>(size_t(block))), fo = fi;
  std::vector<std::vector<double>> di(kChannels, std::vector<double>(size_t(block))), dout = di;
  float* fip[kChannels] = {fi[0].data(), fi[1].data()};
  float* fop[kChannels] = {fo[0].data(), fo[1].data()};
  double* dip[kChannels] = {di[0].data(), di[1].data()};
  double* dop[kChannels] = {dout[0].data(), dout[1].data()};
  size_t next = 0;
  for (int pos = 0; pos < kFrames; pos += block) {
    if (pos == 0 || (pos < kFrames / 2 && pos + block >= kFrames / 2)) {
      for (int p = 0; p < e->numParams && next < values.size(); ++p) e->setParameter(e, p, values[next++]);
    }
    const int n = kFrames - pos < block ? kFrames - pos : block;
    for (int c = 0; c < kChannels; ++c) {
      for (int k = 0; k < n; ++k) {
        fi[size_t(c)][size_t(k)] = static_cast<float>(Input(c, pos + k));
        di[size_t(c)][size_t(k)] = fi[size_t(c)][size_t(k)];
      }
    }
    if (dbl) {
      e->processDoubleReplacing(e, dip, dop, n);
    } else {
      e->processReplacing(e, fip, fop, n);
    }
    for (int c = 0; c < kChannels; ++c) {
      for (int k = 0; k < n; ++k) out.push_back(dbl ? dout[size_t(c)][size_t(k)] : fo[size_t(c)][size_t(k)]);
    }
  }
  return out;
}

std::vector<float> RandomValues(uint32_t seed, int count)
{
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  std::vector<float> v;
  for (int i = 0; i < count; ++i) v.push_back(value(rng));
  return v;
}

std::vector<unsigned char> Save(HostedPlugin& host)
{
  void* data = nullptr;
  const VstIntPtr n = host.Dispatch(effGetChunk, 0, 0, &data);
  if (n <= 0 || !data) return {};
  return std::vector<unsigned char>(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + n);
}

TEST(Vst3Edition, RendersTheSameBitsAsTheVst2EditionForTheSameValues)
{
  const TestSeed seed;
  const std::vector<float> values = RandomValues(seed, 2 * 9);
  for (int block : {64, 333, 1024}) {
    for (bool dbl : {false, true}) {
      Opened vst2(VEXA_MODULE_PATH, block), vst3(VEXA_VST3_BUNDLE_PATH, block);
      ASSERT_TRUE(vst2.ok && vst3.ok) << vst2.host.Error() << vst3.host.Error();
      const std::vector<double> a = Render(vst2.host.Effect(), block, dbl, values);
      const std::vector<double> b = Render(vst3.host.Effect(), block, dbl, values);
      ASSERT_EQ(a.size(), b.size());
      size_t first = a.size();
      for (size_t i = 0; i < a.size() && first == a.size(); ++i) {
        if (std::memcmp(&a[i], &b[i], sizeof a[i]) != 0) first = i;
      }
      EXPECT_EQ(first, a.size()) << "block " << block << (dbl ? " double" : " single") << ": sample " << first
                                 << " is " << a[first] << " in VST2, " << b[first] << " in VST3";
    }
  }
}

TEST(Vst3Edition, AParameterNobodyChangedKeepsTheEffectsDefault)
{
  Opened vst2(VEXA_MODULE_PATH, 512), vst3(VEXA_VST3_BUNDLE_PATH, 512);
  ASSERT_TRUE(vst2.ok && vst3.ok);
  EXPECT_EQ(Save(vst2.host), Save(vst3.host));
  EXPECT_EQ(Render(vst2.host.Effect(), 512, false, {}), Render(vst3.host.Effect(), 512, false, {}));
}

TEST(Vst3Edition, StateSavedByEitherEditionRestoresInTheOtherByteForByte)
{
  const TestSeed seed;
  const std::vector<float> values = RandomValues(seed, 9);
  for (bool fromVst3 : {false, true}) {
    Opened from(fromVst3 ? VEXA_VST3_BUNDLE_PATH : VEXA_MODULE_PATH, 512);
    Opened to(fromVst3 ? VEXA_MODULE_PATH : VEXA_VST3_BUNDLE_PATH, 512);
    ASSERT_TRUE(from.ok && to.ok);
    for (int p = 0; p < 9; ++p) from.host.Effect()->setParameter(from.host.Effect(), p, values[size_t(p)]);
    std::vector<unsigned char> state = Save(from.host);
    ASSERT_FALSE(state.empty());
    EXPECT_EQ(to.host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(state.size()), state.data()), 1);
    EXPECT_EQ(Save(to.host), state) << (fromVst3 ? "VST3 to VST2" : "VST2 to VST3");
    for (int p = 0; p < 9; ++p) EXPECT_EQ(to.host.ParamDisplay(p), from.host.ParamDisplay(p)) << "parameter " << p;
  }
}

TEST(Vst3Edition, ParameterNamesLabelsAndDisplaysAgreeWithTheVst2Edition)
{
  Opened vst2(VEXA_MODULE_PATH, 512), vst3(VEXA_VST3_BUNDLE_PATH, 512);
  ASSERT_TRUE(vst2.ok && vst3.ok);
  AEffect* a = vst2.host.Effect();
  AEffect* b = vst3.host.Effect();
  ASSERT_EQ(a->numParams, b->numParams);
  for (int p = 0; p < a->numParams; ++p) {
    EXPECT_EQ(vst2.host.ParamName(p), vst3.host.ParamName(p));
    EXPECT_EQ(vst2.host.ParamLabel(p), vst3.host.ParamLabel(p));
    // Sequence 0.6 shows 1 (stepped), Output 0.51 shows 0 (truncated).
    for (float x : {0.0f, 0.1f, 0.49f, 0.51f, 0.6f, 1.0f}) {
      a->setParameter(a, p, x);
      b->setParameter(b, p, x);
      EXPECT_EQ(vst2.host.ParamDisplay(p), vst3.host.ParamDisplay(p)) << "parameter " << p << " at " << x;
      EXPECT_EQ(a->getParameter(a, p), b->getParameter(b, p)) << "parameter " << p << " at " << x;
    }
    EXPECT_EQ(vst2.host.SetParamText(p, "0.5"), vst3.host.SetParamText(p, "0.5"));
  }
}

TEST(Vst3Edition, DamagedStateLeavesTheInstanceWorking)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  Opened vst3(VEXA_VST3_BUNDLE_PATH, 256);
  ASSERT_TRUE(vst3.ok);
  const std::vector<unsigned char> good = Save(vst3.host);
  for (int t = 0; t < 200; ++t) {
    std::vector<unsigned char> bad(good.begin(), good.begin() + long(rng() % good.size()));
    if (t % 2) {
      bad.resize(rng() % 4096);
      for (unsigned char& c : bad) c = static_cast<unsigned char>(rng());
    }
    bad.reserve(1);
    vst3.host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bad.size()), bad.data());
    for (double y : Render(vst3.host.Effect(), 256, false, {})) ASSERT_TRUE(std::isfinite(y)) << "trial " << t;
  }
  EXPECT_EQ(vst3.host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(good.size()),
                               const_cast<unsigned char*>(good.data())),
            1);
  EXPECT_EQ(Save(vst3.host), good);
}

TEST(Vst3Edition, EveryObjectIsReleasedToZero)
{
  {
    Opened vst3(VEXA_VST3_BUNDLE_PATH, 256);
    ASSERT_TRUE(vst3.ok);
  }
  const std::vector<std::string> problems = Vst3ReferenceProblems();
  EXPECT_TRUE(problems.empty()) << problems.front();
}

}  // namespace
