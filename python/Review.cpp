// zormek.check and zormek.diff: the core's check and comparison, their
// findings and differences as zormek.Finding and zormek.Difference.

#include "python/Review.h"

#include <pybind11/eval.h>

#include "case/CaseCheck.h"
#include "case/CaseDiff.h"
#include "python/Case.h"

namespace zormek {

namespace {

py::object Interval(const std::optional<int32_t>& interval) {
  return interval ? py::object(py::int_(*interval)) : py::object(py::none());
}

py::object Number(const std::optional<double>& value) {
  return value ? py::object(py::float_(*value)) : py::object(py::none());
}

py::list Findings(const TCase& self) {
  std::vector<TFinding> findings;
  {
    py::gil_scoped_release unlocked;
    findings = CheckCase(self.data);
  }
  const py::object type = py::module_::import("zormek").attr("Finding");
  py::list list;
  for (const TFinding& finding : findings) {
    list.append(type(py::str(std::string(SeverityName(finding.severity))), Text(finding.field),
                     Interval(finding.interval), Text(finding.message)));
  }
  return list;
}

py::list Differences(const TCase& a, const TCase& b, double tolerance) {
  TDiffOptions options;
  options.tolerance = tolerance;
  TResult<std::vector<TDifference>> differences = [&] {
    py::gil_scoped_release unlocked;
    return DiffCases(a.data, a.title, b.data, b.title, options);
  }();
  if (!differences) RaiseCaseError(differences.Error());
  const py::object type = py::module_::import("zormek").attr("Difference");
  py::list list;
  for (const TDifference& difference : *differences) {
    list.append(type(Text(difference.field), Interval(difference.interval), Text(difference.a), Text(difference.b),
                     Number(difference.a_value), Number(difference.b_value)));
  }
  return list;
}

}  // namespace

void DeclareReview(py::module_& module) {
  py::exec(R"(
import typing

class Finding(typing.NamedTuple):
    """Um problema que o solver encontraria num caso.

    severity: "erro" ou "aviso"; field: o nome do campo no programa
    ("Ptmin", "loads", ...); interval: o número do intervalo, ou None;
    message: a mensagem, em português, com a legenda do campo e os valores.
    """
    severity: str
    field: str
    interval: typing.Optional[int]
    message: str

class Difference(typing.NamedTuple):
    """Um campo em que dois casos diferem.

    field: "title", "N" ou o nome do campo no programa; interval: o número
    do intervalo, ou None; a, b: os dois valores como a janela os mostra
    (vírgula decimal, os algarismos que os distinguem); a_value, b_value:
    os mesmos como números (None para o título).
    """
    field: str
    interval: typing.Optional[int]
    a: str
    b: str
    a_value: typing.Optional[float] = None
    b_value: typing.Optional[float] = None

Finding.__module__ = Difference.__module__ = "zormek"
)", module.attr("__dict__"));
  module.def(
      "check", &Findings, py::arg("caso"),
      "Os problemas do caso que o solver encontraria: uma lista de Finding, os erros primeiro.\n"
      "Sem nenhum erro (avisos à parte), o caso pode ir ao solver.");
  module.def(
      "diff", &Differences, py::arg("a"), py::arg("b"), py::arg("tolerance") = 0.0,
      "Os campos em que os casos a e b diferem, o título e os intervalos incluídos: uma lista de\n"
      "Difference. tolerance: a diferença relativa aceita entre dois números reais (0: iguais).\n"
      "Uma tolerância negativa ou que não é um número levanta CaseError.");
}

}  // namespace zormek
