#include "report/engine/repPreviewForm.h"

#include <cmath>

#include "platform/gfx/Font.h"
#include "platform/rt/Format.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repPreviewLayout.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"

TrepPreviewTools repPreviewTools(const TrepPreviewOptions& O) {
  const TrepPreviewButtons& B = O.Buttons;
  TrepPreviewTools T;
  T.Print = B.Contains(pbPrint);
  T.Open = B.Contains(pbLoad);
  T.Save = B.Contains(pbSave) || B.Contains(pbExport);
  T.Find = B.Contains(pbFind);
  T.HighlightEditable = B.Contains(pbInplaceEdit) && O.AllowPreviewEdit;
  T.ZoomButtons = B.Contains(pbZoom);
  T.FullScreen = B.Contains(pbZoom) && !B.Contains(pbNoFullScreen);
  T.Sep1 = B.Contains(pbZoom);
  T.Outline = B.Contains(pbOutline);
  T.PageSettings = B.Contains(pbPageSetup);
  T.Designer = B.Contains(pbEdit);
  T.DesignerEnabled = O.AllowEdit;
  T.Sep2 = T.PageSettings || T.Designer;
  T.Navigator = B.Contains(pbNavigator);
  T.Sep5 = T.Navigator;
  T.Close = !B.Contains(pbNoClose);
  return T;
}

TrepPreviewCommandState repPreviewCommands(const TrepPreviewOptions& O, bool Running, int PageCount,
                                           int SelectedCount, bool PasteAvailable, bool HasDrillDown) {
  TrepPreviewCommandState S;
  S.PageTools = !Running && PageCount > 0;
  S.Open = !Running;
  S.Designer = !Running && O.AllowEdit;
  S.CopyVisible = O.Buttons.Contains(pbCopy) && O.AllowPreviewEdit;
  S.PasteVisible = O.Buttons.Contains(pbPaste) && O.AllowPreviewEdit;
  S.CopyEnabled = SelectedCount > 0;
  S.PasteEnabled = S.CopyEnabled && PasteAvailable;
  S.DrillDownItems = !Running && HasDrillDown;
  return S;
}

std::vector<std::string> repZoomItems() {
  return {"25%", "50%", "75%", "100%", "150%", "200%", ResourceTable().Get("zmPageWidth"),
          ResourceTable().Get("zmWholePage")};
}

void repApplyZoomBox(TrepPreview& Preview, int ItemIndex, const std::string& Text) {
  Preview.SavedPageNo = Preview.PageNo();
  if (ItemIndex == 6) {
    Preview.SetZoomMode(zmPageWidth);
  } else if (ItemIndex == 7) {
    Preview.SetZoomMode(zmWholePage);
  } else {
    std::string S = Text;
    if (const std::size_t P = S.find('%'); P != std::string::npos) S[P] = ' ';
    std::erase(S, ' ');
    if (!S.empty()) Preview.SetZoom(TextToFloat(S) / 100);
  }
  Preview.SetPageNo(Preview.SavedPageNo);
  Preview.SavedPageNo = -1;
}

std::string repZoomText(double Zoom) { return std::to_string(RoundHalfEven(Zoom * 100)) + "%"; }

void repZoomStep(TrepPreview& Preview, bool ZoomIn) {
  Preview.SetZoom(Preview.Zoom() + (ZoomIn ? 0.25 : -0.25));
  repApplyZoomBox(Preview, -1, repZoomText(Preview.Zoom()));
}

std::string repPageStatusText(int PageNo, int PageCount, bool FirstPass) {
  if (FirstPass) return ResourceTable().Get("clFirstPass") + " " + std::to_string(PageCount);
  return rt::Format(ResourceTable().Get("clPageOf"), {rt::TVarRec::Integer(PageNo), rt::TVarRec::Integer(PageCount)});
}

TrepExportMenu repExportMenu(const TrepPreviewOptions& Options,
                             const std::function<std::string(TrepCustomExportFilter*)>& ClassNameOf,
                             const std::function<std::string(TrepCustomExportFilter*)>& Describe,
                             TrepCustomExportFilter* DotMatrixFilter) {
  TrepExportMenu M;
  const std::vector<TrepCustomExportFilter*> Filters = ExportFilters().Filters();
  for (std::size_t I = 0; I < Filters.size(); ++I) {
    TrepCustomExportFilter* F = Filters[I];
    if (F == DotMatrixFilter) continue;
    const std::string Class = ClassNameOf(F);
    if (Options.Buttons.Contains(pbExport) && Class != "TrepMailExport")
      M.Items.push_back({static_cast<int>(I), Describe(F) + "..."});
    if (!Options.Buttons.Contains(pbExportQuick)) continue;
    if (Class == "TrepPDFExport") M.PDFExport = F;
    if (Class == "TrepMailExport" && !Options.Buttons.Contains(pbNoEmail)) M.EmailExport = F;
  }
  return M;
}

gfx::TColor BlendColors(gfx::TColor C1, gfx::TColor C2, int A) {
  const unsigned R1 = static_cast<unsigned>(gfx::ColorToRGB(C1)), R2 = static_cast<unsigned>(gfx::ColorToRGB(C2));
  const int B = A < 100 ? 100 : 1000;
  unsigned R = 0;
  for (int Shift = 0; Shift <= 16; Shift += 8) {
    const int X1 = static_cast<int>((R1 >> Shift) & 0xFF), X2 = static_cast<int>((R2 >> Shift) & 0xFF);
    const int V = (X2 * (B - A) + X1 * A + B / 2) / B;
    R |= static_cast<unsigned>(V & 0xFF) << Shift;
  }
  return static_cast<gfx::TColor>(R);
}

int repComboButtonWidth(int PPI) { return RoundHalfEven(PPI * 11 / 96.0); }
int repComboButtonWidthAfterChange(int NewPPI) { return gfx::MulDiv(11, NewPPI, 96); }
int repScaleStoredSize(int Stored, int PPI) { return RoundHalfEven(Stored * PPI / 96.0); }
int repSizeToStore(int Size, int PPI) { return RoundHalfEven(Size / (PPI / 96.0)); }
