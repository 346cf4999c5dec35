// zormek-case new -o SAIDA.dad --table TABELA [--like BASE.dad] [--title TEXTO] [CAMPO=VALOR]...
// A new case from the fresh window's record (or a copy of BASE.dad), its
// table, title and fields changed, saved as GRAVAR saves.

#include <CLI/CLI.hpp>

#include "case/CaseReader.h"
#include "cli/Changes.h"
#include "cli/Command.h"

namespace {

class TNew final : public TCommand {
public:
  std::string_view Name() const override { return "new"; }
  std::string_view Summary() const override { return "Cria um caso a partir de uma tabela de intervalos"; }

  void Declare(CLI::App& verb) override {
    verb.add_option("-o,--output", output_, "O arquivo a gravar (.dad)")->type_name("SAIDA.dad");
    verb.add_option("--like", like_,
                    "Parte deste caso (título, campos, intervalos) em vez do registro de uma janela nova "
                    "(campos zerados, parâmetros do algoritmo nos seus valores iniciais, título vazio)")
        ->type_name("BASE.dad");
    changes_.Declare(verb);
  }

  int Run(TCommandIo& io) override {
    if (output_.empty()) throw TUsageError{"falta -o SAIDA.dad."};
    if (!changes_.HasTable()) throw TUsageError{"falta --table TABELA."};
    changes_.ParseArguments();
    TCaseData data;
    std::string title;
    if (like_.empty()) {
      if (TStatus made = data.Create(1); !made) return Refuse(io, made.Error());
    } else if (TStatus read = ReadCaseFile(like_, &data, &title); !read) {
      return Refuse(io, read.Error());
    }
    if (const int applied = changes_.Apply(data, title, io); applied != kExitDone) return applied;
    return SaveCase(data, title, output_, io);
  }

private:
  std::string output_;
  std::string like_;
  TChanges changes_;
};

}  // namespace

std::unique_ptr<TCommand> MakeNewCommand() { return std::make_unique<TNew>(); }
