#include "report/script/sc_xml.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdint>
#include <stdexcept>
#include <mutex>
#include <new>
#include <ostream>
#include <unordered_map>
#include <unordered_set>

#include "platform/rt/SysUtils.h"

namespace {

const char* const SInvalidFileFormat = "Invalid file format";
constexpr int BufferSize = 4096;

bool SameNameAt(std::string_view Text, std::size_t At, std::string_view Name) {
  if (Text.size() - At < Name.size()) return false;
  return rt::SameText(Text.substr(At, Name.size()), Name);
}

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Escaping

std::string scCharToUTF8(std::uint32_t Code) {
  if ((Code >= 0xD800 && Code <= 0xDFFF) || Code > 0x10FFFF) Code = 0xFFFD;
  std::string R;
  if (Code < 0x80) {
    R += static_cast<char>(Code);
  } else if (Code < 0x800) {
    R += static_cast<char>(0xC0 | (Code >> 6));
    R += static_cast<char>(0x80 | (Code & 0x3F));
  } else if (Code < 0x10000) {
    R += static_cast<char>(0xE0 | (Code >> 12));
    R += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    R += static_cast<char>(0x80 | (Code & 0x3F));
  } else {
    R += static_cast<char>(0xF0 | (Code >> 18));
    R += static_cast<char>(0x80 | ((Code >> 12) & 0x3F));
    R += static_cast<char>(0x80 | ((Code >> 6) & 0x3F));
    R += static_cast<char>(0x80 | (Code & 0x3F));
  }
  return R;
}

std::string scStrToXML(std::string_view S) {
  std::string R;
  R.reserve(S.size());
  for (std::size_t I = 0; I < S.size(); ++I) {
    const char C = S[I];
    switch (C) {
      case '\n': R += "&#10;"; break;
      case '\r': R += "&#13;"; break;
      case '"': R += "&#34;"; break;
      case '<': R += "&#60;"; break;
      case '>': R += "&#62;"; break;
      case '&':
        // Left alone unless the reader would take it for a reference.
        if (I + 1 < S.size() && (S[I + 1] == '#' || S.substr(I + 1, 5) == "quot;"))
          R += "&#38;";
        else
          R += C;
        break;
      default: R += C;
    }
  }
  return R;
}

std::string scXMLToStr(std::string_view S) {
  if (S.find('&') == std::string_view::npos) return std::string(S);
  std::string R;
  R.reserve(S.size());
  std::size_t I = 0;
  while (I < S.size()) {
    const char C = S[I];
    if (C == '&' && I + 1 < S.size()) {
      if (S[I + 1] == '#') {
        std::size_t J = I + 2;
        std::uint32_t Code = 0;
        bool Valid = true;
        while (J < S.size() && IsDigit(S[J])) {
          Code = Code * 10 + static_cast<std::uint32_t>(S[J] - '0');
          if (Code > 0x10FFFF) Valid = false;
          ++J;
        }
        if (J > I + 2 && J < S.size() && S[J] == ';' && Valid && !(Code >= 0xD800 && Code <= 0xDFFF)) {
          R += scCharToUTF8(Code);
          I = J + 1;
          continue;
        }
      } else if (S.substr(I + 1, 5) == "quot;") {
        R += '"';
        I += 6;
        continue;
      }
    }
    R += C;
    ++I;
  }
  return R;
}

// ---------------------------------------------------------------------------------------------
// TscXMLName

const std::string* TscXMLName::Shared(std::string_view S) {
  // Never freed: elements of any thread may point into the set for the life of the process.
  static std::mutex Lock;
  static auto* Names = new std::unordered_set<std::string>{std::string()};
  static const std::string* const Empty = &*Names->find(std::string());
  if (S.empty()) return Empty;
  if (S.size() > kMaxSharedXMLNameLength) return nullptr;
  const std::string Key(S);
  std::lock_guard<std::mutex> Guard(Lock);
  auto It = Names->find(Key);
  if (It != Names->end()) return &*It;
  if (Names->size() >= kMaxSharedXMLNames) return nullptr;
  return &*Names->insert(Key).first;
}

void TscXMLName::Release() {
  if (Owned()) delete Text();
  FBits = reinterpret_cast<std::uintptr_t>(Shared({}));
}

void TscXMLName::Set(std::string_view S) {
  const std::string* Text = Shared(S);
  std::uintptr_t Bits = reinterpret_cast<std::uintptr_t>(Text);
  if (!Text) Bits = reinterpret_cast<std::uintptr_t>(new std::string(S)) | kOwned;
  Release();
  FBits = Bits;
}

TscXMLName& TscXMLName::operator=(const TscXMLName& Other) {
  if (this == &Other) return *this;
  if (!Other.Owned()) {
    Release();
    FBits = Other.FBits;
  } else {
    Set(Other.Str());
  }
  return *this;
}

std::ostream& operator<<(std::ostream& Out, const TscXMLName& N) { return Out << N.Str(); }

// ---------------------------------------------------------------------------------------------
// TscXMLText

void TscXMLText::Assign(std::string_view S) {
  if (S.size() > UINT32_MAX) throw std::length_error("XML attribute text too long");
  char* Data = nullptr;
  if (!S.empty()) {
    Data = new char[S.size()];
    std::copy(S.begin(), S.end(), Data);
  }
  delete[] FData;
  FData = Data;
  FSize = static_cast<std::uint32_t>(S.size());
}

std::ostream& operator<<(std::ostream& Out, const TscXMLText& T) { return Out << T.View(); }

// ---------------------------------------------------------------------------------------------
// TscXMLItem

rt::TClass TscXMLItem::ClassInfo() {
  static const rt::TClassInfo Info("TscXMLItem", rt::TObject::ClassInfo(), [] { return new TscXMLItem; });
  return &Info;
}

rt::TClass TscXMLDocument::ClassInfo() {
  static const rt::TClassInfo Info("TscXMLDocument", rt::TObject::ClassInfo(), [] { return new TscXMLDocument; });
  return &Info;
}

struct TscXMLItem::TChildren {
  std::uint32_t Count = 0;
  std::uint32_t Capacity = 0;
  TscXMLItem** Items() { return reinterpret_cast<TscXMLItem**>(this + 1); }
  TscXMLItem** begin() { return Items(); }
  TscXMLItem** end() { return Items() + Count; }

  static TChildren* Make(std::uint32_t Capacity) {
    void* Block = ::operator new(sizeof(TChildren) + Capacity * sizeof(TscXMLItem*));
    auto* C = new (Block) TChildren;
    C->Capacity = Capacity;
    return C;
  }
  static void Free(TChildren* C) { ::operator delete(C); }
};

namespace {

// Data of the elements that carry one; Count lets every other element skip the lock.
struct TDataTable {
  std::mutex Lock;
  std::unordered_map<const TscXMLItem*, void*> Map;
  std::atomic<std::size_t> Count{0};
};

TDataTable& DataTable() {
  static auto* Table = new TDataTable;  // never freed: elements may outlive static destruction
  return *Table;
}

}  // namespace

TscXMLItem::~TscXMLItem() {
  Clear();
  if (FParent) FParent->Detach(this);
  if (DataTable().Count.load(std::memory_order_acquire) > 0) SetData(nullptr);
}

void* TscXMLItem::Data() const {
  TDataTable& T = DataTable();
  if (T.Count.load(std::memory_order_acquire) == 0) return nullptr;
  std::lock_guard<std::mutex> Guard(T.Lock);
  auto It = T.Map.find(this);
  return It == T.Map.end() ? nullptr : It->second;
}

void TscXMLItem::SetData(void* Value) {
  TDataTable& T = DataTable();
  std::lock_guard<std::mutex> Guard(T.Lock);
  if (Value)
    T.Map[this] = Value;
  else
    T.Map.erase(this);
  T.Count.store(T.Map.size(), std::memory_order_release);
}

int TscXMLItem::Count() const {
  if (!FItems) return 0;
  return HasBlock() ? static_cast<int>(Block()->Count) : 1;
}

TscXMLItem* TscXMLItem::Add() {
  auto* Item = new TscXMLItem;
  AddItem(Item);
  return Item;
}

void TscXMLItem::Reserve(int Capacity) {
  if (Capacity < 2) return;
  const auto Need = static_cast<std::uint32_t>(Capacity);
  if (HasBlock() && Block()->Capacity >= Need) return;
  TChildren* New = TChildren::Make(Need);
  if (HasBlock()) {
    TChildren* Old = Block();
    std::copy(Old->begin(), Old->end(), New->Items());
    New->Count = Old->Count;
    TChildren::Free(Old);
  } else if (FItems) {
    New->Items()[New->Count++] = Single();
  }
  FItems = reinterpret_cast<std::uintptr_t>(New) | 1;
}

void TscXMLItem::Append(TscXMLItem* Item) {
  if (!FItems) {
    FItems = reinterpret_cast<std::uintptr_t>(Item);
  } else {
    const int N = Count();
    if (!HasBlock() || Block()->Count == Block()->Capacity) Reserve(std::max(2, N * 2));
    Block()->Items()[Block()->Count++] = Item;
  }
  Item->FParent = this;
}

void TscXMLItem::MoveChildrenTo(std::vector<TscXMLItem*>& Out) {
  if (HasBlock()) {
    TChildren* C = Block();
    Out.insert(Out.end(), C->begin(), C->end());
    TChildren::Free(C);
  } else if (FItems) {
    Out.push_back(Single());
  }
  FItems = 0;
}

void TscXMLItem::AddItem(TscXMLItem* Item) {
  if (!Item) return;
  // A cycle would make the tree unfreeable. Only an element with children can be an ancestor.
  if (Item == this) throw rt::Exception("An XML element cannot contain itself");
  if (Item->Count() > 0)
    for (const TscXMLItem* P = FParent; P; P = P->FParent)
      if (P == Item) throw rt::Exception("An XML element cannot contain itself");
  if (Item->FParent) Item->FParent->Detach(Item);
  Append(Item);
}

void TscXMLItem::InsertItem(int Index, TscXMLItem* Item) {
  AddItem(Item);
  if (!Item) return;
  if (Index < 0 || Index >= Count())
    throw rt::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  if (HasBlock()) std::rotate(Block()->begin() + Index, Block()->end() - 1, Block()->end());
}

void TscXMLItem::Clear() {
  if (!FItems) return;
  // Without recursion, so that deep trees cannot exhaust the stack.
  std::vector<TscXMLItem*> Pending;
  MoveChildrenTo(Pending);
  while (!Pending.empty()) {
    TscXMLItem* Item = Pending.back();
    Pending.pop_back();
    Item->MoveChildrenTo(Pending);
    Item->FParent = nullptr;
    delete Item;
  }
}

void TscXMLItem::TakeChildren(TscXMLItem* From) {
  if (!From || From == this || !From->FItems) return;
  for (const TscXMLItem* P = this; P; P = P->FParent)
    if (P == From) throw rt::Exception("An XML element cannot contain itself");
  std::vector<TscXMLItem*> Moved;
  From->MoveChildrenTo(Moved);
  Reserve(Count() + static_cast<int>(Moved.size()));
  for (TscXMLItem* Child : Moved) Append(Child);
}

std::vector<std::unique_ptr<TscXMLItem>> TscXMLItem::ReleaseItems() {
  std::vector<TscXMLItem*> Moved;
  MoveChildrenTo(Moved);
  std::vector<std::unique_ptr<TscXMLItem>> Items;
  Items.reserve(Moved.size());
  for (TscXMLItem* Child : Moved) {
    Child->FParent = nullptr;
    Items.emplace_back(Child);
  }
  return Items;
}

void TscXMLItem::Detach(TscXMLItem* Item) {
  if (HasBlock()) {
    TChildren* C = Block();
    TscXMLItem** It = std::find(C->begin(), C->end(), Item);
    if (It != C->end()) {
      std::copy(It + 1, C->end(), It);
      if (--C->Count == 0) {
        TChildren::Free(C);
        FItems = 0;
      }
    }
  } else if (FItems && Single() == Item) {
    FItems = 0;
  }
  Item->FParent = nullptr;
}

int TscXMLItem::Find(std::string_view Name) const {
  for (int I = 0, N = Count(); I < N; ++I)
    if (rt::SameText(Items(I)->Name, Name)) return I;
  return -1;
}

TscXMLItem* TscXMLItem::FindItem(std::string_view Name) {
  const int I = Find(Name);
  if (I >= 0) return Items(I);
  TscXMLItem* Item = Add();
  Item->Name = std::string(Name);
  return Item;
}

int TscXMLItem::IndexOf(const TscXMLItem* Item) const {
  for (int I = 0, N = Count(); I < N; ++I)
    if (Items(I) == Item) return I;
  return -1;
}

TscXMLItem* TscXMLItem::Root() {
  TscXMLItem* P = this;
  while (P->FParent) P = P->FParent;
  return P;
}

TscXMLItem* TscXMLItem::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw rt::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return HasBlock() ? Block()->Items()[Index] : Single();
}

void TscXMLItem::SetParent(TscXMLItem* Value) {
  if (FParent) FParent->Detach(this);
  FParent = Value;
}

void TscXMLItem::Assign(const TscXMLItem* Item) {
  if (Item == this) return;
  if (!Item) {
    Clear();
    return;
  }
  // Copied first, so that Item may be one of this element's own descendants.
  TscXMLItem Copy;
  Copy.Name = Item->Name;
  Copy.Text = Item->Text;
  Copy.SetData(Item->Data());
  std::vector<std::pair<const TscXMLItem*, TscXMLItem*>> Pending{{Item, &Copy}};
  while (!Pending.empty()) {
    auto [From, To] = Pending.back();
    Pending.pop_back();
    for (int I = 0, N = From->Count(); I < N; ++I) {
      const TscXMLItem* Child = From->Items(I);
      TscXMLItem* New = To->Add();
      New->Name = Child->Name;
      New->Text = Child->Text;
      New->SetData(Child->Data());
      if (Child->Count() > 0) Pending.emplace_back(Child, New);
    }
  }
  Clear();
  Name = std::move(Copy.Name);
  Text = std::move(Copy.Text);
  SetData(Copy.Data());
  TakeChildren(&Copy);
}

bool TscXMLItem::FindProp(std::string_view PropName, std::size_t& NameAt, std::size_t& ValueAt) const {
  // The name must follow a blank (or start the text) and stand outside every quoted value.
  const std::string_view T = Text.View();
  bool InValue = false;
  for (std::size_t I = 0; I < T.size(); ++I) {
    if (!InValue && (I == 0 || T[I - 1] == ' ') && SameNameAt(T, I, PropName)) {
      const std::size_t E = I + PropName.size();
      if (E + 1 < T.size() && T[E] == '=' && T[E + 1] == '"') {
        NameAt = I;
        ValueAt = E + 2;
        return true;
      }
    }
    if (T[I] == '"') InValue = !InValue;
  }
  return false;
}

std::string TscXMLItem::Prop(std::string_view PropName) const {
  std::size_t NameAt = 0, ValueAt = 0;
  if (!FindProp(PropName, NameAt, ValueAt)) return std::string();
  const std::string_view T = Text.View();
  std::size_t End = T.find('"', ValueAt);
  if (End == std::string_view::npos) End = T.size();
  return scXMLToStr(T.substr(ValueAt, End - ValueAt));
}

bool TscXMLItem::PropExists(std::string_view PropName) const {
  std::size_t NameAt = 0, ValueAt = 0;
  return FindProp(PropName, NameAt, ValueAt);
}

void TscXMLItem::SetProp(std::string_view PropName, std::string_view Value) {
  std::string T = Text.Str();
  std::size_t NameAt = 0, ValueAt = 0;
  std::size_t At = T.size();
  if (FindProp(PropName, NameAt, ValueAt)) {
    std::size_t End = T.find('"', ValueAt);
    End = End == std::string::npos ? T.size() : End + 1;
    T.erase(NameAt, End - NameAt);
    At = NameAt;
  }
  std::string S;
  if (At > 0 && T[At - 1] != ' ') S += ' ';
  S.append(PropName);
  S += "=\"";
  S += scStrToXML(Value);
  S += '"';
  T.insert(At, S);
  Text = T;
}

// ---------------------------------------------------------------------------------------------
// TscXMLDocument

TscXMLDocument::TscXMLDocument() : FRoot(std::make_unique<TscXMLItem>()) {}

TscXMLDocument::~TscXMLDocument() = default;

void TscXMLDocument::Clear() { FRoot->Clear(); }

void TscXMLDocument::LoadFromStream(rt::TStream& Stream) {
  FRoot->Clear();
  FRoot->Name.clear();
  FRoot->Text.clear();
  TscXMLReader Reader(Stream);
  Reader.ReadHeader();
  Reader.ReadRootItem(FRoot.get());
}

void TscXMLDocument::SaveToStream(rt::TStream& Stream) {
  TscXMLWriter Writer(Stream);
  Writer.AutoIndent = AutoIndent;
  Writer.WriteHeader();
  Writer.WriteRootItem(FRoot.get());
}

void TscXMLDocument::LoadFromFile(const std::string& FileName) {
  rt::TFileStream Stream(FileName, rt::fmOpenRead | rt::fmShareDenyWrite);
  LoadFromStream(Stream);
}

void TscXMLDocument::SaveToFile(const std::string& FileName) {
  rt::TFileStream Stream(FileName, rt::fmCreate);
  SaveToStream(Stream);
}

// ---------------------------------------------------------------------------------------------
// TscXMLReader

TscXMLReader::TscXMLReader(rt::TStream& Stream)
    : FStream(Stream), FSize(Stream.Size()), FPosition(Stream.Position()), FBuffer(BufferSize) {}

TscXMLReader::~TscXMLReader() { FStream.Seek(FPosition, rt::soBeginning); }

void TscXMLReader::RaiseException() { throw rt::Exception(SInvalidFileFormat); }

void TscXMLReader::SetPosition(std::int64_t Value) {
  FPosition = Value;
  FStream.Seek(Value, rt::soBeginning);
  FBufPos = FBufEnd = 0;
}

int TscXMLReader::NextByte() {
  if (FBufPos >= FBufEnd) {
    if (FPosition >= FSize) return -1;
    const std::int64_t Want = std::min<std::int64_t>(BufferSize, FSize - FPosition);
    const std::int64_t Got = FStream.Read(FBuffer.data(), Want);
    if (Got <= 0) return -1;
    FBufPos = 0;
    FBufEnd = static_cast<int>(Got);
  }
  ++FPosition;
  return static_cast<unsigned char>(FBuffer[static_cast<std::size_t>(FBufPos++)]);
}

void TscXMLReader::ReadTag(std::string& Name, std::string& Text) {
  Name.clear();
  Text.clear();
  std::string Tag;
  for (;;) {
    int C;
    do {
      C = NextByte();
      if (C < 0) return;
    } while (C != '<');
    Tag.clear();
    bool Comment = false;
    for (;;) {
      C = NextByte();
      if (C < 0 || C == '<') RaiseException();
      if (C == '>') break;
      Tag += static_cast<char>(C);
      if (Tag.size() == 3 && Tag == "!--") {
        // Skipped up to a '>' right after two dashes; a third dash starts the count again.
        int Dashes = 0;
        for (;;) {
          C = NextByte();
          if (C < 0) RaiseException();
          if (C == '-')
            Dashes = Dashes == 2 ? 1 : Dashes + 1;
          else if (C == '>' && Dashes == 2)
            break;
          else
            Dashes = 0;
        }
        Comment = true;
        break;
      }
    }
    if (!Comment) break;
  }
  if (!Tag.empty() && Tag.back() == ' ') Tag.pop_back();
  const std::size_t Blank = Tag.find(' ');
  if (Blank == std::string::npos) {
    Name = std::move(Tag);
  } else {
    Name = Tag.substr(0, Blank);
    Text = Tag.substr(Blank + 1);
  }
}

void TscXMLReader::ReadHeader() {
  std::string Name, Text;
  ReadTag(Name, Text);
  if (Name.compare(0, 4, "?xml") != 0) RaiseException();
}

namespace {

// An empty-element tag loses its '/' and has no children to read.
bool Complete(std::string& Name, std::string& Text) {
  if (!Name.empty() && Name.back() == '/') {
    Name.pop_back();
    return true;
  }
  if (!Text.empty() && Text.back() == '/') {
    Text.pop_back();
    return true;
  }
  return false;
}

}  // namespace

void TscXMLReader::ReadRootItem(TscXMLItem* Item) {
  std::string Name, Text;
  ReadTag(Name, Text);
  if (Name.empty() || Name[0] == '/') return;
  const bool RootComplete = Complete(Name, Text);
  Item->Name = Name;
  Item->Text = std::move(Text);
  if (RootComplete) return;
  // The open elements, innermost last; read without recursion.
  std::vector<TscXMLItem*> Open{Item};
  while (!Open.empty()) {
    ReadTag(Name, Text);
    if (Name.empty()) return;  // cut off: what was read stays
    if (Name[0] == '/') {
      if (!rt::SameText(std::string_view(Name).substr(1), Open.back()->Name)) RaiseException();
      Open.pop_back();
      continue;
    }
    const bool ChildComplete = Complete(Name, Text);
    TscXMLItem* Child = Open.back()->Add();
    Child->Name = Name;
    Child->Text = std::move(Text);
    if (!ChildComplete) Open.push_back(Child);
  }
}

// ---------------------------------------------------------------------------------------------
// TscXMLWriter

TscXMLWriter::TscXMLWriter(rt::TStream& Stream) : FStream(Stream) {}

void TscXMLWriter::Flush() {
  if (FBuffer.empty()) return;
  FStream.WriteBuffer(FBuffer.data(), static_cast<std::int64_t>(FBuffer.size()));
  FBuffer.clear();
}

void TscXMLWriter::WriteLine(int Level, std::string_view S) {
  if (AutoIndent) FBuffer.append(static_cast<std::size_t>(Level) * 2, ' ');
  FBuffer.append(S);
  if (AutoIndent) FBuffer += "\r\n";
  if (FBuffer.size() > BufferSize) Flush();
}

void TscXMLWriter::WriteHeader() { WriteLine(0, "<?xml version=\"1.0\"?>"); }

namespace {

std::string StartTag(const TscXMLItem* Item) {
  std::string S = "<" + Item->Name.Str();
  if (!Item->Text.empty()) {
    if (Item->Text[0] != ' ') S += ' ';
    S += Item->Text.View();
  }
  S += Item->Count() > 0 ? ">" : "/>";
  return S;
}

}  // namespace

void TscXMLWriter::WriteRootItem(const TscXMLItem* RootItem) {
  struct TFrame {
    const TscXMLItem* Item;
    int Level;
    int Next;
  };
  WriteLine(0, StartTag(RootItem));
  std::vector<TFrame> Open;
  if (RootItem->Count() > 0) Open.push_back({RootItem, 0, 0});
  while (!Open.empty()) {
    TFrame& F = Open.back();
    if (F.Next < F.Item->Count()) {
      const TscXMLItem* Child = F.Item->Items(F.Next++);
      const int Level = F.Level + 1;
      WriteLine(Level, StartTag(Child));
      if (Child->Count() > 0) Open.push_back({Child, Level, 0});
    } else {
      WriteLine(F.Level, "</" + F.Item->Name.Str() + ">");
      Open.pop_back();
    }
  }
  Flush();
}
