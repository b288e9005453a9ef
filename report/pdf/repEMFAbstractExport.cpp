#include "report/pdf/repEMFAbstractExport.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <limits>
#include <numbers>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"

// =============================================================================================
// Clip regions

namespace {

// Regions grow with every combination; a metafile that builds a region beyond this many spans
// is refused rather than letting the play crawl.
constexpr std::size_t MaxRegionSpans = 1000000;
// Work allowed to merge the rectangles of one region record.
constexpr std::size_t MaxRegionWork = 2000000;

[[noreturn]] void RegionTooComplex() { throw EEMFError("Metafile clip region is too complex"); }

std::int32_t ClampToInt32(std::int64_t V) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      V, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool Member(TEMFRegion::TCombineMode Mode, bool InA, bool InB) {
  switch (Mode) {
    case TEMFRegion::rmAnd: return InA && InB;
    case TEMFRegion::rmOr: return InA || InB;
    case TEMFRegion::rmXor: return InA != InB;
    case TEMFRegion::rmDiff: return InA && !InB;
    case TEMFRegion::rmCopy: return InB;
  }
  return false;
}

using TSpanList = std::vector<std::pair<std::int32_t, std::int32_t>>;

// Spans of one band combined; both inputs are sorted and disjoint, and so is the result.
TSpanList CombineSpans(const TSpanList& A, const TSpanList& B, TEMFRegion::TCombineMode Mode) {
  std::vector<std::int32_t> Xs;
  Xs.reserve(2 * (A.size() + B.size()));
  for (const auto& S : A) Xs.insert(Xs.end(), {S.first, S.second});
  for (const auto& S : B) Xs.insert(Xs.end(), {S.first, S.second});
  std::sort(Xs.begin(), Xs.end());
  Xs.erase(std::unique(Xs.begin(), Xs.end()), Xs.end());
  TSpanList Out;
  std::size_t IA = 0, IB = 0;
  for (std::size_t I = 0; I + 1 < Xs.size(); ++I) {
    const std::int32_t X = Xs[I];
    while (IA < A.size() && A[IA].second <= X) ++IA;
    while (IB < B.size() && B[IB].second <= X) ++IB;
    const bool InA = IA < A.size() && A[IA].first <= X;
    const bool InB = IB < B.size() && B[IB].first <= X;
    if (!Member(Mode, InA, InB)) continue;
    if (!Out.empty() && Out.back().second == X)
      Out.back().second = Xs[I + 1];
    else
      Out.emplace_back(X, Xs[I + 1]);
  }
  return Out;
}

TRect Normalized(const TRect& R) {
  return TRect{std::min(R.Left, R.Right), std::min(R.Top, R.Bottom), std::max(R.Left, R.Right),
               std::max(R.Top, R.Bottom)};
}

} // namespace

void TEMFRegion::AddBand(std::int32_t Top, std::int32_t Bottom, TSpans&& Spans) {
  if (Spans.empty() || Top >= Bottom) return;
  if (!FBands.empty() && FBands.back().Bottom == Top && FBands.back().Spans == Spans) {
    FBands.back().Bottom = Bottom;
    return;
  }
  FBands.push_back(TBand{Top, Bottom, std::move(Spans)});
}

TEMFRegion TEMFRegion::FromRect(const TRect& R) {
  const TRect N = Normalized(R);
  TEMFRegion Rgn;
  if (N.Left < N.Right && N.Top < N.Bottom) Rgn.AddBand(N.Top, N.Bottom, TSpans{{N.Left, N.Right}});
  return Rgn;
}

TEMFRegion TEMFRegion::FromRects(const std::vector<TRect>& Rects) {
  std::vector<TRect> Rs;
  Rs.reserve(Rects.size());
  for (const TRect& R : Rects) {
    const TRect N = Normalized(R);
    if (N.Left < N.Right && N.Top < N.Bottom) Rs.push_back(N);
  }
  std::sort(Rs.begin(), Rs.end(), [](const TRect& A, const TRect& B) { return A.Top < B.Top; });
  std::vector<std::int32_t> Ys;
  for (const TRect& R : Rs) Ys.insert(Ys.end(), {R.Top, R.Bottom});
  std::sort(Ys.begin(), Ys.end());
  Ys.erase(std::unique(Ys.begin(), Ys.end()), Ys.end());

  // Sweep down the slabs between consecutive edges with the rectangles that cover each, kept
  // in order of their left edges.
  TEMFRegion Rgn;
  std::vector<const TRect*> Active;
  auto ByLeft = [](const TRect* A, const TRect* B) { return A->Left < B->Left; };
  std::size_t Next = 0, Work = 0;
  for (std::size_t I = 0; I + 1 < Ys.size(); ++I) {
    const std::int32_t Y0 = Ys[I], Y1 = Ys[I + 1];
    std::erase_if(Active, [Y0](const TRect* R) { return R->Bottom <= Y0; });
    const std::size_t Old = Active.size();
    for (; Next < Rs.size() && Rs[Next].Top <= Y0; ++Next) Active.push_back(&Rs[Next]);
    std::sort(Active.begin() + static_cast<std::ptrdiff_t>(Old), Active.end(), ByLeft);
    std::inplace_merge(Active.begin(), Active.begin() + static_cast<std::ptrdiff_t>(Old), Active.end(), ByLeft);
    Work += Active.size() + 1;
    if (Work > MaxRegionWork) RegionTooComplex();
    TSpans Merged;
    for (const TRect* R : Active) {
      if (!Merged.empty() && R->Left <= Merged.back().second)
        Merged.back().second = std::max(Merged.back().second, R->Right);
      else
        Merged.emplace_back(R->Left, R->Right);
    }
    Rgn.AddBand(Y0, Y1, std::move(Merged));
  }
  return Rgn;
}

TEMFRegion TEMFRegion::Combine(const TEMFRegion& A, const TEMFRegion& B, TCombineMode Mode) {
  if (Mode == rmCopy) return B;
  std::vector<std::int32_t> Ys;
  for (const TBand& Bd : A.FBands) Ys.insert(Ys.end(), {Bd.Top, Bd.Bottom});
  for (const TBand& Bd : B.FBands) Ys.insert(Ys.end(), {Bd.Top, Bd.Bottom});
  std::sort(Ys.begin(), Ys.end());
  Ys.erase(std::unique(Ys.begin(), Ys.end()), Ys.end());
  TEMFRegion Out;
  std::size_t IA = 0, IB = 0, Count = 0;
  static const TSpans None;
  for (std::size_t I = 0; I + 1 < Ys.size(); ++I) {
    const std::int32_t Y0 = Ys[I];
    while (IA < A.FBands.size() && A.FBands[IA].Bottom <= Y0) ++IA;
    while (IB < B.FBands.size() && B.FBands[IB].Bottom <= Y0) ++IB;
    const TSpans& SA = IA < A.FBands.size() && A.FBands[IA].Top <= Y0 ? A.FBands[IA].Spans : None;
    const TSpans& SB = IB < B.FBands.size() && B.FBands[IB].Top <= Y0 ? B.FBands[IB].Spans : None;
    TSpans S = CombineSpans(SA, SB, Mode);
    Count += S.size();
    if (Count > MaxRegionSpans) RegionTooComplex();
    Out.AddBand(Y0, Ys[I + 1], std::move(S));
  }
  return Out;
}

void TEMFRegion::Offset(std::int32_t DX, std::int32_t DY) {
  for (TBand& B : FBands) {
    B.Top = ClampToInt32(std::int64_t(B.Top) + DY);
    B.Bottom = ClampToInt32(std::int64_t(B.Bottom) + DY);
    for (auto& S : B.Spans) {
      S.first = ClampToInt32(std::int64_t(S.first) + DX);
      S.second = ClampToInt32(std::int64_t(S.second) + DX);
    }
  }
  // Clamping at the edge of the coordinate range may squeeze bands or spans to nothing.
  std::vector<TBand> Bands = std::move(FBands);
  FBands.clear();
  for (TBand& B : Bands) {
    std::erase_if(B.Spans, [](const auto& S) { return S.first >= S.second; });
    AddBand(B.Top, B.Bottom, std::move(B.Spans));
  }
}

std::vector<TRect> TEMFRegion::Rects() const {
  std::vector<TRect> Out;
  for (const TBand& B : FBands)
    for (const auto& S : B.Spans) Out.push_back(TRect{S.first, B.Top, S.second, B.Bottom});
  return Out;
}

// =============================================================================================
// Device context

void TDeviceContext::CopyFrom(const TDeviceContext& ADC) { FData = ADC.FData; }

void TDeviceContext::Init() {
  FData.MapMode = 1;
  FData.WindowOrgEx = {0, 0};
  FData.ViewPortOrgEx = {0, 0};
  FData.BrushOrgEx = {0, 0};
  FData.WindowExtEx = {1, 1};
  FData.ViewPortExtEx = {1, 1};
  FData.Pen = FData.Brush = FData.Font = FData.Palette = FData.ColorSpace = nullptr;
  FData.ColorAdjustment = nullptr;
  FData.PositionCurrent = {0, 0};
  FData.PositionNext = {0, 0};
  FData.BkMode = 2;
  FData.PolyFillMode = 1;
  FData.MiterLimit = 4.0f;
  FData.BkColor = 0xFFFFFF;
  FData.TextColor = 0;
  FData.SetRop2 = 13;
  FData.ClipRgn.reset();
  FData.EOFPalette.clear();
  FData.StretchMode = 1;
  FData.IsPathBracketOpened = false;
  FData.TextAlignmentMode = 0;
  FData.XForm = {1, 0, 0, 1, 0, 0};
  FData.iArcDirection = 1;
}

bool TDeviceContext::IsXFormDefault() const {
  const tagXFORM& X = FData.XForm;
  const double Sum = std::fabs(X.eM11 - 1.0) + std::fabs(X.eM12) + std::fabs(X.eM21) +
                     std::fabs(X.eM22 - 1.0) + std::fabs(X.eDx) + std::fabs(X.eDy);
  return std::isnan(Sum) || Sum < 0.001;
}

void TDeviceContext::SelectObjectByIndex(std::uint32_t Index, const TEnhMetaObjArray& Table) {
  if (IsStockObject(Index)) {
    const std::uint32_t N = Index - STOCK_OBJECT_FLAG;
    if (IsStockPen(Index))
      FData.Pen = StockObjects[N];
    else if (IsStockBrush(Index))
      FData.Brush = StockObjects[N];
    else if (IsStockFont(Index))
      FData.Font = StockObjects[N];
    else if (IsStockPalette(Index))
      FData.Palette = StockObjects[N];
    return;
  }
  if (Index >= Table.size() || Table[Index] == nullptr) return;
  const TEnhMetaObj* Obj = Table[Index];
  switch (Obj->RecordType()) {
    case EMR_CREATEPEN: case EMR_EXTCREATEPEN: FData.Pen = Obj; break;
    case EMR_CREATEBRUSHINDIRECT: case EMR_CREATEMONOBRUSH: case EMR_CREATEDIBPATTERNBRUSHPT:
      FData.Brush = Obj;
      break;
    case EMR_EXTCREATEFONTINDIRECTW: FData.Font = Obj; break;
    case EMR_CREATEPALETTE: FData.Palette = Obj; break;
    case EMR_CREATECOLORSPACE: case EMR_CREATECOLORSPACEW: FData.ColorSpace = Obj; break;
    default: break;
  }
}

void TDeviceContext::DeselectObject(std::uint32_t Index) {
  for (const TEnhMetaObj** Slot :
       {&FData.Pen, &FData.Brush, &FData.Font, &FData.Palette, &FData.ColorSpace}) {
    // The object index is the first field after the record header of every create record.
    if (*Slot != nullptr && (*Slot)->P()->SelectObject.ihObject == Index) {
      *Slot = nullptr;
      return;
    }
  }
}

std::uint32_t TDeviceContext::LogPenStyle() const {
  if (FData.Pen == nullptr) return 0x2200;
  if (FData.Pen->RecordType() == EMR_CREATEPEN) return FData.Pen->P()->CreatePen.lopn.lopnStyle;
  return FData.Pen->P()->ExtCreatePen.elp.elpPenStyle;
}

double TDeviceContext::PenWidth() const {
  if (FData.Pen == nullptr) return 1;
  if (FData.Pen->RecordType() == EMR_CREATEPEN) return FData.Pen->P()->CreatePen.lopn.lopnWidth.X;
  return FData.Pen->P()->ExtCreatePen.elp.elpWidth;
}

TColor TDeviceContext::PenColor() const {
  if (FData.Pen == nullptr) return 0;
  if (FData.Pen->RecordType() == EMR_CREATEPEN)
    return static_cast<TColor>(FData.Pen->P()->CreatePen.lopn.lopnColor);
  return static_cast<TColor>(FData.Pen->P()->ExtCreatePen.elp.elpColor);
}

float TDeviceContext::MiterLimit() const {
  const float V = FData.MiterLimit;
  if (std::isnan(V) || V >= 1.0f) return V;
  // Some producers store an integer in this float field.
  std::int32_t I;
  std::memcpy(&I, &V, 4);
  return static_cast<float>(I);
}

namespace {

bool IsBrushIndirect(const TEnhMetaObj* Brush) {
  return Brush != nullptr && Brush->RecordType() == EMR_CREATEBRUSHINDIRECT;
}

int AbsClamped(std::int32_t V) {
  return static_cast<int>(std::min<std::int64_t>(std::llabs(V), std::numeric_limits<int>::max()));
}

} // namespace

std::uint32_t TDeviceContext::BrushStyle() const {
  return IsBrushIndirect(FData.Brush) ? FData.Brush->P()->CreateBrushIndirect.lb.lbStyle : 0;
}

std::uint32_t TDeviceContext::BrushHatch() const {
  return IsBrushIndirect(FData.Brush) ? FData.Brush->P()->CreateBrushIndirect.lb.lbHatch : 0;
}

TColor TDeviceContext::BrushColor() const {
  if (!IsBrushIndirect(FData.Brush)) return 0xFFFFFF;
  if (BrushStyle() == 1) return 0x1FFFFFFF;
  return static_cast<TColor>(FData.Brush->P()->CreateBrushIndirect.lb.lbColor);
}

std::string TDeviceContext::FontFamily() const {
  if (FData.Font == nullptr) return "Serif";
  return rt::Utf16ToUtf8(
      WideCharsToText(FData.Font->P()->ExtCreateFontIndirectW.elfw.elfLogFont.lfFaceName, 32));
}

int TDeviceContext::FontSize() const {
  if (FData.Font == nullptr) return 12;
  return AbsClamped(FData.Font->P()->ExtCreateFontIndirectW.elfw.elfLogFont.lfHeight);
}

int TDeviceContext::FontWeight() const {
  if (FData.Font == nullptr) return 400;
  return AbsClamped(FData.Font->P()->ExtCreateFontIndirectW.elfw.elfLogFont.lfWeight);
}

bool TDeviceContext::FontItalic() const {
  return FData.Font != nullptr && FData.Font->P()->ExtCreateFontIndirectW.elfw.elfLogFont.lfItalic == 1;
}

bool TDeviceContext::FontUnderline() const {
  return FData.Font != nullptr &&
         FData.Font->P()->ExtCreateFontIndirectW.elfw.elfLogFont.lfUnderline == 1;
}

bool TDeviceContext::FontStrikeOut() const {
  return FData.Font != nullptr &&
         FData.Font->P()->ExtCreateFontIndirectW.elfw.elfLogFont.lfStrikeOut == 1;
}

std::uint8_t TDeviceContext::FontCharSet() const {
  if (FData.Font == nullptr) return 1;
  return FData.Font->P()->ExtCreateFontIndirectW.elfw.elfLogFont.lfCharSet;
}

int TDeviceContext::FontOrientation() const {
  if (FData.Font == nullptr) return 0;
  return FData.Font->P()->ExtCreateFontIndirectW.elfw.elfLogFont.lfEscapement;
}

double TDeviceContext::FontRadian() const {
  return FontOrientation() / 10.0 * std::numbers::pi / 180.0;
}

TrepHAlign TDeviceContext::HAlign() const {
  const std::uint32_t M = FData.TextAlignmentMode;
  if ((M & 6) == 6) return haCenter;
  if (M & 2) return haRight;
  return haLeft;
}

TrepVAlign TDeviceContext::VAlign() const {
  const std::uint32_t M = FData.TextAlignmentMode;
  if ((M & 0x18) == 0x18) return vaCenter;
  if (M & 8) return vaBottom;
  return vaTop;
}

// =============================================================================================
// Description text helpers

namespace {

std::u16string Ascii(const std::string& S) { return std::u16string(S.begin(), S.end()); }

// 8-bit record text, one code unit per byte.
std::u16string Latin1(const std::string& S) {
  std::u16string W(S.size(), u'\0');
  for (std::size_t I = 0; I < S.size(); ++I) W[I] = static_cast<unsigned char>(S[I]);
  return W;
}

__attribute__((format(printf, 1, 2))) std::u16string Fmt(const char* Format, ...) {
  char Buf[512];
  va_list Args;
  va_start(Args, Format);
  const int N = std::vsnprintf(Buf, sizeof Buf, Format, Args);
  va_end(Args);
  if (N < 0) return std::u16string();
  return Ascii(std::string(Buf, static_cast<std::size_t>(std::min<int>(N, sizeof Buf - 1))));
}

const char16_t* const Sep = u"    ";

std::u16string Join(std::initializer_list<std::u16string> Items) {
  std::u16string S;
  for (const std::u16string& I : Items) {
    if (!S.empty()) S += Sep;
    S += I;
  }
  return S;
}

} // namespace

TQuickWideFragment::TQuickWideFragment(int MaxSize)
    : FText(static_cast<std::size_t>(std::max(MaxSize, 1)), u'\0') {}

void TQuickWideFragment::AddWide(const std::u16string& S) {
  for (char16_t C : S) {
    if (FCount >= static_cast<int>(FText.size())) FText.resize(FText.size() * 2, u'\0');
    FText[static_cast<std::size_t>(FCount++)] = C;
  }
}

void TQuickWideFragment::AddWide(const char* Format, ...) {
  char Buf[512];
  va_list Args;
  va_start(Args, Format);
  const int N = std::vsnprintf(Buf, sizeof Buf, Format, Args);
  va_end(Args);
  if (N > 0) AddWide(Ascii(std::string(Buf, static_cast<std::size_t>(std::min<int>(N, sizeof Buf - 1)))));
}

void TQuickWideFragment::CutBy(int Size) { FCount = std::max(FCount - Size, 0); }

std::u16string WideCharsToText(const char16_t* P, int N) {
  std::u16string S;
  for (int I = 0; I < N && P[I] != 0; ++I) S += P[I];
  return S;
}

std::u16string TEMFAbstractExport::PointText(const TPoint& P) { return Fmt("%d, %d", P.X, P.Y); }

std::u16string TEMFAbstractExport::RectText(const TRect& R) {
  return Fmt("%d, %d, %d, %d", R.Left, R.Top, R.Right, R.Bottom);
}

std::u16string TEMFAbstractExport::LongWordsText(const TLongWordArray& A) {
  std::u16string S;
  for (std::uint32_t V : A) S += Fmt("%d ", static_cast<std::int32_t>(V));
  if (!S.empty()) S.pop_back();
  return S;
}

std::u16string TEMFAbstractExport::LongWordsSumText(const TLongWordArray& A) {
  std::uint32_t Sum = 0;
  for (std::uint32_t V : A) Sum += V;
  return Fmt("%d", static_cast<std::int32_t>(Sum));
}

std::u16string TEMFAbstractExport::ByteToHex(std::uint8_t B) {
  static const char Digits[] = "0123456789ABCDEF";
  return std::u16string{static_cast<char16_t>(Digits[B >> 4]), static_cast<char16_t>(Digits[B & 15])};
}

// =============================================================================================
// Player

TEMFAbstractExport::TEMFAbstractExport(rt::TStream* InStream, rt::TStream* OutStream)
    : FInStream(InStream), FOutStream(OutStream) {
  if (FInStream == nullptr) throw EEMFError("No metafile stream to play");
  // The current context is made before the first record (C++ constructors cannot reach a
  // descendant's CreateDeviceContext).
  FMEP.IsExternal = false;
}

TEMFAbstractExport::~TEMFAbstractExport() = default;

void TEMFAbstractExport::SetParsing(const std::u16string& Value) {
  if (ShowComments) FParsing = Value;
}

void TEMFAbstractExport::Comment(const std::u16string&) {}

void TEMFAbstractExport::CreateDeviceContext() { FDC = std::make_unique<TDeviceContext>(); }

std::unique_ptr<gfx::TFont> TEMFAbstractExport::CreateFontFromDC() {
  auto F = std::make_unique<gfx::TFont>();
  const TDeviceContext& Ctx = DC();
  F->SetName(Ctx.FontFamily());
  F->SetCharset(Ctx.FontCharSet());
  F->SetColor(static_cast<gfx::TColor>(static_cast<std::uint32_t>(Ctx.TextColor()) & 0xFFFFFF));
  gfx::TFontStyles Style = 0;
  if (Ctx.FontWeight() > 550) Style |= gfx::FontStyles({gfx::fsBold});
  if (Ctx.FontItalic()) Style |= gfx::FontStyles({gfx::fsItalic});
  if (Ctx.FontUnderline()) Style |= gfx::FontStyles({gfx::fsUnderline});
  if (Ctx.FontStrikeOut()) Style |= gfx::FontStyles({gfx::fsStrikeOut});
  F->SetStyle(Style);
  return F;
}

void TEMFAbstractExport::BeforePlay() {}
void TEMFAbstractExport::AfterPlay() {}

TDeviceContext& TEMFAbstractExport::DC() {
  if (!FDC) {
    CreateDeviceContext();
    if (!FDC) FDC = std::make_unique<TDeviceContext>();
    FDC->Init();
  }
  return *FDC;
}

TEnhMetaData* TEMFAbstractExport::LastRecordData() {
  return FEMRList.empty() ? nullptr : FEMRList.back()->P();
}

void TEMFAbstractExport::PlayMetaFile() {
  DC();
  BeforePlay();
  while (FLastRecord.iType != EMR_EOF && FInStream->Position() < FInStream->Size()) Dispatch();
  AfterPlay();
}

void TEMFAbstractExport::AlignStream() {
  const std::int64_t Pos = FInStream->Position();
  if (Pos % 4 != 0) FInStream->SetPosition(std::min<std::int64_t>(Pos + (4 - Pos % 4), FInStream->Size()));
}

void TEMFAbstractExport::PeekRecordHeader() {
  const std::int64_t Pos = FInStream->Position();
  std::uint8_t Buf[8];
  const std::int64_t Got = FInStream->Read(Buf, 8);
  FInStream->SetPosition(Pos);
  if (Got < 8)
    throw EEMFError("Metafile is truncated: incomplete record header at offset " + std::to_string(Pos));
  std::memcpy(&FLastRecord.iType, Buf, 4);
  std::memcpy(&FLastRecord.nSize, Buf + 4, 4);
}

namespace {

std::string RecordText(std::uint32_t iType) {
  const std::string Name = EMFRecordName(iType);
  return Name.empty() ? "of type " + std::to_string(iType) : "EMR_" + Name;
}

} // namespace

void TEMFAbstractExport::Dispatch() {
  TDeviceContext& Ctx = DC();
  Ctx.FData.PositionCurrent = Ctx.FData.PositionNext;
  AlignStream();
  const std::int64_t Pos = FInStream->Position();
  const std::int64_t Remain = FInStream->Size() - Pos;
  if (Remain <= 0) return;
  PeekRecordHeader();
  const std::uint32_t Type = FLastRecord.iType, Size = FLastRecord.nSize;
  const std::string Where = " at offset " + std::to_string(Pos);
  // A record must at least move the play past its header, lie inside the stream and hold the
  // fixed part of its layout.
  if (Size < 8)
    throw EEMFError("Malformed metafile record " + RecordText(Type) + Where + ": size " +
                    std::to_string(Size));
  if (Size > Remain)
    throw EEMFError("Metafile is truncated: record " + RecordText(Type) + Where + " needs " +
                    std::to_string(Size) + " bytes, " + std::to_string(Remain) + " remain");
  if (Size > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
    throw EEMFError("Malformed metafile record " + RecordText(Type) + Where + ": size " +
                    std::to_string(Size));
  if (Type >= 1 && Type <= EMR_MAX && Size < EMFRecordMinSize(Type))
    throw EEMFError("Malformed metafile record " + RecordText(Type) + Where + ": size " +
                    std::to_string(Size) + " is below " + std::to_string(EMFRecordMinSize(Type)));

  using THandler = void (TEMFAbstractExport::*)();
  static const THandler Handlers[EMR_MAX + 1] = {
      nullptr,
      &TEMFAbstractExport::DoHeader, &TEMFAbstractExport::DoPolyBezier,
      &TEMFAbstractExport::DoPolygon, &TEMFAbstractExport::DoPolyline,
      &TEMFAbstractExport::DoPolyBezierTo, &TEMFAbstractExport::DoPolylineTo,
      &TEMFAbstractExport::DoPolyPolyline, &TEMFAbstractExport::DoPolyPolygon,
      &TEMFAbstractExport::DoSetWindowExtEx, &TEMFAbstractExport::DoSetWindowOrgEx,
      &TEMFAbstractExport::DoSetViewPortExtEx, &TEMFAbstractExport::DoSetViewPortOrgEx,
      &TEMFAbstractExport::DoSetBrushOrgEx, &TEMFAbstractExport::DoEoF,
      &TEMFAbstractExport::DoSetPixelV, &TEMFAbstractExport::DoSetMapperFlags,
      &TEMFAbstractExport::DoSetMapMode, &TEMFAbstractExport::DoSetBkMode,
      &TEMFAbstractExport::DoSetPolyFillMode, &TEMFAbstractExport::DoSetRop2,
      &TEMFAbstractExport::DoSetStretchBltMode, &TEMFAbstractExport::DoSetTextAlign,
      &TEMFAbstractExport::DoSetColorAdjustment, &TEMFAbstractExport::DoSetTextColor,
      &TEMFAbstractExport::DoSetBkColor, &TEMFAbstractExport::DoOffsetClipRgn,
      &TEMFAbstractExport::DoMoveToEx, &TEMFAbstractExport::DoSetMetaRgn,
      &TEMFAbstractExport::DoExcludeClipRect, &TEMFAbstractExport::DoIntersectClipRect,
      &TEMFAbstractExport::DoScaleViewportExtEx, &TEMFAbstractExport::DoScaleWindowExtEx,
      &TEMFAbstractExport::DoSaveDC, &TEMFAbstractExport::DoRestoreDC,
      &TEMFAbstractExport::DoSetWorldTransform, &TEMFAbstractExport::DoModifyWorldTransform,
      &TEMFAbstractExport::DoSelectObject, &TEMFAbstractExport::DoCreatePen,
      &TEMFAbstractExport::DoCreateBrushIndirect, &TEMFAbstractExport::DoDeleteObject,
      &TEMFAbstractExport::DoAngleArc, &TEMFAbstractExport::DoEllipse,
      &TEMFAbstractExport::DoRectangle, &TEMFAbstractExport::DoRoundRect,
      &TEMFAbstractExport::DoArc, &TEMFAbstractExport::DoChord, &TEMFAbstractExport::DoPie,
      &TEMFAbstractExport::DoSelectPalette, &TEMFAbstractExport::DoCreatePalette,
      &TEMFAbstractExport::DoSetPaletteEntries, &TEMFAbstractExport::DoResizePalette,
      &TEMFAbstractExport::DoRealizePalette, &TEMFAbstractExport::DoExtFloodFill,
      &TEMFAbstractExport::DoLineTo, &TEMFAbstractExport::DoArcTo,
      &TEMFAbstractExport::DoPolyDraw, &TEMFAbstractExport::DoSetArcDirection,
      &TEMFAbstractExport::DoSetMiterLimit, &TEMFAbstractExport::DoBeginPath,
      &TEMFAbstractExport::DoEndPath, &TEMFAbstractExport::DoCloseFigure,
      &TEMFAbstractExport::DoFillPath, &TEMFAbstractExport::DoStrokeAndFillPath,
      &TEMFAbstractExport::DoStrokePath, &TEMFAbstractExport::DoFlattenPath,
      &TEMFAbstractExport::DoWidenPath, &TEMFAbstractExport::DoSelectClipPath,
      &TEMFAbstractExport::DoAbortPath, &TEMFAbstractExport::DoReserved_69,
      &TEMFAbstractExport::DoGDIComment, &TEMFAbstractExport::DoFillRgn,
      &TEMFAbstractExport::DoFrameRgn, &TEMFAbstractExport::DoInvertRgn,
      &TEMFAbstractExport::DoPaintRgn, &TEMFAbstractExport::DoExtSelectClipRgn,
      &TEMFAbstractExport::DoBitBlt, &TEMFAbstractExport::DoStretchBlt,
      &TEMFAbstractExport::DoMaskBlt, &TEMFAbstractExport::DoPLGBlt,
      &TEMFAbstractExport::DoSetDIBitsToDevice, &TEMFAbstractExport::DoStretchDIBits,
      &TEMFAbstractExport::DoExtCreateFontIndirectW, &TEMFAbstractExport::DoExtTextOutA,
      &TEMFAbstractExport::DoExtTextOutW, &TEMFAbstractExport::DoPolyBezier16,
      &TEMFAbstractExport::DoPolygon16, &TEMFAbstractExport::DoPolyline16,
      &TEMFAbstractExport::DoPolyBezierTo16, &TEMFAbstractExport::DoPolylineTo16,
      &TEMFAbstractExport::DoPolyPolyline16, &TEMFAbstractExport::DoPolyPolygon16,
      &TEMFAbstractExport::DoPolyDraw16, &TEMFAbstractExport::DoCreateMonoBrush,
      &TEMFAbstractExport::DoCreateDIBPatternBrushPt, &TEMFAbstractExport::DoExtCreatePen,
      &TEMFAbstractExport::DoPolyTextOutA, &TEMFAbstractExport::DoPolyTextOutW,
      &TEMFAbstractExport::DoSetICMMode, &TEMFAbstractExport::DoCreateColorSpace,
      &TEMFAbstractExport::DoSetColorSpace, &TEMFAbstractExport::DoDeleteColorSpace,
      &TEMFAbstractExport::DoGLSRecord, &TEMFAbstractExport::DoGLSBoundedRecord,
      &TEMFAbstractExport::DoPixelFormat, &TEMFAbstractExport::DoDrawEscape,
      &TEMFAbstractExport::DoExtEscape, &TEMFAbstractExport::DoStartDoc,
      &TEMFAbstractExport::DoSmallTextOut, &TEMFAbstractExport::DoForceUFIMapping,
      &TEMFAbstractExport::DoNamedEscape, &TEMFAbstractExport::DoColorCorrectPalette,
      &TEMFAbstractExport::DoSetIcmProfileA, &TEMFAbstractExport::DoSetIcmProfileW,
      &TEMFAbstractExport::DoAlphaBlend, &TEMFAbstractExport::DoSetLayout,
      &TEMFAbstractExport::DoTransparentBlt, &TEMFAbstractExport::DoTransparentDIB,
      &TEMFAbstractExport::DoGradientFill, &TEMFAbstractExport::DoSetLinkedUFIs,
      &TEMFAbstractExport::DoSetTextJustification, &TEMFAbstractExport::DoColorMatchToTargetW,
      &TEMFAbstractExport::DoCreateColorSpaceW};
  if (Type >= 1 && Type <= EMR_MAX)
    (this->*Handlers[Type])();
  else
    DoUnknown();
}

template <class TView> TView& TEMFAbstractExport::ReadRecord() {
  auto View = std::make_unique<TView>(*FInStream, static_cast<int>(FLastRecord.nSize));
  CheckRecord(*View);
  TView& Ref = *View;
  FEMRList.push_back(std::move(View));
  return Ref;
}

void TEMFAbstractExport::ReadRecordObj() { ReadRecord<TEnhMetaObj>(); }

// Counts and offsets that the handlers, the descriptions and the back ends read are checked
// once here, so that a record handed on is consistent with its own size.
void TEMFAbstractExport::CheckRecord(const TEnhMetaObj& Obj) {
  const TEnhMetaData& D = *Obj.P();
  auto Need = [&Obj](std::int64_t Offset, std::int64_t Count, const char* What) {
    Obj.CheckRange(Offset, Count, What);
  };
  auto Fail = [&Obj](const char* What) {
    throw EEMFError("Malformed metafile record " + RecordText(Obj.RecordType()) + ": " + What +
                    " outside the record");
  };
  auto Bitmap = [&Need](std::uint32_t OffBmi, std::uint32_t CbBmi, std::uint32_t OffBits,
                        std::uint32_t CbBits) {
    if (CbBmi != 0) Need(OffBmi, CbBmi, "bitmap header");
    if (CbBits != 0) Need(OffBits, CbBits, "bitmap bits");
  };
  switch (Obj.RecordType()) {
    case EMR_HEADER:
      if (D.Header.nDescription != 0)
        Need(D.Header.offDescription, 2 * std::int64_t(D.Header.nDescription), "description");
      break;
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO:
      Need(28, 8 * std::int64_t(D.Polyline.cptl), "points");
      break;
    case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16: case EMR_POLYBEZIERTO16:
    case EMR_POLYLINETO16:
      Need(28, 4 * std::int64_t(D.Polyline16.cpts), "points");
      break;
    case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON: case EMR_POLYPOLYLINE16: case EMR_POLYPOLYGON16: {
      const int PointSize =
          Obj.RecordType() == EMR_POLYPOLYLINE || Obj.RecordType() == EMR_POLYPOLYGON ? 8 : 4;
      const std::int64_t NPolys = D.PolyPolygon.nPolys, Count = D.PolyPolygon.cptl;
      Need(32, 4 * NPolys + PointSize * Count, "points");
      std::int64_t Sum = 0;
      for (std::int64_t I = 0; I < NPolys; ++I) Sum += Obj.LongWordAt(32 + 4 * I);
      if (Sum > Count) Need(32 + 4 * NPolys, PointSize * Sum, "points");
      break;
    }
    case EMR_POLYDRAW:
      Need(28, 9 * std::int64_t(D.PolyDraw.cptl), "points");
      break;
    case EMR_POLYDRAW16:
      Need(28, 5 * std::int64_t(D.PolyDraw16.cpts), "points");
      break;
    case EMR_EOF:
      Need(D.EoF.offPalEntries, 4 * std::int64_t(D.EoF.nPalEntries) + 4, "palette");
      break;
    case EMR_CREATEPALETTE:
      Need(16, 4 * std::int64_t(D.CreatePalette.lgpl.palNumEntries), "palette");
      break;
    case EMR_SETPALETTEENTRIES:
      Need(20, 4 * std::int64_t(D.SetPaletteEntries.cEntries), "palette");
      break;
    case EMR_EXTCREATEPEN:
      Need(52, 4 * std::int64_t(D.ExtCreatePen.elp.elpNumEntries), "style entries");
      Bitmap(D.ExtCreatePen.offBmi, D.ExtCreatePen.cbBmi, D.ExtCreatePen.offBits, D.ExtCreatePen.cbBits);
      break;
    case EMR_GDICOMMENT: Need(12, D.GDIComment.cbData, "comment data"); break;
    case EMR_GLSRECORD: Need(12, D.GLSRecord.cbData, "data"); break;
    case EMR_GLSBOUNDEDRECORD: Need(28, D.GLSBoundedRecord.cbData, "data"); break;
    case EMR_FILLRGN: Need(32, D.FillRgn.cbRgnData, "region"); break;
    case EMR_FRAMERGN: Need(40, D.FrameRgn.cbRgnData, "region"); break;
    case EMR_INVERTRGN: case EMR_PAINTRGN: Need(28, D.InvertRgn.cbRgnData, "region"); break;
    case EMR_EXTSELECTCLIPRGN: {
      const std::int64_t Cb = D.ExtSelectClipRgn.cbRgnData;
      Need(16, Cb, "region");
      if (Cb != 0 && (Cb < 32 || 32 + 16 * std::int64_t(Obj.LongWordAt(24)) > Cb))
        Fail("region rectangles");
      break;
    }
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: {
      const tagEMRTEXT& T = D.ExtTextOutW.emrtext;
      if (T.nChars != 0) {
        const std::int64_t N = T.nChars;
        Need(T.offString, Obj.RecordType() == EMR_EXTTEXTOUTW ? 2 * N : N, "text");
        Need(T.offDx, 4 * N * ((T.fOptions & ETO_PDY) ? 2 : 1), "advances");
      }
      break;
    }
    case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: {
      const std::int64_t N = std::max(D.PolyTextOutW.cStrings, 0);
      Need(40, 40 * N, "text entries");
      const std::int64_t CharSize = Obj.RecordType() == EMR_POLYTEXTOUTW ? 2 : 1;
      for (std::int64_t I = 0; I < N; ++I) {
        const std::int64_t E = 40 + 40 * I;
        const std::int64_t Chars = Obj.LongWordAt(E + 8);
        if (Chars != 0) {
          Need(Obj.LongWordAt(E + 12), CharSize * Chars, "text");
          Need(Obj.LongWordAt(E + 36), 4 * Chars, "advances");
        }
      }
      break;
    }
    case EMR_SMALLTEXTOUT: {
      const std::uint32_t O = D.SmallTextOut.fuOptions;
      const std::int64_t Start = (O & ETO_NO_RECT) ? 36 : 52;
      Need(Start, std::int64_t(D.SmallTextOut.nChars) * ((O & ETO_SMALL_CHARS) ? 1 : 2), "text");
      break;
    }
    case EMR_GRADIENTFILL:
      Need(36, 16 * std::int64_t(D.GradientFill.nVer) +
                   (D.GradientFill.ulMode == 2 ? 12 : 8) * std::int64_t(D.GradientFill.nTri),
           "vertices");
      break;
    case EMR_DRAWESCAPE: case EMR_EXTESCAPE:
      if (D.ExtEscape.cbEscData < 0) Fail("escape data");
      Need(16, D.ExtEscape.cbEscData, "escape data");
      break;
    case EMR_SETICMPROFILEA: case EMR_SETICMPROFILEW:
      Need(20, std::int64_t(D.SetIcmProfileW.cbName) + D.SetIcmProfileW.cbData, "profile");
      break;
    case EMR_COLORMATCHTOTARGETW:
      Need(24, std::int64_t(D.ColorMatchToTargetW.cbName) + D.ColorMatchToTargetW.cbData, "profile");
      break;
    case EMR_BITBLT: case EMR_STRETCHBLT: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT:
      Bitmap(D.BitBlt.offBmiSrc, D.BitBlt.cbBmiSrc, D.BitBlt.offBitsSrc, D.BitBlt.cbBitsSrc);
      break;
    case EMR_MASKBLT:
      Bitmap(D.MaskBlt.offBmiSrc, D.MaskBlt.cbBmiSrc, D.MaskBlt.offBitsSrc, D.MaskBlt.cbBitsSrc);
      Bitmap(D.MaskBlt.offBmiMask, D.MaskBlt.cbBmiMask, D.MaskBlt.offBitsMask, D.MaskBlt.cbBitsMask);
      break;
    case EMR_PLGBLT:
      Bitmap(D.PLGBlt.offBmiSrc, D.PLGBlt.cbBmiSrc, D.PLGBlt.offBitsSrc, D.PLGBlt.cbBitsSrc);
      Bitmap(D.PLGBlt.offBmiMask, D.PLGBlt.cbBmiMask, D.PLGBlt.offBitsMask, D.PLGBlt.cbBitsMask);
      break;
    case EMR_SETDIBITSTODEVICE:
      Bitmap(D.SetDIBitsToDevice.offBmiSrc, D.SetDIBitsToDevice.cbBmiSrc,
             D.SetDIBitsToDevice.offBitsSrc, D.SetDIBitsToDevice.cbBitsSrc);
      break;
    case EMR_STRETCHDIBITS:
      Bitmap(D.StretchDIBits.offBmiSrc, D.StretchDIBits.cbBmiSrc, D.StretchDIBits.offBitsSrc,
             D.StretchDIBits.cbBitsSrc);
      break;
    case EMR_CREATEMONOBRUSH: case EMR_CREATEDIBPATTERNBRUSHPT:
      Bitmap(D.CreateMonoBrush.offBmi, D.CreateMonoBrush.cbBmi, D.CreateMonoBrush.offBits,
             D.CreateMonoBrush.cbBits);
      break;
    default: break;
  }
}

void TEMFAbstractExport::FinishRecord() {
  if (ShowComments) Describe();
  Comment(std::u16string());
}

void TEMFAbstractExport::StoreObject(std::uint32_t Index) {
  // An index outside the table of the header (or before any header) cannot be selected later.
  if (Index < FEMRLastCreated.size()) FEMRLastCreated[Index] = FEMRList.back().get();
}

// ---------------------------------------------------------------------------------------------
// Handlers without effects

#define PLAIN_HANDLER(Name, View)          \
  void TEMFAbstractExport::Do##Name() {    \
    ReadRecord<View>();                    \
    FinishRecord();                        \
  }

PLAIN_HANDLER(PolyBezier, TEnhMetaObj)
PLAIN_HANDLER(Polygon, TEnhMetaObj)
PLAIN_HANDLER(Polyline, TEnhMetaObj)
PLAIN_HANDLER(PolyPolyline, TEMRPolyPolylineObj)
PLAIN_HANDLER(PolyPolygon, TEMRPolyPolygonObj)
PLAIN_HANDLER(EoF, TEoFObj)
PLAIN_HANDLER(SetPixelV, TEnhMetaObj)
PLAIN_HANDLER(AngleArc, TEnhMetaObj)
PLAIN_HANDLER(Ellipse, TEnhMetaObj)
PLAIN_HANDLER(Rectangle, TEnhMetaObj)
PLAIN_HANDLER(RoundRect, TEnhMetaObj)
PLAIN_HANDLER(Arc, TEnhMetaObj)
PLAIN_HANDLER(Chord, TEnhMetaObj)
PLAIN_HANDLER(Pie, TEnhMetaObj)
PLAIN_HANDLER(SetPaletteEntries, TEnhMetaObj)
PLAIN_HANDLER(ResizePalette, TEnhMetaObj)
PLAIN_HANDLER(RealizePalette, TEnhMetaObj)
PLAIN_HANDLER(ExtFloodFill, TEnhMetaObj)
PLAIN_HANDLER(PolyDraw, TEMRPolyDrawObj)
PLAIN_HANDLER(CloseFigure, TEnhMetaObj)
PLAIN_HANDLER(FillPath, TEnhMetaObj)
PLAIN_HANDLER(StrokeAndFillPath, TEnhMetaObj)
PLAIN_HANDLER(StrokePath, TEnhMetaObj)
PLAIN_HANDLER(FlattenPath, TEnhMetaObj)
PLAIN_HANDLER(WidenPath, TEnhMetaObj)
PLAIN_HANDLER(SelectClipPath, TEnhMetaObj)
PLAIN_HANDLER(Reserved_69, TEnhMetaObj)
PLAIN_HANDLER(GDIComment, TEnhMetaObj)
PLAIN_HANDLER(FillRgn, TEnhMetaObj)
PLAIN_HANDLER(FrameRgn, TEnhMetaObj)
PLAIN_HANDLER(InvertRgn, TEnhMetaObj)
PLAIN_HANDLER(PaintRgn, TEnhMetaObj)
PLAIN_HANDLER(BitBlt, TEMRBitBltObj)
PLAIN_HANDLER(StretchBlt, TEMRStretchBltObj)
PLAIN_HANDLER(MaskBlt, TEMRMaskBltObj)
PLAIN_HANDLER(PLGBlt, TEMRPLGBltObj)
PLAIN_HANDLER(SetDIBitsToDevice, TEMRSetDIBitsToDeviceObj)
PLAIN_HANDLER(StretchDIBits, TEMRStretchDIBitsObj)
PLAIN_HANDLER(ExtTextOutA, TEMRExtTextOutAObj)
PLAIN_HANDLER(ExtTextOutW, TEMRExtTextOutWObj)
PLAIN_HANDLER(PolyBezier16, TEnhMetaObj)
PLAIN_HANDLER(Polygon16, TEnhMetaObj)
PLAIN_HANDLER(Polyline16, TEnhMetaObj)
PLAIN_HANDLER(PolyPolyline16, TEMRPolyPolyline16Obj)
PLAIN_HANDLER(PolyPolygon16, TEMRPolyPolygon16Obj)
PLAIN_HANDLER(PolyDraw16, TEMRPolyDraw16Obj)
PLAIN_HANDLER(PolyTextOutA, TEMRPolyTextOutAObj)
PLAIN_HANDLER(PolyTextOutW, TEMRPolyTextOutWObj)
PLAIN_HANDLER(GLSRecord, TEnhMetaObj)
PLAIN_HANDLER(GLSBoundedRecord, TEnhMetaObj)
PLAIN_HANDLER(PixelFormat, TEnhMetaObj)
PLAIN_HANDLER(DrawEscape, TEnhMetaObj)
PLAIN_HANDLER(ExtEscape, TEnhMetaObj)
PLAIN_HANDLER(StartDoc, TEnhMetaObj)
PLAIN_HANDLER(SmallTextOut, TEMRSmallTextOutObj)
PLAIN_HANDLER(ForceUFIMapping, TEnhMetaObj)
PLAIN_HANDLER(NamedEscape, TEnhMetaObj)
PLAIN_HANDLER(ColorCorrectPalette, TEnhMetaObj)
PLAIN_HANDLER(SetIcmProfileA, TEnhMetaObj)
PLAIN_HANDLER(SetIcmProfileW, TEnhMetaObj)
PLAIN_HANDLER(AlphaBlend, TEMRAlphaBlendObj)
PLAIN_HANDLER(TransparentBlt, TEMRTransparentBltObj)
PLAIN_HANDLER(TransparentDIB, TEnhMetaObj)
PLAIN_HANDLER(GradientFill, TEnhMetaObj)
PLAIN_HANDLER(SetLinkedUFIs, TEnhMetaObj)
PLAIN_HANDLER(SetTextJustification, TEnhMetaObj)
PLAIN_HANDLER(ColorMatchToTargetW, TEnhMetaObj)

#undef PLAIN_HANDLER

// ---------------------------------------------------------------------------------------------
// Handlers that change the state

// A record that sets one field of the current context from one of its own.
#define STATE_HANDLER(Name, View, Statement) \
  void TEMFAbstractExport::Do##Name() {      \
    [[maybe_unused]] const TEnhMetaData& R = *ReadRecord<View>().P(); \
    [[maybe_unused]] TDeviceContextData& S = FDC->FData; \
    Statement;                               \
    FinishRecord();                          \
  }

STATE_HANDLER(SetWindowOrgEx, TEnhMetaObj, S.WindowOrgEx = R.SetWindowOrgEx.ptlOrigin)
STATE_HANDLER(SetViewPortOrgEx, TEnhMetaObj, S.ViewPortOrgEx = R.SetViewPortOrgEx.ptlOrigin)
STATE_HANDLER(SetBrushOrgEx, TEnhMetaObj, S.BrushOrgEx = R.SetBrushOrgEx.ptlOrigin)
// A zero extent would make every later conversion divide by zero; such a record is refused, as
// the graphics system itself refuses it.
STATE_HANDLER(SetWindowExtEx, TEnhMetaObj,
              if (R.SetWindowExtEx.szlExtent.cx != 0 && R.SetWindowExtEx.szlExtent.cy != 0)
                  S.WindowExtEx = R.SetWindowExtEx.szlExtent)
STATE_HANDLER(SetViewPortExtEx, TEnhMetaObj,
              if (R.SetViewPortExtEx.szlExtent.cx != 0 && R.SetViewPortExtEx.szlExtent.cy != 0)
                  S.ViewPortExtEx = R.SetViewPortExtEx.szlExtent)
STATE_HANDLER(SetMapperFlags, TEnhMetaObj, S.MapperFlags = R.SetMapperFlags.dwFlags)
STATE_HANDLER(SetMapMode, TEnhMetaObj, S.MapMode = R.SetMapMode.iMode)
STATE_HANDLER(SetBkMode, TEnhMetaObj, S.BkMode = R.SetBkMode.iMode)
STATE_HANDLER(SetPolyFillMode, TEnhMetaObj, S.PolyFillMode = R.SetPolyFillMode.iMode)
STATE_HANDLER(SetRop2, TEnhMetaObj, S.SetRop2 = R.SetRop2.iMode)
STATE_HANDLER(SetStretchBltMode, TEnhMetaObj, S.StretchMode = R.SetStretchBltMode.iMode)
STATE_HANDLER(SetTextAlign, TEnhMetaObj, S.TextAlignmentMode = R.SetTextAlign.iMode)
STATE_HANDLER(SetTextColor, TEnhMetaObj, S.TextColor = R.SetTextColor.crColor)
STATE_HANDLER(SetBkColor, TEnhMetaObj, S.BkColor = R.SetBkColor.crColor)
STATE_HANDLER(SetICMMode, TEnhMetaObj, S.ICMMode = R.SetICMMode.iMode)
STATE_HANDLER(SetLayout, TEnhMetaObj, S.Layout = R.SetLayout.iMode)
STATE_HANDLER(SetArcDirection, TEnhMetaObj, S.iArcDirection = R.SetArcDirection.iArcDirection)
STATE_HANDLER(SetMiterLimit, TEnhMetaObj, S.MiterLimit = R.SetMiterLimit.eMiterLimit)
STATE_HANDLER(MoveToEx, TEnhMetaObj, S.PositionNext = R.MoveToEx.ptl)
STATE_HANDLER(LineTo, TEnhMetaObj, S.PositionNext = R.LineTo.ptl)
STATE_HANDLER(ArcTo, TEnhMetaObj, S.PositionNext = R.ArcTo.ptlEnd)
STATE_HANDLER(BeginPath, TEnhMetaObj, S.IsPathBracketOpened = true)
STATE_HANDLER(EndPath, TEnhMetaObj, S.IsPathBracketOpened = false)
STATE_HANDLER(AbortPath, TEnhMetaObj, S.IsPathBracketOpened = false)
STATE_HANDLER(SetMetaRgn, TEnhMetaObj, S.ClipRgn.reset())
STATE_HANDLER(SetWorldTransform, TEnhMetaObj, S.XForm = R.SetWorldTransform.xform)
STATE_HANDLER(OffsetClipRgn, TEnhMetaObj,
              if (S.ClipRgn) S.ClipRgn->Offset(R.OffsetClipRgn.ptlOffset.X, R.OffsetClipRgn.ptlOffset.Y))
STATE_HANDLER(ExcludeClipRect, TEnhMetaObj,
              if (S.ClipRgn) S.ClipRgn = TEMFRegion::Combine(
                  *S.ClipRgn, TEMFRegion::FromRect(R.ExcludeClipRect.rclClip), TEMFRegion::rmDiff))
STATE_HANDLER(IntersectClipRect, TEnhMetaObj,
              if (S.ClipRgn) S.ClipRgn = TEMFRegion::Combine(
                  *S.ClipRgn, TEMFRegion::FromRect(R.IntersectClipRect.rclClip), TEMFRegion::rmAnd))
STATE_HANDLER(SelectObject, TEnhMetaObj,
              FDC->SelectObjectByIndex(R.SelectObject.ihObject, FEMRLastCreated))
STATE_HANDLER(SelectPalette, TEnhMetaObj,
              FDC->SelectObjectByIndex(R.SelectPalette.ihPal, FEMRLastCreated))
STATE_HANDLER(SetColorSpace, TEnhMetaObj,
              FDC->SelectObjectByIndex(R.SetColorSpace.ihCS, FEMRLastCreated))
STATE_HANDLER(DeleteObject, TEnhMetaObj, FDC->DeselectObject(R.DeleteObject.ihObject))
STATE_HANDLER(DeleteColorSpace, TEnhMetaObj, FDC->DeselectObject(R.DeleteColorSpace.ihCS))
STATE_HANDLER(CreatePen, TEnhMetaObj, StoreObject(R.CreatePen.ihPen))
STATE_HANDLER(CreateBrushIndirect, TEnhMetaObj, StoreObject(R.CreateBrushIndirect.ihBrush))
STATE_HANDLER(CreatePalette, TEnhMetaObj, StoreObject(R.CreatePalette.ihPal))
STATE_HANDLER(ExtCreateFontIndirectW, TEnhMetaObj, StoreObject(R.ExtCreateFontIndirectW.ihFont))
STATE_HANDLER(CreateMonoBrush, TEMRCreateMonoBrushObj, StoreObject(R.CreateMonoBrush.ihBrush))
STATE_HANDLER(CreateDIBPatternBrushPt, TEMRCreateDIBPatternBrushPtObj,
              StoreObject(R.CreateDIBPatternBrushPt.ihBrush))
STATE_HANDLER(ExtCreatePen, TEMRExtCreatePenObj, StoreObject(R.ExtCreatePen.ihPen))
STATE_HANDLER(CreateColorSpace, TEnhMetaObj, StoreObject(R.CreateColorSpace.ihCS))
STATE_HANDLER(CreateColorSpaceW, TEnhMetaObj, StoreObject(R.CreateColorSpaceW.ihCS))

#undef STATE_HANDLER

void TEMFAbstractExport::DoSetColorAdjustment() {
  FDC->FData.ColorAdjustment = &ReadRecord<TEnhMetaObj>();
  FinishRecord();
}

namespace {

// The last point of a ...To record; the position stays when the record has no points.
void LastPointTo(TPoint& Position, const TEnhMetaObj& Obj, bool Small) {
  const std::uint32_t N = Obj.P()->Polyline.cptl;
  if (N == 0) return;
  if (Small) {
    TSmallPoint P;
    std::memcpy(&P, Obj.Bytes() + 28 + 4 * std::size_t(N - 1), 4);
    Position = TPoint{P.x, P.y};
  } else {
    std::memcpy(&Position, Obj.Bytes() + 28 + 8 * std::size_t(N - 1), 8);
  }
}

} // namespace

void TEMFAbstractExport::DoPolyBezierTo() {
  LastPointTo(FDC->FData.PositionNext, ReadRecord<TEnhMetaObj>(), false);
  FinishRecord();
}

void TEMFAbstractExport::DoPolylineTo() {
  LastPointTo(FDC->FData.PositionNext, ReadRecord<TEnhMetaObj>(), false);
  FinishRecord();
}

void TEMFAbstractExport::DoPolyBezierTo16() {
  LastPointTo(FDC->FData.PositionNext, ReadRecord<TEnhMetaObj>(), true);
  FinishRecord();
}

void TEMFAbstractExport::DoPolylineTo16() {
  LastPointTo(FDC->FData.PositionNext, ReadRecord<TEnhMetaObj>(), true);
  FinishRecord();
}

namespace {

// Round(Extent × Num / Denom), the product in 32 bits; nullopt when the result is unusable.
std::optional<std::int32_t> ScaledExtent(std::int32_t Extent, std::int32_t Num, std::int32_t Denom) {
  if (Denom == 0) return std::nullopt;
  const auto Product = static_cast<std::int32_t>(static_cast<std::uint32_t>(Extent) *
                                                 static_cast<std::uint32_t>(Num));
  const double V = std::nearbyint(static_cast<double>(Product) / Denom);
  if (V == 0 || std::fabs(V) > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(V);
}

// Scaling by a zero denominator, or to a zero extent, is refused like a zero extent.
void ScaleExtent(TSize& Extent, std::uint32_t MapMode, const tagEMRSCALEVIEWPORTEXTEX& R) {
  if (MapMode != 7 && MapMode != 8) return;
  const auto CX = ScaledExtent(Extent.cx, R.xNum, R.xDenom);
  const auto CY = ScaledExtent(Extent.cy, R.yNum, R.yDenom);
  if (CX && CY) Extent = TSize{*CX, *CY};
}

} // namespace

void TEMFAbstractExport::DoScaleViewportExtEx() {
  const TEnhMetaData& R = *ReadRecord<TEnhMetaObj>().P();
  ScaleExtent(FDC->FData.ViewPortExtEx, FDC->FData.MapMode, R.ScaleViewportExtEx);
  FinishRecord();
}

void TEMFAbstractExport::DoScaleWindowExtEx() {
  const TEnhMetaData& R = *ReadRecord<TEnhMetaObj>().P();
  ScaleExtent(FDC->FData.WindowExtEx, FDC->FData.MapMode, R.ScaleWindowExtEx);
  FinishRecord();
}

void TEMFAbstractExport::DoSaveDC() {
  ReadRecord<TEnhMetaObj>();
  FDCList.push_back(std::move(FDC));
  CreateDeviceContext();
  if (!FDC) FDC = std::make_unique<TDeviceContext>();
  FDC->CopyFrom(*FDCList.back());
  FinishRecord();
}

void TEMFAbstractExport::DoRestoreDC() {
  const TEnhMetaData& R = *ReadRecord<TEnhMetaObj>().P();
  for (std::int64_t Count = R.RestoreDC.iRelative; Count < 0 && !FDCList.empty(); ++Count) {
    FDC = std::move(FDCList.back());
    FDCList.pop_back();
  }
  FinishRecord();
}

void TEMFAbstractExport::DoModifyWorldTransform() {
  const TEnhMetaData& R = *ReadRecord<TEnhMetaObj>().P();
  tagXFORM& X = FDC->FData.XForm;
  switch (R.ModifyWorldTransform.iMode) {
    case 1: X = {1, 0, 0, 1, 0, 0}; break;
    case 2: CombineXForm(R.ModifyWorldTransform.xform, X, X); break;
    case 3: CombineXForm(X, R.ModifyWorldTransform.xform, X); break;
    case 4: X = R.ModifyWorldTransform.xform; break;
    default: break;
  }
  FinishRecord();
}

void TEMFAbstractExport::DoExtSelectClipRgn() {
  const TEMRExtSelectClipRgnObj& Obj = ReadRecord<TEMRExtSelectClipRgnObj>();
  if (ShowComments) Describe();
  const TEnhMetaData& R = *Obj.P();
  std::optional<TEMFRegion>& Clip = FDC->FData.ClipRgn;
  if (R.ExtSelectClipRgn.cbRgnData == 0) {
    Clip.reset();
  } else {
    const std::uint32_t N = Obj.PRegionData()->nCount;
    std::vector<TRect> Rects(N);
    for (std::uint32_t I = 0; I < N; ++I) Rects[I] = Obj.GetRegion(I);
    TEMFRegion Rgn = TEMFRegion::FromRects(Rects);
    const std::uint32_t Mode = R.ExtSelectClipRgn.iMode;
    if (!Clip)
      Clip = std::move(Rgn);
    else if (Mode >= 1 && Mode <= 5)
      Clip = TEMFRegion::Combine(*Clip, Rgn, static_cast<TEMFRegion::TCombineMode>(Mode));
  }
  Comment(std::u16string());
}

void TEMFAbstractExport::DoHeader() {
  const TEnhMetaHeaderObj& Obj = ReadRecord<TEnhMetaHeaderObj>();
  const tagENHMETAHEADER& H = Obj.P()->Header;
  FEMRLastCreated.assign(H.nHandles, nullptr);
  TDeviceContextData& S = FDC->FData;
  S.DeviceTopLeft = TPoint{H.rclBounds.Left, H.rclBounds.Top};
  // A header without a physical size gives no frame offset.
  S.rTopLeft.X = H.szlMillimeters.cx != 0
                     ? double(H.szlDevice.cx) / H.szlMillimeters.cx * H.rclFrame.Left / 100
                     : 0;
  S.rTopLeft.Y = H.szlMillimeters.cy != 0
                     ? double(H.szlDevice.cy) / H.szlMillimeters.cy * H.rclFrame.Top / 100
                     : 0;
  if (H.nPalEntries > 0) ReadEOFPalette();
  FinishRecord();
}

void TEMFAbstractExport::ReadEOFPalette() {
  const tagEMR Header = FLastRecord;
  const std::uint32_t Entries = FEMRList.back()->P()->Header.nPalEntries;
  const std::int64_t Behind = FInStream->Position();
  const std::int64_t Size = FInStream->Size();
  std::int64_t Pos = Behind - Header.nSize;
  while (FLastRecord.iType != EMR_EOF && Pos < Size) {
    Pos += FLastRecord.nSize;
    FInStream->SetPosition(std::min(Pos, Size));
    AlignStream();
    Pos = FInStream->Position();
    if (Size - Pos < 8) break;
    PeekRecordHeader();
    // A record that does not move past its own header would hold the search in place.
    if (FLastRecord.nSize < 8) {
      FInStream->SetPosition(Behind);
      throw EEMFError("Malformed metafile record " + RecordText(FLastRecord.iType) + " at offset " +
                      std::to_string(Pos) + ": size " + std::to_string(FLastRecord.nSize));
    }
  }
  if (FLastRecord.iType != EMR_EOF || FLastRecord.nSize > Size - Pos) {
    FInStream->SetPosition(Behind);
    throw EEMFError("EMR_EoF not found");
  }
  TEoFObj EoF(*FInStream, static_cast<int>(FLastRecord.nSize));
  FInStream->SetPosition(Behind);
  EoF.CheckRange(EoF.P()->EoF.offPalEntries, 4 * std::int64_t(Entries), "palette");
  std::vector<TColor>& Palette = FDC->FData.EOFPalette;
  Palette.resize(Entries);
  for (std::uint32_t I = 0; I < Entries; ++I) {
    const tagPALETTEENTRY E = EoF.GetPaletteEntry(I);
    std::memcpy(&Palette[I], &E, 4);  // the entry's 4 bytes as one value
  }
  FLastRecord = Header;
}

void TEMFAbstractExport::DoUnknown() {
  const std::int64_t Pos = FInStream->Position();
  SetParsing(u"######################### Unknown\r\n" +
             Fmt("Type:%d Size:%d Data:", static_cast<std::int32_t>(FLastRecord.iType),
                 static_cast<std::int32_t>(FLastRecord.nSize)));
  if (ShowComments) {
    std::vector<std::uint8_t> Bytes(FLastRecord.nSize);
    FInStream->ReadBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
    TQuickWideFragment Hex(1024);
    for (std::uint8_t B : Bytes) Hex.AddWide(ByteToHex(B));
    DescribeMore(Hex.Text());
  }
  FInStream->SetPosition(Pos + FLastRecord.nSize);
  Comment(std::u16string());
}

// ---------------------------------------------------------------------------------------------
// Coordinates

double TEMFAbstractExport::LogToDevX(double X) {
  const TDeviceContextData& S = DC().FData;
  if (S.MapMode >= 1 && S.MapMode <= 6) return X - S.WindowOrgEx.X + S.ViewPortOrgEx.X;
  const double Ratio = S.WindowExtEx.cx != 0 ? double(S.ViewPortExtEx.cx) / S.WindowExtEx.cx : 1;
  return (X - S.WindowOrgEx.X) * Ratio + S.ViewPortOrgEx.X - S.rTopLeft.X;
}

double TEMFAbstractExport::LogToDevY(double Y) {
  const TDeviceContextData& S = DC().FData;
  if (S.MapMode >= 1 && S.MapMode <= 6) return Y - S.WindowOrgEx.Y + S.ViewPortOrgEx.Y;
  const double Ratio = S.WindowExtEx.cy != 0 ? double(S.ViewPortExtEx.cy) / S.WindowExtEx.cy : 1;
  return (Y - S.WindowOrgEx.Y) * Ratio + S.ViewPortOrgEx.Y - S.rTopLeft.Y;
}

TrepPoint TEMFAbstractExport::LogToDevXY(double X, double Y) {
  TrepPoint P = MakeRepPoint(LogToDevX(X), LogToDevY(Y));
  ApplyWorldTransform(P);
  return P;
}

TrepPoint TEMFAbstractExport::LogToDevPoint(const TrepPoint& P) { return LogToDevXY(P.X, P.Y); }

TrepPoint TEMFAbstractExport::LogToDevPoint(const TPoint& P) { return LogToDevXY(P.X, P.Y); }

TrepPoint TEMFAbstractExport::LogToDevPoint(std::uint32_t P) {
  const auto X = static_cast<std::int16_t>(P & 0xFFFF);
  const auto Y = static_cast<std::int16_t>(P >> 16);
  return LogToDevXY(X, Y);
}

void TEMFAbstractExport::ApplyWorldTransform(TrepPoint& P) {
  if (!EnableTransform || DC().IsXFormDefault()) return;
  const tagXFORM& F = FDC->FData.XForm;
  const double X = P.X, Y = P.Y;
  P.X = X * F.eM11 + Y * F.eM21 + F.eDx;
  P.Y = X * F.eM12 + Y * F.eM22 + F.eDy;
}

double TEMFAbstractExport::LogToDevSizeX(double W) {
  const TDeviceContextData& S = DC().FData;
  if (std::isnan(W) || W < 1) W = 1;
  double F = 1;
  if (!(S.MapMode >= 1 && S.MapMode <= 6) && S.WindowExtEx.cx != 0)
    F = double(S.ViewPortExtEx.cx) / S.WindowExtEx.cx;
  const double E = FDC->IsXFormDefault() ? 1 : S.XForm.eM11;
  return W * F * E;
}

double TEMFAbstractExport::LogToDevSizeY(double H) {
  const TDeviceContextData& S = DC().FData;
  if (std::isnan(H) || H < 1) H = 1;
  double F = 1;
  if (!(S.MapMode >= 1 && S.MapMode <= 6) && S.WindowExtEx.cy != 0)
    F = double(S.ViewPortExtEx.cy) / S.WindowExtEx.cy;
  const double E = FDC->IsXFormDefault() ? 1 : S.XForm.eM22;
  return H * F * E;
}

double TEMFAbstractExport::LogToDevSize(double W) { return (LogToDevSizeX(W) + LogToDevSizeY(W)) / 2; }

void CombineXForm(const tagXFORM& A, const tagXFORM& B, tagXFORM& C) {
  const tagXFORM X = A, Y = B;
  C.eM11 = X.eM11 * Y.eM11 + X.eM12 * Y.eM21;
  C.eM12 = X.eM11 * Y.eM12 + X.eM12 * Y.eM22;
  C.eM21 = X.eM21 * Y.eM11 + X.eM22 * Y.eM21;
  C.eM22 = X.eM21 * Y.eM12 + X.eM22 * Y.eM22;
  C.eDx = X.eDx * Y.eM11 + X.eDy * Y.eM21 + Y.eDx;
  C.eDy = X.eDx * Y.eM12 + X.eDy * Y.eM22 + Y.eDy;
}

// =============================================================================================
// Descriptions

void TEMFAbstractExport::Describe() {
  TEnhMetaObj& Obj = *FEMRList.back();
  const TEnhMetaData& D = *Obj.P();
  const std::uint32_t Type = Obj.RecordType();
  const std::u16string Head = u"EMR_" + Ascii(EMFRecordName(Type));
  auto Set = [this, &Head](std::initializer_list<std::u16string> Items, bool Etc = false) {
    SetParsing(Head + Sep + Join(Items) + (Etc ? u"    etc." : u""));
  };
  auto Rect = [](const char* Label, const TRect& R) {
    return Ascii(Label) + u": " + RectText(R);
  };
  auto Hex = [&Obj](std::int64_t From, std::int64_t To) {
    TQuickWideFragment F(1024);
    for (std::int64_t I = From; I < To; ++I) F.AddWide(ByteToHex(Obj.ByteAt(I)));
    return F.Text();
  };
  auto Float = [](float V) { return static_cast<double>(V); };

  switch (Type) {
    case EMR_SETMETARGN: case EMR_SAVEDC: case EMR_REALIZEPALETTE: case EMR_BEGINPATH:
    case EMR_ENDPATH: case EMR_CLOSEFIGURE: case EMR_FLATTENPATH: case EMR_WIDENPATH:
    case EMR_ABORTPATH: case EMR_RESERVED_69:
      SetParsing(Head);
      break;
    case EMR_TRANSPARENTDIB: SetParsing(u"TransparentDIB"); break;
    case EMR_DRAWESCAPE: case EMR_EXTESCAPE: case EMR_STARTDOC: case EMR_NAMEDESCAPE:
    case EMR_SETLINKEDUFIS: case EMR_SETTEXTJUSTIFICATION: case EMR_COLORMATCHTOTARGETW:
      SetParsing(Head + u"    etc.");
      break;

    case EMR_SETWINDOWEXTEX:
      Set({Fmt("szlExtent: %d, %d", D.SetWindowExtEx.szlExtent.cx, D.SetWindowExtEx.szlExtent.cy)});
      break;
    case EMR_SETVIEWPORTEXTEX:
      SetParsing(u"EMR_SetViewPortExtExX" + std::u16string(Sep) +
                 Fmt("szlExtent: %d, %d", D.SetViewPortExtEx.szlExtent.cx,
                     D.SetViewPortExtEx.szlExtent.cy));
      break;
    case EMR_SETWINDOWORGEX: case EMR_SETVIEWPORTORGEX:
      Set({Fmt("ptlOrigin: %d, %d", D.SetWindowOrgEx.ptlOrigin.X, D.SetWindowOrgEx.ptlOrigin.Y)});
      break;
    case EMR_SETBRUSHORGEX:
      SetParsing(u"EMR_BrushOrgEx" + std::u16string(Sep) +
                 Fmt("ptlOrigin: %d, %d", D.SetBrushOrgEx.ptlOrigin.X, D.SetBrushOrgEx.ptlOrigin.Y));
      break;
    case EMR_SETPIXELV:
      Set({Fmt("ptlPixel: %d, %d", D.SetPixelV.ptlPixel.X, D.SetPixelV.ptlPixel.Y),
           Fmt("crColor: %u", D.SetPixelV.crColor)});
      break;
    case EMR_SETMAPPERFLAGS: Set({Fmt("dwFlags: %u", D.SetMapperFlags.dwFlags)}); break;
    case EMR_SETMAPMODE: case EMR_SETBKMODE: case EMR_SETPOLYFILLMODE: case EMR_SETROP2:
    case EMR_SETSTRETCHBLTMODE: case EMR_SETTEXTALIGN: case EMR_SELECTCLIPPATH:
    case EMR_SETICMMODE: case EMR_SETLAYOUT:
      Set({Fmt("iMode: %u", D.SetMapMode.iMode)});
      break;
    case EMR_SETCOLORADJUSTMENT: {
      const tagCOLORADJUSTMENT& C = D.SetColorAdjustment.ColorAdjustment;
      Set({Fmt("ColorAdjustment.caSize: %u", C.caSize), Fmt("ColorAdjustment.caFlags: %u", C.caFlags),
           Fmt("ColorAdjustment.caIlluminantIndex: %u", C.caIlluminantIndex),
           Fmt("ColorAdjustment.caRedGamma: %u", C.caRedGamma),
           Fmt("ColorAdjustment.caGreenGamma: %u", C.caGreenGamma),
           Fmt("ColorAdjustment.caBlueGamma: %u", C.caBlueGamma)},
          true);
      break;
    }
    case EMR_SETTEXTCOLOR: case EMR_SETBKCOLOR: Set({Fmt("crColor: %u", D.SetTextColor.crColor)}); break;
    case EMR_OFFSETCLIPRGN:
      Set({Fmt("ptlOffset: %d, %d", D.OffsetClipRgn.ptlOffset.X, D.OffsetClipRgn.ptlOffset.Y)});
      break;
    case EMR_MOVETOEX: case EMR_LINETO: Set({Fmt("ptl: %d, %d", D.LineTo.ptl.X, D.LineTo.ptl.Y)}); break;
    case EMR_EXCLUDECLIPRECT: case EMR_INTERSECTCLIPRECT:
      Set({Rect("rclClip", D.ExcludeClipRect.rclClip)});
      break;
    case EMR_SCALEVIEWPORTEXTEX: case EMR_SCALEWINDOWEXTEX: {
      const tagEMRSCALEVIEWPORTEXTEX& S = D.ScaleViewportExtEx;
      Set({Fmt("xNum: %d", S.xNum), Fmt("xDenom: %d", S.xDenom), Fmt("yNum: %d", S.yNum),
           Fmt("yDenom: %d", S.yDenom)});
      break;
    }
    case EMR_RESTOREDC: Set({Fmt("iRelative: %d", D.RestoreDC.iRelative)}); break;
    case EMR_SETWORLDTRANSFORM: case EMR_MODIFYWORLDTRANSFORM: {
      const tagXFORM& X = D.ModifyWorldTransform.xform;
      std::u16string S = Join({Fmt("xform.eM11: %.3g", Float(X.eM11)), Fmt("xform.eM12: %.3g", Float(X.eM12)),
                               Fmt("xform.eM21: %.3g", Float(X.eM21)), Fmt("xform.eM22: %.3g", Float(X.eM22)),
                               Fmt("xform.eDx: %.3g", Float(X.eDx)), Fmt("xform.eDy: %.3g", Float(X.eDy))});
      if (Type == EMR_MODIFYWORLDTRANSFORM) S += Sep + Fmt("iMode: %u", D.ModifyWorldTransform.iMode);
      SetParsing(Head + Sep + S);
      break;
    }
    case EMR_SELECTOBJECT: case EMR_DELETEOBJECT:
      Set({Fmt("ihObject: %u", D.SelectObject.ihObject)});
      break;
    case EMR_CREATEPEN: {
      const tagEMRCREATEPEN& P = D.CreatePen;
      Set({Fmt("ihPen: %u", P.ihPen), Fmt("lopn.lopnStyle: %u", P.lopn.lopnStyle),
           Fmt("lopn.lopnWidth.X: %d", P.lopn.lopnWidth.X), Fmt("lopn.lopnColor: %u", P.lopn.lopnColor)});
      break;
    }
    case EMR_CREATEBRUSHINDIRECT: {
      const tagEMRCREATEBRUSHINDIRECT& B = D.CreateBrushIndirect;
      Set({Fmt("ihBrush: %u", B.ihBrush), Fmt("lb.lbStyle: %u", B.lb.lbStyle),
           Fmt("lb.lbColor: %u", B.lb.lbColor), Fmt("lb.lbHatch: %u", B.lb.lbHatch)});
      break;
    }
    case EMR_ANGLEARC: {
      const tagEMRANGLEARC& A = D.AngleArc;
      Set({Fmt("ptlCenter: %d, %d", A.ptlCenter.X, A.ptlCenter.Y), Fmt("nRadius: %u", A.nRadius),
           Fmt("eStartAngle: %.3g", Float(A.eStartAngle)), Fmt("eSweepAngle: %.3g", Float(A.eSweepAngle))});
      break;
    }
    case EMR_ELLIPSE: case EMR_RECTANGLE: Set({Rect("rclBox", D.Rectangle.rclBox)}); break;
    case EMR_ROUNDRECT:
      Set({Rect("rclBox", D.RoundRect.rclBox),
           Fmt("szlExtent: %d, %d", D.RoundRect.szlCorner.cx, D.RoundRect.szlCorner.cy)});
      break;
    case EMR_ARC: case EMR_CHORD: case EMR_PIE: case EMR_ARCTO:
      Set({Rect("rclBox", D.Arc.rclBox), Fmt("ptlStart: %d, %d", D.Arc.ptlStart.X, D.Arc.ptlStart.Y),
           Fmt("ptlEnd: %d, %d", D.Arc.ptlEnd.X, D.Arc.ptlEnd.Y)});
      break;
    case EMR_SELECTPALETTE: Set({Fmt("ihPal: %u", D.SelectPalette.ihPal)}); break;
    case EMR_RESIZEPALETTE:
      Set({Fmt("ihPal: %u", D.ResizePalette.ihPal), Fmt("cEntries: %u", D.ResizePalette.cEntries)});
      break;
    case EMR_EXTFLOODFILL:
      Set({Fmt("ptlStart: %d, %d", D.ExtFloodFill.ptlStart.X, D.ExtFloodFill.ptlStart.Y),
           Fmt("crColor: %u", D.ExtFloodFill.crColor), Fmt("iMode: %u", D.ExtFloodFill.iMode)});
      break;
    case EMR_SETARCDIRECTION: Set({Fmt("iArcDirection: %u", D.SetArcDirection.iArcDirection)}); break;
    case EMR_SETMITERLIMIT: Set({Fmt("eMiterLimit: %.3g", Float(FDC->MiterLimit()))}); break;
    case EMR_FILLPATH: case EMR_STROKEANDFILLPATH: case EMR_STROKEPATH:
      Set({Rect("rclBounds", D.FillPath.rclBounds)});
      break;
    case EMR_FILLRGN:
      Set({Rect("rclBounds", D.FillRgn.rclBounds), Fmt("cbRgnData: %u", D.FillRgn.cbRgnData),
           Fmt("ihBrush: %u", D.FillRgn.ihBrush)},
          true);
      break;
    case EMR_FRAMERGN:
      Set({Rect("rclBounds", D.FrameRgn.rclBounds), Fmt("cbRgnData: %u", D.FrameRgn.cbRgnData),
           Fmt("ihBrush: %u", D.FrameRgn.ihBrush),
           Fmt("szlStroke: %u, %u", static_cast<std::uint32_t>(D.FrameRgn.szlStroke.cx),
               static_cast<std::uint32_t>(D.FrameRgn.szlStroke.cy))},
          true);
      break;
    case EMR_INVERTRGN: case EMR_PAINTRGN:
      Set({Rect("rclBounds", D.InvertRgn.rclBounds), Fmt("cbRgnData: %u", D.InvertRgn.cbRgnData)}, true);
      break;
    case EMR_BITBLT: case EMR_MASKBLT: case EMR_ALPHABLEND: case EMR_TRANSPARENTBLT: {
      const tagEMRBITBLT& B = D.BitBlt;
      Set({Rect("rclBounds", B.rclBounds), Fmt("xDest: %d", B.xDest), Fmt("yDest: %d", B.yDest),
           Fmt("cxDest: %d", B.cxDest), Fmt("cyDest: %d", B.cyDest), Fmt("dwRop: %u", B.dwRop)},
          true);
      break;
    }
    case EMR_PLGBLT: {
      const tagEMRPLGBLT& B = D.PLGBlt;
      Set({Rect("rclBounds", B.rclBounds), u"aptlDest[0]: " + PointText(B.aptlDest[0]),
           u"aptlDest[1]: " + PointText(B.aptlDest[1]), u"aptlDest[2]: " + PointText(B.aptlDest[2]),
           Fmt("xSrc: %d", B.xSrc), Fmt("ySrc: %d", B.ySrc), Fmt("cxSrc: %d", B.cxSrc),
           Fmt("cySrc: %d", B.cySrc)},
          true);
      break;
    }
    case EMR_SETDIBITSTODEVICE: {
      const tagEMRSETDIBITSTODEVICE& B = D.SetDIBitsToDevice;
      Set({Rect("rclBounds", B.rclBounds), Fmt("xDest: %d", B.xDest), Fmt("yDest: %d", B.yDest),
           Fmt("xSrc: %d", B.xSrc), Fmt("ySrc: %d", B.ySrc), Fmt("cxSrc: %d", B.cxSrc),
           Fmt("cySrc: %d", B.cySrc)},
          true);
      break;
    }
    case EMR_CREATEMONOBRUSH: case EMR_CREATEDIBPATTERNBRUSHPT:
      Set({Fmt("ihBrush: %u", D.CreateMonoBrush.ihBrush), Fmt("iUsage: %u", D.CreateMonoBrush.iUsage)}, true);
      break;
    case EMR_CREATECOLORSPACE: case EMR_CREATECOLORSPACEW: {
      const tagLOGCOLORSPACEA& L = D.CreateColorSpace.lcs;
      Set({Fmt("ihCS: %u", D.CreateColorSpace.ihCS), Fmt("lcs.lcsSignature: %u", L.lcsSignature),
           Fmt("lcs.lcsVersion: %u", L.lcsVersion), Fmt("lcs.lcsSize: %u", L.lcsSize),
           Fmt("lcs.lcsCSType: %d", L.lcsCSType), Fmt("lcs.lcsIntent: %d", L.lcsIntent)},
          true);
      break;
    }
    case EMR_SETCOLORSPACE: case EMR_DELETECOLORSPACE: Set({Fmt("ihCS: %u", D.SetColorSpace.ihCS)}); break;
    case EMR_PIXELFORMAT:
      Set({Fmt("pfd.nSize: %u", D.PixelFormat.pfd.nSize), Fmt("pfd.nVersion: %u", D.PixelFormat.pfd.nVersion),
           Fmt("pfd.dwFlags: %u", D.PixelFormat.pfd.dwFlags)},
          true);
      break;
    case EMR_FORCEUFIMAPPING:
      Set({Fmt("Checksum: %u", D.ForceUFIMapping.Checksum), Fmt("Index: %u", D.ForceUFIMapping.Index)});
      break;
    case EMR_COLORCORRECTPALETTE: {
      const TEMRColorCorrectPalette& C = D.ColorCorrectPalette;
      Set({Fmt("ihPalette: %u", C.ihPalette), Fmt("nFirstEntry: %u", C.nFirstEntry),
           Fmt("nPalEntries: %u", C.nPalEntries), Fmt("nReserved: %u", C.nReserved)});
      break;
    }
    case EMR_SETICMPROFILEA: case EMR_SETICMPROFILEW:
      Set({Fmt("dwFlags: %u", D.SetIcmProfileA.dwFlags), Fmt("cbName: %u", D.SetIcmProfileA.cbName),
           Fmt("cbData: %u", D.SetIcmProfileA.cbData)},
          true);
      break;
    case EMR_GRADIENTFILL:
      Set({Rect("rclBounds", D.GradientFill.rclBounds), Fmt("nVer: %u", D.GradientFill.nVer),
           Fmt("nTri: %u", D.GradientFill.nTri), Fmt("ulMode: %u", D.GradientFill.ulMode)},
          true);
      break;

    case EMR_STRETCHBLT: {
      const tagEMRSTRETCHBLT& B = D.StretchBlt;
      SetParsing(u"EMR_StretchBlt    " + Rect("rclBounds", B.rclBounds) + Sep +
                 Fmt("xDest: %d    yDest: %d    cxDest: %d    cyDest: %d    dwRop: %u    etc.", B.xDest,
                     B.yDest, B.cxDest, B.cyDest, B.dwRop));
      break;
    }
    case EMR_STRETCHDIBITS: {
      const tagEMRSTRETCHDIBITS& B = D.StretchDIBits;
      SetParsing(u"EMR_StretchDIBits    " + Rect("rclBounds", B.rclBounds) + Sep +
                 Fmt("xDest: %d    yDest: %d    xSrc: %d    ySrc: %d    cxSrc: %d    cySrc: %d    "
                     "cxDest: %d    cyDest: %d    dwRop: %u    etc.",
                     B.xDest, B.yDest, B.xSrc, B.ySrc, B.cxSrc, B.cySrc, B.cxDest, B.cyDest, B.dwRop));
      break;
    }
    case EMR_HEADER: {
      const tagENHMETAHEADER& H = D.Header;
      const auto& Hd = static_cast<const TEnhMetaHeaderObj&>(Obj);
      std::u16string S = u"EMR_Header    ";
      for (const std::u16string& Item :
           {Rect("rclBounds", H.rclBounds), Rect("rclFrame", H.rclFrame), Fmt("nRecords: %u", H.nRecords),
            Fmt("nHandles: %u", unsigned(H.nHandles)), u"Description: " + Hd.Description(),
            Fmt("nPalEntries: %u", H.nPalEntries),
            Fmt("szlDevice: %u, %u", unsigned(H.szlDevice.cx), unsigned(H.szlDevice.cy))})
        S += Item + Sep;
      S += Fmt("szlMillimeters: %u, %u", unsigned(H.szlMillimeters.cx), unsigned(H.szlMillimeters.cy));
      if (Hd.Extension() != 0)
        S += Sep + Fmt("cbPixelFormat: %u", H.cbPixelFormat) + Sep + Fmt("bOpenGL: %u", H.bOpenGL);
      SetParsing(S);
      break;
    }
    case EMR_EOF: {
      const auto& E = static_cast<const TEoFObj&>(Obj);
      TQuickWideFragment F(1024);
      F.AddWide(u"EMR_EoF    ");
      F.AddWide("nPalEntries: %u", D.EoF.nPalEntries);
      F.AddWide(Sep);
      F.AddWide("offPalEntries: %u", D.EoF.offPalEntries);
      for (std::uint32_t I = 0; I < D.EoF.nPalEntries; ++I) {
        const tagPALETTEENTRY P = E.GetPaletteEntry(I);
        std::uint32_t V;
        std::memcpy(&V, &P, 4);
        F.AddWide("    %u: %u", I, V);
      }
      F.AddWide(Sep);
      F.AddWide("nSizeLast: %u", E.nSizeLast());
      SetParsing(F.Text());
      break;
    }
    case EMR_CREATEPALETTE: {
      const tagEMRCREATEPALETTE& C = D.CreatePalette;
      TQuickWideFragment F(1024);
      F.AddWide(Head + Sep);
      F.AddWide(Join({Fmt("ihPal: %u", C.ihPal), Fmt("lgpl.palVersion: %u", unsigned(C.lgpl.palVersion)),
                      Fmt("lgpl.palNumEntries: %u", unsigned(C.lgpl.palNumEntries))}));
      for (std::uint32_t I = 0; I < C.lgpl.palNumEntries; ++I) F.AddWide("    %u: %u", I, Obj.LongWordAt(16 + 4 * I));
      SetParsing(F.Text());
      break;
    }
    case EMR_SETPALETTEENTRIES: {
      const tagEMRSETPALETTEENTRIES& C = D.SetPaletteEntries;
      TQuickWideFragment F(1024);
      F.AddWide(Head + Sep);
      F.AddWide(Join({Fmt("ihPal: %u", C.ihPal), Fmt("iStart: %u", C.iStart), Fmt("cEntries: %u", C.cEntries)}));
      for (std::uint32_t I = 0; I < C.cEntries; ++I) F.AddWide("    %u: %u", I, Obj.LongWordAt(20 + 4 * std::int64_t(I)));
      SetParsing(F.Text());
      break;
    }
    case EMR_EXTCREATEPEN: {
      const tagEMREXTCREATEPEN& P = D.ExtCreatePen;
      TQuickWideFragment F(1024);
      F.AddWide(Head + Sep);
      F.AddWide(Join({Fmt("ihPen: %u", P.ihPen), Fmt("offBmi: %u", P.offBmi), Fmt("cbBmi: %u", P.cbBmi),
                      Fmt("offBits: %u", P.offBits), Fmt("cbBits: %u", P.cbBits),
                      Fmt("elp.elpPenStyle: %u", P.elp.elpPenStyle), Fmt("elp.elpWidth: %u", P.elp.elpWidth),
                      Fmt("elp.elpBrushStyle: %u", P.elp.elpBrushStyle), Fmt("elp.elpColor: %u", P.elp.elpColor),
                      Fmt("elp.elpHatch: %u", P.elp.elpHatch), Fmt("elp.elpNumEntries: %u", P.elp.elpNumEntries)}));
      for (std::uint32_t I = 0; I < P.elp.elpNumEntries; ++I) {
        F.AddWide(Sep);
        F.AddWide("%u: %u", I, Obj.LongWordAt(52 + 4 * std::int64_t(I)));
      }
      SetParsing(F.Text());
      break;
    }
    case EMR_EXTCREATEFONTINDIRECTW: {
      const tagEMREXTCREATEFONTINDIRECTW& R = D.ExtCreateFontIndirectW;
      const tagLOGFONTW& L = R.elfw.elfLogFont;
      std::u16string S =
          Head + Sep +
          Join({Fmt("ihFont: %u", R.ihFont), Fmt("elfw.elfLogFont.lfHeight: %d", L.lfHeight),
                Fmt("elfw.elfLogFont.lfWidth: %d", L.lfWidth), Fmt("elfw.elfLogFont.lfEscapement: %d", L.lfEscapement),
                Fmt("elfw.elfLogFont.lfOrientation: %d", L.lfOrientation),
                Fmt("elfw.elfLogFont.lfWeight: %d", L.lfWeight), Fmt("elfw.elfLogFont.lfItalic: %u", L.lfItalic),
                Fmt("elfw.elfLogFont.lfUnderline: %u", L.lfUnderline),
                Fmt("elfw.elfLogFont.lfStrikeOut: %u", L.lfStrikeOut),
                Fmt("elfw.elfLogFont.lfCharSet: %u", L.lfCharSet),
                Fmt("elfw.elfLogFont.lfOutPrecision: %u", L.lfOutPrecision),
                Fmt("elfw.elfLogFont.lfClipPrecision: %u", L.lfClipPrecision),
                Fmt("elfw.elfLogFont.lfQuality: %u", L.lfQuality),
                Fmt("elfw.elfLogFont.lfPitchAndFamily: %u", L.lfPitchAndFamily),
                u"elfw.elfLogFont.lfFaceName: " + WideCharsToText(L.lfFaceName, 32)});
      if (Obj.Size() > 332)
        S += Sep + (u"elfw.elfFullName: " + WideCharsToText(R.elfw.elfFullName, 64)) + Sep +
             (u"elfw.elfStyle: " + WideCharsToText(R.elfw.elfStyle, 32));
      SetParsing(S + u"    etc.");
      break;
    }
    case EMR_EXTSELECTCLIPRGN: {
      const auto& C = static_cast<const TEMRExtSelectClipRgnObj&>(Obj);
      TQuickWideFragment F(1024);
      F.AddWide(Head + Sep);
      F.AddWide("cbRgnData: %u", D.ExtSelectClipRgn.cbRgnData);
      F.AddWide(Sep);
      F.AddWide("iMode: %u", D.ExtSelectClipRgn.iMode);
      F.AddWide(Sep);
      if (D.ExtSelectClipRgn.cbRgnData != 0) {
        const std::uint32_t N = C.PRegionData()->nCount;
        F.AddWide("nCount: %u", N);
        for (std::uint32_t I = 0; I < N; ++I) {
          F.AddWide("    %u: ", I);
          F.AddWide(RectText(C.GetRegion(I)));
        }
      }
      SetParsing(F.Text());
      break;
    }
    case EMR_EXTTEXTOUTA: case EMR_EXTTEXTOUTW: {
      const tagEMREXTTEXTOUTA& T = D.ExtTextOutW;
      const auto& X = static_cast<const TEMRExtTextOutObj&>(Obj);
      const std::u16string Text =
          Type == EMR_EXTTEXTOUTW ? static_cast<const TEMRExtTextOutWObj&>(Obj).OutputString(FDC->FontFamily(), false)
                                  : Latin1(static_cast<const TEMRExtTextOutAObj&>(Obj).OutputString());
      std::u16string S = Head + Sep;
      for (const std::u16string& Item :
           {Rect("rclBounds", T.rclBounds), Fmt("iGraphicsMode: %u", T.iGraphicsMode),
            Fmt("exScale: %.3g", Float(T.exScale)), Fmt("eyScale: %.3g", Float(T.eyScale)),
            u"emrtext.ptlReference: " + PointText(T.emrtext.ptlReference),
            Fmt("emrtext.nChars: %u", T.emrtext.nChars), Fmt("emrtext.offString: %u", T.emrtext.offString),
            Fmt("emrtext.fOptions: %u", T.emrtext.fOptions), Rect("emrtext.rcl", T.emrtext.rcl),
            Fmt("emrtext.offDx: %u", T.emrtext.offDx), u"OutputString: " + Text})
        S += Item + Sep;
      const TLongWordArray Dx = X.OutputDx();
      S += u"Dx: " + LongWordsText(Dx);
      if (Type == EMR_EXTTEXTOUTW) {
        std::uint32_t Sum = 0;
        for (std::uint32_t V : Dx) Sum += V;
        S += u" (" + LongWordsSumText(Dx) + u")" + u" (" +
             Ascii(FloatToFixedText(LogToDevSize(static_cast<std::int32_t>(Sum)), 1, '.')) + u")";
      }
      if (X.IsOption(ETO_PDY)) S += u"Dy: " + LongWordsText(X.OutputDy());
      SetParsing(S);
      break;
    }
    case EMR_POLYTEXTOUTA: case EMR_POLYTEXTOUTW: {
      const tagEMRPOLYTEXTOUTA& T = D.PolyTextOutW;
      TQuickWideFragment F(1024);
      F.AddWide(Head + Sep);
      F.AddWide(Join({Rect("rclBounds", T.rclBounds), Fmt("iGraphicsMode: %u", T.iGraphicsMode),
                      Fmt("exScale: %.3g", Float(T.exScale)), Fmt("eyScale: %.3g", Float(T.eyScale)),
                      Fmt("cStrings: %d", T.cStrings)}));
      for (int I = 0; I < T.cStrings; ++I) {
        const std::int64_t E = 40 + 40 * std::int64_t(I);
        const TRect R{Obj.IntegerAt(E + 20), Obj.IntegerAt(E + 24), Obj.IntegerAt(E + 28), Obj.IntegerAt(E + 32)};
        const std::u16string Text =
            Type == EMR_POLYTEXTOUTW ? static_cast<const TEMRPolyTextOutWObj&>(Obj).GetOutputString(I)
                                     : Latin1(static_cast<const TEMRPolyTextOutAObj&>(Obj).GetOutputString(I));
        F.AddWide("    %d:", I);
        F.AddWide(Sep);
        F.AddWide("ptlReference: %d, %d", Obj.IntegerAt(E), Obj.IntegerAt(E + 4));
        F.AddWide("    nChars: %u    offString: %u    fOptions: %u", Obj.LongWordAt(E + 8),
                  Obj.LongWordAt(E + 12), Obj.LongWordAt(E + 16));
        F.AddWide(u"    rcl: " + RectText(R));
        F.AddWide("    offDx: %u", Obj.LongWordAt(E + 36));
        F.AddWide(u"    OutputString: " + Text + u"    etc.");
      }
      SetParsing(F.Text());
      break;
    }
    case EMR_SMALLTEXTOUT: {
      const auto& T = static_cast<const TEMRSmallTextOutObj&>(Obj);
      const TEMRSmallTextOut& R = D.SmallTextOut;
      std::u16string S = Head + Sep;
      for (const std::u16string& Item :
           {Fmt("ptlReference: %d, %d", R.ptlReference.X, R.ptlReference.Y), Fmt("nChars: %u", R.nChars),
            Fmt("fuOptions: %u", R.fuOptions), Fmt("iGraphicsMode: %u", R.iGraphicsMode),
            Fmt("exScale: %.3g", Float(R.exScale)), Fmt("eyScale: %.3g", Float(R.eyScale))})
        S += Item + Sep;
      if (!T.IsNoRect()) S += u"rclClip: " + RectText(R.rclClip) + Sep;
      S += u"OutputString: " + (T.IsANSI() ? Latin1(T.OutputStringANSI()) : T.OutputStringWide());
      SetParsing(S);
      break;
    }
    case EMR_POLYDRAW: case EMR_POLYDRAW16: {
      const bool Small = Type == EMR_POLYDRAW16;
      const std::uint32_t N = D.PolyDraw.cptl;
      TQuickWideFragment F(1024);
      F.AddWide(u"EMR_PolyDraw    " + Rect("rclBounds", D.PolyDraw.rclBounds) + Sep);
      F.AddWide("cpts: %u", N);
      F.AddWide(Sep);
      for (std::uint32_t I = 0; I < N; ++I) {
        const std::int64_t At = 28 + (Small ? 4 : 8) * std::int64_t(I);
        int X, Y;
        if (Small) {
          const std::uint32_t V = Obj.LongWordAt(At);
          X = static_cast<std::int16_t>(V & 0xFFFF);
          Y = static_cast<std::int16_t>(V >> 16);
        } else {
          X = Obj.IntegerAt(At);
          Y = Obj.IntegerAt(At + 4);
        }
        const unsigned PointType = Small ? static_cast<const TEMRPolyDraw16Obj&>(Obj).GetTypes(I)
                                         : static_cast<const TEMRPolyDrawObj&>(Obj).GetTypes(I);
        F.AddWide(" (%d:%d %u)", X, Y, PointType);
      }
      SetParsing(F.Text());
      break;
    }
    case EMR_POLYBEZIER: case EMR_POLYGON: case EMR_POLYLINE: case EMR_POLYBEZIERTO:
    case EMR_POLYLINETO: case EMR_POLYBEZIER16: case EMR_POLYGON16: case EMR_POLYLINE16:
    case EMR_POLYBEZIERTO16: case EMR_POLYLINETO16: {
      const bool Small = Type >= EMR_POLYBEZIER16;
      const std::uint32_t N = D.Polyline.cptl;
      TQuickWideFragment F(1024);
      F.AddWide(Head + Sep + Rect("rclBounds", D.Polyline.rclBounds) + Sep);
      F.AddWide("cpts: %u", N);
      for (std::uint32_t I = 0; I < N; ++I) {
        if (Small) {
          const std::uint32_t V = Obj.LongWordAt(28 + 4 * std::int64_t(I));
          F.AddWide(" (%d:%d)", static_cast<std::int16_t>(V & 0xFFFF), static_cast<std::int16_t>(V >> 16));
        } else {
          F.AddWide(" (%d:%d)", Obj.IntegerAt(28 + 8 * std::int64_t(I)), Obj.IntegerAt(32 + 8 * std::int64_t(I)));
        }
      }
      SetParsing(F.Text());
      break;
    }
    case EMR_POLYPOLYGON: case EMR_POLYPOLYLINE: case EMR_POLYPOLYGON16: case EMR_POLYPOLYLINE16: {
      const bool Small = Type == EMR_POLYPOLYGON16 || Type == EMR_POLYPOLYLINE16;
      const std::uint32_t NPolys = D.PolyPolygon.nPolys;
      TQuickWideFragment F(1024);
      F.AddWide(Head + Sep + Rect("rclBounds", D.PolyPolygon.rclBounds) + Sep);
      F.AddWide("nPolys: %u    cpts: %u", NPolys, D.PolyPolygon.cptl);
      // Walked in one pass: the points of each polygon follow those of the one before.
      std::int64_t At = 32 + 4 * std::int64_t(NPolys);
      for (std::uint32_t P = 0; P < NPolys; ++P) {
        const std::uint32_t Count = Obj.LongWordAt(32 + 4 * std::int64_t(P));
        F.AddWide("    Poly: %u (%u)", P, Count);
        for (std::uint32_t I = 0; I < Count; ++I) {
          if (Small) {
            const std::uint32_t V = Obj.LongWordAt(At);
            F.AddWide(" (%d:%d)", static_cast<std::int16_t>(V & 0xFFFF), static_cast<std::int16_t>(V >> 16));
            At += 4;
          } else {
            F.AddWide(" (%d:%d)", Obj.IntegerAt(At), Obj.IntegerAt(At + 4));
            At += 8;
          }
        }
      }
      SetParsing(F.Text());
      break;
    }
    case EMR_GLSRECORD:
      SetParsing(Head + Sep + Fmt("cbData: %u", D.GLSRecord.cbData) + Sep + u"Data:" +
                 Hex(12, 12 + std::int64_t(D.GLSRecord.cbData)));
      break;
    case EMR_GLSBOUNDEDRECORD:
      SetParsing(Head + Sep + Rect("rclBounds", D.GLSBoundedRecord.rclBounds) + Sep +
                 Fmt("cbData: %u", D.GLSBoundedRecord.cbData) + Sep + u"Data:" +
                 Hex(28, 28 + std::int64_t(D.GLSBoundedRecord.cbData)));
      break;
    case EMR_GDICOMMENT: {
      const std::int64_t CbData = D.GDIComment.cbData;
      std::u16string S = Head + Sep + Fmt("cbData: %u", D.GDIComment.cbData) + Sep;
      // Caption, a blank and the hex of the data from Start on (data offset 0 is record byte 12).
      auto CommentData = [&](const char16_t* Caption, std::int64_t Start) {
        S += std::u16string(Caption) + u" " + Hex(12 + Start, 12 + CbData);
      };
      // A comment too short for its identifiers counts as an unknown comment.
      const std::uint32_t Id = CbData >= 4 ? Obj.LongWordAt(12) : 0xFFFFFFFFu;
      if (CbData >= 4 && Id == 0) {
        CommentData(u"EMR_COMMENT_EMFSPOOL ", 4);
      } else if (Id == 0x2B464D45) {
        CommentData(u"EMR_COMMENT_EMFPLUS ", 4);
      } else if (Id == 0x43494447) {
        S += u"EMR_COMMENT_PUBLIC ";
        const std::uint32_t Kind = CbData >= 8 ? Obj.LongWordAt(16) : 0;
        if (Kind == 2 && CbData >= 24) {
          const TRect R{Obj.IntegerAt(20), Obj.IntegerAt(24), Obj.IntegerAt(28), Obj.IntegerAt(32)};
          S += u"EMR_COMMENT_BEGINGROUP " + (u"rcl: " + RectText(R));
          CommentData(u"", 24);
        } else if (Kind == 3) {
          CommentData(u"EMR_COMMENT_ENDGROUP", 8);
        } else if (Kind == 64) {
          CommentData(u"EMR_COMMENT_UNICODE_STRING", 8);
        } else if (Kind == 128) {
          CommentData(u"EMR_COMMENT_UNICODE_END", 8);
        } else if (Kind == 0x40000004) {
          CommentData(u"EMR_COMMENT_MULTIFORMATS", 8);
        } else if (Kind == 0x80000001) {
          CommentData(u"EMR_COMMENT_WINDOWS_METAFILE", 8);
        } else {
          CommentData(u"EMR_COMMENT_PUBLIC", 4);
        }
      } else {
        CommentData(u"EMR_COMMENT", 0);
      }
      SetParsing(S);
      break;
    }
    default: SetParsing(Head); break;
  }
}
