// The 200-page master-data report of the layout and PDF benches: 9,000 rows of 5 memos bound to
// the fields of a memory dataset ("Row N value M"), on an A4 page with 10 mm margins, 45 rows a
// page at the row height given.
#pragma once

#include <string>
#include <vector>

#include "report/engine/repClass.h"
#include "tests/report/EngineSetup.h"

namespace masterdata {

constexpr int Pages = 200, RowsPerPage = 45, Memos = 5;

inline std::string CellText(int Row, int Memo) {
  return "Row " + std::to_string(Row) + " value " + std::to_string(Memo);
}

struct TReport {
  TrepReport R{nullptr};
  TrepMemoryDataSet Data{nullptr};
  TrepReportPage* Page = nullptr;

  explicit TReport(double RowHeight) {
    static const bool Started = [] {
      enginesetup::StartEngine();
      enginesetup::AddScriptModules();
      return true;
    }();
    (void)Started;
    R.EngineOptions.SilentMode = simSilent;
    R.EngineOptions.DestroyForms = false;
    R.EngineOptions.EnableThreadSafe = true;
    Data.SetUserName("Rows");
    for (int M = 0; M < Memos; ++M) Data.Fields.Add("F" + std::to_string(M + 1));
    for (int Row = 0; Row < Pages * RowsPerPage; ++Row) {
      std::vector<rt::Variant> V;
      for (int M = 0; M < Memos; ++M) V.emplace_back(CellText(Row, M));
      Data.AppendRow(V);
    }
    Page = new TrepReportPage(&R);
    Page->SetName("Page1");
    Page->SetSizeAndDimensions(9, 210, 297);
    Page->LeftMargin = Page->RightMargin = Page->TopMargin = Page->BottomMargin = 10;
    auto* Band = new TrepMasterData(Page);
    Band->SetName("MasterData1");
    Band->SetBounds(0, 0, 700, RowHeight);
    Band->SetDataSet(&Data);
    for (int M = 0; M < Memos; ++M) {
      auto* V = new TrepMemoView(Band);
      V->SetName("Memo" + std::to_string(M + 1));
      V->SetBounds(M * 130, 2, 120, 18);
      V->SetDataSet(&Data);
      V->DataField = "F" + std::to_string(M + 1);
    }
  }
};

} // namespace masterdata
