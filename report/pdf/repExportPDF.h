#pragma once
// The PDF export filter: the options of one PDF document. A filter is configured through its
// properties and reused for every export of its owner; options keep their values between exports.
//
// Options without side effects are public fields; options whose writing changes others have a
// getter and a Set... writer.
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/gfx/Font.h"
#include "platform/rt/Classes.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repDsgnIntf.h"
#include "report/engine/repPrintPages.h"
#include "report/pdf/repExportPDFA.h"
#include "report/pdf/repExportPDFHelpers.h"
#include "report/pdf/repExportPDFObjects.h"
#include "report/pdf/repExportPDFSecurity.h"
#include "report/pdf/repExportPDFSink.h"

class TrepDrawText;
class TVector_ExtTextOut;

// Data deflated in the zlib format at the level (1 fast .. 9 small).
std::string DeflateData(std::string_view Data, int Level);

// What the writer needs of a report page: its size in report pixels, its margins in
// millimetres, its colour, the frame drawn around its margins and whether its background
// picture shows. A4 portrait with 10 mm margins and no frame when there is no page.
struct TrepPDFPageSetup {
  double Width = 210 * fr01cm, Height = 297 * fr01cm;
  double LeftMargin = 10, TopMargin = 10, RightMargin = 10, BottomMargin = 10;
  bool MirrorMargins = false;
  gfx::TColor Color = gfx::clNone;
  std::shared_ptr<const TrepFrame> Frame;  // none when empty
  bool BackPictureVisible = true, BackPictureStretched = true;
  // The setup of a report page as it stands.
  static TrepPDFPageSetup Of(TrepReportPage& Page);
};

// The text of one memo as the writer lays it out: its lines, font and layout settings. The
// view it belongs to gives the rectangle, fill and frame.
struct TrepPDFTextBlock {
  std::vector<std::u16string> Lines;
  std::string FontName = "Arial";
  int FontSize = 10;  // points
  gfx::TFontStyles FontStyle = 0;
  gfx::TColor FontColor = gfx::clBlack;
  int HAlign = 0;  // 0 left, 1 right, 2 centre, 3 block
  int VAlign = 0;  // 0 top, 1 bottom, 2 centre
  double GapX = 2, GapY = 1, LineSpacing = 2, ParagraphGap = 0, CharSpacing = 0;
  bool WordWrap = true, WordBreak = false, RTLReading = false, Clipped = true, Wysiwyg = true;
  bool Underlines = false;  // ruled lines under every text line, in the frame's colour
};

// Document permissions, combined as a bit set.
enum TrepPDFEncBit : unsigned { ePrint = 1, eModify = 2, eCopy = 4, eAnnot = 8 };
using TrepPDFEncBits = unsigned;
constexpr TrepPDFEncBits AllPDFEncBits = ePrint | eModify | eCopy | eAnnot;

// An export filter with an options window. The server opens no windows: the options stand as
// the program set them, so ShowModal answers OK at once; and it has no desktop shell to open a
// finished file with (the web layer hands the file to the browser), so OpenExportedFile does
// nothing.
class TrepBaseDialogExportFilter : public TrepCustomExportFilter {
public:
  static constexpr int mrOk = 1;
  static constexpr int mrCancel = 2;
  // A host that can ask the user (the report viewer asks the browser and waits for the answer)
  // shows the options window here: it reads and writes the filter's options and answers the
  // modal result. Without one the options stand as the program set them.
  std::function<int(TrepBaseDialogExportFilter& Filter)> OnShowModal;
  virtual int ShowModal() { return OnShowModal ? OnShowModal(*this) : mrOk; }
  virtual void OpenExportedFile() {}
};

// The document is also the sink through which the security handler and the PDF/A writer add
// their objects.
class TrepPDFExport : public TrepBaseDialogExportFilter, public TrepPDFDocumentSink {
public:
  TrepPDFExport();
  ~TrepPDFExport() override;
  TrepPDFExport(const TrepPDFExport&) = delete;
  TrepPDFExport& operator=(const TrepPDFExport&) = delete;

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

  // Files attached to the next PDF/A document (ignored by other documents); the list is
  // emptied when a document is finished.
  void AddEmbeddedFile(std::string_view Name, std::string_view Description, double ModDate,
                       TEmbeddedRelation Relation, std::string_view MIME, std::unique_ptr<rt::TStream> FileStream) {
    FPDFA.AddEmbeddedFile(Name, Description, ModDate, Relation, MIME, std::move(FileStream));
  }
  void AddEmbeddedXML(std::string_view Name, std::string_view Description, double ModDate,
                      std::unique_ptr<rt::TStream> FileStream, TZUGFeRD_ConformanceLevel Level) {
    FPDFA.AddEmbeddedXML(Name, Description, ModDate, std::move(FileStream), Level);
  }
  const TrepPDFA& PDFAParts() const noexcept { return FPDFA; }

  bool IsPDFA() const noexcept { return FPDFStandard != psNone; }
  bool IsPDFA_1() const noexcept { return FPDFStandard == psPDFA_1a || FPDFStandard == psPDFA_1b; }

  static std::string GetDescription();

  // ---- Determinism and pages ----

  // When set, the document's time stamp (a date-time); otherwise the clock at Finish.
  std::optional<double> FixedCreationDateTime;
  // When set (32 hexadecimal digits), the document identifier; otherwise a new random one.
  std::string FixedFileID;
  // When set, the setup of each exported page instead of the page's own.
  std::function<TrepPDFPageSetup(TrepReportPage* Page)> PageSetupFor;
  // When not empty, the document's pages are these sheets (a print's split, join and scale
  // modes): each exported page is written once, as a form, and drawn wherever a sheet places it,
  // cut to its own paper. Links and the outline are left out, since they would point into pages
  // the document does not have as such.
  std::vector<TrepPrintSheet> Sheets;

  // ---- The export driver's calls ----

  // False (and nothing written) when neither FileName() nor Stream is set. The output is
  // Stream when set, else the file FileName() through the export driver's transport (so a
  // failed export leaves no file behind), else that file written directly. A password
  // encrypts the document (never under PDF/A, which forbids it); EmbeddedFonts then takes
  // EmbedFontsIfProtected.
  bool Start() override;
  void StartPage(TrepReportPage* Page, int Index) override;
  // Views that are exported (vsExport, or every view with ExportNotPrintable) become content
  // of the current page; everything else writes nothing.
  void ExportObject(TrepComponent* Obj) override;
  void FinishPage(TrepReportPage* Page, int Index) override;
  void Finish() override;
  void BeginClip(TrepView* Obj) override;
  void EndClip() override;

  // ---- Writers of one view (public for the memo, which fills its text block itself) ----

  void ExportView(TrepView* View);
  // A memo without tags in use, turning or character spacing: its text block, or with a
  // negative gap the text its own drawing records (ExportVectorText); fill and frame around.
  void ExportMemo(TrepCustomMemoView* Memo);
  // Its tags are not in use (or it has none), it is not turned and has no character spacing.
  static bool IsPlainMemo(TrepCustomMemoView* Memo);
  // The memo's fill, its lines of text clipped to it, its ruled lines and its frame.
  void ExportTextBlock(TrepView* View, const TrepPDFTextBlock& Block);
  // The text block of a memo view: its lines, font and layout options (no lines for any
  // other view).
  static void FillTextBlock(TrepView* View, TrepPDFTextBlock& Block);

  // The objects helper of the current document.
  TPDFObjectsHelper& ObjectsHelper() { return FPOH; }
  // The current document is encrypted.
  bool Protected() const noexcept { return FProtection; }

  // ---- The document sink ----
  int UpdateXRef() override { return FPOH.UpdateXRef(); }
  rt::TStream& Output() override;
  void WriteStreamObject(std::unique_ptr<rt::TStream> Source, int ObjectNumber, bool OpenDictionary, bool Compress,
                         bool Encrypt) override;
  std::string TextStringToPDF(std::string_view Text, int ObjectNumber) override;

  // Limits against hostile templates: pages per document and bytes of one page's content.
  static constexpr int MaxPages = 100000;
  static constexpr std::size_t MaxPageContentBytes = 256u << 20;
  // Links per document, and outline entries and levels written.
  static constexpr std::size_t MaxAnnotations = 1000000;
  static constexpr std::size_t MaxOutlineItems = 1000000;
  static constexpr int MaxOutlineDepth = 64;

private:
  // ---- document ----
  void ClearDocumentState();
  void Raw(std::string_view S) { FOut.append(S); }
  void Line(std::string_view S) {
    FOut.append(S);
    FOut.append("\r\n");
  }
  std::int64_t Position() const { return FFlushed + static_cast<std::int64_t>(FOut.size()); }
  void Flush();
  // Opens "<<" and writes /Length (and /Filter), the data (encrypted for ObjectNumber in a
  // protected document), "endstream" and "endobj". The caller wrote the object's first line
  // and, with OpenDictionary False, "<<" and its keys.
  void WriteStreamObject(std::string_view Data, int ObjectNumber, bool OpenDictionary, bool Compress);
  void WriteFontObjects(TrepPDFFont& Font);
  // A text string of object ObjectNumber; "()" for an empty text.
  std::string InfoString(const std::string& Text, int ObjectNumber);
  void WriteStreamData(std::string_view Data, int ObjectNumber, bool OpenDictionary, bool Compress, bool Encrypt);

  // ---- page content ----
  void C(std::string_view S) {
    if (FTextRun) EndTextRun();
    FContent.append(S);
  }
  void CL(std::string_view S) {
    if (FTextRun) EndTextRun();
    FContent.append(S);
    FContent.append("\r\n");
  }
  // Plain memo text that lies inside its memo needs no clip: such memos share one text object
  // and the font and colour state of the memos before them, until anything else is drawn.
  void EndTextRun();
  void WriteSharedTextLine(const TrepPDFRun& Run, const TrepPDFTextBlock& Block, double Size, double X, double Y,
                           double SpaceAdjust);
  // The glyphs of one run as the operand of TJ, with the shifts that put them where shaping did;
  // Cur and Pen carry on from run to run of a line.
  std::string GlyphsTJ(const TrepPDFRun& Run, TrepPDFFont* PF, const TrepPDFTextBlock& Block, double SpaceAdjust,
                       double& Cur, double& Pen, bool Last);
  double PixelsToPDFX(double X) const { return X * 0.75 + FMarginLeft; }
  double PixelsToPDFY(double Y) const { return FHeight - FMarginTop - Y * 0.75; }
  std::string CachedColorText(gfx::TColor Color);
  TrepRect GetViewRect(TrepView* View) const;
  TrepRect GetClipRect(TrepView* View, bool Outward) const;
  void ExportFill(TrepView* View);
  void FillShape(TrepView* View, gfx::TColor Color);
  void ExportHatch(TrepView* View, gfx::TColor Color, gfx::TBrushStyle Style);
  void ExportGradientFill(TrepView* View, const TrepGradientFill& Fill);
  void ExportGlassFill(TrepView* View, const TrepGlassFill& Fill);
  void WriteShapePath(TrepView* View);
  void ClipToShape(TrepView* View);
  void ExportFrame(const TrepFrame& Frame, const TrepRect& R);
  void WriteFrameLine(const TrepFrameLine& Line, int Side, const TrepRect& R);
  void WritePageBackground(const TrepRect& R, gfx::TColor Color);
  void ClipToMemo(TrepView* View);
  // The text records of the memo's own drawing, each placed where the drawing put it.
  void ExportVectorText(TrepCustomMemoView* Memo);
  void WriteVectorTextRecord(TrepCustomMemoView* Memo, const TVector_ExtTextOut& Rec);
  void ExportLine(TrepCustomLineView* View);
  void WriteArrow(TrepCustomLineView* View, double TX, double TY, double EX, double EY);
  void ExportShape(TrepShapeView* View);
  void ExportCheckBox(TrepCheckBoxView* View);
  void ExportPicture(TrepPictureView* View);
  // Writes an image XObject (after its soft mask) and returns its index; -1 for data that is
  // no image. Data is JPEG when Jpeg (its own size counts), else W x H RGB samples; Mask, when
  // not empty, one byte per pixel, 255 opaque.
  int WriteImageXObject(const TrepPDFXObjectHash& Hash, const std::string& Data, bool Jpeg, int W, int H,
                        const std::string& Mask);
  // The metafile road (Metafile) or the image road of a view, through the page and document
  // seams those roads are written against.
  void ExportViewRoad(TrepView* View, bool Metafile);
  friend class TrepPDFViewRoads;

  // ---- links and outline (repExportPDFLinks.cpp) ----
  struct TrepPDFAnnot {
    int Number = 0;
    std::string Rect;     // the /Rect operands
    std::string Address;  // a link to an address, or
    int DestPage = -1;    // the prepared page a link goes to
    int DestY = 0;        // its height there, in points
  };
  void AddViewLink(TrepView* View);
  TrepPDFAnnot& NewAnnotation();
  void AddURLAnnotation(const std::string& Address);
  void AddPageAnnotation(int Page, double Y);
  void AddAnchorAnnotation(const std::string& Name);
  void WriteLinkAnnotations();
  // The outline root's object number; 0 when no entry stands on an exported page.
  int WriteOutline();
  // The position of a prepared page among the exported pages; -1 when it was not exported.
  int ExportedPageOf(int PreparedIndex) const;
  // Forms of the exported pages in a document of sheets, by prepared-page index.
  struct TrepPDFPageForm {
    int Number = 0;
    double Width = 0, Height = 0;  // points
  };
  std::map<int, TrepPDFPageForm> FPageForms;
  // The current page's fonts given object numbers; the /Resources entries of the page.
  std::string PageResources();
  void WritePageForm(int Index);
  // A page of the page tree: its size in points, its links (references, one a line), its
  // /Resources entry and its content stream's object.
  void WritePageObject(double Width, double Height, const std::string& Annots, const std::string& Resources,
                       int Contents);
  void WriteSheets();
  std::vector<TrepPDFAnnot> FAnnots;
  std::string FPageAnnots;           // references of the current page's links, one a line
  std::vector<int> FExportedPages;   // prepared-page index of every exported page
  std::vector<double> FPageHeights;  // and its height in points
  // The image XObject of a graphic (written once per document); -1 for an empty graphic.
  int ImageOf(const gfx::TGraphic& Graphic, bool Transparent, gfx::TColor TransparentColor);
  // One line of text at (X, Y) in PDF points, with the word spacing Adjust (thousandths of
  // the font size per blank); returns the width in points.
  void WriteTextLine(const std::vector<TrepPDFRun>& Runs, const TrepPDFTextBlock& Block, double Size, double X,
                     double Y, double SpaceAdjust);

  // The face of a family and style, as the font layer answered it for this document (the
  // regular face where the writer simulates the style), and whether its text keeps ligatures.
  struct TFaceChoice {
    const gfx::TFontFace* Face = nullptr;
    bool Ligatures = true;
  };
  const TFaceChoice& FaceChoiceFor(const std::string& Family, gfx::TFontStyles Style);
  const gfx::TFontFace* FaceFor(const std::string& Family, gfx::TFontStyles Style) {
    return FaceChoiceFor(Family, Style).Face;
  }
  std::map<std::pair<std::string, unsigned>, TFaceChoice> FFaces;
  // A text of Font as glyphs of the document's fonts: the font's own face, and the faces of the
  // fallback chain for characters it lacks (TRemapedString::Runs); records the glyphs and the
  // page's fonts, and notes characters no face has. Raises when the font has no face at all.
  TRemapedString RemapText(const gfx::TFont& Font, std::u16string_view Text, bool RTL, bool IsIndexes);
  // Characters that printed as the missing glyph, reported once per document in the report's
  // errors when the document is finished (at most MaxReportedMissingCharacters of them).
  void NoteMissingCharacters(std::u16string_view Text);
  void ReportMissingCharacters();
  static constexpr std::size_t MaxReportedMissingCharacters = 32;
  std::vector<char32_t> FMissingCharacters;
  std::size_t FMissingCount = 0;  // distinct characters noted, also beyond the list

  std::string FOut;              // the document's bytes not yet handed to the output
  std::int64_t FFlushed = 0;     // bytes already handed to the output
  rt::TStream* FPdf = nullptr;   // the output (Stream, the transport's stream, or FFile)
  std::unique_ptr<rt::TStream> FFile;
  rt::TStream* FTransportStream = nullptr;  // the output when the driver's transport made it
  std::string FContent;          // the current page's content
  bool FInPage = false;
  TPDFObjectsHelper FPOH;
  std::vector<int> FPagesRef;
  std::string FFileID;
  double FWidth = 0, FHeight = 0, FMarginLeft = 0, FMarginTop = 0;
  TrepRect FPageRect;
  TrepPDFPageSetup FPage;
  std::string stLeft, stTop, stRight, stBottom;
  bool FTextRun = false;   // the content ends in shared memo text (see EndTextRun)
  bool FTextOpen = false;  // ... with its text object still open
  long long FTextX = 0, FTextY = 0;  // start of the open text object's line, hundredths of a point
  std::string FTextFont, FTextColor;  // the Tf and rg lines in force
  gfx::TColor FLastColor = 0;
  std::string FLastColorResult = "0 0 0";
  bool FStarted = false;
  bool FProtection = false;
  TrepPDFSecurity FSecurity;
  TrepPDFA FPDFA;
  std::unique_ptr<rt::TStream> FOutputStream;  // Output(): appends to FOut
  std::unique_ptr<rt::TStream> FContentStream;  // appends to FContent, for the view roads

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
