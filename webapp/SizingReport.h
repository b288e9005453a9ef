#pragma once
// Filling the sizing report's template: the data sheet page (Page1) from what the sizing form
// shows, and the chart page (Page2) from the drawn chart. The form gathers its controls into
// plain records first, so the fill is one function of its inputs that tests drive directly.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "webapp/UserSessionUnit.h"

class TrepReport;
class TrepCustomMemoView;
class TrepPage;
namespace gfx {
class TGraphic;
}

namespace webapp {

// Which rows of the template a run fills: decided from the valve line first, then the type.
enum class TReportValveCase { Gate, Globe, LowFlow };
TReportValveCase ReportValveCase(const std::string& ValveLine, const std::string& Valvetype);

// Everything the data sheet shows, as the form and the session hold it at the time of the run.
struct TSizingReportInputs {
  // Session.
  std::string Version, VersionDate;
  TPrefs Prefs;
  std::string ValveLine, Valvetype;
  std::string FluidState;  // SelectedFluidData.State
  std::string FluidName;   // SelectedFluid
  std::string SelectedFlowUnit;
  float SelectedSize = 0;
  bool GageP = true;
  bool SessionCalcForCv = false;  // the session's CalcForCv
  std::array<std::string, 3> ActualDeltaP;
  // The pressure table's UNITS text of the current unit.
  std::string PressureUnit;

  // Form.
  std::string TagNo, Customer, LineItem, ValveTypeText;
  bool CvMode = true;  // the Cv radio of "Solve for"
  bool DesignCv = false, LFCalcCvdisplay = false;
  bool Linear = true;  // the Lin characteristic radio
  std::string DesignCvText;  // FLEdit
  std::string CvText;        // CvCombo
  std::array<std::string, 3> Flow, P1, P2, Temp, VP, CP, SG, Visc;
  std::string TempUnit;
  std::string UpDiam, DownDiam, Schedule;
  std::string Notes;  // the warnings memo under the grid
  // The results grid: Grid[row][column], rows and columns as the form numbers them; a cell the
  // grid does not have reads empty.
  std::vector<std::vector<std::string>> Grid;
  const std::string& Cell(int Row, int Col) const;
};

// Puts every object the fill touches back as the stored template has it: texts, literal flags,
// font sizes and visibility. Each run starts here, so nothing of an earlier run shows.
void RestoreReportTemplate(TrepReport& Report);

// Fills Page1. Every text is written literally: what a user typed prints as typed.
void FillSizingReport(TrepReport& Report, const TSizingReportInputs& In);

struct TChartPageInputs {
  std::string ValveLine;
  std::string Customer, User, TagNo, LineItem;
  std::array<std::string, 3> CvTexts;  // Min, Norm, Max Cv labels of the last chart
  std::array<bool, 3> Charted{};       // the chart has a Min, Norm, Max curve
};

// Fills Page2 and puts the chart (a metafile) into Picture1.
void FillChartPage(TrepReport& Report, const TChartPageInputs& In, std::unique_ptr<gfx::TGraphic> Chart);

// The smallest font a fitted text may take, in points, and the most of a text that is fitted
// (UTF-16 code units; typed texts have no length limit of their own).
inline constexpr int FitFloorSize = 6;
inline constexpr std::size_t MaxFittedTextChars = 4096;

// Makes the memo's text fit its box whole, measured with the report's own text layout: the
// memo's font as it stands when the text fits, else the largest smaller size down to MinSize at
// which the wrapped text fits (a word too long for a line breaks at any character). A text that
// does not fit even at MinSize is cut after its last whole character that does, with "…", so a
// box never shows a glyph cut in half. Rotated memos are left as they are.
void FitMemoText(TrepCustomMemoView& Memo, int MinSize = FitFloorSize);

// FitMemoText for every memo with text on the named page.
void FitPageTexts(TrepReport& Report, const std::string& PageName);

// What a report PDF is called: its Title ("Sizing Report FCV-101") and the file name the reply
// offers ("Sizing Report FCV-101.pdf"), from the tag, else the line item. The file name keeps
// ASCII letters, digits, blanks and "-_.()" of the typed text (every other run of bytes becomes one
// "_", so no quote, separator or control character reaches the header) and at most
// MaxFileNameTagChars of it.
inline constexpr std::size_t MaxFileNameTagChars = 64;
struct TReportName {
  std::string Title, FileName;
};
TReportName ReportName(const std::string& Kind, const std::string& TagNo, const std::string& LineItem);

// Shows the one report page a run prints and hides the other.
void ShowOnlyPage(TrepReport& Report, const std::string& PageName);

// The fixed texts of the data sheet and the chart page.
extern const char* const StandardsLines[5];
extern const char* const SuggestionLines[4];
extern const char* const ChartSuggestionLines[6];

}  // namespace webapp
