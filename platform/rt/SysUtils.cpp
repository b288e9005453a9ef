#include "platform/rt/SysUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <vector>

namespace rt {

namespace {
unsigned char LowerAscii(unsigned char C) { return C >= 'A' && C <= 'Z' ? C + ('a' - 'A') : C; }
unsigned char UpperAscii(unsigned char C) { return C >= 'a' && C <= 'z' ? C - ('a' - 'A') : C; }
} // namespace

int CompareStr(std::string_view S1, std::string_view S2) {
  int C = S1.compare(S2);
  return C < 0 ? -1 : C > 0 ? 1 : 0;
}

int CompareText(std::string_view S1, std::string_view S2) {
  const std::size_t N = std::min(S1.size(), S2.size());
  for (std::size_t I = 0; I < N; ++I) {
    int A = LowerAscii(static_cast<unsigned char>(S1[I]));
    int B = LowerAscii(static_cast<unsigned char>(S2[I]));
    if (A != B) return A < B ? -1 : 1;
  }
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

bool SameText(std::string_view S1, std::string_view S2) { return CompareText(S1, S2) == 0; }

std::string UpperCase(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = static_cast<char>(UpperAscii(static_cast<unsigned char>(C)));
  return R;
}

std::string LowerCase(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = static_cast<char>(LowerAscii(static_cast<unsigned char>(C)));
  return R;
}

std::string Trim(std::string_view S) {
  auto Blank = [](char C) { return static_cast<unsigned char>(C) <= ' '; };
  std::size_t B = 0, E = S.size();
  while (B < E && Blank(S[B])) ++B;
  while (E > B && Blank(S[E - 1])) --E;
  return std::string(S.substr(B, E - B));
}

// ---------------------------------------------------------------------------------------------
// Replacing

std::vector<std::string> SplitFields(std::string_view S, std::string_view Separator) {
  if (Separator.empty()) throw EConvertError("SplitFields needs a separator");
  std::vector<std::string> Out;
  std::size_t Start = 0;
  for (;;) {
    const std::size_t End = S.find(Separator, Start);
    if (End == std::string_view::npos) {
      Out.emplace_back(S.substr(Start));
      return Out;
    }
    Out.emplace_back(S.substr(Start, End - Start));
    Start = End + Separator.size();
  }
}

std::string StringReplace(std::string_view S, std::string_view OldPattern,
                          std::string_view NewPattern, unsigned Flags) {
  if (OldPattern.empty()) return std::string(S);
  const bool IgnoreCase = Flags & rfIgnoreCase;
  const std::string Hay = IgnoreCase ? LowerCase(S) : std::string(S);
  const std::string Needle = IgnoreCase ? LowerCase(OldPattern) : std::string(OldPattern);
  std::string R;
  std::size_t From = 0;
  for (;;) {
    std::size_t At = Hay.find(Needle, From);
    if (At == std::string::npos) break;
    R.append(S, From, At - From);
    R.append(NewPattern);
    From = At + Needle.size();
    if (!(Flags & rfReplaceAll)) break;
  }
  R.append(S, From, std::string_view::npos);
  return R;
}

// ---------------------------------------------------------------------------------------------
// Number texts

namespace {

// |value| = 0.Digits × 10^Exponent; Digits has no trailing zeros and is empty for zero.
struct Decimal {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

// Rounds half away from zero to Decimals places after the decimal point.
void RoundAt(Decimal& D, int Decimals) {
  const long Keep = static_cast<long>(D.Exponent) + Decimals;
  if (Keep >= static_cast<long>(D.Digits.size())) return;
  if (Keep < 0) {
    D.Digits.clear();
    D.Exponent = 0;
    return;
  }
  const bool Up = D.Digits[static_cast<std::size_t>(Keep)] >= '5';
  D.Digits.resize(static_cast<std::size_t>(Keep));
  if (Up) {
    int I = static_cast<int>(Keep) - 1;
    while (I >= 0 && D.Digits[static_cast<std::size_t>(I)] == '9') D.Digits[static_cast<std::size_t>(I--)] = '0';
    if (I >= 0) {
      ++D.Digits[static_cast<std::size_t>(I)];
    } else {
      D.Digits.insert(D.Digits.begin(), '1');
      ++D.Exponent;
    }
  }
  while (!D.Digits.empty() && D.Digits.back() == '0') D.Digits.pop_back();
  if (D.Digits.empty()) D.Exponent = 0;
}

// The value's shortest decimal form (the digits that read back as the same double), rounded
// half away from zero to Precision significant digits.
Decimal ToDecimal(double Value, int Precision) {
  char Buf[64];
  auto Res = std::to_chars(Buf, Buf + sizeof Buf, std::fabs(Value), std::chars_format::scientific);
  Decimal D;
  D.Negative = std::signbit(Value);
  const char* P = Buf;
  for (; P < Res.ptr && *P != 'e'; ++P)
    if (*P >= '0' && *P <= '9') D.Digits += *P;
  int Exp = 0;
  if (P < Res.ptr) std::from_chars(P + 1 + (P[1] == '+'), Res.ptr, Exp);
  D.Exponent = Exp + 1;
  while (!D.Digits.empty() && D.Digits.back() == '0') D.Digits.pop_back();
  if (D.Digits.empty()) D.Exponent = 0;
  RoundAt(D, Precision - D.Exponent);
  return D;
}

std::string PadNumber(int N, int MinDigits) {
  std::string S = std::to_string(N);
  if (static_cast<int>(S.size()) < MinDigits) S.insert(0, static_cast<std::size_t>(MinDigits) - S.size(), '0');
  return S;
}

// The integer digits ("" below 1) and the fraction digits of D.
std::string IntegerDigits(const Decimal& D) {
  if (D.Exponent <= 0) return std::string();
  std::string S = D.Digits.substr(0, static_cast<std::size_t>(D.Exponent));
  S.resize(static_cast<std::size_t>(D.Exponent), '0');
  return S;
}

std::string FractionDigits(const Decimal& D) {
  if (D.Exponent >= static_cast<int>(D.Digits.size())) return std::string();
  if (D.Exponent <= 0) return std::string(static_cast<std::size_t>(-D.Exponent), '0') + D.Digits;
  return D.Digits.substr(static_cast<std::size_t>(D.Exponent));
}

std::string Grouped(const std::string& Int) {
  std::string R;
  for (std::size_t I = 0; I < Int.size(); ++I) {
    R += Int[I];
    std::size_t Left = Int.size() - 1 - I;
    if (Left > 0 && Left % 3 == 0) R += ',';
  }
  return R;
}

const char* SpecialText(double Value) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value > 0 ? "INF" : "-INF";
  return nullptr;
}

std::string General(double Value, int Precision, int Digits) {
  Decimal D = ToDecimal(Value, Precision);
  if (D.Digits.empty()) return "0";
  std::string R = D.Negative ? "-" : "";
  if (D.Exponent > Precision || D.Exponent < -3) {
    R += D.Digits[0];
    if (D.Digits.size() > 1) {
      R += '.';
      R.append(D.Digits, 1);
    }
    int E = D.Exponent - 1;
    R += E < 0 ? "E-" : "E";
    R += PadNumber(std::abs(E), Digits);
    return R;
  }
  std::string Int = IntegerDigits(D), Frac = FractionDigits(D);
  R += Int.empty() ? "0" : Int;
  if (!Frac.empty()) R += "." + Frac;
  return R;
}

} // namespace

std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits) {
  if (const char* S = SpecialText(Value)) return S;
  Precision = std::clamp(Precision, 1, 18);
  switch (Format) {
    case ffGeneral:
      return General(Value, Precision, std::clamp(Digits, 0, 4));
    case ffExponent: {
      Decimal D = ToDecimal(Value, Precision);
      const int E = D.Digits.empty() ? 0 : D.Exponent - 1;
      std::string Mant = D.Digits;
      Mant.resize(static_cast<std::size_t>(Precision), '0');
      std::string R = D.Negative && !D.Digits.empty() ? "-" : "";
      R += Mant[0];
      if (Precision > 1) {
        R += '.';
        R.append(Mant, 1);
      }
      R += E < 0 ? "E-" : "E+";
      return R + PadNumber(std::abs(E), std::clamp(Digits, 0, 4));
    }
    case ffFixed:
    case ffNumber: {
      Digits = std::clamp(Digits, 0, 18);
      Decimal D = ToDecimal(Value, Precision);
      if (D.Exponent > Precision) return General(Value, Precision, 0);
      RoundAt(D, Digits);
      std::string Int = IntegerDigits(D), Frac = FractionDigits(D);
      if (Int.empty()) Int.assign(1, '0');
      Frac.resize(static_cast<std::size_t>(Digits), '0');
      std::string R = D.Negative && !D.Digits.empty() ? "-" : "";
      R += Format == ffNumber ? Grouped(Int) : Int;
      if (Digits > 0) {
        R += '.';
        R += Frac;
      }
      return R;
    }
  }
  return General(Value, Precision, 0);
}

std::string FloatToStr(double Value) { return FloatToStrF(Value, ffGeneral, 15, 0); }

namespace {

// What one section of a FormatFloat pattern asks for.
struct Pattern {
  std::string_view Text;
  int IntPlaces = 0;      // digit placeholders before the decimal point
  int MinInt = 0;         // from the first '0' before the point
  bool Point = false;
  int FracPlaces = 0;     // digit placeholders after the point
  int MinFrac = 0;        // up to the last '0' after the point
  bool Thousands = false;
  bool Scientific = false;
  bool ExpPlus = false;   // E+: the exponent always has a sign
  int ExpZeros = 0;
};

bool IsQuote(char C) { return C == '\'' || C == '"'; }

bool StartsExponent(std::string_view T, std::size_t I) {
  return (T[I] == 'E' || T[I] == 'e') && I + 1 < T.size() && (T[I + 1] == '+' || T[I + 1] == '-');
}

Pattern ParsePattern(std::string_view T) {
  Pattern P;
  P.Text = T;
  int FirstIntZero = -1;
  for (std::size_t I = 0; I < T.size(); ++I) {
    char C = T[I];
    if (IsQuote(C)) {
      std::size_t End = T.find(C, I + 1);
      I = End == std::string_view::npos ? T.size() : End;
    } else if (C == '0' || C == '#') {
      if (P.Scientific) {
        if (C == '0') ++P.ExpZeros;
      } else if (!P.Point) {
        if (C == '0' && FirstIntZero < 0) FirstIntZero = P.IntPlaces;
        ++P.IntPlaces;
      } else {
        ++P.FracPlaces;
        if (C == '0') P.MinFrac = P.FracPlaces;
      }
    } else if (C == '.' && !P.Point && !P.Scientific) {
      P.Point = true;
    } else if (C == ',') {
      P.Thousands = true;
    } else if (!P.Scientific && StartsExponent(T, I)) {
      P.Scientific = true;
      P.ExpPlus = T[I + 1] == '+';
      ++I;
    }
  }
  P.MinInt = FirstIntZero < 0 ? 0 : P.IntPlaces - FirstIntZero;
  P.ExpZeros = std::min(P.ExpZeros, 4);
  return P;
}

// Writes the pattern's text with the digits put in place of its placeholders.
std::string Render(const Pattern& P, const std::string& Int, const std::string& Frac,
                   const std::string& ExpText) {
  std::string R;
  const std::string_view T = P.Text;
  const long IntCount = static_cast<long>(Int.size());
  int IntSeen = 0, FracSeen = 0;
  bool IntDone = P.IntPlaces > 0 ? false : Int.empty(), AfterPoint = false, InExp = false;
  auto EmitInt = [&](long From, long To) {  // digits [From, To)
    for (long J = std::max(0L, From); J < To; ++J) {
      R += Int[static_cast<std::size_t>(J)];
      long Left = IntCount - 1 - J;
      if (P.Thousands && !P.Scientific && Left > 0 && Left % 3 == 0) R += ',';
    }
  };
  for (std::size_t I = 0; I < T.size(); ++I) {
    char C = T[I];
    if (IsQuote(C)) {
      std::size_t End = T.find(C, I + 1);
      if (End == std::string_view::npos) End = T.size();
      R.append(T.substr(I + 1, End - I - 1));
      I = End;
    } else if (C == '0' || C == '#') {
      if (InExp) continue;
      if (!AfterPoint) {
        // Placeholders take the integer digits from the right; the first takes any surplus.
        long J = IntCount - P.IntPlaces + IntSeen;
        EmitInt(IntSeen == 0 ? 0 : J, J + 1);
        if (++IntSeen == P.IntPlaces) IntDone = true;
      } else if (FracSeen < static_cast<int>(Frac.size())) {
        R += Frac[static_cast<std::size_t>(FracSeen++)];
      }
    } else if (C == '.' && !AfterPoint && P.Point && !InExp) {
      if (!IntDone) {
        EmitInt(0, IntCount);
        IntDone = true;
      }
      AfterPoint = true;
      if (!Frac.empty()) R += '.';
    } else if (C == ',') {
      // a flag, not text
    } else if (P.Scientific && !InExp && StartsExponent(T, I)) {
      if (!IntDone) {
        EmitInt(0, IntCount);
        IntDone = true;
      }
      R += C;
      R += ExpText;
      InExp = true;
      ++I;
    } else {
      R += C;
    }
  }
  if (!IntDone) EmitInt(0, IntCount);
  return R;
}

struct Formatted {
  std::string Text;
  bool Zero;
};

Formatted FormatSection(const Pattern& P, double Magnitude) {
  Decimal D = ToDecimal(Magnitude, 15);
  if (P.Scientific) {
    const int Sig = std::clamp(P.IntPlaces + P.FracPlaces, 1, 18);
    RoundAt(D, Sig - D.Exponent);
    int E = D.Digits.empty() ? 0 : D.Exponent - P.IntPlaces;
    std::string Mant = D.Digits;
    Mant.resize(static_cast<std::size_t>(Sig), '0');
    std::string Int = Mant.substr(0, static_cast<std::size_t>(P.IntPlaces));
    std::string Frac = Mant.substr(static_cast<std::size_t>(P.IntPlaces));
    while (static_cast<int>(Frac.size()) > P.MinFrac && Frac.back() == '0') Frac.pop_back();
    std::string ExpText = E < 0 ? "-" : P.ExpPlus ? "+" : "";
    ExpText += PadNumber(std::abs(E), P.ExpZeros);
    return {Render(P, Int, Frac, ExpText), D.Digits.empty()};
  }
  RoundAt(D, P.FracPlaces);
  std::string Int = IntegerDigits(D), Frac = FractionDigits(D);
  if (static_cast<int>(Int.size()) < P.MinInt) Int.insert(0, static_cast<std::size_t>(P.MinInt) - Int.size(), '0');
  if (static_cast<int>(Frac.size()) < P.MinFrac) Frac.resize(static_cast<std::size_t>(P.MinFrac), '0');
  return {Render(P, Int, Frac, ""), D.Digits.empty()};
}

} // namespace

std::string FormatFloat(std::string_view Format, double Value) {
  if (const char* S = SpecialText(Value)) return S;
  std::vector<std::string_view> Sections;
  std::size_t Start = 0;
  for (std::size_t I = 0; I <= Format.size(); ++I) {
    if (I < Format.size() && IsQuote(Format[I])) {
      std::size_t End = Format.find(Format[I], I + 1);
      I = End == std::string_view::npos ? Format.size() - 1 : End;
    } else if (I == Format.size() || Format[I] == ';') {
      if (Sections.size() < 3) Sections.push_back(Format.substr(Start, I - Start));
      Start = I + 1;
    }
  }
  if (Sections[0].empty()) return FloatToStr(Value);
  // Beyond 18 integer digits the pattern gives way to the general format.
  if (ToDecimal(Value, 15).Exponent > 18 && !ParsePattern(Sections[0]).Scientific)
    return FloatToStr(Value);

  const bool Negative = Value < 0;
  const bool OwnNegative = Negative && Sections.size() >= 2 && !Sections[1].empty();
  Formatted F = FormatSection(ParsePattern(OwnNegative ? Sections[1] : Sections[0]), std::fabs(Value));
  if (F.Zero && Sections.size() >= 3 && !Sections[2].empty())
    return FormatSection(ParsePattern(Sections[2]), 0.0).Text;
  if (Negative && !OwnNegative && !F.Zero) return "-" + F.Text;
  return F.Text;
}

// ---------------------------------------------------------------------------------------------
// Reading numbers

namespace {

// Roughly the power of ten of a well-formed number text from From on: > 0 for |x| >= 1.
long DecimalMagnitude(const std::string& T, std::size_t From) {
  long Mag = 0, Exp = 0;
  bool Seen = false, Point = false;
  std::size_t I = From;
  for (; I < T.size() && T[I] != 'e' && T[I] != 'E'; ++I) {
    if (T[I] == '.') {
      Point = true;
    } else if (!Seen && T[I] == '0') {
      if (Point) --Mag;
    } else {
      Seen = true;
      if (!Point) ++Mag;
    }
  }
  if (!Seen) return 0;
  if (I < T.size()) {
    bool Neg = T[I + 1] == '-';
    for (std::size_t J = I + 1 + (T[I + 1] == '+' || T[I + 1] == '-'); J < T.size(); ++J)
      Exp = std::min(Exp * 10 + (T[J] - '0'), 100000L);
    if (Neg) Exp = -Exp;
  }
  return Mag + Exp;
}

} // namespace

bool TryStrToFloat(const std::string& S, double& Value) {
  const std::string T = Trim(S);
  std::size_t I = 0;
  const std::size_t N = T.size();
  bool Negative = false;
  if (I < N && (T[I] == '+' || T[I] == '-')) Negative = T[I++] == '-';
  const std::size_t NumStart = I;
  int IntDigits = 0, FracDigits = 0;
  while (I < N && T[I] >= '0' && T[I] <= '9') ++I, ++IntDigits;
  if (I < N && T[I] == '.') {
    ++I;
    while (I < N && T[I] >= '0' && T[I] <= '9') ++I, ++FracDigits;
  }
  if (IntDigits + FracDigits == 0) return false;
  if (I < N && (T[I] == 'e' || T[I] == 'E')) {
    ++I;
    if (I < N && (T[I] == '+' || T[I] == '-')) ++I;
    std::size_t ExpStart = I;
    while (I < N && T[I] >= '0' && T[I] <= '9') ++I;
    if (I == ExpStart) return false;
  }
  if (I != N) return false;
  double V = 0;
  auto [End, Ec] = std::from_chars(T.data() + NumStart, T.data() + N, V);
  if (End != T.data() + N) return false;
  if (Ec == std::errc::result_out_of_range) {
    // Too small to hold is zero; too large is no value.
    if (DecimalMagnitude(T, NumStart) > 0) return false;
    V = 0;
  } else if (Ec != std::errc()) {
    return false;
  }
  Value = Negative ? -V : V;
  return true;
}

double StrToFloat(const std::string& S) {
  double V;
  if (!TryStrToFloat(S, V)) throw EConvertError("'" + S + "' is not a valid floating point value");
  return V;
}

double StrToFloatDef(const std::string& S, double Default) {
  double V;
  return TryStrToFloat(S, V) ? V : Default;
}

std::string IntToStr(long long Value) { return std::to_string(Value); }

// Sign and magnitude of an integer text: leading blanks, an optional sign, then decimal digits
// or hexadecimal after "$" or "0x". False when anything else follows or the digits overflow.
namespace {
bool ParseIntegerText(const std::string& S, bool& Negative, unsigned long long& Mag) {
  std::size_t I = 0;
  const std::size_t N = S.size();
  while (I < N && S[I] == ' ') ++I;
  Negative = false;
  if (I < N && (S[I] == '+' || S[I] == '-')) Negative = S[I++] == '-';
  int Base = 10;
  if (I < N && S[I] == '$') {
    Base = 16;
    ++I;
  } else if (I + 1 < N && S[I] == '0' && (S[I + 1] == 'x' || S[I + 1] == 'X')) {
    Base = 16;
    I += 2;
  }
  if (I == N) return false;
  Mag = 0;
  auto [End, Ec] = std::from_chars(S.data() + I, S.data() + N, Mag, Base);
  return Ec == std::errc() && End == S.data() + N;
}
} // namespace

bool TryStrToInt(const std::string& S, int& Value) {
  bool Negative;
  unsigned long long Mag;
  if (!ParseIntegerText(S, Negative, Mag)) return false;
  const unsigned long long Limit = Negative ? 2147483648ULL : 2147483647ULL;
  if (Mag > Limit) return false;
  Value = Negative ? static_cast<int>(-static_cast<long long>(Mag)) : static_cast<int>(Mag);
  return true;
}

int StrToInt(const std::string& S) {
  int V;
  if (!TryStrToInt(S, V)) throw EConvertError("'" + S + "' is not a valid integer value");
  return V;
}

int StrToIntDef(const std::string& S, int Default) {
  int V;
  return TryStrToInt(S, V) ? V : Default;
}

bool TryStrToInt64(const std::string& S, long long& Value) {
  bool Negative;
  unsigned long long Mag;
  if (!ParseIntegerText(S, Negative, Mag)) return false;
  const unsigned long long Limit = Negative ? 9223372036854775808ULL : 9223372036854775807ULL;
  if (Mag > Limit) return false;
  Value = Negative ? static_cast<long long>(0 - Mag) : static_cast<long long>(Mag);
  return true;
}

long long StrToInt64(const std::string& S) {
  long long V;
  if (!TryStrToInt64(S, V)) throw EConvertError("'" + S + "' is not a valid integer value");
  return V;
}

} // namespace rt
