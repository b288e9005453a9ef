// The sizing form's flow chart driven through its handlers: curves and markers of the three
// conditions, nothing stale after a rebuild or a close, failed curves left out, and the PDF
// action refused without a chart.
#include <gtest/gtest.h>

#include <regex>

#include "platform/chart/Chart.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

namespace {

// A form whose chart-mode calculation of one condition breaks off half way, as a calculation
// that raises does: part of the curve filled, the rest zero.
class TBreakingForm : public TGlobemain {
public:
  using TGlobemain::TGlobemain;
  int BreakCurveOf = -1;
  bool Raise = false;  // the chart run raises instead of failing one condition
  void CalculateCondition(int Condition) override {
    if (Graphresult && Raise) throw rt::EConvertError("'x' is not a valid floating point value");
    if (Graphresult && Condition == BreakCurveOf) {
      std::vector<double>& g = Condition == 0   ? UserSession()->Mingraphflow
                               : Condition == 1 ? UserSession()->Normgraphflow
                                                : UserSession()->Maxgraphflow;
      g.assign(21, 0);
      g[1] = 5;
      FConditionFailed[static_cast<std::size_t>(Condition)] = true;
      FConditionError[static_cast<std::size_t>(Condition)] = "The flow could not be calculated";
      return;
    }
    TGlobemain::CalculateCondition(Condition);
  }
};

class Chart : public ::testing::Test {
protected:
  void SetUp() override {
    app = std::make_unique<TIWApplication>();
    TIWServerController controller;
    controller.OnNewSession(*app);
    app->BeginRequest(TIWRequest{}, 1300);
    scope = std::make_unique<TCurrentApplicationScope>(app.get());
    f = app->CreateForm<TBreakingForm>();
    f->Show();
    f->IWAppFormRender();
    S = UserSession();
    app->TakeMessages();
    f->SizeCombo->SetText("2.00 in");
    f->SizeComboChange(f->SizeCombo);
    f->CvCombo->SetText("60");
    f->CvComboChange(f->CvCombo);
    f->IWAppFormRender();
    // Min at a travel under 10 %, the others inside the stroke.
    const char* flows[3] = {"30", "200", "300"};
    for (int i = 0; i < 3; ++i) Cond(i, "100", "50", "60", flows[i]);
    f->AssignfluidParams();
    app->TakeMessages();
  }
  void TearDown() override {
    scope.reset();
    app.reset();
  }
  void Cond(int i, const std::string& p1, const std::string& p2, const std::string& t, const std::string& q) {
    f->P1Edit(i)->Text = p1;
    f->P2Edit(i)->Text = p2;
    f->TempEdit(i)->Text = t;
    f->FlowEdit(i)->Text = q;
  }
  // The chart button and the render that follows it; the messages it raised.
  std::vector<std::string> DrawChart() {
    app->TakeMessages();
    f->ChartBtnClick(f->ChartBtn);
    f->IWAppFormRender();
    return app->TakeMessages();
  }
  const chart::TChartSeries& Series(int k) const { return f->Chart2->Series(k); }
  std::string Svg() const { return f->IWImage4->PictureBytes(); }

  std::unique_ptr<TIWApplication> app;
  std::unique_ptr<TCurrentApplicationScope> scope;
  TBreakingForm* f = nullptr;
  TIWUserSession* S = nullptr;
};

}  // namespace

TEST_F(Chart, ThreeCurvesWithMarkersAtTheTravelTheGridShows) {
  for (bool linear : {true, false}) {
    SCOPED_TRACE(linear ? "linear" : "equal percentage");
    if (linear)
      f->LinRBClick(f->LinRB);
    else
      f->EQRBClick(f->EQRB);
    EXPECT_TRUE(DrawChart().empty());
    ASSERT_TRUE(f->ChartRegion->Visible);
    EXPECT_FALSE(f->SizingRegionLabel->Visible);
    EXPECT_EQ(f->ChartRegion->ZIndex, 2100);
    ASSERT_EQ(f->Chart2->SeriesCount(), 6);
    const std::string names[3] = {"Min", "Norm", "Max"};
    const std::string* labels[3] = {&f->MinCvlabeltext, &f->NormCvlabeltext, &f->MaxCvlabeltext};
    const TIWLabel* panelLabels[3] = {f->MinCvlabel, f->NormCvlabel, f->MaxCvlabel};
    for (int k = 0; k < 3; ++k) {
      const chart::TChartSeries& line = Series(k);
      ASSERT_EQ(line.Count(), 17) << "10 to 90 % in steps of 5";
      EXPECT_EQ(line.Points().front().Label, "10");
      EXPECT_EQ(line.Points().back().Label, "90");
      EXPECT_EQ(line.Points()[8].X, 8);
      for (int i = 1; i < line.Count(); ++i) EXPECT_GT(line.Points()[i].Y, line.Points()[i - 1].Y) << "flow grows with travel";
      // The marker: the flow as entered, at the travel of the Cv the grid shows.
      const chart::TChartSeries& marker = Series(3 + k);
      ASSERT_EQ(marker.Count(), 1);
      const std::string travelText = f->ResultsGrid->Cell(3, k + 2).Text;
      if (travelText == "Under 10") {
        EXPECT_EQ(k, 0);
        EXPECT_LT(marker.Points()[0].X, 0);
        EXPECT_GE(marker.Points()[0].X, -2);
      } else {
        EXPECT_NEAR(marker.Points()[0].X, 20 * rt::StrToFloat(travelText) / 100 - 2, 1e-9);
      }
      EXPECT_EQ(marker.Points()[0].Y, rt::StrToFloat(f->FlowEdit(k)->Text));
      EXPECT_EQ(marker.Points()[0].Label, "↑");
      EXPECT_EQ(*labels[k], names[k] + " Cv " + f->ResultsGrid->Cell(1, k + 2).Text);
      EXPECT_EQ(panelLabels[k]->Caption, *labels[k]);
      // The marker lies on its curve (between the points either side of it).
      if (k == 0) continue;
      const int below = static_cast<int>(marker.Points()[0].X);
      ASSERT_GE(below, 0);
      ASSERT_LT(below, 16);
      EXPECT_GE(marker.Points()[0].Y, line.Points()[below].Y * 0.97);
      EXPECT_LE(marker.Points()[0].Y, line.Points()[below + 1].Y * 1.03);
    }
    const std::string svg = Svg();
    EXPECT_EQ(std::count(svg.begin(), svg.end(), '\n'), 0);
    std::regex polyline("<polyline ");
    EXPECT_EQ(std::distance(std::sregex_iterator(svg.begin(), svg.end(), polyline), std::sregex_iterator()), 3);
    for (const char* text : {"VXCVMax Flow  - Sliding Gate", "Plotted for effective control range of 10 to 90 percent",
                             "Flow gpm", "% Travel - 2.00 in  Sliding Gate"})
      EXPECT_NE(svg.find(text), std::string::npos) << text;
    ASSERT_NE(f->ChartDrawing(), nullptr);
    EXPECT_EQ(f->ChartDrawing()->Width, 609);
    EXPECT_EQ(f->ChartDrawing()->Height, 432);
  }
  // The render after the chart leaves the grid as a plain Calculate does.
  EXPECT_NE(f->ResultsGrid->Cell(1, 2).Text, "");
  EXPECT_NE(f->ResultsGrid->Cell(1, 2).Text, "NA");
}

TEST_F(Chart, NothingOfAnEarlierChartSurvives) {
  EXPECT_TRUE(DrawChart().empty());
  ASSERT_EQ(Series(0).Count(), 17);
  // Min emptied: its curve, marker and label go; Norm and Max stay.
  Cond(0, "", "", "", "");
  EXPECT_TRUE(DrawChart().empty());
  EXPECT_EQ(Series(0).Count(), 0);
  EXPECT_EQ(Series(3).Count(), 0);
  EXPECT_EQ(f->MinCvlabeltext, "");
  EXPECT_EQ(f->MinCvlabel->Caption, "");
  EXPECT_EQ(Series(1).Count(), 17);
  EXPECT_TRUE(S->Mingraphflow.empty());
  const std::string svg = Svg();
  EXPECT_NE(svg.find("data-title=\"Minimum\" data-index=\"0\" data-points=\"0\"></g>"), std::string::npos);
  EXPECT_EQ(svg.find("#FF0000"), std::string::npos) << "nothing red: no Min curve or marker";

  // Flow mode: curves without markers or Cv labels.
  f->CalcForFlow->SetChecked(true);
  f->CalcForFlowClick(f->CalcForFlow);
  f->IWAppFormRender();
  for (int i = 0; i < 3; ++i) Cond(i, "100", "50", "60", "40");  // the flow edits hold the Cv now
  const auto flowMode = DrawChart();
  EXPECT_TRUE(flowMode.empty()) << flowMode.front();
  EXPECT_EQ(Series(1).Count(), 17);
  for (int k = 3; k < 6; ++k) EXPECT_EQ(Series(k).Count(), 0) << k;
  EXPECT_EQ(f->NormCvlabeltext, "");
  EXPECT_EQ(Svg().find("class=\"marker\""), std::string::npos);

  // Closing empties the curves and the picture; the PDF then needs a new chart.
  f->ChartCloseBtnClick(f->ChartCloseBtn);
  EXPECT_FALSE(f->ChartRegion->Visible);
  EXPECT_TRUE(f->SizingRegionLabel->Visible);
  EXPECT_EQ(f->ChartRegion->ZIndex, 0);
  EXPECT_TRUE(S->Normgraphflow.empty());
  EXPECT_EQ(f->ChartDrawing(), nullptr);
  EXPECT_TRUE(f->IWImage4->PictureBytes().empty());
  app->TakeMessages();
  f->ChartPDFbtnClick(f->ChartPDFbtn);
  const auto messages = app->TakeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("There is no chart"), std::string::npos) << messages[0];
}

TEST_F(Chart, ACurveThatCannotBeCalculatedIsLeftOutAndSaidSo) {
  f->BreakCurveOf = 1;
  const auto messages = DrawChart();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].rfind("The Norm curve could not be calculated and is left out of the chart:", 0), 0u) << messages[0];
  EXPECT_NE(messages[0].find("The flow could not be calculated"), std::string::npos);
  EXPECT_EQ(Series(1).Count(), 0) << "no curve drawn at zero";
  EXPECT_EQ(Series(4).Count(), 0);
  EXPECT_EQ(f->NormCvlabeltext, "");
  EXPECT_EQ(Series(0).Count(), 17);
  EXPECT_EQ(Series(2).Count(), 17);
  EXPECT_TRUE(f->ChartRegion->Visible);
  // The chart as drawn is kept for the chart page.
  EXPECT_NE(f->ChartDrawing(), nullptr);
}

TEST_F(Chart, ThePdfActionNeedsADrawnChart) {
  f->ChartPDFbtnClick(f->ChartPDFbtn);
  auto messages = app->TakeMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "There is no chart to put into the PDF. Draw the chart with the chart button first.");
  EXPECT_TRUE(DrawChart().empty());
  f->ChartPDFbtnClick(f->ChartPDFbtn);
  messages = app->TakeMessages();
  for (const auto& m : messages)
    EXPECT_EQ(m.find("There is no chart"), std::string::npos) << "a drawn chart goes on to the chart page";
}

TEST_F(Chart, AFailedBuildLeavesNoHalfBuiltPanel) {
  EXPECT_TRUE(DrawChart().empty());
  ASSERT_TRUE(f->ChartRegion->Visible);
  f->Raise = true;
  const auto messages = DrawChart();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "An error occured while generating the chart: 'x' is not a valid floating point value");
  EXPECT_EQ(S->amessage, messages[0]);
  EXPECT_FALSE(f->Graphresult);
  EXPECT_FALSE(f->ChartRegion->Visible) << "no picture or labels of the earlier chart on show";
  EXPECT_TRUE(f->SizingRegionLabel->Visible);
  EXPECT_EQ(f->ChartDrawing(), nullptr);
  EXPECT_TRUE(f->IWImage4->PictureBytes().empty());
  EXPECT_EQ(f->MaxCvlabel->Caption, "");
  // The render after it calculates plainly again.
  EXPECT_NE(f->ResultsGrid->Cell(1, 4).Text, "");
}
