// Whole documents from the PDF export, judged by outside readers (qpdf, poppler) and by a check
// of the content streams' operator order.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gfx/FontFace.h"
#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repDrawText.h"
#include "report/pdf/repExportPDF.h"

namespace {

namespace fs = std::filesystem;

struct TRun {
  int Status = -1;
  std::string Out, Err;
};

// Runs a command line with its standard output and error captured.
TRun RunTool(const std::string& Cmd) {
  static int Serial = 0;
  const fs::path Err = fs::temp_directory_path() / ("pdfdoc-err-" + std::to_string(getpid()) + "-" +
                                                    std::to_string(++Serial));
  TRun R;
  FILE* P = popen((Cmd + " 2>" + Err.string()).c_str(), "r");
  if (!P) return R;
  char Buf[4096];
  std::size_t N;
  while ((N = fread(Buf, 1, sizeof Buf, P)) > 0) R.Out.append(Buf, N);
  R.Status = pclose(P);
  std::ifstream E(Err);
  std::stringstream S;
  S << E.rdbuf();
  R.Err = S.str();
  fs::remove(Err);
  return R;
}

bool HaveTool(const char* Name) { return RunTool(std::string("command -v ") + Name).Status == 0; }

// A file that goes when the test ends.
struct TTempFile {
  fs::path Path;
  explicit TTempFile(const std::string& Bytes) {
    static int Serial = 0;
    Path = fs::temp_directory_path() /
           ("pdfdoc-" + std::to_string(getpid()) + "-" + std::to_string(++Serial) + ".pdf");
    std::ofstream(Path, std::ios::binary) << Bytes;
  }
  ~TTempFile() { fs::remove(Path); }
};

template <class T>
T* Place(std::vector<std::unique_ptr<TrepView>>& Views, double L, double T0, double W, double H) {
  auto* V = new T(nullptr);
  V->SetBounds(L, T0, W, H);
  Views.emplace_back(V);
  return V;
}

// A small picture with a transparent corner.
std::unique_ptr<gfx::TBitmap> AlphaBitmap() {
  auto B = std::make_unique<gfx::TBitmap>(4, 3, gfx::pf32bit);
  for (int Y = 0; Y < 3; ++Y)
    for (int X = 0; X < 4; ++X) B->ScanLine(Y)[X] = X == 0 && Y == 0 ? 0u : 0xFF000000u | (X * 60u << 16) | (Y * 90u);
  return B;
}

struct TText {
  double L, T, W, H;
  TrepPDFTextBlock Block;
};

// One page of the report every outside check reads: text in two families (with a character
// the first lacks and Greek), pictures and every kind of shape.
class PDFDocumentTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { repDrawTextInitialization(); }
  static void TearDownTestSuite() { repDrawTextFinalization(); }

  std::vector<TText> Texts;
  std::vector<std::unique_ptr<TrepView>> Views;

  void BuildReport() {
    TText A{20, 20, 400, 40, {}};
    A.Block.Lines = {u"Valve sizing report Fʟ"};
    A.Block.FontName = "Arial";
    A.Block.FontSize = 14;
    TText B{20, 70, 400, 40, {}};
    B.Block.Lines = {u"Δ pressure 12.5 psi"};
    B.Block.FontName = "Times New Roman";
    B.Block.FontSize = 12;
    B.Block.FontStyle = gfx::FontStyles({gfx::fsBold, gfx::fsUnderline});
    B.Block.HAlign = 2;
    TText Cc{20, 120, 200, 80, {}};
    Cc.Block.Lines = {u"Justified lines spread their blanks until the line is full, all but the last one"};
    Cc.Block.FontName = "Arial";
    Cc.Block.HAlign = 3;
    Texts = {A, B, Cc};

    auto* Rect = Place<TrepShapeView>(Views, 20, 220, 120, 60);
    Rect->SetColor(0x00CCFF);
    Rect->Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    Rect->Frame().DropShadow = true;
    auto* Ellipse = Place<TrepShapeView>(Views, 160, 220, 120, 60);
    Ellipse->Shape = skEllipse;
    Ellipse->SetBrushStyle(gfx::bsDiagCross);
    auto* Round = Place<TrepShapeView>(Views, 300, 220, 120, 60);
    Round->Shape = skRoundRectangle;
    Round->SetFillType(ftGradient);
    auto* Tri = Place<TrepShapeView>(Views, 440, 220, 80, 60);
    Tri->Shape = skTriangle;
    Tri->SetFillType(ftGlass);
    static_cast<TrepGlassFill*>(Tri->Fill())->Hatch = true;
    auto* Diamond = Place<TrepShapeView>(Views, 540, 220, 60, 60);
    Diamond->Shape = skDiamond;
    Diamond->Frame().SetStyle(fsDashDot);
    Place<TrepShapeView>(Views, 620, 220, 60, 60)->Shape = skDiagonal1;
    auto* Arrow = Place<TrepLineView>(Views, 20, 300, 300, 0);
    Arrow->ArrowEnd = true;
    Arrow->ArrowStart = true;
    Arrow->ArrowSolid = true;
    auto* Double = Place<TrepLineView>(Views, 20, 320, 300, 0);
    Double->Frame().SetStyle(fsDouble);
    auto* Box = Place<TrepCheckBoxView>(Views, 340, 300, 20, 20);
    Box->Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    Box->CheckStyle = csCheck;
    auto* Pic = Place<TrepPictureView>(Views, 20, 340, 80, 60);
    Pic->Picture().SetGraphic(AlphaBitmap());
    Pic->Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    Pic->Frame().LeftLine().Style = fsDouble;
    Pic->Frame().LeftLine().Width = 2;
    auto* Jpeg = Place<TrepPictureView>(Views, 120, 340, 80, 60);
    Jpeg->Picture().LoadFromFile(std::string(ZENTOR_DATA_DIR) + "/../tests/platform/gfx/fuzz/Picture/seed.jpg");
    // The same picture again shares the image.
    Place<TrepPictureView>(Views, 220, 340, 40, 30)->Picture().SetGraphic(AlphaBitmap());
  }

  std::string Export(TrepPDFExport& F) {
    rt::TMemoryStream S;
    F.Stream = &S;
    EXPECT_TRUE(F.Start());
    F.StartPage(nullptr, 0);
    for (TText& T : Texts) {
      auto* M = new TrepCustomMemoView(nullptr);
      M->SetBounds(T.L, T.T, T.W, T.H);
      std::unique_ptr<TrepView> Own(M);
      F.ExportTextBlock(M, T.Block);
    }
    for (auto& V : Views) F.ExportObject(V.get());
    F.FinishPage(nullptr, 0);
    F.Finish();
    F.Stream = nullptr;
    return std::string(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
  }

  std::string ExportFixed(bool Compressed = true) {
    TrepPDFExport F;
    F.Compressed = Compressed;
    F.FixedCreationDateTime = 46000.5;
    F.FixedFileID = "0123456789abcdef0123456789abcdef";
    F.Title = "Sizing (1) \\ report";
    return Export(F);
  }
};

// The uncompressed page content streams of a document written with Compressed off.
std::vector<std::string> ContentStreams(const std::string& Pdf) {
  std::vector<std::string> R;
  std::regex Ref("/Contents (\\d+) 0 R");
  for (auto It = std::sregex_iterator(Pdf.begin(), Pdf.end(), Ref); It != std::sregex_iterator(); ++It) {
    const std::string Head = "\n" + (*It)[1].str() + " 0 obj\r\n";
    const std::size_t At = Pdf.find(Head);
    if (At == std::string::npos) continue;
    const std::size_t Begin = Pdf.find("stream\r\n", At) + 8;
    const std::size_t End = Pdf.find("\nendstream", Begin);
    R.push_back(Pdf.substr(Begin, End - Begin));
  }
  return R;
}

// Operators of a content stream in order (strings and arrays skipped), with the problems a
// reader would meet: unbalanced q/Q or BT/ET, an operator between a path and its painting, a
// graphics-state push inside a pending path.
std::vector<std::string> CheckContent(const std::string& S) {
  std::vector<std::string> Problems;
  int Depth = 0, Text = 0;
  bool Path = false;
  static const std::set<std::string> Build{"m", "l", "c", "v", "y", "h", "re"};
  static const std::set<std::string> Paint{"S", "s", "f", "F", "f*", "B", "B*", "b", "b*", "n"};
  std::size_t I = 0;
  while (I < S.size()) {
    const char Ch = S[I];
    if (std::isspace(static_cast<unsigned char>(Ch))) { ++I; continue; }
    if (Ch == '<') { I = S.find('>', I) + 1; continue; }
    if (Ch == '(') {
      int Level = 0;
      for (; I < S.size(); ++I) {
        if (S[I] == '\\') { ++I; continue; }
        if (S[I] == '(') ++Level;
        if (S[I] == ')' && --Level == 0) break;
      }
      ++I;
      continue;
    }
    if (Ch == '[' || Ch == ']') { ++I; continue; }
    std::size_t J = I;
    while (J < S.size() && !std::isspace(static_cast<unsigned char>(S[J])) && !std::strchr("[]<>()", S[J])) ++J;
    const std::string Tok = S.substr(I, J - I);
    I = J;
    if (Tok.empty()) { ++I; continue; }
    if (std::isdigit(static_cast<unsigned char>(Tok[0])) || Tok[0] == '-' || Tok[0] == '.' || Tok[0] == '/') continue;
    if (Build.count(Tok)) { Path = true; continue; }
    if (Tok == "W" || Tok == "W*") {
      if (!Path) Problems.push_back("clip without a path");
      continue;
    }
    if (Paint.count(Tok)) {
      if (!Path) Problems.push_back(Tok + " without a path");
      Path = false;
      continue;
    }
    if (Path) Problems.push_back("'" + Tok + "' inside a pending path");
    if (Tok == "q") ++Depth;
    if (Tok == "Q" && --Depth < 0) Problems.push_back("Q without q");
    if (Tok == "BT") ++Text;
    if (Tok == "ET") --Text;
  }
  if (Depth != 0) Problems.push_back("q/Q unbalanced: " + std::to_string(Depth));
  if (Text != 0) Problems.push_back("BT/ET unbalanced");
  if (Path) Problems.push_back("path left unpainted at the end");
  return Problems;
}

TEST_F(PDFDocumentTest, OnePageReportPassesTheOutsideReaders) {
  if (!HaveTool("qpdf") || !HaveTool("pdffonts") || !HaveTool("pdftotext") || !HaveTool("pdftoppm"))
    GTEST_SKIP() << "qpdf and poppler are installed by scripts/test";
  BuildReport();
  const std::string Pdf = ExportFixed();
  TTempFile File(Pdf);
  // PDF_TEST_KEEP=<file> keeps the document for a look.
  if (const char* Keep = std::getenv("PDF_TEST_KEEP")) std::ofstream(Keep, std::ios::binary) << Pdf;

  const TRun Check = RunTool("qpdf --check " + File.Path.string());
  EXPECT_EQ(Check.Status, 0) << Check.Out << Check.Err;
  EXPECT_NE(Check.Out.find("No syntax or stream encoding errors"), std::string::npos) << Check.Out;
  EXPECT_EQ(Check.Err, "");

  // Every font embedded, as a subset, with a Unicode map; three faces (the fallback for "ʟ").
  const TRun Fonts = RunTool("pdffonts " + File.Path.string());
  ASSERT_EQ(Fonts.Status, 0) << Fonts.Err;
  std::istringstream Lines(Fonts.Out);
  std::string Line;
  int Count = 0;
  std::getline(Lines, Line);
  std::getline(Lines, Line);
  while (std::getline(Lines, Line)) {
    ++Count;
    EXPECT_NE(Line.find("CID TrueType"), std::string::npos) << Line;
    EXPECT_TRUE(std::regex_search(Line, std::regex("Identity-H +yes yes yes"))) << Line;
  }
  EXPECT_EQ(Count, 3) << Fonts.Out;

  const TRun Text = RunTool("pdftotext -enc UTF-8 " + File.Path.string() + " -");
  ASSERT_EQ(Text.Status, 0) << Text.Err;
  for (const char* Expected :
       {"Valve sizing report Fʟ", "Δ pressure 12.5 psi", "Justified lines spread their", "all but the last"})
    EXPECT_NE(Text.Out.find(Expected), std::string::npos) << Expected << " not in:\n" << Text.Out;

  const TRun Render = RunTool("pdftoppm -r 20 -png " + File.Path.string());
  EXPECT_EQ(Render.Status, 0);
  EXPECT_GT(Render.Out.size(), 100u);
  EXPECT_EQ(Render.Err, "");

  // One image object per distinct picture: the bitmap drawn twice is written once.
  std::size_t Images = 0;
  for (std::size_t At = Pdf.find("/Subtype /Image"); At != std::string::npos; At = Pdf.find("/Subtype /Image", At + 1))
    ++Images;
  EXPECT_EQ(Images, 3u);  // the bitmap, its soft mask, the JPEG
}

TEST_F(PDFDocumentTest, ContentStreamsKeepPathsAndStatesInOrder) {
  BuildReport();
  const std::vector<std::string> Streams = ContentStreams(ExportFixed(false));
  ASSERT_EQ(Streams.size(), 1u);
  EXPECT_EQ(CheckContent(Streams[0]), std::vector<std::string>{});
  // The checker itself sees what it is meant to see.
  EXPECT_FALSE(CheckContent("1 0 0 RG 0 0 m 1 1 l q S Q").empty());
  EXPECT_FALSE(CheckContent("q 0 0 1 1 re W n").empty());
  EXPECT_FALSE(CheckContent("0 0 1 1 re 1 0 0 rg f").empty());
}

TEST_F(PDFDocumentTest, FixedClockAndIdentifierGiveTheSameBytes) {
  BuildReport();
  const std::string A = ExportFixed(), B = ExportFixed();
  EXPECT_EQ(A, B);
  EXPECT_NE(A.find("/ID [<0123456789abcdef0123456789abcdef><0123456789abcdef0123456789abcdef>]"), std::string::npos);
  EXPECT_NE(A.find("/CreationDate (D:20251209120000-00'00')"), std::string::npos);
  // Without them every document has its own identifier.
  TrepPDFExport F;
  const std::string C = Export(F), D = Export(F);
  const std::regex Id("/ID \\[<([0-9a-f]{32})>");
  std::smatch MC, MD;
  ASSERT_TRUE(std::regex_search(C, MC, Id));
  ASSERT_TRUE(std::regex_search(D, MD, Id));
  EXPECT_NE(MC[1].str(), MD[1].str());
}

TEST_F(PDFDocumentTest, PagesListOnlyTheFontsTheyUse) {
  TrepPDFExport F;
  F.Compressed = false;
  rt::TMemoryStream S;
  F.Stream = &S;
  ASSERT_TRUE(F.Start());
  auto* M = new TrepCustomMemoView(nullptr);
  std::unique_ptr<TrepView> Own(M);
  M->SetBounds(10, 10, 300, 30);
  for (const char* Family : {"Arial", "Times New Roman", "Arial"}) {
    F.StartPage(nullptr, 0);
    TrepPDFTextBlock B;
    B.FontName = Family;
    B.Lines = {u"Text"};
    F.ExportTextBlock(M, B);
    F.FinishPage(nullptr, 0);
  }
  F.Finish();
  const std::string Pdf(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
  std::vector<std::string> Lists;
  const std::regex FontList("/Font << ([^>]*)>>");
  for (auto It = std::sregex_iterator(Pdf.begin(), Pdf.end(), FontList); It != std::sregex_iterator(); ++It)
    Lists.push_back((*It)[1].str());
  ASSERT_EQ(Lists.size(), 3u);
  EXPECT_EQ(Lists[0], Lists[2]);
  EXPECT_EQ(Lists[0].find("/F1"), std::string::npos) << Lists[0];
  EXPECT_EQ(Lists[1].find("/F0"), std::string::npos) << Lists[1];
}

// The ToUnicode maps of a font with many glyphs, a character beyond the basic plane and a
// ligature: blocks of at most 100, one Ordering, surrogate pairs; and the descriptor's numbers.
TEST_F(PDFDocumentTest, UnicodeMapsAndDescriptors) {
  TrepPDFExport F;
  F.Compressed = false;
  rt::TMemoryStream S;
  F.Stream = &S;
  ASSERT_TRUE(F.Start());
  F.StartPage(nullptr, 0);
  auto* M = new TrepCustomMemoView(nullptr);
  std::unique_ptr<TrepView> Own(M);
  M->SetBounds(10, 10, 700, 1000);
  TrepPDFTextBlock B;
  B.FontName = "DejaVu Sans";
  std::u16string Many;
  for (char16_t C = u'A'; C <= u'Z'; ++C) Many += C;
  for (char16_t C = 0x410; C < 0x450; ++C) Many += C;  // Cyrillic
  for (char16_t C = 0x3B1; C <= 0x3C9; ++C) Many += C;  // Greek
  B.Lines = {Many, u"x \U0001D538 y \U0001D400"};
  F.ExportTextBlock(M, B);
  TrepPDFTextBlock I;
  I.FontName = "Arial";
  I.FontStyle = gfx::FontStyles({gfx::fsItalic});
  I.Lines = {u"Italic"};
  M->SetBounds(10, 500, 300, 40);
  F.ExportTextBlock(M, I);
  F.FinishPage(nullptr, 0);
  F.Finish();
  const std::string Pdf(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));

  const std::regex Block("(\\d+) beginbfchar");
  int Total = 0;
  for (auto It = std::sregex_iterator(Pdf.begin(), Pdf.end(), Block); It != std::sregex_iterator(); ++It) {
    EXPECT_LE(std::stoi((*It)[1].str()), 100);
    Total += std::stoi((*It)[1].str());
  }
  EXPECT_GT(Total, 110);
  EXPECT_EQ(Pdf.find("/Ordering (Identity)\r\n"), std::string::npos);
  EXPECT_NE(Pdf.find("<D835DD38>"), std::string::npos);
  // The missing glyph stands for no text, whatever character it replaced.
  EXPECT_EQ(Pdf.find("<0000> <"), Pdf.find("<0000> <FFFF>"));

  // Liberation Sans Italic leans 12 degrees; its capitals stand 1409 of 2048 units high.
  const gfx::TFontFace* Face = gfx::FindFace("Arial", false, true);
  ASSERT_NE(Face, nullptr);
  EXPECT_LT(Face->Metrics().ItalicAngle, -5);
  const std::string Cap = "/CapHeight " +
      std::to_string(std::lround(Face->Metrics().CapHeight * 1000.0 / Face->UnitsPerEm()));
  EXPECT_NE(Pdf.find(Cap), std::string::npos) << Cap;
  std::smatch Angle;
  ASSERT_TRUE(std::regex_search(Pdf, Angle, std::regex("Italic\r\n/Flags \\d+\r\n/FontBBox [^\r]*\r\n/ItalicAngle (-?[0-9.]+)")));
  EXPECT_NEAR(std::stod(Angle[1].str()), Face->Metrics().ItalicAngle, 0.01);

  if (HaveTool("pdftotext")) {
    TTempFile File(Pdf);
    // In reading order: the physical layout joins short words under a long line.
    const TRun Text = RunTool("pdftotext -raw -enc UTF-8 " + File.Path.string() + " -");
    EXPECT_NE(Text.Out.find(rt::Utf16ToUtf8(Many.substr(0, 40))), std::string::npos) << Text.Out;
    EXPECT_NE(Text.Out.find("x \xF0\x9D\x94\xB8 y"), std::string::npos) << Text.Out;
  }
}

TEST(PDFDocument, StartRefusesWhatItCannotWriteAndPasswordsEncrypt) {
  TrepPDFExport F;
  EXPECT_FALSE(F.Start());  // neither a file nor a stream
  struct Case {
    const char *User, *Owner;
  } Cases[] = {{"secret", ""}, {"", "owner"}};
  for (const Case& C : Cases) {
    rt::TMemoryStream S;
    F.Stream = &S;
    F.UserPassword = C.User;
    F.OwnerPassword = C.Owner;
    ASSERT_TRUE(F.Start());
    EXPECT_TRUE(F.Protected());
    F.Finish();
    const std::string Pdf(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
    EXPECT_NE(Pdf.find("/Encrypt "), std::string::npos) << C.User << C.Owner;
    EXPECT_NE(Pdf.find("/Filter /Standard"), std::string::npos);
  }
  F.Stream = nullptr;
}

TEST(PDFDocument, ADocumentWithoutPagesIsComplete) {
  TrepPDFExport F;
  rt::TMemoryStream S;
  F.Stream = &S;
  ASSERT_TRUE(F.Start());
  F.Finish();
  const std::string Pdf(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
  EXPECT_EQ(Pdf.rfind("%PDF-1.7\r\n", 0), 0u);
  EXPECT_NE(Pdf.find("/Kids []\r\n/Count 0"), std::string::npos);
  // Every cross-reference entry points at its object.
  const std::size_t X = Pdf.find("xref\r\n");
  ASSERT_NE(X, std::string::npos);
  std::istringstream In(Pdf.substr(X + 6));
  int First, Count;
  In >> First >> Count;
  std::string Offset, Gen, Kind;
  In >> Offset >> Gen >> Kind;
  for (int N = 1; N < Count; ++N) {
    In >> Offset >> Gen >> Kind;
    EXPECT_EQ(Pdf.compare(std::stoul(Offset), std::to_string(N).size() + 6, std::to_string(N) + " 0 obj"), 0) << N;
  }
}

TEST(PDFNumbers, NeverAnExponentNorANonFiniteValue) {
  struct Case {
    double Value;
    int Decimals;
    const char* Text;
  } Cases[] = {
      {2, 3, "2"},
      {0.5, 3, "0.5"},
      {1234.5678, 3, "1234.568"},
      {0.0004, 3, "0"},
      {-2.5, 2, "-2.5"},
      {1e18, 3, "1000000000000000000"},
      {-3e20, 2, "-300000000000000000000"},
      {std::nan(""), 3, "0"},
  };
  for (const Case& C : Cases) EXPECT_EQ(FloatToPDFText(C.Value, C.Decimals), C.Text) << C.Value;
  EXPECT_EQ(PDFFixed(2.5, 2), "2.50");
  // The writer's quick rounding agrees with the runtime's decimal rounding everywhere.
  std::uint64_t Seed = 12345;
  for (int I = 0; I < 200000; ++I) {
    Seed = Seed * 6364136223846793005ull + 1442695040888963407ull;
    const int Decimals = static_cast<int>(Seed >> 60) % 5;
    const double Scale = std::pow(10.0, static_cast<double>((Seed >> 40) % 9) - 3);
    const double V = (static_cast<double>(Seed >> 11) / 9007199254740992.0 - 0.5) * Scale;
    ASSERT_EQ(PDFFixed(V, Decimals), FloatToFixedText(V, Decimals, '.')) << V << " " << Decimals;
  }
  for (double V : {0.125, 2.675, -1.005, 0.0005, -0.0004, 1e-9, 999999.9995})
    for (int D = 0; D <= 4; ++D) EXPECT_EQ(PDFFixed(V, D), FloatToFixedText(V, D, '.')) << V << " " << D;
  for (double V : {HUGE_VAL, -HUGE_VAL, 1e300}) {
    const std::string T = FloatToPDFText(V, 3);
    EXPECT_EQ(T.find_first_of("eEin"), std::string::npos) << T;
    EXPECT_LE(T.size(), 41u) << T;
  }
}

}  // namespace
