// vexa-host: loads a VST 2.4 module and shows, renders or stores through it.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "base/TextNumber.h"
#include "tools/AudioFile.h"
#include "tools/FileBytes.h"
#include "tools/HostPresets.h"
#include "tools/HostedPlugin.h"
#include "tools/Lifecycle.h"
#include "tools/Snapshot.h"
#include "tools/Terminal.h"
#include "tools/Validator.h"

namespace {

int Usage()
{
  std::fprintf(stderr,
               "usage:\n"
               "  vexa-host info PLUGIN\n"
               "  vexa-host render PLUGIN IN OUT [--set NAME=VALUE ...] [--block N] [--rate R]\n"
               "                   [--double] [--state FILE] [--preset FILE.fxp|.fxb|.vstpreset]\n"
               "                   [--out-format CONTAINER[:SAMPLE]] [--verbose]\n"
               "  vexa-host state save PLUGIN FILE [--program] [--set NAME=VALUE ...] [--name NAME]\n"
               "  vexa-host state load PLUGIN FILE [--program]\n"
               "  vexa-host snapshot PLUGIN OUT.png\n"
               "  vexa-host validate PLUGIN [--strictness 1..10] [--group NAME] [--seed N]\n"
               "  vexa-host lifecycle PLUGIN [--cycles N (at least 20)]\n");
  return 2;
}

bool LoadPlugin(HostedPlugin& host, const char* path)
{
  if (!host.Load(path)) {
    std::fprintf(stderr, "vexa-host: %s\n", host.Error());
    return false;
  }
  return true;
}

std::string FourCC(VstInt32 v)
{
  std::string s;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((v >> shift) & 0xFF);
    s += (c >= 32 && c < 127) ? c : '?';
  }
  return s;
}

int Info(const char* path)
{
  HostedPlugin host;
  if (!LoadPlugin(host, path)) return 1;
  host.Open(44100.0, 1024);
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

// Restores a bank chunk (or, with program set, a program chunk) from a file.
bool LoadState(HostedPlugin& host, const std::string& path, bool program = false)
{
  std::vector<unsigned char> bytes;
  if (!ReadFileBytes(path, bytes)) {
    std::fprintf(stderr, "vexa-host: cannot read %s\n", path.c_str());
    return false;
  }
  const VstIntPtr r =
    host.Dispatch(effSetChunk, program ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
  if (r != 1) std::fprintf(stderr, "vexa-host: the plug-in rejected the state in %s\n", path.c_str());
  return r == 1;
}

// Loads a preset file (.fxp, .fxb or .vstpreset) as hosts do from their
// preset menus.
bool LoadPreset(HostedPlugin& host, const std::string& path)
{
  std::string error;
  if (LoadPresetFile(host, path, error)) return true;
  std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
  return false;
}

// Applies NAME=VALUE settings through the plug-in's text-to-value path.
bool ApplySettings(HostedPlugin& host, const std::vector<std::string>& sets)
{
  for (const std::string& s : sets) {
    const size_t eq = s.find('=');
    const int index = eq == std::string::npos ? -1 : host.FindParam(s.substr(0, eq));
    if (index < 0 || !host.SetParamText(index, s.substr(eq + 1))) {
      std::fprintf(stderr, "vexa-host: cannot set '%s'\n", s.c_str());
      return false;
    }
    if (host.verbose) {
      std::fprintf(stderr, "set %s = %s\n", host.ParamName(index).c_str(), host.ParamDisplay(index).c_str());
    }
  }
  return true;
}

int State(int argc, char** argv)
{
  const char* mode = argv[2];
  const char* path = argv[3];
  const char* file = argv[4];
  std::vector<std::string> sets;
  std::string programName;
  bool program = false;
  for (int i = 5; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--program")) {
      program = true;
    } else if (!std::strcmp(argv[i], "--set") && i + 1 < argc && !std::strcmp(mode, "save")) {
      sets.push_back(argv[++i]);
    } else if (!std::strcmp(argv[i], "--name") && i + 1 < argc && !std::strcmp(mode, "save")) {
      programName = argv[++i];
    } else {
      return Usage();
    }
  }
  HostedPlugin host;
  if (!LoadPlugin(host, path)) return 1;
  host.Open(44100.0, 1024);
  // Preset files (.fxp, .fxb, .vstpreset) hold what hosts save; other files
  // the chunk.
  const bool presetFile = IsPresetFilePath(file);
  if (!std::strcmp(mode, "save")) {
    if (!ApplySettings(host, sets)) return 2;
    if (!programName.empty()) NameCurrentProgram(host, programName);
    if (presetFile) {
      std::string error;
      if (!SavePresetFile(host, file, error)) {
        std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
        return 1;
      }
      std::printf("saved %s\n", file);
      return 0;
    }
    void* data = nullptr;
    const VstIntPtr size = host.Dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || !data) {
      std::fprintf(stderr, "vexa-host: the plug-in gave no state\n");
      return 1;
    }
    if (!WriteFileBytes(file, data, static_cast<size_t>(size))) {
      std::fprintf(stderr, "vexa-host: cannot write %s\n", file);
      return 1;
    }
    std::printf("saved %ld bytes to %s\n", static_cast<long>(size), file);
    return 0;
  }
  if (!std::strcmp(mode, "load")) {
    if (presetFile ? !LoadPreset(host, file) : !LoadState(host, file, program)) return 1;
    for (int i = 0; i < host.Effect()->numParams; ++i) {
      std::printf("  %2d  %-12s %10s %s\n", i, host.ParamName(i).c_str(), host.ParamDisplay(i).c_str(),
                  host.ParamLabel(i).c_str());
    }
    return 0;
  }
  return Usage();
}

void Progress(int done, int total)
{
  const int width = 40;
  const int filled = total ? static_cast<int>(static_cast<long long>(done) * width / total) : width;
  std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", width - filled, "",
               total ? static_cast<int>(static_cast<long long>(done) * 100 / total) : 100);
  if (done >= total) std::fputc('\n', stderr);
}

int Render(int argc, char** argv)
{
  if (argc < 5) return Usage();
  const char* plugin = argv[2];
  const std::string inPath = argv[3], outPath = argv[4];
  std::vector<std::string> sets;
  int block = 512;
  double rate = 0.0;
  bool useDouble = false;
  std::string statePath, presetPath;
  AudioFormat outFormat;
  bool outFormatGiven = false;
  std::string error;
  HostedPlugin host;
  for (int i = 5; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--set" && i + 1 < argc) {
      sets.push_back(argv[++i]);
    } else if (a == "--block" && i + 1 < argc) {
      block = std::atoi(argv[++i]);
    } else if (a == "--rate" && i + 1 < argc) {
      rate = ParseLeadingDouble(argv[++i]);
    } else if (a == "--double") {
      useDouble = true;
    } else if (a == "--state" && i + 1 < argc) {
      statePath = argv[++i];
    } else if (a == "--preset" && i + 1 < argc) {
      presetPath = argv[++i];
    } else if (a == "--out-format" && i + 1 < argc) {
      if (!ParseAudioFormat(argv[++i], outFormat, error)) {
        std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
        return 2;
      }
      outFormatGiven = true;
    } else if (a == "--verbose") {
      host.verbose = true;
    } else {
      return Usage();
    }
  }
  if (block < 1) {
    std::fprintf(stderr, "vexa-host: the block size must be at least 1\n");
    return 2;
  }
  AudioData in;
  if (!ReadAudioFile(inPath, in, error)) {
    std::fprintf(stderr, "vexa-host: %s: %s\n", inPath.c_str(), error.c_str());
    return 1;
  }
  if (rate <= 0.0) rate = in.rate;
  if (!LoadPlugin(host, plugin)) return 1;
  host.Open(rate, block);
  if (!statePath.empty() && !LoadState(host, statePath)) return 1;
  if (!presetPath.empty() && !LoadPreset(host, presetPath)) return 1;
  if (!ApplySettings(host, sets)) return 2;

  AEffect* e = host.Effect();
  const int frames = in.Frames();
  const int nIn = e->numInputs, nOut = e->numOutputs;
  AudioData out;
  out.channels = nOut < 2 ? nOut : 2;
  out.rate = rate;
  out.samples.assign(static_cast<size_t>(frames) * static_cast<size_t>(out.channels), 0.0f);
  std::vector<std::vector<float>> fin(static_cast<size_t>(nIn), std::vector<float>(static_cast<size_t>(block)));
  std::vector<std::vector<float>> fout(static_cast<size_t>(nOut), std::vector<float>(static_cast<size_t>(block)));
  std::vector<std::vector<double>> din(static_cast<size_t>(nIn), std::vector<double>(static_cast<size_t>(block)));
  std::vector<std::vector<double>> dout(static_cast<size_t>(nOut), std::vector<double>(static_cast<size_t>(block)));
  std::vector<float*> finp, foutp;
  std::vector<double*> dinp, doutp;
  for (auto& v : fin) finp.push_back(v.data());
  for (auto& v : fout) foutp.push_back(v.data());
  for (auto& v : din) dinp.push_back(v.data());
  for (auto& v : dout) doutp.push_back(v.data());

  const bool showProgress = ErrorStreamIsTerminal() && frames > 10 * static_cast<int>(rate);
  for (int pos = 0; pos < frames; pos += block) {
    const int n = frames - pos < block ? frames - pos : block;
    for (int c = 0; c < nIn; ++c) {
      // A mono file feeds both inputs.
      const int src = c < in.channels ? c : in.channels - 1;
      for (int k = 0; k < n; ++k) {
        const float s = in.samples[static_cast<size_t>(pos + k) * static_cast<size_t>(in.channels) + static_cast<size_t>(src)];
        fin[static_cast<size_t>(c)][static_cast<size_t>(k)] = s;
        din[static_cast<size_t>(c)][static_cast<size_t>(k)] = s;
      }
    }
    host.samplePos = pos;
    if (useDouble) {
      e->processDoubleReplacing(e, dinp.data(), doutp.data(), n);
    } else {
      e->processReplacing(e, finp.data(), foutp.data(), n);
    }
    for (int c = 0; c < out.channels; ++c) {
      for (int k = 0; k < n; ++k) {
        const float s = useDouble ? static_cast<float>(dout[static_cast<size_t>(c)][static_cast<size_t>(k)])
                                  : fout[static_cast<size_t>(c)][static_cast<size_t>(k)];
        out.samples[static_cast<size_t>(pos + k) * static_cast<size_t>(out.channels) + static_cast<size_t>(c)] = s;
      }
    }
    if (showProgress && ((pos / block) % 64 == 0 || pos + n >= frames)) Progress(pos + n, frames);
  }
  // By default the output keeps the input's container, in 32-bit float
  // where the container holds it.
  if (!outFormatGiven) outFormat = OutputFormatFor(in.format);
  if (!WriteAudioFile(outPath, out, outFormat, error)) {
    std::fprintf(stderr, "vexa-host: %s: %s\n", outPath.c_str(), error.c_str());
    return 1;
  }
  if (host.verbose) {
    std::fprintf(stderr, "read %s as %s, wrote %s as %s\n", inPath.c_str(), AudioFormatName(in.format).c_str(),
                 outPath.c_str(), AudioFormatName(outFormat).c_str());
  }
  if (host.verbose) {
    for (const HostCall& c : host.calls) {
      std::fprintf(stderr, "call opcode %d index %d value %lld opt %g\n", c.opcode, c.index,
                   static_cast<long long>(c.value), static_cast<double>(c.opt));
    }
  }
  return 0;
}

int Validate(int argc, char** argv)
{
  ValidateOptions options;
  options.seed = std::random_device{}();
  for (int i = 3; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--strictness" && i + 1 < argc) {
      options.strictness = std::atoi(argv[++i]);
      if (options.strictness < 1 || options.strictness > 10) return Usage();
    } else if (a == "--group" && i + 1 < argc) {
      options.group = argv[++i];
    } else if (a == "--seed" && i + 1 < argc) {
      options.seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else {
      return Usage();
    }
  }
  return ValidatePlugin(argv[2], options) ? 0 : 1;
}

int Lifecycle(int argc, char** argv)
{
  LifecycleOptions options;
  for (int i = 3; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--cycles" && i + 1 < argc) {
      options.cycles = std::atoi(argv[++i]);
      if (options.cycles < kLifecycleMinimumCycles) return Usage();
    } else {
      return Usage();
    }
  }
  return RunLifecycle(argv[2], options) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc < 3) return Usage();
  const std::string cmd = argv[1];
  if (cmd == "info") return Info(argv[2]);
  if (cmd == "render") return Render(argc, argv);
  if (cmd == "validate") return Validate(argc, argv);
  if (cmd == "lifecycle") return Lifecycle(argc, argv);
  if (cmd == "state" && argc >= 5) return State(argc, argv);
  if (cmd == "snapshot" && argc == 4) {
    HostedPlugin host;
    if (!LoadPlugin(host, argv[2])) return 1;
    host.Open(44100.0, 1024);
    std::string error;
    if (!SnapshotEditor(host, argv[3], error)) {
      std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  return Usage();
}
