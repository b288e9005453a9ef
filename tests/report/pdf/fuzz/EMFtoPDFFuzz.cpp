// A metafile from anywhere, played through the PDF converter with a document that hands out a
// font and images. Malformed records end the play with EEMFError; whatever plays must leave
// balanced graphics states and only finite numbers in the page content.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "report/pdf/repEMFtoPDFExport.h"

namespace {

class TDocument : public TEMFPDFDocument {
public:
  std::string FontResourceName(const gfx::TFont&) override { return "/F0"; }
  TRemapedString RemapString(const gfx::TFont&, const std::u16string& Text, bool, bool) override {
    TRemapedString RS;
    RS.Data = Text;
    RS.CharWidth.assign(Text.size(), 500);
    RS.Width = 500 * static_cast<int>(Text.size());
    RS.IsValidCharWidth = true;
    return RS;
  }
  int FindXObject(const TrepPDFXObjectHash&) override { return -1; }
  int OutXObjectImage(const TrepPDFXObjectHash&, const std::string&, int, int) override { return 0; }
  int OutTransparentPNG(const TEMFPngImage&, int, int) override { return 0; }
  void AddUsedObject(int) override {}
};

void Check(const std::string& Out) {
  int Depth = 0;
  std::size_t At = 0;
  while (At < Out.size()) {
    std::size_t End = Out.find("\r\n", At);
    if (End == std::string::npos) End = Out.size();
    const std::string Line = Out.substr(At, End - At);
    At = End + 2;
    if (Line == "q") ++Depth;
    if (Line == "Q" && --Depth < 0) std::abort();
    if (!Line.empty() && Line[0] != '%' &&
        (Line.find("nan") != std::string::npos || Line.find("inf") != std::string::npos))
      std::abort();
  }
  if (Depth != 0) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string Bytes(reinterpret_cast<const char*>(Data), Size);
  for (bool Transparency : {false, true}) {
    rt::TStringStream In(Bytes);
    rt::TMemoryStream Out;
    TDocument Doc;
    TEMFtoPDFExport E(&In, &Out, TrepRect{10, 500, 300, 20}, &Doc);
    E.Transparency = Transparency;
    E.ShowComments = Transparency;
    try {
      E.PlayMetaFile();
    } catch (const EEMFError&) {
      continue;
    }
    std::string S(static_cast<std::size_t>(Out.Size()), '\0');
    Out.SetPosition(0);
    if (!S.empty()) Out.ReadBuffer(S.data(), Out.Size());
    Check(S);
  }
  return 0;
}
