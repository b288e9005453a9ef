#include "webapp/Globeunit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <tuple>

#include "platform/rt/SysUtils.h"
#include "webapp/Framememo.h"
#include "webapp/ServerController.h"
#include "webapp/UserSessionUnit.h"

using namespace web;

namespace {

// The form with its protected steps reachable, recording each condition the driver hands on.
class TestGlobemain : public TGlobemain {
public:
  using TGlobemain::TGlobemain;
  using TGlobemain::CvListForSize;
  using TGlobemain::LookupPRF;
  using TGlobemain::PopulateCvlist;
  using TGlobemain::PopulateSizelist;
  using TGlobemain::SelectTrimTable;
  using TGlobemain::UpdateSchedules;

  struct Call {
    int condition;
    double superheatfactor;
    float prf;
    double trimCv;  // CV of the trim table's current row
    const data::TClientDataSet* table;
  };
  std::vector<Call> Calls;

protected:
  void CalculateCondition(int Condition) override {
    TIWUserSession* S = UserSession();
    double cv = -1;
    if (CurrentTrimTable && CurrentTrimTable->RecNo() > 0) cv = CurrentTrimTable->FieldByName("CV").AsFloat();
    Calls.push_back({Condition, S->NonAmbientData.Superheatfactor, S->SelectedPRF, cv, CurrentTrimTable});
    TGlobemain::CalculateCondition(Condition);
  }
};

class Globe : public ::testing::Test {
protected:
  void SetUp() override { Open(0); }

  void Open(int browserWidth) {
    scope.reset();
    app = std::make_unique<TIWApplication>();
    TIWServerController controller;
    controller.OnNewSession(*app);
    app->BeginRequest(TIWRequest{}, browserWidth);
    scope = std::make_unique<TCurrentApplicationScope>(app.get());
    f = app->CreateForm<TestGlobemain>();
    f->Show();
    f->IWAppFormRender();
    S = UserSession();
    app->TakeMessages();
    f->Calls.clear();
  }
  void TearDown() override {
    scope.reset();
    app.reset();
  }

  // What the framework does after every event: render the form (which recalculates).
  void Render() { f->IWAppFormRender(); }
  std::vector<std::string> Messages() { return app->TakeMessages(); }
  std::vector<int> Calculated() const {
    std::vector<int> out;
    for (const auto& c : f->Calls) out.push_back(c.condition);
    return out;
  }
  void Condition(int i, const std::string& p1, const std::string& p2, const std::string& t, const std::string& q) {
    f->P1Edit(i)->Text = p1;
    f->P2Edit(i)->Text = p2;
    f->TempEdit(i)->Text = t;
    f->FlowEdit(i)->Text = q;
  }
  void SelectFluid(const std::string& state, const std::string& fluid) {
    f->FluidStateCombo->SetText(state);
    f->FluidStateComboChange(f->FluidStateCombo);
    f->FluidCombo->SetText(fluid);
    f->FluidComboChange(f->FluidCombo);
  }
  void SelectPressureUnit(const std::string& unit) {
    f->P1Combo->SetText(unit);
    f->P1ComboChange(f->P1Combo);
  }
  void Key(TIWEdit* e, const std::string& text, int which) {
    e->Text = text;
    TIWEventParams p;
    p.Add(e->Name(), e->Text);
    p.Add("IW_Action", rt::UpperCase(e->Name()));
    p.Add("Which", std::to_string(which));
    e->OnAsyncKeyDown(e, p);
  }
  // Typing into an edit: its key events, or the change event of edits that send no keys.
  void Type(TIWEdit* e, const std::string& text) {
    if (e->OnAsyncKeyDown) return Key(e, text, 48);
    e->Text = text;
    TIWEventParams p;
    p.Add(e->Name(), e->Text);
    p.Add("IW_Action", rt::UpperCase(e->Name()));
    e->OnAsyncChange(e, p);
  }

  std::unique_ptr<TIWApplication> app;
  std::unique_ptr<TCurrentApplicationScope> scope;
  TestGlobemain* f = nullptr;
  TIWUserSession* S = nullptr;
};

const std::string CrLf = "\r\n";

}  // namespace

// ---- Opening the form ----

TEST_F(Globe, OpensOnTheSlidingGateInCvModeWithGaugePsiAndTheFirstOfEveryList) {
  EXPECT_EQ(std::make_tuple(f->Width > 0, f->Height), std::make_tuple(true, 1002));
  EXPECT_EQ(std::make_tuple(f->DataRegion1->Width, f->DataRegion1->Height), std::make_tuple(1000, 941));
  EXPECT_TRUE(f->GateRB->Checked());
  EXPECT_TRUE(f->CalcForCvButt->Checked());
  EXPECT_TRUE(f->GageRadButt->Checked());
  EXPECT_TRUE(f->LinRB->Checked());
  EXPECT_EQ(f->P1Combo->Text(), "psi");
  EXPECT_EQ(f->P1Combo->Items.size(), 10u);
  EXPECT_EQ(f->FluidStateCombo->Text(), "Liquid");
  EXPECT_EQ(f->FluidCombo->Text(), "Water");
  EXPECT_EQ(f->FlowCombo->Text(), "Gallons per Minute");
  EXPECT_EQ(f->TempUnitCombo->Items, (std::vector<std::string>{"°F", "°C", "K"}));
  EXPECT_EQ(f->TempUnitCombo->Text(), "°F");
  EXPECT_EQ(f->ValveTypeCombo->Items, std::vector<std::string>{"Sliding Gate"});
  EXPECT_EQ(f->SizeCombo->Text(), "0.25 in");
  EXPECT_EQ(f->SizeCombo->ItemIndex, 0);
  EXPECT_EQ(f->CvCombo->ItemIndex, 0);
  EXPECT_EQ(f->FLLabel->Caption, "List Fʟ");
  EXPECT_FALSE(f->FLEdit->Enabled);
  EXPECT_FALSE(f->InfoButton->Visible);
  EXPECT_FALSE(f->Guidelines1->Visible);
  EXPECT_FALSE(f->Memo1->Visible);
  EXPECT_EQ(std::make_tuple(S->ValveID, S->ValveLine, S->Valvetype, S->Division),
            std::make_tuple(1, std::string("Sliding Gate"), std::string("Sliding Gate"), std::string("Varnoxvalve")));
  EXPECT_EQ(std::make_tuple(S->Version, S->VersionDate), std::make_tuple(std::string("1.642"), std::string("03/08/24")));
  EXPECT_TRUE(std::regex_match(S->Prefs.RepDate, std::regex(R"(\d\d/\d\d/\d\d)"))) << S->Prefs.RepDate;
  EXPECT_FALSE(S->AutoLoadFlag);
  EXPECT_TRUE(S->Prefs.RepDateApply);
  ASSERT_NE(S->ModelList, nullptr);
  ASSERT_NE(S->FunctionList, nullptr);
  EXPECT_EQ(f->SizingSugLabel->Caption,
            "● PRV’s size to 70% capacity " + CrLf + "● BPRV’s size to 50% capacity" + CrLf +
                "● DCV’s size to 90% capacity" + CrLf + "● MOV’s size to 90% capacity " + CrLf +
                "● TCV’s size to 90% capacity " + CrLf + "● Piloted Valves size to 90% capacity");
  EXPECT_EQ(f->LiqFlowUnits.size(), 9u);
  EXPECT_EQ(f->GasFlowUnits.size(), 24u);
  EXPECT_EQ(f->SteamFlowUnits, (std::vector<std::string>{"Pounds per Hour", "Kilograms per Hour"}));
  // The controls carry their names as page ids; the invisible ones are still rendered, hidden.
  THtml h;
  f->Render(h);
  for (const char* id : {"id=\"P1MinEdit\"", "id=\"SGminEdit\"", "id=\"ResultsGrid\"", "id=\"IWButton2\"",
                         "id=\"zentorblah\"", "id=\"CalcButton\""})
    EXPECT_NE(h.Str().find(id), std::string::npos) << id;
}

TEST_F(Globe, TheInputRegionIsCentredAndNeverLeftOfTheWindow) {
  for (auto [width, left] : {std::pair{1600, 300}, {1000, 0}, {1001, 0}, {1002, 1}, {700, 0}}) {
    Open(width);
    EXPECT_EQ(f->DataRegion1->Left, left) << width;
  }
}

TEST_F(Globe, ALaterRenderNeitherAutoloadsNorLosesTheInputs) {
  Condition(1, "100", "50", "60", "10");
  f->AssignfluidParams();
  Render();
  EXPECT_FALSE(S->AutoLoadFlag);
  EXPECT_EQ(Calculated(), std::vector<int>{1});
  EXPECT_EQ(f->P1NormEdit->Text, "100");
}

TEST_F(Globe, TheHiddenTestButtonDoesNothing) {
  Condition(0, "100", "50", "60", "10");
  f->IWButton2Click(f->IWButton2);
  EXPECT_TRUE(Messages().empty());
  EXPECT_FALSE(f->IWButton2->Visible);
  EXPECT_TRUE(Calculated().empty());
}

TEST_F(Globe, GuidelinesOpenOnceAndShowAgainAfterClose) {
  f->InfoButtonClick(f->InfoButton);
  TMemoFrame* frame = f->Memoframe1;
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Parent(), f->DataRegion1);
  EXPECT_EQ(std::make_tuple(frame->Left, frame->Top), std::make_tuple(80, 100));
  EXPECT_TRUE(frame->IWFrameRegion->IsShowing());
  frame->IWButton1Click(frame->IWButton1);
  EXPECT_FALSE(frame->IWFrameRegion->IsShowing());
  f->Guidelines1->OnClick(nullptr);
  EXPECT_EQ(f->Memoframe1, frame);
  EXPECT_TRUE(frame->IWFrameRegion->IsShowing());
}

// ---- Valve lists ----

TEST_F(Globe, EachStyleRadioSetsItsTypesLineAndControls) {
  struct Case {
    TIWRadioButton* TGlobemain::*radio;
    int id;
    const char* line;
    const char* type;
    size_t types;
    bool fl;
    const char* flCaption;
    bool guidelines;
    bool sizes;
  } cases[] = {
      {&TGlobemain::GlobeRB, 2, "Globe", "Globe", 6, true, "Design Cv", false, true},
      {&TGlobemain::LowflowRB, 3, "Low Flow", "Low Flow", 1, false, nullptr, false, false},
      {&TGlobemain::LFGlobeRB, 2, "Low Flow", "Globe", 4, true, "Design Cv", false, true},
      {&TGlobemain::PLLowflowRB, 3, "Purilane", "Low Flow", 1, false, nullptr, true, false},
      {&TGlobemain::PLGlobeRB, 2, "Purilane", "Globe", 9, true, "Design Cv", true, true},
      {&TGlobemain::GateRB, 1, "Sliding Gate", "Sliding Gate", 1, true, "List Fʟ", false, true},
  };
  for (const auto& c : cases) {
    TIWRadioButton* rb = f->*c.radio;
    rb->OnClick(rb);
    const std::string name = rb->Name();
    EXPECT_TRUE(rb->Checked()) << name;
    EXPECT_EQ(S->ValveID, c.id) << name;
    EXPECT_EQ(S->ValveLine, c.line) << name;
    EXPECT_EQ(S->Valvetype, c.type) << name;
    EXPECT_EQ(f->ValveTypeCombo->Items.size(), c.types) << name;
    EXPECT_EQ(f->ValveTypeCombo->ItemIndex, 0) << name;
    EXPECT_EQ(f->FLEdit->Visible, c.fl) << name;
    if (c.fl) {
      EXPECT_EQ(f->FLLabel->Caption, c.flCaption) << name;
    }
    EXPECT_EQ(f->InfoButton->Visible, c.guidelines) << name;
    EXPECT_EQ(f->Guidelines1->Visible, c.guidelines) << name;
    EXPECT_EQ(f->SizeCombo->Visible, c.sizes) << name;
    EXPECT_EQ(f->SchedComboBox->Visible, c.sizes) << name;
    EXPECT_EQ(f->LinRB->Visible, c.sizes) << name;
    Render();
  }
  // Back on the gate: "List Fʟ" with 0.6 in a disabled edit.
  EXPECT_EQ(f->ValveTypeCombo->Items, std::vector<std::string>{"Sliding Gate"});
  f->GateRBClick(f->GateRB);
  EXPECT_EQ(f->FLEdit->Text, "0.6");
  EXPECT_FALSE(f->FLEdit->Enabled);
}

TEST_F(Globe, TheTypeAndCharacteristicChooseTheTrimTable) {
  struct Case {
    TIWRadioButton* TGlobemain::*radio;
    const char* type;
    bool lin;
    data::TClientDataSet TIWUserSession::*table;
  } cases[] = {
      {&TGlobemain::GateRB, "Sliding Gate", true, &TIWUserSession::LinCvDataSet},
      {&TGlobemain::GateRB, "Sliding Gate", false, &TIWUserSession::EqCvDataSet},
      {&TGlobemain::GlobeRB, "Globe", true, &TIWUserSession::GlobeDataSet},
      {&TGlobemain::GlobeRB, "Plug & Cage Trim", false, &TIWUserSession::CavTrimDataSet},
      {&TGlobemain::GlobeRB, "SERIES C", true, &TIWUserSession::SeriesCLinTrimDataSet},
      {&TGlobemain::GlobeRB, "SERIES C", false, &TIWUserSession::SeriesCEqTrimDataSet},
      {&TGlobemain::GlobeRB, "SERIES D", true, &TIWUserSession::SeriesDTrimDataSet},
      {&TGlobemain::GlobeRB, "SERIES BG", true, &TIWUserSession::SeriesBTrimDataSet},
      {&TGlobemain::GlobeRB, "SERIES A", true, &TIWUserSession::SeriesATrimDataSet},
      {&TGlobemain::LFGlobeRB, "SERIES EG", true, &TIWUserSession::SeriesELinTrimDataSet},
      {&TGlobemain::LFGlobeRB, "SERIES EG", false, &TIWUserSession::SeriesEEqTrimDataSet},
      {&TGlobemain::PLGlobeRB, "SERIES F", true, &TIWUserSession::SeriesFLinTrimDataSet},
      {&TGlobemain::PLGlobeRB, "SERIES F", false, &TIWUserSession::SeriesFEqTrimDataSet},
      {&TGlobemain::PLGlobeRB, "SERIES G/H", true, &TIWUserSession::SeriesGHTrimDataSet},
      {&TGlobemain::PLGlobeRB, "TQAC", true, &TIWUserSession::TQACDataSet},
      {&TGlobemain::PLGlobeRB, "TQBC", true, &TIWUserSession::TQBCDataSet},
      {&TGlobemain::PLGlobeRB, "TQCV", true, &TIWUserSession::TQCVLinDataSet},
      {&TGlobemain::PLGlobeRB, "TQCV", false, &TIWUserSession::TQCVEqDataSet},
      {&TGlobemain::PLGlobeRB, "TQACPM", true, &TIWUserSession::TQACPMDataSet},
      {&TGlobemain::PLGlobeRB, "TQBCPM", true, &TIWUserSession::TQBCPMDataSet},
  };
  for (const auto& c : cases) {
    (f->*c.radio)->OnClick(f->*c.radio);
    (c.lin ? f->LinRB : f->EQRB)->SetChecked(true);
    f->ValveTypeCombo->SetText(c.type);
    f->ValveTypeComboChange(f->ValveTypeCombo);
    EXPECT_EQ(f->CurrentTrimTable, &(S->*c.table)) << c.type << " lin " << c.lin;
    EXPECT_FALSE(f->SizeCombo->Items.empty()) << c.type;
    Render();
    EXPECT_EQ(f->CurrentTrimTable, &(S->*c.table)) << c.type << " after render";
  }
  // A type the map does not know keeps the previous table and its sizes.
  const auto sizes = f->SizeCombo->Items;
  f->ValveTypeCombo->Items = {"Unknown"};
  f->ValveTypeCombo->ItemIndex = 0;
  f->ValveTypeComboChange(f->ValveTypeCombo);
  EXPECT_EQ(f->CurrentTrimTable, &S->TQBCPMDataSet);
  EXPECT_EQ(f->SizeCombo->Items, sizes);
}

TEST_F(Globe, SizesAreListedSmallestFirstAndCvsOfTheSizeAscending) {
  EXPECT_EQ(f->SizeCombo->Items, (std::vector<std::string>{"0.25 in", "0.50 in", "0.75 in", "1.00 in", "1.50 in",
                                                           "2.00 in", "3.00 in", "4.00 in", "6.00 in", "8.00 in"}));
  f->SizeCombo->SetText("2.00 in");
  f->SizeComboChange(f->SizeCombo);
  ASSERT_GE(f->CvCombo->Items.size(), 4u);
  std::vector<double> cvs;
  for (const auto& s : f->CvCombo->Items) cvs.push_back(rt::StrToFloat(s));
  EXPECT_TRUE(std::is_sorted(cvs.begin(), cvs.end()));
  EXPECT_EQ(f->CvCombo->Items.back(), "60");
  EXPECT_FLOAT_EQ(S->SelectedSize, 2.0f);
  // The low-flow type lists its fourteen nominal Cvs whatever the size.
  f->LowflowRBClick(f->LowflowRB);
  Render();
  EXPECT_EQ(f->CvCombo->Items.size(), 14u);
  EXPECT_EQ(f->CvCombo->Items.front(), "0.00001");
  EXPECT_EQ(f->CvCombo->Items.back(), "0.2");
}

TEST_F(Globe, SizesMatchTheirTwoDecimalTextWithinHalfAStep) {
  // A table whose sizes do not have two decimals: 0.375 is listed as 0.38.
  auto table = data::TTable::FromCsv("Odd", "SIZE:float,CV:float,PRF:float\n0.5,4,0.8\n0.375,2,0.7\n0.375,1,0.9\n");
  data::TClientDataSet ds(table);
  f->CurrentTrimTable = &ds;
  f->PopulateSizelist();
  EXPECT_EQ(f->SizeCombo->Items, (std::vector<std::string>{"0.38 in", "0.50 in"}));
  f->SizeCombo->SetText("0.38 in");
  f->PopulateCvlist();
  EXPECT_EQ(f->CvCombo->Items, (std::vector<std::string>{"1", "2"}));
  f->CvCombo->SetText("2");
  f->LookupPRF();
  EXPECT_FLOAT_EQ(S->SelectedPRF, 0.7f);
  EXPECT_DOUBLE_EQ(ds.FieldByName("CV").AsFloat(), 2);
  f->CurrentTrimTable = nullptr;
}

TEST_F(Globe, SeriesHNoteItemStandsForCv28) {
  f->PLGlobeRBClick(f->PLGlobeRB);
  f->ValveTypeCombo->SetText("SERIES G/H");
  f->ValveTypeComboChange(f->ValveTypeCombo);
  f->SizeCombo->SetText("3.00 in");
  f->SizeComboChange(f->SizeCombo);
  ASSERT_GE(f->CvCombo->Items.size(), 3u);
  EXPECT_EQ(f->CvCombo->Items[2], "28 (Series H only)");
  f->CvCombo->ItemIndex = 2;
  f->CvComboChange(f->CvCombo);
  EXPECT_EQ(S->SelectedCv, "28");
  auto prf = S->SeriesGHTrimDataSet.Lookup("SIZE;CV", {3.0, 28.0}, "PRF");
  ASSERT_TRUE(prf.has_value());
  EXPECT_FLOAT_EQ(S->SelectedPRF, static_cast<float>(std::get<double>(*prf)));
  EXPECT_DOUBLE_EQ(S->SeriesGHTrimDataSet.FieldByName("CV").AsFloat(), 28);
}

TEST_F(Globe, ACharacteristicChangeCalculatesWithTheNewTablesFactorAndRow) {
  f->SizeCombo->SetText("2.00 in");
  f->SizeComboChange(f->SizeCombo);
  f->CvCombo->ItemIndex = 3;
  f->CvComboChange(f->CvCombo);
  Condition(1, "100", "50", "60", "10");
  f->AssignfluidParams();
  f->Calls.clear();
  f->EQRB->SetChecked(true);
  f->EQRBClick(f->EQRB);
  ASSERT_FALSE(f->Calls.empty());
  const auto& call = f->Calls.front();
  EXPECT_EQ(call.table, &S->EqCvDataSet);
  const double cv = rt::StrToFloat(f->CvCombo->Text());
  const double size = rt::StrToFloat(rt::StringReplace(f->SizeCombo->Text(), " in", "", rt::rfReplaceAll));
  auto prf = S->EqCvDataSet.Lookup("SIZE;CV", {size, cv}, "PRF");
  ASSERT_TRUE(prf.has_value());
  EXPECT_FLOAT_EQ(call.prf, static_cast<float>(std::get<double>(*prf)));
  EXPECT_DOUBLE_EQ(call.trimCv, cv);
  // The gate shows the recovery factor it found.
  EXPECT_EQ(f->FLEdit->Text, rt::FloatToStrF(call.prf, rt::ffFixed, 15, 2));
}

TEST_F(Globe, LinkedPipeSizesFollowTheValveSizeBeforeSchedulesAreRebuilt) {
  ASSERT_TRUE(f->LinkDiamsCB->Checked);
  f->SizeCombo->SetText("2.00 in");
  f->SizeComboChange(f->SizeCombo);
  EXPECT_EQ(f->UpDiamEdit->Text, "2.00 in");
  EXPECT_EQ(f->DownDiamEdit->Text, "2.00 in");
  ASSERT_FALSE(f->SchedComboBox->Items.empty());
  EXPECT_NE(f->SchedComboBox->Items.front(), "No available schedules");
  // Unlinked: the size leaves the pipes alone; an inlet change is copied only when linked.
  f->LinkDiamsCB->Checked = false;
  f->LinkDiamsCBChange(f->LinkDiamsCB);
  EXPECT_FALSE(S->Linkeddiams);
  f->SizeCombo->SetText("1.00 in");
  f->SizeComboChange(f->SizeCombo);
  EXPECT_EQ(f->UpDiamEdit->Text, "2.00 in");
  f->UpDiamEdit->Text = "3";
  f->UpDiamEditAsyncChange(f->UpDiamEdit, {});
  EXPECT_EQ(f->DownDiamEdit->Text, "2.00 in");
  // A pipe size that is no number offers no schedule instead of failing every render.
  f->UpDiamEdit->Text = "abc";
  f->UpDiamEditAsyncChange(f->UpDiamEdit, {});
  EXPECT_EQ(f->SchedComboBox->Items, std::vector<std::string>{"No available schedules"});
}

TEST_F(Globe, FlowModeCopiesTheCvIntoTheConditionsThatHaveInput) {
  Condition(0, "100", "", "", "");
  Condition(1, "", "", "", "12");
  f->SizeCombo->SetText("2.00 in");
  f->SizeComboChange(f->SizeCombo);
  f->CalcForFlow->SetChecked(true);
  f->CalcForFlowClick(f->CalcForFlow);
  EXPECT_EQ(f->FlowLabel->Caption, "User Cv");
  EXPECT_FALSE(S->CalcForCv);
  EXPECT_FALSE(f->FLEdit->Enabled);
  EXPECT_EQ(f->FlowNormEdit->Text, f->CvCombo->Text());
  EXPECT_EQ(f->FlowMinEdit->Text, "");
  f->CvCombo->ItemIndex = 2;
  f->CvComboChange(f->CvCombo);
  EXPECT_EQ(f->FlowMinEdit->Text, f->CvCombo->Text());
  EXPECT_EQ(f->FlowNormEdit->Text, f->CvCombo->Text());
  EXPECT_EQ(f->FlowMaxEdit->Text, "");
  // Back to Cv mode.
  f->CalcForCvButt->SetChecked(true);
  f->CalcForCvButtClick(f->CalcForCvButt);
  EXPECT_EQ(f->FlowLabel->Caption, "Flow, Q");
  EXPECT_TRUE(f->CvCombo->Visible);
  // Low flow in flow mode: the flows are emptied and disabled, the Cv list shows.
  f->LowflowRBClick(f->LowflowRB);
  EXPECT_FALSE(f->CvCombo->Visible);
  f->CalcForFlow->SetChecked(true);
  f->CalcForFlowClick(f->CalcForFlow);
  EXPECT_TRUE(f->CvCombo->Visible);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(f->FlowEdit(i)->Text, "");
    EXPECT_FALSE(f->FlowEdit(i)->Enabled);
  }
}

// ---- Calculate driver ----

TEST_F(Globe, OnlyCompleteConditionsAreCalculated) {
  struct Case {
    const char* name;
    const char* fluidState;
    const char* fluid;
    std::array<std::array<const char*, 4>, 3> inputs;  // P1, P2, T, Q per condition
    bool lowFlowFlowMode;
    std::vector<int> calculated;
  } cases[] = {
      {"only Norm", "Liquid", "Water", {{{"", "", "", ""}, {"100", "50", "60", "10"}, {"", "", "", ""}}}, false, {1}},
      {"all three", "Liquid", "Water",
       {{{"100", "50", "60", "5"}, {"100", "50", "60", "10"}, {"100", "50", "60", "20"}}}, false, {0, 1, 2}},
      {"flow 0 and negative", "Liquid", "Water",
       {{{"100", "50", "60", "0"}, {"100", "50", "60", "-3"}, {"100", "50", "60", "1"}}}, false, {2}},
      {"missing temperature", "Liquid", "Water", {{{"100", "50", "", "5"}, {"", "", "", ""}, {"", "", "", ""}}}, false, {}},
      {"saturated steam needs no temperature", "Steam", "Saturated Steam",
       {{{"100", "50", "", "500"}, {"", "", "", ""}, {"", "", "", ""}}}, false, {0}},
      {"superheated steam does", "Steam", "Superheated Steam",
       {{{"100", "50", "", "500"}, {"", "", "", ""}, {"", "", "", ""}}}, false, {}},
      {"low flow in flow mode needs no flow", "Liquid", "Water",
       {{{"100", "50", "60", ""}, {"100", "", "60", ""}, {"", "", "", ""}}}, true, {0}},
  };
  for (const auto& c : cases) {
    Open(0);
    SelectFluid(c.fluidState, c.fluid);
    if (c.lowFlowFlowMode) {
      f->LowflowRBClick(f->LowflowRB);
      f->CalcForFlow->SetChecked(true);
      f->CalcForFlowClick(f->CalcForFlow);
    }
    for (int i = 0; i < 3; ++i) {
      const auto& in = c.inputs[static_cast<size_t>(i)];
      f->P1Edit(i)->Text = in[0];
      f->P2Edit(i)->Text = in[1];
      if (f->TempEdit(i)->Enabled) f->TempEdit(i)->Text = in[2];
      f->FlowEdit(i)->Text = in[3];
    }
    f->AssignfluidParams();
    if (std::string(c.fluid) == "Saturated Steam") {
      for (int i = 0; i < 3; ++i) f->TempEdit(i)->Text.clear();
    }
    f->Calls.clear();
    f->CalculateAll();
    EXPECT_EQ(Calculated(), c.calculated) << c.name;
    for (int i = 0; i < 3; ++i) {
      const bool on = std::find(c.calculated.begin(), c.calculated.end(), i) != c.calculated.end();
      EXPECT_EQ((i == 0 ? S->MinCol : i == 1 ? S->NormCol : S->MaxCol), on) << c.name << " " << i;
      EXPECT_EQ(S->ActualDeltaP[static_cast<size_t>(i)].empty(), !on) << c.name << " " << i;
    }
  }
}

TEST_F(Globe, PressureDropIsKeptInTheUsersUnitAndColumnsAreCounted) {
  Condition(0, "100.5", "50", "60", "10");
  Condition(2, "80", "20", "60", "10");
  f->AssignfluidParams();
  f->CalculateAll();
  EXPECT_EQ(S->ActualDeltaP[0], "50.5");
  EXPECT_EQ(S->ActualDeltaP[1], "");
  EXPECT_EQ(S->ActualDeltaP[2], "60");
  EXPECT_EQ(S->ColumnSet, 1 + 4);
}

TEST_F(Globe, SuperheatedSteamBelowItsThresholdIsCorrectedAndUsesFactorOne) {
  SelectFluid("Steam", "Superheated Steam");
  // Norm 50 °F above its threshold, Max below it: Max must not inherit Norm's factor.
  Condition(1, "85.3", "50", "", "500");
  Condition(2, "85.3", "50", "", "500");
  f->AssignfluidParams();
  const double thresholdF = S->SHthreshholdF[1];
  EXPECT_NEAR(thresholdF, 327.82, 1e-9);
  f->TempNormEdit->Text = rt::FloatToStr(thresholdF + 50);
  f->TempMaxEdit->Text = "300";
  f->AssignfluidParams();
  f->Calls.clear();
  f->CalcButtonClick(f->CalcButton);
  ASSERT_EQ(f->Calls.size(), 2u);
  EXPECT_NEAR(f->Calls[0].superheatfactor, 1.0325, 1e-9);
  EXPECT_EQ(f->Calls[1].condition, 2);
  EXPECT_DOUBLE_EQ(f->Calls[1].superheatfactor, 1);
  EXPECT_EQ(f->TempMaxEdit->Text, "328");
  const auto m = Messages();
  ASSERT_FALSE(m.empty());
  EXPECT_EQ(m[0],
            "The entered temperature is below the superheated steam threshold. Please increase the temperature above "
            "the superheated steam threshold value displayed in the \"Max\" column");
  // Saturated steam and every other fluid take factor 1.
  SelectFluid("Steam", "Saturated Steam");
  f->Calls.clear();
  f->CalculateAll();
  for (const auto& c : f->Calls) EXPECT_DOUBLE_EQ(c.superheatfactor, 1);
}

// A temperature below the threshold is raised on Calculate; the recalculation of the render that
// follows must use the raised temperature, not the typed one (a 4 in gate, Cv 48, in MPa, °C and
// kg/h once showed 24.88 where the raised temperature gives 25.9).
TEST_F(Globe, SuperheatedSteamRaisedToItsThresholdIsCalculatedAtTheRaisedTemperature) {
  f->SizeCombo->SetText("4.00 in");
  f->SizeComboChange(f->SizeCombo);
  f->CvCombo->SetText("48");
  f->CvComboChange(f->CvCombo);
  ASSERT_EQ(f->CvCombo->Text(), "48");
  SelectFluid("Steam", "Superheated Steam");
  SelectPressureUnit("mega pascal");
  f->TempUnitCombo->SetText("°C");
  f->TempUnitComboChange(f->TempUnitCombo);
  f->FlowCombo->SetText("Kilograms per Hour");
  f->FlowComboChange(f->FlowCombo);
  Condition(0, "1", "0.5", "150", "1000");
  f->AssignfluidParams();
  f->CalcButtonClick(f->CalcButton);
  Render();
  const double thresholdF = S->SHthreshholdF[0];
  ASSERT_GT(thresholdF, (150 * 1.8 + 32));
  const double raisedC = std::ceil((thresholdF - 32) / 1.8 - 1e-9);
  EXPECT_EQ(f->TempMinEdit->Text, rt::FloatToStr(raisedC));
  const double superheated = S->MinCalcCv;
  const std::string shown = f->ResultsGrid->Cell(1, 2).Text;
  Messages();

  // The same condition as saturated steam, and the factor of the raised temperature by hand.
  SelectFluid("Steam", "Saturated Steam");
  Condition(0, "1", "0.5", "", "1000");
  f->AssignfluidParams();
  f->CalcButtonClick(f->CalcButton);
  Render();
  const double saturated = S->MinCalcCv;
  const double factor = ((raisedC * 1.8 + 32) - thresholdF) * 0.00065 + 1;
  EXPECT_GE(factor, 1);
  EXPECT_NEAR(superheated, saturated * factor, saturated * 1e-12);
  EXPECT_EQ(shown, rt::FloatToStrF(saturated * factor, rt::ffFixed, 8, 2));
}

// Normal volumes are at 0 °C and 1.01325 bar, standard ones at 60 °F and 14.696 psia: a normal
// cubic metre is 35.31467 ft³ × 519.67 / 491.67 = 37.3258 standard cubic feet.
TEST_F(Globe, NormalVolumeFlowsAreConvertedAtZeroDegreesCelsius) {
  SelectFluid("Gas", "Nitrogen");
  Condition(0, "100", "80", "60", "");
  const double scfPerNm3 = 35.314666721 * 519.67 / 491.67;
  auto cvFor = [&](const std::string& unit, double flow) {
    f->FlowCombo->SetText(unit);
    EXPECT_EQ(f->FlowCombo->Text(), unit);
    f->FlowComboChange(f->FlowCombo);
    f->FlowMinEdit->Text = rt::FloatToStr(flow);
    f->AssignfluidParams();
    f->CalcButtonClick(f->CalcButton);
    EXPECT_TRUE(Messages().empty()) << unit;
    return S->MinCalcCv;
  };
  const struct {
    const char* unit;
    double scfPerUnit;  // standard cubic feet an hour for one of the unit
  } units[] = {
      {"Normal cubic meters per hr", scfPerNm3},
      {"Normal liters per hr", scfPerNm3 / 1000},
      {"Normal cubic cm per hr", scfPerNm3 / 1e6},
      {"Normal cubic meters per min", scfPerNm3 * 60},
      {"Normal liters per min", scfPerNm3 * 60 / 1000},
      {"Normal cubic centimeters per m", scfPerNm3 * 60 / 1e6},
  };
  const double reference = cvFor("Std cubic feet per hr", 10000);
  for (const auto& u : units) {
    const double cv = cvFor(u.unit, 10000 / u.scfPerUnit);
    EXPECT_NEAR(cv, reference, reference * 2e-6) << u.unit;
  }
}

// Library values fill the property edits, but a value the user typed over them stays through
// key strokes, Calculate and renders, until another fluid is chosen.
TEST_F(Globe, APropertyTypedIntoAColumnStaysUntilAnotherFluidIsChosen) {
  Condition(0, "100", "50", "60", "10");
  Condition(1, "100", "50", "60", "10");
  f->AssignfluidParams();
  const std::string libraryVisc = f->ViscNormEdit->Text;
  ASSERT_FALSE(libraryVisc.empty());
  Type(f->ViscNormEdit, "500");
  Type(f->P1NormEdit, "120");  // a key in the column's inlet pressure refills its properties
  Type(f->TempMaxEdit, "70");
  f->CalcButtonClick(f->CalcButton);
  Render();
  EXPECT_EQ(f->ViscNormEdit->Text, "500");
  EXPECT_EQ(f->ViscMinEdit->Text, libraryVisc) << "the other columns keep the library's";
  // A liquid's typed pressures follow the pressure unit.
  Type(f->VPMaxEdit, "1");
  f->P1MaxEdit->Text = "100";
  SelectPressureUnit("bar");
  EXPECT_EQ(f->VPMaxEdit->Text, "0.06897");  // 1 psi at the table's 14.5 psi a bar
  EXPECT_EQ(f->ViscNormEdit->Text, "500");

  SelectFluid("Liquid", "Water");
  EXPECT_EQ(f->ViscNormEdit->Text, libraryVisc) << "choosing a fluid fills in its values";
}

TEST_F(Globe, AUserFluidKeepsTheValuesTypedIntoItsColumns) {
  SelectPressureUnit("bar");
  Condition(0, "10", "5", "60", "3");
  Condition(1, "10", "4", "60", "4");
  f->AssignfluidParams();
  SelectFluid("Liquid", "Unlisted Liquid");
  f->UFNameEdit->Text = "Slurry";
  f->SGminEdit->Text = "1.3";
  f->ViscMinEdit->Text = "40";
  f->VPMinEdit->Text = "0.2";
  f->CPMinEdit->Text = "200";
  Type(f->ViscNormEdit, "55");
  Type(f->SGNormEdit, "1.35");
  f->UFApplyButtClick(f->UFApplyButt);
  ASSERT_EQ(f->FluidCombo->Text(), "Slurry");
  Render();
  EXPECT_EQ(f->ViscMinEdit->Text, "40");
  EXPECT_EQ(f->SGminEdit->Text, "1.3");
  EXPECT_EQ(f->CPMinEdit->Text, "200") << "a whole value without a trailing separator";
  EXPECT_EQ(f->ViscNormEdit->Text, "55");
  EXPECT_EQ(f->SGNormEdit->Text, "1.35");
  EXPECT_EQ(f->VPNormEdit->Text, "0.2") << "what was not typed comes from the fluid";
  EXPECT_TRUE(f->UFSourceLabel->Caption.find("Min column") != std::string::npos);
}

// Calculate says what is missing instead of doing nothing.
TEST_F(Globe, CalculateNamesTheMissingEntries) {
  for (int i = 0; i < 3; ++i) Condition(i, "", "", "", "");
  f->CalcButtonClick(f->CalcButton);
  EXPECT_EQ(Messages(), std::vector<std::string>{
                            "Nothing was calculated: enter the inlet pressure P1, outlet pressure P2, temperature "
                            "and flow of at least one condition (Min, Norm or Max)."});
  Condition(0, "100", "50", "60", "10");
  Condition(1, "100", "", "60", "0");
  f->AssignfluidParams();
  f->Calls.clear();
  f->CalcButtonClick(f->CalcButton);
  EXPECT_EQ(Messages(), std::vector<std::string>{
                            "The Norm condition was not calculated: enter its outlet pressure P2 and flow "
                            "(greater than 0)."});
  EXPECT_EQ(Calculated(), std::vector<int>{0});
  // The recalculations of renders say nothing.
  Render();
  EXPECT_TRUE(Messages().empty());
}

TEST_F(Globe, ADesignCvIsTheRatedCvOfAGlobeValve) {
  f->GlobeRB->SetChecked(true);
  f->GlobeRBClick(f->GlobeRB);
  Render();
  ASSERT_EQ(S->ValveID, 2);
  ASSERT_EQ(f->FLLabel->Caption, "Design Cv");
  Condition(0, "100", "80", "60", "20");
  f->AssignfluidParams();
  f->CalcButtonClick(f->CalcButton);
  Render();
  const std::string selected = f->ResultsGrid->Cell(3, 2).Text;
  EXPECT_EQ(selected.find(" of Cv "), std::string::npos);

  f->FLEdit->Text = "7.5";
  f->CalcButtonClick(f->CalcButton);
  Render();
  EXPECT_DOUBLE_EQ(S->ListCv, 7.5);
  const std::string travel = f->ResultsGrid->Cell(3, 2).Text;
  EXPECT_EQ(travel.substr(travel.size() - 10), " of Cv 7.5");
  EXPECT_TRUE(Messages().empty());

  f->FLEdit->Text = "lots";
  f->CalcButtonClick(f->CalcButton);
  const auto m = Messages();
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].rfind("Design Cv: \"lots\" is not a number.", 0), 0u) << m[0];
}

TEST_F(Globe, GasAndSteamShowNAForTheMaximumPressureDrop) {
  for (const char* state : {"Gas", "Steam"}) {
    SelectFluid(state, state == std::string("Gas") ? "Air" : "Saturated Steam");
    Condition(0, "", "", "", "");
    Condition(1, "100", "80", "60", "500");
    f->AssignfluidParams();
    f->CalcButtonClick(f->CalcButton);
    Render();
    EXPECT_EQ(f->ResultsGrid->Cell(2, 0).Text, "Delta P Max") << state;
    EXPECT_EQ(f->ResultsGrid->Cell(2, 1).Text, "") << state << ": no unit without a value";
    EXPECT_EQ(f->ResultsGrid->Cell(2, 3).Text, "NA") << state;
  }
}

TEST_F(Globe, PressureChecksCorrectTheEditsInTheUsersUnit) {
  const std::string vapour = "Inlet Pressure lower than vapor pressure" + CrLf +
                             "Inlet Pressure has been temporarily adjusted" + CrLf + "Please re-enter";
  const std::string outlet = "Outlet Pressure must be less than Input Pressure" + CrLf +
                             "Outlet Pressure has been temporarily adjusted" + CrLf + "Please re-enter";
  struct Case {
    const char* name;
    const char* unit;
    const char* state;
    bool gauge;
    const char* p1;
    const char* p2;
    double vapPress;  // psia
    const char* p1After;
    const char* p2After;
    std::vector<std::string> messages;
  } cases[] = {
      {"steam above its limit, bar", "bar", "Steam", true, "227.586", "10", 0, "220.21", "10",
       {"Program limitation is 221 bar for Steam Sizing" + CrLf + "Please re-enter"}},
      {"equal pressures, psi", "psi", "Liquid", true, "100", "100", 0.26, "100", "99", {outlet}},
      {"outlet above inlet, MPa", "mega pascal", "Liquid", true, "1", "2", 0.26, "1", "0.993", {outlet}},
      {"vacuum below vapour pressure, psi gauge", "psi", "Liquid", true, "-14.6", "-14.65", 0.26, "-13", "-14.65",
       {vapour}},
      {"below vapour pressure, bar gauge", "bar", "Liquid", true, "-1", "-1.005", 0.26, "-0.93", "-1.005", {vapour}},
      // Absolute entry: 0.2 psia is below 0.26 psia; 10 psia is well above it.
      {"below vapour pressure, psi absolute", "psi", "Liquid", false, "0.2", "0.1", 0.26, "1", "0.1", {vapour}},
      {"above vapour pressure, psi absolute", "psi", "Liquid", false, "10", "5", 0.26, "10", "5", {}},
      {"above vapour pressure, MPa absolute", "mega pascal", "Liquid", false, "0.5", "0.1", 17.19, "0.5", "0.1", {}},
      {"below vapour pressure, MPa absolute", "mega pascal", "Liquid", false, "0.1", "0.05", 17.19, "0.125", "0.05",
       {vapour}},
  };
  for (const auto& c : cases) {
    Open(0);
    SelectPressureUnit(c.unit);
    (c.gauge ? f->GageRadButt : f->AbsRadButt)->SetChecked(true);
    S->GageP = c.gauge;
    S->SelectedFluidData.State = c.state;
    S->SelectedFluidData.VapPress = c.vapPress;
    f->P1MinEdit->Text = c.p1;
    f->P2MinEdit->Text = c.p2;
    S->PressureDataSet.SetRecNo(f->P1Combo->ItemIndex + 1);
    const double pmf = S->PressureDataSetPMF.AsFloat();
    const double off = c.gauge ? 0 : 14.696;
    Messages();
    f->CheckPressures(1, rt::StrToFloat(c.p1) * pmf - off, rt::StrToFloat(c.p2) * pmf - off);
    EXPECT_EQ(f->P1MinEdit->Text, c.p1After) << c.name;
    EXPECT_EQ(f->P2MinEdit->Text, c.p2After) << c.name;
    EXPECT_EQ(Messages(), c.messages) << c.name;
  }
}

TEST_F(Globe, AnUnreadableEntrySkipsOnlyItsConditionAndIsNamedWhenTheUserCalculates) {
  Condition(0, "1.2.3", "50", "60", "10");
  Condition(1, "100", "50", "60", "10");
  Condition(2, "100", "50", "60", "20");
  f->AssignfluidParams();
  f->Calls.clear();
  f->CalcButtonClick(f->CalcButton);
  EXPECT_EQ(Calculated(), (std::vector<int>{1, 2}));
  EXPECT_FALSE(S->MinCol);
  EXPECT_EQ(Messages(), std::vector<std::string>{"Inlet pressure P1 (Min): \"1.2.3\" is not a number." + CrLf +
                                                 "The Min condition was not calculated."});
  // The recalculation of a render skips it without a message.
  f->Calls.clear();
  Render();
  EXPECT_EQ(Calculated(), (std::vector<int>{1, 2}));
  EXPECT_TRUE(Messages().empty());
  // An empty property edit is named too.
  f->P1MinEdit->Text = "100";
  f->SGNormEdit->Text = "";
  f->Calls.clear();
  f->CalcButtonClick(f->CalcButton);
  EXPECT_EQ(Calculated(), (std::vector<int>{0, 2}));
  EXPECT_EQ(Messages(), std::vector<std::string>{"Specific Gravity (Norm) has no value." + CrLf +
                                                 "The Norm condition was not calculated."});
  // A pipe size concerns every condition: one message, nothing calculated.
  f->AssignfluidParams();
  f->LinkDiamsCB->Checked = false;
  f->UpDiamEdit->Text = "2 x";
  f->Calls.clear();
  f->CalcButtonClick(f->CalcButton);
  EXPECT_TRUE(Calculated().empty());
  EXPECT_EQ(Messages(), std::vector<std::string>{"Inlet pipe size: \"2 x\" is not a number." + CrLf +
                                                 "No condition was calculated."});
}

TEST(GlobeGrid, ClearResultCellsEmptiesTextOnlyOfTheRowsGiven) {
  TIWGrid g("g");
  g.SetColumnCount(5);
  g.SetRowCount(10);
  for (int r = 0; r < 10; ++r)
    for (int c = 0; c < 5; ++c) {
      g.Cell(r, c).Text = "x";
      g.Cell(r, c).BGColor = clYellow;
    }
  TGlobemain::ClearResultCells(g, 1, 9);
  EXPECT_EQ(g.Cell(0, 3).Text, "x");
  for (int r = 1; r < 10; ++r)
    for (int c = 0; c < 5; ++c) {
      EXPECT_EQ(g.Cell(r, c).Text, "");
      EXPECT_EQ(g.Cell(r, c).BGColor, clYellow);
    }
  TGlobemain::ClearResultCells(g, 8, 5);  // rows past the end are ignored
}

// ---- Notes ----

TEST_F(Globe, NotesShowTheFirstMatchingCase) {
  const std::string G = NoteGasSonic, L = NoteCvLessThan, T = NoteTravel;
  struct Case {
    Memonotes notes;
    std::vector<std::string> lines;
  } cases[] = {
      {{CvGreaterThan, Sonic, LFCalcNote}, {NoteNotLowFlow}},
      {{Sonic, LFCalcNote}, {G, CrLf, T}},
      {{Sonic, CvLessThan}, {L, CrLf, G}},
      {{Sonic}, {G}},
      {{CvLessThan}, {L}},
      {{LFCalcNote, LFoutofrange}, {T}},
      {{LFoutofrange}, {NoteOutOfRange}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    f->ShowSizingNotes(c.notes);
    EXPECT_EQ(f->Memo1->Lines, c.lines) << c.notes.Bits();
    EXPECT_EQ(f->Memo1->Visible, !c.lines.empty()) << c.notes.Bits();
    EXPECT_EQ(f->Memo1->Color, clYellow);
    EXPECT_TRUE(f->Memo1->Font.Bold);
  }
  EXPECT_FALSE(f->Memo1->Editable);
}

TEST_F(Globe, NotesSitUnderTheGridForItsRowCount) {
  EXPECT_EQ(f->ResultsGrid->Top, 535);
  EXPECT_EQ(f->Memo1->Left, 24);
  EXPECT_EQ(f->Memo1->Width, 743);
  struct Case {
    TIWRadioButton* TGlobemain::*radio;
    const char* type;
    int rows, top, height;
  } cases[] = {
      {&TGlobemain::GateRB, "Sliding Gate", 10, 791, 128},
      {&TGlobemain::GlobeRB, "Globe", 9, 768, 151},
      {&TGlobemain::LowflowRB, "Low Flow", 6, 699, 220},
  };
  for (const auto& c : cases) {
    (f->*c.radio)->OnClick(f->*c.radio);
    Condition(1, "100", "50", "60", "10");
    f->AssignfluidParams();
    f->CalculateAll();
    EXPECT_EQ(f->ResultsGrid->RowCount(), c.rows) << c.type;
    f->ShowSizingNotes({Sonic});
    EXPECT_EQ(std::make_tuple(f->Memo1->Top, f->Memo1->Height), std::make_tuple(c.top, c.height)) << c.type;
  }
}

// ---- Fluids and units ----

TEST_F(Globe, WaterInBarShowsItsVapourAndCriticalPressure) {
  Condition(0, "10", "5", "60", "10");
  SelectPressureUnit("bar");
  SelectFluid("Liquid", "Water");
  EXPECT_EQ(f->P2PressureLabel->Caption, "bar");
  EXPECT_EQ(f->VPMinEdit->Text, "0.01793");
  EXPECT_EQ(f->CPMinEdit->Text, "221.10345");
  EXPECT_EQ(f->SGminEdit->Text, "1");
  EXPECT_EQ(f->ViscMinEdit->Text, "1.15");
  EXPECT_EQ(f->VPNormEdit->Text, "");  // a condition without P1 is left alone
}

TEST_F(Globe, GasShowsItsCaptionsAndKAndZ) {
  Condition(0, "100", "50", "", "1000");
  Condition(1, "100", "50", "", "1000");
  SelectFluid("Gas", "Air");
  EXPECT_EQ(f->CPorCompressLabel->Caption, "Compressibility");
  EXPECT_EQ(f->VPorSpecheatLabel->Caption, "Specific Heat");
  EXPECT_EQ(f->TempMinEdit->Text, "60");
  EXPECT_EQ(f->TempMaxEdit->Text, "");
  EXPECT_EQ(f->VPMinEdit->Text, "1.4");
  EXPECT_EQ(f->CPMinEdit->Text, "1");
  EXPECT_EQ(f->ViscMinEdit->Text, "0.018");
  EXPECT_EQ(f->FlowCombo->Text(), "Std cubic feet per hr");
  SelectFluid("Gas", "Helium");
  EXPECT_EQ(f->VPNormEdit->Text, "1.63");
  EXPECT_EQ(f->SGNormEdit->Text, "0.138");
  SelectFluid("Steam", "Saturated Steam");
  EXPECT_EQ(f->CPorCompressLabel->Caption, "");
  EXPECT_FALSE(f->SGminEdit->Visible);
}

TEST_F(Globe, AirAtNormalTemperatureIsZeroCelsius) {
  Condition(0, "100", "50", "60", "1000");
  SelectFluid("Gas", "Air @ Normal Temp (0 deg C)");
  EXPECT_EQ(f->TempUnitCombo->Text(), "°C");
  EXPECT_EQ(f->TempMinEdit->Text, "0");
  EXPECT_DOUBLE_EQ(S->SelectedTemps[0], 32);
  EXPECT_EQ(f->ViscMinEdit->Text, "0.017");
  f->AssignfluidParams();  // the unit and the temperature agree on every later pass
  EXPECT_DOUBLE_EQ(S->SelectedTemps[0], 32);
}

TEST_F(Globe, TemperaturesAreConvertedToFahrenheit) {
  for (auto [unit, text, f_] : {std::tuple{"K", "300", 80.6}, {"°C", "100", 212.0}, {"°F", "70", 70.0}}) {
    f->P1MinEdit->Text = "100";
    f->TempMinEdit->Text = text;
    f->TempUnitCombo->SetText(unit);
    f->TempUnitComboChange(f->TempUnitCombo);
    EXPECT_NEAR(S->SelectedTemps[0], f_, 1e-9) << unit;
  }
}

TEST_F(Globe, SteamSaturationTemperatureFillsAndLocksTheTemperature) {
  Condition(0, "0", "", "", "");
  Condition(1, "85.3", "", "", "");
  Condition(2, "5000", "", "", "");  // beyond the table: its last row
  SelectFluid("Steam", "Saturated Steam");
  EXPECT_EQ(f->TempMinEdit->Text, "212.0");
  EXPECT_EQ(f->TempNormEdit->Text, "327.8");
  EXPECT_EQ(f->TempMaxEdit->Text, "705.1");
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(f->TempEdit(i)->Enabled);
  // In °C and with absolute pressures (100 psia = 85.3 psig).
  f->AbsRadButt->SetChecked(true);
  f->P1NormEdit->Text = "100";
  f->TempUnitCombo->SetText("°C");
  f->TempUnitComboChange(f->TempUnitCombo);
  EXPECT_EQ(f->TempNormEdit->Text, rt::FloatToStrF((327.82 - 32) / 1.8, rt::ffFixed, 15, 1));
  // Superheated steam keeps the temperatures open and stores the thresholds.
  f->GageRadButt->SetChecked(true);
  f->FluidCombo->SetText("Superheated Steam");
  f->FluidComboChange(f->FluidCombo);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(f->TempEdit(i)->Enabled);
  EXPECT_NEAR(S->SHthreshholdF[2], 705.08, 1e-9);
}

TEST(GlobeLookup, InterpolatesBetweenRowsAndClampsBeyondTheEnds) {
  auto table = data::TTable::FromCsv("T", "X:float,Y:float\n10,1\n20,3\n40,7\n");
  data::TClientDataSet ds(table);
  struct Case {
    double x, y;
  } cases[] = {{10, 1}, {15, 2}, {20, 3}, {30, 5}, {40, 7}, {5, 1}, {-100, 1}, {41, 7}, {1e6, 7}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(globe::LookupInterpolated(ds, "X", "Y", c.x), c.y) << c.x;
}

// ---- Key filter ----

TEST_F(Globe, TheKeyFilterKeepsOnlyANumber) {
  struct Case {
    const char* typed;
    int key;
    const char* kept;
  } cases[] = {
      {"12a", 65, "12"},    {"a12", 65, "12"},  {"1*2", 106, "12"}, {"12*", 56, "12"},
      {"-5", 189, "-5"},    {"1.5", 190, "1.5"}, {"1E-5", 53, "1E-5"}, {"1 2", 32, "12"},
  };
  for (const auto& c : cases) {
    Key(f->P1MinEdit, c.typed, c.key);
    EXPECT_EQ(f->P1MinEdit->Text, c.kept) << c.typed;
  }
  // A property edit of the Norm column reports a change without a key.
  f->SGNormEdit->Text = "0.9x";
  TIWEventParams p;
  p.Add("SGNormEdit", f->SGNormEdit->Text);
  p.Add("IW_Action", "SGNORMEDIT");
  f->SGNormEdit->OnAsyncChange(f->SGNormEdit, p);
  EXPECT_EQ(f->SGNormEdit->Text, "0.9");
}

TEST_F(Globe, TypingFillsThePropertiesAndEnterCalculates) {
  Key(f->P1NormEdit, "100", 48);
  EXPECT_EQ(f->SGNormEdit->Text, "1");  // water's properties follow the inlet pressure
  f->P2NormEdit->Text = "50";
  f->TempNormEdit->Text = "60";
  f->FlowNormEdit->Text = "10";
  // Typing in a Min property edit leaves the user's value alone.
  Condition(0, "100", "50", "60", "10");
  Key(f->SGminEdit, "1.2", 50);
  EXPECT_EQ(f->SGminEdit->Text, "1.2");
  f->Calls.clear();
  Key(f->FlowNormEdit, "10", 13);
  EXPECT_EQ(Calculated(), (std::vector<int>{0, 1}));
}
