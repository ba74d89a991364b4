#pragma once
// A test fixture that loads a faulty test module and tells it which fault
// to have; every test ends with the module well-behaved again.
#include <gtest/gtest.h>

#include "tests/tools/FaultyPlugin.h"
#include "tools/ModuleLoader.h"

class FaultyPluginTest : public ::testing::Test
{
protected:
  // The faulty module the fixture loads: the VST2 one unless a fixture
  // names another.
  virtual const char* ModulePath() const { return VEXA_FAULTY_PLUGIN_PATH; }
  void SetUp() override
  {
    ASSERT_TRUE(module.Load(ModulePath())) << module.Error();
    // Looked up like an entry point; the generic function type in between
    // marks the change of signature as intended.
    setFault = reinterpret_cast<FaultyPluginSetFaultProc>(
      reinterpret_cast<void (*)()>(module.Entry("FaultyPluginSetFault")));
    ASSERT_NE(setFault, nullptr);
  }
  void TearDown() override
  {
    if (setFault) setFault(kNoFault);
  }

  ModuleLoader module;
  FaultyPluginSetFaultProc setFault = nullptr;
};
