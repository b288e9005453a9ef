#include "report/pdf/repExportPDFViewHelpers.h"

#include <algorithm>
#include "report/engine/repClassPicture.h"

std::unique_ptr<gfx::TBitmap> CreateBitmap(gfx::TPixelFormat PixelFormat, int Width, int Height) {
  auto B = std::make_unique<gfx::TBitmap>();
  B->SetPixelFormat(PixelFormat);
  B->SetSize(Width, Height);
  return B;
}

std::unique_ptr<gfx::TBitmap> CreateBitmapLike(gfx::TPixelFormat PixelFormat, const gfx::TBitmap& Bitmap) {
  return CreateBitmap(PixelFormat, Bitmap.Width(), Bitmap.Height());
}

std::int64_t BitmapPixelCount(const gfx::TBitmap& Bitmap) {
  return static_cast<std::int64_t>(Bitmap.Width()) * Bitmap.Height();
}

void ReadAlphaMask(const gfx::TBitmap& Bitmap, std::vector<std::uint8_t>& Mask) {
  Mask.resize(static_cast<std::size_t>(BitmapPixelCount(Bitmap)));
  std::size_t I = 0;
  for (int Y = 0; Y < Bitmap.Height(); ++Y) {
    const std::uint32_t* Row = Bitmap.ScanLine(Y);
    for (int X = 0; X < Bitmap.Width(); ++X) Mask[I++] = static_cast<std::uint8_t>(Row[X] >> 24);
  }
}

void FillBitmap(gfx::TBitmap& Bitmap, gfx::TColor Color) {
  gfx::TCanvas& C = Bitmap.Canvas();
  C.Brush.Color = Color;
  C.Brush.Style = gfx::bsSolid;
  C.FillRect({0, 0, Bitmap.Width(), Bitmap.Height()});
}

bool IsTransparentPNG(const TrepView* View) {
  const auto* P = dynamic_cast<const TrepPictureView*>(View);
  if (P == nullptr || !P->Transparent) return false;
  const auto* Png = dynamic_cast<const gfx::TPNGObject*>(P->Picture().Graphic());
  return Png != nullptr && Png->HasTransparency();
}

void ViewExportBounds(const TrepView* View, TrepViewBounds& Bounds) {
  Bounds.Left = View->AbsLeft();
  Bounds.Top = View->AbsTop();
  Bounds.Width = View->Width() - View->ShadowSize();
  Bounds.Height = View->Height() - View->ShadowSize();
  Bounds.Right = Bounds.Left + Bounds.Width;
  Bounds.Bottom = Bounds.Top + Bounds.Height;
}

bool IsShapeKind(const TrepView* View, std::initializer_list<TrepShapeKind> Kinds) {
  const auto* S = dynamic_cast<const TrepShapeView*>(View);
  return S != nullptr && std::find(Kinds.begin(), Kinds.end(), S->Shape) != Kinds.end();
}

bool IsClosedShape(const TrepView* View) {
  return IsShapeKind(View, {skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond});
}
