#include "report/pdf/repExportPDFDialog.h"

#include <utility>

#include "platform/rt/SysUtils.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repRes.h"
#include "report/pdf/repExportPDFHelpers.h"

void TrepComboBoxState::Select(const std::string& Value) {
  for (std::size_t I = 0; I < Items.size(); ++I)
    if (Items[I] == Value) {
      ItemIndex = static_cast<int>(I);
      return;
    }
}

void TrepPDFExportDialog::Localise() {
  PDFStandardComboBox.Items.clear();
  for (TPDFStandard S : {psNone, psPDFA_1a, psPDFA_1b, psPDFA_2a, psPDFA_2b, psPDFA_3a, psPDFA_3b})
    PDFStandardComboBox.Items.push_back(PDFStandardText(S));
  PDFVersionComboBox.Items.clear();
  for (TPDFVersion V : {pv14, pv15, pv16, pv17}) PDFVersionComboBox.Items.push_back(PDFVersionText(V));
}

void TrepPDFExportDialog::PDFStandardComboBoxChange() {
  const TPDFStandard S = PDFStandardFromText(PDFStandardComboBox.Text());
  TPDFVersion V;
  if (PDFStandardVersion(S, V)) PDFVersionComboBox.Select(PDFVersionText(V));
  PDFVersionComboBox.Enabled = S == psNone;
  const bool PDFA = StandardIsPDFA(S);
  SecGBVisible = PermGBVisible = !PDFA;
  if (PDFA) EmbeddedCB.Checked = true;
  EmbeddedCB.Enabled = !PDFA;
  if (StandardIsPDFA1(S)) TransparentCB.Checked = false;
  TransparentCB.Enabled = !StandardIsPDFA1(S);
}

void TrepPDFExportDialog::InitFromFilter(TrepPDFExport& F) {
  F.Outline = F.Report == nullptr || F.Report->PreviewOptions.OutlineVisible;
  PDFStandardComboBox.Select(PDFStandardText(F.PDFStandard()));
  PDFStandardComboBoxChange();
  if (!StandardIsPDFA(F.PDFStandard())) PDFVersionComboBox.Select(PDFVersionText(F.PDFVersion()));
  CompressedCB.Checked = F.Compressed;
  EmbeddedCB.Checked = F.EmbeddedFonts();
  PrintOptCB.Checked = F.PrintOptimized;
  OutlineCB.Checked = F.Outline;
  OutlineCB.Enabled = F.Outline;
  BackgrCB.Checked = F.Background;
  TransparentCB.Checked = F.Transparency();
  QualityEdit = std::to_string(F.Quality);
  OwnPassE = F.OwnerPassword;
  UserPassE = F.UserPassword;
  const TrepPDFEncBits P = F.ProtectionFlags();
  PrintCB.Checked = (P & ePrint) != 0;
  ModCB.Checked = (P & eModify) != 0;
  CopyCB.Checked = (P & eCopy) != 0;
  AnnotCB.Checked = (P & eAnnot) != 0;
  TitleE = F.Title;
  AuthorE = F.Author;
  SubjectE = F.Subject;
  KeywordsE = F.Keywords;
  CreatorE = F.Creator;
  ProducerE = F.Producer;
  HideToolbarCB.Checked = F.HideToolbar;
  HideMenubarCB.Checked = F.HideMenubar;
  HideWindowUICB.Checked = F.HideWindowUI;
  FitWindowCB.Checked = F.FitWindow;
  CenterWindowCB.Checked = F.CenterWindow;
  PrintScalingCB.Checked = F.PrintScaling;
}

void TrepPDFExportDialog::ApplyToFilter(TrepPDFExport& F) const {
  // Everything that can fail is read first, so a refused value leaves the filter unchanged.
  const TPDFStandard Standard = PDFStandardFromText(PDFStandardComboBox.Text());
  const TPDFVersion Version = PDFVersionFromText(PDFVersionComboBox.Text());
  const int Quality = rt::StrToInt(QualityEdit);
  F.OwnerPassword = OwnPassE;
  F.UserPassword = UserPassE;
  TrepPDFEncBits P = 0;
  if (PrintCB.Checked) P |= ePrint;
  if (ModCB.Checked) P |= eModify;
  if (CopyCB.Checked) P |= eCopy;
  if (AnnotCB.Checked) P |= eAnnot;
  F.SetProtectionFlags(P);
  F.SetPDFStandard(Standard);
  F.SetPDFVersion(Version);
  F.Compressed = CompressedCB.Checked;
  F.SetEmbeddedFonts(EmbeddedCB.Checked);
  F.PrintOptimized = PrintOptCB.Checked;
  F.Outline = OutlineCB.Checked;
  F.Background = BackgrCB.Checked;
  F.Quality = Quality;
  F.Title = TitleE;
  F.Author = AuthorE;
  F.Subject = SubjectE;
  F.Keywords = KeywordsE;
  F.Creator = CreatorE;
  F.Producer = ProducerE;
  F.HideToolbar = HideToolbarCB.Checked;
  F.HideMenubar = HideMenubarCB.Checked;
  F.HideWindowUI = HideWindowUICB.Checked;
  F.FitWindow = FitWindowCB.Checked;
  F.CenterWindow = CenterWindowCB.Checked;
  F.PrintScaling = PrintScalingCB.Checked;
  F.SetTransparency(TransparentCB.Checked);
}

std::string TrepPDFExportDialog::Caption(const std::string& Control) {
  static const std::pair<const char*, const char*> Table[] = {
      {"CompressedCB", "8712"}, {"EmbeddedCB", "8702"},    {"PrintOptCB", "8703"},       {"OutlineCB", "8704"},
      {"BackgrCB", "8705"},     {"TransparentCB", "8709"}, {"Label2", "8602"},           {"PDFStandardLabel", "8710"},
      {"PDFVersionLabel", "8711"}, {"InfoPage", "8972"},   {"DocInfoGB", "8971"},        {"TitleL", "8973"},
      {"AuthorL", "8974"},      {"SubjectL", "8975"},      {"KeywordsL", "8976"},        {"CreatorL", "8977"},
      {"ProducerL", "8978"},    {"SecurityPage", "8962"},  {"SecGB", "8979"},            {"OwnPassL", "8964"},
      {"UserPassL", "8965"},    {"PermGB", "8980"},        {"PrintCB", "8966"},          {"ModCB", "8967"},
      {"CopyCB", "8968"},       {"AnnotCB", "8969"},       {"ViewerPage", "8981"},       {"ViewerGB", "8982"},
      {"HideToolbarCB", "8983"}, {"HideMenubarCB", "8984"}, {"HideWindowUICB", "8985"}, {"FitWindowCB", "8986"},
      {"CenterWindowCB", "8987"}, {"PrintScalingCB", "8988"}};
  for (const auto& [Name, Key] : Table)
    if (Control == Name) return ResourceTable().Get(Key);
  return {};
}
