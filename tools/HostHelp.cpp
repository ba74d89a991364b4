#include "tools/HostHelp.h"

namespace {

struct OptionHelp
{
  const char* option;
  const char* text;
};

struct CommandHelp
{
  const char* name;
  const char* usage;  // after "vexa-host "
  const char* summary;
  const OptionHelp* options;
  int count;
};

const OptionHelp kRenderOptions[] = {
  {"--set NAME=VALUE", "set a parameter in its own unit, optionally with the unit: Pitch=-7, Attack=3.3ms,"},
  {"", "Output=-6dB, Frequency=2kHz, Mix=50% (repeatable; `info` lists the parameters)"},
  {"--state FILE", "restore a state saved with `state save` before the settings"},
  {"--preset FILE", "load a preset file (.fxp, .fxb, .vstpreset) as hosts do, before the settings"},
  {"--block N", "frames per processing block, 1 to 65536 (default 512)"},
  {"--tail SECONDS", "render this long after the input's end; 0 ends the output with the input"},
  {"", "(default: until the output stays below -120 dBFS, at most 60 s)"},
  {"--channels A[,B]", "the input channels to process, counted from 1 (files of more than two channels)"},
  {"--rate HZ", "resample the output to HZ, 8000 to 384000 (the plug-in runs at the input's rate)"},
  {"--out-format C[:S]", "the output's container and sample type, for example wav:pcm24 or flac"},
  {"", "(default: the container OUT's extension names, else the input's,"},
  {"", "with float samples where it holds them)"},
  {"--double", "process in double precision"},
  {"--strict", "refuse an input that is cut short instead of warning"},
  {"--verbose", "print each setting as taken, the formats, the tail and the peak memory"},
};

const OptionHelp kStateOptions[] = {
  {"--program", "the program chunk instead of the bank chunk"},
  {"--set NAME=VALUE", "(save only) set a parameter before saving, as for render"},
  {"--name NAME", "(save only) name the current program before saving"},
  {"", "FILE ending in .fxp, .fxb or .vstpreset is a preset file as hosts save and load them"},
};

const OptionHelp kValidateOptions[] = {
  {"--strictness N", "1 to 10 (default 5): how long each check runs; from 8 on the host's text"},
  {"", "buffers shrink to the sizes the VST 2.4 interface defines"},
  {"--group NAME", "run one check group: processing, parameters, state, editor, threads or vst3"},
  {"--seed N", "the random choices' seed, 0 to 4294967295 (default 1), so a run repeats"},
};

const OptionHelp kLifecycleOptions[] = {
  {"--cycles N", "cycles to run, 20 to 100000 (default 500)"},
};

const CommandHelp kCommands[] = {
  {"info", "info PLUGIN", "print what the plug-in tells hosts: names, channels, parameters, programs", nullptr, 0},
  {"render", "render PLUGIN IN OUT [options]",
   "process the audio file IN through the plug-in into OUT (never IN), written whole or not at all",
   kRenderOptions, sizeof kRenderOptions / sizeof kRenderOptions[0]},
  {"state", "state save|load PLUGIN FILE [options]",
   "save the plug-in's state to FILE, or restore it from FILE and print the parameters", kStateOptions,
   sizeof kStateOptions / sizeof kStateOptions[0]},
  {"snapshot", "snapshot PLUGIN OUT.png", "open the plug-in's editor and write its picture", nullptr, 0},
  {"validate", "validate PLUGIN [options]", "check any VST 2.4 plug-in; one PASS, FAIL or SKIP line per check",
   kValidateOptions, sizeof kValidateOptions / sizeof kValidateOptions[0]},
  {"lifecycle", "lifecycle PLUGIN [options]",
   "create, open, process, close and destroy instances over and over; fail when anything leaks", kLifecycleOptions,
   sizeof kLifecycleOptions / sizeof kLifecycleOptions[0]},
};

void PrintCommand(std::FILE* out, const CommandHelp& c)
{
  std::fprintf(out, "vexa-host %s\n  %s\n", c.usage, c.summary);
  for (int i = 0; i < c.count; ++i) std::fprintf(out, "    %-20s %s\n", c.options[i].option, c.options[i].text);
}

const CommandHelp* Find(const std::string& command)
{
  for (const CommandHelp& c : kCommands) {
    if (command == c.name) return &c;
  }
  return nullptr;
}

}  // namespace

bool PrintHelp(std::FILE* out, const std::string& command)
{
  if (!command.empty()) {
    const CommandHelp* c = Find(command);
    if (c) PrintCommand(out, *c);
    return c != nullptr;
  }
  std::fprintf(out,
               "vexa-host: a small VST 2.4 host: render audio files through a plug-in, save and restore its\n"
               "state, picture its editor, validate it. PLUGIN is the module's path (.so, .dll), or a .vst3\n"
               "bundle's.\n\n");
  for (const CommandHelp& c : kCommands) {
    PrintCommand(out, c);
    std::fputc('\n', out);
  }
  std::fprintf(out, "vexa-host --help, vexa-host COMMAND --help: this help, or one command's\n");
  return true;
}

void PrintUsage(std::FILE* out, const std::string& command)
{
  const CommandHelp* c = Find(command);
  if (c) {
    std::fprintf(out, "usage: vexa-host %s\n(vexa-host %s --help lists the options)\n", c->usage, c->name);
    return;
  }
  std::fprintf(out, "usage:\n");
  for (const CommandHelp& k : kCommands) std::fprintf(out, "  vexa-host %s\n", k.usage);
  std::fprintf(out, "(vexa-host --help explains each)\n");
}

bool IsHelpOption(const std::string& text) { return text == "--help" || text == "-h"; }
