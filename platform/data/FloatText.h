#pragma once
// Number texts of field values.
#include <string>
#include <string_view>

namespace data {

// General format with up to 15 significant digits and '.' ("0.0000353", "3.53E-5", "1166").
std::string FloatToText(double value);
// Reads a number; EConvertError when the text is not one.
double TextToFloat(std::string_view text);

} // namespace data
