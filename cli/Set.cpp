// zormek-case set CASO.dad [-o SAIDA.dad] [--table TABELA] [--title TEXTO] [CAMPO=VALOR]...
// Changes a case and saves it in its place (or as SAIDA.dad), as GRAVAR saves.

#include <CLI/CLI.hpp>

#include "case/CaseReader.h"
#include "cli/Changes.h"
#include "cli/Command.h"

namespace {

class TSet final : public TCommand {
public:
  std::string_view Name() const override { return "set"; }
  std::string_view Summary() const override { return "Altera um caso e o grava no lugar (ou em -o)"; }

  void Declare(CLI::App& verb) override {
    verb.add_option("caso", path_, "O arquivo do caso (.dad)")->type_name("CASO.dad");
    verb.add_option("-o,--output", output_, "Grava aqui em vez de no próprio CASO.dad")->type_name("SAIDA.dad");
    changes_.Declare(verb);
  }

  int Run(TCommandIo& io) override {
    if (path_.empty()) throw TUsageError{"falta o arquivo do caso."};
    changes_.ParseArguments();
    TCaseData data;
    std::string title;
    if (TStatus read = ReadCaseFile(path_, &data, &title); !read) return Refuse(io, read.Error());
    if (const int applied = changes_.Apply(data, title, io); applied != kExitDone) return applied;
    return SaveCase(data, title, output_.empty() ? path_ : output_, io);
  }

private:
  std::string path_;
  std::string output_;
  TChanges changes_;
};

}  // namespace

std::unique_ptr<TCommand> MakeSetCommand() { return std::make_unique<TSet>(); }
