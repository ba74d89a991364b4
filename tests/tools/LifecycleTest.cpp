// The lifecycle run against the test module: a well-behaved plug-in stays
// flat over the cycles, one that keeps memory from every instance fails.
#include <gtest/gtest.h>

#include <string>

#include "tests/Sanitized.h"
#include "tests/tools/FaultyPluginTest.h"
#include "tools/Lifecycle.h"

namespace {

constexpr int kCycles = 40;

class Lifecycle : public FaultyPluginTest
{
protected:
  std::string Run(int fault, bool& passed)
  {
    setFault(fault);
    LifecycleOptions options;
    options.cycles = kCycles;
    testing::internal::CaptureStdout();
    passed = RunLifecycle(VEXA_FAULTY_PLUGIN_PATH, options);
    return testing::internal::GetCapturedStdout();
  }
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
  if (kSanitized) GTEST_SKIP() << "the sanitizer's allocator is not what the memory figure reads";
  bool passed = true;
  const std::string out = Run(kHoardsMemory, passed);
  EXPECT_FALSE(passed) << out;
  EXPECT_NE(out.find("FAIL lifecycle: memory:"), std::string::npos) << out;
}
