// The table from Gnumeric's clipboard XML, read with libxml2's XML parser as
// a stream of events:
//   <gnm:ClipboardRange Cols="3" Rows="4" ...>
//     <gnm:Cells>
//       <gnm:Cell Row="0" Col="1" ValueType="60">Duração</gnm:Cell>       text
//       <gnm:Cell Row="1" Col="2" ValueType="40">8067.20000000000000018</gnm:Cell>  a number
// Rows and columns count from 0; empty cells have no element. A formula's
// cell carries its formula, not its value: such data is left for the next
// format on the clipboard (the HTML of the values shown).
#include <libxml/parser.h>

#include <charconv>
#include <cstring>
#include <string>

#include "case/SpreadsheetClipboard.h"
#include "case/TableCells.h"

namespace {

constexpr std::size_t kCellText = 160;  // enough for any number and a message's quote

bool Named(const xmlChar* name, const char* wanted) {
  return std::strcmp(reinterpret_cast<const char*>(name), wanted) == 0;
}

bool Number(const xmlChar* text, std::size_t* out) {
  const char* s = reinterpret_cast<const char*>(text);
  const char* end = s + std::strlen(s);
  const auto [p, ec] = std::from_chars(s, end, *out);
  return ec == std::errc() && p == end;
}

class GnumericRows {
public:
  GnumericRows(std::string_view data, TTableBuilder* builder) : data_(data), builder_(builder) {}

  // Parses the whole input, handing the rows to the builder (if any).
  // False when the data is not a clipboard range this reads.
  bool Walk() {
    range_ = stopped_ = unreadable_ = in_row_ = in_cell_ = false;
    rows_ = columns_ = row_ = column_ = type_ = 0;
    for (TTableCell& cell : cells_) cell = TTableCell{};
    xmlSAXHandler sax;
    std::memset(&sax, 0, sizeof sax);
    sax.initialized = XML_SAX2_MAGIC;
    sax.startElementNs = [](void* self, const xmlChar* name, const xmlChar*, const xmlChar*, int, const xmlChar**,
                            int count, int, const xmlChar** attributes) {
      static_cast<GnumericRows*>(self)->Start(name, count, attributes);
    };
    sax.endElementNs = [](void* self, const xmlChar* name, const xmlChar*, const xmlChar*) {
      static_cast<GnumericRows*>(self)->End(name);
    };
    sax.characters = [](void* self, const xmlChar* text, int length) {
      static_cast<GnumericRows*>(self)->Text(text, length);
    };
    sax.serror = [](void*, xmlErrorPtr) {};
    xmlParserCtxtPtr context = xmlCreatePushParserCtxt(&sax, this, nullptr, 0, nullptr);
    if (!context) return false;
    xmlCtxtUseOptions(context, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    context_ = context;
    constexpr std::size_t kChunk = 1 << 16;
    for (offset_ = 0; offset_ < data_.size() && !stopped_; offset_ += kChunk) {
      const std::size_t n = std::min(kChunk, data_.size() - offset_);
      if (xmlParseChunk(context, data_.data() + offset_, static_cast<int>(n), 0) != 0) Stop(false);
    }
    if (!stopped_ && xmlParseChunk(context, nullptr, 0, 1) != 0) Stop(false);
    xmlFreeParserCtxt(context);
    context_ = nullptr;
    if (stopped_) return false;
    if (!range_) return false;
    while (row_ < rows_) Emit();  // empty rows at the end of the range
    return !stopped_;
  }

  bool Empty() const { return rows_ == 0 || columns_ == 0; }
  bool BuilderStopped() const { return builder_ && builder_->Failed(); }

private:
  void Start(const xmlChar* name, int count, const xmlChar** attributes) {
    if (stopped_) return;
    if (Named(name, "ClipboardRange")) {
      for (int i = 0; i < count; ++i) {
        const xmlChar** a = attributes + 5 * i;
        const std::string value(reinterpret_cast<const char*>(a[3]), static_cast<std::size_t>(a[4] - a[3]));
        std::size_t n = 0;
        if (!Number(reinterpret_cast<const xmlChar*>(value.c_str()), &n)) continue;
        if (Named(a[0], "Cols")) columns_ = n;
        if (Named(a[0], "Rows")) rows_ = n;
      }
      // No more rows than the data has bytes: a few bytes ask for no huge table.
      if (rows_ > data_.size()) return Stop(false);
      range_ = true;
      return;
    }
    if (!range_ || !Named(name, "Cell")) return;
    std::size_t row = 0, column = 0, type = 0;
    bool has_row = false, has_column = false;
    for (int i = 0; i < count; ++i) {
      const xmlChar** a = attributes + 5 * i;
      const std::string value(reinterpret_cast<const char*>(a[3]), static_cast<std::size_t>(a[4] - a[3]));
      const auto* v = reinterpret_cast<const xmlChar*>(value.c_str());
      if (Named(a[0], "Row")) has_row = Number(v, &row);
      else if (Named(a[0], "Col")) has_column = Number(v, &column);
      else if (Named(a[0], "ValueType")) Number(v, &type);
      else if (Named(a[0], "ExprID")) type = 0;  // a shared formula
    }
    // Cells row by row, each inside the range.
    if (!has_row || !has_column || row >= rows_ || column >= columns_ || row < row_ ||
        (row == row_ && in_row_ && column <= column_))
      return Stop(false);
    while (row_ < row) Emit();
    in_row_ = true;
    column_ = column;
    in_cell_ = true;
    type_ = type;
    text_.clear();
  }

  void Text(const xmlChar* text, int length) {
    if (!in_cell_ || stopped_ || text_.size() > kCellText) return;
    text_.append(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
    if (text_.size() > kCellText) {  // no number: "..." ends what a message quotes of it
      text_.resize(kCellText);
      text_ += "...";
    }
  }

  void End(const xmlChar* name) {
    if (stopped_ || !in_cell_ || !Named(name, "Cell")) return;
    in_cell_ = false;
    if (!text_.empty() && text_[0] == '=') return Stop(false);  // a formula, not its value
    if (column_ >= 4) return;
    stored_[column_] = text_;
    TTableCell& cell = cells_[column_];
    cell.text = stored_[column_];
    if (type_ == 40) cell.value = RawCellValue(text_);
  }

  void Emit() {
    if (builder_ && !builder_->Row(row_ + 1, cells_, columns_, offset_)) Stop(true);
    for (TTableCell& cell : cells_) cell = TTableCell{};
    ++row_;
    in_row_ = false;
  }

  void Stop(bool by_builder) {
    stopped_ = true;
    unreadable_ = !by_builder;
    if (context_) xmlStopParser(context_);
  }

  std::string_view data_;
  TTableBuilder* builder_;
  xmlParserCtxtPtr context_ = nullptr;
  std::size_t offset_ = 0;
  bool range_ = false, stopped_ = false, unreadable_ = false;
  std::size_t rows_ = 0, columns_ = 0;
  std::size_t row_ = 0, column_ = 0, type_ = 0;
  bool in_row_ = false, in_cell_ = false;
  TTableCell cells_[4];
  std::string stored_[4];
  std::string text_;
};

}  // namespace

TResult<TPastedIntervals> ParseGnumericTable(std::string_view data, const TTableFormat& format,
                                             const TTableProgress& progress) {
  if (data.size() > static_cast<std::size_t>(INT32_MAX))
    return MakeError(TErrc::OutOfRange, "A tabela do Gnumeric é grande demais para ser lida.");
  xmlInitParser();
  {
    GnumericRows check(data, nullptr);  // the whole range readable before a row is looked at
    if (!check.Walk() || check.Empty()) return MakeError(TErrc::InvalidTable, NoTableMessage());
  }
  TTableBuilder builder(format, progress, data.size());
  GnumericRows rows(data, &builder);
  if (!rows.Walk() || !builder.StartFill() || !rows.Walk()) {
    if (builder.Failed()) return builder.Error();
    return MakeError(TErrc::InvalidTable, NoTableMessage());
  }
  return builder.Finish();
}
