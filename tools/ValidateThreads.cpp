// Thread checks: an audio thread processes block after block while this
// (the user-interface) thread sets parameters, switches programs, reads
// texts and saves and restores state, as hosts do. Run under a thread
// sanitizer, a data race in the plug-in is reported as well.
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tools/Validation.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 128;
constexpr int kTextBytes = 256;

// One thing a user interface does.
void UserAction(Validation& v, const ValidatedInstance& inst, const std::vector<unsigned char>& bank,
                const std::vector<unsigned char>& program)
{
  AEffect* e = inst.Effect();
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  const int param = e->numParams > 0 ? static_cast<int>(v.rng() % static_cast<unsigned>(e->numParams)) : 0;
  char text[kTextBytes] = {};
  switch (v.rng() % 6) {
    case 0:
      if (e->numParams > 0) e->setParameter(e, param, value(v.rng));
      break;
    case 1:
      if (e->numParams > 0) e->getParameter(e, param);
      inst.Dispatch(effGetParamDisplay, param, 0, text);
      break;
    case 2:
      inst.Dispatch(effSetProgram, 0, static_cast<VstIntPtr>(v.rng() % static_cast<unsigned>(e->numPrograms > 0 ? e->numPrograms : 1)));
      inst.Dispatch(effGetProgramName, 0, 0, text);
      break;
    case 3:
      inst.SaveChunk(v.rng() % 2 == 0);
      break;
    case 4:
      if (!bank.empty()) inst.RestoreChunk(false, bank);
      break;
    default:
      if (!program.empty()) inst.RestoreChunk(true, program);
      break;
  }
}

void UserInterfaceDuringAudio(Validation& v, bool dbl)
{
  const std::string name = std::string("user-interface calls during processing, ") +
                           (dbl ? "double precision" : "single precision");
  ValidatedInstance inst(v.module, kRate, kBlock);
  if (!inst.Valid()) {
    v.report.Fail(name, "the entry point returned no instance");
    return;
  }
  const std::vector<unsigned char> bank = inst.SaveChunk(false);
  const std::vector<unsigned char> program = inst.SaveChunk(true);
  AudioThread audio(inst, dbl, kRate, kBlock);
  std::thread thread(&AudioThread::Run, &audio);
  const int actions = v.Trials(2000);
  for (int a = 0; a < actions; ++a) {
    UserAction(v, inst, bank, program);
    // Interleave with the audio thread rather than racing ahead of it.
    if (a % 16 == 0) std::this_thread::yield();
  }
  // Let the audio side run on for a few blocks after the last action.
  const long long until = audio.blocks.load() + 8;
  while (audio.blocks.load() < until) std::this_thread::yield();
  audio.stop.store(true);
  thread.join();
  v.report.Expect(audio.check.Clean(), name,
                  std::to_string(actions) + " user-interface actions during " + std::to_string(audio.blocks.load()) +
                    " audio blocks; " + audio.check.Describe(),
                  audio.check.Describe());
}

}  // namespace

void ValidateThreads(Validation& v)
{
  bool canDouble;
  {
    ValidatedInstance probe(v.module, kRate, kBlock);
    if (!probe.Valid()) {
      v.report.Fail("instance", "the entry point returned no instance");
      return;
    }
    canDouble = probe.CanDouble();
  }
  for (bool dbl : {false, true}) {
    if (dbl && !canDouble) continue;
    UserInterfaceDuringAudio(v, dbl);
  }
}
