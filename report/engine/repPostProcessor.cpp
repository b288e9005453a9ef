// The post-processing dictionary of a report run.
#include "report/engine/repPostProcessor.h"

#include <algorithm>
#include <cctype>

#include "platform/rt/Unicode.h"
#include "report/engine/repXML.h"

namespace {

// The mark of a final value: any object will do, the slot is only tested for being set.
rt::TObject& FinalMark() {
  static rt::TObject Mark;
  return Mark;
}

} // namespace

bool TrepPostProcessor::TNameLess::operator()(const std::string& A, const std::string& B) const {
  return std::lexicographical_compare(A.begin(), A.end(), B.begin(), B.end(), [](char X, char Y) {
    return std::toupper(static_cast<unsigned char>(X)) < std::toupper(static_cast<unsigned char>(Y));
  });
}

// ---------------------------------------------------------------------------------------------
// TrepMacrosItem

int TrepMacrosItem::AddObject(const std::u16string& S, rt::TObject* AObject, bool bSupressed) {
  const int N = FItems.Count();
  if (bSupressed && N > 0 && !NeedReset && FItems.Get(N - 1) == S) return N - 1;
  NeedReset = false;
  return FItems.AddObject(S, AObject);
}

std::u16string TrepMacrosItem::Item(int Index) const {
  if (FItems.GetObject(Index) != nullptr || (Parent != nullptr && Parent->Processing())) return FItems.Get(Index);
  return {};
}

void TrepMacrosItem::SetItem(int Index, const std::u16string& Value) {
  if (Index < 0 || Index >= FItems.Count()) return;
  FItems.Put(Index, Value);
  if (Parent != nullptr && Parent->Processing()) FItems.PutObject(Index, &FinalMark());
}

// ---------------------------------------------------------------------------------------------
// TrepPostProcessor

TrepPostProcessor::TrepPostProcessor() = default;
TrepPostProcessor::~TrepPostProcessor() = default;

void TrepPostProcessor::Clear() {
  FProcessList.clear();
  FMacroses.clear();
  FGroupLevel = 0;
  FDataLevel = 0;
}

TrepMacrosItem* TrepPostProcessor::Find(const std::string& Name) const {
  auto It = FMacroses.find(Name);
  return It == FMacroses.end() ? nullptr : It->second.get();
}

int TrepPostProcessor::Add(const std::string& BandName, const std::string& Name, const std::u16string& Content,
                           TrepProcessAtMode ProcessMode, TrepComponent* aComponent, bool bSupressed, bool bEmpty) {
  TrepMacrosItem* Item = Find(Name);
  if (Item == nullptr) {
    auto New = std::make_unique<TrepMacrosItem>();
    New->ProcessAt = ProcessMode;
    New->BaseComponent = aComponent;
    New->GroupLevel = FGroupLevel;
    New->DataLevel = FDataLevel;
    New->Parent = this;
    Item = New.get();
    FMacroses.emplace(Name, std::move(New));
  }
  if (!BandName.empty() && Item->BandName.empty()) Item->BandName = BandName;
  const int Before = Item->Count();
  const int Index = Item->AddObject(Content, Item->ProcessAt == paDefault ? &FinalMark() : nullptr, bSupressed);
  const bool Added = Item->Count() > Before;
  if (Added && bEmpty) Item->Items().Put(Index, u"");
  if (Item->ProcessAt != paDefault && Added && (FProcessList.empty() || FProcessList.back() != Item))
    FProcessList.push_back(Item);
  return Index;
}

TrepWideStrings* TrepPostProcessor::GetMacroList(const std::string& MacroName) {
  TrepMacrosItem* Item = Find(MacroName);
  return Item ? &Item->Items() : nullptr;
}

bool TrepPostProcessor::LoadValue(TrepComponent* aComponent) {
  if (aComponent == nullptr || aComponent->Name().empty()) return false;
  auto* View = dynamic_cast<TrepView*>(aComponent);
  TrepMacrosItem* Item = Find(aComponent->Name());
  if (View == nullptr || Item == nullptr) return false;
  if (!View->LoadContentFromDictionary(nullptr, Item)) return false;
  // The object repeats the one before it and is left out.
  if (Item->Component == aComponent) Item->Component = nullptr;
  delete aComponent;
  return true;
}

void TrepPostProcessor::SaveToXML(TrepXMLItem* Item) const {
  if (Item == nullptr) return;
  for (const auto& [Name, Entry] : FMacroses) {
    TrepXMLItem* E = Item->Add(Name);
    for (int I = 0; I < Entry->Count(); ++I) {
      TrepXMLItem* V = E->Add("i");
      V->SetText(u" cnt=\"" + EscapeXMLText(Entry->Items().Get(I)) + u"\"");
    }
  }
}

void TrepPostProcessor::LoadFromXML(TrepXMLItem* Item, rt::TStrings* Errors) {
  if (Item == nullptr) return;
  for (int I = 0; I < Item->Count(); ++I) {
    TrepXMLItem* E = Item->Items(I);
    auto Entry = std::make_unique<TrepMacrosItem>();
    for (int J = 0; J < E->Count(); ++J) {
      std::u16string V;
      try {
        V = E->Items(J)->GetProp("cnt");
      } catch (const rt::EConvertError&) {
        // Indexes on the pages count slots, so a damaged value still takes its place.
        if (Errors != nullptr)
          Errors->Add("Post-processed value " + std::to_string(J) + " of \"" + E->Name() + "\" cannot be read");
      }
      Entry->Items().AddObject(V, &FinalMark());
    }
    FMacroses[E->Name()] = std::move(Entry);
  }
  Item->Clear();
}

void TrepPostProcessor::ResetSuppressed() {
  for (auto& [Name, Entry] : FMacroses) {
    Entry->LastIndex = -1;
    Entry->Component = nullptr;
  }
}

void TrepPostProcessor::ResetDuplicates(const std::string& BandName) {
  for (auto& [Name, Entry] : FMacroses)
    if (BandName.empty() || Entry->BandName == BandName) Entry->NeedReset = true;
}

void TrepPostProcessor::Process(TrepReport* AReport, TrepMacrosItem* Item) {
  if (auto* View = dynamic_cast<TrepView*>(Item->BaseComponent)) View->ProcessDictionary(Item, AReport, this);
}

void TrepPostProcessor::ProcessExpressions(TrepReport* AReport, TrepBand* ABand, TrepProcessAtMode ProcessMode) {
  (void)ABand;
  FProcessing = true;
  try {
    for (std::size_t I = 0; I < FProcessList.size();) {
      TrepMacrosItem* Item = FProcessList[I];
      auto* View = dynamic_cast<TrepView*>(Item->BaseComponent);
      const int G = View ? View->Processing().GroupLevel : 0;
      bool Level = true;
      if (ProcessMode == paDataFinished) Level = Item->DataLevel == FDataLevel;
      else if (ProcessMode == paGroupFinished)
        Level = G == FGroupLevel || (G == 0 && Item->GroupLevel == FGroupLevel);
      if (Item->ProcessAt != paDefault && Item->ProcessAt == ProcessMode && Level) {
        Process(AReport, Item);
        FProcessList.erase(FProcessList.begin() + static_cast<std::ptrdiff_t>(I));
      } else {
        ++I;
      }
    }
  } catch (...) {
    FProcessing = false;
    throw;
  }
  if (ProcessMode == paGroupFinished) LeaveGroup();
  FProcessing = false;
}

void TrepPostProcessor::ProcessObject(TrepReport* AReport, TrepComponent* aComponent) {
  for (std::size_t I = 0; I < FProcessList.size(); ++I) {
    TrepMacrosItem* Item = FProcessList[I];
    if (Item->ProcessAt == paDefault || Item->BaseComponent != aComponent) continue;
    FProcessing = true;
    try {
      Process(AReport, Item);
    } catch (...) {
      FProcessing = false;
      throw;
    }
    FProcessing = false;
    FProcessList.erase(FProcessList.begin() + static_cast<std::ptrdiff_t>(I));
    return;
  }
}
