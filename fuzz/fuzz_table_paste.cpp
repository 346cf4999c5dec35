// Any bytes pasted as a table, in every format the window reads (the first
// byte picks it): no crash, a table no longer than its input, every refusal
// one message, and whatever is accepted copies out (text and HTML) and
// pastes back bit for bit.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "case/IntervalTable.h"
#include "case/SpreadsheetClipboard.h"
#include "fuzz/fuzz_check.h"

namespace {

bool SameTable(const TPastedIntervals& a, const TPastedIntervals& b) {
  return a.rows == b.rows && std::memcmp(a.durations.data(), b.durations.data(), a.rows * sizeof(double)) == 0 &&
         std::memcmp(a.loads.data(), b.loads.data(), a.rows * sizeof(double)) == 0;
}

TResult<TPastedIntervals> Paste(uint8_t kind, std::string_view bytes, char decimal_mark) {
  TTableFormat format;
  if (kind % 6 == 1) format = CsvTableFormat(';');
  if (kind % 6 == 2) format = CsvTableFormat(',');
  if (decimal_mark) format.decimal_mark = decimal_mark;
  switch (kind % 6) {
    case 3: return ParseSylkTable(bytes, format);
    case 4: return ParseHtmlTable(bytes, format);
    case 5: return ParseGnumericTable(bytes, format);
    default: return ParseIntervalTable(bytes, format);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  TResult<TPastedIntervals> read = Paste(data[0], bytes, 0);
  if (read.Code() == TErrc::AmbiguousTable) {
    // Asked: either answer reads the table.
    const TTableQuestion q = TableQuestionOf(read.Error());
    FUZZ_CHECK(!q.cell.empty() && q.as_thousands != q.as_decimal, "question without readings: %s",
               read.Error().message.c_str());
    FUZZ_CHECK(Paste(data[0], bytes, q.decimal_if_decimal).Ok(), "the decimal answer fails: %s", q.Text().c_str());
    read = Paste(data[0], bytes, q.decimal_if_thousands);
    FUZZ_CHECK(read.Ok(), "the thousands answer fails: %s", q.Text().c_str());
  }
  if (!read) {
    const std::string& m = read.Error().message;
    FUZZ_CHECK(!m.empty() && m.back() == '.' && m.find('\n') == std::string::npos, "message: %s", m.c_str());
    return 0;
  }
  const TPastedIntervals& table = *read;
  FUZZ_CHECK(table.rows >= 1 && table.rows <= bytes.size(), "%zu rows from %zu bytes", table.rows, bytes.size());

  TCaseData copy;
  FUZZ_CHECK(copy.Create(static_cast<int32_t>(table.rows)), "no table of %zu rows", table.rows);
  std::memcpy(copy.durations.data(), table.durations.data(), table.rows * sizeof(double));
  std::memcpy(copy.loads.data(), table.loads.data(), table.rows * sizeof(double));
  const TResult<std::string> text = FormatIntervalTable(copy);
  const TResult<std::string> html = FormatIntervalTableHtml(copy);
  FUZZ_CHECK(text.Ok() && html.Ok(), "copy failed");
  // The copy's text has the decimal comma (alone, "80,395" reads two ways:
  // the window's paste reads the HTML beside it).
  TTableFormat comma;
  comma.decimal_mark = ',';
  const TResult<TPastedIntervals> from_text = ParseIntervalTable(*text, comma);
  FUZZ_CHECK(from_text.Ok() && SameTable(*from_text, table), "text round trip: %s", text->c_str());
  const TResult<TPastedIntervals> from_html = ParseHtmlTable(*html);
  FUZZ_CHECK(from_html.Ok() && SameTable(*from_html, table), "HTML round trip: %s", html->c_str());
  return 0;
}
