// Parameter values as the command line gives them: numbers in the
// parameter's unit or a multiple of it, converted exactly; everything else
// refused with what the parameter takes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/TextNumber.h"
#include "tools/ParamValue.h"

namespace {

const ParamInfo kAttack{"Attack", ParamUnit::kSeconds, true, 0.0001, 0.005};
const ParamInfo kFrequency{"Frequency", ParamUnit::kHertz, true, 100.0, 20000.0};
const ParamInfo kOutput{"Output", ParamUnit::kDecibels, true, -12.0, 12.0};
const ParamInfo kMix{"Mix", ParamUnit::kPercent, true, 0.0, 100.0};
const ParamInfo kPitch{"Pitch", ParamUnit::kSemitones, true, -12.0, 12.0};
const ParamInfo kQ{"Q", ParamUnit::kNone, true, 0.4, 7.0};
const ParamInfo kDelay{"Delay", ParamUnit::kMilliseconds, false, 0.0, 0.0};

double Parsed(const ParamInfo& p, const std::string& text)
{
  double v = -999.0;
  std::string error;
  EXPECT_TRUE(ParseParamValue(p, text, v, error)) << p.name << "=" << text << ": " << error;
  return v;
}

std::string Refusal(const ParamInfo& p, const std::string& text)
{
  double v = -999.0;
  std::string error;
  EXPECT_FALSE(ParseParamValue(p, text, v, error)) << p.name << "=" << text;
  EXPECT_EQ(v, -999.0) << p.name << "=" << text << ": a refused value is not stored";
  return error;
}

}  // namespace

TEST(ParamValue, NumbersWithTheUnitOrAMultipleAreConvertedExactly)
{
  // Scaling by a unit moves the decimal point, so the result is the double
  // nearest the decimal value, as if it had been typed in the plain unit.
  EXPECT_EQ(Parsed(kAttack, "3.3ms"), ParseLeadingDouble("0.0033"));
  EXPECT_EQ(Parsed(kAttack, "0.0033"), ParseLeadingDouble("0.0033"));
  EXPECT_EQ(Parsed(kAttack, "0.0033 s"), ParseLeadingDouble("0.0033"));
  EXPECT_EQ(Parsed(kAttack, "33e-1MS"), ParseLeadingDouble("0.0033"));
  EXPECT_EQ(Parsed(kFrequency, "2kHz"), 2000.0);
  EXPECT_EQ(Parsed(kFrequency, "1.23456kHz"), ParseLeadingDouble("1234.56"));
  EXPECT_EQ(Parsed(kFrequency, "440hz"), 440.0);
  EXPECT_EQ(Parsed(kOutput, "-6dB"), -6.0);
  EXPECT_EQ(Parsed(kOutput, "+6"), 6.0);
  EXPECT_EQ(Parsed(kMix, "50%"), 50.0);
  EXPECT_EQ(Parsed(kPitch, "-7 semitones"), -7.0);
  EXPECT_EQ(Parsed(kPitch, "7st"), 7.0);
  EXPECT_EQ(Parsed(kQ, " 2.5 "), 2.5);
  // A parameter in milliseconds takes seconds too; one of unknown range
  // takes any number.
  EXPECT_EQ(Parsed(kDelay, "0.25s"), 250.0);
  EXPECT_EQ(Parsed(kDelay, "-1e6"), -1e6);
}

TEST(ParamValue, TheEndsOfTheRangeAreTakenAndBeyondThemRefused)
{
  EXPECT_EQ(Parsed(kPitch, "-12"), -12.0);
  EXPECT_EQ(Parsed(kPitch, "12"), 12.0);
  EXPECT_EQ(Parsed(kAttack, "5ms"), ParseLeadingDouble("0.005"));
  EXPECT_EQ(Refusal(kPitch, "12.5"), "'12.5' is 12.5 semitones, out of range; Pitch takes -12 to 12 semitones "
                                      "(a number, optionally followed by semitones or st)");
  // Milliseconds meant but not said: 3.3 seconds.
  EXPECT_EQ(Refusal(kAttack, "3.3"),
            "'3.3' is 3.3 s, out of range; Attack takes 0.0001 to 0.005 s (a number, optionally followed by s or ms)");
  EXPECT_NE(Refusal(kFrequency, "20.1kHz").find("is 20100 Hz, out of range"), std::string::npos);
  EXPECT_NE(Refusal(kFrequency, "1e400").find("too large"), std::string::npos);
}

TEST(ParamValue, AnythingButANumberWithTheParametersUnitIsRefusedSayingWhatItTakes)
{
  const std::string takes = "Pitch takes -12 to 12 semitones (a number, optionally followed by semitones or st)";
  EXPECT_EQ(Refusal(kPitch, "abc"), "'abc' is not a number; " + takes);
  EXPECT_EQ(Refusal(kPitch, ""), "no value given; " + takes);
  EXPECT_EQ(Refusal(kPitch, "  "), "no value given; " + takes);
  EXPECT_EQ(Refusal(kPitch, "7,5"), "'7,5' is not a number (decimals take a point); " + takes);
  EXPECT_EQ(Refusal(kPitch, "7dB"), "'7dB' is not a value of Pitch; " + takes);
  for (const char* text : {"nan", "inf", "-inf", "0x10", ".", "-", "e5", "1e", "--3", "3 3"}) {
    const std::string error = Refusal(kPitch, text);
    EXPECT_NE(error.find(takes), std::string::npos) << text << ": " << error;
  }
  EXPECT_EQ(Refusal(kQ, "2ms"), "'2ms' is not a value of Q; Q takes 0.4 to 7 (a plain number, no unit)");
  EXPECT_EQ(Refusal(kMix, "50 %%"), "'50 %%' is not a value of Mix; Mix takes 0 to 100% (a number, optionally "
                                     "followed by %)");
  EXPECT_EQ(Refusal(kDelay, "x"), "'x' is not a number; Delay takes a number (a number, optionally followed by ms "
                                  "or s)");
}

TEST(ParamValue, LabelsNameTheirUnitsAndNamesAreFoundExactlyThenIgnoringCase)
{
  EXPECT_EQ(UnitForLabel("dB"), ParamUnit::kDecibels);
  EXPECT_EQ(UnitForLabel(" Hz "), ParamUnit::kHertz);
  EXPECT_EQ(UnitForLabel("kHz"), ParamUnit::kKilohertz);
  EXPECT_EQ(UnitForLabel("ms"), ParamUnit::kMilliseconds);
  EXPECT_EQ(UnitForLabel("%"), ParamUnit::kPercent);
  EXPECT_EQ(UnitForLabel(""), ParamUnit::kNone);
  EXPECT_EQ(UnitForLabel("dB/oct"), ParamUnit::kNone);

  const std::vector<ParamInfo> params = {{"Mix"}, {"MIX"}, {"Output"}};
  EXPECT_EQ(FindParamNamed(params, "MIX"), 1);
  EXPECT_EQ(FindParamNamed(params, "mix"), 0);
  EXPECT_EQ(FindParamNamed(params, "output"), 2);
  EXPECT_EQ(FindParamNamed(params, "Out"), -1);
  EXPECT_EQ(ParamNames(params), "Mix, MIX, Output");
}
