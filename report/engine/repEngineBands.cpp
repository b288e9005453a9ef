// The band side of the layout engine: the band tree, data bands walking their datasets, showing
// a band with its child, deciding between fitting, moving and splitting, and stretching.
#include <algorithm>
#include <cmath>

#include "platform/rt/Unicode.h"
#include "report/engine/repEngine.h"
#include "report/engine/repEngineParts.h"
#include "report/engine/repPostProcessor.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"

using namespace repengine;

namespace {

// Records one data band may walk in one run; a dataset that never ends stops here.
constexpr int MaxRecordsPerBand = 10'000'000;

} // namespace

TrepDataSet* TrepEngine::DataSetOf(TrepBand* Band) {
  auto* D = dynamic_cast<TrepDataBand*>(Band);
  if (D == nullptr) return nullptr;
  if (TrepDataSet* DS = D->DataSet()) return DS;
  return D->RowCount() > 0 ? &D->VirtualDataSet() : nullptr;
}

TrepDataSet* TrepEngine::EndingDataSetOf(TrepBand* Band) {
  TrepDataSet* DS = DataSetOf(Band);
  if (DS == nullptr || DS->CanEnd()) return DS;
  ReportError(Band->Name() + ": dataset \"" + DS->UserName() + "\" has no end");
  return nullptr;
}

// ---------------------------------------------------------------------------------------------
// The band tree

void TrepEngine::BuildBandTree(TrepReportPage* Page, bool Vertical) {
  Page->AlignChildren(false, {});
  std::vector<TrepBand*>& Masters = Vertical ? Page->VSubBands : Page->SubBands;
  Masters.clear();
  const TrepResources& Res = ResourceTable();
  std::vector<TrepBand*> List;
  for (TrepComponent* C : Page->Objects()) {
    auto* B = dynamic_cast<TrepBand*>(C);
    if (B == nullptr || B->Vertical != Vertical) continue;
    B->SubBands.clear();
    B->Header = B->Footer = B->Group = nullptr;
    B->HasVBands = false;
    if (!Vertical) {
      // The cells leave the band before its shift tree is made, so the tree never holds them.
      MoveIntoVerticalBands(Page, B);
      PrepareShiftTree(B);
    }
    if (auto* D = dynamic_cast<TrepDataBand*>(B); D != nullptr && D->DataSet() == nullptr && D->RowCount() > 0)
      D->VirtualDataSet().Initialize();
    const int N = B->BandNumber();
    if (N >= 4 && N <= 13) List.push_back(B);
  }
  // Vertical bands follow each other from left to right.
  std::stable_sort(List.begin(), List.end(), [Vertical](const TrepBand* A, const TrepBand* B) {
    return Vertical ? std::round(A->Left() * 100) < std::round(B->Left() * 100)
                    : std::round(A->Top() * 100) < std::round(B->Top() * 100);
  });
  auto Error = [&](const char* Res1, const TrepBand* B) { ReportError(Res.Get(Res1) + " " + B->Name()); };

  // Groups: a run of group headers is one chain held by its first header.
  std::vector<TrepBand*> Rest;
  std::vector<TrepGroupHeader*> OpenHeaders;
  for (std::size_t I = 0; I < List.size(); ++I) {
    auto* GH = dynamic_cast<TrepGroupHeader*>(List[I]);
    if (GH == nullptr) continue;
    if (I > 0 && dynamic_cast<TrepGroupHeader*>(List[I - 1]) != nullptr) continue;
    std::size_t J = I;
    while (J < List.size() && dynamic_cast<TrepGroupHeader*>(List[J]) != nullptr) GH->SubBands.push_back(List[J++]);
    TrepBand* Data = nullptr;
    for (std::size_t K = J; K < List.size() && Data == nullptr; ++K)
      if (IsDataBand(List[K])) Data = List[K];
    if (Data != nullptr)
      Data->Group = GH;
    else
      Error("enUnconnGroup", GH);
  }
  for (TrepBand* B : List) {
    if (auto* GH = dynamic_cast<TrepGroupHeader*>(B)) {
      OpenHeaders.push_back(GH);
    } else if (dynamic_cast<TrepGroupFooter*>(B) != nullptr) {
      if (OpenHeaders.empty()) {
        Error("enUnconnGFooter", B);
      } else {
        OpenHeaders.back()->Footer = B;
        OpenHeaders.pop_back();
      }
    } else {
      Rest.push_back(B);
    }
  }

  // Headers and footers belong to the data band right beside them.
  std::vector<TrepBand*> Data;
  for (std::size_t I = 0; I < Rest.size(); ++I) {
    TrepBand* B = Rest[I];
    if (dynamic_cast<TrepHeader*>(B) != nullptr) {
      if (I + 1 < Rest.size() && IsDataBand(Rest[I + 1]))
        Rest[I + 1]->Header = B;
      else
        Error("enUnconnHeader", B);
    } else if (dynamic_cast<TrepFooter*>(B) != nullptr) {
      if (I > 0 && IsDataBand(Rest[I - 1]))
        Rest[I - 1]->Footer = B;
      else
        Error("enUnconnHeader", B);
    } else {
      Data.push_back(B);
    }
  }

  // Master and detail levels by band number; a level may not be skipped.
  std::vector<bool> Used(Data.size(), false);
  std::size_t Pos = 0;
  auto Details = [&](auto& Self, TrepBand* Parent) -> void {
    const int N = Parent->BandNumber();
    while (Pos < Data.size() && Data[Pos]->BandNumber() == N + 1) {
      TrepBand* D = Data[Pos];
      Used[Pos++] = true;
      if (DataSetOf(D) != nullptr) Parent->SubBands.push_back(D);
      Self(Self, D);
    }
  };
  while (Pos < Data.size()) {
    TrepBand* B = Data[Pos];
    if (dynamic_cast<TrepMasterData*>(B) == nullptr) {
      ++Pos;
      continue;
    }
    Used[Pos++] = true;
    if (DataSetOf(B) != nullptr) Masters.push_back(B);
    Details(Details, B);
  }
  for (std::size_t I = 0; I < Data.size(); ++I)
    if (!Used[I]) Error("enBandPos", Data[I]);
}

// ---------------------------------------------------------------------------------------------
// Data bands

bool TrepEngine::HasDataRows(TrepComponent* Container, bool PrintIfEmpty) {
  if (PrintIfEmpty) return true;
  auto* Band = dynamic_cast<TrepBand*>(Container);
  const std::vector<TrepBand*>& Subs =
      Band != nullptr ? Band->SubBands : static_cast<TrepReportPage*>(Container)->SubBands;
  bool Result = Band != nullptr && Subs.empty();
  for (TrepBand* B : Subs) {
    TrepDataSet* DS = DataSetOf(B);
    if (DS == nullptr || !DS->CanEnd()) continue;
    FReport->DoNotifyEvent(B, static_cast<TrepDataBand*>(B)->OnMasterDetail);
    DS->First();
    for (int N = 0; !DS->Eof() && N < MaxRecordsPerBand; ++N) {
      if (HasDataRows(B, static_cast<TrepDataBand*>(B)->PrintIfDetailEmpty)) return true;
      DS->Next();
    }
  }
  return Result;
}

void TrepEngine::OutputDataBands(TrepComponent* Container) {
  if (FReport->Terminated()) return;
  auto* Parent = dynamic_cast<TrepBand*>(Container);
  const std::vector<TrepBand*> Subs =
      Parent != nullptr ? Parent->SubBands : static_cast<TrepReportPage*>(Container)->SubBands;
  for (TrepBand* B : Subs) {
    auto* Band = static_cast<TrepDataBand*>(B);
    TrepDataSet* DS = EndingDataSetOf(Band);
    if (DS == nullptr) continue;
    DS->First();
    Band->LineN = 1;
    Band->LineThrough = 1;
    Band->SetCurColumn(1);
    PreviewPages->PostProcessor().ResetDuplicates(Band->Name());
    for (TrepComponent* C : Band->Objects())
      if (auto* M = dynamic_cast<TrepCustomMemoView*>(C)) M->LastValue = rt::Variant::Null();
    PreviewPages->PostProcessor().EnterData();
    bool Shown = false;
    // Keep-together and column bookkeeping of this run of the band.
    bool HeaderKeepOpen = false;
    int FooterKeepPosition = 0, FooterKeepPage = -1;
    int RowPosition = 0, HeaderPosition = 0;
    double RowY = CurY, HeaderY = 0;
    TrepBand* FillBand = nullptr;
    for (int N = 0; !DS->Eof() && !FReport->Terminated(); ++N) {
      if (N >= MaxRecordsPerBand) {
        ReportError(Band->Name() + ": more than " + std::to_string(MaxRecordsPerBand) + " records");
        break;
      }
      bool Pass = true;
      if (!rt::Trim(Band->Filter).empty()) {
        FReport->CurObject = Band->Name();
        Pass = FReport->Calc(Band->Filter) == rt::Variant(true);
      }
      if (Pass && HasDataRows(Band, Band->PrintIfDetailEmpty)) {
        if (HeaderKeepOpen) {
          // A header kept with the first row is released when the next record begins.
          HeaderKeepOpen = false;
          StopKeeping(Band);
        }
        if (!Shown) {
          if (Band->KeepHeader && Band->Header != nullptr) {
            if (FIsFirstBand) FIsFirstBand = !FTitlePrinted;
            FKeepHeader = !FIsFirstBand;
            StartKeeping(Band);
            HeaderKeepOpen = FKeeping && FKeepBand == Band && !(Band->KeepTogether && Band->Group != nullptr);
            if (Band->Columns > 1 && Band->CurColumn() == 1) {
              HeaderPosition = PreviewPages->GetCurPosition();
              HeaderY = CurY;
            }
          }
          if (Band->Header != nullptr) {
            const int Page = PreviewPages->CurPage;
            const int Position = PreviewPages->GetCurPosition();
            ShowBand(Band->Header);
            FHeaderShownAt[Band->Header] = Page == PreviewPages->CurPage
                                               ? std::make_pair(Page, Position)
                                               : std::make_pair(PreviewPages->CurPage, PreviewPages->GetCurPosition() - 1);
          }
          RememberReprintHeader(Band->Header);
          Shown = true;
          if (Band->KeepTogether) StartKeeping(Band);
          if (Band->Group != nullptr) OutputGroupHeaders(Band, Band->Group, true, 0);
        } else {
          if (Band->KeepTogether && Band->Group == nullptr) StartKeeping(Band);
          if (Band->Group != nullptr) CheckGroupBreak(Band, Band->Group, RowY, RowPosition);
        }
        if (Band->KeepFooter) {
          FooterKeepPosition = PreviewPages->GetCurPosition();
          FooterKeepPage = PreviewPages->CurPage;
        }
        if (Band->CurColumn() <= 1) {
          RowPosition = PreviewPages->GetCurPosition();
          RowY = CurY;
        }
        CurLine = Band->LineN;
        CurLineThrough = Band->LineThrough;
        if (TrepBand* Fill = ShowBandTree(Band)) FillBand = Fill;
        FKeepHeader = false;
        if (HeaderKeepOpen && !(Band->KeepFooter && Band->Footer != nullptr)) {
          HeaderKeepOpen = false;
          StopKeeping(Band);
        }
        for (int I = 0; I < FNotifyList.Count(); ++I)
          if (auto* C = dynamic_cast<TrepComponent*>(FNotifyList.Items(I))) C->OnNotify(Band);
        FHBandNamesTree.push_back(Band->Name() + "=" + std::to_string(Band->LineThrough));
        ++Band->LineN;
        ++Band->LineThrough;
        AdvanceDataColumn(Band, RowPosition, HeaderY, RowY, HeaderPosition);
        const bool HasOutline = !Band->OutlineText.empty();
        if (HasOutline && Band->Visible() && PreviewPages->Outline() != nullptr) {
          rt::Variant V;
          try {
            V = FReport->Calc(Band->OutlineText);
          } catch (const ErepExpressionError&) {
          }
          auto It = FStretchedHeight.find(Band);
          const double H = Band->Stretched && It != FStretchedHeight.end() ? It->second : Band->Height();
          PreviewPages->Outline()->AddItem(V.ToString(), static_cast<int>(std::lround(CurY - H)));
        }
        OutputDataBands(Band);
        FHBandNamesTree.pop_back();
        if (HasOutline && PreviewPages->Outline() != nullptr) PreviewPages->Outline()->LevelUp();
        FIsFirstBand = false;
        // A row that moved to another page leaves no position to keep the footer from.
        if (FooterKeepPage != PreviewPages->CurPage) FooterKeepPosition = 0;
        if (Band->FooterAfterEach) ShowFooter(Band, FooterKeepPosition);
        if (Band->KeepTogether && Band->Group == nullptr) StopKeeping(Band);
      }
      DS->Next();
      if (Band->RowCount() != 0 && Band->RowCount() < Band->LineN) break;
    }
    // The open row of cells is closed.
    if (Band->Columns > 1 && Band->CurColumn() > 1) {
      Band->SetCurColumn(Band->Columns);
      AdvanceDataColumn(Band, RowPosition, HeaderY, RowY, HeaderPosition);
    }
    if (!Band->Visible() && Band->Columns > 1 && CurY < Band->MaxY) CurY = Band->MaxY;
    // Child rows fill after the footers, which are then moved below them.
    const int PageCount = PreviewPages->Count();
    const int FillPosition = PreviewPages->GetCurPosition();
    TrepXMLItem* FillOutline = PreviewPages->Outline() != nullptr ? PreviewPages->Outline()->GetCurPosition() : nullptr;
    const int FillAnchor = PreviewPages->GetAnchorCurPosition();
    if (FillBand != nullptr) FLockResetAggregates = true;
    try {
        if (FooterKeepPage != PreviewPages->CurPage) FooterKeepPosition = 0;
      if (Shown && Band->Group != nullptr) OutputGroupFooters(Band->Group, 0, Band);
      if (FooterKeepPage != PreviewPages->CurPage) FooterKeepPosition = 0;
      if (Shown && !Band->FooterAfterEach) ShowFooter(Band, FooterKeepPosition);
    } catch (...) {
      FLockResetAggregates = false;
      throw;
    }
    if (HeaderKeepOpen || (Band->KeepTogether && Band->Group != nullptr)) StopKeeping(Band);
    if (Shown) ForgetReprintHeader(Band->Header);
    FHeaderShownAt.erase(Band->Header);
    if (FillBand != nullptr)
      FillChildRows(Band, FillBand, true, PageCount, FillPosition, FillOutline, FillAnchor);
    PreviewPages->PostProcessor().LeaveData();
    if (FReport->Terminated()) return;
    FIsFirstBand = false;
  }
}

void TrepEngine::ShowFooter(TrepDataBand* Band, int KeepPosition) {
  if (Band->Footer == nullptr) return;
  const bool Keep = Band->KeepFooter;
  if (Keep) {
    StartKeeping(Band, KeepPosition);
    FKeepFooter = true;
  }
  try {
    ShowBand(Band->Footer);
  } catch (...) {
    FKeepFooter = false;
    throw;
  }
  if (Keep) {
    FKeepFooter = false;
    StopKeeping(Band);
  }
}

// ---------------------------------------------------------------------------------------------
// Groups

void TrepEngine::OutputGroupHeaders(TrepDataBand* Band, TrepBand* Group, bool First, std::size_t From) {
  const std::vector<TrepBand*>& Chain = Group->SubBands;
  for (std::size_t I = From; I < Chain.size(); ++I) {
    TrepBand* H = Chain[I];
    if (First) {
      H->LineN = 1;
      H->LineThrough = 1;
      PreviewPages->PostProcessor().ResetDuplicates(H->Name());
    } else {
      ++H->LineN;
      if (I + 1 < Chain.size()) Chain[I + 1]->LineN = 0;
      ++H->LineThrough;
    }
  }
  Band->SetCurColumn(1);
  ApplyDrillDownState(Band, Group);
  for (std::size_t I = From; I < Chain.size(); ++I) {
    auto* H = static_cast<TrepGroupHeader*>(Chain[I]);
    CurLine = H->LineN;
    CurLineThrough = H->LineThrough;
    FReport->CurObject = H->Name();
    H->LastValue = FReport->Calc(H->Condition);
    if (H->KeepTogether) StartKeeping(H);
    PreviewPages->PostProcessor().EnterGroup();
    ShowBand(H);
    if (!H->OutlineText.empty() && H->Visible() && PreviewPages->Outline() != nullptr) {
      rt::Variant V;
      try {
        V = FReport->Calc(H->OutlineText);
      } catch (const ErepExpressionError&) {
      }
      auto It = FStretchedHeight.find(H);
      const double Height = H->Stretched && It != FStretchedHeight.end() ? It->second : H->Height();
      PreviewPages->Outline()->AddItem(V.ToString(), static_cast<int>(std::lround(CurY - Height)));
    }
    RememberReprintHeader(H);
  }
}

void TrepEngine::CheckGroupBreak(TrepDataBand* Band, TrepBand* Group, double ColumnY, int ColumnPosition) {
  ApplyDrillDownState(Band, Group);
  const std::vector<TrepBand*>& Chain = Group->SubBands;
  std::size_t Level = Chain.size();
  for (std::size_t I = 0; I < Chain.size() && Level == Chain.size(); ++I) {
    auto* H = static_cast<TrepGroupHeader*>(Chain[I]);
    FReport->CurObject = H->Name();
    if (!(FReport->Calc(H->Condition) == H->LastValue)) Level = I;
  }
  if (Level == Chain.size()) return;
  // The open row of cells is closed before the footers.
  if (Band->Columns > 1 && Band->CurColumn() > 1) {
    Band->SetCurColumn(Band->Columns);
    int NoHeader = 0;
    double HeaderY = 0;
    AdvanceDataColumn(Band, ColumnPosition, HeaderY, ColumnY, NoHeader);
  }
  // The footers see the group's last record.
  TrepDataSet* DS = DataSetOf(Band);
  bool Stepped = false;
  try {
    DS->Prior();
    Stepped = true;
  } catch (const rt::Exception&) {
  }
  OutputGroupFooters(Group, Level, Band);
  if (Stepped) DS->Next();
  OutputGroupHeaders(Band, Group, false, Level);
  Band->LineN = 1;
  PreviewPages->PostProcessor().ResetDuplicates(Band->Name());
}

void TrepEngine::OutputGroupFooters(TrepBand* Group, std::size_t From, TrepDataBand* Band) {
  const std::vector<TrepBand*>& Chain = Group->SubBands;
  for (std::size_t I = Chain.size(); I-- > From;) {
    auto* H = static_cast<TrepGroupHeader*>(Chain[I]);
    auto* F = dynamic_cast<TrepGroupFooter*>(H->Footer);
    if (F != nullptr) {
      if (F->HideIfSingleDataRecord && Band->LineN < 3)
        FinishBandAggregates(F, paGroupFinished);
      else
        ShowBand(F);
    }
    if (!H->OutlineText.empty() && PreviewPages->Outline() != nullptr) PreviewPages->Outline()->LevelUp();
    PreviewPages->PostProcessor().LeaveGroup();
    ForgetReprintHeader(H);
    if (H->KeepTogether) StopKeeping(H);
  }
}

// ---------------------------------------------------------------------------------------------
// Showing a band

void TrepEngine::ShowBand(TrepBand* Band) { ShowBandTree(Band); }

TrepBand* TrepEngine::ShowBandTree(TrepBand* Band) {
  if (Band == nullptr) return nullptr;
  TrepBand* Result = nullptr;
  if (Band->KeepChild) StartKeeping(Band);
  OutputBand(Band);
  if (TrepChild* Child = Band->Child()) {
    if (Child->ToNRowsMode == rmTillPageEnds || Child->ToNRows > 0) {
      Result = Band;  // the data loop fills these rows after the data
    } else if ((Band->Visible() || Band->PrintChildIfInvisible) &&
               !(IsDataBand(Band) && static_cast<TrepDataBand*>(Band)->CurColumn() > 1)) {
      FIsFirstBand = false;
      Result = ShowBandTree(Child);
    }
  }
  if (Band->KeepChild) StopKeeping(Band);
  if (IsDataBand(Band)) FAggregates.AddValue(Band, 0);
  return Result;
}

void TrepEngine::OutputBand(TrepBand* Band) {
  if (Band->Vertical) {
    OutputVerticalBand(Band);
    return;
  }
  // A band crossed by vertical bands lays its row of cells out first.
  TVerticalRow Row;
  if (Band->HasVBands && dynamic_cast<TrepPageHeader*>(Band) == nullptr) BeginVerticalRow(Band, Row);
  const bool IsNull = dynamic_cast<TrepNullBand*>(Band) != nullptr;
  const bool FirstRow = (IsDataBand(Band) || dynamic_cast<TrepGroupHeader*>(Band) != nullptr) && Band->LineN == 1;
  if (Band->Visible() && Band->StartNewPage && !FCallFromAddPage && FOutputTo == nullptr && !FirstRow) {
    FStartNewPageBand = Band;
    if (auto* GH = dynamic_cast<TrepGroupHeader*>(Band); GH != nullptr && GH->ResetPageNumbers)
      PreviewPages->ResetLogicalPageNumber();
    try {
      NewPage();
    } catch (...) {
      FStartNewPageBand = nullptr;
      if (Row.Active) AbandonVerticalRow(Band, Row);
      throw;
    }
    FStartNewPageBand = nullptr;
  }

  bool Done = false;
  // A child row left for the next page prints no subreports either.
  bool Dropped = false;
  try {
    Stretch(Band);
    FStretchedHeight[Band] = Band->Height();
    auto* DB = dynamic_cast<TrepDataBand*>(Band);
    const bool MultiColumn = DB != nullptr && DB->Columns > 1;
    // Bands shown while a page is being opened go where they are: breaking the page from there
    // would open the same page again without end.
    // A band laid out into an output band takes no page or column break.
    if (Band->Visible() && !MultiColumn && dynamic_cast<TrepOverlay*>(Band) == nullptr && !IsNull &&
        !FCallFromAddPage && !FCallFromEndPage && FOutputTo == nullptr && FreeSpace() < Band->Height()) {
      auto* Child = dynamic_cast<TrepChild*>(Band);
      if (Child != nullptr && Child->ToNRowsMode == rmTillPageEnds) {
        FBreakShowBandTree = true;
        Done = true;
        Dropped = true;
      } else {
        // A row of vertical cells moves whole: its cells cannot be cut.
        const double Limit = GetPageHeight() - FooterHeight();
        const bool Forced = !Row.Active && Band->Height() > Limit && !Band->HasVBands;
        // A kept block that fits an empty page together with this band moves instead.
        const bool KeptFits =
            FKeeping && CurY - FKeepCurY + Band->Height() <= PageHeight - HeaderHeight() - FooterHeight();
        if ((Band->AllowSplit && !Row.Active && !KeptFits) || Forced) {
          if (Forced && !Band->AllowSplit && Band->LineThrough > 1 && !Band->StartNewPage) NewColumn();
          if (FKeeping && FKeepBand == Band) StopKeeping(Band);
          OutputBandInParts(Band);
          Done = true;
        } else {
          if (!FKeeping) RecalcBandOnNewPage(Band);
          NewColumn();
        }
      }
    }
    if (!Done && !FReport->Terminated()) {
      if (!IsNull) {
        Band->SetLeft(MultiColumn ? Band->Left() + CurX : CurX);
        Band->SetTop(CurY);
      }
      if (FinalPass) Band->CreateFillMemo();
      if (FOutputTo != nullptr) {
        CopyToOutputBand(Band);
      } else {
        if (auto* RS = dynamic_cast<TrepReportSummary*>(Band); RS != nullptr && RS->PrintAtBottom) {
          CurY = CurY + FreeSpace() - FStretchedHeight[Band];
          Band->SetTop(CurY);
        }
        if (Row.Active)
          EndVerticalRow(Band, Row);
        else if (!FCallFromAddPage || !PreviewPages->BandExists(Band))
          PreviewPages->AddObject(Band);
      }
      if (Band->Visible()) CurY += Band->Height();
      FCurBand = Band;
    }
  } catch (...) {
    if (Row.Active) EndVerticalRow(nullptr, Row);
    UnStretch(Band);
    throw;
  }
  if (Row.Active) EndVerticalRow(nullptr, Row);
  UnStretch(Band);
  FinishBandAggregates(Band);
  if (Band->Visible() && !Dropped && !FReport->Terminated()) OutputSubreports(Band);
}

void TrepEngine::OutputPageEndBand(TrepBand* Band) {
  bool Drop = false;
  try {
    Stretch(Band);
    if (Band->Visible()) {
      Band->SetLeft(0);
      Band->SetTop(CurY);
    }
    if (auto* F = dynamic_cast<TrepPageFooter*>(Band)) {
      Drop = ((FIsFirstPage && !F->PrintOnFirstPage) || (FIsLastPage && !F->PrintOnLastPage && !FCallFromEndPage)) &&
             !(F->PrintOnSinglePage && FIsFirstPage && FIsLastPage);
    }
    if (!Drop) {
      if (FinalPass) Band->CreateFillMemo();
      if (!PreviewPages->BandExists(Band)) PreviewPages->AddObject(Band);
      if (Band->Visible()) CurY += Band->Height();
    }
  } catch (...) {
    UnStretch(Band);
    throw;
  }
  UnStretch(Band);
  if (!Drop) FinishBandAggregates(Band);
}

void TrepEngine::FinishBandAggregates(TrepBand* Band, TrepProcessAtMode Mode) {
  if (FLockResetAggregates) return;
  if (Mode == paDefault && Band != nullptr) {
    if (dynamic_cast<TrepGroupFooter*>(Band) != nullptr)
      Mode = paGroupFinished;
    else if (dynamic_cast<TrepFooter*>(Band) != nullptr)
      Mode = paDataFinished;
    else if (dynamic_cast<TrepPageFooter*>(Band) != nullptr)
      Mode = paPageFinished;
    else if (dynamic_cast<TrepReportSummary*>(Band) != nullptr)
      Mode = paReportPageFinished;
    else if (dynamic_cast<TrepColumnFooter*>(Band) != nullptr)
      Mode = paColumnFinished;
  }
  if (Mode != paDefault) {
    TrepBand* Keep = FCurBand;
    FCurBand = Band;
    try {
      PreviewPages->PostProcessor().ProcessExpressions(FReport, Band, Mode);
    } catch (...) {
      FCurBand = Keep;
      throw;
    }
    FCurBand = Keep;
  }
  if (Band != nullptr) FAggregates.Reset(Band);
}

// ---------------------------------------------------------------------------------------------
// Splitting a band that does not fit

void TrepEngine::OutputBandInParts(TrepBand* Band) {
  TrepObjectsNotifyList& Objects = Band->Objects();
  TQuietList Quiet(Objects);
  const std::vector<TrepComponent*> All = Objects.List();
  std::vector<TrepComponent*> Pending;
  for (TrepComponent* C : All) {
    if (dynamic_cast<TrepSubreport*>(C) != nullptr || C == Band->FillMemo()) continue;
    Pending.push_back(C);
    if (auto* S = dynamic_cast<TrepStretcheable*>(C)) {
      S->InitPart();
      S->SaveHeight = S->Height();
    }
  }
  auto Restore = [&] {
    while (Objects.Count() > 0) Objects.Extract(Objects.Items(Objects.Count() - 1));
    for (TrepComponent* C : All) Objects.Add(C);
  };
  while (Objects.Count() > 0) Objects.Extract(Objects.Items(Objects.Count() - 1));
  double Free = FreeSpace();
  const double NeverFits = GetPageHeight() - FooterHeight();
  bool SplitObject = false;
  int Fruitless = 0;
  try {
    while (!Pending.empty() && !FReport->Terminated()) {
      std::vector<TrepComponent*> Moved;
      bool Placed = false;
      const std::vector<TrepComponent*> Step = Pending;
      auto MoveBelow = [&](TrepComponent* Above, double By) {
        for (TrepComponent* O : Pending) {
          if (O == Above || O->Top() < Above->Top() + Eps) continue;
          if (std::find(Moved.begin(), Moved.end(), O) != Moved.end()) continue;
          const bool Overlap = O->Left() < Above->Left() + Above->Width() - Eps && O->Left() + O->Width() > Above->Left() + Eps;
          if (!Overlap) continue;
          O->SetTop(O->Top() + By);
          Moved.push_back(O);
        }
      };
      for (TrepComponent* C : Step) {
        auto* S = dynamic_cast<TrepStretcheable*>(C);
        bool Fits = C->Top() + C->Height() <= Free + Eps;
        double Remaining = 0;
        if (S != nullptr && C->Top() < Free) {
          S->SavedTop = C->Top();
          S->SetHeight(Free - C->Top());
          Remaining = S->DrawPart();
          Fits = !S->HasNextDataPart(Free);
          // A memo whose text is all placed is done, whatever its height estimate says.
          if (auto* M = dynamic_cast<TrepCustomMemoView*>(S); M != nullptr && M->PartMemo.empty()) Fits = true;
        }
        auto* RC = dynamic_cast<TrepReportComponent*>(C);
        TrepComponent* Save = RC != nullptr ? RC->GetSaveToComponent() : C;
        if (Fits) {
          if (S != nullptr) S->SetHeight(S->SaveHeight);
          Objects.Add(Save);
          Pending.erase(std::find(Pending.begin(), Pending.end(), C));
          Placed = true;
        } else if (S != nullptr && C->Top() < Free) {
          MoveBelow(C, Remaining);
          if (std::fabs(Remaining - C->Height()) < Eps) {
            C->SetTop(Free);
            C->SetHeight(S->SaveHeight);
          } else {
            Objects.Add(Save);
            S->SaveHeight -= C->Height() - Remaining;
            SplitObject = true;
            Placed = true;
          }
        } else if (S == nullptr) {
          if (C->Height() > NeverFits) {
            // Taller than any page: it goes whole into this part.
            Objects.Add(Save);
            Pending.erase(std::find(Pending.begin(), Pending.end(), C));
            Placed = true;
          } else if (C->Top() < Free) {
            MoveBelow(C, Free - C->Top());
            C->SetTop(Free);
          }
        }
      }
      double H = 0;
      for (TrepComponent* C : Objects) H = std::max(H, C->Top() + C->Height());
      Band->SetHeight(H);
      if (Pending.empty())
        for (TrepComponent* C : Objects) {
          auto* V = dynamic_cast<TrepView*>(C);
          if (V != nullptr && V->Align == baBottom) C->SetTop(H - C->Height());
          if (auto* S = dynamic_cast<TrepStretcheable*>(C); S != nullptr && S->StretchMode == smMaxHeight)
            C->SetHeight(H - C->Top());
        }
      Band->SetLeft(CurX);
      Band->SetTop(CurY);
      // Each part carries the band's fill and frame, sized to the part, beneath its objects.
      if (FinalPass) {
        Band->CreateFillMemo();
        if (TrepMemoView* Fill = Band->FillMemo(); Fill != nullptr && Objects.IndexOf(Fill) < 0) Objects.Insert(0, Fill);
      }
      PreviewPages->AddObject(Band);
      CurY += Band->Height();
      FCurBand = Band;
      if (!Pending.empty()) {
        Fruitless = Placed ? 0 : Fruitless + 1;
        if (Fruitless >= MaxFruitlessSplitSteps) {
          ReportError(Band->Name() + ": the band does not fit on a page");
          break;
        }
        NewColumn();
      }
      while (Objects.Count() > 0) Objects.Extract(Objects.Items(Objects.Count() - 1));
      const bool Untouched = !SplitObject && Pending.size() == Step.size() && Step.size() == All.size();
      for (TrepComponent* C : Pending) {
        auto* S = dynamic_cast<TrepStretcheable*>(C);
        C->SetTop(C->Top() - Free);
        if (S != nullptr && Untouched) C->SetTop(S->SavedTop);
        if (C->Top() < 0) C->SetTop(0);
        if (S != nullptr) C->SetHeight(S->SaveHeight);
      }
      Free = FreeSpace();
    }
  } catch (...) {
    Restore();
    throw;
  }
  Restore();
}

// ---------------------------------------------------------------------------------------------
// Stretching

void TrepEngine::Stretch(TrepComponent* Container) {
  auto* Band = dynamic_cast<TrepBand*>(Container);
  auto* RC = dynamic_cast<TrepReportComponent*>(Container);
  if (Band != nullptr) FCurBand = Band;
  PrepareShiftTree(Container);
  // The master band of a row of vertical cells had its BeforePrint before the cells were made,
  // and the cells had theirs when they were copied.
  const int Cells = VerticalCellsStart(Container);
  if (Cells < 0) {
    FReport->CurObject = Container->Name();
    if (Band != nullptr) Band->BeforePrint();
    if (RC != nullptr) FReport->DoBeforePrint(RC);
  }
  const bool Visible = Container->Visible();
  bool Changed = false;
  bool Embed = false;
  const std::vector<TrepComponent*> List = Container->Objects().List();
  for (std::size_t I = 0; I < List.size(); ++I) {
    auto* O = dynamic_cast<TrepReportComponent*>(List[I]);
    if (O == nullptr) continue;
    if (auto* S = dynamic_cast<TrepSubreport*>(O); S != nullptr && S->Visible() && S->PrintOnParent) Embed = true;
    auto* V = dynamic_cast<TrepView*>(O);
    if (Cells < 0 || static_cast<int>(I) < Cells) {
      FReport->CurObject = O->Name();
      O->BeforePrint();
      if (Visible) {
        FReport->DoBeforePrint(O);
        if (O->Visible() && (V == nullptr || V->Processing().ProcessAt == paDefault)) {
          O->GetData();
          FReport->DoNotifyEvent(O, O->OnAfterData);
        }
      }
    }
    FShifter.InitShiftAmount(O, 0);
    auto* S = dynamic_cast<TrepStretcheable*>(O);
    if (S != nullptr && S->Visible() && Visible && (S->StretchMode != smDontStretch || S->CanShrink)) {
      const double Old = S->Height();
      const double New = S->CalcHeight();
      if ((S->StretchMode != smDontStretch && New > Old) || (S->CanShrink && New < Old)) {
        FShifter.InitShiftAmount(S, New - Old);
        if (std::fabs(New - Old) > Eps) S->SetHeight(New);
        Changed = true;
      }
    }
  }
  if (!Visible) return;
  if (Changed) FShifter.ShiftObjects(Container);
  if (Embed) EmbedSubreports(Container);
  double Needed = 0;
  for (TrepComponent* C : Container->Objects()) Needed = std::max(Needed, C->Top() + C->Height());
  if (Band == nullptr || Band->Stretched) Container->SetHeight(Needed);
  FReport->CurObject = Container->Name();
  if (Band != nullptr) FReport->DoNotifyEvent(Band, Band->OnAfterCalcHeight);
  for (TrepComponent* C : Container->Objects())
    if (auto* S = dynamic_cast<TrepStretcheable*>(C); S != nullptr && S->StretchMode == smMaxHeight)
      S->SetHeight(Needed - S->Top());
}

void TrepEngine::UnStretch(TrepComponent* Container) {
  auto* Band = dynamic_cast<TrepBand*>(Container);
  auto* RC = dynamic_cast<TrepReportComponent*>(Container);
  std::vector<TrepComponent*> List = Container->Objects().List();
  // Objects added during output (vertical cells, embedded subreport rows) had no BeforePrint
  // here and are freed below: they get no AfterPrint. A fill memo made since stands first.
  if (RC != nullptr && RC->OriginalObjectsCount != -1) {
    std::size_t Design = static_cast<std::size_t>(RC->OriginalObjectsCount);
    if (Band != nullptr && Band->FillMemo() != nullptr && !List.empty() && List.front() == Band->FillMemo()) ++Design;
    if (Design < List.size()) List.resize(Design);
  }
  if (Container->Visible())
    for (TrepComponent* C : List)
      if (auto* O = dynamic_cast<TrepReportComponent*>(C)) FReport->DoAfterPrint(O);
  Container->BeginAnchorsUpdate();
  try {
    for (TrepComponent* C : List)
      if (auto* O = dynamic_cast<TrepReportComponent*>(C)) O->AfterPrint();
    if (RC != nullptr) FReport->DoAfterPrint(RC);
    if (Band != nullptr) {
      Band->AfterPrint();
      if (FinalPass) Band->DisposeFillMemo();
    }
  } catch (...) {
    Container->EndAnchorsUpdate();
    throw;
  }
  Container->EndAnchorsUpdate();
  if (RC != nullptr && RC->OriginalObjectsCount != -1) {
    while (Container->Objects().Count() > RC->OriginalObjectsCount)
      delete Container->Objects().Items(Container->Objects().Count() - 1);
    RC->OriginalObjectsCount = -1;
  }
}
