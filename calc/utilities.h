#pragma once
// Unit and number routines shared by the sizing calculations and the sizing form, and the
// checked arithmetic that keeps NaN and infinity out of every calculated result.
#include <cmath>
#include <string>

namespace rt {
class TStrings;
}

// Caption of a pressure unit: "psig" becomes "psia" when absolute, other units get " (abs)";
// plain drops the gauge/absolute marks altogether ("psi").
std::string PressureUnitLabel(const std::string& unit, bool absolute, bool plain);
// "psig" and "psia" become "psi"; every " (abs)" is removed.
std::string StripPressureUnit(const std::string& unit);
// Equal-percentage Cv (rangeability 30) at a travel in percent.
double CvAtTravel(double travel, double cv);
// Travel text for a calculated Cv against the rated Cv. Label mode gives "Under 10" and
// "Over 90" at the ends of the stroke. The equal-percentage branch leaves a note in the
// session's DebugStr.
std::string TravelPercent(bool linear, bool label, double calculatedCv, double ratedCv);
// Fractional values in fixed format without trailing zeros; whole and negative values in
// general format.
std::string FormatNumber(int precision, int digits, double x);
std::string StripTrailingZeros(const std::string& text);
// Decimals to show for a value: 1 above 100, 2 above 1, more the smaller the value.
int DisplayDecimals(double x);
// Factor that turns an actual gas flow unit at P psig and T degF into standard flow.
double ToStandardFlow(double Q, double P, double T);
// Straight line through (x1, y1) and (x2, y2), extended beyond the points; the mean of
// y1 and y2 when x1 = x2.
double Interpolate(double x1, double x2, double y1, double y2, double x);
double LogBase(double x, double b);
// Keeps the first of each string (compared without letter case), in order.
void RemoveDuplicates(rt::TStrings& list);
// Refills list with the fields of text between separators; empty fields stay. An empty
// separator gives the whole text as one item.
void SplitString(rt::TStrings& list, const std::string& text, const std::string& separator);

// Checked floating-point operations. Each names the quantity it works on, so that a bad
// input reaches the user as "Floating point division by zero: the specific gravity is zero"
// instead of a NaN or an infinity in the results. The checks are inline; only the raising
// is out of line.
namespace checked {

[[noreturn]] void ZeroDivide(const std::string& what);  // rt::EZeroDivide: "<what> is zero"
[[noreturn]] void InvalidOp(const std::string& what);   // rt::EInvalidOp with <what> as reason
[[noreturn]] void DivFault(double a, const char* divisor);
[[noreturn]] void SqrtFault(const char* what);
[[noreturn]] void NotFinite(double x, const char* what);
double LnSlow(double x, const char* what);
double PowSlow(double base, double exponent, const char* what);

// Raises EOverflow (or EInvalidOp for NaN) when x is not finite.
inline double Finite(double x, const char* what) {
  if (!std::isfinite(x)) [[unlikely]] NotFinite(x, what);
  return x;
}
// a / b; b = 0 raises EZeroDivide (EInvalidOp for 0/0) naming the divisor.
inline double Div(double a, double b, const char* divisor) {
  if (b == 0) [[unlikely]] DivFault(a, divisor);
  return Finite(a / b, divisor);
}
// Square root; a negative (or NaN) argument raises EInvalidOp naming it.
inline double Sqrt(double x, const char* what) {
  if (!(x >= 0)) [[unlikely]] SqrtFault(what);
  return std::sqrt(x);
}
// Natural logarithm; 0 raises EZeroDivide, a negative argument EInvalidOp.
inline double Ln(double x, const char* what) {
  if (!(x > 0) || !std::isfinite(x)) [[unlikely]] return LnSlow(x, what);
  return std::log(x);
}
// base ^ exponent; a negative base with a fractional exponent raises EInvalidOp, 0 to a
// negative power EZeroDivide.
inline double Pow(double base, double exponent, const char* what) {
  if (!(base > 0) || !std::isfinite(exponent)) [[unlikely]] return PowSlow(base, exponent, what);
  return Finite(std::pow(base, exponent), what);
}

} // namespace checked
