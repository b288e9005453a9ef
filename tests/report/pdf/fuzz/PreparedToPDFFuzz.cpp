// A prepared-report file from anywhere taken to a PDF: any bytes read as prepared pages, whole
// and again partially (pages read as the export asks for them), plain or compressed, then every
// page exported to a PDF in memory. Elements that do not fit go to the report's errors; bytes
// that are no prepared report raise and export nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "report/engine/repPreviewPages.h"
#include "report/engine/repXML.h"
#include "tests/report/ReportToPDF.h"

namespace {

void Exercise(const std::string& Bytes, bool Partial) {
  TrepReport R(nullptr);
  reporttopdf::RunOptions(R);
  auto& Pages = *static_cast<TrepPreviewPages*>(R.PreviewPages());
  // A partial load reads pages from this stream later: it lives as long as the pages.
  rt::TStringStream In(Bytes);
  try {
    Pages.LoadFromStream(In, Partial);
  } catch (const TrepInvalidXMLException&) {
    return;
  }
  reporttopdf::ExportToPDF(R);
  Pages.Clear();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  reporttopdf::Start();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  reporttopdf::Start();
  const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
  Exercise(Bytes, false);
  Exercise(Bytes, true);
  return 0;
}
