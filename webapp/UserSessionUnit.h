#pragma once
// The per-browser-session object: reference tables, report components and all sizing state.
// Handlers and calculations reach it through UserSession() (ServerController.h) and read and
// write its fields directly.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/web/Application.h"
#include "webapp/StringVar.h"

struct TPrefs {
  std::string Name;
  bool NameApply = false;
  std::string Email;
  bool EmailApply = false;
  std::string Company;
  bool CompanyApply = false;
  std::string Contact;
  bool ContactApply = false;
  std::string RepDate;
  bool RepDateApply = false;
};

// A fluid library as parallel lists, one entry per fluid.
struct TMatData {
  StringList Name, SG, CritPress, CritTemp, Visc, SpecHeat, VapPress, Temperature, Compress,
      NonAmbient, Superheatfactor, Fluid, Scale;
};

struct TMaterial {
  std::string Name;
  double SG = 0, CritPress = 0, CritTemp = 0, Visc = 0, SpecHeat = 0, VapPress = 0,
         Temperature = 0, Compress = 0;
  bool NonAmbient = false;
  double Superheatfactor = 0;
  std::string State;  // "Liquid", "Gas" or "Steam"
};

class TIWUserSession : public web::TIWUserSessionBase {
public:
  TIWUserSession();
  ~TIWUserSession() override;

  // ---- Owned components (reference tables, report template and its PDF filter,
  //      table of valid options) ----
  // REFERENCE-TABLES-BEGIN
  // REFERENCE-TABLES-END

  // ---- Sizing state, in declaration order ----
  std::string Version;
  std::string VersionDate;
  TPrefs Prefs;
  std::string amessage;
  std::string Valvetype;
  std::string ValveLine;
  bool Lintaper = false;
  TMatData LiqMatData, GasMatData, SteamMatData;
  TMaterial SelectedFluidData;
  std::string SelectedFluid;
  std::string SelectedCv;
  std::string SelectedPunit;
  std::string SelectedTempunit;
  std::array<double, 3> SelectedTemps{};
  std::array<double, 3> Superheatthreshhold{};
  std::array<double, 3> SHthreshholdF{};
  std::array<std::string, 3> ActualDeltaP;
  std::string SelectedFlowUnit;
  float SelectedSize = 0;
  float SelectedPRF = 0;
  std::string SelectedSchedule;
  bool CalcForCv = false;
  int identity = 0;
  int ValveID = 0;  // 1 sliding gate, 2 globe, 3 low flow
  bool GageP = false;
  bool FpError = false;
  TMaterial NonAmbientData;
  bool RecursiveFL = false;
  bool Linkeddiams = false;
  StringList PreferenceList;
  bool Loadpreset = false, Saveloaded = false, AutoloadFluids = false, AutoloadAdvTools = false,
       SuppressWarnings = false;
  bool AutoLoadFlag = false;
  std::string PresetString;
  bool UserMaterialLoaded = false;
  StringList UserMaterialList, AllcookiesList, CustomIndex, CustomMaterial, CustomFluid,
      CustomTemp, CustomScale, CustomVPorSH, CustomCPorComp, CustomVisc, CustomSG, CustomValveID;
  bool CvLessThanMsg = false;
  double DebugvalNew = 0, DebugvalOld = 0;
  double temptravel = 0;
  double MinCalcCv = 0, NormCalcCv = 0, MaxCalcCv = 0;
  double Minflow = 0, Normflow = 0, Maxflow = 0;
  double ListCv = 0;
  std::vector<double> Mingraphflow, Normgraphflow, Maxgraphflow;
  std::uint8_t Graphcount = 0;
  std::string DebugStr;
  std::string Division;
  StringList graphtestList;
  double MinTrimFlow = 0, NormTrimFlow = 0, MaxTrimFlow = 0;
  double Mincapcv = 0, Normcapcv = 0, Maxcapcv = 0;
  double LFminnomCv = 0, LFnormnomCv = 0, LFmaxnomCv = 0;
  bool MinCol = false, NormCol = false, MaxCol = false;
  double ValidOptionsP1 = 0, ValidOptionsDPMax = 0, ValidOptionsP2 = 0;
  std::unique_ptr<rt::TStringList> ModelList, FunctionList;  // created with the sizing form
  int ColumnSet = 0;  // complete input columns: 1 Min, 2 Norm, 4 Max
  StringList DebugList;
};
