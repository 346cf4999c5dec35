#pragma once
// The interval table as text, the way a spreadsheet puts two or three
// columns on the clipboard: one row per interval, cells separated by a tab,
// lines ending in LF or CR LF.
//
//   "10\t500\n14\t700\n"          two rows: duração, carga
//   "1\t10,5\t500\r\n2\t14\t700"   three rows' worth of columns: intervalo, duração, carga
//   "1\t10\t500\n3\t14\t700"      refused: "Linha 2: o intervalo deveria ser 2, não '3'."
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

enum class TTableParse { Ok, Refused, Stopped };

struct TTableParseResult {
  TTableParse status = TTableParse::Ok;
  std::string message;  // set when Refused
};

// Reads the clipboard's text into rows. Each cell is a number in the window's
// convention (ParseRealText) with "," or "." as its decimal mark; an empty
// cell is a value not entered, 0.0, as an empty field is for "OK". In the
// three-column form the first column must count 1, 2, 3, ... Blank lines
// (nothing but blanks and tabs) at the end are ignored. Refusals, each
// naming the row where it was found:
//   "Linha 17: 'abc' não é um número."
//   "Linha 17: a linha tem 4 colunas; a tabela tem 2 colunas (duração, carga) ou 3 (intervalo, duração, carga)."
//   "Linha 17: a linha tem 3 colunas, mas a linha 1 tem 2."
//   "Linha 17: a linha está vazia."
//   "Linha 17: o intervalo deveria ser 17, não '18'."
//   "Linha 17: '1.500' tem ponto decimal, mas a linha 3 usa vírgula decimal."
//     (and the other way round): one text uses one decimal mark, so a
//     thousands separator such as "1.500,5" next to "2.000" is not misread;
//   "A área de transferência não contém uma tabela de intervalos."
//   "A tabela tem 3000000000 linhas; cabem no máximo 2147483647 intervalos."
//   "Não há memória para uma tabela de 2000000000 intervalos."
// A quoted cell longer than 40 characters is cut, with "..." after it.
TTableParseResult ParseIntervalTable(std::string_view text, TPastedIntervals* out,
                                     std::size_t max_rows = std::numeric_limits<int32_t>::max(),
                                     const TTableProgress& progress = {});

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
// the same table bit for bit. Returns false if progress stopped it.
bool FormatIntervalTable(const TCaseData& data, std::string* out, const TTableProgress& progress = {});
