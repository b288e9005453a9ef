#pragma once
// The report's dialog controls: report objects on a dialog page, each wrapping one control of
// the runtime (platform/rt/Controls.h) that a dialog page's form shows. Their own properties
// (texts, items, check marks) live in the wrapped control; the script events they publish run
// when the control's events fire.
#include "platform/rt/Controls.h"
#include "report/engine/repClassData.h"

// Publishes the control's own properties of one kind, in the wrapped control.
#define REP_DIALOG_CONTROL(Name, RtClass)                                   \
  class Name : public TrepDialogControl {                                   \
  public:                                                                   \
    RT_CLASS_INFO(Name)                                                     \
    explicit Name(rt::TComponent* AOwner);                                  \
    RtClass& Wrapped() const { return *static_cast<RtClass*>(Control()); } \
  };

REP_DIALOG_CONTROL(TrepLabelControl, rt::TLabel)
REP_DIALOG_CONTROL(TrepEditControl, rt::TEdit)
REP_DIALOG_CONTROL(TrepMemoControl, rt::TMemo)
REP_DIALOG_CONTROL(TrepButtonControl, rt::TButton)
REP_DIALOG_CONTROL(TrepCheckBoxControl, rt::TCheckBox)
REP_DIALOG_CONTROL(TrepRadioButtonControl, rt::TRadioButton)
REP_DIALOG_CONTROL(TrepComboBoxControl, rt::TComboBox)
REP_DIALOG_CONTROL(TrepListBoxControl, rt::TListBox)
REP_DIALOG_CONTROL(TrepGroupBoxControl, rt::TGroupBox)

#undef REP_DIALOG_CONTROL

// The concrete dialog control classes, for the class registry and the script bindings.
const std::vector<rt::TClass>& DialogControlClasses();
