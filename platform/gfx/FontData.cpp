#include "platform/gfx/FontData.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

#include "platform/gfx/FontFace.h"

namespace gfx {

namespace {

struct PatternDeleter {
  void operator()(FcPattern* P) const { FcPatternDestroy(P); }
};
struct FontSetDeleter {
  void operator()(FcFontSet* S) const { FcFontSetDestroy(S); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;
using FontSetPtr = std::unique_ptr<FcFontSet, FontSetDeleter>;

// The process's own font configuration, read once and released at exit (the library's default
// configuration would never be released).
class TFontConfig {
public:
  TFontConfig() : FConfig(FcInitLoadConfigAndFonts()) {}
  ~TFontConfig() {
    if (FConfig) FcConfigDestroy(FConfig);
  }
  TFontConfig(const TFontConfig&) = delete;
  TFontConfig& operator=(const TFontConfig&) = delete;
  FcConfig* Get() const { return FConfig; }

private:
  FcConfig* FConfig;
};

FcConfig* Config() {
  static const TFontConfig C;
  return C.Get();
}

std::string StringOf(FcPattern* P, const char* Object) {
  FcChar8* S = nullptr;
  return FcPatternGetString(P, Object, 0, &S) == FcResultMatch && S ? reinterpret_cast<const char*>(S)
                                                                     : std::string();
}

// Only files with TrueType tables have font data to hand out (bitmap and Type 1 fonts do not).
bool IsSfnt(FcPattern* P) {
  const std::string Format = StringOf(P, FC_FONTFORMAT);
  return Format == "TrueType" || Format == "CFF";
}

bool HasFamily(FcPattern* P, const std::string& Family) {
  FcChar8* S = nullptr;
  for (int I = 0; FcPatternGetString(P, FC_FAMILY, I, &S) == FcResultMatch; ++I)
    if (S && FcStrCmpIgnoreCase(S, reinterpret_cast<const FcChar8*>(Family.c_str())) == 0) return true;
  return false;
}

// The best file fontconfig has for the family; with Exact only a face of that very family.
bool Match(const std::string& Family, bool Bold, bool Italic, bool Exact, TFontFile& File) {
  FcConfig* Cfg = Config();
  if (!Cfg) return false;
  PatternPtr Pattern(FcPatternCreate());
  if (!Pattern) return false;
  FcPatternAddString(Pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(Family.c_str()));
  FcPatternAddInteger(Pattern.get(), FC_WEIGHT, Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(Pattern.get(), FC_SLANT, Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(Pattern.get(), FC_SCALABLE, FcTrue);
  FcConfigSubstitute(Cfg, Pattern.get(), FcMatchPattern);
  FcDefaultSubstitute(Pattern.get());
  FcResult Result;
  FontSetPtr Sorted(FcFontSort(Cfg, Pattern.get(), FcTrue, nullptr, &Result));
  if (!Sorted) return false;
  for (int I = 0; I < Sorted->nfont; ++I) {
    FcPattern* Candidate = Sorted->fonts[I];
    if (!IsSfnt(Candidate)) continue;
    if (Exact && !HasFamily(Candidate, Family)) return false;
    File.FileName = StringOf(Candidate, FC_FILE);
    if (File.FileName.empty()) continue;
    int Index = 0;
    FcPatternGetInteger(Candidate, FC_INDEX, 0, &Index);
    File.FaceIndex = Index & 0xFFFF;  // the high bits name a variation instance
    File.Family = StringOf(Candidate, FC_FAMILY);
    return true;
  }
  return false;
}

} // namespace

bool FindFontFile(const std::string& Family, bool Bold, bool Italic, TFontFile& File) {
  const std::string Resolved = ResolveFontFamily(Family);
  return Match(Resolved, Bold, Italic, true, File) || Match(HumanistSansFamily, Bold, Italic, false, File);
}

std::vector<std::uint8_t> GetFontData(const std::string& Family, bool Bold, bool Italic) {
  TFontFile File;
  if (!FindFontFile(Family, Bold, Italic, File)) return {};
  std::ifstream In(File.FileName, std::ios::binary);
  if (!In) return {};
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

namespace {

// The installed families with TrueType tables, in fontconfig's order (duplicates left in).
std::vector<std::string> InstalledFamilies() {
  std::vector<std::string> R;
  FcConfig* Cfg = Config();
  if (!Cfg) return R;
  PatternPtr Pattern(FcPatternCreate());
  if (!Pattern) return R;
  FcPatternAddBool(Pattern.get(), FC_SCALABLE, FcTrue);
  std::unique_ptr<FcObjectSet, decltype(&FcObjectSetDestroy)> Objects(
      FcObjectSetBuild(FC_FAMILY, FC_FONTFORMAT, nullptr), &FcObjectSetDestroy);
  if (!Objects) return R;
  FontSetPtr Fonts(FcFontList(Cfg, Pattern.get(), Objects.get()));
  if (!Fonts) return R;
  for (int I = 0; I < Fonts->nfont; ++I) {
    FcPattern* P = Fonts->fonts[I];
    // The first family name is the face's own; the others are translations.
    if (IsSfnt(P))
      if (std::string F = StringOf(P, FC_FAMILY); !F.empty()) R.push_back(std::move(F));
  }
  return R;
}

std::string LowerAscii(std::string S) {
  for (char& C : S)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return S;
}

} // namespace

const std::vector<std::string>& FontFamilyNames() {
  static const std::vector<std::string> Names = [] {
    std::vector<std::string> All;
    for (const TFontAlias& A : FontAliases()) All.emplace_back(A.Family);
    for (std::string& F : InstalledFamilies()) All.push_back(std::move(F));
    // Stable, so the table's spelling wins over an installed family differing only in case.
    std::stable_sort(All.begin(), All.end(),
                     [](const std::string& A, const std::string& B) { return LowerAscii(A) < LowerAscii(B); });
    All.erase(std::unique(All.begin(), All.end(),
                          [](const std::string& A, const std::string& B) { return LowerAscii(A) == LowerAscii(B); }),
              All.end());
    return All;
  }();
  return Names;
}

} // namespace gfx
