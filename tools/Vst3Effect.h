#pragma once
// Hosting VST3 modules through the VST 2.4 interface the rest of vexa-host
// drives: a loaded module (Vst3Module) makes instances that present an
// AEffect record whose dispatcher, process and parameter callbacks turn
// into the VST3 calls a host makes (the facade, Vst3Effect in the source).
// So every check and command that runs on VST2 modules runs on VST3 ones.

#include <string>
#include <vector>

#include "tools/ModuleLoader.h"
#include "vst3/Vst3Defs.h"

// A loaded VST3 module. Owns the library and one reference to its factory;
// destroying it releases the factory, calls the unload notification and
// unloads the library. Every instance must be closed (effClose) first.
// UI thread.
class Vst3Module
{
public:
  Vst3Module() = default;
  ~Vst3Module();
  Vst3Module(const Vst3Module&) = delete;
  Vst3Module& operator=(const Vst3Module&) = delete;

  // Loads the bundle (or binary) at path and finds its audio effect class.
  // False with error set on failure.
  bool Load(const char* path, std::string& error);
  // A new instance: component and controller made, initialized and
  // connected, behind an AEffect facade that effClose destroys. host
  // receives the controller's edits as audioMasterBeginEdit,
  // audioMasterAutomate and audioMasterEndEdit. Null on failure.
  AEffect* NewInstance(audioMasterCallback host);

  vst3::IPluginFactory* Factory() const { return mFactory; }
  const vst3::PClassInfo2& EffectClass() const { return mClass; }

private:
  ModuleLoader mLoader;
  bool mEntered = false;
  vst3::IPluginFactory* mFactory = nullptr;
  vst3::PClassInfo2 mClass = {};
};

// The VST3 interfaces behind a facade's record, for the checks that test
// VST3 itself; null for a record that is no facade. The pointers belong to
// the facade.
struct Vst3Parts
{
  vst3::IComponent* component;
  vst3::IAudioProcessor* processor;
  vst3::IEditController* controller;
};
bool Vst3PartsOf(AEffect* effect, Vst3Parts* parts);

// What went wrong with reference counts when facades closed their
// instances (an object or view not released to zero), in the order seen.
// Process-wide; any thread.
std::vector<std::string> Vst3ReferenceProblems();
// Adds one such problem, seen by a check of its own.
void Vst3ReferenceProblemsNote(const std::string& what);
