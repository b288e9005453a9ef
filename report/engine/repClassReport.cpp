// The report component and its option objects.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>

#include "report/engine/repDialogControls.h"
#include "report/engine/repClassBand.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassMemo.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repClassStyles.h"
#include "report/engine/repClassProps.h"
#include "platform/rt/IniFiles.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repDrawText.h"
#include "report/engine/repExpression.h"
#include "report/engine/repFileUtils.h"
#include "report/engine/repPasswordForm.h"
#include "report/engine/repEngine.h"
#include "report/engine/repPreview.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repPrinter.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/script/sc_iinterpreter.h"

namespace {

using repProp::Bool;
using repProp::Float;
using repProp::Int;
using repProp::Str;

TrepReport* Rep(rt::TObject* O) { return static_cast<TrepReport*>(O); }

} // namespace

rt::TClass TrepEngineOptions::ClassInfo() {
  using T = TrepEngineOptions;
  static const rt::TClassInfo Info(
      "TrepEngineOptions", rt::TObject::ClassInfo(), [] { return new T; },
      {Bool("ConvertNulls", &T::ConvertNulls, true), Bool("DoublePass", &T::DoublePass, false),
       Int("MaxMemSize", &T::MaxMemSize, 10), Bool("PrintIfEmpty", &T::PrintIfEmpty, true),
       rt::TPropInfo("SilentMode", rt::tkEnumeration, "Boolean",
                     [](rt::TObject* O) { return rt::Variant(static_cast<T*>(O)->GetSilentMode()); },
                     [](rt::TObject* O, const rt::Variant& V) { static_cast<T*>(O)->SetSilentMode(V.ToBoolean()); })
           .WithDefault(0),
       rt::TPropInfo("NewSilentMode", rt::tkEnumeration, "TrepSilentMode",
                     [](rt::TObject* O) { return rt::Variant(static_cast<int>(static_cast<T*>(O)->SilentMode)); },
                     [](rt::TObject* O, const rt::Variant& V) {
                       const int I = V.ToInteger();
                       if (I < simMessageBoxes || I > simReThrow) throw rt::EConvertError("Invalid property value");
                       static_cast<T*>(O)->SilentMode = static_cast<TrepSilentMode>(I);
                     })
           .WithEnumNames({"simMessageBoxes", "simSilent", "simReThrow"})
           .WithDefault(simMessageBoxes),
       Str("TempDir", &T::TempDir), Bool("UseFileCache", &T::UseFileCache, false),
       Bool("IgnoreDevByZero", &T::IgnoreDevByZero, false), Bool("IgnoreExprError", &T::IgnoreExprError, false)});
  return &Info;
}

rt::TClass TrepPreviewOptions::ClassInfo() {
  using T = TrepPreviewOptions;
  static const rt::TClassInfo Info(
      "TrepPreviewOptions", rt::TObject::ClassInfo(), [] { return new T; },
      {Bool("AllowEdit", &T::AllowEdit, true), Bool("AllowPreviewEdit", &T::AllowPreviewEdit, true),
       repProp::Set("Buttons", "TrepPreviewButtons", &T::Buttons), Bool("DoubleBuffered", &T::DoubleBuffered, true),
       Bool("Maximized", &T::Maximized, true), Bool("MDIChild", &T::MDIChild, false), Bool("Modal", &T::Modal, true),
       Bool("OutlineExpand", &T::OutlineExpand, true), Bool("OutlineVisible", &T::OutlineVisible, false),
       Int("OutlineWidth", &T::OutlineWidth, 120), Int("PagesInCache", &T::PagesInCache, 50),
       Bool("ThumbnailVisible", &T::ThumbnailVisible, false), Bool("ShowCaptions", &T::ShowCaptions, false),
       Float("Zoom", &T::Zoom),
       repProp::Enum("ZoomMode", "TrepZoomMode", &T::ZoomMode, {"zmDefault", "zmWholePage", "zmPageWidth", "zmManyPages"},
                     std::optional<TrepZoomMode>(zmDefault)),
       Bool("PictureCacheInFile", &T::PictureCacheInFile, false)});
  return &Info;
}

rt::TClass TrepPrintOptions::ClassInfo() {
  using T = TrepPrintOptions;
  static const rt::TClassInfo Info(
      "TrepPrintOptions", rt::TObject::ClassInfo(), [] { return new T; },
      {Int("Copies", &T::Copies, 1), Bool("Collate", &T::Collate, true), Str("PageNumbers", &T::PageNumbers),
       Str("Printer", &T::Printer),
       repProp::Enum("PrintMode", "TrepPrintMode", &T::PrintMode, {"pmDefault", "pmSplit", "pmJoin", "pmScale"},
                     std::optional<TrepPrintMode>(pmDefault)),
       Int("PrintOnSheet", &T::PrintOnSheet, 0),
       repProp::Enum("PrintPages", "TrepPrintPages", &T::PrintPages, {"ppAll", "ppOdd", "ppEven"},
                     std::optional<TrepPrintPages>(ppAll)),
       Bool("Reverse", &T::Reverse, false), Bool("ShowDialog", &T::ShowDialog, true),
       Bool("SwapPageSize", &T::SwapPageSize).WithStored([](rt::TObject*) { return false; })});
  return &Info;
}

rt::TClass TrepReportOptions::ClassInfo() {
  using T = TrepReportOptions;
  static const rt::TClassInfo Info(
      "TrepReportOptions", rt::TObject::ClassInfo(), [] { return new T; },
      {Str("Author", &T::Author), Bool("Compressed", &T::Compressed, false), Str("ConnectionName", &T::ConnectionName),
       rt::TPropInfo::Field<T>("CreateDate", rt::tkFloat, "TDateTime", &T::CreateDate),
       repProp::Object("Description", "TStrings", &T::Description), Str("InitString", &T::InitString),
       Str("Name", &T::Name), rt::TPropInfo::Field<T>("LastChange", rt::tkFloat, "TDateTime", &T::LastChange),
       Str("Password", &T::Password), Str("VersionBuild", &T::VersionBuild), Str("VersionMajor", &T::VersionMajor),
       Str("VersionMinor", &T::VersionMinor), Str("VersionRelease", &T::VersionRelease)});
  return &Info;
}

rt::TClass TrepReport::ClassInfo() {
  using T = TrepReport;
  auto Sub = [](const char* Name, const char* Type, auto Member) {
    return rt::TPropInfo(Name, rt::tkClass, Type,
                         [Member](rt::TObject* O) { return rt::VarFromObject(&(Rep(O)->*Member)); });
  };
  static const rt::TClassInfo Info(
      "TrepReport", TrepComponent::ClassInfo(), [] { return new T(nullptr); },
      {rt::TPropInfo("Version", rt::tkString, "string", [](rt::TObject* O) { return rt::Variant(Rep(O)->Version()); },
                     [](rt::TObject* O, const rt::Variant& V) { Rep(O)->SetVersion(V.ToString()); }),
       rt::TPropInfo("ParentReport", rt::tkString, "string",
                     [](rt::TObject* O) { return rt::Variant(Rep(O)->ParentReport()); },
                     [](rt::TObject* O, const rt::Variant& V) { Rep(O)->SetParentReport(V.ToString()); }),
       rt::TPropInfo("DataSetName", rt::tkString, "string", [](rt::TObject* O) { return rt::Variant(Rep(O)->DataSetName()); },
                     [](rt::TObject* O, const rt::Variant& V) { Rep(O)->SetDataSetName(V.ToString()); }),
       Bool("DotMatrixReport", &T::DotMatrixReport), Sub("EngineOptions", "TrepEngineOptions", &T::EngineOptions),
       Str("IniFile", &T::IniFile), Bool("OldStyleProgress", &T::OldStyleProgress),
       Sub("PreviewOptions", "TrepPreviewOptions", &T::PreviewOptions),
       Sub("PrintOptions", "TrepPrintOptions", &T::PrintOptions),
       Sub("ReportOptions", "TrepReportOptions", &T::ReportOptions), Str("ScriptLanguage", &T::ScriptLanguage),
       rt::TPropInfo("ScriptText", rt::tkClass, "TStrings",
                     [](rt::TObject* O) { return rt::VarFromObject(&Rep(O)->ScriptText()); }),
       Bool("ShowProgress", &T::ShowProgress, true), Bool("StoreInDFM", &T::StoreInDFM, true),
       Str("OnRunDialogs", &T::OnRunDialogs), Str("OnStartReport", &T::OnStartReport),
       Str("OnStopReport", &T::OnStopReport), Str("OnReportPrint", &T::OnReportPrint)});
  return &Info;
}

namespace {

// The local date and time as a day number from 30 December 1899.
double Now() {
  const std::time_t T = std::time(nullptr);
  std::tm L{};
  localtime_r(&T, &L);
  const double Days = rt::EncodeDate(L.tm_year + 1900, L.tm_mon + 1, L.tm_mday);
  return Days + (L.tm_hour * 3600 + L.tm_min * 60 + L.tm_sec) / 86400.0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Options

void TrepEngineOptions::Clear() {
  ConvertNulls = true;
  IgnoreDevByZero = false;
  IgnoreExprError = false;
  DoublePass = false;
}

void TrepEngineOptions::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepEngineOptions*>(&Source);
  if (S == nullptr || S == this) return;
  ConvertNulls = S->ConvertNulls;
  DoublePass = S->DoublePass;
  MaxMemSize = S->MaxMemSize;
  PrintIfEmpty = S->PrintIfEmpty;
  SilentMode = S->SilentMode;
  TempDir = S->TempDir;
  UseFileCache = S->UseFileCache;
  IgnoreDevByZero = S->IgnoreDevByZero;
  IgnoreExprError = S->IgnoreExprError;
  ScriptUnitFolders = S->ScriptUnitFolders;
}

void TrepEngineOptions::AssignThreadProps(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepEngineOptions*>(&Source);
  if (S == nullptr || S == this) return;
  SilentMode = S->SilentMode;
  UseFileCache = S->UseFileCache;
  DestroyForms = S->DestroyForms;
  EnableThreadSafe = S->EnableThreadSafe;
  UseGlobalDataSetList = S->UseGlobalDataSetList;
}

void TrepPreviewOptions::Clear() {
  OutlineExpand = true;
  OutlineVisible = false;
  OutlineWidth = 120;
  PagesInCache = 50;
  ThumbnailVisible = false;
}

void TrepPreviewOptions::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepPreviewOptions*>(&Source);
  if (S == nullptr || S == this) return;
  AllowEdit = S->AllowEdit;
  AllowPreviewEdit = S->AllowPreviewEdit;
  Buttons = S->Buttons;
  DoubleBuffered = S->DoubleBuffered;
  Maximized = S->Maximized;
  MDIChild = S->MDIChild;
  Modal = S->Modal;
  OutlineExpand = S->OutlineExpand;
  OutlineVisible = S->OutlineVisible;
  OutlineWidth = S->OutlineWidth;
  PagesInCache = S->PagesInCache;
  ShowCaptions = S->ShowCaptions;
  ThumbnailVisible = S->ThumbnailVisible;
  Zoom = S->Zoom;
  ZoomMode = S->ZoomMode;
  PictureCacheInFile = S->PictureCacheInFile;
  RTLPreview = S->RTLPreview;
}

void TrepPrintOptions::Clear() {
  Copies = 1;
  Collate = true;
  PageNumbers.clear();
  PagesOnSheet = 0;
  Printer = ResourceTable().Get("prDefault");
  PrintMode = pmDefault;
  PrintOnSheet = 0;
  PrintPages = ppAll;
  Reverse = false;
  ShowDialog = true;
  SwapPageSize = false;
  PrnOutFileName.clear();
  Duplex = dmNone;
  SplicingLine = 3;
}

void TrepPrintOptions::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepPrintOptions*>(&Source);
  if (S == nullptr || S == this) return;
  Copies = S->Copies;
  Collate = S->Collate;
  PageNumbers = S->PageNumbers;
  Printer = S->Printer;
  PrintMode = S->PrintMode;
  PrintOnSheet = S->PrintOnSheet;
  PrintPages = S->PrintPages;
  Reverse = S->Reverse;
  ShowDialog = S->ShowDialog;
  SplicingLine = S->SplicingLine;
}

TrepReportOptions::TrepReportOptions() {
  CreateDate = Now();
  LastChange = CreateDate;
}

void TrepReportOptions::Clear() {
  if (!Info) {
    Author.clear();
    Compressed = false;
    CreateDate = Now();
    LastChange = CreateDate;
    Description.Clear();
    VersionBuild.clear();
    VersionMajor.clear();
    VersionMinor.clear();
    VersionRelease.clear();
  }
  ConnectionName.clear();
  InitString.clear();
  Name.clear();
  Password.clear();
  PrevPassword.clear();
}

void TrepReportOptions::Assign(const rt::TObject& Source) {
  const auto* S = dynamic_cast<const TrepReportOptions*>(&Source);
  if (S == nullptr || S == this) return;
  Author = S->Author;
  Compressed = S->Compressed;
  ConnectionName = S->ConnectionName;
  CreateDate = S->CreateDate;
  Description.Assign(S->Description);
  InitString = S->InitString;
  LastChange = S->LastChange;
  Name = S->Name;
  Password = S->Password;
  VersionBuild = S->VersionBuild;
  VersionMajor = S->VersionMajor;
  VersionMinor = S->VersionMinor;
  VersionRelease = S->VersionRelease;
}

bool TrepReportOptions::CheckPassword() {
  if (Password.empty() || Password == PrevPassword || Password == HiddenPassword) return true;
  bool Accepted = false;
  {
    TrepPasswordForm Form;
    Accepted = Form.ShowModal() == rt::mrOk && Form.Text() == Password;
  }
  if (Accepted) {
    PrevPassword = Password;
    return true;
  }
  if (Report != nullptr) {
    Report->Errors().Add(ResourceTable().Get("Invalid password"));
    Report->ReportErrors();
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// TrepReport

TrepReport::TrepReport(rt::TComponent* AOwner)
    : TrepComponent(AOwner), FDataSets(std::make_unique<TrepReportDataSets>(this)),
      FEnabledDataSets(std::make_unique<TrepReportDataSets>(this)), FVariables(std::make_unique<TrepVariables>()),
      FStyles(std::make_unique<TrepStyles>(this)) {
  FScript = std::make_unique<TscScript>();
  FScript->ExtendedCharset = true;
  FScript->AddRTTI();
  FScript->OnGetUnit = [this](TscScript*, const std::string& UnitName, std::string& UnitText) {
    UnitText = ReadScriptUnit(EngineOptions.ScriptUnitFolders, UnitName);
  };
  FExpressionCache = std::make_unique<TrepExpressionCache>(FScript.get());
  FDrawText = std::make_unique<TrepDrawText>();
  Evaluate = [this](const std::u16string& Expr) { return Calc(rt::Utf16ToUtf8(Expr)); };
  ReportOptions.Report = this;
  FErrors.SetSorted(true);
  FErrors.Duplicates = rt::dupIgnore;
  frComponentStyle.Include(csHandlesNestedProperties);
  FEngine = std::make_unique<TrepEngine>(this);
  FMainPreviewPages = std::make_unique<TrepPreviewPages>(this);
  SetPreviewPages(FMainPreviewPages.get());
  Clear();
}

TrepReport::~TrepReport() {
  if (FDesigner) FDesigner->Report = nullptr;
  ForgetReportInDataSets(this);
  // The pages go first, while the report they belong to is still whole.
  DestroyChildren();
  ClosePreviewForm();
  if (FPreview != nullptr) {
    FPreview->UnInit(FPreviewPages);
    FPreview = nullptr;
  }
}

void TrepReport::Clear() {
  TrepComponent::Clear();
  EngineOptions.Clear();
  PreviewOptions.Clear();
  PrintOptions.Clear();
  ReportOptions.Clear();
  FDataSets->Clear();
  FVariables->Clear();
  FStyles->Clear();
  FDataSet.Clear();
  DotMatrixReport = false;
  SetParentReport("");
  ScriptLanguage = "PascalScript";
  FScriptText.Clear();
  FScriptText.Add("begin");
  FScriptText.Add("");
  FScriptText.Add("end.");
  FSysVariables.Clear();
  for (const char* Name : {"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line", "Line#",
                           "CopyName#", "TableRow", "TableColumn"})
    FSysVariables.Add(Name);
  OnRunDialogs.clear();
  OnStartReport.clear();
  OnStopReport.clear();
}

TrepComponent* TrepReport::FindObject(std::string_view AName) {
  TrepComponent* Found = TrepComponent::FindObject(AName);
  if (Found != nullptr || !IsLoading() || EngineOptions.UseGlobalDataSetList || FEnabledDataSets->Count() == 0)
    return Found;
  // While loading, a reference "Owner.DataSet" may name an enabled dataset of the application.
  const std::size_t Dot = AName.rfind('.');
  return FindDataSet(this, nullptr, std::string(Dot == std::string_view::npos ? AName : AName.substr(Dot + 1)));
}

void TrepReport::SetStyles(const TrepStyles* Value) {
  if (Value == nullptr) {
    FStyles->Clear();
    return;
  }
  FStyles->Assign(*Value);
  FStyles->Apply();
}

TrepDataSet* TrepReport::DataSet() const { return FDataSet.Get(); }
void TrepReport::SetDataSet(TrepDataSet* Value) { FDataSet.Set(Value); }
std::string TrepReport::DataSetName() const { return FDataSet.Name(); }
void TrepReport::SetDataSetName(const std::string& Value) { FDataSet.SetName(this, Value); }

TrepDataSet* TrepReport::GetDataset(const std::string& Alias) const {
  TrepDataSetItem* Item = FDataSets->Find(Alias);
  return Item ? Item->DataSet() : nullptr;
}

std::string TrepReport::GetAlias(TrepDataSet* DataSet) const {
  if (DataSet == nullptr) return {};
  if (FDataSets->Find(DataSet) != nullptr) return DataSet->UserName();
  return ResourceTable().Get("clDSNotIncl");
}

void TrepReport::GetDatasetAndField(const std::string& ComplexName, TrepDataSet*& Dataset, std::string& Field) const {
  Dataset = nullptr;
  Field.clear();
  const std::size_t Sep = ComplexName.find(".\"");
  if (Sep == std::string::npos) return;
  Dataset = GetDataset(ComplexName.substr(0, Sep));
  Field = ComplexName.substr(Sep + 2);
  if (!Field.empty()) Field.pop_back();
}

void TrepReport::GetDataSetList(rt::TStrings& List, bool OnlyDB) const {
  List.Clear();
  for (int I = 0; I < FDataSets->Count(); ++I) {
    TrepDataSet* D = FDataSets->Items(I)->DataSet();
    if (D == nullptr || (OnlyDB && dynamic_cast<TrepUserDataSet*>(D) != nullptr)) continue;
    List.AddObject(D->UserName(), D);
  }
}

void TrepReport::GetActiveDataSetList(rt::TStrings& List) const {
  if (EngineOptions.UseGlobalDataSetList) {
    ListGlobalDataSets(List);
    return;
  }
  List.Clear();
  for (int I = 0; I < FEnabledDataSets->Count(); ++I)
    if (TrepDataSet* D = FEnabledDataSets->Items(I)->DataSet()) List.AddObject(D->UserName(), D);
}

void TrepReport::Notification(rt::TComponent* AComponent) {
  auto* D = dynamic_cast<TrepDataSet*>(AComponent);
  if (D == nullptr) {
    if (AComponent != nullptr && AComponent == static_cast<rt::TObject*>(FPreview)) FPreview = nullptr;
    return;
  }
  if (TrepDataSetItem* Item = FDataSets->Find(D)) FDataSets->Delete(Item->Index());
  if (TrepDataSetItem* Item = FEnabledDataSets->Find(D)) FEnabledDataSets->Delete(Item->Index());
  FDataSet.Forget(D);
}

TrepPage* TrepReport::GetPages(int Index) const { return dynamic_cast<TrepPage*>(Objects().Items(Index)); }

std::string TrepReport::GetDescription() const { return ResourceTable().Get("obReport"); }

std::string TrepReport::ErrorsText() const { return ResourceTable().Get("clErrors") + "\r\n" + FErrors.Text(); }

void TrepReport::ReportErrors() { ReportError(this, ErrorsText()); }

rt::TStrings& TrepReport::ScriptText() {
  if ((ComponentState.Contains(csWriting) || IsWriting()) && !StoreInDFM) return FFakeScriptText;
  return FScriptText;
}

std::unique_ptr<rt::TCustomIniFile> TrepReport::GetIniFile() const {
  namespace fs = std::filesystem;
  auto Refuse = [&](const std::string& Why) {
    throw rt::Exception("Settings file \"" + IniFile.substr(0, 200) + "\" " + Why +
                        "; a report keeps its settings only in the server's settings folder");
  };
  if (IniFile.size() > repMaxIniFileChars)
    Refuse("is longer than " + std::to_string(repMaxIniFileChars) + " characters");
  static constexpr std::string_view Key = "\\Software\\";
  const bool IsKey = IniFile.size() >= Key.size() && rt::SameText(std::string_view(IniFile).substr(0, Key.size()), Key);
  std::string Name = IsKey ? IniFile.substr(Key.size()) : IniFile;
  std::replace(Name.begin(), Name.end(), '\\', '/');
  while (!Name.empty() && Name.back() == '/') Name.pop_back();
  if (Name.empty() || Name.find('\0') != std::string::npos) Refuse("names no file");
  if (IsKey) Name += ".ini";
  fs::path Folder = fs::path(repSettingsFolder()).lexically_normal();
  if (!Folder.has_filename()) Folder = Folder.parent_path();
  fs::path Path(Name);
  if (Path.is_relative()) Path = Folder / Path;
  Path = Path.lexically_normal();
  const fs::path Inside = Path.lexically_relative(Folder);
  if (Inside.empty() || *Inside.begin() == ".." || Inside == "." || !Path.has_filename())
    Refuse("lies outside " + Folder.string());
  std::error_code Ec;
  fs::create_directories(Path.parent_path(), Ec);
  return std::make_unique<rt::TIniFile>(Path.string());
}

std::string TrepReport::GetApplicationFolder() const {
  if (ComponentState.Contains(csDesigning)) {
    std::error_code Ec;
    std::string Dir = std::filesystem::current_path(Ec).string();
    if (Dir.empty() || Dir.back() != '/') Dir += '/';
    return Dir;
  }
  return ExeDirectory();
}

void TrepReport::SelectPrinter() {
  std::lock_guard<std::recursive_mutex> Lock(PrintersLock());
  TrepPrinters& Printers = GetPrinters();
  const int Index = Printers.IndexOf(PrintOptions.Printer);
  if (Index >= 0) Printers.SetPrinterIndex(Index);
}

void TrepReport::SetTerminated(bool Value) {
  FTerminated = Value;
  if (Value) FScript->Terminate();
}

bool TrepReport::Export(TrepCustomExportFilter* Filter) {
  return FPreviewPages != nullptr && FPreviewPages->Export(Filter);
}

TrepCustomEngine* TrepCustomOutline::Engine() const {
  return FPreviewPages != nullptr ? FPreviewPages->Engine : nullptr;
}

void TrepReport::SetPreviewPages(TrepCustomPreviewPages* Value) {
  FPreviewPages = Value;
  if (FEngine) FEngine->PreviewPages = Value;
  if (Value != nullptr) Value->Engine = FEngine.get();
}

void TrepReport::InternalOnProgressStart(TrepProgressType ProgressType) {
  if (EngineOptions.EnableThreadSafe) return;
  if (OnProgressStart) OnProgressStart(this, ProgressType, 0);
  if (FPreview != nullptr && ProgressType == ptRunning) FPreview->InternalOnProgressStart(this, ProgressType, 0);
}

void TrepReport::InternalOnProgress(TrepProgressType ProgressType, int Progress) {
  if (EngineOptions.EnableThreadSafe) return;
  if (OnProgress) OnProgress(this, ProgressType, Progress);
  if (FPreview != nullptr && ProgressType == ptRunning)
    FPreview->InternalOnProgress(this, ptRunning, Progress - 1);
}

void TrepReport::InternalOnProgressStop(TrepProgressType ProgressType) {
  if (EngineOptions.EnableThreadSafe) return;
  if (OnProgressStop) OnProgressStop(this, ProgressType, 0);
  if (FPreview != nullptr && ProgressType == ptRunning) FPreview->InternalOnProgressStop(this, ProgressType, 0);
}


void repClassInitialization() {
  for (rt::TClass C : {TrepCustomMemoView::ClassInfo(), TrepMemoView::ClassInfo(), TrepSysMemoView::ClassInfo(), TrepDialogPage::ClassInfo(), TrepFrame::ClassInfo(),
                       TrepPictureView::ClassInfo(), TrepReport::ClassInfo(), TrepReportPage::ClassInfo(),
                       TrepNullBand::ClassInfo(), TrepCustomLineView::ClassInfo(), TrepLineView::ClassInfo(),
                       TrepShapeView::ClassInfo(), TrepCheckBoxView::ClassInfo(), TrepUserDataSet::ClassInfo(),
                       TrepMemoryDataSet::ClassInfo(), TrepBrushFill::ClassInfo(), TrepGradientFill::ClassInfo(),
                       TrepGlassFill::ClassInfo(), TrepMemoView::ClassInfo(), TrepDataPage::ClassInfo(),
                       TrepSubreport::ClassInfo(), TrepFillGaps::ClassInfo(), TrepDataBand::ClassInfo()})
    rt::RegisterClass(C);
  for (rt::TClass C : BandClasses()) rt::RegisterClass(C);
  for (rt::TClass C : DialogControlClasses()) rt::RegisterClass(C);
}
