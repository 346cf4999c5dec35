#pragma once
// Checking a case before the solver sees it: every problem at once, each
// naming the field it is found in, so that a case that cannot be solved is
// mended where it was typed and not after a long solver run.
//
// Only what the captions and the case file make unambiguous is checked; no
// equation of the solver's model is guessed. Errors: what GRAVAR refuses
// (every interval without a duration or a load, each one listed), a
// negative duration, a minimum above its maximum, a base power or a count
// of iterations that cannot be, a value that is not a finite number.
// Warnings: loads that the plants' limits cannot meet, a negative load, a
// hydro plant without water, step factors and tolerances out of their range.
//
//   Ptmin 500, Ptmax 400:
//     {Error, "Ptmin", none, "\"Pt (min):\" 500 é maior que \"Pt (max):\" 400."}
//   interval 3 without a load:
//     {Error, "loads", 3, "Intervalo 3: \"Carga (MW):\" não informada."}
//   Rho 1:
//     {Warning, "Rho", none, "\"Rho:\" 1 deve estar entre 0 e 1, sem os extremos."}
//
// Plain data, no state: the windows, the command-line tool and the Python
// module all call CheckCase and show the findings their own way.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "case/CaseData.h"

enum class TSeverity { Error, Warning };

// "erro" or "aviso".
std::string_view SeverityName(TSeverity severity);

struct TFinding {
  TSeverity severity = TSeverity::Error;
  // The record's name of the field: "loads", "durations", "N", "base",
  // "Ptmin", "Rho", ... (CaseFields.h; FieldCaption gives its caption).
  std::string field;
  // 1-based, for a finding about one interval; none otherwise (also for the
  // line that counts the warnings of a kind beyond the first ones).
  std::optional<int32_t> interval;
  // In Portuguese, naming the field by its caption, with the values.
  std::string message;

  friend bool operator==(const TFinding&, const TFinding&) = default;
};

struct TCheckOptions {
  // The decimal separator of the numbers in the messages.
  char separator = ',';
  // Per kind of interval warning, how many are listed one by one; the rest
  // are counted in one more finding. Interval errors are always all listed.
  std::size_t interval_warnings = 20;
};

// Errors first, then warnings; within each, the scalars and parameters in
// the order of CaseFields(), then the interval table: errors interval by
// interval, warnings kind by kind, each kind in interval order.
// No finding: the case has nothing this check can see.
std::vector<TFinding> CheckCase(const TCaseData& data, const TCheckOptions& options = {});

bool HasErrors(const std::vector<TFinding>& findings);
