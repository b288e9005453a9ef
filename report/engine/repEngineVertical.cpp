// Vertical bands: bands output from left to right. A horizontal band that crosses them is a
// master band; for each of its rows the vertical data bands walk their datasets and copy the
// master's cells lying inside them across the page (a cross-table). Cells that pass the page's
// right edge go to further horizontal pages, which the master row then fills slice by slice.
#include <algorithm>
#include <memory>

#include "report/engine/repEngine.h"
#include "report/engine/repEngineParts.h"
#include "report/engine/repPostProcessor.h"
#include "report/engine/repPreviewPages.h"

using namespace repengine;

namespace {

// Records one vertical data band may walk in one master row.
constexpr int MaxVerticalRecords = 100000;

// Frees the objects of a container past Count.
void TrimObjects(TrepComponent* Container, int Count) {
  while (Container->Objects().Count() > std::max(Count, 0))
    delete Container->Objects().Items(Container->Objects().Count() - 1);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Preparing the band tree

void TrepEngine::MoveIntoVerticalBands(TrepReportPage* Page, TrepBand* Band) {
  // Page headers and footers never lay a row of cells out: their objects would be lost.
  if (dynamic_cast<TrepOverlay*>(Band) != nullptr || dynamic_cast<TrepPageHeader*>(Band) != nullptr ||
      dynamic_cast<TrepPageFooter*>(Band) != nullptr)
    return;
  std::vector<TrepBand*> VBands;
  for (TrepComponent* C : Page->Objects())
    if (auto* B = dynamic_cast<TrepBand*>(C); B != nullptr && B->Vertical) VBands.push_back(B);
  if (VBands.empty()) return;
  const std::vector<TrepComponent*> List = Band->Objects().List();
  for (std::size_t I = List.size(); I-- > 0;) {
    TrepComponent* C = List[I];
    for (TrepBand* V : VBands) {
      if (C->Left() < V->Left() - Eps || C->Left() + C->Width() > V->Left() + V->Width() + Eps) continue;
      FVMovedObjects.push_back({C, Band, static_cast<int>(I)});
      C->SetParent(V);
      C->OriginalBand = Band;
      C->SetLeft(C->Left() - V->Left());
      Band->HasVBands = true;
      break;
    }
  }
}

void TrepEngine::RestoreVerticalObjects() {
  // Latest first, so that every object goes back to the place it left, and the template's
  // object order is as it was before the run.
  for (auto It = FVMovedObjects.rbegin(); It != FVMovedObjects.rend(); ++It) {
    TrepComponent* C = It->Object;
    TrepComponent* V = C->Parent();
    const double VLeft = V != nullptr ? V->Left() : 0;
    C->SetParent(It->Band);
    C->SetLeft(VLeft + C->Left());
    C->OriginalBand = nullptr;
    const int Last = It->Band->Objects().Count() - 1;
    if (It->Index >= 0 && It->Index < Last) It->Band->Objects().Move(Last, It->Index);
  }
  FVMovedObjects.clear();
}

// ---------------------------------------------------------------------------------------------
// A master row

int TrepEngine::VerticalCellsStart(TrepComponent* Container) {
  if (Container == nullptr || Container != FVMasterBand) return -1;
  return FVMasterBand->OriginalObjectsCount;
}

void TrepEngine::BeginVerticalRow(TrepBand* Band, TVerticalRow& Row) {
  Row.Active = true;
  Row.SaveX = CurX;
  FReport->CurObject = Band->Name();
  Band->BeforePrint();
  FReport->DoBeforePrint(Band);
  try {
    if (Band->Visible()) {
      CollectVerticalBands(Band);
    } else {
      // An invisible row makes no cells and no horizontal pages.
      FVMasterBand = Band;
      Band->OriginalObjectsCount = Band->Objects().Count();
      FVPageList = {0, Band->OriginalObjectsCount};
    }
  } catch (...) {
    AbandonVerticalRow(Band, Row);
    throw;
  }
  CurX = 0;
  CurLine = Band->LineN;
  CurLineThrough = Band->LineThrough;
  PreviewPages->AddPageAction = apAdd;
  Row.PageList = FVPageList;
  Row.MasterBand = FVMasterBand;
}

void TrepEngine::AbandonVerticalRow(TrepBand* Band, TVerticalRow& Row) {
  if (Band->OriginalObjectsCount != -1) {
    TrimObjects(Band, Band->OriginalObjectsCount);
    Band->OriginalObjectsCount = -1;
  }
  Band->AfterPrint();
  if (FVMasterBand == Band) FVMasterBand = nullptr;
  CurX = Row.SaveX;
  PreviewPages->AddPageAction = apAdd;
  Row.Active = false;
}

void TrepEngine::EndVerticalRow(TrepBand* Band, TVerticalRow& Row) {
  if (!Row.Active) return;
  if (Band != nullptr) {
    FVPageList = Row.PageList;
    FVMasterBand = Row.MasterBand;
    Band->SetLeft(0);
    if (Band->Visible() && FVPageList.size() >= 2) {
      Row.Active = false;
      try {
        DistributeVerticalCells(Band, Row.SaveX);
      } catch (...) {
        FVMasterBand = nullptr;
        throw;
      }
      FVMasterBand = nullptr;
      return;
    }
  }
  Row.Active = false;
  CurX = Row.SaveX;
  PreviewPages->AddPageAction = apAdd;
  // Between rows a vertical band shown (by a script) makes no cells.
  FVMasterBand = nullptr;
}

void TrepEngine::CollectVerticalBands(TrepBand* Band) {
  FVMasterBand = Band;
  Band->OriginalObjectsCount = Band->Objects().Count();
  const int SavePage = PreviewPages->CurPage;
  FVHeaderList.clear();
  FVPageList.assign(1, 0);
  CurVColumn = 0;
  auto* Page = dynamic_cast<TrepReportPage*>(Band->Parent());
  if (Page == nullptr) Page = FPage;
  try {
    OutputVerticalBands(Page->VSubBands);
  } catch (...) {
    PreviewPages->CurPage = SavePage;
    FVHeadersReprinting = false;
    throw;
  }
  FVPageList.push_back(Band->Objects().Count());
  PreviewPages->CurPage = SavePage;
}

void TrepEngine::OutputVerticalBands(const std::vector<TrepBand*>& Bands) {
  for (TrepBand* B : Bands) {
    if (FReport->Terminated()) return;
    auto* Band = static_cast<TrepDataBand*>(B);
    TrepDataSet* DS = EndingDataSetOf(Band);
    if (DS == nullptr) continue;
    // Setting a data band's column moves it to that column's place; a vertical band keeps its
    // designed left, which places its cells when the run ends.
    struct TKeepLeft {
      TrepBand* B;
      double Left;
      ~TKeepLeft() { B->SetLeft(Left); }
    } KeepLeft{Band, Band->Left()};
    DS->First();
    Band->LineN = 1;
    Band->LineThrough = 1;
    Band->SetCurColumn(1);
    CurLine = Band->LineN;
    CurLineThrough = Band->LineThrough;
    PreviewPages->PostProcessor().ResetDuplicates(Band->Name());
    for (TrepComponent* C : Band->Objects())
      if (auto* M = dynamic_cast<TrepCustomMemoView*>(C)) M->LastValue = rt::Variant::Null();
    bool Shown = false;
    for (int N = 0; !DS->Eof() && !FReport->Terminated(); ++N) {
      if (N >= MaxVerticalRecords) {
        ReportError(Band->Name() + ": more than " + std::to_string(MaxVerticalRecords) + " records");
        break;
      }
      if (!Shown) {
        Shown = true;
        ShowBand(Band->Header);
        if (auto* H = dynamic_cast<TrepHeader*>(Band->Header); H != nullptr && H->ReprintOnNewPage)
          FVHeaderList.push_back(H);
        if (Band->Group != nullptr) OutputGroupHeaders(Band, Band->Group, true, 0);
      } else if (Band->Group != nullptr) {
        CheckGroupBreak(Band, Band->Group, 0, 0);
      }
      TakeVerticalReprintHeaders();
      CurLine = Band->LineN;
      CurLineThrough = Band->LineThrough;
      ShowBand(Band);
      for (int I = 0; I < FNotifyList.Count(); ++I)
        if (auto* C = dynamic_cast<TrepComponent*>(FNotifyList.Items(I))) C->OnNotify(Band);
      ++Band->LineN;
      ++Band->LineThrough;
      OutputVerticalBands(Band->SubBands);
      if (Band->FooterAfterEach) ShowBand(Band->Footer);
      DS->Next();
      if (Band->RowCount() != 0 && Band->RowCount() < Band->LineN) break;
    }
    if (Shown) {
      if (Band->Group != nullptr) {
        OutputGroupFooters(Band->Group, 0, Band);
        for (TrepBand* H : Band->Group->SubBands)
          FVHeaderList.erase(std::remove(FVHeaderList.begin(), FVHeaderList.end(), H), FVHeaderList.end());
      }
      FVHeaderList.erase(std::remove(FVHeaderList.begin(), FVHeaderList.end(), Band->Header), FVHeaderList.end());
      if (!Band->FooterAfterEach) ShowBand(Band->Footer);
    }
    if (FReport->Terminated()) return;
  }
}

void TrepEngine::TakeVerticalReprintHeaders() {
  // Group headers note themselves for reprinting on new pages; vertical ones reprint on new
  // horizontal pages instead.
  std::vector<TrepBand*> Vertical;
  for (int I = 0; I < FHeaderList.Count(); ++I)
    if (TrepBand* B = FHeaderList.Items(I)->Band; B != nullptr && B->Vertical) Vertical.push_back(B);
  for (TrepBand* B : Vertical) {
    FHeaderList.RemoveItem(B);
    if (std::find(FVHeaderList.begin(), FVHeaderList.end(), B) == FVHeaderList.end()) FVHeaderList.push_back(B);
  }
}

void TrepEngine::NewVerticalPage() {
  if (PreviewPages->CurPage < PreviewPages->Count() - 1) {
    ++PreviewPages->CurPage;
  } else {
    if (++FPagesThisPass > MaxPagesPerPass) {
      ReportError("The report stopped after " + std::to_string(MaxPagesPerPass) + " pages");
      FReport->SetTerminated(true);
      return;
    }
    PreviewPages->AddPage(FPage);
  }
  CurX = 0;
  FVPageList.push_back(FVMasterBand->Objects().Count());
  // Headers are shown where the new page begins; one wider than the page must not ask for
  // yet another page.
  FVHeadersReprinting = true;
  try {
    const std::vector<TrepBand*> Headers = FVHeaderList;
    for (TrepBand* H : Headers) ShowBand(H);
  } catch (...) {
    FVHeadersReprinting = false;
    throw;
  }
  FVHeadersReprinting = false;
}

void TrepEngine::OutputVerticalBand(TrepBand* Band) {
  // Vertical bands only print as part of a master row.
  if (FVMasterBand == nullptr || FReport->Terminated()) return;
  const bool IsData = IsDataBand(Band);
  const bool IsFooter = dynamic_cast<TrepFooter*>(Band) != nullptr || dynamic_cast<TrepGroupFooter*>(Band) != nullptr;
  if (IsData) ++CurVColumn;
  FCurBand = IsFooter ? Band : FVMasterBand;
  FReport->CurObject = Band->Name();
  Band->BeforePrint();
  FReport->DoBeforePrint(Band);
  if (Band->Visible()) {
    const bool Forced = Band->StartNewPage && Band->LineThrough > 1;
    if (!FVHeadersReprinting && (Forced || CurX + Band->Width() > PageWidth + Eps)) {
      if (!FPage->EndlessWidth || Forced) {
        if (FPage->EndlessWidth) {
          if (TrepPreviewPages* S = Store())
            S->UpdatePageDimension(PreviewPages->Count() - 1,
                                   PageWidth / PixelsPerMM + FPage->LeftMargin + FPage->RightMargin,
                                   PageHeight / PixelsPerMM + FPage->TopMargin + FPage->BottomMargin);
          PageWidth = FPage->PaperWidth() * PixelsPerMM;
        }
        NewVerticalPage();
      } else {
        PageWidth += Band->Width();
      }
    }
    const std::vector<TrepComponent*> List = Band->Objects().List();
    for (TrepComponent* C : List) {
      auto* O = dynamic_cast<TrepReportComponent*>(C);
      if (O == nullptr || O->OriginalBand != FVMasterBand) continue;
      FReport->CurObject = O->Name();
      O->BeforePrint();
      try {
        FReport->DoBeforePrint(O);
        O->GetData();
        FReport->DoNotifyEvent(O, O->OnAfterData);
        // The copy is made outside the report, so that its name and its children's names meet
        // no other object's, and joins the master band once it is whole.
        std::unique_ptr<rt::TObject> New(O->ClassType()->NewInstance());
        auto* Cell = dynamic_cast<TrepComponent*>(New.get());
        if (Cell != nullptr) {
          if (O->frComponentStyle.Contains(csObjectsContainer))
            Cell->AssignAllWithOriginals(O);
          else
            Cell->Assign(O);
          Cell->AliasName = O->AliasName;
          Cell->OriginalComponent = O->OriginalComponent;
          Cell->SetName(O->Name());
          Cell->SetLeft(Cell->Left() + CurX);
          Cell->SetParent(FVMasterBand);
          New.release();
        }
      } catch (...) {
        O->AfterPrint();
        throw;
      }
      O->AfterPrint();
    }
    CurX += Band->Width();
  }
  FReport->DoAfterPrint(Band);
  Band->AfterPrint();
  if (IsData)
    FAggregates.AddValue(FVMasterBand, CurVColumn);
  else if (IsFooter)
    FinishBandAggregates(Band);
}

// ---------------------------------------------------------------------------------------------
// Distributing a placed row over its horizontal pages

void TrepEngine::DistributeVerticalCells(TrepBand* Band, double SaveX) {
  TrepObjectsNotifyList& Objects = Band->Objects();
  TQuietList Quiet(Objects);
  const std::vector<TrepComponent*> All = Objects.List();
  const int SavePage = PreviewPages->CurPage;
  const double SaveY = CurY;
  PreviewPages->AddPageAction = apWriteOver;
  // A fill memo made after the cells were laid out stands first and moves every cell by one;
  // rows of subreports laid out into the band follow the cells and print with the first slice.
  const int Shift = !All.empty() && Band->FillMemo() != nullptr && All.front() == Band->FillMemo() ? 1 : 0;
  const int CellsEnd = std::min(FVPageList.back() + Shift, static_cast<int>(All.size()));
  const std::size_t Slices = FVPageList.size() - 1;
  auto Restore = [&] {
    while (Objects.Count() > 0) Objects.Extract(Objects.Items(Objects.Count() - 1));
    for (TrepComponent* C : All) Objects.Add(C);
    FDontShowHeaders = false;
    PreviewPages->CurPage = SavePage;
    CurY = SaveY;
    CurX = SaveX;
    PreviewPages->AddPageAction = apAdd;
  };
  try {
    for (std::size_t I = 0; I < Slices && !FReport->Terminated(); ++I) {
      const int From = I == 0 ? 0 : FVPageList[I] + Shift;
      const int To = std::min(FVPageList[I + 1] + Shift, static_cast<int>(All.size()));
      while (Objects.Count() > 0) Objects.Extract(Objects.Items(Objects.Count() - 1));
      for (int J = std::max(From, 0); J < To; ++J) Objects.Add(All[static_cast<std::size_t>(J)]);
      if (I == 0)
        for (std::size_t J = static_cast<std::size_t>(CellsEnd); J < All.size(); ++J) Objects.Add(All[J]);
      PreviewPages->AddObject(Band);
      if (I + 1 < Slices) {
        FDontShowHeaders = true;
        NewPage();
        FDontShowHeaders = false;
      } else if (Slices > 1) {
        // The last horizontal page gets its page end; the first one gets it when it is full.
        EndPage();
      }
    }
  } catch (...) {
    Restore();
    throw;
  }
  Restore();
}
