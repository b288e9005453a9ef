#include "platform/rt/DateUtils.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Variants.h"

namespace rt {

namespace {

constexpr long long kMSecsPerDay = 86400000;
// Day numbers of 1 January 0001 and 31 December 9999.
constexpr double kMinDay = -693593.0;
constexpr double kMaxDay = 2958466.0;

[[noreturn]] void InvalidDate() { throw EConvertError("Invalid date value"); }

// The value rounded to the millisecond, split into its day (counted toward zero, as the whole
// part is) and the time of day in milliseconds.
void SplitDateTime(double DateTime, long long& Day, long long& MSec) {
  if (!(DateTime > kMinDay - 1 && DateTime < kMaxDay)) InvalidDate();
  const long long Total = std::llround(DateTime * static_cast<double>(kMSecsPerDay));
  Day = Total / kMSecsPerDay;
  MSec = (Total < 0 ? -Total : Total) % kMSecsPerDay;
}

char Upper(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 32) : C; }

bool StartsWithNoCase(std::string_view S, std::size_t At, std::string_view What) {
  if (S.size() - At < What.size()) return false;
  for (std::size_t I = 0; I < What.size(); ++I)
    if (Upper(S[At + I]) != Upper(What[I])) return false;
  return true;
}

std::string Padded(long long N, int Digits) {
  std::string S = std::to_string(N);
  if (static_cast<int>(S.size()) < Digits) S.insert(0, static_cast<std::size_t>(Digits) - S.size(), '0');
  return S;
}

class DateTimeFormatter {
public:
  explicit DateTimeFormatter(double DT) { SplitDateTime(DT, FDay, FMSec); }

  std::string Run(std::string_view Format) {
    Append(Format, 0);
    return FOut;
  }

private:
  void GetDate() {
    if (FHaveDate) return;
    DecodeDate(static_cast<double>(FDay), FYear, FMonth, FDayOfMonth);
    FHaveDate = true;
  }
  int Hour() const { return static_cast<int>(FMSec / 3600000); }
  int Minute() const { return static_cast<int>(FMSec / 60000 % 60); }
  int Second() const { return static_cast<int>(FMSec / 1000 % 60); }
  int MilliSecond() const { return static_cast<int>(FMSec % 1000); }
  int WeekDay() const { return static_cast<int>(((FDay % 7 + 7) % 7 + 6) % 7); }  // 0 = Sunday

  // Whether an am/pm specifier follows position At (quoted text skipped).
  static bool TwelveHourClockAfter(std::string_view F, std::size_t At) {
    for (std::size_t I = At; I < F.size(); ++I) {
      const char C = F[I];
      if (C == '"' || C == '\'') {
        std::size_t End = F.find(C, I + 1);
        if (End == std::string_view::npos) return false;
        I = End;
      } else if (C == 'a' || C == 'A') {
        if (StartsWithNoCase(F, I, "am/pm") || StartsWithNoCase(F, I, "a/p") || StartsWithNoCase(F, I, "ampm"))
          return true;
      }
    }
    return false;
  }

  void Append(std::string_view F, int Depth) {
    const TFormatSettings& FS = FormatSettings();
    char LastToken = ' ';
    std::size_t I = 0;
    while (I < F.size()) {
      const char Starter = F[I];
      char Token = Upper(Starter);
      if (Token >= 'A' && Token <= 'Z') {
        if (Token == 'M' && LastToken == 'H') Token = 'N';
        LastToken = Token;
      }
      // Runs of the same letter make one token.
      auto Count = [&] {
        std::size_t J = I + 1;
        while (J < F.size() && Upper(F[J]) == Upper(Starter)) ++J;
        const int N = static_cast<int>(J - I);
        I = J;
        return N;
      };
      switch (Token) {
        case 'Y': {
          const int N = Count();
          GetDate();
          FOut += N <= 2 ? Padded(FYear % 100, 2) : Padded(FYear, 4);
          break;
        }
        case 'M': {
          const int N = Count();
          GetDate();
          if (N <= 2) FOut += Padded(FMonth, N);
          else if (N == 3) FOut += FS.ShortMonthNames[FMonth - 1];
          else FOut += FS.LongMonthNames[FMonth - 1];
          break;
        }
        case 'D': {
          const int N = Count();
          if (N <= 2) {
            GetDate();
            FOut += Padded(FDayOfMonth, N);
          } else if (N == 3) {
            FOut += FS.ShortDayNames[WeekDay()];
          } else if (N == 4) {
            FOut += FS.LongDayNames[WeekDay()];
          } else if (Depth < 2) {
            Append(N == 5 ? FS.ShortDateFormat : FS.LongDateFormat, Depth + 1);
          }
          break;
        }
        case 'E': {  // year of the era: the Gregorian year
          const int N = Count();
          GetDate();
          FOut += Padded(FYear, N >= 2 ? 2 : 1);
          break;
        }
        case 'G':  // era name: none in the Gregorian calendar
          Count();
          break;
        case 'H': {
          int N = Count();
          int H = Hour();
          if (TwelveHourClockAfter(F, I)) H = H == 0 ? 12 : H > 12 ? H - 12 : H;
          FOut += Padded(H, N > 2 ? 2 : N);
          break;
        }
        case 'N': {
          const int N = Count();
          FOut += Padded(Minute(), N > 2 ? 2 : N);
          break;
        }
        case 'S': {
          const int N = Count();
          FOut += Padded(Second(), N > 2 ? 2 : N);
          break;
        }
        case 'Z': {
          const int N = Count();
          FOut += Padded(MilliSecond(), N > 3 ? 3 : N);
          break;
        }
        case 'T': {
          const int N = Count();
          if (Depth < 2) Append(N == 1 ? FS.ShortTimeFormat : FS.LongTimeFormat, Depth + 1);
          break;
        }
        case 'C': {
          Count();
          if (Depth < 2) {
            Append(FS.ShortDateFormat, Depth + 1);
            if (Hour() != 0 || Minute() != 0 || Second() != 0) {
              FOut += ' ';
              Append(FS.LongTimeFormat, Depth + 1);
            }
          }
          break;
        }
        case 'A': {
          const bool PM = Hour() >= 12;
          if (StartsWithNoCase(F, I, "am/pm")) {
            FOut.append(F.substr(I + (PM ? 3 : 0), 2));
            I += 5;
          } else if (StartsWithNoCase(F, I, "a/p")) {
            FOut += F[I + (PM ? 2 : 0)];
            I += 3;
          } else if (StartsWithNoCase(F, I, "ampm")) {
            FOut += PM ? FS.TimePMString : FS.TimeAMString;
            I += 4;
          } else {
            FOut += Starter;
            ++I;
          }
          break;
        }
        case '/':
          FOut += FS.DateSeparator;
          ++I;
          break;
        case ':':
          FOut += FS.TimeSeparator;
          ++I;
          break;
        case '"': case '\'': {
          std::size_t End = F.find(Starter, I + 1);
          if (End == std::string_view::npos) End = F.size();
          FOut.append(F.substr(I + 1, End - I - 1));
          I = End + 1;
          break;
        }
        default:
          FOut += Starter;
          ++I;
          break;
      }
    }
  }

  long long FDay = 0, FMSec = 0;
  bool FHaveDate = false;
  int FYear = 0, FMonth = 0, FDayOfMonth = 0;
  std::string FOut;
};

// ---- reading texts ----

class Scanner {
public:
  explicit Scanner(const std::string& S) : FS(S) {}
  bool AtEnd() {
    Blanks();
    return FPos >= FS.size();
  }
  void Blanks() {
    while (FPos < FS.size() && FS[FPos] == ' ') ++FPos;
  }
  // Up to nine digits; Digits is how many were read.
  bool Number(int& Value, int& Digits) {
    Blanks();
    std::size_t Start = FPos;
    long long V = 0;
    while (FPos < FS.size() && FS[FPos] >= '0' && FS[FPos] <= '9' && FPos - Start < 9)
      V = V * 10 + (FS[FPos++] - '0');
    Digits = static_cast<int>(FPos - Start);
    if (Digits == 0) return false;
    if (FPos < FS.size() && FS[FPos] >= '0' && FS[FPos] <= '9') return false;  // too long
    Value = static_cast<int>(V);
    return true;
  }
  bool Char(char C) {
    Blanks();
    if (FPos < FS.size() && FS[FPos] == C) {
      ++FPos;
      return true;
    }
    return false;
  }
  bool Text(std::string_view T) {
    Blanks();
    if (T.empty() || !StartsWithNoCase(FS, FPos, T)) return false;
    FPos += T.size();
    return true;
  }
  std::size_t Pos() const { return FPos; }
  void SetPos(std::size_t P) { FPos = P; }

private:
  const std::string& FS;
  std::size_t FPos = 0;
};

int CurrentYear() {
  int Y, M, D;
  DecodeDate(Date(), Y, M, D);
  return Y;
}

bool ScanDate(Scanner& Sc, double& Value) {
  const TFormatSettings& FS = FormatSettings();
  int N1, N2, N3 = 0, L1, L2, L3 = 0;
  if (!Sc.Number(N1, L1) || !Sc.Char(FS.DateSeparator) || !Sc.Number(N2, L2)) return false;
  const bool Three = Sc.Char(FS.DateSeparator);
  if (Three && !Sc.Number(N3, L3)) return false;
  // The order of the parts follows the short date format's first letter.
  char Order = 'M';
  for (char C : FS.ShortDateFormat) {
    const char U = Upper(C);
    if (U == 'M' || U == 'D' || U == 'Y') {
      Order = U;
      break;
    }
  }
  int Y, M, D, YearDigits;
  if (!Three) {
    Y = CurrentYear();
    YearDigits = 4;
    if (Order == 'D') { D = N1; M = N2; }
    else { M = N1; D = N2; }
  } else if (Order == 'Y') {
    Y = N1; YearDigits = L1; M = N2; D = N3;
  } else if (Order == 'D') {
    D = N1; M = N2; Y = N3; YearDigits = L3;
  } else {
    M = N1; D = N2; Y = N3; YearDigits = L3;
  }
  if (Y <= 99 && YearDigits <= 2) {
    const int Window = FS.TwoDigitYearCenturyWindow;
    const int Century = CurrentYear() - Window;
    Y += Century / 100 * 100;
    if (Window > 0 && Y < Century) Y += 100;
  }
  try {
    Value = EncodeDate(Y, M, D);
  } catch (const EConvertError&) {
    return false;
  }
  return true;
}

bool ScanAmPm(Scanner& Sc, int& BaseHour) {
  const TFormatSettings& FS = FormatSettings();
  if (Sc.Text(FS.TimeAMString) || Sc.Text("AM")) BaseHour = 0;
  else if (Sc.Text(FS.TimePMString) || Sc.Text("PM")) BaseHour = 12;
  else return false;
  return true;
}

bool ScanTime(Scanner& Sc, double& Value) {
  const TFormatSettings& FS = FormatSettings();
  int BaseHour = -1;
  ScanAmPm(Sc, BaseHour);
  int Hour, Min = 0, Sec = 0, MSec = 0, L;
  if (!Sc.Number(Hour, L)) return false;
  if (Sc.Char(FS.TimeSeparator)) {
    if (!Sc.Number(Min, L)) return false;
    if (Sc.Char(FS.TimeSeparator)) {
      if (!Sc.Number(Sec, L)) return false;
      if (Sc.Char(FS.DecimalSeparator) && !Sc.Number(MSec, L)) return false;
    }
  }
  if (BaseHour < 0) ScanAmPm(Sc, BaseHour);
  if (BaseHour >= 0) {
    if (Hour == 0 || Hour > 12) return false;
    if (Hour == 12) Hour = 0;
    Hour += BaseHour;
  }
  return TryEncodeTime(Hour, Min, Sec, MSec, Value);
}

} // namespace

const TFormatSettings& FormatSettings() {
  static const TFormatSettings Settings;
  return Settings;
}

bool IsLeapYear(int Year) { return (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0; }

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, double& Time) {
  if (Hour < 0 || Hour >= 24 || Min < 0 || Min >= 60 || Sec < 0 || Sec >= 60 || MSec < 0 || MSec >= 1000)
    return false;
  Time = static_cast<double>(((Hour * 60LL + Min) * 60 + Sec) * 1000 + MSec) / static_cast<double>(kMSecsPerDay);
  return true;
}

double EncodeTime(int Hour, int Min, int Sec, int MSec) {
  double T;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, T)) throw EConvertError("Invalid argument to time encode");
  return T;
}

void DecodeTime(double DateTime, int& Hour, int& Min, int& Sec, int& MSec) {
  long long Day, Ms;
  SplitDateTime(DateTime, Day, Ms);
  Hour = static_cast<int>(Ms / 3600000);
  Min = static_cast<int>(Ms / 60000 % 60);
  Sec = static_cast<int>(Ms / 1000 % 60);
  MSec = static_cast<int>(Ms % 1000);
}

void DecodeDateTime(double DateTime, int& Year, int& Month, int& Day, int& Hour, int& Min, int& Sec, int& MSec) {
  long long D, Ms;
  SplitDateTime(DateTime, D, Ms);
  DecodeDate(static_cast<double>(D), Year, Month, Day);
  Hour = static_cast<int>(Ms / 3600000);
  Min = static_cast<int>(Ms / 60000 % 60);
  Sec = static_cast<int>(Ms / 1000 % 60);
  MSec = static_cast<int>(Ms % 1000);
}

int DayOfWeek(double DateTime) {
  long long Day, Ms;
  SplitDateTime(DateTime, Day, Ms);
  // Day 0 (30 December 1899) was a Saturday.
  return static_cast<int>(((Day % 7 + 7) % 7 + 6) % 7) + 1;
}

double Now() {
  using namespace std::chrono;
  const auto Since = system_clock::now().time_since_epoch();
  const std::time_t Secs = static_cast<std::time_t>(duration_cast<seconds>(Since).count());
  const int MSec = static_cast<int>(duration_cast<milliseconds>(Since).count() % 1000);
  std::tm Local{};
  localtime_r(&Secs, &Local);
  return EncodeDate(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday) +
         EncodeTime(Local.tm_hour, Local.tm_min, Local.tm_sec > 59 ? 59 : Local.tm_sec, MSec);
}

double Date() { return std::trunc(Now()); }

double Time() {
  const double N = Now();
  return N - std::trunc(N);
}

std::string FormatDateTime(std::string_view Format, double DateTime) {
  DateTimeFormatter F(DateTime);
  return F.Run(Format);
}

bool TryStrToDate(const std::string& S, double& Value) {
  Scanner Sc(S);
  return ScanDate(Sc, Value) && Sc.AtEnd();
}

bool TryStrToTime(const std::string& S, double& Value) {
  Scanner Sc(S);
  return ScanTime(Sc, Value) && Sc.AtEnd();
}

bool TryStrToDateTime(const std::string& S, double& Value) {
  Scanner Sc(S);
  double D, T = 0;
  if (ScanDate(Sc, D) && (Sc.AtEnd() || (ScanTime(Sc, T) && Sc.AtEnd()))) {
    Value = D < 0 ? D - T : D + T;
    return true;
  }
  return TryStrToTime(S, Value);
}

double StrToDate(const std::string& S) {
  double V;
  if (!TryStrToDate(S, V)) throw EConvertError("'" + S + "' is not a valid date");
  return V;
}

double StrToTime(const std::string& S) {
  double V;
  if (!TryStrToTime(S, V)) throw EConvertError("'" + S + "' is not a valid time");
  return V;
}

double StrToDateTime(const std::string& S) {
  double V;
  if (!TryStrToDateTime(S, V)) throw EConvertError("'" + S + "' is not a valid date and time");
  return V;
}

} // namespace rt
