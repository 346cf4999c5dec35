#include "case/SpreadsheetClipboard.h"

#include <algorithm>
#include <charconv>
#include <new>

const std::vector<std::string_view>& TableClipboardFormats() {
  static const std::vector<std::string_view> formats = {kSylkMime, kGnumericMime, kHtmlMime, kPlainTextMime};
  return formats;
}

TResult<TPastedIntervals> ParseClipboardTable(std::string_view mime, std::string_view data,
                                              const TTableFormat& format, const TTableProgress& progress) {
  if (mime == kSylkMime) return ParseSylkTable(data, format, progress);
  if (mime == kGnumericMime) return ParseGnumericTable(data, format, progress);
  if (mime == kHtmlMime) return ParseHtmlTable(data, format, progress);
  return ParseIntervalTable(data, format, progress);
}

bool NoTableIn(const TError& error) {
  return error.code == TErrc::InvalidTable && error.message == NoTableMessage();
}

namespace {

// A value for the HTML's value attributes: the plain text's digits with the
// decimal point, which Calc reads under sdnum's language 1033 (US English)
// and Excel reads as x:num in any locale.
void AppendValue(std::string& out, const std::string& text) {
  for (char c : text) out += c == ',' ? '.' : c;
}

void AppendCell(std::string& out, const std::string& text) {
  out += "<td sdval=\"";
  AppendValue(out, text);
  out += "\" sdnum=\"1033;\" x:num=\"";
  AppendValue(out, text);
  out += "\">";
  out += text;
  out += "</td>";
}

}  // namespace

TResult<std::string> FormatIntervalTableHtml(const TCaseData& data, const TTableProgress& progress) {
  const std::size_t n = std::min({static_cast<std::size_t>(std::max<int32_t>(data.N, 0)), data.durations.size(),
                                  data.loads.size()});
  try {
    std::string html =
        "<html xmlns:x=\"urn:schemas-microsoft-com:office:excel\">\n<head>\n"
        "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\">\n</head>\n<body>\n<table>\n";
    html.reserve(html.size() + n * 150);
    char k[24];
    for (std::size_t i = 0; i < n; ++i) {
      const auto end = std::to_chars(k, k + sizeof k, i + 1).ptr;
      html += "<tr>";
      AppendCell(html, std::string(k, end));
      AppendCell(html, TableValueText(data.durations[i]));
      AppendCell(html, TableValueText(data.loads[i]));
      html += "</tr>\n";
      if (progress && (i + 1) % kTableProgressRows == 0 && !progress(i + 1, n))
        return MakeError(TErrc::Cancelled, "Cópia da tabela cancelada.");
    }
    html += "</table>\n</body>\n</html>\n";
    return html;
  } catch (const std::bad_alloc&) {
    return MakeError(TErrc::NoMemory, "Não há memória para copiar a tabela de " + std::to_string(n) + " intervalos.");
  }
}
