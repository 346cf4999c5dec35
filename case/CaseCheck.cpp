#include "case/CaseCheck.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>

#include "case/CaseFields.h"
#include "case/NumberText.h"
#include "case/ValueText.h"

namespace {

// What a scalar or a parameter must be. `other` names the field a rule
// compares with.
enum class Rule { Positive, AtLeastOne, OpenUnit, NotAbove, PositiveWhenGiven };

struct ScalarRule {
  std::string_view field;
  TSeverity severity;
  Rule rule;
  std::string_view other = {};
};

using S = TSeverity;
constexpr ScalarRule kRules[] = {
    {"base", S::Error, Rule::Positive},
    {"Ptmin", S::Error, Rule::NotAbove, "Ptmax"},
    {"Phmin", S::Error, Rule::NotAbove, "Phmax"},
    {"Vtot", S::Warning, Rule::PositiveWhenGiven, "Phmax"},
    {"nu", S::Error, Rule::AtLeastOne},
    {"nd", S::Error, Rule::AtLeastOne},
    {"klim", S::Error, Rule::AtLeastOne},
    {"Epsext", S::Warning, Rule::Positive},
    {"Rhoext", S::Warning, Rule::OpenUnit},
    {"Rho", S::Warning, Rule::OpenUnit},
    {"Epsln", S::Warning, Rule::Positive},
    {"Maxit", S::Error, Rule::AtLeastOne},
    {"Bigm", S::Warning, Rule::Positive},
    {"Sigma", S::Warning, Rule::Positive},
    {"Epslnp", S::Warning, Rule::Positive},
    {"Epslmek", S::Warning, Rule::Positive},
    {"Mu0", S::Warning, Rule::Positive},
};

std::string Quoted(std::string_view caption) { return "\"" + std::string(caption) + "\""; }

// The pieces joined, with one allocation.
std::string Cat(std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (std::string_view p : pieces) size += p.size();
  std::string out;
  out.reserve(size);
  for (std::string_view p : pieces) out += p;
  return out;
}

// "Intervalo 17: "
std::string_view At(int32_t k, char (&buffer)[32]) {
  constexpr std::string_view kPrefix = "Intervalo ";
  std::copy(kPrefix.begin(), kPrefix.end(), buffer);
  char* end = std::to_chars(buffer + kPrefix.size(), buffer + sizeof buffer - 2, k).ptr;
  *end++ = ':';
  *end++ = ' ';
  return {buffer, static_cast<std::size_t>(end - buffer)};
}

class Checker {
public:
  Checker(const TCaseData& data, const TCheckOptions& options) : d_(data), options_(options) {}

  std::vector<TFinding> Run() {
    for (const TCaseField& field : CaseFields()) CheckScalar(field);
    CheckTable();
    std::vector<TFinding> all = std::move(errors_);
    all.reserve(all.size() + warnings_.size());
    std::move(warnings_.begin(), warnings_.end(), std::back_inserter(all));
    return all;
  }

private:
  std::string Text(double value) const { return ExactRealText(value, options_.separator); }

  std::string ValueText(const TCaseField& field) const {
    return field.kind == TFieldKind::Integer ? FormatIntegerText(field.Integer(d_)) : Text(field.Real(d_));
  }

  // "Pt (min):" 500
  std::string Named(const TCaseField& field) const { return Quoted(field.caption) + " " + ValueText(field); }

  void Add(TSeverity severity, std::string_view field, std::optional<int32_t> interval, std::string message) {
    (severity == TSeverity::Error ? errors_ : warnings_)
        .push_back({severity, std::string(field), interval, std::move(message)});
  }

  void CheckScalar(const TCaseField& field) {
    if (field.kind == TFieldKind::Real && !std::isfinite(field.Real(d_))) {
      Add(S::Error, field.name, std::nullopt, Named(field) + " não é um número finito.");
      return;
    }
    for (const ScalarRule& rule : kRules) {
      if (rule.field == field.name) Apply(rule, field);
    }
  }

  void Apply(const ScalarRule& rule, const TCaseField& field) {
    const double value = field.kind == TFieldKind::Integer ? field.Integer(d_) : field.Real(d_);
    switch (rule.rule) {
      case Rule::Positive:
        if (!(value > 0.0)) Add(rule.severity, field.name, std::nullopt, Named(field) + " deve ser maior que zero.");
        break;
      case Rule::AtLeastOne:
        if (!(value >= 1.0)) Add(rule.severity, field.name, std::nullopt, Named(field) + " deve ser pelo menos 1.");
        break;
      case Rule::OpenUnit:
        if (!(value > 0.0 && value < 1.0))
          Add(rule.severity, field.name, std::nullopt,
              Named(field) + " deve estar entre 0 e 1, sem os extremos.");
        break;
      case Rule::NotAbove: {
        const TCaseField& other = *FindCaseField(rule.other);
        if (std::isfinite(other.Real(d_)) && value > other.Real(d_))
          Add(rule.severity, field.name, std::nullopt, Named(field) + " é maior que " + Named(other) + ".");
        break;
      }
      case Rule::PositiveWhenGiven: {
        const TCaseField& other = *FindCaseField(rule.other);
        if (other.Real(d_) != 0.0 && !(value > 0.0))
          Add(rule.severity, field.name, std::nullopt,
              Named(field) + " deve ser maior que zero quando " + Named(other) + " é informado.");
        break;
      }
    }
  }

  // One kind of interval warning: the first ones listed, the rest counted.
  struct Kind {
    std::vector<TFinding> listed;
    std::size_t more = 0;
  };

  // The message is made only for the ones listed.
  template <class Message>
  void Warn(Kind& kind, int32_t k, const Message& message) {
    if (kind.listed.size() < options_.interval_warnings) {
      char at[32];
      kind.listed.push_back({S::Warning, "loads", k, Cat({At(k, at), message()})});
    } else {
      ++kind.more;
    }
  }

  void Flush(Kind& kind, const std::string& what) {
    std::move(kind.listed.begin(), kind.listed.end(), std::back_inserter(warnings_));
    if (kind.more > 0)
      Add(S::Warning, "loads", std::nullopt,
          "Mais " + std::to_string(kind.more) + (kind.more == 1 ? " intervalo com " : " intervalos com ") + what +
              ".");
  }

  void CheckTable() {
    if (d_.N < 1) {
      Add(S::Error, "N", std::nullopt, Quoted(kCountCaption) + " " + FormatIntegerText(d_.N) + " deve ser pelo menos 1.");
      return;
    }
    const auto n = static_cast<std::size_t>(d_.N);
    if (d_.durations.size() < n || d_.loads.size() < n) {
      Add(S::Error, "N", std::nullopt,
          "A tabela de intervalos não tem os " + FormatIntegerText(d_.N) + " intervalos de " + Quoted(kCountCaption) +
              ".");
      return;
    }
    const std::string duration = Quoted(kDurationCaption);
    const std::string load = Quoted(kLoadCaption);

    // The plants' limits bound the load only where they are entered: the
    // maxima when either is, the minima when either is.
    const double most = d_.Ptmax + d_.Phmax;
    const double least = d_.Ptmin + d_.Phmin;
    const bool check_most = (d_.Ptmax != 0.0 || d_.Phmax != 0.0) && std::isfinite(most);
    const bool check_least = (d_.Ptmin != 0.0 || d_.Phmin != 0.0) && std::isfinite(least);
    const std::string most_text = Quoted(FindCaseField("Ptmax")->caption) + " + " +
                                  Quoted(FindCaseField("Phmax")->caption) + " = " + Text(most);
    const std::string least_text = Quoted(FindCaseField("Ptmin")->caption) + " + " +
                                   Quoted(FindCaseField("Phmin")->caption) + " = " + Text(least);
    Kind above, below, negative;

    for (std::size_t i = 0; i < n; ++i) {
      const double t = d_.durations[i];
      const double p = d_.loads[i];
      const bool plain = t > 0.0 && std::isfinite(t) && p > 0.0 && std::isfinite(p) &&
                         !(check_most && p > most) && !(check_least && p < least);
      if (plain) continue;  // the usual interval: nothing to say
      const auto k = static_cast<int32_t>(i + 1);
      char buffer[32];
      const std::string_view at = At(k, buffer);
      if (t == 0.0)
        Add(S::Error, "durations", k, Cat({at, duration, " não informada."}));
      else if (!std::isfinite(t))
        Add(S::Error, "durations", k, Cat({at, duration, " ", Text(t), " não é um número finito."}));
      else if (t < 0.0)
        Add(S::Error, "durations", k, Cat({at, duration, " ", Text(t), " é negativa."}));
      if (p == 0.0) {
        Add(S::Error, "loads", k, Cat({at, load, " não informada."}));
        continue;
      }
      if (!std::isfinite(p)) {
        Add(S::Error, "loads", k, Cat({at, load, " ", Text(p), " não é um número finito."}));
        continue;
      }
      if (check_most && p > most) Warn(above, k, [&] { return load + " " + Text(p) + " acima de " + most_text + "."; });
      if (check_least && p < least)
        Warn(below, k, [&] { return load + " " + Text(p) + " abaixo de " + least_text + "."; });
      if (p < 0.0) Warn(negative, k, [&] { return load + " " + Text(p) + " é negativa."; });
    }
    Flush(above, load + " acima de " + most_text);
    Flush(below, load + " abaixo de " + least_text);
    Flush(negative, load + " negativa");
  }

  const TCaseData& d_;
  const TCheckOptions& options_;
  std::vector<TFinding> errors_;
  std::vector<TFinding> warnings_;
};

}  // namespace

std::string_view SeverityName(TSeverity severity) { return severity == TSeverity::Error ? "erro" : "aviso"; }

std::vector<TFinding> CheckCase(const TCaseData& data, const TCheckOptions& options) {
  return Checker(data, options).Run();
}

bool HasErrors(const std::vector<TFinding>& findings) {
  return std::any_of(findings.begin(), findings.end(),
                     [](const TFinding& f) { return f.severity == TSeverity::Error; });
}
