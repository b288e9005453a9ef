// Subreports: a TrepSubreport object in a band runs another report page at its place. Without
// PrintOnParent the page's bands go onto the prepared pages below and beside the band, and the
// output goes on below the longest of them; with PrintOnParent they are laid out into the band
// itself, which grows to hold them.
#include <memory>

#include "platform/rt/SysUtils.h"
#include "report/engine/repEngine.h"
#include "report/engine/repPreviewPages.h"

namespace {

// Subreports inside subreports: a page that shows itself, directly or round a cycle, stops here.
constexpr int MaxSubreportDepth = 16;

std::vector<TrepSubreport*> SubreportsOf(TrepComponent* Container, bool PrintOnParent) {
  std::vector<TrepSubreport*> Result;
  for (TrepComponent* C : Container->Objects())
    if (auto* S = dynamic_cast<TrepSubreport*>(C);
        S != nullptr && S->Visible() && S->PrintOnParent == PrintOnParent && S->Page() != nullptr)
      Result.push_back(S);
  return Result;
}

} // namespace

void TrepEngine::RunSubreportPage(TrepSubreport* Sub) {
  if (FSubreportDepth >= MaxSubreportDepth) {
    ReportError(Sub->Name() + ": subreports nested deeper than " + std::to_string(MaxSubreportDepth) + " levels");
    return;
  }
  ++FSubreportDepth;
  try {
    OutputDataBands(Sub->Page());
  } catch (...) {
    --FSubreportDepth;
    throw;
  }
  --FSubreportDepth;
}

// ---------------------------------------------------------------------------------------------
// Subreports on the prepared pages

void TrepEngine::OutputSubreports(TrepBand* Band) {
  const std::vector<TrepSubreport*> Subs = SubreportsOf(Band, false);
  if (Subs.empty()) return;
  const double SaveX = CurX, SavePageCurX = FPageCurX;
  const int SaveColumn = CurColumn;
  int RefPage = PreviewPages->CurPage;
  double RefBottom = CurY;
  int MaxPage = RefPage, MaxColumn = CurColumn;
  double MaxY = CurY;
  auto It = FStretchedHeight.find(Band);
  const double BandHeight = It != FStretchedHeight.end() ? It->second : Band->Height();
  try {
    for (TrepSubreport* S : Subs) {
      if (FReport->Terminated()) break;
      FSubSavePageN = -1;
      FSubSaveCurY = -1;
      const double KeepOffset = FKeeping ? RefBottom - FKeepCurY : 0;
      PreviewPages->CurPage = RefPage;
      FPageCurX = SavePageCurX + S->Left();
      CurColumn = SaveColumn;
      CurX = SaveX + S->Left();
      CurY = RefBottom - BandHeight + S->Top();
      RunSubreportPage(S);
      // A kept block that moved to a new page takes the band with it: later subreports start
      // beside it there.
      if (FSubSavePageN != -1 && FSubSaveCurY >= 0) {
        RefPage = FSubSavePageN;
        RefBottom = FSubSaveCurY + KeepOffset;
      }
      const int Page = PreviewPages->CurPage;
      if (Page > MaxPage || (Page == MaxPage && CurColumn > MaxColumn) ||
          (Page == MaxPage && CurColumn == MaxColumn && CurY > MaxY)) {
        MaxPage = Page;
        MaxColumn = CurColumn;
        MaxY = CurY;
      }
    }
  } catch (...) {
    FPageCurX = SavePageCurX;
    throw;
  }
  PreviewPages->CurPage = MaxPage;
  CurColumn = MaxColumn;
  CurX = SavePageCurX;
  if (MaxColumn > 1 && MaxColumn <= FPage->ColumnPositions().Count()) {
    double Pos = 0;
    if (rt::TryStrToFloat(FPage->ColumnPositions().Strings(MaxColumn - 1), Pos)) CurX += Pos * PixelsPerMM;
  }
  CurY = MaxY;
  FPageCurX = SavePageCurX;
}

// ---------------------------------------------------------------------------------------------
// Subreports printed on their parent

void TrepEngine::CopyToOutputBand(TrepBand* Band) {
  // Made outside the report, so that the copies' names meet no other object's.
  auto Copy = std::make_unique<TrepBand>(nullptr);
  Copy->AssignAllWithOriginals(Band);
  Copy->SetName(Band->Name());
  Copy->SetParent(FOutputTo);
  Copy.release();
}

void TrepEngine::EmbedSubreports(TrepComponent* Container) {
  // Nested: the call that owns the output band collects these rows as well.
  if (FOutputTo != nullptr) return;
  auto* RC = dynamic_cast<TrepReportComponent*>(Container);
  if (RC == nullptr) return;
  const std::vector<TrepSubreport*> Subs = SubreportsOf(Container, true);
  if (Subs.empty()) return;
  // A row of vertical cells already counts its design objects.
  if (RC->OriginalObjectsCount == -1) RC->OriginalObjectsCount = Container->Objects().Count();
  auto Out = std::make_unique<TrepNullBand>(nullptr);
  FOutputTo = Out.get();
  const double SaveX = CurX, SaveY = CurY, SavePageCurX = FPageCurX;
  const int SavePage = PreviewPages->CurPage;
  TrepBand* SaveCurBand = FCurBand;
  auto Restore = [&] {
    FOutputTo = nullptr;
    CurX = SaveX;
    CurY = SaveY;
    FPageCurX = SavePageCurX;
    PreviewPages->CurPage = SavePage;
    FCurBand = SaveCurBand;
  };
  try {
    for (TrepSubreport* S : Subs) {
      const bool SaveKeepFooter = FKeepFooter;
      FPageCurX = SavePageCurX + S->Left();
      CurX = S->Left();
      CurY = S->Top();
      RunSubreportPage(S);
      PreviewPages->CurPage = SavePage;
      FKeepFooter = SaveKeepFooter;
    }
  } catch (...) {
    Restore();
    throw;
  }
  Restore();

  // The rows' views join the container at their place in it; positions are taken before any
  // object moves, as a view inside a view moves on its own.
  struct TMove {
    TrepComponent* Object;
    double Left, Top;
  };
  std::vector<TMove> Moves;
  const std::vector<TrepComponent*> Tree = Out->AllObjects();
  for (TrepComponent* C : Tree) {
    if (auto* S = dynamic_cast<TrepStretcheable*>(C)) S->StretchMode = smDontStretch;
    if (dynamic_cast<TrepView*>(C) == nullptr || dynamic_cast<TrepSubreport*>(C) != nullptr) continue;
    Moves.push_back({C, C->AbsLeft(), C->AbsTop()});
  }
  const bool IsBand = dynamic_cast<TrepBand*>(Container) != nullptr;
  for (const TMove& M : Moves) {
    M.Object->SetParentFont(false);
    if (!IsBand) M.Object->SetName("");
    M.Object->SetParent(Container);
    M.Object->SetLeft(M.Left);
    M.Object->SetTop(M.Top);
  }
}
