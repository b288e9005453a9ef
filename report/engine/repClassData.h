#pragma once
// Dialog components and controls, datasets, a report's dataset lists and the process-wide
// dataset list (repClassData.cpp).
#include "platform/rt/Collections.h"
#include "platform/rt/Controls.h"
#include "report/engine/repClassComponent.h"

class TrepReport;

// ---- Dialog components and datasets ----

// A non-visual component on a page (a 28 by 28 icon in the designer).
class TrepDialogComponent : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepDialogComponent)
  explicit TrepDialogComponent(rt::TComponent* AOwner);
  // The designer's icon only; nothing outside the designer.
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  int ImageIndex = 0;
};

// A report object that wraps a runtime control (platform/rt/Controls.h) and mirrors its bounds
// (scaled to CurrentPPI), font, visibility, anchors and parent to it; Enabled, Hint, ShowHint,
// Caption, Color and TabStop live in the control. The control's events run the object's script
// events. A control outside any dialog page or dialog control sits on the hidden parent form.
class TrepDialogControl : public TrepReportComponent {
public:
  RT_CLASS_INFO(TrepDialogControl)
  explicit TrepDialogControl(rt::TComponent* AOwner);
  // The report object first, then the control.
  ~TrepDialogControl() override;
  void Draw(gfx::TCanvas& Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
  bool IsAcceptAsChild(TrepComponent* AParent) override;
  bool IsAcceptControls() const override;
  // Every child dialog control first, then this one; the control's bounds follow.
  virtual void UpdateControlsPPI(int NewPPI);

  rt::TControl* Control() const { return FControl.get(); }
  void SetLeft(double Value) override;
  void SetTop(double Value) override;
  void SetWidth(double Value) override;
  void SetHeight(double Value) override;
  void SetVisible(bool Value) override;
  void SetAnchors(TrepAnchors Value) override;
  void SetParentFont(bool Value) override;
  void SetParent(TrepComponent* Value) override;
  // A control showing its name as caption keeps doing so, unless the report is loading.
  void SetName(std::string_view Value) override;

  bool Enabled() const { return FControl->Enabled(); }
  void SetEnabled(bool Value) { FControl->SetEnabled(Value); }
  std::string Hint() const { return FControl->Hint; }
  void SetHint(const std::string& Value) { FControl->Hint = Value; }
  bool ShowHint() const { return FControl->ShowHint; }
  void SetShowHint(bool Value) { FControl->ShowHint = Value; }
  std::string Caption() const { return FControl->Caption(); }
  void SetCaption(const std::string& Value) { FControl->SetCaption(Value); }
  gfx::TColor Color() const { return FControl->Color(); }
  void SetColor(gfx::TColor Value) { FControl->SetColor(Value); }
  // A control without a window of its own reads True and ignores writes.
  bool TabStop() const;
  void SetTabStop(bool Value);

  int CurrentPPI = 96;
  TrepNotifyEvent OnClick, OnDblClick, OnEnter, OnExit, OnKeyDown, OnKeyPress, OnKeyUp, OnMouseDown, OnMouseMove,
      OnMouseUp;
  // The change of an edit's, memo's, combo box's text or choice.
  TrepNotifyEvent OnChange;
  TrepNotifyEventHandler OnActivate;

protected:
  // Takes the control (owned): it gets the object's name, bounds, font, visibility, anchors and
  // parent, and its events run the object's script events.
  void SetControl(std::unique_ptr<rt::TControl> AControl);
  void FontChanged() override;

private:
  void ApplyBounds();
  void ConnectEvents();
  // The control's parent for the object's parent.
  rt::TWinControl* ControlParentFor(TrepComponent* Value) const;
  void PlaceControl(rt::TWinControl* Parent);
  std::unique_ptr<rt::TControl> FControl;
};

// The hidden form that holds dialog controls outside any dialog page; one per process. Moving a
// control on or off it is serialised (PlaceOnParentForm), since every thread loading a report
// passes its controls through it.
class TParentForm : public rt::TForm {
public:
  RT_CLASS_INFO(TParentForm)
  using rt::TForm::TForm;
};
TParentForm& ParentFormInstance();

enum TrepRangeBegin { rbFirst, rbCurrent };
enum TrepRangeEnd { reLast, reCurrent, reCount };
enum TrepFieldType { fftNumeric, fftString, fftBoolean, fftDateTime };

// The cursor the layout engine walks: First, Next, Eof, values by field name. Every dataset is
// listed in the process-wide dataset list while it exists.
class TrepDataSet : public TrepDialogComponent {
public:
  RT_CLASS_INFO(TrepDataSet)
  explicit TrepDataSet(rt::TComponent* AOwner);
  ~TrepDataSet() override;

  virtual std::u16string GetDisplayText(const std::string& Index) { (void)Index; return {}; }
  virtual int GetDisplayWidth(const std::string& Index) { (void)Index; return 10; }
  virtual TrepFieldType GetFieldType(const std::string& Index) { (void)Index; return fftNumeric; }
  virtual rt::Variant GetValue(const std::string& Index) { (void)Index; return rt::Variant::Null(); }
  const std::string& UserName() const { return FUserName; }
  // A name that is blank after trimming raises ("prInvProp").
  virtual void SetUserName(const std::string& Value);
  virtual void Initialize() {}
  virtual void Finalize() {}
  virtual void Open();
  virtual void Close();
  virtual void First();
  virtual void Next();
  virtual void Prior();
  virtual bool Eof();
  virtual int FieldsCount() { return 0; }
  virtual bool IsBlobField(const std::string& fName) { (void)fName; return false; }
  virtual bool IsWideMemoBlobField(const std::string& fName) { (void)fName; return false; }
  virtual bool IsHasMaster() { return false; }
  virtual int RecordCount();
  virtual void AssignBlobTo(const std::string& fName, rt::TObject* Obj) { (void)fName; (void)Obj; }
  virtual void GetFieldList(rt::TStrings& List) { List.Clear(); }
  bool HasField(const std::string& fName);
  // True when the dataset can tell where its data ends: a count range, an end check, or a
  // class that knows its own end.
  virtual bool CanEnd() const;
  // First, then Next until Eof, calling Visit for each record. A dataset that cannot end, or
  // that has not ended after Limit records, raises instead of looping for ever.
  void ForEach(const std::function<void()>& Visit, int Limit = 10'000'000);
  // An empty name keeps UserName; a first name also becomes the UserName.
  void SetName(std::string_view Value) override;

  bool CloseDataSource = false;
  bool Enabled = true;
  bool OpenDataSource = true;
  TrepRangeBegin RangeBegin = rbFirst;
  TrepRangeEnd RangeEnd = reLast;
  int RangeEndCount = 0;
  TrepReport* ReportRef = nullptr;
  std::function<void(rt::TObject* Sender, bool& Eof)> OnCheckEOF;
  TrepNotifyEventHandler OnFirst, OnNext, OnPrior, OnOpen, OnClose;
  bool Initialized = false;
  int RecNo() const { return FRecNo; }
  // Distinguishes this dataset from any later one at the same address.
  std::uint64_t Serial() const { return FSerial; }

protected:
  // The number of records the class itself holds, -1 when only the range or the application
  // knows the end. Next never steps past it: a footer printed after the data still reads the
  // last record.
  virtual int HeldRecordCount() const { return -1; }

  bool FEof = false;
  int FRecNo = 0;

private:
  std::string FUserName;
  std::uint64_t FSerial;
};

// A dataset whose fields and values come from the application's handlers.
class TrepUserDataSet : public TrepDataSet {
public:
  RT_CLASS_INFO(TrepUserDataSet)
  using TrepDataSet::TrepDataSet;
  std::u16string GetDisplayText(const std::string& Index) override;
  rt::Variant GetValue(const std::string& Index) override;
  int FieldsCount() override { return Fields.Count(); }
  void GetFieldList(rt::TStrings& List) override { List.Assign(Fields); }
  bool IsBlobField(const std::string& fName) override;
  void AssignBlobTo(const std::string& fName, rt::TObject* Obj) override;
  void SetFields(const rt::TStrings& Value) { Fields.Assign(Value); }

  rt::TStringList Fields;
  std::function<void(const std::string& VarName, rt::Variant& Value)> OnGetValue;
  std::function<void(rt::TObject* Sender, const std::string& VarName, rt::Variant& Value)> OnNewGetValue;
  std::function<void(rt::TObject* Sender, const std::string& FieldName, rt::TObject* AssignTo)> OnGetBlobValue;
  std::function<bool(rt::TObject* Sender, const std::string& FieldName)> OnIsBlobField;
};

// A dataset filled by code: rows of values under named fields, walked in order. It ends on
// its last row.
class TrepMemoryDataSet : public TrepDataSet {
public:
  RT_CLASS_INFO(TrepMemoryDataSet)
  using TrepDataSet::TrepDataSet;
  std::u16string GetDisplayText(const std::string& Index) override;
  rt::Variant GetValue(const std::string& Index) override;
  TrepFieldType GetFieldType(const std::string& Index) override;
  int FieldsCount() override { return Fields.Count(); }
  void GetFieldList(rt::TStrings& List) override { List.Assign(Fields); }
  bool Eof() override;
  int RecordCount() override;
  bool CanEnd() const override { return true; }
  // Appends a row; values beyond the fields are dropped, missing ones are Null.
  void AppendRow(const std::vector<rt::Variant>& Values);
  void ClearRows() { FRows.clear(); }
  int RowCount() const { return static_cast<int>(FRows.size()); }

  rt::TStringList Fields;

protected:
  int HeldRecordCount() const override { return RowCount(); }

private:
  std::vector<std::vector<rt::Variant>> FRows;
};

// The base of datasets wrapping a database table, with field aliases ("field=alias" lines).
class TrepCustomDBDataSet : public TrepDataSet {
public:
  RT_CLASS_INFO(TrepCustomDBDataSet)
  explicit TrepCustomDBDataSet(rt::TComponent* AOwner);
  int FieldsCount() override;
  // The alias of the first line naming fName; fName itself when none.
  std::string GetAlias(const std::string& fName) const;
  // The field whose alias is fName; fName itself when none.
  std::string ConvertAlias(const std::string& fName) const;
  void SetFieldAliases(const rt::TStrings& Value) { FieldAliases.Assign(Value); }
  rt::TStringList FieldAliases;
  rt::TStringList FieldsList;
};

// The base of database connections; descendants for a database engine implement it.
class TrepCustomDatabase : public TrepDialogComponent {
public:
  RT_CLASS_INFO(TrepCustomDatabase)
  using TrepDialogComponent::TrepDialogComponent;
  virtual void SetConnected(bool Value) { (void)Value; }
  virtual void SetDatabaseName(const std::string& Value) { (void)Value; }
  virtual void SetLoginPrompt(bool Value) { (void)Value; }
  virtual void SetParams(rt::TStrings* Value) { (void)Value; }
  virtual bool GetConnected() { return false; }
  virtual std::string GetDatabaseName() { return {}; }
  virtual bool GetLoginPrompt() { return false; }
  virtual rt::TStrings* GetParams() { return nullptr; }
  virtual std::u16string ToString() { return {}; }
  virtual void FromString(const std::u16string& Connection) { (void)Connection; }
  virtual void SetLogin(const std::string& Login, const std::string& Password) { (void)Login; (void)Password; }
};

// One dataset a report uses.
class TrepDataSetItem : public rt::TCollectionItem {
public:
  RT_CLASS_INFO(TrepDataSetItem)
  explicit TrepDataSetItem(rt::TCollection* ACollection) : rt::TCollectionItem(ACollection) {}
  // Checked on use: nullptr once the dataset is gone.
  TrepDataSet* DataSet() const;
  // Also sets DataSetName to the dataset's user name.
  void SetDataSet(TrepDataSet* Value);
  // The dataset's user name when one is set, else the stored name.
  std::string DataSetName() const;
  // An empty name unbinds; another binds the dataset the list's report finds by that name.
  void SetDataSetName(const std::string& Value);

private:
  TrepDataSetLink FDataSet;
};

// The datasets a report uses (its DataSets and EnabledDataSets lists).
class TrepReportDataSets : public rt::TCollection {
public:
  explicit TrepReportDataSets(TrepReport* AReport);
  TrepReport* Report() const { return FReport; }
  TrepDataSetItem* Items(int Index) const { return static_cast<TrepDataSetItem*>(rt::TCollection::Items(Index)); }
  TrepDataSetItem* operator[](int Index) const { return Items(Index); }
  // Each dataset takes the report and is initialized / finalized.
  void Initialize();
  void Finalize();
  void Add(TrepDataSet* ds);
  TrepDataSetItem* Find(const TrepDataSet* ds) const;
  // By the dataset's user name, else its component name, letter case ignored.
  TrepDataSetItem* Find(const std::string& Name) const;
  // Frees the first item whose dataset's user name is Name.
  void Delete(const std::string& Name);
  using rt::TCollection::Delete;

private:
  TrepReport* FReport;
};

// The process-wide dataset list: every dataset while it exists.
std::recursive_mutex& GlobalDataSetListLock();
// True when the dataset with that serial still exists.
bool IsLiveDataSet(const TrepDataSet* DataSet, std::uint64_t Serial);
// nullptr for an empty name; DataSet itself when Component is nullptr or nothing matches;
// otherwise the first listed dataset whose UserName equals Name (letter case ignored) and that
// does not belong to another report when Component is a report.
TrepDataSet* FindDataSetInGlobalList(TrepDataSet* DataSet, const std::string& Name, TrepComponent* Component);
// A report that goes: no dataset keeps it as ReportRef.
void ForgetReportInDataSets(const TrepReport* Report);
// Every enabled dataset with a user name, as name and object.
void ListGlobalDataSets(rt::TStrings& List);
// The dataset of that name as the component's report sees it: its own dataset list, or the
// global list when the report says so or there is no report.
TrepDataSet* FindDataSet(TrepComponent* Component, TrepDataSet* DataSet, const std::string& DSName);
