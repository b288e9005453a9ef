#include "platform/gfx/Font.h"

#include <cstdlib>

#include "platform/rt/SysUtils.h"

namespace gfx {

int MulDiv(int Value, int Numerator, int Denominator) {
  if (Denominator == 0) return -1;
  const long long P = static_cast<long long>(Value) * Numerator;
  long long Q = P / Denominator;
  const long long R = P % Denominator;
  if (2 * std::llabs(R) >= std::llabs(static_cast<long long>(Denominator)))
    Q += ((P < 0) != (Denominator < 0)) ? -1 : 1;
  return static_cast<int>(Q);
}

void TFont::Changed() {
  if (OnChange) OnChange(*this);
}

void TFont::SetName(std::string_view Value) {
  if (Value.empty() || Value == FName) return;
  FName = Value;
  Changed();
}

void TFont::SetSize(int Value) {
  if (Value == FSize) return;
  FSize = Value;
  Changed();
}

int TFont::Height() const { return -MulDiv(FSize, PixelsPerInch, 72); }

void TFont::SetHeight(int Value) { SetSize(-MulDiv(Value, 72, PixelsPerInch)); }

void TFont::SetColor(TColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

void TFont::SetStyle(TFontStyles Value) {
  Value &= 15;
  if (Value == FStyle) return;
  FStyle = Value;
  Changed();
}

void TFont::SetCharset(int Value) {
  Value &= 0xFF;
  if (Value == FCharset) return;
  FCharset = Value;
  Changed();
}

void TFont::SetPitch(TFontPitch Value) {
  if (Value == FPitch) return;
  FPitch = Value;
  Changed();
}

void TFont::Assign(const TFont& Source) {
  if (&Source == this) return;
  if (!Source.FName.empty()) FName = Source.FName;
  FSize = Source.FSize;
  FColor = Source.FColor;
  FStyle = Source.FStyle;
  FCharset = Source.FCharset;
  FPitch = Source.FPitch;
  Changed();
}

bool TFont::SameAs(const TFont& Other) const {
  return rt::SameText(FName, Other.FName) && FSize == Other.FSize && FColor == Other.FColor &&
         FStyle == Other.FStyle && FCharset == Other.FCharset && FPitch == Other.FPitch;
}

} // namespace gfx
