// The prepared-pages store: filling it while a report is laid out, rebuilding pages, editing,
// saving and loading. The export driver and page drawing are in repPreviewPagesExport.cpp, the
// dictionary and the outline in repPreviewPagesOutline.cpp.
#include "report/engine/repPreviewPages.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "platform/gfx/Picture.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/Unicode.h"
#include "report/engine/repIOTransport.h"
#include "report/engine/repPostProcessor.h"
#include "report/engine/repReportStorage.h"
#include "report/engine/repRes.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXMLSerializer.h"

namespace {

std::u16string U16(std::string_view S) { return rt::Utf8ToUtf16(S); }
std::string U8(std::u16string_view S) { return rt::Utf16ToUtf8(S); }

// True when the object's class or one of its ancestors has that name. Band and page classes of
// later layers are recognised by name, so the store needs none of them.
bool IsA(const rt::TObject* Obj, std::string_view ClassName) {
  if (Obj == nullptr) return false;
  for (rt::TClass C = Obj->ClassType(); C != nullptr; C = C->ClassParent())
    if (C->ClassName() == ClassName) return true;
  return false;
}

bool IsWholePageName(std::string_view Name) { return rt::SameText(Name, "TrepReportPage") || rt::SameText(Name, "TrepDMPPage"); }

std::u16string Trimmed(std::u16string S) {
  std::size_t B = 0, E = S.size();
  while (B < E && S[B] == u' ') ++B;
  while (E > B && S[E - 1] == u' ') --E;
  return S.substr(B, E - B);
}

// Attribute reads of untrusted elements: a damaged character reference reads as absent.
std::u16string SafeProp(const TrepXMLItem* Item, std::string_view Name) {
  try {
    return Item->Prop(Name);
  } catch (const rt::EConvertError&) {
    return {};
  }
}

bool ReadInt(const TrepXMLItem* Item, std::string_view Name, int& Value) {
  const std::u16string V = SafeProp(Item, Name);
  if (V.empty()) return false;
  long long N = 0;
  if (!rt::TryStrToInt64(U8(V), N) || N < INT_MIN || N > INT_MAX) return false;
  Value = static_cast<int>(N);
  return true;
}

int IntOr(const TrepXMLItem* Item, std::string_view Name, int Default) {
  int V = Default;
  ReadInt(Item, Name, V);
  return V;
}

bool ReadFloat(const TrepXMLItem* Item, std::string_view Name, double& Value) {
  const std::u16string V = SafeProp(Item, Name);
  if (V.empty()) return false;
  try {
    const double D = TextToFloat(U8(V));
    if (!std::isfinite(D)) return false;
    Value = D;
    return true;
  } catch (const rt::EConvertError&) {
    return false;
  }
}

double FloatOr(const TrepXMLItem* Item, std::string_view Name, double Default) {
  double V = Default;
  ReadFloat(Item, Name, V);
  return V;
}

// Whole pixels with halves to even; values beyond the integer range are held at its ends.
int RoundPixels(double V) {
  if (!(V > INT_MIN)) return INT_MIN;
  if (!(V < INT_MAX)) return INT_MAX;
  return static_cast<int>(std::nearbyint(V));
}

// A number written the way the runtime writes floats.
std::string FloatText(double V) { return rt::FloatToStr(V); }

// "page<N>": N, or false when the rest is no number of at most MaxDigits digits.
bool PageElementNumber(std::string_view Name, int MaxDigits, int& N) {
  if (Name.size() < 5 || !rt::SameText(Name.substr(0, 4), "page")) return false;
  std::string_view Rest = Name.substr(4);
  bool Negative = false;
  if (!Rest.empty() && Rest[0] == '-') {
    Negative = true;
    Rest.remove_prefix(1);
  }
  if (Rest.empty() || static_cast<int>(Rest.size()) > MaxDigits) return false;
  int V = 0;
  for (char C : Rest) {
    if (C < '0' || C > '9') return false;
    V = V * 10 + (C - '0');
  }
  N = Negative ? -V : V;
  return true;
}

TrepComponent* NewComponentLike(const TrepComponent* Obj) {
  rt::TObject* O = Obj->ClassType()->NewInstance();
  auto* C = dynamic_cast<TrepComponent*>(O);
  if (C == nullptr) {
    delete O;
    throw rt::EClassNotFound("Class " + Obj->ClassType()->ClassName() + " cannot be copied");
  }
  return C;
}

std::unique_ptr<TrepReportPage> NewPageOfClass(std::string_view ClassName) {
  rt::TClass C = rt::GetClass(ClassName);
  if (C != nullptr && C->InheritsFrom(TrepReportPage::ClassInfo())) {
    rt::TObject* O = C->NewInstance();
    if (auto* P = dynamic_cast<TrepReportPage*>(O)) return std::unique_ptr<TrepReportPage>(P);
    delete O;
  }
  return std::make_unique<TrepReportPage>(nullptr);
}

// The caller's stream lent to the document for a partial load; the caller keeps it alive.
class TBorrowedStream : public rt::TStream {
public:
  explicit TBorrowedStream(rt::TStream& S) : FS(S) {}
  std::int64_t Read(void* Buffer, std::int64_t Count) override { return FS.Read(Buffer, Count); }
  std::int64_t Write(const void* Buffer, std::int64_t Count) override { return FS.Write(Buffer, Count); }
  std::int64_t Seek(std::int64_t Offset, rt::TSeekOrigin Origin) override { return FS.Seek(Offset, Origin); }
  std::int64_t Size() override { return FS.Size(); }
  void SetSize(std::int64_t NewSize) override { FS.SetSize(NewSize); }

private:
  rt::TStream& FS;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Life

TrepPreviewPages::TrepPreviewPages(TrepReport* AReport) : TrepCustomPreviewPages(AReport) {
  FOutline = std::make_unique<TrepOutline>(this);
  FXMLDoc.Root()->SetName("preparedreport");
}

TrepPreviewPages::~TrepPreviewPages() {
  FLockedPage = nullptr;
  FlushPageCache();
  FreeSourcePages();
}

void TrepPreviewPages::AddError(const std::string& Text) {
  if (FReport != nullptr) FReport->Errors().Add(Text);
}

bool TrepPreviewPages::FinalPass() const { return Engine == nullptr || Engine->FinalPass; }

TrepXMLItem* TrepPreviewPages::PagesItem() { return FXMLDoc.Root()->FindItem("previewpages"); }

TrepXMLItem* TrepPreviewPages::PageItem(int Index) {
  TrepXMLItem* P = PagesItem();
  return Index >= 0 && Index < P->Count() ? P->Items(Index) : nullptr;
}

TrepXMLItem* TrepPreviewPages::CurrentPageItem() { return PageItem(CurPage); }

int TrepPreviewPages::GetCount() {
  const int I = FXMLDoc.Root()->Find("previewpages");
  return I < 0 ? 0 : FXMLDoc.Root()->Items(I)->Count();
}

void TrepPreviewPages::FreeSourcePages() {
  FSourceTexts.clear();
  FSourcePages.clear();
}

const std::u16string& TrepPreviewPages::SourceText(const TrepComponent* Source) {
  auto& Entry = FSourceTexts[Source];
  if (Entry.second.empty() || Entry.first != Source->BaseName()) {
    Entry.first = Source->BaseName();
    Entry.second = U16(Entry.first);
  }
  return Entry.second;
}

void TrepPreviewPages::Clear() {
  FLockedPage = nullptr;
  FlushPageCache();
  FreeSourcePages();
  FXMLDoc.Clear();
  FXMLDoc.Root()->SetName("preparedreport");
  FDictionary.Clear();
  FPostProcessor->Clear();
  FPictureCache.Clear();
  FImagePixels.Reset(FReport != nullptr ? &FReport->Errors() : nullptr);
  // The cursor would point into the freed outline.
  FOutline->CurItem = nullptr;
  CurPage = -1;
  FXMLSize = 0;
  FLastY = 0;
  FFirstPageIndex = -1;
  FFirstObjectIndex = 0;
  FFirstOutlineIndex = 0;
  FLogicalPageN = 0;
}

void TrepPreviewPages::Initialize() {
  if (FReport == nullptr) return;
  FPictureCache.SetUseFileCache(FReport->PreviewOptions.PictureCacheInFile);
  FPictureCache.SetTempDir(FReport->EngineOptions.TempDir);
  FXMLDoc.SetTempDir(FReport->EngineOptions.TempDir);
  FReport->InternalOnProgressStart(ptRunning);
}

// ---------------------------------------------------------------------------------------------
// Source pages

void TrepPreviewPages::AddSourcePage(TrepReportPage* Page) {
  if (Page == nullptr) return;
  struct TPair {
    TrepComponent* Obj;
    TrepComponent* Copy;
  };
  std::vector<TPair> List;
  auto PageCopy = NewPageOfClass(Page->ClassType()->ClassName());
  PageCopy->Assign(Page);
  PageCopy->SetName(Page->Name());
  PageCopy->ParentReport = FReport;

  // Depth first, a parent's copy made (and filled) before its children are attached to it.
  std::vector<TPair> Stack{{Page, PageCopy.get()}};
  while (!Stack.empty()) {
    const TPair P = Stack.back();
    Stack.pop_back();
    std::vector<TPair> Children;
    for (TrepComponent* Child : P.Obj->Objects()) {
      if (!Child->frComponentStyle.Contains(csPreviewVisible)) {
        List.push_back({Child, nullptr});
        continue;
      }
      TrepComponent* Copy = NewComponentLike(Child);
      Copy->SetParent(P.Copy);
      auto* Pic = dynamic_cast<TrepPictureView*>(Child);
      const bool Stored = Pic != nullptr && Pic->IsPictureStored;
      if (Pic != nullptr) Pic->IsPictureStored = false;
      Copy->Assign(Child);
      if (Pic != nullptr) Pic->IsPictureStored = Stored;
      Copy->SetName(Child->Name());
      List.push_back({Child, Copy});
      Children.push_back({Child, Copy});
    }
    for (auto It = Children.rbegin(); It != Children.rend(); ++It) Stack.push_back(*It);
  }

  PageCopy->OriginalComponent = Page;
  FSourcePages.push_back(std::move(PageCopy));
  const std::string Prefix = "Page" + std::to_string(FSourcePages.size() - 1) + ".";
  TrepXMLSerializer Ser(nullptr);
  for (const TPair& P : List) {
    if (P.Copy == nullptr) {
      P.Obj->AddSourceObjects();
      continue;
    }
    P.Obj->OriginalComponent = P.Copy;
    P.Copy->OriginalComponent = P.Obj;
    std::string Base = "b";
    if (dynamic_cast<TrepBand*>(P.Copy) == nullptr) {
      const std::string BN = P.Copy->BaseName();
      Base = BN.empty() ? std::string("o") : std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(BN[0]))));
    }
    const std::string Alias = FDictionary.AddUnique(Base, Prefix + P.Copy->Name(), P.Copy);
    if (auto* Memo = dynamic_cast<TrepCustomMemoView*>(P.Copy)) {
      Memo->SetDataSet(nullptr);
      Memo->DataField.clear();
    }
    P.Copy->SetBaseName(U8(Ser.WriteComponentStr(P.Copy)));
    P.Obj->AliasName = Alias;
    P.Copy->AliasName = Alias;
  }
}

void TrepPreviewPages::AddToSourcePage(TrepComponent* Obj) {
  if (Obj == nullptr || FSourcePages.empty()) return;
  TrepReportPage* Last = FSourcePages.back().get();
  TrepComponent* Copy = NewComponentLike(Obj);
  Copy->SetParent(Last);
  Copy->Assign(Obj);
  Copy->CreateUniqueName();
  const std::string BN = Copy->BaseName();
  const std::string Base = BN.empty() ? std::string("o") : std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(BN[0]))));
  const std::string Alias = FDictionary.AddUnique(
      Base, "Page" + std::to_string(FSourcePages.size() - 1) + "." + Copy->Name(), Copy);
  if (Copy->frComponentStyle.Contains(csDefaultDiff)) {
    Copy->SetBaseName(Copy->ClassType()->ClassName());
  } else {
    TrepXMLSerializer Ser(nullptr);
    Copy->SetBaseName(U8(Ser.WriteComponentStr(Copy)));
  }
  Obj->OriginalComponent = Copy;
  Obj->AliasName = Alias;
  Copy->AliasName = Alias;
}

TrepComponent* TrepPreviewPages::SourceObjectOf(const std::string& Alias) {
  auto* C = dynamic_cast<TrepComponent*>(FDictionary.GetObject(Alias));
  // Only objects that stand on pages can be rebuilt from a source.
  return dynamic_cast<TrepReportComponent*>(C);
}

// ---------------------------------------------------------------------------------------------
// Filling pages

void TrepPreviewPages::AddPage(TrepReportPage* Page) {
  TrepXMLItem* Pages = PagesItem();
  if (FReport != nullptr && FReport->EngineOptions.UseFileCache &&
      FXMLSize > static_cast<long long>(FReport->EngineOptions.MaxMemSize) * 1048576) {
    for (int I = Pages->Count() - 2; I >= 0; --I) {
      TrepXMLItem* P = Pages->Items(I);
      if (!P->Loaded()) break;
      if (P->Unloadable()) FXMLDoc.UnloadItem(P);
    }
    FXMLSize = 0;
  }
  ++CurPage;
  if (CurPage < Pages->Count() && AddPageAction == apWriteOver) return;
  int Source = -1;
  for (std::size_t I = 0; I < FSourcePages.size(); ++I)
    if (Page != nullptr && FSourcePages[I]->OriginalComponent == Page) {
      Source = static_cast<int>(I);
      break;
    }
  TrepXMLItem* Item = Pages->Add("page" + std::to_string(Source));
  if (Pages->Count() > 2) Item->SetUnloadable(true);
  if (FReport != nullptr) FReport->InternalOnProgress(ptRunning, CurPage + 1);
  AddPageAction = apWriteOver;
  CurPage = Pages->Count() - 1;
  IncLogicalPageNumber();
}

void TrepPreviewPages::AddObject(TrepComponent* Obj) {
  TrepXMLItem* Target = CurrentPageItem();
  if (Target == nullptr || Obj == nullptr) return;
  AddObjectTo(Target, Obj, IsWholePageName(Target->Name()));
}

void TrepPreviewPages::AddObjectTo(TrepXMLItem* Parent, TrepComponent* Obj, bool WholePage) {
  if (!Obj->Visible() || !Obj->frComponentStyle.Contains(csPreviewVisible)) return;
  // A delayed or merged value goes to the post-processor; the object keeps its index.
  if (auto* V = dynamic_cast<TrepView*>(Obj); V != nullptr && V->IsPostProcessAllowed())
    V->SaveContentToDictionary(FReport, FPostProcessor.get());
  // A changed picture goes into the cache while its differences are taken; the hook does not
  // outlive the call, so a picture never reaches a store that has gone.
  auto* Pic = dynamic_cast<TrepPictureView*>(Obj);
  if (Pic != nullptr)
    Pic->AddPicture = [this](TrepPictureView* P) {
      FPictureCache.AddPicture(P);
      return P->ImageIndex;
    };
  TrepComponent* Source = Obj->OriginalComponent;
  std::string Name;
  std::u16string Text;
  if (Source == nullptr || WholePage) {
    Name = Obj->ClassType()->ClassName();
    Text = Obj->AllDiff(nullptr);
  } else {
    Name = Obj->AliasName;
    if (!FinalPass())
      Text = Obj->TrepComponent::Diff(Source);
    else if (Obj->frComponentStyle.Contains(csDefaultDiff))
      Text = Obj->AllDiff(Source);
    else
      Text = Obj->Diff(Source);
  }
  if (Pic != nullptr) Pic->AddPicture = nullptr;
  TrepXMLItem* Item = Parent->Add(Name);
  Item->SetText(Trimmed(std::move(Text)));
  FXMLSize += static_cast<long long>(Name.size() + Item->Text().size()) + 68;
  const std::vector<TrepComponent*> Children = Obj->Objects().List();
  for (TrepComponent* C : Children) AddObjectTo(Item, C, WholePage);
}

void TrepPreviewPages::AddPicture(TrepPictureView* Picture) { FPictureCache.AddPicture(Picture); }

// ---------------------------------------------------------------------------------------------
// Rebuilding pages

TrepReportPage* TrepPreviewPages::GetPage(int Index) {
  if (Index < 0 || Index >= GetCount()) return nullptr;
  const std::size_t L = FLockedPage != nullptr ? 1 : 0;
  if (Engine == nullptr || !Engine->Running) {
    for (std::size_t I = 0; I < FPageCache.size(); ++I)
      if (FPageCache[I].first == Index) {
        TrepReportPage* Found = FPageCache[I].second.get();
        // The most recently fetched page moves to the front, behind a locked page.
        if (Found != FLockedPage && I != L && L < FPageCache.size()) std::swap(FPageCache[I], FPageCache[L]);
        return Found;
      }
  }
  std::unique_ptr<TrepReportPage> Page = BuildPage(Index);
  if (!Page) return nullptr;
  Page->AlignChildren(false, {});
  TrepReportPage* Result = Page.get();
  FPageCache.insert(FPageCache.begin() + static_cast<std::ptrdiff_t>(std::min(L, FPageCache.size())),
                    std::make_pair(Index, std::move(Page)));
  // Repeated values are merged within one page: the next page starts afresh.
  FPostProcessor->ResetSuppressed();
  const int Limit = FReport != nullptr ? FReport->PreviewOptions.PagesInCache : 50;
  if (static_cast<int>(FPageCache.size()) > Limit && FPageCache.size() > 1) {
    const int Evicted = FPageCache.back().first;
    const bool FileCache = FReport != nullptr && FReport->EngineOptions.UseFileCache;
    if (TrepXMLItem* Item = PageItem(Evicted); Item != nullptr && Item->Unloadable())
      if (!FXMLDoc.ReturnItemToSource(Item) && FileCache) FXMLDoc.UnloadItem(Item);
    if (FPageCache.back().second.get() == FLockedPage) FLockedPage = nullptr;
    FPageCache.pop_back();
  }
  return Result;
}

std::unique_ptr<TrepReportPage> TrepPreviewPages::BuildPage(int Index) {
  TrepXMLItem* Item = PageItem(Index);
  if (Item == nullptr) return nullptr;
  const std::string PageNo = std::to_string(Index + 1);
  try {
    FXMLDoc.LoadItem(Item);
  } catch (const rt::Exception& E) {
    AddError("Prepared page " + PageNo + " cannot be read: " + E.Message());
    return nullptr;
  }
  TrepXMLSerializer Ser(nullptr);
  Ser.SetOldFormat(FXMLDoc.OldVersion());
  Ser.ImagePixels = &FImagePixels;
  std::unique_ptr<TrepReportPage> Page;
  int Budget = MaxObjectsPerPage;
  try {
    if (IsWholePageName(Item->Name())) {
      Page = NewPageOfClass(Item->Name());
      Page->ParentReport = FReport;
      Ser.SetOwner(Page.get());
      Ser.ReadRootComponent(Page.get(), Item);
      return Page;
    }
    int N = -1;
    if (!PageElementNumber(Item->Name(), MaxPageDigits, N) || N < 0 || N >= static_cast<int>(FSourcePages.size())) {
      AddError("Prepared page " + PageNo + " refers to a source page that does not exist");
      return nullptr;
    }
    const TrepReportPage* Source = FSourcePages[static_cast<std::size_t>(N)].get();
    Page = NewPageOfClass(Source->ClassType()->ClassName());
    Page->ParentReport = FReport;
    Page->Assign(const_cast<TrepReportPage*>(Source));
    Page->SetName(Source->Name());
    if (!Item->Text().empty()) Ser.XMLToObj(Item->Text(), Page.get());
  } catch (const rt::Exception& E) {
    AddError("Prepared page " + PageNo + " cannot be read: " + E.Message());
    return nullptr;
  }
  BuildObjects(Item, Page.get(), Budget);
  return Page;
}

void TrepPreviewPages::BuildObjects(TrepXMLItem* Item, TrepComponent* Parent, int& Budget) {
  for (int I = 0; I < Item->Count(); ++I) {
    TrepXMLItem* C = Item->Items(I);
    if (--Budget < 0) {
      if (Budget == -1) AddError("A prepared page holds more than " + std::to_string(MaxObjectsPerPage) + " objects");
      return;
    }
    std::u16string Text;
    TrepComponent* Source = SourceObjectOf(C->Name());
    if (Source != nullptr) {
      const std::u16string& Base = SourceText(Source);
      Text.reserve(Base.size() + 1 + C->Text().size());
      Text = Base;
      Text += u' ';
      Text += C->Text();
    } else {
      rt::TClass Class = rt::GetClass(C->Name());
      if (Class == nullptr || !Class->InheritsFrom(TrepReportComponent::ClassInfo())) {
        AddError("Unknown object \"" + C->Name() + "\" on a prepared page");
        continue;
      }
      Text = U16(C->Name()) + u" " + C->Text();
    }
    std::unique_ptr<TrepComponent> Obj;
    try {
      TrepXMLSerializer Ser(nullptr);
      Ser.SetOldFormat(FXMLDoc.OldVersion());
      Ser.ImagePixels = &FImagePixels;
      Obj.reset(Ser.ReadComponentStr(nullptr, Text, true));
      if (!Obj) continue;
      if (Source != nullptr) Obj->SetName(Source->Name());
    } catch (const rt::Exception& E) {
      AddError("Object \"" + C->Name() + "\" of a prepared page cannot be read: " + E.Message());
      continue;
    }
    if (auto* Pic = dynamic_cast<TrepPictureView*>(Obj.get()); Pic != nullptr && Pic->Picture().Graphic() == nullptr)
      FPictureCache.GetPicture(Pic);
    if (auto* Memo = dynamic_cast<TrepCustomMemoView*>(Obj.get())) {
      // Asking a memo for its highlight would give it one.
      if (Memo->Highlights().Count() > 0) Memo->ApplyPreviewHighlight();
      if (!PostProcessedIndexValid(Memo)) {
        AddError("Object \"" + C->Name() + "\" of a prepared page refers to a post-processed value that does not exist");
        continue;
      }
    }
    TrepComponent* O = Obj.release();
    // Placed first, so that a merged repeat measures its first print in page coordinates.
    O->SetParent(Parent);
    // A repeat that is left out is freed (and taken off the page) by the post-processor.
    if (FPostProcessor->LoadValue(O)) continue;
    O->SerializedItem = C;
    BuildObjects(C, O, Budget);
    O->UpdateBounds();
  }
}

bool TrepPreviewPages::PostProcessedIndexValid(TrepCustomMemoView* Memo) const {
  const TrepMacrosItem* Entry = Memo->Name().empty() ? nullptr : FPostProcessor->Find(Memo->Name());
  if (Entry == nullptr || Memo->Memo().Count() == 0) return true;
  int V = 0;
  // Only a number is an index; any other text is the memo's own.
  if (!rt::TryStrToInt(U8(Memo->Memo().Get(0)), V)) return true;
  return V >= 0 && V < Entry->Count();
}

gfx::TPoint TrepPreviewPages::GetPageSize(int Index) {
  gfx::TPoint R{0, 0};
  TrepXMLItem* Item = PageItem(Index);
  if (Item == nullptr) return R;
  const TrepComponent* P = nullptr;
  int N = -1;
  if (IsWholePageName(Item->Name()))
    P = GetPage(Index);
  else if (PageElementNumber(Item->Name(), MaxPageDigits, N) && N >= 0 && N < static_cast<int>(FSourcePages.size()))
    P = FSourcePages[static_cast<std::size_t>(N)].get();
  if (P == nullptr) return R;
  R.X = RoundPixels(P->Width());
  R.Y = RoundPixels(P->Height());
  double V = 0;
  if (ReadFloat(Item, "PaperWidth", V)) R.X = RoundPixels(V * fr01cm);
  if (ReadFloat(Item, "PaperHeight", V)) R.Y = RoundPixels(V * fr01cm);
  return R;
}

void TrepPreviewPages::FlushPageCache() {
  std::vector<std::pair<int, std::unique_ptr<TrepReportPage>>> Kept;
  const bool FileCache = FReport != nullptr && FReport->EngineOptions.UseFileCache;
  for (auto& E : FPageCache) {
    if (FLockedPage != nullptr && E.second.get() == FLockedPage) {
      Kept.push_back(std::move(E));
      continue;
    }
    // A page read from the source of a partial load goes back to waiting there.
    if (TrepXMLItem* Item = PageItem(E.first); Item != nullptr && Item->Unloadable())
      if (!FXMLDoc.ReturnItemToSource(Item) && FileCache) FXMLDoc.UnloadItem(Item);
  }
  FPageCache = std::move(Kept);
}

void TrepPreviewPages::LockPage() {
  if (FPageCache.empty()) return;
  UnlockPage();
  FLockedPage = FPageCache.front().second.get();
}

void TrepPreviewPages::UnlockPage() { FLockedPage = nullptr; }

// ---------------------------------------------------------------------------------------------
// Passes and logical page numbers

void TrepPreviewPages::BeginPass() {
  FFirstPageIndex = GetCount() - 1;
  if (GetCount() != 0) {
    FFirstObjectIndex = PageItem(FFirstPageIndex)->Count();
    FFirstOutlineIndex = static_cast<TrepOutline*>(FOutline.get())->Root()->Count();
  }
  ResetLogicalPageNumber();
}

void TrepPreviewPages::ClearFirstPassPages() {
  FlushPageCache();
  TrepXMLItem* Root = FXMLDoc.Root();
  if (FFirstPageIndex == -1) {
    for (int I = 0; I < Root->Count(); ++I) {
      TrepXMLItem* E = Root->Items(I);
      if (!rt::SameText(E->Name(), "anchors") && !rt::SameText(E->Name(), "logicalpagenumbers")) E->Clear();
    }
  } else {
    if (TrepXMLItem* P = PageItem(FFirstPageIndex))
      while (P->Count() > FFirstObjectIndex) delete P->Items(P->Count() - 1);
    TrepXMLItem* Pages = PagesItem();
    while (Pages->Count() > FFirstPageIndex + 1) delete Pages->Items(Pages->Count() - 1);
    TrepXMLItem* Outline = static_cast<TrepOutline*>(FOutline.get())->Root();
    while (Outline->Count() > FFirstOutlineIndex) delete Outline->Items(Outline->Count() - 1);
  }
  FOutline->CurItem = nullptr;
  ResetLogicalPageNumber();
  CurPage = FFirstPageIndex;
  FXMLSize = 0;
}

void TrepPreviewPages::IncLogicalPageNumber() {
  if (Engine != nullptr && FReport != nullptr && FReport->EngineOptions.DoublePass && Engine->FinalPass) return;
  ++FLogicalPageN;
  FXMLDoc.Root()->FindItem("logicalpagenumbers")->Add("page")->SetProp("n", std::to_string(FLogicalPageN));
}

void TrepPreviewPages::ResetLogicalPageNumber() {
  if (Engine != nullptr && FReport != nullptr && FReport->EngineOptions.DoublePass && Engine->FinalPass) return;
  TrepXMLItem* L = FXMLDoc.Root()->FindItem("logicalpagenumbers");
  for (int I = CurPage; I > FFirstPageIndex; --I) {
    if (I < 0 || I >= L->Count()) continue;
    TrepXMLItem* E = L->Items(I);
    E->SetProp("t", std::to_string(FLogicalPageN));
    if (SafeProp(E, "n") == u"1") break;
  }
  FLogicalPageN = 0;
}

int TrepPreviewPages::GetLogicalPageNo() {
  TrepXMLItem* L = FXMLDoc.Root()->FindItem("logicalpagenumbers");
  if (CurPage >= 0 && CurPage < L->Count()) return IntOr(L->Items(CurPage), "n", 0);
  return CurPage - FirstPage + 1;
}

int TrepPreviewPages::GetLogicalTotalPages() {
  TrepXMLItem* L = FXMLDoc.Root()->FindItem("logicalpagenumbers");
  if (CurPage >= 0 && CurPage < L->Count()) return IntOr(L->Items(CurPage), "t", 0);
  return (Engine != nullptr ? Engine->TotalPages : 0) - FirstPage;
}

void TrepPreviewPages::Finish() {
  FLastY = 0;
  FlushPageCache();
  for (auto& P : FSourcePages) P->OriginalComponent = nullptr;
  if (FReport != nullptr) FReport->InternalOnProgressStop(ptRunning);
}

// ---------------------------------------------------------------------------------------------
// Anchors

TrepXMLItem* TrepPreviewPages::FindAnchorRoot() { return FXMLDoc.Root()->FindItem("anchors"); }

void TrepPreviewPages::AddAnchor(const std::string& Text) {
  TrepXMLItem* A = FindAnchorRoot()->Add("item");
  A->SetProp("text", std::u16string_view(U16(Text)));
  A->SetProp("page", std::to_string(CurPage));
  A->SetProp("top", std::to_string(RoundPixels(Engine != nullptr ? Engine->CurY : 0)));
}

TrepXMLItem* TrepPreviewPages::FindAnchor(const std::string& Text) {
  TrepXMLItem* R = FindAnchorRoot();
  const std::u16string T = U16(Text);
  for (int I = R->Count() - 1; I >= 0; --I)
    if (rt::SameText(U8(SafeProp(R->Items(I), "text")), U8(T))) return R->Items(I);
  return nullptr;
}

int TrepPreviewPages::GetAnchorPage(const std::string& Text) {
  TrepXMLItem* A = FindAnchor(Text);
  return A == nullptr ? 1 : IntOr(A, "page", 0) + 1;
}

int TrepPreviewPages::GetAnchorCurPosition() { return FindAnchorRoot()->Count() - 1; }

void TrepPreviewPages::ShiftAnchors(int From, int NewTop) {
  TrepXMLItem* R = FindAnchorRoot();
  if (From + 1 < 0 || From + 1 >= R->Count()) return;
  const int T0 = IntOr(R->Items(From + 1), "top", 0);
  for (int I = From + 1; I < R->Count(); ++I) {
    TrepXMLItem* A = R->Items(I);
    A->SetProp("page", std::to_string(IntOr(A, "page", 0) + 1));
    A->SetProp("top", std::to_string(NewTop + IntOr(A, "top", 0) - T0));
  }
}

void TrepPreviewPages::DeleteAnchors(int From) {
  TrepXMLItem* R = FindAnchorRoot();
  if (From + 1 < 0 || From + 1 >= R->Count()) return;
  while (R->Count() > From + 1) delete R->Items(R->Count() - 1);
}

// ---------------------------------------------------------------------------------------------
// Objects of the current page

int TrepPreviewPages::GetCurPosition() {
  TrepXMLItem* P = CurrentPageItem();
  return P == nullptr ? 0 : P->Count();
}

void TrepPreviewPages::DeleteObjects(int APosition) {
  TrepXMLItem* P = CurrentPageItem();
  if (P == nullptr) return;
  while (P->Count() > std::max(APosition, 0)) delete P->Items(P->Count() - 1);
}

void TrepPreviewPages::CutObjects(int APosition) {
  TrepXMLItem* P = CurrentPageItem();
  if (P == nullptr) return;
  TrepXMLItem* Cut = FXMLDoc.Root()->FindItem("cutted");
  while (P->Count() > std::max(APosition, 0)) Cut->AddItem(P->Items(std::max(APosition, 0)));
}

void TrepPreviewPages::PasteObjects(double X, double Y) {
  TrepXMLItem* Root = FXMLDoc.Root();
  const int CI = Root->Find("cutted");
  if (CI < 0) return;
  TrepXMLItem* Cut = Root->Items(CI);
  TrepXMLItem* P = CurrentPageItem();
  if (Cut->Count() > 0 && P != nullptr) {
    TrepXMLItem* First = Cut->Items(0);
    double dX = X - FloatOr(First, "l", 0);
    if (First->Name() == "TrepNullBand" && dX < 0 && X == 0) dX = 0;
    const double dY = Y - FloatOr(First, "t", 0);
    while (Cut->Count() > 0) {
      TrepXMLItem* O = Cut->Items(0);
      if (dX != 0) O->SetProp("l", FloatText(FloatOr(O, "l", 0) + dX));
      O->SetProp("t", FloatText(FloatOr(O, "t", 0) + dY));
      P->AddItem(O);
    }
  }
  delete Cut;
}

bool TrepPreviewPages::BandExists(TrepBand* Band) {
  TrepXMLItem* P = CurrentPageItem();
  if (P == nullptr || Band == nullptr) return false;
  for (int I = 0; I < P->Count(); ++I) {
    TrepComponent* S = SourceObjectOf(P->Items(I)->Name());
    if (S == nullptr) continue;
    if (S->OriginalComponent == Band) return true;
    if ((IsA(Band, "TrepPageFooter") && IsA(S, "TrepPageFooter")) ||
        (IsA(Band, "TrepColumnFooter") && IsA(S, "TrepColumnFooter")))
      return true;
  }
  return false;
}

double TrepPreviewPages::GetLastY(double ColumnPosition) {
  double Result = 0;
  if (TrepXMLItem* P = CurrentPageItem()) {
    for (int I = 0; I < P->Count(); ++I) {
      TrepXMLItem* E = P->Items(I);
      TrepComponent* S = SourceObjectOf(E->Name());
      if (dynamic_cast<TrepBand*>(S) == nullptr || IsA(S, "TrepPageFooter") || IsA(S, "TrepOverlay")) continue;
      const double L = FloatOr(E, "l", S->Left());
      if (ColumnPosition == 0 || std::fabs(ColumnPosition - L) < 0.001 || IsA(S, "TrepPageHeader") ||
          IsA(S, "TrepReportTitle")) {
        const double Bottom = FloatOr(E, "t", S->Top()) + FloatOr(E, "h", S->Height());
        Result = std::max(Result, Bottom);
      }
    }
  }
  if (Result == 0 && FLastY != 0) return FLastY;
  return Result;
}

void TrepPreviewPages::UpdatePageLastColumn(int aColumn, double aColumnPos, bool aReset) {
  TrepXMLItem* P = CurrentPageItem();
  if (P == nullptr) return;
  if (aReset || aColumn > 0) P->SetProp("c", std::to_string(aColumn));
  if (aReset || aColumnPos != 0) P->SetProp("cp", FloatText(aColumnPos));
}

void TrepPreviewPages::GetLastColumnPos(int& aColumn, double& ColumnPos) {
  TrepXMLItem* P = CurrentPageItem();
  if (P == nullptr) return;
  ReadInt(P, "c", aColumn);
  ReadFloat(P, "cp", ColumnPos);
}

void TrepPreviewPages::UpdatePageDimension(int Index, double Width, double Height) {
  TrepXMLItem* P = PageItem(Index);
  if (P == nullptr) return;
  P->SetProp("PaperSize", "256");
  P->SetProp("PaperWidth", FloatToShortText(Width));
  P->SetProp("PaperHeight", FloatToShortText(Height));
}

void TrepPreviewPages::UpdatePageDimensions(TrepReportPage* Page, double Width, double Height) {
  for (auto& S : FSourcePages) {
    if (S->OriginalComponent != Page || Page == nullptr) continue;
    // The paper is a page setting of a later layer: it is written through the published
    // properties, and the page's serialized text follows.
    TrepXMLSerializer Ser(nullptr);
    Ser.XMLToObj(u"PaperSize=\"256\" PaperWidth=\"" + U16(FloatToShortText(Width / fr01cm)) + u"\" PaperHeight=\"" +
                     U16(FloatToShortText(Height / fr01cm)) + u"\"",
                 S.get());
    S->SetBaseName(U8(Ser.WriteComponentStr(S.get())));
    return;
  }
}

// ---------------------------------------------------------------------------------------------
// Editing prepared pages

void TrepPreviewPages::ModifyObject(TrepComponent* Component) {
  if (Component == nullptr || Component->SerializedItem == nullptr) return;
  TrepXMLItem* Item = Component->SerializedItem;
  TrepComponent* Source = SourceObjectOf(Item->Name());
  std::u16string Text;
  if (Source == nullptr || Component->frComponentStyle.Contains(csDefaultDiff) ||
      dynamic_cast<TrepPictureView*>(Component) != nullptr)
    Text = Component->AllDiff(Source);
  else
    Text = Component->Diff(Source);
  Item->SetText(Trimmed(std::move(Text)));
  TrepXMLItem* Pages = PagesItem();
  for (TrepXMLItem* P = Item; P != nullptr; P = P->Parent())
    if (P->Parent() == Pages) {
      P->SetUnloadable(false);
      break;
    }
}

void TrepPreviewPages::ModifyPage(int Index, TrepReportPage* Page) {
  TrepXMLItem* Item = PageItem(Index);
  if (Item == nullptr || Page == nullptr) return;
  Item->Clear();
  Item->SetText(u"");
  TrepXMLSerializer Ser(nullptr);
  Ser.WriteRootComponent(Page, true, Item);
  Item->SetUnloadable(false);
  FLockedPage = nullptr;
  FlushPageCache();
}

void TrepPreviewPages::DeletePage(int Index) {
  if (GetCount() <= 1) return;
  TrepXMLItem* Item = PageItem(Index);
  if (Item == nullptr) return;
  FLockedPage = nullptr;
  FlushPageCache();
  delete Item;
}

void TrepPreviewPages::AddEmptyPage(int Index) {
  if (GetCount() == 0) return;
  TrepXMLItem* Same = PageItem(Index);
  if (Same == nullptr) return;
  FLockedPage = nullptr;
  FlushPageCache();
  auto* New = new TrepXMLItem();
  New->SetName(Same->Name());
  PagesItem()->InsertItem(Index, New);
}

void TrepPreviewPages::AddFrom(TrepReport* Report) {
  if (Report == nullptr || Report->PreviewPages() == nullptr) return;
  auto* Other = dynamic_cast<TrepPreviewPages*>(Report->PreviewPages());
  if (Other == nullptr || Other == this) return;
  const int B = GetCount();
  TrepXMLItem* Pages = PagesItem();
  for (int I = 0; I < Other->GetCount(); ++I) {
    TrepReportPage* P = Other->GetPage(I);
    if (P == nullptr) continue;
    TrepXMLItem* Item = Pages->Add();
    TrepXMLSerializer Ser(nullptr);
    Ser.WriteRootComponent(P, true, Item);
  }
  TrepXMLItem* OA = Other->FindAnchorRoot();
  TrepXMLItem* A = FindAnchorRoot();
  for (int I = 0; I < OA->Count(); ++I) {
    TrepXMLItem* N = A->Add("item");
    N->SetProp("text", std::u16string_view(SafeProp(OA->Items(I), "text")));
    N->SetProp("page", std::to_string(IntOr(OA->Items(I), "page", 0) + B));
    N->SetProp("top", std::to_string(IntOr(OA->Items(I), "top", 0)));
  }
  TrepCustomOutline* Mine = FOutline.get();
  TrepCustomOutline* Theirs = Other->Outline();
  Mine->LevelRoot();
  Theirs->LevelRoot();
  // The other outline copied level by level; an explicit stack keeps deep outlines safe.
  struct TLevel {
    int Index;
    int Count;
  };
  std::vector<TLevel> Stack{{0, Theirs->Count()}};
  while (!Stack.empty()) {
    TLevel& L = Stack.back();
    if (L.Index >= L.Count) {
      Stack.pop_back();
      if (!Stack.empty()) {
        Mine->LevelUp();
        Theirs->LevelUp();
      }
      continue;
    }
    std::string Text;
    int Page = 0, Top = 0;
    Theirs->GetItem(L.Index, Text, Page, Top);
    CurPage = B + Page;
    Mine->AddItem(Text, Top);
    Theirs->LevelDown(L.Index);
    ++L.Index;
    Stack.push_back({0, Theirs->Count()});
  }
  if (Other->GetCount() > 0) {
    Other->CurPage = Other->GetCount() - 1;
    FLastY = Other->GetLastY(0);
    Other->CurPage = -1;
  }
  FLockedPage = nullptr;
  FlushPageCache();
}

// ---------------------------------------------------------------------------------------------
// Saving and loading

void TrepPreviewPages::PrepareForWrite() {
  TrepXMLItem* Root = FXMLDoc.Root();
  PagesItem();
  TrepXMLItem* Rep = Root->FindItem("report");
  Rep->Clear();
  if (FReport != nullptr) {
    TrepXMLItem* R = Rep->Add(FReport->ClassType()->ClassName());
    R->SetProp("DotMatrixReport", FReport->DotMatrixReport ? "1" : "0");
    R->SetProp("PreviewOptions.OutlineVisible", FReport->PreviewOptions.OutlineVisible ? "1" : "0");
    R->SetProp("PreviewOptions.OutlineWidth", std::to_string(FReport->PreviewOptions.OutlineWidth));
    R->SetProp("ReportOptions.Name", std::u16string_view(U16(FReport->ReportOptions.Name)));
  }
  TrepXMLItem* SP = Root->FindItem("sourcepages");
  SP->Clear();
  for (auto& P : FSourcePages) {
    TrepXMLSerializer Ser(nullptr);
    Ser.WriteRootComponent(P.get(), true, SP->Add());
  }
  TrepXMLItem* D = Root->FindItem("dictionary");
  D->Clear();
  const rt::TStringList& Names = FDictionary.Names();
  for (int I = 0; I < Names.Count(); ++I)
    D->Add(Names.Strings(I))->SetProp("name", std::u16string_view(U16(FDictionary.GetSourceName(Names.Strings(I)))));
  FPictureCache.SaveToXML(Root->FindItem("picturecache"));
  TrepXMLItem* PP = Root->FindItem("postprocessing");
  PP->Clear();
  FPostProcessor->SaveToXML(PP);
}

void TrepPreviewPages::WriteDocument(rt::TStream& Stream) {
  std::unique_ptr<TrepCustomCompressor> Compressor;
  rt::TStream* Target = &Stream;
  if (FReport != nullptr && FReport->ReportOptions.Compressed && DefaultCompressorClass)
    Compressor = DefaultCompressorClass();
  if (Compressor) {
    Compressor->Report = FReport;
    Compressor->IsRT3File = false;
    Compressor->CreateStream();
    Target = Compressor->Stream();
  }
  PrepareForWrite();
  FXMLDoc.SaveToStream(*Target);
  if (Compressor) Compressor->Compress(Stream);
}

void TrepPreviewPages::SaveToStream(rt::TStream& Stream) { WriteDocument(Stream); }

void TrepPreviewPages::ReadDocument(rt::TStream& Stream) {
  rt::TStream* Source = &Stream;
  std::unique_ptr<TrepCustomCompressor> Compressor;
  if (DefaultCompressorClass) {
    try {
      Compressor = DefaultCompressorClass();
      if (Compressor) {
        Compressor->Report = FReport;
        Compressor->IsRT3File = false;
        Compressor->CreateStream();
      }
      if (Compressor && Compressor->Decompress(Stream)) {
        Source = Compressor->Stream();
        // The unpacked copy goes with the compressor, so nothing can wait in it.
        FAllowPartialLoading = false;
      }
    } catch (const std::exception&) {
      Compressor.reset();
      Clear();
      if (FReport != nullptr) {
        FReport->Errors().Add(ResourceTable().Get("clDecompressError"));
        FReport->ReportErrors();
      }
      return;
    }
  }
  try {
    if (FAllowPartialLoading)
      FXMLDoc.LoadFromStream(std::make_unique<TBorrowedStream>(*Source), true);
    else
      FXMLDoc.LoadFromStream(*Source);
  } catch (...) {
    // A refused file leaves no half-read document behind.
    Clear();
    throw;
  }
  if (!rt::SameText(FXMLDoc.Root()->Name(), "preparedreport")) {
    Clear();
    throw TrepInvalidXMLException("Invalid file format");
  }
  RebuildAfterRead();
}

void TrepPreviewPages::RebuildAfterRead() {
  const int ErrorsBefore = FReport != nullptr ? FReport->Errors().Count() : 0;
  TrepXMLItem* Root = FXMLDoc.Root();
  if (FAllowPartialLoading) LoadAllButPages();
  PagesItem();

  // Only the report settings the store writes are taken from a file.
  const int RI = Root->Find("report");
  if (RI >= 0 && Root->Items(RI)->Count() > 0 && FReport != nullptr) {
    const TrepXMLItem* R = Root->Items(RI)->Items(0);
    int V = 0;
    if (ReadInt(R, "DotMatrixReport", V)) FReport->DotMatrixReport = V != 0;
    if (ReadInt(R, "PreviewOptions.OutlineVisible", V)) FReport->PreviewOptions.OutlineVisible = V != 0;
    if (ReadInt(R, "PreviewOptions.OutlineWidth", V)) FReport->PreviewOptions.OutlineWidth = V;
    if (R->PropExists("ReportOptions.Name")) FReport->ReportOptions.Name = U8(SafeProp(R, "ReportOptions.Name"));
  }

  FreeSourcePages();
  TrepXMLItem* SP = Root->FindItem("sourcepages");
  for (int I = 0; I < SP->Count(); ++I) {
    TrepXMLItem* E = SP->Items(I);
    auto Page = NewPageOfClass(rt::SameText(E->Name(), "TrepDMPPage") ? "TrepDMPPage" : "TrepReportPage");
    Page->ParentReport = FReport;
    try {
      TrepXMLSerializer Ser(nullptr);
      Ser.SetOldFormat(FXMLDoc.OldVersion());
      Ser.SetOwner(Page.get());
      Ser.ImagePixels = &FImagePixels;
      Ser.ReadRootComponent(Page.get(), E);
    } catch (const rt::Exception& Ex) {
      AddError("Source page " + std::to_string(I) + " of the prepared pages cannot be read: " + Ex.Message());
    }
    TrepXMLSerializer Ser(nullptr);
    for (TrepComponent* C : Page->AllObjects()) C->SetBaseName(U8(Ser.WriteComponentStr(C)));
    FSourcePages.push_back(std::move(Page));
  }
  SP->Clear();

  FDictionary.Clear();
  TrepXMLItem* D = Root->FindItem("dictionary");
  for (int I = 0; I < D->Count(); ++I) {
    const TrepXMLItem* E = D->Items(I);
    // "Page<index>.<object name>"
    const std::string Source = U8(SafeProp(E, "name"));
    const std::size_t Dot = Source.find('.');
    int PageIndex = -1;
    if (Dot != std::string::npos && Dot > 4 && rt::SameText(std::string_view(Source).substr(0, 4), "Page")) {
      long long N = -1;
      if (rt::TryStrToInt64(Source.substr(4, Dot - 4), N) && N >= 0 && N < static_cast<long long>(FSourcePages.size()))
        PageIndex = static_cast<int>(N);
    }
    const std::string ObjName = Dot == std::string::npos ? std::string() : Source.substr(Dot + 1, 255);
    TrepComponent* Obj =
        PageIndex < 0 || ObjName.empty() ? nullptr : FSourcePages[static_cast<std::size_t>(PageIndex)]->FindObject(ObjName);
    if (Obj == nullptr) {
      AddError("Dictionary entry \"" + E->Name() + "\" of the prepared pages names no source object");
      continue;
    }
    FDictionary.Add(E->Name(), Source, Obj);
  }
  FPictureCache.LoadFromXML(Root->FindItem("picturecache"), FReport != nullptr ? &FReport->Errors() : nullptr,
                            &FImagePixels);
  const int PI = Root->Find("postprocessing");
  if (PI >= 0) {
    FPostProcessor->LoadFromXML(Root->Items(PI), FReport != nullptr ? &FReport->Errors() : nullptr);
    delete Root->Items(PI);
  }
  CurPage = -1;
  if (FReport != nullptr && FReport->Errors().Count() != ErrorsBefore) FReport->ReportErrors();
}

void TrepPreviewPages::LoadAllButPages() {
  // Only page elements may wait in the source; a file may mark anything as such.
  TrepXMLItem* Root = FXMLDoc.Root();
  std::vector<TrepXMLItem*> Stack{Root};
  while (!Stack.empty()) {
    TrepXMLItem* Item = Stack.back();
    Stack.pop_back();
    if (!Item->Loaded()) FXMLDoc.LoadItem(Item);
    if (Item->Parent() == Root && rt::SameText(Item->Name(), "previewpages")) continue;
    for (int I = 0; I < Item->Count(); ++I) Stack.push_back(Item->Items(I));
  }
}

void TrepPreviewPages::LoadFromStream(rt::TStream& Stream, bool AllowPartialLoading) {
  Clear();
  FAllowPartialLoading = AllowPartialLoading;
  ReadDocument(Stream);
}

bool TrepPreviewPages::SaveToFilter(TrepCustomIOTransport* Filter, const std::string& FileName) {
  if (Filter == nullptr) return false;
  Filter->FilterAccess = faWrite;
  if (FileName.empty() && Filter->FileName.empty() && FReport != nullptr)
    Filter->FileName = std::filesystem::path(FReport->FileName).filename().string();
  Filter->Report = FReport;
  if (!Filter->OpenFilter()) return false;
  try {
    rt::TStream* S = Filter->GetStream(FileName);
    if (S != nullptr) {
      if (!Filter->DoFilterProcessStream(S, this)) SaveToStream(*S);
      Filter->FreeStream(S, FileName);
    }
  } catch (...) {
    Filter->CloseFilter();
    throw;
  }
  Filter->CloseFilter();
  return true;
}

void TrepPreviewPages::SaveToFile(const std::string& FileName) {
  // Written beside the target and renamed over it, so a failed save leaves the old file whole.
  const std::string Temp = FileName + ".tmp";
  try {
    {
      rt::TFileStream S(Temp, rt::fmCreate);
      SaveToStream(S);
    }
    std::filesystem::rename(Temp, FileName);
  } catch (...) {
    std::error_code Ignored;
    std::filesystem::remove(Temp, Ignored);
    throw;
  }
}

bool TrepPreviewPages::LoadFromFile(const std::string& FileName, bool ExceptionIfNotFound) {
  std::error_code Ec;
  const bool Exists = std::filesystem::is_regular_file(FileName, Ec);
  if (!Exists && !ExceptionIfNotFound) return false;
  rt::TFileStream S(FileName, rt::fmOpenRead | rt::fmShareDenyWrite);
  LoadFromStream(S, false);
  return Exists;
}
