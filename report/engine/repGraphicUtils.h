#pragma once
// The engine's drawing helpers for bitmaps and pictures, on the platform's canvases. Routines
// that ask a screen give the fixed answers of a server: 96 pixels per inch, no scaling.
#include <memory>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"

// Puts a graphic into Rect: a metafile through its player, anything with pixels scaled by the
// canvas. With Transparent, pixels of TransparentColor are left out (a bitmap that has an
// alpha channel keeps its alpha either way). HighQuality filters when scaling; Printing is for
// devices that treat printing differently (none here).
void DrawGraphic(gfx::TCanvas& Canvas, const gfx::TRect& Rect, const gfx::TGraphic* Graphic, gfx::TColor TransparentColor,
                 bool Transparent, bool HighQuality = false, bool Printing = false);
// The bitmap stretched into Rect, leaving out pixels of TransparentColor.
void DrawTransparentBitmap(gfx::TCanvas& Canvas, const gfx::TRect& Rect, const gfx::TBitmap& Bitmap, bool UseDIB,
                           gfx::TColor TransparentColor);
// The bitmap stretched into Rect with filtering (UseDIB-style copies need nothing else here).
void DrawBitmapBlt(gfx::TCanvas& Canvas, const gfx::TRect& Rect, const gfx::TBitmap& Bitmap);
void DrawBitmapDIB(gfx::TCanvas& Canvas, const gfx::TRect& Rect, const gfx::TBitmap& Bitmap);
// The bitmap at (X, Y) at its own size without its transparent colour.
void DrawBitmapMasked(gfx::TCanvas& Canvas, int X, int Y, const gfx::TBitmap& Bitmap);
// Blackens every pixel of Dest's area (X, Y, Width, Height) whose source pixel, the source area
// stretched onto it, is not MaskColor; the others stay.
void ApplyTransparencyMask(gfx::TBitmap& Dest, int X, int Y, int Width, int Height, const gfx::TBitmap& Source, int SrcX,
                           int SrcY, int SrcWidth, int SrcHeight, gfx::TColor MaskColor);
// Color in every other pixel of Rect, a checkerboard starting with the pixel at an odd column
// of an even row (rows AA and 55 of an 8 x 8 pattern anchored at the canvas origin).
void DrawPatternRect(gfx::TCanvas& Canvas, const gfx::TRect& Rect, gfx::TColor Color);
// Every pixel becomes the grey min(255, round((r + g + b) div 3 / 3) + 150).
void MakeDisabledBitmap(gfx::TBitmap& Bitmap);
// When PPI > 96 the bitmap becomes a copy stretched by PPI / 96 (sizes rounded).
void ScaleBitmapToPPI(gfx::TBitmap& Bitmap, int PPI);
// Cuts the strip into W x H cells, left to right and row by row while a row fits; each cell
// goes to List (transparent by its bottom-left colour) and, greyed, to Disabled when given.
void AddImageStrip(const gfx::TBitmap& Bitmap, int W, int H, std::vector<std::unique_ptr<gfx::TBitmap>>* Disabled,
                   std::vector<std::unique_ptr<gfx::TBitmap>>& List);
// A small filled arrow head centred in Rect, pointing down or to the right.
void DrawTriangle(gfx::TCanvas& Canvas, const gfx::TRect& Rect, gfx::TColor Color, bool Down);
// The display's scale against 96 pixels per inch: 1 by 1 on a server.
void GetDisplayScale(bool NoCorrection, double& ScaleX, double& ScaleY);
// A PNG with 8-bit colour and an 8-bit alpha channel of the same pixels (palette entries take
// their transparency; opaque sources get alpha 255).
std::unique_ptr<gfx::TPNGObject> ConvertPngToAlpha(const gfx::TPNGObject& Png);
