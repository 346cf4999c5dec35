// Any bytes given to the reader: it does not crash, a refusal is one message
// of the fixed shape ("Linha L, coluna C: ....") and leaves the record alone,
// and whatever it accepts writes back to the same bytes (every line ended by
// CR LF, as the writer ends them).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "case/CaseData.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "case/Cp1252.h"
#include "fuzz/fuzz_check.h"

namespace {

std::string WithCrLf(std::string_view bytes) {
  std::string out;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t lf = bytes.find('\n', start);
    if (lf == std::string_view::npos) lf = bytes.size();
    std::size_t end = lf;
    if (end > start && bytes[end - 1] == '\r') --end;
    out.append(bytes.substr(start, end - start));
    out += "\r\n";
    start = lf + 1;
  }
  return out;
}

// "Linha <digits>, coluna <digits>: <text>." on one line.
bool Shaped(const std::string& m) {
  std::size_t i = 0;
  auto literal = [&](std::string_view s) {
    if (m.compare(i, s.size(), s) != 0) return false;
    i += s.size();
    return true;
  };
  auto number = [&] {
    const std::size_t start = i;
    while (i < m.size() && m[i] >= '0' && m[i] <= '9') ++i;
    return i > start && m[start] != '0';
  };
  if (!literal("Linha ") || !number() || !literal(", coluna ") || !number() || !literal(": ")) return false;
  if (i >= m.size() - 1 || m.back() != '.') return false;
  return m.find_first_of("\r\n") == std::string::npos && DecodeUtf8(m).has_value();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  TCaseData d;
  std::string title = "untouched";
  const TStatus read = ParseCaseFile(bytes, &d, &title);
  {  // the same verdict however the input is taken in
    TCaseData other;
    std::string other_title;
    SetReadPieceForTesting(1 + size % 61);
    const TStatus again = ParseCaseFile(bytes, &other, &other_title);
    SetReadPieceForTesting(0);
    FUZZ_CHECK(again.Ok() == read.Ok() && (read.Ok() || again.Error().message == read.Error().message),
               "another verdict in small pieces: %s", again.Ok() ? "accepted" : again.Error().message.c_str());
  }
  if (!read) {
    const std::string& message = read.Error().message;
    FUZZ_CHECK(Shaped(message), "message of the wrong shape: %s", message.c_str());
    FUZZ_CHECK(title == "untouched" && d.N == 1 && d.durations.size() == 0, "a refused file changed the record");
    return 0;
  }
  const TResult<std::string> cp1252 = CheckTitle(title);
  FUZZ_CHECK(cp1252.Ok(), "the title read cannot be written: %s", title.c_str());
  FUZZ_CHECK(d.N >= 1 && d.durations.size() == static_cast<std::size_t>(d.N) &&
                 d.loads.size() == static_cast<std::size_t>(d.N),
             "N = %d with arrays of %zu and %zu", d.N, d.durations.size(), d.loads.size());
  const std::string again = FormatCaseFileToString(d, *cp1252);
  FUZZ_CHECK(again == WithCrLf(bytes), "accepted %zu bytes that write back as %zu other bytes", size, again.size());
  return 0;
}
