// The valid options panel of the sizing form: the session's table of valid valve options and the
// data-sheet link a cell of the options grid opens.
#include <string>

#include "platform/web/Html.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"

using namespace web;

namespace {

// Only web addresses are opened: a link with another scheme ("javascript:", "file:") could run
// script or reach the user's machine from a page of ours.
bool IsWebLink(const std::string& link) {
  const size_t colon = link.find(':');
  const size_t slash = link.find('/');
  if (colon == std::string::npos || (slash != std::string::npos && slash < colon)) return !link.empty();
  const std::string scheme = rt::LowerCase(link.substr(0, colon));
  return scheme == "http" || scheme == "https";
}

}  // namespace

void TGlobemain::LoadValidOptions() {
  TIWUserSession* S = UserSession();
  if (S->FDMemTable1.RecordCount() == 0) S->FDBatchMove1.Execute();
}

void TGlobemain::ValidGridCellClick(TIWControl*, int ARow, int) {
  if (ARow < 0 || ARow >= ValidGrid->RowCount()) return;
  LoadValidOptions();
  TIWUserSession* S = UserSession();
  const std::string model = ValidGrid->Cell(ARow, 0).Text;
  if (!S->FDMemTable1.Locate("Model", model)) return;  // a model the table does not know opens nothing
  const std::string link = S->FDMemTable1.FieldByName("Link").AsString();
  if (!IsWebLink(link)) return;
  std::string script = "NewWindow(";
  script += JsString(link);
  script += ", \"Report\", ";
  script += JsString("toolbar=no,status=no,menubar=yes,scrollbars=yes,resizable=yes,location=no,"
                     "directories=no,width=780,height=580");
  script += ");";
  AddToInitProc(script);
}
