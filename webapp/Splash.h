#pragma once
// The start page: the first page of every session. A product button, or five seconds without a
// click, leads to the sizing form.
#include "platform/web/Application.h"

class TSplashform : public web::TIWAppForm {
public:
  explicit TSplashform(web::TIWApplication& app);

  web::TIWRegion* IWRegion1;
  web::TIWImageFile* IWImageFile1;
  web::TIWImageFile* IWImageFile2;
  web::TIWImageFile* VXimage;
  web::TIWImageFile* PUimage;
  web::TIWImageFile* PUFimage;
  web::TIWImageFile* LFimage;
  web::TIWImageFile* IWImageFile3;
  web::TIWImageFile* IWImageFile4;
  web::TIWTimer* IWTimer1;

  void LoadMainAppClick(web::TIWControl* Sender);
  void IWTimer1Timer(web::TIWControl* Sender);
  void IWImageFile4Click(web::TIWControl* Sender);
};

// The help-desk page that IWImageFile4 opens.
extern const char* const HelpDeskUrl;
