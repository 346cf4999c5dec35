#include "case/IntervalTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "case/NumberText.h"
#include "case/TableCells.h"

namespace {

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The table's texts use the decimal comma, whatever the windows use.
constexpr char kComma = ',';

bool ReadsBack(const std::string& text, double value) {
  const TResult<double> back = TryParseRealText(text, kComma);
  return back && SameBits(*back, value);
}

// The general layout of FormatRealText with `digits` significant digits,
// correctly rounded: fixed notation for decimal exponents -3..15, else
// "d,dddE-x"; trailing zeros dropped.
std::string FormatDigits(double value, int digits) {
  char buffer[64];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, digits - 1).ptr;
  const char* e = std::find(buffer, end, 'e');
  std::string mantissa;
  mantissa += buffer[0];
  if (digits > 1) mantissa.append(static_cast<const char*>(buffer + 2), e);
  int exponent = 0;
  std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
  ++exponent;  // value = 0.d1d2... * 10^exponent
  while (mantissa.size() > 1 && mantissa.back() == '0') mantissa.pop_back();

  return LayoutRealText(value < 0, mantissa, exponent, kComma);
}

// The rows of a clipboard text or CSV file, handed to the table builder.
// Lines end in CR LF, LF or CR; a quoted cell may hold separators and line
// ends. The text ends with the line that holds its last non-blank character.
class TextRows {
public:
  TextRows(std::string_view text, const TTableFormat& format) : text_(text), format_(format) {
    std::size_t last = text.size();
    while (last > 0 && IsBlank(text[last - 1])) --last;
    end_ = last == 0 ? 0 : text.find_first_of("\r\n", last);
    if (end_ == std::string_view::npos) end_ = text.size();
  }
  bool Empty() const { return end_ == 0; }

  // Hands every row to builder.Row; false when the builder stopped.
  bool Walk(TTableBuilder& builder) const {
    std::size_t pos = 0, line = 1;
    TTableCell cells[4];
    while (pos < end_) {
      const std::size_t row_line = line;
      std::size_t count = 0;
      while (true) {
        std::string_view cell;
        pos = Cell(pos, &cell, &line);
        if (count < 4) cells[count] = TTableCell{cell, std::nullopt};
        ++count;
        if (pos < end_ && text_[pos] == format_.cell_separator) {
          ++pos;
          continue;
        }
        break;
      }
      for (std::size_t i = count; i < 4; ++i) cells[i] = TTableCell{};
      pos = LineEnd(pos);
      if (!builder.Row(row_line, cells, count, pos)) return false;
      ++line;
    }
    return true;
  }

private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

  // Past the line end at pos (if any).
  std::size_t LineEnd(std::size_t pos) const {
    if (pos < text_.size() && text_[pos] == '\r') ++pos;
    else if (pos < text_.size() && text_[pos] == '\n') return pos + 1;
    else return pos;
    if (pos < text_.size() && text_[pos] == '\n') ++pos;
    return pos;
  }

  // The cell at pos; returns where it ends (a separator, a line end or the
  // end). A quoted cell's text is what stands between its quotes, doubled
  // quotes left as they are; text after its closing quote makes the whole
  // stretch one unquoted cell.
  std::size_t Cell(std::size_t pos, std::string_view* cell, std::size_t* line) const {
    const std::size_t start = pos;
    if (format_.quoted_cells && pos < end_ && text_[pos] == '"') {
      std::size_t i = pos + 1, lines = 0;
      while (i < end_) {
        const char c = text_[i];
        if (c == '"') {
          if (i + 1 < end_ && text_[i + 1] == '"') {
            i += 2;
            continue;
          }
          break;
        }
        if (c == '\n' || (c == '\r' && (i + 1 >= text_.size() || text_[i + 1] != '\n'))) ++lines;
        ++i;
      }
      if (i < end_ && (i + 1 == end_ || text_[i + 1] == format_.cell_separator || text_[i + 1] == '\r' ||
                       text_[i + 1] == '\n')) {
        *cell = text_.substr(pos + 1, i - pos - 1);
        *line += lines;
        return i + 1;
      }
    }
    while (pos < end_ && text_[pos] != format_.cell_separator && text_[pos] != '\r' && text_[pos] != '\n') ++pos;
    *cell = text_.substr(start, pos - start);
    return pos;
  }

  std::string_view text_;
  const TTableFormat& format_;
  std::size_t end_ = 0;
};

}  // namespace

void AppendIntervalMemoLine(std::string& out, std::string_view k, std::string_view duration, std::string_view load) {
  static constexpr char kBlanks[] = "                      ";  // 22
  out.append(kBlanks, 6);
  out += k;
  out.append(kBlanks, 22);
  out += duration;
  out.append(kBlanks, 22);
  out += load;
}

void AppendIntervalMemoRow(std::string& out, std::size_t k, double duration, double load, char separator) {
  char number[24];
  const auto end = std::to_chars(number, number + sizeof number, k).ptr;
  AppendIntervalMemoLine(out, std::string_view(number, static_cast<std::size_t>(end - number)),
                         FieldRealText(duration, separator), FieldRealText(load, separator));
}

TTableFormat CsvTableFormat(char cell_separator) {
  TTableFormat format;
  format.cell_separator = cell_separator;
  format.quoted_cells = true;
  format.decimal_mark = cell_separator == ',' ? '.' : ',';
  return format;
}

TResult<TPastedIntervals> ParseIntervalTable(std::string_view text, const TTableFormat& format,
                                             const TTableProgress& progress) {
  const TextRows rows(text, format);
  if (rows.Empty()) return MakeError(TErrc::InvalidTable, NoTableMessage());
  TTableBuilder builder(format, progress, text.size());
  if (!rows.Walk(builder) || !builder.StartFill() || !rows.Walk(builder)) return builder.Error();
  return builder.Finish();
}

std::string NoTableMessage() { return "A área de transferência não contém uma tabela de intervalos."; }

TTableQuestion TableQuestionOf(const TError& error) {
  TTableQuestion question;
  if (error.code != TErrc::AmbiguousTable || error.details.size() != 5) return question;
  question.cell = error.details[0];
  question.as_thousands = error.details[1];
  question.as_decimal = error.details[2];
  question.decimal_if_thousands = error.details[3].front();
  question.decimal_if_decimal = error.details[4].front();
  return question;
}

std::string TableValueText(double value) {
  if (value == 0.0) return std::signbit(value) ? "-0" : "0";
  std::string text = FormatRealText(value, kComma);
  if (ReadsBack(text, value)) return text;
  // 17 significant digits always read back; 16 often do and are shorter.
  for (int digits = 16; digits <= 20; ++digits) {
    text = FormatDigits(value, digits);
    if (ReadsBack(text, value)) return text;
  }
  return text;
}

TResult<std::string> FormatIntervalTable(const TCaseData& data, const TTableProgress& progress) {
  const std::size_t n = std::min({static_cast<std::size_t>(std::max<int32_t>(data.N, 0)), data.durations.size(),
                                  data.loads.size()});
  try {
    std::string text;
    text.reserve(n * 24);
    char k[24];
    for (std::size_t i = 0; i < n; ++i) {
      const auto end = std::to_chars(k, k + sizeof k, i + 1).ptr;
      text.append(k, end);
      text += '\t';
      text += TableValueText(data.durations[i]);
      text += '\t';
      text += TableValueText(data.loads[i]);
      text += '\n';
      if (progress && (i + 1) % kTableProgressRows == 0 && !progress(i + 1, n))
        return MakeError(TErrc::Cancelled, "Cópia da tabela cancelada.");
    }
    return text;
  } catch (const std::bad_alloc&) {
    return MakeError(TErrc::NoMemory, "Não há memória para copiar a tabela de " + std::to_string(n) + " intervalos.");
  }
}
