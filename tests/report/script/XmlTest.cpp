#include "report/script/sc_xml.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>

#include <unistd.h>

#include "tests/report/script/ScriptFrontEnd.h"

namespace {

using scfront::OneLine;

std::string RaisedBy(const std::function<void()>& F) {
  try {
    F();
  } catch (const rt::Exception& E) {
    return E.Message();
  }
  return "";
}

void Load(TscXMLDocument& Doc, const std::string& Text) {
  rt::TStringStream Stream(Text);
  Doc.LoadFromStream(Stream);
}

// ---- Attribute values ----

struct EscapeCase {
  const char* Value;
  const char* Stored;  // attribute text after setting the value under the name v
};

TEST(XmlAttributeTest, ValuesAreStoredEscapedAndReadBackUnchanged) {
  const EscapeCase Cases[] = {
      {"plain", "v=\"plain\""},
      {"say \"hi\" <b>", "v=\"say &#34;hi&#34; &#60;b&#62;\""},
      {"two\r\nlines", "v=\"two&#13;&#10;lines\""},
      {"a & b", "v=\"a & b\""},
      {"it's", "v=\"it's\""},
      // An ampersand that would read back as a reference is escaped itself, so nothing changes.
      {"&quot;", "v=\"&#38;quot;\""},
      {"&#65;", "v=\"&#38;#65;\""},
      {"\xC3\xA9t\xC3\xA9", "v=\"\xC3\xA9t\xC3\xA9\""},
      {"", "v=\"\""},
  };
  for (const auto& C : Cases) {
    TscXMLItem Item;
    Item.SetProp("v", C.Value);
    EXPECT_EQ(Item.Text, C.Stored) << C.Value;
    EXPECT_EQ(Item.Prop("v"), C.Value) << C.Value;
  }
}

struct UnescapeCase {
  const char* Raw;
  const char* Value;
};

TEST(XmlAttributeTest, ReferencesInReadTextAreDecoded) {
  const UnescapeCase Cases[] = {
      {"&quot;", "\""},
      {"x&quot;y", "x\"y"},
      {"&#65;", "A"},
      {"&#60;&#62;&#34;", "<>\""},
      {"&#233;", "\xC3\xA9"},        // UTF-8 of code 233
      {"&#8364;", "\xE2\x82\xAC"},   // the euro sign
      {"&amp;", "&amp;"},            // no entity table
      {"&#65", "&#65"},              // no closing semicolon
      {"&#x41;", "&#x41;"},          // only decimal references
      {"&#;", "&#;"},
      {"a&", "a&"},
      {"&#55296;", "&#55296;"},      // a surrogate is no character
      {"&#99999999999;", "&#99999999999;"},
  };
  for (const auto& C : Cases) {
    TscXMLItem Item;
    Item.Text = std::string("v=\"") + C.Raw + "\"";
    EXPECT_EQ(Item.Prop("v"), C.Value) << C.Raw;
  }
}

TEST(XmlAttributeTest, LookupNeedsTheWholeNameOutsideValues) {
  TscXMLItem Item;
  Item.Text = "xtext=\"1\" TEXT=\"2\" pos=\"3:5\"";
  EXPECT_EQ(Item.Prop("text"), "2");  // not the end of xtext; names ignore case
  EXPECT_EQ(Item.Prop("Pos"), "3:5");
  EXPECT_EQ(Item.Prop("missing"), "");
  EXPECT_FALSE(Item.PropExists("missing"));
  EXPECT_TRUE(Item.PropExists("xtext"));

  // A value that ends like the start of another attribute is not taken for it.
  Item.Text = "a=\"x b=\" b=\"y\"";
  EXPECT_EQ(Item.Prop("b"), "y");
  EXPECT_EQ(Item.Prop("a"), "x b=");
}

TEST(XmlAttributeTest, SettingReplacesInPlaceOrAppends) {
  TscXMLItem Item;
  Item.Text = "text=\"x\" pos=\"3:5\"";
  Item.SetProp("TEXT", "y");
  EXPECT_EQ(Item.Text, "TEXT=\"y\" pos=\"3:5\"");
  Item.SetProp("pos", "4:1");
  EXPECT_EQ(Item.Text, "TEXT=\"y\" pos=\"4:1\"");
  Item.SetProp("new", "1");
  EXPECT_EQ(Item.Text, "TEXT=\"y\" pos=\"4:1\" new=\"1\"");

  TscXMLItem Blank;
  Blank.Text = "a=\"1\" ";
  Blank.SetProp("b", "2");
  EXPECT_EQ(Blank.Text, "a=\"1\" b=\"2\"");

  TscXMLItem Empty;
  Empty.SetProp("a", "1");
  EXPECT_EQ(Empty.Text, "a=\"1\"");
}

// ---- The tree ----

TEST(XmlTreeTest, FindItemAddsAMissingChild) {
  TscXMLItem Root;
  Root.Name = "language";
  EXPECT_EQ(Root.Find("types"), -1);
  EXPECT_EQ(Root.IndexOf(&Root), -1);  // an element that never had children
  TscXMLItem* Types = Root.FindItem("types");
  ASSERT_EQ(Root.Count(), 1);
  EXPECT_EQ(Types->Name, "types");
  EXPECT_EQ(Types->Count(), 0);
  EXPECT_EQ(Types->Parent(), &Root);
  EXPECT_EQ(Root.FindItem("TYPES"), Types);  // found again, ignoring case
  EXPECT_EQ(Root.Count(), 1);
}

TEST(XmlTreeTest, ChildrenMoveBetweenParentsAndLeaveWhenFreed) {
  TscXMLItem A, B;
  TscXMLItem* X = A.Add();
  X->Name = "x";
  TscXMLItem* Y = A.Add();
  Y->Name = "y";
  B.AddItem(X);
  EXPECT_EQ(A.Count(), 1);
  EXPECT_EQ(A.Items(0), Y);
  EXPECT_EQ(B.Items(0), X);
  EXPECT_EQ(X->Parent(), &B);
  EXPECT_EQ(X->Root(), &B);

  TscXMLItem* Z = B.Add();
  Z->Name = "z";
  B.InsertItem(0, Z);
  EXPECT_EQ(B.IndexOf(Z), 0);
  EXPECT_EQ(B.IndexOf(X), 1);

  delete X;
  ASSERT_EQ(B.Count(), 1);
  EXPECT_EQ(B.Items(0), Z);
  EXPECT_THROW(B.Items(1), rt::EListError);
  EXPECT_THROW(Z->AddItem(&B), rt::Exception);  // an element cannot hold its own ancestor
}

TEST(XmlTreeTest, ListsOfEveryLengthInsertRemoveAndRelease) {
  // A lone child is held differently from several: every change that crosses between the two
  // keeps the order and the parents right.
  for (int N = 0; N <= 4; ++N) {
    for (int At = 0; At <= N; ++At) {
      TscXMLItem P;
      std::string Names;
      for (int I = 0; I < N; ++I) {
        P.Add()->Name = std::string(1, static_cast<char>('a' + I));
        Names += static_cast<char>('a' + I);
      }
      TscXMLItem* New = P.Add();
      New->Name = "x";
      P.InsertItem(At, New);
      Names.insert(static_cast<std::size_t>(At), "x");
      std::string Got;
      for (int I = 0; I < P.Count(); ++I) Got += P.Items(I)->Name.Str();
      EXPECT_EQ(Got, Names) << N << " " << At;
      EXPECT_EQ(P.IndexOf(New), At);
      delete P.Items(N - At);  // any one child leaves the list
      Names.erase(static_cast<std::size_t>(N - At), 1);
      std::vector<std::unique_ptr<TscXMLItem>> Released = P.ReleaseItems();
      EXPECT_EQ(P.Count(), 0);
      Got.clear();
      for (auto& R : Released) {
        EXPECT_EQ(R->Parent(), nullptr);
        Got += R->Name.Str();
      }
      EXPECT_EQ(Got, Names) << N << " " << At;
    }
  }
}

TEST(XmlTreeTest, TakeChildrenMovesThemAllAndRefusesAnAncestor) {
  TscXMLDocument Doc;
  Load(Doc, "<?xml version=\"1.0\"?><a><b><c/></b><d/></a>");
  TscXMLItem To;
  To.Add()->Name = "x";
  To.TakeChildren(Doc.Root());
  EXPECT_EQ(scfront::Shape(&To), "x b(c) d");
  EXPECT_EQ(Doc.Root()->Count(), 0);
  EXPECT_EQ(To.Items(1)->Parent(), &To);
  EXPECT_EQ(To.Items(1)->Root(), &To);
  To.TakeChildren(Doc.Root());  // nothing left to take
  EXPECT_EQ(To.Count(), 3);

  // Taking the children of an ancestor would make a cycle.
  TscXMLItem* C = To.Items(1)->Items(0);
  EXPECT_THROW(C->TakeChildren(&To), rt::Exception);
  EXPECT_EQ(scfront::Shape(&To), "x b(c) d");
  delete To.Items(1);  // a moved child still leaves its new parent when freed
  EXPECT_EQ(scfront::Shape(&To), "x d");
}

TEST(XmlTreeTest, AssignCopiesTheSubtree) {
  TscXMLDocument Doc;
  Load(Doc, "<?xml version=\"1.0\"?><a k=\"1\"><b><c/></b><d/></a>");
  int Tag = 0;
  Doc.Root()->SetData(&Tag);
  TscXMLItem Copy;
  Copy.Add()->Name = "old";
  Copy.Assign(Doc.Root());
  EXPECT_EQ(Copy.Name, "a");
  EXPECT_EQ(Copy.Prop("k"), "1");
  EXPECT_EQ(Copy.Data(), &Tag);
  EXPECT_EQ(scfront::Shape(&Copy), "b(c) d");
  EXPECT_NE(Copy.Items(0), Doc.Root()->Items(0));

  // From one of its own descendants: b takes the place of the whole.
  Copy.Assign(Copy.Items(0));
  EXPECT_EQ(Copy.Name, "b");
  EXPECT_EQ(scfront::Shape(&Copy), "c");
  Copy.Assign(nullptr);
  EXPECT_EQ(Copy.Count(), 0);
}

// ---- Reading and writing ----

TEST(XmlDocumentTest, EmptyElementFormsAllLoadWithoutChildren) {
  TscXMLDocument Doc;
  Load(Doc, "<?xml version=\"1.0\"?>\r\n<r>\r\n  <a/>\r\n  <b x=\"1\"/>\r\n  <c x=\"1\" />\r\n  <d></d>\r\n  <e x=\"2\"></e>\r\n</r>");
  TscXMLItem* R = Doc.Root();
  EXPECT_EQ(R->Name, "r");
  ASSERT_EQ(R->Count(), 5);
  const char* Names[] = {"a", "b", "c", "d", "e"};
  for (int I = 0; I < 5; ++I) {
    EXPECT_EQ(R->Items(I)->Name, Names[I]);
    EXPECT_EQ(R->Items(I)->Count(), 0);
  }
  EXPECT_EQ(R->Items(1)->Prop("x"), "1");
  EXPECT_EQ(R->Items(2)->Prop("x"), "1");
  EXPECT_EQ(R->Items(4)->Prop("x"), "2");
}

TEST(XmlDocumentTest, CommentsAndCharacterDataAreSkipped) {
  TscXMLDocument Doc;
  Load(Doc,
       "<!-- before -->\n<?xml version=\"1.0\"?>\n<r>text<!-- a > b, <c> -->\n"
       "<a/>more text<!----><b/><!-- x ---- y --></r>");
  EXPECT_EQ(scfront::Shape(Doc.Root()), "a b");
}

TEST(XmlDocumentTest, MalformedInputIsRefused) {
  const char* Cases[] = {
      "<r/>",                                       // no header
      "<?xml version=\"1.0\"?><r><a></b></r>",      // end tag of another element
      "<?xml version=\"1.0\"?><r><a <b/></r>",      // '<' inside a tag
      "<?xml version=\"1.0\"?><r><a x=\"1\"",       // stream ends inside a tag
      "<?xml version=\"1.0\"?><r><!-- open",        // stream ends inside a comment
  };
  for (const char* Text : Cases) {
    TscXMLDocument Doc;
    EXPECT_EQ(RaisedBy([&] { Load(Doc, Text); }), "Invalid file format") << Text;
  }
}

TEST(XmlDocumentTest, ACutOffDocumentKeepsWhatWasRead) {
  TscXMLDocument Doc;
  Load(Doc, "<?xml version=\"1.0\"?><r><a><b/>");
  EXPECT_EQ(scfront::Shape(Doc.Root()), "a(b)");
}

TEST(XmlDocumentTest, WrittenOnOneLineOrIndented) {
  TscXMLDocument Doc;
  Load(Doc, "<?xml version=\"1.0\"?><r a=\"1\"><x t=\"&#60;\"><y/></x><z/></r>");
  rt::TStringStream Flat;
  Doc.SaveToStream(Flat);
  EXPECT_EQ(Flat.DataString(), "<?xml version=\"1.0\"?><r a=\"1\"><x t=\"&#60;\"><y/></x><z/></r>");

  Doc.AutoIndent = true;
  rt::TStringStream Indented;
  Doc.SaveToStream(Indented);
  EXPECT_EQ(Indented.DataString(),
            "<?xml version=\"1.0\"?>\r\n<r a=\"1\">\r\n  <x t=\"&#60;\">\r\n    <y/>\r\n  </x>\r\n"
            "  <z/>\r\n</r>\r\n");

  // The indented form reads back to the same tree.
  TscXMLDocument Again;
  Load(Again, Indented.DataString());
  EXPECT_EQ(OneLine(Again), "<r a=\"1\"><x t=\"&#60;\"><y/></x><z/></r>");
}

TEST(XmlDocumentTest, TheReaderStopsRightAfterTheRootElement) {
  const std::string Document = "<?xml version=\"1.0\"?><a><b/></a>";
  rt::TStringStream Stream(Document + "<tail/>");
  TscXMLDocument Doc;
  Doc.LoadFromStream(Stream);
  EXPECT_EQ(Stream.Position(), static_cast<std::int64_t>(Document.size()));
  EXPECT_EQ(Stream.ReadString(100), "<tail/>");
}

TEST(XmlDocumentTest, LargeAndDeepDocumentsRoundTrip) {
  // Many elements cross the 4096-byte buffers of reader and writer.
  TscXMLDocument Doc;
  Doc.Root()->Name = "program";
  for (int I = 0; I < 3000; ++I) {
    TscXMLItem* Item = Doc.Root()->Add();
    Item->Name = "string";
    Item->SetProp("text", "'value " + std::to_string(I) + "'");
  }
  const std::string Flat = OneLine(Doc);
  TscXMLDocument Again;
  Load(Again, "<?xml version=\"1.0\"?>" + Flat);
  ASSERT_EQ(Again.Root()->Count(), 3000);
  EXPECT_EQ(Again.Root()->Items(2999)->Prop("text"), "'value 2999'");
  EXPECT_EQ(OneLine(Again), Flat);

  // Nesting far deeper than any stack would take by recursion.
  const int Depth = 200000;
  std::string Deep = "<?xml version=\"1.0\"?>";
  for (int I = 0; I < Depth; ++I) Deep += "<a>";
  for (int I = 0; I < Depth; ++I) Deep += "</a>";
  auto Nested = std::make_unique<TscXMLDocument>();
  Load(*Nested, Deep);
  const TscXMLItem* Leaf = Nested->Root();
  int Levels = 0;
  while (Leaf->Count() > 0) {
    Leaf = Leaf->Items(0);
    ++Levels;
  }
  EXPECT_EQ(Levels, Depth - 1);
  rt::TStringStream Out;
  Nested->SaveToStream(Out);
  std::string Expected = "<?xml version=\"1.0\"?>";
  for (int I = 1; I < Depth; ++I) Expected += "<a>";
  Expected += "<a/>";
  for (int I = 1; I < Depth; ++I) Expected += "</a>";
  EXPECT_EQ(Out.DataString(), Expected);
  TscXMLItem Copy;
  Copy.Assign(Nested->Root());
  Nested.reset();  // frees the whole chain
}

TEST(XmlDocumentTest, NamesOfAnyLengthAndNumberStayTheElementsOwn) {
  // Short names are shared between elements, but only up to a limit: past it, and for long
  // names, each element keeps its own copy. Either way every name reads back as it was written,
  // survives copies of the element and changes on one element only.
  TscXMLDocument Doc;
  Doc.Root()->Name = "r";
  const std::string Long(kMaxSharedXMLNameLength + 1, 'n');
  std::vector<std::string> Names{Long, Long + "x", "same", "same"};
  for (std::size_t I = 0; I < kMaxSharedXMLNames + 10; ++I) Names.push_back("distinct" + std::to_string(I));
  for (const std::string& N : Names) {
    TscXMLItem* Item = Doc.Root()->Add();
    Item->Name = N;
    Item->Text = "a=\"" + N + "\"";
  }
  Doc.Root()->Items(3)->Name = "changed";
  Names[3] = "changed";
  TscXMLItem Copy;
  Copy.Assign(Doc.Root());
  TscXMLDocument Again;
  Load(Again, "<?xml version=\"1.0\"?>" + OneLine(Doc));
  for (const TscXMLItem* Tree : {Doc.Root(), &Copy, Again.Root()}) {
    ASSERT_EQ(Tree->Count(), static_cast<int>(Names.size()));
    for (std::size_t I = 0; I < Names.size(); ++I) {
      EXPECT_EQ(Tree->Items(static_cast<int>(I))->Name, Names[I]) << I;
      EXPECT_EQ(Tree->Items(static_cast<int>(I))->Prop("a"), I == 3 ? "same" : Names[I]) << I;
    }
  }
  TscXMLName Moved = std::move(Copy.Items(0)->Name);
  EXPECT_EQ(Moved, Long);
  EXPECT_TRUE(Copy.Items(0)->Name.empty());
}

TEST(XmlDocumentTest, FilesRoundTrip) {
  const std::filesystem::path Dir = std::filesystem::temp_directory_path() /
                                    ("scxml" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  const std::string File = (Dir / "doc.xml").string();
  TscXMLDocument Doc;
  Doc.AutoIndent = true;
  Doc.Root()->Name = "r";
  TscXMLItem* Item = Doc.Root()->Add();
  Item->Name = "s";
  Item->SetProp("text", "a\"b");
  Doc.SaveToFile(File);
  TscXMLDocument Again;
  Again.LoadFromFile(File);
  EXPECT_EQ(Again.Root()->Items(0)->Prop("text"), "a\"b");
  EXPECT_THROW(Again.LoadFromFile((Dir / "missing.xml").string()), rt::EFOpenError);
  std::filesystem::remove_all(Dir);
}

}  // namespace
