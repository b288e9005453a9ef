#include "platform/gfx/Picture.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string_view>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>

#include "platform/gfx/Graphics.h"
#include "platform/gfx/RasterCanvas.h"

namespace gfx {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

std::uint32_t Le32(const std::uint8_t* P) {
  return P[0] | P[1] << 8 | P[2] << 16 | static_cast<std::uint32_t>(P[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* P) { return static_cast<std::uint16_t>(P[0] | P[1] << 8); }
std::int32_t Le32s(const std::uint8_t* P) { return static_cast<std::int32_t>(Le32(P)); }
std::int16_t Le16s(const std::uint8_t* P) { return static_cast<std::int16_t>(Le16(P)); }

const std::uint8_t* Raw(const std::string& S) { return reinterpret_cast<const std::uint8_t*>(S.data()); }

void CheckSize(std::int64_t W, std::int64_t H) {
  if (W < 0 || H < 0) throw EInvalidGraphic("Invalid image size");
  if (W > kMaxImageSide || H > kMaxImageSide || W * H > kMaxImagePixels)
    throw EInvalidGraphic("Image too large: " + std::to_string(W) + " x " + std::to_string(H) + " pixels");
}

} // namespace

// ---- TGraphic ----

void TGraphic::LoadFromFile(const std::string& FileName) {
  rt::TMemoryStream S;
  S.LoadFromFile(FileName);
  LoadFromStream(S);
}

void TGraphic::SaveToFile(const std::string& FileName) const {
  rt::TMemoryStream S;
  SaveToStream(S);
  S.SaveToFile(FileName);
}

std::string ReadGraphicBytes(rt::TStream& Stream) {
  const std::int64_t Left = Stream.Size() - Stream.Position();
  if (Left > kMaxGraphicBytes) throw EInvalidGraphic("Image data too large");
  std::string Bytes(static_cast<std::size_t>(std::max<std::int64_t>(Left, 0)), '\0');
  if (!Bytes.empty()) Stream.ReadBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  return Bytes;
}

// ---- TBitmap ----

TBitmap::TBitmap() = default;
TBitmap::TBitmap(int AWidth, int AHeight, TPixelFormat AFormat) : FPixelFormat(AFormat) { SetSize(AWidth, AHeight); }
TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int AWidth, int AHeight) {
  CheckSize(AWidth, AHeight);
  if (AWidth == FWidth && AHeight == FHeight) return;
  if (AWidth == 0 || AHeight == 0) {
    FData.clear();
    FData.shrink_to_fit();
  } else {
    std::vector<std::uint32_t> N(static_cast<std::size_t>(AWidth) * static_cast<std::size_t>(AHeight), kWhite);
    const int W = std::min(AWidth, FWidth), H = std::min(AHeight, FHeight);
    for (int Y = 0; Y < H; ++Y)
      std::copy_n(FData.begin() + static_cast<std::ptrdiff_t>(Y) * FWidth, W,
                  N.begin() + static_cast<std::ptrdiff_t>(Y) * AWidth);
    FData = std::move(N);
  }
  FWidth = AWidth;
  FHeight = AHeight;
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
  if (Value == FPixelFormat) return;
  if (FPixelFormat == pf32bit)
    for (std::uint32_t& P : FData) {
      // Over white: premultiplied colour plus (255 - alpha) of white.
      const std::uint32_t A = P >> 24, Rest = 255 - A;
      auto Ch = [&](int Shift) { return std::min<std::uint32_t>(255, ((P >> Shift) & 0xFF) + Rest) << Shift; };
      P = 0xFF000000u | Ch(16) | Ch(8) | Ch(0);
    }
  FPixelFormat = Value;
  if (Value != pf32bit) AlphaFormat = afIgnored;
  Changed();
}

std::uint32_t* TBitmap::ScanLine(int Y) {
  if (Y < 0 || Y >= FHeight) throw EInvalidGraphic("Scan line index out of range");
  return FData.data() + static_cast<std::ptrdiff_t>(Y) * FWidth;
}

const std::uint32_t* TBitmap::ScanLine(int Y) const { return const_cast<TBitmap*>(this)->ScanLine(Y); }

TColor TBitmap::Pixel(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return clNone;
  const std::uint32_t P = FData[static_cast<std::size_t>(Y) * FWidth + X];
  const std::uint32_t A = P >> 24;
  auto Ch = [&](int Shift) -> std::uint32_t {
    const std::uint32_t V = (P >> Shift) & 0xFF;
    return A == 0 ? 0 : A == 255 ? V : std::min<std::uint32_t>(255, (V * 255 + A / 2) / A);
  };
  return static_cast<TColor>(Ch(16) | Ch(8) << 8 | Ch(0) << 16);
}

void TBitmap::SetPixel(int X, int Y, TColor Color) {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return;
  const std::uint32_t C = static_cast<std::uint32_t>(ColorToRGB(Color));
  FData[static_cast<std::size_t>(Y) * FWidth + X] = 0xFF000000u | (C & 0xFF) << 16 | (C & 0xFF00) | (C >> 16 & 0xFF);
}

int TBitmap::Alpha(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return 0;
  return static_cast<int>(FData[static_cast<std::size_t>(Y) * FWidth + X] >> 24);
}

TCanvas& TBitmap::Canvas() {
  if (!FCanvas) FCanvas = std::make_unique<TRasterCanvas>(*this);
  return *FCanvas;
}

TColor TBitmap::EffectiveTransparentColor() const {
  if (TransparentColor != clNone) return TransparentColor;
  return Empty() ? clNone : Pixel(0, FHeight - 1);
}

void TBitmap::LoadFromStream(rt::TStream& Stream) {
  const std::string B = ReadGraphicBytes(Stream);
  std::string Error;
  if (!LoadFromBMP(Raw(B), B.size(), &Error)) throw EInvalidGraphic(Error);
}

void TBitmap::SaveToStream(rt::TStream& Stream) const {
  const bool Alpha32 = FPixelFormat == pf32bit;
  const std::uint32_t RowBytes = Alpha32 ? FWidth * 4u : (FWidth * 3u + 3u) & ~3u;
  const std::uint32_t Image = RowBytes * static_cast<std::uint32_t>(FHeight);
  std::string Out(54 + Image, '\0');
  auto Put32 = [&](std::size_t At, std::uint32_t V) {
    for (int I = 0; I < 4; ++I) Out[At + I] = static_cast<char>(V >> (8 * I));
  };
  auto Put16 = [&](std::size_t At, std::uint16_t V) {
    Out[At] = static_cast<char>(V);
    Out[At + 1] = static_cast<char>(V >> 8);
  };
  Out[0] = 'B';
  Out[1] = 'M';
  Put32(2, static_cast<std::uint32_t>(Out.size()));
  Put32(10, 54);
  Put32(14, 40);
  Put32(18, static_cast<std::uint32_t>(FWidth));
  Put32(22, static_cast<std::uint32_t>(FHeight));
  Put16(26, 1);
  Put16(28, Alpha32 ? 32 : 24);
  Put32(34, Image);
  Put32(38, 3780);
  Put32(42, 3780);
  for (int Y = 0; Y < FHeight; ++Y) {
    std::size_t At = 54 + static_cast<std::size_t>(FHeight - 1 - Y) * RowBytes;
    for (int X = 0; X < FWidth; ++X) {
      const TColor C = Pixel(X, Y);
      Out[At++] = static_cast<char>(C >> 16 & 0xFF);
      Out[At++] = static_cast<char>(C >> 8 & 0xFF);
      Out[At++] = static_cast<char>(C & 0xFF);
      if (Alpha32) Out[At++] = static_cast<char>(Alpha(X, Y));
    }
  }
  Stream.WriteBuffer(Out.data(), static_cast<std::int64_t>(Out.size()));
}

void TBitmap::Draw(TCanvas& Canvas, const TRect& Rect) const {
  Canvas.StretchDraw(Rect, *this, Transparent ? EffectiveTransparentColor() : clNone);
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
  auto R = std::make_unique<TBitmap>();
  R->Assign(*this);
  return R;
}

void TBitmap::Assign(const TGraphic& Source) {
  if (&Source == this) return;
  if (const TBitmap* B = dynamic_cast<const TBitmap*>(&Source)) {
    FWidth = B->FWidth;
    FHeight = B->FHeight;
    FData = B->FData;
    FPixelFormat = B->FPixelFormat;
    AlphaFormat = B->AlphaFormat;
    TransparentColor = B->TransparentColor;
  } else if (const TBitmap* P = Source.Pixels()) {
    Assign(*P);
    return;
  } else {
    FData.clear();
    FWidth = FHeight = 0;
    FPixelFormat = pf24bit;
    SetSize(Source.Width(), Source.Height());
    if (!Source.Empty()) Source.Draw(Canvas(), {0, 0, FWidth, FHeight});
  }
  Transparent = Source.Transparent;
  Changed();
}

// ---- encoded graphics ----

namespace {

// Decoded pixels by the bytes they came from, for graphics of one class. Entries only point at
// bytes and pixels some graphic still holds; expired ones are swept as the table grows.
class TDecodedPictures {
public:
  bool Find(std::type_index Class, const std::string& Data, std::shared_ptr<const std::string>& Bytes,
            std::shared_ptr<const TBitmap>& Pixels) {
    const std::size_t Key = std::hash<std::string_view>()(Data);
    std::lock_guard L(FLock);
    auto [First, Last] = FEntries.equal_range(Key);
    for (auto It = First; It != Last; ++It) {
      if (It->second.Class != Class) continue;
      auto B = It->second.Bytes.lock();
      auto P = It->second.Pixels.lock();
      if (B && P && *B == Data) {
        Bytes = std::move(B);
        Pixels = std::move(P);
        return true;
      }
    }
    return false;
  }

  void Add(std::type_index Class, const std::shared_ptr<const std::string>& Bytes,
           const std::shared_ptr<const TBitmap>& Pixels) {
    const std::size_t Key = std::hash<std::string_view>()(*Bytes);
    std::lock_guard L(FLock);
    if (FEntries.size() >= FSweepAt) {
      std::erase_if(FEntries, [](const auto& E) { return E.second.Pixels.expired() || E.second.Bytes.expired(); });
      FSweepAt = std::max<std::size_t>(kFirstSweep, 2 * FEntries.size());
    }
    FEntries.emplace(Key, TEntry{Class, Bytes, Pixels});
  }

private:
  static constexpr std::size_t kFirstSweep = 64;
  struct TEntry {
    std::type_index Class;
    std::weak_ptr<const std::string> Bytes;
    std::weak_ptr<const TBitmap> Pixels;
  };
  std::mutex FLock;
  std::unordered_multimap<std::size_t, TEntry> FEntries;
  std::size_t FSweepAt = kFirstSweep;
};

TDecodedPictures& DecodedPictures() {
  static TDecodedPictures Table;
  return Table;
}

} // namespace

void TEncodedGraphic::LoadFromStream(rt::TStream& Stream) { LoadFromBytes(ReadGraphicBytes(Stream)); }

const std::string& TEncodedGraphic::Bytes() const {
  static const std::string None;
  return FBytes ? *FBytes : None;
}

void TEncodedGraphic::LoadFromBytes(std::string Data) {
  const std::type_index Class(typeid(*this));
  std::shared_ptr<const std::string> SharedBytes;
  std::shared_ptr<const TBitmap> SharedPixels;
  if (!Data.empty() && DecodedPictures().Find(Class, Data, SharedBytes, SharedPixels)) {
    FBytes = std::move(SharedBytes);
    FBitmap = std::move(SharedPixels);
    Changed();
    return;
  }
  std::string Error;
  auto Decoded = std::make_shared<TBitmap>();
  if (!Decode(Data, *Decoded, Error)) {
    FBitmap.reset();
    FBytes.reset();
    Changed();
    throw EInvalidGraphic(Error);
  }
  FBytes = std::make_shared<const std::string>(std::move(Data));
  FBitmap = std::move(Decoded);
  if (!FBytes->empty()) DecodedPictures().Add(Class, FBytes, FBitmap);
  Changed();
}

void TEncodedGraphic::ShareFrom(const TEncodedGraphic& Source) {
  FBytes = Source.FBytes;
  FBitmap = Source.FBitmap;
  Transparent = Source.Transparent;
}

void TEncodedGraphic::SaveToStream(rt::TStream& Stream) const {
  if (FBytes && !FBytes->empty()) Stream.WriteBuffer(FBytes->data(), static_cast<std::int64_t>(FBytes->size()));
}

void TEncodedGraphic::Draw(TCanvas& Canvas, const TRect& Rect) const {
  if (const TBitmap* B = Pixels())
    Canvas.StretchDraw(Rect, *B, Transparent && B->PixelFormat() != pf32bit ? B->EffectiveTransparentColor() : clNone);
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
  auto R = std::make_unique<TJPEGImage>();
  R->ShareFrom(*this);
  return R;
}
std::unique_ptr<TGraphic> TPNGObject::Clone() const {
  auto R = std::make_unique<TPNGObject>();
  R->ShareFrom(*this);
  return R;
}
std::unique_ptr<TGraphic> TIcon::Clone() const {
  auto R = std::make_unique<TIcon>();
  R->ShareFrom(*this);
  return R;
}

bool TJPEGImage::Decode(const std::string& B, TBitmap& Into, std::string& Error) const {
  return DecodeJPEG(Raw(B), B.size(), Into, Error);
}
bool TPNGObject::Decode(const std::string& B, TBitmap& Into, std::string& Error) const {
  return DecodePNG(Raw(B), B.size(), Into, Error);
}
bool TIcon::Decode(const std::string& B, TBitmap& Into, std::string& Error) const {
  return DecodeICO(Raw(B), B.size(), Into, Error);
}

void TJPEGImage::Assign(const TBitmap& Source, int Quality) { LoadFromBytes(EncodeJPEG(Source, Quality)); }
void TPNGObject::Assign(const TBitmap& Source) { LoadFromBytes(EncodePNG(Source)); }

bool TPNGObject::HasTransparency() const {
  if (!FBitmap) return false;
  for (std::uint32_t P : FBitmap->Data())
    if ((P >> 24) != 0xFF) return true;
  return false;
}

// ---- TMetafile ----

void TMetafile::LoadFromStream(rt::TStream& Stream) { LoadFromBytes(ReadGraphicBytes(Stream)); }

void TMetafile::Clear() {
  FBytes.clear();
  FWidth = FHeight = 0;
  FEnhanced = true;
  Changed();
}

void TMetafile::LoadFromBytes(std::string Data) {
  const std::uint8_t* P = Raw(Data);
  const std::size_t N = Data.size();
  std::int64_t W = 0, H = 0;
  bool Enh = true;
  if (N >= 22 && Le32(P) == 0x9AC6CDD7u) {
    // Placeable metafile: bounding box in units of Inch per inch.
    const int Inch = Le16(P + 14);
    if (Inch == 0) {
      Clear();
      throw EInvalidGraphic("Invalid metafile header");
    }
    W = (static_cast<std::int64_t>(Le16s(P + 10)) - Le16s(P + 6)) * 96 / Inch;
    H = (static_cast<std::int64_t>(Le16s(P + 12)) - Le16s(P + 8)) * 96 / Inch;
    Enh = false;
  } else if (N >= 88 && Le32(P) == 1 && Le32(P + 40) == 0x464D4520u && Le32(P + 4) >= 88 && Le32(P + 4) <= N) {
    // Enhanced metafile: the frame rectangle in hundredths of a millimetre.
    const std::int64_t FW = static_cast<std::int64_t>(Le32s(P + 32)) - Le32s(P + 24);
    const std::int64_t FH = static_cast<std::int64_t>(Le32s(P + 36)) - Le32s(P + 28);
    W = (FW * 96 + 1270) / 2540;
    H = (FH * 96 + 1270) / 2540;
  } else {
    Clear();
    throw EInvalidGraphic("Invalid metafile");
  }
  if (W < 0) W = -W;
  if (H < 0) H = -H;
  try {
    CheckSize(W, H);
  } catch (...) {
    Clear();
    throw;
  }
  FBytes = std::move(Data);
  FWidth = static_cast<int>(W);
  FHeight = static_cast<int>(H);
  FEnhanced = Enh;
  Changed();
}

void TMetafile::SaveToStream(rt::TStream& Stream) const {
  if (!FBytes.empty()) Stream.WriteBuffer(FBytes.data(), static_cast<std::int64_t>(FBytes.size()));
}

void TMetafile::Draw(TCanvas& Canvas, const TRect& Rect) const {
  if (MetafilePlayer && !FBytes.empty()) MetafilePlayer(*this, Canvas, Rect);
}

std::unique_ptr<TGraphic> TMetafile::Clone() const {
  auto R = std::make_unique<TMetafile>();
  R->FBytes = FBytes;
  R->FWidth = FWidth;
  R->FHeight = FHeight;
  R->FEnhanced = FEnhanced;
  R->Transparent = Transparent;
  return R;
}

// ---- recognising formats ----

TGraphicKind SniffGraphic(const std::uint8_t* D, std::size_t N) {
  static const std::uint8_t Png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (N >= 14 && D[0] == 'B' && D[1] == 'M') return gkBitmap;
  if (N >= 2 && D[0] == 0xFF && D[1] == 0xD8) return gkJPEG;
  if (N >= 8 && std::memcmp(D, Png, 8) == 0) return gkPNG;
  if (N >= 22 && Le32(D) == 0x9AC6CDD7u) return gkMetafile;
  if (N >= 108 && Le32(D + 40) == 0x464D4520u) return gkMetafile;
  if (N >= 6 && Le16(D + 2) < 2) return gkIcon;
  return gkNone;
}

std::unique_ptr<TGraphic> NewGraphic(TGraphicKind Kind) {
  switch (Kind) {
    case gkBitmap: return std::make_unique<TBitmap>();
    case gkJPEG: return std::make_unique<TJPEGImage>();
    case gkPNG: return std::make_unique<TPNGObject>();
    case gkMetafile: return std::make_unique<TMetafile>();
    case gkIcon: return std::make_unique<TIcon>();
    case gkNone: break;
  }
  return nullptr;
}

// ---- TPicture ----

void TPicture::Changed() {
  if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* Value) { SetGraphic(Value ? Value->Clone() : nullptr); }

void TPicture::SetGraphic(std::unique_ptr<TGraphic> Value) {
  FGraphic = std::move(Value);
  if (FGraphic) FGraphic->OnChange = [this](TGraphic*) { Changed(); };
  Changed();
}

TBitmap& TPicture::Bitmap() {
  if (auto* B = dynamic_cast<TBitmap*>(FGraphic.get())) return *B;
  auto B = std::make_unique<TBitmap>();
  if (FGraphic) B->Assign(*FGraphic);
  TBitmap& R = *B;
  SetGraphic(std::move(B));
  return R;
}

void TPicture::LoadFromStream(rt::TStream& Stream) {
  std::string B;
  try {
    B = ReadGraphicBytes(Stream);
  } catch (...) {
    Clear();
    throw;
  }
  auto G = NewGraphic(SniffGraphic(Raw(B), B.size()));
  if (!G) {
    Clear();
    throw EInvalidGraphic("Unknown picture format");
  }
  rt::TMemoryStream M;
  M.WriteBuffer(B.data(), static_cast<std::int64_t>(B.size()));
  M.SetPosition(0);
  try {
    G->LoadFromStream(M);
  } catch (...) {
    Clear();
    throw;
  }
  SetGraphic(std::move(G));
}

void TPicture::LoadFromFile(const std::string& FileName) {
  rt::TMemoryStream S;
  try {
    S.LoadFromFile(FileName);
  } catch (...) {
    Clear();
    throw;
  }
  LoadFromStream(S);
}

void TPicture::SaveToStream(rt::TStream& Stream) const {
  if (FGraphic) FGraphic->SaveToStream(Stream);
}

void TPicture::SaveToFile(const std::string& FileName) const {
  rt::TMemoryStream S;
  SaveToStream(S);
  S.SaveToFile(FileName);
}

// ---- class descriptions ----

rt::TClass TGraphic::ClassInfo() {
  static const rt::TClassInfo Info("TGraphic", rt::PersistentClassInfo());
  return &Info;
}
rt::TClass TBitmap::ClassInfo() {
  static const rt::TClassInfo Info("TBitmap", TGraphic::ClassInfo(), [] { return new TBitmap; });
  return &Info;
}
rt::TClass TEncodedGraphic::ClassInfo() {
  static const rt::TClassInfo Info("TEncodedGraphic", TGraphic::ClassInfo());
  return &Info;
}
rt::TClass TJPEGImage::ClassInfo() {
  static const rt::TClassInfo Info("TJPEGImage", TEncodedGraphic::ClassInfo(), [] { return new TJPEGImage; });
  return &Info;
}
rt::TClass TPNGObject::ClassInfo() {
  static const rt::TClassInfo Info("TPNGObject", TEncodedGraphic::ClassInfo(), [] { return new TPNGObject; });
  return &Info;
}
rt::TClass TIcon::ClassInfo() {
  static const rt::TClassInfo Info("TIcon", TEncodedGraphic::ClassInfo(), [] { return new TIcon; });
  return &Info;
}
rt::TClass TMetafile::ClassInfo() {
  static const rt::TClassInfo Info("TMetafile", TGraphic::ClassInfo(), [] { return new TMetafile; });
  return &Info;
}
rt::TClass TPicture::ClassInfo() {
  static const rt::TClassInfo Info("TPicture", rt::PersistentClassInfo(), [] { return new TPicture; });
  return &Info;
}

} // namespace gfx
