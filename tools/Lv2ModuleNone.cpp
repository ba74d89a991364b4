// Builds without lilv (the Windows ones) host no LV2 plug-ins: no path is a
// bundle, and loading one says why.
#include "tools/Lv2Module.h"

struct Lv2Plugin
{
};

bool IsLv2Bundle(const char*) { return false; }

Lv2Module::Lv2Module() = default;
Lv2Module::~Lv2Module() = default;

bool Lv2Module::Load(const char*)
{
  mError = "this build of the host tool loads no LV2 plug-ins";
  return false;
}

AEffect* Lv2Module::NewInstance(audioMasterCallback) { return nullptr; }
