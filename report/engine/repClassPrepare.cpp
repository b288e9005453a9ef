// Preparing a report: the checks and the script around the layout engine's run.
#include "platform/rt/Format.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/script/sc_iinterpreter.h"

bool TrepReport::PrepareReport(bool ClearLastReport) {
  if (ClearLastReport && FPreviewPages != nullptr) FPreviewPages->Clear();
  if (FPreview != nullptr) FPreview->Init(this, FPreviewPages);
  FErrors.Clear();
  SetTerminated(false);
  bool Result = false;

  for (int I = 0; I < FDataSets->Count(); ++I) {
    TrepDataSetItem* Item = FDataSets->Items(I);
    if (Item->DataSet() == nullptr)
      FErrors.Add(rt::Format(ResourceTable().Get("clDSNotExist"),
                             {rt::TVarRec::UnicodeString(rt::Utf8ToUtf16(Item->DataSetName()))}));
  }

  if (FErrors.Count() == 0) {
    const std::string Password = ReportOptions.Password;
    const int SplicingLine = PrintOptions.SplicingLine;
    // The run may change the template through its script; with DestroyForms the report is
    // restored from this copy afterwards. The copy stays in memory: it is the template only.
    std::unique_ptr<rt::TMemoryStream> Saved;
    if (EngineOptions.DestroyForms) {
      Saved = std::make_unique<rt::TMemoryStream>();
      ReportOptions.Password.clear();
      SaveToStream(*Saved, true, false, false);
    }

    try {
      if (OnBeginDoc) OnBeginDoc(this);
      if (PrepareScript(nullptr)) {
        if (OnAfterScriptCompile) OnAfterScriptCompile(this);
        if (FScript->Statement() != nullptr && FScript->Statement()->Count() > 0) FScript->Execute();
        bool Ran = false;
        if (!FTerminated && FEngine) Ran = FEngine->Run(true, false, nullptr);
        if (Ran) {
          if (OnEndDoc) OnEndDoc(this);
          Result = true;
        } else {
          ClosePreviewForm();
        }
      }
    } catch (const rt::Exception& E) {
      if (!FScript->ErrorPos.empty())
        FErrors.Add(E.Message() + " " + FScript->ErrorPos);
      else
        FErrors.Add(E.Message());
      Result = false;
    }

    if (Saved) {
      const std::string ErrorText = FErrors.Text();
      Saved->SetPosition(0);
      Reloading = true;
      const TrepDuplexMode Duplex = PrintOptions.Duplex;
      auto Restore = [&] {
        Reloading = false;
        ReportOptions.Password = Password;
        PrintOptions.SplicingLine = SplicingLine;
        PrintOptions.Duplex = Duplex;
        FErrors.SetText(ErrorText);
      };
      try {
        LoadFromStream(*Saved);
      } catch (...) {
        Restore();
        throw;
      }
      Restore();
    }
  }

  if (!FErrors.Text().empty()) {
    Result = false;
    ReportErrors();
  }
  return Result;
}

bool TrepReport::PreparePage(TrepPage* APage) {
  if (!FEngine) return false;
  FEngine->NotifyList().Clear();
  for (TrepComponent* C : AllObjects()) {
    if (auto* P = dynamic_cast<TrepPictureView*>(C)) P->PictureChanged = true;
    C->BeforeStartReport();
  }
  return FEngine->Run(false, false, APage);
}
