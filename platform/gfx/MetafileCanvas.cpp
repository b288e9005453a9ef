#include "platform/gfx/MetafileCanvas.h"

#include <algorithm>
#include <cstring>

#include "platform/gfx/FontFace.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Picture.h"

namespace gfx {

namespace {

// Record types and values of the metafile format that this writer uses.
enum : std::uint32_t {
  EMR_HEADER = 1, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_EOF = 14, EMR_SETBKMODE = 18,
  EMR_SETPOLYFILLMODE = 19, EMR_SETROP2 = 20, EMR_SETTEXTALIGN = 22, EMR_SETTEXTCOLOR = 24,
  EMR_SETBKCOLOR = 25, EMR_MOVETOEX = 27, EMR_SELECTOBJECT = 37, EMR_CREATEPEN = 38,
  EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42, EMR_RECTANGLE = 43,
  EMR_ROUNDRECT = 44, EMR_LINETO = 54, EMR_EXTSELECTCLIPRGN = 75, EMR_BITBLT = 76,
  EMR_STRETCHDIBITS = 81, EMR_EXTCREATEFONTINDIRECTW = 82, EMR_EXTTEXTOUTW = 84,
  EMR_EXTCREATEPEN = 95, EMR_ALPHABLEND = 114,
};
constexpr std::uint32_t PenIndex = 1, BrushIndex = 2, FontIndex = 3, HandleCount = 4;
constexpr std::uint32_t StockNullBrush = 0x80000005u, StockNullPen = 0x80000008u,
                        StockWhiteBrush = 0x80000000u, StockBlackPen = 0x80000007u,
                        StockSystemFont = 0x8000000Du;
constexpr std::uint32_t SRCCOPY = 0x00CC0020u, PATCOPY = 0x00F00021u;
// Device resolution written into the header: 96 pixels per inch.
constexpr std::int32_t DeviceUnits = 960, DeviceMillimetres = 254;

class TBytes {
public:
  TBytes& U32(std::uint32_t V) { return Raw(&V, 4); }
  TBytes& I32(std::int32_t V) { return Raw(&V, 4); }
  TBytes& U16(std::uint16_t V) { return Raw(&V, 2); }
  TBytes& U8(std::uint8_t V) { return Raw(&V, 1); }
  TBytes& F32(float V) { return Raw(&V, 4); }
  TBytes& Rect(std::int32_t L, std::int32_t T, std::int32_t R, std::int32_t B) {
    return I32(L).I32(T).I32(R).I32(B);
  }
  TBytes& Zeros(std::size_t N) {
    B.insert(B.end(), N, 0);
    return *this;
  }
  TBytes& Raw(const void* P, std::size_t N) {
    const auto* C = static_cast<const std::uint8_t*>(P);
    B.insert(B.end(), C, C + N);
    return *this;
  }
  std::vector<std::uint8_t> B;
};

std::uint32_t ColorRef(TColor C) { return static_cast<std::uint32_t>(ColorToRGB(C)) & 0xFFFFFF; }

std::uint32_t HatchIndex(TBrushStyle S) {
  switch (S) {
    case bsHorizontal: return 0;
    case bsVertical: return 1;
    case bsFDiagonal: return 2;
    case bsBDiagonal: return 3;
    case bsCross: return 4;
    default: return 5;
  }
}

// The bounds of points, for the records that carry them.
TRect Bounds(const std::vector<TPoint>& Points) {
  TRect R{Points[0].X, Points[0].Y, Points[0].X, Points[0].Y};
  for (const TPoint& P : Points) {
    R.Left = std::min(R.Left, P.X);
    R.Top = std::min(R.Top, P.Y);
    R.Right = std::max(R.Right, P.X);
    R.Bottom = std::max(R.Bottom, P.Y);
  }
  return R;
}

} // namespace

TMetafileCanvas::TMetafileCanvas(int Width, int Height)
    : FWidth(std::max(Width, 1)), FHeight(std::max(Height, 1)) {
  // GDI's defaults, written so that a player need not assume them.
  Put(EMR_SETPOLYFILLMODE, TBytes().U32(1).B);
  Put(EMR_SETTEXTALIGN, TBytes().U32(0).B);
}

TMetafileCanvas::~TMetafileCanvas() = default;

void TMetafileCanvas::SetSize(int Width, int Height) {
  FWidth = std::max(Width, 1);
  FHeight = std::max(Height, 1);
}

void TMetafileCanvas::Put(std::uint32_t Type, const std::vector<std::uint8_t>& Payload) {
  TBytes R;
  const std::size_t Padded = (Payload.size() + 3) / 4 * 4;
  R.U32(Type).U32(static_cast<std::uint32_t>(8 + Padded));
  R.Raw(Payload.data(), Payload.size()).Zeros(Padded - Payload.size());
  FRecords.insert(FRecords.end(), R.B.begin(), R.B.end());
  ++FRecordCount;
}

void TMetafileCanvas::SelectPenRecord(const std::vector<std::uint8_t>& CreatePayload, std::uint32_t Type) {
  std::vector<std::uint8_t> Key = CreatePayload;
  Key.push_back(static_cast<std::uint8_t>(Type));
  if (FPenKey == Key) return;
  if (FPenKey) {
    Put(EMR_SELECTOBJECT, TBytes().U32(StockBlackPen).B);
    Put(EMR_DELETEOBJECT, TBytes().U32(PenIndex).B);
  }
  Put(Type, CreatePayload);
  Put(EMR_SELECTOBJECT, TBytes().U32(PenIndex).B);
  FPenKey = std::move(Key);
}

void TMetafileCanvas::UsePen() {
  if (Pen.Style == psClear || Pen.Color == clNone) return UseNullPen();
  const std::uint32_t Style = static_cast<std::uint32_t>(Pen.Style);  // PS_SOLID .. PS_INSIDEFRAME
  SelectPenRecord(TBytes().U32(PenIndex).U32(Style).I32(std::max(Pen.Width, 0)).I32(0)
                      .U32(ColorRef(Pen.Color)).B,
                  EMR_CREATEPEN);
  const int Rop = Pen.Mode == pmXor ? 7 : 13;  // R2_XORPEN, R2_COPYPEN
  if (FRop2 != Rop) {
    Put(EMR_SETROP2, TBytes().U32(static_cast<std::uint32_t>(Rop)).B);
    FRop2 = Rop;
  }
}

void TMetafileCanvas::UseNullPen() {
  const std::vector<std::uint8_t> Key{0xFF};
  if (FPenKey == Key) return;
  Put(EMR_SELECTOBJECT, TBytes().U32(StockNullPen).B);
  if (FPenKey) Put(EMR_DELETEOBJECT, TBytes().U32(PenIndex).B);
  FPenKey = Key;
}

void TMetafileCanvas::UseBrush() {
  if (Brush.Style == bsClear || Brush.Color == clNone) return UseNullBrush();
  const bool Hatched = Brush.Style != bsSolid;
  std::vector<std::uint8_t> P = TBytes().U32(BrushIndex).U32(Hatched ? 2 : 0).U32(ColorRef(Brush.Color))
                                    .U32(Hatched ? HatchIndex(Brush.Style) : 0).B;
  if (FBrushKey != P) {
    if (FBrushKey) {
      Put(EMR_SELECTOBJECT, TBytes().U32(StockWhiteBrush).B);
      Put(EMR_DELETEOBJECT, TBytes().U32(BrushIndex).B);
    }
    Put(EMR_CREATEBRUSHINDIRECT, P);
    Put(EMR_SELECTOBJECT, TBytes().U32(BrushIndex).B);
    FBrushKey = P;
  }
  if (Hatched) {
    const int Mode = BkMode == bkOpaque ? 2 : 1;
    if (FBkMode != Mode) {
      Put(EMR_SETBKMODE, TBytes().U32(static_cast<std::uint32_t>(Mode)).B);
      FBkMode = Mode;
    }
    if (FBkColor != 0xFFFFFFu) {
      Put(EMR_SETBKCOLOR, TBytes().U32(0xFFFFFF).B);
      FBkColor = 0xFFFFFFu;
    }
  }
}

void TMetafileCanvas::UseNullBrush() {
  const std::vector<std::uint8_t> Key{0xFF};
  if (FBrushKey == Key) return;
  Put(EMR_SELECTOBJECT, TBytes().U32(StockNullBrush).B);
  if (FBrushKey) Put(EMR_DELETEOBJECT, TBytes().U32(BrushIndex).B);
  FBrushKey = Key;
}

void TMetafileCanvas::FillRect(const TRect& R) {
  UseBrush();
  TBytes P;
  P.Rect(R.Left, R.Top, R.Right - 1, R.Bottom - 1).I32(R.Left).I32(R.Top).I32(R.Width()).I32(R.Height());
  P.U32(PATCOPY).I32(0).I32(0).F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0);
  P.U32(0).U32(0).U32(0).U32(0);
  Put(EMR_BITBLT, P.B);
}

void TMetafileCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  UsePen();
  UseBrush();
  Put(EMR_RECTANGLE, TBytes().Rect(X1, Y1, X2, Y2).B);
}

void TMetafileCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  UsePen();
  UseBrush();
  Put(EMR_ELLIPSE, TBytes().Rect(X1, Y1, X2, Y2).B);
}

void TMetafileCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int W, int H) {
  UsePen();
  UseBrush();
  Put(EMR_ROUNDRECT, TBytes().Rect(X1, Y1, X2, Y2).I32(W).I32(H).B);
}

void TMetafileCanvas::Polygon(const std::vector<TPoint>& Points) {
  if (Points.empty()) return;
  UsePen();
  UseBrush();
  const TRect B = Bounds(Points);
  TBytes P;
  P.Rect(B.Left, B.Top, B.Right, B.Bottom).U32(static_cast<std::uint32_t>(Points.size()));
  for (const TPoint& Pt : Points) P.I32(Pt.X).I32(Pt.Y);
  Put(EMR_POLYGON, P.B);
}

void TMetafileCanvas::Polyline(const std::vector<TPoint>& Points) {
  if (Points.size() < 2) return;
  UsePen();
  const TRect B = Bounds(Points);
  TBytes P;
  P.Rect(B.Left, B.Top, B.Right, B.Bottom).U32(static_cast<std::uint32_t>(Points.size()));
  for (const TPoint& Pt : Points) P.I32(Pt.X).I32(Pt.Y);
  Put(EMR_POLYLINE, P.B);
}

void TMetafileCanvas::DrawLine(int X1, int Y1, int X2, int Y2) {
  UsePen();
  Put(EMR_MOVETOEX, TBytes().I32(X1).I32(Y1).B);
  Put(EMR_LINETO, TBytes().I32(X2).I32(Y2).B);
}

bool TMetafileCanvas::GeometricLine(int X1, int Y1, int X2, int Y2, const TGeometricPen& GPen) {
  // PS_GEOMETRIC with the end cap, and PS_USERSTYLE with the dashes when there are any.
  std::uint32_t Style = 0x10000u;
  Style |= GPen.EndCap == pecRound ? 0x000u : GPen.EndCap == pecSquare ? 0x100u : 0x200u;
  if (!GPen.Dashes.empty()) Style |= 7;
  TBytes P;
  P.U32(PenIndex).U32(0).U32(0).U32(0).U32(0);
  P.U32(Style).U32(static_cast<std::uint32_t>(std::max(GPen.Width, 1))).U32(0).U32(ColorRef(GPen.Color)).U32(0);
  P.U32(static_cast<std::uint32_t>(GPen.Dashes.size()));
  for (int D : GPen.Dashes) P.U32(static_cast<std::uint32_t>(std::max(D, 0)));
  SelectPenRecord(P.B, EMR_EXTCREATEPEN);
  Put(EMR_MOVETOEX, TBytes().I32(X1).I32(Y1).B);
  Put(EMR_LINETO, TBytes().I32(X2).I32(Y2).B);
  MoveTo(X2, Y2);
  return true;
}

void TMetafileCanvas::UseText() {
  const std::uint32_t Color = ColorRef(Font.Color());
  if (FTextColor != Color) {
    Put(EMR_SETTEXTCOLOR, TBytes().U32(Color).B);
    FTextColor = Color;
  }
  if (FBkMode != 1) {
    Put(EMR_SETBKMODE, TBytes().U32(1).B);
    FBkMode = 1;
  }
}

void TMetafileCanvas::ExtTextOut(const TTextOut& T) {
  if (T.Text.empty() || FRecords.size() > MaxBytes) return;
  UseText();
  const int Em = T.FontHeight > 0 ? T.FontHeight : std::max(1, std::abs(Font.Height()));
  // The font of this output: em height, escapement and orientation as the call gives them.
  TBytes F;
  F.U32(FontIndex).I32(-Em).I32(0).I32(T.Escapement).I32(T.Escapement);
  F.I32(HasStyle(Font.Style(), fsBold) ? 700 : 400);
  F.U8(HasStyle(Font.Style(), fsItalic)).U8(HasStyle(Font.Style(), fsUnderline)).U8(HasStyle(Font.Style(), fsStrikeOut));
  F.U8(static_cast<std::uint8_t>(Font.Charset())).U8(0).U8(0).U8(0).U8(0);
  std::u16string Face;
  for (unsigned char C : Font.Name()) Face.push_back(C);
  Face.resize(31);
  Face.resize(32, u'\0');
  F.Raw(Face.data(), 64);
  if (FFontKey != F.B) {
    if (FFontKey) {
      Put(EMR_SELECTOBJECT, TBytes().U32(StockSystemFont).B);
      Put(EMR_DELETEOBJECT, TBytes().U32(FontIndex).B);
    }
    Put(EMR_EXTCREATEFONTINDIRECTW, F.B);
    Put(EMR_SELECTOBJECT, TBytes().U32(FontIndex).B);
    FFontKey = F.B;
  }
  std::vector<int> Dx = T.Dx;
  if (Dx.size() != T.Text.size()) {
    Dx.assign(T.Text.size(), 0);
    const TFontFace* FaceObj =
        FindFace(Font.Name(), HasStyle(Font.Style(), fsBold), HasStyle(Font.Style(), fsItalic));
    if (FaceObj != nullptr) TSizedFont::Get(FaceObj, Em)->Advances(T.Text, Dx.data());
  }
  const std::uint32_t N = static_cast<std::uint32_t>(T.Text.size());
  const std::uint32_t OffString = 76;
  const std::uint32_t OffDx = (OffString + 2 * N + 3) / 4 * 4;
  std::uint32_t Options = static_cast<std::uint32_t>(T.Options) & (4u | 128u);
  TRect Clip{0, 0, 0, 0};
  if ((Options & 4) && T.Clip) Clip = *T.Clip;
  else Options &= ~4u;
  int Width = 0;
  for (int D : Dx) Width += D;
  TBytes P;
  P.Rect(T.X, T.Y, T.X + Width, T.Y + Em).U32(1).F32(0).F32(0);
  P.I32(T.X).I32(T.Y).U32(N).U32(OffString).U32(Options);
  P.Rect(Clip.Left, Clip.Top, Clip.Right, Clip.Bottom).U32(OffDx);
  P.Raw(T.Text.data(), 2 * N).Zeros(OffDx - OffString - 2 * N);
  for (int D : Dx) P.I32(D);
  Put(EMR_EXTTEXTOUTW, P.B);
}

void TMetafileCanvas::StretchDraw(const TRect& Dest, const TBitmap& Bitmap, TColor TransparentColor, bool Smooth) {
  (void)Smooth;
  const int W = Bitmap.Width(), H = Bitmap.Height();
  if (W <= 0 || H <= 0 || FRecords.size() > MaxBytes) return;
  bool Alpha = TransparentColor != clNone;
  const TColor Key = ColorToRGB(TransparentColor) & 0xFFFFFF;
  for (int Y = 0; Y < H && !Alpha; ++Y) {
    const std::uint32_t* Row = Bitmap.ScanLine(Y);
    for (int X = 0; X < W && !Alpha; ++X) Alpha = (Row[X] >> 24) != 0xFF;
  }
  // A 32-bit bitmap with premultiplied alpha for an alpha blend, 24 bits otherwise; rows from
  // the bottom, as the format stores them.
  const int Bits = Alpha ? 32 : 24;
  const std::size_t Stride = (static_cast<std::size_t>(W) * Bits + 31) / 32 * 4;
  TBytes Dib;
  Dib.U32(40).I32(W).I32(H).U16(1).U16(static_cast<std::uint16_t>(Bits)).U32(0)
      .U32(static_cast<std::uint32_t>(Stride * H)).I32(3780).I32(3780).U32(0).U32(0);
  Dib.B.reserve(40 + Stride * H);
  for (int Y = H - 1; Y >= 0; --Y) {
    const std::uint32_t* Row = Bitmap.ScanLine(Y);
    std::size_t Written = 0;
    for (int X = 0; X < W; ++X) {
      std::uint32_t Px = Row[X];
      const std::uint32_t Rgb = ((Px & 0xFF) << 16) | (Px & 0xFF00) | ((Px >> 16) & 0xFF);  // as a TColor
      if (TransparentColor != clNone && (Px >> 24) == 0xFF && Rgb == static_cast<std::uint32_t>(Key)) Px = 0;
      Dib.U8(static_cast<std::uint8_t>(Px)).U8(static_cast<std::uint8_t>(Px >> 8)).U8(static_cast<std::uint8_t>(Px >> 16));
      if (Alpha) Dib.U8(static_cast<std::uint8_t>(Px >> 24));
      Written += Alpha ? 4 : 3;
    }
    Dib.Zeros(Stride - Written);
  }
  const std::uint32_t CbBits = static_cast<std::uint32_t>(Stride * H);
  TBytes P;
  if (!Alpha) {
    P.Rect(Dest.Left, Dest.Top, Dest.Right - 1, Dest.Bottom - 1).I32(Dest.Left).I32(Dest.Top);
    P.I32(0).I32(0).I32(W).I32(H).U32(80).U32(40).U32(120).U32(CbBits).U32(0).U32(SRCCOPY);
    P.I32(Dest.Width()).I32(Dest.Height());
    P.Raw(Dib.B.data(), Dib.B.size());
    Put(EMR_STRETCHDIBITS, P.B);
    return;
  }
  // BLENDFUNCTION: AC_SRC_OVER, no flags, constant alpha 255, per-pixel alpha.
  P.Rect(Dest.Left, Dest.Top, Dest.Right - 1, Dest.Bottom - 1).I32(Dest.Left).I32(Dest.Top);
  P.I32(Dest.Width()).I32(Dest.Height()).U32(0x01FF0000u).I32(0).I32(0);
  P.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0);
  P.U32(108).U32(40).U32(148).U32(CbBits).I32(W).I32(H);
  P.Raw(Dib.B.data(), Dib.B.size());
  Put(EMR_ALPHABLEND, P.B);
}

void TMetafileCanvas::SetClipRect(const std::optional<TRect>& Value) {
  TCanvas::SetClipRect(Value);
  TBytes P;
  if (!Value) {
    Put(EMR_EXTSELECTCLIPRGN, P.U32(0).U32(5).B);  // RGN_COPY of no region: no clipping
    return;
  }
  const TRect& R = *Value;
  P.U32(48).U32(5);
  P.U32(32).U32(1).U32(1).U32(16).Rect(R.Left, R.Top, R.Right, R.Bottom);
  P.Rect(R.Left, R.Top, R.Right, R.Bottom);
  Put(EMR_EXTSELECTCLIPRGN, P.B);
}

std::string TMetafileCanvas::Bytes() const {
  TBytes Eof;
  Eof.U32(EMR_EOF).U32(20).U32(0).U32(16).U32(20);
  const std::uint32_t Total = static_cast<std::uint32_t>(108 + FRecords.size() + Eof.B.size());
  TBytes H;
  H.U32(EMR_HEADER).U32(108);
  H.Rect(0, 0, FWidth - 1, FHeight - 1);
  // The frame in hundredths of a millimetre: the canvas size at 96 pixels per inch.
  H.Rect(0, 0, (FWidth * 2540 + 48) / 96, (FHeight * 2540 + 48) / 96);
  H.U32(0x464D4520).U32(0x10000).U32(Total).U32(FRecordCount + 2);
  H.U16(static_cast<std::uint16_t>(HandleCount)).U16(0).U32(0).U32(0).U32(0);
  H.I32(DeviceUnits).I32(DeviceUnits).I32(DeviceMillimetres).I32(DeviceMillimetres);
  H.U32(0).U32(0).U32(0).I32(DeviceMillimetres * 1000).I32(DeviceMillimetres * 1000);
  std::string S(H.B.begin(), H.B.end());
  S.append(FRecords.begin(), FRecords.end());
  S.append(Eof.B.begin(), Eof.B.end());
  return S;
}

std::unique_ptr<TMetafile> TMetafileCanvas::Metafile() const {
  auto M = std::make_unique<TMetafile>();
  M->LoadFromBytes(Bytes());
  M->SetSize(FWidth, FHeight);
  return M;
}

} // namespace gfx
