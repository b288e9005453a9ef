#pragma once
// The values of the cookies the sizing form keeps in the browser: one per user-defined fluid
// ("UserFluid" and a number) and the preferences ("UserPreference"). They come back from the
// browser as the wire text of the request, so they are decoded here and checked before use.
//
// The web layer form-encodes every value it sends (web::CookieEncode). The values built here are
// plain ASCII: the free texts in them carry '%', the separators and every non-ASCII byte as
// percent escapes of their own, so a text survives whatever it holds.
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cookies {

// A browser keeps a cookie of at most this many bytes (name, '=' and value).
constexpr std::size_t MaxCookieSize = 4096;
// Whether a cookie of that name and value fits once the web layer has encoded it.
bool FitsInCookie(const std::string& name, const std::string& value);

// The inverse of the web layer's cookie encoding: '+' is a blank, %XX a byte; bytes that do not
// form UTF-8 are 8-bit codes (U+0080 to U+00FF), as that encoding writes them.
std::string CookieDecode(std::string_view wire);

// ---- User fluids ----

extern const char* const UserFluidPrefix;  // "UserFluid"

// A user fluid as its cookie carries it; the numbers are general number texts.
struct TUserFluidRecord {
  std::string Name;
  std::string State;        // "Liquid" or "Gas"
  std::string Temperature;  // 60 when none was given
  std::string Scale;        // "F", "C" or "K": last character of the temperature unit
  std::string VPorSH;       // liquid: vapour pressure in psi; gas: specific heat ratio
  std::string CPorComp;     // liquid: critical pressure in psi; gas: compressibility
  std::string Visc;
  std::string SG;
  std::string ValveID;  // "1"

  friend bool operator==(const TUserFluidRecord&, const TUserFluidRecord&) = default;
};

// The cookie value: nine fields joined by ','; in the name each blank is "qqa" and each ','
// "qqb".
std::string FormatUserFluid(const TUserFluidRecord& fluid);
// Reads a cookie's wire value: nine fields, a name, a known state and numbers where numbers
// belong. value receives the decoded value. On failure returns false with a one-line reason.
bool ParseUserFluid(std::string_view wireValue, TUserFluidRecord& fluid, std::string& value, std::string& error);
// The number of a "UserFluid<n>" cookie name; -1 for any other name.
int UserFluidIndex(const std::string& cookieName);
// Name of a new user-fluid cookie: "UserFluid" and one more than the highest number among the
// request's cookies (1 when there is none), so that no stored fluid is overwritten.
std::string NextUserFluidName(const std::vector<std::pair<std::string, std::string>>& cookies);

// ---- Preferences ----

extern const char* const PreferenceCookieName;  // "UserPreference"
constexpr int PreferenceItems = 17;
// The preset stored while loading a preset at start is off; never loaded.
extern const char* const DefaultPreset;

// The cookie value from items 1 to 16 (item 0 is the empty item before the first separator).
std::string FormatPreferences(const std::vector<std::string>& items);
// The items of a cookie's wire value, item 0 empty; as many as the value holds.
std::vector<std::string> SplitPreferences(std::string_view wireValue);
// The sizing record of item 3. Values of the older form, which wrote the record's separators as
// "qqd" and its degree signs as '?', are read too.
std::string ReadPreset(const std::string& item);

}  // namespace cookies
