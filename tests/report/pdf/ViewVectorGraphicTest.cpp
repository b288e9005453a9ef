// Views drawn into metafiles (their vector graphic) and played into page content.
#include <gtest/gtest.h>

#include "EMFPDFHarness.h"
#include "platform/gfx/MetafileCanvas.h"
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

} // namespace

TEST(ViewVectorGraphic, ShapeIsDrawnAtTheOriginWithoutFillAndFrameUnlessAsked) {
  Fixture F;
  auto* S = new TrepShapeView(F.Page);
  S->SetLeft(50);
  S->SetTop(20);
  S->SetWidth(100);
  S->SetHeight(60);
  S->Shape = skEllipse;
  S->SetColor(0x00FF00);
  auto G = S->GetVectorGraphic(false);
  auto* M = dynamic_cast<gfx::TMetafile*>(G.get());
  ASSERT_NE(M, nullptr);
  EXPECT_EQ(M->Width(), 100);
  EXPECT_EQ(M->Height(), 60);
  EXPECT_FALSE(S->ObjAsMetafile);

  // Played onto a 75 by 45 point target at (0, 45): the ellipse's curves stay inside it.
  std::unique_ptr<rt::TMemoryStream> Stream = ViewGraphicToStream(S);
  EXPECT_EQ(Stream->Position(), 0);
  const std::string Bytes(M->Bytes());
  const std::string Out = emfpdf::Play(Bytes, TrepRect{0, 45, 75, 0});
  EXPECT_NE(Out.find("  c"), std::string::npos) << Out;
  EXPECT_EQ(Stream->Size(), static_cast<std::int64_t>(Bytes.size()));
}

TEST(ViewVectorGraphic, LineOfNegativeSizeIsDrawnNormalisedAndKeepsItsSize) {
  Fixture F;
  auto* L = new TrepLineView(F.Page);
  L->Diagonal = true;
  L->SetLeft(100);
  L->SetTop(80);
  L->SetWidth(-40);
  L->SetHeight(-30);
  auto G = L->GetVectorGraphic(false);
  ASSERT_NE(G, nullptr);
  EXPECT_EQ(G->Width(), 40);
  EXPECT_EQ(G->Height(), 30);
  EXPECT_EQ(L->Left(), 100);
  EXPECT_EQ(L->Width(), -40);
  EXPECT_EQ(L->Height(), -30);
}
