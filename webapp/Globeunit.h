#pragma once
// The sizing form: the page a browser session spends its life on after the start page.
#include "platform/web/Application.h"

class TGlobemain : public web::TIWAppForm {
public:
  explicit TGlobemain(web::TIWApplication& app);
};

// Unit initialisation: makes the start page the first form of every session.
void GlobeunitInitialization();
