// The validator against a plug-in with one fault at a time, a VST2 and a
// VST3 one: each fault is reported by the check meant to catch it, the run
// fails, and the same plug-in without a fault passes every check.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/FaultyPluginTest.h"
#include "tools/Validator.h"

namespace {

struct Expectation
{
  int fault;
  const char* group;
  const char* failure;  // part of the FAIL line the fault must produce
};

const Expectation kFaults[] = {
  {kNotANumber, "processing", "NaN or infinite samples"},
  {kOverrun, "processing", "wrote past the end of the block"},
  {kSubnormal, "processing", "subnormal samples"},
  {kWritesEmptyBlock, "processing", "0-frame calls wrote into the outputs"},
  {kNeverSilent, "processing", "FAIL processing: silence after signal at 44100 Hz"},
  {kReadBackOff, "parameters", "FAIL parameters: sweep parameter 0 'Gain'"},
  {kLongDisplay, "parameters", "its display does not fit"},
  {kDriftingChunk, "state", "FAIL state: bank chunk round trip"},
  {kForgetsChunk, "state", "FAIL state: sound after restoring the bank chunk"},
  {kBrokenByBadChunk, "state", "FAIL state: damaged bank chunks"},
  {kEditorBadRect, "editor", "FAIL editor: editor size: effEditGetRect gives an empty, inverted or oversized rectangle"},
};

// The VST3 test module's faults, each caught by one of the checks only VST3
// modules get.
const Expectation kVst3Faults[] = {
  {kVst3UnknownInterfaceKept, "vst3",
   "FAIL vst3: interface queries: an unknown interface is not refused with a null result"},
  {kVst3IdentityWanders, "vst3", "FAIL vst3: interface queries: FUnknown differs between its interfaces"},
  {kVst3KeepsReference, "vst3", "FAIL vst3: references released: the component kept 1 references"},
  {kVst3ArrangementNotApplied, "vst3",
   "FAIL vst3: bus arrangements: the output bus does not report one channel in mono"},
  {kVst3AcceptsImpossibleSetup, "vst3", "FAIL vst3: process setup changes: an impossible set-up accepted"},
  {kVst3FirstPointWins, "vst3",
   "FAIL vst3: parameter queues with several points: a queue's last point is not the value that stays"},
  {kVst3ArrangedWhileActive, "vst3",
   "FAIL vst3: setActive and setProcessing order: arrangements changed while active"},
};

class Validator : public FaultyPluginTest
{
protected:
  // Runs the validator and returns what it printed; passed tells the result.
  std::string Run(int fault, const char* group, bool& passed)
  {
    setFault(fault);
    ValidateOptions options;
    options.strictness = 1;
    options.group = group;
    options.seed = 1;
    testing::internal::CaptureStdout();
    passed = ValidatePlugin(ModulePath(), options);
    return testing::internal::GetCapturedStdout();
  }
};

class ValidatorVst3 : public Validator
{
protected:
  const char* ModulePath() const override { return VEXA_FAULTY_VST3_PATH; }
};

}  // namespace

TEST_F(Validator, WellBehavedPluginPassesEveryCheck)
{
  for (const char* group : {"processing", "parameters", "state", "editor", "threads"}) {
    bool passed = false;
    const std::string out = Run(kNoFault, group, passed);
    EXPECT_TRUE(passed) << out;
    EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
    EXPECT_NE(out.find("PASS " + std::string(group)), std::string::npos) << out;
  }
}

TEST_F(Validator, EachFaultIsReportedByItsCheck)
{
  for (const Expectation& f : kFaults) {
    bool passed = true;
    const std::string out = Run(f.fault, f.group, passed);
    EXPECT_FALSE(passed) << "fault " << f.fault << "\n" << out;
    EXPECT_NE(out.find(f.failure), std::string::npos) << "fault " << f.fault << "\n" << out;
  }
}

TEST_F(Validator, APluginWithoutEditorPassesTheEditorGroupSayingSo)
{
  bool passed = false;
  const std::string out = Run(kNoFault, "editor", passed);
  EXPECT_TRUE(passed) << out;
  EXPECT_NE(out.find("PASS editor: editor: the plug-in has no editor"), std::string::npos) << out;
}

TEST_F(Validator, AnEditorThatNeverOpensFailsWhereThereIsADisplay)
{
  bool passed = true;
  const std::string out = Run(kEditorWontOpen, "editor", passed);
  if (out.find("no display to open editors in") != std::string::npos) {
    EXPECT_TRUE(passed) << out;
    GTEST_SKIP() << "no display: " << out;
  }
  EXPECT_FALSE(passed) << out;
  EXPECT_NE(out.find("FAIL editor: open, close and reopen: cycle 1: the plug-in did not open its editor"),
            std::string::npos)
    << out;
}

TEST_F(Validator, AnEditorSizedOnlyOnceOpenPassesAndOneNeverSizedFails)
{
  bool passed = false;
  std::string out = Run(kEditorSizeOnceOpen, "editor", passed);
  if (out.find("no display to open editors in") != std::string::npos) GTEST_SKIP() << "no display: " << out;
  EXPECT_TRUE(passed) << out;
  EXPECT_NE(out.find("PASS editor: editor size: none before opening"), std::string::npos) << out;
  EXPECT_NE(out.find("PASS editor: open, close and reopen"), std::string::npos) << out;
  out = Run(kEditorNeverSized, "editor", passed);
  EXPECT_FALSE(passed) << out;
  EXPECT_NE(out.find("no usable editor size once its editor is open"), std::string::npos) << out;
}

TEST_F(Validator, UnknownGroupFails)
{
  bool passed = true;
  const std::string out = Run(kNoFault, "editor-with-typo", passed);
  EXPECT_FALSE(passed);
  EXPECT_NE(out.find("no check group 'editor-with-typo'"), std::string::npos) << out;
}

TEST_F(ValidatorVst3, WellBehavedPluginPassesEveryCheck)
{
  for (const char* group : {"processing", "parameters", "state", "editor", "threads", "vst3"}) {
    bool passed = false;
    const std::string out = Run(kNoFault, group, passed);
    EXPECT_TRUE(passed) << out;
    EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
    EXPECT_NE(out.find("PASS " + std::string(group)), std::string::npos) << out;
  }
}

TEST_F(ValidatorVst3, EachFaultIsReportedByItsCheck)
{
  for (const Expectation& f : kVst3Faults) {
    bool passed = true;
    const std::string out = Run(f.fault, f.group, passed);
    EXPECT_FALSE(passed) << "fault " << f.fault << "\n" << out;
    EXPECT_NE(out.find(f.failure), std::string::npos) << "fault " << f.fault << "\n" << out;
  }
}
