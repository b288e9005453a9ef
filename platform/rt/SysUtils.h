#pragma once
// Exceptions of the runtime layer. Every failure the program reports carries the
// class name it was raised as and a message meant for the user.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rt {

class Exception : public std::runtime_error {
public:
  explicit Exception(const std::string& msg, std::string className = "Exception")
      : std::runtime_error(msg), FClassName(std::move(className)) {}
  const std::string& ClassName() const noexcept { return FClassName; }
  std::string Message() const { return what(); }

private:
  std::string FClassName;
};

// Declares a subclass whose ClassName() is its own name.
#define RT_DECLARE_EXCEPTION(Name, Base)                                      \
  class Name : public Base {                                                  \
  public:                                                                     \
    explicit Name(const std::string& msg, std::string className = #Name)      \
        : Base(msg, std::move(className)) {}                                  \
  };

RT_DECLARE_EXCEPTION(EConvertError, Exception)
RT_DECLARE_EXCEPTION(EMathError, Exception)
RT_DECLARE_EXCEPTION(EZeroDivide, EMathError)
RT_DECLARE_EXCEPTION(EInvalidOp, EMathError)
RT_DECLARE_EXCEPTION(EOverflow, EMathError)
RT_DECLARE_EXCEPTION(EListError, Exception)
RT_DECLARE_EXCEPTION(EStreamError, Exception)
RT_DECLARE_EXCEPTION(EFOpenError, EStreamError)
RT_DECLARE_EXCEPTION(EFCreateError, EStreamError)
RT_DECLARE_EXCEPTION(EReadError, EStreamError)
RT_DECLARE_EXCEPTION(EWriteError, EStreamError)
RT_DECLARE_EXCEPTION(EInvalidPointer, Exception)
// A failed operating-system call ("System Error. Code: N. ...").
RT_DECLARE_EXCEPTION(EOSError, Exception)

// ---- Text helpers. Letter case means ASCII letters; other bytes (UTF-8) are left alone. ----

// <0, 0, >0 by byte value.
int CompareStr(std::string_view S1, std::string_view S2);
// As CompareStr with ASCII letters compared as lower case.
int CompareText(std::string_view S1, std::string_view S2);
bool SameText(std::string_view S1, std::string_view S2);
std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);
// Drops leading and trailing blanks and control characters.
std::string Trim(std::string_view S);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
// Flags: rfReplaceAll | rfIgnoreCase, or 0 for the first exact match only.
std::string StringReplace(std::string_view S, std::string_view OldPattern,
                          std::string_view NewPattern, unsigned Flags);
// The fields of S between separators (a non-empty separator), empty fields included: "a;;b"
// gives "a", "", "b"; "" gives one empty field; a trailing separator a trailing empty field.
std::vector<std::string> SplitFields(std::string_view S, std::string_view Separator);

// ---- Number texts. '.' is always the decimal separator and ',' the thousands separator. ----
// Not-a-number is "NAN", infinities "INF" and "-INF" in every format. Rounding is half away from
// zero on the value's decimal digits (limited to the precision), so 2.675 at 2 decimals is 2.68.

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber };

// ffGeneral: shortest text of Precision significant digits; scientific ("1.5E20", "1E-5", at
//   least Digits exponent digits) when the value needs more than Precision integer digits or is
//   below 0.0001.
// ffExponent: "-d.dddE+dd" with Precision digits and at least Digits exponent digits.
// ffFixed: Digits decimals; ffNumber: the same with thousands separators. Both fall back to
//   ffGeneral when the value needs more than Precision integer digits.
std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits);
// General format, 15 significant digits.
std::string FloatToStr(double Value);
// Pattern sections "positive;negative;zero". In a section: 0 digit or zero, # digit if any,
// . decimal point, , thousands separators, E+ E- e+ e- scientific, '...' or "..." literal text;
// other characters stand for themselves.
std::string FormatFloat(std::string_view Format, double Value);

// Optional sign, digits with an optional '.', optional exponent; blanks around are ignored.
// EConvertError "'S' is not a valid floating point value".
double StrToFloat(const std::string& S);
bool TryStrToFloat(const std::string& S, double& Value);
double StrToFloatDef(const std::string& S, double Default);

std::string IntToStr(long long Value);
// The value of a hexadecimal digit of either case; -1 for any other character.
constexpr int HexDigitValue(char32_t C) {
  if (C >= U'0' && C <= U'9') return static_cast<int>(C - U'0');
  if (C >= U'a' && C <= U'f') return static_cast<int>(C - U'a') + 10;
  if (C >= U'A' && C <= U'F') return static_cast<int>(C - U'A') + 10;
  return -1;
}
// Leading blanks, optional sign, decimal digits or hexadecimal after '$' or "0x"; 32 bits.
// EConvertError "'S' is not a valid integer value".
int StrToInt(const std::string& S);
bool TryStrToInt(const std::string& S, int& Value);
int StrToIntDef(const std::string& S, int Default);
// The same rules for 64 bits. EConvertError "'S' is not a valid integer value".
long long StrToInt64(const std::string& S);
bool TryStrToInt64(const std::string& S, long long& Value);

} // namespace rt
