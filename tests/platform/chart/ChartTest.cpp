// The chart layer: ranges and labels of the axes, where series and markers land, what is
// refused, and the SVG image of a drawing.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>

#include "platform/chart/Chart.h"
#include "platform/chart/SvgCanvas.h"
#include "platform/rt/Unicode.h"

namespace {

using chart::TChart;
using chart::TLineSeries;
using chart::TPointSeries;

std::vector<std::string> Texts(const gfx::TRecordingCanvas& C) {
  std::vector<std::string> out;
  for (const gfx::TCanvasOp& op : C.Ops)
    if (op.Kind == gfx::TCanvasOp::opText) out.push_back(rt::Utf16ToUtf8(op.TextOut.Text));
  return out;
}

const gfx::TCanvasOp* FindText(const gfx::TRecordingCanvas& C, const std::string& text) {
  for (const gfx::TCanvasOp& op : C.Ops)
    if (op.Kind == gfx::TCanvasOp::opText && rt::Utf16ToUtf8(op.TextOut.Text) == text) return &op;
  return nullptr;
}

int Count(const std::string& s, const std::string& what) {
  int n = 0;
  for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

// A line of labelled points 10 ... 90 at x 0 ... 16, as the flow chart has them.
TLineSeries* AddTravelLine(TChart& c, double scale, gfx::TColor color) {
  auto* s = c.AddSeries(std::make_unique<TLineSeries>());
  for (int i = 2; i <= 18; ++i) s->Add(scale * i, std::to_string(i * 5), color);
  return s;
}

}  // namespace

TEST(Chart, MarkersAndLinePointsLandWhereTheirValuesAre) {
  TChart c;
  c.Width = 600;
  c.Height = 400;
  AddTravelLine(c, 10, 0x0000FF);
  auto* marks = c.AddSeries(std::make_unique<TPointSeries>());
  marks->Pointer.HorizSize = marks->Pointer.VertSize = 3;
  marks->AddXY(8, 95, "↑", 0x0000FF);
  // A marker beyond the line (a travel over 90 %) widens the automatic range instead of vanishing.
  marks->AddXY(19, 400, "↑", 0xFF0000);

  const gfx::TRect R{0, 0, 600, 400};
  const chart::TChartLayout L = c.Layout(R);
  EXPECT_LE(L.XMin, 0);
  EXPECT_GE(L.XMax, 19);
  EXPECT_LE(L.YMin, 20);
  EXPECT_GE(L.YMax, 400);

  gfx::TRecordingCanvas rec;
  c.Draw(rec, R);
  std::vector<gfx::TRect> markers;
  int lineSegments = 0;
  for (const gfx::TCanvasOp& op : rec.Ops) {
    if (op.Kind == gfx::TCanvasOp::opRectangle && op.Brush.Color != gfx::clWhite) markers.push_back(op.R);
    if (op.Kind == gfx::TCanvasOp::opLine && op.Pen.Color == 0x0000FF) ++lineSegments;
  }
  ASSERT_EQ(markers.size(), 2u);
  const int cx = (markers[0].Left + markers[0].Right - 1) / 2, cy = (markers[0].Top + markers[0].Bottom - 1) / 2;
  EXPECT_EQ(cx, L.XToPixel(8));
  EXPECT_EQ(cy, L.YToPixel(95));
  EXPECT_EQ(markers[0].Width(), 7) << "a pointer of size 3 is 7 pixels across";
  EXPECT_GE(markers[1].Left, L.Plot.Left);
  EXPECT_LE(markers[1].Right, L.Plot.Right + 4);
  EXPECT_GE(lineSegments, 16) << "the line joins all 17 points";
  // The label of the point at x 7 ("45") is centred under it.
  const gfx::TCanvasOp* label = FindText(rec, "45");
  ASSERT_NE(label, nullptr);
  const int w = chart::TextWidth(c.BottomAxis.LabelsFont, "45");
  EXPECT_NEAR(label->TextOut.X + w / 2.0, L.XToPixel(7), 1);
  // Value and pixel agree at both ends of a fixed range.
  c.BottomAxis.SetMinMax(0, 16);
  const chart::TChartLayout F = c.Layout(R);
  EXPECT_EQ(F.XToPixel(0), F.Plot.Left);
  EXPECT_EQ(F.XToPixel(16), F.Plot.Right - 1);
  EXPECT_LT(F.YToPixel(F.YMax), F.YToPixel(F.YMin)) << "larger values higher up";
  EXPECT_LT(F.YMax, 400) << "the marker left out of the fixed range does not stretch the flow axis";
}

TEST(Chart, NumericAxesStepByOneTwoOrFiveAndCoverTheData) {
  struct Case {
    double Lo, Hi;
    double First, Last;
  } cases[] = {{0.3, 97, 0, 100}, {1200, 1890, 1200, 1900}, {0.012, 0.047, 0.01, 0.05}, {-35, 12, -40, 20},
               {5, 5, 4.4, 5.6}};
  for (const Case& k : cases) {
    TChart c;
    c.Width = 500;
    c.Height = 300;
    c.AddSeries(std::make_unique<TPointSeries>())->AddXY(k.Lo, k.Lo);
    c.Series(0).AddXY(k.Hi, k.Hi);
    const chart::TChartLayout L = c.Layout({0, 0, 500, 300});
    EXPECT_NEAR(L.YMin, k.First, 1e-9) << k.Lo << ".." << k.Hi;
    EXPECT_NEAR(L.YMax, k.Last, 1e-9) << k.Lo << ".." << k.Hi;
    gfx::TRecordingCanvas rec;
    c.Draw(rec, {0, 0, 500, 300});
    std::vector<double> values;
    for (const std::string& t : Texts(rec)) {
      char* end = nullptr;
      const double v = std::strtod(t.c_str(), &end);
      if (end && *end == 0 && !t.empty()) values.push_back(v);
    }
    ASSERT_GE(values.size(), 3u) << k.Lo << ".." << k.Hi;
    for (const std::string& t : Texts(rec)) EXPECT_NE(t, "-0");
  }
}

TEST(Chart, RefusesWhatCannotBeDrawn) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  TLineSeries s;
  for (auto [x, y] : {std::pair{nan, 1.0}, {1.0, nan}, {inf, 1.0}, {1.0, -inf}})
    EXPECT_THROW(s.AddXY(x, y), chart::EChartException) << x << " " << y;
  EXPECT_THROW(s.Add(nan), chart::EChartException);
  EXPECT_EQ(s.Count(), 0);

  TChart c;
  EXPECT_THROW(c.BottomAxis.SetMinMax(5, 5), chart::EChartException);
  EXPECT_THROW(c.BottomAxis.SetMinMax(0, nan), chart::EChartException);
  EXPECT_TRUE(c.BottomAxis.Automatic);
  for (std::size_t k = 0; k < chart::MaxSeries; ++k) c.AddSeries(std::make_unique<TLineSeries>());
  EXPECT_THROW(c.AddSeries(std::make_unique<TLineSeries>()), chart::EChartException);
  c.Width = chart::MaxChartSide + 1;
  EXPECT_THROW(c.ChartToSvg(), chart::EChartException);
  EXPECT_THROW(c.ChartCreateMetafile({0, 0, 0, 10}), chart::EChartException);
}

TEST(Chart, AnEmptyChartDrawsItsFrameAndTitles) {
  TChart c;
  c.Width = 300;
  c.Height = 200;
  c.Title.Text = {"Title line"};
  c.LeftAxis.Title = "Flow gpm";
  c.BottomAxis.Title = "% Travel";
  gfx::TRecordingCanvas rec;
  c.Draw(rec, {0, 0, 300, 200});
  EXPECT_NE(FindText(rec, "Title line"), nullptr);
  const gfx::TCanvasOp* y = FindText(rec, "Flow gpm");
  ASSERT_NE(y, nullptr);
  EXPECT_EQ(y->TextOut.Escapement, 900) << "the left axis title runs upwards";
  EXPECT_NE(FindText(rec, "% Travel"), nullptr);
  // Freeing the series leaves nothing of them behind.
  AddTravelLine(c, 1, 0x0000FF);
  c.FreeAllSeries();
  EXPECT_EQ(c.SeriesCount(), 0);
  EXPECT_EQ(c.ChartToSvg().find("<polyline"), std::string::npos);
}

TEST(ChartSvg, MarksSeriesAndMarkersAndDrawsPenStyles) {
  TChart c;
  c.Width = 600;
  c.Height = 400;
  c.Legend.Visible = false;
  c.Title.Text = {"A <b> & \"c\""};
  struct Style {
    gfx::TPenStyle Pen;
    const char* Dash;  // expected stroke-dasharray at width 2, empty for none
  } styles[] = {{gfx::psDot, "2,4"}, {gfx::psSolid, ""}, {gfx::psDash, "8,4"}};
  const gfx::TColor colors[] = {0x0000FF, 0x008000, 0xFF0000};
  for (int k = 0; k < 3; ++k) {
    TLineSeries* s = AddTravelLine(c, k + 1, colors[k]);
    s->Title = std::string("S") + char('0' + k);
    s->LinePen.Width = 2;
    s->LinePen.Style = styles[k].Pen;
  }
  auto* p = c.AddSeries(std::make_unique<TPointSeries>());
  p->AddXY(8, 90, "↑", colors[0]);
  const std::string svg = c.ChartToSvg();

  EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"600\" height=\"400\"", 0), 0u);
  EXPECT_EQ(Count(svg, "<g "), Count(svg, "</g>"));
  EXPECT_EQ(Count(svg, "<polyline"), 3);
  const std::string expectColor[] = {"#FF0000", "#008000", "#0000FF"};
  for (int k = 0; k < 3; ++k) {
    std::smatch m;
    const std::regex group("<g class=\"series\" data-kind=\"line\" data-title=\"S" + std::to_string(k) +
                           "\"[^>]*data-points=\"17\">(?:<clipPath.*?</clipPath>)?<polyline points=\"([^\"]*)\"[^>]*stroke=\"([^\"]*)\"[^>]*>");
    ASSERT_TRUE(std::regex_search(svg, m, group)) << k;
    EXPECT_EQ(Count(m[1].str(), ","), 17 + 1) << "every point, the last repeated";
    EXPECT_EQ(m[2].str(), expectColor[k]);
    const std::string tag = m[0].str();
    if (*styles[k].Dash)
      EXPECT_NE(tag.find(std::string("stroke-dasharray=\"") + styles[k].Dash + "\""), std::string::npos) << tag;
    else
      EXPECT_EQ(tag.find("stroke-dasharray"), std::string::npos) << tag;
  }
  EXPECT_NE(svg.find("<g class=\"marker\" data-x=\"8\" data-y=\"90\" data-label=\"↑\"><rect"), std::string::npos);
  EXPECT_NE(svg.find("A &lt;b&gt; &amp; &quot;c&quot;"), std::string::npos);
  EXPECT_EQ(svg.find("<b>"), std::string::npos);
  // The clip of the plot is declared before the lines that use it.
  const std::size_t use = svg.find("clip-path=\"url(#c1)\"");
  ASSERT_NE(use, std::string::npos);
  EXPECT_LT(svg.find("<clipPath id=\"c1\">"), use);
}

TEST(ChartSvg, ShapesKeepTheDeviceRulesAndTextSitsOnItsBaseline) {
  chart::TSvgCanvas s(100, 50);
  s.Pen = {0x000000, 2, gfx::psSolid, gfx::pmCopy};
  s.Brush = {0x00FFFF, gfx::bsSolid};
  s.Rectangle(10, 10, 20, 30);  // the 2-pixel outline lies inside 10..19
  s.Brush.Style = gfx::bsClear;
  s.Pen.Style = gfx::psClear;
  s.Rectangle(0, 0, 5, 5);
  s.FillRect({0, 0, 0, 10});  // empty: nothing
  s.Font.SetSize(10);
  gfx::TTextOut t;
  t.X = 5;
  t.Y = 7;
  t.Text = u"Up";
  t.FontHeight = 13;
  t.Escapement = 900;
  s.ExtTextOut(t);
  s.BeginGroup("series", {{"Title<", "x\"y"}, {"", "dropped"}});
  const std::string svg = s.Svg();
  EXPECT_NE(svg.find("<rect x=\"11\" y=\"11\" width=\"8\" height=\"18\" fill=\"#FFFF00\" stroke=\"#000000\" stroke-width=\"2\"/>"),
            std::string::npos)
      << svg;
  EXPECT_NE(svg.find("<rect x=\"0\" y=\"0\" width=\"5\" height=\"5\" fill=\"none\" stroke=\"none\"/>"), std::string::npos) << svg;
  EXPECT_EQ(Count(svg, "<rect"), 2);
  std::smatch m;
  ASSERT_TRUE(std::regex_search(svg, m, std::regex("<text x=\"5\" y=\"(\\d+)\"[^>]*transform=\"rotate\\(-90 5 7\\)\"[^>]*>Up</text>")))
      << svg;
  EXPECT_GT(std::stoi(m[1].str()), 7 + 8) << "the baseline is an ascent below the cell's top";
  EXPECT_NE(svg.find("<g class=\"series\" data-title=\"x&quot;y\"></g></svg>"), std::string::npos) << svg;
}

TEST(ChartMetafile, IsAnEnhancedMetafileOfTheRectanglesSizeWithTheChartsTexts) {
  TChart c;
  c.Title.Text = {"Flow chart"};
  c.LeftAxis.Title = "Flow gpm";
  c.BottomAxis.Title = "% Travel";
  AddTravelLine(c, 10, 0x0000FF);
  const chart::TChartMetafile m = c.ChartCreateMetafile({8, 8, 408, 258});
  ASSERT_FALSE(m.Empty());
  EXPECT_EQ(m.Width, 400);
  EXPECT_EQ(m.Height, 250);
  EXPECT_EQ(gfx::SniffGraphic(reinterpret_cast<const std::uint8_t*>(m.Bytes.data()), m.Bytes.size()),
            gfx::gkMetafile);
  const std::unique_ptr<gfx::TMetafile> g = m.Metafile();
  EXPECT_TRUE(g->Enhanced());
  EXPECT_EQ(g->Width(), 400);
  EXPECT_EQ(g->Height(), 250);
  // Texts are written as UTF-16 text records.
  const std::u16string title = u"Flow gpm";
  const std::string wide(reinterpret_cast<const char*>(title.data()), title.size() * 2);
  EXPECT_NE(m.Bytes.find(wide), std::string::npos);
  // The drawing starts at the metafile's own origin wherever the rectangle lies.
  EXPECT_EQ(m.Bytes, c.ChartCreateMetafile({0, 0, 400, 250}).Bytes);
}

TEST(Chart, MarkerLabelsStayInsideThePlot) {
  // Markers at the plot's corners: the lowest (its label would fall on the axis), the last on the
  // right edge (its label would stand out of the plot), the highest at the left.
  TChart c;
  c.Width = 400;
  c.Height = 300;
  c.BottomAxis.SetMinMax(0, 10);
  c.LeftAxis.SetMinMax(0, 100);
  auto* p = c.AddSeries(std::make_unique<TPointSeries>());
  p->AddXY(5, 0, "low");
  p->AddXY(10, 50, "\u2191 135 %");
  p->AddXY(0, 100, "high");
  const gfx::TRect R{0, 0, 400, 300};
  const chart::TChartLayout L = c.Layout(R);
  gfx::TRecordingCanvas rec;
  c.Draw(rec, R);
  for (const char* text : {"low", "\u2191 135 %", "high"}) {
    const gfx::TCanvasOp* label = FindText(rec, text);
    ASSERT_NE(label, nullptr) << text;
    const int w = chart::TextWidth(c.BottomAxis.LabelsFont, text), h = std::abs(c.BottomAxis.LabelsFont.Height());
    EXPECT_GE(label->TextOut.X, L.Plot.Left) << text;
    EXPECT_LE(label->TextOut.X + w, L.Plot.Right) << text;
    EXPECT_GE(label->TextOut.Y, L.Plot.Top) << text;
    EXPECT_LE(label->TextOut.Y + h, L.Plot.Bottom) << text;
  }
}
