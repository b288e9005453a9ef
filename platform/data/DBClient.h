#pragma once
// A client dataset: one cursor over a shared, read-only table. Each owner (a browser session)
// holds its own TClientDataSet objects, so cursor, index order and range are private to it
// while the rows are loaded once for the whole process.
//
// Record numbers count from 1 in the current order (stored order, or the order of
// IndexFieldNames) within the current range.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/data/Table.h"

namespace data {

// A key or looked-up value: a number or a text.
using TValue = std::variant<double, std::string>;

class TClientDataSet;

// A field of a dataset; reads the dataset's current record. A field object made once (a
// persistent field such as PressureDataSetPMF) follows the cursor of its dataset.
class TField {
public:
  TField() = default;
  // Binds to the named field; raises EDatabaseError when the dataset has no such field.
  TField(const TClientDataSet& dataSet, std::string_view fieldName);
  TField(const TClientDataSet* dataSet, int fieldNo) noexcept : FDataSet(dataSet), FFieldNo(fieldNo) {}

  const std::string& FieldName() const;
  TFieldType DataType() const;
  int Size() const;
  int FieldNo() const noexcept { return FFieldNo; }

  // The current record's value; 0 and empty text when the dataset has no current record.
  // AsFloat of a string field converts its text (EConvertError when it is not a number);
  // AsString of a float field is the general number text with up to 15 significant digits.
  double AsFloat() const;
  std::string AsString() const;

private:
  const TClientDataSet* FDataSet = nullptr;
  int FFieldNo = -1;
};

class TClientDataSet {
public:
  // Opens on the table, positioned on its first record.
  explicit TClientDataSet(std::shared_ptr<const TTable> table);
  TClientDataSet(const TClientDataSet&) = delete;
  TClientDataSet& operator=(const TClientDataSet&) = delete;

  const std::string& Name() const noexcept { return FTable->Name(); }
  const TTable& Table() const noexcept { return *FTable; }

  // Cursor. Next on the last record and Prior on the first stay there and set Eof / Bof.
  int RecordCount() const noexcept { return FHi - FLo; }
  int RecNo() const noexcept { return RecordCount() == 0 ? 0 : FPos - FLo + 1; }
  // Moves to record n (from 1); a number outside 1..RecordCount leaves the cursor where it is.
  void SetRecNo(int n) noexcept;
  void First() noexcept;
  void Last() noexcept;
  void Next() noexcept;
  void Prior() noexcept;
  bool Eof() const noexcept { return FEof; }
  bool Bof() const noexcept { return FBof; }

  // Fields.
  int FieldCount() const noexcept { return FTable->FieldCount(); }
  TField Fields(int index) const;  // EListError when out of range
  TField FieldByName(std::string_view name) const;  // EDatabaseError when missing
  TField FindField(std::string_view name) const noexcept;  // FieldNo() -1 when missing

  // Order. Field names separated by ';' ("SIZE;CV"), ascending, equal keys in stored order;
  // an empty text restores the stored order. Changing the order lifts any range and keeps the
  // current record current.
  const std::string& IndexFieldNames() const noexcept { return FIndexFieldNames; }
  void SetIndexFieldNames(const std::string& names);

  // Range over the leading index fields, both ends included; the cursor goes to the first
  // record in range. Needs an order (EDatabaseError otherwise).
  void SetRange(const std::vector<TValue>& startValues, const std::vector<TValue>& endValues);
  // Lifts the range; the current record stays current.
  void CancelRange() noexcept;

  // Moves to the first record, in the current order and range, whose fields equal the values;
  // False (cursor unchanged) when none does. Texts given for float fields are read as numbers.
  bool Locate(std::string_view keyFields, const std::vector<TValue>& keyValues);
  // The result field of the first matching record without moving the cursor; empty when none.
  std::optional<TValue> Lookup(std::string_view keyFields, const std::vector<TValue>& keyValues,
                               std::string_view resultField) const;
  // Moves to the first record whose leading index fields are at or above the values, or to the
  // last record when all lie below. Needs an order (EDatabaseError otherwise).
  void FindNearest(const std::vector<TValue>& keyValues);

  // The row of the table under the cursor; -1 when there is no current record.
  int CurrentRow() const noexcept;

private:
  std::vector<int> ParseFieldList(std::string_view names) const;
  int RowAt(int pos) const noexcept { return FOrder ? (*FOrder)[static_cast<size_t>(pos)] : pos; }
  // Three-way comparison of a row's fields with key values (as many as given).
  int CompareKey(int row, const std::vector<int>& fields, const std::vector<TValue>& values,
                 const std::vector<double>& numbers) const;
  std::vector<double> KeyNumbers(const std::vector<int>& fields, const std::vector<TValue>& values) const;
  int FindFrom(const std::vector<int>& fields, const std::vector<TValue>& values) const;

  std::shared_ptr<const TTable> FTable;
  std::string FIndexFieldNames;
  const std::vector<int>* FOrder = nullptr;  // owned by the table; nullptr = stored order
  std::vector<int> FIndexFields;
  int FLo = 0, FHi = 0;  // range, as positions in the order: [FLo, FHi)
  int FPos = 0;
  bool FEof = false, FBof = false;
};

} // namespace data
