#pragma once
// The rows of one reference table: typed fields and rows in stored order, read-only once loaded.
// One TTable is shared by every dataset cursor opened on it, in every session, on every thread.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rt/SysUtils.h"

namespace data {

RT_DECLARE_EXCEPTION(EDatabaseError, rt::Exception)

enum class TFieldType { ftFloat, ftString };

struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftFloat;
  int Size = 0;  // characters of a string field; 0 for floats
};

// A table compiled into the program: its name and its CSV text (format: TTable::FromCsv).
struct TTableSource {
  const char* Name;
  const char* Csv;
};

class TTable {
public:
  // Parses a table written as CSV: a header row, then one row per record. Each header cell is
  // "NAME:float" or "NAME:string:SIZE"; cells may be quoted with '"' ("" inside quotes is one
  // quote). Text is UTF-8; a string longer than its field's size (in characters) is rejected,
  // as is a float cell that is not a plain number, so a bad table fails when it is loaded.
  static std::shared_ptr<const TTable> FromCsv(std::string name, std::string_view csv);

  const std::string& Name() const noexcept { return FName; }
  int FieldCount() const noexcept { return static_cast<int>(FFields.size()); }
  const TFieldDef& FieldDef(int field) const { return FFields.at(static_cast<size_t>(field)); }
  // Field number of a name, compared without regard to ASCII letter case; -1 when missing.
  int FindField(std::string_view name) const noexcept;
  int RowCount() const noexcept { return FRowCount; }

  double Float(int row, int field) const {
    return FFloats[static_cast<size_t>(row) * FFields.size() + static_cast<size_t>(field)];
  }
  const std::string& String(int row, int field) const {
    return FStrings[static_cast<size_t>(row) * FFields.size() + static_cast<size_t>(field)];
  }

  // Row numbers ordered ascending by the given fields, equal keys in stored order. Built on
  // first request and kept for the life of the table; safe to call from any thread.
  const std::vector<int>& Index(const std::vector<int>& fields) const;

  // Three-way comparison of two rows on the given fields.
  int CompareRows(int a, int b, const std::vector<int>& fields) const;

private:
  TTable() = default;

  std::string FName;
  std::vector<TFieldDef> FFields;
  int FRowCount = 0;
  // Row-major cells; a float field's strings and a string field's floats stay empty / zero.
  std::vector<double> FFloats;
  std::vector<std::string> FStrings;

  mutable std::mutex FIndexLock;
  mutable std::map<std::vector<int>, std::unique_ptr<const std::vector<int>>> FIndexes;
};

// Number of characters (code points) in UTF-8 text.
size_t Utf8Length(std::string_view s) noexcept;

} // namespace data
