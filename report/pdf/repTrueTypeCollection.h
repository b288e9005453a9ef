#pragma once
// The file data of one font as the system gives it (a single TrueType font or a collection),
// the face that matches a font, and subsets of that face.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "report/pdf/repTrueTypeFont.h"

class TrueTypeCollection : public TTF_Helpers {
public:
  std::vector<std::unique_ptr<TrueTypeFont>> fonts_collection;

  // Creates one face per font of the file: "TrueType font format error" for data that is no
  // TrueType file, "Unknown font collection version" for a collection of another version. A
  // file with compact (CFF) outlines gives no face. The data stays the caller's and must
  // outlive the collection; subsetting rewrites it.
  void Initialize(std::uint8_t* FD, std::size_t FontDataSize);
  // The face whose full or family name is the font's name (with " Bold" and " Italic" for its
  // style); otherwise the first face, with FSubstitutionName set. nullptr without faces.
  TrueTypeFont* LoadFont(const std::string& Name, bool Bold, bool Italic);
  // A standalone font file of ttf that keeps the outlines of the given glyphs.
  std::vector<std::uint8_t> PackFont(TrueTypeFont* ttf, const std::vector<std::uint16_t>& UsedAlphabet);
};
