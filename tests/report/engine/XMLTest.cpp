// The engine's XML dialect: attributes, escaping, reading, writing and partial loading.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/rt/Unicode.h"
#include "report/engine/repXML.h"

namespace {

std::string U8(const std::u16string& S) { return rt::Utf16ToUtf8(S); }

// Reads a whole document from text.
std::unique_ptr<TrepXMLDocument> Parse(const std::string& Text) {
  auto Doc = std::make_unique<TrepXMLDocument>();
  rt::TStringStream S(Text);
  Doc->LoadFromStream(S);
  return Doc;
}

std::string Save(TrepXMLDocument& Doc) {
  rt::TStringStream S;
  Doc.SaveToStream(S);
  return S.DataString();
}

const std::string Header = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>";

// A scratch folder removed at the end of the test.
class TScratchDir {
public:
  TScratchDir() {
    Path = std::filesystem::temp_directory_path() /
           ("repxml-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(Path);
    std::filesystem::create_directories(Path);
  }
  ~TScratchDir() { std::filesystem::remove_all(Path); }
  int FileCount() const {
    int N = 0;
    for ([[maybe_unused]] auto& E : std::filesystem::directory_iterator(Path)) ++N;
    return N;
  }
  std::filesystem::path Path;
};

} // namespace

TEST(XMLAttributes, SetPropPlacesNewAndReplacedAttributes) {
  struct Case {
    std::u16string Before;
    const char* Name;
    const char* Value;
    std::u16string After;
  } Cases[] = {
      {u"", "A", "1", u"A=\"1\""},
      {u"A=\"1\"", "B", "2", u"A=\"1\" B=\"2\""},
      {u"A=\"1\" B=\"2\"", "A", "3", u"A=\"3\" B=\"2\""},
      {u"A=\"1\" B=\"2\"", "b", "x", u"A=\"1\" b=\"x\""},
      {u" A=\"1\"", "B", "2", u" A=\"1\" B=\"2\""},
      {u"A=\"1\" ", "B", "2", u"A=\"1\" B=\"2\""},
  };
  for (const Case& C : Cases) {
    TrepXMLItem Item;
    Item.SetText(C.Before);
    Item.SetProp(C.Name, C.Value);
    EXPECT_EQ(U8(Item.Text()), U8(C.After)) << U8(C.Before) << " + " << C.Name;
  }
}

TEST(XMLAttributes, LookupMatchesWholeNamesIgnoringCase) {
  TrepXMLItem Item;
  Item.SetText(u"NoText=\"a\" Left=\"1.5\" Memo=\"Text=&#34;x&#34;\"");
  EXPECT_FALSE(Item.PropExists("Text"));
  EXPECT_EQ(Item.GetProp("Text"), u"");
  EXPECT_EQ(Item.GetProp("notext"), u"a");
  EXPECT_EQ(Item.GetProp("LEFT"), u"1.5");
  EXPECT_EQ(Item.GetProp("Memo"), u"Text=\"x\"");
  EXPECT_EQ(Item.GetProp("Absent"), u"");
}

TEST(XMLAttributes, DeletePropTakesTheAttributeAndItsBlank) {
  TrepXMLItem Item;
  Item.SetText(u"A=\"1\" B=\"2\" C=\"3\"");
  Item.DeleteProp("B");
  EXPECT_EQ(U8(Item.Text()), "A=\"1\" C=\"3\"");
  Item.DeleteProp("Z");
  EXPECT_EQ(U8(Item.Text()), "A=\"1\" C=\"3\"");
}

TEST(XMLText, EscapeTable) {
  struct Case {
    std::u16string In;
    std::u16string Out;
  } Cases[] = {
      {u"<&>\"\r\n", u"&#60;&#38;&#62;&#34;&#13;&#10;"},
      {u"say &quot;hi&quot;", u"say &#34;hi&#34;"},
      {u"it's\ta \u00e9 \u4e2d", u"it's\ta \u00e9 \u4e2d"},
      {u"&amp;", u"&#38;amp;"},
      {std::u16string(u"abc") + u'\0' + u"def", u"abc&#0;def"},
  };
  for (const Case& C : Cases) EXPECT_EQ(U8(EscapeXMLText(C.In)), U8(C.Out));
}

TEST(XMLText, NulIsAReferenceInShortTextsAndABlankInLongOnes) {
  std::u16string Short(31, u'x'), Long(32, u'x');
  Short[5] = 0;
  Long[5] = 0;
  EXPECT_EQ(EscapeXMLText(Short).substr(5, 4), u"&#0;");
  std::u16string ExpectedLong(32, u'x');
  ExpectedLong[5] = u' ';
  EXPECT_EQ(EscapeXMLText(Long), ExpectedLong);
}

TEST(XMLText, UnescapeTable) {
  struct Case {
    std::u16string In;
    std::u16string Out;
  } Cases[] = {
      {u"&#60;&#38;&#62;&#34;&#13;&#10;", u"<&>\"\r\n"},
      {u"&quot;&amp;&lt;&gt;", u"\"&<>"},
      {u"&#38;#34;", u"&#34;"},  // a replacement is never scanned again
      {u"&apos;&QUOT;&nbsp;", u"&apos;&QUOT;&nbsp;"},
      {u"a & b", u"a & b"},
      {u"&#65", u"&#65"},        // no ';': left as it is
      {u"tail &#", u"tail &#"},
      {u"&#$41;", u"A"},         // the runtime's integer forms
      {u"&#128512;", u"\U0001F600"},
  };
  for (const Case& C : Cases) EXPECT_EQ(U8(UnescapeXMLText(C.In)), U8(C.Out)) << U8(C.In);
}

TEST(XMLText, MalformedNumericReferenceRaisesAConversionError) {
  EXPECT_THROW(UnescapeXMLText(u"&#abc;"), rt::EConvertError);
  EXPECT_THROW(UnescapeXMLText(u"&#99999999;"), rt::EConvertError);
}

TEST(XMLText, VariantTexts) {
  struct Case {
    rt::Variant V;
    std::u16string Text;
  } Cases[] = {
      {rt::Variant(42), u"42"},
      {rt::Variant::OfInt(rt::varByte, 7), u"7"},
      {rt::Variant(1234567890123LL), u"1234567890123"},
      {rt::Variant(2.5), u"2.5"},
      {rt::Variant("a<b"), u"a&#60;b"},
      {rt::Variant(true), u"1"},
      {rt::Variant(false), u"0"},
      {rt::Variant(), u""},
      {rt::Variant::Null(), u""},
  };
  for (const Case& C : Cases) EXPECT_EQ(U8(VariantToXMLText(C.V)), U8(C.Text));
}

TEST(XMLDocument, ValuesSurviveAWriteAndReadUnchanged) {
  const std::u16string Values[] = {
      u"<&>\"\r\n", u"a &amp; b", u"\u00e9t\u00e9 \u041c\u043e\u0441\u043a\u0432\u0430 \u4e2d\u6587",
      u"\U0001F600 emoji", u"tab\there", u"", u"a  b  ",
  };
  TrepXMLDocument Doc;
  Doc.Root()->SetName("root");
  for (const auto& V : Values) Doc.Root()->Add("item")->SetProp("Text", V);
  auto Back = Parse(Save(Doc));
  ASSERT_EQ(Back->Root()->Count(), static_cast<int>(std::size(Values)));
  for (int I = 0; I < Back->Root()->Count(); ++I)
    EXPECT_EQ(U8(Back->Root()->Items(I)->GetProp("Text")), U8(Values[I]));
}

TEST(XMLDocument, ANamedQuoteReferenceInAValueComesBackAsAQuote) {
  TrepXMLDocument Doc;
  Doc.Root()->SetName("a");
  Doc.Root()->SetProp("Text", u"say &quot;hi&quot;");
  const std::string Text = Save(Doc);
  EXPECT_NE(Text.find("Text=\"say &#34;hi&#34;\""), std::string::npos);
  EXPECT_EQ(Parse(Text)->Root()->GetProp("Text"), u"say \"hi\"");
}

TEST(XMLDocument, AttributesTravelAsUTF8AndOldFilesAsTheSystemCodePage) {
  // The new header: UTF-8 bytes of "é".
  auto New = Parse(Header + "<a v=\"\xC3\xA9\"/>");
  EXPECT_EQ(New->Root()->GetProp("v"), u"\u00e9");
  EXPECT_FALSE(New->OldVersion());
  // An old header (1.0 without standalone): the single byte E9 of the Windows western code page.
  auto Old = Parse("<?xml version=\"1.0\" encoding=\"utf-8\"?><a v=\"\xE9\x80\"/>");
  EXPECT_TRUE(Old->OldVersion());
  EXPECT_EQ(Old->Root()->GetProp("v"), u"\u00e9\u20ac");
  // Version 1.1 without standalone is read as UTF-8.
  auto V11 = Parse("<?xml version=\"1.1\" encoding=\"utf-8\"?><a v=\"\xE2\x82\xAC\"/>");
  EXPECT_FALSE(V11->OldVersion());
  EXPECT_EQ(V11->Root()->GetProp("v"), u"\u20ac");
}

TEST(XMLDocument, ReadingKeepsElementsAndSkipsCommentsAndText) {
  auto Doc = Parse(Header + "<a x=\"1\">text<b/><!-- one -- two --><c y=\"2\"></c> more</a>");
  TrepXMLItem* A = Doc->Root();
  EXPECT_EQ(A->Name(), "a");
  EXPECT_EQ(A->GetProp("x"), u"1");
  ASSERT_EQ(A->Count(), 2);
  EXPECT_EQ(A->Items(0)->Name(), "b");
  EXPECT_EQ(A->Items(1)->Name(), "c");
  EXPECT_EQ(A->Items(1)->GetProp("y"), u"2");
  EXPECT_EQ(A->Items(1)->Value(), u"");
}

TEST(XMLDocument, MalformedInputRaises) {
  const std::string Bad[] = {
      Header + "<a><b></a>",              // b left open inside a
      Header + "<a><b x=\"<\"/></a>",     // '<' inside a tag
      Header + "<a><b",                   // data ends inside a tag
      "<a/>",                             // no ?xml header
      "",                                 // nothing at all
      Header + "<a></b>",
  };
  for (const std::string& Text : Bad) {
    try {
      Parse(Text);
      ADD_FAILURE() << "accepted: " << Text;
    } catch (const TrepInvalidXMLException& E) {
      EXPECT_STREQ(E.what(), "Invalid file format");
    }
  }
}

TEST(XMLDocument, DataEndingInsideOpenElementsIsAccepted) {
  auto Doc = Parse(Header + "<a><b/>");
  EXPECT_EQ(Doc->Root()->Name(), "a");
  ASSERT_EQ(Doc->Root()->Count(), 1);
  EXPECT_EQ(Doc->Root()->Items(0)->Name(), "b");
  // A comment running to the end of the data is no error either.
  EXPECT_NO_THROW(Parse(Header + "<a><!-- open"));
}

TEST(XMLDocument, HeadersWithoutAQuotedVersionRaiseWithAMessage) {
  const std::string Bad[] = {
      "<?xml version=>",                  // the value is missing at the very end of the tag
      "<?xml version=?><a/>",
      "<?xml version=1.0?><a/>",          // not quoted
      "<?xml version=\"1.0?><a/>",        // never closed
  };
  for (const std::string& Text : Bad) {
    SCOPED_TRACE(Text);
    EXPECT_THROW(
        {
          try {
            Parse(Text);
          } catch (const TrepInvalidXMLException& E) {
            EXPECT_THAT(E.what(), ::testing::HasSubstr("version"));
            throw;
          }
        },
        TrepInvalidXMLException);
  }
  // Either quote will do; the old format is still told by the version and no "standalone".
  EXPECT_TRUE(Parse("<?xml version='1.0'?><a/>")->OldVersion());
  EXPECT_FALSE(Parse("<?xml version=\"1.0\" standalone=\"no\"?><a/>")->OldVersion());
  EXPECT_FALSE(Parse("<?xml encoding=\"utf-8\"?><a/>")->OldVersion());
}

namespace {

std::string Nested(int Levels, const std::string& Inner = "") {
  std::string Open, Close;
  for (int I = 0; I < Levels; ++I) {
    Open += "<e>";
    Close += "</e>";
  }
  return Header + Open + Inner + Close;
}

} // namespace

TEST(XMLDocument, NestingIsLimited) {
  // Exactly the limit loads, whole or partially; one level more, or far more, is refused
  // before the reader runs out of stack.
  auto Doc = Parse(Nested(repXMLMaxNesting));
  TrepXMLItem* Deepest = Doc->Root();
  int Levels = 1;
  while (Deepest->Count() > 0) {
    Deepest = Deepest->Items(0);
    ++Levels;
  }
  EXPECT_EQ(Levels, repXMLMaxNesting);
  EXPECT_NO_THROW(Parse(Nested(repXMLMaxNesting - 1, "<e/>")));

  const std::string TooDeep[] = {Nested(repXMLMaxNesting + 1), Nested(repXMLMaxNesting, "<e/>"),
                                 Nested(repXMLMaxNesting - 1, "<e/><e><e/></e>"), Nested(100000)};
  for (const std::string& Text : TooDeep) {
    try {
      Parse(Text);
      ADD_FAILURE() << "accepted " << Text.size() << " bytes";
    } catch (const TrepInvalidXMLException& E) {
      EXPECT_THAT(E.what(), ::testing::HasSubstr("nested deeper than " + std::to_string(repXMLMaxNesting)));
    }
    TrepXMLDocument Partial;
    EXPECT_THROW(Partial.LoadFromStream(std::make_unique<rt::TStringStream>(Text), true), TrepInvalidXMLException);
  }
}

TEST(XMLDocument, ReadingStopsJustAfterTheRootEndTag) {
  rt::TStringStream S(Header + "<a><b/></a>TRAILING<junk");
  TrepXMLDocument Doc;
  Doc.LoadFromStream(S);
  EXPECT_EQ(S.ReadString(8), "TRAILING");
}

TEST(XMLDocument, OutputWithoutIndentIsOneLine) {
  TrepXMLDocument Doc;
  Doc.Root()->SetName("a");
  Doc.Root()->SetProp("x", "1");
  Doc.Root()->Add("b")->Add("c");
  Doc.Root()->Add("d")->SetValue(u"v<1");
  EXPECT_EQ(Save(Doc), Header + "<a x=\"1\"><b><c/></b><d>v&#60;1</d></a>");
}

TEST(XMLDocument, IndentedOutputHasOneElementPerLine) {
  TrepXMLDocument Doc;
  Doc.SetAutoIndent(true);
  Doc.Root()->SetName("a");
  Doc.Root()->Add("b")->Add("c")->SetProp("n", "1");
  EXPECT_EQ(Save(Doc), Header + "\r\n<a>\r\n  <b>\r\n    <c n=\"1\"/>\r\n  </b>\r\n</a>\r\n");
}

TEST(XMLDocument, ReadAttributeTextKeepsItsBlankAndIsWrittenBackAsRead) {
  const std::string Text = Header + "<a x=\"1\" y=\"&#60;\"><b z=\"2\"/></a>";
  auto Doc = Parse(Text);
  EXPECT_EQ(Save(*Doc), Text);
}

TEST(XMLItems, AddItemAndInsertItemMoveExistingChildren) {
  TrepXMLItem Root;
  TrepXMLItem* A = Root.Add("a");
  TrepXMLItem* B = Root.Add("b");
  TrepXMLItem* C = Root.Add("c");
  Root.AddItem(A);
  ASSERT_EQ(Root.Count(), 3);
  EXPECT_EQ(Root.Items(0), B);
  EXPECT_EQ(Root.Items(2), A);
  Root.InsertItem(0, C);
  EXPECT_EQ(Root.Items(0), C);
  EXPECT_EQ(Root.Items(1), B);
  EXPECT_EQ(Root.Items(2), A);

  // Taken from another parent.
  TrepXMLItem Other;
  Other.AddItem(B);
  EXPECT_EQ(Root.Count(), 2);
  EXPECT_EQ(B->Parent(), &Other);
  EXPECT_EQ(Root.IndexOf(B), -1);
}

TEST(XMLItems, FindIgnoresCaseAndFindItemGrowsTheTree) {
  TrepXMLItem Root;
  Root.Add("Page");
  EXPECT_EQ(Root.Find("PAGE"), 0);
  EXPECT_EQ(Root.Find("Band"), -1);
  TrepXMLItem* Band = Root.FindItem("Band");
  EXPECT_EQ(Root.Count(), 2);
  EXPECT_EQ(Band->Name(), "Band");
  EXPECT_EQ(Root.FindItem("band"), Band);
  EXPECT_EQ(Band->Root(), &Root);
}

TEST(XMLItems, FreeingAnItemTakesItOutOfItsParent) {
  TrepXMLItem Root;
  TrepXMLItem* A = Root.Add("a");
  A->Add("x")->Add("y");
  Root.Add("b");
  delete A;
  ASSERT_EQ(Root.Count(), 1);
  EXPECT_EQ(Root.Items(0)->Name(), "b");
  EXPECT_THROW(Root.Items(1), rt::EListError);
}

// ---- Partial loading ----

namespace {

// A prepared-pages-like document: Pages pages of Objects objects each, every page unloadable.
std::string PagedDocument(int Pages, int Objects) {
  TrepXMLDocument Doc;
  Doc.Root()->SetName("preparedreport");
  for (int P = 0; P < Pages; ++P) {
    TrepXMLItem* Page = Doc.Root()->Add("page");
    Page->SetProp("n", std::to_string(P));
    Page->SetUnloadable(true);
    for (int O = 0; O < Objects; ++O) {
      TrepXMLItem* Obj = Page->Add("memo");
      Obj->SetProp("Text", "page " + std::to_string(P) + " object " + std::to_string(O) + " \u00e9&<>\"");
    }
  }
  return Save(Doc);
}

std::unique_ptr<TrepXMLDocument> PartialLoad(const std::string& Text) {
  auto Doc = std::make_unique<TrepXMLDocument>();
  Doc->LoadFromStream(std::make_unique<rt::TStringStream>(Text), true);
  return Doc;
}

void ExpectPage(TrepXMLItem* Page, int P, int Objects) {
  ASSERT_EQ(Page->Count(), Objects);
  EXPECT_EQ(Page->GetProp("n"), rt::Utf8ToUtf16(std::to_string(P)));
  EXPECT_EQ(U8(Page->Items(Objects - 1)->GetProp("Text")),
            "page " + std::to_string(P) + " object " + std::to_string(Objects - 1) + " \u00e9&<>\"");
}

} // namespace

TEST(XMLPartialLoading, MarkedElementsStayOnDiskUntilLoaded) {
  const std::string Text = PagedDocument(3, 2);
  EXPECT_NE(Text.find("<page n=\"1\" ld=\"0\">"), std::string::npos);
  auto Doc = PartialLoad(Text);
  TrepXMLItem* Page = Doc->Root()->Items(1);
  EXPECT_EQ(Page->Count(), 0);
  EXPECT_FALSE(Page->Loaded());
  EXPECT_TRUE(Page->Unloadable());
  EXPECT_EQ(U8(Page->Text()), " n=\"1\"");
  Doc->LoadItem(Page);
  EXPECT_TRUE(Page->Loaded());
  ExpectPage(Page, 1, 2);
  EXPECT_EQ(U8(Page->Text()), " n=\"1\"");
}

TEST(XMLPartialLoading, AFullLoadKeepsTheMarkForTheNextSave) {
  const std::string Text = PagedDocument(2, 1);
  auto Doc = Parse(Text);
  EXPECT_EQ(Doc->Root()->Items(0)->Count(), 1);
  EXPECT_TRUE(Doc->Root()->Items(0)->Unloadable());
  EXPECT_EQ(Save(*Doc), Text);
}

TEST(XMLPartialLoading, AnEmptyMarkedElementRoundTrips) {
  const std::string Text = Header + "<a><b ld=\"0\"/><c x=\"1\" ld=\"0\"/></a>";
  auto Doc = PartialLoad(Text);
  EXPECT_FALSE(Doc->Root()->Items(0)->Loaded());
  EXPECT_EQ(Doc->Root()->Items(0)->Text(), u"");
  Doc->LoadItem(Doc->Root()->Items(1));
  EXPECT_EQ(Doc->Root()->Items(1)->GetProp("x"), u"1");
  EXPECT_EQ(Save(*Doc), Text);
}

TEST(XMLPartialLoading, SavingWritesUnloadedSubtreesBackInFull) {
  const std::string Text = PagedDocument(5, 3);
  auto Doc = PartialLoad(Text);
  Doc->LoadItem(Doc->Root()->Items(2));
  EXPECT_EQ(Save(*Doc), Text);
  // Writing read the others back only for the while.
  EXPECT_FALSE(Doc->Root()->Items(0)->Loaded());
  EXPECT_TRUE(Doc->Root()->Items(2)->Loaded());
}

TEST(XMLPartialLoading, UnloadedPagesStayReadableAfterOthersGoToTheSwapFile) {
  TScratchDir Dir;
  const int Pages = 200, Objects = 20;
  const std::string Text = PagedDocument(Pages, Objects);
  auto Doc = PartialLoad(Text);
  Doc->SetTempDir(Dir.Path.string());
  // Pages left in the source stream and pages moved to the swap file are mixed.
  for (int P = 0; P < Pages; P += 3) Doc->LoadItem(Doc->Root()->Items(P));
  for (int P = 0; P < Pages; P += 6) Doc->UnloadItem(Doc->Root()->Items(P));
  EXPECT_EQ(Dir.FileCount(), 1);
  for (int P : {0, 1, 3, 6, 7, 150, 198, 199}) {
    TrepXMLItem* Page = Doc->Root()->Items(P);
    Doc->LoadItem(Page);
    ExpectPage(Page, P, Objects);
  }
  EXPECT_EQ(Save(*Doc), Text);
  Doc->Clear();
  EXPECT_EQ(Dir.FileCount(), 0);
}

TEST(XMLPartialLoading, AnUnloadedPageMayHoldUnloadedChildren) {
  TScratchDir Dir;
  TrepXMLDocument Doc;
  Doc.SetTempDir(Dir.Path.string());
  Doc.Root()->SetName("r");
  TrepXMLItem* Outer = Doc.Root()->Add("outer");
  Outer->SetUnloadable(true);
  TrepXMLItem* Inner = Outer->Add("inner");
  Inner->SetUnloadable(true);
  Inner->Add("leaf")->SetProp("v", "deep");
  const std::string Before = Save(Doc);
  Doc.UnloadItem(Inner);
  Doc.UnloadItem(Outer);
  EXPECT_EQ(Outer->Count(), 0);
  EXPECT_EQ(Save(Doc), Before);
  Doc.LoadItem(Outer);
  ASSERT_EQ(Outer->Count(), 1);
  EXPECT_EQ(Outer->Items(0)->Items(0)->GetProp("v"), u"deep");
}

TEST(XMLPartialLoading, SaveToFileContinuesFromTheNewFile) {
  TScratchDir Dir;
  const std::string File = (Dir.Path / "report.fp3").string();
  const std::string Text = PagedDocument(4, 2);
  auto Doc = PartialLoad(Text);
  Doc->LoadItem(Doc->Root()->Items(1));
  Doc->Root()->Items(1)->Items(0)->SetProp("Text", "changed");
  Doc->SaveToFile(File);
  EXPECT_FALSE(std::filesystem::exists(File + ".tmp"));
  // The document now reads its pages from the file it wrote.
  TrepXMLItem* Page = Doc->Root()->Items(1);
  EXPECT_FALSE(Page->Loaded());
  Doc->LoadItem(Page);
  EXPECT_EQ(Page->Items(0)->GetProp("Text"), u"changed");
  Doc->LoadItem(Doc->Root()->Items(3));
  ExpectPage(Doc->Root()->Items(3), 3, 2);
  // Saving over the file it reads from.
  Doc->SaveToFile(File);
  TrepXMLDocument Again;
  Again.LoadFromFile(File);
  Again.LoadItem(Again.Root()->Items(1));
  EXPECT_EQ(Again.Root()->Items(1)->Items(0)->GetProp("Text"), u"changed");
}

TEST(XMLPartialLoading, TheSwapFileGoesWithTheDocument) {
  TScratchDir Dir;
  {
    auto Doc = PartialLoad(PagedDocument(2, 1));
    Doc->SetTempDir(Dir.Path.string());
    Doc->LoadItem(Doc->Root()->Items(0));
    Doc->UnloadItem(Doc->Root()->Items(0));
    ASSERT_EQ(Dir.FileCount(), 1);
    EXPECT_EQ(std::filesystem::directory_iterator(Dir.Path)->path().filename().string().substr(0, 3), "rep");
  }
  EXPECT_EQ(Dir.FileCount(), 0);
}
