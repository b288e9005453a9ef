// The program: runs the units' initialisation in unit order, then serves the application until
// SIGINT or SIGTERM.
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/web/Start.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repRes.h"
#include "report/engine/repStartup.h"
#include "report/pdf/repEMFtoCanvas.h"
#include "report/script/sc_ibasic.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_icpp.h"
#include "report/script/sc_idialogsrtti.h"
#include "report/script/sc_iformsrtti.h"
#include "report/script/sc_icanvasrtti.h"
#include "report/script/sc_igraphicsrtti.h"
#include "report/script/sc_iinirtti.h"
#include "report/script/sc_ijs.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"
#include "webapp/ViewerForm.h"

namespace {
int Usage(const char* program) {
  std::cerr << "Usage: " << program << " [--port N] [--wwwroot DIR] [--author]\n"
            << "  --port N       HTTP port (default 8885; 0 picks a free port)\n"
            << "  --wwwroot DIR  content folder holding Files/ (default: wwwroot)\n"
            << "  --author       the report viewer also opens report templates, whose scripts run on\n"
            << "                 the server: only for a report author's own machine\n";
  return 2;
}
}  // namespace

int main(int argc, char** argv) {
  ServerControllerInitialization();
  GlobeunitInitialization();
  sc_ipascalInitialization();
  sc_icppInitialization();
  sc_ibasicInitialization();
  sc_ijsInitialization();
  sc_isysrttiInitialization();
  sc_iclassesrttiInitialization();
  sc_igraphicsrttiInitialization();
  sc_icanvasrttiInitialization();
  sc_iformsrttiInitialization();
  sc_idialogsrttiInitialization();
  sc_iinirttiInitialization();
  repInitEngineResources();
  repInitExportResources();
  repClassInitialization();
  repClassRTTIInitialization();
  repChBoxRTTIInitialization();
  repStartupInitialization();
  repDrawTextInitialization();
  EMFCanvasPlayerInitialization();
  webapp::ViewerInitialization();

  web::TIWStart::TOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--port" && i + 1 < argc) {
      const std::string value = argv[++i];
      char* end = nullptr;
      const long port = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || port < 0 || port > 65535) {
        std::cerr << "Invalid port: " << value << "\n";
        return Usage(argv[0]);
      }
      options.Port = static_cast<int>(port);
    } else if (arg == "--wwwroot" && i + 1 < argc) {
      options.WwwRoot = argv[++i];
    } else if (arg == "--author") {
      webapp::SetAuthorMode(true);
    } else {
      return Usage(argv[0]);
    }
  }
  // The sessions read the table of valid options from the same content folder.
  SetContentFolder(options.WwwRoot);
  options.EntryForms["/viewer"] = webapp::CreateViewerForm;
  return web::TIWStart::Execute(options);
}
