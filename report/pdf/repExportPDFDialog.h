#pragma once
// The PDF options window's logic without the window: the values its controls hold, how they
// are filled from a PDF filter, how a chosen PDF standard constrains the others, and how they
// are written back to the filter. A host with a screen binds controls to these fields; the
// program itself never shows the window (the filter's ShowDialog is off).
#include <string>
#include <vector>

#include "report/pdf/repExportPDF.h"

struct TrepCheckBoxState {
  bool Checked = false;
  bool Enabled = true;
};

struct TrepComboBoxState {
  std::vector<std::string> Items;
  int ItemIndex = -1;
  bool Enabled = true;
  std::string Text() const { return ItemIndex >= 0 && ItemIndex < static_cast<int>(Items.size()) ? Items[static_cast<std::size_t>(ItemIndex)] : std::string(); }
  // The first item equal to Value (letter case counts); nothing changes when none is.
  void Select(const std::string& Value);
};

class TrepPDFExportDialog {
public:
  // Export settings.
  TrepCheckBoxState CompressedCB, EmbeddedCB, PrintOptCB, OutlineCB, BackgrCB, TransparentCB;
  std::string QualityEdit;
  TrepComboBoxState PDFStandardComboBox, PDFVersionComboBox;
  // Document information.
  std::string TitleE, AuthorE, SubjectE, KeywordsE, CreatorE, ProducerE;
  // Security.
  std::string OwnPassE, UserPassE;
  TrepCheckBoxState PrintCB, ModCB, CopyCB, AnnotCB;
  bool SecGBVisible = true, PermGBVisible = true;
  // Viewer preferences.
  TrepCheckBoxState HideToolbarCB, HideMenubarCB, HideWindowUICB, FitWindowCB, CenterWindowCB, PrintScalingCB;

  // The combo boxes' lists: the seven standards and the four versions.
  void Localise();
  // The controls from the filter. The filter's Outline first follows the report: True without
  // one, else the report's preview option.
  void InitFromFilter(TrepPDFExport& Filter);
  // The controls into the filter. An unknown standard or version text raises the helpers'
  // message; a quality that is no number raises rt::EConvertError.
  void ApplyToFilter(TrepPDFExport& Filter) const;
  // A standard imposes its version and disables the version box (enabled only for "None");
  // PDF/A hides the security groups and checks and disables embedded fonts; PDF/A-1 also
  // unchecks and disables transparency.
  void PDFStandardComboBoxChange();

  // The resource text of a control's caption ("Compressed" for "CompressedCB"); empty for a
  // control without one.
  static std::string Caption(const std::string& Control);
};
