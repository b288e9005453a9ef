#include "report/engine/repPasswordForm.h"

#include "report/engine/repRes.h"

using rt::TDialogItemKind;

TrepPasswordForm::TrepPasswordForm() {
  FWindow.Name = "TrepPasswordForm";
  FWindow.Width = 252;
  FWindow.Height = 92;
  FWindow.Add(TDialogItemKind::Label, "PasswordL", 88, 8, 157, 13);
  FWindow.Add(TDialogItemKind::Edit, "PasswordE", 88, 28, 157, 21).Password = true;
  rt::TDialogItem& OK = FWindow.Add(TDialogItemKind::Button, "OkB", 88, 60, 75, 25);
  OK.ModalResult = rt::mrOk;
  OK.Default = true;
  FWindow.Add(TDialogItemKind::Button, "CancelB", 168, 60, 75, 25).ModalResult = rt::mrCancel;
  UpdateResouces();
}

void TrepPasswordForm::UpdateResouces() {
  FWindow.Caption = ResourceString(5000);
  FWindow.Find("PasswordL")->Caption = ResourceString(5001);
  FWindow.Find("OkB")->Caption = ResourceString(1);
  FWindow.Find("CancelB")->Caption = ResourceString(2);
}

int TrepPasswordForm::ShowModal() { return rt::ShowDialogWindow(FWindow); }

const std::string& TrepPasswordForm::Text() { return FWindow.Find("PasswordE")->Text; }
