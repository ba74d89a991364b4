#pragma once
// `vexa-host validate`: a strict validator for any VST 2.4 plug-in module.
// Every check prints one line, PASS, FAIL or SKIP, with a reason.

#include <cstdint>
#include <string>

// The seed of the random choices unless another is given: the same every
// run, so that a plug-in's results repeat.
constexpr uint32_t kDefaultValidationSeed = 1;

struct ValidateOptions
{
  int strictness = 5;  // 1..10: how long and how hard
  std::string group;   // run only this check group; empty for all
  uint32_t seed = kDefaultValidationSeed;  // random choices; printed so a run can be replayed
};

// The check groups, in the order they run, separated by spaces.
const char* ValidationGroupNames();

// Loads the module at path and runs the checks. Returns true when every
// check passed. Main thread; the thread checks start one audio thread.
bool ValidatePlugin(const char* path, const ValidateOptions& options);
