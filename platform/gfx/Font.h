#pragma once
// Font values of the drawing code: a family name, a size in points, a colour, a style and a
// character set. A font tells its owner when it changes, so that objects whose font follows
// another one can pass a change on. Measuring text with a font is not part of this value.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/gfx/Graphics.h"
#include "platform/rt/Classes.h"
#include "platform/rt/TypInfo.h"

namespace gfx {

// The colour value that means "no colour" (nothing is painted).
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;

// Character sets of fonts.
inline constexpr int ANSI_CHARSET = 0;
inline constexpr int DEFAULT_CHARSET = 1;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
// A set of TFontStyle: bit (1 << style); as an integer 0..15.
using TFontStyles = unsigned;
inline constexpr TFontStyles FontStyles(std::initializer_list<TFontStyle> Styles) {
  TFontStyles R = 0;
  for (TFontStyle S : Styles) R |= 1u << S;
  return R;
}
inline constexpr bool HasStyle(TFontStyles Set, TFontStyle S) { return (Set & (1u << S)) != 0; }

enum TFontPitch { fpDefault, fpVariable, fpFixed };

class TFont : public rt::TObject {
public:
  // Published as files store fonts: Charset, Color, Height, Name, Pitch, Style (Size is
  // derived from Height and not stored).
  RT_CLASS_INFO(TFont)
  // "Arial", 10 points, black, regular, DEFAULT_CHARSET, 96 pixels per inch.
  TFont() = default;
  TFont(const TFont&) = delete;
  TFont& operator=(const TFont&) = delete;

  const std::string& Name() const { return FName; }
  // An empty name is ignored, as the graphics system does.
  void SetName(std::string_view Value);
  // Points.
  int Size() const { return FSize; }
  void SetSize(int Value);
  // Pixels at PixelsPerInch, negative for the character height without internal leading:
  // -MulDiv(Size, PixelsPerInch, 72).
  int Height() const;
  void SetHeight(int Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);
  int Charset() const { return FCharset; }
  void SetCharset(int Value);
  TFontPitch Pitch() const { return FPitch; }
  void SetPitch(TFontPitch Value);

  // Copies name, size, colour, style, character set and pitch (not PixelsPerInch: the size in
  // points is what carries over) and reports one change.
  void Assign(const TFont& Source);
  // Same name (letter case ignored), size, colour, style, character set and pitch.
  bool SameAs(const TFont& Other) const;

  // The resolution Height is measured in; changing it reports no change.
  int PixelsPerInch = 96;
  // Called after every change of a value (not when a setter is given the current value).
  std::function<void(TFont& Sender)> OnChange;

private:
  void Changed();
  std::string FName = "Arial";
  int FSize = 10;
  TColor FColor = clBlack;
  TFontStyles FStyle = 0;
  int FCharset = DEFAULT_CHARSET;
  TFontPitch FPitch = fpDefault;
};

// Value * Numerator / Denominator rounded to the nearest integer (halves away from zero); -1
// when Denominator is 0.
int MulDiv(int Value, int Numerator, int Denominator);

} // namespace gfx
