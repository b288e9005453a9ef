#include "platform/gfx/FontDialog.h"

#include <algorithm>

#include "platform/gfx/FontData.h"
#include "platform/rt/SysUtils.h"

namespace gfx {

using rt::TDialogItemKind;

bool TFontDialog::Execute() {
  rt::TDialogWindow W;
  W.Name = "FontDialog";
  W.Caption = "Font";
  W.Width = 320;
  W.Height = 190;
  rt::TDialogItem& Names = W.Add(TDialogItemKind::ComboBox, "FontName", 8, 8, 220, 21);
  for (const std::string& N : FontFamilyNames()) {
    if (static_cast<int>(Names.Items.size()) == MaxFamilies) break;
    Names.Items.push_back(N);
  }
  if (std::find(Names.Items.begin(), Names.Items.end(), Font.Name()) == Names.Items.end())
    Names.Items.insert(Names.Items.begin(), Font.Name());
  Names.ItemIndex = static_cast<int>(std::find(Names.Items.begin(), Names.Items.end(), Font.Name()) - Names.Items.begin());
  W.Add(TDialogItemKind::Edit, "FontSize", 236, 8, 76, 21).Text = std::to_string(Font.Size());
  auto Check = [&](const char* Name, const char* Caption, int Left, int Top, TFontStyle S) {
    rt::TDialogItem& C = W.Add(TDialogItemKind::CheckBox, Name, Left, Top, 140, 21);
    C.Caption = Caption;
    C.Checked = HasStyle(Font.Style(), S);
  };
  Check("Bold", "Bold", 8, 44, fsBold);
  Check("Italic", "Italic", 160, 44, fsItalic);
  if (Options & (1u << fdEffects)) {
    Check("Underline", "Underline", 8, 72, fsUnderline);
    Check("StrikeOut", "Strikeout", 160, 72, fsStrikeOut);
  }
  rt::AddOkCancel(W, 150);
  const bool Limit = (Options & (1u << fdLimitSize)) && MaxFontSize > 0;
  const int Lo = Limit ? std::max(MinSize, MinFontSize) : MinSize, Hi = Limit ? std::min(MaxSize, MaxFontSize) : MaxSize;
  for (int Attempt = 0; Attempt <= rt::TOpenDialog::MaxRetries; ++Attempt) {
    if (Show(W) != rt::mrOk) return false;
    int Size = 0;
    if (rt::TryStrToInt(rt::Trim(W.Find("FontSize")->Text), Size) && Size >= Lo && Size <= Hi) {
      const rt::TDialogItem& N = *W.Find("FontName");
      if (N.ItemIndex >= 0 && N.ItemIndex < static_cast<int>(N.Items.size())) Font.SetName(N.Items[N.ItemIndex]);
      Font.SetSize(Size);
      TFontStyles S = 0;
      for (auto [Name, Style] : {std::pair{"Bold", fsBold}, {"Italic", fsItalic}, {"Underline", fsUnderline}, {"StrikeOut", fsStrikeOut}})
        if (const rt::TDialogItem* C = W.Find(Name); C ? C->Checked : HasStyle(Font.Style(), Style)) S |= 1u << Style;
      Font.SetStyle(S);
      return true;
    }
    rt::MessageDlg("The size must be a whole number from " + std::to_string(Lo) + " to " + std::to_string(Hi) + ".",
                   rt::mtError, 1u << rt::mbOK);
  }
  return false;
}

rt::TClass TFontDialog::ClassInfo() {
  static const rt::TClassInfo Info(
      "TFontDialog", rt::TCommonDialog::ClassInfo(), [] { return new TFontDialog(nullptr); },
      {rt::TPropInfo("Font", rt::tkClass, "TFont", [](rt::TObject* O) { return rt::VarFromObject(&static_cast<TFontDialog*>(O)->Font); },
                     [](rt::TObject* O, const rt::Variant& V) {
                       if (auto* F = dynamic_cast<TFont*>(rt::VarToObject(V))) static_cast<TFontDialog*>(O)->Font.Assign(*F);
                     }),
       rt::TPropInfo("Device", rt::tkEnumeration, "TFontDialogDevice",
                     [](rt::TObject* O) { return rt::Variant(static_cast<int>(static_cast<TFontDialog*>(O)->Device)); },
                     [](rt::TObject* O, const rt::Variant& V) {
                       static_cast<TFontDialog*>(O)->Device = static_cast<TFontDialogDevice>(std::clamp(V.ToInteger(), 0, 2));
                     })
           .WithEnumNames({"fdScreen", "fdPrinter", "fdBoth"}),
       rt::TPropInfo::Field<TFontDialog>("MinFontSize", rt::tkInteger, "", &TFontDialog::MinFontSize),
       rt::TPropInfo::Field<TFontDialog>("MaxFontSize", rt::tkInteger, "", &TFontDialog::MaxFontSize),
       rt::TPropInfo("Options", rt::tkSet, "TFontDialogOptions",
                     [](rt::TObject* O) { return rt::Variant(static_cast<long long>(static_cast<TFontDialog*>(O)->Options)); },
                     [](rt::TObject* O, const rt::Variant& V) { static_cast<TFontDialog*>(O)->Options = static_cast<unsigned>(V.ToInt64()); })});
  return &Info;
}

} // namespace gfx
