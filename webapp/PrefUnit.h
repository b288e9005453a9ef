#pragma once
// The settings page: the report preferences (each text with its "Apply to Print" flag) and the
// start-up options, kept in the browser's "UserPreference" cookie. The sizing form creates it
// once and shows it from its "Settings" menu; "Exit" goes back to the sizing form.
#include <string>
#include <vector>

#include "platform/web/Application.h"

class TIWUserSession;

class TPrefForm : public web::TIWAppForm {
public:
  explicit TPrefForm(web::TIWApplication& app);

  web::TIWRegion* SettingsRegion;
  web::TIWLabel* SettingsTitle;
  web::TIWRegion* ReportSettings;
  web::TIWLabel *ReportSettingsTitle, *PreferenceCaption, *TextCaption, *ApplyCaption;
  web::TIWLabel *NameLabel, *EmailLabel, *CompanyLabel, *ContactLabel, *RepDateLabel;
  web::TIWEdit *NameEdit, *EmailEdit, *CompanyEdit, *ContactEdit, *RepDateEdit;
  web::TIWCheckBox *NameApplyCheck, *EmailApplyCheck, *CompanyApplyCheck, *ContactApplyCheck,
      *RepDateApplyCheck;
  web::TIWRegion* ApplicationSettings;
  web::TIWLabel* ApplicationSettingsTitle;
  web::TIWCheckBox *AutoloadFluidsCB, *LoadPresetCB;
  web::TIWButton* AutoloadSizingButton;
  web::TIWButton* IWButton3;  // "Exit"

  void IWAppFormRender();
  void AutoloadFluidsCBChange(web::TIWControl* Sender);
  void LoadPresetCBChange(web::TIWControl* Sender);
  void RepApplyButtonClick(web::TIWControl* Sender);
  void IWButton3Click(web::TIWControl* Sender);
  void AutoloadSizingButtonClick(web::TIWControl* Sender);

  // Items 0 to 16 of the preference cookie from the session and the page.
  std::vector<std::string> PreferenceItems(const TIWUserSession& S) const;
};
