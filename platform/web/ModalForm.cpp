#include "platform/web/ModalForm.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include "platform/rt/SysUtils.h"

namespace web {

namespace {

constexpr const char* ModalQuestion = "modal-form";

// The description without its handler: what the request side may hold.
TIWModalForm Snapshot(const TIWModalForm& F) {
  TIWModalForm S;
  S.Name = F.Name;
  S.Caption = F.Caption;
  S.Width = F.Width;
  S.Height = F.Height;
  S.Color = F.Color;
  S.Font = F.Font;
  S.Controls = F.Controls;
  S.ModalResult = F.ModalResult;
  return S;
}

std::vector<std::string> SplitLines(const std::string& Text) {
  std::vector<std::string> Lines;
  std::string Line;
  for (std::size_t i = 0; i < Text.size(); ++i) {
    const char c = Text[i];
    if (c == '\r' || c == '\n') {
      Lines.push_back(std::move(Line));
      Line.clear();
      if (c == '\r' && i + 1 < Text.size() && Text[i + 1] == '\n') ++i;
    } else {
      Line += c;
    }
  }
  if (!Line.empty() || Lines.empty()) Lines.push_back(std::move(Line));
  return Lines;
}

// What the browser left in one control.
struct TValue {
  std::string Name, Text;
  int ItemIndex = -1;
  bool Checked = false;
};

}  // namespace

TIWModalControl* TIWModalForm::Find(const std::string& ControlName) {
  for (TIWModalControl& C : Controls)
    if (C.Name == ControlName) return &C;
  return nullptr;
}

struct TIWModalHost::TState {
  mutable std::mutex Lock;
  TIWWorker* Worker = nullptr;  // nullptr once the host is gone
  // The job's form while ShowModal waits; read and written only on the job's thread.
  TIWModalForm* Live = nullptr;
  TIWModalForm Shared;          // the form as the request side last may read it
  std::uint64_t Ticket = 0;     // the waiting form; 0: none
  std::uint64_t Tickets = 0;
  std::uint64_t ShownTicket = 0;
  TIWAppForm* Shown = nullptr;  // request side only
  std::uint64_t Job = 0;
  int Count = 0;
};

namespace {

// The web form of one waiting modal form. It lives in the session like any form; it never
// touches the job's description, only the copy the state shares.
class TModalWebForm : public TIWAppForm {
public:
  TModalWebForm(TIWApplication& App, std::shared_ptr<TIWModalHost::TState> State, std::uint64_t Ticket,
                const TIWModalForm& F)
      : TIWAppForm(App), FState(std::move(State)), FTicket(Ticket) {
    OnDefaultAction = [this](TIWControl*) {
      if (!FDefault.empty()) Fire(FDefault, meClick);
    };
    OnRender = [this](TIWAppForm*) { FreeRetired(); };
    Build(F);
  }

  ~TModalWebForm() override {
    std::lock_guard<std::mutex> lk(FState->Lock);
    if (FState->Shown == this) FState->Shown = nullptr;
  }

  // Builds the web controls. Controls built before are only hidden: the event being handled may
  // belong to one of them; they are freed before the next event or rendering.
  void Build(const TIWModalForm& F) {
    if (FArea) {
      FArea->Visible = false;
      FRetired.push_back(FArea);
      for (const auto& [N, W] : FControls) FRetired.push_back(W);
    }
    FControls.clear();
    FShape.clear();
    Name = F.Name;
    Title = F.Caption;
    Width = std::max(0, F.Width);
    Height = std::max(0, F.Height);
    // The form's own area: its colour and font, and the parent of its controls.
    FArea = Add<TIWRegion>(F.Name.empty() ? std::string("ModalForm") : F.Name);
    FArea->BorderWidth = 1;
    FArea->BorderColor = clGray;
    FDefault.clear();
    for (const TIWModalControl& C : F.Controls) {
      TIWContainer* Parent = FArea;
      if (!C.Parent.empty()) {
        auto It = FControls.find(C.Parent);
        if (It != FControls.end() && It->second->AsContainer()) Parent = It->second->AsContainer();
      }
      TIWControl* W = Create(C, Parent);
      FControls.emplace(C.Name, W);
      FShape += C.Name + '\x1f' + C.Parent + '\x1f' + std::to_string(static_cast<int>(C.Kind)) + '\x1e';
      if (C.Kind == TIWModalKind::Button && C.Default && FDefault.empty()) FDefault = C.Name;
    }
    Put(F);
  }

  // Puts the description's properties on the web controls; a changed set of controls is built anew.
  void Put(const TIWModalForm& F) {
    std::string Shape;
    for (const TIWModalControl& C : F.Controls)
      Shape += C.Name + '\x1f' + C.Parent + '\x1f' + std::to_string(static_cast<int>(C.Kind)) + '\x1e';
    if (Shape != FShape) {
      Build(F);
      return;
    }
    Title = F.Caption;
    Width = std::max(0, F.Width);
    Height = std::max(0, F.Height);
    FArea->SetBounds(0, 0, Width, Height);
    FArea->Color = F.Color;
    FArea->Font = F.Font;
    for (const TIWModalControl& C : F.Controls) {
      auto It = FControls.find(C.Name);
      if (It != FControls.end()) PutControl(*It->second, C, F.Font);
    }
  }

  // What the browser left in the controls that carry values.
  std::vector<TValue> Values() const {
    std::vector<TValue> Out;
    for (const auto& [N, W] : FControls) {
      TValue V;
      V.Name = N;
      if (auto* E = dynamic_cast<TIWEdit*>(W)) V.Text = E->Text;
      else if (auto* M = dynamic_cast<TIWMemo*>(W)) V.Text = M->Text();
      else if (auto* B = dynamic_cast<TIWComboBox*>(W)) {
        V.ItemIndex = B->ItemIndex;
        V.Text = B->Text();
      } else if (auto* K = dynamic_cast<TIWCheckBox*>(W)) V.Checked = K->Checked;
      else if (auto* R = dynamic_cast<TIWRadioButton*>(W)) V.Checked = R->Checked();
      else continue;
      Out.push_back(std::move(V));
    }
    return Out;
  }

  // An event of control ControlName: the values go to the job's form, its handler runs there, and
  // what it changed comes back.
  void Fire(const std::string ControlName, unsigned Events) {
    FreeRetired();
    const std::vector<TValue> Vals = Values();
    TIWWorker* W = nullptr;
    {
      std::lock_guard<std::mutex> lk(FState->Lock);
      if (FState->Ticket == FTicket) W = FState->Worker;
    }
    if (!W) {
      // The job stopped waiting (cancelled, ended or out of time): the form has nothing to answer.
      Close();
      return;
    }
    std::string Error;
    bool Ran = false;
    const bool Reached = W->RunAtSafePoint(
        [&] {
          TIWModalForm* F = nullptr;
          {
            std::lock_guard<std::mutex> lk(FState->Lock);
            if (FState->Ticket == FTicket) F = FState->Live;
          }
          if (!F) return;
          Ran = true;
          for (const TValue& V : Vals) {
            TIWModalControl* C = F->Find(V.Name);
            if (!C) continue;
            switch (C->Kind) {
              case TIWModalKind::Edit:
              case TIWModalKind::Memo: C->Text = V.Text; break;
              case TIWModalKind::ComboBox:
                C->ItemIndex = V.ItemIndex;
                C->Text = V.Text;
                break;
              case TIWModalKind::CheckBox:
              case TIWModalKind::RadioButton: C->Checked = V.Checked; break;
              default: break;
            }
          }
          TIWModalControl* Sender = F->Find(ControlName);
          if (Sender) {
            try {
              for (TIWModalEvent E : {meClick, meChange}) {
                if ((Events & E) && (Sender->Events & E) && F->OnEvent) {
                  F->OnEvent(*F, *Sender, E);
                  // The handler may have changed the controls (even removed Sender).
                  Sender = F->Find(ControlName);
                  if (!Sender) break;
                }
              }
              if (Sender && (Events & meClick) && Sender->Kind == TIWModalKind::Button && Sender->ModalResult != mrNone &&
                  F->ModalResult == mrNone)
                F->ModalResult = Sender->ModalResult;
            } catch (const std::exception& e) {
              Error = e.what();
              if (Error.empty()) Error = "The form's handler failed";
              F->ModalResult = mrNone;
            }
          }
          TIWModalForm S = Snapshot(*F);
          std::lock_guard<std::mutex> lk(FState->Lock);
          FState->Shared = std::move(S);
        },
        std::chrono::duration_cast<std::chrono::milliseconds>(TIWModalHost::EventWait));
    if (!Ran) {
      if (!Reached) Application().ShowMessage("The form did not answer in time.");
      else Close();
      return;
    }
    TIWModalForm S;
    {
      std::lock_guard<std::mutex> lk(FState->Lock);
      S = FState->Shared;
    }
    Put(S);
    if (!Error.empty()) Application().ShowMessage(Error);
    if (S.ModalResult != mrNone) {
      W->Answer(std::to_string(FTicket) + ":" + std::to_string(S.ModalResult));
      Close();
    }
  }

private:
  void FreeRetired() {
    for (TIWControl* C : FRetired) FreeComponent(C);
    FRetired.clear();
  }

  void Close() {
    {
      std::lock_guard<std::mutex> lk(FState->Lock);
      if (FState->Shown == this) FState->Shown = nullptr;
    }
    Release();
  }

  TIWControl* Create(const TIWModalControl& C, TIWContainer* Parent) {
    const std::string N = C.Name;
    switch (C.Kind) {
      case TIWModalKind::Label: {
        auto* L = Add<TIWLabel>(N, Parent);
        if (C.Events & meClick) L->OnClick = [this, N](TIWControl*) { Fire(N, meClick); };
        return L;
      }
      case TIWModalKind::Edit: {
        auto* E = Add<TIWEdit>(N, Parent);
        if (C.Events & meChange)
          E->OnAsyncChange = [this, N](TIWControl*, const TIWEventParams&) { Fire(N, meChange); };
        return E;
      }
      case TIWModalKind::Memo: return Add<TIWMemo>(N, Parent);
      case TIWModalKind::Button: {
        auto* B = Add<TIWButton>(N, Parent);
        B->OnClick = [this, N](TIWControl*) { Fire(N, meClick); };
        return B;
      }
      case TIWModalKind::CheckBox: {
        auto* K = Add<TIWCheckBox>(N, Parent);
        if (C.Events & (meClick | meChange)) K->OnClick = [this, N](TIWControl*) { Fire(N, meClick | meChange); };
        return K;
      }
      case TIWModalKind::RadioButton: {
        auto* R = Add<TIWRadioButton>(N, Parent);
        if (C.Events & (meClick | meChange)) R->OnClick = [this, N](TIWControl*) { Fire(N, meClick | meChange); };
        return R;
      }
      case TIWModalKind::ComboBox: {
        auto* B = Add<TIWComboBox>(N, Parent);
        if (C.Events & meChange) B->OnChange = [this, N](TIWControl*) { Fire(N, meChange); };
        return B;
      }
      case TIWModalKind::Panel: {
        auto* P = Add<TIWRegion>(N, Parent);
        return P;
      }
      case TIWModalKind::Image: {
        auto* I = Add<TIWImage>(N, Parent);
        if (C.Events & meClick) I->OnClick = [this, N](TIWControl*) { Fire(N, meClick); };
        return I;
      }
    }
    return Add<TIWLabel>(N, Parent);
  }

  static void PutControl(TIWControl& W, const TIWModalControl& C, const TIWFont& FormFont) {
    W.SetBounds(C.Left, C.Top, std::max(0, C.Width), std::max(0, C.Height));
    W.Visible = C.Visible;
    W.Enabled = C.Enabled;
    W.Anchors = C.Anchors;
    W.Hint = C.Hint;
    W.Color = C.Color;
    W.Font = C.Font;
    if (W.Font.Name.empty()) W.Font.Name = FormFont.Name;
    if (W.Font.Size == 0) W.Font.Size = FormFont.Size;
    if (auto* L = dynamic_cast<TIWLabel*>(&W)) L->Caption = C.Caption;
    else if (auto* E = dynamic_cast<TIWEdit*>(&W)) {
      E->Text = C.Text;
      E->PasswordPrompt = C.Password;
      E->ReadOnly = C.ReadOnly;
    } else if (auto* M = dynamic_cast<TIWMemo*>(&W)) {
      M->Lines = SplitLines(C.Text);
      M->Editable = !C.ReadOnly;
    } else if (auto* B = dynamic_cast<TIWButton*>(&W)) B->Caption = C.Caption;
    else if (auto* K = dynamic_cast<TIWCheckBox*>(&W)) {
      K->Caption = C.Caption;
      K->Checked = C.Checked;
    } else if (auto* R = dynamic_cast<TIWRadioButton*>(&W)) {
      R->Caption = C.Caption;
      R->Group = C.Group;
      R->SetChecked(C.Checked);
    } else if (auto* X = dynamic_cast<TIWComboBox*>(&W)) {
      X->Items = C.Items;
      X->ItemIndex = C.ItemIndex >= 0 && C.ItemIndex < static_cast<int>(C.Items.size()) ? C.ItemIndex : -1;
    } else if (auto* I = dynamic_cast<TIWImage*>(&W)) {
      if (C.Picture.empty()) I->ClearPicture();
      else I->SetPicture(C.Picture, C.PictureType.empty() ? std::string("image/png") : C.PictureType);
    } else if (auto* P = dynamic_cast<TIWRegion*>(&W)) {
      P->BorderWidth = 1;
      P->BorderColor = clGray;
    }
  }

  std::shared_ptr<TIWModalHost::TState> FState;
  std::uint64_t FTicket;
  TIWRegion* FArea = nullptr;
  std::map<std::string, TIWControl*> FControls;
  std::string FShape;
  std::string FDefault;  // the button Enter presses
  std::vector<TIWControl*> FRetired;
};

}  // namespace

TIWModalHost::TIWModalHost(TIWWorker& Worker) : FState(std::make_shared<TState>()) { FState->Worker = &Worker; }

TIWModalHost::~TIWModalHost() {
  std::lock_guard<std::mutex> lk(FState->Lock);
  FState->Worker = nullptr;
  FState->Ticket = 0;
  FState->Live = nullptr;
}

int TIWModalHost::ShowModal(TIWModalForm& Form) {
  TIWWorker* W = nullptr;
  std::uint64_t Ticket = 0;
  {
    std::lock_guard<std::mutex> lk(FState->Lock);
    W = FState->Worker;
    if (!W) return mrCancel;
    const std::uint64_t Job = W->JobNumber();
    if (Job != FState->Job) {
      FState->Job = Job;
      FState->Count = 0;
    }
    if (FState->Count >= MaxFormsPerJob)
      throw rt::Exception("Too many forms were opened (at most " + std::to_string(MaxFormsPerJob) + ").");
    if (Form.Controls.size() > static_cast<std::size_t>(MaxControlsPerForm))
      throw rt::Exception("The form has too many controls (at most " + std::to_string(MaxControlsPerForm) + ").");
    ++FState->Count;
    Form.ModalResult = mrNone;
    FState->Live = &Form;
    FState->Shared = Snapshot(Form);
    Ticket = FState->Ticket = ++FState->Tickets;
  }
  int Result = mrCancel;
  const std::string Prefix = std::to_string(Ticket) + ":";
  for (;;) {
    const std::optional<std::string> A = W->Ask(ModalQuestion);
    if (!A) break;
    // Only an answer to this form counts.
    if (A->compare(0, Prefix.size(), Prefix) != 0) continue;
    int R = mrCancel;
    if (rt::TryStrToInt(A->substr(Prefix.size()), R) && R != mrNone) Result = R;
    break;
  }
  {
    std::lock_guard<std::mutex> lk(FState->Lock);
    FState->Live = nullptr;
    FState->Ticket = 0;
  }
  Form.ModalResult = Result;
  return Result;
}

bool TIWModalHost::ShowWaiting(TIWApplication& App) {
  TIWModalForm F;
  std::uint64_t Ticket = 0;
  {
    std::lock_guard<std::mutex> lk(FState->Lock);
    if (!FState->Worker || FState->Ticket == 0 || FState->ShownTicket == FState->Ticket) return false;
    Ticket = FState->Ticket;
    F = FState->Shared;
  }
  if (FState->Worker->Question() != ModalQuestion) return false;
  auto* Web = App.CreateForm<TModalWebForm>(FState, Ticket, F);
  {
    std::lock_guard<std::mutex> lk(FState->Lock);
    FState->ShownTicket = Ticket;
    FState->Shown = Web;
  }
  Web->Show();
  return true;
}

bool TIWModalHost::Waiting() const {
  std::lock_guard<std::mutex> lk(FState->Lock);
  return FState->Ticket != 0;
}

TIWAppForm* TIWModalHost::ShownForm() const {
  std::lock_guard<std::mutex> lk(FState->Lock);
  return FState->Shown;
}

}  // namespace web
