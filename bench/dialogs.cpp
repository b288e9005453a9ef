// Server time a dialog page adds to a preparation (target: under 50 ms). The same one-page report
// is prepared on a session's worker with its dialog page hidden and shown; shown, the page's form
// goes through the modal host to a web form, which the "browser" (this thread) answers with OK
// at once, so what is measured is the server's part: describing the form, building its web
// controls, carrying the values back and the thread hand-overs, not the user's thinking.
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "platform/web/ControlForms.h"
#include "report/engine/repClass.h"
#include "report/engine/repDialogControls.h"
#include "tests/report/EngineSetup.h"

namespace {

template <class T>
T* Make(TrepComponent* Parent, const char* Name, double Top) {
  auto* C = new T(Parent);
  C->SetName(Name);
  C->SetBounds(8, Top, 160, 21);
  return C;
}

struct TDialogReport {
  TrepReport Report{nullptr};
  TrepDialogPage* Dialog = nullptr;
  TDialogReport() {
    Report.EngineOptions.SilentMode = simSilent;
    Dialog = new TrepDialogPage(&Report);
    Dialog->SetName("DialogPage1");
    Make<TrepEditControl>(Dialog, "Edit1", 8)->Wrapped().SetText("Pump 1");
    auto* Combo = Make<TrepComboBoxControl>(Dialog, "ComboBox1", 36);
    Combo->Wrapped().Items().SetText("Water\nSteam\nAir");
    Combo->Wrapped().SetItemIndex(0);
    Make<TrepCheckBoxControl>(Dialog, "CheckBox1", 64);
    Make<TrepButtonControl>(Dialog, "OK", 100)->Wrapped().ModalResult = rt::mrOk;
    auto* Page = new TrepReportPage(&Report);
    Page->SetName("Page1");
    auto* Title = new TrepReportTitle(Page);
    Title->SetName("ReportTitle1");
    Title->SetBounds(0, 0, 700, 30);
    auto* M = new TrepMemoView(Title);
    M->SetName("Chosen");
    M->SetBounds(0, 0, 700, 20);
    M->SetText(u"[Edit1.Text]|[ComboBox1.Text]|[CheckBox1.Checked]");
  }
};

void Prepare(benchmark::State& State, bool WithDialog) {
  enginesetup::StartEngine();
  enginesetup::AddScriptModules();
  web::TIWApplication App;
  web::TIWAppForm* Main = App.CreateForm<web::TIWAppForm>();
  Main->Show();
  web::TIWWorker Worker;
  web::TIWModalHost Host(Worker);
  TDialogReport R;
  R.Dialog->SetVisible(WithDialog);
  for (auto _ : State) {
    Worker.Start([&](web::TIWWorker&) {
      web::TControlFormsScope Forms(Host);
      R.Report.PrepareReport();
    });
    web::TCurrentApplicationScope Scope(&App);
    while (Worker.Running()) {
      if (Host.ShowWaiting(App)) {
        web::TIWBrowserEvent E;
        E.Type = "click";
        App.ActiveForm()->FindControl("OK")->HandleEvent(E);
        App.FlushReleased();
      } else {
        std::this_thread::yield();
      }
    }
    Worker.Wait();
    if (R.Report.PreviewPages()->Count() != 1) State.SkipWithError("nothing prepared");
  }
}

void BM_PrepareWithoutDialogPage(benchmark::State& State) { Prepare(State, false); }
void BM_PrepareWithDialogPage(benchmark::State& State) { Prepare(State, true); }

}  // namespace

BENCHMARK(BM_PrepareWithoutDialogPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareWithDialogPage)->Unit(benchmark::kMillisecond);
