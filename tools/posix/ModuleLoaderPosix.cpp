// Module loading on POSIX systems.
#include <dlfcn.h>

#include <cstdio>

#include "tools/ModuleLoader.h"

ModuleLoader::~ModuleLoader()
{
  if (mHandle) dlclose(mHandle);
}

bool ModuleLoader::Load(const char* path)
{
  mHandle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!mHandle) std::snprintf(mError, sizeof mError, "%s", dlerror());
  return mHandle != nullptr;
}

VstEntryProc ModuleLoader::Entry(const char* name) const { return reinterpret_cast<VstEntryProc>(Symbol(name)); }

void* ModuleLoader::Symbol(const char* name) const { return mHandle ? dlsym(mHandle, name) : nullptr; }
