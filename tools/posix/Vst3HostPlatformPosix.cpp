// Hosting VST3 modules on Linux.
#include <poll.h>
#include <sys/stat.h>

#include "tools/Vst3HostPlatform.h"
#include "vst3/Vst3Defs.h"

namespace {
constexpr char kArchitecture[] = "x86_64-linux";
constexpr char kBinarySuffix[] = ".so";
constexpr char kBundleSuffix[] = ".vst3";
}  // namespace

std::string Vst3BinaryPath(const std::string& path)
{
  struct stat st = {};
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return path;
  std::string bundle = path;
  while (bundle.size() > 1 && bundle.back() == '/') bundle.pop_back();
  std::string name = bundle.substr(bundle.find_last_of('/') + 1);
  if (name.size() > sizeof kBundleSuffix - 1 &&
      name.compare(name.size() - (sizeof kBundleSuffix - 1), sizeof kBundleSuffix - 1, kBundleSuffix) == 0) {
    name.resize(name.size() - (sizeof kBundleSuffix - 1));
  }
  return bundle + "/Contents/" + kArchitecture + "/" + name + kBinarySuffix;
}

bool EnterVst3Module(ModuleLoader& module, std::string& error)
{
  typedef bool (*EntryProc)(void*);
  EntryProc entry = reinterpret_cast<EntryProc>(module.Symbol("ModuleEntry"));
  if (!entry) {
    error = "the module exports no ModuleEntry";
    return false;
  }
  if (!entry(module.Handle())) {
    error = "ModuleEntry failed";
    return false;
  }
  return true;
}

void ExitVst3Module(ModuleLoader& module)
{
  typedef bool (*ExitProc)();
  if (ExitProc exit = reinterpret_cast<ExitProc>(module.Symbol("ModuleExit"))) exit();
}

const char* Vst3ViewType() { return vst3::kPlatformX11Window; }

bool Vst3HostOffersRunLoop() { return true; }

bool DescriptorReadable(int fd)
{
  pollfd p = {fd, POLLIN, 0};
  return poll(&p, 1, 0) > 0 && (p.revents & (POLLIN | POLLHUP | POLLERR));
}
