// The built LV2 plug-in (the bundle's binary) loaded through lilv as LV2
// hosts load it, against the VST2 module driven with the normalized values
// the LV2 adapter derives from its ports: the same sound, the same state
// bytes, limits alike, and no harm from damaged state.
#include <gtest/gtest.h>

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "lv2/Lv2Controls.h"
#include "plugin/Vexa.h"
#include "plugin/VexaIdentity.h"
#include "plugin/VexaLv2Ports.h"
#include "tests/TestSeed.h"
#include "tools/HostedPlugin.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kMaxBlock = 1024;
constexpr int kChannels = 2;
const Lv2PortTable& kPorts = kVexaLv2Ports;

// The host's URID map: one table per test.
struct Urids
{
  std::vector<std::string> uris;
  LV2_URID_Map map{this, Map};
  LV2_URID_Unmap unmap{this, Unmap};

  static LV2_URID Map(LV2_URID_Map_Handle h, const char* uri)
  {
    auto& u = static_cast<Urids*>(h)->uris;
    for (size_t i = 0; i < u.size(); ++i) {
      if (u[i] == uri) return static_cast<LV2_URID>(i + 1);
    }
    u.emplace_back(uri);
    return static_cast<LV2_URID>(u.size());
  }
  static const char* Unmap(LV2_URID_Unmap_Handle h, LV2_URID id)
  {
    auto& u = static_cast<Urids*>(h)->uris;
    return id >= 1 && id <= u.size() ? u[id - 1].c_str() : nullptr;
  }
};

// One instance of the bundle's plug-in with its port buffers.
struct Lv2Instance
{
  LilvInstance* instance = nullptr;
  std::vector<float> controls = std::vector<float>(static_cast<size_t>(kPorts.PortCount()), 0.0f);
  ~Lv2Instance() { lilv_instance_free(instance); }

  const LV2_State_Interface* State() const
  {
    return static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
  }
  // Processes in blocks of `block` frames.
  void Render(const std::vector<std::vector<float>>& in, std::vector<std::vector<float>>& out, int block)
  {
    const size_t frames = in[0].size();
    for (auto& o : out) o.assign(frames, 0.0f);
    for (size_t pos = 0; pos < frames; pos += static_cast<size_t>(block)) {
      const uint32_t n = static_cast<uint32_t>(std::min(frames - pos, static_cast<size_t>(block)));
      for (int k = 0; k < kChannels; ++k) {
        lilv_instance_connect_port(instance, kPorts.AudioInputPort(k), const_cast<float*>(&in[size_t(k)][pos]));
        lilv_instance_connect_port(instance, kPorts.AudioOutputPort(k), &out[size_t(k)][pos]);
      }
      lilv_instance_run(instance, n);
    }
  }
};

// The bundle loaded into a lilv world, and the features hosts offer.
class Lv2Plugin : public ::testing::Test
{
protected:
  void SetUp() override
  {
    world = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(world, nullptr, VEXA_LV2_BUNDLE_DIR "/");
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world, kVexaLv2Uri);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
    ASSERT_NE(plugin, nullptr) << "no plug-in " << kVexaLv2Uri << " in " << VEXA_LV2_BUNDLE_DIR;
    const LV2_URID intType = urids.map.map(&urids, LV2_ATOM__Int);
    options[0] = {LV2_OPTIONS_INSTANCE, 0, urids.map.map(&urids, LV2_BUF_SIZE__minBlockLength), sizeof(int32_t),
                  intType, &minBlock};
    options[1] = {LV2_OPTIONS_INSTANCE, 0, urids.map.map(&urids, LV2_BUF_SIZE__maxBlockLength), sizeof(int32_t),
                  intType, &maxBlock};
    options[2] = {LV2_OPTIONS_INSTANCE, 0, urids.map.map(&urids, LV2_PARAMETERS__sampleRate), sizeof(float),
                  urids.map.map(&urids, LV2_ATOM__Float), &rate};
    // The parameters' definitions, from the effect itself.
    params.reset(new Vexa(nullptr));
  }

  void TearDown() override { lilv_world_free(world); }

  std::unique_ptr<Lv2Instance> Instantiate(bool withFeatures = true)
  {
    std::unique_ptr<Lv2Instance> i(new Lv2Instance);
    const LV2_Feature* none[] = {nullptr};
    i->instance = lilv_plugin_instantiate(plugin, kRate, withFeatures ? features : none);
    if (!i->instance) return nullptr;
    for (int p = 0; p < kPorts.paramCount; ++p) i->controls[size_t(p)] = DeclaredDefault(p);
    for (int p = 0; p < kPorts.PortCount(); ++p) {
      if (p < kPorts.AudioInputPort(0) || p >= kPorts.OutputPort(0)) {
        lilv_instance_connect_port(i->instance, static_cast<uint32_t>(p), &i->controls[size_t(p)]);
      }
    }
    lilv_instance_activate(i->instance);
    return i;
  }

  // The default the bundle declares for parameter p's port, as lilv reads it.
  float DeclaredDefault(int p)
  {
    LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
    lilv_port_get_range(plugin, lilv_plugin_get_port_by_index(plugin, static_cast<uint32_t>(p)), &def, &min, &max);
    const float v = lilv_node_as_float(def);
    lilv_node_free(def);
    lilv_node_free(min);
    lilv_node_free(max);
    return v;
  }

  // The VST2 module, opened and set to what the LV2 ports of lv2 hand the
  // effect: each port that left its declared default, as the normalized
  // value the LV2 adapter derives from it.
  std::unique_ptr<HostedPlugin> Vst2Like(const Lv2Instance& lv2, int block)
  {
    std::unique_ptr<HostedPlugin> vst(new HostedPlugin);
    if (!vst->Load(VEXA_MODULE_PATH)) return nullptr;
    vst->Open(kRate, block);
    AEffect* e = vst->Effect();
    for (int p = 0; p < kPorts.paramCount; ++p) {
      const float v = lv2.controls[size_t(p)];
      if (SameBits(v, DeclaredDefault(p))) continue;
      e->setParameter(e, p, Lv2HostNormalized(*params->ParameterAt(p), v, kPorts.params[p].portPerPlain));
    }
    return vst;
  }

  static bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

  static void RenderVst2(HostedPlugin& vst, const std::vector<std::vector<float>>& in,
                         std::vector<std::vector<float>>& out, int block)
  {
    AEffect* e = vst.Effect();
    const size_t frames = in[0].size();
    for (auto& o : out) o.assign(frames, 0.0f);
    for (size_t pos = 0; pos < frames; pos += static_cast<size_t>(block)) {
      const int n = static_cast<int>(std::min(frames - pos, static_cast<size_t>(block)));
      float* ins[kChannels] = {const_cast<float*>(&in[0][pos]), const_cast<float*>(&in[1][pos])};
      float* outs[kChannels] = {&out[0][pos], &out[1][pos]};
      e->processReplacing(e, ins, outs, n);
    }
  }

  static std::vector<unsigned char> Vst2Chunk(HostedPlugin& vst)
  {
    void* data = nullptr;
    const VstIntPtr n = vst.Dispatch(effGetChunk, 0, 0, &data);
    const unsigned char* p = static_cast<const unsigned char*>(data);
    return n > 0 && p ? std::vector<unsigned char>(p, p + n) : std::vector<unsigned char>();
  }

  static VstIntPtr SetChunk(HostedPlugin& host, std::string bytes)
  {
    return host.Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bytes.size()), &bytes[0]);
  }

  // What the plug-in's state interface stores, as (type, bytes).
  struct Stored
  {
    LV2_URID key = 0, type = 0;
    uint32_t flags = 0;
    std::vector<unsigned char> bytes;
  };
  static LV2_State_Status Store(LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type,
                                uint32_t flags)
  {
    Stored* s = static_cast<Stored*>(h);
    s->key = key, s->type = type, s->flags = flags;
    s->bytes.assign(static_cast<const unsigned char*>(value), static_cast<const unsigned char*>(value) + size);
    return LV2_STATE_SUCCESS;
  }
  Stored Save(Lv2Instance& i)
  {
    Stored s;
    EXPECT_EQ(i.State()->save(lilv_instance_get_handle(i.instance), Store, &s, 0, features), LV2_STATE_SUCCESS);
    return s;
  }

  // A state the host hands back: one property, or none.
  struct Retrievable
  {
    LV2_URID key, type;
    std::vector<unsigned char> bytes;
    bool present = true;
  };
  static const void* Retrieve(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags)
  {
    const Retrievable* r = static_cast<const Retrievable*>(h);
    if (!r->present || key != r->key) return nullptr;
    *size = r->bytes.size();
    *type = r->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return r->bytes.data();
  }
  LV2_State_Status Restore(Lv2Instance& i, const Retrievable& r)
  {
    return i.State()->restore(lilv_instance_get_handle(i.instance), Retrieve, const_cast<Retrievable*>(&r), 0,
                              features);
  }
  LV2_URID Map(const char* uri) { return urids.map.map(&urids, uri); }

  // A stereo test signal with some noise, seconds long.
  static std::vector<std::vector<float>> Signal(double seconds, uint32_t seed)
  {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    const size_t frames = static_cast<size_t>(seconds * kRate);
    std::vector<std::vector<float>> s(kChannels, std::vector<float>(frames));
    for (size_t t = 0; t < frames; ++t) {
      const double swell = 0.5 + 0.45 * std::sin(static_cast<double>(t) * 0.0004);
      s[0][t] = static_cast<float>(swell * std::sin(static_cast<double>(t) * 0.031)) + noise(rng);
      s[1][t] = static_cast<float>(swell * std::sin(static_cast<double>(t) * 0.047)) + noise(rng);
    }
    return s;
  }

  // Random port values inside the ports' ranges; some ports keep their
  // defaults.
  void RandomSettings(Lv2Instance& i, std::mt19937& rng)
  {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int p = 0; p < kPorts.paramCount; ++p) {
      const IParameter& param = *params->ParameterAt(p);
      if (unit(rng) < 0.25) continue;
      const double k = kPorts.params[p].portPerPlain;
      double v = param.Min() + unit(rng) * (param.Max() - param.Min());
      if (p == kParamSequence) v = unit(rng) < 0.5 ? 0.0 : 1.0;
      i.controls[size_t(p)] = static_cast<float>(v * k);
    }
  }

  Urids urids;
  int32_t minBlock = 1, maxBlock = kMaxBlock;
  float rate = static_cast<float>(kRate);
  LV2_Options_Option options[4] = {};
  LV2_Feature mapFeature{LV2_URID__map, &urids.map};
  LV2_Feature unmapFeature{LV2_URID__unmap, &urids.unmap};
  LV2_Feature optionsFeature{LV2_OPTIONS__options, options};
  LV2_Feature boundedFeature{LV2_BUF_SIZE__boundedBlockLength, nullptr};
  const LV2_Feature* features[5] = {&mapFeature, &unmapFeature, &optionsFeature, &boundedFeature, nullptr};
  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  std::unique_ptr<Vexa> params;
};

TEST_F(Lv2Plugin, RendersBitIdenticalToTheVst2ModuleForTheSameValues)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  const auto input = Signal(1.5, seed);
  for (int block : {64, 333, kMaxBlock}) {
    for (int trial = 0; trial < 3; ++trial) {
      SCOPED_TRACE("block " + std::to_string(block) + ", trial " + std::to_string(trial));
      auto lv2 = Instantiate();
      ASSERT_TRUE(lv2);
      RandomSettings(*lv2, rng);
      auto vst = Vst2Like(*lv2, block);
      ASSERT_TRUE(vst);
      std::vector<std::vector<float>> a(kChannels), b(kChannels);
      lv2->Render(input, a, block);
      RenderVst2(*vst, input, b, block);
      for (int k = 0; k < kChannels; ++k) {
        ASSERT_EQ(std::memcmp(a[size_t(k)].data(), b[size_t(k)].data(), a[size_t(k)].size() * sizeof(float)), 0)
          << "channel " << k << " differs";
      }
      EXPECT_EQ(Save(*lv2).bytes, Vst2Chunk(*vst));
    }
  }
}

TEST_F(Lv2Plugin, PortsAtTheirDeclaredDefaultsLeaveTheEffectsOwnDefaults)
{
  // Q's 0.707 is not exact in single precision: taken from its port it
  // would differ from the effect's default in the chunk.
  auto lv2 = Instantiate();
  ASSERT_TRUE(lv2);
  std::vector<std::vector<float>> out(kChannels);
  lv2->Render(Signal(0.1, 1), out, kMaxBlock);
  HostedPlugin vst;
  ASSERT_TRUE(vst.Load(VEXA_MODULE_PATH)) << vst.Error();
  vst.Open(kRate, kMaxBlock);
  EXPECT_EQ(Save(*lv2).bytes, Vst2Chunk(vst));
  for (int p = 0; p < kPorts.paramCount; ++p) {
    const IParameter& param = *params->ParameterAt(p);
    EXPECT_EQ(DeclaredDefault(p), static_cast<float>(param.Default() * kPorts.params[p].portPerPlain))
      << "port " << kPorts.params[p].symbol << " declares another default than the effect's";
  }
}

TEST_F(Lv2Plugin, PortValuesOutOfRangeNanOrInfiniteAreLimitedAsVst2SetParameterLimits)
{
  auto lv2 = Instantiate();
  ASSERT_TRUE(lv2);
  const float inf = std::numeric_limits<float>::infinity(), nan = std::numeric_limits<float>::quiet_NaN();
  lv2->controls[kParamMix] = 30.0f;
  std::vector<std::vector<float>> out(kChannels);
  const auto input = Signal(0.2, 2);
  lv2->Render(input, out, kMaxBlock);
  lv2->controls[kParamQ] = 100.0f;
  lv2->controls[kParamFrequency] = -5.0f;
  lv2->controls[kParamMix] = nan;  // keeps 30
  lv2->controls[kParamOutput] = inf;
  lv2->controls[kParamPitch] = -inf;
  lv2->controls[kParamSequence] = 7.0f;
  lv2->Render(input, out, kMaxBlock);

  HostedPlugin vst;
  ASSERT_TRUE(vst.Load(VEXA_MODULE_PATH)) << vst.Error();
  vst.Open(kRate, kMaxBlock);
  AEffect* e = vst.Effect();
  e->setParameter(e, kParamMix, Lv2HostNormalized(*params->ParameterAt(kParamMix), 30.0f, 1.0));
  for (int p : {kParamQ, kParamOutput, kParamSequence}) e->setParameter(e, p, 1.0f);
  for (int p : {kParamFrequency, kParamPitch}) e->setParameter(e, p, 0.0f);
  const Stored saved = Save(*lv2);
  EXPECT_EQ(saved.bytes, Vst2Chunk(vst));
  std::vector<std::vector<float>> again(kChannels);
  lv2->Render(input, again, kMaxBlock);
  for (const auto& channel : again) {
    for (float s : channel) ASSERT_TRUE(std::isfinite(s));
  }
}

TEST_F(Lv2Plugin, StateSavedAndRestoredThroughLilvIsTheVst2ChunkAndSoundsTheSame)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  auto original = Instantiate();
  ASSERT_TRUE(original);
  RandomSettings(*original, rng);
  const auto input = Signal(0.5, seed);
  std::vector<std::vector<float>> out(kChannels);
  original->Render(input, out, kMaxBlock);

  // The port values travel beside the state in hosts; here the ports of
  // the restored instance are set alike.
  LilvState* state = lilv_state_new_from_instance(plugin, original->instance, &urids.map, nullptr, nullptr, nullptr,
                                                  nullptr, nullptr, nullptr,
                                                  LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features);
  ASSERT_NE(state, nullptr);
  char* text = lilv_state_to_string(world, &urids.map, &urids.unmap, state, "urn:test:state", nullptr);
  lilv_state_free(state);
  ASSERT_NE(text, nullptr);
  EXPECT_NE(std::string(text).find(kVexaLv2StateKey), std::string::npos) << text;

  auto restored = Instantiate();
  ASSERT_TRUE(restored);
  restored->controls = original->controls;
  LilvState* parsed = lilv_state_new_from_string(world, &urids.map, text);
  lilv_free(text);
  ASSERT_NE(parsed, nullptr);
  lilv_state_restore(parsed, restored->instance, nullptr, nullptr, 0, features);
  lilv_state_free(parsed);

  auto vst = Vst2Like(*original, kMaxBlock);
  ASSERT_TRUE(vst);
  const Stored saved = Save(*restored);
  EXPECT_EQ(saved.type, Map(LV2_ATOM__Chunk));
  EXPECT_EQ(saved.key, Map(kVexaLv2StateKey));
  EXPECT_EQ(saved.flags, static_cast<uint32_t>(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));
  EXPECT_EQ(saved.bytes, Vst2Chunk(*vst));
  EXPECT_EQ(saved.bytes, Save(*original).bytes);

  std::vector<std::vector<float>> a(kChannels), b(kChannels);
  RenderVst2(*vst, input, a, kMaxBlock);
  restored->Render(input, b, kMaxBlock);
  EXPECT_EQ(a, b) << "the restored instance sounds as the VST2 module with the same values";
  auto fresh = Instantiate();
  fresh->controls = original->controls;
  Retrievable r{Map(kVexaLv2StateKey), Map(LV2_ATOM__Chunk), saved.bytes};
  ASSERT_EQ(Restore(*fresh, r), LV2_STATE_SUCCESS);
  std::vector<std::vector<float>> c(kChannels);
  fresh->Render(input, c, kMaxBlock);
  EXPECT_EQ(b, c) << "two instances restored from the same state sound the same";
}

TEST_F(Lv2Plugin, DamagedStateDoesNoHarm)
{
  const TestSeed seed;
  std::mt19937 rng(seed);
  auto lv2 = Instantiate();
  ASSERT_TRUE(lv2);
  const std::vector<unsigned char> good = Save(*lv2).bytes;
  ASSERT_FALSE(good.empty());
  const auto input = Signal(0.05, seed);
  std::uniform_int_distribution<int> byte(0, 255);
  const LV2_URID key = Map(kVexaLv2StateKey), chunk = Map(LV2_ATOM__Chunk);
  for (int t = 0; t < 60; ++t) {
    Retrievable r{key, chunk, good};
    switch (t % 3) {
      case 0: r.bytes.resize(rng() % good.size()); break;
      case 1:
        for (int k = 0; k < 200; ++k) r.bytes.push_back(static_cast<unsigned char>(byte(rng)));
        break;
      default:
        r.bytes.assign(rng() % 300, 0);
        for (auto& b : r.bytes) b = static_cast<unsigned char>(byte(rng));
        break;
    }
    Restore(*lv2, r);
    std::vector<std::vector<float>> out(kChannels);
    lv2->Render(input, out, kMaxBlock);
    for (const auto& channel : out) {
      for (float s : channel) ASSERT_TRUE(std::isfinite(s)) << "after damaged state " << t;
    }
  }
  EXPECT_EQ(Restore(*lv2, Retrievable{key, Map(LV2_ATOM__String), good}), LV2_STATE_ERR_BAD_TYPE);
  Retrievable missing{key, chunk, good};
  missing.present = false;
  EXPECT_EQ(Restore(*lv2, missing), LV2_STATE_SUCCESS);
  ASSERT_EQ(Restore(*lv2, Retrievable{key, chunk, good}), LV2_STATE_SUCCESS);
  EXPECT_EQ(Save(*lv2).bytes, good);
}

// The host tool hands the bundle a chunk as lilv's state text. Text that
// types no subject a preset (truncated, foreign, garbage) once made lilv read
// through a null node; the tool must refuse it and keep its state.
TEST_F(Lv2Plugin, HostToolRefusesStateTextThatNamesNoPreset)
{
  HostedPlugin host;
  ASSERT_TRUE(host.Load(VEXA_LV2_BUNDLE_DIR)) << host.Error();
  host.Open(kRate, kMaxBlock);
  const std::vector<unsigned char> good = Vst2Chunk(host);
  ASSERT_FALSE(good.empty());
  const std::string text(good.begin(), good.end());
  const size_t typed = text.find("pset:Preset");
  ASSERT_NE(typed, std::string::npos) << text;
  const std::vector<std::string> damaged = {
    "<urn:vexa-host:state>\n\ta pset:Preste",  // the validator's seed-2 chunk
    text.substr(0, typed),
    "<urn:x> a <urn:not-a-preset> .",
    "@prefix pset: <urn:elsewhere#> .\n<urn:x> a pset:Preset .",
    "\xff\x95garbage",
  };
  for (const std::string& bad : damaged) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(SetChunk(host, bad), 0);
    EXPECT_EQ(Vst2Chunk(host), good) << "the refused text left the state alone";
  }
  EXPECT_EQ(SetChunk(host, text), 1);
  EXPECT_EQ(Vst2Chunk(host), good);
}

TEST_F(Lv2Plugin, IndicatorPortsCarryTheEnvelopeAndTheGate)
{
  auto lv2 = Instantiate();
  ASSERT_TRUE(lv2);
  lv2->controls[kParamIntensity] = 90.0f;
  lv2->controls[kParamRelease] = 500.0f;
  lv2->controls[kParamSequence] = 1.0f;
  const auto input = Signal(0.05, 3);
  std::vector<std::vector<float>> out(kChannels);
  float reductionMax = 0.0f, gateMin = 1.0f, gateMax = 0.0f;
  for (int b = 0; b < 40; ++b) {
    lv2->Render(input, out, kMaxBlock);
    const float reduction = lv2->controls[size_t(kPorts.OutputPort(kVexaOutputReduction))];
    const float gate = lv2->controls[size_t(kPorts.OutputPort(kVexaOutputGate))];
    ASSERT_TRUE(reduction >= 0.0f && reduction <= 1.0f) << reduction;
    ASSERT_TRUE(gate >= 0.0f && gate <= 1.0f) << gate;
    reductionMax = std::max(reductionMax, reduction);
    gateMin = std::min(gateMin, gate);
    gateMax = std::max(gateMax, gate);
  }
  EXPECT_GT(reductionMax, 0.1f) << "a loud input at full intensity pulls the filter down";
  EXPECT_GT(gateMax - gateMin, 0.5f) << "the gate opens and closes over two seconds";
}

TEST_F(Lv2Plugin, ABlockLongerThanTheMaximumIsProcessedInSlices)
{
  auto whole = Instantiate();
  auto sliced = Instantiate();
  ASSERT_TRUE(whole && sliced);
  const auto input = Signal(3.0 * kMaxBlock / kRate, 4);
  std::vector<std::vector<float>> a(kChannels), b(kChannels);
  whole->Render(input, a, 3 * kMaxBlock);
  sliced->Render(input, b, kMaxBlock);
  EXPECT_EQ(a, b);
}

TEST_F(Lv2Plugin, AnAbsurdMaximumBlockLengthGivesWholeBlocksOfSaneSize)
{
  // A host announcing blocks of 2^31 - 1 frames must not make the
  // instance take gigabytes; blocks of a usual size stay whole.
  maxBlock = std::numeric_limits<int32_t>::max();
  constexpr int kBlock = 4096;
  auto lv2 = Instantiate();
  ASSERT_TRUE(lv2);
  auto vst = Vst2Like(*lv2, kBlock);
  ASSERT_TRUE(vst);
  const auto input = Signal(0.5, 5);
  std::vector<std::vector<float>> a(kChannels), b(kChannels);
  lv2->Render(input, a, kBlock);
  RenderVst2(*vst, input, b, kBlock);
  EXPECT_EQ(a, b);
}

TEST_F(Lv2Plugin, RefusesAHostWithoutTheUridMap)
{
  EXPECT_FALSE(Instantiate(false));
}

}  // namespace
