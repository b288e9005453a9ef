#include "report/pdf/repEMFFormat.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/gfx/FontData.h"
#include "report/pdf/repTrueTypeCollection.h"

static_assert(std::endian::native == std::endian::little,
              "record views read little-endian metafile bytes in place");
static_assert(sizeof(tagENHMETAHEADER) == 108);
static_assert(sizeof(tagEMREXTTEXTOUTA) == 76);
static_assert(sizeof(tagEMREXTCREATEFONTINDIRECTW) == 332);
static_assert(sizeof(tagEMRBITBLT) == 100);
static_assert(sizeof(tagEMRSTRETCHBLT) == 108);
static_assert(sizeof(tagEMRMASKBLT) == 128);
static_assert(sizeof(tagEMRPLGBLT) == 140);
static_assert(sizeof(tagEMRSETDIBITSTODEVICE) == 76);
static_assert(sizeof(tagEMRSTRETCHDIBITS) == 80);
static_assert(sizeof(tagEMRALPHABLEND) == 108);
static_assert(sizeof(tagEMRCREATEPEN) == 28);
static_assert(sizeof(tagEMRCREATEBRUSHINDIRECT) == 24);
static_assert(sizeof(tagEMRCREATECOLORSPACE) == 340);
static_assert(sizeof(tagPIXELFORMATDESCRIPTOR) == 40);
static_assert(sizeof(tagEMRTEXT) == 40);
static_assert(offsetof(tagEMREXTCREATEPEN, elp) == 28);
static_assert(offsetof(tagEMRCREATECOLORSPACEW, dwFlags) == 600);

// ---------------------------------------------------------------------------------------------
// Record table

namespace {

const char* const RecordNames[EMR_MAX + 1] = {
    "",
    "Header", "PolyBezier", "Polygon", "Polyline", "PolyBezierTo", "PolylineTo", "PolyPolyline",
    "PolyPolygon", "SetWindowExtEx", "SetWindowOrgEx", "SetViewPortExtEx", "SetViewPortOrgEx",
    "SetBrushOrgEx", "EoF", "SetPixelV", "SetMapperFlags", "SetMapMode", "SetBkMode",
    "SetPolyFillMode", "SetRop2", "SetStretchBltMode", "SetTextAlign", "SetColorAdjustment",
    "SetTextColor", "SetBkColor", "OffsetClipRgn", "MoveToEx", "SetMetaRgn", "ExcludeClipRect",
    "IntersectClipRect", "ScaleViewportExtEx", "ScaleWindowExtEx", "SaveDC", "RestoreDC",
    "SetWorldTransform", "ModifyWorldTransform", "SelectObject", "CreatePen",
    "CreateBrushIndirect", "DeleteObject", "AngleArc", "Ellipse", "Rectangle", "RoundRect", "Arc",
    "Chord", "Pie", "SelectPalette", "CreatePalette", "SetPaletteEntries", "ResizePalette",
    "RealizePalette", "ExtFloodFill", "LineTo", "ArcTo", "PolyDraw", "SetArcDirection",
    "SetMiterLimit", "BeginPath", "EndPath", "CloseFigure", "FillPath", "StrokeAndFillPath",
    "StrokePath", "FlattenPath", "WidenPath", "SelectClipPath", "AbortPath", "Reserved_69",
    "GDIComment", "FillRgn", "FrameRgn", "InvertRgn", "PaintRgn", "ExtSelectClipRgn", "BitBlt",
    "StretchBlt", "MaskBlt", "PLGBlt", "SetDIBitsToDevice", "StretchDIBits",
    "ExtCreateFontIndirectW", "ExtTextOutA", "ExtTextOutW", "PolyBezier16", "Polygon16",
    "Polyline16", "PolyBezierTo16", "PolylineTo16", "PolyPolyline16", "PolyPolygon16",
    "PolyDraw16", "CreateMonoBrush", "CreateDIBPatternBrushPt", "ExtCreatePen", "PolyTextOutA",
    "PolyTextOutW", "SetICMMode", "CreateColorSpace", "SetColorSpace", "DeleteColorSpace",
    "GLSRecord", "GLSBoundedRecord", "PixelFormat", "DrawEscape", "ExtEscape", "StartDoc",
    "SmallTextOut", "ForceUFIMapping", "NamedEscape", "ColorCorrectPalette", "SetIcmProfileA",
    "SetIcmProfileW", "AlphaBlend", "SetLayout", "TransparentBlt", "TransparentDIB",
    "GradientFill", "SetLinkedUFIs", "SetTextJustification", "ColorMatchToTargetW",
    "CreateColorSpaceW"};

} // namespace

std::string EMFRecordName(std::uint32_t iType) {
  return iType >= 1 && iType <= EMR_MAX ? RecordNames[iType] : "";
}

std::uint32_t EMFRecordLayoutSize(std::uint32_t iType) {
  switch (iType) {
    case EMR_HEADER: return sizeof(tagENHMETAHEADER);
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO: return sizeof(tagEMRPOLYLINE);
    case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16: return sizeof(tagEMRPOLYLINE16);
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: return sizeof(tagEMRPOLYPOLYLINE);
    case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: return sizeof(tagEMRPOLYPOLYLINE16);
    case EMR_SETWINDOWEXTEX: case EMR_SETVIEWPORTEXTEX: return sizeof(tagEMRSETVIEWPORTEXTEX);
    case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTORGEX: case EMR_SETBRUSHORGEX:
      return sizeof(tagEMRSETVIEWPORTORGEX);
    case EMR_EOF: return sizeof(tagEMREOF);
    case EMR_SETPIXELV: return sizeof(tagEMRSETPIXELV);
    case EMR_SETMAPPERFLAGS: return sizeof(tagEMRSETMAPPERFLAGS);
    case EMR_SETMAPMODE: case EMR_SETBKMODE: case EMR_SETPOLYFILLMODE: case EMR_SETROP2:
    case EMR_SETSTRETCHBLTMODE: case EMR_SETTEXTALIGN: case EMR_SELECTCLIPPATH:
    case EMR_SETICMMODE: case EMR_SETLAYOUT: return sizeof(tagEMRSELECTCLIPPATH);
    case EMR_SETCOLORADJUSTMENT: return sizeof(tagEMRSETCOLORADJUSTMENT);
    case EMR_SETTEXTCOLOR: case EMR_SETBKCOLOR: return sizeof(tagEMRSETTEXTCOLOR);
    case EMR_OFFSETCLIPRGN: return sizeof(tagEMROFFSETCLIPRGN);
    case EMR_MOVETOEX: case EMR_LINETO: return sizeof(tagEMRLINETO);
    case EMR_EXCLUDECLIPRECT: case EMR_INTERSECTCLIPRECT: return sizeof(tagEMREXCLUDECLIPRECT);
    case EMR_SCALEVIEWPORTEXTEX: case EMR_SCALEWINDOWEXTEX: return sizeof(tagEMRSCALEVIEWPORTEXTEX);
    case EMR_RESTOREDC: return sizeof(tagEMRRESTOREDC);
    case EMR_SETWORLDTRANSFORM: return sizeof(tagEMRSETWORLDTRANSFORM);
    case EMR_MODIFYWORLDTRANSFORM: return sizeof(tagEMRMODIFYWORLDTRANSFORM);
    case EMR_SELECTOBJECT: case EMR_DELETEOBJECT: return sizeof(tagEMRSELECTOBJECT);
    case EMR_CREATEPEN: return sizeof(tagEMRCREATEPEN);
    case EMR_CREATEBRUSHINDIRECT: return sizeof(tagEMRCREATEBRUSHINDIRECT);
    case EMR_ANGLEARC: return sizeof(tagEMRANGLEARC);
    case EMR_ELLIPSE: case EMR_RECTANGLE: return sizeof(tagEMRELLIPSE);
    case EMR_ROUNDRECT: return sizeof(tagEMRROUNDRECT);
    case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_ARCTO: return sizeof(tagEMRARC);
    case EMR_SELECTPALETTE: return sizeof(tagEMRSELECTPALETTE);
    case EMR_CREATEPALETTE: return sizeof(tagEMRCREATEPALETTE);
    case EMR_SETPALETTEENTRIES: return sizeof(tagEMRSETPALETTEENTRIES);
    case EMR_RESIZEPALETTE: return sizeof(tagEMRRESIZEPALETTE);
    case EMR_EXTFLOODFILL: return sizeof(tagEMREXTFLOODFILL);
    case EMR_POLYDRAW: return sizeof(tagEMRPOLYDRAW);
    case EMR_POLYDRAW16: return sizeof(tagEMRPOLYDRAW16);
    case EMR_SETARCDIRECTION: return sizeof(tagEMRSETARCDIRECTION);
    case EMR_SETMITERLIMIT: return sizeof(tagEMRSETMITERLIMIT);
    case EMR_FILLPATH: case EMR_STROKEANDFILLPATH: case EMR_STROKEPATH: return sizeof(tagEMRFILLPATH);
    case EMR_GDICOMMENT: return sizeof(tagEMRGDICOMMENT);
    case EMR_FILLRGN: return sizeof(tagEMRFILLRGN);
    case EMR_FRAMERGN: return sizeof(tagEMRFRAMERGN);
    case EMR_INVERTRGN: case EMR_PAINTRGN: return sizeof(tagEMRINVERTRGN);
    case EMR_EXTSELECTCLIPRGN: return sizeof(tagEMREXTSELECTCLIPRGN);
    case EMR_BITBLT: return sizeof(tagEMRBITBLT);
    case EMR_STRETCHBLT: return sizeof(tagEMRSTRETCHBLT);
    case EMR_MASKBLT: return sizeof(tagEMRMASKBLT);
    case EMR_PLGBLT: return sizeof(tagEMRPLGBLT);
    case EMR_SETDIBITSTODEVICE: return sizeof(tagEMRSETDIBITSTODEVICE);
    case EMR_STRETCHDIBITS: return sizeof(tagEMRSTRETCHDIBITS);
    case EMR_EXTCREATEFONTINDIRECTW: return sizeof(tagEMREXTCREATEFONTINDIRECTW);
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: return sizeof(tagEMREXTTEXTOUTA);
    case EMR_CREATEMONOBRUSH: return sizeof(tagEMRCREATEMONOBRUSH);
    case EMR_CREATEDIBPATTERNBRUSHPT: return sizeof(tagEMRCREATEDIBPATTERNBRUSHPT);
    case EMR_EXTCREATEPEN: return sizeof(tagEMREXTCREATEPEN);
    case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: return sizeof(tagEMRPOLYTEXTOUTA);
    case EMR_CREATECOLORSPACE: return sizeof(tagEMRCREATECOLORSPACE);
    case EMR_CREATECOLORSPACEW: return sizeof(tagEMRCREATECOLORSPACEW);
    case EMR_SETCOLORSPACE: case EMR_DELETECOLORSPACE: return sizeof(tagEMRSETCOLORSPACE);
    case EMR_GLSRECORD: return sizeof(tagEMRGLSRECORD);
    case EMR_GLSBOUNDEDRECORD: return sizeof(tagEMRGLSBOUNDEDRECORD);
    case EMR_PIXELFORMAT: return sizeof(tagEMRPIXELFORMAT);
    case EMR_DRAWESCAPE: case EMR_EXTESCAPE: return sizeof(TEMRextEscape);
    case EMR_SMALLTEXTOUT: return sizeof(TEMRSmallTextOut);
    case EMR_FORCEUFIMAPPING: return sizeof(TEMRForceUFIMapping);
    case EMR_COLORCORRECTPALETTE: return sizeof(TEMRColorCorrectPalette);
    case EMR_SETICMPROFILEA: case EMR_SETICMPROFILEW: return sizeof(TEMRSetIcmProfile);
    case EMR_COLORMATCHTOTARGETW: return sizeof(TEMRColorMatchToTarget);
    case EMR_ALPHABLEND: return sizeof(tagEMRALPHABLEND);
    case EMR_TRANSPARENTBLT: return sizeof(tagEMRTRANSPARENTBLT);
    case EMR_GRADIENTFILL: return sizeof(tagEMRGRADIENTFILL);
    default: return sizeof(tagEMR);
  }
}

std::uint32_t EMFRecordMinSize(std::uint32_t iType) {
  switch (iType) {
    case EMR_HEADER: return 88;
    // Arrays of one element in the layout may be empty in a record.
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO: case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16: case EMR_POLYDRAW: case EMR_POLYDRAW16:
      return 28;
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16:
      return 32;
    case EMR_EOF: return 20;
    case EMR_CREATEPALETTE: return 16;
    case EMR_SETPALETTEENTRIES: return 20;
    case EMR_GDICOMMENT: case EMR_GLSRECORD: return 12;
    case EMR_GLSBOUNDEDRECORD: return 28;
    case EMR_FILLRGN: return 32;
    case EMR_FRAMERGN: return 40;
    case EMR_INVERTRGN: case EMR_PAINTRGN: return 28;
    case EMR_EXTSELECTCLIPRGN: return 16;
    // A font record may carry only the logical font.
    case EMR_EXTCREATEFONTINDIRECTW: return 8 + 4 + sizeof(tagLOGFONTW);
    case EMR_EXTCREATEPEN: return 52;
    case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: return 40;
    case EMR_CREATECOLORSPACEW: return 608;
    case EMR_DRAWESCAPE: case EMR_EXTESCAPE: return 16;
    // Without a clip rectangle the text follows at 36.
    case EMR_SMALLTEXTOUT: return 36;
    case EMR_SETICMPROFILEA: case EMR_SETICMPROFILEW: return 20;
    case EMR_COLORMATCHTOTARGETW: return 24;
    case EMR_GRADIENTFILL: return 36;
    default: return EMFRecordLayoutSize(iType);
  }
}

// ---------------------------------------------------------------------------------------------
// Bitmaps

namespace {

std::size_t RowBytesOf(TPixelFormat Format, int Width) {
  const std::size_t W = static_cast<std::size_t>(Width);
  switch (Format) {
    case pf1bit: return (W + 7) / 8;
    case pf4bit: return (W + 1) / 2;
    case pf8bit: return W;
    case pf15bit: case pf16bit: return 2 * W;
    case pf24bit: return 3 * W;
    default: return 4 * W;
  }
}

} // namespace

TEMFBitmap::TEMFBitmap(int AWidth, int AHeight, TPixelFormat APixelFormat)
    : FWidth(std::max(AWidth, 0)), FHeight(std::max(AHeight, 0)), FPixelFormat(APixelFormat),
      FRowBytes(RowBytesOf(APixelFormat, std::max(AWidth, 0))),
      FBits(FRowBytes * static_cast<std::size_t>(std::max(AHeight, 0))) {}

std::uint8_t* TEMFBitmap::ScanLine(int Row) {
  if (Row < 0 || Row >= FHeight) throw EEMFError("Scan line index out of range");
  return FBits.data() + FRowBytes * static_cast<std::size_t>(Row);
}

const std::uint8_t* TEMFBitmap::ScanLine(int Row) const {
  return const_cast<TEMFBitmap*>(this)->ScanLine(Row);
}

std::uint32_t TEMFBitmap::PixelRGB(int X, int Y) const {
  if (X < 0 || X >= FWidth) throw EEMFError("Pixel index out of range");
  const std::uint8_t* L = ScanLine(Y);
  auto FromPalette = [this](unsigned I) -> std::uint32_t {
    return I < Palette.size() ? Palette[I] : 0;
  };
  auto Expand5 = [](unsigned V) -> std::uint32_t { return (V << 3) | (V >> 2); };
  auto Expand6 = [](unsigned V) -> std::uint32_t { return (V << 2) | (V >> 4); };
  switch (FPixelFormat) {
    case pf1bit: return FromPalette((L[X / 8] >> (7 - X % 8)) & 1);
    case pf4bit: return FromPalette(X % 2 == 0 ? L[X / 2] >> 4 : L[X / 2] & 0xF);
    case pf8bit: return FromPalette(L[X]);
    case pf15bit: {
      const unsigned V = L[2 * X] | (L[2 * X + 1] << 8);
      return Expand5((V >> 10) & 31) << 16 | Expand5((V >> 5) & 31) << 8 | Expand5(V & 31);
    }
    case pf16bit: {
      const unsigned V = L[2 * X] | (L[2 * X + 1] << 8);
      return Expand5((V >> 11) & 31) << 16 | Expand6((V >> 5) & 63) << 8 | Expand5(V & 31);
    }
    case pf24bit: return std::uint32_t(L[3 * X + 2]) << 16 | L[3 * X + 1] << 8 | L[3 * X];
    default: return std::uint32_t(L[4 * X + 2]) << 16 | L[4 * X + 1] << 8 | L[4 * X];
  }
}

TEMFPngImage::TEMFPngImage(int AWidth, int AHeight)
    : FWidth(std::max(AWidth, 0)), FHeight(std::max(AHeight, 0)),
      FBits(4 * static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight)) {}

std::uint8_t* TEMFPngImage::ScanLine(int Row) {
  if (Row < 0 || Row >= FHeight) throw EEMFError("Scan line index out of range");
  return FBits.data() + 4 * static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(Row);
}

const std::uint8_t* TEMFPngImage::ScanLine(int Row) const {
  return const_cast<TEMFPngImage*>(this)->ScanLine(Row);
}

// ---------------------------------------------------------------------------------------------
// TEnhMetaObj

namespace {

std::string TypeText(std::uint32_t iType) {
  const std::string Name = EMFRecordName(iType);
  return Name.empty() ? "of type " + std::to_string(iType) : "EMR_" + Name;
}

} // namespace

void TEnhMetaObj::Allocate(std::uint32_t Size, std::uint32_t Type) {
  const std::size_t Block = std::max<std::size_t>(Size, EMFRecordLayoutSize(Type));
  FBlock.reset(new std::uint64_t[(Block + 7) / 8]());
  FSize = Size;
}

TEnhMetaObj::TEnhMetaObj(rt::TStream& Stream, int Size) {
  const std::uint32_t N = Size > 0 ? static_cast<std::uint32_t>(Size) : 0;
  Allocate(N, 0);
  Stream.Read(FBlock.get(), N);
  // The layout of the record's own type decides how far fixed fields may be read.
  const std::uint32_t Type = RecordType();
  if (EMFRecordLayoutSize(Type) > N) {
    std::unique_ptr<std::uint64_t[]> Short = std::move(FBlock);
    Allocate(N, Type);
    std::memcpy(FBlock.get(), Short.get(), N);
  }
}

std::unique_ptr<TEnhMetaObj> TEnhMetaObj::CreateRec(const void* EMR) {
  tagEMR Head;
  std::memcpy(&Head, EMR, sizeof Head);
  std::unique_ptr<TEnhMetaObj> Obj(new TEnhMetaObj());
  Obj->Allocate(Head.nSize, Head.iType);
  std::memcpy(Obj->FBlock.get(), EMR, Head.nSize);
  return Obj;
}

TEnhMetaObj::~TEnhMetaObj() = default;

bool TEnhMetaObj::InRange(std::int64_t Offset, std::int64_t Count) const noexcept {
  return Offset >= 0 && Count >= 0 && Offset <= FSize && Count <= FSize - Offset;
}

void TEnhMetaObj::CheckRange(std::int64_t Offset, std::int64_t Count, const char* What) const {
  if (!InRange(Offset, Count))
    throw EEMFError("Malformed metafile record " + TypeText(RecordType()) + ": " + What +
                    " outside the record");
}

std::uint32_t TEnhMetaObj::LongWordAt(std::int64_t Offset) const {
  CheckRange(Offset, 4, "value");
  std::uint32_t V;
  std::memcpy(&V, Bytes() + Offset, 4);
  return V;
}

std::uint8_t TEnhMetaObj::ByteAt(std::int64_t Offset) const {
  CheckRange(Offset, 1, "value");
  return Bytes()[Offset];
}

std::string TEnhMetaObj::GetAnsiText(std::int64_t Count, std::int64_t Offset) const {
  if (Count <= 0) return std::string();
  CheckRange(Offset, Count, "text");
  return std::string(reinterpret_cast<const char*>(Bytes() + Offset), static_cast<std::size_t>(Count));
}

std::u16string TEnhMetaObj::GetWideText(std::int64_t Count, std::int64_t Offset) const {
  if (Count <= 0) return std::u16string();
  CheckRange(Offset, 2 * Count, "text");
  std::u16string S(static_cast<std::size_t>(Count), u'\0');
  std::memcpy(S.data(), Bytes() + Offset, static_cast<std::size_t>(2 * Count));
  return S;
}

// ---------------------------------------------------------------------------------------------
// Header and end-of-file views

std::u16string TEnhMetaHeaderObj::Description() const {
  return GetWideText(P()->Header.nDescription, P()->Header.offDescription);
}

int TEnhMetaHeaderObj::Extension() const {
  const std::uint32_t A =
      P()->Header.offDescription != 0 ? P()->Header.offDescription : P()->EMR.nSize;
  if (A >= 108) return 2;
  if (A >= 100) return 1;
  if (A >= 88) return 0;
  return -1;
}

tagPIXELFORMATDESCRIPTOR TEnhMetaHeaderObj::PixelFormatDescriptor() const {
  tagPIXELFORMATDESCRIPTOR D{};
  const std::uint32_t N =
      std::min<std::uint32_t>(P()->Header.cbPixelFormat, sizeof(tagPIXELFORMATDESCRIPTOR));
  CheckRange(P()->Header.offPixelFormat, N, "pixel format");
  std::memcpy(&D, Bytes() + P()->Header.offPixelFormat, N);
  return D;
}

tagPALETTEENTRY TEoFObj::GetPaletteEntry(std::uint32_t Index) const {
  const std::uint32_t V = LongWordAt(std::int64_t(P()->EoF.offPalEntries) + 4 * std::int64_t(Index));
  tagPALETTEENTRY E;
  std::memcpy(&E, &V, 4);
  return E;
}

std::uint32_t TEoFObj::nSizeLast() const {
  return LongWordAt(std::int64_t(P()->EoF.offPalEntries) + 4 * std::int64_t(P()->EoF.nPalEntries));
}

// ---------------------------------------------------------------------------------------------
// Poly-polygons

namespace {

// Byte offset of a point of a poly-polygon record: the points of all polygons follow the counts.
std::int64_t PolyPointOffset(const TEnhMetaObj& Obj, int Poly, int Point, int PointSize) {
  const std::uint32_t NPolys = Obj.P()->PolyPolygon.nPolys;
  if (Poly < 0 || static_cast<std::uint32_t>(Poly) >= NPolys || Point < 0)
    throw EEMFError("Malformed metafile record " + TypeText(Obj.RecordType()) +
                    ": polygon point index out of range");
  Obj.CheckRange(32, 4 * std::int64_t(NPolys), "polygon counts");
  std::int64_t Before = 0;
  for (int I = 0; I < Poly; ++I) Before += Obj.LongWordAt(32 + 4 * std::int64_t(I));
  return 32 + 4 * std::int64_t(NPolys) + PointSize * (Before + Point);
}

} // namespace

TSmallPoint TEMRPolyPolygon16Obj::GetPolyPoint(int Poly, int Point) const {
  const std::int64_t Off = PolyPointOffset(*this, Poly, Point, 4);
  CheckRange(Off, 4, "point");
  TSmallPoint Pt;
  std::memcpy(&Pt, Bytes() + Off, 4);
  return Pt;
}

TPoint TEMRPolyPolygonObj::GetPolyPoint(int Poly, int Point) const {
  const std::int64_t Off = PolyPointOffset(*this, Poly, Point, 8);
  CheckRange(Off, 8, "point");
  TPoint Pt;
  std::memcpy(&Pt, Bytes() + Off, 8);
  return Pt;
}

// ---------------------------------------------------------------------------------------------
// Clip region record

const tagRGNDATAHEADER* TEMRExtSelectClipRgnObj::PRegionData() const {
  CheckRange(16, sizeof(tagRGNDATAHEADER), "region header");
  return reinterpret_cast<const tagRGNDATAHEADER*>(Bytes() + 16);
}

TRect TEMRExtSelectClipRgnObj::GetRegion(std::uint32_t Index) const {
  const std::int64_t Off = 48 + 16 * std::int64_t(Index);
  CheckRange(Off, 16, "region rectangle");
  TRect R;
  std::memcpy(&R, Bytes() + Off, 16);
  return R;
}

// ---------------------------------------------------------------------------------------------
// Device-independent bitmaps

namespace {

constexpr std::uint32_t BI_RGB = 0;
constexpr std::uint32_t BI_BITFIELDS = 3;

// Position of the lowest set bit and number of bits of a colour mask.
void MaskShape(std::uint32_t Mask, int& Shift, int& Bits) {
  Shift = 0;
  Bits = 0;
  if (Mask == 0) return;
  while (!(Mask & 1u)) {
    Mask >>= 1;
    ++Shift;
  }
  while (Mask & 1u) {
    Mask >>= 1;
    ++Bits;
  }
}

std::uint8_t MaskedChannel(std::uint32_t Pixel, std::uint32_t Mask) {
  int Shift, Bits;
  MaskShape(Mask, Shift, Bits);
  if (Bits == 0) return 0;
  const std::uint32_t V = (Pixel & Mask) >> Shift;
  if (Bits >= 8) return static_cast<std::uint8_t>(V >> (Bits - 8));
  const std::uint32_t Max = (1u << Bits) - 1;
  return static_cast<std::uint8_t>((V * 255 + Max / 2) / Max);
}

std::unique_ptr<TEMFBitmap> DecodeDIB(const TEnhMetaObj& Obj, std::int64_t Off) {
  auto Fail = [&Obj](const std::string& Why) -> EEMFError {
    return EEMFError("Invalid bitmap in metafile record " + TypeText(Obj.RecordType()) + ": " + Why);
  };
  if (!Obj.InRange(Off, 4)) throw Fail("no bitmap header");
  const std::uint32_t HeaderSize = Obj.LongWordAt(Off);
  std::int64_t Width, Height;
  unsigned BitCount;
  std::uint32_t Compression = BI_RGB, ClrUsed = 0;
  std::int64_t EntrySize = 4, MaskBytes = 0;
  std::uint32_t Masks[4] = {0, 0, 0, 0};
  auto Word = [&](std::int64_t At) -> unsigned {
    return Obj.ByteAt(At) | (Obj.ByteAt(At + 1) << 8);
  };
  if (HeaderSize == 12) {
    if (!Obj.InRange(Off, 12)) throw Fail("truncated header");
    Width = Word(Off + 4);
    Height = Word(Off + 6);
    BitCount = Word(Off + 10);
    EntrySize = 3;
  } else if (HeaderSize == 40 || HeaderSize == 52 || HeaderSize == 56 || HeaderSize == 108 ||
             HeaderSize == 124) {
    if (!Obj.InRange(Off, HeaderSize)) throw Fail("truncated header");
    Width = Obj.IntegerAt(Off + 4);
    Height = Obj.IntegerAt(Off + 8);
    BitCount = Word(Off + 14);
    Compression = Obj.LongWordAt(Off + 16);
    ClrUsed = Obj.LongWordAt(Off + 32);
    if (Compression == BI_BITFIELDS) {
      // The masks follow a basic header; larger headers hold them.
      if (HeaderSize == 40) {
        if (!Obj.InRange(Off + 40, 12)) throw Fail("missing colour masks");
        MaskBytes = 12;
      }
      for (int I = 0; I < 3; ++I) Masks[I] = Obj.LongWordAt(Off + 40 + 4 * I);
      if (HeaderSize >= 56) Masks[3] = Obj.LongWordAt(Off + 52);
    }
  } else {
    throw Fail("unknown header size " + std::to_string(HeaderSize));
  }
  if (Compression != BI_RGB && !(Compression == BI_BITFIELDS && (BitCount == 16 || BitCount == 32)))
    throw Fail("unsupported compression " + std::to_string(Compression));
  if (BitCount != 1 && BitCount != 4 && BitCount != 8 && BitCount != 16 && BitCount != 24 &&
      BitCount != 32)
    throw Fail("unsupported bit count " + std::to_string(BitCount));
  const bool TopDown = Height < 0;
  Height = TopDown ? -Height : Height;
  if (Width <= 0 || Height <= 0) throw Fail("empty bitmap");

  std::int64_t Entries = 0;
  if (BitCount <= 8) {
    const std::int64_t Max = std::int64_t(1) << BitCount;
    Entries = ClrUsed == 0 ? Max : ClrUsed;
    if (Entries > Max) Entries = Max;
  } else {
    Entries = ClrUsed;
  }
  const std::int64_t TableOff = Off + HeaderSize + MaskBytes;
  if (!Obj.InRange(TableOff, Entries * EntrySize)) throw Fail("truncated colour table");
  const std::int64_t BitsOff = TableOff + Entries * EntrySize;
  const std::int64_t Stride = ((Width * BitCount + 31) / 32) * 4;
  if (!Obj.InRange(BitsOff, Stride * Height)) throw Fail("truncated pixel data");

  TPixelFormat Format;
  bool Convert = false;  // bit fields other than the standard ones become 24 or 32 bits
  switch (BitCount) {
    case 1: Format = pf1bit; break;
    case 4: Format = pf4bit; break;
    case 8: Format = pf8bit; break;
    case 16:
      if (Compression == BI_RGB || (Masks[0] == 0x7C00 && Masks[1] == 0x3E0 && Masks[2] == 0x1F)) {
        Format = pf15bit;
      } else if (Masks[0] == 0xF800 && Masks[1] == 0x7E0 && Masks[2] == 0x1F) {
        Format = pf16bit;
      } else {
        Format = pf24bit;
        Convert = true;
      }
      break;
    case 24: Format = pf24bit; break;
    default:
      Format = pf32bit;
      Convert = Compression == BI_BITFIELDS &&
                !(Masks[0] == 0xFF0000 && Masks[1] == 0xFF00 && Masks[2] == 0xFF);
      break;
  }
  auto Bitmap = std::make_unique<TEMFBitmap>(static_cast<int>(Width), static_cast<int>(Height), Format);
  if (BitCount <= 8) {
    Bitmap->Palette.resize(static_cast<std::size_t>(Entries));
    const std::uint8_t* T = Obj.Bytes() + TableOff;
    for (std::int64_t I = 0; I < Entries; ++I) {
      const std::uint8_t* E = T + I * EntrySize;
      Bitmap->Palette[static_cast<std::size_t>(I)] = std::uint32_t(E[2]) << 16 | E[1] << 8 | E[0];
    }
  }
  const std::uint8_t* Bits = Obj.Bytes() + BitsOff;
  for (std::int64_t Y = 0; Y < Height; ++Y) {
    const std::uint8_t* Src = Bits + Stride * (TopDown ? Y : Height - 1 - Y);
    std::uint8_t* Dst = Bitmap->ScanLine(static_cast<int>(Y));
    if (!Convert) {
      std::memcpy(Dst, Src, Bitmap->RowBytes());
      continue;
    }
    for (std::int64_t X = 0; X < Width; ++X) {
      std::uint32_t Px;
      if (BitCount == 16) {
        Px = Src[2 * X] | (Src[2 * X + 1] << 8);
        Dst[3 * X] = MaskedChannel(Px, Masks[2]);
        Dst[3 * X + 1] = MaskedChannel(Px, Masks[1]);
        Dst[3 * X + 2] = MaskedChannel(Px, Masks[0]);
      } else {
        std::memcpy(&Px, Src + 4 * X, 4);
        Dst[4 * X] = MaskedChannel(Px, Masks[2]);
        Dst[4 * X + 1] = MaskedChannel(Px, Masks[1]);
        Dst[4 * X + 2] = MaskedChannel(Px, Masks[0]);
        Dst[4 * X + 3] = MaskedChannel(Px, Masks[3]);
      }
    }
  }
  return Bitmap;
}

} // namespace

std::unique_ptr<TEMFBitmap> TEMRBitmap::GetBitmap() const { return DecodeDIB(*this, BmiOffset()); }

void TEMRStretchDIBitsObj::FlipVertical(TEMFBitmap& Bitmap) {
  const std::size_t N = RowBytesOf(Bitmap.PixelFormat(), Bitmap.Width());
  std::vector<std::uint8_t> Row(N);
  for (int R = 0; R < Bitmap.Height() / 2; ++R) {
    std::uint8_t* A = Bitmap.ScanLine(R);
    std::uint8_t* B = Bitmap.ScanLine(Bitmap.Height() - 1 - R);
    std::memcpy(Row.data(), A, N);
    std::memcpy(A, B, N);
    std::memcpy(B, Row.data(), N);
  }
}

namespace {

// A premultiplied channel back to its straight value; a result above 255 keeps its low byte.
std::uint8_t Unpremultiply(std::uint8_t C, double F) {
  return static_cast<std::uint8_t>(static_cast<long long>(std::nearbyint(C * F)) & 0xFF);
}

std::unique_ptr<TEMFBitmap> AlphaSource(const TEMRAlphaBlendObj& Obj) {
  auto B = Obj.GetBitmap();
  if (B->PixelFormat() != pf32bit)
    throw EEMFError("Invalid bitmap in metafile record EMR_AlphaBlend: not 32 bits per pixel");
  return B;
}

} // namespace

std::unique_ptr<TEMFBitmap> TEMRAlphaBlendObj::GetBitmap24() const {
  auto Src = AlphaSource(*this);
  auto Dst = std::make_unique<TEMFBitmap>(Src->Width(), Src->Height(), pf24bit);
  for (int Y = 0; Y < Src->Height(); ++Y) {
    const std::uint8_t* S = Src->ScanLine(Y);
    std::uint8_t* D = Dst->ScanLine(Y);
    for (int X = 0; X < Src->Width(); ++X) {
      const std::uint8_t A = S[4 * X + 3];
      const double F = A != 0 ? 255.0 / A : 0.0;
      for (int C = 0; C < 3; ++C) D[3 * X + C] = Unpremultiply(S[4 * X + C], F);
    }
  }
  return Dst;
}

std::unique_ptr<TEMFPngImage> TEMRAlphaBlendObj::GetPngObject() const {
  auto Src = AlphaSource(*this);
  auto Dst = std::make_unique<TEMFPngImage>(Src->Width(), Src->Height());
  for (int Y = 0; Y < Src->Height(); ++Y) {
    const std::uint8_t* S = Src->ScanLine(Y);
    std::uint8_t* D = Dst->ScanLine(Y);
    for (int X = 0; X < Src->Width(); ++X) {
      const std::uint8_t A = S[4 * X + 3];
      const double F = A != 0 ? 255.0 / A : 0.0;
      D[4 * X] = Unpremultiply(S[4 * X + 2], F);
      D[4 * X + 1] = Unpremultiply(S[4 * X + 1], F);
      D[4 * X + 2] = Unpremultiply(S[4 * X], F);
      D[4 * X + 3] = A;
    }
  }
  return Dst;
}

// ---------------------------------------------------------------------------------------------
// Text records

TLongWordArray TEMRExtTextOutObj::OutputDx() const {
  const tagEMRTEXT& T = P()->ExtTextOutW.emrtext;
  TLongWordArray A;
  if (T.nChars == 0) return A;
  const std::int64_t Step = IsOption(ETO_PDY) ? 2 : 1;
  CheckRange(T.offDx, 4 * ((std::int64_t(T.nChars) - 1) * Step + 1), "advances");
  A.resize(T.nChars);
  for (std::uint32_t I = 0; I < T.nChars; ++I) A[I] = LongWordAt(T.offDx + 4 * Step * std::int64_t(I));
  return A;
}

TLongWordArray TEMRExtTextOutObj::OutputDy() const {
  const tagEMRTEXT& T = P()->ExtTextOutW.emrtext;
  TLongWordArray A;
  if (!IsOption(ETO_PDY) || T.nChars == 0) return A;
  CheckRange(T.offDx, 8 * std::int64_t(T.nChars), "advances");
  A.resize(T.nChars);
  for (std::uint32_t I = 0; I < T.nChars; ++I) A[I] = LongWordAt(T.offDx + 8 * std::int64_t(I) + 4);
  return A;
}

std::uint32_t TEMRExtTextOutObj::TextLength() const {
  std::uint32_t Sum = 0;
  for (std::uint32_t V : OutputDx()) {
    const std::int32_t S = static_cast<std::int32_t>(V);
    if (S > 0) Sum += static_cast<std::uint32_t>(S);
  }
  return Sum;
}

std::u16string TEMRExtTextOutWObj::OutputString(const std::string& FontName, bool IsRTL) const {
  const tagEMRTEXT& T = P()->ExtTextOutW.emrtext;
  std::u16string S = GetWideText(T.nChars, T.offString);
  if (IsOption(ETO_GLYPH_INDEX) && !S.empty()) S = GlyphIndicesToTextByFont(S, FontName);
  if (IsRTL && S.size() > 1) std::reverse(S.begin(), S.end());
  return S;
}

std::string TEMRExtTextOutAObj::OutputString() const {
  const tagEMRTEXT& T = P()->ExtTextOutA.emrtext;
  return GetAnsiText(T.nChars, T.offString);
}

std::u16string TEMRPolyTextOutWObj::GetOutputString(int Index) const {
  if (Index < 0) throw EEMFError("Malformed metafile record: text entry index out of range");
  const std::int64_t Entry = 40 + 40 * std::int64_t(Index);
  return GetWideText(LongWordAt(Entry + 8), LongWordAt(Entry + 12));
}

std::string TEMRPolyTextOutAObj::GetOutputString(int Index) const {
  if (Index < 0) throw EEMFError("Malformed metafile record: text entry index out of range");
  const std::int64_t Entry = 40 + 40 * std::int64_t(Index);
  return GetAnsiText(LongWordAt(Entry + 8), LongWordAt(Entry + 12));
}

std::uint8_t TEMRPolyDrawObj::GetTypes(std::uint32_t Index) const {
  return ByteAt(28 + 8 * std::int64_t(P()->PolyDraw.cptl) + Index);
}

std::uint8_t TEMRPolyDraw16Obj::GetTypes(std::uint32_t Index) const {
  return ByteAt(28 + 4 * std::int64_t(P()->PolyDraw16.cpts) + Index);
}

std::u16string TEMRSmallTextOutObj::OutputStringWide() const {
  return GetWideText(P()->SmallTextOut.nChars, TextOffset());
}

std::string TEMRSmallTextOutObj::OutputStringANSI() const {
  return GetAnsiText(P()->SmallTextOut.nChars, TextOffset());
}

// ---------------------------------------------------------------------------------------------
// Glyph indices

namespace {

std::atomic<TFontCharacterMapFinder> FontFinder{nullptr};

// The glyph of every character of an installed font, from its Unicode character map; 0 where
// the font has none.
using TGlyphTable = std::vector<std::uint16_t>;

std::shared_ptr<const TGlyphTable> ReadGlyphTable(const std::string& FontName) {
  std::vector<std::uint8_t> Data = gfx::GetFontData(FontName, false, false);
  if (Data.empty()) return nullptr;
  try {
    TrueTypeCollection Collection;
    Collection.Initialize(Data.data(), Data.size());
    TrueTypeFont* Font = Collection.LoadFont(FontName, false, false);
    if (Font == nullptr || Font->cmap_table == nullptr) return nullptr;
    const CmapTableClass& C = *Font->cmap_table;
    auto Table = std::make_shared<TGlyphTable>(0x10000, 0);
    // Segments are in ascending order; a character takes the first segment that ends at or
    // after it.
    std::uint32_t Next = 0;
    for (std::size_t Seg = 0; Seg < static_cast<std::size_t>(C.segment_count); ++Seg) {
      const std::uint32_t First = std::max<std::uint32_t>(C.startCount[Seg], Next);
      for (std::uint32_t Ch = First; Ch <= C.endCount[Seg]; ++Ch) {
        std::uint16_t G = 0;
        if (C.idRangeOffset[Seg] == 0) {
          G = static_cast<std::uint16_t>(Ch + C.idDelta[Seg]);
        } else {
          const std::size_t Index = C.idRangeOffset[Seg] / 2 + (Ch - C.startCount[Seg]) -
                                    (static_cast<std::size_t>(C.segment_count) - Seg);
          if (Index < C.GlyphIndexArray.size() && C.GlyphIndexArray[Index] != 0)
            G = static_cast<std::uint16_t>(C.GlyphIndexArray[Index] + C.idDelta[Seg]);
        }
        (*Table)[Ch] = G;
      }
      Next = std::max<std::uint32_t>(Next, std::uint32_t(C.endCount[Seg]) + 1);
    }
    (*Table)[0xFFFF] = 0;
    return Table;
  } catch (const rt::Exception&) {
    return nullptr;  // a font the reader cannot use maps nothing
  }
}

// Glyph tables of the fonts asked for so far (a few per process), read once each.
std::shared_ptr<const TGlyphTable> GlyphTableOf(const std::string& FontName) {
  static std::mutex Lock;
  static std::map<std::string, std::shared_ptr<const TGlyphTable>> Tables;
  std::lock_guard<std::mutex> Guard(Lock);
  auto It = Tables.find(FontName);
  if (It != Tables.end()) return It->second;
  if (Tables.size() >= 16) Tables.clear();
  return Tables[FontName] = ReadGlyphTable(FontName);
}

// An installed font seen through its glyph table.
class TInstalledFontCharacterMap : public TFontCharacterMap {
public:
  explicit TInstalledFontCharacterMap(std::shared_ptr<const TGlyphTable> Table) : FTable(std::move(Table)) {}
  bool GetFontUnicodeRanges(std::vector<TRange>& Ranges) override {
    Ranges.clear();
    for (std::uint32_t Ch = 0; Ch < 0x10000;) {
      if ((*FTable)[Ch] == 0) {
        ++Ch;
        continue;
      }
      const std::uint32_t First = Ch;
      while (Ch < 0x10000 && (*FTable)[Ch] != 0 && Ch - First < 0xFFFF) ++Ch;
      Ranges.push_back({static_cast<char16_t>(First), static_cast<std::uint16_t>(Ch - First)});
    }
    return true;
  }
  bool GetGlyphIndices(const std::u16string& Chars, std::vector<std::uint16_t>& Glyphs) override {
    Glyphs.resize(Chars.size());
    for (std::size_t I = 0; I < Chars.size(); ++I) {
      const std::uint16_t G = (*FTable)[Chars[I]];
      Glyphs[I] = G != 0 ? G : 0xFFFF;
    }
    return true;
  }

private:
  std::shared_ptr<const TGlyphTable> FTable;
};

std::unique_ptr<TFontCharacterMap> FindInstalledFont(const std::string& FontName) {
  std::shared_ptr<const TGlyphTable> Table = GlyphTableOf(FontName);
  if (!Table) return nullptr;
  return std::make_unique<TInstalledFontCharacterMap>(std::move(Table));
}

} // namespace

void SetFontCharacterMapFinder(TFontCharacterMapFinder Finder) { FontFinder.store(Finder); }

std::unique_ptr<TFontCharacterMap> InstalledFontCharacterMap(const std::string& FontName) {
  return FindInstalledFont(FontName);
}

std::u16string GlyphIndicesToText(const std::u16string& Text, TFontCharacterMap& DC) {
  if (Text.empty()) return std::u16string();
  std::vector<TFontCharacterMap::TRange> Ranges;
  if (!DC.GetFontUnicodeRanges(Ranges)) return std::u16string();
  std::u16string Chars;
  for (const auto& R : Ranges)
    for (std::uint32_t C = R.First; C < std::uint32_t(R.First) + R.Count && C <= 0xFFFF; ++C)
      Chars.push_back(static_cast<char16_t>(C));
  std::vector<std::uint16_t> Glyphs;
  if (!DC.GetGlyphIndices(Chars, Glyphs) || Glyphs.size() != Chars.size()) return std::u16string();
  // The lowest character of each glyph wins.
  std::vector<std::int32_t> CharOfGlyph(0x10000, -1);
  for (std::size_t I = 0; I < Chars.size(); ++I)
    if (CharOfGlyph[Glyphs[I]] < 0) CharOfGlyph[Glyphs[I]] = Chars[I];
  std::u16string Result(Text.size(), u'?');
  for (std::size_t I = 0; I < Text.size(); ++I)
    if (CharOfGlyph[Text[I]] >= 0) Result[I] = static_cast<char16_t>(CharOfGlyph[Text[I]]);
  return Result;
}

std::u16string GlyphIndicesToTextByFont(const std::u16string& Text, const std::string& FontName) {
  const TFontCharacterMapFinder Finder = FontFinder.load();
  std::unique_ptr<TFontCharacterMap> Map = Finder ? Finder(FontName) : FindInstalledFont(FontName);
  if (!Map) return std::u16string();
  return GlyphIndicesToText(Text, *Map);
}

// ---------------------------------------------------------------------------------------------
// Stock objects

TEnhMetaObj* StockObjects[STOCK_OBJECT_COUNT] = {};

namespace {

void StockBrush(int N, std::uint32_t Style, std::uint32_t Color) {
  tagEMRCREATEBRUSHINDIRECT R{};
  R.emr = {EMR_CREATEBRUSHINDIRECT, sizeof R};
  R.ihBrush = STOCK_OBJECT_FLAG + N;
  R.lb.lbStyle = Style;
  R.lb.lbColor = Color;
  StockObjects[N] = TEnhMetaObj::CreateRec(&R).release();
}

void StockPen(int N, std::uint32_t Style, std::uint32_t Color) {
  tagEMRCREATEPEN R{};
  R.emr = {EMR_CREATEPEN, sizeof R};
  R.ihPen = STOCK_OBJECT_FLAG + N;
  R.lopn.lopnStyle = Style;
  R.lopn.lopnWidth = {1, 1};
  R.lopn.lopnColor = Color;
  StockObjects[N] = TEnhMetaObj::CreateRec(&R).release();
}

void StockFont(int N, std::uint8_t CharSet, const char16_t* Face) {
  tagEMREXTCREATEFONTINDIRECTW R{};
  R.emr = {EMR_EXTCREATEFONTINDIRECTW, sizeof R};
  R.ihFont = STOCK_OBJECT_FLAG + N;
  R.elfw.elfLogFont.lfHeight = 12;
  R.elfw.elfLogFont.lfWeight = 400;
  R.elfw.elfLogFont.lfCharSet = CharSet;
  for (int I = 0; Face[I] != 0 && I < 32; ++I) R.elfw.elfLogFont.lfFaceName[I] = Face[I];
  StockObjects[N] = TEnhMetaObj::CreateRec(&R).release();
}

// Builds the table when the program starts and frees it when it ends.
struct TStockObjectsLifetime {
  TStockObjectsLifetime() { CreateStockObjects(); }
  ~TStockObjectsLifetime() { FreeStockObjects(); }
} StockObjectsLifetime;

} // namespace

void CreateStockObjects() {
  FreeStockObjects();
  StockBrush(0, 0, 0xFFFFFF);
  StockBrush(1, 0, 0xC0C0C0);
  StockBrush(2, 0, 0x808080);
  StockBrush(3, 0, 0x404040);
  StockBrush(4, 0, 0x000000);
  StockBrush(5, 1, 0);
  StockBrush(18, 0, 0xFFFFFF);
  StockPen(6, 0, 0xFFFFFF);
  StockPen(7, 0, 0x000000);
  StockPen(8, 5, 0);
  StockPen(19, 0, 0x000000);
  StockFont(11, 0, u"Courier");
  StockFont(10, 255, u"Terminal");
  StockFont(12, 0, u"Serif");
  StockFont(13, 1, u"System");
  StockFont(14, 1, u"System");
  StockFont(16, 1, u"Fixedsys");
  StockFont(17, 1, u"Serif");
}

void FreeStockObjects() {
  for (TEnhMetaObj*& Obj : StockObjects) {
    delete Obj;
    Obj = nullptr;
  }
}

bool IsStockObject(std::uint32_t Index) {
  return (Index & STOCK_OBJECT_FLAG) != 0 && Index - STOCK_OBJECT_FLAG < STOCK_OBJECT_COUNT;
}

namespace {

int StockNumber(std::uint32_t Index) {
  return IsStockObject(Index) ? static_cast<int>(Index - STOCK_OBJECT_FLAG) : -1;
}

} // namespace

bool IsStockBrush(std::uint32_t Index) {
  const int N = StockNumber(Index);
  return (N >= 0 && N <= 5) || N == 18;
}

bool IsStockPen(std::uint32_t Index) {
  const int N = StockNumber(Index);
  return N == 6 || N == 7 || N == 8 || N == 19;
}

bool IsStockFont(std::uint32_t Index) {
  const int N = StockNumber(Index);
  return (N >= 10 && N <= 14) || N == 16 || N == 17;
}

bool IsStockPalette(std::uint32_t Index) { return StockNumber(Index) == 15; }

TEnhMetaObj* StockObject(std::uint32_t Index) {
  const int N = StockNumber(Index);
  return N >= 0 ? StockObjects[N] : nullptr;
}
