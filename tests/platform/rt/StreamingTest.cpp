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
