#pragma once
// Text encodings the web layer needs when it writes pages, scripts, addresses and headers.
#include <cstdint>
#include <string>
#include <string_view>

namespace web {

// Colours as the forms give them: 0x00BBGGRR, with clNone meaning "not set".
using TColor = std::int32_t;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clGreen = 0x008000;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clGray = 0x808080;
constexpr TColor clCream = 0xF0FBFF;

// "#rrggbb"; empty for clNone.
std::string ColorToCss(TColor color);

// Text for HTML element content and quoted attribute values.
std::string HtmlEscape(std::string_view text);
// The same, appended to out.
void AppendHtmlEscaped(std::string& out, std::string_view text);

// A double-quoted string literal that is valid JSON and JavaScript and that cannot end an
// enclosing <script> element: <, >, &, quotes, control characters, U+2028 and U+2029 are escaped.
std::string JsString(std::string_view text);
// The same, appended to out.
void AppendJsString(std::string& out, std::string_view text);
// A JSON string literal for a body that is only ever parsed as JSON (an event's reply), never
// placed in a page: only quotes, backslashes and control characters are escaped, so markup
// travels at its own size.
void AppendJsonString(std::string& out, std::string_view text);

// Percent-encoding of a path segment or query value (RFC 3986 unreserved characters kept).
std::string UrlEncode(std::string_view text);

// Form encoding of cookie values: letters, digits and *@._-$!'() kept, blank as '+', every other
// character as %XX of its single byte (code points up to U+00FF) or of its UTF-8 bytes.
std::string CookieEncode(std::string_view utf8);

// A file name safe for a Content-Disposition header: no CR, LF, quotes, slashes, backslashes or
// other control characters; "download" when nothing is left.
std::string CleanFileName(std::string_view name);

// Value of a Content-Disposition header for a file of that name.
std::string ContentDisposition(bool attachment, std::string_view fileName);

// Lower-case hexadecimal of bytes.
std::string HexEncode(std::string_view bytes);

// Unguessable identifier: 32 bytes from the kernel's cryptographic random source, in hex.
std::string NewRandomToken();

}  // namespace web
