// Module loading on Windows.
#include <windows.h>

#include <cstdio>

#include "tools/ModuleLoader.h"

ModuleLoader::~ModuleLoader()
{
  if (mHandle) FreeLibrary(static_cast<HMODULE>(mHandle));
}

bool ModuleLoader::Load(const char* path)
{
  mHandle = LoadLibraryA(path);
  if (!mHandle) std::snprintf(mError, sizeof mError, "cannot load %s (error %lu)", path, GetLastError());
  return mHandle != nullptr;
}

VstEntryProc ModuleLoader::Entry(const char* name) const { return reinterpret_cast<VstEntryProc>(Symbol(name)); }

void* ModuleLoader::Symbol(const char* name) const
{
  if (!mHandle) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(mHandle), name));
}
