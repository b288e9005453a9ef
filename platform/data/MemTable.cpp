#include "platform/data/MemTable.h"

#include <charconv>
#include <fstream>
#include <sstream>

namespace data {

namespace {

const TMemValue NullValue{};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return std::string(s.substr(a, b - a));
}

// One parsed cell and whether it was quoted (a quoted cell keeps its blanks).
struct TCell {
  std::string Text;
  bool Quoted = false;
};

// Splits delimited text into lines of cells. Lines end in LF or CR LF; blank lines are skipped;
// a quoted cell may hold separators, line ends and doubled quotes.
std::vector<std::pair<int, std::vector<TCell>>> SplitDelimited(std::string_view text, char sep,
                                                              char quote, const std::string& name) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  std::vector<std::pair<int, std::vector<TCell>>> lines;
  std::vector<TCell> row;
  TCell cell;
  bool inQuotes = false, afterQuote = false, rowHasText = false;
  int line = 1, rowLine = 1;
  auto fail = [&](const std::string& what) {
    return EDatabaseError(name + " line " + std::to_string(line) + ": " + what);
  };
  auto endCell = [&] {
    if (!cell.Quoted) cell.Text = TrimBlanks(cell.Text);
    row.push_back(std::move(cell));
    cell = TCell();
    afterQuote = false;
  };
  auto endRow = [&] {
    if (rowHasText || !row.empty()) {
      endCell();
      lines.emplace_back(rowLine, std::move(row));
    }
    row.clear();
    cell = TCell();
    rowHasText = afterQuote = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inQuotes) {
      if (c == quote && i + 1 < text.size() && text[i + 1] == quote) {
        cell.Text += quote;
        ++i;
      } else if (c == quote) {
        inQuotes = false;
        afterQuote = true;
      } else {
        if (c == '\n') ++line;
        cell.Text += c;
      }
      continue;
    }
    if (c == '\n') {
      endRow();
      ++line;
      rowLine = line;
    } else if (c == '\r') {
      // part of CR LF
    } else if (c == sep) {
      endCell();
      rowHasText = true;
    } else if (c == quote && !cell.Quoted && TrimBlanks(cell.Text).empty()) {
      cell.Text.clear();
      cell.Quoted = inQuotes = rowHasText = true;
    } else if (afterQuote) {
      if (!IsBlank(c)) throw fail("text after a closing quote");
    } else {
      if (c == quote) throw fail("stray quote");
      cell.Text += c;
      if (!IsBlank(c)) rowHasText = true;
    }
  }
  if (inQuotes) throw fail("unterminated quote");
  endRow();
  return lines;
}

bool ParseInt64(const std::string& s, std::int64_t& v, int maxDigits) {
  std::string_view d = s;
  if (!d.empty() && (d[0] == '+' || d[0] == '-')) d.remove_prefix(1);
  if (d.empty() || (maxDigits > 0 && static_cast<int>(d.size()) > maxDigits)) return false;
  for (char c : d)
    if (c < '0' || c > '9') return false;
  const char* first = s.data() + (s[0] == '+' ? 1 : 0);
  auto [p, ec] = std::from_chars(first, s.data() + s.size(), v);
  return ec == std::errc() && p == s.data() + s.size();
}

} // namespace

// ---- TMemField ----

const std::string& TMemField::FieldName() const { return FTable->FieldDef(FFieldNo).Name; }
TMemFieldType TMemField::DataType() const { return FTable->FieldDef(FFieldNo).DataType; }
int TMemField::Size() const { return FTable->FieldDef(FFieldNo).Size; }

const TMemValue& TMemField::Value() const {
  int row = FTable->CurrentRow();
  return row < 0 ? NullValue : FTable->Cell(row, FFieldNo);
}

bool TMemField::IsNull() const { return std::holds_alternative<std::monostate>(Value()); }

std::string TMemField::AsString() const {
  const TMemValue& v = Value();
  if (auto i = std::get_if<std::int64_t>(&v)) return std::to_string(*i);
  if (auto s = std::get_if<std::string>(&v)) return *s;
  return {};
}

std::int64_t TMemField::AsLargeInt() const {
  const TMemValue& v = Value();
  if (auto i = std::get_if<std::int64_t>(&v)) return *i;
  if (auto s = std::get_if<std::string>(&v)) {
    std::int64_t n = 0;
    std::string t = TrimBlanks(*s);
    if (!ParseInt64(t, n, 0)) throw rt::EConvertError("'" + *s + "' is not a valid integer value");
    return n;
  }
  return 0;
}

// ---- TFDMemTable ----

void TFDMemTable::AddField(std::string name, TMemFieldType type, int size) {
  if (FindFieldNo(name) >= 0) throw EDatabaseError("Duplicate field name '" + name + "'");
  FFields.push_back({std::move(name), type, type == TMemFieldType::ftString ? size : 0});
  EmptyDataSet();
}

int TFDMemTable::FindFieldNo(std::string_view name) const noexcept {
  for (size_t i = 0; i < FFields.size(); ++i)
    if (rt::SameText(FFields[i].Name, name)) return static_cast<int>(i);
  return -1;
}

TMemField TFDMemTable::FieldByName(std::string_view name) const {
  int f = FindFieldNo(name);
  if (f < 0) throw EDatabaseError("Field '" + std::string(name) + "' not found");
  return TMemField(this, f);
}

void TFDMemTable::ReplaceRows(std::vector<std::vector<TMemValue>> rows) {
  for (size_t r = 0; r < rows.size(); ++r) {
    const std::string where = "record " + std::to_string(r + 1);
    if (rows[r].size() != FFields.size())
      throw EDatabaseError(where + ": " + std::to_string(rows[r].size()) + " values for " +
                           std::to_string(FFields.size()) + " fields");
    for (size_t f = 0; f < FFields.size(); ++f) {
      const TMemFieldDef& def = FFields[f];
      const TMemValue& v = rows[r][f];
      if (std::holds_alternative<std::monostate>(v)) continue;
      if (def.DataType == TMemFieldType::ftLargeint) {
        if (!std::holds_alternative<std::int64_t>(v))
          throw EDatabaseError(where + ": field " + def.Name + " takes an integer");
      } else {
        auto s = std::get_if<std::string>(&v);
        if (!s) throw EDatabaseError(where + ": field " + def.Name + " takes a text");
        if (Utf8Length(*s) > static_cast<size_t>(def.Size))
          throw EDatabaseError(where + ": '" + *s + "' is longer than " + def.Name + "'s " +
                               std::to_string(def.Size) + " characters");
      }
    }
  }
  FRows = std::move(rows);
  First();
}

void TFDMemTable::EmptyDataSet() noexcept {
  FRows.clear();
  First();
}

void TFDMemTable::SetRecNo(int n) noexcept {
  if (n < 1 || n > RecordCount()) return;
  FPos = n - 1;
  FEof = false;
}

void TFDMemTable::First() noexcept {
  FPos = 0;
  FEof = FRows.empty();
}

void TFDMemTable::Next() noexcept {
  if (FPos + 1 < RecordCount()) {
    ++FPos;
    FEof = false;
  } else {
    FEof = true;
  }
}

bool TFDMemTable::Locate(std::string_view fieldName, const TMemValue& value) {
  const int f = FieldByName(fieldName).FieldNo();
  const bool isInt = FFields[static_cast<size_t>(f)].DataType == TMemFieldType::ftLargeint;
  TMemValue key = value;
  if (isInt) {
    if (auto s = std::get_if<std::string>(&value)) {
      std::int64_t n = 0;
      if (!ParseInt64(TrimBlanks(*s), n, 0)) return false;
      key = n;
    }
  } else if (auto i = std::get_if<std::int64_t>(&value)) {
    key = std::to_string(*i);
  }
  for (size_t r = 0; r < FRows.size(); ++r) {
    if (FRows[r][static_cast<size_t>(f)] == key) {
      FPos = static_cast<int>(r);
      FEof = false;
      return true;
    }
  }
  return false;
}

// ---- TFDBatchMoveTextReader ----

std::vector<std::vector<TMemValue>> TFDBatchMoveTextReader::ReadAll() const {
  std::ifstream in(FileName, std::ios::binary);
  if (!in) throw rt::EFOpenError("Cannot open file \"" + FileName + "\"");
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw rt::EReadError("Cannot read file \"" + FileName + "\"");
  return ReadText(text.str(), FileName);
}

std::vector<std::vector<TMemValue>> TFDBatchMoveTextReader::ReadText(std::string_view text,
                                                                     const std::string& name) const {
  auto lines = SplitDelimited(text, FieldSeparator, TextDelimiter, name);
  // Column of the file for each field.
  std::vector<int> column(Fields.size(), -1);
  size_t first = 0;
  if (FirstRowIsHeader) {
    if (lines.empty()) throw EDatabaseError(name + ": no header line");
    const auto& header = lines[0].second;
    for (size_t f = 0; f < Fields.size(); ++f)
      for (size_t c = 0; c < header.size(); ++c)
        if (rt::SameText(header[c].Text, Fields[f].Name)) {
          column[f] = static_cast<int>(c);
          break;
        }
    first = 1;
  } else {
    for (size_t f = 0; f < Fields.size(); ++f) column[f] = static_cast<int>(f);
  }

  std::vector<std::vector<TMemValue>> rows;
  rows.reserve(lines.size() - first);
  for (size_t l = first; l < lines.size(); ++l) {
    // Plain references: a lambda below uses the line number, and clang 14 cannot capture a
    // structured binding.
    const auto& lineNo = lines[l].first;
    const auto& cells = lines[l].second;
    std::vector<TMemValue> row(Fields.size());
    for (size_t f = 0; f < Fields.size(); ++f) {
      const TTextFieldDef& def = Fields[f];
      if (column[f] < 0 || static_cast<size_t>(column[f]) >= cells.size()) continue;
      const std::string& v = cells[static_cast<size_t>(column[f])].Text;
      auto bad = [&](const std::string& why) {
        return EDatabaseError(name + " line " + std::to_string(lineNo) + ", field " + def.Name +
                              ": " + why);
      };
      if (def.DataType == TMemFieldType::ftString) {
        if (def.Size > 0 && Utf8Length(v) > static_cast<size_t>(def.Size))
          throw bad("'" + v + "' is longer than " + std::to_string(def.Size) + " characters");
        row[f] = v;
      } else if (!v.empty()) {
        std::int64_t n = 0;
        if (!ParseInt64(v, n, def.Size))
          throw bad("'" + v + "' is not an integer of at most " + std::to_string(def.Size) +
                    " digits");
        row[f] = n;
      }
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

// ---- TFDBatchMove ----

int TFDBatchMove::Execute() {
  if (!Reader || !Writer || !Writer->DataSet)
    throw EDatabaseError("The batch move has no reader or no destination");
  TFDMemTable& dest = *Writer->DataSet;
  auto read = Reader->ReadAll();
  // Map the reader's fields onto the destination's by name.
  std::vector<int> from(static_cast<size_t>(dest.FieldCount()), -1);
  for (int d = 0; d < dest.FieldCount(); ++d)
    for (size_t s = 0; s < Reader->Fields.size(); ++s)
      if (rt::SameText(Reader->Fields[s].Name, dest.FieldDef(d).Name)) {
        from[static_cast<size_t>(d)] = static_cast<int>(s);
        break;
      }
  std::vector<std::vector<TMemValue>> rows;
  rows.reserve(read.size());
  for (auto& src : read) {
    std::vector<TMemValue> row(static_cast<size_t>(dest.FieldCount()));
    for (size_t d = 0; d < row.size(); ++d)
      if (from[d] >= 0) row[d] = std::move(src[static_cast<size_t>(from[d])]);
    rows.push_back(std::move(row));
  }
  const int n = static_cast<int>(rows.size());
  dest.ReplaceRows(std::move(rows));
  return n;
}

} // namespace data
