#include "report/engine/repDialogControls.h"

#include <type_traits>
#include <utility>

#include "report/engine/repClassProps.h"
#include "report/engine/repClassReport.h"

namespace {

// A property of the wrapped control of dialog control class D, read and written through its
// own class's published property (so the control's own rules apply: cut texts, clicks, ...).
template <class D>
rt::TPropInfo WrappedProp(const char* Name, const char* AsName = nullptr) {
  using RtClass = std::remove_reference_t<decltype(std::declval<D&>().Wrapped())>;
  const rt::TPropInfo* P = RtClass::ClassInfo()->FindProperty(AsName ? AsName : Name);
  rt::TPropInfo R(Name, P->Kind, P->TypeName,
                  [P](rt::TObject* O) { return P->Get(static_cast<D*>(O)->Control()); });
  if (P->Set) R.Set = [P](rt::TObject* O, const rt::Variant& V) { P->Set(static_cast<D*>(O)->Control(), V); };
  R.Default = P->Default;
  R.Stored = P->Stored ? std::function<bool(rt::TObject*)>([P](rt::TObject* O) {
    return P->Stored(static_cast<D*>(O)->Control());
  })
                       : nullptr;
  R.EnumNames = P->EnumNames;
  return R;
}

template <class D>
rt::TPropInfo Event(const char* Name, std::string TrepDialogControl::*Member) {
  return rt::TPropInfo::Field<TrepDialogControl>(Name, rt::tkString, "TrepNotifyEvent", Member);
}

// The events every windowed dialog control publishes, and a change event where there is one.
template <class D>
std::vector<rt::TPropInfo> Props(std::vector<rt::TPropInfo> Own, bool Change) {
  using C = TrepDialogControl;
  for (auto [N, M] : {std::pair{"OnClick", &C::OnClick}, std::pair{"OnDblClick", &C::OnDblClick},
                      std::pair{"OnEnter", &C::OnEnter}, std::pair{"OnExit", &C::OnExit},
                      std::pair{"OnKeyDown", &C::OnKeyDown}, std::pair{"OnKeyPress", &C::OnKeyPress},
                      std::pair{"OnKeyUp", &C::OnKeyUp}, std::pair{"OnMouseDown", &C::OnMouseDown},
                      std::pair{"OnMouseMove", &C::OnMouseMove}, std::pair{"OnMouseUp", &C::OnMouseUp}})
    Own.push_back(Event<D>(N, M));
  if (Change) Own.push_back(Event<D>("OnChange", &C::OnChange));
  Own.push_back(WrappedProp<D>("Color"));
  Own.push_back(rt::TPropInfo("TabStop", rt::tkEnumeration, "Boolean",
                              [](rt::TObject* O) { return rt::Variant(static_cast<D*>(O)->TabStop()); },
                              [](rt::TObject* O, const rt::Variant& V) { static_cast<D*>(O)->SetTabStop(V.ToBoolean()); })
                     .WithDefault(1));
  return Own;
}

// Runs the object's OnChange script event when the control reports a change.
template <class D>
void ConnectChange(D* Self) {
  Self->Wrapped().OnChange = [Self](rt::TObject*) {
    if (Self->OnChange.empty()) return;
    if (TrepReport* R = Self->Report()) R->DoNotifyEvent(Self, Self->OnChange);
  };
}

} // namespace

#define REP_DIALOG_CONTROL_IMPL(Name, RtClass, Init, ...)                                              \
  Name::Name(rt::TComponent* AOwner) : TrepDialogControl(AOwner) {                                     \
    SetControl(std::make_unique<RtClass>(nullptr));                                                    \
    Init;                                                                                              \
  }                                                                                                    \
  rt::TClass Name::ClassInfo() {                                                                       \
    static const rt::TClassInfo Info(#Name, TrepDialogControl::ClassInfo(), [] { return new Name(nullptr); }, \
                                     __VA_ARGS__);                                                     \
    return &Info;                                                                                      \
  }

REP_DIALOG_CONTROL_IMPL(TrepLabelControl, rt::TLabel, (void)0,
                        Props<TrepLabelControl>({WrappedProp<TrepLabelControl>("Caption"),
                                                 WrappedProp<TrepLabelControl>("Alignment"),
                                                 WrappedProp<TrepLabelControl>("AutoSize"),
                                                 WrappedProp<TrepLabelControl>("WordWrap")},
                                                false))
REP_DIALOG_CONTROL_IMPL(TrepEditControl, rt::TEdit, ConnectChange(this),
                        Props<TrepEditControl>({WrappedProp<TrepEditControl>("Text"),
                                                WrappedProp<TrepEditControl>("PasswordChar"),
                                                WrappedProp<TrepEditControl>("ReadOnly"),
                                                WrappedProp<TrepEditControl>("MaxLength"),
                                                WrappedProp<TrepEditControl>("CharCase")},
                                               true))
REP_DIALOG_CONTROL_IMPL(TrepMemoControl, rt::TMemo, ConnectChange(this),
                        Props<TrepMemoControl>({WrappedProp<TrepMemoControl>("Lines"),
                                                WrappedProp<TrepMemoControl>("Text"),
                                                WrappedProp<TrepMemoControl>("ReadOnly"),
                                                WrappedProp<TrepMemoControl>("WordWrap"),
                                                WrappedProp<TrepMemoControl>("ScrollBars")},
                                               true))
REP_DIALOG_CONTROL_IMPL(TrepButtonControl, rt::TButton, (void)0,
                        Props<TrepButtonControl>({WrappedProp<TrepButtonControl>("Caption"),
                                                  WrappedProp<TrepButtonControl>("ModalResult"),
                                                  WrappedProp<TrepButtonControl>("Default"),
                                                  WrappedProp<TrepButtonControl>("Cancel")},
                                                 false))
REP_DIALOG_CONTROL_IMPL(TrepCheckBoxControl, rt::TCheckBox, (void)0,
                        Props<TrepCheckBoxControl>({WrappedProp<TrepCheckBoxControl>("Caption"),
                                                    WrappedProp<TrepCheckBoxControl>("AllowGrayed"),
                                                    WrappedProp<TrepCheckBoxControl>("Checked"),
                                                    WrappedProp<TrepCheckBoxControl>("State"),
                                                    WrappedProp<TrepCheckBoxControl>("Alignment")},
                                                   false))
REP_DIALOG_CONTROL_IMPL(TrepRadioButtonControl, rt::TRadioButton, (void)0,
                        Props<TrepRadioButtonControl>({WrappedProp<TrepRadioButtonControl>("Caption"),
                                                       WrappedProp<TrepRadioButtonControl>("Checked"),
                                                       WrappedProp<TrepRadioButtonControl>("Alignment")},
                                                      false))
REP_DIALOG_CONTROL_IMPL(TrepComboBoxControl, rt::TComboBox, ConnectChange(this),
                        Props<TrepComboBoxControl>({WrappedProp<TrepComboBoxControl>("Style"),
                                                    WrappedProp<TrepComboBoxControl>("Items"),
                                                    WrappedProp<TrepComboBoxControl>("ItemIndex"),
                                                    WrappedProp<TrepComboBoxControl>("Text"),
                                                    WrappedProp<TrepComboBoxControl>("Sorted")},
                                                   true))
REP_DIALOG_CONTROL_IMPL(TrepListBoxControl, rt::TListBox, (void)0,
                        Props<TrepListBoxControl>({WrappedProp<TrepListBoxControl>("Items"),
                                                   WrappedProp<TrepListBoxControl>("ItemIndex"),
                                                   WrappedProp<TrepListBoxControl>("MultiSelect"),
                                                   WrappedProp<TrepListBoxControl>("Sorted")},
                                                  false))
REP_DIALOG_CONTROL_IMPL(TrepGroupBoxControl, rt::TGroupBox, (void)0,
                        Props<TrepGroupBoxControl>({WrappedProp<TrepGroupBoxControl>("Caption")}, false))

#undef REP_DIALOG_CONTROL_IMPL

const std::vector<rt::TClass>& DialogControlClasses() {
  static const std::vector<rt::TClass> L{
      TrepLabelControl::ClassInfo(),    TrepEditControl::ClassInfo(),        TrepMemoControl::ClassInfo(),
      TrepButtonControl::ClassInfo(),   TrepCheckBoxControl::ClassInfo(),    TrepRadioButtonControl::ClassInfo(),
      TrepComboBoxControl::ClassInfo(), TrepListBoxControl::ClassInfo(),     TrepGroupBoxControl::ClassInfo()};
  return L;
}
