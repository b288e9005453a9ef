#include "calc/utilities.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "SessionFixture.h"
#include "platform/rt/Classes.h"
#include "platform/rt/SysUtils.h"

namespace {

std::vector<std::string> Items(const rt::TStrings& list) {
  std::vector<std::string> v;
  for (int i = 0; i < list.Count(); ++i) v.push_back(list.Strings(i));
  return v;
}

} // namespace

TEST(PressureUnitLabel, CaptionsForGaugeAbsoluteAndPlain) {
  struct Case {
    const char* unit;
    bool absolute, plain;
    const char* expected;
  } cases[] = {
      {"psig", false, false, "psig"},
      {"psig", true, false, "psia"},
      {"bar", true, false, "bar (abs)"},
      {"bar", false, false, "bar"},
      {"bar", true, true, "bar"},          // plain wins over absolute
      {"psig", true, true, "psi"},
      {"psia", false, true, "psi"},
      {"kPa (abs)", false, true, "kPa"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PressureUnitLabel(c.unit, c.absolute, c.plain), c.expected)
        << c.unit << " abs=" << c.absolute << " plain=" << c.plain;
}

TEST(StripPressureUnit, RemovesGaugeAndAbsoluteMarks) {
  EXPECT_EQ(StripPressureUnit("psig"), "psi");
  EXPECT_EQ(StripPressureUnit("psia"), "psi");
  EXPECT_EQ(StripPressureUnit("bar (abs) (abs)"), "bar");
  EXPECT_EQ(StripPressureUnit("In/H2O"), "In/H2O");
}

TEST(CvAtTravel, EqualPercentageWithRangeability30) {
  EXPECT_NEAR(CvAtTravel(100, 50), 50, 1e-12);
  EXPECT_NEAR(CvAtTravel(0, 30), 1, 1e-12);
  EXPECT_NEAR(CvAtTravel(50, 30), 30 / std::sqrt(30.0), 1e-12);
}

class TravelPercentTest : public SessionTest {};

TEST_F(TravelPercentTest, TextsOfLinearAndEqualPercentageTravel) {
  struct Case {
    bool linear, label;
    double cv, rated;
    const char* expected;
  } cases[] = {
      {false, false, 50, 50, "100"},
      {false, true, 50, 50, "Over 90"},
      {false, false, 1, 50, "1"},             // ratio 0.02: 0.67 %
      {false, true, 1, 50, "Under 10"},
      {false, true, 25, 50, "80"},            // (1 + log30 0.5) * 100 = 79.62
      {true, false, 22.75, 50, "46"},         // 45.5 rounds away from zero
      {true, true, 46, 50, "Over 90"},
      {true, true, 45 / 1.0000001, 50, "90"},
      {true, true, 5, 50, "10"},              // exactly 10 is not under 10
      {true, true, 4.9, 50, "Under 10"},
      {true, true, 60, 50, "120"},            // beyond full travel shows the number
      {true, true, 50.2, 50, "100"},          // just beyond 100 is no longer "Over 90"
  };
  for (const Case& c : cases)
    EXPECT_EQ(TravelPercent(c.linear, c.label, c.cv, c.rated), c.expected)
        << "linear=" << c.linear << " label=" << c.label << " cv=" << c.cv << " rated=" << c.rated;
}

TEST_F(TravelPercentTest, EqualPercentageLeavesItsBranchInDebugStr) {
  session().DebugStr = "untouched";
  TravelPercent(true, true, 1, 50);
  EXPECT_EQ(session().DebugStr, "untouched");
  TravelPercent(false, true, 1, 50);
  EXPECT_EQ(session().DebugStr, "Small travel0.67");
  TravelPercent(false, true, 25, 50);
  EXPECT_EQ(session().DebugStr, "Large travel79.62");
}

TEST_F(TravelPercentTest, ZeroRatedCvIsReportedNotShownAsNumber) {
  EXPECT_THROW(TravelPercent(true, true, 5, 0), rt::EZeroDivide);
  EXPECT_THROW(TravelPercent(false, false, 0, 0), rt::EInvalidOp);
}

TEST(FormatNumber, FixedWithoutTrailingZerosOrGeneralForWholeValues) {
  EXPECT_EQ(FormatNumber(8, 3, 3.0), "3");
  EXPECT_EQ(FormatNumber(8, 3, 2.250), "2.25");
  EXPECT_EQ(FormatNumber(8, 2, 12.5), "12.5");
  EXPECT_EQ(FormatNumber(8, 4, 0.00349), "0.0035");
  EXPECT_EQ(FormatNumber(8, 2, -2.5), "-2.5");  // negative with a fraction: general format
}

TEST(StripTrailingZeros, DropsZerosOfTheFractionOnly) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"12.50", "12.5"}, {"12.00", "12."}, {"", ""}, {"0.0500", "0.05"},
      // A text without a fraction keeps its value.
      {"100", "100"}, {"1.0E+10", "1.0E+10"},
  };
  for (const Case& c : cases) EXPECT_EQ(StripTrailingZeros(c.in), c.out) << c.in;
}

TEST(DisplayDecimals, MoreDecimalsForSmallerValues) {
  struct Case {
    double x;
    int decimals;
  } cases[] = {
      {100.01, 1}, {100, 2}, {1.5, 2}, {1, 1}, {0.5, 2}, {0.05, 3}, {0.0002, 5}, {0, 8},
      // Negative values count by their size; NaN gets a single decimal.
      {-0.05, 3}, {-250, 1}, {std::numeric_limits<double>::quiet_NaN(), 1},
      {std::numeric_limits<double>::infinity(), 1},
  };
  for (const Case& c : cases) EXPECT_EQ(DisplayDecimals(c.x), c.decimals) << c.x;
}

TEST(ToStandardFlow, ActualToStandardAtSixtyDegrees) {
  // At 60 degF only the pressure ratio remains: (85.3 + 14.696) / 14.696.
  EXPECT_NEAR(ToStandardFlow(1, 85.3, 60), (85.3 + 14.696) / 14.696, 1e-6);
  EXPECT_NEAR(ToStandardFlow(2, 0, 60), 2, 1e-12);
  // Hotter gas: fewer standard feet per actual foot.
  EXPECT_NEAR(ToStandardFlow(1, 0, 519.69), 0.5, 1e-6);
  EXPECT_GT(ToStandardFlow(-1, 10, 60), 0);
}

TEST(Interpolate, LineThroughTwoPointsAndItsExtension) {
  EXPECT_DOUBLE_EQ(Interpolate(1000, 1050, 0.44596, 0.42224, 1025), 0.4341);
  EXPECT_DOUBLE_EQ(Interpolate(0, 10, 0, 100, 20), 200);  // no bounds
  EXPECT_DOUBLE_EQ(Interpolate(5, 5, 1, 3, 7), 2);        // equal x: the mean
}

TEST(LogBase, LogarithmToAnyBaseAndItsFaults) {
  EXPECT_NEAR(LogBase(8, 2), 3, 1e-15);
  EXPECT_NEAR(LogBase(1.0 / 30, 30), -1, 1e-15);
  EXPECT_THROW(LogBase(5, 1), rt::EZeroDivide);
  EXPECT_THROW(LogBase(0, 10), rt::EZeroDivide);
  EXPECT_THROW(LogBase(-1, 10), rt::EInvalidOp);
}

TEST(RemoveDuplicates, KeepsFirstOfEachIgnoringCase) {
  rt::TStringList list;
  for (const char* s : {"2", "1.5", "2", "a", "A", "b", "1.5"}) list.Add(s);
  RemoveDuplicates(list);
  EXPECT_EQ(Items(list), (std::vector<std::string>{"2", "1.5", "a", "b"}));
}

TEST(SplitString, FieldsBetweenSeparators) {
  struct Case {
    const char* text;
    const char* sep;
    std::vector<std::string> items;
  } cases[] = {
      {"a;b;c", ";", {"a", "b", "c"}},
      {"a;b;", ";", {"a", "b", ""}},     // trailing separator: trailing empty field
      {"a;;b", ";", {"a", "", "b"}},
      {"", ";", {""}},
      {"x%3By%3B", "%3B", {"x", "y", ""}},
      {"a;b", "", {"a;b"}},               // no separator: the whole text
      {"", "", {""}},
  };
  for (const Case& c : cases) {
    rt::TStringList list;
    list.Add("old");
    SplitString(list, c.text, c.sep);
    EXPECT_EQ(Items(list), c.items) << "'" << c.text << "' at '" << c.sep << "'";
  }
}

TEST(Checked, FaultsNameTheQuantity) {
  try {
    checked::Div(1, 0, "the specific gravity");
    FAIL();
  } catch (const rt::EZeroDivide& e) {
    EXPECT_NE(e.Message().find("the specific gravity is zero"), std::string::npos) << e.Message();
  }
  EXPECT_THROW(checked::Div(0, 0, "x"), rt::EInvalidOp);
  EXPECT_THROW(checked::Sqrt(-1e-300, "x"), rt::EInvalidOp);
  EXPECT_THROW(checked::Sqrt(std::nan(""), "x"), rt::EInvalidOp);
  EXPECT_THROW(checked::Pow(-2, 0.5, "x"), rt::EInvalidOp);
  EXPECT_DOUBLE_EQ(checked::Pow(-2, 2, "x"), 4);
  EXPECT_THROW(checked::Pow(0, -0.5, "x"), rt::EZeroDivide);
  EXPECT_THROW(checked::Div(1e308, 1e-308, "x"), rt::EOverflow);
  EXPECT_EQ(checked::Sqrt(0, "x"), 0);
}
