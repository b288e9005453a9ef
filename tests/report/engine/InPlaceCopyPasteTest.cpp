// Copy and paste of object content through the preview's editors: single objects, cell tables
// of several selected objects, pictures, the text editor's state and the data-field choice.
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "platform/gfx/Picture.h"
#include "platform/rt/Events.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repInPlaceCopyPaste.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/MemoText.h"
#include "tests/report/engine/NullPreview.h"

namespace {

// A page with memos at given cells (column, row), 100 x 20 each, and a preview whose editors
// are those registered for preview use.
struct Grid {
  Grid() {
    enginesetup::StartResources();
    // Other tests expect the process-wide editor registry empty, so it is filled per test.
    repInPlaceCopyPasteInitialization();
    Page = new TrepReportPage(&Report);
    Report.PreviewOptions.Buttons.Include(pbCopy);
    Report.PreviewOptions.Buttons.Include(pbPaste);
    Report.PreviewOptions.AllowPreviewEdit = true;
    Preview.Report = &Report;
    Preview.SetInPlaceEditorsList(ComponentEditorsRegistry().CreateEditorsInstances(evPreview, &Preview));
    repClipboard().Clear();
  }
  ~Grid() { repInPlaceCopyPasteFinalization(); }
  Grid(const Grid&) = delete;
  Grid& operator=(const Grid&) = delete;
  TrepMemoView* Memo(int Col, int Row, std::u16string_view Text) {
    auto* M = new TrepMemoView(Page);
    M->SetBounds(Col * 120, Row * 30, 100, 20);
    M->SetText(Text);
    return M;
  }
  void Select(std::initializer_list<TrepComponent*> Objs) {
    Preview.SelectionList().Clear();
    for (TrepComponent* O : Objs) Preview.SelectionList().Add(O);
  }
  static std::u16string Plain(TrepCustomMemoView* M) { return memotext::PlainU16(M); }
  TrepReport Report{nullptr};
  TrepReportPage* Page;
  TNullPreview Preview;
};

} // namespace

TEST(InPlaceCopyPaste, OneTextObjectGoesThroughTheClipboard) {
  Grid G;
  auto* A = G.Memo(0, 0, u"first\r\nsecond");
  auto* B = G.Memo(1, 0, u"old");
  G.Select({A});
  G.Preview.InternalCopy();
  EXPECT_EQ(repClipboard().Text(), u"first\r\nsecond\r\n");
  G.Select({B});
  EXPECT_TRUE(G.Preview.InternalIsPasteAvailable());
  G.Preview.InternalPaste();
  EXPECT_EQ(Grid::Plain(B), u"first\r\nsecond");
  // An object restricted in the preview takes nothing.
  B->SetRestrictions(TrepRestrictions{rfDontEditInPreview});
  repClipboard().SetText(u"new");
  G.Preview.InternalPaste();
  EXPECT_EQ(Grid::Plain(B), u"first\r\nsecond");
}

TEST(InPlaceCopyPaste, SeveralObjectsCopyAsCells) {
  Grid G;
  auto* C = G.Memo(0, 1, u"third");
  auto* B = G.Memo(1, 0, u"two\r\nlines");
  auto* A = G.Memo(0, 0, u"one");
  G.Select({C, B, A});
  G.Preview.InternalCopy();
  EXPECT_EQ(repClipboard().Text(), u"one\ttwo lines\r\nthird");
  // The selection list is given back after the copy.
  EXPECT_EQ(G.Preview.SelectionList().Count(), 3);
}

TEST(InPlaceCopyPaste, CellsPasteIntoTheGridTheyFit) {
  {
    Grid G;
    auto* A = G.Memo(0, 0, u"");
    auto* B = G.Memo(1, 0, u"");
    auto* C = G.Memo(0, 1, u"");
    auto* D = G.Memo(1, 1, u"");
    G.Select({D, C, B, A});
    repClipboard().SetText(u"a\tb\r\nc\td");
    G.Preview.InternalPaste();
    EXPECT_EQ(Grid::Plain(A), u"a");
    EXPECT_EQ(Grid::Plain(B), u"b");
    EXPECT_EQ(Grid::Plain(C), u"c");
    EXPECT_EQ(Grid::Plain(D), u"d");
  }
  {
    Grid G;
    auto* A = G.Memo(0, 0, u"x");
    auto* B = G.Memo(1, 0, u"y");
    auto* C = G.Memo(2, 0, u"kept");
    G.Select({A, B, C});
    repClipboard().SetText(u"a\tb\r\nc\td");
    G.Preview.InternalPaste();
    EXPECT_EQ(Grid::Plain(A), u"a");
    EXPECT_EQ(Grid::Plain(B), u"b");
    EXPECT_EQ(Grid::Plain(C), u"kept");
  }
  {
    // The first object takes the first cell even when it is empty; a rest of a line beyond the
    // row's objects is skipped.
    Grid G;
    auto* A = G.Memo(0, 0, u"was");
    auto* C = G.Memo(0, 1, u"");
    G.Select({A, C});
    repClipboard().SetText(u"\tignored\r\nnext");
    G.Preview.InternalPaste();
    EXPECT_EQ(Grid::Plain(A), u"");
    EXPECT_EQ(Grid::Plain(C), u"next");
  }
}

TEST(InPlaceCopyPaste, PicturesGoToEverySelectedPicture) {
  Grid G;
  auto* P1 = new TrepPictureView(G.Page);
  auto* P2 = new TrepPictureView(G.Page);
  auto* Src = new TrepPictureView(G.Page);
  gfx::TBitmap Bmp(4, 3);
  Src->Picture().SetGraphic(&Bmp);
  G.Select({Src});
  G.Preview.InternalCopy();
  EXPECT_TRUE(repClipboard().HasPicture());
  G.Select({P1, P2});
  EXPECT_TRUE(G.Preview.InternalIsPasteAvailable());
  G.Preview.InternalPaste();
  EXPECT_EQ(P1->Picture().Width(), 4);
  EXPECT_EQ(P2->Picture().Height(), 3);
}

TEST(InPlaceMemoEditor, EditsCoverTheObjectAndCommitOrDiscard) {
  Grid G;
  auto* M = G.Memo(1, 1, u"text\r\n");
  M->HAlign = haRight;
  TrepInPlaceMemoEditor E(TrepMemoView::ClassInfo(), nullptr);
  E.SetComponent(M);
  E.SetOffset(5, 7, 2);
  int Finished = 0;
  TrepInteractiveEventsParams P;
  P.EventSender = esPreview;
  P.OnFinish = [&](rt::TObject*, bool, bool Modified) { Finished += Modified ? 1 : 0; };

  E.DoMouseUp(0, 0, rt::mbLeft, 0, P);
  EXPECT_FALSE(E.Visible());  // no Alt, no text tool
  E.DoMouseUp(0, 0, rt::mbLeft, rt::ssAlt, P);
  ASSERT_TRUE(E.Visible());
  EXPECT_EQ(E.EditText(), u"text");  // without the final line break
  EXPECT_EQ(E.Bounds().Left, 240 + 5);
  EXPECT_EQ(E.Bounds().Right, RoundHalfEven((120 + 100) * 2 + 1) + 5);
  EXPECT_EQ(E.Alignment(), TrepInPlaceMemoEditor::taRightJustify);
  EXPECT_EQ(E.Color(), gfx::clWhite);

  E.SetEditText(u"changed");
  E.Discard();
  EXPECT_FALSE(E.Visible());
  EXPECT_EQ(Grid::Plain(M), u"text");
  EXPECT_EQ(Finished, 0);

  E.DoMouseUp(0, 0, rt::mbLeft, rt::ssAlt, P);
  E.SetEditText(u"changed");
  EXPECT_TRUE(E.EditInPlaceDone());
  EXPECT_EQ(Grid::Plain(M), u"changed");
  EXPECT_EQ(Finished, 1);

  M->SetRestrictions(TrepRestrictions{rfDontEditInPreview});
  E.DoMouseUp(0, 0, rt::mbLeft, rt::ssAlt, P);
  EXPECT_FALSE(E.Visible());
}

TEST(InPlaceDataField, ChoosingAFieldBindsTheSelection) {
  Grid G;
  auto* DS = new TrepMemoryDataSet(G.Page);
  DS->SetName("Items");
  DS->Fields.Add("Name");
  DS->Fields.Add("Price");
  auto* Band = new TrepDataBand(G.Page);
  Band->SetDataSet(DS);
  auto* A = new TrepMemoView(Band);
  auto* B = new TrepMemoView(Band);
  auto* Loose = G.Memo(0, 0, u"");
  TrepInPlaceDataFiledEditor E(TrepMemoView::ClassInfo(), nullptr);
  TrepSelectedObjectsList Sel;
  Sel.Add(A);
  Sel.Add(B);
  E.Components = &Sel;
  E.SetComponent(A);
  EXPECT_EQ(E.FieldList(), (std::vector<std::string>{"Name", "Price"}));
  E.ChooseField("Price");
  EXPECT_TRUE(E.Modified());
  for (TrepMemoView* M : {A, B}) {
    EXPECT_EQ(M->DataSet(), DS);
    EXPECT_EQ(M->DataField, "Price");
  }
  EXPECT_EQ(TrepInPlaceDataFiledEditor::DataSetOf(Loose), nullptr);
  EXPECT_EQ(TrepInPlaceDataFiledEditor::ButtonSize(96, 40), 16);
  EXPECT_EQ(TrepInPlaceDataFiledEditor::ButtonSize(144, 40), 24);
  EXPECT_EQ(TrepInPlaceDataFiledEditor::ButtonSize(144, 13), 12);
}

TEST(InPlaceDataField, DroppedFieldsBindOrBecomeExpressions) {
  Grid G;
  auto* DS = new TrepMemoryDataSet(G.Page);
  DS->SetName("Items");
  G.Report.DataSets().Add(DS);
  auto* M = G.Memo(0, 0, u"old");
  TrepInPlaceDataFiledEditor E(TrepMemoView::ClassInfo(), nullptr);
  E.SetComponent(M);
  TrepInteractiveEventsParams P;
  using N = TrepInPlaceDataFiledEditor::TDroppedNode;

  // One field binds the text object to it.
  EXPECT_TRUE(E.DropNodes({N{DS, "Name"}}, P));
  EXPECT_EQ(M->DataSet(), DS);
  EXPECT_EQ(M->DataField, "Name");
  EXPECT_TRUE(P.Modified);
  // Two fields: both bracketed, the one selected last first, nothing between them.
  EXPECT_TRUE(E.DropNodes({N{DS, "Name"}, N{DS, "Price"}}, P));
  EXPECT_EQ(Grid::Plain(M), u"[Items.\"Price\"][Items.\"Name\"]");
  EXPECT_EQ(M->DataSet(), nullptr);
  EXPECT_EQ(M->DataField, "");
  // A name without a data set (a variable) in brackets.
  EXPECT_TRUE(E.DropNodes({N{nullptr, "Total"}}, P));
  EXPECT_EQ(Grid::Plain(M), u"[Total]");

  // A picture takes the first field walked and ignores names.
  auto* Pic = new TrepPictureView(G.Page);
  E.SetComponent(Pic);
  EXPECT_FALSE(E.DropNodes({N{nullptr, "Total"}}, P));
  EXPECT_TRUE(E.DropNodes({N{DS, "Photo"}, N{DS, "Logo"}}, P));
  EXPECT_EQ(Pic->DataField, "Logo");
}

namespace {

// A master band at (10, 100), 200 wide under a 20-point title strip, holding text objects tagged
// for the first, second and third dragged field; the editors are those a designer makes, at
// scale 2.
struct BandDesign {
  BandDesign() {
    enginesetup::StartResources();
    repInPlaceCopyPasteInitialization();
    Page = new TrepReportPage(&Report);
    Items = new TrepMemoryDataSet(Page);
    Items->SetName("Items");
    Report.DataSets().Add(Items);
    Band = new TrepMasterData(Page);
    Band->SetBounds(10, 100, 200, 40);
    Band->BandDesignHeader = 20;
    Band->SetDataSet(Items);
    for (int Tag = 1; Tag <= 3; ++Tag) {
      auto* M = new TrepMemoView(Band);
      M->SetBounds(10 + (Tag - 1) * 60, 100, 50, 20);
      M->SetText(u"keep");
      M->IndexTag = Tag;
      Tagged.push_back(M);
    }
    Editors = ComponentEditorsRegistry().CreateEditorsInstances(evDesigner, nullptr);
  }
  ~BandDesign() {
    Editors.reset();
    repInPlaceCopyPasteFinalization();
  }
  BandDesign(const BandDesign&) = delete;
  BandDesign& operator=(const BandDesign&) = delete;
  TrepInteractiveEventsParams Params() {
    TrepInteractiveEventsParams P;
    P.EventSender = esDesigner;
    P.EditorsList = Editors.get();
    P.Scale = 2;
    return P;
  }
  TrepInPlaceBandEditor* Editor() {
    TrepComponentEditorsManager* M = FindComponentEditors(Editors.get(), Band);
    return M ? dynamic_cast<TrepInPlaceBandEditor*>(M->EditorsInstances().front()) : nullptr;
  }
  TrepReport Report{nullptr};
  TrepReportPage* Page;
  TrepMemoryDataSet* Items;
  TrepMasterData* Band;
  std::vector<TrepMemoView*> Tagged;
  std::unique_ptr<TrepComponentEditorsList> Editors;
};

} // namespace

TEST(InPlaceBandEditor, RegisteredForMasterBandsInTheDesignerOnly) {
  BandDesign D;
  const TrepComponentEditorsRegItem* Item = ComponentEditorsRegistry().Item("TrepMasterData");
  ASSERT_NE(Item, nullptr);
  ASSERT_EQ(Item->EditorClasses.size(), 1u);
  EXPECT_EQ(Item->EditorClasses[0], &repBandEditorClass);
  EXPECT_EQ(Item->Visibility[0], TrepComponentEditorVisibility{evDesigner});
  ASSERT_NE(D.Editor(), nullptr);
  auto Preview = ComponentEditorsRegistry().CreateEditorsInstances(evPreview, nullptr);
  EXPECT_EQ(FindComponentEditors(Preview.get(), D.Band), nullptr);
  auto* Detail = new TrepDetailData(D.Page);
  EXPECT_EQ(FindComponentEditors(D.Editors.get(), Detail), nullptr);
}

TEST(InPlaceBandEditor, DragOverTakesADataTreeOnlyOverTheTitleStrip) {
  BandDesign D;
  TrepDataTreeSource Tree;
  Tree.Selected = {{D.Items, "Name"}};
  // At scale 2 the strip runs from x 20 to 420 and from y 160 to 200 (the band's top), edges
  // excluded.
  struct Case {
    int X, Y;
    rt::TObject* Source;
    bool Taken;
  };
  const Case Cases[] = {{100, 180, &Tree, true},  {21, 161, &Tree, true},   {419, 199, &Tree, true},
                        {20, 180, &Tree, false},  {420, 180, &Tree, false}, {100, 160, &Tree, false},
                        {100, 200, &Tree, false}, {100, 230, &Tree, false}, {100, 180, D.Tagged[0], false}};
  for (const Case& C : Cases) {
    TrepInteractiveEventsParams P = D.Params();
    bool Accept = false;
    EXPECT_EQ(D.Band->DragOver(C.Source, C.X, C.Y, dsDragMove, Accept, P), C.Taken) << C.X << "," << C.Y;
    EXPECT_EQ(Accept, C.Taken) << C.X << "," << C.Y;
    EXPECT_EQ(D.Editor()->DragHighlight(), C.Taken) << C.X << "," << C.Y;
    EXPECT_TRUE(P.Refresh) << "every drag over the band repaints";
  }
  EXPECT_EQ(D.Editor()->TitleStrip(), (gfx::TRect{20, 160, 420, 200}));
  EXPECT_EQ(D.Editor()->DropMarkPos(), (gfx::TPoint{210, 160}));
  // While highlighted the strip, and only the strip, is drawn in a grey checkerboard.
  TrepInteractiveEventsParams P = D.Params();
  bool Accept = false;
  D.Band->DragOver(&Tree, 100, 180, dsDragMove, Accept, P);
  auto GreyPixels = [&](bool InStrip) {
    gfx::TBitmap B(440, 240);
    D.Editor()->DrawCustomEditor(B.Canvas(), {0, 0, 440, 240});
    int N = 0;
    for (int Y = 0; Y < 240; ++Y)
      for (int X = 0; X < 440; ++X)
        if (B.Pixel(X, Y) == 0x808080 && (X >= 20 && X < 420 && Y >= 160 && Y < 200) == InStrip) ++N;
    return N;
  };
  EXPECT_EQ(GreyPixels(true), 400 * 40 / 2);
  EXPECT_EQ(GreyPixels(false), 0);
  // The end of the drag repaints once to take the highlight away.
  FindComponentEditors(D.Editors.get(), D.Band)->FinalizeUI(P);
  EXPECT_TRUE(P.Refresh);
  EXPECT_FALSE(D.Editor()->DragHighlight());
  EXPECT_EQ(GreyPixels(true), 0);
  FindComponentEditors(D.Editors.get(), D.Band)->FinalizeUI(P);
  EXPECT_FALSE(P.Refresh);
}

TEST(InPlaceBandEditor, DroppedFieldsGoToTheObjectsTaggedForThem) {
  BandDesign D;
  TrepDataTreeSource Tree;
  // A variable has no alias and is passed over; the second text object keeps its text.
  Tree.Selected = {{D.Items, "Name"}, {nullptr, "Total"}, {D.Items, "Price"}};
  TrepInteractiveEventsParams P = D.Params();
  // Without the highlight of a drag over the strip nothing is taken.
  EXPECT_FALSE(D.Band->DragDrop(&Tree, 100, 180, P));
  EXPECT_EQ(D.Tagged[0]->DataField, "");

  bool Accept = false;
  ASSERT_TRUE(D.Band->DragOver(&Tree, 100, 180, dsDragMove, Accept, P));
  EXPECT_TRUE(D.Band->DragDrop(&Tree, 100, 180, P));
  EXPECT_TRUE(P.Modified);
  struct Expect {
    TrepDataSet* DataSet;
    const char* Field;
  };
  const Expect Want[] = {{D.Items, "Name"}, {nullptr, ""}, {D.Items, "Price"}};
  for (std::size_t I = 0; I < D.Tagged.size(); ++I) {
    EXPECT_EQ(D.Tagged[I]->DataSet(), Want[I].DataSet) << I;
    EXPECT_EQ(D.Tagged[I]->DataField, Want[I].Field) << I;
    EXPECT_EQ(memotext::PlainU16(D.Tagged[I]), u"keep") << I;
  }

  // A selection of names without an aliased data set gives nothing to drop.
  TrepDataTreeSource Names;
  Names.Selected = {{nullptr, "Total"}};
  ASSERT_TRUE(D.Band->DragOver(&Names, 100, 180, dsDragMove, Accept, P));
  EXPECT_FALSE(D.Band->DragDrop(&Names, 100, 180, P));
}

TEST(InPlaceDataField, ADataTreeDraggedOntoATextObject) {
  BandDesign D;
  TrepMemoView* M = D.Tagged[1];
  TrepDataTreeSource Tree;
  Tree.Selected = {{D.Items, "Name"}, {D.Items, "Price"}};
  TrepInteractiveEventsParams P = D.Params();
  bool Accept = false;
  EXPECT_TRUE(M->DragOver(&Tree, 0, 0, dsDragEnter, Accept, P));
  EXPECT_TRUE(Accept);
  EXPECT_TRUE(M->DragDrop(&Tree, 0, 0, P));
  EXPECT_EQ(memotext::PlainU16(M), u"[Items.\"Price\"][Items.\"Name\"]");
  // A node handed on by the band editor stands alone, and one outside the selection is refused.
  TrepDataTreeEventObject One(&Tree, 1);
  EXPECT_TRUE(M->DragDrop(&One, 0, 0, P));
  EXPECT_EQ(M->DataField, "Price");
  TrepDataTreeEventObject Beyond(&Tree, 2);
  EXPECT_FALSE(M->DragDrop(&Beyond, 0, 0, P));
}

TEST(InPlaceCopyPaste, APasteIsWrittenBackForEverySelectedObject) {
  Grid G;
  auto* A = G.Memo(0, 0, u"a");
  auto* B = G.Memo(1, 0, u"b");
  std::vector<TrepComponent*> Written;
  G.Preview.OnModifyObject = [&](TrepComponent* C) { Written.push_back(C); };
  repClipboard().SetText(u"x\ty");
  G.Select({A, B});
  G.Preview.InternalPaste();
  EXPECT_EQ(Grid::Plain(A), u"x");
  EXPECT_EQ(Written, (std::vector<TrepComponent*>{A, B})) << "a paste that is not written back is lost with the page";
  Written.clear();
  G.Report.PreviewOptions.Buttons.Exclude(pbPaste);
  G.Preview.InternalPaste();
  EXPECT_TRUE(Written.empty());
}

TEST(InPlaceCopyPaste, AScopedClipboardKeepsOneSessionsCopyFromAnother) {
  Grid G;
  auto* A = G.Memo(0, 0, u"secret");
  TrepClipboard Mine, Nested;
  {
    TrepClipboardScope S(Mine);
    G.Select({A});
    G.Preview.InternalCopy();
    {
      TrepClipboardScope Inner(Nested);
      EXPECT_FALSE(repClipboard().HasText());
    }
    EXPECT_EQ(repClipboard().Text().substr(0, 6), u"secret") << "the outer scope comes back";
    // Another thread (another session's request) sees only the process's clipboard.
    bool OtherSees = true;
    std::thread([&] { OtherSees = repClipboard().HasText(); }).join();
    EXPECT_FALSE(OtherSees);
  }
  EXPECT_TRUE(Mine.HasText());
  EXPECT_FALSE(repClipboard().HasText());
}
