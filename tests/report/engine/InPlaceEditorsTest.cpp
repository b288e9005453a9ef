// Interactive editing support: selection lists, the editor registry with visibility, editor
// instances per preview, managers, and the preview's default event parameters and copy.
#include <gtest/gtest.h>

#include "report/engine/repClass.h"
#include "report/engine/repInPlaceEditors.h"
#include "tests/report/engine/NullPreview.h"

namespace {

std::vector<std::string> Log;

class TLoggingEditor : public TrepInPlaceEditor {
public:
  using TrepInPlaceEditor::TrepInPlaceEditor;
  void CopyContent(TrepComponent* From, TrepInteractiveEventsParams&, rt::TStream*, TrepCopyPasteType As) override {
    Log.push_back("copy " + From->Name() + " as " + std::to_string(As));
  }
  TrepCopyPasteType DefaultContentType() override { return cptText; }
  bool IsPasteAvailable(TrepComponent*, TrepInteractiveEventsParams&, TrepCopyPasteType) override { return true; }
  void DrawCustomEditor(gfx::TCanvas&, const gfx::TRect& R) override {
    Log.push_back("draw " + std::to_string(R.Left) + "," + std::to_string(R.Top) + "," + std::to_string(R.Right) +
                  "," + std::to_string(R.Bottom));
  }
};

const TrepInPlaceEditorClassInfo LoggingEditor{"TLoggingEditor", [](rt::TClass C, rt::TObject* Owner) {
                                                 return new TLoggingEditor(C, Owner);
                                               }};
const TrepInPlaceEditorClassInfo DesignerOnly{"TDesignerOnly", [](rt::TClass C, rt::TObject* Owner) {
                                                return new TLoggingEditor(C, Owner);
                                              }};

} // namespace

TEST(SelectedObjects, OnlyReportObjectsStaySelected) {
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  auto* A = new TrepMemoView(Page);
  rt::TObject Plain;
  {
    TrepSelectedObjectsList L;
    L.Add(&Plain);
    EXPECT_EQ(L.Count(), 0);
    EXPECT_EQ(L.InspSelectedObjects().size(), 1u);
    L.Add(A);
    EXPECT_TRUE(A->IsSelected());
    L.Remove(A);
    EXPECT_FALSE(A->IsSelected());
    EXPECT_TRUE(L.InspSelectedObjects().empty());
    // A selected object that goes leaves the list.
    auto* B = new TrepMemoView(Page);
    L.Add(B);
    delete B;
    EXPECT_EQ(L.Count(), 0);
    L.Add(A);
  }
  EXPECT_FALSE(A->IsSelected());
}

TEST(ComponentEditors, RegistryVisibilityManagersAndCopy) {
  TrepComponentEditorsClasses Reg;
  Reg.Register(TrepMemoView::ClassInfo(), {&LoggingEditor});
  Reg.Register(TrepPictureView::ClassInfo(), {&DesignerOnly}, {TrepComponentEditorVisibility{evDesigner}});
  Reg.Register(TrepReportPage::ClassInfo(), {&LoggingEditor});
  auto List = Reg.CreateEditorsInstances(evPreview, nullptr);
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  Page->SetBounds(0, 0, 100, 50);
  auto* Memo = new TrepMemoView(Page);
  Memo->SetName("Memo1");
  auto* Picture = new TrepPictureView(Page);
  EXPECT_NE(FindComponentEditors(List.get(), Memo), nullptr);
  EXPECT_EQ(FindComponentEditors(List.get(), Picture), nullptr);  // visible in the designer only
  EXPECT_EQ(FindComponentEditors(List.get(), new TrepCustomMemoView(Page)), nullptr);  // exact class only

  TNullPreview Preview;
  TrepInteractiveEventsParams P;
  Preview.SetDefaultEventParams(P);
  EXPECT_FALSE(P.EditRestricted);  // no report attached
  EXPECT_FALSE(Preview.InternalIsPasteAvailable());  // nothing selected
  Preview.Report = &R;
  Preview.SetInPlaceEditorsList(std::move(List));
  Preview.SelectionList().Add(Memo);
  Log.clear();
  Preview.InternalCopy();
  EXPECT_EQ(Log, std::vector<std::string>{"copy Memo1 as 1"});
  R.PreviewOptions.Buttons.Include(pbPaste);
  EXPECT_TRUE(Preview.InternalIsPasteAvailable());
  Memo->SetRestrictions({rfDontEditInPreview});
  Log.clear();
  Preview.InternalCopy();
  EXPECT_TRUE(Log.empty());
  EXPECT_FALSE(Preview.InternalIsPasteAvailable());

  // The page draws its custom editors in its scaled rectangle.
  Page->ComponentEditors = FindComponentEditors(Preview.InPlaceEditorsList(), Page);
  gfx::TRecordingCanvas C;
  Log.clear();
  Page->Draw(C, 2, 2, 5, 0);
  EXPECT_EQ(Log, std::vector<std::string>{"draw 10,0,210,100"});
  Page->ComponentEditors = nullptr;
  Preview.SelectionList().Clear();
}
