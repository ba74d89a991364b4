// Speed of the X11 editor window in a real X server, with an editor of the
// effect's size and control count: opening up to the end of the first
// paint, a tick that repaints the two indicators (and a knob), and the CPU
// time an open editor with nothing dirty costs per second of host idle
// calls.
#include <benchmark/benchmark.h>

#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <new>
#include <thread>
#include <vector>

#include "graphics/BitmapControls.h"
#include "graphics/EditorCaches.h"
#include "graphics/EditorWindow.h"
#include "graphics/x11/GraphicsX11.h"
#include "plugin/Vexa.h"
#include "raster/Bitmap.h"
#include "tools/HostedPlugin.h"
#include "vst/EntryPoint.h"

namespace {

constexpr int kWidth = 764, kHeight = 222;
constexpr int kKnobSide = 66, kKnobFrames = 61;
constexpr int kMeterWidth = 20, kMeterHeight = 100, kMeterFrames = 16;
constexpr int kBackgroundId = 9201, kKnobId = 9202, kSwitchId = 9203, kMeterId = 9204;
constexpr int kKnobParams[] = {kParamQ, kParamFrequency, kParamAttack, kParamRelease, kParamIntensity, kParamMix,
                               kParamOutput, kParamPitch};
// A host calling effEditIdle a hundred times a second.
constexpr int kHostIdleMilliseconds = 10;
constexpr int kTickMilliseconds = 40;

template <class Paint>
LICE_MemBitmap* MakeStrip(int w, int h, Paint paint)
{
  LICE_MemBitmap* b = new LICE_MemBitmap(w, h);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b->Pixels()[y * b->Stride() + x] = paint(x, y);
  }
  return b;
}

void CacheStrips()
{
  if (FindCachedBitmap(kBackgroundId)) return;
  AddCachedBitmap(kBackgroundId, MakeStrip(kWidth, kHeight, [](int x, int y) {
                    return 0xFF000000u | static_cast<uint32_t>((x * 3) & 0xFF) << 16 | static_cast<uint32_t>(y) << 8;
                  }));
  AddCachedBitmap(kKnobId, MakeStrip(kKnobSide, kKnobSide * kKnobFrames, [](int x, int y) {
                    const int dx = x - kKnobSide / 2, dy = y % kKnobSide - kKnobSide / 2;
                    const uint32_t a = dx * dx + dy * dy < 30 * 30 ? 255u : 0u;
                    return a << 24 | static_cast<uint32_t>(y & 0xFF) << 8 | static_cast<uint32_t>(x);
                  }));
  AddCachedBitmap(kSwitchId, MakeStrip(40, 48, [](int x, int y) { return 0xC0000000u | static_cast<uint32_t>(x * y); }));
  AddCachedBitmap(kMeterId, MakeStrip(kMeterWidth, kMeterHeight * kMeterFrames, [](int x, int y) {
                    return 0xFF000000u | static_cast<uint32_t>(y & 0xFF) << 16 | static_cast<uint32_t>(x);
                  }));
}

void BuildEditor(Vexa& plug)
{
  CacheStrips();
  IGraphics* g = MakeEditorWindow(&plug, kWidth, kHeight, 25);
  g->AttachBackground(new IBitmapControl(&plug, 0, 0, g->LoadBitmapResource(kBackgroundId, "bg.png", 1)));
  const IBitmapRef knob = g->LoadBitmapResource(kKnobId, "knob.png", kKnobFrames);
  int x = 20;
  for (int p : kKnobParams) {
    g->AttachControl(new IKnobMultiControl(&plug, x, 40, p, knob));
    x += kKnobSide + 10;
  }
  g->AttachControl(new ISwitchControl(&plug, x, 60, kParamSequence, g->LoadBitmapResource(kSwitchId, "sw.png", 2)));
  const IBitmapRef meter = g->LoadBitmapResource(kMeterId, "meter.png", kMeterFrames);
  const int reduction = g->AttachControl(new IBitmapControl(&plug, 700, 60, meter));
  const int gate = g->AttachControl(new IBitmapControl(&plug, 730, 60, meter));
  plug.SetMeterControls(reduction, gate);
  plug.AttachEditor(g);
}

IPlugVST* Create(audioMasterCallback host) { return new (std::nothrow) Vexa(host, BuildEditor); }
AEffect* Entry(audioMasterCallback host) { return MakeEffect(Create, host); }

// The server may refuse a connection now and then while it catches up with
// closed ones; a few tries, a few milliseconds apart.
Display* ConnectToServer()
{
  for (int attempt = 0; attempt < 4; ++attempt) {
    if (Display* d = XOpenDisplay(nullptr)) return d;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return nullptr;
}

IGraphicsX11* EditorOf(HostedPlugin& h)
{
  return dynamic_cast<IGraphicsX11*>(IPlugVST::FromEffect(h.Effect())->Editor());
}

// A host with the editor's parent window on its own connection.
struct Bench
{
  Display* display = ConnectToServer();
  Window parent = 0;
  HostedPlugin host;

  // Empty when ready, else what is missing.
  const char* Ready()
  {
    if (!display) return "no X display";
    if (!host.Attach(Entry)) return "no plug-in instance";
    host.Open(44100.0, 512);
    XSetWindowAttributes a = {};
    a.override_redirect = True;
    parent = XCreateWindow(display, DefaultRootWindow(display), 0, 0, kWidth, kHeight, 0, CopyFromParent,
                           InputOutput, CopyFromParent, CWOverrideRedirect, &a);
    XMapWindow(display, parent);
    XSync(display, False);
    return "";
  }
  ~Bench()
  {
    host.Close();
    if (display) XCloseDisplay(display);
  }
  bool Open() { return host.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))) == 1; }
  void PaintFirst()
  {
    const long before = EditorOf(host)->PresentCount();
    while (EditorOf(host)->PresentCount() == before) host.Dispatch(effEditIdle);
  }
  // Ready, the editor open and its first paint done; otherwise state is
  // skipped with the reason, and false.
  bool OpenAndPaint(benchmark::State& state)
  {
    const char* missing = Ready();
    if (!*missing && !Open()) missing = "the editor did not open";
    if (*missing) {
      state.SkipWithError(missing);
      return false;
    }
    PaintFirst();
    return true;
  }
  // Lets the ticks that still find something to draw go by: the editor is
  // at rest afterwards.
  void Settle()
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(4 * kTickMilliseconds));
    host.Dispatch(effEditIdle);
    host.Dispatch(effEditIdle);
  }
  // The indicators move as during playback, and with withKnob one knob too.
  void MakeDirty(int round, bool withKnob)
  {
    std::vector<float> in(512, round % 2 ? 0.9f : 0.05f), out(512);
    float* ins[2] = {in.data(), in.data()};
    float* outs[2] = {out.data(), out.data()};
    host.Effect()->processReplacing(host.Effect(), ins, outs, 512);
    if (withKnob) host.Effect()->setParameter(host.Effect(), kParamMix, round % 2 ? 0.25f : 0.75f);
  }
};

void BM_OpenToFirstPaint(benchmark::State& state)
{
  Bench b;
  if (const char* missing = b.Ready(); *missing) {
    state.SkipWithError(missing);
    return;
  }
  for (auto _ : state) {
    if (!b.Open()) {
      state.SkipWithError("the editor did not open");
      break;
    }
    b.PaintFirst();
    state.PauseTiming();
    b.host.Dispatch(effEditClose);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_OpenToFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime();

// One idle call that runs a due tick: what the tick repaints and sends.
void Tick(benchmark::State& state, bool withKnob)
{
  Bench b;
  if (!b.OpenAndPaint(state)) return;
  int round = 0;
  for (auto _ : state) {
    state.PauseTiming();
    b.MakeDirty(++round, withKnob);
    std::this_thread::sleep_for(std::chrono::milliseconds(kTickMilliseconds + 1));
    const long before = EditorOf(b.host)->PresentCount();
    state.ResumeTiming();
    b.host.Dispatch(effEditIdle);
    if (EditorOf(b.host)->PresentCount() == before) state.SkipWithError("the tick drew nothing");
  }
}

void BM_TickIndicators(benchmark::State& state) { Tick(state, false); }
BENCHMARK(BM_TickIndicators)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(100);

void BM_TickIndicatorsAndAKnob(benchmark::State& state) { Tick(state, true); }
BENCHMARK(BM_TickIndicatorsAndAKnob)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(100);

// One second of idle calls at the host's rate with nothing to draw. The CPU
// time column is the editor's cost per second.
void BM_IdleSecondNothingDirty(benchmark::State& state)
{
  Bench b;
  if (!b.OpenAndPaint(state)) return;
  b.Settle();
  const long presents = EditorOf(b.host)->PresentCount();
  for (auto _ : state) {
    for (int i = 0; i < 1000 / kHostIdleMilliseconds; ++i) {
      b.host.Dispatch(effEditIdle);
      std::this_thread::sleep_for(std::chrono::milliseconds(kHostIdleMilliseconds));
    }
  }
  if (EditorOf(b.host)->PresentCount() != presents) state.SkipWithError("an idle editor drew");
}
BENCHMARK(BM_IdleSecondNothingDirty)->Unit(benchmark::kMicrosecond)->Iterations(3);

// The same second of host timer pauses without the idle calls: what the
// waiting itself costs, to subtract.
void BM_IdleSecondBaseline(benchmark::State& state)
{
  for (auto _ : state) {
    for (int i = 0; i < 1000 / kHostIdleMilliseconds; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kHostIdleMilliseconds));
    }
  }
}
BENCHMARK(BM_IdleSecondBaseline)->Unit(benchmark::kMicrosecond)->Iterations(3);

// A single idle call with nothing to draw, for the per-call cost.
void BM_IdleCallNothingDirty(benchmark::State& state)
{
  Bench b;
  if (!b.OpenAndPaint(state)) return;
  b.Settle();
  for (auto _ : state) b.host.Dispatch(effEditIdle);
}
BENCHMARK(BM_IdleCallNothingDirty)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
