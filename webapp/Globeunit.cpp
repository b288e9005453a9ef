#include "webapp/Globeunit.h"

#include "webapp/Splash.h"

TGlobemain::TGlobemain(web::TIWApplication& app) : web::TIWAppForm(app) {
  Name = "Globemain";
  Title = "ZentorApp - Valve Sizing";
  Width = 1141;
  Height = 1002;
  Color = web::clWhite;
}

void GlobeunitInitialization() { web::TIWAppForm::SetAsMainForm<TSplashform>(); }
