// The table readers of a TrueType file, on hand-made tables and on the system's DejaVu fonts.
#include "report/pdf/repTrueTypeFont.h"

#include "FontFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace fontfix;

namespace {

std::string Entry(const std::string& Tag, std::uint32_t Offset, std::uint32_t Length) {
  return Tag + U32(0) + U32(Offset) + U32(Length);
}

TTFBuffer Buffer(std::string& Data) {
  return {reinterpret_cast<std::uint8_t*>(Data.data()), Data.size()};
}

// A table of class T made over Data, where the table starts at Offset.
template <class T>
std::unique_ptr<T> MakeTable(const std::string& Tag, std::uint32_t Offset,
                             std::uint32_t Length) {
  const std::string E = Entry(Tag, Offset, Length);
  TrueTypeTable Generic(reinterpret_cast<const std::uint8_t*>(E.data()));
  return std::make_unique<T>(Generic);
}

template <class T>
std::unique_ptr<T> LoadTable(std::string& Data, const std::string& Tag) {
  auto Table = MakeTable<T>(Tag, 0, static_cast<std::uint32_t>(Data.size()));
  Table->Load(Buffer(Data));
  return Table;
}

struct Segment {
  std::uint16_t Start, End;
  std::int16_t Delta;
  std::uint16_t RangeOffset;
};

std::string Format4(const std::vector<Segment>& Segs, const std::vector<std::uint16_t>& Glyphs) {
  const auto N = static_cast<std::uint32_t>(Segs.size());
  std::string S = U16(4) + U16(16 + 8 * N + 2 * static_cast<std::uint32_t>(Glyphs.size())) + U16(0) +
                  U16(2 * N) + U16(0) + U16(0) + U16(0);
  for (const Segment& G : Segs) S += U16(G.End);
  S += U16(0);
  for (const Segment& G : Segs) S += U16(G.Start);
  for (const Segment& G : Segs) S += U16(static_cast<std::uint16_t>(G.Delta));
  for (const Segment& G : Segs) S += U16(G.RangeOffset);
  for (std::uint16_t G : Glyphs) S += U16(G);
  return S;
}

struct Encoding {
  std::uint16_t Platform, EncodingID;
  std::string Subtable;
};

std::string Cmap(const std::vector<Encoding>& Encodings) {
  std::string Head = U16(0) + U16(static_cast<std::uint32_t>(Encodings.size())), Body;
  const std::uint32_t Start = 4 + 8 * static_cast<std::uint32_t>(Encodings.size());
  for (const Encoding& E : Encodings) {
    Head += U16(E.Platform) + U16(E.EncodingID) + U32(Start + static_cast<std::uint32_t>(Body.size()));
    Body += E.Subtable;
  }
  return Head + Body;
}

std::string Format(std::uint16_t F) { return U16(F) + std::string(30, '\0'); }

// Characters 0x20..0x7E by delta (glyph = ch - 29), 0x100..0x102 through the glyph array, and
// the closing segment at 0xFFFF with a delta of 10.
std::string SampleFormat4() {
  return Format4({{0x20, 0x7E, -29, 0}, {0x100, 0x102, 1, 4}, {0xFFFF, 0xFFFF, 10, 0}}, {5, 0, 7});
}

} // namespace

TEST(CmapTable, CharactersToGlyphs) {
  std::string Data = Cmap({{3, 1, SampleFormat4()}});
  auto T = LoadTable<CmapTableClass>(Data, "cmap");
  EXPECT_EQ(T->segment_count, 3);
  struct Case {
    std::uint16_t Ch, Glyph;
  } Cases[] = {
      {0x00, 0},      {0x1F, 0},   // below the first segment's start
      {0x20, 3},      {0x41, 36},  {0x7E, 97},
      {0x7F, 0},                   // between segments: below the next segment's start
      {0x100, 6},                  // array entry 5, plus the delta
      {0x101, 0},                  // array entry 0 stays 0 whatever the delta
      {0x102, 8},     {0x103, 0},
      {0xFFFF, 9},                 // the closing segment maps through its delta
  };
  for (const Case& C : Cases) EXPECT_EQ(T->GetGlyphIndex(C.Ch), C.Glyph) << std::hex << C.Ch;
}

TEST(CmapTable, OnlyTheWindowsUnicodeSubtableInFormat4IsRead) {
  struct Case {
    const char* What;
    std::vector<Encoding> Encodings;
    const char* Error;         // nullptr: loads
    std::uint16_t GlyphOfA;    // when it loads
  } Cases[] = {
      {"symbol font", {{3, 0, SampleFormat4()}}, nullptr, 0},
      {"format 12 only", {{3, 1, Format(12)}}, nullptr, 0},
      {"Macintosh byte table beside", {{1, 0, Format(0)}, {3, 1, SampleFormat4()}}, nullptr, 36},
      {"Unicode platform ignored", {{0, 3, SampleFormat4()}}, nullptr, 0},
      {"byte encoding", {{3, 1, Format(0)}}, "TO DO: ByteEncoding cmap format not implemented", 0},
      {"high byte", {{3, 1, Format(2)}}, "TO DO: HighByteMapping cmap format not implemented", 0},
      {"trimmed", {{3, 1, Format(6)}}, "TO DO: TrimmedTable cmap format not implemented", 0},
      {"later record wins",
       {{3, 1, Format4({{0x41, 0x41, 1, 0}, {0xFFFF, 0xFFFF, 1, 0}}, {})}, {3, 1, SampleFormat4()}},
       nullptr, 36},
  };
  for (const Case& C : Cases) {
    std::string Data = Cmap(C.Encodings);
    auto T = MakeTable<CmapTableClass>("cmap", 0, static_cast<std::uint32_t>(Data.size()));
    if (C.Error) {
      try {
        T->Load(Buffer(Data));
        ADD_FAILURE() << C.What << ": no exception";
      } catch (const rt::Exception& E) {
        EXPECT_EQ(E.Message(), C.Error) << C.What;
      }
    } else {
      T->Load(Buffer(Data));
      EXPECT_EQ(T->GetGlyphIndex('A'), C.GlyphOfA) << C.What;
    }
  }
}

TEST(CmapTable, AgreesWithFreeTypeOnEveryBMPCharacterOfDejaVu) {
  std::string Data = DejaVuSans();
  const Directory D = ReadDirectory(Data);
  const DirEntry* E = D.Find("cmap");
  ASSERT_NE(E, nullptr);
  auto T = MakeTable<CmapTableClass>("cmap", E->Offset, E->Length);
  T->Load(Buffer(Data));
  FTFont F(DejaVuSans());
  ASSERT_TRUE(F.Loaded());
  int Mapped = 0;
  for (unsigned Ch = 0; Ch <= 0xFFFF; ++Ch) {
    const unsigned Expected = F.CharIndex(Ch);
    ASSERT_EQ(T->GetGlyphIndex(static_cast<std::uint16_t>(Ch)), Expected) << std::hex << Ch;
    Mapped += Expected != 0;
  }
  EXPECT_GT(Mapped, 3000);
}

TEST(IndexToLocation, ShortOffsetsCountInWordsLongInBytes) {
  std::string Head(54, '\0');
  struct Case {
    std::int16_t Format;
    std::string Loca;
  } Cases[] = {{0, U16(0) + U16(10) + U16(10) + U16(25)},
               {1, U32(0) + U32(20) + U32(20) + U32(50)}};
  for (const Case& C : Cases) {
    Put16(Head, 50, static_cast<std::uint16_t>(C.Format));
    std::string HeadData = Head;
    auto H = LoadTable<FontHeaderClass>(HeadData, "head");
    std::string Data = C.Loca;
    auto L = MakeTable<IndexToLocationClass>("loca", 0, static_cast<std::uint32_t>(Data.size()));
    L->LoadIndexToLocation(Buffer(Data), *H);
    struct Glyph {
      std::uint32_t Index, Size, Location;
    } Glyphs[] = {{0, 20, 0}, {1, 0, 20}, {2, 30, 20}, {3, 0, 0}, {99, 0, 0}};
    for (const Glyph& G : Glyphs) {
      std::uint32_t Location = 12345;
      EXPECT_EQ(L->GetGlyph(G.Index, *H, Location), G.Size) << C.Format << " glyph " << G.Index;
      EXPECT_EQ(Location, G.Location) << C.Format << " glyph " << G.Index;
    }
  }
  Put16(Head, 50, 2);
  auto H = LoadTable<FontHeaderClass>(Head, "head");
  std::string Data = U32(0) + U32(4);
  auto L = MakeTable<IndexToLocationClass>("loca", 0, 8);
  try {
    L->LoadIndexToLocation(Buffer(Data), *H);
    FAIL() << "no exception";
  } catch (const rt::Exception& E) {
    EXPECT_EQ(E.Message(), "Unsupported Index to Location format");
  }
}

TEST(GlyphTable, ComponentsOfACompositeInFileOrder) {
  const std::string Header = U16(0xFFFF) + std::string(8, '\0');  // -1 contours, bounding box
  // flags: words | more; scale | more; x-and-y scale | more; two-by-two (last).
  const std::string Composite = Header + U16(0x0021) + U16(7) + U32(0) +            // word arguments
                                U16(0x0028) + U16(8) + U16(0) + U16(0x4000) +        // scale
                                U16(0x0060) + U16(9) + U16(0) + U32(0x40004000) +    // x and y scale
                                U16(0x0080) + U16(11) + U16(0) + U32(0) + U32(0);    // 2 by 2
  const std::string Simple = U16(1) + std::string(8, '\0') + U16(0) + U16(0) + std::string(4, '\0');
  std::string Data = Simple + Composite;
  auto G = LoadTable<GlyphTableClass>(Data, "glyf");
  const auto SimpleSize = static_cast<std::uint32_t>(Simple.size());
  const auto CompositeSize = static_cast<std::uint32_t>(Composite.size());
  EXPECT_TRUE(G->CheckGlyph(0, SimpleSize).empty());
  EXPECT_EQ(G->CheckGlyph(SimpleSize, CompositeSize), (std::vector<std::uint16_t>{7, 8, 9, 11}));
  EXPECT_TRUE(G->CheckGlyph(0, 0).empty());
  // A composite whose records run past its size, and a glyph past the table, are refused.
  EXPECT_THROW(G->CheckGlyph(SimpleSize, CompositeSize - 12), rt::Exception);
  EXPECT_THROW(G->CheckGlyph(SimpleSize, CompositeSize + 2), rt::Exception);
}

TEST(TrueTypeTable, GenericSavePadsToFourBytes) {
  std::string From = std::string(8, 'x') + std::string(54, '\xAB') + std::string(6, 'y');
  auto T = MakeTable<TrueTypeTable>("abcd", 8, 54);
  std::string Out(100, '\x55');
  TTFBuffer To = Buffer(Out);
  EXPECT_EQ(T->Save(Buffer(From), To, 12), 12u + 56u);
  EXPECT_EQ(Out.substr(12, 54), std::string(54, '\xAB'));
  EXPECT_EQ(Out.substr(66, 2), std::string(2, '\0'));
  EXPECT_EQ(Out.substr(68, 4), std::string(4, '\x55'));  // nothing beyond the padding
  EXPECT_EQ(T->entry.offset, 12u);
  EXPECT_EQ(T->entry.length, 54u);

  // Within one buffer the source and destination may overlap.
  std::string Same = std::string(4, '\0') + "0123456789";
  auto U = MakeTable<TrueTypeTable>("abcd", 4, 10);
  TTFBuffer B = Buffer(Same);
  EXPECT_EQ(U->Save(B, B, 0), 12u);
  EXPECT_EQ(Same.substr(0, 12), std::string("0123456789\0\0", 12));
}

TEST(TrueTypeTable, DirectoryEntryRoundTrip) {
  const std::string E = "glyf" + U32(0x01020304) + U32(0x1000) + U32(0x2345);
  TrueTypeTable T(reinterpret_cast<const std::uint8_t*>(E.data()));
  EXPECT_EQ(T.GetTAGLINE(), "glyf");
  EXPECT_EQ(T.entry.checkSum, 0x01020304u);
  EXPECT_EQ(T.entry.offset, 0x1000u);
  EXPECT_EQ(T.entry.length, 0x2345u);
  std::string Out(16, '\0');
  auto* End = T.StoreDescriptor(reinterpret_cast<std::uint8_t*>(Out.data()));
  EXPECT_EQ(End, reinterpret_cast<std::uint8_t*>(Out.data()) + 16);
  EXPECT_EQ(Out, E);
}

TEST(PostScriptTable, VersionTwoWithGlyphNamesBecomesThirtyTwoByteVersionThree) {
  std::string Data = DejaVuSans();
  const Directory D = ReadDirectory(Data);
  const DirEntry* E = D.Find("post");
  ASSERT_EQ(BE32(Data, E->Offset), 0x00020000u);
  ASSERT_GT(E->Length, 32u);
  auto P = MakeTable<PostScriptClass>("post", E->Offset, E->Length);
  P->Load(Buffer(Data));
  std::string Out(64, '\x77');
  TTFBuffer To = Buffer(Out);
  EXPECT_EQ(P->Save(Buffer(Data), To, 16), 48u);
  const std::string Expected = U32(0x00030000) + Data.substr(E->Offset + 4, 28);
  EXPECT_EQ(Out.substr(16, 32), Expected);
  EXPECT_EQ(P->entry.length, 32u);
  EXPECT_EQ(P->entry.offset, 16u);
  EXPECT_EQ(P->entry.checkSum, Checksum(Expected, 0, 32));
}

TEST(FontHeaderTable, LoadClearsTheAdjustmentAndSaveWritesItBack) {
  std::string Data = DejaVuSans();
  const Directory D = ReadDirectory(Data);
  const DirEntry* E = D.Find("head");
  const std::uint32_t Adjustment = BE32(Data, E->Offset + 8);
  ASSERT_NE(Adjustment, 0u);
  const std::string Original = Data.substr(E->Offset, 54);
  auto H = MakeTable<FontHeaderClass>("head", E->Offset, E->Length);
  H->Load(Buffer(Data));
  EXPECT_EQ(BE32(Data, E->Offset + 8), 0u);
  EXPECT_EQ(H->font_header.checkSumAdjustment, Adjustment);
  EXPECT_EQ(H->font_header.magicNumber, 0x5F0F3CF5u);
  EXPECT_EQ(H->font_header.unitsPerEm, 2048);
  // The checksum of the header is that of the table with the adjustment 0.
  EXPECT_EQ(Checksum(Data, E->Offset, E->Length), E->CheckSum);
  TTFBuffer B = Buffer(Data);
  H->SaveFontHeader(B, Adjustment);
  EXPECT_EQ(Data.substr(E->Offset, 54), Original);
}

TEST(HorizontalMetrics, GlyphsBeyondTheMetricsTakeTheLastEntry) {
  std::string Data = U16(1000) + U16(10) + U16(600) + U16(static_cast<std::uint16_t>(-5)) + U16(7) + U16(8);
  auto H = MakeTable<HorizontalMetrixClass>("hmtx", 0, static_cast<std::uint32_t>(Data.size()));
  H->NumberOfMetrics = 2;
  H->Load(Buffer(Data));
  EXPECT_EQ(H->GetItem(0).advanceWidth, 1000);
  EXPECT_EQ(H->GetItem(1).lsb, -5);
  EXPECT_EQ(H->GetItem(2).advanceWidth, 600);
  EXPECT_EQ(H->GetItem(500).advanceWidth, 600);
  // More metrics than the table holds: the font is refused.
  auto Bad = MakeTable<HorizontalMetrixClass>("hmtx", 0, static_cast<std::uint32_t>(Data.size()));
  Bad->NumberOfMetrics = 4;
  EXPECT_THROW(Bad->Load(Buffer(Data)), rt::Exception);
}


TEST(NameTable, LooksUpWindowsUnicodeRecords) {
  std::string Data = NameTable({
      {1, 0, 1, u"Mac Family"},     // Macintosh records are not read
      {3, 1, 1, u"Sample"},
      {3, 1, 1, u"Sample Wide"},
      {3, 10, 1, u"Other Encoding"},
      {3, 1, 4, u"SAMPLE WIDE"},
      {0, 3, 4, u"Unicode Platform"},
      {3, 1, 6, u"Ünïcödé ✓"},
  });
  auto N = LoadTable<NameTableClass>(Data, "name");
  EXPECT_EQ(N->FPlatform, 3);
  struct Case {
    std::uint16_t NameID;
    std::string Wanted, Text;
    bool Found;
  } Cases[] = {
      {1, "", "Sample", true},
      {1, "sample wide", "Sample Wide", true},   // ASCII case ignored
      {1, "Nothing", "Sample Wide", false},      // no match: the last one looked at
      {4, "", "SAMPLE WIDE", true},
      {4, "unicode platform", "Unicode Platform", true},
      {6, "", "Ünïcödé ✓", true},                // UTF-16 text comes back as UTF-8
      {2, "", "", false},
  };
  for (const Case& C : Cases) {
    std::string Text = "junk";
    EXPECT_EQ(N->IsHasFontName(C.NameID, C.Wanted, Text), C.Found) << C.NameID << " " << C.Wanted;
    EXPECT_EQ(Text, C.Text) << C.NameID << " " << C.Wanted;
  }
  EXPECT_EQ(N->get_Item(1), "Sample");
  EXPECT_EQ(N->get_Item(4), "SAMPLE WIDE");
}

TEST(NameTable, RecordsPointingOutsideTheTableAreSkipped) {
  std::string Data = NameTable({{3, 1, 1, u"Good"}});
  Put16(Data, 6 + 10, 4000);  // string offset far past the table
  auto N = LoadTable<NameTableClass>(Data, "name");
  EXPECT_EQ(N->get_Item(1), "");
  std::string Short = U16(0) + U16(50) + U16(0);  // 50 records announced, none present
  auto Bad = MakeTable<NameTableClass>("name", 0, static_cast<std::uint32_t>(Short.size()));
  EXPECT_THROW(Bad->Load(Buffer(Short)), rt::Exception);
}

TEST(KerningTable, WindowsSubtablesCarryNoPairs) {
  // DejaVu's kern table is of the Windows kind (subtable version 0): its pairs are not used.
  std::string Data = DejaVuSans();
  const Directory D = ReadDirectory(Data);
  const DirEntry* E = D.Find("kern");
  ASSERT_NE(E, nullptr);
  auto K = MakeTable<KerningTableClass>("kern", E->Offset, E->Length);
  K->Load(Buffer(Data));
  ASSERT_EQ(K->kerning_subtables_collection.size(), 1u);
  EXPECT_EQ(K->kerning_subtables_collection[0]->common_header.Version, 0);
  const std::size_t FirstPair = E->Offset + 4 + 6 + 8;
  const std::uint32_t Key = BE32(Data, FirstPair);
  ASSERT_NE(BE16(Data, FirstPair + 4), 0);
  EXPECT_EQ(K->get_Item(Key), 0);
}

TEST(KerningTable, VersionOneSubtablePairsAreLookedUpInTheFirstSubtable) {
  auto Subtable = [](std::vector<std::pair<std::uint32_t, std::int16_t>> Pairs) {
    std::string S = U16(1) + U16(14 + 6 * static_cast<std::uint32_t>(Pairs.size())) + U16(0x0001) +
                    U16(static_cast<std::uint32_t>(Pairs.size())) + U16(0) + U16(0) + U16(0);
    for (auto& P : Pairs) S += U32(P.first) + U16(static_cast<std::uint16_t>(P.second));
    return S;
  };
  std::string Data = U16(0) + U16(2) + Subtable({{0x00240039, -80}, {0x00390024, 40}}) +
                     Subtable({{0x00010002, 99}});
  auto K = LoadTable<KerningTableClass>(Data, "kern");
  ASSERT_EQ(K->kerning_subtables_collection.size(), 2u);
  EXPECT_EQ(K->get_Item(0x00240039), -80);
  EXPECT_EQ(K->get_Item(0x00390024), 40);
  EXPECT_EQ(K->get_Item(0x00010002), 0);  // second subtable
  EXPECT_EQ(K->get_Item(0x00240024), 0);
  // A subtable that gives no length ends the walk rather than reading itself again.
  std::string Loop = U16(0) + U16(1000) + U16(1) + U16(0) + U16(0x0001);
  auto L = LoadTable<KerningTableClass>(Loop, "kern");
  EXPECT_EQ(L->kerning_subtables_collection.size(), 1u);
}

TEST(FixedTables, ReadAndWrittenBackUnchanged) {
  std::string Data = DejaVuSans();
  const Directory D = ReadDirectory(Data);
  for (const char* Tag : {"hhea", "maxp", "OS/2", "prep"}) {
    const DirEntry* E = D.Find(Tag);
    ASSERT_NE(E, nullptr) << Tag;
    std::unique_ptr<TrueTypeTable> T;
    if (E->Tag == "hhea") T = MakeTable<HorizontalHeaderClass>(Tag, E->Offset, E->Length);
    if (E->Tag == "maxp") T = MakeTable<MaximumProfileClass>(Tag, E->Offset, E->Length);
    if (E->Tag == "OS/2") T = MakeTable<OS2WindowsMetricsClass>(Tag, E->Offset, E->Length);
    if (E->Tag == "prep") T = MakeTable<PreProgramClass>(Tag, E->Offset, E->Length);
    T->Load(Buffer(Data));
    std::string Out(E->Length + 64, '\x99');
    TTFBuffer To = Buffer(Out);
    const std::uint32_t Next = T->Save(Buffer(Data), To, 8);
    const std::uint32_t Rounded = (E->Length + 3) / 4 * 4;
    EXPECT_EQ(Next, 8 + Rounded) << Tag;
    EXPECT_EQ(Out.substr(8, E->Length), Data.substr(E->Offset, E->Length)) << Tag;
    EXPECT_EQ(Out.substr(8 + E->Length, Rounded - E->Length), std::string(Rounded - E->Length, '\0')) << Tag;
  }
  const DirEntry* E = D.Find("hhea");
  auto H = MakeTable<HorizontalHeaderClass>("hhea", E->Offset, E->Length);
  H->Load(Buffer(Data));
  EXPECT_EQ(H->horizontal_header.numberOfHMetrics, BE16(Data, E->Offset + 34));
  EXPECT_EQ(H->horizontal_header.Ascender, static_cast<std::int16_t>(BE16(Data, E->Offset + 4)));
  E = D.Find("OS/2");
  auto O = MakeTable<OS2WindowsMetricsClass>("OS/2", E->Offset, E->Length);
  O->Load(Buffer(Data));
  EXPECT_EQ(O->win_metrix->xAvgCharWidth, static_cast<std::int16_t>(BE16(Data, E->Offset + 2)));
  EXPECT_EQ(std::string(O->win_metrix->achVendID, 4), Data.substr(E->Offset + 58, 4));
  EXPECT_EQ(O->win_metrix->sxHeight, 0);  // a version 1 table ends before it
  E = D.Find("maxp");
  auto M = MakeTable<MaximumProfileClass>("maxp", E->Offset, E->Length);
  M->Load(Buffer(Data));
  EXPECT_EQ(M->max_profile.numGlyphs, 6253);
}

TEST(TTFBuffer, RangesOutsideTheDataAreAFormatError) {
  std::string Data(100, '\0');
  TTFBuffer B = Buffer(Data);
  EXPECT_EQ(B.At(0, 100), B.Data);
  EXPECT_EQ(B.At(100, 0), B.Data + 100);
  for (auto [Offset, Length] : {std::pair<std::uint64_t, std::uint64_t>{0, 101}, {99, 2}, {101, 0},
                                {0xFFFFFFFFull, 0xFFFFFFFFull}, {~0ull, 2}}) {
    try {
      B.At(Offset, Length);
      ADD_FAILURE() << Offset << "+" << Length;
    } catch (const rt::Exception& E) {
      EXPECT_EQ(E.Message(), "TrueType font format error");
    }
  }
}
