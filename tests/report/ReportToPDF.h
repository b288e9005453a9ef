// The road of a user's file to a PDF for the fuzz targets: the engine started as the program
// starts it, a watchdog that stops a report's script, and the PDF export written into memory.
#pragma once

#include <chrono>
#include <cstdlib>
#include <string>

#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repRes.h"
#include "report/pdf/repEMFtoCanvas.h"
#include "report/pdf/repExportPDF.h"
#include "tests/report/EngineSetup.h"
#include "tests/report/script/ScriptWatchdog.h"

namespace reporttopdf {

// A script gets this long before it is terminated, so an endless loop ends like any stop.
inline constexpr std::chrono::milliseconds ScriptBudget(500);

// The engine, its script modules, the export resources, text drawing, the metafile player and
// the zlib compressor (so compressed files are read, and bombs meet its cap), once per process.
// Targets call it from LLVMFuzzerInitialize too, so that what it reads once is not counted
// against the first input.
inline void Start() {
  static const bool Started = [] {
    enginesetup::StartEngine();
    enginesetup::AddScriptModules();
    repInitExportResources();
    repDrawTextInitialization();
    EMFCanvasPlayerInitialization();
    DefaultCompressorClass = [] { return std::make_unique<TrepZLibCompressor>(nullptr); };
    return true;
  }();
  (void)Started;
}

// Run-time options as the program sets them before a run: a file cannot change them.
inline void RunOptions(TrepReport& R) {
  R.EngineOptions.DestroyForms = false;
  R.EngineOptions.SetSilentMode(true);
  R.EngineOptions.EnableThreadSafe = true;
  R.EngineOptions.UseGlobalDataSetList = false;
  R.EngineOptions.UseFileCache = false;
  R.EngineOptions.ScriptUnitFolders.clear();
}

// Ends the report's script once the budget is spent.
class ScriptWatchdog : public scripttest::TScriptWatchdog {
public:
  explicit ScriptWatchdog(TrepReport& R) : TScriptWatchdog(ScriptBudget, [&R] { R.Script()->Terminate(); }) {}
};

// The report's prepared pages as a PDF in memory. A document the export calls complete must end
// like one; anything else is a finding.
inline void ExportToPDF(TrepReport& R) {
  TrepPDFExport F;
  F.ShowDialog = false;
  F.ShowProgress = false;
  F.OpenAfterExport = false;
  F.FixedCreationDateTime = 46000.5;
  F.FixedFileID = "00112233445566778899aabbccddeeff";
  rt::TMemoryStream Out;
  F.Stream = &Out;
  if (!R.Export(&F)) return;
  const std::string Pdf(static_cast<const char*>(Out.Memory()), static_cast<std::size_t>(Out.Size()));
  if (Pdf.rfind("%PDF-", 0) != 0 || Pdf.size() < 7 || Pdf.compare(Pdf.size() - 7, 7, "%%EOF\r\n") != 0) std::abort();
}

} // namespace reporttopdf
