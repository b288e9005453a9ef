#pragma once
// What the security handler and the PDF/A writer need of the PDF document writer: object
// numbers, the output stream, the one writer of stream objects and text strings. The document
// writer implements it; the two helpers never see the rest of the filter.
#include <memory>
#include <string>
#include <string_view>

#include "platform/rt/Classes.h"

class TrepPDFDocumentSink {
public:
  virtual ~TrepPDFDocumentSink() = default;

  // Appends a cross-reference entry at the current output offset and returns its number, the
  // number of the object about to be written.
  virtual int UpdateXRef() = 0;
  // The PDF output; write to it with WritePDFLine, WritePDFText and WritePDFRaw.
  virtual rt::TStream& Output() = 0;
  // Writes the stream part of object ObjectNumber: "<<" when OpenDictionary (otherwise the
  // caller has opened the dictionary and written its own keys), /Length and /Filter, ">>",
  // "stream", the data (deflated when Compress, encrypted when Encrypt), "endstream",
  // "endobj". Takes Source over and frees it.
  virtual void WriteStreamObject(std::unique_ptr<rt::TStream> Source, int ObjectNumber,
                                 bool OpenDictionary, bool Compress, bool Encrypt) = 0;
  // A PDF text string for object ObjectNumber: "(" + the escaped UTF-16BE bytes with their
  // byte-order mark + ")", encrypted when the document is protected. Text is UTF-8.
  virtual std::string TextStringToPDF(std::string_view Text, int ObjectNumber) = 0;
};
