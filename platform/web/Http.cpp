#include "platform/web/Http.h"

#include <ctime>

#include "platform/rt/SysUtils.h"
#include "platform/web/Html.h"

namespace web {

namespace {
bool TokenChar(unsigned char c) {
  if (c <= 0x20 || c >= 0x7F) return false;
  switch (c) {
    case '(': case ')': case '<': case '>': case '@': case ',': case ';': case ':': case '\\': case '"':
    case '/': case '[': case ']': case '?': case '=': case '{': case '}':
      return false;
    default:
      return true;
  }
}

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  const auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}
}  // namespace

void THttpCookieList::AddCookie(const std::string& name, const std::string& value, const std::string& path,
                                TTime expires, bool httpOnly, bool secure, TSameSiteOption sameSite) {
  if (name.empty()) throw rt::Exception("A cookie needs a name");
  for (char c : name)
    if (!TokenChar(static_cast<unsigned char>(c))) throw rt::Exception("Invalid cookie name: " + name);
  std::string h = name + "=" + CookieEncode(value);
  std::string cleanPath;
  for (char c : path) {
    const unsigned char ch = static_cast<unsigned char>(c);
    if (ch >= 0x20 && ch != 0x7F && ch != ';') cleanPath += c;
  }
  if (!cleanPath.empty()) h += "; Path=" + cleanPath;
  if (expires != TTime{}) {
    const std::time_t t = std::chrono::system_clock::to_time_t(expires);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%a, %d %b %Y %H:%M:%S GMT", &tm);
    h += "; Expires=";
    h += buf;
  }
  if (httpOnly) h += "; HttpOnly";
  if (secure) h += "; Secure";
  if (sameSite == ssoLax) h += "; SameSite=Lax";
  if (sameSite == ssoStrict) h += "; SameSite=Strict";
  FHeaders.push_back(std::move(h));
}

std::vector<std::string> TIWRequest::CookieFields() const {
  std::vector<std::string> out;
  out.reserve(Cookies.size());
  for (const auto& [n, v] : Cookies) out.push_back(n + "=" + v);
  return out;
}

std::string TIWRequest::CookieValue(const std::string& name) const {
  for (const auto& [n, v] : Cookies)
    if (n == name) return v;
  return {};
}

void TIWRequest::ParseCookieHeader(const std::string& header) {
  std::size_t pos = 0;
  while (pos <= header.size()) {
    auto end = header.find(';', pos);
    if (end == std::string::npos) end = header.size();
    const std::string part = Trim(header.substr(pos, end - pos));
    if (!part.empty()) {
      const auto eq = part.find('=');
      if (eq == std::string::npos) Cookies.emplace_back(part, "");
      else Cookies.emplace_back(Trim(part.substr(0, eq)), Trim(part.substr(eq + 1)));
    }
    pos = end + 1;
  }
}

}  // namespace web
