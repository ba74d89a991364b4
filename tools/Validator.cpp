#include "tools/Validator.h"

#include <cstdio>
#include <string>

#include "tools/CrashReport.h"
#include "tools/Validation.h"

namespace {

// The check groups in the order they run.
const ValidationGroup kGroups[] = {
  {"processing", ValidateProcessing},
  {"parameters", ValidateParameters},
  {"state", ValidateState},
  {"editor", ValidateEditor},
  {"threads", ValidateThreads},
  {"vst3", ValidateVst3},
};

std::string Text(HostedPlugin& module, VstInt32 opcode)
{
  char text[256] = {};
  module.Dispatch(opcode, 0, 0, text);
  text[sizeof text - 1] = 0;
  return text;
}

}  // namespace

const char* ValidationGroupNames() { return "processing parameters state editor threads vst3"; }

bool ValidatePlugin(const char* path, const ValidateOptions& options)
{
  InstallCrashReport();
  HostedPlugin module;
  module.recordCalls = false;
  SetCrashContext("loading the module");
  if (!module.Load(path)) {
    std::printf("FAIL load: %s\n", module.Error());
    return false;
  }
  AEffect* e = module.Effect();
  std::printf("validating %s: '%s' by '%s', %d inputs, %d outputs, %d parameters, %d programs, flags 0x%X\n", path,
              Text(module, effGetEffectName).c_str(), Text(module, effGetVendorString).c_str(), e->numInputs,
              e->numOutputs, e->numParams, e->numPrograms, static_cast<unsigned>(e->flags));
  std::printf("strictness %d, seed %u\n", options.strictness, options.seed);
  ValidationReport report;
  Validation v{module, report, options.strictness, std::mt19937(options.seed)};
  bool known = options.group.empty();
  for (const ValidationGroup& g : kGroups) {
    if (!options.group.empty() && options.group != g.name) continue;
    known = true;
    report.SetGroup(g.name);
    SetCrashContext(g.name);
    g.run(v);
  }
  if (!known) {
    std::printf("FAIL options: no check group '%s' (groups: %s)\n", options.group.c_str(), ValidationGroupNames());
    return false;
  }
  std::printf("%d checks: %d passed, %d failed\n", report.Passed() + report.Failed(), report.Passed(),
              report.Failed());
  return report.Failed() == 0;
}
