// The data sheet and the chart page as they print: each case is filled, exported through the PDF
// export and read back with poppler. Words come from pdftotext -bbox, ink from pdftoppm at 96
// pixels per inch (a report unit is a pixel). On every page of every case: each word stands inside
// the box of the memo it belongs to (nothing cut), keeps off every rule, overlaps no other word,
// and is not crossed by a dark line; each memo's words give its text whole; typed texts are
// printed as typed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "calc/utilities.h"
#include "platform/chart/Chart.h"
#include "platform/gfx/FontFace.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repStartup.h"
#include "report/pdf/repExportPDF.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/pdf/PDFTools.h"
#include "webapp/SizingReport.h"
#include "webapp/SizingTemplate.h"
#include "tests/webapp/SizingInputs.h"

using webapp::TSizingReportInputs;

namespace {

struct TBox {
  double X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
  bool Contains(double X, double Y) const { return X >= X0 && X <= X1 && Y >= Y0 && Y <= Y1; }
  double Area() const { return (X1 - X0) * (Y1 - Y0); }
};

std::string Show(const TBox& B) {
  char S[96];
  std::snprintf(S, sizeof S, "(%.1f, %.1f)-(%.1f, %.1f)", B.X0, B.Y0, B.X1, B.Y1);
  return S;
}

struct TWord {
  TBox Box;  // report units from the page's top left
  std::string Text;
};

struct TMemoBox {
  std::string Name, Text;
  TBox Box;
  bool Rotated = false;
};

std::string Squeezed(std::string S) {
  S.erase(std::remove_if(S.begin(), S.end(), [](unsigned char C) { return std::isspace(C); }), S.end());
  return S;
}

std::string Unescaped(std::string S) {
  for (auto [From, To] : {std::pair{"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}}) {
    for (std::size_t At = S.find(From); At != std::string::npos; At = S.find(From, At + 1)) S.replace(At, std::strlen(From), To);
  }
  return S;
}

// A gate valve sized for water in Cv mode: the values as the form shows them.
TSizingReportInputs GateSheet() {
  TSizingReportInputs In = webtest::WaterOnSlidingGate();
  In.Version = "3.1.4";
  In.Prefs.Company = "Acme";
  In.Prefs.Contact = "555 0100";
  In.Prefs.RepDate = "12/11/2026";
  In.Prefs.NameApply = In.Prefs.CompanyApply = In.Prefs.ContactApply = In.Prefs.EmailApply = In.Prefs.RepDateApply = true;
  In.SelectedSize = 2;
  In.TagNo = "FV-1";
  In.UpDiam = "2.00 in";
  In.Notes = "Norm: Cavitating";
  In.Grid = {{"", "", "Min", "Norm", "Max"},
             {"Calculated Cv", "", "1.42", "2.59", "3.67"},
             {"Delta P Max", "psi", "77.1", "77.1", "77.1"},
             {"Travel", "%", "Under 10", "11", "16"},
             {"P1 Velocity", "ft/s (m/s)", "1.0 (0.31)", "2.0 (0.62)", "3.1 (0.93)"},
             {"P2 Velocity", "ft/s (m/s)", "1.0 (0.31)", "2.0 (0.62)", "3.1 (0.93)"},
             {"Predicted Noise", "dBA", "< 50", "< 50", "52"},
             {"ΔP/P1Abs", "", "0.43", "0.48", "0.52"},
             {"Flow Warnings", "", "", "Cavitating", ""},
             {"Operational Fʟ", "", "0.86", "0.86", "0.86"}};
  return In;
}

struct TPrinted {
  std::vector<TWord> Words;
  std::vector<TMemoBox> Memos;
  std::vector<TBox> Rules;  // the lines of the page's rectangle shapes, one unit wide
  std::vector<TBox> Pictures;
  pdftools::TPixmap Ink;
  std::string Images;  // pdfimages -list
};

// Prepares and exports one page of the report, then reads it back.
TPrinted Print(TrepReport& R, const std::string& PageName) {
  webapp::ShowOnlyPage(R, PageName);
  // As the server runs it: silent, prepared pages in memory.
  R.EngineOptions.SetSilentMode(true);
  R.EngineOptions.UseFileCache = false;
  pdftools::TTempPath Out("sheet-layout");
  TrepPDFExport F;
  F.ShowDialog = false;
  F.ShowProgress = false;
  F.SetFileName(Out.Str());
  R.PrepareReport(true);
  EXPECT_TRUE(R.Export(&F));

  TPrinted P;
  auto* Page = dynamic_cast<TrepReportPage*>(R.FindObject(PageName));
  const double MmToUnits = 96 / 25.4, Dx = Page->LeftMargin * MmToUnits, Dy = Page->TopMargin * MmToUnits;
  for (TrepComponent* C : R.AllObjects()) {
    auto* V = dynamic_cast<TrepView*>(C);
    if (!V || !V->Visible() || V->Page() != Page) continue;
    const TBox B{Dx + V->AbsLeft(), Dy + V->AbsTop(), Dx + V->AbsLeft() + V->Width(), Dy + V->AbsTop() + V->Height()};
    if (auto* M = dynamic_cast<TrepCustomMemoView*>(C)) {
      P.Memos.push_back({M->Name(), rt::Utf16ToUtf8(M->Text()), B, M->Rotation() != 0});
    } else if (dynamic_cast<TrepShapeView*>(C)) {
      P.Rules.push_back({B.X0 - 0.5, B.Y0 - 0.5, B.X1 + 0.5, B.Y0 + 0.5});
      P.Rules.push_back({B.X0 - 0.5, B.Y1 - 0.5, B.X1 + 0.5, B.Y1 + 0.5});
      P.Rules.push_back({B.X0 - 0.5, B.Y0 - 0.5, B.X0 + 0.5, B.Y1 + 0.5});
      P.Rules.push_back({B.X1 - 0.5, B.Y0 - 0.5, B.X1 + 0.5, B.Y1 + 0.5});
    } else if (dynamic_cast<TrepPictureView*>(C)) {
      P.Pictures.push_back(B);
    }
  }
  const auto Bbox = pdftools::RunTool("pdftotext -bbox '" + Out.Str() + "' -");
  EXPECT_EQ(Bbox.Status, 0) << Bbox.Err;
  static const std::regex Word(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
  const double PtToUnits = 96.0 / 72;
  for (std::sregex_iterator It(Bbox.Out.begin(), Bbox.Out.end(), Word), End; It != End; ++It)
    P.Words.push_back({{std::stod((*It)[1]) * PtToUnits, std::stod((*It)[2]) * PtToUnits, std::stod((*It)[3]) * PtToUnits,
                        std::stod((*It)[4]) * PtToUnits},
                       Unescaped((*It)[5])});
  P.Ink = pdftools::RenderPage(Out.Str(), 96);
  P.Images = pdftools::RunTool("pdfimages -list '" + Out.Str() + "'").Out;
  return P;
}

bool Intersect(const TBox& A, const TBox& B, double Slack) {
  return A.X0 < B.X1 - Slack && B.X0 < A.X1 - Slack && A.Y0 < B.Y1 - Slack && B.Y0 < A.Y1 - Slack;
}

// The memo a word belongs to: the smallest memo box that holds the word's centre.
const TMemoBox* Owner(const TPrinted& P, const TWord& W) {
  const double X = (W.Box.X0 + W.Box.X1) / 2, Y = (W.Box.Y0 + W.Box.Y1) / 2;
  const TMemoBox* Best = nullptr;
  for (const TMemoBox& M : P.Memos)
    if (M.Box.Contains(X, Y) && (!Best || M.Box.Area() < Best->Box.Area())) Best = &M;
  return Best;
}

bool OnPicture(const TPrinted& P, const TWord& W) {
  return std::any_of(P.Pictures.begin(), P.Pictures.end(), [&](const TBox& B) {
    return B.Contains((W.Box.X0 + W.Box.X1) / 2, (W.Box.Y0 + W.Box.Y1) / 2);
  });
}

// The checks every printed page passes. Words drawn inside a picture (the chart's own) are the
// chart's business and only have to stay off the memos' words.
void ExpectSound(const TPrinted& P, const std::string& Case) {
  SCOPED_TRACE(Case);
  ASSERT_FALSE(P.Words.empty());
  ASSERT_GT(P.Ink.W, 0);
  std::map<const TMemoBox*, std::string> Read;
  // pdftotext measures a word from the face's ascent to its descent, a little over the em; half a
  // unit of slack keeps rounding out of it.
  constexpr double Slack = 0.5;
  for (const TWord& W : P.Words) {
    const TMemoBox* M = Owner(P, W);
    if (!M) {
      EXPECT_TRUE(OnPicture(P, W)) << "\"" << W.Text << "\" at " << Show(W.Box) << " stands in no memo";
      continue;
    }
    Read[M] += W.Text;
    EXPECT_TRUE(W.Box.X0 >= M->Box.X0 - Slack && W.Box.X1 <= M->Box.X1 + Slack && W.Box.Y0 >= M->Box.Y0 - Slack &&
                W.Box.Y1 <= M->Box.Y1 + Slack)
        << "\"" << W.Text << "\" at " << Show(W.Box) << " is cut by its memo " << M->Name << " " << Show(M->Box);
    // Touching counts: a word keeps at least a unit off every rule.
    for (const TBox& Rule : P.Rules)
      EXPECT_FALSE(Intersect(W.Box, {Rule.X0 - 1, Rule.Y0 - 1, Rule.X1 + 1, Rule.Y1 + 1}, Slack))
          << "\"" << W.Text << "\" at " << Show(W.Box) << " touches the rule " << Show(Rule);
  }
  for (std::size_t i = 0; i < P.Words.size(); ++i)
    for (std::size_t j = i + 1; j < P.Words.size(); ++j) {
      const TWord &A = P.Words[i], &B = P.Words[j];
      if (OnPicture(P, A) && OnPicture(P, B) && !Owner(P, A) && !Owner(P, B)) continue;
      EXPECT_FALSE(Intersect(A.Box, B.Box, Slack))
          << "\"" << A.Text << "\" " << Show(A.Box) << " overlaps \"" << B.Text << "\" " << Show(B.Box);
    }
  // Each memo's words give its text, nothing missing (ellipses would show here too).
  for (const TMemoBox& M : P.Memos) {
    const std::string Want = Squeezed(M.Text);
    if (Want.empty()) continue;
    EXPECT_EQ(Squeezed(Read[&M]), Want) << "memo " << M.Name;
    EXPECT_EQ(M.Text.find("\u2026"), std::string::npos) << "memo " << M.Name << " was shortened";
  }
  // No dark line through a word: a pixel row or column dark from one end of the word's box to the
  // other, a unit inside it, is a rule or a frame, never a glyph.
  for (const TWord& W : P.Words) {
    const int X0 = static_cast<int>(std::ceil(W.Box.X0)) + 1, X1 = static_cast<int>(std::floor(W.Box.X1)) - 1;
    const int Y0 = static_cast<int>(std::ceil(W.Box.Y0)) + 1, Y1 = static_cast<int>(std::floor(W.Box.Y1)) - 1;
    if (X1 - X0 < 6 || Y1 - Y0 < 4 || X0 < 0 || Y0 < 0 || X1 >= P.Ink.W || Y1 >= P.Ink.H) continue;
    const auto Dark = [&](int X, int Y) { return P.Ink.At(X, Y)[0] + P.Ink.At(X, Y)[1] + P.Ink.At(X, Y)[2] < 3 * 128; };
    for (int Y = Y0; Y <= Y1; ++Y) {
      bool All = true;
      for (int X = X0; X <= X1 && All; ++X) All = Dark(X, Y);
      EXPECT_FALSE(All) << "a line through \"" << W.Text << "\" at y " << Y;
    }
  }
}

// A report of its own per test, read from the shipped template.
class SizingSheetLayout : public ::testing::Test {
protected:
  void SetUp() override {
    if (!pdftools::HaveTool("pdftotext") || !pdftools::HaveTool("pdftoppm")) GTEST_SKIP() << "poppler-utils missing";
    enginesetup::StartReportRoad();
    webapp::LoadSizingTemplate(R);
  }
  TPrinted Sheet(const TSizingReportInputs& In) {
    webapp::RestoreReportTemplate(R);
    webapp::FillSizingReport(R, In);
    return Print(R, "Page1");
  }
  const TMemoBox& Memo(const TPrinted& P, const std::string& Name) {
    for (const TMemoBox& M : P.Memos)
      if (M.Name == Name) return M;
    throw std::runtime_error("no memo " + Name);
  }
  TrepReport R{nullptr};
};

const char* const LongCustomer = "Nordisk Mejeri Handelsselskab Skandinavien (Øresund) GmbH";
const char* const LongEmail = "jose.muller-ozturk@societe-laitiere-nord-est.example.com";

struct TTextCase {
  const char* Name;
  std::function<void(TSizingReportInputs&)> Edit;
};

TEST_F(SizingSheetLayout, TypedTextsShortLongAndAccentedPrintWholeOffTheRules) {
  const TTextCase Cases[] = {
      {"short", [](TSizingReportInputs&) {}},
      {"long",
       [](TSizingReportInputs& In) {
         In.Customer = LongCustomer;
         In.TagNo = "FCV-101-A/2026-0042 (spare)";
         In.LineItem = "Line item 42 of purchase order 2026-7781-DK";
         In.Prefs.Name = "Dr. Maximilian Alexander Featherstonehaugh-Wolfe";
         In.Prefs.Company = "Northfield Process Engineering";
         In.Prefs.Contact = "+44 20 7946 0958 ext. 4411, Building 7, Gate C";
         In.Prefs.Email = LongEmail;
         In.Prefs.RepDate = "Thursday, 11 December 2026";
         In.ValveTypeText = "Sliding Gate Control Valve, Series G";
       }},
      {"accented",
       [](TSizingReportInputs& In) {
         In.Customer = "Société Laitière du Nord-Est (Øresund) GmbH";
         In.TagNo = "FÜ-Ø12";
         In.Prefs.Name = "José Müller-Öztürk";
         In.Prefs.Company = "Laiterie Coopérative Élan";
         In.Prefs.Email = "jose.müller@laiterie-élan.example";
         In.FluidName = "Eau déminéralisée";
       }},
      {"one unbroken word",
       [](TSizingReportInputs& In) {
         In.Prefs.Contact = "www.northfield-process-engineering.example.com/contact/sizing";
         In.Customer = "NORTHFIELDPROCESSENGINEERINGLIMITEDPARTNERSHIPNO7";
       }},
  };
  for (const TTextCase& C : Cases) {
    TSizingReportInputs In = GateSheet();
    C.Edit(In);
    const TPrinted P = this->Sheet(In);
    ExpectSound(P, C.Name);
    SCOPED_TRACE(C.Name);
    for (auto [Name, Typed] : {std::pair{"CustName", In.Customer}, {"TagNO", In.TagNo}, {"LineItem", In.LineItem},
                               {"SubmitBy", In.Prefs.Name}, {"Company", In.Prefs.Company},
                               {"ContactInfo", In.Prefs.Contact}, {"Email", In.Prefs.Email},
                               {"ReportDate", In.Prefs.RepDate}, {"FluidName", In.FluidName}})
      EXPECT_EQ(rt::Trim(Memo(P, Name).Text), Typed) << Name;
  }
}

TEST_F(SizingSheetLayout, JapaneseTextsPrintWholeWhenAFaceDrawsThem) {
  // Runs once the font layer has a face with these characters (the fallback chain's CJK face).
  const gfx::TFontFace* Face = gfx::FindFace("Arial", false, false);
  if (!Face) GTEST_SKIP() << "no face for Arial";
  const auto Sized = gfx::TSizedFont::Get(Face, 13);
  for (char32_t C : U"北海乳業株式会社札幌")
    if (C && Sized->Glyph(C).Glyph == 0) GTEST_SKIP() << "no installed face draws CJK characters";
  TSizingReportInputs In = GateSheet();
  In.Customer = "北海乳業株式会社";
  In.TagNo = "北-101";
  In.Prefs.Company = "北海乳業株式会社 札幌工場";
  In.Prefs.Contact = "札幌市中央区北1条西2丁目";
  const TPrinted P = this->Sheet(In);
  ExpectSound(P, "CJK");
  for (auto [Name, Typed] : {std::pair{"CustName", In.Customer}, {"TagNO", In.TagNo}, {"Company", In.Prefs.Company},
                             {"ContactInfo", In.Prefs.Contact}})
    EXPECT_EQ(rt::Trim(Memo(P, Name).Text), Typed) << Name;
}

TEST_F(SizingSheetLayout, EveryPressureUnitInBothModesFitsOneLine) {
  for (const char* Unit : {"psig", "In/H2O", "In/Hg", "MM/H2O", "bar", "kg/cm2", "Pa", "kPa", "MPa", "mbar"})
    for (bool Gauge : {true, false}) {
      TSizingReportInputs In = GateSheet();
      In.PressureUnit = Unit;
      In.GageP = Gauge;
      const TPrinted P = this->Sheet(In);
      const std::string Case = std::string(Unit) + (Gauge ? " gauge" : " absolute");
      ExpectSound(P, Case);
      // One line: every word of the unit on the same baseline.
      const TMemoBox& M = Memo(P, "P1units");
      EXPECT_EQ(rt::Trim(M.Text), PressureUnitLabel(Unit, !Gauge, false)) << Case;
      std::vector<double> Tops;
      for (const TWord& W : P.Words)
        if (Owner(P, W) == &M) Tops.push_back(W.Box.Y0);
      ASSERT_FALSE(Tops.empty()) << Case;
      EXPECT_LT(*std::max_element(Tops.begin(), Tops.end()) - *std::min_element(Tops.begin(), Tops.end()), 1) << Case;
    }
}

TEST_F(SizingSheetLayout, AWarningHeavyGateAndALowFlowValveKeepTheirNotesOffTheRules) {
  TSizingReportInputs In = GateSheet();
  In.CvText = "2.59";
  for (int c = 2; c <= 4; ++c) In.Grid[8][static_cast<std::size_t>(c)] = "Valve capacity exceeded";
  In.Notes =
      "Min: Valve capacity exceeded - choose a larger valve or trim\r\nNorm: Cavitating - consider a cavitation "
      "trim or a second stage\r\nMax: Flashing at the outlet; erosion of the plug and seat is likely\r\nOutlet "
      "velocity above 30 ft/s: check the downstream pipe size\r\nPredicted noise above 85 dBA: hearing "
      "protection or a noise trim\r\nThe Max condition is beyond the valve's rated travel";
  ExpectSound(this->Sheet(In), "warning-heavy gate");

  TSizingReportInputs Low = GateSheet();
  Low.ValveLine = "Low Flow";
  Low.Valvetype = Low.ValveTypeText = "Low Flow";
  Low.Notes = In.Notes;
  ExpectSound(this->Sheet(Low), "low flow");
}

TEST_F(SizingSheetLayout, SideCaptionsAreCentredOnTheirGroupsWithTheirBlanks) {
  const TPrinted P = this->Sheet(GateSheet());
  ExpectSound(P, "captions");
  for (auto [Caption, Words] : {std::pair{"Service Conditions", 2}, {"Our Solution", 2}, {"Line", 1}, {"Common", 1}}) {
    const TMemoBox* M = nullptr;
    for (const TMemoBox& B : P.Memos)
      if (B.Rotated && rt::Trim(B.Text) == Caption) M = &B;
    ASSERT_NE(M, nullptr) << Caption;
    double Top = 1e9, Bottom = -1e9;
    int Count = 0;
    for (const TWord& W : P.Words)
      if (Owner(P, W) == M) {
        ++Count;
        Top = std::min(Top, W.Box.Y0);
        Bottom = std::max(Bottom, W.Box.Y1);
      }
    EXPECT_EQ(Count, Words) << Caption << ": the words keep their blank";
    EXPECT_NEAR((Top + Bottom) / 2, (M->Box.Y0 + M->Box.Y1) / 2, 3) << Caption << " centred on its group";
  }
}

TEST_F(SizingSheetLayout, HeaderPicturesPrintAtThreeHundredPixelsPerInchOrMore) {
  const TPrinted P = this->Sheet(GateSheet());
  // pdfimages -list: page num type width height color comp bpc enc interp object ID x-ppi y-ppi ...
  static const std::regex Row(R"(^\s*\d+\s+\d+\s+image\s+\d+\s+\d+\s+\S+\s+\d+\s+\d+\s+\S+\s+\S+\s+\d+\s+\d+\s+(\d+)\s+(\d+))");
  int Images = 0;
  std::istringstream Lines(P.Images);
  for (std::string L; std::getline(Lines, L);) {
    std::smatch M;
    if (!std::regex_search(L, M, Row)) continue;
    ++Images;
    EXPECT_GE(std::stoi(M[1]), 300) << L;
    EXPECT_GE(std::stoi(M[2]), 300) << L;
  }
  EXPECT_GE(Images, 1) << P.Images;
}

TEST_F(SizingSheetLayout, ChartPageNamesItsCurvesAndKeepsLongIdentificationWhole) {
  chart::TChart Chart;
  Chart.Width = 609;
  Chart.Height = 432;
  Chart.Color = gfx::clWhite;
  auto* Line = Chart.AddSeries(std::make_unique<chart::TLineSeries>());
  for (int i = 0; i < 17; ++i) Line->Add(10.0 * i, std::to_string(10 + 5 * i));
  for (bool CvMode : {true, false}) {
    webapp::TChartPageInputs In;
    In.ValveLine = "Sliding Gate";
    In.Customer = "Riverside Dairy Co-op";
    In.User = "José Müller-Öztürk";
    In.TagNo = "FCV-101-A/2026-0042";
    In.LineItem = LongCustomer;
    In.Charted = {true, true, false};
    if (CvMode) In.CvTexts = {"Min Cv 1.42", "Norm Cv 2.59", ""};
    webapp::RestoreReportTemplate(R);
    webapp::FillChartPage(R, In, Chart.ChartCreateMetafile({0, 0, Chart.Width, Chart.Height}).Metafile());
    const TPrinted P = Print(R, "Page2");
    const std::string Case = CvMode ? "Cv mode" : "flow mode";
    ExpectSound(P, Case);
    for (auto [Name, Typed] : {std::pair{"ChartCust", In.Customer}, {"ChartUser", In.User},
                               {"ChartTagNo", In.TagNo}, {"ChartLineItem", In.LineItem}})
      EXPECT_EQ(rt::Trim(Memo(P, Name).Text), Typed) << Case << " " << Name;
    // The key names the curves the chart has, beside their swatches.
    EXPECT_EQ(rt::Trim(Memo(P, "MinCv").Text), CvMode ? "Min Cv 1.42" : "Min") << Case;
    EXPECT_EQ(rt::Trim(Memo(P, "NormCv").Text), CvMode ? "Norm Cv 2.59" : "Norm") << Case;
    EXPECT_EQ(rt::Trim(Memo(P, "MaxCv").Text), "") << Case << ": no Max curve, no Max name";
  }
}

}  // namespace
