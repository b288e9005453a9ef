#include "platform/rt/SysUtils.h"

#include <gtest/gtest.h>

TEST(Exception, CarriesClassNameAndMessageThroughBaseCatch) {
  try {
    throw rt::EZeroDivide("Floating point division by zero");
  } catch (const rt::Exception& e) {
    EXPECT_EQ(e.ClassName(), "EZeroDivide");
    EXPECT_EQ(e.Message(), "Floating point division by zero");
  }
}

#include <cmath>
#include <functional>
#include <limits>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

// "ClassName: message" of the runtime exception F raises, "" when none.
std::string RaisedBy(const std::function<void()>& F) {
  try {
    F();
  } catch (const rt::Exception& E) {
    return E.ClassName() + ": " + E.Message();
  }
  return "";
}
} // namespace

TEST(FloatToStr, GeneralFormatWith15SignificantDigits) {
  struct Case {
    double Value;
    const char* Text;
  } Cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {1, "1"},
      {-2.5, "-2.5"},
      {0.1, "0.1"},
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {0.1 + 0.2, "0.3"},  // 15 digits hide the binary noise
      {static_cast<double>(0.38f), "0.379999995231628"},
      {12345.678, "12345.678"},
      {0.0001, "0.0001"},  // smallest fixed-notation magnitude
      {0.00012, "0.00012"},
      {0.00009, "9E-5"},
      {1e-5, "1E-5"},
      {-1.25e-7, "-1.25E-7"},
      {999999999999999.0, "999999999999999"},  // 15 integer digits still fixed
      {1e15, "1E15"},
      {1.5e20, "1.5E20"},
      {123456789012345678.0, "1.23456789012346E17"},
      {999999999999999.9, "1E15"},  // rounding carries into a new digit
      {1.7976931348623157e308, "1.79769313486232E308"},
      {4.9406564584124654e-324, "5E-324"},  // shortest text that reads back as the value
      {NaN, "NAN"},
      {Inf, "INF"},
      {-Inf, "-INF"},
  };
  for (const auto& C : Cases) EXPECT_EQ(rt::FloatToStr(C.Value), C.Text) << C.Value;
}

TEST(FloatToStrF, EachFormatPrecisionAndDigits) {
  struct Case {
    double Value;
    rt::TFloatFormat Format;
    int Precision, Digits;
    const char* Text;
  } Cases[] = {
      // fixed: ties are taken on the decimal digits and rounded away from zero
      {2.675, rt::ffFixed, 15, 2, "2.68"},
      {-2.675, rt::ffFixed, 15, 2, "-2.68"},
      {1.005, rt::ffFixed, 15, 2, "1.01"},
      {0.125, rt::ffFixed, 15, 2, "0.13"},
      {0.5, rt::ffFixed, 15, 0, "1"},
      {2.5, rt::ffFixed, 15, 0, "3"},
      {-0.5, rt::ffFixed, 15, 0, "-1"},
      {0.45, rt::ffFixed, 15, 1, "0.5"},
      {9.995, rt::ffFixed, 15, 2, "10.00"},
      {1.25, rt::ffFixed, 15, 2, "1.25"},
      {3, rt::ffFixed, 15, 3, "3.000"},
      {0, rt::ffFixed, 15, 2, "0.00"},
      {-0.0, rt::ffFixed, 15, 2, "0.00"},
      {-0.001, rt::ffFixed, 15, 2, "0.00"},  // no sign on a zero result
      {1e-5, rt::ffFixed, 15, 2, "0.00"},
      {12.345, rt::ffFixed, 3, 2, "12.30"},  // precision limits the digits first
      {123456789.123456789, rt::ffFixed, 15, 4, "123456789.1235"},
      {1e15, rt::ffFixed, 15, 2, "1E15"},  // too many integer digits: general format
      {42.7, rt::ffFixed, 8, 0, "43"},
      // number: thousands separators in the integer part only
      {1234567.891, rt::ffNumber, 15, 2, "1,234,567.89"},
      {-1234.5, rt::ffNumber, 15, 1, "-1,234.5"},
      {999.999, rt::ffNumber, 15, 2, "1,000.00"},
      {100, rt::ffNumber, 15, 0, "100"},
      {0.5, rt::ffNumber, 15, 3, "0.500"},
      {123456, rt::ffNumber, 15, 0, "123,456"},
      // exponent: all precision digits, signed exponent of at least Digits digits
      {1234.5, rt::ffExponent, 4, 2, "1.235E+03"},
      {-0.00012345, rt::ffExponent, 3, 0, "-1.23E-4"},
      {1234.5, rt::ffExponent, 15, 0, "1.23450000000000E+3"},
      {0, rt::ffExponent, 4, 3, "0.000E+000"},
      {5, rt::ffExponent, 1, 1, "5E+0"},
      {1e100, rt::ffExponent, 2, 1, "1.0E+100"},
      // general: precision and minimum exponent digits
      {3.0, rt::ffGeneral, 8, 3, "3"},
      {2.25, rt::ffGeneral, 3, 0, "2.25"},
      {2.256, rt::ffGeneral, 3, 0, "2.26"},
      {12345, rt::ffGeneral, 4, 0, "1.235E4"},
      {1e-7, rt::ffGeneral, 15, 3, "1E-007"},
      {0.379999995231628, rt::ffGeneral, 2, 0, "0.38"},
      {NaN, rt::ffFixed, 15, 2, "NAN"},
      {-Inf, rt::ffNumber, 15, 2, "-INF"},
      {Inf, rt::ffExponent, 15, 2, "INF"},
  };
  for (const auto& C : Cases)
    EXPECT_EQ(rt::FloatToStrF(C.Value, C.Format, C.Precision, C.Digits), C.Text)
        << C.Value << " format " << C.Format << " " << C.Precision << "," << C.Digits;
}

TEST(FormatFloat, Patterns) {
  struct Case {
    const char* Pattern;
    double Value;
    const char* Text;
  } Cases[] = {
      {"0.00", 1234.5, "1234.50"},
      {"0.00", -1234.5, "-1234.50"},
      {"0.00", 2.675, "2.68"},
      {"0.00", -0.004, "0.00"},
      {"0.00", 0, "0.00"},
      {"#,##0.0", 1234567.891, "1,234,567.9"},
      {"#,##0.0", 0.04, "0.0"},
      {"#,##0.0", -999.96, "-1,000.0"},
      {"0.###", 2.5, "2.5"},
      {"0.###", 2.0, "2"},
      {"0.###", 0.12345, "0.123"},
      {"0.###", 0.9996, "1"},
      {"#.##", 0.5, ".5"},
      {"#.##", 0, ""},
      {"0", 0.5, "1"},
      {"0", -1234.5, "-1235"},
      {"00000", 42, "00042"},
      {"0.00 'kg'", 3.14159, "3.14 kg"},
      {"\"$\"#,##0.00", 1234.5, "$1,234.50"},
      {"(000) 000-0000", 5551234567.0, "(555) 123-4567"},
      {"#,##0.00;(#,##0.00)", -1234, "(1,234.00)"},
      {"#,##0.00;(#,##0.00)", 1234, "1,234.00"},
      {"#,##0.00;;Zero", 0, "Zero"},
      {"#,##0.00;;Zero", 0.001, "Zero"},  // rounds to zero
      {"#,##0.00;;Zero", -5, "-5.00"},    // empty negative section: the first one with a sign
      {"0.000E+00", 1234, "1.234E+03"},
      {"0.000E+00", 0.5, "5.000E-01"},
      {"0.000E+00", 0, "0.000E+00"},
      {"#.###E-0", 1234, "1.234E3"},
      {"#.###E-0", 0.5, "5E-1"},
      {"#.###E-0", -1234, "-1.234E3"},
      {"", 1234.5, "1234.5"},
      {"", 1e-7, "1E-7"},
      {"0.00", 1e20, "1E20"},  // beyond 18 integer digits: general format
      {"0.00", NaN, "NAN"},
      {"0.00", -Inf, "-INF"},
  };
  for (const auto& C : Cases) EXPECT_EQ(rt::FormatFloat(C.Pattern, C.Value), C.Text) << C.Pattern << " " << C.Value;
}

TEST(StrToFloat, AcceptsPlainNumbersAndRejectsTheRest) {
  struct Case {
    const char* Text;
    bool Ok;
    double Value;
  } Cases[] = {
      {"1", true, 1},
      {"-2.5", true, -2.5},
      {"+3", true, 3},
      {"1e5", true, 1e5},
      {"1.5E+3", true, 1500},
      {"-.5e-2", true, -0.005},
      {".5", true, 0.5},
      {"5.", true, 5},
      {"  7.25  ", true, 7.25},
      {"\t8\r\n", true, 8},
      {"0.1", true, 0.1},
      {"1e-400", true, 0},  // too small to hold
      {"", false, 0},
      {"   ", false, 0},
      {"abc", false, 0},
      {"1,5", false, 0},
      {"1.2.3", false, 0},
      {".", false, 0},
      {"-", false, 0},
      {"1e", false, 0},
      {"1e+", false, 0},
      {"e5", false, 0},
      {"--3", false, 0},
      {"1 2", false, 0},
      {"12abc", false, 0},
      {"0x10", false, 0},
      {"inf", false, 0},
      {"NAN", false, 0},
      {"1e400", false, 0},  // too large
  };
  for (const auto& C : Cases) {
    double V = -99;
    EXPECT_EQ(rt::TryStrToFloat(C.Text, V), C.Ok) << '"' << C.Text << '"';
    if (C.Ok) {
      EXPECT_DOUBLE_EQ(V, C.Value) << C.Text;
      EXPECT_DOUBLE_EQ(rt::StrToFloat(C.Text), C.Value);
      EXPECT_DOUBLE_EQ(rt::StrToFloatDef(C.Text, -1), C.Value);
    } else {
      EXPECT_EQ(V, -99) << "left alone on failure: " << C.Text;
      EXPECT_EQ(RaisedBy([&] { rt::StrToFloat(C.Text); }),
                std::string("EConvertError: '") + C.Text + "' is not a valid floating point value");
      EXPECT_EQ(rt::StrToFloatDef(C.Text, -1), -1);
    }
  }
}

TEST(StrToFloat, ReadsBackWhatFloatToStrWrites) {
  for (double V : {0.1, 1.0 / 3, 2.675, -1.5e20, 1e-5, 0.379999995231628, 123456.789})
    EXPECT_EQ(rt::FloatToStr(rt::StrToFloat(rt::FloatToStr(V))), rt::FloatToStr(V));
}

TEST(StrToInt, DecimalAndHexWithin32Bits) {
  struct Case {
    const char* Text;
    bool Ok;
    int Value;
  } Cases[] = {
      {"0", true, 0},
      {"42", true, 42},
      {"-17", true, -17},
      {"+5", true, 5},
      {"  12", true, 12},
      {"$FF", true, 255},
      {"0x10", true, 16},
      {"-$10", true, -16},
      {"2147483647", true, 2147483647},
      {"-2147483648", true, -2147483647 - 1},
      {"2147483648", false, 0},
      {"-2147483649", false, 0},
      {"99999999999999999999999", false, 0},
      {"", false, 0},
      {"12 ", false, 0},
      {"1.0", false, 0},
      {"x", false, 0},
      {"-", false, 0},
      {"$", false, 0},
      {"--1", false, 0},
      {"1e3", false, 0},
  };
  for (const auto& C : Cases) {
    int V = -99;
    EXPECT_EQ(rt::TryStrToInt(C.Text, V), C.Ok) << '"' << C.Text << '"';
    if (C.Ok) {
      EXPECT_EQ(V, C.Value) << C.Text;
      EXPECT_EQ(rt::StrToInt(C.Text), C.Value);
      EXPECT_EQ(rt::StrToIntDef(C.Text, -1), C.Value);
    } else {
      EXPECT_EQ(RaisedBy([&] { rt::StrToInt(C.Text); }),
                std::string("EConvertError: '") + C.Text + "' is not a valid integer value");
      EXPECT_EQ(rt::StrToIntDef(C.Text, 7), 7);
    }
  }
  EXPECT_EQ(rt::IntToStr(-2147483648LL), "-2147483648");
  EXPECT_EQ(rt::IntToStr(9000000000LL), "9000000000");
  EXPECT_EQ(rt::IntToStr(0), "0");
}

TEST(HexDigitValue, BothCasesAndNothingBesideThem) {
  struct Case {
    char32_t C;
    int Value;
  } Cases[] = {{U'0', 0}, {U'9', 9}, {U'a', 10}, {U'f', 15}, {U'A', 10}, {U'F', 15},
               {U'/', -1}, {U':', -1}, {U'@', -1}, {U'G', -1}, {U'`', -1}, {U'g', -1},
               {U'\uFF21', -1}, {U'\0', -1}};
  for (const Case& C : Cases) EXPECT_EQ(rt::HexDigitValue(C.C), C.Value) << static_cast<unsigned>(C.C);
  // A byte above 127 in a signed char is no digit.
  EXPECT_EQ(rt::HexDigitValue(static_cast<char>(0xB1)), -1);
}

TEST(TextHelpers, CaseTrimAndCompare) {
  EXPECT_EQ(rt::UpperCase("abc °F xyZ"), "ABC °F XYZ");
  EXPECT_EQ(rt::LowerCase("ÄBC Deg"), "Äbc deg");  // only ASCII letters change
  EXPECT_EQ(rt::Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(rt::Trim("   "), "");
  EXPECT_TRUE(rt::SameText("Liquid", "LIQUID"));
  EXPECT_FALSE(rt::SameText("Liquid", "Liquids"));
  EXPECT_LT(rt::CompareText("apple", "Banana"), 0);
  EXPECT_GT(rt::CompareStr("apple", "Banana"), 0);  // by byte value: 'a' > 'B'
  EXPECT_LT(rt::CompareText("ab", "ABC"), 0);
  EXPECT_EQ(rt::CompareText("", ""), 0);
}

TEST(TextHelpers, SplitFieldsKeepsEveryEmptyField) {
  using V = std::vector<std::string>;
  const struct {
    const char* S;
    const char* Sep;
    V Out;
  } Cases[] = {
      {"a;b", ";", {"a", "b"}},       {"a;;b", ";", {"a", "", "b"}}, {"", ";", {""}},
      {"a;", ";", {"a", ""}},         {";", ";", {"", ""}},          {"x%3By%3B", "%3B", {"x", "y", ""}},
      {"a%3", "%3B", {"a%3"}},
  };
  for (const auto& C : Cases) EXPECT_EQ(rt::SplitFields(C.S, C.Sep), C.Out) << C.S;
  EXPECT_THROW(rt::SplitFields("a", ""), rt::EConvertError);
}

TEST(TextHelpers, StringReplace) {
  struct Case {
    const char* S;
    const char* Old;
    const char* New;
    unsigned Flags;
    const char* Out;
  } Cases[] = {
      {"a;b;c", ";", "%3B", rt::rfReplaceAll, "a%3Bb%3Bc"},
      {"a;b;c", ";", "%3B", 0, "a%3Bb;c"},
      {"a b", " ", "+", rt::rfReplaceAll, "a+b"},
      {"qqaXqqA", "qqa", " ", rt::rfReplaceAll, " XqqA"},
      {"qqaXqqA", "QQA", " ", rt::rfReplaceAll | rt::rfIgnoreCase, " X "},
      {"aaaa", "aa", "a", rt::rfReplaceAll, "aa"},  // no re-scan of replaced text
      {"abc", "", "x", rt::rfReplaceAll, "abc"},
      {"abc", "z", "x", rt::rfReplaceAll, "abc"},
      {"", "a", "x", rt::rfReplaceAll, ""},
      {"60 °F", "°", "%B0", rt::rfReplaceAll, "60 %B0F"},
  };
  for (const auto& C : Cases) EXPECT_EQ(rt::StringReplace(C.S, C.Old, C.New, C.Flags), C.Out) << C.S;
}
