#include "report/pdf/repEMFAbstractExport.h"

#include <gtest/gtest.h>

#include "EMFWriter.h"
#include "platform/rt/Unicode.h"

using namespace emftest;
using namespace std::literals;

namespace {

// The description of Record, played after Before with comments shown.
std::string DescriptionOf(const std::string& R, const std::vector<std::string>& Before = {}) {
  std::string Bytes = Header();
  for (const std::string& B : Before) Bytes += B;
  Played X(Bytes + R + EoF(), true);
  return rt::Utf16ToUtf8(X.P.Descriptions.at(Before.size() + 1));
}

struct Case {
  const char* Name;
  std::string Record;
  std::string Text;
};

void CheckAll(const std::vector<Case>& Cases) {
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.Name);
    EXPECT_EQ(DescriptionOf(C.Record), C.Text);
  }
}

TEST(EMFDescription, RecordsDescribedByTheirHeadAlone) {
  CheckAll({
      {"SaveDC", HeaderOnly(EMR_SAVEDC), "EMR_SaveDC"},
      {"SetMetaRgn", HeaderOnly(EMR_SETMETARGN), "EMR_SetMetaRgn"},
      {"RealizePalette", HeaderOnly(EMR_REALIZEPALETTE), "EMR_RealizePalette"},
      {"BeginPath", HeaderOnly(EMR_BEGINPATH), "EMR_BeginPath"},
      {"CloseFigure", HeaderOnly(EMR_CLOSEFIGURE), "EMR_CloseFigure"},
      {"WidenPath", HeaderOnly(EMR_WIDENPATH), "EMR_WidenPath"},
      {"Reserved_69", HeaderOnly(EMR_RESERVED_69), "EMR_Reserved_69"},
      {"TransparentDIB", HeaderOnly(EMR_TRANSPARENTDIB), "TransparentDIB"},
      {"ExtEscape", Record(EMR_EXTESCAPE, Payload().I32(1).I32(0)), "EMR_ExtEscape    etc."},
      {"DrawEscape", Record(EMR_DRAWESCAPE, Payload().I32(1).I32(4).U32(7)), "EMR_DrawEscape    etc."},
      {"StartDoc", HeaderOnly(EMR_STARTDOC), "EMR_StartDoc    etc."},
      {"NamedEscape", HeaderOnly(EMR_NAMEDESCAPE), "EMR_NamedEscape    etc."},
      {"SetLinkedUFIs", HeaderOnly(EMR_SETLINKEDUFIS), "EMR_SetLinkedUFIs    etc."},
      {"SetTextJustification", HeaderOnly(EMR_SETTEXTJUSTIFICATION), "EMR_SetTextJustification    etc."},
      {"ColorMatchToTargetW", Record(EMR_COLORMATCHTOTARGETW, Payload().U32(1).U32(0).U32(0).U32(0)),
       "EMR_ColorMatchToTargetW    etc."},
  });
}

TEST(EMFDescription, RecordsWithAFixedListOfItems) {
  Payload Adjust;
  Adjust.U16(24).U16(0).U16(0).U16(10000).U16(10000).U16(10000).U16(0).U16(10000).Zeros(8);
  Payload Pfd;
  Pfd.U16(40).U16(1).U32(37).Zeros(32);
  const tagXFORM X{1.5f, 0, 0, 2, 10.5f, -3};
  CheckAll({
      {"LineTo", TwoValues(EMR_LINETO, 10, -5), "EMR_LineTo    ptl: 10, -5"},
      {"MoveToEx", TwoValues(EMR_MOVETOEX, 7, 8), "EMR_MoveToEx    ptl: 7, 8"},
      {"Rectangle", RectRecord(EMR_RECTANGLE, 1, 2, 30, 40), "EMR_Rectangle    rclBox: 1, 2, 30, 40"},
      {"Ellipse", RectRecord(EMR_ELLIPSE, 1, 2, 3, 4), "EMR_Ellipse    rclBox: 1, 2, 3, 4"},
      {"SetWindowExtEx", TwoValues(EMR_SETWINDOWEXTEX, 300, 400), "EMR_SetWindowExtEx    szlExtent: 300, 400"},
      {"SetViewPortExtEx", TwoValues(EMR_SETVIEWPORTEXTEX, 30, 40), "EMR_SetViewPortExtExX    szlExtent: 30, 40"},
      {"SetWindowOrgEx", TwoValues(EMR_SETWINDOWORGEX, 1, 2), "EMR_SetWindowOrgEx    ptlOrigin: 1, 2"},
      {"SetViewPortOrgEx", TwoValues(EMR_SETVIEWPORTORGEX, -1, 2), "EMR_SetViewPortOrgEx    ptlOrigin: -1, 2"},
      {"SetBrushOrgEx", TwoValues(EMR_SETBRUSHORGEX, 3, 4), "EMR_BrushOrgEx    ptlOrigin: 3, 4"},
      {"SetPixelV", Record(EMR_SETPIXELV, Payload().Point(1, 2).U32(255)), "EMR_SetPixelV    ptlPixel: 1, 2    crColor: 255"},
      {"SetMapperFlags", OneValue(EMR_SETMAPPERFLAGS, 1), "EMR_SetMapperFlags    dwFlags: 1"},
      {"SetMapMode", OneValue(EMR_SETMAPMODE, 8), "EMR_SetMapMode    iMode: 8"},
      {"SetBkMode", OneValue(EMR_SETBKMODE, 1), "EMR_SetBkMode    iMode: 1"},
      {"SetLayout", OneValue(EMR_SETLAYOUT, 1), "EMR_SetLayout    iMode: 1"},
      {"SelectClipPath", OneValue(EMR_SELECTCLIPPATH, 5), "EMR_SelectClipPath    iMode: 5"},
      {"SetICMMode", OneValue(EMR_SETICMMODE, 2), "EMR_SetICMMode    iMode: 2"},
      {"SetColorAdjustment", Record(EMR_SETCOLORADJUSTMENT, Adjust),
       "EMR_SetColorAdjustment    ColorAdjustment.caSize: 24    ColorAdjustment.caFlags: 0    "
       "ColorAdjustment.caIlluminantIndex: 0    ColorAdjustment.caRedGamma: 10000    "
       "ColorAdjustment.caGreenGamma: 10000    ColorAdjustment.caBlueGamma: 10000    etc."},
      {"SetTextColor", OneValue(EMR_SETTEXTCOLOR, 0xFF), "EMR_SetTextColor    crColor: 255"},
      {"SetBkColor", OneValue(EMR_SETBKCOLOR, 0xFFFFFF), "EMR_SetBkColor    crColor: 16777215"},
      {"OffsetClipRgn", TwoValues(EMR_OFFSETCLIPRGN, 3, -2), "EMR_OffsetClipRgn    ptlOffset: 3, -2"},
      {"ExcludeClipRect", RectRecord(EMR_EXCLUDECLIPRECT, 1, 2, 3, 4), "EMR_ExcludeClipRect    rclClip: 1, 2, 3, 4"},
      {"IntersectClipRect", RectRecord(EMR_INTERSECTCLIPRECT, 1, 2, 3, 4), "EMR_IntersectClipRect    rclClip: 1, 2, 3, 4"},
      {"ScaleWindowExtEx", ScaleRecord(EMR_SCALEWINDOWEXTEX, 1, 2, 3, -4),
       "EMR_ScaleWindowExtEx    xNum: 1    xDenom: 2    yNum: 3    yDenom: -4"},
      {"ScaleViewportExtEx", ScaleRecord(EMR_SCALEVIEWPORTEXTEX, 1, 2, 3, 4),
       "EMR_ScaleViewportExtEx    xNum: 1    xDenom: 2    yNum: 3    yDenom: 4"},
      {"RestoreDC", Record(EMR_RESTOREDC, Payload().I32(-2)), "EMR_RestoreDC    iRelative: -2"},
      {"SetWorldTransform", XFormRecord(EMR_SETWORLDTRANSFORM, X),
       "EMR_SetWorldTransform    xform.eM11: 1.5    xform.eM12: 0    xform.eM21: 0    xform.eM22: 2    "
       "xform.eDx: 10.5    xform.eDy: -3"},
      {"ModifyWorldTransform", XFormRecord(EMR_MODIFYWORLDTRANSFORM, X, 2),
       "EMR_ModifyWorldTransform    xform.eM11: 1.5    xform.eM12: 0    xform.eM21: 0    xform.eM22: 2    "
       "xform.eDx: 10.5    xform.eDy: -3    iMode: 2"},
      {"SelectObject", OneValue(EMR_SELECTOBJECT, 0x80000007), "EMR_SelectObject    ihObject: 2147483655"},
      {"DeleteObject", OneValue(EMR_DELETEOBJECT, 3), "EMR_DeleteObject    ihObject: 3"},
      {"CreatePen", CreatePen(1, 0, 3, 0xFF),
       "EMR_CreatePen    ihPen: 1    lopn.lopnStyle: 0    lopn.lopnWidth.X: 3    lopn.lopnColor: 255"},
      {"CreateBrushIndirect", CreateBrush(2, 2, 0x10, 3),
       "EMR_CreateBrushIndirect    ihBrush: 2    lb.lbStyle: 2    lb.lbColor: 16    lb.lbHatch: 3"},
      {"AngleArc", Record(EMR_ANGLEARC, Payload().Point(5, 6).U32(7).F32(45.5f).F32(90)),
       "EMR_AngleArc    ptlCenter: 5, 6    nRadius: 7    eStartAngle: 45.5    eSweepAngle: 90"},
      {"RoundRect", Record(EMR_ROUNDRECT, Payload().Rect(1, 2, 3, 4).I32(5).I32(6)),
       "EMR_RoundRect    rclBox: 1, 2, 3, 4    szlExtent: 5, 6"},
      {"Pie", Record(EMR_PIE, Payload().Rect(0, 0, 10, 10).Point(1, 1).Point(11, 12)),
       "EMR_Pie    rclBox: 0, 0, 10, 10    ptlStart: 1, 1    ptlEnd: 11, 12"},
      {"ArcTo", Record(EMR_ARCTO, Payload().Rect(0, 0, 10, 10).Point(1, 1).Point(11, 12)),
       "EMR_ArcTo    rclBox: 0, 0, 10, 10    ptlStart: 1, 1    ptlEnd: 11, 12"},
      {"SelectPalette", OneValue(EMR_SELECTPALETTE, 4), "EMR_SelectPalette    ihPal: 4"},
      {"ResizePalette", TwoValues(EMR_RESIZEPALETTE, 4, 16), "EMR_ResizePalette    ihPal: 4    cEntries: 16"},
      {"ExtFloodFill", Record(EMR_EXTFLOODFILL, Payload().Point(1, 2).U32(3).U32(1)),
       "EMR_ExtFloodFill    ptlStart: 1, 2    crColor: 3    iMode: 1"},
      {"SetArcDirection", OneValue(EMR_SETARCDIRECTION, 2), "EMR_SetArcDirection    iArcDirection: 2"},
      {"SetMiterLimit stored as an integer", OneValue(EMR_SETMITERLIMIT, 10), "EMR_SetMiterLimit    eMiterLimit: 10"},
      {"StrokePath", RectRecord(EMR_STROKEPATH, 1, 2, 3, 4), "EMR_StrokePath    rclBounds: 1, 2, 3, 4"},
      {"FillRgn", Record(EMR_FILLRGN, Payload().Rect(1, 2, 3, 4).U32(0).U32(5)),
       "EMR_FillRgn    rclBounds: 1, 2, 3, 4    cbRgnData: 0    ihBrush: 5    etc."},
      {"FrameRgn", Record(EMR_FRAMERGN, Payload().Rect(0, 0, 5, 5).U32(0).U32(3).I32(1).I32(1)),
       "EMR_FrameRgn    rclBounds: 0, 0, 5, 5    cbRgnData: 0    ihBrush: 3    szlStroke: 1, 1    etc."},
      {"InvertRgn", Record(EMR_INVERTRGN, Payload().Rect(1, 2, 3, 4).U32(0)),
       "EMR_InvertRgn    rclBounds: 1, 2, 3, 4    cbRgnData: 0    etc."},
      {"CreateMonoBrush", Record(EMR_CREATEMONOBRUSH, Payload().U32(1).U32(0).Zeros(16)),
       "EMR_CreateMonoBrush    ihBrush: 1    iUsage: 0    etc."},
      {"CreateColorSpace", CreateColorSpace(5),
       "EMR_CreateColorSpace    ihCS: 5    lcs.lcsSignature: 1347637059    lcs.lcsVersion: 1024    "
       "lcs.lcsSize: 328    lcs.lcsCSType: 0    lcs.lcsIntent: 4    etc."},
      {"SetColorSpace", OneValue(EMR_SETCOLORSPACE, 5), "EMR_SetColorSpace    ihCS: 5"},
      {"DeleteColorSpace", OneValue(EMR_DELETECOLORSPACE, 5), "EMR_DeleteColorSpace    ihCS: 5"},
      {"PixelFormat", Record(EMR_PIXELFORMAT, Pfd), "EMR_PixelFormat    pfd.nSize: 40    pfd.nVersion: 1    pfd.dwFlags: 37    etc."},
      {"ForceUFIMapping", TwoValues(EMR_FORCEUFIMAPPING, 9, 10), "EMR_ForceUFIMapping    Checksum: 9    Index: 10"},
      {"ColorCorrectPalette", Record(EMR_COLORCORRECTPALETTE, Payload().U32(1).U32(2).U32(3).U32(0)),
       "EMR_ColorCorrectPalette    ihPalette: 1    nFirstEntry: 2    nPalEntries: 3    nReserved: 0"},
      {"SetIcmProfileW", Record(EMR_SETICMPROFILEW, Payload().U32(1).U32(2).U32(0).U16(0x41).U16(0)),
       "EMR_SetIcmProfileW    dwFlags: 1    cbName: 2    cbData: 0    etc."},
      {"GradientFill", Record(EMR_GRADIENTFILL, Payload().Rect(1, 2, 3, 4).U32(0).U32(0).U32(2)),
       "EMR_GradientFill    rclBounds: 1, 2, 3, 4    nVer: 0    nTri: 0    ulMode: 2    etc."},
  });
}

TEST(EMFDescription, BitBlockRecords) {
  const auto Dib = DIB(1, 1, 24, {{1, 2, 3}});
  Payload Plg;
  Plg.Rect(0, 0, 9, 9).Point(1, 2).Point(3, 4).Point(5, 6).I32(7).I32(8).I32(9).I32(10);
  Plg.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).Zeros(4 * 13);
  Payload ToDevice;
  ToDevice.Rect(1, 1, 2, 2).I32(3).I32(4).I32(5).I32(6).I32(7).I32(8).Zeros(4 * 7);
  CheckAll({
      {"BitBlt", BitBltLike(EMR_BITBLT, Dib, 0xCC0020),
       "EMR_BitBlt    rclBounds: 1, 2, 3, 4    xDest: 10    yDest: 20    cxDest: 30    cyDest: 40    "
       "dwRop: 13369376    etc."},
      {"TransparentBlt", BitBltLike(EMR_TRANSPARENTBLT, Dib, 0xFFFFFF),
       "EMR_TransparentBlt    rclBounds: 1, 2, 3, 4    xDest: 10    yDest: 20    cxDest: 30    cyDest: 40    "
       "dwRop: 16777215    etc."},
      {"StretchBlt", BitBltLike(EMR_STRETCHBLT, Dib, 0xCC0020),
       "EMR_StretchBlt    rclBounds: 1, 2, 3, 4    xDest: 10    yDest: 20    cxDest: 30    cyDest: 40    "
       "dwRop: 13369376    etc."},
      {"StretchDIBits", StretchDIBits(Dib),
       "EMR_StretchDIBits    rclBounds: 1, 2, 3, 4    xDest: 10    yDest: 20    xSrc: 0    ySrc: 0    cxSrc: 2    "
       "cySrc: 2    cxDest: 30    cyDest: 40    dwRop: 13369376    etc."},
      {"PLGBlt", Record(EMR_PLGBLT, Plg),
       "EMR_PLGBlt    rclBounds: 0, 0, 9, 9    aptlDest[0]: 1, 2    aptlDest[1]: 3, 4    aptlDest[2]: 5, 6    "
       "xSrc: 7    ySrc: 8    cxSrc: 9    cySrc: 10    etc."},
      {"SetDIBitsToDevice", Record(EMR_SETDIBITSTODEVICE, ToDevice),
       "EMR_SetDIBitsToDevice    rclBounds: 1, 1, 2, 2    xDest: 3    yDest: 4    xSrc: 5    ySrc: 6    "
       "cxSrc: 7    cySrc: 8    etc."},
  });
}

TEST(EMFDescription, HeaderAndEndOfFile) {
  Played X(Metafile({}), true);
  EXPECT_EQ(rt::Utf16ToUtf8(X.P.Descriptions[0]),
            "EMR_Header    rclBounds: 0, 0, 100, 100    rclFrame: 0, 0, 2646, 2646    nRecords: 0    "
            "nHandles: 8    Description:     nPalEntries: 0    szlDevice: 1000, 1000    "
            "szlMillimeters: 264, 264    cbPixelFormat: 0    bOpenGL: 0");
  EXPECT_EQ(rt::Utf16ToUtf8(X.P.Descriptions[1]), "EMR_EoF    nPalEntries: 0    offPalEntries: 16    nSizeLast: 20");
  HeaderSpec H;
  H.Size = 88;
  H.Description = std::u16string(u"Ch\0art", 6);
  H.PalEntries = 2;
  Played Y(Header(H) + EoF({1, 0x00FF0000}), true);
  EXPECT_EQ(Y.P.Descriptions[0],
            std::u16string(u"EMR_Header    rclBounds: 0, 0, 100, 100    rclFrame: 0, 0, 2646, 2646    nRecords: 0    "
                           u"nHandles: 8    Description: Ch\0art    nPalEntries: 2    szlDevice: 1000, 1000    "
                           u"szlMillimeters: 264, 264"sv));
  EXPECT_EQ(rt::Utf16ToUtf8(Y.P.Descriptions[1]),
            "EMR_EoF    nPalEntries: 2    offPalEntries: 16    0: 1    1: 16711680    nSizeLast: 28");
}

TEST(EMFDescription, PointLists) {
  CheckAll({
      {"Polyline16", Poly(EMR_POLYLINE16, {{1, 2}, {3, 4}}), "EMR_Polyline16    rclBounds: 0, 0, 0, 0    cpts: 2 (1:2) (3:4)"},
      {"Polygon", Poly(EMR_POLYGON, {{-1, 2}}), "EMR_Polygon    rclBounds: 0, 0, 0, 0    cpts: 1 (-1:2)"},
      {"PolyBezierTo16", Poly(EMR_POLYBEZIERTO16, {{1, -2}, {3, 4}, {5, 6}}),
       "EMR_PolyBezierTo16    rclBounds: 0, 0, 0, 0    cpts: 3 (1:-2) (3:4) (5:6)"},
      {"Polyline without points", Poly(EMR_POLYLINE, {}), "EMR_Polyline    rclBounds: 0, 0, 0, 0    cpts: 0"},
      {"PolyPolygon16", PolyPoly(EMR_POLYPOLYGON16, {{{1, 2}, {3, 4}}, {{5, -6}}}),
       "EMR_PolyPolygon16    rclBounds: 0, 0, 0, 0    nPolys: 2    cpts: 3    Poly: 0 (2) (1:2) (3:4)    Poly: 1 (1) (5:-6)"},
      {"PolyPolyline", PolyPoly(EMR_POLYPOLYLINE, {{{1, 2}}, {}, {{7, 8}}}),
       "EMR_PolyPolyline    rclBounds: 0, 0, 0, 0    nPolys: 3    cpts: 2    Poly: 0 (1) (1:2)    Poly: 1 (0)    "
       "Poly: 2 (1) (7:8)"},
      {"PolyDraw16", PolyDraw(EMR_POLYDRAW16, {{1, 2}, {-3, 4}}, {6, 3}),
       "EMR_PolyDraw    rclBounds: 0, 0, 0, 0    cpts: 2     (1:2 6) (-3:4 3)"},
      {"PolyDraw", PolyDraw(EMR_POLYDRAW, {{100000, 2}}, {2}), "EMR_PolyDraw    rclBounds: 0, 0, 0, 0    cpts: 1     (100000:2 2)"},
  });
}

TEST(EMFDescription, PalettesPensFontsAndRegions) {
  Payload Entries;
  Entries.U32(1).U32(3).U32(2).U32(7).U32(8);
  FontSpec Plain;
  FontSpec Full;
  Full.Size = 368;
  Full.FullName = u"Arial Bold";
  Full.Style = u"Bold";
  const std::string FontItems =
      "EMR_ExtCreateFontIndirectW    ihFont: 3    elfw.elfLogFont.lfHeight: -16    elfw.elfLogFont.lfWidth: 0    "
      "elfw.elfLogFont.lfEscapement: 0    elfw.elfLogFont.lfOrientation: 0    elfw.elfLogFont.lfWeight: 400    "
      "elfw.elfLogFont.lfItalic: 0    elfw.elfLogFont.lfUnderline: 0    elfw.elfLogFont.lfStrikeOut: 0    "
      "elfw.elfLogFont.lfCharSet: 0    elfw.elfLogFont.lfOutPrecision: 0    elfw.elfLogFont.lfClipPrecision: 0    "
      "elfw.elfLogFont.lfQuality: 0    elfw.elfLogFont.lfPitchAndFamily: 0    elfw.elfLogFont.lfFaceName: Arial";
  CheckAll({
      {"CreatePalette", CreatePalette(1, {5, 6}),
       "EMR_CreatePalette    ihPal: 1    lgpl.palVersion: 768    lgpl.palNumEntries: 2    0: 5    1: 6"},
      {"SetPaletteEntries", Record(EMR_SETPALETTEENTRIES, Entries),
       "EMR_SetPaletteEntries    ihPal: 1    iStart: 3    cEntries: 2    0: 7    1: 8"},
      {"ExtCreatePen", ExtCreatePen(2, 0x10100, 8, 0xFF, {3, 4}),
       "EMR_ExtCreatePen    ihPen: 2    offBmi: 0    cbBmi: 0    offBits: 0    cbBits: 0    elp.elpPenStyle: 65792    "
       "elp.elpWidth: 8    elp.elpBrushStyle: 0    elp.elpColor: 255    elp.elpHatch: 0    elp.elpNumEntries: 2    "
       "0: 3    1: 4"},
      {"ExtCreateFontIndirectW", Font(3, Plain), FontItems + "    etc."},
      {"ExtCreateFontIndirectW with names", Font(3, Full),
       FontItems + "    elfw.elfFullName: Arial Bold    elfw.elfStyle: Bold    etc."},
      {"ExtSelectClipRgn", ClipRegion(5, {{0, 0, 10, 10}, {20, 0, 30, 10}}),
       "EMR_ExtSelectClipRgn    cbRgnData: 64    iMode: 5    nCount: 2    0: 0, 0, 10, 10    1: 20, 0, 30, 10"},
      {"ExtSelectClipRgn without data", ClipRegion(1, {}), "EMR_ExtSelectClipRgn    cbRgnData: 0    iMode: 1    "},
  });
}

TEST(EMFDescription, TextRecords) {
  TextSpec S;
  S.Reference = {5, 6};
  S.Dx = {10, 12, 14};
  const std::string Items =
      "rclBounds: 0, 0, 0, 0    iGraphicsMode: 1    exScale: 1    eyScale: 1    emrtext.ptlReference: 5, 6    ";
  // Advances of 36 logical units are 18 device units with the window twice the viewport.
  const std::vector<std::string> Halving = {OneValue(EMR_SETMAPMODE, 8), TwoValues(EMR_SETWINDOWEXTEX, 2, 2)};
  EXPECT_EQ(DescriptionOf(TextOut(EMR_EXTTEXTOUTW, u"abc", S), Halving),
            "EMR_ExtTextOutW    " + Items +
                "emrtext.nChars: 3    emrtext.offString: 76    emrtext.fOptions: 0    emrtext.rcl: 0, 0, 0, 0    "
                "emrtext.offDx: 84    OutputString: abc    Dx: 10 12 14 (36) (18.0)");
  S.Options = ETO_PDY;
  S.Dx = {10, 0, -12, 1};
  EXPECT_EQ(DescriptionOf(TextOut(EMR_EXTTEXTOUTW, u"ab", S)),
            "EMR_ExtTextOutW    " + Items +
                "emrtext.nChars: 2    emrtext.offString: 76    emrtext.fOptions: 8192    emrtext.rcl: 0, 0, 0, 0    "
                "emrtext.offDx: 80    OutputString: ab    Dx: 10 -12 (-2) (1.0)Dy: 0 1");
  S.Options = 0;
  S.Dx = {5, 6};
  EXPECT_EQ(DescriptionOf(TextOut(EMR_EXTTEXTOUTA, u"hi", S)),
            "EMR_ExtTextOutA    " + Items +
                "emrtext.nChars: 2    emrtext.offString: 76    emrtext.fOptions: 0    emrtext.rcl: 0, 0, 0, 0    "
                "emrtext.offDx: 80    OutputString: hi    Dx: 5 6");
  S.Dx = {};
  EXPECT_TRUE(DescriptionOf(TextOut(EMR_EXTTEXTOUTA, u"", S)).ends_with("OutputString:     Dx: "));

  CheckAll({
      {"SmallTextOut with a clip rectangle", SmallTextOut(0, u"Hi"),
       "EMR_SmallTextOut    ptlReference: 5, 6    nChars: 2    fuOptions: 0    iGraphicsMode: 1    exScale: 1    "
       "eyScale: 1    rclClip: 1, 2, 3, 4    OutputString: Hi"},
      {"SmallTextOut of 8-bit characters", SmallTextOut(0x300, u"Hi"),
       "EMR_SmallTextOut    ptlReference: 5, 6    nChars: 2    fuOptions: 768    iGraphicsMode: 1    exScale: 1    "
       "eyScale: 1    OutputString: Hi"},
  });

  Payload Poly;
  Poly.Rect(0, 0, 0, 0).U32(1).F32(1).F32(1).I32(1);
  Poly.Point(1, 2).U32(2).U32(80).U32(0).Rect(0, 0, 0, 0).U32(84);
  Poly.Ansi("ab").Zeros(2).I32(4).I32(4);
  EXPECT_EQ(DescriptionOf(Record(EMR_POLYTEXTOUTA, Poly)),
            "EMR_PolyTextOutA    rclBounds: 0, 0, 0, 0    iGraphicsMode: 1    exScale: 1    eyScale: 1    cStrings: 1    "
            "0:    ptlReference: 1, 2    nChars: 2    offString: 80    fOptions: 0    rcl: 0, 0, 0, 0    offDx: 84    "
            "OutputString: ab    etc.");
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> L) {
  std::vector<std::uint8_t> B;
  for (int V : L) B.push_back(static_cast<std::uint8_t>(V));
  return B;
}

TEST(EMFDescription, CommentsAndDataRecords) {
  CheckAll({
      {"begin group", Comment(Bytes({'G', 'D', 'I', 'C', 2, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0, 3, 0, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0})),
       "EMR_GDIComment    cbData: 28    EMR_COMMENT_PUBLIC EMR_COMMENT_BEGINGROUP rcl: 1, 2, 3, 4 00000000"},
      {"end group", Comment(Bytes({'G', 'D', 'I', 'C', 3, 0, 0, 0})),
       "EMR_GDIComment    cbData: 8    EMR_COMMENT_PUBLIC EMR_COMMENT_ENDGROUP "},
      {"multiformats", Comment(Bytes({'G', 'D', 'I', 'C', 4, 0, 0, 0x40, 0xAB})),
       "EMR_GDIComment    cbData: 9    EMR_COMMENT_PUBLIC EMR_COMMENT_MULTIFORMATS AB"},
      {"windows metafile", Comment(Bytes({'G', 'D', 'I', 'C', 1, 0, 0, 0x80})),
       "EMR_GDIComment    cbData: 8    EMR_COMMENT_PUBLIC EMR_COMMENT_WINDOWS_METAFILE "},
      {"unicode string", Comment(Bytes({'G', 'D', 'I', 'C', 64, 0, 0, 0, 0x41, 0})),
       "EMR_GDIComment    cbData: 10    EMR_COMMENT_PUBLIC EMR_COMMENT_UNICODE_STRING 4100"},
      {"unicode end", Comment(Bytes({'G', 'D', 'I', 'C', 128, 0, 0, 0})),
       "EMR_GDIComment    cbData: 8    EMR_COMMENT_PUBLIC EMR_COMMENT_UNICODE_END "},
      {"other public comment", Comment(Bytes({'G', 'D', 'I', 'C', 5, 0, 0, 0})),
       "EMR_GDIComment    cbData: 8    EMR_COMMENT_PUBLIC EMR_COMMENT_PUBLIC 05000000"},
      {"drawing records of the other format", Comment(Bytes({'E', 'M', 'F', '+', 0xAB, 0xCD})),
       "EMR_GDIComment    cbData: 6    EMR_COMMENT_EMFPLUS  ABCD"},
      {"spool", Comment(Bytes({0, 0, 0, 0, 1})), "EMR_GDIComment    cbData: 5    EMR_COMMENT_EMFSPOOL  01"},
      {"private", Comment(Bytes({'x', 'y'})), "EMR_GDIComment    cbData: 2    EMR_COMMENT 7879"},
      {"empty", Comment({}), "EMR_GDIComment    cbData: 0    EMR_COMMENT "},
      {"GLSRecord", Record(EMR_GLSRECORD, Payload().U32(3).U8(0xAA).U8(0xBB).U8(0xCC).U8(0)),
       "EMR_GLSRecord    cbData: 3    Data:AABBCC"},
      {"GLSBoundedRecord", Record(EMR_GLSBOUNDEDRECORD, Payload().Rect(1, 2, 3, 4).U32(2).U8(1).U8(0xFF).U16(0)),
       "EMR_GLSBoundedRecord    rclBounds: 1, 2, 3, 4    cbData: 2    Data:01FF"},
      {"unknown record", Record(200, Payload().U8(1).U8(2).U8(3).U8(4)),
       "######################### Unknown\r\nType:200 Size:12 Data:C80000000C00000001020304"},
  });
}

TEST(EMFDescription, FragmentBufferDoublesWhenFull) {
  TQuickWideFragment F(4);
  EXPECT_EQ(F.Capacity(), 4);
  F.AddWide(u"abcde");
  EXPECT_EQ(F.Capacity(), 8);
  F.AddWide(u"fghij");
  EXPECT_EQ(F.Capacity(), 16);
  EXPECT_EQ(F.Text(), u"abcdefghij");
  F.CutBy(3);
  EXPECT_EQ(F.Text(), u"abcdefg");
  F.AddWide("%d:%u", -1, 2u);
  EXPECT_EQ(F.Text(), u"abcdefg-1:2");
  F.CutBy(20);
  EXPECT_EQ(F.Text(), u"");
  TQuickWideFragment Tiny(0);
  Tiny.AddWide(u"xyz");
  EXPECT_EQ(Tiny.Text(), u"xyz");
}

TEST(EMFDescription, TextHelpers) {
  struct Helpers : TEMFAbstractExport {
    using TEMFAbstractExport::ByteToHex;
    using TEMFAbstractExport::LongWordsSumText;
    using TEMFAbstractExport::LongWordsText;
    using TEMFAbstractExport::PointText;
    using TEMFAbstractExport::RectText;
  };
  EXPECT_EQ(Helpers::PointText({-1, 2}), u"-1, 2");
  EXPECT_EQ(Helpers::RectText({1, -2, 3, 4}), u"1, -2, 3, 4");
  EXPECT_EQ(Helpers::LongWordsText({}), u"");
  EXPECT_EQ(Helpers::LongWordsText({1, 0xFFFFFFFF, 3}), u"1 -1 3");
  EXPECT_EQ(Helpers::LongWordsSumText({0x7FFFFFFF, 1}), u"-2147483648");
  EXPECT_EQ(Helpers::ByteToHex(0x0F), u"0F");
  EXPECT_EQ(Helpers::ByteToHex(0xA0), u"A0");
  const char16_t Name[4] = {u'a', u'b', 0, u'c'};
  EXPECT_EQ(WideCharsToText(Name, 4), u"ab");
  EXPECT_EQ(WideCharsToText(Name, 1), u"a");
}

} // namespace
