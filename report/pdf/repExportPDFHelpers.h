#pragma once
// PDF syntax shared by every writer of the PDF export: numbers, points, colours and rectangles;
// glyph strings with position corrections; object headers, references and cross-reference
// offsets; writing lines and bytes; the digest and the per-object encryption of stream data;
// PDF versions and PDF/A standards. Nothing here keeps state between calls.
//
// PDF text is 8-bit; a "line" ends with CR LF. Numbers use '.' and never a thousands separator.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/Classes.h"
#include "report/engine/repClassComponent.h"
#include "report/engine/repUtils.h"
#include "report/pdf/repExportHelpers.h"

// The MD5 digest that identifies an image.
using TrepPDFXObjectHash = std::array<std::uint8_t, 16>;

enum TPDFStandard { psNone, psPDFA_1a, psPDFA_1b, psPDFA_2a, psPDFA_2b, psPDFA_3a, psPDFA_3b };
enum TPDFVersion { pv14, pv15, pv16, pv17 };

// ---- Numbers, points, colours, rectangles ----

// Numbers as PDF syntax allows them: plain decimals, never an exponent, with exactly Decimals
// decimals. Not-a-number is written as 0 and magnitudes are held at MaxPDFReal, so no text
// of a number is ever longer than about 40 characters.
inline constexpr double MaxPDFReal = 3.4e38;
std::string PDFFixed(double Value, int Decimals);
// Value with Decimals decimals, trailing zeros and a trailing point removed: 2, 0.5, 1234.568.
std::string FloatToPDFText(double Value, int Decimals);
// Both with 3 decimals, joined by a blank.
std::string PairToPDFText(double A, double B);
std::string PointToPDFText(const TrepPoint& P);
// Red, green and blue fractions with 3 decimals; no colour gives "0 0 0".
std::string PDFColorText(TColor Color);
// The operands of "re" for a rectangle in PDF coordinates (Top above Bottom): left, bottom,
// width, height.
std::string PDFRectText(const TrepRect& R);

// ---- Hexadecimal text (upper-case digits) ----

// Each UTF-16 code unit as 4 hex digits.
std::string UnicodeToHexText(std::u16string_view S);
// The inside of a TJ array: the glyphs of RS in hex, with the integer corrections that move
// each glyph from its own advance (RS.CharWidth) to the advance it should have (Widths), in
// thousandths of the font size. The caller writes the enclosing "<" and ">".
std::string KernedGlyphsText(const TRemapedString& RS, const std::vector<double>& Widths);
// The glyphs in hex, with a correction after every space glyph (3) that spreads Adjustment
// over the spaces of a justified line.
std::string SpacedGlyphsText(std::u16string_view Glyphs, double Adjustment);

// ---- Object syntax ----

std::string ObjNumberText(int N);  // "7 0 obj"
std::string ObjRefText(int N);     // "7 0 R"
// The offset padded with zeros to 10 digits; longer numbers stay as they are.
std::string XRefOffsetText(std::int64_t Offset);

// ---- Output ----

void WritePDFRaw(rt::TStream& Stream, std::string_view S);
void WritePDFLine(rt::TStream& Stream, std::string_view S);
// Unicode text goes out in the 8-bit ANSI code page (Windows-1252); characters it lacks become
// "?". Callers escape such text themselves where it matters.
void WritePDFLine(rt::TStream& Stream, std::u16string_view S);
void WritePDFText(rt::TStream& Stream, std::u16string_view S);

// A stream that appends whatever is written to a string the caller owns (the document's or a
// page's bytes not yet handed on); it cannot be read back.
class TPDFAppendStream : public rt::TStream {
public:
  explicit TPDFAppendStream(std::string& Target) : FTarget(Target) {}
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void* Buffer, std::int64_t Count) override {
    FTarget.append(static_cast<const char*>(Buffer), static_cast<std::size_t>(Count));
    return Count;
  }
  std::int64_t Seek(std::int64_t, rt::TSeekOrigin) override { return static_cast<std::int64_t>(FTarget.size()); }
  void SetSize(std::int64_t) override {}

private:
  std::string& FTarget;
};

// The MD5 digest of the whole stream.
void StreamMD5(TrepPDFXObjectHash& Hash, rt::TStream& Stream);
// Appends the whole of Source to Dest, encrypted with RC4 under the key of the object (the MD5
// digest of the 16-byte file key, the object number's three low bytes and generation 0).
void EncryptObjectData(rt::TStream& Source, rt::TStream& Dest, const std::uint8_t* FileKey,
                       int ObjectNumber);

// ---- Versions and standards ----

std::string PDFVersionText(TPDFVersion Version);        // "1.4" .. "1.7"
std::string PDFStandardText(TPDFStandard Standard);     // "None", "PDF/A-1a" .. "PDF/A-3b"
std::string PDFAPartText(TPDFStandard Standard);        // "", "1", "2", "3"
std::string PDFAConformanceText(TPDFStandard Standard); // "", "A", "B"
// Exact, case-sensitive; an exception "Unknown/unsupported PDF version: "1.3"" otherwise.
TPDFVersion PDFVersionFromText(const std::string& S);
// Exact, case-sensitive; an exception "Unknown/unsupported PDF standard: "..."" otherwise.
TPDFStandard PDFStandardFromText(const std::string& S);
bool StandardIsPDFA(TPDFStandard Standard);
bool StandardIsPDFA1(TPDFStandard Standard);
// The version a PDF/A standard requires (1.4 for PDF/A-1, 1.7 for PDF/A-2 and -3); false for none.
bool PDFStandardVersion(TPDFStandard Standard, TPDFVersion& Version);
