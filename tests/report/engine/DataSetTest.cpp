// Datasets: ranges and navigation, datasets that cannot end, user and in-memory datasets,
// aliases, names, the global list, references that outlive their dataset, and the report's
// dataset lists.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() { enginesetup::StartResources(); }

} // namespace

TEST(DataSets, CountRangesNavigate) {
  Start();
  TrepDataSet D(nullptr);
  D.RangeEnd = reCount;
  D.RangeEndCount = 3;
  D.First();
  D.Next();
  D.Next();
  EXPECT_EQ(D.RecNo(), 2);
  EXPECT_FALSE(D.Eof());
  D.Next();
  EXPECT_EQ(D.RecNo(), 2);
  EXPECT_TRUE(D.Eof());
  EXPECT_EQ(D.RecordCount(), 3);
  D.RangeBegin = rbCurrent;
  EXPECT_EQ(D.RecordCount(), 0);

  TrepDataSet Empty(nullptr);
  Empty.RangeEnd = reCount;
  Empty.First();
  EXPECT_TRUE(Empty.Eof());

  // Callbacks: OnNext is not called on the step that ends the range; OnCheckEOF has the last word.
  int Nexts = 0;
  D.RangeBegin = rbFirst;
  D.OnNext = [&](rt::TObject*) { ++Nexts; };
  D.First();
  D.Next();
  D.Next();
  D.Next();
  EXPECT_EQ(Nexts, 2);
  D.OnCheckEOF = [](rt::TObject*, bool& Eof) { Eof = false; };
  EXPECT_FALSE(D.Eof());
}

TEST(DataSets, ADataSetThatCannotEndIsRefused) {
  Start();
  TrepDataSet Endless(nullptr);
  EXPECT_FALSE(Endless.CanEnd());
  int Visits = 0;
  EXPECT_THROW(Endless.ForEach([&] { ++Visits; }), rt::Exception);
  EXPECT_EQ(Visits, 0);

  // An end check that never says so stops at the limit instead of looping for ever.
  Endless.OnCheckEOF = [](rt::TObject*, bool& Eof) { Eof = false; };
  EXPECT_THROW(Endless.ForEach([&] { ++Visits; }, 1000), rt::Exception);
  EXPECT_EQ(Visits, 1000);

  TrepDataSet Counted(nullptr);
  Counted.RangeEnd = reCount;
  Counted.RangeEndCount = 4;
  Visits = 0;
  Counted.ForEach([&] { ++Visits; });
  EXPECT_EQ(Visits, 4);
}

TEST(DataSets, UserAndMemoryDataSets) {
  Start();
  TrepUserDataSet U(nullptr);
  U.Fields.Add("Name");
  U.Fields.Add("Qty");
  U.OnGetValue = [](const std::string&, rt::Variant& V) { V = rt::Variant(1); };
  U.OnNewGetValue = [](rt::TObject*, const std::string& Name, rt::Variant& V) {
    V = rt::Variant(Name + "=" + rt::VarToStr(V));
  };
  EXPECT_EQ(rt::VarToStr(U.GetValue("Qty")), "Qty=1");
  EXPECT_EQ(U.GetDisplayText("Qty"), u"Qty=1");
  EXPECT_EQ(U.FieldsCount(), 2);
  EXPECT_TRUE(U.HasField("qty"));
  EXPECT_FALSE(U.HasField("Price"));
  TrepUserDataSet Bare(nullptr);
  EXPECT_TRUE(Bare.GetValue("x").IsNull());
  EXPECT_EQ(Bare.GetDisplayText("x"), u"");

  TrepMemoryDataSet M(nullptr);
  M.Fields.Add("Size");
  M.Fields.Add("Cv");
  M.AppendRow({rt::Variant(1.5), rt::Variant(20)});
  M.AppendRow({rt::Variant(2.0)});
  std::vector<std::string> Seen;
  M.ForEach([&] { Seen.push_back(rt::VarToStr(M.GetValue("Size")) + "/" + rt::VarToStr(M.GetValue("cv"))); });
  EXPECT_EQ(Seen, (std::vector<std::string>{"1.5/20", "2/"}));
  EXPECT_EQ(M.RecordCount(), 2);
  EXPECT_EQ(M.GetFieldType("Size"), fftNumeric);
  M.RangeEnd = reCount;
  M.RangeEndCount = 1;
  EXPECT_EQ(M.RecordCount(), 1);
}

// Whatever the class, Next at the end keeps the last record and only sets the end flag: a
// footer printed after the data reads the last row, not an empty one.
TEST(DataSets, TheEndStaysOnTheLastRecord) {
  Start();
  struct Case {
    const char* Name;
    int Rows;      // rows of a memory dataset; -1 for a user dataset over a count range
    int RangeEnd;  // count range, 0 for none
    int LastRecNo;
  };
  const Case Cases[] = {
      {"memory", 3, 0, 2},
      {"memory, shorter range", 3, 2, 1},
      {"memory, longer range", 3, 5, 2},
      {"user, count range", -1, 3, 2},
  };
  const char* Keys[] = {"a", "a", "b"};
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    TrepMemoryDataSet M(nullptr);
    TrepUserDataSet U(nullptr);
    TrepDataSet* D = &M;
    M.Fields.Add("K");
    for (int I = 0; I < C.Rows; ++I) M.AppendRow({rt::Variant(Keys[I])});
    if (C.Rows < 0) {
      D = &U;
      U.Fields.Add("K");
      U.OnGetValue = [&](const std::string&, rt::Variant& V) { V = rt::Variant(Keys[U.RecNo()]); };
    }
    if (C.RangeEnd > 0) {
      D->RangeEnd = reCount;
      D->RangeEndCount = C.RangeEnd;
    }
    int Nexts = 0;
    D->OnNext = [&](rt::TObject*) { ++Nexts; };
    int Visits = 0;
    D->ForEach([&] { ++Visits; });
    EXPECT_EQ(Visits, C.LastRecNo + 1);
    EXPECT_EQ(Nexts, C.LastRecNo) << "the step that ends calls no OnNext";
    EXPECT_TRUE(D->Eof());
    EXPECT_EQ(D->RecNo(), C.LastRecNo);
    EXPECT_EQ(rt::VarToStr(D->GetValue("K")), Keys[C.LastRecNo]);
    D->Next();  // a further step changes nothing
    EXPECT_TRUE(D->Eof());
    EXPECT_EQ(D->RecNo(), C.LastRecNo);
    D->First();
    EXPECT_FALSE(D->Eof());
    EXPECT_EQ(rt::VarToStr(D->GetValue("K")), "a");
  }

  // Without rows there is nothing to stay on: the end is there at once and reads Null.
  TrepMemoryDataSet Empty(nullptr);
  Empty.Fields.Add("K");
  Empty.First();
  EXPECT_TRUE(Empty.Eof());
  Empty.Next();
  EXPECT_TRUE(Empty.Eof());
  EXPECT_TRUE(Empty.GetValue("K").IsNull());
}

TEST(DataSets, NamesAndAliases) {
  Start();
  TrepDataSet D(nullptr);
  D.SetName("Customers");
  EXPECT_EQ(D.UserName(), "Customers");
  D.SetName("Clients");  // a user name stays once set
  EXPECT_EQ(D.UserName(), "Customers");
  EXPECT_THROW(D.SetUserName("   "), rt::Exception);
  EXPECT_EQ(D.UserName(), "Customers");
  D.SetUserName(" Padded ");
  EXPECT_EQ(D.UserName(), " Padded ");

  TrepCustomDBDataSet DB(nullptr);
  DB.FieldAliases.Add("CUST_NO=Number");
  DB.FieldAliases.Add("NAME=Customer name");
  EXPECT_EQ(DB.GetAlias("cust_no"), "Number");
  EXPECT_EQ(DB.GetAlias("City"), "City");
  EXPECT_EQ(DB.ConvertAlias("Customer name"), "NAME");
  EXPECT_EQ(DB.ConvertAlias("Other"), "Other");
}

TEST(DataSets, ReferencesAreCheckedOnUse) {
  Start();
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  auto* View = new TrepView(Page);
  auto* D = new TrepUserDataSet(Page);
  D->SetName("Orders");
  View->SetDataSet(D);
  View->DataField = "Total";
  R.SetDataSet(D);
  R.DataSets().Add(D);
  EXPECT_TRUE(View->IsDataField());
  EXPECT_EQ(View->DataSetName(), "Orders");
  delete D;
  // Every holder sees the dataset gone, even if a new object were to take its address.
  EXPECT_EQ(View->DataSet(), nullptr);
  EXPECT_FALSE(View->IsDataField());
  EXPECT_EQ(View->DataSetName(), "Orders");
  EXPECT_EQ(R.DataSet(), nullptr);
  EXPECT_EQ(R.DataSets().Count(), 0);  // the report let go of its item

  // A dataset that outlives the report it served does not call back into it.
  auto* Outside = new TrepUserDataSet(nullptr);
  {
    TrepReport Gone(nullptr);
    Gone.DataSets().Add(Outside);
    Gone.DataSets().Initialize();
    EXPECT_EQ(Outside->ReportRef, &Gone);
  }
  EXPECT_EQ(Outside->ReportRef, nullptr);
  delete Outside;
}

// Every object that can be bound to a dataset holds it the same way: bound by object or by
// name, seen as gone once freed while the name stays, and found again by name.
TEST(DataSets, EveryHolderBindsByObjectAndByName) {
  Start();
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  auto* Band = new TrepDataBand(Page);
  auto* View = new TrepView(Band);
  struct Holder {
    const char* Kind;
    std::function<TrepDataSet*()> Get;
    std::function<void(TrepDataSet*)> Set;
    std::function<std::string()> Name;
    std::function<void(const std::string&)> SetName;
  };
  const Holder Holders[] = {
      {"view", [&] { return View->DataSet(); }, [&](TrepDataSet* D) { View->SetDataSet(D); },
       [&] { return View->DataSetName(); }, [&](const std::string& N) { View->SetDataSetName(N); }},
      {"data band", [&] { return Band->DataSet(); }, [&](TrepDataSet* D) { Band->SetDataSet(D); },
       [&] { return Band->DataSetName(); }, [&](const std::string& N) { Band->SetDataSetName(N); }},
      {"page", [&] { return Page->DataSet(); }, [&](TrepDataSet* D) { Page->SetDataSet(D); },
       [&] { return Page->DataSetName(); }, [&](const std::string& N) { Page->SetDataSetName(N); }},
      {"report", [&] { return R.DataSet(); }, [&](TrepDataSet* D) { R.SetDataSet(D); },
       [&] { return R.DataSetName(); }, [&](const std::string& N) { R.SetDataSetName(N); }},
  };
  for (const Holder& H : Holders) {
    SCOPED_TRACE(H.Kind);
    auto* Orders = new TrepUserDataSet(Page);
    Orders->SetName("Orders");
    H.Set(Orders);
    EXPECT_EQ(H.Get(), Orders);
    EXPECT_EQ(H.Name(), "Orders");
    Orders->SetUserName("Sales");
    EXPECT_EQ(H.Name(), "Sales") << "a bound dataset answers with its current name";
    delete Orders;
    EXPECT_EQ(H.Get(), nullptr);
    EXPECT_EQ(H.Name(), "Orders") << "the name given when binding stays";

    auto* Lines = new TrepUserDataSet(Page);
    Lines->SetName("Lines");
    H.SetName("LINES");
    EXPECT_EQ(H.Get(), Lines);
    H.Set(nullptr);
    EXPECT_EQ(H.Name(), "");
    H.SetName("Nothing");
    EXPECT_EQ(H.Get(), nullptr);
    EXPECT_EQ(H.Name(), "Nothing");
    delete Lines;
  }
}

TEST(DataSets, GlobalListAndLookups) {
  Start();
  TrepReport A(nullptr), B(nullptr);
  auto* PageA = new TrepReportPage(&A);
  auto* Mine = new TrepUserDataSet(PageA);
  Mine->SetName("Lines");
  TrepUserDataSet Loose(nullptr);
  Loose.SetName("Loose");
  Loose.Enabled = false;

  EXPECT_EQ(FindDataSetInGlobalList(nullptr, "LINES", &A), Mine);
  EXPECT_EQ(FindDataSetInGlobalList(nullptr, "Lines", &B), nullptr);  // another report's
  EXPECT_EQ(FindDataSetInGlobalList(&Loose, "", &A), nullptr);
  EXPECT_EQ(FindDataSetInGlobalList(&Loose, "Lines", nullptr), &Loose);
  rt::TStringList L;
  ListGlobalDataSets(L);
  EXPECT_GE(L.IndexOf("Lines"), 0);
  EXPECT_LT(L.IndexOf("Loose"), 0);  // disabled

  // With the global list off, a report finds only its enabled datasets.
  A.EngineOptions.UseGlobalDataSetList = false;
  auto* View = new TrepView(PageA);
  View->SetDataSetName("Lines");
  EXPECT_EQ(View->DataSet(), nullptr);
  A.EnabledDataSets().Add(Mine);
  View->SetDataSetName("Lines");
  EXPECT_EQ(View->DataSet(), Mine);
  A.GetActiveDataSetList(L);
  EXPECT_EQ(L.Count(), 1);
}

TEST(Report, DataSetListsAndNames) {
  Start();
  TrepReport R(nullptr);
  auto* Page = new TrepReportPage(&R);
  auto* Orders = new TrepUserDataSet(Page);
  Orders->SetName("Orders");
  auto* Items = new TrepCustomDBDataSet(Page);
  Items->SetName("ItemsTable");
  Items->SetUserName("Items");
  R.DataSets().Add(Orders);
  R.DataSets().Add(Items);

  EXPECT_EQ(R.GetDataset("items"), Items);
  EXPECT_EQ(R.GetDataset("ItemsTable"), Items);  // by component name too
  EXPECT_EQ(R.GetDataset("Nothing"), nullptr);
  EXPECT_EQ(R.GetAlias(Orders), "Orders");
  EXPECT_EQ(R.GetAlias(nullptr), "");
  TrepUserDataSet Other(nullptr);
  EXPECT_EQ(R.GetAlias(&Other), ResourceTable().Get("clDSNotIncl"));

  TrepDataSet* D = nullptr;
  std::string Field;
  R.GetDatasetAndField("Items.\"Price\"", D, Field);
  EXPECT_EQ(D, Items);
  EXPECT_EQ(Field, "Price");
  R.GetDatasetAndField("Items.Price", D, Field);
  EXPECT_EQ(D, nullptr);
  EXPECT_EQ(Field, "");

  rt::TStringList L;
  R.GetDataSetList(L, false);
  EXPECT_EQ(L.Text(), "Orders\r\nItems\r\n");
  R.GetDataSetList(L, true);
  EXPECT_EQ(L.Text(), "Items\r\n");

  R.SetDataSetName("Orders");
  EXPECT_EQ(R.DataSet(), Orders);
  R.DataSets().Delete("ORDERS");
  EXPECT_EQ(R.DataSets().Count(), 1);

  R.Variables().SetVariables("Total", rt::Variant(1));
  ASSERT_EQ(R.Variables().Count(), 1);
  R.Clear();
  EXPECT_EQ(R.DataSets().Count(), 0);
  EXPECT_EQ(R.Variables().Count(), 0);
  EXPECT_EQ(R.DataSet(), nullptr);
  EXPECT_EQ(R.DataSetName(), "");
}

TEST(Report, HyperlinksAssignReportVariables) {
  Start();
  TrepReport R(nullptr);
  R.Variables().SetVariables("A", rt::Variant(0));
  R.Variables().SetVariables("B", rt::Variant(0));
  TrepHyperlink H;
  H.ReportVariable = "A;B;Missing";
  H.Value = "1;2;3";
  H.AssignVariables(&R);
  EXPECT_EQ(rt::VarToStr(R.Variables().Variables("A")), "1");
  EXPECT_EQ(rt::VarToStr(R.Variables().Variables("B")), "2");
  EXPECT_LT(R.Variables().IndexOf("Missing"), 0);
  H.ReportVariable = "A;B";
  H.Value = "whole";
  H.AssignVariables(&R);
  EXPECT_EQ(rt::VarToStr(R.Variables().Variables("B")), "whole");
}
