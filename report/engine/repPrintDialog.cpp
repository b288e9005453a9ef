// The print dialog's and the inherit-conflict question's logic: what the windows show, what they
// write back and what they decide. The windows themselves are the host's.
#include <algorithm>
#include <filesystem>

#include "platform/rt/SysUtils.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repPreview.h"
#include "report/engine/repPrinter.h"
#include "report/engine/repRes.h"

namespace {

std::function<bool(TrepFileDialogRequest&)>& FileDialog() {
  static std::function<bool(TrepFileDialogRequest&)> Handler;
  return Handler;
}

TrepPrintDialogHandler& PrintDialogSlot() {
  static TrepPrintDialogHandler Handler;
  return Handler;
}

TrepInheritErrorHandler& InheritErrorSlot() {
  static TrepInheritErrorHandler Handler;
  return Handler;
}

constexpr int A4Paper = 9;

} // namespace

void TrepPrintDialog::SetFileDialogHandler(std::function<bool(TrepFileDialogRequest& Request)> Handler) {
  FileDialog() = std::move(Handler);
}

void SetPrintDialogHandler(TrepPrintDialogHandler Handler) { PrintDialogSlot() = std::move(Handler); }
const TrepPrintDialogHandler& PrintDialogHandler() { return PrintDialogSlot(); }

// ---------------------------------------------------------------------------------------------
// TrepPrintDialog

TrepPrintDialog::TrepPrintDialog(TrepReport* Report, TrepPrinters& Printers) : AReport(Report), FPrinters(Printers) {
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  for (int I = 0; I < Printers.Count(); ++I) PrinterNames.push_back(Printers.Items(I)->Name());
  PrinterChanged(Printers.PrinterIndex());
  OldIndex = Printers.PrinterIndex();
}

int TrepPrintDialog::SheetPosition(int Paper) const {
  for (std::size_t I = 1; I < SheetPapers.size(); ++I)
    if (SheetPapers[I] == Paper) return static_cast<int>(I);
  return -1;
}

void TrepPrintDialog::FillSheets(int KeepPaper) {
  Sheets.assign(1, ResourceTable().Get("pgDefault"));
  SheetPapers.assign(1, 0);
  if (TrepCustomPrinter* P = FPrinters.Printer()) {
    const rt::TStrings& Papers = P->Papers();
    for (int I = 0; I < Papers.Count(); ++I) {
      const int Number = NumberOfListItem(Papers, I);
      if (Number == repPaperCustom) continue;
      Sheets.push_back(Papers.Strings(I));
      SheetPapers.push_back(Number);
    }
  }
  const int At = KeepPaper != 0 ? SheetPosition(KeepPaper) : -1;
  SheetIndex = At >= 0 ? At : 0;
}

void TrepPrintDialog::PrinterChanged(int Index) {
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  const int Keep = SheetIndex > 0 && SheetIndex < static_cast<int>(SheetPapers.size()) ? SheetPapers[SheetIndex] : 0;
  if (Index < 0 || Index >= FPrinters.Count()) return;
  FPrinters.SetPrinterIndex(Index);
  PrinterIndex = Index;
  TrepCustomPrinter* P = FPrinters.Printer();
  Where = P != nullptr ? P->Port() : std::string();
  FillSheets(Keep);
}

void TrepPrintDialog::Show(TrepDuplexMode Duplex) {
  const TrepPrintOptions& O = AReport->PrintOptions;
  CopiesText = rt::IntToStr(std::clamp(O.Copies, 1, MaxCopies));
  Collate = O.Collate;
  PageNumbersText = O.PageNumbers;
  if (!PageNumbersText.empty()) PageRange = prPageNumbers;
  PrintPagesIndex = O.PrintPages;
  ReverseOrder = O.Reverse;
  PrintModeIndex = O.PrintMode;
  ADuplexMode = Duplex;
  DuplexIndex = Duplex;
  PrintModeChanged(O.PrintMode);
  if (O.PrintMode != pmDefault)
    if (const int At = SheetPosition(O.PrintOnSheet); At >= 0) SheetIndex = At;
}

void TrepPrintDialog::PrintModeChanged(TrepPrintMode Mode) {
  PrintModeIndex = Mode;
  if (Mode == pmDefault) {
    SheetIndex = 0;
    SheetsEnabled = false;
    return;
  }
  SheetsEnabled = true;
  if (SheetIndex == 0) {
    const int At = SheetPosition(A4Paper);
    SheetIndex = At >= 0 ? At : (Sheets.size() > 1 ? 1 : 0);
  }
}

void TrepPrintDialog::PropertiesClicked() {
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  TrepCustomPrinter* P = FPrinters.Printer();
  if (P == nullptr) return;
  P->PropertiesDlg();
  TrepDuplexMode Mode = dmNone;
  switch (P->Duplex()) {
    case 1: Mode = dmSimplex; break;
    case 2: Mode = dmVertical; break;
    case 3: Mode = dmHorizontal; break;
    default: return;
  }
  ADuplexMode = Mode;
  DuplexIndex = Mode;
}

TrepModalResult TrepPrintDialog::Close(TrepModalResult Result) {
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  TrepCustomPrinter* P = FPrinters.Printer();
  if (Result == mrOk && P != nullptr) {
    P->SetFileName("");
    if (PrintToFile) {
      TrepFileDialogRequest Request;
      Request.Save = true;
      Request.DefaultExt = "prn";
      Request.Filter = ResourceTable().Get("510");
      const bool Chosen = FileDialog() && FileDialog()(Request) && !Request.ChosenFile.empty();
      if (Chosen)
        P->SetFileName(std::filesystem::path(Request.ChosenFile).replace_extension(".prn").string());
      else
        Result = mrCancel;
    }
  }
  if (Result != mrOk) {
    if (OldIndex >= 0 && OldIndex < FPrinters.Count()) FPrinters.SetPrinterIndex(OldIndex);
    return Result;
  }

  TrepPrintOptions& O = AReport->PrintOptions;
  // The field takes digits only, but any length of them: a count past the range is capped
  // rather than failing the conversion.
  int Copies = 1;
  if (!rt::TryStrToInt(rt::Trim(CopiesText), Copies)) Copies = CopiesText.empty() ? 1 : MaxCopies;
  O.Copies = std::clamp(Copies, 1, MaxCopies);
  O.Collate = Collate;
  switch (PageRange) {
    case prAll: O.PageNumbers.clear(); break;
    case prCurrentPage:
      O.PageNumbers = rt::IntToStr(AReport->PreviewPages() != nullptr ? AReport->PreviewPages()->CurPreviewPage : 1);
      break;
    case prPageNumbers: O.PageNumbers = PageNumbersText; break;
  }
  O.PrintPages = static_cast<TrepPrintPages>(std::clamp(PrintPagesIndex, 0, 2));
  ADuplexMode = static_cast<TrepDuplexMode>(std::clamp(DuplexIndex, 0, 3));
  O.Reverse = ReverseOrder;
  O.PrintMode = static_cast<TrepPrintMode>(std::clamp(PrintModeIndex, 0, 3));
  if (P != nullptr && SheetIndex >= 0 && SheetIndex < static_cast<int>(Sheets.size()))
    O.PrintOnSheet = P->PaperNameToNumber(Sheets[static_cast<std::size_t>(SheetIndex)]);
  return mrOk;
}

// ---------------------------------------------------------------------------------------------
// The inherit-conflict question

TrepInheritErrorTexts InheritErrorTexts() {
  // The resource table holds no texts for these keys (a lookup answers the key); the window's
  // own texts stand in.
  auto Text = [](const char* Key, const char* Own) {
    const std::string T = ResourceTable().Get(Key);
    return T == Key ? std::string(Own) : T;
  };
  return {Text("6000", "Error"), Text("6001", "Base and inherited reports have duplicate objects. What should we do?"),
          Text("6002", "Delete duplicates"), Text("6003", "Rename duplicates")};
}

TrepInheritAnswer InheritAnswerOf(TrepModalResult Result, bool DeleteChecked) {
  if (Result != mrOk) return iaCancel;
  return DeleteChecked ? iaDelete : iaRename;
}

void SetInheritErrorHandler(TrepInheritErrorHandler Handler) { InheritErrorSlot() = std::move(Handler); }
const TrepInheritErrorHandler& InheritErrorHandler() { return InheritErrorSlot(); }
