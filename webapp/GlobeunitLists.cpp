// The sizing form's valve part: style radios, valve type, trim table, size and Cv lists, the
// recovery factor, Cv-or-flow mode, pipe sizes and schedules.
#include <algorithm>
#include <cmath>

#include "calc/Velocity_and_noise.h"
#include "calc/utilities.h"
#include "platform/rt/SysUtils.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

namespace {

const char* const LowFlowCvs[] = {"0.00001", "0.00002", "0.00005", "0.0001", "0.0002",
                                  "0.0005",  "0.001",   "0.002",   "0.005",  "0.01",
                                  "0.02",    "0.05",    "0.1",     "0.2"};
const char* const SeriesHNote = "28 (Series H only)";

// Sizes are listed with two decimals; a stored size matches the listed one within half a step.
constexpr double SizeTolerance = 0.005 + 1e-9;

std::vector<std::string> Deduplicated(const std::vector<std::string>& items) {
  rt::TStringList list;
  for (const auto& s : items) list.Add(s);
  RemoveDuplicates(list);
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

bool SameCv(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max(1.0, std::fabs(b)); }

}  // namespace

// ---- Style radios ----

void TGlobemain::SetTypeItems(std::initializer_list<const char*> items) {
  ValveTypeCombo->Items.assign(items.begin(), items.end());
  ValveTypeCombo->ItemIndex = 0;
}

void TGlobemain::ShowSizeControls(bool show) {
  for (TIWControl* c : std::initializer_list<TIWControl*>{ValveSizeLabel, SizeCombo, Pipesizelabel, UpDiamEdit,
                                                          DownDiamEdit, SchedLabel, SchedComboBox, LinkDiamsCB,
                                                          LinRB, EQRB})
    c->Visible = show;
}

void TGlobemain::ShowGateGlobeControls(bool gate, bool guidelines) {
  FLLabel->Visible = true;
  FLEdit->Visible = true;
  FLLabel->Caption = gate ? "List Fʟ" : "Design Cv";
  FLEdit->Text = gate ? "0.6" : "";
  FLEdit->Enabled = !gate;
  InfoButton->Visible = guidelines;
  Guidelines1->Visible = guidelines;
  ShowSizeControls(true);
  for (int i = 0; i < 3; ++i) FlowEdit(i)->Enabled = true;
  FlowLabel->Caption = "Flow, Q";
  CvLabel->Visible = true;
  CvCombo->Visible = true;
}

void TGlobemain::ShowLowFlowControls(bool guidelines) {
  FLLabel->Visible = false;
  FLEdit->Visible = false;
  InfoButton->Visible = guidelines;
  Guidelines1->Visible = guidelines;
  ShowSizeControls(false);
  if (CalcForCvButt->Checked()) {
    CvLabel->Visible = false;
    CvCombo->Visible = false;
  } else {
    FlowLabel->Caption = "Flow, Q";
    FlowLabel->Visible = true;
    CvLabel->Visible = true;
    CvCombo->Visible = true;
    for (int i = 0; i < 3; ++i) FlowEdit(i)->Enabled = false;
  }
}

void TGlobemain::GateRBClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  S->ValveID = 1;
  GateRB->SetChecked(true);
  GlobeRB->SetChecked(false);
  LowflowRB->SetChecked(false);
  SetTypeItems({"Sliding Gate"});
  S->Valvetype = "Sliding Gate";
  SelectTrimTable();
  S->ValveLine = "Sliding Gate";
  ShowGateGlobeControls(true, false);
}

void TGlobemain::GlobeRBClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  S->ValveID = 2;
  GlobeRB->SetChecked(true);
  GateRB->SetChecked(false);
  LowflowRB->SetChecked(false);
  SetTypeItems({"Globe", "Plug & Cage Trim", "SERIES D", "SERIES C", "SERIES BG", "SERIES A"});
  S->ValveLine = "Globe";
  S->Valvetype = "Globe";
  ShowGateGlobeControls(false, false);
}

void TGlobemain::LowflowRBClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  S->ValveID = 3;
  LowflowRB->SetChecked(true);
  GateRB->SetChecked(false);
  GlobeRB->SetChecked(false);
  SetTypeItems({"Low Flow"});
  S->Valvetype = "Low Flow";
  SelectTrimTable();
  S->ValveLine = "Low Flow";
  ShowLowFlowControls(false);
}

void TGlobemain::LFGlobeRBClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  S->ValveID = 2;
  LFGlobeRB->SetChecked(true);
  SetTypeItems({"Globe", "Plug & Cage Trim", "SERIES D", "SERIES EG"});
  S->ValveLine = "Low Flow";
  S->Valvetype = "Globe";
  ShowGateGlobeControls(false, false);
}

void TGlobemain::PLLowflowRBClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  S->ValveID = 3;
  PLLowflowRB->SetChecked(true);
  SetTypeItems({"Low Flow"});
  S->Valvetype = "Low Flow";
  SelectTrimTable();
  S->ValveLine = "Purilane";
  ShowLowFlowControls(true);
}

void TGlobemain::PLGlobeRBClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  S->ValveID = 2;
  PLGlobeRB->SetChecked(true);
  SetTypeItems({"Globe", "Plug & Cage Trim", "SERIES F", "SERIES G/H", "TQAC", "TQBC", "TQCV", "TQACPM",
                "TQBCPM"});
  S->ValveLine = "Purilane";
  S->Valvetype = "Globe";
  ShowGateGlobeControls(false, true);
}

// ---- Trim table, sizes, Cvs, recovery factor ----

void TGlobemain::SelectTrimTable() {
  TIWUserSession* S = UserSession();
  FLLabel->Visible = false;
  FLEdit->Visible = false;
  if (LinRB->Checked())
    S->Lintaper = true;
  else if (EQRB->Checked())
    S->Lintaper = false;
  S->Valvetype = ValveTypeCombo->Text();
  const std::string& t = S->Valvetype;
  const bool lin = S->Lintaper;
  data::TClientDataSet* table = nullptr;
  if (t == "Plug & Cage Trim") {
    table = &S->CavTrimDataSet;
  } else if (t == "Globe") {
    table = &S->GlobeDataSet;
    FLLabel->Visible = FLEdit->Visible = true;
  } else if (t == "Sliding Gate") {
    table = lin ? &S->LinCvDataSet : &S->EqCvDataSet;
    FLLabel->Visible = FLEdit->Visible = true;
  } else if (t == "SERIES C") {
    table = lin ? &S->SeriesCLinTrimDataSet : &S->SeriesCEqTrimDataSet;
  } else if (t == "SERIES EG") {
    table = lin ? &S->SeriesELinTrimDataSet : &S->SeriesEEqTrimDataSet;
  } else if (t == "SERIES D") {
    table = &S->SeriesDTrimDataSet;
  } else if (t == "SERIES BG") {
    table = &S->SeriesBTrimDataSet;
  } else if (t == "SERIES A") {
    table = &S->SeriesATrimDataSet;
  } else if (t == "SERIES G/H") {
    table = &S->SeriesGHTrimDataSet;
  } else if (t == "SERIES F") {
    table = lin ? &S->SeriesFLinTrimDataSet : &S->SeriesFEqTrimDataSet;
  } else if (t == "TQCV") {
    table = lin ? &S->TQCVLinDataSet : &S->TQCVEqDataSet;
  } else if (t == "TQBCPM") {
    table = &S->TQBCPMDataSet;
  } else if (t == "TQACPM") {
    table = &S->TQACPMDataSet;
  } else if (t == "TQBC") {
    table = &S->TQBCDataSet;
  } else if (t == "TQAC") {
    table = &S->TQACDataSet;
  }
  if (table) CurrentTrimTable = table;
  try {
    PopulateSizelist();
  } catch (const rt::EConvertError&) {
    // The lists stay as far as they were built.
  }
}

void TGlobemain::PopulateSizelist() {
  std::vector<std::string> sizes;
  if (CurrentTrimTable) {
    // Stored order, last row first: the tables store sizes largest first.
    const data::TTable& t = CurrentTrimTable->Table();
    const int f = t.FindField("SIZE");
    // A row of the same size as the row before gives the same text, which the list drops anyway.
    for (int row = t.RowCount() - 1; row >= 0 && f >= 0; --row)
      if (row == t.RowCount() - 1 || t.Float(row, f) != t.Float(row + 1, f))
        sizes.push_back(rt::FormatFloat("#0.00", t.Float(row, f)) + " in");
  }
  SizeCombo->Items = Deduplicated(sizes);
  if (SizeCombo->ItemIndex < 0 || SizeCombo->Text().empty())
    SizeCombo->ItemIndex = SizeCombo->Items.empty() ? -1 : 0;
  if (LinkDiamsCB->Checked) {
    UpDiamEdit->Text = SizeCombo->Text();
    DownDiamEdit->Text = SizeCombo->Text();
  }
  PopulateCvlist();
}

void TGlobemain::PopulateCvlist() {
  const TIWUserSession* S = UserSession();
  std::vector<std::string> items;
  if (S->ValveID >= 3 && S->Valvetype == "Low Flow") {
    items.assign(std::begin(LowFlowCvs), std::end(LowFlowCvs));
  } else if (CurrentTrimTable && !SizeCombo->Text().empty()) {
    items = CvListForSize(SizeCombo->Text(), *CurrentTrimTable);
  }
  CvCombo->Items = items;
  if (CvCombo->ItemIndex < 0 || CvCombo->ItemIndex >= static_cast<int>(items.size()))
    CvCombo->ItemIndex = items.empty() ? -1 : 0;
  if (S->Valvetype == "SERIES G/H" && S->ValveLine == "Purilane" && SizeCombo->Text() == "3.00 in" &&
      CvCombo->Items.size() > 2)
    CvCombo->Items[2] = SeriesHNote;
  // A new list (size, type or characteristic changed) brings its own recovery factor and trim row.
  LookupPRF();
}

std::vector<std::string> TGlobemain::CvListForSize(const std::string& SizeText, data::TClientDataSet& Table) {
  const double x = rt::StrToFloat(rt::StringReplace(SizeText, " in", "", rt::rfReplaceAll));
  UserSession()->SelectedSize = static_cast<float>(x);
  Table.SetIndexFieldNames("SIZE;CV");
  if (static_cast<int>(std::trunc(100 * x + 1e-9)) == 37)
    Table.SetRange({0.35}, {0.40});
  else
    Table.SetRange({x - SizeTolerance}, {x + SizeTolerance});
  std::vector<std::string> cvs;
  const data::TField cv = Table.FieldByName("CV");
  for (int n = 1; n <= Table.RecordCount(); ++n) {
    Table.SetRecNo(n);
    cvs.push_back(rt::FloatToStr(cv.AsFloat()));
  }
  Table.CancelRange();
  if (CvCombo->ItemIndex < 0 && !CvCombo->Items.empty()) CvCombo->ItemIndex = 0;
  return Deduplicated(cvs);
}

void TGlobemain::LookupPRF() {
  TIWUserSession* S = UserSession();
  if (S->ValveID >= 3 || !CurrentTrimTable) return;
  data::TClientDataSet& t = *CurrentTrimTable;
  t.SetIndexFieldNames("SIZE;CV");
  double size, cv;
  if (!rt::TryStrToFloat(rt::StringReplace(SizeCombo->Text(), " in", "", rt::rfReplaceAll), size) ||
      !rt::TryStrToFloat(SelectedCvText(), cv))
    return;
  const data::TField fSize = t.FieldByName("SIZE"), fCv = t.FieldByName("CV"), fPrf = t.FieldByName("PRF");
  for (int n = 1; n <= t.RecordCount(); ++n) {
    t.SetRecNo(n);
    if (std::fabs(fSize.AsFloat() - size) <= SizeTolerance && SameCv(fCv.AsFloat(), cv)) {
      S->SelectedPRF = static_cast<float>(fPrf.AsFloat());
      if (S->ValveID == 1) FLEdit->Text = rt::FloatToStrF(S->SelectedPRF, rt::ffFixed, 15, 2);
      return;  // the table stays on this row for the trim geometry
    }
  }
}

// ---- Mode, characteristic, size and Cv handlers ----

void TGlobemain::CalcForCvButtClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  FlowLabel->Caption = "Flow, Q";
  S->CalcForCv = true;
  FLEdit->Enabled = true;
  const bool show = S->ValveID != 3;
  CvLabel->Visible = show;
  CvCombo->Visible = show;
  FlowLabel->Visible = true;
  for (int i = 0; i < 3; ++i) FlowEdit(i)->Enabled = true;
}

void TGlobemain::CalcForFlowClick(TIWControl*) {
  TIWUserSession* S = UserSession();
  S->CalcForCv = false;
  FLEdit->Enabled = false;
  CvLabel->Visible = true;
  CvCombo->Visible = true;
  FlowLabel->Visible = true;
  if (S->ValveID == 3) {
    FlowLabel->Caption = "Flow, Q";
    for (int i = 0; i < 3; ++i) {
      FlowEdit(i)->Text.clear();
      FlowEdit(i)->Enabled = false;
    }
  } else {
    FlowLabel->Caption = "User Cv";
    for (int i = 0; i < 3; ++i) {
      FlowEdit(i)->Enabled = true;
      if (!FlowEdit(i)->Text.empty()) FlowEdit(i)->Text = SelectedCvText();
    }
  }
}

void TGlobemain::LinRBClick(TIWControl*) {
  UserSession()->Lintaper = true;
  SelectTrimTable();
  CalculateAll();
}

void TGlobemain::EQRBClick(TIWControl*) {
  UserSession()->Lintaper = false;
  SelectTrimTable();
  CalculateAll();
}

void TGlobemain::ValveTypeComboChange(TIWControl*) { SelectTrimTable(); }

void TGlobemain::CopyCvToFlowEdits() {
  // A low-flow valve in flow mode takes the Cv from the list itself.
  if (!CalcForFlow->Checked() || LowflowRB->Checked() || PLLowflowRB->Checked()) return;
  const std::string cv = SelectedCvText();
  for (int i = 0; i < 3; ++i)
    if (!P1Edit(i)->Text.empty() || !P2Edit(i)->Text.empty() || !FlowEdit(i)->Text.empty())
      FlowEdit(i)->Text = cv;
}

void TGlobemain::CvComboChange(TIWControl*) {
  UserSession()->SelectedCv = SelectedCvText();
  CopyCvToFlowEdits();
  LookupPRF();
  CalculateAll();
}

void TGlobemain::SizeComboChange(TIWControl*) {
  PopulateCvlist();
  CopyCvToFlowEdits();
  if (LinkDiamsCB->Checked) {
    UpDiamEdit->Text = SizeCombo->Text();
    DownDiamEdit->Text = SizeCombo->Text();
  }
  if (UserSession()->ValveID > 1) FLEdit->Text.clear();
  // The recovery factor of the new size is in place before the schedule rebuild recalculates.
  LookupPRF();
  UpdateSchedules();
}

// ---- Pipe sizes and schedules ----

void TGlobemain::UpDiamEditAsyncChange(TIWControl*, const TIWEventParams&) {
  if (LinkDiamsCB->Checked) DownDiamEdit->Text = UpDiamEdit->Text;
  UpdateSchedules();
}

void TGlobemain::DownDiamEditAsyncChange(TIWControl*, const TIWEventParams&) { UpdateSchedules(); }

void TGlobemain::LinkDiamsCBChange(TIWControl*) { UserSession()->Linkeddiams = LinkDiamsCB->Checked; }

void TGlobemain::UpdateSchedules() {
  // A pipe size that is not a number gives no schedules; Calculate names the entry.
  double up = 0, down = 0;
  if (!globe::ReadDiameter(UpDiamEdit->Text, up)) up = 0;
  if (!globe::ReadDiameter(DownDiamEdit->Text, down)) down = 0;
  {
    Tsched sched;
    sched.SetUpPipeDiam(up);
    sched.SetDownPipeDiam(down);
    const rt::TStringList& list = sched.Schedlist();
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list.Strings(i));
    SchedComboBox->Items = items;
  }
  if (SchedComboBox->ItemIndex < 0 || SchedComboBox->ItemIndex >= static_cast<int>(SchedComboBox->Items.size()))
    SchedComboBox->ItemIndex = SchedComboBox->Items.empty() ? -1 : 0;
  CalculateAll();
}

void TGlobemain::SchedComboBoxChange(TIWControl*) { UserSession()->SelectedSchedule = SchedComboBox->Text(); }
