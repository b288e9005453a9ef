#include "webapp/Splash.h"

#include "webapp/Globeunit.h"

const char* const HelpDeskUrl = "/files/helpdesk.html";

TSplashform::TSplashform(web::TIWApplication& app) : web::TIWAppForm(app) {
  Name = "Splashform";
  Title = "ZentorApp";
  Width = 1600;
  Height = 704;
  Color = web::clWhite;

  IWRegion1 = Add<web::TIWRegion>("IWRegion1");
  IWRegion1->SetBounds(299, 20, 1000, 669);
  // Anchored to the top only, so it keeps its horizontal centre in the browser window.
  IWRegion1->Anchors = web::akTop;

  auto picture = [this](const char* name, int left, int top, int width, int height, const char* file) {
    auto* image = Add<web::TIWImageFile>(name, IWRegion1);
    image->SetBounds(left, top, width, height);
    image->ImageFile = file;
    return image;
  };
  IWImageFile1 = picture("IWImageFile1", 0, 60, 1000, 207, "ZentorHeaderImage.jpg");
  IWImageFile2 = picture("IWImageFile2", 0, 592, 1000, 30, "ZentorFooterImage2.jpg");
  VXimage = picture("VXimage", 108, 292, 172, 275, "VarnoxButtonNoLink.png");
  PUimage = picture("PUimage", 312, 292, 172, 275, "PurilaneButtonNoLink.png");
  PUFimage = picture("PUFimage", 516, 292, 172, 275, "PurilaneTQButtonNoLink.png");
  LFimage = picture("LFimage", 720, 292, 172, 275, "LowFlowButtonNoLink.png");
  IWImageFile3 = picture("IWImageFile3", 88, 14, 77, 40, "ZentorLogo.png");
  IWImageFile4 = picture("IWImageFile4", 848, 20, 69, 26, "HelpDeskButton.png");

  for (web::TIWImageFile* product : {VXimage, PUimage, PUFimage, LFimage})
    product->OnClick = [this](web::TIWControl* Sender) { LoadMainAppClick(Sender); };
  IWImageFile4->OnClick = [this](web::TIWControl* Sender) { IWImageFile4Click(Sender); };

  IWTimer1 = Add<web::TIWTimer>("IWTimer1");
  IWTimer1->Interval = 5000;
  IWTimer1->Enabled = true;
  IWTimer1->OnTimer = [this](web::TIWControl* Sender) { IWTimer1Timer(Sender); };
}

void TSplashform::LoadMainAppClick(web::TIWControl*) { Application().CreateForm<TGlobemain>()->Show(); }

void TSplashform::IWTimer1Timer(web::TIWControl* Sender) { LoadMainAppClick(Sender); }

void TSplashform::IWImageFile4Click(web::TIWControl*) {
  Application().NewWindow(HelpDeskUrl, "Help Desk", web::woScrollBars | web::woResizable);
}
