// Memo text on every road into the PDF (plain text, turned text through the metafile, character
// spacing, negative gaps through the memo's own text records, formatting tags), prepared as a
// report and exported, then read back by outside readers: pdftotext for the words, pdffonts for
// the embedded subsets, pdftoppm for colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/FontFace.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repPreviewPages.h"
#include "report/pdf/repExportHelpers.h"
#include "report/pdf/repExportPDF.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/engine/A4Page.h"
#include "tests/report/pdf/PDFTools.h"

namespace {

using namespace pdftools;

// One page header band of memos, prepared into one page and exported.
struct TMemoReport {
  struct TStarted {
    TStarted() {
      enginesetup::StartEngine();
      enginesetup::AddScriptModules();
      repDrawTextInitialization();
    }
    ~TStarted() { repDrawTextFinalization(); }
  } Started;
  TrepReport Report{nullptr};
  TrepReportPage* Page;
  TrepPageHeader* Band;
  TTempPath Out{"memoroads"};
  std::string Text, Fonts;

  TMemoReport() {
    Report.EngineOptions.SilentMode = simSilent;
    Page = a4page::New(Report, "Page1");
    Band = new TrepPageHeader(Page);
    Band->SetName("PageHeader1");
    Band->SetBounds(0, 0, 700, 400);
  }

  TrepMemoView* Memo(const char* Name, double Top, std::u16string_view Text) {
    TrepMemoView* M = a4page::Memo(Band, Name, 20, Top, 400, 40, Text);
    M->Font().SetName("Arial");
    M->Font().SetSize(12);
    return M;
  }

  // Prepares, exports without compression (the content stays readable) and reads the text and
  // the font list back.
  std::string Export(bool Compressed = false) {
    EXPECT_TRUE(Report.PrepareReport()) << Report.Errors().Text();
    TrepPDFExport F;
    F.ShowDialog = false;
    F.ShowProgress = false;
    F.Compressed = Compressed;
    F.FixedCreationDateTime = 46000.5;
    F.FixedFileID = "00112233445566778899aabbccddeeff";
    F.SetFileName(Out.Str());
    EXPECT_TRUE(Report.Export(&F)) << Report.Errors().Text();
    Text = RunTool("pdftotext -raw '" + Out.Str() + "' -").Out;
    Fonts = RunTool("pdffonts '" + Out.Str() + "'").Out;
    const TRun Check = RunTool("qpdf --check '" + Out.Str() + "'");
    EXPECT_EQ(Check.Status, 0) << Check.Out << Check.Err;
    return Out.Bytes();
  }

  // The lines of pdffonts that name Family, each "emb yes sub yes"?
  int EmbeddedSubsets(const std::string& Family) const {
    int N = 0;
    std::size_t At = 0;
    while ((At = Fonts.find(Family, At)) != std::string::npos) {
      const std::size_t End = Fonts.find('\n', At);
      const std::string Line = Fonts.substr(At, End - At);
      if (Line.find("yes yes") != std::string::npos && Fonts.rfind('+', At) != std::string::npos) ++N;
      At = End;
    }
    return N;
  }
};

bool Tools() { return HaveTool("pdftotext") && HaveTool("pdffonts") && HaveTool("qpdf"); }

std::string NoBlanks(std::string S) {
  S.erase(std::remove_if(S.begin(), S.end(), [](char C) { return C == ' ' || C == '\n' || C == '\r'; }), S.end());
  return S;
}

// ---- The fallback chain on every road

struct TRoadCase {
  const char* Road;
  int Rotation;
  double CharSpacing;
  double GapX;
};

const TRoadCase Roads[] = {
    {"plain", 0, 0, 2},
    {"turned", 90, 0, 2},
    {"spacing", 0, 2, 2},
    {"negative gap", 0, 0, -1},
};

TEST(MemoRoads, EveryRoadTakesMissingCharactersFromTheFallbackChain) {
  if (!Tools()) GTEST_SKIP() << "poppler-utils and qpdf are needed";
  // U+029F is in DejaVu Sans, not in the Arial stand-in; the ideographs only in the CJK face.
  const std::u16string Latin = u"A\u029FB", Cjk = u"\u5317\u6D77\u4E73\u696D\u682A\u5F0F\u4F1A\u793E";
  for (const TRoadCase& C : Roads) {
    SCOPED_TRACE(C.Road);
    TMemoReport R;
    for (int I = 0; I < 2; ++I) {
      TrepMemoView* M = R.Memo(I ? "Cjk" : "Latin", 20 + 150 * I, I ? Cjk : Latin);
      M->SetRotation(C.Rotation);
      M->CharSpacing = C.CharSpacing;
      M->GapX = C.GapX;
      if (C.Rotation) M->SetBounds(20 + 150 * I, 20, 40, 300);
    }
    const std::string Pdf = R.Export(C.GapX >= 0);
    const std::string Read = NoBlanks(R.Text);
    EXPECT_NE(Read.find(rt::Utf16ToUtf8(Latin)), std::string::npos) << R.Text;
    EXPECT_NE(Read.find(rt::Utf16ToUtf8(Cjk)), std::string::npos) << R.Text;
    EXPECT_EQ(R.Report.Errors().Text().find("No installed font"), std::string::npos) << R.Report.Errors().Text();
    // Three faces, each embedded as a subset.
    EXPECT_EQ(R.EmbeddedSubsets("LiberationSans"), 1) << R.Fonts;
    EXPECT_EQ(R.EmbeddedSubsets("DejaVuSans"), 1) << R.Fonts;
    EXPECT_EQ(R.EmbeddedSubsets("WenQuanYi"), 1) << R.Fonts;
    if (C.GapX < 0) {
      EXPECT_NE(Pdf.find("%--Vector Begin"), std::string::npos);
    } else {
      // The CJK face is a 5 MB collection: its subset of eight ideographs stays small.
      EXPECT_LT(Pdf.size(), 60000u);
    }
  }
}

TEST(MemoRoads, ACharacterNoFaceHasIsReportedOnce) {
  if (!Tools()) GTEST_SKIP() << "poppler-utils and qpdf are needed";
  // An Egyptian hieroglyph (a surrogate pair) and a private-use character: no installed face.
  TMemoReport R;
  R.Memo("Plain", 20, u"x\U00013000y\uE000z");
  TrepMemoView* Turned = R.Memo("Turned", 100, u"\U00013000");
  Turned->SetRotation(90);
  Turned->SetBounds(20, 100, 40, 200);
  R.Export();
  const std::string Errors = R.Report.Errors().Text();
  const std::size_t At = Errors.find("No installed font");
  ASSERT_NE(At, std::string::npos) << Errors;
  EXPECT_EQ(Errors.find("No installed font", At + 1), std::string::npos) << "one line per document";
  EXPECT_NE(Errors.find("U+13000"), std::string::npos) << Errors;
  EXPECT_NE(Errors.find("U+E000"), std::string::npos) << Errors;
  EXPECT_EQ(Errors.find("U+13000", Errors.find("U+13000") + 1), std::string::npos) << "each character once";
  EXPECT_NE(NoBlanks(R.Text).find("xyz"), std::string::npos) << R.Text;
}

// ---- Formatting tags

int RedPixels(const TPixmap& P) {
  int N = 0;
  for (int Y = 0; Y < P.H; ++Y)
    for (int X = 0; X < P.W; ++X) {
      const unsigned char* Px = P.At(X, Y);
      N += Px[0] > 200 && Px[1] < 80 && Px[2] < 80;
    }
  return N;
}

TEST(MemoRoads, MemosWithTagsInUsePrintBoldAndColourAsTheTagsSay) {
  if (!Tools() || !HaveTool("pdftoppm")) GTEST_SKIP() << "poppler-utils and qpdf are needed";
  const std::u16string Tagged = u"<b>Bold</b> and <font color=\"#FF0000\">red</font>";
  struct TCase {
    bool AllowHTMLTags;
    const char* Read;
    bool Bold, Red;
  } Cases[] = {
      {true, "Bold and red", true, true},
      {false, "<b>Bold</b> and <font color=\"#FF0000\">red</font>", false, false},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE(C.AllowHTMLTags);
    TMemoReport R;
    R.Memo("Tags", 20, Tagged)->AllowHTMLTags = C.AllowHTMLTags;
    R.Export();
    EXPECT_NE(R.Text.find(C.Read), std::string::npos) << R.Text;
    EXPECT_EQ(R.Fonts.find("LiberationSans,Bold") != std::string::npos, C.Bold) << R.Fonts;
    EXPECT_EQ(RedPixels(RenderPage(R.Out.Str(), 72)) > 10, C.Red);
  }
}

// ---- Negative gaps

TEST(MemoRoads, ANegativeGapWritesTheMemosOwnTextRecords) {
  if (!Tools()) GTEST_SKIP() << "poppler-utils and qpdf are needed";
  TMemoReport R;
  TrepMemoView* M = R.Memo("Gap", 20, u"first line\r\nsecond line");
  M->GapX = -2;
  M->Font().SetStyle(gfx::FontStyles({gfx::fsUnderline}));
  TrepMemoView* Plain = R.Memo("Plain", 120, u"plain memo");
  (void)Plain;
  const std::string Pdf = R.Export();
  // One record per line, each between its markers; the plain memo writes none.
  int Records = 0;
  for (std::size_t At = 0; (At = Pdf.find("%--Vector Begin", At)) != std::string::npos; ++At) ++Records;
  EXPECT_EQ(Records, 2);
  EXPECT_NE(R.Text.find("first line\nsecond line\nplain memo"), std::string::npos) << R.Text;
  // The underline is stroked under each record.
  const std::size_t End = Pdf.find("%--Vector End");
  ASSERT_NE(End, std::string::npos);
  const std::string First = Pdf.substr(Pdf.find("%--Vector Begin"), End - Pdf.find("%--Vector Begin"));
  EXPECT_NE(First.find("] TJ"), std::string::npos) << "the blank widened to the drawn length";
  EXPECT_NE(First.find("\r\nS\r\n"), std::string::npos) << First;
}

// ---- Ligatures and the font lists

TEST(MemoRoads, LigaturelessFontsGetOneGlyphPerCharacter) {
  enginesetup::StartEngine();
  EXPECT_TRUE(IsLigaturelessFont("calibri"));
  EXPECT_TRUE(IsLigaturelessFont("IBM Plex Sans Condensed"));
  EXPECT_FALSE(IsLigaturelessFont("Arial"));
  const gfx::TFontFace* Serif = gfx::FindFace("DejaVu Serif", false, false);
  ASSERT_NE(Serif, nullptr);
  auto Glyphs = [&](bool Ligatures) {
    std::size_t N = 0;
    for (const TrepPDFRun& Run : ShapeText(Serif, u"office fly", false, Ligatures)) N += Run.Glyphs.size();
    return N;
  };
  if (Glyphs(true) == 10) GTEST_SKIP() << "the face forms no ligatures";
  EXPECT_EQ(Glyphs(false), 10u);

  // Listed, a face's text is written one glyph per character, so every character is found.
  AddLigaturelessFont("dejavu serif");
  EXPECT_TRUE(IsLigaturelessFont("DejaVu Serif"));
  if (!Tools()) return;
  TMemoReport R;
  R.Memo("Liga", 20, u"office fly")->Font().SetName("DejaVu Serif");
  R.Export();
  EXPECT_NE(R.Text.find("office fly"), std::string::npos) << R.Text;
}

TEST(MemoRoads, SimulatedStylesAndCorrectionsComeFromTheirLists) {
  gfx::TFont F;
  F.SetName("Arial Black");
  F.SetStyle(gfx::FontStyles({gfx::fsBold, gfx::fsItalic}));
  EXPECT_EQ(SimulatedFontStyle(F), 0u) << "drawn from the regular face";
  F.SetName("Tahoma");
  EXPECT_EQ(SimulatedFontStyle(F), gfx::FontStyles({gfx::fsBold}));
  F.SetName("Arial");
  EXPECT_EQ(SimulatedFontStyle(F), F.Style());

  TPDFFontSimulationList L;
  L.AddFont("Face", 0);
  EXPECT_FALSE(L.IsNeedsBold("Face"));
  L.AddFont("Face", gfx::FontStyles({gfx::fsBold}));
  L.AddFont("Face", gfx::FontStyles({gfx::fsItalic}));
  EXPECT_TRUE(L.IsNeedsBold("Face") && L.IsNeedsItalic("Face"));
  EXPECT_FALSE(L.IsNeedsBold("face")) << "names compare exactly";

  TPDFFontCorrectionList C;
  C.AddCorrection("Mono", 10, 1.01);
  C.AddCorrection("MONO", 70, 2.0);  // outside 0 .. 64: ignored
  struct {
    const char* Name;
    int Size;
    double Factor;
  } Rows[] = {{"mono", 10, 1.01}, {"Mono", 11, 1.0}, {"Mono", 70, 1.0}, {"Other", 10, 1.0}};
  for (const auto& Row : Rows) EXPECT_DOUBLE_EQ(C.GetCorrection(Row.Name, Row.Size), Row.Factor) << Row.Name;
  C.DeleteCorrection("MONO");
  EXPECT_DOUBLE_EQ(C.GetCorrection("Mono", 10), 1.0);

  F.SetName("Courier New");
  F.SetSize(10);
  F.SetStyle(0);
  EXPECT_DOUBLE_EQ(PDFFontSize(F), 10.005);
  AddFontCorrection("Test Mono", 9, 1.1);
  EXPECT_DOUBLE_EQ(FontCorrectionFactor("test mono", 9), 1.1);
}

TEST(MemoRoads, ASimulatedBoldFaceIsTheRegularFaceThickened) {
  if (!Tools()) GTEST_SKIP() << "poppler-utils and qpdf are needed";
  TMemoReport R;
  TrepMemoView* M = R.Memo("Black", 20, u"heavy");
  M->Font().SetName("Arial Black");
  M->Font().SetStyle(gfx::FontStyles({gfx::fsBold}));
  const std::string Pdf = R.Export();
  EXPECT_NE(Pdf.find("2 Tr "), std::string::npos);
  EXPECT_EQ(R.Fonts.find("Bold"), std::string::npos) << R.Fonts;
  EXPECT_NE(R.Text.find("heavy"), std::string::npos);
}

} // namespace
