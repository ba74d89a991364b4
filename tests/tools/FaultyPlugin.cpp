// A small gain plug-in module that misbehaves on request, for testing the
// validator: each fault is something a real plug-in gets wrong, and the
// validator must report it. With no fault the plug-in is well-behaved and
// must pass every check. The test picks the fault through the exported
// FaultyPluginSetFault before it validates the module.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "tests/tools/FaultyPlugin.h"
#include "tests/tools/SystemObjectLeak.h"
#include "vst/VstDefs.h"

namespace {

std::atomic<int> gFault{kNoFault};
std::atomic<int> gSaves{0};  // chunks saved by all instances

constexpr int kParams = 2;
constexpr int kSteps = 4;  // the second parameter takes 5 values
constexpr int kChunkBytes = sizeof(float) * kParams;
constexpr int kDisplayBytes = 300;  // the over-long display of kLongDisplay
// The interface's text sizes, which this plug-in keeps to.
constexpr size_t kParamTextBytes = 8;
constexpr size_t kEffectNameBytes = 32;
constexpr size_t kVendorBytes = 64;
constexpr size_t kProgramNameBytes = 24;
// The editor of the editor faults: a rectangle of this size, drawing nothing.
constexpr short kEditorWidth = 120;
constexpr short kEditorHeight = 80;

// What kHoardsMemory keeps of every closed instance: still reachable, so
// leak checkers at exit stay quiet, but never given back while running.
constexpr size_t kHoardBytes = 64 << 10;
std::mutex gHoardLock;
std::vector<std::unique_ptr<std::vector<char>>> gHoard;

void Hoard()
{
  std::lock_guard<std::mutex> guard(gHoardLock);
  gHoard.emplace_back(new std::vector<char>(kHoardBytes, 1));
}

bool EditorFault()
{
  return gFault == kEditorBadRect || gFault == kEditorWontOpen || gFault == kEditorSizeOnceOpen ||
         gFault == kEditorNeverSized;
}

// One instance. The audio thread reads the parameters while the user
// interface sets them, hence atomics.
struct Plugin
{
  AEffect effect;
  std::atomic<float> params[kParams] = {{0.5f}, {0.0f}};
  unsigned char chunk[kChunkBytes + sizeof(int)] = {};
  ERect rect = {};
  bool editorOpen = false;  // between effEditOpen and effEditClose (UI thread)
};

Plugin* Self(AEffect* e) { return static_cast<Plugin*>(e->object); }

float Gain(const Plugin* p) { return p->params[0].load() * 2.0f * (1.0f + p->params[1].load()); }

template <class T>
void Process(AEffect* e, T** in, T** out, VstInt32 frames)
{
  Plugin* p = Self(e);
  if (frames <= 0) {
    if (gFault == kWritesEmptyBlock) out[0][0] = 0;
    return;
  }
  const T gain = static_cast<T>(Gain(p));
  for (int c = 0; c < 2; ++c) {
    for (int k = 0; k < frames; ++k) out[c][k] = in[c][k] * gain + (gFault == kNeverSilent ? T(0.01) : T(0));
  }
  if (gFault == kNotANumber) out[1][frames / 2] = std::nan("");
  if (gFault == kSubnormal) out[0][frames - 1] = std::numeric_limits<T>::denorm_min();
  if (gFault == kOverrun) out[0][frames] = 0;
}

void ProcessFloat(AEffect* e, float** in, float** out, VstInt32 frames) { Process(e, in, out, frames); }
void ProcessDouble(AEffect* e, double** in, double** out, VstInt32 frames) { Process(e, in, out, frames); }

void SetParameter(AEffect* e, VstInt32 index, float value)
{
  if (index < 0 || index >= kParams || !(value >= 0.0f && value <= 1.0f)) return;
  if (index == 1) value = std::floor(value * kSteps + 0.5f) / kSteps;
  Self(e)->params[index] = value;
}

float GetParameter(AEffect* e, VstInt32 index)
{
  if (index < 0 || index >= kParams) return 0.0f;
  const float v = Self(e)->params[index];
  return gFault == kReadBackOff ? v + 0.05f : v;
}

VstIntPtr Dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float)
{
  Plugin* p = Self(e);
  switch (opcode) {
    case effClose:
      if (gFault == kHoardsMemory) Hoard();
      if (gFault == kLeaksSystemObject) LeakSystemObject();
      delete p;
      return 0;
    case effGetParamName:
      std::snprintf(static_cast<char*>(ptr), kParamTextBytes, index == 0 ? "Gain" : "Boost");
      return 0;
    case effGetParamLabel: static_cast<char*>(ptr)[0] = 0; return 0;
    case effGetParamDisplay:
      if (gFault == kLongDisplay) {
        std::memset(ptr, '9', kDisplayBytes);
        static_cast<char*>(ptr)[kDisplayBytes - 1] = 0;
      } else {
        std::snprintf(static_cast<char*>(ptr), kParamTextBytes, "%.3f", static_cast<double>(p->params[index == 0 ? 0 : 1].load()));
      }
      return 0;
    case effGetChunk: {
      for (int i = 0; i < kParams; ++i) {
        const float v = p->params[i].load();
        std::memcpy(p->chunk + sizeof(float) * i, &v, sizeof v);
      }
      const int n = gFault == kDriftingChunk ? ++gSaves : 0;
      std::memcpy(p->chunk + kChunkBytes, &n, sizeof n);
      *static_cast<void**>(ptr) = p->chunk;
      return sizeof p->chunk;
    }
    case effSetChunk:
      if (value != static_cast<VstIntPtr>(sizeof p->chunk)) {
        if (gFault == kBrokenByBadChunk) p->params[0].store(std::nanf(""));
        return 0;
      }
      for (int i = 0; i < kParams && gFault != kForgetsChunk; ++i) {
        float v;
        std::memcpy(&v, static_cast<const unsigned char*>(ptr) + sizeof(float) * i, sizeof v);
        p->params[i].store(v);
      }
      return 1;
    case effEditGetRect:
      if (!ptr || gFault == kEditorNeverSized || (gFault == kEditorSizeOnceOpen && !p->editorOpen)) return 0;
      p->rect = ERect{0, 0, kEditorHeight, kEditorWidth};
      if (gFault == kEditorBadRect) p->rect.bottom = -kEditorHeight;
      *static_cast<ERect**>(ptr) = &p->rect;
      return 1;
    case effEditOpen:
      if (gFault == kEditorWontOpen) return 0;
      p->editorOpen = true;
      return 1;
    case effEditClose:
      p->editorOpen = false;
      return 1;
    case effGetEffectName: std::snprintf(static_cast<char*>(ptr), kEffectNameBytes, "Faulty"); return 1;
    case effGetVendorString: std::snprintf(static_cast<char*>(ptr), kVendorBytes, "Vexa tests"); return 1;
    case effGetProductString: static_cast<char*>(ptr)[0] = 0; return 1;
    case effGetProgramNameIndexed: std::snprintf(static_cast<char*>(ptr), kProgramNameBytes, "Default"); return 1;
    case effGetVstVersion: return kVstVersion;
    default: return 0;
  }
}

}  // namespace

extern "C" VEXA_EXPORT void FaultyPluginSetFault(int fault) { gFault.store(fault); }

extern "C" VEXA_EXPORT AEffect* VSTPluginMain(audioMasterCallback)
{
  Plugin* p = new (std::nothrow) Plugin;
  if (!p) return nullptr;
  AEffect& e = p->effect;
  std::memset(&e, 0, sizeof e);
  e.magic = kEffectMagic;
  e.dispatcher = Dispatcher;
  e.setParameter = SetParameter;
  e.getParameter = GetParameter;
  e.processReplacing = ProcessFloat;
  e.processDoubleReplacing = ProcessDouble;
  e.numPrograms = 1;
  e.numParams = kParams;
  e.numInputs = 2;
  e.numOutputs = 2;
  e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing | effFlagsProgramChunks;
  if (EditorFault()) e.flags |= effFlagsHasEditor;
  e.ioRatio = 1.0f;
  e.object = p;
  e.uniqueID = 0x46617574;
  return &e;
}
