// The report viewer's panels: page settings (OK prepares again), print (a PDF of exactly the
// sheets the choices give, for the browser's own print), export with the base options and the PDF
// options reached through the filter's ShowModal (the export runs on the worker and waits there
// for the browser's answer), save through the registered transports, the engine's inherit
// question, and the viewer's preferences kept in a cookie of the browser.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>

#include "platform/rt/SysUtils.h"
#include "platform/web/Cache.h"
#include "platform/web/Html.h"
#include "report/engine/repClass.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repPreview.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repPrintPages.h"
#include "report/engine/repRes.h"
#include "report/pdf/repExportPDF.h"
#include "report/pdf/repExportPDFDialog.h"
#include "webapp/ViewerForm.h"

using namespace web;

namespace webapp {

namespace {

// The browser keeps the viewer's settings in this cookie: zoom mode, zoom, units, outline shown.
constexpr const char* PrefsCookie = "ViewerPreferences";
// Cookie values longer than this are not read.
constexpr std::size_t MaxPrefsCookieBytes = 200;
// The question the export asks the browser while it waits on the worker.
constexpr const char* ExportQuestion = "export-options";
// The question of a report that inherits from a template whose objects have its objects' names.
constexpr const char* InheritQuestion = "inherit";

// The viewer whose job runs on this thread: the engine's questions go to its browser.
thread_local TrepPreviewForm* GAskingViewer = nullptr;

TrepInheritAnswer AskInheritQuestion(const TrepInheritErrorTexts&) {
  // Outside a viewer's job nobody can be asked: clashing names are renamed, as without a host.
  if (GAskingViewer == nullptr) return iaRename;
  const std::optional<std::string> A = GAskingViewer->Worker().Ask(InheritQuestion);
  if (A && *A == "delete") return iaDelete;
  if (A && *A == "rename") return iaRename;
  return iaCancel;
}

TIWRegion* Panel(TrepPreviewForm& F, const char* Name, int W, int H) {
  auto* P = F.Add<TIWRegion>(Name);
  P->SetBounds(0, 60, W, H);
  P->Anchors = akTop;
  P->Color = clWhite;
  P->BorderWidth = 1;
  P->BorderColor = clGray;
  P->ZIndex = 5000;
  P->Visible = false;
  return P;
}

template <class T>
T* At(TrepPreviewForm& F, TIWContainer* P, const std::string& Name, int X, int Y, int W, int H) {
  T* C = F.Add<T>(Name, P);
  C->SetBounds(X, Y, W, H);
  return C;
}

TIWLabel* Label(TrepPreviewForm& F, TIWContainer* P, const std::string& Name, const std::string& Text, int X, int Y,
                int W = 160) {
  auto* L = At<TIWLabel>(F, P, Name, X, Y + 3, W, 18);
  L->Caption = Text;
  return L;
}

TIWCheckBox* Check(TrepPreviewForm& F, TIWContainer* P, const std::string& Name, const std::string& Text, int X, int Y,
                   int W = 200) {
  auto* C = At<TIWCheckBox>(F, P, Name, X, Y, W, 20);
  C->Caption = Text;
  return C;
}

TIWRadioButton* Radio(TrepPreviewForm& F, TIWContainer* P, const std::string& Name, const std::string& Group,
                      const std::string& Text, int X, int Y, int W = 140) {
  auto* R = At<TIWRadioButton>(F, P, Name, X, Y, W, 20);
  R->Caption = Text;
  R->Group = Group;
  return R;
}

TIWControl* Find(TrepPreviewForm& F, const std::string& Name) { return F.FindControl(Name); }
template <class T>
T* Get(TrepPreviewForm& F, const std::string& Name) {
  return dynamic_cast<T*>(F.FindControl(Name));
}

// The size list's text of a paper: the printer's name, else the common name of its number (the
// printer table carries no names).
std::string PaperText(const std::string& Name, int Number) {
  if (!Name.empty()) return Name;
  static const std::pair<int, const char*> Common[] = {{1, "Letter"}, {3, "Tabloid"}, {4, "Ledger"}, {5, "Legal"},
                                                       {7, "Executive"}, {8, "A3"}, {9, "A4"}, {11, "A5"},
                                                       {12, "B4"}, {13, "B5"}, {20, "Envelope #10"}, {27, "Envelope DL"}};
  for (const auto& [N, Text] : Common)
    if (N == Number) return Text;
  return "Paper " + std::to_string(Number);
}

// The sheets a print may go on: the printer's papers without the size of the user's own, in the
// order the sheet list shows them after its "Default".
std::vector<std::pair<std::string, int>> PrintSheetPapers() {
  std::vector<std::pair<std::string, int>> R;
  for (const auto& Paper : TrepPageSettings::PaperNames())
    if (Paper.second != repPaperCustom) R.push_back(Paper);
  return R;
}

// The sheet aimed at when a mode that needs one is chosen and the list shows "Default".
constexpr int PreferredSheet = 9;  // A4

// The transports a prepared report is saved through, beside the plain prepared-report file: those
// registered for the preview's file types (ViewerInitialization registers the compressed one).
std::vector<TrepCustomIOTransport*> SaveTransports() {
  rt::TStringList Listed;
  FillIOTransportList(Listed, fvPreviewFileFilter);
  std::vector<TrepCustomIOTransport*> R;
  for (int I = 0; I < Listed.Count(); ++I) R.push_back(static_cast<TrepCustomIOTransport*>(Listed.Objects(I)));
  return R;
}

// The description part of a "description|mask" filter text.
std::string FilterDescription(const std::string& Filter) { return Filter.substr(0, Filter.find('|')); }

// A page-number text: digits, ',', '-' and blanks only.
bool PageNumbersText(const std::string& S) {
  return std::all_of(S.begin(), S.end(), [](char C) { return (C >= '0' && C <= '9') || C == ',' || C == '-' || C == ' '; });
}

bool ReadNumber(const std::string& Text, double& V) {
  return rt::TryStrToFloat(rt::Trim(Text), V) && std::isfinite(V);
}

}  // namespace

void ViewerInitialization() {
  static std::once_flag Done;
  std::call_once(Done, [] {
    // Compressed report files read and written (inflating has its own cap), and the compressed
    // prepared report offered beside the plain one.
    DefaultCompressorClass = [] { return std::make_unique<TrepZLibCompressor>(nullptr); };
    static struct TRegistered {
      TrepSaveToCompressedFilter Transport{nullptr, true};
      TRegistered() { IOTransports().Register(&Transport); }
      ~TRegistered() { IOTransports().Unregister(&Transport); }
    } Compressed;
    // The engine's inherit question goes to the browser of the viewer whose job asks it.
    SetInheritErrorHandler(AskInheritQuestion);
  });
}

// ---- creation ----

void TrepPreviewForm::CreatePanels() {
  // Page settings.
  {
    TIWRegion* P = Panel(*this, "PageSettingsPanel", 420, 300);
    Label(*this, P, "PageSettingsCaption", ResourceString(400), 10, 6, 300)->Font.Bold = true;
    Label(*this, P, "SizeL", ResourceString(403), 10, 32, 80);
    auto* SizeCB = At<TIWComboBox>(*this, P, "SizeCB", 90, 32, 310, 22);
    for (const auto& [Name, Number] : TrepPageSettings::PaperNames()) SizeCB->Items.push_back(PaperText(Name, Number));
    SizeCB->OnChange = [this](TIWControl*) {
      // A listed paper takes the printer table's sides.
      auto* CB = Get<TIWComboBox>(*this, "SizeCB");
      const auto Papers = TrepPageSettings::PaperNames();
      if (CB->ItemIndex < 0 || CB->ItemIndex >= static_cast<int>(Papers.size()) || FPreview->PageCount() == 0) return;
      TrepReportPage* Page = FReport->PreviewPages()->GetPage(FPreview->PageNo() - 1);
      if (Page == nullptr) return;
      TrepPageSettings S(Page);
      S.OrientationChosen(Get<TIWRadioButton>(*this, "LandscapeRB")->Checked() ? poLandscape : poPortrait);
      S.PaperChosen(Papers[static_cast<std::size_t>(CB->ItemIndex)].second);
      Get<TIWEdit>(*this, "WidthE")->Text = S.Shown(S.PaperWidth);
      Get<TIWEdit>(*this, "HeightE")->Text = S.Shown(S.PaperHeight);
    };
    Label(*this, P, "WidthL", ResourceString(401), 10, 62, 80);
    At<TIWEdit>(*this, P, "WidthE", 90, 62, 70, 22);
    Label(*this, P, "UnitL1", "", 164, 62, 40);
    Label(*this, P, "HeightL", ResourceString(402), 210, 62, 70);
    At<TIWEdit>(*this, P, "HeightE", 280, 62, 70, 22);
    Label(*this, P, "UnitL2", "", 354, 62, 40);
    Label(*this, P, "OrientationL", ResourceString(404), 10, 94, 100);
    Radio(*this, P, "PortraitRB", "Orientation", ResourceString(410), 110, 94);
    Radio(*this, P, "LandscapeRB", "Orientation", ResourceString(411), 250, 94);
    Label(*this, P, "MarginsL", ResourceString(409), 10, 124, 100);
    const char* MarginNames[] = {"MarginLeftE", "MarginTopE", "MarginRightE", "MarginBottomE"};
    const int MarginTexts[] = {405, 406, 407, 408};
    for (int I = 0; I < 4; ++I) {
      const int X = 10 + (I % 2) * 200, Y = 150 + (I / 2) * 28;
      Label(*this, P, std::string(MarginNames[I]).substr(6, std::string(MarginNames[I]).size() - 7) + "L",
            ResourceString(MarginTexts[I]), X, Y, 70);
      At<TIWEdit>(*this, P, MarginNames[I], X + 80, Y, 70, 22);
    }
    Label(*this, P, "OtherL", ResourceString(412), 10, 212, 100);
    Radio(*this, P, "ApplyToCurRB", "Apply", ResourceString(413), 110, 212, 150);
    Radio(*this, P, "ApplyToAllRB", "Apply", ResourceString(414), 260, 212, 150);
    auto* OK = At<TIWButton>(*this, P, "PageSettingsOKB", 220, 262, 90, 26);
    OK->Caption = ResourceString(1);
    OK->OnClick = [this](TIWControl*) { PageSettingsOK(); };
    auto* Cancel = At<TIWButton>(*this, P, "PageSettingsCancelB", 316, 262, 90, 26);
    Cancel->Caption = ResourceString(2);
    Cancel->OnClick = [this](TIWControl*) { Find(*this, "PageSettingsPanel")->Visible = false; };
  }
  // Print.
  {
    TIWRegion* P = Panel(*this, "PrintPanel", 440, 330);
    Label(*this, P, "PrintCaption", ResourceString(200), 10, 6, 300)->Font.Bold = true;
    Label(*this, P, "Label1", ResourceString(202), 10, 32, 100);
    Radio(*this, P, "AllRB", "PrintRange", ResourceString(3), 20, 54);
    Radio(*this, P, "CurPageRB", "PrintRange", ResourceString(4), 20, 76);
    Radio(*this, P, "PageNumbersRB", "PrintRange", ResourceString(5), 20, 98, 80);
    At<TIWEdit>(*this, P, "PageNumbersE", 100, 98, 120, 22);
    auto* Descr = Label(*this, P, "DescrL", ResourceString(9), 230, 54, 200);
    Descr->WordWrap = true;
    Descr->Height = 64;
    Label(*this, P, "CopiesL", ResourceString(203), 10, 134, 130);
    At<TIWEdit>(*this, P, "CopiesE", 140, 134, 50, 22);
    Check(*this, P, "CollateCB", ResourceString(204), 210, 134, 120);
    Label(*this, P, "PrintL", ResourceString(206), 10, 166, 100);
    auto* PP = At<TIWComboBox>(*this, P, "PrintPagesCB", 140, 166, 150, 22);
    PP->Items = {ResourceTable().Get("ppAll"), ResourceTable().Get("ppOdd"), ResourceTable().Get("ppEven")};
    Label(*this, P, "OrderL", ResourceString(211), 10, 196, 100);
    auto* Order = At<TIWComboBox>(*this, P, "OrderCB", 140, 196, 150, 22);
    Order->Items = {ResourceTable().Get("poDirect"), ResourceTable().Get("poReverse")};
    Label(*this, P, "ScaleL", ResourceString(213), 10, 226, 100);
    auto* Mode = At<TIWComboBox>(*this, P, "PrintModeCB", 140, 226, 150, 22);
    Mode->Items = {ResourceTable().Get("pmDefault"), ResourceTable().Get("pmSplit"), ResourceTable().Get("pmJoin"),
                   ResourceTable().Get("pmScale")};
    Mode->OnChange = [this](TIWControl*) { PrintModeChanged(); };
    Label(*this, P, "PagSizeL", ResourceString(214), 10, 256, 130);
    auto* Sheet = At<TIWComboBox>(*this, P, "PagPageSizeCB", 140, 256, 150, 22);
    Sheet->Items = {ResourceTable().Get("pgDefault")};
    for (const auto& [Name, Number] : TrepPageSettings::PaperNames())
      if (Number != repPaperCustom) Sheet->Items.push_back(PaperText(Name, Number));
    auto* OK = At<TIWButton>(*this, P, "PrintOKB", 240, 290, 90, 26);
    OK->Caption = ResourceString(1);
    OK->OnClick = [this](TIWControl*) { PrintOK(); };
    auto* Cancel = At<TIWButton>(*this, P, "PrintCancelB", 336, 290, 90, 26);
    Cancel->Caption = ResourceString(2);
    Cancel->OnClick = [this](TIWControl*) { Find(*this, "PrintPanel")->Visible = false; };
  }
  // Export: the base options and the PDF options on four pages.
  {
    TIWRegion* P = Panel(*this, "ExportPanel", 520, 400);
    Label(*this, P, "ExportCaption", ResourceTable().Get("8700"), 10, 6, 300)->Font.Bold = true;
    const char* Pages[] = {"ExportPage", "InfoPage", "SecurityPage", "ViewerPage"};
    const std::string PageTexts[] = {ResourceString(107), ResourceTable().Get("8972"), ResourceTable().Get("8962"),
                                     ResourceTable().Get("8981")};
    for (int I = 0; I < 4; ++I) {
      auto* B = At<TIWButton>(*this, P, std::string(Pages[I]) + "B", 10 + I * 110, 30, 106, 24);
      B->Caption = PageTexts[I];
      B->OnClick = [this, I, Pages](TIWControl*) {
        for (int K = 0; K < 4; ++K) Find(*this, Pages[K])->Visible = K == I;
      };
      auto* Page = At<TIWRegion>(*this, P, Pages[I], 10, 60, 500, 290);
      Page->Visible = I == 0;
    }
    TIWContainer* E = Get<TIWRegion>(*this, "ExportPage");
    Label(*this, E, "GroupPageRange", ResourceString(7), 0, 0, 200)->Font.Bold = true;
    Radio(*this, E, "ExportAllRB", "ExportRange", ResourceString(3), 10, 22);
    Radio(*this, E, "ExportCurPageRB", "ExportRange", ResourceString(4), 10, 44);
    Radio(*this, E, "ExportPageNumbersRB", "ExportRange", ResourceString(5), 10, 66, 80);
    auto* PN = At<TIWEdit>(*this, E, "ExportPageNumbersE", 90, 66, 120, 22);
    // Only digits, ',' and '-' go in; typing checks "Pages:".
    PN->OnAsyncKeyDown = [this](TIWControl*, const TIWEventParams&) {
      auto* PE = Get<TIWEdit>(*this, "ExportPageNumbersE");
      std::string Kept;
      for (char C : PE->Text)
        if ((C >= '0' && C <= '9') || C == ',' || C == '-') Kept += C;
      PE->Text = Kept;
      Get<TIWRadioButton>(*this, "ExportPageNumbersRB")->SetChecked(true);
    };
    Check(*this, E, "OpenCB", ResourceTable().Get("8706"), 260, 22);
    Label(*this, E, "GroupQuality", ResourceTable().Get("8"), 0, 100, 200)->Font.Bold = true;
    const char* Checks[] = {"CompressedCB", "EmbeddedCB", "PrintOptCB", "OutlineCB", "BackgrCB", "TransparentCB"};
    for (int I = 0; I < 6; ++I)
      Check(*this, E, Checks[I], TrepPDFExportDialog::Caption(Checks[I]), 10 + (I % 2) * 230, 124 + (I / 2) * 24);
    Label(*this, E, "Label2", TrepPDFExportDialog::Caption("Label2"), 10, 200, 120);
    At<TIWEdit>(*this, E, "QualityEdit", 140, 200, 50, 22);
    Label(*this, E, "PDFStandardLabel", TrepPDFExportDialog::Caption("PDFStandardLabel"), 10, 230, 120);
    auto* Std = At<TIWComboBox>(*this, E, "PDFStandardComboBox", 140, 230, 120, 22);
    Std->OnChange = [this](TIWControl*) {
      // The standard's constraints shown at once.
      TrepPDFExportDialog D;
      ReadExportPanel(D);
      D.PDFStandardComboBoxChange();
      WriteExportPanel(D);
    };
    Label(*this, E, "PDFVersionLabel", TrepPDFExportDialog::Caption("PDFVersionLabel"), 270, 230, 100);
    At<TIWComboBox>(*this, E, "PDFVersionComboBox", 370, 230, 80, 22);

    TIWContainer* Info = Get<TIWRegion>(*this, "InfoPage");
    const char* InfoEdits[] = {"TitleE", "AuthorE", "SubjectE", "KeywordsE", "CreatorE", "ProducerE"};
    for (int I = 0; I < 6; ++I) {
      Label(*this, Info, std::string(InfoEdits[I]) + "L", ResourceTable().Get(std::to_string(8973 + I)), 10, 6 + I * 30, 100);
      At<TIWEdit>(*this, Info, InfoEdits[I], 120, 6 + I * 30, 300, 22);
    }
    TIWContainer* Sec = Get<TIWRegion>(*this, "SecurityPage");
    auto* SecGB = At<TIWRegion>(*this, Sec, "SecGB", 0, 0, 480, 90);
    Label(*this, SecGB, "SecGBL", ResourceTable().Get("8979"), 0, 0, 200)->Font.Bold = true;
    Label(*this, SecGB, "OwnPassL", ResourceTable().Get("8964"), 10, 26, 130);
    At<TIWEdit>(*this, SecGB, "OwnPassE", 150, 26, 200, 22)->PasswordPrompt = true;
    Label(*this, SecGB, "UserPassL", ResourceTable().Get("8965"), 10, 56, 130);
    At<TIWEdit>(*this, SecGB, "UserPassE", 150, 56, 200, 22)->PasswordPrompt = true;
    auto* PermGB = At<TIWRegion>(*this, Sec, "PermGB", 0, 100, 480, 130);
    Label(*this, PermGB, "PermGBL", ResourceTable().Get("8980"), 0, 0, 200)->Font.Bold = true;
    const char* Perms[] = {"PrintCB", "ModCB", "CopyCB", "AnnotCB"};
    for (int I = 0; I < 4; ++I) Check(*this, PermGB, Perms[I], ResourceTable().Get(std::to_string(8966 + I)), 10, 24 + I * 24, 300);
    TIWContainer* View = Get<TIWRegion>(*this, "ViewerPage");
    const char* Viewer[] = {"HideToolbarCB", "HideMenubarCB", "HideWindowUICB", "FitWindowCB", "CenterWindowCB", "PrintScalingCB"};
    for (int I = 0; I < 6; ++I) Check(*this, View, Viewer[I], ResourceTable().Get(std::to_string(8983 + I)), 10, 6 + I * 24, 300);

    auto* OK = At<TIWButton>(*this, P, "ExportOKB", 320, 362, 90, 26);
    OK->Caption = ResourceString(1);
    OK->OnClick = [this](TIWControl*) { ExportAnswer(true); };
    auto* Cancel = At<TIWButton>(*this, P, "ExportCancelB", 416, 362, 90, 26);
    Cancel->Caption = ResourceString(2);
    Cancel->OnClick = [this](TIWControl*) { ExportAnswer(false); };
  }
  // Preferences.
  {
    TIWRegion* P = Panel(*this, "PrefsPanel", 360, 200);
    Label(*this, P, "PrefsCaption", "Viewer settings", 10, 6, 300)->Font.Bold = true;
    Label(*this, P, "UnitsL", "Units", 10, 34, 100);
    auto* Units = At<TIWComboBox>(*this, P, "UnitsCB", 120, 34, 150, 22);
    Units->Items = {ResourceTable().Get("uCm"), ResourceTable().Get("uInch")};
    Units->ItemIndex = 0;
    Check(*this, P, "PrefOutlineCB", "Show the outline when a report opens", 10, 66, 320);
    Check(*this, P, "PrefZoomCB", "Keep the zoom for the next report", 10, 90, 320);
    auto* OK = At<TIWButton>(*this, P, "PrefsOKB", 160, 160, 90, 26);
    OK->Caption = ResourceString(1);
    OK->OnClick = [this](TIWControl*) { SavePreferences(); };
    auto* Cancel = At<TIWButton>(*this, P, "PrefsCancelB", 256, 160, 90, 26);
    Cancel->Caption = ResourceString(2);
    Cancel->OnClick = [this](TIWControl*) { Find(*this, "PrefsPanel")->Visible = false; };
  }
  // Save: the prepared-report file plain or through a registered transport, downloaded.
  {
    TIWRegion* P = Panel(*this, "SavePanel", 400, 130);
    Label(*this, P, "SaveCaption", ResourceString(105), 10, 6, 300)->Font.Bold = true;
    Label(*this, P, "SaveTypeL", "Save as", 10, 40, 80);
    auto* Types = At<TIWComboBox>(*this, P, "SaveTypeCB", 90, 40, 290, 22);
    Types->Items = {ResourceTable().Get("clRP3files")};
    for (TrepCustomIOTransport* T : SaveTransports())
      Types->Items.push_back(FilterDescription(T->CreateFilterClone(fvPreview)->GetFilterString()));
    Types->ItemIndex = 0;
    auto* OK = At<TIWButton>(*this, P, "SaveOKB", 200, 92, 90, 26);
    OK->Caption = ResourceString(1);
    OK->OnClick = [this](TIWControl*) { SaveOK(); };
    auto* Cancel = At<TIWButton>(*this, P, "SaveCancelB", 296, 92, 90, 26);
    Cancel->Caption = ResourceString(2);
    Cancel->OnClick = [this](TIWControl*) { Find(*this, "SavePanel")->Visible = false; };
  }
  // The inherit question.
  {
    TIWRegion* P = Panel(*this, "InheritPanel", 420, 170);
    P->ZIndex = 5001;
    Label(*this, P, "InheritCaption", "", 10, 6, 300)->Font.Bold = true;
    auto* M = Label(*this, P, "MessageL", "", 10, 32, 400);
    M->WordWrap = true;
    M->Height = 36;
    Radio(*this, P, "DeleteRB", "Inherit", "", 20, 72, 300);
    Radio(*this, P, "RenameRB", "Inherit", "", 20, 96, 300);
    auto* OK = At<TIWButton>(*this, P, "InheritOkB", 220, 132, 90, 26);
    OK->Caption = ResourceString(1);
    OK->OnClick = [this](TIWControl*) { InheritAnswer(true); };
    auto* Cancel = At<TIWButton>(*this, P, "InheritCancelB", 316, 132, 90, 26);
    Cancel->Caption = ResourceString(2);
    Cancel->OnClick = [this](TIWControl*) { InheritAnswer(false); };
  }
  LoadPreferences();
}

void TrepPreviewForm::ShowPanel(const std::string& Name) {
  if (Preparing() || !FReport) return;
  for (const char* P : {"PageSettingsPanel", "PrintPanel", "ExportPanel", "PrefsPanel", "SavePanel"})
    Find(*this, P)->Visible = false;
  if (Name == "PrefsPanel") {
    Find(*this, Name)->Visible = true;
    UpdateView();
    return;
  }
  if (FPreview->PageCount() == 0) return;
  if (Name == "PageSettingsPanel") {
    TrepReportPage* Page = FReport->PreviewPages()->GetPage(FPreview->PageNo() - 1);
    if (Page == nullptr) return;
    TrepPageSettings S(Page, FUnits);
    auto* SizeCB = Get<TIWComboBox>(*this, "SizeCB");
    const auto Papers = TrepPageSettings::PaperNames();
    SizeCB->ItemIndex = -1;
    for (std::size_t I = 0; I < Papers.size(); ++I)
      if (Papers[I].second == S.PaperSize) SizeCB->ItemIndex = static_cast<int>(I);
    Get<TIWEdit>(*this, "WidthE")->Text = S.Shown(S.PaperWidth);
    Get<TIWEdit>(*this, "HeightE")->Text = S.Shown(S.PaperHeight);
    Get<TIWEdit>(*this, "MarginLeftE")->Text = S.Shown(S.LeftMargin);
    Get<TIWEdit>(*this, "MarginTopE")->Text = S.Shown(S.TopMargin);
    Get<TIWEdit>(*this, "MarginRightE")->Text = S.Shown(S.RightMargin);
    Get<TIWEdit>(*this, "MarginBottomE")->Text = S.Shown(S.BottomMargin);
    for (const char* U : {"UnitL1", "UnitL2"}) Get<TIWLabel>(*this, U)->Caption = S.UnitLabel();
    Get<TIWRadioButton>(*this, S.Orientation == poLandscape ? "LandscapeRB" : "PortraitRB")->SetChecked(true);
    Get<TIWRadioButton>(*this, "ApplyToCurRB")->SetChecked(true);
  } else if (Name == "PrintPanel") {
    const TrepPrintOptions& O = FReport->PrintOptions;
    Get<TIWRadioButton>(*this, O.PageNumbers.empty() ? "AllRB" : "PageNumbersRB")->SetChecked(true);
    Get<TIWEdit>(*this, "PageNumbersE")->Text = O.PageNumbers;
    Get<TIWEdit>(*this, "CopiesE")->Text = std::to_string(std::max(1, O.Copies));
    Get<TIWCheckBox>(*this, "CollateCB")->Checked = O.Collate;
    Get<TIWComboBox>(*this, "PrintPagesCB")->ItemIndex = O.PrintPages;
    Get<TIWComboBox>(*this, "OrderCB")->ItemIndex = O.Reverse ? 1 : 0;
    Get<TIWComboBox>(*this, "PrintModeCB")->ItemIndex = std::clamp(static_cast<int>(O.PrintMode), 0, 3);
    const std::vector<std::pair<std::string, int>> Sheets = PrintSheetPapers();
    auto* SheetCB = Get<TIWComboBox>(*this, "PagPageSizeCB");
    SheetCB->ItemIndex = 0;
    for (std::size_t I = 0; I < Sheets.size(); ++I)
      if (O.PrintMode != pmDefault && Sheets[I].second == O.PrintOnSheet) SheetCB->ItemIndex = static_cast<int>(I) + 1;
    PrintModeChanged();
  } else if (Name == "ExportPanel") {
    StartExport();
    return;
  }
  Find(*this, Name)->Visible = true;
  UpdateView();
}

void TrepPreviewForm::UpdatePanels() {
  // A report inheriting from a template asks what to do with names both have; the job waits.
  if (FWorker.Question() == InheritQuestion && !Find(*this, "InheritPanel")->Visible) {
    const TrepInheritErrorTexts T = InheritErrorTexts();
    Get<TIWLabel>(*this, "InheritCaption")->Caption = T.Caption;
    Get<TIWLabel>(*this, "MessageL")->Caption = T.Message;
    Get<TIWRadioButton>(*this, "DeleteRB")->Caption = T.DeleteText;
    Get<TIWRadioButton>(*this, "RenameRB")->Caption = T.RenameText;
    Get<TIWRadioButton>(*this, "DeleteRB")->SetChecked(true);
    Find(*this, "InheritPanel")->Visible = true;
  }
  // The export waiting on the worker shows its options window.
  if (FWorker.Question() == ExportQuestion && !Find(*this, "ExportPanel")->Visible) {
    TrepPDFExportDialog D;
    FWorker.RunAtSafePoint(
        [&] {
          D.Localise();
          D.InitFromFilter(*FExport);
        },
        std::chrono::milliseconds(SafePointWaitMs));
    WriteExportPanel(D);
    Get<TIWRadioButton>(*this, FExport->PageNumbers.empty() ? "ExportAllRB" : "ExportPageNumbersRB")->SetChecked(true);
    Get<TIWEdit>(*this, "ExportPageNumbersE")->Text = FExport->PageNumbers;
    Get<TIWCheckBox>(*this, "OpenCB")->Checked = FExport->OpenAfterExport;
    Find(*this, "ExportPanel")->Visible = true;
  }
}

// ---- save ----

std::string TrepPreviewForm::SavedBytes(int Type) {
  if (!FReport) return {};
  const std::vector<TrepCustomIOTransport*> Transports = SaveTransports();
  if (Type <= 0 || Type > static_cast<int>(Transports.size())) return SavedBytes();
  // The transport writes into the server's temporary folder, under a name of ours; the user
  // gets the bytes, never a place on the server.
  std::unique_ptr<TrepCustomIOTransport> T = Transports[static_cast<std::size_t>(Type - 1)]->CreateFilterClone(fvPreview);
  const std::string File = TIWAppCache::NewTempFileName();
  const bool Compressed = FReport->ReportOptions.Compressed;
  T->FilterAccess = faWrite;
  T->Report = FReport.get();
  T->BasePath = File.substr(0, File.find_last_of('/') + 1);
  T->FileName = File;
  struct TCleanUp {
    TrepReport& R;
    TrepCustomIOTransport& T;
    const std::string& File;
    bool Compressed;
    ~TCleanUp() {
      T.CloseFilter();
      if (T.OriginalCopy != nullptr) T.OriginalCopy->AssignSharedProperties(T);
      R.ReportOptions.Compressed = Compressed;
      std::remove(File.c_str());
    }
  } CleanUp{*FReport, *T, File, Compressed};
  if (!T->OpenFilter()) throw rt::Exception("the transport refused to write");
  rt::TStream* Out = T->GetStream(File);
  if (Out == nullptr) throw rt::Exception("the transport gave no file to write");
  FReport->PreviewPages()->SaveToStream(*Out);
  T->FreeStream(Out, File);
  std::ifstream In(File, std::ios::binary);
  std::ostringstream Bytes;
  Bytes << In.rdbuf();
  return Bytes.str();
}

void TrepPreviewForm::SaveOK() {
  Find(*this, "SavePanel")->Visible = false;
  if (Preparing() || !FReport || FPreview->PageCount() == 0) return;
  std::string Bytes;
  try {
    Bytes = SavedBytes(Get<TIWComboBox>(*this, "SaveTypeCB")->ItemIndex);
  } catch (const std::exception& e) {
    Application().ShowMessage(std::string("The prepared report could not be saved: ") + e.what());
    return;
  }
  std::string Name = FDocumentName.empty() ? "report" : FDocumentName;
  if (const auto Dot = Name.rfind('.'); Dot != std::string::npos && Dot > 0) Name.resize(Dot);
  Application().SendStream(Bytes, true, "application/octet-stream", Name + ".rp3");
}

// ---- jobs and the engine's questions ----

void TrepPreviewForm::StartJob(web::TIWWorker::TJob Job) {
  FWorker.Start([this, Job = std::move(Job)](TIWWorker& W) {
    struct TAsking {
      explicit TAsking(TrepPreviewForm* F) { GAskingViewer = F; }
      ~TAsking() { GAskingViewer = nullptr; }
    } Asking(this);
    Job(W);
  });
}

void TrepPreviewForm::InheritAnswer(bool OK) {
  Find(*this, "InheritPanel")->Visible = false;
  if (FWorker.Question() != InheritQuestion) return;
  FWorker.Answer(!OK ? "cancel" : Get<TIWRadioButton>(*this, "DeleteRB")->Checked() ? "delete" : "rename");
}

// ---- page settings ----

void TrepPreviewForm::PageSettingsOK() {
  if (Preparing() || !FReport || FPreview->PageCount() == 0) return;
  TrepReportPage* Page = FReport->PreviewPages()->GetPage(FPreview->PageNo() - 1);
  if (Page == nullptr) return;
  TrepPageSettings S(Page, FUnits);
  double W = 0, H = 0, L = 0, T = 0, R = 0, B = 0;
  struct TEntry {
    const char* Edit;
    double* Value;
  } Entries[] = {{"WidthE", &W}, {"HeightE", &H}, {"MarginLeftE", &L}, {"MarginTopE", &T}, {"MarginRightE", &R}, {"MarginBottomE", &B}};
  for (const TEntry& E : Entries) {
    if (!ReadNumber(Get<TIWEdit>(*this, E.Edit)->Text, *E.Value) || *E.Value < 0 ||
        (*E.Value > (std::string(E.Edit) == "WidthE" || std::string(E.Edit) == "HeightE" ? 10000 : 1000))) {
      Application().ShowMessage("'" + Get<TIWEdit>(*this, E.Edit)->Text + "' is not a valid size.");
      return;
    }
  }
  if (S.FromUnits(W) < 10 || S.FromUnits(H) < 10) {
    Application().ShowMessage("The paper must be at least 10 mm wide and high.");
    return;
  }
  const auto Papers = TrepPageSettings::PaperNames();
  const int Index = Get<TIWComboBox>(*this, "SizeCB")->ItemIndex;
  S.OrientationChosen(Get<TIWRadioButton>(*this, "LandscapeRB")->Checked() ? poLandscape : poPortrait);
  const int Paper = Index >= 0 && Index < static_cast<int>(Papers.size()) ? Papers[static_cast<std::size_t>(Index)].second : 256;
  const double WMM = S.FromUnits(W), HMM = S.FromUnits(H);
  if (Paper != 256 && std::abs(WMM - S.PaperWidth) < 0.5 && std::abs(HMM - S.PaperHeight) < 0.5) S.PaperChosen(Paper);
  else if (Paper != 256) {
    S.PaperChosen(Paper);
  } else {
    S.SizeEdited(WMM, HMM);
  }
  S.LeftMargin = S.FromUnits(L);
  S.TopMargin = S.FromUnits(T);
  S.RightMargin = S.FromUnits(R);
  S.BottomMargin = S.FromUnits(B);
  S.ApplyToAll = Get<TIWRadioButton>(*this, "ApplyToAllRB")->Checked();
  Find(*this, "PageSettingsPanel")->Visible = false;
  if (!S.NeedRebuild()) {
    S.Apply(Page);
    FPreview->ApplyPageSettings(Page, false);
    ForgetPictures();
    UpdateView();
    return;
  }
  // Every page of the report takes the settings and the report is prepared again, off the
  // request.
  for (TrepComponent* C : std::vector<TrepComponent*>(FReport->AllObjects()))
    if (auto* RP = dynamic_cast<TrepReportPage*>(C)) S.Apply(RP);
  StartPreparing("report");
  UpdateView();
}

// ---- print ----

void TrepPreviewForm::PrintOK() {
  if (Preparing() || !FReport || FPreview->PageCount() == 0) return;
  TrepPrintOptions O;
  O.Assign(FReport->PrintOptions);
  const std::string Numbers = rt::Trim(Get<TIWEdit>(*this, "PageNumbersE")->Text);
  if (Get<TIWRadioButton>(*this, "CurPageRB")->Checked()) {
    O.PageNumbers = std::to_string(FPreview->PageNo());
  } else if (Get<TIWRadioButton>(*this, "PageNumbersRB")->Checked()) {
    if (Numbers.empty() || !PageNumbersText(Numbers)) {
      Application().ShowMessage("'" + Numbers + "' is no page range. " + ResourceString(9));
      return;
    }
    O.PageNumbers = Numbers;
  } else {
    O.PageNumbers.clear();
  }
  const std::string CopiesText = rt::Trim(Get<TIWEdit>(*this, "CopiesE")->Text);
  int Copies = 1;
  if (!CopiesText.empty() &&
      (!rt::TryStrToInt(CopiesText, Copies) || Copies < 1 || Copies > TrepPrintDialog::MaxCopies)) {
    Application().ShowMessage("'" + CopiesText + "' is not a number of copies (1 to " +
                              std::to_string(TrepPrintDialog::MaxCopies) + ").");
    return;
  }
  O.Copies = Copies;
  O.Collate = Get<TIWCheckBox>(*this, "CollateCB")->Checked;
  O.PrintPages = static_cast<TrepPrintPages>(std::clamp(Get<TIWComboBox>(*this, "PrintPagesCB")->ItemIndex, 0, 2));
  O.Reverse = Get<TIWComboBox>(*this, "OrderCB")->ItemIndex == 1;
  O.PrintMode = static_cast<TrepPrintMode>(std::clamp(Get<TIWComboBox>(*this, "PrintModeCB")->ItemIndex, 0, 3));
  O.PrintOnSheet = 0;
  if (O.PrintMode != pmDefault) {
    const std::vector<std::pair<std::string, int>> Sheets = PrintSheetPapers();
    const int Sheet = Get<TIWComboBox>(*this, "PagPageSizeCB")->ItemIndex - 1;
    O.PrintOnSheet = Sheet >= 0 && Sheet < static_cast<int>(Sheets.size()) ? Sheets[static_cast<std::size_t>(Sheet)].second
                                                                           : PreferredSheet;
  }
  const std::vector<int> Order = repPrintSequence(FPreview->PageCount(), O);
  if (Order.empty()) {
    Application().ShowMessage("The page range names no page of this report.");
    return;
  }
  FReport->PrintOptions.Assign(O);
  FReport->PrintOptions.Copies = O.Copies;
  Find(*this, "PrintPanel")->Visible = false;
  // The document goes to a new window, where the browser prints it. A print has options of its
  // own: what the last export asked for (passwords, PDF/A) is no business of the printed copy.
  FPrint = std::make_unique<TrepPDFExport>();
  FPrint->Compressed = true;
  FPrint->SetEmbeddedFonts(false);
  FPrint->Producer = FExport->Producer;
  FPrint->ShowDialog = false;
  FPrint->PageOrder = Order;
  if (O.PrintMode != pmDefault) {
    // The sheets come from the print job's own placement of the pages, on the worker: the pages
    // it reads are the worker's while it runs.
    FPrintSheets = O;
  } else {
    FPrintSheets.reset();
  }
  FExportOpens = true;
  RunExport("Printing", *FPrint);
}

void TrepPreviewForm::PrintModeChanged() {
  auto* Sheet = Get<TIWComboBox>(*this, "PagPageSizeCB");
  const bool Default = Get<TIWComboBox>(*this, "PrintModeCB")->ItemIndex <= 0;
  Sheet->Enabled = !Default;
  if (Default) {
    Sheet->ItemIndex = 0;
    return;
  }
  if (Sheet->ItemIndex > 0) return;
  const std::vector<std::pair<std::string, int>> Sheets = PrintSheetPapers();
  for (std::size_t I = 0; I < Sheets.size(); ++I)
    if (Sheets[I].second == PreferredSheet) Sheet->ItemIndex = static_cast<int>(I) + 1;
}

// ---- export ----

void TrepPreviewForm::StartExport() {
  FPrintSheets.reset();
  FExport->PageOrder.clear();
  FExport->CurPage = false;
  FExport->ShowDialog = true;
  FExport->Report = FReport.get();
  // The filter's options window is the browser's panel: the export waits on the worker until
  // the browser answers.
  FExport->OnShowModal = [this](TrepBaseDialogExportFilter&) {
    const std::optional<std::string> A = FWorker.Ask(ExportQuestion);
    const bool OK = A && *A == "ok";
    FExportRefused = !OK;
    return OK ? TrepBaseDialogExportFilter::mrOk : TrepBaseDialogExportFilter::mrCancel;
  };
  FExportOpens = false;
  RunExport("Exporting", *FExport);
}

void TrepPreviewForm::RunExport(const std::string& What, TrepPDFExport& Filter) {
  FActiveExport = &Filter;
  FExportFile = TIWAppCache::NewTempFileName();
  Filter.SetFileName(FExportFile);
  Filter.OverwritePrompt = false;
  Filter.ShowProgress = false;
  Filter.OpenAfterExport = FExportOpens;
  Filter.UseFileCache = false;
  FReport->PreviewPages()->CurPreviewPage = FPreview->PageNo();
  TrepReport* R = FReport.get();
  TrepPDFExport* F = &Filter;
  const std::optional<TrepPrintOptions> Sheets = FPrintSheets;
  FExporting = true;
  FExportRefused = false;
  StartJob([this, R, F, Sheets](TIWWorker&) {
    if (Sheets) {
      F->Sheets = repPrintSheets(*R->PreviewPages(), *Sheets, 0, 0, MaxPrintSheets);
      // Each page the sheets show is written once; the sheets draw it as often as they place it.
      std::vector<int> Pages;
      for (const TrepPrintSheet& S : F->Sheets)
        for (const TrepPrintPlacement& P : S.Pages) Pages.push_back(P.Page);
      std::sort(Pages.begin(), Pages.end());
      Pages.erase(std::unique(Pages.begin(), Pages.end()), Pages.end());
      if (Pages.empty()) throw rt::Exception("The print places no page on a sheet.");
      F->PageOrder = Pages;
    }
    if (!R->Export(F) && !FExportRefused)
      throw rt::Exception(R->Errors().Count() > 0 ? R->Errors().Strings(R->Errors().Count() - 1)
                                                  : std::string("the export did not complete"));
  });
  LMessage->Caption = What + "...";
  ProgressTimer->Enabled = true;
}

void TrepPreviewForm::FinishExport() {
  FExporting = false;
  FExport->OnShowModal = nullptr;
  FExport->PageOrder.clear();
  const bool Opens = FActiveExport != nullptr && FActiveExport->OpenAfterExport;
  FActiveExport = nullptr;
  FPrint.reset();
  Find(*this, "ExportPanel")->Visible = false;
  std::ifstream In(FExportFile, std::ios::binary);
  std::ostringstream Bytes;
  if (In) Bytes << In.rdbuf();
  In.close();
  std::remove(FExportFile.c_str());
  const std::string Error = FWorker.Error();
  if (Bytes.str().empty()) {
    // A cancelled options window writes nothing and says nothing.
    if (!Error.empty()) Application().ShowMessage("The PDF could not be made: " + Error);
    return;
  }
  std::string Name = FDocumentName.empty() ? "report" : FDocumentName;
  if (const auto Dot = Name.rfind('.'); Dot != std::string::npos && Dot > 0) Name.resize(Dot);
  if (Opens) {
    const std::string URL = TIWAppCache::AddBytes(&Application(), Bytes.str(), TIWMimeTypes::mtPDF,
                                                  ContentDisposition(false, Name + ".pdf"));
    AddToInitProc("NewWindow(" + JsString(URL) + ", '_blank', 'noopener');");
  } else {
    Application().SendStream(Bytes.str(), true, TIWMimeTypes::mtPDF, Name + ".pdf");
  }
}

namespace {

// The export panel's controls and the options window's members they stand for: one table
// serves both directions, so a control cannot be read without being written back.
struct TExportCheck {
  const char* Name;
  TrepCheckBoxState TrepPDFExportDialog::*State;
};
constexpr TExportCheck ExportChecks[] = {
    {"CompressedCB", &TrepPDFExportDialog::CompressedCB},     {"EmbeddedCB", &TrepPDFExportDialog::EmbeddedCB},
    {"PrintOptCB", &TrepPDFExportDialog::PrintOptCB},         {"OutlineCB", &TrepPDFExportDialog::OutlineCB},
    {"BackgrCB", &TrepPDFExportDialog::BackgrCB},             {"TransparentCB", &TrepPDFExportDialog::TransparentCB},
    {"PrintCB", &TrepPDFExportDialog::PrintCB},               {"ModCB", &TrepPDFExportDialog::ModCB},
    {"CopyCB", &TrepPDFExportDialog::CopyCB},                 {"AnnotCB", &TrepPDFExportDialog::AnnotCB},
    {"HideToolbarCB", &TrepPDFExportDialog::HideToolbarCB},   {"HideMenubarCB", &TrepPDFExportDialog::HideMenubarCB},
    {"HideWindowUICB", &TrepPDFExportDialog::HideWindowUICB}, {"FitWindowCB", &TrepPDFExportDialog::FitWindowCB},
    {"CenterWindowCB", &TrepPDFExportDialog::CenterWindowCB}, {"PrintScalingCB", &TrepPDFExportDialog::PrintScalingCB},
};
struct TExportEdit {
  const char* Name;
  std::string TrepPDFExportDialog::*Text;
};
constexpr TExportEdit ExportEdits[] = {
    {"QualityEdit", &TrepPDFExportDialog::QualityEdit}, {"TitleE", &TrepPDFExportDialog::TitleE},
    {"AuthorE", &TrepPDFExportDialog::AuthorE},         {"SubjectE", &TrepPDFExportDialog::SubjectE},
    {"KeywordsE", &TrepPDFExportDialog::KeywordsE},     {"CreatorE", &TrepPDFExportDialog::CreatorE},
    {"ProducerE", &TrepPDFExportDialog::ProducerE},     {"OwnPassE", &TrepPDFExportDialog::OwnPassE},
    {"UserPassE", &TrepPDFExportDialog::UserPassE},
};
struct TExportCombo {
  const char* Name;
  TrepComboBoxState TrepPDFExportDialog::*State;
};
constexpr TExportCombo ExportCombos[] = {
    {"PDFStandardComboBox", &TrepPDFExportDialog::PDFStandardComboBox},
    {"PDFVersionComboBox", &TrepPDFExportDialog::PDFVersionComboBox},
};

}  // namespace

void TrepPreviewForm::ReadExportPanel(TrepPDFExportDialog& D) {
  D.Localise();
  for (const TExportCheck& C : ExportChecks) (D.*C.State).Checked = Get<TIWCheckBox>(*this, C.Name)->Checked;
  for (const TExportEdit& E : ExportEdits) D.*E.Text = Get<TIWEdit>(*this, E.Name)->Text;
  for (const TExportCombo& C : ExportCombos) (D.*C.State).Select(Get<TIWComboBox>(*this, C.Name)->Text());
}

void TrepPreviewForm::WriteExportPanel(const TrepPDFExportDialog& D) {
  for (const TExportCheck& C : ExportChecks) {
    auto* Box = Get<TIWCheckBox>(*this, C.Name);
    Box->Checked = (D.*C.State).Checked;
    Box->Enabled = (D.*C.State).Enabled;
  }
  for (const TExportEdit& E : ExportEdits) Get<TIWEdit>(*this, E.Name)->Text = D.*E.Text;
  for (const TExportCombo& C : ExportCombos) {
    auto* Box = Get<TIWComboBox>(*this, C.Name);
    Box->Items = (D.*C.State).Items;
    Box->ItemIndex = (D.*C.State).ItemIndex;
    Box->Enabled = (D.*C.State).Enabled;
  }
  Find(*this, "SecGB")->Visible = D.SecGBVisible;
  Find(*this, "PermGB")->Visible = D.PermGBVisible;
}

void TrepPreviewForm::ExportAnswer(bool OK) {
  if (FWorker.Question() != ExportQuestion) {
    Find(*this, "ExportPanel")->Visible = false;
    return;
  }
  if (!OK) {
    Find(*this, "ExportPanel")->Visible = false;
    FWorker.Answer("cancel");
    return;
  }
  TrepPDFExportDialog D;
  ReadExportPanel(D);
  const std::string Numbers = rt::Trim(Get<TIWEdit>(*this, "ExportPageNumbersE")->Text);
  const bool Cur = Get<TIWRadioButton>(*this, "ExportCurPageRB")->Checked();
  const bool Range = Get<TIWRadioButton>(*this, "ExportPageNumbersRB")->Checked();
  if (Range && (Numbers.empty() || !PageNumbersText(Numbers))) {
    Application().ShowMessage("'" + Numbers + "' is no page range. " + ResourceString(9));
    return;
  }
  int Quality = 0;
  if (!rt::TryStrToInt(rt::Trim(D.QualityEdit), Quality) || Quality < 1 || Quality > 100) {
    Application().ShowMessage("'" + D.QualityEdit + "' is not a JPEG quality (1 to 100).");
    return;
  }
  const bool Open = Get<TIWCheckBox>(*this, "OpenCB")->Checked;
  std::string Failure;
  // The filter belongs to the waiting export: its options are written on the worker's thread.
  FWorker.RunAtSafePoint(
      [&] {
        try {
          D.ApplyToFilter(*FExport);
          FExport->PageNumbers = Range ? Numbers : std::string();
          FExport->CurPage = Cur;
          FExport->OpenAfterExport = Open;
        } catch (const std::exception& e) {
          Failure = e.what();
        }
      },
      std::chrono::milliseconds(SafePointWaitMs));
  if (!Failure.empty()) {
    Application().ShowMessage(Failure);
    return;
  }
  Find(*this, "ExportPanel")->Visible = false;
  FWorker.Answer("ok");
}

// ---- preferences ----

void TrepPreviewForm::LoadPreferences() {
  std::string V;
  for (const std::string& F : Application().Request().CookieFields()) {
    const std::string Prefix = std::string(PrefsCookie) + "=";
    if (F.rfind(Prefix, 0) == 0) V = F.substr(Prefix.size());
  }
  if (V.empty() || V.size() > MaxPrefsCookieBytes) return;
  // Items joined by '_': zoom mode, zoom in percent, units, outline shown, zoom kept.
  std::vector<std::string> Items;
  std::string Cur;
  for (char C : V) {
    if (C == '_') {
      Items.push_back(Cur);
      Cur.clear();
    } else {
      Cur += C;
    }
  }
  Items.push_back(Cur);
  if (Items.size() != 5) return;
  int Mode = 0, Zoom = 100, Units = 0, Outline = 0, Keep = 0;
  if (!rt::TryStrToInt(Items[0], Mode) || !rt::TryStrToInt(Items[1], Zoom) || !rt::TryStrToInt(Items[2], Units) ||
      !rt::TryStrToInt(Items[3], Outline) || !rt::TryStrToInt(Items[4], Keep))
    return;
  FUnits = Units == 1 ? duInches : duCM;
  Get<TIWComboBox>(*this, "UnitsCB")->ItemIndex = Units == 1 ? 1 : 0;
  Get<TIWCheckBox>(*this, "PrefOutlineCB")->Checked = Outline == 1;
  Get<TIWCheckBox>(*this, "PrefZoomCB")->Checked = Keep == 1;
  OutlineTree->Visible = Outline == 1;
  if (Keep == 1) {
    if (Mode == zmPageWidth || Mode == zmWholePage) FPreview->SetZoomMode(static_cast<TrepZoomMode>(Mode));
    else if (Zoom >= MinZoomPercent && Zoom <= MaxZoomPercent) FPreview->SetZoom(Zoom / 100.0);
    FKeepZoom = true;
  }
}

void TrepPreviewForm::SavePreferences() {
  const int Units = Get<TIWComboBox>(*this, "UnitsCB")->ItemIndex == 1 ? 1 : 0;
  FUnits = Units == 1 ? duInches : duCM;
  const bool Outline = Get<TIWCheckBox>(*this, "PrefOutlineCB")->Checked;
  FKeepZoom = Get<TIWCheckBox>(*this, "PrefZoomCB")->Checked;
  OutlineTree->Visible = Outline;
  // The outline and the thumbnails share one place.
  if (Outline) Thumbnails->Visible = false;
  const std::string V = std::to_string(static_cast<int>(FPreview->ZoomMode())) + "_" +
                        std::to_string(static_cast<int>(std::lround(FPreview->Zoom() * 100))) + "_" +
                        std::to_string(Units) + "_" + (Outline ? "1" : "0") + "_" + (FKeepZoom ? "1" : "0");
  Application().Response().Cookies.AddCookie(PrefsCookie, V, "/",
                                             std::chrono::system_clock::now() + std::chrono::hours(24 * 400), false,
                                             false, ssoNone);
  Find(*this, "PrefsPanel")->Visible = false;
  FPreview->UpdatePages();
  UpdateView();
}

}  // namespace webapp
