// The metafile canvas writes a well-formed metafile: a header that describes the file, records
// whose sizes chain to the end record, and objects created only when the drawing state changes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <vector>

#include "platform/gfx/MetafileCanvas.h"
#include "platform/gfx/Picture.h"

namespace {

std::uint32_t U32(const std::string& S, std::size_t At) {
  std::uint32_t V = 0;
  std::memcpy(&V, S.data() + At, 4);
  return V;
}

// The record types in order; fails the test when the sizes do not chain.
std::vector<std::uint32_t> Walk(const std::string& S) {
  std::vector<std::uint32_t> Types;
  std::size_t At = 0;
  while (At < S.size()) {
    const std::uint32_t Size = U32(S, At + 4);
    EXPECT_GE(Size, 8u);
    EXPECT_EQ(Size % 4, 0u);
    if (Size < 8) break;
    Types.push_back(U32(S, At));
    At += Size;
  }
  EXPECT_EQ(At, S.size());
  return Types;
}

} // namespace

TEST(MetafileCanvas, HeaderDescribesTheFileAndItsSize) {
  gfx::TMetafileCanvas C(200, 100);
  C.Rectangle(0, 0, 10, 10);
  const std::string S = C.Bytes();
  const auto Types = Walk(S);
  ASSERT_FALSE(Types.empty());
  EXPECT_EQ(Types.front(), 1u);  // header
  EXPECT_EQ(Types.back(), 14u);  // end of file
  EXPECT_EQ(U32(S, 40), 0x464D4520u);
  EXPECT_EQ(U32(S, 48), S.size());        // nBytes
  EXPECT_EQ(U32(S, 52), Types.size());    // nRecords
  // The frame is the canvas at 96 pixels per inch, in hundredths of a millimetre.
  EXPECT_EQ(static_cast<std::int32_t>(U32(S, 32)), 5292);
  EXPECT_EQ(static_cast<std::int32_t>(U32(S, 36)), 2646);
  auto M = C.Metafile();
  EXPECT_EQ(M->Width(), 200);
  EXPECT_EQ(M->Height(), 100);
  EXPECT_EQ(M->Bytes(), S);
}

TEST(MetafileCanvas, ObjectsAreWrittenOnlyWhenTheStateChanges) {
  gfx::TMetafileCanvas C(50, 50);
  C.Pen.Color = 0x0000FF;
  C.Rectangle(0, 0, 10, 10);
  C.Ellipse(0, 0, 10, 10);
  C.Polygon({{0, 0}, {5, 5}, {0, 5}});
  C.Pen.Width = 3;
  C.Brush.Style = gfx::bsClear;
  C.Rectangle(0, 0, 10, 10);
  gfx::TTextOut T;
  T.Text = u"ab";
  T.FontHeight = 12;
  C.ExtTextOut(T);
  C.ExtTextOut(T);
  std::map<std::uint32_t, int> Count;
  for (std::uint32_t Type : Walk(C.Bytes())) ++Count[Type];
  EXPECT_EQ(Count[38], 2);  // pens: the first and the wider one
  EXPECT_EQ(Count[39], 1);  // one solid brush; the clear one is a stock object
  EXPECT_EQ(Count[82], 1);  // one font for both texts
  EXPECT_EQ(Count[84], 2);
  EXPECT_EQ(Count[43] + Count[42] + Count[3], 4);
}

TEST(MetafileCanvas, TextCarriesAdvancesAndBitmapsTheirAlpha) {
  gfx::TMetafileCanvas C(50, 50);
  gfx::TTextOut T;
  T.X = 3;
  T.Y = 4;
  T.Text = u"iW";
  T.FontHeight = 20;
  C.ExtTextOut(T);
  gfx::TBitmap Opaque(2, 2), Clear(2, 2, gfx::pf32bit);
  for (std::uint32_t& P : Clear.Data()) P = 0;
  C.StretchDraw({0, 0, 10, 10}, Opaque);
  C.StretchDraw({0, 0, 10, 10}, Clear);
  C.StretchDraw({0, 0, 10, 10}, Opaque, 0xFFFFFF);  // white is left out: an alpha blend too
  const std::string S = C.Bytes();
  std::size_t At = 0;
  std::vector<std::uint32_t> Bitmaps;
  while (At < S.size()) {
    const std::uint32_t Type = U32(S, At), Size = U32(S, At + 4);
    if (Type == 84) {
      const std::uint32_t N = U32(S, At + 44), OffDx = U32(S, At + 68);
      ASSERT_EQ(N, 2u);
      const auto I = static_cast<std::int32_t>(U32(S, At + OffDx)), W = static_cast<std::int32_t>(U32(S, At + OffDx + 4));
      EXPECT_GT(I, 0);
      EXPECT_GT(W, I);  // the font's own advances when the call gives none
    }
    if (Type == 81 || Type == 114) Bitmaps.push_back(Type);
    At += Size;
  }
  EXPECT_EQ(Bitmaps, (std::vector<std::uint32_t>{81, 114, 114}));
}
