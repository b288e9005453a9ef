#include "platform/rt/Classes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <numeric>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rt {

namespace {

// Keeps BeginUpdate/EndUpdate paired when an operation throws half way.
struct UpdateScope {
  explicit UpdateScope(TStrings& L) : List(L) { List.BeginUpdate(); }
  ~UpdateScope() { List.EndUpdate(); }
  TStrings& List;
};

[[noreturn]] void SortedListError() {
  throw EListError("Operation not allowed on sorted list");
}

std::string SystemReason(int Err) {
  return std::generic_category().message(Err);
}

std::string QuotedStr(const std::string& S, char Quote) {
  std::string R(1, Quote);
  for (char C : S) {
    R += C;
    if (C == Quote) R += Quote;
  }
  R += Quote;
  return R;
}

// From the opening quote at P: the text up to the closing quote, a doubled quote standing for
// one; an unterminated text runs to the end. P ends after the closing quote.
std::string ExtractQuoted(const std::string& V, std::size_t& P, char Quote) {
  std::string R;
  ++P;
  for (;;) {
    std::size_t Q = V.find(Quote, P);
    if (Q == std::string::npos) {
      R.append(V, P, std::string::npos);
      P = V.size();
      return R;
    }
    R.append(V, P, Q - P);
    P = Q + 1;
    if (P < V.size() && V[P] == Quote) {
      R += Quote;
      ++P;
    } else {
      return R;
    }
  }
}

bool IsBlank(char C) { return static_cast<unsigned char>(C) <= ' '; }

std::string JoinDelimited(const TStrings& L, char Delim, char Quote, bool Strict) {
  const int N = L.Count();
  if (N == 1 && L.Strings(0).empty()) return std::string(2, Quote);
  std::string R;
  for (int I = 0; I < N; ++I) {
    std::string S = L.Strings(I);
    bool NeedsQuotes = std::any_of(S.begin(), S.end(), [&](char C) {
      return C == Quote || C == Delim || (!Strict && C != '\0' && IsBlank(C));
    });
    if (I > 0) R += Delim;
    R += NeedsQuotes ? QuotedStr(S, Quote) : S;
  }
  return R;
}

// Without StrictDelimiter, blanks around items are dropped and a blank outside quotes also ends
// an item. A delimiter at the very end gives a last empty item.
void SplitDelimited(TStrings& L, const std::string& V, char Delim, char Quote, bool Strict) {
  UpdateScope Scope(L);
  L.Clear();
  const std::size_t N = V.size();
  std::size_t P = 0;
  auto SkipBlanks = [&] {
    if (!Strict)
      while (P < N && IsBlank(V[P])) ++P;
  };
  SkipBlanks();
  while (P < N) {
    std::string S;
    if (V[P] == Quote) {
      S = ExtractQuoted(V, P, Quote);
    } else {
      std::size_t Start = P;
      while (P < N && V[P] != Delim && (Strict || !IsBlank(V[P]))) ++P;
      S = V.substr(Start, P - Start);
    }
    L.Add(S);
    SkipBlanks();
    if (P < N && V[P] == Delim) {
      if (P + 1 == N) L.Add(std::string());
      ++P;
      SkipBlanks();
    }
  }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TStream

std::int64_t TStream::Size() {
  std::int64_t Pos = Seek(0, soCurrent);
  std::int64_t Result = Seek(0, soEnd);
  Seek(Pos, soBeginning);
  return Result;
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count != 0 && Read(Buffer, Count) != Count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count != 0 && Write(Buffer, Count) != Count) throw EWriteError("Stream write error");
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count <= 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  const std::int64_t Result = Count;
  constexpr std::int64_t BufSize = 64 * 1024;
  std::vector<char> Buf(static_cast<std::size_t>(std::min(Count, BufSize)));
  while (Count > 0) {
    std::int64_t N = std::min(Count, BufSize);
    Source.ReadBuffer(Buf.data(), N);
    WriteBuffer(Buf.data(), N);
    Count -= N;
  }
  return Result;
}

// ---------------------------------------------------------------------------------------------
// TMemoryStream

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  const std::int64_t Size = TMemoryStream::Size();
  if (FPosition < 0 || Count <= 0 || FPosition >= Size) return 0;
  std::int64_t N = std::min(Count, Size - FPosition);
  std::memcpy(Buffer, FData.data() + FPosition, static_cast<std::size_t>(N));
  FPosition += N;
  return N;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (FPosition < 0 || Count <= 0) return 0;
  const std::int64_t End = FPosition + Count;
  if (End > Size()) FData.resize(static_cast<std::size_t>(End), '\0');
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
  FPosition = End;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case soBeginning: FPosition = Offset; break;
    case soCurrent: FPosition += Offset; break;
    case soEnd: FPosition = Size() + Offset; break;
  }
  return FPosition;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Invalid stream size");
  FData.resize(static_cast<std::size_t>(NewSize), '\0');
  if (FPosition > NewSize) FPosition = NewSize;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Stream) {
  Stream.SetPosition(0);
  const std::int64_t Count = Stream.Size();
  SetSize(Count);
  Stream.ReadBuffer(FData.data(), Count);
}

void TMemoryStream::SaveToStream(TStream& Stream) { Stream.WriteBuffer(FData.data(), Size()); }

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  TFileStream F(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(F);
}

void TMemoryStream::SaveToFile(const std::string& FileName) {
  TFileStream F(FileName, fmCreate);
  SaveToStream(F);
}

// ---------------------------------------------------------------------------------------------
// TStringStream

TStringStream::TStringStream(const std::string& AString) { FData = AString; }

std::string TStringStream::ReadString(std::int64_t Count) {
  const std::int64_t Size = TMemoryStream::Size();
  if (FPosition < 0 || Count <= 0 || FPosition >= Size) return std::string();
  std::int64_t N = std::min(Count, Size - FPosition);
  std::string R = FData.substr(static_cast<std::size_t>(FPosition), static_cast<std::size_t>(N));
  FPosition += N;
  return R;
}

void TStringStream::WriteString(const std::string& AString) {
  WriteBuffer(AString.data(), static_cast<std::int64_t>(AString.size()));
}

// ---------------------------------------------------------------------------------------------
// TFileStream

TFileStream::TFileStream(const std::string& AFileName, unsigned Mode) : FFileName(AFileName) {
  const bool Create = (Mode & fmCreate) == fmCreate;
  auto Fail = [&](int Err) -> void {
    if (Create)
      throw EFCreateError("Cannot create file \"" + AFileName + "\". " + SystemReason(Err));
    throw EFOpenError("Cannot open file \"" + AFileName + "\". " + SystemReason(Err));
  };
  int Flags = O_CLOEXEC;
  if (Create) {
    Flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (Mode & 3) {
      case fmOpenRead: Flags |= O_RDONLY; break;
      case fmOpenWrite: Flags |= O_WRONLY; break;
      case fmOpenReadWrite: Flags |= O_RDWR; break;
      default: Fail(EINVAL);
    }
  }
  FHandle = ::open(AFileName.c_str(), Flags, 0666);
  if (FHandle < 0) Fail(errno);
  struct stat St {};
  if (::fstat(FHandle, &St) == 0 && S_ISDIR(St.st_mode)) {
    ::close(FHandle);
    FHandle = -1;
    Fail(EISDIR);
  }
}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  std::int64_t Done = 0;
  auto* P = static_cast<char*>(Buffer);
  while (Done < Count) {
    std::size_t Chunk = static_cast<std::size_t>(std::min<std::int64_t>(Count - Done, 1 << 30));
    ssize_t N = ::read(FHandle, P + Done, Chunk);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += N;
  }
  return Done;
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  std::int64_t Done = 0;
  const auto* P = static_cast<const char*>(Buffer);
  while (Done < Count) {
    std::size_t Chunk = static_cast<std::size_t>(std::min<std::int64_t>(Count - Done, 1 << 30));
    ssize_t N = ::write(FHandle, P + Done, Chunk);
    if (N < 0 && errno == EINTR) continue;
    if (N <= 0) break;
    Done += N;
  }
  return Done;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  int Whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  return ::lseek(FHandle, static_cast<off_t>(Offset), Whence);
}

std::int64_t TFileStream::Size() {
  struct stat St {};
  if (::fstat(FHandle, &St) != 0) return TStream::Size();
  return St.st_size;
}

void TFileStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0 || ::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
    throw EStreamError("Cannot change the size of file \"" + FFileName + "\". " +
                       SystemReason(NewSize < 0 ? EINVAL : errno));
  Seek(NewSize, soBeginning);
}

// ---------------------------------------------------------------------------------------------
// TStrings

std::string TStringsIterator::operator*() const { return FList->Strings(FIndex); }

std::string TStringsItem::str() const { return FList.Get(FIndex); }

TStringsItem& TStringsItem::operator=(const std::string& S) {
  FList.Put(FIndex, S);
  return *this;
}

void TStrings::IndexError(int Index) {
  throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int Result = Count();
  InsertObject(Result, S, AObject);
  return Result;
}

void TStrings::AddStrings(const TStrings& Strings) {
  // Taken first so that a list can add itself.
  std::vector<std::pair<std::string, TObject*>> Items;
  Items.reserve(static_cast<std::size_t>(Strings.Count()));
  for (int I = 0; I < Strings.Count(); ++I) Items.emplace_back(Strings.Get(I), Strings.GetObject(I));
  UpdateScope Scope(*this);
  for (auto& [S, Obj] : Items) AddObject(S, Obj);
}

void TStrings::Assign(const TStrings& Source) {
  if (&Source == this) return;
  UpdateScope Scope(*this);
  Clear();
  Delimiter = Source.Delimiter;
  QuoteChar = Source.QuoteChar;
  StrictDelimiter = Source.StrictDelimiter;
  NameValueSeparator = Source.NameValueSeparator;
  AddStrings(Source);
}

void TStrings::Exchange(int Index1, int Index2) {
  std::string S1 = Get(Index1);
  TObject* O1 = GetObject(Index1);
  Put(Index1, Get(Index2));
  PutObject(Index1, GetObject(Index2));
  Put(Index2, S1);
  PutObject(Index2, O1);
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (NewIndex < 0 || NewIndex >= Count()) IndexError(NewIndex);
  std::string S = Get(CurIndex);
  if (CurIndex == NewIndex) return;
  TObject* Obj = GetObject(CurIndex);
  UpdateScope Scope(*this);
  Delete(CurIndex);
  InsertObject(NewIndex, S, Obj);
}

int TStrings::IndexOf(const std::string& S) const {
  for (int I = 0, N = Count(); I < N; ++I)
    if (CompareStrings(Get(I), S) == 0) return I;
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int I = 0, N = Count(); I < N; ++I) {
    std::string S = Get(I);
    std::size_t P = S.find(NameValueSeparator);
    if (P != std::string::npos && CompareStrings(S.substr(0, P), Name) == 0) return I;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* AObject) const {
  for (int I = 0, N = Count(); I < N; ++I)
    if (GetObject(I) == AObject) return I;
  return -1;
}

bool TStrings::Equals(const TStrings& Strings) const {
  const int N = Count();
  if (N != Strings.Count()) return false;
  for (int I = 0; I < N; ++I)
    if (Get(I) != Strings.Get(I)) return false;
  return true;
}

std::string TStrings::Names(int Index) const {
  std::string S = Get(Index);
  std::size_t P = S.find(NameValueSeparator);
  return P == std::string::npos ? std::string() : S.substr(0, P);
}

std::string TStrings::Values(const std::string& Name) const {
  int I = IndexOfName(Name);
  return I < 0 ? std::string() : ValueFromIndex(I);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
  int I = IndexOfName(Name);
  if (Value.empty()) {
    if (I >= 0) Delete(I);
    return;
  }
  std::string Item = Name + NameValueSeparator + Value;
  // A new item goes in with Add so that a sorted list takes it in order.
  if (I < 0)
    Add(Item);
  else
    Put(I, Item);
}

std::string TStrings::ValueFromIndex(int Index) const {
  std::string S = Get(Index);
  std::size_t P = S.find(NameValueSeparator);
  return P == std::string::npos ? std::string() : S.substr(P + 1);
}

std::string TStrings::Text() const {
  std::string R;
  for (int I = 0, N = Count(); I < N; ++I) {
    R += Get(I);
    R += "\r\n";
  }
  return R;
}

void TStrings::SetText(const std::string& Value) {
  UpdateScope Scope(*this);
  Clear();
  const std::size_t N = Value.size();
  std::size_t P = 0;
  while (P < N) {
    std::size_t Start = P;
    while (P < N && Value[P] != '\r' && Value[P] != '\n') ++P;
    Add(Value.substr(Start, P - Start));
    if (P < N && Value[P] == '\r') ++P;
    if (P < N && Value[P] == '\n') ++P;
  }
}

std::string TStrings::CommaText() const { return JoinDelimited(*this, ',', '"', false); }

void TStrings::SetCommaText(const std::string& Value) { SplitDelimited(*this, Value, ',', '"', false); }

std::string TStrings::DelimitedText() const {
  return JoinDelimited(*this, Delimiter, QuoteChar, StrictDelimiter);
}

void TStrings::SetDelimitedText(const std::string& Value) {
  SplitDelimited(*this, Value, Delimiter, QuoteChar, StrictDelimiter);
}

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream F(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(F);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream F(FileName, fmCreate);
  SaveToStream(F);
}

void TStrings::LoadFromStream(TStream& Stream) {
  std::int64_t Left = std::max<std::int64_t>(0, Stream.Size() - Stream.Position());
  std::string Buf(static_cast<std::size_t>(Left), '\0');
  std::int64_t Got = Stream.Read(Buf.data(), Left);
  Buf.resize(static_cast<std::size_t>(std::max<std::int64_t>(0, Got)));
  if (Buf.compare(0, 3, "\xEF\xBB\xBF") == 0) Buf.erase(0, 3);
  SetText(Buf);
}

void TStrings::SaveToStream(TStream& Stream) const {
  std::string T = Text();
  Stream.WriteBuffer(T.data(), static_cast<std::int64_t>(T.size()));
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const {
  return CompareText(S1, S2);
}

// ---------------------------------------------------------------------------------------------
// TStringList

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError(Index);
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].S;
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)].Obj;
}

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted) SortedListError();
  CheckIndex(Index);
  FList[static_cast<std::size_t>(Index)].S = S;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  FList[static_cast<std::size_t>(Index)].Obj = AObject;
}

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int Index = Count();
  if (FSorted && Find(S, Index)) {
    if (Duplicates == dupIgnore) return Index;
    if (Duplicates == dupError) throw EListError("String list does not allow duplicates");
  }
  FList.insert(FList.begin() + Index, Item{S, AObject});
  return Index;
}

void TStringList::Assign(const TStrings& Source) {
  const auto* Src = dynamic_cast<const TStringList*>(&Source);
  if (!Src) {
    TStrings::Assign(Source);
    return;
  }
  if (Src == this) return;
  Delimiter = Src->Delimiter;
  QuoteChar = Src->QuoteChar;
  StrictDelimiter = Src->StrictDelimiter;
  NameValueSeparator = Src->NameValueSeparator;
  Duplicates = Src->Duplicates;
  FSorted = Src->FSorted;
  FCaseSensitive = Src->FCaseSensitive;
  FList = Src->FList;
}

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
  if (FSorted) SortedListError();
  if (Index < 0 || Index > Count()) IndexError(Index);
  FList.insert(FList.begin() + Index, Item{S, AObject});
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  FList.erase(FList.begin() + Index);
}

void TStringList::Clear() { FList.clear(); }

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
}

void TStringList::Move(int CurIndex, int NewIndex) {
  // Both checked before anything changes, so a refused move loses nothing.
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  if (CurIndex == NewIndex) return;
  if (FSorted) SortedListError();
  auto Cur = FList.begin() + CurIndex, New = FList.begin() + NewIndex;
  if (CurIndex < NewIndex)
    std::rotate(Cur, Cur + 1, New + 1);
  else
    std::rotate(New, Cur, Cur + 1);
}

int TStringList::IndexOf(const std::string& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int Index;
  return Find(S, Index) ? Index : -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
  bool Result = false;
  int L = 0, H = Count() - 1;
  while (L <= H) {
    int I = (L + H) / 2;
    int C = CompareStrings(FList[static_cast<std::size_t>(I)].S, S);
    if (C < 0) {
      L = I + 1;
    } else {
      H = I - 1;
      if (C == 0) {
        Result = true;
        if (Duplicates != dupAccept) L = I;
      }
    }
  }
  Index = L;
  return Result;
}

void TStringList::Sort() {
  CustomSort([](TStringList& List, int I1, int I2) {
    return List.CompareStrings(List.FList[static_cast<std::size_t>(I1)].S,
                               List.FList[static_cast<std::size_t>(I2)].S);
  });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || Count() < 2) return;
  // The comparison sees the list unchanged while the order is worked out; stable, so equal
  // items keep their order.
  std::vector<int> Order(FList.size());
  std::iota(Order.begin(), Order.end(), 0);
  std::stable_sort(Order.begin(), Order.end(),
                   [&](int A, int B) { return Compare(*this, A, B) < 0; });
  std::vector<Item> Sorted;
  Sorted.reserve(FList.size());
  for (int I : Order) Sorted.push_back(std::move(FList[static_cast<std::size_t>(I)]));
  FList = std::move(Sorted);
}

void TStringList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  FCaseSensitive = Value;
  if (FSorted) {
    FSorted = false;
    Sort();
    FSorted = true;
  }
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
  return FCaseSensitive ? CompareStr(S1, S2) : CompareText(S1, S2);
}

} // namespace rt
