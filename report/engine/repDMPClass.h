#pragma once
// Dot-matrix report objects: a page, a text, a line and a printer command laid out on a grid
// of fixed character cells (fr1CharX by fr1CharY report units, 10 characters per inch), as a
// character printer prints them. Every position and size is snapped to whole cells; fonts are
// a typewriter face whose styles come from the printer's own font styles.
#include <string>

#include "report/engine/repClass.h"

enum TrepDMPFontStyle {
  fsxBold,
  fsxItalic,
  fsxUnderline,
  fsxSuperScript,
  fsxSubScript,
  fsxCondensed,
  fsxWide,
  fsx12cpi,
  fsx15cpi
};
// Stored as 16 bits, bit 0 = fsxBold. Only bold, italic and underline change the font on
// screen; the rest are for the printer.
using TrepDMPFontStyles = TrepSet<TrepDMPFontStyle>;

// The text object of dot-matrix reports: text in whole cells, optionally cut to them.
class TrepDMPMemoView : public TrepCustomMemoView {
public:
  RT_CLASS_INFO(TrepDMPMemoView)
  explicit TrepDMPMemoView(rt::TComponent* AOwner);
  std::string GetDescription() const override;

  void SetLeft(double Value) override;
  void SetTop(double Value) override;
  void SetWidth(double Value) override;
  void SetHeight(double Value) override;
  // True takes the parent's font and then, on a dot-matrix page, the page's font style.
  void SetParentFont(bool Value) override;
  // The frame goes round the cells, half a cell outside the object.
  void PaintFrame() override;
  bool IsEMFExportable() override { return AllowVectorExport; }
  // The base measure rounded to whole cells.
  double CalcHeight() override;
  double CalcWidth() override;

  // Courier New 12 with the screen styles of FontStyle; no character or line gaps.
  void ResetFontOptions();
  TrepDMPFontStyles FontStyle() const { return FFontStyle; }
  // Stores the styles, stops following the parent's font and resets the font.
  void SetFontStyle(TrepDMPFontStyles Value);
  bool IsFontStyleStored() const { return !ParentFont(); }
  // The four values as given, bypassing the snapping.
  void SetBoundsDirect(double ALeft, double ATop, double AWidth, double AHeight);
  // The lines that fit the object's rows, each cut to the characters of its width and ended
  // by CR LF.
  std::u16string GetoutBoundText() const;

  bool TruncOutboundText = false;

private:
  TrepDMPFontStyles FFontStyle;
};

// A horizontal or vertical rule through the middle of character cells.
class TrepDMPLineView : public TrepCustomLineView {
public:
  RT_CLASS_INFO(TrepDMPLineView)
  using TrepCustomLineView::TrepCustomLineView;
  std::string GetDescription() const override;

  void SetLeft(double Value) override;
  void SetTop(double Value) override;
  void SetWidth(double Value) override;
  void SetParentFont(bool Value) override;

  TrepDMPFontStyles FontStyle() const { return FFontStyle; }
  // Stores the styles and stops following the parent's font.
  void SetFontStyle(TrepDMPFontStyles Value);
  bool IsFontStyleStored() const { return !ParentFont(); }

private:
  TrepDMPFontStyles FFontStyle;
};

// Characters sent to the printer as they stand: "#27#64" (decimal codes) or "1B40" (pairs of
// hexadecimal digits).
class TrepDMPCommand : public TrepView {
public:
  RT_CLASS_INFO(TrepDMPCommand)
  using TrepView::TrepView;
  std::string GetDescription() const override;

  void SetLeft(double Value) override;
  void SetTop(double Value) override;
  // The command's characters. rt::EConvertError for an empty or non-decimal code ("#", "#1A#")
  // or a pair that is not hexadecimal; a last single hexadecimal digit is ignored.
  std::string ToChr() const;

  std::string Command;
};

// A report page whose paper and margins are whole numbers of character cells.
class TrepDMPPage : public TrepReportPage {
public:
  RT_CLASS_INFO(TrepDMPPage)
  explicit TrepDMPPage(rt::TComponent* AOwner);

  void SetPaperWidth(double Value) override;
  void SetPaperHeight(double Value) override;
  void SetPaperSize(int Value) override;
  // The printer's paper cut down to whole cells, margins of one cell.
  void SetDefaults() override;

  // Courier New 12 with the screen styles of FontStyle.
  void ResetFontOptions();
  TrepDMPFontStyles FontStyle() const { return FFontStyle; }
  // Stores the styles, resets the page font, and every object of the page that follows its
  // parent's font takes it again (and with it the page's style).
  void SetFontStyle(TrepDMPFontStyles Value);

private:
  TrepDMPFontStyles FFontStyle;
};

// Start-up: the page into the class registry, the three objects into the report object
// registry (dot-matrix category). Counted; the last Finalization undoes it.
void repDMPInitialization();
void repDMPFinalization();
