#pragma once
// Common dialogs of the runtime. A dialog describes the small window it needs as plain data
// (TDialogWindow) and shows it through the presenter the host installed for the calling thread
// (TDialogPresenterScope): on the server that is a job of a session that can ask the browser.
// Without a presenter nobody can answer, and every dialog counts as cancelled.
//
// Open and save dialogs never show the server's file system: they offer the plain files of the
// one folder the presenter names (OfferedFolder), by name only, and a name typed into a save
// dialog must be a plain file name in that folder.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/rt/Components.h"
#include "platform/rt/Events.h"
#include "platform/rt/ModalResults.h"
#include "platform/rt/TypInfo.h"

namespace rt {

enum class TDialogItemKind { Label, Edit, Button, ComboBox, CheckBox };

struct TDialogItem {
  TDialogItemKind Kind = TDialogItemKind::Label;
  std::string Name;  // unique in its window; the element's id where the window is shown
  int Left = 0, Top = 0, Width = 0, Height = 0;
  std::string Caption;             // label, button, check box
  std::string Text;                // edit, as typed; combo box: the chosen item's text
  bool Password = false;           // edit
  std::vector<std::string> Items;  // combo box
  int ItemIndex = -1;              // combo box
  bool Checked = false;            // check box
  int ModalResult = mrNone;        // button: closes the window with this result
  bool Default = false;            // button: Enter in an edit presses it
  bool Notify = false;             // a change or click runs the window's OnChange
};

struct TDialogWindow {
  std::string Name, Caption;
  int Width = 300, Height = 120;
  std::deque<TDialogItem> Items;  // a deque: Add keeps earlier items where they are
  // Runs on the dialog's thread while the window shows, with the values the user left in Items;
  // may change Items (the window shows the changes).
  std::function<void(TDialogWindow& Window, TDialogItem& Sender)> OnChange;

  TDialogItem& Add(TDialogItemKind Kind, std::string ItemName, int Left, int Top, int Width, int Height);
  TDialogItem* Find(const std::string& ItemName);
};

class TDialogPresenter {
public:
  virtual ~TDialogPresenter() = default;
  // Shows Window modally and returns its modal result; Items hold what the user left. A window
  // nobody answers (cancelled, timed out, the session gone) returns mrCancel.
  virtual int ShowDialog(TDialogWindow& Window) = 0;
  // The folder (absolute, with a trailing '/') whose plain files open and save dialogs offer;
  // empty when none is offered.
  virtual std::string OfferedFolder() const { return {}; }
};

// The presenter installed for this thread; nullptr when none.
TDialogPresenter* DialogPresenter();
// Installs Presenter for this thread while the scope lives (the previous one comes back).
class TDialogPresenterScope {
public:
  explicit TDialogPresenterScope(TDialogPresenter* Presenter);
  ~TDialogPresenterScope();
  TDialogPresenterScope(const TDialogPresenterScope&) = delete;
  TDialogPresenterScope& operator=(const TDialogPresenterScope&) = delete;

private:
  TDialogPresenter* FPrevious;
};

// Shows Window through this thread's presenter; mrCancel without one.
int ShowDialogWindow(TDialogWindow& Window);

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = unsigned;  // bit (1 << TMsgDlgBtn)

// The message window: one button per member of Buttons (Help has nothing to show and is left
// out; no button at all gives OK); returns the pressed button's modal result.
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons);
// True when confirmed; Value then holds the text entered, else it is unchanged.
bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value);
// The text entered, or Default when cancelled.
std::string InputBox(const std::string& Caption, const std::string& Prompt, const std::string& Default);

// ---- dialog components ----

class TCommonDialog : public TComponent {
public:
  RT_CLASS_INFO(TCommonDialog)
  using TComponent::TComponent;
  // Shows the dialog; true when the user confirmed it.
  virtual bool Execute() { return false; }
  int HelpContext = 0;
  TNotifyEvent OnShow, OnClose;

protected:
  // OnShow, the window, OnClose; the window's modal result.
  int Show(TDialogWindow& Window);
};

// TOpenOptions as bits (1 << option).
enum TOpenOption { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
                   ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
                   ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
                   ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing };
enum TFileEditStyle { fsEdit, fsComboBox };

class TOpenDialog : public TCommonDialog {
public:
  RT_CLASS_INFO(TOpenDialog)
  explicit TOpenDialog(TComponent* AOwner);
  // Files one dialog lists at most (the folder's first ones by name).
  static constexpr int MaxOfferedFiles = 1000;
  // Characters of a file name typed into a save dialog.
  static constexpr int MaxFileNameChars = 200;
  // Times a save dialog asks again after a refused name.
  static constexpr int MaxRetries = 10;

  bool Execute() override;

  std::string DefaultExt;
  // After Execute: the offered folder and the chosen name.
  std::string FileName;
  // Pairs "description|masks|description|masks...", masks separated by ';'.
  std::string Filter;
  int FilterIndex = 1;  // 1-based
  std::string InitialDir;  // kept for scripts; the offered folder is the host's
  unsigned Options = (1u << ofHideReadOnly) | (1u << ofEnableSizing);
  std::string Title;
  TFileEditStyle FileEditStyle = fsEdit;
  // After Execute: the chosen file (one: the browser's window picks one at a time).
  TStringList& Files() { return FFiles; }

  // The plain files of Folder whose names fit Masks ("*.txt;*.csv"; empty or "*.*" fits all),
  // sorted by name, at most MaxOfferedFiles.
  static std::vector<std::string> OfferedFiles(const std::string& Folder, const std::string& Masks);
  // A name a save dialog accepts: a plain file name, no folder, no leading '.', no control
  // characters, at most MaxFileNameChars.
  static bool ValidFileName(const std::string& Name);

protected:
  virtual bool Saving() const { return false; }

private:
  TStringList FFiles;
};

class TSaveDialog : public TOpenDialog {
public:
  RT_CLASS_INFO(TSaveDialog)
  using TOpenDialog::TOpenDialog;

protected:
  bool Saving() const override { return true; }
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };

class TColorDialog : public TCommonDialog {
public:
  RT_CLASS_INFO(TColorDialog)
  using TCommonDialog::TCommonDialog;
  bool Execute() override;
  int Color = 0;  // blue in the high byte, red in the low byte
  TStringList& CustomColors() { return FCustomColors; }
  unsigned Options = 0;

  // "#RRGGBB" of a colour value, and back (false for anything else).
  static std::string ColorText(int Color);
  static bool ParseColorText(const std::string& Text, int& Color);

private:
  TStringList FCustomColors;
};

enum TPrintRange { prAllPages, prSelection, prPageNums };
enum TPrintDialogOption { poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile };

class TPrintDialog : public TCommonDialog {
public:
  RT_CLASS_INFO(TPrintDialog)
  using TCommonDialog::TCommonDialog;
  // Copies one dialog may ask for.
  static constexpr int MaxCopies = 999;
  bool Execute() override;
  bool Collate = false;
  int Copies = 0;
  int FromPage = 0, ToPage = 0, MinPage = 0, MaxPage = 0;
  unsigned Options = 0;
  TPrintRange PrintRange = prAllPages;
  bool PrintToFile = false;
};

// The browser chooses the printer when it prints: the window says so and confirms.
class TPrinterSetupDialog : public TCommonDialog {
public:
  RT_CLASS_INFO(TPrinterSetupDialog)
  using TCommonDialog::TCommonDialog;
  bool Execute() override;
};

// The label, OK and Cancel every dialog window ends with; Top is where the buttons go.
void AddOkCancel(TDialogWindow& Window, int Top);

}  // namespace rt
