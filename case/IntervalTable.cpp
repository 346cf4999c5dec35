#include "case/IntervalTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "case/NumberText.h"

namespace {

std::string RowText(std::size_t row) { return std::to_string(row); }

std::string AtRow(std::size_t row) { return "Linha " + RowText(row) + ": "; }

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
  quoted += cell.substr(0, i);
  if (i < cell.size()) quoted += "...";
  quoted += "'";
  return quoted;
}

std::string Columns(std::size_t n) { return RowText(n) + (n == 1 ? " coluna" : " colunas"); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The three-column form's first cell: blanks around decimal digits whose
// value is the row number.
bool CountsRow(std::string_view cell, std::size_t row) {
  std::size_t b = 0, e = cell.size();
  while (b < e && cell[b] == ' ') ++b;
  while (e > b && cell[e - 1] == ' ') --e;
  if (b == e) return false;
  std::size_t value = 0;
  for (std::size_t i = b; i < e; ++i) {
    if (cell[i] < '0' || cell[i] > '9') return false;
    value = value * 10 + static_cast<std::size_t>(cell[i] - '0');
    if (value > row) return false;  // also keeps a long run of digits from wrapping
  }
  return value == row;
}

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

class Reader {
public:
  explicit Reader(TPastedIntervals& out) : out_(out) {}

  // One line, CR LF or LF already cut off. Returns a refusal or "".
  std::string Row(std::size_t row, std::string_view line) {
    std::string_view cells[4];
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
      const std::size_t tab = line.find('\t', start);
      const std::string_view cell = line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
      if (count < 4) cells[count] = cell;
      ++count;
      if (tab == std::string_view::npos) break;
      start = tab + 1;
    }
    if (count == 1 && line.find_first_not_of(' ') == std::string_view::npos)
      return AtRow(row) + "a linha está vazia.";
    if (columns_ == 0) {
      if (count != 2 && count != 3)
        return AtRow(row) + "a linha tem " + Columns(count) +
               "; a tabela tem 2 colunas (duração, carga) ou 3 (intervalo, duração, carga).";
      columns_ = count;
    } else if (count != columns_) {
      return AtRow(row) + "a linha tem " + Columns(count) + ", mas a linha 1 tem " + RowText(columns_) + ".";
    }
    std::size_t c = 0;
    if (columns_ == 3) {
      if (!CountsRow(cells[0], row))
        return AtRow(row) + "o intervalo deveria ser " + RowText(row) + ", não " + Quoted(cells[0]) + ".";
      c = 1;
    }
    double duration = 0.0, load = 0.0;
    std::string message = Cell(row, cells[c], &duration, &duration_text_);
    if (message.empty()) message = Cell(row, cells[c + 1], &load, &load_text_);
    if (!message.empty()) return message;
    out_.durations[row - 1] = duration;
    out_.loads[row - 1] = load;
    return {};
  }

private:
  // A number cell: its decimal mark ("," or ".") becomes the window's, the
  // text is converted as a field's would be. `shown` receives the text the
  // memo lists.
  std::string Cell(std::size_t row, std::string_view cell, double* value, std::string* shown) {
    shown->assign(cell);
    if (cell.empty()) {
      *value = 0.0;
      return {};
    }
    const bool point = cell.find('.') != std::string_view::npos;
    const bool comma = cell.find(',') != std::string_view::npos;
    if (point != comma) {  // exactly one kind; both kinds fail as a number below
      std::size_t& mine = point ? point_row_ : comma_row_;
      const std::size_t other = point ? comma_row_ : point_row_;
      if (other != 0)
        return AtRow(row) + Quoted(cell) + (point ? " tem ponto decimal, mas a linha " : " tem vírgula decimal, mas a linha ") +
               RowText(other) + (point ? " usa vírgula decimal." : " usa ponto decimal.");
      if (mine == 0) mine = row;
    }
    for (char& ch : *shown)
      if (ch == '.') ch = kComma;
    const TResult<double> parsed = TryParseRealText(*shown, kComma);
    if (!parsed) return AtRow(row) + Quoted(cell) + " não é um número.";
    *value = *parsed;
    return {};
  }

  TPastedIntervals& out_;
  std::size_t columns_ = 0;
  std::size_t point_row_ = 0;  // first row with a decimal point, 0: none yet
  std::size_t comma_row_ = 0;
  std::string duration_text_, load_text_;
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
                         duration == 0.0 ? std::string() : FormatRealText(duration, separator),
                         load == 0.0 ? std::string() : FormatRealText(load, separator));
}

TTableParseResult ParseIntervalTable(std::string_view text, TPastedIntervals* out, std::size_t max_rows,
                                     const TTableProgress& progress) {
  TTableParseResult result;
  auto refuse = [&result](std::string message) {
    result.status = TTableParse::Refused;
    result.message = std::move(message);
    return result;
  };
  // The table ends with the line that holds its last non-blank character.
  std::size_t last = text.size();
  while (last > 0 && IsBlank(text[last - 1])) --last;
  if (last == 0) return refuse("A área de transferência não contém uma tabela de intervalos.");
  std::size_t end = text.find('\n', last);
  if (end == std::string_view::npos) end = text.size();
  const std::string_view table = text.substr(0, end);
  const std::size_t rows = 1 + static_cast<std::size_t>(std::count(table.begin(), table.end(), '\n'));
  if (rows > max_rows)
    return refuse("A tabela tem " + RowText(rows) + " linhas; cabem no máximo " + RowText(max_rows) + " intervalos.");

  TPastedIntervals pasted;
  pasted.rows = rows;
  pasted.durations = TIntervalArray::Zeros(rows);
  pasted.loads = TIntervalArray::Zeros(rows);
  if (pasted.durations.size() != rows || pasted.loads.size() != rows)
    return refuse("Não há memória para uma tabela de " + RowText(rows) + " intervalos.");

  Reader reader(pasted);
  std::size_t pos = 0;
  for (std::size_t row = 1; row <= rows; ++row) {
    std::size_t nl = table.find('\n', pos);
    if (nl == std::string_view::npos) nl = table.size();
    std::string_view line = table.substr(pos, nl - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::string message = reader.Row(row, line);
    if (!message.empty()) return refuse(std::move(message));
    pos = nl + 1;
    if (progress && row % kTableProgressRows == 0 && !progress(row, rows)) {
      result.status = TTableParse::Stopped;
      return result;
    }
  }
  *out = std::move(pasted);
  return result;
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

bool FormatIntervalTable(const TCaseData& data, std::string* out, const TTableProgress& progress) {
  const std::size_t n = std::min({static_cast<std::size_t>(std::max<int32_t>(data.N, 0)), data.durations.size(),
                                  data.loads.size()});
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
    if (progress && (i + 1) % kTableProgressRows == 0 && !progress(i + 1, n)) return false;
  }
  *out = std::move(text);
  return true;
}
