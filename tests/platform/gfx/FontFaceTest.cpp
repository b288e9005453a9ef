#include "platform/gfx/FontFace.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

std::string BaseName(const std::string& Path) { return Path.substr(Path.find_last_of('/') + 1); }

} // namespace

TEST(FontFace, FamiliesResolveThroughTheTable) {
  struct Case {
    const char* Family;
    bool Bold, Italic;
    const char* File;
  } Cases[] = {{"Arial", false, false, "LiberationSans-Regular.ttf"},
               {"arial", true, true, "LiberationSans-BoldItalic.ttf"},
               {"Arial Narrow", true, false, "LiberationSansNarrow-Bold.ttf"},
               {"Times New Roman", false, true, "LiberationSerif-Italic.ttf"},
               {"Courier New", false, false, "LiberationMono-Regular.ttf"},
               {"Humnst777 BT", false, false, "DejaVuSans.ttf"},
               {"Humnst777 BT", true, false, "DejaVuSans-Bold.ttf"},
               {"DejaVu Serif", false, false, "DejaVuSerif.ttf"}};
  for (const Case& C : Cases) {
    const gfx::TFontFace* F = gfx::FindFace(C.Family, C.Bold, C.Italic);
    ASSERT_NE(F, nullptr) << C.Family;
    EXPECT_EQ(BaseName(F->FileName()), C.File) << C.Family << " " << C.Bold << C.Italic;
    EXPECT_FALSE(F->FileData().empty());
  }
  // Loaded once: the same request, and another name for the same file, give the same face.
  EXPECT_EQ(gfx::FindFace("Arial", false, false), gfx::FindFace("ARIAL", false, false));
  EXPECT_EQ(gfx::FindFace("Arial", false, false), gfx::FindFace("Liberation Sans", false, false));
  EXPECT_EQ(gfx::ResolveFontFamily("Courier New"), "Liberation Mono");
  EXPECT_EQ(gfx::ResolveFontFamily("Tahoma"), "Tahoma");
}

TEST(FontFace, MonospacedAdvancesAreOneWholePixelWidth) {
  // Liberation Mono: 1229 of 2048 units per character; at 83 px that is 49.8, rounded to 50
  // per character, so ten characters are 500 px (not 498).
  auto F = gfx::TSizedFont::Get(gfx::FindFace("Courier New", false, false), 83);
  const std::u16string Text = u"iW .,MMmm!";
  std::vector<int> A(Text.size());
  F->Advances(Text, A.data());
  for (int X : A) EXPECT_EQ(X, 50);
  EXPECT_EQ(F->TextWidth(Text), 500);
}

TEST(FontFace, CellMetricsScaleTheWindowsAscentAndDescent) {
  // Liberation Sans: ascent 1854, descent 434 of 2048 units.
  const gfx::TFontFace* Face = gfx::FindFace("Arial", false, false);
  EXPECT_EQ(Face->UnitsPerEm(), 2048);
  EXPECT_EQ(Face->Ascent(), 1854);
  EXPECT_EQ(Face->Descent(), 434);
  auto F = gfx::TSizedFont::Get(Face, 100);
  EXPECT_EQ(F->Ascent(), 91);
  EXPECT_EQ(F->Descent(), 21);
  EXPECT_EQ(F->Height(), 112);
  EXPECT_EQ(F->InternalLeading(), 12);
}

TEST(FontFace, MissingCharactersComeFromTheFallbackFace) {
  auto F = gfx::TSizedFont::Get(gfx::FindFace("Arial", false, false), 100);
  const gfx::TGlyphRef Letter = F->Glyph(U'F');
  EXPECT_EQ(Letter.Face, gfx::FindFace("Arial", false, false));
  EXPECT_NE(Letter.Glyph, 0u);
  // Liberation has no small capital L (U+029F); DejaVu Sans draws it.
  const gfx::TGlyphRef SmallL = F->Glyph(U'\u029F');
  ASSERT_NE(SmallL.Face, nullptr);
  EXPECT_EQ(BaseName(SmallL.Face->FileName()), "DejaVuSans.ttf");
  EXPECT_NE(SmallL.Glyph, 0u);
  EXPECT_EQ(F->Advance(U'\u029F'), (SmallL.Face->GlyphAdvance(SmallL.Glyph) * 100 + 1024) / 2048);
  EXPECT_GT(F->Advance(U'\u029F'), 0);
  // A bold font falls back to the bold face.
  auto B = gfx::TSizedFont::Get(gfx::FindFace("Arial", true, false), 100);
  EXPECT_EQ(BaseName(B->Glyph(U'\u029F').Face->FileName()), "DejaVuSans-Bold.ttf");
}

TEST(FontFace, TheFallbackChainEndsWithTheCJKFace) {
  const auto& Chain = gfx::FallbackFaces(false, false);
  ASSERT_EQ(Chain.size(), 2u) << "fonts-dejavu-core and fonts-wqy-microhei are installed";
  EXPECT_EQ(BaseName(Chain[0]->FileName()), "DejaVuSans.ttf");
  EXPECT_EQ(BaseName(Chain[1]->FileName()), "wqy-microhei.ttc");
  const gfx::TFontFace* Arial = gfx::FindFace("Arial", false, false);
  struct {
    char32_t C;
    const gfx::TFontFace* Face;
  } Rows[] = {{U'F', Arial}, {U'\u029F', Chain[0]}, {U'\u5317', Chain[1]}, {U'\u30AB', Chain[1]}, {U'\uE000', nullptr}};
  auto F = gfx::TSizedFont::Get(Arial, 100);
  for (const auto& R : Rows) {
    EXPECT_EQ(gfx::FaceForCharacter(Arial, R.C), R.Face) << static_cast<unsigned>(R.C);
    // The sized font draws and measures with the same face; none has the private-use character,
    // which keeps Arial's missing glyph.
    const gfx::TGlyphRef G = F->Glyph(R.C);
    EXPECT_EQ(G.Face, R.Face ? R.Face : Arial);
    EXPECT_EQ(G.Glyph != 0, R.Face != nullptr);
    EXPECT_GT(F->Advance(R.C), 0);
  }
  // A bold request gets the chain in the nearest style: the CJK face has only its regular face.
  const auto& Bold = gfx::FallbackFaces(true, false);
  ASSERT_EQ(Bold.size(), 2u);
  EXPECT_EQ(BaseName(Bold[0]->FileName()), "DejaVuSans-Bold.ttf");
  EXPECT_EQ(Bold[1], Chain[1]);
}

TEST(FontFace, SurrogatePairsMeasureOnTheirFirstUnit) {
  auto F = gfx::TSizedFont::Get(gfx::FindFace("Arial", false, false), 100);
  const std::u16string Text = u"a\U0001D400b";  // a, mathematical bold capital A, b
  ASSERT_EQ(Text.size(), 4u);
  std::vector<int> A(Text.size());
  F->Advances(Text, A.data());
  EXPECT_EQ(A[0], F->Advance(U'a'));
  EXPECT_EQ(A[1], F->Advance(U'\U0001D400'));
  EXPECT_EQ(A[2], 0);
  EXPECT_EQ(A[3], F->Advance(U'b'));
  // A lone surrogate measures as itself, without reading past the end.
  std::u16string Lone = u"x";
  Lone += char16_t(0xD800);
  std::vector<int> L(2);
  F->Advances(Lone, L.data());
  EXPECT_EQ(L[0], F->Advance(U'x'));
}

TEST(FontFace, ExtremeSizesAreClamped) {
  const gfx::TFontFace* Face = gfx::FindFace("Arial", false, false);
  EXPECT_EQ(gfx::TSizedFont::Get(Face, 0)->PixelSize(), 1);
  EXPECT_EQ(gfx::TSizedFont::Get(Face, -50)->PixelSize(), 1);
  EXPECT_EQ(gfx::TSizedFont::Get(Face, 1 << 30)->PixelSize(), gfx::MaxPixelSize);
  EXPECT_GT(gfx::TSizedFont::Get(Face, 1 << 30)->Advance(U'M'), 0);
}

TEST(FontFace, BidiOrdersRightToLeftRuns) {
  struct Case {
    std::u16string Text;
    bool RTL;
    std::vector<int> Order;
  } Cases[] = {
      {u"abc", false, {0, 1, 2}},
      {u"ab \u05D0\u05D1\u05D2", false, {0, 1, 2, 5, 4, 3}},
      {u"\u05D0\u05D1\u05D2", true, {2, 1, 0}},
      {u"\u05D0 12", true, {2, 3, 1, 0}},                    // numbers keep their order
      {u"\u05D0\U0001D400", true, {1, 2, 0}},                 // a pair stays in order
      {u"", true, {}},
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(gfx::BidiVisualOrder(C.Text, C.RTL), C.Order);
  }
  EXPECT_TRUE(gfx::HasRightToLeft(u"x\u05D0"));
  EXPECT_TRUE(gfx::HasRightToLeft(u"\u0627"));
  EXPECT_FALSE(gfx::HasRightToLeft(u"abc 123"));
}

TEST(FontFace, ThreadsMeasureTheSameWidths) {
  const gfx::TFontFace* Face = gfx::FindFace("Times New Roman", false, false);
  const std::u16string Text = u"The quick brown fox jumps over the lazy dog \u029F\u00E9";
  const int Expected = gfx::TSizedFont::Get(Face, 97)->TextWidth(Text);
  std::vector<int> Got(8);
  std::vector<std::thread> Threads;
  for (int T = 0; T < 8; ++T)
    Threads.emplace_back([&, T] { Got[T] = gfx::TSizedFont::Get(Face, 97)->TextWidth(Text); });
  for (auto& T : Threads) T.join();
  for (int W : Got) EXPECT_EQ(W, Expected);
}
