#include "webapp/UserCookies.h"

#include <algorithm>
#include <climits>

#include "platform/rt/SysUtils.h"
#include "platform/web/Html.h"

namespace cookies {

const char* const UserFluidPrefix = "UserFluid";
const char* const PreferenceCookieName = "UserPreference";
const char* const DefaultPreset =
    "3;0;-1;-1;1;-1;0;Water @ Ambient Temp (60-85 Deg. F);0;0;10;5;15;-1;-1;8.00 in;8.00 in;100;80;-1;0;0;0;-1;1;;";

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void Percent(std::string& out, unsigned char ch) {
  static const char* hex = "0123456789ABCDEF";
  out += '%';
  out += hex[ch >> 4];
  out += hex[ch & 15];
}

// Every %XX as its byte; other characters as they are.
std::string PercentDecode(std::string_view s, bool plusIsBlank) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
      i += 2;
    } else if (plusIsBlank && s[i] == '+') {
      out += ' ';
    } else {
      out += s[i];
    }
  }
  return out;
}

// Length of a well-formed UTF-8 sequence of more than one byte at s[i], or 0.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
  const unsigned char b0 = static_cast<unsigned char>(s[i]);
  std::size_t n;
  if (b0 >= 0xC2 && b0 <= 0xDF) n = 2;
  else if (b0 >= 0xE0 && b0 <= 0xEF) n = 3;
  else if (b0 >= 0xF0 && b0 <= 0xF4) n = 4;
  else return 0;
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
  const unsigned char b1 = static_cast<unsigned char>(s[i + 1]);
  if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 >= 0xA0) || (b0 == 0xF0 && b1 < 0x90) ||
      (b0 == 0xF4 && b1 >= 0x90))
    return 0;
  return n;
}

// Free text inside a value: printable ASCII stays, except '%' and the separators given; every
// other byte is %XX.
std::string EscapeText(std::string_view text, std::string_view separators) {
  std::string out;
  for (char c : text) {
    const unsigned char ch = static_cast<unsigned char>(c);
    if (ch < 0x20 || ch >= 0x7F || ch == '%' || separators.find(c) != std::string_view::npos) Percent(out, ch);
    else out += c;
  }
  return out;
}


bool IsNumber(const std::string& s) {
  double v;
  return rt::TryStrToFloat(s, v);
}

}  // namespace

bool FitsInCookie(const std::string& name, const std::string& value) {
  return name.size() + 1 + web::CookieEncode(value).size() <= MaxCookieSize;
}

std::string CookieDecode(std::string_view wire) {
  const std::string bytes = PercentDecode(wire, true);
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const unsigned char ch = static_cast<unsigned char>(bytes[i]);
    if (ch < 0x80) {
      out += bytes[i++];
    } else if (const std::size_t n = Utf8Length(bytes, i)) {
      out.append(bytes, i, n);
      i += n;
    } else {
      out += static_cast<char>(0xC0 | (ch >> 6));
      out += static_cast<char>(0x80 | (ch & 0x3F));
      ++i;
    }
  }
  return out;
}

// ---- User fluids ----

std::string FormatUserFluid(const TUserFluidRecord& f) {
  // A "qq" of the name itself is written "q%71", so that "qqa" and "qqb" always stand for a blank
  // and a comma.
  std::string out;
  const std::string name = EscapeText(f.Name, "");
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (name[i] == ' ') out += "qqa";
    else if (name[i] == ',') out += "qqb";
    else if (name[i] == 'q' && i > 0 && name[i - 1] == 'q') out += "%71";
    else out += name[i];
  }
  for (const std::string* s : {&f.State, &f.Temperature, &f.Scale, &f.VPorSH, &f.CPorComp, &f.Visc, &f.SG, &f.ValveID})
    out += "," + EscapeText(*s, ",");
  return out;
}

bool ParseUserFluid(std::string_view wireValue, TUserFluidRecord& fluid, std::string& value, std::string& error) {
  const std::string v = CookieDecode(wireValue);
  const std::vector<std::string> f = rt::SplitFields(v, ",");
  if (f.size() != 9) {
    error = "it has " + std::to_string(f.size()) + " fields where a saved fluid has 9";
    return false;
  }
  TUserFluidRecord r;
  std::string name = rt::StringReplace(f[0], "qqa", " ", rt::rfReplaceAll);
  name = rt::StringReplace(name, "qqb", ",", rt::rfReplaceAll);
  r.Name = PercentDecode(name, false);
  r.State = PercentDecode(f[1], false);
  r.Temperature = PercentDecode(f[2], false);
  r.Scale = PercentDecode(f[3], false);
  r.VPorSH = PercentDecode(f[4], false);
  r.CPorComp = PercentDecode(f[5], false);
  r.Visc = PercentDecode(f[6], false);
  r.SG = PercentDecode(f[7], false);
  r.ValveID = PercentDecode(f[8], false);
  if (rt::Trim(r.Name).empty()) {
    error = "it names no fluid";
    return false;
  }
  if (r.State != "Liquid" && r.State != "Gas") {
    error = "its state \"" + r.State + "\" is not Liquid or Gas";
    return false;
  }
  const std::pair<const std::string*, const char*> numbers[] = {{&r.Temperature, "temperature"},
                                                                {&r.VPorSH, r.State == "Liquid" ? "vapour pressure" : "specific heat ratio"},
                                                                {&r.CPorComp, r.State == "Liquid" ? "critical pressure" : "compressibility"},
                                                                {&r.Visc, "viscosity"},
                                                                {&r.SG, "specific gravity"}};
  for (const auto& [text, what] : numbers)
    if (!IsNumber(*text)) {
      error = std::string("its ") + what + " \"" + *text + "\" is not a number";
      return false;
    }
  fluid = std::move(r);
  value = v;
  error.clear();
  return true;
}

int UserFluidIndex(const std::string& cookieName) {
  const std::string prefix = UserFluidPrefix;
  if (cookieName.size() <= prefix.size() || cookieName.compare(0, prefix.size(), prefix) != 0) return -1;
  int n = 0;
  for (std::size_t i = prefix.size(); i < cookieName.size(); ++i) {
    const char c = cookieName[i];
    if (c < '0' || c > '9' || n > (INT_MAX - 9) / 10) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string NextUserFluidName(const std::vector<std::pair<std::string, std::string>>& cookies) {
  int highest = 0;
  for (const auto& c : cookies) highest = std::max(highest, UserFluidIndex(c.first));
  return UserFluidPrefix + std::to_string(highest + 1);
}

// ---- Preferences ----

std::string FormatPreferences(const std::vector<std::string>& items) {
  std::string out;
  for (std::size_t i = 1; i < items.size() && i < static_cast<std::size_t>(PreferenceItems); ++i)
    out += ";" + EscapeText(items[i], ";");
  return out;
}

std::vector<std::string> SplitPreferences(std::string_view wireValue) {
  // A value's own separators reach the browser as "%3B"; a ';' cannot be part of a cookie value,
  // but a value that holds them is split there all the same.
  const std::string_view sep = wireValue.find(';') != std::string_view::npos ? ";" : "%3B";
  std::vector<std::string> items = rt::SplitFields(wireValue, sep);
  for (std::string& item : items) item = PercentDecode(CookieDecode(item), false);
  return items;
}

std::string ReadPreset(const std::string& item) {
  if (item.find(';') != std::string::npos || item.find("qqd") == std::string::npos) return item;
  std::string s = rt::StringReplace(item, "qqd", ";", rt::rfReplaceAll);
  return rt::StringReplace(s, "?", "°", rt::rfReplaceAll);
}

}  // namespace cookies
