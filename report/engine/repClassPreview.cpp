// The report's entry points for a host with windows: showing the prepared pages in a preview,
// the deferred preparation behind it, printing, the designer, and the preview's mouse events
// for views. The windows are the host's (repPreview.h); on the server none is registered.
#include "platform/rt/Variants.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repClassView.h"
#include "report/engine/repInPlaceEditors.h"
#include "report/engine/repPreview.h"
#include "report/script/sc_iinterpreter.h"

TrepPreviewWindowClass& PreviewWindowClass() {
  static TrepPreviewWindowClass Class;
  return Class;
}

TrepDesignerClass& DesignerClass() {
  static TrepDesignerClass Class;
  return Class;
}

// ---------------------------------------------------------------------------------------------
// TrepCustomDesigner

TrepCustomDesigner::TrepCustomDesigner(rt::TObject* AOwner, TrepReport* AReport, bool APreviewDesigner)
    : Report(AReport), FOwner(AOwner), FIsPreviewDesigner(APreviewDesigner) {}

TrepCustomDesigner::~TrepCustomDesigner() = default;

void TrepCustomDesigner::SetModified(bool Value) {
  FModified = Value;
  if (Value && Report != nullptr) Report->Modified = true;
}

// ---------------------------------------------------------------------------------------------
// Preview

void TrepReport::SetPreview(TrepCustomPreview* Value) {
  if (FPreview != nullptr && Value == nullptr) {
    FPreview->Report = nullptr;
    FPreview->PreviewPages = nullptr;
  }
  FPreview = Value;
  if (Value != nullptr) {
    Value->Init(this, FPreviewPages);
    Value->Report = this;
    Value->PreviewPages = FPreviewPages;
  }
}

void TrepReport::ShowReport(bool ClearLastReport) {
  if (FEngine && FEngine->Running) return;
  if (OldStyleProgress && FScript->IsRunning) throw rt::Exception("Rebuild itself from the script is not allowed!");
  if (ClearLastReport && FPreviewPages != nullptr) FPreviewPages->Clear();
  if (OldStyleProgress) {
    if (PrepareReport(false)) ShowPreparedReport();
    return;
  }
  // The preview opens empty and fills while the timer's preparation runs.
  FTimerEnabled = true;
  ShowPreparedReport();
}

void TrepReport::PreparationTimerTick() {
  if (!FTimerEnabled || FScript->IsRunning) return;
  FTimerEnabled = false;
  PrepareReport(false);
}

void TrepReport::ShowPreparedReport() {
  // One preview window per report: an earlier modeless one closes rather than being lost.
  ClosePreviewForm();
  if (FPreview != nullptr) {
    FPreview->Init(this, FPreviewPages);
    return;
  }
  const TrepPreviewWindowClass& Make = PreviewWindowClass();
  if (!Make) return;
  std::unique_ptr<TrepPreviewWindow> W = Make(*this, FDesigner.get());
  if (!W) return;
  if (TrepCustomPreview* C = W->PreviewControl()) {
    C->Report = this;
    C->PreviewPages = FPreviewPages;
    C->PreviewForm = W.get();
    FPreview = C;
  }
  FPreviewForm = std::move(W);
  FPreviewForm->Init();
  if (OnPreview) OnPreview(this);
  if (PreviewOptions.Maximized) FPreviewForm->PositionDesigned = true;
  if (PreviewOptions.Modal) {
    FPreviewForm->ShowModal();
    PreviewFormClosed();
    return;
  }
  FPreviewForm->Show(!PreviewOptions.MDIChild);
}

void TrepReport::ClosePreviewForm() {
  if (!FPreviewForm || FPreviewForm->Closing) return;
  FPreviewForm->Closing = true;
  FPreviewForm->Close();
  PreviewFormClosed();
}

void TrepReport::PreviewFormClosed() {
  if (!FPreviewForm) return;
  // The window's control goes with it.
  if (FPreview != nullptr && FPreview == FPreviewForm->PreviewControl()) FPreview = nullptr;
  FPreviewForm.reset();
}

void TrepReport::SetProgressMessage(const std::string& Value, bool Ishint, bool bHandleMessage) {
  // There is no message loop to run here, whatever bHandleMessage asks.
  (void)bHandleMessage;
  if (EngineOptions.EnableThreadSafe) return;
  if (FPreview != nullptr) FPreview->ShowMessageText(Value, Ishint);
}

bool TrepReport::Print() { return FPreviewPages != nullptr && FPreviewPages->Print(); }

// ---------------------------------------------------------------------------------------------
// Designer

void TrepReport::PrepareDesigner(bool MarkDesigning) {
  for (TrepComponent* C : AllObjects())
    if (auto* D = dynamic_cast<TrepCustomDBDataSet*>(C)) {
      if (MarkDesigning) D->SetIsDesigning(true);
      D->BeforeStartReport();
    }
}

void TrepReport::DesignReport(bool Modal, bool MDIChild) {
  if (FDesigner || !DesignerClass()) return;
  FScript->ClearItems(this);
  PrepareDesigner(true);
  Modified = false;
  FDesigner = DesignerClass()(nullptr, this, false);
  if (!FDesigner) return;
  if (MDIChild) FDesigner->SetMDIChild();
  FDesigner->PostMessage(repDesignerStartMessage, 0, 0);
  if (Modal) {
    FDesigner->ShowModal();
    FDesigner.reset();
  } else {
    FDesigner->Show(true);
  }
}

void TrepReport::DesignReport(rt::TObject* IDesigner, const std::string& EditorClassName) {
  if (FDesigner) {
    FDesigner->Activate();
    return;
  }
  if (IDesigner == nullptr || EditorClassName != "TrepReportEditor" || !DesignerClass()) return;
  PrepareDesigner(false);
  FDesigner = DesignerClass()(nullptr, this, false);
  if (!FDesigner) return;
  FDesigner->ShowModal();
  FDesigner.reset();
}

void TrepReport::DesignReportInPanel(rt::TObject* Panel) {
  if (FDesigner || !DesignerClass()) return;
  FScript->ClearItems(this);
  PrepareDesigner(false);
  Modified = false;
  FDesigner = DesignerClass()(nullptr, this, false);
  if (!FDesigner) return;
  FDesigner->ParentForm = FDesigner->OutermostForm(Panel);
  FDesigner->PostMessage(repDesignerStartMessage, 0, 0);
  FDesigner->LoadPreferencesAndShow();
  FDesigner->MoveControlsInto(Panel);
}

bool TrepReport::DesignPreviewPage() {
  if (FDesigner || !DesignerClass()) return false;
  FDesigner = DesignerClass()(nullptr, this, true);
  if (!FDesigner) return false;
  FDesigner->ShowModal();
  const bool Result = FDesigner->Modified();
  FDesigner.reset();
  return Result;
}

void TrepReport::DesignerClosed() { FDesigner.reset(); }

// ---------------------------------------------------------------------------------------------
// The preview's mouse events for views
//
// Script handlers get the view as an object reference (what a 32-bit pointer was to the
// original scripts), the button and the shift state as small integers.

void TrepReport::DoPreviewClick(TrepView* v, rt::TMouseButton Button, rt::TShiftState Shift, bool& Modified,
                                TrepInteractiveEventsParams& EventParams, bool DblClick) {
  if (v == nullptr) return;
  v->MouseClick(DblClick, EventParams);
  const std::string& Handler = DblClick ? v->OnPreviewDblClick : v->OnPreviewClick;
  if (!Handler.empty()) {
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(v), static_cast<int>(Button), static_cast<int>(Shift & 0xFF),
                                    Modified});
    DoParamEvent(Handler, P, true);
    Modified = P.ArrayGet({3}).ToBoolean();
  }
  const auto& Event = DblClick ? OnDblClickObject : OnClickObject;
  if (Event) Event(v, Button, Shift, Modified);
}

void TrepReport::DoMouseEnter(TrepView* Sender, TrepComponent* aPreviousObject,
                              TrepInteractiveEventsParams& EventParams) {
  if (Sender == nullptr) return;
  Sender->MouseEnter(aPreviousObject, EventParams);
  if (OnMouseEnter) OnMouseEnter(Sender);
  if (!Sender->OnMouseEnter.empty()) {
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(Sender), EventParams.Refresh});
    DoParamEvent(Sender->OnMouseEnter, P, true);
    EventParams.Refresh = P.ArrayGet({1}).ToBoolean();
  }
}

void TrepReport::DoMouseLeave(TrepView* Sender, int X, int Y, TrepComponent* aNextObject,
                              TrepInteractiveEventsParams& EventParams) {
  if (Sender == nullptr) return;
  Sender->MouseLeave(X, Y, aNextObject, EventParams);
  if (OnMouseLeave) OnMouseLeave(Sender);
  if (!Sender->OnMouseLeave.empty()) {
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(Sender), EventParams.Refresh});
    DoParamEvent(Sender->OnMouseLeave, P, true);
    EventParams.Refresh = P.ArrayGet({1}).ToBoolean();
  }
}

void TrepReport::DoMouseUp(TrepView* Sender, int X, int Y, rt::TMouseButton Button, rt::TShiftState Shift,
                           TrepInteractiveEventsParams& EventParams) {
  if (Sender == nullptr) return;
  Sender->MouseUp(X, Y, Button, Shift, EventParams);
  if (!Sender->OnMouseUp.empty()) {
    // Nothing is read back: none of these values is a field of the event parameters, and the
    // report's Modified is the report's own business.
    rt::Variant P = rt::VarArrayOf({rt::VarFromObject(Sender), X, Y, static_cast<int>(Button),
                                    static_cast<int>(Shift & 0xFF), Modified});
    DoParamEvent(Sender->OnMouseUp, P, true);
  }
}
