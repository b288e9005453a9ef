#pragma once
// Plays an enhanced metafile onto a graphics-layer canvas (the raster canvas of a bitmap, or any
// other), stretching the metafile's frame onto a target rectangle in device pixels. Records map
// to the canvas's own primitives wherever one fits (rectangles, ellipses, polygons, lines, text,
// stretched bitmaps), so a drawing played back lands on the same pixels as the drawing done
// directly. Curves are flattened; paths are painted figure by figure; a clip region clips by its
// bounding rectangle, as the canvas clips by one rectangle.
//
// Metafiles are untrusted: every coordinate passes a finite range before it reaches the canvas,
// lines are cut to the neighbourhood of the target, and bitmaps and flattened curves are capped.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "report/pdf/repEMFAbstractExport.h"

namespace gfx {
class TMetafile;
}

class TEMFtoCanvasExport : public TEMFAbstractExport {
public:
  // InStream: the metafile (not owned); the canvas must outlive the player.
  TEMFtoCanvasExport(rt::TStream* InStream, gfx::TCanvas& ACanvas, const gfx::TRect& ATarget);
  ~TEMFtoCanvasExport() override;

  // Bitmaps with more pixels than this are left out.
  static constexpr std::int64_t MaxBitmapPixels = 25'000'000;
  // Points one path may collect; figures beyond are dropped.
  static constexpr std::size_t MaxPathPoints = 1'000'000;
  // Device coordinates are kept within this distance of the target: the raster canvas walks
  // one-pixel lines pixel by pixel, so a line may not run across the whole integer range.
  static constexpr int MaxCoordinateMargin = 4096;

protected:
  void DoAngleArc() override;
  void DoArc() override;
  void DoArcTo() override;
  void DoAlphaBlend() override;
  void DoBeginPath() override;
  void DoBitBlt() override;
  void DoChord() override;
  void DoCloseFigure() override;
  void DoEllipse() override;
  void DoExtTextOutW() override;
  void DoFillPath() override;
  void DoHeader() override;
  void DoLineTo() override;
  void DoMoveToEx() override;
  void DoPie() override;
  void DoPolyBezier() override;
  void DoPolyBezier16() override;
  void DoPolyBezierTo() override;
  void DoPolyBezierTo16() override;
  void DoPolygon() override;
  void DoPolygon16() override;
  void DoPolyline() override;
  void DoPolyline16() override;
  void DoPolylineTo() override;
  void DoPolylineTo16() override;
  void DoPolyPolygon() override;
  void DoPolyPolygon16() override;
  void DoPolyPolyline() override;
  void DoPolyPolyline16() override;
  void DoRectangle() override;
  void DoRoundRect() override;
  void DoStretchBlt() override;
  void DoStretchDIBits() override;
  void DoStrokeAndFillPath() override;
  void DoStrokePath() override;
  void DoAbortPath() override;
  void DoTransparentBlt() override;
  void BeforePlay() override;
  void AfterPlay() override;

private:
  struct TFigure {
    std::vector<gfx::TPoint> Points;
    bool Closed = false;
  };
  // Logical coordinates to canvas pixels, within the coordinate range.
  gfx::TPoint ToPixel(double X, double Y);
  gfx::TPoint ToPixel16(std::uint32_t Packed);
  gfx::TRect ToPixelRect(const TRect& R);
  int ToPixelSize(double L);
  // Pen, brush and clip of the canvas from the current context.
  void UsePen();
  void UseBrush();
  void UseClip();
  bool NullPen() const;
  bool NullBrush() const;
  // A shape: collected into the open path, or painted at once (pen and/or brush by Flags 2 and 4).
  void Shape(std::vector<TFigure> Figures, int Flags);
  void PaintFigures(const std::vector<TFigure>& Figures, int Flags);
  void Line(gfx::TPoint A, gfx::TPoint B);
  std::vector<gfx::TPoint> ArcPoints(double CX, double CY, double RX, double RY, double Start, double Sweep);
  void ArcRecord(int Kind);
  void PolyPoints(bool Small, bool MoveFirst, bool Close, int Flags);
  void PolyPoly(bool Small, bool Close, int Flags);
  void Bezier(bool Small, bool MoveFirst, int Flags);
  void BitmapRecord(const TRect& Rect, std::uint32_t Rop, bool Transparent);
  // Adds a point to the open path's last figure (a new figure from the current position when
  // none is open).
  void ContinueFigure(gfx::TPoint P);
  void RestoreCanvas();

  gfx::TCanvas& FCanvas;
  gfx::TRect FTarget;
  TrepPoint FFactor{1, 1};
  std::optional<gfx::TRect> FOriginalClip, FAppliedClip;
  gfx::TPen FOriginalPen;
  gfx::TBrush FOriginalBrush;
  gfx::TFont FOriginalFont;
  gfx::TBkMode FOriginalBkMode = gfx::bkOpaque;
  bool FCanvasSaved = false;
  // The open path's figures (in pixels) and how many points they hold.
  std::vector<TFigure> FPath;
  std::size_t FPathPoints = 0;
  bool FFigureOpen = false;
};

// Draws the metafile into Rect of the canvas; what a damaged metafile holds before the damage is
// drawn, the rest left out. Not an enhanced metafile: nothing is drawn.
void PlayMetafileOnCanvas(const gfx::TMetafile& Metafile, gfx::TCanvas& Canvas, const gfx::TRect& Rect);
// Lets metafile graphics draw on every canvas (gfx::TMetafile::MetafilePlayer).
void EMFCanvasPlayerInitialization();
