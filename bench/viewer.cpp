// The report viewer's work for one user. Targets: a page drawn at 100 % and encoded as PNG in
// under 30 ms; the first page of a 200-page prepared report on screen (read, laid out, drawn)
// within 300 ms of opening it; a viewer holding a 200-page report, every page shown once, under
// 20 MB beyond the prepared pages themselves (counter viewer_MiB_beyond_pages).
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "platform/rt/Classes.h"
#include "report/engine/repClass.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repStartup.h"
#include "tests/report/EngineSetup.h"
#include "webapp/ServerController.h"
#include "webapp/ViewerForm.h"

namespace {

void InitOnce() {
  static const bool Done = [] {
    ServerControllerInitialization();
    enginesetup::StartReportRoad();
    webapp::ViewerInitialization();
    return true;
  }();
  (void)Done;
}

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

// Two rows of text to a page: Rows / 2 pages.
std::string RowsTemplate(int Rows) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?><TrepReport Name=\"Rows\" ScriptLanguage=\"PascalScript\">"
         "<TrepReportPage Name=\"Page1\" PaperWidth=\"210\" PaperHeight=\"297\" PaperSize=\"9\" LeftMargin=\"10\" "
         "RightMargin=\"10\" TopMargin=\"10\" BottomMargin=\"10\"><TrepPageHeader Name=\"PageHeader1\" Left=\"0\" "
         "Top=\"0\" Width=\"700\" Height=\"40\"><TrepMemoView Name=\"Title\" Left=\"0\" Top=\"0\" Width=\"700\" "
         "Height=\"20\" Text=\"Control valve sizing: rows of the long report\"/></TrepPageHeader>"
         "<TrepMasterData Name=\"MasterData1\" Left=\"0\" Top=\"100\" Width=\"700\" Height=\"480\" RowCount=\"" +
         std::to_string(Rows) +
         "\"><TrepMemoView Name=\"Row\" Left=\"0\" Top=\"0\" Width=\"700\" Height=\"200\" Text=\"Row [Line#]: inlet "
         "pressure, outlet pressure, temperature, flow, vapour pressure, critical pressure, specific gravity and "
         "viscosity of the condition, with the results of the calculation below.\"/></TrepMasterData>"
         "</TrepReportPage></TrepReport>";
}

// A session with a viewer holding the 200-page report prepared from the template.
struct TViewerSession {
  web::TIWApplication app;
  std::unique_ptr<web::TCurrentApplicationScope> scope;
  webapp::TrepPreviewForm* v = nullptr;
  TViewerSession() {
    TIWServerController controller;
    controller.OnNewSession(app);
    app.BeginRequest(web::TIWRequest{}, 1280);
    scope = std::make_unique<web::TCurrentApplicationScope>(&app);
    v = static_cast<webapp::TrepPreviewForm*>(webapp::CreateViewerForm(app));
    v->Show();
  }
};

const std::string& PreparedBytes() {
  static const std::string Bytes = [] {
    TViewerSession S;
    webapp::SetAuthorMode(true);
    S.v->OpenFile("rows.xml", RowsTemplate(400));
    S.v->Worker().Wait();
    S.v->ProgressTimerTick();
    webapp::SetAuthorMode(false);
    return S.v->SavedBytes();
  }();
  return Bytes;
}

void BM_PageAt100PercentDrawnAndEncoded(benchmark::State& state) {
  InitOnce();
  TViewerSession S;
  S.v->OpenFile("rows.rp3", PreparedBytes());
  std::size_t Bytes = 0;
  int Page = 0;
  for (auto _ : state) {
    const std::string Png = S.v->DrawPagePNG(Page, 1.0);
    Page = (Page + 1) % 200;
    Bytes = Png.size();
    benchmark::DoNotOptimize(Png.data());
  }
  state.counters["png_bytes"] = static_cast<double>(Bytes);
}
BENCHMARK(BM_PageAt100PercentDrawnAndEncoded)->Unit(benchmark::kMillisecond);

void BM_FirstPageOfA200PageReportOnScreen(benchmark::State& state) {
  InitOnce();
  TViewerSession S;
  const std::string& Bytes = PreparedBytes();
  for (auto _ : state) {
    S.v->OpenFile("rows.rp3", Bytes);
    S.v->UpdateView();
    if (S.v->PagesShown().empty()) {
      state.SkipWithError("no page shown");
      break;
    }
  }
  state.counters["pages"] = static_cast<double>(S.v->Preview().PageCount());
}
BENCHMARK(BM_FirstPageOfA200PageReportOnScreen)->Unit(benchmark::kMillisecond);

void BM_ViewerMemoryBeyondThePages(benchmark::State& state) {
  InitOnce();
  const std::string& Bytes = PreparedBytes();
  double Pages = 0, Viewer = 0;
  for (auto _ : state) {
    // The prepared pages alone.
    const double Before = ResidentMiB();
    {
      TrepReport R(nullptr);
      rt::TStringStream In(Bytes);
      R.PreviewPages()->LoadFromStream(In);
      Pages = ResidentMiB() - Before;
    }
    // The same pages in a viewer that has shown every one of them.
    const double Start = ResidentMiB();
    TViewerSession S;
    S.v->OpenFile("rows.rp3", Bytes);
    for (int I = 0; I < 200; ++I) {
      S.v->Preview().SetPageNo(I + 1);
      S.v->UpdateView();
    }
    Viewer = ResidentMiB() - Start;
  }
  state.counters["pages_MiB"] = Pages;
  state.counters["viewer_MiB_beyond_pages"] = Viewer - Pages;
}
BENCHMARK(BM_ViewerMemoryBeyondThePages)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
