// The wide string list (lines, streams, stored forms) and the character-set conversions.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rt/Streaming.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repUnicodeUtils.h"

namespace {

std::string U8(const std::u16string& S) { return rt::Utf16ToUtf8(S); }

std::vector<std::u16string> Lines(const TrepWideStrings& L) {
  std::vector<std::u16string> R;
  for (int I = 0; I < L.Count(); ++I) R.push_back(L.Get(I));
  return R;
}

std::string Utf16LE(std::u16string_view S) {
  std::string R;
  for (char16_t C : S) {
    R += static_cast<char>(C & 0xFF);
    R += static_cast<char>(C >> 8);
  }
  return R;
}

} // namespace

TEST(WideStrings, SetTextSplitsAtEveryKindOfLineEnd) {
  using V = std::vector<std::u16string>;
  struct Case {
    std::u16string Text;
    V Lines;
  } Cases[] = {
      {u"a\r\nb\r\n", {u"a", u"b"}},
      {u"a\n\rb", {u"a", u"", u"b"}},
      {u"a\rb\nc", {u"a", u"b", u"c"}},
      {u"a\u2028b", {u"a", u"b"}},
      {u"a\r\n\u2028b", {u"a", u"b"}},
      {u"a\n\nb", {u"a", u"", u"b"}},
      {u"\r\n", {u""}},
      {u"", {}},
      {u"last", {u"last"}},
      {std::u16string(u"a\0b", 3), {u"a"}},
  };
  for (const Case& C : Cases) {
    TrepWideStrings L;
    L.SetText(C.Text);
    EXPECT_EQ(Lines(L), C.Lines) << U8(C.Text);
  }
}

TEST(WideStrings, GetTextEndsEveryLineWithCRLF) {
  TrepWideStrings L;
  EXPECT_EQ(L.GetText(), u"");
  L.SetText(u"a\r\nb\r\n");
  EXPECT_EQ(L.GetText(), u"a\r\nb\r\n");
  L.Add(u"\u00e9\U0001F600");
  EXPECT_EQ(L.GetText(), u"a\r\nb\r\n\u00e9\U0001F600\r\n");
}

TEST(WideStrings, InsertReplacesInsideAndAppendsAtTheEnd) {
  TrepWideStrings L;
  L.Add(u"one");
  L.Add(u"two");
  L.Insert(0, u"x");
  EXPECT_EQ(Lines(L), (std::vector<std::u16string>{u"x", u"two"}));
  L.Insert(2, u"three");
  L.Put(1, u"y");
  EXPECT_EQ(Lines(L), (std::vector<std::u16string>{u"x", u"y", u"three"}));
  for (int Bad : {-1, 4}) {
    try {
      L.Insert(Bad, u"z");
      ADD_FAILURE() << Bad;
    } catch (const rt::EListError& E) {
      EXPECT_STREQ(E.what(), "Wide String Out of Bounds");
    }
  }
}

TEST(WideStrings, BadIndexesReadAsNothingButDeleteRaises) {
  TrepWideStrings L;
  rt::TObject Obj;
  L.AddObject(u"a", &Obj);
  EXPECT_EQ(L.Get(5), u"");
  EXPECT_EQ(L.Get(-1), u"");
  EXPECT_EQ(L.GetObject(3), nullptr);
  EXPECT_EQ(L.GetObject(0), &Obj);
  L.PutObject(7, &Obj);
  EXPECT_THROW(L.Delete(1), rt::EListError);
  L.Delete(0);
  EXPECT_EQ(L.Count(), 0);
}

TEST(WideStrings, IndexOfComparesExactly) {
  TrepWideStrings L;
  L.SetText(u"Alpha\r\nalpha\r\n\u00e9");
  EXPECT_EQ(L.IndexOf(u"alpha"), 1);
  EXPECT_EQ(L.IndexOf(u"ALPHA"), -1);
  EXPECT_EQ(L.IndexOf(u"\u00e9"), 2);
}

TEST(WideStrings, AssignToAndFromTheRuntimesStringList) {
  rt::TObject A, B;
  rt::TStringList Narrow;
  Narrow.AddObject("caf\u00e9", &A);
  Narrow.AddObject("\u041c\u0438\u0440", &B);
  TrepWideStrings Wide;
  Wide.Add(u"old");
  Wide.Assign(Narrow);
  EXPECT_EQ(Lines(Wide), (std::vector<std::u16string>{u"caf\u00e9", u"\u041c\u0438\u0440"}));
  EXPECT_EQ(Wide.GetObject(1), &B);

  TrepWideStrings Copy;
  Copy.Assign(Wide);
  EXPECT_TRUE(Copy.Equals(Wide));
  Copy.Add(u"more");
  rt::TStringList Back;
  Back.Add("x");
  Copy.AssignTo(Back);
  ASSERT_EQ(Back.Count(), 3);
  EXPECT_EQ(Back[0], "caf\u00e9");
  EXPECT_EQ(Back.Objects(0), &A);
  EXPECT_EQ(Back[2], "more");
}

TEST(WideStrings, StreamsWithAndWithoutTheByteOrderMark) {
  const std::u16string Text = u"\u00e9t\u00e9\r\n\u4e2d";
  // With the mark: LoadFromStream reads UTF-16.
  {
    rt::TStringStream S("\xFF\xFE" + Utf16LE(Text));
    TrepWideStrings L;
    L.LoadFromStream(S);
    EXPECT_EQ(Lines(L), (std::vector<std::u16string>{u"\u00e9t\u00e9", u"\u4e2d"}));
  }
  // Without it only LoadFromWStream reads UTF-16; LoadFromStream takes 8-bit text.
  {
    rt::TStringStream S(Utf16LE(Text));
    TrepWideStrings L;
    L.LoadFromWStream(S);
    EXPECT_EQ(L.Get(1), u"\u4e2d");
    S.SetPosition(0);
    L.LoadFromStream(S);
    EXPECT_EQ(L.Get(0), u"\u00e9");  // stops at the NUL high byte of the first character
  }
  // 8-bit text in the Windows western code page, read from the stream's position.
  {
    rt::TStringStream S("skip\xE9\x80\r\nx");
    S.SetPosition(4);
    TrepWideStrings L;
    L.LoadFromStream(S);
    EXPECT_EQ(Lines(L), (std::vector<std::u16string>{u"\u00e9\u20ac", u"x"}));
  }
  // SaveToStream writes what LoadFromWStream reads.
  {
    TrepWideStrings L, Back;
    L.SetText(Text);
    rt::TMemoryStream S;
    L.SaveToStream(S);
    EXPECT_EQ(S.Size(), static_cast<std::int64_t>((Text.size() + 2) * 2));
    S.SetPosition(0);
    Back.LoadFromWStream(S);
    EXPECT_TRUE(Back.Equals(L));
  }
}

TEST(WideStrings, AFileSavedIsLoadedBackAsSaved) {
  const auto File = std::filesystem::temp_directory_path() / "repwide-roundtrip.txt";
  TrepWideStrings L, Back;
  L.SetText(u"\u00e9t\u00e9\r\n\U0001F600\r\nplain");
  L.SaveToFile(File.string());
  Back.LoadFromFile(File.string());
  std::filesystem::remove(File);
  EXPECT_EQ(Lines(Back), Lines(L));
}

// ---- Stored forms in a component stream ----

namespace {

// The bytes that DefineProperties writes.
std::string Written(TrepWideStrings& L, rt::TObject* Ancestor = nullptr) {
  rt::TMemoryStream S;
  rt::TWriter W(S);
  W.Ancestor = Ancestor;
  L.DefineProperties(W);
  return std::string(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
}

// Reads every property entry of Bytes into L.
void ReadInto(TrepWideStrings& L, const std::string& Bytes) {
  rt::TStringStream S(Bytes);
  rt::TReader R(S);
  while (!R.AtEnd()) R.ReadProperty([&](rt::TFiler& F) { L.DefineProperties(F); });
}

// A property entry: short-string name, then the value bytes.
std::string Entry(const std::string& Name, const std::string& Value) {
  return std::string(1, static_cast<char>(Name.size())) + Name + Value;
}

std::string ShortString(const std::string& S) {
  return std::string(1, static_cast<char>(rt::vaString)) + std::string(1, static_cast<char>(S.size())) + S;
}

std::string Int32(std::int32_t V) { return std::string(reinterpret_cast<const char*>(&V), 4); }

} // namespace

TEST(WideStringsStored, UTF8WRoundTripsLineForLine) {
  TrepWideStrings L, Back;
  L.SetText(u"first\r\n\u00e9t\u00e9 \u4e2d\r\n\r\n\U0001F600");
  const std::string Bytes = Written(L);
  ASSERT_EQ(Bytes.substr(0, 6), std::string("\x05UTF8W", 6));
  Back.Add(u"stale");
  ReadInto(Back, Bytes);
  EXPECT_EQ(Lines(Back), Lines(L));
}

TEST(WideStringsStored, WrittenOnlyWhenThereIsSomethingToStore) {
  TrepWideStrings Empty, Full, Same, Other;
  Full.Add(u"x");
  Same.Add(u"x");
  Other.Add(u"y");
  rt::TObject NotAList;
  EXPECT_EQ(Written(Empty), "");
  EXPECT_NE(Written(Full), "");
  EXPECT_EQ(Written(Full, &Same), "");
  EXPECT_NE(Written(Full, &Other), "");
  EXPECT_NE(Written(Empty, &NotAList), "");
}

TEST(WideStringsStored, OlderFormsAreReadAndWrittenBackAsUTF8W) {
  const std::string List = std::string(1, rt::vaList);
  const std::string End = std::string(1, rt::vaNull);
  // "Strings": 8-bit values in the system code page, wide ones as they are.
  const std::string Strings =
      Entry("Strings", List + ShortString("caf\xE9") + std::string(1, rt::vaWString) + Int32(2) +
                           Utf16LE(u"\u4e2d\u6587") + End);
  // "UTF8": 8-bit values holding UTF-8 bytes.
  const std::string Utf8 = Entry("UTF8", List + ShortString("caf\xC3\xA9") + ShortString("x") + End);
  struct Case {
    std::string Bytes;
    std::vector<std::u16string> Lines;
  } Cases[] = {
      {Strings, {u"caf\u00e9", u"\u4e2d\u6587"}},
      {Utf8, {u"caf\u00e9", u"x"}},
  };
  for (const Case& C : Cases) {
    TrepWideStrings L;
    ReadInto(L, C.Bytes);
    EXPECT_EQ(Lines(L), C.Lines);
    TrepWideStrings Back;
    ReadInto(Back, Written(L));
    EXPECT_EQ(Lines(Back), C.Lines);
    EXPECT_EQ(Written(L).substr(1, 5), "UTF8W");
  }
}

TEST(WideStringsStored, AnUnknownEntryIsAnError) {
  TrepWideStrings L;
  EXPECT_THROW(ReadInto(L, Entry("Lines", std::string(1, rt::vaList) + std::string(1, rt::vaNull))),
               rt::EReadError);
  EXPECT_THROW(ReadInto(L, Entry("UTF8W", std::string(1, rt::vaList) + ShortString("cut"))), rt::EReadError);
}

// ---- Character sets ----

TEST(CharacterSets, EveryNamedSetHasItsCodePage) {
  struct Case {
    int Charset, CodePage;
  } Cases[] = {
      {0, 1252},   {1, 1252},   {2, 42},     {77, 2},     {255, 1},    {128, 932},  {129, 949},
      {130, 1361}, {134, 936},  {136, 950},  {161, 1253}, {162, 1254}, {163, 1258}, {177, 1255},
      {178, 1256}, {186, 1257}, {204, 1251}, {222, 874},  {238, 1250},
  };
  for (const Case& C : Cases) EXPECT_EQ(CharsetToCodePage(C.Charset), C.CodePage) << C.Charset;
  EXPECT_THROW(CharsetToCodePage(3), rt::EOSError);
  EXPECT_THROW(AnsiToWideByCharset("x", 100, 0), rt::EOSError);
}

TEST(CharacterSets, TextsRoundTripThroughTheirCodePages) {
  struct Case {
    int Charset, CodePage;
    std::string Bytes;
    std::u16string Text;
  } Cases[] = {
      {0, 0, "\x80 \xE9", u"\u20ac \u00e9"},
      {1, 0, "\x9C", u"\u0153"},
      {238, 0, "\xA3", u"\u0141"},
      {204, 0, "\xC6", u"\u0416"},
      {161, 0, "\xD9", u"\u03a9"},
      {162, 0, "\xF0", u"\u011f"},
      {177, 0, "\xE0", u"\u05d0"},
      {178, 0, "\xDA", u"\u0639"},
      {186, 0, "\xE0", u"\u0105"},
      {163, 0, "\xFE", u"\u20ab"},
      {163, 0, "a\xCC", u"a\u0300"},  // a combining mark stays a separate character
      {222, 0, "\xA1", u"\u0e01"},
      {255, 0, "\xB0", u"\u2591"},
      {77, 0, "\xB6", u"\u2202"},
      {128, 0, "\x93\xFA\x96\x7B", u"\u65e5\u672c"},
      {134, 0, "\xD6\xD0\xCE\xC4", u"\u4e2d\u6587"},
      {129, 0, "\xC7\xD1\xB1\xB9", u"\ud55c\uad6d"},
      {136, 0, "\xA4\xA4\xA4\xE5", u"\u4e2d\u6587"},
      {130, 0, "\xD0\x65", u"\ud55c"},
      {0, 65001, "\xC3\xA9\xF0\x9F\x98\x80", u"\u00e9\U0001F600"},
      {2, 0, "\x41\xB7", u"\uf041\uf0b7"},
      {0, 1251, "\xC6", u"\u0416"},  // an explicit code page wins over the set
  };
  for (const Case& C : Cases) {
    EXPECT_EQ(U8(AnsiToWideByCharset(C.Bytes, C.Charset, C.CodePage)), U8(C.Text))
        << C.Charset << "/" << C.CodePage;
    EXPECT_EQ(WideToAnsiByCharset(C.Text, C.Charset, C.CodePage), C.Bytes) << C.Charset << "/" << C.CodePage;
  }
  EXPECT_EQ(AnsiToWideByCharset("", 128, 0), u"");
  EXPECT_EQ(WideToAnsiByCharset(u"", 0, 0), "");
}

TEST(CharacterSets, CharactersACodePageLacksBecomeQuestionMarks) {
  struct Case {
    int Charset;
    std::u16string Text;
    std::string Bytes;
  } Cases[] = {
      {0, u"a\u0416b", "a?b"},
      {0, u"\U0001F600", "?"},       // a surrogate pair is one character
      {0, u"\ufffd", "?"},
      {204, u"\u00e9", "?"},
      {128, u"x\U0001F600y", "x?y"},
      {134, u"\u0e01", "?"},
      {2, u"\u4e2d", "?"},
  };
  for (const Case& C : Cases) EXPECT_EQ(WideToAnsiByCharset(C.Text, C.Charset, 0), C.Bytes) << C.Charset;
}

TEST(CharacterSets, UndefinedAndBrokenBytesAreNotDropped) {
  // Bytes a code page leaves undefined: control characters below A0 (kept both ways), U+FFFD above.
  EXPECT_EQ(AnsiToWideByCharset("\x81\x8D", 0, 0), u"\u0081\u008d");
  EXPECT_EQ(WideToAnsiByCharset(u"\u0081\u008d", 0, 0), "\x81\x8D");
  EXPECT_EQ(AnsiToWideByCharset("\xAA", 161, 0), u"\ufffd");
  // A lead byte without its trail byte, and a byte no sequence starts with.
  EXPECT_EQ(AnsiToWideByCharset("a\x93", 128, 0), u"a\ufffd");
  EXPECT_EQ(AnsiToWideByCharset("\xFFz", 134, 0), u"\ufffdz");
}

TEST(CharacterSets, UnknownCodePagesAreRefused) {
  EXPECT_THROW(AnsiToWideByCharset("x", 0, 12345), rt::EConvertError);
  EXPECT_THROW(WideToAnsiByCharset(u"x", 0, 12345), rt::EConvertError);
}

TEST(CharacterSets, LocaleIdentifiers) {
  struct Case {
    int Charset, Lcid;
  } Cases[] = {{128, 1041}, {129, 1042}, {130, 2066}, {134, 2052}, {136, 3076}, {161, 1032},
               {162, 1055}, {163, 1066}, {177, 1037}, {178, 13313}, {186, 1061}, {204, 1049},
               {222, 1054}, {238, 1029}, {0, 1033}, {1, 1033}};
  for (const Case& C : Cases) EXPECT_EQ(CharsetToLocaleId(C.Charset), C.Lcid) << C.Charset;
}
