#pragma once
// A small PDF document writer for the tests of the security handler and the PDF/A writer: it
// implements the document sink the two need and writes a minimal, valid document around them
// (catalog, page tree, one page with a text content stream and a standard font, info
// dictionary, cross-reference table, trailer with /ID and /Encrypt), so that outside tools can
// judge the result.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "platform/rt/Classes.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repZLib.h"
#include "report/pdf/repExportPDFA.h"
#include "report/pdf/repExportPDFHelpers.h"
#include "report/pdf/repExportPDFSecurity.h"
#include "report/pdf/repExportPDFSink.h"

namespace minipdf {

class TMiniPDFWriter : public TrepPDFDocumentSink {
public:
  rt::TMemoryStream Out;
  std::vector<std::int64_t> Offsets;  // entry k - 1 belongs to object k
  const TrepPDFSecurity* Security = nullptr;  // set: strings and streams are encrypted

  int UpdateXRef() override {
    Offsets.push_back(Out.Position());
    return static_cast<int>(Offsets.size());
  }
  rt::TStream& Output() override { return Out; }
  void WriteStreamObject(std::unique_ptr<rt::TStream> Source, int ObjectNumber, bool OpenDictionary,
                         bool Compress, bool Encrypt) override {
    if (OpenDictionary) WritePDFRaw(Out, "<<");
    rt::TMemoryStream Deflated;
    rt::TStream* Data = Source.get();
    if (Compress) {
      CompressStream(*Source, Deflated, zcFastest);
      Data = &Deflated;
      WritePDFRaw(Out, "/Length " + std::to_string(Deflated.Size()) + "/Filter/FlateDecode");
    } else {
      WritePDFRaw(Out, "/Length " + std::to_string(Source->Size()));
    }
    WritePDFLine(Out, ">>");
    WritePDFLine(Out, "stream");
    if (Encrypt && Security) {
      Security->EncryptObjectData(*Data, Out, ObjectNumber);
    } else {
      Data->SetPosition(0);
      Out.CopyFrom(*Data, Data->Size());
    }
    WritePDFRaw(Out, "\n");
    WritePDFLine(Out, "endstream");
    WritePDFLine(Out, "endobj");
  }
  std::string TextStringToPDF(std::string_view Text, int ObjectNumber) override {
    std::string Bytes = "\xFE\xFF";
    for (char16_t C : rt::Utf8ToUtf16(Text)) {
      Bytes += static_cast<char>(C >> 8);
      Bytes += static_cast<char>(C & 0xFF);
    }
    if (Security) return "(" + Security->EncryptString(Bytes, ObjectNumber) + ")";
    return "(" + TrepPDFSecurity::EscapeLiteralString(Bytes) + ")";
  }

  std::string Text() { return std::string(static_cast<const char*>(Out.Memory()), Out.Size()); }
};

struct TDocument {
  std::string Title = "Valve sizing";
  std::string Content = "Hello sizing";  // the one line of text on the page
  std::string FileID = "0123456789abcdef0123456789abcdef";
  TPDFVersion Version = pv17;
  const TrepPDFSecurity* Security = nullptr;
  TrepPDFA* PDFA = nullptr;  // set: the PDF/A objects are written and referred to
  TrepPDFAInfo PDFAInfo;
};

// The whole document, written the way the filter orders its objects.
inline std::string BuildDocument(const TDocument& D) {
  TMiniPDFWriter W;
  W.Security = D.Security;
  rt::TStream& Out = W.Out;
  WritePDFLine(Out, "%PDF-" + PDFVersionText(D.Version));
  WritePDFLine(Out, "%\xE2\xE3\xCF\xD3");
  W.UpdateXRef();  // object 1: the page tree, written at the end

  const int Font = W.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(Font));
  WritePDFLine(Out, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
  WritePDFLine(Out, "endobj");

  auto Content = std::make_unique<rt::TMemoryStream>();
  const std::string Ops = "BT /F0 24 Tf 72 720 Td (" + D.Content + ") Tj ET\r\n";
  Content->WriteBuffer(Ops.data(), static_cast<std::int64_t>(Ops.size()));
  const int C = W.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(C));
  W.WriteStreamObject(std::move(Content), C, true, true, D.Security != nullptr);

  const int Page = W.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(Page));
  WritePDFLine(Out, "<< /Type /Page /Parent 1 0 R /MediaBox [0 0 612 792 ]");
  WritePDFLine(Out, "/Resources << /Font << /F0 " + ObjRefText(Font) + " >> >>");
  WritePDFLine(Out, "/Contents " + ObjRefText(C) + " >>");
  WritePDFLine(Out, "endobj");

  W.Offsets[0] = Out.Position();
  WritePDFLine(Out, ObjNumberText(1));
  WritePDFLine(Out, "<< /Type /Pages /Kids [" + std::to_string(Page) + " 0 R ] /Count 1 >>");
  WritePDFLine(Out, "endobj");

  if (D.PDFA) D.PDFA->WritePDFAObjects(W, D.PDFAInfo);

  const int Info = W.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(Info));
  WritePDFLine(Out, "<< /Title " + W.TextStringToPDF(D.Title, Info));
  WritePDFLine(Out, "/Producer " + W.TextStringToPDF("tests", Info) + " >>");
  WritePDFLine(Out, "endobj");

  const int Encrypt = D.Security ? D.Security->WriteEncryptionObject(W) : 0;

  const int Catalog = W.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(Catalog));
  WritePDFLine(Out, "<< /Type /Catalog /Pages 1 0 R");
  if (D.PDFA) D.PDFA->WriteCatalogEntries(Out);
  WritePDFLine(Out, ">>");
  WritePDFLine(Out, "endobj");

  const std::int64_t StartXRef = Out.Position();
  WritePDFLine(Out, "xref");
  WritePDFLine(Out, "0 " + std::to_string(W.Offsets.size() + 1));
  WritePDFLine(Out, "0000000000 65535 f");
  for (std::int64_t Offset : W.Offsets) WritePDFLine(Out, XRefOffsetText(Offset) + " 00000 n");
  WritePDFLine(Out, "trailer");
  WritePDFLine(Out, "<< /Size " + std::to_string(W.Offsets.size() + 1) + " /Root " + ObjRefText(Catalog) +
                        " /Info " + ObjRefText(Info));
  WritePDFLine(Out, "/ID [<" + D.FileID + "><" + D.FileID + ">]");
  if (Encrypt) WritePDFLine(Out, "/Encrypt " + ObjRefText(Encrypt));
  WritePDFLine(Out, ">>");
  WritePDFLine(Out, "startxref");
  WritePDFLine(Out, std::to_string(StartXRef));
  WritePDFLine(Out, "%%EOF");
  return W.Text();
}

// ---- Outside tools

inline bool HaveTool(const char* Name) {
  return std::system((std::string("command -v ") + Name + " > /dev/null 2>&1").c_str()) == 0;
}

struct TRun {
  int Status;
  std::string Output;  // standard output and standard error
};

inline TRun RunTool(const std::string& Command) {
  TRun R{-1, {}};
  FILE* P = popen((Command + " 2>&1").c_str(), "r");
  if (!P) return R;
  char Buf[4096];
  std::size_t N;
  while ((N = std::fread(Buf, 1, sizeof Buf, P)) > 0) R.Output.append(Buf, N);
  const int S = pclose(P);
  R.Status = WIFEXITED(S) ? WEXITSTATUS(S) : -1;
  return R;
}

// A file in a fresh folder of the test's own, removed with the folder.
class TTempDir {
public:
  TTempDir() {
    char Pattern[] = "/tmp/pdftestXXXXXX";
    if (!mkdtemp(Pattern)) throw std::runtime_error("no temporary folder");
    FPath = Pattern;
  }
  ~TTempDir() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
  }
  std::string File(const std::string& Name, const std::string& Bytes = {}) const {
    const std::string P = FPath + "/" + Name;
    if (!Bytes.empty()) std::ofstream(P, std::ios::binary) << Bytes;
    return P;
  }
  static std::string Read(const std::string& Path) {
    std::ifstream In(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
  }

private:
  std::string FPath;
};

// Shell quoting for arguments the tests choose themselves.
inline std::string Quote(const std::string& S) {
  std::string Q = "'";
  for (char C : S) Q += C == '\'' ? std::string("'\\''") : std::string(1, C);
  return Q + "'";
}

} // namespace minipdf
