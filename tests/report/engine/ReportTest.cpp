// The report component: a new and a cleared report, pages and objects by name as the sizing
// form uses them, the error list and its reporting by silent mode, progress and termination,
// and the option objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/engine/repClass.h"
#include "report/engine/repPrinter.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iinterpreter.h"

namespace {

void StartResources() {
  static const bool Started = [] {
    repInitEngineResources();
    return true;
  }();
  (void)Started;
}

std::vector<std::string> Lines(const rt::TStrings& L) { return {L.begin(), L.end()}; }

// The template's shape: a data page and two report pages with named memos.
struct TTemplate {
  TrepReport Report{nullptr};
  TrepPage* Data = new TrepPage(&Report);
  TrepReportPage* Sizing = new TrepReportPage(&Report);
  TrepReportPage* Chart = new TrepReportPage(&Report);
  TTemplate() {
    Data->SetName("Data");
    Sizing->SetName("Page1");
    Chart->SetName("Page2");
    auto* Band = new TrepBand(Sizing);
    Band->SetName("MasterData1");
    for (const char* N : {"MemoTag", "MemoP1Min", "MemoP1Max"}) {
      auto* M = new TrepCustomMemoView(Band);
      M->SetName(N);
    }
    auto* Picture = new TrepPictureView(Chart);
    Picture->SetName("ChartPicture");
  }
};

} // namespace

TEST(Report, ANewReportIsEmptyWithItsDefaults) {
  TrepReport R(nullptr);
  EXPECT_EQ(R.Version(), "6.5.10");
  R.SetVersion("1.0");
  EXPECT_EQ(R.Version(), "6.5.10");
  EXPECT_EQ(R.IniFile, "\\Software\\Report Engine");
  EXPECT_TRUE(R.ShowProgress);
  EXPECT_TRUE(R.StoreInDFM);
  EXPECT_EQ(R.ScriptLanguage, "PascalScript");
  EXPECT_EQ(Lines(R.ScriptText()), (std::vector<std::string>{"begin", "", "end."}));
  EXPECT_EQ(Lines(R.SysVariables()),
            (std::vector<std::string>{"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line",
                                      "Line#", "CopyName#", "TableRow", "TableColumn"}));
  EXPECT_EQ(R.PagesCount(), 0);
  EXPECT_EQ(R.Errors().Count(), 0);
  ASSERT_NE(R.Script(), nullptr);
  EXPECT_TRUE(R.Script()->ExtendedCharset);
  EXPECT_TRUE(R.Script()->RTTIAdded());
  EXPECT_TRUE(R.frComponentStyle.Contains(csHandlesNestedProperties));
  EXPECT_EQ(R.ReportOptions.Report, &R);
  // The report owns its engine and prepared pages from the start, bound to each other.
  ASSERT_NE(R.Engine(), nullptr);
  EXPECT_EQ(R.Engine()->PreviewPages, R.PreviewPages());
  EXPECT_EQ(R.PreviewPages()->Engine, R.Engine());
  ASSERT_NE(R.PreviewPages(), nullptr);
  EXPECT_EQ(R.PreviewPages(), R.MainPreviewPages());
  EXPECT_EQ(R.PreviewPages()->Report(), &R);
  EXPECT_EQ(R.PreviewPages()->Count(), 0);

  // The script text is hidden while the report is written without it.
  R.StoreInDFM = false;
  R.ComponentState.Include(csWriting);
  EXPECT_EQ(R.ScriptText().Count(), 0);
  R.ComponentState.Exclude(csWriting);
  EXPECT_EQ(R.ScriptText().Count(), 3);
}

TEST(Report, ClearingDropsPagesAndResetsScriptAndOptions) {
  TTemplate T;
  TrepReport& R = T.Report;
  R.ScriptLanguage = "JScript";
  rt::TStringList Script;
  Script.Add("x = 1;");
  R.SetScriptText(Script);
  R.SysVariables().Clear();
  R.OnStartReport = "Start";
  R.DotMatrixReport = true;
  R.EngineOptions.DoublePass = true;
  R.EngineOptions.SilentMode = simSilent;
  R.EngineOptions.EnableThreadSafe = true;
  R.PrintOptions.Copies = 3;
  R.ReportOptions.Password = "secret";
  R.Clear();
  EXPECT_EQ(R.PagesCount(), 0);
  EXPECT_EQ(R.FindObject("MemoTag"), nullptr);
  EXPECT_EQ(R.ScriptLanguage, "PascalScript");
  EXPECT_EQ(R.ScriptText().Count(), 3);
  EXPECT_EQ(R.SysVariables().Count(), 11);
  EXPECT_EQ(R.OnStartReport, "");
  EXPECT_FALSE(R.DotMatrixReport);
  EXPECT_FALSE(R.EngineOptions.DoublePass);
  EXPECT_EQ(R.PrintOptions.Copies, 1);
  EXPECT_EQ(R.ReportOptions.Password, "");
  // What the application set for its runs stays.
  EXPECT_EQ(R.EngineOptions.SilentMode, simSilent);
  EXPECT_TRUE(R.EngineOptions.EnableThreadSafe);
  // New objects can take the old names again.
  auto* Page = new TrepReportPage(&R);
  EXPECT_NO_THROW(Page->SetName("Page1"));
}

TEST(Report, TheSizingFormFindsObjectsAndPagesAndHidesPages) {
  TTemplate T;
  TrepReport& R = T.Report;
  EXPECT_EQ(R.PagesCount(), 3);
  struct Case {
    int Index;
    TrepPage* Page;
  } Pages[] = {{0, T.Data}, {1, T.Sizing}, {2, T.Chart}};
  for (const Case& C : Pages) EXPECT_EQ(R.GetPages(C.Index), C.Page);
  EXPECT_THROW(R.GetPages(3), rt::EListError);
  EXPECT_THROW(R.GetPages(-1), rt::EListError);

  struct Lookup {
    const char* Name;
    const char* Found;  // nullptr: none
  } Lookups[] = {
      {"MemoP1Min", "MemoP1Min"}, {"memop1max", "MemoP1Max"}, {"ChartPicture", "ChartPicture"},
      {"Page2", "Page2"},         {"MemoP2Min", nullptr},      {"", nullptr},
  };
  for (const Lookup& L : Lookups) {
    TrepComponent* C = R.FindObject(L.Name);
    EXPECT_EQ(C ? C->Name() : std::string("(none)"), L.Found ? L.Found : "(none)") << L.Name;
  }
  EXPECT_NE(dynamic_cast<TrepCustomMemoView*>(R.FindObject("MemoTag")), nullptr);

  // The report page is shown and the chart page hidden; the objects keep their own flag.
  R.GetPages(1)->SetVisible(true);
  R.GetPages(2)->SetVisible(false);
  EXPECT_TRUE(T.Sizing->Visible());
  EXPECT_FALSE(T.Chart->Visible());
  EXPECT_TRUE(R.FindObject("ChartPicture")->Visible());

  // A child that is no page is no page.
  new TrepBand(&R);
  EXPECT_EQ(R.GetPages(3), nullptr);
}

TEST(Report, ErrorsAreListedOnceInOrderAndReportedBySilentMode) {
  StartResources();
  TrepReport R(nullptr);
  R.Errors().Add("b: unknown field");
  R.Errors().Add("a: bad expression");
  R.Errors().Add("b: unknown field");
  EXPECT_EQ(Lines(R.Errors()), (std::vector<std::string>{"a: bad expression", "b: unknown field"}));
  const std::string Text = "The following error(s) have occured:\r\na: bad expression\r\nb: unknown field\r\n";
  EXPECT_EQ(R.ErrorsText(), Text);

  struct Case {
    TrepSilentMode Mode;
    bool Throws;
    bool Shown;
  } Cases[] = {{simReThrow, true, false}, {simSilent, false, false}, {simMessageBoxes, false, true}};
  for (const Case& C : Cases) {
    R.EngineOptions.SilentMode = C.Mode;
    testing::internal::CaptureStderr();
    bool Thrown = false;
    try {
      R.ReportErrors();
    } catch (const rt::Exception& E) {
      Thrown = true;
      EXPECT_EQ(std::string(E.what()), Text);
    }
    const std::string Shown = testing::internal::GetCapturedStderr();
    EXPECT_EQ(Thrown, C.Throws) << C.Mode;
    EXPECT_EQ(Shown.find("a: bad expression") != std::string::npos, C.Shown) << C.Mode;
    EXPECT_EQ(R.Errors().Count(), 2) << "the list stays for the caller";
  }
}

namespace {

struct TFakePreview : TrepCustomPreview {
  void InternalOnProgressStart(TrepReport*, TrepProgressType T, int P) override { Log.push_back("start " + Str(T, P)); }
  void InternalOnProgress(TrepReport*, TrepProgressType T, int P) override { Log.push_back("progress " + Str(T, P)); }
  void InternalOnProgressStop(TrepReport*, TrepProgressType T, int P) override { Log.push_back("stop " + Str(T, P)); }
  void UnInit(TrepCustomPreviewPages*) override { Log.push_back("uninit"); }
  bool Init(TrepReport*, TrepCustomPreviewPages*) override { return true; }
  void Lock() override {}
  void Unlock() override {}
  void RefreshReport() override {}
  static std::string Str(TrepProgressType T, int P) { return std::to_string(T) + "/" + std::to_string(P); }
  std::vector<std::string> Log;
};

} // namespace

TEST(Report, ProgressReachesEventsAndThePreviewUnlessThreadSafe) {
  TFakePreview Preview;
  std::vector<std::string> Events;
  {
    TrepReport R(nullptr);
    R.SetPreview(&Preview);
    auto Record = [&](const char* What) {
      return [&Events, What](TrepReport*, TrepProgressType T, int P) {
        Events.push_back(std::string(What) + " " + TFakePreview::Str(T, P));
      };
    };
    R.OnProgressStart = Record("start");
    R.OnProgress = Record("progress");
    R.OnProgressStop = Record("stop");
    R.EngineOptions.EnableThreadSafe = true;
    R.InternalOnProgressStart(ptRunning);
    R.InternalOnProgress(ptRunning, 7);
    R.InternalOnProgressStop(ptRunning);
    EXPECT_TRUE(Events.empty());
    EXPECT_TRUE(Preview.Log.empty());

    R.EngineOptions.EnableThreadSafe = false;
    R.InternalOnProgressStart(ptRunning);
    R.InternalOnProgress(ptRunning, 7);
    R.InternalOnProgress(ptExporting, 3);
    R.InternalOnProgressStop(ptExporting);
  }
  EXPECT_EQ(Events, (std::vector<std::string>{"start 0/0", "progress 0/7", "progress 1/3", "stop 1/0"}));
  // Only running progress reaches the preview, one page less; it lets go when the report goes.
  EXPECT_EQ(Preview.Log, (std::vector<std::string>{"start 0/0", "progress 0/6", "uninit"}));
}

TEST(Report, TerminatingAlsoStopsTheScript) {
  TrepReport R(nullptr);
  R.SetTerminated(false);
  EXPECT_FALSE(R.Script()->Terminated);
  R.SetTerminated(true);
  EXPECT_TRUE(R.Terminated());
  EXPECT_TRUE(R.Script()->Terminated);
  R.SetTerminated(false);
  EXPECT_FALSE(R.Terminated());
}

// ---- Options ----

TEST(ReportOptions, EngineOptionsCopyTheRunSettingsApart) {
  TrepEngineOptions O;
  EXPECT_TRUE(O.DestroyForms);
  EXPECT_TRUE(O.UseGlobalDataSetList);
  EXPECT_TRUE(O.ConvertNulls);
  EXPECT_TRUE(O.PrintIfEmpty);
  EXPECT_EQ(O.MaxMemSize, 10);
  EXPECT_FALSE(O.GetSilentMode());

  O.SetSilentMode(true);
  EXPECT_EQ(O.SilentMode, simSilent);
  O.SilentMode = simReThrow;
  EXPECT_FALSE(O.GetSilentMode());
  O.SetSilentMode(false);
  EXPECT_EQ(O.SilentMode, simMessageBoxes);

  TrepEngineOptions S;
  S.SilentMode = simSilent;
  S.DoublePass = true;
  S.MaxMemSize = 3;
  S.TempDir = "/tmp/x";
  S.IgnoreExprError = true;
  S.EnableThreadSafe = true;
  S.DestroyForms = false;
  S.UseGlobalDataSetList = false;
  S.UseFileCache = true;

  TrepEngineOptions A;
  A.Assign(S);
  EXPECT_EQ(A.SilentMode, simSilent);
  EXPECT_TRUE(A.DoublePass);
  EXPECT_EQ(A.MaxMemSize, 3);
  EXPECT_EQ(A.TempDir, "/tmp/x");
  EXPECT_TRUE(A.IgnoreExprError);
  EXPECT_TRUE(A.UseFileCache);
  EXPECT_FALSE(A.EnableThreadSafe) << "Assign keeps the target's run switches";
  EXPECT_TRUE(A.DestroyForms);
  EXPECT_TRUE(A.UseGlobalDataSetList);

  TrepEngineOptions B;
  B.AssignThreadProps(S);
  EXPECT_EQ(B.SilentMode, simSilent);
  EXPECT_TRUE(B.EnableThreadSafe);
  EXPECT_FALSE(B.DestroyForms);
  EXPECT_FALSE(B.UseGlobalDataSetList);
  EXPECT_TRUE(B.UseFileCache);
  EXPECT_FALSE(B.DoublePass) << "only the run switches";

  // Copying from another kind of object changes nothing.
  TrepPrintOptions P;
  B.Assign(P);
  B.AssignThreadProps(P);
  EXPECT_TRUE(B.EnableThreadSafe);

  B.Clear();
  EXPECT_TRUE(B.EnableThreadSafe);
  EXPECT_EQ(B.SilentMode, simSilent);
}

TEST(ReportOptions, PreviewPrintAndReportOptionsClearAndCopy) {
  TrepPreviewOptions V;
  V.OutlineVisible = true;
  V.OutlineWidth = 10;
  V.Zoom = 2;
  V.RTLPreview = true;
  V.Buttons.Exclude(pbPrint);
  TrepPreviewOptions V2;
  V2.Assign(V);
  EXPECT_TRUE(V2.RTLPreview);
  EXPECT_EQ(V2.Zoom, 2);
  EXPECT_FALSE(V2.Buttons.Contains(pbPrint));
  V.Clear();
  EXPECT_FALSE(V.OutlineVisible);
  EXPECT_EQ(V.OutlineWidth, 120);
  EXPECT_EQ(V.Zoom, 2) << "Clear leaves the zoom";
  EXPECT_TRUE(TrepPreviewOptions().Buttons.Contains(pbSelection));
  EXPECT_FALSE(TrepPreviewOptions().Buttons.Contains(pbNoClose));

  TrepPrintOptions P;
  EXPECT_EQ(P.Printer, ResourceTable().Get("prDefault"));
  EXPECT_EQ(P.SplicingLine, 3);
  P.Copies = 2;
  P.Duplex = dmVertical;
  P.PagesOnSheet = 4;
  P.SplicingLine = 5;
  TrepPrintOptions P2;
  P2.Assign(P);
  EXPECT_EQ(P2.Copies, 2);
  EXPECT_EQ(P2.SplicingLine, 5);
  EXPECT_EQ(P2.Duplex, dmNone);
  EXPECT_EQ(P2.PagesOnSheet, 0);

  TrepReportOptions R;
  EXPECT_GT(R.CreateDate, 40000);  // a day number of this century
  R.Author = "me";
  R.Description.Add("about");
  R.Password = "pw";
  R.Info = true;
  R.Clear();
  EXPECT_EQ(R.Author, "me") << "kept while Info is set";
  EXPECT_EQ(R.Password, "");
  R.Info = false;
  R.Clear();
  EXPECT_EQ(R.Author, "");
  EXPECT_EQ(R.Description.Count(), 0);
}

TEST(Report, SelectingAPrinterByNameKeepsTheCurrentOneForUnknownNames) {
  TrepReport R(nullptr);
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  TrepPrinters& Printers = GetPrinters();
  ASSERT_GT(Printers.Count(), 0);
  const int Before = Printers.PrinterIndex();
  R.PrintOptions.Printer = "No such printer";
  R.SelectPrinter();
  EXPECT_EQ(Printers.PrinterIndex(), Before);
  R.PrintOptions.Printer = rt::UpperCase(Printers.Printers()[Printers.Count() - 1]);
  R.SelectPrinter();
  EXPECT_EQ(Printers.PrinterIndex(), Printers.Count() - 1);
}
