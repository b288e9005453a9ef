#include "report/pdf/repExportPDFHelpers.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/gfx/Graphics.h"
#include "platform/rt/Unicode.h"
#include "report/pdf/repCrypto.h"
#include "report/pdf/repRC4.h"
#include "report/pdf/repmd5.h"

namespace {

constexpr TColor NoColor = 0x1FFFFFFF;

const char* const VersionTexts[] = {"1.4", "1.5", "1.6", "1.7"};
const char* const StandardTexts[] = {"None",     "PDF/A-1a", "PDF/A-1b", "PDF/A-2a",
                                     "PDF/A-2b", "PDF/A-3a", "PDF/A-3b"};
const char* const PartTexts[] = {"", "1", "1", "2", "2", "3", "3"};
const char* const ConformanceTexts[] = {"", "A", "B", "A", "B", "A", "B"};

void AppendHex4(std::string& Out, char16_t C) {
  static const char Digits[] = "0123456789ABCDEF";
  for (int Shift = 12; Shift >= 0; Shift -= 4) Out += Digits[(C >> Shift) & 15];
}

} // namespace

// ---- Numbers, points, colours, rectangles

std::string PDFFixed(double Value, int Decimals) {
  Decimals = std::clamp(Decimals, 0, 10);
  if (std::isnan(Value)) Value = 0;
  Value = std::clamp(Value, -MaxPDFReal, MaxPDFReal);
  // The runtime's text rounds halves away from zero on the decimal form, which the rest of
  // the report engine relies on; it is exact while the value has fewer than 15 integer digits.
  // Values clear of a half are rounded here directly: a page writes many thousands of them.
  static constexpr double Powers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6};
  const double A = std::fabs(Value);
  if (A < 1e9 && Decimals <= 6) {
    const double Scaled = A * Powers[Decimals];
    const double Floor = std::floor(Scaled);
    const double Frac = Scaled - Floor;
    const auto N = static_cast<unsigned long long>(Floor) + (Frac > 0.5 ? 1 : 0);
    if (std::fabs(Frac - 0.5) > 1e-6 && (N != 0 || Value >= 0)) {
      char Digits[32];
      int Len = 0;
      for (unsigned long long V = N; V > 0 || Len <= Decimals; V /= 10) Digits[Len++] = static_cast<char>('0' + V % 10);
      std::reverse(Digits, Digits + Len);
      std::string R;
      R.reserve(static_cast<std::size_t>(Len) + 2);
      if (Value < 0) R += '-';
      R.append(Digits, static_cast<std::size_t>(Len - Decimals));
      if (Decimals > 0) {
        R += '.';
        R.append(Digits + Len - Decimals, static_cast<std::size_t>(Decimals));
      }
      return R;
    }
  }
  if (A < 1e14) return FloatToFixedText(Value, Decimals, '.');
  char Buf[96];
  std::snprintf(Buf, sizeof Buf, "%.*f", Decimals, Value);
  return Buf;
}

std::string FloatToPDFText(double Value, int Decimals) {
  std::string S = PDFFixed(Value, Decimals);
  if (S.find('.') != std::string::npos) {
    while (!S.empty() && S.back() == '0') S.pop_back();
    if (!S.empty() && S.back() == '.') S.pop_back();
  }
  return S;
}

std::string PairToPDFText(double A, double B) { return FloatToPDFText(A, 3) + " " + FloatToPDFText(B, 3); }

std::string PointToPDFText(const TrepPoint& P) { return PairToPDFText(P.X, P.Y); }

std::string PDFColorText(TColor Color) {
  if (Color == NoColor) return "0 0 0";
  const auto RGB = static_cast<std::uint32_t>(gfx::ColorToRGB(Color));
  std::string S;
  for (int Shift = 0; Shift <= 16; Shift += 8) {
    if (Shift) S += ' ';
    S += FloatToPDFText(((RGB >> Shift) & 0xFF) / 255.0, 3);
  }
  return S;
}

std::string PDFRectText(const TrepRect& R) {
  return FloatToPDFText(R.Left, 3) + " " + FloatToPDFText(R.Bottom, 3) + " " +
         FloatToPDFText(R.Right - R.Left, 3) + " " + FloatToPDFText(R.Top - R.Bottom, 3);
}

// ---- Hexadecimal text

std::string UnicodeToHexText(std::u16string_view S) {
  std::string R;
  R.reserve(4 * S.size());
  for (char16_t C : S) AppendHex4(R, C);
  return R;
}

std::string KernedGlyphsText(const TRemapedString& RS, const std::vector<double>& Widths) {
  const std::size_t Count = std::min(Widths.size(), RS.Data.size());
  std::vector<double> D(Count);
  for (std::size_t I = 0; I < Count; ++I)
    D[I] = (I < RS.CharWidth.size() ? RS.CharWidth[I] : 0) - Widths[I];
  if (RS.IsAverageDx) {
    auto IsSpace = [&](std::size_t I) { return I < RS.IsSpace.size() && RS.IsSpace[I]; };
    double Sum = 0;
    int M = 0;
    for (std::size_t I = 0; I < Count; ++I)
      if (!IsSpace(I)) {
        Sum += D[I];
        ++M;
      }
    if (M >= 2)
      for (std::size_t I = 0; I < Count; ++I)
        if (!IsSpace(I)) D[I] = Sum / M;
  }
  // Whole thousandths, with the fractions carried on so the line keeps its total length.
  std::string Out;
  double E = 0;
  for (std::size_t I = 0; I < Count; ++I) {
    const double Whole = std::trunc(D[I]);
    long long N = static_cast<long long>(Whole);
    E += D[I] - Whole;
    if (E > 0.5) {
      ++N;
      E -= 1;
    } else if (E < -0.5) {
      --N;
      E += 1;
    }
    AppendHex4(Out, RS.Data[I]);
    if (I + 1 < Count && N != 0) Out += ">" + std::to_string(N) + "<";
  }
  return Out;
}

std::string SpacedGlyphsText(std::u16string_view Glyphs, double Adjustment) {
  const double Base = std::trunc(Adjustment);
  const double F = Adjustment - Base;
  double Carry = 0;
  std::string Out;
  for (char16_t C : Glyphs) {
    AppendHex4(Out, C);
    if (C != 3) continue;
    const double K = std::trunc(Carry + F);
    const auto N = static_cast<long long>(Base + K);
    if (N != 0) Out += ">" + std::to_string(N) + "<";
    Carry = Carry + F - K;
  }
  return Out;
}

// ---- Object syntax

std::string ObjNumberText(int N) { return std::to_string(N) + " 0 obj"; }

std::string ObjRefText(int N) { return std::to_string(N) + " 0 R"; }

std::string XRefOffsetText(std::int64_t Offset) {
  std::string S = std::to_string(Offset);
  if (S.size() < 10) S.insert(0, 10 - S.size(), '0');
  return S;
}

// ---- Output

void WritePDFRaw(rt::TStream& Stream, std::string_view S) {
  Stream.WriteBuffer(S.data(), static_cast<std::int64_t>(S.size()));
}

void WritePDFLine(rt::TStream& Stream, std::string_view S) {
  WritePDFRaw(Stream, S);
  WritePDFRaw(Stream, "\r\n");
}

void WritePDFLine(rt::TStream& Stream, std::u16string_view S) { WritePDFLine(Stream, rt::Utf16ToAnsi(S)); }

void WritePDFText(rt::TStream& Stream, std::u16string_view S) { WritePDFRaw(Stream, rt::Utf16ToAnsi(S)); }

void StreamMD5(TrepPDFXObjectHash& Hash, rt::TStream& Stream) {
  TCryptoMD5 H;
  H.Push(Stream);
  H.GetDigest(Hash.data(), static_cast<int>(Hash.size()));
}

void EncryptObjectData(rt::TStream& Source, rt::TStream& Dest, const std::uint8_t* FileKey,
                       int ObjectNumber) {
  std::uint8_t Material[21];
  std::memcpy(Material, FileKey, 16);
  const auto N = static_cast<std::uint32_t>(ObjectNumber);
  Material[16] = static_cast<std::uint8_t>(N);
  Material[17] = static_cast<std::uint8_t>(N >> 8);
  Material[18] = static_cast<std::uint8_t>(N >> 16);
  Material[19] = Material[20] = 0;  // generation 0
  std::uint8_t Key[16];
  MD5Bytes(Material, sizeof Material, Key);

  Source.SetPosition(0);
  std::string Data(static_cast<std::size_t>(Source.Size()), '\0');
  Source.ReadBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
  if (Data.empty()) return;
  TrepRC4 Cipher;
  Cipher.Start(Key, 16);
  Cipher.Crypt(Data.data(), Data.data(), static_cast<int>(Data.size()));
  Dest.WriteBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
}

// ---- Versions and standards

std::string PDFVersionText(TPDFVersion Version) {
  return Version >= pv14 && Version <= pv17 ? VersionTexts[Version] : "1.7";
}

std::string PDFStandardText(TPDFStandard Standard) {
  return Standard >= psNone && Standard <= psPDFA_3b ? StandardTexts[Standard] : "None";
}

std::string PDFAPartText(TPDFStandard Standard) {
  return Standard >= psNone && Standard <= psPDFA_3b ? PartTexts[Standard] : "";
}

std::string PDFAConformanceText(TPDFStandard Standard) {
  return Standard >= psNone && Standard <= psPDFA_3b ? ConformanceTexts[Standard] : "";
}

TPDFVersion PDFVersionFromText(const std::string& S) {
  for (int V = pv14; V <= pv17; ++V)
    if (S == VersionTexts[V]) return static_cast<TPDFVersion>(V);
  throw rt::Exception("Unknown/unsupported PDF version: \"" + S + "\"");
}

TPDFStandard PDFStandardFromText(const std::string& S) {
  for (int P = psNone; P <= psPDFA_3b; ++P)
    if (S == StandardTexts[P]) return static_cast<TPDFStandard>(P);
  throw rt::Exception("Unknown/unsupported PDF standard: \"" + S + "\"");
}

bool StandardIsPDFA(TPDFStandard Standard) { return Standard != psNone; }

bool StandardIsPDFA1(TPDFStandard Standard) { return Standard == psPDFA_1a || Standard == psPDFA_1b; }

bool PDFStandardVersion(TPDFStandard Standard, TPDFVersion& Version) {
  switch (Standard) {
    case psNone: return false;
    case psPDFA_1a:
    case psPDFA_1b: Version = pv14; return true;
    case psPDFA_2a:
    case psPDFA_2b:
    case psPDFA_3a:
    case psPDFA_3b: Version = pv17; return true;
  }
  return false;
}
