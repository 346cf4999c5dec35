// zormek-case diff A.dad B.dad [--tolerance REL] [--json]: the fields in
// which two cases differ, the title included, intervals aligned by number
// (CaseDiff.h).
//
//   title: "Caso A" → "Caso B"
//   Ptmax: 400 → 450
//   loads (intervalo 3): 500 → 650
//
// Exit status: 0 the same, 1 different, 2 a file that could not be read or
// a tolerance that is not one.

#include <CLI/CLI.hpp>

#include <cmath>
#include <ostream>

#include "case/CaseDiff.h"
#include "case/CaseEdit.h"
#include "case/CaseReader.h"
#include "cli/Command.h"
#include "cli/JsonText.h"

namespace {

class TDiff final : public TCommand {
public:
  std::string_view Name() const override { return "diff"; }
  std::string_view Summary() const override {
    return "Compara dois casos campo a campo, o título e os intervalos (--json: como JSON)";
  }
  std::string_view Statuses() const override {
    return "Saída: 0 iguais, 1 diferentes, 2 um arquivo que não pôde ser lido, tolerância inválida ou uso "
           "incorreto.";
  }

  void Declare(CLI::App& verb) override {
    verb.add_option("casos", paths_, "Os dois arquivos a comparar, A.dad e B.dad")->type_name("CASO.dad");
    verb.add_option("--tolerance", tolerance_,
                    "Diferença relativa aceita entre dois números reais: iguais quando |a - b| <= REL × "
                    "max(|a|, |b|) (ponto ou vírgula decimal; 0, o padrão, pede valores iguais). Inteiros e "
                    "títulos são sempre comparados exatamente")
        ->type_name("REL");
    verb.add_flag("--json", json_,
                  "Como JSON: uma lista de {field (o nome do campo no programa, \"title\" ou \"N\"), interval (o "
                  "número do intervalo, ou null), a, b (os dois valores como texto)}");
  }

  int Run(TCommandIo& io) override {
    if (paths_.size() != 2) throw TUsageError{"diff compara dois casos: A.dad B.dad."};
    TDiffOptions options;
    if (!tolerance_.empty()) {
      TResult<double> tolerance = ParseRealValue("--tolerance", tolerance_);
      if (!tolerance) throw TUsageError{tolerance.Error().message};
      if (!(*tolerance >= 0.0) || std::isinf(*tolerance)) {
        throw TUsageError{"--tolerance: a tolerância deve ser um número finito maior ou igual a zero, não '" +
                          tolerance_ + "'."};
      }
      options.tolerance = *tolerance;
    }
    TCaseData data[2];
    std::string titles[2];
    bool unreadable = false;
    for (int i = 0; i < 2; ++i) {
      if (TStatus read = ReadCaseFile(paths_[i], &data[i], &titles[i]); !read) {
        Refuse(io, read.Error());
        unreadable = true;
      }
    }
    if (unreadable) return kExitUnreadable;
    TResult<std::vector<TDifference>> differences = DiffCases(data[0], titles[0], data[1], titles[1], options);
    if (!differences) {
      Refuse(io, differences.Error());
      return kExitUnreadable;
    }
    TJsonArray json(io.out);
    for (const TDifference& difference : *differences) {
      if (json_) {
        json.Add(TJsonObject()
                     .Text("field", difference.field)
                     .Number("interval", difference.interval)
                     .Text("a", difference.a)
                     .Text("b", difference.b));
        continue;
      }
      io.out << difference.field;
      if (difference.interval) io.out << " (intervalo " << *difference.interval << ")";
      if (difference.a_value) {
        io.out << ": " << difference.a << " → " << difference.b << "\n";
      } else {
        io.out << ": " << JsonString(difference.a) << " → " << JsonString(difference.b) << "\n";
      }
    }
    if (json_) json.Close();
    return differences->empty() ? kExitDone : kExitRefused;
  }

private:
  std::vector<std::string> paths_;
  std::string tolerance_;
  bool json_ = false;
};

}  // namespace

std::unique_ptr<TCommand> MakeDiffCommand() { return std::make_unique<TDiff>(); }
