#pragma once
// The text object: highlights and display formats, and the memo views (repClassMemo.cpp,
// repClassMemoLayout.cpp; highlights and formats are in repClassView.cpp).
#include "report/engine/repAlign.h"
#include "report/engine/repClassView.h"
#include "report/engine/repCollections.h"
#include "report/engine/repUnicodeUtils.h"

class TrepDrawText;
class TrepMacrosItem;
class TrepPostProcessor;
class TrepReport;
class TrepStyleItem;

// A conditional style a memo takes when Condition holds.
class TrepHighlight : public TrepCollectionItem {
public:
  RT_CLASS_INFO(TrepHighlight)
  explicit TrepHighlight(rt::TCollection* ACollection);
  // Everything but Active.
  void Assign(const rt::TObject& Source);
  bool IsUniqueNameStored() const override { return true; }
  gfx::TColor Color() const;
  void SetColor(gfx::TColor Value);
  TrepFillType FillType() const { return FillTypeOf(FFill.get()); }
  void SetFillType(TrepFillType Value);
  TrepCustomFill* Fill() const { return FFill.get(); }
  void SetFill(const TrepCustomFill& Value);
  gfx::TFont& Font() { return FFont; }
  void SetFont(const gfx::TFont& Value) { FFont.Assign(Value); }
  TrepFrame& Frame() { return FFrame; }
  void SetFrame(const TrepFrame& Value) { FFrame.Assign(Value); }

  bool Active = false;
  bool ApplyFont = true, ApplyFill = true, ApplyFrame = false;
  std::string Condition;
  bool Visible = true;
  enum TInteractiveType { ihNone, ihClick, ihEnter, ieLeave } InteractiveType = ihNone;

private:
  gfx::TFont FFont;
  std::unique_ptr<TrepCustomFill> FFill;
  TrepFrame FFrame;
};

class TrepHighlightCollection : public TrepCollection {
public:
  TrepHighlightCollection();
  TrepHighlight* Items(int Index) const { return static_cast<TrepHighlight*>(TrepCollection::Items(Index)); }
};

enum TrepFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };

// How a memo turns a value into text.
class TrepFormat : public rt::TCollectionItem {
public:
  RT_CLASS_INFO(TrepFormat)
  explicit TrepFormat(rt::TCollection* ACollection) : rt::TCollectionItem(ACollection) {}
  void Assign(const rt::TObject& Source);
  std::string DecimalSeparator, ThousandSeparator, FormatStr;
  TrepFormatKind Kind = fkText;
};

class TrepFormatCollection : public rt::TCollection {
public:
  TrepFormatCollection();
  TrepFormat* Items(int Index) const { return static_cast<TrepFormat*>(rt::TCollection::Items(Index)); }
};

enum TrepDuplicateMerge { dmShow, dmHide, dmClear, dmMerge };
enum TrepUnderlinesTextMode { ulmNone, ulmUnderlinesAll, ulmUnderlinesText, ulmUnderlinesTextAndEmptyLines };

// Limits on what template and user text can make the memo do: the longest delimiter, and how
// many bracketed expressions one print evaluates.
inline constexpr std::size_t repMaxDelimiterLength = 255;
inline constexpr int repMaxMemoExpressions = 100000;

// The report's text object: lines of text whose bracketed expressions are replaced by their
// formatted values before each print (repClassMemo.cpp), laid out, drawn and split through the
// report's text layout (repClassMemoLayout.cpp).
class TrepCustomMemoView : public TrepStretcheable {
public:
  RT_CLASS_INFO(TrepCustomMemoView)
  explicit TrepCustomMemoView(rt::TComponent* AOwner);
  ~TrepCustomMemoView() override;
  std::string GetDescription() const override;

  // ---- text ----
  // The lines joined by CR LF; writing splits at line breaks.
  std::u16string Text() const;
  void SetText(std::u16string_view Value);
  // Text as the application fills it from outside data: printed exactly as given, never
  // evaluated (AllowExpressions becomes False), so a text such as "[Report.SaveToFile('x')]"
  // stays text.
  void SetLiteralText(std::u16string_view Value);
  TrepWideStrings& Lines() { return *FMemo; }
  const TrepWideStrings& Lines() const { return *FMemo; }
  TrepWideStrings& Memo() { return *FMemo; }
  void SetLines(const TrepWideStrings& Value) { FMemo->Assign(Value); }
  TrepFormatCollection& Formats() { return *FFormats; }
  TrepHighlightCollection& Highlights() { return *FHighlights; }
  // The first format / highlight, made when the collection is empty.
  TrepFormat& DisplayFormat();
  TrepHighlight& Highlight();
  bool Underlines() const { return UnderlinesTextMode != ulmNone; }
  void SetUnderlines(bool Value);
  int Rotation() const { return FRotation; }
  void SetRotation(int Value) { FRotation = Value % 360; }
  // 0 to 359.
  int ReducedAngle() const;
  const std::string& GetStyle() const { return Style; }
  void SetStyle(const std::string& Value);

  // ---- printing ----
  void BeforePrint() override;
  void GetData() override;
  void AfterPrint() override;
  // One value as text by AFormat (nullptr: DisplayFormat); formatting errors give the value's
  // plain text.
  std::u16string FormatData(const rt::Variant& Value, TrepFormat* AFormat = nullptr);
  void ExtractMacros(TrepPostProcessor* Dictionary);
  // Takes the style's font, fill and frame, each as its Apply flag says.
  virtual void ApplyStyle(const TrepStyleItem& Item);
  void ApplyHighlight(TrepHighlight* AHighlight);
  void ApplyPreviewHighlight();
  void ResetSuppress() { LastValue = rt::Variant(""); }
  std::string GetComponentText() override;
  bool IsPostProcessAllowed() const override { return TrepView::IsPostProcessAllowed() || Duplicates != dmShow; }
  void SaveContentToDictionary(TrepReport* aReport, TrepPostProcessor* PostProcessor) override;
  bool LoadContentFromDictionary(TrepReport* aReport, TrepMacrosItem* aItem) override;
  void ProcessDictionary(TrepMacrosItem* aItem, TrepReport* aReport, TrepPostProcessor* PostProcessor) override;

  // ---- layout (repClassMemoLayout.cpp) ----
  void SetDrawArea(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  double CalcHeight() override;
  virtual double CalcWidth();
  void InitPart() override;
  double DrawPart() override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  std::u16string WrapText(bool WrapWords, TrepWideStrings* aParaText = nullptr);
  std::u16string Diff(const TrepComponent* AComponent) const override;
  void MirrorContent(TrepMirrorControlModes MirrorModes) override;
  double FrameAndGapWidth() const;
  double FrameAndGapHeight() const;
  gfx::TRect GetTextRect(double OffsetX, double OffsetY, double ScaleX, double ScaleY) const;

  bool AllowExpressions = true;
  bool AllowHTMLTags = false;
  // The width follows the text; prepared copies do not store it.
  bool AutoWidth = false;
  double CharSpacing = 0;
  bool Clipped = true;
  std::string ExpressionDelimiters = "[,]";
  // The memo that takes the text that does not fit; held by checked handle, so a memo that
  // went reads as nullptr.
  TrepCustomMemoView* FlowTo() const;
  void SetFlowTo(TrepCustomMemoView* Value);
  bool FirstParaBreak = false;
  double GapX = 2, GapY = 1;
  TrepHAlign HAlign = haLeft;
  bool HideZeros = false;
  bool LastParaBreak = false;
  double LineSpacing = 2;
  double ParagraphGap = 0;
  std::u16string PartMemo;
  bool RTLReading = false;
  // The name of the style the memo takes its font, fill and frame from; empty for none.
  std::string Style;
  bool SuppressRepeated = false;
  TrepDuplicateMerge Duplicates = dmShow;
  std::u16string TempMemo;
  TrepUnderlinesTextMode UnderlinesTextMode = ulmNone;
  TrepVAlign VAlign = vaTop;
  rt::Variant Value = rt::Variant::Null();
  bool WordBreak = false;
  bool WordWrap = true;
  bool Wysiwyg = true;
  bool UseDefaultCharset = false;
  bool HighlightActivated = false;
  gfx::TRect ScaledRect{}, TextRect{};
  bool MacroLoaded = false;
  rt::Variant LastValue = rt::Variant::Null();
  int TotalPages = 0, CopyNo = 0;
  double PrintScale = 1;
  int MacroIndex = -1, MacroLine = -1;

private:
  void SaveHighlightState();
  void RestoreHighlightState();
  // The bracketed expressions of the text replaced by their values.
  void ExpandExpressions();
  std::u16string EvaluateExpression(const std::u16string& Expr, TrepFormat* AFormat);
  TrepDrawText& Layout();
  void SetupLayoutBase(TrepDrawText& D);
  void SetupDrawText(TrepDrawText& D, double ScaleX, double ScaleY, double OffsetX, double OffsetY);
  void DrawMemoText();

  std::unique_ptr<TrepWideStrings> FMemo;
  std::unique_ptr<TrepFormatCollection> FFormats;
  std::unique_ptr<TrepHighlightCollection> FHighlights;
  int FRotation = 0;
  std::unique_ptr<TrepCustomFill> FTempFill;
  std::unique_ptr<gfx::TFont> FTempFont;
  std::unique_ptr<TrepFrame> FTempFrame;
  bool FTempVisible = true;
  bool FTempParentFont = false;
  rt::Variant FFlowTo = rt::Variant::Null();
};

// The text object of templates.
class TrepMemoView : public TrepCustomMemoView {
public:
  RT_CLASS_INFO(TrepMemoView)
  using TrepCustomMemoView::TrepCustomMemoView;
};

// The system text object (fewer published properties).
class TrepSysMemoView : public TrepCustomMemoView {
public:
  RT_CLASS_INFO(TrepSysMemoView)
  using TrepCustomMemoView::TrepCustomMemoView;
  std::string GetDescription() const override;
};
