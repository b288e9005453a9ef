// The shipped sizing template: its pages, every object the report fill names (found whatever
// its letter case), the template texts and fonts the fill relies on, and one copy per session.
#include <gtest/gtest.h>

#include <string>

#include "platform/gfx/Picture.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repPreviewPages.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"
#include "webapp/SizingTemplate.h"
#include "webapp/UserSessionUnit.h"

namespace {

// Every memo the sizing form writes, as the form spells the names.
const char* const kMemos[] = {
    "AppVersion", "VersionDate", "Email", "SubmitBy", "Company", "ContactInfo", "ReportDate", "TagNO",
    "CustName", "LineItem", "ValveType", "FluidState", "FluidName", "CvorFlowResultslabel",
    "CvorFlowSelectedlabel", "CalcCvorFlowMin", "CalcCvorFlowNorm", "CalcCvorFlowMax", "SelCvorFlowMin",
    "SelCvorFlowNorm", "SelCvorFlowMax", "CvFlowCalcUnits", "CvFlowSelUnits", "ListCvLabel", "ListCvMin",
    "ListCvNorm", "ListCvMax", "P1units", "P2Units", "P1Label", "P2Label", "P1Min", "P1Norm", "P1Max", "P2Min",
    "P2Norm", "P2Max", "DPactualUnits", "DPactualMin", "DPactualNorm", "DPactualMax", "DPactualLabel",
    "TempUnits", "TempMin", "TempNorm", "TempMax", "VPorSHLabel", "CPorCompLabel", "VPorSHUnits",
    "CPorCompUnits", "VPorSHMin", "VPorSHNorm", "VPorSHMax", "CPorCompMin", "CPorCompNorm", "CPorCompMax",
    "SGMin", "SGNorm", "SGMax", "SGLabel", "ViscMin", "ViscNorm", "ViscMax", "ViscUnits", "ViscLabel",
    "ValveSizeUnits", "PipeSizeUnits", "ValveSizeIn", "ValveSizeOut", "PipeSizeIn", "PipeSizeOut", "SchedIn",
    "FLLabel", "FLMin", "FLNorm", "FLMax", "DPP1AbsLabel", "DPP1AbsUnits", "DPP1AbsMin", "DPP1AbsNorm",
    "DPP1AbsMax", "WarningsLabel", "WarningsUnits", "WarningsMin", "WarningsNorm", "WarningsMax", "WarningMemo",
    "NoiseLabel", "NoiseUnits", "NoiseMin", "NoiseNorm", "NoiseMax", "DPMUnits", "DPMMin", "DPMNorm", "DPMMax",
    "DPMaxLabel", "TravelLabel", "TravelUnits", "TravelMin", "TravelMax", "TravelNorm", "CvLinorEq", "VelUnits",
    "VelUnitsOut", "VelInMin", "VelInNorm", "VelInMax", "VelOutMin", "VelOutNorm", "VelOutMax",
    "StandardsMemo", "SuggestionMemo", "ChartCust", "ChartUser", "ChartTagNo", "ChartLineItem",
    "ChartSuggestionMemo", "MinCv", "NormCv", "MaxCv"};

const char* const kPictures[] = {"VXImage", "LFImage", "PLimage", "ChartVXHeader", "ChartPLHeader",
                                 "ChartLFHeader", "Picture1", "Picture2"};

std::string Upper(std::string S) {
  for (char& C : S) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  return S;
}

} // namespace

TEST(SizingTemplate, EveryObjectTheFillNamesIsThereWhateverItsLetterCase) {
  TrepReport R(nullptr);
  webapp::LoadSizingTemplate(R);
  EXPECT_EQ(R.Errors().Count(), 0) << R.Errors().Text();
  for (const char* Name : kMemos) {
    EXPECT_NE(dynamic_cast<TrepMemoView*>(R.FindObject(Name)), nullptr) << Name;
    EXPECT_NE(R.FindObject(Upper(Name)), nullptr) << Name;
  }
  for (const char* Name : kPictures) EXPECT_NE(dynamic_cast<TrepPictureView*>(R.FindObject(Name)), nullptr) << Name;
  EXPECT_NE(R.FindObject("VXimage"), nullptr);
  EXPECT_EQ(R.FindObject("NoSuchObject"), nullptr);
}

TEST(SizingTemplate, PagesPaperAndMargins) {
  TrepReport R(nullptr);
  webapp::LoadSizingTemplate(R);
  ASSERT_EQ(R.PagesCount(), 3);
  EXPECT_EQ(R.GetPages(0)->Name(), "Data");
  EXPECT_NE(dynamic_cast<TrepDataPage*>(R.GetPages(0)), nullptr);
  auto* P1 = dynamic_cast<TrepReportPage*>(R.GetPages(1));
  auto* P2 = dynamic_cast<TrepReportPage*>(R.GetPages(2));
  ASSERT_NE(P1, nullptr);
  ASSERT_NE(P2, nullptr);
  EXPECT_EQ(P1->Name(), "Page1");
  EXPECT_EQ(P1->Orientation(), poPortrait);
  EXPECT_EQ(P1->PaperSize(), 256);
  EXPECT_DOUBLE_EQ(P1->PaperWidth(), 215.9);
  EXPECT_DOUBLE_EQ(P1->PaperHeight(), 279.4);
  EXPECT_EQ(P2->Name(), "Page2");
  EXPECT_EQ(P2->Orientation(), poLandscape);
  EXPECT_EQ(P2->PaperSize(), 1);
  EXPECT_NEAR(P2->PaperWidth(), 279.4, 1e-9);
  EXPECT_NEAR(P2->PaperHeight(), 215.9, 1e-9);
  for (double M : {P2->LeftMargin, P2->RightMargin, P2->TopMargin, P2->BottomMargin}) EXPECT_DOUBLE_EQ(M, 10);
  EXPECT_EQ(R.ScriptText().Text(), "begin\r\n\r\nend.\r\n");
}

TEST(SizingTemplate, TemplateTextsFontsAndPlaces) {
  TrepReport R(nullptr);
  webapp::LoadSizingTemplate(R);
  struct Case {
    const char* Name;
    const char16_t* Text;
  };
  const Case Texts[] = {
      {"CvorFlowResultslabel", u"Cv"}, {"CvorFlowSelectedlabel", u"Flow"}, {"P1Label", u"Inlet Pressure"},
      {"P2Label", u"Outlet Pressure"}, {"VPorSHLabel", u"Vapour Pressure"}, {"CPorCompLabel", u"Critical Pressure"},
      {"SGLabel", u"Specific Gravity"}, {"ViscLabel", u"Dynamic Viscosity"}, {"DPMaxLabel", u"Delta P Max"},
      {"TravelLabel", u"Travel"}, {"NoiseLabel", u"Predicted Noise"}, {"DPP1AbsLabel", u"Delta P/P1Abs"},
      {"WarningsLabel", u"Flow Warnings"}, {"DPactualLabel", u"Delta P"}, {"FLLabel", u"Operational F\u029f"},
      {"ListCvLabel", u"Selected Cv"}, {"P1units", u" "}, {"TravelUnits", u" "}, {"CustName", u""},
  };
  for (const Case& C : Texts) {
    auto* M = dynamic_cast<TrepMemoView*>(R.FindObject(C.Name));
    ASSERT_NE(M, nullptr) << C.Name;
    EXPECT_EQ(M->Memo().Count() == 0 ? std::u16string() : M->Memo()[0], C.Text) << C.Name;
  }
  auto Font = [&](const char* Name) -> const gfx::TFont& { return R.FindObject(Name)->Font(); };
  EXPECT_EQ(Font("DPP1AbsLabel").Name(), "Arial Narrow");
  EXPECT_EQ(Font("SuggestionMemo").Height(), -12);
  EXPECT_EQ(Font("P1Min").Name(), "Arial");
  EXPECT_EQ(Font("P1Min").Height(), -13);
  auto* Warn = R.FindObject("WarningMemo");
  // Inside its box (x 504 to 768, y 756 to 906) with a margin all round.
  EXPECT_DOUBLE_EQ(Warn->Left(), 510);
  EXPECT_DOUBLE_EQ(Warn->Top(), 762);
  EXPECT_DOUBLE_EQ(Warn->Left() + Warn->Width(), 762);
  EXPECT_DOUBLE_EQ(Warn->Top() + Warn->Height(), 900);
  EXPECT_TRUE(R.FindObject("VXImage")->Visible());
  EXPECT_FALSE(R.FindObject("LFImage")->Visible());
  EXPECT_GT(dynamic_cast<TrepPictureView*>(R.FindObject("VXImage"))->Picture().Width(), 0);
  int Shapes = 0;
  for (TrepComponent* C : R.GetPages(1)->AllObjects()) Shapes += dynamic_cast<TrepShapeView*>(C) != nullptr;
  EXPECT_GT(Shapes, 30) << "the sheet is ruled with rectangles";
}

TEST(SizingTemplate, EverySessionHasItsOwnCopy) {
  TIWUserSession A, B;
  // An idle session holds no copy; the first use reads a whole one.
  EXPECT_FALSE(A.VXCVrep1.Loaded());
  EXPECT_NE(A.VXCVrep1->FindObject("tagno"), nullptr);
  EXPECT_TRUE(A.VXCVrep1.Loaded());
  EXPECT_EQ(A.VXCVrep1->Errors().Count(), 0) << A.VXCVrep1->Errors().Text();
  EXPECT_EQ(A.VXCVrep1->PagesCount(), 3);
  TrepReport* First = A.VXCVrep1;
  EXPECT_EQ(A.VXCVrep1, First) << "later uses reach the same copy";
  ASSERT_NE(A.VXCVrep1, nullptr);
  ASSERT_NE(B.VXCVrep1, nullptr);
  EXPECT_NE(A.VXCVrep1, B.VXCVrep1);
  auto* MA = dynamic_cast<TrepMemoView*>(A.VXCVrep1->FindObject("TagNO"));
  auto* MB = dynamic_cast<TrepMemoView*>(B.VXCVrep1->FindObject("TagNO"));
  ASSERT_NE(MA, nullptr);
  MA->SetText(u"FV-101");
  EXPECT_EQ(MB->Text(), u"");
}

TEST(SizingTemplate, EachReportPagePreparesAloneWithItsFilledMemos) {
  enginesetup::AddScriptModules();
  TrepReport R(nullptr);
  webapp::LoadSizingTemplate(R);
  R.EngineOptions.DestroyForms = false;
  R.EngineOptions.SilentMode = simSilent;
  R.EngineOptions.EnableThreadSafe = true;
  auto* P1 = dynamic_cast<TrepReportPage*>(R.GetPages(1));
  auto* P2 = dynamic_cast<TrepReportPage*>(R.GetPages(2));
  ASSERT_NE(P1, nullptr);
  ASSERT_NE(P2, nullptr);
  auto Fill = [&](const char* Name, std::u16string_view Text) {
    auto* M = dynamic_cast<TrepMemoView*>(R.FindObject(Name));
    ASSERT_NE(M, nullptr) << Name;
    M->SetLiteralText(Text);
  };
  Fill("CustName", u"ACME [Report.Terminated := True]");
  Fill("P1Min", u"100.5");
  Fill("WarningMemo", u"Cavitating\r\nFlashing\r\n*Choked Flow\r\nValve capacity exceeded");
  Fill("ChartCust", u"Chart customer");
  auto& Pages = *static_cast<TrepPreviewPages*>(R.PreviewPages());
  auto TextOn = [&](const char* Name) {
    for (TrepComponent* C : Pages.GetPage(0)->AllObjects())
      if (auto* M = dynamic_cast<TrepMemoView*>(C); M != nullptr && rt::SameText(M->Name(), Name))
        return rt::Utf16ToUtf8(M->Memo().Count() == 1 ? M->Memo()[0] : M->Text());
    return std::string("<missing>");
  };

  P1->SetVisible(true);
  P2->SetVisible(false);
  ASSERT_TRUE(R.PrepareReport(true)) << R.Errors().Text();
  ASSERT_EQ(Pages.Count(), 1);
  EXPECT_EQ(TextOn("CustName"), "ACME [Report.Terminated := True]");
  EXPECT_EQ(TextOn("P1Min"), "100.5");
  EXPECT_EQ(TextOn("WarningMemo"), "Cavitating\r\nFlashing\r\n*Choked Flow\r\nValve capacity exceeded\r\n");
  EXPECT_EQ(TextOn("ChartCust"), "<missing>");
  // Letter paper, portrait, in pixels.
  EXPECT_EQ(Pages.GetPageSize(0).Y > Pages.GetPageSize(0).X, true);

  P1->SetVisible(false);
  P2->SetVisible(true);
  ASSERT_TRUE(R.PrepareReport(true)) << R.Errors().Text();
  ASSERT_EQ(Pages.Count(), 1);
  EXPECT_EQ(TextOn("ChartCust"), "Chart customer");
  EXPECT_EQ(TextOn("CustName"), "<missing>");
  EXPECT_EQ(Pages.GetPageSize(0).X > Pages.GetPageSize(0).Y, true);
  // The template keeps what the fill wrote.
  EXPECT_EQ(rt::Utf16ToUtf8(dynamic_cast<TrepMemoView*>(R.FindObject("P1Min"))->Memo()[0]), "100.5");
}
