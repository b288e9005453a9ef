#pragma once
// Colours as the drawing code gives them: 0x00BBGGRR for plain colours; a system colour is
// 0xFF000000 + its index (as scripts name them, clBtnFace = 0xFF00000F). Any value with the top
// bit set is read that way, with the index in the low byte.
#include <cstdint>

namespace gfx {

using TColor = std::int32_t;

// A system colour becomes its value in the default desktop scheme (a server has no user
// scheme); any other value is returned as it is.
TColor ColorToRGB(TColor Color);

} // namespace gfx
