// zormek-case check CASO.dad... [--json]: what the solver would stumble on,
// every problem of every case, each naming its field (CaseCheck.h).
//
//   caso.dad: erro: Ptmin: "Pt (min):" 500 é maior que "Pt (max):" 400.
//   caso.dad: aviso: loads (intervalo 3): Intervalo 3: "Carga (MW):" 900 acima de ...
//
// Exit status: 0 no errors (warnings allowed), 1 errors, 2 a file that
// could not be read (the others are still checked).

#include <CLI/CLI.hpp>

#include <ostream>

#include "case/CaseCheck.h"
#include "case/CaseReader.h"
#include "cli/Command.h"
#include "cli/JsonText.h"

namespace {

class TCheck final : public TCommand {
public:
  std::string_view Name() const override { return "check"; }
  std::string_view Summary() const override {
    return "Verifica casos antes do solver: erros e avisos, cada um com o seu campo (--json: como JSON)";
  }
  std::string_view Statuses() const override {
    return "Saída: 0 sem erros (avisos não contam), 1 algum caso com erros, 2 um arquivo que não pôde ser lido "
           "ou uso incorreto.";
  }

  void Declare(CLI::App& verb) override {
    verb.add_option("casos", paths_, "Os arquivos dos casos (.dad)")->type_name("CASO.dad");
    verb.add_flag("--json", json_,
                  "Como JSON: uma lista de {file, severity (\"erro\" ou \"aviso\"), field (o nome do campo no "
                  "programa), interval (o número do intervalo, ou null), message}");
  }

  int Run(TCommandIo& io) override {
    if (paths_.empty()) throw TUsageError{"falta o arquivo do caso."};
    bool unreadable = false;
    bool errors = false;
    TJsonArray json(io.out);
    const std::string error = JsonString(SeverityName(TSeverity::Error));
    const std::string warning = JsonString(SeverityName(TSeverity::Warning));
    for (const std::string& path : paths_) {
      TCaseData data;
      std::string title;
      if (TStatus read = ReadCaseFile(path, &data, &title); !read) {
        Refuse(io, read.Error());
        unreadable = true;
        continue;
      }
      const std::vector<TFinding> findings = CheckCase(data);
      const std::string file = json_ ? JsonString(path) : std::string();
      errors = errors || HasErrors(findings);
      for (const TFinding& finding : findings) {
        if (json_) {
          json.Add(TJsonObject()
                       .Json("file", file)
                       .Json("severity", finding.severity == TSeverity::Error ? error : warning)
                       .Text("field", finding.field)
                       .Number("interval", finding.interval)
                       .Text("message", finding.message));
        } else {
          io.out << path << ": " << SeverityName(finding.severity) << ": " << finding.field;
          if (finding.interval) io.out << " (intervalo " << *finding.interval << ")";
          io.out << ": " << finding.message << "\n";
        }
      }
      if (!json_ && findings.empty()) io.out << path << ": nenhum problema encontrado.\n";
    }
    if (json_) json.Close();
    return unreadable ? kExitUnreadable : errors ? kExitRefused : kExitDone;
  }

private:
  std::vector<std::string> paths_;
  bool json_ = false;
};

}  // namespace

std::unique_ptr<TCommand> MakeCheckCommand() { return std::make_unique<TCheck>(); }
