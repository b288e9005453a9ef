#pragma once
// The view base with its processing and hyperlink settings, the shape and the stretchable
// view base (repClassView.cpp, repClassViewProps.cpp).
#include "report/engine/repClassComponent.h"
#include "report/engine/repClassFill.h"

class TVectorCanvas;
class TrepDataSet;
class TrepMacrosItem;
class TrepPostProcessor;
class TrepReport;
namespace gfx {
class TGraphic;
}  // namespace gfx

// ---- Views ----

enum TrepShiftMode { smDontShift, smAlways, smWhenOverlapped };
// Where a view appears: drawn in the preview, offered to exports, printed.
enum TrepVisibilityType { vsPreview, vsExport, vsPrint };
using TrepVisibilityTypes = TrepSet<TrepVisibilityType>;
enum TrepHyperlinkKind { hkURL, hkAnchor, hkPageNumber, hkDetailReport, hkDetailPage, hkCustom, hkNone };
enum TrepProcessAtMode {
  paDefault, paReportFinished, paReportPageFinished, paPageFinished, paColumnFinished, paDataFinished,
  paGroupFinished, paCustom
};

// When a view's content is computed: at once, or later by the post-processor.
class TrepObjectProcessing : public rt::TObject {
public:
  RT_CLASS_INFO(TrepObjectProcessing)
  // From another TrepObjectProcessing; anything else raises EConvertError.
  void Assign(const rt::TObject& Source);
  TrepProcessAtMode ProcessAt = paDefault;
  int GroupLevel = 0;
};

// Where a click on a view leads.
class TrepHyperlink : public rt::TObject {
public:
  RT_CLASS_INFO(TrepHyperlink)
  // All eight properties, from a hyperlink only.
  void Assign(const rt::TObject& Source);
  // " Add.Name=\"value\"" for Kind, DetailReport, DetailPage, ReportVariable, TabCaption, Value
  // and ValuesSeparator where they differ from ALink (Expression is not compared).
  std::u16string Diff(const TrepHyperlink* ALink, const std::string& Add) const;
  // Puts Value into the report variable(s) ReportVariable names; see the view's notes.
  void AssignVariables(TrepReport* aReport) const;

  TrepHyperlinkKind Kind = hkURL;
  std::string DetailReport, DetailPage, Expression, ReportVariable, TabCaption, Value;
  std::string ValuesSeparator = ";";
};

// The base of visible objects: a rectangle with a fill, a frame and a hyperlink, bound to a
// dataset field when asked. Drawing first works out the device rectangle (SetDrawArea) that
// the other drawing steps use.
class TrepView : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepView)
  explicit TrepView(rt::TComponent* AOwner);
  ~TrepView() override;

  TrepAlign Align = baNone;
  int Cursor = 0;
  std::string DataField;
  // The bound dataset, checked on every use: nullptr once the dataset is gone.
  TrepDataSet* DataSet() const;
  void SetDataSet(TrepDataSet* Value);
  // The bound dataset's user name, else the stored name; writing binds the dataset found by
  // that name (FindDataSet).
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);
  TrepFrame& Frame() { return FFrame; }
  const TrepFrame& Frame() const { return FFrame; }
  void SetFrame(const TrepFrame& Value) { FFrame.Assign(Value); }
  TrepShiftMode ShiftMode = smAlways;
  std::string TagStr;
  std::string TempTag, TempHyperlink;
  std::string Hint;
  bool ShowHint = false;
  // Writing a URL turns it into the hyperlink: "@n" a page number, "#name" an anchor, anything
  // else an address; empty text changes nothing. The stored URL itself does not change.
  const std::string& URL() const { return FURL; }
  void SetURL(const std::string& Value);
  bool PlainText = false;
  TrepHyperlink& Hyperlink() { return FHyperlink; }
  const TrepHyperlink& Hyperlink() const { return FHyperlink; }
  void SetHyperlink(const TrepHyperlink& Value) { FHyperlink.Assign(Value); }
  TrepCustomFill* Fill() const { return FFill.get(); }
  // Takes Value's type first, then copies it.
  void SetFill(const TrepCustomFill& Value);
  TrepFillType FillType() const { return FillTypeOf(FFill.get()); }
  // Another type replaces the fill by a new default one; the same type keeps it.
  void SetFillType(TrepFillType Value);
  // The brush fill's BackColor, a gradient's middle colour, a glass fill's colour; writing
  // changes a brush fill only.
  gfx::TColor Color() const;
  void SetColor(gfx::TColor Value);
  // The brush fill's style (bsClear for other fills); writing changes a brush fill only.
  gfx::TBrushStyle BrushStyle() const;
  void SetBrushStyle(gfx::TBrushStyle Value);
  bool Printable() const { return Visibility.Contains(vsPrint); }
  void SetPrintable(bool Value);
  TrepVisibilityTypes Visibility{vsPreview, vsExport, vsPrint};
  bool DrawAsMask = false;
  bool AllowVectorExport = true;
  TrepNotifyEvent OnMouseEnter, OnMouseLeave, OnMouseDown, OnMouseMove, OnMouseUp;
  TrepObjectProcessing& Processing() { return FProcessing; }
  void SetProcessing(const TrepObjectProcessing& Value) { FProcessing.Assign(Value); }
  // Frame.ShadowWidth with a drop shadow, else 0.
  double ShadowSize() const { return FFrame.DropShadow ? FFrame.ShadowWidth : 0; }
  // A dataset is bound and DataField is set.
  bool IsDataField() const;

  // ---- drawing ----
  virtual void SetDrawArea(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
  virtual void PaintFill();
  virtual void PaintFrame();
  virtual bool IsEMFExportable() { return AllowVectorExport; }
  // The view's text output recorded while it draws itself at scale 1 into a scratch bitmap;
  // the caller owns the result.
  virtual std::unique_ptr<TVectorCanvas> GetVectorCanvas();
  // The view drawn at scale 1 into a new enhanced metafile of its size (at least 1 by 1), its
  // top-left corner at the origin; fill (unless DrawFill) and frame are left to the caller.
  virtual std::unique_ptr<gfx::TGraphic> GetVectorGraphic(bool DrawFill);
  virtual void DrawClipped(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  }
  virtual void GetScaleFactor(double& ScaleX, double& ScaleY) { (void)ScaleX; (void)ScaleY; }
  // (AbsLeft, AbsTop, AbsLeft + Width, AbsTop + Height).
  virtual TrepRect GetExportBounds();
  virtual bool IsPostProcessAllowed() const { return FProcessing.ProcessAt != paDefault; }
  // SetDrawArea, PaintFill, PaintFrame, then the designer's corner marks.
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  void DrawHighlight(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY,
                     gfx::TColor hlColor) override;
  // A line Width pixels thick as that many one-pixel lines across its minor axis.
  void DrawThickLine(int X1, int Y1, int X2, int Y2, int Width);
  // Short black strokes at the corners, in the designer, when the frame is not closed.
  void DrawCornerMarks();

  // ---- printing ----
  void BeforePrint() override;
  // Expands bracketed expressions of TagStr and the hyperlink through the report's evaluator.
  void GetData() override;
  // The view's side of the post-processing dictionary (the memo has one; the base does nothing).
  virtual void SaveContentToDictionary(TrepReport* aReport, TrepPostProcessor* PostProcessor) {
    (void)aReport;
    (void)PostProcessor;
  }
  // True when the object repeats the previous one and is to be left out.
  virtual bool LoadContentFromDictionary(TrepReport* aReport, TrepMacrosItem* aItem) {
    (void)aReport;
    (void)aItem;
    return false;
  }
  virtual void ProcessDictionary(TrepMacrosItem* aItem, TrepReport* aReport, TrepPostProcessor* PostProcessor) {
    (void)aItem;
    (void)aReport;
    (void)PostProcessor;
  }
  void AfterPrint() override;
  // Every "[...]" (nested brackets kept together) replaced by the text of its value.
  std::string ExpandExpressions(const std::string& Text);

  void MirrorContent(TrepMirrorControlModes MirrorModes) override;
  std::u16string Diff(const TrepComponent* AComponent) const override;
  bool IsAcceptAsChild(TrepComponent* AParent) override { (void)AParent; return true; }

  // The device rectangle and the state of the last drawing.
  int FX = 0, FY = 0, FX1 = 0, FY1 = 0, FDX = 0, FDY = 0, FFrameWidth = 0;
  double FScaleX = 1, FScaleY = 1, FOffsetX = 0, FOffsetY = 0;
  gfx::TCanvas* FCanvas = nullptr;  // not owned
  bool ObjAsMetafile = false;
  bool DrawFillOnMetaFile = false;
  // Set while GetVectorCanvas runs: drawing code records its text output here.
  TVectorCanvas* VC = nullptr;

private:
  TrepDataSetLink FDataSet;
  TrepFrame FFrame;
  std::string FURL;
  TrepHyperlink FHyperlink;
  std::unique_ptr<TrepCustomFill> FFill;
  TrepObjectProcessing FProcessing;
};

enum TrepShapeKind { skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2 };

// A rectangle, rounded rectangle, ellipse, triangle, diamond or diagonal line.
class TrepShapeView : public TrepView {
public:
  RT_CLASS_INFO(TrepShapeView)
  explicit TrepShapeView(rt::TComponent* AOwner);
  // The designer's palette variant: Flags picks the shape.
  void DesignCreate(int Flags) { Shape = static_cast<TrepShapeKind>(Flags); }
  std::string GetDescription() const override;
  std::u16string Diff(const TrepComponent* AComponent) const override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  // Corner curvature of a rounded rectangle; 0 picks a quarter of the shorter side.
  int Curve = 0;
  TrepShapeKind Shape = skRectangle;

private:
  void PaintShape();
  void DrawShapeOutline();
};
enum TrepStretchMode { smDontStretch, smActualHeight, smMaxHeight };

// A view whose height can follow its content and which can be split across pages. The layout
// engine's contract: InitPart starts a split, DrawPart cuts what fits the current height and
// returns the height left unused, HasNextDataPart tells whether content remains beyond the
// free space, CalcHeight gives the height the whole content needs.
class TrepStretcheable : public TrepView {
public:
  RT_CLASS_INFO(TrepStretcheable)
  using TrepView::TrepView;
  virtual double CalcHeight() { return Height(); }
  virtual double DrawPart() { return 0; }
  virtual void InitPart() {}
  virtual bool HasNextDataPart(double aFreeSpace) { return aFreeSpace < Top() + SaveHeight; }
  TrepStretchMode StretchMode = smDontStretch;
  bool CanShrink = false;
  double SaveHeight = 0;
  double SavedTop = 0;
};
