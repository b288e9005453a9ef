#pragma once
// The password window: a label, a password edit, OK and Cancel. It shows through the runtime's
// dialog presenter of the calling thread (on the server, the browser of the session whose job
// asks); with none, nobody answers and the window counts as cancelled.
#include <string>

#include "platform/rt/Dialogs.h"

class TrepPasswordForm {
public:
  // The design: "Password", 252 x 92; the label and the edit at 88; OK (default, mrOk) and Cancel.
  TrepPasswordForm();
  // Caption 5000, label 5001, buttons 1 and 2 from the interface string table.
  void UpdateResouces();
  // The modal result (mrCancel when nobody answered).
  int ShowModal();
  // What was typed into PasswordE.
  const std::string& Text();
  rt::TDialogWindow& Window() { return FWindow; }

private:
  rt::TDialogWindow FWindow;
};
