#include "report/engine/repXML.h"

#include <algorithm>
#include <filesystem>

#include "platform/rt/Unicode.h"
#include "report/engine/repUtils.h"

namespace {

constexpr std::size_t BufferSize = 4096;
const std::u16string UnloadableMark = u" ld=\"0\"";

std::u16string Widen(std::string_view S) { return rt::Utf8ToUtf16(S); }

// Element names travel as 8-bit text in the system code page.
std::string NameFromAnsi(std::string_view S) { return rt::Utf16ToUtf8(rt::AnsiToUtf16(S)); }
std::string NameToAnsi(std::string_view S) { return rt::Utf16ToAnsi(rt::Utf8ToUtf16(S)); }

void AppendCode(std::u16string& R, unsigned Code) {
  R += u"&#";
  R += Widen(std::to_string(Code));
  R += u';';
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Text routines

std::u16string EscapeXMLText(std::u16string_view Text) {
  const bool Long = Text.size() >= 32;
  std::u16string R;
  R.reserve(Text.size() + 256);
  for (std::size_t I = 0; I < Text.size(); ++I) {
    const char16_t C = Text[I];
    switch (C) {
      case 0:
        if (Long) R += u' ';
        else AppendCode(R, 0);
        break;
      case u'&':
        if (Text.substr(I + 1, 5) == u"quot;") {
          AppendCode(R, 34);
          I += 5;
        } else {
          AppendCode(R, 38);
        }
        break;
      case 10:
      case 13:
      case u'"':
      case u'<':
      case u'>': AppendCode(R, C); break;
      default: R += C;
    }
  }
  return R;
}

std::u16string UnescapeXMLText(std::u16string_view Text) {
  static const struct {
    std::u16string_view Ref;
    char16_t Char;
  } Named[] = {{u"quot;", u'"'}, {u"amp;", u'&'}, {u"lt;", u'<'}, {u"gt;", u'>'}};
  const std::size_t N = Text.size();
  std::u16string R;
  R.reserve(N);
  std::size_t I = 0;
  while (I < N) {
    const char16_t C = Text[I];
    if (C != u'&') {
      R += C;
      ++I;
      continue;
    }
    if (I + 1 < N && Text[I + 1] == u'#' && N - (I + 2) >= 2) {
      const std::size_t Semi = Text.find(u';', I + 2);
      if (Semi == std::u16string_view::npos) {
        R += C;
        ++I;
        continue;
      }
      const std::string Digits = rt::Utf16ToUtf8(Text.substr(I + 2, Semi - (I + 2)));
      const int Code = rt::StrToInt(Digits);
      if (Code < 0 || Code > 0x10FFFF || (Code >= 0xD800 && Code <= 0xDFFF))
        throw rt::EConvertError("'" + Digits + "' is not a valid character code");
      if (Code >= 0x10000) {
        R += static_cast<char16_t>(0xD800 + ((Code - 0x10000) >> 10));
        R += static_cast<char16_t>(0xDC00 + ((Code - 0x10000) & 0x3FF));
      } else {
        R += static_cast<char16_t>(Code);
      }
      I = Semi + 1;
      continue;
    }
    bool Replaced = false;
    for (const auto& Ref : Named) {
      if (Text.substr(I + 1, Ref.Ref.size()) == Ref.Ref) {
        R += Ref.Char;
        I += 1 + Ref.Ref.size();
        Replaced = true;
        break;
      }
    }
    if (!Replaced) {
      R += C;
      ++I;
    }
  }
  return R;
}

std::u16string VariantToXMLText(const rt::Variant& Value) {
  switch (Value.VarType()) {
    case rt::varSmallint:
    case rt::varInteger:
    case rt::varByte:
    case rt::varShortInt:
    case rt::varWord:
    case rt::varLongWord:
    case rt::varInt64: return Widen(std::to_string(Value.ToInt64()));
    case rt::varSingle:
    case rt::varDouble:
    case rt::varCurrency: return Widen(rt::FloatToStr(Value.ToDouble()));
    case rt::varDate: return Widen(rt::DateTimeToStr(Value.RawDouble()));
    case rt::varOleStr:
    case rt::varString:
    case rt::varUString: return EscapeXMLText(Value.ToUString());
    case rt::varBoolean: return Value.ToBoolean() ? u"1" : u"0";
    default: return {};
  }
}

// ---------------------------------------------------------------------------------------------
// TrepXMLItem

TrepXMLItem::~TrepXMLItem() {
  Clear();
  if (FParent != nullptr) {
    auto& Siblings = FParent->FItems;
    auto It = std::find(Siblings.begin(), Siblings.end(), this);
    if (It != Siblings.end()) Siblings.erase(It);
  }
}

TrepXMLItem* TrepXMLItem::Add() {
  auto* Item = new TrepXMLItem;
  AddItem(Item);
  return Item;
}

TrepXMLItem* TrepXMLItem::Add(std::string_view AName) {
  TrepXMLItem* Item = Add();
  Item->FName = AName;
  return Item;
}

void TrepXMLItem::AddItem(TrepXMLItem* Item) {
  if (Item->FParent != nullptr) {
    auto& Old = Item->FParent->FItems;
    auto It = std::find(Old.begin(), Old.end(), Item);
    if (It != Old.end()) Old.erase(It);
  }
  FItems.push_back(Item);
  Item->FParent = this;
}

void TrepXMLItem::InsertItem(int Index, TrepXMLItem* Item) {
  AddItem(Item);
  FItems.pop_back();
  Index = std::clamp(Index, 0, Count());
  FItems.insert(FItems.begin() + Index, Item);
}

void TrepXMLItem::Clear() {
  // Each child takes itself out of the list when freed.
  while (!FItems.empty()) delete FItems.back();
  if (FUnloadable) FLoaded = false;
}

int TrepXMLItem::Find(std::string_view AName) const {
  for (int I = 0; I < Count(); ++I)
    if (rt::Utf8CompareText(FItems[static_cast<std::size_t>(I)]->FName, AName) == 0) return I;
  return -1;
}

TrepXMLItem* TrepXMLItem::FindItem(std::string_view AName) {
  int I = Find(AName);
  return I >= 0 ? FItems[static_cast<std::size_t>(I)] : Add(AName);
}

int TrepXMLItem::IndexOf(const TrepXMLItem* Item) const {
  auto It = std::find(FItems.begin(), FItems.end(), Item);
  return It == FItems.end() ? -1 : static_cast<int>(It - FItems.begin());
}

TrepXMLItem* TrepXMLItem::Root() {
  TrepXMLItem* R = this;
  while (R->FParent != nullptr) R = R->FParent;
  return R;
}

TrepXMLItem* TrepXMLItem::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw rt::EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FItems[static_cast<std::size_t>(Index)];
}

std::size_t TrepXMLItem::FindAttr(std::string_view AName) const {
  // A leading blank keeps "Text" from matching the end of "NoText"; escaped values hold no
  // double quote, so nothing inside a value can match.
  const std::u16string Pattern = u" " + rt::WideUpperCase(Widen(AName)) + u"=\"";
  const std::u16string Hay = u" " + rt::WideUpperCase(FText);
  return Hay.find(Pattern);
}

std::u16string TrepXMLItem::GetProp(std::string_view AName) const {
  const std::size_t P = FindAttr(AName);
  if (P == std::u16string::npos) return {};
  const std::size_t Start = P + Widen(AName).size() + 2;
  const std::size_t End = FText.find(u'"', Start);
  return UnescapeXMLText(std::u16string_view(FText).substr(
      Start, End == std::u16string::npos ? std::u16string::npos : End - Start));
}

void TrepXMLItem::SetProp(std::string_view AName, std::u16string_view AValue) {
  const std::u16string WName = Widen(AName);
  std::size_t P = FindAttr(AName);
  if (P != std::u16string::npos) {
    const std::size_t End = FText.find(u'"', P + WName.size() + 2);
    FText.erase(P, End == std::u16string::npos ? std::u16string::npos : End - P + 1);
  } else {
    P = FText.size();
  }
  std::u16string Attr = WName + u"=\"" + EscapeXMLText(AValue) + u"\"";
  if (P > 0 && FText[P - 1] != u' ') Attr.insert(Attr.begin(), u' ');
  FText.insert(P, Attr);
}

void TrepXMLItem::SetProp(std::string_view AName, std::string_view Utf8Value) {
  SetProp(AName, std::u16string_view(Widen(Utf8Value)));
}

bool TrepXMLItem::PropExists(std::string_view AName) const {
  return FindAttr(AName) != std::u16string::npos;
}

void TrepXMLItem::DeleteProp(std::string_view AName) {
  const std::size_t P = FindAttr(AName);
  if (P == std::u16string::npos) return;
  SetProp(AName, std::u16string_view());
  // The name, '=', the two quotes and the blank that follows.
  FText.erase(P, Widen(AName).size() + 4);
}

// ---------------------------------------------------------------------------------------------
// TrepXMLReader

TrepXMLReader::TrepXMLReader(rt::TStream& Stream)
    : FStream(Stream), FSize(Stream.Size()), FPosition(Stream.Position()), FBuffer(BufferSize) {}

TrepXMLReader::~TrepXMLReader() {
  try {
    FStream.SetPosition(FPosition);
  } catch (...) {
    // Nothing sensible to do when the stream cannot move; the data is already read.
  }
}

void TrepXMLReader::SetPosition(std::int64_t Value) {
  FPosition = Value;
  FBufPos = FBufEnd = 0;
}

void TrepXMLReader::RaiseException() { throw TrepInvalidXMLException("Invalid file format"); }

bool TrepXMLReader::ReadByte(unsigned char& C) {
  if (FBufPos >= FBufEnd) {
    if (FPosition >= FSize) return false;
    const std::int64_t N = std::min<std::int64_t>(BufferSize, FSize - FPosition);
    FStream.SetPosition(FPosition);
    FStream.ReadBuffer(FBuffer.data(), N);
    FBufPos = 0;
    FBufEnd = static_cast<std::size_t>(N);
  }
  C = FBuffer[FBufPos++];
  ++FPosition;
  return true;
}

void TrepXMLReader::ReadTag(std::string& Name, std::u16string& Text) {
  enum { Outside, InTag, InComment } State = Outside;
  int Hyphens = 0;
  FTag.clear();
  for (;;) {
    unsigned char C;
    if (!ReadByte(C)) {
      if (State == InTag) RaiseException();
      Name.clear();
      Text.clear();
      return;
    }
    if (State == Outside) {
      if (C == '<') {
        State = InTag;
        FTag.clear();
      }
    } else if (State == InTag) {
      if (C == '>') break;
      if (C == '<') RaiseException();
      FTag += static_cast<char>(C);
      if (FTag == "!--") {
        State = InComment;
        Hyphens = 0;
        FTag.clear();
      }
    } else {
      if (C == '-') {
        Hyphens = Hyphens == 2 ? 0 : Hyphens + 1;
      } else if (C == '>' && Hyphens == 2) {
        State = Outside;
      } else {
        Hyphens = 0;
      }
    }
  }
  if (!FTag.empty() && FTag.back() == ' ') FTag.pop_back();
  const std::size_t Blank = FTag.find(' ');
  const std::string_view Tag(FTag);
  Name = NameFromAnsi(Tag.substr(0, Blank));
  const std::string_view Attrs = Blank == std::string::npos ? std::string_view() : Tag.substr(Blank);
  Text = FOldFormat ? rt::AnsiToUtf16(Attrs) : rt::Utf8ToUtf16(Attrs);
}

void TrepXMLReader::ReadHeader() {
  std::string Name;
  std::u16string Text;
  ReadTag(Name, Text);
  if (Name.compare(0, 4, "?xml") != 0) RaiseException();
  std::u16string Version;
  const std::size_t V = Text.find(u"version=");
  if (V != std::u16string::npos) {
    // The value is quoted; anything else (a cut-off header) is no header at all.
    const std::size_t Open = V + 8;
    const char16_t Quote = Open < Text.size() ? Text[Open] : u'\0';
    const std::size_t Close =
        Quote == u'"' || Quote == u'\'' ? Text.find(Quote, Open + 1) : std::u16string::npos;
    if (Close == std::u16string::npos)
      throw TrepInvalidXMLException("Invalid file format: the XML header has no quoted version");
    Version = Text.substr(Open + 1, std::min<std::size_t>(3, Close - Open - 1));
  }
  FOldFormat = Version == u"1.0" && Text.find(u"standalone=") == std::u16string::npos;
}

bool TrepXMLReader::ReadItem(TrepXMLItem* Item, bool ReadChildren, bool KeepOwnTag, int Depth) {
  const std::int64_t P = FPosition;
  std::string Name;
  std::u16string Text;
  ReadTag(Name, Text);
  FLastName = Name;
  if (Name.empty() || Name[0] == '/') return true;
  if (Depth >= repXMLMaxNesting)
    throw TrepInvalidXMLException("Invalid file format: elements nested deeper than " +
                                  std::to_string(repXMLMaxNesting) + " levels");
  bool Empty = false;
  if (Name.back() == '/') {
    Name.pop_back();
    Empty = true;
  } else if (!Text.empty() && Text.back() == u'/') {
    Text.pop_back();
    Empty = true;
  }
  const std::size_t Mark = rt::WideLowerCase(Text).find(UnloadableMark);
  if (Mark != std::u16string::npos) Text.erase(Mark, UnloadableMark.size());
  if (!KeepOwnTag) {
    Item->FName = Name;
    Item->FText = Text;
  }
  if (!Empty) {
    for (;;) {
      auto* Child = new TrepXMLItem;
      bool Closing;
      try {
        Closing = ReadItem(Child, ReadChildren, false, Depth + 1);
      } catch (...) {
        delete Child;
        throw;
      }
      if (Closing) {
        delete Child;
        break;
      }
      Item->AddItem(Child);
    }
    if (!FLastName.empty() && rt::Utf8CompareText(FLastName, "/" + Item->FName) != 0) RaiseException();
  }
  if (Mark != std::u16string::npos && !KeepOwnTag) {
    // The mark survives a full load too, so that saving the tree again keeps it.
    Item->FUnloadable = true;
    if (!ReadChildren) {
      Item->Clear();
      Item->FOffset = P;
      Item->FLoaded = false;
      Item->FInSwapFile = false;
    }
  }
  return false;
}

void TrepXMLReader::ReadRootItem(TrepXMLItem* Item, bool ReadChildren) {
  FLastName.clear();
  const bool KeepOwnTag = !(Item->FName.empty() || Item->FLoaded);
  // An unloaded element read back counts from its own level, so a tree never grows deeper than
  // the limit.
  int Depth = 0;
  for (const TrepXMLItem* P = Item->FParent; P != nullptr; P = P->FParent) ++Depth;
  ReadItem(Item, ReadChildren, KeepOwnTag, Depth);
}

// ---------------------------------------------------------------------------------------------
// TrepXMLWriter

void TrepXMLWriter::Flush() {
  if (FBuffer.empty()) return;
  FStream.WriteBuffer(FBuffer.data(), static_cast<std::int64_t>(FBuffer.size()));
  FBuffer.clear();
}

void TrepXMLWriter::WriteLine(std::string_view Line) {
  FBuffer += Line;
  if (FAutoIndent) FBuffer += "\r\n";
  if (FBuffer.size() > BufferSize) Flush();
}

void TrepXMLWriter::WriteHeader() {
  WriteLine("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>");
}

void TrepXMLWriter::WriteItem(TrepXMLItem* Item, int Indent) {
  bool ReadBack = false;
  if (Item->FUnloadable && !Item->FLoaded) {
    rt::TStream* Source = Item->FInSwapFile ? FSwapStream : FTempStream;
    if (Source != nullptr) {
      TrepXMLReader Reader(*Source);
      Reader.SetPosition(Item->FOffset);
      Reader.ReadRootItem(Item, true);
      Item->FLoaded = true;
      ReadBack = true;
    }
  }
  std::string Attrs;
  if (!Item->FText.empty() || Item->FUnloadable) {
    Attrs = rt::Utf16ToUtf8(Item->FText);
    if (Item->FUnloadable) Attrs += " ld=\"0\"";
    if (Attrs[0] != ' ') Attrs.insert(Attrs.begin(), ' ');
  }
  const std::string Pad(FAutoIndent ? static_cast<std::size_t>(Indent) : 0, ' ');
  const std::string Name = NameToAnsi(Item->FName);
  std::string Line = Pad + "<" + Name + Attrs;
  if (Item->Count() > 0) {
    WriteLine(Line + ">");
    for (int I = 0; I < Item->Count(); ++I) WriteItem(Item->Items(I), Indent + 2);
    WriteLine(Pad + "</" + Name + ">");
  } else if (!Item->FValue.empty()) {
    // Escaped so that a '<' in the text cannot break the document.
    WriteLine(Line + ">" + rt::Utf16ToUtf8(EscapeXMLText(Item->FValue)) + "</" + Name + ">");
  } else {
    WriteLine(Line + "/>");
  }
  if (ReadBack) Item->Clear();
}

void TrepXMLWriter::WriteRootItem(TrepXMLItem* RootItem) {
  WriteItem(RootItem, 0);
  Flush();
}

// ---------------------------------------------------------------------------------------------
// TrepXMLDocument

TrepXMLDocument::TrepXMLDocument() : FRoot(std::make_unique<TrepXMLItem>()) {}

TrepXMLDocument::~TrepXMLDocument() { DeleteTempFile(); }

void TrepXMLDocument::Clear() {
  FRoot->Clear();
  DeleteTempFile();
}

void TrepXMLDocument::CreateTempFile() {
  std::string Dir;
  std::error_code Ec;
  if (!FTempDir.empty() && std::filesystem::is_directory(FTempDir, Ec)) Dir = FTempDir;
  FTempFile = TempFileNameIn(Dir);
  FTempFileCreated = true;
  FSwapStream = std::make_unique<rt::TFileStream>(FTempFile, rt::fmOpenReadWrite);
}

void TrepXMLDocument::DeleteTempFile() {
  FSwapStream.reset();
  if (FTempFileCreated) {
    std::error_code Ec;
    std::filesystem::remove(FTempFile, Ec);
  }
  FTempFileCreated = false;
  FTempFile.clear();
  FTempStream.reset();
}

namespace {

void ResetRoot(TrepXMLItem* Root) {
  Root->Clear();
  Root->SetUnloadable(false);
  Root->SetLoaded(true);
  Root->SetName("");
  Root->SetText(u"");
  Root->SetOffset(0);
}

} // namespace

void TrepXMLDocument::LoadFromStream(rt::TStream& Stream) {
  DeleteTempFile();
  ResetRoot(FRoot.get());
  TrepXMLReader Reader(Stream);
  Reader.ReadHeader();
  FOldVersion = Reader.OldFormat();
  Reader.ReadRootItem(FRoot.get(), true);
}

void TrepXMLDocument::LoadFromStream(std::unique_ptr<rt::TStream> Stream, bool AllowPartialLoading) {
  if (!AllowPartialLoading) {
    LoadFromStream(*Stream);
    return;
  }
  DeleteTempFile();
  ResetRoot(FRoot.get());
  {
    TrepXMLReader Reader(*Stream);
    Reader.ReadHeader();
    FOldVersion = Reader.OldFormat();
    Reader.ReadRootItem(FRoot.get(), false);
  }
  FTempStream = std::move(Stream);
}

void TrepXMLDocument::SaveToStream(rt::TStream& Stream) {
  TrepXMLWriter Writer(Stream);
  Writer.SetAutoIndent(FAutoIndent);
  Writer.SetTempStream(FTempStream.get());
  Writer.SetSwapStream(FSwapStream.get());
  Writer.WriteHeader();
  Writer.WriteRootItem(FRoot.get());
}

void TrepXMLDocument::LoadFromFile(const std::string& FileName) {
  LoadFromStream(std::make_unique<rt::TFileStream>(FileName, rt::fmOpenRead | rt::fmShareDenyWrite), true);
}

void TrepXMLDocument::SaveToFile(const std::string& FileName) {
  const std::string Tmp = FileName + ".tmp";
  {
    rt::TFileStream F(Tmp, rt::fmCreate);
    SaveToStream(F);
  }
  DeleteTempFile();
  std::error_code Ec;
  std::filesystem::remove(FileName, Ec);
  std::filesystem::rename(Tmp, FileName, Ec);
  if (Ec) throw rt::EFCreateError("Cannot create file \"" + FileName + "\". " + Ec.message());
  LoadFromFile(FileName);
}

void TrepXMLDocument::LoadItem(TrepXMLItem* Item) {
  if (!Item->FUnloadable || Item->FLoaded) return;
  rt::TStream* Source = Item->FInSwapFile ? FSwapStream.get() : FTempStream.get();
  if (Source == nullptr) return;
  TrepXMLReader Reader(*Source);
  Reader.SetPosition(Item->FOffset);
  Reader.ReadRootItem(Item, true);
  Item->FLoaded = true;
  Item->FFromSource = !Item->FInSwapFile;
}

bool TrepXMLDocument::ReturnItemToSource(TrepXMLItem* Item) {
  if (!Item->FLoaded || !Item->FUnloadable || !Item->FFromSource || !FTempStream) return false;
  Item->Clear();
  return true;
}

void TrepXMLDocument::UnloadItem(TrepXMLItem* Item) {
  if (!Item->FLoaded || !Item->FUnloadable) return;
  if (!FSwapStream) CreateTempFile();
  // Written aside first: nested unloaded subtrees are read back from the swap file meanwhile.
  rt::TMemoryStream Buf;
  {
    TrepXMLWriter Writer(Buf);
    Writer.SetTempStream(FTempStream.get());
    Writer.SetSwapStream(FSwapStream.get());
    Writer.WriteRootItem(Item);
  }
  const std::int64_t Offset = FSwapStream->Seek(0, rt::soEnd);
  FSwapStream->WriteBuffer(Buf.Memory(), Buf.Size());
  Item->Clear();
  Item->FOffset = Offset;
  Item->FInSwapFile = true;
  Item->FFromSource = false;
}
