// The flow chart: the server's work for one press of the chart button (two Calculates, the
// chart, its SVG picture and its recording, the render and the page), and the chart's drawing
// alone. Counters: the picture's size in bytes and the page's size.
#include <benchmark/benchmark.h>

#include "bench/SizingSession.h"
#include "platform/chart/Chart.h"
#include "platform/gfx/Picture.h"
#include "report/pdf/repEMFtoCanvas.h"
#include "platform/web/Html.h"

namespace {

void BM_ChartButton(benchmark::State& state) {
  TSizingSession s;
  std::size_t page = 0;
  for (auto _ : state) {
    s.f->ChartBtnClick(s.f->ChartBtn);
    s.f->IWAppFormRender();
    web::THtml h;
    s.f->Render(h);
    page = h.Str().size();
    benchmark::DoNotOptimize(h.Str().data());
  }
  if (!s.app.TakeMessages().empty() || !s.f->ChartDrawing() || s.f->Chart2->Series(2).Count() != 17)
    state.SkipWithError("the chart was not drawn");
  state.counters["svg_bytes"] = static_cast<double>(s.f->IWImage4->PictureBytes().size());
  state.counters["page_bytes"] = static_cast<double>(page);
}
BENCHMARK(BM_ChartButton)->Unit(benchmark::kMicrosecond);

void BM_ChartDrawingOnly(benchmark::State& state) {
  TSizingSession s;
  s.f->ChartBtnClick(s.f->ChartBtn);
  for (auto _ : state) {
    std::string svg = s.f->Chart2->ChartToSvg();
    chart::TChartMetafile m = s.f->Chart2->ChartCreateMetafile({0, 0, s.f->Chart2->Width, s.f->Chart2->Height});
    benchmark::DoNotOptimize(svg.data());
    benchmark::DoNotOptimize(m.Bytes.data());
  }
}
BENCHMARK(BM_ChartDrawingOnly)->Unit(benchmark::kMicrosecond);

// The chart page's picture: the enhanced metafile of the drawn chart, and that metafile played
// onto a bitmap of the chart's size (a raster page). Counter: the metafile's size in bytes.
void BM_ChartMetafile(benchmark::State& state) {
  TSizingSession s;
  s.f->ChartBtnClick(s.f->ChartBtn);
  const chart::TChart& c = *s.f->Chart2;
  std::size_t bytes = 0;
  for (auto _ : state) {
    chart::TChartMetafile m = c.ChartCreateMetafile({0, 0, c.Width, c.Height});
    bytes = m.Bytes.size();
    benchmark::DoNotOptimize(m.Bytes.data());
  }
  state.counters["emf_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ChartMetafile)->Unit(benchmark::kMicrosecond);

void BM_ChartMetafileOntoRaster(benchmark::State& state) {
  TSizingSession s;
  s.f->ChartBtnClick(s.f->ChartBtn);
  const chart::TChart& c = *s.f->Chart2;
  const chart::TChartMetafile m = c.ChartCreateMetafile({0, 0, c.Width, c.Height});
  gfx::TBitmap b(c.Width, c.Height);
  for (auto _ : state) {
    PlayMetafileOnCanvas(*m.Metafile(), b.Canvas(), {0, 0, c.Width, c.Height});
    benchmark::DoNotOptimize(b.Pixel(10, 10));
  }
}
BENCHMARK(BM_ChartMetafileOntoRaster)->Unit(benchmark::kMicrosecond);

}  // namespace
