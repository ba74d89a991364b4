// Hosting VST3 modules on Windows.
#include <windows.h>

#include "tools/Vst3HostPlatform.h"
#include "vst3/Vst3Defs.h"

namespace {
constexpr int kPointerBytes32 = 4;
}  // namespace

std::string Vst3BinaryPath(const std::string& path)
{
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return path;
  std::string bundle = path;
  while (bundle.size() > 1 && (bundle.back() == '/' || bundle.back() == '\\')) bundle.pop_back();
  const std::string name = bundle.substr(bundle.find_last_of("/\\") + 1);
  const char* architecture = sizeof(void*) == kPointerBytes32 ? "x86-win" : "x86_64-win";
  return bundle + "\\Contents\\" + architecture + "\\" + name;
}

bool EnterVst3Module(ModuleLoader& module, std::string& error)
{
  typedef bool (*InitProc)();
  InitProc init = reinterpret_cast<InitProc>(module.Symbol("InitDll"));
  if (init && !init()) {
    error = "InitDll failed";
    return false;
  }
  return true;
}

void ExitVst3Module(ModuleLoader& module)
{
  typedef bool (*ExitProc)();
  if (ExitProc exit = reinterpret_cast<ExitProc>(module.Symbol("ExitDll"))) exit();
}

const char* Vst3ViewType() { return vst3::kPlatformHwnd; }

bool Vst3HostOffersRunLoop() { return false; }

bool DescriptorReadable(int) { return false; }
