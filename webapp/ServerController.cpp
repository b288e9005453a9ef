#include "webapp/ServerController.h"

#include "platform/rt/SysUtils.h"

TIWServerController::TIWServerController() {
  AppName = "ZentorApp";
  Description = "My Web Application";
  DisplayName = "Web Application";
  Port = 8885;
  CookieOptions.UseCookies = false;
  OnNewSession = [this](web::TIWApplication& ASession) { IWServerControllerBaseNewSession(ASession); };
}

void TIWServerController::IWServerControllerBaseNewSession(web::TIWApplication& ASession) {
  ASession.SetData(std::make_unique<TIWUserSession>());
}

TIWUserSession* UserSession() {
  web::TIWApplication* app = web::CurrentApplication();
  auto* session = app ? dynamic_cast<TIWUserSession*>(app->Data()) : nullptr;
  if (!session) throw rt::Exception("No browser session is being served on this thread");
  return session;
}

void ServerControllerInitialization() { web::TIWServerControllerBase::SetServerControllerClass<TIWServerController>(); }
