// Numbers on the command line: only whole numbers in the C locale's
// notation and within the option's range are taken, and the texts vexa-host
// writes for numbers read back exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "base/TextNumber.h"
#include "tests/TestSeed.h"
#include "tools/Arguments.h"

TEST(Arguments, WholeNumbersAreTakenOnlyWholeAndInRange)
{
  long long v = -1;
  std::string error;
  EXPECT_TRUE(ParseWholeOption("--block", "512", 1, 65536, v, error));
  EXPECT_EQ(v, 512);
  EXPECT_TRUE(ParseWholeOption("--seed", "+4294967295", 0, 4294967295LL, v, error));
  EXPECT_EQ(v, 4294967295LL);
  EXPECT_TRUE(ParseWholeOption("--x", "-3", -5, 5, v, error));
  EXPECT_EQ(v, -3);
  for (const char* bad : {"", "0", "65537", "abc", "12x", "1e3", "1.0", " 5", "5 ", "+-5", "-", "0x10",
                          "99999999999999999999"}) {
    v = -1;
    EXPECT_FALSE(ParseWholeOption("--block", bad, 1, 65536, v, error)) << bad;
    EXPECT_EQ(v, -1) << bad;
    EXPECT_EQ(error, std::string("--block: '") + bad + "' is not a whole number from 1 to 65536");
  }
}

TEST(Arguments, DecimalNumbersAreTakenInTheCLocalesNotationAndInRange)
{
  double v = -1.0;
  std::string error;
  EXPECT_TRUE(ParseNumberOption("--tail", "2.5", 0.0, 3600.0, v, error));
  EXPECT_EQ(v, 2.5);
  EXPECT_TRUE(ParseNumberOption("--tail", "0", 0.0, 3600.0, v, error));
  EXPECT_EQ(v, 0.0);
  EXPECT_TRUE(ParseNumberOption("--tail", "1e1", 0.0, 3600.0, v, error));
  EXPECT_EQ(v, 10.0);
  EXPECT_TRUE(ParseNumberOption("--tail", ".5", 0.0, 3600.0, v, error));
  EXPECT_EQ(v, 0.5);
  for (const char* bad : {"", "-1", "3600.5", "2,5", "abc", "nan", "inf", "1e", "2.5s", " 1", "0x1p3"}) {
    v = -1.0;
    EXPECT_FALSE(ParseNumberOption("--tail", bad, 0.0, 3600.0, v, error)) << bad;
    EXPECT_EQ(v, -1.0) << bad;
    EXPECT_EQ(error, std::string("--tail: '") + bad + "' is not a number from 0 to 3600");
  }
}

TEST(Arguments, ScanDecimalFindsTheLongestNumberAtThePosition)
{
  EXPECT_EQ(ScanDecimal("3.3ms", 0), 3u);
  EXPECT_EQ(ScanDecimal("-12dB", 0), 3u);
  EXPECT_EQ(ScanDecimal("1e-3s", 0), 4u);
  EXPECT_EQ(ScanDecimal("1es", 0), 1u);  // an exponent without digits is no exponent
  EXPECT_EQ(ScanDecimal("5.", 0), 2u);
  EXPECT_EQ(ScanDecimal(".", 0), 0u);
  EXPECT_EQ(ScanDecimal("x-2", 1), 3u);
  EXPECT_EQ(ScanDecimal("nan", 0), 0u);
}

TEST(Arguments, NumberTextsReadBackExactly)
{
  EXPECT_EQ(NumberText(0.0001), "0.0001");
  EXPECT_EQ(NumberText(20000.0), "20000");
  EXPECT_EQ(NumberText(-12.0), "-12");
  EXPECT_EQ(NumberText(1e300).find('e') != std::string::npos, true);
  TestSeed seed;
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  std::uniform_int_distribution<int> exponent(-12, 12);
  for (int i = 0; i < 10000; ++i) {
    const double v = std::ldexp(mantissa(rng), exponent(rng));
    const std::string text = NumberText(v);
    ASSERT_EQ(ParseLeadingDouble(text.c_str()), v) << text;
    ASSERT_EQ(ScanDecimal(text, 0), text.size()) << text;
  }
}
