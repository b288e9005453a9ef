// Preview arithmetic without windows: scroll clamping, page rows, page lookup, zoom modes, page
// numbers, progress pacing, page settings and text search over drawn pages.
#include "report/engine/repPreviewLayout.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>

#include "platform/rt/Unicode.h"
#include "platform/rt/Variants.h"
#include "report/engine/repPrinter.h"
#include "report/engine/repRes.h"
#include "report/engine/repInPlaceEditors.h"
#include "report/engine/repUtils.h"

namespace {

// A4 at 96 pixels per inch: the placeholder of a page that is not there.
constexpr int kA4Width = 794;
constexpr int kA4Height = 1123;
// Gap between pages and rows, and the margin the layout pass keeps beside the pages.
constexpr int kGap = 10;
constexpr int kSideRoom = 26;
// Pages either side of the first visible one that a lookup scans.
constexpr int kScanNeighbours = 20;
// Zoom limits: written, and reached with the wheel.
constexpr double kMinZoom = 0.25;
constexpr double kMinWheelZoom = 0.3;
// Pages laid out one by one while a report is still running.
constexpr int kIncrementalPages = 50;

int RoundI(double X) { return RoundHalfEven(X); }


std::uint32_t SteadyTicks() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Collects every text output of a page drawing with its bounding rectangle.
class TTextCollector : public gfx::TCanvas {
public:
  void FillRect(const gfx::TRect&) override {}
  void Rectangle(int, int, int, int) override {}
  void Ellipse(int, int, int, int) override {}
  bool GeometricLine(int, int, int, int, const gfx::TGeometricPen&) override { return true; }
  void ExtTextOut(const gfx::TTextOut& T) override {
    int W = 0;
    for (int D : T.Dx) W += D;
    const int H = std::abs(T.FontHeight);
    gfx::TRect R{T.X, T.Y, T.X + W, T.Y + H};
    if (T.Clip) {
      R.Left = std::max(R.Left, T.Clip->Left);
      R.Top = std::max(R.Top, T.Clip->Top);
      R.Right = std::min(R.Right, T.Clip->Right);
      R.Bottom = std::min(R.Bottom, T.Clip->Bottom);
    }
    Texts.push_back({T.Text, R});
  }
  std::vector<TrepDrawnText> Texts;

protected:
  void DrawLine(int, int, int, int) override {}
};

std::u16string Upper(const std::u16string& S) { return rt::WideUpperCase(S); }

} // namespace

// ---------------------------------------------------------------------------------------------
// TrepScrollWin

void TrepScrollWin::SetPosition(TrepScrollAxis& A, int Orientation, int Value) {
  if (OnScrollPosChange) OnScrollPosChange(this, Orientation, Value);
  if (Value > A.Range - A.Page) Value = A.Range - A.Page;
  if (Value < 0) Value = 0;
  if (Value == A.Position) return;
  A.Position = Value;
  if (Orientation == 0) HorzPositionChanged();
  else VertPositionChanged();
}

void TrepScrollWin::SetRange(TrepScrollAxis& A, int Orientation, int Value) {
  if (OnScrollMaxChange && Value - A.Page >= 0) OnScrollMaxChange(this, Orientation, Value - A.Page);
  A.Range = Value;
}

void TrepScrollWin::SetHorzPosition(int Value) { SetPosition(FHorz, 0, Value); }
void TrepScrollWin::SetVertPosition(int Value) { SetPosition(FVert, 1, Value); }
void TrepScrollWin::SetHorzRange(int Value) { SetRange(FHorz, 0, Value); }
void TrepScrollWin::SetVertRange(int Value) { SetRange(FVert, 1, Value); }

void TrepScrollWin::SetHorzPage(int Value) {
  FHorz.Page = Value;
  SetHorzRange(FHorz.Range);
}

void TrepScrollWin::SetVertPage(int Value) {
  FVert.Page = Value;
  SetVertRange(FVert.Range);
}

void TrepScrollWin::Scroll(bool Vertical, TrepScrollCode Code) {
  TrepScrollAxis& A = Vertical ? FVert : FHorz;
  int P = A.Position;
  switch (Code) {
    case scLineUp: P -= SmallChange; break;
    case scLineDown: P += SmallChange; break;
    case scPageUp: P -= LargeChange; break;
    case scPageDown: P += LargeChange; break;
    case scTop: P = 0; break;
    case scBottom: P = A.Range; break;
  }
  SetPosition(A, Vertical ? 1 : 0, P);
}

// ---------------------------------------------------------------------------------------------
// TrepPageList

void TrepPageList::AddPage(int AWidth, int AHeight, double Zoom) {
  FItems.push_back({RoundI(Zoom * AHeight), RoundI(Zoom * AWidth), 0, 0});
}

void TrepPageList::CalcBounds(int ClientWidth) {
  FMaxWidth = 0;
  int Y = kGap;
  std::size_t I = 0;
  while (I < FItems.size()) {
    const std::size_t RowStart = I;
    int X = 0, RowHeight = 0;
    while (I < FItems.size() && (X == 0 || X + FItems[I].Width <= ClientWidth)) {
      FItems[I].OffsetX = X;
      FItems[I].OffsetY = Y;
      RowHeight = std::max(RowHeight, FItems[I].Height);
      X += FItems[I].Width + kGap;
      ++I;
    }
    FMaxWidth = std::max(FMaxWidth, X);
    int Shift = (ClientWidth - X + kGap) / 2;
    if (Shift < 0) Shift = 0;
    Shift += kGap;
    for (std::size_t K = RowStart; K < I; ++K) FItems[K].OffsetX += Shift;
    Y += RowHeight + kGap;
  }
}

int TrepPageList::FindPage(int OffsetY, int OffsetX) const {
  int Lo = 0, Hi = Count() - 1;
  while (Hi >= Lo) {
    const int Mid = (Lo + Hi) / 2;
    const int Slack = OffsetX != 0 ? 0 : RoundI(FItems[static_cast<std::size_t>(Mid)].Height / 5.0);
    if (FItems[static_cast<std::size_t>(Mid)].OffsetY > OffsetY + Slack) Hi = Mid - 1;
    else Lo = Mid + 1;
  }
  if (OffsetX == 0) return Hi;
  for (int I = std::max(0, Hi - kScanNeighbours); I <= Hi + kScanNeighbours && I < Count(); ++I) {
    const TrepPageItem& P = FItems[static_cast<std::size_t>(I)];
    if (OffsetX >= P.OffsetX && OffsetX <= P.OffsetX + P.Width && OffsetY >= P.OffsetY &&
        OffsetY <= P.OffsetY + P.Height)
      return I;
  }
  return Hi;
}

gfx::TRect TrepPageList::GetPageBounds(int Index, int ClientWidth, double Scale, bool RTL) const {
  gfx::TRect R{};
  if (Index < 0 || Index >= Count()) {
    R.Left = ClientWidth >= Scale * kA4Width ? RoundI((ClientWidth - Scale * kA4Width) / 2) : kGap;
    R.Top = RoundI(Scale * kGap);
    R.Right = R.Left + RoundI(Scale * kA4Width);
    R.Bottom = R.Top + RoundI(Scale * kA4Height);
    return R;
  }
  const TrepPageItem& P = FItems[static_cast<std::size_t>(Index)];
  R.Left = RTL ? ClientWidth - P.Width - P.OffsetX : P.OffsetX;
  R.Top = P.OffsetY;
  R.Right = R.Left + P.Width;
  R.Bottom = R.Top + P.Height;
  return R;
}

gfx::TPoint TrepPageList::GetMaxBounds() const {
  if (FItems.empty()) return {0, 0};
  return {FMaxWidth, FItems.back().OffsetY + FItems.back().Height};
}

// ---------------------------------------------------------------------------------------------
// Text search

std::vector<TrepDrawnText> repDrawnTexts(TrepCustomPreviewPages& Pages, int Index) {
  TTextCollector C;
  Pages.DrawPage(Index, C, 1, 1, 0, 0, false);
  return std::move(C.Texts);
}

bool repSearchPages(TrepCustomPreviewPages& Pages, TrepSearchState& S) {
  S.Found = false;
  S.Hits.clear();
  S.HitPages.clear();
  if (S.FindAll) S.LastFoundPage = 0;
  if (S.LastFoundPage < 0) S.LastFoundPage = 0;
  if (S.Text.empty()) return false;
  const std::u16string Needle = S.CaseSensitive ? S.Text : Upper(S.Text);
  const int Count = Pages.Count();
  while (S.LastFoundPage < Count) {
    const std::vector<TrepDrawnText> Texts = repDrawnTexts(Pages, S.LastFoundPage);
    for (int Rec = 0; Rec < static_cast<int>(Texts.size()); ++Rec) {
      const std::u16string& T = Texts[static_cast<std::size_t>(Rec)].Text;
      const std::size_t Pos = (S.CaseSensitive ? T : Upper(T)).find(Needle);
      if (Pos == std::u16string::npos) continue;
      if (Rec <= S.LastHitRecord) continue;
      if (S.FindAll) {
        // Up to 10 characters either side of the hit.
        const std::size_t From = Pos > 10 ? Pos - 10 : 0;
        const std::size_t Len = std::min(T.size() - From, (Pos - From) + Needle.size() + 10);
        S.Hits.push_back({S.LastFoundPage, T.substr(From, Len), Texts[static_cast<std::size_t>(Rec)].Bounds});
        if (std::find(S.HitPages.begin(), S.HitPages.end(), S.LastFoundPage) == S.HitPages.end())
          S.HitPages.push_back(S.LastFoundPage);
        continue;
      }
      S.Found = true;
      S.FoundRect = Texts[static_cast<std::size_t>(Rec)].Bounds;
      S.LastHitRecord = Rec;
      return true;
    }
    ++S.LastFoundPage;
    S.LastHitRecord = -1;
  }
  return S.FindAll && !S.Hits.empty();
}

// ---------------------------------------------------------------------------------------------
// Outline

namespace {

void ReadLevel(TrepCustomOutline& O, std::vector<TrepOutlineNode>& Into, int Depth) {
  const int N = O.Count();
  for (int I = 0; I < N; ++I) {
    TrepOutlineNode Node;
    O.GetItem(I, Node.Text, Node.Page, Node.Top);
    if (Depth < repMaxOutlineDepth) {
      O.LevelDown(I);
      ReadLevel(O, Node.Children, Depth + 1);
      O.LevelUp();
    }
    Into.push_back(std::move(Node));
  }
}

} // namespace

std::vector<TrepOutlineNode> repOutlineTree(TrepCustomOutline& Outline) {
  std::vector<TrepOutlineNode> R;
  Outline.LevelRoot();
  ReadLevel(Outline, R, 1);
  Outline.LevelRoot();
  return R;
}

// ---------------------------------------------------------------------------------------------
// TrepPreviewWorkspace

TrepPreviewWorkspace::TrepPreviewWorkspace() {
  SmallChange = 8;
  LargeChange = 300;
}

void TrepPreviewWorkspace::Resize(int AWidth, int AHeight) {
  FClientWidth = AWidth;
  FClientHeight = AHeight;
  SetHorzPage(AWidth);
  SetVertPage(AHeight);
}

void TrepPreviewWorkspace::UpdateScrollBars() {
  const gfx::TPoint M = FPageList.GetMaxBounds();
  SetHorzRange(M.X + kGap);
  SetVertRange(M.Y + kGap);
}

void TrepPreviewWorkspace::ShowPage(int APageNo) {
  if (DisableUpdate) return;
  SetVertPosition(FPageList.GetPageBounds(APageNo - 1, FClientWidth, Zoom, RTLLanguage).Top - kGap);
}

void TrepPreviewWorkspace::SetPosition(int PageN, int Top) {
  if (PreviewPages == nullptr) return;
  TrepReportPage* P = PreviewPages->GetPage(PageN - 1);
  if (P == nullptr) return;
  const int A = Top == 0 ? 0 : RoundI((P->TopMargin * fr01cm + Top) * Zoom);
  SetVertPosition(FPageList.GetPageBounds(PageN - 1, FClientWidth, Zoom, RTLLanguage).Top + A - kGap);
}

int TrepPreviewWorkspace::GetTopPosition() {
  if (PreviewPages == nullptr) return 0;
  TrepReportPage* P = PreviewPages->GetPage(PageNo - 1);
  if (P == nullptr) return 0;
  const int PageTop = FPageList.GetPageBounds(PageNo - 1, FClientWidth, Zoom, RTLLanguage).Top;
  return RoundI((VertPosition() - PageTop + kGap) / Zoom - P->TopMargin * fr01cm);
}

void TrepPreviewWorkspace::HandScroll(int FromX, int FromY, int X, int Y) {
  SetHorzPosition(HorzPosition() + FromX - X);
  SetVertPosition(VertPosition() + FromY - Y);
}

int TrepPreviewWorkspace::PageAtPoint(int X, int Y) const {
  const int PX = RTLLanguage ? FClientWidth - FOffset.X - X : X + FOffset.X;
  return FPageList.FindPage(Y + FOffset.Y, PX);
}

TrepRect TrepPreviewWorkspace::SelectionToPage(const gfx::TRect& Band, int Index) {
  TrepRect R;
  const gfx::TRect PR = FPageList.GetPageBounds(Index, FClientWidth, Zoom, RTLLanguage);
  TrepReportPage* P = PreviewPages != nullptr ? PreviewPages->GetPage(Index) : nullptr;
  double M = 0, TopM = 0;
  if (P != nullptr) {
    M = P->MirrorMargins && Index % 2 == 1 ? P->RightMargin : P->LeftMargin;
    TopM = P->TopMargin;
  }
  const double OX = PR.Left - FOffset.X + M * fr01cm * Zoom;
  const double OY = PR.Top - FOffset.Y + TopM * fr01cm * Zoom;
  R.Left = (std::min(Band.Left, Band.Right) - OX) / Zoom;
  R.Right = (std::max(Band.Left, Band.Right) - OX) / Zoom;
  R.Top = (std::min(Band.Top, Band.Bottom) - OY) / Zoom;
  R.Bottom = (std::max(Band.Top, Band.Bottom) - OY) / Zoom;
  return R;
}

void TrepPreviewWorkspace::HorzPositionChanged() { FOffset.X = HorzPosition(); }

void TrepPreviewWorkspace::VertPositionChanged() {
  FOffset.Y = VertPosition();
  if (IsThumbnail || FPreview == nullptr) return;
  DisableUpdate = true;
  FPreview->PageScrolled(FPreview->SavedPageNo != -1 ? FPreview->SavedPageNo : FPageList.FindPage(FOffset.Y, 0) + 1);
  DisableUpdate = false;
}

// ---------------------------------------------------------------------------------------------
// TrepPreview

TrepPreview::TrepPreview() : TickCount(SteadyTicks) {
  FWorkspace.SetPreview(this);
  FThumbnail.SetPreview(this);
  FThumbnail.IsThumbnail = true;
  FThumbnail.Zoom = 0.1;
  UseReportHints = true;
  // The editors registered for the preview: copy and paste of objects' content go through them.
  SetInPlaceEditorsList(ComponentEditorsRegistry().CreateEditorsInstances(evPreview, this));
}

TrepPreview::~TrepPreview() {
  ClearAllTabs();
  if (Report != nullptr && Report->Preview() == this) Report->SetPreview(nullptr);
  // The first tab's report may not be the one shown last.
  if (!FTabs.empty() && FTabs[0]->Report != nullptr && FTabs[0]->Report->Preview() == this)
    FTabs[0]->Report->SetPreview(nullptr);
  FTabs.clear();
}

bool TrepPreview::Init(TrepReport* AReport, TrepCustomPreviewPages* APreviewPages) {
  if (FCalledFromPreview) return false;
  DropFreedReports();
  if (FInitialized && EachReportInTab && AReport != nullptr) {
    AddPreviewTabOrSwitch(AReport);
    return false;
  }
  Report = AReport;
  FPreviewPages = APreviewPages;
  TrepCustomPreview::PreviewPages = APreviewPages;
  FWorkspace.PreviewPages = APreviewPages;
  FThumbnail.PreviewPages = APreviewPages;
  ResetSearch();
  AllowF3 = false;
  if (FInitialized && !FTabs.empty()) {
    // A report attached again that a tab already shows is shown there (a drill-down hands its
    // report back to the control); any other report goes to the first tab.
    for (int I = 1; I < TabCount(); ++I) {
      const TrepPreviewTabItem& T = *FTabs[static_cast<std::size_t>(I)];
      if (T.Report == AReport && T.PreviewPages == APreviewPages) {
        if (I == FCurTab) UpdatePages();
        else SetCurrentTab(I);
        return true;
      }
    }
    TrepPreviewTabItem& T0 = *FTabs[0];
    // The same pages attached again keep their place (a drill-down comes back through here).
    const bool Same = T0.Report == AReport && T0.PreviewPages == APreviewPages;
    T0.Report = AReport;
    T0.ReportHandle = rt::VarFromObject(AReport);
    T0.PreviewPages = APreviewPages;
    T0.DetailPage.clear();
    if (FCurTab != 0) {
      SetCurrentTab(0);
    } else {
      UpdatePages();
      if (!Same) First();
    }
    return true;
  }
  if (!FInitialized && AReport != nullptr) {
    if (AReport->PreviewOptions.ZoomMode != zmDefault) FZoomMode = AReport->PreviewOptions.ZoomMode;
    else FZoom = std::max(kMinZoom, AReport->PreviewOptions.Zoom);
  }
  if (FTabs.empty()) {
    auto T = std::make_unique<TrepPreviewTabItem>();
    if (AReport != nullptr) T->Name = !AReport->FileName.empty() ? repFileBaseName(AReport->FileName) : AReport->Name();
    T->Report = AReport;
    T->ReportHandle = rt::VarFromObject(AReport);
    T->PreviewPages = APreviewPages;
    T->Zoom = FZoom;
    T->ZoomMode = FZoomMode;
    FTabs.push_back(std::move(T));
    FCurTab = 0;
  }
  FInitialized = true;
  UpdatePages();
  First();
  return true;
}

void TrepPreview::UnInit(TrepCustomPreviewPages* APreviewPages) {
  // A report that lets go of its pages (it is going away) is dropped too, so no pointer to it
  // stays behind: so are the tabs of those pages, and the detail-page tabs of that report, whose
  // pages refer to it.
  TrepReport* Going = nullptr;
  for (const auto& T : FTabs)
    if (T->PreviewPages == APreviewPages && T->Report != nullptr) Going = T->Report;
  if (Report != nullptr && Report->Preview() == this && Report->PreviewPages() == APreviewPages) Going = Report;
  if (!FTabs.empty()) {
    if (DropTabs([&](const TrepPreviewTabItem& T) {
          return T.PreviewPages == APreviewPages || (Going != nullptr && T.Report == Going);
        }))
      return;
  } else if (APreviewPages != FPreviewPages && Going == nullptr) {
    return;
  }
  DetachAll();
}

bool TrepPreview::DropTabs(const std::function<bool(const TrepPreviewTabItem&)>& Drops) {
  const auto At = [&](int I) { return Drops(*FTabs[static_cast<std::size_t>(I)]); };
  // A tab that stays is shown before the others go.
  int Keep = FCurTab >= 0 && FCurTab < TabCount() && !At(FCurTab) ? FCurTab : -1;
  for (int I = TabCount() - 1; Keep < 0 && I >= 0; --I)
    if (!At(I)) Keep = I;
  if (Keep >= 0 && Keep != FCurTab) SetCurrentTab(Keep);
  for (int I = TabCount() - 1; I >= 0; --I) {
    if (!At(I)) continue;
    DeleteTab(I);
    if (FCurTab > I) --FCurTab;
  }
  if (!FTabs.empty()) return true;
  FCurTab = -1;
  return false;
}

void TrepPreview::DetachAll() {
  Report = nullptr;
  FPreviewPages = nullptr;
  TrepCustomPreview::PreviewPages = nullptr;
  FWorkspace.PreviewPages = nullptr;
  FThumbnail.PreviewPages = nullptr;
  FWorkspace.ClearPageList();
  FThumbnail.ClearPageList();
  FInitialized = false;
}

int TrepPreview::PageCount() { return FPreviewPages != nullptr ? FPreviewPages->Count() : 0; }

void TrepPreview::SetPageNo(int Value) {
  if (Value < 1) Value = 1;
  if (Value > PageCount()) Value = PageCount();
  FPageNo = Value;
  FWorkspace.PageNo = Value;
  FThumbnail.PageNo = Value;
  KeepingPage([&] { FWorkspace.ShowPage(Value); });
  FThumbnail.ShowPage(Value);
  if (OnPageChanged) OnPageChanged(this, FPageNo);
}

void TrepPreview::PageScrolled(int APageNo) {
  if (!FShowingPage) SetPageNo(APageNo);
}

void TrepPreview::KeepingPage(const std::function<void()>& Op) {
  const bool Was = FShowingPage;
  FShowingPage = true;
  try {
    Op();
  } catch (...) {
    FShowingPage = Was;
    throw;
  }
  FShowingPage = Was;
}

void TrepPreview::SetZoom(double Value) {
  if (!(Value >= kMinZoom)) Value = kMinZoom;
  FZoom = Value;
  FZoomMode = zmDefault;
  UpdatePages();
}

void TrepPreview::SetZoomMode(TrepZoomMode Value) {
  FZoomMode = Value;
  UpdatePages();
}

void TrepPreview::UpdatePages() {
  if (FLocked || PageCount() == 0) return;
  AllowF3 = false;
  const int Index = std::clamp(FPageNo, 1, PageCount()) - 1;
  const gfx::TPoint Size = FPreviewPages->GetPageSize(Index);
  if (Size.Y == 0) return;
  const int W = FWorkspace.ClientWidth(), H = FWorkspace.ClientHeight();
  if (FZoomMode == zmWholePage) {
    const int SB = PageCount() >= 2 ? ScrollBarWidth : 0;
    const int PW = std::max(1, W - SB - kSideRoom), PH = std::max(1, H - kSideRoom);
    const double FX = static_cast<double>(Size.X) / PW, FY = static_cast<double>(Size.Y) / PH;
    FZoom = (!(FX <= FY) || Size.X == 0) ? static_cast<double>(PW) / std::max(1, Size.X) : static_cast<double>(PH) / Size.Y;
  } else if (FZoomMode == zmPageWidth && Size.X > 0) {
    FZoom = static_cast<double>(W - ScrollBarWidth - kSideRoom) / Size.X;
  }
  FWorkspace.Zoom = FZoom;
  FThumbnail.Zoom = 0.1;
  FWorkspace.ClearPageList();
  FThumbnail.ClearPageList();
  for (int I = 0; I < PageCount(); ++I) {
    const gfx::TPoint P = FPreviewPages->GetPageSize(I);
    FWorkspace.AddPage(P.X, P.Y);
    if (!FRunning) FThumbnail.AddPage(P.X, P.Y);
  }
  FWorkspace.CalcPageBounds(W - ScrollBarWidth - kSideRoom);
  if (!FRunning) FThumbnail.CalcPageBounds(FThumbnail.ClientWidth());
  FWorkspace.UpdateScrollBars();
  FThumbnail.UpdateScrollBars();
  FWorkspace.SetHorzPosition(FWorkspace.HorzPosition());
  FWorkspace.SetVertPosition(FWorkspace.VertPosition());
  if (FZoomMode == zmWholePage) KeepingPage([&] { FWorkspace.SetPosition(FPageNo, 0); });
}

void TrepPreview::MouseWheelScroll(int WheelDelta, bool Ctrl, bool Horizontal) {
  if (WheelDelta == 0) return;
  const int Sign = WheelDelta > 0 ? 1 : -1;
  if (Ctrl) {
    double Z = FZoom + Sign / 10.0;
    if (Z < kMinWheelZoom) Z = kMinWheelZoom;
    SetZoom(Z);
    return;
  }
  const int Step = -Sign * 20;
  if (Horizontal) FWorkspace.SetHorzPosition(FWorkspace.HorzPosition() + Step);
  else FWorkspace.SetVertPosition(FWorkspace.VertPosition() + Step);
}

void TrepPreview::Unlock() {
  FLocked = false;
  UpdatePages();
}

void TrepPreview::RefreshReport() {
  DropFreedReports();
  if (Report == nullptr) return;
  TrepReport* R = Report;
  TrepPreviewTabItem* T = FCurTab > 0 ? CurTab() : nullptr;
  const int SavedPage = FPageNo;
  const int SavedLeft = FWorkspace.HorzPosition(), SavedTop = FWorkspace.VertPosition();
  const double SavedZoom = FZoom;
  const TrepZoomMode SavedMode = FZoomMode;
  Lock();
  Refreshing = true;
  try {
    auto* Detail = T != nullptr && !T->DetailPage.empty() && T->PreviewPages != nullptr
                       ? dynamic_cast<TrepPage*>(R->FindObject(T->DetailPage))
                       : nullptr;
    if (Detail != nullptr) {
      // The page alone into the tab's own pages; the report then has its own pages back, so
      // that it never keeps a store the tab frees.
      TrepCustomPreviewPages* Own = R->PreviewPages();
      T->PreviewPages->Clear();
      R->SetTerminated(false);
      R->SetPreviewPages(T->PreviewPages);
      try {
        R->PreparePage(Detail);
      } catch (...) {
        R->SetPreviewPages(Own);
        throw;
      }
      R->SetPreviewPages(Own);
    } else {
      R->PrepareReport(true);
    }
    FZoom = SavedZoom;
    FZoomMode = SavedMode;
    FLocked = false;
    SetPageNo(std::min(SavedPage, PageCount()));
    UpdatePages();
  } catch (...) {
    Refreshing = false;
    FLocked = false;
    throw;
  }
  Refreshing = false;
  FWorkspace.SetHorzPosition(SavedLeft);
  KeepingPage([&] { FWorkspace.SetVertPosition(SavedTop); });
  if (FPageNo > PageCount()) SetPageNo(PageCount());
}

void TrepPreview::Cancel() {
  if (FRunning && Report != nullptr) Report->SetTerminated(true);
}

void TrepPreview::InternalOnProgressStart(TrepReport* Sender, TrepProgressType ProgressType, int Progress) {
  (void)ProgressType, (void)Progress;
  if (Refreshing) return;
  Clear();
  if (Sender != nullptr) Sender->DrillState().Clear();
  FRunning = true;
}

void TrepPreview::InternalOnProgress(TrepReport* Sender, TrepProgressType ProgressType, int Progress) {
  (void)ProgressType;
  if (Refreshing) {
    if (OnPageChanged) OnPageChanged(this, FPageNo);
    return;
  }
  TrepCustomEngine* E = Sender != nullptr ? Sender->Engine() : nullptr;
  const bool Final = E != nullptr && E->FinalPass;
  const int W = FWorkspace.ClientWidth() - ScrollBarWidth - kSideRoom;
  if (Final && Progress < kIncrementalPages && FPreviewPages != nullptr && Progress < FPreviewPages->Count()) {
    const gfx::TPoint P = FPreviewPages->GetPageSize(Progress);
    FWorkspace.AddPage(P.X, P.Y);
    FWorkspace.CalcPageBounds(W);
  }
  if (Progress == 0) {
    SetPageNo(1);
    if (Final) UpdatePages();
    FTick = TickCount();
  } else if (Progress == 1) {
    const std::uint32_t Elapsed = TickCount() - FTick;
    FTick = Elapsed < 5 ? 50 : Elapsed < 10 ? 20 : 5;
    SetPageNo(1);
    if (Final) UpdatePages();
  } else if (FTick != 0 && static_cast<unsigned>(Progress) % FTick == 0) {
    if (OnPageChanged) OnPageChanged(this, FPageNo);
    if (Final) FWorkspace.UpdateScrollBars();
  }
}

void TrepPreview::InternalOnProgressStop(TrepReport* Sender, TrepProgressType ProgressType, int Progress) {
  (void)Sender, (void)ProgressType, (void)Progress;
  if (Refreshing) return;
  FRunning = false;
  if (OnPageChanged) OnPageChanged(this, FPageNo);
  UpdatePages();
  FWorkspace.UpdateScrollBars();
  FThumbnail.UpdateScrollBars();
}

namespace {

// Lock around a prepared-pages operation, unlocked also when it fails.
template <class F>
void WithLock(TrepPreview& P, F&& Op) {
  P.Lock();
  try {
    Op();
  } catch (...) {
    P.Unlock();
    throw;
  }
  P.Unlock();
}

} // namespace

void TrepPreview::SaveToFile(const std::string& FileName) {
  if (FRunning || FPreviewPages == nullptr) return;
  WithLock(*this, [&] { FPreviewPages->SaveToFile(FileName); });
}

void TrepPreview::LoadFromFile(const std::string& FileName) {
  if (FRunning || FPreviewPages == nullptr) return;
  Lock();
  try {
    FPreviewPages->LoadFromFile(FileName, false);
  } catch (...) {
    SetPageNo(1);
    Unlock();
    throw;
  }
  SetPageNo(1);
  Unlock();
}

bool TrepPreview::Export(TrepCustomExportFilter* Filter) {
  if (FRunning || FPreviewPages == nullptr || Filter == nullptr) return false;
  FPreviewPages->CurPreviewPage = FPageNo;
  bool Result = false;
  WithLock(*this, [&] { Result = FPreviewPages->Export(Filter); });
  return Result;
}

bool TrepPreview::Print() {
  if (FRunning || FPreviewPages == nullptr || PageCount() == 0) return false;
  FPreviewPages->CurPreviewPage = FPageNo;
  // The pages lock the control while they print; it is unlocked here whatever happened.
  bool Result = false;
  try {
    Result = FPreviewPages->Print();
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
  return Result;
}

void TrepPreview::AddPage() {
  if (FRunning || FPreviewPages == nullptr) return;
  FPreviewPages->AddEmptyPage(FPageNo - 1);
  UpdatePages();
  SetPageNo(FPageNo);
}

void TrepPreview::DeletePage() {
  if (FRunning || FPreviewPages == nullptr || PageCount() == 0) return;
  FPreviewPages->DeletePage(FPageNo - 1);
  if (FPageNo >= PageCount()) FPageNo = std::max(1, FPageNo - 1);
  UpdatePages();
  SetPageNo(FPageNo);
}

void TrepPreview::Clear() {
  if (FRunning) return;
  if (FPreviewPages != nullptr) {
    Lock();
    try {
      FPreviewPages->Clear();
    } catch (...) {
      FLocked = false;
      throw;
    }
    FLocked = false;
  }
  FWorkspace.ClearPageList();
  FThumbnail.ClearPageList();
  SetPageNo(1);
  FWorkspace.SetHorzRange(0);
  FWorkspace.SetVertRange(0);
  FThumbnail.SetHorzRange(0);
  FThumbnail.SetVertRange(0);
}

void TrepPreview::ApplyPageSettings(TrepReportPage* Settings, bool ToAllPages) {
  if (Settings == nullptr || FRunning) return;
  if (ToAllPages) {
    if (Report == nullptr) return;
    for (TrepComponent* C : std::vector<TrepComponent*>(Report->AllObjects())) {
      auto* P = dynamic_cast<TrepReportPage*>(C);
      if (P == nullptr || P == Settings) continue;
      P->SetOrientation(Settings->Orientation());
      P->SetPaperWidth(Settings->PaperWidth());
      P->SetPaperHeight(Settings->PaperHeight());
      P->SetPaperSize(Settings->PaperSize());
      P->LeftMargin = Settings->LeftMargin;
      P->RightMargin = Settings->RightMargin;
      P->TopMargin = Settings->TopMargin;
      P->BottomMargin = Settings->BottomMargin;
    }
    Report->PrepareReport(true);
    return;
  }
  if (FPreviewPages == nullptr) return;
  Lock();
  try {
    FPreviewPages->ModifyPage(FPageNo - 1, Settings);
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

void TrepPreview::OutlineNodeClick(const TrepOutlineNode& Node) {
  FWorkspace.SetPosition(Node.Page + 1, Node.Top);
  FWorkspace.DisableUpdate = true;
  SetPageNo(Node.Page + 1);
  FWorkspace.DisableUpdate = false;
}

void TrepPreview::ShowSearchHit(const TrepSearchHit& Hit) {
  FSearch.FoundRect = Hit.Bounds;
  FSearch.Found = true;
  FSearch.LastFoundPage = Hit.Page;
  ScrollToFoundText();
}

void TrepPreview::SelectRubberBand(const gfx::TRect& Band, int X, int Y) {
  if (Report == nullptr || FPreviewPages == nullptr || !Report->PreviewOptions.Buttons.Contains(pbSelection)) return;
  if (Band.Left == Band.Right || Band.Top == Band.Bottom) return;
  const int Index = FWorkspace.PageAtPoint(X, Y);
  TrepReportPage* P = FPreviewPages->GetPage(Index);
  if (P == nullptr) return;
  std::vector<TrepComponent*> Found;
  P->GetContainedComponents(FWorkspace.SelectionToPage(Band, Index), TrepView::ClassInfo(), &Found);
  for (TrepComponent* C : Found) SelectionList().Add(C);
}

void TrepPreview::ResetSearch() {
  FSearch.Found = false;
  FSearch.LastFoundPage = 0;
  FSearch.LastHitRecord = -1;
}

bool TrepPreview::FindText(const std::u16string& SearchString, bool FromTop, bool IsCaseSensitive) {
  FSearch.Text = SearchString;
  FSearch.CaseSensitive = IsCaseSensitive;
  FSearch.LastFoundPage = FromTop ? 0 : std::max(0, FPageNo - 1);
  FSearch.LastHitRecord = -1;
  if (FPreviewPages == nullptr) return false;
  repSearchPages(*FPreviewPages, FSearch);
  AllowF3 = FSearch.Found;
  if (FSearch.Found) ScrollToFoundText();
  return FSearch.Found;
}

bool TrepPreview::FindNext() {
  if (!AllowF3 || FPreviewPages == nullptr) return false;
  repSearchPages(*FPreviewPages, FSearch);
  AllowF3 = FSearch.Found;
  if (FSearch.Found) ScrollToFoundText();
  return FSearch.Found;
}

void TrepPreview::FindTextClear() {
  FSearch.LastHitRecord = -1;
  FSearch.LastFoundPage = 0;
  FSearch.Found = false;
}

void TrepPreview::ScrollToFoundText() {
  TrepPreviewWorkspace& W = FWorkspace;
  const gfx::TRect P = W.PageList().GetPageBounds(FSearch.LastFoundPage, W.ClientWidth(), W.Zoom, W.RTLLanguage);
  const gfx::TRect& F = FSearch.FoundRect;
  const gfx::TRect R{RoundI(F.Left * W.Zoom), RoundI(F.Top * W.Zoom), RoundI(F.Right * W.Zoom), RoundI(F.Bottom * W.Zoom)};
  const gfx::TPoint O = W.Offset();
  if (P.Top + R.Top < O.Y || W.ClientHeight() + O.Y < P.Top + R.Bottom)
    W.SetVertPosition(P.Top + R.Bottom - W.ClientHeight() + 20);
  if (P.Left + R.Left < O.X || W.ClientWidth() + O.X < P.Left + R.Right)
    W.SetHorzPosition(P.Left + R.Right - W.ClientWidth() + 20);
}

// ---------------------------------------------------------------------------------------------
// TrepPageSettings

TrepPageSettings::TrepPageSettings(TrepReportPage* Page, TrepDesignerUnits AUnits)
    : Units(AUnits), PaperSize(Page->PaperSize()), PaperWidth(Page->PaperWidth()), PaperHeight(Page->PaperHeight()),
      LeftMargin(Page->LeftMargin), TopMargin(Page->TopMargin), RightMargin(Page->RightMargin),
      BottomMargin(Page->BottomMargin), Orientation(Page->Orientation()) {
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  TrepCustomPrinter* P = GetPrinters().Printer();
  if (P == nullptr) return;
  P->Init();  // the paper list is filled on first use
  if (P->PaperIndex(PaperSize) == -1) PaperSize = 256;
}

std::vector<std::pair<std::string, int>> TrepPageSettings::PaperNames() {
  std::vector<std::pair<std::string, int>> R;
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  TrepCustomPrinter* P = GetPrinters().Printer();
  if (P == nullptr) return R;
  P->Init();
  const rt::TStringList& L = P->Papers();
  // The list keeps each paper's number as the entry's object (names may repeat or be empty).
  for (int I = 0; I < L.Count(); ++I)
    R.emplace_back(L[I], static_cast<int>(reinterpret_cast<std::intptr_t>(L.Objects(I))));
  return R;
}

double TrepPageSettings::ToUnits(double Millimetres) const {
  return Units == duInches ? Millimetres / 25.4 : Millimetres / 10;
}

double TrepPageSettings::FromUnits(double Value) const { return Units == duInches ? Value * 25.4 : Value * 10; }

std::string TrepPageSettings::Shown(double Millimetres) const { return FloatToShortText(ToUnits(Millimetres)); }

std::string TrepPageSettings::UnitLabel() const { return ResourceTable().Get(Units == duInches ? "uInch" : "uCm"); }

void TrepPageSettings::SizeEdited(double AWidthMM, double AHeightMM) {
  PaperSize = 256;
  PaperWidth = AWidthMM;
  PaperHeight = AHeightMM;
}

void TrepPageSettings::PaperChosen(int APaperSize) {
  PaperSize = APaperSize;
  double W = 0, H = 0;
  if (APaperSize < 256 && GetPaperDimensions(APaperSize, W, H)) {
    if (Orientation == poLandscape) std::swap(W, H);
    PaperWidth = W;
    PaperHeight = H;
  }
}

void TrepPageSettings::OrientationChosen(TPrinterOrientation Value) {
  if (Value != Orientation) std::swap(PaperWidth, PaperHeight);
  Orientation = Value;
}

void TrepPageSettings::Apply(TrepReportPage* Page) const {
  Page->SetOrientation(Orientation);
  Page->SetPaperWidth(PaperWidth);
  Page->SetPaperHeight(PaperHeight);
  Page->SetPaperSize(PaperSize);
  Page->LeftMargin = LeftMargin;
  Page->TopMargin = TopMargin;
  Page->RightMargin = RightMargin;
  Page->BottomMargin = BottomMargin;
  Page->AlignChildren(false, {});
}
