// Lines (rules, diagonals, arrows, hit tests), pictures (format recognition from streams,
// placement, file links, differences) and check boxes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "platform/gfx/Picture.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "tests/report/EngineSetup.h"

namespace {

struct Fixture {
  Fixture() {
    enginesetup::StartResources();
    Page = new TrepReportPage(&Report);
  }
  TrepReport Report{nullptr};
  TrepReportPage* Page;
};

std::string PngBytes(int W, int H, gfx::TColor C) {
  gfx::TBitmap B(W, H);
  B.Canvas().Brush.Color = C;
  B.Canvas().FillRect({0, 0, W, H});
  gfx::TPNGObject P;
  P.Assign(B);
  return P.Bytes();
}

std::unique_ptr<rt::TMemoryStream> StreamOf(const std::string& Bytes) {
  auto S = std::make_unique<rt::TMemoryStream>();
  if (!Bytes.empty()) S->WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  S->SetPosition(0);
  return S;
}

} // namespace

TEST(Lines, RulesFollowTheirLongerSide) {
  struct Case {
    double W, H;
    double NewW, NewH;
    TrepFrameTypes Sides;
  };
  const Case Cases[] = {
      {100, 5, 100, 0, TrepFrameTypes{ftTop}},
      {5, 100, 0, 100, TrepFrameTypes{ftLeft}},
      {10, 10, 0, 10, TrepFrameTypes{ftLeft}},
  };
  Fixture F;
  for (const Case& K : Cases) {
    auto* L = new TrepLineView(F.Page);
    L->SetBounds(0, 0, K.W, K.H);
    L->Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
    gfx::TRecordingCanvas C;
    L->Draw(C, 1, 1, 0, 0);
    EXPECT_EQ(L->Width(), K.NewW);
    EXPECT_EQ(L->Height(), K.NewH);
    EXPECT_EQ(L->Frame().Typ, K.Sides);
  }
}

TEST(Lines, DiagonalsAndArrows) {
  Fixture F;
  auto* D = new TrepLineView(F.Page);
  D->Diagonal = true;
  D->ArrowStart = D->ArrowEnd = true;
  D->SetBounds(0, 0, 50, 50);
  D->Frame().SetColor(gfx::clNone);
  gfx::TRecordingCanvas Nothing;
  D->Draw(Nothing, 1, 1, 0, 0);
  EXPECT_TRUE(Nothing.Ops.empty());  // no colour: not even the arrows

  // A vertical rule with both arrows: the start arrow points up from the top, the end arrow
  // down at the bottom (their wings lie below and above their tips).
  auto* V = new TrepLineView(F.Page);
  V->SetBounds(10, 10, 0, 100);
  V->ArrowStart = V->ArrowEnd = true;
  V->ArrowSolid = true;
  gfx::TRecordingCanvas C;
  V->Draw(C, 1, 1, 0, 0);
  std::vector<std::string> Polys;
  for (const std::string& T : C.Texts())
    if (T.rfind("polygon", 0) == 0) Polys.push_back(T.substr(0, T.find(" pen")));
  EXPECT_EQ(Polys, (std::vector<std::string>{"polygon 10,10 5,30 15,30", "polygon 10,110 5,90 15,90"}));

  // A sloped diagonal's arrow base lies ArrowLength from the tip along the line.
  auto* S = new TrepLineView(F.Page);
  S->Diagonal = true;
  S->ArrowEnd = true;
  S->ArrowSolid = true;
  S->ArrowWidth = 0;
  S->SetBounds(0, 0, 30, 40);
  gfx::TRecordingCanvas Sloped;
  S->Draw(Sloped, 1, 1, 0, 0);
  EXPECT_EQ(Sloped.Texts().back().substr(0, 31), "polygon 30,40 18,24 18,24 pen 0");
}

TEST(Lines, HitTests) {
  Fixture F;
  auto* V = new TrepLineView(F.Page);
  V->SetBounds(100, 0, 0, 50);
  EXPECT_TRUE(V->IsContain(96, 10));
  EXPECT_TRUE(V->IsContain(104, 10));
  EXPECT_FALSE(V->IsContain(105, 10));

  auto* D = new TrepLineView(F.Page);
  D->Diagonal = true;
  D->SetBounds(0, 0, 100, 100);
  EXPECT_TRUE(D->IsContain(50, 52));
  EXPECT_FALSE(D->IsContain(106, 106));  // beyond the widened bounds
  EXPECT_FALSE(D->IsInRect({60, 0, 100, 30}));  // every corner on one side of the line
  EXPECT_TRUE(D->IsInRect({-1, -1, 101, 101}));

  TrepLineView P(nullptr);
  P.DesignCreate(4);
  EXPECT_TRUE(P.Diagonal && P.ArrowStart && P.ArrowEnd);
  P.DesignCreate(2);
  EXPECT_TRUE(P.ArrowEnd && !P.ArrowStart);
}

TEST(PictureViews, LoadFromStreamRecognisesTheFormat) {
  Fixture F;
  auto* P = new TrepPictureView(F.Page);
  gfx::TBitmap Blue(8, 8);
  Blue.Canvas().Brush.Color = 0xFF0000;
  Blue.Canvas().FillRect({0, 0, 8, 8});
  gfx::TJPEGImage Jpeg;
  Jpeg.Assign(Blue);
  // A database's 8-byte header before the JPEG.
  std::string Header("\x01\x00\x00\x01", 4);
  const std::uint32_t Len = static_cast<std::uint32_t>(Jpeg.Bytes().size());
  for (int I = 0; I < 4; ++I) Header += static_cast<char>(Len >> (8 * I));
  auto S = StreamOf(Header + Jpeg.Bytes());
  EXPECT_EQ(P->LoadPictureFromStream(*S, true), 0);
  EXPECT_NE(dynamic_cast<gfx::TJPEGImage*>(P->Picture().Graphic()), nullptr);
  EXPECT_TRUE(P->PictureChanged);

  for (const std::string& Bad : {std::string("x"), std::string("not a picture at all"),
                                 PngBytes(4, 4, 0).substr(0, 30)}) {
    auto B = StreamOf(Bad);
    EXPECT_EQ(P->LoadPictureFromStream(*B, true), TrepPictureView::E_INVALIDARG);
    EXPECT_EQ(P->Picture().Graphic(), nullptr);
  }
}

TEST(PictureViews, PlacementKeepsAspectAndCentres) {
  Fixture F;
  auto* P = new TrepPictureView(F.Page);
  P->SetBounds(0, 0, 100, 100);
  auto S = StreamOf(PngBytes(200, 100, 0x0000FF));
  ASSERT_EQ(P->LoadPictureFromStream(*S, true), 0);
  struct Case {
    bool Center;
    const char* Op;
  };
  for (const Case& K : {Case{false, "bitmap 0,0 100,50 from 200x100"}, Case{true, "bitmap 0,25 100,75 from 200x100"}}) {
    P->Center = K.Center;
    gfx::TRecordingCanvas C;
    P->Draw(C, 1, 1, 0, 0);
    std::string Found;
    for (const std::string& T : C.Texts())
      if (T.rfind("bitmap", 0) == 0) Found = T;
    EXPECT_EQ(Found, K.Op);
  }
  // In pixels: the picture fills the top half only.
  P->Center = false;
  gfx::TBitmap Out(100, 100);
  P->Draw(Out.Canvas(), 1, 1, 0, 0);
  EXPECT_EQ(Out.Pixel(50, 20), 0x0000FF);
  EXPECT_EQ(Out.Pixel(50, 70), gfx::clWhite);

  // AutoSize takes the picture's size.
  P->SetAutoSize(true);
  EXPECT_EQ(P->Width(), 200);
  EXPECT_EQ(P->Height(), 100);
}

TEST(PictureViews, FileLinkAndDifferences) {
  Fixture F;
  auto* P = new TrepPictureView(F.Page);
  auto S = StreamOf(PngBytes(2, 2, 0));
  P->LoadPictureFromStream(*S, true);
  P->FileLink = "/nonexistent/picture.png";
  P->GetData();
  EXPECT_EQ(P->Picture().Graphic(), nullptr);  // a missing file clears the template's picture

  const auto File = std::filesystem::temp_directory_path() / ("pv" + std::to_string(::getpid()) + ".png");
  {
    rt::TMemoryStream M;
    const std::string B = PngBytes(3, 5, 0);
    M.WriteBuffer(B.data(), static_cast<std::int64_t>(B.size()));
    M.SaveToFile(File.string());
  }
  F.Report.Evaluate = [&](const std::u16string&) { return rt::Variant(File.string()); };
  P->FileLink = "[Name]";
  P->GetData();
  std::filesystem::remove(File);
  EXPECT_EQ(P->Picture().Width(), 3);

  auto* Plain = new TrepPictureView(F.Page);
  const std::string D = rt::Utf16ToUtf8(Plain->Diff(new TrepPictureView(F.Page)));
  EXPECT_NE(D.find("ImageIndex=\"0\""), std::string::npos) << D;
  EXPECT_EQ(D.find("Transparent"), std::string::npos);
  Plain->Transparent = true;
  Plain->TransparentColor = 255;
  Plain->PictureChanged = true;
  Plain->AddPicture = [](TrepPictureView*) { return 7; };
  const std::string D2 = rt::Utf16ToUtf8(Plain->Diff(new TrepPictureView(F.Page)));
  EXPECT_NE(D2.find("ImageIndex=\"7\" Transparent=\"1\" TransparentColor=\"255\""), std::string::npos) << D2;
  EXPECT_FALSE(Plain->PictureChanged);
}

TEST(CheckBoxes, DefaultsDataAndMarks) {
  Fixture F;
  auto* C = new TrepCheckBoxView(F.Page);
  EXPECT_TRUE(C->Checked);
  EXPECT_EQ(C->CheckStyle, csCross);
  EXPECT_EQ(C->CheckColor, gfx::clBlack);
  EXPECT_NEAR(C->Width(), 18.89765, 1e-9);
  EXPECT_EQ(C->Width(), C->Height());

  // A Null field value unchecks; the expression is not asked while a field is bound.
  auto* D = new TrepUserDataSet(F.Page);
  D->SetName("Orders");
  D->OnGetValue = [](const std::string&, rt::Variant& V) { V = rt::Variant::Null(); };
  bool Asked = false;
  F.Report.Evaluate = [&](const std::u16string&) {
    Asked = true;
    return rt::Variant(true);
  };
  C->SetDataSet(D);
  C->DataField = "Paid";
  C->Expression = "True";
  C->GetData();
  EXPECT_FALSE(C->Checked);
  EXPECT_FALSE(Asked);
  C->SetDataSet(nullptr);
  C->GetData();
  EXPECT_TRUE(C->Checked && Asked);

  // Unchecked with usEmpty: only fill and frame.
  C->Checked = false;
  C->Frame().Typ = TrepFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
  gfx::TRecordingCanvas Empty;
  C->Draw(Empty, 1, 1, 0, 0);
  auto* Plain = new TrepView(F.Page);
  Plain->SetBounds(C->Left(), C->Top(), C->Width(), C->Height());
  Plain->Frame().Typ = C->Frame().Typ;
  gfx::TRecordingCanvas PlainOps;
  Plain->Draw(PlainOps, 1, 1, 0, 0);
  EXPECT_EQ(Empty.Texts(), PlainOps.Texts());
  const std::size_t FrameOnly = Empty.Ops.size();
  C->Checked = true;
  C->CheckStyle = csPlus;
  gfx::TRecordingCanvas Plus;
  C->Draw(Plus, 1, 1, 0, 0);
  EXPECT_EQ(Plus.Ops.size(), FrameOnly + 2);  // two strokes more

  C->SetIsDesigning(true);
  C->DoMouseDown();
  EXPECT_TRUE(C->Checked);
  C->SetIsDesigning(false);
  C->DoMouseDown();
  EXPECT_FALSE(C->Checked);
}
