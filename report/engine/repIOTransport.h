#pragma once
// I/O transports: where report files and export output are read from and written to. A
// transport hands out streams by file name and keeps them in a tree of named nodes (folders and
// files), so that it can make folders on demand, close everything at once, reopen closed files
// and remove a temporary folder with its contents. The file transport writes through a temporary
// file beside the target that is renamed over it once the stream is handed back whole; a write
// that fails leaves the old file as it was.
//
// Transports offered to users are listed in one process-wide registry. The file-dialog transport
// asks the host for a file name through a callback (the server shows no dialogs).
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/rt/Classes.h"
#include "platform/rt/Components.h"
#include "platform/rt/Variants.h"
#include "report/engine/repClassReport.h"

enum TrepFilterVisibleState {
  fvDesigner, fvPreview, fvExport, fvDesignerFileFilter, fvPreviewFileFilter, fvExportFileFilter, fvOther
};
using TrepFilterVisibility = TrepSet<TrepFilterVisibleState>;
enum TrepIOTransportStream { tsIORead, tsIOWrite };
using TrepIOTransportStreams = TrepSet<TrepIOTransportStream>;

using TrepNodeChanging = std::function<void(const std::string& Name, bool bUseRemoveList, rt::TObject* aObject)>;

// One folder or file of a transport's tree. Children are kept in name order and found by name
// with letter case ignored; a file node owns its stream unless OwnObject is cleared.
class TrepNode : public rt::TObject {
public:
  TrepNode() = default;
  TrepNode(const TrepNode&) = delete;
  TrepNode& operator=(const TrepNode&) = delete;
  ~TrepNode() override;

  // Frees the children and an owned stream; the name becomes empty.
  void Clear();
  TrepNode* Add(const std::string& AName, rt::TObject* aObject);
  int Count() const { return static_cast<int>(FChildren.size()); }
  TrepNode* GetNode(int Index) const { return FChildren.at(static_cast<std::size_t>(Index)).get(); }
  TrepNode* GetRoot();
  TrepNode* Parent() const { return FParent; }
  // The first child (name order) holding the object; with SearchInChilds each child's subtree
  // right after the child.
  TrepNode* Find(const rt::TObject* aObject, bool SearchInChilds);
  TrepNode* Find(const std::string& AName, bool SearchInChilds);
  // Takes aNode out of the children without freeing it; the caller owns it then.
  std::unique_ptr<TrepNode> RemoveNode(TrepNode* aNode);

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  const std::string& OriginalName() const { return FOriginalName; }
  void SetOriginalName(const std::string& Value);
  rt::TObject* ObjectData() const { return FObjectData; }
  void SetObjectData(rt::TObject* Value);
  int FilesCount() const { return FFilesCount; }

  rt::Variant Data;
  bool OwnObject = true;
  TrepFilterAccess FilterAccess = faWrite;
  TrepNodeChanging OnAddItem, OnRemoveItem;

private:
  void CountFiles(int Delta);
  TrepNode* FParent = nullptr;
  std::vector<std::unique_ptr<TrepNode>> FChildren;
  rt::TObject* FObjectData = nullptr;
  std::string FName;
  std::string FOriginalName;
  int FFilesCount = 0;
};

class TrepCustomExportFilter;
class TrepCustomIOTransport;
using TrepIOTransportClass = std::function<TrepCustomIOTransport*()>;

// The transport base: streams by file name, the container tree, a temporary folder on demand.
class TrepCustomIOTransport : public rt::TComponent {
public:
  explicit TrepCustomIOTransport(rt::TComponent* AOwner, bool NoRegister = false);
  ~TrepCustomIOTransport() override;

  // A new unregistered transport of the same class with this one's settings.
  std::unique_ptr<TrepCustomIOTransport> CreateFilterClone(TrepFilterVisibleState ACreatedFrom);
  // Makes an empty unregistered transport of this class.
  virtual std::unique_ptr<TrepCustomIOTransport> NewInstance() const = 0;
  virtual std::string GetDescription() const { return {}; }
  virtual std::string GetFilterString() const { return FilterString; }
  virtual TrepFilterVisibility GetVisibility() const { return FVisibility; }
  virtual void SetVisibility(TrepFilterVisibility Value) { FVisibility = Value; }
  virtual bool DoCreateContainer(TrepNode* Node) { (void)Node; return true; }
  virtual bool DoDeleteContainer(TrepNode* Node) { (void)Node; return true; }
  virtual std::unique_ptr<rt::TStream> DoCreateStream(const std::string& aFullFilePath, const std::string& aFileName) {
    (void)aFullFilePath;
    (void)aFileName;
    return nullptr;
  }
  virtual void CreateTempContainer() {}
  virtual void FreeTempContainer() {}
  // The stream of that file (FileName when empty), made on first use. Raises "Unable to parse
  // path" when the name cannot become nodes.
  virtual rt::TStream* GetStream(const std::string& aFileName = "");
  // Frees a stream this transport handed out; a written file is put in place now.
  virtual void FreeStream(rt::TStream* aStream, const std::string& aFileName = "");
  // True when the transport consumed the stream itself.
  virtual bool DoFilterProcessStream(rt::TStream* aStream, rt::TObject* ProcessingObject) {
    (void)aStream;
    (void)ProcessingObject;
    return false;
  }
  virtual bool AllInOneContainer() const { return false; }
  // Takes the export filter's folder, file name, extension and report; FilterAccess becomes
  // faWrite.
  void InitFromExport(TrepCustomExportFilter* Filter);
  // Files this transport made for writing, in order (an export that fails removes its own).
  const std::vector<std::string>& CreatedFiles() const { return FCreatedFiles; }
  virtual bool OpenFilter() { return true; }
  // Frees the temporary transports and every stream and node.
  virtual void CloseFilter();
  virtual void AssignFilter(const TrepCustomIOTransport& Source);
  virtual void AssignSharedProperties(const TrepCustomIOTransport& Source) { (void)Source; }

  void CloseAllStreams();
  // Marks every stream still open for writing as abandoned, so closing it leaves its target as
  // it was; gives the names of those targets.
  std::vector<std::string> AbandonWrites();
  void LoadClosedStreams();
  void LoadStreamsList(rt::TStrings& aStrings);
  void CopyStreamsNames(rt::TStrings& aStrings, bool OpenedOnly);
  TrepNode* GetFileNode();
  void CreateContainer(const std::string& cName, bool bSetCurrent = false);
  void DeleteContainer(const std::string& cName);
  std::string CurrentContainer() const { return FCurNode != nullptr ? FCurNode->Name() : std::string(); }
  // "" selects the root; a path of names joined by "\" is read from the current container (an
  // empty first part stands for the root); a path naming nothing changes nothing.
  void SetCurrentContainer(const std::string& Value);
  // The transport of a temporary folder, made on first use.
  TrepCustomIOTransport* TempFilter();
  void SetTempFilter(std::unique_ptr<TrepCustomIOTransport> Value);
  TrepNode* RootNode() const { return FDirTree.get(); }
  bool Registered() const { return !FNoRegister; }

  TrepReport* Report = nullptr;
  bool ShowDialog = false;
  bool OverwritePrompt = false;
  std::string DefaultPath;
  std::string BasePath;
  std::string FileName;
  std::string DefaultExt;
  std::string ExtDescription;
  std::string FilterString;
  TrepFilterAccess FilterAccess = faRead;
  TrepFilterVisibleState CreatedFrom = fvOther;
  bool FreeStreams = true;
  bool ClosedLoadLock = false;
  TrepIOTransportStreams SupportedStreams{tsIORead, tsIOWrite};
  TrepCustomIOTransport* OriginalCopy = nullptr;  // not owned

protected:
  // Makes the transport's registry entry once construction is complete.
  void RegisterSelf();
  TrepNode* PathToNode(const std::string& Path, bool Create, bool IsFile);
  TrepFilterVisibility FVisibility;

private:
  std::vector<std::string> FCreatedFiles;
  std::unique_ptr<TrepCustomIOTransport> FTempFilter;
  std::unique_ptr<TrepCustomIOTransport> FInternalFilter;
  std::unique_ptr<TrepNode> FDirTree;
  TrepNode* FCurNode = nullptr;
  bool FNoRegister = false;
};

// The local file system. Written files go to a temporary file beside the target and are renamed
// over it when their stream is handed back (FreeStream, CloseFilter); a stream given up with
// AbandonStream, or one whose writing raised, leaves the target untouched.
class TrepIOTransportFile : public TrepCustomIOTransport {
public:
  explicit TrepIOTransportFile(rt::TComponent* AOwner, bool NoRegister = false);
  std::unique_ptr<TrepCustomIOTransport> NewInstance() const override;
  std::string GetDescription() const override;
  // The file transport is offered nowhere: whatever is asked, the set stays empty.
  void SetVisibility(TrepFilterVisibility Value) override;
  bool DoCreateContainer(TrepNode* Node) override;
  std::unique_ptr<rt::TStream> DoCreateStream(const std::string& aFullFilePath, const std::string& aFileName) override;
  void CreateTempContainer() override;
  void FreeTempContainer() override;
  // The temporary file behind a write stream is removed instead of put in place.
  static void AbandonStream(rt::TStream* aStream);
  bool TempFolderCreated() const { return FTempFolderCreated; }

private:
  bool FTempFolderCreated = false;
};

// A file transport for compressed report files (".rp3"): opening it asks the report to compress.
class TrepSaveToCompressedFilter : public TrepIOTransportFile {
public:
  explicit TrepSaveToCompressedFilter(rt::TComponent* AOwner, bool NoRegister = false);
  std::unique_ptr<TrepCustomIOTransport> NewInstance() const override;
  std::string GetDescription() const override;
  std::string GetFilterString() const override;
  void SetVisibility(TrepFilterVisibility Value) override { FVisibility = Value; }
  bool OpenFilter() override;
  bool IsRT3File() const { return FIsRT3File; }
  void SetIsRT3File(bool Value);

private:
  bool FIsRT3File = false;
};

// What the file dialog asks the host, and what it answers.
struct TrepFileDialogRequest {
  bool Save = false;
  bool OverwritePrompt = false;
  std::string DefaultExt;
  std::string FileName;       // proposed name, without folder and extension
  std::string Filter;         // "description|mask|description|mask..."
  std::string InitialDir;
  // The answer: the chosen file and the 1-based filter entry.
  std::string ChosenFile;
  int FilterIndex = 1;
};
// True when the user chose a file; false for a cancelled dialog.
using TrepFileDialogHandler = std::function<bool(TrepFileDialogRequest& Request)>;

// A file transport that first asks for the file name; the chosen filter entry may hand the work
// to another registered transport.
class TrepIOTransportFileDialog : public TrepIOTransportFile {
public:
  explicit TrepIOTransportFileDialog(rt::TComponent* AOwner, bool NoRegister = false);
  ~TrepIOTransportFileDialog() override;
  std::unique_ptr<TrepCustomIOTransport> NewInstance() const override;
  void SetVisibility(TrepFilterVisibility Value) override { FVisibility = Value; }
  bool OpenFilter() override;
  void CloseFilter() override;
  rt::TStream* GetStream(const std::string& aFileName = "") override;
  void FreeStream(rt::TStream* aStream, const std::string& aFileName = "") override;
  bool DoFilterProcessStream(rt::TStream* aStream, rt::TObject* ProcessingObject) override;
  TrepCustomIOTransport* ChosenFilter() const { return FFilter.get(); }

  // The host's dialog; without one every dialog counts as cancelled. Process-wide.
  static void SetFileDialogHandler(TrepFileDialogHandler Handler);

private:
  std::unique_ptr<TrepCustomIOTransport> FFilter;
};

// ---- The registry ----

class TrepIOTransportsCollection {
public:
  // Nothing for nullptr or a transport already listed.
  void Register(TrepCustomIOTransport* Filter);
  void Unregister(TrepCustomIOTransport* Filter);
  int Count() const;
  TrepCustomIOTransport* GetIOTransportItem(int Index) const;
  // The registered transport whose description is Name (letter case ignored); nullptr when none.
  TrepCustomIOTransport* FindByDescription(const std::string& Name) const;
  std::vector<TrepCustomIOTransport*> Items() const;

private:
  mutable std::recursive_mutex FLock;
  std::vector<TrepCustomIOTransport*> FItems;
};

TrepIOTransportsCollection& IOTransports();
// Lines: the descriptions of the registered transports visible in State, objects the transports.
void FillIOTransportList(rt::TStrings& List, TrepFilterVisibleState State);
TrepFilterVisibleState FileFilterState(TrepFilterVisibleState CreatedFrom);

// The class used when a file should be picked by the user.
extern TrepIOTransportClass DefaultIODialogTransportClass;
// Start-up: sets the dialog transport class and registers one dialog transport (once).
void repIOTransportDialogInitialization();
// Shutdown: unregisters and frees it.
void repIOTransportDialogFinalization();

// The folder part of a path with its trailing separator; empty when there is none.
std::string repExtractFilePath(const std::string& Path);
