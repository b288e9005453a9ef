#include "platform/web/Html.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/rt/SysUtils.h"

namespace web {

std::string ColorToCss(TColor color) {
  if (color == clNone || color < 0) return {};
  char buf[8];
  const unsigned c = static_cast<unsigned>(color);
  std::snprintf(buf, sizeof buf, "#%02x%02x%02x", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
  return buf;
}

void AppendHtmlEscaped(std::string& out, std::string_view text) {
  // Most texts of a page need no escaping; they are copied in runs between special characters,
  // found by a table (a search for any of a set of characters tests the set for every byte).
  static const auto special = [] {
    std::array<bool, 256> t{};
    for (char c : std::string_view("&<>\"'")) t[static_cast<unsigned char>(c)] = true;
    return t;
  }();
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!special[static_cast<unsigned char>(text[i])]) continue;
    out.append(text, start, i - start);
    switch (text[i]) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += "&#39;"; break;
    }
    start = i + 1;
  }
  out.append(text, start);
}

std::string HtmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  AppendHtmlEscaped(out, text);
  return out;
}

std::string JsString(std::string_view text) {
  std::string out;
  AppendJsString(out, text);
  return out;
}

namespace {

// Line and paragraph separators (E2 80 A8, E2 80 A9) end a JavaScript string literal; other
// characters that begin with E2 stay as they are.
bool SeparatorAt(std::string_view text, std::size_t i) {
  return i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
         (static_cast<unsigned char>(text[i + 2]) == 0xA8 || static_cast<unsigned char>(text[i + 2]) == 0xA9);
}

// The length each byte takes in a literal; 0 for E2, which depends on the bytes after it.
using TWidths = std::array<unsigned char, 256>;

// The literal's length is counted first and then written in place: a page has a quote every few
// characters, and appending it run by run cost a call for every one of them.
void AppendQuoted(std::string& out, std::string_view text, const TWidths& width) {
  static const char* hex = "0123456789abcdef";
  std::size_t length = 2;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned w = width[static_cast<unsigned char>(text[i])];
    if (w != 0) {
      length += w;
    } else if (SeparatorAt(text, i)) {
      length += 6;
      i += 2;
    } else {
      length += 1;
    }
  }
  const std::size_t at = out.size();
  out.resize(at + length);
  char* p = out.data() + at;
  *p++ = '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const unsigned char ch = static_cast<unsigned char>(c);
    const unsigned w = width[ch];
    if (w == 1 || (w == 0 && !SeparatorAt(text, i))) {
      *p++ = c;
      continue;
    }
    *p++ = '\\';
    if (w == 0) {
      std::memcpy(p, static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "u2028" : "u2029", 5);
      p += 5;
      i += 2;
      continue;
    }
    switch (c) {
      case '"': *p++ = '"'; break;
      case '\\': *p++ = '\\'; break;
      case '\n': *p++ = 'n'; break;
      case '\r': *p++ = 'r'; break;
      case '\t': *p++ = 't'; break;
      default:
        std::memcpy(p, "u00", 3);
        p[3] = hex[ch >> 4];
        p[4] = hex[ch & 15];
        p += 5;
    }
  }
  *p = '"';
}

// What JSON itself needs escaped: quotes, backslashes and control characters.
TWidths JsonWidths() {
  TWidths t{};
  t.fill(1);
  for (int c = 0; c < 0x20; ++c) t[static_cast<std::size_t>(c)] = 6;
  for (char c : std::string_view("\"\\\n\r\t")) t[static_cast<unsigned char>(c)] = 2;
  return t;
}

}  // namespace

void AppendJsString(std::string& out, std::string_view text) {
  // Besides JSON's own, whatever could end an enclosing script element or a JavaScript literal.
  static const TWidths width = [] {
    TWidths t = JsonWidths();
    for (char c : std::string_view("<>&'\x7F")) t[static_cast<unsigned char>(c)] = 6;
    t[0xE2] = 0;
    return t;
  }();
  AppendQuoted(out, text, width);
}

void AppendJsonString(std::string& out, std::string_view text) {
  static const TWidths width = JsonWidths();
  AppendQuoted(out, text, width);
}

std::string UrlEncode(std::string_view text) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const unsigned char ch = static_cast<unsigned char>(c);
    if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9') || ch == '-' ||
        ch == '_' || ch == '.' || ch == '~') {
      out += c;
    } else {
      out += '%';
      out += hex[ch >> 4];
      out += hex[ch & 15];
    }
  }
  return out;
}

namespace {
void PercentByte(std::string& out, unsigned char b) {
  static const char* hex = "0123456789ABCDEF";
  out += '%';
  out += hex[b >> 4];
  out += hex[b & 15];
}

bool CookieSafe(unsigned char ch) {
  if ((ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9')) return true;
  switch (ch) {
    case '*': case '@': case '.': case '_': case '-': case '$': case '!': case '\'': case '(': case ')':
      return true;
    default:
      return false;
  }
}
}  // namespace

std::string CookieEncode(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const unsigned char ch = static_cast<unsigned char>(s[i]);
    if (ch == ' ') {
      out += '+';
    } else if (ch < 0x80) {
      if (CookieSafe(ch)) out += static_cast<char>(ch);
      else PercentByte(out, ch);
    } else if ((ch == 0xC2 || ch == 0xC3) && i + 1 < s.size() &&
               (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) {
      // U+0080..U+00FF travel as their single 8-bit code.
      PercentByte(out, static_cast<unsigned char>(((ch & 0x03) << 6) | (s[i + 1] & 0x3F)));
      ++i;
    } else {
      PercentByte(out, ch);
    }
  }
  return out;
}

std::string CleanFileName(std::string_view name) {
  std::string out;
  for (char c : name) {
    const unsigned char ch = static_cast<unsigned char>(c);
    if (ch < 0x20 || ch == 0x7F || ch == '"' || ch == '\'' || ch == '/' || ch == '\\' || ch == ';' || ch == '`')
      continue;
    out += c;
  }
  // Leading and trailing blanks and dots make names that some systems refuse.
  const auto first = out.find_first_not_of(" .");
  if (first == std::string::npos) return "download";
  const auto last = out.find_last_not_of(" .");
  return out.substr(first, last - first + 1);
}

std::string ContentDisposition(bool attachment, std::string_view fileName) {
  const std::string clean = CleanFileName(fileName);
  std::string ascii;
  for (char c : clean) ascii += static_cast<unsigned char>(c) < 0x80 ? c : '_';
  std::string out = attachment ? "attachment" : "inline";
  out += "; filename=\"" + ascii + "\"";
  if (ascii != clean) out += "; filename*=UTF-8''" + UrlEncode(clean);
  return out;
}

std::string HexEncode(std::string_view bytes) {
  static const char* hex = "0123456789abcdef";
  std::string out;
  out.reserve(bytes.size() * 2);
  for (char c : bytes) {
    const unsigned char ch = static_cast<unsigned char>(c);
    out += hex[ch >> 4];
    out += hex[ch & 15];
  }
  return out;
}

std::string NewRandomToken() {
  unsigned char buf[32];
  std::size_t got = 0;
  while (got < sizeof buf) {
    const ssize_t n = getrandom(buf + got, sizeof buf - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw rt::Exception("The system's random source is not available");
    }
    got += static_cast<std::size_t>(n);
  }
  return HexEncode(std::string_view(reinterpret_cast<const char*>(buf), sizeof buf));
}

}  // namespace web
