// The report viewer's form: toolbar, pages drawn on the server, outline, search, tabs, status
// line, keys, clicks on prepared objects, opening and saving prepared reports, and preparation
// off the request with progress and Cancel. The panels (page settings, print, export,
// preferences) are in ViewerPanels.cpp.
#include "webapp/ViewerForm.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>

#include "platform/gfx/Picture.h"
#include "platform/rt/Format.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "platform/web/Cache.h"
#include "platform/web/ControlForms.h"
#include "platform/web/Html.h"
#include "report/engine/repClass.h"
#include "report/engine/repPreviewForm.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repRes.h"
#include "report/engine/repXML.h"
#include "report/pdf/repExportPDF.h"
#include "webapp/ServerController.h"
#include "webapp/SizingReport.h"
#include "webapp/SizingTemplate.h"

using namespace web;

namespace webapp {

namespace {

std::atomic<bool> GAuthorMode{false};

// Layout of the form, in pixels.
constexpr int ToolBarHeight = 32;
constexpr int TabStripHeight = 24;
constexpr int StatusHeight = 22;
constexpr int FormHeight = 760;
constexpr int SearchWidth = 230;
constexpr int MinFormWidth = 900;
constexpr int MaxFormWidth = 2400;

// The texts the viewer names its sources by.
const char* const SourceNames[] = {"Last sizing report", "Sizing report template"};

std::string Res(const char* Name) { return ResourceTable().Get(Name); }

long long ZoomKey(double Zoom) { return std::llround(Zoom * 10000); }

bool OpensInBrowser(const std::string& URL) {
  const std::string L = rt::LowerCase(URL);
  return L.rfind("http://", 0) == 0 || L.rfind("https://", 0) == 0 || L.rfind("mailto:", 0) == 0;
}

TIWButton* ToolButton(TrepPreviewForm& F, const char* Name, const std::string& Caption, const std::string& Hint,
                      int& X, int Width) {
  auto* B = F.Add<TIWButton>(Name, F.ToolBar);
  B->SetBounds(X, 4, Width, 24);
  B->Caption = Caption;
  B->Hint = Hint;
  X += Width + 3;
  return B;
}

}  // namespace

void SetAuthorMode(bool Value) { GAuthorMode = Value; }
bool AuthorMode() { return GAuthorMode; }

TIWAppForm* CreateViewerForm(TIWApplication& app) { return app.CreateForm<TrepPreviewForm>(); }

TrepPreviewForm::TrepPreviewForm(TIWApplication& app) : TIWAppForm(app) {
  Name = "TrepPreviewForm";
  Title = ResourceString(100);
  Height = FormHeight;
  Color = 0xF0F0F0;
  NewPreview();
  FExport = std::make_unique<TrepPDFExport>();
  FExport->Compressed = true;
  FExport->SetEmbeddedFonts(false);
  FExport->HTMLTags = true;
  FExport->Quality = 95;
  FExport->Producer = "Report viewer";
  CreateControls();
  CreatePanels();
  OnRender = [this](TIWAppForm*) { UpdateView(); };
  OnKeyDown = [this](TIWAppForm*, int Key, rt::TShiftState Shift) { FormKeyDown(Key, Shift); };
  UpdateView();
}

TrepPreviewForm::~TrepPreviewForm() {
  FWorker.Cancel();
  FWorker.Wait();
  ForgetPictures();
  if (FReport) FReport->SetPreview(nullptr);
}

void TrepPreviewForm::CreateControls() {
  ToolBar = Add<TIWRegion>("ToolBar");
  ToolBar->SetBounds(0, 0, MinFormWidth, ToolBarHeight);
  ToolBar->Color = 0xE8E8E8;
  int X = 4;
  PrintB = ToolButton(*this, "PrintB", ResourceString(101), ResourceString(102), X, 48);
  OpenB = ToolButton(*this, "OpenB", ResourceString(103), ResourceString(104), X, 48);
  SaveB = ToolButton(*this, "SaveB", ResourceString(105), ResourceString(106), X, 48);
  PdfB = ToolButton(*this, "PdfB", ResourceString(154), ResourceString(151), X, 40);
  FindB = ToolButton(*this, "FindB", ResourceString(109), ResourceString(110), X, 44);
  X += 6;
  ZoomPlusB = ToolButton(*this, "ZoomPlusB", "+", ResourceString(125), X, 26);
  ZoomCB = Add<TIWComboBox>("ZoomCB", ToolBar);
  ZoomCB->SetBounds(X, 5, 100, 22);
  ZoomCB->Hint = ResourceString(119);
  X += 103;
  ZoomE = Add<TIWEdit>("ZoomE", ToolBar);
  ZoomE->SetBounds(X, 5, 44, 22);
  ZoomE->Hint = ResourceString(119);
  X += 47;
  ZoomMinusB = ToolButton(*this, "ZoomMinusB", "-", ResourceString(127), X, 26);
  X += 6;
  OutlineB = ToolButton(*this, "OutlineB", ResourceString(128), ResourceString(129), X, 58);
  PageSettingsB = ToolButton(*this, "PageSettingsB", ResourceString(120), ResourceString(121), X, 104);
  X += 6;
  FirstB = ToolButton(*this, "FirstB", "|<", ResourceString(135), X, 28);
  PriorB = ToolButton(*this, "PriorB", "<", ResourceString(137), X, 28);
  PageE = Add<TIWEdit>("PageE", ToolBar);
  PageE->SetBounds(X, 5, 44, 22);
  PageE->Hint = ResourceString(142);
  X += 47;
  OfNL = Add<TIWLabel>("OfNL", ToolBar);
  OfNL->SetBounds(X, 9, 62, 18);
  X += 64;
  NextB = ToolButton(*this, "NextB", ">", ResourceString(139), X, 28);
  LastB = ToolButton(*this, "LastB", ">|", ResourceString(141), X, 28);
  X += 6;
  PrefsB = ToolButton(*this, "PrefsB", "Settings", "Viewer settings", X, 62);
  CancelB = ToolButton(*this, "CancelB", Res("clClose"), "", X, 62);

  PrintB->OnClick = [this](TIWControl*) { ShowPanel("PrintPanel"); };
  PdfB->OnClick = [this](TIWControl*) { ShowPanel("ExportPanel"); };
  PageSettingsB->OnClick = [this](TIWControl*) { ShowPanel("PageSettingsPanel"); };
  PrefsB->OnClick = [this](TIWControl*) { ShowPanel("PrefsPanel"); };
  OpenB->OnClick = [this](TIWControl*) {
    OpenPanel->Visible = true;
    UpdateView();
  };
  SaveB->OnClick = [this](TIWControl*) {
    if (Preparing() || !FReport || FPreview->PageCount() == 0) return;
    std::string Name = FDocumentName.empty() ? "report" : FDocumentName;
    if (const auto Dot = Name.rfind('.'); Dot != std::string::npos && Dot > 0) Name.resize(Dot);
    Application().SendStream(SavedBytes(), true, "application/octet-stream", Name + ".rp3");
  };
  FindB->OnClick = [this](TIWControl*) {
    SearchPanel->Visible = !SearchPanel->Visible;
    if (!SearchPanel->Visible) FPreview->FindTextClear();
    UpdateView();
  };
  ZoomPlusB->OnClick = [this](TIWControl*) {
    if (!Preparing() && FPreview->PageCount() > 0) repZoomStep(*FPreview, true);
    UpdateView();
  };
  ZoomMinusB->OnClick = [this](TIWControl*) {
    if (!Preparing() && FPreview->PageCount() > 0) repZoomStep(*FPreview, false);
    UpdateView();
  };
  ZoomCB->OnChange = [this](TIWControl*) { ZoomCBClick(); };
  ZoomE->OnAsyncKeyDown = [this](TIWControl*, const TIWEventParams& P) {
    if (P.Values("Which") == "13") ZoomEClick();
  };
  PageE->OnAsyncKeyDown = [this](TIWControl*, const TIWEventParams& P) {
    if (P.Values("Which") == "13") PageEClick();
  };
  OutlineB->OnClick = [this](TIWControl*) {
    OutlineTree->Visible = !OutlineTree->Visible;
    if (!Preparing()) FPreview->UpdatePages();
    UpdateView();
  };
  // While a report prepares or exports, the pages belong to the worker: the view waits.
  FirstB->OnClick = [this](TIWControl*) { if (!Preparing()) FPreview->First(); UpdateView(); };
  PriorB->OnClick = [this](TIWControl*) { if (!Preparing()) FPreview->Prior(); UpdateView(); };
  NextB->OnClick = [this](TIWControl*) { if (!Preparing()) FPreview->Next(); UpdateView(); };
  LastB->OnClick = [this](TIWControl*) { if (!Preparing()) FPreview->Last(); UpdateView(); };
  CancelB->OnClick = [this](TIWControl*) { CancelBClick(); };

  TabStrip = Add<TIWRegion>("TabStrip");
  TabStrip->SetBounds(0, ToolBarHeight, MinFormWidth, TabStripHeight);
  TabStrip->Visible = false;

  OutlineTree = Add<TIWTreeView>("OutlineTree");
  OutlineTree->Visible = false;
  OutlineTree->OnClick = [this](TIWControl*, TIWTreeNode* N) {
    if (!Preparing() && N->Data >= 0 && N->Data < static_cast<int>(FOutlineNodes.size()))
      FPreview->OutlineNodeClick(*FOutlineNodes[static_cast<std::size_t>(N->Data)]);
    UpdateView();
  };

  Workspace = Add<TIWRegion>("Workspace");
  Workspace->Color = 0x808080;
  Workspace->ScrollBars = true;
  Workspace->OnScroll = [this](TIWControl*, int L, int T) { WorkspaceScrolled(L, T); };
  WorkspaceExtent = Add<TIWLabel>("WorkspaceExtent", Workspace);
  for (int I = 0; I < MaxPagesInReply; ++I) {
    auto* Img = Add<TIWImage>("PageImage" + std::to_string(I + 1), Workspace);
    Img->Visible = false;
    Img->OnMouseDown = [this, I](TIWControl*, int PX, int PY, rt::TShiftState Shift) {
      if (I < static_cast<int>(FPagesShown.size())) PageClick(FPagesShown[static_cast<std::size_t>(I)], PX, PY, Shift);
    };
    PageImages.push_back(Img);
  }
  FoundMark = Add<TIWRegion>("FoundMark", Workspace);
  FoundMark->BorderWidth = 2;
  FoundMark->BorderColor = clRed;
  FoundMark->ZIndex = 10;
  FoundMark->Visible = false;

  StatusBar = Add<TIWLabel>("StatusBar");
  MessageBar = Add<TIWLabel>("MessageBar");

  ProgressTimer = Add<TIWTimer>("ProgressTimer");
  ProgressTimer->Interval = ProgressPollMs;
  ProgressTimer->Enabled = false;
  ProgressTimer->OnTimer = [this](TIWControl*) { ProgressTimerTick(); };

  // Search panel (right side).
  SearchPanel = Add<TIWRegion>("SearchPanel");
  SearchPanel->Visible = false;
  SearchPanel->Color = 0xF0F0F0;
  auto* lblFind = Add<TIWLabel>("lblFind", SearchPanel);
  lblFind->SetBounds(8, 8, 200, 18);
  lblFind->Caption = ResourceString(301);
  edtFind = Add<TIWEdit>("edtFind", SearchPanel);
  edtFind->SetBounds(8, 28, SearchWidth - 20, 22);
  edtFind->OnAsyncKeyDown = [this](TIWControl*, const TIWEventParams& P) {
    if (P.Values("Which") == "13") FindTextClick();
  };
  chkBeg = Add<TIWCheckBox>("chkBeg", SearchPanel);
  chkBeg->SetBounds(8, 58, SearchWidth - 20, 20);
  chkBeg->Caption = ResourceString(304);
  chkCase = Add<TIWCheckBox>("chkCase", SearchPanel);
  chkCase->SetBounds(8, 80, SearchWidth - 20, 20);
  chkCase->Caption = ResourceString(305);
  chkFindAll = Add<TIWCheckBox>("chkFindAll", SearchPanel);
  chkFindAll->SetBounds(8, 102, SearchWidth - 20, 20);
  chkFindAll->Caption = ResourceString(306);
  chkFindAll->OnChange = [this](TIWControl*) {
    trvFind->Clear();
    trvFind->Visible = chkFindAll->Checked;
  };
  btnFind = Add<TIWButton>("btnFind", SearchPanel);
  btnFind->SetBounds(8, 128, 90, 24);
  btnFind->Caption = ResourceString(300);
  btnFind->OnClick = [this](TIWControl*) { FindTextClick(); };
  btnFindPrior = Add<TIWButton>("btnFindPrior", SearchPanel);
  btnFindPrior->SetBounds(102, 128, 50, 24);
  btnFindPrior->Caption = "<";
  btnFindPrior->Hint = "Find previous";
  btnFindPrior->OnClick = [this](TIWControl*) { FindPriorClick(); };
  btnFindNext = Add<TIWButton>("btnFindNext", SearchPanel);
  btnFindNext->SetBounds(156, 128, 50, 24);
  btnFindNext->Caption = ">";
  btnFindNext->Hint = "Find next (F3)";
  btnFindNext->OnClick = [this](TIWControl*) { FindNextClick(); };
  trvFind = Add<TIWTreeView>("trvFind", SearchPanel);
  trvFind->SetBounds(8, 160, SearchWidth - 20, 400);
  trvFind->Visible = false;
  trvFind->OnClick = [this](TIWControl*, TIWTreeNode* N) {
    const auto& Hits = FPreview->Search().Hits;
    if (Preparing()) return;
    if (N->Data >= 0 && N->Data < static_cast<int>(Hits.size())) {
      FPreview->ShowSearchHit(Hits[static_cast<std::size_t>(N->Data)]);
    } else if (N->Data < 0) {
      FPreview->SetPageNo(-N->Data);
    }
    UpdateView();
  };

  // Open panel.
  OpenPanel = Add<TIWRegion>("OpenPanel");
  OpenPanel->SetBounds(200, 80, 420, 150);
  OpenPanel->Anchors = akTop;
  OpenPanel->Color = clWhite;
  OpenPanel->BorderWidth = 1;
  OpenPanel->ZIndex = 5000;
  OpenPanel->Visible = false;
  auto* OpenL = Add<TIWLabel>("OpenL", OpenPanel);
  OpenL->SetBounds(10, 10, 400, 18);
  OpenL->Caption = ResourceString(103);
  SourceCB = Add<TIWComboBox>("SourceCB", OpenPanel);
  SourceCB->SetBounds(10, 34, 260, 22);
  SourceCB->Items = {SourceNames[0], SourceNames[1]};
  SourceCB->ItemIndex = 0;
  OpenSourceB = Add<TIWButton>("OpenSourceB", OpenPanel);
  OpenSourceB->SetBounds(280, 34, 120, 24);
  OpenSourceB->Caption = "Open";
  OpenSourceB->OnClick = [this](TIWControl*) {
    OpenPanel->Visible = false;
    if (SourceCB->ItemIndex == 1) OpenSizingTemplate();
    else OpenSizingReport();
    UpdateView();
  };
  auto* FileL = Add<TIWLabel>("OpenFileL", OpenPanel);
  FileL->SetBounds(10, 70, 400, 18);
  FileL->Caption = AuthorMode() ? "Or a prepared report (.rp3) or a report template (.xml):"
                                : "Or a prepared report file (.rp3):";
  OpenFileUploader = Add<TIWFileUploader>("OpenFileUploader", OpenPanel);
  OpenFileUploader->SetBounds(10, 92, 300, 24);
  OpenFileUploader->Accept = AuthorMode() ? ".rp3,.xml" : ".rp3";
  OpenFileUploader->OnAsyncUploadCompleted = [this](TIWControl* S, std::string&, const std::string& FileName,
                                                   bool& Save, bool&) {
    Save = false;
    OpenPanel->Visible = false;
    OpenFile(FileName, static_cast<TIWFileUploader*>(S)->Content());
    UpdateView();
  };
  OpenCancelB = Add<TIWButton>("OpenCancelB", OpenPanel);
  OpenCancelB->SetBounds(320, 118, 80, 24);
  OpenCancelB->Caption = ResourceString(2);
  OpenCancelB->OnClick = [this](TIWControl*) { OpenPanel->Visible = false; };

  // Progress panel: the progress window's message and Cancel.
  ProgressPanel = Add<TIWRegion>("ProgressPanel");
  ProgressPanel->SetBounds(0, 200, 271, 101);
  ProgressPanel->Anchors = akTop;
  ProgressPanel->Color = clWhite;
  ProgressPanel->BorderWidth = 2;
  ProgressPanel->BorderColor = clGray;
  ProgressPanel->ZIndex = 6000;
  ProgressPanel->Visible = false;
  LMessage = Add<TIWLabel>("LMessage", ProgressPanel);
  LMessage->SetBounds(16, 20, 237, 20);
  LMessage->Alignment = taCenter;
  ProgressCancelB = Add<TIWButton>("ProgressCancelB", ProgressPanel);
  ProgressCancelB->SetBounds(98, 60, 75, 25);
  ProgressCancelB->Caption = Res("clCancel");
  ProgressCancelB->OnClick = [this](TIWControl*) { CancelBClick(); };

  KeyPreview = {33, 34, 35, 36, 37, 38, 39, 40, 114, 27, 33 + KeyCtrl, 34 + KeyCtrl, 36 + KeyCtrl, 35 + KeyCtrl,
                80 + KeyCtrl, 83 + KeyCtrl, 70 + KeyCtrl, 79 + KeyCtrl};
}

int TrepPreviewForm::WorkspaceWidth() const { return Workspace->Width; }
int TrepPreviewForm::WorkspaceHeight() const { return Workspace->Height; }

// ---- documents ----

void TrepPreviewForm::ForgetPictures() {
  for (const TRendered& R : FRendered) TIWAppCache::Remove(R.URL);
  FRendered.clear();
  if (!FRunningPicture.empty()) TIWAppCache::Remove(FRunningPicture);
  FRunningPicture.clear();
}

void TrepPreviewForm::NewPreview(bool KeepZoom) {
  auto P = std::make_unique<TrepPreview>();
  P->OnOpenURL = [this](TrepPreview*, const std::string& URL) { OpenAddress(URL); };
  if (FPreview && (KeepZoom || FKeepZoom)) {
    if (FPreview->ZoomMode() == zmDefault) P->SetZoom(FPreview->Zoom());
    else P->SetZoomMode(FPreview->ZoomMode());
  }
  FPreview = std::move(P);
}

void TrepPreviewForm::Clear() {
  ForgetPictures();
  if (FReport) FReport->SetPreview(nullptr);
  NewPreview();
  FOutline.clear();
  FOutlineNodes.clear();
  OutlineTree->Clear();
  trvFind->Clear();
  FPagesShown.clear();
  FReport.reset();
  FDocumentName.clear();
}

void TrepPreviewForm::SetReport(std::unique_ptr<TrepReport> Report) {
  Clear();
  FReport = std::move(Report);
  FReport->EngineOptions.SetSilentMode(true);
  FReport->EngineOptions.DestroyForms = false;
  FReport->EngineOptions.UseGlobalDataSetList = false;
  FReport->EngineOptions.UseFileCache = false;
}

void TrepPreviewForm::AttachPreview() {
  FPreview->Workspace().Resize(Workspace->Width, Workspace->Height);
  FReport->SetPreview(FPreview.get());
  FPreview->UpdatePages();
  RebuildOutline();
}

void TrepPreviewForm::OpenSizingReport() {
  if (Preparing()) return;
  TIWUserSession* S = UserSession();
  TrepReport& Session = *S->VXCVrep1;
  auto R = std::make_unique<TrepReport>(nullptr);
  try {
    rt::TStringStream Template;
    Session.SaveToStream(Template);
    Template.Seek(0, rt::soBeginning);
    R->LoadFromStream(Template);
  } catch (const std::exception& e) {
    Application().ShowMessage(std::string("The sizing report could not be opened: ") + e.what());
    return;
  }
  SetReport(std::move(R));
  FDocumentName = "SizingReport";
  TrepCustomPreviewPages* Last = Session.PreviewPages();
  if (Last != nullptr && Last->Count() > 0) {
    // The pages the last Report click made, copied so the viewer never touches the session's own.
    try {
      rt::TStringStream Pages;
      Last->SaveToStream(Pages);
      Pages.Seek(0, rt::soBeginning);
      FReport->PreviewPages()->LoadFromStream(Pages);
      AttachPreview();
      return;
    } catch (const std::exception& e) {
      Application().ShowMessage(std::string("The last sizing report could not be copied: ") + e.what());
    }
  }
  RestoreReportTemplate(*FReport);
  for (int I = 0; I < FReport->PagesCount(); ++I)
    if (auto* P = dynamic_cast<TrepReportPage*>(FReport->GetPages(I))) P->SetVisible(true);
  StartPreparing("sizing report");
}

void TrepPreviewForm::OpenSizingTemplate() {
  if (Preparing()) return;
  auto R = std::make_unique<TrepReport>(nullptr);
  LoadSizingTemplate(*R);
  SetReport(std::move(R));
  FDocumentName = "SizingTemplate";
  StartPreparing("template");
}

bool TrepPreviewForm::OpenFile(const std::string& FileName, const std::string& Bytes) {
  if (Preparing()) return false;
  const bool Prepared = Bytes.find("<preparedreport") != std::string::npos;
  auto R = std::make_unique<TrepReport>(nullptr);
  std::string Failure;
  try {
    rt::TStringStream In(Bytes);
    if (Prepared) {
      R->EngineOptions.SetSilentMode(true);
      R->PreviewPages()->LoadFromStream(In);
      if (R->PreviewPages()->Count() == 0) Failure = "it holds no pages";
    } else if (!AuthorMode()) {
      Failure = "it is no prepared report. Report templates are opened only by a server started for a report "
                "author (--author)";
    } else {
      R->EngineOptions.SetSilentMode(true);
      R->LoadFromStream(In);
      if (!R->StreamLoaded || R->PagesCount() == 0) Failure = "it is no report template";
    }
  } catch (const std::exception& e) {
    Failure = e.what();
  }
  if (Failure.empty() && Prepared && R->Errors().Count() > 0) Failure = R->Errors().Strings(0);
  if (!Failure.empty()) {
    Clear();
    UpdateView();
    Application().ShowMessage("The file " + FileName + " cannot be opened: " + Failure);
    return false;
  }
  SetReport(std::move(R));
  FDocumentName = repFileBaseName(FileName);
  if (Prepared) AttachPreview();
  else StartPreparing("template");
  return true;
}

std::string TrepPreviewForm::SavedBytes() {
  rt::TStringStream Out;
  if (FReport) FReport->PreviewPages()->SaveToStream(Out);
  return Out.DataString();
}

// ---- preparing off the request ----

void TrepPreviewForm::StartPreparing(const std::string& What) {
  TrepReport* R = FReport.get();
  R->SetPreview(nullptr);
  // The engine's preview held the pages the worker now writes: a fresh one, with the zoom.
  NewPreview(true);
  FRunningCount = 0;
  // Progress reaches the report's event only outside thread-safe mode; the server shows no
  // window, the event is the worker's.
  R->EngineOptions.EnableThreadSafe = false;
  R->OnProgress = [this, R](TrepReport*, TrepProgressType Type, int Progress) {
    if (Type != ptRunning) return;
    FWorker.SetProgress("", Progress);
    if (FWorker.Cancelled()) R->SetTerminated(true);
    FWorker.SafePoint();
  };
  FWorker.Start([R, Host = &FModalHost](TIWWorker& W) {
    W.SetProgress("", 0);
    // Dialog pages and the script's forms show in the browser and wait for their answer.
    TControlFormsScope Forms(*Host);
    R->PrepareReport(true);
    W.SafePoint();
  });
  LMessage->Caption = "Preparing the " + What + "...";
  ProgressTimer->Enabled = true;
}

void TrepPreviewForm::FinishPreparing() {
  ProgressTimer->Enabled = false;
  if (!FReport) return;
  FReport->OnProgress = nullptr;
  FReport->EngineOptions.EnableThreadSafe = true;
  if (!FWorker.Error().empty()) Application().ShowMessage("The report could not be prepared: " + FWorker.Error());
  if (FRunningPicture.size()) TIWAppCache::Remove(FRunningPicture);
  FRunningPicture.clear();
  const int Keep = FPreview->PageNo();
  AttachPreview();
  if (Keep > 1) FPreview->SetPageNo(Keep);
  if (FPreview->PageCount() == 0 && FReport->Errors().Count() > 0)
    Application().ShowMessage("The report could not be prepared: " + FReport->Errors().Strings(0));
}

void TrepPreviewForm::ProgressTimerTick() {
  // A form the job waits on goes up over the viewer; the timer ticks again once it is answered.
  if (FModalHost.ShowWaiting(Application())) return;
  if (FWorker.TakeFinished() || (!FWorker.Running() && ProgressTimer->Enabled)) {
    ProgressTimer->Enabled = false;
    if (FExporting) FinishExport();
    else FinishPreparing();
    UpdateView();
    return;
  }
  UpdateView();
}

void TrepPreviewForm::CancelBClick() {
  if (Preparing()) {
    FWorker.Cancel();
    return;
  }
  // Closing: back to the form that opened the viewer, or an empty viewer at its own address.
  if (Closable && Application().ActiveForm() == this) Release();
}

// ---- pages ----

std::string TrepPreviewForm::DrawPagePNG(int Index, double Zoom) {
  TrepCustomPreviewPages* Pages = FReport ? FReport->PreviewPages() : nullptr;
  if (Pages == nullptr) return {};
  const gfx::TPoint Size = Pages->GetPageSize(Index);
  int W = std::max(1, static_cast<int>(std::lround(Size.X * Zoom)));
  int H = std::max(1, static_cast<int>(std::lround(Size.Y * Zoom)));
  double Z = Zoom;
  if (static_cast<long long>(W) * H > MaxPagePixels) {
    const double F = std::sqrt(static_cast<double>(MaxPagePixels) / (static_cast<double>(W) * H));
    W = std::max(1, static_cast<int>(W * F));
    H = std::max(1, static_cast<int>(H * F));
    Z = Zoom * F;
  }
  gfx::TBitmap B(W, H, gfx::pf24bit);
  gfx::TCanvas& C = B.Canvas();
  C.Brush.Color = gfx::clWhite;
  C.Brush.Style = gfx::bsSolid;
  C.FillRect(gfx::TRect{0, 0, W, H});
  Pages->DrawPage(Index, C, Z, Z, 0, 0, false);
  return gfx::EncodePNG(B);
}

std::string TrepPreviewForm::PagePicture(int Index, double Zoom) {
  const long long Key = ZoomKey(Zoom);
  for (auto It = FRendered.begin(); It != FRendered.end(); ++It) {
    if (It->Page == Index && It->ZoomKey == Key) {
      FRendered.splice(FRendered.begin(), FRendered, It);
      return FRendered.front().URL;
    }
  }
  const std::string URL = TIWAppCache::AddSessionBytes(&Application(), DrawPagePNG(Index, Zoom), "image/png");
  FRendered.push_front({Index, Key, URL});
  while (static_cast<int>(FRendered.size()) > MaxRenderedPages) {
    TIWAppCache::Remove(FRendered.back().URL);
    FRendered.pop_back();
  }
  return URL;
}

void TrepPreviewForm::RenderRunningPage() {
  // While the report runs, the page asked for is drawn at a safe point of the preparation.
  for (TIWImage* I : PageImages) I->Visible = false;
  FPagesShown.clear();
  int Count = 0;
  std::string Png;
  const int Want = std::max(1, FPreview->PageNo());
  TrepReport* R = FReport.get();
  // The page drawn at an earlier poll stays; another page is drawn once it is finished.
  const bool Drawn = !FRunningPicture.empty() && FRunningPage == Want - 1;
  const bool Reached = FWorker.RunAtSafePoint(
      [&] {
        TrepCustomPreviewPages* P = R->PreviewPages();
        Count = P->Count();
        // The last page may still be filling.
        if (!Drawn && Count > 1 && Want <= Count - 1) Png = DrawPagePNG(Want - 1, FPreview->Zoom());
      },
      std::chrono::milliseconds(SafePointWaitMs));
  if (!Reached && !Drawn) return;
  if (Reached) FRunningCount = Count;
  if (!Png.empty()) {
    if (!FRunningPicture.empty()) TIWAppCache::Remove(FRunningPicture);
    FRunningPicture = TIWAppCache::AddSessionBytes(&Application(), std::move(Png), "image/png");
    FRunningPage = Want - 1;
  }
  if (FRunningPicture.empty()) return;
  TIWImage* I = PageImages[0];
  I->SetPictureURL(FRunningPicture);
  I->SetBounds(10, 10, 0, 0);
  I->Visible = true;
  FPagesShown.push_back(Want - 1);
}

void TrepPreviewForm::RenderPages() {
  for (TIWImage* I : PageImages) I->Visible = false;
  FoundMark->Visible = false;
  FPagesShown.clear();
  TrepPreviewWorkspace& WS = FPreview->Workspace();
  TrepPageList& List = WS.PageList();
  const gfx::TPoint Max = List.GetMaxBounds();
  WorkspaceExtent->SetBounds(0, 0, std::max(1, Max.X + 10), std::max(1, Max.Y + 10));
  Workspace->ScrollLeft = WS.HorzPosition();
  Workspace->ScrollTop = WS.VertPosition();
  if (List.Count() == 0) return;
  // The pages in view and a screen above and below them.
  const int Top = WS.VertPosition() - Workspace->Height, Bottom = WS.VertPosition() + 2 * Workspace->Height;
  int First = std::max(0, List.FindPage(std::max(0, Top), 0));
  const int Current = FPreview->PageNo() - 1;
  std::vector<int> Pages;
  for (int I = First; I < List.Count() && static_cast<int>(Pages.size()) < MaxPagesInReply; ++I) {
    const TrepPageItem& It = List.Items(I);
    if (It.OffsetY > Bottom) break;
    if (It.OffsetY + It.Height >= Top) Pages.push_back(I);
  }
  if (Current >= 0 && Current < List.Count() && std::find(Pages.begin(), Pages.end(), Current) == Pages.end()) {
    if (static_cast<int>(Pages.size()) == MaxPagesInReply) Pages.pop_back();
    Pages.insert(Pages.begin(), Current);
  }
  const TrepSearchState& S = FPreview->Search();
  for (std::size_t K = 0; K < Pages.size(); ++K) {
    const int I = Pages[K];
    const TrepPageItem& It = List.Items(I);
    TIWImage* Img = PageImages[K];
    Img->SetPictureURL(PagePicture(I, FPreview->Zoom()));
    Img->SetBounds(It.OffsetX, It.OffsetY, It.Width, It.Height);
    Img->AltText = "Page " + std::to_string(I + 1);
    Img->Visible = true;
    FPagesShown.push_back(I);
    if (S.Found && S.LastFoundPage == I) ShowFoundMark(I, gfx::TRect{It.OffsetX, It.OffsetY, It.OffsetX + It.Width, It.OffsetY + It.Height}, S.FoundRect);
  }
}

void TrepPreviewForm::ShowFoundMark(int, const gfx::TRect& PageRect, const gfx::TRect& Hit) {
  const double Z = FPreview->Zoom();
  const int L = static_cast<int>(std::lround(Hit.Left * Z)), T = static_cast<int>(std::lround(Hit.Top * Z));
  const int R = static_cast<int>(std::lround(Hit.Right * Z)), B = static_cast<int>(std::lround(Hit.Bottom * Z));
  // One pixel wider on each side than the text, as the desktop preview marks it.
  FoundMark->SetBounds(PageRect.Left + L - 3, PageRect.Top + T - 2, R - L + 6, B - T + 4);
  FoundMark->Visible = true;
}

void TrepPreviewForm::WorkspaceScrolled(int Left, int Top) {
  if (Preparing()) return;
  FPreview->Workspace().SetHorzPosition(Left);
  FPreview->Workspace().SetVertPosition(Top);
  UpdateView();
}

void TrepPreviewForm::PageClick(int Index, int X, int Y, rt::TShiftState Shift) {
  if (Preparing() || !FReport) return;
  TrepCustomPreviewPages* Pages = FReport->PreviewPages();
  if (Index < 0 || Index >= Pages->Count()) return;
  FPreview->SetPageNo(Index + 1);
  // The picture's pixels are the page's at the zoom, paper corner at (0, 0): the move finds the
  // object under the point, the click follows it (hyperlinks, detail pages, drill-down).
  const double Z = FPreview->Zoom();
  for (TrepMouseIntEvents E : {meMouseMove, meMouseDown, meMouseUp, TrepMouseIntEvents::meClick}) {
    TrepPreviewIntEventParams P;
    P.MouseEventType = E;
    Pages = FReport->PreviewPages();
    if (Pages == nullptr || Index >= Pages->Count()) break;
    Pages->ObjectOver(Index, X, Y, rt::mbLeft, Shift, Z, 0, 0, P);
    if (E == meMouseDown && P.RetResult) break;
  }
  // A drill-down or a detail page may have prepared pages again.
  FPreview->UpdatePages();
  RebuildOutline();
  UpdateView();
}

void TrepPreviewForm::OpenAddress(const std::string& URL) {
  // Addresses come from report data: only web and mail addresses, and only in the browser.
  if (!OpensInBrowser(URL)) {
    Application().ShowMessage("The link " + URL + " is not a web address and is not opened.");
    return;
  }
  Application().AddToInitProc("NewWindow(" + JsString(URL) + ", '_blank', 'noopener');");
}

// ---- toolbar ----

void TrepPreviewForm::PageEClick() {
  if (Preparing()) return;
  const std::string T = rt::Trim(PageE->Text);
  int N = 0;
  if (!rt::TryStrToInt(T, N) || N < 1 || N > FPreview->PageCount()) {
    Application().ShowMessage("'" + T + "' is not a page number of this report (1 to " +
                              std::to_string(FPreview->PageCount()) + ").");
  } else {
    FPreview->SetPageNo(N);
  }
  UpdateView();
}

void TrepPreviewForm::ZoomCBClick() {
  if (Preparing()) return;
  if (FPreview->PageCount() > 0 && ZoomCB->ItemIndex >= 0) {
    const auto Items = repZoomItems();
    if (ZoomCB->ItemIndex < static_cast<int>(Items.size())) repApplyZoomBox(*FPreview, ZoomCB->ItemIndex, Items[static_cast<std::size_t>(ZoomCB->ItemIndex)]);
  }
  UpdateView();
}

void TrepPreviewForm::ZoomEClick() {
  if (Preparing()) return;
  std::string T;
  for (char C : ZoomE->Text)
    if (C != ' ' && C != '%') T += C;
  double V = 0;
  if (!rt::TryStrToFloat(T, V) || !std::isfinite(V) || V < MinZoomPercent || V > MaxZoomPercent) {
    Application().ShowMessage("'" + ZoomE->Text + "' is not a zoom between " + std::to_string(MinZoomPercent) +
                              " % and " + std::to_string(MaxZoomPercent) + " %.");
  } else if (FPreview->PageCount() > 0) {
    repApplyZoomBox(*FPreview, -1, T);
  }
  UpdateView();
}

void TrepPreviewForm::FormKeyDown(int Key, rt::TShiftState Shift) {
  if (Preparing()) {
    if (Key == 27) CancelBClick();
    return;
  }
  if (!OpenPanel->Visible && Key == 27) {
    CancelBClick();
    return;
  }
  TrepPreviewWorkspace& WS = FPreview->Workspace();
  const bool Ctrl = (Shift & rt::ssCtrl) != 0;
  const TrepPreviewButtons& B = FReport ? FReport->PreviewOptions.Buttons : TrepPreviewButtons{};
  switch (Key) {
    case 38: WS.SetVertPosition(WS.VertPosition() - 8); break;
    case 40: WS.SetVertPosition(WS.VertPosition() + 8); break;
    case 37: WS.SetHorzPosition(WS.HorzPosition() - 8); break;
    case 39: WS.SetHorzPosition(WS.HorzPosition() + 8); break;
    case 33: Ctrl ? FPreview->Prior() : WS.SetVertPosition(WS.VertPosition() - 300); break;
    case 34: Ctrl ? FPreview->Next() : WS.SetVertPosition(WS.VertPosition() + 300); break;
    case 36: FPreview->First(); break;
    case 35: FPreview->Last(); break;
    case 114:
      if (B.Contains(pbFind)) FindNextClick();
      break;
    case 70:
      if (Ctrl && B.Contains(pbFind)) {
        SearchPanel->Visible = !SearchPanel->Visible;
        if (SearchPanel->Visible) AddToInitProc("var e=document.getElementById('edtFind');if(e){e.focus();e.select();}");
      }
      break;
    case 80:
      if (Ctrl && B.Contains(pbPrint)) ShowPanel("PrintPanel");
      break;
    case 83:
      if (Ctrl && B.Contains(pbSave) && SaveB->OnClick) SaveB->OnClick(SaveB);
      break;
    case 79:
      if (Ctrl && B.Contains(pbLoad)) OpenPanel->Visible = true;
      break;
    default: break;
  }
  UpdateView();
}

// ---- search ----

void TrepPreviewForm::FindTextClick() {
  if (FPreview->PageCount() == 0 || Preparing()) return;
  const std::u16string Text = rt::Utf8ToUtf16(edtFind->Text);
  if (Text.empty()) return;
  TrepSearchState& S = FPreview->Search();
  if (chkFindAll->Checked) {
    S.Text = Text;
    S.CaseSensitive = chkCase->Checked;
    S.FindAll = true;
    S.LastFoundPage = 0;
    S.LastHitRecord = -1;
    S.Hits.clear();
    S.HitPages.clear();
    repSearchPages(*FReport->PreviewPages(), S);
    S.FindAll = false;
    FPreview->AllowF3 = false;
    RebuildFindResults();
    if (!S.Hits.empty()) FPreview->ShowSearchHit(S.Hits.front());
    else Application().ShowMessage(Res("clStrNotFound"));
  } else {
    S.FindAll = false;
    const bool FromTop = chkBeg->Checked;
    if (!FPreview->FindText(Text, FromTop, chkCase->Checked)) Application().ShowMessage(Res("clStrNotFound"));
    chkBeg->Checked = false;
  }
  UpdateView();
}

void TrepPreviewForm::FindNextClick() {
  if (FPreview->PageCount() == 0 || Preparing()) return;
  if (FPreview->AllowF3) {
    if (!FPreview->FindNext()) Application().ShowMessage(Res("clStrNotFound"));
  } else if (!edtFind->Text.empty()) {
    FindTextClick();
    return;
  }
  UpdateView();
}

void TrepPreviewForm::FindPriorClick() {
  if (FPreview->PageCount() == 0 || Preparing() || edtFind->Text.empty()) return;
  // Every hit up to the current one, then the one before it.
  TrepSearchState& S = FPreview->Search();
  const bool Had = S.Found;
  const int CurPage = Had ? S.LastFoundPage : FPreview->PageNo() - 1;
  const gfx::TRect CurRect = S.FoundRect;
  TrepSearchState All;
  All.Text = rt::Utf8ToUtf16(edtFind->Text);
  All.CaseSensitive = chkCase->Checked;
  All.FindAll = true;
  repSearchPages(*FReport->PreviewPages(), All);
  const TrepSearchHit* Prior = nullptr;
  for (const TrepSearchHit& H : All.Hits) {
    if (H.Page > CurPage) break;
    if (Had && H.Page == CurPage && H.Bounds.Top == CurRect.Top && H.Bounds.Left == CurRect.Left) break;
    if (!Had && H.Page == CurPage) break;
    Prior = &H;
  }
  if (Prior == nullptr) {
    Application().ShowMessage(Res("clStrNotFound"));
  } else {
    S.Text = All.Text;
    S.CaseSensitive = All.CaseSensitive;
    FPreview->ShowSearchHit(*Prior);
    FPreview->AllowF3 = false;
  }
  UpdateView();
}

void TrepPreviewForm::RebuildFindResults() {
  trvFind->Clear();
  const TrepSearchState& S = FPreview->Search();
  std::vector<std::pair<int, TIWTreeNode*>> PageNodes;
  for (std::size_t I = 0; I < S.Hits.size(); ++I) {
    const TrepSearchHit& H = S.Hits[I];
    TIWTreeNode* P = nullptr;
    for (auto& [Page, Node] : PageNodes)
      if (Page == H.Page) P = Node;
    if (P == nullptr) {
      P = trvFind->Add(ResourceString(202) + " " + std::to_string(H.Page + 1), -(H.Page + 1));
      PageNodes.emplace_back(H.Page, P);
    }
    P->Add(rt::Utf16ToUtf8(H.Snippet), static_cast<int>(I));
  }
  trvFind->FullExpand();
}

void TrepPreviewForm::RebuildOutline() {
  OutlineTree->Clear();
  FOutline.clear();
  FOutlineNodes.clear();
  TrepCustomPreviewPages* Pages = FReport ? FReport->PreviewPages() : nullptr;
  if (Pages == nullptr || Pages->Outline() == nullptr) return;
  FOutline = repOutlineTree(*Pages->Outline());
  // Depth-first, without recursion: outlines come from files too.
  struct TStep {
    const TrepOutlineNode* Node;
    TIWTreeNode* Parent;
  };
  std::vector<TStep> Stack;
  for (auto It = FOutline.rbegin(); It != FOutline.rend(); ++It) Stack.push_back({&*It, nullptr});
  while (!Stack.empty()) {
    const TStep S = Stack.back();
    Stack.pop_back();
    const int Data = static_cast<int>(FOutlineNodes.size());
    FOutlineNodes.push_back(S.Node);
    TIWTreeNode* N = S.Parent ? S.Parent->Add(S.Node->Text, Data) : OutlineTree->Add(S.Node->Text, Data);
    for (auto It = S.Node->Children.rbegin(); It != S.Node->Children.rend(); ++It) Stack.push_back({&*It, N});
  }
  if (FReport->PreviewOptions.OutlineExpand) OutlineTree->FullExpand();
}

// ---- the view ----

void TrepPreviewForm::UpdateView() {
  const int FW = std::clamp(Application().FormWidth() > 0 ? Application().FormWidth() - 4 : 1000, MinFormWidth,
                            MaxFormWidth);
  Width = FW;
  ToolBar->Width = FW;
  const bool Running = Preparing();
  const int Count = FPreview->PageCount();
  const TrepPreviewOptions Defaults;
  const TrepPreviewOptions& O = FReport && !Running ? FReport->PreviewOptions : Defaults;
  const TrepPreviewTools Tools = repPreviewTools(O);
  const TrepPreviewCommandState Cmd = repPreviewCommands(O, Running, Count, 0, false, false);

  PrintB->Visible = Tools.Print;
  OpenB->Visible = Tools.Open;
  SaveB->Visible = Tools.Save;
  FindB->Visible = Tools.Find;
  ZoomPlusB->Visible = ZoomMinusB->Visible = ZoomCB->Visible = ZoomE->Visible = Tools.ZoomButtons;
  OutlineB->Visible = Tools.Outline;
  PageSettingsB->Visible = Tools.PageSettings;
  FirstB->Visible = PriorB->Visible = NextB->Visible = LastB->Visible = PageE->Visible = OfNL->Visible = Tools.Navigator;
  for (TIWButton* B : {PrintB, SaveB, PdfB, FindB, PageSettingsB}) B->Enabled = Cmd.PageTools;
  OpenB->Enabled = Cmd.Open;
  PrefsB->Enabled = !Running;
  CancelB->Caption = Running ? Res("clCancel") : Res("clClose");
  CancelB->Visible = Running || Closable;

  // Tabs.
  for (TIWControl* C : std::vector<TIWControl*>(TabStrip->Controls())) FreeComponent(C);
  TabStrip->Visible = !Running && FPreview->HasVisibleTabs();
  if (TabStrip->Visible) {
    TabStrip->Width = FW;
    int X = 4;
    for (int I = 0; I < FPreview->TabCount(); ++I) {
      const TrepPreviewTabItem& T = FPreview->Tab(I);
      auto* B = Add<TIWButton>("Tab" + std::to_string(I + 1), TabStrip);
      B->Caption = (T.Caption.empty() ? T.Name : T.Caption) + (I == FPreview->CurrentTab() ? " *" : "");
      B->SetBounds(X, 1, 150, 22);
      B->OnClick = [this, I](TIWControl*) {
        if (Preparing()) return;
        FPreview->SetCurrentTab(I);
        RebuildOutline();
        UpdateView();
      };
      X += 152;
      if (FPreview->TabClosable(I)) {
        auto* C = Add<TIWButton>("TabClose" + std::to_string(I + 1), TabStrip);
        C->Caption = "x";
        C->Hint = "Close the tab";
        C->SetBounds(X, 1, 22, 22);
        C->OnClick = [this, I](TIWControl*) {
          if (Preparing()) return;
          FPreview->RemoveTab(I);
          RebuildOutline();
          UpdateView();
        };
        X += 26;
      }
    }
  }

  // The panes.
  const int Top = ToolBarHeight + (TabStrip->Visible ? TabStripHeight : 0);
  const int PaneHeight = FormHeight - Top - StatusHeight;
  const int OutlineWidth = std::clamp(O.OutlineWidth, 80, 600) + 60;
  OutlineTree->SetBounds(0, Top, OutlineWidth, PaneHeight);
  const int Left = OutlineTree->Visible ? OutlineWidth + 4 : 0;
  const int Right = SearchPanel->Visible ? SearchWidth + 4 : 0;
  SearchPanel->SetBounds(FW - SearchWidth, Top, SearchWidth, PaneHeight);
  Workspace->SetBounds(Left, Top, FW - Left - Right, PaneHeight);
  StatusBar->SetBounds(4, FormHeight - StatusHeight + 3, 300, 18);
  MessageBar->SetBounds(310, FormHeight - StatusHeight + 3, FW - 320, 18);
  ProgressPanel->Visible = Running;
  ProgressTimer->Enabled = Running || ProgressTimer->Enabled;

  if (Running && FExporting) {
    // The export works on finished pages: the view stays; only its options may be asked.
    ProgressPanel->Visible = FWorker.Question().empty();
    StatusBar->Caption = LMessage->Caption;
    UpdatePanels();
    return;
  }
  if (Running) {
    const int Done = FWorker.ProgressCount();
    LMessage->Caption = std::string("Preparing page ") + std::to_string(Done + 1) + "...";
    StatusBar->Caption = Res("clFirstPass") + " " + std::to_string(Done);
    RenderRunningPage();
    PageE->Text = std::to_string(std::max(1, FPreview->PageNo()));
    OfNL->Caption = rt::Format(Res("clOf"), {rt::TVarRec::Integer(FRunningCount)});
    MessageBar->Caption = "";
    return;
  }

  if (FPreview->Workspace().ClientWidth() != Workspace->Width || FPreview->Workspace().ClientHeight() != Workspace->Height) {
    FPreview->Workspace().Resize(Workspace->Width, Workspace->Height);
    FPreview->UpdatePages();
  }
  // Zoom box: the items, with the zoom in effect first when it is none of them.
  ZoomCB->Items = repZoomItems();
  const std::string ZT = repZoomText(FPreview->Zoom());
  if (FPreview->ZoomMode() == zmPageWidth) ZoomCB->ItemIndex = 6;
  else if (FPreview->ZoomMode() == zmWholePage) ZoomCB->ItemIndex = 7;
  else ZoomCB->SetText(ZT);
  ZoomE->Text = ZT;
  PageE->Text = std::to_string(FPreview->PageNo());
  OfNL->Caption = rt::Format(Res("clOf"), {rt::TVarRec::Integer(Count)});
  StatusBar->Caption = Count > 0 ? repPageStatusText(FPreview->PageNo(), Count, false) : "";
  MessageBar->Caption = FPreview->MessageText();
  Title = FDocumentName.empty() ? ResourceString(100) : ResourceString(100) + " - " + FDocumentName;
  RenderPages();
  UpdatePanels();
}

}  // namespace webapp
