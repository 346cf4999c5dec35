#pragma once
// The interval table as text, the way a spreadsheet puts two or three
// columns on the clipboard: one row per interval, cells separated by a tab,
// lines ending in CR LF, LF or CR.
//
//   "10\t500\n14\t700\n"          two rows: duração, carga
//   "1\t10,5\t500\r\n2\t14\t700"   three rows' worth of columns: intervalo, duração, carga
//   "1\t10\t500\n3\t14\t700"      refused: "Linha 2: o intervalo deveria ser 2, não '3'."
//   "Duração\tCarga\n1\t1.038,5" a header, then one row: 1 and 1038.5
//
// Reading is all or nothing: the first bad row refuses the whole text with
// one message naming the row and, for a bad number, the cell.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>

#include "case/CaseData.h"
#include "case/Status.h"

// Called now and then during long work with the rows done so far and the
// total; returning false stops the work (the caller then gets nothing).
using TTableProgress = std::function<bool(std::size_t done, std::size_t total)>;

// How often (in rows) the progress callback is called.
inline constexpr std::size_t kTableProgressRows = std::size_t{1} << 15;

struct TPastedIntervals {
  std::size_t rows = 0;
  TIntervalArray durations;  // rows elements each
  TIntervalArray loads;
};

// How a table's text is laid out; the clipboard's by default.
//   the clipboard:     TTableFormat{}                      tab between cells
//   CSV, decimal comma (pt-BR spreadsheets): CsvTableFormat(';')
//   CSV, decimal point:                      CsvTableFormat(',')
struct TTableFormat {
  char cell_separator = '\t';
  // A cell that starts with '"' runs to the next lone '"' (a doubled one
  // stands for one '"'), across separators and line ends.
  bool quoted_cells = true;
  // 0: the cells decide it (a table whose cells do not is refused with
  // TErrc::AmbiguousTable); ',' or '.': the decimal mark, the other mark
  // then being the thousands separator.
  char decimal_mark = 0;
  std::size_t max_rows = std::numeric_limits<int32_t>::max();
};

// A CSV file as spreadsheets write it: ';' between cells with the decimal
// comma, or ',' between cells with the decimal point; cells may be quoted.
TTableFormat CsvTableFormat(char cell_separator);

// Reads the clipboard's text (or a CSV file's) into rows. Each cell is a
// number in the window's convention (ParseRealText) with "," or "." as its
// decimal mark and, where it cannot be misread, a thousands separator ("."
// or "," beside the other mark, repeated, or a blank or no-break space); an
// empty cell is a value not entered, 0.0, as an empty field is for "OK". In
// the three-column form the first column must count 1, 2, 3, ... A first
// row of nothing but non-numbers is a header and is skipped. Lines end in
// CR LF, LF or CR; blank lines at the end are ignored. Refusals, each naming
// the line where it was found:
//   "Linha 17: 'abc' não é um número."
//   "Linha 17: a linha tem 4 colunas; a tabela tem 2 colunas (duração, carga) ou 3 (intervalo, duração, carga)."
//   "Linha 17: a linha tem 3 colunas, mas a linha 1 tem 2."
//   "Linha 17: a linha está vazia."
//   "Linha 17: o intervalo deveria ser 17, não '18'."
//   "Linha 17: '1.5' tem ponto decimal, mas a linha 3 usa vírgula decimal."
//   "Linha 17: '8.067,20' usa separador de milhar '.' e vírgula decimal, mas a linha 3 usa ponto decimal."
//   "Linha 17: '1.23.456' usa separador de milhar, mas não em grupos de três algarismos."
//   "A área de transferência não contém uma tabela de intervalos."
// all with TErrc::InvalidTable, and
//   "A tabela tem 3000000000 linhas; cabem no máximo 2147483647 intervalos."  (TErrc::OutOfRange)
//   "Não há memória para uma tabela de 2000000000 intervalos."                (TErrc::NoMemory)
// A quoted cell longer than 40 characters is cut, with "..." after it.
// Where every mark in the table stands before exactly three digits ("1.038",
// "1,038") and no cell settles which is the decimal mark, the read is
// refused with TErrc::AmbiguousTable, its first such cell's readings in
// TableQuestionOf, and the message
//   "Linha 2: '1.038' pode ser 1038 ou 1,038, e nenhuma célula da tabela mostra
//    qual é o separador decimal. Indique o separador decimal."
// Read again with format.decimal_mark set to settle it.
// Stopped by the progress callback: TErrc::Cancelled.
TResult<TPastedIntervals> ParseIntervalTable(std::string_view text, const TTableFormat& format = {},
                                             const TTableProgress& progress = {});

// "A área de transferência não contém uma tabela de intervalos."
std::string NoTableMessage();

// The question a TErrc::AmbiguousTable refusal asks: its first such cell and
// the cell's two readings in the window's convention, and the decimal mark
// that each reading means for the table.
//   '1.038' -> {"1.038", "1038", "1,038", ',', '.'}: "1.038 = 1038 ou 1,038?"
struct TTableQuestion {
  std::string cell;
  std::string as_thousands;  // the mark a thousands separator
  std::string as_decimal;    // the mark the decimal mark
  char decimal_if_thousands = 0;
  char decimal_if_decimal = 0;
  std::string Text() const { return cell + " = " + as_thousands + " ou " + as_decimal + "?"; }
};
TTableQuestion TableQuestionOf(const TError& error);

// Appends the line "OK" logs for an interval: six blanks, the interval
// number, 22 blanks, the duration text, 22 blanks, the load text.
void AppendIntervalMemoLine(std::string& out, std::string_view k, std::string_view duration, std::string_view load);

// The line "OK" logs for interval k with its fields holding the values as an
// opened case fills them: FormatRealText with the given separator, and an
// empty field for 0.0 (either sign).
//   AppendIntervalMemoRow(out, 2, 1.5, 0.0, ',') appends "      2" + 22 blanks + "1,5" + 22 blanks
void AppendIntervalMemoRow(std::string& out, std::size_t k, double duration, double load, char separator);

// The text of a value that reads back (ParseRealText, separator ",") as the
// very same double: FormatRealText when its 15 digits are enough, otherwise
// 16 or 17 significant digits in the same layout; "-0" for negative zero.
//   TableValueText(0.1)                 == "0,1"
//   TableValueText(0.1 + 0.2)           == "0,30000000000000004"
//   TableValueText(-0.0)                == "-0"
std::string TableValueText(double value);

// The table as rows "intervalo<TAB>duração<TAB>carga\n" with the decimal
// comma, every value by TableValueText, so that reading the text back gives
// the same table bit for bit. TErrc::Cancelled if progress stopped it,
// TErrc::NoMemory if the text could not be had.
TResult<std::string> FormatIntervalTable(const TCaseData& data, const TTableProgress& progress = {});
