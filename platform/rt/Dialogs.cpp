#include "platform/rt/Dialogs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include "platform/rt/SysUtils.h"

namespace rt {

// ---------------------------------------------------------------------------------------------
// Windows and the presenter

TDialogItem& TDialogWindow::Add(TDialogItemKind Kind, std::string ItemName, int Left, int Top, int Width, int Height) {
  TDialogItem& I = Items.emplace_back();
  I.Kind = Kind;
  I.Name = std::move(ItemName);
  I.Left = Left;
  I.Top = Top;
  I.Width = Width;
  I.Height = Height;
  return I;
}

TDialogItem* TDialogWindow::Find(const std::string& ItemName) {
  for (TDialogItem& I : Items)
    if (I.Name == ItemName) return &I;
  return nullptr;
}

namespace {
thread_local TDialogPresenter* CurrentPresenter = nullptr;
}

TDialogPresenter* DialogPresenter() { return CurrentPresenter; }

TDialogPresenterScope::TDialogPresenterScope(TDialogPresenter* Presenter) : FPrevious(CurrentPresenter) {
  CurrentPresenter = Presenter;
}
TDialogPresenterScope::~TDialogPresenterScope() { CurrentPresenter = FPrevious; }

int ShowDialogWindow(TDialogWindow& Window) {
  return CurrentPresenter ? CurrentPresenter->ShowDialog(Window) : mrCancel;
}

void AddOkCancel(TDialogWindow& Window, int Top) {
  TDialogItem& OK = Window.Add(TDialogItemKind::Button, "OK", Window.Width - 164, Top, 75, 25);
  OK.Caption = "OK";
  OK.ModalResult = mrOk;
  OK.Default = true;
  TDialogItem& Cancel = Window.Add(TDialogItemKind::Button, "Cancel", Window.Width - 84, Top, 75, 25);
  Cancel.Caption = "Cancel";
  Cancel.ModalResult = mrCancel;
}

// ---------------------------------------------------------------------------------------------
// Message and input windows

int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons) {
  static const char* const Captions[] = {"Warning", "Error", "Information", "Confirmation", ""};
  struct Btn {
    const char* Name;
    int Result;
  };
  static const Btn Btns[] = {{"Yes", mrYes},     {"No", mrNo},       {"OK", mrOk},
                             {"Cancel", mrCancel}, {"Abort", mrAbort}, {"Retry", mrRetry},
                             {"Ignore", mrIgnore}, {"All", mrAll},     {"NoToAll", mrNoToAll},
                             {"YesToAll", mrYesToAll}};
  if (!DialogPresenter()) {
    std::cerr << "Script dialog: " << Msg << std::endl;
    return mrCancel;
  }
  std::vector<const Btn*> Shown;
  for (int B = mbYes; B <= mbYesToAll; ++B)
    if (Buttons & (1u << B)) Shown.push_back(&Btns[B]);
  if (Shown.empty()) Shown.push_back(&Btns[mbOK]);
  TDialogWindow W;
  W.Name = "MessageDlg";
  W.Caption = Captions[std::clamp<int>(DlgType, mtWarning, mtCustom)];
  W.Width = std::max(320, 16 + 83 * static_cast<int>(Shown.size()));
  W.Height = 130;
  TDialogItem& L = W.Add(TDialogItemKind::Label, "Message", 12, 12, W.Width - 24, 50);
  L.Caption = Msg;
  int Left = (W.Width - 83 * static_cast<int>(Shown.size()) + 8) / 2;
  for (const Btn* B : Shown) {
    TDialogItem& I = W.Add(TDialogItemKind::Button, B->Name, Left, 80, 75, 25);
    I.Caption = B->Name == std::string("NoToAll") ? "No to All" : B->Name == std::string("YesToAll") ? "Yes to All" : B->Name;
    I.ModalResult = B->Result;
    I.Default = B == Shown.front();
    Left += 83;
  }
  return ShowDialogWindow(W);
}

bool InputQuery(const std::string& Caption, const std::string& Prompt, std::string& Value) {
  TDialogWindow W;
  W.Name = "InputQuery";
  W.Caption = Caption;
  W.Width = 330;
  W.Height = 120;
  W.Add(TDialogItemKind::Label, "Prompt", 8, 8, 314, 17).Caption = Prompt;
  W.Add(TDialogItemKind::Edit, "Value", 8, 28, 314, 21).Text = Value;
  AddOkCancel(W, 64);
  if (ShowDialogWindow(W) != mrOk) return false;
  Value = W.Find("Value")->Text;
  return true;
}

std::string InputBox(const std::string& Caption, const std::string& Prompt, const std::string& Default) {
  std::string Value = Default;
  return InputQuery(Caption, Prompt, Value) ? Value : Default;
}

// ---------------------------------------------------------------------------------------------
// Dialog components

int TCommonDialog::Show(TDialogWindow& Window) {
  if (OnShow) OnShow(this);
  const int R = ShowDialogWindow(Window);
  if (OnClose) OnClose(this);
  return R;
}

namespace {

bool MaskFits(std::string_view Mask, std::string_view Name) {
  // '*' any run, '?' one character; letter case ignored for ASCII.
  size_t M = 0, N = 0, Star = std::string_view::npos, Mark = 0;
  auto Lower = [](char C) { return static_cast<char>(std::tolower(static_cast<unsigned char>(C))); };
  while (N < Name.size()) {
    if (M < Mask.size() && (Mask[M] == '?' || Lower(Mask[M]) == Lower(Name[N]))) {
      ++M;
      ++N;
    } else if (M < Mask.size() && Mask[M] == '*') {
      Star = M++;
      Mark = N;
    } else if (Star != std::string_view::npos) {
      M = Star + 1;
      N = ++Mark;
    } else {
      return false;
    }
  }
  while (M < Mask.size() && Mask[M] == '*') ++M;
  return M == Mask.size();
}

std::vector<std::string> SplitBar(const std::string& S, char Sep) {
  std::vector<std::string> R;
  size_t P = 0;
  while (P <= S.size()) {
    size_t Q = S.find(Sep, P);
    if (Q == std::string::npos) Q = S.size();
    R.push_back(Trim(S.substr(P, Q - P)));
    P = Q + 1;
  }
  return R;
}

std::string BaseName(const std::string& Path) {
  const size_t P = Path.find_last_of("/\\");
  return P == std::string::npos ? Path : Path.substr(P + 1);
}

}  // namespace

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

std::vector<std::string> TOpenDialog::OfferedFiles(const std::string& Folder, const std::string& Masks) {
  namespace fs = std::filesystem;
  std::vector<std::string> Names;
  std::error_code Ec;
  if (Folder.empty()) return Names;
  std::vector<std::string> MaskList;
  for (std::string& M : SplitBar(Masks, ';'))
    if (!M.empty() && M != "*.*" && M != "*") MaskList.push_back(std::move(M));
  for (fs::directory_iterator It(Folder, Ec), End; !Ec && It != End; It.increment(Ec)) {
    // Links could lead out of the folder: only plain files are offered.
    if (!It->is_regular_file(Ec) || It->is_symlink(Ec)) continue;
    std::string Name = It->path().filename().string();
    if (Name.empty() || Name[0] == '.') continue;
    if (!MaskList.empty() && std::none_of(MaskList.begin(), MaskList.end(), [&](const std::string& M) { return MaskFits(M, Name); }))
      continue;
    Names.push_back(std::move(Name));
  }
  std::sort(Names.begin(), Names.end());
  if (Names.size() > static_cast<size_t>(MaxOfferedFiles)) Names.resize(MaxOfferedFiles);
  return Names;
}

bool TOpenDialog::ValidFileName(const std::string& Name) {
  if (Name.empty() || Name.size() > static_cast<size_t>(MaxFileNameChars) || Name[0] == '.' || Name.back() == ' ')
    return false;
  return std::none_of(Name.begin(), Name.end(), [](char C) {
    return static_cast<unsigned char>(C) < 32 || C == '/' || C == '\\' || C == ':' || C == '*' || C == '?' ||
           C == '"' || C == '<' || C == '>' || C == '|' || C == 127;
  });
}

bool TOpenDialog::Execute() {
  TDialogPresenter* P = DialogPresenter();
  const std::string Folder = P ? P->OfferedFolder() : std::string();
  if (Folder.empty()) return false;  // nothing offered: nobody can pick

  // The filter's pairs: descriptions shown, masks applied.
  std::vector<std::string> Descriptions, Masks;
  const std::vector<std::string> Parts = SplitBar(Filter, '|');
  for (size_t I = 0; !Filter.empty() && I < Parts.size(); I += 2) {
    Descriptions.push_back(Parts[I]);
    Masks.push_back(I + 1 < Parts.size() ? Parts[I + 1] : std::string());
  }
  const int Pick = Descriptions.empty() ? -1 : std::clamp(FilterIndex, 1, static_cast<int>(Descriptions.size())) - 1;

  TDialogWindow W;
  W.Name = Saving() ? "SaveDialog" : "OpenDialog";
  W.Caption = !Title.empty() ? Title : Saving() ? "Save As" : "Open";
  W.Width = 420;
  W.Height = 190;
  W.Add(TDialogItemKind::Label, "FilesL", 8, 8, 400, 17).Caption = "Files of this report:";
  TDialogItem& Files = W.Add(TDialogItemKind::ComboBox, "FileList", 8, 28, 404, 21);
  Files.Items = OfferedFiles(Folder, Pick >= 0 ? Masks[Pick] : std::string());
  Files.Notify = true;
  W.Add(TDialogItemKind::Label, "FileNameL", 8, 60, 400, 17).Caption = "File name:";
  TDialogItem& NameE = W.Add(TDialogItemKind::Edit, "FileNameE", 8, 80, 404, 21);
  NameE.Text = BaseName(FileName);
  const auto Found = std::find(Files.Items.begin(), Files.Items.end(), NameE.Text);
  Files.ItemIndex = Found == Files.Items.end() ? -1 : static_cast<int>(Found - Files.Items.begin());
  TDialogItem& Types = W.Add(TDialogItemKind::ComboBox, "FileTypes", 8, 112, 404, 21);
  Types.Items = Descriptions;
  Types.ItemIndex = Pick;
  Types.Notify = true;
  AddOkCancel(W, 150);
  W.OnChange = [&Masks, &Folder](TDialogWindow& Win, TDialogItem& Sender) {
    TDialogItem& L = *Win.Find("FileList");
    if (Sender.Name == "FileTypes" && Sender.ItemIndex >= 0 && Sender.ItemIndex < static_cast<int>(Masks.size())) {
      L.Items = OfferedFiles(Folder, Masks[Sender.ItemIndex]);
      L.ItemIndex = -1;
    } else if (Sender.Name == "FileList" && L.ItemIndex >= 0 && L.ItemIndex < static_cast<int>(L.Items.size())) {
      Win.Find("FileNameE")->Text = L.Items[L.ItemIndex];
    }
  };

  for (int Attempt = 0; Attempt <= MaxRetries; ++Attempt) {
    if (Show(W) != mrOk) return false;
    std::string Name = Trim(W.Find("FileNameE")->Text);
    const TDialogItem& L = *W.Find("FileList");
    if (Name.empty() && L.ItemIndex >= 0 && L.ItemIndex < static_cast<int>(L.Items.size())) Name = L.Items[L.ItemIndex];
    const TDialogItem& T = *W.Find("FileTypes");
    if (T.ItemIndex >= 0) FilterIndex = T.ItemIndex + 1;
    std::string Why;
    if (!ValidFileName(Name)) {
      Why = Name.empty() ? "Choose a file." : "\"" + Name.substr(0, MaxFileNameChars) + "\" is no file name of this report.";
    } else {
      if (Saving() && !DefaultExt.empty() && Name.find('.') == std::string::npos)
        Name += "." + (DefaultExt[0] == '.' ? DefaultExt.substr(1) : DefaultExt);
      std::error_code Ec;
      const std::filesystem::path Path = std::filesystem::path(Folder) / Name;
      const bool Exists = std::filesystem::is_regular_file(Path, Ec) && !std::filesystem::is_symlink(Path, Ec);
      if (!Saving() && !Exists) {
        Why = "The file \"" + Name + "\" is not offered.";
      } else if (Saving() && Exists && (Options & (1u << ofOverwritePrompt)) &&
                 MessageDlg(Name + " already exists.\r\nDo you want to replace it?", mtConfirmation,
                            (1u << mbYes) | (1u << mbNo)) != mrYes) {
        continue;
      }
    }
    if (!Why.empty()) {
      MessageDlg(Why, mtError, 1u << mbOK);
      continue;
    }
    FileName = Folder + Name;
    FFiles.Clear();
    FFiles.Add(FileName);
    return true;
  }
  return false;
}

// ---- colour ----

std::string TColorDialog::ColorText(int Color) {
  char B[8];
  std::snprintf(B, sizeof B, "#%02X%02X%02X", Color & 0xFF, (Color >> 8) & 0xFF, (Color >> 16) & 0xFF);
  return B;
}

bool TColorDialog::ParseColorText(const std::string& Text, int& Color) {
  std::string T = Trim(Text);
  if (!T.empty() && T[0] == '#') T.erase(0, 1);
  if (T.size() != 6 || !std::all_of(T.begin(), T.end(), [](char C) { return std::isxdigit(static_cast<unsigned char>(C)); }))
    return false;
  const unsigned V = static_cast<unsigned>(std::stoul(T, nullptr, 16));
  Color = static_cast<int>(((V & 0xFF) << 16) | (V & 0xFF00) | ((V >> 16) & 0xFF));
  return true;
}

bool TColorDialog::Execute() {
  static const struct {
    const char* Name;
    int Value;
  } Basic[] = {{"Black", 0x000000}, {"Maroon", 0x000080}, {"Green", 0x008000}, {"Olive", 0x008080},
               {"Navy", 0x800000},  {"Purple", 0x800080}, {"Teal", 0x808000},  {"Gray", 0x808080},
               {"Silver", 0xC0C0C0}, {"Red", 0x0000FF},   {"Lime", 0x00FF00},  {"Yellow", 0x00FFFF},
               {"Blue", 0xFF0000},  {"Fuchsia", 0xFF00FF}, {"Aqua", 0xFFFF00}, {"White", 0xFFFFFF}};
  TDialogWindow W;
  W.Name = "ColorDialog";
  W.Caption = "Color";
  W.Width = 260;
  W.Height = 150;
  TDialogItem& CB = W.Add(TDialogItemKind::ComboBox, "BasicColors", 8, 8, 244, 21);
  for (const auto& B : Basic) {
    CB.Items.push_back(B.Name);
    if ((Color & 0xFFFFFF) == B.Value) CB.ItemIndex = static_cast<int>(CB.Items.size()) - 1;
  }
  CB.Notify = true;
  W.Add(TDialogItemKind::Label, "ColorL", 8, 44, 120, 17).Caption = "Colour (#RRGGBB):";
  W.Add(TDialogItemKind::Edit, "ColorE", 132, 40, 120, 21).Text = ColorText(Color);
  AddOkCancel(W, 110);
  W.OnChange = [](TDialogWindow& Win, TDialogItem& Sender) {
    if (Sender.ItemIndex >= 0 && Sender.ItemIndex < static_cast<int>(std::size(Basic)))
      Win.Find("ColorE")->Text = ColorText(Basic[Sender.ItemIndex].Value);
  };
  for (int Attempt = 0; Attempt <= TOpenDialog::MaxRetries; ++Attempt) {
    if (Show(W) != mrOk) return false;
    int C = 0;
    if (ParseColorText(W.Find("ColorE")->Text, C)) {
      Color = C;
      return true;
    }
    MessageDlg("Enter a colour as #RRGGBB, for example #FF8000.", mtError, 1u << mbOK);
  }
  return false;
}

// ---- printing ----

bool TPrintDialog::Execute() {
  TDialogWindow W;
  W.Name = "PrintDialog";
  W.Caption = "Print";
  W.Width = 320;
  W.Height = 200;
  TDialogItem& R = W.Add(TDialogItemKind::ComboBox, "PrintRange", 8, 8, 304, 21);
  R.Items = {"All pages"};
  if (Options & (1u << poSelection)) R.Items.push_back("Selection");
  if (Options & (1u << poPageNums)) R.Items.push_back("Pages");
  auto Index = [&](const char* Text) {
    const auto It = std::find(R.Items.begin(), R.Items.end(), Text);
    return It == R.Items.end() ? 0 : static_cast<int>(It - R.Items.begin());
  };
  R.ItemIndex = PrintRange == prSelection ? Index("Selection") : PrintRange == prPageNums ? Index("Pages") : 0;
  const bool Pages = Options & (1u << poPageNums);
  if (Pages) {
    W.Add(TDialogItemKind::Label, "FromL", 8, 44, 40, 17).Caption = "From:";
    W.Add(TDialogItemKind::Edit, "FromPage", 52, 40, 60, 21).Text = std::to_string(FromPage);
    W.Add(TDialogItemKind::Label, "ToL", 124, 44, 24, 17).Caption = "to:";
    W.Add(TDialogItemKind::Edit, "ToPage", 152, 40, 60, 21).Text = std::to_string(ToPage);
  }
  W.Add(TDialogItemKind::Label, "CopiesL", 8, 76, 60, 17).Caption = "Copies:";
  W.Add(TDialogItemKind::Edit, "Copies", 72, 72, 60, 21).Text = std::to_string(std::max(1, Copies));
  W.Add(TDialogItemKind::CheckBox, "Collate", 144, 72, 160, 21).Caption = "Collate";
  W.Find("Collate")->Checked = Collate;
  if ((Options & (1u << poPrintToFile)) && !(Options & (1u << poDisablePrintToFile))) {
    TDialogItem& P = W.Add(TDialogItemKind::CheckBox, "PrintToFile", 8, 104, 200, 21);
    P.Caption = "Print to file";
    P.Checked = PrintToFile;
  }
  AddOkCancel(W, 160);
  for (int Attempt = 0; Attempt <= TOpenDialog::MaxRetries; ++Attempt) {
    if (Show(W) != mrOk) return false;
    auto Number = [&](const char* Name, int& V, int Lo, int Hi) {
      const TDialogItem* I = W.Find(Name);
      if (!I) return true;
      int N = 0;
      if (!TryStrToInt(Trim(I->Text), N) || N < Lo || N > Hi) return false;
      V = N;
      return true;
    };
    int NewFrom = FromPage, NewTo = ToPage, NewCopies = Copies;
    const int Lo = MinPage > 0 ? MinPage : 0, Hi = MaxPage > 0 ? MaxPage : 1000000;
    if (Number("FromPage", NewFrom, Lo, Hi) && Number("ToPage", NewTo, Lo, Hi) && Number("Copies", NewCopies, 1, MaxCopies)) {
      const TDialogItem& RI = *W.Find("PrintRange");
      const std::string Chosen = RI.ItemIndex >= 0 && RI.ItemIndex < static_cast<int>(RI.Items.size()) ? RI.Items[RI.ItemIndex] : "";
      PrintRange = Chosen == "Selection" ? prSelection : Chosen == "Pages" ? prPageNums : prAllPages;
      FromPage = NewFrom;
      ToPage = NewTo;
      Copies = NewCopies;
      Collate = W.Find("Collate")->Checked;
      if (const TDialogItem* P = W.Find("PrintToFile")) PrintToFile = P->Checked;
      return true;
    }
    MessageDlg("Page numbers go from " + std::to_string(Lo) + " to " + std::to_string(Hi) + ", copies from 1 to " +
                   std::to_string(MaxCopies) + ".",
               mtError, 1u << mbOK);
  }
  return false;
}

bool TPrinterSetupDialog::Execute() {
  TDialogWindow W;
  W.Name = "PrinterSetupDialog";
  W.Caption = "Print Setup";
  W.Width = 320;
  W.Height = 110;
  W.Add(TDialogItemKind::Label, "PrinterL", 8, 8, 304, 34).Caption =
      "The browser chooses the printer and the paper when the report is printed.";
  AddOkCancel(W, 60);
  return Show(W) == mrOk;
}

// ---------------------------------------------------------------------------------------------
// Class descriptions

namespace {
template <class T>
TPropInfo SetProp(const char* Name, const char* Type, unsigned T::*Member) {
  return TPropInfo(Name, tkSet, Type, [Member](TObject* O) { return Variant(static_cast<long long>(static_cast<T*>(O)->*Member)); },
                   [Member](TObject* O, const Variant& V) { static_cast<T*>(O)->*Member = static_cast<unsigned>(V.ToInt64()); });
}
template <class T, class E>
TPropInfo EnumProp(const char* Name, const char* Type, E T::*Member, std::vector<std::string> Names) {
  return TPropInfo(Name, tkEnumeration, Type, [Member](TObject* O) { return Variant(static_cast<int>(static_cast<T*>(O)->*Member)); },
                   [Member](TObject* O, const Variant& V) { static_cast<T*>(O)->*Member = static_cast<E>(V.ToInteger()); })
      .WithEnumNames(std::move(Names));
}
template <class T>
TPropInfo Strings(const char* Name, TStringList& (T::*Getter)()) {
  return TPropInfo(Name, tkClass, "TStrings", [Getter](TObject* O) { return VarFromObject(&(static_cast<T*>(O)->*Getter)()); });
}
}  // namespace

TClass TCommonDialog::ClassInfo() {
  static const TClassInfo Info("TCommonDialog", TComponent::ClassInfo(), [] { return new TCommonDialog(nullptr); },
                               {TPropInfo::Field<TCommonDialog>("HelpContext", tkInteger, "THelpContext", &TCommonDialog::HelpContext),
                                TPropInfo::Event<TCommonDialog>("OnClose", "TNotifyEvent", &TCommonDialog::OnClose),
                                TPropInfo::Event<TCommonDialog>("OnShow", "TNotifyEvent", &TCommonDialog::OnShow)});
  return &Info;
}

TClass TOpenDialog::ClassInfo() {
  static const TClassInfo Info(
      "TOpenDialog", TCommonDialog::ClassInfo(), [] { return new TOpenDialog(nullptr); },
      {TPropInfo::Field<TOpenDialog>("DefaultExt", tkString, "", &TOpenDialog::DefaultExt),
       EnumProp<TOpenDialog>("FileEditStyle", "TFileEditStyle", &TOpenDialog::FileEditStyle, {"fsEdit", "fsComboBox"}),
       Strings<TOpenDialog>("Files", &TOpenDialog::Files),
       TPropInfo::Field<TOpenDialog>("FileName", tkString, "", &TOpenDialog::FileName),
       TPropInfo::Field<TOpenDialog>("Filter", tkString, "", &TOpenDialog::Filter),
       TPropInfo::Field<TOpenDialog>("FilterIndex", tkInteger, "", &TOpenDialog::FilterIndex),
       TPropInfo::Field<TOpenDialog>("InitialDir", tkString, "", &TOpenDialog::InitialDir),
       SetProp<TOpenDialog>("Options", "TOpenOptions", &TOpenDialog::Options),
       TPropInfo::Field<TOpenDialog>("Title", tkString, "", &TOpenDialog::Title)});
  return &Info;
}

TClass TSaveDialog::ClassInfo() {
  static const TClassInfo Info("TSaveDialog", TOpenDialog::ClassInfo(), [] { return new TSaveDialog(nullptr); });
  return &Info;
}

TClass TColorDialog::ClassInfo() {
  static const TClassInfo Info("TColorDialog", TCommonDialog::ClassInfo(), [] { return new TColorDialog(nullptr); },
                               {TPropInfo::Field<TColorDialog>("Color", tkInteger, "TColor", &TColorDialog::Color),
                                Strings<TColorDialog>("CustomColors", &TColorDialog::CustomColors),
                                SetProp<TColorDialog>("Options", "TColorDialogOptions", &TColorDialog::Options)});
  return &Info;
}

TClass TPrintDialog::ClassInfo() {
  static const TClassInfo Info(
      "TPrintDialog", TCommonDialog::ClassInfo(), [] { return new TPrintDialog(nullptr); },
      {TPropInfo::Field<TPrintDialog>("Collate", tkEnumeration, "Boolean", &TPrintDialog::Collate),
       TPropInfo::Field<TPrintDialog>("Copies", tkInteger, "", &TPrintDialog::Copies),
       TPropInfo::Field<TPrintDialog>("FromPage", tkInteger, "", &TPrintDialog::FromPage),
       TPropInfo::Field<TPrintDialog>("MinPage", tkInteger, "", &TPrintDialog::MinPage),
       TPropInfo::Field<TPrintDialog>("MaxPage", tkInteger, "", &TPrintDialog::MaxPage),
       SetProp<TPrintDialog>("Options", "TPrintDialogOptions", &TPrintDialog::Options),
       TPropInfo::Field<TPrintDialog>("PrintToFile", tkEnumeration, "Boolean", &TPrintDialog::PrintToFile),
       EnumProp<TPrintDialog>("PrintRange", "TPrintRange", &TPrintDialog::PrintRange, {"prAllPages", "prSelection", "prPageNums"}),
       TPropInfo::Field<TPrintDialog>("ToPage", tkInteger, "", &TPrintDialog::ToPage)});
  return &Info;
}

TClass TPrinterSetupDialog::ClassInfo() {
  static const TClassInfo Info("TPrinterSetupDialog", TCommonDialog::ClassInfo(), [] { return new TPrinterSetupDialog(nullptr); });
  return &Info;
}

}  // namespace rt
