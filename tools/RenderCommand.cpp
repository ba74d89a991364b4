// `vexa-host render PLUGIN IN OUT [options]`.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/Arguments.h"
#include "tools/AudioFile.h"
#include "tools/HostCommands.h"
#include "tools/HostPresets.h"
#include "tools/HostedPlugin.h"
#include "tools/HostedProcessor.h"
#include "tools/HostedSettings.h"
#include "tools/RenderStream.h"
#include "tools/ResourceUsage.h"
#include "tools/StagedFile.h"
#include "tools/Terminal.h"

namespace {

constexpr int kDefaultBlock = 512;
constexpr long long kMaxBlock = 65536;
constexpr long long kMinRate = 8000;
constexpr long long kMaxRate = 384000;
// The longest tail that can be asked for, in seconds.
constexpr double kMaxTailSeconds = 3600.0;
// Channels --channels takes: one (fed to every input) or two, numbered up
// to the most a WAV file's header can count.
constexpr size_t kMaxChosenChannels = 2;
constexpr long long kMaxChannelNumber = 65535;
// Inputs shorter than this many seconds render without a progress bar.
constexpr double kProgressFromSeconds = 10.0;
constexpr int kProgressWidth = 40;
constexpr double kMiB = 1024.0 * 1024.0;

struct RenderArgs
{
  std::string plugin, in, out;
  std::vector<std::string> sets;
  std::string statePath, presetPath;
  int block = kDefaultBlock;
  RenderOptions options;
  std::vector<int> channels;  // as given, counted from 1
  AudioFormat outFormat;
  bool outFormatGiven = false;
  bool useDouble = false;
  bool strict = false;
  bool verbose = false;
};

bool ParseChannels(const std::string& text, std::vector<int>& channels, std::string& error)
{
  channels.clear();
  size_t at = 0;
  while (at <= text.size()) {
    const size_t comma = text.find(',', at);
    const std::string part = text.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    long long c = 0;
    if (!ParseWholeOption("--channels", part, 1, kMaxChannelNumber, c, error)) {
      error = "--channels: '" + text + "' is not one or two channel numbers from 1 to " +
              std::to_string(kMaxChannelNumber) + ", for example 3,4";
      return false;
    }
    channels.push_back(static_cast<int>(c));
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  if (channels.size() > kMaxChosenChannels) {
    error = "--channels: '" + text + "' names more than two channels; give one or two, for example 3,4";
    return false;
  }
  return true;
}

// Reads the option at args[i] (and its value); false with error.
bool ParseOption(const std::vector<std::string>& args, size_t& i, RenderArgs& a, std::string& error)
{
  const std::string& o = args[i];
  if (o == "--double") a.useDouble = true;
  if (o == "--strict") a.strict = true;
  if (o == "--verbose") a.verbose = true;
  if (o == "--double" || o == "--strict" || o == "--verbose") return true;
  const bool takesValue = o == "--set" || o == "--state" || o == "--preset" || o == "--block" || o == "--tail" ||
                          o == "--channels" || o == "--rate" || o == "--out-format";
  if (!takesValue) {
    error = "unknown option '" + o + "'";
    return false;
  }
  if (i + 1 >= args.size()) {
    error = o + " needs a value";
    return false;
  }
  const std::string& v = args[++i];
  long long whole = 0;
  if (o == "--set") a.sets.push_back(v);
  if (o == "--state") a.statePath = v;
  if (o == "--preset") a.presetPath = v;
  if (o == "--block") {
    if (!ParseWholeOption("--block", v, 1, kMaxBlock, whole, error)) return false;
    a.block = static_cast<int>(whole);
  }
  if (o == "--tail" && !ParseNumberOption("--tail", v, 0.0, kMaxTailSeconds, a.options.tailSeconds, error)) return false;
  if (o == "--rate") {
    if (!ParseWholeOption("--rate", v, kMinRate, kMaxRate, whole, error)) return false;
    a.options.outputRate = static_cast<double>(whole);
  }
  if (o == "--channels" && !ParseChannels(v, a.channels, error)) return false;
  if (o == "--out-format") {
    if (!ParseAudioFormat(v, a.outFormat, error)) {
      error = "--out-format: " + error;
      return false;
    }
    a.outFormatGiven = true;
  }
  return true;
}

bool ParseRenderArgs(const std::vector<std::string>& args, RenderArgs& a, std::string& error)
{
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const bool option = args[i].size() > 1 && args[i][0] == '-' && args[i][1] == '-';
    if (!option) {
      positional.push_back(args[i]);
    } else if (!ParseOption(args, i, a, error)) {
      return false;
    }
  }
  if (positional.size() != 3) {
    error = "needs PLUGIN, IN and OUT";
    return false;
  }
  a.plugin = positional[0];
  a.in = positional[1];
  a.out = positional[2];
  return true;
}

// The output's format: what --out-format asks, else the container the
// output's extension names, else the input's; an extension that names
// another container than --out-format is refused.
bool ChooseOutputFormat(const RenderArgs& a, const AudioFormat& input, AudioFormat& format, std::string& error)
{
  const std::string named = ContainerForName(a.out);
  if (a.outFormatGiven) {
    if (!named.empty() && !ContainerFitsExtension(a.outFormat.container, named)) {
      error = "--out-format " + AudioFormatName(a.outFormat) + " does not match the extension of " + a.out +
              " (a " + named + " file); give OUT a matching name or leave out one of the two";
      return false;
    }
    format = a.outFormat;
    return true;
  }
  const AudioFormat kept = OutputFormatFor(input);
  format = named.empty() || ContainerFitsExtension(kept.container, named) ? kept
                                                                          : OutputFormatFor(AudioFormat{named, ""});
  return CanWriteAudioFormat(format, error);
}

// The input channels feeding the plug-in; false with error (status 1 or 2
// in status) when the file's channels need choosing or the choice does not fit.
bool ChooseSources(const RenderArgs& a, const AudioReader& reader, std::vector<int>& sources, std::string& error,
                   int& status)
{
  const int channels = reader.Channels();
  sources.clear();
  for (int c : a.channels) {
    if (c > channels) {
      error = "--channels: " + a.in + " has " + std::to_string(channels) + " channels, no channel " + std::to_string(c);
      status = 2;
      return false;
    }
    sources.push_back(c - 1);
  }
  if (sources.empty() && channels > 2) {
    error = a.in + " has " + std::to_string(channels) +
            " channels; choose the one or two to process with --channels, for example --channels 1,2 or --channels 3,4";
    status = 1;
    return false;
  }
  return true;
}

void Progress(long long done, long long total)
{
  const int filled = total > 0 ? static_cast<int>(done * kProgressWidth / total) : kProgressWidth;
  std::fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################", kProgressWidth - filled,
               "", total > 0 ? static_cast<int>(done * 100 / total) : 100);
  if (done >= total) std::fputc('\n', stderr);
}

void PrintVerbose(const RenderArgs& a, const AudioReader& reader, const AudioFormat& format, const RenderResult& r,
                  double outRate, HostedPlugin& host)
{
  std::fprintf(stderr, "read %s as %s, wrote %s as %s\n", a.in.c_str(), AudioFormatName(reader.Format()).c_str(),
               a.out.c_str(), AudioFormatName(format).c_str());
  std::fprintf(stderr, "%lld input frames and %lld tail frames at %g Hz, %lld frames written at %g Hz\n",
               r.inputFrames, r.tailFrames, reader.Rate(), r.outputFrames, outRate);
  const ResourceUsage usage = MeasureResources();
  if (usage.peakResident >= 0) {
    std::fprintf(stderr, "peak memory: %.1f MiB resident\n", static_cast<double>(usage.peakResident) / kMiB);
  }
  for (const HostCall& c : host.calls) {
    std::fprintf(stderr, "call opcode %d index %d value %lld opt %g\n", c.opcode, c.index,
                 static_cast<long long>(c.value), static_cast<double>(c.opt));
  }
}

// Checks what was read against what the input's header announced.
bool CheckComplete(const RenderArgs& a, const AudioReader& reader)
{
  const long long missing = reader.MissingFrames();
  if (missing <= 0) return true;
  std::fprintf(stderr, "vexa-host: %s%s is cut short: %lld frames its header announces are missing%s\n",
               a.strict ? "" : "warning: ", a.in.c_str(), missing,
               a.strict ? " (--strict: nothing written)" : "; rendered what it holds");
  return !a.strict;
}

// Sets up the plug-in for the input: rate, block size, state, preset,
// settings.
int PreparePlugin(const RenderArgs& a, HostedPlugin& host, double rate)
{
  if (!LoadPlugin(host, a.plugin)) return 1;
  host.verbose = a.verbose;
  host.recordCalls = a.verbose;
  host.Open(rate, a.block);
  std::string error, warning;
  if (!a.statePath.empty()) {
    const bool ok = LoadStateFile(host, a.statePath, false, error, warning);
    if (!warning.empty()) std::fprintf(stderr, "vexa-host: warning: %s\n", warning.c_str());
    if (!ok) {
      std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
      return 1;
    }
  }
  // A preset file as hosts load it from their preset menus.
  if (!a.presetPath.empty() && !LoadPresetFile(host, a.presetPath, error)) {
    std::fprintf(stderr, "vexa-host: %s\n", error.c_str());
    return 1;
  }
  if (!ApplySettings(host, a.sets, error)) return UsageError("render", error);
  return 0;
}

// The status shells give a program that Ctrl-C ended.
constexpr int kStoppedStatus = 130;

int Fail(const std::string& what, const std::string& error)
{
  std::fprintf(stderr, "vexa-host: %s: %s\n", what.c_str(), error.c_str());
  return 1;
}

int Render(RenderArgs& a)
{
  std::string error;
  if (!CheckOutputPath(a.in, a.out, error)) return UsageError("render", error);
  AudioReader reader;
  if (!reader.Open(a.in, error)) return Fail(a.in, error);
  AudioFormat format;
  if (!ChooseOutputFormat(a, reader.Format(), format, error)) return UsageError("render", error);
  int status = 0;
  if (!ChooseSources(a, reader, a.options.sources, error, status)) {
    return status == 2 ? UsageError("render", error) : Fail(a.in, error);
  }
  HostedPlugin host;
  if ((status = PreparePlugin(a, host, reader.Rate())) != 0) return status;
  const double outRate = a.options.outputRate > 0.0 ? a.options.outputRate : reader.Rate();
  StagedFile staged(a.out);
  AudioWriter writer;
  if (!staged.Begin(error) || !writer.Open(staged.Path(), format, OutputChannels(host.Effect()->numOutputs), outRate, error)) {
    return Fail(a.out, error);
  }
  a.options.block = a.block;
  const long long frames = reader.Frames();
  if (ErrorStreamIsTerminal() && frames > kProgressFromSeconds * reader.Rate()) a.options.progress = Progress;
  HostedProcessor processor(host, a.block, a.useDouble);
  RenderResult result;
  // Ctrl-C ends the render between two blocks: the half-written file goes
  // and what was at the output's name stays.
  CatchStopRequest();
  a.options.stopRequested = StopRequested;
  if (!RenderStream(reader, processor, writer, a.options, result, error)) {
    const int status = Fail(a.out, error);
    return StopRequested() ? kStoppedStatus : status;
  }
  if (!CheckComplete(a, reader)) return 1;
  if (!writer.Finish(error) || !staged.Commit(error)) return Fail(a.out, error);
  if (result.tailLimited) {
    std::fprintf(stderr, "vexa-host: warning: the output had not died away %g s after the input's end; "
                         "it ends there (--tail SECONDS sets the tail)\n", kAutomaticTailLimitSeconds);
  }
  if (a.verbose) PrintVerbose(a, reader, format, result, outRate, host);
  return 0;
}

}  // namespace

int RenderCommand(const std::vector<std::string>& args)
{
  RenderArgs a;
  std::string error;
  if (!ParseRenderArgs(args, a, error)) return UsageError("render", error);
  return Render(a);
}
