// Finding a page's aggregate calls: which memo's call aggregates which data band and is shown
// by which band.
#include <gtest/gtest.h>

#include <string>

#include "platform/rt/Unicode.h"
#include "report/engine/repAggregate.h"
#include "report/engine/repClass.h"

namespace {

template <class T>
T* Band(TrepReportPage* P, const char* Name, double Top) {
  auto* B = new T(P);
  B->SetName(Name);
  B->SetTop(Top);
  return B;
}

TrepMemoView* Memo(TrepBand* B, const char* Name, const char16_t* Text) {
  auto* M = new TrepMemoView(B);
  M->SetName(Name);
  M->SetText(Text);
  return M;
}

} // namespace

TEST(AggregateItems, EachCallGoesWithItsDataBandAndTheBandShowingIt) {
  TrepReport R(nullptr);
  R.Variables().SetVariables("Total", rt::Variant(u"MAX(<Rows.\"Q\">)"));
  auto* P = new TrepReportPage(&R);
  P->SetName("Page1");
  Band<TrepGroupHeader>(P, "Group", 10);
  auto* Rows = Band<TrepMasterData>(P, "Rows", 20);
  auto* Lines = Band<TrepDetailData>(P, "Lines", 30);
  auto* LinesFooter = Band<TrepFooter>(P, "LinesFooter", 40);
  auto* GroupFooter = Band<TrepGroupFooter>(P, "GroupFooter", 50);
  auto* RowsFooter = Band<TrepFooter>(P, "RowsFooter", 60);
  auto* PageFooter = Band<TrepPageFooter>(P, "PageFooter", 900);
  auto* Child = Band<TrepChild>(P, "FooterChild", 70);
  RowsFooter->SetChild(Child);

  Memo(LinesFooter, "LinesSum", u"[SUM(<Lines.\"Q\">)]");
  Memo(GroupFooter, "GroupCount", u"Count: [COUNT(Rows, 1)]");
  Memo(RowsFooter, "Quoted", u"['SUM(<x>)' + AVG(<Rows.\"Q\">)]");
  Memo(Child, "FromChild", u"[MIN(<Rows.\"Q\">)]");
  Memo(PageFooter, "ByVariable", u"[Total]");
  auto* Off = Memo(RowsFooter, "Off", u"[SUM(<x>)]");
  Off->AllowExpressions = false;
  auto* Other = Memo(RowsFooter, "OtherDelims", u"{{SUM(<y>)}} [SUM(<z>)]");
  Other->ExpressionDelimiters = "{{,}}";

  TrepAggregateList L(&R);
  L.AddItems(P);
  struct Expect {
    const char* Memo;
    std::u16string Call;
    TrepComponent* DataBand;
    TrepComponent* Shown;
    TrepAggregateFunction Function;
  };
  const Expect Cases[] = {
      {"LinesSum", u"SUM(<Lines.\"Q\">)", Lines, LinesFooter, agSum},
      {"GroupCount", u"COUNT(Rows, 1)", Rows, GroupFooter, agCount},
      {"Quoted", u"AVG(<Rows.\"Q\">)", Rows, RowsFooter, agAvg},
      {"OtherDelims", u"SUM(<y>)", Rows, RowsFooter, agSum},
      {"FromChild", u"MIN(<Rows.\"Q\">)", Rows, Child, agMin},
      {"ByVariable", u"MAX(<Rows.\"Q\">)", Rows, PageFooter, agMax},
  };
  ASSERT_EQ(L.Count(), static_cast<int>(std::size(Cases)));
  for (const Expect& E : Cases) {
    const TrepAggregateItem* Found = nullptr;
    for (int I = 0; I < L.Count(); ++I)
      if (L.Items(I)->FMemoName == E.Memo) Found = L.Items(I);
    ASSERT_NE(Found, nullptr) << E.Memo;
    EXPECT_EQ(Found->FOriginalName, E.Call) << E.Memo;
    EXPECT_EQ(Found->FBand, E.DataBand) << E.Memo;
    EXPECT_EQ(Found->FParentBand, E.Shown) << E.Memo;
    EXPECT_EQ(Found->FAggregateFunction, E.Function) << E.Memo;
  }
  const TrepAggregateItem* GroupCount = nullptr;
  for (int I = 0; I < L.Count(); ++I)
    if (L.Items(I)->FMemoName == "GroupCount") GroupCount = L.Items(I);
  EXPECT_TRUE(GroupCount->FCountInvisibleBands);
  for (int I = 0; I < L.Count(); ++I) EXPECT_EQ(L.Items(I)->FIsPageFooter, L.Items(I)->FParentBand == PageFooter);
}

TEST(AggregateItems, APageWithoutDataBandsLeavesItsFootersAlone) {
  TrepReport R(nullptr);
  auto* P = new TrepReportPage(&R);
  auto* PageFooter = Band<TrepPageFooter>(P, "PageFooter", 900);
  Memo(PageFooter, "Sum", u"[SUM(<x>)]");
  TrepAggregateList L(&R);
  L.AddItems(P);
  EXPECT_EQ(L.Count(), 0);
  L.AddItems(nullptr);
}
