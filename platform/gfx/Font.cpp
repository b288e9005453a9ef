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

rt::TClass TFont::ClassInfo() {
  auto F = [](rt::TObject* O) { return static_cast<TFont*>(O); };
  auto IntProp = [F](const char* Name, const char* Type, int (TFont::*Get)() const, void (TFont::*Set)(int)) {
    return rt::TPropInfo(Name, rt::tkInteger, Type, [F, Get](rt::TObject* O) { return rt::Variant((F(O)->*Get)()); },
                         [F, Set](rt::TObject* O, const rt::Variant& V) { (F(O)->*Set)(V.ToInteger()); });
  };
  static const rt::TClassInfo Info(
      "TFont", rt::TObject::ClassInfo(), [] { return new TFont; },
      {IntProp("Charset", "TFontCharset", &TFont::Charset, &TFont::SetCharset).WithDefault(DEFAULT_CHARSET),
       IntProp("Color", "TColor", &TFont::Color, &TFont::SetColor),
       IntProp("Height", "Integer", &TFont::Height, &TFont::SetHeight),
       rt::TPropInfo("Name", rt::tkString, "TFontName", [F](rt::TObject* O) { return rt::Variant(F(O)->Name()); },
                     [F](rt::TObject* O, const rt::Variant& V) { F(O)->SetName(V.ToString()); }),
       rt::TPropInfo("Pitch", rt::tkEnumeration, "TFontPitch",
                     [F](rt::TObject* O) { return rt::Variant(static_cast<int>(F(O)->Pitch())); },
                     [F](rt::TObject* O, const rt::Variant& V) {
                       const int I = V.ToInteger();
                       if (I < fpDefault || I > fpFixed) throw rt::EConvertError("Invalid property value");
                       F(O)->SetPitch(static_cast<TFontPitch>(I));
                     })
           .WithEnumNames({"fpDefault", "fpVariable", "fpFixed"})
           .WithDefault(fpDefault),
       IntProp("Size", "Integer", &TFont::Size, &TFont::SetSize).WithStored([](rt::TObject*) { return false; }),
       rt::TPropInfo("Style", rt::tkSet, "TFontStyles",
                     [F](rt::TObject* O) { return rt::Variant(static_cast<int>(F(O)->Style())); },
                     [F](rt::TObject* O, const rt::Variant& V) { F(O)->SetStyle(static_cast<TFontStyles>(V.ToInteger())); })
           .WithDefault(0)});
  return &Info;
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
