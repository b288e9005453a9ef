// The report's interactive entry points against a recording preview, preview window and
// designer: ShowReport and its deferred preparation, attaching and detaching a preview, the
// preview window's life, the designer operations, the mouse bridges to script handlers, the
// prepared pages' mouse handling (enter and leave order, hyperlinks, selection, objects changed
// by handlers, pages freed under a handler), the print dialog's logic, the inherit-conflict
// question, and an inherited report's script reaching its parent's routines.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repEngine.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repInPlaceEditors.h"
#include "report/engine/repPreview.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repPrintPages.h"
#include "report/engine/repPrinter.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/engine/A4Page.h"

namespace {

void Start() {
  enginesetup::StartEngine();
  enginesetup::AddScriptModules();
}

using TLog = std::vector<std::string>;

// A preview control that logs what the report and the prepared pages ask of it.
struct TRecPreview : TrepCustomPreview {
  explicit TRecPreview(TLog* L) : Log(L) {}
  TLog* Log;
  std::vector<std::unique_ptr<TrepReport>> TabReports;
  std::vector<std::unique_ptr<TrepCustomPreviewPages>> TabPages;
  void Add(const std::string& S) { Log->push_back(S); }
  bool Init(TrepReport*, TrepCustomPreviewPages*) override {
    Add("init");
    return true;
  }
  void UnInit(TrepCustomPreviewPages*) override { Add("uninit"); }
  void Lock() override { Add("lock"); }
  void Unlock() override { Add("unlock"); }
  void RefreshReport() override { Add("refresh"); }
  void InternalOnProgressStart(TrepReport*, TrepProgressType, int) override {}
  void InternalOnProgress(TrepReport*, TrepProgressType, int) override {}
  void InternalOnProgressStop(TrepReport*, TrepProgressType, int) override {}
  void ShowMessageText(const std::string& Text, bool IsHint) override {
    Add(std::string(IsHint ? "hint-line " : "message ") + Text);
  }
  void ShowHintAt(const std::string& Hint, int, int) override { Add("hint " + Hint); }
  void ShowPage(int PageNo, int Top) override { Add("page " + std::to_string(PageNo) + "/" + std::to_string(Top)); }
  void AddTab(TrepReport* R, std::unique_ptr<TrepReport> OwnedReport, std::unique_ptr<TrepCustomPreviewPages> Pages,
              const std::string& Name, const std::string& PageName, const std::string& Caption) override {
    Add("tab " + Name + " " + PageName + " " + Caption + " pages " +
        std::to_string(Pages ? Pages->Count() : R->PreviewPages()->Count()));
    if (OwnedReport) TabReports.push_back(std::move(OwnedReport));
    if (Pages) TabPages.push_back(std::move(Pages));
  }
  void InvalidatePages() override { Add("invalidate"); }
  void OpenURL(const std::string& URL) override { Add("open " + URL); }
};

// A report of one page whose header holds two memos, A at (0, 0) and B at (200, 0), both 100 by
// 20, on A4 with 10 mm margins.
struct PreviewEntry : ::testing::Test {
  struct TStarted {
    TStarted() { Start(); }
  } Started;
  TLog Log;
  TRecPreview Preview{&Log};
  TrepReport R{nullptr};
  TrepReportPage* Page = nullptr;
  TrepMemoView* A = nullptr;
  TrepMemoView* B = nullptr;
  int Preparations = 0;

  PreviewEntry() {
    R.EngineOptions.SilentMode = simSilent;
    R.EngineOptions.DestroyForms = false;
    Page = a4page::New(R, "Page1");
    auto* Header = new TrepPageHeader(Page);
    Header->SetName("PageHeader1");
    Header->SetBounds(0, 0, 700, 50);
    A = Memo(Header, "MemoA", 0);
    B = Memo(Header, "MemoB", 200);
    R.OnBeginDoc = [this](rt::TObject*) { ++Preparations; };
  }
  void TearDown() override {
    PreviewWindowClass() = nullptr;
    DesignerClass() = nullptr;
    SetPrintDialogHandler(nullptr);
    SetInheritErrorHandler(nullptr);
  }
  static TrepMemoView* Memo(TrepComponent* Parent, const char* Name, double Left) {
    auto* M = new TrepMemoView(Parent);
    M->SetName(Name);
    M->SetBounds(Left, 0, 100, 20);
    M->SetText(u"text");
    return M;
  }
  TrepPreviewPages& Pages() { return *static_cast<TrepPreviewPages*>(R.PreviewPages()); }
  // A mouse event at page pixel (X, Y) of the first page, zoom 1.
  TrepPreviewIntEventParams Over(double X, double Y, TrepMouseIntEvents Event, rt::TShiftState Shift = 0) {
    TrepPreviewIntEventParams P;
    P.MouseEventType = Event;
    const double M = 10 * fr01cm;
    Pages().ObjectOver(0, static_cast<int>(X + M + 0.5), static_cast<int>(Y + M + 0.5), rt::mbLeft, Shift, 1, 0, 0, P);
    return P;
  }
  TrepView* Prepared(const char* Name) {
    for (TrepComponent* C : Pages().GetPage(0)->AllObjects())
      if (C->Name() == Name) return dynamic_cast<TrepView*>(C);
    return nullptr;
  }
};

// ---- ShowReport and the preparation timer ----

TEST_F(PreviewEntry, ShowReportPreparesNowOrThroughTheTimer) {
  R.SetPreview(&Preview);
  Log.clear();
  // While the engine runs nothing happens at all.
  R.Engine()->Running = true;
  R.ShowReport();
  R.Engine()->Running = false;
  EXPECT_TRUE(Log.empty());
  EXPECT_FALSE(R.PreparationTimerEnabled());

  // New style: the preview opens empty; the timer prepares once.
  R.ShowReport();
  EXPECT_EQ(Log, TLog{"init"});
  EXPECT_EQ(Pages().Count(), 0);
  EXPECT_TRUE(R.PreparationTimerEnabled());
  // Not while the script runs a program.
  R.Script()->IsRunning = true;
  R.PreparationTimerTick();
  R.Script()->IsRunning = false;
  EXPECT_EQ(Preparations, 0);
  R.PreparationTimerTick();
  R.PreparationTimerTick();
  EXPECT_EQ(Preparations, 1);
  EXPECT_EQ(Pages().Count(), 1);
  EXPECT_FALSE(R.PreparationTimerEnabled());

  // Old style: prepared at once, then shown.
  R.OldStyleProgress = true;
  Log.clear();
  R.ShowReport();
  EXPECT_EQ(Preparations, 2);
  EXPECT_EQ(Log, (TLog{"init", "init"})) << "once by the preparation, once by the showing";
  EXPECT_FALSE(R.PreparationTimerEnabled());
  R.Script()->IsRunning = true;
  try {
    R.ShowReport();
    ADD_FAILURE() << "no exception";
  } catch (const rt::Exception& E) {
    EXPECT_EQ(E.Message(), "Rebuild itself from the script is not allowed!");
  }
  R.Script()->IsRunning = false;
}

TEST_F(PreviewEntry, AssigningAndDetachingAPreview) {
  R.SetPreview(&Preview);
  EXPECT_EQ(Log, TLog{"init"});
  EXPECT_EQ(Preview.Report, &R);
  EXPECT_EQ(Preview.PreviewPages, R.PreviewPages());
  R.SetPreview(nullptr);
  EXPECT_EQ(R.Preview(), nullptr);
  EXPECT_EQ(Preview.Report, nullptr);
  EXPECT_EQ(Preview.PreviewPages, nullptr);
  // A detached preview hears nothing more of the report.
  R.PrepareReport();
  R.SetProgressMessage("x");
  EXPECT_EQ(Log, TLog{"init"});
}

// A preview window of the host: it logs its life and holds a recording control.
struct TRecWindow : TrepPreviewWindow {
  TRecWindow(TLog* L) : Log(L), Control(L) {}
  ~TRecWindow() override { Log->push_back("window freed"); }
  TLog* Log;
  TRecPreview Control;
  TrepCustomPreview* PreviewControl() override { return &Control; }
  void Init() override { Log->push_back("window init"); }
  void ShowModal() override { Log->push_back(std::string("modal") + (PositionDesigned ? " designed" : "")); }
  void Show(bool OwnButton) override { Log->push_back(std::string("show") + (OwnButton ? " own button" : "")); }
  void Close() override { Log->push_back("close"); }
};

TEST_F(PreviewEntry, PreviewWindowsAreMadeShownAndFreed) {
  // No window class on the server: nothing is shown.
  R.ShowPreparedReport();
  EXPECT_EQ(R.PreviewForm(), nullptr);
  EXPECT_EQ(R.Preview(), nullptr);

  PreviewWindowClass() = [this](TrepReport&, rt::TObject*) { return std::make_unique<TRecWindow>(&Log); };
  int Previews = 0;
  R.OnPreview = [&](rt::TObject*) { ++Previews; };
  R.ShowPreparedReport();
  EXPECT_EQ(Log, (TLog{"window init", "modal designed", "window freed"}));
  EXPECT_EQ(Previews, 1);
  EXPECT_EQ(R.PreviewForm(), nullptr);
  EXPECT_EQ(R.Preview(), nullptr) << "the control went with its window";

  struct Case {
    bool MDIChild;
    const char* Shown;
  } Cases[] = {{false, "show own button"}, {true, "show"}};
  for (const Case& C : Cases) {
    auto Report = std::make_unique<TrepReport>(nullptr);
    Report->PreviewOptions.Modal = false;
    Report->PreviewOptions.Maximized = false;
    Report->PreviewOptions.MDIChild = C.MDIChild;
    Log.clear();
    Report->ShowPreparedReport();
    EXPECT_EQ(Log, (TLog{"window init", C.Shown}));
    ASSERT_NE(Report->PreviewForm(), nullptr);
    EXPECT_EQ(Report->Preview(), Report->PreviewForm()->PreviewControl());
    // A preparation that produced no pages closes the window.
    TrepReport* Rep = Report.get();
    Report->OnBeginDoc = [Rep](rt::TObject*) { Rep->SetTerminated(true); };
    Log.clear();
    EXPECT_FALSE(Report->PrepareReport());
    EXPECT_EQ(Log, (TLog{"init", "close", "window freed"})) << C.Shown;
    EXPECT_EQ(Report->PreviewForm(), nullptr);
    // A window still open when the report goes is closed with it.
    Report->ShowPreparedReport();
    Log.clear();
    Report.reset();
    EXPECT_EQ(Log, (TLog{"close", "window freed"}));
  }
}

// ---- The designer ----

struct TRecDesigner : TrepCustomDesigner {
  TRecDesigner(TrepReport* R, bool Preview, TLog* L, bool ChangesPage)
      : TrepCustomDesigner(nullptr, R, Preview), Log(L), Changes(ChangesPage) {}
  ~TRecDesigner() override { Log->push_back("designer freed"); }
  TLog* Log;
  bool Changes;
  void ShowModal() override {
    Log->push_back(std::string("modal") + (IsPreviewDesigner() ? " page" : ""));
    if (Changes) SetModified(true);
  }
  void Show(bool OwnButton) override { Log->push_back(std::string("show") + (OwnButton ? " own button" : "")); }
  void SetMDIChild() override { Log->push_back("mdi"); }
  void PostMessage(unsigned Msg, std::intptr_t, std::intptr_t) override { Log->push_back("post " + std::to_string(Msg)); }
  void Activate() override { Log->push_back("activate"); }
  void LoadPreferencesAndShow() override { Log->push_back("prefs"); }
  void MoveControlsInto(rt::TObject*) override { Log->push_back("move"); }
  rt::TObject* OutermostForm(rt::TObject* Panel) override { return Panel; }
};

TEST_F(PreviewEntry, DesignOperationsNeedARegisteredDesigner) {
  R.Modified = true;
  R.DesignReport();
  R.DesignReportInPanel(nullptr);
  EXPECT_FALSE(R.DesignPreviewPage());
  EXPECT_TRUE(R.Modified) << "nothing ran without a designer class";

  bool Changes = false;
  DesignerClass() = [&](rt::TObject*, TrepReport* Rep, bool PreviewDesigner) {
    return std::make_unique<TRecDesigner>(Rep, PreviewDesigner, &Log, Changes);
  };
  R.DesignReport(true, true);
  EXPECT_EQ(Log, (TLog{"mdi", "post 1025", "modal", "designer freed"}));
  EXPECT_FALSE(R.Modified);
  EXPECT_EQ(R.Designer(), nullptr);

  // A page designer answers whether it changed the page; changing it marks the report.
  for (bool C : {false, true}) {
    Changes = C;
    R.Modified = false;
    EXPECT_EQ(R.DesignPreviewPage(), C);
    EXPECT_EQ(R.Modified, C);
  }

  // Modeless: the designer stays until the host says it closed; while open, the editor's
  // request only activates it and other design calls do nothing.
  Log.clear();
  Changes = false;
  R.DesignReport(false);
  ASSERT_NE(R.Designer(), nullptr);
  R.DesignReport(&R, "TrepReportEditor");
  R.DesignReport();
  EXPECT_FALSE(R.DesignPreviewPage());
  EXPECT_EQ(Log, (TLog{"post 1025", "show own button", "activate"}));
  R.DesignerClosed();
  EXPECT_EQ(R.Designer(), nullptr);

  Log.clear();
  R.DesignReport(&R, "TSomeOtherEditor");
  R.DesignReport(nullptr, "TrepReportEditor");
  EXPECT_TRUE(Log.empty());
  R.DesignReport(&R, "TrepReportEditor");
  EXPECT_EQ(Log, (TLog{"modal", "designer freed"}));

  Log.clear();
  rt::TObject Panel;
  R.DesignReportInPanel(&Panel);
  EXPECT_EQ(Log, (TLog{"post 1025", "prefs", "move"}));
  ASSERT_NE(R.Designer(), nullptr);
  EXPECT_EQ(R.Designer()->ParentForm, &Panel);
}

// ---- Mouse bridges to script handlers ----

TEST_F(PreviewEntry, ScriptHandlersAnswerThroughTheirParameters) {
  R.ScriptText().SetText(
      "procedure Clicked(Sender: Variant; Button: Integer; Shift: Integer; var Modified: Boolean);\r\n"
      "begin Modified := Shift = 1; end;\r\n"
      "procedure Entered(Sender: Variant; var Refresh: Boolean);\r\n"
      "begin Refresh := True; end;\r\n"
      "procedure Upped(Sender: Variant; X, Y, Button, Shift: Integer; Modified: Boolean);\r\n"
      "begin Set('UpX', X); end;\r\n"
      "begin end.");
  A->OnPreviewClick = "Clicked";
  A->OnPreviewDblClick = "Clicked";
  A->OnMouseEnter = "Entered";
  A->OnMouseUp = "Upped";
  ASSERT_TRUE(R.PrepareScript()) << R.Errors().Text();

  TLog Events;
  R.OnClickObject = [&](TrepView* V, rt::TMouseButton, rt::TShiftState, bool& M) {
    Events.push_back("click " + V->Name() + (M ? " modified" : ""));
  };
  R.OnDblClickObject = [&](TrepView* V, rt::TMouseButton, rt::TShiftState, bool& M) {
    Events.push_back("dblclick " + V->Name() + (M ? " modified" : ""));
  };
  TrepInteractiveEventsParams EP;
  for (rt::TShiftState Shift : {0, 1}) {
    bool Modified = false;
    R.DoPreviewClick(A, rt::mbLeft, Shift, Modified, EP);
    EXPECT_EQ(Modified, Shift == 1);
  }
  bool Modified = false;
  R.DoPreviewClick(A, rt::mbLeft, 1, Modified, EP, true);
  EXPECT_EQ(Events, (TLog{"click MemoA", "click MemoA modified", "dblclick MemoA modified"}));

  EP.Refresh = false;
  R.DoMouseEnter(A, nullptr, EP);
  EXPECT_TRUE(EP.Refresh);
  EXPECT_TRUE(A->MouseInView);
  // A view without handlers still gets its own handling and the report's event.
  EP.Refresh = false;
  TrepView* Left = nullptr;
  R.OnMouseLeave = [&](TrepView* V) { Left = V; };
  R.DoMouseLeave(B, 0, 0, nullptr, EP);
  EXPECT_FALSE(EP.Refresh);
  EXPECT_EQ(Left, B);

  R.DoMouseUp(A, 17, 5, rt::mbLeft, 0, EP);
  EXPECT_EQ(R.Variables().Variables("UpX").ToInteger(), 17);
}

// ---- The prepared pages under the mouse ----

TEST_F(PreviewEntry, MovingBetweenObjectsLeavesBeforeEntering) {
  ASSERT_TRUE(R.PrepareReport()) << R.Errors().Text();
  R.SetPreview(&Preview);
  TLog Events;
  R.OnMouseEnter = [&](TrepView* V) { Events.push_back("enter " + V->Name()); };
  R.OnMouseLeave = [&](TrepView* V) { Events.push_back("leave " + V->Name()); };
  R.OnMouseOverObject = [&](TrepView* V) { Events.push_back("over " + V->Name()); };
  Over(10, 10, meMouseMove);
  Over(12, 10, meMouseMove);
  Over(210, 10, meMouseMove);
  Over(150, 10, meMouseMove);  // the band between them: no object
  EXPECT_EQ(Events, (TLog{"enter MemoA", "over MemoA", "over MemoA", "leave MemoA", "enter MemoB", "over MemoB",
                          "leave MemoB"}));
  EXPECT_EQ(Pages().LastObjectOver(), nullptr);

  // Out of range, while the engine runs, or at no zoom: nothing.
  Events.clear();
  for (int Index : {-1, 1}) {
    TrepPreviewIntEventParams P;
    Pages().ObjectOver(Index, 48, 48, rt::mbLeft, 0, 1, 0, 0, P);
  }
  TrepPreviewIntEventParams P;
  Pages().ObjectOver(0, 48, 48, rt::mbLeft, 0, 0, 0, 0, P);
  R.Engine()->Running = true;
  Over(10, 10, meMouseMove);
  R.Engine()->Running = false;
  EXPECT_TRUE(Events.empty());
}

TEST_F(PreviewEntry, HyperlinksByKind) {
  struct Case {
    TrepHyperlinkKind Kind;
    const char* Value;
    TLog Expected;  // what the preview is asked for after the move
  } Cases[] = {
      {hkURL, "", {}},
      {hkURL, "https://example.org/", {"open https://example.org/"}},
      {hkPageNumber, "3", {"page 3/0"}},
      {hkPageNumber, "three", {}},
      {hkAnchor, "nowhere", {}},
      {hkAnchor, "here", {"page 1/0"}},
      {hkCustom, "x", {}},
  };
  ASSERT_TRUE(R.PrepareReport()) << R.Errors().Text();
  Pages().CurPage = 0;
  R.Engine()->CurY = 0;
  Pages().AddAnchor("here");
  R.SetPreview(&Preview);
  for (const Case& C : Cases) {
    TrepView* V = Prepared("MemoA");
    ASSERT_NE(V, nullptr);
    V->Hyperlink().Kind = C.Kind;
    V->Hyperlink().Value = C.Value;
    int Clicks = 0;
    R.OnClickObject = [&](TrepView*, rt::TMouseButton, rt::TShiftState, bool&) { ++Clicks; };
    const TrepPreviewIntEventParams Moved = Over(10, 10, meMouseMove);
    EXPECT_EQ(Moved.Cursor, *C.Value ? crHandPoint : crDefault) << C.Value;
    Log.clear();
    Over(10, 10, meClick);
    EXPECT_EQ(Clicks, 1) << C.Value;
    TLog Asked;
    for (const std::string& S : Log)
      if (S.rfind("message", 0) != 0) Asked.push_back(S);
    EXPECT_EQ(Asked, C.Expected) << C.Value;
    Over(150, 10, meMouseMove);
  }
}

TEST_F(PreviewEntry, DrillDownHeadersToggleAndHintsShow) {
  auto* GH = new TrepGroupHeader(Page);
  GH->SetName("GroupHeader1");
  GH->SetBounds(0, 60, 700, 20);
  GH->Condition = "1";
  GH->DrillDown = true;
  Memo(GH, "GroupMemo", 0);
  auto* Data = new TrepMasterData(Page);
  Data->SetName("MasterData1");
  Data->SetBounds(0, 100, 700, 20);
  Data->SetRowCount(1);
  B->Hint = "short|long";
  B->ShowHint = true;
  ASSERT_TRUE(R.PrepareReport()) << R.Errors().Text();
  R.SetPreview(&Preview);
  Preview.UseReportHints = true;
  TrepView* G = Prepared("GroupMemo");
  ASSERT_NE(G, nullptr);
  const double Y = G->AbsTop() + 5;
  // The engine names each drill-down header by its place among the groups.
  auto* Header = dynamic_cast<TrepGroupHeader*>(G->Parent());
  ASSERT_NE(Header, nullptr);
  const std::string DrillName = Header->DrillName;
  ASSERT_FALSE(DrillName.empty());
  // The engine names a drill-down header by its name and group row.
  EXPECT_EQ(DrillName, "GroupHeader1.1");

  for (bool Expanded : {true, false}) {
    EXPECT_EQ(Over(10, Y, meMouseMove).Cursor, crHandPoint);
    Log.clear();
    Over(10, Y, meClick);
    EXPECT_EQ(R.DrillState().IndexOf(DrillName) >= 0, Expanded);
    EXPECT_NE(std::find(Log.begin(), Log.end(), "refresh"), Log.end());
    EXPECT_EQ(Pages().LastObjectOver(), nullptr);
  }

  Log.clear();
  Over(210, 10, meMouseMove);
  EXPECT_EQ(Log, (TLog{"hint-line long", "hint short"}));
  Log.clear();
  Over(150, 10, meMouseMove);
  EXPECT_EQ(Log, (TLog{"hint ", "message ", "hint-line "}));
  // Without report hints the preview shows none.
  Preview.UseReportHints = false;
  Log.clear();
  Over(210, 10, meMouseMove);
  EXPECT_TRUE(Log.empty());
}

TEST_F(PreviewEntry, DetailPageOpensInATabOfItsOwn) {
  auto* Detail = new TrepReportPage(&R);
  Detail->SetName("DetailPage");
  Detail->SetSizeAndDimensions(9, 210, 297);
  ASSERT_TRUE(R.PrepareReport()) << R.Errors().Text();
  TrepCustomPreviewPages* Main = R.PreviewPages();
  const int MainCount = Main->Count();
  R.SetPreview(&Preview);
  TrepView* V = Prepared("MemoA");
  V->Hyperlink().Kind = hkDetailPage;
  V->Hyperlink().Value = "details";
  V->Hyperlink().DetailPage = "DetailPage";
  V->Hyperlink().TabCaption = "More";
  Over(10, 10, meMouseMove);
  Log.clear();
  Over(10, 10, meClick);
  ASSERT_EQ(Preview.TabPages.size(), 1u);
  EXPECT_EQ(Preview.TabPages[0]->Count(), 1);
  // The report keeps its own pages and preview.
  EXPECT_EQ(R.PreviewPages(), Main);
  EXPECT_EQ(Main->Count(), MainCount);
  EXPECT_EQ(R.Preview(), &Preview);
  EXPECT_NE(std::find(Log.begin(), Log.end(), "tab details DetailPage More pages 1"), Log.end());
  // The tab's pages belong to the report: they go before it.
  Preview.TabPages.clear();
}

TEST_F(PreviewEntry, ShiftClicksSelectAndPlainDownsClear) {
  ASSERT_TRUE(R.PrepareReport()) << R.Errors().Text();
  R.SetPreview(&Preview);
  TrepSelectedObjectsList& Sel = Preview.SelectionList();
  Over(10, 10, meMouseMove);
  Over(10, 10, meMouseDown, rt::ssShift);
  ASSERT_EQ(Sel.Count(), 1);
  EXPECT_EQ(Sel.Items(0), Prepared("MemoA"));
  Over(210, 10, meMouseMove);
  Over(210, 10, meMouseDown, rt::ssShift);
  EXPECT_EQ(Sel.Count(), 2);
  Over(210, 10, meMouseDown, rt::ssShift);
  EXPECT_EQ(Sel.Count(), 1);
  Log.clear();
  Over(210, 10, meMouseDown);
  EXPECT_EQ(Sel.Count(), 0);
  EXPECT_EQ(Log, TLog{"invalidate"});
  // Without the selection button nothing is selected.
  R.PreviewOptions.Buttons.Exclude(pbSelection);
  Over(210, 10, meMouseDown, rt::ssShift);
  EXPECT_EQ(Sel.Count(), 0);
}

TEST_F(PreviewEntry, ObjectsChangedByAClickAreWrittenBack) {
  R.ScriptText().SetText(
      "procedure Changed(Sender: Variant; List: Variant; var SelChanged: Boolean);\r\n"
      "begin Set('Seen', 1); end;\r\n"
      "begin end.");
  A->OnContentChanged = "Changed";
  ASSERT_TRUE(R.PrepareReport()) << R.Errors().Text();
  R.SetPreview(&Preview);
  R.OnClickObject = [](TrepView* V, rt::TMouseButton, rt::TShiftState, bool& Modified) {
    static_cast<TrepMemoView*>(V)->SetText(u"edited");
    Modified = true;
  };
  TrepView* V = Prepared("MemoA");
  ASSERT_NE(V->SerializedItem, nullptr);
  const std::u16string Before = V->SerializedItem->Text();
  Over(10, 10, meMouseMove);
  Log.clear();
  const TrepPreviewIntEventParams P = Over(10, 10, meClick);
  EXPECT_NE(V->SerializedItem->Text(), Before);
  EXPECT_NE(V->SerializedItem->Text().find(u"edited"), std::u16string::npos);
  EXPECT_TRUE(P.RetResult);
  EXPECT_EQ(R.Variables().Variables("Seen").ToInteger(), 1);
  EXPECT_EQ(Log, TLog{"invalidate"});
}

TEST_F(PreviewEntry, AHandlerThatPreparesAgainFreesNothingInUse) {
  ASSERT_TRUE(R.PrepareReport()) << R.Errors().Text();
  R.SetPreview(&Preview);
  R.OnClickObject = [this](TrepView*, rt::TMouseButton, rt::TShiftState, bool& Modified) {
    R.PrepareReport();
    Modified = true;
  };
  Prepared("MemoA")->Hyperlink().Value = "https://example.org/";
  Over(10, 10, meMouseMove);
  Over(10, 10, meClick);
  // The clicked object went with its page: no hyperlink followed, no write-back.
  EXPECT_EQ(std::find(Log.begin(), Log.end(), "open https://example.org/"), Log.end());
  Over(210, 10, meMouseMove);
  EXPECT_EQ(Pages().LastObjectOver(), Prepared("MemoB"));
}

// ---- Printing through the report ----

// Printers of our own making: "Wide" has A3 and A4, "Small" Letter only.
struct TFakeDevice : TrepPrinterDevice {
  std::vector<TrepDeviceEntry> Papers;
  int Duplex = 1;
  bool GetDeviceMode(TrepDeviceMode& M) override {
    M = TrepDeviceMode{Papers.front().Number, poPortrait, 0, 0, 7, Duplex, 1};
    return true;
  }
  bool CreateContext(const TrepDeviceMode&, bool) override { return true; }
  bool GetDeviceCaps(TrepDeviceCaps& C) override {
    C = TrepDeviceCaps{96, 96, 794, 1123, 0, 0, 794, 1123};
    return true;
  }
  std::vector<TrepDeviceEntry> GetPapers() override { return Papers; }
  std::vector<TrepDeviceEntry> GetBins() override { return {{7, "Automatic"}}; }
  bool StartDoc(const std::string&, const std::string&) override { return true; }
  bool StartPage() override { return true; }
  bool EndPage() override { return true; }
  bool EndDoc() override { return true; }
  bool AbortDoc() override { return true; }
  bool StartRawDoc(const std::string&) override { return true; }
  bool WriteRaw(const std::string&) override { return true; }
  bool EndRawDoc() override { return true; }
  bool PropertiesDialog(TrepDeviceMode& M) override {
    M.Duplex = 3;
    Duplex = 3;
    return true;
  }
};

struct TFakeSpooler : TrepPrintSpooler {
  std::vector<TPrinterEntry> EnumPrinters() override { return {{"Small", "USB1"}, {"Wide", "LPT1"}}; }
  std::string DefaultPrinter() override { return "Small"; }
  std::unique_ptr<TrepPrinterDevice> OpenPrinter(const std::string& Name) override {
    auto D = std::make_unique<TFakeDevice>();
    if (Name == "Wide")
      D->Papers = {{8, "A3"}, {9, "A4"}, {256, "User size"}};
    else
      D->Papers = {{1, "Letter"}, {256, "User size"}};
    return D;
  }
};

struct PrintDialogTest : PreviewEntry {
  TFakeSpooler Spooler;
  TrepPrinters Printers{Spooler};
  int IndexOf(const char* Name) { return Printers.IndexOf(Name); }
};

TEST_F(PrintDialogTest, ShowingReadsTheOptionsAndCancellingChangesNothing) {
  R.PrintOptions.Copies = 3;
  R.PrintOptions.Collate = false;
  R.PrintOptions.PageNumbers = "2-3";
  R.PrintOptions.PrintPages = ppEven;
  R.PrintOptions.Reverse = true;
  R.PrintOptions.PrintMode = pmScale;
  R.PrintOptions.PrintOnSheet = 8;
  Printers.SetPrinterIndex(IndexOf("Wide"));
  TrepPrintDialog D(&R, Printers);
  D.Show(dmHorizontal);
  EXPECT_EQ(D.Where, "LPT1");
  EXPECT_EQ(D.CopiesText, "3");
  EXPECT_FALSE(D.Collate);
  EXPECT_EQ(D.PageRange, TrepPrintDialog::prPageNumbers);
  EXPECT_EQ(D.PageNumbersText, "2-3");
  EXPECT_EQ(D.PrintPagesIndex, 2);
  EXPECT_TRUE(D.ReverseOrder);
  EXPECT_EQ(D.DuplexIndex, 2);
  EXPECT_TRUE(D.SheetsEnabled);
  EXPECT_EQ(D.Sheets, (std::vector<std::string>{"Default", "A3", "A4"}));
  EXPECT_EQ(D.SheetIndex, 1);

  // The user picks another printer and changes everything, then cancels.
  D.PrinterChanged(IndexOf("Small"));
  EXPECT_EQ(Printers.Printer()->Name(), "Small");
  D.CopiesText = "9";
  D.PageRange = TrepPrintDialog::prAll;
  EXPECT_EQ(D.Close(mrCancel), mrCancel);
  EXPECT_EQ(Printers.Printer()->Name(), "Wide");
  EXPECT_EQ(R.PrintOptions.Copies, 3);
  EXPECT_EQ(R.PrintOptions.PageNumbers, "2-3");
}

TEST_F(PrintDialogTest, SheetsFollowThePrinterAndTheMode) {
  Printers.SetPrinterIndex(IndexOf("Wide"));
  TrepPrintDialog D(&R, Printers);
  D.Show(dmNone);
  EXPECT_FALSE(D.SheetsEnabled);
  EXPECT_EQ(D.SheetIndex, 0);
  // Another mode preselects A4.
  D.PrintModeChanged(pmSplit);
  EXPECT_TRUE(D.SheetsEnabled);
  EXPECT_EQ(D.Sheets[static_cast<std::size_t>(D.SheetIndex)], "A4");
  // A printer without A4 falls back to Default; coming back does not bring it again.
  D.PrinterChanged(IndexOf("Small"));
  EXPECT_EQ(D.Sheets, (std::vector<std::string>{"Default", "Letter"}));
  EXPECT_EQ(D.SheetIndex, 0);
  D.SheetIndex = 0;
  D.PrinterChanged(IndexOf("Wide"));
  EXPECT_EQ(D.SheetIndex, 0);
  D.SheetIndex = 1;  // A3
  D.PrinterChanged(IndexOf("Wide"));
  EXPECT_EQ(D.Sheets[static_cast<std::size_t>(D.SheetIndex)], "A3");
  // The driver's dialog sets horizontal duplex.
  D.PropertiesClicked();
  EXPECT_EQ(D.ADuplexMode, dmHorizontal);
  EXPECT_EQ(D.DuplexIndex, 2);
}

TEST_F(PrintDialogTest, ClosingWithOkWritesTheOptions) {
  struct Case {
    const char* Copies;
    TrepPrintDialog::TPageRange Range;
    int ExpectedCopies;
    const char* ExpectedPages;
  } Cases[] = {
      {"", TrepPrintDialog::prAll, 1, ""},
      {"4", TrepPrintDialog::prCurrentPage, 4, "2"},
      {"99999999999999", TrepPrintDialog::prPageNumbers, TrepPrintDialog::MaxCopies, "1,3"},
  };
  R.PreviewPages()->CurPreviewPage = 2;
  for (const Case& C : Cases) {
    TrepPrintDialog D(&R, Printers);
    D.Show(dmNone);
    D.CopiesText = C.Copies;
    D.PageRange = C.Range;
    D.PageNumbersText = "1,3";
    D.PrintPagesIndex = 1;
    D.DuplexIndex = 1;
    D.PrintModeIndex = pmJoin;
    D.PrinterChanged(IndexOf("Wide"));
    D.SheetIndex = 1;
    ASSERT_EQ(D.Close(mrOk), mrOk);
    EXPECT_EQ(R.PrintOptions.Copies, C.ExpectedCopies) << C.Copies;
    EXPECT_EQ(R.PrintOptions.PageNumbers, C.ExpectedPages);
    EXPECT_EQ(R.PrintOptions.PrintPages, ppOdd);
    EXPECT_EQ(D.ADuplexMode, dmVertical);
    EXPECT_EQ(R.PrintOptions.PrintMode, pmJoin);
    EXPECT_EQ(R.PrintOptions.PrintOnSheet, 8);
    EXPECT_EQ(Printers.Printer()->Name(), "Wide");
  }
}

TEST_F(PrintDialogTest, PrintToFileAsksForAName) {
  TrepPrintDialog D(&R, Printers);
  D.Show(dmNone);
  D.PrintToFile = true;
  // Without a file dialog, or cancelled: the print is cancelled and the printer restored.
  D.PrinterChanged(IndexOf("Wide"));
  EXPECT_EQ(D.Close(mrOk), mrCancel);
  EXPECT_EQ(Printers.Printer()->Name(), "Small");
  TrepPrintDialog::SetFileDialogHandler([](TrepFileDialogRequest& Q) {
    EXPECT_TRUE(Q.Save);
    Q.ChosenFile = "/tmp/out.txt";
    return true;
  });
  EXPECT_EQ(D.Close(mrOk), mrOk);
  EXPECT_EQ(Printers.Printer()->FileName(), "/tmp/out.prn");
  TrepPrintDialog::SetFileDialogHandler(nullptr);
}

TEST_F(PrintDialogTest, ReportPrintShowsTheHostsDialog) {
  ASSERT_TRUE(R.PrepareReport()) << R.Errors().Text();
  int Printed = 0;
  R.OnPrintPage = [&](TrepReportPage*, int) { ++Printed; };
  // The report's Print goes through the process-wide printer list, which has no physical
  // printer here: nothing prints.
  EXPECT_FALSE(R.Print());
  // With this list: a cancelled dialog prints nothing; an accepted one prints with its choices,
  // which hold for that print only.
  int Asked = 0;
  TrepModalResult Answer = mrCancel;
  SetPrintDialogHandler([&](TrepPrintDialog& D) {
    ++Asked;
    D.CopiesText = "2";
    D.Collate = true;
    return Answer;
  });
  EXPECT_FALSE(PrintPreparedPages(*R.PreviewPages(), Printers));
  EXPECT_EQ(Printed, 0);
  Answer = mrOk;
  EXPECT_TRUE(PrintPreparedPages(*R.PreviewPages(), Printers));
  EXPECT_EQ(Printed, 2);
  EXPECT_EQ(R.PrintOptions.Copies, 1);
  R.PrintOptions.ShowDialog = false;
  EXPECT_TRUE(PrintPreparedPages(*R.PreviewPages(), Printers));
  EXPECT_EQ(Asked, 2);
  EXPECT_EQ(Printed, 3);
  // A preview of the pages holds its repainting while they print.
  R.SetPreview(&Preview);
  Log.clear();
  EXPECT_TRUE(PrintPreparedPages(*R.PreviewPages(), Printers));
  EXPECT_EQ(Log, (TLog{"lock", "invalidate", "unlock"}));
}

// ---- The inherit-conflict question ----

TEST(InheritQuestion, AnswersAndTexts) {
  Start();
  EXPECT_EQ(InheritAnswerOf(mrOk, true), iaDelete);
  EXPECT_EQ(InheritAnswerOf(mrOk, false), iaRename);
  EXPECT_EQ(InheritAnswerOf(mrCancel, true), iaCancel);
  const TrepInheritErrorTexts T = InheritErrorTexts();
  EXPECT_EQ(T.Caption, "Error");
  EXPECT_EQ(T.Message, "Base and inherited reports have duplicate objects. What should we do?");
  EXPECT_EQ(T.DeleteText, "Delete duplicates");
  EXPECT_EQ(T.RenameText, "Rename duplicates");
}

// A template with Memo1 and a report of our own with a clashing Memo1 and MyMemo, loaded
// through the template hook.
struct InheritAsk : ::testing::Test {
  struct TStarted {
    TStarted() { Start(); }
  } Started;
  std::string Template;
  InheritAsk() {
    TrepReport T(nullptr);
    auto* P = new TrepReportPage(&T);
    P->SetName("Page1");
    PreviewEntry::Memo(P, "Memo1", 0)->SetText(u"template");
    rt::TStringStream S;
    T.SaveToStream(S);
    Template = S.DataString();
  }
  void TearDown() override { SetInheritErrorHandler(nullptr); }
  void Mine(TrepReport& R) {
    R.EngineOptions.SilentMode = simSilent;
    R.OnLoadTemplate = [this](TrepReport* Into, const std::string&) {
      rt::TStringStream S(Template);
      Into->LoadFromStream(S);
    };
    auto* P = new TrepReportPage(&R);
    P->SetName("Page1");
    PreviewEntry::Memo(P, "Memo1", 0)->SetText(u"mine");
    PreviewEntry::Memo(P, "MyMemo", 200);
  }
  static int Count(TrepReport& R, const std::u16string& Text) {
    int N = 0;
    for (TrepComponent* C : R.AllObjects())
      if (auto* M = dynamic_cast<TrepMemoView*>(C); M != nullptr && M->Text().find(Text) != std::u16string::npos) ++N;
    return N;
  }
};

TEST_F(InheritAsk, TheHostDecidesClashesUnderTheDefaultMode) {
  struct Case {
    TrepInheritAnswer Answer;
    bool Result;
    int Mine;  // memos reading "mine" afterwards
  } Cases[] = {{iaCancel, false, 1}, {iaDelete, true, 0}, {iaRename, true, 1}};
  for (const Case& C : Cases) {
    int Asked = 0;
    SetInheritErrorHandler([&](const TrepInheritErrorTexts&) {
      ++Asked;
      return C.Answer;
    });
    TrepReport R(nullptr);
    Mine(R);
    EXPECT_EQ(R.InheritFromTemplate("templ.xml"), C.Result) << C.Answer;
    EXPECT_EQ(Asked, 1);
    EXPECT_EQ(Count(R, u"mine"), C.Mine) << C.Answer;
    EXPECT_EQ(Count(R, u"template"), C.Result ? 1 : 0) << C.Answer;
    EXPECT_EQ(R.ParentReport().empty(), !C.Result);
  }
  // An explicit mode asks nobody.
  int Asked = 0;
  SetInheritErrorHandler([&](const TrepInheritErrorTexts&) {
    ++Asked;
    return iaCancel;
  });
  TrepReport R(nullptr);
  Mine(R);
  EXPECT_TRUE(R.InheritFromTemplate("templ.xml", imRename));
  EXPECT_EQ(Asked, 0);
}

// ---- An inherited report's script ----

TEST(InheritedScript, SeesItsParentsRoutines) {
  Start();
  std::string Parent;
  {
    TrepReport P(nullptr);
    auto* Page = new TrepReportPage(&P);
    Page->SetName("Page1");
    P.ScriptText().SetText("function ParentAnswer: Integer;\r\nbegin Result := 42; end;\r\nbegin end.");
    rt::TStringStream S;
    P.SaveToStream(S);
    Parent = S.DataString();
  }
  TrepReport R(nullptr);
  R.EngineOptions.SilentMode = simSilent;
  R.OnLoadTemplate = [&](TrepReport* Into, const std::string&) {
    rt::TStringStream S(Parent);
    Into->LoadFromStream(S);
  };
  R.SetParentReport("parent.xml");
  ASSERT_NE(R.ParentReportObject(), nullptr);
  R.ScriptText().SetText("begin Set('Answer', ParentAnswer + 1); end.");
  ASSERT_TRUE(R.PrepareScript()) << R.Errors().Text();
  EXPECT_EQ(R.Script()->Parent, R.ParentReportObject()->Script());
  R.Script()->Execute();
  EXPECT_EQ(R.Variables().Variables("Answer").ToInteger(), 43);
  EXPECT_EQ(R.Calc("ParentAnswer").ToInteger(), 42);

  // A parent script that does not compile fails the child's preparation with its place.
  R.ParentReportObject()->ScriptText().SetText("begin x := ; end.");
  EXPECT_FALSE(R.PrepareScript());
  EXPECT_NE(R.Errors().Text().find("Parent report: parent.xml"), std::string::npos) << R.Errors().Text();

  // Without a parent the script's own parent stays as the application set it.
  TscScript Outer;
  TrepReport Plain(nullptr);
  Plain.Script()->Parent = &Outer;
  ASSERT_TRUE(Plain.PrepareScript());
  EXPECT_EQ(Plain.Script()->Parent, &Outer);
}

} // namespace
