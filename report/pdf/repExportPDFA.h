#pragma once
// The PDF/A parts of a PDF document: attached files with their name tree and associated-files
// array, the structure tree root with its role map, the XMP metadata stream made from the
// "METAFILE" template and the output intent with the "PROFILE" sRGB colour profile.
//
// The document writer owns one. Files are registered before the export (AddEmbeddedFile,
// AddEmbeddedXML); when the document is PDF/A, Finish calls WritePDFAObjects after the page
// tree and before the info dictionary, and WriteCatalogEntries inside the catalog; Clear empties
// the list of files when the document is done.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"
#include "report/pdf/repExportPDFHelpers.h"
#include "report/pdf/repExportPDFSink.h"

enum TZUGFeRD_ConformanceLevel { clBASIC, clCOMFORT, clEXTENDED };
enum TEmbeddedRelation { erData, erSource, erAlternative, erSupplement, erUnspecified };

// "Data", "Source", "Alternative", "Supplement", "Unspecified".
std::string EmbeddedRelationText(TEmbeddedRelation Relation);
// "BASIC", "COMFORT", "EXTENDED".
std::string ZUGFeRDConformanceText(TZUGFeRD_ConformanceLevel Level);

// One attached file. Texts are UTF-8; ModDate is a date-time value (days since 30 December 1899).
class TEmbeddedFile : public rt::TObject {
public:
  TEmbeddedFile(std::string Name, std::string Description, double ModDate,
                TEmbeddedRelation Relation, std::string MIME, std::unique_ptr<rt::TStream> FileStream);

  // Number of the file's /Filespec object once written, else 0.
  int XRef() const noexcept { return FXRef; }
  const std::string& Name() const noexcept { return FName; }
  TZUGFeRD_ConformanceLevel ZUGFeRD_ConformanceLevel() const noexcept { return FZUGFeRD_ConformanceLevel; }
  // The content; nullptr once the file is written (the stream writer frees it).
  rt::TStream* FileStream() const noexcept { return FFileStream.get(); }
  const std::string& Description() const noexcept { return FDescription; }
  double ModDate() const noexcept { return FModDate; }
  TEmbeddedRelation Relation() const noexcept { return FRelation; }
  const std::string& MIME() const noexcept { return FMIME; }

private:
  friend class TrepPDFA;
  int FXRef = 0;
  std::string FName;
  TZUGFeRD_ConformanceLevel FZUGFeRD_ConformanceLevel = clBASIC;
  std::unique_ptr<rt::TStream> FFileStream;
  std::string FDescription;
  double FModDate;
  TEmbeddedRelation FRelation;
  std::string FMIME;
};

// What the metadata tells of the document. Texts are UTF-8.
struct TrepPDFAInfo {
  std::string Title, Author, Subject, Keywords, Creator, Producer;
  TPDFStandard Standard = psPDFA_2a;
  TPDFVersion Version = pv17;
  double CreationDateTime = 0;  // written as UTC, as the info dictionary's dates are
  std::string FileID;           // 32 hexadecimal digits
  bool Compressed = true;
};

class TrepPDFA {
public:
  // Appends a file; FileStream is taken over (rt::Exception when it is missing).
  void AddEmbeddedFile(std::string_view Name, std::string_view Description, double ModDate,
                       TEmbeddedRelation Relation, std::string_view MIME,
                       std::unique_ptr<rt::TStream> FileStream);
  // An electronic invoice: the metadata gets the ZUGFeRD description naming the file and level;
  // the file is attached as an alternative representation, "text/xml".
  void AddEmbeddedXML(std::string_view Name, std::string_view Description, double ModDate,
                      std::unique_ptr<rt::TStream> FileStream, TZUGFeRD_ConformanceLevel ZUGFeRDLevel);
  // Forgets the files and the ZUGFeRD description.
  void Clear();

  // The four groups in document order: WriteEmbeddedFiles, WriteStructTree, WriteXMPMetadata,
  // WriteOutputIntent.
  void WritePDFAObjects(TrepPDFDocumentSink& Sink, const TrepPDFAInfo& Info);
  // Every file, then the name tree and the associated-files array; nothing without files.
  void WriteEmbeddedFiles(TrepPDFDocumentSink& Sink, bool Compressed);
  void WriteEmbeddedFile(TrepPDFDocumentSink& Sink, TEmbeddedFile& F, bool Compressed);
  void WriteStructTree(TrepPDFDocumentSink& Sink);
  void WriteXMPMetadata(TrepPDFDocumentSink& Sink, const TrepPDFAInfo& Info);
  void WriteOutputIntent(TrepPDFDocumentSink& Sink, bool Compressed);
  // The catalog's /Metadata, /AF with /Names (when files were written), /OutputIntents and
  // /StructTreeRoot lines.
  void WriteCatalogEntries(rt::TStream& Stream) const;

  // The metadata text: the template without its line breaks when Compressed, the placeholders
  // replaced by the document's values, escaped for XML.
  std::string XMPMetadataText(const TrepPDFAInfo& Info) const;

  const std::vector<std::unique_ptr<TEmbeddedFile>>& EmbeddedFiles() const noexcept { return FEmbeddedFiles; }
  const std::string& ZUGFeRDDescription() const noexcept { return FZUGFeRDDescription; }
  int MetaFileId() const noexcept { return FMetaFileId; }
  int StructId() const noexcept { return FStructId; }
  int ColorProfileId() const noexcept { return FColorProfileId; }
  int AttachmentsNamesId() const noexcept { return FAttachmentsNamesId; }
  int AttachmentsListId() const noexcept { return FAttachmentsListId; }

private:
  int FMetaFileId = 0;
  int FStructId = 0;
  int FColorProfileId = 0;
  int FAttachmentsNamesId = 0;
  int FAttachmentsListId = 0;
  std::vector<std::unique_ptr<TEmbeddedFile>> FEmbeddedFiles;
  std::string FZUGFeRDDescription;
};
