#pragma once
// Edit masks: a mask describes the characters of a formatted text, position by position.
//
// A mask is up to three fields joined by ';': the mask itself, whether the text keeps the
// mask's literal characters ("0": no, anything else or nothing: yes) and the blank character.
// In the mask: 0 9 # L l A a C c are places for a character of the text (digit, letter,
// letter or digit, any character; upper case required, lower case optional); \ makes the next
// character a literal; ! aligns the text to the right; > < and <> set letter case while typing
// and take no place; _ is a blank; : and / are the time and date separators; every other
// character is a literal.
#include <string>
#include <string_view>

namespace rt {

// Value laid into the mask. Without kept literals the value holds only the characters of the
// places: literals are inserted between them, places past the value's end are Blank, and
// characters past the last place stay at the end (with ! the value fills the places from the
// right). With kept literals the value already holds the literals; the mask only pads it to
// its full length. Letter case is left as it is.
std::u16string FormatMaskText(std::u16string_view EditMask, std::u16string_view Value, char16_t Blank = u' ');

} // namespace rt
