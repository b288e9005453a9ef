#pragma once
// The per-browser-session object: reference tables, report components and all sizing state.
// Handlers and calculations reach it through UserSession() (ServerController.h) and read and
// write its fields directly.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/DBClient.h"
#include "platform/data/MemTable.h"
#include "platform/rt/Classes.h"
#include "platform/web/Application.h"
#include "report/pdf/repExportPDF.h"
#include "webapp/StringVar.h"

class TrepReport;

// The reference table of that name, compiled into the program and parsed once for the whole
// process on first use (safe from any thread); EDatabaseError for an unknown name.
std::shared_ptr<const data::TTable> ReferenceTable(const std::string& name);

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

// Folder of the content the program serves and reads at run time ("wwwroot" unless the program
// is started with another); set once at start-up, before the first session is made.
const std::string& ContentFolder();
void SetContentFolder(std::string folder);
// The table of valid options: "ValidOptions.csv" in the content folder's "files" folder.
std::string ValidOptionsFileName();

// The session's own copy of the sizing template, read from the process's parsed copy when it
// is first reached: a session that never reports pays nothing for it. It reads like the owning
// pointer it stands for (->, *, comparison with nullptr, conversion to TrepReport*).
class TSessionReport {
public:
  TSessionReport();
  ~TSessionReport();
  TSessionReport(const TSessionReport&) = delete;
  TSessionReport& operator=(const TSessionReport&) = delete;

  // The copy, read on the first call; never nullptr.
  TrepReport* get() const;
  TrepReport* operator->() const { return get(); }
  TrepReport& operator*() const { return *get(); }
  operator TrepReport*() const { return get(); }
  // Whether the copy has been read yet.
  bool Loaded() const { return FReport != nullptr; }

  friend bool operator==(const TSessionReport& A, std::nullptr_t) { return A.get() == nullptr; }
  friend bool operator==(const TSessionReport& A, const TSessionReport& B) { return A.get() == B.get(); }
  friend bool operator==(const TSessionReport& A, const TrepReport* B) { return A.get() == B; }

private:
  mutable std::unique_ptr<TrepReport> FReport;
};

class TIWUserSession : public web::TIWUserSessionBase {
public:
  TIWUserSession();
  ~TIWUserSession() override;
  TIWUserSession(const TIWUserSession&) = delete;
  TIWUserSession& operator=(const TIWUserSession&) = delete;

  // ---- Owned components (reference tables, report template and its PDF filter,
  //      table of valid options) ----
  // REFERENCE-TABLES-BEGIN
  // Reference tables: each a private cursor over rows shared by all sessions, opened on its
  // first record. The persistent field objects (dataset name + field name) read the current
  // record of their dataset; SeriesATrimDataSet is read through FieldByName only.
  data::TClientDataSet LiquidDataSet;
  data::TField LiquidDataSetDISPLAY_NA{LiquidDataSet, "DISPLAY_NA"},
      LiquidDataSetSG_LIQ{LiquidDataSet, "SG_LIQ"},
      LiquidDataSetCRIT_PRES{LiquidDataSet, "CRIT_PRES"},
      LiquidDataSetCRIT_TEMP{LiquidDataSet, "CRIT_TEMP"}, LiquidDataSetVISC{LiquidDataSet, "VISC"},
      LiquidDataSetSPEC_HEAT{LiquidDataSet, "SPEC_HEAT"},
      LiquidDataSetVAP_PRES{LiquidDataSet, "VAP_PRES"},
      LiquidDataSetAMB_TEMP{LiquidDataSet, "AMB_TEMP"};
  data::TClientDataSet GasDataSet;
  data::TField GasDataSetDISPLAY_NA{GasDataSet, "DISPLAY_NA"},
      GasDataSetSG_GAS{GasDataSet, "SG_GAS"}, GasDataSetCRIT_PRES{GasDataSet, "CRIT_PRES"},
      GasDataSetCRIT_TEMP{GasDataSet, "CRIT_TEMP"}, GasDataSetDENSITY{GasDataSet, "DENSITY"},
      GasDataSetMPA_S{GasDataSet, "MPA_S"}, GasDataSetVISC{GasDataSet, "VISC"},
      GasDataSetSPEC_HEAT{GasDataSet, "SPEC_HEAT"}, GasDataSetVAP_PRES{GasDataSet, "VAP_PRES"},
      GasDataSetAMB_TEMP{GasDataSet, "AMB_TEMP"}, GasDataSetCOMPRESS{GasDataSet, "COMPRESS"};
  data::TClientDataSet PressureDataSet;
  data::TField PressureDataSetLABEL{PressureDataSet, "LABEL"},
      PressureDataSetPMF{PressureDataSet, "PMF"}, PressureDataSetUNITS{PressureDataSet, "UNITS"};
  data::TClientDataSet LiqFlowDataSet;
  data::TField LiqFlowDataSetLABEL{LiqFlowDataSet, "LABEL"},
      LiqFlowDataSetFMF{LiqFlowDataSet, "FMF"}, LiqFlowDataSetSHLABEL{LiqFlowDataSet, "SHLABEL"};
  data::TClientDataSet GasFlowDataSet;
  data::TField GasFlowDataSetLABEL{GasFlowDataSet, "LABEL"},
      GasFlowDataSetFMF{GasFlowDataSet, "FMF"}, GasFlowDataSetSHLABEL{GasFlowDataSet, "SHLABEL"};
  data::TClientDataSet CavTrimDataSet;
  data::TField CavTrimDataSetSIZE{CavTrimDataSet, "SIZE"}, CavTrimDataSetCV{CavTrimDataSet, "CV"},
      CavTrimDataSetPRF{CavTrimDataSet, "PRF"}, CavTrimDataSetNUMHOLES{CavTrimDataSet, "NUMHOLES"},
      CavTrimDataSetHOLESIZE{CavTrimDataSet, "HOLESIZE"};
  data::TClientDataSet GlobeDataSet;
  data::TField GlobeDataSetSIZE{GlobeDataSet, "SIZE"}, GlobeDataSetCV{GlobeDataSet, "CV"},
      GlobeDataSetPRF{GlobeDataSet, "PRF"}, GlobeDataSetNUMHOLES{GlobeDataSet, "NUMHOLES"},
      GlobeDataSetHOLESIZE{GlobeDataSet, "HOLESIZE"};
  data::TClientDataSet KXCDataSet;
  data::TField KXCDataSetSIZE{KXCDataSet, "SIZE"}, KXCDataSetCV{KXCDataSet, "CV"},
      KXCDataSetPRF{KXCDataSet, "PRF"}, KXCDataSetNUMHOLES{KXCDataSet, "NUMHOLES"},
      KXCDataSetHOLESIZE{KXCDataSet, "HOLESIZE"};
  data::TClientDataSet KXSDataSet;
  data::TField KXSDataSetSIZE{KXSDataSet, "SIZE"}, KXSDataSetCV{KXSDataSet, "CV"},
      KXSDataSetPRF{KXSDataSet, "PRF"}, KXSDataSetNUMHOLES{KXSDataSet, "NUMHOLES"},
      KXSDataSetHOLESIZE{KXSDataSet, "HOLESIZE"};
  data::TClientDataSet SeriesELinTrimDataSet;
  data::TField fltfldSeriesELinTrimDataSetSIZE{SeriesELinTrimDataSet, "SIZE"},
      fltfldSeriesELinTrimDataSetCV{SeriesELinTrimDataSet, "CV"},
      fltfldSeriesELinTrimDataSetPRF{SeriesELinTrimDataSet, "PRF"},
      fltfldSeriesELinTrimDataSetNUMHOLES{SeriesELinTrimDataSet, "NUMHOLES"},
      fltfldSeriesELinTrimDataSetHOLESIZE{SeriesELinTrimDataSet, "HOLESIZE"};
  data::TClientDataSet SeriesEEqTrimDataSet;
  data::TField fltfldSeriesEEqTrimDataSetSIZE{SeriesEEqTrimDataSet, "SIZE"},
      fltfldSeriesEEqTrimDataSetCV{SeriesEEqTrimDataSet, "CV"},
      fltfldSeriesEEqTrimDataSetPRF{SeriesEEqTrimDataSet, "PRF"},
      fltfldSeriesEEqTrimDataSetNUMHOLES{SeriesEEqTrimDataSet, "NUMHOLES"},
      fltfldSeriesEEqTrimDataSetHOLESIZE{SeriesEEqTrimDataSet, "HOLESIZE"};
  data::TClientDataSet SeriesCLinTrimDataSet;
  data::TField SeriesCLinTrimDataSetSIZE{SeriesCLinTrimDataSet, "SIZE"},
      SeriesCLinTrimDataSetCV{SeriesCLinTrimDataSet, "CV"},
      SeriesCLinTrimDataSetPRF{SeriesCLinTrimDataSet, "PRF"},
      SeriesCLinTrimDataSetNUMHOLES{SeriesCLinTrimDataSet, "NUMHOLES"},
      SeriesCLinTrimDataSetHOLESIZE{SeriesCLinTrimDataSet, "HOLESIZE"};
  data::TClientDataSet SeriesCEqTrimDataSet;
  data::TField SeriesCEqTrimDataSetSIZE{SeriesCEqTrimDataSet, "SIZE"},
      SeriesCEqTrimDataSetCV{SeriesCEqTrimDataSet, "CV"},
      SeriesCEqTrimDataSetPRF{SeriesCEqTrimDataSet, "PRF"},
      SeriesCEqTrimDataSetNUMHOLES{SeriesCEqTrimDataSet, "NUMHOLES"},
      SeriesCEqTrimDataSetHOLESIZE{SeriesCEqTrimDataSet, "HOLESIZE"};
  data::TClientDataSet SeriesFLinTrimDataSet;
  data::TField SeriesFLinTrimDataSetSIZE{SeriesFLinTrimDataSet, "SIZE"},
      SeriesFLinTrimDataSetCV{SeriesFLinTrimDataSet, "CV"},
      SeriesFLinTrimDataSetPRF{SeriesFLinTrimDataSet, "PRF"},
      SeriesFLinTrimDataSetNUMHOLES{SeriesFLinTrimDataSet, "NUMHOLES"},
      SeriesFLinTrimDataSetHOLESIZE{SeriesFLinTrimDataSet, "HOLESIZE"};
  data::TClientDataSet SeriesFEqTrimDataSet;
  data::TField SeriesFEqTrimDataSetSIZE{SeriesFEqTrimDataSet, "SIZE"},
      SeriesFEqTrimDataSetCV{SeriesFEqTrimDataSet, "CV"},
      SeriesFEqTrimDataSetPRF{SeriesFEqTrimDataSet, "PRF"},
      SeriesFEqTrimDataSetNUMHOLES{SeriesFEqTrimDataSet, "NUMHOLES"},
      SeriesFEqTrimDataSetHOLESIZE{SeriesFEqTrimDataSet, "HOLESIZE"};
  data::TClientDataSet SeriesDTrimDataSet;
  data::TField SeriesDTrimDataSetSIZE{SeriesDTrimDataSet, "SIZE"},
      SeriesDTrimDataSetCV{SeriesDTrimDataSet, "CV"},
      SeriesDTrimDataSetPRF{SeriesDTrimDataSet, "PRF"},
      SeriesDTrimDataSetNUMHOLES{SeriesDTrimDataSet, "NUMHOLES"},
      SeriesDTrimDataSetHOLESIZE{SeriesDTrimDataSet, "HOLESIZE"};
  data::TClientDataSet SeriesBTrimDataSet;
  data::TField SeriesBTrimDataSetSIZE{SeriesBTrimDataSet, "SIZE"},
      SeriesBTrimDataSetCV{SeriesBTrimDataSet, "CV"},
      SeriesBTrimDataSetPRF{SeriesBTrimDataSet, "PRF"},
      SeriesBTrimDataSetNUMHOLES{SeriesBTrimDataSet, "NUMHOLES"},
      SeriesBTrimDataSetHOLESIZE{SeriesBTrimDataSet, "HOLESIZE"};
  data::TClientDataSet SeriesATrimDataSet;
  data::TClientDataSet SteamDataSet;
  data::TField SteamDataSetASTPABS{SteamDataSet, "ASTPABS"},
      SteamDataSetASTPGAUGE{SteamDataSet, "ASTPGAUGE"},
      SteamDataSetASTTEMP{SteamDataSet, "ASTTEMP"};
  data::TClientDataSet AirPropsDataSet;
  data::TField AirPropsDataSetDEGREESF{AirPropsDataSet, "DEGREESF"},
      AirPropsDataSetVISC{AirPropsDataSet, "VISC"};
  data::TClientDataSet WaterPropsDataSet;
  data::TField WaterPropsDataSetDEGREESF{WaterPropsDataSet, "DEGREESF"},
      WaterPropsDataSetVP{WaterPropsDataSet, "VP"},
      WaterPropsDataSetVISC{WaterPropsDataSet, "VISC"},
      WaterPropsDataSetSG{WaterPropsDataSet, "SG"};
  data::TClientDataSet LinCvDataSet;
  data::TField LinCvDataSetSIZE{LinCvDataSet, "SIZE"}, LinCvDataSetCV{LinCvDataSet, "CV"},
      LinCvDataSetPRF{LinCvDataSet, "PRF"}, LinCvDataSetNUMSLOTS{LinCvDataSet, "NUMSLOTS"},
      LinCvDataSetSLOT_H{LinCvDataSet, "SLOT_H"}, LinCvDataSetSLOT_L{LinCvDataSet, "SLOT_L"};
  data::TClientDataSet EqCvDataSet;
  data::TField EqCvDataSetSIZE{EqCvDataSet, "SIZE"}, EqCvDataSetCV{EqCvDataSet, "CV"},
      EqCvDataSetPRF{EqCvDataSet, "PRF"}, EqCvDataSetNUMSLOTS{EqCvDataSet, "NUMSLOTS"},
      EqCvDataSetSLOT_H{EqCvDataSet, "SLOT_H"}, EqCvDataSetSLOT_L{EqCvDataSet, "SLOT_L"};
  data::TClientDataSet SeriesGHTrimDataSet;
  data::TField SeriesGHTrimDataSetSIZE{SeriesGHTrimDataSet, "SIZE"},
      SeriesGHTrimDataSetCV{SeriesGHTrimDataSet, "CV"},
      SeriesGHTrimDataSetPRF{SeriesGHTrimDataSet, "PRF"},
      SeriesGHTrimDataSetNUMHOLES{SeriesGHTrimDataSet, "NUMHOLES"},
      SeriesGHTrimDataSetHOLESIZE{SeriesGHTrimDataSet, "HOLESIZE"};
  data::TClientDataSet TQACDataSet;
  data::TField TQACDataSetSIZE{TQACDataSet, "SIZE"}, TQACDataSetCV{TQACDataSet, "CV"},
      TQACDataSetPRF{TQACDataSet, "PRF"}, TQACDataSetNUMHOLES{TQACDataSet, "NUMHOLES"},
      TQACDataSetHOLESIZE{TQACDataSet, "HOLESIZE"};
  data::TClientDataSet TQBCDataSet;
  data::TField TQBCDataSetSIZE{TQBCDataSet, "SIZE"}, TQBCDataSetCV{TQBCDataSet, "CV"},
      TQBCDataSetPRF{TQBCDataSet, "PRF"}, TQBCDataSetNUMHOLES{TQBCDataSet, "NUMHOLES"},
      TQBCDataSetHOLESIZE{TQBCDataSet, "HOLESIZE"};
  data::TClientDataSet TQCVLinDataSet;
  data::TField TQCVLinDataSetSIZE{TQCVLinDataSet, "SIZE"}, TQCVLinDataSetCV{TQCVLinDataSet, "CV"},
      TQCVLinDataSetPRF{TQCVLinDataSet, "PRF"}, TQCVLinDataSetNUMHOLES{TQCVLinDataSet, "NUMHOLES"},
      TQCVLinDataSetHOLESIZE{TQCVLinDataSet, "HOLESIZE"};
  data::TClientDataSet TQCVEqDataSet;
  data::TField TQCVEqDataSetSIZE{TQCVEqDataSet, "SIZE"}, TQCVEqDataSetCV{TQCVEqDataSet, "CV"},
      TQCVEqDataSetPRF{TQCVEqDataSet, "PRF"}, TQCVEqDataSetNUMHOLES{TQCVEqDataSet, "NUMHOLES"},
      TQCVEqDataSetHOLESIZE{TQCVEqDataSet, "HOLESIZE"};
  data::TClientDataSet TQACPMDataSet;
  data::TField TQACPMDataSetSIZE{TQACPMDataSet, "SIZE"}, TQACPMDataSetCV{TQACPMDataSet, "CV"},
      TQACPMDataSetPRF{TQACPMDataSet, "PRF"}, TQACPMDataSetNUMHOLES{TQACPMDataSet, "NUMHOLES"},
      TQACPMDataSetHOLESIZE{TQACPMDataSet, "HOLESIZE"};
  data::TClientDataSet TQBCPMDataSet;
  data::TField TQBCPMDataSetSIZE{TQBCPMDataSet, "SIZE"}, TQBCPMDataSetCV{TQBCPMDataSet, "CV"},
      TQBCPMDataSetPRF{TQBCPMDataSet, "PRF"}, TQBCPMDataSetNUMHOLES{TQBCPMDataSet, "NUMHOLES"},
      TQBCPMDataSetHOLESIZE{TQBCPMDataSet, "HOLESIZE"};


  // The sizing report's template: the session's own copy of the program's template, read when
  // first reached.
  TSessionReport VXCVrep1;
  TrepPDFExport repPDFExport2;      // PDF export filter of the report, with its stored settings

  // Table of valid options and the batch move that fills it.
  data::TFDMemTable FDMemTable1;
  data::TFDBatchMove FDBatchMove1;
  data::TFDBatchMoveTextReader FDBatchMoveTextReader1;
  data::TFDBatchMoveDataSetWriter FDBatchMoveDataSetWriter1;
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
