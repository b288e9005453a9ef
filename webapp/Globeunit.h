#pragma once
// The sizing form: valve, fluid, units and Min / Norm / Max service conditions in, results grid
// and warning notes out. Every render rebuilds the valve lists and recalculates.
#include <array>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/data/DBClient.h"
#include "platform/web/Application.h"

class TMemoFrame;
struct TLowFlowdata;
class TPrefForm;
class tFluid;
struct TMatData;
namespace sizing {
struct TSizingRecord;
}
namespace chart {
class TChart;
class TChartMetafile;
}
namespace webapp {
struct TSizingReportInputs;
}
class TIWUserSession;

// Warning notes a calculation collects for the notes memo under the results grid.
enum Memonote { Sonic, CvLessThan, CvGreaterThan, LFCalcNote, LFoutofrange };

class Memonotes {
public:
  Memonotes() = default;
  Memonotes(std::initializer_list<Memonote> notes) {
    for (Memonote n : notes) Include(n);
  }
  void Include(Memonote n) { FBits |= Bit(n); }
  void Exclude(Memonote n) { FBits &= ~Bit(n); }
  bool Contains(Memonote n) const { return (FBits & Bit(n)) != 0; }
  bool Empty() const { return FBits == 0; }
  void Clear() { FBits = 0; }
  unsigned Bits() const { return FBits; }  // Sonic is the lowest bit
  friend bool operator==(Memonotes a, Memonotes b) { return a.FBits == b.FBits; }

private:
  static unsigned Bit(Memonote n) { return 1u << static_cast<unsigned>(n); }
  unsigned FBits = 0;
};

// Texts of the notes memo.
extern const char* const NoteGasSonic;
extern const char* const NoteCvLessThan;
extern const char* const NoteTravel;
extern const char* const NoteNotLowFlow;
extern const char* const NoteOutOfRange;

// Numeric entry helpers shared by the form's handlers.
namespace globe {
// Keeps a text that reads as a number; otherwise drops every character but digits, '.' and '-'.
std::string FilterNumericText(const std::string& text);
// Pipe size text ("2.00 in") as inches; an empty text is 0 (no pipe given). False when the text
// is not a number.
bool ReadDiameter(const std::string& text, double& inches);
// Value of valueField interpolated at x over the rows ordered by keyField: between the nearest
// row at or above x and the row before it. Beyond the first or last row the end row's value is
// used. Leaves the dataset ordered by keyField and positioned on the row found.
double LookupInterpolated(data::TClientDataSet& table, const std::string& keyField,
                          const std::string& valueField, double x);
// Temperature in the display unit ("°F", "°C", "K") to °F and back.
double ToFahrenheit(double t, const std::string& unit);
double FromFahrenheit(double f, const std::string& unit);
// A pressure corrected by one psi, written in the user's unit with enough decimals that the
// correction survives the rounding (none for psi and smaller units).
std::string PressureText(double valueInUnit, double PMF);
}  // namespace globe

class TGlobemain : public web::TIWAppForm {
public:
  explicit TGlobemain(web::TIWApplication& app);
  ~TGlobemain() override;

  // ---- Page ----
  web::TIWMainMenu* TIWMainMenu1;
  web::TIWMenuItem *File1, *LoadUserfluids1, *SaveAsMenuItem, *LoadSizingMenuItem, *Report1,
      *Preferences1, *Guidelines1;
  web::TIWRegion* DataRegion1;
  web::TIWEdit* zentorblah;  // the page's hidden field
  web::TIWLabel* SizingRegionLabel;

  // ---- Valve selection ----
  web::TIWRadioButton *GateRB, *GlobeRB, *LowflowRB, *LFGlobeRB, *PLLowflowRB, *PLGlobeRB;
  web::TIWImageButton* InfoButton;
  web::TIWLabel* ValveTypeLabel;
  web::TIWComboBox* ValveTypeCombo;
  web::TIWRadioButton *LinRB, *EQRB;
  web::TIWLabel* ValveSizeLabel;
  web::TIWComboBox* SizeCombo;
  web::TIWLabel* CvLabel;
  web::TIWComboBox* CvCombo;
  web::TIWLabel* FLLabel;
  web::TIWEdit* FLEdit;
  web::TIWRadioButton *CalcForCvButt, *CalcForFlow;
  web::TIWLabel* Pipesizelabel;
  web::TIWEdit *UpDiamEdit, *DownDiamEdit;
  web::TIWCheckBox* LinkDiamsCB;
  web::TIWLabel* SchedLabel;
  web::TIWComboBox* SchedComboBox;

  // ---- Fluid and units ----
  web::TIWComboBox *FluidStateCombo, *FluidCombo;
  web::TIWComboBox *P1Combo, *TempUnitCombo, *FlowCombo;
  web::TIWRadioButton *GageRadButt, *AbsRadButt;
  web::TIWLabel *P1RowLabel, *P2RowLabel, *P2PressureLabel, *TempLabel, *FlowLabel;
  web::TIWLabel *FluidStateLabel, *FluidLabel, *PressModeLabel;
  web::TIWLabel *SGLabel, *ViscLabel, *VPorSpecheatLabel, *CPorCompressLabel;

  // ---- Service conditions, Min / Norm / Max ----
  web::TIWEdit *P1MinEdit, *P1NormEdit, *P1MaxEdit;
  web::TIWEdit *P2MinEdit, *P2NormEdit, *P2MaxEdit;
  web::TIWEdit *TempMinEdit, *TempNormEdit, *TempMaxEdit;
  web::TIWEdit *FlowMinEdit, *FlowNormEdit, *FlowMaxEdit;
  web::TIWEdit *SGminEdit, *SGNormEdit, *SGMaxEdit;
  web::TIWEdit *ViscMinEdit, *ViscNormEdit, *ViscMaxEdit;
  web::TIWEdit *VPMinEdit, *VPNormEdit, *VPMaxEdit;
  web::TIWEdit *CPMinEdit, *CPNormEdit, *CPMaxEdit;

  // ---- Identification ----
  web::TIWEdit *TagEdit, *NameEditBox, *CustEditBox, *LineEditBox;

  // ---- Results ----
  web::TIWButton* CalcButton;
  web::TIWImageButton* ChartBtn;
  web::TIWGrid* ResultsGrid;
  web::TIWMemo* Memo1;
  web::TIWLabel *SizingSugHeadLabel, *SizingSugLabel;
  web::TIWLabel* ValidLabel;
  web::TIWRegion *ValidMainRegion, *ValidMessageRegion;
  web::TIWGrid* ValidGrid;

  // ---- Chart panel (drawn by the chart action) ----
  web::TIWRegion* ChartRegion;
  web::TIWImage* IWImage4;
  web::TIWImageFile* ChartKeyImage;  // the line style of each condition
  web::TIWLabel *MinCvlabel, *NormCvlabel, *MaxCvlabel;
  web::TIWButton *ChartCloseBtn, *ChartPDFbtn;

  // ---- User fluid panel ----
  web::TIWRegion* UFRectangle;
  web::TIWLabel *UFTitle, *UFNameLabel, *UFSourceLabel;
  web::TIWEdit* UFNameEdit;
  web::TIWButton *UFApplyButt, *UFSaveButt, *UFCancelButt;

  // ---- Test buttons, never shown ----
  web::TIWButton *IWButton1, *IWButton2;

  // ---- Fields ----
  bool LFCalcCvdisplay = false;
  Memonotes LFmemonotes;
  std::string zentorload;
  std::string Minlabeltext, Normlabeltext, Maxlabeltext, MinCvlabeltext, NormCvlabeltext,
      MaxCvlabeltext;
  TPrefForm* fPrefForm = nullptr;
  TMemoFrame* Memoframe1 = nullptr;
  bool DesignCv = false;
  bool Graphresult = false;
  // The trim Cv table of the selected valve type and characteristic (a session dataset).
  data::TClientDataSet* CurrentTrimTable = nullptr;
  // Flow-unit names by fluid state, rebuilt on every render.
  std::vector<std::string> LiqFlowUnits, GasFlowUnits, SteamFlowUnits;

  // ---- Lifecycle ----
  void IWAppFormCreate();
  void IWAppFormRender();
  void Initialize();
  void Preferences1Click(web::TIWControl* Sender);
  void InfoButtonClick(web::TIWControl* Sender);
  void IWButton2Click(web::TIWControl* Sender);

  // ---- Calculate ----
  void CalcButtonClick(web::TIWControl* Sender);
  void CalculateAll();
  void CountConditions();
  void CheckPressures(int Condition, double P1, double P2);
  static void ClearResultCells(web::TIWGrid& Grid, int FirstRow, int RowCount);
  void ShowSizingNotes(Memonotes Notes);

  // ---- Valve lists ----
  void GateRBClick(web::TIWControl* Sender);
  void GlobeRBClick(web::TIWControl* Sender);
  void LowflowRBClick(web::TIWControl* Sender);
  void LFGlobeRBClick(web::TIWControl* Sender);
  void PLLowflowRBClick(web::TIWControl* Sender);
  void PLGlobeRBClick(web::TIWControl* Sender);
  void ValveTypeComboChange(web::TIWControl* Sender);
  void LinRBClick(web::TIWControl* Sender);
  void EQRBClick(web::TIWControl* Sender);
  void SizeComboChange(web::TIWControl* Sender);
  void CvComboChange(web::TIWControl* Sender);
  void CalcForCvButtClick(web::TIWControl* Sender);
  void CalcForFlowClick(web::TIWControl* Sender);
  void UpDiamEditAsyncChange(web::TIWControl* Sender, const web::TIWEventParams& Params);
  void DownDiamEditAsyncChange(web::TIWControl* Sender, const web::TIWEventParams& Params);
  void LinkDiamsCBChange(web::TIWControl* Sender);
  void SchedComboBoxChange(web::TIWControl* Sender);

  // ---- Fluids and units ----
  void FluidStateComboChange(web::TIWControl* Sender);
  void FluidComboChange(web::TIWControl* Sender);
  void P1ComboChange(web::TIWControl* Sender);
  void FlowComboChange(web::TIWControl* Sender);
  void TempUnitComboChange(web::TIWControl* Sender);
  void GageRadButtClick(web::TIWControl* Sender);
  void AbsRadButtClick(web::TIWControl* Sender);
  void EditAsyncChange(web::TIWControl* Sender, const web::TIWEventParams& Params);
  void AssignfluidParams();
  void PopulateFluidnamelist();
  void PopulateFlowlist();
  void PopulatePressurelist();
  void LoadMaterialData();

  // ---- User fluid panel ----
  void ShowUserFluidPanel();
  void UFCancelButtClick(web::TIWControl* Sender);

  // Edits of one condition (0 Min, 1 Norm, 2 Max).
  web::TIWEdit* P1Edit(int i) const { return P1Edits[static_cast<size_t>(i)]; }
  web::TIWEdit* P2Edit(int i) const { return P2Edits[static_cast<size_t>(i)]; }
  web::TIWEdit* TempEdit(int i) const { return TempEdits[static_cast<size_t>(i)]; }
  web::TIWEdit* FlowEdit(int i) const { return FlowEdits[static_cast<size_t>(i)]; }
  web::TIWEdit* SGEdit(int i) const { return SGEdits[static_cast<size_t>(i)]; }
  web::TIWEdit* ViscEdit(int i) const { return ViscEdits[static_cast<size_t>(i)]; }
  web::TIWEdit* VPEdit(int i) const { return VPEdits[static_cast<size_t>(i)]; }
  web::TIWEdit* CPEdit(int i) const { return CPEdits[static_cast<size_t>(i)]; }

protected:
  void SetupDefaults();
  // One complete service condition: converts, calculates and writes its grid column.
  virtual void CalculateCondition(int Condition);
  // Header, row labels and row count of the results grid for the current valve type.
  void LayoutResultsGrid();
  void LayoutResultsGrid(const std::string& valveType, const std::string& state, bool cvMode);

  void SelectTrimTable();
  void PopulateSizelist();
  void PopulateCvlist();
  std::vector<std::string> CvListForSize(const std::string& SizeText, data::TClientDataSet& Table);
  void LookupPRF();
  void UpdateSchedules();

  // The Cv list's text as a number text ("28" for the note item).
  std::string SelectedCvText() const;
  // A globe valve sized in Cv mode with a Design Cv entered takes that as its rated Cv.
  bool UsesDesignCv() const;
  bool LowFlowFlowMode() const;

private:
  void CreateControls();
  web::TIWLabel* AddLabel(const std::string& name, const std::string& caption, int left, int top,
                          int width, int height = 20);
  web::TIWEdit* AddEdit(const std::string& name, int left, int top, int width = 88);
  web::TIWComboBox* AddCombo(const std::string& name, int left, int top, int width);
  web::TIWRadioButton* AddRadio(const std::string& name, const std::string& caption,
                                const std::string& group, int left, int top, int width);

  // Style radios: what they share.
  void SetTypeItems(std::initializer_list<const char*> items);
  void ShowGateGlobeControls(bool gate, bool guidelines);
  void ShowLowFlowControls(bool guidelines);
  void ShowSizeControls(bool show);
  void CopyCvToFlowEdits();

  // Calculate: checks that every number a condition's calculation reads can be read; names the
  // first that cannot. Returns an empty text when all can.
  std::string UnreadableConditionEntry(int i) const;
  std::string UnreadableSharedEntry() const;
  // Entries a condition needs before it is calculated, and those condition i lacks.
  std::vector<std::string> RequiredEntries() const;
  std::vector<std::string> MissingEntries(int i) const;
  void SetPropertyCaptions(const std::string& state);
  void SetPropertyEditsVisible(bool visible);
  double SteamSaturationF(double psig);

  std::array<web::TIWEdit*, 3> P1Edits{}, P2Edits{}, TempEdits{}, FlowEdits{}, SGEdits{},
      ViscEdits{}, VPEdits{}, CPEdits{};
  // Set while a Calculate the user asked for runs: unreadable entries are then reported.
  bool FReportEntries = false;
  // Text AssignfluidParams last put into each property edit; an edit showing other text (or text
  // where nothing was filled) holds a value the user typed, which refills leave alone until
  // another fluid, state or sizing is chosen.
  std::map<const web::TIWEdit*, std::string> FFilledProperties;
  double FPropertyPMF = 0;  // pressure factor of the liquid pressures the edits show
  void FillProperty(web::TIWEdit* Edit, const std::string& Text);
  // What the property edits show counts as filled: the next fill replaces all of it.
  void ForgetTypedProperties();

public:
  // ---- Condition calculation (GlobeunitCondition.cpp) and valid options
  //      (GlobeunitValidOptions.cpp) ----
  struct TConditionUnits;  // units of one condition's inputs
  void CalculateGateGlobe(int Condition, const TConditionUnits& Units);
  void CalculateLowFlow(int Condition, const TConditionUnits& Units);
  void LowFlowRangeChecks(int Condition, const TLowFlowdata& R);
  // Notes raised by each condition, and whether its calculation failed, in this Calculate.
  std::array<Memonotes, 3> FConditionNotes{};
  std::array<bool, 3> FConditionFailed{};
  std::array<std::string, 3> FConditionError{};  // why a failed condition failed
  // A click on a cell of the options grid opens the data sheet of that row's model.
  void ValidGridCellClick(web::TIWControl* Sender, int ARow, int AColumn);
  // Fills the session's table of valid options from its file when it is still empty.
  void LoadValidOptions();

public:
  // ---- Flow chart (GlobeunitChart.cpp) ----
  std::unique_ptr<chart::TChart> Chart2;
  void ChartBtnClick(web::TIWControl* Sender);
  // Calculates every complete condition's curve and shows the chart panel.
  void BuildFlowChart();
  void ChartCloseBtnClick(web::TIWControl* Sender);
  // Refused without a drawn chart; otherwise hands the chart to PrintChartPage.
  void ChartPDFbtnClick(web::TIWControl* Sender);
  // The chart as the page's picture, at the chart's size.
  void ChartToImage(chart::TChart& Chart, web::TIWImage& Image);
  // The drawing of the chart the panel shows, for the report's chart page; null when no chart is
  // shown (none drawn yet, the last build failed, or the panel was closed).
  const chart::TChartMetafile* ChartDrawing() const { return FChartDrawing.get(); }

protected:
  // Puts the drawn chart on the report's chart page and opens that page as a PDF. The report
  // template, layout and PDF export that it needs come separately; until they are joined here it
  // says the page is not available.
  virtual void PrintChartPage(const chart::TChartMetafile& Drawing);

private:
  std::unique_ptr<chart::TChartMetafile> FChartDrawing;
  void ForgetChart();

public:
  // ---- Sizing report (GlobeunitReport.cpp) ----
  web::TIWImageButton* PrintIcon;
  // The menu item and the printer image: the data sheet as a PDF in a new window.
  void Report1Click(web::TIWControl* Sender);
  void PrintSizingReport();
  // What the data sheet shows, read from the form and the session as they stand.
  webapp::TSizingReportInputs SizingReportInputs() const;
  // The window the PDF opens in, and its options.
  static constexpr const char* ReportWindowName = "Sizing_Report";
  static constexpr const char* ReportWindowOptions =
      "toolbar=no,status=no,menubar=yes,scrollbars=yes,resizable=yes,location=no,directories=no,width=780,height=580";

protected:
  // Prepares the one page of the session's report, exports it into a one-time temporary file
  // and opens that in the report window. A failure is one message and opens nothing.
  void ExportReportPage(const std::string& PageName, const std::string& Kind);

private:
  void CreateReportControls();

public:
  // ---- Sizing files, user fluids and preferences (GlobeunitSizingFile.cpp,
  //      GlobeunitUserFluids.cpp) ----
  web::TIWImageButton *SaveBtn, *LoadBtn;
  web::TIWRegion* Filesaveregion;
  web::TIWLabel *FilesaveTitle, *FilenameLabel;
  web::TIWEdit* Filenameedit;
  web::TIWButton *FileSaveButton, *Filecancelbutt;
  web::TIWRegion* LoadFileRegion;
  web::TIWLabel* LoadFileTitle;
  web::TIWFileUploader* Loadfileedit;
  web::TIWButton* LoadCancel;

  // The sizing record of the form's current state.
  std::string BuildSizingString();
  // Restores the form from a record. The record is read and checked whole first: a record that
  // is not sound changes nothing and gives false with the reason.
  bool LoadSizingString(const std::string& Record, std::string* Error = nullptr);
  void saveeventClick(web::TIWControl* Sender);
  void FileSaveButtonClick(web::TIWControl* Sender);
  void SaveAsMenuItemClick(web::TIWControl* Sender);
  void SaveBtnClick(web::TIWControl* Sender);
  void FilecancelbuttClick(web::TIWControl* Sender);
  void LoadSizingMenuItemClick(web::TIWControl* Sender);
  void LoadCancelClick(web::TIWControl* Sender);
  void LoadBtnClick(web::TIWControl* Sender);
  void LoadfileeditAsyncUploadCompleted(web::TIWControl* Sender, std::string& DestPath, const std::string& FileName,
                                        bool& SaveFile, bool& Overwrite);
  void LoadfileeditAsyncUploadSuccess(web::TIWControl* Sender, const web::TIWEventParams& Params);

  void UFApplyButtClick(web::TIWControl* Sender);
  void SaveUserFluid(tFluid& Fluid);
  void LoadUserFluids();
  void LoadUserfluids1Click(web::TIWControl* Sender);
  // The request's cookies into the session's cookie list, one "name=value" item each.
  void ReadCookies();
  // Applies the preference cookie; run once, at the form's first render.
  void AutoloadPreferences();

private:
  void CreateFileControls();
  void ApplySizingRecord(const sizing::TSizingRecord& R);
  void CloseUserFluidPanel();
  // Inserts one fluid into every list of a material library at one position, so that entry i of
  // every list stays with fluid i.
  void RegisterFluid(TMatData& Lists, int Position, const std::array<std::string, 13>& Columns);
  // Why the last upload cannot be loaded; empty when it can.
  std::string FUploadError;
};

// Unit initialisation: makes the start page the first form of every session.
void GlobeunitInitialization();
