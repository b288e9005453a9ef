#pragma once
// Typed views of enhanced-metafile records. A view owns a private copy of one record's bytes
// (header included) and offers accessors for the parts that are not at a fixed offset: strings,
// advances, points of poly-polygons, region rectangles, bitmaps, palette entries. The record
// layouts are those of the published enhanced-metafile format; all values are little-endian.
//
// Every accessor checks the offsets and counts it reads against the bytes the view holds and
// raises EEMFError instead of reading outside them. Fixed fields of a record shorter than its
// layout read as 0: the view's block is padded with zeros up to the layout's size.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/SysUtils.h"

// A metafile that cannot be played: malformed or truncated records, offsets or counts outside a
// record, a missing end-of-file record.
RT_DECLARE_EXCEPTION(EEMFError, rt::Exception)

// ---------------------------------------------------------------------------------------------
// Geometry of the graphics platform, with the layouts of its 32-bit and 16-bit forms.

struct TPoint {
  std::int32_t X, Y;
  bool operator==(const TPoint&) const = default;
};
struct TSmallPoint {
  std::int16_t x, y;
  bool operator==(const TSmallPoint&) const = default;
};
struct TSize {
  std::int32_t cx, cy;
  bool operator==(const TSize&) const = default;
};
struct TRect {
  std::int32_t Left, Top, Right, Bottom;
  bool operator==(const TRect&) const = default;
};

// ---------------------------------------------------------------------------------------------
// Record structures. Arrays declared with one element continue to the end of the record; read
// them through the view's accessors, never by indexing.

struct tagXFORM {
  float eM11, eM12, eM21, eM22, eDx, eDy;
};

struct tagPALETTEENTRY {
  std::uint8_t peRed, peGreen, peBlue, peFlags;
};

struct tagEMR {
  std::uint32_t iType;
  std::uint32_t nSize;
};

struct tagENHMETAHEADER {
  tagEMR emr;  // iType, nSize
  TRect rclBounds;
  TRect rclFrame;
  std::uint32_t dSignature;
  std::uint32_t nVersion;
  std::uint32_t nBytes;
  std::uint32_t nRecords;
  std::uint16_t nHandles;
  std::uint16_t sReserved;
  std::uint32_t nDescription;
  std::uint32_t offDescription;
  std::uint32_t nPalEntries;
  TSize szlDevice;
  TSize szlMillimeters;
  std::uint32_t cbPixelFormat;
  std::uint32_t offPixelFormat;
  std::uint32_t bOpenGL;
  TSize szlMicrometers;
};

struct tagEMRPOLYLINE {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t cptl;
  TPoint aptl[1];
};

struct tagEMRPOLYLINE16 {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t cpts;
  TSmallPoint apts[1];
};

struct tagEMRPOLYPOLYLINE {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t nPolys;
  std::uint32_t cptl;
  std::uint32_t aPolyCounts[1];
  TPoint aptl[1];
};

struct tagEMRPOLYPOLYLINE16 {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t nPolys;
  std::uint32_t cpts;
  std::uint32_t aPolyCounts[1];
  TSmallPoint apts[1];
};

struct tagEMRSETVIEWPORTEXTEX {
  tagEMR emr;
  TSize szlExtent;
};

struct tagEMRSETVIEWPORTORGEX {
  tagEMR emr;
  TPoint ptlOrigin;
};

struct tagEMREOF {
  tagEMR emr;
  std::uint32_t nPalEntries;
  std::uint32_t offPalEntries;
  std::uint32_t nSizeLast;
};

struct tagEMRSETPIXELV {
  tagEMR emr;
  TPoint ptlPixel;
  std::uint32_t crColor;
};

struct tagEMRSETMAPPERFLAGS {
  tagEMR emr;
  std::uint32_t dwFlags;
};

struct tagEMRSELECTCLIPPATH {
  tagEMR emr;
  std::uint32_t iMode;
};

struct tagCOLORADJUSTMENT {
  std::uint16_t caSize, caFlags, caIlluminantIndex, caRedGamma, caGreenGamma, caBlueGamma,
      caReferenceBlack, caReferenceWhite;
  std::int16_t caContrast, caBrightness, caColorfulness, caRedGreenTint;
};

struct tagEMRSETCOLORADJUSTMENT {
  tagEMR emr;
  tagCOLORADJUSTMENT ColorAdjustment;
};

struct tagEMRSETTEXTCOLOR {
  tagEMR emr;
  std::uint32_t crColor;
};

struct tagEMROFFSETCLIPRGN {
  tagEMR emr;
  TPoint ptlOffset;
};

struct tagEMRLINETO {
  tagEMR emr;
  TPoint ptl;
};

struct tagABORTPATH {
  tagEMR emr;
};

struct tagEMREXCLUDECLIPRECT {
  tagEMR emr;
  TRect rclClip;
};

struct tagEMRSCALEVIEWPORTEXTEX {
  tagEMR emr;
  std::int32_t xNum, xDenom, yNum, yDenom;
};

struct tagEMRRESTOREDC {
  tagEMR emr;
  std::int32_t iRelative;
};

struct tagEMRSETWORLDTRANSFORM {
  tagEMR emr;
  tagXFORM xform;
};

struct tagEMRMODIFYWORLDTRANSFORM {
  tagEMR emr;
  tagXFORM xform;
  std::uint32_t iMode;
};

struct tagEMRSELECTOBJECT {
  tagEMR emr;
  std::uint32_t ihObject;
};

struct tagLOGPEN {
  std::uint32_t lopnStyle;
  TPoint lopnWidth;
  std::uint32_t lopnColor;
};

struct tagEMRCREATEPEN {
  tagEMR emr;
  std::uint32_t ihPen;
  tagLOGPEN lopn;
};

struct tagLOGBRUSH32 {
  std::uint32_t lbStyle;
  std::uint32_t lbColor;
  std::uint32_t lbHatch;
};

struct tagEMRCREATEBRUSHINDIRECT {
  tagEMR emr;
  std::uint32_t ihBrush;
  tagLOGBRUSH32 lb;
};

struct tagEMRANGLEARC {
  tagEMR emr;
  TPoint ptlCenter;
  std::uint32_t nRadius;
  float eStartAngle;
  float eSweepAngle;
};

struct tagEMRELLIPSE {
  tagEMR emr;
  TRect rclBox;
};

struct tagEMRROUNDRECT {
  tagEMR emr;
  TRect rclBox;
  TSize szlCorner;
};

struct tagEMRARC {
  tagEMR emr;
  TRect rclBox;
  TPoint ptlStart;
  TPoint ptlEnd;
};

struct tagEMRSELECTPALETTE {
  tagEMR emr;
  std::uint32_t ihPal;
};

struct tagLOGPALETTE {
  std::uint16_t palVersion;
  std::uint16_t palNumEntries;
  tagPALETTEENTRY palPalEntry[1];
};

struct tagEMRCREATEPALETTE {
  tagEMR emr;
  std::uint32_t ihPal;
  tagLOGPALETTE lgpl;
};

struct tagEMRSETPALETTEENTRIES {
  tagEMR emr;
  std::uint32_t ihPal;
  std::uint32_t iStart;
  std::uint32_t cEntries;
  tagPALETTEENTRY aPalEntries[1];
};

struct tagEMRRESIZEPALETTE {
  tagEMR emr;
  std::uint32_t ihPal;
  std::uint32_t cEntries;
};

struct tagEMREXTFLOODFILL {
  tagEMR emr;
  TPoint ptlStart;
  std::uint32_t crColor;
  std::uint32_t iMode;
};

struct tagEMRPOLYDRAW {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t cptl;
  TPoint aptl[1];
  std::uint8_t abTypes[1];
};

struct tagEMRPOLYDRAW16 {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t cpts;
  TSmallPoint apts[1];
  std::uint8_t abTypes[1];
};

struct tagEMRSETARCDIRECTION {
  tagEMR emr;
  std::uint32_t iArcDirection;
};

struct tagEMRSETMITERLIMIT {
  tagEMR emr;
  float eMiterLimit;
};

struct tagEMRGDICOMMENT {
  tagEMR emr;
  std::uint32_t cbData;
  std::uint8_t Data[1];
};

struct tagEMRFILLPATH {
  tagEMR emr;
  TRect rclBounds;
};

struct tagEMRFILLRGN {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t cbRgnData;
  std::uint32_t ihBrush;
  std::uint8_t RgnData[1];
};

struct tagEMRFRAMERGN {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t cbRgnData;
  std::uint32_t ihBrush;
  TSize szlStroke;
  std::uint8_t RgnData[1];
};

struct tagEMRINVERTRGN {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t cbRgnData;
  std::uint8_t RgnData[1];
};

struct tagEMREXTSELECTCLIPRGN {
  tagEMR emr;
  std::uint32_t cbRgnData;
  std::uint32_t iMode;
  std::uint8_t RgnData[1];
};

struct tagEMRBITBLT {
  tagEMR emr;
  TRect rclBounds;
  std::int32_t xDest, yDest, cxDest, cyDest;
  std::uint32_t dwRop;
  std::int32_t xSrc, ySrc;
  tagXFORM xformSrc;
  std::uint32_t crBkColorSrc;
  std::uint32_t iUsageSrc;
  std::uint32_t offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc;
};

struct tagEMRSTRETCHBLT {
  tagEMR emr;
  TRect rclBounds;
  std::int32_t xDest, yDest, cxDest, cyDest;
  std::uint32_t dwRop;
  std::int32_t xSrc, ySrc;
  tagXFORM xformSrc;
  std::uint32_t crBkColorSrc;
  std::uint32_t iUsageSrc;
  std::uint32_t offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc;
  std::int32_t cxSrc, cySrc;
};

struct tagEMRMASKBLT {
  tagEMR emr;
  TRect rclBounds;
  std::int32_t xDest, yDest, cxDest, cyDest;
  std::uint32_t dwRop;
  std::int32_t xSrc, ySrc;
  tagXFORM xformSrc;
  std::uint32_t crBkColorSrc;
  std::uint32_t iUsageSrc;
  std::uint32_t offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc;
  std::int32_t xMask, yMask;
  std::uint32_t iUsageMask;
  std::uint32_t offBmiMask, cbBmiMask, offBitsMask, cbBitsMask;
};

struct tagEMRPLGBLT {
  tagEMR emr;
  TRect rclBounds;
  TPoint aptlDest[3];
  std::int32_t xSrc, ySrc, cxSrc, cySrc;
  tagXFORM xformSrc;
  std::uint32_t crBkColorSrc;
  std::uint32_t iUsageSrc;
  std::uint32_t offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc;
  std::int32_t xMask, yMask;
  std::uint32_t iUsageMask;
  std::uint32_t offBmiMask, cbBmiMask, offBitsMask, cbBitsMask;
};

struct tagEMRSETDIBITSTODEVICE {
  tagEMR emr;
  TRect rclBounds;
  std::int32_t xDest, yDest, xSrc, ySrc, cxSrc, cySrc;
  std::uint32_t offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc;
  std::uint32_t iUsageSrc;
  std::uint32_t iStartScan;
  std::uint32_t cScans;
};

struct tagEMRSTRETCHDIBITS {
  tagEMR emr;
  TRect rclBounds;
  std::int32_t xDest, yDest, xSrc, ySrc, cxSrc, cySrc;
  std::uint32_t offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc;
  std::uint32_t iUsageSrc;
  std::uint32_t dwRop;
  std::int32_t cxDest, cyDest;
};

struct tagLOGFONTW {
  std::int32_t lfHeight, lfWidth, lfEscapement, lfOrientation, lfWeight;
  std::uint8_t lfItalic, lfUnderline, lfStrikeOut, lfCharSet, lfOutPrecision, lfClipPrecision,
      lfQuality, lfPitchAndFamily;
  char16_t lfFaceName[32];
};

struct tagPANOSE {
  std::uint8_t bFamilyType, bSerifStyle, bWeight, bProportion, bContrast, bStrokeVariation,
      bArmStyle, bLetterform, bMidline, bXHeight;
};

struct tagEXTLOGFONTW {
  tagLOGFONTW elfLogFont;
  char16_t elfFullName[64];
  char16_t elfStyle[32];
  std::uint32_t elfVersion, elfStyleSize, elfMatch, elfReserved;
  std::uint8_t elfVendorId[4];
  std::uint32_t elfCulture;
  tagPANOSE elfPanose;
};

struct tagEMREXTCREATEFONTINDIRECTW {
  tagEMR emr;
  std::uint32_t ihFont;
  tagEXTLOGFONTW elfw;
};

struct tagEMRTEXT {
  TPoint ptlReference;
  std::uint32_t nChars;
  std::uint32_t offString;
  std::uint32_t fOptions;
  TRect rcl;
  std::uint32_t offDx;
};

struct tagEMREXTTEXTOUTA {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t iGraphicsMode;
  float exScale;
  float eyScale;
  tagEMRTEXT emrtext;
};

struct tagEMRPOLYTEXTOUTA {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t iGraphicsMode;
  float exScale;
  float eyScale;
  std::int32_t cStrings;
  tagEMRTEXT aemrtext[1];
};

struct tagEMRCREATEMONOBRUSH {
  tagEMR emr;
  std::uint32_t ihBrush;
  std::uint32_t iUsage;
  std::uint32_t offBmi, cbBmi, offBits, cbBits;
};

struct tagEMRCREATEDIBPATTERNBRUSHPT {
  tagEMR emr;
  std::uint32_t ihBrush;
  std::uint32_t iUsage;
  std::uint32_t offBmi, cbBmi, offBits, cbBits;
};

struct tagEXTLOGPEN32 {
  std::uint32_t elpPenStyle;
  std::uint32_t elpWidth;
  std::uint32_t elpBrushStyle;
  std::uint32_t elpColor;
  std::uint32_t elpHatch;
  std::uint32_t elpNumEntries;
  std::uint32_t elpStyleEntry[1];
};

struct tagEMREXTCREATEPEN {
  tagEMR emr;
  std::uint32_t ihPen;
  std::uint32_t offBmi, cbBmi, offBits, cbBits;
  tagEXTLOGPEN32 elp;
};

struct tagCIEXYZ {
  std::int32_t ciexyzX, ciexyzY, ciexyzZ;
};

struct tagCIEXYZTRIPLE {
  tagCIEXYZ ciexyzRed, ciexyzGreen, ciexyzBlue;
};

struct tagLOGCOLORSPACEA {
  std::uint32_t lcsSignature, lcsVersion, lcsSize;
  std::int32_t lcsCSType, lcsIntent;
  tagCIEXYZTRIPLE lcsEndpoints;
  std::uint32_t lcsGammaRed, lcsGammaGreen, lcsGammaBlue;
  char lcsFilename[260];
};

struct tagEMRCREATECOLORSPACE {
  tagEMR emr;
  std::uint32_t ihCS;
  tagLOGCOLORSPACEA lcs;
};

struct tagLOGCOLORSPACEW {
  std::uint32_t lcsSignature, lcsVersion, lcsSize;
  std::int32_t lcsCSType, lcsIntent;
  tagCIEXYZTRIPLE lcsEndpoints;
  std::uint32_t lcsGammaRed, lcsGammaGreen, lcsGammaBlue;
  char16_t lcsFilename[260];
};

struct tagEMRCREATECOLORSPACEW {
  tagEMR emr;
  std::uint32_t ihCS;
  tagLOGCOLORSPACEW lcs;
  std::uint32_t dwFlags;
  std::uint32_t cbData;
  std::uint8_t Data[1];
};

struct tagEMRSETCOLORSPACE {
  tagEMR emr;
  std::uint32_t ihCS;
};

struct tagEMRGLSRECORD {
  tagEMR emr;
  std::uint32_t cbData;
  std::uint8_t Data[1];
};

struct tagEMRGLSBOUNDEDRECORD {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t cbData;
  std::uint8_t Data[1];
};

struct tagPIXELFORMATDESCRIPTOR {
  std::uint16_t nSize, nVersion;
  std::uint32_t dwFlags;
  std::uint8_t iPixelType, cColorBits, cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits,
      cBlueShift, cAlphaBits, cAlphaShift, cAccumBits, cAccumRedBits, cAccumGreenBits,
      cAccumBlueBits, cAccumAlphaBits, cDepthBits, cStencilBits, cAuxBuffers, iLayerType,
      bReserved;
  std::uint32_t dwLayerMask, dwVisibleMask, dwDamageMask;
};

struct tagEMRPIXELFORMAT {
  tagEMR emr;
  tagPIXELFORMATDESCRIPTOR pfd;
};

struct tagEMRALPHABLEND {
  tagEMR emr;
  TRect rclBounds;
  std::int32_t xDest, yDest, cxDest, cyDest;
  std::uint32_t dwRop;
  std::int32_t xSrc, ySrc;
  tagXFORM xformSrc;
  std::uint32_t crBkColorSrc;
  std::uint32_t iUsageSrc;
  std::uint32_t offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc;
  std::int32_t cxSrc, cySrc;
};

struct tagEMRTRANSPARENTBLT {
  tagEMR emr;
  TRect rclBounds;
  std::int32_t xDest, yDest, cxDest, cyDest;
  std::uint32_t dwRop;  // the transparent colour
  std::int32_t xSrc, ySrc;
  tagXFORM xformSrc;
  std::uint32_t crBkColorSrc;
  std::uint32_t iUsageSrc;
  std::uint32_t offBmiSrc, cbBmiSrc, offBitsSrc, cbBitsSrc;
  std::int32_t cxSrc, cySrc;
};

struct tagTRIVERTEX {
  std::int32_t x, y;
  std::uint16_t Red, Green, Blue, Alpha;
};

struct tagEMRGRADIENTFILL {
  tagEMR emr;
  TRect rclBounds;
  std::uint32_t nVer;
  std::uint32_t nTri;
  std::uint32_t ulMode;
  tagTRIVERTEX Ver[1];
};

// Layouts this unit declares itself.
struct TEMRextEscape {
  tagEMR emr;
  std::int32_t iEscape;
  std::int32_t cbEscData;
  std::uint8_t EscData[1];
};

struct TEMRSmallTextOut {
  tagEMR emr;
  TPoint ptlReference;
  std::uint32_t nChars;
  std::uint32_t fuOptions;
  std::uint32_t iGraphicsMode;
  float exScale;
  float eyScale;
  TRect rclClip;  // only when fuOptions lacks 0x100
};

struct TEMRForceUFIMapping {
  tagEMR emr;
  std::uint32_t Checksum;
  std::uint32_t Index;
};

struct TEMRColorCorrectPalette {
  tagEMR emr;
  std::uint32_t ihPalette, nFirstEntry, nPalEntries, nReserved;
};

struct TEMRSetIcmProfile {
  tagEMR emr;
  std::uint32_t dwFlags, cbName, cbData;
  std::uint8_t Data[1];
};

struct TEMRColorMatchToTarget {
  tagEMR emr;
  std::uint32_t dwAction, dwFlags, cbName, cbData;
  std::uint8_t Data[1];
};

// The bytes of one record, seen through the layout of its type. The block behind it is at
// least as large as the layout of the record's own type (zero-padded), so fixed fields are
// always readable.
union __attribute__((__may_alias__)) TEnhMetaData {
  tagEMR EMR;
  tagENHMETAHEADER Header;
  tagEMRPOLYLINE PolyBezier, Polygon, Polyline, PolyBezierTo, PolylineTo;
  tagEMRPOLYLINE16 PolyBezier16, Polygon16, Polyline16, PolyBezierTo16, PolylineTo16;
  tagEMRPOLYPOLYLINE PolyPolyline, PolyPolygon;
  tagEMRPOLYPOLYLINE16 PolyPolyline16, PolyPolygon16;
  tagEMRSETVIEWPORTEXTEX SetWindowExtEx, SetViewPortExtEx;
  tagEMRSETVIEWPORTORGEX SetWindowOrgEx, SetViewPortOrgEx, SetBrushOrgEx;
  tagEMREOF EoF;
  tagEMRSETPIXELV SetPixelV;
  tagEMRSETMAPPERFLAGS SetMapperFlags;
  tagEMRSELECTCLIPPATH SetMapMode, SetBkMode, SetPolyFillMode, SetRop2, SetStretchBltMode,
      SetTextAlign, SelectClipPath, SetICMMode, SetLayout;
  tagEMRSETCOLORADJUSTMENT SetColorAdjustment;
  tagEMRSETTEXTCOLOR SetTextColor, SetBkColor;
  tagEMROFFSETCLIPRGN OffsetClipRgn;
  tagEMRLINETO MoveToEx, LineTo;
  tagABORTPATH SetMetaRgn, SaveDC, BeginPath, EndPath, CloseFigure, FlattenPath, WidenPath,
      AbortPath;
  tagEMREXCLUDECLIPRECT ExcludeClipRect, IntersectClipRect;
  tagEMRSCALEVIEWPORTEXTEX ScaleViewportExtEx, ScaleWindowExtEx;
  tagEMRRESTOREDC RestoreDC;
  tagEMRSETWORLDTRANSFORM SetWorldTransform;
  tagEMRMODIFYWORLDTRANSFORM ModifyWorldTransform;
  tagEMRSELECTOBJECT SelectObject, DeleteObject;
  tagEMRCREATEPEN CreatePen;
  tagEMRCREATEBRUSHINDIRECT CreateBrushIndirect;
  tagEMRANGLEARC AngleArc;
  tagEMRELLIPSE Ellipse, Rectangle;
  tagEMRROUNDRECT RoundRect;
  tagEMRARC Arc, Chord, Pie, ArcTo;
  tagEMRSELECTPALETTE SelectPalette;
  tagEMRCREATEPALETTE CreatePalette;
  tagEMRSETPALETTEENTRIES SetPaletteEntries;
  tagEMRRESIZEPALETTE ResizePalette;
  tagEMR RealizePalette, Reserved_69, StartDoc, NamedEscape, TransparentDIB, SetLinkedUFIs,
      SetTextJustification;
  tagEMREXTFLOODFILL ExtFloodFill;
  tagEMRPOLYDRAW PolyDraw;
  tagEMRPOLYDRAW16 PolyDraw16;
  tagEMRSETARCDIRECTION SetArcDirection;
  tagEMRSETMITERLIMIT SetMiterLimit;
  tagEMRFILLPATH FillPath, StrokeAndFillPath, StrokePath;
  tagEMRGDICOMMENT GDIComment;
  tagEMRFILLRGN FillRgn;
  tagEMRFRAMERGN FrameRgn;
  tagEMRINVERTRGN InvertRgn, PaintRgn;
  tagEMREXTSELECTCLIPRGN ExtSelectClipRgn;
  tagEMRBITBLT BitBlt;
  tagEMRSTRETCHBLT StretchBlt;
  tagEMRMASKBLT MaskBlt;
  tagEMRPLGBLT PLGBlt;
  tagEMRSETDIBITSTODEVICE SetDIBitsToDevice;
  tagEMRSTRETCHDIBITS StretchDIBits;
  tagEMREXTCREATEFONTINDIRECTW ExtCreateFontIndirectW;
  tagEMREXTTEXTOUTA ExtTextOutA, ExtTextOutW;
  tagEMRPOLYTEXTOUTA PolyTextOutA, PolyTextOutW;
  tagEMRCREATEMONOBRUSH CreateMonoBrush;
  tagEMRCREATEDIBPATTERNBRUSHPT CreateDIBPatternBrushPt;
  tagEMREXTCREATEPEN ExtCreatePen;
  tagEMRCREATECOLORSPACE CreateColorSpace;
  tagEMRCREATECOLORSPACEW CreateColorSpaceW;
  tagEMRSETCOLORSPACE SetColorSpace, DeleteColorSpace;
  tagEMRGLSRECORD GLSRecord;
  tagEMRGLSBOUNDEDRECORD GLSBoundedRecord;
  tagEMRPIXELFORMAT PixelFormat;
  TEMRextEscape DrawEscape, ExtEscape;
  TEMRSmallTextOut SmallTextOut;
  TEMRForceUFIMapping ForceUFIMapping;
  TEMRColorCorrectPalette ColorCorrectPalette;
  TEMRSetIcmProfile SetIcmProfileA, SetIcmProfileW;
  TEMRColorMatchToTarget ColorMatchToTargetW;
  tagEMRALPHABLEND AlphaBlend;
  tagEMRTRANSPARENTBLT TransparentBlt;
  tagEMRGRADIENTFILL GradientFill;
};

// ---------------------------------------------------------------------------------------------
// Record types

enum : std::uint32_t {
  EMR_HEADER = 1, EMR_POLYBEZIER, EMR_POLYGON, EMR_POLYLINE, EMR_POLYBEZIERTO, EMR_POLYLINETO,
  EMR_POLYPOLYLINE, EMR_POLYPOLYGON, EMR_SETWINDOWEXTEX, EMR_SETWINDOWORGEX,
  EMR_SETVIEWPORTEXTEX, EMR_SETVIEWPORTORGEX, EMR_SETBRUSHORGEX, EMR_EOF, EMR_SETPIXELV,
  EMR_SETMAPPERFLAGS, EMR_SETMAPMODE, EMR_SETBKMODE, EMR_SETPOLYFILLMODE, EMR_SETROP2,
  EMR_SETSTRETCHBLTMODE, EMR_SETTEXTALIGN, EMR_SETCOLORADJUSTMENT, EMR_SETTEXTCOLOR,
  EMR_SETBKCOLOR, EMR_OFFSETCLIPRGN, EMR_MOVETOEX, EMR_SETMETARGN, EMR_EXCLUDECLIPRECT,
  EMR_INTERSECTCLIPRECT, EMR_SCALEVIEWPORTEXTEX, EMR_SCALEWINDOWEXTEX, EMR_SAVEDC,
  EMR_RESTOREDC, EMR_SETWORLDTRANSFORM, EMR_MODIFYWORLDTRANSFORM, EMR_SELECTOBJECT,
  EMR_CREATEPEN, EMR_CREATEBRUSHINDIRECT, EMR_DELETEOBJECT, EMR_ANGLEARC, EMR_ELLIPSE,
  EMR_RECTANGLE, EMR_ROUNDRECT, EMR_ARC, EMR_CHORD, EMR_PIE, EMR_SELECTPALETTE,
  EMR_CREATEPALETTE, EMR_SETPALETTEENTRIES, EMR_RESIZEPALETTE, EMR_REALIZEPALETTE,
  EMR_EXTFLOODFILL, EMR_LINETO, EMR_ARCTO, EMR_POLYDRAW, EMR_SETARCDIRECTION, EMR_SETMITERLIMIT,
  EMR_BEGINPATH, EMR_ENDPATH, EMR_CLOSEFIGURE, EMR_FILLPATH, EMR_STROKEANDFILLPATH,
  EMR_STROKEPATH, EMR_FLATTENPATH, EMR_WIDENPATH, EMR_SELECTCLIPPATH, EMR_ABORTPATH,
  EMR_RESERVED_69, EMR_GDICOMMENT, EMR_FILLRGN, EMR_FRAMERGN, EMR_INVERTRGN, EMR_PAINTRGN,
  EMR_EXTSELECTCLIPRGN, EMR_BITBLT, EMR_STRETCHBLT, EMR_MASKBLT, EMR_PLGBLT,
  EMR_SETDIBITSTODEVICE, EMR_STRETCHDIBITS, EMR_EXTCREATEFONTINDIRECTW, EMR_EXTTEXTOUTA,
  EMR_EXTTEXTOUTW, EMR_POLYBEZIER16, EMR_POLYGON16, EMR_POLYLINE16, EMR_POLYBEZIERTO16,
  EMR_POLYLINETO16, EMR_POLYPOLYLINE16, EMR_POLYPOLYGON16, EMR_POLYDRAW16,
  EMR_CREATEMONOBRUSH, EMR_CREATEDIBPATTERNBRUSHPT, EMR_EXTCREATEPEN, EMR_POLYTEXTOUTA,
  EMR_POLYTEXTOUTW, EMR_SETICMMODE, EMR_CREATECOLORSPACE, EMR_SETCOLORSPACE,
  EMR_DELETECOLORSPACE, EMR_GLSRECORD, EMR_GLSBOUNDEDRECORD, EMR_PIXELFORMAT, EMR_DRAWESCAPE,
  EMR_EXTESCAPE, EMR_STARTDOC, EMR_SMALLTEXTOUT, EMR_FORCEUFIMAPPING, EMR_NAMEDESCAPE,
  EMR_COLORCORRECTPALETTE, EMR_SETICMPROFILEA, EMR_SETICMPROFILEW, EMR_ALPHABLEND,
  EMR_SETLAYOUT, EMR_TRANSPARENTBLT, EMR_TRANSPARENTDIB, EMR_GRADIENTFILL, EMR_SETLINKEDUFIS,
  EMR_SETTEXTJUSTIFICATION, EMR_COLORMATCHTOTARGETW, EMR_CREATECOLORSPACEW
};
constexpr std::uint32_t EMR_MAX = EMR_CREATECOLORSPACEW;

// Text output options of the text records.
constexpr std::uint32_t ETO_OPAQUE = 0x2;
constexpr std::uint32_t ETO_CLIPPED = 0x4;
constexpr std::uint32_t ETO_GLYPH_INDEX = 0x10;
constexpr std::uint32_t ETO_RTLREADING = 0x80;
constexpr std::uint32_t ETO_NO_RECT = 0x100;
constexpr std::uint32_t ETO_SMALL_CHARS = 0x200;
constexpr std::uint32_t ETO_PDY = 0x2000;

// The record's name as the record table gives it ("LineTo", "SetViewPortExtEx", ...); empty for
// types outside 1 .. 122.
std::string EMFRecordName(std::uint32_t iType);
// The size of the layout of a record type (the union case of that type), 8 for unknown types.
std::uint32_t EMFRecordLayoutSize(std::uint32_t iType);
// The least size a well-formed record of that type has (its fixed part), 8 for unknown types.
std::uint32_t EMFRecordMinSize(std::uint32_t iType);

// ---------------------------------------------------------------------------------------------
// Bitmaps decoded from records

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };

// A device-independent bitmap decoded from a record: pixels kept in the source's own format,
// rows top to bottom. Rows of 1, 4 and 8 bits hold palette indexes; 15 and 16 bits hold
// little-endian 5-5-5 or 5-6-5 values (blue in the low bits); 24 bits hold blue, green, red;
// 32 bits blue, green, red and a fourth byte.
class TEMFBitmap {
public:
  TEMFBitmap(int AWidth, int AHeight, TPixelFormat APixelFormat);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  // Bytes of one row as stored (no padding).
  std::size_t RowBytes() const { return FRowBytes; }
  std::uint8_t* ScanLine(int Row);
  const std::uint8_t* ScanLine(int Row) const;
  // 0x00RRGGBB palette of the indexed formats.
  std::vector<std::uint32_t> Palette;
  // Colour of one pixel as 0x00RRGGBB (through the palette for indexed formats).
  std::uint32_t PixelRGB(int X, int Y) const;

private:
  int FWidth, FHeight;
  TPixelFormat FPixelFormat;
  std::size_t FRowBytes;
  std::vector<std::uint8_t> FBits;
};

// A decoded RGBA image with 8 bits per channel, rows top to bottom, bytes red, green, blue,
// alpha: the alpha-blended pictures of the records.
class TEMFPngImage {
public:
  TEMFPngImage(int AWidth, int AHeight);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  std::uint8_t* ScanLine(int Row);
  const std::uint8_t* ScanLine(int Row) const;

private:
  int FWidth, FHeight;
  std::vector<std::uint8_t> FBits;
};

// ---------------------------------------------------------------------------------------------
// Record views

class TEnhMetaObj;
using TEnhMetaObjArray = std::vector<TEnhMetaObj*>;
using TLongWordArray = std::vector<std::uint32_t>;

class TEnhMetaObj : public rt::TObject {
public:
  // Reads Size bytes from the stream's position (a stream that ends early leaves the rest 0).
  TEnhMetaObj(rt::TStream& Stream, int Size);
  // Copies a record from memory; its size is its nSize field. Used for the stock objects.
  static std::unique_ptr<TEnhMetaObj> CreateRec(const void* EMR);
  ~TEnhMetaObj() override;
  TEnhMetaObj(const TEnhMetaObj&) = delete;
  TEnhMetaObj& operator=(const TEnhMetaObj&) = delete;

  TEnhMetaData* P() { return reinterpret_cast<TEnhMetaData*>(FBlock.get()); }
  const TEnhMetaData* P() const { return reinterpret_cast<const TEnhMetaData*>(FBlock.get()); }
  // Number of record bytes the view holds.
  std::uint32_t Size() const { return FSize; }
  const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(FBlock.get()); }
  std::uint32_t RecordType() const { return P()->EMR.iType; }

  std::string GetAnsiText(std::int64_t Count, std::int64_t Offset) const;
  std::u16string GetWideText(std::int64_t Count, std::int64_t Offset) const;

  // Checked readers: raise EEMFError when the bytes are not inside the record.
  std::uint32_t LongWordAt(std::int64_t Offset) const;
  std::int32_t IntegerAt(std::int64_t Offset) const { return static_cast<std::int32_t>(LongWordAt(Offset)); }
  std::uint8_t ByteAt(std::int64_t Offset) const;
  void CheckRange(std::int64_t Offset, std::int64_t Count, const char* What) const;
  bool InRange(std::int64_t Offset, std::int64_t Count) const noexcept;

protected:
  TEnhMetaObj() = default;
  void Allocate(std::uint32_t Size, std::uint32_t Type);

private:
  std::unique_ptr<std::uint64_t[]> FBlock;
  std::uint32_t FSize = 0;
};

class TEnhMetaHeaderObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  std::u16string Description() const;
  // 2: both header extensions, 1: the first one, 0: the base header, -1: shorter than that.
  int Extension() const;
  tagPIXELFORMATDESCRIPTOR PixelFormatDescriptor() const;
};

class TEoFObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  tagPALETTEENTRY GetPaletteEntry(std::uint32_t Index) const;
  std::uint32_t nSizeLast() const;
};

class TEMRPolyPolygon16Obj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  TSmallPoint GetPolyPoint(int Poly, int Point) const;
};

class TEMRPolyPolyline16Obj : public TEMRPolyPolygon16Obj {
public:
  using TEMRPolyPolygon16Obj::TEMRPolyPolygon16Obj;
};

class TEMRPolyPolygonObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  TPoint GetPolyPoint(int Poly, int Point) const;
};

class TEMRPolyPolylineObj : public TEMRPolyPolygonObj {
public:
  using TEMRPolyPolygonObj::TEMRPolyPolygonObj;
};

// RGNDATAHEADER at the start of region data.
struct tagRGNDATAHEADER {
  std::uint32_t dwSize;
  std::uint32_t iType;
  std::uint32_t nCount;
  std::uint32_t nRgnSize;
  TRect rcBound;
};

class TEMRExtSelectClipRgnObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  // The region data's header (zero when the record holds no region).
  const tagRGNDATAHEADER* PRegionData() const;
  TRect GetRegion(std::uint32_t Index) const;
};

class TEMRBitmap : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  virtual std::uint32_t BmiOffset() const = 0;
  // A new bitmap from the packed device-independent bitmap at BmiOffset (header, colour table,
  // then the pixel bits); EEMFError when the bytes are not such a bitmap.
  std::unique_ptr<TEMFBitmap> GetBitmap() const;
};

class TEMRBitBltObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->BitBlt.offBmiSrc; }
};

class TEMRStretchBltObj : public TEMRBitBltObj {
public:
  using TEMRBitBltObj::TEMRBitBltObj;
};

class TEMRStretchDIBitsObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->StretchDIBits.offBmiSrc; }
  static void FlipVertical(TEMFBitmap& Bitmap);
};

class TEMRMaskBltObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->MaskBlt.offBmiSrc; }
};

class TEMRPLGBltObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->PLGBlt.offBmiSrc; }
};

class TEMRSetDIBitsToDeviceObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->SetDIBitsToDevice.offBmiSrc; }
};

class TEMRAlphaBlendObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->AlphaBlend.offBmiSrc; }
  // The premultiplied 32-bit source without its premultiplication.
  std::unique_ptr<TEMFBitmap> GetBitmap24() const;
  std::unique_ptr<TEMFPngImage> GetPngObject() const;
};

class TEMRTransparentBltObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->TransparentBlt.offBmiSrc; }
};

class TEMRCreateMonoBrushObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->CreateMonoBrush.offBmi; }
};

class TEMRExtCreatePenObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->ExtCreatePen.offBmi; }
};

class TEMRCreateDIBPatternBrushPtObj : public TEMRBitmap {
public:
  using TEMRBitmap::TEMRBitmap;
  std::uint32_t BmiOffset() const override { return P()->CreateDIBPatternBrushPt.offBmi; }
};

// The advances and options shared by both ExtTextOut views.
class TEMRExtTextOutObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  bool IsOption(std::uint32_t O) const { return (P()->ExtTextOutW.emrtext.fOptions & O) == O; }
  TLongWordArray OutputDx() const;
  TLongWordArray OutputDy() const;
  std::uint32_t TextLength() const;
};

class TEMRExtTextOutWObj : public TEMRExtTextOutObj {
public:
  using TEMRExtTextOutObj::TEMRExtTextOutObj;
  std::u16string OutputString(const std::string& FontName, bool IsRTL) const;
};

class TEMRExtTextOutAObj : public TEMRExtTextOutObj {
public:
  using TEMRExtTextOutObj::TEMRExtTextOutObj;
  std::string OutputString() const;
};

class TEMRPolyTextOutWObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  std::u16string GetOutputString(int Index) const;
};

class TEMRPolyTextOutAObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  std::string GetOutputString(int Index) const;
};

class TEMRPolyDrawObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  std::uint8_t GetTypes(std::uint32_t Index) const;
};

class TEMRPolyDraw16Obj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  std::uint8_t GetTypes(std::uint32_t Index) const;
};

class TEMRSmallTextOutObj : public TEnhMetaObj {
public:
  using TEnhMetaObj::TEnhMetaObj;
  bool IsANSI() const { return (P()->SmallTextOut.fuOptions & ETO_SMALL_CHARS) != 0; }
  bool IsNoRect() const { return (P()->SmallTextOut.fuOptions & ETO_NO_RECT) != 0; }
  std::u16string OutputStringWide() const;
  std::string OutputStringANSI() const;

private:
  std::int64_t TextOffset() const { return IsNoRect() ? 36 : 52; }
};

// ---------------------------------------------------------------------------------------------
// Glyph indices back to characters

// What the text routines need of a font: its Unicode coverage and the glyph of a character.
class TFontCharacterMap {
public:
  virtual ~TFontCharacterMap() = default;
  struct TRange {
    char16_t First;
    std::uint16_t Count;
  };
  // The font's ranges of supported characters; False when the font cannot tell.
  virtual bool GetFontUnicodeRanges(std::vector<TRange>& Ranges) = 0;
  // Glyph index of every character, 0xFFFF for a character the font lacks; False on failure.
  virtual bool GetGlyphIndices(const std::u16string& Chars, std::vector<std::uint16_t>& Glyphs) = 0;
};

// The installed font the system picks for a face name (its own substitute when that family is
// not installed), read from its Unicode character map; nullptr when there is no usable font.
// A font is read once per process.
std::unique_ptr<TFontCharacterMap> InstalledFontCharacterMap(const std::string& FontName);

// Finds the character map of a font by its face name; nullptr when no such font is available.
using TFontCharacterMapFinder = std::unique_ptr<TFontCharacterMap> (*)(const std::string& FontName);
// Replaces the installed fonts as the source of character maps (nullptr: the installed fonts).
void SetFontCharacterMapFinder(TFontCharacterMapFinder Finder);

// Characters for the glyph indices of a text: every code unit of Text is a glyph index; it
// becomes the first character of the font's coverage with that glyph, or '?'. Empty when the
// font cannot list its glyphs.
std::u16string GlyphIndicesToText(const std::u16string& Text, TFontCharacterMap& DC);
// The same with the font of that face name; empty when no font is found.
std::u16string GlyphIndicesToTextByFont(const std::u16string& Text, const std::string& FontName);

// ---------------------------------------------------------------------------------------------
// Stock objects: a record view for each stock object number 0 .. 19 (nil for 9 and 15), shared by
// every player of the process. Built when the unit starts and freed when it ends.

constexpr std::uint32_t STOCK_OBJECT_FLAG = 0x80000000u;
constexpr int STOCK_OBJECT_COUNT = 20;

extern TEnhMetaObj* StockObjects[STOCK_OBJECT_COUNT];
void CreateStockObjects();
void FreeStockObjects();
bool IsStockObject(std::uint32_t Index);
bool IsStockBrush(std::uint32_t Index);
bool IsStockPen(std::uint32_t Index);
bool IsStockFont(std::uint32_t Index);
bool IsStockPalette(std::uint32_t Index);
// The stock view of a stock index (0x80000000 + number); nil for other indexes.
TEnhMetaObj* StockObject(std::uint32_t Index);
