// The component streaming format: typed values, lists and defined-property entries.
#include <gtest/gtest.h>

#include "platform/rt/Streaming.h"
#include "platform/rt/Unicode.h"

namespace {

std::string Bytes(rt::TMemoryStream& S) {
  return std::string(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
}

} // namespace

TEST(Streaming, IntegersTakeTheSmallestTypeThatHoldsThem) {
  struct Case {
    std::int64_t Value;
    rt::TValueType Type;
    int Size;
  } Cases[] = {
      {0, rt::vaInt8, 1},          {-128, rt::vaInt8, 1},          {127, rt::vaInt8, 1},
      {128, rt::vaInt16, 2},       {-32768, rt::vaInt16, 2},       {40000, rt::vaInt32, 4},
      {-2147483648LL, rt::vaInt32, 4}, {1LL << 40, rt::vaInt64, 8},
  };
  for (const Case& C : Cases) {
    rt::TMemoryStream S;
    rt::TWriter W(S);
    W.WriteInteger(C.Value);
    const std::string B = Bytes(S);
    ASSERT_EQ(B.size(), static_cast<std::size_t>(1 + C.Size)) << C.Value;
    EXPECT_EQ(static_cast<rt::TValueType>(B[0]), C.Type);
    S.SetPosition(0);
    rt::TReader R(S);
    EXPECT_EQ(R.ReadInteger(), C.Value);
  }
}

TEST(Streaming, StringsTakeTheShorterOfUTF8AndUTF16) {
  struct Case {
    std::u16string Text;
    rt::TValueType Type;
  } Cases[] = {
      {u"plain", rt::vaUTF8String},
      {u"caf\u00e9", rt::vaUTF8String},
      {u"\u4e2d\u6587\u4e2d", rt::vaWString},
      {u"", rt::vaWString},
  };
  for (const Case& C : Cases) {
    rt::TMemoryStream S;
    rt::TWriter W(S);
    W.WriteString(C.Text);
    W.WriteAnsiString(u"caf\u00e9");
    EXPECT_EQ(static_cast<rt::TValueType>(Bytes(S)[0]), C.Type);
    S.SetPosition(0);
    rt::TReader R(S);
    EXPECT_EQ(R.ReadString(), C.Text);
    EXPECT_EQ(R.NextValue(), rt::vaString);
    EXPECT_EQ(R.ReadString(), u"caf\u00e9");
    EXPECT_TRUE(R.AtEnd());
  }
}

TEST(Streaming, SkippingAValueLandsOnTheNextOne) {
  rt::TMemoryStream S;
  rt::TWriter W(S);
  W.WriteListBegin();
  W.WriteInteger(70000);
  W.WriteString(u"x");
  W.WriteListBegin();
  W.WriteBoolean(true);
  W.WriteListEnd();
  W.WriteListEnd();
  W.WriteInteger(5);
  S.SetPosition(0);
  rt::TReader R(S);
  R.SkipValue();
  EXPECT_EQ(R.ReadInteger(), 5);
}

TEST(Streaming, WrongTypesAndShortDataRaise) {
  rt::TStringStream S(std::string(1, rt::vaTrue));
  rt::TReader R(S);
  EXPECT_THROW(R.ReadInteger(), rt::EReadError);
  EXPECT_THROW(R.ReadValue(), rt::EReadError);
  rt::TStringStream Cut(std::string(1, rt::vaWString) + std::string("\x10\x00\x00\x00", 4) + "ab");
  rt::TReader R2(Cut);
  EXPECT_THROW(R2.ReadString(), rt::EReadError);
}

TEST(Streaming, StoredLengthsBeyondTheDataRaiseBeforeAnythingIsAllocated) {
  // A stored length is checked against what the stream holds; these would otherwise ask for
  // gigabytes (the sanitizer's allocator would abort the test).
  const auto Len = [](std::uint32_t L) { return std::string(reinterpret_cast<const char*>(&L), 4); };
  struct Case {
    const char* Name;
    std::string Bytes;
  } Cases[] = {
      {"8-bit string of 2 GB", char(rt::vaLString) + Len(0x7FFFFFFF) + "abcdefgh"},
      {"UTF-8 string of 2 GB", char(rt::vaUTF8String) + Len(0x7FFFFFFF) + "abcdefgh"},
      {"wide string of 4 GB", char(rt::vaWString) + Len(0x7FFFFFFF) + "abcdefgh"},
      {"wide string of 1.76 GB, no data", char(rt::vaWString) + Len(0x34800000)},
      {"wide string one byte short", char(rt::vaWString) + Len(2) + "abc"},
      {"negative length", char(rt::vaLString) + Len(0xFFFFFFFF) + "abc"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    rt::TStringStream S(C.Bytes);
    rt::TReader R(S);
    EXPECT_THROW(R.ReadString(), rt::EReadError);
    S.SetPosition(0);
    EXPECT_THROW(R.SkipValue(), rt::EReadError);
  }
  // A length that exactly fills the rest still reads.
  rt::TStringStream Exact(char(rt::vaWString) + Len(2) + std::string("a\0b\0", 4));
  rt::TReader R(Exact);
  EXPECT_EQ(R.ReadString(), u"ab");
}

TEST(Streaming, SkippingStopsAtTheNestingLimitAndAtTheEndOfTheData) {
  const auto Len = [](std::uint32_t L) { return std::string(reinterpret_cast<const char*>(&L), 4); };
  const auto Lists = [](int N) { return std::string(static_cast<std::size_t>(N), char(rt::vaList)) +
                                        std::string(static_cast<std::size_t>(N), char(rt::vaNull)); };
  struct Case {
    const char* Name;
    std::string Bytes;
    bool Skips;
  } Cases[] = {
      {"lists at the limit", Lists(rt::TReader::MaxNesting), true},
      {"one list more", Lists(rt::TReader::MaxNesting + 1), false},
      {"100,000 open lists", std::string(100000, char(rt::vaList)), false},
      {"binary beyond the data", char(rt::vaBinary) + Len(0x7FFFFFFF) + "ab", false},
      {"binary exactly filling the data", char(rt::vaBinary) + Len(2) + "ab", true},
      {"double cut short", char(rt::vaDouble) + std::string("1234567"), false},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    rt::TStringStream S(C.Bytes);
    rt::TReader R(S);
    if (C.Skips) {
      R.SkipValue();
      EXPECT_TRUE(R.AtEnd());
    } else {
      EXPECT_THROW(R.SkipValue(), rt::EReadError);
    }
  }
}

TEST(Streaming, DefinedPropertiesAreWrittenWhenTheyHaveDataAndReadByName) {
  std::u16string Stored = u"value";
  auto Define = [&](rt::TFiler& F, bool HasData) {
    F.DefineProperty(
        "Data", [&](rt::TReader& R) { Stored = R.ReadString(); },
        [&](rt::TWriter& W) { W.WriteString(Stored); }, HasData);
  };
  rt::TMemoryStream S;
  rt::TWriter W(S);
  Define(W, false);
  EXPECT_EQ(S.Size(), 0);
  W.PropPath = "Memo.";
  Define(W, true);
  EXPECT_EQ(Bytes(S).substr(0, 10), "\x09Memo.Data");

  rt::TMemoryStream In;
  rt::TWriter W2(In);
  Define(W2, true);
  Stored = u"";
  In.SetPosition(0);
  rt::TReader R(In);
  R.ReadProperty([&](rt::TFiler& F) { Define(F, false); });
  EXPECT_EQ(Stored, u"value");
  EXPECT_TRUE(R.AtEnd());
}
