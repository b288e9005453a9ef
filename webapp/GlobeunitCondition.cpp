// The sizing form's calculation of one service condition (Min, Norm or Max) and its column of
// the results grid.
#include <cmath>
#include <string>

#include "calc/LFTest.h"
#include "calc/MiscCalcs.h"
#include "calc/NoiseFunctions.h"
#include "calc/Velocity_and_noise.h"
#include "calc/utilities.h"
#include "platform/rt/SysUtils.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"

using namespace web;

namespace {

const char* const ConditionName[3] = {"Min", "Norm", "Max"};
const char* const CrLf = "\r\n";
const char* const VelocityUnits = "ft/sec. (m/sec.)";
const char* const NoSchedules = "No available schedules";

// Every number the grid shows goes through here, so that a value the calculation could not
// produce never reaches the page as "NAN" or "INF".
double Shown(double x, const char* what) {
  if (!std::isfinite(x)) throw rt::EInvalidOp(std::string("The ") + what + " could not be calculated");
  return x;
}

std::string Fixed(double x, int precision, int digits, const char* what) {
  return rt::FloatToStrF(Shown(x, what), rt::ffFixed, precision, digits);
}

double EditNumber(const TIWEdit* e) { return rt::StrToFloat(e->Text); }

// Pipe size text as inches: "2.00 in" and "2" both read as 2.
double Diameter(const TIWEdit* e) {
  double d = 0;
  if (!globe::ReadDiameter(e->Text, d)) throw rt::EConvertError("'" + e->Text + "' is not a valid pipe size");
  return d;
}

}  // namespace

// Units of the condition's inputs, shared by both kinds of calculation.
struct TGlobemain::TConditionUnits {
  double PMF = 1;
  std::string PressureUnit;
  double FMF = 1;
  std::string FlowLabel;  // LABEL of the flow unit's row (gas: "Act..." is an actual flow)
  std::string FlowShort;  // short label of the flow unit
  std::string State;      // "Liquid", "Gas" or "Steam"
};

namespace {

// Flow factor after the actual-flow and mass-unit corrections.
double AdjustedFlowFactor(const TGlobemain::TConditionUnits& u, double P1, double SG, const std::string& flowComboText) {
  double fmf = u.FMF;
  if (u.State == "Steam") return flowComboText == "Pounds per Hour" ? 1.0 : 2.204622128382255;
  if (u.State == "Gas" && u.FlowLabel.rfind("Act", 0) == 0) fmf = ToStandardFlow(fmf, P1, 60);
  if (u.FlowShort == "lbs/hr" || u.FlowShort == "kg/hr") fmf = checked::Div(fmf, SG, "specific gravity");
  return fmf;
}

}  // namespace

void TGlobemain::CalculateCondition(int Condition) {
  TIWUserSession* S = UserSession();
  const size_t ci = static_cast<size_t>(Condition);
  const int col = Condition + 2;

  // ---- Preparation ----
  CountConditions();
  ValidLabel->Visible = false;
  ValidMainRegion->Visible = false;
  ValidMessageRegion->Visible = false;
  if (LinRB->Checked())
    S->Lintaper = true;
  else if (EQRB->Checked())
    S->Lintaper = false;
  S->GageP = GageRadButt->Checked();
  S->CalcForCv = CalcForCvButt->Checked();
  ChartBtn->Visible = S->ValveID != 3;
  Memo1->Visible = false;
  S->CvLessThanMsg = false;
  S->SelectedSchedule = SchedComboBox->Text();

  LayoutResultsGrid();
  TIWGrid& g = *ResultsGrid;
  for (auto [r, c] : {std::pair{1, 2}, {3, 2}, {1, 3}, {3, 3}}) g.Cell(r, c).BGColor = clWhite;

  TConditionUnits u;
  u.State = S->SelectedFluidData.State;
  S->PressureDataSet.SetRecNo(P1Combo->ItemIndex + 1);
  u.PMF = S->PressureDataSetPMF.AsFloat();
  u.PressureUnit = S->PressureDataSetUNITS.AsString();
  const int n = FlowCombo->ItemIndex + 1 == 0 ? 1 : FlowCombo->ItemIndex + 1;
  if (u.State == "Liquid") {
    S->LiqFlowDataSet.SetRecNo(n);
    u.FMF = S->LiqFlowDataSetFMF.AsFloat();
    u.FlowLabel = S->LiqFlowDataSetLABEL.AsString();
    u.FlowShort = S->LiqFlowDataSetSHLABEL.AsString();
  } else if (u.State == "Gas") {
    S->GasFlowDataSet.SetRecNo(n);
    u.FMF = S->GasFlowDataSetFMF.AsFloat();
    u.FlowLabel = S->GasFlowDataSetLABEL.AsString();
    u.FlowShort = S->GasFlowDataSetSHLABEL.AsString();
  } else {
    u.FlowShort = FlowCombo->Text() == "Pounds per Hour" ? "lbs/hr" : "kg/hr";
  }

  g.Cell(2, 1).Text = PressureUnitLabel(u.PressureUnit, false, true);
  if (!CalcForCvButt->Checked()) g.Cell(1, 1).Text = u.FlowShort;
  S->SelectedFlowUnit = u.FlowShort;

  FConditionNotes[ci].Clear();
  FConditionFailed[ci] = false;
  FConditionError[ci].clear();
  try {
    if (S->ValveID == 1 || S->ValveID == 2)
      CalculateGateGlobe(Condition, u);
    else
      CalculateLowFlow(Condition, u);
  } catch (const std::exception& e) {
    // The other conditions go on; this one's column says that it has no result.
    FConditionFailed[ci] = true;
    FConditionError[ci] = e.what();
    FConditionNotes[ci].Clear();
    for (int r = 1; r < g.RowCount(); ++r) {
      g.Cell(r, col).Text = "NA";
      g.Cell(r, col).BGColor = r == 1 || r == 3 ? clWhite : clNone;
    }
    // Said once, for the Calculate the user asked for, not again for every recalculation.
    if (FReportEntries)
      Application().ShowMessage(std::string("The ") + ConditionName[Condition] +
                                " condition could not be calculated:" + CrLf + e.what());
  }

  // ---- Notes of every condition calculated so far in this Calculate ----
  if (S->ValveID == 2 && S->CvLessThanMsg) FConditionNotes[ci].Include(CvLessThan);
  const bool calculated[3] = {S->MinCol, S->NormCol, S->MaxCol};
  LFmemonotes.Clear();
  for (int i = 0; i < 3; ++i)
    if (calculated[i] || i == Condition)
      for (Memonote m : {Sonic, CvLessThan, CvGreaterThan, LFCalcNote, LFoutofrange})
        if (FConditionNotes[static_cast<size_t>(i)].Contains(m)) LFmemonotes.Include(m);
  ShowSizingNotes(LFmemonotes);
}

void TGlobemain::CalculateGateGlobe(int Condition, const TGlobemain::TConditionUnits& u) {
  TIWUserSession* S = UserSession();
  TIWGrid& g = *ResultsGrid;
  const size_t ci = static_cast<size_t>(Condition);
  const int col = Condition + 2;
  const bool cvMode = CalcForCvButt->Checked();
  const bool liquid = u.State == "Liquid", gas = u.State == "Gas";

  // Trim geometry of the selected trim row, for the noise of water through a known trim.
  int trimKind = 0;
  double holes = 0, slots = 0, slotH = 0, slotL = 0;
  if (liquid && S->SelectedFluid == "Water" && CurrentTrimTable && CurrentTrimTable->RecNo() > 0 &&
      CurrentTrimTable->FieldCount() > 3) {
    const std::string fourth = CurrentTrimTable->Fields(3).FieldName();
    if (S->ValveLine == "Sliding Gate") {
      trimKind = 1;
      if (fourth == "NUMSLOTS") {
        slots = CurrentTrimTable->FieldByName("NUMSLOTS").AsFloat();
        slotH = CurrentTrimTable->FieldByName("SLOT_H").AsFloat();
        slotL = CurrentTrimTable->FieldByName("SLOT_L").AsFloat();
      }
    } else {
      trimKind = 2;
      // The noise method needs only to know that the trim has holes, not their size.
      if (fourth == "NUMHOLES" && S->SelectedSize >= 1.5) holes = CurrentTrimTable->FieldByName("NUMHOLES").AsFloat();
    }
  }

  const double upDiam = Diameter(UpDiamEdit), downDiam = Diameter(DownDiamEdit);
  Tsched sched;
  sched.SetDownPipeDiam(downDiam);
  sched.SetUpPipeDiam(upDiam);
  const int inIndex = sched.Schedindex(), outIndex = sched.Schedindexdown();

  TCvCalc c;
  c.Graphresult = Graphresult;
  c.SetGraphcount(20);
  c.SetMNM(static_cast<std::uint8_t>(Condition));
  c.InTemp = static_cast<float>(S->SelectedTemps[ci]);
  c.PMF = u.PMF;
  const double offset = GageRadButt->Checked() ? 0 : 14.696;
  c.P1 = EditNumber(P1Edit(Condition)) * u.PMF - offset;
  c.P2 = EditNumber(P2Edit(Condition)) * u.PMF - offset;
  if (liquid) {
    c.Fluid = 1;
    c.SG = EditNumber(SGEdit(Condition));
    c.Visc = EditNumber(ViscEdit(Condition));
    c.VP = EditNumber(VPEdit(Condition)) * u.PMF;
    c.CP = EditNumber(CPEdit(Condition)) * u.PMF;
  } else if (gas) {
    c.Fluid = 2;
    c.SG = EditNumber(SGEdit(Condition));
    c.Visc = EditNumber(ViscEdit(Condition));
    c.SpecHeat = EditNumber(VPEdit(Condition));  // the VP edit shows k for gases
    c.Compress = EditNumber(CPEdit(Condition));  // and the CP edit Z
  } else {
    c.Fluid = 3;
    c.SpecHeat = 1;
    c.Compress = 1;
  }

  // The Design Cv edit, when filled in, is the rated Cv of a globe valve.
  const bool designCvShown = UsesDesignCv();
  if (cvMode) {
    if (CvCombo->Text() == "28 (Series H only)") {
      c.ListCv = 28;
    } else if (designCvShown) {
      c.ListCv = rt::StrToFloat(FLEdit->Text);
      DesignCv = true;
    } else {
      c.ListCv = rt::StrToFloat(CvCombo->Text());
      DesignCv = false;
    }
    c.Flow = EditNumber(FlowEdit(Condition));
    c.CalcforCv = true;
    (Condition == 0 ? S->Minflow : Condition == 1 ? S->Normflow : S->Maxflow) = c.Flow;
  } else {
    c.ListCv = EditNumber(FlowEdit(Condition));  // in flow mode the flow edits hold the rated Cv
    c.CalcforCv = false;
  }
  c.FMF = AdjustedFlowFactor(u, c.P1, c.SG, FlowCombo->Text());

  c.ValveSize = S->SelectedSize;
  if (S->Valvetype == "KXC" || S->Valvetype == "Series A")
    c.TabFe = 0.85;
  else if (S->Valvetype == "Sliding Gate")
    c.TabFe = S->SelectedPRF;
  else
    c.TabFe = 0.9;
  c.UpDiam = upDiam;
  c.DownDiam = downDiam;

  CheckPressures(Condition + 1, c.P1, c.P2);
  c.SetEQCv(EQRB->Checked());
  c.CalculateCv();
  // A run for the chart only fills the condition's curve; its grid column is the next plain
  // Calculate's.
  if (Graphresult) return;

  // Results, all worked out before the column is written.
  std::string cells[10];
  if (cvMode) {
    cells[1] = Fixed(c.CalculatedCv, 8, DisplayDecimals(c.CalculatedCv), "calculated Cv");
    if (c.CalculatedCv < 0.2) S->CvLessThanMsg = true;
  } else {
    cells[1] = Fixed(c.Flow, 8, DisplayDecimals(c.Flow), "flow");
    c.CalculatedCv = c.ListCv;
  }
  if (liquid) cells[2] = Fixed(c.Dpm / u.PMF, 8, 2, "maximum pressure drop");
  Shown(c.CalculatedCv, "calculated Cv");
  cells[3] = TravelPercent(S->Lintaper, true, c.CalculatedCv, c.ListCv);
  if (designCvShown) cells[3] += " of Cv " + FLEdit->Text;

  const std::string schedule = SchedComboBox->Text();
  const bool haveSchedule = schedule != NoSchedules && SchedComboBox->ItemIndex >= 0;
  // The base flow: gpm, SCFH or lb/h.
  const double Q = Shown((cvMode ? EditNumber(FlowEdit(Condition)) : c.Flow) * c.FMF, "flow");
  if (haveSchedule) {
    double vIn = PipeVelocity(inIndex, schedule, c.GVFp1, Q);
    double vOut = PipeVelocity(outIndex, schedule, c.GVF, Q);
    if (!liquid && !gas) {
      // Steam: the density term gives ft³/h per gpm-equivalent already.
      if (vIn >= 0) vIn /= 8.0208542;
      if (vOut >= 0) vOut /= 8.0208542;
    }
    cells[4] = VelocityText(vIn);
    cells[5] = VelocityText(vOut);
  } else {
    cells[4] = cells[5] = "NA";
  }

  if (liquid && (holes != 0 || slots != 0)) {
    cells[6] = LiquidNoiseText(HydrodynamicNoise(
        schedule, trimKind, static_cast<int>(std::lround(slots)), c.Prf, slotL, slotH, S->SelectedSize,
        downDiam, c.ListCv, c.CalculatedCv, Q, c.P1 + 14.696, c.P2 + 14.696, c.VP, c.SG));
  } else if (liquid) {
    cells[6] = LiquidNoiseText(LiquidNoiseByPressureRatio(
        c.P1, c.P2, c.CalculatedCv / c.ListCv * 100, c.ListCv,
        Sched40Attenuation(schedule, c.ValveSize), 0, 3));
  } else {
    const double cv = cvMode && c.CalculatedCv != 0 ? c.CalculatedCv : c.ListCv;
    cells[6] = GasNoiseText(NoiseWithPipeTables(schedule, c.ValveSize, cv, c.P1, c.P2));
  }
  cells[7] = Fixed(c.DeltaPoverP1(), 1, 2, "pressure ratio");
  cells[8] = c.FlowWarning;
  const bool gate = S->ValveLine == "Sliding Gate";
  if (gate) cells[9] = Fixed(liquid ? c.Prf : c.Xt, 1, 2, liquid ? "recovery factor" : "pressure ratio factor");

  if (Condition == 0) {
    S->ValidOptionsP1 = c.P1;
    S->ValidOptionsDPMax = c.Dpm;
    S->ValidOptionsP2 = c.P2;
  }

  // ---- The column ----
  g.Cell(1, col).Text = cells[1];
  // The maximum pressure drop is a liquid's; gases and steam say so rather than leave the row
  // blank under a pressure unit.
  g.Cell(2, col).Text = liquid ? cells[2] : "NA";
  if (!liquid) g.Cell(2, 1).Text.clear();
  g.Cell(3, col).Text = cells[3];
  g.Cell(4, 1).Text = g.Cell(5, 1).Text = haveSchedule ? VelocityUnits : "";
  g.Cell(4, col).Text = cells[4];
  g.Cell(5, col).Text = cells[5];
  g.Cell(6, col).Text = cells[6];
  g.Cell(7, col).Text = cells[7];
  g.Cell(8, col).Text = cells[8];
  if (gate && g.RowCount() > 9) g.Cell(9, col).Text = cells[9];
  if (c.FlowWarning == "*Sonic") FConditionNotes[static_cast<size_t>(Condition)].Include(Sonic);
}

void TGlobemain::CalculateLowFlow(int Condition, const TGlobemain::TConditionUnits& u) {
  TIWUserSession* S = UserSession();
  TIWGrid& g = *ResultsGrid;
  const int col = Condition + 2;
  const size_t ci = static_cast<size_t>(Condition);
  const bool cvMode = CalcForCvButt->Checked();
  Memonotes& notes = FConditionNotes[ci];
  double& nomCv = Condition == 0 ? S->LFminnomCv : Condition == 1 ? S->LFnormnomCv : S->LFmaxnomCv;
  double& trimFlow = Condition == 0 ? S->MinTrimFlow : Condition == 1 ? S->NormTrimFlow : S->MaxTrimFlow;
  double& capCv = Condition == 0 ? S->Mincapcv : Condition == 1 ? S->Normcapcv : S->Maxcapcv;
  // A condition that fails leaves nothing for the range checks of the others.
  nomCv = 0;
  if (cvMode) trimFlow = capCv = 0;

  TLowFlowParams p;
  p.InTemp = S->SelectedTemps[ci];
  p.PMF = u.PMF;
  const double offset = GageRadButt->Checked() ? 0 : 14.696;
  p.P1 = EditNumber(P1Edit(Condition)) * u.PMF - offset;
  p.P2 = EditNumber(P2Edit(Condition)) * u.PMF - offset;
  if (u.State == "Liquid") {
    p.Fluid = 1;
    p.Sg = EditNumber(SGEdit(Condition));
    p.Visc = EditNumber(ViscEdit(Condition));
    p.VP = S->SelectedFluidData.VapPress;
    p.CP = S->SelectedFluidData.CritPress;
  } else if (u.State == "Gas") {
    p.Fluid = 2;
    p.Sg = EditNumber(SGEdit(Condition));
    p.Visc = EditNumber(ViscEdit(Condition));
    p.SpecHeat = EditNumber(VPEdit(Condition));
    p.Compress = EditNumber(CPEdit(Condition));
  } else {
    p.Fluid = 3;
    p.SpecHeat = 1;
    p.Compress = 1;
    p.Sg = 1;
  }
  p.FMF = u.FMF;
  if (cvMode) {
    p.QQ = EditNumber(FlowEdit(Condition));
    p.CalcforCv = true;
  } else {
    p.Cv = rt::StrToFloat(CvCombo->Text());
    p.CalcforCv = false;
  }
  p.FMF = AdjustedFlowFactor(u, p.P1, p.Sg, FlowCombo->Text());

  CheckPressures(Condition + 1, p.P1, p.P2);
  const TLowFlowdata R1 = LowFlowCalc(p);
  double newTrimFlow = 0;
  if (cvMode) {
    TLowFlowParams q = p;
    q.CalcforCv = false;
    q.Cv = R1.CvNominal;
    newTrimFlow = LowFlowCalc(q).flow;
  }
  Shown(R1.CvNominal, "nominal Cv");
  Shown(R1.CalcCv, "calculated Cv");
  Shown(R1.flow, "flow");
  Shown(newTrimFlow, "flow of the trim");
  nomCv = R1.CvNominal;
  if (cvMode) {
    trimFlow = newTrimFlow;
    capCv = R1.CalcCv;
  }

  // ---- The column ----
  const bool notLowFlow = R1.FlowWarning == "Not Low Flow";
  if (cvMode) {
    if (Condition > 0) g.Cell(2, 0).Text = "Calculated Cv";
    g.Cell(1, 0).Text = "Nominal Cv";
    g.Cell(3, 0).Text = "Trim Code";
    g.Cell(4, 0).Text = "Capacity";
    for (int r = 1; r <= 3; ++r) g.Cell(r, 1).Text.clear();
    if (!notLowFlow) {
      g.Cell(1, col).Text = FormatNumber(8, DisplayDecimals(R1.CvNominal), R1.CvNominal);
      g.Cell(2, 0).Text.clear();
      g.Cell(2, col).Text.clear();
      g.Cell(3, col).Text = R1.TrimCode;
      LowFlowRangeChecks(Condition, R1);
    } else {
      for (int r = 1; r <= 3; ++r) g.Cell(r, col).Text.clear();
    }
    if (R1.CvTested != 0) {
      g.Cell(4, col).Text = rt::FloatToStrF(R1.CalcCv / R1.CvTested * 100, rt::ffFixed, 8, 1);
      g.Cell(4, 0).Text = "Capacity";
    } else {
      g.Cell(4, col).Text = "NA";
    }
  } else {
    g.Cell(1, 0).Text = "Calculated Flow";
    g.Cell(2, 0).Text.clear();
    g.Cell(2, 1).Text.clear();
    if (R1.FlowWarning != "Larger Cv req.") {
      g.Cell(1, col).Text = rt::FloatToStrF(R1.flow, rt::ffGeneral, 4, DisplayDecimals(R1.flow));
    } else {
      g.Cell(1, col).Text = "NA";
      g.Cell(2, col).Text.clear();
    }
    g.Cell(4, 0).Text.clear();
    g.Cell(2, col).Text.clear();
    g.Cell(3, 0).Text.clear();
    g.Cell(3, 1).Text.clear();
    g.Cell(3, col).Text.clear();
  }
  g.Cell(5, 0).Text = "Warnings";
  g.Cell(5, 1).Text.clear();
  g.Cell(5, col).Text = R1.FlowWarning;

  // The travel note explains a capacity over 100 % in the grid, for every condition alike. (A
  // nominal Cv below the calculated one is no such thing: the trim's tested Cv may still hold it.)
  if (cvMode && !notLowFlow && R1.CvTested != 0 && R1.CalcCv / R1.CvTested * 100 > 100) notes.Include(LFCalcNote);
  for (int k = 2; k <= 4; ++k) {
    if (g.Cell(5, k).Text == "*Choked Flow") notes.Include(Sonic);
    if (g.Cell(5, k).Text == "Not Low Flow") notes.Include(CvGreaterThan);
  }
}

// A trim chosen for a larger condition must also control the smaller ones within a turndown of
// 5; the smaller columns then show that trim, marked when it cannot.
void TGlobemain::LowFlowRangeChecks(int Condition, const TLowFlowdata& R) {
  TIWUserSession* S = UserSession();
  TIWGrid& g = *ResultsGrid;
  Memonotes& notes = FConditionNotes[static_cast<size_t>(Condition)];
  const std::string nominal = FormatNumber(8, DisplayDecimals(R.CvNominal), R.CvNominal);
  auto mark = [&](int r, int c, const std::string& text) {
    g.Cell(r, c).Text = text;
    g.Cell(r, c).BGColor = clYellow;
  };
  // A column counts when it was calculated in this Calculate and gave a result.
  auto usable = [&](int i, bool flag) { return flag && !FConditionFailed[static_cast<size_t>(i)]; };

  if (Condition == 1) {
    if (S->NormTrimFlow != 0 && usable(0, S->MinCol)) {
      if (S->NormTrimFlow / 5 >= S->MinTrimFlow) {
        mark(1, 2, "* " + nominal);
        mark(3, 2, "* " + R.TrimCode);
        notes.Include(LFoutofrange);
      } else {
        g.Cell(1, 2).Text = nominal;
        g.Cell(3, 2).Text = R.TrimCode;
      }
    }
  } else if (Condition == 2 && S->MaxTrimFlow != 0) {
    struct X {
      int Index;
      bool Flag;
      double TrimFlow, CapCv;
    } others[2] = {{1, S->NormCol, S->NormTrimFlow, S->Normcapcv},
                   {0, S->MinCol, S->MinTrimFlow, S->Mincapcv}};
    for (const X& x : others) {
      const int c = x.Index + 2;
      if (!x.Flag) {
        g.Cell(3, c).Text.clear();
        g.Cell(4, c).Text.clear();
        continue;
      }
      if (!usable(x.Index, x.Flag)) continue;
      const double capacity = x.CapCv / R.CvTested * 100;
      // The column now shows this trim's capacity; its own trim's travel note no longer applies.
      FConditionNotes[static_cast<size_t>(x.Index)].Exclude(LFCalcNote);
      if (S->MaxTrimFlow / 5 >= x.TrimFlow) {
        mark(1, c, "* " + nominal);
        mark(3, c, "* " + R.TrimCode);
        notes.Include(LFoutofrange);
        g.Cell(4, c).Text = rt::FloatToStrF(capacity, rt::ffFixed, 8, 1);
        if (capacity > 100) notes.Include(LFCalcNote);
      } else {
        g.Cell(1, c).Text = nominal;
        g.Cell(3, c).Text = R.TrimCode;
        if (capacity <= 100) {
          g.Cell(4, c).Text = rt::FloatToStrF(capacity, rt::ffFixed, 8, 1);
          g.Cell(4, c).BGColor = clNone;
        } else {
          std::string over = "*";
          over += rt::FloatToStrF(capacity, rt::ffFixed, 8, 1);
          mark(4, c, over);
          notes.Include(LFCalcNote);
        }
      }
    }
  }
}
