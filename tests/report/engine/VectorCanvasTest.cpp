// The recording of text output: records in call order, their texts, advances and dumps.
#include <gtest/gtest.h>

#include "platform/rt/Variants.h"
#include "report/engine/repVectorCanvas.h"

TEST(VectorCanvas, RecordsEveryCallInOrder) {
  TVectorCanvas VC;
  const TVectorRect R{1, 2, 300, 40};
  const std::int32_t Dx[] = {7, 7, 3};
  VC.Font = TVectorFont{"Arial", 10, true, false, false, false};
  VC.ExtTextOutW(10, 20, 4, R, u"Ab\u00e9", 3, Dx);
  VC.Font.Size = 12;
  VC.ExtTextOutA(11, 21, 128, R, "abc", 3, nullptr);
  const std::u16string Long = u"one two";
  const TCharacterDistance LongDx(Long.size(), 5);
  VC.ExtTextOutW(-3, 0, 0, TVectorRect{}, Long, &LongDx);

  ASSERT_EQ(VC.Count(), 3);
  struct Expect {
    bool Wide;
    int X, Y, Options;
    TVectorRect Rect;
    std::u16string Str;
    TCharacterDistance Dx;
    int TextLength;
    double FontSize;
  } Cases[] = {
      {true, 10, 20, 4, R, u"Ab\u00e9", {7, 7, 3}, 17, 10},
      {false, 11, 21, 128, R, u"abc", {}, 0, 12},
      {true, -3, 0, 0, TVectorRect{}, Long, LongDx, 35, 12},
  };
  int I = 0;
  for (const auto& Rec : VC) {  // replay: the exporters walk the records in order
    const Expect& E = Cases[I];
    EXPECT_EQ(dynamic_cast<TVector_ExtTextOutW*>(Rec.get()) != nullptr, E.Wide) << I;
    EXPECT_EQ(dynamic_cast<TVector_ExtTextOutA*>(Rec.get()) != nullptr, !E.Wide) << I;
    EXPECT_EQ(Rec->X(), E.X) << I;
    EXPECT_EQ(Rec->Y(), E.Y) << I;
    EXPECT_EQ(Rec->Options(), E.Options) << I;
    EXPECT_EQ(Rec->Rect(), E.Rect) << I;
    EXPECT_EQ(Rec->Str(), E.Str) << I;
    EXPECT_EQ(Rec->Dx(), E.Dx) << I;
    EXPECT_EQ(Rec->TextLength(), E.TextLength) << I;
    EXPECT_EQ(Rec->Font().Size, E.FontSize) << I;
    EXPECT_EQ(Rec->Font().Name, "Arial") << I;
    EXPECT_EQ(VC[I], Rec.get());
    ++I;
  }
  EXPECT_THROW(VC.Items(3), rt::EListError);
  EXPECT_THROW(VC.Items(-1), rt::EListError);
  VC.Clear();
  EXPECT_EQ(VC.Count(), 0);
}

TEST(VectorCanvas, EightBitTextComesFromTheSystemCodePage) {
  struct Case {
    std::string Bytes;
    std::u16string Str;
  } Cases[] = {
      {"abc", u"abc"},
      {"\x80 \xE9\xFC", u"\u20AC \u00E9\u00FC"},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},  // the count decides, not a terminator
      {"", u""},
  };
  for (const Case& C : Cases) {
    TVector_ExtTextOutA Rec(0, 0, 0, {}, C.Bytes.data(), static_cast<int>(C.Bytes.size()), nullptr);
    EXPECT_EQ(Rec.Str(), C.Str) << C.Bytes;
  }
  TVector_ExtTextOutW Part(0, 0, 0, {}, u"abcdef", 2, nullptr);
  EXPECT_EQ(Part.Str(), u"ab");
}

TEST(VectorCanvas, AsStringDumpsTheRecord) {
  const std::int32_t Dx[] = {5, 6};
  TVector_ExtTextOutW W(3, 4, 4, TVectorRect{0, 1, 20, 30}, u"h\u00e9", 2, Dx);
  EXPECT_EQ(W.AsString(), "ExtTextOutW\r\n  X, Y, Options: 3, 4, 4\r\n  Rect: 0 1 20 30\r\n  Text: h\xC3\xA9\r\n  Dx: 5 6");
  TVector_ExtTextOutA A(-1, 0, 0, TVectorRect{}, "x", 1, nullptr);
  EXPECT_EQ(A.AsString(), "ExtTextOutW\r\n  X, Y, Options: -1, 0, 0\r\n  Rect: 0 0 0 0\r\n  Text: x\r\n  Dx:");
}

TEST(VectorCanvas, BadCallsRecordNothing) {
  TVectorCanvas VC;
  const std::u16string S = u"abc";
  const TCharacterDistance Short{1, 2};
  EXPECT_THROW(VC.ExtTextOutW(0, 0, 0, {}, u"a", -1, nullptr), rt::ERangeError);
  EXPECT_THROW(VC.ExtTextOutA(0, 0, 0, {}, nullptr, 2, nullptr), rt::EInvalidPointer);
  EXPECT_THROW(VC.ExtTextOutW(0, 0, 0, {}, S, &Short), rt::ERangeError);
  EXPECT_EQ(VC.Count(), 0);
  VC.ExtTextOutW(0, 0, 0, {}, static_cast<const char16_t*>(nullptr), 0, nullptr);
  ASSERT_EQ(VC.Count(), 1);
  EXPECT_EQ(VC.Items(0)->Str(), u"");
  EXPECT_EQ(VC.Items(0)->TextLength(), 0);
}

TEST(VectorCanvas, TextLengthSaturates) {
  const std::int32_t Dx[] = {2000000000, 2000000000, -5};
  TVector_ExtTextOutW Rec(0, 0, 0, {}, u"abc", 3, Dx);
  EXPECT_EQ(Rec.TextLength(), INT32_MAX);
}
