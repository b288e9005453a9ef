// Sanity of the reference tables as every session sees them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "webapp/UserSessionUnit.h"

namespace {

using data::TClientDataSet;

double Num(const TClientDataSet& ds, const char* field) { return ds.FieldByName(field).AsFloat(); }

struct TrimCase {
  const char* name;
  int rows;
  std::set<double> sizes;
  double cvMin, cvMax, prfMin, prfMax;
  int withGeometry;  // rows whose fourth field is not 0
  int repeated;      // rows equal to the row before
};

const TrimCase kTrims[] = {
    {"CavTrimDataSet", 12, {6, 4, 3, 2, 1.5}, 5, 330, 0.92, 0.92, 12, 0},
    {"GlobeDataSet", 10, {6, 4, 3, 2, 1.5, 1, 0.75, 0.5}, 2.5, 230, 0.6, 0.8, 0, 0},
    {"KXCDataSet", 5, {6, 4, 3, 2, 1.5}, 34, 400, 0.9, 0.9, 0, 0},
    {"KXSDataSet", 4, {4, 3}, 48, 200, 0.9, 0.9, 0, 0},
    {"SeriesELinTrimDataSet", 37, {2, 1.5, 1, 0.75, 0.5}, 0.05, 17, 0.9, 0.9, 0, 0},
    {"SeriesEEqTrimDataSet", 38, {2, 1.5, 1, 0.75, 0.5}, 0.05, 17, 0.9, 0.9, 0, 0},
    {"SeriesCLinTrimDataSet", 20, {2, 1.5, 1, 0.75, 0.5}, 1.8, 45, 0.9, 0.9, 0, 0},
    {"SeriesCEqTrimDataSet", 29, {2, 1.5, 1, 0.75, 0.5}, 1.8, 60, 0.9, 0.9, 0, 0},
    {"SeriesFLinTrimDataSet", 24, {3, 2, 1.5, 1, 0.75, 0.5}, 0.2, 100, 0.9, 0.9, 0, 0},
    {"SeriesFEqTrimDataSet", 24, {3, 2, 1.5, 1, 0.75, 0.5}, 0.2, 90, 0.9, 0.9, 0, 0},
    {"SeriesDTrimDataSet", 12, {0.75, 0.5}, 0.2, 4, 0.9, 0.9, 0, 0},
    {"SeriesBTrimDataSet", 42, {2, 1.5, 1, 0.75, 0.5, 0.25}, 0.21, 19, 0.9, 0.9, 0, 0},
    {"SeriesATrimDataSet", 59, {2, 1.5, 1, 0.75, 0.5, 0.25}, 0.21, 32.4, 0.9, 0.9, 1, 0},
    {"LinCvDataSet", 177, {8, 6, 4, 3, 2, 1.5, 1, 0.75, 0.5, 0.25}, 0.0008, 600, 0.6, 0.9, 24, 0},
    {"EqCvDataSet", 28, {6, 4, 3, 2, 1.5, 1, 0.75, 0.5}, 2.5, 230, 0.6, 0.8, 0, 0},
    {"SeriesGHTrimDataSet", 20, {3, 2, 1.5, 1, 0.75, 0.5}, 0.3, 28, 0.9, 0.9, 0, 0},
    {"TQACDataSet", 7, {3, 2, 1.5, 1, 0.75, 0.5}, 0.6, 29.4, 0.9, 0.9, 7, 0},
    {"TQBCDataSet", 7, {3, 2, 1.5, 1, 0.75, 0.5}, 0.5, 28, 0.9, 0.9, 7, 0},
    {"TQCVLinDataSet", 27, {4, 3, 2, 1.5, 1, 0.75, 0.5}, 0.2, 200, 0.9, 0.9, 22, 1},
    {"TQCVEqDataSet", 24, {3, 2, 1.5, 1, 0.75, 0.5}, 0.2, 100, 0.9, 0.9, 21, 1},
    {"TQACPMDataSet", 5, {3, 2, 1.5, 1, 0.75}, 1.5, 28, 0.9, 0.9, 5, 0},
    {"TQBCPMDataSet", 7, {3, 2, 1.5, 1, 0.75}, 1.5, 30, 0.9, 0.9, 7, 0},
};

std::string TwoDecimals(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

TEST(ReferenceTables, TrimTablesStandAsStated) {
  for (const TrimCase& c : kTrims) {
    SCOPED_TRACE(c.name);
    TClientDataSet ds(ReferenceTable(c.name));
    const bool slots = ds.Fields(3).FieldName() == "NUMSLOTS";
    EXPECT_EQ(ds.Fields(3).FieldName(), std::string(c.name).find("CvDataSet") != std::string::npos
                                            ? "NUMSLOTS" : "NUMHOLES");
    EXPECT_EQ(ds.RecordCount(), c.rows);
    std::set<double> sizes;
    double cvMin = 1e9, cvMax = 0, prfMin = 1e9, prfMax = 0, lastSize = 1e9, lastCv = 1e9;
    int geometry = 0, repeated = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) {
      const double size = Num(ds, "SIZE"), cv = Num(ds, "CV"), prf = Num(ds, "PRF");
      // Largest size first; within a size, largest Cv first.
      EXPECT_LE(size, lastSize) << "record " << ds.RecNo();
      if (size == lastSize) {
        EXPECT_LE(cv, lastCv) << "record " << ds.RecNo();
      }
      if (size == lastSize && cv == lastCv) ++repeated;
      lastSize = size;
      lastCv = cv;
      sizes.insert(size);
      cvMin = std::min(cvMin, cv);
      cvMax = std::max(cvMax, cv);
      prfMin = std::min(prfMin, prf);
      prfMax = std::max(prfMax, prf);
      if (ds.Fields(3).AsFloat() != 0) {
        ++geometry;
        EXPECT_GT(ds.Fields(4).AsFloat(), 0) << "record " << ds.RecNo();
        if (slots) {
          EXPECT_GT(Num(ds, "SLOT_L"), 0) << "record " << ds.RecNo();
        }
      } else {
        for (int f = 4; f < ds.FieldCount(); ++f) EXPECT_EQ(ds.Fields(f).AsFloat(), 0);
      }
      // The size list shows the size with two decimals and the Cv list the general number
      // text; both must find the row again.
      TClientDataSet probe(ReferenceTable(c.name));
      probe.SetIndexFieldNames("SIZE;CV");
      EXPECT_TRUE(probe.Locate("SIZE;CV", {TwoDecimals(size), ds.FieldByName("CV").AsString()}))
          << size << " " << cv;
    }
    EXPECT_EQ(sizes, c.sizes);
    EXPECT_EQ(cvMin, c.cvMin);
    EXPECT_EQ(cvMax, c.cvMax);
    EXPECT_EQ(prfMin, c.prfMin);
    EXPECT_EQ(prfMax, c.prfMax);
    EXPECT_EQ(geometry, c.withGeometry);
    EXPECT_EQ(repeated, c.repeated);
  }
}

TEST(ReferenceTables, TellingTrimRows) {
  auto row = [](const char* table, int recNo) {
    TClientDataSet ds(ReferenceTable(table));
    ds.SetRecNo(recNo < 0 ? ds.RecordCount() + 1 + recNo : recNo);
    std::vector<double> v;
    for (int f = 0; f < ds.FieldCount(); ++f) v.push_back(ds.Fields(f).AsFloat());
    return v;
  };
  EXPECT_EQ(row("LinCvDataSet", 1), (std::vector<double>{8, 600, 0.6, 12, 0.437, 2.794}));
  EXPECT_EQ(row("LinCvDataSet", -1), (std::vector<double>{0.25, 0.0008, 0.9, 0, 0, 0}));
  EXPECT_EQ(row("CavTrimDataSet", 1), (std::vector<double>{6, 330, 0.92, 248, 0.0063}));
  EXPECT_EQ(row("CavTrimDataSet", -1), (std::vector<double>{1.5, 5, 0.92, 34, 0.0027}));
  EXPECT_EQ(row("TQACPMDataSet", 1), (std::vector<double>{3, 28, 0.9, 1, 1.843}));

  TClientDataSet a(ReferenceTable("SeriesATrimDataSet"));
  ASSERT_TRUE(a.Locate("NUMHOLES", {1.0}));
  EXPECT_EQ(Num(a, "SIZE"), 2);
  EXPECT_EQ(Num(a, "CV"), 19);
  EXPECT_EQ(Num(a, "HOLESIZE"), 1.675);

  // At 3 in the Series G/H list offers three Cvs, smallest first, the third being 28.
  TClientDataSet gh(ReferenceTable("SeriesGHTrimDataSet"));
  gh.SetIndexFieldNames("SIZE;CV");
  gh.SetRange({3.0}, {3.0});
  std::vector<double> cvs;
  for (gh.First(); !gh.Eof(); gh.Next()) cvs.push_back(Num(gh, "CV"));
  ASSERT_GE(cvs.size(), 3u);
  EXPECT_EQ(cvs[2], 28);
}

TEST(ReferenceTables, SaturatedSteamRisesAndFollowsTheSaturationLine) {
  TClientDataSet st(ReferenceTable("SteamDataSet"));
  ASSERT_EQ(st.RecordCount(), 111);
  double p = -1, pg = -100, t = -100;
  std::map<double, std::pair<double, double>> rows;
  for (st.First(); !st.Eof(); st.Next()) {
    const double a = Num(st, "ASTPABS"), g = Num(st, "ASTPGAUGE"), temp = Num(st, "ASTTEMP");
    EXPECT_GT(a, p) << "record " << st.RecNo();
    EXPECT_GT(g, pg) << "record " << st.RecNo();
    EXPECT_GT(temp, t) << "record " << st.RecNo();
    EXPECT_NEAR(g, a - 14.696, 0.051) << "record " << st.RecNo();
    p = a, pg = g, t = temp;
    rows[a] = {g, temp};
  }
  const std::pair<double, std::pair<double, double>> telling[] = {
      {0.08859, {-14.61, 31.984}}, {14.696, {0, 211.95}},      {100, {85.3, 327.82}},
      {1000, {985.3, 544.58}},     {3200, {3185.3, 705.08}},
  };
  for (const auto& [psia, expected] : telling) {
    ASSERT_TRUE(rows.count(psia)) << psia;
    EXPECT_EQ(rows[psia], expected) << psia;
  }
  // Published saturation temperatures of IAPWS-IF97 at 0.1, 1 and 10 MPa, read from the table
  // the way the sizing form does: nearest pressure at or above, straight line from the one below.
  st.SetIndexFieldNames("ASTPABS");
  const std::pair<double, double> checks[] = {{0.1, 372.755919}, {1, 453.035632}, {10, 584.149488}};
  for (const auto& [mpa, kelvin] : checks) {
    const double psia = mpa / 6894.757293168e-6;
    st.FindNearest({psia});
    const double p2 = Num(st, "ASTPABS"), t2 = Num(st, "ASTTEMP");
    st.Prior();
    const double p1 = Num(st, "ASTPABS"), t1 = Num(st, "ASTTEMP");
    const double f = t1 + (psia - p1) / (p2 - p1) * (t2 - t1);
    EXPECT_NEAR(f, kelvin * 1.8 - 459.67, 0.1) << mpa << " MPa";
  }
}

TEST(ReferenceTables, AirAndWaterPropertiesByTemperature) {
  // degrees F, air viscosity, water vapour pressure, water viscosity, water specific gravity
  const double expected[33][5] = {
      {32, 0.017, 0.09, 1.75, 1},      {40, 0.017, 0.12, 1.52, 1},
      {50, 0.017, 0.18, 1.299, 1},     {60, 0.018, 0.26, 1.15, 1},
      {70, 0.018, 0.36, 1.02, 1},      {80, 0.018, 0.51, 0.891, 1},
      {90, 0.018, 0.7, 0.8, 1},        {100, 0.019, 0.95, 0.68, 0.99},
      {110, 0.019, 1.28, 0.594, 0.99}, {120, 0.019, 1.69, 0.541, 0.99},
      {130, 0.019, 2.22, 0.498, 0.99}, {140, 0.02, 2.89, 0.46, 0.98},
      {150, 0.02, 3.72, 0.427, 0.98},  {160, 0.02, 4.74, 0.402, 0.98},
      {170, 0.02, 5.99, 0.373, 0.97},  {180, 0.021, 7.51, 0.35, 0.97},
      {190, 0.021, 9.34, 0.311, 0.97}, {200, 0.021, 11.53, 0.292, 0.96},
      {210, 0.021, 14.12, 0.287, 0.96}, {212, 0.022, 14.7, 0.282, 0.96},
      {220, 0.022, 17.19, 0.255, 0.96}, {240, 0.022, 24.97, 0.228, 0.95},
      {260, 0.023, 35.43, 0.213, 0.94}, {280, 0.023, 49.2, 0.198, 0.93},
      {300, 0.024, 67.01, 0.182, 0.92}, {350, 0.025, 134.6, 0.152, 0.89},
      {400, 0.026, 247.26, 0.131, 0.86}, {450, 0.027, 422.55, 0.115, 0.83},
      {500, 0.028, 680.86, 0.103, 0.78}, {550, 0.029, 1045.43, 0.095, 0.74},
      {600, 0.03, 1543.2, 0.087, 0.68}, {650, 0.031, 2208.4, 0.082, 0.6},
      {700, 0.031, 3094.3, 0.071, 0.44},
  };
  TClientDataSet air(ReferenceTable("AirPropsDataSet")), water(ReferenceTable("WaterPropsDataSet"));
  ASSERT_EQ(air.RecordCount(), 33);
  ASSERT_EQ(water.RecordCount(), 33);
  for (const auto& r : expected) {
    SCOPED_TRACE(r[0]);
    EXPECT_EQ(Num(air, "DEGREESF"), r[0]);
    EXPECT_EQ(Num(air, "VISC"), r[1]);
    EXPECT_EQ(Num(water, "DEGREESF"), r[0]);
    EXPECT_EQ(Num(water, "VP"), r[2]);
    EXPECT_EQ(Num(water, "VISC"), r[3]);
    EXPECT_EQ(Num(water, "SG"), r[4]);
    air.Next();
    water.Next();
  }
}

TEST(ReferenceTables, FluidLibrariesArePlausible) {
  TClientDataSet liq(ReferenceTable("LiquidDataSet"));
  std::set<std::string> names;
  for (liq.First(); !liq.Eof(); liq.Next()) {
    const std::string name = liq.FieldByName("DISPLAY_NA").AsString();
    SCOPED_TRACE(name);
    EXPECT_TRUE(names.insert(name).second);
    for (const char* f : {"SG_LIQ", "CRIT_PRES", "CRIT_TEMP", "VISC", "VAP_PRES"})
      EXPECT_GT(Num(liq, f), 0) << f;
    EXPECT_EQ(Num(liq, "AMB_TEMP"), 60);
    EXPECT_EQ(Num(liq, "SPEC_HEAT"), name == "Unlisted Liquid" ? 1 : 0);
    if (name != "Unlisted Liquid") {
      EXPECT_LT(Num(liq, "VAP_PRES"), Num(liq, "CRIT_PRES"));
    }
  }
  EXPECT_EQ(names.size(), 48u);
  liq.First();
  EXPECT_EQ((std::vector<double>{Num(liq, "SG_LIQ"), Num(liq, "CRIT_PRES"), Num(liq, "CRIT_TEMP"),
                                 Num(liq, "VISC"), Num(liq, "SPEC_HEAT"), Num(liq, "VAP_PRES")}),
            (std::vector<double>{1.0, 3206, 1166, 1.1, 0, 0.26}));
  ASSERT_TRUE(liq.Locate("DISPLAY_NA", {std::string("Unlisted Liquid")}));
  EXPECT_EQ(liq.RecNo(), 2);
  EXPECT_EQ(Num(liq, "SG_LIQ"), 1.05);
  liq.Last();
  EXPECT_EQ(liq.FieldByName("DISPLAY_NA").AsString(), "Whiskey");

  TClientDataSet gas(ReferenceTable("GasDataSet"));
  for (gas.First(); !gas.Eof(); gas.Next()) {
    EXPECT_EQ(Num(gas, "MPA_S"), 0);
    EXPECT_EQ(Num(gas, "COMPRESS"), 1);
  }
  ASSERT_TRUE(gas.Locate("DISPLAY_NA", {std::string("Air @ Normal Temp (0 deg C)")}));
  EXPECT_EQ(Num(gas, "AMB_TEMP"), 0);
  gas.Last();
  EXPECT_EQ(gas.FieldByName("DISPLAY_NA").AsString(), "Xenon");
  EXPECT_EQ(Num(gas, "SPEC_HEAT"), 1.66);
}

} // namespace
