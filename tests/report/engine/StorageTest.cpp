// Report files: every band kind and property kind through save, load and save again (plain and
// compressed), decimal separators, hostile files, unknown classes, properties and identifiers,
// empty texts that differ from a new object's, the password, and saving through a temporary file.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"
#include "report/engine/repZLib.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() { enginesetup::StartEngine(); }

std::string Saved(TrepReport& R) {
  rt::TStringStream S;
  R.SaveToStream(S);
  return S.DataString();
}

void Load(TrepReport& R, const std::string& Bytes) {
  rt::TStringStream S(Bytes);
  R.LoadFromStream(S);
}

// Installs the zlib compressor for one test.
struct TCompressed {
  TCompressed() {
    DefaultCompressorClass = [] { return std::make_unique<TrepZLibCompressor>(nullptr); };
  }
  ~TCompressed() { DefaultCompressorClass = nullptr; }
};

// A report with every band class, the page and view kinds, pictures, collections and the kinds
// of property values (floats, enumerations, sets, references, texts with markup).
void BuildEveryKind(TrepReport& R) {
  R.EngineOptions.SilentMode = simSilent;
  R.ReportOptions.Author = "A & B <c>";
  R.Variables().SetVariables("Total", rt::Variant(u"SUM(<Rows.\"Q\">)"));
  (new TrepDataPage(&R))->SetName("Data");
  auto* Page = new TrepReportPage(&R);
  Page->SetName("Page1");
  Page->SetOrientation(poLandscape);
  Page->SetPaperSize(1);
  Page->LeftMargin = Page->TopMargin = 10.25;
  Page->SetColumns(2);
  Page->MirrorMode = TrepMirrorControlModes{mcmRTLBands};
  Page->Duplex = dmVertical;
  gfx::TBitmap Bmp;
  Bmp.SetSize(3, 2);
  Page->BackPicture().Picture().SetGraphic(&Bmp);
  int N = 0;
  TrepChild* LastChild = nullptr;
  for (rt::TClass C : BandClasses()) {
    auto* B = static_cast<TrepBand*>(C->NewInstance());
    B->SetParent(Page);
    B->SetName("Band" + std::to_string(++N));
    B->SetBounds(0, 20.0 * N, 700, 18.5);
    if (auto* Child = dynamic_cast<TrepChild*>(B)) LastChild = Child;
  }
  auto* Data = dynamic_cast<TrepDataBand*>(Page->FindBand(TrepMasterData::ClassInfo()));
  Data->SetRowCount(4);
  Data->Filter = "x > 1";
  Data->SetChild(LastChild);
  Data->SetFillType(ftGradient);
  Data->Frame().Typ = TrepFrameTypes{ftLeft, ftBottom};
  auto* Group = dynamic_cast<TrepGroupHeader*>(Page->FindBand(TrepGroupHeader::ClassInfo()));
  Group->Condition = "Rows.\"Group\"";
  Group->DrillDown = true;
  auto* Memo = new TrepMemoView(Data);
  Memo->SetName("Memo1");
  Memo->SetBounds(1.5, 2, 100, 18);
  Memo->SetText(u"Line \"one\" & <two>\r\n[SUM(<Rows.\"Q\">)]");
  Memo->ExpressionDelimiters = "";
  Memo->SetParentFont(false);
  Memo->Font().SetName("Arial Narrow");
  Memo->Hyperlink().ValuesSeparator = "";
  auto* Shape = new TrepShapeView(Data);
  Shape->SetName("Shape1");
  Shape->Shape = skEllipse;
  auto* Pic = new TrepPictureView(Data);
  Pic->SetName("Picture1");
  Pic->Picture().SetGraphic(&Bmp);
  auto* Inner = new TrepReportPage(&R);
  Inner->SetName("Page2");
  auto* Sub = new TrepSubreport(Page);
  Sub->SetName("Subreport1");
  Sub->SetPage(Inner);
  auto* Dialog = new TrepDialogPage(&R);
  Dialog->SetName("Dialog1");
  Dialog->SetCaption("Ask");
}

} // namespace

TEST(ReportStorage, EveryKindSurvivesSaveLoadSavePlainAndCompressed) {
  Start();
  for (bool Compress : {false, true}) {
    std::unique_ptr<TCompressed> Zip;
    if (Compress) Zip = std::make_unique<TCompressed>();
    TrepReport R(nullptr);
    BuildEveryKind(R);
    R.ReportOptions.Compressed = Compress;
    const std::string First = Saved(R);
    if (Compress) {
      EXPECT_EQ(static_cast<unsigned char>(First[0]), 0x78);
    }

    TrepReport Back(nullptr);
    Back.EngineOptions.SilentMode = simSilent;
    Load(Back, First);
    EXPECT_EQ(Back.Errors().Count(), 0) << Back.Errors().Text();
    EXPECT_EQ(Saved(Back), First) << "compressed " << Compress;

    // The values came back, not only the text.
    auto* Memo = dynamic_cast<TrepMemoView*>(Back.FindObject("memo1"));
    ASSERT_NE(Memo, nullptr);
    EXPECT_EQ(Memo->Text(), u"Line \"one\" & <two>\r\n[SUM(<Rows.\"Q\">)]\r\n");
    EXPECT_EQ(Memo->ExpressionDelimiters, "") << "an emptied text stays empty";
    EXPECT_EQ(Memo->Hyperlink().ValuesSeparator, "");
    auto* Data = dynamic_cast<TrepMasterData*>(Back.FindObject("Band7"));
    ASSERT_NE(Data, nullptr);
    ASSERT_NE(Data->Child(), nullptr);
    EXPECT_EQ(Data->Child()->Name(), "Band15");
    EXPECT_EQ(Data->RowCount(), 4);
    auto* Page = dynamic_cast<TrepReportPage*>(Back.FindObject("Page1"));
    EXPECT_NEAR(Page->PaperWidth(), 279.4, 1e-9);
    EXPECT_DOUBLE_EQ(Page->LeftMargin, 10.25);
    EXPECT_EQ(Page->BackPicture().Picture().Width(), 3);
    EXPECT_EQ(dynamic_cast<TrepSubreport*>(Back.FindObject("Subreport1"))->Page(), Back.FindObject("Page2"));
    EXPECT_EQ(Back.GetPages(0)->ClassName(), "TrepDataPage") << "every loaded report has its data page first";
    EXPECT_EQ(Back.Variables().Count(), 1);
  }
}

TEST(ReportStorage, NumbersReadWithEitherDecimalSeparatorAndAreWrittenWithAPoint) {
  Start();
  TrepReport R(nullptr);
  Load(R, "<?xml version=\"1.0\"?><TrepReport><TrepReportPage Name=\"P\" PaperWidth=\"215,9\" "
          "PaperHeight=\"279.4\" PaperSize=\"256\" LeftMargin=\"12,5\"/></TrepReport>");
  auto* P = dynamic_cast<TrepReportPage*>(R.FindObject("P"));
  ASSERT_NE(P, nullptr);
  EXPECT_DOUBLE_EQ(P->PaperWidth(), 215.9);
  EXPECT_DOUBLE_EQ(P->LeftMargin, 12.5);
  const char* Old = std::setlocale(LC_NUMERIC, nullptr);
  const std::string Keep = Old ? Old : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // where installed: a comma locale
  const std::string Text = Saved(R);
  std::setlocale(LC_NUMERIC, Keep.c_str());
  EXPECT_NE(Text.find("PaperWidth=\"215.9\""), std::string::npos) << Text;
  EXPECT_NE(Text.find("LeftMargin=\"12.5\""), std::string::npos);
}

TEST(ReportStorage, UnknownClassesPropertiesAndIdentifiersCostOneErrorEachAndTheRestLoads) {
  Start();
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  Load(R, "<?xml version=\"1.0\"?><TrepReport><TrepReportPage Name=\"P\" Orientation=\"poSideways\" "
          "Bogus=\"1\" Frame.Nonsense=\"2\"><TrepAlienView Name=\"A\"/><TrepMemoView Name=\"M\" Bogus=\"3\" "
          "Text=\"kept\"/></TrepReportPage></TrepReport>");
  EXPECT_TRUE(R.StreamLoaded);
  auto* P = dynamic_cast<TrepReportPage*>(R.FindObject("P"));
  ASSERT_NE(P, nullptr);
  EXPECT_EQ(P->Orientation(), poPortrait) << "an unknown identifier is refused, not read as a number";
  auto* M = dynamic_cast<TrepMemoView*>(R.FindObject("M"));
  ASSERT_NE(M, nullptr);
  EXPECT_EQ(M->Text(), u"kept\r\n");
  const std::string E = R.Errors().Text();
  EXPECT_EQ(R.Errors().Count(), 5) << E;
  EXPECT_NE(E.find("TrepAlienView"), std::string::npos);
  EXPECT_NE(E.find("Unknown property Bogus of TrepReportPage"), std::string::npos);
  EXPECT_NE(E.find("Unknown property Bogus of TrepMemoView"), std::string::npos);
  EXPECT_NE(E.find("Frame.Nonsense"), std::string::npos);
  EXPECT_NE(E.find("poSideways"), std::string::npos);
}

TEST(ReportStorage, ADecompressionBombIsRefusedAndTheReportStaysAsItWas) {
  Start();
  TCompressed Zip;
  // Blanks past the cap behind a small header.
  rt::TStringStream Plain(std::string(static_cast<std::size_t>(TrepZLibCompressor::MaxReportInflatedSize) + 4096, ' '));
  rt::TStringStream Bomb;
  CompressStream(Plain, Bomb, zcFastest);
  ASSERT_LT(Bomb.DataString().size(), 1u << 20);
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  (new TrepReportPage(&R))->SetName("Before");
  Load(R, Bomb.DataString());
  EXPECT_EQ(R.Errors().Text(), "Stream decompress error\r\n");
  EXPECT_NE(R.FindObject("Before"), nullptr);

  R.EngineOptions.SilentMode = simReThrow;
  EXPECT_THROW(Load(R, Bomb.DataString()), rt::Exception);
}

TEST(ReportStorage, ThePasswordIsScrambledInTheFileOnly) {
  Start();
  EXPECT_EQ(EncodeReportPassword("abc"), "WXY");
  EXPECT_EQ(DecodeReportPassword(EncodeReportPassword("\x05z")), "\x05z") << "units below 10 wrap and come back";
  TrepReport R(nullptr);
  R.ReportOptions.Password = "secret";
  const std::string Text = Saved(R);
  EXPECT_NE(Text.find("ReportOptions.Password=\"" + EncodeReportPassword("secret") + "\""), std::string::npos);
  EXPECT_EQ(R.ReportOptions.Password, "secret");
  TrepReport Back(nullptr);
  Back.EngineOptions.EnableThreadSafe = true;  // a thread-safe load asks nobody for the password
  Load(Back, Text);
  EXPECT_EQ(Back.ReportOptions.Password, "secret");
}

TEST(ReportStorage, LoadingKeepsTheCallersRunTimeOptions) {
  Start();
  TrepReport Source(nullptr);
  Source.EngineOptions.DoublePass = true;
  Source.EngineOptions.SilentMode = simReThrow;
  Source.EngineOptions.UseFileCache = true;
  const std::string Text = Saved(Source);
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  R.EngineOptions.EnableThreadSafe = true;
  R.ShowProgress = false;
  Load(R, Text);
  EXPECT_EQ(R.EngineOptions.SilentMode, simSilent);
  EXPECT_TRUE(R.EngineOptions.EnableThreadSafe);
  EXPECT_FALSE(R.EngineOptions.UseFileCache);
  EXPECT_FALSE(R.ShowProgress);
  EXPECT_TRUE(R.EngineOptions.DoublePass) << "taken from the file";
  EXPECT_TRUE(R.EngineOptions.PrintIfEmpty);
}

namespace {

// A report whose writing fails half way.
class TFailingReport : public TrepReport {
public:
  using TrepReport::TrepReport;
  void WriteNestedProperties(TrepXMLItem*, rt::TObject*) override { throw rt::Exception("disk full"); }
};

std::vector<std::string> FilesIn(const std::string& Dir) {
  std::vector<std::string> R;
  if (DIR* D = opendir(Dir.c_str())) {
    while (dirent* E = readdir(D))
      if (E->d_name[0] != '.') R.push_back(E->d_name);
    closedir(D);
  }
  return R;
}

std::string ReadFile(const std::string& Name) {
  std::ifstream F(Name, std::ios::binary);
  std::stringstream S;
  S << F.rdbuf();
  return S.str();
}

} // namespace

TEST(ReportStorage, SavingReplacesTheFileWholeOrNotAtAll) {
  Start();
  const std::string Dir = TempFileNameIn("");
  std::remove(Dir.c_str());
  ASSERT_EQ(mkdir(Dir.c_str(), 0700), 0);
  const std::string File = Dir + "/report.rt3";

  TrepReport R(nullptr);
  (new TrepReportPage(&R))->SetName("Page1");
  R.SaveToFile(File);
  const std::string First = ReadFile(File);
  EXPECT_EQ(First, Saved(R));

  TFailingReport Bad(nullptr);
  EXPECT_THROW(Bad.SaveToFile(File), rt::Exception);
  EXPECT_EQ(ReadFile(File), First) << "a failed save leaves the old file whole";
  EXPECT_EQ(FilesIn(Dir), std::vector<std::string>{"report.rt3"}) << "and no temporary file behind";

  TrepReport Back(nullptr);
  EXPECT_TRUE(Back.LoadFromFile(File));
  EXPECT_NE(Back.FindObject("Page1"), nullptr);
  EXPECT_FALSE(Back.LoadFromFile(Dir + "/missing.rt3"));
  EXPECT_EQ(Back.PagesCount(), 0);

  std::ofstream(File) << "<?xml version=\"1.0\"?><TrepReport><TrepReportPage";
  Back.EngineOptions.SilentMode = simSilent;
  EXPECT_FALSE(Back.LoadFromFile(File)) << "a file that cannot be read is no success";

  std::remove(File.c_str());
  rmdir(Dir.c_str());
}
