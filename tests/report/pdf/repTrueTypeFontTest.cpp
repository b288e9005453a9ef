// Faces, collections and subsets, checked against FreeType reading the same files.
#include "report/pdf/repTrueTypeCollection.h"

#include "platform/gfx/FontData.h"

#include "FontFixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

using namespace fontfix;
using ::testing::HasSubstr;

namespace {

// Font data and the collection made over it; the data must stay where it is.
class Loaded {
public:
  explicit Loaded(const std::string& File) : FData(Bytes(File)) {
    Collection.Initialize(FData.data(), FData.size());
  }
  Loaded(const Loaded&) = delete;
  Loaded& operator=(const Loaded&) = delete;
  TrueTypeCollection Collection;

private:
  std::vector<std::uint8_t> FData;
};

// The glyphs a glyph is drawn from, itself included, as FreeType reads the composites.
void AddClosure(const FTFont& F, unsigned Glyph, std::set<unsigned>& Out) {
  if (!Out.insert(Glyph).second) return;
  ASSERT_EQ(FT_Load_Glyph(F.Face(), Glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE), 0);
  if (F.Face()->glyph->format != FT_GLYPH_FORMAT_COMPOSITE) return;
  std::vector<unsigned> Parts;
  for (unsigned I = 0; I < F.Face()->glyph->num_subglyphs; ++I) {
    FT_Int Index;
    FT_UInt Flags;
    FT_Int Arg1, Arg2;
    FT_Matrix M;
    ASSERT_EQ(FT_Get_SubGlyph_Info(F.Face()->glyph, I, &Index, &Flags, &Arg1, &Arg2, &M), 0);
    Parts.push_back(static_cast<unsigned>(Index));
  }
  for (unsigned P : Parts) AddClosure(F, P, Out);
}

std::set<unsigned> Closure(const FTFont& F, const std::vector<std::uint16_t>& Glyphs) {
  std::set<unsigned> Out;
  for (std::uint16_t G : Glyphs) AddClosure(F, G, Out);
  return Out;
}

std::vector<std::uint16_t> GlyphsOf(const FTFont& F, const std::u32string& Text) {
  std::vector<std::uint16_t> R;
  for (char32_t C : Text) R.push_back(static_cast<std::uint16_t>(F.CharIndex(C)));
  return R;
}

// Directory sorted by tag, tables on 4-byte boundaries with zero padding, every table's
// checksum right and the whole file summing to B1B0AFBA.
void ExpectSoundFile(const std::string& File) {
  ASSERT_EQ(File.size() % 4, 0u);
  const Directory D = ReadDirectory(File);
  for (std::size_t I = 0; I < D.Entries.size(); ++I) {
    const DirEntry& E = D.Entries[I];
    if (I > 0) {
      EXPECT_LT(D.Entries[I - 1].Tag, E.Tag);
    }
    EXPECT_EQ(E.Offset % 4, 0u) << E.Tag;
    ASSERT_LE(E.Offset + E.Length, File.size()) << E.Tag;
    std::string Table = File.substr(E.Offset, E.Length);
    if (E.Tag == "head") Put32(Table, 8, 0);
    EXPECT_EQ(Checksum(Table, 0, Table.size()), E.CheckSum) << E.Tag;
    const std::size_t Pad = (4 - E.Length % 4) % 4;
    EXPECT_EQ(File.substr(E.Offset + E.Length, Pad), std::string(Pad, '\0')) << E.Tag;
  }
  EXPECT_EQ(Checksum(File, 0, File.size()), 0xB1B0AFBAu);
}

// The subset keeps the glyph count, draws the kept glyphs as the original does (advances
// included) and draws nothing for the others, whose advances are dropped (0) or kept.
void ExpectSubsetOf(const std::string& Original, long Face, const std::string& Subset,
                    const std::set<unsigned>& Kept) {
  ExpectSoundFile(Subset);
  FTFont O(Original, Face), S(Subset);
  ASSERT_TRUE(O.Loaded());
  ASSERT_TRUE(S.Loaded());
  ASSERT_EQ(S.GlyphCount(), O.GlyphCount());
  for (long G = 0; G < O.GlyphCount(); ++G) {
    const auto Glyph = static_cast<unsigned>(G);
    const GlyphShape Want = O.Shape(Glyph), Got = S.Shape(Glyph);
    if (Kept.count(Glyph)) {
      ASSERT_TRUE(Got == Want) << "glyph " << G;
    } else {
      ASSERT_TRUE(Got.Points.empty()) << "glyph " << G << " should be empty";
      ASSERT_TRUE(Got.Advance == 0 || Got.Advance == Want.Advance) << "glyph " << G;
    }
  }
}

std::set<unsigned> AsSet(const std::vector<std::uint16_t>& V) { return {V.begin(), V.end()}; }

// DejaVu Sans with glyph data only for the first 300 glyphs and "loca" in the short format.
std::string ShortLocaFont() {
  SfntFile F = SfntFile::Read(DejaVuSans());
  std::string& Loca = F.Table("loca");
  std::string& Glyf = F.Table("glyf");
  const std::size_t Count = Loca.size() / 4;
  const std::uint32_t End = BE32(Loca, 4 * 300);
  std::string Short;
  for (std::size_t I = 0; I < Count; ++I) Short += U16(std::min(BE32(Loca, 4 * I), End) / 2);
  Glyf.resize(End);
  Loca = Short;
  Put16(F.Table("head"), 50, 0);
  return F.Write();
}

} // namespace

TEST(TrueTypeSubset, AccentedLetterKeepsTheLetterAndTheAccent) {
  const std::string& Font = DejaVuSans();
  FTFont F(Font);
  const auto Used = GlyphsOf(F, U"AÁ");
  const std::set<unsigned> Expected = Closure(F, Used);
  ASSERT_EQ(Expected.size(), 3u);  // A, Aacute and the accent it is built from

  Loaded L(Font);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  ASSERT_NE(Face, nullptr);
  EXPECT_EQ(Face->FSubstitutionName, "");
  const std::string Subset = Text(L.Collection.PackFont(Face, Used));
  EXPECT_EQ(AsSet(Face->Indices), Expected);
  EXPECT_EQ(Face->Indices.size(), 3u);
  ExpectSubsetOf(Font, 0, Subset, Expected);
  EXPECT_LT(Subset.size(), Font.size() / 4);
  // Widths in thousandths of the em (2048 units here), remainder dropped.
  for (std::uint16_t G : Used) EXPECT_EQ(Face->get_GlyphWidth(G), F.Shape(G).Advance * 1000 / 2048);
  EXPECT_EQ(Face->get_GlyphWidth(F.CharIndex('Z')), 0);
}

TEST(TrueTypeSubset, CompositesBuiltFromCompositesKeepEveryLevel) {
  const std::string& Font = DejaVuSans();
  FTFont F(Font);
  // The first Latin letters whose parts are themselves built from parts.
  std::u32string Nested;
  for (char32_t C = 0xC0; C < 0x250 && Nested.size() < 3; ++C) {
    const auto G = static_cast<std::uint16_t>(F.CharIndex(C));
    if (!G) continue;
    ASSERT_EQ(FT_Load_Glyph(F.Face(), G, FT_LOAD_NO_SCALE | FT_LOAD_NO_RECURSE), 0);
    if (F.Face()->glyph->format != FT_GLYPH_FORMAT_COMPOSITE) continue;
    const unsigned DirectParts = F.Face()->glyph->num_subglyphs;
    // More than the glyph and its direct parts: some part has parts of its own.
    if (Closure(F, {G}).size() > 1u + DirectParts) Nested += C;
  }
  ASSERT_EQ(Nested.size(), 3u);
  const auto Used = GlyphsOf(F, Nested);
  Loaded L(Font);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  const std::string Subset = Text(L.Collection.PackFont(Face, Used));
  EXPECT_EQ(AsSet(Face->Indices), Closure(F, Used));
  ExpectSubsetOf(Font, 0, Subset, Closure(F, Used));
}

TEST(TrueTypeSubset, KeepingEveryGlyphReadsBackAsTheSameFont) {
  const std::string& Font = DejaVuSans();
  FTFont F(Font);
  std::vector<std::uint16_t> All;
  for (long G = 0; G < F.GlyphCount(); ++G) All.push_back(static_cast<std::uint16_t>(G));
  Loaded L(Font);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  const std::string Subset = Text(L.Collection.PackFont(Face, All));
  ExpectSubsetOf(Font, 0, Subset, AsSet(All));

  // Every table comes back byte for byte, but "post", which loses its glyph names.
  const Directory Before = ReadDirectory(Font), After = ReadDirectory(Subset);
  ASSERT_EQ(After.Entries.size(), Before.Entries.size());
  for (const DirEntry& E : Before.Entries) {
    const DirEntry* N = After.Find(E.Tag);
    ASSERT_NE(N, nullptr) << E.Tag;
    std::string Old = Font.substr(E.Offset, E.Length), New = Subset.substr(N->Offset, N->Length);
    if (E.Tag == "head") {
      Put32(Old, 8, 0);
      Put32(New, 8, 0);
    }
    if (E.Tag == "post") {
      EXPECT_EQ(New, U32(0x00030000) + Old.substr(4, 28));
      continue;
    }
    EXPECT_EQ(New, Old) << E.Tag;
    EXPECT_EQ(N->CheckSum, E.CheckSum) << E.Tag;
  }
  EXPECT_EQ(After.SearchRange, Before.SearchRange);
  EXPECT_EQ(After.EntrySelector, Before.EntrySelector);
  EXPECT_EQ(After.RangeShift, Before.RangeShift);

  // The subset is read again by the same code with checksums enforced.
  std::vector<std::uint8_t> Again = Bytes(Subset);
  TrueTypeFont Reread({Again.data(), Again.size()}, 0, ChecksumFaultAction_ThrowException);
  Reread.PrepareFont({});
  EXPECT_EQ(Reread.GetFamilyName(), "DejaVu Sans");
  EXPECT_EQ(Reread.profile->max_profile.numGlyphs, Face->profile->max_profile.numGlyphs);
  EXPECT_EQ(Reread.horizontal_header->horizontal_header.numberOfHMetrics,
            Face->horizontal_header->horizontal_header.numberOfHMetrics);
  EXPECT_EQ(Reread.font_header->font_header.unitsPerEm, 2048);
  EXPECT_EQ(Reread.cmap_table->endCount, Face->cmap_table->endCount);
  EXPECT_EQ(Reread.cmap_table->GlyphIndexArray, Face->cmap_table->GlyphIndexArray);
  EXPECT_EQ(Reread.postscript->post_script.Version, 0x00030000u);
  EXPECT_EQ(Reread.postscript->post_script.underlinePosition,
            Face->postscript->post_script.underlinePosition);
}

TEST(TrueTypeSubset, LeftOutTablesAreDroppedAndSearchFieldsKept) {
  SfntFile F = SfntFile::Read(DejaVuSans());
  F.Set("DSIG", U32(1) + U16(0) + U16(0));
  F.Set("hdmx", U16(0) + U16(0) + U32(0));
  const std::string Font = F.Write();
  const Directory Before = ReadDirectory(Font);
  ASSERT_EQ(Before.Entries.size(), 22u);

  Loaded L(Font);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  EXPECT_EQ(Face->dir.numTables, 20);
  FTFont FT(Font);
  const auto Used = GlyphsOf(FT, U"Hello");
  const std::string Subset = Text(L.Collection.PackFont(Face, Used));
  const Directory After = ReadDirectory(Subset);
  EXPECT_EQ(After.Entries.size(), 20u);
  EXPECT_EQ(After.Find("DSIG"), nullptr);
  EXPECT_EQ(After.Find("hdmx"), nullptr);
  EXPECT_NE(After.Find("FFTM"), nullptr);  // tables without a class of their own stay
  EXPECT_EQ(After.SearchRange, Before.SearchRange);
  EXPECT_EQ(After.EntrySelector, Before.EntrySelector);
  EXPECT_EQ(After.RangeShift, Before.RangeShift);
  ExpectSubsetOf(Font, 0, Subset, Closure(FT, Used));
}

TEST(TrueTypeSubset, ShortLocationFormat) {
  const std::string Font = ShortLocaFont();
  FTFont FT(Font);
  ASSERT_TRUE(FT.Loaded());
  const auto Used = GlyphsOf(FT, U"Ab");
  Loaded L(Font);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  ASSERT_EQ(Face->font_header->font_header.indexToLocFormat, 0);
  const std::string Subset = Text(L.Collection.PackFont(Face, Used));
  ExpectSubsetOf(Font, 0, Subset, Closure(FT, Used));
  const Directory D = ReadDirectory(Subset);
  const DirEntry* Loca = D.Find("loca");
  const DirEntry* Glyf = D.Find("glyf");
  EXPECT_EQ(2u * BE16(Subset, Loca->Offset + Loca->Length - 2), Glyf->Length);
  EXPECT_EQ(Loca->Length, ReadDirectory(Font).Find("loca")->Length);
}

TEST(TrueTypeSubset, WidthsOfGlyphsWithoutOutline) {
  // Glyphs from 300 on have no data in this font; their advances still come from "hmtx".
  const std::string Font = ShortLocaFont();
  FTFont FT(Font);
  Loaded L(Font);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  Face->BuildGlyphIndexList({0x667, 0x668, 3}, true, true, true, false);
  ASSERT_EQ(Face->Indices, (std::vector<std::uint16_t>{0x667, 0x668, 3}));
  EXPECT_EQ(Face->GlyphWidths[0], 0);  // the value 0x667 itself gets no width
  EXPECT_EQ(Face->GlyphWidths[1], FT.Shape(0x668).Advance * 1000 / 2048);
  EXPECT_EQ(Face->GlyphWidths[2], FT.Shape(3).Advance * 1000 / 2048);  // the space
  EXPECT_GT(Face->GlyphWidths[2], 0);
}

TEST(TrueTypeSubset, CharactersAreMappedThroughCmapUnlessShaped) {
  const std::string& Font = DejaVuSans();
  FTFont FT(Font);
  Loaded L(Font);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  Face->BuildGlyphIndexList({'W', ' ', 'W'}, false, true, true, false);
  const auto W = static_cast<std::uint16_t>(FT.CharIndex('W'));
  const auto Space = static_cast<std::uint16_t>(FT.CharIndex(' '));
  EXPECT_EQ(Face->Indices, (std::vector<std::uint16_t>{W, Space}));  // collated: W once
  EXPECT_EQ(Face->get_Glyph(1), Space);
  EXPECT_THROW(Face->get_Glyph(2), rt::EListError);
  EXPECT_EQ(Face->get_GlyphWidth(Space), FT.Shape(Space).Advance * 1000 / 2048);
  // Without collating every position is kept.
  Face->BuildGlyphIndexList({'W', ' ', 'W'}, false, true, false, false);
  EXPECT_EQ(Face->Indices, (std::vector<std::uint16_t>{W, Space, W}));
}

TEST(TrueTypeSubset, KerningWithTheNextGlyphComesOffTheWidth) {
  // A version-1 kern subtable holding one pair; the key is the next glyph in the high half.
  SfntFile F = SfntFile::Read(DejaVuSans());
  FTFont Original(DejaVuSans());
  const std::uint32_t A = Original.CharIndex('A'), V = Original.CharIndex('V');
  F.Set("kern", U16(0) + U16(1) + U16(1) + U16(20) + U16(1) + U16(1) + U16(0) + U16(0) + U16(0) +
                    U32(V << 16 | A) + U16(static_cast<std::uint16_t>(-300)));
  const std::string Font = F.Write();
  Loaded L(Font);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  const int WidthA = Original.Shape(A).Advance * 1000 / 2048;
  const int WidthV = Original.Shape(V).Advance * 1000 / 2048;
  struct Case {
    std::vector<std::uint16_t> Used;
    bool Kerning;
    std::vector<int> Widths;
  } Cases[] = {
      {{'A', 'V'}, true, {WidthA - (-300 * 1000 / 2048), WidthV}},  // -146, truncated
      {{'A', 'V'}, false, {WidthA, WidthV}},
      {{'V', 'A'}, true, {WidthV, WidthA}},  // the pair is A followed by V only
      {{'A'}, true, {WidthA}},               // the last position has no next glyph
  };
  for (const Case& C : Cases) {
    Face->BuildGlyphIndexList(C.Used, false, true, false, C.Kerning);
    EXPECT_EQ(Face->GlyphWidths, C.Widths) << C.Used.size() << C.Kerning;
  }
}

TEST(TrueTypeSubset, EmptyTablesAndSubsetsWithoutOutlinesPack) {
  // Zero-length copies once went through null pointers: an empty "prep", and a subset whose
  // glyphs (the space) have no outline, so that nothing of "glyf" is kept.
  SfntFile EmptyPrep = SfntFile::Read(DejaVuSans());
  EmptyPrep.Set("prep", "");
  struct Case {
    const char* Name;
    std::string Font;
    std::u32string Used;
  } Cases[] = {
      {"empty prep", EmptyPrep.Write(), U"Ab"},
      {"no outline kept", DejaVuSans(), U" "},
      {"both", EmptyPrep.Write(), U" "},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    FTFont FT(C.Font);
    ASSERT_TRUE(FT.Loaded());
    const auto Used = GlyphsOf(FT, C.Used);
    Loaded L(C.Font);
    TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
    const std::string Subset = Text(L.Collection.PackFont(Face, Used));
    ExpectSubsetOf(C.Font, 0, Subset, Closure(FT, Used));
  }
}

TEST(TrueTypeSubset, KeepListHoldsEachValueOnce) {
  Loaded L(DejaVuSans());
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  for (std::uint16_t G : {5, 9, 5, 7, 9}) Face->AddCharacterToKeepList(G);
  EXPECT_EQ(Face->ListOfUsedGlyphs, (std::vector<std::uint16_t>{5, 9, 7}));
}

TEST(TrueTypeSubset, FontWithoutGlyphTableCannotBePacked) {
  SfntFile F = SfntFile::Read(DejaVuSans());
  F.Remove("glyf");
  Loaded L(F.Write());
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  try {
    L.Collection.PackFont(Face, {36});
    FAIL() << "no exception";
  } catch (const rt::Exception& E) {
    EXPECT_EQ(E.Message(), "Glyph table not found");
  }
}

// ---- Collections and choosing the face

TEST(TrueTypeCollection, RecognisesTheFileByItsFirstBytes) {
  const SfntFile Sans = SfntFile::Read(DejaVuSans()), Bold = SfntFile::Read(DejaVuSansBold());
  std::string Version3 = WriteCollection({Sans}, 0x00030000);
  std::string Huge = WriteCollection({Sans});
  Put32(Huge, 8, 0x10000000);  // more faces than the file has room for
  struct Case {
    const char* What;
    std::string File;
    const char* Error;
    std::size_t Faces;
  } Cases[] = {
      {"single font", DejaVuSans(), nullptr, 1},
      {"collection 1.0", WriteCollection({Sans, Bold}), nullptr, 2},
      {"collection 2.0", WriteCollection({Sans, Bold}, 0x00020000), nullptr, 2},
      {"collection 3.0", Version3, "Unknown font collection version", 0},
      {"compact outlines", "OTTO" + std::string(100, '\0'), nullptr, 0},
      {"web font", "wOFF" + std::string(100, '\0'), "TrueType font format error", 0},
      {"too short", std::string("\0\1", 2), "TrueType font format error", 0},
      {"collection too short", Huge, "TrueType font format error", 0},
  };
  for (const Case& C : Cases) {
    std::vector<std::uint8_t> Data = Bytes(C.File);
    TrueTypeCollection T;
    if (C.Error) {
      try {
        T.Initialize(Data.data(), Data.size());
        ADD_FAILURE() << C.What << ": no exception";
      } catch (const rt::Exception& E) {
        EXPECT_EQ(E.Message(), C.Error) << C.What;
      }
      continue;
    }
    T.Initialize(Data.data(), Data.size());
    EXPECT_EQ(T.fonts_collection.size(), C.Faces) << C.What;
    if (C.Faces == 0) {
      EXPECT_EQ(T.LoadFont("DejaVu Sans", false, false), nullptr) << C.What;
    }
  }
}

TEST(TrueTypeCollection, ChoosesTheFaceByFullOrFamilyName) {
  const std::string File =
      WriteCollection({SfntFile::Read(DejaVuSans()), SfntFile::Read(DejaVuSansBold())});
  struct Case {
    std::string Name;
    bool Bold, Italic;
    std::size_t Face;
    std::string Substitution;
  } Cases[] = {
      {"DejaVu Sans", false, false, 0, ""},
      {"DejaVu Sans", true, false, 1, ""},       // full name "DejaVu Sans Bold"
      {"DejaVu Sans Bold", false, false, 1, ""},
      {"DejaVu Sans", false, true, 0, "DejaVu Sans Italic - DejaVu Sans"},
      {"DejaVu Sans", true, true, 0, "DejaVu Sans Bold Italic - DejaVu Sans"},
      {"dejavu sans", false, false, 0, "dejavu sans - DejaVu Sans"},  // case matters
      {"Tahoma Bold", true, false, 0, "Tahoma Negreta - DejaVu Sans"},  // no suffix added
      {"メイリオ", false, true, 0, "Meiryo - DejaVu Sans"},
      {"ＭＳ Ｐゴシック", false, false, 0, "MS PGothic - DejaVu Sans"},
  };
  for (const Case& C : Cases) {
    Loaded L(File);
    TrueTypeFont* Face = L.Collection.LoadFont(C.Name, C.Bold, C.Italic);
    ASSERT_NE(Face, nullptr);
    EXPECT_EQ(Face, L.Collection.fonts_collection[C.Face].get()) << C.Name << C.Bold << C.Italic;
    EXPECT_EQ(Face->FSubstitutionName, C.Substitution) << C.Name << C.Bold << C.Italic;
  }
}

TEST(TrueTypeCollection, FamilyRecordEqualToTheFullNameIsPreferred) {
  // Two family records; the one that equals the full name (ignoring case) is the family name.
  SfntFile F = SfntFile::Read(DejaVuSans());
  F.Set("name", NameTable({{3, 1, 1, u"Plain Family"},
                           {3, 1, 1, u"Sample Face"},
                           {3, 1, 1, u"Last Family"},
                           {3, 1, 4, u"SAMPLE FACE"}}));
  const std::string File = F.Write();
  struct Case {
    std::string Name;
    bool Matches;
  } Cases[] = {{"SAMPLE FACE", true}, {"Sample Face", true}, {"Plain Family", false},
               {"Last Family", false}};
  for (const Case& C : Cases) {
    Loaded L(File);
    TrueTypeFont* Face = L.Collection.LoadFont(C.Name, false, false);
    EXPECT_EQ(Face->FSubstitutionName.empty(), C.Matches) << C.Name;
  }
  // Without a record equal to the full name the last family record counts.
  F.Set("name", NameTable({{3, 1, 1, u"Plain Family"}, {3, 1, 1, u"Last Family"}, {3, 1, 4, u"Other"}}));
  Loaded L(F.Write());
  EXPECT_EQ(L.Collection.LoadFont("Last Family", false, false)->FSubstitutionName, "");
}

TEST(TrueTypeCollection, FaceOfACollectionPacksIntoAStandaloneFont) {
  const std::string File =
      WriteCollection({SfntFile::Read(DejaVuSans()), SfntFile::Read(DejaVuSansBold())}, 0x00020000);
  FTFont FT(File, 1);
  ASSERT_TRUE(FT.Loaded());
  const auto Used = GlyphsOf(FT, U"Größe 42 Ω");
  Loaded L(File);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", true, false);
  ASSERT_EQ(Face, L.Collection.fonts_collection[1].get());
  const std::string Subset = Text(L.Collection.PackFont(Face, Used));
  ASSERT_EQ(Subset.substr(0, 4), std::string("\0\1\0\0", 4));
  ExpectSubsetOf(DejaVuSansBold(), 0, Subset, Closure(FT, Used));
  FTFont S(Subset);
  EXPECT_STREQ(S.Face()->family_name, "DejaVu Sans");
  EXPECT_STREQ(S.Face()->style_name, "Bold");
}

TEST(TrueTypeCollection, InstalledFontIsFoundAndSubset) {
  std::vector<std::uint8_t> Data = gfx::GetFontData("DejaVu Sans", true, false);
  ASSERT_FALSE(Data.empty());
  const std::string Original = Text(Data);
  TrueTypeCollection C;
  C.Initialize(Data.data(), Data.size());
  TrueTypeFont* Face = C.LoadFont("DejaVu Sans", true, false);
  ASSERT_NE(Face, nullptr);
  EXPECT_EQ(Face->FSubstitutionName, "");
  FTFont FT(Original);
  const auto Used = GlyphsOf(FT, U"Valve sizing report");
  const std::string Subset = Text(C.PackFont(Face, Used));
  ExpectSubsetOf(Original, 0, Subset, Closure(FT, Used));
  // The font data now starts with the subset.
  EXPECT_EQ(std::string(Data.begin(), Data.begin() + static_cast<long>(Subset.size())), Subset);
}

// ---- Checksums and damaged files

TEST(TrueTypeFont, TableChecksumsAreVerifiedAsAsked) {
  SfntFile F = SfntFile::Read(DejaVuSans());
  std::string Font = F.Write();
  const DirEntry FFTM = *ReadDirectory(Font).Find("FFTM");
  const std::uint32_t Stored = FFTM.CheckSum;
  Font[FFTM.Offset + 4] = static_cast<char>(Font[FFTM.Offset + 4] ^ 0x01);
  const std::uint32_t Computed = Checksum(Font, FFTM.Offset, FFTM.Length);
  const std::string Message = "Table ID \"FFTM\" checksum error." + std::to_string(Computed) + " " +
                              std::to_string(Stored);

  std::vector<std::uint8_t> Data = Bytes(Font);
  TrueTypeFont Strict({Data.data(), Data.size()}, 0, ChecksumFaultAction_ThrowException);
  try {
    Strict.PrepareFont({});
    FAIL() << "no exception";
  } catch (const rt::Exception& E) {
    EXPECT_EQ(E.Message(), Message);
  }
  TrueTypeFont Lenient({Data.data(), Data.size()}, 0, ChecksumFaultAction_IgnoreChecksum);
  EXPECT_NO_THROW(Lenient.PrepareFont({}));
  // The collection warns and goes on.
  testing::internal::CaptureStderr();
  Loaded L(Font);
  TrueTypeFont* Face = L.Collection.LoadFont("DejaVu Sans", false, false);
  EXPECT_THAT(testing::internal::GetCapturedStderr(), HasSubstr(Message));
  ASSERT_NE(Face, nullptr);
  EXPECT_EQ(Face->FSubstitutionName, "");

  // Families known for wrong checksums are not checked at all.
  F.Set("name", NameTable({{3, 1, 1, u"Roboto Cn"}, {3, 1, 4, u"Roboto Cn"}}));
  std::string Exempt = F.Write();
  const DirEntry E = *ReadDirectory(Exempt).Find("FFTM");
  Exempt[E.Offset + 4] = static_cast<char>(Exempt[E.Offset + 4] ^ 0x01);
  std::vector<std::uint8_t> ExemptData = Bytes(Exempt);
  TrueTypeFont Roboto({ExemptData.data(), ExemptData.size()}, 0, ChecksumFaultAction_ThrowException);
  EXPECT_NO_THROW(Roboto.PrepareFont({}));
  EXPECT_TRUE(FindTrueTypeFontName("ROBOTO CN"));
  EXPECT_FALSE(FindTrueTypeFontName("DejaVu Sans"));
}

TEST(TrueTypeFont, DamagedFilesAreRefused) {
  const std::string Font = DejaVuSans();
  const Directory D = ReadDirectory(Font);
  auto WithEntry = [&](const std::string& Tag, std::size_t Field, std::uint32_t Value) {
    std::string F = Font;
    for (std::size_t I = 0; I < D.Entries.size(); ++I)
      if (D.Entries[I].Tag == Tag) Put32(F, 12 + 16 * I + Field, Value);
    return F;
  };
  std::string ManyTables = Font;
  Put16(ManyTables, 4, 0xFFFF);
  std::string NoUnits = Font;
  Put16(NoUnits, D.Find("head")->Offset + 18, 0);
  struct Case {
    const char* What;
    std::string File;
  } Cases[] = {
      {"cut in half", Font.substr(0, Font.size() / 2)},
      {"table past the end", WithEntry("name", 8, static_cast<std::uint32_t>(Font.size()) - 10)},
      {"table longer than the file", WithEntry("glyf", 12, 0xFFFFFFF0u)},
      {"directory past the end", ManyTables},
      {"no units per em", NoUnits},
      {"head too short", WithEntry("head", 12, 20)},
  };
  for (const Case& C : Cases) {
    std::vector<std::uint8_t> Data = Bytes(C.File);
    TrueTypeFont F({Data.data(), Data.size()}, 0, ChecksumFaultAction_IgnoreChecksum);
    try {
      F.PrepareFont({});
      ADD_FAILURE() << C.What << ": no exception";
    } catch (const rt::Exception& E) {
      EXPECT_EQ(E.Message(), "TrueType font format error") << C.What;
    }
  }
}
