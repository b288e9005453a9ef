#include "webapp/UserSessionUnit.h"

#include <map>

namespace webapp {
// The CSV texts of data/, compiled in by the build (ReferenceTables.cpp).
extern const data::TTableSource ReferenceTableSources[];
extern const int ReferenceTableSourceCount;
} // namespace webapp

namespace {

using TTableMap = std::map<std::string, std::shared_ptr<const data::TTable>>;

TTableMap LoadReferenceTables() {
  TTableMap tables;
  for (int i = 0; i < webapp::ReferenceTableSourceCount; ++i) {
    const data::TTableSource& src = webapp::ReferenceTableSources[i];
    tables.emplace(src.Name, data::TTable::FromCsv(src.Name, src.Csv));
  }
  return tables;
}

} // namespace

std::shared_ptr<const data::TTable> ReferenceTable(const std::string& name) {
  static const TTableMap tables = LoadReferenceTables();
  auto it = tables.find(name);
  if (it == tables.end()) throw data::EDatabaseError("Unknown reference table '" + name + "'");
  return it->second;
}

TIWUserSession::TIWUserSession()
    : LiquidDataSet(ReferenceTable("LiquidDataSet")),
      GasDataSet(ReferenceTable("GasDataSet")),
      PressureDataSet(ReferenceTable("PressureDataSet")),
      LiqFlowDataSet(ReferenceTable("LiqFlowDataSet")),
      GasFlowDataSet(ReferenceTable("GasFlowDataSet")),
      CavTrimDataSet(ReferenceTable("CavTrimDataSet")),
      GlobeDataSet(ReferenceTable("GlobeDataSet")),
      KXCDataSet(ReferenceTable("KXCDataSet")),
      KXSDataSet(ReferenceTable("KXSDataSet")),
      SeriesELinTrimDataSet(ReferenceTable("SeriesELinTrimDataSet")),
      SeriesEEqTrimDataSet(ReferenceTable("SeriesEEqTrimDataSet")),
      SeriesCLinTrimDataSet(ReferenceTable("SeriesCLinTrimDataSet")),
      SeriesCEqTrimDataSet(ReferenceTable("SeriesCEqTrimDataSet")),
      SeriesFLinTrimDataSet(ReferenceTable("SeriesFLinTrimDataSet")),
      SeriesFEqTrimDataSet(ReferenceTable("SeriesFEqTrimDataSet")),
      SeriesDTrimDataSet(ReferenceTable("SeriesDTrimDataSet")),
      SeriesBTrimDataSet(ReferenceTable("SeriesBTrimDataSet")),
      SeriesATrimDataSet(ReferenceTable("SeriesATrimDataSet")),
      SteamDataSet(ReferenceTable("SteamDataSet")),
      AirPropsDataSet(ReferenceTable("AirPropsDataSet")),
      WaterPropsDataSet(ReferenceTable("WaterPropsDataSet")),
      LinCvDataSet(ReferenceTable("LinCvDataSet")),
      EqCvDataSet(ReferenceTable("EqCvDataSet")),
      SeriesGHTrimDataSet(ReferenceTable("SeriesGHTrimDataSet")),
      TQACDataSet(ReferenceTable("TQACDataSet")),
      TQBCDataSet(ReferenceTable("TQBCDataSet")),
      TQCVLinDataSet(ReferenceTable("TQCVLinDataSet")),
      TQCVEqDataSet(ReferenceTable("TQCVEqDataSet")),
      TQACPMDataSet(ReferenceTable("TQACPMDataSet")),
      TQBCPMDataSet(ReferenceTable("TQBCPMDataSet")) {
  // The PDF filter's stored settings.
  repPDFExport2.UseFileCache = true;
  repPDFExport2.ShowProgress = true;  // switched off before every export
  repPDFExport2.OverwritePrompt = false;
  repPDFExport2.OpenAfterExport = false;
  repPDFExport2.DataOnly = false;
  repPDFExport2.PrintOptimized = false;
  repPDFExport2.Outline = false;
  repPDFExport2.Background = false;
  repPDFExport2.HTMLTags = true;
  repPDFExport2.Quality = 95;
  repPDFExport2.SetTransparency(false);
  repPDFExport2.Author = "Report engine";
  repPDFExport2.Subject = "Report engine PDF export";
  repPDFExport2.Producer = "VXCVrep1";
  repPDFExport2.SetProtectionFlags(ePrint | eModify | eCopy | eAnnot);
  repPDFExport2.HideToolbar = false;
  repPDFExport2.HideMenubar = false;
  repPDFExport2.HideWindowUI = false;
  repPDFExport2.FitWindow = false;
  repPDFExport2.CenterWindow = false;
  repPDFExport2.PrintScaling = false;
  repPDFExport2.SetPdfA(false);
  repPDFExport2.SetPDFStandard(psNone);
  repPDFExport2.SetPDFVersion(pv17);
}

TIWUserSession::~TIWUserSession() = default;
