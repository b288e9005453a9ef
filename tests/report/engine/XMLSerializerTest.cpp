// Report objects to XML and back: property kinds and defaults, sub-objects, references, data
// outside the published properties, collected reading problems, round trips.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/rt/Components.h"
#include "platform/rt/Streaming.h"
#include "platform/rt/TypInfo.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repRes.h"
#include "report/engine/repXMLSerializer.h"
#include "tests/report/EngineSetup.h"

namespace {

class TTestFont : public rt::TObject {
public:
  RT_CLASS_INFO(TTestFont)
  std::string Name = "Arial";
  int Size = 10;
  int Style = 0;
};

rt::TClass TTestFont::ClassInfo() {
  static const rt::TClassInfo Info("TTestFont", rt::TObject::ClassInfo(), [] { return new TTestFont; },
      {rt::TPropInfo::Field<TTestFont>("Name", rt::tkUString, "", &TTestFont::Name),
       rt::TPropInfo::Field<TTestFont>("Size", rt::tkInteger, "", &TTestFont::Size).WithDefault(10),
       rt::TPropInfo::Field<TTestFont>("Style", rt::tkSet, "TFontStyles", &TTestFont::Style).WithDefault(0)});
  return &Info;
}

// Base of the test objects: position and size as published floats.
class TTestBase : public TrepComponent {
public:
  RT_CLASS_INFO(TTestBase)
  using TrepComponent::TrepComponent;
  int LoadedCount = 0;
  void Loaded() override { ++LoadedCount; }
};

rt::TPropInfo FloatProp(const char* Name, double (TrepComponent::*Get)() const,
                        void (TrepComponent::*Set)(double)) {
  rt::TPropInfo P{Name, rt::tkFloat, "Extended", {}, {}};
  P.Get = [Get](rt::TObject* O) { return rt::Variant((static_cast<TrepComponent*>(O)->*Get)()); };
  P.Set = [Set](rt::TObject* O, const rt::Variant& V) { (static_cast<TrepComponent*>(O)->*Set)(V.ToDouble()); };
  return P;
}

rt::TClass TTestBase::ClassInfo() {
  static const rt::TClassInfo Info("TTestBase", rt::TObject::ClassInfo(), [] { return new TTestBase(nullptr); },
      {FloatProp("Left", &TrepComponent::Left, &TrepComponent::SetLeft),
       FloatProp("Top", &TrepComponent::Top, &TrepComponent::SetTop),
       FloatProp("Width", &TrepComponent::Width, &TrepComponent::SetWidth),
       FloatProp("Height", &TrepComponent::Height, &TrepComponent::SetHeight)});
  return &Info;
}

class TTestView : public TTestBase {
public:
  RT_CLASS_INFO(TTestView)
  using TTestBase::TTestBase;
  int Align = 0;
  bool Visible = true;
  int Color = 0;
  long long Big = 0;
  std::string OnBeforePrint;
  std::string Hidden;  // never stored
  rt::Variant Tag;
  TTestFont Font;
  rt::TStringList Lines;
  TTestView* Link = nullptr;
  std::u16string Blob;  // defined data outside the published properties
  void DefineProperties(rt::TFiler& Filer) override {
    Filer.DefineProperty("Blob", [this](rt::TReader& R) { Blob = R.ReadString(); },
                         [this](rt::TWriter& W) { W.WriteString(Blob); }, !Blob.empty());
  }
};

rt::TClass TTestView::ClassInfo() {
  auto Obj = [](const char* Name, std::function<rt::TObject*(TTestView*)> Get) {
    rt::TPropInfo P{Name, rt::tkClass, "", {}, {}};
    P.Get = [Get](rt::TObject* O) { return rt::VarFromObject(Get(static_cast<TTestView*>(O))); };
    return P;
  };
  rt::TPropInfo Link = Obj("Link", [](TTestView* V) { return V->Link; });
  Link.Set = [](rt::TObject* O, const rt::Variant& V) {
    static_cast<TTestView*>(O)->Link = dynamic_cast<TTestView*>(rt::VarToObject(V));
  };
  rt::TPropInfo Tag{"Tag", rt::tkVariant, "", {}, {}};
  Tag.Get = [](rt::TObject* O) { return static_cast<TTestView*>(O)->Tag; };
  Tag.Set = [](rt::TObject* O, const rt::Variant& V) { static_cast<TTestView*>(O)->Tag = V; };
  static const rt::TClassInfo Info("TTestView", TTestBase::ClassInfo(), [] { return new TTestView(nullptr); },
      {rt::TPropInfo::Field<TTestView>("Align", rt::tkEnumeration, "TrepAlign", &TTestView::Align)
           .WithDefault(0).WithEnumNames({"baNone", "baLeft", "baRight"}),
       rt::TPropInfo::Field<TTestView>("Visible", rt::tkEnumeration, "Boolean", &TTestView::Visible).WithDefault(1),
       rt::TPropInfo::Field<TTestView>("Color", rt::tkInteger, "", &TTestView::Color),
       rt::TPropInfo::Field<TTestView>("Big", rt::tkInt64, "", &TTestView::Big).WithDefault(0),
       rt::TPropInfo::Field<TTestView>("OnBeforePrint", rt::tkUString, "", &TTestView::OnBeforePrint),
       rt::TPropInfo::Field<TTestView>("Hidden", rt::tkUString, "", &TTestView::Hidden)
           .WithStored([](rt::TObject*) { return false; }),
       Tag, Obj("Font", [](TTestView* V) { return &V->Font; }),
       Obj("Lines", [](TTestView* V) { return &V->Lines; }), Link});
  return &Info;
}

class TTestPage : public TTestBase {
public:
  RT_CLASS_INFO(TTestPage)
  using TTestBase::TTestBase;
};

rt::TClass TTestPage::ClassInfo() {
  static const rt::TClassInfo Info("TTestPage", TTestBase::ClassInfo(), [] { return new TTestPage(nullptr); });
  return &Info;
}

// An object that writes its cells as nested elements of its own.
class TGrid : public TTestBase {
public:
  RT_CLASS_INFO(TGrid)
  explicit TGrid(rt::TComponent* AOwner) : TTestBase(AOwner) { frComponentStyle.Include(csHandlesNestedProperties); }
  std::vector<std::u16string> Cells;
  bool WroteWhileWriting = false;
  void WriteNestedProperties(TrepXMLItem* Item, rt::TObject*) override {
    for (const std::u16string& C : Cells) Item->Add("Cell")->SetProp("v", C);
  }
  bool ReadNestedProperty(TrepXMLItem* Item) override {
    if (Item->Name() != "Cell") return false;
    Cells.push_back(Item->GetProp("v"));
    return true;
  }
  void DefineProperties(rt::TFiler& Filer) override {
    Filer.DefineProperty("Flag", [](rt::TReader& R) { R.ReadBoolean(); },
                         [this](rt::TWriter& W) { WroteWhileWriting = IsWriting(); W.WriteBoolean(true); }, true);
  }
};

rt::TClass TGrid::ClassInfo() {
  static const rt::TClassInfo Info("TGrid", TTestBase::ClassInfo(), [] { return new TGrid(nullptr); });
  return &Info;
}

class Serializer : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    enginesetup::StartResources();
    rt::RegisterClass(TTestView::ClassInfo());
    rt::RegisterClass(TTestPage::ClassInfo());
    rt::RegisterClass(TGrid::ClassInfo());
  }
  static std::string Attrs(rt::TObject* Obj, rt::TObject* Ancestor = nullptr) {
    TrepXMLSerializer S(nullptr);
    return rt::Utf16ToUtf8(S.ObjToXML(Obj, "", Ancestor));
  }
  static TTestView* View(TrepComponent* Parent, const char* Name) {
    auto* V = new TTestView(Parent);
    V->SetName(Name);
    return V;
  }
  // Reads a document text into a fresh page; the serialiser's errors are kept in Errors.
  std::unique_ptr<TTestPage> Read(const std::string& Xml, bool IgnoreName = false) {
    rt::TStringStream In(Xml);
    TrepXMLSerializer S(&In);
    S.IgnoreName = IgnoreName;
    auto Page = std::make_unique<TTestPage>(nullptr);
    S.ReadRootComponent(Page.get());
    Errors = S.Errors().Text();
    return Page;
  }
  static std::string Write(TrepComponent* Root, bool IgnoreName = false) {
    rt::TStringStream Out("");
    TrepXMLSerializer S(&Out);
    S.IgnoreName = IgnoreName;
    S.WriteRootComponent(Root);
    return Out.DataString();
  }
  std::string Errors;
};

TEST_F(Serializer, PropertiesAtTheirDefaultsAreLeftOutAndOthersWrittenByKind) {
  // Floats (no ancestor), ints without a declared default and non-empty strings are always written.
  const std::string Pos = " Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\"";
  const std::string Font = " Font.Name=\"Arial\"";
  struct Case {
    const char* What;
    std::function<void(TTestView&)> Change;
    std::string Expected;
  };
  const Case Cases[] = {
      {"nothing changed", [](TTestView&) {}, Pos + " Color=\"0\"" + Font},
      {"enumeration by identifier", [](TTestView& V) { V.Align = 2; }, Pos + " Align=\"baRight\" Color=\"0\"" + Font},
      {"Boolean by identifier", [](TTestView& V) { V.Visible = false; }, Pos + " Visible=\"False\" Color=\"0\"" + Font},
      {"64-bit integer beyond 32 bits", [](TTestView& V) { V.Big = 5000000000LL; },
       Pos + " Color=\"0\" Big=\"5000000000\"" + Font},
      {"event by its handler's name", [](TTestView& V) { V.OnBeforePrint = "View1OnBeforePrint"; },
       Pos + " Color=\"0\" OnBeforePrint=\"View1OnBeforePrint\"" + Font},
      {"string escaped", [](TTestView& V) { V.OnBeforePrint = "a\"<b>&"; },
       Pos + " Color=\"0\" OnBeforePrint=\"a&#34;&#60;b&#62;&#38;\"" + Font},
      {"not stored", [](TTestView& V) { V.Hidden = "x"; }, Pos + " Color=\"0\"" + Font},
      {"variant as its text", [](TTestView& V) { V.Tag = rt::Variant(42); }, Pos + " Color=\"0\" Tag=\"42\"" + Font},
      {"sub-object with a dotted name", [](TTestView& V) { V.Font.Size = 12; V.Font.Style = 3; V.Font.Name = ""; },
       Pos + " Color=\"0\" Font.Name=\"\" Font.Size=\"12\" Font.Style=\"3\""},
      {"string list as one text without the last line break",
       [](TTestView& V) { V.Lines.SetText("one\r\ntwo\r\n"); },
       Pos + " Color=\"0\"" + Font + " Lines.Text=\"one&#13;&#10;two\""},
      {"reference by name", [](TTestView& V) { V.Link = &V; }, Pos + " Color=\"0\"" + Font + " Link=\"V\""},
      {"defined data as hex", [](TTestView& V) { V.Blob = u"A"; },
       Pos + " Color=\"0\"" + Font + " PropData=\"04426C6F62140100000041\""},
  };
  for (const Case& C : Cases) {
    TTestView V(nullptr);
    V.SetName("V");
    C.Change(V);
    EXPECT_EQ(Attrs(&V), C.Expected) << C.What;
  }
  TTestView V(nullptr);
  TrepXMLSerializer S(nullptr);
  S.SerializeDefaultValues = true;
  EXPECT_EQ(rt::Utf16ToUtf8(S.ObjToXML(&V)), Pos + " Align=\"baNone\" Visible=\"True\" Color=\"0\" Big=\"0\"" + Font +
                                                   " Font.Size=\"10\" Font.Style=\"0\"")
      << "empty texts stay absent even with default values";
}

TEST_F(Serializer, AttributesFollowDeclarationOrderBaseClassFirst) {
  TTestView V(nullptr);
  V.SetLeft(1.5);
  V.Align = 1;
  V.Color = 255;
  V.OnBeforePrint = "P";
  EXPECT_EQ(Attrs(&V), " Left=\"1.5\" Top=\"0\" Width=\"0\" Height=\"0\" Align=\"baLeft\" Color=\"255\""
                       " OnBeforePrint=\"P\" Font.Name=\"Arial\"");
}

TEST_F(Serializer, WithAnAncestorOnlyDifferencesAreWritten) {
  TTestView Anc(nullptr), V(nullptr), Other(nullptr);
  Anc.SetName("A");
  Other.SetName("Other");
  Anc.SetWidth(10);
  V.SetWidth(10.0000001);  // within 1e-6
  Anc.Color = V.Color = 5;
  Anc.Font.Size = V.Font.Size = 14;
  Anc.Lines.SetText("x");
  V.Lines.SetText("x");
  Anc.Blob = V.Blob = u"same";
  EXPECT_EQ(Attrs(&V, &Anc), "");

  V.Color = 6;
  Anc.Link = &Other;  // cleared in the descendant
  V.Blob = u"changed";
  const std::string Got = Attrs(&V, &Anc);
  EXPECT_NE(Got.find(" Color=\"6\""), std::string::npos) << Got;
  EXPECT_NE(Got.find(" Link=\"nil\""), std::string::npos) << Got;
  EXPECT_NE(Got.find(" PropData=\""), std::string::npos) << Got;
  EXPECT_EQ(Got.find("Width"), std::string::npos) << Got;
}

TEST_F(Serializer, ATreeRoundTripsThroughADocument) {
  TTestPage Page(nullptr);
  Page.SetName("Page1");
  Page.SetWidth(793.7);
  TTestView* A = View(&Page, "Memo1");
  TTestView* Inner = View(A, "Inner");
  TTestView* B = View(&Page, "Memo2");
  A->Link = B;  // written before B exists in the file
  A->Lines.SetText("first\r\nsecond");
  A->Font.Style = 5;
  A->Blob = u"ü data";
  A->Tag = rt::Variant(u"t\"ag");
  B->Align = 2;
  B->Visible = false;
  B->Big = -7000000000LL;
  B->OnBeforePrint = "Memo2OnBeforePrint";
  Inner->SetTop(-3.25);

  const std::string Xml = Write(&Page);
  EXPECT_EQ(Xml.find("Name=\"Page1\""), std::string::npos) << "the root has no name attribute";
  EXPECT_NE(Xml.find("<TTestView Name=\"Memo1\""), std::string::npos) << Xml;

  auto Copy = Read(Xml);
  EXPECT_EQ(Errors, "");
  EXPECT_DOUBLE_EQ(Copy->Width(), 793.7);
  ASSERT_EQ(Copy->Objects().size(), 2u);
  auto* CA = dynamic_cast<TTestView*>(Copy->Objects()[0]);
  auto* CB = dynamic_cast<TTestView*>(Copy->Objects()[1]);
  ASSERT_TRUE(CA && CB);
  EXPECT_EQ(CA->Name(), "Memo1");
  EXPECT_EQ(CA->Link, CB);
  EXPECT_EQ(CA->Lines.Count(), 2);
  EXPECT_EQ(CA->Lines.Text(), "first\r\nsecond\r\n");
  EXPECT_EQ(CA->Font.Style, 5);
  EXPECT_EQ(CA->Blob, u"ü data");
  EXPECT_EQ(CA->Tag.ToUString(), u"t\"ag");
  ASSERT_EQ(CA->Objects().size(), 1u);
  EXPECT_DOUBLE_EQ(CA->Objects()[0]->Top(), -3.25);
  EXPECT_EQ(CB->Align, 2);
  EXPECT_FALSE(CB->Visible);
  EXPECT_EQ(CB->Big, -7000000000LL);
  EXPECT_EQ(CB->OnBeforePrint, "Memo2OnBeforePrint");
  EXPECT_EQ(CB->LoadedCount, 1);
  EXPECT_FALSE(CB->IsLoading());
  EXPECT_EQ(Copy->LoadedCount, 1);
  EXPECT_EQ(Write(Copy.get()), Xml);
}

TEST_F(Serializer, ReadingProblemsAreCollectedSortedWithoutDuplicatesAndReadingGoesOn) {
  auto Page = Read(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<TTestPage>\n"
      "  <TNope Name=\"X1\"><TTestView Name=\"Lost\"/></TNope>\n"
      "  <TTestView Name=\"V\" Color=\"abc\" Nonexistent=\"1\" Frame.Nonexistent=\"2\" Nonexistent.Width=\"9\""
      " Align=\"baMiddle\" Font.Style=\"2\" Width=\"7\"/>\n"
      "  <TNope Name=\"X2\"/>\n"
      "  <TAlsoNope/>\n"
      "</TTestPage>\n");
  ASSERT_EQ(Page->Objects().size(), 1u) << "unknown classes are skipped with their subtrees";
  auto* V = dynamic_cast<TTestView*>(Page->Objects()[0]);
  EXPECT_EQ(V->Color, 0);
  EXPECT_EQ(V->Align, 0) << "an unknown identifier leaves no out-of-range value";
  EXPECT_EQ(V->Font.Style, 2);
  EXPECT_DOUBLE_EQ(V->Width(), 7) << "Nonexistent.Width must not reach Width";
  rt::TStringList L;
  L.SetText(Errors);
  ASSERT_EQ(L.Count(), 4) << Errors;
  EXPECT_EQ(L[0], "'abc' is not a valid integer value");
  EXPECT_EQ(L[1], "Cannot find class TAlsoNope");
  EXPECT_EQ(L[2], "Cannot find class TNope");
  EXPECT_EQ(L[3].str().rfind("Invalid property value Align", 0), 0u) << L[3].str();
}

TEST_F(Serializer, ValuesAreReadInEveryAcceptedForm) {
  struct Case {
    std::string Attr;
    std::function<bool(const TTestView&)> Check;
  };
  const Case Cases[] = {
      {"Width=\"10.5\"", [](const TTestView& V) { return V.Width() == 10.5; }},
      {"Width=\"10,5\"", [](const TTestView& V) { return V.Width() == 10.5; }},
      {"l=\"1,25\" t=\"2.5\" w=\"3\" h=\"4\"",
       [](const TTestView& V) { return V.Left() == 1.25 && V.Top() == 2.5 && V.Width() == 3 && V.Height() == 4; }},
      {"Visible=\"False\"", [](const TTestView& V) { return !V.Visible; }},
      {"Visible=\"0\"", [](const TTestView& V) { return !V.Visible; }},
      {"Align=\"1\"", [](const TTestView& V) { return V.Align == 1; }},
      {"align=\"BARIGHT\"", [](const TTestView& V) { return V.Align == 2; }},
      {"Color=\"$FF\"", [](const TTestView& V) { return V.Color == 255; }},
      {"Big=\"-5000000000\"", [](const TTestView& V) { return V.Big == -5000000000LL; }},
      {"OnBeforePrint=\"a&#13;&#10;b&amp;\"", [](const TTestView& V) { return V.OnBeforePrint == "a\r\nb&"; }},
      {"Lines.Text=\"x&#13;&#10;y\"", [](const TTestView& V) { return V.Lines.Count() == 2 && V.Lines[1] == "y"; }},
      {"Font.Name=\"Tahoma\"  Font.Size = \"8\"",
       [](const TTestView& V) { return V.Font.Name == "Tahoma" && V.Font.Size == 8; }},
      {"PropData=\"04426C6F62140100000041\"", [](const TTestView& V) { return V.Blob == u"A"; }},
      {"PropData=\"0442ZZ\" Color=\"3\"", [](const TTestView& V) { return V.Blob.empty() && V.Color == 3; }},
      {"Color=\"4\" =\"5\" Width=\"6\"", [](const TTestView& V) { return V.Color == 4 && V.Width() == 0; }},
  };
  for (const Case& C : Cases) {
    TTestView V(nullptr);
    TrepXMLSerializer S(nullptr);
    S.XMLToObj(rt::Utf8ToUtf16(C.Attr), &V);
    EXPECT_TRUE(C.Check(V)) << C.Attr;
    EXPECT_EQ(S.Errors().Count(), 0) << C.Attr << ": " << S.Errors().Text();
  }
}

TEST_F(Serializer, IgnoreNameWritesNoNamesAndReadsEveryObjectAnew) {
  TTestPage Page(nullptr);
  View(&Page, "A");
  View(&Page, "B");
  const std::string Xml = Write(&Page, true);
  EXPECT_EQ(Xml.find(" Name="), std::string::npos) << Xml;
  auto Copy = Read(Write(&Page), true);
  EXPECT_EQ(Copy->Objects().size(), 2u);

  // Without IgnoreName an object that already exists is reused; with it another one is made.
  rt::TStringStream In(Write(&Page));
  TrepXMLSerializer S(&In);
  S.ReadRootComponent(&Page);
  EXPECT_EQ(Page.Objects().size(), 2u);
  rt::TStringStream In2(Write(&Page));
  TrepXMLSerializer S2(&In2);
  S2.IgnoreName = true;
  S2.ReadRootComponent(&Page);
  EXPECT_EQ(Page.Objects().size(), 4u);
}

TEST_F(Serializer, SingleObjectsAsStringsAndStreamElements) {
  TTestPage Page(nullptr);
  TTestView* Target = View(&Page, "Target");
  TTestView V(nullptr);
  V.SetWidth(12);
  V.Link = Target;
  TrepXMLSerializer S(nullptr);
  S.SetOwner(&Page);
  const std::u16string Text = S.WriteComponentStr(&V);
  EXPECT_EQ(Text.rfind(u"TTestView Left=", 0), 0u);

  TrepComponent* Read = S.ReadComponentStr(&Page, u"  " + Text + u"  ");
  auto* RV = dynamic_cast<TTestView*>(Read);
  ASSERT_NE(RV, nullptr);
  EXPECT_EQ(RV->Parent(), &Page);
  EXPECT_DOUBLE_EQ(RV->Width(), 12);
  EXPECT_EQ(RV->Link, Target);
  EXPECT_EQ(RV->LoadedCount, 1);

  TrepReport Report(nullptr);
  Report.SetName("Own");
  S.XMLToObj(u"Name=\"Other\"", &Report);
  EXPECT_EQ(Report.Name(), "Own") << "a report keeps its own name";

  EXPECT_EQ(S.ReadComponentStr(&Page, u""), nullptr);
  EXPECT_EQ(S.ReadComponentStr(&Page, u"  \t "), nullptr);
  EXPECT_THROW(S.ReadComponentStr(&Page, u"TNope Width=\"1\""), rt::EClassNotFound);

  // DontFixup leaves references to the caller, who copies them first.
  std::vector<TrepFixupItem> Kept;
  S.XMLToObj(u"Link=\"Target\"", &V);
  S.CopyFixupList(&Kept);
  ASSERT_EQ(Kept.size(), 1u);
  EXPECT_EQ(Kept[0].Value, u"Target");
  EXPECT_EQ(Kept[0].Obj, &V);

  rt::TStringStream Stream("");
  TrepXMLSerializer W(&Stream);
  V.Color = 9;
  W.WriteComponent(&V);
  W.WriteComponent(&V);
  EXPECT_EQ(Stream.DataString().rfind("<TTestView Left=", 0), 0u);
  Stream.SetPosition(0);
  TrepXMLSerializer R(&Stream);
  auto* First = dynamic_cast<TTestView*>(R.ReadComponent(&Page));
  auto* Second = dynamic_cast<TTestView*>(R.ReadComponent(&Page));
  ASSERT_TRUE(First && Second);
  EXPECT_EQ(First->Color, 9);
  EXPECT_EQ(Second->Color, 9);
}

TEST_F(Serializer, ReferencesMissingOrClearedAndMalformedDocuments) {
  auto Page = Read(
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
      "<TTestPage><TTestView Name=\"A\" Link=\"Nowhere\"/><TTestView Name=\"B\" Link=\"a\"/></TTestPage>");
  EXPECT_EQ(Errors, "");
  auto* A = dynamic_cast<TTestView*>(Page->Objects()[0]);
  auto* B = dynamic_cast<TTestView*>(Page->Objects()[1]);
  EXPECT_EQ(A->Link, nullptr);
  EXPECT_EQ(B->Link, A) << "names are matched ignoring letter case";

  TrepXMLSerializer S(nullptr);
  S.ReadPersistentStr(Page.get(), B, u"Link=\"nil\"");
  EXPECT_EQ(B->Link, nullptr);

  rt::TStringStream Bad("<?xml version=\"1.0\"?><TTestPage><TTestView Name=\"A\"></TTestPage>");
  TrepXMLSerializer S2(&Bad);
  TTestPage P(nullptr);
  EXPECT_THROW(S2.ReadRootComponent(&P), TrepInvalidXMLException);
}

TEST_F(Serializer, CustomDataHasItsOwnElement) {
  TTestPage Page(nullptr);
  rt::TStringStream Out("");
  TrepXMLSerializer W(&Out);
  W.OnSaveCustomDataEvent = [](TrepXMLItem* Item) { Item->SetProp("Data", "42"); };
  W.WriteRootComponent(&Page);
  rt::TStringStream In(Out.DataString());
  TrepXMLSerializer R(&In);
  std::u16string Seen;
  R.OnGetCustomDataEvent = [&](TrepXMLItem* Item) { Seen = Item->GetProp("Data"); };
  TTestPage Copy(nullptr);
  R.ReadRootComponent(&Copy);
  EXPECT_EQ(Seen, u"42");
  EXPECT_TRUE(Copy.Objects().empty());
  EXPECT_EQ(R.Errors().Count(), 0);
}

TEST_F(Serializer, ObjectsWithNestedPropertiesWriteAndReadTheirOwnElements) {
  TTestPage Page(nullptr);
  auto* G = new TGrid(&Page);
  G->SetName("Grid");
  G->Cells = {u"a", u"b"};
  rt::TStringStream Out("");
  TrepXMLSerializer W(&Out);
  W.HandleNestedProperties = true;
  W.WriteRootComponent(&Page);
  const std::string Xml = Out.DataString();
  EXPECT_NE(Xml.find("<Cell v=\"b\"/>"), std::string::npos) << Xml;
  EXPECT_EQ(Xml.find("PropData"), std::string::npos) << "such objects keep no defined data";
  EXPECT_FALSE(G->IsWriting());

  TTestPage Copy(nullptr);
  rt::TStringStream In(Xml);
  TrepXMLSerializer R(&In);
  R.HandleNestedProperties = true;
  R.ReadRootComponent(&Copy);
  ASSERT_EQ(Copy.Objects().size(), 1u);
  EXPECT_EQ(dynamic_cast<TGrid*>(Copy.Objects()[0])->Cells, (std::vector<std::u16string>{u"a", u"b"}));
  EXPECT_EQ(R.Errors().Count(), 0);

  // Without the option the cells are elements of an unknown class, and the defined data travels.
  G->WroteWhileWriting = false;
  const std::string Plain = Write(&Page);
  EXPECT_NE(Plain.find("PropData"), std::string::npos);
  EXPECT_TRUE(G->WroteWhileWriting) << "defined data is written while the object is marked as writing";
  auto Other = Read(Xml);
  EXPECT_EQ(Errors, "Cannot find class Cell\r\n");
}

TEST_F(Serializer, ObjectsFromAnAncestorAreWrittenAsInheritedAndKeepTheFileOrder) {
  TTestPage Page(nullptr);
  TTestView* A = View(&Page, "A");
  TTestView* B = View(&Page, "B");
  A->SetAncestor(true);
  A->Color = 3;
  TTestView AncA(nullptr);
  AncA.Color = 3;
  rt::TStringStream Out("");
  TrepXMLSerializer W(&Out);
  W.OnGetAncestor = [&](const std::string& Name, TrepComponent*& Anc) { if (Name == "A") Anc = &AncA; };
  W.WriteRootComponent(&Page);
  const std::string Xml = Out.DataString();
  EXPECT_NE(Xml.find("<inherited Name=\"A\"/>"), std::string::npos) << "only differences from the ancestor: " << Xml;

  // Inherited objects are matched by name and take the file's order; unknown ones are skipped.
  auto Doc = "<?xml version=\"1.0\"?><TTestPage><TTestView Name=\"B\" Color=\"8\"/>"
             "<inherited Name=\"A\" Color=\"4\"/><inherited Name=\"Gone\"/></TTestPage>";
  rt::TStringStream In(Doc);
  TrepXMLSerializer R(&In);
  R.ReadRootComponent(&Page);
  ASSERT_EQ(Page.Objects().size(), 2u);
  EXPECT_EQ(Page.Objects()[0], B);
  EXPECT_EQ(Page.Objects()[1], A);
  EXPECT_EQ(A->Color, 4);
  EXPECT_EQ(B->Color, 8);
  EXPECT_EQ(R.Errors().Count(), 0);
}

} // namespace
