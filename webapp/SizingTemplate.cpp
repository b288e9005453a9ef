#include "webapp/SizingTemplate.h"

#include <cstddef>
#include <memory>

#include "report/engine/repClass.h"
#include "report/engine/repXML.h"
#include "report/engine/repXMLSerializer.h"

namespace webapp {

extern const unsigned char SizingReportXML[];
extern const std::size_t SizingReportXMLSize;

const TrepXMLDocument& SizingTemplateDocument() {
  static const std::unique_ptr<TrepXMLDocument> Doc = [] {
    // The template's classes must be known before any session reads it.
    repClassInitialization();
    auto D = std::make_unique<TrepXMLDocument>();
    rt::TMemoryStream S;
    S.WriteBuffer(SizingReportXML, static_cast<std::int64_t>(SizingReportXMLSize));
    S.SetPosition(0);
    D->LoadFromStream(S);
    return D;
  }();
  return *Doc;
}

void LoadSizingTemplate(TrepReport& Report) {
  // The document is only read here, so sessions on other threads may read it at the same time.
  TrepXMLItem* Root = SizingTemplateDocument().Root();
  TrepXMLSerializer S(nullptr);
  S.HandleNestedProperties = true;
  S.ReportUnknownProperties = true;
  S.SetOwner(&Report);
  Report.SetXMLSerializer(&S);
  try {
    S.ReadRootComponent(&Report, Root);
  } catch (...) {
    Report.SetXMLSerializer(nullptr);
    throw;
  }
  Report.SetXMLSerializer(nullptr);
  Report.Errors().AddStrings(S.Errors());
}

} // namespace webapp
