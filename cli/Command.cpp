#include "cli/Command.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <sstream>

#include "case/CaseFile.h"

namespace {

// CLI11's help in Portuguese: its labels, the help flag, the groups.
void SpeakPortuguese(CLI::App& app) {
  const auto formatter = app.get_formatter();
  formatter->label("Usage", "Uso");
  formatter->label("OPTIONS", "OPÇÕES");
  formatter->label("SUBCOMMAND", "COMANDO");
  formatter->label("SUBCOMMANDS", "COMANDOS");
  formatter->label("Positionals", "Argumentos");
  formatter->label("REQUIRED", "(obrigatório)");
  formatter->label("TEXT", "TEXTO");
  formatter->column_width(26);
  app.option_defaults()->group("Opções");
  app.set_help_flag("-h,--help", "Mostra esta ajuda e sai");
}

// CLI11's parse errors as the tool's own messages. CLI11 words them in
// English; the ones a user meets are said again here, the rest kept.
std::string UsageMessage(const CLI::ParseError& error) {
  const std::string what = error.what();
  auto after = [&what](std::string_view marker) {
    const std::size_t at = what.find(marker);
    return at == std::string::npos ? std::string() : what.substr(at + marker.size());
  };
  if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
    // CLI11 lists them last first.
    std::vector<std::string> words;
    std::istringstream list(after("expected: "));
    for (std::string word; list >> word;) words.insert(words.begin(), word);
    std::string extras;
    for (const std::string& word : words) extras += (extras.empty() ? "" : " ") + word;
    return (words.size() == 1 ? "argumento inesperado: " : "argumentos inesperados: ") + extras;
  }
  if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
    const std::size_t colon = what.find(':');
    if (colon != std::string::npos) return "falta o valor de " + what.substr(0, colon) + ".";
  }
  return "uso incorreto (" + what + ").";
}

int UsageError(TCommandIo& io, const std::string& message, std::string_view verb) {
  io.err << kToolName << ": " << message << "\n";
  io.err << "Veja \"" << kToolName << (verb.empty() ? "" : " ") << verb << " --help\".\n";
  return kExitUsage;
}

}  // namespace

std::vector<std::unique_ptr<TCommand>> Commands() {
  std::vector<std::unique_ptr<TCommand>> commands;
  commands.push_back(MakeShowCommand());
  commands.push_back(MakeTableCommand());
  commands.push_back(MakeNewCommand());
  commands.push_back(MakeSetCommand());
  commands.push_back(MakeCheckCommand());
  commands.push_back(MakeDiffCommand());
  return commands;
}

int Refuse(TCommandIo& io, const TError& error, const TCaseData* data) {
  std::vector<std::string> lines = error.details.empty() ? std::vector<std::string>{error.message} : error.details;
  if (error.code == TErrc::MissingValues && data != nullptr) {
    // The boxes of GRAVAR, each with its interval: durations first, then
    // loads, kMaxBoxesPerKind of each (the next message counts the rest).
    std::size_t line = 0;
    const std::size_t n = static_cast<std::size_t>(data->N);
    for (const TIntervalArray* values : {&data->durations, &data->loads}) {
      std::size_t shown = 0;
      for (std::size_t i = 0; i < n && shown < kMaxBoxesPerKind && line < lines.size(); ++i) {
        if ((*values)[i] != 0.0) continue;
        lines[line] = "intervalo " + std::to_string(i + 1) + ": " + lines[line];
        ++line;
        ++shown;
      }
      std::size_t missing = 0;
      for (std::size_t i = 0; i < n; ++i) missing += (*values)[i] == 0.0;
      if (missing > kMaxBoxesPerKind) ++line;  // the count of the rest
    }
  }
  const bool at_place = error.line > 0 && !error.file.empty();
  for (const std::string& line : lines) {
    io.err << kToolName << ": " << (at_place ? error.file + ": " : std::string()) << line << "\n";
  }
  return kExitRefused;
}

int RunCommandLine(int argc, const char* const* argv, TCommandIo& io) {
  CLI::App app("Lê, cria e altera casos do ZORMEK (arquivos .dad) com o mesmo código da janela: "
               "os arquivos saem iguais, byte a byte, aos que o botão GRAVAR escreve.",
               std::string(kToolName));
  SpeakPortuguese(app);
  const std::string statuses = "Saída: 0 feito, 1 recusado (a mensagem diz por quê), 2 uso incorreto.";
  app.footer("Cada comando tem sua ajuda: " + std::string(kToolName) + " COMANDO --help.\n" + statuses +
             "\ncheck: 0 sem erros, 1 com erros; diff: 0 iguais, 1 diferentes; os dois: 2 um arquivo que não "
             "pôde ser lido.");
  std::vector<std::unique_ptr<TCommand>> commands = Commands();
  std::vector<CLI::App*> verbs;
  for (const auto& command : commands) {
    CLI::App* verb = app.add_subcommand(std::string(command->Name()), std::string(command->Summary()));
    verb->group("Comandos");
    verb->footer(command->Statuses().empty() ? statuses : std::string(command->Statuses()));
    verb->get_help_ptr()->group("Opções");
    command->Declare(*verb);
    verbs.push_back(verb);
  }
  app.require_subcommand(0, 1);

  std::string_view chosen;
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    std::string help = app.help();
    for (CLI::App* verb : verbs)
      if (verb->parsed()) help = verb->help(std::string(kToolName));
    io.out << help;
    return kExitDone;
  } catch (const CLI::ParseError& error) {
    for (CLI::App* verb : verbs)
      if (verb->parsed()) chosen = verb->get_name();
    return UsageError(io, UsageMessage(error), chosen);
  }
  for (std::size_t i = 0; i < verbs.size(); ++i) {
    if (!verbs[i]->parsed()) continue;
    try {
      return commands[i]->Run(io);
    } catch (const TUsageError& usage) {
      return UsageError(io, usage.message, commands[i]->Name());
    }
  }
  std::string names;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    names += i == 0 ? "" : i + 1 == commands.size() ? " ou " : ", ";
    names += commands[i]->Name();
  }
  return UsageError(io, "falta o comando: " + names + ".", "");
}
