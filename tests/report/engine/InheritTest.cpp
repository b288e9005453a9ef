// Report inheritance: a child file holds only its differences and picks up later changes of
// its parent; chains are read once per level; cycles, over-deep chains and missing parents are
// errors, not hangs; InheritFromTemplate settles clashing names and keeps a refused call from
// changing the report.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

namespace fs = std::filesystem;

void Start() { enginesetup::StartEngine(); }

std::string ReadFile(const fs::path& P) {
  std::ifstream In(P, std::ios::binary);
  std::stringstream S;
  S << In.rdbuf();
  return S.str();
}

TrepMemoView* Memo(TrepReport& R, const char* Name) { return dynamic_cast<TrepMemoView*>(R.FindObject(Name)); }

// A memo's text without the line end its lines get.
std::u16string Plain(const TrepMemoView* M) {
  std::u16string T = M->Text();
  while (!T.empty() && (T.back() == u'\n' || T.back() == u'\r')) T.pop_back();
  return T;
}

// A page with two memos and a variable; the parent of the tests.
void BuildParent(TrepReport& R, const char* Text = "parent text") {
  R.EngineOptions.SilentMode = simSilent;
  auto* Page = new TrepReportPage(&R);
  Page->SetName("Page1");
  auto* M1 = new TrepMemoView(Page);
  M1->SetName("Memo1");
  M1->SetBounds(10, 10, 100, 20);
  M1->SetText(u"first");
  auto* M2 = new TrepMemoView(Page);
  M2->SetName("Memo2");
  M2->SetBounds(10, 40, 100, 20);
  M2->SetText(rt::Utf8ToUtf16(Text));
  R.Variables().SetVariables("Total", rt::Variant(1));
}

class InheritTest : public ::testing::Test {
protected:
  void SetUp() override {
    Start();
    char Tmpl[] = "/tmp/repinheritXXXXXX";
    ASSERT_NE(::mkdtemp(Tmpl), nullptr);
    Dir = Tmpl;
  }
  void TearDown() override {
    std::error_code Ec;
    fs::remove_all(Dir, Ec);
  }
  std::string At(const std::string& Name) const { return (Dir / Name).string(); }
  void SaveParent(const std::string& Name, const char* Text = "parent text") {
    TrepReport P(nullptr);
    BuildParent(P, Text);
    P.SaveToFile(At(Name));
  }
  // A report file that only names its parent.
  void WriteChild(const std::string& Name, const std::string& Parent) {
    TrepReport C(nullptr);
    C.EngineOptions.SilentMode = simSilent;
    C.FileName = At(Name);
    C.SetParentReport(Parent);
    C.SaveToFile(At(Name));
  }
  fs::path Dir;
};

TEST_F(InheritTest, ChildStoresOnlyItsDifferencesAndFollowsItsParent) {
  SaveParent("parent.xml");
  {
    TrepReport C(nullptr);
    C.EngineOptions.SilentMode = simSilent;
    C.FileName = At("child.xml");
    C.SetParentReport("parent.xml");
    ASSERT_NE(C.ParentReportObject(), nullptr);
    ASSERT_NE(Memo(C, "Memo2"), nullptr);
    EXPECT_TRUE(Memo(C, "Memo2")->IsAncestor());
    EXPECT_TRUE(C.IsAncestor());
    EXPECT_TRUE(C.Variables().Items(0)->IsInherited());
    Memo(C, "Memo1")->SetLeft(55);
    C.Variables().SetVariables("Total", rt::Variant(5));
    C.Variables().SetVariables("Own", rt::Variant(2));
    auto* M3 = new TrepMemoView(C.FindObject("Page1"));
    M3->SetName("Memo3");
    M3->SetText(u"child text");
    EXPECT_FALSE(M3->IsAncestor());
    C.SaveToFile(At("child.xml"));
  }
  const std::string File = ReadFile(Dir / "child.xml");
  EXPECT_NE(File.find("inherited"), std::string::npos);
  EXPECT_NE(File.find("child text"), std::string::npos);
  // Unchanged ancestor values live in the parent only.
  EXPECT_EQ(File.find("parent text"), std::string::npos);
  EXPECT_EQ(File.find("first"), std::string::npos);

  // The parent changes after the child was saved: the child shows the new text.
  SaveParent("parent.xml", "changed later");
  TrepReport L(nullptr);
  L.EngineOptions.SilentMode = simSilent;
  ASSERT_TRUE(L.LoadFromFile(At("child.xml")));
  EXPECT_EQ(L.Errors().Count(), 0) << L.Errors().Text();
  EXPECT_EQ(L.ParentReport(), "parent.xml");
  ASSERT_NE(Memo(L, "Memo1"), nullptr);
  EXPECT_DOUBLE_EQ(Memo(L, "Memo1")->Left(), 55);
  EXPECT_EQ(Plain(Memo(L, "Memo1")), u"first");
  ASSERT_NE(Memo(L, "Memo2"), nullptr);
  EXPECT_EQ(Plain(Memo(L, "Memo2")), u"changed later");
  EXPECT_TRUE(Memo(L, "Memo2")->IsAncestor());
  ASSERT_NE(Memo(L, "Memo3"), nullptr);
  EXPECT_FALSE(Memo(L, "Memo3")->IsAncestor());
  EXPECT_EQ(L.Variables().Variables("Total").ToInteger(), 5);
  EXPECT_EQ(L.Variables().Variables("Own").ToInteger(), 2);
  EXPECT_EQ(L.Variables().Count(), 2);
  // The copy to write differences against holds the parent's values, not the child's.
  TrepComponent* Anc = nullptr;
  L.ReportGetAncestor("Memo1", Anc);
  ASSERT_NE(Anc, nullptr);
  EXPECT_DOUBLE_EQ(Anc->Left(), 10);
  EXPECT_EQ(Anc->Report(), L.ParentReportObject());
}

TEST_F(InheritTest, EmptyParentDropsTheAncestors) {
  SaveParent("parent.xml");
  TrepReport C(nullptr);
  C.EngineOptions.SilentMode = simSilent;
  C.FileName = At("child.xml");
  C.SetParentReport("parent.xml");
  ASSERT_TRUE(Memo(C, "Memo1")->IsAncestor());
  C.SetParentReport("");
  EXPECT_EQ(C.ParentReportObject(), nullptr);
  EXPECT_FALSE(C.IsAncestor());
  for (TrepComponent* O : C.AllObjects()) EXPECT_FALSE(O->IsAncestor()) << O->Name();
  // The objects stay, now the report's own, and can be renamed.
  EXPECT_NO_THROW(Memo(C, "Memo1")->SetName("Renamed"));
}

TEST_F(InheritTest, CopiesOfAnInheritedPageAreWhole) {
  // The prepared pages and Assign copy template pages: ancestor objects must come along.
  SaveParent("parent.xml");
  TrepReport C(nullptr);
  C.EngineOptions.SilentMode = simSilent;
  C.FileName = At("child.xml");
  C.SetParentReport("parent.xml");
  TrepReport Other(nullptr);
  auto* Copy = new TrepReportPage(&Other);
  Copy->AssignAll(C.FindObject("Page1"));
  ASSERT_NE(Memo(Other, "Memo2"), nullptr);
  EXPECT_EQ(Plain(Memo(Other, "Memo2")), u"parent text");
  EXPECT_DOUBLE_EQ(Memo(Other, "Memo2")->Top(), 40);
}

TEST_F(InheritTest, ChainIsReadOncePerLevel) {
  // Through the template hook, which counts the loads.
  std::map<std::string, std::string> Files;
  for (int I = 0; I < 4; ++I) {
    TrepReport R(nullptr);
    R.EngineOptions.SilentMode = simSilent;
    auto* Page = new TrepReportPage(&R);
    Page->SetName("Page" + std::to_string(I));
    if (I > 0) R.SetParentReport("level" + std::to_string(I - 1));
    rt::TStringStream S;
    R.SaveToStream(S);
    Files["level" + std::to_string(I)] = S.DataString();
  }
  int Loads = 0;
  auto Hook = [&](TrepReport* R, const std::string& Name) {
    ++Loads;
    rt::TStringStream S(Files.at(Name));
    R->LoadFromStream(S);
  };
  TrepReport C(nullptr);
  C.EngineOptions.SilentMode = simSilent;
  C.OnLoadTemplate = Hook;
  Loads = 0;
  rt::TStringStream S(Files["level3"]);
  C.LoadFromStream(S);
  EXPECT_EQ(Loads, 3);
  EXPECT_EQ(C.Errors().Count(), 0) << C.Errors().Text();
  for (const char* P : {"Page0", "Page1", "Page2", "Page3"}) EXPECT_NE(C.FindObject(P), nullptr) << P;
  EXPECT_TRUE(C.FindObject("Page0")->IsAncestor());
  EXPECT_TRUE(C.FindObject("Page2")->IsAncestor());
  EXPECT_FALSE(C.FindObject("Page3")->IsAncestor());
  // Each level's copy has its own parent, down to the root of the chain.
  int Depth = 0;
  for (TrepReport* P = C.ParentReportObject(); P != nullptr; P = P->ParentReportObject()) ++Depth;
  EXPECT_EQ(Depth, 3);
  EXPECT_NE(C.ParentReportObject()->FindObject("Page2"), nullptr);
  EXPECT_EQ(C.ParentReportObject()->FindObject("Page3"), nullptr);
}

TEST_F(InheritTest, BadParentChainsAreErrorsNotHangs) {
  // a <-> b, a file naming itself, a missing parent, and a chain one past the limit.
  WriteChild("self.xml", "self.xml");
  {
    // Written before b exists: a's parent b, then b's parent a.
    TrepReport A(nullptr);
    A.EngineOptions.SilentMode = simSilent;
    (new TrepReportPage(&A))->SetName("PageA");
    A.SaveToFile(At("a.xml"));
    WriteChild("b.xml", "a.xml");
    TrepReport A2(nullptr);
    A2.EngineOptions.SilentMode = simSilent;
    A2.FileName = At("a.xml");
    A2.SetParentReport("b.xml");
    A2.SaveToFile(At("a.xml"));
  }
  WriteChild("orphan.xml", "nothing-here.xml");
  SaveParent("deep0.xml");
  for (int I = 1; I <= repMaxParentReportDepth + 2; ++I)
    WriteChild("deep" + std::to_string(I) + ".xml", "deep" + std::to_string(I - 1) + ".xml");

  struct TCase {
    std::string File;
    std::string Error;
  };
  const TCase Cases[] = {
      {"self.xml", "leads back"},
      {"a.xml", "leads back"},
      {"orphan.xml", "Parent report not found: nothing-here.xml"},
      {"deep" + std::to_string(repMaxParentReportDepth + 2) + ".xml", "nest deeper than"},
  };
  for (const TCase& C : Cases) {
    TrepReport R(nullptr);
    R.EngineOptions.SilentMode = simSilent;
    R.LoadFromFile(At(C.File));
    EXPECT_NE(R.Errors().Text().find(C.Error), std::string::npos) << C.File << ": " << R.Errors().Text();
  }
  // Within the limit a long chain loads whole.
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  ASSERT_TRUE(R.LoadFromFile(At("deep" + std::to_string(repMaxParentReportDepth - 1) + ".xml")));
  EXPECT_EQ(R.Errors().Count(), 0) << R.Errors().Text();
  EXPECT_NE(Memo(R, "Memo2"), nullptr);

  // Set by code, a missing parent is reported by the silent mode; the name is kept.
  TrepReport T(nullptr);
  T.EngineOptions.SilentMode = simReThrow;
  T.FileName = At("x.xml");
  EXPECT_THROW(T.SetParentReport("missing.xml"), rt::Exception);
  EXPECT_EQ(T.ParentReport(), "missing.xml");
  EXPECT_EQ(T.ParentReportObject(), nullptr);
}

TEST_F(InheritTest, ParentNextToTheChildIsPreferredOverTheApplicationFolder) {
  fs::create_directory(Dir / "app");
  fs::create_directory(Dir / "docs");
  {
    TrepReport P(nullptr);
    BuildParent(P, "from app");
    P.SaveToFile(At("app/base.xml"));
  }
  // Designing, the application folder is the current directory.
  const fs::path Old = fs::current_path();
  fs::current_path(Dir / "app");
  auto Text = [&](const std::string& Child) {
    TrepReport C(nullptr);
    C.EngineOptions.SilentMode = simSilent;
    C.ComponentState.Include(csDesigning);
    C.FileName = At(Child);
    C.SetParentReport("base.xml");
    return Memo(C, "Memo2") ? Plain(Memo(C, "Memo2")) : u"(none)";
  };
  const std::u16string FromApp = Text("docs/child.xml");
  {
    TrepReport P(nullptr);
    BuildParent(P, "beside");
    P.SaveToFile(At("docs/base.xml"));
  }
  const std::u16string Beside = Text("docs/child.xml");
  fs::current_path(Old);
  EXPECT_EQ(FromApp, u"from app");
  EXPECT_EQ(Beside, u"beside");
}

TEST(InheritNames, AbsoluteParentNamesAreSavedRelative) {
  struct TCase {
    const char* Parent;
    const char* File;
    const char* Stored;
  };
  const TCase Cases[] = {
      {"C:\\base\\parent.rt3", "C:\\base\\sub\\child.rt3", "..\\parent.rt3"},
      {"C:\\base\\parent.rt3", "c:\\BASE\\child.rt3", "parent.rt3"},
      {"D:\\base\\parent.rt3", "C:\\base\\child.rt3", "D:\\base\\parent.rt3"},
      {"/srv/r/base/p.xml", "/srv/r/sub/deeper/c.xml", "../../base/p.xml"},
      {"base.xml", "/srv/c.xml", "base.xml"},
      {"", "/srv/c.xml", ""},
  };
  for (const TCase& C : Cases) EXPECT_EQ(RelativeParentReportName(C.Parent, C.File), C.Stored) << C.Parent;
}

// A template with a page, a memo and a variable Total; the report has a clashing memo and
// variable and one of its own.
class InheritFromTemplateTest : public InheritTest {
protected:
  void SetUp() override {
    InheritTest::SetUp();
    TrepReport T(nullptr);
    BuildParent(T, "template text");
    T.ScriptText().SetText("begin\r\n  Templ := 1;\r\nend.");
    T.SaveToFile(At("templ.xml"));
    BuildMine(R);
  }
  void BuildMine(TrepReport& Mine) {
    Mine.EngineOptions.SilentMode = simSilent;
    Mine.FileName = At("mine.xml");
    auto* Page = new TrepReportPage(&Mine);
    Page->SetName("Page1");
    auto* Clash = new TrepMemoView(Page);
    Clash->SetName("Memo2");
    Clash->SetText(u"mine");
    auto* Own = new TrepMemoView(Page);
    Own->SetName("MyMemo");
    Own->SetText(u"only mine");
    Mine.Variables().SetVariables("Total", rt::Variant(7));
    Mine.ScriptText().SetText("begin\r\nend.");
  }
  TrepReport R{nullptr};
};

TEST_F(InheritFromTemplateTest, RenameKeepsBothAndCommentsTheTemplateScript) {
  // Nobody can be asked on a server: the default settles clashes as renaming does.
  for (TrepInheriteMode Mode : {imRename, imDefault}) {
    TrepReport M(nullptr);
    BuildMine(M);
    ASSERT_TRUE(M.InheritFromTemplate(At("templ.xml"), Mode)) << M.Errors().Text();
    EXPECT_EQ(M.ParentReport(), "templ.xml");
    ASSERT_NE(Memo(M, "Memo2"), nullptr);
    EXPECT_EQ(Plain(Memo(M, "Memo2")), u"template text");
    EXPECT_TRUE(Memo(M, "Memo2")->IsAncestor());
    ASSERT_NE(Memo(M, "MyMemo"), nullptr);
    EXPECT_FALSE(Memo(M, "MyMemo")->IsAncestor());
    EXPECT_EQ(Plain(Memo(M, "MyMemo")), u"only mine");
    // The clashing memo came along under a new name.
    int Mine = 0;
    for (TrepComponent* O : M.AllObjects())
      if (auto* V = dynamic_cast<TrepMemoView*>(O); V != nullptr && Plain(V) == u"mine") {
        ++Mine;
        EXPECT_NE(V->Name(), "Memo2");
      }
    EXPECT_EQ(Mine, 1);
    EXPECT_EQ(M.Variables().Variables("Total").ToInteger(), 1);
    EXPECT_EQ(M.Variables().Variables("Total_renamed").ToInteger(), 7);
    const std::string Script = M.ScriptText().Text();
    EXPECT_NE(Script.find("begin\r\nend.\r\n{\r\n**********Script from parent report**********\r\n"
                          "begin\r\n  Templ := 1;\r\nend.\r\n}\r\n"),
              std::string::npos)
        << Script;
  }
}

TEST_F(InheritFromTemplateTest, DeleteDropsClashingObjects) {
  ASSERT_TRUE(R.InheritFromTemplate(At("templ.xml"), imDelete));
  for (TrepComponent* O : R.AllObjects()) {
    auto* M = dynamic_cast<TrepMemoView*>(O);
    if (M != nullptr) {
      EXPECT_NE(Plain(M), u"mine");
    }
  }
  EXPECT_NE(Memo(R, "MyMemo"), nullptr);
  EXPECT_EQ(R.Variables().IndexOf("Total_renamed"), -1);
  EXPECT_EQ(R.Variables().Variables("Total").ToInteger(), 1);
}

TEST_F(InheritFromTemplateTest, RefusedCallsLeaveTheReportAlone) {
  // Its own file, and a template that does not exist.
  for (const std::string& Name : {At("mine.xml"), At("missing.xml")}) {
    EXPECT_FALSE(R.InheritFromTemplate(Name, imRename)) << Name;
    EXPECT_TRUE(R.ParentReport().empty());
    ASSERT_NE(Memo(R, "Memo2"), nullptr);
    EXPECT_EQ(Plain(Memo(R, "Memo2")), u"mine");
    EXPECT_FALSE(Memo(R, "Memo2")->IsAncestor());
    EXPECT_EQ(R.Variables().Variables("Total").ToInteger(), 7);
    EXPECT_EQ(R.FindObject("Memo1"), nullptr);
  }
}

} // namespace
