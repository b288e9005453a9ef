#include "platform/gfx/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_TRUETYPE_TABLES_H

#include <fribidi.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/gfx/FontData.h"

namespace gfx {

namespace {

constexpr TFontAlias Aliases[] = {
    {"Arial", "Liberation Sans"},
    {"Arial Narrow", "Liberation Sans Narrow"},
    {"Times New Roman", "Liberation Serif"},
    {"Courier New", "Liberation Mono"},
    // The usual stand-ins of the same metrics, so templates naming them measure alike.
    {"Helvetica", "Liberation Sans"},
    {"Times", "Liberation Serif"},
    {"Courier", "Liberation Mono"},
    // The template's title face, a humanist sans: DejaVu Sans is the humanist sans every
    // installation has (fonts-dejavu-core).
    {"Humnst777 BT", "DejaVu Sans"},
};

char LowerAscii(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }

std::string LowerText(std::string_view S) {
  std::string R(S);
  for (char& C : R) C = LowerAscii(C);
  return R;
}

// FreeType's library, its faces and the caches below are used under this one lock.
std::mutex& FontLock() {
  static std::mutex M;
  return M;
}

FT_Library Library() {
  struct TLib {
    FT_Library L = nullptr;
    TLib() {
      if (FT_Init_FreeType(&L) != 0) L = nullptr;
    }
    ~TLib() {
      if (L) FT_Done_FreeType(L);
    }
  };
  static TLib Lib;
  return Lib.L;
}

std::vector<std::uint8_t> ReadFile(const std::string& Name) {
  std::ifstream In(Name, std::ios::binary | std::ios::ate);
  if (!In) return {};
  const std::streamoff Size = In.tellg();
  if (Size <= 0 || static_cast<std::uint64_t>(Size) > MaxFontFileSize) return {};
  std::vector<std::uint8_t> Data(static_cast<std::size_t>(Size));
  In.seekg(0);
  if (!In.read(reinterpret_cast<char*>(Data.data()), Size)) return {};
  return Data;
}

unsigned CharIndex(FT_Face F, char32_t C) { return F ? FT_Get_Char_Index(F, C) : 0; }

int AdvanceUnits(FT_Face F, unsigned Glyph) {
  FT_Fixed A = 0;
  if (!F || FT_Get_Advance(F, Glyph, FT_LOAD_NO_SCALE, &A) != 0) return 0;
  return static_cast<int>(A);
}

// Units scaled to an em of Px pixels, rounded half away from zero.
int Scale(long long Units, int Px, int UnitsPerEm) {
  const long long P = Units * Px;
  const long long Q = (std::llabs(P) * 2 + UnitsPerEm) / (2LL * UnitsPerEm);
  return static_cast<int>(P < 0 ? -Q : Q);
}

} // namespace

// Faces by file and index, and which face each (family, style) request found.
struct TFaceCache {
  std::map<std::pair<std::string, int>, std::unique_ptr<TFontFace>> Faces;
  std::map<std::tuple<std::string, bool, bool>, const TFontFace*> Requests;
  std::map<std::pair<const TFontFace*, int>, std::shared_ptr<const TSizedFont>> Sized;

  // The library is made first so that it outlives the faces at exit.
  TFaceCache() { Library(); }
  static TFaceCache& Get() {
    static TFaceCache C;
    return C;
  }

  const TFontFace* Load(const TFontFile& File, bool Bold, bool Italic) {
    auto Key = std::make_pair(File.FileName, File.FaceIndex);
    auto It = Faces.find(Key);
    if (It != Faces.end()) return It->second.get();
    std::unique_ptr<TFontFace> Face(new TFontFace);
    Face->FData = ReadFile(File.FileName);
    if (Face->FData.empty() || !Library()) return nullptr;
    FT_Face F = nullptr;
    if (FT_New_Memory_Face(Library(), Face->FData.data(), static_cast<FT_Long>(Face->FData.size()),
                           File.FaceIndex, &F) != 0)
      return nullptr;
    if (!F->charmap) FT_Select_Charmap(F, FT_ENCODING_UNICODE);
    Face->FFace = F;
    Face->FFamily = File.Family;
    Face->FFileName = File.FileName;
    Face->FFaceIndex = File.FaceIndex;
    // The style the file really has: a family without a bold file answers a bold request
    // with its regular face, which the PDF export then thickens itself.
    (void)Bold;
    (void)Italic;
    Face->FBold = (F->style_flags & FT_STYLE_FLAG_BOLD) != 0;
    Face->FItalic = (F->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
    Face->FUnitsPerEm = F->units_per_EM > 0 ? F->units_per_EM : 2048;
    const auto* OS2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(F, FT_SFNT_OS2));
    if (OS2 && OS2->version != 0xFFFF && OS2->usWinAscent + OS2->usWinDescent > 0) {
      Face->FAscent = OS2->usWinAscent;
      Face->FDescent = OS2->usWinDescent;
    } else {
      Face->FAscent = F->ascender;
      Face->FDescent = -F->descender;
    }
    TFontFace::TMetrics& M = Face->FMetrics;
    M.XMin = static_cast<int>(F->bbox.xMin);
    M.YMin = static_cast<int>(F->bbox.yMin);
    M.XMax = static_cast<int>(F->bbox.xMax);
    M.YMax = static_cast<int>(F->bbox.yMax);
    M.MaxWidth = F->max_advance_width;
    M.NumGlyphs = static_cast<int>(F->num_glyphs);
    M.FixedPitch = FT_IS_FIXED_WIDTH(F);
    if (const auto* Post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(F, FT_SFNT_POST)))
      M.ItalicAngle = static_cast<double>(Post->italicAngle) / 65536.0;  // 16.16 fixed
    if (OS2 && OS2->version != 0xFFFF) {
      M.AvgWidth = OS2->xAvgCharWidth;
      M.Weight = OS2->usWeightClass ? OS2->usWeightClass : 400;
      if (OS2->version >= 2) {
        M.CapHeight = OS2->sCapHeight;
        M.XHeight = OS2->sxHeight;
      }
    }
    if (M.CapHeight <= 0) M.CapHeight = Face->FAscent * 7 / 10;
    if (M.AvgWidth <= 0) M.AvgWidth = Face->FUnitsPerEm / 2;
    const TFontFace* Result = Face.get();
    Faces.emplace(Key, std::move(Face));
    return Result;
  }
};

std::span<const TFontAlias> FontAliases() { return Aliases; }

std::string ResolveFontFamily(std::string_view Family) {
  const std::string Lower = LowerText(Family);
  for (const TFontAlias& A : Aliases)
    if (LowerText(A.Family) == Lower) return A.Installed;
  return std::string(Family);
}

TFontFace::~TFontFace() {
  if (FFace) FT_Done_Face(static_cast<FT_Face>(FFace));
}

unsigned TFontFace::GlyphIndex(char32_t C) const {
  std::lock_guard<std::mutex> G(FontLock());
  return CharIndex(static_cast<FT_Face>(FFace), C);
}

int TFontFace::GlyphAdvance(unsigned Glyph) const {
  std::lock_guard<std::mutex> G(FontLock());
  return AdvanceUnits(static_cast<FT_Face>(FFace), Glyph);
}

const TFontFace* FindFace(std::string_view Family, bool Bold, bool Italic) {
  const std::string Key = LowerText(Family);
  {
    std::lock_guard<std::mutex> G(FontLock());
    auto& Requests = TFaceCache::Get().Requests;
    auto It = Requests.find({Key, Bold, Italic});
    if (It != Requests.end()) return It->second;
  }
  // fontconfig is asked outside the lock: it is thread-safe and may take a while.
  TFontFile File;
  const bool Found = FindFontFile(std::string(Family), Bold, Italic, File);
  std::lock_guard<std::mutex> G(FontLock());
  TFaceCache& Cache = TFaceCache::Get();
  const TFontFace* Face = Found ? Cache.Load(File, Bold, Italic) : nullptr;
  // An unreadable family is not asked again: keep the answer, a null face included.
  return Cache.Requests.emplace(std::make_tuple(Key, Bold, Italic), Face).first->second;
}

const TFontFace* FallbackFace(bool Bold, bool Italic) { return FindFace(FallbackFamily, Bold, Italic); }

const std::vector<const TFontFace*>& FallbackFaces(bool Bold, bool Italic) {
  // Built once per style under a lock of its own: FindFace takes the font lock itself.
  struct TChains {
    std::mutex Lock;
    bool Built[4] = {};
    std::vector<const TFontFace*> Faces[4];
  };
  static TChains Chains;
  const int Style = (Bold ? 1 : 0) | (Italic ? 2 : 0);
  std::lock_guard<std::mutex> G(Chains.Lock);
  std::vector<const TFontFace*>& Faces = Chains.Faces[Style];
  if (!Chains.Built[Style]) {
    for (const char* Family : FallbackFamilies) {
      const TFontFace* F = FindFace(Family, Bold, Italic);
      // A family that is not installed answers with the stand-in, already in the chain.
      if (F && std::find(Faces.begin(), Faces.end(), F) == Faces.end()) Faces.push_back(F);
    }
    Chains.Built[Style] = true;
  }
  return Faces;
}

const TFontFace* FaceForCharacter(const TFontFace* Face, char32_t C) {
  if (Face && Face->GlyphIndex(C) != 0) return Face;
  for (const TFontFace* F : FallbackFaces(Face && Face->Bold(), Face && Face->Italic()))
    if (F != Face && F->GlyphIndex(C) != 0) return F;
  return nullptr;
}

std::shared_ptr<const TSizedFont> TSizedFont::Get(const TFontFace* Face, int PixelSize) {
  PixelSize = std::clamp(PixelSize, 1, MaxPixelSize);
  {
    std::lock_guard<std::mutex> G(FontLock());
    auto& Sized = TFaceCache::Get().Sized;
    auto It = Sized.find({Face, PixelSize});
    if (It != Sized.end()) return It->second;
  }
  auto Made = std::make_shared<const TSizedFont>(Face, PixelSize);
  std::lock_guard<std::mutex> G(FontLock());
  auto& Sized = TFaceCache::Get().Sized;
  if (Sized.size() >= MaxSizedFonts) Sized.clear();
  return Sized.emplace(std::make_pair(Face, PixelSize), std::move(Made)).first->second;
}

TSizedFont::TSizedFont(const TFontFace* Face, int PixelSize)
    : FFace(Face),
      FPixelSize(std::clamp(PixelSize, 1, MaxPixelSize)),
      FPages(new std::unique_ptr<std::int32_t[]>[256]) {
  for (const TFontFace* F : FallbackFaces(Face && Face->Bold(), Face && Face->Italic()))
    if (F != FFace) FFallbacks.push_back(F);
  const TFontFace* M = FFace ? FFace : FFallbacks.empty() ? nullptr : FFallbacks.front();
  FAscentPx = M ? Scale(M->Ascent(), FPixelSize, M->UnitsPerEm()) : FPixelSize;
  FDescentPx = M ? Scale(M->Descent(), FPixelSize, M->UnitsPerEm()) : 0;
}

TSizedFont::~TSizedFont() = default;

TGlyphRef TSizedFont::Glyph(char32_t C) const {
  std::lock_guard<std::mutex> G(FontLock());
  if (FFace) {
    const unsigned I = CharIndex(static_cast<FT_Face>(FFace->FFace), C);
    if (I != 0) return {FFace, I};
  }
  for (const TFontFace* F : FFallbacks) {
    const unsigned I = CharIndex(static_cast<FT_Face>(F->FFace), C);
    if (I != 0) return {F, I};
  }
  return {FFace ? FFace : FFallbacks.empty() ? nullptr : FFallbacks.front(), 0};
}

int TSizedFont::AdvanceLocked(char32_t C) const {
  std::int32_t* Slot = nullptr;
  if (C < 0x10000) {
    auto& Page = FPages[C >> 8];
    if (!Page) {
      Page.reset(new std::int32_t[256]);
      std::fill_n(Page.get(), 256, -1);
    }
    Slot = &Page[C & 0xFF];
    if (*Slot >= 0) return *Slot;
  }
  const TFontFace* F = FFace;
  unsigned I = F ? CharIndex(static_cast<FT_Face>(F->FFace), C) : 0;
  if (I == 0)
    for (const TFontFace* B : FFallbacks) {
      const unsigned J = CharIndex(static_cast<FT_Face>(B->FFace), C);
      if (J != 0 || !F) {
        F = B;
        I = J;
        if (J != 0) break;
      }
    }
  const int A = F ? Scale(AdvanceUnits(static_cast<FT_Face>(F->FFace), I), FPixelSize, F->UnitsPerEm()) : 0;
  if (Slot) *Slot = A;
  return A;
}

int TSizedFont::Advance(char32_t C) const {
  std::lock_guard<std::mutex> G(FontLock());
  return AdvanceLocked(C);
}

void TSizedFont::Advances(std::u16string_view Text, int* Out) const {
  std::lock_guard<std::mutex> G(FontLock());
  const std::size_t N = Text.size();
  for (std::size_t I = 0; I < N; ++I) {
    char32_t C = Text[I];
    if (C >= 0xD800 && C < 0xDC00 && I + 1 < N && Text[I + 1] >= 0xDC00 && Text[I + 1] < 0xE000) {
      C = 0x10000 + ((C - 0xD800) << 10) + (Text[I + 1] - 0xDC00);
      Out[I] = AdvanceLocked(C);
      Out[++I] = 0;
      continue;
    }
    Out[I] = AdvanceLocked(C);
  }
}

int TSizedFont::TextWidth(std::u16string_view Text) const {
  std::vector<int> A(Text.size());
  Advances(Text, A.data());
  long long W = 0;
  for (int X : A) W += X;
  return static_cast<int>(std::min<long long>(W, 0x7FFFFFFF));
}

namespace {

// Code points of Text with the index of each one's first code unit.
void Decode(std::u16string_view Text, std::vector<FriBidiChar>& Chars, std::vector<int>& Starts) {
  for (std::size_t I = 0; I < Text.size(); ++I) {
    char32_t C = Text[I];
    Starts.push_back(static_cast<int>(I));
    if (C >= 0xD800 && C < 0xDC00 && I + 1 < Text.size() && Text[I + 1] >= 0xDC00 && Text[I + 1] < 0xE000) {
      C = 0x10000 + ((C - 0xD800) << 10) + (Text[I + 1] - 0xDC00);
      ++I;
    }
    Chars.push_back(C);
  }
}

} // namespace

bool HasRightToLeft(std::u16string_view Text) {
  std::vector<FriBidiChar> Chars;
  std::vector<int> Starts;
  Decode(Text, Chars, Starts);
  for (FriBidiChar C : Chars)
    if (FRIBIDI_IS_RTL(fribidi_get_bidi_type(C))) return true;
  return false;
}

std::vector<int> BidiVisualOrder(std::u16string_view Text, bool RTLBase) {
  std::vector<int> Order;
  Order.reserve(Text.size());
  std::vector<FriBidiChar> Chars;
  std::vector<int> Starts;
  Decode(Text, Chars, Starts);
  const int N = static_cast<int>(Chars.size());
  std::vector<FriBidiStrIndex> VisToLog(N);
  bool Done = false;
  if (N > 0 && (RTLBase || HasRightToLeft(Text))) {
    std::vector<FriBidiChar> Visual(N);
    FriBidiParType Base = RTLBase ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
    Done = fribidi_log2vis(Chars.data(), N, &Base, Visual.data(), nullptr, VisToLog.data(), nullptr) != 0;
  }
  for (int V = 0; V < N; ++V) {
    const int L = Done ? VisToLog[V] : V;
    const int First = Starts[L];
    const int End = L + 1 < N ? Starts[L + 1] : static_cast<int>(Text.size());
    for (int U = First; U < End; ++U) Order.push_back(U);
  }
  return Order;
}

} // namespace gfx
