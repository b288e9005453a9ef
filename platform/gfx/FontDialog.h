#pragma once
// The font dialog: the runtime's common dialog whose value is a font of the drawing code.
#include "platform/gfx/Font.h"
#include "platform/rt/Dialogs.h"

namespace gfx {

enum TFontDialogOption { fdAnsiOnly, fdTrueTypeOnly, fdEffects, fdFixedPitchOnly, fdForceFontExist, fdNoFaceSel,
                         fdNoOEMFonts, fdNoSimulations, fdNoSizeSel, fdNoStyleSel, fdNoVectorFonts, fdShowHelp,
                         fdWysiwyg, fdLimitSize, fdScalableOnly, fdApplyButton };
enum TFontDialogDevice { fdScreen, fdPrinter, fdBoth };

class TFontDialog : public rt::TCommonDialog {
public:
  RT_CLASS_INFO(TFontDialog)
  using rt::TCommonDialog::TCommonDialog;
  // Family names one window lists at most.
  static constexpr int MaxFamilies = 300;
  // Sizes in points the window accepts without MinFontSize/MaxFontSize.
  static constexpr int MinSize = 1, MaxSize = 1638;
  // Family (from the installed ones), size, bold, italic and, with fdEffects, underline and
  // strike-out; true on OK with a size in range.
  bool Execute() override;
  TFont Font;
  TFontDialogDevice Device = fdScreen;
  int MinFontSize = 0, MaxFontSize = 0;
  unsigned Options = 1u << fdEffects;
};

} // namespace gfx
