// The sizing form: its controls and layout, creation and rendering, the Calculate driver and the
// notes memo. Valve lists are in GlobeunitLists.cpp, fluids and units in GlobeunitFluids.cpp.
#include "webapp/Globeunit.h"
#include "webapp/ViewerForm.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <exception>

#include "calc/utilities.h"
#include "platform/chart/Chart.h"
#include "platform/rt/SysUtils.h"
#include "webapp/Framememo.h"
#include "webapp/PrefUnit.h"
#include "webapp/ServerController.h"
#include "webapp/Splash.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

const char* const NoteGasSonic =
    "* The gas has reached maximum velocity through the seats. Further decreases in downstream "
    "pressure will not increase flow. The calculated Cv shown on the report has been adjusted as "
    "detailed in the ISA sizing standards and will provide the necessary flow.";
const char* const NoteCvLessThan = "* Cv < 0.2 should be solved using Low Flow option";
const char* const NoteTravel =
    "Selected travel is greater than 100%, please consult your Quentari client consultant for "
    "further help/information.";
const char* const NoteNotLowFlow =
    "* Not a Low Flow application, Cv > 0.2 should be solved using Globe option";
const char* const NoteOutOfRange =
    "* Selected flow exceeds the effective control range. It is recommended that you inrease the "
    "minimum required flow or choose a lower maximum required flow.";

namespace {

const char* const CrLf = "\r\n";
const char* const ConditionNames[3] = {"Min", "Norm", "Max"};

// "a, b and c".
std::string JoinEntries(const std::vector<std::string>& entries) {
  std::string out;
  for (std::size_t k = 0; k < entries.size(); ++k)
    out += (k == 0 ? "" : k + 1 == entries.size() ? " and " : ", ") + entries[k];
  return out;
}

// Layout of the input area (pixels inside DataRegion1).
// The region fits a browser 1024 px wide (with its scroll bar); the condition edits are wide
// enough for a critical pressure in kPa ("22110.34483"), the unit lists for their longest label.
constexpr int RegionWidth = 1000;
constexpr int ColMin = 395, ColNorm = 490, ColMax = 585, EditWidth = 92;
constexpr int UnitListWidth = 215;
constexpr int CondTop = 284, CondStep = 28;
constexpr int GridTop = 535, GridRowHeight = 23;
constexpr TColor PanelColor = 0xF8F5F2;    // light grey-blue behind the inputs
constexpr TColor HeaderColor = 0xF5F5F5;   // grid header cells
constexpr TColor HeadingColor = 0x7A4A1F;  // dark blue headings

int CondRow(int k) { return CondTop + k * CondStep; }

}  // namespace

// ---- Numeric entry helpers ----

namespace globe {

std::string FilterNumericText(const std::string& text) {
  double v;
  if (rt::TryStrToFloat(text, v)) return text;
  std::string out;
  for (char c : text)
    if ((c >= '0' && c <= '9') || c == '.' || c == '-') out += c;
  return out;
}

bool ReadDiameter(const std::string& text, double& inches) {
  const std::string t = rt::Trim(rt::StringReplace(text, " in", "", rt::rfReplaceAll));
  if (t.empty()) {
    inches = 0;
    return true;
  }
  return rt::TryStrToFloat(t, inches);
}

double LookupInterpolated(data::TClientDataSet& table, const std::string& keyField,
                          const std::string& valueField, double x) {
  table.SetIndexFieldNames(keyField);
  if (table.RecordCount() == 0) return 0;
  const data::TField key = table.FieldByName(keyField), value = table.FieldByName(valueField);
  table.FindNearest({x});
  const int r = table.RecNo();
  const double x2 = key.AsFloat(), y2 = value.AsFloat();
  // Beyond the last row, or on the first: the end row's value, never an extrapolation.
  if (x >= x2 || r == 1) return y2;
  table.SetRecNo(r - 1);
  const double x1 = key.AsFloat(), y1 = value.AsFloat();
  table.SetRecNo(r);
  return Interpolate(x1, x2, y1, y2, x);
}

double ToFahrenheit(double t, const std::string& unit) {
  if (unit == "°C") return t * 1.8 + 32;
  if (unit == "K") return (t - 273) * 1.8 + 32;
  return t;
}

double FromFahrenheit(double f, const std::string& unit) {
  if (unit == "°C") return (f - 32) / 1.8;
  if (unit == "K") return (f - 32) / 1.8 + 273;
  return f;
}

std::string PressureText(double valueInUnit, double PMF) {
  // One psi in a unit larger than psi is a fraction of the unit: keep enough decimals that the
  // rounding stays under half a psi.
  const int decimals = PMF > 1 ? static_cast<int>(std::ceil(std::log10(PMF))) : 0;
  return rt::FloatToStrF(valueInUnit, rt::ffFixed, 15, decimals);
}

}  // namespace globe

void GlobeunitInitialization() { TIWAppForm::SetAsMainForm<TSplashform>(); }

// ---- Construction ----

TGlobemain::TGlobemain(TIWApplication& app) : TIWAppForm(app) {
  Name = "Globemain";
  Title = "ZentorApp - Valve Sizing";
  Color = clWhite;
  Width = 1141;
  Height = 1002;
  RenderInvisibleControls = true;
  CreateControls();
  CreateFileControls();
  CreateReportControls();
  OnCreate = [this](TIWAppForm*) { IWAppFormCreate(); };
  OnRender = [this](TIWAppForm*) { IWAppFormRender(); };
  OnDefaultAction = [this](TIWControl* s) { CalcButtonClick(s); };
}

TGlobemain::~TGlobemain() = default;

TIWLabel* TGlobemain::AddLabel(const std::string& name, const std::string& caption, int left, int top,
                               int width, int height) {
  auto* l = Add<TIWLabel>(name, DataRegion1);
  l->Caption = caption;
  l->SetBounds(left, top, width, height);
  return l;
}

TIWEdit* TGlobemain::AddEdit(const std::string& name, int left, int top, int width) {
  auto* e = Add<TIWEdit>(name, DataRegion1);
  e->SetBounds(left, top, width, 22);
  return e;
}

TIWComboBox* TGlobemain::AddCombo(const std::string& name, int left, int top, int width) {
  auto* c = Add<TIWComboBox>(name, DataRegion1);
  c->SetBounds(left, top, width, 22);
  return c;
}

TIWRadioButton* TGlobemain::AddRadio(const std::string& name, const std::string& caption,
                                     const std::string& group, int left, int top, int width) {
  auto* r = Add<TIWRadioButton>(name, DataRegion1);
  r->Caption = caption;
  r->Group = group;
  r->SetBounds(left, top, width, 20);
  return r;
}

void TGlobemain::CreateControls() {
  // Menu bar across the top of the page.
  TIWMainMenu1 = Add<TIWMainMenu>("TIWMainMenu1");
  TIWMainMenu1->SetBounds(0, 0, Width, 24);
  File1 = TIWMainMenu1->Add("File1", "File");
  LoadUserfluids1 = File1->Add("LoadUserfluids1", "Load User fluids");
  SaveAsMenuItem = File1->Add("SaveAsMenuItem", "Save Sizing");
  LoadSizingMenuItem = File1->Add("LoadSizingMenuItem", "Load Sizing");
  Report1 = TIWMainMenu1->Add("Report1", "Report");
  // The viewer shows the session's last sizing report in this window; its Close comes back here.
  TIWMainMenu1->Add("ReportViewer1", "Report viewer")->OnClick = [this](TIWControl*) {
    auto* Viewer = static_cast<webapp::TrepPreviewForm*>(webapp::CreateViewerForm(Application()));
    Viewer->Closable = true;
    Viewer->Show();
    Viewer->OpenSizingReport();
  };
  Preferences1 = TIWMainMenu1->Add("Preferences1", "Settings");
  Preferences1->OnClick = [this](TIWControl* s) { Preferences1Click(s); };
  Guidelines1 = TIWMainMenu1->Add("Guidelines1", "Guidelines");
  Guidelines1->Visible = false;
  Guidelines1->OnClick = [this](TIWControl* s) { InfoButtonClick(s); };

  // Every input sits in one region that keeps the middle of the page.
  DataRegion1 = Add<TIWRegion>("DataRegion1");
  DataRegion1->SetBounds(0, 30, RegionWidth, 941);
  DataRegion1->Anchors = akTop;

  zentorblah = AddEdit("zentorblah", 0, 0, 10);
  zentorblah->Visible = false;

  SizingRegionLabel = AddLabel("SizingRegionLabel", "", 8, 4, RegionWidth - 16, 520);
  SizingRegionLabel->Color = PanelColor;

  auto heading = [this](const std::string& name, const std::string& caption, int left, int top,
                        int width) {
    auto* l = AddLabel(name, caption, left, top, width);
    l->Font.Bold = true;
    l->Font.Color = HeadingColor;
    return l;
  };
  auto small = [this](const std::string& name, const std::string& caption, int left, int top,
                      int width) {
    auto* l = AddLabel(name, caption, left, top, width, 18);
    l->Font.Size = 8;
    l->Font.Color = clGray;
    return l;
  };

  // ---- Valve style: two styles for each of three product lines ----
  heading("ValveStyleHead", "Valve Style", 20, 10, 200);
  small("VarnoxLineLabel", "Varnoxvalve", 20, 32, 180);
  small("LowFlowLineLabel", "Low Flow", 220, 32, 180);
  small("PurilaneLineLabel", "Purilane", 420, 32, 160);
  GateRB = AddRadio("GateRB", "Sliding Gate", "Style", 20, 52, 110);
  GlobeRB = AddRadio("GlobeRB", "Globe", "Style", 130, 52, 70);
  LowflowRB = AddRadio("LowflowRB", "Low Flow", "Style", 220, 52, 90);
  LFGlobeRB = AddRadio("LFGlobeRB", "Globe", "Style", 310, 52, 70);
  PLLowflowRB = AddRadio("PLLowflowRB", "Low Flow", "Style", 420, 52, 90);
  PLGlobeRB = AddRadio("PLGlobeRB", "Globe", "Style", 510, 52, 70);
  GateRB->SetChecked(true);
  GateRB->OnClick = [this](TIWControl* s) { GateRBClick(s); };
  GlobeRB->OnClick = [this](TIWControl* s) { GlobeRBClick(s); };
  LowflowRB->OnClick = [this](TIWControl* s) { LowflowRBClick(s); };
  LFGlobeRB->OnClick = [this](TIWControl* s) { LFGlobeRBClick(s); };
  PLLowflowRB->OnClick = [this](TIWControl* s) { PLLowflowRBClick(s); };
  PLGlobeRB->OnClick = [this](TIWControl* s) { PLGlobeRBClick(s); };

  InfoButton = Add<TIWImageButton>("InfoButton", DataRegion1);
  InfoButton->SetBounds(590, 48, 29, 29);
  InfoButton->ImageFile = "InfoButton.svg";
  InfoButton->AltText = "Guidelines";
  InfoButton->Hint = "Sizing Guidelines";
  InfoButton->Visible = false;
  InfoButton->OnClick = [this](TIWControl* s) { InfoButtonClick(s); };

  // ---- Valve type, size, Cv and pipes ----
  ValveTypeLabel = AddLabel("ValveTypeLabel", "Valve Type", 20, 94, 90);
  ValveTypeCombo = AddCombo("ValveTypeCombo", 110, 90, 170);
  ValveTypeCombo->Items = {"Sliding Gate"};
  ValveTypeCombo->ItemIndex = 0;
  ValveTypeCombo->OnChange = [this](TIWControl* s) { ValveTypeComboChange(s); };
  LinRB = AddRadio("LinRB", "Lin", "VTgroup", 295, 92, 55);
  EQRB = AddRadio("EQRB", "EQ%", "VTgroup", 350, 92, 65);
  LinRB->SetChecked(true);
  LinRB->OnClick = [this](TIWControl* s) { LinRBClick(s); };
  EQRB->OnClick = [this](TIWControl* s) { EQRBClick(s); };

  ValveSizeLabel = AddLabel("ValveSizeLabel", "Valve Size", 20, 126, 90);
  SizeCombo = AddCombo("SizeCombo", 110, 122, 100);
  SizeCombo->OnChange = [this](TIWControl* s) { SizeComboChange(s); };
  CvLabel = AddLabel("CvLabel", "Valve Cv", 225, 126, 65);
  CvCombo = AddCombo("CvCombo", 290, 122, 125);
  CvCombo->OnChange = [this](TIWControl* s) { CvComboChange(s); };

  AddLabel("SolveForLabel", "Solve for", 20, 158, 90);
  CalcForCvButt = AddRadio("CalcForCvButt", "Cv", "CalcMode", 110, 156, 55);
  CalcForFlow = AddRadio("CalcForFlow", "Flow", "CalcMode", 165, 156, 65);
  CalcForCvButt->OnClick = [this](TIWControl* s) { CalcForCvButtClick(s); };
  CalcForFlow->OnClick = [this](TIWControl* s) { CalcForFlowClick(s); };
  FLLabel = AddLabel("FLLabel", "List Fʟ", 250, 158, 70);
  FLEdit = AddEdit("FLEdit", 320, 154, 95);
  FLEdit->Text = "0.6";
  FLEdit->Enabled = false;

  Pipesizelabel = AddLabel("Pipesizelabel", "Pipe In / Out", 20, 190, 90);
  UpDiamEdit = AddEdit("UpDiamEdit", 110, 186, 80);
  DownDiamEdit = AddEdit("DownDiamEdit", 195, 186, 80);
  UpDiamEdit->Hint = "Inlet pipe size, inches";
  DownDiamEdit->Hint = "Outlet pipe size, inches";
  UpDiamEdit->OnAsyncChange = [this](TIWControl* s, const TIWEventParams& p) {
    UpDiamEditAsyncChange(s, p);
  };
  DownDiamEdit->OnAsyncChange = [this](TIWControl* s, const TIWEventParams& p) {
    DownDiamEditAsyncChange(s, p);
  };
  LinkDiamsCB = Add<TIWCheckBox>("LinkDiamsCB", DataRegion1);
  LinkDiamsCB->Caption = "Link Diams.";
  LinkDiamsCB->SetBounds(285, 188, 110, 20);
  LinkDiamsCB->Checked = true;  // pipe sizes follow the valve size until the user unlinks them
  LinkDiamsCB->OnChange = [this](TIWControl* s) { LinkDiamsCBChange(s); };
  SchedLabel = AddLabel("SchedLabel", "Schedule", 20, 222, 90);
  SchedComboBox = AddCombo("SchedComboBox", 110, 218, 165);
  SchedComboBox->OnChange = [this](TIWControl* s) { SchedComboBoxChange(s); };

  // ---- Fluid and pressure mode ----
  FluidStateLabel = AddLabel("FluidStateLabel", "Fluid State", 460, 94, 90);
  FluidStateCombo = AddCombo("FluidStateCombo", 550, 90, 150);
  FluidStateCombo->Items = {"Liquid", "Gas", "Steam"};
  FluidStateCombo->ItemIndex = 0;
  FluidStateCombo->OnChange = [this](TIWControl* s) { FluidStateComboChange(s); };
  FluidLabel = AddLabel("FluidLabel", "Fluid", 460, 126, 90);
  FluidCombo = AddCombo("FluidCombo", 550, 122, 210);
  FluidCombo->OnChange = [this](TIWControl* s) { FluidComboChange(s); };
  PressModeLabel = AddLabel("PressModeLabel", "Pressures", 460, 158, 90);
  GageRadButt = AddRadio("GageRadButt", "Gauge", "PressMode", 550, 156, 70);
  AbsRadButt = AddRadio("AbsRadButt", "Absolute", "PressMode", 620, 156, 90);
  GageRadButt->SetChecked(true);
  GageRadButt->OnClick = [this](TIWControl* s) { GageRadButtClick(s); };
  AbsRadButt->OnClick = [this](TIWControl* s) { AbsRadButtClick(s); };

  // ---- Sizing recommendations ----
  SizingSugHeadLabel = heading("SizingSugHeadLabel", "Sizing Recommendations:", 775, 10, 215);
  SizingSugLabel = AddLabel("SizingSugLabel", "", 775, 30, 215, 110);
  SizingSugLabel->Font.Size = 9;

  // ---- Identification ----
  const int idLeft = 775, idEdit = 845;
  AddLabel("NameEditLabel", "User", idLeft, 158, 75);
  NameEditBox = AddEdit("NameEditBox", idEdit, 154, 145);
  AddLabel("CustEditLabel", "Customer", idLeft, 186, 75);
  CustEditBox = AddEdit("CustEditBox", idEdit, 182, 145);
  AddLabel("TagEditLabel", "Tag No.", idLeft, 214, 75);
  TagEdit = AddEdit("TagEdit", idEdit, 210, 145);
  AddLabel("LineEditLabel", "Line Item", idLeft, 242, 75);
  LineEditBox = AddEdit("LineEditBox", idEdit, 238, 145);

  // ---- Service conditions ----
  heading("ConditionsHead", "Service Conditions", 20, 258, 250);
  for (int c = 0; c < 3; ++c) {
    const int left = c == 0 ? ColMin : c == 1 ? ColNorm : ColMax;
    auto* l = AddLabel(std::string(ConditionNames[c]) + "ColumnLabel", ConditionNames[c], left, 260,
                       EditWidth);
    l->Alignment = taCenter;
    l->Font.Bold = true;
  }
  auto edits = [this](std::array<TIWEdit*, 3>& a, const char* stem, const char* minSuffix, int k) {
    const char* suffix[3] = {minSuffix, "NormEdit", "MaxEdit"};
    const int left[3] = {ColMin, ColNorm, ColMax};
    for (int c = 0; c < 3; ++c) a[static_cast<size_t>(c)] = AddEdit(std::string(stem) + suffix[c], left[c], CondRow(k));
  };

  P1RowLabel = AddLabel("P1RowLabel", "Inlet Pressure, P1", 20, CondRow(0) + 2, 150);
  P1Combo = AddCombo("P1Combo", 170, CondRow(0), UnitListWidth);
  P1Combo->OnChange = [this](TIWControl* s) { P1ComboChange(s); };
  edits(P1Edits, "P1", "MinEdit", 0);
  P2RowLabel = AddLabel("P2RowLabel", "Outlet Pressure, P2", 20, CondRow(1) + 2, 150);
  P2PressureLabel = AddLabel("P2PressureLabel", "psi", 174, CondRow(1) + 2, UnitListWidth - 4);
  edits(P2Edits, "P2", "MinEdit", 1);
  TempLabel = AddLabel("TempLabel", "Temperature", 20, CondRow(2) + 2, 150);
  TempUnitCombo = AddCombo("TempUnitCombo", 170, CondRow(2), 70);
  TempUnitCombo->Items = {"°F", "°C", "K"};
  TempUnitCombo->ItemIndex = 0;
  TempUnitCombo->OnChange = [this](TIWControl* s) { TempUnitComboChange(s); };
  edits(TempEdits, "Temp", "MinEdit", 2);
  FlowLabel = AddLabel("FlowLabel", "Flow, Q", 20, CondRow(3) + 2, 150);
  FlowCombo = AddCombo("FlowCombo", 170, CondRow(3), UnitListWidth);
  FlowCombo->OnChange = [this](TIWControl* s) { FlowComboChange(s); };
  edits(FlowEdits, "Flow", "MinEdit", 3);
  SGLabel = AddLabel("SGLabel", "Specific Gravity", 20, CondRow(4) + 2, 150);
  edits(SGEdits, "SG", "minEdit", 4);
  ViscLabel = AddLabel("ViscLabel", "Viscosity", 20, CondRow(5) + 2, 150);
  edits(ViscEdits, "Visc", "MinEdit", 5);
  VPorSpecheatLabel = AddLabel("VPorSpecheatLabel", "Vapor Pressure", 20, CondRow(6) + 2, 150);
  edits(VPEdits, "VP", "MinEdit", 6);
  CPorCompressLabel = AddLabel("CPorCompressLabel", "Critical Pressure", 20, CondRow(7) + 2, 150);
  edits(CPEdits, "CP", "MinEdit", 7);
  P1MinEdit = P1Edits[0], P1NormEdit = P1Edits[1], P1MaxEdit = P1Edits[2];
  P2MinEdit = P2Edits[0], P2NormEdit = P2Edits[1], P2MaxEdit = P2Edits[2];
  TempMinEdit = TempEdits[0], TempNormEdit = TempEdits[1], TempMaxEdit = TempEdits[2];
  FlowMinEdit = FlowEdits[0], FlowNormEdit = FlowEdits[1], FlowMaxEdit = FlowEdits[2];
  SGminEdit = SGEdits[0], SGNormEdit = SGEdits[1], SGMaxEdit = SGEdits[2];
  ViscMinEdit = ViscEdits[0], ViscNormEdit = ViscEdits[1], ViscMaxEdit = ViscEdits[2];
  VPMinEdit = VPEdits[0], VPNormEdit = VPEdits[1], VPMaxEdit = VPEdits[2];
  CPMinEdit = CPEdits[0], CPNormEdit = CPEdits[1], CPMaxEdit = CPEdits[2];

  // Key filter: key events of the pressure, temperature, flow, FL and Min property edits; change
  // events of the Norm and Max property edits.
  auto filter = [this](TIWControl* s, const TIWEventParams& p) { EditAsyncChange(s, p); };
  for (int i = 0; i < 3; ++i) {
    P1Edit(i)->OnAsyncKeyDown = filter;
    P2Edit(i)->OnAsyncKeyDown = filter;
    TempEdit(i)->OnAsyncKeyDown = filter;
    FlowEdit(i)->OnAsyncKeyDown = filter;
    for (TIWEdit* e : {SGEdit(i), ViscEdit(i), VPEdit(i), CPEdit(i)}) {
      if (i == 0)
        e->OnAsyncKeyDown = filter;
      else
        e->OnAsyncChange = filter;
    }
  }
  FLEdit->OnAsyncKeyDown = filter;

  // ---- Calculate and results ----
  CalcButton = Add<TIWButton>("CalcButton", DataRegion1);
  CalcButton->Caption = "Calculate";
  CalcButton->Hint = "Calculate / Recalculate";
  CalcButton->SetBounds(690, 470, 110, 30);
  CalcButton->Font.Bold = true;
  CalcButton->OnClick = [this](TIWControl* s) { CalcButtonClick(s); };

  ChartBtn = Add<TIWImageButton>("ChartBtn", DataRegion1);
  ChartBtn->SetBounds(808, 470, 30, 30);
  ChartBtn->ImageFile = "ChartButton.svg";
  ChartBtn->AltText = "Flow Plot";
  ChartBtn->Hint = std::string("Flow Plot") + CrLf +
                   "If any inputs other than flow (eg: P1, P2, Temp) differ between Min, Norm or Max" +
                   CrLf + "then multiple curves representing each condition will be displayed." + CrLf;
  ChartBtn->Visible = false;
  ChartBtn->OnClick = [this](TIWControl* s) { ChartBtnClick(s); };

  ResultsGrid = Add<TIWGrid>("ResultsGrid", DataRegion1);
  ResultsGrid->SetColumnCount(5);
  ResultsGrid->SetRowCount(10);
  ResultsGrid->CellPadding = 4;
  ResultsGrid->Lines = true;
  ResultsGrid->Font.Size = 9;
  ResultsGrid->SetBounds(24, GridTop, 743, 0);
  ResultsGrid->RowHeight = GridRowHeight;
  LayoutResultsGrid("Sliding Gate", "Liquid", true);

  Memo1 = Add<TIWMemo>("Memo1", DataRegion1);
  Memo1->SetBounds(24, GridTop + 10 * GridRowHeight + 26, 743, 358 - 10 * GridRowHeight);
  Memo1->Editable = false;
  Memo1->VertScrollBar = true;
  Memo1->Visible = false;

  // Valid options panel, right of the results grid.
  ValidLabel = AddLabel("ValidLabel", " Valid Options ", 775, GridTop, 215);
  ValidLabel->Font.Bold = true;
  ValidLabel->Visible = false;
  ValidMainRegion = Add<TIWRegion>("ValidMainRegion", DataRegion1);
  ValidMainRegion->SetBounds(775, GridTop + 22, 215, 381);
  ValidMainRegion->Visible = false;
  ValidGrid = Add<TIWGrid>("ValidGrid", ValidMainRegion);
  ValidGrid->SetColumnCount(3);
  ValidGrid->SetRowCount(4);
  ValidGrid->SetBounds(0, 0, 215, 120);
  ValidGrid->Visible = false;
  ValidGrid->OnCellClick = [this](TIWControl* s, int r, int c) { ValidGridCellClick(s, r, c); };
  ValidMessageRegion = Add<TIWRegion>("ValidMessageRegion", ValidMainRegion);
  ValidMessageRegion->SetBounds(0, 130, 215, 100);
  ValidMessageRegion->Visible = false;
  {
    const char* lines[4] = {"For probable pressure reducing", "regulator solutions, please see",
                            "the data sheet sizing charts", "at the links above."};
    for (int k = 0; k < 4; ++k) {
      auto* l = Add<TIWLabel>("ValidMessageLabel" + std::to_string(k + 1), ValidMessageRegion);
      l->Caption = lines[k];
      l->Alignment = taCenter;
      l->SetBounds(0, 8 + k * 20, 215, 20);
    }
  }

  // Chart panel: laid over the inputs when a chart is drawn.
  ChartRegion = Add<TIWRegion>("ChartRegion", DataRegion1);
  ChartRegion->SetBounds(14, 12, 759, 492);
  ChartRegion->Color = clCream;
  ChartRegion->BorderWidth = 1;
  ChartRegion->BorderColor = clGray;
  ChartRegion->Visible = false;
  IWImage4 = Add<TIWImage>("IWImage4", ChartRegion);
  IWImage4->SetBounds(8, 8, 609, 432);
  IWImage4->AltText = "Flow Plot";
  ChartKeyImage = Add<TIWImageFile>("ChartKeyImage", ChartRegion);
  ChartKeyImage->ImageFile = "ChartKey.svg";
  ChartKeyImage->AltText = "Minimum, Normal, Maximum";
  ChartKeyImage->SetBounds(625, 150, 126, 90);
  MinCvlabel = Add<TIWLabel>("MinCvlabel", ChartRegion);
  NormCvlabel = Add<TIWLabel>("NormCvlabel", ChartRegion);
  MaxCvlabel = Add<TIWLabel>("MaxCvlabel", ChartRegion);
  MinCvlabel->SetBounds(625, 250, 130, 20);
  NormCvlabel->SetBounds(625, 280, 130, 20);
  MaxCvlabel->SetBounds(625, 310, 130, 20);
  MinCvlabel->Font.Color = clRed;
  NormCvlabel->Font.Color = clGreen;
  MaxCvlabel->Font.Color = clBlue;
  ChartCloseBtn = Add<TIWButton>("ChartCloseBtn", ChartRegion);
  ChartCloseBtn->Caption = "Close";
  ChartCloseBtn->SetBounds(260, 452, 100, 28);
  ChartCloseBtn->OnClick = [this](TIWControl* s) { ChartCloseBtnClick(s); };
  ChartPDFbtn = Add<TIWButton>("ChartPDFbtn", ChartRegion);
  ChartPDFbtn->Caption = "PDF";
  ChartPDFbtn->SetBounds(370, 452, 100, 28);
  ChartPDFbtn->OnClick = [this](TIWControl* s) { ChartPDFbtnClick(s); };

  // User fluid panel, beside the service conditions; shown for an unlisted fluid.
  UFRectangle = Add<TIWRegion>("UFRectangle", DataRegion1);
  UFRectangle->SetBounds(690, 300, 300, 150);
  UFRectangle->Color = clWhite;
  UFRectangle->BorderWidth = 1;
  UFRectangle->BorderColor = clGray;
  UFTitle = AddLabel("UFTitle", " User Fluid", 691, 301, 298, 22);
  UFTitle->Font.Bold = true;
  UFTitle->Color = HeaderColor;
  UFNameLabel = AddLabel("UFNameLabel", "Name", 700, 336, 50);
  UFNameEdit = AddEdit("UFNameEdit", 750, 332, 228);
  UFNameEdit->Text = "User Fluid 1";
  // Only the name is asked for here: say where the fluid's properties come from.
  UFSourceLabel = AddLabel("UFSourceLabel", "The properties are taken from the Min column.", 700, 364, 285);
  UFSourceLabel->Font.Size = 9;
  UFApplyButt = Add<TIWButton>("UFApplyButt", DataRegion1);
  UFApplyButt->Caption = "Apply";
  UFApplyButt->SetBounds(700, 410, 80, 28);
  UFSaveButt = Add<TIWButton>("UFSaveButt", DataRegion1);
  UFSaveButt->Caption = "Apply & Save";
  UFSaveButt->SetBounds(786, 410, 110, 28);
  UFCancelButt = Add<TIWButton>("UFCancelButt", DataRegion1);
  UFCancelButt->Caption = "Cancel";
  UFCancelButt->SetBounds(902, 410, 76, 28);
  UFCancelButt->OnClick = [this](TIWControl* s) { UFCancelButtClick(s); };
  for (TIWControl* c : std::initializer_list<TIWControl*>{UFRectangle, UFTitle, UFNameLabel, UFNameEdit,
                                                          UFSourceLabel, UFApplyButt, UFSaveButt, UFCancelButt})
    c->Visible = false;

  // Test buttons: never shown, and their clicks do nothing.
  IWButton1 = Add<TIWButton>("IWButton1", DataRegion1);
  IWButton1->Caption = "IWButton1";
  IWButton1->Visible = false;
  IWButton2 = Add<TIWButton>("IWButton2", DataRegion1);
  IWButton2->Caption = "IWButton2";
  IWButton2->Visible = false;
}

void TGlobemain::LayoutResultsGrid() {
  const TIWUserSession* S = UserSession();
  LayoutResultsGrid(S->Valvetype, S->SelectedFluidData.State, CalcForCvButt->Checked());
}

void TGlobemain::LayoutResultsGrid(const std::string& valveType, const std::string& state, bool cvMode) {
  TIWGrid& g = *ResultsGrid;
  const int rows = valveType == "Low Flow" ? 6 : (valveType == "Sliding Gate" || valveType.empty()) ? 10 : 9;
  g.SetRowCount(10);
  const char* header[5] = {"Calculation", "Units", "Min", "Norm", "Max"};
  for (int c = 0; c < 5; ++c) {
    TIWGridCell& cell = g.Cell(0, c);
    cell.Text = header[c];
    cell.Header = true;
    cell.BGColor = HeaderColor;
    cell.Alignment = taCenter;
  }
  const char* labels[9] = {"", "", "Delta P Max", "Travel", "P1 Velocity",
                           "P2 Velocity", "Predicted Noise", "ΔP/P1Abs", "Flow Warnings"};
  for (int r = 1; r < 10; ++r) {
    for (int c = 0; c < 5; ++c) g.Cell(r, c).Alignment = taCenter;
    if (r >= 2 && r <= 8) g.Cell(r, 0).Text = labels[r];
  }
  g.Cell(1, 0).Text = cvMode ? "Calculated Cv" : "Calculated Flow";
  g.Cell(3, 1).Text = "%";
  g.Cell(6, 1).Text = "dB";
  g.Cell(9, 0).Text = state == "Liquid" || state.empty() ? "Operational Fʟ" : "Calculated Xt";
  g.SetRowCount(rows);
}

// ---- Lifecycle ----

void TGlobemain::IWAppFormCreate() {
  TIWUserSession* S = UserSession();
  if (Application().FormWidth() > 0) Width = Application().FormWidth();
  // A browser narrower than the region puts it at the left edge, never beyond.
  DataRegion1->Left = std::max(0, (Width - DataRegion1->Width) / 2);
  TIWMainMenu1->Width = std::max(Width, RegionWidth);
  LoadMaterialData();
  S->Prefs.RepDateApply = true;
  S->AutoLoadFlag = true;
  S->ModelList = std::make_unique<rt::TStringList>();
  S->FunctionList = std::make_unique<rt::TStringList>();
  SetupDefaults();
}

void TGlobemain::SetupDefaults() {
  TIWUserSession* S = UserSession();
  CalcForCvButt->SetChecked(true);
  LoadMaterialData();
  S->Saveloaded = false;
  S->Prefs.RepDateApply = true;
  S->AutoLoadFlag = true;
  S->ValveLine = "Sliding Gate";
  S->Division = "Varnoxvalve";
  S->ValveID = 1;
  FLLabel->Caption = "List Fʟ";
  if (fPrefForm)
    fPrefForm->Show();
  else
    fPrefForm = Application().CreateForm<TPrefForm>();
}

void TGlobemain::IWAppFormRender() {
  TIWUserSession* S = UserSession();
  Initialize();
  if (S->AutoLoadFlag) {
    AutoloadPreferences();
    CalculateAll();
  }
  S->AutoLoadFlag = false;
}

void TGlobemain::Initialize() {
  TIWUserSession* S = UserSession();
  S->Version = "1.642";
  S->VersionDate = "03/08/24";
  SizingSugLabel->Caption = std::string("● PRV’s size to 70% capacity ") + CrLf +
                            "● BPRV’s size to 50% capacity" + CrLf + "● DCV’s size to 90% capacity" +
                            CrLf + "● MOV’s size to 90% capacity " + CrLf +
                            "● TCV’s size to 90% capacity " + CrLf +
                            "● Piloted Valves size to 90% capacity";
  {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%m/%d/%y", &local);
    S->Prefs.RepDate = buf;
  }
  LFCalcCvdisplay = false;
  if (FluidStateCombo->ItemIndex < 0) FluidStateCombo->ItemIndex = 0;
  PopulateFluidnamelist();
  S->CalcForCv = true;
  S->GageP = true;
  S->SelectedPunit = "psi";
  S->RecursiveFL = false;
  S->NonAmbientData.Superheatfactor = 1;
  if (FluidStateCombo->ItemIndex < 0) FluidStateCombo->ItemIndex = 0;
  PopulatePressurelist();
  if (P1Combo->ItemIndex < 0 && !P1Combo->Items.empty()) P1Combo->ItemIndex = 0;

  LiqFlowUnits.clear();
  for (int n = 1; n <= S->LiqFlowDataSet.RecordCount(); ++n) {
    S->LiqFlowDataSet.SetRecNo(n);
    LiqFlowUnits.push_back(S->LiqFlowDataSetLABEL.AsString());
  }
  GasFlowUnits.clear();
  for (int n = 1; n <= S->GasFlowDataSet.RecordCount(); ++n) {
    S->GasFlowDataSet.SetRecNo(n);
    GasFlowUnits.push_back(S->GasFlowDataSetLABEL.AsString());
  }
  SteamFlowUnits = {"Pounds per Hour", "Kilograms per Hour"};

  PopulateFlowlist();
  if (FlowCombo->ItemIndex < 0 && !FlowCombo->Items.empty()) FlowCombo->ItemIndex = 0;
  if (ValveTypeCombo->ItemIndex < 0 && !ValveTypeCombo->Items.empty()) ValveTypeCombo->ItemIndex = 0;

  SelectTrimTable();
  PopulateSizelist();
  PopulateCvlist();
  // The recovery factor and trim row are looked up before the schedule rebuild recalculates.
  LookupPRF();
  UpdateSchedules();
}

void TGlobemain::InfoButtonClick(TIWControl*) {
  if (!Memoframe1) {
    Memoframe1 = Application().Add<TMemoFrame>("Memoframe1", DataRegion1);
    Memoframe1->Left = 80;
    Memoframe1->Top = 100;
  }
  Memoframe1->SetParent(DataRegion1);
  Memoframe1->Left = 80;
  Memoframe1->Top = 100;
  Memoframe1->Visible = true;
  Memoframe1->IWFrameRegion->Visible = true;
}

// ---- Calculate ----

void TGlobemain::CalcButtonClick(TIWControl*) {
  // The user asked for this Calculate: entries that cannot be read are reported.
  FReportEntries = true;
  try {
    CalculateAll();
  } catch (...) {
    FReportEntries = false;
    throw;
  }
  FReportEntries = false;
}

bool TGlobemain::LowFlowFlowMode() const {
  return (LowflowRB->Checked() || PLLowflowRB->Checked()) && CalcForFlow->Checked();
}

std::string TGlobemain::SelectedCvText() const {
  const std::string t = CvCombo->Text();
  return t == "28 (Series H only)" ? "28" : t;
}

bool TGlobemain::UsesDesignCv() const {
  return UserSession()->ValveID == 2 && CalcForCvButt->Checked() && !rt::Trim(FLEdit->Text).empty();
}

namespace {

std::string Unreadable(const std::string& what, const std::string& text) {
  if (rt::Trim(text).empty()) return what + " has no value.";
  return what + ": \"" + text + "\" is not a number.";
}

bool IsNumber(const std::string& text) {
  double v;
  return rt::TryStrToFloat(text, v);
}

}  // namespace

std::vector<std::string> TGlobemain::RequiredEntries() const {
  std::vector<std::string> out = {"inlet pressure P1", "outlet pressure P2"};
  if (UserSession()->SelectedFluid != "Saturated Steam") out.push_back("temperature");
  if (!LowFlowFlowMode()) out.push_back(CalcForCvButt->Checked() ? "flow" : "user Cv");
  return out;
}

std::vector<std::string> TGlobemain::MissingEntries(int i) const {
  const std::vector<std::string> required = RequiredEntries();
  std::vector<std::string> out;
  for (const std::string& what : required) {
    const TIWEdit* e = what == "inlet pressure P1"    ? P1Edit(i)
                       : what == "outlet pressure P2" ? P2Edit(i)
                       : what == "temperature"        ? TempEdit(i)
                                                      : FlowEdit(i);
    double q;
    const bool isFlow = e == FlowEdit(i);
    if (rt::Trim(e->Text).empty()) out.push_back(what);
    else if (isFlow && rt::TryStrToFloat(e->Text, q) && !(q > 0)) out.push_back(what + " (greater than 0)");
  }
  return out;
}

std::string TGlobemain::UnreadableSharedEntry() const {
  double d;
  if (!globe::ReadDiameter(UpDiamEdit->Text, d)) return Unreadable("Inlet pipe size", UpDiamEdit->Text);
  if (!globe::ReadDiameter(DownDiamEdit->Text, d))
    return Unreadable("Outlet pipe size", DownDiamEdit->Text);
  const int id = UserSession()->ValveID;
  const bool cvMode = CalcForCvButt->Checked();
  const bool readsCvList = id == 3 ? !cvMode : cvMode;
  if (UsesDesignCv()) {
    double cv;
    if (!rt::TryStrToFloat(FLEdit->Text, cv)) return Unreadable("Design Cv", FLEdit->Text);
    if (!(cv > 0)) return "Design Cv: \"" + FLEdit->Text + "\" must be greater than 0.";
  } else if (readsCvList && !IsNumber(SelectedCvText())) {
    return Unreadable("Valve Cv", CvCombo->Text());
  }
  return {};
}

std::string TGlobemain::UnreadableConditionEntry(int i) const {
  const std::string cond = std::string(" (") + ConditionNames[i] + ")";
  auto check = [&](const TIWEdit* e, const std::string& what) -> std::string {
    return IsNumber(e->Text) ? std::string() : Unreadable(what + cond, e->Text);
  };
  std::string m;
  if (!(m = check(P1Edit(i), "Inlet pressure P1")).empty()) return m;
  if (!(m = check(P2Edit(i), "Outlet pressure P2")).empty()) return m;
  if (!TempEdit(i)->Text.empty() && !(m = check(TempEdit(i), "Temperature")).empty()) return m;
  const TIWUserSession* S = UserSession();
  const bool lowFlow = S->ValveID == 3;
  if (!(lowFlow && !CalcForCvButt->Checked()) &&
      !(m = check(FlowEdit(i), CalcForCvButt->Checked() ? "Flow" : "User Cv")).empty())
    return m;
  const std::string state = FluidStateCombo->Text();
  if (state == "Liquid" || state == "Gas") {
    if (!(m = check(SGEdit(i), SGLabel->Caption)).empty()) return m;
    if (!(m = check(ViscEdit(i), ViscLabel->Caption)).empty()) return m;
    // Low-flow liquids take vapour and critical pressure from the fluid record, not the edits.
    if (!(lowFlow && state == "Liquid")) {
      if (!(m = check(VPEdit(i), VPorSpecheatLabel->Caption)).empty()) return m;
      if (!(m = check(CPEdit(i), CPorCompressLabel->Caption)).empty()) return m;
    }
  }
  return {};
}

void TGlobemain::CalculateAll() {
  TIWUserSession* S = UserSession();
  ResultsGrid->SetRowCount(10);
  ClearResultCells(*ResultsGrid, 1, 9);
  S->NonAmbientData.Superheatfactor = 1;
  for (auto& d : S->ActualDeltaP) d.clear();
  S->MinCol = S->NormCol = S->MaxCol = false;
  S->ColumnSet = 0;

  bool sharedChecked = false;
  int started = 0;
  std::array<std::vector<std::string>, 3> missing;
  // On the Calculate the user asked for, a condition begun but not complete is reported, and a
  // form where none is complete says what to enter; silence would look like a calculation.
  struct TReportMissing {
    TGlobemain& Form;
    const int& Started;
    const std::array<std::vector<std::string>, 3>& Missing;
    ~TReportMissing() {
      if (!Form.FReportEntries || std::uncaught_exceptions()) return;
      bool begun = false;
      for (int i = 0; i < 3; ++i) {
        const auto& m = Missing[static_cast<size_t>(i)];
        if (m.empty() || m.size() == Form.RequiredEntries().size()) continue;
        begun = true;
        Form.Application().ShowMessage(std::string("The ") + ConditionNames[i] +
                                       " condition was not calculated: enter its " + JoinEntries(m) + ".");
      }
      if (!Started && !begun)
        Form.Application().ShowMessage("Nothing was calculated: enter the " + JoinEntries(Form.RequiredEntries()) +
                                       " of at least one condition (Min, Norm or Max).");
    }
  } report{*this, started, missing};
  for (int i = 0; i < 3; ++i) {
    TIWEdit *p1 = P1Edit(i), *p2 = P2Edit(i), *temp = TempEdit(i), *flow = FlowEdit(i);
    bool complete = false;
    if (!p1->Text.empty() && !p2->Text.empty() && !flow->Text.empty() &&
        (!temp->Text.empty() || S->SelectedFluid == "Saturated Steam")) {
      double q;
      if (rt::TryStrToFloat(flow->Text, q))
        complete = q > 0;
      else
        complete = true;  // reported as unreadable below
    }
    // A low-flow valve in flow mode takes its rated Cv from the Cv list and needs no flow.
    if (!complete && !p1->Text.empty() && !p2->Text.empty() && !temp->Text.empty() && LowFlowFlowMode())
      complete = true;
    if (!complete) {
      if (FReportEntries) missing[static_cast<size_t>(i)] = MissingEntries(i);
      continue;
    }
    ++started;

    if (!sharedChecked) {
      const std::string bad = UnreadableSharedEntry();
      if (!bad.empty()) {
        if (FReportEntries) Application().ShowMessage(bad + CrLf + "No condition was calculated.");
        return;
      }
      sharedChecked = true;
    }
    const std::string bad = UnreadableConditionEntry(i);
    if (!bad.empty()) {
      if (FReportEntries)
        Application().ShowMessage(bad + CrLf + "The " + ConditionNames[i] + " condition was not calculated.");
      continue;
    }

    bool factorSet = false;
    if (S->SelectedFluid == "Superheated Steam") {
      const double T = rt::StrToFloat(temp->Text);
      const double threshold = S->Superheatthreshhold[static_cast<size_t>(i)];
      if (!(threshold <= T)) {
        Application().ShowMessage(
            std::string("The entered temperature is below the superheated steam threshold. Please "
                        "increase the temperature above the superheated steam threshold value "
                        "displayed in the \"") +
            ConditionNames[i] + "\" column");
        // The edit and the temperature the next recalculation uses change together; a raised edit
        // with the typed temperature behind it would give a superheat factor below 1.
        if (std::isfinite(threshold)) {
          const double raised = std::ceil(threshold);
          temp->Text = rt::IntToStr(static_cast<long long>(raised));
          S->SelectedTemps[static_cast<size_t>(i)] = globe::ToFahrenheit(raised, S->SelectedTempunit);
        }
        // Below the threshold the steam is treated as saturated.
        S->NonAmbientData.Superheatfactor = 1;
        factorSet = true;
      }
    }
    if (!factorSet) {
      if (S->SelectedFluid == "Superheated Steam")
        S->NonAmbientData.Superheatfactor =
            (S->SelectedTemps[static_cast<size_t>(i)] - S->SHthreshholdF[static_cast<size_t>(i)]) * 0.00065 + 1;
      else
        S->NonAmbientData.Superheatfactor = 1;
    }
    S->ActualDeltaP[static_cast<size_t>(i)] =
        rt::FloatToStr(rt::StrToFloat(p1->Text) - rt::StrToFloat(p2->Text));
    (i == 0 ? S->MinCol : i == 1 ? S->NormCol : S->MaxCol) = true;
    CalculateCondition(i);
  }
}

void TGlobemain::CountConditions() {
  TIWUserSession* S = UserSession();
  S->ColumnSet = 0;
  for (int i = 0; i < 3; ++i) {
    double q;
    if (!P1Edit(i)->Text.empty() && !P2Edit(i)->Text.empty() && !FlowEdit(i)->Text.empty() &&
        !TempEdit(i)->Text.empty() && rt::TryStrToFloat(FlowEdit(i)->Text, q) && q > 0)
      S->ColumnSet += 1 << i;
  }
}

void TGlobemain::CheckPressures(int Condition, double P1, double P2) {
  TIWUserSession* S = UserSession();
  if (Condition < 1 || Condition > 3) return;
  const int i = Condition - 1;
  TIWEdit *p1Edit = P1Edit(i), *p2Edit = P2Edit(i);
  const double PMF = S->PressureDataSetPMF.AsFloat();
  const std::string units = S->PressureDataSetUNITS.AsString();
  const TMaterial& fluid = S->SelectedFluidData;

  if (P1 > 3208 && fluid.State == "Steam") {
    p1Edit->Text = rt::FloatToStrF(3193 / PMF, rt::ffFixed, 8, 2);
    Application().ShowMessage("Program limitation is " + rt::FloatToStrF(3208 / PMF, rt::ffFixed, 15, 0) +
                              " " + units + " for Steam Sizing" + CrLf + "Please re-enter");
  }
  if (fluid.State == "Liquid") {
    // The vapour pressure is absolute: compare it with the absolute inlet pressure in both modes.
    const double vp = fluid.VapPress;
    if (!(vp <= P1 + 14.696)) {
      Application().ShowMessage(std::string("Inlet Pressure lower than vapor pressure") + CrLf +
                                "Inlet Pressure has been temporarily adjusted" + CrLf + "Please re-enter");
      // One psi above the vapour pressure, in the mode the user enters pressures.
      const double corrected = S->GageP ? vp - 14.696 + 1 : vp + 1;
      if (std::isfinite(corrected)) p1Edit->Text = globe::PressureText(corrected / PMF, PMF);
    }
  }
  if (!(P1 > P2)) {
    double p1Now;
    if (rt::TryStrToFloat(p1Edit->Text, p1Now))
      p2Edit->Text = globe::PressureText(p1Now - 1 / PMF, PMF);
    Application().ShowMessage(std::string("Outlet Pressure must be less than Input Pressure") + CrLf +
                              "Outlet Pressure has been temporarily adjusted" + CrLf + "Please re-enter");
  }
}

void TGlobemain::ClearResultCells(TIWGrid& Grid, int FirstRow, int RowCount) {
  for (int r = FirstRow; r < FirstRow + RowCount && r < Grid.RowCount(); ++r)
    for (int c = 0; c < Grid.ColumnCount(); ++c) Grid.Cell(r, c).Text.clear();
}

void TGlobemain::ShowSizingNotes(Memonotes Notes) {
  TIWMemo& m = *Memo1;
  m.Color = clYellow;
  m.Font.Bold = true;
  m.Lines.clear();
  const int R = ResultsGrid->RowCount();
  m.Top = ResultsGrid->Top + R * GridRowHeight + 26;
  m.Height = 358 - R * GridRowHeight;
  const std::string empty = CrLf;
  if (Notes.Contains(CvGreaterThan))
    m.Lines = {NoteNotLowFlow};
  else if (Notes.Contains(Sonic) && Notes.Contains(LFCalcNote))
    m.Lines = {NoteGasSonic, empty, NoteTravel};
  else if (Notes.Contains(Sonic) && Notes.Contains(CvLessThan))
    m.Lines = {NoteCvLessThan, empty, NoteGasSonic};
  else if (Notes.Contains(Sonic))
    m.Lines = {NoteGasSonic};
  else if (Notes.Contains(CvLessThan))
    m.Lines = {NoteCvLessThan};
  else if (Notes.Contains(LFCalcNote))
    m.Lines = {NoteTravel};
  else if (Notes.Contains(LFoutofrange))
    m.Lines = {NoteOutOfRange};
  else {
    m.Visible = false;
    return;
  }
  m.Visible = true;
}

// ---- User fluid panel ----

void TGlobemain::ShowUserFluidPanel() {
  for (TIWControl* c : std::initializer_list<TIWControl*>{UFTitle, UFNameEdit, UFRectangle, UFNameLabel,
                                                          UFSourceLabel, UFApplyButt, UFSaveButt, UFCancelButt})
    c->Visible = true;
  for (TIWControl* c : std::initializer_list<TIWControl*>{ViscLabel, SGLabel, VPorSpecheatLabel,
                                                          CPorCompressLabel, TempLabel, SGminEdit, VPMinEdit,
                                                          CPMinEdit, ViscMinEdit, TempMinEdit, TempNormEdit,
                                                          TempMaxEdit, TempUnitCombo})
    c->Enabled = true;
  PopulateFluidnamelist();
}

void TGlobemain::UFCancelButtClick(TIWControl*) {
  for (TIWControl* c : std::initializer_list<TIWControl*>{SGminEdit, VPMinEdit, CPMinEdit, ViscMinEdit})
    c->Enabled = false;
  for (TIWControl* c : std::initializer_list<TIWControl*>{UFTitle, UFNameEdit, UFRectangle, UFNameLabel,
                                                          UFSourceLabel, UFApplyButt, UFSaveButt, UFCancelButt})
    c->Visible = false;
}
