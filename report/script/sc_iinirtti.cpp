#include "report/script/sc_iinirtti.h"

#include <algorithm>
#include <memory>

#include "platform/rt/IniFiles.h"
#include "platform/rt/TypInfo.h"

using rt::Variant;

namespace sc_iinirtti {

namespace {

rt::TObject* Obj(const Variant& V) {
  if (V.IsNull() || V.IsEmpty()) return nullptr;
  long long A = V.ToInt64();
  if (A >= 0 && A < 65536) return nullptr;
  return rt::VarToObject(V);
}

template <class T>
T* ArgAs(TscMethodHelper* C, int Index, const char* ClassName) {
  T* R = dynamic_cast<T*>(Obj(C->GetVParam(Index)));
  if (!R) throw rt::EInvalidPointer(std::string("Invalid ") + ClassName + " argument");
  return R;
}

std::string Str(TscMethodHelper* C, int I) { return rt::VarToStr(C->GetVParam(I)); }

// WriteTStrings: the lines as Items0, Items1 ... and their number as Count.
void WriteTStrings(rt::TCustomIniFile& Ini, const std::string& Section, const rt::TStrings& Value, bool IsClear) {
  if (IsClear) Ini.EraseSection(Section);
  for (int I = 0; I < Value.Count(); ++I) Ini.WriteString(Section, "Items" + std::to_string(I), Value[I]);
  Ini.WriteInteger(Section, "Count", Value.Count());
}

void ReadTStrings(const rt::TCustomIniFile& Ini, const std::string& Section, rt::TStrings& Value, bool IsClear) {
  int Count = Ini.ReadInteger(Section, "Count", 0);
  if (IsClear) Value.Clear();
  for (int I = 0; I < Count; ++I) Value.Add(Ini.ReadString(Section, "Items" + std::to_string(I), ""));
}

Variant CallCustom(rt::TCustomIniFile* F, const std::string& N, TscMethodHelper* C) {
  if (N == "READINTEGER") return Variant(F->ReadInteger(Str(C, 0), Str(C, 1), C->GetVParam(2).ToInteger()));
  if (N == "WRITEINTEGER") F->WriteInteger(Str(C, 0), Str(C, 1), C->GetVParam(2).ToInteger());
  else if (N == "READBOOL") return Variant(F->ReadBool(Str(C, 0), Str(C, 1), C->GetVParam(2).ToBoolean()));
  else if (N == "WRITEBOOL") F->WriteBool(Str(C, 0), Str(C, 1), C->GetVParam(2).ToBoolean());
  else if (N == "READDATE") return Variant::Date(F->ReadDate(Str(C, 0), Str(C, 1), C->GetVParam(2).ToDouble()));
  else if (N == "WRITEDATE") F->WriteDate(Str(C, 0), Str(C, 1), C->GetVParam(2).ToDouble());
  else if (N == "READDATETIME")
    return Variant::Date(F->ReadDateTime(Str(C, 0), Str(C, 1), C->GetVParam(2).ToDouble()));
  else if (N == "WRITEDATETIME") F->WriteDateTime(Str(C, 0), Str(C, 1), C->GetVParam(2).ToDouble());
  else if (N == "READFLOAT") return Variant(F->ReadFloat(Str(C, 0), Str(C, 1), C->GetVParam(2).ToDouble()));
  else if (N == "WRITEFLOAT") F->WriteFloat(Str(C, 0), Str(C, 1), C->GetVParam(2).ToDouble());
  else if (N == "READTIME") return Variant::Date(F->ReadTime(Str(C, 0), Str(C, 1), C->GetVParam(2).ToDouble()));
  else if (N == "WRITETIME") F->WriteTime(Str(C, 0), Str(C, 1), C->GetVParam(2).ToDouble());
  else if (N == "READBINARYSTREAM")
    return Variant(F->ReadBinaryStream(Str(C, 0), Str(C, 1), *ArgAs<rt::TStream>(C, 2, "TStream")));
  else if (N == "WRITEBINARYSTREAM") F->WriteBinaryStream(Str(C, 0), Str(C, 1), *ArgAs<rt::TStream>(C, 2, "TStream"));
  else if (N == "SECTIONEXISTS") return Variant(F->SectionExists(Str(C, 0)));
  else if (N == "VALUEEXISTS") return Variant(F->ValueExists(Str(C, 0), Str(C, 1)));
  else if (N == "WRITETSTRINGS")
    WriteTStrings(*F, Str(C, 0), *ArgAs<rt::TStrings>(C, 1, "TStrings"), C->GetVParam(2).ToBoolean());
  else if (N == "READTSTRINGS")
    ReadTStrings(*F, Str(C, 0), *ArgAs<rt::TStrings>(C, 1, "TStrings"), C->GetVParam(2).ToBoolean());
  return Variant(0);
}

Variant CallMem(rt::TMemIniFile* F, const std::string& N, TscMethodHelper* C) {
  if (N == "WRITESTRING") F->WriteString(Str(C, 0), Str(C, 1), Str(C, 2));
  else if (N == "READSTRING") return Variant(F->ReadString(Str(C, 0), Str(C, 1), Str(C, 2)));
  else if (N == "READSECTIONVALUESEX") {
    auto* Strings = ArgAs<rt::TStrings>(C, 1, "TStrings");
    rt::TStringList Lines;
    F->ReadSectionValues(Str(C, 0), Lines);
    Strings->Clear();
    for (int I = 0; I < Lines.Count(); ++I) Strings->Add(Lines.ValueFromIndex(I));
  } else if (N == "DELETEKEY") F->DeleteKey(Str(C, 0), Str(C, 1));
  else if (N == "READSECTION") F->ReadSection(Str(C, 0), *ArgAs<rt::TStrings>(C, 1, "TStrings"));
  else if (N == "READSECTIONS") F->ReadSections(*ArgAs<rt::TStrings>(C, 0, "TStrings"));
  else if (N == "READSECTIONVALUES") F->ReadSectionValues(Str(C, 0), *ArgAs<rt::TStrings>(C, 1, "TStrings"));
  else if (N == "ERASESECTION") F->EraseSection(Str(C, 0));
  else if (N == "CLEAR") F->Clear();
  else if (N == "GETSTRINGS") F->GetStrings(*ArgAs<rt::TStrings>(C, 0, "TStrings"));
  else if (N == "SETSTRINGS") F->SetStrings(*ArgAs<rt::TStrings>(C, 0, "TStrings"));
  else if (N == "SAVEINIFILETOSTREAM" || N == "LOADINIFILEFROMSTREAM") {
    auto* Stream = dynamic_cast<rt::TStream*>(Obj(C->GetVParam(0)));
    if (!Stream) return Variant(0);
    rt::TStringList Lines;
    bool IsIni = dynamic_cast<rt::TIniFile*>(F) != nullptr;
    if (N == "SAVEINIFILETOSTREAM") {
      if (IsIni) Lines.LoadFromFile(F->FileName());
      else F->GetStrings(Lines);
      Lines.SaveToStream(*Stream);
    } else {
      Lines.LoadFromStream(*Stream);
      if (IsIni) {
        Lines.SaveToFile(F->FileName());
        F->Rename(F->FileName(), true);
      } else {
        F->SetStrings(Lines);
      }
    }
  }
  return Variant(0);
}

} // namespace

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
  const TscCallMethodNewEvent M = &CallMethod;
  const TscGetValueEvent G = &GetProp;
  TscClassVariable* C = AScript->AddClass(rt::TCustomIniFile::ClassInfo(), "TObject");
  if (C) {
    for (const char* D : {
             "constructor Create(const FileName: String)",
         })
      C->AddConstructor(D, M);
    for (const char* D : {
             "function ReadInteger(const Section, Ident: String; Default: LongInt): LongInt",
             "procedure WriteInteger(const Section, Ident: String; Value: LongInt)",
             "function ReadBool(const Section, Ident: String; Default: Boolean): Boolean",
             "procedure WriteBool(const Section, Ident: String; Value: Boolean)",
             "function ReadDate(const Section, Name: String; Default: TDateTime): TDateTime",
             "procedure WriteDate(const Section, Name: String; Value: TDateTime)",
             "function ReadDateTime(const Section, Name: String; Default: TDateTime): TDateTime",
             "procedure WriteDateTime(const Section, Name: String; Value: TDateTime)",
             "function ReadFloat(const Section, Name: String; Default: Double): Double",
             "procedure WriteFloat(const Section, Name: String; Value: Double)",
             "function ReadTime(const Section, Name: String; Default: TDateTime): TDateTime",
             "procedure WriteTime(const Section, Name: String; Value: TDateTime);",
             "function ReadBinaryStream(const Section, Name: String; Value: TStream): Integer",
             "procedure WriteBinaryStream(const Section, Name: String; Value: TStream)",
             "function SectionExists(const Section: String): Boolean",
             "function ValueExists(const Section, Ident: String): Boolean",
             "procedure WriteTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True)",
             "function ReadTStrings(const Section :String; Value :TStrings; IsClear :Boolean = True): String;",
         })
      C->AddMethod(D, M);
    C->AddProperty("FileName", "String", G);
  }
  static const char* const Shared[] = {
      "procedure WriteString(const Section, Ident, Value: String)",
      "function ReadString(const Section, Ident, Default: String): String;",
      "procedure ReadSectionValuesEx(const Section: String; Strings: TStrings)",
      "procedure DeleteKey(const Section, Ident: String)",
      "procedure ReadSection(const Section: String; Strings: TStrings)",
      "procedure ReadSections(Strings: TStrings)",
      "procedure ReadSectionValues(const Section: String; Strings: TStrings)",
      "procedure EraseSection(const Section: String)",
  };
  if ((C = AScript->AddClass(rt::TMemIniFile::ClassInfo(), "TCustomIniFile"))) {
    C->AddConstructor("constructor Create(const FileName: String)", M);
    for (const char* D : Shared) C->AddMethod(D, M);
    C->AddMethod("procedure Clear", M);
    C->AddMethod("procedure GetStrings(List: TStrings)", M);
    C->AddMethod("procedure SetStrings(List: TStrings)", M);
    C->AddMethod("procedure SaveIniFileToStream(oStream: TStream)", M);
    C->AddMethod("procedure LoadIniFileFromStream(oStream: TStream)", M);
  }
  if ((C = AScript->AddClass(rt::TIniFile::ClassInfo(), "TCustomIniFile"))) {
    for (const char* D : Shared) C->AddMethod(D, M);
    C->AddMethod("procedure SaveIniFileToStream(oStream: TStream)", M);
    C->AddMethod("procedure LoadIniFileFromStream(oStream: TStream)", M);
  }
}

Variant TFunctions::CallMethod(rt::TObject* Instance, rt::TClass ClassType, const std::string& MethodName,
                               TscMethodHelper* Caller) {
  const std::string& N = MethodName;
  bool Known = ClassType == rt::TCustomIniFile::ClassInfo() || ClassType == rt::TMemIniFile::ClassInfo() ||
               ClassType == rt::TIniFile::ClassInfo();
  if (!Known) return Variant(0);
  if (N == "CREATE") {
    // The class named in the script made the object; here it takes its file.
    auto* F = dynamic_cast<rt::TMemIniFile*>(Instance);
    if (!F) throw rt::EInvalidPointer("Cannot create an abstract INI file; use TMemIniFile or TIniFile");
    F->Rename(Str(Caller, 0), true);
    return rt::VarFromObject(F);
  }
  auto* F = dynamic_cast<rt::TMemIniFile*>(Instance);
  if (!F) throw rt::EInvalidPointer("Invalid INI file object");
  if (ClassType == rt::TCustomIniFile::ClassInfo()) return CallCustom(F, N, Caller);
  return CallMem(F, N, Caller);
}

Variant TFunctions::GetProp(rt::TObject* Instance, rt::TClass ClassType, const std::string& PropName) {
  if (ClassType == rt::TCustomIniFile::ClassInfo() && PropName == "FILENAME") {
    auto* F = dynamic_cast<rt::TCustomIniFile*>(Instance);
    if (!F) throw rt::EInvalidPointer("Invalid INI file object");
    return Variant(F->FileName());
  }
  return Variant(0);
}

} // namespace sc_iinirtti

void sc_iinirttiInitialization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  if (std::find(L->begin(), L->end(), &scModuleClass<sc_iinirtti::TFunctions>) == L->end())
    L->push_back(&scModuleClass<sc_iinirtti::TFunctions>);
}

void sc_iinirttiFinalization() {
  std::vector<TscRTTIModuleClass>* L = ScriptModuleList();
  if (!L) return;
  L->erase(std::remove(L->begin(), L->end(), &scModuleClass<sc_iinirtti::TFunctions>), L->end());
}
