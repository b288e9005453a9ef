// A template from anywhere taken to a PDF as the program takes its own: any bytes read as a
// report file (plain or compressed), prepared with its script under a watchdog, and every page
// exported to a PDF in memory. Problems stay in the report's errors; the document comes out
// whole or not at all.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/report/ReportToPDF.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  reporttopdf::Start();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  reporttopdf::Start();
  TrepReport R(nullptr);
  reporttopdf::RunOptions(R);
  rt::TStringStream In(std::string(reinterpret_cast<const char*>(Data), Size));
  try {
    R.LoadFromStream(In);
  } catch (const rt::Exception&) {
    return 0;
  }
  reporttopdf::RunOptions(R);
  {
    reporttopdf::ScriptWatchdog W(R);
    R.PrepareReport();
  }
  reporttopdf::ExportToPDF(R);
  return 0;
}
