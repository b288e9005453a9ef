// The sizing form's sizing files: the record of the form's state, its download, and the upload
// that restores the form from such a file. An upload is checked whole before any of it is applied.
#include <initializer_list>
#include <vector>

#include "platform/rt/SysUtils.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"
#include "webapp/SizingRecord.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

namespace {

constexpr TColor PanelTitleColor = 0x7A4A1F;

bool ReadBool(const std::string& text) {
  bool b = false;
  sizing::TryReadBool(text, b);
  return b;
}

double ReadNumber(const std::string& text) { return rt::StrToFloatDef(text, 0); }

}  // namespace

void TGlobemain::CreateFileControls() {
  SaveBtn = Add<TIWImageButton>("SaveBtn", DataRegion1);
  SaveBtn->SetBounds(846, 470, 30, 30);
  SaveBtn->ImageFile = "SaveButton.svg";
  SaveBtn->AltText = "Save Sizing";
  SaveBtn->Hint = "Save Sizing";
  SaveBtn->OnClick = [this](TIWControl* s) { SaveBtnClick(s); };
  LoadBtn = Add<TIWImageButton>("LoadBtn", DataRegion1);
  LoadBtn->SetBounds(882, 470, 30, 30);
  LoadBtn->ImageFile = "LoadButton.svg";
  LoadBtn->AltText = "Load Sizing";
  LoadBtn->Hint = "Load Sizing";
  // The file selection opens in the browser at once; the chosen file is uploaded and loaded
  // without the panel showing.
  LoadBtn->ScriptOnClick = "document.getElementById('Loadfileedit').click(); return false;";
  LoadBtn->OnClick = [this](TIWControl* s) { LoadBtnClick(s); };

  auto panel = [this](const char* name, const char* titleName, const char* title, int height, TIWLabel*& titleLabel) {
    auto* r = Add<TIWRegion>(name, DataRegion1);
    r->SetBounds(690, 330, 300, height);
    r->Color = clWhite;
    r->BorderWidth = 1;
    r->BorderColor = clGray;
    r->ZIndex = 10;
    r->Visible = false;
    titleLabel = Add<TIWLabel>(titleName, r);
    titleLabel->Caption = title;
    titleLabel->SetBounds(0, 0, 298, 22);
    titleLabel->Font.Bold = true;
    titleLabel->Font.Color = clWhite;
    titleLabel->Color = PanelTitleColor;
    return r;
  };

  Filesaveregion = panel("Filesaveregion", "FilesaveTitle", " Save File", 110, FilesaveTitle);
  FilenameLabel = Add<TIWLabel>("FilenameLabel", Filesaveregion);
  FilenameLabel->Caption = "Name";
  FilenameLabel->SetBounds(12, 38, 50, 20);
  Filenameedit = Add<TIWEdit>("Filenameedit", Filesaveregion);
  Filenameedit->Text = "Filename";
  Filenameedit->SetBounds(62, 34, 225, 22);
  FileSaveButton = Add<TIWButton>("FileSaveButton", Filesaveregion);
  FileSaveButton->Caption = "Save";
  FileSaveButton->SetBounds(62, 70, 90, 28);
  FileSaveButton->OnClick = [this](TIWControl* s) { FileSaveButtonClick(s); };
  Filecancelbutt = Add<TIWButton>("Filecancelbutt", Filesaveregion);
  Filecancelbutt->Caption = "Cancel";
  Filecancelbutt->SetBounds(162, 70, 90, 28);
  Filecancelbutt->OnClick = [this](TIWControl* s) { FilecancelbuttClick(s); };

  LoadFileRegion = panel("LoadFileRegion", "LoadFileTitle", " Load File", 110, LoadFileTitle);
  Loadfileedit = Add<TIWFileUploader>("Loadfileedit", LoadFileRegion);
  Loadfileedit->SetBounds(12, 36, 276, 26);
  Loadfileedit->Accept = ".kvs";
  Loadfileedit->OnAsyncUploadCompleted = [this](TIWControl* s, std::string& dest, const std::string& name, bool& save,
                                                bool& overwrite) {
    LoadfileeditAsyncUploadCompleted(s, dest, name, save, overwrite);
  };
  Loadfileedit->OnAsyncUploadSuccess = [this](TIWControl* s, const TIWEventParams& p) {
    LoadfileeditAsyncUploadSuccess(s, p);
  };
  LoadCancel = Add<TIWButton>("LoadCancel", LoadFileRegion);
  LoadCancel->Caption = "Close";
  LoadCancel->SetBounds(104, 72, 90, 28);
  LoadCancel->OnClick = [this](TIWControl* s) { LoadCancelClick(s); };

  SaveAsMenuItem->OnClick = [this](TIWControl* s) { SaveAsMenuItemClick(s); };
  LoadSizingMenuItem->OnClick = [this](TIWControl* s) { LoadSizingMenuItemClick(s); };
  LoadUserfluids1->OnClick = [this](TIWControl* s) { LoadUserfluids1Click(s); };
  UFApplyButt->OnClick = [this](TIWControl* s) { UFApplyButtClick(s); };
  UFSaveButt->OnClick = [this](TIWControl* s) { UFApplyButtClick(s); };
  IWButton2->OnClick = [this](TIWControl* s) { IWButton2Click(s); };
}

// ---- The record ----

std::string TGlobemain::BuildSizingString() {
  const TIWUserSession* S = UserSession();
  const TMaterial& F = S->SelectedFluidData;
  sizing::TSizingRecord r;
  r.ValveType = ValveTypeCombo->Text();
  // The radio, not the session flag: every render sets the flag to Cv mode before it recalculates.
  r.CvMode = sizing::BoolText(CalcForCvButt->Checked());
  r.Linear = sizing::BoolText(S->Lintaper);
  r.State = F.State;
  r.Fluid = {S->SelectedFluid,
             SGminEdit->Text,
             CPMinEdit->Text,
             rt::FloatToStr(F.CritTemp),
             ViscMinEdit->Text,
             rt::FloatToStr(F.SpecHeat),
             VPMinEdit->Text,
             TempMinEdit->Text,
             rt::FloatToStr(F.Compress),
             sizing::BoolText(F.NonAmbient),
             rt::FloatToStr(F.Superheatfactor),
             TempUnitCombo->Text()};
  r.Size = rt::FloatToStrF(S->SelectedSize, rt::ffFixed, 15, 2);
  r.Cv = CvCombo->Text();
  r.FlowUnit = FlowCombo->Text();
  r.PressureUnit = P1Combo->Text();
  r.TempUnit = TempUnitCombo->Text();
  for (int i = 0; i < 3; ++i) {
    const auto k = static_cast<std::size_t>(i);
    r.Flow[k] = FlowEdit(i)->Text;
    r.P1[k] = P1Edit(i)->Text;
    r.P2[k] = P2Edit(i)->Text;
    r.Temp[k] = TempEdit(i)->Text;
  }
  r.UpDiam = UpDiamEdit->Text;
  r.DownDiam = DownDiamEdit->Text;
  r.Schedule = SchedComboBox->Text();
  r.ValveFamily = rt::IntToStr(S->ValveID);
  r.Tag = TagEdit->Text;
  r.LinkedDiams = sizing::BoolText(LinkDiamsCB->Checked);
  r.User = NameEditBox->Text;
  const std::pair<TIWRadioButton*, const char*> styles[] = {{GlobeRB, "VXGlobe"},     {GateRB, "VXGate"},
                                                            {LowflowRB, "LFLowflow"}, {LFGlobeRB, "LFGlobe"},
                                                            {PLLowflowRB, "PLLowflow"}, {PLGlobeRB, "PLGlobe"}};
  for (const auto& [radio, marker] : styles)
    if (radio->Checked()) {
      r.Style = marker;
      break;
    }
  r.Customer = CustEditBox->Text;
  r.LineItem = LineEditBox->Text;
  r.PressureMode = AbsRadButt->Checked() ? sizing::AbsoluteMode : sizing::GaugeMode;
  for (int i = 1; i < 3; ++i)
    r.NormMax[static_cast<std::size_t>(i - 1)] = {SGEdit(i)->Text, ViscEdit(i)->Text, VPEdit(i)->Text, CPEdit(i)->Text};
  return sizing::FormatRecord(r);
}

bool TGlobemain::LoadSizingString(const std::string& Record, std::string* Error) {
  sizing::TSizingRecord r;
  std::string error;
  if (!sizing::ParseRecord(Record, r, error)) {
    if (Error) *Error = error;
    return false;
  }
  // The pressure unit converts the fluid's pressures as it is registered: it must be one of ours.
  bool knownUnit = false;
  for (const std::string& u : P1Combo->Items) knownUnit = knownUnit || u == r.PressureUnit;
  if (!knownUnit) {
    if (Error) *Error = "the pressure unit \"" + r.PressureUnit + "\" is not one of the program's";
    return false;
  }
  // Handlers run on the way recalculate with half-restored inputs; what they say is not news. The
  // render after the load calculates the restored sizing and reports on it.
  const std::vector<std::string> earlier = Application().TakeMessages();
  ApplySizingRecord(r);
  Application().TakeMessages();
  for (const std::string& m : earlier) Application().ShowMessage(m);
  return true;
}

void TGlobemain::ApplySizingRecord(const sizing::TSizingRecord& R) {
  TIWUserSession* S = UserSession();
  ForgetTypedProperties();  // the loaded sizing's fluid fills every property edit

  // Style: a record without a marker keeps the current one.
  const std::string& m = R.Style;
  if (m == "VXGlobe") {
    GlobeRB->SetChecked(true);
    GlobeRBClick(GlobeRB);
  } else if (m == "VXGate") {
    GateRB->SetChecked(true);
    GateRBClick(GateRB);
  } else if (m == "LFLowflow") {
    LowflowRB->SetChecked(true);
    LowflowRBClick(LowflowRB);
  } else if (m == "LFGlobe") {
    LFGlobeRB->SetChecked(true);
    LFGlobeRBClick(LFGlobeRB);
  } else if (m == "PLLowflow") {
    PLLowflowRB->SetChecked(true);
    PLLowflowRBClick(PLLowflowRB);
  } else if (m == "PLGlobe") {
    PLGlobeRB->SetChecked(true);
    PLGlobeRBClick(PLGlobeRB);
  }

  ValveTypeCombo->SetText(R.ValveType);

  // Before anything converts a pressure. A record of an older writer has no mode and keeps the
  // form's.
  if (!R.PressureMode.empty()) {
    const bool gauge = R.PressureMode == sizing::GaugeMode;
    GageRadButt->SetChecked(gauge);
    AbsRadButt->SetChecked(!gauge);
    S->GageP = gauge;
  }

  if (ReadBool(R.CvMode)) {
    CalcForCvButt->SetChecked(true);
    CalcForFlow->SetChecked(false);
    CalcForCvButtClick(CalcForCvButt);
  } else {
    CalcForCvButt->SetChecked(false);
    CalcForFlow->SetChecked(true);
    // Labels, the Cv list and the flow edits as flow mode shows them; the edits are filled below.
    CalcForFlowClick(CalcForFlow);
  }

  // The characteristic chooses the trim table (what its radios do, without their recalculation
  // with the half-restored inputs).
  const bool linear = ReadBool(R.Linear);
  LinRB->SetChecked(linear);
  EQRB->SetChecked(!linear);
  S->Lintaper = linear;
  SelectTrimTable();

  S->SelectedFluidData.State = R.State;
  FluidStateCombo->SetText(R.State);
  SetPropertyCaptions(R.State);

  const sizing::TSizingFluid& F = R.Fluid;
  S->SelectedPunit = R.PressureUnit;
  P1Combo->SetText(R.PressureUnit);
  P2PressureLabel->Caption = R.PressureUnit;
  S->PressureDataSet.SetRecNo(P1Combo->ItemIndex + 1);
  const double f = S->PressureDataSetPMF.AsFloat();

  S->SelectedFluid = F.Name;
  S->SelectedFluidData.Name = F.Name;
  // The fluid's figures the record carries from the session go back there, so that a restored
  // sizing writes the record it was read from.
  S->SelectedFluidData.CritTemp = ReadNumber(F.CritTemp);
  S->SelectedFluidData.SpecHeat = ReadNumber(F.SpecHeat);
  S->SelectedFluidData.Compress = ReadNumber(F.Compress);
  S->SelectedFluidData.NonAmbient = ReadBool(F.NonAmbient);
  S->SelectedFluidData.Superheatfactor = ReadNumber(F.Superheatfactor);

  // A fluid the session does not know yet (a user fluid of another session) joins its list. A
  // record of a form with no fluid chosen names none.
  if (F.Name.empty()) {
  } else if (R.State == "Liquid") {
    if (S->LiqMatData.Name.IndexOf(F.Name) < 0)
      RegisterFluid(S->LiqMatData, 0,
                    {F.Name, F.SG, rt::FloatToStr(ReadNumber(F.CPorComp) * f), F.CritTemp, F.Visc, F.SpecHeat,
                     rt::FloatToStr(ReadNumber(F.VPorSH) * f), F.Temp, F.Compress, F.NonAmbient, F.Superheatfactor,
                     R.State, F.TempUnit});
  } else {
    TMatData& lists = R.State == "Gas" ? S->GasMatData : S->SteamMatData;
    if (lists.Name.IndexOf(F.Name) < 0)
      RegisterFluid(lists, 0,
                    {F.Name, F.SG, F.CPorComp, F.CritTemp, F.Visc, F.SpecHeat, F.VPorSH, F.Temp, F.Compress,
                     F.NonAmbient, F.Superheatfactor, R.State, F.TempUnit});
  }

  PopulateFluidnamelist();
  if (R.State == "Liquid" || R.State == "Steam") {  // steam hides them, but they are kept
    ViscMinEdit->Text = F.Visc;
    SGminEdit->Text = F.SG;
    VPMinEdit->Text = F.VPorSH;
    CPMinEdit->Text = F.CPorComp;
  } else if (R.State == "Gas") {
    ViscMinEdit->Text = F.Visc;
    SGminEdit->Text = F.SG;
    VPMinEdit->Text = F.SpecHeat;
    CPMinEdit->Text = F.Compress;
  }
  FluidCombo->SetText(S->SelectedFluid);

  PopulateSizelist();
  S->SelectedSize = static_cast<float>(ReadNumber(R.Size));
  SizeCombo->SetText(R.Size + " in");
  PopulateCvlist();

  S->SelectedCv = R.Cv;
  CvCombo->SetText(R.Cv);
  PopulateFlowlist();
  S->SelectedFlowUnit = R.FlowUnit;
  FlowCombo->SetText(R.FlowUnit);

  // The temperature unit is the session's too: the temperatures below are read in it.
  TempUnitCombo->SetText(R.TempUnit);
  S->SelectedTempunit = R.TempUnit;
  for (int i = 0; i < 3; ++i) {
    const auto k = static_cast<std::size_t>(i);
    FlowEdit(i)->Text = R.Flow[k];
    P1Edit(i)->Text = R.P1[k];
    P2Edit(i)->Text = R.P2[k];
    TempEdit(i)->Text = R.Temp[k];
    double t;
    if (rt::TryStrToFloat(R.Temp[k], t)) S->SelectedTemps[k] = globe::ToFahrenheit(t, R.TempUnit);
  }

  S->Linkeddiams = ReadBool(R.LinkedDiams);
  LinkDiamsCB->Checked = S->Linkeddiams;

  UpDiamEdit->Text = sizing::FixLeadingDecimal(R.UpDiam);
  DownDiamEdit->Text = sizing::FixLeadingDecimal(R.DownDiam);
  TagEdit->Text = R.Tag;
  NameEditBox->Text = R.User;
  CustEditBox->Text = R.Customer;
  LineEditBox->Text = R.LineItem;

  S->Saveloaded = false;
  AssignfluidParams();
  // A record of ours carries every property edit as it was shown, typed values too: they come
  // back over the library's, and stay as the user's.
  if (!R.PressureMode.empty()) {
    const sizing::TConditionProperties shown[3] = {{F.SG, F.Visc, F.VPorSH, F.CPorComp}, R.NormMax[0], R.NormMax[1]};
    for (int i = 0; i < 3; ++i) {
      const sizing::TConditionProperties& p = shown[i];
      SGEdit(i)->Text = p.SG;
      ViscEdit(i)->Text = p.Visc;
      VPEdit(i)->Text = p.VP;
      CPEdit(i)->Text = p.CP;
    }
  }
  // The schedules offered depend on the pipe sizes just restored.
  UpdateSchedules();
  SchedComboBox->SetText(R.Schedule);
  S->SelectedSchedule = SchedComboBox->Text();
}

// ---- Download ----

void TGlobemain::saveeventClick(TIWControl*) {
  if (Filenameedit->Text.empty()) return;
  rt::TStringStream stream(sizing::EncodeFile(BuildSizingString()));
  // The web layer cleans the name for the download header.
  Application().SendStream(stream, false, "application/vxs", Filenameedit->Text + ".kvs");
  Filesaveregion->Visible = false;
}

void TGlobemain::FileSaveButtonClick(TIWControl* Sender) { saveeventClick(Sender); }

void TGlobemain::SaveAsMenuItemClick(TIWControl*) {
  Filesaveregion->Visible = true;
  LoadFileRegion->Visible = false;
}

void TGlobemain::SaveBtnClick(TIWControl* Sender) { SaveAsMenuItemClick(Sender); }

void TGlobemain::FilecancelbuttClick(TIWControl*) { Filesaveregion->Visible = false; }

// ---- Upload ----

void TGlobemain::LoadSizingMenuItemClick(TIWControl*) {
  LoadFileRegion->Visible = true;
  Filesaveregion->Visible = false;
  Loadfileedit->ButtonVisible = true;
}

void TGlobemain::LoadCancelClick(TIWControl*) { LoadFileRegion->Visible = false; }

void TGlobemain::LoadBtnClick(TIWControl*) {}

void TGlobemain::LoadfileeditAsyncUploadCompleted(TIWControl*, std::string&, const std::string&, bool& SaveFile,
                                                  bool&) {
  SaveFile = false;  // the server keeps no copy
  FUploadError.clear();
  zentorload.clear();
  rt::TMemoryStream bytes;
  Loadfileedit->SaveToStream(Loadfileedit->FileName(), bytes);
  if (bytes.Size() > static_cast<std::int64_t>(sizing::MaxFileSize)) {
    FUploadError = "it is larger than " + std::to_string(sizing::MaxFileSize / 1024) + " KiB";
    return;
  }
  std::string raw(static_cast<std::size_t>(bytes.Size()), '\0');
  bytes.SetPosition(0);
  if (!raw.empty()) bytes.ReadBuffer(raw.data(), static_cast<std::int64_t>(raw.size()));
  zentorload = sizing::DecodeFile(raw);
}

void TGlobemain::LoadfileeditAsyncUploadSuccess(TIWControl*, const TIWEventParams& Params) {
  std::string error = FUploadError;
  if (error.empty() && LoadSizingString(zentorload, &error)) {
    LoadFileRegion->Visible = false;
    Loadfileedit->ButtonVisible = false;
    return;
  }
  Application().ShowMessage("The file \"" + Params.Values("FileName") + "\" cannot be loaded: " + error +
                            ". The sizing on the form is unchanged.");
}
