#include "report/pdf/repExportPDF.h"

#include <gtest/gtest.h>

namespace {

TEST(PDFExportOptions, DefaultsOfANewFilter) {
  TrepPDFExport f;
  EXPECT_TRUE(f.ShowDialog);
  EXPECT_TRUE(f.UseFileCache);
  EXPECT_TRUE(f.ShowProgress);
  EXPECT_FALSE(f.OverwritePrompt);
  EXPECT_EQ(f.Stream, nullptr);
  EXPECT_TRUE(f.Compressed);
  EXPECT_FALSE(f.EmbeddedFonts());
  EXPECT_TRUE(f.EmbedFontsIfProtected);
  EXPECT_TRUE(f.HTMLTags);
  EXPECT_EQ(f.Quality, 95);
  EXPECT_EQ(f.Author, "Report engine");
  EXPECT_EQ(f.Subject, "Report engine PDF export");
  EXPECT_EQ(f.Producer, "");
  EXPECT_EQ(f.ProtectionFlags(), AllPDFEncBits);
  EXPECT_EQ(f.EncBits(), -4);
  EXPECT_EQ(f.PDFStandard(), psNone);
  EXPECT_EQ(f.PDFVersion(), pv17);
  EXPECT_TRUE(f.SaveOriginalImages());
  EXPECT_EQ(f.PictureDPI(), 0);
  EXPECT_TRUE(f.UsePNGAlpha);
  EXPECT_EQ(f.DefaultExt, ".pdf");
  EXPECT_EQ(f.FilterDesc, "Adobe PDF file (*.pdf)|*.pdf");
  EXPECT_EQ(TrepPDFExport::GetDescription(), "PDF file");
}

TEST(PDFExportOptions, PermissionValueFollowsTheFlags) {
  struct Case {
    TrepPDFEncBits flags;
    int value;
  } cases[] = {{AllPDFEncBits, -4}, {ePrint, -60}, {0, -64}, {eCopy | eAnnot, -16}};
  TrepPDFExport f;
  for (const Case& c : cases) {
    f.SetProtectionFlags(c.flags);
    EXPECT_EQ(f.ProtectionFlags(), c.flags);
    EXPECT_EQ(f.EncBits(), c.value) << c.flags;
  }
}

TEST(PDFExportOptions, PdfAStandardImposesVersionFontsAndTransparency) {
  TrepPDFExport f;
  f.SetTransparency(true);
  f.SetPDFStandard(psPDFA_1b);
  EXPECT_EQ(f.PDFVersion(), pv14);
  EXPECT_TRUE(f.EmbeddedFonts());
  EXPECT_FALSE(f.Transparency());
  EXPECT_TRUE(f.PdfA());
  EXPECT_TRUE(f.IsPDFA_1());
  f.SetPDFVersion(pv17);
  EXPECT_EQ(f.PDFVersion(), pv14);
  f.SetTransparency(true);
  EXPECT_FALSE(f.Transparency());
  f.SetEmbeddedFonts(false);
  EXPECT_TRUE(f.EmbeddedFonts());

  f.SetPdfA(true);
  EXPECT_EQ(f.PDFStandard(), psPDFA_2a);
  EXPECT_EQ(f.PDFVersion(), pv17);
  f.SetTransparency(true);
  EXPECT_TRUE(f.Transparency());

  f.SetPdfA(false);
  EXPECT_EQ(f.PDFStandard(), psNone);
  EXPECT_FALSE(f.IsPDFA());
  f.SetPDFVersion(pv15);
  EXPECT_EQ(f.PDFVersion(), pv15);
  EXPECT_EQ(PDFVersionText(f.PDFVersion()), "1.5");
  f.SetEmbeddedFonts(false);
  EXPECT_FALSE(f.EmbeddedFonts());
}

TEST(PDFExportOptions, PictureResolutionAndOriginalImagesExcludeEachOther) {
  TrepPDFExport f;
  f.SetPictureDPI(150);
  EXPECT_FALSE(f.SaveOriginalImages());
  f.SetSaveOriginalImages(true);
  EXPECT_EQ(f.PictureDPI(), 0);
  f.SetPictureDPI(0);
  EXPECT_TRUE(f.SaveOriginalImages());
}

} // namespace
