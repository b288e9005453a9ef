// PDF export speed: a one-page report (text in two families, shapes, a picture) built and
// exported (target: under 5 ms), and a 200-page text report exported (target: under 300 ms),
// timed beside cairo's PDF surface writing the same lines with the same font; the counter
// "x_cairo" is our time over cairo's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "bench/CairoPeer.h"
#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repDrawText.h"
#include "report/pdf/repExportPDF.h"

namespace {

constexpr int Pages = 200, LinesPerPage = 60;

std::u16string MakeLineText(int Page, int Line) {
  static const char16_t* Words[] = {u"valve", u"trim", u"flow", u"coefficient", u"pressure", u"drop", u"at",
                                    u"the", u"outlet", u"of", u"a", u"globe", u"12.5", u"psi"};
  std::u16string S;
  for (int W = Page * 7 + Line; S.size() < 80; ++W) S += std::u16string(Words[W % 14]) + u" ";
  return S.substr(0, 80);
}

// The report's lines, made once so that neither writer's time includes making them.
const std::vector<std::u16string>& Lines() {
  static const std::vector<std::u16string> L = [] {
    std::vector<std::u16string> R;
    for (int P = 0; P < Pages; ++P)
      for (int I = 0; I < LinesPerPage; ++I) R.push_back(MakeLineText(P, I));
    return R;
  }();
  return L;
}
const std::vector<std::string>& Utf8Lines() {
  static const std::vector<std::string> L = [] {
    std::vector<std::string> R;
    for (const auto& S : Lines()) R.push_back(rt::Utf16ToUtf8(S));
    return R;
  }();
  return L;
}
const std::u16string& LineText(int Page, int Line) { return Lines()[static_cast<std::size_t>(Page * LinesPerPage + Line)]; }

void Ready() {
  static const bool Done = [] {
    repDrawTextInitialization();
    return true;
  }();
  (void)Done;
}

std::size_t ExportOnePage() {
  std::vector<std::unique_ptr<TrepView>> Views;
  auto* Rect = new TrepShapeView(nullptr);
  Rect->SetBounds(20, 200, 200, 60);
  Rect->SetColor(0xCCEEFF);
  Views.emplace_back(Rect);
  auto* Ellipse = new TrepShapeView(nullptr);
  Ellipse->SetBounds(240, 200, 100, 60);
  Ellipse->Shape = skEllipse;
  Views.emplace_back(Ellipse);
  auto* Line = new TrepLineView(nullptr);
  Line->SetBounds(20, 280, 500, 0);
  Views.emplace_back(Line);
  auto* Pic = new TrepPictureView(nullptr);
  Pic->SetBounds(400, 20, 80, 60);
  auto Bmp = std::make_unique<gfx::TBitmap>(32, 24, gfx::pf24bit);
  for (int Y = 0; Y < 24; ++Y)
    for (int X = 0; X < 32; ++X) Bmp->ScanLine(Y)[X] = 0xFF000000u | (X * 8u << 16) | (Y * 10u);
  Pic->Picture().SetGraphic(std::move(Bmp));
  Views.emplace_back(Pic);
  std::unique_ptr<TrepView> Memo(new TrepCustomMemoView(nullptr));

  TrepPDFExport F;
  rt::TMemoryStream S;
  F.Stream = &S;
  F.Start();
  F.StartPage(nullptr, 0);
  for (int I = 0; I < 20; ++I) {
    Memo->SetBounds(20, 300 + I * 20, 500, 20);
    TrepPDFTextBlock B;
    B.FontName = I % 2 ? "Times New Roman" : "Arial";
    B.Lines = {LineText(0, I)};
    F.ExportTextBlock(Memo.get(), B);
  }
  for (auto& V : Views) F.ExportObject(V.get());
  F.FinishPage(nullptr, 0);
  F.Finish();
  return static_cast<std::size_t>(S.Size());
}

std::size_t ExportTextReport() {
  std::unique_ptr<TrepView> Memo(new TrepCustomMemoView(nullptr));
  TrepPDFExport F;
  rt::TMemoryStream S;
  F.Stream = &S;
  F.Start();
  TrepPDFTextBlock B;
  B.FontName = "Arial";
  B.Lines.resize(1);
  for (int P = 0; P < Pages; ++P) {
    F.StartPage(nullptr, P);
    for (int L = 0; L < LinesPerPage; ++L) {
      Memo->SetBounds(40, 40 + L * 17, 700, 17);
      B.Lines[0] = LineText(P, L);
      F.ExportTextBlock(Memo.get(), B);
    }
    F.FinishPage(nullptr, P);
  }
  F.Finish();
  return static_cast<std::size_t>(S.Size());
}

// The same 200 pages through cairo's PDF surface, the same face (fontconfig's Liberation Sans,
// which the report's Arial resolves to) at 10 points.
std::size_t CairoTextReport() {
  cairopeer::TDocument Doc("Liberation Sans", 9.965);
  for (int P = 0; P < Pages; ++P) {
    for (int L = 0; L < LinesPerPage; ++L)
      Doc.Text(31.5, (40 + L * 17 + 14) * 0.75, Utf8Lines()[static_cast<std::size_t>(P * LinesPerPage + L)].c_str());
    Doc.EndPage();
  }
  return Doc.Finish();
}

void BM_OnePageReport(benchmark::State& State) {
  Ready();
  ExportOnePage();  // faces load once per process
  for (auto _ : State) benchmark::DoNotOptimize(ExportOnePage());
}
BENCHMARK(BM_OnePageReport)->Unit(benchmark::kMillisecond);

void BM_TextReport200Pages(benchmark::State& State) {
  Ready();
  Utf8Lines();
  ExportOnePage();
  double Ours = 1e9, Theirs = 1e9;
  std::size_t Size = 0, CairoSize = 0;
  for (auto _ : State) {
    const auto T0 = std::chrono::steady_clock::now();
    Size = ExportTextReport();
    Ours = std::min(Ours, std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count());
  }
  for (int I = 0; I < 3; ++I) {
    const auto T0 = std::chrono::steady_clock::now();
    CairoSize = CairoTextReport();
    Theirs = std::min(Theirs, std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count());
  }
  State.counters["best_ms"] = Ours * 1000;
  State.counters["cairo_ms"] = Theirs * 1000;
  State.counters["x_cairo"] = Ours / Theirs;
  State.counters["kB"] = Size / 1024.0;
  State.counters["cairo_kB"] = CairoSize / 1024.0;
}
BENCHMARK(BM_TextReport200Pages)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
