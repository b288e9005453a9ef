#pragma once
// Modal forms asked for by work that runs off the request (a TIWWorker job). The job describes a
// form as plain data (TIWModalForm) and calls TIWModalHost::ShowModal, which waits like a
// question of the worker. A request of the session (the page's poll) calls ShowWaiting, which
// builds a form of web controls from the description and shows it over the session's form. The
// browser's events on it carry the controls' values back into the job's description at a safe
// point, run the job's OnEvent handler there (on the job's thread), and put what the handler
// changed back on the web controls; a button with a ModalResult (or a handler setting the form's
// ModalResult) closes the form and ShowModal returns that result.
//
// Every job may open at most MaxFormsPerJob forms; Cancel, the worker's end (the session's end)
// or no answer within TIWWorker::MaxAnswerWait make ShowModal return mrCancel.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/web/Forms.h"
#include "platform/web/Worker.h"

namespace web {

// Results of a modal form; the values of the runtime's modal results.
enum TIWModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

enum class TIWModalKind { Label, Edit, Memo, Button, CheckBox, RadioButton, ComboBox, Panel, Image };

// Events of a control that reach the job's handler.
enum TIWModalEvent : unsigned { meClick = 1, meChange = 2 };

struct TIWModalControl {
  TIWModalKind Kind = TIWModalKind::Label;
  std::string Name;    // the element's id in the browser; unique in its form
  std::string Parent;  // the Name of a Panel of the same form (listed before it); empty: the form
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool Visible = true, Enabled = true;
  unsigned Anchors = akLeft | akTop;
  TIWFont Font;
  TColor Color = clNone;
  std::string Hint;
  std::string Caption;  // label, button, check box, radio button
  std::string Text;     // edit; memo (lines by CR LF); combo box: read back as the chosen item's text
  bool Password = false, ReadOnly = false;  // edit, memo
  std::vector<std::string> Items;  // combo box
  int ItemIndex = -1;              // combo box
  bool Checked = false;            // check box, radio button
  std::string Group;               // radio buttons that exclude each other
  int ModalResult = mrNone;        // button: after its click the form closes with this result
  bool Default = false;            // button: Enter in an edit presses it
  unsigned Events = 0;             // meClick | meChange: the events the form's OnEvent hears
  std::string Picture, PictureType;  // image: bytes and their content type
};

struct TIWModalForm {
  std::string Name, Caption;
  int Width = 400, Height = 300;
  TColor Color = clNone;
  TIWFont Font;
  std::vector<TIWModalControl> Controls;
  // Set by a handler (or a button's click): the form closes with this result.
  int ModalResult = mrNone;
  // On the job's thread while the form shows, after the browser's values were read into Controls.
  // May change anything of the form; the browser shows the changes. An exception becomes a
  // message in the browser and the form stays.
  std::function<void(TIWModalForm& Form, TIWModalControl& Sender, TIWModalEvent Event)> OnEvent;

  TIWModalControl* Find(const std::string& ControlName);
};

class TIWModalHost {
public:
  // Forms one job may open; one more raises rt::Exception.
  static constexpr int MaxFormsPerJob = 200;
  // Controls one form may hold; a larger form raises rt::Exception.
  static constexpr int MaxControlsPerForm = 2000;
  // How long an event of the form waits for the job's handler.
  static constexpr std::chrono::seconds EventWait{30};

  // The host serves the worker's jobs; it must outlive them (declare it before the worker).
  explicit TIWModalHost(TIWWorker& Worker);
  ~TIWModalHost();
  TIWModalHost(const TIWModalHost&) = delete;
  TIWModalHost& operator=(const TIWModalHost&) = delete;

  // ---- on the job's thread ----
  // Shows Form in the browser and waits; Form's controls hold the values the user left.
  int ShowModal(TIWModalForm& Form);

  // ---- on a request of the session ----
  // Shows the form the job waits on over App's active form when it is not shown yet; true when
  // it was shown now. Call it from the page's poll (a timer) while the job runs.
  bool ShowWaiting(TIWApplication& App);
  // A form waits for its answer (shown or not).
  bool Waiting() const;
  // The web form showing the waiting form; nullptr when none.
  TIWAppForm* ShownForm() const;

  struct TState;

private:
  std::shared_ptr<TState> FState;
};

}  // namespace web
