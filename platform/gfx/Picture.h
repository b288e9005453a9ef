#pragma once
// Pictures: a bitmap with real pixels, the graphic classes that pictures hold (bitmap, JPEG,
// PNG, icon, metafile) and the picture that owns one of them.
//
// Pictures come from templates, prepared reports, uploads and databases, so every reader
// checks declared sizes against the data it was given and refuses images larger than
// kMaxImagePixels; a refused or broken image raises EInvalidGraphic and leaves the graphic
// empty.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/Canvas.h"
#include "platform/rt/Classes.h"
#include "platform/rt/SysUtils.h"

namespace gfx {

RT_DECLARE_EXCEPTION(EInvalidGraphic, rt::Exception)

// No image may have more pixels than this (a 10000 x 10000 picture fits).
inline constexpr std::int64_t kMaxImagePixels = 100'000'000;
// Nor a side longer than this.
inline constexpr int kMaxImageSide = 65535;
// A graphic is read from at most this many bytes.
inline constexpr std::int64_t kMaxGraphicBytes = 256ll << 20;

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
// How the fourth byte of 32-bit pixels is read: ignored, straight alpha or premultiplied alpha.
enum TAlphaFormat { afIgnored, afDefined, afPremultiplied };

class TRasterCanvas;

// The base of everything a picture can hold.
class TGraphic : public rt::TObject {
public:
  RT_CLASS_INFO(TGraphic)
  TGraphic() = default;
  TGraphic(const TGraphic&) = delete;
  TGraphic& operator=(const TGraphic&) = delete;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  // Reads the graphic from the stream's position to its end (EInvalidGraphic on bad data; the
  // graphic is then empty).
  virtual void LoadFromStream(rt::TStream& Stream) = 0;
  virtual void SaveToStream(rt::TStream& Stream) const = 0;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;
  // Draws the graphic scaled into Rect.
  virtual void Draw(TCanvas& Canvas, const TRect& Rect) const = 0;
  // A copy of the same class.
  virtual std::unique_ptr<TGraphic> Clone() const = 0;
  // The decoded pixels; nullptr for graphics without pixels (metafiles) or when empty.
  virtual const TBitmap* Pixels() const = 0;

  bool Transparent = false;
  // Fired after every change of the content.
  std::function<void(TGraphic*)> OnChange;

protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
};

// A bitmap held as 32-bit pixels (0xAARRGGBB in memory order B, G, R, A, the colour channels
// premultiplied by alpha), whatever its nominal PixelFormat. Formats other than pf32bit are
// always opaque. A new or enlarged bitmap is white.
class TBitmap : public TGraphic {
public:
  RT_CLASS_INFO(TBitmap)
  TBitmap();
  TBitmap(int AWidth, int AHeight, TPixelFormat AFormat = pf24bit);
  ~TBitmap() override;

  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  // Keeps the pixels that stay inside the new size. EInvalidGraphic for a negative size or one
  // above the limits.
  void SetSize(int AWidth, int AHeight);
  void SetWidth(int Value) { SetSize(Value, FHeight); }
  void SetHeight(int Value) { SetSize(FWidth, Value); }
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  // Leaving pf32bit makes every pixel opaque (over white).
  void SetPixelFormat(TPixelFormat Value);
  TAlphaFormat AlphaFormat = afIgnored;

  // Row Y (0 at the top) of Width() pixels; EInvalidGraphic outside the bitmap.
  std::uint32_t* ScanLine(int Y);
  const std::uint32_t* ScanLine(int Y) const;
  // A pixel as a colour (alpha left out, colour channels unpremultiplied); clNone outside.
  TColor Pixel(int X, int Y) const;
  // An opaque pixel; nothing outside.
  void SetPixel(int X, int Y, TColor Color);
  // The alpha of a pixel (0 transparent, 255 opaque); 0 outside.
  int Alpha(int X, int Y) const;

  // A canvas drawing into the pixels (made on first use, owned by the bitmap).
  TCanvas& Canvas();
  // Used while Transparent: the colour left out when the bitmap is drawn; clNone takes the
  // bottom-left pixel's colour.
  TColor TransparentColor = clNone;
  TColor EffectiveTransparentColor() const;

  // BMP: 1, 4, 8, 16, 24 and 32 bits per pixel, uncompressed, bit fields or RLE.
  void LoadFromStream(rt::TStream& Stream) override;
  // BMP: 24 bits, or 32 for pf32bit.
  void SaveToStream(rt::TStream& Stream) const override;
  void Draw(TCanvas& Canvas, const TRect& Rect) const override;
  std::unique_ptr<TGraphic> Clone() const override;
  const TBitmap* Pixels() const override { return Empty() ? nullptr : this; }
  // Takes any graphic's pixels (a metafile gives an empty bitmap of its size).
  void Assign(const TGraphic& Source);
  // Reads BMP bytes; false (and an empty bitmap) on bad data, with the reason in Error.
  bool LoadFromBMP(const std::uint8_t* Data, std::size_t Size, std::string* Error = nullptr);
  void Clear() { SetSize(0, 0); }

  std::vector<std::uint32_t>& Data() { return FData; }
  const std::vector<std::uint32_t>& Data() const { return FData; }
  // To be called after writing through ScanLine or Data: tells OnChange.
  void Modified() { Changed(); }

private:
  int FWidth = 0, FHeight = 0;
  TPixelFormat FPixelFormat = pf24bit;
  std::vector<std::uint32_t> FData;
  std::unique_ptr<TRasterCanvas> FCanvas;
};

// A graphic kept in its encoded form (so it is written back unchanged) and decoded to pixels.
// Bytes and pixels never change once decoded, so copies share them, and so do graphics read
// from the same bytes while one of them lives: a template read once per session holds its
// pictures' pixels once.
class TEncodedGraphic : public TGraphic {
public:
  RT_CLASS_INFO(TEncodedGraphic)
  int Width() const override { return FBitmap ? FBitmap->Width() : 0; }
  int Height() const override { return FBitmap ? FBitmap->Height() : 0; }
  void LoadFromStream(rt::TStream& Stream) override;
  void SaveToStream(rt::TStream& Stream) const override;
  void Draw(TCanvas& Canvas, const TRect& Rect) const override;
  const TBitmap* Pixels() const override { return FBitmap && !FBitmap->Empty() ? FBitmap.get() : nullptr; }
  const std::string& Bytes() const;
  // Decodes Bytes (EInvalidGraphic, and an empty graphic, when they are bad).
  void LoadFromBytes(std::string Bytes);

protected:
  // Fills Into from the bytes; false with Error set when they are bad.
  virtual bool Decode(const std::string& Bytes, TBitmap& Into, std::string& Error) const = 0;
  // Takes Source's bytes and pixels without decoding again (Source is of the same class).
  void ShareFrom(const TEncodedGraphic& Source);
  std::shared_ptr<const TBitmap> FBitmap;
  std::shared_ptr<const std::string> FBytes;
};

class TJPEGImage : public TEncodedGraphic {
public:
  RT_CLASS_INFO(TJPEGImage)
  std::unique_ptr<TGraphic> Clone() const override;
  // Encodes the bitmap's pixels (quality 0 to 100).
  void Assign(const TBitmap& Source, int Quality = 90);

protected:
  bool Decode(const std::string& Bytes, TBitmap& Into, std::string& Error) const override;
};

class TPNGObject : public TEncodedGraphic {
public:
  RT_CLASS_INFO(TPNGObject)
  std::unique_ptr<TGraphic> Clone() const override;
  // Encodes the bitmap's pixels, with alpha when it is pf32bit.
  void Assign(const TBitmap& Source);
  // True when some pixel is not fully opaque.
  bool HasTransparency() const;

protected:
  bool Decode(const std::string& Bytes, TBitmap& Into, std::string& Error) const override;
};

// An icon file: the largest image of the directory is shown.
class TIcon : public TEncodedGraphic {
public:
  RT_CLASS_INFO(TIcon)
  std::unique_ptr<TGraphic> Clone() const override;

protected:
  bool Decode(const std::string& Bytes, TBitmap& Into, std::string& Error) const override;
};

// A metafile kept as its bytes: an enhanced metafile, or a placeable Windows metafile as read.
// Its size comes from the header (the frame rectangle at 96 pixels per inch). Drawing it needs
// a metafile player, which lives above this layer: Draw calls MetafilePlayer when one is set.
class TMetafile : public TGraphic {
public:
  RT_CLASS_INFO(TMetafile)
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetSize(int AWidth, int AHeight) { FWidth = AWidth; FHeight = AHeight; Changed(); }
  bool Empty() const override { return FBytes.empty() && (FWidth == 0 || FHeight == 0); }
  void LoadFromStream(rt::TStream& Stream) override;
  void SaveToStream(rt::TStream& Stream) const override;
  void Draw(TCanvas& Canvas, const TRect& Rect) const override;
  std::unique_ptr<TGraphic> Clone() const override;
  const TBitmap* Pixels() const override { return nullptr; }
  // Takes the bytes after checking the header; EInvalidGraphic (and an empty metafile) else.
  void LoadFromBytes(std::string Bytes);
  const std::string& Bytes() const { return FBytes; }
  // True for an enhanced metafile.
  bool Enhanced() const { return FEnhanced; }
  void Clear();

  // Set by the layer that can play metafiles.
  static inline std::function<void(const TMetafile&, TCanvas&, const TRect&)> MetafilePlayer;

  // Expires when the metafile is freed: a canvas that outlives its metafile checks it.
  std::weak_ptr<const int> LifeToken() const { return FLife; }

private:
  std::shared_ptr<const int> FLife = std::make_shared<const int>(0);
  std::string FBytes;
  int FWidth = 0, FHeight = 0;
  bool FEnhanced = true;
};

// The formats the bytes of a graphic can be recognised as.
enum TGraphicKind { gkNone, gkBitmap, gkJPEG, gkPNG, gkMetafile, gkIcon };
// By the first bytes: "BM" (14 bytes at least), FF D8, the PNG signature, a placeable
// metafile's key (22 bytes), the enhanced-metafile signature at 40 (108 bytes), an icon
// directory (type below 2, 6 bytes).
TGraphicKind SniffGraphic(const std::uint8_t* Data, std::size_t Size);
// A new empty graphic of the kind; nullptr for gkNone.
std::unique_ptr<TGraphic> NewGraphic(TGraphicKind Kind);

// Owns at most one graphic.
class TPicture : public rt::TObject {
public:
  RT_CLASS_INFO(TPicture)
  TPicture() = default;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  TGraphic* Graphic() const { return FGraphic.get(); }
  // A copy of Value (nullptr clears).
  void SetGraphic(const TGraphic* Value);
  // Takes ownership.
  void SetGraphic(std::unique_ptr<TGraphic> Value);
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }
  bool HasGraphic() const { return FGraphic != nullptr && !FGraphic->Empty(); }
  // The graphic as a bitmap: a graphic of another class is replaced by a bitmap of its pixels.
  TBitmap& Bitmap();
  void Assign(const TPicture& Source) { SetGraphic(Source.Graphic()); }
  // Recognises the format from the bytes. EInvalidGraphic (and an empty picture) when none
  // fits or the data is bad.
  void LoadFromStream(rt::TStream& Stream);
  void LoadFromFile(const std::string& FileName);
  void SaveToStream(rt::TStream& Stream) const;
  void SaveToFile(const std::string& FileName) const;
  void Clear() { SetGraphic(std::unique_ptr<TGraphic>()); }

  std::function<void(TPicture*)> OnChange;

private:
  void Changed();
  std::unique_ptr<TGraphic> FGraphic;
};

// Reads up to kMaxGraphicBytes from the stream's position to its end.
std::string ReadGraphicBytes(rt::TStream& Stream);

// Codecs behind the graphic classes: false with Error set on bad data, Into empty then.
bool DecodePNG(const std::uint8_t* Data, std::size_t Size, TBitmap& Into, std::string& Error);
bool DecodeJPEG(const std::uint8_t* Data, std::size_t Size, TBitmap& Into, std::string& Error);
bool DecodeICO(const std::uint8_t* Data, std::size_t Size, TBitmap& Into, std::string& Error);
std::string EncodePNG(const TBitmap& Source);
// The size a PNG, JPEG, BMP or icon file declares in its header, without decoding its pixels;
// false when no such header is found (the decoder would refuse the data too).
bool ImageSize(const std::uint8_t* Data, std::size_t Size, int& Width, int& Height);
std::string EncodeJPEG(const TBitmap& Source, int Quality);

} // namespace gfx
