#include "cli/Changes.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <iostream>
#include <sstream>

#include "case/CaseEdit.h"
#include "case/CaseFile.h"
#include "case/CaseReader.h"
#include "case/FileSink.h"
#include "case/FileSystem.h"

namespace {

TError Usage(std::string message) { return MakeError(TErrc::InvalidName, std::move(message)); }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

TError UnknownField(std::string_view name) {
  std::string message = "Campo desconhecido: '" + std::string(name) + "'.";
  for (const TCaseField& field : CaseFields()) {
    if (SameIgnoringCase(field.name, name)) return Usage(message + " Seria '" + std::string(field.name) + "'?");
  }
  for (std::string_view table : {kDurationsName, kLoadsName}) {
    if (SameIgnoringCase(table, name)) return Usage(message + " Seria '" + std::string(table) + "*='?");
  }
  if (SameIgnoringCase(name, "N")) return Usage("N vem da tabela: use --table.");
  if (SameIgnoringCase(name, "title")) return Usage("O título vem de --title.");
  return Usage(message);
}

std::string_view Blanks() { return " \t\r\n"; }

}  // namespace

TResult<TEdit> ParseEdit(std::string_view argument) {
  const std::size_t equals = argument.find('=');
  if (equals == std::string_view::npos || equals == 0) {
    return Usage("'" + std::string(argument) + "' não é CAMPO=VALOR nem CAMPO*=FATOR.");
  }
  TEdit edit;
  edit.argument = argument;
  edit.scale = argument[equals - 1] == '*';
  const std::string_view name = argument.substr(0, equals - (edit.scale ? 1 : 0));
  const std::string_view value = argument.substr(equals + 1);
  if (name == kDurationsName || name == kLoadsName) {
    if (!edit.scale) {
      return Usage(std::string(name) + " só se multiplica (" + std::string(name) +
                   "*=FATOR); os valores vêm da tabela (--table).");
    }
    edit.table = name == kDurationsName ? kDurationsName : kLoadsName;
  } else {
    edit.field = FindCaseField(name);
    if (edit.field == nullptr) return UnknownField(name);
  }
  const std::string_view label = edit.field ? edit.field->name : edit.table;
  if (!edit.scale && edit.field->kind == TFieldKind::Integer) {
    TResult<int32_t> integer = ParseIntegerValue(label, value);
    if (!integer) return std::move(integer).Error();
    edit.integer = *integer;
    return edit;
  }
  TResult<double> real = ParseRealValue(label, value);
  if (!real) return std::move(real).Error();
  edit.real = *real;
  return edit;
}

TStatus ApplyEdit(TCaseData& data, const TEdit& edit) {
  if (edit.field == nullptr) return ScaleIntervals(data, edit.table, edit.real);
  if (edit.scale) return ScaleField(data, *edit.field, edit.real);
  if (edit.field->kind == TFieldKind::Integer) return SetIntegerField(data, *edit.field, edit.integer);
  return SetRealField(data, *edit.field, edit.real);
}

TTableFormat ChooseTableFormat(std::string_view text) {
  TTableFormat format;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    if (line.find_first_not_of(Blanks()) == std::string_view::npos) continue;
    if (line.find('\t') != std::string_view::npos) return format;
    if (line.find(';') != std::string_view::npos) {
      format.cell_separator = ';';
    } else if (line.find(',') != std::string_view::npos) {
      format.cell_separator = ',';
    }
    return format;
  }
  return format;
}

TResult<std::string> ReadInputText(const std::string& path, TCommandIo& io) {
  if (path == "-") {
    std::ostringstream text;
    text << io.in.rdbuf();
    if (io.in.bad()) return MakeError(TErrc::FileRead, "Não foi possível ler a entrada padrão.");
    return text.str();
  }
  auto failure = [&path](TErrc code, const std::string& what, int error) {
    TError failed = MakeError(code, "Não foi possível " + what + " o arquivo \"" + path + "\": " + OpenErrorText(error) + ".");
    failed.file = path;
    return failed;
  };
  // A pipe (such as "--table <(comando)") is read too; a folder is not.
  const TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) return failure(TErrc::FileOpen, "abrir", errno);
  std::string bytes;
  struct stat info;
  if (::fstat(fd.Get(), &info) == 0 && S_ISDIR(info.st_mode)) return failure(TErrc::FileOpen, "abrir", EISDIR);
  char buffer[1 << 16];
  for (;;) {
    const ssize_t got = ::read(fd.Get(), buffer, sizeof buffer);
    if (got == 0) break;
    if (got < 0) {
      if (errno == EINTR) continue;
      return failure(TErrc::FileRead, "ler", errno);
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  return bytes;
}

TStatus LoadTable(TCaseData& data, const std::string& path, TCommandIo& io, char decimal_mark) {
  TResult<std::string> read = ReadInputText(path, io);
  if (!read) return std::move(read).Error();
  std::string_view text = *read;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a spreadsheet's UTF-8 mark
  const std::string shown = path == "-" ? "entrada padrão" : path;
  if (text.find_first_not_of(Blanks()) == std::string_view::npos) {
    TError error = MakeError(TErrc::InvalidTable, shown + ": não há tabela de intervalos.");
    error.file = path;
    return error;
  }
  TTableFormat format = ChooseTableFormat(text);
  if (decimal_mark != 0) format.decimal_mark = decimal_mark;
  TResult<TPastedIntervals> table = ParseIntervalTable(text, format);
  if (!table) {
    TError error = std::move(table).Error();
    if (error.code == TErrc::AmbiguousTable) {
      // The window asks; here the command line says it.
      const TTableQuestion question = TableQuestionOf(error);
      constexpr std::string_view kAsk = " Indique o separador decimal.";
      if (error.message.ends_with(kAsk)) error.message.resize(error.message.size() - kAsk.size());
      error.message += " Use --decimal " + std::string(1, question.decimal_if_thousands) + " (" +
                       question.as_thousands + ") ou --decimal " + std::string(1, question.decimal_if_decimal) +
                       " (" + question.as_decimal + ").";
      error.details.clear();
    }
    error.message = shown + ": " + error.message;
    error.file = path;
    error.line = 0;  // the message names the file and the line itself
    return error;
  }
  return SetIntervals(data, table->durations.data(), table->loads.data(), table->rows);
}

void TChanges::Declare(CLI::App& verb) {
  verb.add_option("--table", table_,
                  "A tabela de intervalos: duração e carga (duas colunas) ou intervalo, duração e carga (três), "
                  "separadas por tabulação como as copia uma planilha, ou um arquivo CSV (\";\" com vírgula decimal "
                  "ou \",\" com ponto decimal); \"-\" lê a entrada padrão")
      ->type_name("TABELA");
  verb.add_option("--decimal", decimal_,
                  "O separador decimal da tabela, \",\" ou \".\" (o outro é então o separador de milhar), para "
                  "uma tabela cujos números se leem de dois jeitos (\"1.038\": 1038 ou 1,038); sem ele, uma "
                  "tabela assim é recusada")
      ->type_name(",|.");
  title_option_ = verb.add_option("--title", title_, "O título do caso (até 80 caracteres)")->type_name("TEXTO");
  verb.add_option("alteracoes", arguments_,
                  "CAMPO=VALOR muda um campo pelo seu nome no programa (base, c0, ..., Vtot, ..., nu, ..., iprint); "
                  "CAMPO*=FATOR multiplica um campo; loads*=FATOR e durations*=FATOR multiplicam todos os "
                  "intervalos. Valores com ponto ou vírgula decimal, sem separador de milhares")
      ->type_name("CAMPO=VALOR");
}

void TChanges::ParseArguments() {
  if (!decimal_.empty() && decimal_ != "," && decimal_ != ".") {
    throw TUsageError{"--decimal: o separador decimal é \",\" ou \".\", não '" + decimal_ + "'."};
  }
  if (!decimal_.empty() && table_.empty()) throw TUsageError{"--decimal vale para a tabela: falta --table TABELA."};
  edits_.clear();
  for (const std::string& argument : arguments_) {
    TResult<TEdit> edit = ParseEdit(argument);
    if (!edit) throw TUsageError{edit.Error().message};
    edits_.push_back(std::move(*edit));
  }
}

int TChanges::Apply(TCaseData& data, std::string& title, TCommandIo& io) const {
  if (!table_.empty()) {
    const char decimal_mark = decimal_.empty() ? 0 : decimal_[0];
    if (TStatus loaded = LoadTable(data, table_, io, decimal_mark); !loaded) return Refuse(io, loaded.Error());
  }
  if (title_option_ != nullptr && title_option_->count() > 0) title = title_;
  for (const TEdit& edit : edits_) {
    if (TStatus applied = ApplyEdit(data, edit); !applied) return Refuse(io, applied.Error());
  }
  return kExitDone;
}

int SaveCase(const TCaseData& data, const std::string& title, const std::string& path, TCommandIo& io) {
  if (TStatus saved = SaveCaseFile(data, title, path); !saved) return Refuse(io, saved.Error(), &data);
  return kExitDone;
}
