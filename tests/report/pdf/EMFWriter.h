#pragma once
// Builds enhanced-metafile byte streams for the tests: records with correct sizes, offsets and
// little-endian fields, and a small player that exposes what the tests look at.
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/rt/Classes.h"
#include "report/pdf/repEMFAbstractExport.h"

namespace emftest {

// Bytes of a record after its 8-byte header.
class Payload {
public:
  Payload& U32(std::uint32_t V) { return Raw(&V, 4); }
  Payload& I32(std::int32_t V) { return Raw(&V, 4); }
  Payload& U16(std::uint16_t V) { return Raw(&V, 2); }
  Payload& I16(std::int16_t V) { return Raw(&V, 2); }
  Payload& U8(std::uint8_t V) { return Raw(&V, 1); }
  Payload& F32(float V) { return Raw(&V, 4); }
  Payload& Rect(std::int32_t L, std::int32_t T, std::int32_t R, std::int32_t B) {
    return I32(L).I32(T).I32(R).I32(B);
  }
  Payload& Point(std::int32_t X, std::int32_t Y) { return I32(X).I32(Y); }
  Payload& Wide(const std::u16string& S) { return Raw(S.data(), 2 * S.size()); }
  Payload& Ansi(const std::string& S) { return Raw(S.data(), S.size()); }
  Payload& Zeros(std::size_t N) {
    B.insert(B.end(), N, 0);
    return *this;
  }
  Payload& Align4() { return Zeros((4 - B.size() % 4) % 4); }
  Payload& Raw(const void* P, std::size_t N) {
    const auto* C = static_cast<const std::uint8_t*>(P);
    B.insert(B.end(), C, C + N);
    return *this;
  }
  // Offset from the record start of the next byte appended.
  std::uint32_t Offset() const { return static_cast<std::uint32_t>(8 + B.size()); }
  std::vector<std::uint8_t> B;
};

// A whole record: type, size (header included) and payload.
inline std::string Record(std::uint32_t Type, const Payload& P) {
  Payload R;
  R.U32(Type).U32(static_cast<std::uint32_t>(8 + P.B.size()));
  R.Raw(P.B.data(), P.B.size());
  return std::string(R.B.begin(), R.B.end());
}

// A record whose size field says Size whatever its bytes are.
inline std::string RecordWithSize(std::uint32_t Type, std::uint32_t Size, const Payload& P) {
  std::string R = Record(Type, P);
  std::memcpy(R.data() + 4, &Size, 4);
  return R;
}

struct HeaderSpec {
  TRect Bounds{0, 0, 100, 100};
  TRect Frame{0, 0, 2646, 2646};  // 0.01 mm
  std::uint16_t Handles = 8;
  std::uint32_t PalEntries = 0;
  TSize Device{1000, 1000};
  TSize Millimeters{264, 264};
  std::u16string Description;
  std::uint32_t Records = 0;
  std::uint32_t Size = 108;  // 88, 100 or 108
};

inline std::string Header(const HeaderSpec& H = HeaderSpec()) {
  Payload P;
  P.Rect(H.Bounds.Left, H.Bounds.Top, H.Bounds.Right, H.Bounds.Bottom)
      .Rect(H.Frame.Left, H.Frame.Top, H.Frame.Right, H.Frame.Bottom)
      .U32(0x464D4520)  // " EMF"
      .U32(0x10000)
      .U32(0)  // nBytes
      .U32(H.Records)
      .U16(H.Handles)
      .U16(0)
      .U32(static_cast<std::uint32_t>(H.Description.size()))
      .U32(H.Description.empty() ? 0 : H.Size)
      .U32(H.PalEntries)
      .I32(H.Device.cx)
      .I32(H.Device.cy)
      .I32(H.Millimeters.cx)
      .I32(H.Millimeters.cy);
  if (H.Size >= 100) P.U32(0).U32(0).U32(0);
  if (H.Size >= 108) P.I32(H.Millimeters.cx * 1000).I32(H.Millimeters.cy * 1000);
  P.Wide(H.Description).Align4();
  return Record(EMR_HEADER, P);
}

inline std::string EoF(const std::vector<std::uint32_t>& Palette = {}) {
  Payload P;
  P.U32(static_cast<std::uint32_t>(Palette.size())).U32(16);
  for (std::uint32_t E : Palette) P.U32(E);
  P.U32(static_cast<std::uint32_t>(20 + 4 * Palette.size()));
  return Record(EMR_EOF, P);
}

inline std::string OneValue(std::uint32_t Type, std::uint32_t V) { return Record(Type, Payload().U32(V)); }
inline std::string HeaderOnly(std::uint32_t Type) { return Record(Type, Payload()); }
inline std::string TwoValues(std::uint32_t Type, std::int32_t A, std::int32_t B) {
  return Record(Type, Payload().I32(A).I32(B));
}
inline std::string RectRecord(std::uint32_t Type, std::int32_t L, std::int32_t T, std::int32_t R,
                              std::int32_t B) {
  return Record(Type, Payload().Rect(L, T, R, B));
}

inline std::string XFormRecord(std::uint32_t Type, const tagXFORM& X, std::int32_t Mode = -1) {
  Payload P;
  P.F32(X.eM11).F32(X.eM12).F32(X.eM21).F32(X.eM22).F32(X.eDx).F32(X.eDy);
  if (Mode >= 0) P.U32(static_cast<std::uint32_t>(Mode));
  return Record(Type, P);
}

inline std::string ScaleRecord(std::uint32_t Type, std::int32_t XNum, std::int32_t XDenom,
                               std::int32_t YNum, std::int32_t YDenom) {
  return Record(Type, Payload().I32(XNum).I32(XDenom).I32(YNum).I32(YDenom));
}

inline std::string CreatePen(std::uint32_t Index, std::uint32_t Style, std::int32_t Width,
                             std::uint32_t Color) {
  return Record(EMR_CREATEPEN, Payload().U32(Index).U32(Style).I32(Width).I32(0).U32(Color));
}

inline std::string ExtCreatePen(std::uint32_t Index, std::uint32_t Style, std::uint32_t Width,
                                std::uint32_t Color, const std::vector<std::uint32_t>& Entries = {}) {
  Payload P;
  P.U32(Index).U32(0).U32(0).U32(0).U32(0);
  P.U32(Style).U32(Width).U32(0).U32(Color).U32(0).U32(static_cast<std::uint32_t>(Entries.size()));
  for (std::uint32_t E : Entries) P.U32(E);
  return Record(EMR_EXTCREATEPEN, P);
}

inline std::string CreateBrush(std::uint32_t Index, std::uint32_t Style, std::uint32_t Color,
                               std::uint32_t Hatch = 0) {
  return Record(EMR_CREATEBRUSHINDIRECT, Payload().U32(Index).U32(Style).U32(Color).U32(Hatch));
}

struct FontSpec {
  std::int32_t Height = -16;
  std::int32_t Weight = 400;
  std::int32_t Escapement = 0;
  std::uint8_t Italic = 0, Underline = 0, StrikeOut = 0, CharSet = 0;
  std::u16string Face = u"Arial";
  std::uint32_t Size = 332;  // 104 (logical font only), 332 or 368
  std::u16string FullName, Style;
};

inline std::string Font(std::uint32_t Index, const FontSpec& F = FontSpec()) {
  Payload P;
  P.U32(Index).I32(F.Height).I32(0).I32(F.Escapement).I32(0).I32(F.Weight);
  P.U8(F.Italic).U8(F.Underline).U8(F.StrikeOut).U8(F.CharSet).U8(0).U8(0).U8(0).U8(0);
  std::u16string Face = F.Face;
  Face.resize(32, u'\0');
  P.Wide(Face);
  if (F.Size > 104) {
    std::u16string Full = F.FullName, Style = F.Style;
    Full.resize(64, u'\0');
    Style.resize(32, u'\0');
    P.Wide(Full).Wide(Style);
    P.Zeros(F.Size - P.Offset());
  }
  return Record(EMR_EXTCREATEFONTINDIRECTW, P);
}

// A palette record (CreatePalette) with the given 32-bit entries.
inline std::string CreatePalette(std::uint32_t Index, const std::vector<std::uint32_t>& Entries) {
  Payload P;
  P.U32(Index).U16(0x300).U16(static_cast<std::uint16_t>(Entries.size()));
  for (std::uint32_t E : Entries) P.U32(E);
  return Record(EMR_CREATEPALETTE, P);
}

inline std::string CreateColorSpace(std::uint32_t Index) {
  Payload P;
  P.U32(Index).U32(0x50534F43).U32(0x400).U32(328).I32(0).I32(4);
  P.Zeros(340 - P.Offset());
  return Record(EMR_CREATECOLORSPACE, P);
}

inline std::string ClipRegion(std::uint32_t Mode, const std::vector<TRect>& Rects) {
  Payload P;
  if (Rects.empty()) return Record(EMR_EXTSELECTCLIPRGN, P.U32(0).U32(Mode));
  P.U32(static_cast<std::uint32_t>(32 + 16 * Rects.size())).U32(Mode);
  P.U32(32).U32(1).U32(static_cast<std::uint32_t>(Rects.size())).U32(static_cast<std::uint32_t>(16 * Rects.size()));
  P.Rect(0, 0, 0, 0);  // bounds, not read
  for (const TRect& R : Rects) P.Rect(R.Left, R.Top, R.Right, R.Bottom);
  return Record(EMR_EXTSELECTCLIPRGN, P);
}

inline std::string Poly(std::uint32_t Type, const std::vector<TPoint>& Points) {
  Payload P;
  P.Rect(0, 0, 0, 0).U32(static_cast<std::uint32_t>(Points.size()));
  const bool Small = Type >= EMR_POLYBEZIER16;
  for (const TPoint& Pt : Points) {
    if (Small)
      P.I16(static_cast<std::int16_t>(Pt.X)).I16(static_cast<std::int16_t>(Pt.Y));
    else
      P.Point(Pt.X, Pt.Y);
  }
  return Record(Type, P);
}

inline std::string PolyPoly(std::uint32_t Type, const std::vector<std::vector<TPoint>>& Polys) {
  const bool Small = Type == EMR_POLYPOLYGON16 || Type == EMR_POLYPOLYLINE16;
  Payload P;
  std::uint32_t Total = 0;
  for (const auto& Poly : Polys) Total += static_cast<std::uint32_t>(Poly.size());
  P.Rect(0, 0, 0, 0).U32(static_cast<std::uint32_t>(Polys.size())).U32(Total);
  for (const auto& Poly : Polys) P.U32(static_cast<std::uint32_t>(Poly.size()));
  for (const auto& Poly : Polys)
    for (const TPoint& Pt : Poly) {
      if (Small)
        P.I16(static_cast<std::int16_t>(Pt.X)).I16(static_cast<std::int16_t>(Pt.Y));
      else
        P.Point(Pt.X, Pt.Y);
    }
  return Record(Type, P);
}

inline std::string PolyDraw(std::uint32_t Type, const std::vector<TPoint>& Points,
                            const std::vector<std::uint8_t>& Types) {
  Payload P;
  P.Rect(0, 0, 0, 0).U32(static_cast<std::uint32_t>(Points.size()));
  for (const TPoint& Pt : Points) {
    if (Type == EMR_POLYDRAW16)
      P.I16(static_cast<std::int16_t>(Pt.X)).I16(static_cast<std::int16_t>(Pt.Y));
    else
      P.Point(Pt.X, Pt.Y);
  }
  for (std::uint8_t T : Types) P.U8(T);
  P.Align4();
  return Record(Type, P);
}

struct TextSpec {
  TPoint Reference{0, 0};
  std::uint32_t Options = 0;
  TRect Clip{0, 0, 0, 0};
  TRect Bounds{0, 0, 0, 0};
  std::vector<std::int32_t> Dx;  // as stored: pairs when Options has ETO_PDY
  float XScale = 1, YScale = 1;
};

// ExtTextOutW (Wide) or ExtTextOutA with the text after the fixed part and then the advances.
inline std::string TextOut(std::uint32_t Type, const std::u16string& Text, const TextSpec& S) {
  const bool W = Type == EMR_EXTTEXTOUTW;
  const std::size_t Chars = Text.size();
  const std::uint32_t OffString = 76;
  std::uint32_t OffDx = OffString + static_cast<std::uint32_t>(W ? 2 * Chars : Chars);
  OffDx = (OffDx + 3) / 4 * 4;
  Payload P;
  P.Rect(S.Bounds.Left, S.Bounds.Top, S.Bounds.Right, S.Bounds.Bottom).U32(1).F32(S.XScale).F32(S.YScale);
  P.Point(S.Reference.X, S.Reference.Y).U32(static_cast<std::uint32_t>(Chars)).U32(OffString).U32(S.Options);
  P.Rect(S.Clip.Left, S.Clip.Top, S.Clip.Right, S.Clip.Bottom).U32(OffDx);
  if (W) {
    P.Wide(Text);
  } else {
    for (char16_t C : Text) P.U8(static_cast<std::uint8_t>(C));
  }
  P.Align4();
  for (std::int32_t D : S.Dx) P.I32(D);
  return Record(Type, P);
}

inline std::string SmallTextOut(std::uint32_t Options, const std::u16string& Text) {
  Payload P;
  P.Point(5, 6).U32(static_cast<std::uint32_t>(Text.size())).U32(Options).U32(1).F32(1).F32(1);
  if (!(Options & ETO_NO_RECT)) P.Rect(1, 2, 3, 4);
  if (Options & ETO_SMALL_CHARS) {
    for (char16_t C : Text) P.U8(static_cast<std::uint8_t>(C));
  } else {
    P.Wide(Text);
  }
  P.Align4();
  return Record(EMR_SMALLTEXTOUT, P);
}

// A packed device-independent bitmap: 40-byte header, colour table, rows bottom-up unless
// TopDown, each padded to 4 bytes. Rows are given top to bottom.
inline std::vector<std::uint8_t> DIB(int Width, int Height, int BitCount,
                                     const std::vector<std::vector<std::uint8_t>>& RowsTopDown,
                                     const std::vector<std::uint32_t>& Colors = {}, bool TopDown = false,
                                     std::uint32_t Compression = 0,
                                     const std::vector<std::uint32_t>& Masks = {}) {
  Payload P;
  P.U32(40).I32(Width).I32(TopDown ? -Height : Height).U16(1).U16(static_cast<std::uint16_t>(BitCount));
  P.U32(Compression).U32(0).I32(0).I32(0).U32(static_cast<std::uint32_t>(Colors.size())).U32(0);
  for (std::uint32_t M : Masks) P.U32(M);
  for (std::uint32_t C : Colors) P.U32(C);
  const std::size_t Stride = (static_cast<std::size_t>(Width) * BitCount + 31) / 32 * 4;
  for (int I = 0; I < Height; ++I) {
    const auto& Row = RowsTopDown[TopDown ? I : Height - 1 - I];
    std::vector<std::uint8_t> R = Row;
    R.resize(Stride, 0);
    P.Raw(R.data(), R.size());
  }
  return P.B;
}

// A bit-block record of the BitBlt layout (BitBlt, StretchBlt, AlphaBlend, TransparentBlt) with
// the bitmap right after the fixed part.
inline std::string BitBltLike(std::uint32_t Type, const std::vector<std::uint8_t>& Dib,
                              std::uint32_t Rop, std::uint32_t HeaderBytes = 40) {
  const std::uint32_t Fixed = Type == EMR_BITBLT ? 100 : 108;
  Payload P;
  P.Rect(1, 2, 3, 4).I32(10).I32(20).I32(30).I32(40).U32(Rop).I32(0).I32(0);
  P.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(0).U32(0);
  P.U32(Dib.empty() ? 0 : Fixed).U32(Dib.empty() ? 0 : HeaderBytes);
  P.U32(Dib.empty() ? 0 : Fixed + HeaderBytes).U32(Dib.empty() ? 0 : static_cast<std::uint32_t>(Dib.size()) - HeaderBytes);
  if (Fixed == 108) P.I32(1).I32(1);
  P.Raw(Dib.data(), Dib.size());
  P.Align4();
  return Record(Type, P);
}

inline std::string StretchDIBits(const std::vector<std::uint8_t>& Dib, std::uint32_t Rop = 0xCC0020) {
  Payload P;
  P.Rect(1, 2, 3, 4).I32(10).I32(20).I32(0).I32(0).I32(2).I32(2);
  P.U32(80).U32(40).U32(120).U32(static_cast<std::uint32_t>(Dib.size()) - 40).U32(0).U32(Rop).I32(30).I32(40);
  P.Raw(Dib.data(), Dib.size());
  P.Align4();
  return Record(EMR_STRETCHDIBITS, P);
}

inline std::string Comment(const std::vector<std::uint8_t>& Data) {
  Payload P;
  P.U32(static_cast<std::uint32_t>(Data.size())).Raw(Data.data(), Data.size()).Align4();
  return Record(EMR_GDICOMMENT, P);
}

// A metafile: header, the records, end-of-file.
inline std::string Metafile(std::initializer_list<std::string> Records, const HeaderSpec& H = HeaderSpec()) {
  std::string S = Header(H);
  for (const std::string& R : Records) S += R;
  return S + EoF();
}

inline void Fill(rt::TMemoryStream& M, const std::string& Bytes) {
  M.Clear();
  M.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  M.SetPosition(0);
}

// A view of one record built from its bytes.
template <class TView> std::unique_ptr<TView> View(const std::string& Bytes) {
  rt::TMemoryStream M;
  Fill(M, Bytes);
  return std::make_unique<TView>(M, static_cast<int>(Bytes.size()));
}

// A player that logs its handler calls and keeps the description of every record.
class Player : public TEMFAbstractExport {
public:
  explicit Player(rt::TStream& In) : TEMFAbstractExport(&In, nullptr) {}

  std::vector<std::string> Calls;
  std::vector<std::u16string> Descriptions;

  using TEMFAbstractExport::ApplyWorldTransform;
  using TEMFAbstractExport::DC;
  using TEMFAbstractExport::FDCList;
  using TEMFAbstractExport::FEMRLastCreated;
  using TEMFAbstractExport::FEMRList;
  using TEMFAbstractExport::FLastRecord;
  using TEMFAbstractExport::LastRecordData;
  using TEMFAbstractExport::LogToDevPoint;
  using TEMFAbstractExport::LogToDevSize;
  using TEMFAbstractExport::LogToDevSizeX;
  using TEMFAbstractExport::LogToDevSizeY;
  using TEMFAbstractExport::LogToDevX;
  using TEMFAbstractExport::LogToDevXY;
  using TEMFAbstractExport::LogToDevY;

protected:
  void Comment(const std::u16string& Text) override {
    Calls.push_back("Comment");
    if (Text.empty()) Descriptions.push_back(Parsing());
  }
  void BeforePlay() override { Calls.push_back("BeforePlay"); }
  void AfterPlay() override { Calls.push_back("AfterPlay"); }
  void DoHeader() override {
    Calls.push_back("DoHeader");
    TEMFAbstractExport::DoHeader();
  }
  void DoEoF() override {
    Calls.push_back("DoEoF");
    TEMFAbstractExport::DoEoF();
  }
  void DoUnknown() override {
    Calls.push_back("DoUnknown");
    TEMFAbstractExport::DoUnknown();
  }
  void DoLineTo() override {
    // The position before the record is what a back end draws from.
    Calls.push_back("DoLineTo from " + std::to_string(DC().PositionCurrent().X) + "," +
                    std::to_string(DC().PositionCurrent().Y));
    TEMFAbstractExport::DoLineTo();
  }
};

// Plays Bytes through a fresh player; the player lives as long as the returned object.
struct Played {
  explicit Played(const std::string& Bytes, bool ShowComments = false) : P((Fill(Stream, Bytes), Stream)) {
    P.ShowComments = ShowComments;
    P.PlayMetaFile();
  }
  rt::TMemoryStream Stream;
  Player P;
};

// Calls without the Comment entries.
inline std::vector<std::string> Handlers(const Player& P) {
  std::vector<std::string> H;
  for (const std::string& C : P.Calls)
    if (C != "Comment") H.push_back(C);
  return H;
}

} // namespace emftest
