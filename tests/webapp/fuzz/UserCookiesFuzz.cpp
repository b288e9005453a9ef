// Cookie values come back from the browser as it pleases. Every codec of the sizing form's
// cookies must take any wire text, and what it accepted must come back identical through the
// value the form would write.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/web/Html.h"
#include "webapp/SizingRecord.h"
#include "webapp/UserCookies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view wire(reinterpret_cast<const char*>(data), size);

  (void)cookies::CookieDecode(wire);
  (void)cookies::UserFluidIndex(std::string(wire));

  cookies::TUserFluidRecord fluid;
  std::string value, error;
  if (cookies::ParseUserFluid(wire, fluid, value, error)) {
    cookies::TUserFluidRecord back;
    if (!cookies::ParseUserFluid(web::CookieEncode(cookies::FormatUserFluid(fluid)), back, value, error) ||
        !(back == fluid))
      __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }

  std::vector<std::string> items = cookies::SplitPreferences(wire);
  if (items.empty()) return 0;
  if (items.size() > static_cast<std::size_t>(cookies::PreferenceItems))
    items.resize(static_cast<std::size_t>(cookies::PreferenceItems));
  items[0].clear();
  if (items.size() > 1) {
    if (cookies::SplitPreferences(web::CookieEncode(cookies::FormatPreferences(items))) != items) __builtin_trap();
  }
  if (items.size() > 3) {
    sizing::TSizingRecord record;
    (void)sizing::ParseRecord(cookies::ReadPreset(items[3]), record, error);
  }
  return 0;
}
