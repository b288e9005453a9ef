#pragma once
// Small helpers of the export, and the remapped text that the export font hands to the text
// writers.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A text as glyph indices of one font, with advances in thousandths of the em.
struct TRemapedString {
  std::u16string Data;            // one code unit per glyph, holding the glyph index
  int Width = 0;                  // sum of the advances other than -1
  int SpacesCount = 0;            // glyphs with index 3, the space glyph
  bool IsValidCharWidth = false;  // every advance below 65535
  std::vector<int> CharWidth;     // the advance of each glyph, in output order
  bool IsHasLigatures = false;    // fewer glyphs than the text has characters
  bool IsAverageDx = false;       // position corrections are spread evenly
  std::vector<bool> IsSpace;      // per character, with IsAverageDx: a kind of space
};

// True when the first "<" of Text is followed by a ">" and what lies between them, in upper
// case, is a formatting tag of memo text (B, I, U, SUB, SUP, STRIKE, NOWRAP or FONT COLOR...).
bool HasHTMLTag(std::u16string_view Text);
inline bool HasAllFlags(std::uint32_t Value, std::uint32_t Mask) { return (Value & Mask) == Mask; }
// The sum modulo 2^32.
std::uint32_t SumLongWords(const std::uint32_t* Values, std::size_t Count);
inline std::uint32_t SumLongWords(const std::vector<std::uint32_t>& Values) {
  return SumLongWords(Values.data(), Values.size());
}
