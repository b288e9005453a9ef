// Metafiles into page content: a chart-like drawing of 10,000 line segments, 2,000 filled
// rectangles and 500 texts written by the metafile canvas, then played through the converter
// (target: under 50 ms for the play on one core, the whole of a chart page's vector work), and
// the same drawing played onto the raster canvas of a bitmap of its size (target: under 200 ms,
// a page preview's picture).
#include <benchmark/benchmark.h>

#include <string>

#include "platform/gfx/MetafileCanvas.h"
#include "platform/gfx/Picture.h"
#include "report/pdf/repEMFtoCanvas.h"
#include "report/pdf/repEMFtoPDFExport.h"

namespace {

class TDocument : public TEMFPDFDocument {
public:
  std::string FontResourceName(const gfx::TFont&) override { return "/F0"; }
  TRemapedString RemapString(const gfx::TFont&, const std::u16string& Text, bool, bool) override {
    TRemapedString RS;
    RS.Data = Text;
    RS.CharWidth.assign(Text.size(), 556);
    RS.Width = 556 * static_cast<int>(Text.size());
    RS.IsValidCharWidth = true;
    return RS;
  }
  int FindXObject(const TrepPDFXObjectHash&) override { return 0; }
  int OutXObjectImage(const TrepPDFXObjectHash&, const std::string&, int, int) override { return 0; }
  int OutTransparentPNG(const TEMFPngImage&, int, int) override { return 0; }
  void AddUsedObject(int) override {}
};

const std::string& Drawing() {
  static const std::string Bytes = [] {
    gfx::TMetafileCanvas C(1000, 700);
    for (int I = 0; I < 10000; ++I) {
      C.Pen.Color = I % 3 == 0 ? 0x0000FF : 0x00AA00;
      C.MoveTo(I % 1000, (I * 7) % 700);
      C.LineTo((I + 13) % 1000, (I * 11) % 700);
    }
    for (int I = 0; I < 2000; ++I) {
      C.Brush.Color = static_cast<gfx::TColor>(I * 2654435761u & 0xFFFFFF);
      C.Rectangle(I % 900, (I * 3) % 600, I % 900 + 40, (I * 3) % 600 + 20);
    }
    for (int I = 0; I < 500; ++I) {
      gfx::TTextOut T;
      T.X = (I * 37) % 900;
      T.Y = (I * 53) % 650;
      T.Text = u"Flow 123.4 gpm";
      T.Dx.assign(T.Text.size(), 7);
      T.FontHeight = 12;
      T.Escapement = I % 4 == 0 ? 900 : 0;
      C.ExtTextOut(T);
    }
    return C.Bytes();
  }();
  return Bytes;
}

void PlayIntoContent(benchmark::State& State) {
  const std::string& Bytes = Drawing();
  for (auto _ : State) {
    rt::TStringStream In(Bytes);
    rt::TMemoryStream Out;
    TDocument Doc;
    TEMFtoPDFExport E(&In, &Out, TrepRect{0, 525, 750, 0}, &Doc);
    E.PlayMetaFile();
    benchmark::DoNotOptimize(Out.Size());
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(Bytes.size()));
}
BENCHMARK(PlayIntoContent)->Unit(benchmark::kMillisecond);

void PlayOntoRaster(benchmark::State& State) {
  const std::string& Bytes = Drawing();
  gfx::TBitmap B(1000, 700);
  for (auto _ : State) {
    rt::TStringStream In(Bytes);
    TEMFtoCanvasExport E(&In, B.Canvas(), {0, 0, 1000, 700});
    E.PlayMetaFile();
    benchmark::DoNotOptimize(B.Pixel(500, 350));
  }
  State.SetBytesProcessed(static_cast<std::int64_t>(State.iterations()) * static_cast<std::int64_t>(Bytes.size()));
}
BENCHMARK(PlayOntoRaster)->Unit(benchmark::kMillisecond);

void WriteWithCanvas(benchmark::State& State) {
  for (auto _ : State) {
    gfx::TMetafileCanvas C(1000, 700);
    for (int I = 0; I < 10000; ++I) {
      C.MoveTo(I % 1000, (I * 7) % 700);
      C.LineTo((I + 13) % 1000, (I * 11) % 700);
    }
    benchmark::DoNotOptimize(C.Bytes().size());
  }
}
BENCHMARK(WriteWithCanvas)->Unit(benchmark::kMillisecond);

} // namespace
