#include "platform/gfx/Picture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/gfx/Graphics.h"

using namespace gfx;

namespace {

std::string Bytes(const TGraphic& G) {
  rt::TMemoryStream S;
  G.SaveToStream(S);
  return std::string(static_cast<const char*>(S.Memory()), static_cast<std::size_t>(S.Size()));
}

std::unique_ptr<rt::TMemoryStream> StreamOf(const std::string& B) {
  auto S = std::make_unique<rt::TMemoryStream>();
  if (!B.empty()) S->WriteBuffer(B.data(), static_cast<std::int64_t>(B.size()));
  S->SetPosition(0);
  return S;
}

// A 3 x 2 bitmap: red, green, blue over white, black, grey.
std::unique_ptr<TBitmap> MakeSample(TPixelFormat F = pf24bit) {
  auto B = std::make_unique<TBitmap>(3, 2, F);
  const TColor C[] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x000000, 0x808080};
  for (int I = 0; I < 6; ++I) B->SetPixel(I % 3, I / 3, C[I]);
  return B;
}

void ExpectSample(const TBitmap& B) {
  ASSERT_EQ(B.Width(), 3);
  ASSERT_EQ(B.Height(), 2);
  const TColor C[] = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0x000000, 0x808080};
  for (int I = 0; I < 6; ++I) EXPECT_EQ(B.Pixel(I % 3, I / 3), C[I]) << I;
}

void Put32(std::string& S, std::size_t At, std::uint32_t V) {
  for (int I = 0; I < 4; ++I) S[At + I] = static_cast<char>(V >> (8 * I));
}
void Put16(std::string& S, std::size_t At, std::uint16_t V) {
  S[At] = static_cast<char>(V);
  S[At + 1] = static_cast<char>(V >> 8);
}

// A BMP of 4 x 2 pixels at 4 bits per pixel with a two-colour table, bottom-up.
std::string FourBitBmp() {
  std::string S(14 + 40 + 8 + 2 * 4, '\0');
  S[0] = 'B';
  S[1] = 'M';
  Put32(S, 2, static_cast<std::uint32_t>(S.size()));
  Put32(S, 10, 14 + 40 + 8);
  Put32(S, 14, 40);
  Put32(S, 18, 4);
  Put32(S, 22, 2);
  Put16(S, 26, 1);
  Put16(S, 28, 4);
  Put32(S, 46, 2);  // colours used
  // table: 0 = blue (B G R 0), 1 = yellow
  S[54] = '\xFF';
  S[58 + 1] = '\xFF';
  S[58 + 2] = '\xFF';
  // bottom row: 0 1 0 1; top row: 1 1 0 0
  S[62] = 0x01;
  S[63] = 0x01;
  S[66] = 0x11;
  S[67] = 0x00;
  return S;
}

// An icon directory with one 2 x 2, 24-bit image whose mask hides the top-left pixel.
std::string TinyIcon() {
  const int XorStride = 8, AndStride = 4;
  std::string Img(40 + 2 * XorStride + 2 * AndStride, '\0');
  Put32(Img, 0, 40);
  Put32(Img, 4, 2);
  Put32(Img, 8, 4);  // twice the height
  Put16(Img, 12, 1);
  Put16(Img, 14, 24);
  for (int Row = 0; Row < 2; ++Row)
    for (int X = 0; X < 2; ++X) Img[40 + Row * XorStride + X * 3 + 1] = '\xFF';  // green
  Img[40 + 2 * XorStride + 1 * AndStride] = '\x80';  // top row (stored second), first pixel
  std::string S(6 + 16, '\0');
  Put16(S, 2, 1);
  Put16(S, 4, 1);
  S[6] = 2;
  S[7] = 2;
  Put16(S, 6 + 6, 24);
  Put32(S, 6 + 8, static_cast<std::uint32_t>(Img.size()));
  Put32(S, 6 + 12, 22);
  return S + Img;
}

std::string EnhancedMetafileHeader(int FrameW, int FrameH) {
  std::string S(108, '\0');
  Put32(S, 0, 1);
  Put32(S, 4, 108);
  Put32(S, 32, static_cast<std::uint32_t>(FrameW));
  Put32(S, 36, static_cast<std::uint32_t>(FrameH));
  Put32(S, 40, 0x464D4520);
  return S;
}

} // namespace

TEST(Bitmap, SizePixelsAndFormats) {
  TBitmap B(2, 2);
  EXPECT_EQ(B.Pixel(1, 1), clWhite);  // new bitmaps are white
  B.SetPixel(0, 0, 0x123456);
  B.SetSize(3, 1);  // keeps what stays inside
  EXPECT_EQ(B.Pixel(0, 0), 0x123456);
  EXPECT_EQ(B.Pixel(2, 0), clWhite);
  EXPECT_EQ(B.Pixel(3, 0), clNone);
  EXPECT_EQ(B.Pixel(-1, 0), clNone);
  EXPECT_THROW(B.ScanLine(1), EInvalidGraphic);
  EXPECT_THROW(B.SetSize(20000, 20000), EInvalidGraphic);
  EXPECT_THROW(B.SetSize(-1, 5), EInvalidGraphic);
  EXPECT_EQ(B.Width(), 3);

  // A half-transparent pixel reads back as its colour; leaving pf32bit puts it over white.
  TBitmap A(1, 1, pf32bit);
  A.ScanLine(0)[0] = 0x80800000u;  // red at alpha 128, premultiplied
  EXPECT_EQ(A.Pixel(0, 0), 0x0000FF);
  EXPECT_EQ(A.Alpha(0, 0), 128);
  A.SetPixelFormat(pf24bit);
  EXPECT_EQ(A.Alpha(0, 0), 255);
  EXPECT_EQ(A.Pixel(0, 0), 0x7F7FFF);
}

TEST(Bitmap, BmpRoundTripsAndReadsPalettes) {
  for (TPixelFormat F : {pf24bit, pf32bit}) {
    TBitmap& Out = *MakeSample(F).release();
    std::unique_ptr<TBitmap> Keep(&Out);
    TBitmap In;
    auto S = StreamOf(Bytes(Out));
    In.LoadFromStream(*S);
    ExpectSample(In);
    EXPECT_EQ(In.PixelFormat(), F == pf32bit ? pf32bit : pf24bit);
  }
  TBitmap P;
  ASSERT_TRUE(P.LoadFromBMP(reinterpret_cast<const std::uint8_t*>(FourBitBmp().data()), FourBitBmp().size()));
  EXPECT_EQ(P.PixelFormat(), pf4bit);
  EXPECT_EQ(P.Pixel(0, 1), 0xFF0000);  // bottom row first in the file
  EXPECT_EQ(P.Pixel(1, 1), 0x00FFFF);
  EXPECT_EQ(P.Pixel(0, 0), 0x00FFFF);
  EXPECT_EQ(P.Pixel(3, 0), 0xFF0000);
}

TEST(Picture, RecognisesFormatsFromTheBytes) {
  const auto SP = MakeSample();
  const TBitmap& S = *SP;
  TPNGObject Png;
  Png.Assign(S);
  TJPEGImage Jpeg;
  Jpeg.Assign(S, 100);
  struct Case {
    std::string Bytes;
    TGraphicKind Kind;
    const char* ClassName;
  };
  const Case Cases[] = {
      {Bytes(S), gkBitmap, "TBitmap"},
      {Png.Bytes(), gkPNG, "TPNGObject"},
      {Jpeg.Bytes(), gkJPEG, "TJPEGImage"},
      {TinyIcon(), gkIcon, "TIcon"},
      {EnhancedMetafileHeader(2540, 1270), gkMetafile, "TMetafile"},
  };
  for (const Case& C : Cases) {
    SCOPED_TRACE(C.ClassName);
    EXPECT_EQ(SniffGraphic(reinterpret_cast<const std::uint8_t*>(C.Bytes.data()), C.Bytes.size()), C.Kind);
    TPicture P;
    int Changes = 0;
    P.OnChange = [&](TPicture*) { ++Changes; };
    auto St = StreamOf(C.Bytes);
    P.LoadFromStream(*St);
    ASSERT_NE(P.Graphic(), nullptr);
    EXPECT_EQ(P.Graphic()->ClassType()->ClassName(), C.ClassName);
    EXPECT_GT(Changes, 0);
    EXPECT_TRUE(P.HasGraphic());
  }
  EXPECT_EQ(SniffGraphic(reinterpret_cast<const std::uint8_t*>("BM"), 2), gkNone);  // too short for a bitmap
}

TEST(Picture, DecodesEachFormat) {
  const auto SP = MakeSample();
  const TBitmap& S = *SP;
  TPNGObject Png;
  Png.Assign(S);
  ExpectSample(*Png.Pixels());
  EXPECT_FALSE(Png.HasTransparency());

  TBitmap Alpha(1, 1, pf32bit);
  Alpha.ScanLine(0)[0] = 0x40400000u;  // red at a quarter
  TPNGObject PngA;
  PngA.Assign(Alpha);
  EXPECT_TRUE(PngA.HasTransparency());
  EXPECT_EQ(PngA.Pixels()->Alpha(0, 0), 0x40);
  EXPECT_EQ(PngA.Pixels()->Pixel(0, 0), 0x0000FF);

  TBitmap Flat(16, 8);
  Flat.Canvas().Brush.Color = 0x0000FF;
  Flat.Canvas().FillRect({0, 0, 16, 8});
  TJPEGImage Jpeg;
  Jpeg.Assign(Flat, 100);
  ASSERT_EQ(Jpeg.Width(), 16);
  ASSERT_EQ(Jpeg.Height(), 8);
  // Lossy: colours come back close.
  const TColor Red = Jpeg.Pixels()->Pixel(5, 5);
  EXPECT_GT(Red & 0xFF, 0xC0);
  EXPECT_LT(Red >> 16 & 0xFF, 0x60);

  TIcon Icon;
  Icon.LoadFromBytes(TinyIcon());
  ASSERT_EQ(Icon.Width(), 2);
  EXPECT_EQ(Icon.Pixels()->Alpha(0, 0), 0);  // masked out
  EXPECT_EQ(Icon.Pixels()->Alpha(1, 0), 255);
  EXPECT_EQ(Icon.Pixels()->Pixel(1, 1), 0x00FF00);

  TMetafile M;
  M.LoadFromBytes(EnhancedMetafileHeader(2540, 1270));  // 1 by 0.5 inch
  EXPECT_EQ(M.Width(), 96);
  EXPECT_EQ(M.Height(), 48);
  EXPECT_TRUE(M.Enhanced());
  EXPECT_EQ(M.Pixels(), nullptr);
}

TEST(Picture, DecodesAFileMadeByAnOutsideEncoder) {
  const auto Dir = std::filesystem::temp_directory_path() / ("pic" + std::to_string(::getpid()));
  std::filesystem::create_directories(Dir);
  const auto Ppm = Dir / "in.ppm", Jpg = Dir / "out.jpg";
  {
    std::ofstream F(Ppm, std::ios::binary);
    F << "P6\n4 2\n255\n";
    for (int I = 0; I < 8; ++I) F.write("\x00\x00\xFF", 3);  // blue
  }
  const std::string Cmd = "cjpeg -quality 100 " + Ppm.string() + " > " + Jpg.string() + " 2>/dev/null";
  if (std::system(Cmd.c_str()) != 0) {
    std::filesystem::remove_all(Dir);
    GTEST_SKIP() << "cjpeg is not installed";
  }
  TPicture P;
  P.LoadFromFile(Jpg.string());
  std::filesystem::remove_all(Dir);
  ASSERT_NE(dynamic_cast<TJPEGImage*>(P.Graphic()), nullptr);
  EXPECT_EQ(P.Width(), 4);
  EXPECT_EQ(P.Height(), 2);
  EXPECT_GT(P.Bitmap().Pixel(2, 1) >> 16 & 0xFF, 0xF0);
}

// Damaged and lying images: each gives EInvalidGraphic and an empty picture, never a crash or
// a giant allocation (the sanitizer build checks the reads).
TEST(Picture, HostileImagesAreRefused) {
  const auto SP = MakeSample();
  const TBitmap& S = *SP;
  TPNGObject Png;
  Png.Assign(S);
  TJPEGImage Jpeg;
  Jpeg.Assign(S, 90);
  std::string Huge = Bytes(S);
  Put32(Huge, 18, 60000);
  Put32(Huge, 22, 60000);  // 3.6 gigapixels declared in a few bytes
  std::string Tall = Bytes(S);
  Put32(Tall, 22, 2000);  // more rows than the data holds
  std::string Offset = Bytes(S);
  Put32(Offset, 10, 0x7FFFFFF0);
  std::string Palette = FourBitBmp();
  Put32(Palette, 46, 100000);
  std::string Bpp = Bytes(S);
  Put16(Bpp, 28, 7);
  std::string PngTrunc = Png.Bytes().substr(0, Png.Bytes().size() - 20);
  std::string PngHuge = Png.Bytes();
  Put32(PngHuge, 16, 0x00C00000);  // width 200000 in the header (checksum now wrong too)
  std::string Icon = TinyIcon();
  Put32(Icon, 6 + 12, 0x7FFFFFFF);  // image offset beyond the file
  std::string IconCount = TinyIcon();
  Put16(IconCount, 4, 500);
  std::string Emf = EnhancedMetafileHeader(2540, 2540);
  Put32(Emf, 4, 5000);  // header size beyond the data
  const std::pair<const char*, std::string> Cases[] = {
      {"bmp huge", Huge},
      {"bmp tall", Tall},
      {"bmp offset", Offset},
      {"bmp palette", Palette},
      {"bmp depth", Bpp},
      {"bmp header only", Bytes(S).substr(0, 20)},
      {"png truncated", PngTrunc},
      {"png huge", PngHuge},
      {"jpeg truncated", Jpeg.Bytes().substr(0, 30)},
      {"jpeg header only", std::string("\xFF\xD8\xFF\xE0", 4)},
      {"icon offset", Icon},
      {"icon count", IconCount},
      {"emf header", Emf},
      {"nothing known", std::string("hello world")},
  };
  for (const auto& [Name, Data] : Cases) {
    SCOPED_TRACE(Name);
    TPicture P;
    P.SetGraphic(std::make_unique<TBitmap>(5, 5));
    auto St = StreamOf(Data);
    EXPECT_THROW(P.LoadFromStream(*St), EInvalidGraphic);
    EXPECT_EQ(P.Graphic(), nullptr);
  }
}

TEST(Picture, BitmapOfAnotherGraphicAndCopies) {
  TPNGObject Png;
  Png.Assign(*MakeSample());
  TPicture P;
  P.SetGraphic(&Png);
  ASSERT_NE(dynamic_cast<TPNGObject*>(P.Graphic()), nullptr);
  TPicture Q;
  Q.Assign(P);
  EXPECT_EQ(Bytes(*Q.Graphic()), Png.Bytes());  // the encoded form travels unchanged
  ExpectSample(Q.Bitmap());                     // converted in place
  EXPECT_NE(dynamic_cast<TBitmap*>(Q.Graphic()), nullptr);
  Q.Clear();
  EXPECT_EQ(Q.Width(), 0);
}

// Decoded pixels are shared between copies and between graphics read from the same bytes; an
// edit through a picture's bitmap must reach that picture only.
TEST(Picture, SharedPixelsStayPrivateToEachPicture) {
  TPNGObject Png;
  Png.Assign(*MakeSample());
  const std::string Encoded = Png.Bytes();

  TPNGObject Read;
  Read.LoadFromBytes(Encoded);
  auto Copy = Png.Clone();
  EXPECT_EQ(Read.Pixels(), Png.Pixels()) << "same bytes, one decoding";
  EXPECT_EQ(Copy->Pixels(), Png.Pixels());

  TPNGObject Other;
  Other.Assign(*MakeSample(pf32bit));
  EXPECT_NE(Other.Pixels(), Png.Pixels());
  TJPEGImage NotAPng;
  EXPECT_THROW(NotAPng.LoadFromBytes(Encoded), EInvalidGraphic) << "the table is per class";
  EXPECT_EQ(NotAPng.Pixels(), nullptr);

  TPicture A, B;
  A.SetGraphic(&Read);
  B.SetGraphic(&Read);
  A.Bitmap().SetPixel(0, 0, clBlack);
  EXPECT_EQ(A.Bitmap().Pixel(0, 0), clBlack);
  ExpectSample(*B.Graphic()->Pixels());
  ExpectSample(*Png.Pixels());
  EXPECT_EQ(Bytes(*B.Graphic()), Encoded);
}
