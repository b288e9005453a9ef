#include "platform/web/DialogHost.h"

namespace web {

TIWDialogPresenter::TIWDialogPresenter(TIWModalHost& Host, std::string Folder) : FHost(Host), FFolder(std::move(Folder)) {
  if (!FFolder.empty() && FFolder.back() != '/') FFolder += '/';
}

namespace {
TIWModalKind KindOf(rt::TDialogItemKind K) {
  switch (K) {
    case rt::TDialogItemKind::Edit: return TIWModalKind::Edit;
    case rt::TDialogItemKind::Button: return TIWModalKind::Button;
    case rt::TDialogItemKind::ComboBox: return TIWModalKind::ComboBox;
    case rt::TDialogItemKind::CheckBox: return TIWModalKind::CheckBox;
    case rt::TDialogItemKind::Label: break;
  }
  return TIWModalKind::Label;
}
}  // namespace

TIWModalForm TIWDialogPresenter::FormOf(const rt::TDialogWindow& Window) {
  TIWModalForm F;
  F.Name = Window.Name;
  F.Caption = Window.Caption;
  F.Width = Window.Width;
  F.Height = Window.Height;
  for (const rt::TDialogItem& I : Window.Items) {
    TIWModalControl& C = F.Controls.emplace_back();
    C.Kind = KindOf(I.Kind);
    C.Name = I.Name;
    C.Left = I.Left;
    C.Top = I.Top;
    C.Width = I.Width;
    C.Height = I.Height;
    C.ModalResult = I.ModalResult;
    C.Default = I.Default;
    C.Password = I.Password;
    C.Events = I.Notify ? static_cast<unsigned>(I.Kind == rt::TDialogItemKind::Button ? meClick : meChange) : 0u;
  }
  PutValues(Window, F);
  return F;
}

void TIWDialogPresenter::PutValues(const rt::TDialogWindow& Window, TIWModalForm& Form) {
  for (const rt::TDialogItem& I : Window.Items) {
    TIWModalControl* C = Form.Find(I.Name);
    if (!C) continue;
    C->Caption = I.Caption;
    C->Text = I.Text;
    C->Items = I.Items;
    C->ItemIndex = I.ItemIndex;
    C->Checked = I.Checked;
  }
}

void TIWDialogPresenter::TakeValues(const TIWModalForm& Form, rt::TDialogWindow& Window) {
  for (rt::TDialogItem& I : Window.Items) {
    const TIWModalControl* C = const_cast<TIWModalForm&>(Form).Find(I.Name);
    if (!C) continue;
    switch (I.Kind) {
      case rt::TDialogItemKind::Edit: I.Text = C->Text; break;
      case rt::TDialogItemKind::ComboBox:
        I.ItemIndex = C->ItemIndex;
        I.Text = C->Text;
        break;
      case rt::TDialogItemKind::CheckBox: I.Checked = C->Checked; break;
      default: break;
    }
  }
}

int TIWDialogPresenter::ShowDialog(rt::TDialogWindow& Window) {
  TIWModalForm F = FormOf(Window);
  F.OnEvent = [&Window](TIWModalForm& Form, TIWModalControl& Sender, TIWModalEvent) {
    TakeValues(Form, Window);
    if (rt::TDialogItem* I = Window.Find(Sender.Name); I && Window.OnChange) Window.OnChange(Window, *I);
    PutValues(Window, Form);
  };
  const int R = FHost.ShowModal(F);
  TakeValues(F, Window);
  return R;
}

}  // namespace web
