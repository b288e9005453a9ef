// The prepared pages in an interactive preview: printing them, and the preview's mouse events
// over a page (the object under the mouse, its events, hints, hyperlinks, drill-down groups and
// objects changed by their handlers).
#include <cmath>
#include <memory>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "platform/rt/Variants.h"
#include "report/engine/repClass.h"
#include "report/engine/repInPlaceEditors.h"
#include "report/engine/repPreview.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repPrintPages.h"
#include "report/engine/repPrinter.h"

namespace {

int RoundPx(double V) { return static_cast<int>(std::lround(V)); }

// The parts of a hint "short|long"; without a bar both are the whole text.
std::string ShortHint(const std::string& Hint) {
  const auto Bar = Hint.find('|');
  return Bar == std::string::npos ? Hint : Hint.substr(0, Bar);
}
std::string LongHint(const std::string& Hint) {
  const auto Bar = Hint.find('|');
  return Bar == std::string::npos ? Hint : Hint.substr(Bar + 1);
}

template <class T>
T* Live(const rt::Variant& Handle) {
  return dynamic_cast<T*>(rt::VarFindObject(Handle));
}

} // namespace

bool TrepPreviewPages::Print() { return PrintPreparedPages(*this, GetPrinters()); }

TrepView* TrepPreviewPages::LastObjectOver() const { return Live<TrepView>(FLastObjectOver); }

TrepGroupHeader* TrepPreviewPages::LastDrill() const { return Live<TrepGroupHeader>(FLastDrill); }

void TrepPreviewPages::MouseLeaveCleanup(int X, int Y, TrepInteractiveEventsParams& EventParams) {
  TrepView* Last = LastObjectOver();
  FLastObjectOver = rt::Variant();
  FLastDrill = rt::Variant();
  if (FReport == nullptr) return;
  if (Last != nullptr) FReport->DoMouseLeave(Last, X, Y, nullptr, EventParams);
  if (TrepCustomPreview* P = FReport->Preview()) P->ShowHintAt("", X, Y);
}

void TrepPreviewPages::FollowHyperlink(TrepView* Obj, int X, int Y, TrepInteractiveEventsParams& EventParams) {
  TrepReport* R = FReport;
  TrepCustomPreview* Preview = R->Preview();
  if (Preview == nullptr) return;
  // A copy: the handlers below may free the object with its page.
  TrepHyperlink Link;
  Link.Assign(Obj->Hyperlink());
  switch (Link.Kind) {
    case hkURL:
      if (!Link.Value.empty()) Preview->OpenURL(Link.Value);
      break;
    case hkAnchor:
      if (TrepXMLItem* A = FindAnchor(Link.Value)) {
        const int Page = rt::StrToIntDef(rt::Utf16ToUtf8(A->GetProp("page")), 0);
        const int Top = rt::StrToIntDef(rt::Utf16ToUtf8(A->GetProp("top")), 0);
        Preview->ShowPage(Page + 1, Top);
      }
      break;
    case hkPageNumber: {
      // The value comes from report data: text that is no number goes nowhere.
      int PageNo = 0;
      if (rt::TryStrToInt(rt::Trim(Link.Value), PageNo)) Preview->ShowPage(PageNo);
      break;
    }
    case hkDetailReport: {
      if (Preview->HasTab(Link.Value)) {
        Preview->SwitchToTab(Link.Value);
        break;
      }
      MouseLeaveCleanup(X, Y, EventParams);
      auto Detail = std::make_unique<TrepReport>(nullptr);
      Detail->SetPreviewOptions(R->PreviewOptions);
      Detail->SetEngineOptions(R->EngineOptions);
      Detail->EngineOptions.AssignThreadProps(R->EngineOptions);
      Detail->OnLoadTemplate = R->OnLoadTemplate;
      if (R->OnLoadDetailTemplate)
        R->OnLoadDetailTemplate(Detail.get(), Link.DetailReport, Link);
      else
        Detail->LoadFromFile(Link.DetailReport);
      Link.AssignVariables(Detail.get());
      Detail->PrepareReport();
      TrepReport* Shown = Detail.get();
      Preview->AddTab(Shown, std::move(Detail), nullptr, Link.Value, "", Link.TabCaption);
      break;
    }
    case hkDetailPage: {
      if (Preview->HasTab(Link.Value)) {
        Preview->SwitchToTab(Link.Value);
        break;
      }
      auto* Page = dynamic_cast<TrepReportPage*>(R->FindObject(Link.DetailPage));
      if (Page == nullptr) break;
      Link.AssignVariables(R);
      MouseLeaveCleanup(X, Y, EventParams);
      R->SetTerminated(false);
      auto Pages = std::make_unique<TrepPreviewPages>(R);
      // The click may come from another detail page's tab: the report's own pages are not
      // necessarily this store.
      TrepCustomPreviewPages* Own = R->PreviewPages();
      R->SetPreview(nullptr);
      R->SetPreviewPages(Pages.get());
      try {
        R->PreparePage(Page);
      } catch (...) {
        R->SetPreviewPages(Own);
        R->SetPreview(Preview);
        throw;
      }
      // The tab keeps the page's store; the report goes back to its own pages and preview, so
      // that it never refers to a store the tab frees.
      R->SetPreviewPages(Own);
      R->SetPreview(Preview);
      Preview->AddTab(R, nullptr, std::move(Pages), Link.Value, Page->Name(), Link.TabCaption);
      break;
    }
    case hkCustom:
    case hkNone: break;
  }
}

gfx::TRect TrepPreviewPages::PixelRect(const TrepReportPage& Page, int Index, const TrepComponent& C, double Scale) {
  // Placed as ObjectOver places objects, so a point means the same object to both.
  const int OX = RoundPx(Scale * ((Page.MirrorMargins && Index % 2 == 1) ? Page.RightMargin : Page.LeftMargin) * fr01cm);
  const int OY = RoundPx(Scale * Page.TopMargin * fr01cm);
  return gfx::TRect{RoundPx(C.AbsLeft() * Scale) + OX, RoundPx(C.AbsTop() * Scale) + OY,
                    RoundPx((C.AbsLeft() + C.Width()) * Scale) + OX, RoundPx((C.AbsTop() + C.Height()) * Scale) + OY};
}

std::vector<TrepPreviewPages::TPointerArea> TrepPreviewPages::PointerAreas(int Index, double Scale, bool UseReportHints,
                                                                          std::size_t MaxAreas) {
  std::vector<TPointerArea> Areas;
  if (FReport == nullptr || Index < 0 || Index >= GetCount() || !(Scale > 0) || !std::isfinite(Scale)) return Areas;
  if (Engine != nullptr && Engine->Running) return Areas;
  TrepReportPage* Page = GetPage(Index);
  if (Page == nullptr) return Areas;
  LockPage();
  struct TUnlock {
    TrepPreviewPages& P;
    ~TUnlock() { P.UnlockPage(); }
  } Unlock{*this};
  const auto Box = [&](const TrepComponent& C) { return PixelRect(*Page, Index, C, Scale); };
  for (TrepComponent* C : Page->AllObjects()) {
    if (Areas.size() >= MaxAreas) break;
    if (auto* G = dynamic_cast<TrepGroupHeader*>(C)) {
      if (G->DrillDown) Areas.push_back({Box(*G), {}, {}, {}, true});
      continue;
    }
    auto* V = dynamic_cast<TrepView*>(C);
    if (V == nullptr) continue;
    TPointerArea A;
    if (!V->Hint.empty() && V->ShowHint && UseReportHints) {
      A.Hint = ShortHint(V->Hint);
      A.HintLine = LongHint(V->Hint);
    }
    A.Link = V->Hyperlink().Value;
    const auto* G = dynamic_cast<TrepGroupHeader*>(V->Parent());
    A.Hand = !A.Link.empty() || V->Cursor == crHandPoint || (G != nullptr && G->DrillDown);
    if (A.Hint.empty() && !A.Hand) continue;
    A.Rect = Box(*V);
    Areas.push_back(std::move(A));
  }
  return Areas;
}

void TrepPreviewPages::ObjectOver(int Index, int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift, double Scale,
                                  double OffsetX, double OffsetY, TrepPreviewIntEventParams& aEventParams) {
  TrepReport* R = FReport;
  if (R == nullptr || Index < 0 || Index >= GetCount()) return;
  if (Engine != nullptr && Engine->Running) return;
  // A zoom of zero or less places nothing.
  if (!(Scale > 0) || !std::isfinite(Scale)) return;
  TrepReportPage* Page = GetPage(Index);
  if (Page == nullptr) return;
  LockPage();
  struct TUnlock {
    TrepPreviewPages& P;
    ~TUnlock() { P.UnlockPage(); }
  } Unlock{*this};

  TrepCustomPreview* Preview = R->Preview();
  const TrepMouseIntEvents Event = aEventParams.MouseEventType;
  OffsetX += Scale * ((Page->MirrorMargins && Index % 2 == 1) ? Page->RightMargin : Page->LeftMargin) * fr01cm;
  OffsetY += Scale * Page->TopMargin * fr01cm;
  const int LX = X - RoundPx(OffsetX), LY = Y - RoundPx(OffsetY);

  TrepInteractiveEventsParams EP;
  if (Preview != nullptr) Preview->SetDefaultEventParams(EP);
  EP.OffsetX = OffsetX;
  EP.OffsetY = OffsetY;
  EP.Scale = Scale;

  // The object under the mouse: looked up on moves, else the one found before.
  TrepView* Last = LastObjectOver();
  TrepView* Obj = nullptr;
  if (Event == meMouseMove || Last == nullptr) {
    const double PX = (X - OffsetX) / Scale, PY = (Y - OffsetY) / Scale;
    TrepComponent* C = Page->GetContainedComponent(PX, PY);
    if (auto* G = dynamic_cast<TrepGroupHeader*>(C); G != nullptr && G->DrillDown) {
      const int L = RoundPx(G->AbsLeft() * Scale) + RoundPx(OffsetX);
      const int T = RoundPx(G->AbsTop() * Scale) + RoundPx(OffsetY);
      const int Rt = RoundPx((G->AbsLeft() + G->Width()) * Scale) + RoundPx(OffsetX);
      const int B = RoundPx((G->AbsTop() + G->Height()) * Scale) + RoundPx(OffsetY);
      if (X >= L && X < Rt && Y >= T && Y < B) FLastDrill = rt::VarFromObject(G);
    }
    if (auto* V = dynamic_cast<TrepView*>(C); V != nullptr && V->IsContain(PX, PY)) Obj = V;
  } else {
    Obj = Last;
  }

  const bool Selecting = R->PreviewOptions.Buttons.Contains(pbSelection);
  TrepSelectedObjectsList* Selection = EP.SelectionList;
  bool SelectionChanged = false;
  if (Selecting && Event == meMouseDown && ((Shift & rt::ssShift) == 0 || Obj == nullptr) && Selection != nullptr &&
      Selection->Count() > 0) {
    Selection->Clear();
    SelectionChanged = true;
  }

  bool Modified = false;
  rt::Variant ObjHandle;
  if (Obj != nullptr) {
    ObjHandle = rt::VarFromObject(Obj);
    if (Last != nullptr && Last != Obj) {
      R->DoMouseLeave(Last, LX, LY, Obj, EP);
      Last = LastObjectOver();
    }
    if (Obj != Last && Live<TrepView>(ObjHandle) != nullptr) {
      R->DoMouseEnter(Obj, Last, EP);
      FLastObjectOver = ObjHandle;
    }
    // Script handlers may have prepared the report again, which frees the page.
    Obj = Live<TrepView>(ObjHandle);
  }
  if (Obj != nullptr) {
    if (auto* G = dynamic_cast<TrepGroupHeader*>(Obj->Parent()); G != nullptr && G->DrillDown)
      FLastDrill = rt::VarFromObject(G);
    if (Obj->Cursor != crDefault) aEventParams.Cursor = Obj->Cursor;
    if (!Obj->Hyperlink().Value.empty()) {
      R->SetProgressMessage(Obj->Hyperlink().Value, false, false);
      if (Obj->Cursor == crDefault) aEventParams.Cursor = crHandPoint;
    }
    if (!Obj->Hint.empty() && Obj->ShowHint && Preview != nullptr && Preview->UseReportHints) {
      R->SetProgressMessage(LongHint(Obj->Hint), true, false);
      Preview->ShowHintAt(ShortHint(Obj->Hint), X, Preview->ShowsTabs() ? Y + 22 : Y);
    }

    switch (Event) {
      case meClick:
      case meDbClick: R->DoPreviewClick(Obj, Button, Shift, Modified, EP, Event == meDbClick); break;
      case meMouseMove: Obj->MouseMove(LX, LY, Shift, EP); break;
      case meMouseUp: R->DoMouseUp(Obj, LX, LY, Button, Shift, EP); break;
      case meMouseDown:
        aEventParams.RetResult = Obj->MouseDown(LX, LY, Button, Shift, EP);
        if (Selecting && (Shift & rt::ssShift) != 0 && Selection != nullptr) {
          if (Selection->IndexOf(Obj) >= 0)
            Selection->Remove(Obj);
          else
            Selection->Add(Obj);
          SelectionChanged = true;
        }
        break;
      case meDragOver:
        aEventParams.RetResult =
            Obj->DragOver(aEventParams.Sender, LX, LY, aEventParams.State, aEventParams.Accept, EP);
        break;
      case meDragDrop: Obj->DragDrop(aEventParams.Sender, X, Y, EP); break;
      case meMouseWheel: Obj->MouseWheel(Shift, aEventParams.WheelDelta, aEventParams.MousePos, EP); break;
    }

    Obj = Live<TrepView>(ObjHandle);
    if (Obj != nullptr) {
      const bool IsClick = Event == meClick || Event == meDbClick;
      if (!IsClick || LastDrill() != nullptr || LastObjectOver() == nullptr) {
        if (R->OnMouseOverObject) R->OnMouseOverObject(Obj);
      } else {
        FollowHyperlink(Obj, LX, LY, EP);
      }
      Obj = Live<TrepView>(ObjHandle);
    }

    if (Modified && Obj != nullptr) {
      if (auto* M = dynamic_cast<TrepCustomMemoView*>(Obj)) M->ApplyPreviewHighlight();
      ModifyObject(Obj);
      if (!Obj->OnContentChanged.empty()) {
        rt::TList Changed;
        rt::Variant P = rt::VarArrayOf({ObjHandle, rt::VarFromObject(&Changed), SelectionChanged});
        R->DoParamEvent(Obj->OnContentChanged, P, true);
        aEventParams.RetResult = true;
        SelectionChanged = P.ArrayGet({2}).ToBoolean();
        for (int I = 0; I < Changed.Count(); ++I)
          if (auto* V = dynamic_cast<TrepView*>(Changed.Items(I))) ModifyObject(V);
      }
      FLastDrill = rt::Variant();
    }
  } else if (LastObjectOver() != nullptr) {
    MouseLeaveCleanup(LX, LY, EP);
    R->SetProgressMessage("", false, false);
    R->SetProgressMessage("", true, false);
  }

  if ((SelectionChanged || Modified) && Preview != nullptr) Preview->InvalidatePages();

  if (TrepGroupHeader* Drill = LastDrill()) {
    aEventParams.Cursor = crHandPoint;
    if (Button == rt::mbLeft && Event == meClick) {
      rt::TStringList& State = R->DrillState();
      const int At = State.IndexOf(Drill->DrillName);
      if (At < 0)
        State.Add(Drill->DrillName);
      else
        State.Delete(At);
      FLastObjectOver = rt::Variant();
      FLastDrill = rt::Variant();
      if (Preview != nullptr) Preview->RefreshReport();
    }
  }
}
