// Dot-matrix objects: snapping to character cells, cut text, printer commands, the page's
// paper in whole cells, font styles following the page, registration and a template round trip.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "platform/rt/Classes.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repClassRTTI.h"
#include "report/engine/repDMPClass.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/script/sc_iclassesrtti.h"
#include "report/script/sc_ipascal.h"
#include "report/script/sc_isysrtti.h"

namespace {

void Start() {
  static const bool Started = [] {
    repInitEngineResources();
    repClassInitialization();
    // Templates name these classes; the object registry is entered only where it is tested,
    // since other tests expect that process-wide registry empty.
    for (rt::TClass C : {TrepDMPPage::ClassInfo(), TrepDMPMemoView::ClassInfo(), TrepDMPLineView::ClassInfo(),
                         TrepDMPCommand::ClassInfo()})
      rt::RegisterClass(C);
    return true;
  }();
  (void)Started;
  sc_ipascalInitialization();
  sc_isysrttiInitialization();
  sc_iclassesrttiInitialization();
  repClassRTTIInitialization();
}

struct DMPReport {
  DMPReport() {
    Start();
    Report = std::make_unique<TrepReport>(nullptr);
    Report->EngineOptions.SilentMode = simSilent;
    Page = new TrepDMPPage(Report.get());
    Page->SetName("Page1");
  }
  std::unique_ptr<TrepReport> Report;
  TrepDMPPage* Page;
};

} // namespace

TEST(DMPObjects, PositionsAndSizesSnapToCells) {
  struct Case {
    const char* What;
    TrepAlign Align;
    double Value;
    double Expected;
  };
  DMPReport R;
  auto* Memo = new TrepDMPMemoView(R.Page);
  auto* Line = new TrepDMPLineView(R.Page);
  auto* Cmd = new TrepDMPCommand(R.Page);
  const Case Cases[] = {
      {"memo left", baNone, 10, 9.6},   {"memo left", baNone, 15, 19.2},  {"memo left", baRight, 15, 9.6},
      {"memo top", baNone, 25, 17},     {"memo height", baNone, 40, 34},  {"memo width", baNone, 50, 48},
      {"line left", baNone, 10, 14.4},  {"line left", baNone, -5, -4.8},  {"line left", baRight, 15, 14.4},
      {"line top", baNone, 25, 25.5},   {"line width", baNone, 50, 48},   {"line width", baWidth, 57, 48},
      {"cmd left", baNone, 15, 19.2},   {"cmd top", baNone, 9, 17},
  };
  for (const Case& K : Cases) {
    const std::string W = K.What;
    double Got = 0;
    if (W.rfind("memo", 0) == 0) {
      Memo->Align = K.Align;
      if (W == "memo left") Memo->SetLeft(K.Value), Got = Memo->Left();
      if (W == "memo top") Memo->SetTop(K.Value), Got = Memo->Top();
      if (W == "memo height") Memo->SetHeight(K.Value), Got = Memo->Height();
      if (W == "memo width") Memo->SetWidth(K.Value), Got = Memo->Width();
    } else if (W.rfind("line", 0) == 0) {
      Line->Align = K.Align;
      if (W == "line left") Line->SetLeft(K.Value), Got = Line->Left();
      if (W == "line top") Line->SetTop(K.Value), Got = Line->Top();
      if (W == "line width") Line->SetWidth(K.Value), Got = Line->Width();
    } else {
      if (W == "cmd left") Cmd->SetLeft(K.Value), Got = Cmd->Left();
      if (W == "cmd top") Cmd->SetTop(K.Value), Got = Cmd->Top();
    }
    EXPECT_NEAR(Got, K.Expected, 1e-9) << K.What << " " << K.Value;
  }
  // A value that is no number does not reach the integer conversion.
  Memo->SetLeft(std::numeric_limits<double>::quiet_NaN());
  EXPECT_EQ(Memo->Left(), 0);
  Memo->SetBoundsDirect(1, 2, 3, 4);
  EXPECT_EQ(Memo->Left(), 1);
  EXPECT_EQ(Memo->Height(), 4);
}

TEST(DMPObjects, CutTextKeepsTheCellsTheMemoCovers) {
  DMPReport R;
  auto* Memo = new TrepDMPMemoView(R.Page);
  Memo->SetText(u"abcdefgh\r\nij\r\nkl");
  Memo->SetHeight(34);
  Memo->SetWidth(48);
  EXPECT_EQ(Memo->GetoutBoundText(), u"abcde\r\nij\r\n");
  Memo->SetHeight(17 * 5);
  EXPECT_EQ(Memo->GetoutBoundText(), u"abcde\r\nij\r\nkl\r\n");
  Memo->SetWidth(0);
  EXPECT_EQ(Memo->GetoutBoundText(), u"\r\n\r\n\r\n");
}

TEST(DMPObjects, CommandCharacters) {
  TrepDMPCommand C(nullptr);
  const std::string Expected{'\x1B', '\x40'};
  for (const char* Text : {"#27#64", "1B40", "1b40"}) {
    C.Command = Text;
    EXPECT_EQ(C.ToChr(), Expected) << Text;
  }
  C.Command = "1B4";
  EXPECT_EQ(C.ToChr(), std::string(1, '\x1B'));
  C.Command = "";
  EXPECT_EQ(C.ToChr(), "");
  for (const char* Bad : {"#", "#1A#", "#27##", "1G"}) {
    C.Command = Bad;
    EXPECT_THROW(C.ToChr(), rt::EConvertError) << Bad;
  }
}

TEST(DMPObjects, PagePaperIsWholeCells) {
  DMPReport R;
  // A new page has paper 9 (210 x 297 mm) snapped: 83 columns, 66 rows.
  EXPECT_EQ(R.Page->PaperSize(), 9);
  EXPECT_NEAR(R.Page->PaperWidth(), 83 * 9.6 / 3.77953, 1e-6);
  EXPECT_NEAR(R.Page->PaperHeight(), 66 * 17 / 3.77953, 1e-6);
  EXPECT_NEAR(R.Page->PaperWidth(), 210.82, 0.01);
  EXPECT_NEAR(R.Page->PaperHeight(), 296.86, 0.01);

  R.Page->SetPaperWidth(210);
  EXPECT_NEAR(R.Page->PaperWidth(), 210.82, 0.01);
  EXPECT_EQ(R.Page->PaperSize(), 256);
  R.Page->SetPaperHeight(297);
  EXPECT_NEAR(R.Page->PaperHeight(), 296.86, 0.01);
  EXPECT_EQ(R.Page->Width(), RoundHalfEven(R.Page->PaperWidth() * 3.77953));

  R.Page->SetDefaults();
  EXPECT_NEAR(R.Page->LeftMargin, 9.6 / 3.77953, 1e-9);
  EXPECT_NEAR(R.Page->TopMargin, 17 / 3.77953, 1e-9);
  const double Cols = R.Page->PaperWidth() * 3.77953 / 9.6;
  EXPECT_NEAR(Cols, std::round(Cols), 1e-6);
}

TEST(DMPObjects, FontStylesFollowThePage) {
  DMPReport R;
  auto* Band = new TrepNullBand(R.Page);
  auto* Follows = new TrepDMPMemoView(Band);
  auto* Own = new TrepDMPMemoView(Band);
  auto* Line = new TrepDMPLineView(R.Page);
  Own->SetFontStyle(TrepDMPFontStyles{fsxItalic});
  EXPECT_FALSE(Own->ParentFont());
  EXPECT_TRUE(Own->IsFontStyleStored());
  EXPECT_EQ(Own->Font().Name(), "Courier New");
  EXPECT_TRUE(gfx::HasStyle(Own->Font().Style(), gfx::fsItalic));
  EXPECT_EQ(Follows->LineSpacing, 1);
  EXPECT_EQ(Follows->GapX, 0);

  R.Page->SetFontStyle(TrepDMPFontStyles{fsxBold, fsxCondensed});
  for (TrepComponent* C : {static_cast<TrepComponent*>(Follows), static_cast<TrepComponent*>(Line)}) {
    EXPECT_TRUE(C->ParentFont());
    EXPECT_TRUE(gfx::HasStyle(C->Font().Style(), gfx::fsBold));
    EXPECT_EQ(C->Font().Size(), 12);
  }
  EXPECT_EQ(Follows->FontStyle(), (TrepDMPFontStyles{fsxBold, fsxCondensed}));
  EXPECT_EQ(Line->FontStyle(), (TrepDMPFontStyles{fsxBold, fsxCondensed}));
  EXPECT_FALSE(Follows->IsFontStyleStored());
  EXPECT_EQ(Own->FontStyle(), TrepDMPFontStyles{fsxItalic});
  EXPECT_FALSE(gfx::HasStyle(Own->Font().Style(), gfx::fsBold));
}

TEST(DMPObjects, FrameGoesHalfACellOutside) {
  DMPReport R;
  auto* Memo = new TrepDMPMemoView(R.Page);
  Memo->SetBounds(96, 34, 48, 17);
  Memo->FScaleX = Memo->FScaleY = 2;
  Memo->FOffsetX = 10;
  Memo->FOffsetY = 0;
  Memo->PaintFrame();
  EXPECT_EQ(Memo->FX, 10 + RoundHalfEven((96 - 4.8) * 2));
  EXPECT_EQ(Memo->FY, RoundHalfEven((34 - 8.5) * 2));
  EXPECT_EQ(Memo->FX1, 10 + RoundHalfEven((96 + 48 + 4.8) * 2));
  EXPECT_EQ(Memo->FY1, RoundHalfEven((34 + 17 + 8.5) * 2));
}

TEST(DMPObjects, RegisteredAndReadBackFromATemplate) {
  DMPReport R;
  repDMPInitialization();
  struct Done {
    ~Done() {
      repDMPFinalization();
      rt::RegisterClass(TrepDMPPage::ClassInfo());
    }
  } AtEnd;
  int Found = 0;
  for (int I = 0; I < ReportObjects().Count(); ++I) {
    const TrepObjectItem* It = ReportObjects().GetObjectItem(I);
    if (It->ClassRef == TrepDMPMemoView::ClassInfo()) {
      EXPECT_EQ(It->ButtonImageIndex, 2);
      EXPECT_EQ(It->Category, repCategoryBit(ctDMP));
      ++Found;
    }
    if (It->ClassRef == TrepDMPCommand::ClassInfo()) {
      EXPECT_EQ(It->ButtonImageIndex, 21);
      ++Found;
    }
    if (It->ClassRef == TrepDMPLineView::ClassInfo()) {
      EXPECT_EQ(It->ButtonImageIndex, 5);
      ++Found;
    }
  }
  EXPECT_EQ(Found, 3);
  EXPECT_EQ(rt::GetClass("TrepDMPPage"), TrepDMPPage::ClassInfo());
  EXPECT_EQ(TrepDMPMemoView(nullptr).GetDescription(), "obDMPText");

  R.Page->SetFontStyle(TrepDMPFontStyles{fsxWide});
  auto* Memo = new TrepDMPMemoView(R.Page);
  Memo->SetName("Memo1");
  Memo->SetBounds(19.2, 34, 96, 17);
  Memo->SetText(u"Hello");
  Memo->TruncOutboundText = true;
  Memo->SetFontStyle(TrepDMPFontStyles{fsxUnderline, fsx15cpi});
  auto* Cmd = new TrepDMPCommand(R.Page);
  Cmd->SetName("Cmd1");
  Cmd->Command = "#27#64";

  rt::TMemoryStream S;
  R.Report->SaveToStream(S);
  S.SetPosition(0);
  TrepReport Copy(nullptr);
  Copy.EngineOptions.SilentMode = simSilent;
  Copy.LoadFromStream(S);
  auto* Page = dynamic_cast<TrepDMPPage*>(Copy.FindObject("Page1"));
  ASSERT_NE(Page, nullptr);
  EXPECT_EQ(Page->FontStyle(), TrepDMPFontStyles{fsxWide});
  auto* M = dynamic_cast<TrepDMPMemoView*>(Copy.FindObject("Memo1"));
  ASSERT_NE(M, nullptr);
  EXPECT_EQ(M->FontStyle(), (TrepDMPFontStyles{fsxUnderline, fsx15cpi}));
  EXPECT_TRUE(M->TruncOutboundText);
  EXPECT_NEAR(M->Left(), 19.2, 1e-9);
  EXPECT_EQ(rt::Utf16ToUtf8(M->Text()), "Hello\r\n");
  auto* C = dynamic_cast<TrepDMPCommand*>(Copy.FindObject("Cmd1"));
  ASSERT_NE(C, nullptr);
  EXPECT_EQ(C->Command, "#27#64");
}

TEST(DMPObjects, PreparedPagesKeepTheDotMatrixPage) {
  DMPReport R;
  R.Report->DotMatrixReport = true;
  auto* Band = new TrepNullBand(R.Page);
  Band->SetName("Band1");
  auto* Memo = new TrepDMPMemoView(Band);
  Memo->SetName("Memo1");
  Memo->SetBounds(9.6, 17, 96, 17);
  Memo->SetLiteralText(u"cells");
  auto& Store = *static_cast<TrepPreviewPages*>(R.Report->PreviewPages());
  Store.Clear();
  Store.Initialize();
  Store.AddPageAction = apAdd;
  Store.AddSourcePage(R.Page);
  Store.BeginPass();
  Store.AddPage(R.Page);
  Store.AddObject(Band);
  Store.Finish();

  rt::TMemoryStream S;
  Store.SaveToStream(S);
  S.SetPosition(0);
  TrepReport Other(nullptr);
  Other.EngineOptions.SilentMode = simSilent;
  auto& Loaded = *static_cast<TrepPreviewPages*>(Other.PreviewPages());
  Loaded.LoadFromStream(S);
  ASSERT_EQ(Loaded.Count(), 1);
  EXPECT_NE(dynamic_cast<TrepDMPPage*>(Loaded.GetPage(0)), nullptr);
  EXPECT_TRUE(Other.DotMatrixReport);
}
