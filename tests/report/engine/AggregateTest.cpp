#include "report/engine/repAggregate.h"

#include <gtest/gtest.h>
#include <map>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"

namespace {

using Calls = std::vector<std::u16string>;

// ---- Finding the calls ----

struct FinderFixture {
  std::map<std::u16string, std::u16string> Variables;
  std::u16string Field = u"Items.\"Price\"";
  TrepAggregateScanContext Context{
      [this](const std::u16string& Name, std::u16string& Value) {
        auto It = Variables.find(Name);
        if (It == Variables.end()) return false;
        Value = It->second;
        return true;
      },
      [this](const std::u16string& Name) { return Name == Field; }};
};

TEST(AggregateCalls, FoundInMemoExpressions) {
  FinderFixture F;
  F.Variables[u"Total"] = u"SUM(<Items.\"Qty\">, MasterData1)";
  F.Variables[u"Loop"] = u"Loop + 1";
  struct Case {
    const char16_t* Text;
    const char16_t* Delimiters;
    Calls Expected;
  };
  const Case Cases[] = {
      {u"Total: [SUM(<Items.\"Price\">, MasterData1)]", u"[,]", {u"SUM(<Items.\"Price\">, MasterData1)"}},
      {u"[sum(<a>)] and [Count(MasterData1, 1)]", u"[,]", {u"sum(<a>)", u"Count(MasterData1, 1)"}},
      // Nested brackets and a call within parentheses and arithmetic.
      {u"[(MAX(<a>) - MIN(<b>)) * 2 + AVG((1+2)*<c>)]", u"[,]", {u"MAX(<a>)", u"MIN(<b>)", u"AVG((1+2)*<c>)"}},
      // A call inside quoted text is text, and a closing delimiter in quotes does not end it.
      {u"['SUM(<x>) ]' + SUM(<y>)]", u"[,]", {u"SUM(<y>)"}},
      {u"[\"COUNT(Band1)\"]", u"[,]", {}},
      // Words that only begin like a function, or are not followed by '(', are no calls.
      {u"[SUMMARY(<x>)] [SUM + 1] [MySum(<x>)]", u"[,]", {}},
      // Other delimiters; text outside them is not scanned.
      {u"SUM(<x>) <%MAX(<y>)%>", u"<%,%>", {u"MAX(<y>)"}},
      // A variable's value is scanned in its place, whole or as a word.
      {u"[Total]", u"[,]", {u"SUM(<Items.\"Qty\">, MasterData1)"}},
      {u"[Total / 2]", u"[,]", {u"SUM(<Items.\"Qty\">, MasterData1)"}},
      // A variable that names itself is scanned once, not forever.
      {u"[Loop]", u"[,]", {}},
      // A data field as a whole is not scanned further.
      {u"[Items.\"Price\"]", u"[,]", {}},
      // An unclosed call runs to the end of its expression; an unclosed expression ends the scan.
      {u"[SUM(<x>] [MAX(<y>)]", u"[,]", {u"SUM(<x>", u"MAX(<y>)"}},
      {u"[MIN(<y>) [", u"[,]", {u"MIN(<y>)"}},
      {u"no expressions", u"[,]", {}},
  };
  for (const Case& C : Cases)
    EXPECT_EQ(repFindAggregateCalls(C.Text, C.Delimiters, F.Context), C.Expected) << rt::Utf16ToUtf8(C.Text);
}

// ---- Making items from calls ----

class AggregateListTest : public ::testing::Test {
protected:
  AggregateListTest() : List(&Report) {
    Page = new TrepReportPage(&Report);
    Page->SetName("Page1");
    Data = new TrepBand(Page);
    Data->SetName("MasterData1");
    Other = new TrepBand(Page);
    Other->SetName("DetailData1");
    Footer = new TrepBand(Page);
    Footer->SetName("GroupFooter1");
    // Row values come from Row by expression text.
    List.Evaluate = [this](const std::u16string& E) {
      auto It = Row.find(E);
      return It == Row.end() ? rt::Variant::Null() : It->second;
    };
  }
  // Feeds one row of Data with the given value of <v>.
  void Feed(const rt::Variant& V, int Column = 0) {
    Row[u"<v>"] = V;
    List.AddValue(Data, Column);
  }

  TrepReport Report{nullptr};
  TrepReportPage* Page;
  TrepBand* Data;
  TrepBand* Other;
  TrepBand* Footer;
  TrepAggregateList List;
  std::map<std::u16string, rt::Variant> Row;
};

TEST_F(AggregateListTest, CallTextGivesFunctionBandAndFlags) {
  struct Case {
    const char16_t* Call;
    TrepAggregateFunction Function;
    const char16_t* Expression;
    TrepComponent* Band;
    bool Invisible, DontReset;
  };
  const Case Cases[] = {
      {u" SUM(<v>, MasterData1) ", agSum, u"<v>", Data, false, false},
      {u"avg(<a>, DetailData1, 3)", agAvg, u"<a>", Other, true, true},
      {u"Min(<a>)", agMin, u"<a>", Footer, false, false},          // no band: the default band
      {u"MAX(<a>, NoSuchBand, 2)", agMax, u"<a>", Footer, false, true},  // unknown band: the default
      {u"COUNT(DetailData1, 1)", agCount, u"", Other, true, false},
      {u"COUNT()", agCount, u"", Footer, false, false},
      // Commas inside nested calls and quotes do not separate arguments.
      {u"SUM(IIF(<a> > 0, <a>, 0), MasterData1)", agSum, u"IIF(<a> > 0, <a>, 0)", Data, false, false},
      {u"SUM(<a> + ',' + \"'\", MasterData1, 1, 9)", agSum, u"<a> + ',' + \"'\"", Data, true, false},
  };
  for (const Case& C : Cases) {
    TrepAggregateItem* It = List.AddItem(C.Call, "Memo1", Footer, Footer, false);
    EXPECT_EQ(It->FAggregateFunction, C.Function) << rt::Utf16ToUtf8(C.Call);
    EXPECT_EQ(It->FExpression, C.Expression) << rt::Utf16ToUtf8(C.Call);
    EXPECT_EQ(It->FBand, C.Band) << rt::Utf16ToUtf8(C.Call);
    EXPECT_EQ(It->FCountInvisibleBands, C.Invisible) << rt::Utf16ToUtf8(C.Call);
    EXPECT_EQ(It->FDontReset, C.DontReset) << rt::Utf16ToUtf8(C.Call);
    EXPECT_EQ(It->FParentBand, Footer);
    EXPECT_EQ(It->FMemoName, "Memo1");
  }
  EXPECT_THROW(List.AddItem(u"SUM(<a>, MasterData1, x)", "Memo1", Data, Footer, false), rt::EConvertError);
  EXPECT_THROW(List.AddItem(u"SUM(<a>, MasterData1, $2)", "Memo1", Data, Footer, false), rt::EConvertError);
}

TEST_F(AggregateListTest, TotalsOverRows) {
  using V = rt::Variant;
  struct Case {
    const char16_t* Call;
    std::vector<V> Rows;
    V Expected;
  };
  const Case Cases[] = {
      {u"SUM(<v>)", {V(5), V(3), V(7)}, V(15)},
      {u"MIN(<v>)", {V(5), V(3), V(7)}, V(3)},
      {u"MAX(<v>)", {V(5), V(3), V(7)}, V(7)},
      {u"AVG(<v>)", {V(5), V::Null(), V(7)}, V(6.0)},  // Null rows are not counted
      {u"AVG(<v>)", {}, V(0)},
      {u"SUM(<v>)", {}, V(0)},
      {u"SUM(<v>)", {V(false), V(true), V(true), V(false)}, V(2)},
      {u"SUM(<v>)", {V::Null(), V(2.5), V::Null()}, V(2.5)},
      {u"COUNT(MasterData1)", {V(1), V::Null(), V(3)}, V(3)},
      {u"MAX(<v>)", {V("b"), V("c"), V("a")}, V("c")},
  };
  for (const Case& C : Cases) {
    List.Clear();
    List.AddItem(C.Call, "Memo1", Data, Footer, false);
    for (const V& R : C.Rows) Feed(R);
    EXPECT_EQ(List.GetValue(Footer, C.Call, 0), C.Expected) << rt::Utf16ToUtf8(C.Call);
  }
}

TEST_F(AggregateListTest, InvisibleBandRowsCountOnlyWithFlag1) {
  List.AddItem(u"COUNT(MasterData1)", "Memo1", Data, Footer, false);
  List.AddItem(u"COUNT(MasterData1, 1)", "Memo2", Data, Footer, false);
  Feed(1);
  Data->SetVisible(false);
  Feed(1);
  Feed(1);
  EXPECT_EQ(List.GetValue(Footer, u"COUNT(MasterData1)", 0), rt::Variant(1));
  EXPECT_EQ(List.GetValue(Footer, u"count(masterdata1, 1)", 0), rt::Variant(3));
  EXPECT_EQ(List.GetValue(Footer, 0, "COUNT", u"", Data, 1), rt::Variant(3));
  EXPECT_EQ(List.GetValue(Footer, 0, "COUNT", u"", nullptr, 0), rt::Variant(1));
  EXPECT_TRUE(List.GetValue(Footer, 0, "COUNT", u"", Other, 0).IsNull());
  EXPECT_TRUE(List.GetValue(Data, u"COUNT(MasterData1)", 0).IsNull());
}

TEST_F(AggregateListTest, ResetsAndRunningTotals) {
  List.AddItem(u"SUM(<v>, MasterData1)", "Memo1", Data, Footer, false);
  List.AddItem(u"SUM(<v>, MasterData1, 2)", "Memo2", Data, Footer, false);
  List.AddItem(u"SUM(<v>, MasterData1)", "Memo3", Data, Other, false);
  Feed(4);
  Feed(6);
  List.Reset(Footer);  // end of the first group
  Feed(5);
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>, MasterData1)", 0), rt::Variant(5));
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>, MasterData1, 2)", 0), rt::Variant(15));
  EXPECT_EQ(List.GetValue(Other, u"SUM(<v>, MasterData1)", 0), rt::Variant(15));  // other parent band
  List.ClearValues();
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>, MasterData1, 2)", 0), rt::Variant(0));
  EXPECT_TRUE(List.Items(1)->FDontReset);
  // A running total that has not counted a row yet starts from zero on reset too.
  Feed(1);
  List.Reset(Footer);
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>, MasterData1, 2)", 0), rt::Variant(1));
}

TEST_F(AggregateListTest, UndoSaveAndRestore) {
  TrepAggregateItem* It = List.AddItem(u"SUM(<v>)", "Memo1", Data, Footer, false);
  Feed(2);
  Feed(3);
  List.DeleteValue(Data);
  EXPECT_EQ(It->Value(), rt::Variant(2));
  List.SaveValue(Data);
  Feed(10);
  EXPECT_EQ(It->Value(), rt::Variant(12));
  List.RestoreValue(Data);
  EXPECT_EQ(It->Value(), rt::Variant(2));
}

TEST_F(AggregateListTest, KeptRowsMergeOnEnd) {
  using V = rt::Variant;
  struct Case {
    const char16_t* Call;
    std::vector<V> Before, Kept;
    V During, After;
  };
  const Case Cases[] = {
      {u"SUM(<v>)", {V(1), V(2)}, {V(10), V(20)}, V(3), V(33)},
      {u"MIN(<v>)", {V(5)}, {V(2), V(9)}, V(5), V(2)},
      {u"MAX(<v>)", {}, {V(4), V(9)}, V(0), V(9)},
      {u"COUNT()", {V(1)}, {V(1), V(1)}, V(1), V(3)},
      {u"AVG(<v>)", {V(2)}, {V(4), V::Null()}, V(2.0), V(3.0)},
  };
  for (const Case& C : Cases) {
    List.Clear();
    TrepAggregateItem* It = List.AddItem(C.Call, "Memo1", Data, Footer, true);
    for (const V& R : C.Before) Feed(R);
    List.StartKeep();
    for (const V& R : C.Kept) Feed(R);
    List.StartKeep();  // already keeping: the kept rows stay
    EXPECT_EQ(It->Value(), C.During) << rt::Utf16ToUtf8(C.Call);
    List.EndKeep();
    List.EndKeep();  // not keeping: nothing
    EXPECT_EQ(It->Value(), C.After) << rt::Utf16ToUtf8(C.Call);

    // A total outside the page footer is not held back: a group footer inside a kept block
    // shows the block's rows.
    List.Clear();
    It = List.AddItem(C.Call, "Memo1", Data, Footer, false);
    for (const V& R : C.Before) Feed(R);
    List.StartKeep();
    for (const V& R : C.Kept) Feed(R);
    EXPECT_EQ(It->Value(), C.After) << rt::Utf16ToUtf8(C.Call);
    List.EndKeep();
    EXPECT_EQ(It->Value(), C.After) << rt::Utf16ToUtf8(C.Call);
  }
}

TEST_F(AggregateListTest, VerticalColumnsKeepOwnTotalsWithinBounds) {
  TrepAggregateItem* It = List.AddItem(u"SUM(<v>)", "Memo1", Data, Footer, false);
  Feed(1);  // main store before columns are in use
  Feed(2, 1);
  Feed(3, 2);
  Feed(4, 2);
  Feed(5, repAggregateMaxColumn);
  Feed(6, repAggregateMaxColumn + 1);  // beyond the table: nowhere
  Feed(7, 1 << 30);
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>)", 1), rt::Variant(2));
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>)", 2), rt::Variant(7));
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>)", repAggregateMaxColumn), rt::Variant(5));
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>)", repAggregateMaxColumn + 1), rt::Variant(0));
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>)", 3), rt::Variant(0));
  EXPECT_TRUE(It->HasColumns());
  List.Reset(Footer);
  EXPECT_FALSE(It->HasColumns());
  EXPECT_EQ(List.GetValue(Footer, u"SUM(<v>)", 0), rt::Variant(0));
}

TEST_F(AggregateListTest, RowNamesTheMemoForErrors) {
  List.AddItem(u"SUM(<v>)", "TotalMemo", Data, Footer, false);
  List.Evaluate = [](const std::u16string&) -> rt::Variant { throw rt::Exception("bad expression"); };
  EXPECT_THROW(Feed(1), rt::Exception);
  EXPECT_EQ(Report.CurObject, "TotalMemo");
}

} // namespace
