#include "webapp/PrefUnit.h"

#include <chrono>

#include "webapp/ServerController.h"
#include "webapp/SizingRecord.h"
#include "webapp/UserCookies.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

namespace {
constexpr TColor TitleColor = 0x804000;  // dark blue
constexpr TColor PanelColor = 0xF7F3EF;
}  // namespace

TPrefForm::TPrefForm(TIWApplication& app) : TIWAppForm(app) {
  Name = "PrefForm";
  Title = "ZentorApp - Settings";
  Width = 940;
  Height = 608;
  Color = clWhite;
  RenderInvisibleControls = false;
  OnRender = [this](TIWAppForm*) { IWAppFormRender(); };

  auto label = [this](TIWContainer* parent, const char* name, const char* caption, int left, int top, int width) {
    auto* l = Add<TIWLabel>(name, parent);
    l->Caption = caption;
    l->SetBounds(left, top, width, 20);
    return l;
  };
  auto title = [&](TIWContainer* parent, const char* name, const char* caption, int width) {
    auto* l = label(parent, name, caption, 0, 0, width);
    l->Font.Bold = true;
    l->Font.Color = clWhite;
    l->Color = TitleColor;
    l->Height = 24;
    return l;
  };

  SettingsRegion = Add<TIWRegion>("SettingsRegion");
  SettingsRegion->SetBounds(100, 20, 740, 560);
  SettingsRegion->Anchors = akTop;
  SettingsRegion->BorderWidth = 1;
  SettingsRegion->BorderColor = clGray;
  SettingsTitle = title(SettingsRegion, "SettingsTitle", "Settings", 738);
  SettingsTitle->Font.Size = 12;

  ReportSettings = Add<TIWRegion>("ReportSettings", SettingsRegion);
  ReportSettings->SetBounds(20, 44, 698, 260);
  ReportSettings->BorderWidth = 1;
  ReportSettings->BorderColor = clSilver;
  ReportSettings->Color = PanelColor;
  ReportSettingsTitle = title(ReportSettings, "ReportSettingsTitle", "ReportSettings", 696);
  PreferenceCaption = label(ReportSettings, "PreferenceCaption", "Preference", 16, 34, 140);
  TextCaption = label(ReportSettings, "TextCaption", "Text", 170, 34, 340);
  ApplyCaption = label(ReportSettings, "ApplyCaption", "Apply to Print", 560, 34, 120);
  for (TIWLabel* l : {PreferenceCaption, TextCaption, ApplyCaption}) l->Font.Bold = true;

  struct Row {
    TIWLabel** Label;
    const char* LabelName;
    const char* Caption;
    TIWEdit** Edit;
    const char* EditName;
    TIWCheckBox** Check;
    const char* CheckName;
  };
  const Row rows[] = {
      {&NameLabel, "NameLabel", "User Name:", &NameEdit, "NameEdit", &NameApplyCheck, "NameApplyCheck"},
      {&EmailLabel, "EmailLabel", "Email:", &EmailEdit, "EmailEdit", &EmailApplyCheck, "EmailApplyCheck"},
      {&CompanyLabel, "CompanyLabel", "Company:", &CompanyEdit, "CompanyEdit", &CompanyApplyCheck,
       "CompanyApplyCheck"},
      {&ContactLabel, "ContactLabel", "Contact Info:", &ContactEdit, "ContactEdit", &ContactApplyCheck,
       "ContactApplyCheck"},
      {&RepDateLabel, "RepDateLabel", "Report Date:", &RepDateEdit, "RepDateEdit", &RepDateApplyCheck,
       "RepDateApplyCheck"},
  };
  int top = 64;
  for (const Row& r : rows) {
    *r.Label = label(ReportSettings, r.LabelName, r.Caption, 16, top + 2, 140);
    *r.Edit = Add<TIWEdit>(r.EditName, ReportSettings);
    (*r.Edit)->SetBounds(170, top, 360, 24);
    *r.Check = Add<TIWCheckBox>(r.CheckName, ReportSettings);
    (*r.Check)->SetBounds(600, top + 2, 24, 20);
    (*r.Check)->Checked = true;
    top += 38;
  }

  ApplicationSettings = Add<TIWRegion>("ApplicationSettings", SettingsRegion);
  ApplicationSettings->SetBounds(20, 322, 698, 170);
  ApplicationSettings->BorderWidth = 1;
  ApplicationSettings->BorderColor = clSilver;
  ApplicationSettings->Color = PanelColor;
  ApplicationSettingsTitle = title(ApplicationSettings, "ApplicationSettingsTitle", "Application Settings", 696);
  AutoloadFluidsCB = Add<TIWCheckBox>("AutoloadFluidsCB", ApplicationSettings);
  AutoloadFluidsCB->Caption = "Autoload User Defined Fluids";
  AutoloadFluidsCB->SetBounds(16, 40, 320, 22);
  AutoloadFluidsCB->Checked = true;
  AutoloadFluidsCB->OnChange = [this](TIWControl* s) { AutoloadFluidsCBChange(s); };
  LoadPresetCB = Add<TIWCheckBox>("LoadPresetCB", ApplicationSettings);
  LoadPresetCB->Caption = "Autoload Preset";
  LoadPresetCB->SetBounds(16, 72, 320, 22);
  LoadPresetCB->Checked = true;
  LoadPresetCB->OnChange = [this](TIWControl* s) { LoadPresetCBChange(s); };
  AutoloadSizingButton = Add<TIWButton>("AutoloadSizingButton", ApplicationSettings);
  AutoloadSizingButton->Caption = "Save Current Sizing as Preset";
  AutoloadSizingButton->SetBounds(16, 114, 260, 30);
  AutoloadSizingButton->OnClick = [this](TIWControl* s) { AutoloadSizingButtonClick(s); };

  IWButton3 = Add<TIWButton>("IWButton3", SettingsRegion);
  IWButton3->Caption = "Exit";
  IWButton3->SetBounds(320, 512, 100, 30);
  IWButton3->OnClick = [this](TIWControl* s) { IWButton3Click(s); };
}

void TPrefForm::IWAppFormRender() { RepDateEdit->Text = UserSession()->Prefs.RepDate; }

void TPrefForm::AutoloadFluidsCBChange(TIWControl*) { UserSession()->AutoloadFluids = AutoloadFluidsCB->Checked; }

void TPrefForm::LoadPresetCBChange(TIWControl*) { UserSession()->Loadpreset = LoadPresetCB->Checked; }

void TPrefForm::RepApplyButtonClick(TIWControl*) {
  TPrefs& P = UserSession()->Prefs;
  P.Name = NameEdit->Text;
  P.NameApply = NameApplyCheck->Checked;
  P.Email = EmailEdit->Text;
  P.EmailApply = EmailApplyCheck->Checked;
  P.Company = CompanyEdit->Text;
  P.CompanyApply = CompanyApplyCheck->Checked;
  P.Contact = ContactEdit->Text;
  P.ContactApply = ContactApplyCheck->Checked;
  P.RepDate = RepDateEdit->Text;
  P.RepDateApply = RepDateApplyCheck->Checked;
  Application().RemoveForm(this);
}

void TPrefForm::IWButton3Click(TIWControl* Sender) { RepApplyButtonClick(Sender); }

std::vector<std::string> TPrefForm::PreferenceItems(const TIWUserSession& S) const {
  using sizing::BoolText;
  return {"",
          BoolText(S.AutoloadFluids),
          BoolText(S.Loadpreset),
          S.Loadpreset ? S.PresetString : cookies::DefaultPreset,
          BoolText(S.AutoloadAdvTools),
          BoolText(S.SuppressWarnings),
          BoolText(S.RecursiveFL),
          BoolText(S.Prefs.NameApply),
          NameEdit->Text,
          BoolText(S.Prefs.EmailApply),
          EmailEdit->Text,
          BoolText(S.Prefs.CompanyApply),
          CompanyEdit->Text,
          BoolText(S.Prefs.ContactApply),
          ContactEdit->Text,
          BoolText(S.Prefs.RepDateApply),
          "Pref 8"};
}

void TPrefForm::AutoloadSizingButtonClick(TIWControl* Sender) {
  TIWUserSession* S = UserSession();
  RepApplyButtonClick(Sender);
  // The boxes as the user sees them are what is stored, whether or not they were ever changed.
  S->AutoloadFluids = AutoloadFluidsCB->Checked;
  S->Loadpreset = LoadPresetCB->Checked;
  const std::string value = cookies::FormatPreferences(PreferenceItems(*S));
  if (!cookies::FitsInCookie(cookies::PreferenceCookieName, value)) {
    Application().ShowMessage(
        "Your settings were not saved: together they are longer than a browser keeps. "
        "Please shorten the texts and save again.");
    return;
  }
  using namespace std::chrono;
  Application().Response().Cookies.AddCookie(cookies::PreferenceCookieName, value, "/",
                                             system_clock::now() + hours(24 * 1825), false, false, ssoNone);
}
