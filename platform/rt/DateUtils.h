#pragma once
// Date-time routines of the runtime layer: encoding and decoding, the clock, formatting with
// format patterns and reading date and time texts. A date-time is a day number counted from
// 30 December 1899 with the time of day as the fraction (EncodeDate and DecodeDate live with the
// Variant in Variants.h).
//
// Texts follow the process's format settings, which are fixed (United States English): dates
// "m/d/yyyy", times "h:nn:ss AM", English month and day names.
#include <string>
#include <string_view>

namespace rt {

struct TFormatSettings {
  char DateSeparator = '/';
  char TimeSeparator = ':';
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  std::string ShortDateFormat = "m/d/yyyy";
  std::string LongDateFormat = "dddd, mmmm d, yyyy";
  std::string ShortTimeFormat = "h:nn AMPM";
  std::string LongTimeFormat = "h:nn:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string CurrencyString = "$";
  int CurrencyDecimals = 2;
  // Two-digit years fall within this many years before the current year and the rest after.
  int TwoDigitYearCenturyWindow = 50;
  std::string ShortMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::string LongMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                    "July",    "August",   "September", "October", "November", "December"};
  std::string ShortDayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::string LongDayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
};

// The process's format settings; read-only.
const TFormatSettings& FormatSettings();

bool IsLeapYear(int Year);
// EConvertError "Invalid argument to time encode" unless Hour < 24, Min < 60, Sec < 60 and
// MSec < 1000 (none negative).
double EncodeTime(int Hour, int Min, int Sec, int MSec);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, double& Time);
// The time of day rounded to the millisecond (a value within half a millisecond of midnight
// gives 0:00:00.000). EConvertError "Invalid date value" for values beyond the calendar.
void DecodeTime(double DateTime, int& Hour, int& Min, int& Sec, int& MSec);
// Date and time of day of the value rounded to the millisecond (so the date moves on when the
// time rounds up to midnight).
void DecodeDateTime(double DateTime, int& Year, int& Month, int& Day, int& Hour, int& Min, int& Sec, int& MSec);
// 1 = Sunday ... 7 = Saturday, of the value's day.
int DayOfWeek(double DateTime);

// The clock, in the server's local time.
double Now();
double Date();  // today at midnight
double Time();  // the time of day of Now

// Format patterns, letter case ignored: d dd (day), ddd dddd (day name), ddddd (short date),
// dddddd (long date), m mm (month, or minutes right after an hour), mmm mmmm (month name), yy
// yyyy (year), h hh, n nn, s ss, z zzz (hour, minute, second, millisecond), t (short time), tt
// (long time), c (short date and, unless midnight, long time), am/pm a/p (as written), ampm (the
// AM and PM texts), / and : (separators), "..." and '...' (literal text); an hour is on the
// 12-hour clock when an am/pm specifier follows it. Every other character stands for itself.
// EConvertError "Invalid date value" for values beyond the calendar (years 1 to 9999).
std::string FormatDateTime(std::string_view Format, double DateTime);

// Reading texts: a date is two or three numbers in the short date format's order (month, day,
// year) joined by the date separator, the year of the current year when left out and a
// two-digit year taken within the century window; a time is hour[:min[:sec[.msec]]] with an
// optional AM or PM before or after it. Blanks around the parts are allowed.
// EConvertError "'S' is not a valid date" / "... time" / "... date and time".
double StrToDate(const std::string& S);
double StrToTime(const std::string& S);
// A date, a date followed by a time, or a time alone.
double StrToDateTime(const std::string& S);
bool TryStrToDate(const std::string& S, double& Value);
bool TryStrToTime(const std::string& S, double& Value);
bool TryStrToDateTime(const std::string& S, double& Value);

} // namespace rt
