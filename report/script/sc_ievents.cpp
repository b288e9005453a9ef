#include "report/script/sc_ievents.h"

#include <algorithm>

#include "platform/rt/TypInfo.h"
#include "report/script/sc_iconst.h"
#include "report/script/sc_itools.h"

using rt::TVarRec;
using rt::Variant;

// =============================================================================================
// Bridges

TscCustomEvent::TscCustomEvent(rt::TObject* AObject, TscProcVariable* AHandler)
    : FHandler(AHandler), FInstance(AObject), FAlive(std::make_shared<TscCustomEvent*>(this)) {}

std::vector<Variant> TscCustomEvent::CallHandler(const std::vector<TVarRec>& Args) {
  TscProcVariable* H = FHandler;
  // An event fired from inside the procedure must not clobber the running call: its locals and
  // parameters, var parameters included, are saved and put back afterwards. The values this
  // call left in the parameters are kept aside for the event's var arguments.
  const int Frame = H->Executing ? H->SaveLocalVariables() : -1;
  std::vector<Variant> Results;
  try {
    const int N = std::min(static_cast<int>(Args.size()), H->Count());
    for (int I = 0; I < N; ++I) H->Params(I)->SetValue(ValueRecordToVariant(Args[static_cast<std::size_t>(I)]));
    H->GetValue();
    for (int I = 0; I < H->Count(); ++I) Results.push_back(H->Params(I)->GetValue());
  } catch (...) {
    H->RestoreLocalVariables(Frame, false, nullptr);
    throw;
  }
  H->RestoreLocalVariables(Frame, false, nullptr);
  return Results;
}

namespace {
// A handler of signature F that calls Bridge->DoEvent while the bridge exists.
template <class Bridge, class... Args>
std::any Bind(std::weak_ptr<TscCustomEvent*> Alive) {
  return std::function<void(Args...)>([Alive](Args... A) {
    if (auto P = Alive.lock()) static_cast<Bridge*>(*P)->DoEvent(std::forward<Args>(A)...);
  });
}
} // namespace

void TscNotifyEvent::DoEvent(rt::TObject* Sender) { CallHandler({TVarRec::Object(Sender)}); }
std::any TscNotifyEvent::GetMethod() { return Bind<TscNotifyEvent, rt::TObject*>(Alive()); }

void TscMouseEvent::DoEvent(rt::TObject* Sender, rt::TMouseButton Button, rt::TShiftState Shift, int X, int Y) {
  CallHandler({TVarRec::Object(Sender), TVarRec::Integer(Button), TVarRec::Integer(Shift), TVarRec::Integer(X),
               TVarRec::Integer(Y)});
}
std::any TscMouseEvent::GetMethod() {
  return Bind<TscMouseEvent, rt::TObject*, rt::TMouseButton, rt::TShiftState, int, int>(Alive());
}

void TscMouseMoveEvent::DoEvent(rt::TObject* Sender, rt::TShiftState Shift, int X, int Y) {
  CallHandler({TVarRec::Object(Sender), TVarRec::Integer(Shift), TVarRec::Integer(X), TVarRec::Integer(Y)});
}
std::any TscMouseMoveEvent::GetMethod() {
  return Bind<TscMouseMoveEvent, rt::TObject*, rt::TShiftState, int, int>(Alive());
}

void TscKeyEvent::DoEvent(rt::TObject* Sender, std::uint16_t& Key, rt::TShiftState Shift) {
  const auto R = CallHandler({TVarRec::Object(Sender), TVarRec::Integer(Key), TVarRec::Integer(Shift)});
  if (R.size() > 1) Key = static_cast<std::uint16_t>(R[1].ToInteger());
}
std::any TscKeyEvent::GetMethod() {
  return Bind<TscKeyEvent, rt::TObject*, std::uint16_t&, rt::TShiftState>(Alive());
}

void TscKeyPressEvent::DoEvent(rt::TObject* Sender, char16_t& Key) {
  const auto R = CallHandler({TVarRec::Object(Sender), TVarRec::WideChar(Key)});
  if (R.size() > 1) {
    const std::u16string S = R[1].ToUString();
    Key = S.empty() ? char16_t(0) : S[0];
  }
}
std::any TscKeyPressEvent::GetMethod() { return Bind<TscKeyPressEvent, rt::TObject*, char16_t&>(Alive()); }

void TscCloseEvent::DoEvent(rt::TObject* Sender, rt::TCloseAction& Action) {
  const auto R = CallHandler({TVarRec::Object(Sender), TVarRec::Integer(Action)});
  if (R.size() > 1) {
    const int A = R[1].ToInteger();
    if (A < rt::caNone || A > rt::caMinimize)
      throw rt::ERangeError("Close action " + rt::IntToStr(A) + " is not between 0 and 3");
    Action = static_cast<rt::TCloseAction>(A);
  }
}
std::any TscCloseEvent::GetMethod() { return Bind<TscCloseEvent, rt::TObject*, rt::TCloseAction&>(Alive()); }

void TscCloseQueryEvent::DoEvent(rt::TObject* Sender, bool& CanClose) {
  const auto R = CallHandler({TVarRec::Object(Sender), TVarRec::Boolean(CanClose)});
  if (R.size() > 1) CanClose = R[1].ToBoolean();
}
std::any TscCloseQueryEvent::GetMethod() { return Bind<TscCloseQueryEvent, rt::TObject*, bool&>(Alive()); }

void TscCanResizeEvent::DoEvent(rt::TObject* Sender, int& NewWidth, int& NewHeight, bool& Resize) {
  const auto R = CallHandler({TVarRec::Object(Sender), TVarRec::Integer(NewWidth), TVarRec::Integer(NewHeight),
                              TVarRec::Boolean(Resize)});
  if (R.size() > 1) NewWidth = R[1].ToInteger();
  if (R.size() > 2) NewHeight = R[2].ToInteger();
  if (R.size() > 3) Resize = R[3].ToBoolean();
}
std::any TscCanResizeEvent::GetMethod() {
  return Bind<TscCanResizeEvent, rt::TObject*, int&, int&, bool&>(Alive());
}

// =============================================================================================
// Event members

TscEventHelper::TscEventHelper(const std::string& AName, TscEventClass AEvent)
    : TscCustomHelper(AName, fvtString, ""), FEvent(AEvent) {}

Variant TscEventHelper::GetValue() { return Variant(u""); }

void TscEventHelper::SetValue(const Variant& Value) {
  rt::TObject* Inst = rt::VarToObject(ParentValue);
  if (!Inst) throw rt::Exception("Cannot set the event " + Name() + " of a nil object");
  const rt::TPropInfo* P = Inst->ClassType()->FindProperty(Name());
  if (!P || P->Kind != rt::tkMethod || !P->SetMethod)
    throw rt::Exception("The class " + Inst->ClassName() + " has no event " + Name());
  const std::string Text = Value.ToString();
  if (Text == "0") {
    P->SetMethod(Inst, std::any());
    return;
  }
  auto* Proc = dynamic_cast<TscProcVariable*>(Prog ? Prog->Find(Text) : nullptr);
  if (!Proc) throw rt::Exception(SEventError);
  TscCustomEvent* Bridge = FEvent(Inst, Proc);
  Prog->Add("", Bridge);
  P->SetMethod(Inst, Bridge->GetMethod());
}

TscEventHelper* TscClassVariable::AddEvent(const std::string& Name, TscEventClass AEvent) {
  auto* E = new TscEventHelper(Name, AEvent);
  E->ClassRef = FClassRef;
  FMembers.Add(E);
  return E;
}
