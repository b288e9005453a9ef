#pragma once
// The interactive side of a report for a host that has windows: the preview window, the
// designer, the print dialog and the inherit-conflict question. This server opens none of them;
// a desktop host registers its window classes and dialog handlers here, and the report's entry
// points (ShowReport, DesignReport, Print ...) and the prepared pages' mouse handling drive them
// through these interfaces. What the windows show is the host's; what they read, write and
// decide is here.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"
#include "report/engine/repClass.h"

class TrepPrinters;
class TrepCustomPrinter;
struct TrepFileDialogRequest;

// Results of modal windows.
enum TrepModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

// Mouse cursors a preview is asked to show.
inline constexpr int crDefault = 0;
inline constexpr int crHandPoint = -21;

// The message a new designer is sent once it exists, so that it finishes setting itself up.
inline constexpr unsigned repDesignerStartMessage = 0x0400 + 1;

// The deferred preparation of ShowReport starts this long after ShowReport returned.
inline constexpr int repPreviewTimerInterval = 50;  // ms

// ---- The preview window ----

// A window holding a preview control. The host makes one per ShowPreparedReport; a modal window
// is freed when ShowModal returns, a modeless one stays the report's until it closes (the host
// then calls TrepReport::PreviewFormClosed) or the report closes it.
class TrepPreviewWindow : public rt::TObject {
public:
  // The window's preview control; it belongs to the window.
  virtual TrepCustomPreview* PreviewControl() = 0;
  // Loads the window's settings from the report (its Init).
  virtual void Init() = 0;
  virtual void ShowModal() = 0;
  // Modeless; OwnTaskbarButton: the window appears on the task bar by itself (not an MDI child).
  virtual void Show(bool OwnTaskbarButton) = 0;
  virtual void Close() = 0;
  // The position is the window's own design rather than centred (a maximised preview).
  bool PositionDesigned = false;
  // Set by the host while the window is closing, so that a report going at that moment does
  // not close it a second time.
  bool Closing = false;
};
// Makes a preview window for a report (Owner: the designer or nullptr).
using TrepPreviewWindowClass = std::function<std::unique_ptr<TrepPreviewWindow>(TrepReport& Report, rt::TObject* Owner)>;
// Process-wide; empty on the server, so ShowPreparedReport without an assigned preview shows
// nothing.
TrepPreviewWindowClass& PreviewWindowClass();

// ---- The designer ----

// A report designer. None is part of this system; a host registers one (DesignerClass).
class TrepCustomDesigner : public rt::TObject {
public:
  TrepCustomDesigner(rt::TObject* AOwner, TrepReport* AReport, bool APreviewDesigner = false);
  ~TrepCustomDesigner() override;
  TrepReport* Report = nullptr;  // not owned; cleared when the report goes first
  bool IsPreviewDesigner() const { return FIsPreviewDesigner; }
  bool Modified() const { return FModified; }
  // True also marks the report modified.
  virtual void SetModified(bool Value);
  // The outermost form of the panel the designer was moved into; not owned.
  rt::TObject* ParentForm = nullptr;

  // The window's side, supplied by the host.
  virtual void ShowModal() = 0;
  virtual void Show(bool OwnTaskbarButton) = 0;
  virtual void SetMDIChild() = 0;
  virtual void PostMessage(unsigned Msg, std::intptr_t WParam, std::intptr_t LParam) = 0;
  virtual void Activate() = 0;
  // Preferences loaded and the OnShow handler run, as when the window is shown.
  virtual void LoadPreferencesAndShow() = 0;
  // Moves every control of the designer window into Panel.
  virtual void MoveControlsInto(rt::TObject* Panel) = 0;
  // The outermost form among the panel's parents.
  virtual rt::TObject* OutermostForm(rt::TObject* Panel) = 0;

protected:
  rt::TObject* FOwner;
  bool FIsPreviewDesigner;
  bool FModified = false;
};
// Makes a designer (the CreateDesigner constructor of the registered class).
using TrepDesignerClass =
    std::function<std::unique_ptr<TrepCustomDesigner>(rt::TObject* AOwner, TrepReport* AReport, bool APreviewDesigner)>;
// Process-wide; empty here, so the design operations do nothing.
TrepDesignerClass& DesignerClass();

// ---- The print dialog ----

// What the print dialog shows and what it writes back. The host shows it as a window and lets
// the user change the fields; the dialog object fills them from the report's print options
// (Show), answers the window's events (printer, print mode, properties) and on closing writes
// the options (Close).
class TrepPrintDialog : public rt::TObject {
public:
  enum TPageRange { prAll, prCurrentPage, prPageNumbers };

  // Lists the printers of the list with the current one selected; OldIndex is the current
  // printer index.
  TrepPrintDialog(TrepReport* AReport, TrepPrinters& Printers);

  // Fields from the print options and the duplex mode in effect.
  void Show(TrepDuplexMode ADuplexMode);
  // Another printer chosen: it becomes current, its port and sheet list are shown, and the sheet
  // chosen before is kept when the new printer has it.
  void PrinterChanged(int Index);
  // The sheet list is disabled for pmDefault; for the other modes it preselects A4 (paper 9)
  // while it shows Default.
  void PrintModeChanged(TrepPrintMode Mode);
  // The printer driver's own dialog; its duplex setting then becomes the dialog's.
  void PropertiesClicked();
  // With mrOk: a print-to-file name is asked through the file dialog handler (a cancelled file
  // dialog turns the result into mrCancel); then the options are written. Any other result
  // makes the printer chosen when the dialog opened current again and changes nothing. The
  // final result.
  TrepModalResult Close(TrepModalResult Result);

  // ---- the window's fields ----
  std::vector<std::string> PrinterNames;
  int PrinterIndex = -1;
  std::string Where;  // the chosen printer's port
  bool PrintToFile = false;
  TPageRange PageRange = prAll;
  std::string PageNumbersText;
  std::string CopiesText = "1";
  bool Collate = true;
  int PrintPagesIndex = 0;  // ppAll, ppOdd, ppEven
  int DuplexIndex = 0;      // the duplex mode's position
  bool ReverseOrder = false;
  int PrintModeIndex = 0;   // pmDefault ... pmScale
  // The sheet list: "Default" first, then the printer's papers without the custom size.
  std::vector<std::string> Sheets;
  std::vector<int> SheetPapers;  // paper number per entry; 0 for "Default"
  int SheetIndex = 0;
  bool SheetsEnabled = false;
  // The duplex mode taken in and handed back.
  TrepDuplexMode ADuplexMode = dmNone;
  int OldIndex = -1;
  TrepReport* AReport = nullptr;

  // Longest accepted copies count.
  static constexpr int MaxCopies = 1000;
  // The file dialog of "Print to file"; without a handler it counts as cancelled.
  static void SetFileDialogHandler(std::function<bool(TrepFileDialogRequest& Request)> Handler);

private:
  void FillSheets(int KeepPaper);
  int SheetPosition(int Paper) const;
  TrepPrinters& FPrinters;
};

// The host shows the print dialog: it sets the fields as the user chose and answers the modal
// result; the dialog then closes with it. Process-wide; without one no dialog is shown and the
// print options are taken as they stand.
using TrepPrintDialogHandler = std::function<TrepModalResult(TrepPrintDialog& Dialog)>;
void SetPrintDialogHandler(TrepPrintDialogHandler Handler);
const TrepPrintDialogHandler& PrintDialogHandler();

// ---- The inherit-conflict question ----

// What InheritFromTemplate does with objects of the report whose names the template also has.
enum TrepInheritAnswer { iaDelete, iaRename, iaCancel };
// The question's texts: caption, message and the two choices ("Error", "Base and inherited
// reports have duplicate objects. What should we do?", "Delete duplicates", "Rename duplicates").
struct TrepInheritErrorTexts {
  std::string Caption, Message, DeleteText, RenameText;
};
TrepInheritErrorTexts InheritErrorTexts();
// The window's answer: mrOk with "Delete duplicates" checked deletes, mrOk with "Rename
// duplicates" renames, any other result does not inherit.
TrepInheritAnswer InheritAnswerOf(TrepModalResult Result, bool DeleteChecked);
// The host asks the user. Process-wide; without one nobody is asked and clashes are renamed.
using TrepInheritErrorHandler = std::function<TrepInheritAnswer(const TrepInheritErrorTexts& Texts)>;
void SetInheritErrorHandler(TrepInheritErrorHandler Handler);
const TrepInheritErrorHandler& InheritErrorHandler();
