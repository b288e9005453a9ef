// The preview control's tabs without a tab strip: one tab per report or drill-down page shown,
// each with its own prepared pages, zoom, scroll positions and page; and the control's answers
// to what the prepared pages ask of it (page jumps, message and hint lines, repaint, addresses).
#include <algorithm>

#include "report/engine/repPreviewLayout.h"

#include "platform/rt/Variants.h"

std::string repFileBaseName(const std::string& Path) {
  const auto Slash = Path.find_last_of("/\\");
  return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

bool TrepPreview::ReportFreed(const TrepPreviewTabItem& T) {
  return T.Report != nullptr && rt::VarFindObject(T.ReportHandle) == nullptr;
}

void TrepPreview::DropFreedReports() {
  if (std::none_of(FTabs.begin(), FTabs.end(), [](const auto& T) { return ReportFreed(*T); })) return;
  if (!DropTabs(ReportFreed)) DetachAll();
}

bool TrepPreview::HasTab(const std::string& Name) const {
  return std::any_of(FTabs.begin(), FTabs.end(), [&](const auto& T) { return !ReportFreed(*T) && T->Name == Name; });
}

bool TrepPreview::HasTab(TrepReport* AReport) const {
  if (AReport == nullptr) return false;
  return std::any_of(FTabs.begin(), FTabs.end(), [&](const auto& T) {
    return !ReportFreed(*T) && T->Report == AReport && T->PreviewPages == AReport->PreviewPages();
  });
}

void TrepPreview::SwitchToTab(const std::string& Name) {
  DropFreedReports();
  for (int I = 0; I < TabCount(); ++I)
    if (FTabs[static_cast<std::size_t>(I)]->Name == Name) {
      SetCurrentTab(I);
      return;
    }
}

void TrepPreview::SwitchToTab(TrepReport* AReport) {
  DropFreedReports();
  for (int I = 0; I < TabCount(); ++I) {
    const TrepPreviewTabItem& T = *FTabs[static_cast<std::size_t>(I)];
    if (T.Report == AReport && T.PreviewPages == AReport->PreviewPages()) {
      SetCurrentTab(I);
      return;
    }
  }
}

int TrepPreview::AddPreviewTab(TrepReport* AReport, const std::string& TabName, const std::string& DetailPage,
                               const std::string& TabCaption, std::unique_ptr<TrepReport> OwnedReport,
                               std::unique_ptr<TrepCustomPreviewPages> OwnedPages) {
  auto T = std::make_unique<TrepPreviewTabItem>();
  T->Name = TabName;
  T->Caption = TabCaption.empty() ? TabName : TabCaption;
  T->Report = AReport;
  T->ReportHandle = rt::VarFromObject(AReport);
  T->PreviewPages = OwnedPages ? OwnedPages.get() : AReport != nullptr ? AReport->PreviewPages() : nullptr;
  T->DetailPage = DetailPage;
  T->PageNo = 1;
  T->ZoomMode = ZoomMode();
  T->Zoom = Zoom();
  T->OwnedReport = std::move(OwnedReport);
  T->OwnedPages = std::move(OwnedPages);
  FTabs.push_back(std::move(T));
  const int Index = TabCount() - 1;
  if (FCurTab < 0) FInitialized = true;
  SetCurrentTab(Index);
  return Index;
}

void TrepPreview::AddPreviewTabOrSwitch(TrepReport* AReport, const std::string& TabName) {
  if (AReport == nullptr) return;
  if (HasTab(AReport)) {
    SwitchToTab(AReport);
    return;
  }
  std::string Name = TabName;
  if (Name.empty()) Name = !AReport->FileName.empty() ? repFileBaseName(AReport->FileName) : AReport->Name();
  AddPreviewTab(AReport, Name, "", "");
}

void TrepPreview::AddTab(TrepReport* AReport, std::unique_ptr<TrepReport> OwnedReport,
                         std::unique_ptr<TrepCustomPreviewPages> OwnedPages, const std::string& Name,
                         const std::string& PageName, const std::string& Caption) {
  AddPreviewTab(AReport, Name, PageName, Caption, std::move(OwnedReport), std::move(OwnedPages));
}

void TrepPreview::SetCurrentTab(int Index) {
  if (Index < 0 || Index >= TabCount()) return;
  if (ReportFreed(*FTabs[static_cast<std::size_t>(Index)])) {
    DropFreedReports();
    return;
  }
  if (Index != FCurTab) {
    if (TrepPreviewTabItem* Old = CurTab()) {
      Old->ZoomMode = FZoomMode;
      Old->Zoom = FZoom;
      Old->Left = FWorkspace.HorzPosition();
      Old->Top = FWorkspace.VertPosition();
      Old->PageNo = FPageNo;
    }
  }
  TrepPreviewTabItem& T = *FTabs[static_cast<std::size_t>(Index)];
  FCurTab = Index;
  TrepReport* R = T.Report;
  // The tab's report answers to this control (its hyperlinks and drill-downs land here); it
  // keeps its own prepared pages, the tab's are only shown.
  if (R != nullptr && R->Preview() != this) {
    FCalledFromPreview = true;
    try {
      R->SetPreview(this);
    } catch (...) {
      FCalledFromPreview = false;
      throw;
    }
    FCalledFromPreview = false;
  }
  Report = R;
  FPreviewPages = T.PreviewPages;
  TrepCustomPreview::PreviewPages = T.PreviewPages;
  FWorkspace.PreviewPages = T.PreviewPages;
  FThumbnail.PreviewPages = T.PreviewPages;
  ResetSearch();
  AllowF3 = false;
  int Page = T.PageNo;
  if (Page == 0 && PageCount() > 0) Page = 1;
  FPageNo = std::clamp(Page, PageCount() > 0 ? 1 : 0, PageCount());
  FZoomMode = T.ZoomMode;
  if (T.ZoomMode == zmDefault) FZoom = T.Zoom;
  // The tab's own place comes back as it was left, page number included.
  KeepingPage([&] {
    UpdatePages();
    FWorkspace.SetHorzPosition(T.Left);
    FWorkspace.SetVertPosition(T.Top);
  });
  FWorkspace.DisableUpdate = true;
  SetPageNo(FPageNo);
  FWorkspace.DisableUpdate = false;
}

void TrepPreview::DeleteTab(int Index) {
  std::unique_ptr<TrepPreviewTabItem> T = std::move(FTabs[static_cast<std::size_t>(Index)]);
  FTabs.erase(FTabs.begin() + Index);
  // A detail report made for the tab lets go of this control before it goes, so that its
  // farewell finds no tab of it; the pages refer to their report and go first.
  if (T->OwnedReport && T->OwnedReport->Preview() == this) {
    FCalledFromPreview = true;
    TrepReport* Shown = Report;
    TrepCustomPreviewPages* ShownPages = TrepCustomPreview::PreviewPages;
    T->OwnedReport->SetPreview(nullptr);
    Report = Shown;
    TrepCustomPreview::PreviewPages = ShownPages;
    FCalledFromPreview = false;
  }
  T->OwnedPages.reset();
  T->OwnedReport.reset();
}

void TrepPreview::RemoveTab(int Index) {
  if (!TabClosable(Index)) return;
  const TrepPreviewTabItem* Target = FTabs[static_cast<std::size_t>(Index)].get();
  // Tabs whose report is gone go first, so none of them is shown on the way.
  DropFreedReports();
  const auto It = std::find_if(FTabs.begin(), FTabs.end(), [&](const auto& T) { return T.get() == Target; });
  if (It == FTabs.end() || It == FTabs.begin()) return;
  Index = static_cast<int>(It - FTabs.begin());
  if (FCurTab == Index) SetCurrentTab(Index - 1);
  DeleteTab(Index);
  if (FCurTab > Index) --FCurTab;
}

void TrepPreview::ClearAllTabs() {
  DropFreedReports();
  if (FTabs.empty()) return;
  if (FCurTab != 0) SetCurrentTab(0);
  while (TabCount() > 1) DeleteTab(TabCount() - 1);
}

// ---------------------------------------------------------------------------------------------
// What the prepared pages ask of the control

void TrepPreview::ShowPage(int APageNo, int Top) {
  if (PageCount() == 0) return;
  APageNo = std::clamp(APageNo, 1, PageCount());
  if (Top == 0) {
    SetPageNo(APageNo);
    return;
  }
  KeepingPage([&] { FWorkspace.SetPosition(APageNo, Top); });
  FWorkspace.DisableUpdate = true;
  SetPageNo(APageNo);
  FWorkspace.DisableUpdate = false;
}

void TrepPreview::ShowMessageText(const std::string& Text, bool IsHint) {
  (IsHint ? FHintLineText : FMessageText) = Text;
  if (OnMessageText) OnMessageText(this, Text, IsHint);
}

void TrepPreview::ShowHintAt(const std::string& Hint, int X, int Y) {
  FHintText = Hint;
  FHintPos = {X, Y};
}

void TrepPreview::InvalidatePages() {
  ++FInvalidations;
  if (OnInvalidatePages) OnInvalidatePages(this);
}

void TrepPreview::OpenURL(const std::string& URL) {
  if (OnOpenURL) OnOpenURL(this, URL);
}
