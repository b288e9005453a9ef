// Small reports of our own prepared and exported through the report's public API, read back
// from the PDF with pdftotext: group values after the last row, group and page totals around
// kept-together blocks, and memos that grow from the top edge of their band. Each page's words
// must come out once, in order, and no two word boxes may overlap (an overprinted line).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/pdf/repExportPDF.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/engine/A4Page.h"
#include "tests/report/pdf/PDFTools.h"

namespace {

using a4page::Memo;
using namespace pdftools;

struct TWord {
  int Page;
  double X0, Y0, X1, Y1;
  std::string Text;
};

// An A4 report (10 mm margins) with one dataset D, prepared and exported to PDF.
struct TReadBack {
  struct TStarted {
    TStarted() {
      enginesetup::StartEngine();
      enginesetup::AddScriptModules();
    }
  } Started;
  TrepReport Report{nullptr};
  TrepReportPage* Page;
  std::vector<TWord> Words;

  TReadBack() {
    Report.EngineOptions.SilentMode = simSilent;
    Report.EngineOptions.DestroyForms = false;
    Page = a4page::New(Report, "Page1");
  }
  ~TReadBack() { Report.DataSets().Clear(); }

  template <class B>
  B* Band(const char* Name, double Top, double Height) {
    auto* Result = new B(Page);
    Result->SetName(Name);
    Result->SetBounds(0, Top, 700, Height);
    return Result;
  }

  // Prepares, exports and reads the words back with their boxes, in reading order.
  void Run() {
    ASSERT_TRUE(Report.PrepareReport()) << Report.Errors().Text();
    TTempPath Out("layout-readback");
    TrepPDFExport F;
    F.ShowDialog = false;
    F.ShowProgress = false;
    F.FixedCreationDateTime = 46000.5;
    F.SetFileName(Out.Str());
    ASSERT_TRUE(Report.Export(&F));
    const TRun R = RunTool("pdftotext -bbox '" + Out.Str() + "' -");
    ASSERT_EQ(R.Status, 0) << R.Err;
    const std::regex Item("<page |<word xMin=\"([-0-9.]+)\" yMin=\"([-0-9.]+)\" xMax=\"([-0-9.]+)\" "
                          "yMax=\"([-0-9.]+)\">([^<]*)</word>");
    int PageNo = -1;
    for (auto It = std::sregex_iterator(R.Out.begin(), R.Out.end(), Item); It != std::sregex_iterator(); ++It) {
      const std::smatch& M = *It;
      if (M[0].str().rfind("<page", 0) == 0) {
        ++PageNo;
        continue;
      }
      Words.push_back({PageNo, std::stod(M[1]), std::stod(M[2]), std::stod(M[3]), std::stod(M[4]), M[5]});
    }
  }

  // The words in reading order, those named in Leave left out.
  std::string Text(const std::vector<std::string>& Leave = {}) const {
    std::string S;
    for (const TWord& W : Words)
      if (std::find(Leave.begin(), Leave.end(), W.Text) == Leave.end()) S += (S.empty() ? "" : " ") + W.Text;
    return S;
  }

  // Pairs of words whose boxes overlap by more than a hair: text printed over text.
  std::vector<std::string> Overprints() const {
    std::vector<std::string> Found;
    for (std::size_t I = 0; I < Words.size(); ++I)
      for (std::size_t J = I + 1; J < Words.size(); ++J) {
        const TWord &A = Words[I], &B = Words[J];
        if (A.Page != B.Page) continue;
        const double DX = std::min(A.X1, B.X1) - std::max(A.X0, B.X0);
        const double DY = std::min(A.Y1, B.Y1) - std::max(A.Y0, B.Y0);
        if (DX > 0.5 && DY > 0.5) Found.push_back(A.Text + " / " + B.Text);
      }
    return Found;
  }

  const TWord* Find(const std::string& Text) const {
    for (const TWord& W : Words)
      if (W.Text == Text) return &W;
    return nullptr;
  }

  int PageCount() const { return Words.empty() ? 0 : Words.back().Page + 1; }
};

// Fills D with the keys (field K) and 1 as V, as a memory dataset, or through handlers over a
// count range.
struct TData {
  std::vector<std::string> Keys;
  TrepMemoryDataSet Memory{nullptr};
  TrepUserDataSet User{nullptr};

  TrepDataSet* Make(bool UseHandlers) {
    TrepDataSet* D = &Memory;
    if (UseHandlers) {
      D = &User;
      User.Fields.Add("K");
      User.Fields.Add("V");
      User.RangeEnd = reCount;
      User.RangeEndCount = static_cast<int>(Keys.size());
      User.OnGetValue = [this](const std::string& Name, rt::Variant& V) {
        const std::size_t R = static_cast<std::size_t>(User.RecNo());
        if (R >= Keys.size()) return;  // past the end: Null, printed as 0
        V = rt::SameText(Name, "K") ? rt::Variant(Keys[R]) : rt::Variant(1);
      };
    } else {
      Memory.Fields.Add("K");
      Memory.Fields.Add("V");
      for (const std::string& K : Keys) Memory.AppendRow({rt::Variant(K), rt::Variant(1)});
    }
    D->SetUserName("D");
    return D;
  }
};

bool HavePdftotext() { return HaveTool("pdftotext"); }

TEST(LayoutReadBack, FootersAndSummaryAfterTheLastRowReadTheLastRecord) {
  if (!HavePdftotext()) GTEST_SKIP() << "poppler is installed by scripts/test";
  struct Case {
    const char* Name;
    bool UseHandlers;
    int CountRange;  // 0: none
  } Cases[] = {
      {"memory dataset", false, 0},
      {"memory dataset with a count range", false, 3},
      {"user dataset over a count range", true, 0},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    TReadBack T;
    TData Data;
    Data.Keys = {"a", "a", "b"};
    TrepDataSet* D = Data.Make(C.UseHandlers);
    if (C.CountRange > 0) {
      D->RangeEnd = reCount;
      D->RangeEndCount = C.CountRange;
    }
    T.Report.DataSets().Add(D);
    auto* GH = T.Band<TrepGroupHeader>("GroupHeader1", 20, 20);
    GH->Condition = "D.\"K\"";
    Memo(GH, "Head", 0, 0, 300, 20, u"head [D.\"K\"]");
    auto* M = T.Band<TrepMasterData>("MasterData1", 60, 20);
    M->SetDataSet(D);
    Memo(M, "Row", 0, 0, 300, 20, u"row [D.\"K\"]");
    auto* GF = T.Band<TrepGroupFooter>("GroupFooter1", 100, 20);
    Memo(GF, "End", 0, 0, 300, 20, u"end of [D.\"K\"]");
    auto* S = T.Band<TrepReportSummary>("ReportSummary1", 140, 20);
    Memo(S, "Last", 0, 0, 300, 20, u"last [D.\"K\"]");
    T.Run();
    EXPECT_EQ(T.Text(), "head a row a row a end of a head b row b end of b last b");
    EXPECT_EQ(T.Overprints(), std::vector<std::string>{});
    M->SetDataSet(nullptr);
  }
}

// Groups of 1, 2 and 3 rows; each case keeps a different block together. Totals shown inside a
// block count its rows; a page footer counts only the rows printed on its page.
TEST(LayoutReadBack, TotalsInsideKeptBlocksCountEveryRow) {
  if (!HavePdftotext()) GTEST_SKIP() << "poppler is installed by scripts/test";
  struct Case {
    const char* Name;
    std::function<void(TrepGroupHeader*, TrepMasterData*, TrepGroupFooter*)> Keep;
    double RowHeight;
    const char* Expected;
  } Cases[] = {
      {"group kept together", [](TrepGroupHeader* H, TrepMasterData*, TrepGroupFooter*) { H->KeepTogether = true; },
       20, "g a 1 g b 2 g c 3 all 6 page 6"},
      {"footer kept with the last row", [](TrepGroupHeader*, TrepMasterData* M, TrepGroupFooter*) { M->KeepFooter = true; },
       20, "g a 1 g b 2 g c 3 all 6 page 6"},
      {"footer kept with its child", [](TrepGroupHeader*, TrepMasterData*, TrepGroupFooter* F) { F->KeepChild = true; },
       20, "g a 1 g b 2 g c 3 all 6 page 6"},
      {"rows kept with their child", [](TrepGroupHeader*, TrepMasterData* M, TrepGroupFooter*) { M->KeepChild = true; },
       20, "g a 1 g b 2 g c 3 all 6 page 6"},
      // 200 + 360 pixels of the first two groups leave no room for the 520 of the third above
      // the page footer: its header and first rows move to page 2 when its last row does not
      // fit, and page 1's footer counts only the rows left on it.
      {"kept group moved to the next page",
       [](TrepGroupHeader* H, TrepMasterData*, TrepGroupFooter*) { H->KeepTogether = true; }, 160,
       "g a 1 g b 2 page 3 g c 3 all 6 page 3"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    TReadBack T;
    TData Data;
    Data.Keys = {"a", "b", "b", "c", "c", "c"};
    TrepDataSet* D = Data.Make(false);
    T.Report.DataSets().Add(D);
    auto* GH = T.Band<TrepGroupHeader>("GroupHeader1", 20, 20);
    GH->Condition = "D.\"K\"";
    Memo(GH, "Head", 0, 0, 300, 20, u"g [D.\"K\"]");
    auto* M = T.Band<TrepMasterData>("MasterData1", 60, C.RowHeight);
    M->SetDataSet(D);
    auto* MC = T.Band<TrepChild>("Child1", 300, 0);
    M->SetChild(MC);
    auto* GF = T.Band<TrepGroupFooter>("GroupFooter1", 400, 20);
    Memo(GF, "Count", 0, 0, 300, 20, u"[COUNT(MasterData1)]");
    auto* FC = T.Band<TrepChild>("Child2", 450, 0);
    GF->SetChild(FC);
    auto* F = T.Band<TrepFooter>("Footer1", 500, 20);
    Memo(F, "All", 0, 0, 300, 20, u"all [SUM(<D.\"V\">)]");
    auto* PF = T.Band<TrepPageFooter>("PageFooter1", 600, 20);
    PF->PrintOnSinglePage = true;
    Memo(PF, "PageTotal", 0, 0, 300, 20, u"page [COUNT(MasterData1)]");
    C.Keep(GH, M, GF);
    T.Run();
    EXPECT_EQ(T.Text(), C.Expected);
    EXPECT_EQ(T.Overprints(), std::vector<std::string>{});
    M->SetDataSet(nullptr);
  }
}

// A memo that grows pushes what lies below it the same way whether it starts at the band's top
// edge or a little lower, in either shift engine and either following mode.
TEST(LayoutReadBack, AMemoGrowingFromTheBandsTopEdgePushesWhatIsBelow) {
  if (!HavePdftotext()) GTEST_SKIP() << "poppler is installed by scripts/test";
  struct Case {
    const char* Name;
    TrepShiftEngine Engine;
    TrepShiftMode Mode;
  } Cases[] = {
      {"tree, always", seTree, smAlways},
      {"tree, when overlapped", seTree, smWhenOverlapped},
      {"linear, always", seLinear, smAlways},
      {"linear, when overlapped", seLinear, smWhenOverlapped},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    double Gap[2] = {0, 0}, Beside[2] = {0, 0};
    for (int Top : {0, 4}) {
      SCOPED_TRACE(Top);
      TReadBack T;
      auto* B = T.Band<TrepReportTitle>("ReportTitle1", 0, 60);
      B->Stretched = true;
      B->ShiftEngine = C.Engine;
      std::u16string Text;
      for (const char* W : {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot"})
        Text += rt::Utf8ToUtf16(W) + u"\r\n";
      Memo(B, "Grow", 10, Top, 200, 20, Text)->StretchMode = smActualHeight;
      TrepMemoView* Below = Memo(B, "Below", 10, Top + 24, 200, 20, u"below");
      Below->ShiftMode = C.Mode;
      Memo(B, "Under", 10, Top + 48, 200, 20, u"under")->ShiftMode = C.Mode;
      Memo(B, "Beside", 300, Top + 24, 200, 20, u"beside");
      auto* S = T.Band<TrepReportSummary>("ReportSummary1", 100, 20);
      Memo(S, "After", 10, 0, 200, 20, u"after");
      T.Run();
      // The memo beside stands in a column of its own; where it sits is checked below.
      EXPECT_EQ(T.Text({"beside"}), "alpha bravo charlie delta echo foxtrot below under after");
      EXPECT_EQ(T.Overprints(), std::vector<std::string>{});
      const TWord *Last = T.Find("foxtrot"), *First = T.Find("below"), *Side = T.Find("beside");
      ASSERT_TRUE(Last != nullptr && First != nullptr && Side != nullptr);
      Gap[Top / 4] = First->Y0 - Last->Y1;
      Beside[Top / 4] = Side->Y0;
      EXPECT_GT(Gap[Top / 4], 0);
    }
    EXPECT_NEAR(Gap[0], Gap[1], 0.01) << "the same room below the grown memo";
    EXPECT_NEAR(Beside[1] - Beside[0], 4 * 0.75, 0.01) << "the memo beside stays where it was put";
  }
}

// A memo at the top edge that grows over two pages: the band splits, and what lies below the
// memo comes after its last line, on the last page.
TEST(LayoutReadBack, AMemoAtTheTopEdgeSplitOverPagesKeepsWhatIsBelowAfterIt) {
  if (!HavePdftotext()) GTEST_SKIP() << "poppler is installed by scripts/test";
  for (TrepShiftEngine Engine : {seTree, seLinear}) {
    SCOPED_TRACE(Engine);
    TReadBack T;
    auto* B = T.Band<TrepMasterData>("MasterData1", 0, 60);
    B->SetRowCount(1);
    B->Stretched = true;
    B->ShiftEngine = Engine;
    std::u16string Text;
    std::string Expected;
    for (int I = 1; I <= 90; ++I) {
      Text += u"line" + rt::Utf8ToUtf16(std::to_string(I)) + u"\r\n";
      Expected += "line" + std::to_string(I) + " ";
    }
    Memo(B, "Grow", 10, 0, 200, 20, Text)->StretchMode = smActualHeight;
    Memo(B, "Below", 10, 24, 200, 20, u"below");
    Memo(B, "Under", 10, 48, 200, 20, u"under");
    T.Run();
    EXPECT_EQ(T.Text(), Expected + "below under");
    EXPECT_GE(T.PageCount(), 2);
    EXPECT_EQ(T.Overprints(), std::vector<std::string>{});
    const TWord *Last = T.Find("line90"), *Below = T.Find("below");
    ASSERT_TRUE(Last != nullptr && Below != nullptr);
    EXPECT_EQ(Below->Page, Last->Page);
    EXPECT_GT(Below->Y0, Last->Y1);
  }
}

} // namespace
