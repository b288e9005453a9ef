#include "report/engine/repGraphicUtils.h"

#include <algorithm>
#include <cmath>

#include "platform/gfx/Graphics.h"
#include "report/engine/repClass.h"

void DrawGraphic(gfx::TCanvas& Canvas, const gfx::TRect& Rect, const gfx::TGraphic* Graphic, gfx::TColor TransparentColor,
                 bool Transparent, bool HighQuality, bool Printing) {
  (void)Printing;
  if (Graphic == nullptr || Graphic->Empty()) return;
  Canvas.Brush = gfx::TBrush{gfx::clWhite, gfx::bsSolid};
  const gfx::TBitmap* Pixels = Graphic->Pixels();
  if (Pixels == nullptr) {
    Graphic->Draw(Canvas, Rect);
    return;
  }
  Canvas.StretchDraw(Rect, *Pixels, Transparent ? TransparentColor : gfx::clNone, HighQuality);
}

void DrawTransparentBitmap(gfx::TCanvas& Canvas, const gfx::TRect& Rect, const gfx::TBitmap& Bitmap, bool UseDIB,
                           gfx::TColor TransparentColor) {
  (void)UseDIB;
  Canvas.StretchDraw(Rect, Bitmap, TransparentColor, Bitmap.PixelFormat() != gfx::pf1bit);
}

void DrawBitmapBlt(gfx::TCanvas& Canvas, const gfx::TRect& Rect, const gfx::TBitmap& Bitmap) {
  Canvas.StretchDraw(Rect, Bitmap, gfx::clNone, true);
}

void DrawBitmapDIB(gfx::TCanvas& Canvas, const gfx::TRect& Rect, const gfx::TBitmap& Bitmap) {
  Canvas.StretchDraw(Rect, Bitmap, gfx::clNone, true);
}

void DrawBitmapMasked(gfx::TCanvas& Canvas, int X, int Y, const gfx::TBitmap& Bitmap) {
  Canvas.StretchDraw({X, Y, X + Bitmap.Width(), Y + Bitmap.Height()}, Bitmap, Bitmap.EffectiveTransparentColor());
}

void ApplyTransparencyMask(gfx::TBitmap& Dest, int X, int Y, int Width, int Height, const gfx::TBitmap& Source, int SrcX,
                           int SrcY, int SrcWidth, int SrcHeight, gfx::TColor MaskColor) {
  if (Width <= 0 || Height <= 0 || SrcWidth <= 0 || SrcHeight <= 0) return;
  const gfx::TColor Key = gfx::ColorToRGB(MaskColor);
  for (int DY = 0; DY < Height; ++DY)
    for (int DX = 0; DX < Width; ++DX) {
      const int SX = SrcX + static_cast<int>(static_cast<long long>(DX) * SrcWidth / Width);
      const int SY = SrcY + static_cast<int>(static_cast<long long>(DY) * SrcHeight / Height);
      const gfx::TColor S = Source.Pixel(SX, SY);
      if (S != gfx::clNone && S != Key) Dest.SetPixel(X + DX, Y + DY, gfx::clBlack);
    }
}

void DrawPatternRect(gfx::TCanvas& Canvas, const gfx::TRect& Rect, gfx::TColor Color) {
  // Row AA sets the even bits from the left (columns 0, 2, ...); row 55 the odd ones.
  for (int Y = Rect.Top; Y < Rect.Bottom; ++Y)
    for (int X = Rect.Left; X < Rect.Right; ++X)
      if (((X + Y) & 1) == 0) Canvas.SetPixel(X, Y, Color);
}

void MakeDisabledBitmap(gfx::TBitmap& Bitmap) {
  for (int Y = 0; Y < Bitmap.Height(); ++Y)
    for (int X = 0; X < Bitmap.Width(); ++X) {
      const gfx::TColor C = Bitmap.Pixel(X, Y);
      const int Sum = (C & 0xFF) + (C >> 8 & 0xFF) + (C >> 16 & 0xFF);
      const int G = std::min(255, RoundHalfEven((Sum / 3) / 3.0) + 150);
      Bitmap.SetPixel(X, Y, G | G << 8 | G << 16);
    }
  Bitmap.Modified();
}

void ScaleBitmapToPPI(gfx::TBitmap& Bitmap, int PPI) {
  if (PPI <= 96 || Bitmap.Empty()) return;
  gfx::TBitmap Copy;
  Copy.Assign(Bitmap);
  const int W = RoundHalfEven(static_cast<double>(PPI) * Bitmap.Width() / 96);
  const int H = RoundHalfEven(static_cast<double>(PPI) * Bitmap.Height() / 96);
  gfx::TBitmap Out(W, H, Bitmap.PixelFormat() == gfx::pf32bit ? gfx::pf32bit : gfx::pf24bit);
  if (Out.PixelFormat() == gfx::pf32bit) std::fill(Out.Data().begin(), Out.Data().end(), 0u);
  Out.Canvas().StretchDraw({0, 0, W, H}, Copy, gfx::clNone, true);
  Bitmap.Assign(Out);
}

void AddImageStrip(const gfx::TBitmap& Bitmap, int W, int H, std::vector<std::unique_ptr<gfx::TBitmap>>* Disabled,
                   std::vector<std::unique_ptr<gfx::TBitmap>>& List) {
  if (W <= 0 || H <= 0) return;
  for (int Top = 0; Top + H <= Bitmap.Height(); Top += H)
    for (int Left = 0; Left + W <= Bitmap.Width(); Left += W) {
      auto Cell = std::make_unique<gfx::TBitmap>(W, H);
      for (int Y = 0; Y < H; ++Y)
        std::copy_n(Bitmap.ScanLine(Top + Y) + Left, W, Cell->ScanLine(Y));
      Cell->Transparent = true;
      if (Disabled != nullptr) {
        auto Grey = std::make_unique<gfx::TBitmap>();
        Grey->Assign(*Cell);
        Grey->TransparentColor = Cell->EffectiveTransparentColor();
        MakeDisabledBitmap(*Grey);
        Disabled->push_back(std::move(Grey));
      }
      List.push_back(std::move(Cell));
    }
}

void DrawTriangle(gfx::TCanvas& Canvas, const gfx::TRect& Rect, gfx::TColor Color, bool Down) {
  Canvas.Brush = gfx::TBrush{Color, gfx::bsSolid};
  Canvas.Pen = gfx::TPen{Color, 1, gfx::psSolid};
  const int CX = (Rect.Left + Rect.Right) / 2, CY = (Rect.Top + Rect.Bottom) / 2;
  const int S = std::max(1, std::min(Rect.Width(), Rect.Height()) / 4);
  if (Down)
    Canvas.Polygon({{CX - S, CY - S / 2}, {CX + S, CY - S / 2}, {CX, CY + S / 2}});
  else
    Canvas.Polygon({{CX - S / 2, CY - S}, {CX + S / 2, CY}, {CX - S / 2, CY + S}});
}

void GetDisplayScale(bool NoCorrection, double& ScaleX, double& ScaleY) {
  (void)NoCorrection;
  ScaleX = ScaleY = 1;
}


std::unique_ptr<gfx::TPNGObject> ConvertPngToAlpha(const gfx::TPNGObject& Png) {
  auto R = std::make_unique<gfx::TPNGObject>();
  const gfx::TBitmap* Src = Png.Pixels();
  if (Src == nullptr) return R;
  gfx::TBitmap Alpha;
  Alpha.Assign(*Src);
  Alpha.SetPixelFormat(gfx::pf32bit);
  Alpha.Data() = Src->Data();  // keep alpha as decoded (palette transparency included)
  Alpha.AlphaFormat = gfx::afDefined;
  R->Assign(Alpha);
  return R;
}
