// Report variables with categories, their XML storage, the name-to-value map, and named
// collections with unique indexes stored as XML.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rt/Unicode.h"
#include "report/engine/repCollections.h"
#include "report/engine/repUtils.h"
#include "report/engine/repVariables.h"
#include "report/engine/repXMLSerializer.h"

namespace {

std::vector<std::string> Names(const TrepVariables& V) {
  std::vector<std::string> R;
  for (int I = 0; I < V.Count(); ++I) R.push_back(V.Items(I)->Name);
  return R;
}

std::vector<std::string> Lines(const rt::TStrings& L) {
  std::vector<std::string> R;
  for (int I = 0; I < L.Count(); ++I) R.push_back(L[I]);
  return R;
}

// Variables a, then category First with f1, f2, then category Second with s1.
void Fill(TrepVariables& V) {
  for (const char* N : {"a", " First", "f1", "f2", " Second", "s1"}) V.SetVariables(N, rt::Variant(N));
}

TEST(Variables, NamesAreFoundIgnoringLetterCase) {
  TrepVariables V;
  V.SetVariables("Total", rt::Variant(1));
  V.SetVariables("TOTAL", rt::Variant(2));
  EXPECT_EQ(V.Count(), 1);
  EXPECT_EQ(V.Variables("total").ToInteger(), 2);
  EXPECT_TRUE(V.Variables("nothing").IsNull());
  EXPECT_EQ(V.IndexOf("nothing"), -1);
  V.DeleteVariable("nothing");
  V.DeleteVariable("toTal");
  EXPECT_EQ(V.Count(), 0);
}

TEST(Variables, AddVariableGoesToTheEndOfItsCategory) {
  struct Case {
    const char* Category;
    const char* Name;
    std::vector<std::string> Expected;
  };
  const Case Cases[] = {
      {"First", "f3", {"a", " First", "f1", "f2", "f3", " Second", "s1"}},
      {"second", "s2", {"a", " First", "f1", "f2", " Second", "s1", "s2"}},
      {"Third", "t1", {"a", " First", "f1", "f2", " Second", "s1"}},
      {"Second", "F1", {"a", " First", "f1", "f2", " Second", "s1"}},  // existing: value only
  };
  for (const Case& C : Cases) {
    TrepVariables V;
    Fill(V);
    V.AddVariable(C.Category, C.Name, rt::Variant(7));
    EXPECT_EQ(Names(V), C.Expected) << C.Category << " " << C.Name;
    if (V.IndexOf(C.Name) >= 0) {
      EXPECT_EQ(V.Variables(C.Name).ToInteger(), 7) << C.Name;
    }
  }
}

TEST(Variables, CategoriesAreListedAndDeleted) {
  TrepVariables V;
  Fill(V);
  rt::TStringList L;
  L.Add("old");
  V.GetCategoriesList(L, false);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"old", "First", "Second"}));
  V.GetCategoriesList(L);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"First", "Second"}));

  struct Case {
    const char* Category;
    std::vector<std::string> Expected;
  };
  for (const Case& C : {Case{"", {"a"}}, Case{"first", {"f1", "f2"}}, Case{"Second", {"s1"}}, Case{"None", {}}}) {
    V.GetVariablesList(C.Category, L);
    EXPECT_EQ(Lines(L), C.Expected) << C.Category;
  }
  // A variable without a name ends its category's list.
  V.Insert(3)->Name = "";
  V.GetVariablesList("First", L);
  EXPECT_EQ(Lines(L), (std::vector<std::string>{"f1"}));

  V.DeleteCategory("Nothing");
  EXPECT_EQ(V.Count(), 7);
  V.DeleteCategory("FIRST");
  EXPECT_EQ(Names(V), (std::vector<std::string>{"a", " Second", "s1"}));
  V.DeleteCategory("Second");
  EXPECT_EQ(Names(V), (std::vector<std::string>{"a"}));
}

TEST(Variables, StoredAsXMLAndReadBack) {
  TrepVariables V;
  Fill(V);
  V.SetVariables("Expr", rt::Variant("<Sum> & \"q\"\r\nline 2"));
  V.SetVariables("Empty", rt::Variant::Null());
  V.SetVariables("Number", rt::Variant(42));
  rt::TStringStream Out("");
  V.SaveToStream(Out);
  const std::string Xml = Out.DataString();
  EXPECT_NE(Xml.find("<variables>"), std::string::npos) << Xml;
  EXPECT_NE(Xml.find("<item Name=\"f1\" Value=\"f1\"/>"), std::string::npos) << Xml;
  EXPECT_NE(Xml.find("<item Name=\"Empty\"/>"), std::string::npos) << Xml;

  TrepVariables R;
  R.SetVariables("stale", rt::Variant(1));
  rt::TStringStream In(Xml);
  R.LoadFromStream(In);
  EXPECT_EQ(Names(R), Names(V));
  EXPECT_EQ(R.Variables("Expr").ToUString(), u"<Sum> & \"q\"\r\nline 2");
  EXPECT_TRUE(R.Variables("Empty").IsNull());
  EXPECT_EQ(R.Variables("Number").ToUString(), u"42") << "values come back as texts";

  // Another root, or elements other than "item", give nothing.
  rt::TStringStream Other("<?xml version=\"1.0\"?><vars><item Name=\"x\"/></vars>");
  R.LoadFromStream(Other);
  EXPECT_EQ(R.Count(), 0);
  rt::TStringStream Mixed("<?xml version=\"1.0\"?><VARIABLES><other Name=\"x\"/><ITEM Name=\"y\"/></VARIABLES>");
  R.LoadFromStream(Mixed);
  EXPECT_EQ(Names(R), (std::vector<std::string>{"y"}));

  rt::TStringStream Bad("<?xml version=\"1.0\"?><variables><item Name=\"x\"></variables>");
  R.SetVariables("kept?", rt::Variant(1));
  EXPECT_THROW(R.LoadFromStream(Bad), TrepInvalidXMLException);
  EXPECT_EQ(R.Count(), 0) << "the list is cleared before reading";
}

TEST(Variables, FilesAreWrittenAndReadBack) {
  const std::string File = TempFileName();
  TrepVariables V;
  Fill(V);
  V.SaveToFile(File);
  TrepVariables R;
  R.LoadFromFile(File);
  EXPECT_EQ(Names(R), Names(V));
  std::filesystem::remove(File);
  EXPECT_THROW(R.LoadFromFile(File), rt::EFOpenError);
  EXPECT_THROW(V.SaveToFile(File + "/no/such/dir"), rt::EFCreateError);
}

TEST(Variables, ArrayIndexedByNumberOrTextReachesOneEntry) {
  TrepArray A;
  A.SetVariables(rt::Variant(1), rt::Variant("one"));
  EXPECT_EQ(A.Variables(rt::Variant("1")).ToUString(), u"one");
  A.SetVariables(rt::Variant("1"), rt::Variant("uno"));
  EXPECT_EQ(A.Count(), 1);
  EXPECT_EQ(A.Variables(rt::Variant(1)).ToUString(), u"uno");
  EXPECT_TRUE(A.Variables(rt::Variant(2)).IsNull());
  EXPECT_EQ(A.IndexOf(rt::Variant("x")), -1);
}

// A named collection whose items store their unique index.
class TStyle : public TrepCollectionItem {
public:
  RT_CLASS_INFO(TStyle)
  using TrepCollectionItem::TrepCollectionItem;
  bool IsUniqueNameStored() const override { return true; }
  int Color = 0;
};

rt::TClass TStyle::ClassInfo() {
  static const rt::TClassInfo Info("TStyle", rt::TObject::ClassInfo(), {},
                                   {rt::TPropInfo::Field<TStyle>("Color", rt::tkInteger, "", &TStyle::Color)});
  return &Info;
}

class TStyles : public TrepCollection {
public:
  TStyles() : TrepCollection([](rt::TCollection* C) { return new TStyle(C); }) {}
  TStyle* Items(int I) const { return static_cast<TStyle*>(TrepCollection::Items(I)); }
  TStyle* Add() { return static_cast<TStyle*>(TrepCollection::Add()); }
  TStyle* Insert(int I) { return static_cast<TStyle*>(TrepCollection::Insert(I)); }
};

TEST(NamedCollections, UniqueIndexesAndNames) {
  TStyles S;
  S.Add();
  S.Add();
  S.Add();
  EXPECT_EQ(S.Items(2)->UniqueIndex(), 3);
  EXPECT_EQ(S.FindByName("repUIN2"), S.Items(1));
  EXPECT_EQ(S.FindByName("repuin2"), nullptr) << "inherited names match exactly";
  S.Delete(0);
  EXPECT_EQ(S.Add()->UniqueIndex(), 1) << "the smallest index is above 1";
  EXPECT_EQ(S.Insert(0)->UniqueIndex(), 4);
  EXPECT_EQ(S.Items(0)->Index(), 0);

  TrepVariables V;
  TrepVariable* Unnamed = V.Add();
  EXPECT_EQ(Unnamed->GetInheritedName(), "repUIN0");
  Unnamed->Name = "X";
  EXPECT_EQ(V.FindByName("X"), Unnamed);
  TrepVariable Copy(nullptr);
  Copy.Assign(Unnamed);
  EXPECT_EQ(Copy.Name, "X");
}

TEST(NamedCollections, CollectionsAsChildElements) {
  TStyles S, Ancestor;
  Ancestor.Add()->Color = 1;
  S.Add()->Color = 1;  // same inherited name as the ancestor's item
  S.Add()->Color = 9;
  TrepXMLItem Parent;
  WriteCollectionToXML(&S, "Styles", &Parent, &Ancestor, nullptr);
  ASSERT_EQ(Parent.Count(), 1);
  TrepXMLItem* List = Parent.Items(0);
  EXPECT_EQ(List->Name(), "Styles");
  ASSERT_EQ(List->Count(), 2);
  EXPECT_EQ(List->Items(0)->Text(), u" InheritedName=\"repUIN1\" uin=\"1\"");
  EXPECT_EQ(List->Items(1)->Text(), u" Color=\"9\" uin=\"2\"");

  TStyles R;
  R.Add()->Color = 5;  // reading appends
  List->Items(1)->SetText(u" Color=\"9\" uin=\"7\"");
  ReadCollectionFromXML(&R, List, nullptr);
  ASSERT_EQ(R.Count(), 3);
  EXPECT_EQ(R.Items(2)->Color, 9);
  EXPECT_EQ(R.Items(2)->UniqueIndex(), 7);
}

} // namespace

namespace {

// A report object that keeps its variables as defined data, as the report does.
class THolder : public TrepComponent {
public:
  RT_CLASS_INFO(THolder)
  using TrepComponent::TrepComponent;
  TrepVariables Vars;
  void DefineProperties(rt::TFiler& Filer) override {
    Filer.DefineProperty("Variables", [this](rt::TReader& R) { ReadCollectionFromStream(&Vars, R, this); },
                         [this](rt::TWriter& W) { WriteCollectionToStream(&Vars, W, this); }, Vars.Count() > 0);
  }
};

rt::TClass THolder::ClassInfo() {
  static const rt::TClassInfo Info("THolder", rt::TObject::ClassInfo(), [] { return new THolder(nullptr); });
  return &Info;
}

void FillValues(TrepVariables& V) {
  V.SetVariables(" Cat", rt::Variant::Null());
  V.SetVariables("Text", rt::Variant(u"Ünï \"q\""));
  V.SetVariables("Int", rt::Variant(-70000));
  V.SetVariables("Float", rt::Variant(2.5));
  V.SetVariables("Flag", rt::Variant(true));
}

// The type byte that follows the entry "Variables" in defined data.
int FormByte(const std::string& Bytes) { return static_cast<unsigned char>(Bytes.at(10)); }

TEST(NamedCollections, VariablesInsideAnXMLSaveTravelAsAttributeTexts) {
  THolder H(nullptr);
  FillValues(H.Vars);
  TrepXMLSerializer W(nullptr);
  const std::u16string Text = W.ObjToXML(&H);
  const std::size_t At = Text.find(u"PropData=\"");
  ASSERT_NE(At, std::u16string::npos);
  const std::string Hex = rt::Utf16ToUtf8(Text.substr(At + 10, Text.find(u'"', At + 10) - At - 10));
  rt::TStringStream Bytes("");
  HexToStream(Hex, Bytes);
  EXPECT_EQ(FormByte(Bytes.DataString()), rt::vaList);
  EXPECT_FALSE(IsWritingXML(&H)) << "only while the object is written";

  THolder R(nullptr);
  R.Vars.SetVariables("stale", rt::Variant(1));
  TrepXMLSerializer S(nullptr);
  S.XMLToObj(Text, &R);
  EXPECT_EQ(Names(R.Vars), Names(H.Vars));
  EXPECT_EQ(R.Vars.Variables("Text").ToUString(), u"Ünï \"q\"");
  EXPECT_EQ(R.Vars.Variables("Int").ToUString(), u"-70000") << "attribute texts give texts";
}

TEST(NamedCollections, VariablesInAComponentStreamUseTheStandardForm) {
  THolder H(nullptr);
  FillValues(H.Vars);
  rt::TStringStream Out("");
  {
    rt::TWriter W(Out);
    H.DefineProperties(W);
  }
  EXPECT_EQ(FormByte(Out.DataString()), rt::vaCollection);

  THolder R(nullptr);
  rt::TStringStream In(Out.DataString());
  rt::TReader Reader(In);
  Reader.ReadProperty([&](rt::TFiler& F) { R.DefineProperties(F); });
  EXPECT_EQ(Names(R.Vars), Names(H.Vars));
  EXPECT_TRUE(R.Vars.Variables(" Cat").IsNull());
  EXPECT_EQ(R.Vars.Variables("Text").ToUString(), u"Ünï \"q\"");
  EXPECT_EQ(R.Vars.Variables("Int").ToInteger(), -70000);
  EXPECT_DOUBLE_EQ(R.Vars.Variables("Float").ToDouble(), 2.5);
  EXPECT_TRUE(R.Vars.Variables("Flag").ToBoolean());
}

TEST(NamedCollections, OldStyleEscapesInStandardFormStringsAreUndone) {
  rt::TStringStream Data("");
  {
    rt::TWriter W(Data);
    W.WriteValue(rt::vaCollection);
    W.WriteListBegin();
    W.WritePropName("Name");
    W.WriteString(u"N\x01" u"D");
    W.WritePropName("Value");
    W.WriteString(u"A\x01" u"D");
    W.WritePropName("Unknown");
    W.WriteInteger(1);
    W.WriteListEnd();
    W.WriteListEnd();
  }
  TrepVariables V;
  Data.SetPosition(0);
  rt::TReader R(Data);
  ReadCollectionFromStream(&V, R, nullptr);
  ASSERT_EQ(V.Count(), 1);
  EXPECT_EQ(V.Items(0)->Value.ToUString(), u"AÄ") << "a variant holding a string is rewritten";
  EXPECT_EQ(V.Items(0)->Name, "N\x01" "D") << "Unicode-string properties are not";
}

} // namespace
