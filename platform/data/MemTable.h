#pragma once
// A memory table that is filled at run time, and the batch-move components that fill it from a
// delimited text file: a reader that parses the file against its field definitions, a writer
// that names the destination table, and the batch move that runs one over the other.
//
// Unlike the reference tables (Table.h), a memory table owns its rows: each owner (a browser
// session) has its own rows and cursor.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/data/Table.h"

namespace data {

enum class TMemFieldType { ftString, ftLargeint };

struct TMemFieldDef {
  std::string Name;
  TMemFieldType DataType = TMemFieldType::ftString;
  int Size = 0;  // characters of a string field; 0 for integers
};

// One cell: no value (null), a 64-bit integer or a text.
using TMemValue = std::variant<std::monostate, std::int64_t, std::string>;

class TFDMemTable;

// A field of a memory table; reads the table's current record.
class TMemField {
public:
  TMemField(const TFDMemTable* table, int fieldNo) noexcept : FTable(table), FFieldNo(fieldNo) {}
  const std::string& FieldName() const;
  int FieldNo() const noexcept { return FFieldNo; }
  TMemFieldType DataType() const;
  int Size() const;
  // Null when the table has no current record or the cell holds no value.
  bool IsNull() const;
  // Empty for null; an integer as its decimal text.
  std::string AsString() const;
  // 0 for null; EConvertError for a text that is not an integer.
  std::int64_t AsLargeInt() const;

private:
  const TMemValue& Value() const;
  const TFDMemTable* FTable;
  int FFieldNo;
};

class TFDMemTable {
public:
  TFDMemTable() = default;
  TFDMemTable(const TFDMemTable&) = delete;
  TFDMemTable& operator=(const TFDMemTable&) = delete;

  // Persistent fields, set up once by the owner; adding a field empties the table.
  void AddField(std::string name, TMemFieldType type, int size = 0);
  int FieldCount() const noexcept { return static_cast<int>(FFields.size()); }
  const TMemFieldDef& FieldDef(int field) const { return FFields.at(static_cast<size_t>(field)); }
  // Field number of a name, without regard to ASCII letter case; -1 when missing.
  int FindFieldNo(std::string_view name) const noexcept;
  TMemField FieldByName(std::string_view name) const;  // EDatabaseError when missing

  // Rows. Replacing them checks every value against its field (type, text length) first and
  // changes nothing when one does not fit; the cursor goes to the first record.
  void ReplaceRows(std::vector<std::vector<TMemValue>> rows);
  void EmptyDataSet() noexcept;

  // Cursor: record numbers count from 1; 0 when the table is empty.
  int RecordCount() const noexcept { return static_cast<int>(FRows.size()); }
  int RecNo() const noexcept { return FRows.empty() ? 0 : FPos + 1; }
  // A number outside 1..RecordCount leaves the cursor where it is.
  void SetRecNo(int n) noexcept;
  void First() noexcept;
  void Next() noexcept;
  bool Eof() const noexcept { return FEof; }

  // Moves to the first record whose field equals the value (texts compared with letter case;
  // an integer field matches a text that reads as that integer). False, cursor unchanged, when
  // none does.
  bool Locate(std::string_view fieldName, const TMemValue& value);

  const TMemValue& Cell(int row, int field) const {
    return FRows.at(static_cast<size_t>(row)).at(static_cast<size_t>(field));
  }
  int CurrentRow() const noexcept { return FRows.empty() ? -1 : FPos; }

private:
  std::vector<TMemFieldDef> FFields;
  std::vector<std::vector<TMemValue>> FRows;
  int FPos = 0;
  bool FEof = true;
};

// Field of a delimited text file: a text of at most Size characters, or an integer of at most
// Size digits (sign not counted).
struct TTextFieldDef {
  std::string Name;
  TMemFieldType DataType = TMemFieldType::ftString;
  int Size = 0;
};

class TFDBatchMoveTextReader {
public:
  std::string FileName;
  char FieldSeparator = ';';
  char TextDelimiter = '"';
  bool FirstRowIsHeader = true;  // the first line names the fields
  std::vector<TTextFieldDef> Fields;

  // Parses the whole file into rows in the order of Fields. A header names the file's columns;
  // columns are matched to Fields by name (ASCII letter case ignored), and a field without a
  // column reads as null. Raises EFOpenError when the file cannot be read and EDatabaseError
  // naming the line and field for a value that does not fit its definition.
  std::vector<std::vector<TMemValue>> ReadAll() const;
  // The same on text already in memory; name is used in messages.
  std::vector<std::vector<TMemValue>> ReadText(std::string_view text, const std::string& name) const;
};

class TFDBatchMoveDataSetWriter {
public:
  TFDMemTable* DataSet = nullptr;
};

class TFDBatchMove {
public:
  TFDBatchMoveTextReader* Reader = nullptr;
  TFDBatchMoveDataSetWriter* Writer = nullptr;

  // Replaces the destination's rows by the reader's, in one step: when reading fails the
  // destination keeps the rows it had. Destination fields the reader does not have stay null;
  // reader fields the destination does not have are left out. Returns the number of rows moved.
  int Execute();
};

} // namespace data
