#pragma once
// The platform's side of hosting VST3 modules (tools/posix, tools/win).

#include <string>

#include "tools/ModuleLoader.h"

// The binary inside a bundle folder (Contents/<architecture>/<name>.so or
// .vst3), or path itself when it is no folder.
std::string Vst3BinaryPath(const std::string& path);
// Calls the module's load notification (ModuleEntry on Linux, required;
// InitDll on Windows, optional). False with error set on failure.
bool EnterVst3Module(ModuleLoader& module, std::string& error);
// Calls the module's unload notification, where it has one.
void ExitVst3Module(ModuleLoader& module);
// The view platform type of this system.
const char* Vst3ViewType();
// Whether plug-in views expect the host's run loop (Linux) rather than
// running their own timer (Windows).
bool Vst3HostOffersRunLoop();
// Whether fd has data to read now; never waits.
bool DescriptorReadable(int fd);
