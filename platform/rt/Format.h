#pragma once
// Format: texts built from a pattern and a list of typed arguments (the runtime's open-array
// argument records, TVarRec).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Variants.h"

namespace rt {

// One argument of Format: a kind tag and its value. The record owns what it holds.
struct TVarRec {
  enum TKind {
    vtInteger, vtBoolean, vtChar, vtExtended, vtString, vtPointer, vtPChar, vtObject, vtClass, vtWideChar,
    vtPWideChar, vtAnsiString, vtCurrency, vtVariant, vtInterface, vtWideString, vtInt64, vtUnicodeString
  };
  TKind VType = vtInteger;
  std::int64_t VInteger = 0;  // vtInteger, vtInt64; vtBoolean 0 or 1; vtChar, vtWideChar the code
  double VExtended = 0;       // vtExtended, vtCurrency
  std::u16string VString;     // the text kinds (vtString holds at most 255 characters)
  const void* VPointer = nullptr;  // vtPointer, vtObject, vtClass (its class name in VString)
  Variant VVariant;                // vtVariant

  static TVarRec Integer(int V);
  static TVarRec Int64(std::int64_t V);
  static TVarRec Boolean(bool V);
  static TVarRec WideChar(char16_t V);
  static TVarRec Extended(double V);
  static TVarRec Currency(double V);
  static TVarRec UnicodeString(std::u16string V);
  static TVarRec WideString(std::u16string V);
  // A short string: cut to 255 characters.
  static TVarRec ShortString(std::u16string V);
  static TVarRec OfVariant(const Variant& V);
  static TVarRec Pointer(const void* V);
  static TVarRec Object(const TObject* V);
};

// The pattern's text with each format specifier replaced by its argument:
//   "%" [index ":"] ["-"] [width] ["." precision] type
// index, width and precision are numbers or "*" (taken from the next integer argument); "-"
// pads on the right. Types, letter case ignored: d (integer; precision = least digits), u
// (unsigned), x (hexadecimal), e (scientific, precision 15 by default), f (fixed, 2 decimals
// by default), g (general, 15 digits), n (fixed with thousands separators), m (money: "$1.00",
// negative "($1.00)"), s (text; precision = most characters), p (pointer). "%%" is a percent
// sign. An argument of the wrong kind, an unknown type or a broken specifier raises
// EConvertError "Format 'pattern' invalid or incompatible with argument"; a specifier without
// an argument "No argument for format 'pattern'".
std::u16string Format(std::u16string_view Pattern, const std::vector<TVarRec>& Args);
std::string Format(std::string_view Pattern, const std::vector<TVarRec>& Args);  // UTF-8

} // namespace rt
