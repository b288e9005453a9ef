#pragma once
// Report, dialog and data pages (repClassPage.cpp).
#include "platform/rt/Controls.h"
#include "report/engine/repClassPicture.h"
#include "report/engine/repPrinter.h"

class TrepBand;
class TrepDataSet;
class TrepReport;
class TrepSubreport;

// ---- Report, dialog and data pages ----

// A printable page: paper in millimetres, orientation, margins, columns and a background
// picture; its component size is the whole paper in pixels.
class TrepReportPage : public TrepPage {
public:
  RT_CLASS_INFO(TrepReportPage)
  explicit TrepReportPage(rt::TComponent* AOwner);
  // Made for prepared pages: the constructor, then the report the page belongs to.
  TrepReportPage(rt::TComponent* AOwner, TrepReport* AReport);
  ~TrepReportPage() override;
  std::string GetDescription() const override;

  // ---- paper ----
  TPrinterOrientation Orientation() const { return FOrientation; }
  // Another orientation swaps the paper's sides and turns the margins.
  void SetOrientation(TPrinterOrientation Value);
  double PaperWidth() const { return FPaperWidth; }
  double PaperHeight() const { return FPaperHeight; }
  // Rounded to 8 decimals; the paper becomes the user's own size (256). Overridable: the
  // dot-matrix page snaps the paper to whole character cells.
  virtual void SetPaperWidth(double Value);
  virtual void SetPaperHeight(double Value);
  int PaperSize() const { return FPaperSize; }
  // Below 256 the paper table gives the sides (swapped for landscape) and the size follows.
  virtual void SetPaperSize(int Value);
  // Sides rounded to 8 decimals, then the paper number, then the size.
  void SetSizeAndDimensions(int ASize, double AWidth, double AHeight);
  // Margins 10 mm, paper and orientation of the current printer.
  virtual void SetDefaults();
  // Width and Height become the paper in whole pixels.
  void UpdateSize();

  double LeftMargin = 0, RightMargin = 0, TopMargin = 0, BottomMargin = 0;
  bool MirrorMargins = false;

  // ---- columns ----
  int Columns() const { return FColumns; }
  // Also works out ColumnWidth and one position per column.
  void SetColumns(int Value);
  double ColumnWidth = 0;
  rt::TStringList& ColumnPositions() { return FColumnPositions; }

  // ---- background ----
  TrepPictureView& BackPicture() { return *FBackPicture; }
  gfx::TColor Color() const { return FBackPicture->Color(); }
  void SetColor(gfx::TColor Value) { FBackPicture->SetColor(Value); }
  TrepFrame& Frame() { return FBackPicture->Frame(); }
  bool BackPictureVisible = true;
  bool BackPicturePrintable = true;
  bool BackPictureStretched = true;

  // ---- data ----
  // Checked on use; writing also takes the user name.
  TrepDataSet* DataSet() const;
  void SetDataSet(TrepDataSet* Value);
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);

  int Bin = 7;
  int BinOtherPages = 7;
  TrepDuplexMode Duplex = dmNone;
  bool EndlessHeight = false;
  bool EndlessWidth = false;
  bool LargeDesignHeight = false;
  TrepMirrorControlModes MirrorMode;
  std::string OutlineText;
  bool PrintIfEmpty = true;
  bool PrintOnPreviousPage = false;
  bool ResetPageNumbers = false;
  bool ShowTitleOnPreviousPage = true;
  bool TitleBeforeHeader = true;
  int PageCount() const { return FPageCount; }
  // Values below 1 are ignored.
  void SetPageCount(int Value) {
    if (Value >= 1) FPageCount = Value;
  }
  rt::TStringList& HGuides() { return FHGuides; }
  rt::TStringList& VGuides() { return FVGuides; }
  void ClearGuides() {
    FHGuides.Clear();
    FVGuides.Clear();
  }
  TrepNotifyEvent OnAfterPrint, OnBeforePrint, OnManualBuild;

  // The subreport that shows this page; nullptr for a top-level page or once it is gone.
  TrepSubreport* SubReport() const;
  void SetSubReport(TrepSubreport* Value);
  bool IsSubReport() const { return SubReport() != nullptr; }
  // The report given at creation for prepared pages; not owned.
  TrepReport* ParentReport = nullptr;
  // Work lists of the engine.
  std::vector<TrepBand*> SubBands, VSubBands;

  // The first direct child that is a band of the class or a descendant of it.
  TrepBand* FindBand(rt::TClass Band) const;
  // Bands sized to the printable area (or the column); the page keeps its whole paper size.
  void AlignChildren(bool IgnoreInvisible, TrepMirrorControlModes MirrorModes) override;
  // The background picture over the printable area, unless hidden (or not printable while
  // printing).
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

protected:
  // Both sides (rounded to 8 decimals) without touching the paper number, then the size.
  void StorePaperDimensions(double AWidth, double AHeight);

private:
  std::unique_ptr<TrepPictureView> FBackPicture;
  TPrinterOrientation FOrientation = poPortrait;
  double FPaperWidth = 0, FPaperHeight = 0;
  int FPaperSize = 0;
  int FColumns = 0;
  int FPageCount = 1;
  rt::TStringList FColumnPositions, FHGuides, FVGuides;
  TrepDataSetLink FDataSet;
  rt::Variant FSubReport;
};

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
                 poMainFormCenter, poOwnerFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

class TrepDialogPage;

// The window of a dialog page: the page's controls sit on it, and showing the page shows it
// modally through the thread's presenter (in the viewer, a browser form). Its own design is a
// blank caption, 116 x 59 pixels, Tahoma, key preview; its close query refuses until the page
// connects its own (Initialize).
class TrepDialogForm : public rt::TForm {
public:
  RT_CLASS_INFO(TrepDialogForm)
  // AOwner is the page that holds the form (not its owner: the page frees it); a page whose Tag
  // is 318 while it makes the form marks it thread-safe.
  explicit TrepDialogForm(rt::TComponent* AOwner);
  bool ThreadSafe() const { return FThreadSafe; }
  rt::TComponent* DialogPageControl() const { return FDialogPageControl; }
  // Passes a new density on to the page.
  void UpdateFormPPI(int NewPPI);
  void FormCloseQuery(rt::TObject* Sender, bool& CanClose);
  // After the user moved or resized the window.
  rt::TNotifyEvent OnModify;

private:
  bool FThreadSafe = false;
  rt::TComponent* FDialogPageControl = nullptr;
};

// A window shown before the layout (see TrepEngine::ShowDialogPages). Caption, Color and
// ModalResult are its form's; bounds are the page's pixels at 96 per inch, the form's scaled by
// CurrentPPI / 96.
class TrepDialogPage : public TrepPage {
public:
  RT_CLASS_INFO(TrepDialogPage)
  explicit TrepDialogPage(rt::TComponent* AOwner);
  // Frees the form under FormsLock.
  ~TrepDialogPage() override;
  std::string GetDescription() const override;
  TrepDialogForm& Form() const { return *FForm; }
  TrepDialogForm& DialogForm() const { return *FForm; }
  // Connects the form's events to the page's script events, hides it and applies Position and
  // WindowState.
  void Initialize();
  // Initialize, BorderStyle onto the form, then the form's ShowModal (rt::EInvalidOperation when
  // the thread has no presenter); its modal result.
  int ShowModal();
  void UpdateDialogPPI(int NewPPI);

  void SetLeft(double Value) override;
  void SetTop(double Value) override;
  void SetWidth(double Value) override;
  void SetHeight(double Value) override;
  void FontChanged() override;
  double ClientWidth() const;
  void SetClientWidth(double Value);
  double ClientHeight() const;
  void SetClientHeight(double Value);
  std::string Caption() const { return FForm->Caption(); }
  void SetCaption(const std::string& Value) { FForm->SetCaption(Value); }
  gfx::TColor Color() const { return FForm->Color(); }
  void SetColor(gfx::TColor Value) { FForm->SetColor(Value); }
  int ModalResult() const { return FForm->ModalResult; }
  void SetModalResult(int Value) { FForm->ModalResult = Value; }

  TFormBorderStyle BorderStyle = bsSizeable;
  bool DoubleBuffered = false;
  bool Scaled = true;
  TPosition Position = poScreenCenter;
  TWindowState WindowState = wsNormal;
  int CurrentPPI = 96;
  TrepNotifyEvent OnActivate, OnClick, OnCloseQuery, OnDeactivate, OnHide, OnKeyDown, OnKeyPress, OnKeyUp, OnShow,
      OnResize;

private:
  double Factor() const { return CurrentPPI / 96.0; }
  // The page's bounds from the form's, while it shows.
  void TakeFormBounds();
  std::unique_ptr<TrepDialogForm> FForm;
  double FClientWidth = 0, FClientHeight = 0;
};

// A page that holds only non-visual data components.
class TrepDataPage : public TrepPage {
public:
  RT_CLASS_INFO(TrepDataPage)
  explicit TrepDataPage(rt::TComponent* AOwner);
  std::string GetDescription() const override;
};
