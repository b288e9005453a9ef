// The chart's layout and drawing. Text is measured with the font layer, so the places worked
// out here hold in every output the drawing goes to.
#include "platform/chart/Chart.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/chart/SvgCanvas.h"
#include "platform/gfx/FontFace.h"
#include "platform/gfx/MetafileCanvas.h"
#include "platform/rt/Unicode.h"

namespace chart {

namespace {

constexpr int Padding = 8;      // inside the chart's edge
constexpr int TickLength = 4;   // axis ticks, outside the plot
constexpr int LabelGap = 3;     // between a tick and its label, and between texts
constexpr gfx::TColor GridColor = 0xC0C0C0;
// Numeric axes aim at a label every this many pixels, at the closest.
constexpr int LabelSpacingY = 30, LabelSpacingX = 60;

void SetChartFont(gfx::TFont& F, int Size) {
  F.SetName("Arial");
  F.SetSize(Size);
  F.SetColor(gfx::clBlack);
}

int PixelSize(const gfx::TFont& F) { return std::clamp(std::abs(F.Height()), 1, gfx::MaxPixelSize); }

std::shared_ptr<const gfx::TSizedFont> Sized(const gfx::TFont& F) {
  const gfx::TFontFace* face = gfx::FindFace(F.Name(), gfx::HasStyle(F.Style(), gfx::fsBold),
                                             gfx::HasStyle(F.Style(), gfx::fsItalic));
  if (!face) return nullptr;
  return gfx::TSizedFont::Get(face, PixelSize(F));
}

int LineHeight(const gfx::TFont& F) {
  const auto s = Sized(F);
  return s ? s->Height() : PixelSize(F) * 6 / 5;
}

// Advances of each UTF-16 unit; a rough width per character without any font installed.
std::vector<int> Advances(const gfx::TFont& F, const std::u16string& Text) {
  std::vector<int> dx(Text.size());
  if (const auto s = Sized(F))
    s->Advances(Text, dx.data());
  else
    std::fill(dx.begin(), dx.end(), PixelSize(F) * 3 / 5);
  return dx;
}

int Sum(const std::vector<int>& v) {
  long long total = 0;
  for (int x : v) total += x;
  return static_cast<int>(std::min<long long>(total, std::numeric_limits<int>::max()));
}

// Text with its cell's top left at (X, Y); Escapement 900 runs it upwards.
void DrawText(gfx::TCanvas& C, const gfx::TFont& F, int X, int Y, const std::string& Text, int Escapement = 0,
              gfx::TColor Color = gfx::clNone) {
  if (Text.empty()) return;
  C.Font.Assign(F);
  if (Color != gfx::clNone) C.Font.SetColor(Color);
  gfx::TTextOut T;
  T.X = X;
  T.Y = Y;
  T.Text = rt::Utf8ToUtf16(Text);
  T.Dx = Advances(F, T.Text);
  T.Escapement = Escapement;
  T.FontHeight = PixelSize(F);
  C.ExtTextOut(T);
}

// A step of 1, 2 or 5 times a power of ten that gives at most MaxCount steps over Range.
double NiceStep(double Range, int MaxCount) {
  MaxCount = std::clamp(MaxCount, 1, MaxAxisLabels - 1);
  const double raw = Range / MaxCount;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0, 10.0})
    if (m * power >= raw) return m * power;
  return 10 * power;
}

// Decimals that tell steps of Step apart.
int StepDecimals(double Step) {
  if (Step >= 1) return 0;
  return std::min(15, static_cast<int>(std::ceil(-std::log10(Step) - 1e-9)));
}

std::string NumberText(double V, int Decimals) {
  if (std::abs(V) < 1e-12) V = 0;  // no "-0"
  return rt::FloatToStrF(V, rt::ffFixed, 15, Decimals);
}

struct TLabel {
  double Value;
  std::string Text;
};

// An automatic range that holds no spread gets one around its value.
void Widen(double& Min, double& Max) {
  if (Min < Max) return;
  const double d = Min == 0 ? 1 : std::abs(Min) * 0.1;
  Min -= d;
  Max += d;
}

// Numeric labels at whole steps; an automatic range grows to whole steps first.
std::vector<TLabel> NumericLabels(double& Min, double& Max, bool Automatic, int Pixels, int Spacing) {
  const double range = Max - Min;
  if (!(range > 0) || !std::isfinite(range)) return {};
  const double step = NiceStep(range, std::max(1, Pixels / Spacing));
  if (!(step > 0) || !std::isfinite(step)) return {};
  if (Automatic) {
    // A value a rounding error away from a whole step counts as on it.
    Min = std::floor(Min / step + 1e-9) * step;
    Max = std::ceil(Max / step - 1e-9) * step;
  }
  std::vector<TLabel> out;
  const int decimals = StepDecimals(step);
  const double first = std::ceil(Min / step - 1e-9);
  for (int k = 0; k < MaxAxisLabels; ++k) {
    const double v = (first + k) * step;
    if (v > Max + step * 1e-9) break;
    out.push_back({v, NumberText(v, decimals)});
  }
  return out;
}

}  // namespace

// ---- Series ----

int TChartSeries::Add(double Value, const std::string& Label, gfx::TColor Color) {
  return AddXY(static_cast<double>(FPoints.size()), Value, Label, Color);
}

int TChartSeries::AddXY(double X, double Y, const std::string& Label, gfx::TColor Color) {
  if (!std::isfinite(X) || !std::isfinite(Y))
    throw EChartException("A chart point must be a finite number (series \"" + Title + "\")");
  if (FPoints.size() >= MaxPointsPerSeries)
    throw EChartException("Too many points in the chart series \"" + Title + "\"");
  FPoints.push_back({X, Y, Label, Color});
  return static_cast<int>(FPoints.size()) - 1;
}

gfx::TColor TChartSeries::PointColor(int Index) const {
  const gfx::TColor c = FPoints.at(static_cast<std::size_t>(Index)).Color;
  return c == clTeeColor ? SeriesColor : c;
}

TChartTitle::TChartTitle() { SetChartFont(Font, 8); }

TChartAxis::TChartAxis() {
  SetChartFont(TitleFont, 8);
  SetChartFont(LabelsFont, 8);
}

void TChartAxis::SetMinMax(double AMin, double AMax) {
  if (!std::isfinite(AMin) || !std::isfinite(AMax) || !(AMin < AMax))
    throw EChartException("An axis range must run from a smaller to a larger finite number");
  Automatic = false;
  Minimum = AMin;
  Maximum = AMax;
}

TChartLegend::TChartLegend() { SetChartFont(Font, 8); }

int TChartLayout::XToPixel(double X) const {
  const double f = (X - XMin) / (XMax - XMin);
  return Plot.Left + static_cast<int>(std::lround(f * (Plot.Width() - 1)));
}

int TChartLayout::YToPixel(double Y) const {
  const double f = (Y - YMin) / (YMax - YMin);
  return Plot.Bottom - 1 - static_cast<int>(std::lround(f * (Plot.Height() - 1)));
}

// ---- Chart ----

TChart::TChart() { SetChartFont(Title.Font, 10); }
TChart::~TChart() = default;

void TChart::AddOwnedSeries(std::unique_ptr<TChartSeries> Series) {
  if (!Series) return;
  if (FSeries.size() >= MaxSeries) throw EChartException("Too many series in one chart");
  FSeries.push_back(std::move(Series));
}

// Everything the drawing places: the layout and the texts around the plot.
struct TChart::TFrame {
  TChartLayout L;
  int TitleTop = 0, SubTitleTop = 0;
  std::vector<TLabel> XLabels, YLabels;
  int XLabelsTop = 0, XTitleTop = 0, YTitleLeft = 0, YLabelsRight = 0;
  gfx::TRect LegendBox;
  std::vector<const TChartSeries*> LegendItems;
};

TChart::TFrame TChart::Frame(const gfx::TRect& R) const {
  TFrame f;
  const auto lines = [](const TChartTitle& t) { return t.Visible ? static_cast<int>(t.Text.size()) : 0; };
  int top = R.Top + Padding;
  f.TitleTop = top;
  top += lines(Title) * LineHeight(Title.Font);
  f.SubTitleTop = top;
  top += lines(SubTitle) * LineHeight(SubTitle.Font);
  if (top > R.Top + Padding) top += LabelGap * 2;

  int bottom = R.Bottom - Padding;
  if (!BottomAxis.Title.empty()) {
    bottom -= LineHeight(BottomAxis.TitleFont);
    f.XTitleTop = bottom;
    bottom -= LabelGap;
  }
  bottom -= LineHeight(BottomAxis.LabelsFont);
  f.XLabelsTop = bottom;
  bottom -= TickLength + LabelGap;

  // The marker labels under point series markers need room below the lowest marker.
  f.L.Plot.Top = top;
  f.L.Plot.Bottom = std::max(top + 2, bottom);

  // Ranges of the visible points.
  bool any = false;
  double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
  bool textLabels = false;
  for (const auto& s : FSeries) {
    if (!s->Visible) continue;
    for (const TChartPoint& p : s->Points()) {
      // A point outside a fixed bottom range is not drawn, so it does not stretch the left axis.
      if (!BottomAxis.Automatic && (p.X < BottomAxis.Minimum || p.X > BottomAxis.Maximum)) continue;
      if (!any) {
        xMin = xMax = p.X;
        yMin = yMax = p.Y;
        any = true;
      }
      xMin = std::min(xMin, p.X);
      xMax = std::max(xMax, p.X);
      yMin = std::min(yMin, p.Y);
      yMax = std::max(yMax, p.Y);
      if (s->Kind() == skLine && !p.Label.empty()) textLabels = true;
    }
  }
  if (!LeftAxis.Automatic) {
    yMin = LeftAxis.Minimum;
    yMax = LeftAxis.Maximum;
  } else {
    Widen(yMin, yMax);
  }
  if (!BottomAxis.Automatic) {
    xMin = BottomAxis.Minimum;
    xMax = BottomAxis.Maximum;
  } else {
    Widen(xMin, xMax);
  }
  f.YLabels = NumericLabels(yMin, yMax, LeftAxis.Automatic, f.L.Plot.Height(), LabelSpacingY);

  int left = R.Left + Padding;
  if (!LeftAxis.Title.empty()) {
    f.YTitleLeft = left;
    left += LineHeight(LeftAxis.TitleFont) + LabelGap;
  }
  int labelWidth = 0;
  for (const TLabel& l : f.YLabels) labelWidth = std::max(labelWidth, TextWidth(LeftAxis.LabelsFont, l.Text));
  left += labelWidth;
  f.YLabelsRight = left;
  left += LabelGap + TickLength;

  int right = R.Right - Padding;
  if (Legend.Visible) {
    int w = 0;
    for (const auto& s : FSeries)
      if (s->Visible && !s->Title.empty()) {
        f.LegendItems.push_back(s.get());
        w = std::max(w, TextWidth(Legend.Font, s->Title));
      }
    if (!f.LegendItems.empty()) {
      const int boxWidth = w + 30, lineHeight = LineHeight(Legend.Font) + 2;
      const int boxHeight = static_cast<int>(f.LegendItems.size()) * lineHeight + 8;
      right -= boxWidth;
      f.LegendBox = {right, top, right + boxWidth, top + boxHeight};
      right -= Padding;
    }
  }
  // Half the widest bottom label may stand out right of the plot.
  right -= TextWidth(BottomAxis.LabelsFont, "000") / 2;
  f.L.Plot.Left = left;
  f.L.Plot.Right = std::max(left + 2, right);

  if (textLabels) {
    // Labels of the line points at their x, the first series' label where several share an x.
    for (const auto& s : FSeries) {
      if (!s->Visible || s->Kind() != skLine) continue;
      for (const TChartPoint& p : s->Points()) {
        if (p.Label.empty()) continue;
        const bool taken = std::any_of(f.XLabels.begin(), f.XLabels.end(), [&](const TLabel& l) { return l.Value == p.X; });
        if (!taken && f.XLabels.size() < static_cast<std::size_t>(MaxAxisLabels)) f.XLabels.push_back({p.X, p.Label});
      }
    }
    std::sort(f.XLabels.begin(), f.XLabels.end(), [](const TLabel& a, const TLabel& b) { return a.Value < b.Value; });
  } else {
    f.XLabels = NumericLabels(xMin, xMax, BottomAxis.Automatic, f.L.Plot.Width(), LabelSpacingX);
  }
  f.L.XMin = xMin;
  f.L.XMax = xMax;
  f.L.YMin = yMin;
  f.L.YMax = yMax;
  return f;
}

TChartLayout TChart::Layout(const gfx::TRect& R) const { return Frame(R).L; }

void TChart::Draw(gfx::TCanvas& C, const gfx::TRect& R, const TChartPartNotify& Notify) const {
  if (R.Width() <= 0 || R.Height() <= 0) return;
  const TFrame f = Frame(R);
  const TChartLayout& L = f.L;
  const auto notify = [&](const std::string& kind, const TChartPartAttrs& attrs) {
    if (Notify) Notify(kind, attrs);
  };
  const gfx::TColor black = gfx::clBlack;

  C.SetClipRect(std::nullopt);
  C.Brush = {Color, gfx::bsSolid};
  C.FillRect(R);

  // Titles, centred over the whole chart.
  const auto drawTitle = [&](const TChartTitle& t, int top) {
    if (!t.Visible) return;
    const int h = LineHeight(t.Font);
    for (const std::string& line : t.Text) {
      const int w = TextWidth(t.Font, line);
      DrawText(C, t.Font, R.Left + (R.Width() - w) / 2, top, line);
      top += h;
    }
  };
  drawTitle(Title, f.TitleTop);
  drawTitle(SubTitle, f.SubTitleTop);

  // Grid and axes.
  C.Pen = {GridColor, 1, gfx::psDot, gfx::pmCopy};
  if (LeftAxis.Grid)
    for (const TLabel& l : f.YLabels) {
      const int y = L.YToPixel(l.Value);
      C.MoveTo(L.Plot.Left, y);
      C.LineTo(L.Plot.Right, y);
    }
  if (BottomAxis.Grid)
    for (const TLabel& l : f.XLabels) {
      if (l.Value < L.XMin || l.Value > L.XMax) continue;
      const int x = L.XToPixel(l.Value);
      C.MoveTo(x, L.Plot.Top);
      C.LineTo(x, L.Plot.Bottom);
    }
  C.Pen = {black, 1, gfx::psSolid, gfx::pmCopy};
  C.MoveTo(L.Plot.Left - 1, L.Plot.Top);
  C.LineTo(L.Plot.Left - 1, L.Plot.Bottom);
  C.MoveTo(L.Plot.Left - 1, L.Plot.Bottom);
  C.LineTo(L.Plot.Right, L.Plot.Bottom);

  const int yLabelHeight = LineHeight(LeftAxis.LabelsFont);
  for (const TLabel& l : f.YLabels) {
    const int y = L.YToPixel(l.Value);
    C.MoveTo(L.Plot.Left - 1 - TickLength, y);
    C.LineTo(L.Plot.Left - 1, y);
    DrawText(C, LeftAxis.LabelsFont, f.YLabelsRight - TextWidth(LeftAxis.LabelsFont, l.Text), y - yLabelHeight / 2, l.Text);
  }
  // Bottom labels, centred on their ticks; one that would overlap the last one written is left out.
  int lastRight = std::numeric_limits<int>::min();
  for (const TLabel& l : f.XLabels) {
    if (l.Value < L.XMin || l.Value > L.XMax) continue;
    const int x = L.XToPixel(l.Value);
    C.MoveTo(x, L.Plot.Bottom + 1);
    C.LineTo(x, L.Plot.Bottom + 1 + TickLength);
    const int w = TextWidth(BottomAxis.LabelsFont, l.Text);
    if (x - w / 2 <= lastRight + LabelGap) continue;
    DrawText(C, BottomAxis.LabelsFont, x - w / 2, f.XLabelsTop, l.Text);
    lastRight = x - w / 2 + w;
  }
  if (!LeftAxis.Title.empty()) {
    // Upwards, centred along the plot's height.
    const int w = TextWidth(LeftAxis.TitleFont, LeftAxis.Title);
    DrawText(C, LeftAxis.TitleFont, f.YTitleLeft, L.Plot.Top + (L.Plot.Height() + w) / 2, LeftAxis.Title, 900);
  }
  if (!BottomAxis.Title.empty()) {
    const int w = TextWidth(BottomAxis.TitleFont, BottomAxis.Title);
    DrawText(C, BottomAxis.TitleFont, L.Plot.Left + (L.Plot.Width() - w) / 2, f.XTitleTop, BottomAxis.Title);
  }

  // Series: lines inside the plot only; markers where their value lies.
  const auto inside = [&](const TChartPoint& p) {
    return p.X >= L.XMin && p.X <= L.XMax && p.Y >= L.YMin && p.Y <= L.YMax;
  };
  for (int index = 0; index < SeriesCount(); ++index) {
    const TChartSeries& s = Series(index);
    if (!s.Visible) continue;
    const bool line = s.Kind() == skLine;
    notify("series", {{"kind", line ? "line" : "point"},
                      {"title", s.Title},
                      {"index", std::to_string(index)},
                      {"points", std::to_string(s.Count())}});
    if (line) {
      const auto& ls = static_cast<const TLineSeries&>(s);
      std::vector<gfx::TPoint> pts;
      for (const TChartPoint& p : s.Points()) pts.push_back({L.XToPixel(p.X), L.YToPixel(p.Y)});
      if (!pts.empty()) {
        C.SetClipRect(gfx::TRect{L.Plot.Left, L.Plot.Top, L.Plot.Right, L.Plot.Bottom});
        C.Pen = ls.LinePen;
        C.Pen.Color = s.PointColor(0);
        // The device leaves out a polyline's last point: repeat it so the line reaches it.
        pts.push_back(pts.back());
        C.Polyline(pts);
        C.SetClipRect(std::nullopt);
      }
    } else {
      const auto& ps = static_cast<const TPointSeries&>(s);
      for (int k = 0; k < s.Count(); ++k) {
        const TChartPoint& p = s.Points()[static_cast<std::size_t>(k)];
        if (!inside(p)) continue;
        const gfx::TColor color = s.PointColor(k);
        const int x = L.XToPixel(p.X), y = L.YToPixel(p.Y);
        notify("marker", {{"x", rt::FloatToStrF(p.X, rt::ffGeneral, 15, 0)},
                          {"y", rt::FloatToStrF(p.Y, rt::ffGeneral, 15, 0)},
                          {"label", p.Label}});
        if (ps.Pointer.Visible) {
          C.Pen = {color, 1, gfx::psSolid, gfx::pmCopy};
          C.Brush = {color, gfx::bsSolid};
          const int h = ps.Pointer.HorizSize, v = ps.Pointer.VertSize;
          if (ps.Pointer.Style == psCircle)
            C.Ellipse(x - h, y - v, x + h + 1, y + v + 1);
          else
            C.Rectangle(x - h, y - v, x + h + 1, y + v + 1);
        }
        if (!p.Label.empty()) {
          // Under the marker, or over it where the plot ends below; never across the plot's edges.
          const gfx::TFont& font = BottomAxis.LabelsFont;
          const int w = TextWidth(font, p.Label), h = LineHeight(font);
          int top = y + ps.Pointer.VertSize + 2;
          if (top + h > L.Plot.Bottom) top = y - ps.Pointer.VertSize - 2 - h;
          top = std::clamp(top, L.Plot.Top, std::max(L.Plot.Top, L.Plot.Bottom - h));
          const int left = std::clamp(x - w / 2, L.Plot.Left + 1, std::max(L.Plot.Left + 1, L.Plot.Right - 1 - w));
          DrawText(C, font, left, top, p.Label, 0, color);
        }
        notify("end", {});
      }
    }
    notify("end", {});
  }

  // Legend: a swatch of each series' colour beside its title.
  if (!f.LegendItems.empty()) {
    const gfx::TRect& b = f.LegendBox;
    C.Pen = {black, 1, gfx::psSolid, gfx::pmCopy};
    C.Brush = {gfx::clWhite, gfx::bsSolid};
    C.Rectangle(b.Left, b.Top, b.Right, b.Bottom);
    const int lineHeight = LineHeight(Legend.Font) + 2;
    int y = b.Top + 4;
    for (const TChartSeries* s : f.LegendItems) {
      const gfx::TColor color = s->Count() ? s->PointColor(0) : s->SeriesColor;
      C.Brush = {color, gfx::bsSolid};
      C.Pen = {color, 1, gfx::psSolid, gfx::pmCopy};
      C.Rectangle(b.Left + 6, y + lineHeight / 2 - 4, b.Left + 20, y + lineHeight / 2 + 3);
      DrawText(C, Legend.Font, b.Left + 24, y, s->Title);
      y += lineHeight;
    }
  }

  if (Border.Visible && Border.Width > 0) {
    C.Pen = {Border.Color, Border.Width, gfx::psInsideFrame, gfx::pmCopy};
    C.Brush = {Color, gfx::bsClear};
    C.Rectangle(R.Left, R.Top, R.Right, R.Bottom);
  }
}

TChartMetafile TChart::ChartCreateMetafile(const gfx::TRect& R) const {
  if (R.Width() <= 0 || R.Height() <= 0 || R.Width() > MaxChartSide || R.Height() > MaxChartSide)
    throw EChartException("The chart's size is out of range");
  gfx::TMetafileCanvas canvas(R.Width(), R.Height());
  Draw(canvas, {0, 0, R.Width(), R.Height()});
  TChartMetafile m;
  m.Width = R.Width();
  m.Height = R.Height();
  m.Bytes = canvas.Bytes();
  return m;
}

std::unique_ptr<gfx::TMetafile> TChartMetafile::Metafile() const {
  auto m = std::make_unique<gfx::TMetafile>();
  m->LoadFromBytes(Bytes);
  m->SetSize(Width, Height);
  return m;
}

std::string TChart::ChartToSvg() const {
  if (Width <= 0 || Height <= 0 || Width > MaxChartSide || Height > MaxChartSide)
    throw EChartException("The chart's size is out of range");
  TSvgCanvas svg(Width, Height);
  Draw(svg, {0, 0, Width, Height}, [&svg](const std::string& kind, const TChartPartAttrs& attrs) {
    if (kind == "end")
      svg.EndGroup();
    else
      svg.BeginGroup(kind, attrs);
  });
  return svg.Svg();
}

int TextWidth(const gfx::TFont& Font, const std::string& Text) { return Sum(Advances(Font, rt::Utf8ToUtf16(Text))); }

}  // namespace chart
