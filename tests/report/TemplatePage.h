// A report with one template page whose band holds a shape and a 3 x 2 picture: the views a
// prepared store copies, diffs and keeps pictures of. Tests fill the store by hand, as the
// layout engine would, starting from BeginPrepare.
#pragma once

#include "platform/gfx/Picture.h"
#include "report/engine/repClass.h"
#include "report/engine/repPreviewPages.h"
#include "tests/report/EngineSetup.h"

struct TTemplatePage {
  TrepReport Report{nullptr};
  TrepReportPage* Page;
  TrepNullBand* Band;
  TrepShapeView* Shape;
  TrepPictureView* Pic;

  explicit TTemplatePage(double BandHeight) {
    enginesetup::StartEngine();
    Report.EngineOptions.SilentMode = simSilent;
    Page = new TrepReportPage(&Report);
    Page->SetName("Page1");
    Page->SetBounds(0, 0, 794, 1123);
    Band = new TrepNullBand(Page);
    Band->SetName("Band1");
    Band->SetBounds(0, 0, 700, BandHeight);
    Shape = new TrepShapeView(Band);
    Shape->SetName("Shape1");
    Shape->SetBounds(10, 5, 100, 20);
    Pic = new TrepPictureView(Band);
    Pic->SetName("Picture1");
    Pic->SetBounds(200, 5, 30, 30);
    const gfx::TBitmap B(3, 2);
    Pic->Picture().SetGraphic(&B);
  }

  TrepPreviewPages& Pages() { return *static_cast<TrepPreviewPages*>(Report.PreviewPages()); }

  // An emptied store whose pass has begun, with the template page as its source and new pages
  // added at the end.
  TrepPreviewPages& BeginPrepare() {
    TrepPreviewPages& P = Pages();
    P.Clear();
    P.Initialize();
    P.AddPageAction = apAdd;
    P.AddSourcePage(Page);
    P.BeginPass();
    return P;
  }
};
