#pragma once
// Web forms: pages of controls, one shown at a time per session.
#include <functional>
#include <string>
#include <vector>

#include "platform/web/Application.h"
#include "platform/web/Controls.h"

namespace web {

class TIWAppForm;
using TFormEvent = std::function<void(TIWAppForm* Sender)>;

class TIWAppForm : public TIWContainer, public TIWComponentOwner {
public:
  explicit TIWAppForm(TIWApplication& app);
  ~TIWAppForm() override;

  std::string Name;   // shown to the browser as the form element's data-form
  std::string Title;
  int Width = 800, Height = 600;
  TColor Color = clWhite;
  bool RenderInvisibleControls = false;  // hidden controls rendered as hidden elements

  TFormEvent OnCreate;   // once, right after the form is created by TIWApplication::CreateForm
  TFormEvent OnRender;   // before every rendering of the form for a reply
  TNotifyEvent OnDefaultAction;  // Enter in an edit without a key handler of its own
  // Keys the form hears while no entry of the page has the focus: key codes, with KeyCtrl added
  // for a key held with Ctrl. The browser keeps them to itself (no scrolling, no print dialog).
  static constexpr int KeyCtrl = 0x10000;
  std::vector<int> KeyPreview;
  std::function<void(TIWAppForm* Sender, int Key, rt::TShiftState Shift)> OnKeyDown;
  // What the user pastes while no entry of the page has the focus arrives at this uploader as
  // an upload: a picture as the browser holds it, text as PastedTextFileName.
  TIWFileUploader* PasteTarget = nullptr;
  static constexpr const char* PastedTextFileName = "clipboard.txt";

  TIWApplication& Application() const { return FApplication; }
  void Show() { FApplication.ShowForm(this); }
  void Release() { FApplication.ReleaseForm(this); }
  // Script run in the browser when the next reply that shows this form has loaded.
  void AddToInitProc(const std::string& script) { FInitProcs.push_back(script); }

  // The form every new session starts on.
  template <class T>
  static void SetAsMainForm() {
    SetMainFormFactory([](TIWApplication& app) -> TIWAppForm* { return app.CreateForm<T>(); });
  }
  static void SetMainFormFactory(std::function<TIWAppForm*(TIWApplication&)> factory);
  static const std::function<TIWAppForm*(TIWApplication&)>& MainFormFactory();

  // ---- Framework side ----
  void Render(THtml& h) const;
  std::vector<std::string> TakeInitProcs();
  std::uint64_t Key() const { return FKey; }

protected:
  TIWContainer* DefaultParent() override { return this; }

private:
  TIWApplication& FApplication;
  std::uint64_t FKey;
  std::vector<std::string> FInitProcs;
};

template <class T, class... Args>
T* TIWApplication::CreateForm(Args&&... args) {
  auto form = std::make_unique<T>(*this, std::forward<Args>(args)...);
  T* raw = form.get();
  AdoptForm(std::move(form));
  if (raw->OnCreate) raw->OnCreate(raw);
  return raw;
}

}  // namespace web
