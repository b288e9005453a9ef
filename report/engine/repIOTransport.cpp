#include "report/engine/repIOTransport.h"
#include "report/engine/repDsgnIntf.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repFileUtils.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"

namespace {

bool IsSeparator(char C) { return C == '\\' || C == '/'; }

std::string UpperName(const std::string& S) { return rt::UpperCase(S); }

// The part after the last separator.
std::string FilePart(const std::string& Path) {
  const auto P = Path.find_last_of("\\/");
  return P == std::string::npos ? Path : Path.substr(P + 1);
}

// Up to and including the last separator; empty when none.
std::string FolderPart(const std::string& Path) {
  const auto P = Path.find_last_of("\\/");
  return P == std::string::npos ? std::string() : Path.substr(0, P + 1);
}

// A written file: the bytes go to a temporary file beside the target, renamed over the target
// when the stream is freed, so a reader never meets half a file and a failed write never costs
// the old one. An abandoned stream removes its temporary file instead.
class TrepSafeFileStream : public rt::TFileStream {
public:
  TrepSafeFileStream(std::string Temp, std::string Target)
      : rt::TFileStream(Temp, rt::fmOpenReadWrite), FTemp(std::move(Temp)), FTarget(std::move(Target)) {}
  ~TrepSafeFileStream() override {
    if (FAbandoned || std::rename(FTemp.c_str(), FTarget.c_str()) != 0) ::unlink(FTemp.c_str());
  }
  void Abandon() { FAbandoned = true; }

private:
  std::string FTemp, FTarget;
  bool FAbandoned = false;
};

std::unique_ptr<rt::TStream> CreateSafeFile(const std::string& Target) {
  std::string Pattern = Target + ".XXXXXX";
  const int Fd = ::mkstemp(Pattern.data());
  if (Fd < 0) throw rt::EFCreateError("Cannot create file \"" + Target + "\". " + std::strerror(errno));
  ::fchmod(Fd, 0644);
  ::close(Fd);
  try {
    return std::make_unique<TrepSafeFileStream>(Pattern, Target);
  } catch (...) {
    ::unlink(Pattern.c_str());
    throw;
  }
}

std::mutex& DialogHandlerLock() {
  static std::mutex Lock;
  return Lock;
}

TrepFileDialogHandler& DialogHandler() {
  static TrepFileDialogHandler Handler;
  return Handler;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TrepNode

TrepNode::~TrepNode() {
  FParent = nullptr;
  Clear();
}

void TrepNode::Clear() {
  for (auto& C : FChildren) C->FParent = nullptr;
  FChildren.clear();
  if (OwnObject) delete FObjectData;
  FObjectData = nullptr;
  FName.clear();
}

TrepNode* TrepNode::GetRoot() {
  TrepNode* N = this;
  while (N->FParent != nullptr) N = N->FParent;
  return N;
}

void TrepNode::CountFiles(int Delta) {
  for (TrepNode* N = this; N != nullptr; N = N->FParent) N->FFilesCount += Delta;
}

TrepNode* TrepNode::Add(const std::string& AName, rt::TObject* aObject) {
  auto Node = std::make_unique<TrepNode>();
  Node->FName = AName;
  Node->FParent = this;
  Node->FObjectData = aObject;
  TrepNode* Result = Node.get();
  const std::string Key = UpperName(AName);
  auto At = std::upper_bound(FChildren.begin(), FChildren.end(), Key,
                             [](const std::string& K, const std::unique_ptr<TrepNode>& N) { return K < UpperName(N->FName); });
  FChildren.insert(At, std::move(Node));
  if (aObject != nullptr) CountFiles(1);
  TrepNode* Root = GetRoot();
  if (Root->OnAddItem) Root->OnAddItem(AName, false, aObject);
  return Result;
}

TrepNode* TrepNode::Find(const rt::TObject* aObject, bool SearchInChilds) {
  for (auto& C : FChildren) {
    if (C->FObjectData == aObject) return C.get();
    if (SearchInChilds)
      if (TrepNode* F = C->Find(aObject, true)) return F;
  }
  return nullptr;
}

TrepNode* TrepNode::Find(const std::string& AName, bool SearchInChilds) {
  for (auto& C : FChildren)
    if (rt::Utf8CompareText(C->FName, AName) == 0) return C.get();
  if (SearchInChilds)
    for (auto& C : FChildren)
      if (TrepNode* F = C->Find(AName, true)) return F;
  return nullptr;
}

std::unique_ptr<TrepNode> TrepNode::RemoveNode(TrepNode* aNode) {
  for (auto It = FChildren.begin(); It != FChildren.end(); ++It) {
    if (It->get() != aNode) continue;
    std::unique_ptr<TrepNode> Taken = std::move(*It);
    FChildren.erase(It);
    CountFiles(-Taken->FFilesCount);
    Taken->FParent = nullptr;
    return Taken;
  }
  return nullptr;
}

void TrepNode::SetName(const std::string& Value) {
  if (Value != FName) {
    TrepNode* Root = GetRoot();
    if (Root->OnRemoveItem && Root->OnAddItem) {
      Root->OnRemoveItem(FName, false, nullptr);
      Root->OnAddItem(Value, false, FObjectData);
    }
  }
  FName = Value;
}

void TrepNode::SetOriginalName(const std::string& Value) {
  if (FOriginalName.empty() && !Value.empty()) CountFiles(1);
  FOriginalName = Value;
}

void TrepNode::SetObjectData(rt::TObject* Value) {
  if (Value == FObjectData) return;
  TrepNode* Root = GetRoot();
  if (Root->OnAddItem && Root->OnRemoveItem) {
    if (Value == nullptr) {
      Root->OnRemoveItem(FName, true, nullptr);
    } else if (FObjectData != nullptr) {
      Root->OnAddItem(FName, false, Value);
    } else {
      Root->OnAddItem(FName, true, Value);
      CountFiles(1);
    }
  }
  FObjectData = Value;
}

// ---------------------------------------------------------------------------------------------
// TrepCustomIOTransport

TrepCustomIOTransport::TrepCustomIOTransport(rt::TComponent* AOwner, bool NoRegister)
    : rt::TComponent(AOwner), FDirTree(std::make_unique<TrepNode>()), FNoRegister(NoRegister) {
  FVisibility = TrepFilterVisibility{fvDesigner, fvPreview, fvExport};
  FCurNode = FDirTree.get();
  RegisterSelf();
}

TrepCustomIOTransport::~TrepCustomIOTransport() {
  if (!FNoRegister) IOTransports().Unregister(this);
  CloseAllStreams();
  FTempFilter.reset();
  FDirTree.reset();
}

void TrepCustomIOTransport::RegisterSelf() {
  if (!FNoRegister) IOTransports().Register(this);
}

std::unique_ptr<TrepCustomIOTransport> TrepCustomIOTransport::CreateFilterClone(TrepFilterVisibleState ACreatedFrom) {
  std::unique_ptr<TrepCustomIOTransport> Clone = NewInstance();
  Clone->CreatedFrom = ACreatedFrom;
  Clone->AssignFilter(*this);
  Clone->OriginalCopy = this;
  Clone->AssignSharedProperties(*this);
  return Clone;
}

void TrepCustomIOTransport::AssignFilter(const TrepCustomIOTransport& Source) {
  Report = Source.Report;
  ShowDialog = Source.ShowDialog;
  OverwritePrompt = Source.OverwritePrompt;
  DefaultPath = Source.DefaultPath;
  FileName = Source.FileName;
  DefaultExt = Source.DefaultExt;
  ExtDescription = Source.ExtDescription;
}

TrepNode* TrepCustomIOTransport::PathToNode(const std::string& APath, bool Create, bool IsFile) {
  TrepNode* Root = FDirTree.get();
  if (APath.empty()) return Root;
  std::string Path = APath;
  if (!BasePath.empty() && Path.compare(0, BasePath.size(), BasePath) == 0) Path.erase(0, BasePath.size());
  TrepNode* Node = Root;
  std::size_t I = 0;
  while (I < Path.size()) {
    while (I < Path.size() && IsSeparator(Path[I])) ++I;
    if (I >= Path.size()) break;
    std::size_t E = I;
    while (E < Path.size() && !IsSeparator(Path[E])) ++E;
    const std::string Part = Path.substr(I, E - I);
    const bool Last = E >= Path.size();
    TrepNode* Child = Node->Find(Part, false);
    if (Child == nullptr) {
      if (!Create) return nullptr;
      Child = Node->Add(Part, nullptr);
      if (!(IsFile && Last)) DoCreateContainer(Child);
    }
    Node = Child;
    I = E;
  }
  return Node;
}

void TrepCustomIOTransport::InitFromExport(TrepCustomExportFilter* Filter) {
  if (Filter == nullptr) return;
  DefaultPath = Filter->DefaultPath;
  DefaultExt = Filter->DefaultExt;
  FileName = Filter->FileName();
  Report = Filter->Report;
  FilterString = Filter->FilterDesc;
  OverwritePrompt = Filter->OverwritePrompt;
  BasePath = repExtractFilePath(FileName);
  if (BasePath.empty() && !DefaultPath.empty()) BasePath = DefaultPath;
  FilterAccess = faWrite;
}

rt::TStream* TrepCustomIOTransport::GetStream(const std::string& aFileName) {
  const std::string Name = aFileName.empty() ? FileName : aFileName;
  TrepNode* Node = PathToNode(Name, true, true);
  if (Node == nullptr) throw rt::Exception("Unable to parse path : \"" + Name + "\" to Nodes");
  auto* Held = dynamic_cast<rt::TStream*>(Node->ObjectData());
  if (Held != nullptr && (Node->FilterAccess == FilterAccess || !FreeStreams)) return Held;
  if (Node->ObjectData() != nullptr) {
    rt::TObject* Old = Node->ObjectData();
    Node->SetObjectData(nullptr);
    if (Node->OwnObject) delete Old;
  }
  std::unique_ptr<rt::TStream> S = DoCreateStream(Name, FilePart(Name));
  if (!S) return nullptr;
  if (Node == FDirTree.get()) Node = FDirTree->Add(FilePart(Name), nullptr);
  Node->SetOriginalName(Name);
  if (FilterAccess == faWrite) FCreatedFiles.push_back(Name);
  rt::TStream* Result = S.release();
  Node->SetObjectData(Result);
  Node->FilterAccess = FilterAccess;
  return Result;
}

void TrepCustomIOTransport::FreeStream(rt::TStream* aStream, const std::string&) {
  if (aStream == nullptr) return;
  TrepNode* Node = FDirTree->Find(aStream, true);
  if (Node == nullptr || Node->ObjectData() == nullptr) return;
  Node->SetObjectData(nullptr);
  if (Node->OwnObject) delete aStream;
}

void TrepCustomIOTransport::CloseFilter() {
  if (FInternalFilter) {
    FInternalFilter->FreeTempContainer();
    FInternalFilter.reset();
  }
  if (FTempFilter) {
    FTempFilter->FreeTempContainer();
    FTempFilter.reset();
  }
  FDirTree->Clear();
  FCurNode = FDirTree.get();
}

void TrepCustomIOTransport::CloseAllStreams() {
  if (!FreeStreams || !FDirTree) return;
  std::vector<TrepNode*> Stack{FDirTree.get()};
  while (!Stack.empty()) {
    TrepNode* N = Stack.back();
    Stack.pop_back();
    if (N->ObjectData() != nullptr) {
      rt::TObject* Old = N->ObjectData();
      N->SetObjectData(nullptr);
      if (N->OwnObject) delete Old;
    }
    for (int I = 0; I < N->Count(); ++I) Stack.push_back(N->GetNode(I));
  }
}

std::vector<std::string> TrepCustomIOTransport::AbandonWrites() {
  std::vector<std::string> Names;
  if (!FDirTree) return Names;
  std::vector<TrepNode*> Stack{FDirTree.get()};
  while (!Stack.empty()) {
    TrepNode* N = Stack.back();
    Stack.pop_back();
    if (auto* S = dynamic_cast<TrepSafeFileStream*>(N->ObjectData())) {
      S->Abandon();
      Names.push_back(N->OriginalName());
    }
    for (int I = 0; I < N->Count(); ++I) Stack.push_back(N->GetNode(I));
  }
  return Names;
}

void TrepCustomIOTransport::LoadClosedStreams() {
  std::vector<TrepNode*> Stack{FDirTree.get()};
  while (!Stack.empty()) {
    TrepNode* N = Stack.back();
    Stack.pop_back();
    if (!N->OriginalName().empty() && N->ObjectData() == nullptr) {
      std::unique_ptr<rt::TStream> S = DoCreateStream(N->OriginalName(), N->Name());
      N->SetObjectData(S.release());
    }
    for (int I = 0; I < N->Count(); ++I) Stack.push_back(N->GetNode(I));
  }
}

void TrepCustomIOTransport::LoadStreamsList(rt::TStrings& aStrings) {
  for (int I = 0; I < aStrings.Count(); ++I) aStrings.SetObjects(I, GetStream(aStrings[I]));
}

namespace {

void CollectNamed(TrepNode* N, rt::TStrings& Out) {
  for (int I = 0; I < N->Count(); ++I) {
    TrepNode* C = N->GetNode(I);
    if (!C->OriginalName().empty()) Out.AddObject(C->OriginalName(), C->ObjectData());
    CollectNamed(C, Out);
  }
}

TrepNode* FirstNamed(TrepNode* N) {
  for (int I = 0; I < N->Count(); ++I) {
    TrepNode* C = N->GetNode(I);
    if (!C->OriginalName().empty()) return C;
    if (TrepNode* F = FirstNamed(C)) return F;
  }
  return nullptr;
}

} // namespace

void TrepCustomIOTransport::CopyStreamsNames(rt::TStrings& aStrings, bool) { CollectNamed(FDirTree.get(), aStrings); }

TrepNode* TrepCustomIOTransport::GetFileNode() {
  if (FDirTree->FilesCount() == 0) return nullptr;
  if (FInternalFilter) return FInternalFilter->GetFileNode();
  return FirstNamed(FDirTree.get());
}

void TrepCustomIOTransport::CreateContainer(const std::string& cName, bool bSetCurrent) {
  const auto Sep = cName.find_last_of("\\/");
  const std::string ParentPath = Sep == std::string::npos ? std::string() : cName.substr(0, Sep);
  const std::string Name = Sep == std::string::npos ? cName : cName.substr(Sep + 1);
  TrepNode* Parent = PathToNode(ParentPath, false, false);
  if (Parent == nullptr) return;
  TrepNode* Node = Name.empty() ? Parent : Parent->Add(Name, nullptr);
  if (!DoCreateContainer(Node)) {
    if (Node != Parent) Parent->RemoveNode(Node);
    else if (bSetCurrent) FCurNode = Node;
  }
}

void TrepCustomIOTransport::DeleteContainer(const std::string& cName) {
  TrepNode* Node = FCurNode->Find(cName, false);
  if (Node != nullptr && DoDeleteContainer(Node)) {
    if (FCurNode == Node) FCurNode = FDirTree.get();
    Node->Parent()->RemoveNode(Node);
  }
}

void TrepCustomIOTransport::SetCurrentContainer(const std::string& Value) {
  if (Value.empty()) {
    FCurNode = FDirTree.get();
    return;
  }
  TrepNode* N = FCurNode;
  std::size_t I = 0;
  if (IsSeparator(Value[0])) {
    N = FDirTree.get();
    I = 1;
  }
  while (I <= Value.size() && N != nullptr) {
    std::size_t E = I;
    while (E < Value.size() && !IsSeparator(Value[E])) ++E;
    if (E > I) N = N->Find(Value.substr(I, E - I), false);
    I = E + 1;
  }
  if (N != nullptr) FCurNode = N;
}

TrepCustomIOTransport* TrepCustomIOTransport::TempFilter() {
  if (!FTempFilter) {
    FTempFilter = std::make_unique<TrepIOTransportFile>(nullptr, true);
    FTempFilter->FilterAccess = FilterAccess;
    FTempFilter->CreateTempContainer();
  }
  return FTempFilter.get();
}

void TrepCustomIOTransport::SetTempFilter(std::unique_ptr<TrepCustomIOTransport> Value) {
  if (!Value) return;
  if (FTempFilter) FTempFilter->FreeTempContainer();
  FTempFilter = std::move(Value);
}

// ---------------------------------------------------------------------------------------------
// TrepIOTransportFile

TrepIOTransportFile::TrepIOTransportFile(rt::TComponent* AOwner, bool NoRegister)
    : TrepCustomIOTransport(AOwner, NoRegister) {
  FVisibility = TrepFilterVisibility{};
}

std::unique_ptr<TrepCustomIOTransport> TrepIOTransportFile::NewInstance() const {
  return std::make_unique<TrepIOTransportFile>(nullptr, true);
}

std::string TrepIOTransportFile::GetDescription() const { return ResourceString(163); }

void TrepIOTransportFile::SetVisibility(TrepFilterVisibility) { FVisibility = TrepFilterVisibility{}; }

bool TrepIOTransportFile::DoCreateContainer(TrepNode* Node) {
  std::string Rel;
  for (TrepNode* N = Node; N != nullptr; N = N->Parent())
    if (!N->Name().empty()) Rel = N->Name() + "/" + Rel;
  if (!BasePath.empty() && !IsSeparator(BasePath.back())) Rel = "/" + Rel;
  if (FilterAccess != faWrite) return true;
  const std::string Folder = BasePath + Rel;
  struct stat St {};
  if (::stat(Folder.c_str(), &St) != 0 && ::mkdir(Folder.c_str(), 0755) != 0)
    throw rt::EFCreateError("Cannot create folder \"" + Folder + "\". " + std::strerror(errno));
  return true;
}

std::unique_ptr<rt::TStream> TrepIOTransportFile::DoCreateStream(const std::string& aFullFilePath,
                                                                 const std::string&) {
  if (FilterAccess == faWrite) return CreateSafeFile(aFullFilePath);
  return std::make_unique<rt::TFileStream>(aFullFilePath, rt::fmOpenRead | rt::fmShareDenyWrite);
}

void TrepIOTransportFile::AbandonStream(rt::TStream* aStream) {
  if (auto* S = dynamic_cast<TrepSafeFileStream*>(aStream)) S->Abandon();
}

void TrepIOTransportFile::CreateTempContainer() {
  if (FTempFolderCreated) return;
  BasePath = TempFileNameIn("");
  ::unlink(BasePath.c_str());
  CreateContainer("", false);
  FTempFolderCreated = true;
}

void TrepIOTransportFile::FreeTempContainer() {
  if (!FTempFolderCreated) return;
  CloseAllStreams();
  rt::TStringList Names;
  CopyStreamsNames(Names, false);
  for (int I = 0; I < Names.Count(); ++I) ::unlink(Names.Strings(I).c_str());
  DeleteFolderTree(BasePath);
  FTempFolderCreated = false;
}

// ---------------------------------------------------------------------------------------------
// TrepSaveToCompressedFilter

TrepSaveToCompressedFilter::TrepSaveToCompressedFilter(rt::TComponent* AOwner, bool NoRegister)
    : TrepIOTransportFile(AOwner, NoRegister) {
  FilterString = GetDescription();
  FVisibility = TrepFilterVisibility{fvDesignerFileFilter, fvPreviewFileFilter};
  DefaultExt = ".rp3";
}

std::unique_ptr<TrepCustomIOTransport> TrepSaveToCompressedFilter::NewInstance() const {
  return std::make_unique<TrepSaveToCompressedFilter>(nullptr, true);
}

std::string TrepSaveToCompressedFilter::GetDescription() const { return ResourceTable().Get("dsComprRepFilter"); }

std::string TrepSaveToCompressedFilter::GetFilterString() const {
  return ResourceTable().Get(CreatedFrom == fvPreview ? "clComprPreparedRepFilter" : "dsComprRepFilter");
}

void TrepSaveToCompressedFilter::SetIsRT3File(bool Value) {
  FIsRT3File = Value;
  FilterString = ResourceTable().Get(Value ? "dsComprRepFilter" : "clComprPreparedRepFilter");
  const auto Bar = FilterString.find('|');
  if (Bar != std::string::npos && Bar + 2 <= FilterString.size()) DefaultExt = FilterString.substr(Bar + 2);
}

bool TrepSaveToCompressedFilter::OpenFilter() {
  if (Report != nullptr) Report->ReportOptions.Compressed = true;
  return true;
}

// ---------------------------------------------------------------------------------------------
// TrepIOTransportFileDialog

TrepIOTransportFileDialog::TrepIOTransportFileDialog(rt::TComponent* AOwner, bool NoRegister)
    : TrepIOTransportFile(AOwner, NoRegister) {
  FVisibility = TrepFilterVisibility{fvDesigner, fvPreview, fvExport};
}

TrepIOTransportFileDialog::~TrepIOTransportFileDialog() = default;

std::unique_ptr<TrepCustomIOTransport> TrepIOTransportFileDialog::NewInstance() const {
  return std::make_unique<TrepIOTransportFileDialog>(nullptr, true);
}

void TrepIOTransportFileDialog::SetFileDialogHandler(TrepFileDialogHandler Handler) {
  std::lock_guard<std::mutex> Lock(DialogHandlerLock());
  DialogHandler() = std::move(Handler);
}

bool TrepIOTransportFileDialog::OpenFilter() {
  FFilter.reset();
  TrepFileDialogRequest Request;
  Request.Save = FilterAccess == faWrite;
  Request.OverwritePrompt = OverwritePrompt;
  Request.DefaultExt = DefaultExt;
  if (FileName.empty() && Report != nullptr) {
    std::string Name = Report->FileName;
    std::replace(Name.begin(), Name.end(), '/', '\\');
    Name = FilePart(Name);
    const auto Dot = Name.find_last_of('.');
    FileName = (Dot == std::string::npos ? Name : Name.substr(0, Dot)) + DefaultExt;
  }
  {
    const std::string Name = FilePart(FileName);
    const auto Dot = Name.find_last_of('.');
    Request.FileName = Dot == std::string::npos ? Name : Name.substr(0, Dot);
  }
  // The clones stand for the other transports in the dialog's type list.
  rt::TStringList Listed;
  FillIOTransportList(Listed, FileFilterState(CreatedFrom));
  std::vector<std::unique_ptr<TrepCustomIOTransport>> Clones;
  Request.Filter = GetFilterString();
  for (int I = 0; I < Listed.Count(); ++I) {
    auto* T = static_cast<TrepCustomIOTransport*>(Listed.Objects(I));
    Clones.push_back(T->CreateFilterClone(CreatedFrom));
    Request.Filter += "|" + Clones.back()->GetFilterString();
  }
  Request.InitialDir = FolderPart(FileName);
  if (Request.InitialDir.empty()) Request.InitialDir = DefaultPath;

  TrepFileDialogHandler Handler;
  {
    std::lock_guard<std::mutex> Lock(DialogHandlerLock());
    Handler = DialogHandler();
  }
  if (!Handler || !Handler(Request)) return false;
  FileName = Request.ChosenFile;
  BasePath = FolderPart(FileName);
  const int Chosen = Request.FilterIndex - 2;
  if (Chosen < 0 || Chosen >= static_cast<int>(Clones.size())) return true;
  FFilter = std::move(Clones[static_cast<std::size_t>(Chosen)]);
  FFilter->FilterAccess = FilterAccess;
  FFilter->Report = Report;
  const auto Dot = FileName.find_last_of('.');
  if (Dot != std::string::npos && Dot > FileName.find_last_of("\\/") + 1) FileName.erase(Dot);
  FileName += FFilter->DefaultExt;
  FFilter->BasePath = BasePath;
  FFilter->FileName = FileName;
  return FFilter->OpenFilter();
}

void TrepIOTransportFileDialog::CloseFilter() {
  TrepIOTransportFile::CloseFilter();
  if (FFilter) FFilter->CloseFilter();
  FFilter.reset();
}

rt::TStream* TrepIOTransportFileDialog::GetStream(const std::string& aFileName) {
  return FFilter ? FFilter->GetStream(aFileName) : TrepIOTransportFile::GetStream(aFileName);
}

void TrepIOTransportFileDialog::FreeStream(rt::TStream* aStream, const std::string& aFileName) {
  if (FFilter) FFilter->FreeStream(aStream, aFileName);
  else TrepIOTransportFile::FreeStream(aStream, aFileName);
}

bool TrepIOTransportFileDialog::DoFilterProcessStream(rt::TStream* aStream, rt::TObject* ProcessingObject) {
  const bool Own = TrepIOTransportFile::DoFilterProcessStream(aStream, ProcessingObject);
  return FFilter ? FFilter->DoFilterProcessStream(aStream, ProcessingObject) : Own;
}

// ---------------------------------------------------------------------------------------------
// The registry

void TrepIOTransportsCollection::Register(TrepCustomIOTransport* Filter) {
  if (Filter == nullptr) return;
  std::lock_guard<std::recursive_mutex> Lock(FLock);
  if (std::find(FItems.begin(), FItems.end(), Filter) == FItems.end()) FItems.push_back(Filter);
}

void TrepIOTransportsCollection::Unregister(TrepCustomIOTransport* Filter) {
  std::lock_guard<std::recursive_mutex> Lock(FLock);
  FItems.erase(std::remove(FItems.begin(), FItems.end(), Filter), FItems.end());
}

int TrepIOTransportsCollection::Count() const {
  std::lock_guard<std::recursive_mutex> Lock(FLock);
  return static_cast<int>(FItems.size());
}

TrepCustomIOTransport* TrepIOTransportsCollection::GetIOTransportItem(int Index) const {
  std::lock_guard<std::recursive_mutex> Lock(FLock);
  if (Index < 0 || Index >= static_cast<int>(FItems.size())) throw rt::EListError("List index out of bounds");
  return FItems[static_cast<std::size_t>(Index)];
}

TrepCustomIOTransport* TrepIOTransportsCollection::FindByDescription(const std::string& Name) const {
  std::lock_guard<std::recursive_mutex> Lock(FLock);
  for (TrepCustomIOTransport* T : FItems)
    if (rt::Utf8CompareText(T->GetDescription(), Name) == 0) return T;
  return nullptr;
}

std::vector<TrepCustomIOTransport*> TrepIOTransportsCollection::Items() const {
  std::lock_guard<std::recursive_mutex> Lock(FLock);
  return FItems;
}

TrepIOTransportsCollection& IOTransports() {
  static TrepIOTransportsCollection Registry;
  return Registry;
}

void FillIOTransportList(rt::TStrings& List, TrepFilterVisibleState State) {
  List.Clear();
  if (State < fvDesigner || State > fvOther) return;
  List.BeginUpdate();
  for (TrepCustomIOTransport* T : IOTransports().Items())
    if (T->GetVisibility().Contains(State)) List.AddObject(T->GetDescription(), T);
  List.EndUpdate();
}

TrepFilterVisibleState FileFilterState(TrepFilterVisibleState CreatedFrom) {
  switch (CreatedFrom) {
    case fvDesigner: return fvDesignerFileFilter;
    case fvPreview: return fvPreviewFileFilter;
    case fvExport: return fvExportFileFilter;
    default: return fvOther;
  }
}

TrepIOTransportClass DefaultIODialogTransportClass;

namespace {

std::unique_ptr<TrepCustomIOTransport>& DialogTransport() {
  static std::unique_ptr<TrepCustomIOTransport> Transport;
  return Transport;
}

} // namespace

void repIOTransportDialogInitialization() {
  if (!DefaultIODialogTransportClass)
    DefaultIODialogTransportClass = [] { return new TrepIOTransportFileDialog(nullptr, true); };
  if (!DialogTransport()) {
    DialogTransport() = std::make_unique<TrepIOTransportFileDialog>(nullptr, true);
    IOTransports().Register(DialogTransport().get());
  }
}

void repIOTransportDialogFinalization() {
  if (!DialogTransport()) return;
  IOTransports().Unregister(DialogTransport().get());
  DialogTransport().reset();
}

std::string repExtractFilePath(const std::string& Path) {
  const std::size_t P = Path.find_last_of("/\\");
  return P == std::string::npos ? std::string() : Path.substr(0, P + 1);
}
