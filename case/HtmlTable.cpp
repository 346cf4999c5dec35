// The table from HTML, as spreadsheets and web browsers put it on the
// clipboard, read with libxml2's HTML parser as a stream of events (no
// document tree): the first table's rows and cells, each cell's text and,
// where the spreadsheet wrote one, its raw value:
//   Calc:   <td sdval="8067,2" sdnum="1046;0;#.##0,00">8.067,20</td>
//   Excel:  <td x:num="8067.2">8.067,20</td>, or <td x:num>10</td> (the text is the value)
// A cell spanning several columns or rows is its value in the first and
// empty cells in the others, as a spreadsheet pastes a merged cell. The
// parser's work and memory follow the input's size; nothing is fetched.
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "case/SpreadsheetClipboard.h"
#include "case/TableCells.h"

namespace {

// The text kept of one cell: enough for any number and for the 40
// characters a message quotes. A longer cell is no number: "..." ends it.
constexpr std::size_t kCellText = 160;

// Cells that span rows are followed in the first columns only: a table is
// two or three columns wide, and a wider row is refused whatever it holds.
constexpr std::size_t kSpannedColumns = 8;

bool Named(const xmlChar* name, const char* wanted) {
  return std::strcmp(reinterpret_cast<const char*>(name), wanted) == 0;
}

std::size_t Span(const xmlChar* value) {
  if (!value) return 1;
  const long n = std::strtol(reinterpret_cast<const char*>(value), nullptr, 10);
  return n < 1 ? 1 : n > 1000 ? 1000 : static_cast<std::size_t>(n);  // as browsers cap colspan
}

class HtmlRows {
public:
  HtmlRows(std::string_view data, TTableBuilder& builder) : data_(data), builder_(builder) {}

  // Parses the whole input once, handing each row of the first table to the
  // builder. False when the builder stopped.
  bool Walk() {
    Reset();
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElement = [](void* self, const xmlChar* name, const xmlChar** attributes) {
      static_cast<HtmlRows*>(self)->Start(name, attributes);
    };
    sax.endElement = [](void* self, const xmlChar* name) { static_cast<HtmlRows*>(self)->End(name); };
    sax.characters = [](void* self, const xmlChar* text, int length) {
      static_cast<HtmlRows*>(self)->Text(text, length);
    };
    sax.cdataBlock = sax.characters;
    sax.serror = [](void*, xmlErrorPtr) {};  // damaged HTML is read as browsers read it
    // The parser pulls the data through a reader in small pieces and lets
    // go of what it has read: its memory stays small whatever the input's
    // size (a push parser keeps all it is given).
    htmlParserCtxtPtr context = htmlNewParserCtxt();
    if (!context) return builder_.Fail(MakeError(TErrc::NoMemory, "Não há memória para ler a tabela."));
    std::memcpy(context->sax, &sax, sizeof sax);
    context->userData = this;
    htmlCtxtUseOptions(context, HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING);
    offset_ = 0;
    xmlParserInputBufferPtr buffer = xmlParserInputBufferCreateIO(
        [](void* self, char* out, int length) { return static_cast<HtmlRows*>(self)->Read(out, length); },
        nullptr, this, XML_CHAR_ENCODING_UTF8);
    xmlParserInputPtr input = buffer ? xmlNewIOInputStream(context, buffer, XML_CHAR_ENCODING_UTF8) : nullptr;
    if (!input) {
      if (buffer) xmlFreeParserInputBuffer(buffer);
      htmlFreeParserCtxt(context);
      return builder_.Fail(MakeError(TErrc::NoMemory, "Não há memória para ler a tabela."));
    }
    inputPush(context, input);
    context_ = context;
    htmlParseDocument(context);
    if (!stopped_) EndTable();  // a table the data left open
    htmlFreeParserCtxt(context);
    context_ = nullptr;
    return !builder_.Failed();
  }

  bool FoundTable() const { return rows_ > 0; }

  // The reader's callback: the next piece of the data.
  int Read(char* out, int length) {
    if (stopped_) return 0;
    const std::size_t n = std::min(static_cast<std::size_t>(length), data_.size() - offset_);
    std::memcpy(out, data_.data() + offset_, n);
    offset_ += n;
    return static_cast<int>(n);
  }

private:
  void Reset() {
    depth_ = 0;
    done_ = false;
    stopped_ = false;
    in_row_ = false;
    in_cell_ = false;
    skip_ = 0;
    rows_ = 0;
    below_.clear();
  }

  void Start(const xmlChar* name, const xmlChar** attributes) {
    if (done_ || stopped_) return;
    if (Named(name, "table")) {
      if (++depth_ == 1) return;
    }
    if (depth_ > 1) {  // a table inside a cell: its text joins the cell's, a blank between its cells
      if (in_cell_ && (Named(name, "td") || Named(name, "th") || Named(name, "tr"))) Append(" ", 1);
      return;
    }
    if (depth_ != 1) return;  // outside the table
    if (Named(name, "tr")) {
      StartRow();
    } else if (Named(name, "td") || Named(name, "th")) {
      if (!in_row_) StartRow();
      StartCell(attributes);
    } else if (Named(name, "comment") || Named(name, "style") || Named(name, "script")) {
      ++skip_;  // Calc's cell notes, and what is not text
    } else if (in_cell_ && (Named(name, "br") || Named(name, "p") || Named(name, "div"))) {
      Append(" ", 1);
    }
  }

  void End(const xmlChar* name) {
    if (done_ || stopped_ || depth_ == 0) return;
    if (Named(name, "table")) {
      if (--depth_ == 0) EndTable();
      return;
    }
    if (depth_ != 1) return;
    if (Named(name, "td") || Named(name, "th")) {
      EndCell();
    } else if (Named(name, "tr")) {
      EndRow();
    } else if ((Named(name, "comment") || Named(name, "style") || Named(name, "script")) && skip_ > 0) {
      --skip_;
    }
  }

  void Text(const xmlChar* text, int length) {
    if (in_cell_ && skip_ == 0 && depth_ >= 1 && !done_) Append(reinterpret_cast<const char*>(text), length);
  }

  void Append(const char* text, int length) {
    std::string& cell = text_;
    for (int i = 0; i < length; ++i) {
      if (cell.size() >= kCellText) {
        cell += "...";
        long_ = true;
        return;
      }
      if (long_) return;
      const char c = text[i];
      cell += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    }
  }

  void StartRow() {
    if (in_row_) EndRow();
    in_row_ = true;
    column_ = 0;
    for (TTableCell& cell : cells_) cell = TTableCell{};
    TakeSpannedFromAbove();
  }

  // Columns that a cell of an earlier row spans into are empty here.
  void TakeSpannedFromAbove() {
    while (column_ < below_.size() && below_[column_] > 0) {
      --below_[column_];
      ++column_;
    }
  }

  void StartCell(const xmlChar** attributes) {
    if (in_cell_) EndCell();
    in_cell_ = true;
    text_.clear();
    long_ = false;
    raw_.clear();
    has_raw_ = false;
    number_text_ = false;
    colspan_ = rowspan_ = 1;
    for (const xmlChar** a = attributes; a && a[0]; a += 2) {
      const xmlChar* value = a[1];
      if (Named(a[0], "sdval") || Named(a[0], "x:num")) {
        if (value) {
          raw_ = reinterpret_cast<const char*>(value);
          has_raw_ = true;
        } else {
          number_text_ = true;  // Excel's bare x:num: the text is the value
        }
      } else if (Named(a[0], "colspan")) {
        colspan_ = Span(value);
      } else if (Named(a[0], "rowspan")) {
        rowspan_ = Span(value);
      }
    }
  }

  void EndCell() {
    if (!in_cell_) return;
    in_cell_ = false;
    for (std::size_t k = 0; k < colspan_; ++k) {
      if (column_ < 4) {
        TTableCell& cell = cells_[column_];
        if (k == 0) {
          stored_[column_] = text_;
          cell.text = stored_[column_];
          if (has_raw_) cell.value = RawCellValue(raw_);
          else if (number_text_) cell.value = RawCellValue(text_);
        }
      }
      if (rowspan_ > 1 && column_ < kSpannedColumns) {
        if (below_.size() <= column_) below_.resize(column_ + 1, 0);
        below_[column_] = rowspan_ - 1;
      }
      ++column_;
      TakeSpannedFromAbove();
    }
  }

  void EndRow() {
    if (!in_row_) return;
    EndCell();
    in_row_ = false;
    ++rows_;
    if (!builder_.Row(rows_, cells_, column_, offset_)) Stop();
  }

  void EndTable() {
    EndRow();
    if (rows_ > 0) done_ = true;  // the first table with rows is the table
  }

  void Stop() {
    stopped_ = true;
    if (context_) xmlStopParser(context_);
  }

  std::string_view data_;
  TTableBuilder& builder_;
  htmlParserCtxtPtr context_ = nullptr;
  std::size_t offset_ = 0;
  int depth_ = 0;
  bool done_ = false, stopped_ = false;
  bool in_row_ = false, in_cell_ = false;
  int skip_ = 0;
  std::size_t rows_ = 0, column_ = 0;
  std::vector<std::size_t> below_;  // per column: rows still spanned by a cell above
  TTableCell cells_[4];
  std::string stored_[4];
  std::string text_, raw_;
  bool long_ = false, has_raw_ = false, number_text_ = false;
  std::size_t colspan_ = 1, rowspan_ = 1;
};

}  // namespace

TResult<TPastedIntervals> ParseHtmlTable(std::string_view data, const TTableFormat& format,
                                         const TTableProgress& progress) {
  if (data.size() > static_cast<std::size_t>(INT32_MAX))
    return MakeError(TErrc::OutOfRange, "A tabela em HTML é grande demais para ser lida.");
  xmlInitParser();
  TTableBuilder builder(format, progress, data.size());
  HtmlRows rows(data, builder);
  if (!rows.Walk()) return builder.Error();
  if (!rows.FoundTable()) return MakeError(TErrc::InvalidTable, NoTableMessage());
  if (!builder.StartFill() || !rows.Walk()) return builder.Error();
  return builder.Finish();
}
