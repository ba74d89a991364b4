// The effect and its editor layout compiled on an adapter of the tests' own
// (tests/plugin/effect/PlugAdapter.h), with no host interface's code on the
// include path or linked: what every adapter relies on. The instance
// processes, saves and restores its state through the core's chunk
// operations (the bytes of the committed state files), and its editor draws
// and reports the edits made in it through the adapter.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/FloatEnv.h"
#include "graphics/Graphics.h"
#include "graphics/ImageLookup.h"
#include "plugin/EffectChain.h"
#include "plugin/Vexa.h"
#include "plugin/VexaEditor.h"
#include "plugin/VexaIdentity.h"
#include "raster/Bitmap.h"
#include "raster/Blit.h"
#include "tests/TestSeed.h"
#include "tests/plugin/VexaPlaces.h"

namespace {

constexpr uint32_t kSeed = 0x5eed0417;
constexpr double kSampleRate = 44100.0;
constexpr int kParams = kNumVexaParams;

// The values the committed *-settings.bin files hold: Q, Frequency, Attack,
// Release, Intensity, Mix, Output, Pitch, Sequence.
const double kSettings[kParams] = {2.5, 1234.56, 0.0033, 0.3, 45.5, 12.25, -3, 7, 1};

std::vector<unsigned char> StateFile(const char* name)
{
  std::ifstream in(std::string(VEXA_STATE_DIR) + "/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<unsigned char> Bytes(const IStateChunk& chunk)
{
  return std::vector<unsigned char>(chunk.Data(), chunk.Data() + chunk.Size());
}

// The committed file restored as a program or as a bank chunk.
bool RestoreProgramFile(Vexa& plug, const char* name)
{
  const std::vector<unsigned char> bytes = StateFile(name);
  IStateChunk chunk;
  EXPECT_TRUE(chunk.Assign(bytes.data(), static_cast<int>(bytes.size())));
  return plug.RestoreProgramChunk(chunk);
}
bool RestoreBankFile(Vexa& plug, const char* name)
{
  const std::vector<unsigned char> bytes = StateFile(name);
  IStateChunk chunk;
  EXPECT_TRUE(chunk.Assign(bytes.data(), static_cast<int>(bytes.size())));
  return plug.RestoreBankChunk(chunk);
}

IGraphics* MakeWindowless(IPlugBase* plug, int width, int height, int frameRate)
{
  return new IGraphics(plug, width, height, frameRate);
}
void BuildWindowless(Vexa& plug) { ASSERT_TRUE(BuildVexaEditor(plug, MakeWindowless)); }

// An opened instance on the test adapter at 44.1 kHz.
std::unique_ptr<Vexa> OpenVexa(TestHost* host, VexaEditorFactory factory = nullptr)
{
  auto plug = std::make_unique<Vexa>(host, factory);
  plug->Open();
  return plug;
}

void SetValues(Vexa& plug, const double* values)
{
  for (int i = 0; i < kParams; ++i) {
    plug.ParameterAt(i)->SetClamped(values[i]);
    plug.ParameterChanged(i);
  }
}

void ExpectValues(const Vexa& plug, const double* values)
{
  for (int i = 0; i < kParams; ++i) EXPECT_EQ(plug.ParameterAt(i)->Value(), values[i]) << "parameter " << i;
}

uint64_t Bits(double x)
{
  uint64_t u;
  std::memcpy(&u, &x, sizeof u);
  return u;
}

}  // namespace

TEST(EffectOnTestAdapter, TakesItsIdentityFromTheGeneratedDefinition)
{
  TestHost host;
  auto plug = OpenVexa(&host);
  EXPECT_STREQ(plug->EffectName(), "Vexa");
  EXPECT_STREQ(plug->MakerName(), "Corvanta");
  EXPECT_STREQ(plug->ProductName(), "");
  EXPECT_EQ(plug->Version(), 0x00010000);
  EXPECT_EQ(plug->UniqueId(), 0x56584131);  // 'VXA1'
  EXPECT_EQ(plug->MakerId(), 0x436F7276);   // 'Corv'
  EXPECT_STREQ(kVexaVersionText, "1.0.0");
  EXPECT_EQ(kVexaDecimalVersion, 10000);
  const unsigned char component[16] = {0xC0, 0xA5, 0xE7, 0xB1, 0x3F, 0x42, 0x4D, 0x8A,
                                       0x9B, 0x61, 0x7E, 0x2D, 0x5A, 0x9C, 0x4F, 0x10};
  EXPECT_EQ(std::memcmp(kVexaVst3ComponentId, component, sizeof component), 0);
  EXPECT_EQ(std::memcmp(kVexaVst3ControllerId, component, sizeof component - 1), 0);
  EXPECT_EQ(kVexaVst3ControllerId[15], 0x11);
  EXPECT_STREQ(kVexaLv2Uri, "urn:corvanta:vexa");
  EXPECT_STREQ(kVexaLv2UiUri, "urn:corvanta:vexa#ui");
  EXPECT_EQ(plug->NParams(), 9);
  EXPECT_EQ(plug->NPresets(), 1);
  EXPECT_STREQ(plug->PresetName(0), "-");
}

// The adapter's processing frame feeds the effect's chain exactly: the same
// blocks through a bare chain with the same settings give the same bits.
TEST(EffectOnTestAdapter, ProcessesLikeTheBareChain)
{
  TestHost host;
  auto plug = OpenVexa(&host);
  SetValues(*plug, kSettings);
  auto chain = std::make_unique<EffectChain>();
  for (int i = 0; i < kParams; ++i) chain->SetParameter(i, plug->ParameterAt(i)->Value());
  const TestSeed seed(kSeed);
  std::mt19937 rng(seed);
  const int blocks[] = {1, 64, 441, 512, 7, 300};
  int sounding = 0;
  for (int frames : blocks) {
    std::vector<double> inL(frames), inR(frames), outL(frames), outR(frames), refL(frames), refR(frames);
    for (int i = 0; i < frames; ++i) {
      inL[i] = static_cast<double>(rng() % 2001) / 1000.0 - 1.0;
      inR[i] = static_cast<double>(rng() % 2001) / 1000.0 - 1.0;
    }
    double* in[2] = {inL.data(), inR.data()};
    double* out[2] = {outL.data(), outR.data()};
    double* ref[2] = {refL.data(), refR.data()};
    plug->Process(in, out, frames);
    {
      // Adapters process with denormals flushed; so does the reference.
      IScopedFlushDenormals flush;
      chain->ProcessBlock(in, ref, frames, kSampleRate, nullptr);
    }
    for (int i = 0; i < frames; ++i) {
      ASSERT_EQ(Bits(outL[i]), Bits(refL[i])) << "block of " << frames << ", frame " << i;
      ASSERT_EQ(Bits(outR[i]), Bits(refR[i])) << "block of " << frames << ", frame " << i;
      if (outL[i] != 0.0 && outR[i] != 0.0) ++sounding;
    }
  }
  // The comparison is of sound, not of silence.
  EXPECT_GT(sounding, 400);
}

// The core's chunk writers give the bytes of the committed files, which the
// VST2 module has always written; the readers restore them.
TEST(EffectOnTestAdapter, SavesTheCommittedStateBytes)
{
  TestHost host;
  auto plug = OpenVexa(&host);
  IStateChunk chunk;
  ASSERT_TRUE(plug->SaveProgramChunk(chunk));
  EXPECT_EQ(Bytes(chunk), StateFile("program-default.bin"));
  ASSERT_TRUE(plug->SaveBankChunk(chunk));
  EXPECT_EQ(Bytes(chunk), StateFile("bank-default.bin"));

  SetValues(*plug, kSettings);
  ASSERT_TRUE(plug->SaveProgramChunk(chunk));
  EXPECT_EQ(chunk.Size(), 8 + kParams * 8);
  EXPECT_EQ(Bytes(chunk), StateFile("program-settings.bin"));
  ASSERT_TRUE(plug->SaveBankChunk(chunk));
  EXPECT_EQ(Bytes(chunk), StateFile("bank-settings.bin"));
}

TEST(EffectOnTestAdapter, RestoresProgramsAndBanksAndRefusesDamagedOnes)
{
  TestHost host;
  auto plug = OpenVexa(&host);
  const double defaults[kParams] = {0.707, 20000, 0.001, 0.1, 0, 0, 0, 0, 0};

  EXPECT_TRUE(RestoreProgramFile(*plug, "program-settings.bin"));
  ExpectValues(*plug, kSettings);
  // The restored values went into the current preset slot too.
  EXPECT_TRUE(plug->RestorePreset(0));
  ExpectValues(*plug, kSettings);

  // A bank without a current header is read as one program's values.
  EXPECT_TRUE(RestoreBankFile(*plug, "program-values-without-header.bin"));
  ExpectValues(*plug, kSettings);
  EXPECT_TRUE(RestoreBankFile(*plug, "bank-default.bin"));
  ExpectValues(*plug, defaults);
  EXPECT_TRUE(RestoreBankFile(*plug, "bank-settings.bin"));
  ExpectValues(*plug, kSettings);

  EXPECT_FALSE(RestoreProgramFile(*plug, "program-cut-inside-fifth-value.bin"));
  EXPECT_FALSE(RestoreProgramFile(*plug, "empty.bin"));
  EXPECT_FALSE(RestoreBankFile(*plug, "bank-cut-inside-values.bin"));
  EXPECT_FALSE(RestoreBankFile(*plug, "bank-negative-name-length.bin"));

  // After all that, what it saves restores to itself.
  SetValues(*plug, kSettings);
  IStateChunk saved;
  ASSERT_TRUE(plug->SaveBankChunk(saved));
  SetValues(*plug, defaults);
  EXPECT_TRUE(plug->RestoreBankChunk(saved));
  ExpectValues(*plug, kSettings);
}

namespace {

// The whole editor as it should look for plug's parameter values, composed
// from the embedded images: the background, then each control's frame for
// its parameter (the indicators at rest: frame 0) over it.
std::unique_ptr<LICE_MemBitmap> ExpectedEditor(const Vexa& plug)
{
  std::unique_ptr<LICE_MemBitmap> out(new LICE_MemBitmap(kVexaEditorWidth, kVexaEditorHeight));
  for (int i = 0; i < kNumVexaControls; ++i) {
    const Place& p = kPlaces[i];
    std::unique_ptr<LICE_MemBitmap> image(LoadEmbeddedPng(nullptr, p.resourceId, "image.png"));
    if (!image) {
      ADD_FAILURE() << "image " << p.resourceId << " missing";
      return out;
    }
    const double normalized = p.param >= 0 ? plug.ParameterAt(p.param)->ToNormalized() : 0.0;
    const int frame = static_cast<int>((p.frames - 1) * normalized + 0.5);
    const LICE_Rect source = {0, frame * p.height, p.width, (frame + 1) * p.height};
    BlitBitmap(out.get(), image.get(), p.x, p.y, &source, 1.0f, i == kControlBackground ? 0 : SourceAlphaFlag);
  }
  return out;
}

int DifferingPixels(IGraphics* editor, LICE_IBitmap* expected)
{
  LICE_IBitmap* s = editor->Surface();
  int differing = 0;
  for (int y = 0; y < kVexaEditorHeight; ++y) {
    for (int x = 0; x < kVexaEditorWidth; ++x) {
      if (s->Pixels()[y * s->Stride() + x] != expected->Pixels()[y * expected->Stride() + x]) ++differing;
    }
  }
  return differing;
}

const IArea kEditorArea = {0, 0, kVexaEditorWidth, kVexaEditorHeight};

}  // namespace

// The layout attaches to the effect on any adapter and shows its values; a
// restored state reaches the drawn editor.
TEST(EffectOnTestAdapter, EditorDrawsTheValuesAndFollowsARestoredState)
{
  TestHost host;
  auto plug = OpenVexa(&host, BuildWindowless);
  IGraphics* editor = static_cast<IGraphics*>(plug->Editor());
  ASSERT_NE(editor, nullptr);
  ASSERT_EQ(editor->ControlCount(), kNumVexaControls);
  editor->RedrawArea(kEditorArea);
  EXPECT_EQ(DifferingPixels(editor, ExpectedEditor(*plug).get()), 0);

  const std::unique_ptr<LICE_MemBitmap> before = ExpectedEditor(*plug);
  ASSERT_TRUE(RestoreProgramFile(*plug, "program-settings.bin"));
  editor->RedrawArea(kEditorArea);
  const std::unique_ptr<LICE_MemBitmap> after = ExpectedEditor(*plug);
  EXPECT_EQ(DifferingPixels(editor, after.get()), 0);
  EXPECT_GT(DifferingPixels(editor, before.get()), 0);
  // Without a window to open, opening fails and nothing is opened.
  EXPECT_EQ(plug->OpenEditor(nullptr), nullptr);
  plug->CloseEditor();
}

// A drag on a knob reaches the host through the adapter as one edit: begin,
// the changes, end; the effect's parameter follows.
TEST(EffectOnTestAdapter, EditorGesturesReachTheHostThroughTheAdapter)
{
  TestHost host;
  auto plug = OpenVexa(&host, BuildWindowless);
  IGraphics* editor = static_cast<IGraphics*>(plug->Editor());
  ASSERT_NE(editor, nullptr);
  const Place& mix = kPlaces[kControlMix];
  const int x = mix.x + mix.width / 2, y = mix.y + mix.height / 2;
  editor->RouteMouseDown(x, y, IMouseMods{});
  editor->RouteMouseDrag(x, y - 20, IMouseMods{});
  editor->RouteMouseDrag(x, y - 40, IMouseMods{});
  editor->RouteMouseUp(x, y - 40, IMouseMods{});

  ASSERT_GE(host.calls.size(), 3u);
  EXPECT_EQ(host.calls.front().call, TestHost::Call::kBeginEdit);
  EXPECT_EQ(host.calls.front().index, kParamMix);
  EXPECT_EQ(host.calls.back().call, TestHost::Call::kEndEdit);
  EXPECT_EQ(host.calls.back().index, kParamMix);
  double last = 0.0;
  for (size_t i = 1; i + 1 < host.calls.size(); ++i) {
    EXPECT_EQ(host.calls[i].call, TestHost::Call::kChange);
    EXPECT_EQ(host.calls[i].index, kParamMix);
    EXPECT_GT(host.calls[i].normalized, last);
    last = host.calls[i].normalized;
  }
  EXPECT_EQ(plug->ParameterAt(kParamMix)->ToNormalized(), last);
  EXPECT_GT(plug->ParameterAt(kParamMix)->Value(), 0.0);

  // A host's change arrives in the control.
  plug->SetNormalized(kParamMix, 0.25);
  EXPECT_EQ(editor->ControlAt(kControlMix)->Value(), 0.25);
}
