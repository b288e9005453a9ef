#include "report/pdf/repExportHelpers.h"

#include <hb.h>
#include <fribidi.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <set>
#include <unordered_map>

#include "platform/gfx/FontFace.h"
#include "platform/rt/Unicode.h"
#include "report/pdf/repExportPDFHelpers.h"

bool HasHTMLTag(std::u16string_view Text) {
  const std::size_t Open = Text.find(u'<');
  if (Open == std::u16string_view::npos) return false;
  const std::size_t Close = Text.find(u'>', Open + 1);
  if (Close == std::u16string_view::npos) return false;
  const std::u16string Tag = rt::WideUpperCase(Text.substr(Open + 1, Close - Open - 1));
  for (const char16_t* Known : {u"B", u"I", u"U", u"SUB", u"SUP", u"STRIKE", u"NOWRAP"})
    if (Tag == Known) return true;
  return Tag.rfind(u"FONT COLOR", 0) == 0;
}

std::uint32_t SumLongWords(const std::uint32_t* Values, std::size_t Count) {
  std::uint32_t Sum = 0;
  for (std::size_t I = 0; I < Count; ++I) Sum += Values[I];
  return Sum;
}

TRemapedString TRemapedString::Slice(const TFontRun& Run) const {
  TRemapedString S;
  const std::size_t First = std::min(Run.First, Data.size());
  const std::size_t Count = std::min(Run.Count, Data.size() - First);
  S.Data = Data.substr(First, Count);
  S.IsValidCharWidth = IsValidCharWidth;
  S.IsHasLigatures = IsHasLigatures;
  S.IsAverageDx = IsAverageDx;
  for (std::size_t I = First; I < First + Count; ++I) {
    const int W = I < CharWidth.size() ? CharWidth[I] : 0;
    S.CharWidth.push_back(W);
    if (W != -1) S.Width += W;
    if (I < IsSpace.size()) S.IsSpace.push_back(IsSpace[I]);
  }
  for (char16_t G : S.Data) S.SpacesCount += G == 3;
  return S;
}

// ---- The ligature-less fonts

namespace {

std::string FoldedName(std::string_view Name) {
  std::string R(Name);
  for (char& C : R)
    if (C >= 'A' && C <= 'Z') C = static_cast<char>(C - 'A' + 'a');
  return R;
}

struct TLigaturelessFonts {
  std::mutex Lock;
  std::set<std::string> Names;
  TLigaturelessFonts() {
    for (const char* N : {"Calibri", "Calibri Light", "CADiagram", "Carlito", "EmojiOne Color", "Gabriola",
                          "OpenSymbol", "Segoe Script", "ZWAdobeF", "IBM Plex Sans Condensed", "Gotham Light"})
      Names.insert(FoldedName(N));
  }
};

TLigaturelessFonts& LigaturelessFonts() {
  static TLigaturelessFonts L;
  return L;
}

} // namespace

void AddLigaturelessFont(std::string_view Name) {
  TLigaturelessFonts& L = LigaturelessFonts();
  std::lock_guard<std::mutex> G(L.Lock);
  L.Names.insert(FoldedName(Name));
}

bool IsLigaturelessFont(std::string_view Name) {
  TLigaturelessFonts& L = LigaturelessFonts();
  const std::string Key = FoldedName(Name);
  std::lock_guard<std::mutex> G(L.Lock);
  return L.Names.count(Key) != 0;
}

// ---- Shaping

namespace {

// One HarfBuzz font per face, made under a lock on first use and kept as long as the faces
// (until the process ends). HarfBuzz fonts are immutable once made, so shaping needs no lock.
struct THBFonts {
  std::mutex Lock;
  std::unordered_map<const gfx::TFontFace*, hb_font_t*> Fonts;
  ~THBFonts() {
    for (auto& F : Fonts) hb_font_destroy(F.second);
  }
};

hb_font_t* HBFontOf(const gfx::TFontFace* Face) {
  static THBFonts Cache;
  auto& Fonts = Cache.Fonts;
  std::lock_guard<std::mutex> G(Cache.Lock);
  auto It = Fonts.find(Face);
  if (It != Fonts.end()) return It->second;
  const auto& Data = Face->FileData();
  hb_blob_t* Blob = hb_blob_create(reinterpret_cast<const char*>(Data.data()),
                                   static_cast<unsigned>(Data.size()), HB_MEMORY_MODE_READONLY, nullptr, nullptr);
  hb_face_t* HBFace = hb_face_create(Blob, static_cast<unsigned>(Face->FaceIndex()));
  hb_blob_destroy(Blob);
  hb_font_t* Font = hb_font_create(HBFace);
  hb_face_destroy(HBFace);
  hb_font_set_scale(Font, Face->UnitsPerEm(), Face->UnitsPerEm());
  hb_font_make_immutable(Font);
  Fonts.emplace(Face, Font);
  return Font;
}

bool HasGlyph(hb_font_t* Font, char32_t C) {
  hb_codepoint_t G = 0;
  return hb_font_get_nominal_glyph(Font, C, &G) && G != 0;
}

// Characters that never choose a face of their own: they follow the character before them.
bool FollowsPrevious(char32_t C) {
  const auto Cat = hb_unicode_general_category(hb_unicode_funcs_get_default(), C);
  return Cat == HB_UNICODE_GENERAL_CATEGORY_NON_SPACING_MARK || Cat == HB_UNICODE_GENERAL_CATEGORY_ENCLOSING_MARK ||
         Cat == HB_UNICODE_GENERAL_CATEGORY_SPACING_MARK || C == 0x200D || C == 0x200C ||
         (C >= 0xFE00 && C <= 0xFE0F);
}

std::size_t CodePoints(std::u16string_view S) {
  std::size_t N = 0;
  for (char16_t C : S) N += !(C >= 0xDC00 && C < 0xE000);
  return N;
}

bool IsBlank(char32_t C) { return C == 0x20 || C == 0xA0 || C == 0x202F || C == 0x3000; }

struct TLogicalRun {
  std::size_t Start = 0, End = 0;  // code units
  const gfx::TFontFace* Face = nullptr;
  int Level = 0;
};

// Shaping features that turn the ligatures off, for the faces of the ligature-less list.
const hb_feature_t NoLigatures[] = {
    {HB_TAG('l', 'i', 'g', 'a'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('c', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('d', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
    {HB_TAG('h', 'l', 'i', 'g'), 0, HB_FEATURE_GLOBAL_START, HB_FEATURE_GLOBAL_END},
};

void ShapeRun(const std::u16string_view Text, const TLogicalRun& R, bool Ligatures, TrepPDFRun& Out);

// A ligature-less face whose required forms still joined characters: every character shaped
// on its own, so each has a glyph of its own.
void ShapeEachCharacter(const std::u16string_view Text, const TLogicalRun& R, TrepPDFRun& Out) {
  const bool RTL = (R.Level & 1) != 0;
  std::vector<TLogicalRun> Singles;
  for (std::size_t I = R.Start; I < R.End;) {
    std::size_t Len = 1;
    if (Text[I] >= 0xD800 && Text[I] < 0xDC00 && I + 1 < R.End && Text[I + 1] >= 0xDC00 && Text[I + 1] < 0xE000) Len = 2;
    Singles.push_back({I, I + Len, R.Face, R.Level});
    I += Len;
  }
  if (RTL) std::reverse(Singles.begin(), Singles.end());
  for (const TLogicalRun& S : Singles) ShapeRun(Text, S, false, Out);
}

void ShapeRun(const std::u16string_view Text, const TLogicalRun& R, bool Ligatures, TrepPDFRun& Out) {
  hb_font_t* Font = HBFontOf(R.Face);
  // One buffer per thread, emptied between runs: shaping allocates nothing once warm.
  struct TBuffer {
    hb_buffer_t* B = hb_buffer_create();
    ~TBuffer() { hb_buffer_destroy(B); }
  };
  thread_local TBuffer Local;
  hb_buffer_t* Buf = Local.B;
  hb_buffer_clear_contents(Buf);
  hb_buffer_add_utf16(Buf, reinterpret_cast<const std::uint16_t*>(Text.data()), static_cast<int>(Text.size()),
                      static_cast<unsigned>(R.Start), static_cast<int>(R.End - R.Start));
  const bool RTL = (R.Level & 1) != 0;
  hb_buffer_set_direction(Buf, RTL ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
  hb_buffer_set_cluster_level(Buf, HB_BUFFER_CLUSTER_LEVEL_MONOTONE_CHARACTERS);
  hb_buffer_guess_segment_properties(Buf);
  if (Ligatures) hb_shape(Font, Buf, nullptr, 0);
  else hb_shape(Font, Buf, NoLigatures, static_cast<unsigned>(std::size(NoLigatures)));
  unsigned N = 0;
  const hb_glyph_info_t* Info = hb_buffer_get_glyph_infos(Buf, &N);
  const std::size_t Characters = Ligatures ? 0 : CodePoints(Text.substr(R.Start, R.End - R.Start));
  if (Characters > 1 && N < Characters) {
    // A required form still joined characters: one glyph per character all the same.
    ShapeEachCharacter(Text, R, Out);
    return;
  }
  const hb_glyph_position_t* Pos = hb_buffer_get_glyph_positions(Buf, nullptr);
  // Glyphs stay in visual order. Clusters are monotone: in logical order (right to left for a
  // right-to-left run) a cluster's text goes to its first glyph and ends where the next
  // cluster starts.
  const std::size_t Base = Out.Glyphs.size();
  Out.Glyphs.resize(Base + N);
  auto Logical = [&](unsigned K) { return RTL ? N - 1 - K : K; };
  for (unsigned K = 0; K < N; ++K) {
    const unsigned I = Logical(K);
    TShapedGlyph& G = Out.Glyphs[Base + I];
    G.Glyph = static_cast<std::uint16_t>(Info[I].codepoint);
    G.Advance = Pos[I].x_advance;
    G.XOffset = Pos[I].x_offset;
    const std::size_t C = Info[I].cluster;
    if (K > 0 && Info[Logical(K - 1)].cluster == C) continue;
    std::size_t End = R.End;
    for (unsigned J = K + 1; J < N; ++J)
      if (Info[Logical(J)].cluster != C) {
        End = Info[Logical(J)].cluster;
        break;
      }
    if (End < C || End > R.End) End = R.End;
    G.Text = Text.substr(C, End - C);
    G.IsSpace = G.Text.size() == 1 && IsBlank(G.Text[0]);
  }
}

} // namespace

TGlyphBox GlyphInkBox(const gfx::TFontFace* Face, unsigned Glyph) {
  TGlyphBox Box;
  hb_glyph_extents_t E{};
  if (!Face || !hb_font_get_glyph_extents(HBFontOf(Face), Glyph, &E)) return Box;
  Box.XMin = std::min(E.x_bearing, E.x_bearing + E.width);
  Box.XMax = std::max(E.x_bearing, E.x_bearing + E.width);
  Box.YMax = std::max(E.y_bearing, E.y_bearing + E.height);
  Box.YMin = std::min(E.y_bearing, E.y_bearing + E.height);
  return Box;
}

long long TrepPDFRun::Width() const {
  long long W = 0;
  for (const auto& G : Glyphs) W += G.Advance;
  return W;
}

std::vector<TrepPDFRun> ShapeText(const gfx::TFontFace* Face, std::u16string_view Text, bool RTLBase, bool Ligatures) {
  std::vector<TrepPDFRun> Result;
  if (!Face || Text.empty()) return Result;
  // Code points with the code unit where each starts.
  std::vector<FriBidiChar> Chars;
  std::vector<std::size_t> Starts;
  Chars.reserve(Text.size());
  Starts.reserve(Text.size() + 1);
  for (std::size_t I = 0; I < Text.size();) {
    char32_t C = Text[I];
    std::size_t Len = 1;
    if (C >= 0xD800 && C < 0xDC00 && I + 1 < Text.size() && Text[I + 1] >= 0xDC00 && Text[I + 1] < 0xE000) {
      C = 0x10000 + ((C - 0xD800) << 10) + (Text[I + 1] - 0xDC00);
      Len = 2;
    }
    Chars.push_back(C);
    Starts.push_back(I);
    I += Len;
  }
  Starts.push_back(Text.size());
  const std::size_t N = Chars.size();

  // Bidirectional levels (all 0 for left-to-right text under a left-to-right paragraph).
  std::vector<FriBidiLevel> Levels(N, 0);
  bool AnyRTL = RTLBase;
  // Nothing below U+0590 is written right to left.
  for (std::size_t I = 0; I < N && !AnyRTL; ++I)
    AnyRTL = Chars[I] >= 0x590 && FRIBIDI_IS_RTL(fribidi_get_bidi_type(Chars[I]));
  if (AnyRTL) {
    std::vector<FriBidiCharType> Types(N);
    std::vector<FriBidiBracketType> Brackets(N);
    fribidi_get_bidi_types(Chars.data(), static_cast<FriBidiStrIndex>(N), Types.data());
    fribidi_get_bracket_types(Chars.data(), static_cast<FriBidiStrIndex>(N), Types.data(), Brackets.data());
    FriBidiParType Base = RTLBase ? FRIBIDI_PAR_RTL : FRIBIDI_PAR_LTR;
    if (!fribidi_get_par_embedding_levels_ex(Types.data(), Brackets.data(), static_cast<FriBidiStrIndex>(N), &Base,
                                             Levels.data()))
      std::fill(Levels.begin(), Levels.end(), RTLBase ? 1 : 0);
  }

  // Faces: the font's own where it has the character, else the first face of the fallback
  // chain that has it, else the font's own missing glyph.
  hb_font_t* Own = HBFontOf(Face);
  const std::vector<const gfx::TFontFace*>* Chain = nullptr;
  std::vector<const gfx::TFontFace*> Faces(N, Face);
  for (std::size_t I = 0; I < N; ++I) {
    const char32_t C = Chars[I];
    if (I > 0 && FollowsPrevious(C)) {
      Faces[I] = Faces[I - 1];
      continue;
    }
    if (C < 0x20 || HasGlyph(Own, C)) continue;
    if (!Chain) Chain = &gfx::FallbackFaces(Face->Bold(), Face->Italic());
    for (const gfx::TFontFace* F : *Chain)
      if (F != Face && HasGlyph(HBFontOf(F), C)) {
        Faces[I] = F;
        break;
      }
  }

  // Logical runs of one face and one level, cut before MaxShapedRunLength.
  std::vector<TLogicalRun> Runs;
  for (std::size_t I = 0; I < N; ++I) {
    const bool Cut = !Runs.empty() && Starts[I] - Runs.back().Start >= MaxShapedRunLength;
    if (Runs.empty() || Cut || Runs.back().Face != Faces[I] || Runs.back().Level != Levels[I])
      Runs.push_back({Starts[I], Starts[I], Faces[I], Levels[I]});
    Runs.back().End = Starts[I + 1];
  }
  // Visual order of the runs: from the highest level down to the lowest odd one, every
  // sequence of runs at that level or above is reversed.
  std::vector<std::size_t> Order(Runs.size());
  for (std::size_t I = 0; I < Order.size(); ++I) Order[I] = I;
  int MaxLevel = 0, MinOdd = 255;
  for (const auto& R : Runs) {
    MaxLevel = std::max(MaxLevel, R.Level);
    if (R.Level & 1) MinOdd = std::min(MinOdd, R.Level);
  }
  for (int L = MaxLevel; L >= MinOdd && L > 0; --L)
    for (std::size_t I = 0; I < Order.size();) {
      if (Runs[Order[I]].Level < L) {
        ++I;
        continue;
      }
      std::size_t J = I;
      while (J < Order.size() && Runs[Order[J]].Level >= L) ++J;
      std::reverse(Order.begin() + static_cast<std::ptrdiff_t>(I), Order.begin() + static_cast<std::ptrdiff_t>(J));
      I = J;
    }
  for (std::size_t K : Order) {
    const TLogicalRun& R = Runs[K];
    if (!Result.empty() && Result.back().Face == R.Face && Result.back().RTL == ((R.Level & 1) != 0)) {
      ShapeRun(Text, R, Ligatures, Result.back());
      continue;
    }
    TrepPDFRun Out;
    Out.Face = R.Face;
    Out.RTL = (R.Level & 1) != 0;
    ShapeRun(Text, R, Ligatures, Out);
    Result.push_back(std::move(Out));
  }
  return Result;
}

// ---- TrepExportFont

TrepExportFont::TrepExportFont(const gfx::TFontFace* Face)
    : FFace(Face), FIsLigatureless(Face && IsLigaturelessFont(Face->Family())) {
  // Glyph 0 is always in a subset: readers draw it for codes the font lacks.
  UseGlyph(0, {});
}

void TrepExportFont::UseGlyph(std::uint16_t Glyph, std::u16string_view Text) {
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

double TrepExportFont::ToThousandths(int FontUnits) const { return FontUnits * 1000.0 / FFace->UnitsPerEm(); }

int TrepExportFont::GlyphWidth(std::uint16_t Glyph) const {
  if (FWidths.empty()) FWidths.assign(static_cast<std::size_t>(std::clamp(FFace->Metrics().NumGlyphs, 1, 65536)), -1);
  if (Glyph >= FWidths.size()) return static_cast<int>(std::lround(ToThousandths(FFace->GlyphAdvance(Glyph))));
  std::int32_t& W = FWidths[Glyph];
  if (W < 0) W = static_cast<std::int32_t>(std::lround(ToThousandths(FFace->GlyphAdvance(Glyph))));
  return W;
}

TRemapedString TrepExportFont::SoftRemapString(std::u16string_view Str, bool RTL, bool IsIndexes) {
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
  for (const TrepPDFRun& Run : ShapeText(FFace, Str, RTL, !FIsLigatureless)) {
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


// ---- Rotation

void TRotation2D::Init(double Radian, double CenterX, double CenterY) {
  X = CenterX;
  Y = CenterY;
  Sinus = std::sin(Radian);
  Cosinus = std::cos(Radian);
  C1 = X - X * Cosinus + Y * Sinus;
  C2 = Y - X * Sinus - Y * Cosinus;
  FMatrix.clear();
  for (double V : {Cosinus, Sinus, -Sinus, Cosinus, C1, C2}) {
    if (!FMatrix.empty()) FMatrix += ' ';
    FMatrix += PDFFixed(std::fabs(V) < 5e-5 ? 0.0 : V, 4);
  }
}

void TRotation2D::Turn(double& PX, double& PY) const {
  const double DX = PX - X, DY = PY - Y;
  PX = X + DX * Cosinus + DY * Sinus;
  PY = Y - DX * Sinus + DY * Cosinus;
}
