#include "case/TableCells.h"


#include "case/NumberText.h"

namespace {

std::string Number(std::size_t n) { return std::to_string(n); }

std::string AtLine(std::size_t line) { return "Linha " + Number(line) + ": "; }

// A cell as the message quotes it: at most 40 characters (UTF-8), cut with
// "..." after it, so a paragraph pasted by mistake does not fill the screen.
std::string Quoted(std::string_view cell) {
  constexpr std::size_t kMaxCharacters = 40;
  std::size_t characters = 0;
  std::size_t i = 0;
  for (; i < cell.size(); ++i) {
    if ((static_cast<unsigned char>(cell[i]) & 0xC0) == 0x80) continue;  // continuation byte
    if (characters == kMaxCharacters) break;
    ++characters;
  }
  std::string quoted = "'";
  for (const char c : cell.substr(0, i)) quoted += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;  // one line
  if (i < cell.size()) quoted += "...";
  quoted += "'";
  return quoted;
}

std::string Columns(std::size_t n) { return Number(n) + (n == 1 ? " coluna" : " colunas"); }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A blank that may stand around a cell or between its groups of three
// digits: the space, the no-break space and the narrow no-break space
// (UTF-8). Returns its length at `i`, 0 if there is none.
std::size_t BlankAt(std::string_view s, std::size_t i) {
  if (s[i] == ' ') return 1;
  if (s.substr(i, 2) == "\xC2\xA0") return 2;
  if (s.substr(i, 3) == "\xE2\x80\xAF") return 3;
  return 0;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty()) {
    const std::size_t n = BlankAt(s, 0);
    if (n == 0) break;
    s.remove_prefix(n);
  }
  while (!s.empty()) {
    std::size_t n = 0;
    if (s.back() == ' ') n = 1;
    else if (s.size() >= 2 && s.substr(s.size() - 2) == "\xC2\xA0") n = 2;
    else if (s.size() >= 3 && s.substr(s.size() - 3) == "\xE2\x80\xAF") n = 3;
    if (n == 0) break;
    s.remove_suffix(n);
  }
  return s;
}

// A number cell taken apart: sign, runs of digits with the one-character
// separators between them ('.', ',' or ' ' for any blank), an exponent.
// No more groups than a double's digits can fill.
struct TShape {
  bool ok = false;  // only signs, digits, separators and an exponent
  std::string_view sign;
  std::size_t count = 0;      // groups; separators: count - 1
  std::string_view exponent;  // from the 'E' on, or empty
  std::string_view text;
  struct TRun {
    std::size_t begin, size;
  } runs[16];  // left uninitialized: only the first `count` are set
  char separators[16];
  std::string_view Group(std::size_t g) const { return text.substr(runs[g].begin, runs[g].size); }
};

void Shape(std::string_view s, TShape& shape) {
  shape.text = s;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) shape.sign = s.substr(i++, 1);
  std::size_t start = i;
  while (true) {
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (shape.count == std::size(shape.runs)) return;
    shape.runs[shape.count++] = {start, i - start};
    if (i == s.size()) break;
    char separator = 0;
    std::size_t length = 1;
    if (s[i] == '.' || s[i] == ',') separator = s[i];
    else if ((length = BlankAt(s, i)) != 0) separator = ' ';
    if (separator == 0) break;
    shape.separators[shape.count - 1] = separator;
    i += length;
    start = i;
  }
  if (i < s.size()) {
    if (s[i] != 'E' && s[i] != 'e') return;
    shape.exponent = s.substr(i);
    std::size_t j = 1;
    if (j < shape.exponent.size() && (shape.exponent[j] == '+' || shape.exponent[j] == '-')) ++j;
    for (; j < shape.exponent.size(); ++j)
      if (!IsDigit(shape.exponent[j])) return;
  }
  shape.ok = true;
}

// Thousands groups: the first of one to three digits, not starting with 0,
// then groups of exactly three.
bool Grouped(const TShape& shape, std::size_t count) {
  const std::string_view first = shape.Group(0);
  if (first.empty() || first.size() > 3 || first[0] == '0') return false;
  for (std::size_t g = 1; g < count; ++g)
    if (shape.runs[g].size != 3) return false;
  return true;
}

// The cell in the window's convention under decimal mark `mark`: empty
// optional if it does not read so. The mark may stand once, after every
// thousands separator; those must all be one kind, not the mark, and group
// the digits in threes; an exponent goes with no thousands separator.
bool Normalized(const TShape& shape, char mark, std::string* out) {
  std::size_t integer_groups = shape.count;  // groups before the decimal mark
  for (std::size_t k = 0; k + 1 < shape.count; ++k) {
    if (shape.separators[k] != mark) continue;
    if (k + 2 != shape.count) return false;  // the mark is not the last separator
    integer_groups = k + 1;
  }
  if (integer_groups > 1) {
    const char grouping = shape.separators[0];
    for (std::size_t k = 0; k + 1 < integer_groups; ++k)
      if (shape.separators[k] != grouping) return false;
    if (!shape.exponent.empty() || !Grouped(shape, integer_groups)) return false;
  }
  out->assign(shape.sign);
  for (std::size_t g = 0; g < integer_groups; ++g) *out += shape.Group(g);
  if (integer_groups < shape.count) {
    *out += ',';
    *out += shape.Group(shape.count - 1);
  }
  *out += shape.exponent;
  return true;
}

bool Reads(const std::string& normalized) { return TryParseRealText(normalized, ',').Ok(); }

const char* MarkName(char mark) { return mark == ',' ? "vírgula decimal" : "ponto decimal"; }

// The three-column form's first cell: the row number, its digits perhaps
// grouped in threes, or a raw value equal to it.
bool CountsRow(const TTableCell& cell, std::size_t row) {
  if (cell.value) return *cell.value == static_cast<double>(row);
  TShape shape;
  Shape(Trim(cell.text), shape);
  if (!shape.ok || !shape.sign.empty() || !shape.exponent.empty()) return false;
  if (shape.count > 1) {
    for (std::size_t k = 1; k + 1 < shape.count; ++k)
      if (shape.separators[k] != shape.separators[0]) return false;
    if (!Grouped(shape, shape.count)) return false;
  }
  if (shape.runs[0].size == 0) return false;
  std::size_t value = 0;
  for (std::size_t g = 0; g < shape.count; ++g) {
    for (char c : shape.Group(g)) {
      value = value * 10 + static_cast<std::size_t>(c - '0');
      if (value > row) return false;  // also keeps a long run of digits from wrapping
    }
  }
  return value == row;
}

// Nothing but blanks: a blank line, or a row of them at the table's end.
bool IsBlankCell(const TTableCell& cell) { return !cell.value && Trim(cell.text).empty(); }

bool IsNumberCell(const TTableCell& cell) {
  return cell.value || ReadCell(cell.text).kind == TCellReading::Number;
}

}  // namespace

TCellReading ReadCell(std::string_view text) {
  TCellReading reading;
  const std::string_view s = Trim(text);
  if (s.empty()) {
    // Spaces typed into a cell are not a value left out, as in a field;
    // a no-break space is how HTML writes an empty cell.
    if (!text.empty() && text.find_first_not_of(' ') == std::string_view::npos) reading.kind = TCellReading::NotNumber;
    return reading;
  }
  TShape shape;
  Shape(s, shape);
  reading.kind = TCellReading::NotNumber;
  if (!shape.ok) return reading;
  std::string comma, point;
  reading.comma_decimal = Normalized(shape, ',', &comma) && Reads(comma);
  reading.point_decimal = Normalized(shape, '.', &point) && Reads(point);
  if (!reading.comma_decimal && !reading.point_decimal) {
    // Digits with several separators that group nothing in threes.
    std::size_t digits = 0;
    for (std::size_t g = 0; g < shape.count; ++g) digits += shape.runs[g].size;
    if (shape.count > 2 && digits > 0 && shape.exponent.empty()) reading.kind = TCellReading::BadGrouping;
    return reading;
  }
  reading.kind = TCellReading::Number;
  if (reading.comma_decimal && reading.point_decimal) {
    reading.ambiguous = comma != point;
    return reading;
  }
  const char mark = reading.comma_decimal ? ',' : '.';
  for (std::size_t k = 0; k + 1 < shape.count; ++k) {
    if (shape.separators[k] == mark) reading.decimal_used = mark;
    else reading.grouping_used = shape.separators[k];
  }
  return reading;
}

std::optional<double> RawCellValue(std::string_view text) {
  text = Trim(text);
  char buffer[64];
  if (text.empty() || text.size() > sizeof buffer) return std::nullopt;
  bool mark = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.' || c == ',') {
      if (mark) return std::nullopt;
      mark = true;
      c = ',';
    } else if (!IsDigit(c) && c != '+' && c != '-' && c != 'E' && c != 'e') {
      return std::nullopt;
    }
    buffer[i] = c;
  }
  const TResult<double> value = TryParseRealText(std::string_view(buffer, text.size()), ',');
  if (!value) return std::nullopt;
  return *value;
}

bool NormalizeCell(std::string_view text, char decimal_mark, std::string* out) {
  TShape shape;
  Shape(Trim(text), shape);
  return shape.ok && Normalized(shape, decimal_mark, out);
}

TTableBuilder::TTableBuilder(const TTableFormat& format, const TTableProgress& progress, std::size_t size)
    : format_(format), progress_(progress), size_(size) {
  if (format_.decimal_mark == ',' || format_.decimal_mark == '.') decimal_ = format_.decimal_mark;
}

bool TTableBuilder::Fail(TError error) {
  if (!failed_) error_ = std::move(error);
  failed_ = true;
  return false;
}

bool TTableBuilder::Report(std::size_t offset) {
  if (!progress_) return true;
  const std::size_t done = (filling_ ? size_ : 0) + offset;
  if (progress_(done, 2 * size_)) return true;
  return Fail(MakeError(TErrc::Cancelled, "Leitura da tabela cancelada."));
}

bool TTableBuilder::Row(std::size_t line, const TTableCell* cells, std::size_t count, std::size_t offset) {
  if (failed_) return false;
  const bool ok = filling_ ? Fill(cells) : Survey(line, cells, count);
  if (!ok) return false;
  ++rows_seen_;
  if (rows_seen_ % kTableProgressRows == 0) return Report(offset);
  return true;
}

std::string TTableBuilder::CheckValue(std::size_t line, const TTableCell& cell) {
  if (cell.value) return {};
  const TCellReading reading = ReadCell(cell.text);
  switch (reading.kind) {
    case TCellReading::Empty:
      return {};
    case TCellReading::NotNumber:
      return AtLine(line) + Quoted(cell.text) + " não é um número.";
    case TCellReading::BadGrouping:
      return AtLine(line) + Quoted(cell.text) + " usa separador de milhar, mas não em grupos de três algarismos.";
    case TCellReading::Number:
      break;
  }
  if (reading.comma_decimal && reading.point_decimal) {
    if (reading.ambiguous && !question_) {
      std::string thousands, decimal;
      const std::string_view shown = Trim(cell.text);
      const char mark = shown.find('.') != std::string_view::npos ? '.' : ',';
      const char other = mark == '.' ? ',' : '.';
      NormalizeCell(cell.text, other, &thousands);
      NormalizeCell(cell.text, mark, &decimal);
      TError question = MakeError(
          TErrc::AmbiguousTable,
          AtLine(line) + Quoted(shown) + " pode ser " + thousands + " ou " + decimal +
              ", e nenhuma célula da tabela mostra qual é o separador decimal. Indique o separador decimal.");
      question.line = line;
      question.details = {std::string(shown), thousands, decimal, std::string(1, other), std::string(1, mark)};
      question_ = std::move(question);
    }
    return {};
  }
  const char mark = reading.comma_decimal ? ',' : '.';
  if (decimal_ == 0) {
    decimal_ = mark;
    decimal_line_ = line;
    return {};
  }
  if (decimal_ == mark) return {};
  std::string message = AtLine(line) + Quoted(cell.text);
  if (reading.grouping_used == 0) {
    message += mark == '.' ? " tem ponto decimal" : " tem vírgula decimal";
  } else {
    message += " usa separador de milhar '";
    message += reading.grouping_used == ' ' ? std::string("espaço") : std::string(1, reading.grouping_used);
    message += "'";
    if (reading.decimal_used) message += std::string(" e ") + MarkName(mark);
  }
  message += decimal_line_ != 0 ? ", mas a linha " + Number(decimal_line_) + " usa " : ", mas a tabela usa ";
  message += MarkName(decimal_);
  message += '.';
  return message;
}

std::string TTableBuilder::CheckRow(std::size_t line, std::size_t data_row, const TTableCell* cells,
                                    std::size_t count) {
  if (count == 1 && IsBlankCell(cells[0])) return AtLine(line) + "a linha está vazia.";
  if (columns_ == 0) {
    if (count != 2 && count != 3)
      return AtLine(line) + "a linha tem " + Columns(count) +
             "; a tabela tem 2 colunas (duração, carga) ou 3 (intervalo, duração, carga).";
    columns_ = count;
    columns_line_ = line;
  } else if (count != columns_) {
    return AtLine(line) + "a linha tem " + Columns(count) + ", mas a linha " + Number(columns_line_) + " tem " +
           Number(columns_) + ".";
  }
  std::size_t c = 0;
  if (columns_ == 3) {
    if (!CountsRow(cells[0], data_row))
      return AtLine(line) + "o intervalo deveria ser " + Number(data_row) + ", não " + Quoted(cells[0].text) + ".";
    c = 1;
  }
  std::string message = CheckValue(line, cells[c]);
  if (message.empty()) message = CheckValue(line, cells[c + 1]);
  return message;
}

bool TTableBuilder::Survey(std::size_t line, const TTableCell* cells, std::size_t count) {
  const std::size_t shown = count < 4 ? count : 4;
  if (rows_seen_ == 0) {
    bool any_text = false, any_number = false;
    for (std::size_t i = 0; i < shown; ++i) {
      any_number = any_number || IsNumberCell(cells[i]);
      any_text = any_text || !IsBlankCell(cells[i]);
    }
    if (any_text && !any_number) {
      header_ = true;
      return true;
    }
  }
  bool blank = true;
  for (std::size_t i = 0; i < shown; ++i) blank = blank && IsBlankCell(cells[i]);
  ++data_rows_;
  if (data_rows_ > format_.max_rows) {  // only counted from here on, for the message
    if (!blank) table_rows_ = data_rows_;
    return true;
  }
  std::string message = CheckRow(line, data_rows_, cells, count);
  if (blank) {  // a refusal only if something follows it
    if (!message.empty() && !deferred_) deferred_ = MakeError(TErrc::InvalidTable, std::move(message));
    return true;
  }
  if (deferred_) return Fail(std::move(*deferred_));
  if (!message.empty()) return Fail(MakeError(TErrc::InvalidTable, std::move(message)));
  table_rows_ = data_rows_;
  return true;
}

bool TTableBuilder::StartFill() {
  if (failed_) return false;
  const std::size_t rows = table_rows_;
  if (rows == 0) return Fail(MakeError(TErrc::InvalidTable, NoTableMessage()));
  if (rows > format_.max_rows)
    return Fail(MakeError(TErrc::OutOfRange, "A tabela tem " + Number(rows) + " linhas; cabem no máximo " +
                                                 Number(format_.max_rows) + " intervalos."));
  if (decimal_ == 0 && question_) return Fail(std::move(*question_));
  if (decimal_ == 0) decimal_ = ',';  // no cell has a decimal mark: either reads the same
  out_.rows = rows;
  out_.durations = TIntervalArray::Zeros(rows);
  out_.loads = TIntervalArray::Zeros(rows);
  if (out_.durations.size() != rows || out_.loads.size() != rows)
    return Fail(MakeError(TErrc::NoMemory, "Não há memória para uma tabela de " + Number(rows) + " intervalos."));
  filling_ = true;
  skip_ = header_ ? 1 : 0;
  rows_seen_ = 0;
  return true;
}

bool TTableBuilder::Fill(const TTableCell* cells) {
  if (skip_ > 0) {
    --skip_;
    return true;
  }
  if (filled_ == out_.rows) return true;  // blank rows after the table
  const std::size_t c = columns_ == 3 ? 1 : 0;
  double values[2] = {0.0, 0.0};
  for (int v = 0; v < 2; ++v) {
    const TTableCell& cell = cells[c + static_cast<std::size_t>(v)];
    if (cell.value) {
      values[v] = *cell.value;
      continue;
    }
    if (IsBlankCell(cell)) continue;
    TResult<double> parsed = MakeError(TErrc::InvalidTable, "");
    if (NormalizeCell(cell.text, decimal_, &scratch_)) parsed = TryParseRealText(scratch_, ',');
    if (!parsed)  // the survey let it through: it cannot happen
      return Fail(MakeError(TErrc::InvalidTable, Quoted(cell.text) + " não é um número."));
    values[v] = *parsed;
  }
  out_.durations[filled_] = values[0];
  out_.loads[filled_] = values[1];
  ++filled_;
  return true;
}

TResult<TPastedIntervals> TTableBuilder::Finish() {
  if (failed_) return error_;
  if (filled_ != out_.rows)  // the source handed over fewer rows the second time
    return MakeError(TErrc::InvalidTable, NoTableMessage());
  if (!Report(size_)) return error_;
  return std::move(out_);
}
