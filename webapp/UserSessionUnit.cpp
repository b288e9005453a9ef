#include "webapp/UserSessionUnit.h"

#include "report/engine/repClass.h"
#include "webapp/SizingTemplate.h"

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

namespace {

std::string& ContentFolderSetting() {
  static std::string folder = "wwwroot";
  return folder;
}

// The table of valid options, the text reader of its file and the batch move between them.
void SetupValidOptions(TIWUserSession& s) {
  using data::TMemFieldType;
  struct Field {
    const char* Name;
    TMemFieldType Type;
    int TableSize, FileSize;
  };
  static const Field fields[] = {
      {"Division", TMemFieldType::ftString, 1, 1},   {"Model", TMemFieldType::ftString, 11, 11},
      {"Function", TMemFieldType::ftString, 4, 4},   {"Size4", TMemFieldType::ftLargeint, 0, 1},
      {"Size6", TMemFieldType::ftLargeint, 0, 1},    {"Size8", TMemFieldType::ftLargeint, 0, 1},
      {"Size9", TMemFieldType::ftLargeint, 0, 1},    {"Size12", TMemFieldType::ftLargeint, 0, 1},
      {"Size16", TMemFieldType::ftLargeint, 0, 1},   {"Size24", TMemFieldType::ftLargeint, 0, 1},
      {"Size32", TMemFieldType::ftLargeint, 0, 1},   {"P1Max", TMemFieldType::ftLargeint, 0, 5},
      {"DpMax", TMemFieldType::ftLargeint, 0, 4},    {"P2Min", TMemFieldType::ftLargeint, 0, 3},
      {"P2Max", TMemFieldType::ftLargeint, 0, 5},    {"CvRanges", TMemFieldType::ftLargeint, 0, 1},
      {"Link", TMemFieldType::ftString, 77, 77},
  };
  for (const Field& f : fields) {
    s.FDMemTable1.AddField(f.Name, f.Type, f.TableSize);
    s.FDBatchMoveTextReader1.Fields.push_back({f.Name, f.Type, f.FileSize});
  }
  s.FDBatchMoveTextReader1.FileName = ValidOptionsFileName();
  s.FDBatchMoveTextReader1.FieldSeparator = ';';
  s.FDBatchMoveTextReader1.TextDelimiter = '"';
  s.FDBatchMoveTextReader1.FirstRowIsHeader = true;
  s.FDBatchMoveDataSetWriter1.DataSet = &s.FDMemTable1;
  s.FDBatchMove1.Reader = &s.FDBatchMoveTextReader1;
  s.FDBatchMove1.Writer = &s.FDBatchMoveDataSetWriter1;
}

} // namespace

const std::string& ContentFolder() { return ContentFolderSetting(); }
void SetContentFolder(std::string folder) { ContentFolderSetting() = std::move(folder); }
std::string ValidOptionsFileName() { return ContentFolder() + "/files/ValidOptions.csv"; }

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

  SetupValidOptions(*this);
  // The program's template is parsed (and the report classes registered) with the first
  // session, as before; only the session's own copy waits for its first use.
  webapp::SizingTemplateDocument();
}

TIWUserSession::~TIWUserSession() = default;

TSessionReport::TSessionReport() = default;
TSessionReport::~TSessionReport() = default;

TrepReport* TSessionReport::get() const {
  if (!FReport) {
    auto R = std::make_unique<TrepReport>(nullptr);
    webapp::LoadSizingTemplate(*R);
    FReport = std::move(R);
  }
  return FReport.get();
}
