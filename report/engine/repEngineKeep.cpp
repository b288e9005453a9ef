// The layout engine around a band: reprinted headers, keep-together blocks that move as a whole,
// page columns and data-band columns, drill-down, child rows filled after the data and memos
// with suppressed repeated values after a break.
#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repEngine.h"
#include "report/engine/repEngineParts.h"
#include "report/engine/repPostProcessor.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"

using repengine::Eps;

namespace {

int RoundY(double Y) { return static_cast<int>(std::lround(Y)); }

int IntOf(const TrepXMLItem* Item, std::string_view Name) {
  long long N = 0;
  try {
    if (!rt::TryStrToInt64(rt::Utf16ToUtf8(Item->Prop(Name)), N) || N < INT_MIN || N > INT_MAX) return 0;
  } catch (const rt::EConvertError&) {
    return 0;
  }
  return static_cast<int>(N);
}

// Moves the items after From (outline headings with their sub-headings, or anchors) so that the
// first starts at NewTop, keeping their page: the store's own shift always moves them to the
// next page, which is wrong for a block that stays on its page (next column, child rows).
void ShiftTopsOnPage(TrepXMLItem* Parent, int From, int NewTop) {
  if (Parent == nullptr || From + 1 < 0 || From + 1 >= Parent->Count()) return;
  const int Delta = NewTop - IntOf(Parent->Items(From + 1), "top");
  std::vector<TrepXMLItem*> Stack;
  for (int I = From + 1; I < Parent->Count(); ++I) Stack.push_back(Parent->Items(I));
  while (!Stack.empty()) {
    TrepXMLItem* I = Stack.back();
    Stack.pop_back();
    I->SetProp("top", std::to_string(IntOf(I, "top") + Delta));
    for (int K = 0; K < I->Count(); ++K) Stack.push_back(I->Items(K));
  }
}

} // namespace

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

int TrepHeaderList::IndexOf(const TrepBand* ABand) const {
  for (std::size_t I = 0; I < FList.size(); ++I)
    if (FList[I]->Band == ABand) return static_cast<int>(I);
  return -1;
}

// ---------------------------------------------------------------------------------------------
// Reprinted headers

void TrepEngine::RememberReprintHeader(TrepBand* Band) {
  const auto* H = dynamic_cast<TrepHeader*>(Band);
  const auto* GH = dynamic_cast<TrepGroupHeader*>(Band);
  if ((H != nullptr && H->ReprintOnNewPage) || (GH != nullptr && GH->ReprintOnNewPage))
    FHeaderList.AddItem(Band, FPageCurX, FKeeping && H == nullptr);
}

void TrepEngine::ForgetReprintHeader(TrepBand* Band) {
  if (Band != nullptr) FHeaderList.RemoveItem(Band);
}

// ---------------------------------------------------------------------------------------------
// Drill-down

void TrepEngine::ApplyDrillDownState(TrepDataBand* Band, TrepBand* Group) {
  const std::vector<TrepBand*>& Chain = Group->SubBands;
  if (Chain.empty()) return;
  const auto* Outer = static_cast<TrepGroupHeader*>(Chain.front());
  for (std::size_t I = 0; I < Chain.size(); ++I) {
    auto* H = static_cast<TrepGroupHeader*>(Chain[I]);
    if (!H->DrillDown) continue;
    std::string Name;
    for (const std::string& E : FHBandNamesTree) {
      const std::size_t Eq = E.find('=');
      Name += E.substr(0, Eq) + "." + (Eq == std::string::npos ? std::string() : E.substr(Eq + 1)) + ".";
    }
    Name += H->Name() + "." + std::to_string(H->LineThrough);
    H->DrillName = Name;
    // The list holds the headers whose state differs from their default.
    const bool Listed = FReport->DrillState().IndexOf(Name) >= 0;
    const bool Expanded = H->ExpandDrillDown ? !Listed : Listed;
    if (!Outer->ShowChildIfDrillDown && H->Child() != nullptr) H->Child()->SetVisible(Expanded);
    for (std::size_t J = I + 1; J < Chain.size(); ++J) {
      Chain[J]->SetVisible(Expanded);
      if (Chain[J]->Footer != nullptr) Chain[J]->Footer->SetVisible(Expanded);
    }
    Band->SetVisible(Expanded);
    if (!H->ShowFooterIfDrillDown && H->Footer != nullptr) H->Footer->SetVisible(Expanded);
    if (!Expanded) break;
  }
}

// ---------------------------------------------------------------------------------------------
// Keep-together

void TrepEngine::StartKeeping(TrepBand* Band, int Position) {
  // The first band of a report page never moves; child rows filled while the footers are cut
  // aside cannot move either, for the store holds one cut at a time.
  if (FKeeping || FIsFirstBand || FFillingRows) return;
  FKeepCurY = CurY;
  FKeeping = true;
  FKeepBand = Band;
  FKeepPosition = Position != 0 ? Position : PreviewPages->GetCurPosition();
  FKeepOutline = PreviewPages->Outline() != nullptr ? PreviewPages->Outline()->GetCurPosition() : nullptr;
  FKeepAnchor = PreviewPages->GetAnchorCurPosition();
  FAggregates.StartKeep();
}

void TrepEngine::StopKeeping(TrepBand* Band) {
  if (Band == nullptr || Band != FKeepBand) return;
  BreakAllKeep();
}

void TrepEngine::BreakAllKeep() {
  FKeepCurY = 0;
  FKeeping = false;
  FKeepBand = nullptr;
  FAggregates.EndKeep();
  FKeepHeader = false;
}

void TrepEngine::CutKeptBlockForPage(TrepBand*& TakenHeader, bool& Restore) {
  TakenHeader = nullptr;
  Restore = false;
  if (!FKeeping) return;
  TrepBand* Measured = dynamic_cast<TrepGroupHeader*>(FKeepBand) != nullptr ? FCurBand : FKeepBand;
  const double H = Measured != nullptr ? Measured->Height() : 0;
  if (CurY - FKeepCurY + H > PageHeight - FooterHeight() - HeaderHeight()) {
    // Taller than an empty page: moving it would never end.
    FKeeping = false;
    FAggregates.EndKeep();
    const int I = FHeaderList.IndexOf(FKeepBand);
    if (dynamic_cast<TrepGroupHeader*>(FKeepBand) != nullptr && I >= 0) {
      const double Left = FHeaderList.Items(I)->Left;
      FHeaderList.RemoveItem(FKeepBand);
      FHeaderList.AddItem(FKeepBand, Left, false);
    }
    return;
  }
  Restore = FKeepFooter && !FKeepHeader;
  if (Restore) FAggregates.DeleteValue(FKeepBand);
  PreviewPages->CutObjects(FKeepPosition);
  auto* DB = dynamic_cast<TrepDataBand*>(FCurBand);
  auto Shown = DB != nullptr ? FHeaderShownAt.find(DB->Header) : FHeaderShownAt.end();
  const bool InBlock = Shown != FHeaderShownAt.end() && Shown->second.first == PreviewPages->CurPage &&
                       Shown->second.second >= FKeepPosition;
  if (std::fabs(PreviewPages->GetLastY(0) - CurY) >= Eps && DB != nullptr && DB->KeepHeader && InBlock &&
      FHeaderList.IndexOf(DB->Header) >= 0) {
    // The block holds the header: the new page must not print it twice. A block that began
    // below the header (a group kept together) leaves it to be reprinted.
    TakenHeader = DB->Header;
    FHeaderList.RemoveItem(TakenHeader);
  }
}

void TrepEngine::PasteKeptBlockOnPage(TrepBand* TakenHeader, bool Restore) {
  if (!FKeeping) return;
  FAggregates.EndKeep();
  FSubSaveCurY = CurY;
  PreviewPages->PasteObjects(0, CurY);
  FSubSavePageN = PreviewPages->CurPage;
  if (PreviewPages->Outline() != nullptr) PreviewPages->Outline()->ShiftItems(FKeepOutline, RoundY(CurY));
  PreviewPages->ShiftAnchors(FKeepAnchor, RoundY(CurY));
  CurY = PreviewPages->GetLastY(0);
  if (Restore) FAggregates.AddValue(FKeepBand, 0);
  if (TakenHeader != nullptr) FHeaderList.AddItem(TakenHeader, FPageCurX, false);
}

void TrepEngine::NewPage() {
  TrepBand* Taken = nullptr;
  bool Restore = false;
  CutKeptBlockForPage(Taken, Restore);
  FLastBandOnPage = FCurBand;
  EndPage();
  OpenNewPage();
  FLastBandOnPage = nullptr;
  PasteKeptBlockOnPage(Taken, Restore);
  FKeeping = false;
  FKeepHeader = false;
  FKeepCurY = 0;
  AddPageOutline();
}

// ---------------------------------------------------------------------------------------------
// Page columns

void TrepEngine::NewColumn() {
  if (FPage == nullptr || CurColumn >= FPage->Columns()) {
    NewPage();
    return;
  }
  const bool Keeping = FKeeping;
  const bool Restore = Keeping && FKeepFooter;
  if (Keeping) {
    if (Restore) FAggregates.DeleteValue(FKeepBand);
    PreviewPages->CutObjects(FKeepPosition);
    CurY = PreviewPages->GetLastY(0);
  }
  FLastBandOnPage = FCurBand;
  OutputColumnFooter();
  MoveToNextColumn();
  FLastBandOnPage = nullptr;
  if (Keeping) {
    FAggregates.EndKeep();
    PreviewPages->PasteObjects(CurX, CurY);
    if (auto* O = PreviewPages->Outline(); O != nullptr && FKeepOutline != nullptr && FKeepOutline->Parent() != nullptr)
      ShiftTopsOnPage(FKeepOutline->Parent(), FKeepOutline->Parent()->IndexOf(FKeepOutline), RoundY(CurY));
    if (TrepPreviewPages* S = Store()) ShiftTopsOnPage(S->FindAnchorRoot(), FKeepAnchor, RoundY(CurY));
    CurY = PreviewPages->GetLastY(CurX);
    if (Restore) FAggregates.AddValue(FKeepBand, 0);
  }
  FKeeping = false;
  FKeepHeader = false;
}

void TrepEngine::MoveToNextColumn() {
  ++CurColumn;
  double Offset = 0;
  rt::TStringList& Positions = FPage->ColumnPositions();
  if (CurColumn >= 1 && CurColumn - 1 < Positions.Count()) {
    try {
      Offset = TextToFloat(Positions.Strings(CurColumn - 1)) * PixelsPerMM;
    } catch (const rt::EConvertError&) {
      Offset = 0;  // an unreadable position puts the column at the left edge
    }
  }
  CurY = FFirstColumnY;
  ShowReprintHeadersInColumn(Offset);
  CurX = FPageCurX + Offset;
}

void TrepEngine::ShowReprintHeadersInColumn(double Offset) {
  if (FKeepHeader) return;
  const double SaveX = CurX;
  // Shown bands may not change the list while it is walked.
  std::vector<std::pair<TrepBand*, double>> Entries;
  for (int I = 0; I < FHeaderList.Count(); ++I) {
    const TrepHeaderListItem* E = FHeaderList.Items(I);
    if (E->Band == nullptr || E->IsInKeepList || E->Band == FLastBandOnPage) continue;
    if (dynamic_cast<TrepPageHeader*>(E->Band) != nullptr) continue;
    Entries.emplace_back(E->Band, E->Left + Offset);
  }
  for (const auto& [First, Left] : Entries) {
    CurX = Left;
    TrepBand* B = First;
    for (int Guard = 0; B != nullptr && Guard < MaxChildChain; ++Guard) {
      B->Overflow = true;
      try {
        Stretch(B);
        B->SetLeft(CurX);
        B->SetTop(CurY);
        if (FinalPass) B->CreateFillMemo();
        PreviewPages->AddObject(B);
        if (B->Visible()) CurY += B->Height();
      } catch (...) {
        B->Overflow = false;
        UnStretch(B);
        CurX = SaveX;
        throw;
      }
      B->Overflow = false;
      UnStretch(B);
      B = (B->Visible() || B->PrintChildIfInvisible) ? B->Child() : nullptr;
    }
  }
  CurX = SaveX;
}

void TrepEngine::OutputColumnFooter() {
  auto* Footer = FindBand<TrepColumnFooter>();
  if (Footer == nullptr) return;
  try {
    Stretch(Footer);
    if (Footer->Visible()) {
      // Right below the column's content, not at the page bottom.
      Footer->SetLeft(CurX - FPageCurX);
      Footer->SetTop(CurY);
      if (FinalPass) Footer->CreateFillMemo();
      PreviewPages->AddObject(Footer);
      CurY += Footer->Height();
    }
  } catch (...) {
    UnStretch(Footer);
    throw;
  }
  UnStretch(Footer);
  FinishBandAggregates(Footer, paColumnFinished);
}

// ---------------------------------------------------------------------------------------------
// Data-band columns

void TrepEngine::AdvanceDataColumn(TrepDataBand* Band, int RowPosition, double& HeaderY, double RowY,
                                   int& HeaderPosition) {
  if (Band->Columns <= 1 || !Band->Visible()) return;
  if (CurY > Band->MaxY) Band->MaxY = CurY;
  if (Band->CurColumn() < Band->Columns) {
    CurY = RowY;  // the next cell starts beside this one
  } else {
    const double Limit = PageHeight - FooterHeight();
    if (Limit - Band->MaxY <= Eps && !FPage->EndlessHeight) {
      if (FKeeping && CurY - FKeepCurY > Limit - HeaderHeight()) StopKeeping(FKeepBand);
      if (FKeeping) {
        NewColumn();
      } else {
        int Position = RowPosition;
        double Y = RowY;
        if (HeaderPosition > 0 && Band->MaxY - HeaderY < Limit) {
          Position = HeaderPosition;
          Y = HeaderY;
        }
        const double MaxY = Band->MaxY;
        PreviewPages->CutObjects(Position);
        // A header moving with the row is in the block already.
        const int HI = Position == HeaderPosition ? FHeaderList.IndexOf(Band->Header) : -1;
        double HeaderLeft = 0;
        if (HI >= 0) {
          HeaderLeft = FHeaderList.Items(HI)->Left;
          FHeaderList.RemoveItem(Band->Header);
        }
        NewColumn();
        if (HI >= 0) FHeaderList.AddItem(Band->Header, HeaderLeft, false);
        PreviewPages->PasteObjects(CurX, CurY);
        CurY += MaxY - Y;
      }
    } else {
      CurY = Band->MaxY;
    }
    HeaderPosition = 0;
  }
  Band->SetCurColumn(Band->CurColumn() + 1);
}

// ---------------------------------------------------------------------------------------------
// Child rows

void TrepEngine::FillChildRows(TrepDataBand* Band, TrepBand* RowBand, bool AfterFooters, int PageCount, int Position,
                               TrepXMLItem* Outline, int Anchor) {
  FLockResetAggregates = false;
  TrepChild* Child = RowBand != nullptr ? RowBand->Child() : nullptr;
  if (Child != nullptr && PreviewPages->Count() == PageCount) {
    if (AfterFooters) PreviewPages->CutObjects(Position);
    // The free space keeps room for the footers that come back below the rows.
    FPrevFooterHeight = CurY - PreviewPages->GetLastY(0) + FooterHeight();
    if (AfterFooters) CurY = PreviewPages->GetLastY(0);
    // A block still open from an enclosing band cannot be cut while the footers are.
    if (AfterFooters && FKeeping) {
      FKeeping = false;
      FAggregates.EndKeep();
    }
    FBreakShowBandTree = false;
    int Counter = Child->ToNRowsMode == rmCount ? Band->LineN : 1;
    Child->LineN = 1;
    const bool TillPageEnds = Child->ToNRowsMode == rmTillPageEnds;
    // A page without end has no end to fill up to.
    const int Limit = TillPageEnds && FPage->EndlessHeight ? 0 : MaxChildRows;
    const bool SaveFilling = FFillingRows;
    FFillingRows = AfterFooters;
    try {
      for (int N = 0; N < Limit && (TillPageEnds ? !FBreakShowBandTree : Counter <= Child->ToNRows); ++N) {
        CurLine = Band->LineN;
        CurLineThrough = Band->LineThrough;
        const double Before = CurY;
        ShowBand(Child);
        ++Counter;
        ++Band->LineN;
        ++Band->LineThrough;
        // A row that takes no room would fill an endless or an empty page for ever.
        if (TillPageEnds && CurY <= Before) break;
      }
    } catch (...) {
      FFillingRows = SaveFilling;
      FPrevFooterHeight = 0;
      throw;
    }
    FFillingRows = SaveFilling;
    if (AfterFooters) {
      PreviewPages->PasteObjects(CurX, CurY);
      if (PreviewPages->Count() != PageCount) {
        // The rows ran onto a new page, and the footers went with them.
        if (PreviewPages->Outline() != nullptr) PreviewPages->Outline()->ShiftItems(Outline, RoundY(CurY));
        PreviewPages->ShiftAnchors(Anchor, RoundY(CurY));
      } else {
        if (Outline != nullptr && Outline->Parent() != nullptr)
          ShiftTopsOnPage(Outline->Parent(), Outline->Parent()->IndexOf(Outline), RoundY(CurY));
        if (TrepPreviewPages* S = Store()) ShiftTopsOnPage(S->FindAnchorRoot(), Anchor, RoundY(CurY));
      }
      CurY = PreviewPages->GetLastY(CurX);
    }
    FPrevFooterHeight = 0;
  }
  if (Band->Footer != nullptr) FinishBandAggregates(Band->Footer, paDataFinished);
}

// ---------------------------------------------------------------------------------------------
// Suppressed repeated values

void TrepEngine::RecalcBandOnNewPage(TrepBand* Band) {
  bool Any = false;
  for (TrepComponent* C : Band->Objects())
    if (auto* M = dynamic_cast<TrepCustomMemoView*>(C); M != nullptr && M->SuppressRepeated) {
      M->ResetSuppress();
      Any = true;
    }
  if (!Any || Band->HasVBands) return;
  UnStretch(Band);
  CurLine = Band->LineN;
  CurLineThrough = Band->LineThrough;
  SecondScriptCall = true;
  try {
    Stretch(Band);
  } catch (...) {
    SecondScriptCall = false;
    throw;
  }
  SecondScriptCall = false;
  FStretchedHeight[Band] = Band->Height();
}
