// The report component and its option objects.
#include <chrono>
#include <ctime>
#include <filesystem>

#include "report/engine/repClass.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/script/sc_iinterpreter.h"

rt::TClass TrepReport::ClassInfo() {
  static const rt::TClassInfo Info("TrepReport", TrepComponent::ClassInfo(), [] { return new TrepReport(nullptr); });
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

// ---------------------------------------------------------------------------------------------
// TrepReport

TrepReport::TrepReport(rt::TComponent* AOwner) : TrepComponent(AOwner) {
  FScript = std::make_unique<TscScript>();
  FScript->ExtendedCharset = true;
  FScript->AddRTTI();
  ReportOptions.Report = this;
  FErrors.SetSorted(true);
  FErrors.Duplicates = rt::dupIgnore;
  frComponentStyle.Include(csHandlesNestedProperties);
  Clear();
}

TrepReport::~TrepReport() {
  // The pages go first, while the report they belong to is still whole.
  DestroyChildren();
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
  DataSetName.clear();
  DotMatrixReport = false;
  ParentReport.clear();
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

TrepComponent* TrepReport::FindObject(std::string_view AName) { return TrepComponent::FindObject(AName); }

TrepPage* TrepReport::GetPages(int Index) const { return dynamic_cast<TrepPage*>(Objects().Items(Index)); }

std::string TrepReport::GetDescription() const { return ResourceTable().Get("obReport"); }

std::string TrepReport::ErrorsText() const { return ResourceTable().Get("clErrors") + "\r\n" + FErrors.Text(); }

void TrepReport::ReportErrors() { ReportError(this, ErrorsText()); }

rt::TStrings& TrepReport::ScriptText() {
  if (ComponentState.Contains(csWriting) && !StoreInDFM) return FFakeScriptText;
  return FScriptText;
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

void TrepReport::SetTerminated(bool Value) {
  FTerminated = Value;
  if (Value) FScript->Terminate();
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

void TrepReport::SetProgressMessage(const std::string& Value, bool Ishint, bool bHandleMessage) {
  (void)Value;
  (void)Ishint;
  (void)bHandleMessage;
}
