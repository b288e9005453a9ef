#include "report/pdf/repExportPDFObjects.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gfx/FontFace.h"
#include "platform/rt/SysUtils.h"
#include "report/pdf/repTrueTypeCollection.h"
#include "report/pdf/repmd5.h"

// ---- TrepPDFFont

TrepPDFFont::TrepPDFFont(const gfx::TFontFace* Face) : FFace(Face) {
  // Glyph 0 is always in a subset: readers draw it for codes the font lacks.
  UseGlyph(0, {});
}

void TrepPDFFont::UseGlyph(std::uint16_t Glyph, std::u16string_view Text) {
  // The missing glyph replaces any character the face lacks: it stands for no text.
  if (Glyph == 0) Text = {};
  auto It = FIndex.find(Glyph);
  if (It == FIndex.end()) {
    FIndex.emplace(Glyph, FUsed.size());
    FUsed.push_back(Glyph);
    FUnicode.emplace_back(Text);
  } else if (FUnicode[It->second].empty() && !Text.empty()) {
    FUnicode[It->second].assign(Text);
  }
}

double TrepPDFFont::ToThousandths(int FontUnits) const {
  return FontUnits * 1000.0 / FFace->UnitsPerEm();
}

int TrepPDFFont::GlyphWidth(std::uint16_t Glyph) const {
  if (FWidths.empty()) FWidths.assign(static_cast<std::size_t>(std::clamp(FFace->Metrics().NumGlyphs, 1, 65536)), -1);
  if (Glyph >= FWidths.size()) return static_cast<int>(std::lround(ToThousandths(FFace->GlyphAdvance(Glyph))));
  std::int32_t& W = FWidths[Glyph];
  if (W < 0) W = static_cast<std::int32_t>(std::lround(ToThousandths(FFace->GlyphAdvance(Glyph))));
  return W;
}

std::string TrepPDFFont::GetFontName() const {
  // The family without blanks, and the style as the usual suffix.
  std::string Base;
  for (unsigned char C : FFace->Family()) {
    if (C <= 32 || C >= 127 || std::strchr("()<>[]{}/%#", C)) continue;
    Base += static_cast<char>(C);
  }
  if (Base.empty()) Base = "Font";
  if (FFace->Bold() && FFace->Italic()) Base += ",BoldItalic";
  else if (FFace->Bold()) Base += ",Bold";
  else if (FFace->Italic()) Base += ",Italic";
  // The tag: six capitals from the digest of the used glyphs.
  std::string Glyphs;
  for (std::uint16_t G : FUsed) {
    Glyphs += static_cast<char>(G >> 8);
    Glyphs += static_cast<char>(G & 0xFF);
  }
  std::uint8_t Digest[16];
  MD5Bytes(Glyphs.data(), Glyphs.size(), Digest);
  std::string Tag;
  for (int I = 0; I < 6; ++I) Tag += static_cast<char>('A' + Digest[I] % 26);
  return Tag + "+" + Base;
}

std::vector<std::uint8_t> TrepPDFFont::PackTTFFont() const {
  std::vector<std::uint8_t> Data = FFace->FileData();
  if (Data.size() < 4) return {};
  TrueTypeCollection Collection;
  Collection.Initialize(Data.data(), Data.size());
  if (Collection.fonts_collection.empty()) return {};
  const std::size_t Index = static_cast<std::size_t>(std::max(0, FFace->FaceIndex()));
  if (Index >= Collection.fonts_collection.size()) return {};
  // A PDF reader draws glyphs by index: layout, kerning, bitmap and signature tables are of no
  // use to it and would only make every document larger.
  static const std::vector<std::string> LeftOut{"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "MATH", "kern", "morx",
                                                "feat", "FFTM", "DSIG", "EBLC", "EBDT", "EBSC", "hdmx", "VDMX",
                                                "LTSH", "PCLT", "vhea", "vmtx", "gasp", "meta"};
  TrueTypeFont* Face = Collection.fonts_collection[Index].get();
  Face->PrepareFont(LeftOut);
  return Collection.PackFont(Face, FUsed);
}

TRemapedString TrepPDFFont::SoftRemapString(std::u16string_view Str, bool RTL, bool IsIndexes) {
  TRemapedString RS;
  RS.IsValidCharWidth = true;
  if (Str.empty()) return RS;
  const unsigned Space = FFace->GlyphIndex(U' ');
  auto Add = [&](std::uint16_t G, int Advance, std::u16string_view Text) {
    UseGlyph(G, Text);
    RS.Data.push_back(static_cast<char16_t>(G));
    const int W = static_cast<int>(std::lround(ToThousandths(Advance)));
    RS.CharWidth.push_back(W);
    RS.Width += W;
    if (G == Space) ++RS.SpacesCount;
  };
  if (IsIndexes) {
    for (char16_t G : Str) Add(static_cast<std::uint16_t>(G), FFace->GlyphAdvance(G), {});
    return RS;
  }
  // One face only: characters the face lacks keep its missing glyph rather than another face.
  std::size_t Characters = 0;
  for (std::size_t I = 0; I < Str.size(); ++I)
    if (!(Str[I] >= 0xDC00 && Str[I] < 0xE000)) ++Characters;
  for (const TShapedRun& Run : ShapeText(FFace, Str, RTL)) {
    if (Run.Face == FFace) {
      for (const TShapedGlyph& G : Run.Glyphs) Add(G.Glyph, G.Advance, G.Text);
    } else {
      for (const TShapedGlyph& G : Run.Glyphs)
        if (!G.Text.empty()) Add(0, FFace->GlyphAdvance(0), G.Text);
    }
  }
  RS.IsHasLigatures = RS.Data.size() < Characters;
  return RS;
}

// ---- TPDFObjectsHelper

void TPDFObjectsHelper::Clear() {
  FFonts.clear();
  FFontOfFace.clear();
  FPageFonts.clear();
  FXRef.clear();
}

int TPDFObjectsHelper::UpdateXRef() {
  FXRef.push_back(Position ? Position() : 0);
  return static_cast<int>(FXRef.size());
}

void TPDFObjectsHelper::SetXRef(int Number) {
  if (Number < 1 || static_cast<std::size_t>(Number) > FXRef.size())
    throw rt::Exception("PDF object " + std::to_string(Number) + " was never reserved");
  FXRef[static_cast<std::size_t>(Number - 1)] = Position ? Position() : 0;
}

TrepPDFFont* TPDFObjectsHelper::GetGlobalFont(const gfx::TFontFace* Face) {
  auto It = FFontOfFace.find(Face);
  if (It != FFontOfFace.end()) return It->second;
  if (FFonts.size() >= MaxPDFFonts) throw rt::Exception("Too many fonts in one PDF document");
  auto Font = std::make_unique<TrepPDFFont>(Face);
  Font->Name = "/F" + std::to_string(FFonts.size());
  TrepPDFFont* Result = Font.get();
  FFonts.push_back(std::move(Font));
  FFontOfFace.emplace(Face, Result);
  return Result;
}

int TPDFObjectsHelper::FindXObject(const TrepPDFXObjectHash& Hash) const {
  for (std::size_t I = 0; I < FXObjects.size(); ++I)
    if (FXObjects[I].Hash == Hash) return static_cast<int>(I);
  return -1;
}

int TPDFObjectsHelper::AddXObject(int Id, const TrepPDFXObjectHash& Hash) {
  if (FXObjects.size() >= MaxPDFImages) throw rt::Exception("Too many images in one PDF document");
  FXObjects.push_back({Id, Hash});
  return static_cast<int>(FXObjects.size() - 1);
}

void TPDFObjectsHelper::AddUsedObject(int Index) {
  if (std::find(FUsedXObjects.begin(), FUsedXObjects.end(), Index) == FUsedXObjects.end())
    FUsedXObjects.push_back(Index);
}

void TPDFObjectsHelper::AddPageFont(TrepPDFFont* Font) {
  if (std::find(FPageFonts.begin(), FPageFonts.end(), Font) == FPageFonts.end()) FPageFonts.push_back(Font);
}

// ---- Simulated styles and corrections

namespace {

struct TCorrection {
  const char* Name;
  double Factors[10];  // sizes 6 .. 15
};
// Monospaced faces whose advances at small sizes need a nudge to match the screen layout.
const TCorrection Corrections[] = {
    {"Consolas", {0.986, 1.002, 1.012, 0.997, 1.008, 1.016, 1.002, 0.994, 1.002, 1.007}},
    {"Courier New", {1.004, 1.005, 1.002, 1.003, 1.004, 1.002, 1.004, 1.004, 1.004, 1.003}},
    {"Lucida Console", {1.0, 1.0, 0.998, 0.998, 0.998, 0.998, 0.999, 0.999, 1.0, 0.998}},
};

bool SameNameNoCase(const std::string& A, const char* B) {
  const std::size_t N = std::strlen(B);
  if (A.size() != N) return false;
  for (std::size_t I = 0; I < N; ++I)
    if (std::tolower(static_cast<unsigned char>(A[I])) != std::tolower(static_cast<unsigned char>(B[I]))) return false;
  return true;
}

} // namespace

double FontCorrectionFactor(const std::string& Name, int Size) {
  if (Size < 6 || Size > 15) return 1.0;
  for (const TCorrection& C : Corrections)
    if (SameNameNoCase(Name, C.Name)) return C.Factors[Size - 6];
  return 1.0;
}

double PDFFontSize(const gfx::TFont& Font) {
  const double V = Font.Size() * 0.9964722222222222 * FontCorrectionFactor(Font.Name(), Font.Size());
  return std::nearbyint(V * 1000) / 1000;  // ties to even in the default rounding mode
}

bool BoldSimulationText(const gfx::TFont& Font, const gfx::TFontFace* Face, std::string& Text) {
  Text.clear();
  if (!gfx::HasStyle(Font.Style(), gfx::fsBold) || !Face || Face->Bold()) return false;
  const gfx::TColor C = Font.Color() == gfx::clNone ? gfx::clBlack : Font.Color();
  Text = "2 Tr " + PDFFixed(Font.Size() / 35.0, 2) + " w " + PDFColorText(C) + " RG";
  return true;
}

bool ItalicSimulationText(const gfx::TFont& Font, const gfx::TFontFace* Face, std::string& Text) {
  Text.clear();
  if (!gfx::HasStyle(Font.Style(), gfx::fsItalic) || !Face || Face->Italic()) return false;
  Text = "1 0 0.25 1";
  return true;
}
