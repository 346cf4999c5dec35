// zormek-case show CASO.dad [--json]: every field of a case by its name,
// with the window's caption and text (decimal comma), or as JSON.

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <ostream>

#include "case/CaseFields.h"
#include "case/CaseReader.h"
#include "case/NumberText.h"
#include "cli/Command.h"

namespace {

class TShow final : public TCommand {
public:
  std::string_view Name() const override { return "show"; }
  std::string_view Summary() const override { return "Mostra os campos de um caso (--json: como JSON)"; }

  void Declare(CLI::App& verb) override {
    verb.add_option("caso", path_, "O arquivo do caso (.dad)")->type_name("CASO.dad");
    verb.add_flag("--json", json_,
                  "Como JSON: title, N, cada campo pelo seu nome no programa (base ... iprint), durations e loads");
  }

  int Run(TCommandIo& io) override {
    if (path_.empty()) throw TUsageError{"falta o arquivo do caso."};
    TCaseData data;
    std::string title;
    if (TStatus read = ReadCaseFile(path_, &data, &title); !read) return Refuse(io, read.Error());
    if (json_) {
      WriteJson(io.out, data, title);
    } else {
      WriteText(io.out, data, title);
    }
    return kExitDone;
  }

private:
  static void WriteText(std::ostream& out, const TCaseData& data, const std::string& title) {
    out << kTitleCaption << " " << title << "\n";
    out << kCountCaption << " " << data.N << "\n";
    for (const TCaseField& field : CaseFields()) {
      std::string name(field.name);
      name.resize(std::max<std::size_t>(name.size() + 1, 8), ' ');
      out << name << field.caption << " "
          << (field.kind == TFieldKind::Integer ? FormatIntegerText(field.Integer(data))
                                                : FormatRealText(field.Real(data), ','))
          << "\n";
    }
  }

  static void WriteJson(std::ostream& out, const TCaseData& data, const std::string& title) {
    nlohmann::ordered_json json;
    json["title"] = title;
    json["N"] = data.N;
    for (const TCaseField& field : CaseFields()) {
      const std::string name(field.name);
      if (field.kind == TFieldKind::Integer) {
        json[name] = field.Integer(data);
      } else {
        json[name] = field.Real(data);
      }
    }
    const std::size_t n = static_cast<std::size_t>(data.N);
    json["durations"] = std::vector<double>(data.durations.data(), data.durations.data() + n);
    json["loads"] = std::vector<double>(data.loads.data(), data.loads.data() + n);
    out << json.dump(2) << "\n";
  }

  std::string path_;
  bool json_ = false;
};

}  // namespace

std::unique_ptr<TCommand> MakeShowCommand() { return std::make_unique<TShow>(); }
