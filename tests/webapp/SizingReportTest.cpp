// The data sheet and chart page fill over the shipped template: every valve case, Cv and flow
// mode, liquid, gas and steam, gauge and absolute; each run starting from the stored template;
// typed texts kept literal.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "platform/gfx/MetafileCanvas.h"
#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "webapp/SizingReport.h"
#include "webapp/SizingTemplate.h"
#include "tests/webapp/SizingInputs.h"

using webapp::TSizingReportInputs;

namespace {

// A gate valve sized for a liquid in Cv mode, gauge psig; every grid cell names its place
// ("r3c2"), so a cell read from the wrong row or column shows.
TSizingReportInputs GateLiquid() {
  TSizingReportInputs In = webtest::WaterOnSlidingGate();
  In.Version = "3.1";
  In.Prefs.NameApply = true;
  In.Prefs.EmailApply = false;
  In.SelectedSize = 0.75f;
  In.GageP = true;
  In.TagNo = "FV-101";
  In.CvMode = true;
  In.DesignCvText = "12.5";
  In.UpDiam = "1.50 in";
  In.Notes = "First note\r\nSecond note";
  In.Grid.resize(10);
  for (int r = 0; r < 10; ++r)
    for (int c = 0; c < 5; ++c)
      In.Grid[static_cast<std::size_t>(r)].push_back("r" + std::to_string(r) + "c" + std::to_string(c));
  return In;
}

class SizingReport : public ::testing::Test {
protected:
  void SetUp() override { webapp::LoadSizingTemplate(R); }
  TrepCustomMemoView& M(const std::string& Name) {
    auto* Memo = dynamic_cast<TrepCustomMemoView*>(R.FindObject(Name));
    if (!Memo) throw std::runtime_error("no memo " + Name);
    return *Memo;
  }
  // The memo's text without the line end the memo adds after its last line.
  std::string T(const std::string& Name) {
    std::string S = rt::Utf16ToUtf8(M(Name).Text());
    if (S.size() >= 2 && S.compare(S.size() - 2, 2, "\r\n") == 0) S.resize(S.size() - 2);
    return S;
  }
  bool Shown(const std::string& Name) { return R.FindObject(Name)->Visible(); }
  void Run(const TSizingReportInputs& In) {
    webapp::RestoreReportTemplate(R);
    webapp::FillSizingReport(R, In);
  }
  TrepReport R{nullptr};
};

struct TFillCase {
  const char* Name;
  std::function<void(TSizingReportInputs&)> Change;
  std::map<std::string, std::string> Expect;
};

}  // namespace

TEST_F(SizingReport, FillTablesOfEveryCase) {
  const TFillCase Cases[] = {
      {"gate liquid, Cv mode, gauge",
       [](TSizingReportInputs&) {},
       {{"AppVersion", "3.1"}, {"SubmitBy", "A. Engineer"}, {"Email", ""}, {"TagNO", "FV-101"},
        {"CustName", "Acme"}, {"FluidState", "Liquid"}, {"FluidName", "Water"},
        {"CvorFlowResultslabel", "Calculated Cv"}, {"CvorFlowSelectedlabel", "Selected Flow"},
        {"CalcCvorFlowMin", "r1c2"}, {"CalcCvorFlowMax", "r1c4"}, {"SelCvorFlowNorm", "20"},
        {"CvFlowCalcUnits", ""}, {"CvFlowSelUnits", "gpm"}, {"ListCvLabel", "Selected Cv"},
        {"ListCvMin", "28"}, {"ListCvMax", "28"}, {"P1units", "psig"}, {"P2Units", "psig"},
        {"P1Label", "Inlet Pressure"}, {"P2Label", "Outlet Pressure"}, {"P1Max", "120"}, {"P2Min", "50"},
        {"DPactualUnits", "psi"}, {"DPactualNorm", "60"}, {"TempUnits", "°F"}, {"TempMax", "62"},
        {"VPorSHLabel", "Vapor Pressure"}, {"CPorCompLabel", "Critical Pressure"}, {"VPorSHUnits", "psia"},
        {"CPorCompUnits", "psia"}, {"VPorSHMin", "0.26"}, {"SGLabel", "Specific Gravity"}, {"ViscUnits", "cP"},
        {"ViscMax", "1.3"}, {"ValveSizeUnits", "in."}, {"ValveSizeIn", "0.75"}, {"ValveSizeOut", "0.75"},
        {"PipeSizeIn", "1.50"}, {"PipeSizeOut", "2.00"}, {"SchedIn", "40"}, {"FLLabel", "Operational FL"},
        {"FLMin", "r9c2"}, {"FLMax", "r9c4"}, {"DPP1AbsLabel", "Delta P/P1Abs"}, {"DPP1AbsUnits", "r7c1"},
        {"DPP1AbsNorm", "r7c3"}, {"WarningsUnits", "r8c1"}, {"WarningsMax", "r8c4"},
        {"WarningMemo", "First note Second note"}, {"CvLinorEq", "Lin"}, {"VelUnits", "ft/s (m/s)"},
        {"VelUnitsOut", "ft/s (m/s)"}, {"VelInMin", "r4c2"}, {"VelOutMax", "r5c4"}, {"DPMUnits", "psi"},
        {"DPMNorm", "r2c3"}, {"DPMaxLabel", "Delta P Max"}, {"TravelUnits", "r3c1"}, {"TravelMin", "r3c2"},
        {"TravelLabel", "Travel"}, {"NoiseUnits", "r6c1"}, {"NoiseMax", "r6c4"},
        {"NoiseLabel", "Predicted Noise"}}},
      {"absolute psig reads psia, the pressure drop psi",
       [](TSizingReportInputs& In) { In.GageP = false; },
       {{"P1units", "psia"}, {"P2Units", "psia"}, {"P1Label", "Inlet Pressure (abs)"},
        {"P2Label", "Outlet Pressure (abs)"}, {"DPactualUnits", "psi"}, {"DPMUnits", "psi"}}},
      {"absolute in another unit gets (abs)",
       [](TSizingReportInputs& In) {
         In.GageP = false;
         In.PressureUnit = "bar";
       },
       {{"P1units", "bar (abs)"}, {"DPactualUnits", "bar"}, {"VPorSHUnits", "bar"}, {"CPorCompUnits", "bar"}}},
      {"gas: no unit for the properties, Xt instead of FL",
       [](TSizingReportInputs& In) { In.FluidState = "Gas"; },
       {{"VPorSHLabel", "Specific Heat Ratio"}, {"CPorCompLabel", "Compressibility"}, {"VPorSHUnits", ""},
        {"CPorCompUnits", ""}, {"VPorSHNorm", "0.27"}, {"ViscUnits", "cP"}, {"FLLabel", "Calculated Xt"}}},
      {"steam clears every property row",
       [](TSizingReportInputs& In) { In.FluidState = "Steam"; },
       {{"VPorSHLabel", ""}, {"CPorCompLabel", ""}, {"VPorSHUnits", ""}, {"CPorCompUnits", ""},
        {"VPorSHMin", ""}, {"CPorCompMax", ""}, {"SGLabel", ""}, {"SGNorm", ""}, {"ViscLabel", ""},
        {"ViscMin", ""}, {"ViscUnits", " "}, {"FLLabel", "Calculated Xt"}}},
      {"flow mode",
       [](TSizingReportInputs& In) {
         In.CvMode = false;
         In.SessionCalcForCv = false;
       },
       {{"CvorFlowResultslabel", "Calculated Flow"}, {"CvorFlowSelectedlabel", "Selected Cv"},
        {"CvFlowCalcUnits", "r1c1"}, {"CvFlowSelUnits", ""}, {"ListCvLabel", ""}, {"ListCvMin", ""},
        {"SelCvorFlowMin", "10"}, {"CvLinorEq", ""}}},
      {"design Cv with an empty Norm flow",
       [](TSizingReportInputs& In) {
         In.DesignCv = true;
         In.Flow[1].clear();
       },
       {{"ListCvLabel", "Design Cv"}, {"ListCvMin", "12.5"}, {"ListCvNorm", ""}, {"ListCvMax", "12.5"}}},
      {"equal percentage",
       [](TSizingReportInputs& In) { In.Linear = false; },
       {{"CvLinorEq", "Eq %"}}},
      {"no schedule",
       [](TSizingReportInputs& In) { In.Schedule = "No available schedules"; },
       {{"SchedIn", "None Available"}}},
      {"globe: no FL row",
       [](TSizingReportInputs& In) {
         In.ValveLine = In.Valvetype = "Globe";
       },
       {{"FLLabel", ""}, {"FLMin", ""}, {"DPP1AbsLabel", "Delta P/P1Abs"}, {"DPP1AbsMin", "r7c2"},
        {"WarningsMin", "r8c2"}, {"VelInNorm", "r4c3"}, {"ValveSizeIn", "0.75"}}},
      {"low flow, Cv mode",
       [](TSizingReportInputs& In) {
         In.ValveLine = In.Valvetype = "Low Flow";
       },
       {{"CvorFlowResultslabel", "Nominal Cv"}, {"ListCvLabel", ""}, {"DPMaxLabel", "Trimcode"},
        {"TravelLabel", "Capacity"}, {"ListCvMin", "r2c2"}, {"DPMNorm", "r3c3"}, {"TravelUnits", "%"},
        {"TravelMax", "r4c4"}, {"WarningsUnits", "r5c1"}, {"WarningsNorm", "r5c3"}, {"DPP1AbsLabel", ""},
        {"DPP1AbsUnits", ""}, {"DPP1AbsMin", ""}, {"FLLabel", ""}, {"ValveSizeIn", ""}, {"ValveSizeOut", ""},
        {"PipeSizeIn", ""}, {"SchedIn", ""}, {"NoiseLabel", ""}, {"DPMUnits", ""}, {"VelUnits", " "},
        {"VelInMin", ""}, {"NoiseMin", ""}, {"CvLinorEq", ""}, {"SelCvorFlowMin", "10"}}},
      {"low flow, Cv mode with the calculated Cv shown",
       [](TSizingReportInputs& In) {
         In.ValveLine = In.Valvetype = "Low Flow";
         In.LFCalcCvdisplay = true;
       },
       {{"ListCvLabel", "Calculated Cv"}, {"ListCvNorm", "r2c3"}}},
      {"low flow, flow mode: the Cv where a flow was calculated",
       [](TSizingReportInputs& In) {
         In.ValveLine = In.Valvetype = "Low Flow";
         In.CvMode = false;
         In.Grid[1][3].clear();
       },
       {{"CvorFlowResultslabel", "Calculated Flow"}, {"SelCvorFlowMin", "28"}, {"SelCvorFlowNorm", ""},
        {"SelCvorFlowMax", "28"}, {"DPMaxLabel", ""}, {"TravelLabel", ""}, {"ListCvMin", ""}, {"DPMMin", ""},
        {"TravelMin", ""}, {"TravelUnits", " "}, {"CvFlowCalcUnits", "r1c1"}}},
  };
  for (const TFillCase& C : Cases) {
    SCOPED_TRACE(C.Name);
    TSizingReportInputs In = GateLiquid();
    C.Change(In);
    Run(In);
    for (const auto& [Name, Text] : C.Expect) EXPECT_EQ(T(Name), Text) << Name;
  }
}

TEST_F(SizingReport, OneHeaderPictureByValveLineAndType) {
  struct {
    const char* Line;
    const char* Type;
    const char* Shown;
  } const Cases[] = {
      {"Sliding Gate", "Sliding Gate", "VXImage"}, {"Globe", "Globe", "VXImage"},
      {"Low Flow", "Low Flow", "LFImage"},         {"Low Flow", "Globe", "LFImage"},
      {"Purilane", "Low Flow", "PLimage"},         {"Purilane", "Globe", "PLimage"},
  };
  for (const auto& C : Cases) {
    SCOPED_TRACE(std::string(C.Line) + " / " + C.Type);
    TSizingReportInputs In = GateLiquid();
    In.ValveLine = C.Line;
    In.Valvetype = C.Type;
    Run(In);
    for (const char* P : {"VXImage", "LFImage", "PLimage"}) EXPECT_EQ(Shown(P), std::string(P) == C.Shown) << P;
  }
}

TEST_F(SizingReport, CapacityExceededWarningPrintsSmallerOnlyWhereItStands) {
  TSizingReportInputs In = GateLiquid();
  In.Grid[8][4] = "Valve capacity exceeded";
  Run(In);
  EXPECT_EQ(M("WarningsMin").Font().Size(), 10);
  EXPECT_EQ(M("WarningsNorm").Font().Size(), 10);
  EXPECT_EQ(M("WarningsMax").Font().Size(), 7);
  // Without Cv mode the fill leaves the normal size; the long text then takes the largest smaller
  // size at which it fits its cell on one line, and a short one keeps the normal size.
  In.SessionCalcForCv = false;
  Run(In);
  EXPECT_LT(M("WarningsMax").Font().Size(), 10);
  EXPECT_GE(M("WarningsMax").Font().Size(), 7);
  EXPECT_EQ(T("WarningsMax"), "Valve capacity exceeded");
  EXPECT_EQ(M("WarningsNorm").Font().Size(), 10);
}

TEST_F(SizingReport, EachRunStartsFromTheStoredTemplate) {
  const std::string NoiseLabel = T("NoiseLabel");
  const int MemoSize = M("WarningMemo").Font().Size();
  TSizingReportInputs Low = GateLiquid();
  Low.ValveLine = Low.Valvetype = "Low Flow";
  Run(Low);
  ASSERT_EQ(M("WarningMemo").Font().Size(), 9);
  ASSERT_EQ(T("DPMaxLabel"), "Trimcode");

  // A gate after the low-flow run: its row labels and memo size come back.
  Run(GateLiquid());
  EXPECT_EQ(T("DPMaxLabel"), "Delta P Max");
  EXPECT_EQ(T("TravelLabel"), "Travel");
  EXPECT_EQ(T("NoiseLabel"), NoiseLabel);
  EXPECT_EQ(M("WarningMemo").Font().Size(), MemoSize);
  EXPECT_EQ(T("VelInMin"), "r4c2");

  // A low flow after the gate: velocity and noise cells are empty again.
  Run(Low);
  for (const char* Name : {"VelInMin", "VelOutMax", "NoiseMin", "NoiseNorm", "FLMin"}) EXPECT_EQ(T(Name), "") << Name;
  EXPECT_EQ(T("VelUnits"), " ");
}

TEST_F(SizingReport, TypedTextsStayLiteralAndTheFlagComesBack) {
  const bool Stored = M("CustName").AllowExpressions;
  TSizingReportInputs In = GateLiquid();
  In.Customer = "[1+1]";
  In.TagNo = "[Report.SaveToFile('x')]";
  In.Notes = "<b>bold</b> & [x]";
  Run(In);
  EXPECT_EQ(T("CustName"), "[1+1]");
  EXPECT_FALSE(M("CustName").AllowExpressions);
  EXPECT_EQ(T("TagNO"), "[Report.SaveToFile('x')]");
  EXPECT_FALSE(M("TagNO").AllowExpressions);
  EXPECT_EQ(T("WarningMemo"), "<b>bold</b> & [x]");
  webapp::RestoreReportTemplate(R);
  EXPECT_EQ(M("CustName").AllowExpressions, Stored);
}

TEST_F(SizingReport, FixedTextsWithTheirTypography) {
  Run(GateLiquid());
  EXPECT_EQ(T("StandardsMemo"),
            "Standards Used\r\n1-- ANSI / ISA-75.01.01 (IEC 60534-2-1 Mod) -2007 \r\n"
            "2-- ASME B36.10M-2004 / ASME BPE For Tri-Clamp\r\n3-- IEC-Aerodynamic 60534-8-3 (For Gas 2010-11),\r\n"
            "      IEC-Hydrodynamic 60534-8-4 (For Liquid 2005-08)");
  const std::u16string S = M("SuggestionMemo").Text();
  EXPECT_EQ(M("SuggestionMemo").Lines().Count(), 4);
  EXPECT_EQ(M("SuggestionMemo").Lines()[1], u"");
  EXPECT_NE(S.find(u"PRV\u2019s size to 70% capacity - BPRV"), std::u16string::npos);
  EXPECT_NE(S.find(u"capacity.   For MOV\u2019s size to 90% capacity - \r\n"), std::u16string::npos);
  EXPECT_NE(S.find(u"capacity \u2013 Piloted Valves"), std::u16string::npos);
}

TEST_F(SizingReport, ShowOnlyPageHidesTheOther) {
  webapp::ShowOnlyPage(R, "Page1");
  EXPECT_TRUE(Shown("Page1"));
  EXPECT_FALSE(Shown("Page2"));
  webapp::ShowOnlyPage(R, "Page2");
  EXPECT_FALSE(Shown("Page1"));
  EXPECT_TRUE(Shown("Page2"));
}

TEST_F(SizingReport, ChartPageTextsHeaderAndPicture) {
  struct {
    const char* Line;
    const char* Shown;
  } const Headers[] = {{"Sliding Gate", "ChartVXHeader"},
                       {"Globe", "ChartVXHeader"},
                       {"Purilane", "ChartPLHeader"},
                       {"Low Flow", "ChartLFHeader"}};
  for (const auto& H : Headers) {
    SCOPED_TRACE(H.Line);
    webapp::TChartPageInputs In;
    In.ValveLine = H.Line;
    In.Customer = "[1+1]";
    In.User = "A. Engineer";
    In.TagNo = "FV-101";
    In.LineItem = "7";
    In.CvTexts = {"Min Cv 1.20", "Norm Cv 2.40", "Max Cv 3.60"};
    gfx::TMetafileCanvas C(200, 100);
    C.Rectangle(10, 10, 50, 50);
    webapp::RestoreReportTemplate(R);
    webapp::FillChartPage(R, In, C.Metafile());
    for (const char* P : {"ChartVXHeader", "ChartPLHeader", "ChartLFHeader"})
      EXPECT_EQ(Shown(P), std::string(P) == H.Shown) << P;
    EXPECT_EQ(T("ChartCust"), "[1+1]");
    EXPECT_EQ(T("ChartUser"), "A. Engineer");
    EXPECT_EQ(T("ChartTagNo"), "FV-101");
    EXPECT_EQ(T("ChartLineItem"), "7");
    EXPECT_EQ(T("MinCv"), "Min Cv 1.20");
    EXPECT_EQ(T("MaxCv"), "Max Cv 3.60");
    EXPECT_EQ(M("ChartSuggestionMemo").Lines().Count(), 7);
    EXPECT_EQ(M("ChartSuggestionMemo").Lines()[0], u"Sizing Recommendations:");
    EXPECT_EQ(M("ChartSuggestionMemo").Lines()[6], u"\u25CF Piloted Valves size to 90% capacity");
    EXPECT_EQ(M("ChartSuggestionMemo").Font().Size(), 10);
    auto* Pic = dynamic_cast<TrepPictureView*>(R.FindObject("Picture1"));
    ASSERT_NE(Pic, nullptr);
    EXPECT_TRUE(Pic->Visible());
    ASSERT_NE(Pic->Picture().Graphic(), nullptr);
    EXPECT_NE(dynamic_cast<gfx::TMetafile*>(Pic->Picture().Graphic()), nullptr);
    EXPECT_EQ(Pic->Picture().Width(), 200);
  }
}

TEST_F(SizingReport, TextsFitTheirBoxesWholeOrEndInAnEllipsisPastTheFloor) {
  struct {
    std::string Customer;
    bool Smaller, Shortened;
  } const Cases[] = {
      {"Acme", false, false},
      {"Nordisk Mejeri Handelsselskab Skandinavien (Øresund) GmbH", true, false},
      {std::string(300, 'W'), true, true},
      {std::string(200000, 'x'), true, true},
  };
  for (const auto& C : Cases) {
    TSizingReportInputs In = GateLiquid();
    In.Customer = C.Customer;
    Run(In);
    SCOPED_TRACE(C.Customer.substr(0, 40));
    TrepCustomMemoView& Cust = M("CustName");
    EXPECT_LE(Cust.CalcHeight(), Cust.Height());
    EXPECT_EQ(Cust.Font().Size() < 10, C.Smaller);
    const std::string Shown = T("CustName");
    if (C.Shortened) {
      EXPECT_EQ(Cust.Font().Size(), webapp::FitFloorSize);
      ASSERT_GE(Shown.size(), 4u);
      EXPECT_EQ(Shown.substr(Shown.size() - 3), "\u2026");
      EXPECT_EQ(C.Customer.rfind(Shown.substr(0, Shown.size() - 3), 0), 0u) << "a head of the text";
    } else {
      EXPECT_EQ(Shown, C.Customer);
    }
  }
}

TEST(SizingReportName, TitleAndFileNameFromTheTagElseTheLineItem) {
  struct {
    const char* Tag;
    const char* Line;
    const char* Title;
    const char* File;
  } const Cases[] = {
      {"FCV-101", "7", "Sizing Report FCV-101", "Sizing Report FCV-101.pdf"},
      {"  ", "Line 7", "Sizing Report Line 7", "Sizing Report Line 7.pdf"},
      {"", "", "Sizing Report", "Sizing Report.pdf"},
      // Quotes, separators and control characters never reach the header; a run becomes one "_".
      {"FV\"1/../2;\r\nX: y", "", "Sizing Report FV\"1/../2;\r\nX: y", "Sizing Report FV_1_.._2_X_ y.pdf"},
      {"Ørsted-Ü2", "", "Sizing Report Ørsted-Ü2", "Sizing Report _rsted-_2.pdf"},
      {"..", "", "Sizing Report ..", "Sizing Report.pdf"},
  };
  for (const auto& C : Cases) {
    const webapp::TReportName N = webapp::ReportName("Sizing Report", C.Tag, C.Line);
    EXPECT_EQ(N.Title, C.Title) << C.Tag;
    EXPECT_EQ(N.FileName, C.File) << C.Tag;
  }
  const std::string Long(200, 'A');
  EXPECT_EQ(webapp::ReportName("Flow Chart", Long, "").FileName, "Flow Chart " + Long.substr(0, webapp::MaxFileNameTagChars) + ".pdf");
}

TEST(SizingReportCase, DecidedByLineFirstThenType) {
  using webapp::ReportValveCase;
  using webapp::TReportValveCase;
  EXPECT_EQ(ReportValveCase("Sliding Gate", "Low Flow"), TReportValveCase::Gate);
  EXPECT_EQ(ReportValveCase("Purilane", "Low Flow"), TReportValveCase::LowFlow);
  EXPECT_EQ(ReportValveCase("Low Flow", "Globe"), TReportValveCase::Globe);
}
