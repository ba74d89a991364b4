// The lifecycle run against the test module: a well-behaved plug-in stays
// flat over the cycles, one that keeps memory from every instance fails.
#include <gtest/gtest.h>

#include <string>

#include "tests/tools/FaultyPlugin.h"
#include "tools/Lifecycle.h"
#include "tools/ModuleLoader.h"

#if defined(__SANITIZE_ADDRESS__)
#define VEXA_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXA_TEST_SANITIZED 1
#endif
#endif
#ifndef VEXA_TEST_SANITIZED
#define VEXA_TEST_SANITIZED 0
#endif

namespace {

constexpr int kCycles = 40;

class Lifecycle : public ::testing::Test
{
protected:
  void SetUp() override
  {
    ASSERT_TRUE(module.Load(VEXA_FAULTY_PLUGIN_PATH)) << module.Error();
    setFault = reinterpret_cast<FaultyPluginSetFaultProc>(
      reinterpret_cast<void (*)()>(module.Entry("FaultyPluginSetFault")));
    ASSERT_NE(setFault, nullptr);
  }
  void TearDown() override
  {
    if (setFault) setFault(kNoFault);
  }

  std::string Run(int fault, bool& passed)
  {
    setFault(fault);
    LifecycleOptions options;
    options.cycles = kCycles;
    testing::internal::CaptureStdout();
    passed = RunLifecycle(VEXA_FAULTY_PLUGIN_PATH, options);
    return testing::internal::GetCapturedStdout();
  }

  ModuleLoader module;
  FaultyPluginSetFaultProc setFault = nullptr;
};

}  // namespace

TEST_F(Lifecycle, AWellBehavedPluginStaysFlat)
{
  bool passed = false;
  const std::string out = Run(kNoFault, passed);
  EXPECT_TRUE(passed) << out;
  EXPECT_EQ(out.find("FAIL"), std::string::npos) << out;
  EXPECT_NE(out.find(std::to_string(kCycles) + " cycles in"), std::string::npos) << out;
  EXPECT_NE(out.find("the plug-in has no editor: the cycles open none"), std::string::npos) << out;
}

TEST_F(Lifecycle, MemoryKeptFromEveryInstanceFails)
{
  if (VEXA_TEST_SANITIZED) GTEST_SKIP() << "the sanitizer's allocator is not what the memory figure reads";
  bool passed = true;
  const std::string out = Run(kHoardsMemory, passed);
  EXPECT_FALSE(passed) << out;
  EXPECT_NE(out.find("FAIL lifecycle: memory:"), std::string::npos) << out;
}
