// Prepared pages as a report run leaves them for an export: page totals and copy names resolved
// when a memo reaches the filter, post-processed values kept with the pages, compressed files
// and partial loading of large files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repExpression.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repPostProcessor.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repRes.h"
#include "report/engine/repVariables.h"
#include "report/engine/repXML.h"
#include "report/engine/repXMLSerializer.h"
#include "report/engine/repZLib.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() { enginesetup::StartEngine(); }

std::string Plain(std::u16string S) {
  while (!S.empty() && (S.back() == u'\n' || S.back() == u'\r')) S.pop_back();
  return rt::Utf16ToUtf8(S);
}

// The engine as the store sees it: which pass runs, and nothing else.
struct FakeEngine : TrepCustomEngine {
  explicit FakeEngine(TrepReport* R) : TrepCustomEngine(R) { Running = true; }
};

// A page with a title band holding Title1 and a row band holding Row1 and Label1.
struct ReportRun {
  TrepReport Report{nullptr};
  FakeEngine Engine{&Report};
  TrepReportPage* Page;
  TrepNullBand* Title;
  TrepNullBand* Row;
  TrepMemoView* TitleMemo;
  TrepMemoView* RowMemo;
  TrepMemoView* Label;
  // Values the report answers for names its memos ask for.
  std::map<std::string, rt::Variant> Values;

  ReportRun() {
    Start();
    Report.EngineOptions.SilentMode = simSilent;
    Report.OnGetValue = [this](const std::string& Name, rt::Variant& V) {
      if (auto It = Values.find(Name); It != Values.end()) V = It->second;
    };
    Page = new TrepReportPage(&Report);
    Page->SetName("Page1");
    Page->SetBounds(0, 0, 794, 1123);
    Title = new TrepNullBand(Page);
    Title->SetName("Title1");
    Title->SetBounds(0, 0, 700, 30);
    TitleMemo = new TrepMemoView(Title);
    TitleMemo->SetName("TitleMemo");
    TitleMemo->SetBounds(0, 0, 300, 20);
    Row = new TrepNullBand(Page);
    Row->SetName("Row1");
    Row->SetBounds(0, 0, 700, 20);
    RowMemo = new TrepMemoView(Row);
    RowMemo->SetName("RowMemo");
    RowMemo->SetBounds(0, 0, 200, 16);
    Label = new TrepMemoView(Row);
    Label->SetName("Label");
    Label->SetBounds(300, 0, 200, 16);
    Pages().Engine = &Engine;
  }
  ~ReportRun() { Pages().Engine = nullptr; }

  TrepPreviewPages& Pages() { return *static_cast<TrepPreviewPages*>(Report.PreviewPages()); }

  // What the engine does with a band: expressions expanded, stored, the template text back.
  void Print(TrepBand* Band, double Top) {
    Band->SetTop(Top);
    std::vector<TrepMemoView*> Memos;
    for (TrepComponent* C : Band->Objects())
      if (auto* M = dynamic_cast<TrepMemoView*>(C)) Memos.push_back(M);
    for (TrepMemoView* M : Memos) {
      M->BeforePrint();
      M->GetData();
    }
    Pages().AddObject(Band);
    for (TrepMemoView* M : Memos) M->AfterPrint();
  }

  // PageCount pages: the title on the first, then RowsPerPage rows a page whose RowMemo shows
  // the row value Rows[i]. A double pass runs everything twice, as the engine would.
  void Prepare(int PageCount, int RowsPerPage, const std::vector<std::string>& Rows = {}, bool DoublePass = false) {
    TrepPreviewPages& P = Pages();
    Report.EngineOptions.DoublePass = DoublePass;
    P.Clear();
    P.Initialize();
    P.AddPageAction = apAdd;
    P.AddSourcePage(Page);
    for (int Pass = DoublePass ? 0 : 1; Pass < 2; ++Pass) {
      Engine.FinalPass = Pass == 1;
      if (Pass == 1 && DoublePass) {
        P.CurPage = P.GetCount() - 1;
        Engine.FinalPass = false;
        P.ClearFirstPassPages();
        Engine.FinalPass = true;
      }
      P.BeginPass();
      std::size_t Next = 0;
      for (int I = 0; I < PageCount; ++I) {
        P.AddPage(Page);
        double Top = 0;
        if (I == 0) {
          Print(Title, Top);
          Top += 30;
        }
        for (int R = 0; R < RowsPerPage; ++R, Top += 20) {
          if (Next < Rows.size()) Values["Row"] = rt::Variant(rt::Utf8ToUtf16(Rows[Next++]));
          Print(Row, Top);
        }
      }
      Engine.TotalPages = P.GetCount();
    }
  }

  // The end of the run: delayed values computed, the engine stopped.
  void Finish() {
    Pages().PostProcessor().ProcessExpressions(&Report, nullptr, paReportFinished);
    Pages().Finish();
    Engine.Running = false;
  }
};

// Records every memo it is handed as "page:name=text"; other objects as their name.
struct MemoRecorder : TrepCustomExportFilter {
  MemoRecorder() : TrepCustomExportFilter(NoRegister{}) {
    ShowDialog = false;
    ShowProgress = false;
  }
  bool Start() override {
    if (rt::TStream* S = IOTransport->GetStream()) S->WriteBuffer("x", 1);
    return true;
  }
  void StartPage(TrepReportPage*, int Index) override { FPage = Index; }
  void ExportObject(TrepComponent* Obj) override {
    if (auto* M = dynamic_cast<TrepCustomMemoView*>(Obj))
      Calls.push_back(std::to_string(FPage + 1) + ":" + M->Name() + "=" + Plain(M->Text()));
    else
      Calls.push_back(std::to_string(FPage + 1) + ":" + Obj->Name());
  }
  std::vector<std::string> Calls;

private:
  int FPage = -1;
};

std::string TempFile(const std::string& Name) {
  return (std::filesystem::temp_directory_path() / ("store-" + std::to_string(::getpid()) + "-" + Name)).string();
}

std::vector<std::string> Only(const std::vector<std::string>& Calls, const std::string& Name) {
  std::vector<std::string> R;
  for (const std::string& C : Calls)
    if (C.find(":" + Name + "=") != std::string::npos) R.push_back(C);
  return R;
}

std::vector<std::string> Exported(TrepReport& R, const std::string& Range = "") {
  MemoRecorder F;
  F.SetFileName(TempFile("export.out"));
  F.PageNumbers = Range;
  EXPECT_TRUE(R.Export(&F)) << R.Errors().Text();
  std::filesystem::remove(F.FileName());
  return F.Calls;
}

std::string Saved(TrepPreviewPages& P) {
  rt::TStringStream S;
  P.SaveToStream(S);
  return S.DataString();
}

// Read whole: the bytes need not outlive the call.
void Load(TrepPreviewPages& P, const std::string& Bytes) {
  rt::TStringStream In(Bytes);
  P.LoadFromStream(In);
}

// A compressor for the process while it lives.
struct Compressed {
  Compressed() { DefaultCompressorClass = [] { return std::make_unique<TrepZLibCompressor>(nullptr); }; }
  ~Compressed() { DefaultCompressorClass = nullptr; }
};

} // namespace

TEST(ExportMemoStep, PageTotalsAndCopyNamesAreResolvedWhenTheFilterSeesTheMemo) {
  struct Case {
    const char* Text;
    bool DoublePass;
    const char* Range;
    std::vector<std::string> Expected;
  };
  const std::vector<Case> Cases = {
      {"[Page#] of [TotalPages#]", false, "", {"1:Label=1 of 3", "2:Label=2 of 3", "3:Label=3 of 3"}},
      // Totals count every page, whichever pages are exported.
      {"[Page#] of [TotalPages#]", false, "2-", {"2:Label=2 of 3", "3:Label=3 of 3"}},
      {"[page#]/[totalpages#]", false, "3", {"3:Label=3/3"}},
      // Logical totals come from the first of two passes.
      {"[Page] of [TotalPages]", true, "", {"1:Label=1 of 3", "2:Label=2 of 3", "3:Label=3 of 3"}},
      {"[CopyName#]", false, "1", {"1:Label=Copy 1"}},
  };
  GlobalVariables().SetVariables("CopyName", rt::Variant(u"Copy "));
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Text);
    ReportRun R;
    R.Label->SetText(rt::Utf8ToUtf16(C.Text));
    R.Prepare(3, 1, {}, C.DoublePass);
    R.Finish();
    EXPECT_EQ(R.Pages().GetCount(), 3);
    EXPECT_EQ(Only(Exported(R.Report, C.Range), "Label"), C.Expected);
  }
  GlobalVariables().DeleteVariable("CopyName");
}

TEST(ExportMemoStep, DrawnMemosShowTheTotalsToo) {
  ReportRun R;
  R.Label->SetText(u"[Page#] of [TotalPages#]");
  R.Prepare(2, 1);
  R.Finish();
  gfx::TRecordingCanvas C;
  R.Pages().DrawPage(1, C, 1, 1, 0, 0, false);
  auto* Label = dynamic_cast<TrepMemoView*>(R.Pages().GetPage(1)->FindObject("Label"));
  ASSERT_NE(Label, nullptr);
  EXPECT_EQ(Plain(Label->Text()), "2 of 2");
}

namespace {

// The title shows a total known only at the end; rows hide a value repeated from the row above.
void PrepareWithDelayedValues(ReportRun& R) {
  R.TitleMemo->SetText(u"Total: [Total]");
  R.TitleMemo->Processing().ProcessAt = paReportFinished;
  R.RowMemo->SetText(u"[Row]");
  R.RowMemo->Duplicates = dmHide;
  R.Values["Total"] = rt::Variant(0);
  R.Prepare(2, 3, {"A", "A", "B", "B", "B", "C"});
  R.Values["Total"] = rt::Variant(42);
  R.Finish();
}

const std::vector<std::string> DelayedTitle = {"1:TitleMemo=Total: 42"};
// A repeat is left out within a page; each page shows its first row.
const std::vector<std::string> MergedRows = {"1:RowMemo=A", "1:RowMemo=B", "2:RowMemo=B", "2:RowMemo=C"};

} // namespace

TEST(PostProcessing, DelayedAndMergedValuesSurviveSaveAndLoad) {
  ReportRun R;
  PrepareWithDelayedValues(R);
  const std::vector<std::string> Calls = Exported(R.Report);
  EXPECT_EQ(Only(Calls, "TitleMemo"), DelayedTitle);
  EXPECT_EQ(Only(Calls, "RowMemo"), MergedRows);

  const std::string First = Saved(R.Pages());
  EXPECT_NE(First.find("<TitleMemo><i cnt=\"Total: 42\"/></TitleMemo>"), std::string::npos) << First;

  ReportRun Other;
  Load(Other.Pages(), First);
  EXPECT_EQ(Other.Report.Errors().Count(), 0) << Other.Report.Errors().Text();
  EXPECT_EQ(Saved(Other.Pages()), First);
  EXPECT_EQ(Exported(Other.Report), Calls);
  // Exporting does not change what is stored.
  EXPECT_EQ(Saved(Other.Pages()), First);
}

TEST(PostProcessing, DamagedValuesFromFilesAreReportedAndSkipped) {
  ReportRun R;
  PrepareWithDelayedValues(R);
  const std::string Good = Saved(R.Pages());
  struct Case {
    const char* Name;
    std::string From, To;
    std::vector<std::string> Title;
    const char* Error;
  };
  const std::vector<Case> Cases = {
      // The title's value is gone: its index points past the values left.
      {"index out of range", "<TitleMemo><i cnt=\"Total: 42\"/></TitleMemo>", "<TitleMemo></TitleMemo>", {},
       "refers to a post-processed value that does not exist"},
      {"value not readable", "cnt=\"Total: 42\"", "cnt=\"Total: &#xyz;\"", {"1:TitleMemo="}, "cannot be read"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    std::string Bad = Good;
    const std::size_t At = Bad.find(C.From);
    ASSERT_NE(At, std::string::npos);
    Bad.replace(At, C.From.size(), C.To);
    ReportRun Other;
    Load(Other.Pages(), Bad);
    const std::vector<std::string> Calls = Exported(Other.Report);
    EXPECT_EQ(Only(Calls, "TitleMemo"), C.Title);
    EXPECT_EQ(Only(Calls, "RowMemo"), MergedRows);
    EXPECT_NE(Other.Report.Errors().Text().find(C.Error), std::string::npos) << Other.Report.Errors().Text();
  }
}

TEST(CompressedFiles, SaveLoadSaveAndExportAlike) {
  Compressed Z;
  ReportRun R;
  R.Report.ReportOptions.Compressed = true;
  PrepareWithDelayedValues(R);
  const std::string First = Saved(R.Pages());
  ASSERT_GE(First.size(), 2u);
  EXPECT_EQ(static_cast<unsigned char>(First[0]), 0x78);
  EXPECT_EQ(First.find("preparedreport"), std::string::npos);

  ReportRun Other;
  Other.Report.ReportOptions.Compressed = true;
  Load(Other.Pages(), First);
  EXPECT_EQ(Other.Report.Errors().Count(), 0) << Other.Report.Errors().Text();
  EXPECT_EQ(Saved(Other.Pages()), First);
  EXPECT_EQ(Exported(Other.Report), Exported(R.Report));

  // Plain files still load while a compressor is registered.
  R.Report.ReportOptions.Compressed = false;
  const std::string PlainFile = Saved(R.Pages());
  EXPECT_EQ(PlainFile.rfind("<?xml", 0), 0u);
  ReportRun Third;
  rt::TStringStream Source(PlainFile);
  Third.Pages().LoadFromStream(Source, true);
  EXPECT_EQ(Third.Pages().GetCount(), 2);
  EXPECT_EQ(Saved(Third.Pages()), PlainFile);
}

TEST(CompressedFiles, BombsAndDamagedDataLeaveTheStoreEmpty) {
  Compressed Z;
  ReportRun Good;
  Good.Report.ReportOptions.Compressed = true;
  Good.Prepare(2, 1);
  Good.Finish();
  const std::string Packed = Saved(Good.Pages());

  std::string Bomb;
  {
    rt::TStringStream Zeros(std::string(static_cast<std::size_t>(TrepZLibCompressor::MaxReportInflatedSize) + 4096, ' '));
    rt::TStringStream Out;
    CompressStream(Zeros, Out);
    Bomb = Out.DataString();
  }
  const std::vector<std::pair<const char*, std::string>> Cases = {
      {"bomb", Bomb},
      {"cut off", Packed.substr(0, Packed.size() / 2)},
  };
  for (const auto& [Name, Bytes] : Cases) {
    SCOPED_TRACE(Name);
    ReportRun R;
    R.Prepare(1, 1);
    R.Finish();
    Load(R.Pages(), Bytes);
    EXPECT_EQ(R.Pages().GetCount(), 0);
    EXPECT_NE(R.Report.Errors().Text().find(ResourceTable().Get("clDecompressError")), std::string::npos);
  }
}

TEST(PartialLoading, PagesComeFromTheSourceWhenAskedFor) {
  ReportRun R;
  R.Label->SetText(u"[Page#] of [TotalPages#]");
  R.Prepare(40, 3, {"A", "B", "C"});
  R.Finish();
  const std::string File = Saved(R.Pages());
  const std::vector<std::string> Calls = Exported(R.Report);

  ReportRun Partial;
  rt::TStringStream In(File);
  Partial.Pages().LoadFromStream(In, true);
  ASSERT_EQ(Partial.Pages().GetCount(), 40);
  TrepXMLItem* Page5 = Partial.Pages().PagesItem()->Items(5);
  EXPECT_FALSE(Page5->Loaded());
  EXPECT_EQ(Page5->Count(), 0);
  EXPECT_TRUE(Partial.Pages().PagesItem()->Items(1)->Loaded());
  ASSERT_NE(Partial.Pages().GetPage(5), nullptr);
  EXPECT_TRUE(Page5->Loaded());
  EXPECT_EQ(Saved(Partial.Pages()), File);
  EXPECT_EQ(Exported(Partial.Report), Calls);
  // An export holds one page at a time: pages read for it go back to waiting in the source.
  EXPECT_FALSE(Page5->Loaded());
  EXPECT_EQ(Exported(Partial.Report), Calls);

  // Pages moved to the file cache and fetched again, some of them never read yet.
  ReportRun Cached;
  Cached.Report.EngineOptions.UseFileCache = true;
  Cached.Report.PreviewOptions.PagesInCache = 2;
  rt::TStringStream In2(File);
  Cached.Pages().LoadFromStream(In2, true);
  for (int I : {3, 4, 5, 3, 30}) ASSERT_NE(Cached.Pages().GetPage(I), nullptr);
  EXPECT_EQ(Exported(Cached.Report), Calls);
  EXPECT_EQ(Exported(Cached.Report), Calls);
  EXPECT_EQ(Saved(Cached.Pages()), File);
  EXPECT_EQ(Cached.Report.Errors().Count(), 0) << Cached.Report.Errors().Text();
}

TEST(PartialLoading, OnlyPageElementsWaitInTheSource) {
  ReportRun R;
  R.Prepare(4, 2, {"A", "B"});
  R.Finish();
  const std::string File = Saved(R.Pages());
  const std::vector<std::string> Calls = Exported(R.Report);
  // A file may mark any element as waiting; what the store needs at once is read whole.
  for (const char* Tag : {"<sourcepages", "<dictionary", "<previewpages", "<preparedreport"}) {
    SCOPED_TRACE(Tag);
    std::string Marked = File;
    const std::size_t At = Marked.find(Tag);
    ASSERT_NE(At, std::string::npos);
    Marked.insert(At + std::string(Tag).size(), " ld=\"0\"");
    ReportRun Other;
    rt::TStringStream In(Marked);
    Other.Pages().LoadFromStream(In, true);
    EXPECT_EQ(Other.Report.Errors().Count(), 0) << Other.Report.Errors().Text();
    EXPECT_EQ(Exported(Other.Report), Calls);
  }
}

TEST(PreparedMemoText, CompactTextAttributesAreRead) {
  Start();
  struct Case {
    const char16_t* Source;
    bool OldFormat;
    const char* Expected;
  };
  const std::vector<Case> Cases = {
      {u"TrepMemoView u=\"a&#13;&#10;b &#38; c\"", false, "a\r\nb & c"},
      {u"TrepMemoView x=\"plain\"", false, "plain"},
      // Old files kept the UTF-8 bytes as 8-bit text.
      {u"TrepMemoView u=\"\u00C3\u00A9t\u00C3\u00A9\"", true, "\u00E9t\u00E9"},
      {u"TrepMemoView x=\"\u00E9\"", true, "\u00E9"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(rt::Utf16ToUtf8(C.Source));
    TrepXMLSerializer Ser(nullptr);
    Ser.SetOldFormat(C.OldFormat);
    std::unique_ptr<TrepComponent> Obj(Ser.ReadComponentStr(nullptr, C.Source, true));
    auto* M = dynamic_cast<TrepMemoView*>(Obj.get());
    ASSERT_NE(M, nullptr);
    EXPECT_EQ(Plain(M->Text()), C.Expected);
  }
}
