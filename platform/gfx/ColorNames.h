#pragma once
// The runtime's colour names ("clRed", "clBtnFace" ...), as texts name colours.
#include <span>
#include <string>
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
// The name of a colour (the first in the table with that value); false when it has none.
bool ColorToIdent(TColor Color, std::string& Name);
// A colour as a text: its name, else "$" and its eight hexadecimal digits ("$00C08040").
std::string ColorToString(TColor Color);
// A colour name, else a number ("$" or "0x" for hexadecimal) of at most 32 bits, so every text
// ColorToString gives reads back; anything else raises the integer parse's rt::EConvertError.
TColor StringToColor(std::string_view Text);

} // namespace gfx
