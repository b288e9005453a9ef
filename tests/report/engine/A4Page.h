#pragma once
// Building blocks of the engine tests: an A4 report page with 10 mm margins, whose printable
// area is (210 - 20) x 3.77953 = 718.11 by (297 - 20) x 3.77953 = 1046.93 pixels, and a memo
// placed on a band.
#include <string_view>

#include "report/engine/repClass.h"

namespace a4page {

inline TrepReportPage* New(TrepReport& Report, const char* Name) {
  auto* P = new TrepReportPage(&Report);
  P->SetName(Name);
  P->SetSizeAndDimensions(9, 210, 297);
  P->LeftMargin = P->RightMargin = P->TopMargin = P->BottomMargin = 10;
  return P;
}

inline TrepMemoView* Memo(TrepComponent* Parent, const char* Name, double L, double T, double W, double H,
                          std::u16string_view Text) {
  auto* M = new TrepMemoView(Parent);
  M->SetName(Name);
  M->SetBounds(L, T, W, H);
  M->SetText(Text);
  return M;
}

} // namespace a4page
