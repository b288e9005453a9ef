// The PDF options window's logic: standards constraining the other options, filling the
// controls from a filter and writing them back.
#include <gtest/gtest.h>

#include "platform/rt/SysUtils.h"
#include "report/engine/repRes.h"
#include "report/pdf/repExportPDFDialog.h"
#include "report/pdf/repExportPDFHelpers.h"

namespace {

TrepPDFExportDialog Opened(TrepPDFExport& F) {
  TrepPDFExportDialog D;
  D.Localise();
  D.InitFromFilter(F);
  return D;
}

} // namespace

TEST(PDFExportDialog, StandardsConstrainVersionSecurityFontsAndTransparency) {
  TrepPDFExport F;
  F.SetPDFVersion(pv16);
  TrepPDFExportDialog D = Opened(F);
  EXPECT_EQ(D.PDFStandardComboBox.Items.size(), 7u);
  EXPECT_EQ(D.PDFVersionComboBox.Text(), "1.6");
  EXPECT_TRUE(D.PDFVersionComboBox.Enabled);
  D.TransparentCB.Checked = true;

  D.PDFStandardComboBox.Select("PDF/A-1b");
  D.PDFStandardComboBoxChange();
  EXPECT_EQ(D.PDFVersionComboBox.Text(), "1.4");
  EXPECT_FALSE(D.PDFVersionComboBox.Enabled);
  EXPECT_FALSE(D.SecGBVisible);
  EXPECT_FALSE(D.PermGBVisible);
  EXPECT_TRUE(D.EmbeddedCB.Checked);
  EXPECT_FALSE(D.EmbeddedCB.Enabled);
  EXPECT_FALSE(D.TransparentCB.Checked);
  EXPECT_FALSE(D.TransparentCB.Enabled);

  D.PDFStandardComboBox.Select("None");
  D.PDFStandardComboBoxChange();
  EXPECT_TRUE(D.PDFVersionComboBox.Enabled);
  EXPECT_TRUE(D.SecGBVisible);
  EXPECT_EQ(D.PDFVersionComboBox.Text(), "1.4");  // the last one selected stays
  EXPECT_TRUE(D.TransparentCB.Enabled);

  // A text the list lacks selects nothing new (letter case counts).
  D.PDFStandardComboBox.Select("pdf/a-2b");
  EXPECT_EQ(D.PDFStandardComboBox.Text(), "None");
}

TEST(PDFExportDialog, OpeningForPDFA2ShowsItsVersion) {
  TrepPDFExport F;
  F.SetPDFVersion(pv15);
  F.SetPDFStandard(psPDFA_2b);
  TrepPDFExportDialog D = Opened(F);
  EXPECT_EQ(D.PDFStandardComboBox.Text(), "PDF/A-2b");
  EXPECT_EQ(D.PDFVersionComboBox.Text(), "1.7");
  EXPECT_TRUE(D.TransparentCB.Enabled);
}

TEST(PDFExportDialog, ControlsRoundTripThroughTheFilter) {
  TrepPDFExport F;
  F.Title = "Sizing";
  F.Quality = 80;
  F.SetProtectionFlags(ePrint | eCopy);
  F.HideMenubar = true;
  TrepPDFExportDialog D = Opened(F);
  EXPECT_TRUE(F.Outline);  // no report: the outline is offered
  EXPECT_EQ(D.QualityEdit, "80");
  EXPECT_TRUE(D.PrintCB.Checked);
  EXPECT_FALSE(D.ModCB.Checked);
  EXPECT_TRUE(D.HideMenubarCB.Checked);
  EXPECT_EQ(D.TitleE, "Sizing");

  D.QualityEdit = "60";
  D.ModCB.Checked = true;
  D.OwnPassE = "owner";
  D.CenterWindowCB.Checked = true;
  D.PDFVersionComboBox.Select("1.5");
  D.ApplyToFilter(F);
  EXPECT_EQ(F.Quality, 60);
  EXPECT_EQ(F.ProtectionFlags(), ePrint | eModify | eCopy);
  EXPECT_EQ(F.OwnerPassword, "owner");
  EXPECT_TRUE(F.CenterWindow);
  EXPECT_EQ(F.PDFVersion(), pv15);

  // A quality that is no number is refused before anything changes.
  D.QualityEdit = "high";
  D.TitleE = "Other";
  EXPECT_THROW(D.ApplyToFilter(F), rt::EConvertError);
  EXPECT_EQ(F.Title, "Sizing");
}

TEST(PDFExportDialog, CaptionsComeFromTheExportTable) {
  repInitExportResources();
  EXPECT_EQ(TrepPDFExportDialog::Caption("CompressedCB"), "Compressed");
  EXPECT_EQ(TrepPDFExportDialog::Caption("InfoPage"), "Information");
  EXPECT_EQ(TrepPDFExportDialog::Caption("Nothing"), "");
}
