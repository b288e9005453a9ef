#include "report/pdf/repExportHelpers.h"

#include <hb.h>
#include <fribidi.h>

#include <algorithm>
#include <cmath>
#include <mutex>
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

bool IsBlank(char32_t C) { return C == 0x20 || C == 0xA0 || C == 0x202F || C == 0x3000; }

struct TLogicalRun {
  std::size_t Start = 0, End = 0;  // code units
  const gfx::TFontFace* Face = nullptr;
  int Level = 0;
};

void ShapeRun(const std::u16string_view Text, const TLogicalRun& R, TShapedRun& Out) {
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
  hb_shape(Font, Buf, nullptr, 0);
  unsigned N = 0;
  const hb_glyph_info_t* Info = hb_buffer_get_glyph_infos(Buf, &N);
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

long long TShapedRun::Width() const {
  long long W = 0;
  for (const auto& G : Glyphs) W += G.Advance;
  return W;
}

std::vector<TShapedRun> ShapeText(const gfx::TFontFace* Face, std::u16string_view Text, bool RTLBase) {
  std::vector<TShapedRun> Result;
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

  // Faces: the font's own where it has the character, else the fallback of the same style.
  hb_font_t* Own = HBFontOf(Face);
  const gfx::TFontFace* Fallback = gfx::FallbackFace(Face->Bold(), Face->Italic());
  hb_font_t* FallbackFont = Fallback && Fallback != Face ? HBFontOf(Fallback) : nullptr;
  std::vector<const gfx::TFontFace*> Faces(N, Face);
  for (std::size_t I = 0; I < N; ++I) {
    const char32_t C = Chars[I];
    if (I > 0 && FollowsPrevious(C)) Faces[I] = Faces[I - 1];
    else if (FallbackFont && C >= 0x20 && !HasGlyph(Own, C) && HasGlyph(FallbackFont, C)) Faces[I] = Fallback;
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
      ShapeRun(Text, R, Result.back());
      continue;
    }
    TShapedRun Out;
    Out.Face = R.Face;
    Out.RTL = (R.Level & 1) != 0;
    ShapeRun(Text, R, Out);
    Result.push_back(std::move(Out));
  }
  return Result;
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
