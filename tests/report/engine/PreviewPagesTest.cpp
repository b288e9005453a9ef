// Prepared pages: filling them as the layout engine does, rebuilding pages, pictures kept once,
// logical page numbers, anchors, saving and loading, hostile files, the export driver with its
// page ranges and failures, and page drawing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gfx/Picture.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/TemplatePage.h"

namespace {

void Start() { enginesetup::StartEngine(); }

gfx::TBitmap Bitmap(int W, int H) { return gfx::TBitmap(W, H); }

std::string Num(double V) { return rt::FloatToStr(V); }

// The template page with a hidden line on its band besides the shape and the picture.
struct Template : TTemplatePage {
  TrepLineView* Hidden;

  Template() : TTemplatePage(40) {
    Hidden = new TrepLineView(Band);
    Hidden->SetName("Line1");
    Hidden->SetVisible(false);
  }

  // Pages of RowsPerPage bands 40 pixels apart; the shape grows by a pixel per row, and the
  // picture changes on the second page only.
  void Prepare(int PageCount, int RowsPerPage = 2) {
    TrepPreviewPages& P = BeginPrepare();
    int Row = 0;
    for (int I = 0; I < PageCount; ++I) {
      P.AddPage(Page);
      if (I == 1) {
        const gfx::TBitmap B = Bitmap(7, 5);
        Pic->Picture().SetGraphic(&B);
      }
      for (int R = 0; R < RowsPerPage; ++R, ++Row) {
        Band->SetTop(R * 40);
        Shape->SetWidth(100 + Row);
        P.AddObject(Band);
      }
    }
    P.Finish();
  }
};

// Writes what it is handed; its Start opens the transport's file and writes a byte.
struct Recorder : TrepCustomExportFilter {
  Recorder() : TrepCustomExportFilter(NoRegister{}) {
    ShowDialog = false;
    ShowProgress = false;
  }
  bool Start() override {
    Calls.push_back("start");
    if (rt::TStream* S = IOTransport->GetStream()) S->WriteBuffer("x", 1);
    return StartResult;
  }
  void StartPage(TrepReportPage*, int Index) override { Calls.push_back("page " + std::to_string(Index)); }
  void ExportObject(TrepComponent* Obj) override {
    std::string Call = Obj->ClassType()->ClassName() + " " + Obj->Name() + " " + Num(Obj->Left()) + "," +
                       Num(Obj->Top()) + "," + Num(Obj->Width()) + "," + Num(Obj->Height());
    if (auto* P = dynamic_cast<TrepPictureView*>(Obj)) Call += " " + std::to_string(P->Picture().Width()) + "x" +
                                                              std::to_string(P->Picture().Height());
    Calls.push_back(Call);
    if (--FailAfter == 0) throw rt::Exception("disk full");
    if (--TerminateAfter == 0 && TerminateReport != nullptr) TerminateReport->SetTerminated(true);
  }
  void FinishPage(TrepReportPage*, int Index) override { Calls.push_back("end " + std::to_string(Index)); }
  void Finish() override { Calls.push_back("finish"); }

  std::vector<std::string> Calls;
  bool StartResult = true;
  int FailAfter = -1;
  int TerminateAfter = -1;
  TrepReport* TerminateReport = nullptr;
};

std::string Saved(TrepPreviewPages& P) {
  rt::TStringStream S;
  P.SaveToStream(S);
  return S.DataString();
}

std::vector<std::string> PagesStarted(const std::vector<std::string>& Calls) {
  std::vector<std::string> R;
  for (const std::string& C : Calls)
    if (C.rfind("page ", 0) == 0) R.push_back(C.substr(5));
  return R;
}

std::string TempFile(const std::string& Name) {
  return (std::filesystem::temp_directory_path() / ("prep-" + std::to_string(::getpid()) + "-" + Name)).string();
}

} // namespace

TEST(PreparedPages, ObjectsAreStoredAsDifferencesFromTheirSources) {
  Template T;
  T.Prepare(3);
  TrepPreviewPages& P = T.Pages();
  ASSERT_EQ(P.GetCount(), 3);
  EXPECT_EQ(T.Band->AliasName, "b1");
  EXPECT_EQ(T.Shape->AliasName, "s1");
  EXPECT_EQ(T.Pic->AliasName, "p1");
  EXPECT_EQ(P.Dictionary().GetSourceName("s1"), "Page0.Shape1");
  EXPECT_EQ(P.Dictionary().GetSourceName("x1"), "");

  TrepXMLItem* Pages = P.PagesItem();
  EXPECT_EQ(Pages->Items(0)->Name(), "page0");
  EXPECT_FALSE(Pages->Items(0)->Unloadable());
  EXPECT_FALSE(Pages->Items(1)->Unloadable());
  EXPECT_TRUE(Pages->Items(2)->Unloadable());
  // Two bands a page; the hidden line is left out with everything under it.
  const TrepXMLItem* Band = Pages->Items(0)->Items(1);
  EXPECT_EQ(Band->Name(), "b1");
  ASSERT_EQ(Band->Count(), 2);
  EXPECT_EQ(Band->Items(0)->Name(), "s1");
  EXPECT_EQ(rt::Utf16ToUtf8(Band->Items(0)->Text()), "w=\"101\"");
  // The picture went into the cache once, and again only when it changed.
  EXPECT_EQ(P.PictureCache().Count(), 2);

  TrepReportPage* Page = P.GetPage(0);
  ASSERT_NE(Page, nullptr);
  ASSERT_EQ(Page->Objects().Count(), 2);
  TrepComponent* Second = Page->Objects()[1];
  EXPECT_EQ(Second->Name(), "Band1");
  EXPECT_DOUBLE_EQ(Second->Top(), 40);
  ASSERT_EQ(Second->Objects().Count(), 2);
  EXPECT_DOUBLE_EQ(Second->Objects()[0]->Width(), 101);
  auto* Pic = dynamic_cast<TrepPictureView*>(Second->Objects()[1]);
  ASSERT_NE(Pic, nullptr);
  EXPECT_EQ(Pic->Picture().Width(), 3);
  auto* Pic2 = dynamic_cast<TrepPictureView*>(P.GetPage(1)->Objects()[0]->Objects()[1]);
  EXPECT_EQ(Pic2->Picture().Width(), 7);
  // Cached: the same object until the cache is flushed.
  EXPECT_EQ(P.GetPage(0), Page);
  EXPECT_EQ(P.GetPage(3), nullptr);
  EXPECT_EQ(P.GetPage(-1), nullptr);
  // Paper set by the engine wins over the page's own size.
  P.UpdatePageDimension(0, 210, 297);
  EXPECT_EQ(P.GetPageSize(0).X, 794);
  EXPECT_EQ(P.GetPageSize(0).Y, 1123);
  EXPECT_EQ(P.GetPageSize(9).X, 0);
}

TEST(PreparedPages, PageCacheEvictsTheOldestPage) {
  Template T;
  T.Prepare(4, 1);
  T.Report.PreviewOptions.PagesInCache = 2;
  TrepPreviewPages& P = T.Pages();
  TrepReportPage* First = P.GetPage(0);
  P.LockPage();  // page 0 survives any number of fetches
  P.GetPage(1);
  P.GetPage(2);
  P.GetPage(3);
  EXPECT_EQ(P.GetPage(0), First);
  P.UnlockPage();
}

TEST(PreparedPages, LogicalPageNumbersAndAnchors) {
  Template T;
  T.Prepare(3, 1);
  TrepPreviewPages& P = T.Pages();
  P.CurPage = 2;
  P.ResetLogicalPageNumber();
  for (int I = 0; I < 3; ++I) {
    P.CurPage = I;
    EXPECT_EQ(P.GetLogicalPageNo(), I + 1);
    EXPECT_EQ(P.GetLogicalTotalPages(), 3);
  }

  P.CurPage = 0;
  P.AddAnchor("Top");
  P.CurPage = 2;
  P.AddAnchor("top");
  EXPECT_EQ(P.GetAnchorPage("TOP"), 3);  // the later of the two
  EXPECT_EQ(P.GetAnchorPage("nowhere"), 1);
  P.ShiftAnchors(0, 100);
  EXPECT_EQ(P.FindAnchor("top")->Prop("page"), u"3");
  EXPECT_EQ(P.FindAnchor("top")->Prop("top"), u"100");
  P.DeleteAnchors(0);
  EXPECT_EQ(P.GetAnchorCurPosition(), 0);
}

TEST(PreparedPages, DoublePassKeepsFirstPassNumbersAndAnchors) {
  Template T;
  TrepCustomEngine Engine(&T.Report);
  TrepPreviewPages& P = T.Pages();
  P.Engine = &Engine;
  T.Report.EngineOptions.DoublePass = true;
  Engine.FinalPass = false;
  T.Prepare(2, 1);
  P.AddAnchor("a");
  P.ClearFirstPassPages();
  EXPECT_EQ(P.GetCount(), 0);
  EXPECT_EQ(P.FindAnchorRoot()->Count(), 1);
  EXPECT_EQ(P.XMLDoc().Root()->FindItem("logicalpagenumbers")->Count(), 2);
  Engine.FinalPass = true;
  P.AddPage(T.Page);
  P.AddPage(T.Page);
  EXPECT_EQ(P.XMLDoc().Root()->FindItem("logicalpagenumbers")->Count(), 2);
  P.Engine = nullptr;
}

TEST(PreparedPages, CutAndPasteMovesObjects) {
  Template T;
  T.Prepare(1, 2);
  TrepPreviewPages& P = T.Pages();
  P.CurPage = 0;
  P.CutObjects(1);
  EXPECT_EQ(P.GetCurPosition(), 1);
  // A null band moved left to X = 0 keeps its l; t always follows.
  P.PasteObjects(0, 200);
  ASSERT_EQ(P.GetCurPosition(), 2);
  const TrepXMLItem* Moved = P.PagesItem()->Items(0)->Items(1);
  EXPECT_EQ(Moved->Prop("t"), u"200");
  EXPECT_EQ(P.XMLDoc().Root()->Find("cutted"), -1);
  P.DeleteObjects(1);
  EXPECT_EQ(P.GetCurPosition(), 1);
  EXPECT_DOUBLE_EQ(P.GetLastY(0), 40);
  EXPECT_TRUE(P.BandExists(T.Band));
}

TEST(PreparedPages, EditingPages) {
  Template T;
  T.Prepare(2, 1);
  TrepPreviewPages& P = T.Pages();
  P.DeletePage(1);
  EXPECT_EQ(P.GetCount(), 1);
  P.DeletePage(0);  // the last page stays
  EXPECT_EQ(P.GetCount(), 1);
  P.AddEmptyPage(0);
  EXPECT_EQ(P.GetCount(), 2);
  EXPECT_EQ(P.GetPage(0)->Objects().Count(), 0);

  TrepReportPage* Page = P.GetPage(1);
  TrepComponent* Shape = Page->Objects()[0]->Objects()[0];
  Shape->SetHeight(77);
  P.ModifyObject(Shape);
  P.ModifyPage(0, P.GetPage(1));
  EXPECT_EQ(P.PagesItem()->Items(0)->Name(), "TrepReportPage");
  EXPECT_DOUBLE_EQ(P.GetPage(0)->Objects()[0]->Objects()[0]->Height(), 77);
  EXPECT_DOUBLE_EQ(P.GetPage(1)->Objects()[0]->Objects()[0]->Height(), 77);
}

TEST(PreparedPages, SaveLoadSaveIsByteIdenticalAndExportsAlike) {
  Template T;
  T.Prepare(3);
  T.Pages().Outline()->AddItem("Heading & <more>", 12);
  std::string First = Saved(T.Pages());
  EXPECT_NE(First.find("ld=\"0\""), std::string::npos);

  Template Other;
  Other.Report.Clear();
  rt::TStringStream In(First);
  Other.Pages().LoadFromStream(In);
  EXPECT_EQ(Other.Report.Errors().Count(), 0) << Other.Report.Errors().Text();
  EXPECT_EQ(Saved(Other.Pages()), First);

  Recorder A, B;
  A.Stream = B.Stream = nullptr;
  A.SetFileName(TempFile("a.out"));
  B.SetFileName(TempFile("b.out"));
  ASSERT_TRUE(T.Report.Export(&A));
  ASSERT_TRUE(Other.Report.Export(&B));
  EXPECT_EQ(A.Calls, B.Calls);
  ASSERT_GE(A.Calls.size(), 4u);
  EXPECT_EQ(A.Calls[0], "start");
  EXPECT_EQ(A.Calls[1], "page 0");
  EXPECT_EQ(A.Calls[2].rfind("TrepPictureView _pagebackground 0,0,", 0), 0u);
  // A band spans its page's width whatever width it was given.
  EXPECT_EQ(A.Calls[3].rfind("TrepNullBand Band1 0,0,", 0), 0u) << A.Calls[3];
  EXPECT_EQ(A.Calls[3].substr(A.Calls[3].size() - 3), ",40") << A.Calls[3];
  EXPECT_EQ(A.Calls[4], "TrepShapeView Shape1 10,5,100,20");
  EXPECT_EQ(A.Calls[5], "TrepPictureView Picture1 200,5,30,30 3x2");
  EXPECT_EQ(A.Calls.back(), "finish");
  std::string Text;
  int Page = -1, Top = -1;
  Other.Pages().Outline()->LevelRoot();
  Other.Pages().Outline()->GetItem(0, Text, Page, Top);
  EXPECT_EQ(Text, "Heading & <more>");
  EXPECT_EQ(Top, 12);
  std::filesystem::remove(A.FileName());
  std::filesystem::remove(B.FileName());
}

TEST(PreparedPages, FilesFromOutsideAreChecked) {
  Template T;
  T.Prepare(2);
  const std::string Good = Saved(T.Pages());
  struct Case {
    const char* What;
    std::string From, To;
  } Cases[] = {
      {"a page of a missing source page", "page0>", "page99>"},
      {"a page name that is no number", "page0>", "pageX>"},
      {"a page number too long", "page0>", "page0000000000001>"},
      {"a dictionary entry on a missing page", "name=\"Page0.Band1\"", "name=\"Page7.Band1\""},
      {"a dictionary entry without a dot", "name=\"Page0.Shape1\"", "name=\"Shape1\""},
      {"an unknown alias", "<s1 ", "<zz9 "},
      {"a class that stands on no page", "<s1 ", "<TrepReport "},
      {"a damaged picture", "stream=\"", "stream=\"QQ"},
      {"a damaged character reference", "name=\"Page0.Band1\"", "name=\"&#xyz;\""},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.What);
    std::string Bad = Good;
    std::size_t At = Bad.find(C.From);
    ASSERT_NE(At, std::string::npos);
    for (; At != std::string::npos; At = Bad.find(C.From, At + C.To.size())) Bad.replace(At, C.From.size(), C.To);
    Template L;
    L.Report.Clear();
    L.Report.EngineOptions.SilentMode = simSilent;
    rt::TStringStream In(Bad);
    ASSERT_NO_THROW(L.Pages().LoadFromStream(In));
    Recorder R;
    R.SetFileName(TempFile("hostile.out"));
    L.Report.Export(&R);
    EXPECT_GT(L.Report.Errors().Count(), 0);
    std::filesystem::remove(R.FileName());
  }
  // Not a prepared report at all.
  for (const std::string& Bad : {Good.substr(0, Good.size() / 2), std::string("<?xml version=\"1.0\"?><TrepReport/>")}) {
    Template L;
    rt::TStringStream In(Bad);
    EXPECT_THROW(L.Pages().LoadFromStream(In), TrepInvalidXMLException);
    EXPECT_EQ(L.Pages().GetCount(), 0);
  }
}

TEST(PreparedPages, FilesOnDisk) {
  Template T;
  T.Prepare(2);
  const std::string Name = TempFile("pages.fp3");
  T.Pages().SaveToFile(Name);
  EXPECT_FALSE(std::filesystem::exists(Name + ".tmp"));
  Template L;
  EXPECT_FALSE(L.Pages().LoadFromFile(Name + ".missing"));
  EXPECT_THROW(L.Pages().LoadFromFile(Name + ".missing", true), rt::EFOpenError);
  ASSERT_TRUE(L.Pages().LoadFromFile(Name));
  EXPECT_EQ(L.Pages().GetCount(), 2);
  EXPECT_FALSE(L.Pages().LoadFromFile(Name + ".missing"));
  EXPECT_EQ(L.Pages().GetCount(), 2);  // kept
  std::filesystem::remove(Name);
}

TEST(ExportDriver, PageRanges) {
  Template T;
  T.Prepare(6, 1);
  struct Case {
    const char* Range;
    std::vector<std::string> Pages;
  } Cases[] = {
      {"", {"0", "1", "2", "3", "4", "5"}},
      {"2,4-5", {"1", "3", "4"}},
      {"3-", {"2", "3", "4", "5"}},
      {" 5 , 1 ", {"0", "4"}},
      {"4-2", {}},
      {"7", {}},
      {"2,2", {"1"}},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Range);
    Recorder R;
    R.Stream = nullptr;
    R.SetFileName(TempFile("range.out"));
    R.PageNumbers = C.Range;
    EXPECT_TRUE(T.Report.Export(&R));
    EXPECT_EQ(PagesStarted(R.Calls), C.Pages);
    std::filesystem::remove(R.FileName());
  }
  Recorder Current;
  Current.SetFileName(TempFile("cur.out"));
  Current.CurPage = true;
  EXPECT_TRUE(T.Report.Export(&Current));
  EXPECT_EQ(PagesStarted(Current.Calls), std::vector<std::string>{"0"});
  std::filesystem::remove(Current.FileName());

  Recorder Bad;
  Bad.SetFileName(TempFile("bad.out"));
  Bad.PageNumbers = "1,x";
  EXPECT_THROW(T.Report.Export(&Bad), rt::EConvertError);
  EXPECT_FALSE(std::filesystem::exists(Bad.FileName()));
  EXPECT_EQ(Bad.FileName(), TempFile("bad.out"));
}

TEST(ExportDriver, FailuresRemoveThePartialFileAndAreReported) {
  Template T;
  T.Prepare(3, 1);
  {
    Recorder R;
    R.SetFileName(TempFile("fail.out"));
    R.FailAfter = 5;  // on page 1
    EXPECT_FALSE(T.Report.Export(&R));
    EXPECT_FALSE(std::filesystem::exists(R.FileName()));
    EXPECT_EQ(R.Calls.back(), "finish");
    EXPECT_EQ(R.Calls[R.Calls.size() - 2], "end 1");
    EXPECT_EQ(T.Report.Errors().IndexOf("disk full") >= 0, true);
    EXPECT_EQ(R.IOTransport, nullptr);
  }
  {
    Recorder R;
    R.SetFileName(TempFile("refused.out"));
    R.StartResult = false;
    EXPECT_FALSE(T.Report.Export(&R));
    EXPECT_EQ(R.Calls, std::vector<std::string>{"start"});
    EXPECT_FALSE(std::filesystem::exists(R.FileName()));
  }
  {
    Recorder R;
    R.SetFileName(TempFile("dialog.out"));
    R.ShowDialog = true;
    struct Refusing : Recorder {
      int ShowModal() override { return 2; }
    } Q;
    Q.ShowDialog = true;
    EXPECT_FALSE(T.Report.Export(&Q));
    EXPECT_TRUE(Q.Calls.empty());
  }
  {
    // Termination on page 2 of 3: the page and the document are finished, the file is kept.
    Recorder R;
    R.SetFileName(TempFile("stop.out"));
    R.TerminateAfter = 5;
    R.TerminateReport = &T.Report;
    EXPECT_TRUE(T.Report.Export(&R));
    EXPECT_EQ(PagesStarted(R.Calls), (std::vector<std::string>{"0", "1"}));
    EXPECT_EQ(R.Calls.back(), "finish");
    EXPECT_TRUE(std::filesystem::exists(R.FileName()));
    std::filesystem::remove(R.FileName());
  }
  EXPECT_FALSE(T.Report.Export(nullptr));
}

TEST(ExportDriver, HiddenAndDataOnlyObjects) {
  Template T;
  T.Shape->Visibility.Exclude(vsExport);
  T.Prepare(1, 1);
  Recorder R;
  R.SetFileName(TempFile("vis.out"));
  ASSERT_TRUE(T.Report.Export(&R));
  for (const std::string& C : R.Calls) EXPECT_EQ(C.find("Shape1"), std::string::npos);
  Recorder D;
  D.SetFileName(TempFile("data.out"));
  D.DataOnly = true;  // no data bands here: nothing at all, not even the background
  ASSERT_TRUE(T.Report.Export(&D));
  EXPECT_EQ(D.Calls, (std::vector<std::string>{"start", "page 0", "end 0", "finish"}));
  std::filesystem::remove(R.FileName());
  std::filesystem::remove(D.FileName());
}

TEST(ExportDriver, DrawPageDrawsEveryViewAtItsPlace) {
  Template T;
  T.Prepare(1, 1);
  gfx::TRecordingCanvas Canvas;
  T.Pages().DrawPage(0, Canvas, 1, 1, 0, 0, false);
  bool Found = false;
  for (const gfx::TCanvasOp& Op : Canvas.Ops)
    if (Op.Kind == gfx::TCanvasOp::opRectangle || Op.Kind == gfx::TCanvasOp::opFillRect)
      Found = Found || (Op.R.Left == 10 && Op.R.Top == 5);
  EXPECT_TRUE(Found);
  EXPECT_FALSE(Canvas.ClipRect().has_value());  // the caller's clip is back
  T.Pages().DrawPage(5, Canvas, 1, 1, 0, 0, false);  // no such page: nothing
}

TEST(ExportFilter, FileNamesAndTransports) {
  Start();
  Recorder F;
  F.SetFileName("out.pdf");
  F.DefaultPath = "/srv/reports";
  F.PrepareFileName();
  EXPECT_EQ(F.FileName(), "/srv/reports/out.pdf");
  F.DefaultPath = "/srv/reports/";
  F.SetFileName("out.pdf");
  F.PrepareFileName();
  EXPECT_EQ(F.FileName(), "/srv/reports/out.pdf");
  F.SetFileName("/a/b.pdf");
  F.PrepareFileName();
  EXPECT_EQ(F.FileName(), "/a/b.pdf");

  TrepReport R(nullptr);
  R.FileName = "/x/sales.rt3";
  Recorder S;
  S.Report = &R;
  S.SlaveExport = true;
  S.DefaultExt = ".pdf";
  S.PrepareFileName();
  EXPECT_EQ(S.FileName(), TempPath() + "sales.pdf");

  TrepCustomIOTransport* D = F.DefaultIOTransport();
  EXPECT_EQ(F.DefaultIOTransport(), D);
  F.IOTransport = D;
  F.SetFileName("/q/r.pdf");
  EXPECT_EQ(D->FileName, "/q/r.pdf");
  EXPECT_EQ(D->BasePath, "/q/");
  F.SetDefaultIOTransport(nullptr);
  EXPECT_EQ(F.IOTransport, nullptr);
  EXPECT_FALSE(F.Registered());
}

TEST(Dictionary, UniqueNames) {
  Start();
  TrepDictionary D;
  EXPECT_EQ(D.CreateUniqueName("m"), "m1");
  rt::TObject A, B, C;
  D.Add("m1", "Page0.Memo1", &A);
  D.Add("M2", "Page0.Memo2", &B);
  EXPECT_EQ(D.CreateUniqueName("m"), "m3");  // letter case ignored
  EXPECT_EQ(D.GetObject("m2"), &B);
  EXPECT_EQ(D.GetSourceName("M1"), "Page0.Memo1");
  EXPECT_EQ(D.GetObject("m9"), nullptr);
  EXPECT_EQ(D.GetSourceName("m9"), "");
  D.Add("b1", "Page0.Band1", &C);
  D.Add("b2", "Page0.Band2", &C);
  // From four names on, the search starts at the count of names sharing the base and leaves its
  // two markers behind; handed-out names are always new.
  for (int I = 3; I < 40; ++I) EXPECT_EQ(D.AddUnique("m", "Page0.Memo" + std::to_string(I), &A), "m" + std::to_string(I));
  int Index = 0;
  EXPECT_TRUE(D.Names().Find("m0", Index));
  EXPECT_TRUE(D.Names().Find("mA", Index));
  EXPECT_EQ(D.AddUnique("b", "Page0.Band3", &C), "b3");
  D.Clear();
  EXPECT_EQ(D.Names().Count(), 0);
  EXPECT_EQ(D.SourceNames().Count(), 0);
}

TEST(Outline, LevelsAndShifts) {
  Template T;
  TrepPreviewPages& P = T.Pages();
  TrepCustomOutline& O = *P.Outline();
  P.CurPage = 0;
  O.LevelRoot();
  O.AddItem("A", 10);
  O.AddItem("B", 20);  // AddItem descends: B is under A
  O.LevelUp();
  O.AddItem("C", 30);  // still under A
  O.LevelRoot();
  ASSERT_EQ(O.Count(), 1);
  O.LevelDown(0);
  ASSERT_EQ(O.Count(), 2);
  std::string Text;
  int Page = -1, Top = -1;
  O.GetItem(1, Text, Page, Top);
  EXPECT_EQ(Text, "C");
  EXPECT_EQ(Top, 30);
  O.LevelRoot();
  O.LevelUp();  // at the root: stays
  EXPECT_EQ(O.CurItem, static_cast<TrepOutline&>(O).Root());

  // Three headings at the root; shifting from the second moves only the third with its child.
  O.LevelRoot();
  O.AddItem("D", 40);
  O.LevelUp();
  O.AddItem("E", 50);
  O.AddItem("E1", 60);
  O.LevelRoot();
  TrepXMLItem* Root = static_cast<TrepOutline&>(O).Root();
  O.ShiftItems(Root->Items(1), 5);
  EXPECT_EQ(Root->Items(1)->Prop("page"), u"0");
  EXPECT_EQ(Root->Items(2)->Prop("page"), u"1");
  EXPECT_EQ(Root->Items(2)->Prop("top"), u"5");
  EXPECT_EQ(Root->Items(2)->Items(0)->Prop("top"), u"15");
  EXPECT_EQ(O.GetCurPosition(), Root->Items(2));
  O.DeleteItems(Root->Items(0));
  EXPECT_EQ(Root->Count(), 1);
  // Clearing the store leaves no cursor into freed headings.
  P.Clear();
  EXPECT_EQ(O.CurItem, nullptr);
  EXPECT_EQ(O.Count(), 0);
}

TEST(PreparedPages, FileCacheUnloadsFinishedPagesAndGetsThemBack) {
  Template Plain;
  Plain.Prepare(5);
  Template T;
  T.Report.EngineOptions.UseFileCache = true;
  T.Report.EngineOptions.MaxMemSize = 0;  // every page is written out once finished
  T.Prepare(5);
  TrepXMLItem* Pages = T.Pages().PagesItem();
  EXPECT_TRUE(Pages->Items(0)->Loaded());  // the first two never go
  EXPECT_FALSE(Pages->Items(2)->Loaded());
  EXPECT_TRUE(Pages->Items(3)->Loaded());  // was still being filled when the last page came
  TrepReportPage* P = T.Pages().GetPage(2);
  ASSERT_NE(P, nullptr);
  EXPECT_DOUBLE_EQ(P->Objects()[1]->Objects()[0]->Width(), 105);
  EXPECT_EQ(Saved(T.Pages()), Saved(Plain.Pages()));
}
