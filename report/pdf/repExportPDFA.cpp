#include "report/pdf/repExportPDFA.h"

#include <algorithm>
#include <utility>

#include "platform/rt/DateUtils.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/pdf/repExportPDFSecurity.h"
#include "report/pdf/repPDFResources.h"

namespace {

const char* const RelationTexts[] = {"Data", "Source", "Alternative", "Supplement", "Unspecified"};
const char* const ConformanceLevelTexts[] = {"BASIC", "COMFORT", "EXTENDED"};
constexpr const char* ZUGFeRDNamespace = "urn:ferd:pdfa:CrossIndustryDocument:invoice:1p0#";

// Structure types of office documents mapped to the standard types they stand for.
const std::pair<const char*, const char*> RoleMap[] = {
    {"Footnote", "Note"},     {"Endnote", "Note"},      {"Textbox", "Sect"},
    {"Header", "Sect"},       {"Footer", "Sect"},       {"InlineShape", "Sect"},
    {"Annotation", "Sect"},   {"Artifact", "Sect"},     {"Workbook", "Document"},
    {"Worksheet", "Part"},    {"Macrosheet", "Part"},   {"Chartsheet", "Part"},
    {"Dialogsheet", "Part"},  {"Slide", "Part"},        {"Chart", "Sect"},
    {"Diagram", "Figure"}};

// Text for XML content and double-quoted attributes. Values come from outside (titles, file
// names), so markup characters are escaped and characters XML cannot hold at all (C0 controls
// other than tab, CR and LF) are dropped; malformed UTF-8 becomes U+FFFD.
std::string EscapeXML(std::string_view Utf8) {
  const std::string Clean = rt::Utf16ToUtf8(rt::Utf8ToUtf16(Utf8));
  std::string S;
  S.reserve(Clean.size());
  for (char C : Clean) {
    switch (C) {
      case '&': S += "&amp;"; break;
      case '<': S += "&lt;"; break;
      case '>': S += "&gt;"; break;
      case '"': S += "&quot;"; break;
      case '\'': S += "&apos;"; break;
      default:
        if (static_cast<unsigned char>(C) < 0x20 && C != '\t' && C != '\n' && C != '\r') break;
        S += C;
    }
  }
  return S;
}

// The template's line breaks with the indentation after them; a compressed document does not
// need them.
std::string RemoveLineBreaks(std::string_view T) {
  std::string S;
  S.reserve(T.size());
  for (std::size_t I = 0; I < T.size();) {
    if (T[I] == '\r' || T[I] == '\n') {
      I += T[I] == '\r' && I + 1 < T.size() && T[I + 1] == '\n' ? 2 : 1;
      while (I < T.size() && (T[I] == ' ' || T[I] == '\t')) ++I;
    } else {
      S += T[I++];
    }
  }
  return S;
}

// A PDF name's characters: delimiters, '#', blanks and bytes outside printable ASCII as #xx.
std::string PDFNameText(std::string_view S) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string N;
  for (char C : S) {
    const auto B = static_cast<unsigned char>(C);
    if (C == '/') {
      N += "#2f";
    } else if (B <= 0x20 || B >= 0x7F || std::string_view("()<>[]{}%#").find(C) != std::string_view::npos) {
      N += '#';
      N += Digits[B >> 4];
      N += Digits[B & 15];
    } else {
      N += C;
    }
  }
  return N;
}

// A file name as the 8-bit bytes of a byte string.
std::string NameBytes(std::string_view Utf8) { return rt::Utf16ToAnsi(rt::Utf8ToUtf16(Utf8)); }

std::string LiteralName(std::string_view Utf8) {
  return TrepPDFSecurity::EscapeLiteralString(NameBytes(Utf8));
}

std::string PDFDateText(double DateTime) { return rt::FormatDateTime("yyyymmddhhnnss", DateTime); }

} // namespace

std::string EmbeddedRelationText(TEmbeddedRelation Relation) {
  return Relation >= erData && Relation <= erUnspecified ? RelationTexts[Relation] : "Unspecified";
}

std::string ZUGFeRDConformanceText(TZUGFeRD_ConformanceLevel Level) {
  return Level >= clBASIC && Level <= clEXTENDED ? ConformanceLevelTexts[Level] : "BASIC";
}

TEmbeddedFile::TEmbeddedFile(std::string Name, std::string Description, double ModDate,
                             TEmbeddedRelation Relation, std::string MIME,
                             std::unique_ptr<rt::TStream> FileStream)
    : FName(std::move(Name)),
      FFileStream(std::move(FileStream)),
      FDescription(std::move(Description)),
      FModDate(ModDate),
      FRelation(Relation),
      FMIME(std::move(MIME)) {}

// ---- Registering files

void TrepPDFA::AddEmbeddedFile(std::string_view Name, std::string_view Description, double ModDate,
                               TEmbeddedRelation Relation, std::string_view MIME,
                               std::unique_ptr<rt::TStream> FileStream) {
  if (!FileStream) throw rt::Exception("The attached file \"" + std::string(Name) + "\" has no content");
  FEmbeddedFiles.push_back(std::make_unique<TEmbeddedFile>(std::string(Name), std::string(Description),
                                                           ModDate, Relation, std::string(MIME),
                                                           std::move(FileStream)));
}

void TrepPDFA::AddEmbeddedXML(std::string_view Name, std::string_view Description, double ModDate,
                              std::unique_ptr<rt::TStream> FileStream,
                              TZUGFeRD_ConformanceLevel ZUGFeRDLevel) {
  FZUGFeRDDescription = std::string("<rdf:Description xmlns:zf=\"") + ZUGFeRDNamespace +
                        "\" rdf:about=\"\" zf:ConformanceLevel=\"" + ZUGFeRDConformanceText(ZUGFeRDLevel) +
                        "\" zf:DocumentFileName=\"" + EscapeXML(Name) +
                        "\" zf:DocumentType=\"INVOICE\" zf:Version=\"1.0\"/>";
  AddEmbeddedFile(Name, Description, ModDate, erAlternative, "text/xml", std::move(FileStream));
}

void TrepPDFA::Clear() {
  FEmbeddedFiles.clear();
  FZUGFeRDDescription.clear();
  FMetaFileId = FStructId = FColorProfileId = FAttachmentsNamesId = FAttachmentsListId = 0;
}

// ---- Writing

void TrepPDFA::WritePDFAObjects(TrepPDFDocumentSink& Sink, const TrepPDFAInfo& Info) {
  WriteEmbeddedFiles(Sink, Info.Compressed);
  WriteStructTree(Sink);
  WriteXMPMetadata(Sink, Info);
  WriteOutputIntent(Sink, Info.Compressed);
}

void TrepPDFA::WriteEmbeddedFiles(TrepPDFDocumentSink& Sink, bool Compressed) {
  FAttachmentsNamesId = FAttachmentsListId = 0;
  if (FEmbeddedFiles.empty()) return;
  for (auto& F : FEmbeddedFiles) WriteEmbeddedFile(Sink, *F, Compressed);
  rt::TStream& Out = Sink.Output();

  // A reader looks names up by binary search and keeps one file per name: the keys go in byte
  // order, and a name met again gets a number so that no file hides another.
  std::vector<std::pair<std::string, int>> Keys;
  for (const auto& F : FEmbeddedFiles) {
    const std::string Base = NameBytes(F->Name());
    std::string Key = Base;
    for (int N = 2; std::any_of(Keys.begin(), Keys.end(), [&](const auto& K) { return K.first == Key; }); ++N)
      Key = Base + " " + std::to_string(N);
    Keys.emplace_back(Key, F->XRef());
  }
  std::stable_sort(Keys.begin(), Keys.end(), [](const auto& A, const auto& B) { return A.first < B.first; });

  FAttachmentsNamesId = Sink.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(FAttachmentsNamesId));
  WritePDFRaw(Out, "<< /Names [");
  for (const auto& [Key, XRef] : Keys)
    WritePDFRaw(Out, " (" + TrepPDFSecurity::EscapeLiteralString(Key) + ") " + ObjRefText(XRef));
  WritePDFLine(Out, " ] >>");
  WritePDFLine(Out, "endobj");

  FAttachmentsListId = Sink.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(FAttachmentsListId));
  WritePDFRaw(Out, "[ ");
  for (const auto& F : FEmbeddedFiles) WritePDFRaw(Out, ObjRefText(F->XRef()) + " ");
  WritePDFLine(Out, "]");
  WritePDFLine(Out, "endobj");
}

void TrepPDFA::WriteEmbeddedFile(TrepPDFDocumentSink& Sink, TEmbeddedFile& F, bool Compressed) {
  rt::TStream& Out = Sink.Output();
  std::unique_ptr<rt::TStream> Content = std::move(F.FFileStream);
  if (!Content) Content = std::make_unique<rt::TMemoryStream>();

  const int E = Sink.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(E));
  WritePDFRaw(Out, "<< /Params << /ModDate (D:" + PDFDateText(F.FModDate) + ")");
  WritePDFRaw(Out, " /Size " + std::to_string(Content->Size()));
  WritePDFLine(Out, " >>");
  WritePDFLine(Out, "/Subtype /" + PDFNameText(F.FMIME));
  WritePDFLine(Out, "/Type /EmbeddedFile");
  // PDF/A documents are never encrypted.
  Sink.WriteStreamObject(std::move(Content), E, false, Compressed, false);

  const int S = Sink.UpdateXRef();
  F.FXRef = S;
  WritePDFLine(Out, ObjNumberText(S));
  WritePDFLine(Out, "<< /AFRelationship /" + EmbeddedRelationText(F.FRelation));
  WritePDFLine(Out, "/Desc " + Sink.TextStringToPDF(F.FDescription, S));
  WritePDFRaw(Out, "/EF << /F " + ObjRefText(E) + " /UF " + ObjRefText(E));
  WritePDFLine(Out, " >>");
  WritePDFLine(Out, "/F (" + LiteralName(F.FName) + ")");
  WritePDFLine(Out, "/Type /Filespec");
  WritePDFLine(Out, "/UF <FEFF" + UnicodeToHexText(rt::Utf8ToUtf16(F.FName)) + ">");
  WritePDFLine(Out, ">>");
  WritePDFLine(Out, "endobj");
}

void TrepPDFA::WriteStructTree(TrepPDFDocumentSink& Sink) {
  rt::TStream& Out = Sink.Output();
  const int M = Sink.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(M));
  WritePDFLine(Out, "<<");
  for (const auto& [Name, Role] : RoleMap) WritePDFLine(Out, std::string("/") + Name + " /" + Role);
  WritePDFLine(Out, ">>");
  WritePDFLine(Out, "endobj");

  FStructId = Sink.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(FStructId));
  WritePDFLine(Out, "<<");
  WritePDFLine(Out, "/Type /StructTreeRoot");
  WritePDFLine(Out, "/RoleMap " + ObjRefText(M));
  WritePDFLine(Out, ">>");
  WritePDFLine(Out, "endobj");
}

std::string TrepPDFA::XMPMetadataText(const TrepPDFAInfo& Info) const {
  std::string T(FindPDFResource("METAFILE"));
  if (Info.Compressed) T = RemoveLineBreaks(T);
  const std::string Date = rt::FormatDateTime("yyyy-mm-dd", Info.CreationDateTime) + "T" +
                           rt::FormatDateTime("hh:nn:ss", Info.CreationDateTime) + "+00:00";
  // Every value is replaced in one pass over the template, so a value that looks like a
  // placeholder stays as it is.
  const std::pair<std::string_view, std::string> Values[] = {
      // dc:creator must agree with the info dictionary's /Author at every PDF/A level.
      {"{Creator}", EscapeXML(Info.Author)},
      {"{CreatorTool}", EscapeXML(Info.Creator)},
      {"{PDFVersion}", EscapeXML(PDFVersionText(Info.Version))},
      {"{10}", FZUGFeRDDescription},
      {"{1}", EscapeXML(Info.Subject)},
      {"{2}", EscapeXML(Info.Title)},
      {"{3}", Date},
      {"{4}", EscapeXML(Info.Keywords)},
      {"{5}", EscapeXML(Info.Producer)},
      {"{6}", EscapeXML(Info.FileID)},
      {"{7}", EscapeXML(Info.FileID)},
      {"{8}", PDFAPartText(Info.Standard)},
      {"{9}", PDFAConformanceText(Info.Standard)}};
  std::string S;
  S.reserve(T.size() + 512);
  for (std::size_t I = 0; I < T.size();) {
    bool Replaced = false;
    if (T[I] == '{') {
      for (const auto& [Key, Value] : Values) {
        if (T.compare(I, Key.size(), Key) == 0) {
          S += Value;
          I += Key.size();
          Replaced = true;
          break;
        }
      }
    }
    if (!Replaced) S += T[I++];
  }
  return S;
}

void TrepPDFA::WriteXMPMetadata(TrepPDFDocumentSink& Sink, const TrepPDFAInfo& Info) {
  auto Data = std::make_unique<rt::TMemoryStream>();
  const std::string T = XMPMetadataText(Info) + "\r\n";
  Data->WriteBuffer(T.data(), static_cast<std::int64_t>(T.size()));
  rt::TStream& Out = Sink.Output();
  FMetaFileId = Sink.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(FMetaFileId));
  WritePDFLine(Out, "<< /Type /Metadata /Subtype /XML ");
  // Readers that do not inflate must still find the metadata: never compressed.
  Sink.WriteStreamObject(std::move(Data), FMetaFileId, false, false, false);
}

void TrepPDFA::WriteOutputIntent(TrepPDFDocumentSink& Sink, bool Compressed) {
  const std::string_view Profile = FindPDFResource("PROFILE");
  auto Data = std::make_unique<rt::TMemoryStream>();
  Data->WriteBuffer(Profile.data(), static_cast<std::int64_t>(Profile.size()));
  rt::TStream& Out = Sink.Output();
  const int P = Sink.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(P));
  WritePDFLine(Out, "<<");
  WritePDFLine(Out, "/N 3");
  Sink.WriteStreamObject(std::move(Data), P, false, Compressed, false);

  FColorProfileId = Sink.UpdateXRef();
  WritePDFLine(Out, ObjNumberText(FColorProfileId));
  WritePDFLine(Out, "<<");
  WritePDFLine(Out, "/Type /OutputIntent");
  WritePDFLine(Out, "/S /GTS_PDFA1");
  WritePDFLine(Out, "/OutputCondition (sRGB IEC61966-2.1)");
  WritePDFLine(Out, "/OutputConditionIdentifier (sRGB IEC61966-2.1)");
  WritePDFLine(Out, "/Info (sRGB IEC61966-2.1)");
  WritePDFLine(Out, "/DestOutputProfile " + ObjRefText(P));
  WritePDFLine(Out, ">>");
  WritePDFLine(Out, "endobj");
}

void TrepPDFA::WriteCatalogEntries(rt::TStream& Stream) const {
  WritePDFLine(Stream, "/Metadata " + ObjRefText(FMetaFileId));
  if (FAttachmentsListId != 0)
    WritePDFLine(Stream, "/AF " + ObjRefText(FAttachmentsListId) + " /Names << /EmbeddedFiles " +
                             ObjRefText(FAttachmentsNamesId) + " >>");
  WritePDFLine(Stream, "/OutputIntents [ " + ObjRefText(FColorProfileId) + " ]");
  WritePDFLine(Stream, "/StructTreeRoot " + ObjRefText(FStructId));
}
