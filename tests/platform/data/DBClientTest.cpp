#include "platform/data/DBClient.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using data::TClientDataSet;
using data::TTable;

// A small trim table: sizes largest first, one size out of Cv order, and a repeated key (1, 4.5)
// whose PRF tells the two rows apart.
std::shared_ptr<const TTable> Trims() {
  static auto t = TTable::FromCsv("Trims",
      "SIZE:float,CV:float,PRF:float,NUMHOLES:float,HOLESIZE:float\n"
      "2,19,0.9,1,1.675\n"
      "2,9,0.8,0,0\n"
      "1,4.5,0.9,0,0\n"
      "1,6,0.7,0,0\n"
      "0.75,2,0.9,0,0\n"
      "0.38,1.2,0.9,0,0\n"
      "0.38,0.5,0.9,0,0\n"
      "0.36,0.3,0.9,0,0\n"
      "1,4.5,0.6,0,0\n");
  return t;
}

std::vector<double> Walk(TClientDataSet& ds, const char* field) {
  std::vector<double> v;
  ds.First();
  while (!ds.Eof()) {
    v.push_back(ds.FieldByName(field).AsFloat());
    ds.Next();
  }
  return v;
}

TEST(ClientDataSetCursor, MovesThroughRecordsInStoredOrder) {
  TClientDataSet ds(Trims());
  EXPECT_EQ(ds.RecordCount(), 9);
  EXPECT_EQ(ds.RecNo(), 1);
  EXPECT_TRUE(ds.Bof());
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(Walk(ds, "CV"), (std::vector<double>{19, 9, 4.5, 6, 2, 1.2, 0.5, 0.3, 4.5}));
  // Next on the last record stays there.
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.RecNo(), 9);
  ds.Prior();
  EXPECT_FALSE(ds.Eof());
  EXPECT_EQ(ds.RecNo(), 8);
  ds.First();
  ds.Prior();
  EXPECT_TRUE(ds.Bof());
  EXPECT_EQ(ds.RecNo(), 1);
  ds.Last();
  EXPECT_EQ(ds.RecNo(), 9);
  EXPECT_TRUE(ds.Eof());
  ds.SetRecNo(4);
  EXPECT_EQ(ds.FieldByName("CV").AsFloat(), 6);
  EXPECT_FALSE(ds.Eof());
  EXPECT_FALSE(ds.Bof());
  // A record number outside 1..RecordCount leaves the cursor alone.
  for (int n : {0, -1, 10}) {
    ds.SetRecNo(n);
    EXPECT_EQ(ds.RecNo(), 4) << n;
  }
}

TEST(ClientDataSetCursor, EmptyTableHasNoCurrentRecord) {
  TClientDataSet ds(TTable::FromCsv("Empty", "A:float,B:string:5\n"));
  EXPECT_EQ(ds.RecordCount(), 0);
  EXPECT_EQ(ds.RecNo(), 0);
  EXPECT_TRUE(ds.Eof());
  EXPECT_TRUE(ds.Bof());
  ds.Next();
  ds.Last();
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("A").AsFloat(), 0);
  EXPECT_EQ(ds.FieldByName("B").AsString(), "");
  EXPECT_FALSE(ds.Locate("A", {1.0}));
}

TEST(ClientDataSetFields, ByNameByNumberAndPersistent) {
  TClientDataSet ds(Trims());
  data::TField cv(ds, "CV");  // follows the cursor, like a persistent field
  EXPECT_EQ(ds.FieldByName("holesize").AsFloat(), 1.675);
  EXPECT_EQ(ds.Fields(3).FieldName(), "NUMHOLES");
  EXPECT_EQ(ds.FieldCount(), 5);
  ds.SetRecNo(2);
  EXPECT_EQ(cv.AsFloat(), 9);
  EXPECT_THROW(ds.Fields(5), rt::EListError);
  EXPECT_EQ(ds.FindField("NOPE").FieldNo(), -1);
  try {
    ds.FieldByName("NOPE");
    FAIL();
  } catch (const data::EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Trims: Field 'NOPE' not found");
  }
  EXPECT_THROW(data::TField(ds, "NOPE"), data::EDatabaseError);
}

TEST(ClientDataSetFields, FloatTextsAndTextNumbers) {
  struct Case {
    const char* cell;
    const char* text;
  } cases[] = {
      {"1166", "1166"},          {"0.0000353", "3.53E-5"},
      {"0.0001", "0.0001"},      {"0.00001", "1E-5"},
      {"32.4", "32.4"},          {"-14.61", "-14.61"},
      {"0", "0"},                {"2.204622128382255", "2.20462212838226"},
      {"123456789012345", "123456789012345"},
      {"1500000000000000", "1.5E15"},
      {"0.1", "0.1"},            {"35.00", "35"},
  };
  for (const Case& c : cases) {
    TClientDataSet ds(TTable::FromCsv("N", std::string("A:float\n") + c.cell + "\n"));
    EXPECT_EQ(ds.FieldByName("A").AsString(), c.text) << c.cell;
  }
  TClientDataSet s(TTable::FromCsv("S", "A:string:9\n\" 12.5\"\nabc\n"));
  EXPECT_EQ(s.FieldByName("A").AsFloat(), 12.5);
  s.Next();
  EXPECT_THROW(s.FieldByName("A").AsFloat(), rt::EConvertError);
}

TEST(ClientDataSetIndex, OrdersByFieldsAndKeepsTheCurrentRecord) {
  TClientDataSet ds(Trims());
  ds.SetRecNo(1);  // 2 in, Cv 19
  ds.SetIndexFieldNames("SIZE;CV");
  EXPECT_EQ(ds.IndexFieldNames(), "SIZE;CV");
  EXPECT_EQ(ds.RecNo(), 9);
  EXPECT_EQ(ds.FieldByName("CV").AsFloat(), 19);
  EXPECT_EQ(Walk(ds, "CV"), (std::vector<double>{0.3, 0.5, 1.2, 2, 4.5, 4.5, 6, 9, 19}));
  // Equal keys keep their stored order.
  EXPECT_EQ(Walk(ds, "PRF"), (std::vector<double>{0.9, 0.9, 0.9, 0.9, 0.9, 0.6, 0.7, 0.8, 0.9}));
  ds.SetRecNo(7);  // 1 in, Cv 6: stored record 4
  ds.SetIndexFieldNames("");
  EXPECT_EQ(ds.RecNo(), 4);
  EXPECT_THROW(ds.SetIndexFieldNames("SIZE;NOPE"), data::EDatabaseError);
  EXPECT_EQ(ds.RecNo(), 4);
}

TEST(ClientDataSetRange, LimitsRecordsToKeysOfTheLeadingIndexField) {
  TClientDataSet ds(Trims());
  EXPECT_THROW(ds.SetRange({1.0}, {1.0}), data::EDatabaseError);
  ds.SetIndexFieldNames("SIZE;CV");
  ds.SetRange({1.0}, {1.0});
  EXPECT_EQ(ds.RecordCount(), 3);
  EXPECT_EQ(ds.RecNo(), 1);
  EXPECT_EQ(Walk(ds, "CV"), (std::vector<double>{4.5, 4.5, 6}));
  EXPECT_TRUE(ds.Eof());
  // Lifting the range keeps the record: 1 in, Cv 6 is the 7th in SIZE;CV order.
  ds.CancelRange();
  EXPECT_EQ(ds.RecordCount(), 9);
  EXPECT_EQ(ds.RecNo(), 7);
  EXPECT_EQ(ds.FieldByName("CV").AsFloat(), 6);

  struct Case {
    std::vector<data::TValue> lo, hi;
    std::vector<double> cvs;
  } cases[] = {
      {{0.35}, {0.40}, {0.3, 0.5, 1.2}},
      {{std::string("0.38")}, {std::string("0.38")}, {0.5, 1.2}},
      {{1.0, 5.0}, {2.0, 10.0}, {6, 9}},  // both index fields
      {{0.5}, {0.6}, {}},
      {{3.0}, {1.0}, {}},
  };
  for (const Case& c : cases) {
    ds.SetRange(c.lo, c.hi);
    EXPECT_EQ(ds.RecordCount(), static_cast<int>(c.cvs.size()));
    EXPECT_EQ(Walk(ds, "CV"), c.cvs);
    ds.CancelRange();
  }
  // Changing the order lifts a range.
  ds.SetRange({2.0}, {2.0});
  ds.SetIndexFieldNames("CV");
  EXPECT_EQ(ds.RecordCount(), 9);
}

TEST(ClientDataSetSearch, LocateAndLookupByValueOrText) {
  TClientDataSet ds(Trims());
  ds.SetIndexFieldNames("SIZE;CV");
  // Texts as a form shows them: the size with two decimals, the Cv in general format.
  ASSERT_TRUE(ds.Locate("SIZE;CV", {std::string("1.00"), std::string("6")}));
  EXPECT_EQ(ds.FieldByName("PRF").AsFloat(), 0.7);
  EXPECT_EQ(ds.RecNo(), 7);
  EXPECT_FALSE(ds.Locate("SIZE;CV", {1.0, 7.0}));
  EXPECT_EQ(ds.RecNo(), 7);
  // The first match in the current order.
  ds.SetIndexFieldNames("");
  ASSERT_TRUE(ds.Locate("size;cv", {1.0, 4.5}));
  EXPECT_EQ(ds.RecNo(), 3);
  ASSERT_TRUE(ds.Locate("PRF", {0.6}));
  EXPECT_EQ(ds.RecNo(), 9);

  ds.First();
  auto prf = ds.Lookup("SIZE;CV", {std::string("2.00"), std::string("19")}, "PRF");
  ASSERT_TRUE(prf.has_value());
  EXPECT_EQ(std::get<double>(*prf), 0.9);
  EXPECT_EQ(ds.RecNo(), 1);
  EXPECT_FALSE(ds.Lookup("SIZE;CV", {2.0, 18.0}, "PRF").has_value());

  EXPECT_THROW(ds.Locate("SIZE", {std::string("abc")}), rt::EConvertError);
  EXPECT_THROW(ds.Locate("SIZE;CV", {1.0}), data::EDatabaseError);
  EXPECT_THROW(ds.Lookup("SIZE", {1.0}, "NOPE"), data::EDatabaseError);

  TClientDataSet units(TTable::FromCsv("U", "LABEL:string:20,PMF:float\npsi,1\nbar,14.5\n"));
  ASSERT_TRUE(units.Locate("LABEL", {std::string("bar")}));
  EXPECT_EQ(units.FieldByName("PMF").AsFloat(), 14.5);
  EXPECT_FALSE(units.Locate("LABEL", {std::string("BAR")}));
}

TEST(ClientDataSetSearch, FindNearestGoesToTheFirstKeyAtOrAbove) {
  TClientDataSet ds(TTable::FromCsv("Steam",
      "ASTPGAUGE:float,ASTTEMP:float\n-14.61,31.984\n-5,162.2\n0,211.95\n85.3,327.82\n985.3,544.58\n"));
  EXPECT_THROW(ds.FindNearest({0.0}), data::EDatabaseError);
  ds.SetIndexFieldNames("ASTPGAUGE");
  struct Case {
    double p;
    int recNo;
  } cases[] = {{0, 3}, {50, 4}, {-20, 1}, {-14.61, 1}, {985.3, 5}, {5000, 5}, {-4.99, 3}};
  for (const Case& c : cases) {
    ds.SetRecNo(2);
    ds.FindNearest({c.p});
    EXPECT_EQ(ds.RecNo(), c.recNo) << c.p;
    EXPECT_FALSE(ds.Eof());
  }
}

TEST(ClientDataSetSharing, CursorsOnOneTableAreIndependentAcrossThreads) {
  auto table = Trims();
  TClientDataSet a(table), b(table);
  a.SetIndexFieldNames("SIZE;CV");
  a.SetRange({2.0}, {2.0});
  b.SetRecNo(5);
  EXPECT_EQ(a.RecordCount(), 2);
  EXPECT_EQ(b.RecordCount(), 9);
  EXPECT_EQ(b.FieldByName("CV").AsFloat(), 2);
  EXPECT_EQ(b.IndexFieldNames(), "");

  // Orders are built once per table on first use, from whichever thread asks first.
  auto fresh = TTable::FromCsv("Fresh", "A:float,B:float\n3,1\n1,2\n2,3\n1,1\n");
  std::vector<std::thread> threads;
  std::vector<std::vector<double>> seen(8);
  for (int i = 0; i < 8; ++i)
    threads.emplace_back([&, i] {
      TClientDataSet ds(fresh);
      ds.SetIndexFieldNames(i % 2 ? "A;B" : "B;A");
      seen[static_cast<size_t>(i)] = Walk(ds, "A");
    });
  for (auto& t : threads) t.join();
  for (int i = 0; i < 8; ++i)
    EXPECT_EQ(seen[static_cast<size_t>(i)],
              (i % 2 ? std::vector<double>{1, 1, 2, 3} : std::vector<double>{1, 3, 1, 2}));
}

} // namespace
