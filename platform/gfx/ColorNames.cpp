#include "platform/gfx/ColorNames.h"

#include <cstdint>
#include <cstdio>

#include "platform/rt/SysUtils.h"

namespace gfx {

namespace {

// System colours are the system colour index above this base.
constexpr TColor Sys(int Index) { return static_cast<TColor>(0xFF000000u + static_cast<unsigned>(Index)); }

constexpr TColorName Names[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
    {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0}, {"clRed", 0x0000FF}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
    {"clActiveBorder", Sys(10)}, {"clActiveCaption", Sys(2)}, {"clAppWorkSpace", Sys(12)},
    {"clBackground", Sys(1)}, {"clBtnFace", Sys(15)}, {"clBtnHighlight", Sys(20)}, {"clBtnShadow", Sys(16)},
    {"clBtnText", Sys(18)}, {"clCaptionText", Sys(9)}, {"clDefault", 0x20000000},
    {"clGradientActiveCaption", Sys(27)}, {"clGradientInactiveCaption", Sys(28)}, {"clGrayText", Sys(17)},
    {"clHighlight", Sys(13)}, {"clHighlightText", Sys(14)}, {"clHotLight", Sys(26)},
    {"clInactiveBorder", Sys(11)}, {"clInactiveCaption", Sys(3)}, {"clInactiveCaptionText", Sys(19)},
    {"clInfoBk", Sys(24)}, {"clInfoText", Sys(23)}, {"clMenu", Sys(4)}, {"clMenuBar", Sys(30)},
    {"clMenuHighlight", Sys(29)}, {"clMenuText", Sys(7)}, {"clNone", 0x1FFFFFFF}, {"clScrollBar", Sys(0)},
    {"cl3DDkShadow", Sys(21)}, {"cl3DLight", Sys(22)}, {"clWindow", Sys(5)}, {"clWindowFrame", Sys(6)},
    {"clWindowText", Sys(8)},
};

bool SameAscii(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I) {
    char X = A[I], Y = B[I];
    if (X >= 'A' && X <= 'Z') X = static_cast<char>(X - 'A' + 'a');
    if (Y >= 'A' && Y <= 'Z') Y = static_cast<char>(Y - 'A' + 'a');
    if (X != Y) return false;
  }
  return true;
}

} // namespace

std::span<const TColorName> ColorNames() { return Names; }

bool IdentToColor(std::string_view Name, TColor& Color) {
  for (const TColorName& N : Names)
    if (SameAscii(N.Name, Name)) {
      Color = N.Value;
      return true;
    }
  return false;
}

bool ColorToIdent(TColor Color, std::string& Name) {
  for (const TColorName& N : Names)
    if (N.Value == Color) {
      Name = N.Name;
      return true;
    }
  return false;
}

std::string ColorToString(TColor Color) {
  std::string Name;
  if (ColorToIdent(Color, Name)) return Name;
  char Buf[16];
  std::snprintf(Buf, sizeof Buf, "$%.8X", static_cast<unsigned>(static_cast<std::uint32_t>(Color)));
  return Buf;
}

TColor StringToColor(std::string_view Text) {
  TColor Color;
  if (IdentToColor(Text, Color)) return Color;
  // System colours have the top bit set, so their numbers only fit 32 bits unsigned.
  long long V = 0;
  const std::string S(Text);
  if (!rt::TryStrToInt64(S, V) || V < INT32_MIN || V > static_cast<long long>(UINT32_MAX))
    throw rt::EConvertError("'" + S + "' is not a valid integer value");
  return static_cast<TColor>(static_cast<std::uint32_t>(V));
}

} // namespace gfx
