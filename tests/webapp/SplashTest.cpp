#include "webapp/Splash.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "platform/rt/SysUtils.h"
#include "webapp/Framememo.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"

using namespace web;

TEST(ServerController, KeepsTheApplicationsSettings) {
  TIWServerController c;
  EXPECT_EQ(c.AppName, "ZentorApp");
  EXPECT_EQ(c.Description, "My Web Application");
  EXPECT_EQ(c.DisplayName, "Web Application");
  EXPECT_EQ(c.Port, 8885);
  EXPECT_FALSE(c.CookieOptions.UseCookies);
  EXPECT_EQ(c.SessionTimeout, std::chrono::minutes(10));
  ASSERT_TRUE(c.OnNewSession);
}

TEST(ServerController, EachNewSessionGetsItsOwnSessionObjectReachedThroughUserSession) {
  EXPECT_THROW(UserSession(), rt::Exception);
  TIWServerController c;
  TIWApplication a, b;
  c.OnNewSession(a);
  c.OnNewSession(b);
  ASSERT_NE(a.Data(), nullptr);
  ASSERT_NE(a.Data(), b.Data());
  {
    TCurrentApplicationScope scope(&a);
    EXPECT_EQ(UserSession(), a.Data());
    EXPECT_EQ(UserSession(), UserSession());
    UserSession()->SelectedPunit = "bar";
  }
  {
    TCurrentApplicationScope scope(&b);
    EXPECT_EQ(UserSession(), b.Data());
    EXPECT_NE(UserSession()->SelectedPunit, "bar");
  }
  TIWApplication noData;
  TCurrentApplicationScope scope(&noData);
  EXPECT_THROW(UserSession(), rt::Exception);
}

TEST(Splash, IsTheMainFormWithItsPicturesWhereTheyBelong) {
  GlobeunitInitialization();
  TIWApplication app;
  TIWAppForm* main = TIWAppForm::MainFormFactory()(app);
  auto* splash = dynamic_cast<TSplashform*>(main);
  ASSERT_NE(splash, nullptr);
  EXPECT_EQ(splash->Width, 1600);
  EXPECT_EQ(splash->Height, 704);
  EXPECT_EQ(splash->Color, clWhite);
  const TIWRegion& r = *splash->IWRegion1;
  EXPECT_EQ(std::make_tuple(r.Left, r.Top, r.Width, r.Height), std::make_tuple(299, 20, 1000, 669));
  EXPECT_EQ(r.Anchors, unsigned(akTop));

  struct Case {
    const char* name;
    int left, top, width, height;
    const char* file;
    bool click;
  } cases[] = {
      {"IWImageFile1", 0, 60, 1000, 207, "ZentorHeaderImage.jpg", false},
      {"IWImageFile2", 0, 592, 1000, 30, "ZentorFooterImage2.jpg", false},
      {"VXimage", 108, 292, 172, 275, "VarnoxButtonNoLink.png", true},
      {"PUimage", 312, 292, 172, 275, "PurilaneButtonNoLink.png", true},
      {"PUFimage", 516, 292, 172, 275, "PurilaneTQButtonNoLink.png", true},
      {"LFimage", 720, 292, 172, 275, "LowFlowButtonNoLink.png", true},
      {"IWImageFile3", 88, 14, 77, 40, "ZentorLogo.png", false},
      {"IWImageFile4", 848, 20, 69, 26, "HelpDeskButton.png", true},
  };
  for (const auto& c : cases) {
    auto* image = dynamic_cast<TIWImageFile*>(r.FindControl(c.name));
    ASSERT_NE(image, nullptr) << c.name;
    EXPECT_EQ(image->Parent(), splash->IWRegion1) << c.name;
    EXPECT_EQ(std::make_tuple(image->Left, image->Top, image->Width, image->Height),
              std::make_tuple(c.left, c.top, c.width, c.height))
        << c.name;
    EXPECT_EQ(image->ImageFile, c.file) << c.name;
    EXPECT_EQ(static_cast<bool>(image->OnClick), c.click) << c.name;
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(ZENTOR_WWWROOT) / "Files" / c.file)) << c.file;
  }
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(ZENTOR_WWWROOT) / "Files" / "helpdesk.html"));
  EXPECT_EQ(splash->IWTimer1->Interval, 5000);
  EXPECT_TRUE(splash->IWTimer1->Enabled);
}

TEST(Splash, EveryProductButtonAndTheTimerOpenTheSizingForm) {
  for (const char* control : {"VXimage", "PUimage", "PUFimage", "LFimage", "IWTimer1"}) {
    // As the server does: the session has its session object and is current while it is served.
    TIWApplication app;
    TIWServerController().OnNewSession(app);
    TCurrentApplicationScope scope(&app);
    auto* splash = app.CreateForm<TSplashform>();
    splash->Show();
    TIWBrowserEvent e;
    e.Type = std::string(control) == "IWTimer1" ? "timer" : "click";
    splash->FindControl(control)->HandleEvent(e);
    EXPECT_NE(dynamic_cast<TGlobemain*>(app.ActiveForm()), nullptr) << control;
  }
}

TEST(Splash, HelpDeskOpensInANewWindowNamedHelpDesk) {
  TIWApplication app;
  auto* splash = app.CreateForm<TSplashform>();
  splash->Show();
  splash->IWImageFile4Click(splash->IWImageFile4);
  EXPECT_EQ(app.ActiveForm(), splash);
  const auto init = app.TakeInitProcs();
  ASSERT_EQ(init.size(), 1u);
  EXPECT_EQ(init[0],
            "NewWindow(\"/files/helpdesk.html\", \"Help Desk\",\"toolbar=no,status=no,menubar=no,scrollbars=yes,"
            "resizable=yes\");");
}

TEST(Framememo, ShowsTheGuidelinesAndCloseHidesTheRegion) {
  TIWApplication app;
  TIWServerController().OnNewSession(app);
  TCurrentApplicationScope scope(&app);
  auto* form = app.CreateForm<TGlobemain>();
  auto* place = form->Add<TIWRegion>("DataRegion1");
  auto* frame = app.Add<TMemoFrame>("Memoframe1", place);
  const TIWRegion& r = *frame->IWFrameRegion;
  EXPECT_EQ(std::make_tuple(r.Width, r.Height, r.ZIndex, r.Color), std::make_tuple(803, 440, 6000, clWhite));
  EXPECT_EQ(frame->Color, clCream);
  struct Case {
    const char* name;
    int top;
    const char* text;
  } cases[] = {
      {"IWLabel2", 95, "Sizing and Cv Selection Recommendations"},
      {"IWLabel6", 127, " Select a valve Cv so that the calculated Cv does not exceed the following limits:"},
      {"IWLabel7", 237, "\xE2\x80\xA2 Series K, Series KF: 60% of selected Cv. Use \"Globe\" valve type and input design Cv."},
      {"IWLabel9", 334, "Contact factory for valve application outside these limits"},
  };
  for (const auto& c : cases) {
    auto* label = dynamic_cast<TIWLabel*>(r.FindControl(c.name));
    ASSERT_NE(label, nullptr) << c.name;
    EXPECT_EQ(label->Top, c.top) << c.name;
    EXPECT_EQ(label->Caption, c.text) << c.name;
    EXPECT_EQ(label->Alignment, taCenter) << c.name;
  }
  EXPECT_EQ(frame->IWButton1->Caption, "Close");
  EXPECT_EQ(std::make_pair(frame->IWButton1->Width, frame->IWButton1->Height), std::make_pair(141, 29));
  EXPECT_TRUE(frame->IWFrameRegion->IsShowing());
  TIWBrowserEvent click;
  click.Type = "click";
  frame->IWButton1->HandleEvent(click);
  EXPECT_FALSE(frame->IWFrameRegion->IsShowing());
  frame->IWFrameRegion->Visible = true;  // the sizing form shows the same frame again
  EXPECT_TRUE(place->FindControl("IWButton1")->IsShowing());
}
