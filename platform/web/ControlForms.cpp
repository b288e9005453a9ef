#include "platform/web/ControlForms.h"

#include <algorithm>
#include <map>
#include <set>

#include "platform/gfx/Graphics.h"

namespace web {

namespace {

// System colours (the default looks of buttons and edits) are left to the browser's style.
TColor WebColor(rt::TColor C) {
  if (C == rt::clNone || C == rt::clDefault || C < 0) return clNone;
  return C;
}

TIWFont WebFont(const gfx::TFont& F) {
  TIWFont W;
  W.Name = F.Name();
  W.Size = F.Size();
  W.Color = WebColor(F.Color());
  W.Bold = gfx::HasStyle(F.Style(), gfx::fsBold);
  W.Italic = gfx::HasStyle(F.Style(), gfx::fsItalic);
  W.Underline = gfx::HasStyle(F.Style(), gfx::fsUnderline);
  return W;
}

// The form's controls by the names they have in the browser, in parent-before-child order.
// Controls without a name, or with the name of another control of the form, get one of their own.
class TControlNames {
public:
  explicit TControlNames(rt::TCustomForm& Form) {
    std::set<std::string> Taken;
    Form.ForEachChild([&](rt::TControl& C) {
      std::string N = C.Name();
      if (N.empty() || Taken.count(N)) {
        int I = static_cast<int>(List.size()) + 1;
        do N = (C.Name().empty() ? std::string("Control") : C.Name() + "_") + std::to_string(I++);
        while (Taken.count(N));
      }
      Taken.insert(N);
      List.emplace_back(N, &C);
      ByName[N] = &C;
    });
  }
  std::string NameOf(const rt::TControl* C) const {
    for (const auto& [N, P] : List)
      if (P == C) return N;
    return {};
  }
  std::vector<std::pair<std::string, rt::TControl*>> List;
  std::map<std::string, rt::TControl*> ByName;
};

TIWModalControl Describe(rt::TControl& C, const std::string& Name, const std::string& ParentName) {
  TIWModalControl M;
  M.Name = Name;
  M.Parent = ParentName;
  M.Left = C.Left();
  M.Top = C.Top();
  M.Width = C.Width();
  M.Height = C.Height();
  M.Visible = C.Visible();
  M.Enabled = C.Enabled();
  M.Anchors = C.Anchors;  // the same bits
  if (!C.ParentFont()) M.Font = WebFont(C.Font());
  M.Color = WebColor(C.Color());
  if (C.ShowHint) M.Hint = C.Hint;
  if (auto* E = dynamic_cast<rt::TEdit*>(&C)) {
    M.Kind = TIWModalKind::Edit;
    M.Text = E->Text();
    M.Password = E->PasswordChar != 0;
    M.ReadOnly = E->ReadOnly;
    if (E->OnChange) M.Events = meChange;
  } else if (auto* Memo = dynamic_cast<rt::TMemo*>(&C)) {
    M.Kind = TIWModalKind::Memo;
    M.Text = Memo->Text();
    M.ReadOnly = Memo->ReadOnly;
  } else if (auto* B = dynamic_cast<rt::TButton*>(&C)) {
    M.Kind = TIWModalKind::Button;
    M.Caption = B->Caption();
    M.Default = B->Default;
    M.Events = meClick;  // its ModalResult is the form's business, not the host's
  } else if (auto* K = dynamic_cast<rt::TCheckBox*>(&C)) {
    M.Kind = TIWModalKind::CheckBox;
    M.Caption = K->Caption();
    M.Checked = K->Checked();
    if (K->OnClick) M.Events = meClick;
  } else if (auto* R = dynamic_cast<rt::TRadioButton*>(&C)) {
    M.Kind = TIWModalKind::RadioButton;
    M.Caption = R->Caption();
    M.Checked = R->Checked();
    M.Group = ParentName.empty() ? std::string("form") : ParentName;
    if (R->OnClick) M.Events = meClick;
  } else if (auto* X = dynamic_cast<rt::TCustomComboBox*>(&C)) {
    M.Kind = TIWModalKind::ComboBox;
    for (int I = 0; I < X->Items().Count(); ++I) M.Items.push_back(X->Items().Strings(I));
    M.ItemIndex = X->ItemIndex();
    M.Text = X->Text();
    if (X->OnChange || X->OnSelect || X->OnClick) M.Events = meChange;
  } else if (auto* L = dynamic_cast<rt::TCustomListBox*>(&C)) {
    M.Kind = TIWModalKind::ComboBox;
    for (int I = 0; I < L->Items().Count(); ++I) M.Items.push_back(L->Items().Strings(I));
    M.ItemIndex = L->ItemIndex();
    if (L->OnClick) M.Events = meChange;
  } else if (auto* W = dynamic_cast<rt::TWinControl*>(&C); W != nullptr && (W->ControlStyle & rt::csAcceptsControls)) {
    M.Kind = TIWModalKind::Panel;
  } else {
    M.Kind = TIWModalKind::Label;
    M.Caption = C.Caption();
    if (C.OnClick) M.Events = meClick;
  }
  return M;
}

TIWModalForm DescribeWith(rt::TCustomForm& Form, const TControlNames& Names) {
  TIWModalForm F;
  F.Name = Form.Name();
  F.Caption = Form.Caption();
  F.Width = Form.Width();
  F.Height = Form.Height();
  F.Color = Form.Color() == rt::clNone ? clNone : gfx::ColorToRGB(Form.Color());
  F.Font = WebFont(Form.Font());
  for (const auto& [N, C] : Names.List) {
    const std::string ParentName = C->Parent() == &Form ? std::string() : Names.NameOf(C->Parent());
    F.Controls.push_back(Describe(*C, N, ParentName));
    // A group box's caption sits on its frame.
    if (auto* G = dynamic_cast<rt::TGroupBox*>(C); G != nullptr && !G->Caption().empty()) {
      TIWModalControl L;
      L.Kind = TIWModalKind::Label;
      L.Name = N + "_Caption";
      L.Parent = N;
      L.Left = 8;
      L.Top = 0;
      L.Width = std::max(0, G->Width() - 16);
      L.Height = 15;
      L.Caption = G->Caption();
      L.Visible = G->Visible();
      F.Controls.push_back(std::move(L));
    }
  }
  return F;
}

// Puts what the browser left into the controls, without their change events.
void TakeValues(const TIWModalForm& F, const TControlNames& Names) {
  for (const TIWModalControl& M : F.Controls) {
    auto It = Names.ByName.find(M.Name);
    if (It == Names.ByName.end()) continue;
    rt::TControl* C = It->second;
    if (auto* E = dynamic_cast<rt::TEdit*>(C)) E->SetTextQuietly(M.Text);
    else if (auto* Memo = dynamic_cast<rt::TMemo*>(C)) Memo->Lines().SetText(M.Text);
    else if (auto* K = dynamic_cast<rt::TCheckBox*>(C)) K->SetCheckedQuietly(M.Checked);
    else if (auto* X = dynamic_cast<rt::TCustomComboBox*>(C)) X->SetItemIndex(M.ItemIndex);
    else if (auto* L = dynamic_cast<rt::TCustomListBox*>(C)) L->SetItemIndex(M.ItemIndex);
  }
  // Radio buttons last: the checked one unchecks its siblings.
  for (const TIWModalControl& M : F.Controls) {
    auto It = Names.ByName.find(M.Name);
    if (It == Names.ByName.end()) continue;
    if (auto* R = dynamic_cast<rt::TRadioButton*>(It->second); R != nullptr && M.Checked) R->SetCheckedQuietly(true);
  }
}

// The event the user caused, on the control's own handlers.
void Fire(rt::TControl& C, TIWModalEvent Event) {
  if (auto* E = dynamic_cast<rt::TEdit*>(&C)) {
    if (Event == meChange && E->OnChange) E->OnChange(E);
  } else if (auto* M = dynamic_cast<rt::TMemo*>(&C)) {
    if (Event == meChange && M->OnChange) M->OnChange(M);
  } else if (auto* X = dynamic_cast<rt::TCustomComboBox*>(&C)) {
    if (Event != meChange) return;
    if (X->OnSelect) X->OnSelect(X);
    else if (X->OnChange) X->OnChange(X);
    X->Click();
  } else {
    // Buttons, check boxes, radio buttons, list boxes and labels: a click.
    C.Click();
  }
}

// The description anew, leaving the running handler (Shown.OnEvent) where it is.
void Refresh(TIWModalForm& Shown, rt::TCustomForm& Form) {
  TIWModalForm Now = DescribeWith(Form, TControlNames(Form));
  Shown.Name = std::move(Now.Name);
  Shown.Caption = std::move(Now.Caption);
  Shown.Width = Now.Width;
  Shown.Height = Now.Height;
  Shown.Color = Now.Color;
  Shown.Font = std::move(Now.Font);
  Shown.Controls = std::move(Now.Controls);
}

}  // namespace

TIWModalForm DescribeControlForm(rt::TCustomForm& Form) { return DescribeWith(Form, TControlNames(Form)); }

rt::TModalResult ShowControlForm(TIWModalHost& Host, rt::TCustomForm& Form) {
  TIWModalForm F = DescribeControlForm(Form);
  F.OnEvent = [&Form](TIWModalForm& Shown, TIWModalControl& Sender, TIWModalEvent Event) {
    const TControlNames Names(Form);
    TakeValues(Shown, Names);
    auto It = Names.ByName.find(Sender.Name);
    Form.ModalResult = rt::mrNone;
    try {
      if (It != Names.ByName.end()) Fire(*It->second, Event);
      const int Result = Form.ModalResult != rt::mrNone && Form.CloseModal() ? Form.ModalResult : rt::mrNone;
      Refresh(Shown, Form);
      Shown.ModalResult = Result;
    } catch (...) {
      Form.ModalResult = rt::mrNone;
      // What the handler changed before it failed still shows.
      Refresh(Shown, Form);
      throw;
    }
  };
  const int Result = Host.ShowModal(F);
  TakeValues(F, TControlNames(Form));
  return Result;
}

TControlFormsScope::TControlFormsScope(TIWModalHost& Host)
    : FPresenter([&Host](rt::TCustomForm& Form) { return ShowControlForm(Host, Form); }) {}

}  // namespace web
