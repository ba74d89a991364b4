#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdio>
#include <cmath>
#include <string>

#include "core/Parameter.h"
#include "base/TextNumber.h"

namespace {

std::string Display(const IParameter& p, double v, bool normalized = false)
{
  char out[64];
  p.FormatValue(v, normalized, out, sizeof out, true);
  return out;
}

void DefineFrequency(IParameter& p) { p.DefineContinuous("Frequency", "%", 20000.0, 100.0, 20000.0, 0.01, 2.0); }

// Switches the C locale to one with decimal commas for the test's duration.
class CommaLocale
{
public:
  CommaLocale()
  {
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "German", "de-DE"};
    for (const char* n : names) {
      if (std::setlocale(LC_ALL, n)) {
        mActive = true;
        break;
      }
    }
  }
  ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
  bool Active() const { return mActive; }

private:
  bool mActive = false;
};

}  // namespace

TEST(Parameter, DefinitionDerivesPrecisionRangeAndShape)
{
  IParameter p;
  p.DefineContinuous("Attack", "%", 0.001, 0.0001, 0.005, 0.0001, 1.0);
  EXPECT_EQ(p.Kind(), kParamContinuous);
  EXPECT_EQ(p.DisplayPrecision(), 4);
  EXPECT_EQ(p.Value(), 0.001);

  IParameter half;
  half.DefineContinuous("h", "", 0, 0, 10, 0.5, 0.0);
  EXPECT_EQ(half.DisplayPrecision(), 1);
  EXPECT_EQ(half.Shape(), 1.0);  // shape 0 keeps the previous shape

  IParameter fine;
  fine.DefineContinuous("f", "", 0, 0, 1, 1e-9, 1.0);
  EXPECT_EQ(fine.DisplayPrecision(), 6);

  IParameter raised;
  raised.DefineContinuous("r", "", 0, 0, 0.005, 0.01, 1.0);
  EXPECT_DOUBLE_EQ(raised.Max(), 0.01);

  IParameter integer;
  integer.DefineInteger("Sequence", 0, 0, 1, "");
  EXPECT_EQ(integer.Kind(), kParamInteger);
  EXPECT_EQ(integer.DisplayPrecision(), 0);
  EXPECT_EQ(integer.Step(), 1.0);
}

TEST(Parameter, NormalizedMappingUsesShapeAndQuantisesIntegers)
{
  IParameter f;
  DefineFrequency(f);
  f.SetFromNormalized(0.5);
  EXPECT_DOUBLE_EQ(f.Value(), 5075.0);
  EXPECT_DOUBLE_EQ(f.ToNormalized(), 0.5);
  f.SetFromNormalized(1.0);
  EXPECT_EQ(f.Value(), 20000.0);
  f.SetFromNormalized(7.0);
  EXPECT_EQ(f.Value(), 20000.0);  // limited from above

  IParameter seq;
  seq.DefineInteger("Sequence", 0, 0, 1, "");
  seq.SetFromNormalized(0.49);
  EXPECT_EQ(seq.Value(), 0.0);
  seq.SetFromNormalized(0.5);
  EXPECT_EQ(seq.Value(), 1.0);
  seq.SetFromNormalized(0.4);
  EXPECT_EQ(seq.Value(), 0.0);

  IParameter lin;
  lin.DefineContinuous("Pitch", "%", 0, -12, 12, 1, 1);
  lin.SetFromNormalized(-0.5);
  EXPECT_EQ(lin.Value(), -24.0);  // no lower limit here, as documented
  EXPECT_EQ(lin.ToNormalized(), 0.0);
  lin.SetClamped(99);
  EXPECT_EQ(lin.Value(), 12.0);
  EXPECT_EQ(lin.ToNormalized(), 1.0);
  lin.SetClamped(-99);
  EXPECT_EQ(lin.Value(), -12.0);
}

TEST(Parameter, DisplayFormatsByPrecisionAndTruncatesIntegers)
{
  IParameter q;
  q.DefineContinuous("Q", "%", 0.707, 0.4, 7.0, 0.01, 1.0);
  char out[64];
  q.FormatCurrent(out, sizeof out);
  EXPECT_STREQ(out, "0.71");

  IParameter out12;
  out12.DefineContinuous("Output", "%", 0, -12, 12, 1, 1);
  EXPECT_EQ(Display(out12, -12.0), "-12");
  EXPECT_EQ(Display(out12, 2.9), "2");
  EXPECT_EQ(Display(out12, -2.9), "-2");
  EXPECT_EQ(Display(out12, 0.5, true), "0");
  EXPECT_EQ(Display(out12, 1.0, true), "12");

  IParameter f;
  DefineFrequency(f);
  EXPECT_EQ(Display(f, 0.5, true), "5075.00");
  // Bounded copies: the text is cut, never overrun.
  char small[4] = {'x', 'x', 'x', 'x'};
  f.FormatValue(20000.0, false, small, sizeof small, true);
  EXPECT_STREQ(small, "200");
  // Huge values and non-numbers format without undefined behaviour.
  char big[kMaxNumberText];
  EXPECT_EQ(FormatFixed(1e300, 2, big, sizeof big), 304);
  EXPECT_EQ(Display(f, 1e300).size(), 63u);
  EXPECT_EQ(Display(out12, NAN), "-2147483648");
}

TEST(Parameter, DisplayTextsReplaceValuesAndLabels)
{
  IParameter p;
  p.DefineInteger("Mode", 0, 0, 2, "dB");
  EXPECT_STREQ(p.UnitLabel(), "dB");
  double v = -1;
  EXPECT_FALSE(p.LookupDisplayText("Off", &v));
  ASSERT_TRUE(p.AddDisplayText(0, "Off"));
  ASSERT_TRUE(p.AddDisplayText(1, ""));
  ASSERT_TRUE(p.AddDisplayText(1, "Shadowed"));
  EXPECT_EQ(p.DisplayTextCount(), 3);
  EXPECT_EQ(Display(p, 0.7), "Off");  // truncated to 0
  EXPECT_EQ(Display(p, 1.0), "1");    // first match is empty: falls through
  EXPECT_STREQ(p.UnitLabel(), "");
  p.SetClamped(2);
  EXPECT_STREQ(p.UnitLabel(), "dB");
  EXPECT_TRUE(p.LookupDisplayText("Shadowed", &v));
  EXPECT_EQ(v, 1.0);
  EXPECT_FALSE(p.LookupDisplayText("off", &v));

  p.SetDisplayNegation(true);
  EXPECT_EQ(Display(p, 2.0), "-2");
}

TEST(TextNumber, FormattingAndParsingIgnoreTheProcessLocale)
{
  CommaLocale locale;
  if (!locale.Active()) GTEST_SKIP() << "no locale with decimal commas on this system";
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", 0.5);
  ASSERT_STREQ(buf, "0,50") << "the locale switch did not take effect";
  FormatFixed(0.707, 2, buf, sizeof buf);
  EXPECT_STREQ(buf, "0.71");
  EXPECT_EQ(ParseLeadingDouble("6.5"), 6.5);
  EXPECT_EQ(ParseLeadingDouble("  -0.25dB"), -0.25);
}

TEST(TextNumber, ParsesLikeTheCLibrary)
{
  EXPECT_EQ(ParseLeadingDouble("99"), 99.0);
  EXPECT_EQ(ParseLeadingDouble("+1e3x"), 1000.0);
  EXPECT_EQ(ParseLeadingDouble("abc"), 0.0);
  EXPECT_EQ(ParseLeadingDouble(""), 0.0);
  EXPECT_EQ(ParseLeadingDouble(nullptr), 0.0);
  EXPECT_EQ(ParseLeadingDouble(".5"), 0.5);
  EXPECT_TRUE(std::isinf(ParseLeadingDouble("1e999")));
  EXPECT_EQ(ParseLeadingDouble("1e-999"), 0.0);
  EXPECT_EQ(ParseLeadingDouble("0x10"), 16.0);
  EXPECT_TRUE(std::isinf(ParseLeadingDouble("-inf")));
  EXPECT_TRUE(std::isnan(ParseLeadingDouble("nan")));
  EXPECT_EQ(TruncateToInt(-2.9), -2);
  EXPECT_EQ(TruncateToInt(3e9), INT_MIN);
}
