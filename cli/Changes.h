#pragma once
// What "new" and "set" change in a case, in this order: the interval table
// (--table), the title (--title), then each CAMPO=VALOR, CAMPO*=FATOR,
// loads*=FATOR or durations*=FATOR argument from left to right.
//
//   Vtot=1500,5     a field by its name in the program (CaseFields.h)
//   Vtot*=1.1       a field multiplied
//   loads*=0,9      every interval's load multiplied (durations*= likewise)

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseData.h"
#include "case/CaseFields.h"
#include "case/IntervalTable.h"
#include "case/Status.h"
#include "cli/Command.h"

namespace CLI {
class App;
class Option;
}

struct TEdit {
  std::string argument;               // as given
  const TCaseField* field = nullptr;  // a field, or
  std::string_view table;             // kDurationsName or kLoadsName
  bool scale = false;                 // "*=": multiply
  double real = 0.0;                  // the value or the factor
  int32_t integer = 0;                // the value of an integer field set with "="
};

// Reads one argument; a refusal is a wrong command line:
//   "'Vtot' não é CAMPO=VALOR nem CAMPO*=FATOR."
//   "Campo desconhecido: 'vtot'. Seria 'Vtot'?"
//   "Vtot: 'abc' não é um número (ponto ou vírgula decimal, sem separador de milhares)."
TResult<TEdit> ParseEdit(std::string_view argument);

// Applies one parsed argument (a result that is not finite or not an
// integer is refused).
TStatus ApplyEdit(TCaseData& data, const TEdit& edit);

// The table text's layout: tab-separated as the memo's paste, or a CSV
// file as spreadsheets export it, ";" between cells (decimal comma) or ","
// (decimal point), told apart by the first line that is not blank.
TTableFormat ChooseTableFormat(std::string_view text);

// The whole of a file, or of standard input for "-".
TResult<std::string> ReadInputText(const std::string& path, TCommandIo& io);

// The table of a file (or "-") into data's intervals. Refusals name the
// file: "t.tsv: Linha 17: 'abc' não é um número." A decimal mark of 0 lets
// the cells tell it; a table whose numbers then read two ways ("1.038") is
// refused, never read one way by a guess:
//   "t.tsv: Linha 1: '1.038' pode ser 1038 ou 1,038, e nenhuma célula da tabela
//    mostra qual é o separador decimal. Use --decimal , (1038) ou --decimal . (1,038)."
TStatus LoadTable(TCaseData& data, const std::string& path, TCommandIo& io, char decimal_mark = 0);

// The options that "new" and "set" share, declared on a verb.
class TChanges {
public:
  void Declare(CLI::App& verb);
  // Parses the arguments; throws TUsageError for a wrong one.
  void ParseArguments();
  bool HasTable() const { return !table_.empty(); }
  // Applies table, title and arguments in order. A refusal is written to
  // io.err and its exit status returned; kExitDone when all went in.
  int Apply(TCaseData& data, std::string& title, TCommandIo& io) const;

private:
  std::string table_;
  std::string decimal_;
  std::string title_;
  CLI::Option* title_option_ = nullptr;
  std::vector<std::string> arguments_;
  std::vector<TEdit> edits_;
};

// Saves through the safe save (SaveCaseFile), as GRAVAR does; a refusal is
// written to io.err.
int SaveCase(const TCaseData& data, const std::string& title, const std::string& path, TCommandIo& io);
