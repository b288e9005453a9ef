#include "report/pdf/repExportPDFImagePaths.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/gfx/Picture.h"
#include "report/pdf/repExportPDFViewHelpers.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPicture.h"

namespace {

std::string UpperClassName(const TrepView* View) {
  std::string S = View->ClassName();
  for (char& C : S) C = static_cast<char>(std::toupper(static_cast<unsigned char>(C)));
  return S;
}

std::string TwoDecimals(double V) {
  if (!std::isfinite(V)) V = 0;
  return FloatToFixedText(V, 2, '.');
}

} // namespace

void SetMetafileOptions(TEMFtoPDFExport& Converter, TrepView* View, const TrepPDFExport& Filter) {
  const std::string Name = UpperClassName(View);
  const bool Barcode = Name == "TREPBARCODEVIEW" || Name == "TREPBARCODE2DVIEW";
  Converter.ForceMitterLineJoin = Barcode;
  Converter.ForceButtLineCap = Barcode;
  Converter.ForceNullBrush = dynamic_cast<TrepShapeView*>(View) != nullptr;
  Converter.Transparency = Filter.Transparency();
  Converter.ForceAnsi = Filter.IsPDFA() && Name != "TREPCHECKBOXVIEW";
  // An unclipped memo lets its text run past its rectangle.
  auto* Memo = dynamic_cast<TrepMemoView*>(View);
  Converter.Clipped = Memo == nullptr || Memo->Clipped;
}

void ExportViaMetafile(TrepView* View, TPDFViewPage& Page) {
  if (!View->IsEMFExportable()) return;
  Page.ExportFill(View);
  std::unique_ptr<rt::TMemoryStream> Stream = ViewGraphicToStream(View);
  {
    TEMFtoPDFExport Converter(Stream.get(), &Page.OutStream(), Page.GetExportRect(View), &Page.Document());
    SetMetafileOptions(Converter, View, Page.Filter());
    Converter.PlayMetaFile();
  }
  Page.ExportFrame(View);
}

double ImageScale(TrepView* View, const TrepPDFExport& Filter, double Wb, double Hb) {
  const gfx::TBrushStyle Brush = View->BrushStyle();
  double K = 1;
  if ((Filter.PrintOptimized || dynamic_cast<TrepCustomMemoView*>(View) != nullptr) &&
      (Brush == gfx::bsSolid || Brush == gfx::bsClear))
    K = 3;
  else if (View->ClassName() == "TrepBarCodeView" && !Filter.PrintOptimized)
    K = 2;
  if (auto* P = dynamic_cast<TrepPictureView*>(View)) {
    if (Filter.PictureDPI() > 0) {
      K = Filter.PictureDPI() * K / 96.0;
    } else if (Filter.SaveOriginalImages()) {
      const double Pixels = double(P->Picture().Width()) * P->Picture().Height();
      if (Wb * Hb > 0 && Pixels > Wb * Hb) K = K * std::sqrt(Pixels / (Wb * Hb));
    }
  }
  return K;
}

void ExportAsImage(TrepView* View, TPDFViewPage& Page) {
  const TrepPDFExport& Filter = Page.Filter();
  TrepFrame& Frame = View->Frame();
  const double FrameWidth = Frame.Width();
  struct TRestoreFrame {
    TrepFrame& F;
    double W;
    ~TRestoreFrame() { F.SetWidth(W); }
  } Restore{Frame, FrameWidth};
  if (FrameWidth > 0) Frame.SetWidth(0);
  Page.ExportFill(View);

  auto* Picture = dynamic_cast<TrepPictureView*>(View);
  if (Picture != nullptr && !Picture->Picture().HasGraphic()) {
    Frame.SetWidth(FrameWidth);
    Page.ExportFrame(View);
    return;
  }

  const TrepRect B = View->GetRealBounds();
  const double Wb = B.Right - B.Left, Hb = B.Bottom - B.Top;
  auto Offset = [](double Size, double Bound, double BoundStart, double BoundEnd, double Abs) {
    if (std::abs(Size - Bound) < 0.0001 || std::abs(BoundStart - Abs) < 0.0001) return 0.0;
    return std::abs(BoundEnd - (Abs + Bound)) >= 0.0001 ? (Size - Bound) / 2 : Size - Bound;
  };
  const double Dx = Offset(Wb, View->Width(), B.Left, B.Right, View->AbsLeft());
  const double Dy = Offset(Hb, View->Height(), B.Top, B.Bottom, View->AbsTop());

  double K = ImageScale(View, Filter, Wb, Hb);
  if (!std::isfinite(K) || K <= 0) K = 1;
  // A view (or an original picture) too large to rasterise is drawn at a smaller scale.
  if (Wb * K * Hb * K > double(MaxViewImagePixels)) K = std::sqrt(double(MaxViewImagePixels) / std::max(1.0, Wb * Hb));
  const int W = std::max(1, static_cast<int>(std::lround(Wb * K)));
  const int H = std::max(1, static_cast<int>(std::lround(Hb * K)));

  // Transparency and the colour that stands for "nothing drawn".
  gfx::TColor T = gfx::clWhite;
  bool Transparent = false, PngAlpha = false;
  if (Picture != nullptr) {
    T = Picture->TransparentColor;
    PngAlpha = Filter.UsePNGAlpha && IsTransparentPNG(View);
    Transparent = Picture->Transparent && Filter.Transparency() && (T != gfx::clNone || PngAlpha);
  } else {
    Transparent = View->Color() == gfx::clNone && Filter.Transparency();
  }
  if (T == gfx::clNone) T = gfx::clWhite;

  auto Draw = [&](gfx::TBitmap& Into) {
    try {
      View->DrawClipped(Into.Canvas(), K, K, -std::round((View->AbsLeft() - Dx) * K),
                        -std::round((View->AbsTop() - Dy) * K));
    } catch (const std::exception&) {
      // Whatever was drawn before the failure is the image.
    }
  };
  std::unique_ptr<gfx::TBitmap> Bitmap = CreateBitmap(gfx::pf32bit, W, H);
  FillBitmap(*Bitmap, Transparent ? T : gfx::clWhite);
  Draw(*Bitmap);

  std::vector<std::uint8_t> Mask;
  if (Transparent) {
    if (PngAlpha) {
      // The picture's own alpha, drawn at the output size over nothing.
      auto Alpha = CreateBitmap(gfx::pf32bit, W, H);
      for (std::uint32_t& Px : Alpha->Data()) Px = 0;
      Draw(*Alpha);
      ReadAlphaMask(*Alpha, Mask);
    } else {
      // Drawn as a mask over the transparent colour: what keeps that colour is transparent.
      auto Shape = CreateBitmap(gfx::pf32bit, W, H);
      FillBitmap(*Shape, T);
      View->DrawAsMask = true;
      Draw(*Shape);
      View->DrawAsMask = false;
      Mask.resize(static_cast<std::size_t>(W) * H);
      std::size_t I = 0;
      const gfx::TColor Key = gfx::ColorToRGB(T) & 0xFFFFFF;
      for (int Y = 0; Y < H; ++Y)
        for (int X = 0; X < W; ++X) Mask[I++] = (Shape->Pixel(X, Y) & 0xFFFFFF) == Key ? 0 : 255;
    }
  }

  const std::string Name = View->ClassName();
  const bool Plain = Name == "TrepBarCodeView" || dynamic_cast<TrepCustomLineView*>(View) != nullptr ||
                     dynamic_cast<TrepShapeView*>(View) != nullptr;
  const int Quality = std::clamp(Plain ? Filter.Quality + 5 : Filter.Quality, 1, 100);
  gfx::TBitmap Opaque(W, H);
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) Opaque.SetPixel(X, Y, Bitmap->Pixel(X, Y));
  const std::string Jpeg = gfx::EncodeJPEG(Opaque, Quality);
  Bitmap.reset();

  TEMFPDFDocument& Doc = Page.Document();
  int Index;
  if (Transparent) {
    Index = Page.WriteMaskedImage(Jpeg, Mask, W, H);
  } else {
    rt::TMemoryStream M;
    M.WriteBuffer(Jpeg.data(), static_cast<std::int64_t>(Jpeg.size()));
    TrepPDFXObjectHash Hash;
    StreamMD5(Hash, M);
    Index = Doc.FindXObject(Hash);
    if (Index < 0) Index = Doc.OutXObjectImage(Hash, Jpeg, W, H);
  }
  Frame.SetWidth(FrameWidth);
  if (Index < 0) {  // no image could be made of the drawing
    Page.ExportFrame(View);
    return;
  }
  Doc.AddUsedObject(Index);

  rt::TStream& Out = Page.OutStream();
  WritePDFLine(Out, "q");
  WritePDFLine(Out, TwoDecimals(Wb * 0.75) + " 0 0 " + TwoDecimals(Hb * 0.75) + " " +
                        TwoDecimals(Page.PixelsToPDFX(View->AbsLeft() - Dx)) + " " +
                        TwoDecimals(Page.PixelsToPDFY(View->AbsTop() - Dy + Hb)) + " cm");
  WritePDFLine(Out, "/Im" + std::to_string(Index) + " Do");
  WritePDFLine(Out, "Q");
  Frame.SetWidth(FrameWidth);
  Page.ExportFrame(View);
}
