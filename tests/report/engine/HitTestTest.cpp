// Hit-testing of report objects (points on lines and nested objects, rubber-band selection,
// what may be dropped into what) and the interactive entry points: editors first, the object's
// hook otherwise, preview restrictions, passing an event to the parent, entering and leaving.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/engine/repClass.h"
#include "report/engine/repInPlaceEditors.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() { enginesetup::StartEngine(); }

std::vector<std::string>* Log = nullptr;

// A memo that logs its hooks and can ask for the event to go on to its parent.
class TRecorder : public TrepMemoView {
public:
  using TrepMemoView::TrepMemoView;
  bool FireParent = false;
  bool Handles = true;

protected:
  void Note(const char* What, TrepInteractiveEventsParams& P) {
    Log->push_back(Name() + ":" + What);
    if (FireParent) P.FireParentEvent = true;
  }
  bool DoMouseDown(int, int, rt::TMouseButton, rt::TShiftState, TrepInteractiveEventsParams& P) override {
    Note("down", P);
    return Handles;
  }
  void DoMouseMove(int, int, rt::TShiftState, TrepInteractiveEventsParams& P) override { Note("move", P); }
  void DoMouseUp(int, int, rt::TMouseButton, rt::TShiftState, TrepInteractiveEventsParams& P) override { Note("up", P); }
  void DoMouseEnter(TrepComponent*, TrepInteractiveEventsParams& P) override { Note("enter", P); }
  void DoMouseLeave(TrepComponent*, TrepInteractiveEventsParams& P) override { Note("leave", P); }
  void DoMouseClick(bool, TrepInteractiveEventsParams& P) override { Note("click", P); }
  bool DoMouseWheel(rt::TShiftState, int, gfx::TPoint, TrepInteractiveEventsParams& P) override {
    Note("wheel", P);
    return Handles;
  }
  bool DoDragOver(rt::TObject*, int, int, TrepDragState, bool&, TrepInteractiveEventsParams& P) override {
    Note("dragover", P);
    return Handles;
  }
  bool DoDragDrop(rt::TObject*, int, int, TrepInteractiveEventsParams& P) override {
    Note("drop", P);
    return Handles;
  }
};

// A container band with the same logging.
class TRecorderBand : public TrepDataBand {
public:
  using TrepDataBand::TrepDataBand;

protected:
  bool DoMouseDown(int, int, rt::TMouseButton, rt::TShiftState, TrepInteractiveEventsParams&) override {
    Log->push_back(Name() + ":down");
    return true;
  }
  void DoMouseEnter(TrepComponent*, TrepInteractiveEventsParams&) override { Log->push_back(Name() + ":enter"); }
  void DoMouseLeave(TrepComponent*, TrepInteractiveEventsParams&) override { Log->push_back(Name() + ":leave"); }
};

// An editor of memos that logs and handles pointer events when told to.
class TEditor : public TrepInPlaceEditor {
public:
  using TrepInPlaceEditor::TrepInPlaceEditor;
  static inline bool Handles = false;
  bool DoMouseDown(int, int, TrepInteractiveEventsParams&) override { return Note("down"); }
  bool DoMouseMove(int, int, rt::TShiftState, TrepInteractiveEventsParams&) override { return Note("move"); }
  bool DoCustomDragDrop(rt::TObject*, int, int, TrepInteractiveEventsParams&) override { return Note("drop"); }
  void InitializeUI(TrepInteractiveEventsParams&) override { Log->push_back("editor:init"); }
  void FinalizeUI(TrepInteractiveEventsParams&) override { Log->push_back("editor:final"); }

private:
  bool Note(const char* What) {
    Log->push_back(std::string("editor:") + What + ":" + (Component() ? Component()->Name() : "-"));
    return Handles;
  }
};

const TrepInPlaceEditorClassInfo EditorClass{"TEditor", [](rt::TClass C, rt::TObject* O) -> TrepInPlaceEditor* {
                                               return new TEditor(C, O);
                                             }};

// Report > page > band (20, 100, 400 x 60) > memos; a vertical and a horizontal line on the page.
class HitTest : public ::testing::Test {
protected:
  void SetUp() override {
    Start();
    Log = &Events;
    TEditor::Handles = false;
    Page = new TrepReportPage(&R);
    Page->SetName("Page1");
    Band = new TRecorderBand(Page);
    Band->SetName("Band1");
    Band->SetBounds(20, 100, 400, 60);
    Memo1 = new TRecorder(Band);
    Memo1->SetName("Memo1");
    Memo1->SetBounds(10, 10, 100, 20);
    Memo2 = new TRecorder(Band);
    Memo2->SetName("Memo2");
    Memo2->SetBounds(50, 15, 100, 20);  // over Memo1's right half
    VLine = new TrepLineView(Page);
    VLine->SetName("VLine");
    VLine->SetBounds(100, 300, 0, 50);
    HLine = new TrepLineView(Page);
    HLine->SetName("HLine");
    HLine->SetBounds(200, 50, 80, 0);
  }
  void TearDown() override { Log = nullptr; }

  TrepReport R{nullptr};
  TrepReportPage* Page = nullptr;
  TRecorderBand* Band = nullptr;
  TRecorder* Memo1 = nullptr;
  TRecorder* Memo2 = nullptr;
  TrepLineView* VLine = nullptr;
  TrepLineView* HLine = nullptr;
  std::vector<std::string> Events;
};

TEST_F(HitTest, PointsOnObjectsAndLines) {
  struct TCase {
    const char* Object;
    double X, Y;
    bool Hit;
  };
  const TCase Cases[] = {
      {"VLine", 96, 320, true},   {"VLine", 104, 320, true},  {"VLine", 105, 320, false},
      {"VLine", 100, 295, false}, {"VLine", 100, 350, true},  {"HLine", 240, 46, true},
      {"HLine", 240, 54, true},   {"HLine", 240, 55, false},  {"HLine", 199, 50, false},
      // Nested: Memo1 sits at 20 + 10, 100 + 10 on the page.
      {"Memo1", 30, 110, true},   {"Memo1", 130, 130, true},  {"Memo1", 29.9, 110, false},
      {"Memo1", 10, 10, false},   {"Band1", 20, 160, true},   {"Band1", 420.5, 120, false},
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(R.FindObject(C.Object)->IsContain(C.X, C.Y), C.Hit) << C.Object << " " << C.X << "," << C.Y;

  // A zero-size object is a point hit within 4 pixels across, not along.
  auto* Dot = new TrepLineView(Page);
  Dot->SetBounds(10, 10, 0, 0);
  EXPECT_TRUE(Dot->IsContain(14, 10));
  EXPECT_FALSE(Dot->IsContain(10, 11));
}

TEST_F(HitTest, TopmostObjectAtAPoint) {
  struct TCase {
    double X, Y;
    const char* Found;  // nullptr: nothing
  };
  const TCase Cases[] = {
      {35, 115, "Memo1"},     // only Memo1
      {100, 120, "Memo2"},    // both memos: the later one is on top
      {300, 150, "Band1"},    // the band, no memo
      {100, 320, "VLine"},
      {700, 1000, "Page1"},   // the page only
      {5000, 5000, nullptr},  // off the page
  };
  for (const TCase& C : Cases) {
    TrepComponent* Found = Page->GetContainedComponent(C.X, C.Y);
    if (C.Found == nullptr)
      EXPECT_EQ(Found, nullptr) << C.X << "," << C.Y;
    else
      EXPECT_EQ(Found != nullptr ? Found->Name() : "(none)", C.Found) << C.X << "," << C.Y;
  }
  // A null band on top is passed over for what lies under it.
  auto* Null = new TrepNullBand(Page);
  Null->SetBounds(0, 0, 800, 400);
  EXPECT_EQ(Page->GetContainedComponent(35, 115), Memo1);
  // Looking for a place to drop a memo: the band takes it, a memo does not; an object is never
  // its own place.
  auto* Dropped = new TrepMemoView(nullptr);
  EXPECT_EQ(Page->GetContainedComponent(300, 150, Dropped), Band);
  EXPECT_EQ(Page->GetContainedComponent(35, 115, Dropped), Band) << "the memo under the point refuses";
  EXPECT_EQ(Band->GetContainedComponent(300, 150, Band), nullptr);
  delete Dropped;
}

TEST_F(HitTest, RubberBandSelection) {
  auto Names = [](const std::vector<TrepComponent*>& L) {
    std::string S;
    for (TrepComponent* C : L) S += C->Name() + " ";
    return S;
  };
  std::vector<TrepComponent*> Found;
  // Around Memo1 only (30,110)-(130,130), edges included.
  Page->GetContainedComponents(TrepRect{30, 110, 130, 130}, nullptr, &Found);
  EXPECT_EQ(Names(Found), "Memo1 ");
  Found.clear();
  // Around the whole band: the band and its memos, each once even when asked twice.
  Page->GetContainedComponents(TrepRect{0, 90, 500, 200}, nullptr, &Found);
  Page->GetContainedComponents(TrepRect{0, 90, 500, 200}, nullptr, &Found);
  EXPECT_EQ(Names(Found), "Band1 Memo1 Memo2 ");
  Found.clear();
  // Memos only.
  Page->GetContainedComponents(TrepRect{0, 0, 1000, 1200}, TrepMemoView::ClassInfo(), &Found);
  EXPECT_EQ(Names(Found), "Memo1 Memo2 ");
  Found.clear();
  // A line drawn right to left counts by its normalised rectangle.
  VLine->SetBounds(100, 300, -30, 50);
  Page->GetContainedComponents(TrepRect{70, 300, 100, 350}, TrepLineView::ClassInfo(), &Found);
  EXPECT_EQ(Names(Found), "VLine ");
  Found.clear();
  // An object container joins only when the caller selects containers.
  Band->frComponentStyle.Include(csObjectsContainer);
  Page->GetContainedComponents(TrepRect{0, 90, 500, 200}, nullptr, &Found);
  EXPECT_EQ(Names(Found), "Memo1 Memo2 ");
  Found.clear();
  Band->GetContainedComponents(TrepRect{0, 90, 500, 200}, nullptr, &Found, true);
  EXPECT_EQ(Names(Found), "Band1 Memo1 Memo2 ");
  Page->GetContainedComponents(TrepRect{0, 0, 1, 1}, nullptr, nullptr);  // no list: nothing
}

TEST_F(HitTest, AcceptRules) {
  auto* Contained = new TrepMemoView(nullptr);
  Contained->frComponentStyle.Include(csContained);
  auto* Free = new TrepMemoView(nullptr);
  struct TCase {
    TrepComponent* Target;
    TrepComponent* Control;
    bool Accepts;
  };
  const TCase Cases[] = {
      {Band, nullptr, true},      // nothing to place
      {Band, Free, true},         // a view goes into a band
      {Page, Free, true},         // and onto a page
      {Band, Contained, false},   // a contained object goes nowhere else
      {Band, Band, false},        // never into itself
      {Memo1, Free, false},       // a memo holds no objects
      {Band, Page, false},        // a page is no child of anything
  };
  for (const TCase& C : Cases)
    EXPECT_EQ(C.Target->IsAcceptControl(C.Control), C.Accepts)
        << C.Target->Name() << " <- " << (C.Control ? C.Control->ClassName() : "nil");
  delete Contained;
  delete Free;
}

class EventsTest : public HitTest {
protected:
  void SetUp() override {
    HitTest::SetUp();
    Item.ComponentClass = TrepMemoView::ClassInfo();
    Item.EditorClasses = {&EditorClass};
    Item.Visibility = {TrepComponentEditorVisibility{evPreview, evDesigner}};
    Editors.CreateInstanceFromItem(&Item, nullptr, evPreview);
    Params.EditorsList = &Editors;
    Params.EventSender = esPreview;
  }
  TrepComponentEditorsRegItem Item;
  TrepComponentEditorsList Editors;
  TrepInteractiveEventsParams Params;
};

TEST_F(EventsTest, EditorsComeFirstAndFollowThePointer) {
  EXPECT_TRUE(Memo1->MouseDown(35, 115, rt::mbLeft, 0, Params));
  TEditor::Handles = true;
  EXPECT_TRUE(Memo2->MouseDown(100, 120, rt::mbLeft, 0, Params));
  Memo2->MouseMove(100, 120, 0, Params);
  EXPECT_TRUE(Memo2->DragDrop(nullptr, 100, 120, Params));
  // Click bypasses the editors.
  Memo2->MouseClick(false, Params);
  const std::vector<std::string> Expected = {"editor:down:Memo1", "Memo1:down",         "editor:down:Memo2",
                                             "editor:move:Memo2", "editor:drop:Memo2", "Memo2:click"};
  EXPECT_EQ(Events, Expected);
  // A freed object lets its editors go.
  delete Memo2;
  Events.clear();
  Memo1->MouseMove(35, 115, 0, Params);
  EXPECT_EQ(Events, (std::vector<std::string>{"editor:move:Memo1"}));
}

TEST_F(EventsTest, PreviewRestrictionsAndParentEvents) {
  Memo1->SetRestrictions(TrepRestrictions{rfDontEditInPreview});
  Memo1->MouseMove(35, 115, 0, Params);
  EXPECT_FALSE(Memo1->MouseDown(35, 115, rt::mbLeft, 0, Params));
  Memo1->MouseClick(false, Params);
  bool Accept = false;
  EXPECT_TRUE(Memo1->DragOver(nullptr, 35, 115, dsDragMove, Accept, Params));  // never ignored
  Params.EventSender = esDesigner;
  Memo1->MouseMove(35, 115, 0, Params);
  EXPECT_EQ(Events, (std::vector<std::string>{"Memo1:dragover", "editor:move:Memo1", "Memo1:move"}));
  Events.clear();
  Params.EventSender = esPreview;
  Params.EditRestricted = true;
  Memo2->MouseMove(100, 120, 0, Params);
  EXPECT_TRUE(Events.empty());
  // MouseDown looks at the object's own restriction alone.
  EXPECT_TRUE(Memo2->MouseDown(100, 120, rt::mbLeft, 0, Params));
  Params.EditRestricted = false;
  Events.clear();

  // The hook asks for the parent: the band gets the event while it contains the point.
  Memo2->FireParent = true;
  EXPECT_TRUE(Memo2->MouseDown(100, 120, rt::mbLeft, 0, Params));
  EXPECT_FALSE(Params.FireParentEvent);
  Memo2->MouseDown(1000, 1000, rt::mbLeft, 0, Params);  // outside the band: not passed on
  EXPECT_EQ(Events, (std::vector<std::string>{"editor:down:Memo2", "Memo2:down", "Band1:down", "editor:down:Memo2",
                                              "Memo2:down"}));
}

TEST_F(EventsTest, EnteringAndLeavingMarkTheParent) {
  Memo1->MouseEnter(nullptr, Params);
  EXPECT_TRUE(Memo1->MouseInView);
  EXPECT_TRUE(Band->MouseInView);
  Memo2->MouseEnter(Memo1, Params);  // the band is marked already
  Memo1->MouseLeave(100, 120, Memo2, Params);  // still inside the band
  EXPECT_TRUE(Band->MouseInView);
  Memo2->MouseLeave(1000, 1000, nullptr, Params);  // out of the band too
  EXPECT_FALSE(Band->MouseInView);
  EXPECT_FALSE(Memo2->MouseInView);
  const std::vector<std::string> Expected = {"Band1:enter",  "editor:init", "Memo1:enter", "editor:init",
                                             "Memo2:enter",  "editor:final", "Memo1:leave", "Band1:leave",
                                             "editor:final", "Memo2:leave"};
  EXPECT_EQ(Events, Expected);
}

} // namespace
