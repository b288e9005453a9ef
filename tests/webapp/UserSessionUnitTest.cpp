#include "webapp/UserSessionUnit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

std::string Text(const data::TClientDataSet& ds, const char* field) {
  return ds.FieldByName(field).AsString();
}
double Num(const data::TClientDataSet& ds, const char* field) {
  return ds.FieldByName(field).AsFloat();
}

TEST(UserSession, OpensEveryTableOnItsFirstRecord) {
  TIWUserSession s;
  struct Case {
    const data::TClientDataSet& ds;
    int count;
  } cases[] = {
      {s.PressureDataSet, 10}, {s.LiqFlowDataSet, 9},  {s.GasFlowDataSet, 24},
      {s.LiquidDataSet, 48},   {s.GasDataSet, 32},     {s.SteamDataSet, 111},
      {s.AirPropsDataSet, 33}, {s.WaterPropsDataSet, 33},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.ds.RecordCount(), c.count) << c.ds.Name();
    EXPECT_EQ(c.ds.RecNo(), 1) << c.ds.Name();
    EXPECT_FALSE(c.ds.Eof()) << c.ds.Name();
  }
  EXPECT_EQ(s.PressureDataSetLABEL.AsString(), "psi");
  EXPECT_EQ(s.PressureDataSetUNITS.AsString(), "psig");
  EXPECT_EQ(s.LiquidDataSetDISPLAY_NA.AsString(), "Water");
  EXPECT_EQ(s.GasDataSetDISPLAY_NA.AsString(), "Air");
  EXPECT_EQ(s.SteamDataSetASTPABS.AsFloat(), 0.08859);
  EXPECT_EQ(s.SteamDataSetASTPGAUGE.AsFloat(), -14.61);
  EXPECT_EQ(s.SteamDataSetASTTEMP.AsFloat(), 31.984);
  EXPECT_EQ(s.fltfldSeriesELinTrimDataSetCV.AsFloat(), 17);
  EXPECT_EQ(Num(s.SeriesATrimDataSet, "CV"), 32.4);
}

TEST(UserSession, GasFlowUnitsAsStored) {
  TIWUserSession s;
  auto& gf = s.GasFlowDataSet;
  gf.SetRecNo(22);
  EXPECT_EQ(s.GasFlowDataSetLABEL.AsString(), "Actual cubic cm per min");
  EXPECT_EQ(s.GasFlowDataSetFMF.AsFloat(), 0.002118);
  EXPECT_EQ(s.GasFlowDataSetSHLABEL.AsString(), "Act cm³/min");
  gf.SetRecNo(20);
  EXPECT_EQ(Text(gf, "SHLABEL"), "Act M³/min");
  gf.SetRecNo(14);
  EXPECT_EQ(Text(gf, "LABEL"), "Normal cubic centimeters per m");
  EXPECT_EQ(data::Utf8Length(Text(gf, "LABEL")), 30u);
  EXPECT_EQ(s.GasFlowDataSetLABEL.Size(), 30);
  // Every label that begins "Act" is an actual flow unit: records 15 to 22.
  int actual = 0;
  for (gf.First(); !gf.Eof(); gf.Next())
    if (Text(gf, "LABEL").rfind("Act", 0) == 0) {
      EXPECT_GE(gf.RecNo(), 15);
      EXPECT_LE(gf.RecNo(), 22);
      ++actual;
    }
  EXPECT_EQ(actual, 8);
}

TEST(UserSession, SessionsKeepTheirOwnCursorsAndState) {
  TIWUserSession a, b;
  a.PressureDataSet.SetRecNo(5);
  EXPECT_EQ(a.PressureDataSetPMF.AsFloat(), 14.5);
  EXPECT_EQ(b.PressureDataSet.RecNo(), 1);
  EXPECT_EQ(b.PressureDataSetPMF.AsFloat(), 1);

  a.LinCvDataSet.SetIndexFieldNames("SIZE;CV");
  a.LinCvDataSet.SetRange({2.0}, {2.0});
  EXPECT_LT(a.LinCvDataSet.RecordCount(), 177);
  EXPECT_EQ(b.LinCvDataSet.RecordCount(), 177);
  EXPECT_EQ(b.LinCvDataSet.IndexFieldNames(), "");
  EXPECT_EQ(b.LinCvDataSetCV.AsFloat(), 600);

  a.SelectedFluid = "Water";
  a.SelectedTemps[1] = 60;
  a.LiqMatData.Name.Add("Water");
  a.Mingraphflow.push_back(1.5);
  EXPECT_EQ(b.SelectedFluid, "");
  EXPECT_EQ(b.SelectedTemps[1], 0);
  EXPECT_EQ(b.LiqMatData.Name.Count(), 0);
  EXPECT_TRUE(b.Mingraphflow.empty());
}

TEST(UserSession, StateStartsEmpty) {
  TIWUserSession s;
  EXPECT_EQ(s.Version, "");
  EXPECT_FALSE(s.Prefs.RepDateApply);
  EXPECT_FALSE(s.Lintaper);
  EXPECT_EQ(s.SelectedSize, 0);
  EXPECT_EQ(s.ValveID, 0);
  EXPECT_FALSE(s.AutoLoadFlag);
  EXPECT_EQ(s.SelectedFluidData.State, "");
  EXPECT_EQ(s.SelectedFluidData.Superheatfactor, 0);
  for (double t : s.SHthreshholdF) EXPECT_EQ(t, 0);
  EXPECT_EQ(s.Graphcount, 0);
  EXPECT_EQ(s.PreferenceList.Count(), 0);
  EXPECT_EQ(s.CustomValveID.Count(), 0);
  EXPECT_EQ(s.ModelList, nullptr);
  ASSERT_NE(s.VXCVrep1, nullptr) << "every session has its own copy of the template";
}

TEST(UserSession, PdfFilterCarriesItsStoredSettings) {
  TIWUserSession s;
  const TrepPDFExport& f = s.repPDFExport2;
  EXPECT_TRUE(f.UseFileCache);
  EXPECT_TRUE(f.ShowProgress);
  EXPECT_FALSE(f.OverwritePrompt);
  EXPECT_FALSE(f.OpenAfterExport);
  EXPECT_FALSE(f.DataOnly);
  EXPECT_FALSE(f.PrintOptimized);
  EXPECT_FALSE(f.Outline);
  EXPECT_FALSE(f.Background);
  EXPECT_TRUE(f.HTMLTags);
  EXPECT_EQ(f.Quality, 95);
  EXPECT_FALSE(f.Transparency());
  EXPECT_TRUE(f.Compressed);
  EXPECT_FALSE(f.EmbeddedFonts());
  EXPECT_EQ(f.Author, "Report engine");
  EXPECT_EQ(f.Subject, "Report engine PDF export");
  EXPECT_EQ(f.Producer, "VXCVrep1");
  EXPECT_EQ(f.ProtectionFlags(), ePrint | eModify | eCopy | eAnnot);
  EXPECT_EQ(f.EncBits(), -4);
  EXPECT_FALSE(f.HideToolbar || f.HideMenubar || f.HideWindowUI || f.FitWindow ||
               f.CenterWindow || f.PrintScaling);
  EXPECT_FALSE(f.PdfA());
  EXPECT_EQ(f.PDFStandard(), psNone);
  EXPECT_EQ(f.PDFVersion(), pv17);
}

TEST(ReferenceTables, UnknownNameIsAnError) {
  EXPECT_THROW(ReferenceTable("NoSuchDataSet"), data::EDatabaseError);
  EXPECT_EQ(ReferenceTable("PressureDataSet"), ReferenceTable("PressureDataSet"));
}

} // namespace
