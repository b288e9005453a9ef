// The export driver (prepared pages to a filter over a page range) and page drawing.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "platform/gfx/Picture.h"
#include "platform/rt/DateUtils.h"
#include "platform/rt/SysUtils.h"
#include "report/engine/repClassBand.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repUtils.h"

namespace {

bool IsA(const rt::TObject* Obj, std::string_view ClassName) {
  if (Obj == nullptr) return false;
  for (rt::TClass C = Obj->ClassType(); C != nullptr; C = C->ClassParent())
    if (C->ClassName() == ClassName) return true;
  return false;
}

// A page setting of a later layer (margins in mm, MirrorMargins, Color) read through the page's
// published properties; Default when the page class has no such property.
rt::Variant PageSetting(TrepComponent* Page, const char* Name, const rt::Variant& Default) {
  const rt::TPropInfo* P = Page->ClassType()->FindProperty(Name);
  if (P == nullptr || !P->Get) return Default;
  return P->Get(Page);
}

double PageMM(TrepComponent* Page, const char* Name) {
  const double V = PageSetting(Page, Name, rt::Variant(0.0)).ToDouble();
  return std::isfinite(V) ? V : 0;
}

void SetPageMM(TrepComponent* Page, const char* Name, double Value) {
  const rt::TPropInfo* P = Page->ClassType()->FindProperty(Name);
  if (P != nullptr && P->Set) P->Set(Page, rt::Variant(Value));
}

int RoundInt(double V) {
  if (!(V > -1e9)) return -1000000000;
  if (!(V < 1e9)) return 1000000000;
  return static_cast<int>(std::nearbyint(V));
}

} // namespace

bool TrepPreviewPages::Export(TrepCustomExportFilter* Filter) {
  PrintCopyNo = 0;
  if (Filter == nullptr) return false;
  Filter->CreationTime = rt::Now();
  Filter->Report = FReport;
  Filter->SetDefaultIOTransport(nullptr);
  if (Filter->OnBeforeExport) Filter->OnBeforeExport(Filter);
  if (Filter->ShowDialog && Filter->ShowModal() != 1) return false;
  const bool OwnTransport = Filter->IOTransport == nullptr;
  if (OwnTransport) Filter->IOTransport = Filter->DefaultIOTransport();
  TrepCustomIOTransport* Transport = Filter->IOTransport;
  Transport->InitFromExport(Filter);
  // Files a caller's transport made in earlier exports are not this export's to remove.
  const std::size_t FilesBefore = Transport->CreatedFiles().size();
  const std::string SavedFileName = Filter->FileName();
  bool Result = false;
  // Whatever happens below: the output is closed, the file name restored and a default
  // transport detached; a failed export leaves no partial file behind.
  std::vector<std::string> Written;
  // Targets whose output was abandoned still hold whatever was there before: never removed.
  std::vector<std::string> Kept;
  auto CleanUp = [&](bool Failed) {
    FScratch.reset();
    const std::vector<std::string>& Created = Transport->CreatedFiles();
    Written.assign(Created.begin() + static_cast<std::ptrdiff_t>(std::min(FilesBefore, Created.size())), Created.end());
    if (Failed) {
      std::vector<std::string> More = Transport->AbandonWrites();
      Kept.insert(Kept.end(), More.begin(), More.end());
    }
    Transport->CloseFilter();
    Filter->SetFileName(SavedFileName);
    if (OwnTransport) Filter->IOTransport = nullptr;
    if (Failed)
      for (const std::string& F : Written)
        if (std::find(Kept.begin(), Kept.end(), F) == Kept.end()) std::remove(F.c_str());
  };
  try {
    if (!Transport->OpenFilter()) {
      CleanUp(true);
      return false;
    }
    Filter->SetFileName(Transport->FileName);
    if (Filter->CurPage) Filter->PageNumbers = FReport != nullptr && FReport->Preview() != nullptr ? std::to_string(CurPreviewPage) : "1";
    if (FReport != nullptr) FReport->SetTerminated(false);

    rt::TStringList List;
    ParsePageRange(Filter->PageNumbers, List, GetCount());
    // A range that names no page (a backward range, numbers past the end) exports nothing;
    // only an empty text means every page.
    std::vector<bool> Selected;
    const bool AllPages = Filter->PageNumbers.find_first_not_of(' ') == std::string::npos;
    if (!AllPages) {
      Selected.assign(static_cast<std::size_t>(GetCount()), false);
      for (int I = 0; I < List.Count(); ++I) {
        const int N = rt::StrToInt(List.Strings(I));
        if (N >= 1 && N <= GetCount()) Selected[static_cast<std::size_t>(N - 1)] = true;
      }
    }

    Result = true;
    bool Started = false;
    try {
      if (Filter->OnBeginExport) Filter->OnBeginExport(Filter);
      Started = Filter->DoStart();
      if (Started) {
        if (Filter->ShowProgress && FReport != nullptr) FReport->InternalOnProgressStart(ptExporting);
        try {
          if (!Filter->PageOrder.empty()) {
            for (int I : Filter->PageOrder)
              if (I >= 0) ExportPage(Filter, I, nullptr);
          } else {
            for (int I = 0; I < GetCount(); ++I) ExportPage(Filter, I, AllPages ? nullptr : &Selected);
          }
        } catch (const EExportTerminated&) {
          // A stop asked for by the user: the pages so far make the document.
          if (Filter->ShowProgress && FReport != nullptr) FReport->InternalOnProgressStop(ptExporting);
          Filter->DoFinish();
          throw;
        } catch (...) {
          if (Filter->ShowProgress && FReport != nullptr) FReport->InternalOnProgressStop(ptExporting);
          // The filter's finishing must not put a failed document over an older file.
          std::vector<std::string> More = Transport->AbandonWrites();
          Kept.insert(Kept.end(), More.begin(), More.end());
          Filter->DoFinish();
          throw;
        }
        if (Filter->ShowProgress && FReport != nullptr) FReport->InternalOnProgressStop(ptExporting);
        Filter->DoFinish();
      } else {
        // A filter that cannot start has written nothing worth keeping.
        Result = false;
      }
    } catch (const EExportTerminated&) {
      Result = true;
    } catch (const rt::Exception& E) {
      Result = false;
      if (FReport != nullptr) {
        FReport->Errors().Add(E.Message());
        FReport->ReportErrors();
      }
    }
  } catch (...) {
    CleanUp(true);
    throw;
  }
  CleanUp(!Result);
  return Result;
}

void TrepPreviewPages::ExportPage(TrepCustomExportFilter* Filter, int I, const std::vector<bool>* Selected) {
  if (I >= GetCount()) return;
  if (Selected != nullptr && (static_cast<std::size_t>(I) >= Selected->size() || !(*Selected)[static_cast<std::size_t>(I)]))
    return;
  TrepReportPage* Page = GetPage(I);
  if (Page == nullptr) return;
  LockPage();
  if (Filter->ShowProgress && FReport != nullptr) FReport->InternalOnProgress(ptExporting, I + 1);
  Filter->StartPage(Page, I);
  try {
    const bool Mirror = PageSetting(Page, "MirrorMargins", rt::Variant(false)).ToBoolean();
    const double LeftMM = PageMM(Page, "LeftMargin"), RightMM = PageMM(Page, "RightMargin");
    const double TopMM = PageMM(Page, "TopMargin"), BottomMM = PageMM(Page, "BottomMargin");
    Page->SetLeft((Mirror && I % 2 == 1 ? RightMM : LeftMM) * fr01cm);
    Page->SetTop(TopMM * fr01cm);

    {
      TrepPictureView Background(nullptr);
      Background.SetName("_pagebackground");
      const rt::Variant Color = PageSetting(Page, "Color", rt::Variant(static_cast<int>(gfx::clNone)));
      Background.SetColor(static_cast<gfx::TColor>(Color.ToInteger()));
      Background.Stretched = true;
      Background.KeepAspectRatio = false;
      Background.SetBounds(Page->Left(), Page->Top(), Page->Width() - (LeftMM + RightMM) * fr01cm,
                           Page->Height() - (TopMM + BottomMM) * fr01cm);
      ExportOneObject(Filter, &Background);
    }

    const bool Suppress = Filter->SuppressPageHeadersFooters;
    const std::vector<TrepComponent*> Top = Page->Objects().List();
    for (TrepComponent* Obj : Top) {
      if (dynamic_cast<TrepBand*>(Obj) != nullptr) {
        if (Suppress && IsA(Obj, "TrepPageHeader") && I != 0) continue;
        if (Suppress && IsA(Obj, "TrepPageFooter") && I != GetCount() - 1) continue;
      }
      ExportOneObject(Filter, Obj);
      const std::vector<TrepComponent*> Children = Obj->Objects().List();
      for (TrepComponent* C : Children) ExportOneObject(Filter, C);
    }
  } catch (...) {
    Filter->FinishPage(Page, I);
    UnlockPage();
    throw;
  }
  Filter->FinishPage(Page, I);
  UnlockPage();
  if (FReport != nullptr && FReport->Preview() != nullptr) {
    Page->SetLeft(0);
    Page->SetTop(0);
  } else {
    FlushPageCache();
  }
}

void TrepPreviewPages::ExportOneObject(TrepCustomExportFilter* Filter, TrepComponent* Obj) {
  if (Filter->DataOnly && !IsA(Obj->Parent(), "TrepDataBand")) return;
  if (auto* V = dynamic_cast<TrepView*>(Obj); V != nullptr && !V->Visibility.Contains(vsExport)) return;
  if (auto* Memo = dynamic_cast<TrepCustomMemoView*>(Obj)) {
    // Page totals and copy names are known only now that every page exists.
    Memo->TotalPages = GetCount();
    Memo->CopyNo = 1;
    Memo->ExtractMacros(nullptr);
    if (Memo->AutoWidth) {
      // Drawing once makes the memo take the width of its text before the filter sees it.
      if (!FScratch) FScratch = std::make_unique<gfx::TBitmap>(1, 1);
      Memo->Draw(FScratch->Canvas(), 1, 1, 0, 0);
    }
  }
  if (!Obj->ExportInternal(Filter)) Filter->ExportObject(Obj);
  if (FReport != nullptr && FReport->Terminated()) throw EExportTerminated("Export terminated");
}

void TrepPreviewPages::DrawPage(int Index, gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX,
                                double OffsetY, bool bHighlightEditable) {
  TrepReportPage* Page = GetPage(Index);
  if (Page == nullptr) return;
  const bool Mirror = PageSetting(Page, "MirrorMargins", rt::Variant(false)).ToBoolean() && Index % 2 == 1;
  const double LeftMM = PageMM(Page, "LeftMargin"), RightMM = PageMM(Page, "RightMargin");
  if (Mirror) {
    SetPageMM(Page, "LeftMargin", RightMM);
    SetPageMM(Page, "RightMargin", LeftMM);
  }
  const bool Printing = Canvas.IsPrinter;
  const std::optional<gfx::TRect> KeptClip = Canvas.ClipRect();
  if (!Printing) {
    const double PaperW = PageSetting(Page, "PaperWidth", rt::Variant(Page->Width() / fr01cm)).ToDouble();
    const double PaperH = PageSetting(Page, "PaperHeight", rt::Variant(Page->Height() / fr01cm)).ToDouble();
    gfx::TRect R{RoundInt(OffsetX), RoundInt(OffsetY), RoundInt(PaperW * fr01cm * ScaleX + OffsetX) - 1,
                 RoundInt(PaperH * fr01cm * ScaleY + OffsetY) - 1};
    if (KeptClip) {
      R.Left = std::max(R.Left, KeptClip->Left);
      R.Top = std::max(R.Top, KeptClip->Top);
      R.Right = std::min(R.Right, KeptClip->Right);
      R.Bottom = std::min(R.Bottom, KeptClip->Bottom);
    }
    Canvas.SetClipRect(R);
  }
  Page->SetIsPrinting(Printing);
  Page->Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  OffsetX += PageMM(Page, "LeftMargin") * fr01cm * ScaleX;
  OffsetY += PageMM(Page, "TopMargin") * fr01cm * ScaleY;
  const std::vector<TrepComponent*> All = Page->AllObjects();
  for (TrepComponent* C : All) {
    auto* V = dynamic_cast<TrepView*>(C);
    if (V == nullptr || !V->Visibility.Contains(Printing ? vsPrint : vsPreview)) continue;
    V->SetIsPrinting(Printing);
    if (auto* Memo = dynamic_cast<TrepCustomMemoView*>(V)) {
      Memo->TotalPages = GetCount();
      Memo->CopyNo = PrintCopyNo;
      Memo->PrintScale = PrintScale;
    }
    if (!V->IsOwnerDraw())
      V->InteractiveDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY,
                         bHighlightEditable && !V->Restrictions().Contains(rfDontEditInPreview), gfx::clNone);
    V->SetIsPrinting(false);
  }
  if (Mirror) {
    SetPageMM(Page, "LeftMargin", LeftMM);
    SetPageMM(Page, "RightMargin", RightMM);
  }
  if (!Printing) Canvas.SetClipRect(KeptClip);
}
