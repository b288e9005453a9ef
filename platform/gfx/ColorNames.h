#pragma once
// The runtime's colour names ("clRed", "clBtnFace" ...), as texts name colours.
#include <span>
#include <string_view>

#include "platform/gfx/Graphics.h"

namespace gfx {

struct TColorName {
  const char* Name;
  TColor Value;
};
std::span<const TColorName> ColorNames();
// The colour of a name, letter case ignored; false for an unknown name.
bool IdentToColor(std::string_view Name, TColor& Color);

} // namespace gfx
