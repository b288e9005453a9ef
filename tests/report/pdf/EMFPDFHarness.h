#pragma once
// A minimal PDF document around the metafile converter's content stream, so that qpdf,
// pdftotext and pdftoppm can judge what the converter writes: one page, composite fonts with the
// whole installed font file embedded and a ToUnicode map, JPEG images and RGB images with soft
// masks. It stands in for the document writer in these tests only.
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gfx/FontFace.h"
#include "platform/gfx/Picture.h"
#include "report/pdf/repEMFtoPDFExport.h"

namespace emfpdf {

class TestDocument : public TEMFPDFDocument {
public:
  struct Font {
    const gfx::TFontFace* Face = nullptr;
    std::string Key;
    std::map<unsigned, std::pair<char16_t, int>> Used;  // glyph -> character, width
  };
  struct Image {
    std::string Jpeg;       // DCT data, or empty for raw RGB
    std::string Rgb, Alpha;  // raw samples of a masked image
    int Width = 0, Height = 0;
  };
  std::vector<Font> Fonts;
  std::vector<Image> Images;
  std::map<TrepPDFXObjectHash, int> Hashes;
  std::vector<int> UsedImages;
  int JpegWrites = 0;

  std::string FontResourceName(const gfx::TFont& F) override { return "/F" + std::to_string(FontOf(F)); }

  TRemapedString RemapString(const gfx::TFont& F, const std::u16string& Text, bool IsRTL,
                             bool IsIndexes) override {
    (void)IsRTL;
    Font& Fn = Fonts[static_cast<std::size_t>(FontOf(F))];
    TRemapedString RS;
    for (char16_t C : Text) {
      const unsigned G = IsIndexes ? C : Fn.Face->GlyphIndex(C);
      const int W = Fn.Face->GlyphAdvance(G) * 1000 / Fn.Face->UnitsPerEm();
      RS.Data.push_back(static_cast<char16_t>(G));
      RS.CharWidth.push_back(W);
      RS.Width += W;
      if (G == 3) ++RS.SpacesCount;
      Fn.Used.emplace(G, std::make_pair(IsIndexes ? u'?' : C, W));
    }
    RS.IsValidCharWidth = true;
    return RS;
  }

  int FindXObject(const TrepPDFXObjectHash& Hash) override {
    auto It = Hashes.find(Hash);
    return It == Hashes.end() ? -1 : It->second;
  }
  int OutXObjectImage(const TrepPDFXObjectHash& Hash, const std::string& Jpeg, int Width, int Height) override {
    ++JpegWrites;
    Images.push_back({Jpeg, "", "", Width, Height});
    const int I = static_cast<int>(Images.size()) - 1;
    Hashes[Hash] = I;
    return I;
  }
  int OutTransparentPNG(const TEMFPngImage& Png, int Width, int Height) override {
    (void)Width;
    (void)Height;
    Image Im;
    Im.Width = Png.Width();
    Im.Height = Png.Height();
    for (int Y = 0; Y < Png.Height(); ++Y) {
      const std::uint8_t* Row = Png.ScanLine(Y);
      for (int X = 0; X < Png.Width(); ++X) {
        Im.Rgb.append(reinterpret_cast<const char*>(Row + 4 * X), 3);
        Im.Alpha.push_back(static_cast<char>(Row[4 * X + 3]));
      }
    }
    Images.push_back(std::move(Im));
    return static_cast<int>(Images.size()) - 1;
  }
  void AddUsedObject(int Index) override { UsedImages.push_back(Index); }

private:
  int FontOf(const gfx::TFont& F) {
    const bool B = gfx::HasStyle(F.Style(), gfx::fsBold), I = gfx::HasStyle(F.Style(), gfx::fsItalic);
    const std::string Key = F.Name() + (B ? "|b" : "") + (I ? "|i" : "");
    for (std::size_t N = 0; N < Fonts.size(); ++N)
      if (Fonts[N].Key == Key) return static_cast<int>(N);
    Font Fn;
    Fn.Face = gfx::FindFace(F.Name(), B, I);
    Fn.Key = Key;
    Fonts.push_back(std::move(Fn));
    return static_cast<int>(Fonts.size()) - 1;
  }
};

// Plays a metafile into a content stream. Setup may set the converter's options.
template <class TSetup>
std::string Play(const std::string& Emf, const TrepRect& Target, TEMFPDFDocument* Doc, TSetup Setup) {
  rt::TMemoryStream In, Out;
  In.WriteBuffer(Emf.data(), static_cast<std::int64_t>(Emf.size()));
  In.SetPosition(0);
  TEMFtoPDFExport E(&In, &Out, Target, Doc);
  Setup(E);
  E.PlayMetaFile();
  std::string S(static_cast<std::size_t>(Out.Size()), '\0');
  Out.SetPosition(0);
  Out.ReadBuffer(S.data(), Out.Size());
  return S;
}
inline std::string Play(const std::string& Emf, const TrepRect& Target, TEMFPDFDocument* Doc = nullptr) {
  return Play(Emf, Target, Doc, [](TEMFtoPDFExport&) {});
}

inline std::string Hex4(unsigned V) {
  char B[8];
  std::snprintf(B, sizeof B, "%04X", V & 0xFFFF);
  return B;
}

// A one-page PDF of Width by Height points around Content.
inline std::string OnePagePDF(const std::string& Content, double Width, double Height, const TestDocument& Doc) {
  std::vector<std::string> Objs;  // object n is Objs[n - 1]
  auto Add = [&Objs](std::string Body) {
    Objs.push_back(std::move(Body));
    return static_cast<int>(Objs.size());
  };
  auto Stream = [](const std::string& Dict, const std::string& Data) {
    return "<< " + Dict + " /Length " + std::to_string(Data.size()) + " >>\nstream\n" + Data + "\nendstream";
  };
  Add("<< /Type /Catalog /Pages 2 0 R >>");
  Add("");  // pages
  Add("");  // page
  const int ContentObj = Add(Stream("", Content));
  std::string FontRes, ImageRes;
  for (std::size_t N = 0; N < Doc.Fonts.size(); ++N) {
    const auto& F = Doc.Fonts[N];
    const auto& Data = F.Face->FileData();
    const int File = Add(Stream("/Length1 " + std::to_string(Data.size()), std::string(Data.begin(), Data.end())));
    const int Desc = Add("<< /Type /FontDescriptor /FontName /Face" + std::to_string(N) +
                         " /Flags 32 /FontBBox [-1000 -1000 2000 2000] /ItalicAngle 0 /Ascent 900"
                         " /Descent -200 /CapHeight 700 /StemV 80 /FontFile2 " + std::to_string(File) + " 0 R >>");
    std::string W = "[", Map;
    for (const auto& [G, CW] : F.Used) {
      W += std::to_string(G) + " [" + std::to_string(CW.second) + "] ";
      Map += "<" + Hex4(G) + "> <" + Hex4(CW.first) + ">\n";
    }
    W += "]";
    const int Cid = Add("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /Face" + std::to_string(N) +
                        " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
                        " /FontDescriptor " + std::to_string(Desc) + " 0 R /W " + W + " /CIDToGIDMap /Identity >>");
    const std::string CMap =
        "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo\n<< /Registry (Adobe)\n"
        "/Ordering (UCS)\n/Supplement 0\n>> def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
        "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n" + std::to_string(F.Used.size()) +
        " beginbfchar\n" + Map + "endbfchar\nendcmap\nCMapName currentdict /CMap defineresource pop\nend\nend";
    const int ToU = Add(Stream("", CMap));
    const int Type0 = Add("<< /Type /Font /Subtype /Type0 /BaseFont /Face" + std::to_string(N) +
                          " /Encoding /Identity-H /DescendantFonts [" + std::to_string(Cid) + " 0 R] /ToUnicode " +
                          std::to_string(ToU) + " 0 R >>");
    FontRes += "/F" + std::to_string(N) + " " + std::to_string(Type0) + " 0 R ";
  }
  for (std::size_t N = 0; N < Doc.Images.size(); ++N) {
    const auto& I = Doc.Images[N];
    const std::string Size = "/Width " + std::to_string(I.Width) + " /Height " + std::to_string(I.Height);
    int Obj;
    if (!I.Jpeg.empty()) {
      Obj = Add(Stream("/Type /XObject /Subtype /Image " + Size +
                       " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode", I.Jpeg));
    } else {
      const int Mask = Add(Stream("/Type /XObject /Subtype /Image " + Size +
                                  " /ColorSpace /DeviceGray /BitsPerComponent 8", I.Alpha));
      Obj = Add(Stream("/Type /XObject /Subtype /Image " + Size + " /ColorSpace /DeviceRGB /BitsPerComponent 8"
                       " /SMask " + std::to_string(Mask) + " 0 R", I.Rgb));
    }
    ImageRes += "/Im" + std::to_string(N) + " " + std::to_string(Obj) + " 0 R ";
  }
  char Box[96];
  std::snprintf(Box, sizeof Box, "[0 0 %.3f %.3f]", Width, Height);
  Objs[1] = "<< /Type /Pages /Kids [3 0 R] /Count 1 >>";
  Objs[2] = "<< /Type /Page /Parent 2 0 R /MediaBox " + std::string(Box) + " /Resources << /Font << " + FontRes +
            ">> /XObject << " + ImageRes + ">> >> /Contents " + std::to_string(ContentObj) + " 0 R >>";
  std::string Pdf = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n";
  std::vector<std::size_t> Offsets;
  for (std::size_t N = 0; N < Objs.size(); ++N) {
    Offsets.push_back(Pdf.size());
    Pdf += std::to_string(N + 1) + " 0 obj\n" + Objs[N] + "\nendobj\n";
  }
  const std::size_t XRef = Pdf.size();
  Pdf += "xref\n0 " + std::to_string(Objs.size() + 1) + "\n0000000000 65535 f \n";
  for (std::size_t O : Offsets) {
    char L[24];
    std::snprintf(L, sizeof L, "%010zu 00000 n \n", O);
    Pdf += L;
  }
  Pdf += "trailer\n<< /Size " + std::to_string(Objs.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
         std::to_string(XRef) + "\n%%EOF\n";
  return Pdf;
}

// A scratch folder removed with the fixture.
class TempDir {
public:
  TempDir() {
    std::string T = (std::filesystem::temp_directory_path() / "emfpdfXXXXXX").string();
    if (mkdtemp(T.data()) != nullptr) Path = T;
  }
  ~TempDir() {
    std::error_code E;
    std::filesystem::remove_all(Path, E);
  }
  std::filesystem::path Path;
};

inline void WriteFile(const std::filesystem::path& P, const std::string& S) {
  std::ofstream F(P, std::ios::binary);
  F.write(S.data(), static_cast<std::streamsize>(S.size()));
}

inline std::string ReadFile(const std::filesystem::path& P) {
  std::ifstream F(P, std::ios::binary);
  std::stringstream S;
  S << F.rdbuf();
  return S.str();
}

// Runs a command; its exit status, with standard output and error in Output.
inline int Run(const std::string& Command, std::string& Output) {
  Output.clear();
  FILE* P = popen((Command + " 2>&1").c_str(), "r");
  if (P == nullptr) return -1;
  std::array<char, 4096> Buf;
  std::size_t N;
  while ((N = std::fread(Buf.data(), 1, Buf.size(), P)) > 0) Output.append(Buf.data(), N);
  const int Status = pclose(P);
  return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
}

inline bool HaveTool(const std::string& Name) {
  std::string Out;
  return Run("command -v " + Name, Out) == 0;
}

} // namespace emfpdf
