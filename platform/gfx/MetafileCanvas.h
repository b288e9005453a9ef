#pragma once
// A canvas that records its drawing as an enhanced metafile: every operation becomes the
// records of the public metafile format (pens, brushes and fonts as created objects, shapes,
// text with its advances, bitmaps as device-independent bitmaps, clipping as regions). Views
// without a direct PDF form draw through it; the PDF export plays the result.
//
// Device units are pixels at 96 per inch; the picture frame is the canvas size.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"

namespace gfx {

class TMetafile;

class TMetafileCanvas : public TCanvas {
public:
  // A metafile of Width by Height pixels (each at least 1).
  TMetafileCanvas(int Width, int Height);
  ~TMetafileCanvas() override;

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // The picture frame (each at least 1); what is drawn stays.
  void SetSize(int Width, int Height);

  void FillRect(const TRect& R) override;
  void Rectangle(int X1, int Y1, int X2, int Y2) override;
  void Ellipse(int X1, int Y1, int X2, int Y2) override;
  bool GeometricLine(int X1, int Y1, int X2, int Y2, const TGeometricPen& GPen) override;
  void ExtTextOut(const TTextOut& T) override;
  void Polygon(const std::vector<TPoint>& Points) override;
  void Polyline(const std::vector<TPoint>& Points) override;
  void RoundRect(int X1, int Y1, int X2, int Y2, int W, int H) override;
  void StretchDraw(const TRect& Dest, const TBitmap& Bitmap, TColor TransparentColor = clNone,
                   bool Smooth = false) override;
  void SetClipRect(const std::optional<TRect>& Value) override;

  // The whole metafile: header, the records so far, end-of-file. The canvas can go on drawing.
  std::string Bytes() const;
  // The metafile as a graphic.
  std::unique_ptr<TMetafile> Metafile() const;

  // A metafile bigger than this refuses further bitmaps and text (nothing is drawn for them).
  static constexpr std::size_t MaxBytes = 256u << 20;

protected:
  void DrawLine(int X1, int Y1, int X2, int Y2) override;

private:
  struct TRecord;
  void Put(std::uint32_t Type, const std::vector<std::uint8_t>& Payload);
  // Selects pen, brush and background mode as the next drawing needs them.
  void UsePen();
  void UseBrush();
  void UseNullPen();
  void UseNullBrush();
  void UseText();
  void SelectPenRecord(const std::vector<std::uint8_t>& CreatePayload, std::uint32_t Type);

  int FWidth, FHeight;
  std::vector<std::uint8_t> FRecords;
  std::uint32_t FRecordCount = 0;
  // What the metafile has selected, to write only changes.
  std::optional<std::vector<std::uint8_t>> FPenKey, FBrushKey, FFontKey;
  std::optional<int> FBkMode, FRop2;
  std::optional<std::uint32_t> FTextColor, FBkColor;
};

} // namespace gfx
