// The preview window's logic: tools by preview options, the zoom box, zoom steps, status texts,
// the export menu, colour blending and resolution scaling of the shared controls.
#include <gtest/gtest.h>

#include "report/engine/repClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repPreviewForm.h"
#include "report/engine/repPreviewLayout.h"
#include "report/engine/repRes.h"

namespace {

void Start() {
  static const bool Started = [] {
    repInitEngineResources();
    return true;
  }();
  (void)Started;
}

} // namespace

TEST(PreviewForm, ToolsFollowThePreviewOptions) {
  TrepPreviewOptions O;
  O.Buttons = TrepPreviewButtons{pbPrint, pbFind, pbOutline, pbNavigator};
  TrepPreviewTools T = repPreviewTools(O);
  EXPECT_TRUE(T.Print);
  EXPECT_FALSE(T.ZoomButtons);
  EXPECT_FALSE(T.FullScreen);
  EXPECT_FALSE(T.Sep1);
  EXPECT_FALSE(T.Sep2);
  EXPECT_TRUE(T.Navigator);
  EXPECT_TRUE(T.Close);
  O.Buttons = TrepPreviewButtons{pbZoom, pbNoFullScreen, pbEdit, pbNoClose, pbExport, pbInplaceEdit};
  O.AllowEdit = false;
  T = repPreviewTools(O);
  EXPECT_TRUE(T.ZoomButtons);
  EXPECT_FALSE(T.FullScreen);
  EXPECT_TRUE(T.Designer);
  EXPECT_FALSE(T.DesignerEnabled);
  EXPECT_TRUE(T.Sep2);
  EXPECT_TRUE(T.Save);
  EXPECT_TRUE(T.HighlightEditable);
  EXPECT_FALSE(T.Close);
}

TEST(PreviewForm, CommandsFollowTheMoment) {
  TrepPreviewOptions O;
  O.Buttons = TrepPreviewButtons{pbCopy};
  TrepPreviewCommandState S = repPreviewCommands(O, true, 3, 1, true, true);
  EXPECT_FALSE(S.PageTools);
  EXPECT_FALSE(S.Open);
  EXPECT_FALSE(S.DrillDownItems);
  S = repPreviewCommands(O, false, 0, 0, true, false);
  EXPECT_FALSE(S.PageTools);  // nothing to print without pages
  EXPECT_TRUE(S.Open);
  EXPECT_TRUE(S.CopyVisible);
  EXPECT_FALSE(S.PasteVisible);
  EXPECT_FALSE(S.CopyEnabled);
  EXPECT_FALSE(S.PasteEnabled);  // paste needs a selection too
  S = repPreviewCommands(O, false, 2, 2, true, true);
  EXPECT_TRUE(S.PageTools);
  EXPECT_TRUE(S.PasteEnabled);
  EXPECT_TRUE(S.DrillDownItems);
  O.AllowPreviewEdit = false;
  EXPECT_FALSE(repPreviewCommands(O, false, 2, 2, true, true).CopyVisible);
}

TEST(PreviewForm, ZoomBoxAndSteps) {
  Start();
  EXPECT_EQ(repZoomItems().size(), 8u);
  EXPECT_EQ(repZoomItems()[6], "Page width");
  TrepPreview V;
  repApplyZoomBox(V, -1, "150 %");
  EXPECT_DOUBLE_EQ(V.Zoom(), 1.5);
  repApplyZoomBox(V, -1, "");
  EXPECT_DOUBLE_EQ(V.Zoom(), 1.5);
  repApplyZoomBox(V, 7, "Whole page");
  EXPECT_EQ(V.ZoomMode(), zmWholePage);
  EXPECT_EQ(V.SavedPageNo, -1);

  repApplyZoomBox(V, -1, "100%");
  repZoomStep(V, true);
  EXPECT_EQ(repZoomText(V.Zoom()), "125%");
  V.SetZoom(1.0137);
  repZoomStep(V, true);
  EXPECT_DOUBLE_EQ(V.Zoom(), 1.26);
}

TEST(PreviewForm, StatusTexts) {
  Start();
  EXPECT_EQ(repPageStatusText(3, 10, false), "Page 3 of 10");
  EXPECT_EQ(repPageStatusText(3, 10, true), "First pass: page  10");
}

TEST(PreviewForm, ExportMenuLeavesTheMailExportToItsButton) {
  TrepCustomExportFilter Pdf, Mail, Text;
  auto ClassOf = [&](TrepCustomExportFilter* F) {
    return F == &Pdf ? std::string("TrepPDFExport") : F == &Mail ? std::string("TrepMailExport") : std::string("Other");
  };
  auto Describe = [&](TrepCustomExportFilter* F) { return ClassOf(F); };
  TrepPreviewOptions O;
  O.Buttons = TrepPreviewButtons{pbExport, pbExportQuick};
  TrepExportMenu M = repExportMenu(O, ClassOf, Describe, &Text);
  bool HasPdf = false;
  for (const TrepExportMenuItem& I : M.Items) {
    EXPECT_NE(I.Caption, "TrepMailExport...");
    EXPECT_NE(I.Caption, "Other...");  // the dot-matrix filter
    HasPdf = HasPdf || I.Caption == "TrepPDFExport...";
  }
  EXPECT_TRUE(HasPdf);
  EXPECT_EQ(M.PDFExport, &Pdf);
  EXPECT_EQ(M.EmailExport, &Mail);
  O.Buttons.Include(pbNoEmail);
  EXPECT_EQ(repExportMenu(O, ClassOf, Describe).EmailExport, nullptr);
}

TEST(SharedControls, BlendingAndResolutionScaling) {
  EXPECT_EQ(BlendColors(0xFF0000, 0x0000FF, 30), 0x4D00B3);
  EXPECT_EQ(BlendColors(0x000000, 0xFFFFFF, 500), 0x808080);
  EXPECT_EQ(repComboButtonWidth(144), 16);  // 16.5 to even
  EXPECT_EQ(repComboButtonWidthAfterChange(192), 22);
  EXPECT_EQ(repScaleStoredSize(800, 144), 1200);
  EXPECT_EQ(repSizeToStore(1200, 144), 800);
}
