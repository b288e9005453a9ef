#include "report/pdf/repExportPDFObjects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "platform/gfx/FontFace.h"
#include "platform/rt/SysUtils.h"
#include "report/pdf/repTrueTypeCollection.h"
#include "report/pdf/repmd5.h"

// ---- TrepPDFFont

std::string TrepPDFFont::GetFontName() const {
  // The family without blanks, and the style as the usual suffix.
  std::string Base;
  for (unsigned char C : Face()->Family()) {
    if (C <= 32 || C >= 127 || std::strchr("()<>[]{}/%#", C)) continue;
    Base += static_cast<char>(C);
  }
  if (Base.empty()) Base = "Font";
  if (Face()->Bold() && Face()->Italic()) Base += ",BoldItalic";
  else if (Face()->Bold()) Base += ",Bold";
  else if (Face()->Italic()) Base += ",Italic";
  // The tag: six capitals from the digest of the used glyphs.
  std::string Glyphs;
  for (std::uint16_t G : UsedAlphabet()) {
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
  std::vector<std::uint8_t> Data = Face()->FileData();
  if (Data.size() < 4) return {};
  TrueTypeCollection Collection;
  Collection.Initialize(Data.data(), Data.size());
  if (Collection.fonts_collection.empty()) return {};
  const std::size_t Index = static_cast<std::size_t>(std::max(0, Face()->FaceIndex()));
  if (Index >= Collection.fonts_collection.size()) return {};
  // A PDF reader draws glyphs by index: layout, kerning, bitmap, glyph-name and signature tables
  // are of no use to it and would only make every document larger (the glyph names of a CJK
  // face alone are half a megabyte).
  static const std::vector<std::string> LeftOut{"GSUB", "GPOS", "GDEF", "BASE", "JSTF", "MATH", "kern", "morx",
                                                "feat", "FFTM", "DSIG", "EBLC", "EBDT", "EBSC", "hdmx", "VDMX",
                                                "LTSH", "PCLT", "vhea", "vmtx", "gasp", "meta", "post"};
  TrueTypeFont* Face = Collection.fonts_collection[Index].get();
  Face->PrepareFont(LeftOut);
  return Collection.PackFont(Face, UsedAlphabet());
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

std::string FoldedName(const std::string& Name) {
  std::string R = Name;
  for (char& C : R) C = static_cast<char>(std::tolower(static_cast<unsigned char>(C)));
  return R;
}

struct TFontLists {
  std::mutex Lock;
  TPDFFontSimulationList Simulations;
  TPDFFontCorrectionList Corrections;
  TFontLists() {
    const gfx::TFontStyles BoldItalic = gfx::FontStyles({gfx::fsBold, gfx::fsItalic});
    for (const char* Name : {"\uFF2D\uFF33 \u30B4\u30B7\u30C3\u30AF", "\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF",
                             "\uFF2D\uFF33 \u660E\u671D", "\uFF2D\uFF33 \uFF30\u660E\u671D", "MS UI Gothic", "Arial Black"})
      Simulations.AddFont(Name, BoldItalic);
    Simulations.AddFont("Tahoma", gfx::FontStyles({gfx::fsItalic}));
    // Monospaced faces whose advances at small sizes need a nudge to match the screen layout.
    struct TRow {
      const char* Name;
      double Factors[10];  // sizes 6 .. 15
    };
    const TRow Rows[] = {
        {"Consolas", {0.986, 1.002, 1.012, 0.997, 1.008, 1.016, 1.002, 0.994, 1.002, 1.007}},
        {"Courier New", {1.004, 1.005, 1.002, 1.003, 1.004, 1.002, 1.004, 1.004, 1.004, 1.003}},
        {"Lucida Console", {1.0, 1.0, 0.998, 0.998, 0.998, 0.998, 0.999, 0.999, 1.0, 0.998}},
    };
    for (const TRow& R : Rows)
      for (int Size = 6; Size <= 15; ++Size) Corrections.AddCorrection(R.Name, Size, R.Factors[Size - 6]);
  }
};

TFontLists& FontLists() {
  static TFontLists L;
  return L;
}

} // namespace

void TPDFFontSimulationList::AddFont(const std::string& Name, gfx::TFontStyles FontStyles) {
  if (FontStyles == 0) return;
  for (auto& S : FItems)
    if (S->IsName(Name)) {
      S->AddStyles(FontStyles);
      return;
    }
  FItems.push_back(std::make_unique<TPDFFontSimulation>(Name, FontStyles));
}

const TPDFFontSimulation* TPDFFontSimulationList::FindSimulation(const std::string& Name) const {
  for (const auto& S : FItems)
    if (S->IsName(Name)) return S.get();
  return nullptr;
}

bool TPDFFontSimulationList::IsNeedsBold(const std::string& Name) const {
  const TPDFFontSimulation* S = FindSimulation(Name);
  return S && S->IsStyle(gfx::fsBold);
}

bool TPDFFontSimulationList::IsNeedsItalic(const std::string& Name) const {
  const TPDFFontSimulation* S = FindSimulation(Name);
  return S && S->IsStyle(gfx::fsItalic);
}

double TPDFFontCorrection::GetCorrection(int Index) const {
  return Index < 0 || Index > 64 ? 1.0 : FCorrection[static_cast<std::size_t>(Index)];
}

void TPDFFontCorrection::SetCorrection(int Index, double Value) {
  if (Index >= 0 && Index <= 64) FCorrection[static_cast<std::size_t>(Index)] = Value;
}

void TPDFFontCorrectionList::AddCorrection(const std::string& FontName, int FontSize, double Factor) {
  auto& C = FItems[FoldedName(FontName)];
  if (!C) C = std::make_unique<TPDFFontCorrection>();
  C->SetCorrection(FontSize, Factor);
}

void TPDFFontCorrectionList::DeleteCorrection(const std::string& FontName) { FItems.erase(FoldedName(FontName)); }

double TPDFFontCorrectionList::GetCorrection(const std::string& FontName, int FontSize) const {
  auto It = FItems.find(FoldedName(FontName));
  return It == FItems.end() ? 1.0 : It->second->GetCorrection(FontSize);
}

void AddFontSimulation(const std::string& Name, gfx::TFontStyles FontStyles) {
  TFontLists& L = FontLists();
  std::lock_guard<std::mutex> G(L.Lock);
  L.Simulations.AddFont(Name, FontStyles);
}

void AddFontCorrection(const std::string& FontName, int FontSize, double Factor) {
  TFontLists& L = FontLists();
  std::lock_guard<std::mutex> G(L.Lock);
  L.Corrections.AddCorrection(FontName, FontSize, Factor);
}

double FontCorrectionFactor(const std::string& Name, int Size) {
  TFontLists& L = FontLists();
  std::lock_guard<std::mutex> G(L.Lock);
  return L.Corrections.GetCorrection(Name, Size);
}

gfx::TFontStyles SimulatedFontStyle(const gfx::TFont& Font) {
  gfx::TFontStyles S = Font.Style();
  TFontLists& L = FontLists();
  std::lock_guard<std::mutex> G(L.Lock);
  if (gfx::HasStyle(S, gfx::fsBold) && L.Simulations.IsNeedsBold(Font.Name())) S &= ~(1u << gfx::fsBold);
  if (gfx::HasStyle(S, gfx::fsItalic) && L.Simulations.IsNeedsItalic(Font.Name())) S &= ~(1u << gfx::fsItalic);
  return S;
}

double TrepPDFFont::SpaceAdjustment(const TRemapedString& RS, double TextWidth, double FontSize) {
  if (RS.SpacesCount == 0) return 0;
  if (FontSize == 0) return static_cast<double>(RS.Width) / RS.SpacesCount;
  return (RS.Width - TextWidth * 1000 / FontSize) / RS.SpacesCount;
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
