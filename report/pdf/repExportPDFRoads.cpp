// The document writer as the page and document that the metafile and image roads of a view
// write into: page content, fonts for metafile text, shared image objects.
#include <algorithm>
#include <cstring>

#include "platform/gfx/FontFace.h"
#include "report/pdf/repExportPDF.h"
#include "report/pdf/repExportPDFImagePaths.h"
#include "report/pdf/repmd5.h"

namespace {

TrepPDFXObjectHash DigestOf(std::string_view Kind, std::string_view A, std::string_view B = {}) {
  TrepMD5 H;
  for (std::string_view Part : {Kind, A, B})
    for (std::size_t I = 0; I < Part.size(); I += 1u << 30)
      H.Update(Part.data() + I, static_cast<std::uint32_t>(std::min<std::size_t>(Part.size() - I, 1u << 30)));
  H.Finalize();
  TrepPDFXObjectHash R{};
  std::memcpy(R.data(), H.Digest(), 16);
  return R;
}

} // namespace

class TrepPDFViewRoads final : public TPDFViewPage, public TEMFPDFDocument {
public:
  explicit TrepPDFViewRoads(TrepPDFExport& F) : F(F) {}

  // ---- the page ----
  const TrepPDFExport& Filter() const override { return F; }
  rt::TStream& OutStream() override {
    if (!F.FContentStream) F.FContentStream = std::make_unique<TPDFAppendStream>(F.FContent);
    return *F.FContentStream;
  }
  TEMFPDFDocument& Document() override { return *this; }
  void ExportFill(TrepView* View) override { F.ExportFill(View); }
  void ExportFrame(TrepView* View) override { F.ExportFrame(View->Frame(), F.GetViewRect(View)); }
  TrepRect GetExportRect(TrepView* View) override {
    const TrepRect B = View->GetExportBounds();
    return {F.PixelsToPDFX(B.Left), F.PixelsToPDFY(B.Top), F.PixelsToPDFX(B.Right), F.PixelsToPDFY(B.Bottom)};
  }
  double PixelsToPDFX(double X) override { return F.PixelsToPDFX(X); }
  double PixelsToPDFY(double Y) override { return F.PixelsToPDFY(Y); }
  bool BackPictureStretched() const override { return F.FPage.BackPictureStretched; }
  int WriteMaskedImage(const std::string& Jpeg, const std::vector<std::uint8_t>& Mask, int Width,
                       int Height) override {
    const std::string M(Mask.begin(), Mask.end());
    const TrepPDFXObjectHash Hash = DigestOf("masked-jpeg", M, Jpeg);
    const int Index = F.FPOH.FindXObject(Hash);
    return Index >= 0 ? Index : F.WriteImageXObject(Hash, Jpeg, true, Width, Height, M);
  }

  // ---- the document ----
  std::string FontResourceName(const gfx::TFont& Font) override { return PDFFont(Font)->Name; }
  TRemapedString RemapString(const gfx::TFont& Font, const std::u16string& Text, bool IsRTL, bool IsIndexes) override {
    return F.RemapText(Font, Text, IsRTL, IsIndexes);
  }
  std::string ItalicSimulationText(const gfx::TFont& Font) override {
    std::string Text;
    return ::ItalicSimulationText(Font, FaceOf(Font), Text) ? Text : std::string();
  }
  std::string BoldSimulationText(const gfx::TFont& Font) override {
    std::string Text;
    return ::BoldSimulationText(Font, FaceOf(Font), Text) ? Text : std::string();
  }
  int FindXObject(const TrepPDFXObjectHash& Hash) override { return F.FPOH.FindXObject(Hash); }
  int OutXObjectImage(const TrepPDFXObjectHash& Hash, const std::string& Jpeg, int Width, int Height) override {
    return F.WriteImageXObject(Hash, Jpeg, true, Width, Height, {});
  }
  int OutTransparentPNG(const TEMFPngImage& Image, int Width, int Height) override {
    (void)Width;
    (void)Height;  // drawn into its rectangle by the page's matrix: the samples keep their size
    std::string Rgb, Alpha;
    const int W = Image.Width(), H = Image.Height();
    Rgb.reserve(static_cast<std::size_t>(W) * H * 3);
    Alpha.reserve(static_cast<std::size_t>(W) * H);
    for (int Y = 0; Y < H; ++Y) {
      const std::uint8_t* Row = Image.ScanLine(Y);
      for (int X = 0; X < W; ++X) {
        Rgb.append(reinterpret_cast<const char*>(Row + 4 * X), 3);
        Alpha.push_back(static_cast<char>(Row[4 * X + 3]));
      }
    }
    const TrepPDFXObjectHash Hash =
        DigestOf("rgba" + std::to_string(W) + "x" + std::to_string(H), Rgb, Alpha);
    const int Index = F.FPOH.FindXObject(Hash);
    return Index >= 0 ? Index : F.WriteImageXObject(Hash, Rgb, false, W, H, Alpha);
  }
  void AddUsedObject(int Index) override {
    if (Index >= 0) F.FPOH.AddUsedObject(Index);
  }

private:
  const gfx::TFontFace* FaceOf(const gfx::TFont& Font) {
    const gfx::TFontFace* Face = F.FaceFor(Font.Name(), Font.Style());
    if (!Face) throw rt::Exception("No font for \"" + Font.Name() + "\"");
    return Face;
  }
  TrepPDFFont* PDFFont(const gfx::TFont& Font) {
    TrepPDFFont* P = F.FPOH.GetGlobalFont(FaceOf(Font));
    F.FPOH.AddPageFont(P);
    return P;
  }

  TrepPDFExport& F;
};

void TrepPDFExport::ExportViewRoad(TrepView* View, bool Metafile) {
  TrepPDFViewRoads Roads(*this);
  if (Metafile)
    ExportViaMetafile(View, Roads);
  else
    ExportAsImage(View, Roads);
}
