// Pictures as image XObjects: JPEG data as it is, every other graphic as deflated RGB with a
// soft mask where it has transparency. Equal images are written once per document.
#include <algorithm>
#include <cmath>
#include <cstring>

#include <zlib.h>

#include "platform/gfx/Picture.h"
#include "report/pdf/repExportPDF.h"
#include "report/pdf/repmd5.h"

namespace {

struct TJPEGInfo {
  int Width = 0, Height = 0, Components = 0;
  bool Adobe = false;  // an Adobe marker: CMYK data is stored inverted
};

// Reads the frame header of JPEG data; false when there is none or the data ends early.
bool ReadJPEGInfo(const std::string& D, TJPEGInfo& Info) {
  const auto* P = reinterpret_cast<const std::uint8_t*>(D.data());
  const std::size_t N = D.size();
  if (N < 4 || P[0] != 0xFF || P[1] != 0xD8) return false;
  std::size_t I = 2;
  while (I + 4 <= N) {
    if (P[I] != 0xFF) return false;
    const std::uint8_t M = P[I + 1];
    if (M == 0xFF) {
      ++I;
      continue;
    }
    if (M == 0xD8 || (M >= 0xD0 && M <= 0xD7) || M == 0x01) {
      I += 2;
      continue;
    }
    const std::size_t Len = (static_cast<std::size_t>(P[I + 2]) << 8) | P[I + 3];
    if (Len < 2 || I + 2 + Len > N) return false;
    if (M == 0xEE && Len >= 7 && std::memcmp(P + I + 4, "Adobe", 5) == 0) Info.Adobe = true;
    const bool SOF = M >= 0xC0 && M <= 0xCF && M != 0xC4 && M != 0xC8 && M != 0xCC;
    if (SOF) {
      if (Len < 8) return false;
      Info.Height = (P[I + 5] << 8) | P[I + 6];
      Info.Width = (P[I + 7] << 8) | P[I + 8];
      Info.Components = P[I + 9];
      return Info.Width > 0 && Info.Height > 0 &&
             (Info.Components == 1 || Info.Components == 3 || Info.Components == 4);
    }
    if (M == 0xDA || M == 0xD9) return false;
    I += 2 + Len;
  }
  return false;
}

std::string DeflateImage(const std::string& Data) { return DeflateData(Data, 6); }

TrepPDFXObjectHash Digest(const std::string& A, const std::string& B) {
  TrepMD5 H;
  H.Update(A.data(), static_cast<std::uint32_t>(A.size()));
  // Update takes 32-bit lengths; pictures are far below kMaxGraphicBytes of 256 MiB anyway.
  for (std::size_t I = 0; I < B.size(); I += 1u << 30)
    H.Update(B.data() + I, static_cast<std::uint32_t>(std::min<std::size_t>(B.size() - I, 1u << 30)));
  H.Finalize();
  TrepPDFXObjectHash R{};
  std::memcpy(R.data(), H.Digest(), 16);
  return R;
}

} // namespace

int TrepPDFExport::WriteImageXObject(const TrepPDFXObjectHash& Hash, const std::string& Data, bool Jpeg, int W, int H,
                                     const std::string& Mask) {
  TJPEGInfo Info;
  if (Jpeg) {
    if (!ReadJPEGInfo(Data, Info)) return -1;
    W = Info.Width;
    H = Info.Height;
  }
  if (W <= 0 || H <= 0) return -1;
  // A mask must cover the image exactly; a short one is no mask at all.
  const bool Masked = !Mask.empty() && Mask.size() == static_cast<std::size_t>(W) * static_cast<std::size_t>(H);
  int MaskId = 0;
  if (Masked) {
    MaskId = FPOH.UpdateXRef();
    Line(ObjNumberText(MaskId));
    Line("<<");
    Line("/Type /XObject");
    Line("/Subtype /Image");
    Line("/Width " + std::to_string(W));
    Line("/Height " + std::to_string(H));
    Line("/ColorSpace /DeviceGray");
    Line("/BitsPerComponent 8");
    const std::string Packed = DeflateImage(Mask);
    Raw("/Filter /FlateDecode");
    WriteStreamObject(Packed, MaskId, false, false);
  }
  const int Id = FPOH.UpdateXRef();
  const int Index = FPOH.AddXObject(Id, Hash);
  Line(ObjNumberText(Id));
  Line("<<");
  Line("/Type /XObject");
  Line("/Subtype /Image");
  if (Jpeg) {
    Line(Info.Components == 1 ? "/ColorSpace /DeviceGray"
                              : Info.Components == 4 ? "/ColorSpace /DeviceCMYK" : "/ColorSpace /DeviceRGB");
    if (Info.Components == 4 && Info.Adobe) Line("/Decode [1 0 1 0 1 0 1 0]");
  } else {
    Line("/ColorSpace /DeviceRGB");
  }
  Line("/BitsPerComponent 8");
  Line("/Width " + std::to_string(W));
  Line("/Height " + std::to_string(H));
  if (Masked) Line("/SMask " + ObjRefText(MaskId));
  if (Jpeg) {
    Line("/Filter /DCTDecode");
    WriteStreamObject(Data, Id, false, false);
  } else {
    const std::string Packed = DeflateImage(Data);
    Raw("/Filter /FlateDecode");
    WriteStreamObject(Packed, Id, false, false);
  }
  return Index;
}

int TrepPDFExport::ImageOf(const gfx::TGraphic& Graphic, bool Transparent, gfx::TColor TransparentColor) {
  if (Graphic.Empty()) return -1;
  // JPEG pictures go in as they are.
  if (auto* Jpeg = dynamic_cast<const gfx::TJPEGImage*>(&Graphic)) {
    TJPEGInfo Info;
    if (ReadJPEGInfo(Jpeg->Bytes(), Info)) {
      const TrepPDFXObjectHash Hash = Digest("jpeg", Jpeg->Bytes());
      const int Index = FPOH.FindXObject(Hash);
      return Index >= 0 ? Index : WriteImageXObject(Hash, Jpeg->Bytes(), true, 0, 0, {});
    }
  }
  const gfx::TBitmap* Bmp = Graphic.Pixels();
  if (!Bmp || Bmp->Width() <= 0 || Bmp->Height() <= 0) return -1;
  const int W = Bmp->Width(), H = Bmp->Height();
  const bool HasAlpha = Bmp->PixelFormat() == gfx::pf32bit;
  const gfx::TColor Key = Transparent ? gfx::ColorToRGB(TransparentColor) & 0xFFFFFF : -1;
  std::string RGB, Mask;
  RGB.resize(static_cast<std::size_t>(W) * H * 3);
  Mask.resize(static_cast<std::size_t>(W) * H);
  bool AnyMask = false;
  std::size_t O = 0, A = 0;
  for (int Y = 0; Y < H; ++Y) {
    const std::uint32_t* Row = Bmp->ScanLine(Y);
    for (int X = 0; X < W; ++X) {
      const std::uint32_t P = Row[X];
      int Al = HasAlpha ? static_cast<int>(P >> 24) : 255;
      int R = (P >> 16) & 0xFF, G = (P >> 8) & 0xFF, B = P & 0xFF;
      if (Al > 0 && Al < 255) {  // premultiplied
        R = std::min(255, R * 255 / Al);
        G = std::min(255, G * 255 / Al);
        B = std::min(255, B * 255 / Al);
      }
      if (Transparent && (R | (G << 8) | (B << 16)) == Key) Al = 0;
      RGB[O++] = static_cast<char>(R);
      RGB[O++] = static_cast<char>(G);
      RGB[O++] = static_cast<char>(B);
      Mask[A++] = static_cast<char>(Al);
      AnyMask = AnyMask || Al != 255;
    }
  }
  const std::string Size = std::to_string(W) + "x" + std::to_string(H);
  const TrepPDFXObjectHash Hash = Digest("rgb" + Size, AnyMask ? RGB + Mask : RGB);
  const int Index = FPOH.FindXObject(Hash);
  if (Index >= 0) return Index;
  if (!AnyMask) Mask.clear();
  return WriteImageXObject(Hash, RGB, false, W, H, Mask);
}

void TrepPDFExport::ExportPicture(TrepPictureView* View) {
  ExportFill(View);
  const gfx::TGraphic* G = View->Picture().Graphic();
  const int Index = G ? ImageOf(*G, View->Transparent, View->TransparentColor) : -1;
  if (Index >= 0) {
    FPOH.AddUsedObject(Index);
    // Where the picture goes inside the view, in report pixels.
    const double VW = View->Width() - View->ShadowSize(), VH = View->Height() - View->ShadowSize();
    const double PW = G->Width(), PH = G->Height();
    double W = PW, H = PH;
    if (View->Stretched) {
      W = VW;
      H = VH;
      if (View->KeepAspectRatio && PW > 0 && PH > 0) {
        const double K = std::min(VW / PW, VH / PH);
        W = PW * K;
        H = PH * K;
      }
    }
    double X = View->AbsLeft(), Y = View->AbsTop();
    if (View->Center) {
      X += (VW - W) / 2;
      Y += (VH - H) / 2;
    }
    CL("q");
    CL(PDFRectText(GetClipRect(View, false)) + " re");
    CL("W");
    CL("n");
    CL(FloatToPDFText(W * 0.75, 3) + " 0 0 " + FloatToPDFText(H * 0.75, 3) + " " +
       FloatToPDFText(PixelsToPDFX(X), 3) + " " + FloatToPDFText(PixelsToPDFY(Y + H), 3) + " cm");
    CL("/Im" + std::to_string(Index) + " Do");
    CL("Q");
  }
  ExportFrame(View->Frame(), GetViewRect(View));
}
