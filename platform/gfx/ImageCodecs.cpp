// Image readers and writers behind the graphic classes. BMP and ICO are read here; PNG goes
// through libpng's simplified interface and JPEG through libjpeg-turbo. Every reader checks the
// declared size against kMaxImagePixels before it allocates, and every offset against the data.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include <jpeglib.h>
#include <png.h>

#include "platform/gfx/Picture.h"

namespace gfx {

namespace {

// A progressive JPEG may not have more scans than this (each scan costs a pass over the image).
constexpr int kMaxJpegScans = 100;
// Memory libjpeg may take for one image beyond the output.
constexpr long kMaxJpegWorkMemory = 512L << 20;

std::uint32_t Le32(const std::uint8_t* P) {
  return P[0] | P[1] << 8 | P[2] << 16 | static_cast<std::uint32_t>(P[3]) << 24;
}
std::uint16_t Le16(const std::uint8_t* P) { return static_cast<std::uint16_t>(P[0] | P[1] << 8); }

std::uint32_t Premultiply(std::uint32_t R, std::uint32_t G, std::uint32_t B, std::uint32_t A) {
  if (A != 255) {
    R = (R * A + 127) / 255;
    G = (G * A + 127) / 255;
    B = (B * A + 127) / 255;
  }
  return A << 24 | R << 16 | G << 8 | B;
}

bool SizeOk(std::int64_t W, std::int64_t H, std::string& Error) {
  if (W <= 0 || H <= 0) {
    Error = "Invalid image size";
    return false;
  }
  if (W > kMaxImageSide || H > kMaxImageSide || W * H > kMaxImagePixels) {
    Error = "Image too large: " + std::to_string(W) + " x " + std::to_string(H) + " pixels";
    return false;
  }
  return true;
}

// One channel under a bit-field mask, scaled to 0..255; Missing when the mask is empty.
std::uint32_t Channel(std::uint32_t Px, std::uint32_t Mask, std::uint32_t Missing) {
  if (Mask == 0) return Missing;
  int Shift = 0;
  while (((Mask >> Shift) & 1) == 0) ++Shift;
  const std::uint64_t Max = Mask >> Shift;
  return static_cast<std::uint32_t>((((Px & Mask) >> Shift) * 255 + Max / 2) / Max);
}

bool Fail(std::string& Error, const char* Text, TBitmap& Into) {
  Error = Text;
  Into.Clear();
  return false;
}

// Decodes run-length data into one palette index per pixel (rows bottom-up). Absolute runs
// and deltas that leave the image or the data are errors.
bool DecodeRLE(const std::uint8_t* D, std::size_t N, int W, int H, bool Four, std::vector<std::uint8_t>& Idx,
               std::string& Error) {
  Idx.assign(static_cast<std::size_t>(W) * H, 0);
  std::size_t I = 0;
  int X = 0, Y = 0;
  auto Put = [&](std::uint8_t V) {
    if (X < W && Y < H) Idx[static_cast<std::size_t>(Y) * W + X] = V;
    ++X;
  };
  while (I + 1 < N) {
    const std::uint8_t Count = D[I], Value = D[I + 1];
    I += 2;
    if (Count > 0) {
      for (int K = 0; K < Count; ++K) Put(Four ? ((K & 1) ? Value & 0x0F : Value >> 4) : Value);
      continue;
    }
    if (Value == 0) {  // end of line
      X = 0;
      if (++Y >= H) return true;
    } else if (Value == 1) {  // end of bitmap
      return true;
    } else if (Value == 2) {  // delta
      if (I + 1 >= N) break;
      X += D[I];
      Y += D[I + 1];
      I += 2;
      if (Y >= H) return true;
    } else {  // absolute run of Value pixels, padded to a word
      const std::size_t Bytes = Four ? (Value + 1u) / 2 : Value;
      if (I + Bytes > N) break;
      for (int K = 0; K < Value; ++K) Put(Four ? ((K & 1) ? D[I + K / 2] & 0x0F : D[I + K / 2] >> 4) : D[I + K]);
      I += (Bytes + 1) & ~std::size_t{1};
    }
  }
  Error = "Truncated run-length bitmap";
  return false;
}

// A device-independent bitmap whose header starts at HeaderAt. BitsAt is the file header's
// offset of the pixels (none: right after the colour table). An icon image has twice its
// height, the second half being the transparency mask.
bool DecodeDIB(const std::uint8_t* D, std::size_t N, std::size_t HeaderAt, std::optional<std::uint64_t> BitsAt,
               bool Icon, TBitmap& Into, std::string& Error) {
  Into.Clear();
  if (HeaderAt + 4 > N) return Fail(Error, "Truncated bitmap header", Into);
  const std::uint32_t HS = Le32(D + HeaderAt);
  const bool Core = HS == 12;
  if (!Core && (HS < 40 || HS > 124)) return Fail(Error, "Unknown bitmap header", Into);
  if (HeaderAt + HS > N) return Fail(Error, "Truncated bitmap header", Into);
  const std::uint8_t* Hd = D + HeaderAt;
  std::int64_t W, H;
  int Bpp;
  std::uint32_t Compression = 0, ClrUsed = 0;
  if (Core) {
    W = Le16(Hd + 4);
    H = Le16(Hd + 6);
    Bpp = Le16(Hd + 10);
  } else {
    W = static_cast<std::int32_t>(Le32(Hd + 4));
    H = static_cast<std::int32_t>(Le32(Hd + 8));
    Bpp = Le16(Hd + 14);
    Compression = Le32(Hd + 16);
    ClrUsed = Le32(Hd + 32);
  }
  const bool TopDown = H < 0;
  if (TopDown) H = -H;
  if (Icon) H /= 2;
  if (!SizeOk(W, H, Error)) return false;
  if (Bpp != 1 && Bpp != 4 && Bpp != 8 && Bpp != 16 && Bpp != 24 && Bpp != 32)
    return Fail(Error, "Unsupported bits per pixel", Into);
  const bool BitFields = Compression == 3 || Compression == 6;
  const bool Rle = Compression == 1 || Compression == 2;
  if (Compression > 3 && Compression != 6) return Fail(Error, "Unsupported bitmap compression", Into);
  if (BitFields && Bpp != 16 && Bpp != 32) return Fail(Error, "Bit fields need 16 or 32 bits per pixel", Into);
  if (Rle && (TopDown || Icon || Bpp != (Compression == 1 ? 8 : 4)))
    return Fail(Error, "Invalid run-length bitmap", Into);

  std::uint64_t At = HeaderAt + HS;
  std::uint32_t RM = 0, GM = 0, BM = 0, AM = 0;
  if (Bpp == 16) {
    RM = 0x7C00;
    GM = 0x03E0;
    BM = 0x001F;
  } else if (Bpp == 32) {
    RM = 0xFF0000;
    GM = 0xFF00;
    BM = 0xFF;
    AM = 0xFF000000u;
  }
  if (BitFields) {
    const std::uint8_t* M = nullptr;
    const int Count = Compression == 6 ? 4 : 3;
    if (HS >= 52) {
      M = Hd + 40;
    } else {
      if (At + 4u * Count > N) return Fail(Error, "Truncated bit fields", Into);
      M = D + At;
      At += 4u * Count;
    }
    RM = Le32(M);
    GM = Le32(M + 4);
    BM = Le32(M + 8);
    AM = (Count == 4 || HS >= 56) ? Le32(M + 12) : 0;
  }
  std::vector<std::uint32_t> Palette;
  if (Bpp <= 8) {
    std::uint64_t Colors = ClrUsed == 0 ? (1u << Bpp) : ClrUsed;
    if (Colors > 256) return Fail(Error, "Invalid colour table", Into);
    const unsigned Entry = Core ? 3 : 4;
    if (At + Colors * Entry > N) return Fail(Error, "Truncated colour table", Into);
    for (std::uint64_t I = 0; I < Colors; ++I) {
      const std::uint8_t* E = D + At + I * Entry;
      Palette.push_back(0xFF000000u | E[2] << 16 | E[1] << 8 | E[0]);
    }
    At += Colors * Entry;
    Palette.resize(256, 0xFF000000u);
  }
  if (BitsAt) {
    if (*BitsAt > N) return Fail(Error, "Bitmap data offset outside the file", Into);
    At = *BitsAt;
  }
  const std::uint64_t Stride = ((static_cast<std::uint64_t>(W) * Bpp + 31) / 32) * 4;
  std::vector<std::uint8_t> RleIdx;
  if (Rle) {
    if (!DecodeRLE(D + At, N - At, static_cast<int>(W), static_cast<int>(H), Compression == 2, RleIdx, Error)) {
      Into.Clear();
      return false;
    }
  } else if (At + Stride * H > N) {
    return Fail(Error, "Truncated bitmap data", Into);
  }
  const std::uint64_t MaskStride = ((static_cast<std::uint64_t>(W) + 31) / 32) * 4;
  const std::uint64_t MaskAt = At + Stride * H;
  const bool HasMask = Icon && MaskAt + MaskStride * H <= N;

  const TPixelFormat Formats[] = {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit};
  const int FI = Bpp == 1 ? 0 : Bpp == 4 ? 1 : Bpp == 8 ? 2 : Bpp == 16 ? 3 : Bpp == 24 ? 4 : 5;
  // 32-bit data uses its alpha only when some pixel has a non-zero alpha byte.
  bool UseAlpha = false;
  if (Bpp == 32 && AM != 0 && !Rle)
    for (std::int64_t Y = 0; Y < H && !UseAlpha; ++Y)
      for (std::int64_t X = 0; X < W; ++X)
        if (Le32(D + At + Y * Stride + X * 4) & AM) {
          UseAlpha = true;
          break;
        }
  Into.SetPixelFormat(Icon || UseAlpha ? pf32bit : Formats[FI]);
  Into.AlphaFormat = Icon || UseAlpha ? afDefined : afIgnored;
  Into.SetSize(static_cast<int>(W), static_cast<int>(H));
  for (std::int64_t Row = 0; Row < H; ++Row) {
    const std::int64_t Y = TopDown ? Row : H - 1 - Row;  // destination row
    std::uint32_t* Out = Into.ScanLine(static_cast<int>(Y));
    const std::uint8_t* In = D + At + Row * Stride;
    for (std::int64_t X = 0; X < W; ++X) {
      std::uint32_t Px;
      if (Rle) {
        Px = Palette[RleIdx[static_cast<std::size_t>(Row * W + X)]];
      } else if (Bpp <= 8) {
        const std::uint64_t Bit = X * Bpp;
        const unsigned Idx = (In[Bit / 8] >> (8 - Bpp - Bit % 8)) & ((1u << Bpp) - 1);
        Px = Palette[Idx];
      } else if (Bpp == 24) {
        Px = 0xFF000000u | In[X * 3 + 2] << 16 | In[X * 3 + 1] << 8 | In[X * 3];
      } else {
        const std::uint32_t V = Bpp == 16 ? Le16(In + X * 2) : Le32(In + X * 4);
        const std::uint32_t A = UseAlpha ? Channel(V, AM, 255) : 255;
        Px = Premultiply(Channel(V, RM, 0), Channel(V, GM, 0), Channel(V, BM, 0), A);
      }
      if (HasMask && !UseAlpha) {
        const std::uint8_t* M = D + MaskAt + Row * MaskStride;
        if ((M[X / 8] >> (7 - X % 8)) & 1) Px = 0;
      }
      Out[X] = Px;
    }
  }
  return true;
}

// ---- JPEG ----

struct TJpegError {
  jpeg_error_mgr Pub;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JpegErrorExit(j_common_ptr C) {
  auto* E = reinterpret_cast<TJpegError*>(C->err);
  (*C->err->format_message)(C, E->Message);
  std::longjmp(E->Jump, 1);
}

void JpegSilence(j_common_ptr, int) {}

void JpegProgress(j_common_ptr C) {
  if (!C->is_decompressor) return;
  auto* Dc = reinterpret_cast<j_decompress_ptr>(C);
  if (Dc->input_scan_number > kMaxJpegScans) {
    auto* E = reinterpret_cast<TJpegError*>(C->err);
    std::snprintf(E->Message, sizeof E->Message, "Too many JPEG scans");
    std::longjmp(E->Jump, 1);
  }
}

// No automatic object with a destructor lives in this frame after setjmp.
bool DecodeJPEGInner(const std::uint8_t* Data, std::size_t Size, TBitmap& Into, TJpegError& Err, bool& TooLarge) {
  jpeg_decompress_struct Ci;
  jpeg_progress_mgr Progress;
  std::memset(&Progress, 0, sizeof Progress);
  Progress.progress_monitor = JpegProgress;
  Ci.err = jpeg_std_error(&Err.Pub);
  Err.Pub.error_exit = JpegErrorExit;
  Err.Pub.emit_message = JpegSilence;
  Err.Message[0] = 0;
  if (setjmp(Err.Jump)) {
    jpeg_destroy_decompress(&Ci);
    return false;
  }
  jpeg_create_decompress(&Ci);
  Ci.progress = &Progress;
  Ci.mem->max_memory_to_use = kMaxJpegWorkMemory;
  jpeg_mem_src(&Ci, Data, static_cast<unsigned long>(Size));
  jpeg_read_header(&Ci, TRUE);
  const std::int64_t W = Ci.image_width, H = Ci.image_height;
  if (W <= 0 || H <= 0 || W > kMaxImageSide || H > kMaxImageSide || W * H > kMaxImagePixels) {
    TooLarge = true;
    jpeg_destroy_decompress(&Ci);
    return false;
  }
  const bool Cmyk = Ci.jpeg_color_space == JCS_CMYK || Ci.jpeg_color_space == JCS_YCCK;
  Ci.out_color_space = Cmyk ? JCS_CMYK : JCS_EXT_BGRA;
  jpeg_start_decompress(&Ci);
  Into.SetPixelFormat(pf24bit);
  Into.SetSize(static_cast<int>(Ci.output_width), static_cast<int>(Ci.output_height));
  JSAMPARRAY Row = (*Ci.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&Ci), JPOOL_IMAGE, Ci.output_width * 4, 1);
  while (Ci.output_scanline < Ci.output_height) {
    const int Y = static_cast<int>(Ci.output_scanline);
    if (jpeg_read_scanlines(&Ci, Row, 1) != 1) break;
    std::uint32_t* Out = Into.ScanLine(Y);
    const JSAMPLE* In = Row[0];
    for (JDIMENSION X = 0; X < Ci.output_width; ++X) {
      const JSAMPLE* P = In + X * 4;
      if (Cmyk) {
        // Adobe files store the inks inverted.
        const std::uint32_t K = P[3];
        Out[X] = 0xFF000000u | (P[0] * K / 255) << 16 | (P[1] * K / 255) << 8 | (P[2] * K / 255);
      } else {
        Out[X] = 0xFF000000u | P[2] << 16 | P[1] << 8 | P[0];
      }
    }
  }
  jpeg_finish_decompress(&Ci);
  jpeg_destroy_decompress(&Ci);
  return true;
}

bool EncodeJPEGInner(const std::uint8_t* Rgb, int W, int H, int Quality, unsigned char** Out, unsigned long* OutSize,
                     TJpegError& Err) {
  jpeg_compress_struct Ci;
  Ci.err = jpeg_std_error(&Err.Pub);
  Err.Pub.error_exit = JpegErrorExit;
  Err.Pub.emit_message = JpegSilence;
  if (setjmp(Err.Jump)) {
    jpeg_destroy_compress(&Ci);
    return false;
  }
  jpeg_create_compress(&Ci);
  jpeg_mem_dest(&Ci, Out, OutSize);
  Ci.image_width = static_cast<JDIMENSION>(W);
  Ci.image_height = static_cast<JDIMENSION>(H);
  Ci.input_components = 3;
  Ci.in_color_space = JCS_RGB;
  jpeg_set_defaults(&Ci);
  jpeg_set_quality(&Ci, Quality, TRUE);
  jpeg_start_compress(&Ci, TRUE);
  while (Ci.next_scanline < Ci.image_height) {
    JSAMPROW Row = const_cast<JSAMPLE*>(Rgb + static_cast<std::size_t>(Ci.next_scanline) * W * 3);
    jpeg_write_scanlines(&Ci, &Row, 1);
  }
  jpeg_finish_compress(&Ci);
  jpeg_destroy_compress(&Ci);
  return true;
}

} // namespace

bool TBitmap::LoadFromBMP(const std::uint8_t* Data, std::size_t Size, std::string* Error) {
  std::string E;
  bool Ok;
  if (Size < 14 || Data[0] != 'B' || Data[1] != 'M') {
    E = "Not a bitmap file";
    Ok = false;
    Clear();
  } else {
    TBitmap Decoded;
    Ok = DecodeDIB(Data, Size, 14, Le32(Data + 10), false, Decoded, E);
    if (Ok) {
      Assign(Decoded);
      Transparent = false;
    } else {
      Clear();
    }
  }
  if (!Ok && Error) *Error = E;
  Changed();
  return Ok;
}

bool DecodeICO(const std::uint8_t* D, std::size_t N, TBitmap& Into, std::string& Error) {
  Into.Clear();
  if (N < 6 || Le16(D) != 0 || (Le16(D + 2) != 1 && Le16(D + 2) != 2)) return Fail(Error, "Not an icon file", Into);
  const unsigned Count = Le16(D + 4);
  if (Count == 0 || 6 + 16ull * Count > N) return Fail(Error, "Truncated icon directory", Into);
  // The largest image, then the deepest.
  unsigned Best = 0;
  std::uint64_t BestArea = 0;
  unsigned BestBpp = 0;
  for (unsigned I = 0; I < Count; ++I) {
    const std::uint8_t* E = D + 6 + 16 * I;
    const std::uint64_t Area = static_cast<std::uint64_t>(E[0] ? E[0] : 256) * (E[1] ? E[1] : 256);
    const unsigned Bpp = Le16(E + 6);
    if (I == 0 || Area > BestArea || (Area == BestArea && Bpp > BestBpp)) {
      Best = I;
      BestArea = Area;
      BestBpp = Bpp;
    }
  }
  const std::uint8_t* E = D + 6 + 16 * Best;
  const std::uint64_t Bytes = Le32(E + 8), Offset = Le32(E + 12);
  if (Offset > N || Bytes > N - Offset || Bytes < 8) return Fail(Error, "Icon image outside the file", Into);
  const std::uint8_t* Img = D + Offset;
  static const std::uint8_t Png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (std::memcmp(Img, Png, 8) == 0) return DecodePNG(Img, static_cast<std::size_t>(Bytes), Into, Error);
  return DecodeDIB(Img, static_cast<std::size_t>(Bytes), 0, std::nullopt, true, Into, Error);
}

bool DecodePNG(const std::uint8_t* Data, std::size_t Size, TBitmap& Into, std::string& Error) {
  Into.Clear();
  png_image Img;
  std::memset(&Img, 0, sizeof Img);
  Img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&Img, Data, Size)) {
    Error = std::string("PNG: ") + Img.message;
    png_image_free(&Img);
    return false;
  }
  if (!SizeOk(Img.width, Img.height, Error)) {
    png_image_free(&Img);
    return false;
  }
  const bool Alpha = (Img.format & PNG_FORMAT_FLAG_ALPHA) != 0;
  Img.format = PNG_FORMAT_BGRA;
  std::vector<std::uint32_t> Px(static_cast<std::size_t>(Img.width) * Img.height);
  if (!png_image_finish_read(&Img, nullptr, Px.data(), 0, nullptr)) {
    Error = std::string("PNG: ") + Img.message;
    png_image_free(&Img);
    return false;
  }
  Into.SetPixelFormat(Alpha ? pf32bit : pf24bit);
  Into.AlphaFormat = Alpha ? afDefined : afIgnored;
  Into.SetSize(static_cast<int>(Img.width), static_cast<int>(Img.height));
  std::uint32_t* Out = Into.Data().data();
  for (std::size_t I = 0; I < Px.size(); ++I) {
    const std::uint32_t P = Px[I];
    Out[I] = Premultiply(P >> 16 & 0xFF, P >> 8 & 0xFF, P & 0xFF, P >> 24);
  }
  return true;
}

bool DecodeJPEG(const std::uint8_t* Data, std::size_t Size, TBitmap& Into, std::string& Error) {
  Into.Clear();
  if (Size < 4) {
    Error = "JPEG: truncated file";
    return false;
  }
  TJpegError Err;
  bool TooLarge = false;
  if (!DecodeJPEGInner(Data, Size, Into, Err, TooLarge)) {
    Into.Clear();
    Error = TooLarge ? std::string("Image too large or empty") : std::string("JPEG: ") + Err.Message;
    return false;
  }
  return true;
}

std::string EncodePNG(const TBitmap& Source) {
  if (Source.Empty()) throw EInvalidGraphic("Cannot write an empty image");
  const bool Alpha = Source.PixelFormat() == pf32bit;
  const int W = Source.Width(), H = Source.Height();
  std::vector<std::uint8_t> Px(static_cast<std::size_t>(W) * H * 4);
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) {
      const TColor C = Source.Pixel(X, Y);
      std::uint8_t* P = Px.data() + (static_cast<std::size_t>(Y) * W + X) * 4;
      P[0] = static_cast<std::uint8_t>(C & 0xFF);
      P[1] = static_cast<std::uint8_t>(C >> 8 & 0xFF);
      P[2] = static_cast<std::uint8_t>(C >> 16 & 0xFF);
      P[3] = static_cast<std::uint8_t>(Alpha ? Source.Alpha(X, Y) : 255);
    }
  png_image Img;
  std::memset(&Img, 0, sizeof Img);
  Img.version = PNG_IMAGE_VERSION;
  Img.width = static_cast<png_uint_32>(W);
  Img.height = static_cast<png_uint_32>(H);
  Img.format = Alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  // The pixels are always given as RGBA; without alpha the writer reads every fourth byte away.
  if (!Alpha) {
    for (std::size_t I = 0, J = 0; I < Px.size(); I += 4, J += 3) {
      Px[J] = Px[I];
      Px[J + 1] = Px[I + 1];
      Px[J + 2] = Px[I + 2];
    }
  }
  png_alloc_size_t Size = 0;
  if (!png_image_write_to_memory(&Img, nullptr, &Size, 0, Px.data(), 0, nullptr))
    throw EInvalidGraphic(std::string("PNG: ") + Img.message);
  std::string Out(Size, '\0');
  if (!png_image_write_to_memory(&Img, Out.data(), &Size, 0, Px.data(), 0, nullptr))
    throw EInvalidGraphic(std::string("PNG: ") + Img.message);
  Out.resize(Size);
  return Out;
}

std::string EncodeJPEG(const TBitmap& Source, int Quality) {
  if (Source.Empty()) throw EInvalidGraphic("Cannot write an empty image");
  const int W = Source.Width(), H = Source.Height();
  std::vector<std::uint8_t> Rgb(static_cast<std::size_t>(W) * H * 3);
  for (int Y = 0; Y < H; ++Y)
    for (int X = 0; X < W; ++X) {
      const TColor C = Source.Pixel(X, Y);
      std::uint8_t* P = Rgb.data() + (static_cast<std::size_t>(Y) * W + X) * 3;
      P[0] = static_cast<std::uint8_t>(C & 0xFF);
      P[1] = static_cast<std::uint8_t>(C >> 8 & 0xFF);
      P[2] = static_cast<std::uint8_t>(C >> 16 & 0xFF);
    }
  unsigned char* Buf = nullptr;
  unsigned long Size = 0;
  TJpegError Err;
  const bool Ok = EncodeJPEGInner(Rgb.data(), W, H, std::clamp(Quality, 0, 100), &Buf, &Size, Err);
  std::string Out;
  if (Ok && Buf != nullptr) Out.assign(reinterpret_cast<const char*>(Buf), Size);
  std::free(Buf);
  if (!Ok) throw EInvalidGraphic(std::string("JPEG: ") + Err.Message);
  return Out;
}

bool ImageSize(const std::uint8_t* D, std::size_t N, int& Width, int& Height) {
  Width = Height = 0;
  auto Be32 = [](const std::uint8_t* P) { return static_cast<std::uint32_t>(P[0]) << 24 | P[1] << 16 | P[2] << 8 | P[3]; };
  auto Be16 = [](const std::uint8_t* P) { return static_cast<unsigned>(P[0] << 8 | P[1]); };
  auto Set = [&](std::int64_t W, std::int64_t H) {
    if (W <= 0 || H <= 0 || W > kMaxImageSide || H > kMaxImageSide) return false;
    Width = static_cast<int>(W);
    Height = static_cast<int>(H);
    return true;
  };
  static const std::uint8_t Png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (D == nullptr) return false;
  if (N >= 24 && std::memcmp(D, Png, 8) == 0 && std::memcmp(D + 12, "IHDR", 4) == 0)
    return Set(Be32(D + 16), Be32(D + 20));
  if (N >= 2 && D[0] == 0xFF && D[1] == 0xD8) {
    // The first frame header among the markers before the scan.
    std::size_t P = 2;
    while (P + 4 <= N) {
      if (D[P] != 0xFF) return false;
      const std::uint8_t M = D[P + 1];
      if (M == 0xFF) {
        ++P;
        continue;
      }
      if (M == 0x01 || (M >= 0xD0 && M <= 0xD8)) {
        P += 2;
        continue;
      }
      if (M == 0xD9 || M == 0xDA) return false;
      const std::size_t L = Be16(D + P + 2);
      if (L < 2) return false;
      if (M >= 0xC0 && M <= 0xCF && M != 0xC4 && M != 0xC8 && M != 0xCC)
        return P + 9 <= N && Set(Be16(D + P + 7), Be16(D + P + 5));
      P += 2 + L;
    }
    return false;
  }
  if (N >= 26 && D[0] == 'B' && D[1] == 'M') {
    if (Le32(D + 14) == 12) return Set(Le16(D + 18), Le16(D + 20));
    const std::int64_t H = static_cast<std::int32_t>(Le32(D + 22));
    return Set(static_cast<std::int32_t>(Le32(D + 18)), H < 0 ? -H : H);
  }
  if (N >= 6 && Le16(D) == 0 && (Le16(D + 2) == 1 || Le16(D + 2) == 2)) {
    // The largest image of the directory, as the icon reader picks it (a PNG inside says its own).
    const unsigned Count = Le16(D + 4);
    if (Count == 0 || 6 + 16ull * Count > N) return false;
    std::int64_t BestW = 0, BestH = 0;
    for (unsigned I = 0; I < Count; ++I) {
      const std::uint8_t* E = D + 6 + 16 * I;
      std::int64_t W = E[0] ? E[0] : 256, H = E[1] ? E[1] : 256;
      const std::uint64_t Offset = Le32(E + 12);
      int PW, PH;
      if (Offset < N && N - Offset >= 8 && std::memcmp(D + Offset, Png, 8) == 0 && ImageSize(D + Offset, N - Offset, PW, PH)) {
        W = PW;
        H = PH;
      }
      if (W * H > BestW * BestH) {
        BestW = W;
        BestH = H;
      }
    }
    return Set(BestW, BestH);
  }
  return false;
}

} // namespace gfx
