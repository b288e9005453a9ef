// The layout engine around a band: reprinted headers, keep-together blocks, page columns and
// data-band columns, drill-down, child-row filling and suppressed values after a break.
#include <algorithm>

#include "report/engine/repEngine.h"
#include "report/engine/repPreviewPages.h"

// ---------------------------------------------------------------------------------------------
// The header list

void TrepHeaderList::AddItem(TrepBand* ABand, double ALeft, bool AInKeepList) {
  auto Item = std::make_unique<TrepHeaderListItem>();
  Item->Band = ABand;
  Item->Left = ALeft;
  Item->IsInKeepList = AInKeepList;
  FList.push_back(std::move(Item));
}

void TrepHeaderList::RemoveItem(TrepBand* ABand) {
  auto It = std::find_if(FList.begin(), FList.end(), [&](const auto& E) { return E->Band == ABand; });
  if (It != FList.end()) FList.erase(It);
}

// ---------------------------------------------------------------------------------------------
// Reprinted headers

void TrepEngine::RememberReprintHeader(TrepBand* Band) { (void)Band; }
void TrepEngine::ForgetReprintHeader(TrepBand* Band) { (void)Band; }
void TrepEngine::ApplyDrillDownState(TrepDataBand* Band, TrepBand* Group) {
  (void)Band;
  (void)Group;
}

// ---------------------------------------------------------------------------------------------
// Keep-together

void TrepEngine::StartKeeping(TrepBand* Band, int Position) {
  (void)Band;
  (void)Position;
}
void TrepEngine::StopKeeping(TrepBand* Band) { (void)Band; }
void TrepEngine::CutKeptBlockForPage(TrepBand*& TakenHeader, bool& Restore) {
  TakenHeader = nullptr;
  Restore = false;
}
void TrepEngine::PasteKeptBlockOnPage(TrepBand* TakenHeader, bool Restore) {
  (void)TakenHeader;
  (void)Restore;
}

// ---------------------------------------------------------------------------------------------
// Columns

void TrepEngine::MoveToNextColumn() {}
void TrepEngine::OutputColumnFooter() {}
void TrepEngine::ShowReprintHeadersInColumn(double Offset) { (void)Offset; }
void TrepEngine::AdvanceDataColumn(TrepDataBand* Band, int RowPosition, double& HeaderY, double RowY,
                                   int& HeaderPosition) {
  (void)Band;
  (void)RowPosition;
  (void)HeaderY;
  (void)RowY;
  (void)HeaderPosition;
}

// ---------------------------------------------------------------------------------------------
// Child rows and suppressed values

void TrepEngine::FillChildRows(TrepDataBand* Band, TrepBand* RowBand, bool AfterFooters, int PageCount, int Position,
                               TrepXMLItem* Outline, int Anchor) {
  (void)Band;
  (void)RowBand;
  (void)AfterFooters;
  (void)PageCount;
  (void)Position;
  (void)Outline;
  (void)Anchor;
}
void TrepEngine::RecalcBandOnNewPage(TrepBand* Band) { (void)Band; }
