// Resource strings: the compiled-in tables, lookups, merging tables and language files.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rt/TypInfo.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"

#include "report/script/sc_iconst.h"

namespace {

TrepResources& StartedTable() {
  static bool Started = false;
  if (!Started) {
    repInitEngineResources();
    repInitExportResources();
    Started = true;
  }
  return ResourceTable();
}

void Load(TrepResources& R, const std::string& Xml) {
  rt::TStringStream S(Xml);
  R.LoadFromStream(S);
}

const std::string Header11 = "<?xml version=\"1.1\" encoding=\"utf-8\"?>";

} // namespace

TEST(Resources, TheCompiledInTablesHoldTheirTextsVerbatim) {
  TrepResources& R = StartedTable();
  struct Case {
    const char* Key;
    const char* Text;
  } Cases[] = {
      {"1", "OK"}, {"2", "Cancel"}, {"100", "Preview"}, {"163", "File"}, {"202", "Pages"},
      {"400", "Page Settings"}, {"401", "Width"}, {"402", "Height"}, {"403", "Size"},
      {"404", "Orientation"}, {"405", "Left"}, {"406", "Top"}, {"407", "Right"}, {"408", "Bottom"},
      {"409", "Margins"}, {"410", "Portrait"}, {"411", "Landscape"}, {"412", "Other"},
      {"413", "Apply to the current page"}, {"414", "Apply to all pages"}, {"600", "Expand all"},
      {"601", "Collapse all"}, {"uCm", "cm"}, {"uInch", "in"}, {"uPix", "px"}, {"uChar", "chr"},
      {"mbConfirm", "Confirm"}, {"mbError", "Error"}, {"mbInfo", "Information"},
      {"xrCantFindClass", "Cannot find class"}, {"enUnconnHeader", "Unconnected header/footer"},
      {"enUnconnGroup", "No data band for the group"}, {"enUnconnGFooter", "No group header for"},
      {"enBandPos", "Incorrect band position:"}, {"dbNotConn", "DataSet %s is not connected to data"},
      {"dbFldNotFound", "Field not found:"}, {"clDSNotIncl", "(dataset is not included in Report.DataSets)"},
      {"clUnknownVar", "Unknown variable or datafield:"}, {"clScrError", "Script error at %s: %s"},
      {"clErrors", "The following error(s) have occured:"}, {"clExprError", "Error in expression"},
      {"clErrorInExp", "Error in Calc expression:"}, {"clDSNotExist", "Dataset \"%s\" does not exist"},
      {"clRP3files", "Prepared Report"},
      {"clComprPreparedRepFilter", "Compressed prepared report (*.rp3)|*.rp3"},
      {"clSaving", "Saving file..."}, {"clLoading", "Loading file..."}, {"clPrinting", "Printing page"},
      {"clPageOf", "Page %d of %d"}, {"clOf", "of %d"}, {"clFirstPass", "First pass: page "},
      {"clNoPrinters", "No printers installed on your system"},
      {"clDecompressError", "Stream decompress error"}, {"prRunningFirst", "First pass: page %d"},
      {"prRunning", "Preparing page %d"}, {"prPrinting", "Printing page %d"},
      {"prExporting", "Exporting page %d"}, {"clStrNotFound", "Text not found"},
      {"clCantRen", "Could not rename %s, it was introduced in the ancestor report"},
      {"clCirRefNotAllow", "Circular child reference is not allowed"}, {"clDupName", "Duplicate name"},
      {"expMtm", "Timeout expired"}, {"erInvalidImg", "Invalid image format"},
      {"SLangNotFound", "Language '%s' not found"}, {"SInvalidLanguage", "Invalid language definition"},
      {"SIdRedeclared", "Identifier redeclared: "}, {"SUnknownType", "Unknown type: "},
      {"SIncompatibleTypes", "Incompatible types"}, {"SIdUndeclared", "Undeclared identifier: "},
      {"SClassRequired", "Class type required"}, {"SIndexRequired", "Index required"},
      {"SStringError", "Strings do not have properties or methods"},
      {"SClassError", "Class %s does not have a default property"}, {"SArrayRequired", "Array type required"},
      {"SVarRequired", "Variable required"}, {"SNotEnoughParams", "Not enough actual parameters"},
      {"STooManyParams", "Too many actual parameters"}, {"SLeftCantAssigned", "Left side cannot be assigned to"},
      {"SForError", "For loop variable must be numeric variable"},
      {"SEventError", "Event handler must be a procedure"},
      // Texts stored with a leading '!' come without it.
      {"207", "Other"}, {"211", "Order"}, {"poDirect", "Direct (1-9)"}, {"poReverse", "Reverse (9-1)"},
      // The exports' table.
      {"8700", "Export to PDF"}, {"8701", "PDF/A"}, {"8702", "Embedded fonts"}, {"8703", "Print optimized"},
      {"8704", "Outline"}, {"8705", "Background"}, {"8706", "Open after export"},
      {"8707", "Adobe PDF file (*.pdf)|*.pdf"}, {"8708", ".pdf"}, {"8709", "Transparency"},
      {"8710", "PDF Standard:"}, {"8711", "PDF Version:"}, {"8712", "Compressed"}, {"PDFexport", "PDF file"},
      {"ProgressWait", "Please wait"}, {"ProgressObjects", "Exporting objects"},
  };
  for (const Case& C : Cases) EXPECT_EQ(R.Get(C.Key), C.Text) << C.Key;
  EXPECT_EQ(R.CodePage(), 1252);
}

TEST(Resources, LookupsIgnoreCaseAndFallBackToTheKey) {
  StartedTable();
  EXPECT_EQ(ResourceString(400), "Page Settings");
  EXPECT_EQ(ResourceTable().Get("CLERRORS"), "The following error(s) have occured:");
  EXPECT_EQ(ResourceTable().Get("obDMPText"), "obDMPText");
  EXPECT_EQ(ResourceTable().Get("!missing"), "missing");
  EXPECT_EQ(ResourceTable().Get(""), "");
  EXPECT_EQ(ResourceString(99999), "99999");
}

TEST(Resources, LoadingHandsTheScriptEngineItsMessages) {
  StartedTable();
  EXPECT_EQ(SStringError, "Strings do not have properties or methods");
  TrepResources R;
  R.AddW("SForError", u"Zählvariable muss numerisch sein");
  R.UpdateFSResources();
  EXPECT_EQ(SForError, "Zählvariable muss numerisch sein");
  StartedTable().UpdateFSResources();
  EXPECT_EQ(SForError, "For loop variable must be numeric variable");
}

TEST(Resources, AddingAKeyAgainReplacesItsText) {
  TrepResources R;
  R.Add("greeting", "Hello");
  R.Add("other", "x");
  R.Add("GREETING", "Hi");
  R.AddW("caf\xC3\xA9", u"\u00e9");
  EXPECT_EQ(R.Count(), 3);
  EXPECT_EQ(R.Get("greeting"), "Hi");
  EXPECT_EQ(R.Get("caf\xC3\xA9"), "\xC3\xA9");
  R.Clear();
  EXPECT_EQ(R.Count(), 0);
  EXPECT_EQ(R.Get("greeting"), "greeting");
}

TEST(Resources, AddStringsTakesKeyEqualsTextLines) {
  TrepResources R;
  R.AddStrings("a=1\r\nb=\r\n=c\r\nno separator\r\nd=x=y\nlast=\xC3\xA9");
  EXPECT_EQ(R.Count(), 3);
  EXPECT_EQ(R.Get("a"), "1");
  EXPECT_EQ(R.Get("d"), "x=y");
  EXPECT_EQ(R.Get("last"), "\xC3\xA9");
  EXPECT_EQ(R.Get("b"), "b");
}

TEST(Resources, TablesMergeKeyByKey) {
  TrepResources R;
  R.Add("keep", "kept");
  R.Add("swap", "old");
  Load(R, Header11 + "<Resources CodePage=\"1251\"><StrRes Name=\"swap\" Text=\"new &#38;#60;b&#38;#62;\"/>"
                     "<Other Name=\"x\" Text=\"y\"/><StrRes Name=\"add\" Text=\"\xD0\x96\"/></Resources>");
  EXPECT_EQ(R.Get("keep"), "kept");
  EXPECT_EQ(R.Get("swap"), "new <b>");
  EXPECT_EQ(R.Get("add"), "\xD0\x96");
  EXPECT_EQ(R.Get("x"), "x");
  EXPECT_EQ(R.CodePage(), 1251);
}

TEST(Resources, OldTablesCarryUTF8BytesInTheirAttributes) {
  TrepResources R;
  Load(R, "<?xml version=\"1.0\" encoding=\"utf-8\"?><Resources CodePage=\"1252\">"
          "<StrRes Name=\"k\" Text=\"Gr\xC3\xBC\xC3\x9F" "e\"/></Resources>");
  EXPECT_EQ(R.Get("k"), "Gr\xC3\xBC\xC3\x9F" "e");
}

TEST(Resources, BadTablesAddNothing) {
  TrepResources R;
  const std::string NoCodePage = Header11 + "<Resources><StrRes Name=\"a\" Text=\"1\"/></Resources>";
  const std::string BadCodePage = Header11 + "<Resources CodePage=\"west\"><StrRes Name=\"a\" Text=\"1\"/></Resources>";
  EXPECT_THROW(Load(R, NoCodePage), rt::EConvertError);
  EXPECT_THROW(Load(R, BadCodePage), rt::EConvertError);
  EXPECT_THROW(Load(R, Header11 + "<Resources CodePage=\"1252\"><StrRes Name=\"a\" Text=\"1\"/></Other>"),
               TrepInvalidXMLException);
  Load(R, Header11 + "<resources CodePage=\"1252\"><StrRes Name=\"a\" Text=\"1\"/></resources>");
  EXPECT_EQ(R.Count(), 0);
}

TEST(Resources, LanguageTablesLoadFromFilesAndMissingOnesAreIgnored) {
  const auto File = std::filesystem::temp_directory_path() / "repres-test.frc";
  {
    rt::TFileStream F(File.string(), rt::fmCreate);
    const std::string Xml = Header11 + "<Resources CodePage=\"1252\"><StrRes Name=\"1\" Text=\"Bien\"/></Resources>";
    F.WriteBuffer(Xml.data(), static_cast<std::int64_t>(Xml.size()));
  }
  TrepResources R;
  R.LoadFromFile((File.string() + ".missing"));
  EXPECT_EQ(R.Count(), 0);
  R.LoadFromFile(File.string());
  std::filesystem::remove(File);
  EXPECT_EQ(R.Get("1"), "Bien");
}

TEST(Resources, LanguageFilesBesideTheProgramAreListed) {
  const std::filesystem::path Dir = ExeDirectory();
  const std::filesystem::path Files[] = {Dir / "gERMAN.FRC", Dir / "french.frc", Dir / "notes.txt"};
  for (const auto& F : Files) rt::TFileStream(F.string(), rt::fmCreate);
  TrepResources R;
  for (const auto& F : Files) std::filesystem::remove(F);
  std::vector<std::string> Names(R.Languages().begin(), R.Languages().end());
  EXPECT_EQ(Names, (std::vector<std::string>{"French", "German"}));
}

namespace {

class TrepPageEditorForm : public rt::TObject {
public:
  RT_CLASS_INFO(TrepPageEditorForm)
};

rt::TClass TrepPageEditorForm::ClassInfo() {
  static const rt::TClassInfo Info("TrepPageEditorForm", rt::TObject::ClassInfo());
  return &Info;
}

} // namespace

TEST(Resources, HelpNamesTheTopicOfTheDialogWithoutShowingAnything) {
  TrepResources R;
  TrepPageEditorForm Dialog;
  rt::TObject Other;
  EXPECT_EQ(R.Help(&Dialog), ExeDirectory() + "ZOZada.dad::/Page_options.htm");
  EXPECT_EQ(R.Help(&Other), ExeDirectory() + "ZOZada.dad");
  EXPECT_EQ(R.Help(nullptr), ExeDirectory() + "ZOZada.dad");
}

TEST(Resources, ImageResolutionIsAMultipleOf24) {
  TrepResources R;
  EXPECT_EQ(R.ImagesPPI(), 96);
  R.SetImagesPPI(150);
  EXPECT_EQ(R.ImagesPPI(), 144);
  R.SetImagesPPI(96);
  EXPECT_EQ(R.ImagesPPI(), 96);
}

extern const unsigned char repEngineResourcesXML[];
extern const std::size_t repEngineResourcesXMLSize;

TEST(Resources, TheEngineTableListsItsKeysInTableOrder) {
  // Every key of the interface table, in its order; other keys (object descriptions) follow.
  static const char* const Keys[] = {
      "1",
      "2",
      "3",
      "4",
      "5",
      "6",
      "7",
      "8",
      "9",
      "100",
      "101",
      "102",
      "103",
      "104",
      "105",
      "106",
      "107",
      "108",
      "109",
      "110",
      "111",
      "112",
      "113",
      "114",
      "115",
      "116",
      "117",
      "118",
      "119",
      "120",
      "121",
      "122",
      "123",
      "124",
      "125",
      "126",
      "127",
      "128",
      "129",
      "130",
      "131",
      "132",
      "133",
      "134",
      "135",
      "136",
      "137",
      "138",
      "139",
      "140",
      "141",
      "142",
      "149",
      "150",
      "151",
      "152",
      "153",
      "154",
      "zmPageWidth",
      "zmWholePage",
      "200",
      "201",
      "202",
      "203",
      "204",
      "205",
      "206",
      "207",
      "208",
      "209",
      "210",
      "211",
      "212",
      "213",
      "214",
      "216",
      "ppAll",
      "ppOdd",
      "ppEven",
      "pgDefault",
      "pmDefault",
      "pmSplit",
      "pmJoin",
      "pmScale",
      "poDirect",
      "poReverse",
      "300",
      "301",
      "302",
      "303",
      "304",
      "305",
      "306",
      "400",
      "401",
      "402",
      "403",
      "404",
      "405",
      "406",
      "407",
      "408",
      "409",
      "410",
      "411",
      "412",
      "413",
      "414",
      "500",
      "501",
      "502",
      "503",
      "504",
      "505",
      "506",
      "507",
      "508",
      "509",
      "510",
      "mbConfirm",
      "mbError",
      "mbInfo",
      "xrCantFindClass",
      "prVirtual",
      "prDefault",
      "prCustom",
      "enUnconnHeader",
      "enUnconnGroup",
      "enUnconnGFooter",
      "enBandPos",
      "dbNotConn",
      "dbFldNotFound",
      "clDSNotIncl",
      "clUnknownVar",
      "clScrError",
      "clDSNotExist",
      "clErrors",
      "clExprError",
      "clRP3files",
      "clComprPreparedRepFilter",
      "clSaving",
      "clCancel",
      "clClose",
      "clPrinting",
      "clLoading",
      "clPageOf",
      "clOf",
      "clFirstPass",
      "clNoPrinters",
      "clDecompressError",
      "crFillMx",
      "crBuildMx",
      "prRunningFirst",
      "prRunning",
      "prPrinting",
      "prExporting",
      "uCm",
      "uInch",
      "uPix",
      "uChar",
      "dupDefault",
      "dupVert",
      "dupHorz",
      "dupSimpl",
      "SLangNotFound",
      "SInvalidLanguage",
      "SIdRedeclared",
      "SUnknownType",
      "SIncompatibleTypes",
      "SIdUndeclared",
      "SClassRequired",
      "SIndexRequired",
      "SStringError",
      "SClassError",
      "SArrayRequired",
      "SVarRequired",
      "SNotEnoughParams",
      "STooManyParams",
      "SLeftCantAssigned",
      "SForError",
      "SEventError",
      "600",
      "601",
      "clStrNotFound",
      "clCantRen",
      "rave0",
      "rave1",
      "rave2",
      "rave3",
      "rave4",
      "701",
      "702",
      "clCirRefNotAllow",
      "clDupName",
      "clErrorInExp",
      "expMtm",
      "erInvalidImg",
      "ReportTitle",
      "ReportSummary",
      "PageHeader",
      "PageFooter",
      "Header",
      "Footer",
      "MasterData",
      "DetailData",
      "SubdetailData",
      "Data4",
      "Data5",
      "Data6",
      "GroupHeader",
      "GroupFooter",
      "Child",
      "ColumnHeader",
      "ColumnFooter",
      "Overlay",
      "2_5_interleaved",
      "2_5_industrial",
      "2_5_matrix",
      "Code39",
      "Code39 Extended",
      "Code128A",
      "Code128B",
      "Code128C",
      "Code93",
      "Code93 Extended",
      "MSI",
      "PostNet",
      "Codebar",
      "EAN8",
      "EAN13",
      "UPC_A",
      "UPC_E0",
      "UPC_E1",
      "UPC Supp2",
      "UPC Supp5",
      "EAN128A",
      "EAN128B",
      "EAN128C",
      "rpEditRep",
      "rpEditAlias",
      "160",
      "161",
      "162",
      "163"};
  TrepXMLDocument Doc;
  rt::TStringStream S(std::string(reinterpret_cast<const char*>(repEngineResourcesXML), repEngineResourcesXMLSize));
  Doc.LoadFromStream(S);
  ASSERT_EQ(Doc.Root()->Name(), "Resources");
  EXPECT_EQ(Doc.Root()->GetProp("CodePage"), u"1252");
  ASSERT_GE(Doc.Root()->Count(), 244);
  for (int I = 0; I < 244; ++I) {
    EXPECT_EQ(Doc.Root()->Items(I)->Name(), "StrRes");
    EXPECT_EQ(rt::Utf16ToUtf8(Doc.Root()->Items(I)->GetProp("Name")), Keys[I]) << I;
  }
  // Texts the windows' captions and the band and barcode lists take from it.
  TrepResources& R = StartedTable();
  struct Case {
    const char* Key;
    const char* Text;
  } Cases[] = {
      {"3", "All"}, {"4", "Current page"}, {"5", "Pages:"}, {"7", "Page range"}, {"8", "Export settings"},
      {"107", "Export"}, {"101", "Print"}, {"129", "Report outline"}, {"154", "PDF"}, {"162", "Save to"},
      {"200", "Print"}, {"210", "Print to file"}, {"216", "Duplex"}, {"ppEven", "Even pages"},
      {"pmSplit", "Split big pages"}, {"dupSimpl", "Simplex"}, {"zmWholePage", "Whole page"},
      {"510", "Printer file (*.prn)|*.prn"}, {"702", "Highlight"}, {"ReportTitle", "ReportTitle"},
      {"Overlay", "Overlay"}, {"Code39 Extended", "Code39 Extended"}, {"EAN128C", "EAN128C"},
  };
  for (const Case& C : Cases) EXPECT_EQ(R.Get(C.Key), C.Text) << C.Key;
}
