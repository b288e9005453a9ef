// The sizing report: the server's work from the Report click to the PDF bytes (fill from the
// stored template, prepare, export into the temporary file, and the bytes the browser fetches
// once). Target: under 20 ms at the median. Counter: the PDF's size.
#include <benchmark/benchmark.h>

#include <map>

#include "platform/web/Cache.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repRes.h"
#include "report/engine/repStartup.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"

namespace {

// Water on a 2-inch sliding gate, Cv 60, three conditions.
const std::map<std::string, std::string> Inputs = {
    {"TempMinEdit", "60"},  {"P1MinEdit", "100"},  {"P2MinEdit", "80"},  {"FlowMinEdit", "50"},
    {"TempNormEdit", "60"}, {"P1NormEdit", "100"}, {"P2NormEdit", "60"}, {"FlowNormEdit", "120"},
    {"TempMaxEdit", "60"},  {"P1MaxEdit", "150"},  {"P2MaxEdit", "100"}, {"FlowMaxEdit", "200"},
    {"CustEditBox", "Acme"}, {"TagEdit", "FV-101"},
};

void InitOnce() {
  static const bool Done = [] {
    ServerControllerInitialization();
    GlobeunitInitialization();
    enginesetup::StartEngine();
    enginesetup::AddScriptModules();
    repStartupInitialization();
    repDrawTextInitialization();
    return true;
  }();
  (void)Done;
}

struct TSession {
  web::TIWApplication app;
  std::unique_ptr<web::TCurrentApplicationScope> scope;
  TGlobemain* f = nullptr;
  TSession() {
    InitOnce();
    TIWServerController controller;
    controller.OnNewSession(app);
    app.BeginRequest(web::TIWRequest{}, 1280);
    scope = std::make_unique<web::TCurrentApplicationScope>(&app);
    f = app.CreateForm<TGlobemain>();
    f->Show();
    f->IWAppFormRender();
    f->SizeCombo->SetText("2.00 in");
    f->SizeComboChange(f->SizeCombo);
    f->CvCombo->SetText("60");
    f->CvComboChange(f->CvCombo);
    for (const auto& [name, value] : Inputs)
      static_cast<web::TIWEdit*>(f->DataRegion1->FindControl(name))->Text = value;
    f->AssignfluidParams();
    f->CalcButtonClick(f->CalcButton);
    f->IWAppFormRender();
    app.TakeMessages();
  }
};

// The address in the report window's script.
std::string WindowAddress(const std::vector<std::string>& Procs) {
  for (const std::string& P : Procs) {
    const auto At = P.find(web::TIWAppCache::UrlPrefix);
    if (P.rfind("NewWindow(", 0) == 0 && At != std::string::npos)
      return P.substr(At + std::string(web::TIWAppCache::UrlPrefix).size(), 64);
  }
  return {};
}

void BM_ReportToPdfBytes(benchmark::State& state) {
  TSession s;
  std::size_t bytes = 0;
  for (auto _ : state) {
    s.f->Report1Click(nullptr);
    const std::string id = WindowAddress(s.f->TakeInitProcs());
    auto entry = web::TIWAppCache::Take(id);
    if (!entry) {
      const auto m = s.app.TakeMessages();
      state.SkipWithError(m.empty() ? "no report window" : m.front().c_str());
      break;
    }
    bytes = entry->Bytes.size();
    benchmark::DoNotOptimize(entry->Bytes.data());
  }
  state.counters["pdf_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_ReportToPdfBytes)->Unit(benchmark::kMillisecond);

}  // namespace
