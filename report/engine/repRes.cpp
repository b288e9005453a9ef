#include "report/engine/repRes.h"

#include <filesystem>

#include "platform/rt/Unicode.h"
#include "report/engine/repUtils.h"
#include "report/engine/repXML.h"

#include "report/script/sc_iconst.h"

extern const unsigned char repEngineResourcesXML[];
extern const std::size_t repEngineResourcesXMLSize;
extern const unsigned char repExportResourcesXML[];
extern const std::size_t repExportResourcesXMLSize;

namespace {

struct THelpTopic {
  const char* ClassName;
  const char* Topic;
};

constexpr THelpTopic HelpTopics[] = {
    {"TrepDesignerForm", "Designer.htm"},
    {"TrepOptionsEditor", "Designer_options.htm"},
    {"TrepReportEditorForm", "Report_options.htm"},
    {"TrepPageEditorForm", "Page_options.htm"},
    {"TrepCrossEditorForm", "Cross_tab_reports.htm"},
    {"TrepChartEditorForm", "Diagrams.htm"},
    {"TrepSyntaxMemo", "Script.htm"},
    {"TrepDialogPage", "Dialogue_forms.htm"},
    {"TrepDialogComponent", "Data_access_components.htm"},
    {"TrepVarEditorForm", "Variables.htm"},
    {"TrepHighlightEditorForm", "Conditional_highlighting.htm"},
    {"TrepSysMemoEditorForm", "Inserting_aggregate_function.htm"},
    {"TrepFormatEditorForm", "Values_formatting.htm"},
    {"TrepGroupEditorForm", "Report_with_groups.htm"},
    {"TrepPictureEditorForm", "Picture_object.htm"},
    {"TrepMemoEditorForm", "Text_object.htm"},
    {"TrepSQLEditorForm", "TrepADOQuery.htm"},
};

} // namespace

TrepResources::TrepResources() {
  FLanguages.SetSorted(true);
  std::error_code Ec;
  for (const auto& Entry : std::filesystem::directory_iterator(ExeDirectory(), Ec)) {
    if (!Entry.is_regular_file(Ec)) continue;
    std::string Name = rt::LowerCase(Entry.path().filename().string());
    if (Name.size() < 4 || Name.compare(Name.size() - 4, 4, ".frc") != 0) continue;
    Name.erase(Name.find(".frc"), 4);
    if (!Name.empty() && Name[0] >= 'a' && Name[0] <= 'z') Name[0] = static_cast<char>(Name[0] - 32);
    FLanguages.Add(Name);
  }
}

std::string TrepResources::Get(std::string_view StrName) const {
  auto It = FNames.find(std::string(StrName));
  std::string R = It == FNames.end() ? std::string(StrName) : rt::Utf16ToUtf8(FValues.Get(It->second));
  if (!R.empty() && R[0] == '!') R.erase(0, 1);
  return R;
}

void TrepResources::Add(std::string_view Ref, std::string_view Str) { AddW(Ref, rt::Utf8ToUtf16(Str)); }

void TrepResources::AddW(std::string_view Ref, std::u16string_view Str) {
  auto It = FNames.find(std::string(Ref));
  if (It != FNames.end())
    FValues.Put(It->second, Str);
  else
    FNames.emplace(std::string(Ref), FValues.Add(Str));
}

void TrepResources::AddStrings(std::string_view Str) {
  rt::TStringList Lines;
  Lines.SetText(std::string(Str));
  for (int I = 0; I < Lines.Count(); ++I) {
    const std::string Line = Lines[I];
    const std::size_t Eq = Line.find('=');
    if (Eq == std::string::npos || Eq == 0 || Eq + 1 == Line.size()) continue;
    Add(Line.substr(0, Eq), Line.substr(Eq + 1));
  }
}

void TrepResources::AddXML(std::string_view Str) {
  rt::TStringStream S{std::string(Str)};
  LoadFromStream(S);
}

void TrepResources::LoadFromFile(const std::string& FileName) {
  std::error_code Ec;
  if (!std::filesystem::is_regular_file(FileName, Ec)) return;
  rt::TFileStream F(FileName, rt::fmOpenRead | rt::fmShareDenyNone);
  LoadFromStream(F);
}

void TrepResources::LoadFromStream(rt::TStream& Stream) {
  TrepXMLDocument Doc;
  Doc.LoadFromStream(Stream);
  TrepXMLItem* Root = Doc.Root();
  if (Root->Name() == "Resources") {
    const int CP = rt::StrToInt(rt::Utf16ToUtf8(Root->GetProp("CodePage")));
    FCP = CP;
    for (int I = 0; I < Root->Count(); ++I) {
      TrepXMLItem* Item = Root->Items(I);
      if (Item->Name() != "StrRes") continue;
      // Escaped twice in the table, so that a character reference can survive into the text.
      std::u16string Text = UnescapeXMLText(Item->GetProp("Text"));
      if (Doc.OldVersion()) Text = rt::Utf8ToUtf16(rt::Utf16ToAnsi(Text));
      AddW(rt::Utf16ToUtf8(Item->GetProp("Name")), Text);
    }
  }
  UpdateFSResources();
}

void TrepResources::Clear() {
  FNames.clear();
  FValues.Clear();
}

void TrepResources::UpdateFSResources() {
  SLangNotFound = Get("SLangNotFound");
  SInvalidLanguage = Get("SInvalidLanguage");
  SIdRedeclared = Get("SIdRedeclared");
  SUnknownType = Get("SUnknownType");
  SIncompatibleTypes = Get("SIncompatibleTypes");
  SIdUndeclared = Get("SIdUndeclared");
  SClassRequired = Get("SClassRequired");
  SIndexRequired = Get("SIndexRequired");
  SStringError = Get("SStringError");
  SClassError = Get("SClassError");
  SArrayRequired = Get("SArrayRequired");
  SVarRequired = Get("SVarRequired");
  SNotEnoughParams = Get("SNotEnoughParams");
  STooManyParams = Get("STooManyParams");
  SLeftCantAssigned = Get("SLeftCantAssigned");
  SForError = Get("SForError");
  SEventError = Get("SEventError");
}

std::string TrepResources::Help(const rt::TObject* Sender) const {
  std::string Address = ExeDirectory() + FHelpFile;
  if (Sender != nullptr) {
    const std::string ClassName = Sender->ClassName();
    for (const THelpTopic& T : HelpTopics)
      if (rt::SameText(ClassName, T.ClassName)) {
        Address += std::string("::/") + T.Topic;
        break;
      }
  }
  return Address;
}

TrepResources& ResourceTable() {
  static TrepResources Table;
  return Table;
}

std::string ResourceString(int Id) { return ResourceTable().Get(std::to_string(Id)); }

void repInitEngineResources() {
  ResourceTable().AddXML(std::string_view(reinterpret_cast<const char*>(repEngineResourcesXML),
                                          repEngineResourcesXMLSize));
}

void repInitExportResources() {
  ResourceTable().AddXML(std::string_view(reinterpret_cast<const char*>(repExportResourcesXML),
                                          repExportResourcesXMLSize));
}
