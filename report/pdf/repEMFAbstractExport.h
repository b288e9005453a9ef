#pragma once
// The metafile record player: plays an enhanced metafile record by record from a stream, keeps
// the graphics state the records build up (current device context, object table, stack of saved
// contexts), optionally describes each record in a line of text, and calls one virtual handler
// per record type. It renders nothing itself: a back end derives from it, supplies its device
// context class and overrides the handlers of the records it turns into output.
//
// An overriding handler calls the inherited one first; when that returns, the record has been
// read into its view (the last item of FEMRList, reachable through LastRecordData), the state
// after the record is in place, Parsing holds the description (while ShowComments) and Comment
// has been called.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/Font.h"
#include "platform/rt/Classes.h"
#include "report/engine/repAlign.h"
#include "report/pdf/repAnaliticGeometry.h"
#include "report/pdf/repEMFFormat.h"


// ---------------------------------------------------------------------------------------------
// Clip regions: a set of integer rectangles kept as horizontal bands of disjoint spans.

class TEMFRegion {
public:
  // Combination modes of the clip-region records.
  enum TCombineMode { rmAnd = 1, rmOr = 2, rmXor = 3, rmDiff = 4, rmCopy = 5 };

  TEMFRegion() = default;
  // A rectangle (corners in any order; an empty rectangle gives an empty region).
  static TEMFRegion FromRect(const TRect& R);
  // The union of rectangles, which may overlap and come in any order.
  static TEMFRegion FromRects(const std::vector<TRect>& Rects);
  static TEMFRegion Combine(const TEMFRegion& A, const TEMFRegion& B, TCombineMode Mode);
  void Offset(std::int32_t DX, std::int32_t DY);
  bool IsEmpty() const { return FBands.empty(); }
  // The region's rectangles, band after band from the top, left to right in a band.
  std::vector<TRect> Rects() const;
  bool operator==(const TEMFRegion& Other) const = default;

private:
  using TSpans = std::vector<std::pair<std::int32_t, std::int32_t>>;
  struct TBand {
    std::int32_t Top, Bottom;
    TSpans Spans;
    bool operator==(const TBand&) const = default;
  };
  void AddBand(std::int32_t Top, std::int32_t Bottom, TSpans&& Spans);
  std::vector<TBand> FBands;
};

// ---------------------------------------------------------------------------------------------
// Device context

struct TDeviceContextData {
  TPoint DeviceTopLeft{0, 0};
  TrepPoint rTopLeft;
  std::uint32_t Layout = 0;
  std::uint32_t MapMode = 0;
  TPoint WindowOrgEx{0, 0};
  TPoint ViewPortOrgEx{0, 0};
  TPoint BrushOrgEx{0, 0};
  TSize WindowExtEx{0, 0};
  TSize ViewPortExtEx{0, 0};
  const TEnhMetaObj* Pen = nullptr;
  const TEnhMetaObj* Brush = nullptr;
  const TEnhMetaObj* Font = nullptr;
  const TEnhMetaObj* Palette = nullptr;
  const TEnhMetaObj* ColorSpace = nullptr;
  const TEnhMetaObj* ColorAdjustment = nullptr;
  TPoint PositionCurrent{0, 0};
  TPoint PositionNext{0, 0};
  std::uint32_t BkMode = 0;
  float MiterLimit = 0;  // the record's 4 bytes as stored
  std::uint32_t BkColor = 0;
  std::uint32_t TextColor = 0;
  std::uint32_t SetRop2 = 0;
  std::uint32_t PolyFillMode = 0;
  std::optional<TEMFRegion> ClipRgn;  // none when empty optional
  std::vector<TColor> EOFPalette;
  std::uint32_t StretchMode = 0;
  bool IsPathBracketOpened = false;
  std::uint32_t TextAlignmentMode = 0;
  std::uint32_t ICMMode = 0;
  tagXFORM XForm{0, 0, 0, 0, 0, 0};
  std::uint32_t MapperFlags = 0;
  std::uint32_t iArcDirection = 0;
};

class TEMFAbstractExport;

// The graphics state of a metafile being played. The selected objects point at record views of
// the player or at stock objects; the context never frees them. The clip region and the palette
// are values: copying a context copies them.
class TDeviceContext : public rt::TObject {
public:
  TDeviceContext() = default;
  TDeviceContext(const TDeviceContext&) = delete;
  TDeviceContext& operator=(const TDeviceContext&) = delete;

  // The whole state of ADC (a back end's context copies its own fields too).
  virtual void CopyFrom(const TDeviceContext& ADC);
  // The defaults of a fresh context.
  virtual void Init();

  bool IsXFormDefault() const;
  void SelectObjectByIndex(std::uint32_t Index, const TEnhMetaObjArray& Table);
  void DeselectObject(std::uint32_t Index);

  const TPoint& DeviceTopLeft() const { return FData.DeviceTopLeft; }
  const TrepPoint& rTopLeft() const { return FData.rTopLeft; }
  std::uint32_t Layout() const { return FData.Layout; }
  std::uint32_t MapMode() const { return FData.MapMode; }
  const TPoint& WindowOrgEx() const { return FData.WindowOrgEx; }
  const TPoint& ViewPortOrgEx() const { return FData.ViewPortOrgEx; }
  const TPoint& BrushOrgEx() const { return FData.BrushOrgEx; }
  const TSize& WindowExtEx() const { return FData.WindowExtEx; }
  const TSize& ViewPortExtEx() const { return FData.ViewPortExtEx; }
  const TEnhMetaObj* Pen() const { return FData.Pen; }
  const TEnhMetaObj* Brush() const { return FData.Brush; }
  const TEnhMetaObj* Font() const { return FData.Font; }
  const TEnhMetaObj* Palette() const { return FData.Palette; }
  const TEnhMetaObj* ColorSpace() const { return FData.ColorSpace; }
  const TEnhMetaObj* ColorAdjustment() const { return FData.ColorAdjustment; }
  const TPoint& PositionCurrent() const { return FData.PositionCurrent; }
  const TPoint& PositionNext() const { return FData.PositionNext; }
  std::uint32_t BkMode() const { return FData.BkMode; }
  std::uint32_t SetRop2() const { return FData.SetRop2; }
  std::uint32_t PolyFillMode() const { return FData.PolyFillMode; }
  const std::optional<TEMFRegion>& ClipRgn() const { return FData.ClipRgn; }
  const std::vector<TColor>& EOFPalette() const { return FData.EOFPalette; }
  std::uint32_t StretchMode() const { return FData.StretchMode; }
  bool IsPathBracketOpened() const { return FData.IsPathBracketOpened; }
  std::uint32_t TextAlignmentMode() const { return FData.TextAlignmentMode; }
  std::uint32_t ICMMode() const { return FData.ICMMode; }
  const tagXFORM& XForm() const { return FData.XForm; }
  std::uint32_t MapperFlags() const { return FData.MapperFlags; }
  std::uint32_t iArcDirection() const { return FData.iArcDirection; }
  TColor TextColor() const { return static_cast<TColor>(FData.TextColor); }
  TColor BkColor() const { return static_cast<TColor>(FData.BkColor); }

  std::uint32_t LogPenStyle() const;
  std::uint32_t PenStyle() const { return LogPenStyle() & 0xF; }
  std::uint32_t PenEndCap() const { return LogPenStyle() & 0xF00; }
  std::uint32_t PenLineJoin() const { return LogPenStyle() & 0xF000; }
  std::uint32_t PenType() const { return LogPenStyle() & 0xF0000; }
  double PenWidth() const;
  TColor PenColor() const;
  float MiterLimit() const;
  std::uint32_t BrushStyle() const;
  std::uint32_t BrushHatch() const;
  TColor BrushColor() const;
  std::string FontFamily() const;
  int FontSize() const;
  int FontWeight() const;
  bool FontItalic() const;
  bool FontUnderline() const;
  bool FontStrikeOut() const;
  std::uint8_t FontCharSet() const;
  int FontOrientation() const;
  double FontRadian() const;
  TrepHAlign HAlign() const;
  TrepVAlign VAlign() const;

protected:
  friend class TEMFAbstractExport;
  TDeviceContextData FData;
};

// ---------------------------------------------------------------------------------------------
// Description text buffer

class TQuickWideFragment {
public:
  explicit TQuickWideFragment(int MaxSize);
  void AddWide(const std::u16string& S);
  void AddWide(const char* Fmt, ...) __attribute__((format(printf, 2, 3)));
  void CutBy(int Size);
  std::u16string Text() const { return FText.substr(0, static_cast<std::size_t>(FCount)); }
  // The buffer's length.
  int Capacity() const { return static_cast<int>(FText.size()); }

private:
  std::u16string FText;
  int FCount = 0;
};

// The transform that applies A and then B; C may be either input.
void CombineXForm(const tagXFORM& A, const tagXFORM& B, tagXFORM& C);

// The code units at P, at most N of them, ending before the first zero.
std::u16string WideCharsToText(const char16_t* P, int N);

// ---------------------------------------------------------------------------------------------
// Player

struct TMemoExternalParams {
  bool IsExternal = false;
  TrepRect Margins;
  double Width = 0, Height = 0;
  TrepPoint Shift;
};

class TEMFAbstractExport : public rt::TObject {
public:
  // Neither stream is owned. The player reads InStream from its current position; OutStream is
  // the back end's.
  TEMFAbstractExport(rt::TStream* InStream, rt::TStream* OutStream);
  ~TEMFAbstractExport() override;
  TEMFAbstractExport(const TEMFAbstractExport&) = delete;
  TEMFAbstractExport& operator=(const TEMFAbstractExport&) = delete;

  // Plays the records from the stream's position up to the end-of-file record or the end of the
  // stream. A malformed metafile raises EEMFError.
  void PlayMetaFile();

  // While True every handler describes its record in Parsing.
  bool ShowComments = false;
  bool Formatted = true;
  // The point conversions apply the world transform only while True.
  bool EnableTransform = true;
  const std::u16string& Parsing() const { return FParsing; }
  // Kept only while ShowComments is True.
  void SetParsing(const std::u16string& Value);

protected:
  virtual void Comment(const std::u16string& Text);
  // Makes a new current context in FDC: at the start of a play and for every SaveDC.
  virtual void CreateDeviceContext();
  // A new font from the current context: family, character set, text colour, bold above weight
  // 550, italic, underline and strike-out. The size is left at the font's default; a back end
  // sets it. The caller owns the font.
  virtual std::unique_ptr<gfx::TFont> CreateFontFromDC();

  // One handler per record type.
  virtual void DoAbortPath();
  virtual void DoAlphaBlend();
  virtual void DoAngleArc();
  virtual void DoArc();
  virtual void DoArcTo();
  virtual void DoBeginPath();
  virtual void DoBitBlt();
  virtual void DoChord();
  virtual void DoCloseFigure();
  virtual void DoColorCorrectPalette();
  virtual void DoColorMatchToTargetW();
  virtual void DoCreateBrushIndirect();
  virtual void DoCreateColorSpace();
  virtual void DoCreateColorSpaceW();
  virtual void DoCreateDIBPatternBrushPt();
  virtual void DoCreateMonoBrush();
  virtual void DoCreatePalette();
  virtual void DoCreatePen();
  virtual void DoDeleteColorSpace();
  virtual void DoDeleteObject();
  virtual void DoDrawEscape();
  virtual void DoEllipse();
  virtual void DoEndPath();
  virtual void DoEoF();
  virtual void DoExcludeClipRect();
  virtual void DoExtCreateFontIndirectW();
  virtual void DoExtCreatePen();
  virtual void DoExtEscape();
  virtual void DoExtFloodFill();
  virtual void DoExtSelectClipRgn();
  virtual void DoExtTextOutA();
  virtual void DoExtTextOutW();
  virtual void DoFillPath();
  virtual void DoFillRgn();
  virtual void DoFlattenPath();
  virtual void DoForceUFIMapping();
  virtual void DoFrameRgn();
  virtual void DoGDIComment();
  virtual void DoGLSBoundedRecord();
  virtual void DoGLSRecord();
  virtual void DoGradientFill();
  virtual void DoHeader();
  virtual void DoIntersectClipRect();
  virtual void DoInvertRgn();
  virtual void DoLineTo();
  virtual void DoMaskBlt();
  virtual void DoModifyWorldTransform();
  virtual void DoMoveToEx();
  virtual void DoNamedEscape();
  virtual void DoOffsetClipRgn();
  virtual void DoPaintRgn();
  virtual void DoPie();
  virtual void DoPixelFormat();
  virtual void DoPLGBlt();
  virtual void DoPolyBezier();
  virtual void DoPolyBezier16();
  virtual void DoPolyBezierTo();
  virtual void DoPolyBezierTo16();
  virtual void DoPolyDraw();
  virtual void DoPolyDraw16();
  virtual void DoPolygon();
  virtual void DoPolygon16();
  virtual void DoPolyline();
  virtual void DoPolyline16();
  virtual void DoPolylineTo();
  virtual void DoPolylineTo16();
  virtual void DoPolyPolygon();
  virtual void DoPolyPolygon16();
  virtual void DoPolyPolyline();
  virtual void DoPolyPolyline16();
  virtual void DoPolyTextOutA();
  virtual void DoPolyTextOutW();
  virtual void DoRealizePalette();
  virtual void DoRectangle();
  virtual void DoReserved_69();
  virtual void DoResizePalette();
  virtual void DoRestoreDC();
  virtual void DoRoundRect();
  virtual void DoSaveDC();
  virtual void DoScaleViewportExtEx();
  virtual void DoScaleWindowExtEx();
  virtual void DoSelectClipPath();
  virtual void DoSelectObject();
  virtual void DoSelectPalette();
  virtual void DoSetArcDirection();
  virtual void DoSetBkColor();
  virtual void DoSetBkMode();
  virtual void DoSetBrushOrgEx();
  virtual void DoSetColorSpace();
  virtual void DoSetColorAdjustment();
  virtual void DoSetDIBitsToDevice();
  virtual void DoSetICMMode();
  virtual void DoSetIcmProfileA();
  virtual void DoSetIcmProfileW();
  virtual void DoSetLayout();
  virtual void DoSetLinkedUFIs();
  virtual void DoSetMapMode();
  virtual void DoSetMapperFlags();
  virtual void DoSetMetaRgn();
  virtual void DoSetMiterLimit();
  virtual void DoSetPaletteEntries();
  virtual void DoSetPixelV();
  virtual void DoSetPolyFillMode();
  virtual void DoSetRop2();
  virtual void DoSetStretchBltMode();
  virtual void DoSetTextAlign();
  virtual void DoSetTextColor();
  virtual void DoSetTextJustification();
  virtual void DoSetViewPortExtEx();
  virtual void DoSetViewPortOrgEx();
  virtual void DoSetWindowExtEx();
  virtual void DoSetWindowOrgEx();
  virtual void DoSetWorldTransform();
  virtual void DoSmallTextOut();
  virtual void DoStartDoc();
  virtual void DoStretchBlt();
  virtual void DoStretchDIBits();
  virtual void DoStrokeAndFillPath();
  virtual void DoStrokePath();
  virtual void DoTransparentBlt();
  virtual void DoTransparentDIB();
  virtual void DoWidenPath();
  virtual void BeforePlay();
  virtual void AfterPlay();
  virtual void DoUnknown();

  // The bytes of the record being handled (after the base handler has read it).
  TEnhMetaData* LastRecordData();
  // The current device context (made on first use).
  TDeviceContext& DC();
  // Reads the current record into a plain view and appends it to FEMRList.
  void ReadRecordObj();

  // Logical to device coordinates of the current context.
  double LogToDevX(double X);
  double LogToDevY(double Y);
  TrepPoint LogToDevXY(double X, double Y);
  TrepPoint LogToDevPoint(const TrepPoint& P);
  TrepPoint LogToDevPoint(const TPoint& P);
  // A packed 16-bit point: x in the low 16 bits, y in the high ones, both signed.
  TrepPoint LogToDevPoint(std::uint32_t P);
  void ApplyWorldTransform(TrepPoint& P);
  double LogToDevSizeX(double W);
  double LogToDevSizeY(double H);
  double LogToDevSize(double W);

  // Pieces of the description texts.
  static std::u16string PointText(const TPoint& P);
  static std::u16string RectText(const TRect& R);
  static std::u16string LongWordsText(const TLongWordArray& A);
  static std::u16string LongWordsSumText(const TLongWordArray& A);
  static std::u16string ByteToHex(std::uint8_t B);

  rt::TStream* FInStream;
  tagEMR FLastRecord{0, 0};
  std::vector<std::unique_ptr<TDeviceContext>> FDCList;  // saved contexts, top = last
  rt::TStream* FOutStream;
  std::vector<std::unique_ptr<TEnhMetaObj>> FEMRList;   // every view read so far
  TEnhMetaObjArray FEMRLastCreated;                     // object table, views of FEMRList
  std::unique_ptr<TDeviceContext> FDC;
  TMemoExternalParams FMEP;

private:
  void Dispatch();
  void AlignStream();
  void PeekRecordHeader();
  void ReadEOFPalette();
  template <class TView> TView& ReadRecord();
  void CheckRecord(const TEnhMetaObj& Obj);
  void FinishRecord();
  void StoreObject(std::uint32_t Index);
  void Describe();
  void DescribeMore(const std::u16string& More) { SetParsing(FParsing + More); }

  std::u16string FParsing;
};
