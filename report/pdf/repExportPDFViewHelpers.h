#pragma once
// The PDF export's helpers for bitmaps and views: making bitmaps, reading their alpha, and the
// questions the export asks of a view (its bounds without the shadow, its shape kind).
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gfx/Picture.h"
#include "report/engine/repClassView.h"

// Left, Top, Width, Height, Right, Bottom in report pixels.
struct TrepViewBounds {
  double Left = 0, Top = 0, Width = 0, Height = 0, Right = 0, Bottom = 0;
};

// A new bitmap; the pixel format is set before the size.
std::unique_ptr<gfx::TBitmap> CreateBitmap(gfx::TPixelFormat PixelFormat, int Width, int Height);
std::unique_ptr<gfx::TBitmap> CreateBitmapLike(gfx::TPixelFormat PixelFormat, const gfx::TBitmap& Bitmap);
std::int64_t BitmapPixelCount(const gfx::TBitmap& Bitmap);
// Width x Height bytes: each pixel's alpha, rows from the top, pixels from the left.
void ReadAlphaMask(const gfx::TBitmap& Bitmap, std::vector<std::uint8_t>& Mask);
void FillBitmap(gfx::TBitmap& Bitmap, gfx::TColor Color);
// A transparent picture view whose PNG has pixels that are not fully opaque.
bool IsTransparentPNG(const TrepView* View);
// AbsLeft, AbsTop, and the size less the shadow.
void ViewExportBounds(const TrepView* View, TrepViewBounds& Bounds);
bool IsShapeKind(const TrepView* View, std::initializer_list<TrepShapeKind> Kinds);
// A rectangle, rounded rectangle, ellipse, triangle or diamond.
bool IsClosedShape(const TrepView* View);
