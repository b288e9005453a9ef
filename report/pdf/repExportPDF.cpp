#include "report/pdf/repExportPDF.h"

#include <cerrno>

TrepPDFExport::TrepPDFExport() {
  // The document's creator is the running program.
  Creator = program_invocation_short_name;
}

TrepPDFExport::~TrepPDFExport() = default;

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
