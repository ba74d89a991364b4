// Speed of the Windows editor window, for an editor of the effect's shape
// (764 x 222, the effect's twelve controls and images): the time from the
// host's open request to the end of the first full paint, on an instance
// whose images are already decoded, beside one full repaint of the open
// window; and the processor time an open editor takes per second while
// nothing changes, beside the same wait with the editor closed and with one
// indicator changing on every tick. Run with a display (under Wine with an
// X server).
#include <windows.h>

#include <benchmark/benchmark.h>

#include <memory>
#include <new>

#include "graphics/BitmapControls.h"
#include "graphics/EditorWindow.h"
#include "graphics/Graphics.h"
#include "plugin/Vexa.h"

namespace {

constexpr int kWidth = 764, kHeight = 222, kFrameRate = 25;
constexpr int kReductionIndicator = 10;
// Wall time of one idle measurement.
constexpr UINT kIdleMs = 3000;
constexpr UINT_PTR kStopTimer = 77;

struct KnobRow
{
  int x, y, param, id, frames;
  const char* name;
};

const KnobRow kKnobs[] = {
  {164, 62, kParamQ, 101, 61, "resources/img/BAND.png"},
  {71, 62, kParamFrequency, 102, 61, "resources/img/FREQ.png"},
  {257, 62, kParamAttack, 103, 61, "resources/img/ATK.png"},
  {350, 62, kParamRelease, 104, 61, "resources/img/REL.png"},
  {444, 62, kParamIntensity, 105, 61, "resources/img/INTEN.png"},
  {563, 62, kParamMix, 106, 61, "resources/img/MIX.png"},
  {657, 62, kParamOutput, 107, 61, "resources/img/OUT.png"},
  {351, 193, kParamPitch, 112, 25, "resources/img/PITCH.png"},
};

void BuildLayout(Vexa& plug)
{
  IGraphics* ed = MakeEditorWindow(&plug, kWidth, kHeight, kFrameRate);
  if (!ed) return;
  ed->AttachBackground(
    new (std::nothrow) IBitmapControl(&plug, 0, 0, ed->LoadBitmapResource(108, "resources/img/BG.png", 1), kBlendCopy));
  for (const KnobRow& k : kKnobs) {
    ed->AttachControl(new (std::nothrow)
                        IKnobMultiControl(&plug, k.x, k.y, k.param, ed->LoadBitmapResource(k.id, k.name, k.frames)));
  }
  ed->AttachControl(new (std::nothrow) ISwitchControl(&plug, 0, 192, kParamSequence,
                                                      ed->LoadBitmapResource(109, "resources/img/SEQ.png", 2)));
  const int reduction = ed->AttachControl(
    new (std::nothrow) IBitmapControl(&plug, 323, 38, ed->LoadBitmapResource(110, "resources/img/DLED.png", 61)));
  const int gate = ed->AttachControl(
    new (std::nothrow) IBitmapControl(&plug, 109, 192, ed->LoadBitmapResource(111, "resources/img/SLED.png", 61)));
  plug.SetMeterControls(reduction, gate);
  plug.AttachEditor(ed);
}

VstIntPtr SilentHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
  return opcode == audioMasterVersion ? 2400 : 0;
}

// A host: a top-level window with an editor frame inside, and instances.
struct Host
{
  Host()
  {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "BenchHost";
    RegisterClassA(&wc);
    top = CreateWindowExA(0, "BenchHost", "host", WS_POPUP | WS_VISIBLE, 0, 0, kWidth + 20, kHeight + 20, nullptr,
                          nullptr, wc.hInstance, nullptr);
    frame = CreateWindowExA(0, "BenchHost", "frame", WS_CHILD | WS_VISIBLE, 10, 10, kWidth, kHeight, top, nullptr,
                            wc.hInstance, nullptr);
    // The first instance decodes the images; the measured one finds them.
    first.reset(new Vexa(SilentHost, BuildLayout));
    plug.reset(new Vexa(SilentHost, BuildLayout));
  }

  VstIntPtr Dispatch(VstInt32 opcode, void* ptr = nullptr)
  {
    AEffect* e = plug->Effect();
    return e->dispatcher(e, opcode, 0, 0, ptr, 0.0f);
  }

  IGraphics* Editor() const { return static_cast<IGraphics*>(plug->Editor()); }
  HWND EditorWindow() const { return static_cast<HWND>(Editor()->NativeWindow()); }

  HWND top = nullptr;
  HWND frame = nullptr;
  std::unique_ptr<Vexa> first, plug;
};

Host& TheHost()
{
  static Host host;
  return host;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

double Now()
{
  static LARGE_INTEGER origin = [] {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return Seconds(origin, t);
}

// Processor time of the process so far, in seconds.
double ProcessCpu()
{
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) * 1e-7;
  };
  return seconds(kernel) + seconds(user);
}

void OpenToFirstPaint(benchmark::State& state)
{
  Host& host = TheHost();
  double open = 0.0, repaint = 0.0;
  for (auto _ : state) {
    const double t0 = Now();
    if (!host.Dispatch(effEditOpen, host.frame)) {
      state.SkipWithError("the editor did not open");
      return;
    }
    // The first paint, synchronously: every control drawn, then presented.
    UpdateWindow(host.EditorWindow());
    const double t1 = Now();
    InvalidateRect(host.EditorWindow(), nullptr, FALSE);
    UpdateWindow(host.EditorWindow());
    const double t2 = Now();
    host.Dispatch(effEditClose);
    open += t1 - t0;
    repaint += t2 - t1;
    state.SetIterationTime(t1 - t0);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["open_to_paint_ms"] = 1e3 * open / n;
  state.counters["full_repaint_ms"] = 1e3 * repaint / n;
  state.counters["ratio"] = open / repaint;
}

enum class Idle
{
  Closed,
  OpenClean,
  OpenIndicator,
};

// What one idle wait cost.
struct IdleCost
{
  double cpu = 0.0;    // processor time of the whole process
  double inTick = 0.0; // wall time inside the editor's timer messages
  int ticks = 0;
};

// Waits kIdleMs in a host's message loop.
void IdleWait(Host& host, Idle mode, IdleCost* cost)
{
  const UINT_PTR stop = SetTimer(nullptr, kStopTimer, kIdleMs, nullptr);
  HWND editor = mode == Idle::Closed ? nullptr : host.EditorWindow();
  const double cpu0 = ProcessCpu();
  double level = 0.0;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER && msg.hwnd == nullptr && msg.wParam == stop) break;
    const bool tick = editor && msg.message == WM_TIMER && msg.hwnd == editor;
    if (!tick) {
      DispatchMessageA(&msg);
      continue;
    }
    ++cost->ticks;
    const double t0 = Now();
    if (mode == Idle::OpenIndicator) {
      // As the audio thread would between two ticks.
      level = level > 0.95 ? 0.0 : level + 0.02;
      host.Editor()->TakePlugValueAt(kReductionIndicator, level);
    }
    DispatchMessageA(&msg);
    cost->inTick += Now() - t0;
  }
  KillTimer(nullptr, stop);
  cost->cpu += ProcessCpu() - cpu0;
}

void IdleEditorCpu(benchmark::State& state)
{
  Host& host = TheHost();
  IdleCost closed, clean, indicator;
  for (auto _ : state) {
    IdleWait(host, Idle::Closed, &closed);
    host.Dispatch(effEditOpen, host.frame);
    UpdateWindow(host.EditorWindow());
    // The second paint every control owes after its first.
    SendMessageA(host.EditorWindow(), WM_TIMER, 2, 0);
    IdleWait(host, Idle::OpenClean, &clean);
    IdleWait(host, Idle::OpenIndicator, &indicator);
    host.Dispatch(effEditClose);
  }
  const double seconds = static_cast<double>(state.iterations()) * kIdleMs / 1000.0;
  state.counters["closed_cpu_ms_per_s"] = 1e3 * closed.cpu / seconds;
  state.counters["idle_cpu_ms_per_s"] = 1e3 * clean.cpu / seconds;
  state.counters["indicator_cpu_ms_per_s"] = 1e3 * indicator.cpu / seconds;
  state.counters["idle_tick_us"] = clean.ticks ? 1e6 * clean.inTick / clean.ticks : 0.0;
  state.counters["indicator_tick_us"] = indicator.ticks ? 1e6 * indicator.inTick / indicator.ticks : 0.0;
  state.counters["ticks_per_s"] = clean.ticks / seconds;
}

}  // namespace

BENCHMARK(OpenToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(IdleEditorCpu)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
