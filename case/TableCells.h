#pragma once
// The interval table read from cells, whatever carried them: the clipboard's
// text, a CSV file, or a spreadsheet's richer clipboard formats (SYLK, HTML,
// Gnumeric's XML). A source hands its rows over twice: a survey, which
// checks every row, counts them and decides the decimal mark of the cells
// that are only text, and then a fill, which converts and stores. So the
// table is refused before anything is allocated, and the arrays (16 bytes a
// row) are all the memory a read holds beyond its input.
//
// Text cells follow the window's number rules with either decimal mark and
// with thousands separators that cannot be misread:
//   "8.067,20" "8,067.20" "1.234.567" "1 234,5"  grouped, read as they stand
//   "1.038" "1,038"   two readings (1038 or 1,038): another cell settles
//                     which, or the caller is asked (TErrc::AmbiguousTable)
//   "0,5" "1.25"      the decimal mark, settling the others
// A first row of nothing but non-numbers is a header and is skipped.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "case/IntervalTable.h"

// One cell as a source found it: its text and, where the source carries
// one, the raw number behind that text.
struct TTableCell {
  std::string_view text;
  std::optional<double> value;
};

// How a text cell reads as a number.
struct TCellReading {
  enum TKind { Empty, Number, NotNumber, BadGrouping } kind = Empty;
  bool comma_decimal = false;  // reads with "," as the decimal mark
  bool point_decimal = false;  // reads with "." as the decimal mark
  bool ambiguous = false;      // reads both ways with different values
  char decimal_used = 0;       // the mark the cell shows as a decimal mark under the one reading, if any
  char grouping_used = 0;      // the thousands separator it shows under that reading, if any
};

// Reads a text cell (blanks around it allowed).
//   ReadCell("8.067,20")  -> Number, comma only      ReadCell("1.038") -> Number, both, ambiguous
//   ReadCell("1 234")     -> Number, both            ReadCell("1.23.4") -> BadGrouping
TCellReading ReadCell(std::string_view text);

// The cell's text in the window's convention (no grouping, "," as the
// decimal mark), given the table's decimal mark; false if it does not read so.
//   NormalizeCell("8.067,20", ',') -> "8067,20"      NormalizeCell("1.038", '.') -> "1,038"
bool NormalizeCell(std::string_view text, char decimal_mark, std::string* out);

// A spreadsheet's raw value as its richer formats write it: no thousands
// separator, "." or "," as the decimal mark, perhaps an exponent; read as
// the window reads a number, so that it equals the same number typed.
//   RawCellValue("8067.2") == RawCellValue("8067,2") == 8067.2   RawCellValue("1E-020") == 1e-20
//   RawCellValue("1.038,5") -> nullopt
std::optional<double> RawCellValue(std::string_view text);

class TTableBuilder {
public:
  // `size` is the input's size, the unit of the progress reports.
  TTableBuilder(const TTableFormat& format, const TTableProgress& progress, std::size_t size);

  // One row of the source: `count` cells (only the first four are looked
  // at), found at `line` (1-based, for messages) and ending at byte
  // `offset` of the input. Returns false once the read has failed or been
  // cancelled; Error() then says why.
  bool Row(std::size_t line, const TTableCell* cells, std::size_t count, std::size_t offset);

  // After the survey's last row: decides the decimal mark and allocates.
  // False with Error() set when the table is refused.
  bool StartFill();
  // After the fill's last row.
  TResult<TPastedIntervals> Finish();

  const TError& Error() const { return error_; }
  bool Failed() const { return failed_; }
  // A source that cannot go on (its input is not what it reads) says so.
  bool Fail(TError error);

private:
  bool Survey(std::size_t line, const TTableCell* cells, std::size_t count);
  bool Fill(const TTableCell* cells);
  std::string CheckRow(std::size_t line, std::size_t data_row, const TTableCell* cells, std::size_t count);
  std::string CheckValue(std::size_t line, const TTableCell& cell);
  bool Report(std::size_t offset);

  TTableFormat format_;
  const TTableProgress& progress_;
  std::size_t size_;
  bool filling_ = false;
  bool failed_ = false;
  TError error_;

  // Survey
  std::size_t rows_seen_ = 0;      // rows handed over, header included
  std::size_t data_rows_ = 0;      // data rows so far, blank ones at the end included
  std::size_t table_rows_ = 0;     // data rows up to the last one with something in it
  bool header_ = false;
  std::size_t columns_ = 0;
  std::size_t columns_line_ = 0;
  std::optional<TError> deferred_;  // a blank row's refusal, real once a row follows it
  char decimal_ = 0;                // settled by a cell or by the format
  std::size_t decimal_line_ = 0;    // where a cell settled it (0: the format did)
  std::optional<TError> question_;  // the first cell that reads two ways

  // Fill
  std::size_t filled_ = 0;
  std::size_t skip_ = 0;  // rows to pass over before the data (the header)
  TPastedIntervals out_;
  std::string scratch_;
};
