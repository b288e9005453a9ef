#pragma once
// Colours as the drawing code gives them: 0x00BBGGRR for plain colours; a negative value
// (0x80000000 + index) names a system colour.
#include <cstdint>

namespace gfx {

using TColor = std::int32_t;

// A system colour becomes its value in the default desktop scheme (a server has no user
// scheme); any other value is returned as it is.
TColor ColorToRGB(TColor Color);

} // namespace gfx
