// The layout engine: the run and its passes, report pages, page copies, opening and closing
// pages. Band output and stretching are in repEngineBands.cpp, shifting in repEngineShift.cpp.
#include "report/engine/repEngine.h"

#include <cmath>

#include "platform/rt/DateUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repPostProcessor.h"
#include "report/engine/repPreviewPages.h"

TrepEngine::TrepEngine(TrepReport* AReport) : TrepCustomEngine(AReport), FAggregates(AReport) {
  FAggregates.Evaluate = [this](const std::u16string& Expr) {
    return FReport != nullptr && FReport->Evaluate ? FReport->Evaluate(Expr) : rt::Variant::Null();
  };
}

TrepEngine::~TrepEngine() = default;

void TrepEngine::ReportError(const std::string& Text) {
  if (FReport != nullptr) FReport->Errors().Add(Text);
}

TrepPreviewPages* TrepEngine::Store() { return dynamic_cast<TrepPreviewPages*>(PreviewPages); }


double TrepEngine::GetPageHeight() {
  if (FPage != nullptr && FPage->EndlessHeight) return FooterHeight() + CurY;
  return PageHeight;
}

double TrepEngine::HeaderHeight(bool AddReprintOnNewPage) {
  double Result = 0;
  auto Chain = [&](TrepBand* B) {
    for (int Guard = 0; B != nullptr && Guard < 1000; ++Guard) {
      if (B->Visible()) Result += B->Height();
      B = B->Child();
    }
  };
  Chain(FindBand<TrepColumnHeader>());
  Chain(FindBand<TrepPageHeader>());
  if (AddReprintOnNewPage)
    for (int I = 0; I < FHeaderList.Count(); ++I)
      if (TrepBand* B = FHeaderList.Items(I)->Band; B != nullptr && B->Visible()) Result += B->Height();
  return Result;
}

double TrepEngine::FooterHeight() {
  double Result = 0;
  for (TrepBand* B : {static_cast<TrepBand*>(FindBand<TrepColumnFooter>()), static_cast<TrepBand*>(FindBand<TrepPageFooter>())})
    if (B != nullptr && B->Visible()) Result += B->Height();
  return Result;
}

double TrepEngine::FreeSpace() {
  if (FPage != nullptr && FPage->EndlessHeight) return 1000000;
  if (FPrevFooterHeight != 0) return GetPageHeight() - FPrevFooterHeight - CurY;
  return GetPageHeight() - FooterHeight() - CurY;
}

rt::Variant TrepEngine::GetAggregateValue(const std::string& Name, const std::string& Expression, TrepBand* Band,
                                          int Flags) {
  return FAggregates.GetValue(FCurBand, CurVColumn, Name, rt::Utf8ToUtf16(Expression), Band, Flags);
}

void TrepEngine::ProcessObject(TrepView* ReportObject) {
  if (ReportObject == nullptr || PreviewPages == nullptr) return;
  if (ReportObject->Processing().ProcessAt == paCustom)
    PreviewPages->PostProcessor().ProcessObject(FReport, ReportObject);
}

// ---------------------------------------------------------------------------------------------
// The run

bool TrepEngine::Initialize() {
  FPrevFooterHeight = 0;
  PreviewPages->Initialize();
  PreviewPages->AddPageAction = apAdd;
  const double N = rt::Now();
  StartDate = std::floor(N);
  StartTime = N - std::floor(N);
  Running = true;
  FKeeping = false;
  CurVColumn = 0;
  FOutputTo = nullptr;
  FVMasterBand = nullptr;
  FAggregates.Clear();
  FStretchedHeight.clear();
  const int ErrorsBefore = FReport->Errors().Count();
  for (int I = 0; I < FReport->PagesCount(); ++I) {
    auto* P = dynamic_cast<TrepReportPage*>(FReport->GetPages(I));
    if (P == nullptr) continue;
    FPage = P;
    BuildBandTree(P);
    BuildBandTree(P, true);
  }
  for (int I = 0; I < FReport->PagesCount(); ++I) {
    auto* P = dynamic_cast<TrepReportPage*>(FReport->GetPages(I));
    if (P == nullptr) continue;
    TrepDataSet* RD = FReport->DataSet();
    if (RD != nullptr && RD == P->DataSet()) {
      ReportError("Cannot use the same dataset for Report.DataSet and Page.DataSet");
      break;
    }
    for (TrepBand* B : P->SubBands) {
      TrepDataSet* D = DataSetOf(B);
      if (D == nullptr) continue;
      if (RD != nullptr && D == RD) {
        ReportError("Cannot use the same dataset for Report.DataSet and Band.DataSet");
        break;
      }
      if (P->DataSet() != nullptr && D == P->DataSet()) {
        ReportError("Cannot use the same dataset for Page.DataSet and Band.DataSet");
        break;
      }
    }
  }
  FPage = nullptr;
  // Errors left from before the run (loading, an earlier run) do not stop this one.
  return FReport->Errors().Count() == ErrorsBefore;
}

void TrepEngine::Finalize() {
  // The template gets back the objects its vertical bands borrowed, whatever happened.
  RestoreVerticalObjects();
  FVMasterBand = nullptr;
  FVHeaderList.clear();
  FVPageList.clear();
  try {
    FReport->DataSets().Finalize();
  } catch (...) {
    PreviewPages->Finish();
    FShifter.Clear();
    Running = false;
    throw;
  }
  PreviewPages->Finish();
  FShifter.Clear();
  Running = false;
  // The run's bands may not outlive it (a report that restores itself replaces them).
  FCurBand = FLastBandOnPage = FStartNewPageBand = nullptr;
  FStretchedHeight.clear();
  FHeaderList.Clear();
}

bool TrepEngine::Run(bool ARunDialogs, bool AClearLast, TrepPage* APage) {
  (void)AClearLast;
  if (FReport == nullptr || PreviewPages == nullptr) return false;
  bool Result = false;
  bool Initialized = false;
  try {
    Initialized = Initialize();
    if (Initialized) {
      FReport->DataSets().Initialize();
      FReport->DoNotifyEvent(FReport, FReport->OnStartReport);
      Result = !ARunDialogs || ShowDialogPages();
    }
    if (Initialized && Result) {
      auto* Only = dynamic_cast<TrepReportPage*>(APage);
      auto AddSource = [&](TrepReportPage* P) {
        FPage = P;
        PreviewPages->AddSourcePage(P);
        FAggregates.AddItems(P);
      };
      if (APage != nullptr) {
        if (Only != nullptr) AddSource(Only);
      } else {
        for (int I = 0; I < FReport->PagesCount(); ++I)
          if (auto* P = dynamic_cast<TrepReportPage*>(FReport->GetPages(I))) AddSource(P);
      }
      if (APage == nullptr || Only != nullptr) {
        FinalPass = !DoublePass();
        TotalPages = 0;
        PreviewPages->BeginPass();
        int LastColumn = 0;
        double LastColumnPos = 0;
        TrepPreviewPages* S = Store();
        if (S != nullptr && PreviewPages->Count() > 0 && DoublePass()) S->GetLastColumnPos(LastColumn, LastColumnPos);
        RunAllPages(Only);
        if (DoublePass() && !FReport->Terminated()) {
          TotalPages = PreviewPages->Count();
          PreviewPages->CurPage = PreviewPages->Count() - 1;
          PreviewPages->ClearFirstPassPages();
          if (PreviewPages->CurPage >= 0 && S != nullptr) S->UpdatePageLastColumn(LastColumn, LastColumnPos, true);
          FAggregates.ClearValues();
          FinalPass = true;
          RunAllPages(Only);
        }
      }
    }
  } catch (...) {
    if (Initialized) FReport->DoNotifyEvent(FReport, FReport->OnStopReport);
    FPage = nullptr;
    Finalize();
    throw;
  }
  if (Initialized) FReport->DoNotifyEvent(FReport, FReport->OnStopReport);
  FPage = nullptr;
  Finalize();
  return Result;
}

bool TrepEngine::ShowDialogPages() {
  if (!FReport->OnRunDialogs.empty()) {
    rt::Variant P = rt::VarArrayOf({rt::Variant(true)});
    FReport->DoParamEvent(FReport->OnRunDialogs, P);
    return P.ArrayGet({0}).ToBoolean();
  }
  for (int I = 0; I < FReport->PagesCount(); ++I) {
    auto* D = dynamic_cast<TrepDialogPage*>(FReport->GetPages(I));
    if (D == nullptr || !D->Visible()) continue;
    D->Form().BorderStyle = static_cast<rt::TFormBorderStyle>(D->BorderStyle);
    if (D->Form().ControlCount() == 0) continue;
    int Answer;
    if (OnRunDialog) {
      OnRunDialog(D);
      Answer = D->ModalResult();
    } else {
      Answer = D->ShowModal();
    }
    if (Answer == rt::mrCancel) return false;
  }
  return true;
}

void TrepEngine::RunAllPages(TrepReportPage* OnlyPage) {
  FFirstReportPage = true;
  FPagesThisPass = 0;
  if (TrepDataSet* D = FReport->DataSet()) {
    if (!D->CanEnd()) {
      ReportError("Dataset \"" + D->UserName() + "\" has no end");
      return;
    }
    D->First();
    while (!D->Eof() && !FReport->Terminated()) {
      RunPagesOnce(OnlyPage);
      D->Next();
    }
  } else {
    RunPagesOnce(OnlyPage);
  }
}

void TrepEngine::RunPagesOnce(TrepReportPage* OnlyPage) {
  if (OnlyPage != nullptr) {
    FPage = OnlyPage;
    ProcessReportPage();
    FFirstReportPage = false;
    return;
  }
  for (int I = 0; I < FReport->PagesCount(); ++I) {
    auto* P = dynamic_cast<TrepReportPage*>(FReport->GetPages(I));
    if (P == nullptr || P->IsSubReport() || !P->Visible()) continue;
    FPage = P;
    ProcessReportPage();
    if (FReport->Terminated()) break;
    FFirstReportPage = false;
  }
}

void TrepEngine::ProcessReportPage() {
  if (FPage->IsSubReport()) {
    OutputDataBands(FPage);
    return;
  }
  FIsFirstBand = true;
  FReport->CurObject = FPage->Name();
  FReport->DoNotifyEvent(FPage, FPage->OnBeforePrint);
  if (TrepDataSet* D = FPage->DataSet()) {
    if (!D->CanEnd()) {
      ReportError("Dataset \"" + D->UserName() + "\" has no end");
    } else {
      D->First();
      while (!D->Eof() && !FReport->Terminated()) {
        ProcessPageCopy();
        D->Next();
      }
    }
  } else {
    for (int I = 0; I < FPage->PageCount() && !FReport->Terminated(); ++I) ProcessPageCopy();
  }
  FReport->CurObject = FPage->Name();
  FReport->DoNotifyEvent(FPage, FPage->OnAfterPrint);
}

void TrepEngine::ProcessPageCopy() {
  if (!HasDataRows(FPage, FPage->PrintIfEmpty && FReport->EngineOptions.PrintIfEmpty)) return;
  StartReportPage();
  OutputPageObjects();
  if (FReport->OnManualBuild)
    FReport->OnManualBuild(FPage);
  else if (!FPage->OnManualBuild.empty())
    FReport->DoNotifyEvent(FPage, FPage->OnManualBuild);
  else
    OutputDataBands(FPage);
  FIsLastPage = true;
  if (FPage->EndlessHeight || FPage->EndlessWidth) {
    const double W = FPage->EndlessWidth ? (FPage->LeftMargin + FPage->RightMargin) * PixelsPerMM + PageWidth
                                         : FPage->PaperWidth() * PixelsPerMM;
    double H = FPage->PaperHeight() * PixelsPerMM;
    if (FPage->EndlessHeight) {
      PageHeight = FooterHeight() + CurY;
      H = PageHeight + (FPage->TopMargin + FPage->BottomMargin) * PixelsPerMM;
    }
    if (TrepPreviewPages* S = Store()) S->UpdatePageDimensions(FPage, W, H);
  }
  EndPage();
  FIsLastPage = false;
  FinishBandAggregates(nullptr, paReportPageFinished);
}

void TrepEngine::AddPageOutline() {
  if (FPage == nullptr || FPage->OutlineText.empty() || PreviewPages->Outline() == nullptr) return;
  PreviewPages->Outline()->LevelRoot();
  rt::Variant V;
  try {
    V = FReport->Calc(FPage->OutlineText);
  } catch (const ErepExpressionError&) {
    return;  // recorded by the report
  }
  PreviewPages->Outline()->AddItem(V.ToString(), 0);
}

void TrepEngine::StartReportPage() {
  FHeaderList.Clear();
  TrepBand* Title = FindBand<TrepReportTitle>();
  TrepBand* Header = FindBand<TrepPageHeader>();
  if (FPage->TitleBeforeHeader) {
    FHeaderList.AddItem(Title, 0, false);
    FHeaderList.AddItem(Header, 0, false);
  } else {
    FHeaderList.AddItem(Header, 0, false);
    FHeaderList.AddItem(Title, 0, false);
  }
  PageHeight = (FPage->PaperHeight() - FPage->TopMargin - FPage->BottomMargin) * PixelsPerMM;
  PageWidth = (FPage->PaperWidth() - FPage->LeftMargin - FPage->RightMargin) * PixelsPerMM;
  CurX = CurY = FPageCurX = 0;
  CurColumn = 1;
  FVMasterBand = nullptr;
  FIsFirstPage = true;
  FIsLastPage = false;
  FTitlePrinted = false;
  if (PreviewPages->Outline() != nullptr) PreviewPages->Outline()->LevelRoot();
  if (FPage->ResetPageNumbers) PreviewPages->ResetLogicalPageNumber();
  if (PreviewPages->Count() > 0 && FPage->PrintOnPreviousPage) {
    // Output goes on under what the previous report page left on its last page.
    PreviewPages->CurPage = PreviewPages->Count() - 1;
    // In the column the previous report page ended in, unless this page has one column or
    // prints its title across the page first.
    int Column = 0;
    double ColumnX = 0;
    if (TrepPreviewPages* S = Store()) S->GetLastColumnPos(Column, ColumnX);
    const bool Single = FPage->Columns() < 2 || (Title != nullptr && FPage->ShowTitleOnPreviousPage);
    if (Single || Column < 0) {
      Column = 0;
      ColumnX = 0;
    }
    CurX = ColumnX;
    CurY = PreviewPages->GetLastY(CurX);
    if (Column != 0)
      CurColumn = Column;
    else
      FFirstColumnY = CurY;
    if (Title != nullptr) FHeaderList.RemoveItem(Title);
    if (Single && Title != nullptr) {
      // A title that does not fit goes to a new page, not to the next column.
      CurColumn = FPage->Columns();
      try {
        ShowBand(Title);
      } catch (...) {
        CurColumn = 1;
        throw;
      }
      CurColumn = 1;
      FFirstColumnY = CurY;
    }
  } else {
    OpenNewPage();
    FFirstColumnY = CurY;
  }
  if (FFirstReportPage) PreviewPages->FirstPage = PreviewPages->CurPage;
  if (TrepBand* CH = FindBand<TrepColumnHeader>()) {
    ShowBand(CH);
    FHeaderList.AddItem(CH, 0, false);
  }
  if (Title != nullptr) FHeaderList.RemoveItem(Title);
  AddPageOutline();
}

void TrepEngine::OpenNewPage() {
  if (++FPagesThisPass > MaxPagesPerPass) {
    ReportError("The report stopped after " + std::to_string(MaxPagesPerPass) + " pages");
    FReport->SetTerminated(true);
    return;
  }
  FPrevFooterHeight = 0;
  PreviewPages->AddPage(FPage);
  CurY = 0;
  if (auto* Overlay = FindBand<TrepOverlay>(); Overlay != nullptr && !Overlay->PrintOnTop) {
    const bool Keep = FCallFromAddPage;
    FCallFromAddPage = true;
    try {
      ShowBand(Overlay);
    } catch (...) {
      FCallFromAddPage = Keep;
      throw;
    }
    FCallFromAddPage = Keep;
    CurY = 0;
  }
  FFirstColumnY = 0;
  const double SaveX = CurX;
  for (int I = 0; I < FHeaderList.Count(); ++I) {
    TrepHeaderListItem& E = *FHeaderList.Items(I);
    CurX = E.Left;
    TrepBand* B = E.Band;
    if (B == nullptr || B == FStartNewPageBand) continue;
    const bool IsPageHeader = dynamic_cast<TrepPageHeader*>(B) != nullptr;
    if (IsPageHeader && FIsFirstPage && !static_cast<TrepPageHeader*>(B)->PrintOnFirstPage) {
      if (B->PrintChildIfInvisible && B->Child() != nullptr)
        B = B->Child();
      else
        continue;
    }
    // A kept block that moves here brings its own headers.
    if (!FKeepFooter && ((FKeepHeader && dynamic_cast<TrepHeader*>(B) != nullptr) || (FKeeping && E.IsInKeepList)))
      continue;
    if (dynamic_cast<TrepHeader*>(B) != nullptr && B == FLastBandOnPage) continue;
    if (FDontShowHeaders && (dynamic_cast<TrepHeader*>(B) != nullptr || dynamic_cast<TrepGroupHeader*>(B) != nullptr))
      continue;
    const bool IsTitle = dynamic_cast<TrepReportTitle*>(B) != nullptr;
    if (IsTitle) E.Band = nullptr;  // the title prints once
    const int SaveLine = CurLine, SaveLineThrough = CurLineThrough;
    CurLine = B->LineN;
    CurLineThrough = B->LineThrough;
    const bool SaveAdd = FCallFromAddPage, SavePH = FCallFromPHeader;
    FCallFromAddPage = true;
    FCallFromPHeader = IsPageHeader;
    B->Overflow = true;
    auto Restore = [&] {
      B->Overflow = false;
      FCallFromAddPage = SaveAdd;
      FCallFromPHeader = SavePH;
      CurLine = SaveLine;
      CurLineThrough = SaveLineThrough;
    };
    try {
      ShowBand(B);
    } catch (...) {
      Restore();
      CurX = SaveX;
      throw;
    }
    Restore();
    if (IsPageHeader) {
      auto It = FStretchedHeight.find(B);
      FFirstColumnY = It != FStretchedHeight.end() ? It->second : B->Height();
    }
    if (IsTitle && FIsFirstBand) FTitlePrinted = true;
  }
  CurX = SaveX;
}

void TrepEngine::OutputPageObjects() {
  auto* Band = new TrepNullBand(nullptr);
  // The band only carries the page's objects for one output; they keep their owner and parent,
  // and the page's name index is not told of the borrowed list.
  auto Notify = std::move(Band->Objects().OnNotifyList);
  Band->Objects().OnNotifyList = nullptr;
  Band->SetWidth(PageWidth);
  Band->SetHeight(GetPageHeight());
  for (TrepComponent* C : FPage->Objects())
    if (dynamic_cast<TrepBand*>(C) == nullptr && dynamic_cast<TrepReportComponent*>(C) != nullptr)
      Band->Objects().Add(C);
  const double SaveY = CurY;
  auto Release = [&] {
    CurY = SaveY;
    if (FCurBand == Band) FCurBand = nullptr;
    FShifter.ClearContainer(Band);
    FStretchedHeight.erase(Band);
    Band->Objects().Clear();
    Band->Objects().OnNotifyList = std::move(Notify);
    delete Band;
  };
  try {
    if (Band->Objects().Count() > 0) ShowBand(Band);
  } catch (...) {
    Release();
    throw;
  }
  Release();
}

void TrepEngine::EndPage() {
  if (!FCallFromEndPage) OutputColumnFooter();
  // A following report page printed on this one goes on in the last column used.
  if (FPage != nullptr && FPage->Columns() > 1)
    if (TrepPreviewPages* S = Store()) S->UpdatePageLastColumn(CurColumn, CurX, false);
  if (!FIsLastPage) {
    CurX = FPageCurX;
    CurColumn = 1;
  } else if (!FCallFromEndPage) {
    FCallFromEndPage = true;
    try {
      if (TrepBand* Summary = FindBand<TrepReportSummary>())
        ShowBand(Summary);
      else
        FinishBandAggregates(nullptr, paReportFinished);
    } catch (...) {
      FCallFromEndPage = false;
      throw;
    }
    FCallFromEndPage = false;
  }
  if (auto* Footer = FindBand<TrepPageFooter>()) {
    CurY = GetPageHeight() - Footer->Height();
    FPrevFooterHeight = FIsLastPage && Footer->PrintOnLastPage ? Footer->Height() : 0;
    OutputPageEndBand(Footer);
  }
  if (auto* Overlay = FindBand<TrepOverlay>(); Overlay != nullptr && Overlay->PrintOnTop) {
    CurY = 0;
    OutputPageEndBand(Overlay);
  }
  FIsFirstPage = false;
}
