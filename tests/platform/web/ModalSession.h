#pragma once
// A session for tests of modal forms: an application showing a form of its own, a worker and its
// modal host, and the page's side (poll, values, clicks).
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "platform/web/ModalForm.h"

namespace web {

inline void WaitFor(const std::function<bool()>& Cond) {
  for (int i = 0; i < 5000 && !Cond(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// The session side: an application with a form of its own, the host and its worker.
struct TSession {
  TIWApplication App;
  TIWAppForm* Main = nullptr;
  std::unique_ptr<TIWModalHost> Host;
  std::unique_ptr<TIWWorker> Worker;
  TSession() {
    Main = App.CreateForm<TIWAppForm>();
    Main->Show();
    Worker = std::make_unique<TIWWorker>();
    Host = std::make_unique<TIWModalHost>(*Worker);
  }
  ~TSession() {
    Worker.reset();  // the job ends before the host goes
    Host.reset();
  }
  // The poll: true once the waiting form shows.
  bool Poll() {
    TCurrentApplicationScope Scope(&App);
    bool Shown = false;
    WaitFor([&] { return Shown = Host->ShowWaiting(App); });
    return Shown;
  }
  template <class T>
  T* Get(const std::string& Name) {
    TIWControl* C = App.ActiveForm()->FindControl(Name);
    return dynamic_cast<T*>(C);
  }
  void Click(const std::string& Name) {
    TCurrentApplicationScope Scope(&App);
    TIWControl* C = App.ActiveForm()->FindControl(Name);
    ASSERT_NE(C, nullptr) << Name;
    TIWBrowserEvent E;
    E.Type = "click";
    C->HandleEvent(E);
    App.FlushReleased();
  }
};

}  // namespace web
