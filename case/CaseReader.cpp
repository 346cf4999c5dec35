#include "case/CaseReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
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
#include "case/FileSystem.h"

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

// Bytes of the current line from the read position on. The source never
// holds more of a line than the parser asks for (and a piece of input
// around it), so a file of any size is read in bounded memory.
struct TView {
  std::string_view text;    // without the line's end (and the CR before an LF) when `ends`
  bool ends = false;        // the line ends right after `text`: at an LF or at the input's end
  bool terminated = false;  // ... at an LF
};

class TLineSource {
public:
  virtual ~TLineSource() = default;
  // At least `want` bytes of the current line from the read position,
  // fewer only where the line ends sooner; maybe more. Valid until the
  // next call. A CR that may be the line end's stays out of a view that
  // does not end the line.
  virtual TView Peek(std::size_t want) = 0;
  // Moves the read position on by `n` bytes (at most the last view's).
  virtual void Skip(std::size_t n) = 0;
  // Moves past the end of the current line, once a view has reached it.
  virtual void EndLine() = 0;
  // Whether the input has no byte left.
  virtual bool AtEnd() = 0;
  // Bytes consumed so far.
  virtual std::uint64_t Offset() const = 0;
  virtual std::uint64_t Total() const = 0;
};

constexpr std::size_t kPiece = std::size_t{1} << 20;
std::atomic<std::size_t> g_piece_for_testing{0};

// How much input a source takes in at once.
std::size_t Piece() {
  const std::size_t piece = g_piece_for_testing.load(std::memory_order_relaxed);
  return piece > 0 ? piece : kPiece;
}

// Strips the line end of [begin, begin + len) ending at an LF (excluded).
std::string_view WithoutCr(const char* begin, std::size_t len) {
  if (len > 0 && begin[len - 1] == '\r') --len;
  return {begin, len};
}

// [begin, begin + len) of a line that goes on after it.
std::string_view Unended(const char* begin, std::size_t len) {
  return {begin, len > 0 && begin[len - 1] == '\r' ? len - 1 : len};
}

class TMemoryLines final : public TLineSource {
public:
  explicit TMemoryLines(std::string_view bytes) : bytes_(bytes) {}

  TView Peek(std::size_t want) override {
    const char* begin = bytes_.data() + pos_;
    const std::size_t left = bytes_.size() - pos_;
    const std::size_t reach = std::min(left, std::max(want + 1, piece_));
    if (const void* lf = std::memchr(begin, '\n', reach)) {
      return {WithoutCr(begin, static_cast<std::size_t>(static_cast<const char*>(lf) - begin)), true, true};
    }
    if (reach == left) return {{begin, left}, true, false};
    return {Unended(begin, reach), false, false};
  }
  void Skip(std::size_t n) override { pos_ += n; }
  void EndLine() override {
    const void* lf = std::memchr(bytes_.data() + pos_, '\n', bytes_.size() - pos_);
    pos_ = lf == nullptr ? bytes_.size() : static_cast<std::size_t>(static_cast<const char*>(lf) - bytes_.data()) + 1;
  }
  bool AtEnd() override { return pos_ >= bytes_.size(); }
  std::uint64_t Offset() const override { return pos_; }
  std::uint64_t Total() const override { return bytes_.size(); }

private:
  std::string_view bytes_;
  std::size_t pos_ = 0;
  std::size_t piece_ = Piece();
};

// A file read in pieces into one buffer that never grows: a line is
// looked at through views of it, never held whole.
class TFileLines final : public TLineSource {
public:
  TFileLines(int fd, std::uint64_t total, std::string path)
      : fd_(fd), total_(total), path_(std::move(path)) {
    const std::size_t piece = Piece();
    capacity_ = static_cast<std::size_t>(std::min<std::uint64_t>(total_ + 1, piece));
    if (capacity_ < 4096 && piece == kPiece) capacity_ = 4096;
    buffer_.reset(new char[capacity_]);
  }

  TView Peek(std::size_t want) override {
    for (;;) {
      if (lf_ == kNone) {
        if (const void* lf = std::memchr(buffer_.get() + scan_, '\n', end_ - scan_)) {
          lf_ = static_cast<std::size_t>(static_cast<const char*>(lf) - buffer_.get());
        } else {
          scan_ = end_;
        }
      }
      const char* begin = buffer_.get() + begin_;
      if (lf_ != kNone) return {WithoutCr(begin, lf_ - begin_), true, true};
      if (eof_) return {{begin, end_ - begin_}, true, false};
      if (end_ - begin_ > want) return {Unended(begin, end_ - begin_), false, false};
      Fill(want + 1);
    }
  }
  void Skip(std::size_t n) override {
    begin_ += n;
    offset_ += n;
  }
  void EndLine() override {
    const std::size_t next = lf_ != kNone ? lf_ + 1 : end_;
    offset_ += next - begin_;
    begin_ = scan_ = next;
    lf_ = kNone;
  }
  bool AtEnd() override {
    while (begin_ == end_ && !eof_) Fill(1);
    return begin_ == end_;
  }
  std::uint64_t Offset() const override { return offset_; }
  std::uint64_t Total() const override { return total_; }

private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  // Reads more, keeping the unread bytes; room for `need` of them.
  void Fill(std::size_t need) {
    if (begin_ > 0) {
      std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
      end_ -= begin_;
      scan_ -= begin_;
      if (lf_ != kNone) lf_ -= begin_;
      begin_ = 0;
    }
    if (need > capacity_) {  // only with pieces smaller than a short line (tests)
      std::unique_ptr<char[]> grown(new char[need]);
      std::memcpy(grown.get(), buffer_.get(), end_);
      buffer_ = std::move(grown);
      capacity_ = need;
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
  std::size_t lf_ = kNone;  // the current line's LF, once seen
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
  TooLong,       // wider than any field the writer writes
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
    case TProblem::TooLong:
      return "valor mais longo do que o arquivo permite (" + std::to_string(kMaxFixedWidth) + " caracteres).";
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
// number, "e" fields are 10 columns. Only the bytes a field of the writer
// can take, and the one after them, are looked at: a line may be a view
// of kFieldWindow bytes from c on.
constexpr std::size_t kFieldWindow = kMaxFixedWidth + 1;

TProblem ReadReal(std::string_view s, std::size_t c, TKind kind, int decimals, double* value,
                  std::size_t* end, std::string* expected) {
  const std::size_t n = s.size();
  if (c >= n) return TProblem::Missing;
  const std::size_t window = kind == TKind::Exp ? 10 : kFieldWindow;
  const std::size_t limit = n - c < window ? n : c + window;
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
  } else if (i == c + kFieldWindow) {
    return TProblem::TooLong;
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
    const std::string_view title = ShortLine(kMaxTitleCharacters);
    for (std::size_t i = 0; i < title.size(); ++i) {
      const auto b = static_cast<unsigned char>(title[i]);
      if (!TitleByte(b)) {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02X", b);
        Damaged(1, i + 1, std::string("caractere não permitido no título (byte ") + code + ").");
      }
    }
    std::optional<std::string> utf8 = Cp1252ToUtf8(title);
    if (!utf8) Damaged(1, 1, "caractere não permitido no título.");
    source_.EndLine();

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
    if (!source_.AtEnd()) {
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

  // Starts the next line: there must be one.
  void BeginLine() {
    Tick(source_.Offset());
    if (source_.AtEnd()) {
      std::string text = "o arquivo termina antes do fim do caso";
      if (expected_lines_ > 0) text += " (esperadas " + std::to_string(expected_lines_) + " linhas)";
      Damaged(line_ + 1, 1, text + ".");
    }
    ++line_;
  }

  // A line's widest text as the writer writes it: what the line may hold.
  [[noreturn]] void TooLong(uint64_t limit) {
    Damaged(line_, limit + 1,
            line_ == 1 ? "o título passa de " + std::to_string(limit) + " caracteres."
                       : "a linha passa de " + std::to_string(limit) +
                             " caracteres, o máximo que ela pode ter neste caso.");
  }

  // A whole line of at most `limit` bytes (without its line end), valid
  // until the source is used again. A longer one is refused once `limit`
  // + 1 of its bytes are seen.
  std::string_view ShortLine(std::size_t limit) {
    BeginLine();
    const TView v = source_.Peek(limit + 1);
    if (!v.ends || v.text.size() > limit) TooLong(limit);
    if (!v.terminated) Damaged(line_, v.text.size() + 1, "falta a quebra de linha no fim da linha.");
    return v.text;
  }

  [[noreturn]] void FailAt(const TFieldError& e, uint64_t values_on_line) {
    Damaged(line_, e.column + 1, ProblemText(e, values_on_line));
  }

  static std::size_t MaxWidth(const TField& f) {
    switch (f.kind) {
      case TKind::Integer: return kMaxInt10Width;
      case TKind::Exp: return MaxExpWidth(f.decimals);
      case TKind::Fixed: break;
    }
    return kMaxFixedWidth;
  }

  void ReadLine(std::initializer_list<TField> fields) {
    std::size_t limit = 0;
    for (const TField& f : fields) limit += MaxWidth(f);
    const std::string_view line = ShortLine(limit);
    TFieldError error;
    if (!MatchFields(line, 0, std::span<const TField>(fields.begin(), fields.size()), &error)) {
      FailAt(error, fields.size());
    }
    source_.EndLine();
  }

  // Lines 2 and 3: N, the durations, the loads. N is checked against the
  // file's size before the arrays are allocated; then both lines are read
  // through views of the source, never whole.
  void ReadIntervals(TCaseData* d) {
    BeginLine();
    const std::string_view head = source_.Peek(kMaxInt10Width + 1).text;
    int32_t n = 0;
    std::size_t pos = 0;
    TFieldError error;
    const std::size_t widths[2] = {11, 10};
    TProblem p = TProblem::Missing;
    for (std::size_t width : widths) {
      if (width == 11 && !WideIntegerAt(head, 0)) continue;
      error.expected.clear();
      p = ReadInteger(head, 0, width, &n, &pos, &error.expected);
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
    if (!d->Create(n)) {
      TError e = MakeError(TErrc::NoMemory, At(2, 1) + "memória insuficiente para " + std::to_string(n) + " intervalos.");
      e.line = 2;
      e.column = 1;
      throw TFailure{std::move(e)};
    }
    source_.Skip(pos);
    column_ = pos;
    ReadValues(d->durations.data(), un, un + 1, pos + un * kMaxFixedWidth);
    BeginLine();
    column_ = 0;
    ReadValues(d->loads.data(), un, un, un * kMaxFixedWidth);
  }

  // `count` "% 10.2f" values from the read position (column_) on, and the
  // line's end; the line may be `limit` bytes long at most.
  void ReadValues(double* out, uint64_t count, uint64_t values_on_line, uint64_t limit) {
    TView v = source_.Peek(kFieldWindow);
    std::size_t pos = 0;  // in v.text
    for (uint64_t i = 0; i < count; ++i) {
      if (!v.ends && v.text.size() - pos < kFieldWindow) {
        source_.Skip(pos);
        column_ += pos;
        pos = 0;
        Tick(source_.Offset());
        v = source_.Peek(kFieldWindow);
      }
      const char* p = v.text.data();
      const std::size_t len = v.text.size();
      if (len - pos >= 10 && FastFixed2(p + pos, len - pos == 10 ? ' ' : p[pos + 10], out + i)) {
        pos += 10;
        continue;
      }
      TFieldError error;
      std::size_t end = 0;
      error.problem = ReadReal(v.text, pos, TKind::Fixed, 2, out + i, &end, &error.expected);
      if (error.problem != TProblem::None) {
        error.column = column_ + pos;
        FailAt(error, values_on_line);
      }
      pos = end;
    }
    source_.Skip(pos);
    column_ += pos;
    EndOfValues(values_on_line, limit);
  }

  // The line must end where its values do. Whatever follows is judged as
  // on a short line (more values, or other text), looking no further than
  // the line may reach.
  void EndOfValues(uint64_t values_on_line, uint64_t limit) {
    const uint64_t start = column_;
    for (;;) {
      const TView v = source_.Peek(kFieldWindow);
      std::size_t i = 0;
      while (i < v.text.size() && v.text[i] == ' ') ++i;
      if (i < v.text.size()) {
        const char c = v.text[i];
        FailAt({IsDigit(c) || c == '-' ? TProblem::TooMany : TProblem::NotEnd, start, {}}, values_on_line);
      }
      if (v.ends) {
        if (column_ + i > start) FailAt({TProblem::NotEnd, start, {}}, values_on_line);
        if (!v.terminated) Damaged(line_, column_ + 1, "falta a quebra de linha no fim da linha.");
        source_.EndLine();
        return;
      }
      source_.Skip(i);
      column_ += i;
      if (column_ > limit) FailAt({TProblem::NotEnd, start, {}}, values_on_line);
    }
  }

  // A vector block: `count` copies of one value, eight to a line.
  void ReadBlock(const char* name, uint64_t count, double* target) {
    const uint64_t lines = BlockLines(count);
    std::string field;
    std::string full;
    for (uint64_t li = 0; li < lines; ++li) {
      const uint64_t k = li + 1 < lines ? 8 : count - 8 * (lines - 1);
      const std::string_view line = ShortLine(static_cast<std::size_t>(k) * kMaxFixedWidth);
      if (li == 0) {
        TFieldError error;
        std::size_t end = 0;
        error.problem = ReadReal(line, 0, TKind::Fixed, 2, target, &end, &error.expected);
        if (error.problem != TProblem::None) FailAt(error, k);
        field.assign(line.substr(0, end));
        for (int i = 0; i < 8; ++i) full += field;
      }
      const std::size_t want = field.size() * static_cast<std::size_t>(k);
      if (line.size() != want || std::memcmp(line.data(), full.data(), want) != 0) Diagnose(line, k, field, name);
      source_.EndLine();
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
  uint64_t line_ = 0;    // lines begun so far
  uint64_t column_ = 0;  // bytes of a long line already read through
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

std::string FailureNamingFile(const TError& error) {
  if (error.line == 0 || error.file.empty()) return error.message;
  return "Não foi possível abrir o arquivo \"" + error.file + "\":\n" + error.message;
}

void SetReadPieceForTesting(std::size_t bytes) { g_piece_for_testing = bytes; }

TStatus ParseCaseFile(std::string_view bytes, TCaseData* data, std::string* title_utf8,
                      const TReadProgress& progress) {
  TMemoryLines source(bytes);
  return Run(source, data, title_utf8, progress);
}

TStatus ReadCaseFile(const std::string& path, TCaseData* data, std::string* title_utf8,
                     const TReadProgress& progress) {
  auto cannot = [&path](TErrc code, const std::string& reason) {
    TError error = MakeError(code, "Não foi possível abrir o arquivo \"" + path + "\": " + reason + ".");
    error.file = path;
    return error;
  };
  // The path is resolved as a save resolves it (another user's link in a
  // shared folder is not followed), and the file opened through it:
  // non-blocking, so that a named pipe given as the path cannot hang the
  // open; only regular files are read.
  TResult<TResolvedPath> where = ResolvePath(path);
  if (!where) return cannot(where.Code(), where.Error().message);
  if (!where->exists) return cannot(TErrc::FileOpen, OpenErrorText(ENOENT));
  TFd fd(FileSystemCalls().openat(where->folder.Get(), where->name.c_str(),
                                  O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY, 0));
  if (!fd.Valid()) return cannot(TErrc::FileOpen, OpenErrorText(errno));
  struct stat info;
  if (FileSystemCalls().fstat(fd.Get(), &info) != 0) return cannot(TErrc::FileOpen, FileErrorText(errno));
  if (S_ISDIR(info.st_mode)) return cannot(TErrc::FileOpen, OpenErrorText(EISDIR));
  if (!S_ISREG(info.st_mode)) return cannot(TErrc::FileOpen, "não é um arquivo comum");
  const int flags = ::fcntl(fd.Get(), F_GETFL);
  if (flags >= 0) (void)::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK);
  TStatus status;
  try {
    TFileLines source(fd.Get(), static_cast<std::uint64_t>(info.st_size), path);
    status = Run(source, data, title_utf8, progress);
  } catch (const std::bad_alloc&) {
    status = NoMemory();
  }
  if (status) return status;
  TError error = std::move(status).Error();
  error.file = path;
  if (error.code == TErrc::NoMemory && error.line == 0) {
    error.message = "Memória insuficiente para ler o arquivo \"" + path + "\".";
  }
  return error;
}
