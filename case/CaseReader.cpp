#include "case/CaseReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cfloat>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <system_error>
#include <utility>

#include "case/CaseFile.h"
#include "case/Cp1252.h"
#include "case/FileNumber.h"
#include "case/FileSink.h"

// How a file is read. Lines come one at a time from a line source (memory or
// a file read in pieces). Every field is parsed and then written again with
// the writer's own conversion; the field is accepted only when that gives its
// exact bytes, so the reader accepts the writer's output and nothing else.
// Two shortcuts keep it fast without changing what is accepted: the usual
// 10-column "% 10.2f" field of the interval lines is recognised directly, and
// each line of a vector block (eight copies of one value) is compared whole
// with the line its first value gives.
//
// Field extents follow from the writer's conversions:
//   - "%10d": 10 columns, or 11 for "-" and ten digits;
//   - "% 10.<d>e": always exactly 10 columns (the text has at most 10);
//   - "% 10.<d>f": padding, then the number up to the next blank or "-" or
//     the end of the line (an "f" field is only ever followed by another
//     "f" field, whose text starts with a blank or "-").
// Only two integers side by side ("%10d%10d") can be split in more than one
// way; the line matcher tries the wide split first and the narrow one next.

namespace {

// Thrown inside the reader and turned into its result at the boundary.
struct TFailure {
  TError error;
};

[[noreturn]] void Fail(TErrc code, std::string message) { throw TFailure{MakeError(code, std::move(message))}; }

std::string At(std::uint64_t line, std::uint64_t column) {
  return "Linha " + std::to_string(line) + ", coluna " + std::to_string(column) + ": ";
}

// A file that is not what the writer writes, at a line and column (1-based).
[[noreturn]] void Damaged(std::uint64_t line, std::uint64_t column, const std::string& text) {
  TError error = MakeError(TErrc::DamagedFile, At(line, column) + text);
  error.line = line;
  error.column = column;
  throw TFailure{std::move(error)};
}

// ---- line sources ------------------------------------------------------

struct TLine {
  std::string_view text;  // without its CR LF or LF
  bool terminated = true;
};

class TLineSource {
public:
  virtual ~TLineSource() = default;
  // The next line, valid until the next call; false at the end of the input.
  virtual bool Next(TLine* line) = 0;
  // Bytes consumed so far, through the last line given.
  virtual std::uint64_t Offset() const = 0;
  virtual std::uint64_t Total() const = 0;
};

// Strips the line end of [begin, begin + len) ending at an LF (excluded).
std::string_view WithoutCr(const char* begin, std::size_t len) {
  if (len > 0 && begin[len - 1] == '\r') --len;
  return {begin, len};
}

class TMemoryLines final : public TLineSource {
public:
  explicit TMemoryLines(std::string_view bytes) : bytes_(bytes) {}

  bool Next(TLine* line) override {
    if (pos_ >= bytes_.size()) return false;
    const char* begin = bytes_.data() + pos_;
    const std::size_t left = bytes_.size() - pos_;
    const void* lf = std::memchr(begin, '\n', left);
    if (lf == nullptr) {
      *line = {{begin, left}, false};
      pos_ = bytes_.size();
      return true;
    }
    const std::size_t len = static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
    pos_ += len + 1;
    *line = {WithoutCr(begin, len), true};
    return true;
  }
  std::uint64_t Offset() const override { return pos_; }
  std::uint64_t Total() const override { return bytes_.size(); }

private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
};

// A file read in pieces. The buffer holds the unread rest of the current
// piece and grows only to hold the longest line (the interval lines: about
// 10 bytes per interval).
class TFileLines final : public TLineSource {
public:
  TFileLines(int fd, std::uint64_t total, std::string path)
      : fd_(fd), total_(total), path_(std::move(path)) {
    constexpr std::uint64_t kPiece = std::uint64_t{1} << 20;
    capacity_ = static_cast<std::size_t>(total_ + 1 < kPiece ? total_ + 1 : kPiece);
    if (capacity_ < 4096) capacity_ = 4096;
    buffer_.reset(new char[capacity_]);
  }

  bool Next(TLine* line) override {
    for (;;) {
      if (const void* lf = std::memchr(buffer_.get() + scan_, '\n', end_ - scan_)) {
        const char* begin = buffer_.get() + begin_;
        const std::size_t len = static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
        begin_ += len + 1;
        scan_ = begin_;
        offset_ += len + 1;
        *line = {WithoutCr(begin, len), true};
        return true;
      }
      scan_ = end_;
      if (eof_) {
        if (begin_ == end_) return false;
        const std::size_t len = end_ - begin_;
        *line = {{buffer_.get() + begin_, len}, false};
        offset_ += len;
        begin_ = scan_ = end_;
        return true;
      }
      Fill();
    }
  }
  std::uint64_t Offset() const override { return offset_; }
  std::uint64_t Total() const override { return total_; }

private:
  void Fill() {
    if (begin_ > 0) {
      std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
      end_ -= begin_;
      scan_ -= begin_;
      begin_ = 0;
    }
    if (end_ == capacity_) {
      const std::size_t bigger = capacity_ * 2;
      std::unique_ptr<char[]> grown(new char[bigger]);
      std::memcpy(grown.get(), buffer_.get(), end_);
      buffer_ = std::move(grown);
      capacity_ = bigger;
    }
    for (;;) {
      const ssize_t n = ::read(fd_, buffer_.get() + end_, capacity_ - end_);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        Fail(TErrc::FileRead, "Não foi possível ler o arquivo \"" + path_ + "\": " + FileErrorText(errno) + ".");
      }
      if (n == 0) eof_ = true;
      end_ += static_cast<std::size_t>(n);
      return;
    }
  }

  int fd_;
  std::uint64_t total_;
  std::string path_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;  // start of the unread bytes
  std::size_t scan_ = 0;   // no LF in [begin_, scan_)
  std::size_t end_ = 0;
  std::uint64_t offset_ = 0;
  bool eof_ = false;
};

// ---- fields ------------------------------------------------------------

enum class TKind : std::uint8_t { Integer, Fixed, Exp };

enum class TProblem : std::uint8_t {
  None,
  Missing,       // the line ends where a value should start
  TooMany,       // a value where the line should end
  NotEnd,        // something else where the line should end
  NotInteger,
  NotReal,
  IntegerRange,
  RealRange,
  NotCanonical,  // a number, but not as the writer writes it
};

struct TFieldError {
  TProblem problem = TProblem::None;
  std::size_t column = 0;  // 0-based byte offset in the line
  std::string expected;    // for NotCanonical: the writer's text of the value
};

std::string ProblemText(const TFieldError& e, std::uint64_t values_on_line) {
  const std::string count = std::to_string(values_on_line);
  const char* expected_word = values_on_line == 1 ? "esperado " : "esperados ";
  switch (e.problem) {
    case TProblem::Missing: return "faltam valores nesta linha (" + std::string(expected_word) + count + ").";
    case TProblem::TooMany: return "valores a mais nesta linha (" + std::string(expected_word) + count + ").";
    case TProblem::NotEnd: return "esperado o fim da linha.";
    case TProblem::NotInteger: return "esperado um número inteiro.";
    case TProblem::NotReal: return "esperado um número real.";
    case TProblem::IntegerRange: return "número inteiro fora do intervalo de -2147483648 a 2147483647.";
    case TProblem::RealRange: return "número real fora do intervalo representável.";
    case TProblem::NotCanonical:
      return "número fora do formato do arquivo (esperado \"" + e.expected + "\").";
    case TProblem::None: break;
  }
  return "erro de leitura.";
}

bool IsDigit(char ch) { return static_cast<unsigned char>(ch - '0') <= 9; }

// A character that, right after a number, makes the whole text something
// other than a number. Anything else (a blank, "-", a stray CR) ends the
// field and is judged as what follows it.
bool GluedToNumber(char ch) {
  const auto b = static_cast<unsigned char>(ch);
  return std::isalnum(b) != 0 || ch == '.' || ch == ',' || ch == '+' || b >= 0x80;
}

std::size_t WriteField(char* out, TKind kind, double value, int decimals) {
  return kind == TKind::Exp ? WriteExp(out, value, decimals) : WriteFixed(out, value, decimals);
}

// What stands at the end of a line's values: nothing, more values, or other text.
TProblem EndProblem(std::string_view s, std::size_t pos) {
  if (pos >= s.size()) return TProblem::None;
  std::size_t i = pos;
  while (i < s.size() && s[i] == ' ') ++i;
  if (i < s.size() && (IsDigit(s[i]) || s[i] == '-')) return TProblem::TooMany;
  return TProblem::NotEnd;
}

// The real field that starts at c: "f" fields run to the end of their
// number, "e" fields are 10 columns.
TProblem ReadReal(std::string_view s, std::size_t c, TKind kind, int decimals, double* value,
                  std::size_t* end, std::string* expected) {
  const std::size_t n = s.size();
  if (c >= n) return TProblem::Missing;
  const std::size_t limit = kind == TKind::Exp ? (n - c < 10 ? n : c + 10) : n;
  std::size_t i = c;
  while (i < limit && s[i] == ' ') ++i;
  const std::size_t token = i;
  if (i < limit && s[i] == '-') ++i;
  const std::size_t first_digit = i;
  while (i < limit && IsDigit(s[i])) ++i;
  if (i == first_digit) return TProblem::NotReal;
  if (i < limit && s[i] == '.') {
    ++i;
    while (i < limit && IsDigit(s[i])) ++i;
  }
  if (i < limit && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < limit && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t exponent = i;
    while (i < limit && IsDigit(s[i])) ++i;
    if (i == exponent) return TProblem::NotReal;
  }
  if (kind == TKind::Exp) {
    if (i != limit) return TProblem::NotReal;
  } else if (i < n && GluedToNumber(s[i])) {
    return TProblem::NotReal;  // "100,00", "1.5x": not a number as a whole
  }

  const char* text = s.data() + c;
  const std::size_t width = i - c;
  char canonical[kMaxFileNumber];
  double v = 0.0;
  const std::from_chars_result r = std::from_chars(s.data() + token, s.data() + i, v);
  if (r.ptr != s.data() + i) return TProblem::NotReal;
  if (r.ec == std::errc::result_out_of_range) {
    // The short "e" texts of the largest doubles ("1.80e+308") lie beyond
    // the range; they are read as the largest double, which writes them.
    const double largest = s[token] == '-' ? -DBL_MAX : DBL_MAX;
    const std::size_t len = WriteField(canonical, kind, largest, decimals);
    if (len != width || std::memcmp(canonical, text, len) != 0) return TProblem::RealRange;
    v = largest;
  } else if (r.ec != std::errc()) {
    return TProblem::NotReal;
  } else {
    const std::size_t len = WriteField(canonical, kind, v, decimals);
    if (len != width || std::memcmp(canonical, text, len) != 0) {
      if (expected != nullptr) expected->assign(canonical, len);
      return TProblem::NotCanonical;
    }
  }
  *value = v;
  *end = i;
  return TProblem::None;
}

// The integer field [c, c + width).
TProblem ReadInteger(std::string_view s, std::size_t c, std::size_t width, int32_t* value,
                     std::size_t* end, std::string* expected) {
  const std::size_t n = s.size();
  if (c >= n) return TProblem::Missing;
  const std::size_t limit = n - c < width ? n : c + width;
  std::size_t i = c;
  while (i < limit && s[i] == ' ') ++i;
  const bool negative = i < limit && s[i] == '-';
  if (negative) ++i;
  const std::size_t first_digit = i;
  int64_t magnitude = 0;
  while (i < limit && IsDigit(s[i])) magnitude = magnitude * 10 + (s[i++] - '0');  // <= 11 digits
  if (i == first_digit || i != limit) return TProblem::NotInteger;
  const int64_t v = negative ? -magnitude : magnitude;
  if (v < INT32_MIN || v > INT32_MAX) return TProblem::IntegerRange;
  char canonical[kMaxFileNumber];
  const std::size_t len = WriteInt10(canonical, static_cast<int32_t>(v));
  if (len != limit - c || std::memcmp(canonical, s.data() + c, len) != 0) {
    if (expected != nullptr) expected->assign(canonical, len);
    return TProblem::NotCanonical;
  }
  *value = static_cast<int32_t>(v);
  *end = limit;
  return TProblem::None;
}

// "-" and ten digits: the only 11-column "%10d" text.
bool WideIntegerAt(std::string_view s, std::size_t c) {
  if (s.size() < c + 11 || s[c] != '-') return false;
  for (std::size_t i = c + 1; i < c + 11; ++i) {
    if (!IsDigit(s[i])) return false;
  }
  return true;
}

struct TField {
  TKind kind;
  int decimals;
  void* target;  // int32_t* for Integer, double* otherwise
};

TField Int(int32_t& v) { return {TKind::Integer, 0, &v}; }
TField Fix(double& v, int d) { return {TKind::Fixed, d, &v}; }
TField Exp(double& v, int d) { return {TKind::Exp, d, &v}; }

// Matches the fields of a short line from pos on; on failure *error holds
// the first problem of the first split tried.
bool MatchFields(std::string_view s, std::size_t pos, std::span<const TField> fields, TFieldError* error) {
  if (fields.empty()) {
    const TProblem p = EndProblem(s, pos);
    if (p == TProblem::None) return true;
    *error = {p, pos, {}};
    return false;
  }
  const TField& f = fields.front();
  std::size_t end = 0;
  if (f.kind != TKind::Integer) {
    std::string expected;
    const TProblem p = ReadReal(s, pos, f.kind, f.decimals, static_cast<double*>(f.target), &end, &expected);
    if (p != TProblem::None) {
      *error = {p, pos, std::move(expected)};
      return false;
    }
    return MatchFields(s, end, fields.subspan(1), error);
  }
  const std::size_t widths[2] = {11, 10};
  bool have_first = false;
  for (std::size_t width : widths) {
    if (width == 11 && !WideIntegerAt(s, pos)) continue;
    TFieldError attempt;
    const TProblem p = ReadInteger(s, pos, width, static_cast<int32_t*>(f.target), &end, &attempt.expected);
    if (p == TProblem::None && MatchFields(s, end, fields.subspan(1), &attempt)) return true;
    if (p != TProblem::None) {
      attempt.problem = p;
      attempt.column = pos;
    }
    if (!have_first) {
      *error = std::move(attempt);
      have_first = true;
    }
  }
  return false;
}

// A "% 10.2f" field of exactly 10 columns as the writer writes every value
// below a million: padding, an optional "-", digits without a leading zero,
// the point and two decimals, followed by a blank, a "-" or the line's end.
// q / 100 with q exact is the correctly rounded value of the text.
inline bool FastFixed2(const char* p, char next, double* out) {
  if ((next != ' ' && next != '-') || p[7] != '.' || !IsDigit(p[8]) || !IsDigit(p[9])) return false;
  int i = 0;
  while (i < 7 && p[i] == ' ') ++i;
  bool negative = false;
  if (p[i] == '-') {
    negative = true;
    ++i;
  } else if (i == 0) {
    return false;  // no blank for the sign
  }
  if (i >= 7 || (p[i] == '0' && i < 6)) return false;
  uint32_t q = 0;
  for (; i < 7; ++i) {
    if (!IsDigit(p[i])) return false;
    q = q * 10 + static_cast<uint32_t>(p[i] - '0');
  }
  q = q * 100 + static_cast<uint32_t>(p[8] - '0') * 10 + static_cast<uint32_t>(p[9] - '0');
  const double v = static_cast<double>(q) / 100.0;
  *out = negative ? -v : v;
  return true;
}

uint64_t BlockLines(uint64_t values) { return (values + 7) / 8; }

// Bytes that may stand in the title: exactly what the writer accepts from
// the window (its own check, one character at a time), and no byte the code
// page leaves unassigned.
bool TitleByte(unsigned char b) {
  const char32_t cp = Cp1252ToCodePoint(b);
  if (cp == 0 && b != 0) return false;
  const std::optional<std::string> utf8 = Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(&b), 1));
  return utf8 && CheckTitle(*utf8).Ok();
}

// ---- the parser ----------------------------------------------------------

class TParser {
public:
  TParser(TLineSource& source, const TReadProgress& progress) : source_(source), progress_(progress) {}

  void Parse(TCaseData* out, std::string* title_utf8) {
    const TLine title = NextLine();
    for (std::size_t i = 0; i < title.text.size(); ++i) {
      const auto b = static_cast<unsigned char>(title.text[i]);
      if (!TitleByte(b)) {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", b);
        Damaged(1, i + 1, std::string("caractere não permitido no título (byte ") + code + ").");
      }
    }
    std::optional<std::string> utf8 = Cp1252ToUtf8(title.text);
    if (!utf8) Damaged(1, 1, "caractere não permitido no título.");

    TCaseData d;
    ReadIntervals(&d);
    TAlgorithmParameters& a = d.alg;
    ReadLine({Int(a.nu), Int(a.nd)});
    ReadLine({Int(a.klim), Fix(a.Epsext, 6), Fix(a.Rhoext, 5)});
    ReadLine({Fix(d.base, 2)});
    ReadLine({Exp(d.c0, 2), Exp(d.c, 2), Exp(d.q, 2), Fix(d.Ptmin, 4), Fix(d.Ptmax, 4)});
    ReadLine({Exp(d.a0, 2), Exp(d.a1, 2), Fix(d.Phmin, 4), Fix(d.Phmax, 4), Fix(d.Vtot, 2)});
    ReadLine({Exp(d.Zeta0, 2), Exp(d.Zetat, 2), Exp(d.Zetah, 2), Exp(d.Gammat, 2), Exp(d.Gammah, 2)});
    const uint64_t n = static_cast<uint64_t>(d.N);
    ReadBlock("xnl", 6 * n, &a.xnl);
    ReadBlock("x0", 6 * n, &a.x0);
    ReadBlock("xlowbd", 2 * n, &a.xlowbd);
    ReadBlock("y0", 5 * n + 1, &a.y0);
    ReadBlock("z0", 6 * n, &a.z0);
    ReadLine({Exp(a.Rho, 2), Exp(a.Epsln, 2), Int(a.Maxit), Exp(a.Bigm, 1), Exp(a.Sigma, 2),
              Exp(a.Epslnp, 2), Exp(a.Epslmek, 2), Exp(a.Mu0, 2)});
    ReadLine({Int(a.iprint)});
    TLine extra;
    if (source_.Next(&extra)) {
      Damaged(line_ + 1, 1, "esperado o fim do arquivo (o caso tem " + std::to_string(expected_lines_) +
           " linhas).");
    }
    Tick(source_.Total(), true);
    *out = std::move(d);
    *title_utf8 = std::move(*utf8);
  }

private:
  static constexpr uint64_t kTickBytes = uint64_t{1} << 20;

  void Tick(uint64_t done, bool always = false) {
    if (!progress_ || (!always && done < next_tick_)) return;
    next_tick_ = done + kTickBytes;
    if (!progress_(done, source_.Total())) Fail(TErrc::Cancelled, kReadCancelled);
  }

  TLine NextLine() {
    line_start_ = source_.Offset();
    Tick(line_start_);
    TLine line;
    if (!source_.Next(&line)) {
      std::string text = "o arquivo termina antes do fim do caso";
      if (expected_lines_ > 0) text += " (esperadas " + std::to_string(expected_lines_) + " linhas)";
      Damaged(line_ + 1, 1, text + ".");
    }
    ++line_;
    if (!line.terminated) Damaged(line_, line.text.size() + 1, "falta a quebra de linha no fim da linha.");
    return line;
  }

  [[noreturn]] void FailAt(const TFieldError& e, uint64_t values_on_line) {
    Damaged(line_, e.column + 1, ProblemText(e, values_on_line));
  }

  void ReadLine(std::initializer_list<TField> fields) {
    const TLine line = NextLine();
    TFieldError error;
    if (!MatchFields(line.text, 0, std::span<const TField>(fields.begin(), fields.size()), &error)) {
      FailAt(error, fields.size());
    }
  }

  // Lines 2 and 3: N, the durations, the loads. N is checked against the
  // file's size before the arrays are allocated.
  void ReadIntervals(TCaseData* d) {
    const TLine line = NextLine();
    int32_t n = 0;
    std::size_t pos = 0;
    TFieldError error;
    const std::size_t widths[2] = {11, 10};
    TProblem p = TProblem::Missing;
    for (std::size_t width : widths) {
      if (width == 11 && !WideIntegerAt(line.text, 0)) continue;
      error.expected.clear();
      p = ReadInteger(line.text, 0, width, &n, &pos, &error.expected);
      if (p == TProblem::None) break;
    }
    if (p != TProblem::None) {
      error.problem = p;
      error.column = 0;
      FailAt(error, 1);
    }
    if (n < 1) Damaged(2, 1, "o número de intervalos deve ser pelo menos 1.");
    const uint64_t un = static_cast<uint64_t>(n);
    const uint64_t needed = un * kMinBytesPerInterval;
    if (needed > source_.Total()) {
      Damaged(2, 1, std::to_string(n) + " intervalos exigem um arquivo de pelo menos " +
           std::to_string(needed) + " bytes, e este tem " + std::to_string(source_.Total()) + ".");
    }
    expected_lines_ = 9 + 3 * BlockLines(6 * un) + BlockLines(2 * un) + BlockLines(5 * un + 1) + 2;
    if (!d->Create(n)) Fail(TErrc::NoMemory, At(2, 1) + "memória insuficiente para " + std::to_string(n) + " intervalos.");
    ReadValues(line, pos, d->durations.data(), un, un + 1);
    const TLine loads = NextLine();
    ReadValues(loads, 0, d->loads.data(), un, un);
  }

  void ReadValues(const TLine& line, std::size_t pos, double* out, uint64_t count, uint64_t values_on_line) {
    const std::string_view s = line.text;
    const char* p = s.data();
    const std::size_t len = s.size();
    for (uint64_t i = 0; i < count; ++i) {
      if ((i & 0xFFFF) == 0xFFFF) Tick(line_start_ + pos);
      if (len - pos >= 10 && FastFixed2(p + pos, len - pos == 10 ? ' ' : p[pos + 10], out + i)) {
        pos += 10;
        continue;
      }
      TFieldError error;
      std::size_t end = 0;
      error.problem = ReadReal(s, pos, TKind::Fixed, 2, out + i, &end, &error.expected);
      if (error.problem != TProblem::None) {
        error.column = pos;
        FailAt(error, values_on_line);
      }
      pos = end;
    }
    const TProblem end = EndProblem(s, pos);
    if (end != TProblem::None) FailAt({end, pos, {}}, values_on_line);
  }

  // A vector block: `count` copies of one value, eight to a line.
  void ReadBlock(const char* name, uint64_t count, double* target) {
    const uint64_t lines = BlockLines(count);
    std::string field;
    std::string full;
    for (uint64_t li = 0; li < lines; ++li) {
      const TLine line = NextLine();
      const uint64_t k = li + 1 < lines ? 8 : count - 8 * (lines - 1);
      if (li == 0) {
        TFieldError error;
        std::size_t end = 0;
        error.problem = ReadReal(line.text, 0, TKind::Fixed, 2, target, &end, &error.expected);
        if (error.problem != TProblem::None) FailAt(error, k);
        field.assign(line.text.substr(0, end));
        for (int i = 0; i < 8; ++i) full += field;
      }
      const std::size_t want = field.size() * static_cast<std::size_t>(k);
      if (line.text.size() == want && std::memcmp(line.text.data(), full.data(), want) == 0) continue;
      Diagnose(line.text, k, field, name);
    }
  }

  // A block line that is not k copies of the block's field: find out why.
  [[noreturn]] void Diagnose(std::string_view s, uint64_t k, const std::string& field, const char* name) {
    std::size_t pos = 0;
    for (uint64_t j = 0; j < k; ++j) {
      TFieldError error;
      std::size_t end = 0;
      double v = 0.0;
      error.problem = ReadReal(s, pos, TKind::Fixed, 2, &v, &end, &error.expected);
      if (error.problem != TProblem::None) {
        error.column = pos;
        FailAt(error, k);
      }
      if (s.substr(pos, end - pos) != field) {
        Damaged(line_, pos + 1, std::string("os valores de ") + name + " devem ser todos iguais (esperado \"" + field +
             "\").");
      }
      pos = end;
    }
    FailAt({EndProblem(s, pos), pos, {}}, k);
  }

  TLineSource& source_;
  const TReadProgress& progress_;
  uint64_t line_ = 0;  // lines read so far
  uint64_t line_start_ = 0;
  uint64_t expected_lines_ = 0;  // once N is known
  uint64_t next_tick_ = 0;
};

TError NoMemory() { return MakeError(TErrc::NoMemory, "Memória insuficiente para ler o arquivo."); }

TStatus Run(TLineSource& source, TCaseData* data, std::string* title_utf8, const TReadProgress& progress) {
  try {
    TParser parser(source, progress);
    parser.Parse(data, title_utf8);
    return {};
  } catch (TFailure& failure) {
    return std::move(failure.error);
  } catch (const std::bad_alloc&) {
    return NoMemory();
  }
}

}  // namespace

std::string OpenErrorText(int error) {
  switch (error) {
    case ENOENT: return "o arquivo não existe";
    case EISDIR: return "o caminho é uma pasta";
    default: return FileErrorText(error);
  }
}

TStatus ParseCaseFile(std::string_view bytes, TCaseData* data, std::string* title_utf8,
                      const TReadProgress& progress) {
  TMemoryLines source(bytes);
  return Run(source, data, title_utf8, progress);
}

TStatus ReadCaseFile(const std::string& path, TCaseData* data, std::string* title_utf8,
                     const TReadProgress& progress) {
  auto cannot = [&path](const std::string& reason) {
    return MakeError(TErrc::FileOpen, "Não foi possível abrir o arquivo \"" + path + "\": " + reason + ".");
  };
  // Non-blocking, so that a named pipe given as the path cannot hang the
  // open; only regular files are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return cannot(OpenErrorText(errno));
  struct Close {
    int fd;
    ~Close() { ::close(fd); }
  } close_on_return{fd};
  struct stat info;
  if (::fstat(fd, &info) != 0) return cannot(FileErrorText(errno));
  if (S_ISDIR(info.st_mode)) return cannot(OpenErrorText(EISDIR));
  if (!S_ISREG(info.st_mode)) return cannot("não é um arquivo comum");
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  try {
    TFileLines source(fd, static_cast<std::uint64_t>(info.st_size), path);
    TStatus status = Run(source, data, title_utf8, progress);
    if (!status) {
      TError error = std::move(status).Error();
      error.file = path;
      return error;
    }
    return status;
  } catch (const std::bad_alloc&) {
    return NoMemory();
  }
}
