// The abstract layout engine, prepared-pages store and outline the report talks to.
#include "report/engine/repClassBand.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repPostProcessor.h"

namespace {

[[noreturn]] void Abstract(const char* What) { throw EAbstractError(std::string("Abstract error: ") + What); }

} // namespace

TrepCustomEngine::TrepCustomEngine(TrepReport* AReport) : FReport(AReport) {}
TrepCustomEngine::~TrepCustomEngine() = default;

bool TrepCustomEngine::DoublePass() const { return FReport && FReport->EngineOptions.DoublePass; }
void TrepCustomEngine::EndPage() { Abstract("EndPage"); }
void TrepCustomEngine::NewColumn() { Abstract("NewColumn"); }
void TrepCustomEngine::NewPage() { Abstract("NewPage"); }
void TrepCustomEngine::ShowBand(TrepBand* Band) {
  (void)Band;
  Abstract("ShowBand");
}
double TrepCustomEngine::FreeSpace() { Abstract("FreeSpace"); }
rt::Variant TrepCustomEngine::GetAggregateValue(const std::string& Name, const std::string& Expression,
                                                TrepBand* Band, int Flags) {
  (void)Name;
  (void)Expression;
  (void)Band;
  (void)Flags;
  Abstract("GetAggregateValue");
}
void TrepCustomEngine::ProcessObject(TrepView* ReportObject) {
  (void)ReportObject;
  Abstract("ProcessObject");
}
bool TrepCustomEngine::Run(bool ARunDialogs, bool AClearLast, TrepPage* APage) {
  (void)ARunDialogs;
  (void)AClearLast;
  (void)APage;
  Abstract("Run");
}

void TrepCustomEngine::ShowBandByName(const std::string& BandName) {
  if (!FReport) return;
  if (auto* B = dynamic_cast<TrepBand*>(FReport->FindObject(BandName))) ShowBand(B);
}

void TrepCustomEngine::StopReport() {
  if (FReport) FReport->SetTerminated(true);
}

TrepCustomPreviewPages::TrepCustomPreviewPages(TrepReport* AReport)
    : FReport(AReport), FPostProcessor(std::make_unique<TrepPostProcessor>()) {}

TrepCustomPreviewPages::~TrepCustomPreviewPages() {
  FOutline.reset();
  FPostProcessor.reset();
}

void TrepCustomPreviewPages::SetOutline(std::unique_ptr<TrepCustomOutline> Value) { FOutline = std::move(Value); }
