#include "webapp/PrefUnit.h"

#include <gtest/gtest.h>

#include <ctime>

#include "webapp/ServerController.h"
#include "webapp/UserCookies.h"

using namespace web;

namespace {

class PrefFormTest : public ::testing::Test {
protected:
  void SetUp() override {
    Controller.OnNewSession(App);
    Form = App.CreateForm<TPrefForm>();
    App.ShowForm(Form);
  }
  TIWUserSession& S() { return *static_cast<TIWUserSession*>(App.Data()); }
  // The one Set-Cookie header of the reply.
  std::string CookieHeader() {
    const auto& h = App.Response().Cookies.Headers();
    return h.size() == 1 ? h[0] : "(" + std::to_string(h.size()) + " cookies)";
  }
  std::vector<std::string> StoredItems() {
    const std::string h = CookieHeader();
    const auto eq = h.find('='), end = h.find("; ");
    return cookies::SplitPreferences(h.substr(eq + 1, end - eq - 1));
  }

  TIWServerController Controller;
  TIWApplication App;
  TCurrentApplicationScope Scope{&App};
  TPrefForm* Form = nullptr;
};

}  // namespace

TEST_F(PrefFormTest, StartsWithEveryBoxTicked) {
  EXPECT_EQ(Form->Width, 940);
  EXPECT_EQ(Form->Height, 608);
  EXPECT_FALSE(Form->RenderInvisibleControls);
  for (TIWCheckBox* b : {Form->NameApplyCheck, Form->EmailApplyCheck, Form->CompanyApplyCheck, Form->ContactApplyCheck,
                         Form->RepDateApplyCheck, Form->AutoloadFluidsCB, Form->LoadPresetCB})
    EXPECT_TRUE(b->Checked) << b->Name();
  EXPECT_EQ(Form->AutoloadSizingButton->Caption, "Save Current Sizing as Preset");
  EXPECT_EQ(Form->IWButton3->Caption, "Exit");
  EXPECT_EQ(Form->AutoloadFluidsCB->Caption, "Autoload User Defined Fluids");
  EXPECT_EQ(Form->LoadPresetCB->Caption, "Autoload Preset");
}

TEST_F(PrefFormTest, ExitAppliesThePageAndShowsThePreviousForm) {
  TIWAppForm* sizing = App.CreateForm<TPrefForm>();  // stands for the sizing form below it
  App.ShowForm(sizing);
  App.ShowForm(Form);
  Form->NameEdit->Text = "J. Doe";
  Form->EmailEdit->Text = "jd@example.com";
  Form->CompanyEdit->Text = "ACME";
  Form->ContactEdit->Text = "555-1234";
  Form->RepDateEdit->Text = "12/31/99";
  Form->EmailApplyCheck->Checked = false;
  Form->ContactApplyCheck->Checked = false;
  Form->IWButton3->OnClick(Form->IWButton3);
  const TPrefs& P = S().Prefs;
  EXPECT_EQ(P.Name, "J. Doe");
  EXPECT_TRUE(P.NameApply);
  EXPECT_EQ(P.Email, "jd@example.com");
  EXPECT_FALSE(P.EmailApply);
  EXPECT_EQ(P.Company, "ACME");
  EXPECT_TRUE(P.CompanyApply);
  EXPECT_EQ(P.Contact, "555-1234");
  EXPECT_FALSE(P.ContactApply);
  EXPECT_EQ(P.RepDate, "12/31/99");
  EXPECT_TRUE(P.RepDateApply);
  EXPECT_EQ(App.ActiveForm(), sizing);
  EXPECT_TRUE(App.Response().Cookies.Headers().empty()) << "Exit stores nothing";
}

TEST_F(PrefFormTest, RenderShowsTheSessionsReportDateAndBoxesSetTheFlags) {
  S().Prefs.RepDate = "03/08/24";
  Form->OnRender(Form);
  EXPECT_EQ(Form->RepDateEdit->Text, "03/08/24");
  Form->AutoloadFluidsCB->Checked = false;
  Form->AutoloadFluidsCB->OnChange(Form->AutoloadFluidsCB);
  EXPECT_FALSE(S().AutoloadFluids);
  Form->LoadPresetCB->Checked = true;
  Form->LoadPresetCB->OnChange(Form->LoadPresetCB);
  EXPECT_TRUE(S().Loadpreset);
}

TEST_F(PrefFormTest, SavingStoresEverythingInOneCookieForEveryPage) {
  S().PresetString = "VXGate;-1;a%3Bb";
  S().AutoloadAdvTools = true;
  Form->NameEdit->Text = "J. Doe; Jr.?";
  Form->CompanyEdit->Text = "Müller ~ Söhne";
  Form->EmailApplyCheck->Checked = false;
  const std::time_t before = std::time(nullptr);
  Form->AutoloadSizingButton->OnClick(Form->AutoloadSizingButton);

  const std::string h = CookieHeader();
  EXPECT_EQ(h.rfind("UserPreference=%3B-1%3B-1%3BVXGate", 0), 0u) << h;
  EXPECT_NE(h.find("; Path=/;"), std::string::npos) << h;
  EXPECT_EQ(h.find("HttpOnly"), std::string::npos);
  EXPECT_EQ(h.find("Secure"), std::string::npos);
  EXPECT_EQ(h.find("SameSite"), std::string::npos);
  // Expires about 1825 days from now.
  std::tm tm{};
  ASSERT_NE(strptime(h.substr(h.find("Expires=") + 8).c_str(), "%a, %d %b %Y %H:%M:%S GMT", &tm), nullptr) << h;
  const double days = std::difftime(timegm(&tm), before) / 86400;
  EXPECT_NEAR(days, 1825, 0.01);

  const std::vector<std::string> items = StoredItems();
  const std::vector<std::string> expected = {"", "-1", "-1", "VXGate;-1;a%3Bb", "-1", "0", "0", "-1", "J. Doe; Jr.?",
                                             "0", "", "-1", "Müller ~ Söhne", "-1", "", "-1", "Pref 8"};
  EXPECT_EQ(items, expected);
  EXPECT_FALSE(S().Prefs.EmailApply);
  EXPECT_EQ(S().Prefs.Name, "J. Doe; Jr.?");
}

TEST_F(PrefFormTest, WithoutPresetTheFixedTextIsStored) {
  S().PresetString = "VXGate;-1";
  Form->AutoloadFluidsCB->Checked = false;
  Form->LoadPresetCB->Checked = false;
  Form->AutoloadSizingButton->OnClick(Form->AutoloadSizingButton);
  const std::vector<std::string> items = StoredItems();
  ASSERT_EQ(items.size(), 17u);
  EXPECT_EQ(items[1], "0");
  EXPECT_EQ(items[2], "0");
  EXPECT_EQ(items[3], cookies::DefaultPreset);
}

TEST_F(PrefFormTest, SettingsTooLongForACookieAreNotStoredAndTheUserIsTold) {
  Form->ContactEdit->Text = std::string(5000, 'x');
  Form->AutoloadSizingButton->OnClick(Form->AutoloadSizingButton);
  EXPECT_TRUE(App.Response().Cookies.Headers().empty());
  const std::vector<std::string> m = App.TakeMessages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_NE(m[0].find("were not saved"), std::string::npos);
  EXPECT_EQ(S().Prefs.Contact, std::string(5000, 'x')) << "the session still has them";
}
