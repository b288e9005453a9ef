#include "platform/data/Table.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace data {

namespace {

// Splits CSV text into rows of cells. Line ends may be LF or CR LF; blank lines are skipped.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text, const std::string& table) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string cell;
  bool rowOpen = false;    // the line has a cell, even an empty one
  bool cellText = false;   // the current cell has text or an opening quote
  bool quoted = false, wasQuoted = false;
  int line = 1;
  auto fail = [&](const char* what) {
    return EDatabaseError(table + ": " + what + " in line " + std::to_string(line));
  };
  auto endCell = [&] {
    row.push_back(std::move(cell));
    cell.clear();
    cellText = wasQuoted = false;
  };
  auto endRow = [&] {
    if (rowOpen) {
      endCell();
      rows.push_back(std::move(row));
    }
    row.clear();
    rowOpen = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++line;
        cell += c;
      }
      continue;
    }
    switch (c) {
      case '"':
        if (cellText) throw fail("stray quote");
        quoted = wasQuoted = cellText = rowOpen = true;
        break;
      case ',':
        endCell();
        rowOpen = true;
        break;
      case '\r':
        break;
      case '\n':
        endRow();
        ++line;
        break;
      default:
        if (wasQuoted) throw fail("text after a closing quote");
        cell += c;
        cellText = rowOpen = true;
    }
  }
  if (quoted) throw fail("unterminated quote");
  endRow();
  return rows;
}

TFieldDef ParseFieldDef(const std::string& cell, const std::string& table) {
  TFieldDef def;
  auto bad = [&] { return EDatabaseError(table + ": bad field definition '" + cell + "'"); };
  size_t c1 = cell.find(':');
  if (c1 == std::string::npos || c1 == 0) throw bad();
  def.Name = cell.substr(0, c1);
  std::string rest = cell.substr(c1 + 1);
  if (rest == "float") {
    def.DataType = TFieldType::ftFloat;
  } else if (rest.rfind("string:", 0) == 0) {
    def.DataType = TFieldType::ftString;
    std::string_view size = std::string_view(rest).substr(7);
    auto [p, ec] = std::from_chars(size.data(), size.data() + size.size(), def.Size);
    if (ec != std::errc() || p != size.data() + size.size() || def.Size <= 0) throw bad();
  } else {
    throw bad();
  }
  return def;
}

} // namespace

size_t Utf8Length(std::string_view s) noexcept {
  size_t n = 0;
  for (unsigned char c : s)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::shared_ptr<const TTable> TTable::FromCsv(std::string name, std::string_view csv) {
  std::shared_ptr<TTable> t(new TTable());
  t->FName = std::move(name);
  auto rows = ParseCsv(csv, t->FName);
  if (rows.empty()) throw EDatabaseError(t->FName + ": no header row");
  for (const auto& cell : rows[0]) {
    TFieldDef def = ParseFieldDef(cell, t->FName);
    if (t->FindField(def.Name) >= 0)
      throw EDatabaseError(t->FName + ": duplicate field '" + def.Name + "'");
    t->FFields.push_back(std::move(def));
  }
  const size_t nf = t->FFields.size();
  t->FRowCount = static_cast<int>(rows.size() - 1);
  t->FFloats.assign(static_cast<size_t>(t->FRowCount) * nf, 0.0);
  t->FStrings.assign(static_cast<size_t>(t->FRowCount) * nf, std::string());
  for (size_t r = 1; r < rows.size(); ++r) {
    const auto& cells = rows[r];
    const std::string where = t->FName + " record " + std::to_string(r);
    if (cells.size() != nf)
      throw EDatabaseError(where + ": " + std::to_string(cells.size()) + " cells for " +
                           std::to_string(nf) + " fields");
    for (size_t f = 0; f < nf; ++f) {
      const TFieldDef& def = t->FFields[f];
      const std::string& v = cells[f];
      size_t at = (r - 1) * nf + f;
      if (def.DataType == TFieldType::ftString) {
        if (Utf8Length(v) > static_cast<size_t>(def.Size))
          throw EDatabaseError(where + ": '" + v + "' is longer than " + def.Name + "'s " +
                               std::to_string(def.Size) + " characters");
        t->FStrings[at] = v;
      } else {
        double d = 0;
        auto [p, ec] = std::from_chars(v.data(), v.data() + v.size(), d);
        if (v.empty() || ec != std::errc() || p != v.data() + v.size() || !std::isfinite(d))
          throw EDatabaseError(where + ": '" + v + "' in " + def.Name + " is not a number");
        t->FFloats[at] = d;
      }
    }
  }
  return t;
}

int TTable::FindField(std::string_view name) const noexcept {
  for (size_t i = 0; i < FFields.size(); ++i)
    if (rt::SameText(FFields[i].Name, name)) return static_cast<int>(i);
  return -1;
}

int TTable::CompareRows(int a, int b, const std::vector<int>& fields) const {
  for (int f : fields) {
    int c;
    if (FFields[static_cast<size_t>(f)].DataType == TFieldType::ftFloat) {
      double x = Float(a, f), y = Float(b, f);
      c = x < y ? -1 : (x > y ? 1 : 0);
    } else {
      c = String(a, f).compare(String(b, f));
      c = c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    if (c != 0) return c;
  }
  return 0;
}

const std::vector<int>& TTable::Index(const std::vector<int>& fields) const {
  std::lock_guard<std::mutex> lock(FIndexLock);
  auto& slot = FIndexes[fields];
  if (!slot) {
    auto order = std::make_unique<std::vector<int>>(static_cast<size_t>(FRowCount));
    for (int i = 0; i < FRowCount; ++i) (*order)[static_cast<size_t>(i)] = i;
    std::stable_sort(order->begin(), order->end(),
                     [&](int a, int b) { return CompareRows(a, b, fields) < 0; });
    slot = std::move(order);
  }
  return *slot;
}

} // namespace data
