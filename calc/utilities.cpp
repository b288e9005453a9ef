#include "calc/utilities.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/SysUtils.h"
#include "webapp/ServerController.h"

namespace checked {

void ZeroDivide(const std::string& what) {
  throw rt::EZeroDivide("Floating point division by zero: " + what + " is zero");
}

void InvalidOp(const std::string& what) {
  throw rt::EInvalidOp("Invalid floating point operation: " + what);
}

void DivFault(double a, const char* divisor) {
  if (a == 0 || std::isnan(a)) InvalidOp(std::string("0/0, ") + divisor + " is zero");
  ZeroDivide(divisor);
}

void SqrtFault(const char* what) {
  InvalidOp(std::string("square root of a negative value (") + what + ")");
}

void NotFinite(double x, const char* what) {
  if (std::isnan(x)) InvalidOp(std::string(what) + " is not a number");
  throw rt::EOverflow(std::string("Floating point overflow: ") + what + " is out of range");
}

double LnSlow(double x, const char* what) {
  if (x == 0) throw rt::EZeroDivide(std::string("Floating point division by zero: logarithm of zero (") + what + ")");
  if (!(x > 0)) InvalidOp(std::string("logarithm of a negative value (") + what + ")");
  return Finite(std::log(x), what);
}

double PowSlow(double base, double exponent, const char* what) {
  if (std::isnan(base) || std::isnan(exponent)) InvalidOp(std::string(what) + " is not a number");
  if (base < 0 && exponent != std::trunc(exponent))
    InvalidOp(std::string("fractional power of a negative value (") + what + ")");
  if (base == 0 && exponent < 0)
    throw rt::EZeroDivide(std::string("Floating point division by zero: negative power of zero (") + what + ")");
  return Finite(std::pow(base, exponent), what);
}

} // namespace checked

namespace {

// Standard conditions of gas flow, held in single precision like the rest of the unit tables.
constexpr float kStdPressure = 14.696f;
constexpr float kAbsZero = 459.69f;

void ReplaceAll(std::string& s, const std::string& from, const std::string& to) {
  for (std::size_t p = s.find(from); p != std::string::npos; p = s.find(from, p + to.size()))
    s.replace(p, from.size(), to);
}

} // namespace

std::string PressureUnitLabel(const std::string& unit, bool absolute, bool plain) {
  if (plain) return StripPressureUnit(unit);
  if (!absolute) return unit;
  if (unit == "psig") return "psia";
  return unit + " (abs)";
}

std::string StripPressureUnit(const std::string& unit) {
  if (unit == "psig" || unit == "psia") return "psi";
  std::string s = unit;
  ReplaceAll(s, " (abs)", "");
  return s;
}

double CvAtTravel(double travel, double cv) {
  return std::exp(std::log(30.0) * (travel / 100 - 1)) * cv;
}

std::string TravelPercent(bool linear, bool label, double calculatedCv, double ratedCv) {
  const double r = checked::Div(calculatedCv, ratedCv, "the rated Cv");
  double travel;
  if (linear) {
    travel = 100 * r;
  } else if (r <= 1.0 / 29) {
    travel = r * 100 / 3;
    UserSession()->DebugStr = "Small travel" + rt::FloatToStrF(travel, rt::ffFixed, 8, 2);
  } else {
    travel = (1 + LogBase(r, 30)) * 100;
    UserSession()->DebugStr = "Large travel" + rt::FloatToStrF(travel, rt::ffFixed, 8, 2);
  }
  if (label) {
    if (std::isnan(travel) || travel < 10) return "Under 10";
    if (travel > 90 && travel <= 100) return "Over 90";
  }
  return rt::FloatToStrF(checked::Finite(travel, "the travel"), rt::ffFixed, 8, 0);
}

std::string FormatNumber(int precision, int digits, double x) {
  const double frac = x - std::trunc(x);
  if (frac <= 0) return rt::FloatToStrF(x, rt::ffGeneral, precision, digits);
  return StripTrailingZeros(rt::FloatToStrF(x, rt::ffFixed, precision, digits));
}

std::string StripTrailingZeros(const std::string& text) {
  // Only the zeros of a fraction go: a text without a decimal point (or in exponent form)
  // would change its value.
  if (text.find('.') == std::string::npos || text.find_first_of("eE") != std::string::npos)
    return text;
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == '0') --end;
  return text.substr(0, end);
}

int DisplayDecimals(double x) {
  if (std::isnan(x)) return 1;
  x = std::fabs(x);
  if (x == 0) x = 1e-7;
  if (x > 100) return 1;
  if (x > 1) return 2;
  return 1 - static_cast<int>(std::floor(std::log10(x)));
}

double ToStandardFlow(double Q, double P, double T) {
  const double den = static_cast<double>(kStdPressure) * (T + kAbsZero - 60);
  return std::fabs(checked::Div(Q * (P + kStdPressure) * kAbsZero, den, "the absolute gas temperature"));
}

double Interpolate(double x1, double x2, double y1, double y2, double x) {
  if (x2 == x1) return (y1 + y2) / 2;
  return y1 + (x - x1) / (x2 - x1) * (y2 - y1);
}

double LogBase(double x, double b) {
  return checked::Div(checked::Ln(x, "value"), checked::Ln(b, "logarithm base"), "the logarithm of the base");
}

void RemoveDuplicates(rt::TStrings& list) {
  std::vector<std::string> kept;
  for (int i = 0; i < list.Count(); ++i) {
    std::string item = list.Strings(i);
    bool seen = false;
    for (const std::string& k : kept)
      if (rt::SameText(k, item)) { seen = true; break; }
    if (!seen) kept.push_back(std::move(item));
  }
  list.BeginUpdate();
  list.Clear();
  for (const std::string& k : kept) list.Add(k);
  list.EndUpdate();
}

void SplitString(rt::TStrings& list, const std::string& text, const std::string& separator) {
  list.BeginUpdate();
  list.Clear();
  if (separator.empty()) {
    list.Add(text);
  } else {
    std::size_t start = 0;
    const std::string s = text + separator;
    while (start < s.size()) {
      const std::size_t p = s.find(separator, start);
      list.Add(s.substr(start, p - start));
      start = p + separator.size();
    }
  }
  list.EndUpdate();
}
