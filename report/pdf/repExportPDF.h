#pragma once
// The PDF export filter: the options of one PDF document. A filter is configured through its
// properties and reused for every export of its owner; options keep their values between exports.
//
// Options without side effects are public fields; options whose writing changes others have a
// getter and a Set... writer.
#include <string>

#include "platform/rt/Classes.h"
#include "report/engine/repDsgnIntf.h"
#include "report/pdf/repExportPDFHelpers.h"

// Document permissions, combined as a bit set.
enum TrepPDFEncBit : unsigned { ePrint = 1, eModify = 2, eCopy = 4, eAnnot = 8 };
using TrepPDFEncBits = unsigned;
constexpr TrepPDFEncBits AllPDFEncBits = ePrint | eModify | eCopy | eAnnot;

class TrepPDFExport : public TrepCustomExportFilter {
public:
  TrepPDFExport();
  ~TrepPDFExport() override;
  TrepPDFExport(const TrepPDFExport&) = delete;
  TrepPDFExport& operator=(const TrepPDFExport&) = delete;

  // ---- Options of every export filter ----
  bool CurPage = false;             // export only the current preview page
  bool ExportNotPrintable = false;  // also export objects that are not printable
  std::string FileName;             // output file
  bool ShowDialog = true;           // show the options dialog before exporting
  rt::TStream* Stream = nullptr;    // caller's output stream (not owned); no file is written when set
  bool UseFileCache = true;         // page data may go to temporary files
  std::string DefaultPath;          // folder for a FileName without one
  bool SlaveExport = false;         // driven by another export: no own file name, no dialog
  bool ShowProgress = true;         // progress window while exporting
  std::string DefaultExt = ".pdf";
  std::string FilterDesc = "Adobe PDF file (*.pdf)|*.pdf";
  bool SuppressPageHeadersFooters = false;
  std::string ExportTitle;
  bool OverwritePrompt = false;     // ask before overwriting a file
  double CreationTime = 0;          // document time stamp, set by the export driver
  bool DataOnly = false;            // export only objects inside data bands
  bool OpenAfterExport = false;     // open the file when done
  std::string PageNumbers;          // page range text such as "1,3-5"

  // ---- PDF options ----
  bool Compressed = true;             // deflate stream objects
  bool EmbedFontsIfProtected = true;  // EmbeddedFonts value used for encrypted documents
  bool PrintOptimized = false;        // raster images at higher resolution
  bool Outline = false;               // report outline as PDF outlines
  bool Background = false;            // page colour and page-background picture
  bool HTMLTags = true;               // kept with the options; the writer does not read it
  int Quality = 95;                   // JPEG quality of raster images
  std::string Title, Author = "Report engine", Subject = "Report engine PDF export", Keywords,
      Creator, Producer;
  std::string UserPassword, OwnerPassword;
  bool HideToolbar = false, HideMenubar = false, HideWindowUI = false, FitWindow = false,
       CenterWindow = false, PrintScaling = false;
  bool UsePNGAlpha = true;

  // True whenever the document is PDF/A.
  bool EmbeddedFonts() const noexcept { return FEmbeddedFonts; }
  void SetEmbeddedFonts(bool value);
  // Always False under PDF/A-1.
  bool Transparency() const noexcept { return FTransparency; }
  void SetTransparency(bool value);
  // Setting the flags also sets the permission value EncBits: -64 + 4 x (the set's bits).
  TrepPDFEncBits ProtectionFlags() const noexcept { return FProtectionFlags; }
  void SetProtectionFlags(TrepPDFEncBits flags);
  int EncBits() const noexcept { return FEncBits; }
  // True selects PDF/A-2a, False no PDF/A.
  bool PdfA() const noexcept { return FPdfA; }
  void SetPdfA(bool value);
  // A PDF/A standard imposes its version, embeds fonts, and (PDF/A-1) turns transparency off.
  TPDFStandard PDFStandard() const noexcept { return FPDFStandard; }
  void SetPDFStandard(TPDFStandard standard);
  // Ignored while the standard imposes a version.
  TPDFVersion PDFVersion() const noexcept { return FPDFVersion; }
  void SetPDFVersion(TPDFVersion version);
  // A resolution above 0 turns SaveOriginalImages off; SaveOriginalImages on sets it to 0.
  int PictureDPI() const noexcept { return FPictureDPI; }
  void SetPictureDPI(int dpi);
  bool SaveOriginalImages() const noexcept { return FSaveOriginalImages; }
  void SetSaveOriginalImages(bool value);

  bool IsPDFA() const noexcept { return FPDFStandard != psNone; }
  bool IsPDFA_1() const noexcept { return FPDFStandard == psPDFA_1a || FPDFStandard == psPDFA_1b; }

  static std::string GetDescription() { return "PDF file"; }

private:
  bool FEmbeddedFonts = false;
  bool FTransparency = false;
  TrepPDFEncBits FProtectionFlags = AllPDFEncBits;
  int FEncBits = -4;
  bool FPdfA = false;
  TPDFStandard FPDFStandard = psNone;
  TPDFVersion FPDFVersion = pv17;
  int FPictureDPI = 0;
  bool FSaveOriginalImages = true;
  int FPDFviaEMF = 1;  // views go through a metafile when they allow it
};
