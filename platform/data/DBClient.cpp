#include "platform/data/DBClient.h"

#include <algorithm>

namespace data {

// ---- TField ----

TField::TField(const TClientDataSet& dataSet, std::string_view fieldName)
    : FDataSet(&dataSet), FFieldNo(dataSet.FieldByName(fieldName).FieldNo()) {}

const std::string& TField::FieldName() const { return FDataSet->Table().FieldDef(FFieldNo).Name; }
TFieldType TField::DataType() const { return FDataSet->Table().FieldDef(FFieldNo).DataType; }
int TField::Size() const { return FDataSet->Table().FieldDef(FFieldNo).Size; }

double TField::AsFloat() const {
  int row = FDataSet->CurrentRow();
  if (row < 0) return 0;
  const TTable& t = FDataSet->Table();
  if (t.FieldDef(FFieldNo).DataType == TFieldType::ftFloat) return t.Float(row, FFieldNo);
  const std::string& s = t.String(row, FFieldNo);
  return rt::StrToFloat(s);
}

std::string TField::AsString() const {
  int row = FDataSet->CurrentRow();
  if (row < 0) return std::string();
  const TTable& t = FDataSet->Table();
  if (t.FieldDef(FFieldNo).DataType == TFieldType::ftString) return t.String(row, FFieldNo);
  return rt::FloatToStr(t.Float(row, FFieldNo));
}

// ---- TClientDataSet ----

TClientDataSet::TClientDataSet(std::shared_ptr<const TTable> table) : FTable(std::move(table)) {
  FHi = FTable->RowCount();
  First();
}

int TClientDataSet::CurrentRow() const noexcept {
  return RecordCount() == 0 ? -1 : RowAt(FPos);
}

void TClientDataSet::SetRecNo(int n) noexcept {
  if (n < 1 || n > RecordCount()) return;
  FPos = FLo + n - 1;
  FEof = FBof = false;
}

void TClientDataSet::First() noexcept {
  FPos = FLo;
  FBof = true;
  FEof = RecordCount() == 0;
}

void TClientDataSet::Last() noexcept {
  FPos = std::max(FLo, FHi - 1);
  FEof = true;
  FBof = RecordCount() == 0;
}

void TClientDataSet::Next() noexcept {
  FBof = false;
  if (FPos + 1 < FHi)
    ++FPos;
  else
    FEof = true;
}

void TClientDataSet::Prior() noexcept {
  FEof = false;
  if (FPos > FLo)
    --FPos;
  else
    FBof = true;
}

TField TClientDataSet::Fields(int index) const {
  if (index < 0 || index >= FieldCount())
    throw rt::EListError("List index out of bounds (" + std::to_string(index) + ")");
  return TField(this, index);
}

TField TClientDataSet::FieldByName(std::string_view name) const {
  int f = FTable->FindField(name);
  if (f < 0) throw EDatabaseError(Name() + ": Field '" + std::string(name) + "' not found");
  return TField(this, f);
}

TField TClientDataSet::FindField(std::string_view name) const noexcept {
  return TField(this, FTable->FindField(name));
}

std::vector<int> TClientDataSet::ParseFieldList(std::string_view names) const {
  std::vector<int> fields;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string_view::npos) end = names.size();
    std::string name = rt::Trim(names.substr(start, end - start));
    if (!name.empty()) fields.push_back(FieldByName(name).FieldNo());
    start = end + 1;
  }
  return fields;
}

void TClientDataSet::SetIndexFieldNames(const std::string& names) {
  std::vector<int> fields = ParseFieldList(names);
  int row = CurrentRow();
  FIndexFieldNames = names;
  FIndexFields = fields;
  FOrder = fields.empty() ? nullptr : &FTable->Index(fields);
  FLo = 0;
  FHi = FTable->RowCount();
  FPos = 0;
  if (row >= 0 && FOrder) {
    FPos = static_cast<int>(std::find(FOrder->begin(), FOrder->end(), row) - FOrder->begin());
  } else if (row >= 0) {
    FPos = row;
  }
  FEof = FBof = false;
  if (RecordCount() == 0) First();
}

std::vector<double> TClientDataSet::KeyNumbers(const std::vector<int>& fields,
                                               const std::vector<TValue>& values) const {
  // Texts given for float fields become numbers once, before any row is compared.
  std::vector<double> numbers(values.size(), 0.0);
  for (size_t i = 0; i < values.size() && i < fields.size(); ++i) {
    if (FTable->FieldDef(fields[i]).DataType != TFieldType::ftFloat) continue;
    if (const double* d = std::get_if<double>(&values[i]))
      numbers[i] = *d;
    else
      numbers[i] = rt::StrToFloat(std::get<std::string>(values[i]));
  }
  return numbers;
}

int TClientDataSet::CompareKey(int row, const std::vector<int>& fields,
                               const std::vector<TValue>& values,
                               const std::vector<double>& numbers) const {
  size_t n = std::min(fields.size(), values.size());
  for (size_t i = 0; i < n; ++i) {
    int f = fields[i];
    int c;
    if (FTable->FieldDef(f).DataType == TFieldType::ftFloat) {
      double x = FTable->Float(row, f), y = numbers[i];
      c = x < y ? -1 : (x > y ? 1 : 0);
    } else {
      const std::string key = std::holds_alternative<std::string>(values[i])
                                  ? std::get<std::string>(values[i])
                                  : rt::FloatToStr(std::get<double>(values[i]));
      int r = FTable->String(row, f).compare(key);
      c = r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    if (c != 0) return c;
  }
  return 0;
}

void TClientDataSet::SetRange(const std::vector<TValue>& startValues,
                              const std::vector<TValue>& endValues) {
  if (FIndexFields.empty()) throw EDatabaseError(Name() + ": No index currently active");
  if (startValues.size() > FIndexFields.size() || endValues.size() > FIndexFields.size())
    throw EDatabaseError(Name() + ": Too many key values for the index");
  const int n = FTable->RowCount();
  // The order is sorted on the index fields, so the range is one contiguous run.
  const std::vector<double> startNumbers = KeyNumbers(FIndexFields, startValues);
  const std::vector<double> endNumbers = KeyNumbers(FIndexFields, endValues);
  int lo = 0;
  while (lo < n && CompareKey(RowAt(lo), FIndexFields, startValues, startNumbers) < 0) ++lo;
  int hi = lo;
  while (hi < n && CompareKey(RowAt(hi), FIndexFields, endValues, endNumbers) <= 0) ++hi;
  FLo = lo;
  FHi = hi;
  First();
}

void TClientDataSet::CancelRange() noexcept {
  int row = CurrentRow();
  FLo = 0;
  FHi = FTable->RowCount();
  if (row < 0) {
    First();
    return;
  }
  if (FOrder)
    FPos = static_cast<int>(std::find(FOrder->begin(), FOrder->end(), row) - FOrder->begin());
  else
    FPos = row;
  FEof = FBof = false;
}

int TClientDataSet::FindFrom(const std::vector<int>& fields, const std::vector<TValue>& values) const {
  if (values.size() != fields.size())
    throw EDatabaseError(Name() + ": " + std::to_string(values.size()) + " key values for " +
                         std::to_string(fields.size()) + " key fields");
  const std::vector<double> numbers = KeyNumbers(fields, values);
  for (int pos = FLo; pos < FHi; ++pos)
    if (CompareKey(RowAt(pos), fields, values, numbers) == 0) return pos;
  return -1;
}

bool TClientDataSet::Locate(std::string_view keyFields, const std::vector<TValue>& keyValues) {
  int pos = FindFrom(ParseFieldList(keyFields), keyValues);
  if (pos < 0) return false;
  FPos = pos;
  FEof = FBof = false;
  return true;
}

std::optional<TValue> TClientDataSet::Lookup(std::string_view keyFields,
                                             const std::vector<TValue>& keyValues,
                                             std::string_view resultField) const {
  int result = FieldByName(resultField).FieldNo();
  int pos = FindFrom(ParseFieldList(keyFields), keyValues);
  if (pos < 0) return std::nullopt;
  int row = RowAt(pos);
  if (FTable->FieldDef(result).DataType == TFieldType::ftFloat) return TValue(FTable->Float(row, result));
  return TValue(FTable->String(row, result));
}

void TClientDataSet::FindNearest(const std::vector<TValue>& keyValues) {
  if (FIndexFields.empty()) throw EDatabaseError(Name() + ": No index currently active");
  if (keyValues.size() > FIndexFields.size())
    throw EDatabaseError(Name() + ": Too many key values for the index");
  if (RecordCount() == 0) return;
  const std::vector<double> numbers = KeyNumbers(FIndexFields, keyValues);
  int pos = FLo;
  while (pos < FHi && CompareKey(RowAt(pos), FIndexFields, keyValues, numbers) < 0) ++pos;
  FPos = std::min(pos, FHi - 1);
  FEof = FBof = false;
}

} // namespace data
