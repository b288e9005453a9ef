// Report objects through their XML form: copies, saving and loading a small template, the
// published properties of the report, its options and fonts, and prepared-object differences.
#include <gtest/gtest.h>

#include <string>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "report/engine/repXMLSerializer.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() {
  static const bool Started = [] {
    enginesetup::StartEngine();
    rt::RegisterClass(TrepReportComponent::ClassInfo());
    rt::RegisterClass(TrepBand::ClassInfo());
    return true;
  }();
  (void)Started;
}

std::string U8(const std::u16string& S) { return rt::Utf16ToUtf8(S); }

std::string Saved(TrepComponent& C, bool Children = true) {
  rt::TStringStream S;
  C.SaveToStream(S, Children);
  return S.DataString();
}

// The object tree's own reader: the report's file layer (options the caller keeps, the data
// page) is tested with the report storage.
void Load(TrepComponent& C, const std::string& Xml) {
  rt::TStringStream S(Xml);
  C.TrepComponent::LoadFromStream(S);
}

} // namespace

TEST(ClassStreams, ATemplateReadsBackWithItsTreeFontsAndOptions) {
  Start();
  TrepReport R(nullptr);
  R.EngineOptions.DoublePass = true;
  R.EngineOptions.SilentMode = simReThrow;
  R.PrintOptions.Copies = 2;
  R.PreviewOptions.ZoomMode = zmPageWidth;
  R.ReportOptions.Author = "Engineering";
  R.ReportOptions.Description.Add("Sizing report");
  R.OnStartReport = "StartIt";
  auto* Page = new TrepReportPage(&R);
  Page->SetName("Page1");
  Page->Font().SetName("Tahoma");
  Page->Font().SetStyle(gfx::FontStyles({gfx::fsBold}));
  auto* Hidden = new TrepReportPage(&R);
  Hidden->SetName("Page2");
  Hidden->SetVisible(false);
  Hidden->Tag = 5;
  auto* Band = new TrepBand(Page);
  Band->SetName("Band1");
  auto* Memo = new TrepReportComponent(Band);
  Memo->SetName("Memo1");
  Memo->Description = "P1 <min> & \"max\"";
  Memo->IndexTag = 3;

  const std::string Xml = Saved(R);
  TrepReport Back(nullptr);
  Load(Back, Xml);
  EXPECT_EQ(Back.Errors().Count(), 0) << Back.Errors().Text();
  EXPECT_EQ(Saved(Back), Xml);

  EXPECT_EQ(Back.PagesCount(), 2);
  EXPECT_FALSE(Back.GetPages(1)->Visible());
  EXPECT_EQ(Back.GetPages(1)->Tag, 5);
  TrepComponent* M = Back.FindObject("memo1");
  ASSERT_NE(M, nullptr);
  EXPECT_EQ(M->Description, "P1 <min> & \"max\"");
  EXPECT_EQ(M->IndexTag, 3);
  EXPECT_EQ(M->Parent()->Name(), "Band1");
  // The page's own font came back and its children follow it again.
  EXPECT_EQ(Back.GetPages(0)->Font().Name(), "Tahoma");
  EXPECT_FALSE(Back.GetPages(0)->ParentFont());
  EXPECT_EQ(M->Font().Name(), "Tahoma");
  EXPECT_EQ(M->Font().Style(), gfx::FontStyles({gfx::fsBold}));
  EXPECT_TRUE(Back.GetPages(1)->ParentFont());

  EXPECT_TRUE(Back.EngineOptions.DoublePass);
  EXPECT_EQ(Back.EngineOptions.SilentMode, simReThrow);
  EXPECT_EQ(Back.PrintOptions.Copies, 2);
  EXPECT_EQ(Back.PreviewOptions.ZoomMode, zmPageWidth);
  EXPECT_EQ(Back.ReportOptions.Author, "Engineering");
  EXPECT_EQ(Back.ReportOptions.Description.Text(), "Sizing report\r\n");
  EXPECT_EQ(Back.OnStartReport, "StartIt");

  // The names are in the new report's index.
  auto* Other = new TrepReportComponent(Back.GetPages(1));
  EXPECT_THROW(Other->SetName("Band1"), EDuplicateName);
}

TEST(ClassStreams, FontsAreStoredByHeightAndOnlyWhenTheirOwn) {
  Start();
  gfx::TFont F;
  F.SetSize(12);
  F.SetColor(0xFF);
  TrepXMLSerializer S(nullptr);
  const std::string Text = U8(S.ObjToXML(&F));
  EXPECT_EQ(Text.find("Size"), std::string::npos);
  EXPECT_NE(Text.find("Height=\"-16\""), std::string::npos) << Text;
  gfx::TFont G;
  S.XMLToObj(rt::Utf8ToUtf16(Text), &G);
  EXPECT_TRUE(G.SameAs(F));

  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  EXPECT_EQ(U8(S.ObjToXML(Page)).find("Font"), std::string::npos) << "a following font is not written";
  Page->Font().SetSize(14);
  EXPECT_NE(U8(S.ObjToXML(Page)).find("Font.Height=\"-19\""), std::string::npos);
}

TEST(ClassStreams, EngineOptionsStoreTheSilentModeBothWays) {
  Start();
  TrepXMLSerializer S(nullptr);
  TrepEngineOptions O;
  O.SilentMode = simSilent;
  const std::string Text = U8(S.ObjToXML(&O));
  EXPECT_NE(Text.find("SilentMode=\"True\""), std::string::npos) << Text;
  EXPECT_NE(Text.find("NewSilentMode=\"simSilent\""), std::string::npos) << Text;
  TrepEngineOptions Back;
  S.XMLToObj(u" NewSilentMode=\"simReThrow\"", &Back);
  EXPECT_EQ(Back.SilentMode, simReThrow);
  S.XMLToObj(u" SilentMode=\"True\"", &Back);
  EXPECT_EQ(Back.SilentMode, simSilent);
}

TEST(ClassStreams, ReadingProblemsGoToTheReportsErrors) {
  Start();
  TrepReport R(nullptr);
  auto* Old = new TrepReportPage(&R);
  Old->SetName("Gone");
  Load(R, "<?xml version=\"1.0\" encoding=\"utf-8\"?><TrepReport><TrepReportPage Name=\"Page1\">"
          "<TrepMissingView Name=\"X\"/></TrepReportPage></TrepReport>");
  EXPECT_EQ(R.FindObject("Gone"), nullptr) << "reading starts from an empty report";
  EXPECT_NE(R.FindObject("Page1"), nullptr);
  ASSERT_EQ(R.Errors().Count(), 1);
  EXPECT_EQ(R.Errors()[0], "Cannot find class TrepMissingView");
  EXPECT_EQ(R.XMLSerializer(), nullptr);

  rt::TStringStream Bad("not xml");
  EXPECT_THROW(R.TrepComponent::LoadFromStream(Bad), TrepInvalidXMLException);
  EXPECT_EQ(R.XMLSerializer(), nullptr);

  // Thread-safe reading holds the process-wide lock and gives it back.
  R.EngineOptions.EnableThreadSafe = true;
  Load(R, "<?xml version=\"1.0\"?><TrepReport/>");
  EXPECT_TRUE(FormsLock().try_lock());
  FormsLock().unlock();
}

TEST(ClassStreams, HostileReportFilesRaiseTheXMLError) {
  Start();
  std::string Deep = "<?xml version=\"1.0\"?><TrepReport>";
  for (int I = 0; I < 100000; ++I) Deep += "<TrepReportPage>";
  const std::string Files[] = {"<?xml version=>", Deep};
  for (const std::string& File : Files) {
    TrepReport R(nullptr);
    rt::TStringStream S(File);
    EXPECT_THROW(R.TrepComponent::LoadFromStream(S), TrepInvalidXMLException) << File.substr(0, 40);
    EXPECT_EQ(R.XMLSerializer(), nullptr);
    // The report's own load records the refusal instead.
    R.EngineOptions.SilentMode = simSilent;
    rt::TStringStream Again(File);
    R.LoadFromStream(Again);
    EXPECT_FALSE(R.StreamLoaded);
    EXPECT_EQ(R.Errors().Count(), 1) << File.substr(0, 40);
  }
}

TEST(ClassStreams, TheScriptIsLeftOutWhenTheReportKeepsItElsewhere) {
  Start();
  TrepReport R(nullptr);
  EXPECT_NE(Saved(R).find("ScriptText.Text=\"begin"), std::string::npos);
  R.StoreInDFM = false;
  EXPECT_EQ(Saved(R).find("begin"), std::string::npos);
  EXPECT_EQ(R.ScriptText().Count(), 3);
}

TEST(ClassStreams, CopiesTakePropertiesAndOptionallyChildrenAndOriginals) {
  Start();
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  auto* Band = new TrepBand(Page);
  Band->SetName("Band1");
  Band->Description = "source";
  Band->SetBounds(1, 2, 3, 4);
  auto* Child = new TrepReportComponent(Band);
  Child->SetName("Child1");
  Child->AliasName = "m1";
  Child->OriginalComponent = Page;

  TrepReportPage Loose(nullptr);
  auto* Copy = new TrepBand(&Loose);
  auto* Doomed = new TrepReportComponent(Copy);
  Doomed->SetName("Doomed");
  Copy->Assign(Band);
  EXPECT_EQ(Copy->Description, "source");
  EXPECT_EQ(Copy->Name(), "") << "the name is not copied";
  EXPECT_EQ(Copy->Objects().Count(), 0) << "reading drops the children";

  Copy->AssignAllWithOriginals(Band);
  ASSERT_EQ(Copy->Objects().Count(), 1);
  TrepComponent* C = Copy->Objects()[0];
  EXPECT_EQ(C->Name(), "Child1");
  EXPECT_EQ(C->AliasName, "m1");
  EXPECT_EQ(C->OriginalComponent, Page);

  Copy->Assign(nullptr);  // nothing to copy from
  EXPECT_EQ(Copy->Description, "source");
}

TEST(ClassStreams, AllDiffWritesStoredPropertiesThenTheDifferences) {
  Start();
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  auto* A = new TrepReportComponent(Page);
  auto* B = new TrepReportComponent(Page);
  B->Description = "x";
  B->SetLeft(5);
  EXPECT_EQ(U8(B->AllDiff(A)), "Description=\"x\"  l=\"5\"");
  EXPECT_EQ(U8(A->AllDiff(B)), "Description=\"\"  l=\"0\"") << "an emptied text differs from its source";
  EXPECT_EQ(U8(A->AllDiff(nullptr)), "");
  auto* Null = new TrepNullBand(Page);
  Null->SetBounds(7, 8, 0, 0);
  // Without a source object every stored property is written, and a null band adds its place.
  EXPECT_EQ(U8(Null->AllDiff(nullptr)), "Frame.Typ=\"0\" Height=\"0\" Left=\"7\" Top=\"8\" Width=\"0\" l=\"7\" t=\"8\"");

  // The prepared-pages store may keep other text in place of the base name.
  A->SetBaseName("TrepReportComponent Description=\"\"");
  EXPECT_EQ(A->BaseName(), "TrepReportComponent Description=\"\"");
}
