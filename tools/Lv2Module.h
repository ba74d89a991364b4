#pragma once
// LV2 plug-ins in the host tool. A bundle is loaded through lilv and every
// instance of its plug-in is presented as a VST 2.4 effect record, so that
// each command and check of vexa-host drives an LV2 plug-in as it drives a
// VST2 module: the dispatcher's opcodes, the audio and parameter callbacks
// and the calls into the host map onto the LV2 instance, its ports, its
// state interface and its X11 UI (tools/Lv2Effect.h tells how).

#include <memory>
#include <string>

#include "vst/VstDefs.h"

struct Lv2Plugin;

// True when path names an LV2 bundle: a directory holding a manifest.ttl.
bool IsLv2Bundle(const char* path);

// One LV2 bundle loaded through lilv, and the plug-in it describes (the first
// when it describes several). Owns the lilv world and what the instances
// share (the URID table, the log); must outlive every instance it made.
// Loading and making instances: the UI thread.
class Lv2Module
{
public:
  Lv2Module();
  ~Lv2Module();
  Lv2Module(const Lv2Module&) = delete;
  Lv2Module& operator=(const Lv2Module&) = delete;

  // Loads the bundle at path and, after it, the LV2 vocabularies and
  // plug-ins on the LV2 path (a plug-in of the same URI found there is
  // ignored); false with Error() on failure.
  bool Load(const char* path);
  // A new instance as an effect record; effClose destroys it. Null when the
  // plug-in refuses to instantiate.
  AEffect* NewInstance(audioMasterCallback host);
  const char* Error() const { return mError.c_str(); }
  // The loaded plug-in's description (null before a Load succeeded), for
  // hosting its UI directly. The module's.
  Lv2Plugin* Plugin() const { return mPlugin.get(); }

private:
  std::unique_ptr<Lv2Plugin> mPlugin;
  std::string mError;
};
