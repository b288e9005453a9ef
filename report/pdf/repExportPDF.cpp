#include "report/pdf/repExportPDF.h"

#include <sys/random.h>
#include <zlib.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <algorithm>

#include "platform/gfx/FontFace.h"
#include "platform/rt/DateUtils.h"
#include "platform/rt/Unicode.h"
#include "platform/rt/SysUtils.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repRes.h"
#include "report/pdf/repmd5.h"

namespace {
std::string repExportRes(const std::string& Key, const std::string& Default);
}

TrepPDFExport::TrepPDFExport() {
  // The document's creator is the running program.
  Creator = program_invocation_short_name;
  FilterDesc = repExportRes("8707", "Adobe PDF file (*.pdf)|*.pdf");
  DefaultExt = repExportRes("8708", ".pdf");
  FPOH.Position = [this] { return Position(); };
}

TrepPDFExport::~TrepPDFExport() = default;

std::string TrepPDFExport::GetDescription() { return repExportRes("PDFexport", "PDF file"); }

void TrepPDFExport::SetEmbeddedFonts(bool value) { FEmbeddedFonts = IsPDFA() ? true : value; }

void TrepPDFExport::SetTransparency(bool value) { FTransparency = IsPDFA_1() ? false : value; }

void TrepPDFExport::SetProtectionFlags(TrepPDFEncBits flags) {
  FProtectionFlags = flags & AllPDFEncBits;
  FEncBits = -64 + 4 * static_cast<int>(FProtectionFlags);
}

void TrepPDFExport::SetPdfA(bool value) {
  FPdfA = value;
  SetPDFStandard(value ? psPDFA_2a : psNone);
}

void TrepPDFExport::SetPDFStandard(TPDFStandard standard) {
  FPDFStandard = standard;
  TPDFVersion required;
  if (PDFStandardVersion(standard, required)) FPDFVersion = required;
  if (IsPDFA()) FEmbeddedFonts = true;
  if (IsPDFA_1()) FTransparency = false;
  FPdfA = IsPDFA();
}

void TrepPDFExport::SetPDFVersion(TPDFVersion version) {
  TPDFVersion required;
  if (PDFStandardVersion(FPDFStandard, required)) return;
  FPDFVersion = version;
}

void TrepPDFExport::SetPictureDPI(int dpi) {
  FPictureDPI = dpi;
  if (dpi > 0) FSaveOriginalImages = false;
}

void TrepPDFExport::SetSaveOriginalImages(bool value) {
  FSaveOriginalImages = value;
  if (value) FPictureDPI = 0;
}

// ---- Document

namespace {

// A text of the export resource table, or Default when the table does not hold the key.
std::string repExportRes(const std::string& Key, const std::string& Default) {
  std::string R = ResourceTable().Get(Key);
  return R == Key ? Default : R;
}

// A new random identifier in the usual 38-character form with braces.
std::string NewGuidText() {
  std::uint8_t B[16] = {};
  std::size_t Got = 0;
  while (Got < sizeof B) {
    const ssize_t N = getrandom(B + Got, sizeof B - Got, 0);
    if (N < 0) {
      if (errno == EINTR) continue;
      throw rt::Exception("No random numbers for the PDF file identifier");
    }
    Got += static_cast<std::size_t>(N);
  }
  char Text[40];
  std::snprintf(Text, sizeof Text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", B[0],
                B[1], B[2], B[3], B[4], B[5], B[6], B[7], B[8], B[9], B[10], B[11], B[12], B[13], B[14], B[15]);
  return Text;
}

bool IsHexID(const std::string& S) {
  if (S.size() != 32) return false;
  for (char C : S)
    if (!std::isxdigit(static_cast<unsigned char>(C))) return false;
  return true;
}

} // namespace

// zlib format; the window and hash sizes follow the data, so the many small streams of a
// document (page content, Unicode maps) do not each pay for setting up 256 KiB of tables.
std::string DeflateData(std::string_view Data, int Level) {
  int Bits = 9;
  while (Bits < 15 && (std::size_t{1} << Bits) < Data.size() + 262) ++Bits;
  z_stream Z{};
  if (deflateInit2(&Z, Level, Z_DEFLATED, Bits, std::clamp(Bits - 6, 1, 8), Z_DEFAULT_STRATEGY) != Z_OK)
    throw rt::Exception("Cannot compress a PDF stream");
  std::string Out;
  Out.resize(deflateBound(&Z, static_cast<uLong>(Data.size())));
  Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Data.data()));
  Z.avail_in = static_cast<uInt>(Data.size());
  Z.next_out = reinterpret_cast<Bytef*>(Out.data());
  Z.avail_out = static_cast<uInt>(Out.size());
  const int R = deflate(&Z, Z_FINISH);
  Out.resize(Z.total_out);
  deflateEnd(&Z);
  if (R != Z_STREAM_END) throw rt::Exception("Cannot compress a PDF stream (zlib error " + std::to_string(R) + ")");
  return Out;
}

namespace {

// Level 5 packs text content nearly as tight as 6 at two thirds of its time.
constexpr int StreamDeflateLevel = 5;

std::string Deflate(std::string_view Data) { return DeflateData(Data, StreamDeflateLevel); }

// "(" + the text with "\", "(", ")", CR and LF escaped + ")".
std::string LiteralString(std::string_view Bytes) {
  std::string R = "(";
  for (char C : Bytes) {
    switch (C) {
    case '\n': R += "\\n"; break;
    case '\r': R += "\\r"; break;
    case '(': R += "\\("; break;
    case ')': R += "\\)"; break;
    case '\\': R += "\\\\"; break;
    default: R += C;
    }
  }
  return R + ")";
}

} // namespace

rt::TStream& TrepPDFExport::Output() {
  if (!FOutputStream) FOutputStream = std::make_unique<TPDFAppendStream>(FOut);
  return *FOutputStream;
}

void TrepPDFExport::WriteStreamObject(std::unique_ptr<rt::TStream> Source, int ObjectNumber, bool OpenDictionary,
                                      bool Compress, bool Encrypt) {
  std::string Data;
  if (Source) {
    Source->SetPosition(0);
    Data.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, Source->Size())));
    if (!Data.empty()) Source->ReadBuffer(Data.data(), static_cast<std::int64_t>(Data.size()));
  }
  Source.reset();
  WriteStreamData(Data, ObjectNumber, OpenDictionary, Compress, Encrypt && FProtection);
}

std::string TrepPDFExport::TextStringToPDF(std::string_view Text, int ObjectNumber) {
  // UTF-16 big-endian with its byte-order mark.
  std::string Bytes = "\xFE\xFF";
  for (char16_t U : rt::Utf8ToUtf16(std::string(Text))) {
    Bytes += static_cast<char>(U >> 8);
    Bytes += static_cast<char>(U & 0xFF);
  }
  if (FProtection) return "(" + FSecurity.EncryptString(Bytes, ObjectNumber) + ")";
  return LiteralString(Bytes);
}

std::string TrepPDFExport::InfoString(const std::string& Text, int ObjectNumber) {
  return Text.empty() ? "()" : TextStringToPDF(Text, ObjectNumber);
}

void TrepPDFExport::ClearDocumentState() {
  FPOH.Clear();
  FPOH.ClearXObject();
  FPOH.ClearUsedXObjects();
  FPOH.ClearPageFonts();
  FPagesRef.clear();
  FAnnots.clear();
  FPageAnnots.clear();
  FExportedPages.clear();
  FPageHeights.clear();
  FPageForms.clear();
  FContent.clear();
  FTextRun = FTextOpen = false;
  FInPage = false;
  FOut.clear();
  FFlushed = 0;
  FFaces.clear();
  FMissingCharacters.clear();
  FMissingCount = 0;
}

void TrepPDFExport::Flush() {
  if (FPdf && !FOut.empty()) FPdf->WriteBuffer(FOut.data(), static_cast<std::int64_t>(FOut.size()));
  FFlushed += static_cast<std::int64_t>(FOut.size());
  FOut.clear();
}

bool TrepPDFExport::Start() {
  if (FileName().empty() && !Stream) return false;
  if (Sheets.size() > static_cast<std::size_t>(MaxPages)) throw rt::Exception("Too many pages for one PDF document");
  // PDF/A forbids encryption: the passwords are not used for such a document.
  FProtection = !IsPDFA() && (!UserPassword.empty() || !OwnerPassword.empty());
  if (IsPDFA()) SetEmbeddedFonts(true);
  ClearDocumentState();
  FFile.reset();
  FTransportStream = nullptr;
  if (Stream) {
    FPdf = Stream;
  } else if (IOTransport != nullptr) {
    FPdf = FTransportStream = IOTransport->GetStream(FileName());
    if (!FPdf) throw rt::EFCreateError("Cannot create file \"" + FileName() + "\"");
  } else {
    FFile = std::make_unique<rt::TFileStream>(FileName(), rt::fmCreate);
    FPdf = FFile.get();
  }
  // File identifier: the digest of a new random identifier, unless the caller fixed one.
  FFileID = IsHexID(FixedFileID) ? FixedFileID : MD5HexText(NewGuidText());
  for (char& Ch : FFileID) Ch = static_cast<char>(std::tolower(static_cast<unsigned char>(Ch)));
  if (FProtection) {
    FSecurity.PrepareSecurityKeys(UserPassword, OwnerPassword, FEncBits, FFileID);
    SetEmbeddedFonts(EmbedFontsIfProtected);
  }
  Line("%PDF-" + PDFVersionText(FPDFVersion));
  Line("%\xE2\xE3\xCF\xD3");
  FPOH.UpdateXRef();  // object 1: the page tree, written at the end
  FStarted = true;
  return true;
}

void TrepPDFExport::StartPage(TrepReportPage* Page, int Index) {
  if (!FStarted) throw rt::Exception("PDF export: a page was started before the document");
  if (static_cast<int>(FPagesRef.size()) >= MaxPages) throw rt::Exception("Too many pages for one PDF document");
  FPOH.ClearUsedXObjects();
  FPOH.ClearPageFonts();
  FPage = PageSetupFor ? PageSetupFor(Page) : Page ? TrepPDFPageSetup::Of(*Page) : TrepPDFPageSetup{};
  // Page sizes from templates: at least a point, at most the largest page PDF readers take.
  FWidth = std::clamp(std::isfinite(FPage.Width) ? FPage.Width * 0.75 : 0.0, 1.0, 14400.0);
  FHeight = std::clamp(std::isfinite(FPage.Height) ? FPage.Height * 0.75 : 0.0, 1.0, 14400.0);
  FMarginLeft = FPage.LeftMargin * 0.05;
  FMarginTop = FPage.TopMargin * 0.05;
  FContent.clear();
  FTextRun = FTextOpen = false;
  FPageAnnots.clear();
  FExportedPages.push_back(Index);
  FPageHeights.push_back(FHeight);
  FInPage = true;
  constexpr double K = 72 / 25.4;
  double L = FPage.LeftMargin, R = FPage.RightMargin;
  if (FPage.MirrorMargins && (Index % 2) == 1) std::swap(L, R);
  FPageRect.Left = L * K + 0.5;
  FPageRect.Top = FHeight - FPage.TopMargin * K;
  FPageRect.Right = FWidth - R * K + 0.5;
  FPageRect.Bottom = FPage.BottomMargin * K;
  if (Background && FPage.Color != gfx::clNone) WritePageBackground(FPageRect, FPage.Color);
  if (FPage.Frame) ExportFrame(*FPage.Frame, FPageRect);
}

TrepPDFPageSetup TrepPDFPageSetup::Of(TrepReportPage& Page) {
  TrepPDFPageSetup Setup;
  Setup.Width = Page.Width();
  Setup.Height = Page.Height();
  Setup.LeftMargin = Page.LeftMargin;
  Setup.TopMargin = Page.TopMargin;
  Setup.RightMargin = Page.RightMargin;
  Setup.BottomMargin = Page.BottomMargin;
  Setup.MirrorMargins = Page.MirrorMargins;
  Setup.Color = Page.Color();
  auto Frame = std::make_shared<TrepFrame>();
  Frame->Assign(Page.Frame());
  Setup.Frame = std::move(Frame);
  Setup.BackPictureVisible = Page.BackPictureVisible;
  Setup.BackPictureStretched = Page.BackPictureStretched;
  return Setup;
}

void TrepPDFExport::ExportObject(TrepComponent* Obj) {
  if (!FInPage) throw rt::Exception("PDF export: an object was exported outside a page");
  auto* View = dynamic_cast<TrepView*>(Obj);
  if (!View) return;
  if ((ExportNotPrintable && !View->Printable()) || View->Visibility.Contains(vsExport)) ExportView(View);
  if (FContent.size() > MaxPageContentBytes) throw rt::Exception("PDF page content too large");
}

void TrepPDFExport::BeginClip(TrepView* Obj) {
  CL("q");
  CL(PDFRectText(GetClipRect(Obj, false)) + " re");
  CL("W");
  CL("n");
}

void TrepPDFExport::EndClip() { CL("Q"); }

void TrepPDFExport::WriteStreamObject(std::string_view Data, int ObjectNumber, bool OpenDictionary, bool Compress) {
  WriteStreamData(Data, ObjectNumber, OpenDictionary, Compress, FProtection);
}

void TrepPDFExport::WriteStreamData(std::string_view Data, int ObjectNumber, bool OpenDictionary, bool Compress,
                                    bool Encrypt) {
  if (OpenDictionary) Raw("<<");
  std::string Packed;
  if (Compress) {
    Packed = Deflate(Data);
    Data = Packed;
    Raw("/Length " + std::to_string(Data.size()) + "/Filter/FlateDecode");
  } else {
    Raw("/Length " + std::to_string(Data.size()));
  }
  Line(">>");
  Line("stream");
  // RC4 keeps the length, so /Length above holds for the encrypted bytes too.
  if (Encrypt)
    Raw(FSecurity.EncryptBytes(Data, ObjectNumber));
  else
    Raw(Data);
  Raw("\n");
  Line("endstream");
  Line("endobj");
}

std::string TrepPDFExport::PageResources() {
  for (TrepPDFFont* Font : FPOH.PageFonts())
    if (!Font->Saved) {
      Font->Reference = FPOH.UpdateXRef();
      Font->Saved = true;
    }
  std::string R = "/Resources <<\r\n";
  // Only the fonts this page uses.
  R += "/Font << ";
  for (TrepPDFFont* Font : FPOH.PageFonts()) R += Font->Name + " " + ObjRefText(Font->Reference) + " ";
  R += ">>\r\n";
  if (!FPOH.UsedXObjects().empty()) {
    R += "/XObject << ";
    for (int I : FPOH.UsedXObjects()) R += "/Im" + std::to_string(I) + " " + ObjRefText(FPOH.GetXObjectsId(I)) + " ";
    R += ">>\r\n";
  }
  R += "/ProcSet [/PDF /Text /ImageC ]\r\n>>\r\n";
  return R;
}

void TrepPDFExport::FinishPage(TrepReportPage* Page, int Index) {
  (void)Page;
  if (!FInPage) throw rt::Exception("PDF export: a page was finished that was not started");
  FInPage = false;
  EndTextRun();
  if (!Sheets.empty()) {
    WritePageForm(Index);
    return;
  }
  const int N = FPOH.UpdateXRef();
  Line(ObjNumberText(N));
  WriteStreamObject(FContent, N, true, Compressed);
  FContent.clear();
  const std::string Resources = PageResources();
  WritePageObject(FWidth, FHeight, FPageAnnots, Resources, N);
  FPageAnnots.clear();
  Flush();
}

void TrepPDFExport::WritePageObject(double Width, double Height, const std::string& Annots,
                                    const std::string& Resources, int Contents) {
  const int P = FPOH.UpdateXRef();
  FPagesRef.push_back(P);
  Line(ObjNumberText(P));
  Line("<<");
  Line("/Type /Page");
  Line("/Parent " + ObjRefText(1));
  Line("/MediaBox [0 0 " + PDFFixed(Width, 2) + " " + PDFFixed(Height, 2) + " ]");
  if (!Annots.empty()) {
    Line("/Annots [");
    Raw(Annots);
    Line("]");
  }
  if (FTransparency) Line("/Group << /Type /Group /S /Transparency /CS /DeviceRGB >>");
  Raw(Resources);
  Line("/Contents " + ObjRefText(Contents));
  Line(">>");
  Line("endobj");
}

void TrepPDFExport::WritePageForm(int Index) {
  // A page exported twice (the same prepared page again) keeps its first form.
  if (FPageForms.count(Index) != 0) {
    FContent.clear();
    return;
  }
  const std::string Resources = PageResources();
  const int N = FPOH.UpdateXRef();
  FPageForms[Index] = {N, FWidth, FHeight};
  Line(ObjNumberText(N));
  Raw("<</Type /XObject /Subtype /Form /BBox [0 0 " + PDFFixed(FWidth, 2) + " " + PDFFixed(FHeight, 2) + " ]\r\n");
  if (FTransparency) Raw("/Group << /Type /Group /S /Transparency /CS /DeviceRGB >>\r\n");
  Raw(Resources);
  WriteStreamObject(FContent, N, false, Compressed);
  FContent.clear();
  Flush();
}

void TrepPDFExport::WriteSheets() {
  constexpr double K = 72 / 25.4;
  for (const TrepPrintSheet& Sheet : Sheets) {
    const double W = std::clamp(std::isfinite(Sheet.Width) ? Sheet.Width * K : 0.0, 1.0, 14400.0);
    const double H = std::clamp(std::isfinite(Sheet.Height) ? Sheet.Height * K : 0.0, 1.0, 14400.0);
    std::string Content, Forms;
    std::vector<int> Used;
    for (const TrepPrintPlacement& P : Sheet.Pages) {
      const auto F = FPageForms.find(P.Page);
      if (F == FPageForms.end() || !std::isfinite(P.Left) || !std::isfinite(P.Top) || !std::isfinite(P.ScaleX) ||
          !std::isfinite(P.ScaleY))
        continue;
      // The page's paper corner lands at (Left, Top) from the sheet's top left corner; the page
      // is cut to its own paper, so a neighbour on the same sheet is never drawn over.
      const double X = P.Left * K, PW = F->second.Width * P.ScaleX, PH = F->second.Height * P.ScaleY;
      const double Y = H - P.Top * K - PH;
      Content += "q\r\n" + PDFFixed(X, 2) + " " + PDFFixed(Y, 2) + " " + PDFFixed(PW, 2) + " " + PDFFixed(PH, 2) +
                 " re W n\r\n" + FloatToPDFText(P.ScaleX, 6) + " 0 0 " + FloatToPDFText(P.ScaleY, 6) + " " +
                 PDFFixed(X, 2) + " " + PDFFixed(Y, 2) + " cm\r\n/Pg" + std::to_string(P.Page) + " Do\r\nQ\r\n";
      if (std::find(Used.begin(), Used.end(), P.Page) == Used.end()) {
        Used.push_back(P.Page);
        Forms += "/Pg" + std::to_string(P.Page) + " " + ObjRefText(F->second.Number) + " ";
      }
    }
    const int N = FPOH.UpdateXRef();
    Line(ObjNumberText(N));
    WriteStreamObject(Content, N, true, Compressed);
    WritePageObject(W, H, {}, "/Resources << /XObject << " + Forms + ">> /ProcSet [/PDF /Text /ImageC ] >>\r\n", N);
    Flush();
  }
}

void TrepPDFExport::WriteFontObjects(TrepPDFFont& Font) {
  const gfx::TFontFace* Face = Font.Face();
  const gfx::TFontFace::TMetrics& M = Face->Metrics();
  const std::string N = Font.GetFontName();
  auto Th = [&](int Units) { return std::to_string(std::lround(Font.ToThousandths(Units))); };

  // The font program: always the subset, whatever EmbeddedFonts says (the codes are glyph
  // indices of this very file).
  std::vector<std::uint8_t> Program = Font.PackTTFFont();
  const bool Compact = Face->FileData().size() >= 4 && std::memcmp(Face->FileData().data(), "OTTO", 4) == 0;
  if (Program.empty()) Program = Face->FileData();
  const int P = FPOH.UpdateXRef();
  Line(ObjNumberText(P));
  if (Compact) {
    Raw("<</Subtype /OpenType");
    WriteStreamObject({reinterpret_cast<const char*>(Program.data()), Program.size()}, P, false, Compressed);
  } else {
    Raw("<</Length1 " + std::to_string(Program.size()));
    WriteStreamObject({reinterpret_cast<const char*>(Program.data()), Program.size()}, P, false, Compressed);
  }

  const int Q = FPOH.UpdateXRef();
  Line(ObjNumberText(Q));
  Line("<<");
  Line("/Type /FontDescriptor");
  Line("/FontName /" + N);
  int Flags = 32;
  if (M.FixedPitch) Flags |= 1;
  if (M.ItalicAngle != 0 || Face->Italic()) Flags |= 64;
  Line("/Flags " + std::to_string(Flags));
  Line("/FontBBox [" + Th(M.XMin) + " " + Th(M.YMin) + " " + Th(M.XMax) + " " + Th(M.YMax) + " ]");
  Line("/ItalicAngle " + FloatToPDFText(M.ItalicAngle, 2));
  Line("/Ascent " + Th(Face->Ascent()));
  Line("/Descent " + Th(-Face->Descent()));
  Line("/Leading " + Th(std::max(0, Face->Ascent() + Face->Descent() - Face->UnitsPerEm())));
  Line("/CapHeight " + Th(M.CapHeight));
  if (M.XHeight > 0) Line("/XHeight " + Th(M.XHeight));
  const double W = M.Weight / 65.0;
  Line("/StemV " + std::to_string(std::lround(W * W) + 50));
  Line("/AvgWidth " + Th(M.AvgWidth));
  Line("/MaxWidth " + Th(M.MaxWidth));
  Line("/MissingWidth " + Th(M.AvgWidth));
  Line(std::string(Compact ? "/FontFile3 " : "/FontFile2 ") + ObjRefText(P));
  Line(">>");
  Line("endobj");

  // ToUnicode: one entry per used glyph that stands for text, at most 100 per block,
  // characters beyond the basic plane as surrogate pairs.
  std::string Map;
  Map += "/CIDInit /ProcSet findresource begin\r\n12 dict begin\r\nbegincmap\r\n/CIDSystemInfo\r\n";
  Map += "<< /Registry (Adobe)\r\n/Ordering (UCS)\r\n/Supplement 0\r\n>> def\r\n";
  Map += "/CMapName /Adobe-Identity-UCS def\r\n/CMapType 2 def\r\n1 begincodespacerange\r\n<0000> <FFFF>\r\n";
  Map += "endcodespacerange\r\n";
  std::vector<std::size_t> Mapped;
  for (std::size_t I = 0; I < Font.UsedAlphabet().size(); ++I)
    if (!Font.UsedAlphabetUnicode()[I].empty()) Mapped.push_back(I);
  for (std::size_t B = 0; B < Mapped.size(); B += 100) {
    const std::size_t E = std::min(Mapped.size(), B + 100);
    Map += std::to_string(E - B) + " beginbfchar\r\n";
    for (std::size_t K = B; K < E; ++K) {
      const std::size_t I = Mapped[K];
      Map += "<" + UnicodeToHexText(std::u16string(1, static_cast<char16_t>(Font.UsedAlphabet()[I]))) + "> <" +
             UnicodeToHexText(Font.UsedAlphabetUnicode()[I].substr(0, 64)) + ">\r\n";
    }
    Map += "endbfchar\r\n";
  }
  Map += "endcmap\r\nCMapName currentdict /CMap defineresource pop\r\nend\r\nend\r\n";
  const int R = FPOH.UpdateXRef();
  Line(ObjNumberText(R));
  WriteStreamObject(Map, R, true, Compressed);

  const int S = FPOH.UpdateXRef();
  Line(ObjNumberText(S));
  Line("<<");
  Line("/Registry (Adobe) /Ordering (Identity) /Supplement 0");
  Line(">>");
  Line("endobj");

  // Widths of the used glyphs, in glyph order with runs of consecutive glyphs together.
  std::vector<std::uint16_t> Glyphs = Font.UsedAlphabet();
  std::sort(Glyphs.begin(), Glyphs.end());
  std::string Widths = "/W [ ";
  for (std::size_t I = 0; I < Glyphs.size();) {
    std::size_t J = I;
    Widths += std::to_string(Glyphs[I]) + " [";
    while (J < Glyphs.size() && (J == I || Glyphs[J] == Glyphs[J - 1] + 1)) {
      Widths += (J == I ? "" : " ") + std::to_string(Font.GlyphWidth(Glyphs[J]));
      ++J;
    }
    Widths += "] ";
    I = J;
  }
  const int T = FPOH.UpdateXRef();
  Line(ObjNumberText(T));
  Line("<<");
  Line("/Type /Font");
  Line(std::string("/Subtype ") + (Compact ? "/CIDFontType0" : "/CIDFontType2"));
  Line("/BaseFont /" + N);
  if (!Compact) Line("/CIDToGIDMap /Identity");
  Line("/CIDSystemInfo " + ObjRefText(S));
  Line("/FontDescriptor " + ObjRefText(Q));
  Line("/DW " + std::to_string(Font.GlyphWidth(0)));
  Line(Widths);
  Line("]");
  Line(">>");
  Line("endobj");

  FPOH.SetXRef(Font.Reference);
  Line(ObjNumberText(Font.Reference));
  Line("<<");
  Line("/Type /Font");
  Line("/Subtype /Type0");
  Line("/BaseFont /" + N);
  Line("/Encoding /Identity-H");
  Line("/DescendantFonts [" + ObjRefText(T) + "]");
  Line("/ToUnicode " + ObjRefText(R));
  Line(">>");
  Line("endobj");
  Flush();
}

void TrepPDFExport::Finish() {
  if (!FStarted) throw rt::Exception("PDF export: the document was finished before it was started");
  if (FInPage) FinishPage(nullptr, static_cast<int>(FPagesRef.size()));
  if (!Sheets.empty()) WriteSheets();
  ReportMissingCharacters();
  const double Created = FixedCreationDateTime ? *FixedCreationDateTime : rt::Now();
  for (int I = 0; I < FPOH.GetFontsCount(); ++I) {
    TrepPDFFont* Font = FPOH.GetFonts(I);
    if (Font->Saved) WriteFontObjects(*Font);
  }
  FPOH.SetXRef(1);
  Line(ObjNumberText(1));
  Line("<<");
  Line("/Type /Pages");
  std::string Kids = "/Kids [";
  for (int P : FPagesRef) Kids += std::to_string(P) + " 0 R ";
  Raw(Kids);
  Line("]");
  Line("/Count " + std::to_string(FPagesRef.size()));
  Line(">>");
  Line("endobj");

  if (IsPDFA()) {
    TrepPDFAInfo PI;
    PI.Title = Title;
    PI.Author = Author;
    PI.Subject = Subject;
    PI.Keywords = Keywords;
    PI.Creator = Creator;
    PI.Producer = Producer;
    PI.Standard = FPDFStandard;
    PI.Version = FPDFVersion;
    PI.CreationDateTime = Created;
    PI.FileID = FFileID;
    PI.Compressed = Compressed;
    FPDFA.WritePDFAObjects(*this, PI);
  }

  const int Info = FPOH.UpdateXRef();
  Line(ObjNumberText(Info));
  Line("<<");
  Line("/Title " + InfoString(Title, Info));
  Line("/Author " + InfoString(Author, Info));
  Line("/Subject " + InfoString(Subject, Info));
  Line("/Keywords " + InfoString(Keywords, Info));
  Line("/Creator " + InfoString(Creator, Info));
  Line("/Producer " + InfoString(Producer, Info));
  Line("/PDFVersion " + InfoString(PDFVersionText(FPDFVersion), Info));
  const std::string D = "D:" + rt::FormatDateTime("yyyymmddhhnnss", Created) + "-00'00'";
  // Every string of a protected document is encrypted, the dates too.
  Line("/CreationDate " + (FProtection ? InfoString(D, Info) : "(" + D + ")"));
  Line("/ModDate " + (FProtection ? InfoString(D, Info) : "(" + D + ")"));
  Line(">>");
  Line("endobj");

  const int Encrypt = FProtection ? FSecurity.WriteEncryptionObject(*this) : 0;
  const int OutlineRoot = Outline && Sheets.empty() ? WriteOutline() : 0;
  WriteLinkAnnotations();

  const int Cat = FPOH.UpdateXRef();
  Line(ObjNumberText(Cat));
  Line("<<");
  Line("/Type /Catalog");
  Line("/Version /" + PDFVersionText(FPDFVersion));
  Line("/MarkInfo << /Marked true >>");
  Line("/Pages " + ObjRefText(1));
  Line(Outline && Sheets.empty() ? "/PageMode /UseOutlines" : "/PageMode /UseNone");
  if (OutlineRoot > 0) Line("/Outlines " + ObjRefText(OutlineRoot));
  if (IsPDFA()) FPDFA.WriteCatalogEntries(Output());
  Line("/ViewerPreferences <<");
  if (!Title.empty()) Line("/DisplayDocTitle true");
  if (HideToolbar) Line("/HideToolbar true");
  if (HideMenubar) Line("/HideMenubar true");
  if (HideWindowUI) Line("/HideWindowUI true");
  if (FitWindow) Line("/FitWindow true");
  if (CenterWindow) Line("/CenterWindow true");
  if (!PrintScaling) Line("/PrintScaling /None");
  Line(">>");
  Line(">>");
  Line("endobj");

  const std::int64_t StartXRef = Position();
  const auto& XRef = FPOH.XRef();
  Line("xref");
  Line("0 " + std::to_string(XRef.size() + 1));
  // Every entry is 20 bytes: 10 digits, blank, 5 digits, blank, type, CR LF.
  Line("0000000000 65535 f");
  for (std::int64_t Offset : XRef) Line(XRefOffsetText(Offset) + " 00000 n");
  Line("trailer");
  Line("<<");
  Line("/Size " + std::to_string(XRef.size() + 1));
  Line("/Root " + ObjRefText(Cat));
  Line("/Info " + ObjRefText(Info));
  Line("/ID [<" + FFileID + "><" + FFileID + ">]");
  if (Encrypt > 0) Line("/Encrypt " + ObjRefText(Encrypt));
  Line(">>");
  Line("startxref");
  Line(std::to_string(StartXRef));
  Line("%%EOF");
  Flush();
  FStarted = false;
  FPDFA.Clear();
  ClearDocumentState();
  FPdf = nullptr;
  FFile.reset();
  // Freeing the transport's stream puts the finished file in place.
  if (FTransportStream != nullptr && IOTransport != nullptr) IOTransport->FreeStream(FTransportStream, FileName());
  FTransportStream = nullptr;
}
