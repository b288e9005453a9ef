// The report engine's start-up for tests, fuzz targets and benchmarks: what the program's own
// start registers, in one place, so that every binary starts the engine the same way.
#pragma once

#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repRes.h"
#include "report/engine/repStartup.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace enginesetup {

// The engine's resource strings (messages, captions), loaded once per process.
inline void StartResources() {
  static const bool Started = [] {
    repInitEngineResources();
    return true;
  }();
  (void)Started;
}

// The resource strings and the report classes that templates and prepared pages name, once per
// process.
inline void StartEngine() {
  static const bool Started = [] {
    StartResources();
    repClassInitialization();
    return true;
  }();
  (void)Started;
}

// The script modules that report scripts and expressions call. Adding a module again keeps one,
// so a fixture may call this before every test, as it must in a binary that empties the
// process-wide module list between tests.
inline void AddScriptModules() {
  sc_ipascalInitialization();
  sc_isysrttiInitialization();
  sc_iclassesrttiInitialization();
  repClassRTTIInitialization();
}

// All the program's start-up registers before it prepares and draws a report: the engine, the
// script modules, the start-up registrations and the shared text layout, once per process.
inline void StartReportRoad() {
  static const bool Started = [] {
    StartEngine();
    AddScriptModules();
    repStartupInitialization();
    repDrawTextInitialization();
    return true;
  }();
  (void)Started;
}

} // namespace enginesetup
