#pragma once
// The runtime's dialogs (message, input, password, open and save ...) of a worker job, shown in
// the session's browser: a job installs a TIWDialogPresenter for its thread
// (rt::TDialogPresenterScope), and every dialog it opens becomes a modal form of its
// TIWModalHost. Open and save dialogs offer the plain files of OfferedFolder only.
#include <string>

#include "platform/rt/Dialogs.h"
#include "platform/web/ModalForm.h"

namespace web {

class TIWDialogPresenter : public rt::TDialogPresenter {
public:
  // Folder: absolute, with or without a trailing '/'; empty offers no files.
  explicit TIWDialogPresenter(TIWModalHost& Host, std::string Folder = {});
  int ShowDialog(rt::TDialogWindow& Window) override;
  std::string OfferedFolder() const override { return FFolder; }

  // The modal form of a dialog window, and the values of the form's controls back into it.
  static TIWModalForm FormOf(const rt::TDialogWindow& Window);
  static void TakeValues(const TIWModalForm& Form, rt::TDialogWindow& Window);
  static void PutValues(const rt::TDialogWindow& Window, TIWModalForm& Form);

private:
  TIWModalHost& FHost;
  std::string FFolder;
};

}  // namespace web
