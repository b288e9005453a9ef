#pragma once
// The font files installed on the system, found the way the graphics system finds a font: by
// family name and style, with the system's own substitute when the family is not installed.
#include <cstdint>
#include <string>
#include <vector>

namespace gfx {

struct TFontFile {
  std::string FileName;
  int FaceIndex = 0;   // the face inside a collection file
  std::string Family;  // the family of the face that was found
};

// The TrueType or OpenType file the system picks for the family and style; false when the
// system has no such font file at all.
bool FindFontFile(const std::string& Family, bool Bold, bool Italic, TFontFile& File);

// The bytes of that file: a whole collection when the face lives in one (as the collection's
// "ttcf" data), otherwise the whole font file. Empty when no file is found or it cannot be read.
std::vector<std::uint8_t> GetFontData(const std::string& Family, bool Bold, bool Italic);

// The family names a report may choose: those of the alias table (FontAliases) and every
// installed family with TrueType tables, each once (letter case ignored), in alphabetical order
// ignoring case. Read from the system once per process.
const std::vector<std::string>& FontFamilyNames();

} // namespace gfx
