// zormek-case table CASO.dad: the interval table as the memo copies it,
// "intervalo<TAB>duração<TAB>carga" rows with the decimal comma, every
// value written so that it reads back as the same double.

#include <CLI/CLI.hpp>

#include <ostream>

#include "case/CaseReader.h"
#include "case/IntervalTable.h"
#include "cli/Command.h"

namespace {

class TTable final : public TCommand {
public:
  std::string_view Name() const override { return "table"; }
  std::string_view Summary() const override {
    return "Escreve a tabela de intervalos (intervalo, duração, carga; separadas por tabulação)";
  }

  void Declare(CLI::App& verb) override {
    verb.add_option("caso", path_, "O arquivo do caso (.dad)")->type_name("CASO.dad");
  }

  int Run(TCommandIo& io) override {
    if (path_.empty()) throw TUsageError{"falta o arquivo do caso."};
    TCaseData data;
    std::string title;
    if (TStatus read = ReadCaseFile(path_, &data, &title); !read) return Refuse(io, read.Error());
    TResult<std::string> text = FormatIntervalTable(data);
    if (!text) return Refuse(io, text.Error());
    io.out << *text;
    return kExitDone;
  }

private:
  std::string path_;
};

}  // namespace

std::unique_ptr<TCommand> MakeTableCommand() { return std::make_unique<TTable>(); }
