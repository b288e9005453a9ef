#pragma once
// The application's controller (its settings and the hook that gives every new browser session its
// session object) and the accessor through which handlers and calculations reach that object.
#include "platform/web/Start.h"
#include "webapp/UserSessionUnit.h"

class TIWServerController : public web::TIWServerControllerBase {
public:
  TIWServerController();
  // Every new browser session gets its own session object as its data.
  void IWServerControllerBaseNewSession(web::TIWApplication& ASession);
};

// The session object of the browser session whose request the calling thread serves.
// Valid only on a request thread (or inside a web::TCurrentApplicationScope); throws elsewhere.
TIWUserSession* UserSession();

// Unit initialisation: registers the controller class.
void ServerControllerInitialization();
