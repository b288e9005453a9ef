#pragma once
// The process-wide registries through which parts of the report engine find each other by
// class: report object classes (with their category and tool-button picture), live export
// filters, and property editors (which editor class edits a property of a given type, class
// and name).
//
// Each registry is made on first use by its accessor. The filter registry is changed by every
// filter that is made or freed, and filters are made and freed inside session requests on
// their own threads, so it guards its list with its own lock; the other two are filled at
// start-up before any session exists.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Font.h"
#include "platform/rt/Classes.h"
#include "platform/rt/Collections.h"
#include "platform/rt/Components.h"
#include "platform/rt/TypInfo.h"

class TrepPropertyEditor;
class TrepComponent;
class TrepReportPage;
class TrepView;

// ---- Export filter base ----

class TrepReport;
class TrepComponent;
class TrepReportPage;
class TrepView;
class TrepCustomIOTransport;

// The base of every export filter. The export driver of the prepared pages calls, per export:
// DoStart (PrepareFileName, Start), then for every page StartPage, ExportObject for each object
// in drawing order and FinishPage, and at the end DoFinish (Finish, OpenExportedFile). A filter
// writes through its transport's stream, or into Stream when the caller set one.
//
// A filter enters the export-filter registry when it is made and leaves it when it is freed,
// unless it was made with the "no register" constructor.
class TrepCustomExportFilter : public rt::TComponent {
public:
  struct NoRegister {};
  explicit TrepCustomExportFilter(rt::TComponent* AOwner = nullptr);
  // Made without owner and kept out of the registry.
  explicit TrepCustomExportFilter(NoRegister);
  ~TrepCustomExportFilter() override;
  TrepCustomExportFilter(const TrepCustomExportFilter&) = delete;
  TrepCustomExportFilter& operator=(const TrepCustomExportFilter&) = delete;

  bool Registered() const { return FRegistered; }

  // ---- operations descendants override ----
  // The end of the document; called once after the last page.
  virtual void Finish() {}
  // Called after Finish; may open the produced file. The server opens nothing.
  virtual void OpenExportedFile() {}
  // Called before Start: a slave export without a name gets a temporary file named after the
  // report; a bare file name is put into DefaultPath.
  virtual void PrepareFileName();
  // Opens the output and writes the document's start; False refuses the export before any page.
  virtual bool Start() { return true; }
  // The format's name for menus.
  static std::string GetDescription() { return {}; }
  // The options dialog; anything but mrOk (1) abandons the export. There are no dialogs here.
  virtual int ShowModal() { return 1; }
  // The transport the filter makes for itself: always a file transport (there is no dialog
  // transport on the server).
  virtual std::unique_ptr<TrepCustomIOTransport> CreateDefaultIOTransport();
  // One object of the page, in drawing order. The base raises EAbstractError.
  virtual void ExportObject(TrepComponent* Obj);
  // Index is the 0-based prepared-page index.
  virtual void FinishPage(TrepReportPage* Page, int Index) { (void)Page; (void)Index; }
  virtual void StartPage(TrepReportPage* Page, int Index) { (void)Page; (void)Index; }
  virtual void BeginClip(TrepView* Obj) { (void)Obj; }
  virtual void EndClip() {}
  virtual bool IsProcessInternal() { return true; }

  // PrepareFileName, then Start; Start's answer.
  bool DoStart();
  // Finish, then OpenExportedFile.
  void DoFinish();

  // ---- options ----
  // The output file. Writing it also points an assigned transport at it (its FileName, and
  // its BasePath to the file's folder).
  const std::string& FileName() const { return FName; }
  void SetFileName(const std::string& Value);
  // The transport the filter made itself, made on first read; writing frees the previous one.
  TrepCustomIOTransport* DefaultIOTransport();
  void SetDefaultIOTransport(std::unique_ptr<TrepCustomIOTransport> Value);

  bool CurPage = false;             // export only the current preview page
  bool ExportNotPrintable = false;  // also export objects that are not printable
  std::string PageNumbers;          // page range such as "1,3-5" or "3-"; empty for all
  // 0-based pages in the order the document takes them, repeats allowed (a print's copies);
  // when not empty it stands in for PageNumbers and CurPage.
  std::vector<int> PageOrder;
  TrepReport* Report = nullptr;     // set by the export driver; not owned
  bool ShowDialog = true;
  rt::TStream* Stream = nullptr;    // the caller's output (not owned); no file is written when set
  bool UseFileCache = true;
  std::string DefaultPath;          // folder for a FileName without one
  bool SlaveExport = false;         // driven by another export: no own file name, no dialog
  bool ShowProgress = true;
  std::string DefaultExt;           // with its point
  std::string FilterDesc;
  bool SuppressPageHeadersFooters = false;
  std::string ExportTitle;
  bool OverwritePrompt = false;
  // Files the export produced.
  std::unique_ptr<rt::TStringList> Files;
  std::function<void(rt::TObject* Sender)> OnBeforeExport;
  std::function<void(rt::TObject* Sender)> OnBeginExport;
  double CreationTime = 0;          // day number; set by the export driver
  bool DataOnly = false;            // only objects standing on data bands
  TrepCustomIOTransport* IOTransport = nullptr;  // in use; not owned
  bool OpenAfterExport = false;

private:
  std::string FName;
  std::unique_ptr<TrepCustomIOTransport> FDefaultIOTransport;
  bool FRegistered;
};

// ---- Object registry ----

enum TrepObjectCategory { ctData, ctReport, ctDialog, ctDMP, ctNone };
// One byte, bit 0 = ctData.
using TrepObjectCategories = std::uint8_t;
constexpr TrepObjectCategories repCategoryBit(TrepObjectCategory C) { return static_cast<TrepObjectCategories>(1u << C); }

class TrepObjectItem : public rt::TCollectionItem {
public:
  using rt::TCollectionItem::TCollectionItem;
  rt::TClass ClassRef = nullptr;     // nullptr for a category entry
  rt::TObject* ButtonBmp = nullptr;  // tool-button picture; not owned
  int ButtonImageIndex = -1;
  std::string ButtonHint;
  std::string CategoryName;
  std::uint16_t Flags = 0;
  TrepObjectCategories Category = 0;
};

class TrepObjectCollection : public rt::TCollection {
public:
  TrepObjectCollection();
  // Nothing happens when the class already stands with the same flags. A class is also entered
  // into the runtime's class registry so that templates can name it; an empty category is
  // derived from the class (data sets and databases: data, dialog controls and components:
  // dialog, anything else: report).
  void RegisterObject1(rt::TClass ClassRef, rt::TObject* ButtonBmp, const std::string& ButtonHint = {},
                       const std::string& CategoryName = {}, std::uint16_t Flags = 0, int ImageIndex = -1,
                       TrepObjectCategories Category = 0);
  void RegisterObject(rt::TClass ClassRef, rt::TObject* ButtonBmp, const std::string& CategoryName = {});
  void RegisterCategory(const std::string& CategoryName, rt::TObject* ButtonBmp, const std::string& ButtonHint,
                        int ImageIndex = -1);
  // Removes every item of the class, whatever its flags.
  void Unregister(rt::TClass ClassRef);
  TrepObjectItem* GetObjectItem(int Index) const;
};

// ---- Export filter registry ----

class TrepExportFilterItem : public rt::TCollectionItem {
public:
  using rt::TCollectionItem::TCollectionItem;
  TrepCustomExportFilter* Filter = nullptr;  // not owned
};

// Every operation takes the registry's lock. A caller that walks the items while other threads
// may make or free filters holds Lock() around the walk.
class TrepExportFilterCollection : public rt::TCollection {
public:
  TrepExportFilterCollection();
  // Nothing for nullptr or for a filter already present.
  void Register(TrepCustomExportFilter* Filter);
  void Unregister(TrepCustomExportFilter* Filter);
  int FilterCount() const;
  TrepExportFilterItem* GetExportFilterItem(int Index) const;
  // The filters in creation order, taken under the lock.
  std::vector<TrepCustomExportFilter*> Filters() const;
  std::recursive_mutex& Lock() const { return FLock; }

private:
  mutable std::recursive_mutex FLock;
};

// ---- Property editor registry ----

using TrepPropertyEditorClass = rt::TClass;

// The type of a property as the registry matches it: kind and type name ("TColor", "TFont",
// "TrepNotifyEvent"); an empty name stands for no type (the event editor's entry).
struct TrepPropertyType {
  rt::TTypeKind Kind = rt::tkUnknown;
  std::string Name;
};

class TrepPropertyEditorItem : public rt::TCollectionItem {
public:
  using rt::TCollectionItem::TCollectionItem;
  TrepPropertyType PropertyType;
  rt::TClass ComponentClass = nullptr;
  std::string PropertyName;  // empty for any name
  TrepPropertyEditorClass EditorClass = nullptr;
};

class TrepPropertyEditorCollection : public rt::TCollection {
public:
  TrepPropertyEditorCollection();
  // Duplicates are accepted.
  void Register(const TrepPropertyType& PropertyType, rt::TClass ComponentClass, const std::string& PropertyName,
                TrepPropertyEditorClass EditorClass);
  void RegisterEventEditor(TrepPropertyEditorClass EditorClass);
  // Removes every item of the editor class; the event editor's index follows the removal (and
  // becomes -1 when the event editor itself goes).
  void UnRegister(TrepPropertyEditorClass EditorClass);
  // The index of the item to use, or -1: a report event type takes the event editor; a name
  // match (by type, or by class) wins over a type match; among type matches the first
  // registered.
  int GetPropertyEditor(const TrepPropertyType& PropertyType, rt::TObject* Component,
                        std::string_view PropertyName) const;
  TrepPropertyEditorItem* GetPropertyEditorItem(int Index) const;
  int EventEditorItem() const { return FEventEditorItem; }

private:
  int FEventEditorItem = -1;
};

// ---- The three registries ----

TrepObjectCollection& ReportObjects();
TrepPropertyEditorCollection& PropertyEditors();
TrepExportFilterCollection& ExportFilters();
// Frees the three registries (the next use makes them anew). Filters that still live are
// simply forgotten.
void repDoneRegistries();

// ---- Property editors ----

// The designer a property editor works for; the server has none.
class TrepCustomDesigner;

enum TrepPropertyAttribute { paValueList, paSortList, paDialog, paMultiSelect, paSubProperties, paReadOnly, paOwnerDraw };
using TrepPropertyAttributes = unsigned;
constexpr TrepPropertyAttributes repAttr(TrepPropertyAttribute A) { return 1u << A; }

// The base of the editors a designer uses for one property of one or more components (the
// components and their property descriptions at the same positions). Values are read from the
// first component and written to every component whose property can be written.
class TrepPropertyEditor : public rt::TObject {
public:
  RT_CLASS_INFO(TrepPropertyEditor)
  explicit TrepPropertyEditor(TrepCustomDesigner* Designer = nullptr) : FDesigner(Designer) {}
  // Sets the next offered value after the current one (the first after the last or an unknown
  // one); false when nothing is offered.
  virtual bool Edit();
  virtual TrepPropertyAttributes GetAttributes() const { return repAttr(paMultiSelect); }
  virtual std::string GetName() const;
  virtual int GetExtraLBSize() const { return FItemHeight + 2; }
  virtual std::string GetValue() { return "(Unknown)"; }
  // Fills Values(); sorted when the attributes ask for it.
  virtual void GetValues();
  virtual void SetValue(const std::string& Value) { (void)Value; }

  void Add(rt::TObject* Component, const rt::TPropInfo* Prop) {
    FCompList.push_back(Component);
    FPropList.push_back(Prop);
  }
  rt::TObject* Component() const { return FCompList.empty() ? nullptr : FCompList[0]; }
  const rt::TPropInfo* PropInfo() const { return FPropList.empty() ? nullptr : FPropList[0]; }
  TrepCustomDesigner* Designer() const { return FDesigner; }
  rt::TStringList& Values() { return FValues; }
  int ItemHeight() const { return FItemHeight; }
  void SetItemHeight(int Value) { FItemHeight = Value; }

protected:
  rt::Variant GetPropValue() const;
  // Sorts the values when the attributes ask for it; the end of every GetValues.
  void SortValues();
  // Writes every component whose property has a writer.
  void SetPropValue(const rt::Variant& Value);

  TrepCustomDesigner* FDesigner;
  std::vector<rt::TObject*> FCompList;
  std::vector<const rt::TPropInfo*> FPropList;
  rt::TStringList FValues;
  int FItemHeight = 0;
};

class TrepIntegerProperty : public TrepPropertyEditor {
public:
  RT_CLASS_INFO(TrepIntegerProperty)
  using TrepPropertyEditor::TrepPropertyEditor;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;  // rt::EConvertError for no integer
};

class TrepStringProperty : public TrepPropertyEditor {
public:
  RT_CLASS_INFO(TrepStringProperty)
  using TrepPropertyEditor::TrepPropertyEditor;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

class TrepClassProperty : public TrepPropertyEditor {
public:
  RT_CLASS_INFO(TrepClassProperty)
  using TrepPropertyEditor::TrepPropertyEditor;
  TrepPropertyAttributes GetAttributes() const override {
    return repAttr(paMultiSelect) | repAttr(paSubProperties) | repAttr(paReadOnly);
  }
  std::string GetValue() override;  // "(TFont)"
};

class TrepNameProperty : public TrepStringProperty {
public:
  RT_CLASS_INFO(TrepNameProperty)
  using TrepStringProperty::TrepStringProperty;
  TrepPropertyAttributes GetAttributes() const override { return 0; }
};

class TrepModalResultProperty : public TrepIntegerProperty {
public:
  RT_CLASS_INFO(TrepModalResultProperty)
  using TrepIntegerProperty::TrepIntegerProperty;
  TrepPropertyAttributes GetAttributes() const override { return repAttr(paValueList) | repAttr(paMultiSelect); }
  std::string GetValue() override;
  void GetValues() override;
  void SetValue(const std::string& Value) override;
};

// Key combinations: the key code with 0x2000 for Shift, 0x4000 for Ctrl, 0x8000 for Alt.
class TrepShortCutProperty : public TrepPropertyEditor {
public:
  RT_CLASS_INFO(TrepShortCutProperty)
  using TrepPropertyEditor::TrepPropertyEditor;
  TrepPropertyAttributes GetAttributes() const override { return repAttr(paValueList) | repAttr(paMultiSelect); }
  std::string GetValue() override;
  void GetValues() override;
  void SetValue(const std::string& Value) override;  // rt::EConvertError for an unknown text
};

// "Ctrl+A", "Shift+Ctrl+F1", "Alt+BkSp"; empty for 0 or an unknown key.
std::string repShortCutToText(int ShortCut);
// The reverse; 0 for a text that names no key combination.
int repTextToShortCut(std::string_view Text);

// ---- Colours, fonts, cursors and dates ----

// A name of the platform with its value (character sets, cursors).
struct TrepIdentValue {
  const char* Name;
  int Value;
};

// The colour dialog of a host with a screen: opened on Color, true for OK with the chosen
// colour in Color.
using TrepColorDialog = std::function<bool(gfx::TColor& Color)>;

// Colours by name ("clRed") or number ("$00C08040").
class TrepColorProperty : public TrepIntegerProperty {
public:
  RT_CLASS_INFO(TrepColorProperty)
  using TrepIntegerProperty::TrepIntegerProperty;
  TrepPropertyAttributes GetAttributes() const override {
    return repAttr(paValueList) | repAttr(paMultiSelect) | repAttr(paOwnerDraw);
  }
  // Opens ColorDialog on the current colour and writes the chosen one on OK; false without a
  // dialog (the server has none), without a component or when cancelled.
  bool Edit() override;
  std::string GetValue() override;
  // The colour names in the platform's order.
  void GetValues() override;
  void SetValue(const std::string& Value) override;  // rt::EConvertError for no name or number
  TrepColorDialog ColorDialog;
};

// What the font dialog offers: the dialog's defaults (effects) with screen and printer fonts and
// only fonts that exist.
struct TrepFontDialogOptions {
  bool Effects = true;
  bool ScreenFonts = true;
  bool PrinterFonts = true;
  bool ForceFontExist = true;
};
// The font dialog of a host with a screen: opened on Font, true for OK with the chosen font in
// Font.
using TrepFontDialog = std::function<bool(gfx::TFont& Font, const TrepFontDialogOptions& Options)>;

class TrepFontProperty : public TrepClassProperty {
public:
  RT_CLASS_INFO(TrepFontProperty)
  using TrepClassProperty::TrepClassProperty;
  TrepPropertyAttributes GetAttributes() const override {
    return repAttr(paDialog) | repAttr(paMultiSelect) | repAttr(paSubProperties) | repAttr(paReadOnly);
  }
  // Opens FontDialog on the first component's font; on OK the chosen font goes to every edited
  // component's font, keeping the former character set when the symbol set (2) was chosen.
  // False without a dialog, without a font or when cancelled.
  bool Edit() override;
  TrepFontDialog FontDialog;
};

class TrepFontNameProperty : public TrepStringProperty {
public:
  RT_CLASS_INFO(TrepFontNameProperty)
  using TrepStringProperty::TrepStringProperty;
  TrepPropertyAttributes GetAttributes() const override {
    return repAttr(paValueList) | repAttr(paSortList) | repAttr(paMultiSelect);
  }
  // The font layer's family names, sorted.
  void GetValues() override;
};

class TrepFontCharsetProperty : public TrepIntegerProperty {
public:
  RT_CLASS_INFO(TrepFontCharsetProperty)
  using TrepIntegerProperty::TrepIntegerProperty;
  TrepPropertyAttributes GetAttributes() const override {
    return repAttr(paValueList) | repAttr(paSortList) | repAttr(paMultiSelect);
  }
  std::string GetValue() override;  // the set's name, else its number
  void GetValues() override;
  // A set's name (letter case ignored) or a number 0 to 255; rt::EConvertError otherwise.
  void SetValue(const std::string& Value) override;
};

class TrepCursorProperty : public TrepIntegerProperty {
public:
  RT_CLASS_INFO(TrepCursorProperty)
  using TrepIntegerProperty::TrepIntegerProperty;
  TrepPropertyAttributes GetAttributes() const override {
    return repAttr(paValueList) | repAttr(paSortList) | repAttr(paMultiSelect);
  }
  std::string GetValue() override;  // the cursor's name, else its number
  void GetValues() override;
  void SetValue(const std::string& Value) override;  // a name (letter case ignored) or an integer
};

// Date-times in the runtime's texts ("m/d/yyyy h:nn:ss AM"); 0 stands for no date and shows
// empty. A text that is no date raises the runtime's rt::EConvertError.
class TrepDateTimeProperty : public TrepPropertyEditor {
public:
  RT_CLASS_INFO(TrepDateTimeProperty)
  using TrepPropertyEditor::TrepPropertyEditor;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

class TrepDateProperty : public TrepPropertyEditor {
public:
  RT_CLASS_INFO(TrepDateProperty)
  using TrepPropertyEditor::TrepPropertyEditor;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

class TrepTimeProperty : public TrepPropertyEditor {
public:
  RT_CLASS_INFO(TrepTimeProperty)
  using TrepPropertyEditor::TrepPropertyEditor;
  std::string GetValue() override;
  void SetValue(const std::string& Value) override;
};

// The character sets of fonts ("ANSI_CHARSET" 0 ... "OEM_CHARSET" 255) and the cursors
// ("crDefault" 0, "crNone" -1 ... "crSizeAll" -22), each value named once.
std::span<const TrepIdentValue> repCharsetNames();
std::span<const TrepIdentValue> repCursorNames();
// The name of a value; empty when it has none.
std::string repValueToIdent(std::span<const TrepIdentValue> Names, int Value);
// The value of a name, letter case ignored; false when it is not in the list.
bool repIdentToValue(std::span<const TrepIdentValue> Names, std::string_view Name, int& Value);

// The engine's start-up and its end: the property editors in their order, and their removal.
void repRegisterPropertyEditors();
void repUnregisterPropertyEditors();
