#pragma once
// The sheet inputs of one everyday sizing, shared by the tests that fill the report: water through
// a sliding gate valve in gpm and psig, three service conditions. Each test sets what it checks.
#include "webapp/SizingReport.h"

namespace webtest {

inline webapp::TSizingReportInputs WaterOnSlidingGate() {
  webapp::TSizingReportInputs In;
  In.VersionDate = "10/01/2026";
  In.Prefs.Name = "A. Engineer";
  In.Prefs.Email = "a@example.com";
  In.ValveLine = In.Valvetype = In.ValveTypeText = "Sliding Gate";
  In.FluidState = "Liquid";
  In.FluidName = "Water";
  In.SelectedFlowUnit = "gpm";
  In.SessionCalcForCv = true;
  In.ActualDeltaP = {"50", "60", "70"};
  In.PressureUnit = "psig";
  In.Customer = "Acme";
  In.LineItem = "7";
  In.CvText = "28";
  In.Flow = {"10", "20", "30"};
  In.P1 = {"100", "110", "120"};
  In.P2 = {"50", "50", "50"};
  In.Temp = {"60", "61", "62"};
  In.VP = {"0.26", "0.27", "0.28"};
  In.CP = {"3206", "3206", "3206"};
  In.SG = {"1", "1", "1"};
  In.Visc = {"1.1", "1.2", "1.3"};
  In.TempUnit = "°F";
  In.DownDiam = "2.00 in";
  In.Schedule = "40";
  return In;
}

}  // namespace webtest
