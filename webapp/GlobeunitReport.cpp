// The sizing form's report actions: the data sheet (menu "Report" and the printer image) and
// the chart page, each prepared from the session's template, written as a PDF into a one-time
// temporary file and opened in the report window.
#include <sys/stat.h>

#include <cstdio>
#include <exception>
#include <set>
#include <string>

#include "platform/chart/Chart.h"
#include "platform/gfx/Picture.h"
#include "platform/rt/SysUtils.h"
#include "platform/web/Cache.h"
#include "platform/web/Html.h"
#include "report/engine/repClass.h"
#include "report/pdf/repExportPDF.h"
#include "webapp/Globeunit.h"
#include "webapp/ServerController.h"
#include "webapp/SizingReport.h"

using namespace web;

namespace {

bool FileHasBytes(const std::string& Name) {
  struct stat St {};
  return stat(Name.c_str(), &St) == 0 && St.st_size > 0;
}

// Lines of the report's error list that were not there before.
std::string NewErrors(TrepReport& R, const std::set<std::string>& Before) {
  std::string Text;
  for (int i = 0; i < R.Errors().Count(); ++i) {
    const std::string& Line = R.Errors().Strings(i);
    if (Before.count(Line)) continue;
    if (!Text.empty()) Text += "; ";
    Text += Line;
  }
  return Text;
}

}  // namespace

void TGlobemain::CreateReportControls() {
  Report1->OnClick = [this](TIWControl* s) { Report1Click(s); };
  PrintIcon = Add<TIWImageButton>("PrintIcon", DataRegion1);
  PrintIcon->SetBounds(918, 470, 30, 30);
  PrintIcon->ImageFile = "PrintButton.svg";
  PrintIcon->AltText = "Report";
  PrintIcon->Hint = "Sizing Report";
  PrintIcon->OnClick = [this](TIWControl* s) { Report1Click(s); };
}

void TGlobemain::Report1Click(TIWControl*) { PrintSizingReport(); }

webapp::TSizingReportInputs TGlobemain::SizingReportInputs() const {
  TIWUserSession* S = UserSession();
  webapp::TSizingReportInputs In;
  In.Version = S->Version;
  In.VersionDate = S->VersionDate;
  In.Prefs = S->Prefs;
  In.ValveLine = S->ValveLine;
  In.Valvetype = S->Valvetype;
  In.FluidState = S->SelectedFluidData.State;
  In.FluidName = S->SelectedFluid;
  In.SelectedFlowUnit = S->SelectedFlowUnit;
  In.SelectedSize = S->SelectedSize;
  In.GageP = S->GageP;
  In.SessionCalcForCv = S->CalcForCv;
  In.ActualDeltaP = S->ActualDeltaP;
  In.PressureUnit = S->PressureDataSetUNITS.AsString();

  In.TagNo = TagEdit->Text;
  In.Customer = CustEditBox->Text;
  In.LineItem = LineEditBox->Text;
  In.ValveTypeText = ValveTypeCombo->Text();
  In.CvMode = CalcForCvButt->Checked();
  In.DesignCv = DesignCv;
  In.LFCalcCvdisplay = LFCalcCvdisplay;
  In.Linear = LinRB->Checked();
  In.DesignCvText = FLEdit->Text;
  In.CvText = CvCombo->Text();
  for (int i = 0; i < 3; ++i) {
    const std::size_t c = static_cast<std::size_t>(i);
    In.Flow[c] = FlowEdit(i)->Text;
    In.P1[c] = P1Edit(i)->Text;
    In.P2[c] = P2Edit(i)->Text;
    In.Temp[c] = TempEdit(i)->Text;
    In.VP[c] = VPEdit(i)->Text;
    In.CP[c] = CPEdit(i)->Text;
    In.SG[c] = SGEdit(i)->Text;
    In.Visc[c] = ViscEdit(i)->Text;
  }
  In.TempUnit = TempUnitCombo->Text();
  In.UpDiam = UpDiamEdit->Text;
  In.DownDiam = DownDiamEdit->Text;
  In.Schedule = SchedComboBox->Text();
  In.Notes = Memo1->Text();
  In.Grid.resize(static_cast<std::size_t>(ResultsGrid->RowCount()));
  for (int r = 0; r < ResultsGrid->RowCount(); ++r)
    for (int c = 0; c < ResultsGrid->ColumnCount(); ++c)
      In.Grid[static_cast<std::size_t>(r)].push_back(ResultsGrid->Cell(r, c).Text);
  return In;
}

void TGlobemain::PrintSizingReport() {
  TrepReport& R = *UserSession()->VXCVrep1;
  try {
    webapp::RestoreReportTemplate(R);
    webapp::FillSizingReport(R, SizingReportInputs());
  } catch (const std::exception& e) {
    Application().ShowMessage(std::string("The sizing report could not be made: ") + e.what());
    return;
  }
  ExportReportPage("Page1", "Sizing Report");
}

void TGlobemain::PrintChartPage(const chart::TChartMetafile& Drawing) {
  TIWUserSession* S = UserSession();
  TrepReport& R = *S->VXCVrep1;
  try {
    webapp::TChartPageInputs In;
    In.ValveLine = S->ValveLine;
    In.Customer = CustEditBox->Text;
    In.User = NameEditBox->Text;
    In.TagNo = TagEdit->Text;
    In.LineItem = LineEditBox->Text;
    In.CvTexts = {MinCvlabeltext, NormCvlabeltext, MaxCvlabeltext};
    // The line series come first, Min, Norm, Max.
    for (int i = 0; i < 3 && Chart2 && i < Chart2->SeriesCount(); ++i)
      In.Charted[static_cast<std::size_t>(i)] = Chart2->Series(i).Count() > 0;
    webapp::RestoreReportTemplate(R);
    webapp::FillChartPage(R, In, Drawing.Metafile());
  } catch (const std::exception& e) {
    Application().ShowMessage(std::string("The chart page could not be made: ") + e.what());
    return;
  }
  ExportReportPage("Page2", "Flow Chart");
}

void TGlobemain::ExportReportPage(const std::string& PageName, const std::string& Kind) {
  TIWUserSession* S = UserSession();
  TrepReport& R = *S->VXCVrep1;
  R.EngineOptions.DestroyForms = false;
  R.EngineOptions.SetSilentMode(true);
  R.EngineOptions.EnableThreadSafe = true;
  R.EngineOptions.UseGlobalDataSetList = false;
  R.EngineOptions.UseFileCache = false;

  const webapp::TReportName Name = webapp::ReportName(Kind, TagEdit->Text, LineEditBox->Text);
  std::string Failure;
  std::string File;
  try {
    File = TIWAppCache::NewTempFileName();
    // The base filter's options are the ones the export driver and the writer read.
    TrepCustomExportFilter& F = S->repPDFExport2;
    F.OpenAfterExport = false;
    F.ShowDialog = false;
    F.ShowProgress = false;
    F.OverwritePrompt = false;
    F.SetFileName(File);
    S->repPDFExport2.Title = Name.Title;
    webapp::ShowOnlyPage(R, PageName);
    // Errors the preparation collects are not shown (the engine runs silently); only what
    // keeps the export from writing the document stops the run.
    R.PrepareReport(true);
    std::set<std::string> Before;
    for (int i = 0; i < R.Errors().Count(); ++i) Before.insert(R.Errors().Strings(i));
    if (!R.Export(&F)) {
      Failure = NewErrors(R, Before);
      if (Failure.empty()) Failure = "the PDF export did not complete";
    } else if (!FileHasBytes(File)) {
      Failure = "the PDF file was not written";
    }
  } catch (const std::exception& e) {
    Failure = e.what();
  }
  if (!Failure.empty()) {
    if (!File.empty()) std::remove(File.c_str());
    Application().ShowMessage("The sizing report could not be made: " + Failure);
    return;
  }
  const std::string Url = TIWAppCache::AddFileToCache(&Application(), File, ctOneTime, TIWMimeTypes::mtPDF,
                                                      "inline; filename=\"" + Name.FileName + "\"");
  AddToInitProc("NewWindow(" + JsString(Url) + ", " + JsString(ReportWindowName) + "," +
                JsString(ReportWindowOptions) + ");");
}
