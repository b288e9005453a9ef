#pragma once
// A canvas that paints into a bitmap's pixels through cairo, with the device rules of the
// drawing code: no anti-aliasing, shapes exclude their right and bottom edges, one-pixel lines
// exclude their end point, hatch brushes repeat every 8 pixels.
#include "platform/gfx/Canvas.h"

namespace gfx {

class TBitmap;

// Text drawn on a raster canvas is at most this many pixels high; larger sizes are clamped.
inline constexpr int MaxRasterTextPixels = 2048;
// cairo refuses images wider or taller than 32,767 pixels, and scaling down from more than
// about 29,000 it draws nothing without a word: a bitmap drawn from is sampled down to at most
// this many pixels a side first.
inline constexpr int MaxStretchSourceSidePixels = 16384;

class TRasterCanvas : public TCanvas {
public:
  // The bitmap must outlive the canvas; its size may change between operations.
  explicit TRasterCanvas(TBitmap& ABitmap) : FBitmap(ABitmap) {}

  TBitmap& Bitmap() const { return FBitmap; }

  void FillRect(const TRect& R) override;
  void Rectangle(int X1, int Y1, int X2, int Y2) override;
  void Ellipse(int X1, int Y1, int X2, int Y2) override;
  bool GeometricLine(int X1, int Y1, int X2, int Y2, const TGeometricPen& GPen) override;
  void Polygon(const std::vector<TPoint>& Points) override;
  void Polyline(const std::vector<TPoint>& Points) override;
  void RoundRect(int X1, int Y1, int X2, int Y2, int W, int H) override;
  TColor Pixel(int X, int Y) const override;
  void SetPixel(int X, int Y, TColor Color) override;
  // EInvalidGraphic when cairo cannot draw the bitmap.
  void StretchDraw(const TRect& Dest, const TBitmap& Source, TColor TransparentColor = clNone,
                   bool Smooth = false) override;
  // Text in Font with the glyph outlines of the font layer's faces, rendered without
  // anti-aliasing in the font's colour; the top of the line at Y, advances from Dx where given.
  // Underline and strike-out are drawn as one-pixel-high bars scaled with the size. Turned text
  // (escapement) turns about the cell's top left corner.
  void ExtTextOut(const TTextOut& T) override;

protected:
  void DrawLine(int X1, int Y1, int X2, int Y2) override;

private:
  TBitmap& FBitmap;
};

} // namespace gfx
