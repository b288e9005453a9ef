// Date-time routines: encoding, decoding, the clock, format patterns and reading texts.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/rt/DateUtils.h"
#include "platform/rt/Variants.h"

using namespace rt;

namespace {
// 5 March 2024, 14:07:09.045 (a Tuesday).
double Sample() { return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45); }
} // namespace

TEST(DateUtils, EncodeAndDecodeTime) {
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
  EXPECT_DOUBLE_EQ(EncodeTime(0, 0, 0, 0), 0.0);
  EXPECT_DOUBLE_EQ(EncodeTime(23, 59, 59, 999), 86399999.0 / 86400000.0);
  struct Bad {
    int H, M, S, Ms;
  } Cases[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0}, {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
  for (const Bad& C : Cases) {
    EXPECT_THROW(EncodeTime(C.H, C.M, C.S, C.Ms), EConvertError) << C.H << ":" << C.M << ":" << C.S << "." << C.Ms;
    double T;
    EXPECT_FALSE(TryEncodeTime(C.H, C.M, C.S, C.Ms, T));
  }
  int H, M, S, Ms;
  DecodeTime(Sample(), H, M, S, Ms);
  EXPECT_EQ(H * 10000000 + M * 100000 + S * 1000 + Ms, 140709045);
  // Within half a millisecond of midnight the time rounds to 0:00 and the date moves on.
  DecodeTime(0.99999999999, H, M, S, Ms);
  EXPECT_EQ(H + M + S + Ms, 0);
  int Y, Mo, D;
  DecodeDateTime(0.99999999999, Y, Mo, D, H, M, S, Ms);
  EXPECT_EQ(Y * 10000 + Mo * 100 + D, 18991231);
  // Before 30 December 1899 the fraction still counts forward from midnight.
  DecodeDateTime(-1.25, Y, Mo, D, H, M, S, Ms);
  EXPECT_EQ(Y * 10000 + Mo * 100 + D, 18991229);
  EXPECT_EQ(H, 6);
  EXPECT_THROW(DecodeTime(1e300, H, M, S, Ms), EConvertError);
  EXPECT_THROW(DecodeTime(std::nan(""), H, M, S, Ms), EConvertError);
}

TEST(DateUtils, DayOfWeekAndLeapYears) {
  struct Case {
    double Day;
    int Expected;
  } Cases[] = {{0, 7}, {1, 1}, {2, 2}, {-1, 6}, {-1.5, 6}, {-7, 7}, {Sample(), 3}, {EncodeDate(2000, 1, 1), 7}};
  for (const Case& C : Cases) EXPECT_EQ(DayOfWeek(C.Day), C.Expected) << C.Day;
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_TRUE(IsLeapYear(2024));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_FALSE(IsLeapYear(2023));
}

TEST(DateUtils, TheClockIsLocalTimeAndConsistent) {
  const double N = Now();
  EXPECT_GT(N, EncodeDate(2020, 1, 1));
  EXPECT_EQ(Date(), std::trunc(Date()));
  EXPECT_LE(Date(), N + 1e-6);
  EXPECT_GE(Time(), 0.0);
  EXPECT_LT(Time(), 1.0);
}

TEST(DateUtils, FormatPatterns) {
  const double T = Sample();
  struct Case {
    const char* Pattern;
    double Value;
    const char* Expected;
  } Cases[] = {
      {"yyyy-mm-dd hh:nn:ss.zzz", T, "2024-03-05 14:07:09.045"},
      {"d/m/yy h:n:s", T, "5/3/24 14:7:9"},
      {"y yy yyy yyyy", EncodeDate(2009, 1, 2), "09 09 2009 2009"},
      {"ddd dddd mmm mmmm", T, "Tue Tuesday Mar March"},
      {"DDD MMMM", T, "Tue March"},
      {"c", T, "3/5/2024 2:07:09 PM"},
      {"c", EncodeDate(2024, 3, 5), "3/5/2024"},
      {"c", EncodeDate(2024, 3, 5) + EncodeTime(0, 0, 0, 500), "3/5/2024"},  // milliseconds alone: midnight
      {"ddddd|dddddd", T, "3/5/2024|Tuesday, March 5, 2024"},
      {"t|tt", T, "2:07 PM|2:07:09 PM"},
      {"hh:mm", T, "14:07"},          // minutes after an hour
      {"mm:hh:mm", T, "03:14:07"},    // a month first
      {"h\"h\"mm", T, "14h07"},        // quoted text does not break the hour-minute pair
      {"hXm", T, "14X3"},             // a letter does
      {"h:nn am/pm", EncodeTime(0, 5, 0, 0), "12:05 am"},
      {"hh AM/PM", EncodeTime(12, 5, 0, 0), "12 PM"},
      {"h a/p", EncodeTime(23, 5, 0, 0), "11 p"},
      {"h:nn ampm", EncodeTime(9, 30, 0, 0), "9:30 AM"},
      {"h am/pm", EncodeTime(13, 0, 0, 0), "1 pm"},
      {"\"am/pm\" h", EncodeTime(13, 0, 0, 0), "am/pm 13"},  // quoted: no 12-hour clock
      {"z zz zzz zzzz", EncodeTime(1, 2, 3, 4), "4 04 004 004"},
      {"\"yyyy\" 'mm' yyyy", T, "yyyy mm 2024"},
      {"\"unterminated", T, "unterminated"},
      {"e g x", T, "2024  x"},
      {"", T, ""},
  };
  for (const Case& C : Cases) EXPECT_EQ(FormatDateTime(C.Pattern, C.Value), C.Expected) << C.Pattern;
  EXPECT_THROW(FormatDateTime("yyyy", 1e9), EConvertError);
}

TEST(DateUtils, ReadingDatesAndTimes) {
  const int ThisYear = [] {
    int Y, M, D;
    DecodeDate(Date(), Y, M, D);
    return Y;
  }();
  struct Case {
    const char* Text;
    double Expected;
  } Dates[] = {
      {"3/5/2024", EncodeDate(2024, 3, 5)},
      {" 12 / 31 / 1999 ", EncodeDate(1999, 12, 31)},
      {"2/29/2024", EncodeDate(2024, 2, 29)},
      {"3/5", EncodeDate(ThisYear, 3, 5)},
      {"1/1/0001", EncodeDate(1, 1, 1)},
  };
  for (const Case& C : Dates) EXPECT_DOUBLE_EQ(StrToDate(C.Text), C.Expected) << C.Text;
  // Two-digit years fall in the 100 years that start 50 years before this one.
  const int Low = ThisYear - 50;
  for (int YY : {0, 49, 50, 51, 99}) {
    int Expected = Low / 100 * 100 + YY;
    if (Expected < Low) Expected += 100;
    EXPECT_DOUBLE_EQ(StrToDate("1/2/" + std::string(YY < 10 ? "0" : "") + std::to_string(YY)),
                     EncodeDate(Expected, 1, 2))
        << YY;
  }
  for (const char* Bad : {"", "3", "3/", "13/5/2024", "2/30/2024", "3-5-2024", "3/5/2024 x", "a/b/c",
                          "3/5/2024/1", "1234567890/1/1"}) {
    double V;
    EXPECT_FALSE(TryStrToDate(Bad, V)) << Bad;
    EXPECT_THROW(StrToDate(Bad), EConvertError) << Bad;
  }
  EXPECT_THROW(
      try { StrToDate("x"); } catch (const EConvertError& E) {
        EXPECT_STREQ(E.what(), "'x' is not a valid date");
        throw;
      },
      EConvertError);

  Case Times[] = {
      {"14:30", EncodeTime(14, 30, 0, 0)},
      {"2:30 PM", EncodeTime(14, 30, 0, 0)},
      {"2:30pm", EncodeTime(14, 30, 0, 0)},
      {"AM 12:15", EncodeTime(0, 15, 0, 0)},
      {"12:00 PM", EncodeTime(12, 0, 0, 0)},
      {"1:02:03.500", EncodeTime(1, 2, 3, 500)},
      {"14", EncodeTime(14, 0, 0, 0)},
  };
  for (const Case& C : Times) EXPECT_DOUBLE_EQ(StrToTime(C.Text), C.Expected) << C.Text;
  for (const char* Bad : {"", "25:00", "13:00 PM", "0:10 AM", "1:60", "1:", "x", "1:2:3:4"}) {
    double V;
    EXPECT_FALSE(TryStrToTime(Bad, V)) << Bad;
  }

  Case DateTimes[] = {
      {"3/5/2024 2:30 PM", EncodeDate(2024, 3, 5) + EncodeTime(14, 30, 0, 0)},
      {"3/5/2024", EncodeDate(2024, 3, 5)},
      {"14:30", EncodeTime(14, 30, 0, 0)},
      {"12/29/1899 6:00", -1.25},  // before day 0 the time counts away from zero
  };
  for (const Case& C : DateTimes) EXPECT_DOUBLE_EQ(StrToDateTime(C.Text), C.Expected) << C.Text;
  EXPECT_THROW(StrToDateTime("3/5/2024 25:00"), EConvertError);
  // What FormatDateTime writes in the settings' formats reads back.
  const double T = Sample() - EncodeTime(0, 0, 0, 45);
  EXPECT_DOUBLE_EQ(StrToDateTime(FormatDateTime("c", T)), T);
}
