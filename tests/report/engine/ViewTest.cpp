// Views and shapes: defaults, the device rectangle, fills reaching into frames, derived
// properties, hyperlinks, differences, shape drawing (recorded and in pixels), highlights,
// formats, the stretchable base, and views streaming through templates.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "report/engine/repVectorCanvas.h"
#include "tests/report/EngineSetup.h"

namespace {

void Start() { enginesetup::StartEngine(); }

std::string U8(const std::u16string& S) { return rt::Utf16ToUtf8(S); }

struct Fixture {
  Fixture() {
    Start();
    Page = new TrepReportPage(&Report);
    Page->SetName("Page1");
  }
  TrepReport Report{nullptr};
  TrepReportPage* Page;
};

std::string Saved(TrepComponent& C) {
  rt::TStringStream S;
  C.SaveToStream(S);
  return S.DataString();
}

} // namespace

TEST(Views, Defaults) {
  Fixture F;
  auto* V = new TrepView(F.Page);
  EXPECT_EQ(V->Frame().Width(), 1);
  EXPECT_TRUE(V->Frame().Typ.Empty());
  EXPECT_EQ(V->FillType(), ftBrush);
  EXPECT_EQ(V->Color(), gfx::clNone);
  EXPECT_EQ(V->Hyperlink().ValuesSeparator, ";");
  EXPECT_EQ(V->ShiftMode, smAlways);
  EXPECT_EQ(V->Visibility, (TrepVisibilityTypes{vsPreview, vsExport, vsPrint}));
  EXPECT_TRUE(V->AllowVectorExport);
  EXPECT_FALSE(V->PlainText || V->DrawAsMask || V->ObjAsMetafile || V->DrawFillOnMetaFile);
  EXPECT_TRUE(V->frComponentStyle.Contains(csDefaultDiff));
  EXPECT_FALSE(V->IsPostProcessAllowed());
  EXPECT_TRUE(V->IsAcceptAsChild(F.Page));
  auto* S = new TrepShapeView(F.Page);
  EXPECT_EQ(S->Shape, skRectangle);
  EXPECT_FALSE(S->frComponentStyle.Contains(csDefaultDiff));
  EXPECT_EQ(S->GetDescription(), ResourceTable().Get("obShape"));
}

TEST(Views, DeviceRectangleAndFillUnderTheFrame) {
  Fixture F;
  auto* V = new TrepView(F.Page);
  V->SetBounds(10, 20, 100, 50);
  gfx::TRecordingCanvas C;

  // A drop shadow of 4 is drawn inside the bounds: the rectangle is 4 narrower and lower.
  V->Frame().DropShadow = true;
  V->SetDrawArea(C, 1, 1, 0, 0);
  EXPECT_EQ((std::vector<int>{V->FX, V->FY, V->FX1, V->FY1}), (std::vector<int>{10, 20, 106, 66}));
  V->Frame().DropShadow = false;

  // The fill reaches the middle of each frame line: 1 pixel for width 2, 2 + 1 on the right
  // and bottom for width 3.
  struct Case {
    double Width;
    const char* Fill;
  };
  const Case Cases[] = {{2, "fill 9,19 111,71 FF0000"}, {3, "fill 8,18 113,73 FF0000"}};
  for (const Case& K : Cases) {
    gfx::TRecordingCanvas R;
    V->Frame().SetWidth(K.Width);
    V->Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    V->SetColor(0xFF0000);
    V->SetDrawArea(R, 1, 1, 0, 0);
    V->PaintFill();
    ASSERT_FALSE(R.Ops.empty());
    EXPECT_EQ(R.Texts()[0], K.Fill) << K.Width;
  }
}

TEST(Views, DerivedProperties) {
  Fixture F;
  auto* V = new TrepView(F.Page);
  V->SetColor(0x123456);
  TrepCustomFill* Before = V->Fill();
  V->SetFillType(ftBrush);  // the same type keeps the fill and its colour
  EXPECT_EQ(V->Fill(), Before);
  EXPECT_EQ(V->Color(), 0x123456);

  V->SetFillType(ftGradient);
  auto* G = dynamic_cast<TrepGradientFill*>(V->Fill());
  ASSERT_NE(G, nullptr);
  G->StartColor = 0xFFFFFF;
  G->EndColor = 0x000000;
  EXPECT_EQ(V->Color(), 0x808080);
  V->SetColor(0x111111);  // only a brush fill takes a colour
  EXPECT_EQ(V->Color(), 0x808080);
  EXPECT_EQ(V->BrushStyle(), gfx::bsClear);

  TrepGlassFill Glass;
  Glass.Color = 0x00AA00;
  V->SetFill(Glass);  // takes the type first
  EXPECT_EQ(V->FillType(), ftGlass);
  EXPECT_EQ(V->Color(), 0x00AA00);

  V->SetPrintable(false);
  EXPECT_EQ(V->Visibility, (TrepVisibilityTypes{vsPreview, vsExport}));
  V->Frame().DropShadow = true;
  V->Frame().ShadowWidth = 6;
  EXPECT_EQ(V->ShadowSize(), 6);
}

TEST(Views, UrlsBecomeHyperlinks) {
  struct Case {
    const char* Url;
    TrepHyperlinkKind Kind;
    const char* Value;
  };
  const Case Cases[] = {
      {"#Totals", hkAnchor, "Totals"},
      {"@12", hkPageNumber, "12"},
      {"https://example.org/a", hkURL, "https://example.org/a"},
  };
  Fixture F;
  for (const Case& K : Cases) {
    auto* V = new TrepView(F.Page);
    V->SetURL(K.Url);
    EXPECT_EQ(V->Hyperlink().Kind, K.Kind) << K.Url;
    EXPECT_EQ(V->Hyperlink().Value, K.Value) << K.Url;
    V->SetURL("");  // changes nothing
    EXPECT_EQ(V->Hyperlink().Value, K.Value);
  }
  auto* Long = new TrepView(F.Page);
  Long->SetURL("#" + std::string(300, 'a'));
  EXPECT_EQ(Long->Hyperlink().Value.size(), 255u);
}

TEST(Views, DifferencesAndHyperlinkDifferences) {
  Fixture F;
  auto* A = new TrepShapeView(F.Page);
  auto* B = new TrepShapeView(F.Page);
  B->Align = baClient;
  B->Cursor = 3;
  B->Visibility = TrepVisibilityTypes{vsPreview};
  B->TagStr = "a<b";
  B->Shape = skEllipse;
  B->Hyperlink().Value = "x";
  B->Hyperlink().Expression = "ignored";
  const std::string D = U8(B->Diff(A));
  for (const char* Part : {" Align=\"6\"", " Cursor=\"3\"", " Visibility=\"1\"", " TagStr=\"a&#60;b\"",
                           " Hyperlink.Value=\"x\"", " Shape=\"2\""})
    EXPECT_NE(D.find(Part), std::string::npos) << Part << " in " << D;
  EXPECT_EQ(D.find("Expression"), std::string::npos);
  EXPECT_EQ(U8(A->Diff(A)).find("Align"), std::string::npos);
}

TEST(Views, PrintingKeepsTagAndHyperlinkAndExpandsBrackets) {
  Fixture F;
  F.Report.Evaluate = [](const std::u16string& E) { return rt::Variant("<" + rt::Utf16ToUtf8(E) + ">"); };
  auto* V = new TrepView(F.Page);
  V->TagStr = "a[x[1]]b[y]";
  V->Hyperlink().Kind = hkAnchor;
  V->Hyperlink().Value = "p[q];r";
  V->BeforePrint();
  V->GetData();
  EXPECT_EQ(V->TagStr, "a<x[1]>b<y>");
  EXPECT_EQ(V->Hyperlink().Value, "p<q>;r");
  V->AfterPrint();
  EXPECT_EQ(V->TagStr, "a[x[1]]b[y]");
  EXPECT_EQ(V->Hyperlink().Value, "p[q];r");

  // An expression's text becomes a script literal for kinds other than addresses.
  V->Hyperlink().Expression = "it's";
  V->BeforePrint();
  V->GetData();
  EXPECT_EQ(V->Hyperlink().Value, "'<it''s>'");
  V->AfterPrint();
  // An unclosed bracket stays as written.
  EXPECT_EQ(V->ExpandExpressions("a[b"), "a[b");
}

TEST(Shapes, DoubleFrameDrawsTheShapeTwiceInset) {
  Fixture F;
  auto* S = new TrepShapeView(F.Page);
  S->SetBounds(0, 0, 20, 20);
  S->Frame().SetStyle(fsDouble);
  gfx::TRecordingCanvas C;
  S->Draw(C, 1, 1, 0, 0);
  std::vector<std::string> Rects;
  for (const std::string& T : C.Texts())
    if (T.rfind("rect", 0) == 0) Rects.push_back(T.substr(0, T.find(" pen")));
  EXPECT_EQ(Rects, (std::vector<std::string>{"rect 0,0 21,21", "rect 2,2 19,19"}));
  EXPECT_EQ(S->Frame().Style(), fsDouble);
  EXPECT_EQ(S->Width(), 20);
}

TEST(Shapes, EachKindPaintsItsOutline) {
  // Filled red shapes on white: the centre is painted; the top-left corner by the rectangle and
  // the falling diagonal, a pixel by the top-right corner by the rectangle and the rising one.
  struct Case {
    TrepShapeKind Kind;
    bool CornerPainted;
    bool CentrePainted;
  };
  const Case Cases[] = {{skRectangle, true, true},  {skRoundRectangle, false, true}, {skEllipse, false, true},
                        {skTriangle, false, true},  {skDiamond, false, true},        {skDiagonal2, true, true},
                        {skDiagonal1, false, true}};
  Fixture F;
  for (const Case& K : Cases) {
    auto* S = new TrepShapeView(F.Page);
    S->SetBounds(0, 0, 40, 40);
    S->Shape = K.Kind;
    S->SetColor(0x0000FF);
    S->Frame().SetColor(0x0000FF);
    gfx::TBitmap B(41, 41);
    S->Draw(B.Canvas(), 1, 1, 0, 0);
    EXPECT_EQ(B.Pixel(0, 0) == 0x0000FF, K.CornerPainted) << K.Kind;
    EXPECT_EQ(B.Pixel(20, 20) == 0x0000FF, K.CentrePainted) << K.Kind;
    EXPECT_EQ(B.Pixel(39, 1), K.Kind == skRectangle || K.Kind == skDiagonal1 ? 0x0000FF : gfx::clWhite) << K.Kind;
  }
}

TEST(Highlights, DefaultsCopiesAndColour) {
  TrepHighlightCollection List;
  auto* H = static_cast<TrepHighlight*>(List.Add());
  EXPECT_EQ(H->Font().Name(), "Arial");
  EXPECT_EQ(H->Font().Size(), 10);
  EXPECT_EQ(H->Font().Color(), 0x0000FF);
  EXPECT_EQ(H->FillType(), ftBrush);
  EXPECT_EQ(H->Color(), gfx::clNone);
  EXPECT_TRUE(H->ApplyFont && H->ApplyFill && H->Visible);
  EXPECT_FALSE(H->ApplyFrame || H->Active);

  H->Active = true;
  H->Condition = "Value > 5";
  H->SetFillType(ftGradient);
  auto* Copy = static_cast<TrepHighlight*>(List.Add());
  Copy->Assign(*H);
  EXPECT_FALSE(Copy->Active);
  EXPECT_EQ(Copy->Condition, "Value > 5");
  EXPECT_EQ(Copy->FillType(), ftGradient);
  Copy->SetColor(0x00FF00);  // a gradient takes no colour
  EXPECT_EQ(Copy->Color(), gfx::clNone);

  TrepFormatCollection Formats;
  auto* Fm = static_cast<TrepFormat*>(Formats.Add());
  Fm->Kind = fkNumeric;
  Fm->FormatStr = "%2.2f";
  auto* Fm2 = static_cast<TrepFormat*>(Formats.Add());
  Fm2->Assign(*Fm);
  EXPECT_EQ(Fm2->Kind, fkNumeric);
  EXPECT_EQ(Fm2->FormatStr, "%2.2f");
}

TEST(Views, StretchableContractDefaults) {
  Fixture F;
  auto* S = new TrepStretcheable(F.Page);
  S->SetBounds(0, 30, 10, 25);
  EXPECT_EQ(S->CalcHeight(), 25);
  EXPECT_EQ(S->DrawPart(), 0);
  S->SaveHeight = 20;
  EXPECT_TRUE(S->HasNextDataPart(49));
  EXPECT_FALSE(S->HasNextDataPart(50));
}

TEST(Views, VectorCanvasIsHandedOverAndCleared) {
  Fixture F;
  auto* V = new TrepShapeView(F.Page);
  V->SetBounds(5, 5, 30, 10);
  std::unique_ptr<TVectorCanvas> VC = V->GetVectorCanvas();
  EXPECT_NE(VC, nullptr);
  EXPECT_EQ(V->VC, nullptr);
}

TEST(Views, StreamThroughATemplate) {
  Fixture F;
  auto* S = new TrepShapeView(F.Page);
  S->SetName("Box");
  S->SetBounds(1, 2, 30, 40);
  S->Shape = skDiamond;
  S->Curve = 3;
  S->SetFillType(ftGlass);
  static_cast<TrepGlassFill*>(S->Fill())->Color = 0x00FF00;
  S->Frame().Typ = TrepFrameTypes{ftLeft, ftTop};
  S->Hyperlink().Value = "#a";
  S->Visibility = TrepVisibilityTypes{vsExport};
  S->TagStr = "tag";
  auto* Line = new TrepLineView(F.Page);
  Line->SetName("Rule");
  Line->ArrowEnd = true;
  Line->Diagonal = true;
  auto* Check = new TrepCheckBoxView(F.Page);
  Check->SetName("Tick");
  Check->Checked = false;
  Check->CheckStyle = csPlus;
  const std::string Xml = Saved(F.Report);

  TrepReport Copy(nullptr);
  rt::TStringStream In(Xml);
  Copy.TrepComponent::LoadFromStream(In);
  EXPECT_TRUE(Copy.Errors().Count() == 0) << Copy.Errors().Text();
  auto* S2 = dynamic_cast<TrepShapeView*>(Copy.FindObject("Box"));
  ASSERT_NE(S2, nullptr) << Xml;
  EXPECT_EQ(S2->Shape, skDiamond);
  EXPECT_EQ(S2->Curve, 3);
  EXPECT_EQ(S2->FillType(), ftGlass);
  EXPECT_EQ(S2->Color(), 0x00FF00);
  EXPECT_EQ(S2->Frame().Typ, (TrepFrameTypes{ftLeft, ftTop}));
  EXPECT_EQ(S2->Hyperlink().Value, "#a");
  EXPECT_EQ(S2->Visibility, TrepVisibilityTypes{vsExport});
  EXPECT_EQ(S2->TagStr, "tag");
  EXPECT_EQ(S2->Height(), 40);
  auto* L2 = dynamic_cast<TrepLineView*>(Copy.FindObject("Rule"));
  ASSERT_NE(L2, nullptr);
  EXPECT_TRUE(L2->ArrowEnd && L2->Diagonal);
  auto* C2 = dynamic_cast<TrepCheckBoxView*>(Copy.FindObject("Tick"));
  ASSERT_NE(C2, nullptr);
  EXPECT_FALSE(C2->Checked);
  EXPECT_EQ(C2->CheckStyle, csPlus);
  EXPECT_EQ(Saved(Copy), Xml);
}

TEST(Styles, NamesApplyAndXml) {
  Fixture F;
  TrepStyles& S = F.Report.Styles();
  auto* A = S.Add();
  A->SetName("Style1");
  auto* B = S.Add();
  B->SetName("Style3");
  auto* C = S.Add();
  C->CreateUniqueName();
  EXPECT_EQ(C->Name(), "Style2");
  EXPECT_THROW(C->SetName("STYLE1"), rt::Exception);
  EXPECT_EQ(C->Name(), "Style2");
  C->SetName("Style2");  // its own name again
  EXPECT_EQ(S.Find("style3"), B);

  A->Font().SetName("Courier New");
  A->SetColor(0x00FFFF);
  A->ApplyFrame = false;
  auto* Styled = new TrepCustomMemoView(F.Page);
  Styled->Style = "style1";
  auto* Lost = new TrepCustomMemoView(F.Page);
  Lost->Style = "Missing";
  Lost->Font().SetName("Verdana");
  S.Apply();
  EXPECT_EQ(Styled->Font().Name(), "Courier New");
  EXPECT_EQ(Styled->Color(), 0x00FFFF);
  EXPECT_EQ(Lost->Style, "");
  EXPECT_EQ(Lost->Font().Name(), "Verdana");

  // Through a document and back.
  rt::TStringStream Out;
  S.Name = "House";
  S.SaveToStream(Out);
  TrepStyles Back(nullptr);
  rt::TStringStream In(Out.DataString());
  Back.LoadFromStream(In);
  ASSERT_EQ(Back.Count(), 3);
  EXPECT_EQ(Back.Name, "House");
  EXPECT_EQ(Back.Items(0)->Font().Name(), "Courier New");
  EXPECT_EQ(Back.Items(0)->Color(), 0x00FFFF);
  EXPECT_FALSE(Back.Items(0)->ApplyFrame);
  rt::TStringStream Wrong("<?xml version=\"1.0\"?><variables><item/></variables>");
  Back.LoadFromStream(Wrong);
  EXPECT_EQ(Back.Count(), 0);

  F.Report.Clear();
  EXPECT_EQ(F.Report.Styles().Count(), 0);
}

// A picture cairo cannot draw was missing from the drawing without a word; the report's errors
// now say which picture.
TEST(Pictures, APictureThatCannotBeDrawnIsReportedInTheErrors) {
  Fixture F;
  auto* Pic = new TrepPictureView(F.Page);
  Pic->SetName("Photo");
  Pic->SetBounds(0, 0, 4, 1);
  Pic->Stretched = true;
  Pic->Picture().SetGraphic(std::make_unique<gfx::TBitmap>(2, 1));
  // cairo takes no image wider than 32,767 pixels: nothing can be drawn on this one.
  gfx::TBitmap Wide(32768, 1);
  Pic->Draw(Wide.Canvas(), 1, 1, 0, 0);
  ASSERT_EQ(F.Report.Errors().Count(), 1);
  EXPECT_EQ(F.Report.Errors().Strings(0).rfind("Photo: Picture cannot be drawn", 0), 0u) << F.Report.Errors().Strings(0);

  // Drawn where it fits, it says nothing.
  F.Report.Errors().Clear();
  gfx::TBitmap Fits(8, 2);
  Pic->Draw(Fits.Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(F.Report.Errors().Count(), 0);
}
