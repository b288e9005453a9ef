#pragma once
// What a handler sees of the HTTP request it runs in, and what it adds to the reply.
#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace web {

enum TSameSiteOption {
  ssoNone,    // no SameSite attribute: the browser's default applies
  ssoLax,
  ssoStrict,
};

// Cookies written with the reply.
class THttpCookieList {
public:
  using TTime = std::chrono::system_clock::time_point;
  // The value is form-encoded on the wire (see CookieEncode); an expiry of TTime{} makes a cookie
  // that lasts as long as the browser runs. Throws rt::Exception for a name that cannot be sent.
  void AddCookie(const std::string& name, const std::string& value, const std::string& path, TTime expires,
                 bool httpOnly, bool secure, TSameSiteOption sameSite);
  // The Set-Cookie header values, in the order added.
  const std::vector<std::string>& Headers() const { return FHeaders; }
  void Clear() { FHeaders.clear(); }

private:
  std::vector<std::string> FHeaders;
};

class TIWRequest {
public:
  // Cookies as the browser sent them: name and value exactly as on the wire, in the browser's order.
  std::vector<std::pair<std::string, std::string>> Cookies;
  std::string RemoteAddr;

  // Each cookie as "name=value".
  std::vector<std::string> CookieFields() const;
  // Value of the first cookie of that name; empty when there is none.
  std::string CookieValue(const std::string& name) const;

  // Parses a Cookie header's value.
  void ParseCookieHeader(const std::string& header);
};

class TIWResponse {
public:
  THttpCookieList Cookies;
};

}  // namespace web
