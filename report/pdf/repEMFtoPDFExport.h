#pragma once
// The metafile converter of the PDF export: plays an enhanced metafile and writes PDF
// page-content operators for its paths, pens, brushes, clipping, text and bitmaps into a content
// stream, stretching the metafile's frame onto a target rectangle in PDF points.
//
// Operators that build a path (m, l, c, v, h, re and the clip W) collect in a path buffer until
// the path is painted; every other operator goes straight to the content stream. So a "q", a text
// object or an image that comes while a path is pending lands before that path, where PDF admits
// it, and the drawing keeps its order. As many "Q" as "q" are written whatever the metafile
// holds, and no number written is an infinity or NaN.
//
// The converter reaches the document it writes into (fonts, image objects) only through
// TEMFPDFDocument.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Font.h"
#include "report/pdf/repEMFAbstractExport.h"
#include "report/pdf/repExportHelpers.h"
#include "report/pdf/repExportPDFHelpers.h"

class TrepView;

// What the converter needs of the PDF document: its fonts and its shared image objects.
class TEMFPDFDocument {
public:
  virtual ~TEMFPDFDocument() = default;
  // The resource name ("F0") under which the current page uses the document font for Font.
  virtual std::string FontResourceName(const gfx::TFont& Font) = 0;
  // The text as glyph indices of that font, with their advances; the glyphs are recorded for the
  // font's widths and its ToUnicode map, with the characters' full values. IsIndexes: the
  // code units of Text are glyph indices already.
  virtual TRemapedString RemapString(const gfx::TFont& Font, const std::u16string& Text, bool IsRTL,
                                     bool IsIndexes) = 0;
  // Lines that simulate a style the font's face lacks; empty when none is needed. The italic
  // text is a matrix of six operands.
  virtual std::string ItalicSimulationText(const gfx::TFont& Font) { (void)Font; return {}; }
  virtual std::string BoldSimulationText(const gfx::TFont& Font) { (void)Font; return {}; }
  // The index of the image with that digest, -1 when the document has none yet.
  virtual int FindXObject(const TrepPDFXObjectHash& Hash) = 0;
  // Writes a JPEG image of Width by Height pixels; its index.
  virtual int OutXObjectImage(const TrepPDFXObjectHash& Hash, const std::string& Jpeg, int Width,
                              int Height) = 0;
  // Writes an RGBA image (its alpha as a soft mask) scaled to Width by Height; its index.
  virtual int OutTransparentPNG(const TEMFPngImage& Image, int Width, int Height) = 0;
  // The current page draws the image.
  virtual void AddUsedObject(int Index) = 0;
};

// The path being built.
class TPDFPath {
public:
  explicit TPDFPath(rt::TStream* OutStream) : FOutStream(OutStream) {}
  void Put(const std::string& S) { FStream += S; }
  // Copies the buffer to the content stream and empties it; no path is pending afterwards.
  void Flush();
  void Clear() { FStream.clear(); FExists = false; }

  rt::TStream* FOutStream;
  bool FExists = false;
  std::string FStream;
};

class TPDFDeviceContext : public TDeviceContext {
public:
  void CopyFrom(const TDeviceContext& ADC) override { TDeviceContext::CopyFrom(ADC); }
  void Init() override {
    TDeviceContext::Init();
    FExtSelectClipRgnCreated = false;
  }
  // A "q" opened for a clip region is still open.
  bool FExtSelectClipRgnCreated = false;
};

// Lengths of one text between the metafile's units and PDF units, for one font.
class TEMFPDFSizeConverter {
public:
  TEMFPDFSizeConverter(class TEMFtoPDFExport& Export, const gfx::TFont& Font);
  double Dev() const { return FDev; }
  double Log() const { return FLog; }
  double PDF() const { return FPDF; }
  // Thousandths of the font size.
  double Char() const { return FChar; }
  void SetLog(double X);

private:
  double FDev = 0, FLog = 0, FPDF = 0, FChar = 0;
  TEMFtoPDFExport& FExport;
  double FEMFPDFFactor;
  int FFontSize;
};

class TEMFtoPDFExport : public TEMFAbstractExport {
public:
  // InStream: the metafile; OutStream: the page's content stream; APDFRect: the target in PDF
  // points (Top the upper edge); ADocument: fonts and images (not owned; may be null, and then
  // text and bitmaps are left out).
  TEMFtoPDFExport(rt::TStream* InStream, rt::TStream* OutStream, const TrepRect& APDFRect,
                  TEMFPDFDocument* ADocument);
  ~TEMFtoPDFExport() override;

  bool ForceMitterLineJoin = false;
  bool ForceButtLineCap = false;
  int JPGQuality = 90;
  bool ForceNullBrush = false;
  // Alpha-blended bitmaps become images with soft masks.
  bool Transparency = false;
  // Kept for callers; the characters behind the glyphs keep their full value whatever it says,
  // so that text stays searchable under PDF/A.
  bool ForceAnsi = false;
  // Clip the drawing to the target rectangle.
  bool Clipped = true;

  // Bitmaps with more pixels than this are left out (a comment line says so).
  static constexpr std::int64_t MaxBitmapPixels = 25'000'000;
  // Coordinates are kept within this many points of the origin.
  static constexpr double MaxPDFCoordinate = 32767;

  const TrepPoint& EMFtoPDFFactor() const { return FEMFtoPDFFactor; }

protected:
  friend class TEMFPDFSizeConverter;

  void Comment(const std::u16string& Text) override;
  void CreateDeviceContext() override;
  std::unique_ptr<gfx::TFont> CreateFontFromDC() override;
  void DoAbortPath() override;
  void DoAlphaBlend() override;
  void DoAngleArc() override;
  void DoBitBlt() override;
  void DoCloseFigure() override;
  void DoEllipse() override;
  void DoEoF() override;
  void DoExtSelectClipRgn() override;
  void DoExtTextOutW() override;
  void DoFillPath() override;
  void DoHeader() override;
  void DoIntersectClipRect() override;
  void DoLineTo() override;
  void DoMaskBlt() override;
  void DoMoveToEx() override;
  void DoPie() override;
  void DoPolyBezier() override;
  void DoPolyBezier16() override;
  void DoPolyBezierTo() override;
  void DoPolyBezierTo16() override;
  void DoPolyDraw() override;
  void DoPolyDraw16() override;
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
  void DoRestoreDC() override;
  void DoRoundRect() override;
  void DoSaveDC() override;
  void DoSelectClipPath() override;
  void DoStretchBlt() override;
  void DoStretchDIBits() override;
  void DoStrokeAndFillPath() override;
  void DoStrokePath() override;
  void DoTransparentBlt() override;
  void BeforePlay() override;
  void AfterPlay() override;

  // Output: a line (CR LF added) into the path buffer (path construction) or the stream.
  void PDFPutLine(const std::string& S);
  void PDFPathLine(const std::string& S);
  void SaveState();
  void RestoreState();

  TrepPoint LogToPDFPoint(double X, double Y);
  TrepPoint LogToPDFPoint(const TPoint& P) { return LogToPDFPoint(P.X, P.Y); }
  TrepPoint LogToPDFPoint16(std::uint32_t Packed);
  TrepRect LogToPDFRect(const TRect& R);
  double LogToPDFSize(double L);

  void PaintPath(int Type, bool UseBkColor = false);
  std::string DashPatternOperands(std::uint32_t Style, double W) const;
  int PaintType(int Flags) const;
  void BeginShape();
  void FinishShape(int Flags);
  void ClipToPath();
  void ClipToRegion();
  void WriteArc(double CX, double CY, double RX, double RY, double Sweep, double Start);
  void WriteRoundRect(const TrepRect& R, double RX, double RY);
  void PathPoint(const TrepPoint& P, const char* Op);
  void EnsureCurrentPoint();
  void DrawBitmapRecord(const TRect& Rect, std::uint32_t Rop, const TEMRBitmap& View);
  void DrawImageXObject(int Index, const TrepRect& R);

  TrepRect FPDFRect;
  TrepPoint FEMFtoPDFFactor{1, 1};
  TEMFPDFDocument* FPOH;
  std::vector<std::pair<std::string, std::string>> FRealizationList;
  int FqQBalance = 0;
  TPDFPath FPath;

private:
  TPDFDeviceContext& PDC() { return static_cast<TPDFDeviceContext&>(DC()); }
  bool IsNullBrush() const;
  std::string FillOperatorSuffix() const;
  void WritePolyPoints(bool Small, bool MoveFirst, bool Close, int Flags);
  void WritePolyPoly(bool Small, bool Close, int Flags);
  void WriteBezier(bool Small, bool MoveFirst, int Flags);
  void WritePolyDraw(bool Small);
  void BitBltLike();
  void WriteRealizationComment();
  void WriteText();
  // "q" written since the start and not yet closed by "Q" (the one of BeforePlay not counted):
  // the count that keeps the output balanced whatever the metafile's state records say.
  int FOpenStates = 0;
  bool FHeaderSeen = false;
};

// The view's vector graphic saved into a new memory stream positioned at 0 (the caller owns it).
std::unique_ptr<rt::TMemoryStream> ViewGraphicToStream(TrepView* View);
