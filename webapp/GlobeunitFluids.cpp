// The sizing form's fluid part: fluid state and fluid, units of pressure, temperature and flow,
// gauge or absolute pressures, the property edits filled from the fluid libraries and property
// tables, and the numeric key filter of the input edits.
#include <cmath>

#include "calc/utilities.h"
#include "platform/rt/SysUtils.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

namespace {

double ListNumber(const StringList& list, int index) {
  if (index < 0 || index >= list.Count()) return 0;
  double v;
  return rt::TryStrToFloat(list.Strings(index), v) ? v : 0;
}

// Items of a list control replaced; the selection stays where it was when it still exists, else
// the first item is selected.
void SetItems(TIWComboBox& combo, std::vector<std::string> items) {
  combo.Items = std::move(items);
  if (combo.ItemIndex < 0 || combo.ItemIndex >= static_cast<int>(combo.Items.size()))
    combo.ItemIndex = combo.Items.empty() ? -1 : 0;
}

std::vector<std::string> Items(const StringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

// A whole value without its separator: "3200", not "3200.".
std::string PressureInUnit(double psi, double PMF) {
  std::string text = StripTrailingZeros(rt::FloatToStrF(psi / PMF, rt::ffFixed, 15, 5));
  if (!text.empty() && text.back() == '.') text.pop_back();
  return text;
}

}  // namespace

// ---- Lists ----

void TGlobemain::LoadMaterialData() {
  TIWUserSession* S = UserSession();
  for (TMatData* m : {&S->LiqMatData, &S->GasMatData, &S->SteamMatData})
    for (StringList* l : {&m->Name, &m->SG, &m->CritPress, &m->CritTemp, &m->Visc, &m->SpecHeat, &m->VapPress,
                          &m->Temperature, &m->Compress, &m->NonAmbient, &m->Superheatfactor, &m->Fluid,
                          &m->Scale})
      l->Clear();

  TMatData& liq = S->LiqMatData;
  for (int n = 1; n <= S->LiquidDataSet.RecordCount(); ++n) {
    S->LiquidDataSet.SetRecNo(n);
    liq.Name.Add(S->LiquidDataSetDISPLAY_NA.AsString());
    liq.SG.Add(S->LiquidDataSetSG_LIQ.AsString());
    liq.CritPress.Add(S->LiquidDataSetCRIT_PRES.AsString());
    liq.CritTemp.Add(S->LiquidDataSetCRIT_TEMP.AsString());
    liq.Visc.Add(S->LiquidDataSetVISC.AsString());
    liq.SpecHeat.Add(S->LiquidDataSetSPEC_HEAT.AsString());
    liq.VapPress.Add(S->LiquidDataSetVAP_PRES.AsString());
    liq.Temperature.Add(S->LiquidDataSetAMB_TEMP.AsString());
    liq.Scale.Add("-1");
    liq.NonAmbient.Add("0");
    liq.Superheatfactor.Add("1");
  }
  TMatData& gas = S->GasMatData;
  for (int n = 1; n <= S->GasDataSet.RecordCount(); ++n) {
    S->GasDataSet.SetRecNo(n);
    gas.Name.Add(S->GasDataSetDISPLAY_NA.AsString());
    gas.SG.Add(S->GasDataSetSG_GAS.AsString());
    gas.CritPress.Add(S->GasDataSetCRIT_PRES.AsString());
    gas.CritTemp.Add(S->GasDataSetCRIT_TEMP.AsString());
    gas.Visc.Add(S->GasDataSetVISC.AsString());
    gas.SpecHeat.Add(S->GasDataSetSPEC_HEAT.AsString());
    gas.VapPress.Add(S->GasDataSetVAP_PRES.AsString());
    gas.Temperature.Add(S->GasDataSetAMB_TEMP.AsString());
    gas.Compress.Add(S->GasDataSetCOMPRESS.AsString());
    gas.Scale.Add("-1");
    gas.NonAmbient.Add("0");
    gas.Superheatfactor.Add("1");
  }
  TMatData& steam = S->SteamMatData;
  steam.Name.Add("Saturated Steam");
  steam.Name.Add("Superheated Steam");
  for (StringList* l : {&steam.SG, &steam.CritPress, &steam.CritTemp, &steam.Visc, &steam.SpecHeat, &steam.VapPress,
                        &steam.Compress, &steam.Superheatfactor})
    l->Add("1");
  steam.Temperature.Add("212");
  steam.Scale.Add("-1");
  steam.NonAmbient.Add("0");
}

void TGlobemain::PopulateFluidnamelist() {
  TIWUserSession* S = UserSession();
  const std::string state = FluidStateCombo->Text();
  S->SelectedFluidData.State = state;
  if (state == "Liquid")
    SetItems(*FluidCombo, Items(S->LiqMatData.Name));
  else if (state == "Gas")
    SetItems(*FluidCombo, Items(S->GasMatData.Name));
  else if (state == "Steam")
    SetItems(*FluidCombo, Items(S->SteamMatData.Name));
}

void TGlobemain::PopulateFlowlist() {
  const std::string state = FluidStateCombo->Text();
  UserSession()->SelectedFluidData.State = state;
  if (state == "Liquid")
    SetItems(*FlowCombo, LiqFlowUnits);
  else if (state == "Gas")
    SetItems(*FlowCombo, GasFlowUnits);
  else if (state == "Steam")
    SetItems(*FlowCombo, SteamFlowUnits);
}

void TGlobemain::PopulatePressurelist() {
  if (P1Combo->ItemIndex >= 0) return;
  TIWUserSession* S = UserSession();
  std::vector<std::string> labels;
  for (int n = 1; n <= S->PressureDataSet.RecordCount(); ++n) {
    S->PressureDataSet.SetRecNo(n);
    labels.push_back(S->PressureDataSetLABEL.AsString());
  }
  P1Combo->Items = labels;
}

// ---- Handlers ----

void TGlobemain::SetPropertyCaptions(const std::string& state) {
  if (state == "Liquid") {
    CPorCompressLabel->Caption = "Critical Pressure";
    VPorSpecheatLabel->Caption = "Vapor Pressure";
    SGLabel->Caption = "Specific Gravity";
    ViscLabel->Caption = "Viscosity";
  } else if (state == "Gas") {
    CPorCompressLabel->Caption = "Compressibility";
    VPorSpecheatLabel->Caption = "Specific Heat";
    SGLabel->Caption = "Specific Gravity";
    ViscLabel->Caption = "Viscosity";
  } else if (state == "Steam") {
    CPorCompressLabel->Caption.clear();
    VPorSpecheatLabel->Caption.clear();
    SGLabel->Caption.clear();
    ViscLabel->Caption.clear();
  }
}

void TGlobemain::FluidStateComboChange(TIWControl* Sender) {
  // The user's choice of another state refills every property from the library; the user-fluid
  // panel passes itself and keeps what was typed.
  if (Sender == FluidStateCombo) ForgetTypedProperties();
  UserSession()->SelectedFluidData.State = FluidStateCombo->Text();
  PopulateFluidnamelist();
  FluidCombo->ItemIndex = FluidCombo->Items.empty() ? -1 : 0;
  PopulateFlowlist();
  for (int i = 0; i < 3; ++i)
    if (!P1Edit(i)->Text.empty()) TempEdit(i)->Text = "60";
  SetPropertyCaptions(FluidStateCombo->Text());
  AssignfluidParams();
}

void TGlobemain::FluidComboChange(TIWControl*) {
  ForgetTypedProperties();
  const std::string fluid = FluidCombo->Text();
  UserSession()->SelectedFluid = fluid;
  if (fluid == "Unlisted Liquid" || fluid == "Unlisted Gas")
    ShowUserFluidPanel();
  else
    AssignfluidParams();
}

void TGlobemain::P1ComboChange(TIWControl*) {
  TIWUserSession* S = UserSession();
  S->SelectedPunit = P1Combo->Text();
  P2PressureLabel->Caption = P1Combo->Text();
  // A liquid's pressures typed by the user are converted into the new unit (the library's are
  // filled in it anyway).
  if (FluidStateCombo->Text() == "Liquid" && FPropertyPMF > 0 && P1Combo->ItemIndex >= 0) {
    S->PressureDataSet.SetRecNo(P1Combo->ItemIndex + 1);
    const double PMF = S->PressureDataSetPMF.AsFloat();
    for (int i = 0; i < 3; ++i)
      for (TIWEdit* e : {VPEdit(i), CPEdit(i)}) {
        const auto it = FFilledProperties.find(e);
        double v;
        if ((it != FFilledProperties.end() && e->Text == it->second) || !rt::TryStrToFloat(e->Text, v)) continue;
        e->Text = PressureInUnit(v * FPropertyPMF, PMF);
        // Still the user's, even where it meets the library's text.
        if (it != FFilledProperties.end() && e->Text == it->second) it->second += ' ';
      }
  }
  AssignfluidParams();
}

void TGlobemain::FlowComboChange(TIWControl*) { UserSession()->SelectedFlowUnit = FlowCombo->Text(); }

void TGlobemain::TempUnitComboChange(TIWControl*) {
  UserSession()->SelectedTempunit = TempUnitCombo->Text();
  AssignfluidParams();
}

void TGlobemain::GageRadButtClick(TIWControl*) {
  UserSession()->GageP = true;
  AssignfluidParams();
}

void TGlobemain::AbsRadButtClick(TIWControl*) {
  UserSession()->GageP = false;
  AssignfluidParams();
}

void TGlobemain::EditAsyncChange(TIWControl* Sender, const TIWEventParams& Params) {
  auto* edit = dynamic_cast<TIWEdit*>(Sender);
  if (!edit) return;
  const std::string which = Params.Values("Which");
  const int key = which.empty() ? -1 : rt::StrToIntDef(which, -1);
  const std::string action = Params.Values("IW_Action");
  // Whatever key was typed (or pasted), only a number or the characters of one stay.
  edit->Text = globe::FilterNumericText(edit->Text);
  const bool minus = key == 189 || key == 109;
  // A property typed into its own edit is the user's value: nothing is refilled over it.
  bool property = false;
  for (const char* stem : {"SG", "VISC", "VP", "CP"})
    for (const char* column : {"MINEDIT", "NORMEDIT", "MAXEDIT"}) property = property || action == std::string(stem) + column;
  if (!minus && !property) AssignfluidParams();
  if (key == 13) CalcButtonClick(Sender);
}

void TGlobemain::SetPropertyEditsVisible(bool visible) {
  for (TIWControl* c : std::initializer_list<TIWControl*>{CPorCompressLabel, VPorSpecheatLabel, SGLabel, ViscLabel})
    c->Visible = visible;
  for (int i = 0; i < 3; ++i)
    for (TIWEdit* e : {SGEdit(i), ViscEdit(i), VPEdit(i), CPEdit(i)}) e->Visible = visible;
}

double TGlobemain::SteamSaturationF(double psig) {
  return globe::LookupInterpolated(UserSession()->SteamDataSet, "ASTPGAUGE", "ASTTEMP", psig);
}

void TGlobemain::FillProperty(TIWEdit* Edit, const std::string& Text) {
  const auto it = FFilledProperties.find(Edit);
  // Text other than what was last filled in was typed by the user, and stays.
  if (!Edit->Text.empty() && (it == FFilledProperties.end() || Edit->Text != it->second)) return;
  Edit->Text = Text;
  FFilledProperties[Edit] = Text;
}

void TGlobemain::ForgetTypedProperties() {
  for (int i = 0; i < 3; ++i)
    for (TIWEdit* e : {SGEdit(i), ViscEdit(i), VPEdit(i), CPEdit(i)}) FFilledProperties[e] = e->Text;
}

void TGlobemain::AssignfluidParams() {
  TIWUserSession* S = UserSession();
  S->PressureDataSet.SetRecNo(P1Combo->ItemIndex + 1);
  const double PMF = S->PressureDataSetPMF.AsFloat();
  const std::string& tunit = S->SelectedTempunit;

  // Texts that are not numbers are left for Calculate to report.
  for (int i = 0; i < 3; ++i) {
    double t;
    if (!TempEdit(i)->Text.empty() && rt::TryStrToFloat(TempEdit(i)->Text, t))
      S->SelectedTemps[static_cast<size_t>(i)] = globe::ToFahrenheit(t, tunit);
  }
  const std::string fluid = FluidCombo->Text();
  S->SelectedFluid = fluid;
  const std::string state = FluidStateCombo->Text();
  auto p1Psig = [&](int i, double& p) {
    if (P1Edit(i)->Text.empty() || !rt::TryStrToFloat(P1Edit(i)->Text, p)) return false;
    p = p * PMF - (GageRadButt->Checked() ? 0 : 14.696);
    return true;
  };

  if (state == "Liquid" || state == "Gas") {
    SetPropertyEditsVisible(true);
    for (int i = 0; i < 3; ++i) TempEdit(i)->Enabled = true;
    TempLabel->Visible = true;
    TempUnitCombo->Visible = true;
  } else if (state == "Steam") {
    SetPropertyEditsVisible(false);
    if (fluid != "Superheated Steam") {
      for (int i = 0; i < 3; ++i) {
        double p;
        if (!p1Psig(i, p)) continue;
        const double ts = SteamSaturationF(p);
        const double shown = globe::FromFahrenheit(ts, tunit);
        S->SelectedFluidData.Temperature = shown;
        S->SelectedTemps[static_cast<size_t>(i)] = ts;  // the temperature shown, in °F
        TempEdit(i)->Text = rt::FloatToStrF(shown, rt::ffFixed, 15, 1);
      }
      for (int i = 0; i < 3; ++i) TempEdit(i)->Enabled = false;
    } else {
      for (int i = 0; i < 3; ++i) {
        double p;
        if (!p1Psig(i, p)) continue;
        const double ts = SteamSaturationF(p);
        S->SHthreshholdF[static_cast<size_t>(i)] = ts;
        S->Superheatthreshhold[static_cast<size_t>(i)] = globe::FromFahrenheit(ts, tunit);
      }
      for (int i = 0; i < 3; ++i) TempEdit(i)->Enabled = true;
    }
    TempLabel->Visible = true;
    TempUnitCombo->Visible = true;
  }

  TMaterial& fd = S->SelectedFluidData;
  if (state == "Gas") {
    const int k = S->GasMatData.Name.IndexOf(fluid);
    if (k >= 0) {
      fd.SG = ListNumber(S->GasMatData.SG, k);
      fd.Compress = ListNumber(S->GasMatData.Compress, k);
      fd.SpecHeat = ListNumber(S->GasMatData.SpecHeat, k);
      fd.Visc = ListNumber(S->GasMatData.Visc, k);
      for (int i = 0; i < 3; ++i) {
        if (P1Edit(i)->Text.empty()) continue;
        if (fluid == "Air @ Normal Temp (0 deg C)") {
          // 0 °C, shown as such and calculated at 32 °F.
          TempUnitCombo->SetText("°C");
          S->SelectedTempunit = "°C";
          S->SelectedTemps[static_cast<size_t>(i)] = 32;
          TempEdit(i)->Text = "0";
          fd.Visc = 0.017;
        } else if (fluid == "Air") {
          fd.Visc = globe::LookupInterpolated(S->AirPropsDataSet, "DEGREESF", "VISC",
                                              S->SelectedTemps[static_cast<size_t>(i)]);
        }
        FillProperty(SGEdit(i), rt::FloatToStr(fd.SG));
        FillProperty(VPEdit(i), rt::FloatToStr(fd.SpecHeat));
        FillProperty(CPEdit(i), rt::FloatToStr(fd.Compress));
        FillProperty(ViscEdit(i), rt::FloatToStr(fd.Visc));
      }
    }
  } else if (state == "Liquid") {
    const int k = S->LiqMatData.Name.IndexOf(fluid);
    if (k >= 0) {
      fd.SG = ListNumber(S->LiqMatData.SG, k);
      fd.VapPress = ListNumber(S->LiqMatData.VapPress, k);
      fd.CritPress = ListNumber(S->LiqMatData.CritPress, k);
      fd.Visc = ListNumber(S->LiqMatData.Visc, k);
      for (int i = 0; i < 3; ++i) {
        if (P1Edit(i)->Text.empty()) continue;
        if (fluid == "Water") {
          const double t = S->SelectedTemps[static_cast<size_t>(i)];
          fd.VapPress = globe::LookupInterpolated(S->WaterPropsDataSet, "DEGREESF", "VP", t);
          fd.SG = globe::LookupInterpolated(S->WaterPropsDataSet, "DEGREESF", "SG", t);
          fd.Visc = globe::LookupInterpolated(S->WaterPropsDataSet, "DEGREESF", "VISC", t);
        }
        FillProperty(SGEdit(i), rt::FloatToStr(fd.SG));
        FillProperty(VPEdit(i), PressureInUnit(fd.VapPress, PMF));
        FillProperty(CPEdit(i), PressureInUnit(fd.CritPress, PMF));
        FillProperty(ViscEdit(i), rt::FloatToStr(fd.Visc));
        if (i == 0) {
          const int u = S->CustomMaterial.IndexOf(fluid);
          if (u >= 0) {
            if (u < S->CustomTemp.Count()) TempMinEdit->Text = S->CustomTemp.Strings(u);
            const std::string scale = u < S->CustomScale.Count() ? S->CustomScale.Strings(u) : "";
            const std::string unit = scale == "C" ? "°C" : scale == "K" ? "K" : "°F";
            TempUnitCombo->SetText(unit);
            S->SelectedTempunit = unit;
          }
        }
      }
    }
  }
  FPropertyPMF = PMF;
  if (fd.VapPress == 0) fd.VapPress = 0.00001;
  if (fd.CritPress == 0) fd.CritPress = 0.00001;
}
