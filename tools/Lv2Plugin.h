#pragma once
// What the LV2 hosting files of the host tool share: the description of one
// loaded plug-in read through lilv, the URID table and the log the host
// offers, and the features every instance and UI gets.

#include <lilv/lilv.h>
#include <lv2/log/log.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "vst/VstDefs.h"

// The host's URID map and unmap: one table for the module, thread-safe
// (plug-ins map URIs from any of their threads). Unmapped texts stay valid
// as long as the table.
class Lv2UridTable
{
public:
  Lv2UridTable();
  Lv2UridTable(const Lv2UridTable&) = delete;
  Lv2UridTable& operator=(const Lv2UridTable&) = delete;

  LV2_URID Map(const char* uri);
  // The URI of id, or null for an id never handed out.
  const char* Unmap(LV2_URID id);
  LV2_URID_Map* MapFeature() { return &mMap; }
  LV2_URID_Unmap* UnmapFeature() { return &mUnmap; }

private:
  std::mutex mLock;
  std::deque<std::string> mUris;  // URID n is element n - 1
  LV2_URID_Map mMap;
  LV2_URID_Unmap mUnmap;
};

enum class Lv2PortKind { kAudioIn, kAudioOut, kControlIn, kControlOut, kAtomIn, kAtomOut, kOther };

struct Lv2ScalePoint
{
  float value;
  std::string label;
};

// One port as the plug-in's data describes it.
struct Lv2PortInfo
{
  uint32_t index = 0;
  Lv2PortKind kind = Lv2PortKind::kOther;
  std::string symbol;
  std::string name;
  std::string unit;  // the unit's symbol, or empty
  float minimum = 0.0f;
  float maximum = 1.0f;
  float defaultValue = 0.0f;
  bool toggled = false;
  bool integer = false;
  std::vector<Lv2ScalePoint> scalePoints;
};

// A preset the plug-in's data lists.
struct Lv2Preset
{
  std::string uri;
  std::string label;
};

// The X11 UI of the plug-in, when it has one.
struct Lv2UiInfo
{
  std::string uri;
  std::string bundlePath;  // with a trailing separator, as UIs expect
  std::string binaryPath;
};

// One loaded plug-in. Owned by Lv2Module; every instance refers to it.
// Read-only after loading, except the URID table (locked) and the log.
struct Lv2Plugin
{
  Lv2Plugin();
  ~Lv2Plugin();
  Lv2Plugin(const Lv2Plugin&) = delete;
  Lv2Plugin& operator=(const Lv2Plugin&) = delete;

  // Reads the plug-in's ports, presets and UI; false with error set when a
  // port is of no kind this host can connect.
  bool Describe(std::string& error);
  // The port whose symbol this is, or null.
  const Lv2PortInfo* PortBySymbol(const char* symbol) const;

  LilvWorld* world = nullptr;
  const LilvPlugin* plugin = nullptr;
  Lv2UridTable urids;
  LV2_Log_Log log;
  std::string uri;
  std::string name;
  std::string vendor;
  std::vector<Lv2PortInfo> ports;  // in port index order
  std::vector<uint32_t> params;    // the input control ports, as parameters 0, 1, ...
  std::vector<uint32_t> audioIns, audioOuts, controlOuts;
  std::vector<Lv2Preset> presets;
  bool hasUi = false;
  Lv2UiInfo ui;
  bool hasState = false;
};

// A new instance of plugin as an effect record (tools/Lv2Effect.cpp); effClose
// destroys it. Null when the plug-in refuses to instantiate. UI thread.
AEffect* NewLv2Effect(Lv2Plugin& plugin, audioMasterCallback host);
