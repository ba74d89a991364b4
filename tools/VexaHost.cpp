// vexa-host: loads a VST 2.4 module and shows, renders or stores through it.

#include <cstdio>
#include <string>
#include <vector>

#include "tools/Arguments.h"
#include "tools/FileBytes.h"
#include "tools/HostCommands.h"
#include "tools/HostHelp.h"
#include "tools/HostPresets.h"
#include "tools/HostedPlugin.h"
#include "tools/HostedSettings.h"
#include "tools/Lifecycle.h"
#include "tools/Snapshot.h"
#include "tools/StagedFile.h"
#include "tools/Validator.h"

namespace {

// The rate and block size instances are opened with outside a render.
constexpr double kOpenRate = 44100.0;
constexpr int kOpenBlock = 1024;
constexpr long long kMaxCycles = 100000;
constexpr long long kMaxSeed = 0xFFFFFFFFLL;

std::string FourCC(VstInt32 v)
{
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((v >> shift) & 0xFF);
    s += (c >= 32 && c < 127) ? c : '?';
  }
  return s;
}

int Info(const std::string& path)
{
  HostedPlugin host;
  if (!LoadPlugin(host, path)) return 1;
  host.Open(kOpenRate, kOpenBlock);
  AEffect* e = host.Effect();
  char text[256] = {};
  host.Dispatch(effGetEffectName, 0, 0, text);
  std::printf("effect       %s\n", text);
  text[0] = 0;
  host.Dispatch(effGetVendorString, 0, 0, text);
  std::printf("vendor       %s\n", text);
  text[0] = 0;
  host.Dispatch(effGetProductString, 0, 0, text);
  std::printf("product      %s\n", text);
  std::printf("magic        0x%08X\n", static_cast<unsigned>(e->magic));
  std::printf("uniqueID     0x%08X '%s'\n", static_cast<unsigned>(e->uniqueID), FourCC(e->uniqueID).c_str());
  std::printf("version      %d\n", e->version);
  std::printf("flags        0x%X\n", static_cast<unsigned>(e->flags));
  std::printf("inputs       %d\n", e->numInputs);
  std::printf("outputs      %d\n", e->numOutputs);
  std::printf("programs     %d\n", e->numPrograms);
  std::printf("params       %d\n", e->numParams);
  std::printf("initialDelay %d\n", e->initialDelay);
  std::printf("vst version  %ld\n", static_cast<long>(host.Dispatch(effGetVstVersion)));
  std::printf("category     %ld\n", static_cast<long>(host.Dispatch(effGetPlugCategory)));
  std::printf("\nparameters\n");
  for (int i = 0; i < e->numParams; ++i) {
    std::printf("  %2d  %-12s %10s %-3s  (normalized %.6f)\n", i, host.ParamName(i).c_str(),
                host.ParamDisplay(i).c_str(), host.ParamLabel(i).c_str(),
                static_cast<double>(e->getParameter(e, i)));
  }
  std::printf("\nprograms\n");
  for (int i = 0; i < e->numPrograms; ++i) {
    char name[256] = {};
    host.Dispatch(effGetProgramNameIndexed, i, 0, name);
    std::printf("  %2d  %s\n", i, name);
  }
  std::printf("\ncanDo\n");
  const char* caps[] = {"receiveVstTimeInfo", "sendVstEvents",       "sendVstMidiEvent", "receiveVstEvents",
                        "receiveVstMidiEvent", "hasCockosExtensions", "bypass",           "offline"};
  for (const char* cap : caps) {
    const VstIntPtr r = host.Dispatch(effCanDo, 0, 0, const_cast<char*>(cap));
    std::printf("  %-20s 0x%llX\n", cap, static_cast<unsigned long long>(static_cast<uintptr_t>(r)));
  }
  return 0;
}

// Writes a preset file (.fxp, .fxb, .vstpreset) as hosts save them, whole
// or not at all.
int SavePreset(HostedPlugin& host, const std::string& file)
{
  std::string error;
  StagedFile staged(file);
  if (!CheckOutputPath(file, error) || !staged.Begin(error) || !SavePresetFile(host, staged.Path(), error) ||
      !staged.Commit(error)) {
    std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
    return 1;
  }
  std::printf("saved %s\n", file.c_str());
  return 0;
}

int StateSave(HostedPlugin& host, const std::string& file, bool program, const std::vector<std::string>& sets,
              const std::string& programName)
{
  std::string error;
  if (!ApplySettings(host, sets, error)) return UsageError("state", error);
  if (!programName.empty()) NameCurrentProgram(host, programName);
  // Preset files hold what hosts save; other files the chunk.
  if (IsPresetFilePath(file)) return SavePreset(host, file);
  void* data = nullptr;
  const VstIntPtr size = host.Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
  if (size <= 0 || !data) {
    std::fprintf(stderr, "vexa-host: the plug-in gave no state\n");
    return 1;
  }
  StagedFile staged(file);
  if (!CheckOutputPath(file, error) || !staged.Begin(error) ||
      !WriteFileBytes(staged.Path(), data, static_cast<size_t>(size)) || !staged.Commit(error)) {
    std::fprintf(stderr, "vexa-host: cannot write %s%s%s\n", file.c_str(), error.empty() ? "" : ": ", error.c_str());
    return 1;
  }
  std::printf("saved %ld bytes to %s\n", static_cast<long>(size), file.c_str());
  return 0;
}

int StateLoad(HostedPlugin& host, const std::string& file, bool program)
{
  std::string error, warning;
  const bool ok = IsPresetFilePath(file) ? LoadPresetFile(host, file, error)
                                         : LoadStateFile(host, file, program, error, warning);
  if (!warning.empty()) std::fprintf(stderr, "vexa-host: warning: %s\n", warning.c_str());
  if (!ok) {
    std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
    return 1;
  }
  for (int i = 0; i < host.Effect()->numParams; ++i) {
    std::printf("  %2d  %-12s %10s %s\n", i, host.ParamName(i).c_str(), host.ParamDisplay(i).c_str(),
                host.ParamLabel(i).c_str());
  }
  return 0;
}

int State(const std::vector<std::string>& args)
{
  std::vector<std::string> positional, sets;
  std::string programName;
  bool program = false;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--program") {
      program = true;
    } else if (args[i] == "--set" || args[i] == "--name") {
      if (i + 1 >= args.size()) return UsageError("state", args[i] + " needs a value");
      if (args[i] == "--set") {
        sets.push_back(args[++i]);
      } else {
        programName = args[++i];
      }
    } else if (args[i].compare(0, 2, "--") == 0) {
      return UsageError("state", "unknown option '" + args[i] + "'");
    } else {
      positional.push_back(args[i]);
    }
  }
  if (positional.size() != 3 || (positional[0] != "save" && positional[0] != "load")) {
    return UsageError("state", "needs save or load, PLUGIN and FILE");
  }
  if (positional[0] == "load" && (!sets.empty() || !programName.empty())) {
    return UsageError("state", "--set and --name are for state save");
  }
  HostedPlugin host;
  if (!LoadPlugin(host, positional[1])) return 1;
  host.Open(kOpenRate, kOpenBlock);
  return positional[0] == "save" ? StateSave(host, positional[2], program, sets, programName)
                                 : StateLoad(host, positional[2], program);
}

int Snapshot(const std::vector<std::string>& args)
{
  if (args.size() != 2) return UsageError("snapshot", "needs PLUGIN and OUT.png");
  HostedPlugin host;
  if (!LoadPlugin(host, args[0])) return 1;
  host.Open(kOpenRate, kOpenBlock);
  std::string error;
  if (!SnapshotEditor(host, args[1].c_str(), error)) {
    std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

int Validate(const std::vector<std::string>& args)
{
  if (args.empty() || args[0].compare(0, 2, "--") == 0) return UsageError("validate", "needs PLUGIN");
  ValidateOptions options;
  std::string error;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a != "--strictness" && a != "--group" && a != "--seed") {
      return UsageError("validate", "unknown option or argument '" + a + "'");
    }
    if (i + 1 >= args.size()) return UsageError("validate", a + " needs a value");
    const std::string& v = args[++i];
    long long n = 0;
    if (a == "--group") {
      options.group = v;
    } else if (!ParseWholeOption(a.c_str(), v, a == "--seed" ? 0 : 1, a == "--seed" ? kMaxSeed : 10, n, error)) {
      return UsageError("validate", error);
    } else if (a == "--seed") {
      options.seed = static_cast<uint32_t>(n);
    } else {
      options.strictness = static_cast<int>(n);
    }
  }
  return ValidatePlugin(args[0].c_str(), options) ? 0 : 1;
}

int Lifecycle(const std::vector<std::string>& args)
{
  if (args.empty() || args[0].compare(0, 2, "--") == 0) return UsageError("lifecycle", "needs PLUGIN");
  LifecycleOptions options;
  std::string error;
  for (size_t i = 1; i < args.size(); ++i) {
    if (args[i] != "--cycles") return UsageError("lifecycle", "unknown option or argument '" + args[i] + "'");
    long long n = 0;
    if (i + 1 >= args.size()) return UsageError("lifecycle", "--cycles needs a value");
    if (!ParseWholeOption("--cycles", args[++i], kLifecycleMinimumCycles, kMaxCycles, n, error)) {
      return UsageError("lifecycle", error);
    }
    options.cycles = static_cast<int>(n);
  }
  return RunLifecycle(args[0].c_str(), options) ? 0 : 1;
}

int Run(const std::string& command, const std::vector<std::string>& args)
{
  if (command == "info") return args.size() == 1 ? Info(args[0]) : UsageError("info", "needs PLUGIN");
  if (command == "render") return RenderCommand(args);
  if (command == "state") return State(args);
  if (command == "snapshot") return Snapshot(args);
  if (command == "validate") return Validate(args);
  if (command == "lifecycle") return Lifecycle(args);
  std::fprintf(stderr, "vexa-host: no command '%s'\n", command.c_str());
  PrintUsage(stderr, "");
  return 2;
}

}  // namespace

int UsageError(const std::string& command, const std::string& error)
{
  std::fprintf(stderr, "vexa-host %s: %s\n", command.c_str(), error.c_str());
  PrintUsage(stderr, command);
  return 2;
}

bool LoadPlugin(HostedPlugin& host, const std::string& path)
{
  if (!host.Load(path.c_str())) {
    std::fprintf(stderr, "vexa-host: %s\n", host.Error());
    return false;
  }
  return true;
}

int main(int argc, char** argv)
{
  if (argc < 2) {
    PrintUsage(stderr, "");
    return 2;
  }
  const std::string command = argv[1];
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (IsHelpOption(command) || command == "help") {
    const std::string which = command == "help" && !args.empty() ? args[0] : "";
    if (PrintHelp(stdout, which)) return 0;
    return Run(which, {});
  }
  for (const std::string& a : args) {
    if (IsHelpOption(a) && PrintHelp(stdout, command)) return 0;
  }
  return Run(command, args);
}
