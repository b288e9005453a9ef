// The sizing form's flow chart: flow against travel for each complete condition, with the
// operating point of each condition marked in Cv mode, shown in the chart panel as a picture.
#include <array>
#include <cmath>
#include <exception>
#include <string>

#include "calc/utilities.h"
#include "platform/chart/Chart.h"
#include "platform/rt/SysUtils.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"

using namespace web;

namespace {

const char* const CrLf = "\r\n";
const char* const ConditionName[3] = {"Min", "Norm", "Max"};
// Colours of the conditions, in the runtime's colour values, and their line styles.
constexpr gfx::TColor ConditionColor[3] = {0x0000FF, 0x008000, 0xFF0000};
constexpr gfx::TPenStyle ConditionPen[3] = {gfx::psDot, gfx::psSolid, gfx::psDash};
// Travel steps of a curve (5 % each); the curves show 10 to 90 %, the effective control range.
constexpr int ChartSteps = 20;

}  // namespace

void TGlobemain::ForgetChart() {
  FChartDrawing.reset();
  IWImage4->ClearPicture();
  MinCvlabeltext.clear();
  NormCvlabeltext.clear();
  MaxCvlabeltext.clear();
  MinCvlabel->Caption.clear();
  NormCvlabel->Caption.clear();
  MaxCvlabel->Caption.clear();
  if (Chart2) Chart2->FreeAllSeries();
}

void TGlobemain::ChartBtnClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  try {
    BuildFlowChart();
  } catch (const rt::Exception& e) {
    // A half-built panel would show the picture or labels of an earlier chart.
    Graphresult = false;
    ForgetChart();
    ChartRegion->Visible = false;
    ChartRegion->ZIndex = 0;
    SizingRegionLabel->Visible = true;
    S->amessage = std::string("An error occured while generating the chart: ") + e.what();
    Application().ShowMessage(S->amessage);
  }
}

void TGlobemain::BuildFlowChart() {
  TIWUserSession* S = UserSession();
  // Nothing of an earlier chart survives: a condition that gives no curve now shows none.
  ForgetChart();
  for (auto* g : {&S->Mingraphflow, &S->Normgraphflow, &S->Maxgraphflow}) g->clear();
  S->MinCalcCv = S->NormCalcCv = S->MaxCalcCv = 0;
  S->Minflow = S->Normflow = S->Maxflow = 0;
  if (!Chart2) Chart2 = std::make_unique<chart::TChart>();

  SizingRegionLabel->Visible = false;
  ChartRegion->Left = 14;
  ChartRegion->Top = 12;
  ChartRegion->ZIndex = 2100;
  S->SelectedFlowUnit = FlowCombo->Text();

  // A plain Calculate of the inputs as they stand gives each condition's calculated Cv and flow
  // (the markers); it reports what cannot be calculated as the Calculate button does.
  FReportEntries = true;
  try {
    CalculateAll();
  } catch (...) {
    FReportEntries = false;
    throw;
  }
  FReportEntries = false;
  std::array<bool, 3> sized{};
  for (int i = 0; i < 3; ++i) {
    const bool calculated = i == 0 ? S->MinCol : i == 1 ? S->NormCol : S->MaxCol;
    sized[static_cast<std::size_t>(i)] = calculated && !FConditionFailed[static_cast<std::size_t>(i)];
  }

  // The same conditions again in chart mode fill the curves.
  Graphresult = true;
  try {
    CalculateAll();
  } catch (...) {
    Graphresult = false;
    throw;
  }
  Graphresult = false;
  S->Graphcount = ChartSteps;

  std::array<std::vector<double>*, 3> curves = {&S->Mingraphflow, &S->Normgraphflow, &S->Maxgraphflow};
  std::array<bool, 3> charted{};
  for (int i = 0; i < 3; ++i) {
    const std::size_t ci = static_cast<std::size_t>(i);
    const bool calculated = i == 0 ? S->MinCol : i == 1 ? S->NormCol : S->MaxCol;
    std::vector<double>& curve = *curves[ci];
    bool sound = calculated && !FConditionFailed[ci] && curve.size() == ChartSteps + 1;
    for (double q : curve) sound = sound && std::isfinite(q);
    if (sound) {
      charted[ci] = true;
      continue;
    }
    // A curve the calculation did not finish is left out whole, never drawn at zero.
    curve.clear();
    if (calculated && sized[ci])
      Application().ShowMessage(std::string("The ") + ConditionName[i] +
                                " curve could not be calculated and is left out of the chart:" + CrLf +
                                (FConditionError[ci].empty() ? std::string("the flows are not numbers")
                                                             : FConditionError[ci]));
  }

  chart::TChart& c = *Chart2;
  c.FreeAllSeries();
  Minlabeltext = "Minimum";
  Normlabeltext = "Normal";
  Maxlabeltext = "Maximum";
  const std::string* titles[3] = {&Minlabeltext, &Normlabeltext, &Maxlabeltext};
  std::array<chart::TLineSeries*, 3> lines{};
  std::array<chart::TPointSeries*, 3> points{};
  for (std::size_t ci = 0; ci < 3; ++ci) {
    lines[ci] = c.AddSeries(std::make_unique<chart::TLineSeries>());
    lines[ci]->Title = *titles[ci];
    lines[ci]->SeriesColor = ConditionColor[ci];
    lines[ci]->LinePen.Width = 2;
    lines[ci]->LinePen.Style = ConditionPen[ci];
  }
  std::string labels[ChartSteps];
  for (int i = 0; i < ChartSteps; ++i)
    labels[i] = rt::FloatToStrF(100.0 / ChartSteps * i, rt::ffFixed, 15, 0);
  for (int i = 2; i <= ChartSteps - 2; ++i)
    for (std::size_t ci = 0; ci < 3; ++ci)
      if (charted[ci]) lines[ci]->Add((*curves[ci])[static_cast<std::size_t>(i)], labels[i], ConditionColor[ci]);

  for (std::size_t ci = 0; ci < 3; ++ci) {
    points[ci] = c.AddSeries(std::make_unique<chart::TPointSeries>());
    points[ci]->Title.clear();  // markers stay out of the legend
    points[ci]->SeriesColor = ConditionColor[ci];
    points[ci]->Pointer.Style = chart::psRectangle;
    points[ci]->Pointer.HorizSize = points[ci]->Pointer.VertSize = 3;
  }
  std::string* cvTexts[3] = {&MinCvlabeltext, &NormCvlabeltext, &MaxCvlabeltext};
  if (S->CalcForCv) {
    const double calcCv[3] = {S->MinCalcCv, S->NormCalcCv, S->MaxCalcCv};
    const double flow[3] = {S->Minflow, S->Normflow, S->Maxflow};
    for (std::size_t ci = 0; ci < 3; ++ci) {
      if (!charted[ci] || !sized[ci]) continue;
      const double cv = calcCv[ci];
      *cvTexts[ci] = std::string(ConditionName[ci]) + " Cv " + rt::FloatToStrF(cv, rt::ffFixed, 15, DisplayDecimals(cv));
      // The travel the results grid shows for this Cv, as a fraction of the stroke.
      const std::string travel = TravelPercent(S->Lintaper, false, cv, S->ListCv);
      const double x = ChartSteps * (rt::StrToFloat(travel) / 100) - 2;
      // Beyond the stroke (capacity exceeded) the marker stands at its edge and says its travel.
      if (x > ChartSteps - 2)
        points[ci]->AddXY(ChartSteps - 2, flow[ci], "↑ " + travel + " %", ConditionColor[ci]);
      else
        points[ci]->AddXY(x, flow[ci], "↑", ConditionColor[ci]);
    }
  }

  c.Legend.Visible = false;
  c.Top = 8;
  c.Left = 8;
  c.Width = ChartRegion->Width - 150;
  c.Height = ChartRegion->Height - 60;
  c.Color = gfx::clWhite;
  c.Border = {gfx::clBlack, 2, true};
  c.Title.Text.clear();
  c.Title.Font.SetColor(gfx::clBlack);
  c.Title.Font.SetSize(14);
  c.Title.Text.push_back("VXCVMax Flow  - " + S->ValveLine);
  c.SubTitle.Text.clear();
  c.SubTitle.Text.push_back("Plotted for effective control range of 10 to 90 percent");
  c.SubTitle.Font.SetColor(gfx::clBlack);
  c.LeftAxis.Title = "Flow " + S->SelectedFlowUnit;
  c.LeftAxis.TitleFont.SetSize(10);
  // The size as the size list shows it (a single-precision size read back in full would show
  // 0.38 as 0.379999995231628).
  c.BottomAxis.Title = "% Travel - " + rt::FloatToStrF(S->SelectedSize, rt::ffFixed, 15, 2) + " in  " + S->Valvetype;
  c.BottomAxis.TitleFont.SetSize(10);
  // The whole stroke, 0 to 100 % travel: a marker over 100 % (capacity exceeded, as the grid
  // says) stands at the right edge with its travel instead of squeezing the curves into a corner.
  c.BottomAxis.SetMinMax(-2, ChartSteps - 2);
  c.View3D = false;

  MinCvlabel->Caption = MinCvlabeltext;
  NormCvlabel->Caption = NormCvlabeltext;
  MaxCvlabel->Caption = MaxCvlabeltext;
  ChartToImage(c, *IWImage4);
  FChartDrawing = std::make_unique<chart::TChartMetafile>(c.ChartCreateMetafile({0, 0, c.Width, c.Height}));
  ChartRegion->Visible = true;
}

void TGlobemain::ChartToImage(chart::TChart& Chart, TIWImage& Image) {
  Image.SetBounds(Chart.Left, Chart.Top, Chart.Width, Chart.Height);
  Image.SetPicture(Chart.ChartToSvg(), "image/svg+xml");
}

void TGlobemain::ChartCloseBtnClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  ChartRegion->ZIndex = 0;
  SizingRegionLabel->Visible = true;
  ChartRegion->Visible = false;
  for (auto* g : {&S->Mingraphflow, &S->Normgraphflow, &S->Maxgraphflow}) g->clear();
  // The chart page of the report needs a chart drawn anew.
  ForgetChart();
}

void TGlobemain::ChartPDFbtnClick(TIWControl*) {
  if (!FChartDrawing || !ChartRegion->Visible) {
    Application().ShowMessage("There is no chart to put into the PDF. Draw the chart with the chart button first.");
    return;
  }
  PrintChartPage(*FChartDrawing);
}
