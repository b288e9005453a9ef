// The report object tree: children and ownership, names and the shared name index, finding
// objects, bounds and anchors, font inheritance, mirroring and alignment, differences, the
// drawable components' print hooks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

using enginesetup::StartResources;

// A view that counts its destruction and can claim to draw itself.
struct TCountedView : TrepView {
  explicit TCountedView(rt::TComponent* AOwner, int* Freed = nullptr) : TrepView(AOwner), FFreed(Freed) {}
  ~TCountedView() override {
    if (FFreed) ++*FFreed;
  }
  void Draw(gfx::TCanvas& Canvas, double, double, double, double) override {
    Canvas.FillRect({static_cast<int>(Left()), 0, 0, 0});
    DrawnHighlighted = Highlighted;
  }
  void DrawHighlight(gfx::TCanvas&, double, double, double, double, gfx::TColor hlColor) override {
    HighlightColor = hlColor;
  }
  bool IsOwnerDraw() const override { return OwnerDraw; }
  int* FFreed;
  bool OwnerDraw = false;
  bool DrawnHighlighted = false;
  gfx::TColor HighlightColor = 0;
};

TrepView* NewView(TrepComponent* Parent, const char* Name, double L = 0, double T = 0, double W = 0, double H = 0) {
  auto* V = new TrepView(Parent);
  if (*Name) V->SetName(Name);
  V->SetBounds(L, T, W, H);
  return V;
}

std::vector<std::string> Names(const std::vector<TrepComponent*>& List) {
  std::vector<std::string> R;
  for (TrepComponent* C : List) R.push_back(C->Name());
  return R;
}

std::vector<std::string> Children(const TrepComponent& C) { return Names(C.Objects().List()); }

} // namespace

// ---- Children, ownership and freeing ----

TEST(ComponentTree, ChildrenKeepTheirOrderAndMoveBetweenParents) {
  TrepReport Report(nullptr);
  auto* Page = new TrepReportPage(&Report);
  Page->SetName("Page1");
  auto* Band = new TrepBand(Page);
  Band->SetName("Band1");
  NewView(Band, "A");
  TrepView* B = NewView(Band, "B");
  NewView(Page, "C");
  NewView(B, "D");

  EXPECT_EQ(Children(*Band), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(Names(Report.AllObjects()), (std::vector<std::string>{"Page1", "Band1", "A", "B", "D", "C"}));
  EXPECT_EQ(B->Owner(), &Report) << "every object of a report belongs to the report";
  EXPECT_EQ(B->Report(), &Report);
  EXPECT_EQ(B->Page(), Page);
  EXPECT_EQ(B->TopParent(), &Report);
  EXPECT_EQ(Report.TopParent(), nullptr);

  // Reparenting appends at the end of the new parent's list and takes the subtree along.
  B->SetParent(Page);
  EXPECT_EQ(Children(*Band), (std::vector<std::string>{"A"}));
  EXPECT_EQ(Children(*Page), (std::vector<std::string>{"Band1", "C", "B"}));
  EXPECT_EQ(Report.FindObject("D")->Parent(), B);

  // Out of the tree: still owned by the report, no longer found.
  B->SetParent(nullptr);
  EXPECT_EQ(Report.FindObject("B"), nullptr);
  EXPECT_EQ(B->Owner(), &Report);
  B->SetParent(Band);
  EXPECT_EQ(Report.FindObject("D")->Page(), Page);

  // A tree cannot be placed inside itself.
  EXPECT_THROW(Band->SetParent(B), EComponentError);
  EXPECT_THROW(Band->SetParent(Band), EComponentError);
  EXPECT_EQ(Band->Parent(), Page);
}

TEST(ComponentTree, FreeingAnObjectFreesItsSubtreeAndLeavesItsParent) {
  int Freed = 0;
  auto* Report = new TrepReport(nullptr);
  auto* Page = new TrepReportPage(Report);
  auto* Band = new TrepBand(Page);
  auto* Kept = new TCountedView(Page, &Freed);
  new TCountedView(Band, &Freed);
  new TCountedView(new TCountedView(Band, &Freed), &Freed);
  delete Band;
  EXPECT_EQ(Freed, 3);
  EXPECT_EQ(Page->Objects().Count(), 1);
  EXPECT_EQ(Page->Objects()[0], Kept);

  // Clear frees the children but keeps those of an ancestor report, clearing them instead.
  auto* Inherited = new TrepBand(Page);
  Inherited->ComponentState.Include(csAncestor);
  new TCountedView(Inherited, &Freed);
  Page->Clear();
  EXPECT_EQ(Freed, 5);
  ASSERT_EQ(Page->Objects().Count(), 1);
  EXPECT_EQ(Page->Objects()[0], Inherited);
  EXPECT_EQ(Inherited->Objects().Count(), 0);

  new TCountedView(Inherited, &Freed);
  delete Report;  // ancestor objects go with the report too
  EXPECT_EQ(Freed, 6);
}

TEST(ComponentTree, TheChildListReportsInsertionsAndRemovals) {
  TrepReport Report(nullptr);
  auto* Page = new TrepReportPage(&Report);
  TrepView* A = NewView(Page, "A");
  TrepView* B = NewView(Page, "B");
  std::vector<std::string> Log;
  TrepObjectsNotifyList List;
  List.OnNotifyList = [&](TrepComponent* Item, TListNotification Action) {
    Log.push_back(Item->Name() + ":" + std::to_string(Action));
  };
  List.Add(A);
  List.Insert(0, B);
  List.Move(0, 1);
  List.Exchange(0, 1);
  EXPECT_EQ(List.Extract(A), A);
  EXPECT_EQ(List.Extract(A), nullptr);
  List.Add(A);
  EXPECT_EQ(List.Remove(B), 0);
  List.Clear();
  EXPECT_EQ(Log, (std::vector<std::string>{"A:0", "B:0", "A:1", "A:0", "B:2", "A:2"}));
  EXPECT_THROW(List.Items(0), rt::EListError);
  EXPECT_THROW(List.Insert(1, A), rt::EListError);
}

// ---- Names ----

TEST(ComponentNames, RenamingFollowsTheReportWideIndex) {
  StartResources();
  TrepReport Report(nullptr);
  auto* Page = new TrepReportPage(&Report);
  TrepView* Memo = NewView(Page, "Memo1");
  TrepView* Other = NewView(Page, "Other");

  Memo->SetName("MEMO1");
  EXPECT_EQ(Memo->Name(), "Memo1") << "a change of letter case alone is ignored";

  struct Case {
    const char* Name;
    const char* Error;  // nullptr: accepted
  } Cases[] = {
      {"memo1", "prDupl"},    // another object's name, any letter case
      {"1Memo", "'1Memo' is not a valid component name"},
      {"Has blank", "'Has blank' is not a valid component name"},
      {"Free_2", nullptr},
  };
  for (const Case& C : Cases) {
    const std::string Before = Other->Name();
    if (C.Error == nullptr) {
      EXPECT_NO_THROW(Other->SetName(C.Name)) << C.Name;
      EXPECT_EQ(Other->Name(), C.Name);
    } else {
      try {
        Other->SetName(C.Name);
        ADD_FAILURE() << C.Name;
      } catch (const EComponentError& E) {
        EXPECT_EQ(std::string(E.what()), C.Error);
      }
      EXPECT_EQ(Other->Name(), Before) << "a refused name changes nothing";
    }
  }
  EXPECT_THROW(Other->SetName("MEMO1"), EDuplicateName);

  // A freed name can be taken, also after a rename to nothing.
  Memo->SetName("Memo2");
  Other->SetName("Memo1");
  Other->SetName("");
  Memo->SetName("Memo1");
  EXPECT_EQ(Report.FindObject("memo1"), Memo);

  // An object of an ancestor report keeps its name.
  Memo->SetAncestor(true);
  try {
    Memo->SetName("Renamed");
    ADD_FAILURE();
  } catch (const EComponentError&) {
    ADD_FAILURE() << "not a name error";
  } catch (const rt::Exception& E) {
    EXPECT_STREQ(E.what(), "Could not rename Memo1, it was introduced in the ancestor report");
  }
  EXPECT_EQ(Memo->Name(), "Memo1");
}

TEST(ComponentNames, SubtreesCarryTheirNamesIntoTheTreeTheyJoin) {
  StartResources();
  TrepReport Report(nullptr);
  auto* Page = new TrepReportPage(&Report);
  NewView(Page, "Memo1");
  EXPECT_EQ(Report.GetSortedObjects().Count(), 1);
  EXPECT_EQ(&Page->GetSortedObjects(), &Report.GetSortedObjects()) << "one index per tree, on its top object";

  // A separate tree with its own index joins the report.
  TrepReportPage Loose(nullptr);
  auto* Band = new TrepBand(&Loose);
  Band->SetName("Band1");
  NewView(Band, "Memo2");
  EXPECT_EQ(Loose.GetSortedObjects().Count(), 2);
  Band->SetParent(Page);
  rt::TStringList& Index = Report.GetSortedObjects();
  EXPECT_GE(Index.IndexOf("Memo2"), 0);
  EXPECT_GE(Index.IndexOf("band1"), 0);
  EXPECT_THROW(Page->Objects()[0]->SetName("Memo2"), EDuplicateName);

  // Leaving takes the names out again.
  Band->SetParent(&Loose);
  EXPECT_LT(Report.GetSortedObjects().IndexOf("Memo2"), 0);
  EXPECT_NO_THROW(Page->Objects()[0]->SetName("Memo2"));
  EXPECT_EQ(Loose.FindObject("MEMO2")->Parent(), Band);

  // Freeing an object frees its names.
  delete Page->Objects()[0];
  EXPECT_EQ(Report.GetSortedObjects().Count(), 0);
}

TEST(ComponentNames, BaseNamesDropTheClassPrefixAndView) {
  TrepReport Report(nullptr);
  struct Case {
    TrepComponent* Obj;
    const char* Base;
  } Cases[] = {
      {new TrepPictureView(&Report), "Picture"},
      {new TrepCustomMemoView(&Report), "CustomMemo"},
      {new TrepReportPage(&Report), "ReportPage"},
      {new TrepBand(&Report), "Band"},
      {new TrepView(&Report), ""},
  };
  for (const Case& C : Cases) EXPECT_EQ(C.Obj->BaseName(), C.Base);
  EXPECT_EQ(Report.BaseName(), "Report");
}

TEST(ComponentNames, UniqueNamesStartFromTheCountOfNamesOfTheBase) {
  struct Case {
    std::vector<const char*> Present;
    const char* Next;
  } Cases[] = {
      {{}, "Picture1"},
      {{"Picture1", "Picture2"}, "Picture3"},
      {{"Picture2"}, "Picture1"},                                        // small index: first free
      {{"Picture1", "Picture2", "Picture3", "Picture4", "Picture5", "Picture7"}, "Picture6"},
      {{"Picture1", "Picture3", "Picture4", "Picture5"}, "Picture6"},   // the count says 4: gaps below stay
      {{"Picture1", "Picture2", "Picture10"}, "Picture3"},
      {{"Picture5", "Picture6", "Picture7", "Picture8"}, "Picture1"},   // the descent reaches the bottom
  };
  for (const Case& C : Cases) {
    TrepReport Report(nullptr);
    auto* Page = new TrepReportPage(&Report);
    for (const char* N : C.Present) {
      auto* P = new TrepPictureView(Page);
      P->SetName(N);
    }
    auto* New = new TrepPictureView(Page);
    New->CreateUniqueName();
    EXPECT_EQ(New->Name(), C.Next) << C.Present.size();
    // The search leaves no marker names behind.
    auto* Zero = new TrepPictureView(Page);
    EXPECT_NO_THROW(Zero->SetName("Picture0"));
    EXPECT_NO_THROW(Zero->SetName("PictureA"));
  }
}

TEST(ComponentNames, UniqueNamesCanCountAnotherReportsNames) {
  TrepReport Report(nullptr);
  auto* Page = new TrepReportPage(&Report);
  for (const char* N : {"Picture1", "Picture2"}) {
    auto* P = new TrepPictureView(Page);
    P->SetName(N);
  }
  TrepReportPage Loose(nullptr);
  Loose.SetName("Loose");
  auto* Own = new TrepPictureView(&Loose);
  Own->SetName("Picture3");
  auto* New = new TrepPictureView(&Loose);
  New->CreateUniqueName(&Report);
  EXPECT_EQ(New->Name(), "Picture4");
  EXPECT_LT(Report.GetSortedObjects().IndexOf("Picture3"), 0) << "the borrowed names go again";
  EXPECT_LT(Report.GetSortedObjects().IndexOf("Loose"), 0);
  EXPECT_GE(Loose.GetSortedObjects().IndexOf("Picture4"), 0);
}

// ---- Finding objects ----

TEST(ComponentTree, FindObjectSearchesDescendantsDepthFirst) {
  TrepReport Report(nullptr);
  Report.SetName("Report1");
  TrepReportPage Loose(nullptr);  // outside a report names may repeat in letter case
  Loose.SetName("Twin");
  auto* Band = new TrepBand(&Loose);
  Band->SetName("Band");
  TrepView* Deep = NewView(Band, "twin");
  TrepView* Late = NewView(&Loose, "TWIN");
  TrepView* Inner = NewView(Deep, "Inner");
  NewView(&Loose, "");
  struct Case {
    TrepComponent* From;
    const char* Name;
    TrepComponent* Found;
  } Cases[] = {
      {&Loose, "twin", Deep},      // the first in depth-first order, before a later sibling's
      {&Loose, "Inner", Inner},
      {Deep, "twin", nullptr},     // never the object itself
      {Late, "TWIN", nullptr},
      {&Loose, "", nullptr},       // unnamed objects are not found by an empty name
      {&Loose, "Missing", nullptr},
      {&Report, "Report1", nullptr},
  };
  for (const Case& C : Cases) EXPECT_EQ(C.From->FindObject(C.Name), C.Found) << C.Name;
}

// ---- Bounds and anchors ----

TEST(ComponentBounds, AbsolutePositionsAddUpToThePage) {
  TrepReport Report(nullptr);
  auto* Page = new TrepReportPage(&Report);
  Page->SetBounds(3, 4, 800, 1100);
  auto* Band = new TrepBand(Page);
  Band->SetBounds(0, 100, 700, 50);
  TrepView* Memo = NewView(Band, "Memo", 10, 5, 40, 20);
  auto* Dialog = new TrepDialogPage(&Report);
  Dialog->SetBounds(200, 300, 400, 300);
  auto* Button = new TrepReportComponent(Dialog);
  Button->SetBounds(15, 25, 80, 20);
  EXPECT_DOUBLE_EQ(Memo->AbsLeft(), 13);
  EXPECT_DOUBLE_EQ(Memo->AbsTop(), 109);
  EXPECT_DOUBLE_EQ(Button->AbsLeft(), 15);
  EXPECT_DOUBLE_EQ(Button->AbsTop(), 25);
  TrepRect R = Memo->GetRealBounds();
  EXPECT_DOUBLE_EQ(R.Top, 109);
  EXPECT_DOUBLE_EQ(R.Right, 53);
  EXPECT_DOUBLE_EQ(R.Bottom, 129);
  TrepRect C = Band->GetClientArea();
  EXPECT_DOUBLE_EQ(C.Left, 0);
  EXPECT_DOUBLE_EQ(C.Right, 700);
  EXPECT_DOUBLE_EQ(C.Bottom, 50);
}

TEST(ComponentBounds, ResizingAContainerMovesChildrenByTheirAnchors) {
  struct Case {
    TrepAnchors Anchors;
    double DW, DH;
    double Left, Top, Width, Height;  // of the child afterwards (it starts at 10, 20, 30, 40)
  } Cases[] = {
      {{fraLeft, fraTop}, 118, 118, 10, 20, 30, 40},
      {{fraLeft, fraRight}, 118, 0, 10, 20, 148, 40},
      {{fraRight}, 118, 0, 128, 20, 30, 40},
      {{}, 118, 118, 110, 120, 30, 40},        // neither side: Round(118 / 1.18) = 100
      {{}, 59, 0, 60, 20, 30, 40},             // Round(50) = 50
      {{fraTop, fraBottom}, 0, -10, 10, 20, 30, 30},
      {{fraBottom}, 0, 25, 10, 45, 30, 40},
      {{}, 0.005, 0.009, 10, 20, 30, 40},      // within 0.01: stored, no anchors
  };
  for (const Case& C : Cases) {
    TrepReport Report(nullptr);
    auto* Band = new TrepBand(&Report);
    Band->SetBounds(0, 0, 200, 100);
    TrepView* V = NewView(Band, "", 10, 20, 30, 40);
    V->SetAnchors(C.Anchors);
    Band->SetWidth(200 + C.DW);
    Band->SetHeight(100 + C.DH);
    EXPECT_DOUBLE_EQ(Band->Width(), 200 + C.DW);
    EXPECT_DOUBLE_EQ(Band->Height(), 100 + C.DH);
    EXPECT_DOUBLE_EQ(V->Left(), C.Left) << C.Anchors.ToInt();
    EXPECT_DOUBLE_EQ(V->Top(), C.Top) << C.Anchors.ToInt();
    EXPECT_DOUBLE_EQ(V->Width(), C.Width) << C.Anchors.ToInt();
    EXPECT_DOUBLE_EQ(V->Height(), C.Height) << C.Anchors.ToInt();
  }
}

TEST(ComponentBounds, AnchorsReachGrandchildrenAndPauseWhileUpdating) {
  TrepReport Report(nullptr);
  auto* Band = new TrepBand(&Report);
  Band->SetBounds(0, 0, 200, 100);
  TrepView* Box = NewView(Band, "", 0, 0, 100, 50);
  Box->SetAnchors({fraLeft, fraRight});
  TrepView* Inner = NewView(Box, "", 60, 0, 20, 20);
  Inner->SetAnchors({fraRight});
  Band->SetWidth(250);
  EXPECT_DOUBLE_EQ(Box->Width(), 150);
  EXPECT_DOUBLE_EQ(Inner->Left(), 110);

  Band->BeginAnchorsUpdate();
  Band->SetWidth(300);
  Band->EndAnchorsUpdate();
  EXPECT_DOUBLE_EQ(Box->Width(), 150);
}

TEST(ComponentBounds, RestrictionsHoldOnlyAtDesignTime) {
  TrepReport Report(nullptr);
  TrepView* V = NewView(&Report, "", 1, 2, 3, 4);
  V->SetRestrictions({rfDontMove, rfDontSize});
  V->SetBounds(10, 20, 30, 40);
  EXPECT_DOUBLE_EQ(V->Left(), 10);
  V->SetIsDesigning(true);
  V->SetBounds(5, 6, 7, 8);
  EXPECT_DOUBLE_EQ(V->Left(), 10);
  EXPECT_DOUBLE_EQ(V->Top(), 20);
  EXPECT_DOUBLE_EQ(V->Width(), 30);
  EXPECT_DOUBLE_EQ(V->Height(), 40);
}

// ---- Fonts ----

TEST(ComponentFonts, InheritingFontsFollowEveryChangeDownTheTree) {
  TrepReport Report(nullptr);
  auto* Page = new TrepReportPage(&Report);
  auto* Band = new TrepBand(Page);
  TrepView* Follower = NewView(Band, "");
  TrepView* Own = NewView(Band, "");
  gfx::TFont Courier;
  Courier.SetName("Courier New");
  Own->SetFont(Courier);

  // New objects start with the library's font and follow their parent.
  EXPECT_EQ(Follower->Font().Name(), "Arial");
  EXPECT_EQ(Follower->Font().Size(), 10);
  EXPECT_EQ(Follower->Font().Charset(), gfx::DEFAULT_CHARSET);
  EXPECT_TRUE(Follower->ParentFont());
  EXPECT_FALSE(Own->ParentFont());

  Page->Font().SetSize(14);
  EXPECT_FALSE(Page->ParentFont()) << "a changed font no longer follows the report";
  EXPECT_EQ(Band->Font().Size(), 14);
  EXPECT_EQ(Follower->Font().Size(), 14);
  EXPECT_TRUE(Follower->ParentFont());
  EXPECT_EQ(Own->Font().Size(), 10);
  EXPECT_EQ(Own->Font().Name(), "Courier New");

  // A font change in the middle stops there for objects above it.
  Band->Font().SetStyle(gfx::FontStyles({gfx::fsBold}));
  EXPECT_EQ(Follower->Font().Style(), gfx::FontStyles({gfx::fsBold}));
  EXPECT_EQ(Page->Font().Style(), 0u);

  // Following again, and moving to another parent, takes that parent's font.
  Own->SetParentFont(true);
  EXPECT_EQ(Own->Font().Name(), "Arial");
  EXPECT_TRUE(Own->ParentFont());
  auto* Other = new TrepBand(Page);
  Other->Font().SetColor(0xFF);
  Own->SetParent(Other);
  EXPECT_EQ(Own->Font().Color(), 0xFF);
  EXPECT_EQ(Own->Font().Style(), 0u);
}

// ---- Mirroring and alignment ----

TEST(ComponentLayout, MirroringMovesObjectsToTheOtherSide) {
  struct Case {
    TrepMirrorControlModes Modes;
    bool Band, WithChild, Allowed;
    double Left, Top;
  } Cases[] = {
      {{mcmRTLObjects}, false, false, false, 160, 5},
      {{mcmBTTObjects}, false, false, false, 10, 75},
      {{mcmRTLObjects, mcmBTTObjects}, false, false, false, 160, 75},
      {{mcmRTLObjects}, false, true, false, 10, 5},   // objects with children stay
      {{mcmRTLObjects}, true, true, false, 10, 5},
      {{mcmRTLBands}, true, true, false, 160, 5},
      {{mcmRTLBands}, false, false, false, 10, 5},
      {{mcmRTLObjects, mcmOnlyAllowed}, false, false, false, 10, 5},
      {{mcmRTLObjects, mcmOnlyAllowed}, false, false, true, 160, 5},
  };
  for (const Case& C : Cases) {
    TrepReport Report(nullptr);
    auto* Page = new TrepReportPage(&Report);
    Page->SetBounds(0, 0, 200, 100);
    TrepComponent* Obj = C.Band ? static_cast<TrepComponent*>(new TrepBand(Page)) : new TrepView(Page);
    Obj->SetBounds(10, 5, 30, 20);
    if (C.WithChild) new TrepView(Obj);
    Obj->SetAllowMirrorMode(C.Allowed);
    Obj->MirrorPosition(C.Modes);
    EXPECT_DOUBLE_EQ(Obj->Left(), C.Left) << C.Modes.ToInt();
    EXPECT_DOUBLE_EQ(Obj->Top(), C.Top) << C.Modes.ToInt();
  }
}

TEST(ComponentLayout, AlignmentStacksViewsInsideTheClientArea) {
  TrepReport Report(nullptr);
  auto* Band = new TrepBand(&Report);
  Band->SetBounds(0, 0, 300, 100);
  struct Case {
    const char* Name;
    TrepAlign Align;
    double L, T, W, H;
    double EL, ET, EW, EH;
  } Cases[] = {
      // the first row: the view further left goes to the edge, the other right after it
      {"Second", baLeft, 50, 0, 20, 10, 40, 0, 20, 10},
      {"First", baLeft, 30, 0, 40, 10, 0, 0, 40, 10},
      // the second row: a view stretched from its left neighbour to its right neighbour
      {"LeftB", baLeft, 40, 20, 20, 10, 0, 20, 20, 10},
      {"FillB", baWidth, 60, 20, 10, 10, 20, 20, 255, 10},
      {"RightB", baRight, 200, 20, 25, 10, 275, 20, 25, 10},
      // a row of its own
      {"Below", baLeft, 90, 50, 10, 10, 0, 50, 10, 10},
      {"Centre", baCenter, 0, 70, 100, 10, 100, 70, 100, 10},
      {"Bottom", baBottom, 260, 35, 10, 10, 260, 90, 10, 10},
      {"Hidden", baHidden, 7, 7, 7, 7, 7, 7, 7, 7},
  };
  for (const Case& C : Cases) {
    TrepView* V = NewView(Band, C.Name, C.L, C.T, C.W, C.H);
    V->Align = C.Align;
  }
  Band->AlignChildren(false, {});
  for (const Case& C : Cases) {
    TrepComponent* V = Band->FindObject(C.Name);
    EXPECT_DOUBLE_EQ(V->Left(), C.EL) << C.Name;
    EXPECT_DOUBLE_EQ(V->Top(), C.ET) << C.Name;
    EXPECT_DOUBLE_EQ(V->Width(), C.EW) << C.Name;
    EXPECT_DOUBLE_EQ(V->Height(), C.EH) << C.Name;
  }
}

TEST(ComponentLayout, ClientViewsFillTheirContainerAndAlignTheirOwnChildren) {
  TrepReport Report(nullptr);
  auto* Band = new TrepBand(&Report);
  Band->SetBounds(0, 0, 300, 100);
  TrepView* Client = NewView(Band, "Client", 10, 10, 10, 10);
  Client->Align = baClient;
  TrepView* Inner = NewView(Client, "Inner", 50, 0, 20, 20);
  Inner->Align = baRight;
  TrepView* Invisible = NewView(Band, "Invisible", 50, 0, 20, 20);
  Invisible->Align = baLeft;
  Invisible->SetVisible(false);
  Band->AlignChildren(true, {});
  EXPECT_DOUBLE_EQ(Client->Left(), 0);
  EXPECT_DOUBLE_EQ(Client->Width(), 300);
  EXPECT_DOUBLE_EQ(Client->Height(), 100);
  EXPECT_DOUBLE_EQ(Inner->Left(), 280);
  EXPECT_DOUBLE_EQ(Invisible->Left(), 50) << "ignored while invisible";
  Band->AlignChildren(false, {});
  EXPECT_DOUBLE_EQ(Invisible->Left(), 300) << "right after the client view";
}

// ---- Differences ----

TEST(ComponentDiff, OnlyWhatDiffersFromTheOtherObjectIsWritten) {
  TrepReport Report(nullptr);
  auto* Page = new TrepReportPage(&Report);
  TrepView* Base = NewView(Page, "", 10, 20, 30, 40);
  TrepView* Same = NewView(Page, "", 10.00005, 20, 30, 40);
  EXPECT_EQ(Same->Diff(Base), u"");
  EXPECT_EQ(Same->Diff(nullptr), u"");

  TrepView* Moved = NewView(Page, "", 12.5, 20, 31, 41);
  Moved->SetVisible(false);
  Moved->Tag = 7;
  Moved->SetAllowMirrorMode(true);
  EXPECT_EQ(rt::Utf16ToUtf8(Moved->Diff(Base)),
            " l=\"12.5\" w=\"31\" h=\"41\" Visible=\"0\" Tag=\"7\" AllowMirrorMode=\"1\"");

  gfx::TFont F;
  F.SetName("A&B");
  F.SetSize(12);
  F.SetColor(255);
  F.SetStyle(gfx::FontStyles({gfx::fsBold, gfx::fsUnderline}));
  F.SetCharset(204);
  TrepView* Styled = NewView(Page, "", 10, 20, 30, 40);
  Styled->SetFont(F);
  EXPECT_EQ(rt::Utf16ToUtf8(Styled->Diff(Base)),
            " Font.Name=\"A&#38;B\" Font.Size=\"12\" Font.Color=\"255\" Font.Style=\"5\" Font.Charset=\"204\""
            " ParentFont=\"0\"");

  // Bands always write their top; memos that size themselves leave their width out.
  auto* Band = new TrepBand(Page);
  auto* OtherBand = new TrepBand(Page);
  EXPECT_EQ(Band->Diff(OtherBand), u" t=\"0\"");
  auto* Memo = new TrepCustomMemoView(Page);
  Memo->SetWidth(80);
  Memo->AutoWidth = true;
  EXPECT_EQ(Memo->TrepComponent::Diff(Base), u" l=\"0\" t=\"0\" h=\"0\"");
}

// ---- Report components ----

TEST(ReportComponents, AfterPrintRestoresTheDesignedBounds) {
  TrepReport Report(nullptr);
  auto* Band = new TrepBand(&Report);
  Band->SetBounds(0, 100, 500, 60);
  TrepView* Memo = NewView(Band, "", 5, 5, 100, 20);
  Memo->BeforePrint();
  Memo->SetHeight(180);
  Memo->SetTop(7);
  Memo->AfterPrint();
  EXPECT_DOUBLE_EQ(Memo->Top(), 5);
  EXPECT_DOUBLE_EQ(Memo->Height(), 20);
  EXPECT_DOUBLE_EQ(Memo->GetRealBounds().Top, 105);
  EXPECT_EQ(Memo->OriginalObjectsCount, -1);
}

TEST(ReportComponents, DrawingChildrenSkipsOthersAndSelfDrawingOnes) {
  TrepReport Report(nullptr);
  auto* Band = new TrepReportComponent(&Report);
  auto* Plain = new TCountedView(Band);
  Plain->SetLeft(1);
  new TrepPage(Band);  // not a report component
  auto* Self = new TCountedView(Band);
  Self->SetLeft(2);
  Self->OwnerDraw = true;
  auto* Last = new TCountedView(Band);
  Last->SetLeft(3);
  gfx::TRecordingCanvas Canvas;
  Band->DrawChilds(Canvas, 1, 1, 0, 0, true, true);
  ASSERT_EQ(Canvas.Ops.size(), 2u);
  EXPECT_EQ(Canvas.Ops[0].R.Left, 1);
  EXPECT_EQ(Canvas.Ops[1].R.Left, 3);
  EXPECT_TRUE(Plain->DrawnHighlighted);
  EXPECT_FALSE(Plain->Highlighted) << "only while drawing";
  EXPECT_EQ(Plain->HighlightColor, gfx::clNone);
  EXPECT_TRUE(Self->IsDesigning());

  // The base draws nothing of its own: it leaves drawing to its descendants.
  EXPECT_THROW(Band->Draw(Canvas, 1, 1, 0, 0), EAbstractError);
  EXPECT_THROW(Band->DrawWithChilds(Canvas, 1, 1, 0, 0, false, false), EAbstractError);
  EXPECT_FALSE(Band->Highlighted);
}

TEST(ReportComponents, AnAttachedShiftItemHearsOnceOfTheObjectsEnd) {
  struct TShiftItem : rt::TObject, TrepMessageHandler {
    void DefaultHandler(TrepMessage& M) override { Heard.push_back({M.Msg, M.Obj}); }
    std::vector<std::pair<unsigned, TrepComponent*>> Heard;
  } Item;
  TrepReport Report(nullptr);
  auto* Memo = new TrepView(&Report);
  Memo->ShiftObject = &Item;
  delete Memo;
  ASSERT_EQ(Item.Heard.size(), 1u);
  EXPECT_EQ(Item.Heard[0].first, 0xD001u);
  EXPECT_EQ(Item.Heard[0].second, Memo);
}
