#pragma once
// A small charting layer: line and point series on a left and a bottom axis, with titles, a
// legend, markers and labels. A chart draws itself through the graphics layer's canvas, so one
// drawing serves every output: an SVG image for the page (ChartToSvg) and the enhanced metafile
// of a printed page (ChartCreateMetafile).
//
// Values reach a chart from calculations; a value that is not a finite number is refused when
// it is added, so nothing is ever drawn at NaN or infinity.
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/rt/SysUtils.h"

namespace chart {

RT_DECLARE_EXCEPTION(EChartException, rt::Exception)

// Limits: a chart is drawn on a request thread, so what it holds stays small.
inline constexpr std::size_t MaxSeries = 64;
inline constexpr std::size_t MaxPointsPerSeries = 100000;
// Labels of one axis at most; a finer step would not be readable anyway.
inline constexpr int MaxAxisLabels = 200;
// Charts larger than this in either direction are refused.
inline constexpr int MaxChartSide = 8000;

// The point's colour when it takes the series colour.
inline constexpr gfx::TColor clTeeColor = 0x20000000;

struct TChartPoint {
  double X = 0, Y = 0;
  std::string Label;
  gfx::TColor Color = clTeeColor;
};

enum TSeriesKind { skLine, skPoint };
enum TSeriesPointerStyle { psRectangle, psCircle };

// What marks each point of a series: a rectangle or circle HorizSize by VertSize pixels from
// its centre (a size of 3 is 7 pixels across).
struct TSeriesPointer {
  bool Visible = true;
  TSeriesPointerStyle Style = psRectangle;
  int HorizSize = 4, VertSize = 4;
};

class TChartSeries {
public:
  virtual ~TChartSeries() = default;
  virtual TSeriesKind Kind() const = 0;

  std::string Title;  // the legend's text
  gfx::TColor SeriesColor = 0x0000FF;
  bool Visible = true;

  // A point at the next running number (0, 1, 2 ...) as x.
  int Add(double Value, const std::string& Label = {}, gfx::TColor Color = clTeeColor);
  int AddXY(double X, double Y, const std::string& Label = {}, gfx::TColor Color = clTeeColor);
  void Clear() { FPoints.clear(); }
  int Count() const { return static_cast<int>(FPoints.size()); }
  const std::vector<TChartPoint>& Points() const { return FPoints; }
  // The colour a point is drawn in.
  gfx::TColor PointColor(int Index) const;

private:
  std::vector<TChartPoint> FPoints;
};

// Points joined by a line in LinePen; the line takes the colour of its first point.
class TLineSeries : public TChartSeries {
public:
  TSeriesKind Kind() const override { return skLine; }
  gfx::TPen LinePen;
};

// Points as markers, each with its label written under it in the point's colour.
class TPointSeries : public TChartSeries {
public:
  TSeriesKind Kind() const override { return skPoint; }
  TSeriesPointer Pointer;
};

// Lines of text centred over the chart.
struct TChartTitle {
  TChartTitle();
  std::vector<std::string> Text;
  gfx::TFont Font;
  bool Visible = true;
};

struct TChartAxis {
  TChartAxis();
  // Automatic: the range covers every visible point (numeric labels round it out to whole
  // steps). Otherwise Minimum to Maximum; points outside are not drawn.
  bool Automatic = true;
  double Minimum = 0, Maximum = 0;
  void SetMinMax(double AMin, double AMax);
  std::string Title;
  gfx::TFont TitleFont;
  gfx::TFont LabelsFont;
  bool Grid = true;
};

struct TChartBorder {
  gfx::TColor Color = gfx::clBlack;
  int Width = 1;
  bool Visible = false;
};

struct TChartLegend {
  TChartLegend();
  bool Visible = true;
  gfx::TFont Font;
};

// One part of a drawing, told to whoever watches a drawing (the SVG image marks its parts with
// it): Kind "series" with the series' attributes before its points and "end" after them,
// "marker" for each point of a point series with its values.
using TChartPartAttrs = std::vector<std::pair<std::string, std::string>>;
using TChartPartNotify = std::function<void(const std::string& Kind, const TChartPartAttrs& Attrs)>;

// Where things landed in the last layout: the plot rectangle and the axis ranges, so values can
// be turned into pixels.
struct TChartLayout {
  gfx::TRect Plot;
  double XMin = 0, XMax = 1, YMin = 0, YMax = 1;
  int XToPixel(double X) const;
  int YToPixel(double Y) const;
};

// The chart drawn for a printed page: an enhanced metafile of Width by Height pixels (96 per
// inch), ready to be a picture's graphic.
class TChartMetafile {
public:
  int Width = 0, Height = 0;
  // The whole metafile file.
  std::string Bytes;
  bool Empty() const { return Bytes.empty(); }
  // A new metafile graphic of the bytes (EInvalidGraphic when there are none).
  std::unique_ptr<gfx::TMetafile> Metafile() const;
};

class TChart {
public:
  TChart();
  TChart(const TChart&) = delete;
  TChart& operator=(const TChart&) = delete;
  ~TChart();

  int Left = 0, Top = 0, Width = 400, Height = 250;
  gfx::TColor Color = gfx::clWhite;
  TChartBorder Border;
  TChartTitle Title, SubTitle;
  TChartLegend Legend;
  TChartAxis LeftAxis, BottomAxis;
  // Kept for callers that switch it; the chart is always drawn flat.
  bool View3D = false;

  // Takes the series and draws it after those added before.
  template <class T>
  T* AddSeries(std::unique_ptr<T> Series) {
    T* raw = Series.get();
    AddOwnedSeries(std::unique_ptr<TChartSeries>(std::move(Series)));
    return raw;
  }
  void FreeAllSeries() { FSeries.clear(); }
  int SeriesCount() const { return static_cast<int>(FSeries.size()); }
  TChartSeries& Series(int Index) const { return *FSeries.at(static_cast<std::size_t>(Index)); }

  // The layout a drawing into R would have.
  TChartLayout Layout(const gfx::TRect& R) const;
  // Draws the whole chart into R of the canvas.
  void Draw(gfx::TCanvas& Canvas, const gfx::TRect& R, const TChartPartNotify& Notify = {}) const;
  // The chart drawn at R's size as an enhanced metafile whose frame is 0, 0, R's width and
  // height, for a printed page.
  TChartMetafile ChartCreateMetafile(const gfx::TRect& R) const;
  // The chart at Width by Height as an SVG document.
  std::string ChartToSvg() const;

private:
  void AddOwnedSeries(std::unique_ptr<TChartSeries> Series);
  struct TFrame;
  TFrame Frame(const gfx::TRect& R) const;
  std::vector<std::unique_ptr<TChartSeries>> FSeries;
};

// Width in pixels of a text in a font (96 pixels per inch), as the chart lays text out.
int TextWidth(const gfx::TFont& Font, const std::string& Text);

}  // namespace chart
