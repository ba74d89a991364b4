#pragma once
// Loading a plug-in module and finding its entry point.

#include "vst/VstDefs.h"

typedef AEffect* (*VstEntryProc)(audioMasterCallback host);

// A loaded module. Owns the platform's library handle and unloads it when
// destroyed. UI thread.
class ModuleLoader
{
public:
  ModuleLoader() = default;
  ~ModuleLoader();
  ModuleLoader(const ModuleLoader&) = delete;
  ModuleLoader& operator=(const ModuleLoader&) = delete;

  // Loads the module at path; false (with Error() telling why) on failure.
  bool Load(const char* path);
  // The exported function of that name, or null.
  VstEntryProc Entry(const char* name) const;
  // The address of the exported symbol of that name, or null.
  void* Symbol(const char* name) const;
  // The platform's handle of the loaded module, or null.
  void* Handle() const { return mHandle; }
  const char* Error() const { return mError; }

private:
  void* mHandle = nullptr;
  char mError[512] = {};
};
