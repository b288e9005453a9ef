// The report viewer's form: toolbar, pages drawn on the server, outline, search, tabs, status
// line, keys, clicks on prepared objects, opening and saving prepared reports, and preparation
// off the request with progress and Cancel. The panels (page settings, print, export,
// preferences) are in ViewerPanels.cpp.
#include "webapp/ViewerForm.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <map>
#include <mutex>

#include "platform/gfx/Picture.h"
#include "platform/rt/Format.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "platform/web/Cache.h"
#include "platform/web/ControlForms.h"
#include "platform/web/DialogHost.h"
#include "platform/web/Html.h"
#include "report/engine/repButtonImages.h"
#include "report/engine/repClass.h"
#include "report/engine/repInPlaceCopyPaste.h"
#include "report/engine/repPreviewForm.h"
#include "report/engine/repPreviewPages.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
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

// The two resolutions the toolbar's pictures are offered at; the browser picks by its screen.
constexpr int ScreenPPI = 96, LargeScreenPPI = 144;
constexpr int IconButtonWidth = 28;
constexpr TColor PressedColor = 0xF0D8B8;

// A toolbar button; with an image of the preview's image lists it shows the picture, else the
// caption.
TIWButton* ToolButton(TrepPreviewForm& F, const char* Name, const std::string& Caption, const std::string& Hint,
                      int& X, int Width, int Image = -1) {
  auto* B = F.Add<TIWButton>(Name, F.ToolBar);
  B->Caption = Caption;
  B->Hint = Hint;
  if (Image >= 0) {
    Width = IconButtonWidth;
    B->PictureSize = repButtonCellSize;
  }
  B->SetBounds(X, 4, Width, 24);
  X += Width + 3;
  return B;
}

}  // namespace

void SetAuthorMode(bool Value) { GAuthorMode = Value; }
bool AuthorMode() { return GAuthorMode; }

TIWAppForm* CreateViewerForm(TIWApplication& app) { return app.CreateForm<TrepPreviewForm>(); }

const std::string& TrepPreviewForm::ButtonPicture(int Index, int PPI) {
  // Made once per process and resolution: every viewer shows the same pictures.
  static std::mutex Lock;
  static std::map<std::pair<int, int>, std::string> Made;
  static const std::string None;
  const TrepImageList& L = repImageLists().PreviewButtonImages(PPI);
  if (Index < 0 || Index >= L.Count()) return None;
  std::lock_guard<std::mutex> G(Lock);
  std::string& P = Made[{Index, TrepImageLists::ListPPI(PPI)}];
  if (P.empty()) P = gfx::EncodePNG(L.Images(Index));
  return P;
}

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
  FClipboard = std::make_unique<TrepClipboard>();
  CreateControls();
  CreatePanels();
  // The toolbar's pictures: the preview's image list at both resolutions, as session pictures.
  const std::pair<TIWButton*, int> Pictures[] = {
      {PrintB, 2},   {OpenB, 0},  {SaveB, 1},  {PdfB, 24},  {FindB, 4},  {ZoomPlusB, 15},
      {ZoomMinusB, 16}, {OutlineB, 12}, {ThumbB, 5}, {PageSettingsB, 7}, {FirstB, 8}, {PriorB, 9},
      {NextB, 10},   {LastB, 11}, {CopyCmd, 26}, {PasteCmd, 27}};
  for (const auto& [B, Image] : Pictures) {
    B->PictureURL = TIWAppCache::AddSessionBytes(&app, ButtonPicture(Image, ScreenPPI), "image/png");
    B->LargePictureURL = TIWAppCache::AddSessionBytes(&app, ButtonPicture(Image, LargeScreenPPI), "image/png");
    FButtonPictures.push_back(B->PictureURL);
    FButtonPictures.push_back(B->LargePictureURL);
  }
  OnRender = [this](TIWAppForm*) { UpdateView(); };
  OnKeyDown = [this](TIWAppForm*, int Key, rt::TShiftState Shift) { FormKeyDown(Key, Shift); };
  UpdateView();
}

TrepPreviewForm::~TrepPreviewForm() {
  FWorker.Cancel();
  FWorker.Wait();
  ForgetPictures();
  for (const std::string& U : FButtonPictures) TIWAppCache::Remove(U);
  if (FReport) FReport->SetPreview(nullptr);
}

void TrepPreviewForm::CreateControls() {
  ToolBar = Add<TIWRegion>("ToolBar");
  ToolBar->SetBounds(0, 0, MinFormWidth, ToolBarHeight);
  ToolBar->Color = 0xE8E8E8;
  int X = 4;
  PrintB = ToolButton(*this, "PrintB", ResourceString(101), ResourceString(102), X, 48, 2);
  OpenB = ToolButton(*this, "OpenB", ResourceString(103), ResourceString(104), X, 48, 0);
  SaveB = ToolButton(*this, "SaveB", ResourceString(105), ResourceString(106), X, 48, 1);
  PdfB = ToolButton(*this, "PdfB", ResourceString(154), ResourceString(151), X, 40, 24);
  FindB = ToolButton(*this, "FindB", ResourceString(109), ResourceString(110), X, 44, 4);
  X += 6;
  ZoomPlusB = ToolButton(*this, "ZoomPlusB", "+", ResourceString(125), X, 26, 15);
  ZoomCB = Add<TIWComboBox>("ZoomCB", ToolBar);
  ZoomCB->SetBounds(X, 5, 100, 22);
  ZoomCB->Hint = ResourceString(119);
  X += 103;
  ZoomE = Add<TIWEdit>("ZoomE", ToolBar);
  ZoomE->SetBounds(X, 5, 44, 22);
  ZoomE->Hint = ResourceString(119);
  X += 47;
  ZoomMinusB = ToolButton(*this, "ZoomMinusB", "-", ResourceString(127), X, 26, 16);
  X += 6;
  OutlineB = ToolButton(*this, "OutlineB", ResourceString(128), ResourceString(129), X, 58, 12);
  ThumbB = ToolButton(*this, "ThumbB", ResourceString(130), ResourceString(131), X, 58, 5);
  PageSettingsB = ToolButton(*this, "PageSettingsB", ResourceString(120), ResourceString(121), X, 104, 7);
  X += 6;
  FirstB = ToolButton(*this, "FirstB", "|<", ResourceString(135), X, 28, 8);
  PriorB = ToolButton(*this, "PriorB", "<", ResourceString(137), X, 28, 9);
  PageE = Add<TIWEdit>("PageE", ToolBar);
  PageE->SetBounds(X, 5, 44, 22);
  PageE->Hint = ResourceString(142);
  X += 47;
  OfNL = Add<TIWLabel>("OfNL", ToolBar);
  OfNL->SetBounds(X, 9, 62, 18);
  X += 64;
  NextB = ToolButton(*this, "NextB", ">", ResourceString(139), X, 28, 10);
  LastB = ToolButton(*this, "LastB", ">|", ResourceString(141), X, 28, 11);
  X += 6;
  CopyCmd = ToolButton(*this, "CopyCmd", ResourceString(160), ResourceString(160) + " (Ctrl+C)", X, 28, 26);
  PasteCmd = ToolButton(*this, "PasteCmd", ResourceString(161), ResourceString(161) + " (Ctrl+V)", X, 28, 27);
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
    // The file's type (plain or through a transport) is chosen in the save panel.
    ShowPanel("SavePanel");
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
  OutlineB->OnClick = [this](TIWControl*) { OutlineBClick(); };
  ThumbB->OnClick = [this](TIWControl*) { ThumbBClick(); };
  CopyCmd->OnClick = [this](TIWControl*) { CopyCmdExecute(); };
  // Reading the browser's clipboard needs the browser's own road; what it reads arrives at
  // PasteUploader like a Ctrl+V.
  PasteCmd->ScriptOnClick = "return PasteClipboard();";
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
  for (int I = 0; I < MaxSelectionMarks; ++I) {
    auto* M = Add<TIWRegion>("SelectionMark" + std::to_string(I + 1), Workspace);
    M->BorderWidth = 2;
    M->BorderColor = 0xD77800;
    M->ZIndex = 9;
    M->Visible = false;
    SelectionMarks.push_back(M);
  }
  FoundMark = Add<TIWRegion>("FoundMark", Workspace);
  FoundMark->BorderWidth = 2;
  FoundMark->BorderColor = clRed;
  FoundMark->ZIndex = 10;
  FoundMark->Visible = false;

  Thumbnails = Add<TIWRegion>("Thumbnails");
  Thumbnails->Visible = false;
  Thumbnails->Color = 0x808080;
  Thumbnails->ScrollBars = true;
  Thumbnails->OnScroll = [this](TIWControl*, int, int T) {
    if (Preparing()) return;
    FPreview->Thumbnail().SetVertPosition(T);
    UpdateView();
  };
  ThumbnailExtent = Add<TIWLabel>("ThumbnailExtent", Thumbnails);
  ThumbFrame = Add<TIWRegion>("ThumbFrame", Thumbnails);
  ThumbFrame->BorderWidth = 2;
  ThumbFrame->BorderColor = clBlue;
  ThumbFrame->Visible = false;
  for (int I = 0; I < MaxThumbnailsInReply; ++I) {
    auto* Img = Add<TIWImage>("ThumbImage" + std::to_string(I + 1), Thumbnails);
    Img->Visible = false;
    Img->ZIndex = 1;
    Img->OnMouseDown = [this, I](TIWControl*, int, int, rt::TShiftState) {
      if (I < static_cast<int>(FThumbsShown.size())) ThumbnailClick(FThumbsShown[static_cast<std::size_t>(I)]);
    };
    ThumbImages.push_back(Img);
  }

  PasteUploader = Add<TIWFileUploader>("PasteUploader");
  PasteUploader->Visible = false;
  PasteUploader->OnAsyncUploadCompleted = [this](TIWControl* S, std::string&, const std::string& FileName, bool& Save,
                                                 bool&) {
    Save = false;
    PasteContent(FileName, static_cast<TIWFileUploader*>(S)->Content());
  };
  PasteTarget = PasteUploader;

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
                80 + KeyCtrl, 83 + KeyCtrl, 70 + KeyCtrl, 79 + KeyCtrl, 67 + KeyCtrl};
}

int TrepPreviewForm::WorkspaceWidth() const { return Workspace->Width; }
int TrepPreviewForm::WorkspaceHeight() const { return Workspace->Height; }

// ---- documents ----

void TrepPreviewForm::ForgetPictures() {
  for (auto* Held : {&FRendered, &FThumbsRendered}) {
    for (const TRendered& R : *Held) TIWAppCache::Remove(R.URL);
    Held->clear();
  }
  if (!FRunningPicture.empty()) TIWAppCache::Remove(FRunningPicture);
  FRunningPicture.clear();
}

void TrepPreviewForm::NewPreview(bool KeepZoom) {
  auto P = std::make_unique<TrepPreview>();
  P->OnOpenURL = [this](TrepPreview*, const std::string& URL) { OpenAddress(URL); };
  // An object changed in place (a paste) is written into the pages it was shown from.
  P->OnModifyObject = [this](TrepComponent* C) {
    if (auto* Pages = dynamic_cast<TrepPreviewPages*>(FPreview->PreviewPages())) Pages->ModifyObject(C);
  };
  FSelectionPage = -1;
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
  FThumbsShown.clear();
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
    // Loads on the request ask nobody; the password is asked before preparing.
    R->EngineOptions.EnableThreadSafe = true;
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

namespace {

// A prepared-report file, plain or compressed: its root element is near the head of the unpacked
// text (the compressor keeps its cap on what it unpacks).
bool IsPreparedReport(const std::string& Bytes) {
  constexpr std::size_t Head = 4096;
  if (Bytes.find("<preparedreport") != std::string::npos) return true;
  if (!DefaultCompressorClass) return false;
  try {
    std::unique_ptr<TrepCustomCompressor> C = DefaultCompressorClass();
    if (!C) return false;
    C->CreateStream();
    rt::TStringStream In(Bytes);
    if (!C->Decompress(In) || C->Stream() == nullptr) return false;
    rt::TStream& Plain = *C->Stream();
    Plain.SetPosition(0);
    std::string Text(static_cast<std::size_t>(std::min<std::int64_t>(Plain.Size(), Head)), '\0');
    if (!Text.empty()) Plain.ReadBuffer(Text.data(), static_cast<std::int64_t>(Text.size()));
    return Text.find("<preparedreport") != std::string::npos;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool TrepPreviewForm::OpenFile(const std::string& FileName, const std::string& Bytes) {
  if (Preparing()) return false;
  const bool Prepared = IsPreparedReport(Bytes);
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
      R->EngineOptions.EnableThreadSafe = true;
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

// Progress reaches the report's event only outside thread-safe mode; the server shows no window,
// the event is the worker's, and a Cancel there ends the run.
void TrepPreviewForm::ReportProgressToWorker(TrepReport* R) {
  R->EngineOptions.EnableThreadSafe = false;
  R->OnProgress = [this, R](TrepReport*, TrepProgressType Type, int Progress) {
    if (Type != ptRunning) return;
    FWorker.SetProgress("", Progress);
    if (FWorker.Cancelled()) R->SetTerminated(true);
    FWorker.SafePoint();
  };
}

void TrepPreviewForm::StartPreparing(const std::string& What) {
  TrepReport* R = FReport.get();
  R->SetPreview(nullptr);
  // The engine's preview held the pages the worker now writes: a fresh one, with the zoom.
  NewPreview(true);
  FRunningCount = 0;
  ReportProgressToWorker(R);
  StartJob([R, Host = &FModalHost](TIWWorker& W) {
    W.SetProgress("", 0);
    // Dialog pages, the script's forms and dialogs show in the browser and wait for their answer.
    TControlFormsScope Forms(*Host);
    web::TIWDialogPresenter Dialogs(*Host, ViewerFilesFolder());
    rt::TDialogPresenterScope DialogsScope(&Dialogs);
    // The password is asked here although the server loads reports thread-safe: the browser can
    // answer, and a password nobody asks for protects nothing.
    if (!R->ReportOptions.CheckPassword()) {
      R->Clear();
      return;
    }
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
    else if (FClickJob) FinishClickJob();
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

namespace {

// Page Index of Pages drawn at Zoom, never larger than MaxPagePixels.
std::unique_ptr<gfx::TBitmap> DrawPageBitmap(TrepCustomPreviewPages* Pages, int Index, double Zoom) {
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
  auto B = std::make_unique<gfx::TBitmap>(W, H, gfx::pf24bit);
  gfx::TCanvas& C = B->Canvas();
  C.Brush.Color = gfx::clWhite;
  C.Brush.Style = gfx::bsSolid;
  C.FillRect(gfx::TRect{0, 0, W, H});
  Pages->DrawPage(Index, C, Z, Z, 0, 0, false);
  return B;
}

}  // namespace

std::string TrepPreviewForm::DrawPagePNG(int Index, double Zoom) {
  TrepCustomPreviewPages* Pages = FReport ? FReport->PreviewPages() : nullptr;
  if (Pages == nullptr) return {};
  return gfx::EncodePNG(*DrawPageBitmap(Pages, Index, Zoom));
}

std::string TrepPreviewForm::DrawThumbnailPNG(int Index) {
  TrepCustomPreviewPages* Pages = FReport ? FReport->PreviewPages() : nullptr;
  if (Pages == nullptr) return {};
  const auto B = DrawPageBitmap(Pages, Index, FPreview->Thumbnail().Zoom);
  // The page's number in its top left corner, white on the strip's colour.
  gfx::TCanvas& C = B->Canvas();
  C.Font.SetName("Arial");
  C.Font.SetSize(8);
  C.Font.SetColor(gfx::clWhite);
  const std::u16string N = rt::Utf8ToUtf16(" " + std::to_string(Index + 1) + " ");
  C.Brush = gfx::TBrush{static_cast<gfx::TColor>(Thumbnails->Color), gfx::bsSolid};
  C.FillRect(gfx::TRect{1, 1, 1 + C.TextWidth(N), 1 + C.TextHeight(N)});
  C.BkMode = gfx::bkTransparent;
  C.TextOut(1, 1, N);
  return gfx::EncodePNG(*B);
}

TrepPreviewForm::TRendered& TrepPreviewForm::HeldPicture(std::list<TRendered>& Held, std::size_t Cap, int Index,
                                                               long long Key, const std::function<std::string()>& Draw) {
  for (auto It = Held.begin(); It != Held.end(); ++It) {
    if (It->Page == Index && It->ZoomKey == Key) {
      Held.splice(Held.begin(), Held, It);
      return Held.front();
    }
  }
  Held.push_front({Index, Key, TIWAppCache::AddSessionBytes(&Application(), Draw(), "image/png"), {}});
  while (Held.size() > Cap) {
    TIWAppCache::Remove(Held.back().URL);
    Held.pop_back();
  }
  return Held.front();
}

const TrepPreviewForm::TRendered& TrepPreviewForm::PagePicture(int Index, double Zoom) {
  bool Drawn = false;
  TRendered& R = HeldPicture(FRendered, MaxRenderedPages, Index, ZoomKey(Zoom), [&] {
    Drawn = true;
    return DrawPagePNG(Index, Zoom);
  });
  if (Drawn) {
    // Hints and links go with the picture: the pointer finds them in the browser.
    if (auto* Pages = dynamic_cast<TrepPreviewPages*>(FReport->PreviewPages()))
      for (auto& A : Pages->PointerAreas(Index, Zoom, FPreview->UseReportHints, TIWImage::MaxPointerAreas))
        R.Areas.push_back({A.Rect.Left, A.Rect.Top, A.Rect.Right, A.Rect.Bottom, std::move(A.Hint),
                         A.Link.empty() ? std::move(A.HintLine) : std::move(A.Link), A.Hand});
  }
  return R;
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
  for (TIWRegion* M : SelectionMarks) M->Visible = false;
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
    const TRendered& R = PagePicture(I, FPreview->Zoom());
    Img->SetPictureURL(R.URL);
    Img->PointerAreas = R.Areas;
    Img->StatusControl = MessageBar->Name();
    Img->SetBounds(It.OffsetX, It.OffsetY, It.Width, It.Height);
    Img->AltText = "Page " + std::to_string(I + 1);
    Img->Visible = true;
    FPagesShown.push_back(I);
    const gfx::TRect PageRect{It.OffsetX, It.OffsetY, It.OffsetX + It.Width, It.OffsetY + It.Height};
    if (S.Found && S.LastFoundPage == I) ShowFoundMark(I, PageRect, S.FoundRect);
    if (I == FSelectionPage) RenderSelection(I, PageRect);
  }
}

void TrepPreviewForm::RenderSelection(int PageIndex, const gfx::TRect& PageRect) {
  auto* Pages = dynamic_cast<TrepPreviewPages*>(FPreview->PreviewPages());
  TrepSelectedObjectsList& Sel = FPreview->SelectionList();
  if (Pages == nullptr || Sel.Count() == 0) return;
  const TrepReportPage* Page = Pages->GetPage(PageIndex);
  if (Page == nullptr) return;
  std::size_t K = 0;
  for (int I = 0; I < Sel.Count() && K < SelectionMarks.size(); ++I) {
    auto* C = dynamic_cast<TrepComponent*>(Sel.Items(I));
    // Shift+clicks on other pages may have selected objects there: only this page's are marked.
    if (C == nullptr || C->Page() != Page) continue;
    const gfx::TRect R = TrepPreviewPages::PixelRect(*Page, PageIndex, *C, FPreview->Zoom());
    SelectionMarks[K]->SetBounds(PageRect.Left + R.Left - 2, PageRect.Top + R.Top - 2, R.Width() + 4, R.Height() + 4);
    SelectionMarks[K++]->Visible = true;
  }
}

void TrepPreviewForm::RenderThumbnails() {
  for (TIWImage* I : ThumbImages) I->Visible = false;
  ThumbFrame->Visible = false;
  FThumbsShown.clear();
  if (!Thumbnails->Visible || Preparing()) return;
  TrepPreviewWorkspace& TW = FPreview->Thumbnail();
  TrepPageList& List = TW.PageList();
  const gfx::TPoint Max = List.GetMaxBounds();
  ThumbnailExtent->SetBounds(0, 0, std::max(1, Max.X + 10), std::max(1, Max.Y + 10));
  Thumbnails->ScrollTop = TW.VertPosition();
  if (List.Count() == 0) return;
  // The rows in view and half a view above and below them.
  const int Top = TW.VertPosition() - Thumbnails->Height / 2, Bottom = TW.VertPosition() + Thumbnails->Height * 3 / 2;
  int First = std::max(0, List.FindPage(std::max(0, Top), 0));
  // The lookup finds the last page of a row: the row's first pages are in view as well.
  while (First > 0 && List.Items(First - 1).OffsetY + List.Items(First - 1).Height >= Top) --First;
  const int Current = FPreview->PageNo() - 1;
  const long long Key = ZoomKey(TW.Zoom);
  for (int I = First; I < List.Count() && static_cast<int>(FThumbsShown.size()) < MaxThumbnailsInReply; ++I) {
    const TrepPageItem& It = List.Items(I);
    if (It.OffsetY > Bottom) break;
    if (It.OffsetY + It.Height < Top) continue;
    TIWImage* Img = ThumbImages[FThumbsShown.size()];
    Img->SetPictureURL(HeldPicture(FThumbsRendered, MaxThumbnailsHeld, I, Key, [&] { return DrawThumbnailPNG(I); }).URL);
    Img->SetBounds(It.OffsetX, It.OffsetY, It.Width, It.Height);
    Img->AltText = "Page " + std::to_string(I + 1);
    Img->Hint = Img->AltText;
    Img->Visible = true;
    FThumbsShown.push_back(I);
    if (I == Current) {
      ThumbFrame->SetBounds(It.OffsetX - 3, It.OffsetY - 3, It.Width + 6, It.Height + 6);
      ThumbFrame->Visible = true;
    }
  }
}

void TrepPreviewForm::ThumbnailClick(int Index) {
  if (Preparing() || Index < 0 || Index >= FPreview->PageCount()) return;
  // The strip stays where it is; the main workspace goes to the page.
  TrepPreviewWorkspace& TW = FPreview->Thumbnail();
  TW.DisableUpdate = true;
  FPreview->SetPageNo(Index + 1);
  TW.DisableUpdate = false;
  UpdateView();
}

void TrepPreviewForm::OutlineBClick() {
  OutlineTree->Visible = !OutlineTree->Visible;
  if (OutlineTree->Visible) Thumbnails->Visible = false;
  if (!Preparing()) FPreview->UpdatePages();
  UpdateView();
}

void TrepPreviewForm::ThumbBClick() {
  Thumbnails->Visible = !Thumbnails->Visible;
  if (Thumbnails->Visible) {
    OutlineTree->Visible = false;
    // The strip opens at the current page.
    if (!Preparing()) FPreview->Thumbnail().ShowPage(FPreview->PageNo());
  }
  UpdateView();
}

// ---- copy and paste ----

void TrepPreviewForm::CopyCmdExecute() {
  if (Preparing() || !FReport || !CopyCmd->Visible || !CopyCmd->Enabled) return;
  TrepClipboardScope Scope(*FClipboard);
  FClipboard->Clear();
  FPreview->InternalCopy();
  if (FClipboard->HasText()) {
    AddToInitProc("CopyText(" + JsString(rt::Utf16ToUtf8(FClipboard->Text())) + ");");
  } else if (FClipboard->HasPicture()) {
    gfx::TPicture P;
    FClipboard->GetPicture(P);
    gfx::TBitmap B(std::max(1, P.Width()), std::max(1, P.Height()), gfx::pf32bit);
    if (const gfx::TBitmap* Px = P.Graphic() ? P.Graphic()->Pixels() : nullptr) B.Assign(*Px);
    else if (P.Graphic()) P.Graphic()->Draw(B.Canvas(), gfx::TRect{0, 0, B.Width(), B.Height()});
    // A page cannot put a picture on the clipboard without asking: it is downloaded instead.
    Application().SendStream(gfx::EncodePNG(B), true, "image/png", "picture.png");
  }
  UpdateView();
}

void TrepPreviewForm::PasteContent(const std::string& FileName, const std::string& Bytes) {
  if (Preparing() || !FReport || !PasteCmd->Visible) return;
  TrepClipboardScope Scope(*FClipboard);
  FClipboard->Clear();
  if (FileName == PastedTextFileName) {
    FClipboard->SetText(rt::Utf8ToUtf16(Bytes));
  } else {
    // Pictures come from the user's browser: read through the decoders and their limits.
    try {
      gfx::TPicture P;
      rt::TStringStream In(Bytes);
      P.LoadFromStream(In);
      FClipboard->SetPicture(P);
    } catch (const std::exception& e) {
      Application().ShowMessage(std::string("The pasted picture cannot be read: ") + e.what());
      UpdateView();
      return;
    }
  }
  if (!FPreview->InternalIsPasteAvailable()) {
    Application().ShowMessage("Select an object that takes the pasted content (Shift+click) first.");
  } else {
    FPreview->InternalPaste();
    // The pages with the changed objects are drawn again.
    ForgetPictures();
  }
  UpdateView();
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
  FSelectionPage = Index;
  // The picture's pixels are the page's at the zoom, paper corner at (0, 0): the move finds the
  // object under the point, the click follows it (hyperlinks, detail pages, drill-down).
  const double Z = FPreview->Zoom();
  for (TrepMouseIntEvents E : {meMouseMove, meMouseDown, meMouseUp, TrepMouseIntEvents::meClick}) {
    TrepPreviewIntEventParams P;
    P.MouseEventType = E;
    Pages = FReport->PreviewPages();
    if (Pages == nullptr || Index >= Pages->Count()) break;
    if (E == ::meClick && ClickPrepares(*Pages)) {
      // A drill-down or a detail page prepares a report: that is the worker's, as any
      // preparation, and the page polls its progress.
      StartClickJob(Index, X, Y, Shift, Z);
      UpdateView();
      return;
    }
    Pages->ObjectOver(Index, X, Y, rt::mbLeft, Shift, Z, 0, 0, P);
    if (E == meMouseDown && P.RetResult) break;
  }
  FPreview->UpdatePages();
  RebuildOutline();
  UpdateView();
}

bool TrepPreviewForm::ClickPrepares(TrepCustomPreviewPages& Pages) const {
  auto* P = dynamic_cast<TrepPreviewPages*>(&Pages);
  if (P == nullptr) return false;
  if (P->LastDrill() != nullptr) return true;
  const TrepView* V = P->LastObjectOver();
  if (V == nullptr) return false;
  const TrepHyperlink& Link = V->Hyperlink();
  return (Link.Kind == hkDetailReport || Link.Kind == hkDetailPage) && !FPreview->HasTab(Link.Value);
}

void TrepPreviewForm::StartClickJob(int Index, int X, int Y, rt::TShiftState Shift, double Zoom) {
  TrepReport* R = FReport.get();
  TrepCustomPreviewPages* Pages = R->PreviewPages();
  FClickJob = true;
  FRunningCount = 0;
  // The preview stays the report's (the click adds its tab or prepares its pages again), so
  // nothing on the request reads it until the job has ended.
  ReportProgressToWorker(R);
  StartJob([Pages, Index, X, Y, Shift, Zoom, Host = &FModalHost](TIWWorker& W) {
    W.SetProgress("", 0);
    // The detail's report may show dialog pages and script forms, as any preparation.
    TControlFormsScope Forms(*Host);
    TrepPreviewIntEventParams P;
    P.MouseEventType = ::meClick;
    Pages->ObjectOver(Index, X, Y, rt::mbLeft, Shift, Zoom, 0, 0, P);
    W.SafePoint();
  });
  LMessage->Caption = "Preparing the detail...";
  ProgressTimer->Enabled = true;
}

void TrepPreviewForm::FinishClickJob() {
  FClickJob = false;
  if (!FReport) return;
  FReport->OnProgress = nullptr;
  FReport->EngineOptions.EnableThreadSafe = true;
  if (!FWorker.Error().empty()) Application().ShowMessage("The detail could not be prepared: " + FWorker.Error());
  // The pages behind the page numbers are others now (a new tab, groups opened or closed).
  ForgetPictures();
  FPreview->UpdatePages();
  RebuildOutline();
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
    case 67:
      if (Ctrl) CopyCmdExecute();
      return;
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
  // A click's job works on the preview itself: it is not read until the job has ended.
  const int Count = Running && FClickJob ? 0 : FPreview->PageCount();
  const TrepPreviewOptions Defaults;
  const TrepPreviewOptions& O = FReport && !Running ? FReport->PreviewOptions : Defaults;
  const TrepPreviewTools Tools = repPreviewTools(O);
  const TrepPreviewCommandState Cmd = repPreviewCommands(O, Running, Count, 0, false, false);

  PrintB->Visible = Tools.Print;
  OpenB->Visible = Tools.Open;
  SaveB->Visible = Tools.Save;
  FindB->Visible = Tools.Find;
  ZoomPlusB->Visible = ZoomMinusB->Visible = ZoomCB->Visible = ZoomE->Visible = Tools.ZoomButtons;
  OutlineB->Visible = ThumbB->Visible = Tools.Outline;
  // The check buttons look pressed while their pane shows.
  for (auto [B, Down] : {std::pair{OutlineB, OutlineTree->Visible}, std::pair{ThumbB, Thumbnails->Visible},
                         std::pair{FindB, SearchPanel->Visible}})
    B->Color = Down ? PressedColor : clNone;
  // Copy and paste as the right-click menu offers them.
  CopyCmd->Visible = O.Buttons.Contains(pbCopy) && O.AllowPreviewEdit;
  PasteCmd->Visible = O.Buttons.Contains(pbPaste) && O.AllowPreviewEdit;
  CopyCmd->Enabled = !Running && FPreview->SelectionList().Count() > 0;
  PasteCmd->Enabled = !Running && FPreview->SelectionList().Count() > 0;
  PasteTarget = PasteCmd->Visible ? PasteUploader : nullptr;
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
    // A tab's button and its close button: both act on tab I, then show what is current.
    const auto TabButton = [&](const std::string& Name, const std::string& Caption, int W,
                               void (TrepPreview::*Act)(int), int I) {
      auto* B = Add<TIWButton>(Name + std::to_string(I + 1), TabStrip);
      B->Caption = Caption;
      B->SetBounds(X, 1, W, 22);
      B->OnClick = [this, Act, I](TIWControl*) {
        if (Preparing()) return;
        ((*FPreview).*Act)(I);
        // Page numbers of another tab are other pages.
        ForgetPictures();
        RebuildOutline();
        UpdateView();
      };
      X += W + 2;
      return B;
    };
    for (int I = 0; I < FPreview->TabCount(); ++I) {
      const TrepPreviewTabItem& T = FPreview->Tab(I);
      TabButton("Tab", (T.Caption.empty() ? T.Name : T.Caption) + (I == FPreview->CurrentTab() ? " *" : ""), 150,
                &TrepPreview::SetCurrentTab, I);
      if (FPreview->TabClosable(I)) {
        TabButton("TabClose", "x", 22, &TrepPreview::RemoveTab, I)->Hint = "Close the tab";
        X += 2;
      }
    }
  }

  // The panes.
  const int Top = ToolBarHeight + (TabStrip->Visible ? TabStripHeight : 0);
  const int PaneHeight = FormHeight - Top - StatusHeight;
  const int OutlineWidth = std::clamp(O.OutlineWidth, 80, 600) + 60;
  OutlineTree->SetBounds(0, Top, OutlineWidth, PaneHeight);
  Thumbnails->SetBounds(0, Top, OutlineWidth, PaneHeight);
  const int Left = OutlineTree->Visible || Thumbnails->Visible ? OutlineWidth + 4 : 0;
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
    // A question of the engine waits: its panel instead of the progress window.
    ProgressPanel->Visible = FWorker.Question().empty();
    UpdatePanels();
    const int Done = FWorker.ProgressCount();
    LMessage->Caption = std::string("Preparing page ") + std::to_string(Done + 1) + "...";
    StatusBar->Caption = Res("clFirstPass") + " " + std::to_string(Done);
    // The pages shown stay until the click's report is prepared.
    if (FClickJob) return;
    RenderRunningPage();
    RenderThumbnails();
    PageE->Text = std::to_string(std::max(1, FPreview->PageNo()));
    OfNL->Caption = rt::Format(Res("clOf"), {rt::TVarRec::Integer(FRunningCount)});
    MessageBar->Caption = "";
    return;
  }

  // The thumbnails are laid out beside the strip's own scroll bar.
  const int ThumbWidth = std::max(1, Thumbnails->Width - FPreview->ScrollBarWidth);
  if (FPreview->Workspace().ClientWidth() != Workspace->Width || FPreview->Workspace().ClientHeight() != Workspace->Height ||
      FPreview->Thumbnail().ClientWidth() != ThumbWidth || FPreview->Thumbnail().ClientHeight() != Thumbnails->Height) {
    FPreview->Workspace().Resize(Workspace->Width, Workspace->Height);
    FPreview->Thumbnail().Resize(ThumbWidth, Thumbnails->Height);
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
  RenderThumbnails();
  UpdatePanels();
}

std::string ViewerFilesFolder() { return repSettingsFolder() + "files/"; }

}  // namespace webapp
