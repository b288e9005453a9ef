#pragma once
// The two roads of a view that the PDF writer does not write as text or vector operators of its
// own: played through the metafile converter (a view that renders itself as a metafile), or drawn
// into a bitmap and written as a JPEG image, with a soft mask when it is transparent. Both write
// the view's fill first and its frame last.
//
// The roads reach the page and the document through TPDFViewPage, which the document writer
// implements.
#include <cstdint>
#include <string>
#include <vector>

#include "report/engine/repClassView.h"
#include "report/pdf/repEMFtoPDFExport.h"
#include "report/pdf/repExportPDF.h"

class TPDFViewPage {
public:
  virtual ~TPDFViewPage() = default;
  // The filter's options.
  virtual const TrepPDFExport& Filter() const = 0;
  // The page's content stream.
  virtual rt::TStream& OutStream() = 0;
  // Fonts and shared images of the document.
  virtual TEMFPDFDocument& Document() = 0;
  virtual void ExportFill(TrepView* View) = 0;
  // The frame around the view's rectangle.
  virtual void ExportFrame(TrepView* View) = 0;
  // The view's rectangle in PDF points (Top the upper edge).
  virtual TrepRect GetExportRect(TrepView* View) = 0;
  // Report pixels to PDF points on this page.
  virtual double PixelsToPDFX(double X) = 0;
  virtual double PixelsToPDFY(double Y) = 0;
  // The page-background picture is shown stretched.
  virtual bool BackPictureStretched() const { return true; }
  // Writes (or finds, by the digest of mask and JPEG) a JPEG image with a soft mask of one byte
  // per pixel (255 opaque), rows from the top; the image's index.
  virtual int WriteMaskedImage(const std::string& Jpeg, const std::vector<std::uint8_t>& Mask, int Width,
                               int Height) = 0;
};

// The converter's options for a view: barcodes force butt caps and miter joins, shapes never
// fill, transparency as the filter says, ANSI text under PDF/A except for check boxes, clipping
// unless a memo is unclipped.
void SetMetafileOptions(TEMFtoPDFExport& Converter, TrepView* View, const TrepPDFExport& Filter);

// Nothing when the view cannot be exported as a metafile.
void ExportViaMetafile(TrepView* View, TPDFViewPage& Page);
void ExportAsImage(TrepView* View, TPDFViewPage& Page);

// The raster scale of the image road for a view of Wb by Hb report pixels (before the cap).
double ImageScale(TrepView* View, const TrepPDFExport& Filter, double Wb, double Hb);
// The image road never rasterises more pixels than this; a larger scale is reduced to fit.
inline constexpr std::int64_t MaxViewImagePixels = 40'000'000;
