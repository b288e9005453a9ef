// The memo object: bracketed expressions with formats, highlights, repeated values and zeros,
// text the application fills literally, measuring and splitting, and its prepared-copy text.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repPostProcessor.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"
#include "tests/report/EngineSetup.h"

namespace {

class Memos : public ::testing::Test {
protected:
  void SetUp() override {
    enginesetup::StartResources();
    enginesetup::AddScriptModules();
    R = std::make_unique<TrepReport>(nullptr);
    R->EngineOptions.SilentMode = simSilent;
    Page = new TrepReportPage(R.get());
    Page->SetName("Page1");
    Memo = new TrepMemoView(Page);
    Memo->SetName("Memo1");
    Memo->SetBounds(0, 0, 100, 20);
    TscScript* S = R->Script();
    S->AddMethod("procedure MakeFile(Name: String)",
                 TscCallMethodEvent([this](rt::TObject*, rt::TClass, const std::string&, rt::Variant&) {
                   ++FilesMade;
                   return rt::Variant();
                 }));
    S->AddVariable("Price", "Variant", 2.5);
    S->AddVariable("Qty", "Variant", 4);
    S->AddVariable("Word", "Variant", "xyz");
    S->AddVariable("Two", "Variant", 2);
    S->AddVariable("Zero", "Variant", 0);
  }
  // One print of the memo: what it shows.
  std::u16string Print(const std::u16string& Text) {
    Memo->SetText(Text);
    Memo->BeforePrint();
    Memo->GetData();
    const std::u16string Shown = Memo->Text();
    Memo->AfterPrint();
    return Shown;
  }
  std::unique_ptr<TrepReport> R;
  TrepReportPage* Page;
  TrepMemoView* Memo;
  int FilesMade = 0;
};

} // namespace

TEST_F(Memos, BracketedExpressionsWithNestingAndQuotes) {
  struct Case {
    const char16_t* Text;
    const char16_t* Shown;
  } Cases[] = {
      {u"Total: [Price * Qty]", u"Total: 10\r\n"},
      {u"[Two in [1, 2]]", u"True\r\n"},        // nested brackets belong to the outer expression
      {u"['x]y'] and [Two]", u"x]y and 2\r\n"},   // a bracket inside quotes does not close
      {u"a[Two", u"a2\r\n"},                      // unclosed: the rest up to the line end
      {u"no expressions", u"no expressions\r\n"},
      {u"[Missing] stays", u"[Missing] stays\r\n"},  // an error keeps what was written
      {u"[TOTALPAGES#] of [CopyName#]", u"[TotalPages#] of [CopyName#]\r\n"},
      {u"two\r\nlines [Two]", u"two\r\nlines 2\r\n"},
  };
  for (const Case& C : Cases) EXPECT_EQ(rt::Utf16ToUtf8(Print(C.Text)), rt::Utf16ToUtf8(C.Shown)) << rt::Utf16ToUtf8(C.Text);
  EXPECT_EQ(R->Errors().Text(), "Error in expression 'Missing': Undeclared identifier: 'Missing'\r\n");
  // The template text is back after each print.
  EXPECT_EQ(Memo->Text(), u"two\r\nlines [Two]\r\n");
}

TEST_F(Memos, DelimitersOtherThanBrackets) {
  Memo->ExpressionDelimiters = "{,}";
  EXPECT_EQ(Print(u"{1+1} [x]"), u"2 [x]\r\n");
  for (const char* Empty : {"", ",", "{,", ",}"}) {
    Memo->ExpressionDelimiters = Empty;
    EXPECT_EQ(Print(u"[1+1] {1+1}"), u"[1+1] {1+1}\r\n") << Empty;
  }
  Memo->ExpressionDelimiters = "<%,%>";
  EXPECT_EQ(Print(u"<%Two*3%>!"), u"6!\r\n");
}

TEST_F(Memos, FormatsBySuffixAndByPosition) {
  struct Case {
    const char16_t* Text;
    const char16_t* Shown;
  } Cases[] = {
      {u"[Price #n%2.2f]", u"2.50\r\n"},
      {u"[Price #n%2,2f]", u"2,50\r\n"},
      {u"[1234.5 #n#0.00]", u"1234.50\r\n"},
      {u"[Qty > 3 #bNo,Yes]", u"Yes\r\n"},
      {u"[Qty < 3 #bNo,Yes]", u"No\r\n"},
      {u"[36526 #dyyyy-mm-dd]", u"2000-01-01\r\n"},
      {u"[Price #n%s]", u"2.5\r\n"},           // a format that does not fit the value: plain
      {u"[Price #n%99999f]", u"2.5\r\n"},      // absurd widths are not formatted
      {u"[Price #n%f%f%n]", u"2.5\r\n"},
      {u"[Copy('a #n', 1, 2)]", u"a \r\n"},  // a ")" after " #": no suffix, one expression
  };
  for (const Case& C : Cases) EXPECT_EQ(rt::Utf16ToUtf8(Print(C.Text)), rt::Utf16ToUtf8(C.Shown)) << rt::Utf16ToUtf8(C.Text);

  // The N-th expression takes the N-th format; later ones the last.
  Memo->Formats().Clear();
  TrepFormat& F0 = *static_cast<TrepFormat*>(Memo->Formats().Add());
  F0.Kind = fkNumeric;
  F0.FormatStr = "%2.1f";
  TrepFormat& F1 = *static_cast<TrepFormat*>(Memo->Formats().Add());
  F1.Kind = fkNumeric;
  F1.FormatStr = "%2.3f";
  EXPECT_EQ(Print(u"[Price] [Price] [Price]"), u"2.5 2.500 2.500\r\n");
  // Swapped separators stay apart.
  F0.FormatStr = "#,##0.00";
  F0.DecimalSeparator = ",";
  F0.ThousandSeparator = ".";
  EXPECT_EQ(Memo->FormatData(1234567.891, &F0), u"1.234.567,89");
  F0.Kind = fkBoolean;
  F0.FormatStr = "No,Yes";
  EXPECT_EQ(Memo->FormatData(true, &F0), u"Yes");
  EXPECT_EQ(Memo->FormatData(5, &F0), u"No");
  EXPECT_EQ(Memo->FormatData(rt::Variant::Null(), &F0), u"");
}

TEST_F(Memos, HideZerosAndSuppressRepeated) {
  Memo->HideZeros = true;
  EXPECT_EQ(Print(u"[Zero]"), u"\r\n");
  EXPECT_EQ(Print(u"[0.00005]"), u"\r\n");
  EXPECT_EQ(Print(u"[0.001]"), u"0.001\r\n");
  EXPECT_EQ(Print(u"['0']"), u"0\r\n");
  Memo->HideZeros = false;

  Memo->SuppressRepeated = true;
  EXPECT_EQ(Print(u"[Two]"), u"2\r\n");
  EXPECT_EQ(Print(u"[Two]"), u"");
  EXPECT_EQ(Print(u"[Qty]"), u"4\r\n");
  Memo->ResetSuppress();
  EXPECT_EQ(Print(u""), u"");
}

TEST_F(Memos, TheFirstHighlightThatHoldsAndNoneAfterThePrint) {
  TrepHighlight& Never = *static_cast<TrepHighlight*>(Memo->Highlights().Add());
  Never.Condition = "  ";
  Never.Font().SetColor(0x008000);
  TrepHighlight& Red = *static_cast<TrepHighlight*>(Memo->Highlights().Add());
  Red.Condition = "Qty > 3";
  Red.Font().SetColor(0x0000FF);
  TrepHighlight& Later = *static_cast<TrepHighlight*>(Memo->Highlights().Add());
  Later.Condition = "True";
  Later.Font().SetColor(0xFF0000);
  Memo->SetText(u"x");
  Memo->BeforePrint();
  Memo->GetData();
  EXPECT_EQ(Memo->Font().Color(), 0x0000FF);
  Memo->AfterPrint();
  EXPECT_EQ(Memo->Font().Color(), gfx::clBlack);
  EXPECT_TRUE(Memo->ParentFont());
}

TEST_F(Memos, TextFromOutsideNeverRunsAsCode) {
  // The sizing report fills customer data literally.
  Memo->SetLiteralText(u"[MakeFile('x')]");
  Memo->BeforePrint();
  Memo->GetData();
  EXPECT_EQ(Memo->Text(), u"[MakeFile('x')]\r\n");
  Memo->AfterPrint();
  // A template text that tries to be more than one expression is an error and stays as it is.
  Memo->AllowExpressions = true;
  EXPECT_EQ(Print(u"[1 end; begin MakeFile('x') end.]"), u"[1 end; begin MakeFile('x') end.]\r\n");
  EXPECT_EQ(Print(u"[1; MakeFile('x')]"), u"[1; MakeFile('x')]\r\n");
  EXPECT_EQ(FilesMade, 0);
  EXPECT_EQ(R->Errors().Count(), 2);
}

TEST_F(Memos, ScriptsReadAndWriteTheText) {
  R->ScriptText().SetText("begin\n  Memo1.Text := 'Pump ' + IntToStr(Length(Memo1.Text));\nend.");
  Memo->SetText(u"abc");
  ASSERT_TRUE(R->PrepareScript()) << R->Errors().Text();
  R->Script()->Execute();
  EXPECT_EQ(Memo->Text(), u"Pump 5\r\n");
}

TEST_F(Memos, TextRectangleAndMeasures) {
  const gfx::TRect T = Memo->GetTextRect(0, 0, 1, 1);
  EXPECT_EQ(T, (gfx::TRect{2, 1, 99, 20}));
  Memo->Frame().Typ = {ftLeft, ftRight, ftTop, ftBottom};
  EXPECT_EQ(Memo->GetTextRect(0, 0, 1, 1), T);  // a thin frame does not move the text
  Memo->SetText(u"");
  const double Empty = Memo->CalcHeight();
  Memo->SetText(u"one\r\ntwo\r\nthree");
  EXPECT_GT(Memo->CalcHeight(), Empty);
  EXPECT_EQ(Memo->CalcHeight(), std::round(Memo->CalcHeight()));
  // Turned a quarter, the height is the text's width and the width its height.
  const double Wide = Memo->CalcWidth();
  Memo->SetRotation(90);
  EXPECT_EQ(Memo->CalcHeight(), Wide - 2 * Memo->GapX + 2 * Memo->GapY);
  EXPECT_NE(Memo->CalcWidth(), Wide);
  Memo->SetRotation(-450);
  EXPECT_EQ(Memo->Rotation(), -90);
  EXPECT_EQ(Memo->ReducedAngle(), 270);
}

TEST_F(Memos, ASplitMemoGivesBackItsTextOnce) {
  std::u16string Whole;
  for (int I = 1; I <= 12; ++I) Whole += u"line " + rt::Utf8ToUtf16(std::to_string(I)) + u"\r\n";
  Memo->SetText(Whole);
  Memo->SetHeight(60);
  Memo->InitPart();
  std::u16string Joined;
  int Parts = 0;
  while (!Memo->PartMemo.empty() && Parts < 20) {
    Memo->DrawPart();
    Joined += Memo->Text();
    ++Parts;
  }
  EXPECT_GE(Parts, 2);
  EXPECT_EQ(rt::Utf16ToUtf8(Joined), rt::Utf16ToUtf8(Whole));
}

TEST_F(Memos, PreparedCopyText) {
  TrepMemoView Other(nullptr);
  Memo->SetText(u"a\r\nb & c\r\nd");
  EXPECT_NE(Memo->Diff(&Other).find(u" u=\"a&#13;&#10;b &#38; c&#13;&#10;d\""), std::u16string::npos)
      << rt::Utf16ToUtf8(Memo->Diff(&Other));
  Memo->SetText(u"");
  EXPECT_NE(Memo->Diff(&Other).find(u" u=\"\""), std::u16string::npos);
  Memo->LastParaBreak = true;
  EXPECT_NE(Memo->Diff(&Other).find(u"LastParaBreak=\"1\""), std::u16string::npos);
  const std::u16string Next = Memo->Diff(&Other);
  EXPECT_NE(Next.find(u"FirstParaBreak=\"1\""), std::u16string::npos);
  EXPECT_EQ(Next.find(u"LastParaBreak"), std::u16string::npos);
}

TEST_F(Memos, FlowToTakesWhatDoesNotFit) {
  auto* Next = new TrepMemoView(Page);
  Next->SetName("Memo2");
  Memo->SetFlowTo(Next);
  Memo->SetHeight(30);
  std::u16string Whole;
  for (int I = 1; I <= 6; ++I) Whole += u"row [" + rt::Utf8ToUtf16(std::to_string(I)) + u"]\r\n";
  Memo->SetText(Whole);
  Memo->GetData();
  EXPECT_FALSE(Next->AllowExpressions);
  EXPECT_EQ(rt::Utf16ToUtf8(Memo->Text() + Next->Text()), "row 1\r\nrow 2\r\nrow 3\r\nrow 4\r\nrow 5\r\nrow 6\r\n");
  delete Next;
  EXPECT_EQ(Memo->FlowTo(), nullptr);
}

// ---- The post-processing dictionary ----

TEST(PostProcessor, RepeatsShareASlotUntilReset) {
  TrepPostProcessor P;
  EXPECT_EQ(P.Add("Band1", "M", u"A", paDefault, nullptr, true, false), 0);
  EXPECT_EQ(P.Add("Band1", "M", u"A", paDefault, nullptr, true, false), 0);
  EXPECT_EQ(P.Add("Band1", "M", u"B", paDefault, nullptr, true, false), 1);
  P.ResetDuplicates("Band1");
  EXPECT_EQ(P.Add("Band1", "M", u"B", paDefault, nullptr, true, false), 2);
  EXPECT_EQ(P.Add("Band1", "m", u"B", paDefault, nullptr, false, true), 3);  // names ignore case
  EXPECT_EQ(P.GetMacroList("M")->Get(3), u"");
  P.LeaveGroup();
  EXPECT_EQ(P.GroupLevel(), 0);
  P.ProcessExpressions(nullptr, nullptr, paGroupFinished);
  EXPECT_EQ(P.GroupLevel(), 0);
}

TEST(PostProcessor, DelayedValuesAndTheStoredForm) {
  TrepPostProcessor P;
  P.Add("", "Total", u"41", paReportFinished, nullptr, false, false);
  EXPECT_EQ(P.Find("Total")->Item(0), u"");
  P.ProcessExpressions(nullptr, nullptr, paReportFinished);
  P.Add("", "Plain", u"x \"&\" y", paDefault, nullptr, false, false);
  TrepXMLItem Root;
  P.SaveToXML(&Root);
  TrepPostProcessor Q;
  Q.LoadFromXML(&Root);
  EXPECT_EQ(Root.Count(), 0);
  ASSERT_NE(Q.Find("Plain"), nullptr);
  EXPECT_EQ(Q.Find("Plain")->Item(0), u"x \"&\" y");
  EXPECT_EQ(Q.Find("Total")->Count(), 1);
}

TEST_F(Memos, DuplicatesAreMergedInPreparedPages) {
  TrepPostProcessor P;
  Memo->Duplicates = dmHide;
  Memo->SetText(u"Same");
  Memo->SaveContentToDictionary(R.get(), &P);
  EXPECT_EQ(Memo->Text(), u"0\r\n");
  auto* First = new TrepMemoView(Page);
  First->Duplicates = dmHide;
  First->SetText(u"0");
  auto* Second = new TrepMemoView(Page);
  Second->Duplicates = dmHide;
  Second->SetText(u"0");
  TrepMacrosItem* Item = P.Find("Memo1");
  ASSERT_NE(Item, nullptr);
  EXPECT_FALSE(First->LoadContentFromDictionary(R.get(), Item));
  EXPECT_EQ(First->Text(), u"Same\r\n");
  EXPECT_TRUE(Second->LoadContentFromDictionary(R.get(), Item));  // repeats: left out
}
