#include "case/SpreadsheetClipboard.h"

TResult<TPastedIntervals> ParseGnumericTable(std::string_view, const TTableFormat&, const TTableProgress&) {
  return MakeError(TErrc::InvalidTable, NoTableMessage());
}
