#include "report/engine/repDsgnIntf.h"

#include <memory>

#include "platform/gfx/ColorNames.h"
#include "platform/gfx/FontData.h"
#include "platform/rt/DateUtils.h"
#include "platform/rt/SysUtils.h"
#include "report/engine/repIOTransport.h"

namespace {

// The registries live from first use until repDoneRegistries; creation and release go under
// this lock so that two sessions starting at once make one filter registry. The lock is
// constant-initialised, so filters freed late during process exit can still take it.
constinit std::mutex GRegistriesLock;
std::mutex& RegistriesLock() { return GRegistriesLock; }
std::unique_ptr<TrepObjectCollection> GObjects;
std::unique_ptr<TrepPropertyEditorCollection> GEditors;
std::unique_ptr<TrepExportFilterCollection> GFilters;

// The filter registry when it exists; a filter freed after the registries went has nothing to
// leave.
TrepExportFilterCollection* ExistingFilters() {
  std::lock_guard<std::mutex> G(RegistriesLock());
  return GFilters.get();
}

// True when the class or one of its ancestors has one of the names.
bool DescendsFromName(rt::TClass C, std::initializer_list<const char*> Names) {
  for (; C; C = C->ClassParent())
    for (const char* N : Names)
      if (C->ClassName() == N) return true;
  return false;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Export filter base

TrepCustomExportFilter::TrepCustomExportFilter(rt::TComponent* AOwner) : rt::TComponent(AOwner), FRegistered(true) {
  ExportFilters().Register(this);
}

TrepCustomExportFilter::TrepCustomExportFilter(NoRegister) : rt::TComponent(nullptr), FRegistered(false) {}

TrepCustomExportFilter::~TrepCustomExportFilter() {
  if (!FRegistered) return;
  if (TrepExportFilterCollection* R = ExistingFilters()) R->Unregister(this);
}

// ---------------------------------------------------------------------------------------------
// Object registry

TrepObjectCollection::TrepObjectCollection()
    : rt::TCollection([](rt::TCollection* C) { return new TrepObjectItem(C); }) {}

TrepObjectItem* TrepObjectCollection::GetObjectItem(int Index) const {
  return static_cast<TrepObjectItem*>(Items(Index));
}

void TrepObjectCollection::RegisterObject1(rt::TClass ClassRef, rt::TObject* ButtonBmp, const std::string& ButtonHint,
                                           const std::string& CategoryName, std::uint16_t Flags, int ImageIndex,
                                           TrepObjectCategories Category) {
  if (ClassRef)
    for (int i = 0; i < Count(); ++i) {
      const TrepObjectItem* It = GetObjectItem(i);
      if (It->ClassRef == ClassRef && It->Flags == Flags) return;
    }
  if (ClassRef) rt::RegisterClass(ClassRef);
  auto* Item = static_cast<TrepObjectItem*>(Add());
  Item->ClassRef = ClassRef;
  Item->ButtonBmp = ButtonBmp;
  Item->ButtonImageIndex = ImageIndex;
  Item->ButtonHint = ButtonHint;
  Item->CategoryName = CategoryName;
  Item->Flags = Flags;
  Item->Category = Category;
  if (ClassRef && Category == 0) {
    if (DescendsFromName(ClassRef, {"TrepDataSet", "TrepCustomDatabase"}))
      Item->Category = repCategoryBit(ctData);
    else if (DescendsFromName(ClassRef, {"TrepDialogControl", "TrepDialogComponent"}))
      Item->Category = repCategoryBit(ctDialog);
    else
      Item->Category = repCategoryBit(ctReport);
  }
  // Pictures have no device handles to release here: the server draws no tool buttons.
}

void TrepObjectCollection::RegisterObject(rt::TClass ClassRef, rt::TObject* ButtonBmp,
                                          const std::string& CategoryName) {
  RegisterObject1(ClassRef, ButtonBmp, {}, CategoryName, 0, -1, 0);
}

void TrepObjectCollection::RegisterCategory(const std::string& CategoryName, rt::TObject* ButtonBmp,
                                            const std::string& ButtonHint, int ImageIndex) {
  RegisterObject1(nullptr, ButtonBmp, ButtonHint, CategoryName, 0, ImageIndex, 0);
}

void TrepObjectCollection::Unregister(rt::TClass ClassRef) {
  for (int i = Count() - 1; i >= 0; --i)
    if (GetObjectItem(i)->ClassRef == ClassRef) Delete(i);
}

// ---------------------------------------------------------------------------------------------
// Export filter registry

TrepExportFilterCollection::TrepExportFilterCollection()
    : rt::TCollection([](rt::TCollection* C) { return new TrepExportFilterItem(C); }) {}

void TrepExportFilterCollection::Register(TrepCustomExportFilter* Filter) {
  if (!Filter) return;
  std::lock_guard<std::recursive_mutex> G(FLock);
  for (int i = 0; i < Count(); ++i)
    if (GetExportFilterItem(i)->Filter == Filter) return;
  static_cast<TrepExportFilterItem*>(Add())->Filter = Filter;
}

void TrepExportFilterCollection::Unregister(TrepCustomExportFilter* Filter) {
  std::lock_guard<std::recursive_mutex> G(FLock);
  for (int i = Count() - 1; i >= 0; --i)
    if (GetExportFilterItem(i)->Filter == Filter) Delete(i);
}

int TrepExportFilterCollection::FilterCount() const {
  std::lock_guard<std::recursive_mutex> G(FLock);
  return Count();
}

TrepExportFilterItem* TrepExportFilterCollection::GetExportFilterItem(int Index) const {
  std::lock_guard<std::recursive_mutex> G(FLock);
  return static_cast<TrepExportFilterItem*>(Items(Index));
}

std::vector<TrepCustomExportFilter*> TrepExportFilterCollection::Filters() const {
  std::lock_guard<std::recursive_mutex> G(FLock);
  std::vector<TrepCustomExportFilter*> R;
  R.reserve(Count());
  for (int i = 0; i < Count(); ++i) R.push_back(GetExportFilterItem(i)->Filter);
  return R;
}

// ---------------------------------------------------------------------------------------------
// Property editor registry

TrepPropertyEditorCollection::TrepPropertyEditorCollection()
    : rt::TCollection([](rt::TCollection* C) { return new TrepPropertyEditorItem(C); }) {}

TrepPropertyEditorItem* TrepPropertyEditorCollection::GetPropertyEditorItem(int Index) const {
  return static_cast<TrepPropertyEditorItem*>(Items(Index));
}

void TrepPropertyEditorCollection::Register(const TrepPropertyType& PropertyType, rt::TClass ComponentClass,
                                            const std::string& PropertyName, TrepPropertyEditorClass EditorClass) {
  auto* Item = static_cast<TrepPropertyEditorItem*>(Add());
  Item->PropertyType = PropertyType;
  Item->ComponentClass = ComponentClass;
  Item->PropertyName = PropertyName;
  Item->EditorClass = EditorClass;
}

void TrepPropertyEditorCollection::RegisterEventEditor(TrepPropertyEditorClass EditorClass) {
  Register({}, nullptr, {}, EditorClass);
  FEventEditorItem = Count() - 1;
}

void TrepPropertyEditorCollection::UnRegister(TrepPropertyEditorClass EditorClass) {
  // The remembered event editor index moves with the removals, so it never names another
  // editor's item.
  for (int i = Count() - 1; i >= 0; --i) {
    if (GetPropertyEditorItem(i)->EditorClass != EditorClass) continue;
    Delete(i);
    if (i == FEventEditorItem)
      FEventEditorItem = -1;
    else if (i < FEventEditorItem)
      --FEventEditorItem;
  }
}

namespace {
bool SameType(const TrepPropertyType& A, const TrepPropertyType& B) {
  return A.Kind == B.Kind && rt::SameText(A.Name, B.Name);
}
} // namespace

int TrepPropertyEditorCollection::GetPropertyEditor(const TrepPropertyType& PropertyType, rt::TObject* Component,
                                                    std::string_view PropertyName) const {
  // Report event types ("TrepNotifyEvent") go to the event editor.
  const std::string L = rt::LowerCase(PropertyType.Name);
  const auto EventPos = L.find("event");
  if (L.rfind("trep", 0) == 0 && EventPos != std::string::npos && EventPos + 5 == L.size())
    return FEventEditorItem;

  int Candidate = -1;
  for (int i = Count() - 1; i >= 0; --i) {
    const TrepPropertyEditorItem* It = GetPropertyEditorItem(i);
    if (!It->ComponentClass) {
      if (!SameType(It->PropertyType, PropertyType)) continue;
      if (It->PropertyName.empty())
        Candidate = i;
      else if (rt::SameText(It->PropertyName, PropertyName))
        return i;
    } else if (Component && Component->ClassType() && Component->ClassType()->InheritsFrom(It->ComponentClass) &&
               rt::SameText(It->PropertyName, PropertyName)) {
      return i;
    }
  }
  return Candidate;
}

// ---------------------------------------------------------------------------------------------
// The three registries

TrepObjectCollection& ReportObjects() {
  std::lock_guard<std::mutex> G(RegistriesLock());
  if (!GObjects) GObjects = std::make_unique<TrepObjectCollection>();
  return *GObjects;
}

TrepPropertyEditorCollection& PropertyEditors() {
  std::lock_guard<std::mutex> G(RegistriesLock());
  if (!GEditors) GEditors = std::make_unique<TrepPropertyEditorCollection>();
  return *GEditors;
}

TrepExportFilterCollection& ExportFilters() {
  std::lock_guard<std::mutex> G(RegistriesLock());
  if (!GFilters) GFilters = std::make_unique<TrepExportFilterCollection>();
  return *GFilters;
}

void repDoneRegistries() {
  std::lock_guard<std::mutex> G(RegistriesLock());
  GObjects.reset();
  GEditors.reset();
  GFilters.reset();
}

// ---------------------------------------------------------------------------------------------
// Property editors

#define REP_EDITOR_CLASS(Name, ParentName)                                  \
  rt::TClass Name::ClassInfo() {                                            \
    static const rt::TClassInfo Info(#Name, ParentName::ClassInfo());       \
    return &Info;                                                           \
  }

REP_EDITOR_CLASS(TrepPropertyEditor, rt::TObject)
REP_EDITOR_CLASS(TrepIntegerProperty, TrepPropertyEditor)
REP_EDITOR_CLASS(TrepStringProperty, TrepPropertyEditor)
REP_EDITOR_CLASS(TrepClassProperty, TrepPropertyEditor)
REP_EDITOR_CLASS(TrepNameProperty, TrepStringProperty)
REP_EDITOR_CLASS(TrepModalResultProperty, TrepIntegerProperty)
REP_EDITOR_CLASS(TrepShortCutProperty, TrepPropertyEditor)
REP_EDITOR_CLASS(TrepColorProperty, TrepIntegerProperty)
REP_EDITOR_CLASS(TrepFontProperty, TrepClassProperty)
REP_EDITOR_CLASS(TrepFontNameProperty, TrepStringProperty)
REP_EDITOR_CLASS(TrepFontCharsetProperty, TrepIntegerProperty)
REP_EDITOR_CLASS(TrepCursorProperty, TrepIntegerProperty)
REP_EDITOR_CLASS(TrepDateTimeProperty, TrepPropertyEditor)
REP_EDITOR_CLASS(TrepDateProperty, TrepPropertyEditor)
REP_EDITOR_CLASS(TrepTimeProperty, TrepPropertyEditor)

#undef REP_EDITOR_CLASS

std::string TrepPropertyEditor::GetName() const { return PropInfo() ? PropInfo()->Name : std::string(); }

void TrepPropertyEditor::GetValues() {
  FValues.Clear();
  SortValues();
}

void TrepPropertyEditor::SortValues() {
  if (GetAttributes() & repAttr(paSortList)) FValues.Sort();
}

bool TrepPropertyEditor::Edit() {
  GetValues();
  if (FValues.Count() == 0) return false;
  const int i = FValues.IndexOf(GetValue());
  const int Next = (i < 0 || i >= FValues.Count() - 1) ? 0 : i + 1;
  SetValue(FValues[Next]);
  return true;
}

rt::Variant TrepPropertyEditor::GetPropValue() const {
  const rt::TPropInfo* P = PropInfo();
  if (!P || !P->Get) return rt::Variant::Null();
  return P->Get(Component());
}

void TrepPropertyEditor::SetPropValue(const rt::Variant& Value) {
  for (std::size_t i = 0; i < FCompList.size(); ++i)
    if (FPropList[i] && FPropList[i]->Set) FPropList[i]->Set(FCompList[i], Value);
}

std::string TrepIntegerProperty::GetValue() {
  const rt::Variant V = GetPropValue();
  return V.IsNull() ? std::string() : rt::IntToStr(V.ToInt64());
}

void TrepIntegerProperty::SetValue(const std::string& Value) { SetPropValue(rt::Variant(rt::StrToInt(Value))); }

std::string TrepStringProperty::GetValue() {
  const rt::Variant V = GetPropValue();
  return V.IsNull() ? std::string() : V.ToString();
}

void TrepStringProperty::SetValue(const std::string& Value) { SetPropValue(rt::Variant(Value)); }

std::string TrepClassProperty::GetValue() { return "(" + (PropInfo() ? PropInfo()->TypeName : std::string()) + ")"; }

namespace {
const char* const ModalResultNames[] = {"mrNone", "mrOk",       "mrCancel",   "mrAbort", "mrRetry",
                                        "mrIgnore", "mrYes",    "mrNo",       "mrClose", "mrHelp",
                                        "mrTryAgain", "mrContinue", "mrAll", "mrNoToAll", "mrYesToAll"};
} // namespace

std::string TrepModalResultProperty::GetValue() {
  const rt::Variant V = GetPropValue();
  if (V.IsNull()) return {};
  const long long N = V.ToInt64();
  return (N >= 0 && N < 15) ? ModalResultNames[N] : rt::IntToStr(N);
}

void TrepModalResultProperty::GetValues() {
  FValues.Clear();
  for (const char* N : ModalResultNames) FValues.Add(N);
}

void TrepModalResultProperty::SetValue(const std::string& Value) {
  for (int i = 0; i < 15; ++i)
    if (rt::SameText(Value, ModalResultNames[i])) {
      SetPropValue(rt::Variant(i));
      return;
    }
  SetPropValue(rt::Variant(rt::StrToInt(Value.empty() ? std::string("0") : Value)));
}

// ---- Key combinations ----

namespace {
constexpr int scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;
constexpr int vkBack = 0x08, vkInsert = 0x2D, vkDelete = 0x2E, vkF1 = 0x70;

std::string KeyName(int Key) {
  if (Key >= 'A' && Key <= 'Z') return std::string(1, static_cast<char>(Key));
  if (Key >= '0' && Key <= '9') return std::string(1, static_cast<char>(Key));
  if (Key >= vkF1 && Key < vkF1 + 12) return "F" + rt::IntToStr(Key - vkF1 + 1);
  switch (Key) {
    case vkBack: return "BkSp";
    case vkInsert: return "Ins";
    case vkDelete: return "Del";
    default: return {};
  }
}
} // namespace

std::string repShortCutToText(int ShortCut) {
  const std::string Key = KeyName(ShortCut & 0xFF);
  if (Key.empty() || (ShortCut & ~(0xFF | scShift | scCtrl | scAlt))) return {};
  std::string S;
  if (ShortCut & scShift) S += "Shift+";
  if (ShortCut & scCtrl) S += "Ctrl+";
  if (ShortCut & scAlt) S += "Alt+";
  return S + Key;
}

int repTextToShortCut(std::string_view Text) {
  int Mods = 0;
  std::string Rest = rt::Trim(Text);
  for (;;) {
    bool Found = false;
    for (auto [Prefix, Bit] : {std::pair<const char*, int>{"Shift+", scShift}, {"Ctrl+", scCtrl}, {"Alt+", scAlt}}) {
      const std::size_t L = std::char_traits<char>::length(Prefix);
      if (Rest.size() > L && rt::SameText(Rest.substr(0, L), Prefix)) {
        Mods |= Bit;
        Rest.erase(0, L);
        Found = true;
      }
    }
    if (!Found) break;
  }
  for (int Key = 1; Key <= 0xFF; ++Key) {
    const std::string N = KeyName(Key);
    if (!N.empty() && rt::SameText(N, Rest)) return Key | Mods;
  }
  return 0;
}

std::string TrepShortCutProperty::GetValue() {
  const rt::Variant V = GetPropValue();
  const int N = V.IsNull() ? 0 : V.ToInteger();
  return N == 0 ? "(None)" : repShortCutToText(N);
}

void TrepShortCutProperty::GetValues() {
  FValues.Clear();
  FValues.Add("(None)");
  for (int c = 'A'; c <= 'Z'; ++c) FValues.Add(repShortCutToText(scCtrl | c));
  for (int c = 'A'; c <= 'Z'; ++c) FValues.Add(repShortCutToText(scCtrl | scAlt | c));
  for (int Mods : {0, scCtrl, scShift, scShift | scCtrl})
    for (int f = 0; f < 12; ++f) FValues.Add(repShortCutToText(Mods | (vkF1 + f)));
  for (int K : {vkInsert | 0, vkInsert | scShift, vkInsert | scCtrl, vkDelete | 0, vkDelete | scShift,
                vkDelete | scCtrl, vkBack | scAlt, vkBack | scShift | scAlt})
    FValues.Add(repShortCutToText(K));
}

void TrepShortCutProperty::SetValue(const std::string& Value) {
  const std::string T = rt::Trim(Value);
  if (T.empty() || rt::SameText(T, "(None)")) {
    SetPropValue(rt::Variant(0));
    return;
  }
  const int N = repTextToShortCut(T);
  if (N == 0) throw rt::EConvertError("'" + T + "' is not a valid key combination");
  SetPropValue(rt::Variant(N));
}

// ---- Colours ----

bool TrepColorProperty::Edit() {
  if (!ColorDialog || !Component()) return false;
  const rt::Variant V = GetPropValue();
  gfx::TColor Color = V.IsNull() ? gfx::clBlack : V.ToInteger();
  if (!ColorDialog(Color)) return false;
  SetPropValue(rt::Variant(Color));
  return true;
}

std::string TrepColorProperty::GetValue() {
  const rt::Variant V = GetPropValue();
  return V.IsNull() ? std::string() : gfx::ColorToString(V.ToInteger());
}

void TrepColorProperty::GetValues() {
  FValues.Clear();
  for (const gfx::TColorName& N : gfx::ColorNames()) FValues.Add(N.Name);
  SortValues();
}

void TrepColorProperty::SetValue(const std::string& Value) { SetPropValue(rt::Variant(gfx::StringToColor(Value))); }

// ---- Fonts ----

namespace {
constexpr int SYMBOL_CHARSET = 2;

gfx::TFont* FontOf(rt::TObject* Component, const rt::TPropInfo* Prop) {
  if (!Component || !Prop || !Prop->Get) return nullptr;
  return dynamic_cast<gfx::TFont*>(rt::VarToObject(Prop->Get(Component)));
}
} // namespace

bool TrepFontProperty::Edit() {
  gfx::TFont* Current = FontOf(Component(), PropInfo());
  if (!FontDialog || !Current) return false;
  gfx::TFont Chosen;
  Chosen.Assign(*Current);
  const int FormerCharset = Current->Charset();
  if (!FontDialog(Chosen, TrepFontDialogOptions{})) return false;
  // Picking a symbol face must not turn the object's text into symbols of another set.
  if (Chosen.Charset() == SYMBOL_CHARSET) Chosen.SetCharset(FormerCharset);
  // The font is an object every component owns, so it is written even without a property writer.
  for (std::size_t i = 0; i < FCompList.size(); ++i)
    if (gfx::TFont* F = FontOf(FCompList[i], FPropList[i])) F->Assign(Chosen);
  return true;
}

void TrepFontNameProperty::GetValues() {
  FValues.Clear();
  for (const std::string& N : gfx::FontFamilyNames()) FValues.Add(N);
  SortValues();
}

// ---- Character sets and cursors ----

namespace {

constexpr TrepIdentValue Charsets[] = {
    {"ANSI_CHARSET", 0},        {"DEFAULT_CHARSET", 1},      {"SYMBOL_CHARSET", 2},   {"MAC_CHARSET", 77},
    {"SHIFTJIS_CHARSET", 128},  {"HANGEUL_CHARSET", 129},    {"JOHAB_CHARSET", 130},  {"GB2312_CHARSET", 134},
    {"CHINESEBIG5_CHARSET", 136}, {"GREEK_CHARSET", 161},    {"TURKISH_CHARSET", 162}, {"VIETNAMESE_CHARSET", 163},
    {"HEBREW_CHARSET", 177},    {"ARABIC_CHARSET", 178},     {"BALTIC_CHARSET", 186}, {"RUSSIAN_CHARSET", 204},
    {"THAI_CHARSET", 222},      {"EASTEUROPE_CHARSET", 238}, {"OEM_CHARSET", 255}};

constexpr TrepIdentValue Cursors[] = {
    {"crDefault", 0},     {"crNone", -1},      {"crArrow", -2},       {"crCross", -3},     {"crIBeam", -4},
    {"crSizeNESW", -6},   {"crSizeNS", -7},    {"crSizeNWSE", -8},    {"crSizeWE", -9},    {"crUpArrow", -10},
    {"crHourGlass", -11}, {"crDrag", -12},     {"crNoDrop", -13},     {"crHSplit", -14},   {"crVSplit", -15},
    {"crMultiDrag", -16}, {"crSQLWait", -17},  {"crNo", -18},         {"crAppStart", -19}, {"crHelp", -20},
    {"crHandPoint", -21}, {"crSizeAll", -22}};

// The name of the value, else its number.
std::string IdentOrNumber(std::span<const TrepIdentValue> Names, const rt::Variant& V) {
  if (V.IsNull()) return {};
  const int N = V.ToInteger();
  std::string Name = repValueToIdent(Names, N);
  return Name.empty() ? rt::IntToStr(N) : Name;
}

void AddNames(rt::TStringList& Values, std::span<const TrepIdentValue> Names) {
  Values.Clear();
  for (const TrepIdentValue& N : Names) Values.Add(N.Name);
}

} // namespace

std::span<const TrepIdentValue> repCharsetNames() { return Charsets; }
std::span<const TrepIdentValue> repCursorNames() { return Cursors; }

std::string repValueToIdent(std::span<const TrepIdentValue> Names, int Value) {
  for (const TrepIdentValue& N : Names)
    if (N.Value == Value) return N.Name;
  return {};
}

bool repIdentToValue(std::span<const TrepIdentValue> Names, std::string_view Name, int& Value) {
  for (const TrepIdentValue& N : Names)
    if (rt::SameText(N.Name, Name)) {
      Value = N.Value;
      return true;
    }
  return false;
}

std::string TrepFontCharsetProperty::GetValue() { return IdentOrNumber(Charsets, GetPropValue()); }

void TrepFontCharsetProperty::GetValues() {
  AddNames(FValues, Charsets);
  SortValues();
}

void TrepFontCharsetProperty::SetValue(const std::string& Value) {
  int N = 0;
  if (!repIdentToValue(Charsets, Value, N)) {
    N = rt::StrToInt(Value);
    // A font's character set is one byte; a larger number would be cut to another set.
    if (N < 0 || N > 255) throw rt::EConvertError("'" + Value + "' is not a valid character set");
  }
  SetPropValue(rt::Variant(N));
}

std::string TrepCursorProperty::GetValue() { return IdentOrNumber(Cursors, GetPropValue()); }

void TrepCursorProperty::GetValues() {
  AddNames(FValues, Cursors);
  SortValues();
}

void TrepCursorProperty::SetValue(const std::string& Value) {
  int N = 0;
  if (!repIdentToValue(Cursors, Value, N)) N = rt::StrToInt(Value);
  SetPropValue(rt::Variant(N));
}

// ---- Dates and times ----

namespace {
// The stored day number; 0 (no date) for an unset value.
double DayNumber(const rt::Variant& V) { return V.IsNull() ? 0.0 : V.ToDouble(); }
} // namespace

std::string TrepDateTimeProperty::GetValue() {
  const double D = DayNumber(GetPropValue());
  return D == 0 ? std::string() : rt::DateTimeToStr(D);
}

void TrepDateTimeProperty::SetValue(const std::string& Value) {
  SetPropValue(rt::Variant(Value.empty() ? 0.0 : rt::StrToDateTime(Value)));
}

std::string TrepDateProperty::GetValue() {
  const double D = DayNumber(GetPropValue());
  return D == 0 ? std::string() : rt::DateToStr(D);
}

void TrepDateProperty::SetValue(const std::string& Value) {
  SetPropValue(rt::Variant(Value.empty() ? 0.0 : rt::StrToDate(Value)));
}

std::string TrepTimeProperty::GetValue() {
  const double D = DayNumber(GetPropValue());
  return D == 0 ? std::string() : rt::TimeToStr(D);
}

void TrepTimeProperty::SetValue(const std::string& Value) {
  SetPropValue(rt::Variant(Value.empty() ? 0.0 : rt::StrToTime(Value)));
}

// ---- Start-up ----

void repRegisterPropertyEditors() {
  TrepPropertyEditorCollection& E = PropertyEditors();
  E.Register({rt::tkString, "TComponentName"}, nullptr, "Name", TrepNameProperty::ClassInfo());
  E.Register({rt::tkInteger, "TColor"}, nullptr, "", TrepColorProperty::ClassInfo());
  E.Register({rt::tkClass, "TFont"}, nullptr, "", TrepFontProperty::ClassInfo());
  E.Register({rt::tkString, "TFontName"}, gfx::TFont::ClassInfo(), "Name", TrepFontNameProperty::ClassInfo());
  E.Register({rt::tkInteger, "TFontCharset"}, gfx::TFont::ClassInfo(), "Charset",
             TrepFontCharsetProperty::ClassInfo());
  E.Register({rt::tkInteger, "TModalResult"}, nullptr, "", TrepModalResultProperty::ClassInfo());
  E.Register({rt::tkInteger, "TShortCut"}, nullptr, "", TrepShortCutProperty::ClassInfo());
  E.Register({rt::tkInteger, "TCursor"}, nullptr, "", TrepCursorProperty::ClassInfo());
  E.Register({rt::tkFloat, "TDateTime"}, nullptr, "", TrepDateTimeProperty::ClassInfo());
  E.Register({rt::tkFloat, "TDate"}, nullptr, "", TrepDateProperty::ClassInfo());
  E.Register({rt::tkFloat, "TTime"}, nullptr, "", TrepTimeProperty::ClassInfo());
}

void repUnregisterPropertyEditors() {
  TrepPropertyEditorCollection& E = PropertyEditors();
  for (rt::TClass C : {TrepNameProperty::ClassInfo(), TrepColorProperty::ClassInfo(), TrepFontProperty::ClassInfo(),
                       TrepFontNameProperty::ClassInfo(), TrepFontCharsetProperty::ClassInfo(),
                       TrepModalResultProperty::ClassInfo(), TrepShortCutProperty::ClassInfo(),
                       TrepCursorProperty::ClassInfo(), TrepDateTimeProperty::ClassInfo(),
                       TrepDateProperty::ClassInfo(), TrepTimeProperty::ClassInfo()})
    E.UnRegister(C);
}
