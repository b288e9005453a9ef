// A 200-page tabular report (45 rows of 5 memos a page from a memory dataset of 9,000 rows, a page
// header and a "Page [Page#] of [TotalPages#]" footer) prepared and exported to PDF, beside
// cairo's PDF surface drawing the same strings in the same face with one show-text call a cell.
// Target: faster than cairo (x_cairo < 1) and a file no larger than cairo's (size_x_cairo <= 1).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/CairoPeer.h"
#include "bench/MasterDataReport.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repPreviewPages.h"
#include "report/pdf/repExportPDF.h"

namespace {

using masterdata::CellText;
using masterdata::Memos;
using masterdata::Pages;
using masterdata::RowsPerPage;

constexpr int RowHeight = 22, HeaderHeight = 30;
constexpr const char* Heading = "Control valve sizing: tabulated results";

// The master-data report with a page header and a page-number footer: 45 rows a page still.
struct TTabularReport : masterdata::TReport {
  TTabularReport() : masterdata::TReport(RowHeight) {
    static const bool Started = [] {
      repDrawTextInitialization();
      return true;
    }();
    (void)Started;
    auto* Header = new TrepPageHeader(Page);
    Header->SetName("PageHeader1");
    Header->SetBounds(0, 0, 700, HeaderHeight);
    auto* Title = new TrepMemoView(Header);
    Title->SetName("Title");
    Title->SetBounds(0, 4, 600, 20);
    Title->SetText(rt::Utf8ToUtf16(Heading));
    auto* Footer = new TrepPageFooter(Page);
    Footer->SetName("PageFooter1");
    Footer->SetBounds(0, 0, 700, 24);
    auto* PageNo = new TrepMemoView(Footer);
    PageNo->SetName("PageNo");
    PageNo->SetBounds(500, 2, 200, 20);
    PageNo->SetText(u"Page [Page#] of [TotalPages#]");
  }

  // Prepare + export into memory; the PDF's size.
  std::size_t Run(benchmark::State& State) {
    if (!R.PrepareReport()) State.SkipWithError(R.Errors().Text().c_str());
    if (R.PreviewPages()->Count() != Pages) State.SkipWithError("wrong page count");
    TrepPDFExport F;
    F.ShowDialog = false;
    F.ShowProgress = false;
    F.FixedCreationDateTime = 46000.5;
    F.FixedFileID = "0123456789abcdef0123456789abcdef";
    rt::TMemoryStream S;
    F.Stream = &S;
    if (!R.Export(&F)) State.SkipWithError("export failed");
    // For checking the file with other tools (qpdf --check, pdftotext).
    if (const char* Out = std::getenv("TABULAR_REPORT_PDF")) S.SaveToFile(Out);
    return static_cast<std::size_t>(S.Size());
  }
};

// The same strings at the same places through cairo, in the face the report's Arial resolves to.
std::size_t CairoTabularReport(const std::vector<std::string>& Cells) {
  constexpr double Pt = 0.75, Margin = 10 * 72 / 25.4, Baseline = 14;
  cairopeer::TDocument Doc("Liberation Sans", 9.965);
  for (int P = 0; P < Pages; ++P) {
    const std::string Footer = "Page " + std::to_string(P + 1) + " of " + std::to_string(Pages);
    Doc.Text(Margin, Margin + (4 + Baseline) * Pt, Heading);
    for (int Row = 0; Row < RowsPerPage; ++Row)
      for (int M = 0; M < Memos; ++M)
        Doc.Text(Margin + M * 130 * Pt, Margin + (HeaderHeight + Row * RowHeight + 2 + Baseline) * Pt,
                 Cells[static_cast<std::size_t>((P * RowsPerPage + Row) * Memos + M)].c_str());
    Doc.Text(Margin + 500 * Pt, cairopeer::PageHeight - Margin - 22 * Pt, Footer.c_str());
    Doc.EndPage();
  }
  return Doc.Finish();
}

void BM_TabularReportToPdf(benchmark::State& State) {
  TTabularReport Rep;
  std::vector<std::string> Cells;
  for (int Row = 0; Row < Pages * RowsPerPage; ++Row)
    for (int M = 0; M < Memos; ++M) Cells.push_back(CellText(Row, M));
  Rep.Run(State);  // faces load once per process
  CairoTabularReport(Cells);
  // Both writers by turns, so that a change of load moves both; the best of each.
  double Ours = 1e9, Theirs = 1e9;
  std::size_t Size = 0, CairoSize = 0;
  for (auto _ : State) {
    auto T0 = std::chrono::steady_clock::now();
    Size = Rep.Run(State);
    Ours = std::min(Ours, std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count());
    State.PauseTiming();
    T0 = std::chrono::steady_clock::now();
    CairoSize = CairoTabularReport(Cells);
    Theirs = std::min(Theirs, std::chrono::duration<double>(std::chrono::steady_clock::now() - T0).count());
    State.ResumeTiming();
  }
  State.counters["best_ms"] = Ours * 1000;
  State.counters["cairo_ms"] = Theirs * 1000;
  State.counters["x_cairo"] = Ours / Theirs;
  State.counters["kB"] = static_cast<double>(Size) / 1024.0;
  State.counters["cairo_kB"] = static_cast<double>(CairoSize) / 1024.0;
  State.counters["size_x_cairo"] = static_cast<double>(Size) / static_cast<double>(CairoSize);
}
BENCHMARK(BM_TabularReportToPdf)->Unit(benchmark::kMillisecond)->Iterations(5);

// The two halves of our time, to see where it goes.
void BM_TabularPrepare(benchmark::State& State) {
  TTabularReport Rep;
  for (auto _ : State)
    if (!Rep.R.PrepareReport()) State.SkipWithError(Rep.R.Errors().Text().c_str());
}
BENCHMARK(BM_TabularPrepare)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
