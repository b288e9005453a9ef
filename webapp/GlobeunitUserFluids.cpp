// The sizing form's user fluids (entered on the user-fluid panel, kept in "UserFluid<n>" cookies)
// and the preferences it applies at its first display (the "UserPreference" cookie written by
// the settings page). Cookies come back from the browser: each is checked before it is used.
#include <algorithm>
#include <chrono>
#include <initializer_list>

#include "calc/FluidStructs.h"
#include "platform/rt/SysUtils.h"
#include "webapp/Globeunit.h"
#include "webapp/PrefUnit.h"
#include "webapp/ServerController.h"
#include "webapp/SizingRecord.h"
#include "webapp/UserCookies.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

namespace {

const char* const CrLf = "\r\n";

// Position of a name in a list, compared without regard to letter case; -1 when absent.
int IndexOfName(const StringList& list, const std::string& name) {
  for (int i = 0; i < list.Count(); ++i)
    if (rt::SameText(list.Strings(i), name)) return i;
  return -1;
}

std::chrono::system_clock::time_point CookieExpiry() {
  return std::chrono::system_clock::now() + std::chrono::hours(24 * 1825);
}

// The cookie list item "name=value" split at its first '='.
std::pair<std::string, std::string> NameAndValue(const std::string& item) {
  const auto eq = item.find('=');
  if (eq == std::string::npos) return {item, ""};
  return {item.substr(0, eq), item.substr(eq + 1)};
}

}  // namespace

void TGlobemain::RegisterFluid(TMatData& L, int Position, const std::array<std::string, 13>& Columns) {
  StringList* lists[13] = {&L.Name,     &L.SG,          &L.CritPress,       &L.CritTemp, &L.Visc,
                           &L.SpecHeat, &L.VapPress,    &L.Temperature,     &L.Compress, &L.NonAmbient,
                           &L.Superheatfactor, &L.Fluid, &L.Scale};
  // Lists the libraries leave short (a liquid has no compressibility) are filled up first.
  const char* fill[13] = {"", "0", "0", "0", "0", "0", "0", "60", "1", "0", "1", "", "-1"};
  const int n = L.Name.Count();
  for (int k = 1; k < 13; ++k)
    while (lists[k]->Count() < n) lists[k]->Add(fill[k]);
  const int at = std::max(0, std::min(Position, n));
  for (int k = 0; k < 13; ++k) lists[k]->Insert(at, Columns[static_cast<std::size_t>(k)]);
}

// ---- User-fluid panel ----

void TGlobemain::CloseUserFluidPanel() {
  FluidCombo->ItemIndex = FluidCombo->Items.empty() ? -1 : 0;
  for (TIWControl* c : std::initializer_list<TIWControl*>{SGminEdit, VPMinEdit, CPMinEdit, ViscMinEdit})
    c->Enabled = false;
  for (TIWControl* c : std::initializer_list<TIWControl*>{UFTitle, UFNameEdit, UFRectangle, UFNameLabel,
                                                          UFSourceLabel, UFApplyButt, UFSaveButt, UFCancelButt})
    c->Visible = false;
}

void TGlobemain::UFApplyButtClick(TIWControl* Sender) {
  TIWUserSession* S = UserSession();
  const bool liquid = FluidStateCombo->Text() == "Liquid";
  // Every entry is read before anything is stored.
  const std::string name = rt::Trim(UFNameEdit->Text);
  if (name.empty()) {
    Application().ShowMessage("Please enter a name for the fluid.");
    return;
  }
  struct Entry {
    TIWEdit* Edit;
    std::string What;
    double Value = 0;
  } entries[] = {{SGminEdit, SGLabel->Caption},
                 {ViscMinEdit, ViscLabel->Caption},
                 {CPMinEdit, CPorCompressLabel->Caption},
                 {VPMinEdit, VPorSpecheatLabel->Caption}};
  for (Entry& e : entries)
    if (!rt::TryStrToFloat(e.Edit->Text, e.Value)) {
      Application().ShowMessage(e.What + ": \"" + e.Edit->Text + "\" is not a number. The fluid was not stored.");
      return;
    }
  double temperature = 60;
  if (!TempMinEdit->Text.empty() && !rt::TryStrToFloat(TempMinEdit->Text, temperature)) {
    Application().ShowMessage("Temperature: \"" + TempMinEdit->Text + "\" is not a number. The fluid was not stored.");
    return;
  }

  tFluid fluid;
  fluid.SetName(name);
  fluid.SetSG(entries[0].Value);
  fluid.SetVisc(entries[1].Value);
  fluid.SetTemperature(temperature);
  const std::string unit = TempUnitCombo->Text();
  if (!unit.empty()) fluid.SetScale(unit.substr(unit.size() - 1));

  TMatData& lists = liquid ? S->LiqMatData : S->GasMatData;
  if (IndexOfName(lists.Name, name) >= 0) {
    Application().ShowMessage(name + " duplicates a " + (liquid ? "liquid" : "gas") + " already stored in the database." +
                              CrLf + "Please choose an aternate name.");
  } else {
    if (liquid) {
      fluid.SetState("Liquid");
      if (P1Combo->ItemIndex >= 0) S->PressureDataSet.SetRecNo(P1Combo->ItemIndex + 1);
      const double f = S->PressureDataSetPMF.AsFloat();
      fluid.SetCritPress(entries[2].Value * f);
      fluid.SetVapPress(entries[3].Value * f);
    } else {
      fluid.SetState("Gas");
      fluid.SetCompress(entries[2].Value);
      fluid.SetSpecHeat(entries[3].Value);
    }
    RegisterFluid(lists, 0,
                  {fluid.Name(), rt::FloatToStr(fluid.SG()), rt::FloatToStr(fluid.CritPress()),
                   rt::FloatToStr(fluid.CritTemp()), rt::FloatToStr(fluid.Visc()), rt::FloatToStr(fluid.SpecHeat()),
                   rt::FloatToStr(fluid.VapPress()), rt::FloatToStr(fluid.Temperature()),
                   rt::FloatToStr(fluid.Compress()), sizing::BoolText(fluid.NonAmbient()),
                   rt::FloatToStr(fluid.Superheatfactor()), fluid.State(), fluid.Scale()});
    CloseUserFluidPanel();
    if (Sender == UFSaveButt) SaveUserFluid(fluid);
  }
  S->SelectedFluid = fluid.Name();
  FluidStateComboChange(Sender);  // not as the user's choice of a state: typed values stay
}

// ---- Cookies ----

void TGlobemain::ReadCookies() {
  TIWUserSession* S = UserSession();
  S->AllcookiesList.Clear();
  for (const std::string& field : Application().Request().CookieFields()) S->AllcookiesList.Add(field);
}

void TGlobemain::SaveUserFluid(tFluid& Fluid) {
  TIWUserSession* S = UserSession();
  const bool liquid = Fluid.State() == "Liquid";
  cookies::TUserFluidRecord r;
  r.Name = Fluid.Name();
  r.State = Fluid.State();
  r.Temperature = rt::FloatToStr(Fluid.Temperature());
  r.Scale = Fluid.Scale();
  r.VPorSH = rt::FloatToStr(liquid ? Fluid.VapPress() : Fluid.SpecHeat());
  r.CPorComp = rt::FloatToStr(liquid ? Fluid.CritPress() : Fluid.Compress());
  r.Visc = rt::FloatToStr(Fluid.Visc());
  r.SG = rt::FloatToStr(Fluid.SG());
  r.ValveID = "1";
  const std::string value = cookies::FormatUserFluid(r);
  S->UserMaterialList.Add(value);

  ReadCookies();
  std::vector<std::pair<std::string, std::string>> existing;
  for (int i = 0; i < S->AllcookiesList.Count(); ++i) existing.push_back(NameAndValue(S->AllcookiesList.Strings(i)));
  const std::string name = cookies::NextUserFluidName(existing);
  if (!cookies::FitsInCookie(name, value)) {
    Application().ShowMessage("The fluid is applied but could not be saved in the browser: its name is too long.");
    return;
  }
  // Path "/": every later session of the program, at any address of the site, receives it.
  Application().Response().Cookies.AddCookie(name, value, "/", CookieExpiry(), false, false, ssoNone);
}

void TGlobemain::LoadUserFluids() {
  TIWUserSession* S = UserSession();
  ReadCookies();
  for (StringList* l : {&S->CustomMaterial, &S->CustomFluid, &S->CustomTemp, &S->CustomScale, &S->CustomVPorSH,
                        &S->CustomCPorComp, &S->CustomVisc, &S->CustomSG, &S->CustomValveID})
    l->Clear();
  std::vector<std::pair<std::string, std::string>> saved;
  for (int i = 0; i < S->AllcookiesList.Count(); ++i) {
    auto nv = NameAndValue(S->AllcookiesList.Strings(i));
    if (nv.first.compare(0, 9, cookies::UserFluidPrefix) == 0 && nv.first.size() >= 9) saved.push_back(std::move(nv));
  }
  S->UserMaterialLoaded = true;
  S->Saveloaded = true;

  if (saved.empty()) {
    Application().ShowMessage("You have no saved fluids or cookies are not enabled or working on this computer.");
  } else {
    S->UserMaterialList.Clear();
    std::string skipped;
    for (const auto& [name, wire] : saved) {
      cookies::TUserFluidRecord r;
      std::string value, error;
      if (!cookies::ParseUserFluid(wire, r, value, error)) {
        skipped += std::string(CrLf) + name + ": " + error + ".";
        continue;
      }
      S->CustomIndex.Add(name);
      S->UserMaterialList.Add(value);
      S->CustomMaterial.Add(r.Name);
      S->CustomFluid.Add(r.State);
      S->CustomTemp.Add(r.Temperature);
      S->CustomScale.Add(r.Scale);
      S->CustomVPorSH.Add(r.VPorSH);
      S->CustomCPorComp.Add(r.CPorComp);
      S->CustomVisc.Add(r.Visc);
      S->CustomSG.Add(r.SG);
      S->CustomValveID.Add(r.ValveID);
    }
    if (!skipped.empty())
      Application().ShowMessage("These saved fluids cannot be read and were skipped:" + skipped);
  }

  // Registered at the top of their library, in the order saved; a fluid the library already
  // holds (from the tables or an earlier load) is not added again.
  int j = 0, k = 0;
  for (int i = 0; i < S->CustomMaterial.Count(); ++i) {
    const std::string name = S->CustomMaterial.Strings(i), state = S->CustomFluid.Strings(i);
    const std::string vpsh = S->CustomVPorSH.Strings(i), cpcomp = S->CustomCPorComp.Strings(i);
    if (state == "Liquid" && IndexOfName(S->LiqMatData.Name, name) < 0) {
      RegisterFluid(S->LiqMatData, j++,
                    {name, S->CustomSG.Strings(i), cpcomp, "0", S->CustomVisc.Strings(i), "0", vpsh,
                     S->CustomTemp.Strings(i), "1", "-1", "1", state, S->CustomScale.Strings(i)});
    } else if (state == "Gas" && IndexOfName(S->GasMatData.Name, name) < 0) {
      RegisterFluid(S->GasMatData, k++,
                    {name, S->CustomSG.Strings(i), "0", "0", S->CustomVisc.Strings(i), vpsh, "0",
                     S->CustomTemp.Strings(i), cpcomp, "-1", "1", state, S->CustomScale.Strings(i)});
    }
  }
  S->UserMaterialLoaded = false;
}

void TGlobemain::LoadUserfluids1Click(TIWControl*) { LoadUserFluids(); }

// ---- Preferences ----

void TGlobemain::Preferences1Click(TIWControl*) {
  UserSession()->PresetString = BuildSizingString();
  fPrefForm->Show();
}

void TGlobemain::AutoloadPreferences() {
  TIWUserSession* S = UserSession();
  ReadCookies();
  std::vector<std::string> values;
  for (int i = 0; i < S->AllcookiesList.Count(); ++i) {
    auto [name, value] = NameAndValue(S->AllcookiesList.Strings(i));
    if (name.compare(0, 14, cookies::PreferenceCookieName) == 0 && name.size() >= 14) values.push_back(value);
  }
  for (const std::string& value : values) {
    const std::vector<std::string> items = cookies::SplitPreferences(value);
    auto flag = [&](std::size_t i, bool& b) { return i < items.size() && sizing::TryReadBool(items[i], b); };
    // Each step stands alone: one that fails says so and the next still runs.
    auto step = [&](const char* failure, const auto& body) {
      bool ok = false;
      try {
        ok = body();
      } catch (const std::exception&) {
        ok = false;
      }
      if (!ok && failure) Application().ShowMessage(failure);
    };

    step("An error has occurred Autoloading your User Fluids", [&] {
      bool b;
      if (!flag(1, b)) return false;
      if (b) LoadUserFluids();
      S->AutoloadFluids = b;
      fPrefForm->AutoloadFluidsCB->Checked = b;
      return true;
    });
    step(nullptr, [&] {
      bool b;
      if (!flag(2, b)) return false;
      S->Loadpreset = b;
      fPrefForm->LoadPresetCB->Checked = b;
      // A preset that cannot be read is left alone without a word.
      if (b && items.size() > 3) LoadSizingString(cookies::ReadPreset(items[3]));
      return true;
    });
    step("An error has occurred autoloading your advanced tools", [&] {
      bool b, recursive;
      if (!flag(4, b)) return false;
      S->AutoloadAdvTools = b;
      if (!b) return true;
      if (!flag(6, recursive)) return false;
      S->RecursiveFL = recursive;
      if (recursive) Application().ShowMessage("*Note*  Recursive Fʟ is enabled");
      return true;
    });
    step("An error has occurred autoloading your suppressed warning preference", [&] {
      bool b;
      if (!flag(5, b)) return false;
      S->SuppressWarnings = b;
      return true;
    });
    struct Pair {
      std::size_t Index;
      bool TPrefs::*Apply;
      std::string TPrefs::*Text;
      TIWCheckBox* Check;
      TIWEdit* Edit;
    };
    const Pair pairs[] = {
        {7, &TPrefs::NameApply, &TPrefs::Name, fPrefForm->NameApplyCheck, fPrefForm->NameEdit},
        {9, &TPrefs::EmailApply, &TPrefs::Email, fPrefForm->EmailApplyCheck, fPrefForm->EmailEdit},
        {11, &TPrefs::CompanyApply, &TPrefs::Company, fPrefForm->CompanyApplyCheck, fPrefForm->CompanyEdit},
        {13, &TPrefs::ContactApply, &TPrefs::Contact, fPrefForm->ContactApplyCheck, fPrefForm->ContactEdit},
        {15, &TPrefs::RepDateApply, nullptr, fPrefForm->RepDateApplyCheck, nullptr},
    };
    for (const Pair& p : pairs)
      step("An error has occurred autoloading your settings preference", [&] {
        bool b;
        if (!flag(p.Index, b) || (p.Text && p.Index + 1 >= items.size())) return false;
        S->Prefs.*p.Apply = b;
        p.Check->Checked = b;
        if (p.Text) {
          S->Prefs.*p.Text = items[p.Index + 1];
          p.Edit->Text = items[p.Index + 1];
        }
        return true;
      });
  }
}

void TGlobemain::IWButton2Click(TIWControl*) {
  TIWUserSession* S = UserSession();
  ReadCookies();
  for (int i = 0; i < S->AllcookiesList.Count(); ++i) {
    auto [name, value] = NameAndValue(S->AllcookiesList.Strings(i));
    if (name.compare(0, 14, cookies::PreferenceCookieName) != 0) continue;
    const std::vector<std::string> items = cookies::SplitPreferences(value);
    const std::string preset = items.size() > 3 ? cookies::ReadPreset(items[3]) : std::string();
    S->Loadpreset = true;
    fPrefForm->LoadPresetCB->Checked = true;
    sizing::TSizingRecord r;
    std::string error;
    if (sizing::ParseRecord(preset, r, error)) Application().ShowMessage(r.Style);
  }
}
