// What the PDF export writes for text and views: shaping into runs of faces, and the operators
// of one view on a page.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "platform/gfx/FontFace.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repDrawText.h"
#include "report/pdf/repExportPDF.h"

namespace {

const gfx::TFontFace* Arial() { return gfx::FindFace("Arial", false, false); }

std::u16string JoinedText(const std::vector<TrepPDFRun>& Runs) {
  std::u16string R;
  for (const TrepPDFRun& Run : Runs) {
    std::u16string Part;
    if (Run.RTL)
      for (auto It = Run.Glyphs.rbegin(); It != Run.Glyphs.rend(); ++It) Part += It->Text;
    else
      for (const TShapedGlyph& G : Run.Glyphs) Part += G.Text;
    R += Part;
  }
  return R;
}

TEST(Shaping, EveryCharacterReachesExactlyOneGlyph) {
  // Whatever the script, the glyphs' texts give the text back (in visual order of runs, each
  // run read in its own direction): nothing is lost for copying out of the PDF.
  for (const std::u16string& Text :
       {std::u16string(u"Valve sizing e\u0301 Fʟ Δp"), std::u16string(u"office fifty"),
        std::u16string(u"\U0001D538 x"), std::u16string(u"שלום")}) {
    const auto Runs = ShapeText(Arial(), Text, false);
    std::u16string Sorted = JoinedText(Runs), Expected = Text;
    std::sort(Sorted.begin(), Sorted.end());
    std::sort(Expected.begin(), Expected.end());
    EXPECT_EQ(Sorted, Expected) << rt::Utf16ToUtf8(Text);
  }
}

TEST(Shaping, MissingCharactersGoToTheFallbackFace) {
  const auto Runs = ShapeText(Arial(), u"Fʟ", false);
  ASSERT_EQ(Runs.size(), 2u);
  EXPECT_EQ(Runs[0].Face, Arial());
  EXPECT_EQ(Runs[1].Face->Family(), "DejaVu Sans");
  EXPECT_EQ(Runs[1].Glyphs.at(0).Text, u"ʟ");
  EXPECT_NE(Runs[1].Glyphs.at(0).Glyph, 0);
}

TEST(Shaping, RightToLeftRunsComeInVisualOrder) {
  const auto Hebrew = ShapeText(Arial(), u"שלום", false);
  ASSERT_EQ(Hebrew.size(), 1u);
  EXPECT_TRUE(Hebrew[0].RTL);
  EXPECT_EQ(Hebrew[0].Glyphs.front().Text, u"ם");  // the last letter stands leftmost
  const auto Mixed = ShapeText(Arial(), u"abc שלום def", false);
  ASSERT_EQ(Mixed.size(), 3u);
  EXPECT_FALSE(Mixed[0].RTL);
  EXPECT_TRUE(Mixed[1].RTL);
  EXPECT_EQ(Mixed[0].Glyphs.front().Text, u"a");
  EXPECT_EQ(Mixed[2].Glyphs.back().Text, u"f");
  // Under a right-to-left paragraph the Latin word goes to the left.
  const auto Base = ShapeText(Arial(), u"שלום abc", true);
  ASSERT_FALSE(Base.empty());
  EXPECT_FALSE(Base[0].RTL);
  EXPECT_EQ(Base[0].Glyphs.front().Text, u"a");
  EXPECT_EQ(Base.back().Glyphs.back().Text, u"ש");
}

TEST(Shaping, KerningAppliesAcrossTheWholeRun) {
  const gfx::TFontFace* F = Arial();
  long long Nominal = 0;
  for (char32_t C : {U'A', U'V', U' ', U'T', U'o'}) Nominal += F->GlyphAdvance(F->GlyphIndex(C));
  const auto Runs = ShapeText(F, u"AV To", false);
  ASSERT_EQ(Runs.size(), 1u);
  EXPECT_LT(Runs[0].Width(), Nominal);
}

// ---- One view on a page

class PDFContentTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { repDrawTextInitialization(); }
  static void TearDownTestSuite() { repDrawTextFinalization(); }

  // The page content of a document with the given views (uncompressed).
  std::string Content(const std::vector<TrepView*>& Views, const std::vector<TrepPDFTextBlock>& Blocks = {},
                      TrepView* TextView = nullptr) {
    TrepPDFExport F;
    F.Compressed = false;
    F.FixedFileID = "00000000000000000000000000000000";
    F.FixedCreationDateTime = 0;
    rt::TMemoryStream S;
    F.Stream = &S;
    EXPECT_TRUE(F.Start());
    F.StartPage(nullptr, 0);
    for (TrepView* V : Views) F.ExportObject(V);
    for (const TrepPDFTextBlock& B : Blocks) F.ExportTextBlock(TextView, B);
    F.FinishPage(nullptr, 0);
    F.Finish();
    Pdf.assign(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
    const std::size_t At = Pdf.find("stream\r\n") + 8;
    return Pdf.substr(At, Pdf.find("\nendstream", At) - At);
  }
  std::string Pdf;
};

TEST_F(PDFContentTest, FramesAndShapes) {
  struct Case {
    const char* Name;
    std::function<TrepView*()> Make;
    std::vector<std::string> Expected;  // in this order
  };
  std::vector<std::unique_ptr<TrepView>> Keep;
  auto Own = [&](TrepView* V) {
    Keep.emplace_back(V);
    V->SetBounds(100, 100, 200, 100);
    return V;
  };
  const Case Cases[] = {
      {"black rectangle outline: widened by half a pixel",
       [&] {
         auto* V = static_cast<TrepShapeView*>(Own(new TrepShapeView(nullptr)));
         V->Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
         return V;
       },
       {"[] 0 d\r\n0 0 0 RG\r\n0.75 w\r\n", "75.125 691.015 150.75 75.75 re\r\nS\r\n"}},
      {"dashed frame of width 2 on a red memo",
       [&] {
         auto* V = Own(new TrepCustomMemoView(nullptr));
         V->SetColor(0x0000FF);
         V->Frame().Typ = TrepFrameTypes{ftTop};
         V->Frame().SetStyle(fsDash);
         V->Frame().SetWidth(2);
         return V;
       },
       {"q\r\n1 0 0 rg\r\n", " re\r\nf\r\nQ\r\n", "[12.00 ] 0 d\r\n1.50 w\r\n2 J\r\n0 0 0 RG\r\n"}},
      {"double frame line: two strokes, the inner one shorter",
       [&] {
         auto* V = Own(new TrepPictureView(nullptr));
         V->Frame().Typ = TrepFrameTypes{ftBottom};
         V->Frame().BottomLine().Style = fsDouble;
         V->Frame().BottomLine().Width = 2;
         V->Frame().BottomLine().Color = 0x0A0A0A;
         return V;
       },
       {"0.03 0.03 0.03 RG\r\n76.50 692.39 m\r\n224.50 692.39 l\r\nS",
        "0.03 0.03 0.03 RG\r\n73.50 689.39 m\r\n227.50 689.39 l\r\nS"}},
      {"horizontal line with an end arrow",
       [&] {
         auto* V = static_cast<TrepLineView*>(Own(new TrepLineView(nullptr)));
         V->SetHeight(0);
         V->ArrowEnd = true;
         return V;
       },
       {"75.50 766.39 m\r\n225.50 766.39 l\r\nS\r\n", "210.50 762.64 m\r\n225.50 766.39 l\r\n210.50 770.14 l\r\nS"}},
      {"checked box with a full frame: the frame, then the mark",
       [&] {
         auto* V = static_cast<TrepCheckBoxView*>(Own(new TrepCheckBoxView(nullptr)));
         V->Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
         V->CheckStyle = csCheck;
         return V;
       },
       {" l\r\nS\r\n", "q 0 0 0 RG\r\n", " l \r\nS Q\r\n"}},
  };
  for (const Case& C : Cases) {
    const std::string Text = Content({C.Make()});
    std::size_t At = 0;
    for (const std::string& E : C.Expected) {
      const std::size_t Found = Text.find(E, At);
      EXPECT_NE(Found, std::string::npos) << C.Name << ": " << E << " in\n" << Text;
      if (Found != std::string::npos) At = Found + E.size();
    }
  }
}

TEST_F(PDFContentTest, SimulatedStylesAndDecorations) {
  std::unique_ptr<TrepView> M(new TrepCustomMemoView(nullptr));
  M->SetBounds(10, 10, 300, 40);
  TrepPDFTextBlock B;
  B.FontName = "DejaVu Math TeX Gyre";  // one regular face only
  B.FontStyle = gfx::FontStyles({gfx::fsBold, gfx::fsItalic, gfx::fsUnderline, gfx::fsStrikeOut});
  B.Lines = {u"Slanted"};
  const std::string Text = Content({}, {B}, M.get());
  EXPECT_NE(Text.find("1 0 0.25 1 "), std::string::npos) << Text;
  EXPECT_NE(Text.find("2 Tr 0.29 w 0 0 0 RG"), std::string::npos) << Text;
  EXPECT_NE(Text.find("ET\r\n0 Tr\r\n"), std::string::npos) << Text;
  EXPECT_EQ(std::count(Text.begin(), Text.end(), 'S'), 2) << Text;  // underline and strike-out
  // The simulated face is the regular one, named without a style.
  EXPECT_EQ(Pdf.find(",Bold"), std::string::npos);
}

TEST_F(PDFContentTest, AlignmentsEndWhereTheLayoutSays) {
  if (std::system("command -v pdftotext >/dev/null 2>&1") != 0) GTEST_SKIP() << "poppler is installed by scripts/test";
  std::unique_ptr<TrepView> M(new TrepCustomMemoView(nullptr));
  M->SetBounds(50, 50, 300, 200);
  TrepPDFTextBlock Block, Right;
  Block.FontName = Right.FontName = "Arial";
  Block.HAlign = 3;
  Block.Lines = {u"AVAVA Justified lines take the whole width of the memo less its gaps, kerned "
                 u"pairs and every blank included, all lines but the last of the paragraph"};
  Right.HAlign = 1;
  Right.Lines = {u"AVAVA right"};
  TrepPDFExport F;
  rt::TMemoryStream S;
  F.Stream = &S;
  ASSERT_TRUE(F.Start());
  F.StartPage(nullptr, 0);
  F.ExportTextBlock(M.get(), Block);
  M->SetBounds(50, 300, 300, 40);
  F.ExportTextBlock(M.get(), Right);
  F.FinishPage(nullptr, 0);
  F.Finish();
  const std::filesystem::path Path =
      std::filesystem::temp_directory_path() / ("pdfcontent-" + std::to_string(getpid()) + ".pdf");
  std::ofstream(Path, std::ios::binary).write(static_cast<const char*>(S.Memory()), S.Size());
  FILE* P = popen(("pdftotext -bbox " + Path.string() + " - 2>/dev/null").c_str(), "r");
  std::string Out;
  char Buf[4096];
  std::size_t N;
  while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) Out.append(Buf, N);
  pclose(P);
  std::filesystem::remove(Path);
  // The right edge of every line: the last word's xMax per line position.
  std::map<double, double> RightEdge;
  const std::regex Word("xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\"");
  for (auto It = std::sregex_iterator(Out.begin(), Out.end(), Word); It != std::sregex_iterator(); ++It) {
    double& E = RightEdge[std::round(std::stod((*It)[2].str()))];
    E = std::max(E, std::stod((*It)[3].str()));
  }
  ASSERT_GE(RightEdge.size(), 4u) << Out;
  // Memo right edge: (50 + 300 - 2) px = 261 pt, plus the writer's small margin shift.
  const double Edge = (50 + 300 - 2) * 0.75 + 0.5;
  std::size_t Line = 0;
  for (const auto& [Y, X] : RightEdge) {
    ++Line;
    if (Line == RightEdge.size() - 1) continue;  // the paragraph's last line stays short
    EXPECT_NEAR(X, Edge, 0.6) << "line at " << Y;
  }
}

TEST_F(PDFContentTest, TextInsideItsMemoSharesOneTextObject) {
  // Memos in a row, then a rectangle: text that lies inside its memo goes without a clip and
  // keeps the font and colour of the text before it; text that overflows keeps its clip; no
  // drawing operator ever lands inside a text object.
  struct Cell {
    const char16_t* Text;
    double Width;
    gfx::TColor Color;
  };
  struct Case {
    const char* Name;
    std::vector<Cell> Cells;
    std::vector<std::string> Expected;  // in this order
    int Clips, TextObjects, Fonts, Colours;
  };
  const Case Cases[] = {
      {"three cells that fit",
       {{u"Row 1", 120, gfx::clBlack}, {u"Row 2", 120, gfx::clBlack}, {u"Row 3", 120, gfx::clBlack}},
       {"BT\r\n/F0 9.965 Tf\r\n0 0 0 rg\r\n", " Td\r\n[<", "] TJ\r\n90 0 Td\r\n[<", "] TJ\r\n90 0 Td\r\n[<", "ET\r\n",
        " re\r\nS"},
       0, 1, 1, 1},
      {"a colour change keeps the text object",
       {{u"Red", 120, 0x0000FF}, {u"Black", 120, gfx::clBlack}},
       {"BT\r\n/F0 9.965 Tf\r\n1 0 0 rg\r\n", "0 0 0 rg\r\n90 0 Td\r\n", "ET\r\n"},
       0, 1, 1, 2},
      {"an overflowing cell is clipped, in a text object of its own",
       {{u"Fits", 120, gfx::clBlack}, {u"Far too long for its cell", 40, gfx::clBlack}, {u"Fits", 120, gfx::clBlack}},
       {"BT\r\n/F0", "ET\r\nq\r\n", " re\r\nW\r\nn\r\nBT\r\n", "ET\r\nQ\r\nBT\r\n/F0 9.965 Tf\r\n"},
       1, 3, 3, 3},
  };
  for (const Case& C : Cases) {
    TrepPDFExport F;
    F.Compressed = false;
    F.FixedFileID = "00000000000000000000000000000000";
    F.FixedCreationDateTime = 0;
    rt::TMemoryStream S;
    F.Stream = &S;
    ASSERT_TRUE(F.Start());
    F.StartPage(nullptr, 0);
    std::vector<std::unique_ptr<TrepView>> Memos;
    double X = 20;
    for (const Cell& Cl : C.Cells) {
      Memos.emplace_back(new TrepCustomMemoView(nullptr));
      Memos.back()->SetBounds(X, 40, Cl.Width, 20);
      X += 120;
      TrepPDFTextBlock B;
      B.FontName = "Arial";
      B.FontColor = Cl.Color;
      B.WordWrap = false;  // a long text runs out of its cell
      B.Lines = {Cl.Text};
      F.ExportTextBlock(Memos.back().get(), B);
    }
    TrepShapeView Box(nullptr);
    Box.SetBounds(20, 100, 200, 50);
    Box.Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    F.ExportObject(&Box);
    F.FinishPage(nullptr, 0);
    F.Finish();
    const std::string P(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
    const std::size_t Begin = P.find("stream\r\n") + 8;
    const std::string Text = P.substr(Begin, P.find("\nendstream", Begin) - Begin);
    std::size_t At = 0;
    for (const std::string& E : C.Expected) {
      const std::size_t Found = Text.find(E, At);
      EXPECT_NE(Found, std::string::npos) << C.Name << ": " << E << " in\n" << Text;
      if (Found != std::string::npos) At = Found + E.size();
    }
    auto Count = [&](const std::string& What) {
      int N = 0;
      for (std::size_t I = Text.find(What); I != std::string::npos; I = Text.find(What, I + 1)) ++N;
      return N;
    };
    EXPECT_EQ(Count(" re\r\nW\r\n"), C.Clips) << C.Name << "\n" << Text;
    EXPECT_EQ(Count("BT\r\n"), C.TextObjects) << C.Name;
    EXPECT_EQ(Count("ET\r\n"), C.TextObjects) << C.Name;
    EXPECT_EQ(Count(" Tf\r\n"), C.Fonts) << C.Name;
    EXPECT_EQ(Count(" rg\r\n"), C.Colours) << C.Name;
    // Inside text objects only text operators.
    for (std::size_t B = Text.find("BT\r\n"); B != std::string::npos; B = Text.find("BT\r\n", B + 1)) {
      const std::string Inside = Text.substr(B, Text.find("ET\r\n", B) - B);
      for (const char* Op : {" re\r\n", "\r\nq\r\n", "\r\nQ\r\n", " m\r\n", "\r\nS\r\n"})
        EXPECT_EQ(Inside.find(Op), std::string::npos) << C.Name << ": " << Op << " in\n" << Inside;
    }
  }
}

TEST_F(PDFContentTest, PageSizeAndMarginsComeFromThePageSetup) {
  TrepPDFExport F;
  F.Compressed = false;
  F.PageSetupFor = [](TrepReportPage*) {
    TrepPDFPageSetup P;
    P.Width = 8.5 * 96;
    P.Height = 11 * 96;
    P.LeftMargin = 20;
    P.TopMargin = 0;
    return P;
  };
  std::unique_ptr<TrepShapeView> V(new TrepShapeView(nullptr));
  V->SetBounds(0, 0, 10, 10);
  rt::TMemoryStream S;
  F.Stream = &S;
  ASSERT_TRUE(F.Start());
  F.StartPage(nullptr, 0);
  F.ExportObject(V.get());
  F.FinishPage(nullptr, 0);
  F.Finish();
  const std::string Pdf(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
  EXPECT_NE(Pdf.find("/MediaBox [0 0 612.00 792.00 ]"), std::string::npos);
  // The top-left corner lands 1 pt right of the page edge and at its top.
  EXPECT_NE(Pdf.find("1 784.5 7.5 7.5 re"), std::string::npos) << Pdf.substr(0, 800);
}

TEST(PDFFonts, SizesRotationsAndRemappedText) {
  struct SizeCase {
    const char* Name;
    int Size;
    double Expected;
  } Sizes[] = {{"Courier New", 10, 10.005}, {"Lucida Console", 6, 5.979}, {"Arial", 10, 9.965}};
  for (const SizeCase& C : Sizes) {
    gfx::TFont F;
    F.SetName(C.Name);
    F.SetSize(C.Size);
    EXPECT_DOUBLE_EQ(PDFFontSize(F), C.Expected) << C.Name;
  }

  TRotation2D R;
  R.Init(0, 5, 7);
  double X = 3, Y = 4;
  R.Turn(X, Y);
  EXPECT_DOUBLE_EQ(X, 3);
  EXPECT_DOUBLE_EQ(Y, 4);
  EXPECT_EQ(R.Matrix(), "1.0000 0.0000 0.0000 1.0000 0.0000 0.0000");
  R.Init(M_PI / 2, 0, 0);
  X = 1, Y = 0;
  R.Turn(X, Y);
  EXPECT_NEAR(X, 0, 1e-12);
  EXPECT_NEAR(Y, -1, 1e-12);

  // "AB A": four glyphs, three of them distinct besides the missing glyph every font keeps.
  TrepPDFFont Font(Arial());
  const TRemapedString RS = Font.SoftRemapString(u"AB A", false);
  EXPECT_EQ(RS.Data.size(), 4u);
  EXPECT_EQ(RS.SpacesCount, 1);
  EXPECT_EQ(Font.UsedAlphabet().size(), 4u);
  EXPECT_EQ(Font.UsedAlphabetUnicode()[1], u"A");
  EXPECT_EQ(RS.Width, RS.CharWidth[0] + RS.CharWidth[1] + RS.CharWidth[2] + RS.CharWidth[3]);
}

TEST(PDFDocumentOrder, CallsOutOfOrderAreRefused) {
  TrepPDFExport F;
  std::unique_ptr<TrepView> V(new TrepShapeView(nullptr));
  EXPECT_THROW(F.StartPage(nullptr, 0), rt::Exception);
  EXPECT_THROW(F.ExportObject(V.get()), rt::Exception);
  EXPECT_THROW(F.Finish(), rt::Exception);
  // A file name alone writes the file.
  const std::filesystem::path Path =
      std::filesystem::temp_directory_path() / ("pdforder-" + std::to_string(getpid()) + ".pdf");
  F.SetFileName(Path.string());
  ASSERT_TRUE(F.Start());
  EXPECT_THROW(F.FinishPage(nullptr, 0), rt::Exception);
  F.Finish();
  std::ifstream In(Path, std::ios::binary);
  std::stringstream Bytes;
  Bytes << In.rdbuf();
  std::filesystem::remove(Path);
  EXPECT_EQ(Bytes.str().rfind("%PDF-1.7", 0), 0u);
  EXPECT_EQ(Bytes.str().substr(Bytes.str().size() - 7), "%%EOF\r\n");
}

} // namespace
