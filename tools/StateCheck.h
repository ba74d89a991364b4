#pragma once
// A look at a file given as Vexa's saved state before the plug-in gets it:
// a file that is no Vexa state at all (another program's file, a WAV file,
// a text) is refused with the reason, and a Vexa state that is damaged
// (cut short, bytes beyond its end) is named as such, though the plug-in
// still reads it as far as it is sound. Any thread.

#include <string>
#include <vector>

enum class StateVerdict
{
  kSound,
  kDamaged,  // a Vexa state, but not whole: the plug-in reads what it can
  kForeign,  // no Vexa state
};

struct StateCheck
{
  StateVerdict verdict = StateVerdict::kSound;
  std::string reason;  // what is wrong, for kDamaged and kForeign
};

// Checks bytes as a bank chunk (program false) or program chunk of a Vexa
// instance with params parameters and programs program slots.
StateCheck CheckVexaState(const std::vector<unsigned char>& bytes, bool program, int params, int programs);
