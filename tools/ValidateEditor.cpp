// Editor checks: the editor opens, closes and opens again many times in a
// host frame, with its rectangle sane each time, and it does so while an
// audio thread processes and plays automation. Skipped (with the reason) for
// a plug-in without editor or where no display is available.
#include <memory>
#include <string>
#include <thread>

#include "tools/EditorHost.h"
#include "tools/Validation.h"

namespace {

constexpr double kRate = 44100.0;
constexpr int kBlock = 256;
// Open and close cycles at strictness 1 and 10, in proportion between.
constexpr int kFewestCycles = 10;
constexpr int kMostCycles = 200;
constexpr int kStrictest = 10;
// Audio blocks the audio thread runs on after the last close.
constexpr int kBlocksAfter = 8;

std::string SizeText(int w, int h) { return std::to_string(w) + " x " + std::to_string(h); }

// True when the instance still answers after the editor work: parameters
// read back in range and a block comes out clean.
bool StillAnswers(const ValidatedInstance& inst, std::string& why)
{
  AEffect* e = inst.Effect();
  for (int i = 0; i < e->numParams; ++i) {
    const float p = e->getParameter(e, i);
    if (!(p >= 0.0f && p <= 1.0f)) {
      why = "parameter " + std::to_string(i) + " reads " + std::to_string(p);
      return false;
    }
  }
  HostBuffers buffers(e->numInputs, e->numOutputs, kBlock);
  OutputCheck check;
  buffers.FillInputs(0, kBlock, kRate, false);
  buffers.Process(e, kBlock, false, check);
  why = "a block after the editor work: " + check.Describe();
  return check.Clean();
}

void OpenCloseReopen(Validation& v, EditorHostFrame& frame)
{
  const std::string name = "open, close and reopen";
  const int cycles = kFewestCycles + (v.strictness - 1) * (kMostCycles - kFewestCycles) / (kStrictest - 1);
  ValidatedInstance inst(v.module, kRate, kBlock);
  if (!inst.Valid()) {
    v.report.Fail(name, "the entry point returned no instance");
    return;
  }
  int w = 0, h = 0;
  for (int c = 1; c <= cycles; ++c) {
    const std::string at = "cycle " + std::to_string(c) + ": ";
    if (!frame.Open(inst.Effect())) {
      v.report.Fail(name, at + frame.Error());
      return;
    }
    frame.Drive(kCheckDriveMilliseconds);
    const bool sane = EditorRectSize(inst.Effect(), &w, &h);
    frame.Close();
    if (!sane) {
      v.report.Fail(name, at + "effEditGetRect gives no usable rectangle while open");
      return;
    }
  }
  std::string why;
  v.report.Expect(StillAnswers(inst, why), name,
                  std::to_string(cycles) + " cycles, editor " + SizeText(w, h) + "; the instance still answers", why);
}

void OpenCloseDuringAudio(Validation& v, EditorHostFrame& frame)
{
  const std::string name = "open and close during processing and automation";
  ValidatedInstance inst(v.module, kRate, kBlock);
  if (!inst.Valid()) {
    v.report.Fail(name, "the entry point returned no instance");
    return;
  }
  AEffect* e = inst.Effect();
  AudioThread audio(inst, false, kRate, kBlock);
  audio.automate = true;
  audio.automationSeed = v.rng();
  std::uniform_real_distribution<float> value(0.0f, 1.0f);
  std::thread thread(&AudioThread::Run, &audio);
  const int cycles = v.Trials(20);
  std::string failure;
  for (int c = 1; c <= cycles && failure.empty(); ++c) {
    if (!frame.Open(e)) {
      failure = "cycle " + std::to_string(c) + ": " + frame.Error();
      break;
    }
    // The user interface moves a parameter while the editor shows it.
    if (e->numParams > 0) e->setParameter(e, static_cast<VstInt32>(v.rng() % static_cast<unsigned>(e->numParams)), value(v.rng));
    frame.Drive(kCheckDriveMilliseconds);
    frame.Close();
  }
  const long long until = audio.blocks.load() + kBlocksAfter;
  while (audio.blocks.load() < until) std::this_thread::yield();
  audio.stop.store(true);
  thread.join();
  if (!failure.empty()) {
    v.report.Fail(name, failure);
    return;
  }
  std::string why;
  const bool answers = StillAnswers(inst, why);
  v.report.Expect(audio.check.Clean() && answers, name,
                  std::to_string(cycles) + " cycles during " + std::to_string(audio.blocks.load()) +
                    " audio blocks; " + audio.check.Describe() + "; the instance still answers",
                  audio.check.Clean() ? why : audio.check.Describe());
}

}  // namespace

void ValidateEditor(Validation& v)
{
  {
    ValidatedInstance probe(v.module, kRate, kBlock);
    if (!probe.Valid()) {
      v.report.Fail("instance", "the entry point returned no instance");
      return;
    }
    if (!(probe.Effect()->flags & effFlagsHasEditor)) {
      v.report.Pass("editor", "the plug-in has no editor (effFlagsHasEditor is clear); nothing to check");
      return;
    }
    int w = 0, h = 0;
    const EditorRectAnswer answer = ReadEditorRect(probe.Effect(), &w, &h);
    if (answer == EditorRectAnswer::Unusable) {
      v.report.Fail("editor size", "effEditGetRect gives an empty, inverted or oversized rectangle before opening");
      return;
    }
    v.report.Pass("editor size", answer == EditorRectAnswer::Usable
                                   ? SizeText(w, h) + " before opening"
                                   : "none before opening; the plug-in gives it once its editor is open, "
                                     "where hosts ask again");
  }
  std::string error;
  const std::unique_ptr<EditorHostFrame> frame = MakeEditorHostFrame(kCheckFrameX, kCheckFrameY, error);
  if (!frame) {
    v.report.Pass("display", "no display to open editors in (" + error + "); the editor checks were not run");
    return;
  }
  OpenCloseReopen(v, *frame);
  OpenCloseDuringAudio(v, *frame);
}
