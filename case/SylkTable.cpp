// The table from SYLK, as LibreOffice Calc puts it on the clipboard: one
// record a line, fields after ';' (";;" stands for a ';' inside a field),
// one "C" record per non-empty cell, row by row:
//   ID;PCALCOOO32
//   C;X1;Y1;K"Duração"
//   C;X2;Y2;K8067.2
//   E
// Empty cells have no record; the table is as wide as its widest row.
#include <charconv>

#include "case/SpreadsheetClipboard.h"
#include "case/TableCells.h"

namespace {

struct TRecord {
  std::size_t x = 0, y = 0;  // 0: not given
  std::string_view value;    // K field, without the K
  bool has_value = false;
};

// One line's fields; false for a record other than "C".
bool CellRecord(std::string_view line, TRecord* record) {
  if (line.size() < 2 || line[0] != 'C' || line[1] != ';') return false;
  *record = TRecord{};
  std::size_t pos = 2;
  while (pos <= line.size()) {
    std::size_t end = pos;
    while (end < line.size()) {
      if (line[end] == ';') {
        if (end + 1 < line.size() && line[end + 1] == ';') {
          end += 2;
          continue;
        }
        break;
      }
      ++end;
    }
    const std::string_view field = line.substr(pos, end - pos);
    if (!field.empty()) {
      const char code = field[0];
      if (code == 'X' || code == 'Y') {
        std::size_t n = 0;
        const auto [p, ec] = std::from_chars(field.data() + 1, field.data() + field.size(), n);
        if (ec != std::errc() || p != field.data() + field.size() || n == 0) return false;
        (code == 'X' ? record->x : record->y) = n;
      } else if (code == 'K') {
        record->value = field.substr(1);
        record->has_value = true;
      }
    }
    pos = end + 1;
  }
  return true;
}

class SylkRows {
public:
  explicit SylkRows(std::string_view data) : data_(data) {}

  // Checks that the data is SYLK with its cells row by row, and measures
  // the table's width.
  bool Scan() {
    if (data_.substr(0, 3) != "ID;") return false;
    std::size_t x = 0, y = 0, pos = 0;
    std::string_view line;
    TRecord record;
    while (NextLine(&pos, &line)) {
      if (!CellRecord(line, &record)) continue;
      const std::size_t ny = record.y ? record.y : y;
      const std::size_t nx = record.x ? record.x : x;
      if (ny == 0 || nx == 0 || ny < y || (ny == y && nx <= x)) return false;
      // Rows without records are empty rows: no more of them than the data
      // has bytes, so that a few bytes cannot ask for a huge table.
      if (ny > data_.size()) return false;
      x = nx;
      y = ny;
      if (x > width_) width_ = x;
      any_ = true;
    }
    return true;
  }
  bool Empty() const { return !any_; }

  bool Walk(TTableBuilder& builder) const {
    TTableCell cells[4];
    std::size_t row = 0, x = 0, pos = 0;
    std::string_view line;
    TRecord record;
    auto emit = [&](std::size_t offset) {
      const bool ok = builder.Row(row, cells, width_, offset);
      for (TTableCell& cell : cells) cell = TTableCell{};
      return ok;
    };
    while (NextLine(&pos, &line)) {
      if (!CellRecord(line, &record)) continue;
      const std::size_t y = record.y ? record.y : (row ? row : 1);
      if (record.x) x = record.x;
      if (row == 0) row = 1;
      while (row < y) {  // rows up to this one, the empty ones included
        if (!emit(pos)) return false;
        ++row;
      }
      if (x <= 4 && record.has_value) cells[x - 1] = Cell(record.value);
    }
    return row == 0 || emit(data_.size());
  }

private:
  static TTableCell Cell(std::string_view value) {
    if (!value.empty() && value.front() == '"') {
      value.remove_prefix(1);
      if (!value.empty() && value.back() == '"') value.remove_suffix(1);
      return TTableCell{value, std::nullopt};
    }
    return TTableCell{value, RawCellValue(value)};  // TRUE, #N/A and the like stay text
  }

  bool NextLine(std::size_t* pos, std::string_view* line) const {
    if (*pos >= data_.size()) return false;
    std::size_t end = data_.find('\n', *pos);
    if (end == std::string_view::npos) end = data_.size();
    *line = data_.substr(*pos, end - *pos);
    if (!line->empty() && line->back() == '\r') line->remove_suffix(1);
    *pos = end + 1;
    return true;
  }

  std::string_view data_;
  std::size_t width_ = 0;
  bool any_ = false;
};

}  // namespace

TResult<TPastedIntervals> ParseSylkTable(std::string_view data, const TTableFormat& format,
                                         const TTableProgress& progress) {
  SylkRows rows(data);
  if (!rows.Scan() || rows.Empty()) return MakeError(TErrc::InvalidTable, NoTableMessage());
  TTableBuilder builder(format, progress, data.size());
  if (!rows.Walk(builder) || !builder.StartFill() || !rows.Walk(builder)) return builder.Error();
  return builder.Finish();
}
