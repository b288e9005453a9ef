#include "platform/data/FloatText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/rt/SysUtils.h"

namespace data {

std::string FloatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) return "0";
  // Digits and decimal exponent of the value rounded to 15 significant digits.
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
  std::string mant(buf, 1);
  const char* p = buf + 2;
  while (*p && *p != 'e') mant += *p++;
  int exp10 = std::atoi(p + 1) + 1;  // digits before the decimal point
  while (mant.size() > 1 && mant.back() == '0') mant.pop_back();
  std::string out = value < 0 ? "-" : "";
  if (exp10 > 15 || exp10 < -3) {
    out += mant[0];
    if (mant.size() > 1) out += "." + mant.substr(1);
    out += "E" + std::to_string(exp10 - 1);
  } else if (exp10 <= 0) {
    out += "0." + std::string(static_cast<size_t>(-exp10), '0') + mant;
  } else if (static_cast<int>(mant.size()) <= exp10) {
    out += mant + std::string(static_cast<size_t>(exp10) - mant.size(), '0');
  } else {
    out += mant.substr(0, static_cast<size_t>(exp10)) + "." + mant.substr(static_cast<size_t>(exp10));
  }
  return out;
}

double TextToFloat(std::string_view text) {
  std::string_view s = text;
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  std::string_view digits = s;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  double d = 0;
  auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), d);
  if (digits.empty() || ec != std::errc() || p != digits.data() + digits.size() || !std::isfinite(d))
    throw rt::EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return d;
}

} // namespace data
