// Components of forms, frames and data modules as script members.
#include "platform/rt/Components.h"
#include "platform/rt/Controls.h"
#include "report/script/sc_iinterpreter.h"

TscComponentHelper::TscComponentHelper(rt::TComponent* Component)
    : TscCustomHelper(Component ? Component->Name() : std::string(), fvtClass,
                      Component ? Component->ClassName() : std::string("TObject")) {
  // The handle, not the address: a component freed before the script reads as invalid.
  FValue = rt::VarFromObject(Component);
  IsReadOnly = true;
}

rt::Variant TscComponentHelper::GetValue() { return FValue; }

rt::TComponent* TscComponentHelper::Component() const {
  return dynamic_cast<rt::TComponent*>(rt::VarFindObject(FValue));
}

TscComponentHelper* TscClassVariable::AddComponent(rt::TComponent* Component) {
  auto* H = new TscComponentHelper(Component);
  FMembers.Add(H);
  return H;
}

void TscScript::AddComponent(rt::TComponent* Form) {
  if (Form == nullptr) return;
  TscClassVariable* C = FindClass(Form->ClassName());
  if (C == nullptr) {
    const char* Ancestor = nullptr;
    if (dynamic_cast<rt::TCustomForm*>(Form)) Ancestor = "TForm";
    else if (dynamic_cast<rt::TDataModule*>(Form)) Ancestor = "TDataModule";
    else if (dynamic_cast<rt::TCustomFrame*>(Form)) Ancestor = "TFrame";
    if (Ancestor == nullptr) return;
    C = AddClass(Form->ClassType(), Ancestor);
    // A class name already taken by an item that is no class: nothing to add members to.
    if (C == nullptr) return;
  }
  for (int I = 0; I < Form->ComponentCount(); ++I) {
    rt::TComponent* Owned = Form->Components(I);
    if (!Owned->Name().empty()) C->AddComponent(Owned);
  }
  AddObject(Form->Name(), Form);
}

void TscScript::AddForm(rt::TComponent* Form) { AddComponent(Form); }
