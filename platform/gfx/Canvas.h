#pragma once
// The drawing surface the report objects paint on, in device pixels: a pen, a brush and a
// font as current state, and a few primitives. Implementations: TRecordingCanvas here (keeps
// every operation, for tests and for replaying), a metafile and the PDF export later.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Font.h"

namespace gfx {

class TBitmap;

struct TRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

struct TPoint {
  int X = 0, Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// How the pen's colour meets what is already there.
enum TPenMode { pmCopy, pmXor };
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
// Whether the gaps of hatches and styled lines let the background through.
enum TBkMode { bkOpaque, bkTransparent };
enum TPenEndCap { pecRound, pecSquare, pecFlat };

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  friend bool operator==(const TPen&, const TPen&) = default;
};

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
  friend bool operator==(const TBrush&, const TBrush&) = default;
};

// A pen that strokes a line of any width with the given end caps; Dashes, when not empty, are
// the lengths of drawn and skipped pieces in turn (pixels).
struct TGeometricPen {
  TColor Color = clBlack;
  int Width = 1;
  TPenEndCap EndCap = pecRound;
  std::vector<int> Dashes;
  friend bool operator==(const TGeometricPen&, const TGeometricPen&) = default;
};

// One text output: the characters of Text from (X, Y), the top left of the first character's
// cell, each followed by its advance in Dx (device pixels; empty: the font's own advances),
// along the direction Escapement (tenths of a degree, counter-clockwise). FontHeight is the
// em height of the canvas font in device pixels (the font's Size is whole points only).
// Options as the text layout gives them: 4 clipped to Clip, 128 right-to-left reading.
struct TTextOut {
  int X = 0, Y = 0;
  int Options = 0;
  std::optional<TRect> Clip;
  std::u16string Text;
  std::vector<int> Dx;
  int Escapement = 0;
  int FontHeight = 0;
};
inline constexpr int ETO_CLIPPED = 4;
inline constexpr int ETO_RTLREADING = 128;

class TCanvas : public rt::TObject {
public:
  TCanvas() = default;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPen Pen;
  TBrush Brush;
  TFont Font;
  TBkMode BkMode = bkOpaque;

  TPoint PenPos() const { return FPenPos; }
  void MoveTo(int X, int Y) { FPenPos = {X, Y}; }
  // A line from the pen position to (X, Y) with Pen, the end point excluded; the pen position
  // moves there.
  void LineTo(int X, int Y);
  // The inside of R (right and bottom edges excluded) painted with Brush; no outline.
  virtual void FillRect(const TRect& R) = 0;
  // Outline with Pen, inside with Brush; right and bottom excluded.
  virtual void Rectangle(int X1, int Y1, int X2, int Y2) = 0;
  virtual void Ellipse(int X1, int Y1, int X2, int Y2) = 0;
  // A straight line stroked with a geometric pen (Pen is not used). False when the device
  // cannot make such a pen; nothing is drawn then and the caller paints another way.
  virtual bool GeometricLine(int X1, int Y1, int X2, int Y2, const TGeometricPen& GPen) = 0;

  // Device resolution (pixels per inch across and down) and whether the device is a printer:
  // the text layout scales fonts by them.
  int PixelsPerInchX = 96, PixelsPerInchY = 96;
  bool IsPrinter = false;
  // Text in Font; devices that draw no text ignore it.
  virtual void ExtTextOut(const TTextOut& T) { (void)T; }
  // Text in Font as the font layer measures it at this device's resolution: the sum of the
  // characters' advances, and the height of a line (ascent plus descent), in device pixels.
  int TextWidth(std::u16string_view Text) const;
  int TextHeight(std::u16string_view Text) const;
  // Text in Font with the top of its line at Y, through ExtTextOut with the advances filled in.
  void TextOut(int X, int Y, std::u16string_view Text);
  // The font's em in device pixels (its size in points at PixelsPerInchY).
  int FontPixelSize() const;

  // Outline with Pen through the points and back to the first, inside with Brush. The base
  // draws the outline only.
  virtual void Polygon(const std::vector<TPoint>& Points);
  // Lines with Pen through the points, the last point excluded.
  virtual void Polyline(const std::vector<TPoint>& Points);
  // A rectangle with corners rounded by ellipses W by H; the base draws a plain rectangle.
  virtual void RoundRect(int X1, int Y1, int X2, int Y2, int W, int H) { (void)W; (void)H; Rectangle(X1, Y1, X2, Y2); }
  // The colour of one device pixel; clNone where the canvas keeps no pixels or outside them.
  virtual TColor Pixel(int X, int Y) const { (void)X; (void)Y; return clNone; }
  virtual void SetPixel(int X, int Y, TColor Color) { (void)X; (void)Y; (void)Color; }
  // The bitmap scaled into Dest; pixels of TransparentColor (when not clNone) are left out and
  // the bitmap's alpha is honoured. Smooth asks for filtering instead of nearest pixels. The
  // base draws nothing.
  virtual void StretchDraw(const TRect& Dest, const TBitmap& Bitmap, TColor TransparentColor = clNone,
                           bool Smooth = false) {
    (void)Dest; (void)Bitmap; (void)TransparentColor; (void)Smooth;
  }

  // The clipping rectangle; none when empty.
  const std::optional<TRect>& ClipRect() const { return FClip; }
  virtual void SetClipRect(const std::optional<TRect>& Value) { FClip = Value; }

protected:
  virtual void DrawLine(int X1, int Y1, int X2, int Y2) = 0;

private:
  TPoint FPenPos;
  std::optional<TRect> FClip;
};

// One recorded drawing operation with the state it was drawn in.
struct TCanvasOp {
  enum TKind { opLine, opFillRect, opRectangle, opEllipse, opGeometricLine, opClip, opText, opPolygon,
               opRoundRect, opBitmap };
  TKind Kind = opLine;
  // Lines: (Left, Top) to (Right, Bottom); shapes: the rectangle; clips: the new clip.
  TRect R;
  TPen Pen;
  TBrush Brush;
  TBkMode BkMode = bkOpaque;
  TGeometricPen GPen;
  std::optional<TRect> Clip;
  // Text: the call and the font it was drawn in.
  TTextOut TextOut;
  std::string FontName;
  TFontStyles FontStyle = 0;
  TColor FontColor = clBlack;
  // Polygons: the corners; round rectangles: the corner ellipse as (X, Y); bitmaps: the
  // bitmap's size as (X, Y) and the transparency colour in Brush.Color.
  std::vector<TPoint> Points;

  // A short description: "line 0,0 10,0 pen 0000FF w1 solid", "fill 0,0 10,10 FF0000",
  // "rect ...", "ellipse ...", "gline 0,0 10,0 0000FF w3 square", "clip 0,0 10,10" / "clip none",
  // "text 10,20 'abc' Arial h50 b 000000 esc900 o4 dx 30,30,30" (style letters b i u s, the
  // escapement, options and advances only when set),
  // "polygon 0,0 10,0 5,5 pen ... brush ...", "roundrect ... corner 4,4 pen ... brush ...",
  // "bitmap 0,0 10,10 from 20x20" (with " transparent BBGGRR").
  // Colours as 6 hexadecimal digits BBGGRR (the TColor value); fills of a hatch brush add its
  // style and the background mode.
  std::string Text() const;
};

class TRecordingCanvas : public TCanvas {
public:
  void FillRect(const TRect& R) override;
  void Rectangle(int X1, int Y1, int X2, int Y2) override;
  void Ellipse(int X1, int Y1, int X2, int Y2) override;
  bool GeometricLine(int X1, int Y1, int X2, int Y2, const TGeometricPen& GPen) override;
  void SetClipRect(const std::optional<TRect>& Value) override;
  void ExtTextOut(const TTextOut& T) override;
  void Polygon(const std::vector<TPoint>& Points) override;
  void RoundRect(int X1, int Y1, int X2, int Y2, int W, int H) override;
  void StretchDraw(const TRect& Dest, const TBitmap& Bitmap, TColor TransparentColor = clNone,
                   bool Smooth = false) override;

  std::vector<TCanvasOp> Ops;
  // False makes the canvas refuse geometric pens, as a device without them does.
  bool AllowGeometricPens = true;
  // The Text() of every operation, in order.
  std::vector<std::string> Texts() const;

protected:
  void DrawLine(int X1, int Y1, int X2, int Y2) override;

private:
  TCanvasOp Make(TCanvasOp::TKind Kind, TRect R) const;
};

} // namespace gfx
