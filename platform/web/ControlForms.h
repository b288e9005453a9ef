#pragma once
// Forms of the runtime's control model (platform/rt/Controls.h) shown in the browser. A job on a
// session's worker puts a TControlFormsScope around its work; from then on a form's ShowModal on
// the job's thread describes the form to the session's TIWModalHost and waits for the answer.
//
// Each control becomes one web control whose element id is the control's name. What the user
// enters comes back into the controls (Text, Lines, ItemIndex, Checked) as typed, without running
// their change events; then the event the user caused runs on the job's thread: OnClick of buttons,
// labels, check boxes, radio buttons and list boxes, OnChange of edits and memos, OnSelect or
// OnChange and then OnClick of combo boxes. What the handlers change (texts, captions, bounds,
// visibility, new or freed controls) is shown again. A button's ModalResult, or a handler setting
// the form's, closes the form once its OnCloseQuery and OnClose let it.
//
// Group boxes, scroll boxes and other containers become panels (a group box's caption a label on
// it); list boxes show as drop-down lists. Keyboard and mouse-move events of the controls do not
// travel: the browser sends clicks and changes only.
#include "platform/rt/Controls.h"
#include "platform/web/ModalForm.h"

namespace web {

// The form as the modal host shows it; the controls in parent-before-child order.
TIWModalForm DescribeControlForm(rt::TCustomForm& Form);

// Shows Form through Host and waits (on the job's thread); the controls hold what the user left.
rt::TModalResult ShowControlForm(TIWModalHost& Host, rt::TCustomForm& Form);

// For the calling thread (a job of Host's worker) while it lives: ShowModal shows forms through
// Host, and forms the job gives the application as owner are freed at its end.
class TControlFormsScope {
public:
  explicit TControlFormsScope(TIWModalHost& Host);

private:
  rt::TApplicationScope FApplication;
  rt::TModalPresenterScope FPresenter;
};

}  // namespace web
