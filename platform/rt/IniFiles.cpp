#include "platform/rt/IniFiles.h"

#include <filesystem>

#include "platform/rt/DateUtils.h"
#include "platform/rt/SysUtils.h"
#include "platform/rt/TypInfo.h"

namespace rt {

TClass TCustomIniFile::ClassInfo() {
  static const TClassInfo Info("TCustomIniFile", TObject::ClassInfo());
  return &Info;
}

TClass TMemIniFile::ClassInfo() {
  static const TClassInfo Info("TMemIniFile", TCustomIniFile::ClassInfo(), [] { return new TMemIniFile(""); });
  return &Info;
}

TClass TIniFile::ClassInfo() {
  static const TClassInfo Info("TIniFile", TMemIniFile::ClassInfo(), [] { return new TIniFile(""); });
  return &Info;
}

// ---------------------------------------------------------------------------------------------
// Typed values

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) const {
  std::string S = Trim(ReadString(Section, Ident, ""));
  if (S.size() > 2 && S[0] == '0' && (S[1] == 'x' || S[1] == 'X')) S = "$" + S.substr(2);
  int V = 0;
  return TryStrToInt(S, V) ? V : Default;
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
  WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) const {
  return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
  WriteString(Section, Ident, Value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& Section, const std::string& Ident, double Default) const {
  double V = 0;
  return TryStrToFloat(ReadString(Section, Ident, ""), V) ? V : Default;
}

void TCustomIniFile::WriteFloat(const std::string& Section, const std::string& Ident, double Value) {
  WriteString(Section, Ident, FloatToStr(Value));
}

double TCustomIniFile::ReadDate(const std::string& Section, const std::string& Ident, double Default) const {
  double V = 0;
  return TryStrToDate(ReadString(Section, Ident, ""), V) ? V : Default;
}

void TCustomIniFile::WriteDate(const std::string& Section, const std::string& Ident, double Value) {
  WriteString(Section, Ident, FormatDateTime("ddddd", Value));
}

double TCustomIniFile::ReadTime(const std::string& Section, const std::string& Ident, double Default) const {
  double V = 0;
  return TryStrToTime(ReadString(Section, Ident, ""), V) ? V : Default;
}

void TCustomIniFile::WriteTime(const std::string& Section, const std::string& Ident, double Value) {
  WriteString(Section, Ident, FormatDateTime("tt", Value));
}

double TCustomIniFile::ReadDateTime(const std::string& Section, const std::string& Ident, double Default) const {
  double V = 0;
  return TryStrToDateTime(ReadString(Section, Ident, ""), V) ? V : Default;
}

void TCustomIniFile::WriteDateTime(const std::string& Section, const std::string& Ident, double Value) {
  WriteString(Section, Ident, FormatDateTime("c", Value));
}

int TCustomIniFile::ReadBinaryStream(const std::string& Section, const std::string& Ident, TStream& Value) const {
  std::string Text = ReadString(Section, Ident, "");
  if (Text.size() % 2 != 0) throw EConvertError("Invalid binary value");
  std::string Bytes(Text.size() / 2, '\0');
  for (size_t I = 0; I < Bytes.size(); ++I) {
    int Hi = HexDigitValue(Text[2 * I]), Lo = HexDigitValue(Text[2 * I + 1]);
    if (Hi < 0 || Lo < 0) throw EConvertError("Invalid binary value");
    Bytes[I] = static_cast<char>(Hi * 16 + Lo);
  }
  if (Bytes.empty()) return 0;
  std::int64_t Pos = Value.Position();
  Value.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  Value.SetPosition(Pos);
  return static_cast<int>(Bytes.size());
}

void TCustomIniFile::WriteBinaryStream(const std::string& Section, const std::string& Ident, TStream& Value) {
  std::int64_t Count = Value.Size() - Value.Position();
  std::string Bytes(static_cast<size_t>(std::max<std::int64_t>(0, Count)), '\0');
  if (!Bytes.empty()) Value.ReadBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
  static const char Digits[] = "0123456789ABCDEF";
  std::string Text;
  Text.reserve(Bytes.size() * 2);
  for (unsigned char B : Bytes) {
    Text += Digits[B >> 4];
    Text += Digits[B & 15];
  }
  WriteString(Section, Ident, Text);
}

bool TCustomIniFile::SectionExists(const std::string& Section) const {
  TStringList L;
  ReadSection(Section, L);
  return L.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) const {
  TStringList L;
  ReadSection(Section, L);
  return L.IndexOf(Ident) >= 0;
}

// ---------------------------------------------------------------------------------------------
// In memory

TMemIniFile::TMemIniFile(std::string AFileName) : TCustomIniFile(std::move(AFileName)) { Load(); }

void TMemIniFile::Load() {
  FSections.clear();
  std::error_code Ec;
  if (FFileName.empty() || !std::filesystem::is_regular_file(FFileName, Ec)) return;
  TStringList L;
  L.LoadFromFile(FFileName);
  Parse(L);
}

const TMemIniFile::Section* TMemIniFile::FindSection(const std::string& Name) const {
  for (const Section& S : FSections)
    if (SameText(S.Name, Name)) return &S;
  return nullptr;
}

TMemIniFile::Section* TMemIniFile::FindSection(const std::string& Name) {
  return const_cast<Section*>(static_cast<const TMemIniFile*>(this)->FindSection(Name));
}

int TMemIniFile::IndexOfName(const Section& S, const std::string& Ident) {
  for (size_t I = 0; I < S.Lines.size(); ++I) {
    size_t Eq = S.Lines[I].find('=');
    if (Eq != std::string::npos && SameText(S.Lines[I].substr(0, Eq), Ident)) return static_cast<int>(I);
  }
  return -1;
}

std::string TMemIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) const {
  const struct Section* S = FindSection(Section);
  if (!S) return Default;
  int I = IndexOfName(*S, Ident);
  if (I < 0) return Default;
  const std::string& Line = S->Lines[static_cast<size_t>(I)];
  return Line.substr(Line.find('=') + 1);
}

void TMemIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
  struct Section* S = FindSection(Section);
  if (!S) {
    FSections.push_back({Section, {}});
    S = &FSections.back();
  }
  int I = IndexOfName(*S, Ident);
  if (I < 0) S->Lines.push_back(Ident + "=" + Value);
  else S->Lines[static_cast<size_t>(I)] = S->Lines[static_cast<size_t>(I)].substr(0, S->Lines[static_cast<size_t>(I)].find('=') + 1) + Value;
  Changed();
}

void TMemIniFile::ReadSection(const std::string& Section, TStrings& Strings) const {
  Strings.Clear();
  if (const struct Section* S = FindSection(Section))
    for (const std::string& Line : S->Lines) {
      size_t Eq = Line.find('=');
      if (Eq != std::string::npos && Eq > 0) Strings.Add(Line.substr(0, Eq));
    }
}

void TMemIniFile::ReadSections(TStrings& Strings) const {
  Strings.Clear();
  for (const Section& S : FSections) Strings.Add(S.Name);
}

void TMemIniFile::ReadSectionValues(const std::string& Section, TStrings& Strings) const {
  Strings.Clear();
  if (const struct Section* S = FindSection(Section))
    for (const std::string& Line : S->Lines) Strings.Add(Line);
}

void TMemIniFile::EraseSection(const std::string& Section) {
  for (auto It = FSections.begin(); It != FSections.end(); ++It)
    if (SameText(It->Name, Section)) {
      FSections.erase(It);
      Changed();
      return;
    }
}

void TMemIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
  struct Section* S = FindSection(Section);
  if (!S) return;
  int I = IndexOfName(*S, Ident);
  if (I < 0) return;
  S->Lines.erase(S->Lines.begin() + I);
  Changed();
}

void TMemIniFile::UpdateFile() {
  if (FFileName.empty()) return;
  TStringList L;
  GetStrings(L);
  L.SaveToFile(FFileName);
}

void TMemIniFile::Clear() {
  FSections.clear();
  Changed();
}

void TMemIniFile::GetStrings(TStrings& List) const {
  List.Clear();
  for (const Section& S : FSections) {
    List.Add("[" + S.Name + "]");
    for (const std::string& Line : S.Lines) List.Add(Line);
    List.Add("");
  }
}

void TMemIniFile::SetStrings(const TStrings& List) {
  Parse(List);
  Changed();
}

void TMemIniFile::Parse(const TStrings& List) {
  FSections.clear();
  Section* Cur = nullptr;
  for (int I = 0; I < List.Count(); ++I) {
    std::string Line = Trim(List[I]);
    if (Line.empty() || Line[0] == ';') continue;
    if (Line.front() == '[' && Line.back() == ']') {
      std::string Name = Line.substr(1, Line.size() - 2);
      Cur = FindSection(Name);
      if (!Cur) {
        FSections.push_back({Name, {}});
        Cur = &FSections.back();
      }
    } else if (Cur) {
      Cur->Lines.push_back(Line);
    }
  }
}

void TMemIniFile::Rename(const std::string& AFileName, bool Reload) {
  FFileName = AFileName;
  if (Reload) Load();
}

} // namespace rt
