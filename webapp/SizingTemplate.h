#pragma once
// The sizing report's template ships inside the program (data/report/SizingReport.xml). It is
// parsed once per process; each session's report is read from the parsed document, so a new
// session costs the objects only.
#include <string>

class TrepReport;
class TrepXMLDocument;

namespace webapp {

// The parsed template, shared read-only by every session. Made on first use (thread-safe).
const TrepXMLDocument& SizingTemplateDocument();
// Fills an empty report with the template's pages and objects. Problems met go to its Errors.
void LoadSizingTemplate(TrepReport& Report);

} // namespace webapp
