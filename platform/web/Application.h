#pragma once
// A browser session as the web layer sees it, and the thread's current session.
// The web server makes a session's application current for the duration of each request it serves;
// code further up (the session object's accessor) reads it from there.
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/web/Controls.h"
#include "platform/web/Http.h"

namespace web {

class TIWAppForm;

// Base of the per-session data object that the application's new-session hook creates.
class TIWUserSessionBase {
public:
  virtual ~TIWUserSessionBase() = default;
};

// Window options of NewWindow.
enum TIWWindowOption : unsigned {
  woButtons = 1,    // tool bar
  woStatusBar = 2,
  woMenuBar = 4,
  woScrollBars = 8,
  woResizable = 16,
  woCopyHistory = 32,
  woFullScreen = 64,
};

// One browser session: its data object, its forms (the last shown is the one the browser sees),
// what the current reply carries to the browser, and the current request.
// It also owns controls created for the whole session (frames).
class TIWApplication : public TIWComponentOwner {
public:
  TIWApplication();
  ~TIWApplication() override;

  TIWUserSessionBase* Data() const { return FData.get(); }
  void SetData(std::unique_ptr<TIWUserSessionBase> data) { FData = std::move(data); }

  // Forms belong to the application and go with it (or when released).
  template <class T, class... Args>
  T* CreateForm(Args&&... args);
  TIWAppForm* ActiveForm() const { return FStack.empty() ? nullptr : FStack.back(); }
  // Makes the form the one shown (again).
  void ShowForm(TIWAppForm* form);
  // Takes the form off the browser; the previous form shows again. The form object stays.
  void RemoveForm(TIWAppForm* form);
  // Takes the form off the browser and frees it once the current request is done.
  void ReleaseForm(TIWAppForm* form);

  // A message the browser shows after this reply; the handler does not wait for it.
  void ShowMessage(const std::string& text);
  // Script run in the browser when this reply has loaded.
  void AddToInitProc(const std::string& script);
  // Asks the browser to open the address in a window of that name (default size and position).
  void NewWindow(const std::string& url, const std::string& name, unsigned options = woScrollBars | woResizable);
  // Sends bytes as a file with this reply; the file name is cleaned before it is sent.
  void SendStream(std::string bytes, bool attachment, const std::string& contentType, const std::string& fileName);
  // The whole stream, from its start.
  void SendStream(rt::TStream& stream, bool attachment, const std::string& contentType, const std::string& fileName);

  const TIWRequest& Request() const { return FRequest; }
  TIWResponse& Response() { return FResponse; }
  // Width of the browser window as the page last reported it; 0 before the first report.
  int FormWidth() const { return FFormWidth; }

  // ---- Framework side ----
  void BeginRequest(TIWRequest request, int formWidth);
  void AdoptForm(std::unique_ptr<TIWAppForm> form);
  // Frees the forms released during the request.
  void FlushReleased();
  std::vector<std::string> TakeMessages();
  std::vector<std::string> TakeInitProcs();
  std::string TakeDownload();

private:
  std::unique_ptr<TIWUserSessionBase> FData;
  std::vector<std::unique_ptr<TIWAppForm>> FForms;
  std::vector<TIWAppForm*> FStack;
  std::vector<std::unique_ptr<TIWAppForm>> FReleased;
  std::vector<std::string> FMessages, FInitProcs;
  std::string FDownload;
  TIWRequest FRequest;
  TIWResponse FResponse;
  int FFormWidth = 0;
};

// The application whose request the calling thread serves; nullptr on any other thread.
TIWApplication* CurrentApplication() noexcept;

// The current application; throws rt::Exception outside a request.
TIWApplication* WebApplication();

// Makes an application current on this thread for the scope's lifetime (request threads, tests).
class TCurrentApplicationScope {
public:
  explicit TCurrentApplicationScope(TIWApplication* app) noexcept;
  ~TCurrentApplicationScope();
  TCurrentApplicationScope(const TCurrentApplicationScope&) = delete;
  TCurrentApplicationScope& operator=(const TCurrentApplicationScope&) = delete;

private:
  TIWApplication* FPrevious;
};

}  // namespace web

#include "platform/web/Forms.h"
