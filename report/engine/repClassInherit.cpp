// Report inheritance: a report that names a parent report file holds the parent's objects as
// ancestor objects and a separate copy of the parent to write its own differences against;
// InheritFromTemplate turns a report into the child of a template and merges the two.
//
// Parent files are untrusted like every report file: the chain of parents being loaded on this
// thread is kept, so a parent that leads back to a report of the chain, or a chain deeper than
// repMaxParentReportDepth, is refused instead of recursing without end.
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <set>
#include <vector>

#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repClassBand.h"
#include "report/engine/repClassData.h"
#include "report/engine/repClassPage.h"
#include "report/engine/repClassReport.h"
#include "report/engine/repClassStyles.h"
#include "report/engine/repPreview.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXMLSerializer.h"
#include "report/script/sc_iinterpreter.h"

namespace {

bool FileExists(const std::string& Name) {
  struct stat St {};
  return ::stat(Name.c_str(), &St) == 0 && S_ISREG(St.st_mode);
}

std::string FolderOf(const std::string& Path) {
  const auto P = Path.find_last_of("\\/");
  return P == std::string::npos ? std::string() : Path.substr(0, P + 1);
}

// Report files name folders with either separator; this system's file calls take '/'.
std::string LocalPath(std::string Path) {
  for (char& C : Path)
    if (C == '\\') C = '/';
  return Path;
}

bool IsAbsoluteName(const std::string& Name) {
  return (Name.size() > 1 && Name[1] == ':') || (Name.size() > 1 && Name[0] == '\\' && Name[1] == '\\') ||
         (!Name.empty() && Name[0] == '/');
}

// The file's real path when it exists (links and ".." resolved), else the name as given.
std::string ChainKey(const std::string& Name) {
  char Buf[PATH_MAX];
  if (::realpath(Name.c_str(), Buf) != nullptr) return Buf;
  return Name;
}

// The parents being loaded on this thread, outermost first (the child's own file first).
thread_local std::vector<std::string> LoadingParents;

struct TChainEntry {
  explicit TChainEntry(std::vector<std::string> Keys) : FCount(Keys.size()) {
    for (std::string& K : Keys) LoadingParents.push_back(std::move(K));
  }
  ~TChainEntry() { LoadingParents.resize(LoadingParents.size() - FCount); }
  TChainEntry(const TChainEntry&) = delete;
  TChainEntry& operator=(const TChainEntry&) = delete;
  std::size_t FCount;
};

// Ancestor marks and inherited marks travel by position: the copy was written from the
// source in tree order.
void CopyInheritedMarks(TrepReport& From, TrepReport& To) {
  To.SetAncestor(From.IsAncestor());
  const std::vector<TrepComponent*> A = From.AllObjects();
  const std::vector<TrepComponent*> B = To.AllObjects();
  for (std::size_t I = 0; I < A.size() && I < B.size(); ++I)
    if (A[I]->ClassType() == B[I]->ClassType()) B[I]->SetAncestor(A[I]->IsAncestor());
  for (int I = 0; I < From.Variables().Count() && I < To.Variables().Count(); ++I)
    To.Variables().Items(I)->SetIsInherited(From.Variables().Items(I)->IsInherited());
  for (int I = 0; I < From.Styles().Count() && I < To.Styles().Count(); ++I)
    To.Styles().Items(I)->SetIsInherited(From.Styles().Items(I)->IsInherited());
}

// A path to Target written relative to the folder Base (both absolute, either separator).
std::string RelativeTo(const std::string& Base, const std::string& Target) {
  const char Sep = Target.find('\\') != std::string::npos ? '\\' : '/';
  auto Split = [](const std::string& S) {
    std::vector<std::string> Parts;
    std::string Cur;
    for (char C : S) {
      if (C == '\\' || C == '/') {
        if (!Cur.empty()) Parts.push_back(Cur);
        Cur.clear();
      } else {
        Cur += C;
      }
    }
    if (!Cur.empty()) Parts.push_back(Cur);
    return Parts;
  };
  const std::vector<std::string> B = Split(Base), T = Split(Target);
  // Drive paths compare without letter case, as their file system does.
  const bool Drive = Target.size() > 1 && Target[1] == ':';
  std::size_t Common = 0;
  while (Common < B.size() && Common + 1 < T.size() &&
         (Drive ? rt::SameText(B[Common], T[Common]) : B[Common] == T[Common]))
    ++Common;
  // Different drives have no relative form.
  if (Common == 0 && Drive) return Target;
  std::string R;
  for (std::size_t I = Common; I < B.size(); ++I) R += std::string("..") + Sep;
  for (std::size_t I = Common; I < T.size(); ++I) {
    R += T[I];
    if (I + 1 < T.size()) R += Sep;
  }
  return R;
}

} // namespace

std::string RelativeParentReportName(const std::string& ParentReport, const std::string& ReportFile) {
  const bool Drive = ParentReport.size() > 1 && ParentReport[1] == ':';
  const bool Posix = !ParentReport.empty() && ParentReport[0] == '/';
  if (!(Drive || Posix) || ReportFile.empty()) return ParentReport;
  const std::string Folder = FolderOf(ReportFile);
  if (Folder.empty()) return ParentReport;
  // Both must be of the same kind to have a relative form.
  if (Drive != (Folder.size() > 1 && Folder[1] == ':')) return ParentReport;
  return RelativeTo(Folder, ParentReport);
}

// ---------------------------------------------------------------------------------------------
// The parent report

void TrepReport::DropParentReportObject() {
  if (!FParentReportObject) return;
  FParentReportObject.reset();
  FScript->Parent = FSaveParentScript;
}

void TrepReport::ParentReportFailed(const std::string& Msg) {
  // Inside a load the reader records it with the file's other problems and goes on.
  if (FXMLSerializer != nullptr || FRaiseParentErrors) throw rt::Exception(Msg);
  FErrors.Add(Msg);
  ReportErrors();
}

void TrepReport::SetParentReport(const std::string& Value) {
  if (FMergingTemplate) return;  // the merge copies properties; the template stays the parent
  FParentReport = Value;
  DropParentReportObject();
  if (Value.empty()) {
    SetAncestor(false);
    for (TrepComponent* C : AllObjects()) C->SetAncestor(false);
    return;
  }

  // A copy being made of a parent takes over the grandparent copy its source holds.
  if (FAdoptParent && FAdoptParentName == Value) {
    FParentReportObject = std::move(FAdoptParent);
    FAdoptParentName.clear();
    SetAncestor(true);
    return;
  }

  const std::string SaveFileName = FileName;
  TrepXMLSerializer* SaveSerializer = FXMLSerializer;
  const bool SaveLoading = IsLoading();
  std::string Name, Key;
  if (OnLoadTemplate) {
    Key = "\x01" + Value;  // names the callback resolves share no space with file paths
  } else {
    Name = Value;
    if (!IsAbsoluteName(Value)) {
      Name = FolderOf(SaveFileName) + Value;
      if (!FileExists(LocalPath(Name))) Name = GetApplicationFolder() + Value;
    }
    Name = LocalPath(Name);
    if (!FileExists(Name)) {
      ParentReportFailed("Parent report not found: " + Value);
      return;
    }
    Key = ChainKey(Name);
  }

  std::vector<std::string> Keys;
  if (LoadingParents.empty() && !SaveFileName.empty()) Keys.push_back(ChainKey(LocalPath(SaveFileName)));
  for (const std::string& K : LoadingParents)
    if (K == Key) {
      ParentReportFailed("Parent report " + Value + " leads back to a report that inherits from it");
      return;
    }
  if (!Keys.empty() && Keys.front() == Key) {
    ParentReportFailed("Parent report " + Value + " leads back to a report that inherits from it");
    return;
  }
  if (static_cast<int>(LoadingParents.size()) >= repMaxParentReportDepth) {
    ParentReportFailed("Parent reports nest deeper than " + std::to_string(repMaxParentReportDepth) + ": " +
                       Value);
    return;
  }
  Keys.push_back(Key);

  struct TRestore {
    TrepReport* R;
    std::string FileName;
    TrepXMLSerializer* Serializer;
    bool Loading;
    ~TRestore() {
      R->FileName = FileName;
      R->FXMLSerializer = Serializer;
      R->SetIsLoading(Loading);
    }
  };
  bool Loaded = true;
  {
    TChainEntry Chain(std::move(Keys));
    TRestore Restore{this, SaveFileName, SaveSerializer, SaveLoading};
    if (OnLoadTemplate)
      OnLoadTemplate(this, Value);
    else
      Loaded = LoadFromFile(Name, false);

    // The copy to write differences against. The load made a copy of the grandparent when the
    // parent has one of its own; the new copy takes that over, so a chain is read once.
    auto Copy = std::make_unique<TrepReport>(nullptr);
    Copy->EngineOptions.AssignThreadProps(EngineOptions);
    Copy->FileName = FileName;
    Copy->OnLoadTemplate = OnLoadTemplate;
    if (FScript->OnGetUnit) Copy->Script()->OnGetUnit = FScript->OnGetUnit;
    Copy->FAdoptParent = std::move(FParentReportObject);
    Copy->FAdoptParentName = FParentReport;
    FScript->Parent = FSaveParentScript;
    {
      // Every object written whole: the copy holds the parent's values, not its differences.
      rt::TMemoryStream S;
      TrepComponent::SaveToStream(S, true, true, true);
      S.SetPosition(0);
      Copy->LoadFromStream(S);
      Copy->ReportOptions.Password = ReportOptions.Password;
    }
    Copy->FAdoptParent.reset();
    CopyInheritedMarks(*this, *Copy);
    FParentReportObject = std::move(Copy);
  }

  for (TrepComponent* C : FParentReportObject->AllObjects())
    if (auto* P = dynamic_cast<TrepReportPage*>(C)) P->SetPaperSize(256);
  for (int I = 0; I < FVariables->Count(); ++I) FVariables->Items(I)->SetIsInherited(true);
  for (int I = 0; I < FStyles->Count(); ++I) FStyles->Items(I)->SetIsInherited(true);
  SetAncestor(true);
  for (TrepComponent* C : AllObjects()) C->SetAncestor(true);
  FParentReport = Value;
  if (!Loaded) ParentReportFailed("Parent report could not be read: " + Value);
}

void TrepReport::ReportGetAncestor(const std::string& ComponentName, TrepComponent*& Ancestor) {
  Ancestor = nullptr;
  if (!FParentReportObject) return;
  if (rt::SameText(ComponentName, Name()))
    Ancestor = FParentReportObject.get();
  else
    Ancestor = FParentReportObject->FindObject(ComponentName);
}

bool TrepReport::PrepareInheritedScript(TrepReport* ActiveReport) {
  if (ActiveReport == nullptr) ActiveReport = this;
  TscScript* ParentScript = FParentReportObject ? FParentReportObject->Script() : nullptr;
  if (FSaveParentScript == nullptr && FScript->Parent != ParentScript) FSaveParentScript = FScript->Parent;
  if (!FParentReportObject) return true;
  FParentReportObject->FSaveParentScript = FSaveParentScript;
  // User functions the application gave this report are the parent script's too.
  for (int I = 0; I < FScript->Count(); ++I) {
    auto* M = dynamic_cast<TscMethodHelper*>(FScript->GetItem(I));
    if (M == nullptr || M->AddedBy != reinterpret_cast<TscAddedBy>(2)) continue;
    TrepReport* R = this;
    ParentScript->AddedBy = M->AddedBy;
    ParentScript->AddMethod(
        M->Syntax(),
        TscCallMethodEvent([R](rt::TObject*, rt::TClass, const std::string& Method, rt::Variant& Params) {
          return R->OnUserFunction ? R->OnUserFunction(Method, Params) : rt::Variant();
        }),
        M->Category, M->Description);
    ParentScript->AddedBy = nullptr;
  }
  if (!FParentReportObject->PrepareScript(ActiveReport)) {
    std::string Msg = ResourceTable().Get("clScrError");
    const std::string Where = "Parent report: " + FParentReport + " Line: " + ParentScript->ErrorPos;
    if (auto P = Msg.find("%s"); P != std::string::npos) {
      Msg.replace(P, 2, Where);
      if (auto Q = Msg.find("%s", P + Where.size()); Q != std::string::npos) Msg.replace(Q, 2, ParentScript->ErrorMsg);
    } else {
      Msg += " " + Where + ": " + ParentScript->ErrorMsg;
    }
    FErrors.Add(Msg);
    return false;
  }
  return true;
}

TscScript* TrepReport::ParentScriptForPrepare() const {
  return FParentReportObject ? FParentReportObject->Script() : FSaveParentScript;
}

// ---------------------------------------------------------------------------------------------
// Inheriting from a template

namespace {

struct TMergeState {
  TrepReport* Report = nullptr;
  TrepReport* Copy = nullptr;
  bool Delete = false;
  std::vector<TrepFixupItem> Pending;
  std::set<TrepComponent*> DonePages;
};

std::string ExpandName(const std::string& Name) {
  if (Name.size() >= 2 && (Name[0] == '.' || Name[0] == '\\' || Name[0] == '/')) {
    std::string L = LocalPath(Name);
    char Buf[PATH_MAX];
    if (::realpath(L.c_str(), Buf) != nullptr) return Buf;
    return L;
  }
  return ChainKey(LocalPath(Name));
}

void MergeObject(TrepComponent* Source, TrepComponent* Target, TMergeState& St) {
  {
    TrepXMLSerializer S(nullptr);
    S.SetOwner(St.Report);
    S.ImagePixels = &St.Report->ImagePixels;
    const bool IsReport = dynamic_cast<TrepReport*>(Source) != nullptr;
    S.SerializeDefaultValues = !IsReport;
    const std::u16string Text = S.ObjToXML(Source);
    S.XMLToObj(Text, Target);
    S.CopyFixupList(&St.Pending);
    St.Report->Errors().AddStrings(S.Errors());
  }
  const std::vector<TrepComponent*> Children(Source->Objects().begin(), Source->Objects().end());
  for (TrepComponent* Child : Children) {
    if (St.DonePages.count(Child) != 0) continue;
    TrepComponent* Obj = Child->Name().empty() ? nullptr : St.Report->FindObject(Child->Name());
    bool Rename = false;
    if (Obj != nullptr && dynamic_cast<TrepPage*>(Obj) == nullptr) {
      if (St.Delete) continue;
      Rename = true;
      Obj = nullptr;
    }
    if (Obj == nullptr) {
      std::unique_ptr<rt::TObject> New(Child->ClassType()->NewInstance());
      auto* C = dynamic_cast<TrepComponent*>(New.get());
      if (C == nullptr) continue;
      New.release();
      C->SetParent(Target);
      Obj = C;
      if (!Rename && !Child->Name().empty()) {
        C->SetName(Child->Name());
      } else {
        C->CreateUniqueName(St.Report);
        const std::string Old = Child->Name();
        const std::string NewName = C->Name();
        try {
          // The copy's object takes the new name too, so later references follow it.
          if (TrepComponent* Holder = St.Copy->FindObject(NewName); Holder != nullptr && Holder != Child)
            Holder->CreateUniqueName(St.Copy);
          Child->SetName(NewName);
        } catch (const rt::Exception&) {
          // An ancestor object of the copy keeps its name; references to it stay as written.
        }
        if (!Old.empty())
          for (TrepFixupItem& F : St.Pending)
            if (rt::SameText(rt::Utf16ToUtf8(F.Value), Old)) F.Value = rt::Utf8ToUtf16(NewName);
        if (auto* D = dynamic_cast<TrepDataSet*>(C)) {
          D->SetUserName(NewName);
          St.Report->DataSets().Add(D);
        }
      }
    }
    if (auto* Sub = dynamic_cast<TrepSubreport*>(Child); Sub != nullptr && Sub->Page() != nullptr) {
      TrepReportPage* From = Sub->Page();
      auto* Page = new TrepReportPage(nullptr);
      Page->SetParent(St.Report);
      Page->Assign(From);
      Page->CreateUniqueName(St.Report);
      if (auto* NewSub = dynamic_cast<TrepSubreport*>(Obj)) NewSub->SetPage(Page);
      St.DonePages.insert(From);
      MergeObject(From, Page, St);
    }
    MergeObject(Child, Obj, St);
  }
}

const char* CommentOpener(const std::string& Syntax) {
  if (Syntax == "D++Uderir" || Syntax == "JScript") return "/*";
  if (Syntax == "RiravUdevad") return "/\\";
  if (Syntax == "PascalScript") return "{";
  return "";
}

const char* CommentCloser(const std::string& Syntax) {
  if (Syntax == "D++Uderir" || Syntax == "JScript") return "*/";
  if (Syntax == "RiravUdevad") return "/\\";
  if (Syntax == "PascalScript") return "}";
  return "";
}

} // namespace

bool TrepReport::InheritFromTemplate(const std::string& templName, TrepInheriteMode InheriteMode) {
  if (!FileName.empty() && ExpandName(FileName) == ExpandName(templName)) return false;

  auto Copy = std::make_unique<TrepReport>(nullptr);
  Copy->EngineOptions.AssignThreadProps(EngineOptions);
  Copy->FileName = FileName;
  Copy->OnLoadTemplate = OnLoadTemplate;
  Copy->AssignAll(this);

  const std::string Parent =
      IsAbsoluteName(templName) && !FileName.empty() ? RelativeTo(FolderOf(FileName), templName) : templName;
  bool Result = true;
  try {
    // A template that cannot be loaded refuses the call instead of being reported.
    FRaiseParentErrors = true;
    try {
      SetParentReport(Parent);
    } catch (...) {
      FRaiseParentErrors = false;
      throw;
    }
    FRaiseParentErrors = false;
    Result = FParentReportObject != nullptr;
  } catch (const rt::Exception& E) {
    FErrors.Add(E.Message());
    Result = false;
  }

  bool Delete = InheriteMode == imDelete;
  if (Result && InheriteMode == imDefault && InheritErrorHandler()) {
    // A host asks its user what to do with clashing names; without one (a server) a clash
    // under imDefault renames, as imRename does.
    bool Clash = false;
    for (TrepComponent* O : Copy->AllObjects())
      if (dynamic_cast<TrepPage*>(O) == nullptr && !O->Name().empty() && FindObject(O->Name()) != nullptr) {
        Clash = true;
        break;
      }
    if (Clash) switch (InheritErrorHandler()(InheritErrorTexts())) {
        case iaDelete: Delete = true; break;
        case iaRename: break;
        case iaCancel: Result = false; break;
      }
  }
  if (Result) {
    TMergeState St;
    St.Report = this;
    St.Copy = Copy.get();
    St.Delete = Delete;
    const std::string TemplScript = FScriptText.Text();

    FMergingTemplate = true;
    try {
      MergeObject(Copy.get(), this, St);
    } catch (...) {
      FMergingTemplate = false;
      throw;
    }
    FMergingTemplate = false;

    for (int I = 0; I < Copy->DataSets().Count(); ++I) {
      const std::string DSName = Copy->DataSets().Items(I)->DataSetName();
      if (DSName.empty() || FDataSets->Find(DSName) != nullptr) continue;
      if (TrepDataSet* D = FindDataSet(this, nullptr, DSName)) FDataSets->Add(D);
    }
    for (int I = 0; I < Copy->Variables().Count(); ++I) {
      TrepVariable* V = Copy->Variables().Items(I);
      std::string Name = V->Name;
      if (FVariables->IndexOf(Name) >= 0) {
        if (St.Delete) continue;
        Name += "_renamed";
      }
      TrepVariable* New = FVariables->Add();
      New->Assign(V);
      New->Name = Name;
      New->SetIsInherited(false);
    }
    for (int I = 0; I < Copy->Styles().Count(); ++I) {
      TrepStyleItem* S = Copy->Styles().Items(I);
      std::string Name = S->Name();
      if (FStyles->Find(Name) != nullptr) {
        if (St.Delete) continue;
        Name += "_renamed";
      }
      TrepStyleItem* New = FStyles->Add();
      New->Assign(*S);
      try {
        New->SetName(Name);
      } catch (const rt::Exception&) {
        New->CreateUniqueName();
      }
      New->SetIsInherited(false);
    }
    rt::TStringList Templ;
    Templ.SetText(TemplScript);
    FScriptText.Add(CommentOpener(ScriptLanguage));
    FScriptText.Add("**********Script from parent report**********");
    FScriptText.AddStrings(Templ);
    FScriptText.Add(CommentCloser(ScriptLanguage));
    for (int I = 0; I < FDataSets->Count(); ++I) {
      TrepDataSetItem* Item = FDataSets->Items(I);
      const std::string DSName = Item->DataSetName();
      if (!DSName.empty()) Item->SetDataSet(FindDataSet(this, Item->DataSet(), DSName));
    }
    for (const TrepFixupItem& F : St.Pending) {
      const std::string Target = rt::Utf16ToUtf8(F.Value);
      rt::TComponent* Found = FindObject(Target);
      if (Found == nullptr) {
        try {
          Found = FindComponentByPath(this, Target);
        } catch (const std::exception&) {
          Found = nullptr;
        }
      }
      if (Found != nullptr) {
        try {
          F.PropInfo->Set(F.Obj, rt::VarFromObject(Found));
        } catch (const rt::Exception& E) {
          FErrors.Add(E.Message());
        }
      }
    }
  } else {
    rt::TStringList Kept;
    Kept.AddStrings(FErrors);
    AssignAll(Copy.get());
    FErrors.AddStrings(Kept);
  }
  return Result;
}
