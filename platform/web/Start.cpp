#include "platform/web/Start.h"

#include <signal.h>
#include <sys/resource.h>

#include <iostream>

#include "platform/web/Server.h"

namespace web {

namespace {
std::function<std::unique_ptr<TIWServerControllerBase>()>& ControllerFactory() {
  static std::function<std::unique_ptr<TIWServerControllerBase>()> f;
  return f;
}
}  // namespace

void TIWServerControllerBase::SetControllerFactory(std::function<std::unique_ptr<TIWServerControllerBase>()> factory) {
  ControllerFactory() = std::move(factory);
}

std::unique_ptr<TIWServerControllerBase> TIWServerControllerBase::CreateController() {
  if (ControllerFactory()) return ControllerFactory()();
  return std::make_unique<TIWServerControllerBase>();
}

int TIWStart::Execute(const TOptions& options) {
  // Every thread started from here on leaves the two signals to sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  // Each open connection is a descriptor; the server's own connection cap is the limit that counts.
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }

  std::unique_ptr<TIWServerControllerBase> controller = TIWServerControllerBase::CreateController();
  TIWServerOptions opt;
  opt.Host = options.Host;
  opt.Port = options.Port >= 0 ? options.Port : controller->Port;
  opt.WwwRoot = options.WwwRoot;
  opt.SessionTimeout = controller->SessionTimeout;
  opt.AppName = controller->AppName;
  opt.OnNewSession = controller->OnNewSession;
  opt.EntryForms = options.EntryForms;

  TIWServer server(opt);
  int port = 0;
  try {
    port = server.Start();
  } catch (const std::exception& e) {
    std::cerr << controller->AppName << ": " << e.what() << std::endl;
    return 1;
  }
  std::cout << controller->AppName << " is running at http://127.0.0.1:" << port << "/" << std::endl;

  int sig = 0;
  sigwait(&stopSignals, &sig);
  std::cout << "Stopping (" << (sig == SIGINT ? "SIGINT" : "SIGTERM") << ")" << std::endl;
  server.Stop();
  return 0;
}

}  // namespace web
