#pragma once
// A small VST 2.4 host: loads a module, answers its calls to the host and
// drives it. Used by the vexa-host tool and by the integration tests.

#include <memory>
#include <string>
#include <vector>

#include "tools/ModuleLoader.h"

class Lv2Module;
class Vst3Module;

// One call the plug-in made into the host, as recorded.
struct HostCall
{
  VstInt32 opcode;
  VstInt32 index;
  VstIntPtr value;
  bool hadPtr;
  float opt;
};

// One plug-in instance in a loaded module. Owns the module and the instance;
// closes the instance (effClose) and unloads the module when destroyed.
// Loading, opening and closing happen on the thread that made the object;
// the plug-in may call the host from any thread (the answers are serialised,
// and each thread gets its own time-info record).
class HostedPlugin
{
public:
  HostedPlugin();
  ~HostedPlugin();
  HostedPlugin(const HostedPlugin&) = delete;
  HostedPlugin& operator=(const HostedPlugin&) = delete;

  // Loads path and makes an instance through entryName ("VSTPluginMain" or
  // "main"; by default the first of the two the module exports); false with
  // Error() on failure. A path ending in ".vst3" is a VST3 bundle (or, on
  // Windows, its binary): its instances present the same record through a
  // facade (tools/Vst3Effect.h). A path naming an LV2 bundle loads its
  // plug-in through lilv, its instances presented as the same record too
  // (tools/Lv2Module.h).
  bool Load(const char* path, const char* entryName = nullptr);
  // Makes an instance through an entry point linked into this program (no
  // module is loaded); false with Error() on failure.
  bool Attach(VstEntryProc entry);
  // Makes one more instance from the already loaded module (its entry point
  // called again); the new object shares the module. Null on failure.
  AEffect* NewInstance();
  const char* Error() const { return mError.c_str(); }
  // Whether the loaded module is a VST3 one.
  bool IsVst3() const { return mVst3 != nullptr; }
  // The loaded VST3 module, owned by this object; null for a VST2 module.
  const Vst3Module* Vst3() const { return mVst3.get(); }

  AEffect* Effect() const { return mEffect; }
  VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
  // effOpen, sample rate, block size and resume, as hosts do.
  void Open(double sampleRate, int blockSize);
  void Close();

  std::string ParamName(int index);
  std::string ParamLabel(int index);
  std::string ParamDisplay(int index);
  int FindParam(const std::string& name);
  // Sets a parameter from a value in its own units through effString2Parameter.
  bool SetParamText(int index, const std::string& text);

  // What the host answers and records.
  std::string productString = "vexa-host";
  std::string vendorString = "Corvanta";
  VstIntPtr vendorVersion = 10000;
  VstInt32 processLevel = 4;  // offline
  double sampleRate = 44100.0;
  double samplePos = 0.0;
  bool verbose = false;
  bool recordCalls = true;  // long runs turn the record off
  std::vector<HostCall> calls;

  // The host callback all instances made by this program share.
  static VstIntPtr HostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt);

private:
  // One of the parameter text queries, read into a host-sized buffer.
  std::string ParamText(VstInt32 opcode, int index);
  VstIntPtr Answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

  ModuleLoader mModule;
  std::unique_ptr<Vst3Module> mVst3;
  std::unique_ptr<Lv2Module> mLv2;
  VstEntryProc mEntry = nullptr;
  AEffect* mEffect = nullptr;
  std::string mError;
};
